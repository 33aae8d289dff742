#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/lrcreply.h"
#include "lyrics/lrcservicecontroller.h"
#include "lyrics/lyricstate.h"
#include "lyrics/richtext.h"
#include "platform/legacytext.h"
#include "platform/ui.h"
#include "tests/support/lyricsserver.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <utility>
#include <gtest/gtest.h>

using namespace melodune;
using testsupport::LyricsServer;
using testsupport::TestDir;

namespace {

// The main window as the controller sees it: records what it is asked.
struct FakeWindow : LrcWindow {
    bool pollTimer = false, countdownTimer = false;
    bool lyricsLoaded = false;
    QString lrcPath = "unset";
    bool editorButton = false;
    bool continueFuzzy = false;
    bool fuzzyCommandsDisabled = false;
    int loads = 0, lyricTickStarts = 0, listChanges = 0;
    QString author;
    int state = 0; // PlayState
    double length = 0;
    QStringList log;

    void setPollTimer(bool on) override { pollTimer = on; }
    void setCountdownTimer(bool on) override { countdownTimer = on; }
    void candidateListChanged() override { ++listChanges; }
    void setLyricsLoaded(bool on) override { lyricsLoaded = on; }
    void setLrcPath(const QString& p) override { lrcPath = p; }
    void closeLyricEditor(bool enabled) override { editorButton = enabled; }
    void startLyricTick() override { ++lyricTickStarts; }
    void setContinueFuzzyEnabled(bool on) override { continueFuzzy = on; }
    void disableFuzzyCommands() override { fuzzyCommandsDisabled = true; }
    void loadTrackLyrics() override { ++loads; }
    QString mediaAuthor() override { return author; }
    int playState() override { return state; }
    double duration() override { return length; }
    void pause() override { log << "pause", state = 1; }
    void play() override { log << "play", state = 2; }
};

struct ControllerTest : ::testing::Test {
    TestDir dir;
    LyricsServer server;
    rt::ScriptedUi ui;
    rt::ScopedUi scopedUi{&ui};
    RichTextModel box;
    LyricState lyrics;
    FakeWindow window;
    LrcRequestController ctrl{box, lyrics, window};
    const LrcTrackInfo track{"/music/The Band-X - 海 & 天 #1.mp3", "海 & 天 #1", "mp3"};

    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        qputenv("MELODUNE_LRC_HOST", server.baseUrl().toUtf8());
        std::int32_t index = 0;
        assignSettingDefaults(settings(), &index);
        settings().LrcWaitSeconds = 3;
        shared().DataDir = dir.path();
        shared().ComputerName = "box 1";
        shared().Busy = false;
        QDir(dir.path()).mkpath("TEMP");
        QDir(dir.path()).mkpath("LRCS");
        ctrl.setClientVersion("0.1.0");
        ctrl.setTrack(track);
    }
    void TearDown() override { qunsetenv("MELODUNE_LRC_HOST"); }

    QString trackLyric() const { return trackLyricPath(dir.path(), track.file); }
    // Waits for the current request's transfer; true when it brought a file.
    bool waitForReply()
    {
        QSignalSpy spy(&ctrl, &LrcRequestController::downloadFinished);
        return spy.wait(5000) && spy[0][0].toBool();
    }
    QString stored() const
    {
        QString text;
        return rt::readLegacyFile(trackLyric(), &text) ? text : QString("<none>");
    }
};

} // namespace

TEST_F(ControllerTest, ExactHitIsShownAndStored)
{
    server.setResponse("exact", {200, LyricsServer::lyricsBody("海")});
    box.setText("当前曲目“x”\r\n查找歌词文件 … ");
    ctrl.requestExact();
    EXPECT_TRUE(shared().Busy);
    EXPECT_TRUE(window.pollTimer);
    EXPECT_TRUE(window.continueFuzzy);
    EXPECT_EQ(box.backColor(), ButtonFaceColor); // the caller's notice restyled
    ASSERT_TRUE(waitForReply());
    EXPECT_FALSE(shared().Busy);

    ASSERT_EQ(server.requests.size(), 1u);
    const auto& req = server.requests[0];
    EXPECT_EQ(req.route, QString("exact"));
    EXPECT_EQ(req.keys(), (QList<QByteArray>{"BanBen", "PcName", "MediaName", "FileName", "Filetype"}));
    EXPECT_EQ(req.value("BanBen"), QString("0.1.0"));
    EXPECT_EQ(req.value("PcName"), QString("box 1"));
    EXPECT_EQ(req.value("MediaName"), track.title);
    EXPECT_EQ(req.value("FileName"), QString("The Band-X - 海 & 天 #1"));
    EXPECT_EQ(req.value("Filetype"), QString("mp3"));
    // What went over the wire is exactly the escaped address.
    EXPECT_EQ("http://127.0.0.1:" + QByteArray::number(server.port()) + req.target,
              lrcRequestAddress(LrcRequestKind::Exact, {"0.1.0", "box 1"}, track));

    window.state = 2;
    ctrl.pollTick();
    EXPECT_FALSE(window.pollTimer);
    EXPECT_TRUE(box.text().contains("第一行"));
    EXPECT_TRUE(box.isEnabled());
    EXPECT_TRUE(window.lyricsLoaded);
    EXPECT_EQ(window.lrcPath, trackLyric());
    EXPECT_TRUE(window.editorButton);
    EXPECT_EQ(window.lyricTickStarts, 1);
    EXPECT_EQ(stored(), rt::decodeLegacy(LyricsServer::lyricsBody("海")));
    EXPECT_TRUE(ui.calls.empty());
}

