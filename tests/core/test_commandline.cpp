#include "core/commandline.h"
#include "core/playlistfile.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <gtest/gtest.h>

using namespace melodune;
using testsupport::TestDir;

namespace {

const QByteArray kFiveEntries = "\">2\"\r\n\"/m/0.mp3\"\r\n\"/m/1.mp3\"\r\n\"/m/2.mp3\"\r\n\"/m/3.mp3\"\r\n\"/m/4.mp3\"\r\n";
const QByteArray kThreeEntries = "\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n\"/m/c.mp3\"\r\n";

} // namespace

TEST(CommandLine, JoinsArguments)
{
    EXPECT_EQ(commandLineFromArguments({}), QString());
    EXPECT_EQ(commandLineFromArguments({"/a", "/m/my song.mp3"}), QStringLiteral("/a /m/my song.mp3"));
}

TEST(CommandLine, PlansByOrderOfTests)
{
    struct Case {
        const char* stored;
        const char* process;
        CommandLineAction action;
        const char* commandLine; // the variable afterwards
        const char* entry;
        const char* listToRead;  // "" = List.mdu
    };
    const Case cases[] = {
        {"", "", CommandLineAction::None, "", "", ""},
        {"", "  \"/m/x.mp3\"  ", CommandLineAction::ReplaceList, "/m/x.mp3", "/m/x.mp3", ""},
        {"", "/m/PARTY.M3U", CommandLineAction::ReadListFile, "/m/PARTY.M3U", "", "/m/PARTY.M3U"},
        {"", "\"/m/old.mdu\"", CommandLineAction::ReadListFile, "/m/old.mdu", "", "/m/old.mdu"},
        {"", "/a \"/m/new.mp3\"", CommandLineAction::AppendToList, "/a /m/new.mp3", "/m/new.mp3", ""},
        {"", "/A /m/new.mp3", CommandLineAction::ReplaceList, "/A /m/new.mp3", "/A /m/new.mp3", ""},
        {"", "/a", CommandLineAction::ReplaceList, "/a", "/a", ""},
        {"禁用", "/m/x.mp3", CommandLineAction::None, "", "", ""},
        {"/m/x.mp3", "/m/x.mp3", CommandLineAction::ReplaceList, "/m/x.mp3", "/m/x.mp3", ""},
    };
    for (const Case& c : cases) {
        const StartupListPlan p = planStartupList(QString::fromUtf8(c.stored), QString::fromUtf8(c.process), "/d");
        const QString list = *c.listToRead ? QString::fromUtf8(c.listToRead) : QStringLiteral("/d/List.mdu");
        EXPECT_EQ(p.action, c.action) << c.process;
        EXPECT_EQ(p.commandLine, QString::fromUtf8(c.commandLine)) << c.process;
        EXPECT_EQ(p.entry, QString::fromUtf8(c.entry)) << c.process;
        EXPECT_EQ(p.listToRead, list) << c.process;
        EXPECT_EQ(p.currentIndexToZero, c.action == CommandLineAction::ReadListFile) << c.process;
    }
}

