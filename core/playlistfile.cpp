#include "core/playlistfile.h"
#include "core/log.h"

#include "platform/atomicfile.h"
#include "platform/convert.h"
#include "platform/legacytext.h"
#include "platform/regularfile.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace melodune {

QString listFilePath(const QString& dataDir)
{
    return dataDir + QStringLiteral("/List.mdu");
}

QString currentIndexLine(std::int32_t index)
{
    return QLatin1Char('>') + QString::number(index);
}

QString listCountCaption(int count)
{
    return QStringLiteral("曲目列表(共") + QString::number(count) + QStringLiteral("首)");
}

std::int32_t clampCurrentIndex(std::int32_t index, int count)
{
    if (count <= 0)
        return index;
    if (index < 0)
        return 0;
    if (index >= count)
        return count - 1;
    return index;
}

bool isListFileName(const QString& path)
{
    const QString tail = path.right(4).toLower();
    return tail == QLatin1String(".mdu") || tail == QLatin1String(".m3u") ||
           path.right(5).toLower() == QLatin1String(".m3u8");
}

namespace {

bool isAddress(const QString& entry)
{
    return entry.contains(QLatin1String("://"));
}

// A line a person could have written as a path or an address: no control
// characters but the tab.
bool readsAsPathOrAddress(const QString& line)
{
    return std::none_of(line.begin(), line.end(),
                        [](QChar c) { return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f; });
}

} // namespace

EntryProblem listEntryProblem(const QString& entry)
{
    if (entry.contains(u'\n') || entry.contains(u'\r'))
        return EntryProblem::LineBreak;
    if (entry.contains(u'"'))
        return EntryProblem::DoubleQuote;
    if (entry.startsWith(u'#') || entry.startsWith(u'>'))
        return EntryProblem::LeadingMark;
    // A file name is decoded from its bytes as UTF-8, each invalid byte
    // becoming U+FFFD: the name then names no file. A name that really holds
    // the character names its file.
    if (entry.contains(QChar::ReplacementCharacter) && !isAddress(entry) && !QFileInfo::exists(entry))
        return EntryProblem::NotUtf8;
    if (rt::encodeLegacy(entry).size() + 2 > kMaxListLineBytes)
        return EntryProblem::TooLong;
    return EntryProblem::None;
}

QString entryProblemText(EntryProblem problem)
{
    switch (problem) {
    case EntryProblem::None:
        break;
    case EntryProblem::LineBreak:
        return QStringLiteral("名称中含有换行符");
    case EntryProblem::DoubleQuote:
        return QStringLiteral("名称中含有双引号");
    case EntryProblem::LeadingMark:
        return QStringLiteral("名称以“#”或“>”开头");
    case EntryProblem::NotUtf8:
        return QStringLiteral("文件名不是有效的 UTF-8 编码");
    case EntryProblem::TooLong:
        return QStringLiteral("名称过长");
    }
    return {};
}

QString entryForMessage(const QString& entry)
{
    QString shown = entry;
    shown.replace(QLatin1String("\r\n"), QStringLiteral("↵"));
    shown.replace(u'\r', u'↵');
    shown.replace(u'\n', u'↵');
    return shown;
}

PlaylistRead parsePlaylistText(const QString& text)
{
    PlaylistRead read;
    // Each line is copied once: a full list is tens of thousands of lines,
    // read while the window is being made.
    rt::forEachLine(text, [&read](QStringView view) {
        QString line = view.toString();
        line.remove(u'"');
        if (line.isEmpty() || line.startsWith(u'#'))
            return;
        if (line.startsWith(u'>')) {
            line.remove(u'>');
            if (const auto index = rt::toLong(line))
                read.currentIndex = *index;
            return;
        }
        read.entries.append(std::move(line));
    });
    return read;
}

rt::LegacyEncoding listEncoding(const QByteArray& bytes, const QString& listFolder)
{
    if (const auto settled = rt::settledLegacyEncoding(bytes))
        return *settled;
    // The entries are paths: the reading whose paths are on disk is right.
    // Checking a few thousand that differ tells enough.
    const QStringList asUtf8 = parsePlaylistText(rt::decodeAs(bytes, rt::LegacyEncoding::Utf8)).entries;
    const QStringList as936 = parsePlaylistText(rt::decodeAs(bytes, rt::LegacyEncoding::CodePage936)).entries;
    const QDir folder(listFolder);
    int utf8Found = 0, found936 = 0, checked = 0;
    for (qsizetype i = 0; i < std::min(asUtf8.size(), as936.size()) && checked < 4000; ++i) {
        if (asUtf8[i] == as936[i])
            continue;
        ++checked;
        utf8Found += QFileInfo::exists(folder.filePath(asUtf8[i]));
        found936 += QFileInfo::exists(folder.filePath(as936[i]));
    }
    if (utf8Found != found936)
        return utf8Found > found936 ? rt::LegacyEncoding::Utf8 : rt::LegacyEncoding::CodePage936;
    return rt::detectLegacyEncoding(bytes);
}

