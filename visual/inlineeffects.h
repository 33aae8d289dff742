#pragma once
// The three effects drawn straight into the 288 by 216 RGB32 frame of the
// visual panel (waveform, laser, flame), the input the visualiser class takes
// for the other six, and the choice of the effect.
#include "visual/levelmeter.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>

namespace melodune {

constexpr int kEffectWidth = 288;
constexpr int kEffectHeight = 216;

// A one-pixel line from (x1, y1) towards (x2, y2), the end point left out,
// written into the scan lines of an RGB32 image; pixels off the image are
// skipped.
void effectLine(QImage& image, int x1, int y1, int x2, int y2, QRgb color);

// Effect 1: the two channels as traces about y 53 and 161.
void drawWaveform(QImage& frame, const TickBlock& block, std::int32_t meterLeft, std::int32_t meterRight);
// Effect 2: 720 rays from (143, 107), one per sample.
void drawLaser(QImage& frame, const TickBlock& block, std::int32_t meterLeft, std::int32_t meterRight);
// Effect 3: mirrored bars from the bottom edge; `random01` in [0, 1) sets the green.
void drawFlame(QImage& frame, const TickBlock& block, double random01);

// The visualiser's input: the 1024 newest samples and the 512 newest
// left-plus-right levels (-1..1), oldest first.
void fillVisualInput(const TickBlock& block, std::array<std::int16_t, 1024>& wave,
                     std::array<float, 512>& level);

// Counters of the effect choice: ticks since the last random change and
// frames of the visualiser since its last new transition.
struct EffectCounters {
    std::int32_t EffectTicks = 0;
    std::int32_t VisualFrame = 0;
    std::int32_t Column = 0;
    void reset() { EffectTicks = VisualFrame = Column = 0; }
};

// Keeps or changes the effect (random mode changes it every 101 frames,
// never to the same one) and returns the effect to draw this tick: 1..9, or
// 0 when VisualType was out of range (it becomes 1, nothing is drawn).
int chooseEffect(EffectCounters& counters, std::int32_t& visualType, std::int32_t& visualRandom,
                 const std::function<double()>& random01);

} // namespace melodune
