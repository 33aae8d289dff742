// The main window's help: the menu item, the help label, F1 in any window,
// the home page, and the about and track information windows it opens.
#include "controls/xpbutton.h"
#include "dialogs/frmabout.h"
#include "dialogs/frminfo.h"
#include "dialogs/help.h"
#include "lyrics/websearch.h"
#include "platform/shellopen.h"
#include "tests/support/mainwindow.h"

#include <QAction>
#include <QKeyEvent>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QWindow>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

class HelpTest : public MainWindowTest<> {
protected:
    QList<QUrl> opened;
    bool openSucceeds = true;
    rt::ScopedUrlOpener scopedOpener{[this](const QUrl& u) {
        opened << u;
        return openSucceeds;
    }};

    FrmMain& window(const QStringList& entries = {})
    {
        FrmMain& win = startWith(entries);
        shared().ProgramDir = dir.file("program");
        dir.write("program/help.html", "<html></html>");
        win.show();
        settle();
        return win;
    }
    QUrl helpUrl() const { return QUrl::fromLocalFile(dir.file("program/help.html")); }

    // Runs `open`, which shows a modal window, and `inside` once it shows;
    // the window is closed afterwards whatever `inside` found.
    template <class Dialog>
    Dialog* runModal(const std::function<void()>& open, const std::function<void(Dialog&)>& inside)
    {
        Dialog* seen = nullptr;
        QTimer timer; // gone with this call, so it cannot fire into a later one
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            seen = qobject_cast<Dialog*>(modal);
            if (seen)
                inside(*seen);
            if (modal)
                modal->close();
        });
        timer.start(0);
        open();
        return seen;
    }
    static void release(QWidget* w, Qt::MouseButton b)
    {
        QTest::mousePress(w, b, {}, QPoint(3, 3));
        QTest::mouseRelease(w, b, {}, QPoint(3, 3));
    }
};

} // namespace

TEST_F(HelpTest, MenuLabelAndF1OpenTheHelpPageOnceEach)
{
    FrmMain& win = window();
    EXPECT_EQ(win.Label6->text(), QStringLiteral("帮助(F1)"));

    win.Label5->setFocus();
    win.mnuHelpContents->trigger();
    EXPECT_EQ(opened, QList<QUrl>{helpUrl()});
    EXPECT_EQ(QApplication::focusWidget(), win.List1) << "the playlist takes the focus first";

    opened.clear();
    release(win.Label6, Qt::LeftButton);
    EXPECT_EQ(opened, QList<QUrl>{helpUrl()});

    opened.clear();
    QTest::keyClick(win.windowHandle(), Qt::Key_F1);
    EXPECT_EQ(opened, QList<QUrl>{helpUrl()});

    // The repeats of a held key open nothing more.
    opened.clear();
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(win.windowHandle(), &repeat);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(ui.calls.empty());
}

TEST_F(HelpTest, F1InAModalDialogOpensTheHelpOnce)
{
    FrmMain& win = window();
    FrmAbout* about = runModal<FrmAbout>([&] { win.mnuHelpAbout->trigger(); },
                                         [&](FrmAbout& d) {
                                             QTest::keyClick(d.windowHandle(), Qt::Key_F1);
                                             EXPECT_EQ(opened, QList<QUrl>{helpUrl()});
                                         });
    EXPECT_TRUE(about) << "the about box was shown modal";
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(HelpTest, ARightClickOnTheHelpLabelOpensTheMainMenuOnly)
{
    FrmMain& win = window();
    release(win.Label6, Qt::RightButton);
    QMenu* menu = win.Popmnu0;
    EXPECT_TRUE(menu->isVisible());
    menu->close();
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(HelpTest, AMissingPageOrNoBrowserIsTold)
{
    FrmMain& win = window();
    openSucceeds = false;
    win.mnuHelpContents_Click();
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("无法打开帮助文件：") + dir.file("program/help.html")});

    opened.clear();
    ui.calls.clear();
    openSucceeds = true;
    QFile::remove(dir.file("program/help.html"));
    win.mnuHelpContents_Click();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("无法打开帮助文件：") + dir.file("program/help.html")});
}

