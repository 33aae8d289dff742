#pragma once
// The file work behind the sound layers, synchronous, for a worker thread:
// MP3 decoding (libmpg123), MP3 encoding (LAME), and the working copy of a
// track as a canonical WAV. Every writer builds its output beside the target
// and renames it into place only when complete: a failure or a cancel leaves
// an existing file at the target untouched and no partial file behind.
#include "platform/soundworker.h"

#include <QString>
#include <atomic>

namespace rt {

struct SoundFileInfo {
    int sampleRate = 0;
    int channels = 0;
    long long frames = 0;
};

// MP3 → canonical WAV (44-byte header, 16-bit PCM, the stream's own rate and
// channels: a mono MP3 stays mono), gapless (encoder delay and padding
// removed as the stream's info tag gives them). A file of which no frame
// decodes is a failure.
bool decodeMp3ToWav(const QString& mp3, const QString& wav, SoundError* error = nullptr,
                    const std::atomic<bool>* cancelled = nullptr, SoundFileInfo* info = nullptr);

// WAV (anything libsndfile reads, 1 or 2 channels) → CBR MP3 at `sampleRate`
// Hz and `bitRate` bit/s, with LAME's info tag so decoders give the exact
// length.
bool encodeWavToMp3(const QString& wav, const QString& mp3, int sampleRate, int bitRate,
                    SoundError* error = nullptr, const std::atomic<bool>* cancelled = nullptr);

// The working copy of a track: an MP3 (by its extension) is decoded as
// above; anything else is read through libsndfile (8/16/24/32-bit PCM, float,
// extensible format, extra chunks) and written as a canonical 16-bit PCM WAV
// at the source's rate and channels. More than 2 channels is refused, so
// byte 22 of the copy always holds 1 or 2.
bool makeWorkingCopy(const QString& source, const QString& target, SoundError* error = nullptr,
                     const std::atomic<bool>* cancelled = nullptr, SoundFileInfo* info = nullptr);

} // namespace rt

#include <QObject>

namespace rt {

// makeWorkingCopy on a worker thread. start() returns at once; exactly one
// finished() follows through the window thread's event loop:
//   finished(true, "")      the copy is complete at the target;
//   finished(false, reason) no copy was written (missing or unreadable
//                           source, no MP3 frame, more than 2 channels).
// info() then holds the copy's rate, channels and frames, lastError() why it
// failed (a target it could not write names it). cancel() stops the
// work, joins the worker and suppresses finished() (a copy that had just
// been completed stays; never a partial one); destroying cancels.
class WorkingCopyJob : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~WorkingCopyJob() override;
    void start(const QString& source, const QString& target);
    void cancel();
    bool running() const { return worker_.running(); }
    SoundFileInfo info() const { return info_; }
    const SoundError& lastError() const { return error_; }

signals:
    void finished(bool ok, const QString& error);

private:
    SoundWorker worker_;
    SoundFileInfo info_{};
    SoundError error_{};
};

} // namespace rt
