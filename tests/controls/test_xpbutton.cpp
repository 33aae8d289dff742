// The button widget: clicks, states, hover, persistence, tooltips and the
// faces it paints.
#include "controls/buttondata.h"
#include "controls/buttontheme.h"
#include "controls/propertybag.h"
#include "controls/xpbutton.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QToolTip>
#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace melodune;
using rt::rgb;

namespace {

enum class Op { PressL, ReleaseL, ReleaseLOutside, DblClickL, PressR, ReleaseR, PressM, ReleaseM,
                SpaceDown, SpaceRepeat, SpaceUp, SpaceRepeatUp, Enter, Leave };

void send(XPButton& b, Op op)
{
    const QPointF in(10, 10), out(-30, 10);
    auto mouse = [&](QEvent::Type t, Qt::MouseButton button, QPointF at) {
        const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(t, at, b.mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&b, &e);
    };
    auto key = [&](QEvent::Type t, bool repeat) {
        QKeyEvent e(t, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), repeat);
        QApplication::sendEvent(&b, &e);
    };
    switch (op) {
    case Op::PressL: mouse(QEvent::MouseButtonPress, Qt::LeftButton, in); break;
    case Op::ReleaseL: mouse(QEvent::MouseButtonRelease, Qt::LeftButton, in); break;
    case Op::ReleaseLOutside: mouse(QEvent::MouseButtonRelease, Qt::LeftButton, out); break;
    case Op::DblClickL: mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, in); break;
    case Op::PressR: mouse(QEvent::MouseButtonPress, Qt::RightButton, in); break;
    case Op::ReleaseR: mouse(QEvent::MouseButtonRelease, Qt::RightButton, in); break;
    case Op::PressM: mouse(QEvent::MouseButtonPress, Qt::MiddleButton, in); break;
    case Op::ReleaseM: mouse(QEvent::MouseButtonRelease, Qt::MiddleButton, in); break;
    case Op::SpaceDown: key(QEvent::KeyPress, false); break;
    case Op::SpaceRepeat: key(QEvent::KeyPress, true); break;
    case Op::SpaceUp: key(QEvent::KeyRelease, false); break;
    case Op::SpaceRepeatUp: key(QEvent::KeyRelease, true); break;
    case Op::Enter: {
        QEnterEvent e(in, in, b.mapToGlobal(in));
        QApplication::sendEvent(&b, &e);
        break;
    }
    case Op::Leave: {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(&b, &e);
        break;
    }
    }
}

struct ButtonTest : ::testing::Test {
    SystemColors colors = SystemColors::classic();
    ScopedSystemColors scope{colors};
};

} // namespace

TEST_F(ButtonTest, InputSequencesToClicks)
{
    using enum Op;
    struct Case {
        const char* what;
        int buttonType;
        std::vector<Op> ops;
        int clicks;
        int state;
        bool value;
    };
    const Case cases[] = {
        {"left click", 0, {PressL, ReleaseL}, 1, StateHot, false},
        {"left press only", 0, {PressL}, 0, StatePressed, false},
        // The second press of a double click arrives as press + double click.
        {"double click", 0, {PressL, ReleaseL, PressL, DblClickL, ReleaseL}, 1, StateHot, false},
        {"double click without second press", 0, {PressL, ReleaseL, DblClickL, ReleaseL}, 1, StateHot, false},
        {"right click", 0, {PressR, ReleaseR}, 0, StateNormal, false},
        {"middle click", 0, {PressM, ReleaseM}, 0, StateNormal, false},
        {"right then left", 0, {PressR, ReleaseR, PressL, ReleaseL}, 1, StateHot, false},
        {"right double click", 0, {PressR, ReleaseR, PressR, DblClickL, ReleaseR}, 0, StateNormal, false},
        {"space", 0, {SpaceDown, SpaceUp}, 1, StateHot, false},
        {"space held", 0, {SpaceDown, SpaceRepeatUp, SpaceRepeat, SpaceRepeatUp, SpaceRepeat, SpaceUp}, 1, StateHot, false},
        {"space down shows pressed", 0, {SpaceDown}, 1, StatePressed, false},
        {"press inside, release outside", 0, {PressL, ReleaseLOutside}, 0, StateNormal, false},
        {"release without press", 0, {ReleaseL}, 0, StateHot, false},
        {"toggle on", 1, {PressL, ReleaseL}, 1, StatePressed, true},
        {"toggle on and off", 1, {PressL, ReleaseL, PressL, ReleaseL}, 2, StateHot, false},
        {"toggle by space", 1, {SpaceDown, SpaceUp}, 1, StatePressed, true},
        {"toggle space held", 1, {SpaceDown, SpaceRepeat, SpaceRepeat, SpaceUp}, 1, StatePressed, true},
        {"toggle double click", 1, {PressL, ReleaseL, PressL, DblClickL, ReleaseL}, 1, StatePressed, true},
        {"toggle release outside", 1, {PressL, ReleaseLOutside}, 0, StateNormal, false},
    };
    for (const Case& c : cases) {
        XPButton b;
        b.resize(60, 24);
        b.setButtonStyle(8);
        b.setButtonType(c.buttonType);
        QSignalSpy clicks(&b, &XPButton::Click);
        for (Op op : c.ops)
            send(b, op);
        EXPECT_EQ(clicks.count(), c.clicks) << c.what;
        EXPECT_EQ(b.buttonState(), c.state) << c.what;
        EXPECT_EQ(b.value(), c.value) << c.what;
    }
}

