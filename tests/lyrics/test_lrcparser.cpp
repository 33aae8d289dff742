#include "lyrics/lrcparser.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyricstyle.h"
#include "lyrics/richtext.h"
#include "platform/convert.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>

using namespace melodune;

namespace {

// A lyric file as read (decoded) through to what the box shows.
LrcParseResult load(const QString& file)
{
    return parseLrc(normaliseLyricText(file));
}

// The tagged lines of a box text, in order.
QStringList lyricLines(const QString& box)
{
    QStringList out;
    for (const QString& l : box.split(QRegularExpression("\r\n|\r|\n")))
        if (l.startsWith(u'['))
            out << l;
    return out;
}

// Pairs the way the sort pass cuts them: each "]" with the last "[" before it.
QStringList asciiTags(const QString& s)
{
    QStringList tags;
    qsizetype c = s.size() - 1;
    while (c >= 0) {
        const qsizetype d = s.lastIndexOf(u']', c);
        if (d < 0)
            break;
        const qsizetype e = d > 0 ? s.lastIndexOf(u'[', d - 1) : -1;
        if (e < 0)
            break;
        tags.prepend(s.mid(e, d - e + 1));
        c = d - 1;
    }
    return tags;
}

// After pass 1: as many bracket pairs as counted tags, each a number.
void expectTagInvariant(const QString& normalised)
{
    const LrcTagPassResult r = parseLrcTags(normalised);
    const QStringList tags = asciiTags(r.text);
    EXPECT_EQ(tags.size(), r.tagCount) << r.text.toStdString();
    for (const QString& t : tags)
        EXPECT_TRUE(rt::toDouble(t.mid(1, t.size() - 2)).has_value()) << t.toStdString();
}

} // namespace