TEST(CommandLine, RelativeFileNamesAreStoredAbsolute)
{
    TestDir here;
    here.write("song.mp3", "x");
    here.write("sub dir/歌.mp3", "x");
    here.write("http:/radio", "x"); // makes "http://radio" an existing relative path
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(here.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(before); });
    const QString abs = QDir::currentPath(); // the folder as the system names it

    struct Case { const char* process; QString entry; };
    const Case cases[] = {
        {"song.mp3", abs + "/song.mp3"},
        {"/a song.mp3", abs + "/song.mp3"},
        {"\"sub dir/歌.mp3\"", abs + QStringLiteral("/sub dir/歌.mp3")},
        {"./sub dir/../song.mp3", abs + "/song.mp3"},
        {"missing.mp3", "missing.mp3"},
        {"http://radio", "http://radio"},
        {"/a http://radio", "http://radio"},
        {"/m/x.mp3", "/m/x.mp3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(planStartupList("", QString::fromUtf8(c.process), "/d").entry, c.entry) << c.process;

    // The stored entry still names the file after a start from elsewhere.
    TestDir data;
    const StartupListResult r = runStartupListStep("", "song.mp3", data.path(), 0);
    EXPECT_EQ(r.commandLine, QStringLiteral("song.mp3"));
    ASSERT_TRUE(QDir::setCurrent(data.path()));
    const StartupListResult next = runStartupListStep("", "", data.path(), 0);
    ASSERT_EQ(next.entries, QStringList{abs + "/song.mp3"});
    EXPECT_TRUE(QFileInfo::exists(next.entries[0]));
}

TEST(StartupList, RestoresAndClampsIndex)
{
    struct Case {
        const char* name;
        QByteArray list;
        std::int32_t settingsIndex;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"index line 2 of five", kFiveEntries, 4, 2},
        {"index 9 of three", "\">9\"\r\n\"a\"\r\n\"b\"\r\n\"c\"\r\n", 0, 2},
        {"index -1", "\">-1\"\r\n\"a\"\r\n\"b\"\r\n", 1, 0},
        {"no index line, settings -1", "\"a\"\r\n\"b\"\r\n", -1, 0},
        {"no index line, settings 1", "\"a\"\r\n\"b\"\r\n", 1, 1},
    };
    for (const Case& c : cases) {
        TestDir dir;
        dir.write("List.mdu", c.list);
        const StartupListResult r = runStartupListStep("", "", dir.path(), c.settingsIndex);
        EXPECT_EQ(r.currentIndex, c.expected) << c.name;
        EXPECT_EQ(r.selectIndex, c.expected) << c.name;
        EXPECT_EQ(dir.read("List.mdu"), c.list) << c.name;
    }
}

TEST(StartupList, PlainPathReplacesList)
{
    TestDir dir;
    dir.write("List.mdu", kFiveEntries);
    const StartupListResult r = runStartupListStep("", "\"/m/my song.mp3\"", dir.path(), 3);
    EXPECT_EQ(r.entries, QStringList{"/m/my song.mp3"});
    EXPECT_EQ(r.currentIndex, 0);
    EXPECT_EQ(r.selectIndex, 0);
    EXPECT_EQ(dir.read("List.mdu"), QByteArray("\"/m/my song.mp3\"\r\n"));
}

