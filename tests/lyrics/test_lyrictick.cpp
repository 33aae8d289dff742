// The lyric tick's arithmetic: time key, the index of the stamps, marquee,
// highlight.
#include "lyrics/lrcparser.h"
#include "lyrics/lyricloader.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyrictick.h"
#include "lyrics/richtext.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <random>

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

std::optional<LyricLineHit> findLyricLine(const QString& text, const QString& key)
{
    LyricTimeIndex index;
    index.follow(text);
    return index.find(key);
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

namespace {

// The search the index replaced: the first "[" followed by the key anywhere
// in the text, read as lyricLineAt reads it.
std::optional<LyricLineHit> searchedLine(const QString& text, const QString& key)
{
    const qsizetype p = text.indexOf(QString(QChar(u'[')) + key);
    if (key.isEmpty() || p < 0)
        return std::nullopt;
    return lyricLineAt(text, int(p));
}

const QRegularExpression& timeKeyForm()
{
    static const QRegularExpression re(QRegularExpression::anchoredPattern(QStringLiteral("-?[0-9]+\\.[0-9]")));
    return re;
}

// Lyric files of the shapes the loader meets: stamps with and without
// hundredths, several on a line, equal times and equal tenths, header tags,
// brackets in the text, word stamps, lines ended by LF or CR alone, and now
// and then a line that is no lyric at all.
QString variedLrc(std::mt19937& rng)
{
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    static const char* const headers[] = {"[ti:歌名]", "[ar:歌手]", "[al:专辑]", "[by:编辑]", "[offset:-300]",
                                          "[offset:+150]", "[offset:abc]", "[key:k]", "[la:zh]", "[AR:大写]",
                                          "[t_time:(03:20)]"};
    static const char* const texts[] = {"我们一起唱", "", " ", "Hold on", "I [love] you", "abc]", "[12.3",
                                        "x[7.0]y", "<00:12.46> I <00:12.69> would", "走过[00:05.00]小路", "][",
                                        "[1.5 no close", "很长很长的一句歌词，唱了好几秒钟才唱完", "[-0.5]前奏"};
    static const char* const breaks[] = {"\r\n", "\r\n", "\r\n", "\n", "\r"};
    auto stamp = [&]() -> QString {
        // A coarse grid makes equal times and equal tenths common.
        double t = pick(4) == 0 ? pick(1000) * 0.1 : pick(200) * 0.5;
        if (pick(3) == 0)
            t += pick(10) * 0.01;
        const int m = int(t / 60);
        const double sec = t - m * 60;
        switch (pick(9)) {
        case 0: return QStringLiteral("[%1:%2]").arg(m, 2, 10, QChar(u'0')).arg(int(sec), 2, 10, QChar(u'0'));
        case 1: return QStringLiteral("[%1:%2]").arg(m).arg(sec, 4, 'f', 1, QChar(u'0'));
        case 2: return QStringLiteral("[%1:%2]").arg(m, 2, 10, QChar(u'0')).arg(sec, 6, 'f', 3, QChar(u'0'));
        case 3: return QStringLiteral("[%1:%2]").arg(pick(200) + 60).arg(sec, 5, 'f', 2, QChar(u'0'));
        case 4: return QStringList{"[-00:01.00]", "[00:12:34]", "[12]", "[:12]", "[00:0x.5]"}.at(pick(5));
        default: return QStringLiteral("[%1:%2]").arg(m, 2, 10, QChar(u'0')).arg(sec, 5, 'f', 2, QChar(u'0'));
        }
    };
    QString lrc;
    for (int i = pick(5); i > 0; --i)
        lrc += QString::fromUtf8(headers[pick(11)]) + QStringLiteral("\r\n");
    for (int i = pick(80); i > 0; --i) {
        QString line;
        const int tags = pick(12) == 0 ? 0 : pick(8) == 0 ? 2 + pick(3) : 1;
        for (int k = 0; k < tags; ++k)
            line += stamp();
        lrc += line + QString::fromUtf8(texts[pick(14)]) + QString::fromLatin1(breaks[pick(5)]);
    }
    return lrc;
}

// A lyric of `lines` lines stamped `spacing` seconds apart.
QString evenLrc(int lines, double spacing)
{
    QString lrc = QStringLiteral("[ti:长歌]\r\n[ar:某人]\r\n");
    for (int i = 0; i < lines; ++i) {
        const double t = 1.0 + i * spacing;
        const int m = int(t / 60);
        lrc += QStringLiteral("[%1:%2]第%3行\r\n")
                   .arg(m, 2, 10, QChar(u'0'))
                   .arg(t - m * 60, 5, 'f', 2, QChar(u'0'))
                   .arg(i);
    }
    return lrc;
}

} // namespace

TEST(LyricTimeIndex, FindsTheLineTheSearchOfTheWholeTextFound)
{
    // Box texts as the loader, the service and the notices leave them.
    QStringList boxes;
    auto addLyrics = [&](const QString& raw) {
        boxes << raw;
        const QString normalised = normaliseLyricText(raw);
        boxes << normalised << parseLrc(normalised).text;
    };
    testsupport::TestDir dir;
    const QDir seeds(QStringLiteral(MELODUNE_SOURCE_DIR "/tests/lyrics/fuzz/seeds"));
    const QStringList seedFiles = seeds.entryList({QStringLiteral("*.lrc")}, QDir::Files);
    ASSERT_FALSE(seedFiles.isEmpty());
    for (const QString& name : seedFiles) {
        QFile f(seeds.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        boxes << QString::fromUtf8(f.readAll());
        const std::optional<QString> text = readLyricText(seeds.filePath(name));
        ASSERT_TRUE(text) << name.toStdString();
        boxes << *text << parseLrc(*text).text;
    }
    dir.write(QStringLiteral("none.lrc"), noLyricsStub(defaultNoLyricsNote()));
    const std::optional<QString> stub = readLyricText(dir.file(QStringLiteral("none.lrc")));
    ASSERT_TRUE(stub);
    boxes << parseLrc(*stub).text;
    for (const QString& path : {QStringLiteral("/音乐/歌.mp3"), QStringLiteral("/live/[1.5] 现场.mp3")})
        boxes << lyricSearchingNotice(path) << lyricNotFoundNotice(path) << lyricDeletedNotice(path)
              << lyricTooLargeNotice(path);
    boxes << QStringLiteral("下载歌词失败！\r\n[网络连接超时或错误。]") << QString() << QStringLiteral("[");
    addLyrics(evenLrc(60, 4.0));
    addLyrics(evenLrc(2000, 0.12));
    std::mt19937 rng(20240611);
    for (int i = 0; i < 150; ++i)
        addLyrics(variedLrc(rng));

    int wrong = 0;
    int hits = 0;
    for (const QString& text : boxes) {
        // Every key of the clock from before the start to past the last
        // stamp, and every key that stands after a "[" of the text.
        QStringList keys;
        for (int tenth = -30; tenth <= 2000; ++tenth)
            keys << lyricTimeKey(tenth / 10.0);
        for (qsizetype p = text.indexOf(u'['); p >= 0; p = text.indexOf(u'[', p + 1))
            for (int n = 3; n <= 12 && p + n < text.size(); ++n)
                if (const QString key = text.mid(p + 1, n); timeKeyForm().match(key).hasMatch())
                    keys << key;

        LyricTimeIndex index;
        index.follow(text);
        for (const QString& key : keys) {
            const std::optional<LyricLineHit> expected = searchedLine(text, key);
            hits += expected.has_value();
            if (index.find(key) != expected && ++wrong <= 5)
                ADD_FAILURE() << "key " << key.toStdString() << " in:\n" << text.left(300).toStdString();
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(hits, 5000) << "the corpus hits lines";
}

TEST(LyricTimeIndex, FollowsEveryChangeOfTheBoxText)
{
    RichTextModel box;
    LyricTimeIndex index;
    auto find = [&](const char* key) {
        index.follow(box.text());
        return index.find(QString::fromLatin1(key));
    };
    box.setText(QStringLiteral("[1.0]one\r\n[2.0]two\r\n"));
    ASSERT_TRUE(find("2.0"));
    // A stamp replaced in place by one of as many characters.
    box.select(10, 5);
    box.setSelText(QStringLiteral("[3.0]"));
    EXPECT_FALSE(find("2.0"));
    ASSERT_TRUE(find("3.0"));
    EXPECT_EQ(find("3.0").value_or(LyricLineHit{}).text, "two");
    // Another text of the same length, a notice, nothing.
    box.setText(QStringLiteral("[4.0]one\r\n[5.0]two\r\n"));
    EXPECT_FALSE(find("1.0"));
    EXPECT_EQ(find("5.0").value_or(LyricLineHit{}).tagStart, 10);
    box.setText(lyricNotFoundNotice(QStringLiteral("/a.mp3")));
    EXPECT_FALSE(find("4.0"));
    box.setText(QString());
    EXPECT_FALSE(find("4.0"));
    // Back to the first text: the same characters in a new string.
    box.setText(QStringLiteral("[1.0]one\r\n[2.0]two\r\n"));
    EXPECT_EQ(find("2.0").value_or(LyricLineHit{}).text, "two");
}
