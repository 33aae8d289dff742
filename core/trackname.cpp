#include "core/trackname.h"

namespace melodune {

namespace {

constexpr qsizetype kMaxBaseChars = 150;
constexpr qsizetype kMaxNameBytes = 255;

// Moves a cut position off the second half of a surrogate pair.
qsizetype cutStart(const QString& s, qsizetype from)
{
    if (from > 0 && from < s.size() && s[from].isLowSurrogate() && s[from - 1].isHighSurrogate())
        ++from;
    return from;
}

qsizetype utf8Length(const QString& s)
{
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80)
            bytes += 1;
        else if (c < 0x800)
            bytes += 2;
        else if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else
            bytes += 3;
    }
    return bytes;
}

} // namespace

QString mangledTrackBaseName(const QString& path)
{
    QString name = path;
    name.replace(u'\\', u'_');
    name.replace(u'/', u'_');
    name.replace(u':', u'-');
    if (name.size() > kMaxBaseChars)
        name = name.mid(cutStart(name, name.size() - kMaxBaseChars));
    return name;
}

namespace {

// The longest tail of `name` whose UTF-8 length with `fixedBytes` more fits
// the file-name limit; never splits a surrogate pair.
QString tailThatFits(const QString& name, qsizetype fixedBytes)
{
    qsizetype bytes = utf8Length(name);
    qsizetype from = 0;
    while (from < name.size() && bytes + fixedBytes > kMaxNameBytes) {
        const qsizetype next = cutStart(name, from + 1);
        bytes -= utf8Length(name.mid(from, next - from));
        from = next;
    }
    return name.mid(from);
}

} // namespace

QString backgroundCopyName(const QString& stamp, const QString& chosenFileName)
{
    constexpr qsizetype kMaxTailChars = 200;
    QString tail = chosenFileName;
    if (tail.size() > kMaxTailChars)
        tail = tail.mid(cutStart(tail, tail.size() - kMaxTailChars));
    const QString head = stamp + QLatin1Char('_');
    return head + tailThatFits(tail, utf8Length(head));
}

QString mangledTrackName(const QString& path, const QString& ext)
{
    const QString base = mangledTrackBaseName(path);
    return tailThatFits(base, utf8Length(ext)) + ext;
}

} // namespace melodune
