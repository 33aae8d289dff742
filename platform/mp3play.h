#pragma once
// The MP3 decoder control `Mp3Play1`: MP3 → canonical 16-bit WAV at the
// stream's rate and channels (platform/soundfiles.h, decodeMp3ToWav).
//
// Dispatch ids as members: 15 setFiles(input, output), 16 start(); event 10
// is finished(ok, error).
//
// Event sequence: setFiles() names the job; start() returns at once, the
// decoding runs on a worker thread, and exactly one finished() follows
// through the window thread's event loop (never inside start()):
//   finished(true, "")      the WAV is complete at the output path;
//   finished(false, reason) nothing was written there (an existing file at
//                           the output path is untouched): unreadable input,
//                           no frame decoded, output not writable.
// start() while a job runs cancels that job first (no event for it).
// cancel() stops the job, joins the worker and suppresses its finished(); the
// output path holds what it held before, or the complete WAV when the work
// had just finished; never a partial file. Destroying the object cancels.
#include "platform/fileconversion.h"

namespace rt {

class Mp3Decoder : public FileConversion {
    Q_OBJECT
public:
    using FileConversion::FileConversion;
};

// The libmpg123 decoder.
Mp3Decoder* createMp3Decoder(QObject* parent = nullptr);

} // namespace rt
