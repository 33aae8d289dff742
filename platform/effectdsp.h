#pragma once
// The sample arithmetic of the effect control, apart from any thread or file:
// the band boosts, the key shift and the 16-bit output, all in blocks, so a
// track of any length takes the same memory.
#include <QString>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace rt {

// Centres of the nine bands, low to high, Hz.
inline constexpr std::array<double, 9> EffectBandHz = {32, 64, 125, 250, 500, 1000, 2000, 4000, 8000};

// Gain of a band boost in percent: 0 flat, 100 twice the amplitude (+6 dB),
// -50 half; cuts stop at -40 dB.
double boostGainDb(int percent);

// Lifts the bands of an interleaved stream by `percent` each: peaking
// filters one octave wide, their state carried from block to block, so the
// blocks give what the whole stream in one piece would. Bands at 0 cost
// nothing; bands too close to half the rate are left out.
class BandBoost {
public:
    BandBoost(int channels, int rate, const std::array<std::int16_t, 9>& percent);
    void process(float* interleaved, std::size_t frames);
    // Back to silence before the first frame.
    void reset();

private:
    struct Band {
        double b0, b1, b2, a1, a2;
        std::vector<std::array<double, 4>> state; // x1, x2, y1, y2 per channel
    };
    int channels_;
    std::vector<Band> bands_;
};

// Interleaved frames read from the start of a sound; a two-pass job reads
// it twice.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    int channels() const { return channels_; }
    int rate() const { return rate_; }
    // Frames the sound holds; the output has exactly as many.
    std::size_t frames() const { return frames_; }
    // Up to `count` frames into `out`; fewer only at the end (0 there).
    // False on a read error (`error` says why).
    virtual bool read(float* out, std::size_t count, std::size_t* got, QString* error) = 0;
    // Back to the first frame.
    virtual bool rewind(QString* error) = 0;

protected:
    int channels_ = 0;
    int rate_ = 0;
    std::size_t frames_ = 0;
};

struct EffectSettings {
    std::optional<std::array<std::int16_t, 9>> bands; // band boosts, percent
    double level = 1.0;                                 // output gain
    std::optional<double> semitones;                    // key shift
    int block = 2048;                                   // frames per shift step
};

// Takes 16-bit interleaved frames as they are made; false stops the work
// (`error` says why).
using PcmSink = std::function<bool(const std::int16_t* interleaved, std::size_t frames)>;

// The effect over `in` into `out`, block by block, at the input's length to
// the frame: the band boosts, then the key shift (Rubber Band, offline, R2
// engine, time ratio 1: a study pass and a processing pass over the input),
// then the level and 16-bit output, clipped never wrapped. `cancelled` is
// read between blocks. False when cancelled, refused or failed (`error`
// says why; empty when cancelled).
bool renderEffect(FrameSource& in, const EffectSettings& settings, const PcmSink& out,
                  const std::atomic<bool>* cancelled = nullptr, QString* error = nullptr);

// Full scale ±1.0 to 16-bit after a gain: beyond the range is clipped,
// never wrapped.
void toPcm16(const float* in, std::size_t count, double gain, std::int16_t* out);

} // namespace rt
