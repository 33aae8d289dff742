#include "core/playlistedit.h"
#include "core/playlistfile.h"
#include "tests/support/testdir.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

using namespace melodune;
using testsupport::TestDir;

namespace {

QStringList numbered(int n)
{
    QStringList l;
    for (int i = 0; i < n; ++i)
        l.append(QStringLiteral("/m/%1.mp3").arg(i));
    return l;
}

PlaylistState stateOf(int n, std::int32_t current, int selected)
{
    PlaylistState s;
    s.entries = numbered(n);
    s.currentIndex = current;
    s.marks.reset(n);
    s.select(selected);
    return s;
}

RandomSource seeded(unsigned seed)
{
    auto gen = std::make_shared<std::mt19937>(seed);
    return [gen] { return std::uniform_real_distribution<double>(0.0, 1.0)(*gen); };
}

} // namespace

TEST(PlayedMarks, SelectMarksAndRebuildsShortMarks)
{
    PlayedMarks m;
    m.reset(4);
    m.onSelect(2, 4);
    EXPECT_TRUE(m.isMarked(2));
    EXPECT_EQ(m.lastPlayedPos(), 3);

    // Shorter than the list: rebuilt, the entry played last marked again.
    m.reset(2);
    m.setLastPlayedPos(2);
    m.onSelect(3, 4);
    EXPECT_EQ(m.size(), 4);
    EXPECT_FALSE(m.isMarked(0));
    EXPECT_TRUE(m.isMarked(1));
    EXPECT_FALSE(m.isMarked(2));
    EXPECT_TRUE(m.isMarked(3));
    EXPECT_EQ(m.lastPlayedPos(), 4);

    // A position outside the list is not marked again; -1 stores nothing.
    m.discard();
    m.setLastPlayedPos(9);
    m.onSelect(0, 3);
    EXPECT_EQ(m.size(), 3);
    EXPECT_TRUE(m.isMarked(0));
    EXPECT_FALSE(m.isMarked(1) || m.isMarked(2));
    m.onSelect(-1, 3);
    EXPECT_EQ(m.lastPlayedPos(), 1);

    // Growing keeps marks.
    m.resize(5);
    EXPECT_EQ(m.size(), 5);
    EXPECT_TRUE(m.isMarked(0));
}

TEST(RandomOrder, EveryEntryOncePerCycleNeverStartingOnTheLast)
{
    for (int n : {1, 2, 3, 7, 40}) {
        PlaylistState s = stateOf(n, 0, 0); // the start selection is the first play
        const RandomSource rnd = seeded(1000u + unsigned(n));
        std::set<int> cycle = {0};
        int last = 0;
        for (int pick = 0; pick < n * 60; ++pick) {
            const int i = pickRandomTrack(s.marks, s.count(), rnd);
            ASSERT_GE(i, 0);
            ASSERT_LT(i, n);
            if (n == 1) {
                ASSERT_EQ(i, 0);
            }
            if (int(cycle.size()) == n) {
                if (n > 1) {
                    ASSERT_NE(i, last) << "cycle of " << n << " began with the entry played last";
                }
                cycle.clear();
            }
            ASSERT_TRUE(cycle.insert(i).second) << "entry " << i << " twice in one cycle of " << n;
            s.select(i);
            last = i;
        }
    }
}

TEST(RandomOrder, EmptyListAndShortMarks)
{
    PlayedMarks m;
    EXPECT_EQ(pickRandomTrack(m, 0, seeded(1)), -1);

    // Marks that do not cover the list start a new cycle.
    m.reset(2);
    m.mark(0);
    m.mark(1);
    m.setLastPlayedPos(2);
    const int i = pickRandomTrack(m, 5, [] { return 0.99; });
    EXPECT_EQ(m.size(), 5);
    EXPECT_NE(i, 1);

    // A start value that single precision rounds to 1 stays inside the list.
    PlayedMarks all;
    all.reset(3);
    EXPECT_EQ(pickRandomTrack(all, 3, [] { return 0.99999999999; }), 2);
}

