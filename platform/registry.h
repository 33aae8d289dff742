#pragma once
// A per-user key/value store in the shape of the registry: keys under a few
// predefined roots, each key holding named string and 32-bit number values
// (the empty name is the key's default value). Key and value names compare
// without regard to case and keep the spelling they were created with.
//
// The store lives in one text file (by default
// $XDG_CONFIG_HOME/melodune/registry.ini, or the file named by
// MELODUNE_REGISTRY_FILE). Every change is written through at once and
// atomically; a change that cannot be saved is undone and reported.
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>

namespace rt {

using HKey = std::uint32_t;

// Predefined roots.
constexpr HKey HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKey HKEY_CURRENT_USER = 0x80000001u;
constexpr HKey HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKey HKEY_USERS = 0x80000003u;
constexpr HKey HKEY_CURRENT_CONFIG = 0x80000005u;

// Value types.
constexpr std::int32_t REG_SZ = 1;
constexpr std::int32_t REG_DWORD = 4;

// Result codes.
constexpr std::int32_t ERROR_SUCCESS = 0;
constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;  // no such key or value
constexpr std::int32_t ERROR_ACCESS_DENIED = 5;   // the store file cannot be written
constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
constexpr std::int32_t ERROR_INVALID_PARAMETER = 87; // bad key name or value type

struct RegValue {
    std::int32_t type = REG_SZ;  // REG_SZ or REG_DWORD
    QString text;                // REG_SZ
    std::uint32_t number = 0;    // REG_DWORD
};

class Registry {
public:
    // A store kept in `filePath`; the file is read now (a missing file is an
    // empty store).
    explicit Registry(QString filePath);

    QString filePath() const { return path_; }

    // Reads the file again, dropping what is held in memory. False when the
    // file exists but cannot be read or holds lines that are not understood
    // (the lines that are understood are kept); loadError() then says why.
    // Before a damaged file is first overwritten it is kept beside itself as
    // "<file>.bad", so nothing in it is lost.
    bool load();
    QString loadError() const { return loadError_; }

    // Creates the key and its missing parents, or opens it when it exists.
    std::int32_t createKey(HKey root, const QString& subKey, HKey* result);
    // Opens an existing key. An empty subKey opens `root` itself.
    std::int32_t openKey(HKey root, const QString& subKey, HKey* result);
    std::int32_t closeKey(HKey key);

    // Stores a value; REG_SZ keeps the whole text, REG_DWORD the number.
    std::int32_t setValue(HKey key, const QString& valueName, const RegValue& value);
    std::int32_t queryValue(HKey key, const QString& valueName, RegValue* value) const;

    // Key paths ("HKEY_CLASSES_ROOT\.mdu") as spelt when created, sorted.
    QStringList keys() const;

    // The default store file: MELODUNE_REGISTRY_FILE when set, else
    // $XDG_CONFIG_HOME/melodune/registry.ini.
    static QString defaultFilePath();

private:
    struct Value {
        QString name;
        RegValue data;
    };
    struct Key {
        QString path;                      // as spelt when created
        std::map<QString, Value> values;   // by folded name
    };
    using Keys = std::map<QString, Key>;   // by folded path

    static QString rootName(HKey root);
    static QString fold(const QString& s);
    static QString rootSpelling(const QString& foldedRoot);
    // Full path of subKey under the handle's key; empty when the name is bad.
    bool resolve(HKey key, const QString& subKey, QString* path, std::int32_t* error) const;
    HKey newHandle(const QString& foldedPath);
    bool save(QString* error);
    void reloadIfChangedOnDisk();
    void rememberFileStamp();
    QByteArray serialise() const;
    bool parse(const QByteArray& bytes, Keys* into, QString* error) const;

    QString path_;
    Keys keys_;
    QHash<HKey, QString> handles_;  // open handle -> folded key path
    HKey nextHandle_ = 0x100;
    QString loadError_;
    bool damaged_ = false;          // the file on disk is to be kept aside before the next save
    struct FileStamp {
        bool exists = false;
        quint64 inode = 0, device = 0;
        qint64 size = 0, mtimeNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp currentStamp() const;
    FileStamp stamp_;
};

// The store in use: the per-user one unless a test installed another.
Registry& registry();
// Installs a store (not owned); nullptr restores the per-user one.
void setRegistry(Registry* store);

class ScopedRegistry {
public:
    explicit ScopedRegistry(Registry* s) { setRegistry(s); }
    ~ScopedRegistry() { setRegistry(nullptr); }
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;
};

} // namespace rt
