// The start of the real program's main window with its own media control:
// libmpv is not in the process while the window comes up (it would hold up
// the first frame), and the start timer still plays the first track.
#include "tests/support/audiogen.h"
#include "tests/support/mainwindow.h"

#include <QFile>
#include <QWindow>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

bool libmpvMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libmpv");
}

// Whether libmpv was mapped when the window was first exposed.
class FirstExpose : public QObject {
public:
    std::optional<bool> libmpvMapped;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && !libmpvMapped)
            libmpvMapped = ::libmpvMapped();
        return false;
    }
};

class MediaStartTest : public MainWindowTest<> {
protected:
    void SetUp() override
    {
        // The program's own control, as the window makes it by default.
        services.createMedia = nullptr;
        qputenv("MELODUNE_MPV_OPTIONS", "ao=null,vo=null,open-timeout-ms=5000");
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        qunsetenv("MELODUNE_MPV_OPTIONS");
    }
};

} // namespace

TEST_F(MediaStartTest, LibmpvComesAfterTheWindowAndTheStartTimerPlays)
{
    ASSERT_FALSE(libmpvMapped()) << "the test program itself must not bring libmpv";
    const QString song = dir.file("song.wav");
    ASSERT_TRUE(testsupport::writeSineWav(song, testsupport::ToneSpec{.seconds = 3.0}));
    ASSERT_TRUE(writePlaylistFile(listFile(), {song}, 0));
    SettingsRecord autoPlay;
    autoPlay.AutoPlay = 1;
    ASSERT_TRUE(saveSettings(shared().DataDir, autoPlay, 0));

    w = std::make_unique<FrmMain>(services);
    w->winId();
    FirstExpose expose;
    w->windowHandle()->installEventFilter(&expose);
    ASSERT_TRUE(w->Form_Load());
    ASSERT_TRUE(waitUntil([&] { return expose.libmpvMapped.has_value(); }, 20000));
    EXPECT_FALSE(*expose.libmpvMapped);

    ASSERT_TRUE(waitUntil([&] { return w->MediaPlayer1->playState() == rt::MediaControl::Playing; }, 30000))
        << ui.messages().join(" | ").toStdString();
    EXPECT_EQ(w->MediaPlayer1->fileName(), song);
    EXPECT_TRUE(libmpvMapped());
    EXPECT_TRUE(ui.calls.empty()) << ui.messages().join(" | ").toStdString();
    w->mnuExit_Click();
}
