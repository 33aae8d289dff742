#include "platform/atomicfile.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace rt;
using testsupport::TestDir;

namespace {

QStringList entries(const TestDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Makes any write beyond `bytes` fail as on a full disk (root ignores
// permissions, so this is the reliable way to fail half-way).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
};

TEST(AtomicFile, WritesAndReplaces)
{
    TestDir dir;
    QString error;
    ASSERT_TRUE(writeFileAtomically(dir.file("SetLog.ini"), "first", &error)) << error.toStdString();
    EXPECT_EQ(dir.read("SetLog.ini"), "first");
    ASSERT_TRUE(writeFileAtomically(dir.file("SetLog.ini"), "second\r\n", &error));
    EXPECT_EQ(dir.read("SetLog.ini"), "second\r\n");
    ASSERT_TRUE(writeFileAtomically(dir.file("empty"), QByteArray()));
    EXPECT_TRUE(dir.exists("empty"));
    EXPECT_EQ(entries(dir), QStringList({"SetLog.ini", "empty"}));
}

TEST(AtomicFile, FullDiskKeepsTheOldFile)
{
    TestDir dir;
    dir.write("list.m3u", "old contents");
    const QByteArray big(256 * 1024, 'x');
    QString error;
    bool ok = true;
    {
        FileSizeLimit limit(64 * 1024);
        ok = writeFileAtomically(dir.file("list.m3u"), big, &error);
    }
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.read("list.m3u"), "old contents");
    EXPECT_EQ(entries(dir), QStringList({"list.m3u"})); // no temporary file left

    dir.write("big.src", big);
    error.clear();
    {
        FileSizeLimit limit(64 * 1024);
        ok = copyFileAtomically(dir.file("big.src"), dir.file("list.m3u"), &error);
    }
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.read("list.m3u"), "old contents");
    EXPECT_EQ(entries(dir), QStringList({"big.src", "list.m3u"}));
}

TEST(AtomicFile, UnwritableTargetsFail)
{
    TestDir dir;
    dir.write("folder/inner.txt", "keep");
    const QString targets[] = {dir.file("missing/SetLog.ini"), dir.file("folder"), "/proc/melodune-test"};
    for (const QString& target : targets) {
        QString error;
        EXPECT_FALSE(writeFileAtomically(target, "data", &error)) << target.toStdString();
        EXPECT_FALSE(error.isEmpty()) << target.toStdString();
    }
    EXPECT_EQ(dir.read("folder/inner.txt"), "keep");
    EXPECT_FALSE(QFileInfo::exists(dir.file("missing")));
    EXPECT_EQ(entries(dir), QStringList({"folder"}));
}

TEST(AtomicFile, Copies)
{
    TestDir dir;
    const QByteArray data("\xB8\xE8\xB4\xCA\r\n", 6);
    dir.write("a.lrc", data);
    QString error;
    ASSERT_TRUE(copyFileAtomically(dir.file("a.lrc"), dir.file("b.lrc"), &error)) << error.toStdString();
    EXPECT_EQ(dir.read("b.lrc"), data);
    // Onto itself, directly or by another spelling or link: intact.
    ASSERT_TRUE(copyFileAtomically(dir.file("a.lrc"), dir.file("a.lrc"), &error));
    ASSERT_TRUE(copyFileAtomically(dir.file("a.lrc"), dir.path() + "/./a.lrc", &error));
    ASSERT_TRUE(QFile::link(dir.file("a.lrc"), dir.file("link.lrc")));
    ASSERT_TRUE(copyFileAtomically(dir.file("link.lrc"), dir.file("a.lrc"), &error));
    EXPECT_EQ(dir.read("a.lrc"), data);
    // A missing source leaves the target alone.
    EXPECT_FALSE(copyFileAtomically(dir.file("none.lrc"), dir.file("b.lrc"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.read("b.lrc"), data);
    EXPECT_EQ(entries(dir), QStringList({"a.lrc", "b.lrc", "link.lrc"}));
}

} // namespace
