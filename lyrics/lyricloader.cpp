#include "lyrics/lyricloader.h"

#include "lyrics/lrcservice.h"
#include "lyrics/lyricstate.h"
#include "lyrics/richtext.h"
#include "platform/aside.h"
#include "platform/atomicfile.h"
#include "platform/convert.h"
#include "platform/legacytext.h"

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <vector>

namespace melodune {

QString lyricFilePath(const QString& dataDir, const QString& currentFile)
{
    return trackLyricPath(dataDir, currentFile);
}

QString sideCarLyricPath(const QString& currentFile, const QString& currentExt)
{
    if (currentFile.isEmpty() || currentFile.contains(QLatin1String("://")))
        return {};
    // The marker of a file without extension is no part of its name; an
    // "extension" reaching into the folders is not one either.
    const bool hasExt = !currentExt.isEmpty() && currentExt != QStringLiteral("未知") &&
                        !currentExt.contains(u'/') &&
                        currentFile.endsWith(QLatin1Char('.') + currentExt, Qt::CaseInsensitive);
    if (!hasExt)
        return currentFile + QStringLiteral(".lrc");
    return currentFile.left(currentFile.size() - currentExt.size()) + QStringLiteral("lrc");
}

LyricLookup findTrackLyricFile(const QString& dataDir, const QString& currentFile, const QString& currentExt,
                               QString* path)
{
    const QString target = lyricFilePath(dataDir, currentFile);
    if (path)
        *path = target;
    if (QFileInfo(target).isFile())
        return LyricLookup::Found;
    const QString sideCar = sideCarLyricPath(currentFile, currentExt);
    if (sideCar.isEmpty() || !QFileInfo(sideCar).isFile())
        return LyricLookup::Missing;
    if (QFileInfo(sideCar).size() > kMaxLyricBytes) {
        // No lyrics: left where it is, not copied into LRCS at every look.
        if (path)
            *path = sideCar;
        return LyricLookup::TooLarge;
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    return rt::copyFileAtomically(sideCar, target) ? LyricLookup::Adopted : LyricLookup::Missing;
}

std::optional<QString> readLyricText(const QString& path, rt::FileReadError* error)
{
    QString decoded;
    if (!rt::readLegacyFile(path, &decoded, kMaxLyricBytes, error))
        return std::nullopt;
    return normaliseLyricText(decoded);
}

void readAndParseLyricFile(const QString& path, QObject* context, LyricFileParsed done)
{
    // One over the cap is refused at once, without reading it.
    const qint64 size = QFileInfo(path).size();
    if (size <= kLyricParseAsideBytes || size > kMaxLyricBytes) {
        rt::FileReadError error = rt::FileReadError::None;
        std::optional<QString> text = readLyricText(path, &error);
        done(text ? std::optional<LrcParseResult>(parseLrc(*text)) : std::nullopt, error);
        return;
    }
    struct Outcome {
        std::optional<LrcParseResult> parsed;
        rt::FileReadError error = rt::FileReadError::None;
    };
    auto outcome = std::make_shared<Outcome>();
    rt::runAside(
        context,
        [path, outcome] {
            if (const std::optional<QString> text = readLyricText(path, &outcome->error))
                outcome->parsed = parseLrc(*text);
        },
        [outcome, done = std::move(done)] { done(std::move(outcome->parsed), outcome->error); });
}

void parseLrcAside(const QString& normalisedText, QObject* context, std::function<void(LrcParseResult parsed)> done)
{
    if (normalisedText.size() <= kLyricParseAsideBytes) {
        done(parseLrc(normalisedText));
        return;
    }
    auto parsed = std::make_shared<LrcParseResult>();
    rt::runAside(
        context, [normalisedText, parsed] { *parsed = parseLrc(normalisedText); },
        [parsed, done = std::move(done)] { done(std::move(*parsed)); });
}

void showLyricText(const QString& normalisedText, RichTextModel& box, LyricState& state,
                   const LyricBoxStyle& style)
{
    applyLrcResult(parseLrc(normalisedText), box, state);
    styleLyricBox(box, style);
}

void mirrorLyricBox(const RichTextModel& main, RichTextModel& target, rt::PackedColor tagColor,
                    rt::PackedColor textColor)
{
    target.setText(main.text());
    target.selectAll();
    target.setBackColor(main.backColor());
    target.setSelFontSize(32);
    target.setSelColor(tagColor);
    colourLyricSpans(target, textColor);
    target.setSelStart(0);
}

QString lyricSearchingNotice(const QString& currentFile)
{
    return QStringLiteral("当前曲目“") + currentFile + QStringLiteral("”\r\n查找歌词文件 … ");
}

QString lyricNotFoundNotice(const QString& currentFile)
{
    return lyricSearchingNotice(currentFile) + QStringLiteral("[无]");
}

QString lyricDeletedNotice(const QString& lyricPath)
{
    return QStringLiteral("歌词文件“") + lyricPath + QStringLiteral("”已经被删除！");
}

QString lyricTooLargeNotice(const QString& lyricPath)
{
    return QStringLiteral("歌词文件“") + lyricPath + QStringLiteral("”太大（超过 %1 MB），没有载入。").arg(kMaxLyricBytes >> 20);
}

void showLyricNotice(RichTextModel& box, const QString& notice)
{
    box.setText(notice);
    styleLyricNotice(box);
}

QString defaultNoLyricsNote()
{
    return QStringLiteral("当前曲目被设置为暂不使用歌词。");
}

QByteArray noLyricsStub(const QString& note)
{
    QString n = note;
    n.replace(u'[', QChar(0xFF3B));
    n.replace(u']', QChar(0xFF3D));
    return rt::encodeLegacy(QStringLiteral("[0:0]") + n + QStringLiteral("\r\n［如果想使用歌词，请重新查找或修改］\r\n"));
}

QString noLyricsDefaultNote(const QString& currentTitle, const QString& currentFile)
{
    return currentTitle.trimmed().isEmpty() ? currentFile : currentTitle;
}

std::int32_t offsetStepUp(std::int32_t offset)
{
    return offset < LrcOffsetBound ? offset + LrcOffsetStep : offset;
}

std::int32_t offsetStepDown(std::int32_t offset)
{
    return offset > -LrcOffsetBound ? offset - LrcOffsetStep : offset;
}

QString offsetTagLine(std::int32_t offset)
{
    return QStringLiteral("[offset:%1]").arg(offset);
}

std::optional<OffsetRewrite> rewriteOffsetTag(const QString& text, std::int32_t offset, const QString& lineBreak)
{
    static const QString key = QStringLiteral("[offset:");
    const QString number = QString::number(offset);
    const qsizetype i = text.indexOf(key);
    if (i < 0) {
        if (offset == 0)
            return std::nullopt;
        return OffsetRewrite{offsetTagLine(offset) + lineBreak + text, int(key.size() + number.size())};
    }
    const qsizetype j = text.indexOf(u']', i);
    if (j < 0)
        return std::nullopt;
    const QString cur = text.mid(i + key.size(), j - i - key.size());
    if (!rt::isNumeric(cur))
        return std::nullopt;
    const std::optional<double> value = rt::toDouble(cur);
    const std::optional<std::int32_t> current = value ? rt::roundToLong(*value) : std::nullopt;
    if (!current || *current == offset)
        return std::nullopt;
    QString out = text;
    out.replace(key + cur + QLatin1Char(']'), offsetTagLine(offset));
    return OffsetRewrite{out, int(j + number.size() - cur.size())};
}

QString dominantLineBreak(QStringView text)
{
    qsizetype crlf = 0, lf = 0, cr = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        } else if (text[i] == u'\n') {
            ++lf;
        }
    }
    if (lf > crlf && lf >= cr)
        return QStringLiteral("\n");
    if (cr > crlf && cr > lf)
        return QStringLiteral("\r");
    return QStringLiteral("\r\n");
}

