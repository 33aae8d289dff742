// The face painters, pixel for pixel, with the classic system colours.
#include "controls/buttonfaces.h"

#include <gtest/gtest.h>

using namespace melodune;
using rt::rgb;

namespace {

struct Faces : ::testing::Test {
    SystemColors colors = SystemColors::classic();
    ScopedSystemColors scope{colors};
    static constexpr int W = 60, H = 24;
    PixelSurface s{W, H};
    PackedColor bg = 0;

    FaceInputs inputs(int state, bool focus = false) const
    {
        FaceInputs in;
        in.state = state;
        in.hasFocus = focus;
        return in;
    }
    FaceInputs customInputs(int state, PackedColor back, PackedColor high = rgb(0, 0, 255)) const
    {
        FaceInputs in = inputs(state);
        in.useCustomColors = true;
        in.backColor = back;
        in.highlightColor = high;
        return in;
    }
};

} // namespace

TEST_F(Faces, Style8NormalWithSystemFace)
{
    paintStyle8(s, inputs(StateNormal), bg);
    EXPECT_EQ(bg, rgb(212, 208, 200));
    EXPECT_EQ(s.pixel(5, 2), rgb(227, 223, 215));          // face band, row 2
    EXPECT_EQ(s.pixel(5, H - 4), rgb(197, 193, 185));      // face band, row h - 4
    EXPECT_EQ(s.pixel(W - 4, 10), gradientColor(rgb(227, 223, 215), rgb(197, 193, 185), 8, H - 6));
    EXPECT_EQ(s.pixel(5, 1), rgb(255, 255, 255));          // top inner line
    EXPECT_EQ(s.pixel(1, 5), rgb(255, 255, 255));          // left inner line
    EXPECT_EQ(s.pixel(5, H - 3), rgb(212, 208, 200));      // bottom inner line in F
    EXPECT_EQ(s.pixel(W - 3, 5), rgb(212, 208, 200));      // right inner line in F
    const PackedColor frame = rgb(164, 160, 152);
    for (QPoint p : {QPoint(2, 0), QPoint(W - 4, 0), QPoint(0, 2), QPoint(0, H - 4), QPoint(5, H - 2),
                     QPoint(W - 2, 5), QPoint(1, 1), QPoint(1, H - 3), QPoint(W - 3, 1), QPoint(W - 3, H - 3)})
        EXPECT_EQ(s.pixel(p.x(), p.y()), frame) << p.x() << "," << p.y();
    const PackedColor shadow = rgb(185, 181, 173), corner = rgb(200, 196, 188);
    for (QPoint p : {QPoint(3, H - 1), QPoint(W - 5, H - 1), QPoint(W - 1, 3), QPoint(W - 1, H - 5),
                     QPoint(W - 4, H - 1), QPoint(W - 3, H - 2), QPoint(W - 2, H - 3), QPoint(W - 1, H - 4)})
        EXPECT_EQ(s.pixel(p.x(), p.y()), shadow) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(W - 3, H - 1), QPoint(W - 2, H - 2), QPoint(W - 1, H - 3)})
        EXPECT_EQ(s.pixel(p.x(), p.y()), corner) << p.x() << "," << p.y();
    EXPECT_EQ(s.pixel(0, 0), rgb(212, 208, 200)); // the cut corner keeps the background
    EXPECT_EQ(s.pixel(2, H - 1), rgb(212, 208, 200));
}

TEST_F(Faces, Style8FocusDarkensOnlyTheFrame)
{
    paintStyle8(s, inputs(StateNormal, true), bg);
    EXPECT_EQ(s.pixel(5, 0), rgb(116, 112, 104));
    EXPECT_EQ(s.pixel(5, H - 1), rgb(137, 133, 125)); // shadow follows the frame: R + 21
    EXPECT_EQ(s.pixel(5, 2), rgb(227, 223, 215));
    // Pressed ignores the focus.
    paintStyle8(s, inputs(StatePressed, true), bg);
    EXPECT_EQ(s.pixel(5, 0), rgb(164, 160, 152));
}

