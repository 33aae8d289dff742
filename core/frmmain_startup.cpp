// Start sequence, shut-down and the in-process reload of the main window.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/commandline.h"
#include "core/log.h"
#include "core/playlistfile.h"
#include "core/settings.h"
#include "core/shared.h"
#include "dialogs/fileshell.h"
#include "dialogs/module2.h"
#include "lyrics/richtext.h"
#include "platform/clock.h"
#include "platform/fileassoc.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "platform/units.h"
#include "platform/windowsystem.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <utility>

namespace melodune {

namespace {

const QString kTitle = QStringLiteral("Melodune");

void placeTwips(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(rt::twipsToPixels(left), rt::twipsToPixels(top), rt::twipsToPixels(width),
                   rt::twipsToPixels(height));
}

// The list-type registration written at every start.
void registerListType(const QString& dataDir, const QString& systemDir, const QString& programFile)
{
    using namespace Module2;
    const QString keys[] = {
        QStringLiteral(".mdu"),
        QStringLiteral("MDU.file"),
        QStringLiteral("MDU.file\\DefaultIcon"),
        QStringLiteral("MDU.file\\Shell\\Edit\\Command"),
        QStringLiteral("MDU.file\\Shell\\Open\\Command"),
    };
    const QString values[] = {
        QStringLiteral("MDU.file"),
        QStringLiteral("MDU File"),
        dataDir + QStringLiteral("/res/mdu.ico,0"),
        // The edit verb opens the system's default text editor.
        systemDir + QStringLiteral("/editor") + QStringLiteral(" ") + QStringLiteral("%1"),
        QStringLiteral("\"") + programFile + QStringLiteral("\" \"%1\""),
    };
    for (const QString& k : keys)
        CreateNewKey(rt::HKEY_CLASSES_ROOT, k);
    for (int i = 0; i < 5; ++i)
        SetKeyValue(rt::HKEY_CLASSES_ROOT, keys[i], QString(), values[i], rt::REG_SZ);
    // The desktop learns the list type too; the media types it mirrors as the
    // store has them, leaving their defaults to the user. Nothing is written
    // when nothing changed.
    rt::AssocPlan plan = associationPlan(programFile, dataDir);
    plan.listDefault = true;
    // The start goes on without it: the list type only opens from the desktop.
    if (const rt::AssocResult done = rt::fileAssociations().apply(plan); !done.ok)
        qCWarning(lcCore) << "the desktop was not told of the list type; unwritable:" << done.failedPath;
}

// Where the program, its data and the system's folders are.
void findProgramFolders(SharedState& sh)
{
    sh.OsName = GetWindowsVersion();
    sh.ProgramDir = QCoreApplication::applicationDirPath();
    if (sh.DataDir.isEmpty())
        sh.DataDir = resolveDataDir(sh.ProgramDir, &sh.DataDirNotice);
    sh.WindowsDir = QStringLiteral("/etc");
    sh.SystemDir = QStringLiteral("/usr/bin");
}

// What became of a list file that could not be read.
QString setAsideText(const StartupListResult& r)
{
    if (!r.listSetAsideAs.isEmpty())
        return QStringLiteral("，原文件已改名为 ") + QFileInfo(r.listSetAsideAs).fileName() + QStringLiteral(" 保存。");
    return r.keepListFile ? QStringLiteral("，原文件保持不变，退出时也不会覆盖它。") : QStringLiteral("。");
}

// The boxes of the start's list step: a refused command line, a list file
// that could not be read or written, entries beyond the list's capacity.
void tellStartupListProblems(const StartupListResult& r)
{
    switch (r.commandLineRefused) {
    case CommandLineRefusal::None:
        break;
    case CommandLineRefusal::TooLong:
        rt::ui().msgBox(QStringLiteral("命令行过长(%1 字节)，超过了文件名的长度上限，不是一个文件，已忽略。播放列表保持不变。")
                            .arg(r.refusedBytes),
                        rt::Exclamation);
        break;
    case CommandLineRefusal::EntryProblem:
        rt::ui().msgBox(QStringLiteral("命令行中的“") + entryForMessage(r.refusedName) +
                            QStringLiteral("”无法加入播放列表：") + entryProblemText(r.entryProblem) +
                            QStringLiteral("，播放列表无法保存这样的名称。播放列表保持不变。"),
                        rt::Exclamation);
        break;
    case CommandLineRefusal::NotAList:
        rt::ui().msgBox(QStringLiteral("“") + r.refusedName +
                            QStringLiteral("”不是播放列表文件(它不是 GB18030 或 UTF-8 编码的文本)，未载入。保存的播放列表保持不变。"),
                        rt::Exclamation);
        break;
    }
    if (r.readStatus == ListReadStatus::NotText)
        rt::ui().msgBox(QStringLiteral("播放列表文件 ") + QFileInfo(r.listRead).fileName() +
                            QStringLiteral(" 不是文本") + setAsideText(r),
                        rt::Exclamation);
    if (r.readStatus == ListReadStatus::Unreadable)
        rt::ui().msgBox(QStringLiteral("无法读取播放列表文件 ") + QFileInfo(r.listRead).fileName() + setAsideText(r),
                        rt::Exclamation);
    if (r.listWriteFailed)
        rt::ui().msgBox(r.entryListed
                            ? QStringLiteral("无法把命令行中的文件保存到播放列表文件 List.mdu，它只在本次列表中。")
                            : QStringLiteral("无法把命令行中的文件保存到播放列表文件 List.mdu。"),
                        rt::Exclamation);
    if (r.droppedEntries > 0) {
        QString text = QStringLiteral("播放列表最多只能容纳 %1 首曲目，其余 %2 首")
                           .arg(kMaxListEntries)
                           .arg(r.droppedEntries);
        if (!r.appendedEntryDropped.isEmpty())
            text += QStringLiteral("(包括命令行中的文件“") + r.appendedEntryDropped + QStringLiteral("”)");
        text += QStringLiteral("未能载入。");
        if (!r.fullListKeptAs.isEmpty())
            text += QStringLiteral("完整的原列表已另存为 ") + QFileInfo(r.fullListKeptAs).fileName() +
                    QStringLiteral("。");
        else if (r.keepListFile)
            text += QStringLiteral("无法另存完整的原列表，List.mdu 保持不变，退出时也不会覆盖它。");
        rt::ui().msgBox(text, rt::Exclamation);
    }
}

// One text line of `w`'s font: the height of the sample text.
int oneTextLine(const QWidget* w)
{
    return w->fontMetrics().boundingRect(QStringLiteral("初始化")).height();
}

} // namespace

bool FrmMain::Form_Initialize(bool anotherInstanceRuns, const QString& commandLine)
{
    switch (secondInstanceRule(anotherInstanceRuns, commandLine)) {
    case SecondInstance::Continue:
        return true;
    case SecondInstance::EndSilently:
        return false;
    case SecondInstance::EndWithMessage:
        rt::ui().msgBox(QStringLiteral("目前程序已经打开，可以通过添加对话框或直接将此文件拖到播放列表中。"),
                        rt::Information, kTitle);
        return false;
    }
    return true;
}

bool FrmMain::Form_Load()
{
    SharedState& sh = shared();
    SettingsRecord& s = settings();
    rt::setAppTitle(kTitle);
    rt::setDialogParent(this);

    findProgramFolders(sh);
    createDataFolders(sh.DataDir);
    // Done when it returns, so the start does not pause for it.
    renameOldListFile(sh.DataDir);
    showVersionCaption();
    if (!openSoundDevices())
        return false;
    resetTrackFields();
    assignSettingDefaults(s, &Track.CurrentIndex);
    loadSettings(sh.DataDir, s, &Track.CurrentIndex);
    prepareSkin(Skin, sh.DataDir, s.SkinFile);
    registerListType(sh.DataDir, sh.SystemDir, QCoreApplication::applicationFilePath());
    loadStartupList();
    applyStartupViewSettings();
    layoutStartControls();
    centreBalance();
    // A one-second capture buffer. An input that names no format yet is
    // asked again before every take.
    Capture.RecordSeconds = 1.0;
    if (PrepareCaptureFormat(*DSCapture, Capture, s.MaxRecordMinutes, Capture.RecordSeconds) ==
        PrepareResult::NoFormat)
        return false;
    showLyricBackground();
    placeLyricStrips();
    showMainWindow();
    sh.ComputerName = computerName();
    sh.SineTable = buildSineTable();
    // The deferred start.
    Timer[3]->start();
    loaded_ = true;
    // Asked to end while a box of the start waited.
    if (endingOnSignal_)
        unloadForm();
    return true;
}

void FrmMain::showVersionCaption()
{
    const QString caption =
        versionCaption(kTitle, services_.versionMajor, services_.versionMinor, services_.versionRevision);
    setWindowTitle(caption);
    Label4->setText(caption);
    Image5->setToolTip(caption);
}

bool FrmMain::openSoundDevices()
{
    clsRecorder = std::make_unique<WaveInRecorder>();
    FillDeviceCombo();
    watchInputDevices();
    QString error;
    DSCapture = rt::DirectSoundCaptureCreate(&error);
    if (!DSCapture) {
        qCWarning(lcCore) << "no sound input, the program ends:" << error;
        rt::ui().msgBox(QStringLiteral("无法初始化声卡！请确认声音服务器已经运行或声卡设置正确后重试！"),
                        rt::Critical, kTitle);
        return false;
    }
    // The play-back object cannot fail here (it only writes WAV files), so
    // the full-duplex warning for a missing one never shows.
    DSound = rt::DirectSoundCreate(&error);
    if (DSound)
        DSound->SetCooperativeLevel(quintptr(winId()), 2);
    // The capture records from the device the panel chose.
    if (clsRecorder->SelectedDevice() >= 0)
        DSCapture->setDevice(clsRecorder->SelectedDeviceId());
    return true;
}

void FrmMain::resetTrackFields()
{
    Track.CurrentIndex = -1;
    Track.CurrentFile.clear();
    Track.CurrentExt.clear();
    Jobs.DevocalFile.clear();
    Reloading = false;
    playingSinceMs_ = -1;
    silentPass_.reset();
    LrcView.LrcCurTime = QStringLiteral("0");
    LrcView.LrcNextTime = QStringLiteral("0");
}

void FrmMain::loadStartupList()
{
    SharedState& sh = shared();
    const StartupListResult r =
        runStartupListStep(sh.CommandLine, services_.commandLine, sh.DataDir, Track.CurrentIndex);
    sh.CommandLine = r.commandLine;
    List1->clear();
    List1->addItems(r.entries);
    Track.CurrentIndex = r.currentIndex;
    if (List1->count() > 0)
        Marks.reset(List1->count());
    if (r.selectIndex >= 0) {
        List1->setCurrentRow(r.selectIndex);
        List1_Click();
    }
    if (r.demoAdded)
        rt::clock().sleepMs(500);
    KeepListFile = r.keepListFile;
    tellStartupListProblems(r);
    Frame1->setTitle(listCountCaption(List1->count()));
}

void FrmMain::applyStartupViewSettings()
{
    SettingsRecord& s = settings();
    RichTextBox1->setBackColor(s.LrcBackColor);
    mnuPlayRec->setEnabled(false);
    mnuStopRecPlay->setEnabled(false);
    mnuShowPic->setChecked(s.PictureMode != 0);
    Picture2->setVisible(s.PictureMode != 0);
    mnuShowPic->setVisible(false);
    if (s.PictureMode == 0)
        s.PictureMode = 1;
    Picture2->setVisible(true);
}

void FrmMain::centreBalance()
{
    // The control's own transport bar is off.
    MediaPlayer1->setShowControls(false);
    // The media control outlives a reload, so its balance goes back to 0
    // with the slider and the caption.
    {
        const QSignalBlocker quiet(HScroll1);
        HScroll1->setValue(0);
    }
    MediaPlayer1->setBalance(0);
    Label3->setText(balanceCaption(MediaPlayer1->balance()));
}

void FrmMain::showLyricBackground()
{
    Label5->setText(QString());
    Image6->setGeometry(0, 0, Picture1->width(), Picture1->height());
    SharedState& sh = shared();
    rebuildBackgroundList(sh);
    const QString bk = randomBackgroundPath(sh);
    if (bk.isEmpty())
        return;
    if (const QPixmap p = loadPicture(bk); !p.isNull())
        setLyricBackground(p);
}

void FrmMain::placeLyricStrips()
{
    // (0) at the top, (2) at the bottom, (1) above it, Picture7 over (1).
    const int line = oneTextLine(Picture6[0]);
    for (QLabel* p : Picture6)
        p->clear();
    Picture6[0]->setGeometry(0, 0, Picture1->width(), line);
    Picture6[2]->setGeometry(0, Picture1->height() - line - 1, Picture1->width(), line);
    Picture6[1]->setGeometry(0, Picture1->height() - line - Picture6[2]->height() - 1, Picture1->width(), line);
    for (QLabel* p : Picture6)
        p->clear();
    Picture7->setGeometry(0, Picture6[1]->y(), Picture1->width(), Picture6[1]->height());
}

void FrmMain::showMainWindow()
{
    show();
    // The player is got ready off the window thread once the window is on
    // screen, when the start timer has a track for it; libmpv and its
    // libraries stay out of the start (and out of memory while the list is
    // empty, until something is played).
    rt::whenFirstExposed(this, this, [this] {
        if (List1->count() > 0)
            MediaPlayer1->prepare();
    });
    // Once: the program folder could not be written, so the data moved.
    SharedState& sh = shared();
    if (!sh.DataDirNotice.isEmpty())
        rt::ui().msgBox(std::exchange(sh.DataDirNotice, QString()), rt::Information, kTitle);
}

void FrmMain::layoutStartControls()
{
    QWidget* mp = MediaPlayer1->widget();
    placeTwips(mp, 360, 480, 4320, 4320);
    Picture2->setGeometry(mp->x(), mp->y(), mp->width(), rt::twipsToPixels(3240));
    Picture2->show();
    Image1->setGeometry(0, 0, Picture2->width(), Picture2->height());
    Image2->setGeometry(0, 0, Picture2->width(), Picture2->height());
    {
        const QString& dir = shared().DataDir;
        QPixmap cover;
        if (QFileInfo::exists(dir + QStringLiteral("/userdefine.pic")) && settings().PictureMode == 2)
            cover = loadPicture(dir + QStringLiteral("/userdefine.pic"));
        else if (QFileInfo::exists(dir + QStringLiteral("/default.pic")))
            cover = loadPicture(dir + QStringLiteral("/default.pic"));
        if (!cover.isNull())
            Image1->setPixmap(cover);
        Image2->setPixmap(Image1->pixmap());
    }
    Picture5->setGeometry(Picture2->geometry());
    Picture5->setStyleSheet(QStringLiteral("background: black; color: white;"));
    Picture5->setVisible(settings().ShowVisual == 1);
    placeTwips(Picture3, 360, 6000, 4320, 180);
    // Picture4(0..3), left edge and width; they reach over the strip's height.
    constexpr int picture4[4][2] = {{-45, 2160}, {2145, 2175}, {2115, 30}, {2115, 30}};
    for (int i = 0; i < 4; ++i)
        Picture3->setPart(i, rt::twipsToPixels(picture4[i][0]), rt::twipsToPixels(picture4[i][1]));
    // Line1 from x1 360 to x2 4650 at y 6195, in the highlight colour.
    Line1->setGeometry(rt::twipsToPixels(360), rt::twipsToPixels(6195),
                       rt::twipsToPixels(4650) - rt::twipsToPixels(360), 1);
    QPalette pal = Line1->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Highlight));
    Line1->setPalette(pal);
}

