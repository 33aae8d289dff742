#include "visual/picturelayout.h"

#include <cmath>

namespace melodune {

QRect coverPictureRect(QSize naturalTwips, bool stretch)
{
    const int areaW = kPictureAreaWidthTwips;
    const int areaH = kPictureAreaHeightTwips;
    const double w = naturalTwips.width();
    const double h = naturalTwips.height();
    if (stretch || w <= 0 || h <= 0)
        return QRect(0, 0, areaW, areaH);
    if (h / w > 0.75) {
        const int width = static_cast<int>(std::lround(areaH / h * w));
        return QRect((areaW - width) / 2, 0, width, areaH);
    }
    const int height = static_cast<int>(std::lround(areaW / w * h));
    return QRect(0, (areaH - height) / 2, areaW, height);
}

} // namespace melodune
