#include "core/settings.h"

#include "core/log.h"
#include "platform/atomicfile.h"
#include "platform/convert.h"
#include "platform/legacytext.h"
#include "platform/textfile.h"

#include <array>
#include <limits>

namespace melodune {

namespace {

constexpr int ItemCount = 23;
constexpr qint64 kMaxSettingsBytes = 64 * 1024;

QString settingsPath(const QString& dataDir)
{
    return dataDir + QStringLiteral("/SetLog.ini");
}

// A number item: the number after a blank (a minus sign when negative),
// then one blank.
QString numberItem(double v)
{
    return rt::settingsNumberText(v) + QLatin1Char(' ');
}

QString boolItem(bool v)
{
    return numberItem(v ? -1 : 0);
}

// An item that is no value leaves the setting as it was.
void notUnderstood(const QString& field)
{
    qCWarning(lcCore) << "settings item not understood, its setting keeps its value:" << field;
}

void readLong(const QString& field, std::int32_t& target)
{
    if (auto v = rt::toLong(field))
        target = *v;
    else
        notUnderstood(field);
}

void readBool(const QString& field, bool& target)
{
    if (auto v = rt::toBool(field))
        target = *v;
    else
        notUnderstood(field);
}

} // namespace

SettingsRecord& settings()
{
    static SettingsRecord s;
    return s;
}

void assignSettingDefaults(SettingsRecord& s, std::int32_t* currentIndex)
{
    const bool keepRandom = s.RandomPlay;
    s = SettingsRecord{};
    s.RandomPlay = keepRandom;
    if (currentIndex)
        *currentIndex = -1;
    // 10.5 as a whole number, halves going to the even one.
    s.LrcFontSize = rt::roundToLong(10.5).value_or(10);
    s.WebSearchUrl = QStringLiteral("https://www.baidu.com/s?tn=&word=");
    s.Mp3SearchUrl = QStringLiteral("https://music.baidu.com/m?f=ms&rn=&tn=baidump3&ct=134217728&lm=-1&word=");
    s.ImageSearchUrl = QStringLiteral("https://image.baidu.com/i?ct=201326592&cl=2&lm=-1&tn=baiduimage&z=0&word=");
}

void loadSettings(const QString& dataDir, SettingsRecord& s, std::int32_t* currentIndex)
{
    // One line of 23 short items: anything much longer (or no regular file
    // at all) is no settings file, and the defaults stand.
    QString text;
    if (rt::readLegacyFile(settingsPath(dataDir), &text, kMaxSettingsBytes)) {
        rt::FieldReader reader(text);
        std::array<QString, ItemCount> f;
        for (auto& field : f)
            field = reader.next();

        auto nonEmpty = [&](int item) -> const QString* {
            const QString& v = f[item - 1];
            return v.isEmpty() ? nullptr : &v;
        };
        if (auto v = nonEmpty(1)) readBool(*v, s.RandomPlay);
        if (auto v = nonEmpty(2)) {
            std::int32_t idx = currentIndex ? *currentIndex : -1;
            readLong(*v, idx);
            if (currentIndex)
                *currentIndex = idx;
        }
        if (auto v = nonEmpty(3)) readBool(*v, s.ShowMixerOnRecord);
        if (auto v = nonEmpty(4)) {
            if (auto kbit = rt::toLong(*v)) {
                const std::int64_t bits = std::int64_t(*kbit) * 1000;
                if (bits >= std::numeric_limits<std::int32_t>::min() && bits <= std::numeric_limits<std::int32_t>::max())
                    s.Mp3BitRate = std::int32_t(bits);
            } else {
                notUnderstood(*v);
            }
        }
        if (auto v = nonEmpty(5)) readLong(*v, s.Mp3SampleRate);
        if (auto v = nonEmpty(6)) readBool(*v, s.AutoDownloadLrc);
        if (auto v = nonEmpty(7)) readLong(*v, s.LrcWaitSeconds);
        if (auto v = nonEmpty(8)) readBool(*v, s.AutoFuzzySearch);
        if (auto v = nonEmpty(9)) readLong(*v, s.PictureMode);
        if (auto v = nonEmpty(10)) readLong(*v, s.PictureStretch);
        if (auto v = nonEmpty(11)) readLong(*v, s.VocalCompensation);
        if (auto v = nonEmpty(12)) readLong(*v, s.ShowRecVolume);
        if (auto v = nonEmpty(13)) readLong(*v, s.MaxRecordMinutes);
        if (auto v = nonEmpty(14)) readLong(*v, s.RecordToTrackEnd);
        if (auto v = nonEmpty(15)) readLong(*v, s.StopRecordAtEnd);
        if (auto v = nonEmpty(16)) readLong(*v, s.ShowVisual);
        if (auto v = nonEmpty(17)) readLong(*v, s.VisualType);
        if (auto v = nonEmpty(18)) readLong(*v, s.VisualRandom);
        if (auto v = nonEmpty(19)) readLong(*v, s.AutoPlay);
        if (auto v = nonEmpty(20)) readLong(*v, s.AutoFullScreen);
        if (auto v = nonEmpty(21)) s.SkinFile = *v;
        if (auto v = nonEmpty(22)) readLong(*v, s.LrcViewMode);
        if (auto v = nonEmpty(23)) readLong(*v, s.UseCoverAsLrcBack);
    }

    // The corrections apply to the defaults as well.
    if (s.MaxRecordMinutes > 30)
        s.MaxRecordMinutes = 30;
    if (s.MaxRecordMinutes < 1)
        s.MaxRecordMinutes = 1;
    if (s.VisualType < 1)
        s.VisualType = 1;
}

QByteArray settingsLine(const SettingsRecord& s, std::int32_t currentIndex)
{
    const QStringList items{
        boolItem(s.RandomPlay),
        numberItem(currentIndex),
        boolItem(s.ShowMixerOnRecord),
        numberItem(s.Mp3BitRate / 1000.0),
        numberItem(s.Mp3SampleRate),
        boolItem(s.AutoDownloadLrc),
        numberItem(s.LrcWaitSeconds),
        boolItem(s.AutoFuzzySearch),
        numberItem(s.PictureMode),
        numberItem(s.PictureStretch),
        numberItem(s.VocalCompensation),
        numberItem(s.ShowRecVolume),
        numberItem(s.MaxRecordMinutes),
        numberItem(s.RecordToTrackEnd),
        numberItem(s.StopRecordAtEnd),
        numberItem(s.ShowVisual),
        numberItem(s.VisualType),
        numberItem(s.VisualRandom),
        numberItem(s.AutoPlay),
        numberItem(s.AutoFullScreen),
        s.SkinFile,
        numberItem(s.LrcViewMode),
        numberItem(s.UseCoverAsLrcBack),
    };
    QString line;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i)
            line += QLatin1Char(',');
        line += QLatin1Char('"') + items[i] + QLatin1Char('"');
    }
    line += QStringLiteral("\r\n");
    return rt::encodeLegacy(line);
}

bool saveSettings(const QString& dataDir, const SettingsRecord& s, std::int32_t currentIndex, QString* error)
{
    return rt::writeFileAtomically(settingsPath(dataDir), settingsLine(s, currentIndex), error);
}

} // namespace melodune
