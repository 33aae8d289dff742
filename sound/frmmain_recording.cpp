// The recording handlers of the main window: the sing-along take over the
// current track, its progress line, the stop command, saving the take as a
// WAV file and playing it back.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/ui.h"
#include "platform/units.h"
#include "sound/effectjob.h"
#include "sound/log.h"
#include "sound/captureformat.h"
#include "sound/recording.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <cerrno>
#include <system_error>
#include <utility>

namespace melodune {

namespace {

const QString kStopIdleMenu = QStringLiteral("停止录音或播放(&S)");
const QString kStopIdleButton = QStringLiteral(" 停 止 ");
const QString kInputLost = QStringLiteral("录音输入中断！(声音服务器已断开或录音设备已被移除。)");

// The boxes about a take, titled like the record command's question.

bool animationTickWanted()
{
    const SettingsRecord& s = settings();
    return s.ShowRecVolume == 1 || s.ShowVisual == 1;
}

QPixmap statusPicture(const QColor& fill)
{
    QPixmap p(18, 18);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(fill.darker(160), 1));
    g.setBrush(fill);
    g.drawEllipse(QRectF(3.5, 3.5, 11, 11));
    return p;
}

// The stop menu item and button, idle.
void showStopIdle(FrmMain& w, const QString& menu = kStopIdleMenu)
{
    w.mnuStopRecPlay->setEnabled(false);
    w.mnuStopRecPlay->setText(menu);
    w.XPButtons[8]->setCaption(kStopIdleButton);
    w.XPButtons[8]->setButtonToolTip(kStopIdleButton);
}

void enableRecordCommand(FrmMain& w)
{
    w.mnuStartRec->setEnabled(true);
}

// ---- the record command's steps

// The track stands still while the user is asked.
void pauseTrackForQuestion(rt::MediaControl& mp)
{
    if (mp.duration() != 0 && mp.playState() == rt::MediaControl::Playing)
        mp.pause();
}

bool userWantsToRecord()
{
    const QString question =
        QStringLiteral("您已经选择了录音功能，程序将以目前已经加载的曲目作为伴奏(开始录音时将从当前进度开始播放曲目)，"
                       "同时可以录制您的演唱。请确认麦克风正确连接在电脑声卡上，并且在系统声音控制的输入设置中取消"
                       "麦克风静音(测试时对着麦克风说话，录音音量显示随之跳动即可，如果声音太小可以在“录音控制”中"
                       "调高录音音量)；在“录音控制”中把“设备”和“来源”选为麦克风所在的录音设备和输入。")
        + QLatin1Char('\n') + QStringLiteral("你确定要立即开始录音吗？");
    return rt::ui().msgBox(question, rt::YesNo | rt::Information, captureBoxTitle()) == rt::Yes;
}

// No take after all: the stop command idle again, a track paused for the
// question plays on.
void withdrawTake(FrmMain& w)
{
    showStopIdle(w, QStringLiteral("停止录音或回放(&S)"));
    if (w.MediaPlayer1->playState() == rt::MediaControl::Paused)
        w.MediaPlayer1->play();
}

// The capture format and buffer for the rest of the track, or for the
// longest take the settings allow. False when the capture object cannot
// report its formats: the take then gets no buffer, and the stop command
// reports it.
bool sizeCaptureForTake(FrmMain& w)
{
    const SettingsRecord& s = settings();
    rt::MediaControl* mp = w.MediaPlayer1;
    w.Capture.RecordSeconds = recordSecondsToTrackEnd(mp->duration(), mp->currentPosition());
    if (!w.DSCapture)
        return false;
    PrepareResult r;
    if (s.RecordToTrackEnd == 1) {
        r = PrepareCaptureFormat(*w.DSCapture, w.Capture, s.MaxRecordMinutes, w.Capture.RecordSeconds);
    } else {
        double seconds = static_cast<double>(s.MaxRecordMinutes) * 60.0;
        r = PrepareCaptureFormat(*w.DSCapture, w.Capture, s.MaxRecordMinutes, seconds);
    }
    return r == PrepareResult::Ok;
}

// The capture starts after the track. A buffer that cannot start stays
// here not capturing: the stop command reports it. An input that cannot be
// opened (the sound server is away, or lists no format yet) ends the take
// at once.
void startCapture(FrmMain& w, bool sized)
{
    if (sized && w.DSCapture) {
        w.DSCaptureBuffer = w.DSCapture->CreateCaptureBuffer(w.Capture.CaptureDesc);
        if (w.DSCaptureBuffer && !w.DSCaptureBuffer->Start(0) && w.DSCaptureBuffer->inputLost())
            w.Rec.takeInputUnavailable = true;
    } else if (w.DSCapture) {
        w.Rec.takeInputUnavailable = true;
    }
    if (w.Rec.takeInputUnavailable)
        w.Rec.stopAfterStart = true;
    w.Rec.RecordStart = rt::clock().tickMs();
    w.Timer[5]->start();
}

// While a take runs: no second take, no play-back, no effect (its job
// would stop the take's backing track); the status picture in red.
void lockControlsForTake(FrmMain& w)
{
    w.mnuStartRec->setEnabled(false);
    w.mnuPlayRec->setEnabled(false);
    w.imgR->setPixmap(w.imgS[1]);
    w.Check2->setEnabled(false);
    w.Check3->setEnabled(false);
    // The key shift too: its job would stop the take's backing track.
    w.mnuRemoveVocal->setEnabled(false);
    w.mnuShifting->setEnabled(false);
}

} // namespace