TEST_F(ControllerTest, MissThenFuzzyCandidatesChosenBySingerAndDownloaded)
{
    server.setResponse("exact", {200, LyricsServer::statusBody("|没有歌词|")});
    server.setResponse("fuzzy", {200, LyricsServer::candidatesBody({
                                          {"海", "Someone", "A", "x/1.lrc", {}},
                                          {"海 & 天", "the band x", "B", "y/歌 #2.lrc", {"note"}},
                                      })});
    server.setResponse("candidate", {200, LyricsServer::lyricsBody("海 & 天")});
    window.author = "TheBand-X";

    ctrl.requestExact();
    ASSERT_TRUE(waitForReply());
    ctrl.pollTick(); // the miss sends the fuzzy request
    EXPECT_TRUE(window.pollTimer);
    EXPECT_TRUE(shared().Busy);
    ASSERT_TRUE(waitForReply());
    ctrl.pollTick();

    const CandidateList& list = ctrl.candidateList();
    ASSERT_EQ(list.entries.size(), 2);
    EXPECT_TRUE(list.visible);
    EXPECT_EQ(list.toolTip, QString("歌词列表(双击选中的歌词立即下载)"));
    EXPECT_EQ(box.text(), QString("双击选中的歌词立即下载"));
    EXPECT_FALSE(box.isEnabled());
    EXPECT_TRUE(window.countdownTimer);
    EXPECT_EQ(ctrl.lrcTick(), 3);

    ctrl.countdownTick();
    EXPECT_EQ(list.selected, 1);
    EXPECT_EQ(box.text(), QString("单击选择歌词,双击立即下载[2秒后将自动选择下载]"));
    ctrl.countdownTick();
    ctrl.countdownTick();
    EXPECT_EQ(box.text(), QString("双击选中的歌词立即下载"));
    ctrl.countdownTick(); // runs out: the chosen entry is fetched
    EXPECT_FALSE(window.countdownTimer);
    EXPECT_FALSE(list.visible);
    EXPECT_TRUE(window.pollTimer);
    ASSERT_TRUE(waitForReply());

    ASSERT_EQ(server.requests.size(), 3u);
    const auto& req = server.requests[2];
    EXPECT_EQ(req.route, QString("candidate"));
    EXPECT_EQ(req.keys(), (QList<QByteArray>{"BanBen", "PcName", "dz"}));
    EXPECT_EQ(req.value("dz"), QString("y/歌 #2.lrc"));

    ctrl.pollTick();
    EXPECT_EQ(stored(), rt::decodeLegacy(LyricsServer::lyricsBody("海 & 天")));
    EXPECT_EQ(window.lrcPath, trackLyric());
}

