#pragma once
// The arithmetic of the lyric tick, apart from the window: the time key of
// the lyric clock, the index of the lines' stamps that finds the line
// stamped with it, the marquee parameters of the line, and the move of the
// highlight colour in the box.
//
// The lyric text has the LyricLine form (lrcparser.h): "[" seconds "]" text
// CR LF per line. Texts that are not in that form (notices) give no hit, and
// nothing here reads or writes outside the box text.
#include "platform/units.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

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

// A line of the box text, as the tick takes it.
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
    bool operator==(const LyricLineHit&) const = default;
};

// The line whose stamp opens with the "[" at `tagStart` (0-based), taken
// only when a "]" closes the stamp before the line ends.
std::optional<LyricLineHit> lyricLineAt(const QString& boxText, int tagStart);

// The box text's stamps by time key, so that a tick finds its line by a
// binary search instead of a pass over the whole text. A key hits the first
// "[" in the text that is followed by it (a stamp of 12.35 is hit by 12.3),
// and that line only when lyricLineAt takes it.
//
// Keys have lyricTimeKey's form: an optional "-", digits, ".", one digit.
// After a "[" the text holds at most one such key (its digits run up to the
// point), so every "[" is filed under the key that follows it, if any.
class LyricTimeIndex {
public:
    // Indexes `boxText` unless it is the text indexed last. Call it with the
    // box's text before each look-up: whatever changed the box, the index
    // follows it.
    void follow(const QString& boxText);
    std::optional<LyricLineHit> find(QStringView timeKey) const;

private:
    struct Stamp {
        int tagStart;  // the "["
        int keyLength; // characters of the key after it
    };
    QStringView keyOf(const Stamp& s) const;

    // Held, so that its characters cannot change or go while the index
    // refers to them: a box text with the same characters at the same place
    // is this text.
    QString text_;
    std::vector<Stamp> stamps_; // ordered by key, each key once (its first "[")
};

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
