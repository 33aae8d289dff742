#include "platform/effectdsp.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace rt {

double boostGainDb(int percent)
{
    const double factor = 1.0 + percent / 100.0;
    return factor <= 0.01 ? -40.0 : 20.0 * std::log10(factor);
}

namespace {

// RBJ peaking equaliser.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    static Biquad peaking(double rate, double hz, double gainDb, double q)
    {
        const double a = std::pow(10.0, gainDb / 40.0);
        const double w = 2.0 * M_PI * hz / rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        const double a0 = 1.0 + alpha / a;
        Biquad f;
        f.b0 = (1.0 + alpha * a) / a0;
        f.b1 = -2.0 * c / a0;
        f.b2 = (1.0 - alpha * a) / a0;
        f.a1 = -2.0 * c / a0;
        f.a2 = (1.0 - alpha / a) / a0;
        return f;
    }
};

bool isCancelled(const std::atomic<bool>* cancelled) { return cancelled && cancelled->load(std::memory_order_relaxed); }

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// The source with the band boosts applied as it is read.
class BoostedSource : public FrameSource {
public:
    BoostedSource(FrameSource& in, const std::array<std::int16_t, 9>& percent)
        : in_(in), boost_(in.channels(), in.rate(), percent)
    {
        channels_ = in.channels();
        rate_ = in.rate();
        frames_ = in.frames();
    }
    bool read(float* out, std::size_t count, std::size_t* got, QString* error) override
    {
        if (!in_.read(out, count, got, error))
            return false;
        boost_.process(out, *got);
        return true;
    }
    bool rewind(QString* error) override
    {
        boost_.reset();
        return in_.rewind(error);
    }

private:
    FrameSource& in_;
    BandBoost boost_;
};

// Level and 16-bit conversion on the way to the sink.
class PcmOut {
public:
    PcmOut(const PcmSink& sink, int channels, double level) : sink_(sink), channels_(channels), level_(level) {}
    bool put(const float* interleaved, std::size_t frames)
    {
        pcm_.resize(frames * static_cast<std::size_t>(channels_));
        toPcm16(interleaved, pcm_.size(), level_, pcm_.data());
        return sink_(pcm_.data(), frames);
    }

private:
    const PcmSink& sink_;
    int channels_;
    double level_;
    std::vector<std::int16_t> pcm_;
};

// No key shift: one pass, block by block.
bool copyThrough(FrameSource& in, PcmOut& out, const std::atomic<bool>* cancelled, QString* error)
{
    constexpr std::size_t Block = 16384;
    std::vector<float> buffer(Block * static_cast<std::size_t>(in.channels()));
    for (;;) {
        if (isCancelled(cancelled)) {
            setError(error, {});
            return false;
        }
        std::size_t got = 0;
        if (!in.read(buffer.data(), Block, &got, error))
            return false;
        if (got == 0)
            return true;
        if (!out.put(buffer.data(), got))
            return false;
        if (got < Block)
            return true;
    }
}

