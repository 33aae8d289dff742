#pragma once
// The command line at start and the start-up step that reads the playlist.
//
// A command line naming a list file (.mdu/.m3u/.m3u8, any case) is read as
// the list; "/a " followed by a path appends that path to List.mdu; any other
// text replaces List.mdu by that one entry. The marker "禁用", left by the
// in-process reload, makes the next start ignore the command line once.
//
// A command line that cannot name one file (longer than a path or a list
// line can be, a name the list cannot keep, a list file that is no text) is
// refused before it changes anything: the saved list is read as it is.
#include "core/playlistfile.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace melodune {

// Marker stored in the command-line variable by the reload after an error.
inline const QString kCommandLineSuppressed = QStringLiteral("禁用");

// The process arguments (without the program name) as one command line.
QString commandLineFromArguments(const QStringList& args);

// The longest path the system opens, in bytes.
inline constexpr int kMaxPathBytes = 4095;

enum class CommandLineRefusal {
    None,
    TooLong,      // longer than a path (an address: than a list line)
    EntryProblem, // a name the list file cannot keep (see `entryProblem`)
    NotAList,     // the named list file is no text list
};

enum class CommandLineAction {
    None,          // read List.mdu as it is
    ReadListFile,  // read the named list file (relative entries resolved
                   // against its folder); List.mdu untouched
    AppendToList,  // append `entry` to List.mdu, then read it
    ReplaceList,   // replace List.mdu by `entry` alone, then read it
};

struct StartupListPlan {
    // The new value of the command-line variable.
    QString commandLine;
    CommandLineAction action = CommandLineAction::None;
    QString entry;       // for AppendToList and ReplaceList; an existing
                         // file named by a relative path made absolute
    QString listToRead;  // the file step 3 reads
    bool currentIndexToZero = false;
    // Refused: the action is None and List.mdu is read.
    CommandLineRefusal refusal = CommandLineRefusal::None;
    EntryProblem entryProblem = EntryProblem::None;
    QString refusedName;     // the file or list the command line named
    qsizetype refusedBytes = 0; // its length, for TooLong
};

// Decides what the start-up step does. `storedCommandLine` is the variable as
// the previous load left it, `processCommandLine` the text the program was
// started with.
StartupListPlan planStartupList(const QString& storedCommandLine, const QString& processCommandLine,
                                const QString& dataDir);

struct StartupListResult {
    QString commandLine;           // store back into the command-line variable
    QStringList entries;           // the playlist
    std::int32_t currentIndex = -1;
    int selectIndex = -1;          // the entry to select (raises the click); -1 none
    bool demoAdded = false;        // the caller pauses 500 ms
    int droppedEntries = 0;        // entries beyond the playlist's capacity, not loaded
    QString listRead;              // the list file read
    ListReadStatus readStatus = ListReadStatus::Ok;
    bool listWriteFailed = false;  // the command line could not be stored in List.mdu
    bool entryListed = true;       // ... its entry is in `entries` all the same (false: list full)
    // A List.mdu that could not be read is moved aside, so the save at exit
    // cannot replace what it holds: its new name, or empty when it could not
    // be moved (then keepListFile: the exit must not write List.mdu).
    QString listSetAsideAs;
    bool keepListFile = false;
    // List.mdu held more than the playlist takes: a copy of it, whole, under
    // this name beside it (empty when none was needed or it could not be
    // written; then keepListFile).
    QString fullListKeptAs;
    // The "/a" entry, when it lies beyond what was loaded.
    QString appendedEntryDropped;
    // A command line refused before it changed anything (List.mdu was read).
    CommandLineRefusal commandLineRefused = CommandLineRefusal::None;
    EntryProblem entryProblem = EntryProblem::None;
    QString refusedName;
    qsizetype refusedBytes = 0;
};

// Runs the whole start-up list step: applies the plan's write, reads the
// list, takes its index line, clamps the index, and falls back to the demo
// clip (`dataDir`/demo.wmv, appended to List.mdu) for an empty list.
// `currentIndex` is the value from the settings file. The caller fills the
// list box, re-creates the random-order marks for the entry count, selects
// `selectIndex` and sets the caption.
StartupListResult runStartupListStep(const QString& storedCommandLine, const QString& processCommandLine,
                                     const QString& dataDir, std::int32_t currentIndex);

} // namespace melodune
