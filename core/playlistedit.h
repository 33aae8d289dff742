#pragma once
// The playlist's editing rules and its random order, apart from the list box.
//
// `PlaylistState` mirrors the list box: its entries, its selection, the index
// of the loaded track and the random-order marks. The window applies an
// operation here, then shows the entries and the selection without raising
// its click handler again (`select` already did the click's work).
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace melodune {

// The random-order bookkeeping: one mark per entry (1 = played in this
// cycle), possibly missing or shorter than the list, and the 1-based position
// of the entry marked last (0 = none).
class PlayedMarks {
public:
    // Re-created all zero for `count` entries (missing when count is 0).
    void reset(int count);
    // Grown or shrunk to `count` entries, present marks kept, new ones 0.
    void resize(int count);
    void discard() { marks_.reset(); }

    bool present() const { return marks_.has_value(); }
    int size() const { return marks_ ? int(marks_->size()) : 0; }
    bool isMarked(int index) const;
    void mark(int index);

    std::int32_t lastPlayedPos() const { return lastPlayedPos_; }
    void setLastPlayedPos(std::int32_t pos) { lastPlayedPos_ = pos; }

    // The list's click: marks the selected entry, rebuilding marks that are
    // missing or too short (keeping the mark of the entry played last when
    // the list has more than one entry). Nothing happens for index -1.
    void onSelect(int index, int listCount);

private:
    std::optional<std::vector<std::int32_t>> marks_;
    std::int32_t lastPlayedPos_ = 0;
};

// A uniform random number in [0, 1) for each call.
using RandomSource = std::function<double()>;

// The next entry in random order without repeats; -1 for an empty list. The
// marks are rebuilt when a cycle is complete or they do not cover the list;
// the first pick of a new cycle is never the entry played last (when there
// are at least two entries), and every entry is played once in each cycle.
// The caller selects the result, which marks it.
int pickRandomTrack(PlayedMarks& marks, int listCount, const RandomSource& random01);

// The stepping commands: the entry to select. `listIndex` is the selection,
// `currentIndex` the loaded track. Next and previous step only when the
// selection is the loaded track; otherwise the selection is kept.
int chooseNextTrack(int listIndex, std::int32_t currentIndex, int listCount, bool randomPlay,
                    PlayedMarks& marks, const RandomSource& random01);
int choosePreviousTrack(int listIndex, std::int32_t currentIndex, int listCount, bool randomPlay,
                        PlayedMarks& marks, const RandomSource& random01);
int chooseListDown(int listIndex, int listCount, bool randomPlay, PlayedMarks& marks, const RandomSource& random01);
int chooseListUp(int listIndex, int listCount, bool randomPlay, PlayedMarks& marks, const RandomSource& random01);

// Ends of tracks that played for no time (an empty file, a stream that ends
// as soon as it opens), counted in a row. The end of the stream goes on to
// the next entry until a whole pass over the list has ended this way; then it
// stops, so such a list is not loaded file after file without pause.
class SilentPass {
public:
    // A track has played when its position had moved at its end, or when it
    // had been playing for a second at least (a stream that breaks off leaves
    // no position to read). `playingMs` < 0: it never reached playing.
    static bool trackPlayed(double positionAtEnd, std::int64_t playingMs);
    // Counts one end of a track; true when the list stops here (the count
    // starts again for the next pass).
    bool trackEnded(bool played, int listCount);
    // A command of the user starts a new pass.
    void reset() { silentEnds_ = 0; }
    int silentEnds() const { return silentEnds_; }

private:
    int silentEnds_ = 0;
};

struct PlaylistState {
    QStringList entries;
    int selected = -1;               // the list box's selection
    std::int32_t currentIndex = -1;  // the loaded track
    PlayedMarks marks;

    int count() const { return int(entries.size()); }
    // Sets the selection and does the click's marking.
    void select(int index);
};

// What a dropped file is.
enum class DropKind {
    None,        // no file in the dropped data
    ListFile,    // .mdu / .m3u: the import command (which asks first)
    MediaFile,   // one of the accepted extensions: the add command (which asks first)
    Unsupported, // show the drop message, add nothing
};
DropKind classifyDroppedPath(const QString& path);

// How many of `adding` new entries fit into a list holding `present`.
int entriesThatFit(int present, int adding);

// Expands the add dialog's chosen files in their order: a list file gives its
// entries in its place, any other path is itself.
QStringList expandAddedPaths(const QStringList& paths);

struct AddResult {
    int added = 0;
    int refused = 0;        // beyond the list's capacity; the caller says so
    bool loadFirst = false; // the list holds exactly one entry: selected, load it without playing
};

// The add commands (files, a network address): appends what fits, grows the
// marks keeping them, and selects the only entry of a list of one.
AddResult addEntries(PlaylistState& s, const QStringList& newEntries);

// The import command after its questions: `clearFirst` is the Yes to the
// clearing question (asked only for a non-empty list). Read the file first
// and call this only when it could be read, so a failed read loses nothing.
AddResult applyImport(PlaylistState& s, bool clearFirst, const QStringList& imported);

// The delete command. `confirmed` is the Yes to the question (asked only
// when an entry is selected). Rewrites or removes `dataDir`/List.mdu (an
// empty `dataDir` leaves every file alone). Returns false when the list file could not be written or removed.
bool deleteSelectedEntry(PlaylistState& s, bool confirmed, const QString& dataDir);

// The delete-all command. Removes List.mdu on Yes (not for an empty
// `dataDir`); returns false when it could not be removed.
bool deleteAllEntries(PlaylistState& s, bool confirmed, const QString& dataDir);

// A press on the list loads the selected entry only while nothing plays or
// is paused (play state 0 stopped, 6 closed) and an entry is selected.
bool pressLoadsSelection(int playState, int listCount, int selected);

// The list's tooltip for the selected entry (empty text when none).
QString listToolTip(const QString& selectedEntry, bool anySelected);

} // namespace melodune
