#include "dialogs/fileshell.h"

#include "dialogs/module2.h"
#include "platform/programicon.h"

#include <QFileInfo>

namespace melodune {

namespace {

QString dotKey(const QString& ext) { return QStringLiteral(".") + ext; }
QString classKey(const QString& ext) { return QStringLiteral("Md.") + ext; }

} // namespace

const QStringList& fileShellExtensions()
{
    static const QStringList exts = {
        QStringLiteral("m3u"),  QStringLiteral("wav"),  QStringLiteral("mp3"),  QStringLiteral("wma"),
        QStringLiteral("asf"),  QStringLiteral("au"),   QStringLiteral("avi"),  QStringLiteral("dat"),
        QStringLiteral("vob"),  QStringLiteral("mid"),  QStringLiteral("midi"), QStringLiteral("mp4"),
        QStringLiteral("mpeg"), QStringLiteral("mpg"),  QStringLiteral("wmv"),  QStringLiteral("ra"),
        QStringLiteral("rm"),   QStringLiteral("rmvb"), QStringLiteral("rmi"),  QStringLiteral("snd"),
        QStringLiteral("wm"),
    };
    return exts;
}

bool isAssociated(const QString& ext)
{
    using namespace Module2;
    return valueText(QueryValue(rt::HKEY_CLASSES_ROOT, dotKey(ext), QString())) == classKey(ext);
}

QStringList associatedExtensions()
{
    QStringList out;
    for (const QString& ext : fileShellExtensions())
        if (isAssociated(ext))
            out << ext;
    return out;
}

void associateExtension(const QString& ext, const QString& program, const QString& dataDir)
{
    using namespace Module2;
    const auto root = rt::HKEY_CLASSES_ROOT;
    const QString dot = dotKey(ext), cls = classKey(ext);
    const bool list = ext == QStringLiteral("m3u");
    const QString old = valueText(QueryValue(root, dot, QString()));
    if (!old.isEmpty() && old != cls)
        SetKeyValue(root, dot, QStringLiteral("Md_Backup"), old, rt::REG_SZ);
    const QString q = QStringLiteral("\"");
    const QString icon = cls + QStringLiteral("\\DefaultIcon");
    const QString open = cls + QStringLiteral("\\Shell\\Open\\Command");
    const QString verb = cls + QStringLiteral("\\Shell\\PlayList");
    const QString add = verb + QStringLiteral("\\Command");
    CreateNewKey(root, dot);
    CreateNewKey(root, cls);
    CreateNewKey(root, icon);
    CreateNewKey(root, open);
    if (!list)
        CreateNewKey(root, add);
    SetKeyValue(root, dot, QString(), cls, rt::REG_SZ);
    SetKeyValue(root, cls, QString(), ext.toUpper() + QStringLiteral(" ") + QStringLiteral("文件  "), rt::REG_SZ);
    SetKeyValue(root, icon, QString(),
                dataDir + (list ? QStringLiteral("/res/mdu.ico,0") : QStringLiteral("/res/Default.ico,0")),
                rt::REG_SZ);
    SetKeyValue(root, open, QString(), q + program + q + QStringLiteral(" ") + q + QStringLiteral("%1") + q,
                rt::REG_SZ);
    if (!list) {
        SetKeyValue(root, verb, QString(), QStringLiteral("添加到 Melodune 列表(&A)     "), rt::REG_SZ);
        SetKeyValue(root, add, QString(), q + program + q + QStringLiteral(" /a ") + q + QStringLiteral("%1") + q,
                    rt::REG_SZ);
    }
}

void withdrawExtension(const QString& ext)
{
    using namespace Module2;
    const auto root = rt::HKEY_CLASSES_ROOT;
    if (valueText(QueryValue(root, dotKey(ext), QString())) != classKey(ext))
        return;
    const QString backup = valueText(QueryValue(root, dotKey(ext), QStringLiteral("Md_Backup")));
    SetKeyValue(root, dotKey(ext), QString(), backup, rt::REG_SZ);
}

QString programIconFile(const QString& dataDir)
{
    // The largest size: a desktop scales it down to what it shows.
    const QString path = rt::programIconPath(dataDir + QStringLiteral("/res"), rt::ProgramIconSizes.back());
    return QFileInfo::exists(path) ? QFileInfo(path).absoluteFilePath() : QString();
}

rt::AssocPlan associationPlan(const QString& program, const QString& dataDir)
{
    rt::AssocPlan plan;
    plan.program = program;
    plan.icon = programIconFile(dataDir);
    plan.associated = associatedExtensions();
    return plan;
}

} // namespace melodune
