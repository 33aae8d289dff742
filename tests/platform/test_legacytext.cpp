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

TEST(LegacyText, BytesValidInBothEncodingsAreReadInTheLikelierOne)
{
    // Our own GB18030 texts whose bytes happen to be well-formed UTF-8, with
    // what a UTF-8 reading would show.
    const char* const gb18030[][2] = {
        {"/home/u/Music/雲圖.mp3", "/home/u/Music/녈D.mp3"},
        {"/home/u/Music/顏圓.mp3", "/home/u/Music/\uE048A.mp3"},
        {"/home/u/Music/陽園.mp3", "/home/u/Music/ꖈ@.mp3"},
        {"/home/u/小雪.mp3", "/home/u/Сѩ.mp3"},
        {"[ti:小雪][00:01.00]小雪[00:03.00]同学", "[ti:Сѩ][00:01.00]Сѩ[00:03.00]ͬѧ"},
        {"谢谢", "лл"},
        {"小.mp3", "С.mp3"},
        {"一.bmp", "һ.bmp"},
        {"/m/穹顶.mp3", "/m/\U00077DA5.mp3"}, // two characters as one 4-byte sequence
        // Chinese characters that read as Latin-1 letters and signs.
        {"/home/u/Music/猫.mp3", "/home/u/Music/è.mp3"},
        {"[00:01.00]猫\n[00:02.00]Hello\n", "[00:01.00]è\n[00:02.00]Hello\n"},
        {"Hey 漏 baby", "Hey © baby"},
        {"/m/Jay-漏Live.mp3", "/m/Jay-©Live.mp3"},
    };
    for (const auto& [text, misread] : gb18030) {
        const QByteArray bytes = encodeLegacy(QString::fromUtf8(text));
        ASSERT_EQ(QString::fromUtf8(bytes), QString::fromUtf8(misread)) << text;
        EXPECT_EQ(detectLegacyEncoding(bytes), LegacyEncoding::CodePage936) << text;
        EXPECT_EQ(decodeLegacy(bytes), QString::fromUtf8(text)) << text;
    }
    // Valid UTF-8 that is also a C1 control is never text.
    EXPECT_EQ(decodeLegacy("\xE4\xA1\xB0\xC2\x81\x40"), QString::fromUtf8("洹奥丂"));

    // UTF-8 written by other programs on this system.
    const char* const utf8[] = {
        "/home/u/小雪.mp3",
        "/home/u/Music/周杰伦 - 晴天.mp3",
        "/home/u/Музыка/Кино - Группа крови.mp3",
        "/home/u/Music/Café del Mar.mp3",
        "/home/u/Music/Mañana.mp3",
        "Ελληνικά τραγούδια.mp3",
        "Straße",
        "Café 歌.mp3",
        "🎵.mp3",
        "노래 모음.mp3",
        "[ti:晴天]\n[ar:周杰伦]\n[00:01.00]故事的小黄花\n[00:05.00]从出生那年就飘着\n",
        "[ti:Звезда по имени Солнце]\n[00:01.00]Белый снег, серый лёд\n[00:05.00]На растрескавшейся земле\n",
        "[ti:Ne me quitte pas]\n[00:01.00]Il faut oublier, tout peut s'oublier\n[00:05.00]Qui s'enfuit déjà\n",
        // Latin-1 letters and signs among ASCII words, nothing else.
        "[00:01.00]2ª3ª4ª\n",
        "[00:01.00]Canto 2ª voz\n",
        "[00:09.00]Non è vero\n",
        "[00:12.00]C'è il sole\n",
        "[00:15.00]O amor é fogo\n",
        "[00:30.00]È ora\n",
        "[00:02.00]Ó mar salgado\n",
        "[00:33.00]Sim, é.\n",
        "[by:© 2007 Coro]\n",
    };
    for (const char* text : utf8) {
        EXPECT_EQ(detectLegacyEncoding(QByteArray(text)), LegacyEncoding::Utf8) << text;
        EXPECT_EQ(decodeLegacy(QByteArray(text)), QString::fromUtf8(text)) << text;
    }
    // A byte-order mark decides.
    EXPECT_EQ(decodeLegacy("\xEF\xBB\xBF" "Caf\xC3\xA9"), QString::fromUtf8("Café"));
    EXPECT_EQ(decodeLegacy("\xEF\xBB\xBF" "\xEB\x85\x88" "D"), QString::fromUtf8("녈D"));
}

