#include "lyrics/richtext.h"

#include <QSignalSpy>
#include <limits>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

struct RichTextFixture : ::testing::Test {
    RichTextModel box;
    // Lines: "ab", "cd", "", "e", "", "f" (the CR CR LF ends two lines).
    const QString text = "ab\r\ncd\r\n\r\ne\r\r\nf";
    void SetUp() override { box.setText(text); }
};

} // namespace

TEST_F(RichTextFixture, PositionsCountCrLfAsTwo)
{
    EXPECT_EQ(box.length(), 15);
    EXPECT_EQ(box.lineCount(), 6);
    struct Case {
        int pos, line;
    };
    for (const Case c : {Case{0, 0}, {2, 0}, {3, 0}, {4, 1}, {7, 1}, {8, 2}, {10, 3}, {11, 3}, {12, 4}, {13, 4}, {14, 5}, {15, 5}})
        EXPECT_EQ(box.lineFromChar(c.pos), c.line) << c.pos;
    EXPECT_EQ(box.lineStart(1), 4);
    EXPECT_EQ(box.lineStart(5), 14);
    EXPECT_EQ(box.lineStart(6), -1);
    EXPECT_EQ(box.lineLength(0), 2);
    EXPECT_EQ(box.lineLength(2), 0);
    EXPECT_EQ(box.lineLength(4), 0);
    EXPECT_EQ(box.lineText(3), QString("e"));
    EXPECT_EQ(box.lineText(5), QString("f"));

    // 1-based string helpers next to the 0-based ones.
    EXPECT_EQ(box.find1(1, u"cd"), 5);
    EXPECT_EQ(box.indexOf(u"cd"), 4);
    EXPECT_EQ(box.find1(6, u"cd"), 0);
    EXPECT_EQ(box.find1(1, u"\r\n"), 3);
    EXPECT_EQ(box.findLast1(u"\r\n"), 13);
    EXPECT_EQ(box.findLast1(u"\r\n", 13), 9); // must lie within 1..13
    EXPECT_EQ(box.lastIndexOf(u"\r\n"), 12);
    EXPECT_EQ(box.slice1(5, 2), QString("cd"));
    EXPECT_EQ(box.slice1(14), QString("\nf"));
}

TEST_F(RichTextFixture, SelectionFormatting)
{
    QSignalSpy formats(&box, &RichTextModel::formatChanged);
    box.select(4, 2);
    EXPECT_EQ(box.selText(), QString("cd"));
    box.setSelColor(rt::rgb(255, 0, 0));
    box.setSelBold(true);
    box.setSelFontSize(14);
    ASSERT_EQ(formats.size(), 3);
    EXPECT_EQ(formats[0][0].toInt(), 4);
    EXPECT_EQ(formats[0][1].toInt(), 2);
    EXPECT_EQ(box.formatAt(3).color, 0);
    EXPECT_EQ(box.formatAt(4), (CharFormat{rt::rgb(255, 0, 0), 14, true}));
    EXPECT_EQ(box.formatAt(5), box.formatAt(4));
    EXPECT_EQ(box.formatAt(6).color, 0);

    box.select(3, 2); // mixed
    EXPECT_FALSE(box.selColor().has_value());
    EXPECT_FALSE(box.selBold().has_value());
    box.select(4, 2);
    EXPECT_EQ(box.selColor(), rt::rgb(255, 0, 0));

    // Replacing keeps the format of the first selected character.
    box.setSelText("XYZ");
    EXPECT_EQ(box.text(), QString("ab\r\nXYZ\r\n\r\ne\r\r\nf"));
    EXPECT_EQ(box.selStart(), 7);
    EXPECT_EQ(box.selLength(), 0);
    EXPECT_EQ(box.formatAt(6).color, rt::rgb(255, 0, 0));
    EXPECT_EQ(box.formatAt(7).color, 0);
    EXPECT_EQ(box.lineCount(), 6);

    // Clamping.
    box.setSelStart(-5);
    EXPECT_EQ(box.selStart(), 0);
    box.setSelStart(1000);
    EXPECT_EQ(box.selStart(), box.length());
    box.select(15, 100);
    EXPECT_EQ(box.selLength(), box.length() - 15);
    box.setColor(-10, 1000, rt::rgb(0, 1, 0)); // whole text, clamped
    EXPECT_EQ(box.formatAt(0).color, rt::rgb(0, 1, 0));
}

TEST_F(RichTextFixture, NewTextTakesTheFirstCharactersFormat)
{
    box.selectAll();
    box.setSelColor(rt::rgb(64, 64, 64));
    box.setSelFontSize(9);
    box.select(3, 4);
    box.setText("new");
    EXPECT_EQ(box.selStart(), 0);
    EXPECT_EQ(box.selLength(), 0);
    EXPECT_EQ(box.formatAt(2), (CharFormat{rt::rgb(64, 64, 64), 9, false}));

    // An empty box keeps the format set on it for the next text.
    box.setText("");
    box.setSelColor(rt::rgb(9, 9, 9));
    box.setText("x");
    EXPECT_EQ(box.formatAt(0).color, rt::rgb(9, 9, 9));
}

TEST(RichText, LineScrollIsClamped)
{
    RichTextModel box;
    QString t;
    for (int i = 0; i < 10; ++i)
        t += QString("[%1.0]line\r\n").arg(i);
    box.setText(t); // 11 lines: the last one empty
    QSignalSpy scrolls(&box, &RichTextModel::scrolled);

    box.lineScroll(1);
    EXPECT_EQ(box.firstVisibleLine(), 1);
    box.lineScroll(100);
    EXPECT_EQ(box.firstVisibleLine(), 10); // height unknown: the last line may reach the top
    box.lineScroll(-100);
    EXPECT_EQ(box.firstVisibleLine(), 0);
    box.lineScroll(-1);
    EXPECT_EQ(scrolls.size(), 3); // no signal when nothing moved
    box.lineScroll(std::numeric_limits<int>::max());
    EXPECT_EQ(box.firstVisibleLine(), 10);

    // With a known height the last line stops at the bottom.
    box.setVisibleLineCount(4);
    EXPECT_EQ(box.firstVisibleLine(), 7);
    box.lineScroll(1);
    EXPECT_EQ(box.firstVisibleLine(), 7);

    // Placing the caret scrolls it into view, as the box shows its end.
    box.setSelStart(0);
    EXPECT_EQ(box.firstVisibleLine(), 0);
    box.setSelStart(box.length());
    EXPECT_EQ(box.firstVisibleLine(), 7);

    box.setText("one line");
    EXPECT_EQ(box.firstVisibleLine(), 0);
    box.lineScroll(1);
    EXPECT_EQ(box.firstVisibleLine(), 0);
}

TEST(RichText, RangeColouringOfALongTextIsCheap)
{
    RichTextModel box;
    QString t;
    for (int i = 0; i < 10000; ++i)
        t += QString("[%1.0]some lyric words\r\n").arg(i);
    box.setText(t);
    // One colour change per line, as the lyric styling does.
    for (int line = 0; line < box.lineCount(); ++line)
        box.setColor(box.lineStart(line) + 1, 3, rt::rgb(1, 1, 1));
    int runs = 0;
    box.forEachRun(0, box.length(), [&](int, int, const CharFormat&) { ++runs; });
    EXPECT_EQ(runs, 2 * 10000 + 1);
    EXPECT_EQ(box.lineFromChar(box.lineStart(9999) + 2), 9999);
}
