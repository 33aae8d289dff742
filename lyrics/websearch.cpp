#include "lyrics/websearch.h"

#include "core/settings.h"
#include "lyrics/log.h"
#include "lyrics/lrcservice.h"
#include "platform/shellopen.h"
#include "platform/ui.h"

namespace melodune {

namespace {

bool keywordSearch(const QString& prefix, const QString& title)
{
    const std::optional<QString> answer = rt::ui().inputBox(QStringLiteral("请输入搜索关键词。\r\n"), title);
    const QString keyword = trimBlanks(answer.value_or(QString()));
    if (keyword.isEmpty())
        return false;
    const QUrl url = keywordSearchUrl(prefix, keyword);
    if (!url.isValid()) {
        qCWarning(lcLyrics) << "search page not opened, no valid address:" << url.errorString();
        return false;
    }
    rt::openWebPageOrSay(url);
    return true;
}

} // namespace

QUrl lyricsSitePageUrl()
{
    return QUrl(lrcServiceHost() + QStringLiteral("/lrc/"));
}

QUrl keywordSearchUrl(const QString& prefix, const QString& keyword)
{
    return QUrl::fromEncoded(prefix.toUtf8() + keyword.toUtf8().toPercentEncoding(), QUrl::TolerantMode);
}

void openLyricsSitePage()
{
    rt::openWebPageOrSay(lyricsSitePageUrl());
}

bool searchMp3()
{
    return keywordSearch(settings().Mp3SearchUrl, QStringLiteral("百度MP3搜索"));
}

bool searchImages()
{
    return keywordSearch(settings().ImageSearchUrl, QStringLiteral("百度图片搜索"));
}

} // namespace melodune
