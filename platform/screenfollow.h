#pragma once
// Windows on monitors of different scale. A window dragged to a monitor of
// another scale keeps its size in device pixels (the window manager moves
// pixels, not logical units), and the outline and size limits it gave the
// window system stay those of the old scale. These helpers give them again.
#include <QPoint>
#include <functional>

class QWidget;

namespace rt {

// Runs `changed` from the event loop after `window` (a top-level widget) has
// moved to another screen, after its device pixel ratio has changed or after
// its screen's geometry has changed; a burst of such changes runs it once.
// The window lays itself out there, so keepSizesAcrossScreens leaves it be.
void followScreen(QWidget* window, std::function<void()> changed);

// From now on every top-level window that is shown (dialogs, message boxes)
// keeps its size in logical pixels when its scale changes, and its mask and
// size limits reach the window system in the new scale. Windows that follow
// their screen themselves are left alone.
void keepSizesAcrossScreens();

// The window's size limits given to the window system again, in the
// window's present scale (unchanged limits are otherwise not sent again).
void resendSizeLimits(QWidget* window);

// The window's mask given to the window system again, in the window's
// present scale (an unchanged mask is otherwise not sent again).
void resendMask(QWidget* window);

// A global position as Qt gives it (in the coordinates of the screen it lies
// on) in the coordinates of `window`'s screen, through the device pixels
// both share: the two differ where monitors have different scales.
QPoint inScreenOf(const QWidget* window, QPoint global);

} // namespace rt
