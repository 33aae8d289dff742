#pragma once
// The program's text files line by line: the quoted line it writes, the
// line ends it reads, and comma-separated fields.
#include <QString>
#include <QStringList>

namespace rt {

// The quoted write: `"text"` CR LF, no escaping.
QString quotedLine(const QString& text);

// Splits text into lines; a line ends at CR LF, CR or LF. A final line
// without an end is kept; a final end does not make an extra empty line.
QStringList splitLines(const QString& text);

// The lines splitLines gives, handed to `f` one by one as views into
// `text` (nothing is copied).
template <class F>
void forEachLine(QStringView text, F&& f)
{
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        f(text.sliced(start, i - start));
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        f(text.sliced(start));
}

// Delimited-field reading over a whole text: fields are separated by commas
// outside double quotes and by line ends; a quoted field is taken verbatim
// without its quotes; an unquoted field is trimmed of blanks.
class FieldReader {
public:
    explicit FieldReader(QString text);
    bool atEnd() const;
    // The next field; an empty string once the text is used up.
    QString next();

private:
    QString text_;
    qsizetype pos_ = 0;
};

} // namespace rt
