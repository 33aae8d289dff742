#pragma once
// Small generated media files for tests: sine tones as WAV (libsndfile) and
// MP3 (LAME), with optional tags, so no sample files ship with the sources.
#include "platform/wavfile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace testsupport {

struct ToneSpec {
    double seconds = 1.0;
    int sampleRate = 44100;
    int channels = 2;
    double frequency = 440.0;
    double amplitude = 0.5; // of full scale
};

// Written as RIFF INFO chunks (WAV) or ID3v2 frames (MP3, UTF-16, so any text).
struct MediaTags {
    QString title{};
    QString artist{};
    QString copyright{};
    QString comment{};
    QByteArray coverImage{}; // MP3 only: embedded picture (PNG, JPEG or GIF bytes)
};

// 16-bit PCM WAV. Returns false when the file cannot be written.
bool writeSineWav(const QString& path, const ToneSpec& tone = {}, const MediaTags& tags = {});
// CBR 128 kbit/s MP3 with an Info header, so players read the exact length.
bool writeSineMp3(const QString& path, const ToneSpec& tone = {}, const MediaTags& tags = {});

// The 44-byte header of a canonical WAV file, laid out by hand: what the
// program's WAV files must start with before `dataBytes` bytes of samples
// (an odd count is padded with one byte, which the RIFF size counts).
QByteArray wavHeader(const rt::WaveFormatEx& f, std::uint32_t dataBytes);

// The power of one frequency in a signal (Goertzel), to tell a tone from
// noise and from its neighbours.
double goertzelPower(const std::vector<double>& x, double freq, double rate);

} // namespace testsupport
