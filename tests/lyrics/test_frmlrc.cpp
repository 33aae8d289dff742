// The full-screen lyrics window with the scripted media control: opening,
// sub-modes, the fill, closing, the offset keys and the tick's share of it.
#include "tests/lyrics/lyrictickwindow.h"

#include "controls/xpbutton.h"
#include "dialogs/frmset.h"
#include "lyrics/frmlrc.h"
#include "lyrics/lyricstrip.h"
#include "lyrics/richtextview.h"
#include "platform/clock.h"
#include "platform/ui.h"
#include "platform/units.h"
#include "visual/visualpanel.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

using namespace melodune;
using testsupport::LyricTickWindow;

namespace {

const QString kLrc = QStringLiteral("[00:01.00]one\n[00:02.00]two\n[00:03.50]three\n");

// A random generator that always gives the same number.
class FixedRandom : public rt::FakeClock {
public:
    double value = 0;
    double uniform01() override { return value; }
};

// A main window on screen playing lyrics, with a full-screen request.
struct Opened : LyricTickWindow {
    explicit Opened(int mode, const rt::FakeMedia& media = {})
    {
        w->show();
        w->Label4->setText(QStringLiteral("Melodune - 歌曲"));
        play(media);
        loadLyrics(kLrc);
        settings().LrcViewMode = mode;
        tickAt(0.5);
    }
    FrmLrc* lrc() { return w->lyricsWindow(); }
    // Lets the window's 1 ms fill run.
    bool open()
    {
        return QTest::qWaitFor([&] { return w->lyricsWindowShown(); }, 2000);
    }
};

QPixmap solid(QColor c, int width = 40, int height = 30)
{
    QPixmap p(width, height);
    p.fill(c);
    return p;
}

QColor colourOf(const QPixmap& p)
{
    return p.isNull() ? QColor() : p.toImage().pixelColor(p.width() / 2, p.height() / 2);
}

void keyUp(FrmLrc& lrc, Qt::Key key, Qt::KeyboardModifiers mods = {})
{
    QTest::keyRelease(lrc.windowHandle(), key, mods);
}

void keyDown(FrmLrc& lrc, Qt::Key key, Qt::KeyboardModifiers mods = {})
{
    QTest::keyPress(lrc.windowHandle(), key, mods);
}

} // namespace

TEST(FrmLrc, OpensOverTheWholeScreenInItsSubModeAndCyclesThem)
{
    const struct {
        int mode;
        bool textBox, background, rows;
        int afterRightClick, afterH;
    } rows[] = {
        {100, true, false, false, 101, 102},
        {101, false, false, false, 102, 100},
        {102, false, true, true, 100, 101},
        {150, true, true, false, 150, 150},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.mode);
        Opened t(r.mode);
        FrmMain& w = *t.w;
        ASSERT_NE(t.lrc(), nullptr) << "the tick asked for the window";
        EXPECT_FALSE(t.lrc()->isVisible()) << "it shows itself 1 ms later";
        ASSERT_TRUE(t.open());
        FrmLrc& lrc = *t.lrc();
        EXPECT_FALSE(w.isVisible());
        EXPECT_TRUE(lrc.windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(lrc.parentWidget(), nullptr);
        EXPECT_EQ(lrc.windowTitle(), QStringLiteral("歌词窗口"));
        EXPECT_EQ(lrc.geometry(), w.screen()->geometry());
        EXPECT_EQ(lrc.RichTextBox1->isVisible(), r.textBox);
        EXPECT_EQ(lrc.Image1->isVisibleTo(&lrc), r.background);
        for (QLabel* row : lrc.Picture2)
            EXPECT_EQ(row->isVisibleTo(&lrc), r.rows);
        EXPECT_EQ(lrc.Picture3->isVisibleTo(&lrc), r.rows);
        EXPECT_TRUE(lrc.Timer[0]->isActive()) << "the video button is watched";

        // A right click changes the sub-mode once the event loop has run.
        QTest::mouseClick(lrc.Picture1, Qt::RightButton);
        EXPECT_EQ(settings().LrcViewMode, r.mode);
        EXPECT_TRUE(lrc.Timer[2]->isActive());
        // Timer2 stops itself once it has run.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !lrc.Timer[2]->isActive(); }, 2000));
        EXPECT_EQ(settings().LrcViewMode, r.afterRightClick);
        // H changes it at once.
        QTest::keyClick(lrc.windowHandle(), Qt::Key_H);
        EXPECT_EQ(settings().LrcViewMode, r.afterH);
        EXPECT_TRUE(w.lyricsWindowShown());
        EXPECT_FALSE(w.isVisible());
    }
}

