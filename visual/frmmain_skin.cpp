// The skin commands, moving the window by its skin, labels and frames, the
// pop-up menus of the skin and the picture panels, and the hover reset of
// the effect switches.
#include "core/frmmain.h"

#include "controls/colors.h"
#include "core/settings.h"
#include "core/shared.h"
#include "platform/screenfollow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QWindow>

namespace melodune {

namespace {

const char* const kDragHandle = "melodune_dragHandle";

class SkinMouseFilter : public QObject {
public:
    explicit SkinMouseFilter(FrmMain& w) : QObject(&w), w_(w) { setObjectName(QStringLiteral("SkinMouseFilter")); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return w_.skinMouseEvent(watched, event); }

private:
    FrmMain& w_;
};

SkinMouseFilter* skinMouseFilter(FrmMain& w)
{
    auto* f = w.findChild<SkinMouseFilter*>(QStringLiteral("SkinMouseFilter"), Qt::FindDirectChildrenOnly);
    return f ? f : new SkinMouseFilter(w);
}

} // namespace

void FrmMain::mnuSkinsRe_Click()
{
    melodune::mnuSkinsRe_Click(Skin, shared().DataDir, settings().SkinFile);
}

void FrmMain::mnuSkinsDe_Click()
{
    melodune::mnuSkinsDe_Click(Skin, settings().SkinFile);
}

void FrmMain::Form_ScreenChanged()
{
    if (settings().KeyState == 1) {
        stretchOverScreen();
        // The outline stays as it was, but in the new scale.
        rt::resendMask(this);
        return;
    }
    followSkinScreen(Skin);
}

void FrmMain::makeDragHandle(QWidget* control)
{
    if (!control)
        return;
    // Marked on the control itself, so nothing outlives it.
    control->setProperty(kDragHandle, true);
    control->installEventFilter(skinMouseFilter(*this));
}

void FrmMain::resetSwitchHover()
{
    for (QCheckBox* box : {Check2, Check3})
        if (box)
            setSwitchBackColor(box, sysColorRef(ColorBtnFace));
}

void FrmMain::setSwitchBackColor(QCheckBox* box, rt::PackedColor colour)
{
    const QColor c = rt::toQColor(translateColor(colour));
    if (box->palette().color(box->backgroundRole()) == c && !box->styleSheet().isEmpty())
        return;
    // The style sheet paints the box (and sets its palette), so the colour
    // goes into the sheet, and into the palette after it, where the next
    // move finds it.
    const QString back = colour == sysColorRef(ColorBtnFace) ? QStringLiteral("transparent") : c.name();
    box->setStyleSheet(QStringLiteral("QCheckBox { background: %1; spacing: 0; padding: 1px; }"
                                      "QCheckBox::indicator { width: 0; height: 0; border: none; background: transparent; }")
                           .arg(back));
    QPalette pal = box->palette();
    pal.setColor(box->backgroundRole(), c);
    box->setPalette(pal);
}

bool FrmMain::skinMouseEvent(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseMove)
        return false;
    auto* e = static_cast<QMouseEvent*>(event);
    const QPoint global = e->globalPosition().toPoint();

    if (type == QEvent::MouseMove) {
        if (handDragging_) {
            if (e->buttons() & Qt::LeftButton) {
                // The pressed point of the skin stays under the pointer,
                // also when the window has come to a monitor of another
                // scale meanwhile.
                move(rt::inScreenOf(this, global) - handDragGrab_ - PicShape->pos());
                return true;
            }
            handDragging_ = false;
        }
        if (watched == this || watched == PicShape)
            resetSwitchHover();
        return false;
    }

    const bool press = type != QEvent::MouseButtonRelease;
    const Qt::MouseButton button = e->button();
    // Only the left button drags: the window manager takes a move over with
    // the button that is down, so a right press would lose its release (and
    // its menu) to it.
    auto drag = [&] {
        if (QWindow* w = windowHandle(); w && w->startSystemMove())
            return;
        // No window manager to move it: moved by hand while the button is held.
        handDragging_ = true;
        handDragGrab_ = rt::inScreenOf(this, global) - PicShape->mapToGlobal(QPoint(0, 0));
    };

    if (!press && button == Qt::LeftButton && handDragging_) {
        handDragging_ = false;
        return true;
    }
    const bool pictureArea = watched == Picture2 || watched == Image2;
    // A disabled picture area takes the place of the window behind it: it
    // neither toggles playback nor opens its menu, and a left press drags.
    if (pictureArea && !static_cast<QWidget*>(watched)->isEnabled()) {
        if (press && button == Qt::LeftButton)
            drag();
        return true;
    }
    if (watched == Image5) {
        if (press)
            Popmnu0->popup(global);
        return press;
    }
    if (!press && button == Qt::RightButton) {
        if (watched == Label4 || watched == Label5 || watched == PicShape) {
            Popmnu0->popup(global);
            return true;
        }
        if (pictureArea) {
            Popmnu2->popup(global);
            return true;
        }
        if (watched == Picture5) {
            Popmnu6->popup(global);
            return true;
        }
    }
    if (watched->property(kDragHandle).toBool()) {
        if (press && button == Qt::LeftButton)
            drag();
        // The frames' and labels' own right click opens nothing: it does not
        // reach the skin behind them either.
        return (press && button == Qt::LeftButton) || (!press && button == Qt::RightButton);
    }
    return false;
}

void FrmMain::connectSkinHandlers()
{
    onMenuItem(mnuSkinsRe, &FrmMain::mnuSkinsRe_Click);
    onMenuItem(mnuSkinsDe, &FrmMain::mnuSkinsDe_Click);
    onMenuItem(mnuOpenPic, &FrmMain::mnuOpenPic_Click);

    for (QWidget* control : {static_cast<QWidget*>(this), static_cast<QWidget*>(PicShape),
                             static_cast<QWidget*>(Frame1), static_cast<QWidget*>(frmInp), static_cast<QWidget*>(Label1),
                             static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label1Caption),
                             static_cast<QWidget*>(Label2Caption), static_cast<QWidget*>(Label4),
                             static_cast<QWidget*>(Label5), static_cast<QWidget*>(lblDev),
                             static_cast<QWidget*>(lblLine), static_cast<QWidget*>(lblVol),
                             static_cast<QWidget*>(lblVolPer)})
        makeDragHandle(control);
    SkinMouseFilter* filter = skinMouseFilter(*this);
    for (QWidget* control : {static_cast<QWidget*>(Image5), static_cast<QWidget*>(Image2), Picture2,
                             static_cast<QWidget*>(Picture5)})
        control->installEventFilter(filter);
    rt::followScreen(this, [this] { Form_ScreenChanged(); });
    // Moves without a button reach the skin and the window: the hover reset.
    setMouseTracking(true);
    PicShape->setMouseTracking(true);
}

} // namespace melodune