TEST_F(Faces, Style8PressedReversesAndDisabledLooksHot)
{
    paintStyle8(s, inputs(StatePressed), bg);
    const PackedColor A = rgb(227, 223, 215);
    EXPECT_EQ(bg, A);
    EXPECT_EQ(s.pixel(5, 2), rgb(212, 208, 200));          // A - 15 at the top
    EXPECT_EQ(s.pixel(5, H - 4), rgb(242, 238, 230));      // A + 15 at the bottom
    EXPECT_EQ(s.pixel(5, 1), A);                           // top inner line in F
    EXPECT_EQ(s.pixel(5, H - 3), rgb(255, 255, 255));      // bottom inner line light
    EXPECT_EQ(s.pixel(W - 3, 5), rgb(255, 255, 255));

    PixelSurface hot(W, H), disabled(W, H);
    paintStyle8(hot, inputs(StateHot), bg);
    paintStyle8(disabled, inputs(StateDisabled), bg);
    EXPECT_EQ(hot.image(), disabled.image());
    EXPECT_EQ(hot.pixel(5, 2), offsetColor(A, 15));
}

TEST_F(Faces, Style8CustomColoursClampAfterEachOffset)
{
    paintStyle8(s, customInputs(StateNormal, rgb(40, 40, 40)), bg);
    EXPECT_EQ(s.pixel(5, 0), rgb(0, 0, 0));
    EXPECT_EQ(s.pixel(5, H - 1), rgb(21, 21, 21));
    EXPECT_EQ(s.pixel(W - 1, H - 3), rgb(36, 36, 36));
    // Custom colours off: BackColor has no effect.
    PixelSurface plain(W, H);
    FaceInputs in = customInputs(StateNormal, rgb(40, 40, 40));
    in.useCustomColors = false;
    paintStyle8(plain, in, bg);
    EXPECT_EQ(plain.pixel(5, 0), rgb(164, 160, 152));
}

TEST_F(Faces, Style5NormalFrameAndBands)
{
    paintStyle5(s, inputs(StateNormal), bg);
    EXPECT_EQ(bg, rgb(212, 208, 200));
    for (QPoint p : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1)})
        EXPECT_EQ(s.pixel(p.x(), p.y()), rgb(212, 208, 200));
    const PackedColor frame = rgb(0, 60, 116);
    for (QPoint p : {QPoint(2, 0), QPoint(W - 3, 0), QPoint(0, 2), QPoint(W - 1, H - 3), QPoint(5, H - 1)})
        EXPECT_EQ(s.pixel(p.x(), p.y()), frame);
    EXPECT_EQ(s.pixel(1, 1), rgb(72, 110, 144));
    EXPECT_EQ(s.pixel(W - 2, H - 2), rgb(72, 110, 144));
    EXPECT_EQ(s.pixel(1, 0), rgb(106, 139, 162));
    EXPECT_EQ(s.pixel(W - 1, H - 2), rgb(106, 139, 162));
    EXPECT_EQ(s.pixel(2, 1), rgb(191, 199, 202));
    EXPECT_EQ(s.pixel(W - 2, H - 3), rgb(191, 199, 202));
    EXPECT_EQ(s.pixel(5, 1), rgb(252, 252, 251));          // A1 first row
    EXPECT_EQ(s.pixel(5, 3), rgb(246, 246, 246));          // A1 middle, 245.5 rounds to 246
    EXPECT_EQ(s.pixel(5, 4), rgb(250, 250, 249));          // A2 covers A1 from row 4
    EXPECT_EQ(s.pixel(5, H - 1 - 1), gradientColor(rgb(235, 235, 230), rgb(214, 208, 197), 2, 3));
    EXPECT_EQ(s.pixel(W - 3, 3), rgb(251, 251, 250));      // A4
    EXPECT_EQ(s.pixel(W - 2, H - 4), gradientColor(rgb(245, 244, 242), rgb(219, 215, 205), H - 7, H - 5)); // A5
    EXPECT_EQ(s.pixel(W - 2, H - 3), rgb(191, 199, 202)); // A12 covers it
}

