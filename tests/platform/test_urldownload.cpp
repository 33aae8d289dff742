#include "platform/urldownload.h"
#include "tests/support/bulkserver.h"
#include "tests/support/lyricsserver.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using rt::UrlDownload;
using testsupport::LyricsServer;
using testsupport::TestDir;

namespace {

struct UrlDownloadTest : ::testing::Test {
    LyricsServer server;
    TestDir dir;
    UrlDownload download;
    QString target;
    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        target = dir.file("TEMP/$.lrc");
    }
    QUrl url(const QString& script) const
    {
        return QUrl(server.baseUrl() + "/soft/Melodune/lrcs/" + script);
    }
    QStringList tempEntries() const
    {
        return QDir(dir.file("TEMP")).entryList(QDir::Files | QDir::Hidden);
    }
};

} // namespace

TEST_F(UrlDownloadTest, CompleteReplyBecomesTheTargetFile)
{
    const QByteArray body = LyricsServer::lyricsBody("歌");
    server.setResponse("exact", {200, body});
    QSignalSpy spy(&download, &UrlDownload::finished);
    const quint64 id = download.start(url("index.asp?x=1"), target);
    EXPECT_TRUE(download.isRunning());
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(spy[0][0].toULongLong(), id);
    EXPECT_TRUE(spy[0][1].toBool()) << spy[0][2].toString().toStdString();
    EXPECT_EQ(dir.read("TEMP/$.lrc"), body);
    EXPECT_EQ(tempEntries(), QStringList{"$.lrc"}); // no temporary left
    EXPECT_FALSE(download.isRunning());
}

TEST_F(UrlDownloadTest, FailedRepliesLeaveNoFileAndKeepAnOldOne)
{
    struct Case {
        const char* name;
        LyricsServer::Response response;
        int totalMs;
    };
    const Case cases[] = {
        {"error status", {500, LyricsServer::errorPageBody()}, 5000},
        {"cut off", {200, LyricsServer::lyricsBody("x"), 0, true}, 5000},
        {"too slow", {200, LyricsServer::lyricsBody("x"), 1500}, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("TEMP/$.lrc", "old");
        server.setResponse("exact", c.response);
        download.setTimeouts(5000, c.totalMs);
        QSignalSpy spy(&download, &UrlDownload::finished);
        download.start(url("index.asp"), target);
        ASSERT_TRUE(spy.wait(5000));
        EXPECT_FALSE(spy[0][1].toBool());
        EXPECT_FALSE(spy[0][2].toString().isEmpty());
        EXPECT_EQ(dir.read("TEMP/$.lrc"), QByteArray("old"));
        EXPECT_EQ(tempEntries(), QStringList{"$.lrc"});
    }
}

TEST_F(UrlDownloadTest, UnreachableHostFails)
{
    const QUrl refused(QString("http://127.0.0.1:1/x"));
    QSignalSpy spy(&download, &UrlDownload::finished);
    download.start(refused, target);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_FALSE(spy[0][1].toBool());
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(UrlDownloadTest, AbandonedTransferNeverLands)
{
    // The first transfer waits for a reply that never comes: a new start
    // hangs up on it, so nothing of it can land later.
    server.setResponse("exact", {.never = true});
    server.setResponse("fuzzy", {200, "second\r\n"});
    download.setTimeouts(600000, 600000); // only the client can end the wait
    QSignalSpy spy(&download, &UrlDownload::finished);
    download.start(url("index.asp"), target);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1; }, 5000));
    const quint64 second = download.start(url("index2.asp"), target);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hangUps() == 1; }, 10000)) << "the first transfer is dropped";
    ASSERT_EQ(spy.size(), 1);
    EXPECT_EQ(spy[0][0].toULongLong(), second);
    EXPECT_EQ(dir.read("TEMP/$.lrc"), QByteArray("second\r\n"));

    // cancel(): the transfer is dropped, no signal, no file.
    QFile::remove(target);
    download.start(url("index.asp"), target);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 3; }, 5000));
    download.cancel();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hangUps() == 2; }, 10000)) << "the cancelled transfer is dropped";
    EXPECT_EQ(spy.size(), 1);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(tempEntries().isEmpty());
}

TEST_F(UrlDownloadTest, AReplyPastTheBoundIsGivenUpAtOnceAndNothingWritten)
{
    const qint64 hundredMb = qint64(100) * 1000 * 1000;
    for (const bool announced : {true, false}) {
        SCOPED_TRACE(announced ? "length announced" : "length not announced");
        testsupport::BulkReplyServer huge(QByteArray(64 * 1024, 'x'), hundredMb, announced);
        dir.write("TEMP/$.lrc", "old reply");
        download.setMaxBytes(1 << 20);
        QSignalSpy spy(&download, &UrlDownload::finished);
        download.start(QUrl(huge.baseUrl() + "/big"), target);
        ASSERT_TRUE(spy.wait(30000));
        EXPECT_FALSE(spy[0][1].toBool());
        EXPECT_TRUE(download.replyTooLarge());
        EXPECT_LT(huge.bytesSent(), hundredMb / 5);
        EXPECT_EQ(dir.read("TEMP/$.lrc"), QByteArray("old reply"));
        EXPECT_EQ(tempEntries(), QStringList{"$.lrc"});
    }
}