// The worked examples: one file, what the finished box holds.
TEST(LrcParser, WorkedExamples)
{
    struct Case {
        const char* file;
        const char* box;
        int offset;
    };
    const Case cases[] = {
        {"[00:12.34]Hello", "\r\n[12.34]Hello\r\n", 0},
        {"[1:05.5]Hi", "\r\n[65.5]Hi\r\n", 0},
        {"[00:20]Go", "\r\n[20.0]Go\r\n", 0},
        {"[0:62.345]x", "\r\n[62.345]x\r\n", 0},
        {"[00:05.00][00:20.00]La", "\r\n[5.0]La\r\n[20.0]La\r\n", 0},
        {"[00:10]X\n[00:05.00][00:20.00]La\n", "\r\n[5.0]La\r\n[10.0]X\r\n[20.0]La\r\n\r\n", 0},
        {"[00:30.00]\n", "\r\n[30.0] \r\n\r\n", 0},
        {"[00:10.00]I [love] you", "\r\n[10.0]I ［love］ you\r\n", 0},
        {"[ti:Song]\n[00:01]A\n", "\r\n标题：Song \r\n[1.0]A\r\n\r\n", 0},
        {"[ar:Sam]\n[al:Best]\n[by:me]\n[t_time:(03:20)]\n[00:01]A",
         "\r\n艺人：Sam \r\n专辑：Best \r\n歌词编辑：me \r\n匹配曲目时间：(03:20) \r\n[1.0]A\r\n", 0},
        {"[offset:500]\n[00:01]A\n", "\r\n时间补偿：500毫秒 \r\n[1.0]A\r\n\r\n", 500},
        {"[key:abc]\n[00:01]A\n", "\r\n*加密编码* \r\n[1.0]A\r\n\r\n", 0},
        {"[la:zh]\n[00:01]A\n", "\r\n［la:zh］ \r\n[1.0]A\r\n\r\n", 0},
        {"[00:10.00]A\n[00:10.000]B\n", "\r\n[10.0]B\r\n[10.0]A\r\n\r\n", 0},
        // Upper-case keys are recognised, mixed case is not.
        {"[TI:Song]\n[Ti:Song]\n[OFFSET:-40]\n[00:01]A", "\r\n标题：Song \r\n［Ti:Song］ \r\n时间补偿：-40毫秒 \r\n[1.0]A\r\n", -40},
        // A header line between time lines is dropped by the rebuild.
        {"[00:01]A\n[by:x]\n[00:02]B", "\r\n[1.0]A\r\n[2.0]B\r\n", 0},
        // "·" is a decimal point.
        {"[00:01·5]A", "\r\n[1.5]A\r\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const LrcParseResult r = load(QString::fromUtf8(c.file));
        EXPECT_TRUE(r.parsed);
        EXPECT_EQ(r.text, QString::fromUtf8(c.box));
        EXPECT_EQ(r.offset, c.offset);
    }
}

TEST(LrcParser, NumberTextOfSeconds)
{
    struct Case {
        const char* tag;
        const char* line;
    };
    const Case cases[] = {
        {"[1:5.1]", "[65.1]"},      // 60 + 5.1, no binary noise
        {"[0:0]", "[0.0]"},
        {"[00:00.000]", "[0.0]"},
        {"[00:00.5]", "[0.5]"},
        {"[-1:30]", "[-30.0]"},
        {"[2:00.10]", "[120.1]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const LrcParseResult r = load(QString::fromUtf8(c.tag) + "x");
        EXPECT_EQ(lyricLines(r.text), QStringList{QString::fromUtf8(c.line) + "x"});
    }
}

TEST(LrcParser, ScrambledOrderSortsAscendingWithTiesInReverseFileOrder)
{
    const LrcParseResult r = load("[00:03]c\n[00:01]a\n[00:02]b1\n[00:02.0]b2\n[00:00.5]z\n");
    EXPECT_EQ(lyricLines(r.text),
              (QStringList{"[0.5]z", "[1.0]a", "[2.0]b2", "[2.0]b1", "[3.0]c"}));
    EXPECT_EQ(r.tagCount, 5);
}

// The n log n sort gives the order of the selection sort it replaces.
TEST(LrcParser, SortMatchesSelectionSortOrder)
{
    QRandomGenerator rng(7);
    QString file;
    QStringList textOrder;
    for (int i = 0; i < 300; ++i) {
        const int tenths = int(rng.bounded(200)); // many equal times
        const QString line = QString("[%1:%2]L%3").arg(tenths / 600).arg((tenths % 600) / 10.0).arg(i);
        file += line + "\n";
    }
    const LrcParseResult r = load(file);
    ASSERT_TRUE(r.parsed);

    // The lines in text order as the passes write them, sorted the old way.
    std::vector<QString> lines;
    const QString split = *splitMultiTimeTags(parseLrcTags(normaliseLyricText(file)).text);
    for (const QString& l : lyricLines(split))
        lines.push_back(l);
    auto value = [](const QString& l) { return *rt::toDouble(l.mid(1, l.indexOf(u']') - 1)); };
    QStringList expected;
    std::vector<bool> taken(lines.size(), false);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::size_t best = 0;
        double cur = 1e300;
        for (std::size_t j = 0; j < lines.size(); ++j)
            if (!taken[j] && value(lines[j]) <= cur)
                cur = value(lines[j]), best = j;
        taken[best] = true;
        expected << lines[best];
    }
    EXPECT_EQ(lyricLines(r.text), expected);
}

TEST(LrcParser, EmptyTagsBorrowTheNextText)
{
    struct Case {
        const char* file;
        QStringList lines;
    };
    const Case cases[] = {
        // A chain of tags on one line: all take its text.
        {"[00:01][00:02][00:03]X", {"[1.0]X", "[2.0]X", "[3.0]X"}},
        // Borrowing touches only the tag at hand, not a later line with the
        // same tag (which once turned that into "LaHi").
        {"[00:05][00:20]La\n[00:05]Hi\n", {"[5.0]Hi", "[5.0]La", "[20.0]La"}},
        // A tag that stood alone keeps its one blank.
        {"[00:30]\n[00:31]next\n", {"[30.0] ", "[31.0]next"}},
        // Tags ending the file without text stay empty.
        {"[00:01]A\n[00:02][00:03]", {"[1.0]A", "[2.0]", "[3.0]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(lyricLines(load(QString::fromUtf8(c.file)).text), c.lines);
    }
}

TEST(LrcParser, OffsetTags)
{
    struct Case {
        const char* file;
        int offset;
        QStringList labels; // non-lyric lines of the box, in order
    };
    const Case cases[] = {
        // All become labels; the one nearest the top sets the offset.
        {"[offset:100]\n[offset:200]\n[00:01]A\n[offset:300]\n", 100,
         {"时间补偿：100毫秒 ", "时间补偿：200毫秒 ", "时间补偿：300毫秒 "}},
        // Not a number after a time tag (scanning from the end): unchanged.
        {"[offset:200]\n[offset:abc]\n[00:01]A\n", 200, {"时间补偿：200毫秒 ", "时间补偿：0毫秒 "}},
        // Not a number before any time tag: the same, not a failed load.
        {"[00:01]A\n[offset:abc]\n", 0, {"时间补偿：0毫秒 "}},
        {"[offset:+250]\n[00:01]A", 250, {"时间补偿：250毫秒 "}},
        {"[offset:12.5]\n[00:01]A", 12, {"时间补偿：12毫秒 "}},
        {"[offset:99999999999]\n[00:01]A", 0, {"时间补偿：0毫秒 "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const LrcParseResult r = load(QString::fromUtf8(c.file));
        EXPECT_TRUE(r.parsed);
        EXPECT_EQ(r.offset, c.offset);
        QStringList labels;
        for (const QString& l : r.text.split("\r\n"))
            if (l.startsWith(QString::fromUtf8("时间补偿")))
                labels << l;
        EXPECT_EQ(labels, c.labels);
        EXPECT_EQ(lyricLines(r.text), QStringList{"[1.0]A"});
    }
}

TEST(LrcParser, BracketInsideTextLosesTheTime)
{
    const LrcParseResult r = load("[00:01]x\n[00:12.00]abc]\n[00:03]y\n[00:20]tail]");
    EXPECT_EQ(r.tagCount, 2);
    // The middle line is untagged and dropped; the last one stays as trailing text.
    EXPECT_EQ(r.text, QString::fromUtf8("\r\n[1.0]x\r\n[3.0]y\r\n［00:20］tail］\r\n"));
}

TEST(LrcParser, OddTagsKeepTheTagCount)
{
    struct Case {
        const char* file;
        QStringList lines;
    };
    const Case cases[] = {
        {"[12]a", {"[12.0]a"}},               // no colon: seconds
        {"[00:12:34]a", {"[12.34]a"}},        // mm:ss:xx
        {"[:12]a", {"[12.0]a"}},              // empty minutes
        {"[12:]a", {"[720.0]a"}},             // empty seconds
        {"[5.0]a\n[00:05]b", {"[5.0]b", "[5.0]a"}}, // already converted form
        {"[00:12]]a", {"[12.0]a"}},           // a doubled "]" ends the tag
        {"[35791394:07]a", {"[2147483647.0]a"}}, // the largest time that fits
        {"[01:02:x]a\n[00:01]b", {"[1.0]b"}},    // not a number
        {"[35791394:08]a\n[00:01]b", {"[1.0]b"}}, // does not fit 32 bits
        {"[99999999999:00]a\n[00:01]b", {"[1.0]b"}},
        {"[00:1e400]a\n[00:01]b", {"[1.0]b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = QString::fromUtf8(c.file);
        expectTagInvariant(normaliseLyricText(file));
        EXPECT_EQ(lyricLines(load(file).text), c.lines);
    }
    // Stray brackets and empty input do no harm.
    for (const char* file : {"", "]", "[", "][", "[[]]", "a]b[c", "[ti:a]b]\n[x", "[a\n[ti:b]c]\n[00:01]d",
                             "[00:01]\n[00:02]a[00:03]b\n[00:04]"}) {
        SCOPED_TRACE(file);
        const QString n = normaliseLyricText(QString::fromUtf8(file));
        expectTagInvariant(n);
        const LrcParseResult r = parseLrc(n);
        EXPECT_EQ(r.parsed, r.tagCount > 0);
    }
}

// Copying each tag's rest of line would be quadratic here; past a bound the
// file is shown as read instead.
TEST(LrcParser, CraftedLongLineIsBounded)
{
    QString file = "[00:01]";
    file += QString("[00:01]a").repeated(100000);
    // A pass that went back over the line for every tag would not end within
    // the run's time-out.
    const LrcParseResult r = load(file);
    EXPECT_FALSE(r.parsed);
    EXPECT_EQ(r.tagCount, 100001);
}

TEST(LrcParser, TextWithoutTimeTagsIsShownAsRead)
{
    const QString n = normaliseLyricText("[ti:Song]\n[offset:300]\njust words\n");
    const LrcParseResult r = parseLrc(n);
    EXPECT_FALSE(r.parsed);
    EXPECT_EQ(r.tagCount, 0);
    EXPECT_EQ(r.text, n);
    EXPECT_EQ(r.offset, 300); // the tag pass still ran
}

TEST(LrcParser, NormalisationOfLineEnds)
{
    EXPECT_EQ(normaliseLyricText("[00:01][00:02]a\n[00:03]\n"),
              QString("\r\n[00:01]\r\n[00:02]a\r\n[00:03] \r\n\r\n"));
    const QString lf = "[ti:T]\n[00:02]b\n[00:01]a\n[00:03][00:04]c\n\nend\n";
    QString crlf = lf;
    crlf.replace("\n", "\r\n");
    const LrcParseResult a = load(lf), b = load(crlf);
    EXPECT_EQ(lyricLines(a.text), lyricLines(b.text));
    EXPECT_EQ(lyricLines(a.text), (QStringList{"[1.0]a", "[2.0]b", "[3.0]c", "[4.0]c"}));
}

// Enhanced LRC times each word with "<mm:ss.xx>": the box shows the words,
// the line keeps its own time.
TEST(LrcParser, WordStampsAreDroppedAndLineTimesKept)
{
    struct Case {
        const char* file;
        QStringList lines;
    };
    const Case cases[] = {
        {"[00:12.46]<00:12.46> I <00:12.69> would <00:13.10>\n[00:14.00]<00:14.00> still\n",
         {"[12.46]I would", "[14.0]still"}},
        {"[00:01.00]<00:01.00>我<00:01.30>的<00:01.60>歌<00:02.00>\r\n", {"[1.0]我的歌"}},
        {"[00:02.00]<00:02.00>beau<00:02.20>ti<00:02.40>ful", {"[2.0]beautiful"}},
        {"[00:03.00] <00:03.00>Hold <00:03.50>on", {"[3.0]Hold on"}},
        {"[00:04.00]<0:04:00>a <00:04.500>b <1:5>c", {"[4.0]a b c"}},
        {"[00:05.00][00:09.00]<00:05.00>x <00:05.50>y\n", {"[5.0]x y", "[9.0]x y"}},
        {"[00:06.00]<00:06.00>\n[00:07.00]<00:07.00>z\n", {"[6.0] ", "[7.0]z"}}, // no words: the one blank
        // Not stamps: kept as written.
        {"[00:08.00]a <3 b <x:1.0> <12:34.> <00:08\n", {"[8.0]a <3 b <x:1.0> <12:34.> <00:08"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const LrcParseResult r = load(QString::fromUtf8(c.file));
        EXPECT_EQ(lyricLines(r.text), c.lines);
    }
    // A header keeps its lines; the stamps vanish from the whole text.
    const LrcParseResult r = load("[ti:Song]\n[ar:A]\n[00:12.46]<00:12.46> I <00:12.69> would");
    EXPECT_EQ(r.text, QString::fromUtf8("\r\n标题：Song \r\n艺人：A \r\n[12.46]I would\r\n"));
}

TEST(LrcParser, ApplySetsBoxAndState)
{
    RichTextModel box;
    LyricState state;
    state.offset = 77;
    state.highlightStart = 5;
    state.highlightLength = 3;
    applyLrcResult(load("[offset:-20]\n[00:01]A"), box, state);
    EXPECT_EQ(state.offset, -20);
    EXPECT_EQ(state.highlightStart, 0);
    EXPECT_EQ(state.highlightLength, 0);
    EXPECT_EQ(box.text(), QString::fromUtf8("\r\n时间补偿：-20毫秒 \r\n[1.0]A\r\n"));
}

TEST(LyricStyle, SpansAndColours)
{
    const QString text = QString::fromUtf8("\r\n标题：S \r\n[1.0]Ab\r\n[2.5] \r\nx]y");
    // From after each line's first "]" through its CR; the last runs to the end.
    EXPECT_EQ(lyricTextSpans(text), (std::vector<TextSpan>{{14, 3}, {23, 2}, {28, 1}}));

    RichTextModel box;
    box.setText(text);
    LyricBoxStyle style{rt::rgb(0, 0, 128), rt::rgb(1, 2, 3), rt::rgb(150, 150, 255), "宋体", 12, true};
    styleLyricBox(box, style);
    EXPECT_EQ(box.backColor(), style.backColor);
    EXPECT_EQ(box.fontName(), QString::fromUtf8("宋体"));
    EXPECT_EQ(box.selStart(), 0);
    EXPECT_EQ(box.selLength(), 0);
    for (int i = 0; i < box.length(); ++i) {
        const bool lyric = (i >= 14 && i < 17) || (i >= 23 && i < 25) || i == 28;
        EXPECT_EQ(box.formatAt(i).color, lyric ? style.textColor : style.tagColor) << i;
        EXPECT_EQ(box.formatAt(i).size, 12);
        EXPECT_TRUE(box.formatAt(i).bold);
    }

    styleLyricNotice(box);
    EXPECT_EQ(box.backColor(), ButtonFaceColor);
    box.selectAll();
    EXPECT_EQ(box.selColor(), NoticeTextColor);
    EXPECT_EQ(box.selFontSize(), 9);
    EXPECT_EQ(box.selBold(), false);
}

// Prints the time of a 10,000-line file; not a gate.
TEST(LrcParserBenchmark, TenThousandLines)
{
    QRandomGenerator rng(1);
    QString file = "[ti:Bench]\n[ar:Someone]\n[offset:120]\n";
    for (int i = 0; i < 10000; ++i) {
        const int cs = int(rng.bounded(600000)); // hundredths
        if (i % 10 == 0)
            file += QString("[%1:%2.%3]").arg(cs / 6000, 2, 10, QChar('0')).arg(cs / 100 % 60, 2, 10, QChar('0'))
                        .arg((cs + 37) % 100, 2, 10, QChar('0'));
        file += QString("[%1:%2.%3]lyric line number %4 with some words\n")
                    .arg(cs / 6000, 2, 10, QChar('0')).arg(cs / 100 % 60, 2, 10, QChar('0'))
                    .arg(cs % 100, 2, 10, QChar('0')).arg(i);
    }
    QElapsedTimer t;
    t.start();
    const LrcParseResult r = load(file);
    const double parseMs = t.nsecsElapsed() / 1e6;
    RichTextModel box;
    LyricState state;
    t.restart();
    applyLrcResult(r, box, state);
    styleLyricBox(box, {rt::rgb(0, 0, 128), 0, rt::rgb(150, 150, 255), "宋体", 10, true});
    const double styleMs = t.nsecsElapsed() / 1e6;
    EXPECT_EQ(r.tagCount, 11000);
    EXPECT_EQ(lyricLines(r.text).size(), 11000);
    std::printf("[bench] 10,000-line lyric file (%lld chars): parse %.2f ms, box text and styling %.2f ms\n",
                (long long)file.size(), parseMs, styleMs);
    RecordProperty("parse_ms", QString::number(parseMs, 'f', 2).toStdString());
}
