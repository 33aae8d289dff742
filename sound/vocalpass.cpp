#include "sound/vocalpass.h"

#include "platform/atomicfile.h"
#include "platform/wavfile.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <vector>

namespace melodune {

void centreCancelPass(std::int16_t* a, std::size_t count, std::int32_t& v)
{
    const std::size_t pairs = count / 2;
    std::int32_t prev = v;
    for (std::size_t k = 0; k < pairs; ++k) {
        const std::int32_t l = a[2 * k];
        const std::int32_t r = a[2 * k + 1];
        const std::int32_t negR = r == -32768 ? 32767 : -r;
        const std::int32_t s = l + negR;
        if (s >= -32768 && s <= 32767)
            prev = s;
        a[2 * k] = std::int16_t(prev);
        a[2 * k + 1] = std::int16_t(prev);
    }
    if (count % 2)
        a[count - 1] = 0;
    v = prev;
}

namespace {

// Header fields of a canonical WAV, little-endian.
std::uint16_t u16At(const char* p) { return qFromLittleEndian<std::uint16_t>(p); }
std::uint32_t u32At(const char* p) { return qFromLittleEndian<std::uint32_t>(p); }

} // namespace

VocalFileResult removeVocalsFromFile(const QString& workingCopy, const QString& output,
                                     const std::atomic<bool>* cancel, rt::SoundError* error)
{
    auto fail = [error](VocalFileResult r, const QString& why) {
        if (error)
            *error = rt::SoundError{why};
        return r;
    };
    QSaveFile out(output);
    auto cannotWrite = [&] {
        if (error)
            *error = rt::writeFailure(output, rt::writeErrorReason(out));
        out.cancelWriting();
        return VocalFileResult::WriteFailed;
    };
    QFile in(workingCopy);
    if (!in.open(QIODevice::ReadOnly))
        return fail(VocalFileResult::ReadFailed, in.errorString());
    char h[rt::WavHeaderBytes];
    if (in.read(h, sizeof h) != qint64(sizeof h) || std::memcmp(h, "RIFF", 4) != 0 ||
        std::memcmp(h + 8, "WAVEfmt ", 8) != 0 || std::memcmp(h + 36, "data", 4) != 0)
        return fail(VocalFileResult::ReadFailed, QStringLiteral("not a canonical WAV"));
    const int channels = u16At(h + 22);
    const std::int32_t rate = std::int32_t(u32At(h + 24));
    const int bits = u16At(h + 34);
    if (channels != 2)
        return fail(VocalFileResult::Mono, QStringLiteral("%1 channels").arg(channels));
    if (u16At(h + 20) != 1 || bits != 16 || rate <= 0)
        return fail(VocalFileResult::ReadFailed, QStringLiteral("not 16-bit PCM"));
    // What the file holds, when the header claims more.
    const qint64 dataBytes = std::min<qint64>(u32At(h + 40), in.size() - rt::WavHeaderBytes);

    // Unbuffered: a write that does not fit fails at once, with its reason.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return cannotWrite();
    const QByteArray header = rt::wavHeader(rt::pcmFormat(rate, 2, 16), std::uint32_t(dataBytes));
    if (out.write(header) != header.size())
        return cannotWrite();

    // Whole frames per block, so a pair never straddles two blocks.
    constexpr qint64 BlockBytes = 1 << 18;
    std::vector<std::int16_t> block(BlockBytes / 2);
    std::int32_t v = 0;
    qint64 left = dataBytes;
    while (left > 0) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            out.cancelWriting();
            return fail(VocalFileResult::Cancelled, QStringLiteral("cancelled"));
        }
        const qint64 want = std::min(left, BlockBytes);
        char* bytes = reinterpret_cast<char*>(block.data());
        const qint64 got = in.read(bytes, want);
        if (got != want) {
            out.cancelWriting();
            return fail(VocalFileResult::ReadFailed, in.errorString());
        }
        const std::size_t values = std::size_t(got / 2);
        if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN)
            for (std::size_t i = 0; i < values; ++i)
                block[i] = qFromLittleEndian(block[i]);
        // Only the stream's very last block can hold an odd count.
        centreCancelPass(block.data(), values, v);
        if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN)
            for (std::size_t i = 0; i < values; ++i)
                block[i] = qToLittleEndian(block[i]);
        if (got % 2)
            bytes[got - 1] = 0;
        if (out.write(bytes, got) != got)
            return cannotWrite();
        left -= got;
    }
    if (dataBytes % 2 && out.write("\0", 1) != 1)
        return cannotWrite();
    if (!out.commit())
        return cannotWrite();
    return VocalFileResult::Ok;
}

} // namespace melodune