TEST_F(Faces, Style5GlowsAndPressed)
{
    paintStyle5(s, inputs(StateHot, true), bg); // hot wins over the focus
    EXPECT_EQ(s.pixel(5, 1), rgb(255, 240, 207));
    EXPECT_EQ(s.pixel(5, 2), rgb(253, 216, 137));
    EXPECT_EQ(s.pixel(5, H - 3), rgb(248, 179, 48));
    EXPECT_EQ(s.pixel(5, H - 2), rgb(229, 151, 16));
    EXPECT_EQ(s.pixel(1, 2), rgb(253, 216, 137));
    EXPECT_EQ(s.pixel(W - 2, H - 3), rgb(248, 179, 48));
    EXPECT_EQ(s.pixel(1, 1), rgb(72, 110, 144));

    paintStyle5(s, inputs(StateNormal, true), bg);
    EXPECT_EQ(s.pixel(5, H - 2), rgb(105, 130, 238));
    EXPECT_EQ(s.pixel(5, 1), rgb(206, 231, 255));
    EXPECT_EQ(s.pixel(2, H - 3), rgb(137, 173, 228));

    paintStyle5(s, inputs(StatePressed), bg);
    EXPECT_EQ(s.pixel(5, 1), rgb(209, 204, 193));
    EXPECT_EQ(s.pixel(1, 3), rgb(218, 216, 206));
    EXPECT_EQ(s.pixel(2, 4), rgb(218, 216, 206));
    EXPECT_EQ(s.pixel(5, H - 1), rgb(0, 60, 116));
    EXPECT_EQ(s.pixel(1, 1), rgb(72, 110, 144));

    paintStyle5(s, inputs(StateDisabled, true), bg);
    EXPECT_EQ(bg, rgb(245, 244, 234));
    EXPECT_EQ(s.pixel(0, 0), rgb(201, 199, 186));
    EXPECT_EQ(s.pixel(W - 1, H - 1), rgb(201, 199, 186));
    EXPECT_EQ(s.pixel(1, 1), rgb(216, 213, 199));
    EXPECT_EQ(s.pixel(W - 2, H - 1), rgb(216, 213, 199));
    EXPECT_EQ(s.pixel(10, 10), rgb(245, 244, 234));
}

TEST_F(Faces, Style5CustomShades)
{
    const PackedColor B = rgb(100, 150, 200);
    paintStyle5Custom(s, customInputs(StateNormal, B), bg);
    EXPECT_EQ(s.pixel(5, 0), rgb(0, 22, 72));              // B - 128
    EXPECT_EQ(s.pixel(W - 1, 0), rgb(0, 22, 72));          // C12 reaches the corner
    EXPECT_EQ(s.pixel(1, 0), rgb(79, 129, 179));           // B - 21
    EXPECT_EQ(s.pixel(5, 1), rgb(105, 155, 205));          // B + 5
    EXPECT_EQ(s.pixel(1, 2), rgb(102, 152, 202));          // C5 covers C2 on row 2
    EXPECT_EQ(s.pixel(5, H - 2), rgb(63, 113, 163));       // B - 37
    EXPECT_EQ(s.pixel(0, 0), B);

    // Focus glow only with ShowFocus, and then in the system highlight.
    FaceInputs focus = customInputs(StateNormal, B, rgb(0, 200, 0));
    focus.hasFocus = true;
    paintStyle5Custom(s, focus, bg);
    EXPECT_EQ(s.pixel(5, H - 2), rgb(63, 113, 163));
    focus.showFocus = true;
    paintStyle5Custom(s, focus, bg);
    EXPECT_EQ(s.pixel(5, H - 2), rgb(10, 36, 106));
    EXPECT_EQ(s.pixel(5, 1), offsetColor(rgb(10, 36, 106), 85));
    paintStyle5Custom(s, customInputs(StateHot, B, rgb(0, 200, 0)), bg);
    EXPECT_EQ(s.pixel(5, H - 2), rgb(0, 200, 0));

    // White clamps the positive shades; black the negative ones.
    paintStyle5Custom(s, customInputs(StateNormal, rgb(255, 255, 255)), bg);
    EXPECT_EQ(s.pixel(5, 1), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(1, 3), gradientColor(rgb(255, 255, 255), rgb(234, 234, 234), 1, H - 5));
    paintStyle5Custom(s, customInputs(StateNormal, 0), bg);
    EXPECT_EQ(s.pixel(5, 0), 0);

    paintStyle5Custom(s, customInputs(StatePressed, B), bg);
    EXPECT_EQ(s.pixel(1, 1), offsetColor(B, -96));
    EXPECT_EQ(s.pixel(W - 2, H - 3), offsetColor(B, 18));
    paintStyle5Custom(s, customInputs(StateDisabled, B), bg);
    EXPECT_EQ(s.pixel(0, 0), offsetColor(B, -64));
    EXPECT_EQ(s.pixel(1, 1), offsetColor(B, -53));
}

