#include "lyrics/lrcparser.h"

#include "lyrics/lyricstate.h"
#include "lyrics/richtext.h"
#include "platform/convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace melodune {

namespace {

constexpr QChar Cr = u'\r';
const QString CrLf = QStringLiteral("\r\n");

// Borrowed text and cut lines copy text; a crafted file (thousands of empty
// tags before one huge line) could make that copying unbounded. Past this
// many characters the lyrics count as unparsable.
constexpr qsizetype CopyBudget = qsizetype(1) << 25;

// Last c at or before `from` (0-based); -1 when none or from < 0.
qsizetype findBack(QStringView s, QChar c, qsizetype from)
{
    for (qsizetype i = std::min(from, s.size() - 1); i >= 0; --i)
        if (s[i] == c)
            return i;
    return -1;
}

// First CR at or after a position; the text's end when none. Indexed, so
// many tags on one long line do not rescan it.
class LineEnds {
public:
    explicit LineEnds(QStringView s) : size_(s.size())
    {
        for (qsizetype i = 0; i < s.size(); ++i)
            if (s[i] == Cr)
                crs_.push_back(i);
    }
    qsizetype from(qsizetype pos) const
    {
        const auto it = std::lower_bound(crs_.begin(), crs_.end(), pos);
        return it == crs_.end() ? size_ : *it;
    }

private:
    std::vector<qsizetype> crs_;
    qsizetype size_;
};

// Pieces collected from the end of a text towards its start. Pieces of the
// text being rewritten are kept as views (it outlives the builder); only
// replacements are owned.
class ReverseBuilder {
public:
    void add(QStringView piece)
    {
        if (!piece.isEmpty())
            pieces_.push_back(piece);
    }
    void add(QString&& piece)
    {
        if (piece.isEmpty())
            return;
        // A moved QString keeps its characters where they are: the view holds.
        owned_.push_back(std::move(piece));
        pieces_.push_back(QStringView(owned_.back()));
    }
    QString join() const
    {
        qsizetype n = 0;
        for (QStringView p : pieces_)
            n += p.size();
        QString out;
        out.reserve(n);
        for (auto it = pieces_.rbegin(); it != pieces_.rend(); ++it)
            out += *it;
        return out;
    }

private:
    std::vector<QStringView> pieces_;
    std::vector<QString> owned_;
};

bool asciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The value of a plain decimal "d[.d]" (ASCII digits, optional sign, at
// most 31 characters) exactly as rt::toDouble reads it; empty for any other
// form, which the general reading then takes.
std::optional<double> plainDecimal(QStringView s)
{
    if (s.isEmpty() || s.size() > 31)
        return std::nullopt;
    char buf[32];
    int digits = 0;
    bool point = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (asciiDigit(c))
            ++digits;
        else if (c == u'.' && !point)
            point = true;
        else if (!(c == u'-' && i == 0))
            return std::nullopt;
        buf[i] = char(c.unicode());
    }
    if (digits == 0)
        return std::nullopt;
    double v = 0;
    const auto [ptr, ec] = std::from_chars(buf, buf + s.size(), v, std::chars_format::general);
    if (ec != std::errc() || ptr != buf + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString fullWidthBrackets(QStringView s)
{
    QString out = s.toString();
    out.replace(u'[', u'［').replace(u']', u'］');
    return out;
}

// Seconds as the lyric lines write them: number text, ".0" when it has no
// point.
QString secondsText(double t)
{
    QString s = rt::numberText(t);
    if (!s.contains(u'.'))
        s += QStringLiteral(".0");
    return s;
}

// The seconds of a time tag whose text without brackets and colons is a
// number. `inner` is the text between the "[" and the first "]". The usual
// form is minutes:seconds; without a colon the whole is seconds, an empty
// part counts as 0, and a second colon separates hundredths (mm:ss:xx).
// Empty when a value does not fit 32 bits.
std::optional<double> tagSeconds(QStringView inner)
{
    const auto parts = inner.split(u':');
    QStringView minText, secText, fracText;
    if (parts.size() == 1) {
        secText = parts[0];
    } else {
        minText = parts[0];
        secText = parts[1];
        if (parts.size() == 3 && !parts[2].isEmpty()
            && std::all_of(parts[2].begin(), parts[2].end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
            fracText = parts[2];
    }
    std::int64_t minutes = 0;
    if (!minText.isEmpty()) {
        const auto m = rt::toLong(minText.toString());
        if (!m)
            return std::nullopt;
        minutes = *m;
    }
    double seconds = 0;
    if (!secText.isEmpty()) {
        const auto s = rt::toDouble(secText.toString());
        if (!s)
            return std::nullopt;
        seconds = *s;
    }
    if (!fracText.isEmpty())
        seconds += *rt::toDouble(QStringLiteral("0.") + fracText.toString());
    const std::int64_t minuteSeconds = minutes * 60;
    constexpr double limit = std::numeric_limits<std::int32_t>::max();
    if (minuteSeconds > std::numeric_limits<std::int32_t>::max()
        || minuteSeconds < std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    const double t = double(minuteSeconds) + seconds;
    if (!std::isfinite(t) || std::fabs(t) > limit)
        return std::nullopt;
    return t;
}

struct Label {
    QStringView key;
    QString caption;
};

// What pass 1 writes in place of one tag (the text from a "[" through a "]",
// holding no other "[").
QString convertTag(QStringView tag, LrcTagPassResult& r)
{
    static const Label labels[] = {
        {u"[ti:", QStringLiteral("标题：")},
        {u"[ar:", QStringLiteral("艺人：")},
        {u"[al:", QStringLiteral("专辑：")},
        {u"[by:", QStringLiteral("歌词编辑：")},
        {u"[t_time:", QStringLiteral("匹配曲目时间：")},
    };
    // A "]" inside a value becomes full-width, so a label never pairs with a
    // stray "[" into something that looks like a tag.
    auto valueAfter = [&](QStringView key) {
        QString v = tag.mid(key.size(), tag.size() - key.size() - 1).toString();
        return v.replace(u']', u'］');
    };
    for (const Label& l : labels)
        if (tag.startsWith(l.key))
            return l.caption + valueAfter(l.key);
    if (tag.startsWith(u"[offset:")) {
        // A value that is no 32-bit number leaves the offset as it was.
        if (const auto v = rt::toLong(valueAfter(u"[offset:")))
            r.offset = *v;
        return QStringLiteral("时间补偿：") + QString::number(r.offset) + QStringLiteral("毫秒");
    }
    if (tag.startsWith(u"[key:"))
        return QStringLiteral("*加密编码*");

    // The usual tag, "[mm:ss.xx]", read without the general path's copies
    // (the same value: both read the digits with from_chars).
    if (const qsizetype colon = tag.indexOf(u':'); colon > 1 && colon <= 7 && tag.endsWith(u']')) {
        const QStringView mins = tag.mid(1, colon - 1);
        const QStringView secs = tag.mid(colon + 1, tag.size() - colon - 2);
        if (std::all_of(mins.begin(), mins.end(), asciiDigit) && !secs.isEmpty() && asciiDigit(secs[0]))
            if (const auto sec = plainDecimal(secs)) {
                const double t = *plainDecimal(mins) * 60 + *sec;
                if (t <= double(std::numeric_limits<std::int32_t>::max())) {
                    ++r.tagCount;
                    return u'[' + secondsText(t) + u']';
                }
            }
    }

    QString v = tag.toString();
    v.remove(u'[').remove(u']').remove(u':');
    if (rt::isNumeric(v)) {
        const qsizetype close = tag.indexOf(u']');
        if (const auto t = tagSeconds(tag.mid(1, close - 1))) {
            ++r.tagCount;
            return u'[' + secondsText(*t) + u']';
        }
    }
    return fullWidthBrackets(tag);
}

// One tagged line of pass 3: "[" seconds "]" text.
struct TaggedLine {
    QStringView line;
    double value;
};

double lineValue(QStringView line)
{
    const qsizetype close = line.indexOf(u']');
    const QStringView number = line.mid(1, close - 1);
    if (const auto v = plainDecimal(number))
        return *v;
    const auto v = rt::toDouble(number.toString());
    // Pass 1 writes only numbers; anything else sorts last.
    return v ? *v : std::numeric_limits<double>::infinity();
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Length of a word stamp of enhanced LRC at i ("<mm:ss.xx>", "<m:ss>",
// "<mm:ss:xx>"); 0 when none starts there.
qsizetype wordStampAt(QStringView s, qsizetype i)
{
    qsizetype j = i + 1;
    const auto digits = [&] {
        const qsizetype from = j;
        while (j < s.size() && j - from < 3 && isDigit(s[j]))
            ++j;
        return j > from;
    };
    if (!digits() || j >= s.size() || s[j] != u':')
        return 0;
    ++j;
    if (!digits())
        return 0;
    if (j < s.size() && (s[j] == u'.' || s[j] == u':')) {
        ++j;
        if (!digits())
            return 0;
    }
    return j < s.size() && s[j] == u'>' ? j + 1 - i : 0;
}

// Word stamps time the words of a line for a word-by-word display; the line
// keeps its own time tags and shows its words. A stamp between blanks leaves
// one blank, one at the start or end of the line's text leaves none, one
// inside a word joins it ("beau<00:02.20>tiful").
QString stripWordStamps(const QString& text)
{
    if (!text.contains(u'<'))
        return text;
    const QStringView in(text);
    const qsizetype n = in.size();
    QString out;
    out.reserve(n);
    qsizetype lineStart = 0;      // in out
    qsizetype lineTextStart = -1; // in out: after the line's leading tags; -1 until needed
    qsizetype blanks = 0;         // at the end of out
    for (qsizetype i = 0; i < n;) {
        const QChar c = in[i];
        const qsizetype len = c == u'<' ? wordStampAt(in, i) : 0;
        if (len == 0) {
            out += c;
            ++i;
            blanks = isBlank(c) ? blanks + 1 : 0;
            if (c == u'\r' || c == u'\n') {
                lineStart = out.size();
                lineTextStart = -1;
            }
            continue;
        }
        if (lineTextStart < 0) {
            qsizetype p = lineStart;
            while (p < out.size() && out[p] == u'[') {
                const qsizetype close = out.indexOf(u']', p);
                if (close < 0)
                    break;
                p = close + 1;
            }
            lineTextStart = p;
        }
        const qsizetype before = std::min(blanks, out.size() - lineTextStart);
        qsizetype after = i + len; // past the blanks after the stamp
        while (after < n && isBlank(in[after]))
            ++after;
        const bool atStart = out.size() - before == lineTextStart;
        const bool atEnd = after == n || in[after] == u'\r' || in[after] == u'\n';
        if (atStart || atEnd) {
            out.chop(before);
            blanks -= before;
        }
        i = (atStart || atEnd || before > 0) ? after : i + len;
    }
    return out;
}

} // namespace

QString normaliseLyricText(const QString& decodedText)
{
    const QString decoded = stripWordStamps(decodedText);
    // LF -> CR LF, then "]" CR -> "] " CR, then "][" -> "]" CR LF "[", then
    // CR LF around it, in one pass: no step makes what a later one looks for.
    const qsizetype n = decoded.size();
    QString s(3 * n + 4, Qt::Uninitialized);
    QChar* out = s.data();
    const QChar* in = decoded.constData();
    *out++ = u'\r';
    *out++ = u'\n';
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = in[i];
        if (c == u'\n') {
            *out++ = u'\r';
            *out++ = u'\n';
        } else if (c == u']' && i + 1 < n && (in[i + 1] == u'\r' || in[i + 1] == u'\n')) {
            *out++ = u']';
            *out++ = u' ';
        } else if (c == u']' && i + 1 < n && in[i + 1] == u'[') {
            *out++ = u']';
            *out++ = u'\r';
            *out++ = u'\n';
        } else {
            *out++ = c;
        }
    }
    *out++ = u'\r';
    *out++ = u'\n';
    s.truncate(out - s.constData());
    static const char* const keys[][2] = {
        {"[TI:", "[ti:"}, {"[AR:", "[ar:"}, {"[AL:", "[al:"}, {"[BY:", "[by:"},
        {"[OFFSET:", "[offset:"}, {"[KEY:", "[key:"}, {"[T_TIME:", "[t_time:"},
    };
    for (const auto& k : keys)
        s.replace(QLatin1String(k[0]), QLatin1String(k[1]));
    s.replace(u'·', u'.');
    return s;
}

LrcTagPassResult parseLrcTags(const QString& lrcText)
{
    // From the end: each "]" with the last "[" before it is one tag; the scan
    // goes on before the tag, so every occurrence is handled where it stands
    // and what a replacement wrote is never looked at again.
    LrcTagPassResult r;
    const QStringView s(lrcText);
    ReverseBuilder out;
    qsizetype tail = s.size(); // s[tail..] is already in `out`
    qsizetype p = findBack(s, u']', s.size() - 1);
    while (p >= 0) {
        const qsizetype b = findBack(s, u'[', p - 1);
        if (b < 0)
            break;
        out.add(s.mid(p + 1, tail - p - 1));
        out.add(convertTag(s.mid(b, p - b + 1), r));
        tail = b;
        p = findBack(s, u']', b - 1);
    }
    out.add(s.left(tail));
    r.text = out.join();
    return r;
}

std::optional<QString> splitMultiTimeTags(const QString& text)
{
    // Borrowed text goes in after this tag only: another line with the same
    // tag keeps its own text.
    const QStringView s(text);
    const LineEnds lineEnd(s);
    ReverseBuilder out;
    QStringView prev; // a view: only borrowed text is copied
    qsizetype copied = 0;
    qsizetype tail = s.size();
    qsizetype p = findBack(s, u']', s.size() - 1);
    while (p >= 0) {
        if (findBack(s, u'[', p - 1) < 0)
            break;
        const QStringView own = s.mid(p + 1, lineEnd.from(p) - p - 1);
        if (own.isEmpty()) {
            copied += prev.size();
            if (copied > CopyBudget)
                return std::nullopt;
            out.add(s.mid(p + 1, tail - p - 1));
            out.add(prev);
            tail = p + 1;
        } else {
            prev = own;
        }
        p = findBack(s, u']', p - 1);
    }
    out.add(s.left(tail));
    return out.join();
}

std::optional<QString> sortLrcLines(const QString& text)
{
    const QStringView s(text);
    const LineEnds lineEnd(s);
    // Cutting from the end gives the lines in reverse text order.
    std::vector<TaggedLine> lines;
    qsizetype copied = 0;
    qsizetype c = s.size() - 1;
    for (;;) {
        const qsizetype d = findBack(s, u']', c);
        if (d < 0)
            break;
        c = d - 1;
        const qsizetype e = findBack(s, u'[', d - 1);
        if (e < 0)
            break;
        const qsizetype end = lineEnd.from(d);
        copied += end - e;
        if (copied > CopyBudget)
            return std::nullopt;
        const QStringView line = s.mid(e, end - e); // the tag and its line's text
        lines.push_back({line, lineValue(line)});
    }
    if (lines.empty())
        return std::nullopt;
    // Stable on the reverse text order: equal times come out last line first.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const TaggedLine& a, const TaggedLine& b) { return a.value < b.value; });

    const qsizetype first = s.indexOf(u'[');
    const qsizetype last = s.lastIndexOf(u'[');
    // Through the character after the CR that ends the last tagged line.
    const qsizetype rangeEnd = std::min(lineEnd.from(last) + 2, s.size());
    QString out;
    qsizetype n = first + (s.size() - rangeEnd);
    for (const TaggedLine& l : lines)
        n += l.line.size() + 2;
    out.reserve(n);
    out += s.left(first);
    for (const TaggedLine& l : lines) {
        out += l.line;
        out += CrLf;
    }
    out += s.mid(rangeEnd);
    return out;
}

LrcParseResult parseLrc(const QString& normalisedText)
{
    LrcParseResult r;
    LrcTagPassResult tags = parseLrcTags(normalisedText);
    r.offset = tags.offset;
    r.tagCount = tags.tagCount;
    if (tags.tagCount > 0) {
        if (const auto split = splitMultiTimeTags(tags.text)) {
            if (auto sorted = sortLrcLines(*split)) {
                r.text = std::move(*sorted);
                r.parsed = true;
                return r;
            }
        }
    }
    // No time tag (or absurd copying): the box shows the lyrics as read.
    r.text = normalisedText;
    return r;
}

void applyLrcResult(const LrcParseResult& result, RichTextModel& box, LyricState& state)
{
    state.offset = result.offset;
    state.clearHighlight();
    box.setText(result.text);
}

} // namespace melodune
