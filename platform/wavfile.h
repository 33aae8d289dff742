#pragma once
// Sound files, read and written one way: through libsndfile.
//
// WAV files are written in the canonical form (a 44-byte header: RIFF, a
// 16-byte PCM fmt chunk, data; an odd data size is followed by one pad byte,
// which the RIFF size counts), beside their target, and renamed into place
// only once complete: a failure (full disk), a cancel or a writer dropped
// without a commit leaves an existing file at the target untouched and no
// partial file behind. Sound files of any kind libsndfile knows are read a
// block of frames at a time, so memory does not grow with their length.
#include "platform/soundworker.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

namespace rt {

struct WaveFormatEx {
    std::int16_t formatTag = 1; // PCM
    std::int16_t channels = 0;
    std::int32_t samplesPerSec = 0;
    std::int32_t avgBytesPerSec = 0; // rate * channels * bits / 8
    std::int16_t blockAlign = 0;     // channels * bits / 8
    std::int16_t bitsPerSample = 0;
    std::int16_t extraSize = 0;

    bool operator==(const WaveFormatEx&) const = default;
};

// A PCM format with the derived fields filled in.
WaveFormatEx pcmFormat(std::int32_t rate, std::int16_t channels, std::int16_t bits);

// True for PCM with 1 or 2 channels, 8 or 16 bits, a positive rate and
// consistent derived fields.
bool isSupportedPcm(const WaveFormatEx& f);

// The size of the header the writer puts before the samples.
constexpr int WavHeaderBytes = 44;

// A canonical WAV file written as its samples come.
class WavWriter {
public:
    WavWriter();
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // `format`: 8- or 16-bit PCM with 1 or 2 channels (isSupportedPcm).
    bool open(const QString& path, const WaveFormatEx& format, SoundError* error);
    bool isOpen() const;
    // Samples as the file holds them (16-bit little-endian, 8-bit unsigned),
    // in whole sample blocks.
    bool writeBytes(const void* data, qint64 bytes, SoundError* error);
    // `count` frames of 16-bit samples in the machine's byte order.
    bool writeFrames(const std::int16_t* frames, qint64 count, SoundError* error);
    // Completes the file and renames it into place. A failure names the file
    // and the system's reason (SoundError::cannotWrite).
    bool commit(SoundError* error);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Writes a whole WAV file of `bytes` bytes of samples (whole sample blocks;
// a trailing part of a block is not a sample and is left out). `error`
// receives the system's reason when the file cannot be written.
bool writeWavFile(const QString& path, const WaveFormatEx& f, const char* data, qint64 bytes,
                  QString* error = nullptr);

// Reads a RIFF WAVE file with 8- or 16-bit PCM samples and one or two
// channels: its format and the bytes of its data (whole sample blocks, cut to
// what the file holds when the data chunk claims more).
bool readWavFile(const QString& path, WaveFormatEx* f, QByteArray* data, QString* error = nullptr);

// A sound file read through libsndfile, a block of frames at a time.
class SoundReader {
public:
    enum class Failure {
        None,
        File,         // the file cannot be opened (missing, not permitted)
        UnknownKind,  // no kind of sound file libsndfile knows
        Encoding,     // a kind it knows, with samples it cannot decode
        Damaged,      // a kind it knows, but its structure is broken
    };

    SoundReader();
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    // False when the file cannot be read as sound; `error` says why (the
    // system's words for the file, else libsndfile's) and failure() which.
    bool open(const QString& path, QString* error);
    // open() for the sound jobs, which take one or two channels: false with
    // "cannot read <path>: <why>" or "<path> has <n> channels; only 1 or 2
    // are handled".
    bool openMonoOrStereo(const QString& path, QString* error);
    Failure failure() const;

    int rate() const;
    int channels() const;
    qint64 frames() const;
    // A RIFF WAVE file, of the plain or the extensible kind.
    bool isRiffWave() const;
    // 8 or 16 for a plain RIFF WAVE file of 8-bit unsigned or 16-bit PCM
    // samples; 0 for any other.
    int wavePcmBits() const;

    // Up to `count` frames; fewer only at the end, where 0. -1 on a read
    // error (readError() says why).
    // As 16-bit samples: 16-bit files as they are, any other through float
    // (8-bit exact), beyond full scale clipped, never wrapped.
    qint64 readFrames(std::int16_t* out, qint64 count);
    // As float, full scale ±1.
    qint64 readFrames(float* out, qint64 count);
    // As the file holds them, in bytes (whole frames).
    qint64 readBytes(char* out, qint64 count);
    // Back to the first frame; false (readError() says why) when it cannot.
    bool rewind();
    QString readError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace rt
