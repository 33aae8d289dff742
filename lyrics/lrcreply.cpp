#include "lyrics/lrcreply.h"

#include "lyrics/lrcservice.h"
#include "platform/boxtext.h"
#include "platform/legacytext.h"
#include "platform/textfile.h"

namespace melodune {

LrcReply parseLrcReply(const QByteArray& bytes)
{
    LrcReply r;
    if (bytes.isEmpty())
        return r;
    const QString text = rt::decodeLegacy(bytes);
    const QStringList lines = rt::splitLines(text);
    const QString first = lines.value(0);

    if (first.startsWith(QStringLiteral("|禁止|"))) {
        r.kind = LrcReplyKind::Forbidden;
        r.message = first.mid(4);
    } else if (first.startsWith(QStringLiteral("|提示|"))) {
        r.kind = LrcReplyKind::Notice;
        r.message = first.mid(4);
    } else if (first == QStringLiteral("|无任何|")) {
        r.kind = LrcReplyKind::NothingFound;
    } else if (first == QStringLiteral("|没有歌名|")) {
        r.kind = LrcReplyKind::NoTitle;
    } else if (first == QStringLiteral("|没有歌词|")) {
        r.kind = LrcReplyKind::NoLyrics;
    } else if (first == QStringLiteral("|歌词选择|")) {
        r.kind = LrcReplyKind::Candidates;
        qsizetype i = 1;
        while (i < lines.size()) {
            if (i + 3 >= lines.size())
                break; // no room left for title, singer, album and file name
            LyricCandidate c{lines[i], lines[i + 1], lines[i + 2], {}};
            qsizetype j = i + 3;
            while (j < lines.size() && lines[j].right(4).toLower() != QStringLiteral(".lrc"))
                ++j;
            if (j >= lines.size())
                break; // cut short by the end of the reply
            c.serverFile = lines[j];
            r.candidates.push_back(c);
            i = j + 1;
        }
    } else {
        r.kind = LrcReplyKind::Lyrics;
        r.text = text;
    }
    return r;
}

QString shownServiceMessage(const QString& message)
{
    return rt::cutWithEllipsis(rt::withoutDirectionalMarks(message), kMaxServiceMessage);
}

QString candidateShownText(const QString& entry)
{
    return rt::withoutDirectionalMarks(entry);
}

QString candidateMarker()
{
    return QStringLiteral("- 双击立即下载 ") + QString(11, QChar(0x2026));
}

QString candidateEntryText(const LyricCandidate& c)
{
    return QStringLiteral("【") + c.title + QStringLiteral("】- 演唱〖") + c.singer + QStringLiteral("〗- 专辑《") +
           c.album + QStringLiteral("》") + candidateMarker() + c.serverFile;
}

QString candidateServerFile(const QString& entry)
{
    const QString marker = candidateMarker();
    const qsizetype p = entry.indexOf(marker);
    return p < 0 ? QString() : entry.mid(p + marker.size());
}

QString candidateSinger(const QString& entry)
{
    const QString open = QStringLiteral("演唱〖");
    const qsizetype p = entry.indexOf(open);
    if (p < 0)
        return {};
    const qsizetype from = p + open.size();
    const qsizetype q = entry.indexOf(QStringLiteral("〗"), from);
    return q < 0 ? entry.mid(from) : entry.mid(from, q - from);
}

QString candidateToolTip(const QString& entry)
{
    const qsizetype p = entry.indexOf(candidateMarker());
    const QString head = p < 0 ? entry : entry.left(p + 8);
    return QStringLiteral("当前所选歌词 - 曲名") + head;
}

QString singerKey(const QString& s)
{
    QString k = s.toLower();
    k.remove(u'-');
    k.remove(u' ');
    return k;
}

int autoChooseCandidate(const QStringList& entries, const QString& author, const QString& currentFile)
{
    if (entries.isEmpty())
        return -1;
    const QString a = singerKey(author);
    const QString f = singerKey(currentFile);
    for (int i = 0; i < entries.size(); ++i) {
        const QString s = singerKey(candidateSinger(entries[i]));
        if ((!a.isEmpty() && s.contains(a)) || (!s.isEmpty() && (a.contains(s) || f.contains(s))))
            return i;
    }
    return 0;
}

QByteArray nothingFoundStub(const QString& currentTitle, const QString& currentFile)
{
    QString note = !trimBlanks(currentTitle).isEmpty() ? currentTitle
                   : !currentFile.isEmpty()            ? currentFile
                                                       : QStringLiteral("当前曲目被设置为暂不使用歌词。");
    note.replace(u'[', QChar(0xFF3B));
    note.replace(u']', QChar(0xFF3D));
    return rt::encodeLegacy(QStringLiteral("[0:0]") + note + QStringLiteral("\r\n［未找到歌词。\r\n"
                                                                            "  如果想使用歌词，请重新查找或编辑修改］\r\n"));
}

} // namespace melodune