TEST(FrmLrc, SubModesShowTheirOwnControls)
{
    Opened t(100);
    ASSERT_TRUE(t.open());
    FrmLrc& lrc = *t.lrc();
    lrc.Timer2_Timer();
    EXPECT_EQ(settings().LrcViewMode, 101);
    EXPECT_FALSE(lrc.RichTextBox1->isVisible());
    EXPECT_FALSE(lrc.Image1->isVisibleTo(&lrc));
    EXPECT_FALSE(lrc.Picture2[1]->isVisibleTo(&lrc));
    EXPECT_TRUE(lrc.Picture1->isVisibleTo(&lrc));
    lrc.Timer2_Timer();
    EXPECT_EQ(settings().LrcViewMode, 102);
    EXPECT_TRUE(lrc.Image1->isVisibleTo(&lrc));
    EXPECT_TRUE(lrc.Picture2[0]->isVisibleTo(&lrc));
    EXPECT_TRUE(lrc.Picture3->isVisibleTo(&lrc));
    lrc.Timer2_Timer();
    EXPECT_EQ(settings().LrcViewMode, 100);
    EXPECT_TRUE(lrc.RichTextBox1->isVisible());
    EXPECT_FALSE(lrc.Timer[2]->isActive());
}

TEST(FrmLrc, AViewCommandBeforeTheFillOpensNothing)
{
    Opened t(102);
    const QPointer<FrmLrc> lrc = t.lrc();
    ASSERT_TRUE(lrc->Timer[1]->isActive());
    t.w->mnuLrcVS0_Click();
    EXPECT_EQ(settings().LrcViewMode, 0);
    // The fill has had its turn (its timer stops itself first).
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lrc || !lrc->Timer[1]->isActive(); }, 2000));
    EXPECT_FALSE(t.w->lyricsWindowShown());
    EXPECT_TRUE(t.w->isVisible());
    EXPECT_EQ(settings().LrcViewMode, 0);
}

TEST(FrmLrc, TheStripSubModeTakesARandomBackgroundOrTheTrackPicture)
{
    FixedRandom random;
    rt::ScopedClock clock(&random);
    Opened t(101);
    const QString folder = shared().DataDir + QStringLiteral("/bkground");
    QDir().mkpath(folder);
    ASSERT_TRUE(solid(Qt::red).save(folder + QStringLiteral("/a.png")));
    ASSERT_TRUE(solid(Qt::blue).save(folder + QStringLiteral("/b.png")));
    ASSERT_TRUE(t.open());
    FrmLrc& lrc = *t.lrc();

    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Unsorted);
    random.value = 0.75; // the second file of the folder
    lrc.Timer2_Timer();
    EXPECT_EQ(settings().LrcViewMode, 102);
    EXPECT_EQ(shared().BkgroundCount, 2);
    const QColor second = files.value(1) == QStringLiteral("a.png") ? QColor(Qt::red) : QColor(Qt::blue);
    EXPECT_EQ(colourOf(lrc.Image1->pixmap()), second);

    // A file that is no picture keeps the one shown.
    lrc.Timer2_Timer();
    lrc.Timer2_Timer();
    QFile::remove(folder + "/" + files.value(1));
    QFile bad(folder + "/" + files.value(1));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    lrc.Timer2_Timer();
    EXPECT_EQ(colourOf(lrc.Image1->pixmap()), second);

    // The track picture, when it is to be the lyric background.
    shared().CoverPicPath = QStringLiteral("cover.pic");
    settings().UseCoverAsLrcBack = 1;
    t.w->Image2->setPixmap(solid(Qt::green));
    lrc.Timer2_Timer();
    lrc.Timer2_Timer();
    lrc.Timer2_Timer();
    EXPECT_EQ(settings().LrcViewMode, 102);
    EXPECT_EQ(colourOf(lrc.Image1->pixmap()), QColor(Qt::green));
}

