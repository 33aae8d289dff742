// The lyric tick's arithmetic: time key, line search, marquee, highlight.
#include "lyrics/lrcparser.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyrictick.h"
#include "lyrics/richtext.h"

#include <gtest/gtest.h>

using namespace melodune;

TEST(LyricTimeKey, CutsTheNumberTextAfterTheFirstDecimal)
{
    const struct {
        double clock;
        const char* key;
    } cases[] = {
        {12.34, "12.3"},
        {12.0, "12.0"},
        {12.39, "12.3"},
        {-0.35, "-0.3"},
        {0.0, "0.0"},
        {-0.0, "0.0"},
        {0.05, "0.0"},
        {65.1, "65.1"},
        {1e-5, "0.0"},
        // Floating-point noise below a tenth must not drop to the tenth below.
        {12.3 - 1e-14, "12.3"},
        {0.1 + 0.2, "0.3"},
        {12.5 + (-200) / 1000.0, "12.3"},
        {2.3 - 4e-16, "2.3"},
        {0.7 + 0.1, "0.8"},
        // A real value just under the tenth stays below it.
        {12.2999, "12.2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lyricTimeKey(c.clock), QString::fromLatin1(c.key)) << c.clock;
}

TEST(LyricTimeKey, EveryTenthSurvivesTheOffsetArithmetic)
{
    // Positions that land on a tenth once the offset is added, as the tick
    // computes the clock: the key is that tenth, never the one below.
    int wrong = 0;
    for (int tenth = 0; tenth <= 6000; ++tenth)
        for (int offset = -1000; offset <= 1000; offset += 50) {
            const double position = (tenth * 100.0 - offset) / 1000.0;
            const double clock = position + double(offset) / 1000.0;
            const QString expected = QStringLiteral("%1.%2").arg(tenth / 10).arg(tenth % 10);
            if (lyricTimeKey(clock) != expected && ++wrong < 5)
                ADD_FAILURE() << tenth << " " << offset << " " << lyricTimeKey(clock).toStdString();
        }
    EXPECT_EQ(wrong, 0);
}

TEST(LyricTimeKey, KeysPassedSinceTheTickBeforeAreTheLastSecondsNewestFirst)
{
    const struct {
        const char* previous;
        const char* key;
        QStringList passed;
    } cases[] = {
        {"19.7", "19.9", {"19.8"}},
        {"9.9", "10.1", {"10.0"}},
        {"19.8", "19.9", {}},
        {"12.3", "12.3", {}},   // standing still
        {"12.0", "11.5", {}},   // back
        {"10.0", "12.0", {"11.9", "11.8", "11.7", "11.6", "11.5", "11.4", "11.3", "11.2", "11.1", "11.0"}},
        {"-0.3", "0.2", {"0.1", "0.0"}},
        {"", "0.2", {"0.1", "0.0"}},
        {"0.5", "-0.1", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(passedTimeKeys(QString::fromLatin1(c.previous), QString::fromLatin1(c.key)), c.passed)
            << c.previous << " -> " << c.key;
}

TEST(LyricTimeKey, ClockLabelIsTheFirstSevenCharacters)
{
    EXPECT_EQ(lyricClockLabel(12.3456789), "12.3456");
    EXPECT_EQ(lyricClockLabel(12), "12");
    EXPECT_EQ(lyricClockLabel(-0.35), "-0.35");
}

namespace {

QString box(std::initializer_list<const char*> lines)
{
    QString s = QStringLiteral("\r\n");
    for (const char* l : lines)
        s += QString::fromUtf8(l) + QStringLiteral("\r\n");
    return s;
}

} // namespace

TEST(FindLyricLine, FirstLineWithTheKeyWinsAndTheNextLineIsTaken)
{
    const QString text = box({"标题：x", "[12.35]first", "[12.38]second", "[15.0]third"});
    const auto hit = findLyricLine(text, "12.3");
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->time, "12.35");
    EXPECT_EQ(hit->text, "first");
    EXPECT_EQ(text.mid(hit->textStart, hit->text.size()), "first");
    EXPECT_EQ(text.mid(hit->tagStart, 7), "[12.35]");
    EXPECT_EQ(hit->highlightStart1(), hit->textStart + 1);
    EXPECT_EQ(hit->nextTime, "12.38");
    EXPECT_EQ(hit->nextText, "second");

    const auto last = findLyricLine(text, "15.0");
    ASSERT_TRUE(last);
    EXPECT_EQ(last->text, "third");
    EXPECT_EQ(last->nextTime, "0");
    EXPECT_EQ(last->nextText, "");

    EXPECT_FALSE(findLyricLine(text, "13.0"));
    EXPECT_FALSE(findLyricLine(text, "-0.3"));
}

TEST(FindLyricLine, TextsThatAreNotLyricLinesGiveNoHit)
{
    for (const QString& text : {QString(), QStringLiteral("正在下载歌词，请稍候……"),
                                QStringLiteral("[12.3"), QStringLiteral("[12.3 no stamp\r\n]x\r\n"),
                                QStringLiteral("x[12.3")})
        EXPECT_FALSE(findLyricLine(text, "12.3")) << text.toStdString();
    // A stamp on the last line without a line break still reads to the end.
    const auto hit = findLyricLine("[1.0]a\r\n[2.0]end", "2.0");
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->text, "end");
    // A next line without "]" gives no next text.
    const auto odd = findLyricLine("[1.0]a\r\n[broken\r\n", "1.0");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->nextTime, "0");
    EXPECT_EQ(odd->nextText, "");
}

TEST(SungLineAt, TheLineOfTheLatestTenthReachedAndTheOneHitBeforeIt)
{
    // Equal stamps stand in reverse file order; the tick lights the first.
    const QString text = box({"标题：x", "[0.0]intro", "[2.0]one", "[5.05]two-a", "[5.0]two-b", "[9.5]three"});
    const struct {
        const char* key;
        const char* line; // nullptr: none
        const char* previous;
    } cases[] = {
        {"-0.3", nullptr, ""},
        {"0.0", "intro", ""},   // a line at time zero has nothing before it
        {"1.9", "intro", ""},
        {"2.0", "one", "intro"},
        {"4.9", "one", "intro"},
        {"5.0", "two-a", "one"}, // 5.05 is reached at the tenth 5.0
        {"9.4", "two-a", "one"},
        {"9.5", "three", "two-a"},
        {"600.0", "three", "two-a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const std::optional<SungLine> sung = sungLineAt(text, QString::fromLatin1(c.key));
        if (!c.line) {
            EXPECT_FALSE(sung);
            continue;
        }
        ASSERT_TRUE(sung);
        EXPECT_EQ(sung->line.text, QString::fromLatin1(c.line));
        EXPECT_EQ(sung->previousText, QString::fromLatin1(c.previous));
        EXPECT_EQ(text.mid(sung->line.textStart, sung->line.text.size()), sung->line.text);
    }
    // Before the first line, and texts that hold no lyric line.
    EXPECT_FALSE(sungLineAt(box({"[3.0]a", "[4.0]b"}), "2.9"));
    for (const QString& notice : {QString(), QStringLiteral("正在下载歌词，请稍候……"), QStringLiteral("x[1.0]a\r\n")})
        EXPECT_FALSE(sungLineAt(notice, "5.0")) << notice.toStdString();
}

TEST(LyricTick, ZeroStamps)
{
    EXPECT_TRUE(isZeroStamp("0.0"));
    EXPECT_TRUE(isZeroStamp("0.00"));
    EXPECT_FALSE(isZeroStamp("0.05"));
    EXPECT_FALSE(isZeroStamp("10.0"));
}

TEST(Marquee, StepStartAndWidth)
{
    const struct {
        const char* line;
        const char* cur;
        const char* next;
        MarqueeParams expected;
    } cases[] = {
        // 12 characters lasting 4 s: (12 + 6) \ 5 = 3.
        {"abcdefghijkl", "10.0", "14.0", {50, 3, 200}},
        // Blanks do not count for the step; the width counts them.
        {"abc def ghi jkl", "10.0", "14.0", {50, 3, 200}},
        // Halves round to even: d + 1 = 2.5 -> 2.
        {"abcdefghij", "1.0", "2.5", {100, 8, 200}},
        // Three letters: the short-text rule.
        {"abc", "1.0", "5.0", {30, 0, 100}},
        // Blanks only: not short text.
        {"   ", "1.0", "5.0", {30, 1, 100}},
        // Last line: no division.
        {"abcdefghijkl", "10.0", "0", {30, 1, 200}},
        // Not numbers, or no time to run: step 1.
        {"abcdefghijkl", "x", "14.0", {30, 1, 200}},
        {"abcdefghijkl", "14.0", "14.0", {30, 1, 200}},
        // A long line sung quickly; a very long wait gives step below 1 -> 1.
        {"abcdefghijklmnopqrstuvwx", "1.0", "1.2", {320, 30, 400}},
        {"abcdefghijkl", "0.0", "100.0", {30, 1, 200}},
        {"", "1.0", "2.0", {50, 3, 100}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(marqueeFor(QString::fromUtf8(c.line), c.cur, c.next), c.expected)
            << c.line << " " << c.cur << " " << c.next;
}

TEST(MoveLyricHighlight, RestoresTheOldLineAndColoursTheNewOne)
{
    constexpr rt::PackedColor text = rt::rgb(1, 2, 3);
    constexpr rt::PackedColor high = rt::rgb(250, 250, 250);
    RichTextModel m;
    m.setText("[1.0]one\r\n[2.0]two\r\n");
    m.setColor(0, m.length(), text);
    moveLyricHighlight(m, 0, 0, 6, 3, text, high);
    EXPECT_EQ(m.formatAt(5).color, high);
    EXPECT_EQ(m.formatAt(7).color, high);
    EXPECT_EQ(m.formatAt(8).color, text);
    moveLyricHighlight(m, 6, 3, 16, 3, text, high);
    EXPECT_EQ(m.formatAt(5).color, text);
    EXPECT_EQ(m.formatAt(15).color, high);

    // The box was refilled with a short notice: the old range no longer
    // lies in it and nothing is touched.
    m.setText("none");
    m.setColor(0, 4, rt::rgb(64, 64, 64));
    moveLyricHighlight(m, 16, 3, 0, 0, text, high);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(m.formatAt(i).color, rt::rgb(64, 64, 64));
}
