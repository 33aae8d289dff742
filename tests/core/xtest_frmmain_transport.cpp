// A playlist through the real media control (libmpv with null outputs) in a
// shown main window: it plays from end to end and wraps, and a broken entry
// leads to the question and the in-process reload without losing the rest.
#include "platform/mpvmediacontrol.h"
#include "tests/core/test_frmmain_transport_fixture.h"
#include "tests/support/audiogen.h"

using namespace melodune;
using transporttest::WindowTest;

namespace {

class RealMediaTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        makeMedia = [](QObject* parent) {
            return new rt::MpvMediaControl(rt::MpvOptions::parse("ao=null,vo=null,open-timeout-ms=5000"), nullptr,
                                           parent);
        };
    }
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

} // namespace