TEST(FrmLrc, TheFillCopiesTheTextIn32PointWithTheLyricColours)
{
    const struct {
        const char* name;
        QString text;
        QString lastSpan; // the text coloured as lyric text on the last line
    } cases[] = {
        {"lyric lines", QStringLiteral("[1.0]abc\r\n[2.5]d]e\r\n"), QStringLiteral("d]e\r")},
        // A deleted-lyrics notice of a path with "]": no CR after it.
        {"last ] without CR", QStringLiteral("[1.0]abc\r\n歌词文件“/x]y.lrc”已经被删除！"),
         QStringLiteral("y.lrc”已经被删除！")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LyricTickWindow t;
        t.w->show();
        SettingsRecord& s = settings();
        s.LrcViewMode = 100;
        t.w->RichTextBox1->setText(c.text);
        t.w->RichTextBox1->setBackColor(rt::rgb(1, 2, 3));
        FrmLrc& lrc = *t.w->lyricsWindow(true);
        lrc.Timer1_Timer();
        const RichTextModel& box = *lrc.RichTextBox1;
        EXPECT_EQ(box.text(), c.text);
        EXPECT_EQ(box.backColor(), rt::rgb(1, 2, 3));
        EXPECT_EQ(box.selStart(), 0);
        EXPECT_EQ(box.selLength(), 0);
        EXPECT_EQ(box.fontName(), QStringLiteral("宋体"));
        for (int i = 0; i < box.length(); ++i) {
            EXPECT_EQ(box.formatAt(i).size, 32) << i;
            EXPECT_TRUE(box.formatAt(i).bold) << i;
        }
        EXPECT_EQ(box.formatAt(0).color, s.LrcTagColor) << "the time tag";
        EXPECT_EQ(box.formatAt(5).color, s.LrcTextColor) << "the lyric";
        const int last = int(c.text.lastIndexOf(c.lastSpan));
        EXPECT_EQ(box.formatAt(last).color, s.LrcTextColor);
        EXPECT_EQ(box.formatAt(last - 1).color, s.LrcTagColor);
        EXPECT_TRUE(lrc.isVisible());
    }
}

TEST(FrmLrc, EveryWayOfClosingReturnsToTheViewOnce)
{
    using Close = std::function<void(FrmMain&, FrmLrc&)>;
    auto leftClick = [](auto get) -> Close {
        return [get](FrmMain&, FrmLrc& l) { QTest::mouseClick(get(l), Qt::LeftButton); };
    };
    const struct {
        const char* name;
        int from;
        Close close;
        int to;
    } rows[] = {
        {"Esc", 102, [](FrmMain&, FrmLrc& l) { QTest::keyClick(l.windowHandle(), Qt::Key_Escape); }, 2},
        {"click on the text", 100, leftClick([](FrmLrc& l) { return l.RichTextBox1View->viewport(); }), 0},
        {"click on the marquee", 101, leftClick([](FrmLrc& l) { return l.Picture1; }), 1},
        {"click on the background", 102, leftClick([](FrmLrc& l) { return l.Image1; }), 2},
        {"click on the previous line", 102, leftClick([](FrmLrc& l) { return l.Picture2[0]; }), 2},
        {"click on the current line", 102, leftClick([](FrmLrc& l) { return l.Picture2[1]; }), 2},
        {"click on the next line", 102, leftClick([](FrmLrc& l) { return l.Picture2[2]; }), 2},
        {"click on the band", 102,
         leftClick([](FrmLrc& l) {
             l.Picture2[1]->setGeometry(l.Picture2[1]->x(), l.Picture2[1]->y(), 10, l.Picture2[1]->height());
             return l.Picture3;
         }),
         2},
        {"the desktop's close", 101, [](FrmMain&, FrmLrc& l) { l.windowHandle()->close(); }, 1},
        {"menu view 0", 102, [](FrmMain& w, FrmLrc&) { w.mnuLrcVS0_Click(); }, 0},
        {"pop-up view 1", 100, [](FrmMain& w, FrmLrc&) { w.PopLrcVS1_Click(); }, 1},
        {"next view", 101, [](FrmMain& w, FrmLrc&) { w.XPButton20_Click(); }, 2},
        {"a stray value", 150, [](FrmMain&, FrmLrc& l) { l.close(); }, 50},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Opened t(r.from);
        FrmMain& w = *t.w;
        ASSERT_TRUE(t.open());
        QPointer<FrmLrc> lrc = t.lrc();
        lrc->Image1->setPixmap(solid(Qt::magenta));
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);

        r.close(w, *lrc);
        EXPECT_EQ(settings().LrcViewMode, r.to);
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.lyricsWindowShown());
        EXPECT_EQ(colourOf(w.Image6->pixmap()), QColor(Qt::magenta)) << "the last background goes to the main window";
        if (lrc) {
            lrc->close();
            w.closeLyricsWindow();
        }
        EXPECT_EQ(settings().LrcViewMode, r.to) << "a second close subtracts nothing";
        QTest::qWait(5);
        EXPECT_TRUE(lrc.isNull()) << "the window goes; the next request makes a new one";
        EXPECT_EQ(lastClosed.count(), 0) << "the program keeps running";
    }
}