TEST(LegacyText, OnlyWellFormedUtf8CountsAsUtf8)
{
    const std::pair<QByteArray, std::optional<LegacyEncoding>> cases[] = {
        {"", LegacyEncoding::Ascii},
        {"abc\r\n", LegacyEncoding::Ascii},
        {"\xEF\xBB\xBF" "a\xFF", LegacyEncoding::Utf8},         // the mark decides
        {"\xE6\xAD\x8C", std::nullopt},                         // U+6B4C
        {"\xED\x9F\xBF", std::nullopt},                         // U+D7FF, last before the surrogates
        {"\xF0\x9F\x8E\xB5", std::nullopt},                     // U+1F3B5
        {"\xC3\xA9", std::nullopt},
        {"\xC0\xAF", LegacyEncoding::CodePage936},              // overlong "/"
        {"\xE0\x80\xAF", LegacyEncoding::CodePage936},          // overlong "/"
        {"\xED\xA0\x80", LegacyEncoding::CodePage936},          // a surrogate
        {"\xF4\x90\x80\x80", LegacyEncoding::CodePage936},      // above U+10FFFF
        {"\xF5\x80\x80\x80", LegacyEncoding::CodePage936},
        {"a\xE6\xAD", LegacyEncoding::CodePage936},             // cut at the end
        {"\xE6\xAD" "a", LegacyEncoding::CodePage936},
        {"\xE6\xAD\x8C\x80", LegacyEncoding::CodePage936},      // a stray continuation byte
    };
    for (const auto& [bytes, settled] : cases)
        EXPECT_EQ(settledLegacyEncoding(bytes), settled) << bytes.toHex().constData();
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

// Editors of some desktops save text as UTF-16 with a byte-order mark.
TEST(LegacyText, AUtf16MarkNamesTheByteOrder)
{
    const QString text = QString::fromUtf8("[ti:歌词]\r\n[00:01.00]🎵 Café 小雪\r\n");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        le += char(u & 0xFF), le += char(u >> 8);
        be += char(u >> 8), be += char(u & 0xFF);
    }
    EXPECT_EQ(decodeLegacy(le), text);
    EXPECT_EQ(decodeLegacy(be), text);
    // A cut last unit and a lone surrogate are lost, not the rest.
    EXPECT_EQ(decodeLegacy(QByteArray("\xFF\xFE" "a\0\x00\xD8" "b\0c", 9)), QString::fromUtf8("a\uFFFDb\uFFFD"));
    EXPECT_EQ(decodeLegacy(QByteArray("\xFF\xFE")), QString());
}

// The lyric editor's save: GB18030 where that keeps the text, else UTF-8.
TEST(LegacyText, LosslessEncodingKeepsEveryCharacter)
{
    for (const char* s : {"[00:01.00]歌词\r\n", "plain", "", "€ 🎵 노래"})
        EXPECT_EQ(encodeLegacyLossless(QString::fromUtf8(s)), encodeLegacy(QString::fromUtf8(s))) << s;
    // A private-use character the system's GB18030 tables leave out.
    const QString pua = QString::fromUtf8("[00:01.00]歌\uE78D词");
    const QByteArray bytes = encodeLegacyLossless(pua);
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBF") + pua.toUtf8());
    EXPECT_EQ(decodeLegacy(bytes), pua);
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
    ASSERT_TRUE(readLegacyFile(dir.file("a.m3u"), &text));
    EXPECT_EQ(text, QString::fromUtf8("/m/Café.mp3\n"));
}

} // namespace