bool shiftThrough(FrameSource& in, double semitones, int block, PcmOut& out, const std::atomic<bool>* cancelled,
                  QString* error)
{
    using RubberBand::RubberBandStretcher;
    if (in.frames() == 0)
        return true;
    const int channels = in.channels();
    const std::size_t blockFrames = static_cast<std::size_t>(block);
    auto cancel = [&] {
        setError(error, {});
        return false;
    };
    // No threads of its own: the library ends the process when it cannot
    // start one (memory or a process limit), and the same samples come out
    // without them.
    RubberBandStretcher rb(static_cast<size_t>(in.rate()), static_cast<size_t>(channels),
                           RubberBandStretcher::OptionProcessOffline | RubberBandStretcher::OptionEngineFaster |
                               RubberBandStretcher::OptionThreadingNever,
                           1.0, std::pow(2.0, semitones / 12.0));
    rb.setExpectedInputDuration(in.frames());
    rb.setMaxProcessSize(blockFrames);

    std::vector<float> interleaved(blockFrames * channels);
    std::vector<std::vector<float>> planes(channels, std::vector<float>(blockFrames));
    std::vector<float*> planePtr(channels);
    for (int c = 0; c < channels; ++c)
        planePtr[c] = planes[c].data();
    // The next block of the `total` frames into the planes; `last` when
    // the sound ends with it.
    auto load = [&](std::size_t at, std::size_t total, std::size_t* n, bool* last) {
        const std::size_t want = std::min(blockFrames, total - at);
        if (!in.read(interleaved.data(), want, n, error))
            return false;
        const float* p = interleaved.data();
        for (std::size_t i = 0; i < *n; ++i)
            for (int c = 0; c < channels; ++c)
                planes[c][i] = *p++;
        // A sound that ends early ends there.
        *last = *n < want || at + *n >= total;
        return true;
    };

    // Study pass: the length read is the output's length.
    std::size_t total = 0;
    for (bool last = false; !last;) {
        if (isCancelled(cancelled))
            return cancel();
        std::size_t n = 0;
        if (!load(total, in.frames(), &n, &last))
            return false;
        rb.study(planePtr.data(), n, last);
        total += n;
    }
    if (total == 0)
        return true;
    if (!in.rewind(error))
        return false;

    // Processing pass: what comes out goes on at once, cut to the length.
    std::size_t written = 0;
    std::vector<std::vector<float>> got(channels);
    std::vector<float*> gotPtr(channels);
    std::vector<float> outFrames;
    auto drain = [&]() {
        for (;;) {
            const int avail = rb.available();
            if (avail <= 0)
                return true;
            for (int c = 0; c < channels; ++c) {
                got[c].resize(static_cast<size_t>(avail));
                gotPtr[c] = got[c].data();
            }
            const size_t n = rb.retrieve(gotPtr.data(), static_cast<size_t>(avail));
            const size_t keep = std::min(n, total - written);
            outFrames.resize(keep * channels);
            float* p = outFrames.data();
            for (size_t i = 0; i < keep; ++i)
                for (int c = 0; c < channels; ++c)
                    *p++ = got[c][i];
            if (keep > 0 && !out.put(outFrames.data(), keep))
                return false;
            written += keep;
        }
    };
    for (std::size_t at = 0; at < total;) {
        if (isCancelled(cancelled))
            return cancel();
        std::size_t n = 0;
        bool last = false;
        // Shorter the second time (the file changed): it ends there.
        if (!load(at, total, &n, &last))
            return false;
        rb.process(planePtr.data(), n, last);
        if (!drain())
            return false;
        at += n;
        if (last)
            break;
    }
    // The end is when the stretcher says -1.
    for (;;) {
        if (isCancelled(cancelled))
            return cancel();
        const int avail = rb.available();
        if (avail < 0)
            break;
        if (avail == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        else if (!drain())
            return false;
    }
    // Exact length: a short tail stays silent.
    const std::vector<float> silence(blockFrames * channels, 0.0f);
    while (written < total) {
        const std::size_t n = std::min(blockFrames, total - written);
        if (!out.put(silence.data(), n))
            return false;
        written += n;
    }
    return true;
}

} // namespace

BandBoost::BandBoost(int channels, int rate, const std::array<std::int16_t, 9>& percent) : channels_(channels)
{
    if (channels < 1 || rate <= 0)
        return;
    // Q of a one-octave band.
    constexpr double Q = 1.4142;
    for (size_t b = 0; b < percent.size(); ++b) {
        if (percent[b] == 0 || EffectBandHz[b] >= rate * 0.45)
            continue;
        const Biquad f = Biquad::peaking(rate, EffectBandHz[b], boostGainDb(percent[b]), Q);
        bands_.push_back({f.b0, f.b1, f.b2, f.a1, f.a2, std::vector<std::array<double, 4>>(channels)});
    }
}

void BandBoost::reset()
{
    for (Band& f : bands_)
        for (auto& s : f.state)
            s = {};
}

void BandBoost::process(float* samples, std::size_t frames)
{
    // Band after band over the block, each in double and stored as float:
    // what one pass of each band over the whole stream gives.
    for (Band& f : bands_) {
        for (int ch = 0; ch < channels_; ++ch) {
            // Direct form I in double: stable at 32 Hz and 48 kHz.
            auto& [x1, x2, y1, y2] = f.state[ch];
            float* p = samples + ch;
            for (size_t i = 0; i < frames; ++i, p += channels_) {
                const double x = *p;
                const double y = f.b0 * x + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
                x2 = x1;
                x1 = x;
                y2 = y1;
                y1 = y;
                *p = static_cast<float>(y);
            }
        }
    }
}

bool renderEffect(FrameSource& source, const EffectSettings& settings, const PcmSink& sink,
                  const std::atomic<bool>* cancelled, QString* error)
{
    const int channels = source.channels();
    if (channels < 1 || source.rate() <= 0 || settings.block <= 0) {
        setError(error, QStringLiteral("bad effect parameters"));
        return false;
    }
    std::optional<BoostedSource> boosted;
    if (settings.bands)
        boosted.emplace(source, *settings.bands);
    FrameSource& in = boosted ? static_cast<FrameSource&>(*boosted) : source;
    PcmOut out(sink, channels, settings.level);
    if (settings.semitones)
        return shiftThrough(in, *settings.semitones, settings.block, out, cancelled, error);
    return copyThrough(in, out, cancelled, error);
}
void toPcm16(const float* in, std::size_t count, double gain, std::int16_t* out)
{
    const double scale = 32768.0 * gain;
    for (std::size_t i = 0; i < count; ++i) {
        const double v = std::nearbyint(in[i] * scale);
        out[i] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
}

} // namespace rt
