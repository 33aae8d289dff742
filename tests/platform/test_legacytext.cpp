#include "platform/legacytext.h"
#include "tests/support/testdir.h"

#include <gtest/gtest.h>

using namespace rt;

namespace {

TEST(LegacyText, Decodes)
{
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray("\xB8\xE8\xB4\xCA"), QString::fromUtf8("歌词")},                  // code page 936
        {QByteArray("C:\\\xD2\xF4\xC0\xD6\\a.mp3"), QString::fromUtf8("C:\\音乐\\a.mp3")},
        {QByteArray("\xEF\xBB\xBF\xE6\xAD\x8C\xE8\xAF\x8D"), QString::fromUtf8("歌词")}, // UTF-8 with mark
        {QByteArray("\xEF\xBB\xBF" "abc"), QString("abc")},
        {QByteArray("\xE6\xAD\x8C\xE8\xAF\x8D [00:01.00]"), QString::fromUtf8("歌词 [00:01.00]")}, // plain UTF-8
        {QByteArray("\" 0 \",\"-1 \"\r\n"), QString("\" 0 \",\"-1 \"\r\n")},              // ASCII
        {QByteArray(), QString()},
        {QByteArray("\x80"), QString::fromUtf8("€")}, // code page 936's euro sign
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(decodeLegacy(bytes), text) << bytes.toHex().constData();
}

