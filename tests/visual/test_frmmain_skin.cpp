// The skinned main window's mouse handling (dragging, the pop-up menus, the
// hover reset) and its skin commands, with the media stand-in and scripted
// boxes.
#include "tests/support/mainwindow.h"

#include "controls/colors.h"
#include "platform/units.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

class SkinWindowTest : public MainWindowTest<> {
protected:
    FrmMain& window()
    {
        FrmMain& win = startWith({"/m/a.mp3", "/m/b.mp3"}, 0);
        win.Timer3_Timer();
        settle();
        return win;
    }
    static void send(QWidget* target, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
                     QPoint global)
    {
        const QPointF local = target->mapFromGlobal(global);
        QMouseEvent e(type, local, local, global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
    // Press `button` on `target`, move 30 right and 20 down, release.
    static void clickAndDrag(QWidget* target, Qt::MouseButton button)
    {
        const QPoint start = target->mapToGlobal(QPoint(2, 2));
        send(target, QEvent::MouseButtonPress, button, button, start);
        send(target, QEvent::MouseMove, Qt::NoButton, button, start + QPoint(30, 20));
        send(target, QEvent::MouseButtonRelease, button, Qt::NoButton, start + QPoint(30, 20));
    }
    QString openMenu(FrmMain& win) const
    {
        for (QMenu* m : {win.Popmnu0, win.Popmnu2, win.Popmnu6})
            if (m->isVisible())
                return m->objectName();
        return QStringLiteral("-");
    }
    static QStringList items(QMenu* m)
    {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-")
                    : a->menu()      ? a->menu()->objectName() + QLatin1Char('=') + a->text()
                                     : a->objectName() + QLatin1Char('=') + a->text());
        return out;
    }
};

// Per control and button: whether the window moves and which menu opens.
// The left button drags (by hand here: the test platform has no window
// manager to take the move over); the right button's release opens the
// menus; the menu picture opens the main menu on any press.
TEST_F(SkinWindowTest, MouseTable)
{
    FrmMain& win = window();
    struct Case {
        const char* name;
        QWidget* control;
        Qt::MouseButton button;
        bool moves;
        const char* menu;
        bool disablePictures = false;
    };
    const Case cases[] = {
        {"skin, left", win.PicShape, Qt::LeftButton, true, "-"},
        {"skin, right", win.PicShape, Qt::RightButton, false, "Popmnu0"},
        {"window, left", &win, Qt::LeftButton, true, "-"},
        {"window, right", &win, Qt::RightButton, false, "-"},
        {"playlist frame, left", win.Frame1, Qt::LeftButton, true, "-"},
        {"playlist frame, right", win.Frame1, Qt::RightButton, false, "-"},
        {"recording frame, left", win.frmInp, Qt::LeftButton, true, "-"},
        {"device label, left", win.lblDev, Qt::LeftButton, true, "-"},
        {"volume caption, left", win.lblVolPer, Qt::LeftButton, true, "-"},
        {"Label1, left", win.Label1, Qt::LeftButton, true, "-"},
        {"Label2, left", win.Label2, Qt::LeftButton, true, "-"},
        {"title, left", win.Label4, Qt::LeftButton, true, "-"},
        {"title, right", win.Label4, Qt::RightButton, false, "Popmnu0"},
        {"hint, left", win.Label5, Qt::LeftButton, true, "-"},
        {"hint, right", win.Label5, Qt::RightButton, false, "Popmnu0"},
        {"menu picture, left", win.Image5, Qt::LeftButton, false, "Popmnu0"},
        {"menu picture, right", win.Image5, Qt::RightButton, false, "Popmnu0"},
        {"song picture, right", win.Image2, Qt::RightButton, false, "Popmnu2"},
        {"picture area, right", win.Picture2, Qt::RightButton, false, "Popmnu2"},
        {"visualisation, right", win.Picture5, Qt::RightButton, false, "Popmnu6"},
        {"disabled picture area, right", win.Picture2, Qt::RightButton, false, "-", true},
        {"disabled song picture, right", win.Image2, Qt::RightButton, false, "-", true},
        {"disabled picture area, left", win.Picture2, Qt::LeftButton, true, "-", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        win.Picture2->setEnabled(!c.disablePictures);
        win.move(0, 0);
        settle();
        const QPoint before = win.pos();
        const int playState = win.MediaPlayer1->playState();
        clickAndDrag(c.control, c.button);
        settle();
        EXPECT_EQ(win.pos() != before, c.moves) << win.pos().x() << "," << win.pos().y();
        if (c.moves) {
            EXPECT_EQ(win.pos(), before + QPoint(30, 20));
        }
        EXPECT_EQ(openMenu(win), QString::fromLatin1(c.menu));
        if (c.disablePictures) {
            EXPECT_EQ(win.MediaPlayer1->playState(), playState) << "no play/pause";
        }
        for (QMenu* m : {win.Popmnu0, win.Popmnu2, win.Popmnu6})
            m->hide();
        settle();
    }
    win.Picture2->setEnabled(true);
}

// A control built later (the recording panel's labels) takes the drag too.
TEST_F(SkinWindowTest, ALaterControlBecomesADragHandle)
{
    FrmMain& win = window();
    auto* label = new QLabel(QStringLiteral("设备:"), win.frmInp);
    win.makeDragHandle(label);
    win.move(0, 0);
    settle();
    clickAndDrag(label, Qt::LeftButton);
    settle();
    EXPECT_EQ(win.pos(), QPoint(30, 20));
    delete label;
}

TEST_F(SkinWindowTest, ThePopUpMenusItems)
{
    FrmMain& win = window();
    // The switch's caption follows the visualisation's state.
    const QString showVisual = settings().ShowVisual == 1 ? QString::fromUtf8("PopShowVisualS=关闭可视化效果")
                                                          : QString::fromUtf8("PopShowVisualS=打开可视化效果");
    const struct {
        QMenu* menu;
        QStringList items;
    } cases[] = {
        {win.Popmnu2,
         {"PopOpenPic=查找/替换封面图片", "PopSearch3=百度图片搜索", "-", "PopShowVisualS2=打开可视化效果"}},
        {win.Popmnu6,
         {showVisual, "PopSelVisualN=可视化效果选择", "-", "PopSNDVOL6=系统声音控制"}},
        {win.PopSelVisualN,
         {"PopSelVisual0=随机[默认]", "-", "PopSelVisual1=波形", "PopSelVisual2=激光", "PopSelVisual3=火焰", "-",
          "PopSelVisual4=水波", "PopSelVisual5=双线", "PopSelVisual6=数字", "PopSelVisual7=变幻",
          "PopSelVisual8=交叉", "PopSelVisual9=Tavrel"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(items(c.menu).join(" | ").toStdString(),
                  c.items.join(" | ").toStdString());
}

// Moving onto the skin or the window background takes an effect switch's
// hover colour away.
TEST_F(SkinWindowTest, HoverResetOnTheSkinAndTheWindow)
{
    FrmMain& win = window();
    EXPECT_TRUE(win.hasMouseTracking());
    EXPECT_TRUE(win.PicShape->hasMouseTracking());
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (QWidget* target : {static_cast<QWidget*>(win.PicShape), static_cast<QWidget*>(&win)}) {
        for (QCheckBox* box : {win.Check2, win.Check3}) {
            QPalette pal = box->palette();
            pal.setColor(box->backgroundRole(), QColor(1, 2, 3));
            box->setPalette(pal);
        }
        send(target, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, target->mapToGlobal(QPoint(5, 5)));
        for (QCheckBox* box : {win.Check2, win.Check3})
            EXPECT_EQ(box->palette().color(box->backgroundRole()), face) << target->objectName().toStdString();
    }
}

// The pointer over a switch lights its back in the 3-D light colour; moving
// on to the skin takes it off again, and the skin shows behind it.
TEST_F(SkinWindowTest, TheSwitchesLightUpUnderThePointer)
{
    FrmMain& win = window();
    win.show();
    const QColor light = rt::toQColor(translateColor(sysColorRef(Color3DLight)));
    ASSERT_NE(light, rt::toQColor(translateColor(sysColorRef(ColorBtnFace))));
    // A corner pixel of the switch as the skin draws it (the picture sits in the middle).
    auto corner = [&](QCheckBox* box) { return win.PicShape->grab(box->geometry()).toImage().pixelColor(0, 0); };
    for (QCheckBox* box : {win.Check2, win.Check3}) {
        SCOPED_TRACE(box->objectName().toStdString());
        EXPECT_TRUE(box->hasMouseTracking());
        const QColor skin = corner(box);
        ASSERT_NE(skin, light);
        send(box, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, box->mapToGlobal(QPoint(3, 3)));
        EXPECT_EQ(box->palette().color(box->backgroundRole()), light);
        EXPECT_EQ(corner(box), light);
        send(win.PicShape, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, win.PicShape->mapToGlobal(QPoint(5, 5)));
        EXPECT_EQ(corner(box), skin);
        // Off the box onto a control without a move handler of its own.
        send(box, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, box->mapToGlobal(QPoint(3, 3)));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(box, &leave);
        EXPECT_EQ(corner(box), skin);
    }
}

TEST_F(SkinWindowTest, TheSkinMenuItemsRunTheCommands)
{
    FrmMain& win = window();
    settings().SkinFile = QStringLiteral("round.png");
    win.Timer[7]->stop();
    win.mnuSkinsDe->trigger();
    EXPECT_TRUE(settings().SkinFile.isEmpty());
    EXPECT_EQ(win.PicShape->size(), QSize(BuiltInSkinWidth, BuiltInSkinHeight));
    EXPECT_TRUE(win.Timer[7]->isActive());

    ui.dialogs.clear();
    win.mnuSkinsRe->trigger();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs.front().title, QString::fromUtf8("查找/替换界面皮肤"));
    EXPECT_EQ(ui.dialogs.front().initialDir, shared().DataDir + "/skins");
}

} // namespace
