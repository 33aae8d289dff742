#include "core/appenv.h"
#include "core/frmmain.h"
#include "core/shared.h"
#include "dialogs/fileshell.h"
#include "dialogs/frmfileshell.h"
#include "dialogs/keyvalue.h"
#include "dialogs/module2.h"
#include "platform/fileassoc.h"
#include "platform/ui.h"
#include "controls/xpbutton.h"

#include "tests/support/mainwindow.h"
#include "tests/support/testdir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

using namespace melodune;
using Module2::RegData;

namespace {

const QString kProgram = "/opt/melo dune/melodune";
const QString kDataDir = "/opt/melo dune";

class FileShellTest : public ::testing::Test {
protected:
    testsupport::TestDir dir;
    rt::Registry store{dir.file("registry.ini")};
    rt::ScopedRegistry scopedStore{&store};
    rt::RecordingFileAssociations desktop;
    rt::ScopedFileAssociations scopedDesktop{&desktop};
    rt::ScriptedUi ui;
    rt::ScopedUi scopedUi{&ui};

    static QString get(const QString& key, const QString& name = {})
    {
        return Module2::valueText(Module2::QueryValue(rt::HKEY_CLASSES_ROOT, key, name));
    }
    static std::optional<RegData> raw(const QString& key, const QString& name = {})
    {
        return Module2::QueryValue(rt::HKEY_CLASSES_ROOT, key, name);
    }
    static void set(const QString& key, const QString& name, const QString& value)
    {
        Module2::CreateNewKey(rt::HKEY_CLASSES_ROOT, key);
        Module2::SetKeyValue(rt::HKEY_CLASSES_ROOT, key, name, value, rt::REG_SZ);
    }
    // Opens the dialog on the store, sets the box of `ext` and confirms.
    void confirmWith(const QString& ext, bool ticked)
    {
        FrmFileShell d(nullptr, kDataDir, kProgram);
        d.Check1[fileShellExtensions().indexOf(ext)]->setChecked(ticked);
        d.XPButton4_Click();
    }
};

} // namespace

TEST_F(FileShellTest, AssociationEdgeCases)
{
    struct Row {
        const char* name;
        const char* ext;
        std::function<void()> before;
        bool ticked;
        std::optional<RegData> dotDefault; // "." & ext afterwards
        std::optional<RegData> backup;     // its Md_Backup afterwards
    };
    const auto text = [](const char* s) { return std::optional<RegData>(RegData(QString::fromUtf8(s))); };
    const Row rows[] = {
        {"foreign opener taken over", "mp3", [] { set(".mp3", {}, "vlc.mp3"); }, true, text("Md.mp3"), text("vlc.mp3")},
        {"foreign opener given back", "mp3",
         [] { set(".mp3", {}, "Md.mp3"); set(".mp3", "Md_Backup", "vlc.mp3"); }, false, text("vlc.mp3"), text("vlc.mp3")},
        {"no former opener: nothing backed up", "wav", [] {}, true, text("Md.wav"), std::nullopt},
        {"no former opener given back: empty", "wav", [] { set(".wav", {}, "Md.wav"); }, false, text(""), std::nullopt},
        {"an older backup comes back", "wav",
         [] { set(".wav", {}, "Md.wav"); set(".wav", "Md_Backup", "old.wav"); }, false, text("old.wav"), text("old.wav")},
        {"already ours: backup kept", "avi",
         [] { set(".avi", {}, "Md.avi"); set(".avi", "Md_Backup", "first.avi"); }, true, text("Md.avi"), text("first.avi")},
        {"ours with a terminating NUL counts as ours", "au",
         [] { set(".au", {}, QString("Md.au") + QChar(0)); set(".au", "Md_Backup", "x.au"); }, false, text("x.au"),
         text("x.au")},
        {"cleared box of a foreign type: untouched", "rm", [] { set(".rm", {}, "real.rm"); }, false, text("real.rm"),
         std::nullopt},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        testsupport::TestDir d;
        rt::Registry fresh(d.file("registry.ini"));
        rt::ScopedRegistry scope(&fresh);
        r.before();
        confirmWith(r.ext, r.ticked);
        const QString ext = QString::fromLatin1(r.ext);
        EXPECT_EQ(raw("." + ext), r.dotDefault);
        EXPECT_EQ(raw("." + ext, "Md_Backup"), r.backup);
    }
}

