#include "core/playlistedit.h"

#include "core/playlistfile.h"

#include <algorithm>
#include <array>

namespace melodune {

// ---- PlayedMarks -----------------------------------------------------------

void PlayedMarks::reset(int count)
{
    if (count <= 0)
        marks_.reset();
    else
        marks_.emplace(std::size_t(count), 0);
}

void PlayedMarks::resize(int count)
{
    if (count <= 0)
        return;
    if (!marks_)
        marks_.emplace();
    marks_->resize(std::size_t(count), 0);
}

bool PlayedMarks::isMarked(int index) const
{
    return marks_ && index >= 0 && index < int(marks_->size()) && (*marks_)[std::size_t(index)] != 0;
}

void PlayedMarks::mark(int index)
{
    if (marks_ && index >= 0 && index < int(marks_->size()))
        (*marks_)[std::size_t(index)] = 1;
}

void PlayedMarks::onSelect(int index, int listCount)
{
    if (index < 0)
        return;
    if (!marks_ || index >= int(marks_->size())) {
        marks_.reset();
        if (listCount <= 0 || index >= listCount)
            return;
        reset(listCount);
        if (lastPlayedPos_ > 0 && lastPlayedPos_ <= listCount && listCount > 1)
            mark(lastPlayedPos_ - 1);
    }
    mark(index);
    lastPlayedPos_ = index + 1;
}

// ---- Random order and stepping ---------------------------------------------

int pickRandomTrack(PlayedMarks& marks, int listCount, const RandomSource& random01)
{
    const int n = listCount;
    if (n <= 0)
        return -1;
    // After a rebuild the entry played last is only kept from opening the new
    // cycle; it stays unmarked so that the cycle still plays it once.
    int avoid = -1;
    for (;;) {
        // In single precision: a value just below 1 may round the start up to n.
        int s = int(float(random01()) * float(n));
        s = std::clamp(s, 0, n - 1);
        bool rebuild = false;
        int chosen = -1;
        auto test = [&](int i) {
            if (!marks.present() || i >= marks.size()) {
                rebuild = true;
                return false;
            }
            return !marks.isMarked(i) && i != avoid;
        };
        for (int i = s; i < n && chosen < 0 && !rebuild; ++i)
            if (test(i))
                chosen = i;
        for (int i = 0; i <= s && chosen < 0 && !rebuild; ++i)
            if (test(i))
                chosen = i;
        if (chosen >= 0)
            return chosen;

        marks.reset(n);
        const std::int32_t last = marks.lastPlayedPos();
        avoid = (n > 1 && last > 0 && last <= n) ? last - 1 : -1;
    }
}

int chooseNextTrack(int listIndex, std::int32_t currentIndex, int listCount, bool randomPlay,
                    PlayedMarks& marks, const RandomSource& random01)
{
    if (listCount <= 0 || listIndex != currentIndex)
        return listIndex;
    if (randomPlay)
        return pickRandomTrack(marks, listCount, random01);
    if (currentIndex + 1 >= listCount || currentIndex < 0)
        return 0;
    return listIndex + 1;
}

int choosePreviousTrack(int listIndex, std::int32_t currentIndex, int listCount, bool randomPlay,
                        PlayedMarks& marks, const RandomSource& random01)
{
    if (listCount <= 0 || listIndex != currentIndex)
        return listIndex;
    if (randomPlay)
        return pickRandomTrack(marks, listCount, random01);
    if (currentIndex >= 1 && currentIndex < listCount)
        return listIndex - 1;
    return listCount - 1;
}

int chooseListDown(int listIndex, int listCount, bool randomPlay, PlayedMarks& marks, const RandomSource& random01)
{
    if (listCount <= 0)
        return listIndex;
    if (randomPlay)
        return pickRandomTrack(marks, listCount, random01);
    if (listIndex + 1 >= listCount || listIndex < 0)
        return 0;
    return listIndex + 1;
}

int chooseListUp(int listIndex, int listCount, bool randomPlay, PlayedMarks& marks, const RandomSource& random01)
{
    if (listCount <= 0)
        return listIndex;
    if (randomPlay)
        return pickRandomTrack(marks, listCount, random01);
    if (listIndex > 0 && listIndex < listCount)
        return listIndex - 1;
    return listCount - 1;
}

// ---- PlaylistState ---------------------------------------------------------

void PlaylistState::select(int index)
{
    if (index < 0 || index >= count()) {
        selected = -1;
        return;
    }
    selected = index;
    marks.onSelect(index, count());
}

// ---- Drop, add, import -----------------------------------------------------

DropKind classifyDroppedPath(const QString& path)
{
    if (path.isEmpty())
        return DropKind::None;
    if (isListFileName(path))
        return DropKind::ListFile;
    static const std::array<QLatin1String, 24> kExtensions = {
        QLatin1String(".wav"), QLatin1String(".mp3"), QLatin1String(".wma"), QLatin1String(".asf"),
        QLatin1String(".au"),  QLatin1String(".avi"), QLatin1String(".bmp"), QLatin1String(".dat"),
        QLatin1String(".gif"), QLatin1String(".jpg"), QLatin1String(".jpeg"), QLatin1String(".mid"),
        QLatin1String(".midi"), QLatin1String(".mp4"), QLatin1String(".mpeg"), QLatin1String(".mpg"),
        QLatin1String(".ra"),  QLatin1String(".rm"),  QLatin1String(".rmi"), QLatin1String(".rmvb"),
        QLatin1String(".snd"), QLatin1String(".vob"), QLatin1String(".wm"),  QLatin1String(".wmv"),
    };
    const QString lower = path.toLower();
    for (const QLatin1String& ext : kExtensions)
        if (lower.endsWith(ext))
            return DropKind::MediaFile;
    return DropKind::Unsupported;
}

int entriesThatFit(int present, int adding)
{
    if (adding <= 0)
        return 0;
    return std::clamp(kMaxListEntries - std::max(present, 0), 0, adding);
}

bool SilentPass::trackPlayed(double positionAtEnd, std::int64_t playingMs)
{
    return positionAtEnd > 0.0 || playingMs >= 1000;
}

bool SilentPass::trackEnded(bool played, int listCount)
{
    if (played) {
        silentEnds_ = 0;
        return false;
    }
    if (++silentEnds_ < std::max(listCount, 1))
        return false;
    silentEnds_ = 0;
    return true;
}

QStringList expandAddedPaths(const QStringList& paths)
{
    QStringList out;
    for (const QString& path : paths) {
        if (isListFileName(path))
            out += importListFile(path);
        else
            out.append(path);
    }
    return out;
}

namespace {

AddResult appendFitting(PlaylistState& s, const QStringList& newEntries)
{
    AddResult r;
    r.added = entriesThatFit(s.count(), int(newEntries.size()));
    r.refused = int(newEntries.size()) - r.added;
    s.entries += newEntries.mid(0, r.added);
    return r;
}

} // namespace

AddResult addEntries(PlaylistState& s, const QStringList& newEntries)
{
    AddResult r = appendFitting(s, newEntries);
    if (s.count() == 1) {
        s.select(0);
        s.currentIndex = 0;
        r.loadFirst = true;
    }
    s.marks.resize(s.count());
    return r;
}

AddResult applyImport(PlaylistState& s, bool clearFirst, const QStringList& imported)
{
    if (clearFirst && s.count() > 0) {
        s.entries.clear();
        s.selected = -1;
        s.currentIndex = -1;
        s.marks.setLastPlayedPos(0);
    }
    AddResult r = appendFitting(s, imported);
    if (s.count() > 0 && s.currentIndex < 0) {
        s.select(0);
        s.currentIndex = 0;
    }
    if (s.count() == 1) {
        s.select(0);
        s.currentIndex = 0;
        r.loadFirst = true;
    }
    if (s.count() > 0)
        s.marks.reset(s.count());
    return r;
}

// ---- Deleting --------------------------------------------------------------

bool deleteSelectedEntry(PlaylistState& s, bool confirmed, const QString& dataDir)
{
    bool fileOk = true;
    const int i = s.selected;
    if (i >= 0 && i < s.count() && confirmed) {
        if (s.currentIndex >= i)
            s.currentIndex = std::max(s.currentIndex - 1, 0);
        s.entries.removeAt(i);
        s.selected = -1;
        if (s.count() > 0) {
            s.currentIndex = std::min(s.currentIndex, std::int32_t(s.count() - 1));
            s.select(s.currentIndex);
        }
        // Only a deletion the user confirmed touches the file, so pressing
        // delete on an empty list never removes a saved list.
        if (!dataDir.isEmpty())
            fileOk = rewriteListAfterDelete(dataDir, s.entries);
    }
    if (s.count() > 0 && s.currentIndex < 0) {
        s.select(0);
        s.currentIndex = 0;
    }
    if (s.count() > 0)
        s.marks.reset(s.count());
    s.marks.setLastPlayedPos(0);
    return fileOk;
}

bool deleteAllEntries(PlaylistState& s, bool confirmed, const QString& dataDir)
{
    bool fileOk = true;
    if (s.count() > 0 && confirmed) {
        if (!dataDir.isEmpty())
            fileOk = removeListFile(dataDir);
        s.entries.clear();
        s.selected = -1;
        s.currentIndex = -1;
    }
    s.marks.setLastPlayedPos(0);
    return fileOk;
}

bool pressLoadsSelection(int playState, int listCount, int selected)
{
    return (playState == 0 || playState == 6) && listCount > 0 && selected >= 0 && selected < listCount;
}

QString listToolTip(const QString& selectedEntry, bool anySelected)
{
    return QStringLiteral("当前列表选中曲目【") + (anySelected ? selectedEntry : QStringLiteral("未选择"))
           + QStringLiteral("】");
}

} // namespace melodune
