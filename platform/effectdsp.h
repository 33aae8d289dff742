#pragma once
// The sample arithmetic of the effect control, apart from any thread or file:
// the band boosts, the key shift and the 16-bit output.
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace rt {

// Centres of the nine bands, low to high, Hz.
inline constexpr std::array<double, 9> EffectBandHz = {32, 64, 125, 250, 500, 1000, 2000, 4000, 8000};

// Gain of a band boost in percent: 0 flat, 100 twice the amplitude (+6 dB),
// -50 half; cuts stop at -40 dB.
double boostGainDb(int percent);

// Lifts the bands of `samples` (interleaved, `channels` channels) by
// `percent` each: peaking filters one octave wide. Bands at 0 cost nothing;
// bands too close to half the rate are left out.
void applyBandBoosts(std::vector<float>& samples, int channels, int rate, const std::array<std::int16_t, 9>& percent);

// `in` shifted in key by `semitones` into `out`, at the same length to the
// frame (Rubber Band, offline, R2 engine, time ratio 1), `block` frames at a
// time. False when cancelled or refused (`error` says why).
bool shiftKey(const std::vector<float>& in, std::vector<float>* out, int channels, int rate, double semitones,
              int block, const std::atomic<bool>* cancelled = nullptr, QString* error = nullptr);

// Full scale ±1.0 to 16-bit after a gain: beyond the range is clipped,
// never wrapped.
void toPcm16(const float* in, std::size_t count, double gain, std::int16_t* out);

} // namespace rt
