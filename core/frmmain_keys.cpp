// Keys, the balance slider and the window commands of the main window.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/settings.h"
#include "core/virtualkeys.h"
#include "dialogs/frminfo.h"
#include "platform/units.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

namespace melodune {

namespace {

// True for a control the user types text into (the lyric editor, any
// editable field).
bool acceptsTypedText(const QWidget* w)
{
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return !e->isReadOnly();
    if (const auto* e = qobject_cast<const QPlainTextEdit*>(w))
        return !e->isReadOnly();
    if (const auto* e = qobject_cast<const QTextEdit*>(w))
        return !e->isReadOnly();
    if (const auto* e = qobject_cast<const QAbstractSpinBox*>(w))
        return !e->isReadOnly();
    return false;
}

// A button on the skin, as opposed to one of a dialog.
bool isSkinButton(const QWidget* w, const FrmMain& window)
{
    return qobject_cast<const XPButton*>(w) && w->window() == &window;
}

// The window sees every key before the control with the focus does, and a
// press on the pictures toggles playback.
class TransportInputFilter : public QObject {
public:
    explicit TransportInputFilter(FrmMain& w) : QObject(&w), w_(w) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            // Taken where the window system delivers it (the window), so a
            // key passed on from child to parent counts once.
            if (isOurWindow(watched)) {
                const auto* k = static_cast<QKeyEvent*>(event);
                const bool press = event->type() == QEvent::KeyPress;
                // An auto-repeated key gives release-press pairs: only the
                // final release is one.
                if (!press && k->isAutoRepeat())
                    break;
                // Keys typed into a text field are its text, never commands.
                if (acceptsTypedText(QApplication::focusWidget()))
                    break;
                if (const int code = virtualKeyCode(k->key(), k->modifiers())) {
                    if (press)
                        w_.Form_KeyDown(code);
                    else
                        w_.Form_KeyUp(code);
                    // Space is the window's play/pause: a skin button that
                    // holds the focus (reached with Tab) does not press too.
                    if (code == VkSpace && isSkinButton(QApplication::focusWidget(), w_))
                        return true;
                }
            }
            break;
        case QEvent::MouseButtonPress:
            // Filters see the events of disabled controls too: a disabled
            // picture area does not toggle playback.
            if ((watched == w_.Image2 || watched == w_.Picture2 || watched == w_.Picture5) &&
                static_cast<QWidget*>(watched)->isEnabled()) {
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    w_.mnuPlayPause_Click();
                    return true;
                }
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool isOurWindow(QObject* watched) const
    {
        if (!watched->isWindowType())
            return false;
        if (watched == w_.windowHandle())
            return true;
        // The media view is a window of its own while it shows video full screen.
        const QWidget* view = w_.MediaPlayer1 ? w_.MediaPlayer1->widget() : nullptr;
        return view && view->isWindow() && watched == view->windowHandle();
    }

    FrmMain& w_;
};

} // namespace

int FrmMain::keyStateAfterRelease(int keyState, int keyCode)
{
    switch (keyCode) {
    case VkC:
        return 3;
    case VkK:
        return keyState == 3 ? 2 : keyState;
    case VkD:
        return keyState == 2 ? 1 : keyState;
    case VkEscape:
        return keyState == 1 ? 0 : keyState;
    default:
        return keyState;
    }
}

QString FrmMain::balanceCaption(int balance)
{
    // Integer division truncates toward zero: -750 gives -1.
    return QStringLiteral("L· ") + QString::number(balance / 500) + QStringLiteral(" ·R");
}

void FrmMain::Form_KeyDown(int keyCode)
{
    switch (keyCode) {
    case VkSpace:
        // Unlike the menu's toggle, no test for an empty list.
        if (MediaPlayer1->playState() == rt::MediaControl::Playing) {
            if (MediaPlayer1->duration() != 0)
                MediaPlayer1->pause();
        } else {
            MediaPlayer1->play();
        }
        break;
    case VkAdd:
        XPButton4_Click();
        break;
    case VkSubtract:
        XPButton3_Click();
        break;
    default:
        break;
    }
}

void FrmMain::Form_KeyUp(int keyCode)
{
    int& state = settings().KeyState;
    switch (keyCode) {
    case VkEscape:
        if (state == 1) {
            state = 0;
            Timer[7]->start();
        }
        break;
    case VkC:
    case VkK:
        state = keyStateAfterRelease(state, keyCode);
        break;
    case VkD:
        if (state == 2)
            stretchWindow();
        break;
    case VkF:
        if ((MediaPlayer1->imageSourceWidth() != 0 || MediaPlayer1->imageSourceHeight() != 0) &&
            MediaPlayer1->displaySize() != rt::MediaControl::DisplayFullScreen)
            MediaPlayer1->setDisplaySize(rt::MediaControl::DisplayFullScreen);
        break;
    case VkH:
        XPButton21_Click();
        break;
    default:
        break;
    }
}

void FrmMain::stretchWindow()
{
    // The window system restores the normal geometry on its own time: let
    // that happen first, or it undoes the stretch.
    if (windowState() != Qt::WindowNoState) {
        setWindowState(Qt::WindowNoState);
        QCoreApplication::processEvents();
    }
    stretchOverScreen();
    settings().KeyState = 1;
}

void FrmMain::stretchOverScreen()
{
    // The screen the window stands on, not the desktop's first one, so that
    // Esc lays the skin out on it again.
    const QRect screenRect = screen() ? screen()->geometry() : QRect(0, 0, width(), height());
    // The skin layout fixes the window's size; Esc gives it back.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setGeometry(screenRect.left(), screenRect.top() + rt::twipsToPixels(150), screenRect.width(),
                screenRect.height());
}

void FrmMain::HScroll1_Change()
{
    MediaPlayer1->setBalance(HScroll1->value());
    Label3->setText(balanceCaption(MediaPlayer1->balance()));
    PicShape->setFocus();
}

void FrmMain::mnuFull_Click()
{
    MediaPlayer1->setDisplaySize(rt::MediaControl::DisplayFullScreen);
}

void FrmMain::XPButton24_Click()
{
    if (MediaPlayer1->imageSourceHeight() != 0 || MediaPlayer1->imageSourceWidth() != 0)
        mnuFull_Click();
}

void FrmMain::mnuFileInfo_Click()
{
    if (MediaPlayer1->fileName().isEmpty())
        return;
    FrmInfo info(*MediaPlayer1, this);
    info.exec();
}

void FrmMain::MediaPlayer1_GotFocus()
{
    FocusedControl = QStringLiteral("MediaPlayer1");
}

void FrmMain::installTransportInputFilters()
{
    qApp->installEventFilter(new TransportInputFilter(*this));
}

void FrmMain::connectSkinButtonFocus()
{
    // A click leaves the focus on the button, which would take the next
    // Space as a press of its own besides the window's play/pause. A handler
    // that opened a field to type into (the lyric editor) keeps it there.
    for (int i = 1; i < int(XPButtons.size()); ++i)
        connect(XPButtons[i], &XPButton::Click, this, [this] {
            if (!acceptsTypedText(focusWidget()))
                PicShape->setFocus();
        });
}

} // namespace melodune
