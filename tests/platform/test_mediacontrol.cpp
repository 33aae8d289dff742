// Contract of the media control, against real libmpv (null outputs) and the
// scripted stand-in.
#include "platform/mediacontrolfake.h"
#include "platform/mpvlibrary.h"
#include "platform/mpvmediacontrol.h"
#include "tests/support/audiogen.h"
#include "tests/support/ownsoundserver.h"
#include "tests/support/testdir.h"
#include "tests/support/videogen.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <utility>
#include <fcntl.h>
#include <poll.h>
#include <sndfile.h>
#include <sys/socket.h>
#include <unistd.h>

using rt::MediaControl;
using rt::MediaError;
using testsupport::MediaTags;
using testsupport::ToneSpec;

namespace {

std::unique_ptr<rt::MpvMediaControl> makeMpv(const QString& extra = {})
{
    return std::make_unique<rt::MpvMediaControl>(
        rt::MpvOptions::parse("ao=null,vo=null,open-timeout-ms=5000" + (extra.isEmpty() ? "" : "," + extra)));
}

// Records the state each PlayStateChange handler sees.
struct StateLog {
    QList<int> states;
    explicit StateLog(MediaControl& mc)
    {
        QObject::connect(&mc, &MediaControl::PlayStateChange, &mc, [this, &mc] { states << mc.playState(); });
    }
};

// --- the same sequence on the real control and on the stand-in -----------

struct MpvSide {
    testsupport::TestDir dir;
    std::unique_ptr<MediaControl> make() { return makeMpv(); }
    // A player whose sound goes to a server of the test's own, which
    // loseOutput() kills and regainOutput() starts again; null without one.
    std::unique_ptr<testsupport::OwnSoundServer> sound;
    std::unique_ptr<testsupport::ScopedPulseServer> soundEnv;
    std::unique_ptr<MediaControl> makeWithOutput()
    {
        if (!testsupport::OwnSoundServer::available())
            return nullptr;
        sound = std::make_unique<testsupport::OwnSoundServer>(dir.file("pulse"));
        if (!sound->start())
            return nullptr;
        soundEnv = std::make_unique<testsupport::ScopedPulseServer>(sound->address());
        return std::make_unique<rt::MpvMediaControl>(rt::MpvOptions::parse("ao=pulse,vo=null,open-timeout-ms=10000"));
    }
    void loseOutput(MediaControl&) { sound->kill(); }
    bool regainOutput() { return sound->start(); }
    QString longMedia()
    {
        const QString p = dir.file("long.wav");
        EXPECT_TRUE(testsupport::writeSineWav(p, ToneSpec{.seconds = 8.0}));
        return p;
    }
    QString goodMedia()
    {
        const QString p = dir.file("tone.wav");
        EXPECT_TRUE(testsupport::writeSineWav(p, ToneSpec{.seconds = 2.0}));
        return p;
    }
    QString badMedia() { return dir.file("missing.wav"); }
    // A moment of playing, without waiting for the position to move.
    void tick(MediaControl&) { QTest::qWait(20); }
    // A loaded machine can start the sound late: while playing, wait until
    // the position has really moved most of the way.
    void advance(MediaControl& mc, double seconds)
    {
        const double from = mc.currentPosition();
        QTest::qWait(int(seconds * 1000));
        if (mc.playState() == MediaControl::Playing)
            // A late clock is the caller's to judge by the position.
            static_cast<void>(QTest::qWaitFor([&] { return mc.currentPosition() >= from + seconds * 0.75; }, 3000));
    }
};

struct FakeSide {
    std::unique_ptr<MediaControl> make()
    {
        auto f = std::make_unique<rt::FakeMediaControl>();
        f->openUnknown = false;
        f->setMedia("tone.wav", rt::FakeMedia{.duration = 2.0});
        fake = f.get();
        return f;
    }
    QString goodMedia() { return "tone.wav"; }
    QString badMedia() { return "missing.wav"; }
    void advance(MediaControl&, double seconds) { fake->advance(seconds); }
    void tick(MediaControl&) { fake->advance(0.02); }
    std::unique_ptr<MediaControl> makeWithOutput()
    {
        auto mc = make();
        fake->setMedia("long.wav", rt::FakeMedia{.duration = 8.0});
        return mc;
    }
    void loseOutput(MediaControl&) { fake->loseOutput(); }
    bool regainOutput() { return true; }
    QString longMedia() { return "long.wav"; }
    rt::FakeMediaControl* fake = nullptr;
};

template <class Side>
class MediaContract : public ::testing::Test {
protected:
    Side side;
};
using Sides = ::testing::Types<MpvSide, FakeSide>;
TYPED_TEST_SUITE(MediaContract, Sides);

TYPED_TEST(MediaContract, TrackRoad)
{
    auto mc = this->side.make();
    const QString good = this->side.goodMedia();
    EXPECT_EQ(mc->playState(), MediaControl::Closed);
    EXPECT_EQ(mc->fileName(), QString());

    QSignalSpy opened(mc.get(), &MediaControl::OpenStateChange);
    StateLog log(*mc);
    mc->setFileName(good);
    EXPECT_EQ(mc->fileName(), good);
    EXPECT_EQ(mc->playState(), MediaControl::Stopped);
    EXPECT_EQ(opened.count(), 0) << "events come from the event loop, not from inside the call";
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.count() == 1 && log.states.size() == 1; }, 2000));
    EXPECT_NEAR(mc->duration(), 2.0, 0.05);
    EXPECT_EQ(mc->imageSourceWidth(), 0);
    EXPECT_EQ(mc->imageSourceHeight(), 0);

    mc->play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.states.size() == 2; }, 2000));
    this->side.advance(*mc, 1.0);
    mc->pause();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.states.size() == 3; }, 2000));
    // The last position update of a busy player can trail the pause event.
    QTest::qWait(150);
    const double paused = mc->currentPosition();
    EXPECT_GT(paused, 0.7);
    this->side.advance(*mc, 0.3);
    EXPECT_NEAR(mc->currentPosition(), paused, 0.01);

    mc->stop();
    EXPECT_EQ(mc->currentPosition(), 0.0);
    EXPECT_EQ(mc->fileName(), good);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.states.size() == 4; }, 2000));
    EXPECT_EQ(log.states, (QList<int>{MediaControl::Stopped, MediaControl::Playing, MediaControl::Paused,
                                      MediaControl::Stopped}));

    mc->play(); // from 0 again
    EXPECT_LT(mc->currentPosition(), 0.2);
    EXPECT_EQ(mc->playState(), MediaControl::Playing);
    this->side.advance(*mc, 0.2);
    EXPECT_LT(mc->currentPosition(), paused - 0.1);

    EXPECT_THROW(mc->setFileName(this->side.badMedia()), MediaError);
    EXPECT_EQ(mc->playState(), MediaControl::Closed);
    EXPECT_EQ(mc->fileName(), QString());
    EXPECT_EQ(mc->duration(), 0.0);
    mc->play(); // ignored
    EXPECT_EQ(mc->playState(), MediaControl::Closed);

    mc->setFileName(good); // usable again
    EXPECT_EQ(mc->playState(), MediaControl::Stopped);
}