namespace {

// What parsePlaylistText makes of a line can be told from its bytes: the
// quote, "#", ">" and line-end bytes are never part of a longer character in
// GB18030 or UTF-8.
enum class LineKind { Skip, Index, Entry };

class ListScanner {
public:
    explicit ListScanner(int maxEntries) : max_(maxEntries) {}

    void feed(const char* p, qsizetype n)
    {
        sawNul = sawNul || std::memchr(p, 0, size_t(n)) != nullptr;
        const char* const end = p + n;
        while (p < end) {
            const char* e = p;
            while (e < end && *e != '\r' && *e != '\n')
                ++e;
            take(p, e);
            if (e == end)
                return;
            endLine(e + 1); // the line with its end character
            p = e + 1;
        }
    }
    void finish()
    {
        if (length_ > 0)
            endLine(nullptr);
    }

    QByteArray head;       // the lines up to the last entry kept, as read
    std::optional<std::int32_t> lastIndex; // of the last numeric ">" line after them
    int more = 0;
    bool sawNul = false;   // no text has it

private:
    void take(const char* b, const char* e)
    {
        for (const char* c = b; c < e && kind_ == Undecided; ++c) {
            if (bomLeft_ > 0 && uchar(*c) == uchar("\xEF\xBB\xBF"[3 - bomLeft_])) {
                --bomLeft_;
                continue;
            }
            bomLeft_ = 0;
            if (*c != '"')
                kind_ = *c == '#' ? int(LineKind::Skip) : *c == '>' ? int(LineKind::Index) : int(LineKind::Entry);
        }
        bomLeft_ = 0;
        length_ += e - b;
        // Kept whole only while the bytes can still be wanted.
        if (length_ <= kMaxListLineBytes && (!full_ || kind_ == int(LineKind::Index) || kind_ == Undecided))
            line_.append(b, e - b);
    }
    void endLine(const char* afterEnd)
    {
        const LineKind kind = kind_ == Undecided ? LineKind::Skip : LineKind(kind_);
        const bool tooLong = length_ > kMaxListLineBytes;
        if (kind == LineKind::Entry && (tooLong || full_ || entries_ == max_)) {
            full_ = full_ || entries_ == max_;
            ++more;
        } else if (!full_ && !tooLong) {
            head += line_;
            if (afterEnd)
                head += afterEnd[-1];
            entries_ += kind == LineKind::Entry;
        } else if (kind == LineKind::Index && !tooLong) {
            // A later numeric index line wins, as in the text.
            if (const auto index = parsePlaylistText(QString::fromLatin1(line_)).currentIndex)
                lastIndex = index;
        }
        line_.clear();
        length_ = 0;
        kind_ = Undecided;
    }

    static constexpr int Undecided = -1;
    const int max_;
    int entries_ = 0;
    bool full_ = false;
    int bomLeft_ = 3; // a byte-order mark opens the file only
    QByteArray line_;
    qsizetype length_ = 0;
    int kind_ = Undecided;
};

} // namespace

PlaylistRead readPlaylistFile(const QString& path, int maxEntries)
{
    PlaylistRead read;
    rt::RegularFile file;
    const rt::FileReadError opened = path.isEmpty() ? rt::FileReadError::Missing : file.open(path);
    if (opened != rt::FileReadError::None) {
        read.status = opened == rt::FileReadError::Missing ? ListReadStatus::Missing : ListReadStatus::Unreadable;
        return read;
    }
    ListScanner scan(maxEntries);
    QByteArray buf(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(buf.data(), buf.size());
        if (n < 0) {
            read.status = ListReadStatus::Unreadable;
            return read;
        }
        if (n == 0)
            break;
        scan.feed(buf.constData(), qsizetype(n));
    }
    scan.finish();
    // An .m3u8 list is UTF-8 by its name; one that is not is read as any other.
    const rt::LegacyEncoding encoding =
        path.right(5).toLower() == QLatin1String(".m3u8") && rt::wellFormedAs(scan.head, rt::LegacyEncoding::Utf8)
            ? rt::LegacyEncoding::Utf8
            : listEncoding(scan.head, QFileInfo(path).absolutePath());
    // Binary data (a media file named like a list) is no list: read as one
    // it would give thousands of junk entries and replace the saved list.
    // One stray byte in a list of good lines does not make it binary: the
    // list stands when some line came through the decoding whole.
    if (scan.sawNul) {
        read.status = ListReadStatus::NotText;
        return read;
    }
    bool wellFormed = false;
    const QString text = rt::decodeAs(scan.head, encoding, &wellFormed);
    const auto reads = [wellFormed](const QString& line) {
        return readsAsPathOrAddress(line) && (wellFormed || !line.contains(QChar::ReplacementCharacter));
    };
    read = parsePlaylistText(text);
    if ((!wellFormed && read.entries.isEmpty()) ||
        (!read.entries.isEmpty() && std::none_of(read.entries.cbegin(), read.entries.cend(), reads))) {
        read = PlaylistRead{};
        read.status = ListReadStatus::NotText;
        return read;
    }
    read.moreEntries = scan.more;
    if (scan.lastIndex)
        read.currentIndex = scan.lastIndex;
    return read;
}