TEST_F(Faces, BasicStyles)
{
    paintBasicFace(0, s, inputs(StateNormal), bg);
    EXPECT_EQ(s.pixel(0, 0), rgb(212, 208, 200));          // outer light
    EXPECT_EQ(s.pixel(1, 1), rgb(255, 255, 255));          // inner highlight
    EXPECT_EQ(s.pixel(W - 1, 5), rgb(64, 64, 64));         // outer dark shadow
    EXPECT_EQ(s.pixel(W - 2, 5), rgb(128, 128, 128));
    EXPECT_EQ(s.pixel(W - 1, 0), rgb(64, 64, 64));         // far corner belongs to the right edge
    paintBasicFace(0, s, inputs(StatePressed), bg);
    EXPECT_EQ(s.pixel(0, 0), rgb(128, 128, 128));
    EXPECT_EQ(s.pixel(1, 1), rgb(64, 64, 64));

    paintBasicFace(2, s, inputs(StateNormal), bg);         // flat
    EXPECT_EQ(s.pixel(0, 0), rgb(212, 208, 200));
    EXPECT_EQ(s.pixel(W - 1, H - 1), rgb(212, 208, 200));
    paintBasicFace(2, s, inputs(StateHot), bg);
    EXPECT_EQ(s.pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(W - 1, H - 1), rgb(128, 128, 128));
    paintBasicFace(1, s, inputs(StateNormal), bg);
    EXPECT_EQ(s.pixel(0, 0), rgb(255, 255, 255));

    paintBasicFace(3, s, inputs(StatePressed), bg);
    EXPECT_EQ(s.pixel(4, 4), rgb(128, 128, 128));          // inset fill in the shadow
    EXPECT_EQ(s.pixel(3, 3), rgb(212, 208, 200));
    EXPECT_EQ(s.pixel(0, 0), rgb(128, 128, 128));
    EXPECT_EQ(s.pixel(W - 1, 5), rgb(255, 255, 255));

    paintBasicFace(4, s, inputs(StateHot), bg);
    EXPECT_EQ(s.pixel(5, 5), lightenColor(rgb(10, 36, 106), 176));
    EXPECT_EQ(s.pixel(0, 0), rgb(10, 36, 106));
    paintBasicFace(4, s, inputs(StateNormal), bg);
    EXPECT_EQ(s.pixel(W - 1, H - 1), lightenColor(rgb(212, 208, 200), 32));
}

TEST_F(Faces, TinySurfacesNeverFail)
{
    // Below the sizes the painters are made for, every face still draws
    // inside its surface only.
    for (int size : {0, 1, 2, 3, 5, 6, 7}) {
        for (int state = StateNormal; state <= StateDisabled; ++state) {
            PixelSurface tiny(size, size + 1);
            FaceInputs in = inputs(state, true);
            in.showFocus = true;
            for (int style = 0; style <= 4; ++style)
                paintBasicFace(style, tiny, in, bg);
            paintStyle5(tiny, in, bg);
            paintStyle8(tiny, in, bg);
            in.useCustomColors = true;
            paintStyle5Custom(tiny, in, bg);
            EXPECT_EQ(tiny.width(), size);
        }
    }
}

namespace {

// Classic colours with the highlight of the style 7 examples.
struct RichFaces : Faces {
    RichFaces()
    {
        colors.color[ColorHighlight] = rgb(49, 106, 197);
        setSystemColors(&colors);
    }
    static constexpr PackedColor Sentinel = rgb(255, 0, 255);
};

} // namespace

