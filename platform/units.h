#pragma once
// Twips, screen pixels and packed colours.
#include <QColor>
#include <cmath>
#include <cstdint>

namespace rt {

constexpr int TwipsPerPixel = 15;
constexpr int twipsToPixels(int twips) { return twips / TwipsPerPixel; }
constexpr int pixelsToTwips(int pixels) { return pixels * TwipsPerPixel; }

// The screen pixels that cover `logical` pixels at device pixel ratio
// `ratio`: a part pixel counts whole, a rounding error in the ratio does not.
inline int devicePixels(int logical, double ratio) { return int(std::ceil(logical * ratio - 1e-9)); }

// A packed colour is red + 256 * green + 65536 * blue: the reverse byte order
// of Qt's QRgb.
using PackedColor = std::int32_t;
constexpr PackedColor rgb(int r, int g, int b) { return (r & 255) | ((g & 255) << 8) | ((b & 255) << 16); }
constexpr int redOf(PackedColor c) { return c & 255; }
constexpr int greenOf(PackedColor c) { return (c >> 8) & 255; }
constexpr int blueOf(PackedColor c) { return (c >> 16) & 255; }
inline QColor toQColor(PackedColor c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }
inline PackedColor fromQColor(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

} // namespace rt
