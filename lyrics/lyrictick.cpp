#include "lyrics/lyrictick.h"

#include "lyrics/richtext.h"
#include "platform/convert.h"

#include <algorithm>
#include <climits>

namespace melodune {

namespace {

constexpr QChar Cr = u'\r';

// Nothing but blanks (U+0020); a tab or a line end is text.
bool isBlankText(QStringView s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c == u' '; });
}

bool rangeInText(int start1, int length, int textLength)
{
    return start1 >= 1 && length > 0 && (long long)start1 - 1 + length <= textLength;
}

// The line of the first lyric line: the first "[" that begins a line (the
// labels of the header come before it).
int firstLyricLine(const RichTextModel& box)
{
    const QString& t = box.text();
    for (qsizetype p = t.indexOf(u'['); p >= 0; p = t.indexOf(u'[', p + 1))
        if (p == 0 || t[p - 1] == Cr || t[p - 1] == u'\n')
            return box.lineFromChar(int(p));
    return 0;
}

} // namespace

QString lyricTimeKey(double clock)
{
    const QString text = rt::numberText(clock);
    const qsizetype point = text.indexOf(u'.');
    if (point < 0)
        return text + QStringLiteral(".0");
    return text.left(point + 2);
}

namespace {

// A time key as whole tenths: "12.3" -> 123. None for a negative key or
// one that is not in that form.
std::optional<long long> keyTenths(const QString& key)
{
    const qsizetype point = key.indexOf(u'.');
    if (point < 1 || point + 2 != key.size() || key.startsWith(u'-') || !key.back().isDigit())
        return std::nullopt;
    bool ok = false;
    const long long seconds = key.left(point).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return seconds * 10 + key.back().digitValue();
}

} // namespace

QStringList passedTimeKeys(const QString& previousKey, const QString& key)
{
    constexpr long long LastSecond = 10; // tenths
    QStringList out;
    const std::optional<long long> now = keyTenths(key);
    if (!now)
        return out;
    // A previous key that is negative (or none) lies before every key here.
    const long long after = keyTenths(previousKey).value_or(-1);
    for (long long t = *now - 1; t > after && t >= *now - LastSecond && t >= 0; --t)
        out << QStringLiteral("%1.%2").arg(t / 10).arg(t % 10);
    return out;
}

QString lyricClockLabel(double clock)
{
    return rt::numberText(clock).left(7);
}

std::optional<LyricLineHit> lyricLineAt(const QString& boxText, int tagStart)
{
    const QStringView s(boxText);
    const qsizetype p = tagStart;
    qsizetype end = s.indexOf(Cr, p);
    if (end < 0)
        end = s.size();
    // Only a stamp closed on its own line is a lyric line; anything else is
    // a notice or a stray bracket.
    const qsizetype close = s.indexOf(u']', p);
    if (close < 0 || close >= end)
        return std::nullopt;

    LyricLineHit hit;
    hit.tagStart = int(p);
    hit.textStart = int(close + 1);
    hit.time = s.mid(p + 1, close - p - 1).toString();
    hit.text = s.mid(close + 1, end - close - 1).toString();

    const qsizetype q = s.indexOf(u'[', end);
    if (q >= 0) {
        qsizetype qEnd = s.indexOf(Cr, q);
        if (qEnd < 0)
            qEnd = s.size();
        const QStringView next = s.mid(q, qEnd - q);
        const qsizetype qClose = next.indexOf(u']');
        if (qClose >= 0) {
            hit.nextTime = next.mid(1, qClose - 1).toString();
            hit.nextText = next.mid(qClose + 1).toString();
        }
    }
    return hit;
}

namespace {

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Characters of the time key that stands at `from`: "-"?, digits, ".", one
// digit; 0 when there is none.
qsizetype timeKeyLength(QStringView s, qsizetype from)
{
    qsizetype i = from;
    if (i < s.size() && s[i] == u'-')
        ++i;
    const qsizetype digits = i;
    while (i < s.size() && isAsciiDigit(s[i]))
        ++i;
    if (i == digits || i + 1 >= s.size() || s[i] != u'.' || !isAsciiDigit(s[i + 1]))
        return 0;
    return i + 2 - from;
}

} // namespace

QStringView LyricTimeIndex::keyOf(const Stamp& s) const
{
    return QStringView(text_).mid(s.tagStart + 1, s.keyLength);
}

void LyricTimeIndex::follow(const QString& boxText)
{
    // Qt's strings share their characters until one of them is changed, and
    // the held copy keeps them from being freed: the same characters at the
    // same place are the same text.
    if (boxText.size() == text_.size() && boxText.constData() == text_.constData())
        return;
    text_ = boxText;
    stamps_.clear();
    const QStringView s(text_);
    for (qsizetype p = s.indexOf(u'['); p >= 0; p = s.indexOf(u'[', p + 1))
        if (const qsizetype length = timeKeyLength(s, p + 1))
            stamps_.push_back({int(p), int(length)});
    // In text order within a key, so that the first "[" of each key stays.
    std::stable_sort(stamps_.begin(), stamps_.end(),
                     [this](const Stamp& a, const Stamp& b) { return keyOf(a) < keyOf(b); });
    stamps_.erase(std::unique(stamps_.begin(), stamps_.end(),
                              [this](const Stamp& a, const Stamp& b) { return keyOf(a) == keyOf(b); }),
                  stamps_.end());
}