// The stop menu item and button, enabled with a caption.
void FrmMain::showStopCommand(const QString& button, const QString& menu)
{
    XPButtons[8]->setCaption(button);
    XPButtons[8]->setButtonToolTip(button);
    mnuStopRecPlay->setText(menu);
    mnuStopRecPlay->setEnabled(true);
}

// ---------------------------------------------------------------------------
// Record command

void FrmMain::mnuStartRec_Click()
{
    // The question and the event passes below let other commands run; one
    // start at a time, and none while a take is being saved.
    if (Rec.recordStarting || Rec.Recording || Rec.savingRecording)
        return;
    Rec.recordStarting = true;
    Rec.stopAfterStart = false;
    Rec.takeInputUnavailable = false;
    Rec.takeToldInputLoss = false;

    pauseTrackForQuestion(*MediaPlayer1);
    // The user sets the input level there; not finding one is no reason to stop.
    if (settings().ShowMixerOnRecord)
        startVolumeControl();
    showStopCommand(QStringLiteral("停止录音"), QStringLiteral("停止录音(&S)"));
    if (!userWantsToRecord()) {
        withdrawTake(*this);
        Rec.recordStarting = false;
        return;
    }

    // The meter's own capture ends; what waited for it runs first.
    Timer[4]->stop();
    QCoreApplication::processEvents();
    Rec.RecordFile.clear();
    DSCaptureBuffer.reset();
    const bool sized = sizeCaptureForTake(*this);

    // The track plays from where it stands, and its start is under way
    // before the capture begins.
    MediaPlayer1->play();
    QCoreApplication::processEvents();
    startCapture(*this, sized);

    lockControlsForTake(*this);
    Rec.Recording = true;
    Rec.PlayingRecording = false;
    if (animationTickWanted())
        Timer[4]->start();

    Rec.recordStarting = false;
    if (Rec.stopAfterStart) {
        Rec.stopAfterStart = false;
        mnuStopRecPlay_Click();
    }
}

// ---------------------------------------------------------------------------
// Progress tick

void FrmMain::Timer5_Timer()
{
    if (!Rec.Recording) {
        Timer[5]->stop();
        Line1->hide();
        return;
    }
    Line1->show();
    // Ticks, not the wall clock: a clock set back or forward during the take
    // must not end it early or run it past its buffer.
    float x = progressLineX(wholeSecondsBetween(Rec.RecordStart, rt::clock().tickMs()), Capture.RecordSeconds);
    const bool timeUp = x >= ProgressLineEnd;
    if (timeUp)
        x = ProgressLineEnd;
    const int left = rt::twipsToPixels(static_cast<int>(x));
    const int right = rt::twipsToPixels(static_cast<int>(ProgressLineEnd));
    Line1->setGeometry(left, Line1->y(), std::max(0, right - left), std::max(1, Line1->height()));
    if (timeUp)
        mnuStopRecPlay_Click();
}

// ---------------------------------------------------------------------------
// Stop command

void FrmMain::XPButton8_Click()
{
    mnuStopRecPlay_Click();
}

