#include "platform/boxtext.h"

#include <QFont>
#include <QFontMetricsF>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace rt {

namespace {

const QChar Ellipsis(0x2026);

bool isDirectionalControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// A cut at `at` must not fall between the halves of a surrogate pair.
qsizetype cutBefore(const QString& s, qsizetype at)
{
    if (at > 0 && at < s.size() && s.at(at).isLowSurrogate() && s.at(at - 1).isHighSurrogate())
        return at - 1;
    return at;
}
qsizetype cutAfter(const QString& s, qsizetype at)
{
    if (at > 0 && at < s.size() && s.at(at).isLowSurrogate() && s.at(at - 1).isHighSurrogate())
        return at + 1;
    return at;
}

// Head and tail of `s` with "…" between, `keep` units of the text kept.
QString headAndTail(const QString& s, qsizetype keep)
{
    const qsizetype head = cutBefore(s, keep - keep / 2);
    const qsizetype tail = cutAfter(s, s.size() - keep / 2);
    return s.left(head) + Ellipsis + s.mid(tail);
}

// Characters a line may break around anyway (ideographs, kana, hangul, their
// punctuation and the curly quotes that enclose names in messages): they end
// a run.
bool breaksRun(char32_t c)
{
    if (QChar::isSpace(c))
        return true;
    if ((c >= 0x2018 && c <= 0x201F) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF))
        return true;
    switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
        return true;
    default:
        return false;
    }
}

// A run wider than `width` elided in its middle; a path keeps its file name
// whole when that takes no more than 70 % of the width.
QString elideRun(const QString& run, const QFontMetricsF& fm, qreal width)
{
    const qsizetype slash = std::max(run.lastIndexOf(u'/'), run.lastIndexOf(u'\\'));
    if (slash > 0) {
        const QString name = run.mid(slash);
        const qreal nameWidth = fm.horizontalAdvance(name);
        if (nameWidth <= width * 0.7)
            return fm.elidedText(run.left(slash), Qt::ElideMiddle, width - nameWidth) + name;
    }
    return fm.elidedText(run, Qt::ElideMiddle, width);
}

// Every run without blanks wider than `width`, elided in its middle.
QString elideLongRuns(const QString& para, const QFontMetricsF& fm, qreal width)
{
    QString out;
    qsizetype runStart = 0;
    auto flush = [&](qsizetype end) {
        if (end <= runStart)
            return;
        const QString run = para.mid(runStart, end - runStart);
        out += fm.horizontalAdvance(run) > width ? elideRun(run, fm, width) : run;
    };
    qsizetype i = 0;
    while (i < para.size()) {
        char32_t c = para.at(i).unicode();
        qsizetype len = 1;
        if (para.at(i).isHighSurrogate() && i + 1 < para.size() && para.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(para.at(i), para.at(i + 1));
            len = 2;
        }
        if (breaksRun(c)) {
            flush(i);
            out += para.mid(i, len);
            runStart = i + len;
        }
        i += len;
    }
    flush(para.size());
    return out;
}

int rowsOf(const QString& para, const QFont& font, qreal width)
{
    if (para.isEmpty())
        return 1;
    QTextLayout layout(para, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int rows = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++rows;
    }
    layout.endLayout();
    return rows;
}

// The paragraph cut in its middle until it takes at most `rows` rows.
QString elideToRows(const QString& para, int rows, const QFont& font, qreal width)
{
    qsizetype lo = 1, hi = para.size() - 1; // units of the text kept
    QString best = headAndTail(para, 1);
    while (lo <= hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        const QString candidate = headAndTail(para, mid);
        if (rowsOf(candidate, font, width) <= rows) {
            best = candidate;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return best;
}

} // namespace

QString withoutDirectionalMarks(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return isDirectionalControl(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!isDirectionalControl(c.unicode()))
            out += c;
    return out;
}

QString cutWithEllipsis(const QString& text, qsizetype maxChars)
{
    if (text.size() <= maxChars)
        return text;
    return text.left(cutBefore(text, std::max<qsizetype>(0, maxChars - 1))) + Ellipsis;
}

QString elideMiddle(const QString& text, qsizetype maxChars)
{
    if (text.size() <= maxChars)
        return text;
    if (maxChars <= 1)
        return QString(Ellipsis);
    return headAndTail(text, maxChars - 1);
}

QSize boxTextRoom(const QRect& available)
{
    // The box wraps its text at about half the screen, at most 500 pixels,
    // of which the icon and the margins take about 90. Title bar, margins
    // and buttons take about 220 pixels of height.
    const int width = std::max(160, std::min(available.width() / 2, 500) - 90);
    const int height = std::max(60, std::min(available.height() * 3 / 5, available.height() - 220));
    return {width, height};
}

QString fitBoxText(const QString& text, const QFont& font, const QSize& room)
{
    const QFontMetricsF fm(font);
    const qreal width = std::max<qreal>(room.width(), fm.averageCharWidth() * 12);
    const int maxRows = std::max(3, int(room.height() / std::max<qreal>(1, fm.lineSpacing())));

    // Bounds that cost nothing, before anything is measured: no more text
    // than the room could show twice over in the narrowest characters, no
    // more paragraphs than rows, and no paragraph longer than the room.
    const qsizetype maxChars =
        qsizetype(maxRows) * qsizetype(std::ceil(width / std::max<qreal>(1, fm.averageCharWidth() / 2)));
    QString flat = withoutDirectionalMarks(elideMiddle(text, 2 * maxChars));
    flat.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    flat.replace(u'\r', u'\n');
    QStringList paras = flat.split(u'\n');
    if (paras.size() > maxRows) {
        const QString last = paras.last();
        paras = paras.mid(0, maxRows - 2);
        paras << QString(Ellipsis) << last;
    }
    for (QString& p : paras)
        p = elideLongRuns(elideMiddle(p, maxChars), fm, width * 0.9);

    std::vector<int> rows;
    rows.reserve(paras.size());
    int total = 0;
    for (const QString& p : paras) {
        rows.push_back(rowsOf(p, font, width));
        total += rows.back();
    }
    // The tallest paragraph gives up rows from its middle until all fit.
    while (total > maxRows) {
        const auto tallest = std::max_element(rows.begin(), rows.end());
        if (*tallest <= 1)
            break;
        const std::size_t i = std::size_t(tallest - rows.begin());
        const int target = std::max(1, *tallest - (total - maxRows));
        paras[qsizetype(i)] = elideToRows(paras[qsizetype(i)], target, font, width);
        const int now = rowsOf(paras[qsizetype(i)], font, width);
        if (now >= rows[i])
            break;
        total -= rows[i] - now;
        rows[i] = now;
    }
    return paras.join(u'\n');
}

} // namespace rt
