#include "sound/effectjob.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

namespace melodune {

std::array<std::int16_t, 10> compensationValues(std::int32_t c)
{
    switch (c) {
    case 1: return {30, 20, 10, 0, 0, 0, 0, 0, 0, 100};
    case 2: return {40, 30, 20, 10, 0, 0, 0, 0, 0, 100};
    case 4: return {80, 70, 60, 50, 30, 20, 10, 0, 0, 100};
    case 5: return {100, 90, 80, 70, 50, 30, 20, 10, 0, 100};
    default: return {60, 50, 40, 30, 20, 10, 0, 0, 0, 100};
    }
}

std::int16_t handedShiftAmount(std::int16_t chosen)
{
    return chosen > 0 ? std::int16_t(chosen - 1) : chosen;
}

QString effectOutputName(const QString& source, const QString& suffix)
{
    QString base = source;
    const qsizetype slash = std::max(base.lastIndexOf(QLatin1Char('/')), base.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0)
        base = base.mid(slash + 1);
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        base.truncate(dot);
    return base + suffix;
}

QString convertedName(const QString& input, const QString& extension)
{
    const qsizetype dot = input.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return input.left(dot + 1) + extension;
}

bool samePath(const QString& a, const QString& b)
{
    auto canonical = [](const QString& p) {
        const QFileInfo fi(p);
        const QString c = fi.canonicalFilePath();
        return c.isEmpty() ? QDir::cleanPath(fi.absoluteFilePath()) : c;
    };
    return !a.isEmpty() && !b.isEmpty() && canonical(a) == canonical(b);
}

std::int64_t jobStepLimitMs(double trackSeconds)
{
    const double s = std::isfinite(trackSeconds) && trackSeconds > 0 ? trackSeconds : 0;
    return 60000 + std::int64_t(std::ceil(s * 1000));
}

float barStep(float value, float step, float below)
{
    return value < below ? value + step : value;
}

QString cannotWriteMessage(const QString& failed, const rt::SoundError& error)
{
    return failed + QLatin1Char('\n') + QStringLiteral("无法写入文件：") + QDir::toNativeSeparators(error.writePath) +
           QLatin1Char('\n') + QStringLiteral("原因：") + error.writeReason;
}

QString outOfMemoryMessage(const QString& failed)
{
    return failed + QLatin1Char('\n') + QStringLiteral("原因：内存不足");
}

QString soundJobFailureMessage(const QString& failed, const rt::SoundError& error)
{
    if (error.cannotWrite())
        return cannotWriteMessage(failed, error);
    if (error.outOfMemory)
        return outOfMemoryMessage(failed);
    return failed;
}

} // namespace melodune