void FrmMain::FillDeviceCombo(const QByteArray& keep)
{
    // Filled quietly (emptying the list and its first row would each raise
    // the click); the handler then runs once for the device chosen.
    int chosen = -1;
    {
        const QSignalBlocker block(cboDev);
        cboDev->clear();
        const std::int32_t n = clsRecorder ? clsRecorder->DeviceCount() : 0;
        for (std::int32_t i = 0; i < n; ++i)
            cboDev->addItem(clsRecorder->DeviceName(i), clsRecorder->DeviceId(i));
        if (!keep.isEmpty()) {
            const int row = cboDev->findData(keep);
            if (row >= 0 && clsRecorder->SelectDevice(row))
                chosen = row;
        }
        for (std::int32_t i = 0; chosen < 0 && i < n; ++i)
            if (clsRecorder->SelectDevice(i))
                chosen = int(i);
        cboDev->setCurrentIndex(chosen);
    }
    if (chosen >= 0) {
        cboDev_Click();
    } else {
        const QSignalBlocker block(cboRecLine);
        cboRecLine->clear();
    }
    showWholeNames(cboDev);
    showWholeNames(cboRecLine);
}

void FrmMain::Form_QueryUnload()
{
    // Capture buffers refer to their capture object: release them first.
    DSCaptureBuffer.reset();
    DSBuffer.reset();
    DSound.reset();
    DSCapture.reset();
    Capture.Samples.clear();
    Capture.Samples.shrink_to_fit();
    SharedState& sh = shared();
    sh.LevelData.fill(0);
    sh.WaveData.fill(0);
    sh.SineTable.fill(0);
    sh.BkgroundFiles.clear();
    clsRecorder.reset();
}

