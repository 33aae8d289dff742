#pragma once
// PCM wave format record and the canonical RIFF WAVE file: a 44-byte header
// (RIFF, a 16-byte PCM fmt chunk, data) followed by the samples.
#include <QByteArray>
#include <QString>
#include <cstdint>

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

constexpr int WavHeaderBytes = 44;

// The 44-byte header for `dataBytes` bytes of samples. An odd data size is
// followed by one pad byte in the file, which the RIFF size counts.
QByteArray wavHeader(const WaveFormatEx& f, std::uint32_t dataBytes);

// Writes header and samples. The file is replaced only once it has been
// written completely, so a failed write (full disk) keeps the old file.
bool writeWavFile(const QString& path, const WaveFormatEx& f, const char* data, qint64 bytes,
                  QString* error = nullptr);

// Reads a RIFF WAVE file with PCM samples: its format and the bytes of its
// data chunk (cut to what the file holds when the chunk claims more).
bool readWavFile(const QString& path, WaveFormatEx* f, QByteArray* data, QString* error = nullptr);

} // namespace rt
