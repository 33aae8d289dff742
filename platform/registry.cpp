#include "platform/registry.h"

#include "platform/atomicfile.h"
#include "platform/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <memory>
#include <sys/stat.h>

namespace rt {

namespace {

struct RootInfo {
    HKey handle;
    const char* name;
};
constexpr RootInfo Roots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

bool isRootHandle(HKey key)
{
    for (const RootInfo& r : Roots)
        if (r.handle == key)
            return true;
    return false;
}

bool isRootPath(const QString& path)
{
    return !path.contains(QLatin1Char('\\'));
}

// A string as written in the file: quoted, with backslash escapes for the
// characters that would break a line or the quotes.
QString quote(const QString& s)
{
    QString out;
    out.reserve(s.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case 0: out += QLatin1String("\\0"); break;
        default: out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

// Reads a quoted string starting at line[*pos] (the opening quote); moves
// *pos past the closing quote.
bool unquote(const QString& line, qsizetype* pos, QString* out)
{
    qsizetype i = *pos;
    if (i >= line.size() || line[i] != QLatin1Char('"'))
        return false;
    ++i;
    out->clear();
    while (i < line.size()) {
        const QChar c = line[i];
        if (c == QLatin1Char('"')) {
            *pos = i + 1;
            return true;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 >= line.size())
                return false;
            const QChar e = line[i + 1];
            switch (e.unicode()) {
            case '\\': *out += QLatin1Char('\\'); break;
            case '"': *out += QLatin1Char('"'); break;
            case 'n': *out += QLatin1Char('\n'); break;
            case 'r': *out += QLatin1Char('\r'); break;
            case '0': *out += QChar(0); break;
            default: return false;
            }
            i += 2;
            continue;
        }
        *out += c;
        ++i;
    }
    return false;
}

Registry* installed = nullptr;

} // namespace

Registry::Registry(QString filePath)
    : path_(std::move(filePath))
{
    load();
}

QString Registry::defaultFilePath()
{
    const QByteArray env = qgetenv("MELODUNE_REGISTRY_FILE");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/melodune/registry.ini");
}

QString Registry::rootName(HKey root)
{
    for (const RootInfo& r : Roots)
        if (r.handle == root)
            return QString::fromLatin1(r.name);
    return {};
}

QString Registry::rootSpelling(const QString& foldedRoot)
{
    for (const RootInfo& r : Roots)
        if (fold(QString::fromLatin1(r.name)) == foldedRoot)
            return QString::fromLatin1(r.name);
    return foldedRoot;
}

QString Registry::fold(const QString& s)
{
    return s.toCaseFolded();
}

bool Registry::load()
{
    keys_.clear();
    loadError_.clear();
    damaged_ = false;
    QFile f(path_);
    if (!f.exists()) {
        rememberFileStamp();
        return true;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        loadError_ = QStringLiteral("%1: %2").arg(path_, f.errorString());
        damaged_ = true;
        rememberFileStamp();
    } else {
        const QByteArray bytes = f.readAll();
        rememberFileStamp();
        QString error;
        if (parse(bytes, &keys_, &error))
            return true;
        loadError_ = QStringLiteral("%1: %2").arg(path_, error);
        damaged_ = true;
    }
    qCWarning(lcPlatform) << "key store not read whole; it is set aside at the next change:" << loadError_;
    return false;
}

bool Registry::parse(const QByteArray& bytes, Keys* into, QString* error) const
{
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    Key* current = nullptr;
    QStringList bad;
    auto ensureKey = [into](const QString& path) -> Key* {
        // Parents first, so every key of the file is reachable step by step.
        const QStringList parts = path.split(QLatin1Char('\\'));
        QString p;
        Key* k = nullptr;
        for (const QString& part : parts) {
            p = p.isEmpty() ? part : p + QLatin1Char('\\') + part;
            auto [it, added] = into->try_emplace(fold(p));
            if (added)
                it->second.path = p;
            k = &it->second;
        }
        return k;
    };
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            const QString path = trimmed.mid(1, trimmed.size() - 2);
            const QString root = path.section(QLatin1Char('\\'), 0, 0);
            bool known = false;
            for (const RootInfo& r : Roots)
                known = known || root == QLatin1String(r.name);
            if (!known || path.contains(QLatin1String("\\\\")) || path.endsWith(QLatin1Char('\\'))) {
                bad << QString::number(n + 1);
                current = nullptr;
                continue;
            }
            current = ensureKey(path);
            continue;
        }
        // name=value
        Value v;
        qsizetype pos = 0;
        bool ok = current != nullptr;
        if (ok && line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (ok) {
            ok = unquote(line, &pos, &v.name);
        }
        ok = ok && pos < line.size() && line[pos] == QLatin1Char('=');
        if (ok) {
            ++pos;
            if (line.mid(pos).startsWith(QLatin1String("dword:"))) {
                const QString hex = line.mid(pos + 6);
                bool isNumber = false;
                const uint number = hex.toUInt(&isNumber, 16);
                ok = isNumber && hex.size() == 8;
                v.data.type = REG_DWORD;
                v.data.number = number;
            } else {
                v.data.type = REG_SZ;
                ok = unquote(line, &pos, &v.data.text) && pos == line.size();
            }
        }
        if (!ok) {
            bad << QString::number(n + 1);
            continue;
        }
        current->values[fold(v.name)] = v;
    }
    if (!bad.isEmpty()) {
        *error = QStringLiteral("unreadable lines %1").arg(bad.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

QByteArray Registry::serialise() const
{
    QString out = QStringLiteral("; Melodune per-user registry store (UTF-8)\n");
    for (const auto& [folded, key] : keys_) {
        Q_UNUSED(folded);
        if (isRootPath(key.path) && key.values.empty())
            continue;
        out += QStringLiteral("\n[") + key.path + QStringLiteral("]\n");
        for (const auto& [vf, v] : key.values) {
            Q_UNUSED(vf);
            out += v.name.isEmpty() ? QStringLiteral("@") : quote(v.name);
            out += QLatin1Char('=');
            if (v.data.type == REG_DWORD)
                out += QStringLiteral("dword:%1").arg(v.data.number, 8, 16, QLatin1Char('0'));
            else
                out += quote(v.data.text);
            out += QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

Registry::FileStamp Registry::currentStamp() const
{
    // Every save renames a new file into place, so the inode alone tells a
    // rewrite apart even within one clock tick.
    FileStamp st;
    struct stat sb {};
    if (::stat(QFile::encodeName(path_).constData(), &sb) == 0) {
        st.exists = true;
        st.inode = sb.st_ino;
        st.device = sb.st_dev;
        st.size = sb.st_size;
        st.mtimeNs = qint64(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec;
    }
    return st;
}

void Registry::rememberFileStamp()
{
    stamp_ = currentStamp();
}

void Registry::reloadIfChangedOnDisk()
{
    // Another instance of the program may have written the file since; its
    // changes must not be overwritten with our older view.
    if (!(currentStamp() == stamp_))
        load();
}

bool Registry::save(QString* error)
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (damaged_ && QFile::exists(path_)) {
        if (!copyFileAtomically(path_, path_ + QStringLiteral(".bad"), error))
            return false;
    }
    if (!writeFileAtomically(path_, serialise(), error))
        return false;
    damaged_ = false;
    rememberFileStamp();
    return true;
}

bool Registry::resolve(HKey key, const QString& subKey, QString* path, std::int32_t* error) const
{
    QString base;
    if (isRootHandle(key)) {
        base = fold(rootName(key));
    } else {
        const auto it = handles_.constFind(key);
        if (it == handles_.constEnd()) {
            *error = ERROR_INVALID_HANDLE;
            return false;
        }
        base = *it;
    }
    if (subKey.isEmpty()) {
        *path = base;
        return true;
    }
    for (const QString& part : subKey.split(QLatin1Char('\\'))) {
        if (part.isEmpty() || part.contains(QLatin1Char('\n')) || part.contains(QLatin1Char('\r'))
            || part.contains(QChar(0))) {
            *error = ERROR_INVALID_PARAMETER;
            return false;
        }
    }
    *path = base + QLatin1Char('\\') + subKey;
    return true;
}

HKey Registry::newHandle(const QString& foldedPath)
{
    while (handles_.contains(nextHandle_) || isRootHandle(nextHandle_) || nextHandle_ == 0)
        ++nextHandle_;
    const HKey h = nextHandle_++;
    handles_.insert(h, foldedPath);
    return h;
}

std::int32_t Registry::createKey(HKey root, const QString& subKey, HKey* result)
{
    reloadIfChangedOnDisk();
    QString base, full;
    std::int32_t error = ERROR_SUCCESS;
    if (!resolve(root, QString(), &base, &error) || !resolve(root, subKey, &full, &error))
        return error;
    const Keys before = keys_;
    bool changed = false;
    if (!keys_.count(base))
        keys_[base].path = rootSpelling(base); // handles exist only for keys, so this is a root
    // Parts that exist keep their spelling; new ones are spelt as given.
    QString cur = base;
    if (!subKey.isEmpty()) {
        for (const QString& part : subKey.split(QLatin1Char('\\'))) {
            const QString next = cur + QLatin1Char('\\') + fold(part);
            if (!keys_.count(next)) {
                Key k;
                k.path = keys_.at(cur).path + QLatin1Char('\\') + part;
                keys_.emplace(next, k);
                changed = true;
            }
            cur = next;
        }
    }
    if (changed) {
        QString why;
        if (!save(&why)) {
            keys_ = before;
            return ERROR_ACCESS_DENIED;
        }
    }
    *result = newHandle(cur);
    return ERROR_SUCCESS;
}

std::int32_t Registry::openKey(HKey root, const QString& subKey, HKey* result)
{
    reloadIfChangedOnDisk();
    QString path;
    std::int32_t error = ERROR_SUCCESS;
    if (!resolve(root, subKey, &path, &error))
        return error;
    const QString folded = fold(path);
    if (!keys_.count(folded) && !isRootPath(folded))
        return ERROR_FILE_NOT_FOUND;
    *result = newHandle(folded);
    return ERROR_SUCCESS;
}

std::int32_t Registry::closeKey(HKey key)
{
    if (isRootHandle(key))
        return ERROR_SUCCESS;
    return handles_.remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::int32_t Registry::setValue(HKey key, const QString& valueName, const RegValue& value)
{
    if (value.type != REG_SZ && value.type != REG_DWORD)
        return ERROR_INVALID_PARAMETER;
    reloadIfChangedOnDisk();
    QString path;
    std::int32_t error = ERROR_SUCCESS;
    if (!resolve(key, QString(), &path, &error))
        return error;
    if (!keys_.count(path)) {
        if (!isRootPath(path))
            return ERROR_FILE_NOT_FOUND; // deleted meanwhile
        keys_[path].path = rootSpelling(path);
    }
    Key& k = keys_.at(path);
    // The same value again (the start writes its registration every time)
    // changes nothing: no write, no wait for the disk.
    if (const auto old = k.values.find(fold(valueName)); old != k.values.end()) {
        const RegValue& d = old->second.data;
        if (d.type == value.type && (value.type == REG_SZ ? d.text == value.text : d.number == value.number))
            return ERROR_SUCCESS;
    }
    const Keys before = keys_;
    Value& v = k.values[fold(valueName)];
    if (v.name.isEmpty())
        v.name = valueName;
    v.data = value;
    if (value.type == REG_SZ)
        v.data.number = 0;
    else
        v.data.text.clear();
    QString why;
    if (!save(&why)) {
        keys_ = before;
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

std::int32_t Registry::queryValue(HKey key, const QString& valueName, RegValue* value) const
{
    QString path;
    std::int32_t error = ERROR_SUCCESS;
    if (!resolve(key, QString(), &path, &error))
        return error;
    const auto k = keys_.find(path);
    if (k == keys_.end())
        return ERROR_FILE_NOT_FOUND;
    const auto v = k->second.values.find(fold(valueName));
    if (v == k->second.values.end())
        return ERROR_FILE_NOT_FOUND;
    *value = v->second.data;
    return ERROR_SUCCESS;
}

QStringList Registry::keys() const
{
    QStringList out;
    for (const auto& [folded, key] : keys_) {
        Q_UNUSED(folded);
        if (!isRootPath(key.path) || !key.values.empty())
            out << key.path;
    }
    out.sort(Qt::CaseInsensitive);
    return out;
}

Registry& registry()
{
    if (installed)
        return *installed;
    static std::unique_ptr<Registry> own;
    if (!own)
        own = std::make_unique<Registry>(Registry::defaultFilePath());
    return *own;
}

void setRegistry(Registry* store)
{
    installed = store;
}

} // namespace rt