TEST_F(ControllerTest, StatusReplies)
{
    struct Case {
        const char* name;
        QString status;
        bool fuzzy;
        QString text;
        QString message;
        int style;
    };
    const Case cases[] = {
        {"forbidden", "|禁止|请升级", true,
         "无法查找或下载歌词！\r\n[请升级]\r\n自动下载功能设置已经自动取消。如果想重新启用，请点击“设置”中的“设置选项”重新进行设置。",
         "无法查找或下载歌词！\r\n[请升级]\r\n自动下载功能设置已经自动取消。如果想重新启用，请点击“设置”中的“设置选项”重新进行设置。",
         rt::Exclamation},
        {"notice", "|提示|维护中", true, "无法查找或下载歌词！\r\n[维护中]", "无法查找或下载歌词！\r\n[维护中]",
         rt::Information},
        {"no title", "|没有歌名|", true, "下载歌词失败！[歌名错误]", "", 0},
        {"no lyrics, no fuzzy", "|没有歌词|", false,
         "下载歌词失败！[无相同曲名歌词，你可以使用“联网模糊查找歌词”功能进行更大范围查找]", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::int32_t index = 0;
        assignSettingDefaults(settings(), &index);
        settings().AutoFuzzySearch = c.fuzzy;
        ui.calls.clear();
        window.fuzzyCommandsDisabled = false;
        server.setResponse("exact", {200, LyricsServer::statusBody(c.status)});
        ctrl.requestExact();
        ASSERT_TRUE(waitForReply());
        ctrl.pollTick();
        EXPECT_EQ(box.text(), c.text);
        EXPECT_FALSE(window.pollTimer);
        const bool forbidden = c.status.startsWith("|禁止|");
        EXPECT_EQ(settings().AutoDownloadLrc, !forbidden);
        EXPECT_EQ(window.fuzzyCommandsDisabled, forbidden);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(ui.calls.empty());
        } else {
            ASSERT_EQ(ui.calls.size(), 1u);
            EXPECT_EQ(ui.calls[0].text, c.message);
            EXPECT_EQ(ui.calls[0].style, c.style);
            EXPECT_EQ(ui.calls[0].title, QString("系统提示"));
        }
        EXPECT_EQ(stored(), QString("<none>"));
    }
}

TEST_F(ControllerTest, NothingFoundWritesTheNoLyricsMarkOnce)
{
    server.setResponse("fuzzy", {200, LyricsServer::statusBody("|无任何|")});
    ctrl.requestFuzzy();
    ASSERT_TRUE(waitForReply());
    ctrl.pollTick();
    EXPECT_EQ(stored(), "[0:0]海 & 天 #1\r\n［未找到歌词。\r\n  如果想使用歌词，请重新查找或编辑修改］\r\n");
    EXPECT_EQ(window.loads, 1);
    EXPECT_TRUE(window.lyricsLoaded);
    EXPECT_EQ(window.lrcPath, trackLyric());

    // With a lyric file already there only the notice is shown.
    dir.write("LRCS/" + QFileInfo(trackLyric()).fileName(), "[00:01]mine\r\n");
    ctrl.requestFuzzy();
    ASSERT_TRUE(waitForReply());
    ctrl.pollTick();
    EXPECT_EQ(box.text(), QString("模糊查找歌词失败！\r\n[未找到任何类似曲目名称的歌词。]"));
    EXPECT_EQ(stored(), QString("[00:01]mine\r\n"));
    EXPECT_EQ(window.loads, 1);
}

TEST_F(ControllerTest, PollCountsDownAndTimesOut)
{
    settings().LrcWaitSeconds = 10;
    server.setResponse("exact", {200, LyricsServer::lyricsBody("x"), 3000}); // later than the poll
    ctrl.requestExact();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1; }, 5000));
    for (int n = 10; n >= 0; --n) {
        ctrl.pollTick();
        if (n > 0) {
            EXPECT_EQ(box.text(), QString("正在尝试下载歌词(剩余%1秒)").arg(n));
        }
    }
    EXPECT_EQ(box.text(), QString("下载歌词失败！\r\n[网络连接超时或错误。请确认 Internet 连接正确或请稍后重试或使用模糊查找功能。]"));
    EXPECT_FALSE(window.pollTimer);
    EXPECT_FALSE(window.lyricsLoaded);
    EXPECT_EQ(ctrl.lrcTick(), 0);
    EXPECT_FALSE(shared().Busy);
    EXPECT_FALSE(ctrl.downloading()); // the slow transfer was dropped
    ctrl.pollTick();                  // a stray tick after the end does nothing
    EXPECT_TRUE(box.text().startsWith("下载歌词失败"));
}

TEST_F(ControllerTest, AReplyBeforeTheCountdownEndsIsShown)
{
    const struct {
        int wait;
        int replyTick; // the poll tick that finds the reply
    } cases[] = {{10, 9}, {20, 12}, {20, 21}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "wait " << c.wait << ", reply at tick " << c.replyTick);
        QFile::remove(trackLyric());
        settings().LrcWaitSeconds = c.wait;
        server.setResponse("exact", {200, LyricsServer::lyricsBody("late"), 200});
        ctrl.requestExact();
        // The transfer is given as long as the countdown: no limit of its own
        // may end it before the poll's last tick.
        EXPECT_GE(ctrl.downloader().idleTimeoutMs(), (c.wait + 1) * 1000);
        EXPECT_GE(ctrl.downloader().totalTimeoutMs(), (c.wait + 1) * 1000);
        for (int tick = 1; tick < c.replyTick; ++tick)
            ctrl.pollTick();
        EXPECT_EQ(box.text(), QString("正在尝试下载歌词(剩余%1秒)").arg(c.wait - c.replyTick + 2));
        ASSERT_TRUE(window.pollTimer);
        ASSERT_TRUE(waitForReply());
        ctrl.pollTick();
        EXPECT_FALSE(window.pollTimer);
        EXPECT_TRUE(window.lyricsLoaded);
        EXPECT_TRUE(box.text().contains(QStringLiteral("第一行"))) << box.text().toStdString();
        EXPECT_TRUE(stored().contains("late"));
    }
}

