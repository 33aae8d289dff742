// The lyric tick on the main window, with the scripted media control.
#include "tests/lyrics/lyrictickwindow.h"

#include "lyrics/richtextview.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace melodune;
using testsupport::LyricTickWindow;

namespace {

const QString kLrc = QStringLiteral("[ti:Song]\n[00:01.00]one\n[00:02.00]two\n[00:03.50]three\n");

} // namespace

TEST(LyricTickWindow, EachHitMovesTheHighlightAndTheNextTickComes110msLater)
{
    LyricTickWindow t;
    t.play();
    t.loadLyrics(kLrc);
    settings().LrcViewMode = 0; // the strip view fills empty texts with its own
    const SettingsRecord& s = settings();
    FrmMain& w = *t.w;

    t.tickAt(0.5);
    EXPECT_EQ(w.Label1->text(), "0.5");
    EXPECT_EQ(w.Label2->text(), "0");
    EXPECT_EQ(w.Timer[1]->interval(), 50);
    EXPECT_EQ(w.Lyrics.highlightStart, 0);

    t.tickAt(1.04);
    EXPECT_EQ(w.LrcView.LrcTimeKey, "1.0");
    EXPECT_EQ(t.colourOf("one"), s.LrcHighlightColor);
    EXPECT_EQ(t.colourOf("two"), s.LrcTextColor);
    EXPECT_EQ(w.Timer[1]->interval(), 110);
    EXPECT_EQ(w.LrcView.LrcCurTime, "1.0");
    EXPECT_EQ(w.LrcView.LrcCurLine, "one");
    EXPECT_EQ(w.LrcView.LrcNextTime, "2.0");
    EXPECT_EQ(w.LrcView.LrcNextLine, "two");
    const int scrolledTo = w.RichTextBox1->firstVisibleLine();
    EXPECT_GE(scrolledTo, 1);
    const int oneAt = w.RichTextBox1->text().indexOf("one");
    EXPECT_EQ(w.Lyrics.highlightStart, oneAt + 1);
    EXPECT_EQ(w.Lyrics.highlightLength, 3);
    // The caret stands at the start of the next line, nothing selected.
    EXPECT_EQ(w.RichTextBox1->selStart(), oneAt + 3 + 2);
    EXPECT_EQ(w.RichTextBox1->selLength(), 0);

    // The same tenth again: no second hit, no second scroll.
    t.tickAt(1.09);
    EXPECT_EQ(w.Timer[1]->interval(), 50);
    EXPECT_EQ(w.RichTextBox1->firstVisibleLine(), scrolledTo);

    t.tickAt(2.0);
    EXPECT_EQ(t.colourOf("one"), s.LrcTextColor);
    EXPECT_EQ(t.colourOf("two"), s.LrcHighlightColor);
    EXPECT_EQ(w.Timer[1]->interval(), 110);
    EXPECT_EQ(w.LrcView.LrcPrevLine, "one");
    EXPECT_EQ(w.LrcView.LrcCurLine, "two");
    EXPECT_EQ(w.LrcView.LrcNextLine, "three");
    EXPECT_GT(w.RichTextBox1->firstVisibleLine(), scrolledTo);
    t.tickAt(2.06);
    EXPECT_EQ(w.Timer[1]->interval(), 50);

    // The last line: no next line.
    t.tickAt(3.5);
    EXPECT_EQ(w.LrcView.LrcCurLine, "three");
    EXPECT_EQ(w.LrcView.LrcNextTime, "0");
    EXPECT_EQ(w.LrcView.LrcNextLine, "");
    EXPECT_EQ(w.LrcView.LrcMarqueeStep, 0); // short text
    EXPECT_EQ(w.LrcView.LrcMarqueeX, 20);
}