TEST(StartupList, AppendFormAddsAtEndAndKeepsIndex)
{
    TestDir dir;
    dir.write("List.mdu", kThreeEntries);
    const StartupListResult r = runStartupListStep("", "/a \"/m/new.mp3\"", dir.path(), 0);
    EXPECT_EQ(r.entries, (QStringList{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3", "/m/new.mp3"}));
    EXPECT_EQ(r.selectIndex, 1);
    EXPECT_EQ(dir.read("List.mdu"), kThreeEntries + "\"/m/new.mp3\"\r\n");

    // Capital A is not the append form: the whole text becomes the entry.
    const StartupListResult cap = runStartupListStep("", "/A /m/new.mp3", dir.path(), 0);
    EXPECT_EQ(cap.entries, QStringList{"/A /m/new.mp3"});
}

TEST(StartupList, AFileTheListFileCannotTakeIsStillListed)
{
    for (const char* commandLine : {"\"/m/new.mp3\"", "/a \"/m/new.mp3\""}) {
        SCOPED_TRACE(commandLine);
        TestDir dir;
        QDir().mkpath(dir.file("List.mdu")); // a folder where the list file should be
        const StartupListResult r = runStartupListStep("", commandLine, dir.path(), 0);
        EXPECT_TRUE(r.listWriteFailed);
        EXPECT_TRUE(r.entryListed);
        EXPECT_EQ(r.entries, QStringList{"/m/new.mp3"});
        EXPECT_EQ(r.selectIndex, 0);
        // What could not be read is moved aside, so the exit's save cannot
        // replace it.
        EXPECT_EQ(r.readStatus, ListReadStatus::Unreadable);
        EXPECT_EQ(r.listSetAsideAs, dir.file("List.mdu.bad"));
        EXPECT_FALSE(r.keepListFile);
        EXPECT_TRUE(QFileInfo(dir.file("List.mdu.bad")).isDir());
    }
}

TEST(StartupList, AnUnreadableListThatCannotBeMovedIsKept)
{
    TestDir dir;
    QDir().mkpath(dir.file("List.mdu"));
    dir.write("List.mdu.bad", "older");
    for (int n = 2; n < 100; ++n)
        dir.write(QStringLiteral("List.mdu.bad%1").arg(n), "older");
    const StartupListResult r = runStartupListStep("", "", dir.path(), 0);
    EXPECT_EQ(r.readStatus, ListReadStatus::Unreadable);
    EXPECT_TRUE(r.listSetAsideAs.isEmpty());
    EXPECT_TRUE(r.keepListFile);
    EXPECT_TRUE(QFileInfo(dir.file("List.mdu")).isDir());
    EXPECT_EQ(dir.read("List.mdu.bad"), QByteArray("older"));
}

TEST(StartupList, ListFileOnCommandLineLeavesListMduAlone)
{
    TestDir dir;
    dir.write("List.mdu", kThreeEntries);
    dir.write("PARTY.M3U", "#EXTM3U\r\n#EXTINF:10,x\r\n/m/p1.mp3\r\n/m/p2.mp3\r\n");
    const StartupListResult r = runStartupListStep("", dir.file("PARTY.M3U"), dir.path(), 5);
    EXPECT_EQ(r.entries, (QStringList{"/m/p1.mp3", "/m/p2.mp3"}));
    EXPECT_EQ(r.currentIndex, 0);
    EXPECT_EQ(dir.read("List.mdu"), kThreeEntries);
}

TEST(StartupList, AListFileOnTheCommandLineResolvesItsRelativeEntries)
{
    TestDir dir;
    dir.write("List.mdu", kThreeEntries);
    dir.write("party/mix.m3u", "#EXTM3U\r\nrel/song one.mp3\r\n/m/p2.mp3\r\nhttp://radio/x\r\n");
    const QString folder = QFileInfo(dir.file("party")).absoluteFilePath();
    const StartupListResult r = runStartupListStep("", dir.file("party/mix.m3u"), dir.path(), 5);
    EXPECT_EQ(r.entries, (QStringList{folder + "/rel/song one.mp3", "/m/p2.mp3", "http://radio/x"}));
    // List.mdu itself is read as it stands.
    dir.write("List.mdu", "\"rel/kept.mp3\"\r\n");
    EXPECT_EQ(runStartupListStep("", "", dir.path(), 0).entries, QStringList{"rel/kept.mp3"});
}

TEST(StartupList, SuppressionMarkerIsConsumedOnce)
{
    TestDir dir;
    dir.write("List.mdu", kThreeEntries);
    const StartupListResult first = runStartupListStep(kCommandLineSuppressed, "/m/x.mp3", dir.path(), 0);
    EXPECT_EQ(first.commandLine, QString());
    EXPECT_EQ(first.entries.size(), 3);
    EXPECT_EQ(dir.read("List.mdu"), kThreeEntries);

    const StartupListResult second = runStartupListStep(first.commandLine, "/m/x.mp3", dir.path(), 0);
    EXPECT_EQ(second.commandLine, QStringLiteral("/m/x.mp3"));
    EXPECT_EQ(second.entries, QStringList{"/m/x.mp3"});
}

TEST(StartupList, ReloadKeepsListAndPosition)
{
    TestDir dir;
    const StartupListResult start = runStartupListStep("", "/a /m/new.mp3", dir.path(), -1);
    ASSERT_EQ(start.entries, QStringList{"/m/new.mp3"});
    ASSERT_TRUE(saveListAtShutdown(dir.path(), start.entries + QStringList{"/m/more.mp3"}, 1));
    const StartupListResult again = runStartupListStep(kCommandLineSuppressed, "/a /m/new.mp3", dir.path(), -1);
    EXPECT_EQ(again.entries, (QStringList{"/m/new.mp3", "/m/more.mp3"}));
    EXPECT_EQ(again.currentIndex, 1);
}

TEST(StartupList, DemoClipForEmptyList)
{
    TestDir dir;
    StartupListResult r = runStartupListStep("", "", dir.path(), 7);
    EXPECT_TRUE(r.entries.isEmpty());
    EXPECT_EQ(r.currentIndex, 7);
    EXPECT_EQ(r.selectIndex, -1);
    EXPECT_FALSE(r.demoAdded);
    EXPECT_FALSE(dir.exists("List.mdu"));

    dir.write("demo.wmv", "x");
    r = runStartupListStep("", "", dir.path(), 7);
    const QString demo = dir.path() + "/demo.wmv";
    EXPECT_EQ(r.entries, QStringList{demo});
    EXPECT_EQ(r.currentIndex, 0);
    EXPECT_EQ(r.selectIndex, 0);
    EXPECT_TRUE(r.demoAdded);
    EXPECT_EQ(readPlaylistFile(dir.file("List.mdu")).entries, QStringList{demo});
}

TEST(StartupList, OversizedListIsCutButKeptWholeBesideIt)
{
    TestDir dir;
    const QString list = listFilePath(dir.path());
    QStringList many;
    for (int i = 0; i < kMaxListEntries + 5; ++i)
        many.append(QStringLiteral("/m/%1.mp3").arg(i));
    ASSERT_TRUE(writePlaylistFile(list, many, 40000));
    const QByteArray original = dir.read("List.mdu");

    StartupListResult r = runStartupListStep("", "", dir.path(), 0);
    EXPECT_EQ(r.entries.size(), kMaxListEntries);
    EXPECT_EQ(r.droppedEntries, 5);
    EXPECT_EQ(r.currentIndex, kMaxListEntries - 1);
    EXPECT_EQ(r.fullListKeptAs, list + ".full");
    EXPECT_FALSE(r.keepListFile);
    EXPECT_EQ(dir.read("List.mdu.full"), original);

    // Started again before any save: the kept copy is the same list.
    r = runStartupListStep("", "", dir.path(), 0);
    EXPECT_EQ(r.fullListKeptAs, list + ".full");
    EXPECT_FALSE(dir.exists("List.mdu.full2"));

    // The exit saved the loaded part; a start with it keeps nothing new.
    ASSERT_TRUE(saveListAtShutdown(dir.path(), r.entries, 3));
    r = runStartupListStep("", "", dir.path(), 0);
    EXPECT_EQ(r.droppedEntries, 0);
    EXPECT_TRUE(r.fullListKeptAs.isEmpty());
    EXPECT_EQ(dir.read("List.mdu.full"), original);

    // "/a" against the full list: the new entry is beyond the cap, is named,
    // and lies in a second copy; the first is never replaced.
    r = runStartupListStep("", "/a /m/new.mp3", dir.path(), 0);
    EXPECT_EQ(r.droppedEntries, 1);
    EXPECT_EQ(r.appendedEntryDropped, QStringLiteral("/m/new.mp3"));
    EXPECT_EQ(r.fullListKeptAs, list + ".full2");
    EXPECT_EQ(dir.read("List.mdu.full"), original);
    EXPECT_EQ(readPlaylistFile(dir.file("List.mdu.full2")).entries.last(), QStringLiteral("/m/new.mp3"));

    // A list file named on the command line is not rewritten: no copy.
    ASSERT_TRUE(writePlaylistFile(dir.file("big.mdu"), many, std::nullopt));
    r = runStartupListStep("", dir.file("big.mdu"), dir.path(), 0);
    EXPECT_EQ(r.droppedEntries, 5);
    EXPECT_TRUE(r.fullListKeptAs.isEmpty());
    EXPECT_TRUE(r.appendedEntryDropped.isEmpty());
}

TEST(StartupList, AnOversizedListThatCannotBeCopiedIsKept)
{
    TestDir dir;
    QStringList many;
    for (int i = 0; i < kMaxListEntries + 1; ++i)
        many.append(QStringLiteral("/m/%1.mp3").arg(i));
    ASSERT_TRUE(writePlaylistFile(listFilePath(dir.path()), many, std::nullopt));
    dir.write("List.mdu.full", "older");
    for (int n = 2; n < 100; ++n)
        dir.write(QStringLiteral("List.mdu.full%1").arg(n), "older");
    const StartupListResult r = runStartupListStep("", "", dir.path(), 0);
    EXPECT_TRUE(r.fullListKeptAs.isEmpty());
    EXPECT_TRUE(r.keepListFile) << "neither the exit nor a deletion may rewrite it";
    EXPECT_EQ(dir.read("List.mdu.full"), QByteArray("older"));
}

// A command line that cannot name one file is refused before it changes
// anything: the saved list is read as it stands, with its own index.
TEST(StartupList, ACommandLineThatCannotNameAFileLeavesTheSavedListAlone)
{
    QStringList tenThousand;
    for (int i = 0; i < 10000; ++i)
        tenThousand << QStringLiteral("arg%1").arg(i);
    const QString longName = "/m/" + QString(5000, u'x') + ".mp3";
    struct Case {
        const char* name;
        QString commandLine;
        CommandLineRefusal refusal;
        EntryProblem problem;
    };
    const Case cases[] = {
        {"10,000 arguments", commandLineFromArguments(tenThousand), CommandLineRefusal::TooLong, EntryProblem::None},
        {"one 100 KB argument", QString(100 * 1024, u'a'), CommandLineRefusal::TooLong, EntryProblem::None},
        {"a path beyond the system's", longName, CommandLineRefusal::TooLong, EntryProblem::None},
        {"appending it", "/a " + longName, CommandLineRefusal::TooLong, EntryProblem::None},
        {"a list of that length", "/m/" + QString(5000, u'x') + ".mdu", CommandLineRefusal::TooLong,
         EntryProblem::None},
        {"an address beyond a list line", "http://h/" + QString(70000, u'x'), CommandLineRefusal::TooLong,
         EntryProblem::None},
        {"a name with a line end", "/m/a\nb.mp3", CommandLineRefusal::EntryProblem, EntryProblem::LineBreak},
        {"appending it", "/a /m/a\nb.mp3", CommandLineRefusal::EntryProblem, EntryProblem::LineBreak},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDir dir;
        dir.write("List.mdu", kThreeEntries);
        const StartupListResult r = runStartupListStep("", c.commandLine, dir.path(), 0);
        EXPECT_EQ(r.commandLineRefused, c.refusal);
        EXPECT_EQ(r.entryProblem, c.problem);
        EXPECT_EQ(r.entries, (QStringList{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}));
        EXPECT_EQ(r.currentIndex, 1);
        EXPECT_EQ(dir.read("List.mdu"), kThreeEntries);
    }
    // Up to a path's length a name is taken.
    TestDir dir;
    const QString longest = "/" + QString(kMaxPathBytes - 1, u'p');
    const StartupListResult r = runStartupListStep("", longest, dir.path(), 0);
    EXPECT_EQ(r.commandLineRefused, CommandLineRefusal::None);
    EXPECT_EQ(r.entries, QStringList{longest});
}

TEST(StartupList, AListFileThatIsNoTextLeavesTheSavedListAlone)
{
    TestDir dir;
    dir.write("List.mdu", kThreeEntries);
    dir.write("x.mdu", QByteArray("ID3\x04\x00\x00\x00\x00\x00\x00\xFF\xFB\x90\x64\x00\x00\n", 17));
    const StartupListResult r = runStartupListStep("", dir.file("x.mdu"), dir.path(), 0);
    EXPECT_EQ(r.commandLineRefused, CommandLineRefusal::NotAList);
    EXPECT_EQ(r.refusedName, dir.file("x.mdu"));
    EXPECT_EQ(r.entries, (QStringList{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}));
    EXPECT_EQ(r.currentIndex, 1);
    EXPECT_EQ(r.readStatus, ListReadStatus::Ok);
    EXPECT_EQ(dir.read("List.mdu"), kThreeEntries);

    // List.mdu itself turned junk: it is set aside, as an unreadable one is.
    dir.write("List.mdu", dir.read("x.mdu"));
    const StartupListResult junk = runStartupListStep("", "", dir.path(), 0);
    EXPECT_EQ(junk.readStatus, ListReadStatus::NotText);
    EXPECT_TRUE(junk.entries.isEmpty());
    EXPECT_EQ(junk.listSetAsideAs, dir.file("List.mdu.bad"));
    EXPECT_EQ(dir.read("List.mdu.bad"), dir.read("x.mdu"));
    EXPECT_FALSE(dir.exists("List.mdu"));
}

TEST(StartupList, AnM3u8OnTheCommandLineIsAList)
{
    TestDir dir;
    dir.write("List.mdu", kThreeEntries);
    dir.write("Mix.M3U8", "#EXTM3U\n#EXTINF:10,x\n/m/歌一.mp3\nhttp://radio/x\n");
    const StartupListResult r = runStartupListStep("", dir.file("Mix.M3U8"), dir.path(), 5);
    EXPECT_EQ(r.entries, (QStringList{QStringLiteral("/m/歌一.mp3"), "http://radio/x"}));
    EXPECT_EQ(r.currentIndex, 0);
    EXPECT_EQ(dir.read("List.mdu"), kThreeEntries);
}