TEST_F(ControllerTest, BrokenRepliesAreNotStored)
{
    struct Case {
        const char* name;
        LyricsServer::Response response;
        bool arrives;
    };
    const Case cases[] = {
        {"cut off", {200, LyricsServer::lyricsBody("x"), 0, true}, false},
        {"server error", {500, LyricsServer::errorPageBody()}, false},
        {"error page as success", {200, LyricsServer::errorPageBody()}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setResponse("exact", c.response);
        ctrl.requestExact();
        EXPECT_EQ(waitForReply(), c.arrives);
        for (int i = 0; i < 4 && window.pollTimer; ++i)
            ctrl.pollTick();
        EXPECT_FALSE(window.pollTimer);
        if (c.arrives) {
            EXPECT_TRUE(box.text().contains("Internal error")); // shown, as a reply is
        } else {
            EXPECT_TRUE(box.text().startsWith("下载歌词失败！"));
        }
        EXPECT_EQ(stored(), QString("<none>"));
    }
}

TEST_F(ControllerTest, LateReplyForThePreviousTrackIsDropped)
{
    // The old track's request waits for a reply that never comes, longer
    // than the test: only the controller dropping its transfer ends it.
    settings().LrcWaitSeconds = 600;
    server.setResponse("exact", {.never = true});
    ctrl.requestExact();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1; }, 5000));

    ctrl.reset(); // the track changes
    EXPECT_FALSE(shared().Busy);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hangUps() == 1; }, 10000)) << "the old transfer is dropped";
    const LrcTrackInfo next{"/music/next.mp3", "next", "mp3"};
    ctrl.setTrack(next);
    server.setResponse("exact", {200, LyricsServer::lyricsBody("new")});
    ctrl.requestExact();
    ASSERT_TRUE(waitForReply());
    ctrl.pollTick();
    QString text;
    ASSERT_TRUE(rt::readLegacyFile(trackLyricPath(dir.path(), next.file), &text));
    EXPECT_TRUE(text.contains("new"));
    EXPECT_EQ(stored(), QString("<none>"));

    // stopTimers (open-state change) drops a transfer too.
    server.setResponse("exact", {.never = true});
    ctrl.requestExact();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 3; }, 5000));
    ctrl.stopTimers();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hangUps() == 2; }, 10000)) << "the transfer is dropped";
    EXPECT_FALSE(QFile::exists(ctrl.replyPath()));
    EXPECT_FALSE(shared().Busy);
}

TEST_F(ControllerTest, ReplacingAStoredLyricFileAsks)
{
    const QString name = "LRCS/" + QFileInfo(trackLyric()).fileName();
    for (int answer : {rt::No, rt::Yes}) {
        SCOPED_TRACE(answer);
        dir.write(name, "[00:01]mine\r\n");
        dir.write("TEMP/$.lrc", LyricsServer::lyricsBody("theirs"));
        window.state = 2;
        window.length = 100;
        window.log.clear();
        ui.calls.clear();
        ui.msgAnswers = {answer};
        ctrl.handleReply(ctrl.replyPath());
        ASSERT_EQ(ui.calls.size(), 1u);
        EXPECT_EQ(ui.calls[0].text, QString("你要保存当前的歌词文件来替换原来的歌词文件吗?"));
        EXPECT_EQ(ui.calls[0].style, rt::YesNo | rt::Exclamation | rt::DefaultButton1);
        EXPECT_EQ(window.log, (QStringList{"pause", "play"}));
        if (answer == rt::Yes) {
            EXPECT_TRUE(stored().contains("theirs"));
            EXPECT_EQ(window.lrcPath, trackLyric());
        } else {
            EXPECT_EQ(stored(), QString("[00:01]mine\r\n"));
            EXPECT_EQ(window.lrcPath, ctrl.replyPath());
        }
    }
}

