#pragma once
// The looks of the lyric box: the lyric colours after a load, and the grey
// notice style of the status texts.
#include "platform/units.h"

#include <QString>
#include <vector>

namespace melodune {

class RichTextModel;
struct SettingsRecord;

struct LyricBoxStyle {
    rt::PackedColor backColor = 0;  // LrcBackColor
    rt::PackedColor tagColor = 0;   // LrcTagColor: the whole text first
    rt::PackedColor textColor = 0;  // LrcTextColor: the text after each line's first "]"
    QString fontName;               // LrcFontName
    int fontSize = 10;              // LrcFontSize
    bool bold = false;              // LrcFontBold
};

// The lyric looks the settings hold.
LyricBoxStyle lyricBoxStyle(const SettingsRecord& s);

// A 0-based stretch of the box text.
struct TextSpan {
    int start = 0;
    int length = 0;
    bool operator==(const TextSpan&) const = default;
};

// The lyric text of each line: from the character after the line's first "]"
// through the CR that ends the line (to the end of the text when no CR
// follows). Lines without "]" have none.
std::vector<TextSpan> lyricTextSpans(const QString& text);

// Colours every lyricTextSpans stretch of the box.
void colourLyricSpans(RichTextModel& box, rt::PackedColor textColor);

// After a load: back colour, font name, and for the whole text the size,
// bold and the tag colour; then the lyric text spans in the text colour;
// caret to 0.
void styleLyricBox(RichTextModel& box, const LyricBoxStyle& style);

// The notice style: button-face back colour, "宋体", size 9, not bold,
// dark grey (64, 64, 64) over the whole text.
constexpr rt::PackedColor NoticeTextColor = rt::rgb(64, 64, 64);
constexpr int NoticeFontSize = 9;
void styleLyricNotice(RichTextModel& box);

} // namespace melodune