TEST(FrmLrc, TheSettingsDialogClosesTheWindowBeforeItWritesAView)
{
    // Left open, the window's own close would later take 100 off the new view.
    const struct {
        const char* name;
        std::function<void(FrmSet&)> act;
        int view;
    } rows[] = {
        {"view option", [](FrmSet& d) { d.Option6[1]->setChecked(true); }, 1},
        {"restore the defaults", [](FrmSet& d) { d.XPButton1_Click(); }, 2},
        {"simple mode", [](FrmSet& d) { d.XPButton4_Click(); }, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Opened t(r.view == 0 ? 102 : 100);
        ASSERT_TRUE(t.open());
        QPointer<FrmLrc> lrc = t.lrc();
        FrmSet dlg(*t.w);
        dlg.Form_Resize();
        r.act(dlg);
        EXPECT_FALSE(t.w->lyricsWindowShown());
        EXPECT_EQ(settings().LrcViewMode, r.view);
        if (lrc)
            lrc->close();
        EXPECT_EQ(settings().LrcViewMode, r.view) << "the window's close took nothing off afterwards";
    }
}

TEST(FrmLrc, OffsetKeysMoveTheLyricClockAndShowTheNotice)
{
    const struct {
        int from;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int to;
        bool notice;
    } rows[] = {
        {599950, Qt::Key_Plus, Qt::KeypadModifier, 600000, true},
        {600000, Qt::Key_Plus, Qt::KeypadModifier, 600000, true},
        {599990, Qt::Key_Plus, Qt::KeypadModifier, 600040, true},
        {-599950, Qt::Key_Minus, Qt::KeypadModifier, -600000, true},
        {-600000, Qt::Key_Minus, Qt::KeypadModifier, -600000, true},
        {100, Qt::Key_Plus, Qt::NoModifier, 100, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.from);
        Opened t(100);
        ASSERT_TRUE(t.open());
        FrmLrc& lrc = *t.lrc();
        t.w->Lyrics.offset = r.from;
        if (r.notice)
            lrc.Timer[3]->start();
        keyDown(lrc, r.key, r.mods);
        EXPECT_EQ(t.w->Lyrics.offset, r.to);
        EXPECT_EQ(lrc.Picture4->isVisibleTo(&lrc), r.notice);
        if (r.notice) {
            EXPECT_EQ(lrc.Label1->text(), QStringLiteral("【歌词时间补偿：%1】").arg(r.to));
            EXPECT_FALSE(lrc.Timer[3]->isActive()) << "held down, the notice stays";
            EXPECT_EQ(lrc.Picture4->size(), lrc.Label1->size());
            EXPECT_EQ(lrc.Picture4->x() + lrc.Picture4->width(), lrc.width() - 80);
        }
        keyUp(lrc, r.key, r.mods);
        EXPECT_EQ(lrc.Timer[3]->isActive(), r.notice) << "it goes 5 s after the release";
        if (r.notice) {
            lrc.Timer3_Timer();
            EXPECT_FALSE(lrc.Picture4->isVisibleTo(&lrc));
        }
    }
}

TEST(FrmLrc, TheTickMovesTheHighlightInBothBoxesAlike)
{
    Opened t(100);
    ASSERT_TRUE(t.open());
    FrmMain& w = *t.w;
    RichTextModel& copy = *t.lrc()->RichTextBox1;
    const SettingsRecord& s = settings();
    for (double at : {1.0, 2.0}) {
        t.tickAt(at);
        EXPECT_EQ(copy.text(), w.RichTextBox1->text());
        for (int i = 0; i < copy.length(); ++i)
            ASSERT_EQ(copy.formatAt(i).color, w.RichTextBox1->formatAt(i).color) << at << " at " << i;
        EXPECT_EQ(copy.selStart(), w.RichTextBox1->selStart());
        EXPECT_EQ(copy.formatAt(w.Lyrics.highlightStart - 1).color, s.LrcHighlightColor);
    }
    EXPECT_EQ(copy.formatAt(copy.text().indexOf("one")).color, s.LrcTextColor);
    EXPECT_EQ(copy.formatAt(0).size, 32);
}

TEST(FrmLrc, OpenedMidSongTheSungLineIsHighlightedAtOnce)
{
    LyricTickWindow t;
    t.w->show();
    t.play();
    t.loadLyrics(kLrc);
    settings().LrcViewMode = 0;
    t.tickAt(2.0);
    settings().LrcViewMode = 100;
    t.tickAt(2.05);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.w->lyricsWindowShown(); }, 2000));
    const RichTextModel& copy = *t.w->lyricsWindow()->RichTextBox1;
    EXPECT_EQ(copy.formatAt(copy.text().indexOf("two")).color, settings().LrcHighlightColor);
    EXPECT_EQ(copy.formatAt(copy.text().indexOf("one")).color, settings().LrcTextColor);
}