TEST_F(FileShellTest, ListTypeGetsTheListIconAndNoAddVerb)
{
    FrmFileShell d(nullptr, kDataDir, kProgram);
    d.XPButton1_Click();
    d.XPButton4_Click();
    const QString q = "\"";
    EXPECT_EQ(get("Md.m3u\\DefaultIcon"), kDataDir + "/res/mdu.ico,0");
    EXPECT_EQ(raw("Md.m3u\\Shell\\PlayList"), std::nullopt);
    EXPECT_EQ(raw("Md.m3u\\Shell\\PlayList\\Command"), std::nullopt);
    EXPECT_EQ(get("Md.m3u\\Shell\\Open\\Command"), q + kProgram + q + " " + q + "%1" + q);
    for (const QString& ext : fileShellExtensions()) {
        if (ext == "m3u")
            continue;
        SCOPED_TRACE(ext.toStdString());
        EXPECT_EQ(get("Md." + ext + "\\DefaultIcon"), kDataDir + "/res/Default.ico,0");
        EXPECT_EQ(get("Md." + ext + "\\Shell\\Open\\Command"), q + kProgram + q + " " + q + "%1" + q);
        EXPECT_EQ(get("Md." + ext + "\\Shell\\PlayList\\Command"), q + kProgram + q + " /a " + q + "%1" + q);
        // Stored without the padding blanks and without a NUL.
        EXPECT_EQ(raw("Md." + ext + "\\Shell\\PlayList"), RegData(QStringLiteral("添加到 Melodune 列表(&A)")));
        EXPECT_EQ(raw("Md." + ext), RegData(ext.toUpper() + QStringLiteral(" 文件")));
    }
}

