// The song picture of the main window: choosing and placing it, storing one
// for a track, and the refresh after the default picture changed; with the
// media stand-in and scripted boxes.
#include "core/trackname.h"
#include "tests/support/mainwindow.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <functional>
#include <utility>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

const QString kTrack = QStringLiteral("/m/song.mp3");
const QString kOther = QStringLiteral("/m/other.mp3");
const QString kClip = QStringLiteral("/m/clip.mp4");

QByteArray png(int w, int h, QColor colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

// Scripted boxes that can act while a box is open, as the user's other
// commands and the media events can.
class ActingUi : public rt::ScriptedUi {
public:
    std::function<void()> whileOpen; // once, inside the next file dialog or box
    rt::FileDialogResult openFile(const rt::FileDialogRequest& req) override
    {
        act();
        return ScriptedUi::openFile(req);
    }
    int msgBox(const QString& text, int style, const QString& title) override
    {
        act();
        return ScriptedUi::msgBox(text, style, title);
    }

private:
    void act()
    {
        if (auto f = std::exchange(whileOpen, nullptr))
            f();
    }
};

class PictureWindow : public MainWindowTest<ActingUi> {
protected:
    ActingUi& acting = ui;

    QString picsFile(const QString& track) const
    {
        return shared().DataDir + "/PICS/" + mangledTrackName(track, ".pic");
    }
    void storePicture(const QString& track, const QByteArray& bytes)
    {
        dir.write("data/PICS/" + mangledTrackName(track, ".pic"), bytes);
    }
    QByteArray stored(const QString& track) const
    {
        QFile f(picsFile(track));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    FrmMain& window(const QStringList& tracks = {kTrack, kOther})
    {
        FrmMain& win = startWith(tracks, 0);
        win.Timer3_Timer();
        settle();
        fake()->calls.clear();
        acting.calls.clear();
        acting.dialogs.clear();
        acting.msgAnswers.clear();
        acting.openAnswers.clear();
        return win;
    }
    int asked(const QString& text) const
    {
        int n = 0;
        for (const auto& c : acting.calls)
            n += c.kind == QLatin1String("msg") && c.text == text;
        return n;
    }
};

// One table over the picture step: which picture shows, where, and what
// becomes of the lyric background.
TEST_F(PictureWindow, ShowCoverPictureChoosesPlacesAndShows)
{
    struct Case {
        const char* name;
        QString track;         // CurrentFile; empty: no track
        QByteArray own;        // the track's stored picture; empty: none
        QStringList backgrounds;
        int stretch = 0;
        bool timer6 = false;
        bool video = false;
        // expected
        QSize shown;           // Image2's picture; (1, 1): the default one
        QRect place;           // Image2 in pixels
        bool ownPath = false;  // CoverPicPath names the stored picture
        QSize lyricBack;       // Image6's picture; (2, 2): unchanged
        bool areaOn = true;    // Picture2 enabled and Image2 visible
        int bkgroundCount = -1; // -1: not looked at
    };
    const QRect whole(0, 0, 288, 216);
    const QByteArray p640 = png(640, 480, Qt::red);
    const Case cases[] = {
        {"no track", "", p640, {"b.png"}, 0, false, false, {}, {}, false, {2, 2}, false, -1},
        {"own picture 4:3 in proportion", kTrack, p640, {}, 0, false, false, {640, 480}, whole, true, {640, 480}},
        {"own picture taller", kTrack, png(300, 600, Qt::red), {}, 0, false, false, {300, 600},
         QRect(90, 0, 108, 216), true, {300, 600}},
        {"own picture wider", kTrack, png(600, 300, Qt::red), {}, 0, false, false, {600, 300},
         QRect(0, 36, 288, 144), true, {600, 300}},
        {"own picture stretched", kTrack, png(300, 600, Qt::red), {}, 1, false, false, {300, 600}, whole, true,
         {300, 600}},
        {"unreadable own picture", kTrack, "not a picture", {"b.png"}, 0, false, false, {1, 1}, whole, false,
         {2, 2}},
        {"no picture, one background", kTrack, {}, {"b.png"}, 0, false, false, {1, 1}, whole, false, {5, 5}, true,
         1},
        {"no picture, empty bkground", kTrack, {}, {}, 0, false, false, {1, 1}, whole, false, {2, 2}, true, 0},
        {"Timer6 running, own picture", kTrack, p640, {"b.png"}, 0, true, false, {640, 480}, whole, true, {2, 2}},
        {"Timer6 running, no picture", kTrack, {}, {"b.png"}, 0, true, false, {1, 1}, whole, false, {2, 2}, true,
         -1},
        {"video", kClip, p640, {}, 0, false, true, {640, 480}, whole, true, {640, 480}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshStart();
        FrmMain& win = window({kTrack, kClip});
        settings().PictureStretch = c.stretch;
        QDir(shared().DataDir + "/bkground").removeRecursively();
        QDir().mkpath(shared().DataDir + "/bkground");
        for (const QString& b : c.backgrounds)
            dir.write("data/bkground/" + b, png(5, 5, Qt::blue));
        if (!c.own.isEmpty())
            storePicture(c.track.isEmpty() ? kTrack : c.track, c.own);
        win.Track.CurrentFile = c.track;
        fake()->setMedia(kClip, rt::FakeMedia{.width = 640, .height = 360});
        fake()->setFileName(c.video ? kClip : kTrack);
        QPixmap fallback(1, 1);
        fallback.fill(Qt::green);
        win.Image1->setPixmap(fallback);
        QPixmap background(2, 2);
        background.fill(Qt::gray);
        win.Image6->setPixmap(background);
        win.Image2->setPixmap(QPixmap());
        shared().BkgroundCount = -1;
        win.LrcView.LrcPaintCounter = 7;
        if (c.timer6)
            win.Timer[6]->start();

        win.ShowCoverPicture(QString());
        win.Timer[6]->stop();

        if (c.track.isEmpty()) {
            EXPECT_TRUE(win.Image2->pixmap().isNull()) << "nothing else changes";
        } else {
            EXPECT_EQ(win.Image2->pixmap().size(), c.shown);
            EXPECT_EQ(win.Image2->geometry(), c.place);
            EXPECT_TRUE(win.Image2->hasScaledContents());
        }
        EXPECT_EQ(shared().CoverPicPath, c.ownPath ? picsFile(c.track) : QString());
        EXPECT_EQ(win.Image6->pixmap().size(), c.lyricBack);
        EXPECT_EQ(win.LrcView.LrcPaintCounter, c.ownPath && !c.timer6 ? 1 : 7);
        EXPECT_EQ(win.Picture2->isEnabled(), c.areaOn);
        EXPECT_EQ(win.Image2->isVisibleTo(win.Picture2), c.areaOn);
        EXPECT_TRUE(win.Picture2->isVisibleTo(&win));
        if (c.bkgroundCount >= 0) {
            EXPECT_EQ(shared().BkgroundCount, c.bkgroundCount);
        }
        if (c.timer6 && c.bkgroundCount < 0 && !c.ownPath) {
            EXPECT_EQ(shared().BkgroundCount, -1) << "the list is not rebuilt";
        }
    }
}

TEST_F(PictureWindow, Timer6RefreshesTheSongPictureOnceAndSignals)
{
    FrmMain& win = window();
    storePicture(kTrack, png(640, 480, Qt::red));
    QPixmap background(2, 2);
    win.Image6->setPixmap(background);
    int signalled = 0;
    QObject::connect(&win, &FrmMain::coverPictureRefreshed, &win, [&] { ++signalled; });
    win.Timer[6]->start();
    win.Timer6_Timer();
    EXPECT_FALSE(win.Timer[6]->isActive());
    EXPECT_EQ(signalled, 1);
    EXPECT_EQ(win.Image2->pixmap().size(), QSize(640, 480));
    EXPECT_EQ(win.Image6->pixmap().size(), QSize(2, 2)) << "the lyric background stays";
}

TEST_F(PictureWindow, StoringAPictureForTheTrack)
{
    testsupport::TestDir elsewhere;
    const QByteArray chosenBytes = png(64, 48, Qt::red);
    const QByteArray oldBytes = png(32, 24, Qt::blue);
    elsewhere.write("new.jpg", chosenBytes);
    elsewhere.write("notes.txt", "not a picture");
    const QString question = QString::fromUtf8("你要保存当前的图片文件来替换原来的图片文件吗?");
    const QString badPicture = QString::fromUtf8("错误或不支持的图片文件！");

    struct Case {
        const char* name;
        QByteArray before;        // stored beforehand; empty: none
        QString choice;           // empty: cancelled; "<stored>": the stored file itself
        int answer = rt::No;
        // expected
        QByteArray after;         // stored afterwards; "<missing>": none
        bool asked = false;
        QString message;
        QSize shown;              // Image2's picture
        bool storedPath = false;  // CoverPicPath names the stored file
    };
    const QString newPic = elsewhere.file("new.jpg");
    const Case cases[] = {
        {"cancelled", {}, {}, rt::No, "<missing>", false, {}, {}, false},
        {"new file", {}, newPic, rt::No, chosenBytes, false, {}, {64, 48}, true},
        {"existing, No", oldBytes, newPic, rt::No, oldBytes, true, {}, {32, 24}, true},
        {"existing, Yes", oldBytes, newPic, rt::Yes, chosenBytes, true, {}, {64, 48}, true},
        {"the stored file itself, Yes", oldBytes, "<stored>", rt::Yes, oldBytes, true, {}, {32, 24}, true},
        {"not a picture", oldBytes, elsewhere.file("notes.txt"), rt::Yes, oldBytes, false, badPicture, {32, 24},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshStart();
        if (!c.before.isEmpty())
            storePicture(kTrack, c.before);
        FrmMain& win = window();
        if (c.choice.isEmpty())
            acting.openAnswers.push_back({});
        else
            acting.openAnswers.push_back({{c.choice == "<stored>" ? picsFile(kTrack) : c.choice}, 1});
        acting.msgAnswers.push_back(c.answer);

        win.mnuOpenPic_Click();
        settle();

        EXPECT_EQ(stored(kTrack), c.after);
        EXPECT_EQ(asked(question), c.asked ? 1 : 0);
        EXPECT_EQ(acting.messages().contains(c.message), !c.message.isEmpty());
        ASSERT_FALSE(acting.dialogs.empty());
        EXPECT_EQ(acting.dialogs.front().title, QString::fromUtf8("查找/替换图片"));
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(win.Image2->pixmap().size(), c.shown);
            EXPECT_TRUE(win.Image2->isVisible());
        }
        if (c.storedPath) {
            EXPECT_EQ(shared().CoverPicPath, picsFile(kTrack));
        }
    }
}

// The stored file cannot be replaced: the user is told, and what is stored
// stays. A folder in the file's place fails for every user; a read-only
// PICS only for users that permissions bind.
TEST_F(PictureWindow, AFailedCopyIsReportedAndKeepsWhatIsStored)
{
    testsupport::TestDir elsewhere;
    elsewhere.write("new.png", png(64, 48, Qt::red));
    const QString failed = QString::fromUtf8("无法保存图片文件，原来的图片文件保持不变。");
    auto reported = [&] {
        for (const QString& m : acting.messages())
            if (m.startsWith(failed))
                return true;
        return false;
    };

    {
        SCOPED_TRACE("a folder where the picture would go");
        FrmMain& win = window();
        ASSERT_TRUE(QDir().mkpath(picsFile(kTrack) + "/keep"));
        acting.openAnswers.push_back({{elsewhere.file("new.png")}, 1});
        acting.msgAnswers.push_back(rt::Yes);
        win.mnuOpenPic_Click();
        EXPECT_TRUE(reported());
        EXPECT_TRUE(QFileInfo(picsFile(kTrack) + "/keep").isDir());
        QDir(picsFile(kTrack)).removeRecursively();
    }
    {
        SCOPED_TRACE("read-only PICS");
        freshStart();
        const QByteArray old = png(32, 24, Qt::blue);
        storePicture(kTrack, old);
        const QString pics = shared().DataDir + "/PICS";
        ASSERT_TRUE(QFile::setPermissions(pics, QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(pics + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(pics, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            std::printf("[  NOTE    ] read-only PICS: skipped, folder permissions do not bind this user\n");
            return;
        }
        FrmMain& win = window();
        acting.openAnswers.push_back({{elsewhere.file("new.png")}, 1});
        acting.msgAnswers.push_back(rt::Yes);
        win.mnuOpenPic_Click();
        QFile::setPermissions(pics, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_TRUE(reported());
        EXPECT_EQ(stored(kTrack), old);
    }
}

TEST_F(PictureWindow, ThePictureCommandPausesAndResumes)
{
    struct Case {
        const char* name;
        bool pausedBefore;
    };
    for (const Case& c : {Case{"playing before", false}, Case{"paused before", true}}) {
        SCOPED_TRACE(c.name);
        freshStart();
        FrmMain& win = window();
        win.MediaPlayer1->play();
        if (c.pausedBefore)
            win.MediaPlayer1->pause();
        settle();
        fake()->calls.clear();
        int stateInDialog = -1;
        acting.whileOpen = [&] { stateInDialog = win.MediaPlayer1->playState(); };
        win.mnuOpenPic_Click(); // cancelled
        settle();
        EXPECT_EQ(stateInDialog, rt::MediaControl::Paused);
        EXPECT_EQ(win.MediaPlayer1->playState(), rt::MediaControl::Playing) << "playing after";
    }
}

// The track changes while the dialog or the question is open: the picture
// is stored for the track the command began with and not shown over the new
// one.
TEST_F(PictureWindow, ATrackChangeDuringTheCommandStoresForTheFirstTrack)
{
    testsupport::TestDir elsewhere;
    const QByteArray bytes = png(64, 48, Qt::red);
    elsewhere.write("new.png", bytes);
    for (const bool inQuestion : {false, true}) {
        SCOPED_TRACE(inQuestion ? "during the question" : "during the dialog");
        freshStart();
        if (inQuestion)
            storePicture(kTrack, png(32, 24, Qt::blue));
        FrmMain& win = window();
        ASSERT_EQ(win.Track.CurrentFile, kTrack);
        acting.openAnswers.push_back({{elsewhere.file("new.png")}, 1});
        acting.msgAnswers.push_back(rt::Yes);
        auto next = [&] {
            win.mnuNext_Click();
            settle();
        };
        // The first box is the dialog; for the question row the hook passes
        // it and acts in the question.
        if (!inQuestion)
            acting.whileOpen = next;
        else
            acting.whileOpen = [&] { acting.whileOpen = next; };
        win.mnuOpenPic_Click();
        settle();
        EXPECT_EQ(win.Track.CurrentFile, kOther);
        EXPECT_EQ(stored(kTrack), bytes);
        EXPECT_EQ(stored(kOther), "<missing>");
        EXPECT_NE(win.Image2->pixmap().size(), QSize(64, 48)) << "not shown over the new track";
        EXPECT_NE(shared().CoverPicPath, picsFile(kTrack));
    }
}

// A track path of 150 Chinese characters: the stored name fits the file
// system, and the next load of the track (also after a restart) finds it.
TEST_F(PictureWindow, ALongChinesePathIsFoundAgain)
{
    const QString track = "/音乐/" + QString(150, QChar(0x6B4C)) + ".mp3";
    testsupport::TestDir elsewhere;
    elsewhere.write("new.png", png(64, 48, Qt::red));
    FrmMain& win = window({track, kOther});
    acting.openAnswers.push_back({{elsewhere.file("new.png")}, 1});
    win.mnuOpenPic_Click();
    settle();
    ASSERT_TRUE(QFileInfo::exists(picsFile(track)));
    EXPECT_LE(QFileInfo(picsFile(track)).fileName().toUtf8().size(), 255);

    win.mnuNext_Click();
    settle();
    win.mnuNext_Click();
    settle();
    ASSERT_EQ(win.Track.CurrentFile, track);
    EXPECT_EQ(win.Image2->pixmap().size(), QSize(64, 48));
    EXPECT_EQ(shared().CoverPicPath, picsFile(track));

    // After a restart.
    w.reset();
    FrmMain& again = window({track, kOther});
    EXPECT_EQ(again.Image2->pixmap().size(), QSize(64, 48));
    EXPECT_EQ(shared().CoverPicPath, picsFile(track));
}

TEST_F(PictureWindow, TheViewMenuAndThePicturePopUpRunTheCommand)
{
    for (QAction* FrmMain::*item : {&FrmMain::mnuOpenPic, &FrmMain::PopOpenPic}) {
        freshStart();
        FrmMain& win = window();
        SCOPED_TRACE((win.*item)->objectName().toStdString());
        acting.dialogs.clear();
        (win.*item)->trigger();
        settle();
        ASSERT_EQ(acting.dialogs.size(), 1u);
        EXPECT_EQ(acting.dialogs.front().title, QString::fromUtf8("查找/替换图片"));
    }
}

} // namespace
