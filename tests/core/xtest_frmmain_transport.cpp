// A playlist through the real media control (libmpv with null outputs) in a
// shown main window: it plays from end to end and wraps, and a broken entry
// leads to the question and the in-process reload without losing the rest.
#include "tests/support/audiogen.h"
#include "tests/support/lyricsserver.h"
#include "tests/support/mainwindow.h"

#include <QFile>
#include <QMouseEvent>
#include <utility>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

class RealMediaTest : public MainWindowTest<> {
protected:
    void SetUp() override { makeMedia = testsupport::nullOutputMpv; }
    QString tone(const QString& name, double frequency)
    {
        const QString p = dir.file(name);
        EXPECT_TRUE(testsupport::writeSineWav(p, testsupport::ToneSpec{.seconds = 0.4, .frequency = frequency}));
        return p;
    }
};

TEST_F(RealMediaTest, APlaylistPlaysThroughAndWraps)
{
    const QStringList list = {tone("one.wav", 330), tone("two.wav", 440), tone("three.wav", 550)};
    FrmMain& win = startWith(list, 0);
    QStringList opened;
    QObject::connect(win.MediaPlayer1, &rt::MediaControl::OpenStateChange, &win,
                     [&] { opened << win.MediaPlayer1->fileName(); });
    win.Timer3_Timer();
    ASSERT_TRUE(waitUntil([&] { return opened.size() >= 4; }, 20000)) << opened.join(", ").toStdString();
    EXPECT_EQ(opened.mid(0, 4), (QStringList{list[0], list[1], list[2], list[0]}));
    EXPECT_TRUE(waitUntil([&] { return win.MediaPlayer1->playState() == rt::MediaControl::Playing; }, 5000));
    EXPECT_TRUE(ui.calls.empty()) << ui.messages().join(" | ").toStdString();
    win.mnuStop_Click();
    EXPECT_TRUE(waitUntil([&] { return win.MediaPlayer1->playState() == rt::MediaControl::Stopped; }, 5000));
}

TEST_F(RealMediaTest, AListOfEmptyFilesStopsAfterOnePass)
{
    QStringList list;
    for (const char* name : {"empty1.wav", "empty2.wav"}) {
        list << dir.file(name);
        ASSERT_TRUE(testsupport::writeSineWav(list.back(), testsupport::ToneSpec{.seconds = 0}));
    }
    FrmMain& win = startWith(list, 0);
    int loads = 0;
    QObject::connect(win.MediaPlayer1, &rt::MediaControl::OpenStateChange, &win, [&] { ++loads; });
    win.Timer3_Timer();
    const QString stopped = QStringLiteral("列表中的曲目都没有可以播放的内容，已停止播放。");
    ASSERT_TRUE(waitUntil([&] { return questionsAsked(stopped) == 1; }, 20000))
        << loads << " loads; " << ui.messages().join(" | ").toStdString();
    QTest::qWait(500);
    EXPECT_EQ(loads, 2) << "each file once";
    EXPECT_NE(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
}

TEST_F(RealMediaTest, AMissingEntryIsDroppedThroughTheQuestion)
{
    const QStringList list = {tone("one.wav", 330), dir.file("missing.wav"), tone("three.wav", 550)};
    FrmMain& win = startWith(list, 0);
    ui.msgAnswers = {rt::Ok, rt::Yes, rt::Ok};
    win.Timer3_Timer();
    const QString question = QStringLiteral("你要将此项从当前程序播放列表中删除吗?");
    ASSERT_TRUE(waitUntil([&] { return questionsAsked(question) == 1; }, 20000))
        << ui.messages().join(" | ").toStdString();
    ASSERT_TRUE(waitUntil([&] { return entries().size() == 2 && win.Timer[3]->isActive(); }, 5000));
    EXPECT_EQ(entries(), (QStringList{list[0], list[2]}));
    EXPECT_EQ(win.List1->currentRow(), 1) << "the entry after the dropped one";
    EXPECT_FALSE(shared().Busy);
    EXPECT_EQ(settings().AutoPlay, 0);

    // The deferred start of the new window loads that entry without playing.
    win.Timer[3]->stop();
    win.Timer3_Timer();
    EXPECT_TRUE(waitUntil([&] { return win.MediaPlayer1->fileName() == list[2]; }, 5000));
    QTest::qWait(300);
    EXPECT_NE(win.MediaPlayer1->playState(), rt::MediaControl::Playing);
}

TEST_F(RealMediaTest, ADoubleClickPlaysItsEntryWhileThePressIsStillLoadingIt)
{
    // An address that answers 0.8 s late: the press's load lets the window's
    // messages run all that time, and the second click comes in the middle.
    testsupport::LyricsServer server;
    ASSERT_TRUE(server.listen());
    const QString wav = tone("slow.wav", 660);
    QFile f(wav);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    server.setResponse(QStringLiteral("other"), {200, f.readAll(), 800});
    const QString slow = server.baseUrl() + QStringLiteral("/slow.wav");
    const QString local = dir.file("long.wav");
    ASSERT_TRUE(testsupport::writeSineWav(local, testsupport::ToneSpec{.seconds = 30}));

    for (const bool afterStop : {false, true}) {
        SCOPED_TRACE(afterStop ? "after Stop" : "nothing loaded");
        freshStart();
        FrmMain& win = startWith({local, slow}, 0);
        settings().AutoDownloadLrc = false;
        if (afterStop) {
            win.mnuPlaySelct_Click();
            ASSERT_TRUE(waitUntil([&] { return win.MediaPlayer1->playState() == rt::MediaControl::Playing; }, 10000));
            win.mnuStop_Click();
            ASSERT_TRUE(waitUntil([&] { return win.MediaPlayer1->playState() == rt::MediaControl::Stopped; }, 10000));
        }
        QWidget* vp = win.List1->viewport();
        const QPoint at = win.List1->visualItemRect(win.List1->item(1)).center();
        auto post = [&](QEvent::Type type) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QCoreApplication::postEvent(vp, new QMouseEvent(type, QPointF(at), QPointF(vp->mapToGlobal(at)),
                                                            Qt::LeftButton, held, Qt::NoModifier));
        };
        // The second click comes once the address has been asked for, while
        // the press's load waits for its answer.
        bool secondClickDuringLoad = false;
        bool clicked = false;
        const QMetaObject::Connection c =
            QObject::connect(&server, &testsupport::LyricsServer::requestReceived, &win, [&] {
                if (std::exchange(clicked, true))
                    return;
                secondClickDuringLoad = win.trackChangeRunning();
                post(QEvent::MouseButtonPress);
                post(QEvent::MouseButtonDblClick);
                post(QEvent::MouseButtonRelease);
            });
        post(QEvent::MouseButtonPress);
        post(QEvent::MouseButtonRelease);
        ASSERT_TRUE(waitUntil([&] { return win.MediaPlayer1->playState() == rt::MediaControl::Playing; }, 20000))
            << win.MediaPlayer1->fileName().toStdString();
        EXPECT_TRUE(secondClickDuringLoad);
        EXPECT_EQ(win.MediaPlayer1->fileName(), slow);
        EXPECT_EQ(win.Track.CurrentIndex, 1);
        EXPECT_TRUE(win.List1->isEnabled());
        QObject::disconnect(c);
        win.mnuStop_Click();
    }
}

} // namespace
