// The about box: its texts, the version label's switch, the maker's line, and
// the system information program it starts.
#include "controls/xpbutton.h"
#include "core/shared.h"
#include "dialogs/frmabout.h"
#include "dialogs/help.h"
#include "dialogs/keyvalue.h"
#include "platform/mediacontrolfake.h"
#include "platform/registry.h"
#include "platform/shellopen.h"
#include "platform/ui.h"
#include "tests/support/testdir.h"

#include <QFile>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

const QString kToolsKey = QStringLiteral("Software\\Melodune\\Tools");
const QString kOtherKey = QStringLiteral("Software\\Melodune\\Other");
const QString kUnavailable = QStringLiteral("此时系统信息不可用");

class AboutTest : public ::testing::Test {
protected:
    testsupport::TestDir dir;
    rt::Registry store{dir.file("registry.ini")};
    rt::ScopedRegistry scopedStore{&store};
    rt::ScriptedUi ui;
    rt::ScopedUi scopedUi{&ui};
    QList<QUrl> opened;
    rt::ScopedUrlOpener scopedOpener{[this](const QUrl& u) {
        opened << u;
        return true;
    }};
    struct Start {
        QString program;
        QStringList arguments;
    };
    QList<Start> started;
    bool startSucceeds = true;
    rt::ScopedProgramStarter scopedStarter{[this](const QString& p, const QStringList& a) {
        started << Start{p, a};
        return startSucceeds;
    }};
    QByteArray savedPath = qgetenv("PATH");

    void TearDown() override { qputenv("PATH", savedPath); }

    void setText(const QString& key, const QString& name, const QString& text)
    {
        rt::HKey h = 0;
        ASSERT_EQ(store.createKey(rt::HKEY_LOCAL_MACHINE, key, &h), rt::ERROR_SUCCESS);
        ASSERT_EQ(store.setValue(h, name, rt::RegValue{rt::REG_SZ, text, 0}), rt::ERROR_SUCCESS);
        store.closeKey(h);
    }
    // An executable stand-in program.
    QString program(const QString& name)
    {
        dir.write(name, "#!/bin/sh\nexit 0\n");
        QFile::setPermissions(dir.file(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return dir.file(name);
    }
    static void click(QWidget* w, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseClick(w, b, {}, QPoint(2, 2)); }
};

} // namespace

TEST_F(AboutTest, ShowsTheTitleAndTheVersionOfTheBuild)
{
    rt::FakeMediaControl media;
    FrmAbout about(&media, QStringLiteral("Melodune"), 2, 10, 3);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Melodune"));
    EXPECT_EQ(about.lblTitle->text(), QStringLiteral("Melodune"));
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("版本 2.10.3"));
    EXPECT_TRUE(about.lblDescription->text().endsWith(QLatin1Char('\n')));
    EXPECT_EQ(about.Label1->toolTip(), QStringLiteral("版权信息"));
    EXPECT_EQ(about.XPButton1->caption(), QStringLiteral("确 定"));
    EXPECT_EQ(about.XPButton2->caption(), QStringLiteral("系统信息"));
}

TEST_F(AboutTest, TheVersionLabelTogglesTheTransportBarAndTwoClicksLeaveIt)
{
    rt::FakeMediaControl media;
    media.setShowControls(false);
    media.calls.clear();
    FrmAbout about(&media, QStringLiteral("Melodune"), 1, 0, 0);
    click(about.lblVersion, Qt::RightButton);
    EXPECT_FALSE(media.showControls()) << "only the left button clicks";
    click(about.lblVersion);
    EXPECT_TRUE(media.showControls());
    click(about.lblVersion);
    EXPECT_FALSE(media.showControls());
    EXPECT_EQ(media.calls, (QStringList{"ShowControls=1", "ShowControls=0"}));
}

TEST_F(AboutTest, TheMakersLineOpensTheHomePageAndOkCloses)
{
    rt::FakeMediaControl media;
    FrmAbout about(&media, QStringLiteral("Melodune"), 1, 0, 0);
    about.show();
    click(about.Label1);
    EXPECT_EQ(opened, QList<QUrl>{homePageUrl()});
    emit about.XPButton1->Click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_FALSE(about.XPButton1->buttonEnabled());
    EXPECT_FALSE(about.XPButton2->buttonEnabled());
}

TEST_F(AboutTest, GetKeyValueReadsTextAndNumbersOnly)
{
    setText(kToolsKey, QStringLiteral("PATH"), QStringLiteral("/opt/info") + QChar(0) + QStringLiteral("rest"));
    rt::HKey h = 0;
    store.openKey(rt::HKEY_LOCAL_MACHINE, kToolsKey, &h);
    store.setValue(h, QStringLiteral("Count"), rt::RegValue{rt::REG_DWORD, {}, 0xFFFFFFFFu});
    store.closeKey(h);

    struct Case {
        QString key, name;
        bool read;
        QString value;
    };
    const Case cases[] = {
        {kToolsKey, QStringLiteral("PATH"), true, QStringLiteral("/opt/info")}, // cut at the first NUL
        {kToolsKey.toLower(), QStringLiteral("path"), true, QStringLiteral("/opt/info")},
        {kToolsKey, QStringLiteral("Count"), true, QStringLiteral("-1")},
        {kToolsKey, QStringLiteral("Missing"), false, QString()},
        {kOtherKey, QStringLiteral("PATH"), false, QString()},
    };
    for (const Case& c : cases) {
        QString value = QStringLiteral("before");
        EXPECT_EQ(GetKeyValue(rt::HKEY_LOCAL_MACHINE, c.key, c.name, value), c.read) << c.name.toStdString();
        EXPECT_EQ(value, c.value) << c.name.toStdString();
    }
    // Reading writes nothing.
    const QByteArray before = dir.read("registry.ini");
    QString value;
    GetKeyValue(rt::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\New"), QString(), value);
    EXPECT_EQ(dir.read("registry.ini"), before);
}

TEST_F(AboutTest, SysInfoStartsTheFirstDesktopProgramInstalled)
{
    // The desktop programs on the PATH, first installed first.
    qputenv("PATH", QFile::encodeName(dir.file("bin")));
    program(QStringLiteral("bin/xfce4-about"));
    program(QStringLiteral("bin/hardinfo"));
    FrmAbout::StartSysInfo();
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].program, dir.file("bin/hardinfo"));

    // A start that fails is told.
    started.clear();
    startSucceeds = false;
    FrmAbout::StartSysInfo();
    EXPECT_EQ(started.size(), 1);
    EXPECT_EQ(ui.messages(), QStringList{kUnavailable});

    // None installed.
    ui.calls.clear();
    started.clear();
    qputenv("PATH", QFile::encodeName(dir.file("nothing")));
    FrmAbout::StartSysInfo();
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(ui.messages(), QStringList{kUnavailable});
}

TEST_F(AboutTest, TheSystemInformationButtonStartsIt)
{
    qputenv("PATH", QFile::encodeName(dir.file("bin")));
    program(QStringLiteral("bin/kinfocenter"));
    rt::FakeMediaControl media;
    FrmAbout about(&media, QStringLiteral("Melodune"), 1, 0, 0);
    emit about.XPButton2->Click();
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].program, dir.file("bin/kinfocenter"));
}
