#include "lyrics/lrcreply.h"
#include "platform/legacytext.h"

#include <gtest/gtest.h>

using namespace melodune;

namespace {
QByteArray gbk(const QString& s)
{
    return rt::encodeLegacy(s);
}
} // namespace

TEST(LrcReplyTest, FirstLineDecidesExactly)
{
    struct Case {
        QString body;
        LrcReplyKind kind;
        QString message;
    };
    const Case cases[] = {
        {"|禁止|版本太旧\r\n", LrcReplyKind::Forbidden, "版本太旧"},
        {"|提示|服务器维护\r\n", LrcReplyKind::Notice, "服务器维护"},
        {"|无任何|\r\n", LrcReplyKind::NothingFound, ""},
        {"|没有歌名|", LrcReplyKind::NoTitle, ""},
        {"|没有歌词|\r\nmore", LrcReplyKind::NoLyrics, ""},
        {"|歌词选择|\r\n", LrcReplyKind::Candidates, ""},
        {"|没有歌词| \r\n", LrcReplyKind::Lyrics, ""}, // a trailing blank: not a status
        {"[00:01.00]x\r\n", LrcReplyKind::Lyrics, ""},
        {"\r\n", LrcReplyKind::Lyrics, ""},
        {"", LrcReplyKind::Empty, ""},
    };
    for (const Case& c : cases) {
        const LrcReply r = parseLrcReply(gbk(c.body));
        EXPECT_EQ(r.kind, c.kind) << c.body.toStdString();
        EXPECT_EQ(r.message, c.message) << c.body.toStdString();
    }
    EXPECT_EQ(parseLrcReply(gbk("[00:01.00]歌\r\n")).text, QString("[00:01.00]歌\r\n"));
}

TEST(LrcReplyTest, ServiceMessageAsShown)
{
    EXPECT_EQ(shownServiceMessage("服务器维护"), QString("服务器维护"));
    EXPECT_EQ(shownServiceMessage(QStringLiteral("\u202E请\u2066升级\u2069")), QString("请升级"));
    const QString exact(kMaxServiceMessage, u'x');
    EXPECT_EQ(shownServiceMessage(exact), exact);
    EXPECT_EQ(shownServiceMessage(exact + u'y'), QString(kMaxServiceMessage - 1, u'x') + QChar(0x2026));
}

TEST(LrcReplyTest, CandidateRecords)
{
    const QString body = "|歌词选择|\r\n"
                         "歌一\r\n甲\r\n专辑一\r\na/1.lrc\r\n"
                         "歌二\r\n乙\r\n专辑二\r\nskipped\r\nalso skipped\r\nB/2.LRC\r\n"
                         "歌三\r\n丙\r\n专辑三\r\nnever ends\r\n";
    const LrcReply r = parseLrcReply(gbk(body));
    ASSERT_EQ(r.kind, LrcReplyKind::Candidates);
    ASSERT_EQ(r.candidates.size(), 2u);
    EXPECT_EQ(r.candidates[0], (LyricCandidate{"歌一", "甲", "专辑一", "a/1.lrc"}));
    EXPECT_EQ(r.candidates[1], (LyricCandidate{"歌二", "乙", "专辑二", "B/2.LRC"}));

    EXPECT_TRUE(parseLrcReply(gbk("|歌词选择|\r\nt\r\ns\r\n")).candidates.empty());
}

TEST(LrcReplyTest, EntryTextAndItsParts)
{
    EXPECT_EQ(candidateMarker().size(), 20);
    const LyricCandidate c{"Song", "The Band-X", "Album", "dir/song〗1.lrc"};
    const QString entry = candidateEntryText(c);
    EXPECT_EQ(entry, QString("【Song】- 演唱〖The Band-X〗- 专辑《Album》- 双击立即下载 ……………………………dir/song〗1.lrc"));
    EXPECT_EQ(candidateServerFile(entry), c.serverFile);
    EXPECT_EQ(candidateSinger(entry), c.singer);
    EXPECT_EQ(candidateToolTip(entry), QString("当前所选歌词 - 曲名【Song】- 演唱〖The Band-X〗- 专辑《Album》- 双击立即下载"));
}

TEST(LrcReplyTest, AutomaticChoiceBySinger)
{
    auto entry = [](const QString& singer) { return candidateEntryText({"t", singer, "a", "f.lrc"}); };
    const QStringList list{entry("Someone"), entry("The Band-X"), entry("Other")};
    struct Case {
        QString author, file;
        int chosen;
    };
    const Case cases[] = {
        {"thebandx", "/m/x.mp3", 1},          // blanks and "-" ignored on both sides
        {"THE BAND", "/m/x.mp3", 1},          // the author inside the singer
        {"", "/m/Other/song.mp3", 2},         // the singer in the path
        {"Someone else", "/m/x.mp3", 0},      // the singer inside the author
        {"nobody", "/m/x.mp3", 0},            // no match: the first entry
    };
    for (const Case& c : cases)
        EXPECT_EQ(autoChooseCandidate(list, c.author, c.file), c.chosen) << c.author.toStdString();
    EXPECT_EQ(autoChooseCandidate({}, "a", "f"), -1);
    // An empty singer matches nothing; an empty author matches nothing either.
    EXPECT_EQ(autoChooseCandidate({entry(""), entry("x")}, "", "/m/x.mp3"), 1);
}

TEST(LrcReplyTest, NothingFoundStub)
{
    const QString tail = "\r\n［未找到歌词。\r\n  如果想使用歌词，请重新查找或编辑修改］\r\n";
    EXPECT_EQ(rt::decodeLegacy(nothingFoundStub("A [live]", "/m/a.mp3")), "[0:0]A ［live］" + tail);
    EXPECT_EQ(rt::decodeLegacy(nothingFoundStub("  ", "/m/[a].mp3")), "[0:0]/m/［a］.mp3" + tail);
    EXPECT_EQ(rt::decodeLegacy(nothingFoundStub("", "")), "[0:0]当前曲目被设置为暂不使用歌词。" + tail);
}