void FrmMain::mnuStopRecPlay_Click()
{
    if (Rec.recordStarting) {
        // The take is not running yet: end it as soon as it does.
        Rec.stopAfterStart = true;
        return;
    }
    if (Rec.savingRecording)
        return;
    rt::MediaControl* mp = MediaPlayer1;

    imgR->setPixmap(imgS[0]);
    Line1->hide();

    if (Rec.Recording) {
        // The take ends: the meter's samples go, the track pauses.
        Capture.Samples.clear();
        Capture.Samples.shrink_to_fit();
        if (mp->duration() != 0 && mp->playState() == rt::MediaControl::Playing)
            mp->pause();
        Timer[4]->stop();
        Rec.Recording = false;

        const bool inputUnavailable = std::exchange(Rec.takeInputUnavailable, false);
        const bool capturing = DSCaptureBuffer && (DSCaptureBuffer->GetStatus() & rt::CaptureStatusCapturing);
        // The input went away mid-take (or never opened): what was sung
        // until then is offered for saving, not thrown away.
        if (!capturing && (inputUnavailable || (DSCaptureBuffer && DSCaptureBuffer->inputLost()))) {
            Rec.takeToldInputLoss = true;
            const bool anything = DSCaptureBuffer && DSCaptureBuffer->capturedBytes() > 0;
            rt::ui().msgBox(inputUnavailable
                                ? QStringLiteral("无法打开录音输入！(声音服务器未运行或没有录音设备。)") + QLatin1Char('\n') +
                                      QStringLiteral("请稍后重试。")
                            : anything ? kInputLost + QLatin1Char('\n') + QStringLiteral("请保存中断前已录下的部分。")
                                       : kInputLost + QLatin1Char('\n') + QStringLiteral("没有录下任何声音。"),
                            rt::OkOnly | rt::Exclamation, captureBoxTitle());
            // Nothing captured: no dialog, the record command comes back.
            SaveRecording();
            if (animationTickWanted())
                Timer[4]->start();
        } else if (!capturing) {
            // A buffer that ran full has lost the end of the take: nothing
            // is saved.
            rt::ui().msgBox(
                QStringLiteral("录音失败！(电脑缓存不足或录音超时。请尝试重新设置最大录音缓存时间。)"),
                rt::OkOnly | rt::Critical, captureBoxTitle());
            enableRecordCommand(*this);
            showStopIdle(*this);
            DSCaptureBuffer.reset();
            if (animationTickWanted())
                Timer[4]->start();
            takeEnded();
            return;
        } else {
            DSCaptureBuffer->Stop();
            SaveRecording();
            if (animationTickWanted())
                Timer[4]->start();
        }
    } else if (Rec.PlayingRecording) {
        // The play-back ends at the start; the recording stays the loaded file.
        const int state = mp->playState();
        if (state == rt::MediaControl::Playing) {
            mp->stop();
            mp->setCurrentPosition(0);
        } else if (state == rt::MediaControl::Stopped) {
            mp->setCurrentPosition(0);
        }
        mnuPlayRec->setEnabled(true);
    }

    showStopIdle(*this);
    takeEnded();
}

void FrmMain::takeEnded()
{
    // The input panel looks at the server's news that came meanwhile.
    if (!Rec.Recording && !Rec.savingRecording && std::exchange(inputPanelRefreshPending_, false) && inputPanelRefresh_)
        inputPanelRefresh_->start();
}

// ---------------------------------------------------------------------------
// Saving the take

void FrmMain::CopyCaptureToBuffer()
{
    Rec.CapturedBytes = 0;
    // A sound buffer left by another job must never pass for this take.
    DSBuffer.reset();
    if (!DSCaptureBuffer)
        return;
    DSBuffer = copyCaptureToSoundBuffer(*DSCaptureBuffer, &Rec.CapturedBytes);
}

namespace {

// Every way out of a save drops the take and frees its buffers (hundreds of
// megabytes for a long one).
void releaseTake(FrmMain& w)
{
    w.DSBuffer.reset();
    w.DSCaptureBuffer.reset();
    w.Capture.Samples.clear();
    w.Capture.Samples.shrink_to_fit();
    w.Rec.savingRecording = false;
}

// Names the file and the reason, as the sound jobs do.
void tellSaveFailed(const QString& path, const QString& why)
{
    qCWarning(lcSound) << "cannot save the recording to" << path << ":" << why;
    rt::ui().msgBox(cannotWriteMessage(QStringLiteral("保存文件出现错误！"), rt::writeFailure(path, why)), rt::OkOnly,
                    rt::appTitle());
}

// Asks for a name ("Rec" and the date and time are offered) and writes the
// take there, the track stopped first. A path that cannot be written sends
// the user back to the dialog with the take kept; only Cancel drops it.
// Empty when cancelled, or when a restart dropped the take meanwhile.
std::optional<QString> writeTakeWhereChosen(FrmMain& w)
{
    // One request for every round, so a second try offers the same name as
    // the first.
    rt::FileDialogRequest req;
    req.fileName = defaultRecordingName(rt::clock().now());
    req.filter = QStringLiteral("声音文件(*.wav)|*.wav");
    req.filterIndex = 1;
    req.title = QStringLiteral("保存录音文件 *.wav");
    req.overwritePrompt = true;
    req.defaultSuffix = QStringLiteral("wav");
    for (;;) {
        const rt::FileDialogResult chosen = rt::ui().saveFile(req);
        if (chosen.files.isEmpty() || chosen.files.first().isEmpty())
            return std::nullopt;
        const QString path = recordingSavePath(chosen.files.first());
        // A save dialog lets a name in a folder that does not exist be typed.
        if (!QFileInfo(path).absoluteDir().exists()) {
            tellSaveFailed(path, QString::fromStdString(std::error_code(ENOENT, std::generic_category()).message()));
            continue;
        }
        // The dialog checks for an existing file under the name typed; the
        // extension rule may change that name, so a file under the final
        // name is asked about here.
        if (path != chosen.files.first() && QFileInfo::exists(path) &&
            rt::ui().msgBox(QStringLiteral("文件 ") + path + QStringLiteral(" 已经存在。") + QLatin1Char('\n')
                                + QStringLiteral("要替换它吗？"),
                            rt::YesNo | rt::Exclamation | rt::DefaultButton2, rt::appTitle()) != rt::Yes)
            continue;
        // A restart while a dialog was open has dropped the take already.
        if (!w.DSBuffer)
            return std::nullopt;
        w.MediaPlayer1->stop();
        w.MediaPlayer1->setCurrentPosition(0);
        // The file is replaced only once it is complete, so a full disk or
        // an unwritable folder leaves no part of a file behind; it is in
        // place when the call returns.
        QString why;
        if (w.DSBuffer->SaveToFile(path, &why))
            return path;
        tellSaveFailed(path, why);
    }
}

// The saved take becomes the media control's file, ready to be played back.
// A file the media control refuses still stays the recording; the play-back
// command reports it.
void loadTakeForPlayBack(FrmMain& w, const QString& path)
{
    w.Rec.RecordFile = path;
    try {
        w.MediaPlayer1->setFileName(w.Rec.RecordFile);
    } catch (const rt::MediaError&) {
    }
    w.Rec.PlayingRecording = true;
    w.mnuPlayRec->setEnabled(true);
    showStopIdle(w);
}

} // namespace