std::optional<LyricLineHit> LyricTimeIndex::find(QStringView timeKey) const
{
    const auto it = std::lower_bound(stamps_.begin(), stamps_.end(), timeKey,
                                     [this](const Stamp& s, QStringView key) { return keyOf(s) < key; });
    if (it == stamps_.end() || keyOf(*it) != timeKey)
        return std::nullopt;
    return lyricLineAt(text_, it->tagStart);
}

bool isZeroStamp(const QString& time)
{
    return std::all_of(time.begin(), time.end(), [](QChar c) { return c == u'0' || c == u'.'; });
}

namespace {

// A line's stamp as whole tenths, cut as the tick cuts its clock ("12.35" ->
// 123). None for a stamp that is not a plain number of seconds.
std::optional<long long> stampTenths(QStringView stamp)
{
    const qsizetype point = stamp.indexOf(u'.');
    const QString key = point < 0 ? stamp.toString() + QStringLiteral(".0") : stamp.left(point + 2).toString();
    return keyTenths(key);
}

QString tenthsKey(long long tenths)
{
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

} // namespace

std::optional<SungLine> sungLineAt(const QString& boxText, const QString& timeKey)
{
    const std::optional<long long> now = keyTenths(timeKey);
    if (!now)
        return std::nullopt;
    // The latest stamp reached and the one before it, over every lyric line
    // (a line begins with "[" and closes its stamp before its CR).
    long long latest = -1, before = -1;
    const QStringView s(boxText);
    for (qsizetype p = s.indexOf(u'['); p >= 0; p = s.indexOf(u'[', p + 1)) {
        if (p > 0 && s[p - 1] != Cr && s[p - 1] != u'\n')
            continue;
        qsizetype end = s.indexOf(Cr, p);
        if (end < 0)
            end = s.size();
        const qsizetype close = s.indexOf(u']', p);
        if (close < 0 || close >= end)
            continue;
        const std::optional<long long> t = stampTenths(s.mid(p + 1, close - p - 1));
        if (!t || *t > *now)
            continue;
        if (*t > latest) {
            before = latest;
            latest = *t;
        } else if (*t < latest && *t > before) {
            before = *t;
        }
    }
    if (latest < 0)
        return std::nullopt;
    LyricTimeIndex index;
    index.follow(boxText);
    std::optional<LyricLineHit> line = index.find(tenthsKey(latest));
    if (!line)
        return std::nullopt;
    SungLine sung{*line, {}};
    if (before >= 0 && !isZeroStamp(line->time))
        if (std::optional<LyricLineHit> previous = index.find(tenthsKey(before)))
            sung.previousText = previous->text;
    return sung;
}

MarqueeParams marqueeFor(const QString& curLine, const QString& curTime, const QString& nextTime)
{
    MarqueeParams m;
    m.step = 1;
    if (rt::isNumeric(curTime) && rt::isNumeric(nextTime)) {
        const auto cur = rt::toDouble(curTime);
        const auto next = rt::toDouble(nextTime);
        if (cur && next) {
            const double d = *next - *cur;
            if (d > 0) {
                const auto divisor = rt::roundToLong(d + 1);
                if (divisor && *divisor > 0) {
                    QString compact = curLine;
                    compact.remove(u' ');
                    m.step = int((compact.size() + 6) / *divisor);
                }
            }
        }
    }
    if (m.step < 1)
        m.step = 1;
    m.x = int(std::min<long long>((long long)m.step * 10 + 20, INT_MAX));
    const qsizetype len = curLine.size();
    if (len < 6 && !isBlankText(curLine)) {
        m.step = 0;
        m.x = int((6 - len) * 5 + 15);
    }
    m.width = int(std::min<long long>((long long)(len / 8) * 100 + 100, INT_MAX));
    return m;
}

void moveLyricHighlight(RichTextModel& box, int oldStart1, int oldLength, int newStart1, int newLength,
                        rt::PackedColor textColor, rt::PackedColor highlightColor)
{
    const int size = box.length();
    if (rangeInText(oldStart1, oldLength, size))
        box.setColor(oldStart1 - 1, oldLength, textColor);
    if (rangeInText(newStart1, newLength, size))
        box.setColor(newStart1 - 1, newLength, highlightColor);
}

void keepSungLineInView(RichTextModel& box, int highlightStart1)
{
    const int rows = box.visibleLineCount();
    if (rows <= 0 || highlightStart1 < 1 || highlightStart1 > box.length())
        return;
    const int line = box.lineFromChar(highlightStart1 - 1);
    const int lowest = (rows - 1) / 2;
    const int top = box.firstVisibleLine();
    if (line >= top && line - top <= lowest)
        return;
    const int row = std::clamp(firstLyricLine(box) - 1, 0, lowest);
    box.setFirstVisibleLine(line - row);
}

} // namespace melodune