// The sound server goes away while a track plays: the track stays where it
// was, paused, and plays on from there once the server is back.
TYPED_TEST(MediaContract, ALostSoundOutputIsNoEndOfStream)
{
    auto mc = this->side.makeWithOutput();
    if (!mc)
        GTEST_SKIP() << "no pulseaudio program";
    const QString song = this->side.longMedia();
    mc->setFileName(song);
    QSignalSpy ends(mc.get(), &MediaControl::EndOfStream);
    QSignalSpy lost(mc.get(), &MediaControl::OutputLost);
    mc->play();
    ASSERT_EQ(mc->playState(), MediaControl::Playing);
    this->side.advance(*mc, 1.5);
    const double before = mc->currentPosition();
    ASSERT_GT(before, 1.0);

    this->side.loseOutput(*mc);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost.count() == 1; }, 20000));
    QTest::qWait(300);
    EXPECT_EQ(ends.count(), 0);
    EXPECT_EQ(mc->playState(), MediaControl::Paused);
    EXPECT_EQ(mc->fileName(), song);
    const double kept = mc->currentPosition();
    EXPECT_GE(kept, before - 0.1);
    // Not at the end: at most the time the loss took to be noticed later.
    EXPECT_LT(kept, before + 5.0);

    ASSERT_TRUE(this->side.regainOutput());
    mc->play();
    EXPECT_EQ(mc->playState(), MediaControl::Playing);
    // Watched in small steps while it opens again: a start from the
    // beginning would show a place before the kept one.
    double lowest = kept;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            this->side.tick(*mc);
            const double at = mc->currentPosition();
            lowest = std::min(lowest, at);
            return at > kept + 0.3;
        },
        30000));
    EXPECT_GE(lowest, kept - 0.1) << "plays on from its place, not from the start";
    EXPECT_EQ(ends.count(), 0);
    EXPECT_EQ(lost.count(), 1);
}