TEST_F(RichFaces, Style7RowsByStateAndFocus)
{
    const PackedColor focus1 = rgb(70, 127, 218), focus2 = rgb(70, 127, 218), focusH3 = rgb(44, 101, 192),
                      focusH2 = rgb(28, 85, 176);
    struct Case {
        int state;
        bool focus, showFocus;
        PackedColor row1, row2, rowH3, rowH2, blend;
    };
    const PackedColor plainBlend = rgb(191, 187, 179);
    const Case cases[] = {
        {StateNormal, false, false, rgb(233, 229, 221), rgb(234, 230, 222), rgb(206, 202, 194), rgb(175, 171, 163), plainBlend},
        {StateNormal, false, true, rgb(233, 229, 221), rgb(234, 230, 222), rgb(206, 202, 194), rgb(175, 171, 163), plainBlend},
        {StateNormal, true, false, focus1, focus2, focusH3, focusH2, plainBlend},
        {StateNormal, true, true, focus1, focus2, focusH3, focusH2, plainBlend},
        {StateHot, false, false, focus1, focus2, focusH3, focusH2, plainBlend},
        {StateHot, true, true, focus1, focus2, focusH3, focusH2, plainBlend},
        {StateDisabled, true, true, rgb(233, 229, 221), rgb(244, 240, 232), rgb(216, 212, 204), rgb(175, 171, 163),
         rgb(217, 213, 205)},
        {StateDisabled, false, false, rgb(233, 229, 221), rgb(244, 240, 232), rgb(216, 212, 204), rgb(175, 171, 163),
         rgb(217, 213, 205)},
        {StatePressed, true, true, rgb(191, 187, 179), rgb(189, 185, 177), rgb(202, 198, 190), rgb(220, 216, 208), plainBlend},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " focus " << c.focus << " showFocus " << c.showFocus);
        s.fill(Sentinel);
        bg = Sentinel;
        FaceInputs in = inputs(c.state, c.focus);
        in.showFocus = c.showFocus;
        paintStyle7(s, in, bg);
        EXPECT_EQ(s.pixel(30, 1), c.row1);
        EXPECT_EQ(s.pixel(30, 2), c.row2);
        EXPECT_EQ(s.pixel(30, H - 3), c.rowH3);
        EXPECT_EQ(s.pixel(30, H - 2), c.rowH2);
        for (QPoint p : {QPoint(1, 0), QPoint(W - 2, 0), QPoint(0, 1), QPoint(0, H - 2), QPoint(1, H - 1),
                         QPoint(W - 2, H - 1), QPoint(W - 1, 1), QPoint(W - 1, H - 2)})
            EXPECT_EQ(s.pixel(p.x(), p.y()), c.blend) << p.x() << "," << p.y();
    }
}

TEST_F(RichFaces, Style7FrameBevelsAndPressedKeepsTheBackground)
{
    paintStyle7(s, inputs(StateNormal), bg);
    EXPECT_EQ(bg, rgb(220, 216, 208));
    EXPECT_EQ(s.pixel(0, 0), rgb(220, 216, 208));
    for (QPoint p : {QPoint(2, 0), QPoint(0, 2), QPoint(30, H - 1), QPoint(W - 1, 0), QPoint(W - 1, H - 1),
                     QPoint(1, 1), QPoint(W - 2, H - 2)})
        EXPECT_EQ(s.pixel(p.x(), p.y()), rgb(124, 120, 112)) << p.x() << "," << p.y();
    EXPECT_EQ(s.pixel(1, 2), rgb(241, 237, 229));          // left bevel B + 21
    EXPECT_EQ(s.pixel(1, H - 3), rgb(199, 195, 187));      // to B - 21
    EXPECT_EQ(s.pixel(W - 2, 2), rgb(215, 211, 203));      // right bevel B - 5
    EXPECT_EQ(s.pixel(W - 2, H - 3), rgb(188, 184, 176));  // to B - 32
    paintStyle7(s, inputs(StateHot), bg);
    EXPECT_EQ(s.pixel(30, 3), gradientColor(rgb(252, 248, 240), rgb(220, 216, 208), 2, H - 3)); // face +-16

    // Pressed: the frame in B - 96, reversed bevels, and every pixel painted
    // but the two left cut corners, which keep whatever was there.
    s.fill(Sentinel);
    bg = Sentinel;
    paintStyle7(s, inputs(StatePressed), bg);
    EXPECT_EQ(bg, Sentinel);
    EXPECT_EQ(s.pixel(30, 0), rgb(107, 103, 95));
    EXPECT_EQ(s.pixel(W - 1, 0), rgb(107, 103, 95));
    EXPECT_EQ(s.pixel(1, 2), rgb(171, 167, 159));          // left bevel B - 32
    EXPECT_EQ(s.pixel(W - 2, 2), rgb(182, 178, 170));      // right bevel B - 21
    EXPECT_EQ(s.pixel(30, H - 1), rgb(107, 103, 95));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool corner = x == 0 && (y == 0 || y == H - 1);
            EXPECT_EQ(s.pixel(x, y) == Sentinel, corner) << x << "," << y;
        }
}

