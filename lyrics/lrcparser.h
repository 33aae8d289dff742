#pragma once
// LRC lyrics to the text of the lyric box: header tags become label lines,
// time tags become "[seconds]" tags, tags without text borrow the text of the
// next tagged line, and the tagged lines are sorted by time.
//
// The result lines have the form "[" seconds "]" text CR LF, seconds written
// with rt::numberText and ".0" added when it has no point (0 -> "0.0",
// 65.1 -> "65.1"); ascending time, equal times in reverse file order.
//
// The passes run in linear time (the sort in n log n), so files of many
// thousands of lines load at once.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace melodune {

class RichTextModel;
struct LyricState;

// Real LRC files are well under 100 KB: a file or a service reply longer
// than this is not read as lyrics (nor kept).
inline constexpr qint64 kMaxLyricBytes = qint64(1) << 20;

// The loader's preparation of a decoded lyric file: the word stamps of
// enhanced LRC ("<00:12.46>") dropped with the blank they would double,
// LF -> CR LF (so CR LF becomes CR CR LF), "]" CR -> "] " CR, "][" -> "]"
// CR LF "[", CR LF before and after the text, the upper-case header keys ([TI: [AR: [AL: [BY:
// [OFFSET: [KEY: [T_TIME:) to lower case, "·" -> ".".
QString normaliseLyricText(const QString& decoded);

// Pass 1: header tags to labels, time tags to "[seconds]". Every time tag it
// converts is counted; afterwards every ASCII "[" ... "]" pair after the
// first ASCII "[" is one of them.
struct LrcTagPassResult {
    QString text;
    std::int32_t offset = 0; // the "[offset:" value nearest the top, 0 when none
    int tagCount = 0;
};
LrcTagPassResult parseLrcTags(const QString& lrcText);

// Pass 2: a tag with empty text takes the text of the next tagged line
// (below it). Empty when the copied text would pass a sanity bound of some
// 32 million characters (only crafted files get there).
std::optional<QString> splitMultiTimeTags(const QString& text);

// Pass 3: the tagged lines sorted by time replace the stretch from the first
// "[" through the line of the last "["; the text before (labels) and after
// stays, untagged lines in between are dropped. Empty when there is no
// tagged line (or past the same bound as pass 2).
std::optional<QString> sortLrcLines(const QString& text);

// The three passes.
struct LrcParseResult {
    // What the box shows: the sorted text, or, when the lyrics hold no time
    // tag (parsed false), the input unchanged.
    QString text;
    bool parsed = false;
    std::int32_t offset = 0; // set by pass 1 also when not parsed
    int tagCount = 0;
};
LrcParseResult parseLrc(const QString& normalisedText);

// Puts a result into the box and the shared state: the box text, the offset,
// and nothing highlighted. The caller styles the box afterwards
// (styleLyricBox).
void applyLrcResult(const LrcParseResult& result, RichTextModel& box, LyricState& state);

} // namespace melodune
