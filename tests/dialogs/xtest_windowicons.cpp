// Every window of the program on an X display carries the program's icon in
// the sizes a task bar or window list picks from: the main window, each
// dialog, the lyrics and progress windows, and Qt's boxes and file dialog.
// What the window system holds is read back from the windows' _NET_WM_ICON.
#include "dialogs/frmabout.h"
#include "dialogs/frmfileshell.h"
#include "dialogs/frminfo.h"
#include "dialogs/frmset.h"
#include "dialogs/frmwait.h"
#include "lyrics/frmlrc.h"
#include "platform/programicon.h"
#include "tests/support/mainwindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <xcb/xcb.h>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

// The sizes of the icons in the window's _NET_WM_ICON (width x height
// followed by that many pixels, one after the other), as "16x16" etc.
QStringList windowIconSizes(QWidget& window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {};
    xcb_connection_t* c = x11->connection();
    const char name[] = "_NET_WM_ICON";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
    if (!atom)
        return {};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, xcb_window_t(window.winId()), atom->atom, XCB_ATOM_CARDINAL, 0, 1 << 22), nullptr);
    free(atom);
    QStringList sizes;
    if (reply) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        for (int i = 0; i + 2 <= n;) {
            const quint32 w = data[i], h = data[i + 1];
            sizes << QStringLiteral("%1x%2").arg(w).arg(h);
            i += 2 + int(w * h);
        }
        free(reply);
    }
    return sizes;
}

class XWindowIcons : public MainWindowTest<> {
protected:
    void TearDown() override
    {
        QApplication::setWindowIcon(QIcon());
        MainWindowTest::TearDown();
    }
};

TEST_F(XWindowIcons, EveryWindowCarriesTheProgramIconInTheDesktopSizes)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display";
    // As the program does at its start, from the icons shipped beside it.
    QApplication::setWindowIcon(rt::programIcon(QStringLiteral(MELODUNE_BIN_DIR "/res")));
    QStringList expected;
    for (int s : rt::ProgramIconSizes)
        expected << QStringLiteral("%1x%1").arg(s);

    FrmMain& win = startWith({});
    win.show();
    FrmSet settingsDialog(win);
    FrmAbout about(win.MediaPlayer1, QStringLiteral("Melodune"), 1, 0, 0, &win);
    FrmInfo info(*win.MediaPlayer1, &win);
    FrmFileShell fileShell(&win, shared().DataDir, QStringLiteral("/usr/bin/melodune"));
    QMessageBox box(QMessageBox::Information, QStringLiteral("Melodune"), QStringLiteral("提示"), QMessageBox::Ok, &win);
    QFileDialog fileDialog(&win, QStringLiteral("打开"), dir.path());
    QInputDialog input(&win);
    const std::vector<std::pair<const char*, QWidget*>> windows = {
        {"main window", &win},
        {"settings", &settingsDialog},
        {"about box", &about},
        {"track information", &info},
        {"file types", &fileShell},
        {"progress", FrmWait::instance(&win)},
        {"lyrics window", win.lyricsWindow(true)},
        {"message box", &box},
        {"file dialog", &fileDialog},
        {"input box", &input},
    };
    for (const auto& [name, window] : windows) {
        SCOPED_TRACE(name);
        ASSERT_NE(window, nullptr);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_FALSE(window->windowIcon().isNull());
        EXPECT_EQ(windowIconSizes(*window), expected);
        if (window != &win)
            window->hide();
    }
    FrmWait::unload();
}

} // namespace
