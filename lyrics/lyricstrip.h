#pragma once
// The sliding strip of the picture lyric view, apart from the window: where
// the current line's strip starts, how far it moves per tick, and how it
// darkens before the next line. Positions and widths are twips.
#include <QString>

namespace melodune {

inline const QString kStripEmptyLine = QStringLiteral("…");
inline const QString kStripWelcome = QStringLiteral("欢迎使用 Melodune");

// True for the empty text and a text of spaces only.
bool isBlankStripText(const QString& text);

// The title line's text: a line that is empty once every "…" and the blanks
// around it are removed becomes `fill`.
QString stripTitleText(const QString& prev, const QString& fill);

// A blank line is shown as "…".
QString stripLineText(const QString& line);

struct StripMotion {
    int x = 0;    // left edge of the strip
    int step = 0; // leftward move per tick; 0 = standing
    bool operator==(const StripMotion&) const = default;
};

// On a hit: a line wider than the picture starts at the middle and moves so
// it leaves in about the line's duration (never slower than `minStep`); a
// line that fits stands centred. curTime/nextTime are the lines' stamps.
StripMotion stripMotionOnHit(int pictureWidth, int stripWidth, const QString& curTime,
                             const QString& nextTime, int minStep);

// One tick's grey level of the strip text: white while the next line is far
// (or the line lasts 2 s or less, or there is none), then 16 darker per tick.
int stripShade(int grey, const QString& curTime, const QString& nextTime, double clock);

} // namespace melodune
