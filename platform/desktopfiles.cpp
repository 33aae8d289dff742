#include "platform/desktopfiles.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <algorithm>

namespace rt {

namespace {

const QString kOwnPrefix = QStringLiteral("application/x-melodune-");

const QByteArray kDefaultGroup = "[Default Applications]";
const QByteArray kAddedGroup = "[Added Associations]";

QString xmlEscaped(const QString& s)
{
    return s.toHtmlEscaped();
}

// One line of a text file and the end it had ("\n", "\r\n" or none).
struct Line {
    QByteArray text;
    QByteArray eol;
};

std::vector<Line> splitLines(const QByteArray& in)
{
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < in.size()) {
        const qsizetype nl = in.indexOf('\n', start);
        if (nl < 0) {
            lines.push_back({in.mid(start), {}});
            break;
        }
        QByteArray text = in.mid(start, nl - start);
        QByteArray eol = "\n";
        if (text.endsWith('\r')) {
            text.chop(1);
            eol = "\r\n";
        }
        lines.push_back({text, eol});
        start = nl + 1;
    }
    return lines;
}

bool isHeader(const QByteArray& text)
{
    const QByteArray t = text.trimmed();
    return t.startsWith('[') && t.endsWith(']');
}

bool isKeyLine(const QByteArray& text)
{
    const QByteArray t = text.trimmed();
    return !t.isEmpty() && !t.startsWith('#') && !isHeader(t) && t.contains('=');
}

QString keyOf(const QByteArray& text)
{
    return QString::fromUtf8(text.left(text.indexOf('=')).trimmed());
}

// The value of a key line and what stands around it.
struct KeyLine {
    QByteArray prefix; // the key, "=" and the blanks after it
    QByteArray value;
    QByteArray suffix; // trailing blanks
};

KeyLine splitKeyLine(const QByteArray& text)
{
    KeyLine k;
    qsizetype i = text.indexOf('=') + 1;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    k.prefix = text.left(i);
    qsizetype end = text.size();
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    k.value = text.mid(i, end - i);
    k.suffix = text.mid(end);
    return k;
}

// `value` without the ids in `drop`; `empty` tells whether any entry is left.
QByteArray withoutIds(const QByteArray& value, const QList<QByteArray>& drop, bool* empty)
{
    const QList<QByteArray> parts = value.split(';');
    QList<QByteArray> kept;
    bool any = false;
    for (const QByteArray& p : parts) {
        if (drop.contains(p.trimmed()))
            continue;
        kept << p;
        any = any || !p.trimmed().isEmpty();
    }
    *empty = !any;
    return kept.join(';');
}

class MimeAppsText {
public:
    explicit MimeAppsText(const QByteArray& in)
        : lines_(splitLines(in))
    {
        eol_ = "\n";
        for (const Line& l : lines_)
            if (l.eol == "\r\n") {
                eol_ = "\r\n";
                break;
            }
    }

    QByteArray text() const
    {
        QByteArray out;
        for (const Line& l : lines_)
            out += l.text + l.eol;
        return out;
    }

    // Our ids out of every line for `type` in the groups named `group`; with
    // `first`, `first` leads the first such line (a line is added when there
    // is none).
    void edit(const QByteArray& group, const QString& type, const QByteArray& first,
              const std::function<bool(const QString&)>& matches)
    {
        const QList<QByteArray> ours = {openEntryId().toUtf8(), addEntryId().toUtf8()};
        bool placed = first.isEmpty();
        qsizetype firstGroupHeader = -1;
        for (qsizetype h = 0; h < qsizetype(lines_.size()); ++h) {
            if (lines_[h].text.trimmed() != group)
                continue;
            if (firstGroupHeader < 0)
                firstGroupHeader = h;
            bool removedHere = false;
            qsizetype i = h + 1;
            while (i < qsizetype(lines_.size()) && !isHeader(lines_[i].text)) {
                Line& l = lines_[i];
                if (!isKeyLine(l.text) || !matches(keyOf(l.text))) {
                    ++i;
                    continue;
                }
                KeyLine k = splitKeyLine(l.text);
                bool empty = false;
                k.value = withoutIds(k.value, ours, &empty);
                if (!placed) {
                    k.value = empty ? first + ';' : first + ';' + k.value;
                    placed = true;
                    empty = false;
                }
                if (empty) {
                    lines_.erase(lines_.begin() + i);
                    removedHere = true;
                    continue;
                }
                l.text = k.prefix + k.value + k.suffix;
                ++i;
            }
            // A group we emptied goes with its last line.
            if (removedHere && (h + 1 == qsizetype(lines_.size()) || isHeader(lines_[h + 1].text))) {
                lines_.erase(lines_.begin() + h);
                --h;
            }
        }
        if (placed)
            return;
        const QByteArray line = type.toUtf8() + '=' + first + ';';
        if (firstGroupHeader < 0) {
            terminateLast();
            lines_.push_back({group, eol_});
            lines_.push_back({line, eol_});
            return;
        }
        // After the group's last non-blank line.
        qsizetype at = firstGroupHeader + 1, end = at;
        while (end < qsizetype(lines_.size()) && !isHeader(lines_[end].text)) {
            if (!lines_[end].text.trimmed().isEmpty())
                at = end + 1;
            ++end;
        }
        if (lines_[at - 1].eol.isEmpty())
            lines_[at - 1].eol = eol_;
        lines_.insert(lines_.begin() + at, Line{line, eol_});
    }

private:
    void terminateLast()
    {
        if (!lines_.empty() && lines_.back().eol.isEmpty())
            lines_.back().eol = eol_;
    }

