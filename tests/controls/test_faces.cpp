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
