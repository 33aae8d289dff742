#include "core/appenv.h"

#include "core/log.h"
#include "core/shared.h"
#include "platform/clock.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace melodune {

namespace {

bool isWritableDir(const QString& dir)
{
    QFileInfo fi(dir);
    if (!fi.isDir() || !fi.isWritable())
        return false;
    // Root passes isWritable() everywhere: try a real file.
    QFile probe(dir + QStringLiteral("/.melodune-write-test"));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

// Returns whether `from` held any file.
bool copyTreeIfMissing(const QString& from, const QString& to)
{
    QFileInfo src(from);
    bool any = false;
    if (src.isDir()) {
        QDir().mkpath(to);
        const auto entries = QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QFileInfo& e : entries)
            any = copyTreeIfMissing(e.absoluteFilePath(), to + QLatin1Char('/') + e.fileName()) || any;
    } else if (src.isFile()) {
        any = true;
        if (!QFileInfo::exists(to) && !QFile::copy(from, to))
            qCWarning(lcCore) << "not copied into the data folder:" << from << "->" << to;
    }
    return any;
}

} // namespace

void seedDataDir(const QString& programDir, const QString& dataDir)
{
    for (const char* name : {"skins", "bkground", "res"})
        copyTreeIfMissing(programDir + QLatin1Char('/') + QLatin1String(name),
                          dataDir + QLatin1Char('/') + QLatin1String(name));
    for (const char* name : {"default.pic", "demo.wmv"})
        copyTreeIfMissing(programDir + QLatin1Char('/') + QLatin1String(name),
                          dataDir + QLatin1Char('/') + QLatin1String(name));
}

bool adoptUserFiles(const QString& programDir, const QString& dataDir)
{
    bool any = false;
    for (const char* name : {"SetLog.ini", "List.mdu", "List.txt", "userdefine.pic", "LRCS", "PICS"})
        any = copyTreeIfMissing(programDir + QLatin1Char('/') + QLatin1String(name),
                                dataDir + QLatin1Char('/') + QLatin1String(name))
              || any;
    // The whole lists kept beside an over-long List.mdu.
    const auto kept = QDir(programDir).entryInfoList({QStringLiteral("List.mdu.full*")}, QDir::Files);
    for (const QFileInfo& f : kept)
        any = copyTreeIfMissing(f.absoluteFilePath(), dataDir + QLatin1Char('/') + f.fileName()) || any;
    return any;
}

QString resolveDataDir(const QString& programDir, QString* notice)
{
    QString dir;
    const QString forced = qEnvironmentVariable("MELODUNE_DATA_DIR");
    if (!forced.isEmpty()) {
        dir = forced;
        QDir().mkpath(dir);
        if (QFileInfo(dir).canonicalFilePath() != QFileInfo(programDir).canonicalFilePath())
            seedDataDir(programDir, dir);
    } else if (isWritableDir(programDir)) {
        dir = programDir;
    } else {
        QString base = qEnvironmentVariable("XDG_DATA_HOME");
        if (base.isEmpty())
            base = QDir::homePath() + QStringLiteral("/.local/share");
        dir = base + QStringLiteral("/melodune");
        // Marks a folder that has taken over from the program folder.
        const QString adopted = dir + QStringLiteral("/.adopted");
        const bool first = !QFileInfo::exists(adopted);
        QDir().mkpath(dir);
        seedDataDir(programDir, dir);
        if (first) {
            const bool copied = adoptUserFiles(programDir, dir);
            QFile mark(adopted);
            const QByteArray line = QFile::encodeName(programDir) + '\n';
            if (!mark.open(QIODevice::WriteOnly) || mark.write(line) != line.size())
                qCWarning(lcCore) << "data folder not marked as taken over, the next start copies again:" << adopted
                                  << mark.errorString();
            if (notice)
                *notice = QStringLiteral("程序文件夹“%1”不能写入。歌词、图片、设置和播放列表从现在起保存在“%2”")
                              .arg(QDir::toNativeSeparators(programDir), QDir::toNativeSeparators(QDir::cleanPath(dir)))
                          + (copied ? QStringLiteral("，程序文件夹中原有的这些文件已复制过去。") : QStringLiteral("。"));
        }
    }
    dir = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

QString GetWindowsVersion()
{
    // The version-name table has no entry for this system: its name is
    // "Failed".
    return QStringLiteral("Failed");
}

SecondInstance secondInstanceRule(bool anotherRunning, const QString& commandLine)
{
    if (!anotherRunning)
        return SecondInstance::Continue;
    if (commandLine.isEmpty())
        return SecondInstance::EndSilently;
    if (commandLine.startsWith(QStringLiteral("/a ")))
        return SecondInstance::EndWithMessage;
    return SecondInstance::Continue;
}

InstanceLock::InstanceLock(const QString& lockPath)
{
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    fd_ = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        const int error = errno; // before the log's own allocations
        qCWarning(lcCore) << "lock file not opened, another instance goes unnoticed:" << lockPath << std::strerror(error);
        acquired_ = true; // no lock file possible: nothing tells of another instance
        return;
    }
    // Open-file-description locks: one per opened lock file, and turning the
    // exclusive lock into a shared one leaves no moment without a lock.
    struct flock lk {};
    lk.l_whence = SEEK_SET;
    lk.l_type = F_WRLCK;
    acquired_ = ::fcntl(fd_, F_OFD_SETLK, &lk) == 0;
    // Held shared from now on, so a later start sees this one too.
    lk.l_type = F_RDLCK;
    ::fcntl(fd_, F_OFD_SETLK, &lk);
}

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString InstanceLock::defaultPath()
{
    const QString forced = qEnvironmentVariable("MELODUNE_LOCK_FILE");
    if (!forced.isEmpty())
        return forced;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/melodune.lock");
}