TEST(FrmLrc, StripSubModeSlidesTheCurrentLineAcrossTheScreen)
{
    Opened t(102, {.duration = 60});
    FrmMain& w = *t.w;
    FrmLrc& lrc = *t.lrc();
    const int screen = lrc.screenWidthTwips();
    EXPECT_EQ(screen, w.screen()->geometry().width() * 15);
    // View 102 paints before the window shows.
    EXPECT_EQ(lrc.Picture2[0]->text(), w.Label4->text()) << "an empty previous line shows the title";
    EXPECT_EQ(lrc.Picture2[1]->text(), QStringLiteral("…"));
    EXPECT_EQ(w.LrcView.LrcStripX, screen - 150) << "the empty line enters from the right edge";
    ASSERT_TRUE(t.open());

    // A short line stands centred, white.
    t.tickAt(1.0);
    EXPECT_EQ(lrc.Picture2[1]->text(), "one");
    EXPECT_EQ(lrc.Picture2[2]->text(), "two");
    EXPECT_EQ(w.LrcView.LrcStripStep, 0);
    EXPECT_EQ(w.LrcView.LrcStripX, (screen - w.LrcView.LrcStripWidth) / 2);
    EXPECT_EQ(lrc.Picture2[1]->x(), w.LrcView.LrcStripX / 15);
    EXPECT_EQ(lrc.Picture2[1]->width(), w.LrcView.LrcStripWidth / 15);

    // A line wider than the screen starts at its middle and moves at least 30.
    t.loadLyrics(QStringLiteral("[00:05.00]") + QString(80, u'长') + QStringLiteral("\n[00:30.00]end\n"));
    t.tickAt(5.0);
    EXPECT_GT(w.LrcView.LrcStripWidth, screen);
    const StripMotion m = stripMotionOnHit(screen, w.LrcView.LrcStripWidth, "5.0", "30.0", 30);
    EXPECT_EQ(w.LrcView.LrcStripStep, m.step);
    EXPECT_GE(w.LrcView.LrcStripStep, 30);
    EXPECT_EQ(w.LrcView.LrcStripX, screen / 2 - w.LrcView.LrcStripStep) << "the frame after the hit moved it once";

    // The closing text: the program's name and version over "谢谢使用！", centred.
    t.tickAt(30.0);
    t.tickAt(58.0);
    EXPECT_EQ(lrc.Picture2[0]->text(), rt::appTitle() + QStringLiteral(" 1.0.0"));
    EXPECT_EQ(lrc.Picture2[1]->text(), QStringLiteral("谢谢使用！"));
    EXPECT_EQ(w.LrcView.LrcStripX, (screen - w.LrcView.LrcStripWidth) / 2);
    EXPECT_EQ(lrc.Picture2[1]->palette().color(QPalette::WindowText), QColor(Qt::white));
}

