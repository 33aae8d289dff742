// The keys of the dialogs the main window opens: Return and Enter press the
// focused button, else the dialog's default one; Space presses a focused
// button.
#include "controls/xpbutton.h"
#include "core/shared.h"
#include "platform/fileassoc.h"
#include "sound/frmshiftset.h"
#include "tests/support/mainwindow.h"

#include <QApplication>
#include <QPointer>
#include <QSlider>
#include <QWindow>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

class DialogKeysTest : public MainWindowTest<> {
protected:
    rt::RecordingFileAssociations desktop;
    rt::ScopedFileAssociations scopedDesktop{&desktop};
};

TEST_F(DialogKeysTest, ReturnPressesTheFocusedButtonElseTheDefaultOne)
{
    dir.write("song.mp3", QByteArray(4096, 'x'));
    FrmMain& win = startWith({dir.file("song.mp3")});
    fake()->setMedia(dir.file("song.mp3"), rt::FakeMedia{.duration = 61.5});
    win.Timer3_Timer(); // the track information needs a loaded track
    win.show();
    settle();

    struct Row {
        const char* title;
        void (FrmMain::*open)();
        const char* focus; // the control that has the focus
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* pressed; // the button pressed
    };
    const Row rows[] = {
        {"设置选项", &FrmMain::mnuMoreSetup_Click, "XPButton2", Qt::Key_Return, {}, "XPButton2"},
        {"设置选项", &FrmMain::mnuMoreSetup_Click, "Check8", Qt::Key_Return, {}, "XPButton2"},
        {"关于 Melodune", &FrmMain::mnuHelpAbout_Click, "XPButton1", Qt::Key_Return, {}, "XPButton1"},
        {"关于 Melodune", &FrmMain::mnuHelpAbout_Click, "XPButton1", Qt::Key_Space, {}, "XPButton1"},
        {"曲目属性", &FrmMain::mnuFileInfo_Click, "XPButton1", Qt::Key_Enter, Qt::KeypadModifier, "XPButton1"},
        {"曲目属性", &FrmMain::mnuFileInfo_Click, "Text1", Qt::Key_Return, {}, "XPButton1"},
        {"曲目属性", &FrmMain::mnuFileInfo_Click, "Text9", Qt::Key_Return, {}, "XPButton1"},
        {"文件关联设置", &FrmMain::mnuFileShell_Click, "XPButton4", Qt::Key_Return, {}, "XPButton4"},
        {"文件关联设置", &FrmMain::mnuFileShell_Click, "Check1_2", Qt::Key_Return, {}, "XPButton4"},
        {"文件关联设置", &FrmMain::mnuFileShell_Click, "XPButton3", Qt::Key_Return, {}, "XPButton3"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QStringLiteral("%1, focus on %2, key %3").arg(QString::fromUtf8(r.title), r.focus).arg(r.key)
                         .toStdString());
        QStringList pressed;
        bool seen = false, closed = false;
        // Runs inside the modal dialogs' own wait.
        QTimer inside;
        inside.setSingleShot(true);
        QObject::connect(&inside, &QTimer::timeout, [&] {
            // The settings dialog goes away with its closing.
            const QPointer<QWidget> d = QApplication::activeModalWidget();
            if (!d)
                return;
            seen = d->windowTitle() == QString::fromUtf8(r.title);
            for (XPButton* b : d->findChildren<XPButton*>())
                QObject::connect(b, &XPButton::Click, b, [&pressed, b] { pressed << b->objectName(); });
            d->activateWindow();
            if (QTest::qWaitForWindowActive(d)) {
                if (QWidget* focus = d->findChild<QWidget*>(QString::fromLatin1(r.focus)))
                    focus->setFocus();
                QTest::keyClick(d->windowHandle(), r.key, r.modifiers);
                settle();
            }
            closed = !d || !d->isVisible();
            if (d)
                d->close();
        });
        inside.start(0);
        (win.*r.open)();
        ASSERT_TRUE(waitUntil([&] { return !inside.isActive(); }, 5000));
        settle();
        EXPECT_TRUE(seen);
        EXPECT_EQ(pressed.join(u',').toStdString(), r.pressed);
        EXPECT_TRUE(closed);
    }
}

TEST_F(DialogKeysTest, ReturnConfirmsTheKeyShiftWithTheSliderFocused)
{
    FrmShiftSet d;
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.Slider1->setFocus();
    QTest::keyClick(d.windowHandle(), Qt::Key_Right);
    QTest::keyClick(d.windowHandle(), Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(shared().KeyShiftAmount, 1);
}

} // namespace