TEST_F(RichFaces, Style7CustomColours)
{
    FaceInputs in = customInputs(StateNormal, rgb(100, 100, 100), rgb(0, 200, 0));
    in.hasFocus = true;
    paintStyle7(s, in, bg);
    EXPECT_EQ(bg, rgb(108, 108, 108));
    EXPECT_EQ(s.pixel(30, 1), rgb(21, 221, 21));
    EXPECT_EQ(s.pixel(30, H - 2), rgb(0, 179, 0));
    EXPECT_EQ(s.pixel(30, 0), rgb(12, 12, 12));
}

TEST(Style9Half, HalvesToEvenEachByItself)
{
    const int ks[] = {0, 1, 2, 3, 4, 5, 7};
    const struct {
        int h;
        int half[7];
    } rows[] = {
        {20, {10, 9, 8, 7, 6, 5, 3}},
        {23, {12, 10, 10, 8, 8, 6, 4}},
        {24, {12, 11, 10, 9, 8, 7, 5}},
    };
    for (const auto& r : rows)
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(style9Half(r.h, ks[i]), r.half[i]) << "h " << r.h << " k " << ks[i];
}

TEST_F(RichFaces, Style9SplitColumnsAtThreeHeights)
{
    struct Case {
        int h;
        int half0, half1, half2, half3, half4, half5, half7;
    };
    const Case cases[] = {{20, 10, 9, 8, 7, 6, 5, 3}, {23, 12, 10, 10, 8, 8, 6, 4}, {24, 12, 11, 10, 9, 8, 7, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "h " << c.h);
        PixelSurface f(W, c.h);
        paintStyle9(f, inputs(StateNormal), bg);
        const PackedColor B = rgb(197, 193, 185);
        EXPECT_EQ(bg, B);
        auto b = [B](int k) { return offsetColor(B, k); };
        struct Px {
            int x, y;
            PackedColor colour;
        };
        const Px px[] = {
            {2, 4, B}, {2, 4 + c.half7, b(-37)}, {2, c.half2, b(-37)}, {2, c.half2 + c.half5, b(-32)},
            {3, 3, B}, {3, 3 + c.half7, b(-53)}, {3, c.half3, b(-53)},
            // The lowest row of column 3 is the first of the h - 7 run at 23.
            {3, c.half3 + c.half3, c.h == 23 ? b(-37) : b(-32)},
            {4, 2, B}, {4, 2 + c.half7, b(-37)}, {4, c.half4, b(-37)}, {4, c.half4 + c.half1, b(-32)},
            // Column 5's lowest row always falls on the h - 7 run.
            {5, 2, b(37)}, {5, c.half4, b(5)}, {5, c.half4 + c.half3, b(-32)},
            {W - 1, 0, b(128)}, {W - 1, c.half0, b(-64)}, {W - 1, c.half0 + c.half4, b(-8)},
            {W - 4, 4, B}, {W - 4, 4 + c.half5, b(-37)}, {W - 4, c.half0, b(-37)}, {W - 4, c.half0 + c.half5, b(-21)},
            {W - 5, c.half0, b(-48)}, {W - 5, c.half0 + c.half5, b(-37)},
            {W - 6, c.half0, b(-37)}, {W - 6, c.half0 + c.half4, b(-53)},
            // Column w - 7 ends on the bottom-right run except at 23.
            {W - 7, c.half0, b(-5)}, {W - 7, c.half0 + c.half4, c.h == 23 ? b(-37) : b(-53)},
            // Sheen, dot, rims and corners.
            {W - 5, 3, B},
            {W - 11, 2, b(32)}, {6, 3, b(128)}, {30, 0, b(48)}, {1, 1, b(48)}, {30, 1, B},
            {30, c.h - 1, b(-16)}, {30, c.h - 2, b(-128)}, {30, c.h - 3, B},
            {1, c.h - 3, b(-112)}, {W - 3, c.h - 3, b(-112)}, {W - 4, c.h - 1, b(-21)}, {W - 2, c.h - 3, b(-21)},
            {0, 0, b(128)}, {0, c.h - 4, b(-128)}, {W - 2, c.h - 4, b(-128)},
            // Columns 1 and w - 3 have no band.
            {1, 8, B}, {W - 3, 8, B},
        };
        for (const Px& p : px)
            EXPECT_EQ(f.pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
        if (c.h == 23) {
            // The gaps the split columns leave around half height (those of
            // columns 5, w - 6 and w - 7 show the face band beneath).
            for (QPoint gap : {QPoint(2, 9), QPoint(4, 7), QPoint(W - 4, 11)})
                EXPECT_EQ(f.pixel(gap.x(), gap.y()), B) << gap.x() << "," << gap.y();
        }
    }
}

TEST_F(RichFaces, Style9BaseByStateAndClamping)
{
    PixelSurface f(W, 23);
    // Highlight off with custom colours off: Hot and Pressed take the face.
    struct Case {
        int state;
        PackedColor base;
    };
    const Case cases[] = {{StateNormal, rgb(197, 193, 185)}, {StateHot, rgb(213, 209, 201)},
                          {StatePressed, rgb(236, 232, 224)}, {StateDisabled, rgb(227, 223, 215)}};
    for (const Case& c : cases) {
        FaceInputs in = inputs(c.state, true);
        in.highlightColor = rgb(0, 0, 255);
        paintStyle9(f, in, bg);
        EXPECT_EQ(bg, c.base) << c.state;
        EXPECT_EQ(f.pixel(2, 9), c.base) << c.state;
    }
    // The focus changes nothing.
    PixelSurface focused(W, 23);
    paintStyle9(focused, inputs(StateNormal, true), bg);
    paintStyle9(f, inputs(StateNormal, false), bg);
    EXPECT_EQ(focused.image(), f.image());
    // Custom colours: Hot and Pressed from the highlight colour.
    paintStyle9(f, customInputs(StatePressed, rgb(50, 50, 50), rgb(0, 100, 200)), bg);
    EXPECT_EQ(bg, rgb(24, 124, 224));
    // Offsets clamp: B (200, 200, 200) gives the left edge from white to (72, 72, 72).
    paintStyle9(f, customInputs(StateNormal, rgb(215, 215, 215)), bg);
    EXPECT_EQ(f.pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(f.pixel(0, 23 - 4), rgb(72, 72, 72));
}

TEST_F(RichFaces, RichStylesAtAnySize)
{
    // Below the sizes the bands are made for (no steps or negative steps)
    // every face still draws inside its surface only.
    for (QSize size : {QSize(1, 1), QSize(5, 5), QSize(12, 12), QSize(13, 13), QSize(15, 40), QSize(34, 22),
                       QSize(2, 7), QSize(40, 3)}) {
        for (int state = StateNormal; state <= StateDisabled; ++state) {
            PixelSurface tiny(size.width(), size.height());
            FaceInputs in = inputs(state, true);
            paintStyle7(tiny, in, bg);
            paintStyle9(tiny, in, bg);
            paintRoundStyle(tiny, in);
            in.useCustomColors = true;
            paintStyle7(tiny, in, bg);
            paintStyle9(tiny, in, bg);
            EXPECT_EQ(tiny.image().size(), size);
        }
    }
}
