// Keys, balance and window commands of the main window.
#include "controls/xpbutton.h"
#include "core/virtualkeys.h"
#include "lyrics/richtext.h"
#include "platform/shellopen.h"
#include "tests/support/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWindow>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

const QStringList kTwo = {"/m/a.mp3", "/m/b.mp3"};

int keyOf(char c)
{
    switch (c) {
    case 'E': return 27; // Esc
    case 'x': return 88; // any other key
    default: return c;
    }
}

TEST(KeyState, SequencesOfReleasedKeys)
{
    struct Case {
        const char* keys; // 'E' is Esc, 'x' any other key
        int state;
    };
    const Case cases[] = {
        {"CKD", 1}, {"C", 3}, {"CK", 2}, {"K", 0}, {"D", 0}, {"CD", 3}, {"KD", 0},
        {"CKC", 3}, {"CKCKD", 1}, {"CxKxD", 1}, {"CKDE", 0}, {"E", 0}, {"CKE", 2},
        {"CKDC", 3}, {"CKDK", 1},
    };
    for (const Case& c : cases) {
        int state = 0;
        for (const char* k = c.keys; *k; ++k)
            state = FrmMain::keyStateAfterRelease(state, keyOf(*k));
        EXPECT_EQ(state, c.state) << c.keys;
    }
}

TEST(Balance, Captions)
{
    const std::pair<int, const char*> cases[] = {
        {0, "L· 0 ·R"},     {-750, "L· -1 ·R"}, {250, "L· 0 ·R"},  {-250, "L· 0 ·R"},
        {5000, "L· 10 ·R"}, {-5000, "L· -10 ·R"}, {999, "L· 1 ·R"},
    };
    for (const auto& [balance, caption] : cases)
        EXPECT_EQ(FrmMain::balanceCaption(balance), QString::fromUtf8(caption)) << balance;
}

TEST(VirtualKeys, QtKeysMapToTheWindowCodes)
{
    EXPECT_EQ(virtualKeyCode(Qt::Key_Space, {}), 32);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Plus, Qt::KeypadModifier), 107);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Minus, Qt::KeypadModifier), 109);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Plus, {}), 0) << "only the keypad's plus";
    EXPECT_EQ(virtualKeyCode(Qt::Key_C, Qt::ShiftModifier), 67);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Escape, {}), 27);
}

class KeysTest : public MainWindowTest<> {};

TEST_F(KeysTest, TheWindowSeesKeysBeforeTheFocusedControl)
{
    FrmMain& win = playing(kTwo, 0);
    QWindow* handle = win.windowHandle();
    ASSERT_TRUE(handle);
    win.List1->setFocus();
    settings().KeyState = 0;
    QTest::keyClick(handle, Qt::Key_C);
    QTest::keyClick(handle, Qt::Key_X);
    QTest::keyClick(handle, Qt::Key_K);
    EXPECT_EQ(settings().KeyState, 2);
    QTest::keyClick(handle, Qt::Key_D);
    EXPECT_EQ(settings().KeyState, 1);
    settle();
    EXPECT_EQ(win.pos().x(), 0);
    EXPECT_EQ(win.width(), win.screen()->geometry().width());

    QTest::keyClick(handle, Qt::Key_Escape);
    EXPECT_EQ(settings().KeyState, 0);
    EXPECT_TRUE(win.Timer[7]->isActive()) << "the skin timer fits the window again";
    win.Timer[7]->stop();

    // Space toggles once per press, also with the list focused.
    QTest::keyClick(handle, Qt::Key_Space);
    settle();
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Paused);
    QTest::keyClick(handle, Qt::Key_Space);
    settle();
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
}