TEST(LyricTickWindow, ALateTickLightsTheLineOfATenthItPassedOverButASeekLightsNothingOld)
{
    LyricTickWindow t;
    t.play({.duration = 60});
    t.loadLyrics("[00:18.00]before\n[00:19.821]sung\n[00:21.50]after\n[00:30.50]old\n");
    settings().LrcViewMode = 0;
    FrmMain& w = *t.w;
    const SettingsRecord& s = settings();

    t.tickAt(18.0);
    t.tickAt(19.75);
    t.tickAt(19.93); // 180 ms late: no tick had the key 19.8
    EXPECT_EQ(w.LrcView.LrcCurLine, "sung");
    EXPECT_EQ(w.LrcView.LrcPrevLine, "before");
    EXPECT_EQ(t.colourOf("sung"), s.LrcHighlightColor);
    EXPECT_EQ(t.colourOf("before"), s.LrcTextColor);
    EXPECT_EQ(w.Timer[1]->interval(), 110);
    t.tickAt(19.98);
    EXPECT_EQ(w.Timer[1]->interval(), 50) << "no second hit";

    t.tickAt(21.5);
    t.tickAt(30.0);
    t.tickAt(32.05); // a seek of two seconds over the line at 30.5
    EXPECT_EQ(w.LrcView.LrcCurLine, "after");
    EXPECT_EQ(t.colourOf("old"), s.LrcTextColor);
}

TEST(LyricTickWindow, FirstLineOfTheTenthWinsAndTheOffsetMovesTheClock)
{
    LyricTickWindow t;
    t.play();
    t.loadLyrics("[00:00.00]intro\n[00:12.35]first\n[00:12.38]second\n[00:13.00]later\n");
    FrmMain& w = *t.w;
    const SettingsRecord& s = settings();

    t.tickAt(0.02);
    EXPECT_EQ(w.LrcView.LrcCurLine, "intro");
    t.tickAt(12.34);
    EXPECT_EQ(w.LrcView.LrcCurLine, "first");
    EXPECT_EQ(w.LrcView.LrcPrevLine, "intro");
    for (double at : {12.36, 12.38, 12.39})
        t.tickAt(at);
    EXPECT_EQ(t.colourOf("second"), s.LrcTextColor) << "a second line of the same tenth is never highlighted";
    EXPECT_EQ(t.colourOf("first"), s.LrcHighlightColor);

    // A line at time zero does not push the current line into the previous.
    w.Lyrics.offset = -12000;
    t.tickAt(12.0);
    EXPECT_EQ(w.Label2->text(), "-12000");
    EXPECT_EQ(w.LrcView.LrcCurLine, "intro");
    EXPECT_EQ(w.LrcView.LrcPrevLine, "intro") << "unchanged from the hit before";

    // A negative clock only changes the labels.
    t.tickAt(11.65);
    EXPECT_EQ(w.Label1->text(), "-0.35");
    EXPECT_EQ(w.LrcView.LrcTimeKey, "-0.3");
    EXPECT_EQ(w.LrcView.LrcCurLine, "intro");

    // Offset and position add up to 13.0 despite floating point.
    w.Lyrics.offset = 300;
    t.tickAt(12.7);
    EXPECT_EQ(w.LrcView.LrcCurLine, "later");
}