void FrmMain::saveAtUnload()
{
    const SharedState& sh = shared();
    // The playlist only when it holds entries (and not over a list file that
    // could not be read nor moved aside).
    bool settingsDue = true;
    bool listDue = List1->count() > 0 && !KeepListFile;
    for (;;) {
        QStringList failures;
        QString error;
        if (settingsDue) {
            settingsDue = !saveSettings(sh.DataDir, settings(), Track.CurrentIndex, &error);
            if (settingsDue)
                failures << error;
        }
        if (listDue) {
            QStringList entries;
            entries.reserve(List1->count());
            for (int i = 0; i < List1->count(); ++i)
                entries << List1->item(i)->text();
            error.clear();
            listDue = !saveListAtShutdown(sh.DataDir, entries, Track.CurrentIndex, &error);
            if (listDue)
                failures << error;
        }
        if (failures.isEmpty())
            return;
        // The old files stay whole; what this session changed is only here.
        const QString text = QStringLiteral("以下文件无法保存：\r\n") + failures.join(QStringLiteral("\r\n")) +
                             QStringLiteral("\r\n\r\n请释放磁盘空间或恢复文件夹的写入权限，然后单击“重试”。单击“取消”则不保存") +
                             (Reloading ? QStringLiteral("，继续重新装载") : QStringLiteral("就退出")) +
                             QStringLiteral("，本次对播放列表和设置的修改将会丢失。");
        // Ended by a signal, nobody may be there to answer (a signal that
        // comes while the box is open closes it): the log keeps the text.
        if (!endingOnSignal_ && rt::ui().msgBox(text, rt::RetryCancel | rt::Exclamation, kTitle) == rt::Retry)
            continue;
        if (endingOnSignal_) {
            const QString told = QStringLiteral("以下文件无法保存：\n") + failures.join(QLatin1Char('\n')) +
                                 QStringLiteral("\n本次对播放列表和设置的修改已丢失，原来的文件保持不变。");
            std::fprintf(stderr, "%s\n", told.toLocal8Bit().constData());
        }
        return;
    }
}

