#include "lyrics/lrcservice.h"

#include "core/trackname.h"
#include "platform/legacytext.h"

namespace melodune {

QString lrcServiceHost()
{
    QString host = qEnvironmentVariable("MELODUNE_LRC_HOST");
    if (host.isEmpty())
        host = QString::fromLatin1(DefaultLrcServiceHost);
    while (host.endsWith(u'/'))
        host.chop(1);
    return host;
}

QByteArray lrcQueryValue(const QString& value)
{
    return rt::encodeLegacy(value).toPercentEncoding();
}

QString trimBlanks(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.mid(b, e - b);
}

QString lrcVersionText(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString lrcFileNameValue(const QString& currentFile, const QString& currentExt)
{
    // Linux paths: "/" is the only separator; a "\" is part of a name.
    QString name = currentFile.mid(currentFile.lastIndexOf(u'/') + 1);
    if (currentExt == QStringLiteral("未知"))
        name += QStringLiteral(".未知");
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    return trimBlanks(name);
}

QString lrcFiletypeExt(const QString& currentExt)
{
    QString ext = currentExt;
    ext.replace(u'/', QChar(0xFF0F));
    ext.replace(u'\\', QChar(0xFF3C));
    return ext;
}

QByteArray lrcRequestAddress(LrcRequestKind kind, const LrcClientInfo& client, const LrcTrackInfo& track,
                             const QString& serverFile)
{
    QByteArray a = lrcServiceHost().toUtf8() + "/soft/Melodune/lrcs/";
    a += kind == LrcRequestKind::Exact ? "index.asp" : "index2.asp";
    a += "?BanBen=" + lrcQueryValue(client.version);
    a += "&PcName=" + lrcQueryValue(client.computerName);
    if (kind == LrcRequestKind::Candidate) {
        a += "&dz=" + lrcQueryValue(serverFile);
    } else {
        a += "&MediaName=" + lrcQueryValue(trimBlanks(track.title));
        a += "&FileName=" + lrcQueryValue(lrcFileNameValue(track.file, track.ext));
        a += "&Filetype=" + lrcQueryValue(trimBlanks(lrcFiletypeExt(track.ext)));
    }
    return a;
}

QUrl lrcRequestUrl(LrcRequestKind kind, const LrcClientInfo& client, const LrcTrackInfo& track,
                   const QString& serverFile)
{
    return QUrl::fromEncoded(lrcRequestAddress(kind, client, track, serverFile), QUrl::StrictMode);
}

QString lrcReplyPath(const QString& dataDir)
{
    return dataDir + QStringLiteral("/TEMP/$.lrc");
}

QString trackLyricPath(const QString& dataDir, const QString& currentFile)
{
    return dataDir + QStringLiteral("/LRCS/") + mangledTrackName(currentFile, QStringLiteral(".lrc"));
}

} // namespace melodune