TEST(LyricTickWindow, ClosingTextInTheLastThreeSecondsOnlyForTracksWithALength)
{
    const struct {
        const char* name;
        double duration;
        int mode;
        bool hitFirst;
        double at;
        bool closing;
        const char* curLine;
    } cases[] = {
        {"before the last 3 s", 10.0, 0, true, 6.9, false, "one"},
        {"text view", 10.0, 0, true, 7.1, true, "    谢谢使用！"},
        {"marquee view", 10.0, 1, true, 9.0, true, "    谢谢使用！"},
        {"strip view", 10.0, 2, true, 7.5, true, "谢谢使用！"},
        {"stream", 0.0, 0, true, 300.0, false, "one"},
        {"never hit", 10.0, 0, false, 8.0, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LyricTickWindow t;
        t.play(rt::FakeMedia{.duration = c.duration});
        t.loadLyrics("[00:01.00]one\n");
        FrmMain& w = *t.w;
        settings().LrcViewMode = c.mode;
        if (c.hitFirst)
            t.tickAt(1.0);
        t.tickAt(c.at);
        EXPECT_EQ(w.LrcView.LrcCurLine, QString::fromUtf8(c.curLine));
        if (c.closing) {
            EXPECT_EQ(w.RichTextBox1->selStart(), w.RichTextBox1->length());
            // The strip view titles the closing text with its welcome line,
            // the marquee with its default title.
            EXPECT_EQ(w.LrcView.LrcPrevLine, c.mode == 2   ? QStringLiteral("欢迎使用 Melodune")
                                     : c.mode == 1 ? QStringLiteral(" Melodune ")
                                                   : QString());
            EXPECT_EQ(w.LrcView.LrcMarqueeX, 0);
            EXPECT_EQ(w.LrcView.LrcMarqueeStep, 0);
            EXPECT_EQ(w.LrcView.LrcStripRed + w.LrcView.LrcStripGreen + w.LrcView.LrcStripBlue, 3 * 255);
        } else {
            EXPECT_EQ(w.LrcView.LrcStripRed, 0);
        }
    }
}

TEST(LyricTickWindow, NoticesAndStaleHighlightsAreNeverReadOrPaintedOutsideTheText)
{
    LyricTickWindow t;
    t.play();
    FrmMain& w = *t.w;
    const QString notices[] = {QStringLiteral("正在下载歌词，请稍候……"), QStringLiteral("[1.0"),
                               QStringLiteral("[1.0 broken\r\n]"), QString()};
    for (const QString& notice : notices) {
        w.RichTextBox1->setText(notice);
        styleLyricNotice(*w.RichTextBox1);
        w.Lyrics.highlightStart = 5;
        w.Lyrics.highlightLength = 400; // left over from the lyrics before
        t.tickAt(1.0);
        EXPECT_EQ(w.RichTextBox1->text(), notice);
        EXPECT_EQ(w.Lyrics.highlightStart, 5);
        for (int i = 0; i < w.RichTextBox1->length(); ++i)
            EXPECT_EQ(w.RichTextBox1->formatAt(i).color, NoticeTextColor);
        EXPECT_EQ(w.Timer[1]->interval(), 50);
    }
}

TEST(LyricTickWindow, MinimisedWindowAndFullScreenVideoSkipTheTick)
{
    {
        LyricTickWindow t;
        t.play();
        t.loadLyrics(kLrc);
        t.w->setWindowState(Qt::WindowMinimized);
        t.tickAt(1.0);
        EXPECT_EQ(t.w->Label1->text(), "0") << "not even the labels change";
        EXPECT_EQ(t.w->Lyrics.highlightStart, 0);
        settings().LrcViewMode = 102;
        t.tickAt(1.0);
        EXPECT_EQ(t.w->LrcView.LrcCurLine, "one") << "with the lyrics window asked for the tick runs on";
        // Set to 1 as the window is asked for, then moved on by the strip
        // frame that view 102 paints while the window is not yet shown, and
        // by the one its opening paints when that came while the tick let
        // the pending messages run.
        EXPECT_EQ(t.w->LrcView.LrcPaintCounter, t.w->lyricsWindowShown() ? 3 : 2);
    }
    {
        LyricTickWindow t;
        t.play(rt::FakeMedia{.width = 320, .height = 240});
        t.loadLyrics(kLrc);
        t.fake().setDisplaySize(rt::MediaControl::DisplayFullScreen);
        ASSERT_EQ(t.fake().displaySize(), rt::MediaControl::DisplayFullScreen);
        t.tickAt(1.0);
        EXPECT_EQ(t.w->Label1->text(), "0");
        t.fake().setDisplaySize(rt::MediaControl::DisplayDefault);
        t.tickAt(1.0);
        EXPECT_EQ(t.w->LrcView.LrcCurLine, "one");
    }
}

TEST(LyricTickWindow, ViewHousekeepingTheVisualisationPanelAndTheMarqueePanel)
{
    LyricTickWindow t;
    t.play();
    t.loadLyrics(kLrc);
    FrmMain& w = *t.w;
    settings().ShowVisual = 1;
    w.Picture5->show();
    settings().LrcViewMode = 1;
    t.tickAt(0.2);
    EXPECT_EQ(settings().ShowVisual, 0) << "view 1 and the visualisation are never on together";
    EXPECT_TRUE(w.Picture5->isHidden());
    EXPECT_EQ(w.mnuShowVisualS->text(), "打开可视化效果(&E)");
    EXPECT_FALSE(w.RichTextBox1->isVisible());
    EXPECT_TRUE(w.Image6->isHidden());
    // The marquee's panel shows every pixel of its frame, and the lyric box
    // and the skin's dark panel are its size.
    ASSERT_TRUE(w.Picture1->hasFrame());
    const QImage frame = w.Picture1->frame();
    EXPECT_EQ(frame.size(), QSize(334, 240));
    const QImage shown = w.Picture1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.size(), frame.size());
    EXPECT_TRUE(shown == frame);
    EXPECT_TRUE(w.RichTextBox1View->geometry() == w.Picture1->geometry());
    const QImage skin = w.PicShape->pixmap().toImage();
    const QRect r = w.Picture1->geometry();
    const QRgb panel = skin.pixel(r.center());
    for (int x = r.left(); x <= r.right(); ++x)
        ASSERT_EQ(skin.pixel(x, r.center().y()), panel) << x;
    for (int y = r.top(); y <= r.bottom(); ++y)
        ASSERT_EQ(skin.pixel(r.center().x(), y), panel) << y;
    for (QPoint outside : {QPoint(r.left() - 2, r.center().y()), QPoint(r.right() + 2, r.center().y()),
                           QPoint(r.center().x(), r.top() - 2), QPoint(r.center().x(), r.bottom() + 2)})
        EXPECT_NE(skin.pixel(outside), panel) << outside.x() << "," << outside.y();

    settings().LrcViewMode = 2;
    t.tickAt(0.3);
    EXPECT_FALSE(w.RichTextBox1->isVisible());
    EXPECT_FALSE(w.Image6->isHidden());
    EXPECT_FALSE(w.Picture6[1]->isHidden());
    settings().LrcViewMode = 0;
    t.tickAt(0.4);
    EXPECT_TRUE(w.RichTextBox1->isVisible());
    EXPECT_FALSE(w.Image6->isHidden()) << "view 0 leaves the picture view controls as they are";
}

