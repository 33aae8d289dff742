#include "platform/textfile.h"

#include <gtest/gtest.h>

using namespace rt;

namespace {

TEST(TextFile, QuotedLine)
{
    EXPECT_EQ(quotedLine("C:\\a b.mp3"), "\"C:\\a b.mp3\"\r\n");
    EXPECT_EQ(quotedLine(""), "\"\"\r\n");
    EXPECT_EQ(quotedLine("say \"hi\""), "\"say \"hi\"\"\r\n"); // no escaping
}

TEST(TextFile, SplitLines)
{
    const std::pair<QString, QStringList> cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"a\n\r\nb", {"a", "", "b"}},
        {"a\n\nb\r\r", {"a", "", "b", ""}},
        {"", {}},
        {"\r\n", {""}},
        {"only", {"only"}},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(splitLines(text), lines) << text.toStdString();
}

QStringList readAll(const QString& text, int count)
{
    FieldReader r(text);
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << r.next();
    return out;
}

TEST(TextFile, DelimitedFields)
{
    const std::pair<QString, QStringList> cases[] = {
        // Quoted fields keep their blanks; unquoted ones are trimmed.
        {"\" 0 \",\"-1 \",\"\",\"a, b\"\r\n", {" 0 ", "-1 ", "", "a, b", ""}},
        {"  12 , abc ,x y\r\n", {"12", "abc", "x y", "", ""}},
        // Line ends end fields too.
        {"\"a\"\r\n\"b\"\n c \rd", {"a", "b", "c", "d", ""}},
        // Text after a closing quote is dropped up to the separator.
        {"\"a\"junk,b", {"a", "b", "", "", ""}},
        // An unterminated quote runs to the end.
        {"\"abc, def", {"abc, def", "", "", "", ""}},
        {"a,,b", {"a", "", "b", "", ""}},
        {"", {"", "", "", "", ""}},
    };
    for (const auto& [text, fields] : cases)
        EXPECT_EQ(readAll(text, 5), fields) << text.toStdString();
}

TEST(TextFile, FieldReaderEnd)
{
    FieldReader r("\"a\",\"b\"\r\n");
    EXPECT_FALSE(r.atEnd());
    EXPECT_EQ(r.next(), "a");
    EXPECT_EQ(r.next(), "b");
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(r.next(), "");
}

} // namespace