TEST_F(FileShellTest, BoxesShowTheStoreAndConfirmTellsTheDesktopWhatChanged)
{
    set(".wav", {}, "Md.wav");
    set(".mpeg", {}, QString("Md.mpeg") + QChar(0));
    set(".mp3", {}, "vlc.mp3");
    set(".avi", {}, "Md.avi");
    FrmFileShell d(nullptr, kDataDir, kProgram);
    const QStringList& exts = fileShellExtensions();
    for (int i = 0; i < FrmFileShell::kTypes; ++i)
        EXPECT_EQ(d.Check1[i]->isChecked(), exts[i] == "wav" || exts[i] == "mpeg" || exts[i] == "avi")
            << exts[i].toStdString();
    EXPECT_EQ(d.Check1[0]->text(), ".m3u");
    EXPECT_EQ(d.Check1[20]->text(), ".wm");

    // mp3 ticked by its icon, wav and mpeg cleared, avi kept.
    d.Image1_Click(int(exts.indexOf("mp3")));
    d.Check1[exts.indexOf("wav")]->setChecked(false);
    d.Check1[exts.indexOf("mpeg")]->setChecked(false);
    d.XPButton4_Click();
    ASSERT_EQ(desktop.plans.size(), 1u);
    const rt::AssocPlan& p = desktop.plans[0];
    EXPECT_EQ(p.program, kProgram);
    EXPECT_EQ(p.associated, (QStringList{"mp3", "avi"}));
    EXPECT_EQ(p.takeOver, (QStringList{"mp3", "avi"}));
    EXPECT_EQ(p.withdraw, (QStringList{"wav", "mpeg"}));
    EXPECT_FALSE(p.listDefault);
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_FALSE(d.XPButton4->buttonEnabled());
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(FileShellTest, DesktopFilesThatCannotBeWrittenAreReportedOnce)
{
    desktop.result.ok = false;
    desktop.result.failedPath = "/home/u/.config/mimeapps.list";
    FrmFileShell d(nullptr, kDataDir, kProgram);
    d.XPButton1_Click();
    d.XPButton4_Click();
    EXPECT_EQ(ui.messages(), QStringList{"无法保存文件关联设置：/home/u/.config/mimeapps.list"});
    EXPECT_EQ(get(".mp3"), "Md.mp3") << "the store keeps the choice";
}

TEST_F(FileShellTest, CancelWritesNothing)
{
    FrmFileShell d(nullptr, kDataDir, kProgram);
    d.XPButton1_Click();
    d.XPButton3_Click();
    EXPECT_TRUE(store.keys().isEmpty());
    EXPECT_TRUE(desktop.plans.empty());
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(FileShellTest, EveryTypeHasAnIcon)
{
    // The shipped markers; a type without its marker shows the plain one.
    testsupport::TestDir data;
    ASSERT_TRUE(QDir().mkpath(data.file("res")));
    for (const char* name : {"ico", "ico.mp3"})
        ASSERT_TRUE(QFile::copy(QString(MELODUNE_SOURCE_DIR) + "/data/res/" + name, data.file(QString("res/") + name)));
    FrmFileShell d(nullptr, data.path(), kProgram);
    for (int i = 0; i < FrmFileShell::kTypes; ++i) {
        EXPECT_FALSE(d.typeIcon(i).isNull()) << i;
        EXPECT_EQ(d.typeIcon(i).size(), QSize(24, 24)) << i;
    }
}

// The desktop entries name the program's icon, the one its windows carry,
// in the largest size it is shipped in, from the data folder.
TEST_F(FileShellTest, TheEntriesNameTheProgramIconInItsLargestSize)
{
    const QString data = dir.file("data");
    seedDataDir(QStringLiteral(MELODUNE_BIN_DIR), data);
    const QString icon = associationPlan(kProgram, data).icon;
    EXPECT_TRUE(icon.startsWith(data + "/res/")) << icon.toStdString();
    EXPECT_EQ(QImage(icon).size(), QSize(256, 256));
}

TEST_F(FileShellTest, GetKeyValueReadsTextAndNumbersOnly)
{
    set("Tools", "Text", QString("/usr/bin/x") + QChar(0) + "rest");
    Module2::SetKeyValue(rt::HKEY_CLASSES_ROOT, "Tools", "Number", std::int32_t(-7), rt::REG_DWORD);
    struct Row { const char* key; const char* name; bool read; const char* value; };
    const Row rows[] = {
        {"Tools", "Text", true, "/usr/bin/x"},
        {"Tools", "Number", true, "-7"},
        {"Tools", "Missing", false, ""},
        {"NoSuchKey", "Text", false, ""},
    };
    for (const Row& r : rows) {
        QString v = "left over";
        EXPECT_EQ(GetKeyValue(rt::HKEY_CLASSES_ROOT, r.key, r.name, v), r.read) << r.key << r.name;
        EXPECT_EQ(v, QString(r.value)) << r.key << r.name;
    }
}

TEST_F(FileShellTest, StartUpMirrorsTheStoreAndTheMenuOpensTheDialog)
{
    // The window's surroundings with the store of its own.
    testsupport::MainWindowFixture<> window({.fakeClock = false, .makeDataFolder = false});
    set(".mp3", {}, "Md.mp3");
    {
        FrmMain w(window.services);
        ASSERT_TRUE(w.Form_Load());
        ASSERT_EQ(desktop.plans.size(), 1u);
        const rt::AssocPlan& p = desktop.plans[0];
        EXPECT_TRUE(p.listDefault);
        EXPECT_EQ(p.associated, QStringList{"mp3"});
        EXPECT_TRUE(p.takeOver.isEmpty()) << "a start changes no media default";
        EXPECT_TRUE(p.withdraw.isEmpty());
        EXPECT_EQ(p.program, QCoreApplication::applicationFilePath());

        w.mnuFileShell->trigger();
        auto* d = w.findChild<FrmFileShell*>();
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(d->isModal());
        EXPECT_EQ(d->windowTitle(), "文件关联设置");
        EXPECT_TRUE(d->Check1[2]->isChecked());
        d->XPButton3_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(w.findChild<FrmFileShell*>(), nullptr);
    }
}