QString commandLineText(const QStringList& args)
{
    return args.join(QLatin1Char(' '));
}

QString versionCaption(const QString& title, int major, int minor, int revision)
{
    return QStringLiteral("%1 %2.%3.%4").arg(title).arg(major).arg(minor).arg(revision);
}

void renameOldListFile(const QString& dataDir)
{
    const QString mdu = dataDir + QStringLiteral("/List.mdu");
    const QString txt = dataDir + QStringLiteral("/List.txt");
    if (!QFileInfo::exists(mdu) && QFileInfo::exists(txt) && !QFile::rename(txt, mdu))
        qCWarning(lcCore) << "old list not renamed:" << txt << "->" << mdu;
}

QStringList backgroundFiles(const QString& dataDir)
{
    QStringList names;
    QDirIterator it(dataDir + QStringLiteral("/bkground"), QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo fi = it.fileInfo();
        if (!fi.isHidden())
            names << fi.fileName();
    }
    return names;
}

QString computerName()
{
    QString name = QSysInfo::machineHostName().left(255);
    name.remove(QChar(0));
    return name.trimmed();
}

void emptyTempFolder(const QString& dataDir)
{
    QDir temp(dataDir + QStringLiteral("/TEMP"));
    const auto files = temp.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& f : files) {
        QFile file(f.absoluteFilePath());
        // A job's own clean-up may have taken it away meanwhile.
        if (!file.remove() && file.exists())
            qCWarning(lcCore) << "temporary file not removed:" << file.fileName() << file.errorString();
    }
}

void createDataFolders(const QString& dataDir)
{
    for (const char* name : {"LRCS", "PICS", "TEMP"})
        if (const QString dir = dataDir + QLatin1Char('/') + QLatin1String(name); !QDir().mkpath(dir))
            qCWarning(lcCore) << "data folder not created, what belongs there is not saved:" << dir;
}

std::array<float, 512> buildSineTable()
{
    std::array<float, 512> t{};
    for (int i = 0; i < 512; ++i)
        t[i] = float(std::sin(i * 3.1416 / 256));
    return t;
}

void rebuildBackgroundList(SharedState& sh)
{
    sh.BkgroundFiles = backgroundFiles(sh.DataDir);
    sh.BkgroundCount = std::int32_t(sh.BkgroundFiles.size());
    sh.BkgroundFiles << QString();
}

QString randomBackgroundPath(const SharedState& sh)
{
    if (sh.BkgroundCount <= 0)
        return {};
    const int pick = int(rt::clock().uniform01() * sh.BkgroundCount);
    return sh.DataDir + QStringLiteral("/bkground/") + sh.BkgroundFiles.value(pick);
}

} // namespace melodune