void FrmMain::SaveRecording()
{
    // Nothing captured: no dialog, and the next take may start at once.
    CopyCaptureToBuffer();
    if (!DSBuffer) {
        enableRecordCommand(*this);
        releaseTake(*this);
        return;
    }
    Rec.savingRecording = true;
    if (const std::optional<QString> path = writeTakeWhereChosen(*this))
        loadTakeForPlayBack(*this, *path);
    else
        enableRecordCommand(*this); // nothing written: the next take need not wait for a track change
    releaseTake(*this);
}

// ---------------------------------------------------------------------------
// Play-back

void FrmMain::XPButton7_Click()
{
    mnuPlayRec_Click();
}

void FrmMain::mnuPlayRec_Click()
{
    const QString noFile = QStringLiteral("错误！无录音文件！");
    // Also when the file has gone since it was saved.
    if (Rec.RecordFile.isEmpty() || !QFileInfo::exists(Rec.RecordFile)) {
        rt::ui().msgBox(noFile, rt::OkOnly, rt::appTitle());
        return;
    }
    Rec.Recording = false;
    Rec.PlayingRecording = true;
    // A paused recording resumes where it stands.
    rt::MediaControl* mp = MediaPlayer1;
    if (mp->playState() != rt::MediaControl::Paused || mp->fileName() != Rec.RecordFile) {
        try {
            mp->setFileName(Rec.RecordFile);
        } catch (const rt::MediaError&) {
            rt::ui().msgBox(noFile, rt::OkOnly, rt::appTitle());
            return;
        }
    }
    mp->play();
    showStopCommand(QStringLiteral("停止回放"), QStringLiteral("停止回放(&S)"));
    mnuPlayRec->setEnabled(false);
    imgR->setPixmap(imgS[2]);
}

// ---------------------------------------------------------------------------
// System volume control

void FrmMain::mnuSNDVOL_Click()
{
    if (!startVolumeControl())
        rt::ui().msgBox(QStringLiteral("无法调用操作系统程序！") + QLatin1Char('\n')
                            + QStringLiteral("请自行查找操作系统中的此项功能。"),
                        rt::OkOnly, rt::appTitle());
}

void FrmMain::connectRecordingHandlers()
{
    imgS = {statusPicture(QColor(150, 150, 150)), statusPicture(QColor(220, 40, 40)),
            statusPicture(QColor(40, 190, 70))};
    imgR->setPixmap(imgS[0]);

    Timer[5]->setInterval(50);
    connect(Timer[5], &QTimer::timeout, this, &FrmMain::Timer5_Timer);

    onMenuItem(mnuStartRec, &FrmMain::mnuStartRec_Click);
    onMenuItem(mnuStopRecPlay, &FrmMain::mnuStopRecPlay_Click);
    onMenuItem(mnuPlayRec, &FrmMain::mnuPlayRec_Click);
    onMenuItem(mnuSNDVOL, &FrmMain::mnuSNDVOL_Click);
}

} // namespace melodune
