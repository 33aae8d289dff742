#include "platform/wavfile.h"

#include "platform/atomicfile.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <cstring>
#include <limits>

namespace rt {

WaveFormatEx pcmFormat(std::int32_t rate, std::int16_t channels, std::int16_t bits)
{
    WaveFormatEx f;
    f.formatTag = 1;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.avgBytesPerSec = static_cast<std::int32_t>(static_cast<std::int64_t>(rate) * channels * bits / 8);
    f.blockAlign = static_cast<std::int16_t>(channels * bits / 8);
    f.bitsPerSample = bits;
    f.extraSize = 0;
    return f;
}

bool isSupportedPcm(const WaveFormatEx& f)
{
    if (f.formatTag != 1 || (f.channels != 1 && f.channels != 2) || f.samplesPerSec <= 0)
        return false;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
        return false;
    const WaveFormatEx ref = pcmFormat(f.samplesPerSec, f.channels, f.bitsPerSample);
    return f.blockAlign == ref.blockAlign && f.avgBytesPerSec == ref.avgBytesPerSec;
}

namespace {

void put16(QByteArray& b, int at, std::uint16_t v) { qToLittleEndian(v, b.data() + at); }
void put32(QByteArray& b, int at, std::uint32_t v) { qToLittleEndian(v, b.data() + at); }
std::uint16_t get16(const char* p) { return qFromLittleEndian<std::uint16_t>(p); }
std::uint32_t get32(const char* p) { return qFromLittleEndian<std::uint32_t>(p); }

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

QByteArray wavHeader(const WaveFormatEx& f, std::uint32_t dataBytes)
{
    QByteArray h(WavHeaderBytes, '\0');
    const std::uint32_t pad = dataBytes & 1u;
    std::memcpy(h.data(), "RIFF", 4);
    put32(h, 4, 36u + dataBytes + pad);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(h, 16, 16);
    put16(h, 20, static_cast<std::uint16_t>(f.formatTag));
    put16(h, 22, static_cast<std::uint16_t>(f.channels));
    put32(h, 24, static_cast<std::uint32_t>(f.samplesPerSec));
    put32(h, 28, static_cast<std::uint32_t>(f.avgBytesPerSec));
    put16(h, 32, static_cast<std::uint16_t>(f.blockAlign));
    put16(h, 34, static_cast<std::uint16_t>(f.bitsPerSample));
    std::memcpy(h.data() + 36, "data", 4);
    put32(h, 40, dataBytes);
    return h;
}

bool writeWavFile(const QString& path, const WaveFormatEx& f, const char* data, qint64 bytes, QString* error)
{
    if (bytes < 0 || bytes > std::numeric_limits<std::uint32_t>::max() - WavHeaderBytes - 1) {
        setError(error, QStringLiteral("too much data for a WAV file"));
        return false;
    }
    QSaveFile out(path);
    // Unbuffered: a write that does not fit fails at once, with its reason.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setError(error, writeErrorReason(out));
        return false;
    }
    const QByteArray header = wavHeader(f, static_cast<std::uint32_t>(bytes));
    bool ok = out.write(header) == header.size();
    if (ok && bytes > 0)
        ok = out.write(data, bytes) == bytes;
    if (ok && (bytes & 1))
        ok = out.write("\0", 1) == 1;
    if (!ok) {
        setError(error, writeErrorReason(out));
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        setError(error, writeErrorReason(out));
        return false;
    }
    return true;
}

bool readWavFile(const QString& path, WaveFormatEx* f, QByteArray* data, QString* error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        setError(error, in.errorString());
        return false;
    }
    const QByteArray all = in.readAll();
    if (all.size() < 12 || std::memcmp(all.constData(), "RIFF", 4) != 0
        || std::memcmp(all.constData() + 8, "WAVE", 4) != 0) {
        setError(error, QStringLiteral("not a RIFF WAVE file"));
        return false;
    }
    bool haveFmt = false;
    WaveFormatEx fmt;
    qsizetype pos = 12;
    while (pos + 8 <= all.size()) {
        const char* p = all.constData() + pos;
        const std::uint32_t size = get32(p + 4);
        const qsizetype body = pos + 8;
        const qsizetype avail = all.size() - body;
        if (std::memcmp(p, "fmt ", 4) == 0) {
            if (size < 16 || avail < 16) {
                setError(error, QStringLiteral("damaged fmt chunk"));
                return false;
            }
            const char* q = all.constData() + body;
            fmt.formatTag = static_cast<std::int16_t>(get16(q));
            fmt.channels = static_cast<std::int16_t>(get16(q + 2));
            fmt.samplesPerSec = static_cast<std::int32_t>(get32(q + 4));
            fmt.avgBytesPerSec = static_cast<std::int32_t>(get32(q + 8));
            fmt.blockAlign = static_cast<std::int16_t>(get16(q + 12));
            fmt.bitsPerSample = static_cast<std::int16_t>(get16(q + 14));
            fmt.extraSize = 0;
            haveFmt = true;
        } else if (std::memcmp(p, "data", 4) == 0) {
            if (!haveFmt) {
                setError(error, QStringLiteral("data chunk before fmt chunk"));
                return false;
            }
            if (!isSupportedPcm(fmt)) {
                setError(error, QStringLiteral("not 8- or 16-bit PCM with one or two channels"));
                return false;
            }
            const qsizetype n = std::min<qsizetype>(size, avail);
            if (f)
                *f = fmt;
            if (data)
                *data = all.mid(body, n);
            return true;
        }
        pos = body + static_cast<qsizetype>(size) + (size & 1u);
    }
    setError(error, QStringLiteral("no data chunk"));
    return false;
}

} // namespace rt
