#include "platform/textfile.h"

namespace rt {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

} // namespace

QString quotedLine(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1String("\"\r\n");
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    forEachLine(text, [&lines](QStringView line) { lines.append(line.toString()); });
    return lines;
}

FieldReader::FieldReader(QString text) : text_(std::move(text)) {}

bool FieldReader::atEnd() const { return pos_ >= text_.size(); }

QString FieldReader::next()
{
    const qsizetype n = text_.size();
    while (pos_ < n && isBlank(text_[pos_]))
        ++pos_;
    if (pos_ >= n)
        return {};

    QString field;
    if (text_[pos_] == u'"') {
        // Verbatim up to the closing quote (or the end of a cut-off text);
        // anything between that quote and the separator is dropped.
        const qsizetype close = text_.indexOf(u'"', pos_ + 1);
        const qsizetype end = close < 0 ? n : close;
        field = text_.mid(pos_ + 1, end - pos_ - 1);
        pos_ = close < 0 ? n : close + 1;
        while (pos_ < n && text_[pos_] != u',' && !isLineEnd(text_[pos_]))
            ++pos_;
    } else {
        const qsizetype start = pos_;
        while (pos_ < n && text_[pos_] != u',' && !isLineEnd(text_[pos_]))
            ++pos_;
        qsizetype end = pos_;
        while (end > start && isBlank(text_[end - 1]))
            --end;
        field = text_.mid(start, end - start);
    }
    // Step over the separator; CR LF counts as one.
    if (pos_ < n) {
        const bool cr = text_[pos_] == u'\r';
        ++pos_;
        if (cr && pos_ < n && text_[pos_] == u'\n')
            ++pos_;
    }
    return field;
}

} // namespace rt