// --- real control ----------------------------------------------------------

class MpvMedia : public ::testing::Test {
protected:
    testsupport::TestDir dir;
    QString wav(const QString& name, double seconds = 1.0, const MediaTags& tags = {})
    {
        const QString p = dir.file(name);
        EXPECT_TRUE(testsupport::writeSineWav(p, ToneSpec{.seconds = seconds}, tags));
        return p;
    }
    QString mp3(const QString& name, double seconds = 1.0, const MediaTags& tags = {})
    {
        const QString p = dir.file(name);
        EXPECT_TRUE(testsupport::writeSineMp3(p, ToneSpec{.seconds = seconds}, tags));
        return p;
    }
};

TEST_F(MpvMedia, OpensPausedAndNeverPlaysByItself)
{
    auto mc = makeMpv();
    const QString name = mp3("歌 1.mp3", 1.0);
    StateLog log(*mc);
    mc->setFileName(name);
    EXPECT_EQ(mc->fileName(), name);
    // The player holds it paused: nothing can start it later.
    EXPECT_EQ(mc->propertyText("pause"), QStringLiteral("yes"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.states.isEmpty(); }, 2000)); // the open's own event
    EXPECT_EQ(mc->playState(), MediaControl::Stopped);
    EXPECT_EQ(mc->currentPosition(), 0.0);
    EXPECT_FALSE(log.states.contains(MediaControl::Playing));
}

TEST_F(MpvMedia, ALyricFileBesideTheTrackIsNoSubtitle)
{
    auto mc = makeMpv();
    const QString name = wav("song.wav");
    QFile lrc(dir.file("song.lrc"));
    ASSERT_TRUE(lrc.open(QIODevice::WriteOnly));
    lrc.write("[00:00.10]line\n");
    lrc.close();
    mc->setFileName(name);
    EXPECT_EQ(mc->propertyText("track-list/count"), QStringLiteral("1"));
    EXPECT_EQ(mc->propertyText("track-list/0/type"), QStringLiteral("audio"));
}

TEST_F(MpvMedia, UnopenableMediaRaises)
{
    QFile junk(dir.file("junk.mp3"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, '\x5a'));
    junk.close();
    QTcpServer silent; // accepts, never answers: a dead stream
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString dead = QStringLiteral("http://127.0.0.1:%1/live.mp3").arg(silent.serverPort());

    auto mc = makeMpv("open-timeout-ms=1500");
    const QString good = wav("good.wav");
    for (const QString& bad : {dir.file("missing.wav"), dir.file("junk.mp3"), dead}) {
        SCOPED_TRACE(bad.toStdString());
        mc->setFileName(good);
        // The open wait is bounded by open-timeout-ms: a dead stream throws instead of hanging.
        EXPECT_THROW(mc->setFileName(bad), MediaError);
        EXPECT_EQ(mc->playState(), MediaControl::Closed);
        EXPECT_EQ(mc->fileName(), QString());
    }
}

TEST_F(MpvMedia, AnOptionThePlayerRefusesMakesItUnavailableOnce)
{
    // The player is made and given up again inside the failing start; the
    // next open does not try again, and says why.
    auto mc = makeMpv("no-such-option=1");
    QSignalSpy unavailable(mc.get(), &MediaControl::Unavailable);
    const QString name = wav("song.wav");
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            mc->setFileName(name);
            ADD_FAILURE() << "opened without a player";
        } catch (const rt::MediaUnavailable& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("no-such-option"))) << e.what();
        }
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !unavailable.isEmpty(); }, 2000));
    EXPECT_EQ(unavailable.size(), 1);
    EXPECT_TRUE(unavailable.first().first().toString().contains(QStringLiteral("no-such-option")));
    EXPECT_EQ(mc->fileName(), QString());
}

