#pragma once
// The face painters of the button styles, as plain functions over a pixel
// surface so that every pixel can be checked without a window.
#include "controls/pixelsurface.h"

namespace melodune {

// Drawn states of a button.
enum ButtonState : int { StateNormal = 1, StateHot = 2, StatePressed = 3, StateDisabled = 4 };

// What a face painter reads. Colours are already translated to RGB.
struct FaceInputs {
    int state = StateNormal;
    bool hasFocus = false;
    bool showFocus = false;
    bool useCustomColors = false;
    PackedColor backColor = 0;
    PackedColor highlightColor = 0;
};

// Edge kinds and sides of the classic 3-D edge.
enum EdgeBits : int {
    BdrRaisedOuter = 1, BdrSunkenOuter = 2, BdrRaisedInner = 4, BdrSunkenInner = 8,
    EdgeRaised = 5, EdgeSunken = 10,
    BfLeft = 1, BfTop = 2, BfRight = 4, BfBottom = 8, BfRect = 15,
};

// The classic 3-D edge on (x, y, x + w, y + h) in the system colours: each
// border is one pixel, the outer one outermost; top and left lines stop one
// pixel short of the far corner, which belongs to the right and bottom lines.
void drawEdge(PixelSurface& s, int x, int y, int w, int h, int edge, int flags);

// Styles 0 to 4. `background` is the control's background colour: a style
// that sets it fills the whole surface with it first.
void paintBasicFace(int style, PixelSurface& s, const FaceInputs& in, PackedColor& background);

// Style 5 with its fixed colours, and in shades of the back colour.
void paintStyle5(PixelSurface& s, const FaceInputs& in, PackedColor& background);
void paintStyle5Custom(PixelSurface& s, const FaceInputs& in, PackedColor& background);

// Style 8, the main window's buttons.
void paintStyle8(PixelSurface& s, const FaceInputs& in, PackedColor& background);

// Style 7: graded face with bevels and a cut-corner frame; the focus lines
// follow the focus alone, whatever ShowFocus says. Pressed leaves the
// background as it is.
void paintStyle7(PixelSurface& s, const FaceInputs& in, PackedColor& background);

// Style 9: the glossy face of narrow gradients with split side columns.
void paintStyle9(PixelSurface& s, const FaceInputs& in, PackedColor& background);
// Row h / 2 - k of style 9, halves to even, each value rounded by itself.
int style9Half(int h, int k);

// Style 10, the round pill drawn from fixed art (controls/roundart.h). It
// never touches the background: unpainted cells keep what the surface holds.
// Custom colours play no part.
void paintRoundStyle(PixelSurface& s, const FaceInputs& in);
void paintRoundNormal(PixelSurface& s);
void paintRoundHot(PixelSurface& s);
void paintRoundPressed(PixelSurface& s);

} // namespace melodune
