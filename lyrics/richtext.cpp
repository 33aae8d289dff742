#include "lyrics/richtext.h"

#include <algorithm>

namespace melodune {

RichTextModel::RichTextModel(QObject* parent) : QObject(parent) {}

// ---------------------------------------------------------------- text

void RichTextModel::setText(const QString& text)
{
    const CharFormat base = formats_.empty() ? insertFormat_ : formats_.front();
    text_ = text;
    formats_.assign(std::size_t(text_.size()), base);
    insertFormat_ = base;
    rebuildLines();
    const bool selMoved = selStart_ != 0 || selLength_ != 0;
    selStart_ = selLength_ = 0;
    const bool scrolledBack = firstVisible_ != 0;
    firstVisible_ = 0;
    emit textChanged();
    if (selMoved)
        emit selectionChanged();
    if (scrolledBack)
        emit scrolled(0);
}

int RichTextModel::find1(int start1, QStringView needle) const
{
    if (start1 < 1 || start1 > length() + 1)
        return 0;
    if (needle.isEmpty())
        return start1 <= length() ? start1 : 0;
    const qsizetype i = QStringView(text_).indexOf(needle, start1 - 1);
    return i < 0 ? 0 : int(i) + 1;
}

int RichTextModel::findLast1(QStringView needle, int start1) const
{
    if (start1 == -1)
        start1 = length();
    if (start1 < 1 || start1 > length() || needle.size() > start1)
        return 0;
    if (needle.isEmpty())
        return start1;
    // The match must end by start1, so it starts at or before start1 - len.
    const qsizetype from = start1 - needle.size();
    const qsizetype i = QStringView(text_).lastIndexOf(needle, from);
    return i < 0 ? 0 : int(i) + 1;
}

QString RichTextModel::slice1(int start1, int length) const
{
    if (start1 < 1)
        return {};
    return text_.mid(start1 - 1, length);
}

int RichTextModel::indexOf(QStringView needle, int from0) const
{
    return int(QStringView(text_).indexOf(needle, std::max(0, from0)));
}

int RichTextModel::lastIndexOf(QStringView needle, int from0) const
{
    if (from0 < -1)
        return -1;
    return int(QStringView(text_).lastIndexOf(needle, from0));
}

// ---------------------------------------------------------------- selection

void RichTextModel::setSelStart(int start0)
{
    select(start0, 0);
}

void RichTextModel::setSelLength(int length)
{
    const int l = std::clamp(length, 0, this->length() - selStart_);
    if (l == selLength_)
        return;
    selLength_ = l;
    emit selectionChanged();
}

void RichTextModel::select(int start0, int length)
{
    const int s = std::clamp(start0, 0, this->length());
    const int l = std::clamp(length, 0, this->length() - s);
    const bool changed = s != selStart_ || l != selLength_;
    selStart_ = s;
    selLength_ = l;
    if (changed)
        emit selectionChanged();
    ensureCaretVisible();
}

void RichTextModel::selectAll()
{
    select(0, length());
}

QString RichTextModel::selText() const
{
    return text_.mid(selStart_, selLength_);
}

CharFormat RichTextModel::insertionFormat() const
{
    if (selLength_ > 0)
        return formats_[std::size_t(selStart_)];
    if (selStart_ > 0)
        return formats_[std::size_t(selStart_ - 1)];
    if (!formats_.empty())
        return formats_.front();
    return insertFormat_;
}

void RichTextModel::setSelText(const QString& text)
{
    const CharFormat f = insertionFormat();
    text_.replace(selStart_, selLength_, text);
    const auto at = formats_.begin() + selStart_;
    formats_.erase(at, at + selLength_);
    formats_.insert(formats_.begin() + selStart_, std::size_t(text.size()), f);
    selStart_ += int(text.size());
    selLength_ = 0;
    rebuildLines();
    const int first = std::min(firstVisible_, maxFirstVisible());
    const bool scrolledBack = first != firstVisible_;
    firstVisible_ = first;
    emit textChanged();
    emit selectionChanged();
    if (scrolledBack)
        emit scrolled(firstVisible_);
    ensureCaretVisible();
}

template <class Get>
auto RichTextModel::uniform(Get get) const -> std::optional<decltype(get(CharFormat{}))>
{
    if (selLength_ == 0)
        return get(insertionFormat());
    const auto first = formats_.begin() + selStart_;
    const auto value = get(*first);
    for (auto it = first + 1; it != first + selLength_; ++it)
        if (get(*it) != value)
            return std::nullopt;
    return value;
}

std::optional<rt::PackedColor> RichTextModel::selColor() const
{
    return uniform([](const CharFormat& f) { return f.color; });
}

std::optional<bool> RichTextModel::selBold() const
{
    return uniform([](const CharFormat& f) { return f.bold; });
}

std::optional<int> RichTextModel::selFontSize() const
{
    return uniform([](const CharFormat& f) { return f.size; });
}

void RichTextModel::setSelColor(rt::PackedColor color)
{
    if (selLength_ == 0)
        insertFormat_.color = color;
    setColor(selStart_, selLength_, color);
}

void RichTextModel::setSelBold(bool bold)
{
    if (selLength_ == 0)
        insertFormat_.bold = bold;
    setBold(selStart_, selLength_, bold);
}

void RichTextModel::setSelFontSize(int points)
{
    if (selLength_ == 0)
        insertFormat_.size = std::int16_t(std::clamp(points, 0, 32767));
    setFontSize(selStart_, selLength_, points);
}

// ---------------------------------------------------------------- formats

RichTextModel::Range RichTextModel::clampRange(int start0, int length) const
{
    const int s = std::clamp(start0, 0, this->length());
    const int e = std::clamp(length, 0, this->length() - s) + s;
    return {s, e};
}

template <class Apply>
void RichTextModel::applyRange(int start0, int length, Apply apply)
{
    const Range r = clampRange(start0, length);
    if (r.start == r.end)
        return;
    for (int i = r.start; i < r.end; ++i)
        apply(formats_[std::size_t(i)]);
    emit formatChanged(r.start, r.end - r.start);
}

void RichTextModel::setColor(int start0, int length, rt::PackedColor color)
{
    applyRange(start0, length, [color](CharFormat& f) { f.color = color; });
}

void RichTextModel::setBold(int start0, int length, bool bold)
{
    applyRange(start0, length, [bold](CharFormat& f) { f.bold = bold; });
}

void RichTextModel::setFontSize(int start0, int length, int points)
{
    const auto size = std::int16_t(std::clamp(points, 0, 32767));
    applyRange(start0, length, [size](CharFormat& f) { f.size = size; });
}

CharFormat RichTextModel::formatAt(int pos0) const
{
    if (pos0 < 0 || pos0 >= length())
        return insertFormat_;
    return formats_[std::size_t(pos0)];
}

void RichTextModel::forEachRun(int start0, int length,
                               const std::function<void(int, int, const CharFormat&)>& f) const
{
    const Range r = clampRange(start0, length);
    int i = r.start;
    while (i < r.end) {
        const CharFormat& cur = formats_[std::size_t(i)];
        int j = i + 1;
        while (j < r.end && formats_[std::size_t(j)] == cur)
            ++j;
        f(i, j - i, cur);
        i = j;
    }
}

// ---------------------------------------------------------------- box

void RichTextModel::setBackColor(rt::PackedColor c)
{
    if (c == backColor_)
        return;
    backColor_ = c;
    emit boxChanged();
}

void RichTextModel::setFontName(const QString& name)
{
    if (name == fontName_)
        return;
    fontName_ = name;
    emit boxChanged();
}

void RichTextModel::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    emit boxChanged();
}