namespace {

// A media control that breaks its promise never to throw, on request.
class FailingMedia : public rt::FakeMediaControl {
public:
    using FakeMediaControl::FakeMediaControl;
    bool fail = false;
    double currentPosition() const override
    {
        if (fail)
            throw std::runtime_error("position unavailable");
        return FakeMediaControl::currentPosition();
    }
};

} // namespace

TEST(LyricTickWindow, AFaultInAStepIsNotHiddenAndTheNextTickRunsAgain)
{
    FailingMedia* media = nullptr;
    LyricTickWindow t([&media](QObject* parent) { return media = new FailingMedia(nullptr, parent); });
    t.play();
    t.loadLyrics(kLrc);
    t.tickAt(1.0);
    ASSERT_EQ(t.w->LrcView.LrcCurLine, "one");
    media->fail = true;
    t.fake().setCurrentPosition(2.0);
    EXPECT_THROW(t.w->Timer1_Timer(), std::runtime_error);
    media->fail = false;
    t.w->Timer1_Timer();
    EXPECT_EQ(t.w->LrcView.LrcCurLine, "two");
}

TEST(LyricTickWindow, TheTimerRunsTheTick)
{
    LyricTickWindow t;
    t.play();
    t.loadLyrics(kLrc);
    t.fake().setCurrentPosition(1.0);
    t.w->Timer[1]->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.w->LrcView.LrcCurLine == "one"; }, 2000));
    EXPECT_EQ(t.w->Timer[1]->interval(), 110);
    t.w->Timer[1]->stop();
}

