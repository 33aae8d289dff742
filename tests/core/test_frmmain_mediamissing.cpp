// The main window with its own media control when libmpv will not load: the
// program says so once and ends through its ordinary shut-down, whether the
// player was being got ready for the start timer's track or a track is added
// to an empty list later.
#include "tests/support/audiogen.h"
#include "tests/support/mainwindow.h"

#include <QSignalSpy>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

const QString kNoPlayer = QStringLiteral("无法启动媒体播放组件，程序即将退出。\n");

class MediaMissingTest : public MainWindowTest<> {
protected:
    void SetUp() override
    {
        services.createMedia = nullptr;
        // Read at the process's first load, which fails for every case here.
        qputenv("MELODUNE_LIBMPV", dir.file("nowhere/libmpv.so.2").toLocal8Bit());
        song = dir.file("song.wav");
        ASSERT_TRUE(testsupport::writeSineWav(song, testsupport::ToneSpec{.seconds = 1.0}));
    }
    QString song;
};

} // namespace

TEST_F(MediaMissingTest, TheMessageThenAnOrdinaryExit)
{
    struct Case {
        const char* name;
        QStringList listAtStart;
    };
    const Case cases[] = {
        {"made ready for the start timer's track", {"SONG"}},
        {"first needed by a track added to an empty list", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshStart();
        QStringList list = c.listAtStart;
        list.replaceInStrings("SONG", song);
        if (!list.isEmpty()) {
            ASSERT_TRUE(writePlaylistFile(listFile(), list, 0));
        }
        // The start timer offers the add dialog for an empty list.
        ui.openAnswers = {rt::FileDialogResult{{song}}};
        ui.calls.clear();

        w = std::make_unique<FrmMain>(services);
        QSignalSpy ended(w.get(), &FrmMain::programEnded);
        ASSERT_TRUE(w->Form_Load());
        ASSERT_TRUE(waitUntil([&] { return ended.count() == 1; }, 20000)) << ui.messages().join(" | ").toStdString();
        settle();

        const QStringList shown = ui.messages();
        ASSERT_EQ(shown.size(), 1) << shown.join(" | ").toStdString();
        EXPECT_TRUE(shown[0].startsWith(kNoPlayer)) << shown[0].toStdString();
        EXPECT_TRUE(shown[0].contains("nowhere")) << "the reason follows";
        EXPECT_EQ(ui.calls.back().style, rt::Critical);
        EXPECT_FALSE(w->isVisible());
        // Saved as at any exit: the list with its track, the settings.
        EXPECT_TRUE(QFileInfo::exists(shared().DataDir + "/SetLog.ini"));
        ASSERT_TRUE(QFileInfo::exists(listFile()));
        EXPECT_EQ(readPlaylistFile(listFile()).entries, QStringList{song});
    }
}