namespace {

struct TextLine {
    QStringView content;
    QStringView lineBreak; // empty for the last line
};

std::vector<TextLine> splitTextLines(QStringView s)
{
    std::vector<TextLine> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < s.size();) {
        qsizetype len = 0;
        if (s[i] == u'\r')
            len = i + 1 < s.size() && s[i + 1] == u'\n' ? 2 : 1;
        else if (s[i] == u'\n')
            len = 1;
        if (len == 0) {
            ++i;
            continue;
        }
        lines.push_back({s.mid(start, i - start), s.mid(i, len)});
        i += len;
        start = i;
    }
    lines.push_back({s.mid(start), {}});
    return lines;
}

} // namespace

QString mergeEditedLines(QStringView before, QStringView edited, const QString& lineBreak)
{
    const std::vector<TextLine> old = splitTextLines(before);
    const std::vector<TextLine> now = splitTextLines(edited);
    const std::size_t nOld = old.size(), nNow = now.size();
    std::size_t head = 0;
    while (head < nOld && head < nNow && old[head].content == now[head].content)
        ++head;
    std::size_t tail = 0;
    while (tail < nOld - head && tail < nNow - head && old[nOld - 1 - tail].content == now[nNow - 1 - tail].content)
        ++tail;
    QString out;
    out.reserve(edited.size() + edited.size() / 16);
    for (std::size_t k = 0; k < nNow; ++k) {
        // Between the kept lines, a changed line takes the break of the line
        // that stood in its place.
        const TextLine* from = k >= nNow - tail ? &old[nOld - (nNow - k)] : k < nOld - tail ? &old[k] : nullptr;
        out += now[k].content;
        if (k + 1 < nNow)
            out += from && !from->lineBreak.isEmpty() ? from->lineBreak : QStringView(lineBreak);
    }
    return out;
}

} // namespace melodune
