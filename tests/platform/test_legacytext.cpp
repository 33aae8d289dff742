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
    // Characters outside code page 936 survive the round trip.
    for (const char* s : {"/home/u/🎵 音乐/노래.mp3", "Ελληνικά €5 ä", "x"}) {
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
}

} // namespace
