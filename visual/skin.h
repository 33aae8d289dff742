#pragma once
// The main window's skin: its face is a picture, and the window takes the
// outline of that picture. Pure white pixels lie outside the window; every
// other pixel belongs to it.
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <optional>

class QLabel;
class QTimer;
class QWidget;

namespace melodune {

// Size of the built-in skin in pixels.
constexpr int BuiltInSkinWidth = 688;
constexpr int BuiltInSkinHeight = 470;

// The white test follows the display depth: at 15 and 16 bits a pixel is
// white when the low 15 bits of its 16-bit word are all set (near-white
// colours round to white there); at 24, 30 and 32 bits when red, green and
// blue are all 255. Transparent parts of a picture count as white.
//
// The region is the union of one rectangle per run of non-white pixels per
// row, in the image's own coordinates. The bottom row and the rightmost
// column never belong to it, so a picture without white gives a rectangle
// one pixel narrower and lower than itself. Empty when no pixel belongs.
// No value when the depth is none of 15, 16, 24, 30, 32.
std::optional<QRegion> skinRegion(const QImage& skin, int displayDepth = 32);

// The built-in skin picture, compiled into the program.
QPixmap builtInSkin();

// Reads a picture file, recognising the format from its content (skins and
// ".pic" files may carry any extension). Null when it cannot be read.
QPixmap loadPicture(const QString& path);

// The controls the skin code acts on: the main window, its face `PicShape`
// (a direct or indirect child of the window), the one-shot `Timer7` and the
// two hidden picture holders `ImgShape`(0) (the built-in skin) and
// `ImgShape`(1) (the skin shown before the last replacement).
struct SkinControls {
    QWidget* window = nullptr;
    QLabel* picShape = nullptr;
    QTimer* timer7 = nullptr;
    QPixmap imgShape[2];
};

// Shows `picture` in `PicShape` at its natural size, top-left aligned.
void setSkinPicture(QLabel* picShape, const QPixmap& picture);

// A `Timer7` for `parent`: 1 ms, stopped; its timeout runs Timer7_Timer(c).
// `c` must outlive the timer.
QTimer* makeTimer7(QObject* parent, SkinControls& c);

// Start-up: `ImgShape`(0) keeps the built-in skin (the picture `PicShape`
// holds, or builtInSkin() when it holds none); when `skinFile` is not empty
// and dataDir/skins/skinFile exists, `PicShape` loads it (a file that does
// not load leaves the built-in skin); the window takes `PicShape`'s size and
// Timer7_Timer lays it out.
void prepareSkin(SkinControls& c, const QString& dataDir, const QString& skinFile);

// The one-shot skin layout. The window, in the normal state, covers the
// available area of the screen it stands on. A skin that fits in it sits at
// its top, centred, in a frameless window of that fixed size shaped by
// ApplyWindowShape; one wider or taller than the area gets a sizable frame,
// no shape, the maximised state (the window manager fits window and frame
// into the area) and scroll bars over the part that does not fit; it sits at
// the left edge. `Timer7` is stopped. On Wayland the compositor places the
// window.
void Timer7_Timer(SkinControls& c);

// The same layout for the screen the window stands on now, after a move to
// another screen or a change of scale: the skin keeps its place on the
// desktop (as far as the window stays on that screen), and its outline and
// size are given again in the new scale.
void followSkinScreen(SkinControls& c);

// Makes `window` translucent when the window system is Wayland, where the
// cut-away pixels of the skin are shown transparent rather than cut out.
// Takes effect only before the window is first shown.
void prepareTranslucency(QWidget* window);

// Cuts the window to the skin in `PicShape`, placed where `PicShape` lies in
// the window. An all-white skin removes the shape. At an unsupported display
// depth a message is shown and the shape is left as it was.
void ApplyWindowShape(QWidget* window, QLabel* picShape);

// "恢复默认(&D)": back to the built-in skin.
void mnuSkinsDe_Click(SkinControls& c, QString& skinFile);

// "查找替换(&R)": choose a skin picture; one from outside dataDir/skins is
// copied there when the user agrees (else the former skin comes back).
// `skinFile` becomes the chosen file's name once the skin is in the folder.
void mnuSkinsRe_Click(SkinControls& c, const QString& dataDir, QString& skinFile);

} // namespace melodune
