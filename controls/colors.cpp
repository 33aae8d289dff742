#include "controls/colors.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <optional>

namespace melodune {

namespace {

std::optional<SystemColors>& installed()
{
    static std::optional<SystemColors> table;
    return table;
}

int clampChannel(int v) { return std::clamp(v, 0, 255); }

} // namespace

SystemColors SystemColors::fromPalette(const QPalette& p)
{
    auto c = [&](QPalette::ColorGroup g, QPalette::ColorRole r) { return rt::fromQColor(p.color(g, r)); };
    const auto A = QPalette::Active;
    SystemColors s;
    s.color.fill(c(A, QPalette::Window));
    s.color[ColorWindow] = c(A, QPalette::Base);
    s.color[ColorWindowText] = c(A, QPalette::Text);
    s.color[ColorMenuText] = c(A, QPalette::WindowText);
    s.color[ColorWindowFrame] = c(A, QPalette::Shadow);
    s.color[ColorHighlight] = c(A, QPalette::Highlight);
    s.color[ColorHighlightText] = c(A, QPalette::HighlightedText);
    s.color[ColorBtnFace] = c(A, QPalette::Button);
    s.color[ColorBtnShadow] = c(A, QPalette::Dark);
    s.color[ColorGrayText] = c(QPalette::Disabled, QPalette::Text);
    s.color[ColorBtnText] = c(A, QPalette::ButtonText);
    s.color[ColorBtnHighlight] = c(A, QPalette::Light);
    s.color[Color3DDkShadow] = c(A, QPalette::Shadow);
    s.color[Color3DLight] = c(A, QPalette::Midlight);
    s.color[ColorInfoText] = c(A, QPalette::ToolTipText);
    s.color[ColorInfoBk] = c(A, QPalette::ToolTipBase);
    s.color[ColorCaptionText] = c(A, QPalette::HighlightedText);
    s.color[ColorActiveCaption] = c(A, QPalette::Highlight);
    return s;
}

SystemColors SystemColors::classic()
{
    SystemColors s;
    s.color.fill(rt::rgb(212, 208, 200));
    s.color[ColorBackground] = rt::rgb(58, 110, 165);
    s.color[ColorActiveCaption] = rt::rgb(10, 36, 106);
    s.color[ColorInactiveCaption] = rt::rgb(128, 128, 128);
    s.color[ColorWindow] = rt::rgb(255, 255, 255);
    s.color[ColorWindowFrame] = rt::rgb(0, 0, 0);
    s.color[ColorMenuText] = rt::rgb(0, 0, 0);
    s.color[ColorWindowText] = rt::rgb(0, 0, 0);
    s.color[ColorCaptionText] = rt::rgb(255, 255, 255);
    s.color[ColorAppWorkspace] = rt::rgb(128, 128, 128);
    s.color[ColorHighlight] = rt::rgb(10, 36, 106);
    s.color[ColorHighlightText] = rt::rgb(255, 255, 255);
    s.color[ColorBtnFace] = rt::rgb(212, 208, 200);
    s.color[ColorBtnShadow] = rt::rgb(128, 128, 128);
    s.color[ColorGrayText] = rt::rgb(128, 128, 128);
    s.color[ColorBtnText] = rt::rgb(0, 0, 0);
    s.color[ColorInactiveCaptionText] = rt::rgb(212, 208, 200);
    s.color[ColorBtnHighlight] = rt::rgb(255, 255, 255);
    s.color[Color3DDkShadow] = rt::rgb(64, 64, 64);
    s.color[Color3DLight] = rt::rgb(212, 208, 200);
    s.color[ColorInfoText] = rt::rgb(0, 0, 0);
    s.color[ColorInfoBk] = rt::rgb(255, 255, 225);
    return s;
}

SystemColors systemColors()
{
    if (installed())
        return *installed();
    if (qApp)
        return SystemColors::fromPalette(QApplication::palette());
    return SystemColors::classic();
}

PackedColor sysColor(int index)
{
    if (index < 0 || index >= SysColorCount)
        return -1;
    return systemColors()[index];
}

void setSystemColors(const SystemColors* colors)
{
    if (colors)
        installed() = *colors;
    else
        installed().reset();
}

PackedColor translateColor(PackedColor c)
{
    const auto u = static_cast<std::uint32_t>(c);
    switch (u >> 24) {
    case 0x00:
        return c;
    case 0x80: {
        const auto index = static_cast<int>(u & 0xFFFFFFu);
        return index < SysColorCount ? sysColor(index) : -1;
    }
    default:
        return -1;
    }
}

PackedColor blendColors(PackedColor a, PackedColor b)
{
    auto mid = [](int x, int y) { return roundHalfEven((x + y) / 2.0); };
    return rt::rgb(mid(rt::redOf(a), rt::redOf(b)), mid(rt::greenOf(a), rt::greenOf(b)),
                   mid(rt::blueOf(a), rt::blueOf(b)));
}

PackedColor lightenColor(PackedColor c, int amount)
{
    auto ch = [amount](int v) { return std::min(255, amount + ((255 - amount) * v) / 255); };
    return rt::rgb(ch(rt::redOf(c)), ch(rt::greenOf(c)), ch(rt::blueOf(c)));
}

PackedColor offsetColor(PackedColor c, int amount)
{
    return rt::rgb(clampChannel(rt::redOf(c) + amount), clampChannel(rt::greenOf(c) + amount),
                   clampChannel(rt::blueOf(c) + amount));
}

} // namespace melodune