// With no browser, xdg-open gives up (exit code 4) after it has tried; each
// command then says so once, with what it tried to open.
TEST_F(HelpTest, AnOpenerThatGivesUpIsToldOnceWithThePathOrAddress)
{
    FrmMain& win = window();
    rt::setUrlOpener({}); // the desktop's own opener, a stand-in found on PATH
    dir.write("bin/xdg-open", "#!/bin/sh\necho \"$1\" >> \"$0.log\"\nexit 4\n");
    QFile::setPermissions(dir.file("bin/xdg-open"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.file("bin").toUtf8() + ':' + path);

    const QString help = QStringLiteral("无法打开帮助文件：") + dir.file("program/help.html");
    const QString web = QStringLiteral("无法打开网页：");
    const QUrl search = keywordSearchUrl(settings().Mp3SearchUrl, QStringLiteral("猫"));
    const struct {
        const char* name;
        std::function<void()> command;
        QString said;
        QString opened;
    } cases[] = {
        {"help menu", [&] { win.mnuHelpContents->trigger(); }, help, dir.file("program/help.html")},
        {"help label", [&] { release(win.Label6, Qt::LeftButton); }, help, dir.file("program/help.html")},
        {"F1", [&] { QTest::keyClick(win.windowHandle(), Qt::Key_F1); }, help, dir.file("program/help.html")},
        {"home page", [&] { win.mnuWebLink->trigger(); }, web + homePageUrl().toString(),
         homePageUrl().toString()},
        {"home page button", [&] { emit win.XPButtons[15]->Click(); }, web + homePageUrl().toString(),
         homePageUrl().toString()},
        {"lyrics site", [&] { win.mnuSearch1->trigger(); },
         web + lyricsSitePageUrl().toString(), lyricsSitePageUrl().toString()},
        {"MP3 search",
         [&] {
             ui.inputAnswers = {QStringLiteral("猫")};
             win.mnuSearch2->trigger();
         },
         web + search.toString(), QString::fromUtf8(search.toEncoded())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.calls.clear();
        QFile::remove(dir.file("bin/xdg-open.log"));
        c.command();
        EXPECT_TRUE(waitUntil([&] { return !ui.messages().isEmpty(); }, 20000));
        settle();
        EXPECT_EQ(ui.messages(), QStringList{c.said});
        EXPECT_EQ(dir.read("bin/xdg-open.log"), c.opened.toUtf8() + '\n');
    }
    qputenv("PATH", path);
}

TEST_F(HelpTest, TheShippedPageLiesBesideTheProgram)
{
    QFile page(QStringLiteral(MELODUNE_BIN_DIR "/help.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << "the build copies data/help.html beside the program";
    const QString text = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(text.contains(QStringLiteral("帮助")));
}

TEST_F(HelpTest, TheWebItemAndButtonOpenTheHomePage)
{
    FrmMain& win = window();
    win.mnuWebLink->trigger();
    emit win.XPButtons[15]->Click();
    EXPECT_EQ(opened, (QList<QUrl>{homePageUrl(), homePageUrl()}));
    EXPECT_EQ(homePageUrl().scheme(), QStringLiteral("https"));
}

TEST_F(HelpTest, TheAboutBoxShowsTheVersionOfTheBuild)
{
    services.versionMajor = 3;
    services.versionMinor = 2;
    services.versionRevision = 1;
    FrmMain& win = window();
    QString version, title;
    runModal<FrmAbout>([&] { win.mnuHelpAbout_Click(); },
                       [&](FrmAbout& d) {
                           version = d.lblVersion->text();
                           title = d.windowTitle();
                           EXPECT_EQ(d.parentWidget(), &win);
                       });
    EXPECT_EQ(version, QStringLiteral("版本 3.2.1"));
    EXPECT_EQ(title, QStringLiteral("关于 Melodune"));
}

TEST_F(HelpTest, TrackInformationOpensOnlyWithALoadedTrack)
{
    FrmMain& win = window({dir.file("song.mp3")});
    EXPECT_FALSE(runModal<FrmInfo>([&] { win.mnuFileInfo_Click(); }, [](FrmInfo&) {}))
        << "nothing while no media is open";

    dir.write("song.mp3", QByteArray(3 << 19, 'x'));
    fake()->setMedia(dir.file("song.mp3"), rt::FakeMedia{.duration = 61.5, .title = "Title", .author = "Singer"});
    win.Timer3_Timer();
    settle();
    QStringList fields;
    const FrmInfo* info = runModal<FrmInfo>([&] { emit win.XPButtons[22]->Click(); },
                                            [&](FrmInfo& d) {
                                                for (int n = 1; n <= 9; ++n)
                                                    fields << d.fieldText(n);
                                            });
    ASSERT_TRUE(info);
    ASSERT_EQ(fields.size(), 9);
    EXPECT_EQ(fields[0], dir.file("song.mp3"));
    EXPECT_EQ(fields[1], QStringLiteral("Title"));
    EXPECT_EQ(fields[2], QStringLiteral("Singer"));
    EXPECT_EQ(fields[3], QStringLiteral("-"));
    EXPECT_TRUE(fields[5].startsWith(QStringLiteral("1"))) << fields[5].toStdString();
    EXPECT_TRUE(fields[5].endsWith(QStringLiteral(" 字节)")));
    EXPECT_EQ(fields[8], QStringLiteral("-"));
    EXPECT_TRUE(ui.calls.empty()) << "no message box any more";
}