TEST_F(MpvMedia, WindowMessagesRunWhileADeadStreamOpens)
{
    QTcpServer silent; // accepts, never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString dead = QStringLiteral("http://127.0.0.1:%1/live.mp3").arg(silent.serverPort());
    auto mc = makeMpv("open-timeout-ms=1500");
    const QString good = wav("good.wav");

    // A 50 ms timer of the window goes on ticking through the wait.
    int ticks = 0;
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    EXPECT_THROW(mc->setFileName(dead), MediaError);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(mc->playState(), MediaControl::Closed);

    // A command that runs meanwhile and opens another media wins: the wait
    // for the dead one ends without closing it.
    bool opened = false;
    QObject::connect(&timer, &QTimer::timeout, mc.get(), [&] {
        if (!std::exchange(opened, true))
            mc->setFileName(good);
    });
    StateLog log(*mc);
    EXPECT_NO_THROW(mc->setFileName(dead));
    EXPECT_TRUE(opened);
    EXPECT_EQ(mc->fileName(), good);
    EXPECT_EQ(mc->playState(), MediaControl::Stopped);
    timer.stop();
    QTest::qWait(200);
    EXPECT_EQ(mc->fileName(), good);
    EXPECT_EQ(log.states, QList<int>{MediaControl::Stopped});
    mc->play();
    EXPECT_EQ(mc->playState(), MediaControl::Playing);
}

TEST_F(MpvMedia, EndOfStreamOnceBeforeStopped)
{
    auto mc = makeMpv();
    const QString name = wav("short.wav", 0.5);
    StateLog log(*mc);
    mc->setFileName(name);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.states.size() == 1; }, 2000));
    QList<int> statesAtEnd;
    QStringList namesAtEnd;
    QObject::connect(mc.get(), &MediaControl::EndOfStream, mc.get(), [&] {
        statesAtEnd << mc->playState();
        namesAtEnd << mc->fileName();
    });
    mc->play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return mc->playState() == MediaControl::Stopped; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(statesAtEnd, QList<int>{MediaControl::Playing});
    EXPECT_EQ(namesAtEnd, QStringList{name});
    EXPECT_EQ(log.states, (QList<int>{MediaControl::Stopped, MediaControl::Playing, MediaControl::Stopped}));
    EXPECT_EQ(mc->fileName(), name);
    EXPECT_EQ(mc->currentPosition(), 0.0);

    mc->play(); // plays again from the start, and ends once more
    ASSERT_TRUE(QTest::qWaitFor([&] { return statesAtEnd.size() == 2; }, 5000));
}

TEST_F(MpvMedia, EndOfStreamHandlerMovesToNextTrack)
{
    auto mc = makeMpv();
    const QString first = wav("first.wav", 0.4);
    const QString second = mp3("second.mp3", 1.5);
    mc->setFileName(first);
    QSignalSpy ends(mc.get(), &MediaControl::EndOfStream);
    QObject::connect(mc.get(), &MediaControl::EndOfStream, mc.get(), [&] {
        if (mc->fileName() == first) {
            mc->setFileName(second);
            mc->play();
        }
    });
    mc->play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return mc->fileName() == second; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(mc->playState(), MediaControl::Playing) << "the end of the old track must not stop the new one";
    EXPECT_EQ(ends.count(), 1);
}

TEST_F(MpvMedia, TagsReadBack)
{
    const MediaTags tags{.title = QStringLiteral("月亮代表我的心"), .artist = QStringLiteral("Singer A"),
                         .copyright = QStringLiteral("(c) 2024"), .comment = QStringLiteral("demo take")};
    struct Case {
        QString name;
        QString file;
    };
    const QList<Case> cases = {{"wav", wav("t.wav", 0.5, tags)},
                               {"mp3", mp3("t.mp3", 0.5, tags)}};
    auto mc = makeMpv();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        mc->setFileName(c.file);
        EXPECT_EQ(mc->getMediaInfoString(MediaControl::InfoTitle), tags.title);
        EXPECT_EQ(mc->getMediaInfoString(MediaControl::InfoAuthor), tags.artist);
        EXPECT_EQ(mc->getMediaInfoString(MediaControl::InfoCopyright), tags.copyright);
        EXPECT_EQ(mc->getMediaInfoString(MediaControl::InfoDescription), tags.comment);
        EXPECT_EQ(mc->getMediaInfoString(3), QString());
    }
    mc->setFileName(wav("plain.wav", 0.5));
    EXPECT_EQ(mc->getMediaInfoString(MediaControl::InfoTitle), QString()) << "no file name stand-in";
}

