#pragma once
// The MP3 encoder control `Mp3Enc1`: WAV (anything libsndfile reads, 1 or 2
// channels, PCM or float) → CBR MP3 with LAME's info tag
// (platform/soundfiles.h, encodeWavToMp3).
//
// Dispatch ids as members: 2 setSampleRate(Hz), 1 setBitRate(bit/s),
// 11 setFiles(input, output), 9 start(); event 10 is finished(ok, error).
//
// Event sequence: start() returns at once, the encoding runs on a worker
// thread, and exactly one finished() follows through the window thread's
// event loop (never inside start()):
//   finished(true, "")      the MP3 is complete at the output path;
//   finished(false, reason) nothing was written there (an existing file is
//                           untouched): unreadable input, more than 2
//                           channels, a rate/bit-rate pair LAME refuses,
//                           output not writable.
// start() while a job runs cancels that job first (no event for it).
// cancel() stops the job, joins the worker, suppresses its finished(); the
// output path holds what it held before, or the complete MP3 when the work
// had just finished; never a partial file. Destroying the object cancels.
#include "platform/fileconversion.h"

namespace rt {

class Mp3Encoder : public FileConversion {
    Q_OBJECT
public:
    using FileConversion::FileConversion;

    // 2: output sample rate, Hz (32000, 44100, 48000, ...); default 44100
    virtual void setSampleRate(int hz) = 0;
    // 1: bit rate, bit/s (128000 = 128 kbit/s); default 128000
    virtual void setBitRate(int bitsPerSecond) = 0;
};

// The LAME encoder.
Mp3Encoder* createMp3Encoder(QObject* parent = nullptr);

} // namespace rt
