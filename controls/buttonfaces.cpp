#include "controls/buttonfaces.h"

#include "controls/roundart.h"

#include <optional>

namespace melodune {

namespace {

PackedColor custom(const FaceInputs& in, PackedColor ifCustom, PackedColor otherwise)
{
    return in.useCustomColors ? ifCustom : otherwise;
}

void setBackground(PixelSurface& s, PackedColor& background, PackedColor c)
{
    background = c;
    s.fill(c);
}

void pixels(PixelSurface& s, std::initializer_list<QPoint> pts, PackedColor c)
{
    for (const QPoint& p : pts)
        s.setPixel(p.x(), p.y(), c);
}

} // namespace

void drawEdge(PixelSurface& s, int x, int y, int w, int h, int edge, int flags)
{
    struct Border { PackedColor topLeft, bottomRight; };
    auto outer = [&]() -> std::optional<Border> {
        if (edge & BdrRaisedOuter)
            return Border{sysColor(Color3DLight), sysColor(Color3DDkShadow)};
        if (edge & BdrSunkenOuter)
            return Border{sysColor(ColorBtnShadow), sysColor(ColorBtnHighlight)};
        return std::nullopt;
    }();
    auto inner = [&]() -> std::optional<Border> {
        if (edge & BdrRaisedInner)
            return Border{sysColor(ColorBtnHighlight), sysColor(ColorBtnShadow)};
        if (edge & BdrSunkenInner)
            return Border{sysColor(Color3DDkShadow), sysColor(Color3DLight)};
        return std::nullopt;
    }();
    int l = x, t = y, r = x + w, b = y + h; // right and bottom exclusive
    for (const auto& border : {outer, inner}) {
        if (!border || r - l < 1 || b - t < 1)
            continue;
        if (flags & BfTop) s.line(l, t, r - 1, t, border->topLeft);
        if (flags & BfLeft) s.line(l, t, l, b - 1, border->topLeft);
        if (flags & BfBottom) s.line(l, b - 1, r, b - 1, border->bottomRight);
        if (flags & BfRight) s.line(r - 1, t, r - 1, b, border->bottomRight);
        if (flags & BfLeft) ++l;
        if (flags & BfTop) ++t;
        if (flags & BfRight) --r;
        if (flags & BfBottom) --b;
    }
}

void paintBasicFace(int style, PixelSurface& s, const FaceInputs& in, PackedColor& background)
{
    const int w = s.width(), h = s.height();
    const PackedColor face = sysColor(ColorBtnFace);
    const int st = in.state;
    switch (style) {
    case 0:
        setBackground(s, background, custom(in, st == StateNormal ? in.backColor : in.highlightColor, face));
        drawEdge(s, 0, 0, w, h, st == StatePressed ? EdgeSunken : EdgeRaised, BfRect);
        break;
    case 1:
    case 2: {
        const bool plain = st == StateNormal || st == StateDisabled;
        setBackground(s, background, custom(in, plain ? in.backColor : in.highlightColor, face));
        const bool flat = st == StateDisabled || (style == 2 && st == StateNormal);
        if (flat)
            s.rectOutline(0, 0, w - 1, h - 1, background);
        else
            drawEdge(s, 0, 0, w, h, st == StatePressed ? BdrSunkenOuter : BdrRaisedInner, BfRect);
        break;
    }
    case 3: {
        setBackground(s, background, custom(in, in.backColor, face));
        const PackedColor shadow = sysColor(ColorBtnShadow);
        PackedColor f;
        if (st == StateHot)
            f = custom(in, blendColors(in.highlightColor, in.backColor), blendColors(shadow, face));
        else if (st == StatePressed)
            f = custom(in, in.highlightColor, shadow);
        else
            f = custom(in, in.backColor, face);
        s.fillRect(QRect(4, 4, w - 8, h - 8), f);
        s.softFrame(0, 0, w - 1, h - 1, shadow, sysColor(ColorWindow), f);
        break;
    }
    case 4:
        if (st == StateHot || st == StatePressed) {
            const PackedColor hl = custom(in, in.highlightColor, sysColor(ColorHighlight));
            s.fillRectXY(0, 0, w - 1, h - 1, lightenColor(hl, st == StateHot ? 176 : 128));
            s.rectOutline(0, 0, w - 1, h - 1, hl);
        } else {
            s.fillRectXY(0, 0, w, h, lightenColor(custom(in, in.backColor, face), 32));
        }
        break;
    default:
        break;
    }
}

void paintStyle5(PixelSurface& s, const FaceInputs& in, PackedColor& background)
{
    const int w = s.width(), h = s.height();
    setBackground(s, background, sysColor(ColorBtnFace));
    const PackedColor frame = rt::rgb(0, 60, 116);
    auto frameAndCorners = [&] {
        s.hline(1, w - 2, 0, frame);                                  // A6
        s.vline(0, 1, h - 2, frame);                                  // A7
        s.vline(w - 1, 1, h - 2, frame);                              // A8
        s.hline(1, w - 2, h - 1, frame);                              // A9
        pixels(s, {{1, 1}, {1, h - 2}, {w - 2, 1}, {w - 2, h - 2}}, rt::rgb(72, 110, 144));
        pixels(s, {{0, 1}, {1, 0}, {1, h - 1}, {0, h - 2}, {w - 1, h - 2}, {w - 2, h - 1}, {w - 2, 0}, {w - 1, 1}},
               rt::rgb(106, 139, 162));
        pixels(s, {{1, 2}, {2, 1}, {2, h - 2}, {1, h - 3}, {w - 2, h - 3}, {w - 3, h - 2}, {w - 3, 1}, {w - 2, 2}},
               rt::rgb(191, 199, 202));
    };
    auto glow = [&](PackedColor row1, PackedColor row2, PackedColor rowH3, PackedColor rowH2, bool bottomFirst) {
        if (bottomFirst)
            s.hline(2, w - 3, h - 2, rowH2);
        s.hline(2, w - 3, 1, row1);
        s.hline(2, w - 3, 2, row2);
        s.hline(2, w - 3, h - 3, rowH3);
        if (!bottomFirst)
            s.hline(2, w - 3, h - 2, rowH2);
        s.band(1, 2, 2, h - 3, row2, rowH3);
        s.band(w - 3, w - 2, 2, h - 3, row2, rowH3);
    };

    switch (in.state) {
    case StateNormal:
    case StateHot:
        s.band(1, w - 3, 1, 5, rt::rgb(252, 252, 251), rt::rgb(240, 240, 240));           // A1
        s.band(1, w - 3, 4, h - 4, rt::rgb(250, 250, 249), rt::rgb(240, 240, 234));       // A2
        s.band(1, w - 3, h - 4, h - 1, rt::rgb(235, 235, 230), rt::rgb(214, 208, 197));   // A3
        s.band(w - 3, w - 3, 3, h - 2, rt::rgb(251, 251, 250), rt::rgb(228, 226, 218));   // A4
        s.band(w - 2, w - 2, 3, h - 2, rt::rgb(245, 244, 242), rt::rgb(219, 215, 205));   // A5
        frameAndCorners();
        if (in.state == StateHot)
            glow(rt::rgb(255, 240, 207), rt::rgb(253, 216, 137), rt::rgb(248, 179, 48), rt::rgb(229, 151, 16), false);
        else if (in.hasFocus)
            glow(rt::rgb(206, 231, 255), rt::rgb(188, 212, 246), rt::rgb(137, 173, 228), rt::rgb(105, 130, 238), true);
        break;
    case StatePressed:
        s.band(2, w - 2, 1, 5, rt::rgb(209, 204, 193), rt::rgb(228, 227, 220));           // P1
        s.band(2, w - 2, 4, h - 4, rt::rgb(228, 227, 220), rt::rgb(227, 226, 219));       // P2
        s.band(3, w - 2, h - 4, h - 1, rt::rgb(227, 226, 219), rt::rgb(242, 241, 238));   // P3
        s.band(1, 1, 3, h - 2, rt::rgb(218, 216, 206), rt::rgb(227, 226, 219));           // P4
        s.band(2, 2, 4, h - 3, rt::rgb(218, 216, 206), rt::rgb(227, 226, 219));           // P5
        frameAndCorners();
        break;
    default:
        setBackground(s, background, rt::rgb(245, 244, 234));
        s.rectOutline(0, 0, w - 1, h - 1, rt::rgb(201, 199, 186));
        pixels(s, {{0, 1}, {1, 1}, {1, 0}, {0, h - 2}, {1, h - 2}, {1, h - 1}, {w - 1, 1}, {w - 2, 1}, {w - 2, 0},
                   {w - 1, h - 2}, {w - 2, h - 2}, {w - 2, h - 1}},
               rt::rgb(216, 213, 199));
        break;
    }
}

void paintStyle5Custom(PixelSurface& s, const FaceInputs& in, PackedColor& background)
{
    const int w = s.width(), h = s.height();
    const PackedColor B = in.backColor;
    auto b = [B](int k) { return offsetColor(B, k); };
    switch (in.state) {
    case StateNormal:
    case StateHot: {
        setBackground(s, background, B);
        s.band(1, w - 3, 1, h - 2, B, b(-15));           // C1
        s.band(1, 1, 2, h - 3, b(21), b(-21));           // C2
        s.band(w - 2, w - 2, 2, h - 3, b(-5), b(-32));   // C3
        s.hline(2, w - 3, 1, b(5));                      // C4
        s.hline(1, w - 2, 2, b(2));                      // C5
        s.hline(2, w - 3, h - 4, b(-16));                // C6
        s.hline(2, w - 3, h - 3, b(-24));                // C7
        s.hline(2, w - 3, h - 2, b(-37));                // C8
        s.hline(2, w - 3, 0, b(-128));                   // C9
        s.vline(0, 2, h - 3, b(-128));                   // C10
        s.hline(2, w - 3, h - 1, b(-128));               // C11
        s.vline(w - 1, 0, h - 1, b(-128));               // C12
        pixels(s, {{1, 1}, {1, h - 2}, {w - 2, 1}, {w - 2, h - 2}}, b(-128));
        pixels(s, {{1, 0}, {w - 2, 0}, {0, 1}, {0, h - 2}, {1, h - 1}, {w - 2, h - 1}, {w - 1, 1}, {w - 1, h - 2}},
               b(-21));
        const bool hot = in.state == StateHot;
        if (hot || (in.hasFocus && in.showFocus)) {
            const PackedColor A = hot ? in.highlightColor : sysColor(ColorHighlight);
            auto a = [A](int k) { return offsetColor(A, k); };
            s.hline(2, w - 3, 1, a(85));
            s.hline(2, w - 3, 2, a(69));
            s.hline(2, w - 3, h - 3, a(16));
            s.hline(2, w - 3, h - 2, A);
            s.band(1, 2, 2, h - 3, a(69), a(16));
            s.band(w - 3, w - 2, 2, h - 3, a(69), a(16));
        }
        break;
    }
    case StatePressed:
        s.band(2, w - 2, 1, 5, b(-37), b(-21));          // Q1
        s.band(2, w - 2, 4, h - 4, b(-21), b(-5));       // Q2
        s.band(3, w - 2, h - 4, h - 1, b(-5), b(5));     // Q3
        s.band(1, 1, 3, h - 2, b(-32), b(-22));          // Q4
        s.band(2, 2, 4, h - 3, b(-24), b(-15));          // Q5
        pixels(s, {{1, 2}, {2, 1}}, b(-48));             // Q6
        s.setPixel(2, h - 2, b(-5));
        s.setPixel(1, h - 3, b(-16));
        s.setPixel(w - 2, h - 3, b(18));
        s.setPixel(w - 3, h - 2, b(8));
        s.setPixel(w - 3, 1, b(-48));
        s.setPixel(w - 2, 2, b(-37));
        s.hline(1, w - 2, 0, b(-128));                   // Q7
        s.vline(0, 1, h - 2, b(-128));                   // Q8
        s.vline(w - 1, 1, h - 2, b(-128));               // Q9
        s.hline(1, w - 2, h - 1, b(-128));               // Q10
        pixels(s, {{1, 1}, {1, h - 2}, {w - 2, 1}, {w - 2, h - 2}}, b(-96));
        break;
    default:
        setBackground(s, background, B);
        s.rectOutline(0, 0, w - 1, h - 1, b(-64));
        pixels(s, {{0, 1}, {1, 1}, {1, 0}, {0, h - 2}, {1, h - 2}, {1, h - 1}, {w - 1, 1}, {w - 2, 1}, {w - 2, 0},
                   {w - 1, h - 2}, {w - 2, h - 2}, {w - 2, h - 1}},
               b(-53));
        break;
    }
}

void paintStyle8(PixelSurface& s, const FaceInputs& in, PackedColor& background)
{
    const int w = s.width(), h = s.height();
    const PackedColor face = sysColor(ColorBtnFace);
    const PackedColor N = in.useCustomColors ? in.backColor : face;
    const PackedColor A = in.useCustomColors ? in.highlightColor : offsetColor(face, 15);
    const bool pressed = in.state == StatePressed;
    const PackedColor F = in.state == StateNormal ? N : A;
    setBackground(s, background, F);

    const PackedColor light = offsetColor(F, 96);
    s.band(2, w - 4, 2, h - 4, offsetColor(F, pressed ? -15 : 15), offsetColor(F, pressed ? 15 : -15));
    s.hline(2, w - 4, 1, pressed ? F : light);
    s.vline(1, 2, h - 4, pressed ? F : light);
    s.hline(2, w - 3, h - 3, pressed ? light : F);
    s.vline(w - 3, 2, h - 4, pressed ? light : F);

    const PackedColor R = offsetColor(N, (!pressed && in.hasFocus) ? -96 : -48);
    s.hline(2, w - 4, 0, R);
    s.vline(0, 2, h - 4, R);
    s.hline(2, w - 4, h - 2, R);
    s.vline(w - 2, 2, h - 4, R);
    pixels(s, {{1, 1}, {1, h - 3}, {w - 3, 1}, {w - 3, h - 3}}, R);

    const PackedColor S = offsetColor(R, 21);
    const PackedColor S2 = offsetColor(S, 15);
    s.hline(3, w - 5, h - 1, S);
    s.vline(w - 1, 3, h - 5, S);
    pixels(s, {{w - 4, h - 1}, {w - 3, h - 2}, {w - 2, h - 3}, {w - 1, h - 4}}, S);
    pixels(s, {{w - 3, h - 1}, {w - 2, h - 2}, {w - 1, h - 3}}, S2);
}

void paintStyle7(PixelSurface& s, const FaceInputs& in, PackedColor& background)
{
    const int w = s.width(), h = s.height();
    const PackedColor N = in.useCustomColors ? in.backColor : sysColor(ColorBtnFace);
    const PackedColor K = in.useCustomColors ? in.highlightColor : sysColor(ColorHighlight);
    const int st = in.state;
    const int baseOffset = st == StateHot ? 24 : st == StatePressed ? -9 : st == StateDisabled ? 18 : 8;
    const PackedColor B = offsetColor(N, baseOffset);
    const PackedColor D = offsetColor(B, -96);
    auto b = [B](int k) { return offsetColor(B, k); };
    auto n = [N](int k) { return offsetColor(N, k); };

    auto frame = [&](PackedColor blend) {
        s.hline(2, w - 3, 0, D);
        s.vline(0, 2, h - 3, D);
        s.hline(2, w - 3, h - 1, D);
        s.vline(w - 1, 0, h - 1, D);
        pixels(s, {{1, 1}, {1, h - 2}, {w - 2, 1}, {w - 2, h - 2}}, D);
        pixels(s, {{1, 0}, {w - 2, 0}, {0, 1}, {0, h - 2}, {1, h - 1}, {w - 2, h - 1}, {w - 1, 1}, {w - 1, h - 2}},
               blend);
    };

    if (st == StatePressed) {
        s.band(1, w - 3, 1, h - 1, b(-15), B);
        s.band(w - 2, w - 2, 2, h - 3, b(-21), b(21));
        s.band(1, 1, 2, h - 3, b(-32), b(-5));
        frame(n(-21));
        s.hline(2, w - 3, h - 2, n(8));
        s.hline(2, w - 3, 1, n(-21));
        return;
    }

    setBackground(s, background, B);
    const int faceSpan = st == StateHot ? 16 : 15;
    s.band(1, w - 3, 1, h - 2, b(faceSpan), b(-faceSpan));
    s.band(1, 1, 2, h - 3, b(21), b(-21));
    s.band(w - 2, w - 2, 2, h - 3, b(-5), b(-32));
    frame(st == StateDisabled ? n(5) : n(-21));
    if (st != StateHot) {
        s.hline(2, w - 3, 1, n(21));
        s.hline(2, w - 3, h - 2, n(-37));
    }
    if (st == StateHot || (st == StateNormal && in.hasFocus)) {
        s.hline(2, w - 3, 1, offsetColor(K, 21));
        s.hline(1, w - 2, 2, offsetColor(K, 21));
        s.hline(1, w - 2, h - 3, offsetColor(K, -5));
        s.hline(2, w - 3, h - 2, offsetColor(K, -21));
    }
}

int style9Half(int h, int k) { return roundHalfEven(h / 2.0 - k); }

void paintStyle9(PixelSurface& s, const FaceInputs& in, PackedColor& background)
{
    const int w = s.width(), h = s.height();
    const PackedColor face = sysColor(ColorBtnFace);
    const PackedColor N = in.useCustomColors ? in.backColor : face;
    const PackedColor H = in.useCustomColors ? in.highlightColor : face;
    PackedColor B;
    switch (in.state) {
    case StateHot: B = offsetColor(H, 1); break;
    case StatePressed: B = offsetColor(H, 24); break;
    case StateDisabled: B = offsetColor(N, 15); break;
    default: B = offsetColor(N, -15); break;
    }
    auto b = [B](int k) { return offsetColor(B, k); };
    auto half = [h](int k) { return style9Half(h, k); };
    // One row of columns x1..x2.
    auto run = [&s](int x1, int x2, int y, PackedColor from, PackedColor to) {
        s.gradientHorizontal(from, to, x1, y, x2, y + 1);
    };
    // Rows y1..y1 + length of one column.
    auto column = [&s](int x, int y1, int length, PackedColor from, PackedColor to) {
        s.band(x, x, y1, y1 + length, from, to);
    };

    setBackground(s, background, B);
    s.band(5, w - 6, 2, h - 4, b(32), b(-32));
    s.band(0, 0, 0, h - 4, b(128), b(-128));

    column(2, 4, half(7), B, b(-37));
    column(3, 3, half(7), B, b(-53));
    column(4, 2, half(7), B, b(-37));
    column(5, 2, half(4), b(37), b(5));
    column(2, half(2), half(5), b(-37), b(-32));
    column(3, half(3), half(3), b(-53), b(-32));
    column(4, half(4), half(1), b(-37), b(-32));
    column(5, half(4), half(3), b(5), b(-5));

    run(5, 12, h - 5, b(-53), b(-32));
    run(4, 7, h - 6, b(-56), b(-32));
    run(3, 5, h - 7, b(-37), b(-32));

    s.band(w - 2, w - 2, 0, h - 4, b(128), b(-128));
    column(w - 1, 0, half(0), b(128), b(-48));
    column(w - 1, half(0), half(4), b(-64), b(-8));

    column(w - 4, 4, half(5), B, b(-37));
    column(w - 5, 3, half(4), B, b(-48));
    column(w - 6, 2, half(3), B, b(-37));
    column(w - 7, 2, half(4), b(37), b(5));
    column(w - 4, half(0), half(5), b(-37), b(-21));
    column(w - 5, half(0), half(5), b(-48), b(-37));
    column(w - 6, half(0), half(4), b(-37), b(-53));
    column(w - 7, half(0), half(4), b(-5), b(-37));

    run(w - 15, w - 7, h - 4, b(-32), b(-53));

    s.hline(3, w - 4, 0, b(48));
    s.hline(1, w - 2, 1, b(48));
    s.hline(5, w - 6, 1, B);

    run(w - 11, w - 4, 2, b(32), B);
    run(w - 10, w - 5, 3, b(32), B);
    run(w - 9, w - 6, 4, b(32), B);

    s.setPixel(6, 3, b(128));

    s.hline(3, w - 4, h - 1, b(-16));
    s.hline(2, w - 4, h - 2, b(-128));
    s.hline(7, w - 8, h - 3, B);

    pixels(s, {{1, h - 3}, {w - 3, h - 3}}, b(-112));
    pixels(s, {{w - 4, h - 1}, {w - 3, h - 2}, {w - 2, h - 3}}, b(-21));
}

namespace {

void paintRound(PixelSurface& s, const RoundArt& art)
{
    const int w = s.width(), h = s.height();
    s.fillRectXY(18, 11, w - 34, h - 19, art.middle);
    auto corner = [&s](const auto& block, int x0, int y0) {
        for (std::size_t r = 0; r < block.size(); ++r)
            for (std::size_t k = 0; k < block[r].size(); ++k)
                if (block[r][k] != RoundNoCell)
                    s.setPixel(x0 + int(k), y0 + int(r), block[r][k]);
    };
    corner(art.topLeft, 0, 0);
    corner(art.topRight, w - RoundCornerWidth, 0);
    corner(art.bottomLeft, 0, h - RoundBottomRows);
    corner(art.bottomRight, w - RoundCornerWidth, h - RoundBottomRows);
    for (int i = 0; i < 18; ++i)
        s.line(i, 11, i, h - 10, art.left[std::size_t(i)]);
    for (int i = 0; i < 17; ++i)
        s.line(w - 17 + i, 11, w - 17 + i, h - 10, art.right[std::size_t(i)]);
    for (int i = 0; i < 12; ++i)
        s.line(17, i, w - 17, i, art.top[std::size_t(i)]);
    for (int i = 0; i < 11; ++i)
        s.line(17, h - 11 + i, w - 17, h - 11 + i, art.bottom[std::size_t(i)]);
}

} // namespace

void paintRoundNormal(PixelSurface& s) { paintRound(s, roundArt(RoundSet::Normal)); }
void paintRoundHot(PixelSurface& s) { paintRound(s, roundArt(RoundSet::Hot)); }
void paintRoundPressed(PixelSurface& s) { paintRound(s, roundArt(RoundSet::Pressed)); }

void paintRoundStyle(PixelSurface& s, const FaceInputs& in)
{
    // Focus lights a normal or disabled face like the hover does.
    switch (in.state) {
    case StateHot:
        paintRoundHot(s);
        break;
    case StatePressed:
        paintRoundPressed(s);
        break;
    default:
        if (in.hasFocus)
            paintRoundHot(s);
        else
            paintRoundNormal(s);
        break;
    }
}

} // namespace melodune
