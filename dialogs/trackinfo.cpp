#include "dialogs/trackinfo.h"

#include "platform/mediacontrol.h"

#include <QFileInfo>

namespace melodune {

namespace {

QLocale withoutGrouping(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

// The locale's short time format with seconds added after the minutes when
// it has none ("h:mm AP" gives "h:mm:ss AP").
QString timeFormatWithSeconds(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1Char('s')))
        return format;
    const qsizetype minutes = format.indexOf(QLatin1String("mm"));
    if (minutes < 0)
        return locale.timeFormat(QLocale::LongFormat);
    const QChar before = minutes > 0 ? format.at(minutes - 1) : QLatin1Char(':');
    const QString separator = before.isLetter() ? QStringLiteral(":") : QString(before);
    format.insert(minutes + 2, separator + QStringLiteral("ss"));
    return format;
}

} // namespace

QString durationText(double seconds, const QLocale& locale)
{
    return withoutGrouping(locale).toString(seconds, 'g', 15);
}

QString fileSizeText(qint64 bytes, const QLocale& locale)
{
    const double mib = double(bytes) / double(1 << 20);
    return withoutGrouping(locale).toString(mib, 'f', 2) + QStringLiteral(" MB (") + locale.toString(bytes) +
           QStringLiteral(" 字节)");
}

QString fileDateText(const QDateTime& when, const QLocale& locale)
{
    if (!when.isValid())
        return {};
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormatWithSeconds(locale));
}

std::optional<FileFacts> localFileFacts(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1String("://")))
        return std::nullopt;
    const QFileInfo fi(name);
    if (!fi.isFile())
        return std::nullopt;
    return FileFacts{fi.size(), fi.birthTime(), fi.lastModified()};
}

TrackInfoTexts trackInfoTexts(const rt::MediaControl& media, const QLocale& locale)
{
    TrackInfoTexts t;
    t[0] = media.fileName();
    t[1] = media.getMediaInfoString(rt::MediaControl::InfoTitle);
    t[2] = media.getMediaInfoString(rt::MediaControl::InfoAuthor);
    t[3] = media.getMediaInfoString(rt::MediaControl::InfoCopyright);
    t[4] = durationText(media.duration(), locale) + QStringLiteral(" 秒");
    if (const std::optional<FileFacts> facts = localFileFacts(t[0])) {
        t[5] = fileSizeText(facts->size, locale);
        t[6] = fileDateText(facts->created, locale);
        t[7] = fileDateText(facts->modified, locale);
    }
    t[8] = media.getMediaInfoString(rt::MediaControl::InfoDescription);
    for (QString& s : t)
        if (s.isEmpty())
            s = QStringLiteral("-");
    return t;
}

} // namespace melodune
