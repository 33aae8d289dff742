#pragma once
// The arithmetic of the lyric tick, apart from the window: the time key of
// the lyric clock, the search for the line stamped with it, the marquee
// parameters of the line, and the move of the highlight colour in the box.
//
// The lyric text has the LyricLine form (lrcparser.h): "[" seconds "]" text
// CR LF per line. Texts that are not in that form (notices) give no hit, and
// nothing here reads or writes outside the box text.
#include "platform/units.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace melodune {

class RichTextModel;

// The clock's number text up to and including the first digit after its
// point; ".0" appended when it has no point. 12.34 -> "12.3", 12 -> "12.0",
// -0.35 -> "-0.3". Built from the number text (15 significant digits), so a
// clock of 12.3 that floating point holds as 12.29999999999999 still gives
// "12.3".
QString lyricTimeKey(double clock);

// The time keys that a tick which came late has passed over: those after
// `previousKey` (the key of the tick before) and before `key`, newest first,
// and only those of the last second, so that a seek lights no old line.
// None when the clock went back, stood still or is negative.
QStringList passedTimeKeys(const QString& previousKey, const QString& key);

// Label1's text: the first 7 characters of the clock's number text.
QString lyricClockLabel(double clock);

// The line hit by a time key: the first "[" followed by the key, taken only
// when a "]" closes its stamp before the line ends.
struct LyricLineHit {
    int tagStart = 0;   // 0-based position of the "["
    int textStart = 0;  // 0-based position of the first character after the "]"
    QString time;       // the stamp between "[" and "]" (LrcCurTime)
    QString text;       // the lyric text up to, not including, the CR
    QString nextTime = QStringLiteral("0"); // the next line's stamp; "0" when none
    QString nextText;   // the next line's lyric text; empty when none
    // 1-based start and length, as LrcHighlightStart / LrcHighlightLength.
    int highlightStart1() const { return textStart + 1; }
    int highlightLength() const { return int(text.size()); }
};
std::optional<LyricLineHit> findLyricLine(const QString& boxText, const QString& timeKey);

// True when a stamp is made only of "0" and "." (a line at time zero).
bool isZeroStamp(const QString& time);

// The line being sung at a time key, as the tick leaves it when it has hit
// every line on time: the first line stamped with the latest tenth the key
// has reached, and the text of the line hit before it (empty for the first
// line and for a line at time zero). None before the first line, for a
// negative key and for a text without lyric lines. A view that was not
// drawn while the lines passed (full-screen video, a pause) takes its
// current line from here.
struct SungLine {
    LyricLineHit line;
    QString previousText;
};
std::optional<SungLine> sungLineAt(const QString& boxText, const QString& timeKey);

struct MarqueeParams {
    int x = 10;
    int step = 1;
    int width = 100;
    bool operator==(const MarqueeParams&) const = default;
};
// The marquee's start, step per frame and width (pixels of the 100 by 75
// surface) for the current line lasting from curTime to nextTime.
MarqueeParams marqueeFor(const QString& curLine, const QString& curTime, const QString& nextTime);

// Moves the highlight colour in one box: the old range (1-based start as
// LrcHighlightStart; 0 = none) back to the text colour, then the new range
// into the highlight colour. A range that does not lie inside the box text
// (the box was refilled since) is left alone.
void moveLyricHighlight(RichTextModel& box, int oldStart1, int oldLength, int newStart1, int newLength,
                        rt::PackedColor textColor, rt::PackedColor highlightColor);

// After a hit: the highlighted line (1-based start as LrcHighlightStart)
// and the lines after it in view. The tick's one-line scroll per hit keeps
// the sung line on the row where the first lyric line stands after its own
// hit; when a seek (or the user's scrolling) has put it above the box or
// below its middle, it goes back to that row, never lower than the middle.
// Does nothing while the box's height is unknown.
void keepSungLineInView(RichTextModel& box, int highlightStart1);

} // namespace melodune
