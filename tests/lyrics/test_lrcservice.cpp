#include "lyrics/lrcservice.h"
#include "lyrics/websearch.h"

#include <gtest/gtest.h>

using namespace melodune;

TEST(LrcServiceTest, QueryValuesAreEscapedInFullInCodePage936)
{
    struct Case {
        QString in;
        QByteArray out;
    };
    const Case cases[] = {
        {"a&b", "a%26b"},
        {"Track #1", "Track%20%231"},
        {"100%", "100%25"},
        {"x=y+z?", "x%3Dy%2Bz%3F"},
        {"<>/\\", "%3C%3E%2F%5C"},
        {"AZaz09-_.~", "AZaz09-_.~"},
        {"中文", "%D6%D0%CE%C4"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lrcQueryValue(c.in), c.out) << c.in.toStdString();
}

// Every ASCII character on the wire: only letters, digits and "-._~" stay
// as they are; every other byte is %XX in upper-case hex, in the lyrics
// service's query (code page 936) as in a search address (UTF-8).
TEST(LrcServiceTest, EveryCharacterButTheUnreservedIsEscaped)
{
    QString ascii;
    for (char16_t c = 1; c < 0x80; ++c)
        ascii += QChar(c);
    const QByteArray wire = "%01%02%03%04%05%06%07%08%09%0A%0B%0C%0D%0E%0F"
                            "%10%11%12%13%14%15%16%17%18%19%1A%1B%1C%1D%1E%1F"
                            "%20%21%22%23%24%25%26%27%28%29%2A%2B%2C-.%2F0123456789%3A%3B%3C%3D%3E%3F"
                            "%40ABCDEFGHIJKLMNOPQRSTUVWXYZ%5B%5C%5D%5E_"
                            "%60abcdefghijklmnopqrstuvwxyz%7B%7C%7D~%7F";
    EXPECT_EQ(lrcQueryValue(ascii), wire);
    EXPECT_EQ(lrcQueryValue(QStringLiteral("歌·猫")), QByteArray("%B8%E8%A1%A4%C3%A8"));
    const QString prefix = QStringLiteral("http://search.example/s?w=");
    EXPECT_EQ(keywordSearchUrl(prefix, ascii + QStringLiteral("猫")).toEncoded(), prefix.toUtf8() + wire + "%E7%8C%AB");
}

TEST(LrcServiceTest, FileNameAndFiletypeRules)
{
    struct Case {
        QString file, ext, name;
    };
    const Case cases[] = {
        {"/home/u/songs/a.b.mp3", "mp3", "a.b"},
        {"/home/u/noext.v2", "未知", "noext.v2"},     // a dot in a name without extension stays
        {"/home/u/plain", "未知", "plain"},
        {"song.mp3", "mp3", "song"},                  // no folder at all
        {"/m/  spaced name .wma", "wma", "spaced name"},
        {"/m/back\\slash.mp3", "mp3", "back\\slash"}, // "\" is part of a Linux name
        {"http://host/radio/live.mp3", "mp3", "live"},
        {"/m/.hidden", "未知", ".hidden"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lrcFileNameValue(c.file, c.ext), c.name) << c.file.toStdString();

    EXPECT_EQ(lrcFiletypeExt("mp3"), QString("mp3"));
    EXPECT_EQ(lrcFiletypeExt("a/b\\c"), QString("a／b＼c"));
    EXPECT_EQ(trimBlanks("  a b  "), QString("a b"));
    EXPECT_EQ(trimBlanks("\ta\t"), QString("\ta\t")); // only blanks
    EXPECT_EQ(lrcVersionText(1, 2, 30), QString("1.2.30"));
}

TEST(LrcServiceTest, RequestAddressesKeepTheKeyOrder)
{
    qunsetenv("MELODUNE_LRC_HOST");
    const LrcClientInfo client{"1.0.7", " my pc "};
    const LrcTrackInfo track{"/music/Singer - 歌 & #1.mp3", "  歌 & #1 ", "mp3"};
    const QByteArray base = "http://lrc.melodune.net/soft/Melodune/lrcs/";
    const QByteArray tail = "BanBen=1.0.7&PcName=%20my%20pc%20&MediaName=%B8%E8%20%26%20%231"
                            "&FileName=Singer%20-%20%B8%E8%20%26%20%231&Filetype=mp3";
    EXPECT_EQ(lrcRequestAddress(LrcRequestKind::Exact, client, track), base + "index.asp?" + tail);
    EXPECT_EQ(lrcRequestAddress(LrcRequestKind::Fuzzy, client, track), base + "index2.asp?" + tail);
    EXPECT_EQ(lrcRequestAddress(LrcRequestKind::Candidate, client, track, "x/歌 1.lrc"),
              base + "index2.asp?BanBen=1.0.7&PcName=%20my%20pc%20&dz=x%2F%B8%E8%201.lrc");

    // QUrl keeps the escaping as it is.
    const QUrl url = lrcRequestUrl(LrcRequestKind::Exact, client, track);
    EXPECT_EQ(url.toEncoded(), base + "index.asp?" + tail);
}

TEST(LrcServiceTest, HostAndPaths)
{
    qunsetenv("MELODUNE_LRC_HOST");
    EXPECT_EQ(lrcServiceHost(), QString("http://lrc.melodune.net"));
    qputenv("MELODUNE_LRC_HOST", "http://127.0.0.1:8080/");
    EXPECT_EQ(lrcServiceHost(), QString("http://127.0.0.1:8080"));
    qunsetenv("MELODUNE_LRC_HOST");

    EXPECT_EQ(lrcReplyPath("/d"), QString("/d/TEMP/$.lrc"));
    EXPECT_EQ(trackLyricPath("/d", "/m/a:b.mp3"), QString("/d/LRCS/_m_a-b.mp3.lrc"));
}