TEST_F(KeysTest, SpaceAfterAClickOnASkinButtonOnlyTogglesPlayback)
{
    // What the buttons start stays inside the test: no browser, no volume
    // control (the program looks for one on the PATH).
    rt::ScopedUrlOpener opener{[](const QUrl&) { return true; }};
    rt::ScopedProgramStarter starter{[](const QString&, const QStringList&) { return true; }};
    const QByteArray path = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
    qputenv("PATH", dir.file("no-programs").toUtf8());

    FrmMain& win = playing(kTwo, 0);
    win.show();
    QWindow* handle = win.windowHandle();
    ASSERT_TRUE(handle);
    // A window a click or a key opens (the settings, the track information)
    // is closed as Esc would, from inside its own wait when it has one.
    auto openDialog = [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (qobject_cast<QDialog*>(top) && top->isVisible())
                return top;
        return static_cast<QWidget*>(nullptr);
    };
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* d = openDialog())
            d->close();
    });
    closer.start(10);
    for (int i = 1; i <= 25; ++i) {
        XPButton* b = win.XPButtons[i];
        if (!b->isEnabled())
            continue;
        SCOPED_TRACE(QStringLiteral("XPButton%1 (%2)").arg(i).arg(b->buttonToolTip()).toStdString());
        win.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&win));

        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, 4));
        ASSERT_TRUE(waitUntil([&] { return !openDialog(); }, 5000));
        settle();
        win.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&win));

        const bool typing = QApplication::focusWidget() == win.RichTextBox2Edit;
        EXPECT_TRUE(typing || QApplication::focusWidget() == win.PicShape) << "the focus is back on the skin";

        // Then with the button focused from the keyboard (Tab).
        for (bool tabbed : {false, true}) {
            if (tabbed)
                b->setFocus(Qt::TabFocusReason);
            QSignalSpy clicks(b, &XPButton::Click);
            const int state = win.MediaPlayer1->playState();
            QTest::keyClick(handle, Qt::Key_Space);
            settle();
            EXPECT_EQ(clicks.count(), 0) << "Space pressed the button" << (tabbed ? " it reached with Tab" : " again");
            if (typing && !tabbed)
                continue; // Space was text in the editor
            EXPECT_NE(win.MediaPlayer1->playState(), state) << "Space toggles playback";
        }
        if (typing)
            win.showLyricEditorState(false);
    }
}

TEST_F(KeysTest, TypingIntoTheLyricEditorRunsNoCommand)
{
    FrmMain& win = playing(kTwo, 0);
    QWindow* handle = win.windowHandle();
    ASSERT_TRUE(handle);
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));
    win.showLyricEditorState(true);
    settle();
    win.RichTextBox2Edit->setFocus();
    settle();
    ASSERT_EQ(QApplication::focusWidget(), win.RichTextBox2Edit);
    ASSERT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
    settings().KeyState = 0;
    const int view = settings().LrcViewMode;
    const QSize size = win.size();

    // Space, the C-K-D sequence, H, F, Esc and the keypad's plus and minus.
    for (char c : QByteArray("check dh f"))
        QTest::keyClick(handle, c);
    QTest::keyClick(handle, Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(handle, Qt::Key_Minus, Qt::KeypadModifier);
    QTest::keyClick(handle, Qt::Key_Escape);
    settle();
    EXPECT_EQ(win.RichTextBox2->text(), QStringLiteral("check dh f+-"));
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
    EXPECT_TRUE(fake()->calls.isEmpty()) << fake()->calls.join(", ").toStdString();
    EXPECT_EQ(settings().KeyState, 0);
    EXPECT_EQ(win.size(), size);
    EXPECT_EQ(settings().LrcViewMode, view);
    EXPECT_EQ(win.Lyrics.offset, 0);

    // The same keys outside the editor are commands again.
    win.showLyricEditorState(false);
    win.List1->setFocus();
    settle();
    QTest::keyClick(handle, Qt::Key_Space);
    settle();
    EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Paused);
    QTest::keyClick(handle, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(win.Lyrics.offset, 50);
    for (char c : QByteArray("ckd"))
        QTest::keyClick(handle, c);
    EXPECT_EQ(settings().KeyState, 1);
}

