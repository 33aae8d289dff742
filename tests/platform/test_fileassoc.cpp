// The freedesktop files written for real, in a temporary home, and read back
// by the desktop's own tools.
#include "platform/desktopfiles.h"
#include "platform/fileassoc.h"

#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

using namespace rt;

namespace {

// A temporary $XDG_DATA_HOME and $XDG_CONFIG_HOME for one test.
class XdgHome {
public:
    XdgHome()
        : oldData_(qgetenv("XDG_DATA_HOME"))
        , oldConfig_(qgetenv("XDG_CONFIG_HOME"))
    {
        QDir().mkpath(data());
        QDir().mkpath(config());
        qputenv("XDG_DATA_HOME", data().toUtf8());
        qputenv("XDG_CONFIG_HOME", config().toUtf8());
    }
    ~XdgHome()
    {
        qputenv("XDG_DATA_HOME", oldData_);
        qputenv("XDG_CONFIG_HOME", oldConfig_);
    }
    QString data() const { return dir.file("data"); }
    QString config() const { return dir.file("config"); }
    QString mimeApps() const { return config() + "/mimeapps.list"; }
    QString openEntry() const { return data() + "/applications/melodune.desktop"; }
    QString addEntry() const { return data() + "/applications/melodune-add.desktop"; }
    QString package() const { return data() + "/mime/packages/melodune.xml"; }

