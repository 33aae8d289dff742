#pragma once
// Where a song picture sits in the 4320 x 3240-twip picture area.
#include <QRect>
#include <QSize>

namespace melodune {

inline constexpr int kPictureAreaWidthTwips = 4320;
inline constexpr int kPictureAreaHeightTwips = 3240;

// The picture's rectangle in twips inside the area. Stretched, or a picture
// without a size, it covers the whole area. In proportion, a picture taller
// than 4:3 fills the height and is centred across; 4:3 or wider fills the
// width and is centred down.
QRect coverPictureRect(QSize naturalTwips, bool stretch);

} // namespace melodune