TEST(LyricTickWindow, StripViewPrintsTheLinesAndSlidesTheCurrentOne)
{
    LyricTickWindow t;
    t.play({.duration = 60});
    t.loadLyrics(QStringLiteral("[00:02.00]short\n[00:06.00]") + QString(60, u'长') +
                 QStringLiteral("\n[00:09.00]last\n"));
    FrmMain& w = *t.w;
    settings().LrcViewMode = 2;
    const int pictureTwips = w.Picture1->width() * 15;

    // Before the first line: the welcome title and "…" entering from the right.
    t.tickAt(0.5);
    EXPECT_EQ(w.Picture6[0]->text(), QStringLiteral("欢迎使用 Melodune"));
    EXPECT_EQ(w.Picture6[1]->text(), QStringLiteral("…"));
    EXPECT_EQ(w.Picture6[2]->text(), QStringLiteral("…"));
    EXPECT_EQ(w.LrcView.LrcStripStep, 150);
    EXPECT_EQ(w.LrcView.LrcStripX, pictureTwips - 150);
    EXPECT_TRUE(w.Timer[10]->isActive()) << "the first frame asks for a background";
    t.tickAt(0.6);
    EXPECT_EQ(w.LrcView.LrcStripX, pictureTwips - 300);
    EXPECT_EQ(w.Picture6[1]->x(), (pictureTwips - 300) / 15);

    // A short line stands centred in white.
    t.tickAt(2.0);
    EXPECT_EQ(w.Picture6[1]->text(), "short");
    EXPECT_EQ(w.Picture6[2]->text(), QString(60, u'长'));
    EXPECT_EQ(w.LrcView.LrcStripStep, 0);
    EXPECT_NEAR(w.Picture6[1]->x() + w.Picture6[1]->width() / 2, w.Picture1->width() / 2, 1);
    EXPECT_EQ(w.Picture6[1]->palette().color(QPalette::WindowText), QColor(Qt::white));
    // Shortly before the next line it darkens.
    t.tickAt(5.5);
    EXPECT_EQ(w.LrcView.LrcStripRed, 239);
    t.tickAt(5.6);
    EXPECT_EQ(w.Picture6[1]->palette().color(QPalette::WindowText), QColor(223, 223, 223));

    // A line wider than the picture starts at the middle and moves left.
    t.tickAt(6.0);
    EXPECT_EQ(w.Picture6[0]->text(), "short");
    EXPECT_GT(w.LrcView.LrcStripWidth, pictureTwips);
    EXPECT_GE(w.LrcView.LrcStripStep, 15);
    const int startX = w.LrcView.LrcStripX;
    EXPECT_EQ(startX + w.LrcView.LrcStripStep, pictureTwips / 2) << "the frame after the hit moved it once";
    t.tickAt(6.1);
    EXPECT_EQ(w.LrcView.LrcStripX, startX - w.LrcView.LrcStripStep);

    // Once it has left the picture it becomes the title and "…" comes in.
    w.LrcView.LrcStripX = -w.LrcView.LrcStripWidth - 1;
    t.tickAt(6.2);
    EXPECT_EQ(w.Picture6[0]->text(), QString(60, u'长'));
    EXPECT_EQ(w.Picture6[1]->text(), QStringLiteral("…"));
    EXPECT_EQ(w.LrcView.LrcStripStep, 150);

    // The closing text stands centred in white.
    t.tickAt(58.0);
    EXPECT_EQ(w.Picture6[1]->text(), QStringLiteral("谢谢使用！"));
    EXPECT_EQ(w.LrcView.LrcStripStep, 0);
    EXPECT_EQ(w.LrcView.LrcStripX, (pictureTwips - w.LrcView.LrcStripWidth) / 2);
}

TEST(LyricTickWindow, StripViewAsksForANewBackgroundEvery201Frames)
{
    LyricTickWindow t;
    t.play();
    t.loadLyrics(kLrc);
    FrmMain& w = *t.w;
    settings().LrcViewMode = 2;
    t.tickAt(0.1);
    EXPECT_EQ(w.LrcView.LrcPaintCounter, 1);
    w.Timer[10]->stop();
    for (int i = 0; i < 200; ++i)
        w.Timer1_Timer();
    EXPECT_EQ(w.LrcView.LrcPaintCounter, 0);
    EXPECT_FALSE(w.Timer[10]->isActive());
    w.Timer1_Timer();
    EXPECT_TRUE(w.Timer[10]->isActive());
    EXPECT_EQ(w.LrcView.LrcPaintCounter, 1);
}