void FrmMain::Form_Unload()
{
    // A sound job ends first: its workers stop writing into TEMP.
    cancelSoundJobs();
    const SharedState& sh = shared();
    // Settings first, then the playlist. A save that fails is told, and
    // the user tries again (after freeing space) or goes on without it.
    saveAtUnload();
    MediaPlayer1->stop();
    emptyTempFolder(sh.DataDir);
    loaded_ = false;
    // Only the exit ends the program; a reload loads the window again.
    if (!Reloading) {
        for (QTimer* t : Timer)
            if (t)
                t->stop();
        hide();
        emit programEnded();
    }
}

void FrmMain::unloadForm()
{
    if (unloading_ || !loaded_)
        return;
    unloading_ = true;
    closeLyricEditor();
    Form_QueryUnload();
    Form_Unload();
    unloading_ = false;
}

void FrmMain::reloadWindow()
{
    // Queued, so that the handler that asked for it returns first and never
    // runs on a window that was taken down under it.
    if (reloadQueued_)
        return;
    reloadQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        reloadQueued_ = false;
        shared().CommandLine = kCommandLineSuppressed;
        Reloading = true;
        for (QTimer* t : Timer)
            if (t)
                t->stop();
        unloadForm();
        // The window is made anew: every control back to its design state.
        resetDesignState();
        shared().Busy = false;
        if (!Form_Load())
            emit programEnded();
    });
}