TEST_F(MpvMedia, CoverArtIsNoPicture)
{
    QImage img(32, 24, QImage::Format_RGB32);
    img.fill(Qt::red);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    ASSERT_TRUE(img.save(&png, "PNG"));
    auto mc = makeMpv();
    mc->setFileName(mp3("cover.mp3", 0.5, MediaTags{.title = "With cover", .coverImage = png.data()}));
    EXPECT_EQ(mc->getMediaInfoString(MediaControl::InfoTitle), "With cover");
    EXPECT_EQ(mc->imageSourceWidth(), 0);
    EXPECT_EQ(mc->imageSourceHeight(), 0);
}

TEST_F(MpvMedia, GeneratedVideoHasAPicture)
{
    auto mc = makeMpv();
    const QString src = dir.file("video.y4m");
    ASSERT_TRUE(testsupport::writeTestVideo(src));
    mc->setFileName(src);
    EXPECT_EQ(mc->imageSourceWidth(), 64);
    EXPECT_EQ(mc->imageSourceHeight(), 48);
    mc->setFileName(wav("a.wav", 0.3));
    EXPECT_EQ(mc->imageSourceWidth(), 0);
    EXPECT_EQ(mc->imageSourceHeight(), 0);
    mc->setDisplaySize(MediaControl::DisplayFullScreen); // audio: ignored
    EXPECT_NE(mc->displaySize(), MediaControl::DisplayFullScreen);
}

// A list may hold any text: the player's own addresses would read one of the
// program's descriptors (its display connection) or make media up. They are
// refused; a name of a local file is that file, whatever it looks like.
TEST_F(MpvMedia, OnlyFilesAndStreamAddressesReachThePlayer)
{
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    ASSERT_EQ(::write(pair[1], "display", 7), 7);
    const QString fd = QString::number(pair[0]);
    auto mc = makeMpv("open-timeout-ms=1500");
    const QString good = wav("good.wav");
    for (const QString& bad : {"fd://" + fd, "fdclose://" + fd, QStringLiteral("edl://fd://") + fd,
                               QStringLiteral("av://lavfi:sine"), QStringLiteral("lavf://file:") + good,
                               QStringLiteral("memory://RIFF"), QStringLiteral("appending://") + good}) {
        SCOPED_TRACE(bad.toStdString());
        mc->setFileName(good);
        EXPECT_THROW(mc->setFileName(bad), MediaError);
        EXPECT_EQ(mc->playState(), MediaControl::Closed);
        EXPECT_EQ(mc->fileName(), QString());
    }
    pollfd waiting{pair[0], POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 0), 1) << "the descriptor was read";
    EXPECT_NE(::fcntl(pair[0], F_GETFD), -1) << "the descriptor was closed";
    ::close(pair[0]);
    ::close(pair[1]);

    // Files named like the player's special names, relative to the working
    // folder, and a file:// address.
    ASSERT_TRUE(QDir().mkpath(dir.file("fd:")));
    ASSERT_TRUE(QFile::copy(good, dir.file("fd:/3")));
    ASSERT_TRUE(QFile::copy(good, dir.file("-")));
    const QString was = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const QString& name : {QStringLiteral("-"), QStringLiteral("fd:/3"),
                                QUrl::fromLocalFile(good).toString()}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_NO_THROW(mc->setFileName(name));
        EXPECT_EQ(mc->fileName(), name);
        EXPECT_EQ(mc->playState(), MediaControl::Stopped);
    }
    QDir::setCurrent(was);
}