TEST_F(KeysTest, AutoRepeatedReleasesDoNotCount)
{
    FrmMain& win = startWith(kTwo, 0);
    QWindow* handle = win.windowHandle();
    settings().KeyState = 0;
    QTest::keyRelease(handle, Qt::Key_C);
    // Holding K: the system sends release-press pairs marked as repeats; K
    // is released only at the end.
    QTest::keyPress(handle, Qt::Key_K);
    for (int i = 0; i < 2; ++i) {
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_K, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(handle, &up);
        EXPECT_EQ(settings().KeyState, 3) << "K is still held";
        QKeyEvent down(QEvent::KeyPress, Qt::Key_K, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(handle, &down);
    }
    QTest::keyRelease(handle, Qt::Key_K);
    EXPECT_EQ(settings().KeyState, 2) << "the final release counts";
}

TEST_F(KeysTest, SpaceOnAnEmptyListPlaysWithoutTheAddDialog)
{
    FrmMain& win = startWith({}, 0);
    win.Form_KeyDown(32);
    EXPECT_EQ(fake()->calls, QStringList{"Play"});
    EXPECT_EQ(fileDialogsOpened(), 0);
}

TEST_F(KeysTest, FullScreenOnlyForVideo)
{
    FrmMain& win = startWith({"/v/clip.mkv", "/m/a.mp3"}, 1);
    win.Timer3_Timer();
    settle();
    fake()->calls.clear();
    win.Form_KeyUp(70);
    win.XPButton24_Click();
    EXPECT_TRUE(fake()->calls.isEmpty()) << "audio: nothing";

    fake()->setMedia("/v/clip.mkv", rt::FakeMedia{.width = 320, .height = 240});
    win.mnuPrevious_Click();
    settle();
    fake()->calls.clear();
    win.Form_KeyUp(70);
    EXPECT_EQ(fake()->calls, QStringList{"DisplaySize=3"});
    EXPECT_EQ(win.MediaPlayer1->displaySize(), 3);
    win.Form_KeyUp(70);
    EXPECT_EQ(fake()->calls.size(), 1) << "already full screen";
    win.MediaPlayer1->widget()->leaveFullScreen();
    win.XPButton24_Click();
    EXPECT_EQ(fake()->calls.size(), 2);
}

TEST_F(KeysTest, TheBalanceSliderSetsTheBalanceAndItsCaption)
{
    FrmMain& win = startWith(kTwo, 0);
    EXPECT_TRUE(win.HScroll1->isVisibleTo(&win));
    EXPECT_EQ(win.Label3->text(), QStringLiteral("L· 0 ·R"));
    EXPECT_EQ(win.Label3->toolTip(), QStringLiteral("左右声道均衡"));
    win.HScroll1->setValue(-750);
    EXPECT_EQ(fake()->calls, QStringList{"Balance=-750"});
    EXPECT_EQ(win.Label3->text(), QStringLiteral("L· -1 ·R"));
    win.HScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(win.MediaPlayer1->balance(), -250);
    EXPECT_EQ(win.Label3->text(), QStringLiteral("L· 0 ·R"));
}

TEST_F(KeysTest, APressOnThePicturesTogglesPlayback)
{
    FrmMain& win = playing(kTwo, 0);
    for (QWidget* picture : {static_cast<QWidget*>(win.Image2), win.Picture2, static_cast<QWidget*>(win.Picture5)}) {
        SCOPED_TRACE(picture->objectName().toStdString());
        const int before = win.MediaPlayer1->playState();
        QTest::mousePress(picture, Qt::RightButton, {}, QPoint(2, 2));
        QTest::mouseRelease(picture, Qt::RightButton, {}, QPoint(2, 2));
        settle();
        EXPECT_EQ(win.MediaPlayer1->playState(), before) << "other buttons do nothing";
        QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(2, 2));
        settle();
        EXPECT_NE(win.MediaPlayer1->playState(), before);
        QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(2, 2));
    }
}

TEST_F(KeysTest, TheMediaControlsFocusIsRecorded)
{
    FrmMain& win = startWith(kTwo, 0);
    win.FocusedControl = "RichTextBox1";
    emit win.MediaPlayer1->GotFocus();
    EXPECT_EQ(win.FocusedControl, "MediaPlayer1");
}

} // namespace