TEST(FrmLrc, StripStepOnA1280PixelScreen)
{
    const int screen = 1280 * 15;
    const struct {
        int strip;
        const char* cur;
        const char* next;
        StripMotion expected;
    } rows[] = {
        {6000, "1.0", "4.0", {(screen - 6000) / 2, 0}},          // fits: centred, standing
        {40000, "1.0", "5.0", {screen / 2, (9600 + 40000) / 20 / 5}}, // wide: 496 per tick
        {40000, "1.0", "0", {screen / 2, 30}},                     // the last line
        {20000, "1.0", "200.0", {screen / 2, 30}},                 // long line: never below 30
    };
    for (const auto& r : rows)
        EXPECT_EQ(stripMotionOnHit(screen, r.strip, r.cur, r.next, 30), r.expected) << r.strip << " " << r.next;
}

TEST(FrmLrc, MarqueeSubModeScalesTheVisualiserFrameOnlyWhileShown)
{
    Opened t(101);
    FrmLrc& lrc = *t.lrc();
    EXPECT_FALSE(lrc.Picture1->hasFrame()) << "not painted while hidden";
    ASSERT_TRUE(t.open());
    t.tickAt(1.0);
    ASSERT_TRUE(lrc.Picture1->hasFrame());
    EXPECT_EQ(lrc.Picture1->frame().size(), QSize(100, 75)) << "the panel scales it as it paints";
}

TEST(FrmLrc, TheVideoButtonShowsForAVideoNotYetFullScreen)
{
    {
        Opened t(100, {.width = 320, .height = 240});
        ASSERT_TRUE(t.open());
        FrmLrc& lrc = *t.lrc();
        lrc.Timer0_Timer();
        EXPECT_TRUE(lrc.Picture5->isVisibleTo(&lrc));
        EXPECT_EQ(lrc.Picture5->x() + lrc.Picture5->width(), lrc.width() - 20);
        QTest::keyClick(lrc.windowHandle(), Qt::Key_F);
        EXPECT_EQ(t.fake().displaySize(), rt::MediaControl::DisplayFullScreen);
        lrc.Timer0_Timer();
        EXPECT_FALSE(lrc.Picture5->isVisibleTo(&lrc));
        EXPECT_TRUE(t.w->lyricsWindowShown());
    }
    {
        Opened t(100);
        ASSERT_TRUE(t.open());
        FrmLrc& lrc = *t.lrc();
        lrc.Timer0_Timer();
        EXPECT_FALSE(lrc.Picture5->isVisibleTo(&lrc));
        lrc.Picture5_Click();
        EXPECT_NE(t.fake().displaySize(), rt::MediaControl::DisplayFullScreen) << "sound has nothing to show";
    }
}

TEST(FrmLrc, TheButtonsKeepTheirTooltipsWhileTheMainWindowHidesAndShows)
{
    Opened t(100);
    FrmMain& w = *t.w;
    w.XPButtons[5]->setButtonToolTip(QStringLiteral("编辑修改歌词"));
    w.XPButtons[12]->setToolTip(QStringLiteral("播放"));
    QStringList before;
    for (int i = 1; i <= 25; ++i)
        before << w.XPButtons[i]->buttonToolTip() + "|" + w.XPButtons[i]->toolTip();
    ASSERT_TRUE(t.open());
    QTest::keyClick(t.lrc()->windowHandle(), Qt::Key_Escape);
    ASSERT_TRUE(w.isVisible());
    for (int i = 1; i <= 25; ++i)
        EXPECT_EQ(w.XPButtons[i]->buttonToolTip() + "|" + w.XPButtons[i]->toolTip(), before[i - 1]) << i;
    EXPECT_EQ(w.XPButtons[5]->buttonToolTip(), QStringLiteral("编辑修改歌词"));
    EXPECT_FALSE(w.lyricEditorOpen());
}

TEST(FrmLrc, TheBackgroundSetterCopiesIntoAnExistingWindowOnly)
{
    LyricTickWindow t;
    t.w->setLyricBackground(solid(Qt::yellow));
    EXPECT_EQ(t.w->lyricsWindow(), nullptr) << "never made for this";
    FrmLrc& lrc = *t.w->lyricsWindow(true);
    t.w->setLyricBackground(solid(Qt::cyan));
    EXPECT_EQ(colourOf(t.w->Image6->pixmap()), QColor(Qt::cyan));
    EXPECT_EQ(colourOf(lrc.Image1->pixmap()), QColor(Qt::cyan));
}

