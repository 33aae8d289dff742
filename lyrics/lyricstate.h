#pragma once
// The lyric values that the parser sets and the lyric tick, the offset
// commands and the lyrics window read. The main window owns one instance.
#include <cstdint>

namespace melodune {

struct LyricState {
    // LrcOffset: milliseconds added to the playback position, signed. Set from
    // the first "[offset:" tag of the lyric file (0 when none); the offset
    // commands step it by 50.
    std::int32_t offset = 0;
    // LrcHighlightStart: 1-based position in the lyric box text of the first
    // character after the "]" of the highlighted line; 0 when none.
    std::int32_t highlightStart = 0;
    // LrcHighlightLength: characters of the highlighted lyric text; 0 when none.
    std::int32_t highlightLength = 0;

    // A new lyric text has nothing highlighted.
    void clearHighlight() { highlightStart = 0, highlightLength = 0; }
};

} // namespace melodune