TEST(Stepping, NextPreviousDownUpWithoutRandom)
{
    PlayedMarks m;
    const RandomSource rnd = seeded(2);
    struct Case { int listIndex; int current; int count; int next; int previous; };
    const Case cases[] = {
        {4, 4, 5, 0, 3},   // last entry wraps to 0
        {0, 0, 5, 1, 4},   // first entry back to the last
        {2, 2, 5, 3, 1},
        {-1, -1, 5, 0, 4}, // nothing loaded, nothing selected
        {3, 1, 5, 3, 3},   // another entry selected: taken as it is
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseNextTrack(c.listIndex, c.current, c.count, false, m, rnd), c.next) << c.listIndex;
        EXPECT_EQ(choosePreviousTrack(c.listIndex, c.current, c.count, false, m, rnd), c.previous) << c.listIndex;
    }
    struct Move { int listIndex; int count; int down; int up; };
    const Move moves[] = {{4, 5, 0, 3}, {0, 5, 1, 4}, {-1, 5, 0, 4}, {2, 5, 3, 1}};
    for (const Move& c : moves) {
        EXPECT_EQ(chooseListDown(c.listIndex, c.count, false, m, rnd), c.down) << c.listIndex;
        EXPECT_EQ(chooseListUp(c.listIndex, c.count, false, m, rnd), c.up) << c.listIndex;
    }
}

TEST(Drop, ClassifiesByExtension)
{
    struct Case { const char* path; DropKind kind; };
    const Case cases[] = {
        {"", DropKind::None},
        {"/m/a.MDU", DropKind::ListFile},
        {"/m/a.m3u", DropKind::ListFile},
        {"/m/a.Mp3", DropKind::MediaFile},
        {"/m/a.jpeg", DropKind::MediaFile},
        {"/m/a.rmvb", DropKind::MediaFile},
        {"/m/a.wm", DropKind::MediaFile},
        {"/m/a.txt", DropKind::Unsupported},
        {"/m/a.flac", DropKind::Unsupported},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyDroppedPath(QString::fromUtf8(c.path)), c.kind) << c.path;
}

TEST(Adding, CapacityAndFirstEntry)
{
    struct Case { int present; int adding; int fit; };
    const Case cases[] = {{0, 3, 3}, {32766, 3, 1}, {32767, 1, 0}, {100, 0, 0}, {0, 40000, 32767}};
    for (const Case& c : cases)
        EXPECT_EQ(entriesThatFit(c.present, c.adding), c.fit) << c.present << "+" << c.adding;

    PlaylistState s;
    AddResult r = addEntries(s, {"/m/one.mp3"});
    EXPECT_TRUE(r.loadFirst);
    EXPECT_EQ(s.selected, 0);
    EXPECT_EQ(s.currentIndex, 0);
    EXPECT_EQ(s.marks.size(), 1);

    // Several files to an empty list: nothing selected.
    PlaylistState many;
    r = addEntries(many, numbered(3));
    EXPECT_FALSE(r.loadFirst);
    EXPECT_EQ(many.selected, -1);
    EXPECT_EQ(many.marks.size(), 3);

    PlaylistState full;
    full.entries = numbered(kMaxListEntries - 1);
    full.select(7);
    r = addEntries(full, {"/x/a.mp3", "/x/b.mp3"});
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.refused, 1);
    EXPECT_EQ(full.count(), kMaxListEntries);
    EXPECT_EQ(full.entries.last(), QStringLiteral("/x/a.mp3"));
    EXPECT_TRUE(full.marks.isMarked(7));
}

TEST(Adding, ListFilesExpandInPlace)
{
    TestDir dir;
    dir.write("in.m3u", "#EXTM3U\n/m/x.mp3\n/m/y.mp3\n");
    EXPECT_EQ(expandAddedPaths({"/m/a.mp3", dir.file("in.m3u"), "/m/b.mp3"}),
              (QStringList{"/m/a.mp3", "/m/x.mp3", "/m/y.mp3", "/m/b.mp3"}));
}

TEST(Import, AnswerNoAppendsAnswerYesReplaces)
{
    PlaylistState no = stateOf(3, 2, 2);
    AddResult r = applyImport(no, false, {"/n/a.mp3", "/n/b.mp3"});
    EXPECT_EQ(no.count(), 5);
    EXPECT_EQ(no.currentIndex, 2);
    EXPECT_EQ(no.selected, 2);
    EXPECT_FALSE(r.loadFirst);
    EXPECT_EQ(no.marks.size(), 5);
    EXPECT_FALSE(no.marks.isMarked(2)); // former marks dropped

    PlaylistState yes = stateOf(3, 2, 2);
    r = applyImport(yes, true, {"/n/only.mp3"});
    EXPECT_EQ(yes.entries, QStringList{"/n/only.mp3"});
    EXPECT_EQ(yes.currentIndex, 0);
    EXPECT_EQ(yes.selected, 0);
    EXPECT_TRUE(r.loadFirst);

    PlaylistState yesMany = stateOf(3, 2, 2);
    r = applyImport(yesMany, true, numbered(4));
    EXPECT_EQ(yesMany.currentIndex, 0);
    EXPECT_EQ(yesMany.selected, 0);
    EXPECT_FALSE(r.loadFirst);
}

