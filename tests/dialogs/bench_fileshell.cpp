// Cost of "确 定" with all 21 boxes ticked on a fresh store, the desktop's
// database refresh included, beside `xdg-mime default` for the same types in
// the same kind of folders; and the start-up's check when nothing changed.
// A measuring tool, not a test; run it on a quiet machine.
#include "dialogs/fileshell.h"
#include "dialogs/frmfileshell.h"
#include "platform/desktopfiles.h"
#include "platform/fileassoc.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace melodune;

namespace {

void report(const char* name, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %8.2f ms  min %8.2f  max %8.2f  (%zu runs)\n", name, ms[ms.size() / 2], ms.front(),
                ms.back(), ms.size());
}

// A fresh home: store, data and config folders.
struct Fresh {
    QTemporaryDir dir;
    rt::Registry store{dir.filePath("registry.ini")};
    rt::ScopedRegistry scope{&store};
    Fresh()
    {
        QDir().mkpath(dir.filePath("data"));
        QDir().mkpath(dir.filePath("config"));
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    }
};

QStringList allTypes()
{
    QStringList types;
    for (const QString& ext : fileShellExtensions())
        for (const QString& t : rt::mimeTypesForExtension(ext))
            if (!types.contains(t))
                types << t;
    return types;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = 7;
    const QString program = QCoreApplication::applicationFilePath();
    const QString dataDir = QCoreApplication::applicationDirPath();
    auto& xdg = dynamic_cast<rt::XdgFileAssociations&>(rt::fileAssociations());

    std::vector<double> confirm, confirmNoTools, xdgOne, xdgEach, start;
    for (int r = 0; r < runs; ++r) {
        Fresh f;
        FrmFileShell d(nullptr, dataDir, program);
        d.XPButton1_Click();
        QElapsedTimer t;
        t.start();
        d.XPButton4_Click();
        const double untilTools = t.nsecsElapsed() / 1e6;
        xdg.waitForTools();
        confirm.push_back(t.nsecsElapsed() / 1e6);
        confirmNoTools.push_back(untilTools);

        // The first start after it makes the list type ours; the ones after
        // that have nothing to change.
        {
            rt::AssocPlan plan = associationPlan(program, dataDir);
            plan.listDefault = true;
            xdg.apply(plan);
            xdg.waitForTools();
        }
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer s;
            s.start();
            rt::AssocPlan plan = associationPlan(program, dataDir);
            plan.listDefault = true;
            const rt::AssocResult res = xdg.apply(plan);
            start.push_back(s.nsecsElapsed() / 1e6);
            if (res.filesWritten != 0 || res.toolsStarted != 0)
                std::printf("unexpected: a start with nothing to change wrote %d files, started %d tools\n",
                            res.filesWritten, res.toolsStarted);
        }
    }
    // The desktop's part alone: the same plan on fresh folders.
    std::vector<double> desktopOnly;
    for (int r = 0; r < runs; ++r) {
        Fresh f;
        rt::AssocPlan plan;
        plan.program = program;
        plan.associated = plan.takeOver = fileShellExtensions();
        QElapsedTimer t;
        t.start();
        xdg.apply(plan);
        desktopOnly.push_back(t.nsecsElapsed() / 1e6);
        xdg.waitForTools();
    }
    const QStringList types = allTypes();
    for (int r = 0; r < runs; ++r) {
        {
            Fresh f;
            QElapsedTimer t;
            t.start();
            QProcess::execute("xdg-mime", QStringList{"default", "melodune.desktop"} + types);
            xdgOne.push_back(t.nsecsElapsed() / 1e6);
        }
        {
            Fresh f;
            QElapsedTimer t;
            t.start();
            for (const QString& type : types)
                QProcess::execute("xdg-mime", {"default", "melodune.desktop", type});
            xdgEach.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    std::printf("%lld MIME types for the 21 extensions\n", static_cast<long long>(types.size()));
    report("确 定, 21 boxes, fresh store, tools finished", confirm);
    report("确 定, 21 boxes, until the window is free", confirmNoTools);
    report("of which the desktop files (tools not awaited)", desktopOnly);
    report("xdg-mime default, one call for all types", xdgOne);
    report("xdg-mime default, one call per type", xdgEach);
    report("start with nothing to change", start);
    return 0;
}