void RichTextModel::setVisible(bool on)
{
    if (on == visible_)
        return;
    visible_ = on;
    emit boxChanged();
}

// ---------------------------------------------------------------- lines

void RichTextModel::rebuildLines()
{
    lineStarts_.clear();
    lineStarts_.push_back(0);
    const QChar* s = text_.constData();
    const int n = length();
    for (int i = 0; i < n; ++i) {
        if (s[i] == u'\r') {
            if (i + 1 < n && s[i + 1] == u'\n')
                ++i;
            lineStarts_.push_back(i + 1);
        } else if (s[i] == u'\n') {
            lineStarts_.push_back(i + 1);
        }
    }
}

int RichTextModel::lineFromChar(int pos0) const
{
    const int p = std::clamp(pos0, 0, length());
    const auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), p);
    return int(it - lineStarts_.begin()) - 1;
}

int RichTextModel::lineStart(int line) const
{
    if (line < 0 || line >= lineCount())
        return -1;
    return lineStarts_[std::size_t(line)];
}

int RichTextModel::lineLength(int line) const
{
    if (line < 0 || line >= lineCount())
        return 0;
    const int s = lineStarts_[std::size_t(line)];
    int e = line + 1 < lineCount() ? lineStarts_[std::size_t(line + 1)] : length();
    // Drop the break: CR LF, CR or LF.
    if (line + 1 < lineCount()) {
        --e;
        if (e > s && text_[e] == u'\n' && text_[e - 1] == u'\r')
            --e;
    }
    return e - s;
}

QString RichTextModel::lineText(int line) const
{
    const int s = lineStart(line);
    return s < 0 ? QString() : text_.mid(s, lineLength(line));
}

// ---------------------------------------------------------------- scrolling

int RichTextModel::maxFirstVisible() const
{
    return std::max(0, lineCount() - std::max(1, visibleLines_));
}

void RichTextModel::setFirstVisibleLine(int line)
{
    const int l = std::clamp(line, 0, maxFirstVisible());
    if (l == firstVisible_)
        return;
    firstVisible_ = l;
    emit scrolled(l);
}

void RichTextModel::lineScroll(int n)
{
    // Widen before adding so a huge step cannot overflow.
    const long long target = (long long)firstVisible_ + n;
    setFirstVisibleLine(int(std::clamp<long long>(target, 0, maxFirstVisible())));
}

void RichTextModel::setVisibleLineCount(int lines)
{
    visibleLines_ = std::max(0, lines);
    setFirstVisibleLine(firstVisible_);
}

void RichTextModel::ensureCaretVisible()
{
    if (visibleLines_ <= 0)
        return;
    const int caretLine = lineFromChar(selStart_ + selLength_);
    if (caretLine < firstVisible_)
        setFirstVisibleLine(caretLine);
    else if (caretLine >= firstVisible_ + visibleLines_)
        setFirstVisibleLine(caretLine - visibleLines_ + 1);
}

} // namespace melodune
