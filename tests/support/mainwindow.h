#pragma once
// A main window for a test, over stand-ins for everything it reads around
// it: a temporary folder with the data folder and a registry file of its
// own, scripted boxes, a fake clock, the stand-in capture input and media
// control, fresh shared state and settings. All of it is put back when the
// fixture ends, the window first.
#include "core/frmmain.h"
#include "core/playlistfile.h"
#include "core/settings.h"
#include "core/shared.h"
#include "platform/clock.h"
#include "platform/dsound.h"
#include "platform/mediacontrolfake.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "tests/support/testdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace testsupport {

// What a test may change of the window's surroundings.
struct WindowOptions {
    // The fake clock (time moves only when the test moves it); false keeps
    // the real one.
    bool fakeClock = true;
    // The stand-in capture input; false keeps the sound server's.
    bool fakeCapture = true;
    // The data folder, inside the test's folder; empty: the folder itself.
    QString dataFolder = QStringLiteral("data");
    // Made empty (with these folders in it) before the window starts; false
    // leaves it for the start to make.
    bool makeDataFolder = true;
    QStringList dataFolders = {};
    // Settings at the program's defaults; false leaves them as a fresh
    // record, for the start to fill.
    bool defaultSettings = false;
};

// Everything but the boxes' type, which the template below adds.
class MainWindowSurroundings {
public:
    MainWindowSurroundings(const MainWindowSurroundings&) = delete;
    MainWindowSurroundings& operator=(const MainWindowSurroundings&) = delete;

    TestDir dir;
    rt::Registry registry{dir.file(QStringLiteral("registry.ini"))};
    // Installed unless the options keep the real clock.
    rt::FakeClock clock;
    // Makes the stand-in media control unless `makeMedia` or the test sets
    // another.
    melodune::FrmMainServices services;
    std::function<rt::MediaControl*(QObject*)> makeMedia;
    std::unique_ptr<melodune::FrmMain> w;

    // A loaded window with List.mdu holding `entries` and `current` selected;
    // its deferred start is left to the test.
    melodune::FrmMain& startWith(const QStringList& entries, int current = 0);
    // As startWith, then the deferred start (which plays with AutoPlay 1).
    melodune::FrmMain& playing(const QStringList& entries, int current = 0);
    // No window, an empty data folder and fresh settings, for each case of a
    // table.
    void freshStart();
    // Takes the window down before anything it may still call.
    void closeWindow() { w.reset(); }
    // Shared state and settings as at the fixture's start, for a window
    // made anew.
    void resetState();

    QString listFile() const { return melodune::listFilePath(melodune::shared().DataDir); }
    rt::FakeMediaControl* fake() const { return dynamic_cast<rt::FakeMediaControl*>(w->MediaPlayer1); }
    QStringList entries() const;
    // Lets the queued events run.
    static void settle(int rounds = 10);
    static bool waitUntil(const std::function<bool()>& pred, int ms) { return QTest::qWaitFor(pred, ms); }
    // The answered questions, as "msg" calls with a Yes/No style.
    int questionsAsked(const QString& text) const;
    int fileDialogsOpened() const;

protected:
    MainWindowSurroundings(rt::ScriptedUi& ui, const WindowOptions& options);
    ~MainWindowSurroundings();

private:
    WindowOptions options_;
    rt::ScriptedUi& ui_;
    rt::ScopedRegistry scopedRegistry_{&registry};
    rt::ScopedUi scopedUi_;
    std::optional<rt::ScopedClock> scopedClock_;
};

namespace detail {
// Made before the surroundings that install it, gone after them.
template <class Ui>
struct UiMember {
    Ui ui;
};
} // namespace detail

// The fixture as an object, for a test body or a helper of its own. `Ui` is
// the scripted boxes' type (rt::ScriptedUi or a class made from it).
template <class Ui = rt::ScriptedUi>
class MainWindowFixture : public detail::UiMember<Ui>, public MainWindowSurroundings {
public:
    explicit MainWindowFixture(const WindowOptions& options = {})
        : MainWindowSurroundings(this->ui, options)
    {
    }
};

// The fixture as a GoogleTest fixture. The window is taken down in TearDown,
// before the members of the test's own class (servers, stand-ins) go; a
// TearDown of its own calls this one first.
template <class Ui = rt::ScriptedUi>
class MainWindowTest : public ::testing::Test, public MainWindowFixture<Ui> {
protected:
    explicit MainWindowTest(const WindowOptions& options = {}) : MainWindowFixture<Ui>(options) {}
    void TearDown() override { this->closeWindow(); }
};

// The real media control with null outputs.
rt::MediaControl* nullOutputMpv(QObject* parent);

} // namespace testsupport