TEST(MpvOpenTarget, PathsBecomeAbsoluteFilesAndOnlyStreamSchemesPass)
{
    const QString cwd = QDir::currentPath();
    const std::pair<QString, std::optional<QByteArray>> rows[] = {
        {"/m/歌.mp3", QStringLiteral("/m/歌.mp3").toUtf8()},
        {"a.mp3", (cwd + "/a.mp3").toUtf8()},
        {"-", (cwd + "/-").toUtf8()},
        {"dir/fd://3", (cwd + "/dir/fd:/3").toUtf8()},
        {"file:///m/a%20b.mp3", QByteArray("/m/a b.mp3")},
        {"http://radio.example.com:8000/live", QByteArray("http://radio.example.com:8000/live")},
        {"HTTPS://h/a.mp3", QByteArray("HTTPS://h/a.mp3")},
        {"mms://h/s", QByteArray("mms://h/s")},
        {"rtsp://h/s", QByteArray("rtsp://h/s")},
        {"rtmp://h/app/s", QByteArray("rtmp://h/app/s")},
        {"fd://3", std::nullopt},
        {"fdclose://8", std::nullopt},
        {"av://lavfi:sine", std::nullopt},
        {"edl://a.mp3", std::nullopt},
        {"lavf://file:/etc/passwd", std::nullopt},
        {"memory://abc", std::nullopt},
        {"ytdl://x", std::nullopt},
        {"dvd://", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [name, target] : rows)
        EXPECT_EQ(rt::mpvOpenTarget(name), target) << name.toStdString();
}

// ao=pcm writes what would be heard, so the balance filter can be measured.
TEST_F(MpvMedia, BalanceReadsBackAndPansTheOutput)
{
    struct Case {
        int set, readBack;
        bool leftQuiet, rightQuiet;
    };
    const QList<Case> cases = {{0, 0, false, false}, {5000, 5000, true, false}, {-5000, -5000, false, true},
                               {9000, 5000, true, false}, {-2500, -2500, false, false}};
    const QString src = wav("b.wav", 0.3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        const QString out = dir.file(QStringLiteral("out%1.wav").arg(c.set));
        auto mc = makeMpv("ao=pcm,ao-pcm-file=" + out);
        mc->setBalance(c.set);
        EXPECT_EQ(mc->balance(), c.readBack);
        mc->setFileName(src);
        mc->play();
        ASSERT_TRUE(QTest::qWaitFor([&] { return mc->playState() == MediaControl::Stopped; }, 5000));
        mc.reset();

        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(out).constData(), SFM_READ, &info);
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(info.channels, 2);
        std::vector<float> pcm(std::size_t(info.frames) * 2);
        sf_readf_float(f, pcm.data(), info.frames);
        sf_close(f);
        double peak[2] = {0, 0};
        for (std::size_t i = 0; i < pcm.size(); ++i)
            peak[i % 2] = std::max(peak[i % 2], double(std::abs(pcm[i])));
        EXPECT_EQ(peak[0] < 0.01, c.leftQuiet) << peak[0];
        EXPECT_EQ(peak[1] < 0.01, c.rightQuiet) << peak[1];
        EXPECT_GT(std::max(peak[0], peak[1]), 0.3);
    }
}