TEST_F(ButtonTest, SettingValueLeavesPressedFaceUntilNextEvent)
{
    XPButton b;
    b.setButtonType(1);
    send(b, Op::PressL);
    send(b, Op::ReleaseL);
    ASSERT_TRUE(b.value());
    b.setValue(false);
    EXPECT_EQ(b.buttonState(), StatePressed);
    send(b, Op::Leave); // no hover yet: nothing changes
    send(b, Op::Enter);
    EXPECT_EQ(b.buttonState(), StateHot);
}

TEST_F(ButtonTest, HoverRaisesOneEnterAndOneLeavePerEntry)
{
    XPButton b;
    b.resize(60, 24);
    QSignalSpy enters(&b, &XPButton::MouseEnter), leaves(&b, &XPButton::MouseLeave);
    send(b, Op::Enter);
    send(b, Op::Enter);
    EXPECT_EQ(enters.count(), 1);
    EXPECT_EQ(b.buttonState(), StateHot);
    EXPECT_TRUE(b.isMouseOver());
    send(b, Op::Leave);
    send(b, Op::Leave);
    EXPECT_EQ(leaves.count(), 1);
    EXPECT_EQ(b.buttonState(), StateNormal);
    send(b, Op::Enter);
    EXPECT_EQ(enters.count(), 2);
    // Pressing and releasing over it ends hot; leaving ends normal.
    send(b, Op::PressL);
    send(b, Op::ReleaseL);
    EXPECT_EQ(b.buttonState(), StateHot);
    send(b, Op::Leave);
    EXPECT_EQ(b.buttonState(), StateNormal);
    EXPECT_EQ(leaves.count(), 2);
}

TEST_F(ButtonTest, DisabledIgnoresEverything)
{
    XPButton b;
    b.resize(60, 24);
    b.setButtonStyle(8);
    b.setButtonEnabled(false);
    EXPECT_FALSE(b.isEnabled());
    QSignalSpy clicks(&b, &XPButton::Click), enters(&b, &XPButton::MouseEnter), leaves(&b, &XPButton::MouseLeave);
    for (Op op : {Op::Enter, Op::PressL, Op::ReleaseL, Op::SpaceDown, Op::SpaceUp, Op::DblClickL, Op::Leave})
        send(b, op);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(enters.count(), 0);
    EXPECT_EQ(leaves.count(), 0);
    EXPECT_EQ(b.buttonState(), StateDisabled);
    b.setButtonEnabled(true);
    EXPECT_EQ(b.buttonState(), StateNormal);
    send(b, Op::PressL);
    send(b, Op::ReleaseL);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonTest, DisablingWhileHoveredEndsTheHover)
{
    XPButton b;
    QSignalSpy enters(&b, &XPButton::MouseEnter), leaves(&b, &XPButton::MouseLeave);
    send(b, Op::Enter);
    b.setButtonEnabled(false);
    EXPECT_EQ(leaves.count(), 1);
    send(b, Op::Leave);
    EXPECT_EQ(leaves.count(), 1);
    b.setButtonEnabled(true);
    send(b, Op::Enter);
    EXPECT_EQ(enters.count(), 2);
}