    testsupport::TestDir dir;

private:
    QByteArray oldData_, oldConfig_;
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct ToolRun {
    int exitCode = -1;
    QString out;
};

// Runs a desktop tool in the test's environment, in the C locale.
ToolRun run(const QString& program, const QStringList& args)
{
    const QString path = QStandardPaths::findExecutable(program);
    EXPECT_FALSE(path.isEmpty()) << program.toStdString() << " is not installed (scripts/setup.sh)";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    env.remove("XDG_CURRENT_DESKTOP");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(path, args);
    p.waitForFinished(-1);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

std::string contentType(const QString& file)
{
    const QString out = run("gio", {"info", "-a", "standard::content-type", file}).out;
    const qsizetype at = out.indexOf("standard::content-type: ");
    return (at < 0 ? out : out.mid(at + 24).section('\n', 0, 0).trimmed()).toStdString();
}

std::string defaultApp(const QString& type)
{
    const QString out = run("gio", {"mime", type}).out;
    const QString line = out.section('\n', 0, 0);
    return (line.startsWith("Default application") ? line.section(": ", -1).trimmed() : out).toStdString();
}

AssocPlan plan(const QString& program, QStringList associated, QStringList takeOver = {}, QStringList withdraw = {},
               bool listDefault = false)
{
    AssocPlan p;
    p.program = program;
    p.associated = std::move(associated);
    p.takeOver = std::move(takeOver);
    p.withdraw = std::move(withdraw);
    p.listDefault = listDefault;
    return p;
}

const QString kProgram = "/opt/melodune/melodune";

// An executable the entries can name: the desktop drops an entry whose
// TryExec program is missing.
QString stubProgram(const XdgHome& home)
{
    const QString path = home.dir.file("bin/melodune");
    writeFile(path, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
}

} // namespace

TEST(FileAssociations, WritesWhatChangedAndNothingTheSecondTime)
{
    XdgHome home;
    XdgFileAssociations xdg;
    const QStringList exts = {"m3u", "mp3", "dat", "mpeg", "vob"};
    const AssocResult first = xdg.apply(plan(kProgram, exts, exts, {}, true));
    EXPECT_TRUE(first.ok);
    EXPECT_EQ(first.filesWritten, 4);
    EXPECT_EQ(first.toolsStarted, 2);
    ASSERT_TRUE(xdg.waitForTools());

    const QString open = QString::fromUtf8(readFile(home.openEntry()));
    const QString add = QString::fromUtf8(readFile(home.addEntry()));
    EXPECT_TRUE(open.contains("Exec=/opt/melodune/melodune %f\n"));
    EXPECT_TRUE(open.contains("TryExec=/opt/melodune/melodune\n"));
    EXPECT_TRUE(add.contains("Exec=/opt/melodune/melodune /a %f\n"));
    EXPECT_TRUE(add.contains("NoDisplay=true\n"));
    for (const QString& t : mimeTypesForExtension("m3u")) {
        EXPECT_TRUE(open.contains(t + ";"));
        EXPECT_FALSE(add.contains(t + ";")) << "the list type has no add verb";
    }
    for (const char* t : {"application/x-melodune-playlist;", "audio/mpeg;", "application/x-melodune-dat;", "video/mpeg;"})
        EXPECT_TRUE(open.contains(t)) << t;
    EXPECT_EQ(open.count("video/mpeg;"), 1) << "a shared type is listed once";
    EXPECT_TRUE(QString::fromUtf8(readFile(home.package())).contains("application/x-melodune-dat"));
    const QByteArray list = readFile(home.mimeApps());
    EXPECT_TRUE(list.contains("\naudio/mpeg=melodune.desktop;\n"));
    EXPECT_TRUE(list.contains("\napplication/x-melodune-playlist=melodune.desktop;\n"));

    // A start with nothing to change: no write, no tool.
    const QDateTime stamp = QFileInfo(home.mimeApps()).lastModified();
    const AssocResult again = xdg.apply(plan(kProgram, exts, {}, {}, true));
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.filesWritten, 0);
    EXPECT_EQ(again.toolsStarted, 0);
    EXPECT_EQ(readFile(home.mimeApps()), list);
    EXPECT_EQ(QFileInfo(home.mimeApps()).lastModified(), stamp);
}

TEST(FileAssociations, SharedTypeIsWithdrawnOnlyWithItsLastExtension)
{
    XdgHome home;
    XdgFileAssociations xdg;
    xdg.apply(plan(kProgram, {"mpeg", "vob"}, {"mpeg", "vob"}));
    xdg.apply(plan(kProgram, {"vob"}, {}, {"mpeg"}));
    EXPECT_TRUE(readFile(home.mimeApps()).contains("video/mpeg=melodune.desktop;"));
    EXPECT_TRUE(QString::fromUtf8(readFile(home.openEntry())).contains("video/mpeg;"));
    xdg.apply(plan(kProgram, {}, {}, {"vob"}));
    EXPECT_FALSE(readFile(home.mimeApps()).contains("video/mpeg"));
    EXPECT_FALSE(QString::fromUtf8(readFile(home.openEntry())).contains("video/mpeg"));
    ASSERT_TRUE(xdg.waitForTools());
}

TEST(FileAssociations, AnEntryThatCannotBeWrittenLeavesMimeAppsAsItWas)
{
    XdgHome home;
    const QByteArray before = "[Default Applications]\naudio/mpeg=vlc.desktop;\n";
    writeFile(home.mimeApps(), before);
    // A data folder below a plain file cannot be made, not even by root.
    writeFile(home.dir.file("plain"), "x");
    qputenv("XDG_DATA_HOME", home.dir.file("plain/data").toUtf8());
    XdgFileAssociations xdg;
    const AssocResult r = xdg.apply(plan(kProgram, {"mp3"}, {"mp3"}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedPath, home.dir.file("plain/data") + "/mime/packages/melodune.xml");
    EXPECT_EQ(r.toolsStarted, 0);
    EXPECT_EQ(readFile(home.mimeApps()), before);
}

TEST(FileAssociations, UnwritableMimeAppsIsReportedAndKept)
{
    XdgHome home;
    // A link whose target's folder cannot be made: the link and what the
    // desktop reads stay as they were.
    writeFile(home.dir.file("plain"), "x");
    ASSERT_TRUE(QFile::link(home.dir.file("plain/mimeapps.list"), home.mimeApps()));
    XdgFileAssociations xdg;
    const AssocResult r = xdg.apply(plan(kProgram, {"mp3"}, {"mp3"}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedPath, home.mimeApps());
    EXPECT_TRUE(QFileInfo(home.mimeApps()).isSymLink());
    ASSERT_TRUE(xdg.waitForTools());
}

TEST(FileAssociations, ALinkedMimeAppsStaysALink)
{
    XdgHome home;
    const QString target = home.dir.file("dotfiles/mimeapps.list");
    writeFile(target, "[Default Applications]\ntext/plain=a.desktop;\n");
    ASSERT_TRUE(QFile::link(target, home.mimeApps()));
    XdgFileAssociations xdg;
    EXPECT_TRUE(xdg.apply(plan(kProgram, {"mp3"}, {"mp3"})).ok);
    EXPECT_TRUE(QFileInfo(home.mimeApps()).isSymLink());
    EXPECT_EQ(QFileInfo(home.mimeApps()).symLinkTarget(), target);
    EXPECT_TRUE(readFile(target).contains("audio/mpeg=melodune.desktop;"));
    ASSERT_TRUE(xdg.waitForTools());
}

TEST(FileAssociations, GeneratedEntriesPassDesktopFileValidate)
{
    XdgHome home;
    XdgFileAssociations xdg;
    const QStringList all = {"m3u", "wav", "mp3", "wma", "asf", "au", "avi", "dat", "vob", "mid", "midi",
                             "mp4", "mpeg", "mpg", "wmv", "ra", "rm", "rmvb", "rmi", "snd", "wm"};
    AssocPlan p = plan(R"(/opt/my "odd" $dir\x/melodune)", all, all, {}, true);
    p.icon = home.dir.file("res/melodune.png");
    ASSERT_TRUE(xdg.apply(p).ok);
    ASSERT_TRUE(xdg.waitForTools());
    for (const QString& entry : {home.openEntry(), home.addEntry()}) {
        const ToolRun r = run("desktop-file-validate", {entry});
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
        EXPECT_TRUE(r.out.trimmed().isEmpty()) << r.out.toStdString();
    }
}

TEST(FileAssociations, TheAddEntryStartsAProgramAtAnAwkwardPathWithSlashAAndTheFile)
{
    XdgHome home;
    const QString folder = home.dir.file(R"(my "odd" $HOME dir)");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString stub = folder + "/melodune";
    const QString out = home.dir.file("args.txt");
    writeFile(stub, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out.toUtf8() + ".part' && mv '" + out.toUtf8() + ".part' '" +
                        out.toUtf8() + "'\n");
    QFile::setPermissions(stub, QFile::permissions(stub) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    const QString song = home.dir.file("a song $x.mp3");
    writeFile(song, "ID3");

    XdgFileAssociations xdg;
    ASSERT_TRUE(xdg.apply(plan(stub, {"mp3"}, {"mp3"})).ok);
    ASSERT_TRUE(xdg.waitForTools());
    const ToolRun r = run("gio", {"launch", home.addEntry(), song});
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString();
    // gio does not wait for the program it starts.
    for (int i = 0; i < 600 && !QFileInfo::exists(out); ++i)
        QThread::msleep(50);
    EXPECT_EQ(QString::fromUtf8(readFile(out)), "/a\n" + song + "\n");
}

TEST(FileAssociations, TheDesktopSeesTheListTypeAndOurDefaults)
{
    XdgHome home;
    writeFile(home.dir.file("x.mdu"), ">0\n/music/a.mp3\n");
    writeFile(home.dir.file("x.mp3"), "ID3");
    writeFile(home.dir.file("x.dat"), "data");
    // Another player that opened mp3 files before.
    writeFile(home.data() + "/applications/other.desktop",
              "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %f\nMimeType=audio/mpeg;\n");
    writeFile(home.mimeApps(), "[Default Applications]\naudio/mpeg=other.desktop;\n");
    const QString program = stubProgram(home);
    XdgFileAssociations xdg;

    // A start: the list type only.
    ASSERT_TRUE(xdg.apply(plan(program, {}, {}, {}, true)).ok);
    ASSERT_TRUE(xdg.waitForTools());
    EXPECT_EQ(contentType(home.dir.file("x.mdu")), "application/x-melodune-playlist");
    EXPECT_EQ(defaultApp("application/x-melodune-playlist"), "melodune.desktop");
    EXPECT_EQ(defaultApp("audio/mpeg"), "other.desktop");

    // mp3 and dat ticked.
    ASSERT_TRUE(xdg.apply(plan(program, {"mp3", "dat"}, {"mp3", "dat"})).ok);
    ASSERT_TRUE(xdg.waitForTools());
    EXPECT_EQ(defaultApp("audio/mpeg"), "melodune.desktop");
    // xdg-open without a desktop session asks xdg-mime.
    EXPECT_EQ(run("xdg-mime", {"query", "default", "audio/mpeg"}).out.trimmed(), "melodune.desktop");
    EXPECT_EQ(contentType(home.dir.file("x.dat")), "application/x-melodune-dat");
    EXPECT_EQ(defaultApp("application/x-melodune-dat"), "melodune.desktop");

    // Both cleared: mp3 goes back to the other player, dat to nobody.
    ASSERT_TRUE(xdg.apply(plan(program, {}, {}, {"mp3", "dat"})).ok);
    ASSERT_TRUE(xdg.waitForTools());
    EXPECT_EQ(defaultApp("audio/mpeg"), "other.desktop");
    EXPECT_NE(contentType(home.dir.file("x.dat")), "application/x-melodune-dat");
    EXPECT_EQ(defaultApp("application/x-melodune-playlist"), "melodune.desktop");
}

TEST(FileAssociations, AUsersOwnDefaultSurvivesARestart)
{
    XdgHome home;
    writeFile(home.data() + "/applications/other.desktop",
              "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %f\nMimeType=audio/mpeg;\n");
    const QString program = stubProgram(home);
    XdgFileAssociations xdg;
    ASSERT_TRUE(xdg.apply(plan(program, {"mp3"}, {"mp3"}, {}, true)).ok);
    ASSERT_TRUE(xdg.waitForTools());
    ASSERT_EQ(defaultApp("audio/mpeg"), "melodune.desktop");
    // The user picks another player in the desktop.
    ASSERT_EQ(run("gio", {"mime", "audio/mpeg", "other.desktop"}).exitCode, 0);
    ASSERT_EQ(defaultApp("audio/mpeg"), "other.desktop");
    const QByteArray chosen = readFile(home.mimeApps());

    // The next start keeps mp3 in the store's associations but changes no default.
    const AssocResult r = xdg.apply(plan(program, {"mp3"}, {}, {}, true));
    ASSERT_TRUE(xdg.waitForTools());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(defaultApp("audio/mpeg"), "other.desktop");
    EXPECT_EQ(defaultApp("application/x-melodune-playlist"), "melodune.desktop");
    EXPECT_EQ(readFile(home.mimeApps()), chosen);
}
