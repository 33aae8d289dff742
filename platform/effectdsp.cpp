#include "platform/effectdsp.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cmath>

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

} // namespace

void applyBandBoosts(std::vector<float>& samples, int channels, int rate, const std::array<std::int16_t, 9>& percent)
{
    if (channels < 1 || rate <= 0)
        return;
    // Q of a one-octave band.
    constexpr double Q = 1.4142;
    for (size_t b = 0; b < percent.size(); ++b) {
        if (percent[b] == 0 || EffectBandHz[b] >= rate * 0.45)
            continue;
        const Biquad f = Biquad::peaking(rate, EffectBandHz[b], boostGainDb(percent[b]), Q);
        const size_t frames = samples.size() / static_cast<size_t>(channels);
        for (int ch = 0; ch < channels; ++ch) {
            // Direct form I in double: stable at 32 Hz and 48 kHz.
            double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
            float* p = samples.data() + ch;
            for (size_t i = 0; i < frames; ++i, p += channels) {
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

bool shiftKey(const std::vector<float>& samples, std::vector<float>* result, int channels, int rate,
              double semitones, int block, const std::atomic<bool>* cancelled, QString* error)
{
    using RubberBand::RubberBandStretcher;
    if (channels < 1 || rate <= 0 || block <= 0) {
        if (error)
            *error = QStringLiteral("bad key shift parameters");
        return false;
    }
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    // Exact length: a short tail stays silent.
    std::vector<float>& out = *result;
    out.assign(samples.size(), 0.0f);
    if (frames == 0)
        return true;
    RubberBandStretcher rb(static_cast<size_t>(rate), static_cast<size_t>(channels),
                           RubberBandStretcher::OptionProcessOffline | RubberBandStretcher::OptionEngineFaster, 1.0,
                           std::pow(2.0, semitones / 12.0));
    rb.setExpectedInputDuration(frames);
    rb.setMaxProcessSize(static_cast<size_t>(block));

    std::vector<std::vector<float>> in(channels, std::vector<float>(block));
    std::vector<float*> inPtr(channels);
    for (int c = 0; c < channels; ++c)
        inPtr[c] = in[c].data();
    auto load = [&](size_t at, size_t n) {
        const float* p = samples.data() + at * channels;
        for (size_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                in[c][i] = *p++;
    };
    for (size_t at = 0; at < frames; at += block) {
        if (cancelled && *cancelled)
            return false;
        const size_t n = std::min<size_t>(block, frames - at);
        load(at, n);
        rb.study(inPtr.data(), n, at + n >= frames);
    }

    size_t written = 0;
    std::vector<std::vector<float>> got(channels);
    std::vector<float*> gotPtr(channels);
    auto drain = [&]() {
        for (;;) {
            const int avail = rb.available();
            if (avail <= 0)
                return;
            for (int c = 0; c < channels; ++c) {
                got[c].resize(static_cast<size_t>(avail));
                gotPtr[c] = got[c].data();
            }
            const size_t n = rb.retrieve(gotPtr.data(), static_cast<size_t>(avail));
            const size_t keep = std::min(n, frames - written);
            float* p = out.data() + written * channels;
            for (size_t i = 0; i < keep; ++i)
                for (int c = 0; c < channels; ++c)
                    *p++ = got[c][i];
            written += keep;
        }
    };
    for (size_t at = 0; at < frames; at += block) {
        if (cancelled && *cancelled)
            return false;
        const size_t n = std::min<size_t>(block, frames - at);
        load(at, n);
        rb.process(inPtr.data(), n, at + n >= frames);
        drain();
    }
    // The stretcher may still work on its own threads (one per channel):
    // the end is when it says -1.
    for (;;) {
        if (cancelled && *cancelled)
            return false;
        const int avail = rb.available();
        if (avail < 0)
            break;
        if (avail == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        else
            drain();
    }
    return true;
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