TEST(MpvLibrary, OnlyALibraryWithEveryFunctionOpens)
{
    testsupport::TestDir dir;
    dir.write("junk.so", QByteArray(4096, '\x5a'));
    struct Case {
        QString file;
        bool opens;
        const char* reason;
    };
    const QList<Case> cases = {
        {dir.file("missing.so"), false, "missing.so"},
        {dir.file("junk.so"), false, "junk.so"},
        {"libc.so.6", false, "mpv_client_api_version is missing"},
        {rt::mpvLibraryFile(), true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        std::vector<void*> functions;
        QString why;
        EXPECT_EQ(rt::openMpvLibrary(c.file, &functions, &why), c.opens);
        EXPECT_TRUE(why.contains(c.reason)) << why.toStdString();
        EXPECT_EQ(functions.empty(), !c.opens);
        EXPECT_EQ(std::count(functions.begin(), functions.end(), nullptr), 0);
    }
}

TEST(MpvBalanceFilter, ZeroIsNoFilterAndSidesCut)
{
    EXPECT_EQ(rt::mpvBalanceFilter(0), QString());
    EXPECT_TRUE(rt::mpvBalanceFilter(2000).contains("c0=0.100000*c0|c1=1.000000*c1"));
    EXPECT_TRUE(rt::mpvBalanceFilter(-2000).contains("c0=1.000000*c0|c1=0.100000*c1"));
}

TEST(MpvOptionsParse, PairsAndTimeout)
{
    const auto o = rt::MpvOptions::parse(" ao=null, vo=null ,open-timeout-ms=250,vo=libmpv");
    EXPECT_EQ(o.openTimeoutMs, 250);
    EXPECT_EQ(o.value("ao"), "null");
    EXPECT_EQ(o.value("vo"), "libmpv");
    EXPECT_EQ(o.options.size(), 3);
    EXPECT_EQ(rt::MpvOptions::parse("").options.size(), 0);
}

// --- stand-in specifics ------------------------------------------------------

TEST(FakeMedia, ScriptedEndAndCallLog)
{
    rt::FakeMediaControl mc;
    mc.setMedia("a.mp3", rt::FakeMedia{.duration = 3.0, .title = "A"});
    mc.failOpen("bad.mp3");
    StateLog log(mc);
    QSignalSpy ends(&mc, &MediaControl::EndOfStream);
    int stateAtEnd = -1;
    QObject::connect(&mc, &MediaControl::EndOfStream, &mc, [&] { stateAtEnd = mc.playState(); });

    mc.setFileName("a.mp3");
    EXPECT_EQ(mc.getMediaInfoString(MediaControl::InfoTitle), "A");
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.states.size() == 1; }, 1000));
    mc.play();
    mc.advance(5.0);
    EXPECT_EQ(ends.count(), 0) << "queued";
    ASSERT_TRUE(QTest::qWaitFor([&] { return mc.playState() == MediaControl::Stopped && ends.count() == 1; }, 1000));
    EXPECT_EQ(stateAtEnd, MediaControl::Playing);
    QCoreApplication::sendPostedEvents(); // whatever the end posted
    EXPECT_EQ(log.states, (QList<int>{MediaControl::Stopped, MediaControl::Playing, MediaControl::Stopped}));

    EXPECT_THROW(mc.setFileName("bad.mp3"), MediaError);
    mc.failNextOpen();
    EXPECT_THROW(mc.setFileName("a.mp3"), MediaError);
    mc.setFileName("a.mp3");
    EXPECT_EQ(mc.calls, (QStringList{"FileName=a.mp3", "Play", "FileName=bad.mp3", "FileName=a.mp3",
                                     "FileName=a.mp3"}));
}

TEST(FakeMedia, FullScreenOnlyForPicturesAndEscLeaves)
{
    QWidget window;
    window.resize(400, 300);
    rt::FakeMediaControl mc(&window);
    mc.widget()->setGeometry(10, 20, 120, 90);
    window.show();
    mc.setMedia("song.mp3", rt::FakeMedia{});
    mc.setMedia("clip.avi", rt::FakeMedia{.width = 320, .height = 240});

    mc.setFileName("song.mp3");
    mc.setDisplaySize(MediaControl::DisplayFullScreen);
    EXPECT_EQ(mc.displaySize(), MediaControl::DisplayDefault);

    mc.setFileName("clip.avi");
    mc.setDisplaySize(MediaControl::DisplayFullScreen);
    EXPECT_EQ(mc.displaySize(), MediaControl::DisplayFullScreen);
    EXPECT_TRUE(mc.widget()->isWindow());
    QTest::keyClick(mc.widget(), Qt::Key_Escape);
    EXPECT_EQ(mc.displaySize(), MediaControl::DisplayDefault);
    EXPECT_FALSE(mc.widget()->isWindow());
    EXPECT_EQ(mc.widget()->parentWidget(), &window);
    EXPECT_EQ(mc.widget()->geometry(), QRect(10, 20, 120, 90));

    mc.setDisplaySize(MediaControl::DisplayFullScreen);
    mc.setFileName("song.mp3"); // no picture to show any more
    EXPECT_EQ(mc.displaySize(), MediaControl::DisplayDefault);
}

TEST(FakeMedia, FocusRaisesGotFocus)
{
    QWidget window;
    QWidget other(&window);
    other.setFocusPolicy(Qt::StrongFocus);
    rt::FakeMediaControl mc(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 2000));
    other.setFocus();
    QSignalSpy focus(&mc, &MediaControl::GotFocus);
    mc.widget()->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return focus.count() == 1; }, 1000));
    other.setFocus();
    EXPECT_EQ(focus.count(), 1);
}

} // namespace
