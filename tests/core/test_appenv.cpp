#include "core/appenv.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <memory>

using namespace melodune;

TEST(AppEnv, SecondInstanceRule)
{
    struct Case {
        bool another;
        const char* cmd;
        SecondInstance expected;
    };
    const Case cases[] = {
        {false, "", SecondInstance::Continue},
        {false, "/a /m/x.mp3", SecondInstance::Continue},
        {true, "", SecondInstance::EndSilently},
        {true, "/a /m/x.mp3", SecondInstance::EndWithMessage},
        {true, "/A /m/x.mp3", SecondInstance::Continue},
        {true, "/a", SecondInstance::Continue},
        {true, "/m/x.mp3", SecondInstance::Continue},
    };
    for (const auto& c : cases)
        EXPECT_EQ(secondInstanceRule(c.another, QString::fromUtf8(c.cmd)), c.expected) << c.cmd << " " << c.another;
}

TEST(AppEnv, InstanceLockIsExclusive)
{
    testsupport::TestDir dir;
    const QString path = dir.file("run/melodune.lock");
    auto first = std::make_unique<InstanceLock>(path);
    EXPECT_TRUE(first->acquired());
    {
        InstanceLock second(path);
        EXPECT_FALSE(second.acquired());
        // The first one ends while the second still runs: a third start
        // still sees an instance.
        first.reset();
        InstanceLock third(path);
        EXPECT_FALSE(third.acquired());
    }
    InstanceLock afterAll(path);
    EXPECT_TRUE(afterAll.acquired());
}

TEST(AppEnv, CommandLineTextJoinsArguments)
{
    EXPECT_EQ(commandLineText({}), QString());
    EXPECT_EQ(commandLineText({"/a", "/home/u/my song.mp3"}), QStringLiteral("/a /home/u/my song.mp3"));
}

TEST(AppEnv, OldListFileRename)
{
    {
        testsupport::TestDir dir;
        dir.write("List.txt", "\"a\"\r\n");
        renameOldListFile(dir.path());
        EXPECT_FALSE(dir.exists("List.txt"));
        EXPECT_EQ(dir.read("List.mdu"), QByteArray("\"a\"\r\n"));
    }
    {
        testsupport::TestDir dir;
        dir.write("List.txt", "old");
        dir.write("List.mdu", "new");
        renameOldListFile(dir.path());
        EXPECT_EQ(dir.read("List.txt"), QByteArray("old"));
        EXPECT_EQ(dir.read("List.mdu"), QByteArray("new"));
    }
}

TEST(AppEnv, DataFoldersAndTemp)
{
    testsupport::TestDir dir;
    createDataFolders(dir.path());
    for (const char* f : {"LRCS", "PICS", "TEMP"})
        EXPECT_TRUE(QFileInfo(dir.file(f)).isDir()) << f;
    dir.write("TEMP/$.lrc", "x");
    dir.write("TEMP/2.wav", "y");
    emptyTempFolder(dir.path());
    EXPECT_TRUE(QDir(dir.file("TEMP")).isEmpty());
    EXPECT_TRUE(QFileInfo(dir.file("TEMP")).isDir());
}

TEST(AppEnv, BackgroundFilesArePlainVisibleFiles)
{
    testsupport::TestDir dir;
    EXPECT_TRUE(backgroundFiles(dir.path()).isEmpty());
    dir.write("bkground/a.jpg", "1");
    dir.write("bkground/.hidden.jpg", "1");
    dir.write("bkground/sub/b.jpg", "1");
    EXPECT_EQ(backgroundFiles(dir.path()), QStringList{"a.jpg"});
}

TEST(AppEnv, DataDirSeedsAPerUserFolderWhenTheProgramFolderIsReadOnly)
{
    testsupport::TestDir dir;
    dir.write("prog/skins/s.bmp", "skin");
    dir.write("prog/default.pic", "pic");
    seedDataDir(dir.file("prog"), dir.file("user"));
    EXPECT_EQ(dir.read("user/skins/s.bmp"), QByteArray("skin"));
    EXPECT_EQ(dir.read("user/default.pic"), QByteArray("pic"));
    dir.write("user/default.pic", "mine");
    seedDataDir(dir.file("prog"), dir.file("user"));
    EXPECT_EQ(dir.read("user/default.pic"), QByteArray("mine")) << "seeding never replaces the user's files";

    qputenv("MELODUNE_DATA_DIR", dir.file("forced/").toUtf8());
    EXPECT_EQ(resolveDataDir(dir.file("prog")), dir.file("forced"));
    qunsetenv("MELODUNE_DATA_DIR");
    EXPECT_EQ(resolveDataDir(dir.file("prog")), dir.file("prog")) << "a writable program folder is the data folder";
}

TEST(AppEnv, SineTableUsesTheShortPi)
{
    const auto t = buildSineTable();
    EXPECT_FLOAT_EQ(t[0], 0.0f);
    EXPECT_FLOAT_EQ(t[128], float(std::sin(128 * 3.1416 / 256)));
    EXPECT_NE(t[256], 0.0f) << "sin(3.1416) is not exactly zero";
}
