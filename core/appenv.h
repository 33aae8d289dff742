#pragma once
// Process-wide start values of the main window: where the program's data
// lives, the second-instance rule, and the small facts read at every start.
#include <QString>
#include <QStringList>
#include <array>
#include <memory>


namespace melodune {

// The program's data folder: the program's own folder when it is writable (a
// portable install, which a build tree is); otherwise the per-user data folder
// ($XDG_DATA_HOME/melodune or ~/.local/share/melodune), seeded from the
// program's folder with the shipped data, and the first time also with the
// user's own files there (adoptUserFiles), so the program starts where it
// left off. That first time `notice` (may be null) gets the text that tells
// the user where the data is kept from now on. MELODUNE_DATA_DIR names
// another folder (tests).
QString resolveDataDir(const QString& programDir, QString* notice = nullptr);

// Copies the settings, lists, lyrics and pictures of a (read-only) program
// folder into `dataDir` where they are missing there. Returns whether the
// program folder held any of them.
bool adoptUserFiles(const QString& programDir, const QString& dataDir);

// Copies the shipped data folders and pictures from `programDir` into
// `dataDir` where they are missing there. Existing files are never replaced.
void seedDataDir(const QString& programDir, const QString& dataDir);

// On this platform no version table applies, so the name is "Failed".
QString GetWindowsVersion();

// What a new process does when another instance is already running.
enum class SecondInstance { Continue, EndSilently, EndWithMessage };
SecondInstance secondInstanceRule(bool anotherRunning, const QString& commandLine);

// Held for the life of the process; tells later processes that one runs.
// Every running instance holds a shared lock on one file; a new process that
// cannot take it exclusively knows another instance runs. The kernel drops the
// lock with the process, so a crash leaves nothing stale.
class InstanceLock {
public:
    explicit InstanceLock(const QString& lockPath);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // True when no other instance held the lock when this one started.
    bool acquired() const { return acquired_; }
    static QString defaultPath();

private:
    int fd_ = -1;
    bool acquired_ = false;
};

// The command line as one text: the process arguments joined by blanks.
QString commandLineText(const QStringList& argsWithoutProgram);

// The caption: title, a blank, major.minor.revision as plain whole numbers.
QString versionCaption(const QString& title, int major, int minor, int revision);

// List.txt becomes List.mdu when only the older name exists.
void renameOldListFile(const QString& dataDir);

// Names of the plain, non-hidden files of dataDir/bkground in directory order.
QStringList backgroundFiles(const QString& dataDir);

struct SharedState;
// BkgroundFiles and BkgroundCount anew from the folder; the list ends with an
// empty entry, as the loop that read the folder left it.
void rebuildBackgroundList(SharedState& sh);
// A background picture's path chosen at random from the list; empty when it
// has none.
QString randomBackgroundPath(const SharedState& sh);

// The computer's name: at most 255 characters, NULs removed, blanks trimmed.
QString computerName();

// Deletes every file in dataDir/TEMP; the folder stays.
void emptyTempFolder(const QString& dataDir);

// Creates LRCS, PICS and TEMP below dataDir.
void createDataFolders(const QString& dataDir);

// 512 values of sin(i * 3.1416 / 256).
std::array<float, 512> buildSineTable();

} // namespace melodune