    std::vector<Line> lines_;
    QByteArray eol_;
};

} // namespace

QString openEntryId() { return QStringLiteral("melodune.desktop"); }
QString addEntryId() { return QStringLiteral("melodune-add.desktop"); }
QString listMimeType() { return QStringLiteral("application/x-melodune-playlist"); }

QString ownMimeType(const QString& ext) { return kOwnPrefix + ext.toLower(); }

bool isOwnMimeType(const QString& name) { return name.startsWith(kOwnPrefix); }

QStringList databaseMimeTypes(const QString& ext)
{
    QMimeDatabase db;
    QStringList names;
    for (const QMimeType& t : db.mimeTypesForFileName(QStringLiteral("x.") + ext.toLower()))
        if (!isOwnMimeType(t.name()))
            names << t.name();
    names.sort();
    names.removeDuplicates();
    return names;
}

QStringList mimeTypesForExtension(const QString& ext)
{
    const QStringList names = databaseMimeTypes(ext);
    return names.isEmpty() ? QStringList{ownMimeType(ext)} : names;
}

QString canonicalMimeType(const QString& name)
{
    if (isOwnMimeType(name))
        return name;
    const QMimeType t = QMimeDatabase().mimeTypeForName(name);
    return t.isValid() ? t.name() : name;
}

QByteArray mimePackage(const QStringList& ownTypeExtensions)
{
    QString x = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                               "  <mime-type type=\"%1\">\n"
                               "    <comment>MDU File</comment>\n"
                               "    <sub-class-of type=\"text/plain\"/>\n"
                               "    <glob pattern=\"*.mdu\"/>\n"
                               "  </mime-type>\n")
                    .arg(listMimeType());
    for (const QString& ext : ownTypeExtensions) {
        x += QStringLiteral("  <mime-type type=\"%1\">\n"
                            "    <comment>%2</comment>\n"
                            "    <glob pattern=\"*.%3\"/>\n"
                            "  </mime-type>\n")
                 .arg(ownMimeType(ext), xmlEscaped(ext.toUpper() + QStringLiteral(" 文件")),
                      xmlEscaped(ext.toLower()));
    }
    x += QStringLiteral("</mime-info>\n");
    return x.toUtf8();
}

QString desktopString(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char(' ') && i == 0)
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

QString execProgram(const QString& program)
{
    // A plain path stays bare: xdg-utils (xdg-mime, xdg-open without a
    // desktop session) take the Exec line's first word as it stands and do
    // not recognise a quoted program.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool plain = true;
    for (QChar c : program)
        plain = plain && !reserved.contains(c) && c != QLatin1Char('\r');
    if (plain) {
        QString bare = program;
        return bare.replace(QLatin1Char('%'), QStringLiteral("%%"));
    }
    QString quoted;
    for (QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    QString inFile;
    for (QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            inFile += QStringLiteral("\\\\");
        else if (c == QLatin1Char('%'))
            inFile += QStringLiteral("%%");
        else if (c == QLatin1Char('\n'))
            inFile += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            inFile += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            inFile += QStringLiteral("\\r");
        else
            inFile += c;
    }
    return QLatin1Char('"') + inFile + QLatin1Char('"');
}

QByteArray desktopEntry(const DesktopEntry& e)
{
    QString s = QStringLiteral("[Desktop Entry]\nType=Application\nVersion=1.0\n");
    s += QStringLiteral("Name=") + desktopString(e.name) + QLatin1Char('\n');
    if (!e.icon.isEmpty())
        s += QStringLiteral("Icon=") + desktopString(e.icon) + QLatin1Char('\n');
    s += QStringLiteral("TryExec=") + desktopString(e.program) + QLatin1Char('\n');
    s += QStringLiteral("Exec=") + execProgram(e.program);
    if (!e.arguments.isEmpty())
        s += QLatin1Char(' ') + e.arguments;
    s += QLatin1Char('\n');
    if (!e.mimeTypes.isEmpty())
        s += QStringLiteral("MimeType=") + e.mimeTypes.join(QLatin1Char(';')) + QStringLiteral(";\n");
    s += QStringLiteral("Terminal=false\n");
    if (e.noDisplay)
        s += QStringLiteral("NoDisplay=true\n");
    else
        s += QStringLiteral("Categories=AudioVideo;Audio;Player;\n");
    return s.toUtf8();
}

QByteArray editMimeApps(const QByteArray& input, const std::vector<MimeAppsChange>& changes,
                        const std::function<QString(const QString&)>& canonical)
{
    MimeAppsText text(input);
    for (const MimeAppsChange& c : changes) {
        // Our own types have no aliases: no database look-up for them.
        const auto matches = [&](const QString& key) {
            return key == c.mimeType || (!isOwnMimeType(c.mimeType) && canonical(key) == c.mimeType);
        };
        if (c.takeOver) {
            text.edit(kDefaultGroup, c.mimeType, openEntryId().toUtf8(), matches);
            text.edit(kAddedGroup, c.mimeType, c.addVerb ? addEntryId().toUtf8() : QByteArray(), matches);
        } else {
            text.edit(kDefaultGroup, c.mimeType, {}, matches);
            text.edit(kAddedGroup, c.mimeType, {}, matches);
        }
    }
    return text.text();
}

} // namespace rt
