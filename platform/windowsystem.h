#pragma once
// Which window system the program runs on. The skinned window needs to be
// placed by the program and cut to its skin, which X11 allows and Wayland
// does not (there a mask is an input region only, and the compositor places
// every window).
#include <QByteArray>
#include <functional>

class QObject;
class QWidget;

namespace rt {

// The QT_QPA_PLATFORM value to start with, given the environment's
// QT_QPA_PLATFORM and DISPLAY: with an X display named and no platform
// chosen, X11 (XWayland on a Wayland desktop) first, Wayland when the display
// cannot be reached. Empty: leave the choice to Qt.
QByteArray preferredQpaPlatform(const QByteArray& qpaPlatform, const QByteArray& display);

// True when the window system is Wayland itself (not XWayland): windows are
// drawn with their cut-away pixels transparent and placed by the compositor.
bool onWayland();

// Runs `then` once, from the event loop, after `window` (a top-level widget)
// has first been exposed and that expose handled, which paints it; at once
// (queued) when it already is. Nothing runs once `context` is gone.
void whenFirstExposed(QWidget* window, QObject* context, std::function<void()> then);

} // namespace rt