QStringList importListFile(const QString& path, ListReadStatus* status)
{
    PlaylistRead read = readPlaylistFile(path);
    if (status)
        *status = read.status;
    return resolveListEntries(read.entries, path);
}

QByteArray playlistFileText(const QStringList& entries, std::optional<std::int32_t> currentIndex)
{
    QString text;
    if (currentIndex)
        text += rt::quotedLine(currentIndexLine(*currentIndex));
    for (const QString& entry : entries)
        text += rt::quotedLine(entry);
    return rt::encodeLegacy(text);
}

bool writePlaylistFile(const QString& path, const QStringList& entries,
                       std::optional<std::int32_t> currentIndex, QString* error)
{
    return rt::writeFileAtomically(path, playlistFileText(entries, currentIndex), error);
}

bool appendPlaylistLine(const QString& path, const QString& entry, QString* error)
{
    QByteArray data;
    if (QFileInfo::exists(path)) {
        // Read whole for the conversion below; a list far beyond what the
        // playlist holds (or no regular file) is left alone.
        if (!rt::readFileBytes(path, &data, qint64(64) << 20)) {
            if (error)
                *error = QStringLiteral("%1: cannot be read").arg(path);
            return false;
        }
        if (listEncoding(data, QFileInfo(path).absolutePath()) == rt::LegacyEncoding::Utf8) {
            // Saved as UTF-8 elsewhere: GB18030 bytes after it would make the
            // whole file unreadable, so it is converted. What the conversion
            // cannot keep (characters GB18030 lacks) leaves the file as it is.
            const QString text = rt::decodeAs(data, rt::LegacyEncoding::Utf8);
            const QByteArray body = data.startsWith("\xEF\xBB\xBF") ? data.mid(3) : data;
            const QByteArray converted = rt::encodeLegacy(text);
            if (text.toUtf8() != body || converted.count('?') != text.count(u'?')) {
                const QString why = QStringLiteral("%1: not convertible to GB18030 without loss").arg(path);
                qCWarning(lcCore) << "list file not extended:" << why;
                if (error)
                    *error = why;
                return false;
            }
            data = converted;
        }
        // A code page 936 or ASCII list is extended byte for byte, so even a
        // byte that decodes to nothing survives.
        //
        // A last line without its end would otherwise run into the new one.
        if (!data.isEmpty() && !data.endsWith('\n') && !data.endsWith('\r'))
            data += "\r\n";
    }
    data += rt::encodeLegacy(rt::quotedLine(entry));
    return rt::writeFileAtomically(path, data, error);
}

bool saveListAtShutdown(const QString& dataDir, const QStringList& entries, std::int32_t currentIndex,
                        QString* error)
{
    if (entries.isEmpty())
        return true;
    return writePlaylistFile(listFilePath(dataDir), entries, currentIndex, error);
}

bool rewriteListAfterDelete(const QString& dataDir, const QStringList& entries)
{
    if (entries.isEmpty())
        return removeListFile(dataDir);
    return writePlaylistFile(listFilePath(dataDir), entries, std::nullopt);
}

bool removeListFile(const QString& dataDir)
{
    QFile list(listFilePath(dataDir));
    if (!list.exists() || list.remove())
        return true;
    qCWarning(lcCore) << "list file not removed, the list comes back at the next start:" << list.fileName()
                      << list.errorString();
    return false;
}

QString defaultExportName(const QDateTime& when)
{
    return QStringLiteral("播放列表 - ") + rt::formatDate(when, QStringLiteral("yyMMddHHmmss"));
}

QString exportFileName(const QString& chosenPath)
{
    const qsizetype slash = chosenPath.lastIndexOf(u'/');
    const QString folder = chosenPath.left(slash + 1);
    QString name = chosenPath.mid(slash + 1);
    name.remove(QStringLiteral(".mdu"), Qt::CaseSensitive);
    return folder + name + QStringLiteral(".mdu");
}

bool exportPlaylist(const QString& chosenPath, const QStringList& entries, std::int32_t currentIndex,
                    QString* error)
{
    return writePlaylistFile(exportFileName(chosenPath), entries, currentIndex, error);
}

QString resolveListEntry(const QString& entry, const QString& listPath)
{
    if (entry.contains(QLatin1String("://")) || !QFileInfo(entry).isRelative())
        return entry;
    if (entry.size() >= 3 && entry[0].isLetter() && entry[1] == u':' && (entry[2] == u'\\' || entry[2] == u'/'))
        return entry;
    return QDir::cleanPath(QDir(QFileInfo(listPath).absolutePath()).absoluteFilePath(entry));
}

QStringList resolveListEntries(const QStringList& entries, const QString& listPath)
{
    QStringList out;
    out.reserve(entries.size());
    for (const QString& entry : entries)
        out.append(resolveListEntry(entry, listPath));
    return out;
}

} // namespace melodune
