#include "tests/support/audiogen.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <lame/lame.h>
#include <memory>
#include <cstring>
#include <numbers>
#include <sndfile.h>
#include <vector>

namespace testsupport {
namespace {

std::vector<short> sineSamples(const ToneSpec& tone)
{
    const auto frames = static_cast<std::size_t>(std::lround(tone.seconds * tone.sampleRate));
    std::vector<short> pcm(frames * static_cast<std::size_t>(tone.channels));
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = tone.amplitude * std::sin(2.0 * std::numbers::pi * tone.frequency * double(i) / tone.sampleRate);
        for (int c = 0; c < tone.channels; ++c)
            pcm[i * tone.channels + c] = static_cast<short>(std::lround(v * 32767.0));
    }
    return pcm;
}

// LAME wants UTF-16 with a byte order mark.
std::vector<unsigned short> utf16WithBom(const QString& s)
{
    std::vector<unsigned short> out;
    out.push_back(0xFEFF);
    for (QChar c : s)
        out.push_back(c.unicode());
    out.push_back(0);
    return out;
}

} // namespace

bool writeSineWav(const QString& path, const ToneSpec& tone, const MediaTags& tags)
{
    SF_INFO info{};
    info.samplerate = tone.sampleRate;
    info.channels = tone.channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    const auto setTag = [f](int id, const QString& v) {
        if (!v.isEmpty())
            sf_set_string(f, id, v.toUtf8().constData());
    };
    setTag(SF_STR_TITLE, tags.title);
    setTag(SF_STR_ARTIST, tags.artist);
    setTag(SF_STR_COPYRIGHT, tags.copyright);
    setTag(SF_STR_COMMENT, tags.comment);
    const auto pcm = sineSamples(tone);
    const sf_count_t frames = sf_count_t(pcm.size() / tone.channels);
    const bool ok = sf_writef_short(f, pcm.data(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

bool writeSineMp3(const QString& path, const ToneSpec& tone, const MediaTags& tags)
{
    std::unique_ptr<lame_global_flags, decltype(&lame_close)> gf(lame_init(), &lame_close);
    if (!gf)
        return false;
    lame_set_in_samplerate(gf.get(), tone.sampleRate);
    lame_set_num_channels(gf.get(), tone.channels);
    lame_set_mode(gf.get(), tone.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(gf.get(), 128);
    lame_set_quality(gf.get(), 7);
    id3tag_init(gf.get());
    id3tag_add_v2(gf.get());
    id3tag_v2_only(gf.get());
    const auto setText = [&](const char* frame, const QString& v) {
        if (!v.isEmpty())
            id3tag_set_textinfo_utf16(gf.get(), frame, utf16WithBom(v).data());
    };
    setText("TIT2", tags.title);
    setText("TPE1", tags.artist);
    setText("TCOP", tags.copyright);
    if (!tags.comment.isEmpty()) {
        const auto empty = utf16WithBom({});
        id3tag_set_comment_utf16(gf.get(), "eng", empty.data(), utf16WithBom(tags.comment).data());
    }
    if (!tags.coverImage.isEmpty()
        && id3tag_set_albumart(gf.get(), tags.coverImage.constData(), std::size_t(tags.coverImage.size())) != 0)
        return false;
    if (lame_init_params(gf.get()) < 0)
        return false;

    std::unique_ptr<FILE, decltype(&std::fclose)> out(std::fopen(QFile::encodeName(path).constData(), "w+b"),
                                                       &std::fclose);
    if (!out)
        return false;
    auto pcm = sineSamples(tone);
    const int frames = int(pcm.size() / tone.channels);
    std::vector<unsigned char> mp3(std::size_t(1.25 * frames + 7200));
    int n = tone.channels == 1
        ? lame_encode_buffer(gf.get(), pcm.data(), pcm.data(), frames, mp3.data(), int(mp3.size()))
        : lame_encode_buffer_interleaved(gf.get(), pcm.data(), frames, mp3.data(), int(mp3.size()));
    if (n < 0 || std::fwrite(mp3.data(), 1, std::size_t(n), out.get()) != std::size_t(n))
        return false;
    n = lame_encode_flush(gf.get(), mp3.data(), int(mp3.size()));
    if (n < 0 || std::fwrite(mp3.data(), 1, std::size_t(n), out.get()) != std::size_t(n))
        return false;
    lame_mp3_tags_fid(gf.get(), out.get());
    return std::fflush(out.get()) == 0;
}

double goertzelPower(const std::vector<double>& x, double freq, double rate)
{
    const double w = 2.0 * M_PI * freq / rate;
    const double c = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (double v : x) {
        const double s0 = v + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - c * s1 * s2;
}

QByteArray wavHeader(const rt::WaveFormatEx& f, std::uint32_t dataBytes)
{
    QByteArray h(rt::WavHeaderBytes, '\0');
    auto put16 = [&h](int at, std::uint16_t v) { qToLittleEndian(v, h.data() + at); };
    auto put32 = [&h](int at, std::uint32_t v) { qToLittleEndian(v, h.data() + at); };
    std::memcpy(h.data(), "RIFF", 4);
    put32(4, 36u + dataBytes + (dataBytes & 1u));
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, static_cast<std::uint16_t>(f.formatTag));
    put16(22, static_cast<std::uint16_t>(f.channels));
    put32(24, static_cast<std::uint32_t>(f.samplesPerSec));
    put32(28, static_cast<std::uint32_t>(f.avgBytesPerSec));
    put16(32, static_cast<std::uint16_t>(f.blockAlign));
    put16(34, static_cast<std::uint16_t>(f.bitsPerSample));
    std::memcpy(h.data() + 36, "data", 4);
    put32(40, dataBytes);
    return h;
}

} // namespace testsupport
