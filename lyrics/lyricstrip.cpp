#include "lyrics/lyricstrip.h"

#include "platform/convert.h"

#include <algorithm>
#include <cmath>

namespace melodune {

namespace {

// A stamp's number value; a text that is not a number counts as 0.
double stampValue(const QString& stamp)
{
    return rt::toDouble(stamp).value_or(0.0);
}

} // namespace

bool isBlankStripText(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

QString stripTitleText(const QString& prev, const QString& fill)
{
    QString bare = prev;
    bare.remove(kStripEmptyLine);
    return isBlankStripText(bare) ? fill : prev;
}

QString stripLineText(const QString& line)
{
    return isBlankStripText(line) ? kStripEmptyLine : line;
}

StripMotion stripMotionOnHit(int pictureWidth, int stripWidth, const QString& curTime,
                             const QString& nextTime, int minStep)
{
    if (pictureWidth >= stripWidth)
        return {(pictureWidth - stripWidth) / 2, 0};
    int step = minStep;
    // The last line's next stamp is "0" and stamps can be out of order: a
    // divisor of 0 or less, or a stamp that is no number, leaves the
    // smallest step.
    const auto cur = rt::toDouble(curTime);
    const auto next = rt::toDouble(nextTime);
    const auto divisor = (cur && next) ? rt::roundToLong(*next - *cur + 1) : std::nullopt;
    if (divisor && *divisor > 0)
        step = int(((long long)(pictureWidth / 2) + stripWidth) / 20 / *divisor);
    return {pictureWidth / 2, std::max(step, minStep)};
}

int stripShade(int grey, const QString& curTime, const QString& nextTime, double clock)
{
    const double n = stampValue(nextTime);
    const double c = stampValue(curTime);
    if (n - c <= 2 || n - clock >= 0.8)
        return 255;
    if (grey > 0)
        grey -= 16;
    return std::max(grey, 0);
}

} // namespace melodune