TEST(Deleting, ResultingCurrentIndex)
{
    struct Case { int count; int current; int deleted; std::int32_t expected; };
    const Case cases[] = {
        {7, 5, 2, 4}, {7, 2, 5, 2}, {7, 3, 3, 2}, {7, 0, 0, 0}, {7, 6, 6, 5}, {2, -1, 1, 0},
    };
    for (const Case& c : cases) {
        TestDir dir;
        PlaylistState s = stateOf(c.count, c.current, c.deleted);
        const QString gone = s.entries[c.deleted];
        ASSERT_TRUE(deleteSelectedEntry(s, true, dir.path()));
        EXPECT_EQ(s.currentIndex, c.expected) << c.current << " del " << c.deleted;
        EXPECT_EQ(s.selected, c.expected) << c.current << " del " << c.deleted;
        EXPECT_FALSE(s.entries.contains(gone));
        EXPECT_EQ(s.marks.size(), c.count - 1);
        EXPECT_FALSE(s.marks.isMarked(s.selected));
        EXPECT_EQ(s.marks.lastPlayedPos(), 0);
        EXPECT_EQ(dir.read("List.mdu"), playlistFileText(s.entries, std::nullopt));
    }
}

TEST(Deleting, OnlyEntryRemovesListFile)
{
    TestDir dir;
    dir.write("List.mdu", "\">0\"\r\n\"/m/0.mp3\"\r\n");
    PlaylistState s = stateOf(1, 0, 0);
    ASSERT_TRUE(deleteSelectedEntry(s, true, dir.path()));
    EXPECT_EQ(s.count(), 0);
    EXPECT_EQ(s.currentIndex, 0);
    EXPECT_EQ(listCountCaption(s.count()), QStringLiteral("曲目列表(共0首)"));
    EXPECT_FALSE(dir.exists("List.mdu"));
}

TEST(Deleting, AnswerNoOrEmptyListKeepsFiles)
{
    TestDir dir;
    const QByteArray saved = "\">0\"\r\n\"/m/0.mp3\"\r\n";
    dir.write("List.mdu", saved);

    PlaylistState s = stateOf(3, 1, 1);
    ASSERT_TRUE(deleteSelectedEntry(s, false, dir.path()));
    EXPECT_EQ(s.count(), 3);
    EXPECT_EQ(s.marks.size(), 3);
    EXPECT_FALSE(s.marks.isMarked(1));
    EXPECT_EQ(s.marks.lastPlayedPos(), 0);
    EXPECT_EQ(dir.read("List.mdu"), saved);

    // A press on delete with an empty list does not remove the saved list.
    PlaylistState empty;
    ASSERT_TRUE(deleteSelectedEntry(empty, false, dir.path()));
    EXPECT_EQ(dir.read("List.mdu"), saved);

    PlaylistState all = stateOf(3, 1, 1);
    ASSERT_TRUE(deleteAllEntries(all, false, dir.path()));
    EXPECT_EQ(all.count(), 3);
    ASSERT_TRUE(deleteAllEntries(all, true, dir.path()));
    EXPECT_EQ(all.count(), 0);
    EXPECT_EQ(all.currentIndex, -1);
    EXPECT_EQ(all.marks.lastPlayedPos(), 0);
    EXPECT_FALSE(dir.exists("List.mdu"));
}

TEST(ListMouse, PressLoadsOnlyASelectedEntryWhileIdle)
{
    struct Case { int playState; int count; int selected; bool loads; };
    const Case cases[] = {
        {0, 3, 1, true}, {6, 3, 0, true}, {2, 3, 1, false}, {1, 3, 1, false}, {0, 0, -1, false},
        {0, 3, -1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pressLoadsSelection(c.playState, c.count, c.selected), c.loads)
            << c.playState << "/" << c.count << "/" << c.selected;
    EXPECT_EQ(listToolTip("/m/a.mp3", true), QStringLiteral("当前列表选中曲目【/m/a.mp3】"));
    EXPECT_EQ(listToolTip(QString(), false), QStringLiteral("当前列表选中曲目【未选择】"));
}
