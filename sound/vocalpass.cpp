#include "sound/vocalpass.h"

#include "platform/wavfile.h"

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

VocalFileResult removeVocalsFromFile(const QString& workingCopy, const QString& output,
                                     const std::atomic<bool>* cancel, rt::SoundError* error)
{
    auto fail = [error](VocalFileResult r, const QString& why) {
        if (error)
            *error = rt::SoundError{why};
        return r;
    };
    rt::SoundReader in;
    QString why;
    if (!in.open(workingCopy, &why))
        return fail(VocalFileResult::ReadFailed, why);
    if (!in.isRiffWave())
        return fail(VocalFileResult::ReadFailed, QStringLiteral("not a canonical WAV"));
    if (in.channels() != 2)
        return fail(VocalFileResult::Mono, QStringLiteral("%1 channels").arg(in.channels()));
    if (in.wavePcmBits() != 16)
        return fail(VocalFileResult::ReadFailed, QStringLiteral("not 16-bit PCM"));

    rt::WavWriter out;
    if (!out.open(output, rt::pcmFormat(in.rate(), 2, 16), error))
        return VocalFileResult::WriteFailed;
    // Whole frames per block, so a pair never straddles two blocks.
    constexpr qint64 BlockFrames = 1 << 16;
    std::vector<std::int16_t> block(BlockFrames * 2);
    std::int32_t v = 0;
    for (;;) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return fail(VocalFileResult::Cancelled, QStringLiteral("cancelled"));
        const qint64 got = in.readFrames(block.data(), BlockFrames);
        if (got < 0)
            return fail(VocalFileResult::ReadFailed, in.readError());
        if (got == 0)
            break;
        centreCancelPass(block.data(), std::size_t(got) * 2, v);
        if (!out.writeFrames(block.data(), got, error))
            return VocalFileResult::WriteFailed;
    }
    if (!out.commit(error))
        return VocalFileResult::WriteFailed;
    return VocalFileResult::Ok;
}

} // namespace melodune