// A button that stands for a menu command: a click triggers the command,
// and the button can be clicked only while both it and the command are
// enabled, whichever of the two changes.
TEST_F(ButtonTest, ButtonStandingForACommandFollowsItsEnabledStateAndTriggersIt)
{
    XPButton b;
    b.resize(60, 24);
    b.setButtonStyle(8);
    QAction command(nullptr);
    QSignalSpy triggered(&command, &QAction::triggered);
    b.setAction(&command);
    auto press = [&] {
        send(b, Op::PressL);
        send(b, Op::ReleaseL);
    };
    const struct {
        bool button, command, clickable;
    } cases[] = {
        {true, true, true},
        {true, false, false},
        {false, true, false},
        {false, false, false},
        {true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "button " << c.button << ", command " << c.command);
        // Set in either order: the later one does not undo the other.
        b.setButtonEnabled(c.button);
        command.setEnabled(c.command);
        EXPECT_EQ(b.buttonEnabled(), c.clickable);
        EXPECT_EQ(b.isEnabled(), c.clickable);
        command.setEnabled(!c.command);
        command.setEnabled(c.command);
        EXPECT_EQ(b.buttonEnabled(), c.clickable);
        EXPECT_EQ(b.buttonState() == StateDisabled, !c.clickable) << "the face shows it";
        triggered.clear();
        press();
        b.click();
        EXPECT_EQ(triggered.count(), c.clickable ? 2 : 0);
    }

    // Standing for nothing again: the button's own state, and clicks reach
    // nothing but its own handlers.
    command.setEnabled(false);
    b.setAction(nullptr);
    EXPECT_TRUE(b.buttonEnabled());
    QSignalSpy clicks(&b, &XPButton::Click);
    triggered.clear();
    command.setEnabled(true);
    press();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(triggered.count(), 0);
}