TEST(LegacyText, AmbiguousBytesAreReadByTheRule)
{
    const QByteArray bom = "\xEF\xBB\xBF";
    struct Case {
        const char* name;
        DecodeRule rule;
        QByteArray bytes;
        const char* text;
    };
    const Case cases[] = {
        // Our own GB18030 files whose bytes happen to be valid UTF-8 of 2-byte sequences.
        {"一", DecodeRule::CodePage936, "\xD2\xBB.bmp", "一.bmp"},
        {"小雪", DecodeRule::CodePage936, "/home/u/\xD0\xA1\xD1\xA9.mp3", "/home/u/小雪.mp3"},
        {"同学", DecodeRule::CodePage936, "\xCD\xAC\xD1\xA7", "同学"},
        // Two characters that form one well-formed 4-byte sequence of plane 7.
        {"穹顶", DecodeRule::CodePage936, "/m/\xF1\xB7\xB6\xA5.mp3", "/m/穹顶.mp3"},
        // Valid UTF-8 with a 3-byte sequence, but also a C1 control (U+0081).
        {"C1 control", DecodeRule::CodePage936, "\xE4\xA1\xB0\xC2\x81\x40", "洹奥丂"},
        {"UTF-8 Chinese", DecodeRule::CodePage936, QByteArray("/home/u/小雪.mp3"), "/home/u/小雪.mp3"},
        {"UTF-8 Chinese, mark", DecodeRule::CodePage936, bom + "小雪\r\n", "小雪\r\n"},
        {"UTF-8 mark, 2-byte only", DecodeRule::CodePage936, bom + "Café", "Café"},
        {"UTF-8 2- and 3-byte", DecodeRule::CodePage936, QByteArray("Café 歌.mp3"), "Café 歌.mp3"},
        {"UTF-8 emoji", DecodeRule::CodePage936, QByteArray("🎵.mp3"), "🎵.mp3"},
        // "Café" saved as UTF-8 is indistinguishable from GB18030 "Caf茅".
        {"UTF-8 2-byte only", DecodeRule::CodePage936, QByteArray("Café.mp3"), "Caf茅.mp3"},
        {"ASCII", DecodeRule::CodePage936, "C:\\a b.mp3\r\n", "C:\\a b.mp3\r\n"},
        {"euro", DecodeRule::CodePage936, "\x80" "5 \xB8\xE8", "€5 歌"},
        {"m3u Café", DecodeRule::Utf8First, QByteArray("/m/Café.mp3"), "/m/Café.mp3"},
        {"m3u Chinese", DecodeRule::Utf8First, QByteArray("/m/小雪.mp3"), "/m/小雪.mp3"},
        {"m3u code page 936", DecodeRule::Utf8First, "/m/\xB8\xE8\xB4\xCA.mp3", "/m/歌词.mp3"},
        {"m3u euro", DecodeRule::Utf8First, "\x80", "€"},
        {"m3u ASCII", DecodeRule::Utf8First, "#EXTM3U\n", "#EXTM3U\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeLegacy(c.bytes, c.rule), QString::fromUtf8(c.text)) << c.name;
}

TEST(LegacyText, OnlyWellFormedUtf8CountsAsUtf8)
{
    struct Case {
        QByteArray bytes;
        DecodeRule rule;
        LegacyEncoding encoding;
    };
    constexpr DecodeRule cp = DecodeRule::CodePage936;
    constexpr DecodeRule m3u = DecodeRule::Utf8First;
    const Case cases[] = {
        {"", cp, LegacyEncoding::Ascii},
        {"abc\r\n", m3u, LegacyEncoding::Ascii},
        {"\xEF\xBB\xBF" "a\xFF", cp, LegacyEncoding::Utf8},        // the mark decides
        {"\xE6\xAD\x8C", cp, LegacyEncoding::Utf8},                 // U+6B4C
        {"\xED\x9F\xBF", cp, LegacyEncoding::Utf8},                 // U+D7FF, last before the surrogates
        {"\xF0\x9F\x8E\xB5", cp, LegacyEncoding::Utf8},             // U+1F3B5
        {"\xF0\xA0\x80\x80", cp, LegacyEncoding::CodePage936},      // U+20000: plane 2
        {"\xF0\xA0\x80\x80", m3u, LegacyEncoding::Utf8},
        {"\xC3\xA9", cp, LegacyEncoding::CodePage936},
        {"\xC3\xA9", m3u, LegacyEncoding::Utf8},
        {"\xC2\x85\xE6\xAD\x8C", m3u, LegacyEncoding::Utf8},       // C1 only matters to the code page rule
        // Not well-formed, so code page 936 under either rule.
        {"\xC0\xAF", m3u, LegacyEncoding::CodePage936},               // overlong "/"
        {"\xE0\x80\xAF", m3u, LegacyEncoding::CodePage936},          // overlong "/"
        {"\xED\xA0\x80", m3u, LegacyEncoding::CodePage936},          // a surrogate
        {"\xF4\x90\x80\x80", m3u, LegacyEncoding::CodePage936},     // above U+10FFFF
        {"\xF5\x80\x80\x80", m3u, LegacyEncoding::CodePage936},
        {"a\xE6\xAD", m3u, LegacyEncoding::CodePage936},              // cut at the end
        {"\xE6\xAD" "a", m3u, LegacyEncoding::CodePage936},
        {"\xE6\xAD\x8C\x80", cp, LegacyEncoding::CodePage936},       // a stray continuation byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(detectLegacyEncoding(c.bytes, c.rule), c.encoding)
            << c.bytes.toHex().constData() << (c.rule == m3u ? " utf-8 first" : " code page");
}

TEST(LegacyText, InvalidBytesBecomeReplacementCharacters)
{
    // 0xFF is no lead byte; a lone lead byte at the end is a cut sequence.
    EXPECT_EQ(decodeLegacy(QByteArray("a\xFF" "b\xB8\xE8\xB4")), QString::fromUtf8("a\uFFFDb歌\uFFFD"));
    EXPECT_EQ(decodeLegacy(QByteArray("\xB8")), QString(QChar(0xFFFD)));
    // A broken mark-led file still decodes.
    EXPECT_EQ(decodeLegacy(QByteArray("\xEF\xBB\xBF" "a\xFF")), QString::fromUtf8("a\uFFFD"));
}

TEST(LegacyText, EncodesAsCodePage936AndKeepsEveryCharacter)
{
    EXPECT_EQ(encodeLegacy(QString::fromUtf8("歌词")), QByteArray("\xB8\xE8\xB4\xCA"));
    EXPECT_EQ(encodeLegacy("plain ascii\r\n"), QByteArray("plain ascii\r\n"));
    EXPECT_EQ(encodeLegacy(QString::fromUtf8("€")), QByteArray("\x80"));
    // Characters outside code page 936, and names whose bytes could pass for
    // UTF-8, survive the round trip.
    for (const char* s : {"/home/u/🎵 音乐/노래.mp3", "Ελληνικά €5 ä", "x", "一.bmp", "/home/u/小雪.mp3",
                          "同学", "/m/穹顶.mp3"}) {
        const QString text = QString::fromUtf8(s);
        const QByteArray bytes = encodeLegacy(text);
        EXPECT_FALSE(bytes.contains('?')) << s;
        EXPECT_EQ(decodeLegacy(bytes), text) << s;
    }
    // A lone surrogate cannot be encoded but does not lose the rest.
    QString broken = "a";
    broken += QChar(0xD800);
    broken += "b";
    EXPECT_EQ(encodeLegacy(broken), QByteArray("a?b"));
}

TEST(LegacyText, ReadsFiles)
{
    testsupport::TestDir dir;
    dir.write("a.lrc", QByteArray("[ti:\xB8\xE8\xB4\xCA]\r\n"));
    QString text;
    ASSERT_TRUE(readLegacyFile(dir.file("a.lrc"), &text));
    EXPECT_EQ(text, QString::fromUtf8("[ti:歌词]\r\n"));
    EXPECT_FALSE(readLegacyFile(dir.file("missing.lrc"), &text));
    EXPECT_FALSE(readLegacyFile(dir.path(), &text)); // a folder

    dir.write("a.m3u", QByteArray("/m/Café.mp3\n"));
    ASSERT_TRUE(readLegacyFile(dir.file("a.m3u"), &text, DecodeRule::Utf8First));
    EXPECT_EQ(text, QString::fromUtf8("/m/Café.mp3\n"));
}

} // namespace
