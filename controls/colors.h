#pragma once
// Colour arithmetic of the button faces and the system colour table they read.
// Colours are packed red + 256 * green + 65536 * blue (rt::PackedColor); a value
// with the high byte 0x80 refers to a system colour by index.
#include "platform/units.h"
#include <array>
#include <cstdint>

class QPalette;

namespace melodune {

using rt::PackedColor;

// Rounds to the nearest whole number, halves to the even neighbour. Adding
// and taking away 2^52 drops the fraction with the default rounding of
// double arithmetic, which is exactly that; every gradient step of every
// face goes through here, hence inline and without a library call.
inline int roundHalfEven(double v)
{
    constexpr double shift = 4503599627370496.0;
    if (!(v < shift && v > -shift))
        return static_cast<int>(v);
    const double r = v >= 0 ? (v + shift) - shift : (v - shift) + shift;
    return static_cast<int>(r);
}

// System colour indices, as the stored colour references use them.
enum SysColor : int {
    ColorScrollBar = 0, ColorBackground = 1, ColorActiveCaption = 2, ColorInactiveCaption = 3,
    ColorMenu = 4, ColorWindow = 5, ColorWindowFrame = 6, ColorMenuText = 7, ColorWindowText = 8,
    ColorCaptionText = 9, ColorActiveBorder = 10, ColorInactiveBorder = 11, ColorAppWorkspace = 12,
    ColorHighlight = 13, ColorHighlightText = 14, ColorBtnFace = 15, ColorBtnShadow = 16,
    ColorGrayText = 17, ColorBtnText = 18, ColorInactiveCaptionText = 19, ColorBtnHighlight = 20,
    Color3DDkShadow = 21, Color3DLight = 22, ColorInfoText = 23, ColorInfoBk = 24,
    SysColorCount = 31,
};

// The reference form of a system colour (0x80000000 | index).
constexpr PackedColor sysColorRef(int index) { return static_cast<PackedColor>(0x80000000u | unsigned(index)); }

// The system colours the faces are drawn with. The default table comes from the
// application palette; tests install a fixed one.
struct SystemColors {
    std::array<PackedColor, SysColorCount> color{};
    PackedColor operator[](int index) const { return color[static_cast<std::size_t>(index)]; }
    static SystemColors fromPalette(const QPalette& palette);
    // The classic desktop scheme (button face 212, 208, 200).
    static SystemColors classic();
};

// The table in use.
SystemColors systemColors();
PackedColor sysColor(int index);
// Installs a table (copied); nullptr goes back to the application palette.
void setSystemColors(const SystemColors* colors);

class ScopedSystemColors {
public:
    explicit ScopedSystemColors(const SystemColors& c) { setSystemColors(&c); }
    ~ScopedSystemColors() { setSystemColors(nullptr); }
    ScopedSystemColors(const ScopedSystemColors&) = delete;
    ScopedSystemColors& operator=(const ScopedSystemColors&) = delete;
};

// A plain colour as it is; a system colour reference as the current system
// colour; anything else (an unknown index or form) -1.
PackedColor translateColor(PackedColor c);

// Per channel (a + b) / 2, halves to even.
PackedColor blendColors(PackedColor a, PackedColor b);
// Per channel amount + ((255 - amount) * c) / 255, truncating, capped at 255.
PackedColor lightenColor(PackedColor c, int amount);
// Per channel c + amount, clamped to 0..255.
PackedColor offsetColor(PackedColor c, int amount);
// Step i of a gradient of `steps` steps: per channel from + i * (to - from) /
// steps in single precision, halves to even. A step count below 1 gives `from`.
inline PackedColor gradientColor(PackedColor from, PackedColor to, int i, int steps)
{
    if (steps < 1)
        return from;
    auto ch = [&](int f, int t) {
        const float v = static_cast<float>(f) + static_cast<float>(i * (t - f)) / static_cast<float>(steps);
        const int r = roundHalfEven(static_cast<double>(v));
        return r < 0 ? 0 : r > 255 ? 255 : r;
    };
    return rt::rgb(ch(rt::redOf(from), rt::redOf(to)), ch(rt::greenOf(from), rt::greenOf(to)),
                   ch(rt::blueOf(from), rt::blueOf(to)));
}

} // namespace melodune