TEST(FrmLrc, TheMainWindowsShutDownKeepsTheRequestForTheNextStart)
{
    Opened t(101);
    ASSERT_TRUE(t.open());
    QPointer<FrmLrc> lrc = t.lrc();
    QDir().mkpath(shared().DataDir);
    QSignalSpy ended(t.w.get(), &FrmMain::programEnded);
    t.w->Form_Unload();
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(settings().LrcViewMode, 101);
    SettingsRecord saved;
    std::int32_t index = -1;
    loadSettings(shared().DataDir, saved, &index);
    EXPECT_EQ(saved.LrcViewMode, 101);
    EXPECT_FALSE(lrc->isVisible());
    QTest::qWait(5);
    EXPECT_TRUE(lrc.isNull());
    EXPECT_EQ(settings().LrcViewMode, 101);
}

TEST(FrmLrc, TheLyricsReplyAsksTheOpenWindowToCopyTheNewText)
{
    Opened t(100);
    ASSERT_TRUE(t.open());
    t.w->RichTextBox1->setText(QStringLiteral("[1.0]new\r\n"));
    t.w->openLyricsWindow(); // what a stored reply asks for
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.lrc()->RichTextBox1->text() == QStringLiteral("[1.0]new\r\n"); }, 2000));
    EXPECT_FALSE(t.w->isVisible());
}

// Opened mid-line, at every change of sub-mode and when it closes, the line
// sung now is drawn whole at once, without waiting for a tick: what the
// sub-mode left showed an older line's strip, or the marquee had run the
// line off its surface.
TEST(FrmLrc, EverySwitchDrawsTheSungLineAtOnce)
{
    const QString sung = QStringLiteral("啦啦 I sing");
    LyricTickWindow t;
    FrmMain& w = *t.w;
    w.show();
    testsupport::layOutLyricStrips(w);
    t.play({.duration = 60});
    t.loadLyrics(QStringLiteral("[00:01.00]one\n[00:05.00]") + sung + QStringLiteral("\n[00:09.00]three\n"));
    w.mnuLrcVS2_Click();
    t.tickAt(1.0);
    t.tickAt(5.0);
    t.tickAt(6.0);

    // H: the window opens at the next tick, in the strip sub-mode.
    w.XPButton21_Click();
    t.tickAt(6.1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.lyricsWindowShown(); }, 2000));
    w.Timer[1]->stop(); // from here on no tick runs
    FrmLrc& lrc = *w.lyricsWindow();
    testsupport::expectStripShowsWhole(*lrc.Picture1, *lrc.Picture2[1], sung);
    EXPECT_EQ(lrc.Picture2[0]->text(), "one");
    EXPECT_EQ(lrc.Picture2[2]->text(), "three");

    keyUp(lrc, Qt::Key_H); // 100
    const RichTextModel& copy = *lrc.RichTextBox1;
    EXPECT_EQ(copy.formatAt(copy.text().indexOf(sung)).color, settings().LrcHighlightColor);
    lrc.Picture1->clearFrame();
    keyUp(lrc, Qt::Key_H); // 101
    EXPECT_EQ(settings().LrcViewMode, 101);
    EXPECT_TRUE(lrc.Picture1->hasFrame()) << "the marquee draws a frame at once";
    EXPECT_EQ(w.LrcView.LrcCurLine, sung);

    // The marquee runs the line off its surface; the strips still show it.
    w.LrcView.LrcMarqueeX = -w.LrcView.LrcMarqueeWidth - 1;
    w.paintLyricMarquee(&lrc);
    ASSERT_TRUE(w.LrcView.LrcCurLine.isEmpty());
    keyUp(lrc, Qt::Key_H); // 102
    testsupport::expectStripShowsWhole(*lrc.Picture1, *lrc.Picture2[1], sung);

    // Esc: back in view 2, whose strip was not drawn meanwhile.
    w.Picture6[1]->clear();
    keyUp(lrc, Qt::Key_Escape);
    ASSERT_EQ(settings().LrcViewMode, 2);
    testsupport::expectStripShowsWhole(*w.Picture1, *w.Picture6[1], sung);
}