TEST_F(ButtonTest, EnabledUnderARestingPointerGoesHotOnTheFirstMove)
{
    XPButton b;
    b.resize(60, 24);
    b.setButtonEnabled(false);
    send(b, Op::Enter); // the pointer arrives while it is disabled
    b.setButtonEnabled(true);
    QSignalSpy enters(&b, &XPButton::MouseEnter);
    QMouseEvent move(QEvent::MouseMove, QPointF(12, 10), b.mapToGlobal(QPointF(12, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&b, &move);
    EXPECT_EQ(enters.count(), 1);
    EXPECT_EQ(b.buttonState(), StateHot);
    QCoreApplication::sendEvent(&b, &move);
    EXPECT_EQ(enters.count(), 1);
}

TEST_F(ButtonTest, FocusShowsInTheFace)
{
    QWidget window;
    window.resize(200, 100);
    auto* b = new XPButton(&window);
    b->setGeometry(10, 10, 60, 24);
    b->setButtonStyle(8);
    auto* other = new XPButton(&window);
    other->setGeometry(10, 50, 60, 24);
    window.show();
    QApplication::setActiveWindow(&window);
    b->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(b->hasButtonFocus());
    EXPECT_EQ(b->face().pixel(5, 0), rgb(116, 112, 104));
    other->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(b->hasButtonFocus());
    EXPECT_EQ(b->face().pixel(5, 0), rgb(164, 160, 152));
}

TEST_F(ButtonTest, ReadDefaultsOfAnEmptyStore)
{
    XPButton b;
    b.setButtonToolTip(QStringLiteral("kept"));
    b.loadProperties(PropertyBag());
    EXPECT_EQ(b.buttonStyle(), 3);
    EXPECT_EQ(b.caption(), QStringLiteral("XPButton"));
    EXPECT_TRUE(b.icon().isNull());
    EXPECT_EQ(b.iconAlign(), 1);
    EXPECT_EQ(b.iconSize(), 16);
    EXPECT_EQ(b.captionAlign(), 0);
    EXPECT_EQ(b.nonThemeStyle(), 5);
    EXPECT_TRUE(b.buttonEnabled());
    EXPECT_TRUE(b.iconVisible());
    EXPECT_FALSE(b.showFocus());
    EXPECT_FALSE(b.useCustomColors());
    EXPECT_EQ(b.backColor(), rgb(212, 208, 200));
    EXPECT_EQ(b.highlightColor(), rgb(10, 36, 106));
    EXPECT_EQ(b.fontColor(), rgb(0, 0, 0));
    EXPECT_EQ(b.buttonToolTip(), QStringLiteral("kept"));
    EXPECT_EQ(b.toolTipType(), 1);
    EXPECT_EQ(b.toolTipBackColor(), rgb(255, 255, 225));
    EXPECT_EQ(b.buttonType(), 0);
    EXPECT_FALSE(b.value());
    EXPECT_EQ(b.buttonState(), StateNormal);
}

TEST_F(ButtonTest, NewInstanceDefaults)
{
    XPButton b(QStringLiteral("XPButton7"), nullptr);
    EXPECT_EQ(b.buttonStyle(), 0);
    EXPECT_EQ(b.caption(), QStringLiteral("XPButton7"));
    EXPECT_FALSE(b.iconVisible());
    EXPECT_EQ(b.toolTipType(), 0);
    EXPECT_EQ(b.nonThemeStyle(), 0);
    EXPECT_EQ(b.backColor(), rgb(212, 208, 200));
    EXPECT_EQ(XPButton::version(), QStringLiteral("3.0"));
}

TEST_F(ButtonTest, WriteDefaultsAreLeftOut)
{
    struct Case {
        const char* what;
        std::function<void(XPButton&)> set;
        const char* key;
        bool stored;
    };
    const Case cases[] = {
        {"style 3", [](XPButton& b) { b.setButtonStyle(3); }, "Style", false},
        {"style 8", [](XPButton& b) { b.setButtonStyle(8); }, "Style", true},
        {"empty caption", [](XPButton& b) { b.setCaption(QString()); }, "Caption", false},
        {"blank caption", [](XPButton& b) { b.setCaption(QStringLiteral(" ")); }, "Caption", true},
        {"icon align 0", [](XPButton& b) { b.setIconAlign(0); }, "IconAlign", false},
        {"icon align 1", [](XPButton& b) { b.setIconAlign(1); }, "IconAlign", true},
        {"fallback 5", [](XPButton& b) { b.setNonThemeStyle(5); }, "iNonThemeStyle", false},
        {"enabled", [](XPButton& b) { b.setButtonEnabled(true); }, "Enabled", false},
        {"disabled", [](XPButton& b) { b.setButtonEnabled(false); }, "Enabled", true},
        {"tooltip title", [](XPButton&) {}, "Tooltiptitle", true},
        {"tooltip icon", [](XPButton&) {}, "ToolTipIcon", true},
        {"tooltip type", [](XPButton&) {}, "ToolTipType", true},
        {"icon", [](XPButton&) {}, "Icon", true},
        {"font", [](XPButton&) {}, "Font", true},
        {"push button", [](XPButton&) {}, "ButtonType", false},
        {"value", [](XPButton&) {}, "Value", false},
    };
    for (const Case& c : cases) {
        XPButton b;
        c.set(b);
        PropertyBag bag;
        b.saveProperties(bag);
        EXPECT_EQ(bag.contains(QString::fromLatin1(c.key)), c.stored) << c.what;
    }
}

TEST_F(ButtonTest, SaveAndLoadRoundTrip)
{
    XPButton a;
    a.setButtonStyle(5);
    a.setCaption(QStringLiteral(" "));
    a.setIconAlign(0);
    a.setIconSize(24);
    a.setCaptionAlign(2);
    a.setNonThemeStyle(0);
    a.setUseCustomColors(true);
    a.setBackColor(rgb(1, 2, 3));
    a.setButtonToolTip(QStringLiteral("播放下一曲"));
    a.setToolTipTitle(QStringLiteral("标题"));
    a.setToolTipType(0);
    a.setButtonType(1);
    a.setValue(true);
    QFont f(QStringLiteral("Verdana"));
    f.setPointSizeF(8.25);
    a.setButtonFont(f);
    PropertyBag bag;
    a.saveProperties(bag);

    XPButton b;
    b.loadProperties(bag);
    EXPECT_EQ(b.buttonStyle(), 5);
    EXPECT_EQ(b.caption(), QStringLiteral(" "));
    EXPECT_EQ(b.iconAlign(), 1); // 0 is not stored and reads back as left
    EXPECT_EQ(b.iconSize(), 24);
    EXPECT_EQ(b.captionAlign(), 2);
    EXPECT_EQ(b.nonThemeStyle(), 0);
    EXPECT_TRUE(b.useCustomColors());
    EXPECT_EQ(b.backColor(), rgb(1, 2, 3));
    EXPECT_EQ(b.buttonToolTip(), QStringLiteral("播放下一曲"));
    EXPECT_EQ(b.toolTipTitle(), QStringLiteral("标题"));
    EXPECT_EQ(b.toolTipType(), 0);
    EXPECT_EQ(b.buttonType(), 1);
    EXPECT_TRUE(b.value());
    EXPECT_EQ(b.buttonFont().family(), QStringLiteral("Verdana"));
    EXPECT_DOUBLE_EQ(b.buttonFont().pointSizeF(), 8.25);
}

TEST_F(ButtonTest, LowerCaseStoredDataOfTheWindows)
{
    const ButtonData* d = findButtonData(QStringLiteral("frmMain"), QStringLiteral("XPButton5"));
    ASSERT_NE(d, nullptr);
    const PropertyBag bag = storedButtonProperties(*d, QStringLiteral("/nonexistent/res"));
    for (const QString& name : bag.names())
        EXPECT_EQ(name, name.toLower());
    XPButton b;
    b.resize(80, 24);
    b.loadProperties(bag);
    EXPECT_EQ(b.buttonStyle(), 8);
    EXPECT_EQ(b.caption(), QStringLiteral("修改歌词"));
    EXPECT_EQ(b.iconAlign(), 1);
    EXPECT_EQ(b.nonThemeStyle(), 0);
    EXPECT_EQ(b.toolTipType(), 0);
    EXPECT_EQ(b.toolTipForeColor(), 0);
    EXPECT_FALSE(b.buttonEnabled());
    EXPECT_TRUE(b.icon().isNull()); // a missing icon file is no icon, not a failure
    // Loaded disabled: drawn disabled and no Click until the window enables it.
    EXPECT_FALSE(b.isEnabled());
    EXPECT_EQ(b.buttonState(), StateDisabled);
    EXPECT_EQ(b.face().pixel(5, 0), rgb(164, 160, 152)); // disabled style 8 = hot base, unfocused frame
    QSignalSpy clicks(&b, &XPButton::Click);
    send(b, Op::PressL);
    send(b, Op::ReleaseL);
    send(b, Op::SpaceDown);
    EXPECT_EQ(clicks.count(), 0);
    b.setButtonEnabled(true);
    send(b, Op::PressL);
    send(b, Op::ReleaseL);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ButtonTest, ButtonTableCoversEveryWindow)
{
    struct Case {
        const char* form;
        std::size_t count;
    };
    for (const Case& c : {Case{"frmMain", 25}, Case{"frmSet", 5}, Case{"frmFileShell", 4}, Case{"frmAbout", 2},
                          Case{"frmShiftSet", 2}, Case{"frmInfo", 1}})
        EXPECT_EQ(buttonsOfForm(QString::fromLatin1(c.form)).size(), c.count) << c.form;
    int style2 = 0;
    for (const ButtonData* d : buttonsOfForm(QStringLiteral("frmMain"))) {
        EXPECT_FALSE(d->enabled);
        style2 += d->style == 2;
    }
    EXPECT_EQ(style2, 5);
    EXPECT_EQ(findButtonData(QStringLiteral("frmSet"), QStringLiteral("XPButton2"))->caption, std::string("确   定"));
    EXPECT_EQ(findButtonData(QStringLiteral("frmMain"), QStringLiteral("XPButton26")), nullptr);
}

TEST_F(ButtonTest, PropertyBagNamesIgnoreCase)
{
    PropertyBag bag;
    bag.write(QStringLiteral("USeCustomColors"), true, false);
    EXPECT_TRUE(bag.read(QStringLiteral("usecustomcolors")).toBool());
    bag.write(QStringLiteral("usecustomcolors"), false, false); // the default removes it
    EXPECT_FALSE(bag.contains(QStringLiteral("UseCustomColors")));
    EXPECT_EQ(bag.read(QStringLiteral("missing"), 7).toInt(), 7);
}

TEST_F(ButtonTest, ToolTipSurvivesHideAndShowOfTheWindow)
{
    QWidget window;
    auto* b = new XPButton(QStringLiteral("XPButton5"), &window);
    window.show();
    b->setButtonToolTip(QStringLiteral("编辑修改歌词"));
    window.hide();
    QApplication::processEvents();
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(b->buttonToolTip(), QStringLiteral("编辑修改歌词"));
    b->hide();
    b->show();
    EXPECT_EQ(b->buttonToolTip(), QStringLiteral("编辑修改歌词"));
    // Text set through the widget's own tooltip reads back the same way.
    b->setToolTip(QStringLiteral("退出修改"));
    EXPECT_EQ(b->buttonToolTip(), QStringLiteral("退出修改"));
    b->setButtonToolTip(QStringLiteral("  with blanks "));
    EXPECT_EQ(b->buttonToolTip(), QStringLiteral("  with blanks "));
    EXPECT_EQ(b->toolTip(), QStringLiteral("  with blanks "));
}

TEST_F(ButtonTest, ToolTipMarkup)
{
    XPButton b;
    EXPECT_TRUE(b.toolTipMarkup().isEmpty());
    b.setButtonToolTip(QStringLiteral("a<b"));
    EXPECT_TRUE(b.toolTipMarkup().contains(QStringLiteral("a&lt;b")));
    b.setToolTipTitle(QStringLiteral("T"));
    EXPECT_TRUE(b.toolTipMarkup().contains(QStringLiteral("<b>T</b>")));
    b.setToolTipForeColor(sysColorRef(ColorBtnShadow));
    EXPECT_TRUE(b.toolTipMarkup().contains(QStringLiteral("color:#808080")));
}

TEST_F(ButtonTest, ThemeStyleFallsBackWhenUnavailable)
{
    NoButtonTheme none;
    ScopedButtonTheme scope(&none);
    XPButton b;
    b.resize(60, 24);
    b.setCaption(QString());
    b.setNonThemeStyle(5);
    b.setButtonStyle(6);
    EXPECT_EQ(b.buttonStyle(), 5);
    // The failed paint shows only the background.
    PixelSurface plain(60, 24);
    plain.fill(rgb(212, 208, 200));
    EXPECT_EQ(b.face().image(), plain.image());
    b.refresh();
    EXPECT_EQ(b.face().pixel(5, 0), rgb(0, 60, 116));
    PropertyBag bag;
    b.saveProperties(bag);
    EXPECT_EQ(bag.read(QStringLiteral("style")).toInt(), 5);
}

TEST_F(ButtonTest, ThemeStyleDrawsWithTheStyleEngine)
{
    XPButton b;
    b.resize(60, 24);
    b.setButtonStyle(6);
    EXPECT_EQ(b.buttonStyle(), 6);
}

TEST_F(ButtonTest, CustomColourReferencesAreTranslated)
{
    XPButton plain, custom;
    for (XPButton* b : {&plain, &custom}) {
        b->resize(60, 24);
        b->setCaption(QString());
        b->setButtonStyle(8);
    }
    custom.setUseCustomColors(true);
    custom.setBackColor(sysColorRef(ColorBtnFace));
    custom.setHighlightColor(sysColorRef(ColorBtnFace));
    EXPECT_EQ(custom.face().image(), plain.face().image());
    custom.setButtonStyle(5);
    EXPECT_EQ(custom.face().pixel(5, 0), offsetColor(rgb(212, 208, 200), -128));
}

TEST_F(ButtonTest, LayoutMinimumSizeAndCaptionFormat)
{
    XPButton b;
    b.show();
    b.resize(5, 40);
    EXPECT_EQ(b.size(), QSize(20, 40));
    b.resize(20, 20);
    EXPECT_EQ(b.size(), QSize(20, 20));
    EXPECT_EQ(b.captionRect(), QRect(QPoint(4, 4), QPoint(15, 15)));
    const int formats[] = {37, 36, 38, 33, 41};
    for (int align = 0; align < 5; ++align) {
        b.setCaptionAlign(align);
        EXPECT_EQ(b.captionFormat(), formats[align]);
    }
    b.setCaptionAlign(7); // keeps the last format
    EXPECT_EQ(b.captionFormat(), 41);
    // A loaded button with an unknown alignment has no format.
    PropertyBag bag;
    bag.write(QStringLiteral("CaptionAlign"), 7);
    XPButton loaded;
    loaded.loadProperties(bag);
    loaded.resize(40, 20);
    loaded.show();
    EXPECT_EQ(loaded.captionFormat(), 0);
    b.setButtonStyle(8);
    EXPECT_FALSE(b.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(b.mask().contains(QPoint(2, 0)));
}

TEST_F(ButtonTest, IconPlacementAndOddSizes)
{
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    XPButton b;
    b.resize(41, 30);
    b.setCaption(QString());
    b.setButtonStyle(4);
    b.setIcon(red);
    b.setIconVisible(true);
    b.setIconAlign(0);
    // (41 - 16) / 2 = 12.5 rounds to 12; (30 - 16) / 2 = 7.
    EXPECT_EQ(b.face().pixel(12, 7), rgb(255, 0, 0));
    EXPECT_EQ(b.face().pixel(27, 22), rgb(255, 0, 0));
    EXPECT_NE(b.face().pixel(11, 7), rgb(255, 0, 0));
    EXPECT_NE(b.face().pixel(28, 7), rgb(255, 0, 0));
    b.setIconAlign(1);
    EXPECT_EQ(b.face().pixel(4, 7), rgb(255, 0, 0));
    EXPECT_NE(b.face().pixel(3, 7), rgb(255, 0, 0));
    // Pressed moves it one pixel right and down.
    send(b, Op::PressL);
    EXPECT_EQ(b.face().pixel(5, 8), rgb(255, 0, 0));
    EXPECT_NE(b.face().pixel(4, 8), rgb(255, 0, 0));
    send(b, Op::ReleaseL);
    // Style 4 hot: grey silhouette 2 pixels right and below, icon 2 up and left.
    EXPECT_EQ(b.buttonState(), StateHot);
    EXPECT_EQ(b.face().pixel(2, 5), rgb(255, 0, 0));
    EXPECT_EQ(b.face().pixel(19, 22), rgb(128, 128, 128));
    EXPECT_EQ(b.face().pixel(20, 23), b.face().pixel(1, 1));
    EXPECT_NE(b.face().pixel(1, 5), rgb(255, 0, 0));
    // Disabled shows the icon in colour.
    b.setButtonEnabled(false);
    EXPECT_EQ(b.face().pixel(4, 7), rgb(255, 0, 0));
    b.setButtonEnabled(true);

    const QImage before = b.face().image();
    b.setIconSize(-8); // nothing is drawn
    EXPECT_NE(b.face().pixel(4, 7), rgb(255, 0, 0));
    b.setIconSize(0);
    b.setIconSize(200); // larger than the control: clipped to it
    EXPECT_EQ(b.face().width(), 41);
    b.setIconFile(QStringLiteral("/nonexistent/icon.png"));
    EXPECT_TRUE(b.icon().isNull());
    EXPECT_EQ(b.iconFile(), QStringLiteral("/nonexistent/icon.png"));
    (void)before;
}

TEST_F(ButtonTest, RichStylesIconMarginAndBackground)
{
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    const struct {
        int style, margin;
    } cases[] = {{7, 5}, {9, 7}, {10, 7}, {8, 4}};
    for (const auto& c : cases) {
        XPButton b;
        b.resize(75, 23);
        b.setCaption(QString());
        b.setButtonStyle(c.style);
        b.setIcon(red);
        b.setIconVisible(true);
        b.setIconAlign(1);
        EXPECT_EQ(b.face().pixel(c.margin, 4), rgb(255, 0, 0)) << c.style;
        EXPECT_NE(b.face().pixel(c.margin - 1, 4), rgb(255, 0, 0)) << c.style;
    }
    // Style 10 never sets the background: its unpainted corners show the
    // colour the face was cleared to.
    XPButton round;
    round.resize(75, 23);
    round.setButtonStyle(10);
    EXPECT_EQ(round.face().pixel(0, 0), rgb(212, 208, 200));
    EXPECT_EQ(round.face().pixel(2, 23 - 2), rgb(212, 208, 200));
    EXPECT_EQ(round.face().pixel(9, 23 - 5), rgb(212, 208, 200)); // one of the plain set's open cells
    EXPECT_FALSE(round.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(round.mask().contains(QPoint(6, 0)));
}

TEST_F(ButtonTest, TooltipIsFixedAtEntry)
{
    QWidget window;
    auto* b = new XPButton(QStringLiteral("XPButton1"), &window);
    b->resize(60, 24);
    window.show();
    b->setToolTipType(1);
    b->setButtonToolTip(QStringLiteral("a & <b>"));
    b->setToolTipTitle(QStringLiteral("Title"));
    b->setToolTipIcon(9); // no such icon: none is drawn, the title stays
    b->setToolTipBackColor(rgb(10, 20, 30));
    b->setToolTipForeColor(sysColorRef(ColorBtnShadow));
    send(*b, Op::Enter);
    b->setButtonToolTip(QStringLiteral("later"));
    const BalloonContent c = b->balloonContent();
    EXPECT_EQ(c.text, QStringLiteral("a & <b>"));
    EXPECT_EQ(c.title, QStringLiteral("Title"));
    EXPECT_EQ(c.icon, 9);
    EXPECT_EQ(c.back, QColor(10, 20, 30));
    EXPECT_EQ(c.fore, QColor(128, 128, 128));
    send(*b, Op::Leave);
    send(*b, Op::Enter);
    EXPECT_EQ(b->balloonContent().text, QStringLiteral("later"));
    // Colour 0 keeps the desktop's tooltip colours.
    b->setToolTipBackColor(0);
    send(*b, Op::Leave);
    send(*b, Op::Enter);
    EXPECT_EQ(b->balloonContent().back, QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase));
}

// The plain tooltip as the desktop shows it: as many lines as its text has.
TEST_F(ButtonTest, TooltipsKeepTheirLines)
{
    QWidget window;
    auto* b = new XPButton(QStringLiteral("XPButton4"), &window);
    b->resize(40, 24);
    window.show();
    // The height of the tooltip shown for a text and a title.
    auto shownHeight = [&](const QString& text, const QString& title) {
        b->setButtonToolTip(text);
        b->setToolTipTitle(title);
        QHelpEvent e(QEvent::ToolTip, QPoint(5, 5), b->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(b, &e);
        int height = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible())
                height = w->height();
        QToolTip::hideText();
        return height;
    };
    const int oneLine = shownHeight(QStringLiteral("歌"), {}); // a text that cannot wrap
    ASSERT_GT(oneLine, 0);
    const struct {
        const char* text;
        const char* title;
        int lines;
    } cases[] = {
        {"歌词时间补偿<+50ms>", "", 1},
        {"连接 Melodune 主页", "", 1},
        {"第一行\n第二行", "", 2},
        {"播放下一曲", "标题", 2},
    };
    for (const auto& c : cases) {
        const int height = shownHeight(QString::fromUtf8(c.text), QString::fromUtf8(c.title));
        EXPECT_EQ(qRound(double(height) / oneLine), c.lines) << c.text << ": " << height << " against " << oneLine;
    }
}

TEST_F(ButtonTest, EmptyTooltipShowsNothingEvenWithATitle)
{
    XPButton b;
    b.setToolTipTitle(QStringLiteral("Title"));
    b.setToolTipIcon(1);
    EXPECT_TRUE(b.toolTipMarkup().isEmpty());
    b.setButtonToolTip(QStringLiteral("x"));
    EXPECT_FALSE(b.toolTipMarkup().isEmpty());
    b.setToolTipIcon(7); // out of range: title without a mark
    EXPECT_TRUE(b.toolTipMarkup().contains(QStringLiteral("<b>Title</b>")));
}

TEST_F(ButtonTest, RefreshBenchmarkOfTheRichStyles)
{
    // Reports the median refresh of a 200 x 40 button per style, the face
    // alone and with a caption; style 8 (the main window's) is the yardstick.
    const int styles[] = {8, 7, 9, 10};
    const int rounds = 400;
    for (bool withCaption : {false, true}) {
        std::map<int, std::vector<qint64>> times;
        std::map<int, std::unique_ptr<XPButton>> buttons;
        for (int style : styles) {
            auto b = std::make_unique<XPButton>();
            b->resize(200, 40);
            b->setButtonStyle(style);
            b->setCaption(withCaption ? QStringLiteral("播放列表") : QString());
            buttons[style] = std::move(b);
        }
        QElapsedTimer t;
        for (int i = 0; i < rounds; ++i)
            for (int style : styles) { // interleaved, so load changes hit every style alike
                t.start();
                buttons[style]->refresh();
                times[style].push_back(t.nsecsElapsed());
            }
        auto median = [&](int style) {
            auto v = times[style];
            std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
            return v[v.size() / 2] / 1000.0;
        };
        const double base = median(8);
        for (int style : styles)
            std::printf("[bench] refresh 200x40 style %d%s: median %.1f us (%.2fx style 8)\n", style,
                        withCaption ? " with caption" : "", median(style), median(style) / base);
        EXPECT_GT(base, 0.0);
    }
}
