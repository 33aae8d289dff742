// Start-up, shut-down and reload of the main window, with the media control
// and the capture input replaced by stand-ins.
#include "core/appenv.h"
#include "dialogs/module2.h"
#include "lyrics/richtext.h"
#include "platform/legacytext.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scratchmount.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace melodune;

namespace {

class StartupTest : public testsupport::MainWindowTest<> {
protected:
    StartupTest() : MainWindowTest({.fakeClock = false}) {}

    QString data(const QString& name) const { return dir.file("data/" + name); }
    void writeData(const QString& name, const QByteArray& bytes) { dir.write("data/" + name, bytes); }
};

QString regDefault(const char* key)
{
    return Module2::valueText(Module2::QueryValue(rt::HKEY_CLASSES_ROOT, QString::fromLatin1(key), QString()));
}

} // namespace

TEST_F(StartupTest, RegistersTheListTypeAndSetsTheStartValues)
{
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    const QString dataDir = shared().DataDir;
    EXPECT_EQ(regDefault(".mdu"), QStringLiteral("MDU.file"));
    EXPECT_EQ(regDefault("MDU.file"), QStringLiteral("MDU File"));
    EXPECT_EQ(regDefault("MDU.file\\DefaultIcon"), dataDir + QStringLiteral("/res/mdu.ico,0"));
    EXPECT_EQ(regDefault("MDU.file\\Shell\\Edit\\Command"), QStringLiteral("/usr/bin/editor %1"));
    EXPECT_EQ(regDefault("MDU.file\\Shell\\Open\\Command"),
              QStringLiteral("\"") + QCoreApplication::applicationFilePath() + QStringLiteral("\" \"%1\""));

    EXPECT_EQ(shared().OsName, QStringLiteral("Failed"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Melodune 1.0.0"));
    EXPECT_EQ(w.Label4->text(), w.windowTitle());
    EXPECT_EQ(w.Frame1->title(), QStringLiteral("曲目列表(共0首)"));
    EXPECT_EQ(w.RichTextBox1->backColor(), rt::rgb(0, 0, 128));
    EXPECT_EQ(w.Capture.RecordSeconds, 1.0);
    EXPECT_EQ(w.Capture.CaptureDesc.bufferBytes, 4 * 176400) << "one second plus three at 44100/16/stereo";
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join("|").toStdString();
    EXPECT_FLOAT_EQ(shared().SineTable[128], float(std::sin(128 * 3.1416 / 256)));
    EXPECT_TRUE(w.Timer[3]->isActive());
    for (int i : {1, 2, 4, 5, 6, 7, 8, 9, 10})
        EXPECT_FALSE(w.Timer[i]->isActive()) << "Timer" << i;
}

TEST_F(StartupTest, PictureModeZeroComesBackAsOne)
{
    SettingsRecord s;
    assignSettingDefaults(s, nullptr);
    s.PictureMode = 0;
    ASSERT_TRUE(saveSettings(shared().DataDir, s, -1));
    {
        FrmMain w(services);
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(settings().PictureMode, 1);
        EXPECT_FALSE(w.Picture2->isHidden());
        w.mnuExit_Click();
    }
    SettingsRecord r;
    loadSettings(shared().DataDir, r, nullptr);
    EXPECT_EQ(r.PictureMode, 1);
}

TEST_F(StartupTest, ExitWithAnEmptyListKeepsTheListFileAndEmptiesTemp)
{
    writeData("List.mdu", "\">1\"\r\n\"/gone/a.mp3\"\r\n");
    writeData("TEMP/$.lrc", "x");
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    w.List1->clear(); // e.g. an import into a cleared list that added nothing
    QSignalSpy ended(&w, &FrmMain::programEnded);
    w.mnuExit_Click();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(dir.read("data/List.mdu"), QByteArray("\">1\"\r\n\"/gone/a.mp3\"\r\n"));
    EXPECT_TRUE(QFileInfo(data("TEMP")).isDir());
    EXPECT_TRUE(QDir(data("TEMP")).isEmpty());
}

TEST_F(StartupTest, ExitSavesSettingsThenTheListWithItsIndex)
{
    writeData("List.mdu", "\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n\"/m/c.mp3\"\r\n");
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(w.List1->count(), 3);
    w.Track.CurrentIndex = 2;
    settings().LrcWaitSeconds = 30;
    w.mnuExit_Click();
    EXPECT_EQ(dir.read("data/List.mdu"), QByteArray("\">2\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n\"/m/c.mp3\"\r\n"));
    // Nanosecond times where the file system keeps them; a coarse clock may
    // give both writes one time.
    EXPECT_LE(std::filesystem::last_write_time(data("SetLog.ini").toStdString()),
              std::filesystem::last_write_time(data("List.mdu").toStdString()))
        << "settings are written first";
    SettingsRecord r;
    std::int32_t index = -1;
    loadSettings(shared().DataDir, r, &index);
    EXPECT_EQ(r.LrcWaitSeconds, 30);
    EXPECT_EQ(index, 2);
}

TEST_F(StartupTest, UnloadFinishesWhenTheSettingsCannotBeWritten)
{
    writeData("List.mdu", "\"/m/a.mp3\"\r\n");
    writeData("TEMP/2.wav", "x");
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    // A folder where the settings file should be: it can never be replaced.
    QDir().mkpath(data("SetLog.ini/blocker"));
    QSignalSpy ended(&w, &FrmMain::programEnded);
    w.mnuExit_Click();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(dir.read("data/List.mdu"), QByteArray("\">0\"\r\n\"/m/a.mp3\"\r\n"));
    EXPECT_TRUE(QDir(data("TEMP")).isEmpty());
}

TEST_F(StartupTest, ClosePictureAsksFirstAndExitDoesNot)
{
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    QSignalSpy ended(&w, &FrmMain::programEnded);
    ui.msgAnswers = {rt::No};
    w.Image4_Click();
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, QStringLiteral("你确定要关闭程序吗?"));
    EXPECT_EQ(ui.calls[0].style, rt::YesNo | rt::Question | rt::DefaultButton2);
    EXPECT_EQ(ended.count(), 0);
    ui.msgAnswers = {rt::Yes};
    w.Image4_Click();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(StartupTest, NoCaptureDeviceEndsTheStartWithTheMessage)
{
    rt::setCaptureSourceFactory([](QString* error) -> std::unique_ptr<rt::CaptureSource> {
        if (error)
            *error = QStringLiteral("no input");
        return nullptr;
    });
    FrmMain w(services);
    EXPECT_FALSE(w.Form_Load());
    ASSERT_FALSE(ui.calls.empty());
    EXPECT_EQ(ui.calls.back().text, QStringLiteral("无法初始化声卡！请确认声音服务器已经运行或声卡设置正确后重试！"));
    EXPECT_EQ(ui.calls.back().style, rt::Critical);
}

TEST_F(StartupTest, ReloadSuppressesTheCommandLineOnceAndKeepsTheList)
{
    services.commandLine = QStringLiteral("/a /m/new.mp3");
    writeData("List.mdu", "\"/m/a.mp3\"\r\n");
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    ASSERT_EQ(w.List1->count(), 2);
    QSignalSpy ended(&w, &FrmMain::programEnded);
    shared().Busy = true;
    w.reloadWindow();
    QTRY_VERIFY_WITH_TIMEOUT(w.Timer[3]->isActive() && !shared().Busy, 5000);
    EXPECT_EQ(ended.count(), 0) << "a reload does not end the program";
    EXPECT_EQ(w.List1->count(), 2) << "the command-line file is not added twice";
    EXPECT_FALSE(w.Reloading);
    EXPECT_TRUE(shared().CommandLine.isEmpty()) << "the marker is consumed once";
}

TEST_F(StartupTest, TheReloadCentresTheBalanceAgain)
{
    writeData("List.mdu", "\"/m/a.mp3\"\r\n");
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    w.HScroll1->setValue(2500);
    ASSERT_EQ(w.MediaPlayer1->balance(), 2500);
    ASSERT_EQ(w.Label3->text(), FrmMain::balanceCaption(2500));
    shared().Busy = true; // cleared once the reload has run
    w.reloadWindow();
    QTRY_VERIFY_WITH_TIMEOUT(w.Timer[3]->isActive() && !shared().Busy, 5000);
    EXPECT_EQ(w.HScroll1->value(), 0);
    EXPECT_EQ(w.Label3->text(), QStringLiteral("L· 0 ·R"));
    EXPECT_EQ(w.MediaPlayer1->balance(), 0) << "the media control outlives the reload";
}

TEST_F(StartupTest, ASecondInstanceEndsOrGoesOnByItsCommandLine)
{
    const struct {
        bool another;
        const char* commandLine;
        bool goesOn;
        bool message;
    } cases[] = {
        {false, "", true, false},
        {false, "/a /m/x.mp3", true, false},
        {true, "", false, false},
        {true, "/a /m/x.mp3", false, true},
        {true, "/m/x.mp3", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        ui.calls.clear();
        EXPECT_EQ(FrmMain::Form_Initialize(c.another, QString::fromUtf8(c.commandLine)), c.goesOn);
        ASSERT_EQ(ui.calls.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(ui.messages().front(),
                      QStringLiteral("目前程序已经打开，可以通过添加对话框或直接将此文件拖到播放列表中。"));
            EXPECT_EQ(ui.calls.front().style, rt::Information);
        }
    }
}

TEST_F(StartupTest, AnUnwritableListFileStillListsTheCommandLineFileAndSaysSo)
{
    QDir().mkpath(data("List.mdu"));
    services.commandLine = QStringLiteral("/a \"/m/new.mp3\"");
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    ASSERT_EQ(w.List1->count(), 1);
    EXPECT_EQ(w.List1->item(0)->text(), QStringLiteral("/m/new.mp3"));
    EXPECT_EQ(ui.messages(),
              (QStringList{QStringLiteral("无法读取播放列表文件 List.mdu，原文件已改名为 List.mdu.bad 保存。"),
                           QStringLiteral("无法把命令行中的文件保存到播放列表文件 List.mdu，它只在本次列表中。")}));
    w.mnuExit_Click();
    EXPECT_EQ(dir.read("data/List.mdu"), QByteArray("\">0\"\r\n\"/m/new.mp3\"\r\n"));
    EXPECT_TRUE(QFileInfo(data("List.mdu.bad")).isDir());
}

// What the command line brings that is no list or no file name is refused
// with a message before it replaces anything: after the exit the saved list
// is the same file, byte for byte.
TEST_F(StartupTest, ACommandLineOfNoListOrNoFileNameLeavesTheSavedListByteForByte)
{
    QStringList tenThousand;
    for (int i = 0; i < 10000; ++i)
        tenThousand << QStringLiteral("/m/%1.mp3").arg(i);
    // A media file given the list's name.
    QByteArray mp3("ID3\x04\x00\x00\x00\x00\x00\x00", 10);
    for (int i = 0; i < 2000; ++i)
        mp3 += QByteArray("\xFF\xFB\x90\x64\x00\x0F\n\xF0\x00", 9) + QByteArray::number(i);
    writeData("x.mdu", mp3);
    const QString nameWithLineEnd = data("a\nb.mp3");
    writeData("a\nb.mp3", "x");
    struct Case {
        const char* name;
        QString commandLine;
        QString message;
    };
    const Case cases[] = {
        {"binary list", "\"" + data("x.mdu") + "\"",
         QStringLiteral("“") + data("x.mdu") +
             QStringLiteral("”不是播放列表文件(它不是 GB18030 或 UTF-8 编码的文本)，未载入。保存的播放列表保持不变。")},
        {"10,000 arguments", commandLineText(tenThousand),
         QStringLiteral("命令行过长(%1 字节)，超过了文件名的长度上限，不是一个文件，已忽略。播放列表保持不变。")
             .arg(commandLineText(tenThousand).size())},
        {"one 100 KB argument", QString(100 * 1024, u'a'),
         QStringLiteral("命令行过长(102400 字节)，超过了文件名的长度上限，不是一个文件，已忽略。播放列表保持不变。")},
        {"a name with a line end", nameWithLineEnd,
         QStringLiteral("命令行中的“") + data("a↵b.mp3") +
             QStringLiteral("”无法加入播放列表：名称中含有换行符，播放列表无法保存这样的名称。播放列表保持不变。")},
    };
    ASSERT_TRUE(writePlaylistFile(data("List.mdu"), {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, 1));
    const QByteArray saved = dir.read("data/List.mdu");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.calls.clear();
        services.commandLine = c.commandLine;
        FrmMain w(services);
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(ui.messages(), QStringList{c.message});
        EXPECT_EQ(w.List1->count(), 3);
        EXPECT_EQ(w.Track.CurrentIndex, 1);
        w.mnuExit_Click();
        EXPECT_EQ(dir.read("data/List.mdu"), saved);
    }

    // An .m3u8 list is a list, not a track.
    writeData("mix.m3u8", "#EXTM3U\n/m/歌一.mp3\n/m/歌二.mp3\n");
    ui.calls.clear();
    services.commandLine = data("mix.m3u8");
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join("|").toStdString();
    ASSERT_EQ(w.List1->count(), 2);
    EXPECT_EQ(w.List1->item(0)->text(), QStringLiteral("/m/歌一.mp3"));
    EXPECT_EQ(dir.read("data/List.mdu"), saved) << "read, not written";
    w.mnuExit_Click();
}

TEST_F(StartupTest, AnUnreadableListThatStaysInPlaceIsKept)
{
    QDir().mkpath(data("List.mdu"));
    writeData("List.mdu.bad", "older");
    for (int n = 2; n < 100; ++n)
        writeData(QStringLiteral("List.mdu.bad%1").arg(n), "older");
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(ui.messages().value(0), QStringLiteral("无法读取播放列表文件 List.mdu，原文件保持不变，退出时也不会覆盖它。"));
    EXPECT_TRUE(w.KeepListFile) << "the exit must not write over it";
    w.mnuExit_Click();
}

TEST_F(StartupTest, AListBeyondTheCapKeepsEveryEntryOnDiskAfterExit)
{
    QByteArray big = "\">39999\"\r\n";
    for (int i = 0; i < 40000; ++i)
        big += "\"/m/" + QByteArray::number(i) + ".mp3\"\r\n";
    writeData("List.mdu", big);
    {
        FrmMain w(services);
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(w.List1->count(), 32767);
        EXPECT_EQ(ui.messages(), QStringList{QStringLiteral(
                                     "播放列表最多只能容纳 32767 首曲目，其余 7233 首未能载入。"
                                     "完整的原列表已另存为 List.mdu.full。")});
        w.mnuExit_Click();
    }
    EXPECT_EQ(dir.read("data/List.mdu.full"), big);
    const QStringList saved = readPlaylistFile(data("List.mdu")).entries;
    ASSERT_EQ(saved.size(), 32767);
    EXPECT_EQ(saved.last(), QStringLiteral("/m/32766.mp3"));

    // "/a" against the full list: the new entry is named and kept on disk.
    ui.calls.clear();
    services.commandLine = QStringLiteral("/a \"/m/new.mp3\"");
    {
        FrmMain w(services);
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(w.List1->count(), 32767);
        EXPECT_EQ(ui.messages(), QStringList{QStringLiteral(
                                     "播放列表最多只能容纳 32767 首曲目，其余 1 首(包括命令行中的文件“/m/new.mp3”)未能载入。"
                                     "完整的原列表已另存为 List.mdu.full2。")});
        w.mnuExit_Click();
    }
    EXPECT_EQ(dir.read("data/List.mdu.full"), big);
    EXPECT_EQ(readPlaylistFile(data("List.mdu.full2")).entries.value(32767), QStringLiteral("/m/new.mp3"));
}

TEST_F(StartupTest, AnOversizedListThatCannotBeCopiedSurvivesExitAndDeletion)
{
    QByteArray big;
    for (int i = 0; i < 32768; ++i)
        big += "\"/m/" + QByteArray::number(i) + ".mp3\"\r\n";
    writeData("List.mdu", big);
    QDir().mkpath(data("List.mdu.full"));
    for (int n = 2; n < 100; ++n)
        QDir().mkpath(data(QStringLiteral("List.mdu.full%1").arg(n)));
    FrmMain w(services);
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(ui.messages().value(0),
              QStringLiteral("播放列表最多只能容纳 32767 首曲目，其余 1 首未能载入。"
                             "无法另存完整的原列表，List.mdu 保持不变，退出时也不会覆盖它。"));
    ui.msgAnswers.push_back(rt::Yes);
    w.List1->setCurrentRow(0);
    w.mnuDelete_Click();
    EXPECT_EQ(w.List1->count(), 32766);
    w.mnuExit_Click();
    EXPECT_EQ(dir.read("data/List.mdu"), big);
}

TEST_F(StartupTest, ASettingsOrListFileThatIsNoRegularFileStillGivesAWindow)
{
    // A device to link to: one of the test's own where it may make one, so a
    // save through the link could never reach the system's.
    QString zero = dir.file("zero");
    if (::mknod(QFile::encodeName(zero).constData(), S_IFCHR | 0666, makedev(1, 5)) != 0)
        zero = QStringLiteral("/dev/zero");
    const struct {
        const char* file;
        bool fifo; // else a link to the zero device
    } cases[] = {{"List.mdu", true}, {"List.mdu", false}, {"SetLog.ini", true}, {"SetLog.ini", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.fifo ? " as a FIFO" : " as a link to a device"));
        QDir(data("")).removeRecursively();
        QDir().mkpath(data(""));
        ui.calls.clear();
        settings() = SettingsRecord{};
        const QString path = data(QString::fromLatin1(c.file));
        if (c.fifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            ASSERT_TRUE(QFile::link(zero, path));
        const bool list = QByteArray(c.file) == "List.mdu";
        if (!list)
            writeData("List.mdu", "\"/m/a.mp3\"\r\n");

        FrmMain w(services);
        ASSERT_TRUE(w.Form_Load());
        if (list) {
            EXPECT_EQ(ui.messages(), QStringList{QStringLiteral(
                                         "无法读取播放列表文件 List.mdu，原文件已改名为 List.mdu.bad 保存。")});
            EXPECT_EQ(w.List1->count(), 0);
            EXPECT_TRUE(QFileInfo(data("List.mdu.bad")).exists() || QFileInfo(data("List.mdu.bad")).isSymLink());
        } else {
            EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join("|").toStdString();
            EXPECT_EQ(settings().LrcWaitSeconds, 10) << "the defaults stand";
            EXPECT_EQ(w.List1->count(), 1);
        }
        w.mnuExit_Click();
        if (!list) {
            const QFileInfo saved(path);
            EXPECT_TRUE(saved.isFile() && !saved.isSymLink()) << "the exit writes a settings file in its place";
        }
        if (zero != QStringLiteral("/dev/zero")) {
            EXPECT_FALSE(QFileInfo(zero).isFile()) << "nothing was written through the link";
        }
    }
}

namespace {

// Scripted boxes that run something while a box waits for its answer.
class HookedUi : public rt::ScriptedUi {
public:
    std::function<void()> whileAsking;
    int msgBox(const QString& text, int style, const QString& title) override
    {
        if (whileAsking)
            whileAsking();
        return ScriptedUi::msgBox(text, style, title);
    }
};

// Everything written to standard error while it lives.
class StderrCapture {
public:
    explicit StderrCapture(const QString& file) : file_(file)
    {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    QString text()
    {
        std::fflush(stderr);
        QFile f(file_);
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
    }

private:
    QString file_;
    int saved_ = -1;
};

// No forced data folder, and $XDG_DATA_HOME at `path`, while it lives.
class UserDataHome {
public:
    explicit UserDataHome(const QString& path)
        : forced_(qgetenv("MELODUNE_DATA_DIR")), xdg_(qgetenv("XDG_DATA_HOME"))
    {
        qunsetenv("MELODUNE_DATA_DIR");
        qputenv("XDG_DATA_HOME", path.toUtf8());
    }
    ~UserDataHome()
    {
        qputenv("MELODUNE_DATA_DIR", forced_);
        if (forced_.isEmpty())
            qunsetenv("MELODUNE_DATA_DIR");
        qputenv("XDG_DATA_HOME", xdg_);
    }

private:
    QByteArray forced_;
    QByteArray xdg_;
};

} // namespace

TEST_F(StartupTest, AFailedExitSaveSaysWhichFileAndWhyAndWaitsForTheUser)
{
    enum class Ends { RetryAfterFreeing, QuitAnyway, OnSignal };
    const struct {
        const char* name;
        bool readOnly; // else full
        Ends ends;
    } cases[] = {
        {"full disk, try again after freeing space", false, Ends::RetryAfterFreeing},
        {"read-only folder, try again after making it writable", true, Ends::RetryAfterFreeing},
        {"full disk, quit anyway", false, Ends::QuitAnyway},
        {"read-only folder, ended by a signal", true, Ends::OnSignal},
    };
    const QByteArray oldList = "\">0\"\r\n\"/m/a.mp3\"\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::ScratchMount disk(dir.file("disk"), 256);
        if (!disk.ok())
            GTEST_SKIP() << "mounting a small file system needs root";
        shared().DataDir = disk.path();
        settings() = SettingsRecord{};
        dir.write("disk/List.mdu", oldList);
        SettingsRecord before;
        assignSettingDefaults(before, nullptr);
        ASSERT_TRUE(saveSettings(disk.path(), before, 0));
        const QByteArray oldSettings = dir.read("disk/SetLog.ini");

        HookedUi asked;
        rt::ScopedUi scoped(&asked);
        FrmMain w(services);
        ASSERT_TRUE(w.Form_Load());
        w.List1->addItem(QStringLiteral("/m/b.mp3")); // this session's edit
        settings().LrcWaitSeconds = 30;
        if (c.readOnly)
            ASSERT_TRUE(disk.setReadOnly(true));
        else
            disk.fill();
        QSignalSpy ended(&w, &FrmMain::programEnded);
        bool shownWhileAsking = false;
        asked.whileAsking = [&] {
            shownWhileAsking = w.isVisible() && ended.isEmpty();
            if (c.ends == Ends::RetryAfterFreeing) {
                if (c.readOnly)
                    disk.setReadOnly(false);
                else
                    disk.unfill();
            }
        };
        asked.msgAnswers = {c.ends == Ends::RetryAfterFreeing ? rt::Retry : rt::Cancel};
        QString logged;
        if (c.ends == Ends::OnSignal) {
            StderrCapture err(dir.file("stderr.txt"));
            w.endOnSignal();
            logged = err.text();
        } else {
            w.mnuExit_Click();
        }
        EXPECT_EQ(ended.count(), 1);

        const QString why = c.readOnly ? QStringLiteral("Read-only file system") : QStringLiteral("No space left");
        const QString told = c.ends == Ends::OnSignal ? logged : asked.messages().value(0);
        EXPECT_TRUE(told.contains(disk.path() + QStringLiteral("/SetLog.ini"))) << told.toStdString();
        EXPECT_TRUE(told.contains(disk.path() + QStringLiteral("/List.mdu"))) << told.toStdString();
        EXPECT_TRUE(told.contains(why, Qt::CaseInsensitive)) << told.toStdString();
        if (c.ends == Ends::OnSignal) {
            EXPECT_TRUE(asked.calls.empty()) << "nobody is asked";
            EXPECT_FALSE(told.contains(QStringLiteral("重试"))) << "nobody can click there";
        } else {
            ASSERT_EQ(asked.calls.size(), 1u);
            EXPECT_EQ(asked.calls[0].style, rt::RetryCancel | rt::Exclamation);
            EXPECT_TRUE(shownWhileAsking) << "the window stays until the user has answered";
        }
        if (c.ends == Ends::RetryAfterFreeing) {
            EXPECT_EQ(dir.read("disk/List.mdu"), QByteArray("\">0\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n"));
            SettingsRecord r;
            loadSettings(disk.path(), r, nullptr);
            EXPECT_EQ(r.LrcWaitSeconds, 30);
        } else {
            disk.setReadOnly(false);
            EXPECT_EQ(dir.read("disk/List.mdu"), oldList) << "the old files stay whole";
            EXPECT_EQ(dir.read("disk/SetLog.ini"), oldSettings);
        }
    }
}

TEST_F(StartupTest, AReadOnlyProgramFolderStartsFromItsOwnListAndSettingsAndSaysOnceWhereTheyGo)
{
    testsupport::ScratchMount prog(dir.file("prog"), 512);
    if (!prog.ok())
        GTEST_SKIP() << "mounting a small file system needs root";
    dir.write("prog/List.mdu", "\">1\"\r\n\"/m/a.mp3\"\r\n\"/m/b.mp3\"\r\n");
    SettingsRecord mine;
    assignSettingDefaults(mine, nullptr);
    mine.LrcWaitSeconds = 30;
    ASSERT_TRUE(saveSettings(prog.path(), mine, 1));
    dir.write("prog/LRCS/_m_a.mp3.lrc", "[00:01.00]la");
    dir.write("prog/PICS/_m_a.mp3.jpg", "picture");
    dir.write("prog/userdefine.pic", "own picture");
    ASSERT_TRUE(prog.setReadOnly(true));

    const UserDataHome home(dir.file("xdg"));
    const QString userData = dir.file("xdg/melodune");

    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE(start);
        ui.calls.clear();
        shared() = SharedState{};
        settings() = SettingsRecord{};
        shared().DataDir = resolveDataDir(prog.path(), &shared().DataDirNotice);
        EXPECT_EQ(shared().DataDir, userData);
        FrmMain w(services);
        ASSERT_TRUE(w.Form_Load());
        ASSERT_EQ(w.List1->count(), 2);
        EXPECT_EQ(w.List1->item(0)->text(), QStringLiteral("/m/a.mp3"));
        EXPECT_EQ(w.Track.CurrentIndex, 1);
        EXPECT_EQ(settings().LrcWaitSeconds, 30);
        if (start == 1) {
            ASSERT_EQ(ui.messages().size(), 1);
            EXPECT_TRUE(ui.messages()[0].contains(userData)) << ui.messages()[0].toStdString();
            EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("已复制过去"))) << ui.messages()[0].toStdString();
            EXPECT_EQ(ui.calls[0].style, rt::Information);
            EXPECT_EQ(dir.read("xdg/melodune/LRCS/_m_a.mp3.lrc"), QByteArray("[00:01.00]la"));
            EXPECT_EQ(dir.read("xdg/melodune/PICS/_m_a.mp3.jpg"), QByteArray("picture"));
            EXPECT_EQ(dir.read("xdg/melodune/userdefine.pic"), QByteArray("own picture"));
        } else {
            EXPECT_TRUE(ui.messages().isEmpty()) << "said once";
        }
        w.mnuExit_Click();
    }
    // Copied once: a list the user then empties does not come back.
    ASSERT_TRUE(QFile::remove(userData + QStringLiteral("/List.mdu")));
    resolveDataDir(prog.path());
    EXPECT_FALSE(QFileInfo::exists(userData + QStringLiteral("/List.mdu")));
}

TEST_F(StartupTest, AReadOnlyProgramFolderWithNothingOfTheUsersClaimsNoCopy)
{
    testsupport::ScratchMount prog(dir.file("prog"), 512);
    if (!prog.ok())
        GTEST_SKIP() << "mounting a small file system needs root";
    ASSERT_TRUE(prog.setReadOnly(true));
    const UserDataHome home(dir.file("xdg"));
    QString notice;
    EXPECT_EQ(resolveDataDir(prog.path(), &notice), dir.file("xdg/melodune"));
    EXPECT_TRUE(notice.contains(dir.file("xdg/melodune"))) << notice.toStdString();
    EXPECT_FALSE(notice.contains(QStringLiteral("复制"))) << notice.toStdString();
}