void FrmMain::closeEvent(QCloseEvent* e)
{
    // Closing by the system runs the same shut-down.
    if (loaded_)
        unloadForm();
    e->accept();
}

void FrmMain::Image3_Click()
{
    setWindowState(windowState() | Qt::WindowMinimized);
}

void FrmMain::Image4_Click()
{
    if (rt::ui().msgBox(QStringLiteral("你确定要关闭程序吗?"), rt::YesNo | rt::Question | rt::DefaultButton2,
                        kTitle) == rt::Yes)
        unloadForm();
}

void FrmMain::mnuExit_Click()
{
    unloadForm();
}

void FrmMain::endOnSignal()
{
    endingOnSignal_ = true;
    if (loaded_ && !unloading_) {
        unloadForm();
        return;
    }
    // A box of the start or of the exit is waiting: it closes with the
    // answer nobody gives (so the start-up's sound-card box ends the
    // program as its own exit does), and every later box of this start
    // closes at once. A start that goes on ends through the normal exit
    // (end of Form_Load).
    QCoreApplication::exit(loaded_ ? 0 : 1);
}

void FrmMain::SetAlwaysOnTopMode(QWidget* window, bool onTop)
{
    if (!window)
        return;
    // Changing the flag hides the window; it is shown again, as asked.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    window->show();
}

void FrmMain::connectStartupHandlers()
{
    onMenuItem(mnuExit, &FrmMain::mnuExit_Click);
}

bool FrmMain::controlMouseEvent(const QString& control, QMouseEvent* e)
{
    if (e->type() == QEvent::MouseButtonPress && e->button() == Qt::LeftButton) {
        if (control == QLatin1String("Image3")) {
            Image3_Click();
            return true;
        }
        if (control == QLatin1String("Image4")) {
            Image4_Click();
            return true;
        }
    }
    return false;
}

} // namespace melodune
