#pragma once
// Texts for boxes and lists that must stay readable whatever they were given:
// cut to a length, directional controls taken out, and fitted to the room a
// box has on its screen.
#include <QRect>
#include <QSize>
#include <QString>

class QFont;

namespace rt {

// The text without the explicit directional controls (embeddings, overrides,
// isolates and the marks LRM, RLM, ALM): a name holding them would otherwise
// turn the text around it.
QString withoutDirectionalMarks(const QString& text);

// At most `maxChars` UTF-16 units: the start of the text and "…" when it is
// longer. A surrogate pair is never split.
QString cutWithEllipsis(const QString& text, qsizetype maxChars);

// At most `maxChars` UTF-16 units: the start and the end of the text with "…"
// between them when it is longer, so a path keeps its first folders and its
// file name.
QString elideMiddle(const QString& text, qsizetype maxChars);

// The room for a box's text on a screen whose available area is `available`:
// as wide as the box's own soft width, and tall enough to leave the title bar,
// the icon's margins and the buttons on the screen.
QSize boxTextRoom(const QRect& available);

// The text a box can show in `font` within `room` (the text's own width and
// height, in the font's pixels): directional controls taken out; a run
// without blanks wider than the room (a path, say) elided in its middle;
// paragraphs beyond the room's rows, and rows beyond them, cut out of the
// middle with "…". Text that fits comes back unchanged but for the line ends,
// which become "\n".
QString fitBoxText(const QString& text, const QFont& font, const QSize& room);

} // namespace rt