TEST(LyricTickWindow, ASeekBackOntoTheHighlightedLineHitsItAgain)
{
    LyricTickWindow t;
    t.play({.duration = 60});
    t.loadLyrics(QStringLiteral("[00:01.00]one\n[00:05.00]two\n"));
    FrmMain& w = *t.w;
    settings().LrcViewMode = 2;
    t.tickAt(5.0);
    EXPECT_EQ(w.LrcView.LrcCurLine, "two");
    t.tickAt(58.0);
    EXPECT_EQ(w.LrcView.LrcCurLine, QStringLiteral("谢谢使用！"));
    // Back before the line, then onto it again: the strip shows it anew.
    t.tickAt(4.9);
    t.tickAt(5.0);
    EXPECT_EQ(w.LrcView.LrcCurLine, "two");
    EXPECT_EQ(w.Picture6[1]->text(), "two");
    EXPECT_EQ(w.Timer[1]->interval(), 110);
}

TEST(LyricTickWindow, AfterASeekTheSungLineAndTheLinesAfterItStayInView)
{
    LyricTickWindow t;
    t.play({.duration = 300});
    QString lrc = QStringLiteral("[ti:Song]\n[ar:Singer]\n");
    for (int i = 1; i <= 60; ++i) // a line every 3 s
        lrc += QStringLiteral("[%1:%2.00]line %3\n")
                   .arg(i * 3 / 60, 2, 10, QChar(u'0'))
                   .arg(i * 3 % 60, 2, 10, QChar(u'0'))
                   .arg(i);
    t.loadLyrics(lrc);
    settings().LrcViewMode = 0;
    FrmMain& w = *t.w;
    w.show();
    QCoreApplication::processEvents();
    RichTextModel& box = *w.RichTextBox1;
    const int rows = box.visibleLineCount();
    ASSERT_GE(rows, 6) << "the box shows several lines";

    auto lineOf = [&](int n) { return box.lineFromChar(box.text().indexOf(QStringLiteral("line %1\r").arg(n))); };
    auto rowOf = [&](int n) { return lineOf(n) - box.firstVisibleLine(); };

    // Play through the first lines: each hit scrolls one line, the sung line
    // keeps its row.
    for (int n = 1; n <= 8; ++n)
        t.tickAt(n * 3.0);
    const int row = rowOf(8);
    EXPECT_EQ(rowOf(7), row - 1);
    ASSERT_GE(row, 0);

    // A far seek puts the sung line back on that row; a short one may leave
    // it higher or lower, but always in the upper half of the box.
    const struct {
        const char* name;
        int line;
        bool sameRow;
    } seeks[] = {
        {"forward", 40, true},           {"back", 3, true},          {"forward a little", 10, false},
        {"back a little", 6, false},     {"forward again", 45, true}, {"back to the first", 1, true},
    };
    for (const auto& s : seeks) {
        SCOPED_TRACE(s.name);
        t.tickAt(s.line * 3.0 - 1.0); // between lines: no hit
        t.tickAt(s.line * 3.0);
        ASSERT_EQ(w.LrcView.LrcCurLine, QStringLiteral("line %1").arg(s.line));
        EXPECT_GE(rowOf(s.line), 0) << "the sung line is not above the box";
        EXPECT_LE(rowOf(s.line), (rows - 1) / 2) << "the lines after it fill the rest";
        EXPECT_LT(rowOf(s.line + 1), rows) << "the next line is in the box";
        if (s.sameRow) {
            EXPECT_EQ(rowOf(s.line), row) << "the same row as in continuous play";
        }
        // Playing on from there keeps the row.
        const int landed = rowOf(s.line);
        t.tickAt(s.line * 3.0 + 3.0);
        EXPECT_EQ(rowOf(s.line + 1), landed);
    }

    // Near the end the box stops at its last line; the lines left stay in it.
    t.tickAt(59 * 3.0);
    EXPECT_LT(lineOf(60), box.firstVisibleLine() + rows);
    EXPECT_GE(lineOf(59), box.firstVisibleLine());
}
