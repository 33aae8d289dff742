#pragma once
// The lyric loader's plain logic: where a track's lyric file is, adopting the
// one beside the song, reading it into the lyric box, the status notices,
// the no-lyrics placeholder file, the 50 ms offset steps and the editor's
// "[offset:" line.
#include "lyrics/lrcparser.h"
#include "lyrics/lyricstyle.h"
#include "platform/regularfile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QObject;

namespace melodune {

class RichTextModel;
struct LyricState;

// ---- Files

// DataDir/LRCS/<mangled track name>.lrc.
QString lyricFilePath(const QString& dataDir, const QString& currentFile);

// The LRC file beside the song: the extension replaced by "lrc"
// (/a/song.mp3 -> /a/song.lrc). A file without extension (currentExt
// "未知") gets ".lrc" added. Empty for stream addresses ("://") and an empty
// path: they have nothing beside them.
QString sideCarLyricPath(const QString& currentFile, const QString& currentExt);

enum class LyricLookup {
    Found,   // the file in LRCS exists
    Adopted, // it did not; the side-car file was copied there
    Missing, // neither
    TooLarge, // the side-car file is longer than any lyric: not copied
};
// Finds the track's lyric file, adopting the side-car file when LRCS has
// none. A failed copy counts as missing. `path` gets the LRCS path, or the
// side-car's when it is TooLarge (the notice names the file the user has).
LyricLookup findTrackLyricFile(const QString& dataDir, const QString& currentFile, const QString& currentExt,
                               QString* path);

// Reads and decodes a lyric file (code page 936 or UTF-8) and normalises it
// (normaliseLyricText). Empty when it cannot be read: `error` (may be null)
// tells a file longer than kMaxLyricBytes (TooLarge) from the rest.
std::optional<QString> readLyricText(const QString& path, rt::FileReadError* error = nullptr);

// Lyric text longer than this is read and parsed on a thread of its own
// while the window's events run (real LRC files are far shorter).
inline constexpr qint64 kLyricParseAsideBytes = 128 * 1024;

// Reads and parses a lyric file (readLyricText, then parseLrc) and hands the
// result to `done`: empty when it cannot be read, with the reason. A short
// file's `done` runs before this returns (as does that of a file over the
// cap, refused unread); a long one is worked on aside
// (rt::runAside) and its `done` runs later from `context`'s event loop,
// after other handlers may have run (not at all when `context` has gone).
using LyricFileParsed = std::function<void(std::optional<LrcParseResult> parsed, rt::FileReadError error)>;
void readAndParseLyricFile(const QString& path, QObject* context, LyricFileParsed done);

// parseLrc, aside for a long text as readAndParseLyricFile does.
void parseLrcAside(const QString& normalisedText, QObject* context, std::function<void(LrcParseResult parsed)> done);

// Fills the box from a normalised text: the three parser passes (the text
// unparsed when they fail), then the lyric colours. Sets the offset and
// clears the highlight.
void showLyricText(const QString& normalisedText, RichTextModel& box, LyricState& state,
                   const LyricBoxStyle& style);

// The lyrics window's copy of the main box: same text, size 32, the tag and
// text colours, the main box's back colour.
void mirrorLyricBox(const RichTextModel& main, RichTextModel& target, rt::PackedColor tagColor,
                    rt::PackedColor textColor);

// ---- Notices (shown with styleLyricNotice)

// "当前曲目“<file>”" CR LF "查找歌词文件 … " and the same with "[无]" after.
QString lyricSearchingNotice(const QString& currentFile);
QString lyricNotFoundNotice(const QString& currentFile);
// "歌词文件“<path>”已经被删除！"
QString lyricDeletedNotice(const QString& lyricPath);
// "歌词文件“<path>”太大（超过 1 MB），没有载入。"
QString lyricTooLargeNotice(const QString& lyricPath);
// Puts a notice into the box in the notice style.
void showLyricNotice(RichTextModel& box, const QString& notice);

// ---- The no-lyrics mark

// Used when the user gives no note.
QString defaultNoLyricsNote();
// "[0:0]" note CR LF "［如果想使用歌词，请重新查找或修改］" CR LF in code page 936;
// square brackets of the note made full-width, so it holds one time tag only.
QByteArray noLyricsStub(const QString& note);
// The note the mark offers first: the title, or the path when the title is
// blank.
QString noLyricsDefaultNote(const QString& currentTitle, const QString& currentFile);

// ---- Offset

constexpr std::int32_t LrcOffsetStep = 50;
constexpr std::int32_t LrcOffsetBound = 600000;
// One step up while below +600000, one step down while above -600000 (so a
// value off the 50 grid may end up to 49 beyond the bound).
std::int32_t offsetStepUp(std::int32_t offset);
std::int32_t offsetStepDown(std::int32_t offset);

// "[offset:<n>]"
QString offsetTagLine(std::int32_t offset);

// The editor's text kept in line with the offset: the first "[offset:" tag
// (case-sensitive) with a numeric value other than `offset` is rewritten,
// every identical tag with it; with no tag and a non-zero offset, the tag
// line is put on top, ended by `lineBreak`. `caret` is where the tag's "]"
// now stands (0-based).
// Empty when nothing changes: the tag already says it, its value is no
// number (or does not fit 32 bits), or there is no tag and the offset is 0.
struct OffsetRewrite {
    QString text;
    int caret = 0;
};
std::optional<OffsetRewrite> rewriteOffsetTag(const QString& text, std::int32_t offset,
                                              const QString& lineBreak = QStringLiteral("\r\n"));

// ---- The editor's text

// The editor holds the file's text as it is, line ends included: the loader
// reads LF and CR LF apart (a CR LF header line shows with a blank line
// after it), so a save that changed the ends of lines the user left alone
// would move the lines of the view.

// The line break the text uses most: CR LF, LF or a lone CR (CR CR LF
// counts as both CR LF and a lone CR); CR LF when it has none or in a tie.
QString dominantLineBreak(QStringView text);

// The edit box shows the text with one "\n" per line break as the lyric box
// counts them (CR LF, a lone CR, a lone LF). Its new text `edited` goes back
// into the file's form: every line keeps the break of the line of `before`
// in its place (the same lines at the start and at the end, the changed
// ones between them in order); lines the user added end with `lineBreak`.
QString mergeEditedLines(QStringView before, QStringView edited, const QString& lineBreak);

} // namespace melodune