TEST_F(ControllerTest, TheReplaceQuestionStoresTheReplyItWasAskedFor)
{
    // Something runs while the question is open, as events would.
    struct DuringQuestion : rt::ScriptedUi {
        std::function<void()> run;
        int msgBox(const QString& text, int style, const QString& title) override
        {
            if (auto r = std::exchange(run, nullptr))
                r();
            return ScriptedUi::msgBox(text, style, title);
        }
    };
    const QString name = "LRCS/" + QFileInfo(trackLyric()).fileName();
    const QString nextFile = "/music/next.mp3";
    for (bool trackChanges : {false, true}) {
        SCOPED_TRACE(trackChanges);
        DuringQuestion q;
        rt::ScopedUi scoped(&q);
        ctrl.setTrack(track);
        dir.write(name, "[00:01]mine\r\n");
        dir.write("TEMP/$.lrc", LyricsServer::lyricsBody("theirs"));
        window.state = 2;
        window.length = 100;
        q.msgAnswers = {rt::Yes};
        q.run = [&] {
            if (trackChanges) {
                ctrl.reset();
                ctrl.setTrack({nextFile, "next", "mp3"});
            }
            dir.write("TEMP/$.lrc", LyricsServer::lyricsBody("another reply"));
        };
        ctrl.handleReply(ctrl.replyPath());
        ASSERT_EQ(q.calls.size(), 1u);
        if (trackChanges)
            EXPECT_EQ(stored(), QString("[00:01]mine\r\n"));
        else
            EXPECT_TRUE(stored().contains("theirs"));
        EXPECT_FALSE(QFile::exists(trackLyricPath(dir.path(), nextFile)));
    }
}

TEST_F(ControllerTest, CandidateCountdownAndTheUser)
{
    settings().LrcWaitSeconds = 10;
    const QByteArray list = LyricsServer::candidatesBody({{"a", "甲", "x", "1.lrc", {}}, {"b", "乙", "y", "2.lrc", {}}});
    auto offer = [&] {
        dir.write("TEMP/$.lrc", list);
        ctrl.handleReply(ctrl.replyPath());
        ASSERT_TRUE(window.countdownTimer);
    };

    // Ten ticks count 9 .. 0, the eleventh downloads.
    offer();
    for (int n = 9; n >= 0; --n) {
        ctrl.countdownTick();
        if (n > 0) {
            EXPECT_EQ(box.text(), QString("单击选择歌词,双击立即下载[%1秒后将自动选择下载]").arg(n));
        }
    }
    EXPECT_EQ(box.text(), QString("双击选中的歌词立即下载"));
    EXPECT_EQ(ctrl.candidateList().selected, 0); // no singer matched
    EXPECT_TRUE(ctrl.candidateList().visible);
    ctrl.countdownTick();
    EXPECT_FALSE(ctrl.candidateList().visible);
    EXPECT_TRUE(window.pollTimer);
    ctrl.stopTimers();

    // A keyboard change after the first tick cancels; a mouse release always does.
    offer();
    ctrl.countdownTick();
    ctrl.userSelect(1);
    EXPECT_FALSE(window.countdownTimer);
    EXPECT_EQ(ctrl.lrcTick(), 0);
    EXPECT_EQ(box.text(), QString("双击选中的歌词立即下载"));
    EXPECT_TRUE(ctrl.candidateList().visible);
    ctrl.listMouseMove();
    EXPECT_EQ(ctrl.candidateList().toolTip, QString("当前所选歌词 - 曲名【b】- 演唱〖乙〗- 专辑《y》- 双击立即下载"));
    offer();
    ctrl.listMouseUp();
    EXPECT_FALSE(window.countdownTimer);

    // Double click without a selection only asks for one.
    offer();
    ctrl.userSelect(-1);
    ui.calls.clear();
    ctrl.listDoubleClicked();
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, QString("请首先选中要下载的歌词！"));
    EXPECT_FALSE(window.pollTimer);

    // An empty list runs out without a download.
    dir.write("TEMP/$.lrc", LyricsServer::candidatesBody({}));
    ctrl.handleReply(ctrl.replyPath());
    for (int i = 0; i < 11; ++i)
        ctrl.countdownTick();
    EXPECT_FALSE(window.countdownTimer);
    EXPECT_FALSE(window.pollTimer);
    EXPECT_TRUE(ctrl.candidateList().visible);
}

TEST_F(ControllerTest, NoTrackDoesNothing)
{
    ctrl.setTrack({});
    ctrl.requestExact();
    ctrl.fuzzySearchCommand();
    EXPECT_FALSE(window.pollTimer);
    EXPECT_FALSE(shared().Busy);
    EXPECT_TRUE(server.requests.empty());
}
