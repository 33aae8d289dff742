#include "platform/fileassoc.h"

#include "platform/atomicfile.h"
#include "platform/desktopfiles.h"
#include "platform/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace rt {

namespace {

FileAssociations* g_service = nullptr;

bool isListExtension(const QString& ext) { return ext.compare(QStringLiteral("m3u"), Qt::CaseInsensitive) == 0; }

void addUnique(QStringList& to, const QStringList& names)
{
    for (const QString& n : names)
        if (!to.contains(n))
            to << n;
}

QString envFolder(const char* name, const QString& fallbackBelowHome)
{
    const QString v = qEnvironmentVariable(name);
    if (!v.isEmpty() && QDir::isAbsolutePath(v))
        return QDir::cleanPath(v);
    return QDir::homePath() + fallbackBelowHome;
}

// Writes `bytes` to `path` unless it already holds them. A symbolic link
// stays one: its target is rewritten.
bool writeIfChanged(const QString& path, const QByteArray& bytes, bool* changed, QString* failed)
{
    *changed = false;
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == bytes)
        return true;
    current.close();
    QString target = path;
    const QFileInfo fi(path);
    if (fi.isSymLink())
        target = fi.symLinkTarget();
    if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !writeFileAtomically(target, bytes)) {
        *failed = path;
        return false;
    }
    *changed = true;
    return true;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

XdgFileAssociations::XdgFileAssociations() = default;

XdgFileAssociations::~XdgFileAssociations()
{
    waitForTools(5000);
    for (QProcess* p : running_) {
        p->disconnect();
        delete p;
    }
}

QString XdgFileAssociations::dataHome() { return envFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")); }

QString XdgFileAssociations::configHome() { return envFolder("XDG_CONFIG_HOME", QStringLiteral("/.config")); }

AssocResult XdgFileAssociations::apply(const AssocPlan& plan)
{
    AssocResult result;
    const QString data = dataHome();
    const QString config = configHome();

    // Types of every extension that stays ours.
    QStringList ownTypeExts, openTypes{listMimeType()}, addTypes;
    QSet<QString> keptTypes;
    for (const QString& ext : plan.associated) {
        const QStringList types = mimeTypesForExtension(ext);
        if (types.size() == 1 && isOwnMimeType(types.first()))
            ownTypeExts << ext.toLower();
        addUnique(openTypes, types);
        if (!isListExtension(ext))
            addUnique(addTypes, types);
        for (const QString& t : types)
            keptTypes.insert(t);
    }

    std::vector<MimeAppsChange> changes;
    if (plan.listDefault)
        changes.push_back({listMimeType(), true, false});
    QStringList done;
    for (const QString& ext : plan.takeOver)
        for (const QString& t : mimeTypesForExtension(ext))
            if (!done.contains(t)) {
                done << t;
                changes.push_back({t, true, addTypes.contains(t)});
            }
    // A type another of our extensions shares stays ours.
    for (const QString& ext : plan.withdraw)
        for (const QString& t : mimeTypesForExtension(ext))
            if (!keptTypes.contains(t) && !done.contains(t)) {
                done << t;
                changes.push_back({t, false, false});
            }

    DesktopEntry open;
    open.name = QStringLiteral("Melodune");
    open.program = plan.program;
    open.arguments = QStringLiteral("%f");
    open.icon = plan.icon;
    open.mimeTypes = openTypes;
    DesktopEntry add = open;
    add.name = QStringLiteral("添加到 Melodune 列表");
    add.arguments = QStringLiteral("/a %f");
    add.mimeTypes = addTypes;
    add.noDisplay = true;

    bool packageChanged = false, openChanged = false, addChanged = false, listChanged = false;
    const QString apps = data + QStringLiteral("/applications/");
    if (!writeIfChanged(data + QStringLiteral("/mime/packages/melodune.xml"), mimePackage(ownTypeExts), &packageChanged,
                        &result.failedPath)
        || !writeIfChanged(apps + openEntryId(), desktopEntry(open), &openChanged, &result.failedPath)
        || !writeIfChanged(apps + addEntryId(), desktopEntry(add), &addChanged, &result.failedPath)) {
        result.ok = false;
    } else if (!changes.empty()) {
        const QString list = config + QStringLiteral("/mimeapps.list");
        const QByteArray before = readAll(list);
        if (!writeIfChanged(list, editMimeApps(before, changes), &listChanged, &result.failedPath))
            result.ok = false;
    }
    result.filesWritten = int(packageChanged) + int(openChanged) + int(addChanged) + int(listChanged);

    if (packageChanged) {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (!tool.isEmpty()) {
            startTool(tool, {data + QStringLiteral("/mime")});
            ++result.toolsStarted;
        }
    }
    if (openChanged || addChanged) {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
        if (!tool.isEmpty()) {
            startTool(tool, {data + QStringLiteral("/applications")});
            ++result.toolsStarted;
        }
    }
    return result;
}

void XdgFileAssociations::startTool(const QString& program, const QStringList& args)
{
    auto* p = new QProcess;
    p->setProgram(program);
    p->setArguments(args);
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setStandardErrorFile(QProcess::nullDevice());
    auto forget = [this, p] {
        const auto it = std::find(running_.begin(), running_.end(), p);
        if (it != running_.end()) {
            running_.erase(it);
            p->deleteLater();
        }
    };
    QObject::connect(p, &QProcess::finished, p, [p, forget](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            qCWarning(lcPlatform) << p->program() << "failed, exit code" << code;
        forget();
    });
    QObject::connect(p, &QProcess::errorOccurred, p, [p, forget](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            qCWarning(lcPlatform) << "program not started:" << p->program() << p->errorString();
            forget();
        }
    });
    running_.push_back(p);
    p->start();
}

bool XdgFileAssociations::waitForTools(int msecs)
{
    while (!running_.empty()) {
        QProcess* p = running_.front();
        if (p->state() != QProcess::NotRunning && !p->waitForFinished(msecs))
            return false;
        // Without an event loop the finished signal may not have run.
        const auto it = std::find(running_.begin(), running_.end(), p);
        if (it != running_.end()) {
            running_.erase(it);
            p->disconnect();
            p->deleteLater();
        }
    }
    return true;
}

FileAssociations& fileAssociations()
{
    if (g_service)
        return *g_service;
    static XdgFileAssociations* real = [] {
        auto* s = new XdgFileAssociations;
        // Let the tools finish before the process ends.
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [s] { s->waitForTools(5000); });
        return s;
    }();
    return *real;
}

void setFileAssociations(FileAssociations* service) { g_service = service; }

} // namespace rt
