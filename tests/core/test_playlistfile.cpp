#include "core/playlistfile.h"
#include "platform/legacytext.h"
#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <gtest/gtest.h>

using namespace melodune;
using testsupport::TestDir;

TEST(PlaylistFile, IndexLineCaptionAndListNames)
{
    EXPECT_EQ(currentIndexLine(12), QStringLiteral(">12"));
    EXPECT_EQ(currentIndexLine(-1), QStringLiteral(">-1"));
    EXPECT_EQ(listCountCaption(0), QStringLiteral("曲目列表(共0首)"));
    EXPECT_EQ(listCountCaption(123), QStringLiteral("曲目列表(共123首)"));

    struct Case { const char* path; bool list; };
    const Case cases[] = {
        {"/m/a.mdu", true}, {"/m/a.MDU", true}, {"/m/a.M3u", true}, {"/m/a.m3u8", true}, {"/m/a.M3U8", true},
        {"/m/a.mp3", false}, {"mdu", false}, {"/m/a.mdu.mp3", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isListFileName(QString::fromUtf8(c.path)), c.list) << c.path;
}

TEST(PlaylistFile, ClampsIndexIntoList)
{
    struct Case { std::int32_t index; int count; std::int32_t expected; };
    const Case cases[] = {{2, 5, 2}, {9, 3, 2}, {-1, 3, 0}, {-7, 1, 0}, {0, 1, 0}, {4, 0, 4}, {-1, 0, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(clampCurrentIndex(c.index, c.count), c.expected) << c.index << " of " << c.count;
}

TEST(PlaylistFile, WritesQuotedLinesWithOptionalIndexLine)
{
    EXPECT_EQ(playlistFileText({"/m/a.mp3", "http://x/s"}, 3),
              QByteArray("\">3\"\r\n\"/m/a.mp3\"\r\n\"http://x/s\"\r\n"));
    EXPECT_EQ(playlistFileText({"/m/a.mp3"}, std::nullopt), QByteArray("\"/m/a.mp3\"\r\n"));
    EXPECT_EQ(playlistFileText({}, -1), QByteArray("\">-1\"\r\n"));
}

TEST(PlaylistFile, ParsesLinesIndexAndM3u)
{
    struct Case {
        const char* name;
        const char* text;
        QStringList entries;
        std::optional<std::int32_t> index;
    };
    const Case cases[] = {
        {"index and entries", "\">2\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n", {"/m/a.mp3", "/m/b.mp3"}, 2},
        {"later index wins", "\">1\"\r\n\"a\"\r\n\">4\"\r\n", {"a"}, 4},
        {"every > removed", "\">>5\"\r\n\"a\"\r\n", {"a"}, 5},
        {"not numeric ignored", "\">x\"\r\n\"a\"\r\n", {"a"}, std::nullopt},
        {"too large ignored", "\">99999999999\"\r\n\"a\"\r\n", {"a"}, std::nullopt},
        {"negative", "\">-1\"\r\n\"a\"\r\n", {"a"}, -1},
        {"quote inside entry", "\"/m/say \"hi\".mp3\"\r\n", {"/m/say hi.mp3"}, std::nullopt},
        {"m3u extended lines", "#EXTM3U\n#EXTINF:123,Artist - Song\nmusic/song.mp3\n\n#EXTINF:-1,Radio\n"
                               "http://radio/x\n", {"music/song.mp3", "http://radio/x"}, std::nullopt},
        {"cr alone ends lines", "\"a\"\r\"b\"\r", {"a", "b"}, std::nullopt},
        {"blanks kept", "  /m/a b.mp3 \r\n", {"  /m/a b.mp3 "}, std::nullopt},
        {"empty", "", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        const PlaylistRead r = parsePlaylistText(QString::fromUtf8(c.text));
        EXPECT_EQ(r.entries, c.entries) << c.name;
        EXPECT_EQ(r.currentIndex, c.index) << c.name;
    }
}

TEST(PlaylistFile, ReadsCodePage936AndKeepsCharactersOutsideIt)
{
    TestDir dir;
    // "D:\音乐\歌.mp3" as the original system stored it.
    dir.write("old.mdu", QByteArray("\">0\"\r\n\"D:\\\xD2\xF4\xC0\xD6\\\xB8\xE8.mp3\"\r\n"));
    const PlaylistRead old = readPlaylistFile(dir.file("old.mdu"));
    EXPECT_EQ(old.status, ListReadStatus::Ok);
    EXPECT_EQ(old.entries, QStringList{QStringLiteral("D:\\音乐\\歌.mp3")});
    EXPECT_EQ(old.currentIndex, 0);

    const QStringList entries = {QStringLiteral("/home/u/🎵.mp3"), QStringLiteral("/home/u/音乐/歌.mp3"),
                                 QStringLiteral("/home/u/café ñ.flac")};
    ASSERT_TRUE(writePlaylistFile(dir.file("new.mdu"), entries, 1));
    const PlaylistRead back = readPlaylistFile(dir.file("new.mdu"));
    EXPECT_EQ(back.entries, entries);
    EXPECT_EQ(back.currentIndex, 1);
}

TEST(PlaylistFile, NamesWhoseBytesLookLikeUtf8SurviveSaveAndStart)
{
    // In GB18030 each of these is also well-formed UTF-8 of other characters.
    const QStringList lists[] = {
        {QStringLiteral("/home/u/小雪.mp3")},
        {QStringLiteral("/home/u/一.mp3")},
        {QStringLiteral("/home/u/同学/穹顶.mp3"), QStringLiteral("/home/u/一.mp3")},
    };
    for (const QStringList& entries : lists) {
        TestDir dir;
        ASSERT_TRUE(saveListAtShutdown(dir.path(), entries, 0));
        const PlaylistRead back = readPlaylistFile(listFilePath(dir.path()));
        EXPECT_EQ(back.entries, entries);
        EXPECT_EQ(back.currentIndex, 0);
        ASSERT_TRUE(exportPlaylist(dir.file("out"), entries, 0));
        EXPECT_EQ(importListFile(dir.file("out.mdu")), entries);
    }
    TestDir dir;
    ASSERT_TRUE(saveListAtShutdown(dir.path(), {QStringLiteral("/home/u/小雪.mp3")}, 0));
    EXPECT_EQ(dir.read("List.mdu"), QByteArray("\">0\"\r\n\"/home/u/\xD0\xA1\xD1\xA9.mp3\"\r\n"));
}

TEST(PlaylistFile, ListsOfEitherEncodingAreRead)
{
    TestDir dir;
    const QByteArray utf8 = QByteArray("#EXTM3U\n/m/Café.mp3\n/m/小雪.mp3\n/m/Кино.mp3\n");
    const QStringList expected = {QStringLiteral("/m/Café.mp3"), QStringLiteral("/m/小雪.mp3"),
                                  QStringLiteral("/m/Кино.mp3")};
    dir.write("a.m3u", utf8);
    dir.write("B.M3U", utf8);
    dir.write("c.mdu", utf8);
    EXPECT_EQ(importListFile(dir.file("a.m3u")), expected);
    EXPECT_EQ(importListFile(dir.file("B.M3U")), expected);
    EXPECT_EQ(importListFile(dir.file("c.mdu")), expected);
    // Not UTF-8: read as code page 936.
    dir.write("gbk.m3u", QByteArray("/m/\xB8\xE8.mp3\r\n"));
    EXPECT_EQ(importListFile(dir.file("gbk.m3u")), QStringList{QStringLiteral("/m/歌.mp3")});
    // Lists of ours whose bytes pass for UTF-8 are GB18030.
    dir.write("ours.mdu", QByteArray("\"/m/\xD2\xBB.mp3\"\r\n\"/home/u/Music/\xEB\x85\x88\x44.mp3\"\r\n"));
    EXPECT_EQ(importListFile(dir.file("ours.mdu")),
              (QStringList{QStringLiteral("/m/一.mp3"), QStringLiteral("/home/u/Music/雲圖.mp3")}));
}

TEST(PlaylistFile, TheReadingWhoseEntriesAreOnDiskWins)
{
    // Bytes valid in both encodings, each reading naming a file of its own.
    const QByteArray name = "\xEB\x85\x88\x44.mp3"; // GB18030 "雲圖", UTF-8 "녈D"
    const QString asUtf8 = QString::fromUtf8(name);
    const QString as936 = QStringLiteral("雲圖.mp3");
    for (const QString& present : {asUtf8, as936}) {
        SCOPED_TRACE(present.toStdString());
        TestDir dir;
        dir.write(present, "x");
        // Absolute entries, and a relative one taken from the list's folder.
        dir.write("List.mdu", "\"" + dir.path().toUtf8() + "/" + name + "\"\r\n\"" + name + "\"\r\n");
        const QStringList entries = readPlaylistFile(dir.file("List.mdu")).entries;
        EXPECT_EQ(entries, (QStringList{dir.file(present), present}));
        // "/a" appends to it in the encoding it is read in.
        ASSERT_TRUE(appendPlaylistLine(dir.file("List.mdu"), QStringLiteral("/m/新.mp3")));
        EXPECT_EQ(readPlaylistFile(dir.file("List.mdu")).entries.value(2), QStringLiteral("/m/新.mp3"));
        EXPECT_EQ(readPlaylistFile(dir.file("List.mdu")).entries.value(1), present);
    }
}

TEST(PlaylistFile, ImportResolvesRelativeEntriesAgainstTheListsFolder)
{
    TestDir dir;
    const QString folder = QFileInfo(dir.file("lists")).absoluteFilePath();
    struct Case {
        const char* entry;
        QString imported;
    };
    const Case cases[] = {
        {"rel/song one.mp3", folder + QStringLiteral("/rel/song one.mp3")},
        {"./歌.mp3", folder + QStringLiteral("/歌.mp3")},
        {"../up/two.ogg", QFileInfo(dir.path()).absoluteFilePath() + QStringLiteral("/up/two.ogg")},
        {"/abs/three.mp3", "/abs/three.mp3"},
        {"http://radio.example/live", "http://radio.example/live"},
        {"file:///m/four.mp3", "file:///m/four.mp3"},
        {"C:\\music\\five.mp3", "C:\\music\\five.mp3"},
        {"d:/music/six.mp3", "d:/music/six.mp3"},
    };
    QByteArray m3u = "#EXTM3U\n";
    QStringList expected;
    for (const Case& c : cases) {
        m3u += "#EXTINF:10,x\n" + QByteArray(c.entry) + "\n";
        expected << c.imported;
    }
    for (const char* name : {"lists/party.m3u", "lists/ours.mdu"}) {
        dir.write(name, m3u);
        const QStringList imported = importListFile(dir.file(name));
        ASSERT_EQ(imported.size(), expected.size()) << name;
        for (qsizetype i = 0; i < imported.size(); ++i)
            EXPECT_EQ(imported[i], expected[i]) << name << " " << cases[i].entry;
    }
    // A list named by a relative path resolves against the folder it names.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(before); });
    EXPECT_EQ(importListFile(QStringLiteral("lists/party.m3u")), expected);
}

TEST(PlaylistFile, EntryWithDoubleQuoteComesBackWithout)
{
    TestDir dir;
    ASSERT_TRUE(saveListAtShutdown(dir.path(), {"/m/\"live\" set.mp3"}, 0));
    EXPECT_EQ(readPlaylistFile(listFilePath(dir.path())).entries, QStringList{"/m/live set.mp3"});
}

TEST(PlaylistFile, MissingAndUnreadableFiles)
{
    TestDir dir;
    EXPECT_EQ(readPlaylistFile(dir.file("none.mdu")).status, ListReadStatus::Missing);
    EXPECT_TRUE(importListFile(QString()).isEmpty());

    ListReadStatus status = ListReadStatus::Ok;
    EXPECT_TRUE(importListFile(dir.file("none.m3u"), &status).isEmpty());
    EXPECT_EQ(status, ListReadStatus::Missing);

    // A folder in the list file's place cannot be read, and is not replaced.
    dir.write("locked.mdu/inner", "x");
    EXPECT_EQ(readPlaylistFile(dir.file("locked.mdu")).status, ListReadStatus::Unreadable);
    EXPECT_FALSE(appendPlaylistLine(dir.file("locked.mdu"), "/m/b.mp3"));
    EXPECT_EQ(dir.read("locked.mdu/inner"), QByteArray("x"));
}

TEST(PlaylistFile, AppendsLines)
{
    TestDir dir;
    ASSERT_TRUE(appendPlaylistLine(dir.file("l.mdu"), "/m/a.mp3"));
    EXPECT_EQ(dir.read("l.mdu"), QByteArray("\"/m/a.mp3\"\r\n"));
    dir.write("cut.mdu", "\">1\"\r\n\"/m/a.mp3\"");
    ASSERT_TRUE(appendPlaylistLine(dir.file("cut.mdu"), "/m/b.mp3"));
    EXPECT_EQ(readPlaylistFile(dir.file("cut.mdu")).entries, (QStringList{"/m/a.mp3", "/m/b.mp3"}));
}

TEST(PlaylistFile, AppendingToAUtf8ListConvertsItToGb18030)
{
    const QString added = QStringLiteral("/home/u/小雪.mp3");
    const QString text = QStringLiteral("\">1\"\r\n\"/home/u/歌曲.mp3\"\r\n\"/home/u/Café.mp3\"");
    const QStringList expected = {QStringLiteral("/home/u/歌曲.mp3"), QStringLiteral("/home/u/Café.mp3"), added};
    struct Case { const char* name; QByteArray bytes; };
    const Case cases[] = {
        {"UTF-8", text.toUtf8()},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + text.toUtf8() + "\r\n"},
    };
    for (const Case& c : cases) {
        TestDir dir;
        dir.write("List.mdu", c.bytes);
        ASSERT_TRUE(appendPlaylistLine(dir.file("List.mdu"), added)) << c.name;
        EXPECT_EQ(dir.read("List.mdu"), rt::encodeLegacy(text + "\r\n\"" + added + "\"\r\n")) << c.name;
        const PlaylistRead back = readPlaylistFile(dir.file("List.mdu"));
        EXPECT_EQ(back.entries, expected) << c.name;
        EXPECT_EQ(back.currentIndex, 1) << c.name;
    }
}

TEST(PlaylistFile, AppendKeepsWhatItCannotConvert)
{
    TestDir dir;
    // Marked as UTF-8 but holding a byte that is none: rewriting would lose it.
    const QByteArray broken = "\xEF\xBB\xBF\"/m/\xE6\xAD\x8C\xFF.mp3\"\r\n";
    dir.write("broken.mdu", broken);
    QString error;
    EXPECT_FALSE(appendPlaylistLine(dir.file("broken.mdu"), "/m/b.mp3", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(dir.read("broken.mdu"), broken);

    // A code page 936 list is extended byte for byte, undecodable bytes and all.
    const QByteArray gbk = "\"/m/\xB8\xE8\xFF.mp3\"\r\n";
    dir.write("gbk.mdu", gbk);
    ASSERT_TRUE(appendPlaylistLine(dir.file("gbk.mdu"), QStringLiteral("/m/一.mp3")));
    EXPECT_EQ(dir.read("gbk.mdu"), gbk + "\"/m/\xD2\xBB.mp3\"\r\n");
}

TEST(PlaylistFile, ShutdownSaveAndRewriteAfterDelete)
{
    TestDir dir;
    const QByteArray before = "\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n";
    dir.write("List.mdu", before);
    EXPECT_TRUE(saveListAtShutdown(dir.path(), {}, 0));
    EXPECT_EQ(dir.read("List.mdu"), before);

    EXPECT_TRUE(saveListAtShutdown(dir.path(), {"/m/c.mp3", "/m/d.mp3"}, 1));
    EXPECT_EQ(dir.read("List.mdu"), QByteArray("\">1\"\r\n\"/m/c.mp3\"\r\n\"/m/d.mp3\"\r\n"));

    EXPECT_TRUE(rewriteListAfterDelete(dir.path(), {"/m/d.mp3"}));
    EXPECT_EQ(dir.read("List.mdu"), QByteArray("\"/m/d.mp3\"\r\n"));
    EXPECT_TRUE(rewriteListAfterDelete(dir.path(), {}));
    EXPECT_FALSE(dir.exists("List.mdu"));
}

TEST(PlaylistFile, ExportNames)
{
    EXPECT_EQ(defaultExportName(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
              QStringLiteral("播放列表 - 260102030405"));
    struct Case { const char* chosen; const char* written; };
    const Case cases[] = {
        {"/home/u/list.mdu", "/home/u/list.mdu"},
        {"/home/u/list", "/home/u/list.mdu"},
        {"/home/u/a.mdu.txt", "/home/u/a.txt.mdu"},
        {"/home/u/L.MDU", "/home/u/L.MDU.mdu"},
        {"/home/u/x.mdu.mdu", "/home/u/x.mdu"},
        {"/home/u/old.mdu/list", "/home/u/old.mdu/list.mdu"},
        {"/home/u/old.mdu/a.mdu", "/home/u/old.mdu/a.mdu"},
        {"list", "list.mdu"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(exportFileName(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.written)) << c.chosen;
}

TEST(PlaylistFile, ExportReportsFailure)
{
    TestDir dir;
    ASSERT_TRUE(exportPlaylist(dir.file("mine.mdu.bak"), {"/m/a.mp3", "/m/b.mp3"}, 1));
    EXPECT_EQ(dir.read("mine.bak.mdu"), QByteArray("\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n"));

    QString error;
    EXPECT_FALSE(exportPlaylist(dir.file("no/such/folder/x"), {"/m/a.mp3"}, 0, &error));
    EXPECT_FALSE(error.isEmpty());
    // A folder of that name cannot be replaced by the list.
    dir.write("taken.mdu/inner", "x");
    EXPECT_FALSE(exportPlaylist(dir.file("taken"), {"/m/a.mp3"}, 0));
    EXPECT_EQ(dir.read("taken.mdu/inner"), QByteArray("x"));
}

TEST(PlaylistFile, ReadsAsAStreamKeepingTheFirstEntriesAndCountingTheRest)
{
    // Entries a b c d e, an index line among the kept ones and numeric and
    // other index lines after them, a comment, an empty line, a UTF-8 mark
    // and a line too long to be any path.
    const QByteArray lines[] = {"\xEF\xBB\xBF\">2\"", "\"a\"", "#c", "\"b\"", "\"\"", "\"c\"", "\">1\"",
                                "\"d\"", '"' + QByteArray(kMaxListLineBytes + 1, 'x') + '"', "\"e\"", "\">4\"",
                                "\">y\""};
    const struct {
        const char* end;
        int max;
        QStringList entries;
        int more;
    } cases[] = {
        {"\r\n", 3, {"a", "b", "c"}, 3}, {"\n", 3, {"a", "b", "c"}, 3}, {"\r", 3, {"a", "b", "c"}, 3},
        {"\r\n", -1, {"a", "b", "c", "d", "e"}, 1}, {"\r\n", 0, {}, 6},
    };
    TestDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(QByteArray(c.end).toHex().toStdString() + " max " + std::to_string(c.max));
        QByteArray text;
        for (const QByteArray& line : lines)
            text += line + c.end;
        dir.write("List.mdu", text);
        const PlaylistRead read = readPlaylistFile(dir.file("List.mdu"), c.max);
        EXPECT_EQ(read.status, ListReadStatus::Ok);
        EXPECT_EQ(read.entries, c.entries);
        EXPECT_EQ(read.moreEntries, c.more);
        EXPECT_EQ(read.currentIndex, std::optional<std::int32_t>(4)) << "the last numeric index line wins";
    }
}

TEST(PlaylistFile, ACappedReadOfAHugeListKeepsWhatAWholeReadWouldHave)
{
    // How much faster it is, is measured by scripts/bench_stall.sh's list
    // case, not here: a loaded machine would make any bound a coin toss.
    TestDir dir;
    QByteArray text;
    for (int i = 0; i < 600000; ++i)
        text += "\"/music/专辑/曲目" + QByteArray::number(i) + ".mp3\"\r\n";
    dir.write("List.mdu", text);
    const PlaylistRead capped = readPlaylistFile(dir.file("List.mdu"), kMaxListEntries);
    const PlaylistRead whole = readPlaylistFile(dir.file("List.mdu"));
    ASSERT_EQ(capped.entries.size(), kMaxListEntries);
    ASSERT_EQ(whole.entries.size(), 600000);
    EXPECT_EQ(capped.moreEntries, 600000 - kMaxListEntries);
    EXPECT_EQ(whole.moreEntries, 0);
    EXPECT_EQ(capped.entries, whole.entries.mid(0, kMaxListEntries));
}

// A file named like a list that holds no text list is refused whole: read as
// lines it gives thousands of junk entries that replace the saved list.
TEST(PlaylistFile, AFileThatIsNoTextListIsRefused)
{
    // An MP3's opening: ID3 header, a frame header and silence.
    QByteArray mp3("ID3\x04\x00\x00\x00\x00\x00\x23TIT2\x00\x00\x00\x05\x00\x00\x03song", 25);
    mp3 += QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(400, '\0') + "\n\xFF\xFB\x90\x44\r\nLAME3.100";
    const std::pair<const char*, QByteArray> refused[] = {
        {"mp3 bytes", mp3},
        {"UTF-16 list", QByteArray("\xFF\xFE/\0m\0/\0a\0.\0m\0p\0\x33\0\r\0\n\0", 22)},
        {"bytes of neither encoding", "\"/m/caf\xE9.mp3\"\r\n\"/m/\xFF\xFE.mp3\"\r\n"},
        {"no line a path or address", "\x01\x02\x03\r\n\x1B[0m\x7F\r\n\"\x05\"\r\n"},
    };
    for (const auto& [name, bytes] : refused) {
        SCOPED_TRACE(name);
        TestDir dir;
        dir.write("x.mdu", bytes);
        const PlaylistRead r = readPlaylistFile(dir.file("x.mdu"));
        EXPECT_EQ(r.status, ListReadStatus::NotText);
        EXPECT_TRUE(r.entries.isEmpty());
        ListReadStatus status = ListReadStatus::Ok;
        EXPECT_TRUE(importListFile(dir.file("x.mdu"), &status).isEmpty());
        EXPECT_EQ(status, ListReadStatus::NotText);
    }

    // Lists, all of them: an older build's entry stored with U+FFFD, code
    // page 936's euro sign, GB18030's four-byte characters, one odd line or
    // one stray byte among good ones, and an empty file.
    const std::tuple<const char*, QByteArray, QStringList> kept[] = {
        {"replacement character", rt::encodeLegacy(QStringLiteral("\"/m/\uFFFD.mp3\"\r\n")),
         {QStringLiteral("/m/\uFFFD.mp3")}},
        {"euro sign", "\"/m/\x80.mp3\"\r\n", {QStringLiteral("/m/€.mp3")}},
        {"four-byte character", rt::encodeLegacy(QStringLiteral("\"/m/🎵.mp3\"\r\n")), {QStringLiteral("/m/🎵.mp3")}},
        {"one odd line", "\"/m/a.mp3\"\r\n\"\x01\"\r\n", {QStringLiteral("/m/a.mp3"), QStringLiteral("\x01")}},
        {"one stray byte among good lines", "\"/m/a.mp3\"\r\n\"/m/b\xFF.mp3\"\r\n\"/m/c.mp3\"\r\n",
         {QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b\uFFFD.mp3"), QStringLiteral("/m/c.mp3")}},
        {"empty", "", {}},
    };
    for (const auto& [name, bytes, entries] : kept) {
        SCOPED_TRACE(name);
        TestDir dir;
        dir.write("x.mdu", bytes);
        const PlaylistRead r = readPlaylistFile(dir.file("x.mdu"));
        EXPECT_EQ(r.status, ListReadStatus::Ok);
        EXPECT_EQ(r.entries, entries);
    }
}

TEST(PlaylistFile, AnM3u8ListIsUtf8)
{
    TestDir dir;
    // Valid in both encodings: the name says which.
    const QByteArray bytes = "#EXTM3U\n/m/\xEB\x85\x88\x44.mp3\n";
    dir.write("a.m3u8", bytes);
    dir.write("a.m3u", bytes);
    EXPECT_EQ(importListFile(dir.file("a.m3u8")), QStringList{QStringLiteral("/m/녈D.mp3")});
    EXPECT_EQ(importListFile(dir.file("a.m3u")), QStringList{QStringLiteral("/m/雲圖.mp3")});
    // Not UTF-8 after all: read as any list.
    dir.write("b.m3u8", "/m/\xB8\xE8.mp3\n");
    EXPECT_EQ(importListFile(dir.file("b.m3u8")), QStringList{QStringLiteral("/m/歌.mp3")});
}

TEST(PlaylistFile, EntriesTheListFileCannotKeep)
{
    TestDir dir;
    const QString nonUtf8 = QFile::decodeName(QFile::encodeName(dir.path()) + "/\xFF\xFE.mp3");
    ASSERT_TRUE(QFile(dir.file("\uFFFD.mp3")).open(QIODevice::WriteOnly)); // a name that holds U+FFFD
    const std::pair<QString, EntryProblem> rows[] = {
        {"/m/a\nb.mp3", EntryProblem::LineBreak},
        {"/m/a\rb.mp3", EntryProblem::LineBreak},
        {"/m/12\" mix.mp3", EntryProblem::DoubleQuote},
        {"#radio", EntryProblem::LeadingMark},
        {">1", EntryProblem::LeadingMark},
        {nonUtf8, EntryProblem::NotUtf8},
        {dir.file("\uFFFD.mp3"), EntryProblem::None},
        {"http://h/\uFFFD", EntryProblem::None},
        {"/m/" + QString(70000, u'a'), EntryProblem::TooLong},
        {"/m/歌 #1 > 2.mp3", EntryProblem::None},
        {"http://radio.example.com:8000/live", EntryProblem::None},
    };
    for (const auto& [entry, problem] : rows)
        EXPECT_EQ(listEntryProblem(entry), problem) << entry.left(60).toStdString();
    EXPECT_EQ(entryForMessage("/m/a\r\nb\nc.mp3"), QStringLiteral("/m/a↵b↵c.mp3"));
}
