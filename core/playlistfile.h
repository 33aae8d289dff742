#pragma once
// The playlist's list file form: List.mdu in the data folder, exported lists,
// and .m3u lists read by the same reader.
//
// One item a line, each written as `"text"` CR LF with no escaping, in the
// legacy 8-bit encoding (UTF-8 lists from elsewhere are read too; an .m3u8
// list is UTF-8). An optional
// first line `">n"` holds the index of the loaded track. Reading drops every
// double quote, skips empty lines and lines beginning with "#" (the .m3u
// comments); lines beginning with ">" carry the index. Lines end at CR LF, CR
// or LF.
#include "platform/legacytext.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace melodune {

// The playlist box counts its entries in a signed 16-bit value.
inline constexpr int kMaxListEntries = 32767;

enum class ListReadStatus {
    Ok,
    Missing,    // no such file: an empty list, not an error
    Unreadable, // exists but cannot be read
    NotText,    // no list: NUL bytes, bytes of neither encoding, or no line
                // that reads as a path or address (a media file, say)
};

struct PlaylistRead {
    QStringList entries;
    // The value of the last numeric ">" line; none when there was none.
    std::optional<std::int32_t> currentIndex;
    ListReadStatus status = ListReadStatus::Ok;
    // Entries the file holds beyond those read: past the reader's bound, or
    // lines too long to be any path or address.
    int moreEntries = 0;
};

// A line longer than this is no entry: it is counted in moreEntries.
inline constexpr int kMaxListLineBytes = 64 * 1024;

// The file name of the list in the data folder.
QString listFilePath(const QString& dataDir);

// ">" followed by the index in decimal ("-" when negative), unquoted.
QString currentIndexLine(std::int32_t index);

// "曲目列表(共n首)".
QString listCountCaption(int count);

// The index clamped into 0..count-1; unchanged when the list is empty.
std::int32_t clampCurrentIndex(std::int32_t index, int count);

// True when the name ends, in any case, in ".mdu", ".m3u" or ".m3u8".
bool isListFileName(const QString& path);

// Why the list file cannot keep an entry as it is, so that it would name
// something else once read back (None: it can).
enum class EntryProblem {
    None,
    LineBreak,   // a line end splits it into two entries
    DoubleQuote, // every double quote is dropped on reading
    LeadingMark, // a line beginning with "#" or ">" is no entry
    NotUtf8,     // a local name whose bytes were no UTF-8: it names no file
    TooLong,     // beyond the list's line limit
};
EntryProblem listEntryProblem(const QString& entry);
// The reason in the program's words: "文件名中含有换行符" etc.
QString entryProblemText(EntryProblem problem);
// The entry in one line for a message (line ends shown as "↵").
QString entryForMessage(const QString& entry);

// Reads list text (already decoded). A ">" line whose rest (after removing
// every ">") is not a number that fits 32 bits is ignored.
PlaylistRead parsePlaylistText(const QString& text);

// The encoding list bytes are read in: the legacy text rule, except that
// when both readings are possible the one with more entries on disk wins
// (relative entries taken from `listFolder`).
rt::LegacyEncoding listEncoding(const QByteArray& bytes, const QString& listFolder);

// Reads and decodes a list file (List.mdu, an export or an .m3u list): a
// regular file only (anything else is Unreadable), as a stream that keeps
// the first `maxEntries` entries (-1: all) and only counts the rest. A file
// that is no text list is NotText, with no entries.
PlaylistRead readPlaylistFile(const QString& path, int maxEntries = -1);

// The entries of a list or .m3u file for appending to the playlist, relative
// paths resolved against the list's folder; an empty path or a file that
// cannot be read gives none. `status` may be null.
QStringList importListFile(const QString& path, ListReadStatus* status = nullptr);

// An entry of the list file `listPath` as the playlist keeps it: a relative
// path names a file beside the list, so it becomes absolute against the
// list's folder (the media player would look for it in the program's working
// folder). Addresses ("://"), absolute paths and drive-letter paths of lists
// made on other systems stay as written.
QString resolveListEntry(const QString& entry, const QString& listPath);
QStringList resolveListEntries(const QStringList& entries, const QString& listPath);

// The encoded file: the index line first when `currentIndex` is given, then
// one line per entry.
QByteArray playlistFileText(const QStringList& entries, std::optional<std::int32_t> currentIndex);

// Replaces the file with that text in one step; on failure the old file is
// untouched. `error` may be null.
bool writePlaylistFile(const QString& path, const QStringList& entries,
                       std::optional<std::int32_t> currentIndex, QString* error = nullptr);

// Adds one quoted line at the end of the file (created when missing). A file
// read as UTF-8 is first converted as a whole, so the file stays in GB18030.
// A file that exists but cannot be read, or whose conversion would lose
// anything, is left alone and false returned.
bool appendPlaylistLine(const QString& path, const QString& entry, QString* error = nullptr);

// The save at shut-down: List.mdu with the index line. An empty list writes
// nothing and leaves the file as it is (true). `error` may be null.
bool saveListAtShutdown(const QString& dataDir, const QStringList& entries, std::int32_t currentIndex,
                        QString* error = nullptr);

// The rewrite after a deletion: List.mdu without the index line; an empty
// list removes the file.
bool rewriteListAfterDelete(const QString& dataDir, const QStringList& entries);

// Removes List.mdu for a list emptied by the user; true when it is gone.
bool removeListFile(const QString& dataDir);

// The export dialog's proposed name: "播放列表 - yyMMddHHmmss".
QString defaultExportName(const QDateTime& when);

// The file an export goes to: every ".mdu" (case-sensitive) removed from the
// chosen file name (not from the folders above it), then ".mdu" appended.
QString exportFileName(const QString& chosenPath);

// Writes an export with the index line. False when the file could not be
// written completely (the caller reports "导出列表失败!", else "导出列表成功!").
bool exportPlaylist(const QString& chosenPath, const QStringList& entries, std::int32_t currentIndex,
                    QString* error = nullptr);

} // namespace melodune
