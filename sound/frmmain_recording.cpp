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
#include <cerrno>
#include <system_error>
#include <utility>

namespace melodune {

namespace {

const QString kStopIdleMenu = QStringLiteral("停止录音或播放(&S)");
const QString kStopIdleButton = QStringLiteral(" 停 止 ");
const QString kInputLost = QStringLiteral("录音输入中断！(声音服务器已断开或录音设备已被移除。)");

// The boxes about a take, titled like the record command's question.
QString captureTitle() { return rt::appTitle() + QStringLiteral(" 录音提示"); }

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

} // namespace

// ---------------------------------------------------------------------------
// Record command

void FrmMain::XPButton6_Click()
{
    mnuStartRec_Click();
}

void FrmMain::mnuStartRec_Click()
{
    // The question and the event passes below let other commands run; one
    // start at a time, and none while a take is being saved.
    if (recordStarting_ || Recording || savingRecording_)
        return;
    recordStarting_ = true;
    stopAfterStart_ = false;
    takeInputUnavailable_ = false;
    takeToldInputLoss_ = false;
    rt::MediaControl* mp = MediaPlayer1;
    const SettingsRecord& s = settings();

    // 1.
    if (mp->duration() != 0 && mp->playState() == rt::MediaControl::Playing)
        mp->pause();
    // 2. The user sets the input level there; not finding one is no reason to stop.
    if (s.ShowMixerOnRecord)
        startVolumeControl();
    // 3.
    XPButtons[8]->setCaption(QStringLiteral("停止录音"));
    XPButtons[8]->setButtonToolTip(QStringLiteral("停止录音"));
    mnuStopRecPlay->setText(QStringLiteral("停止录音(&S)"));
    mnuStopRecPlay->setEnabled(true);

    // 4.
    const QString question =
        QStringLiteral("您已经选择了录音功能，程序将以目前已经加载的曲目作为伴奏(开始录音时将从当前进度开始播放曲目)，"
                       "同时可以录制您的演唱。请确认麦克风正确连接在电脑声卡上，并且在系统声音控制的输入设置中取消"
                       "麦克风静音(测试时对着麦克风说话，录音音量显示随之跳动即可，如果声音太小可以在“录音控制”中"
                       "调高录音音量)；在“录音控制”中把“设备”和“来源”选为麦克风所在的录音设备和输入。")
        + QLatin1Char('\n') + QStringLiteral("你确定要立即开始录音吗？");
    const int answer =
        rt::ui().msgBox(question, rt::YesNo | rt::Information, captureTitle());
    if (answer != rt::Yes) {
        // 5.
        mnuStopRecPlay->setText(QStringLiteral("停止录音或回放(&S)"));
        mnuStopRecPlay->setEnabled(false);
        XPButtons[8]->setCaption(kStopIdleButton);
        XPButtons[8]->setButtonToolTip(kStopIdleButton);
        if (mp->playState() == rt::MediaControl::Paused)
            mp->play();
        recordStarting_ = false;
        return;
    }

    // 6.
    Timer[4]->stop();
    QCoreApplication::processEvents();
    RecordFile.clear();
    DSCaptureBuffer.reset();

    // 7. A capture object that cannot report its formats gets no buffer; the
    // stop command then reports the failed take.
    Capture.RecordSeconds = recordSecondsToTrackEnd(mp->duration(), mp->currentPosition());
    bool sized = false;
    if (DSCapture) {
        PrepareResult r;
        if (s.RecordToTrackEnd == 1) {
            r = PrepareCaptureFormat(*DSCapture, Capture, s.MaxRecordMinutes, Capture.RecordSeconds);
        } else {
            double seconds = static_cast<double>(s.MaxRecordMinutes) * 60.0;
            r = PrepareCaptureFormat(*DSCapture, Capture, s.MaxRecordMinutes, seconds);
        }
        sized = r == PrepareResult::Ok;
    }

    // 8.
    mp->play();
    QCoreApplication::processEvents();

    // 9. A buffer that cannot start stays here not capturing: the stop
    // command reports it. An input that cannot be opened (the sound server
    // is away, or lists no format yet) ends the take at once.
    if (sized && DSCapture) {
        DSCaptureBuffer = DSCapture->CreateCaptureBuffer(Capture.CaptureDesc);
        if (DSCaptureBuffer && !DSCaptureBuffer->Start(0) && DSCaptureBuffer->inputLost())
            takeInputUnavailable_ = true;
    } else if (DSCapture) {
        takeInputUnavailable_ = true;
    }
    if (takeInputUnavailable_)
        stopAfterStart_ = true;

    // 10.
    RecordStart = rt::clock().tickMs();
    Timer[5]->start();

    // 11.
    mnuStartRec->setEnabled(false);
    mnuPlayRec->setEnabled(false);
    imgR->setPixmap(imgS[1]);
    Check2->setEnabled(false);
    Check3->setEnabled(false);
    // The key shift too: its job would stop the take's backing track.
    mnuRemoveVocal->setEnabled(false);
    mnuShifting->setEnabled(false);

    // 12.
    Recording = true;
    PlayingRecording = false;

    // 13.
    if (animationTickWanted())
        Timer[4]->start();

    recordStarting_ = false;
    if (stopAfterStart_) {
        stopAfterStart_ = false;
        mnuStopRecPlay_Click();
    }
}

// ---------------------------------------------------------------------------
// Progress tick

void FrmMain::Timer5_Timer()
{
    if (!Recording) {
        Timer[5]->stop();
        Line1->hide();
        return;
    }
    Line1->show();
    // Ticks, not the wall clock: a clock set back or forward during the take
    // must not end it early or run it past its buffer.
    float x = progressLineX(wholeSecondsBetween(RecordStart, rt::clock().tickMs()), Capture.RecordSeconds);
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
    if (recordStarting_) {
        // The take is not running yet: end it as soon as it does.
        stopAfterStart_ = true;
        return;
    }
    if (savingRecording_)
        return;
    rt::MediaControl* mp = MediaPlayer1;

    // 1.
    imgR->setPixmap(imgS[0]);
    Line1->hide();

    if (Recording) {
        // 2.1
        Capture.Samples.clear();
        Capture.Samples.shrink_to_fit();
        if (mp->duration() != 0 && mp->playState() == rt::MediaControl::Playing)
            mp->pause();
        Timer[4]->stop();
        Recording = false;

        const bool inputUnavailable = std::exchange(takeInputUnavailable_, false);
        const bool capturing = DSCaptureBuffer && (DSCaptureBuffer->GetStatus() & rt::CaptureStatusCapturing);
        // The input went away mid-take (or never opened): what was sung
        // until then is offered for saving, not thrown away.
        if (!capturing && (inputUnavailable || (DSCaptureBuffer && DSCaptureBuffer->inputLost()))) {
            takeToldInputLoss_ = true;
            const bool anything = DSCaptureBuffer && DSCaptureBuffer->capturedBytes() > 0;
            rt::ui().msgBox(inputUnavailable
                                ? QStringLiteral("无法打开录音输入！(声音服务器未运行或没有录音设备。)") + QLatin1Char('\n') +
                                      QStringLiteral("请稍后重试。")
                            : anything ? kInputLost + QLatin1Char('\n') + QStringLiteral("请保存中断前已录下的部分。")
                                       : kInputLost + QLatin1Char('\n') + QStringLiteral("没有录下任何声音。"),
                            rt::OkOnly | rt::Exclamation, captureTitle());
            // Nothing captured: no dialog, the record command comes back.
            SaveRecording();
            if (animationTickWanted())
                Timer[4]->start();
        } else if (!capturing) {
            // 2.2 A buffer that ran full has lost the end of the take.
            rt::ui().msgBox(
                QStringLiteral("录音失败！(电脑缓存不足或录音超时。请尝试重新设置最大录音缓存时间。)"),
                rt::OkOnly | rt::Critical, captureTitle());
            mnuStartRec->setEnabled(true);
            mnuStopRecPlay->setEnabled(false);
            mnuStopRecPlay->setText(kStopIdleMenu);
            XPButtons[8]->setCaption(kStopIdleButton);
            XPButtons[8]->setButtonToolTip(kStopIdleButton);
            DSCaptureBuffer.reset();
            if (animationTickWanted())
                Timer[4]->start();
            takeEnded();
            return;
        } else {
            // 2.3
            DSCaptureBuffer->Stop();
            SaveRecording();
            if (animationTickWanted())
                Timer[4]->start();
        }
    } else if (PlayingRecording) {
        // 3. The recording stays the loaded file.
        const int state = mp->playState();
        if (state == rt::MediaControl::Playing) {
            mp->stop();
            mp->setCurrentPosition(0);
        } else if (state == rt::MediaControl::Stopped) {
            mp->setCurrentPosition(0);
        }
        mnuPlayRec->setEnabled(true);
    }

    // 4.
    mnuStopRecPlay->setEnabled(false);
    mnuStopRecPlay->setText(kStopIdleMenu);
    XPButtons[8]->setCaption(kStopIdleButton);
    XPButtons[8]->setButtonToolTip(kStopIdleButton);
    takeEnded();
}

void FrmMain::takeEnded()
{
    // The input panel looks at the server's news that came meanwhile.
    if (!Recording && !savingRecording_ && std::exchange(inputPanelRefreshPending_, false) && inputPanelRefresh_)
        inputPanelRefresh_->start();
}

// ---------------------------------------------------------------------------
// Saving the take

void FrmMain::CopyCaptureToBuffer()
{
    CapturedBytes = 0;
    // A sound buffer left by another job must never pass for this take.
    DSBuffer.reset();
    if (!DSCaptureBuffer)
        return;
    DSBuffer = copyCaptureToSoundBuffer(*DSCaptureBuffer, &CapturedBytes);
}

void FrmMain::SaveRecording()
{
    // Every way out drops the take and frees its buffers (hundreds of
    // megabytes for a long one).
    auto releaseTake = [this] {
        DSBuffer.reset();
        DSCaptureBuffer.reset();
        Capture.Samples.clear();
        Capture.Samples.shrink_to_fit();
        savingRecording_ = false;
    };
    // 1-2. Nothing captured: no dialog, and the next take may start at once.
    CopyCaptureToBuffer();
    if (!DSBuffer) {
        mnuStartRec->setEnabled(true);
        releaseTake();
        return;
    }
    savingRecording_ = true;

    // 4-5. One request for every round, so a second try offers the same
    // name as the first.
    rt::FileDialogRequest req;
    req.fileName = defaultRecordingName(rt::clock().now());
    req.filter = QStringLiteral("声音文件(*.wav)|*.wav");
    req.filterIndex = 1;
    req.title = QStringLiteral("保存录音文件 *.wav");
    req.overwritePrompt = true;
    req.defaultSuffix = QStringLiteral("wav");
    // Names the file and the reason, as the sound jobs do.
    auto saveFailed = [](const QString& path, const QString& why) {
        qCWarning(lcSound) << "cannot save the recording to" << path << ":" << why;
        rt::ui().msgBox(cannotWriteMessage(QStringLiteral("保存文件出现错误！"), rt::writeFailure(path, why)),
                        rt::OkOnly, rt::appTitle());
    };

    // A path that cannot be written sends the user back to the dialog with
    // the take kept; only Cancel drops it.
    QString path;
    for (;;) {
        const rt::FileDialogResult chosen = rt::ui().saveFile(req);
        if (chosen.files.isEmpty() || chosen.files.first().isEmpty()) {
            // 13. Cancelled: nothing is written. Also after a failed save,
            // so the next take need not wait for a track change.
            mnuStartRec->setEnabled(true);
            releaseTake();
            return;
        }
        path = recordingSavePath(chosen.files.first());
        // A save dialog lets a name in a folder that does not exist be typed.
        if (!QFileInfo(path).absoluteDir().exists()) {
            saveFailed(path, QString::fromStdString(std::error_code(ENOENT, std::generic_category()).message()));
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
        if (!DSBuffer) {
            mnuStartRec->setEnabled(true);
            releaseTake();
            return;
        }
        // 6.
        MediaPlayer1->stop();
        MediaPlayer1->setCurrentPosition(0);

        // 8. The file is replaced only once it is complete, so a full disk or
        // an unwritable folder leaves no part of a file behind.
        QString why;
        if (DSBuffer->SaveToFile(path, &why))
            break;
        // 14.
        saveFailed(path, why);
    }
    RecordFile = path;
    // 9. SaveToFile returns once the file is in place; let what waited run.
    QCoreApplication::processEvents();

    // 10. A file the media control refuses still stays the recording; the
    // play-back command reports it.
    try {
        MediaPlayer1->setFileName(RecordFile);
    } catch (const rt::MediaError&) {
    }
    PlayingRecording = true;

    // 11.
    mnuPlayRec->setEnabled(true);
    mnuStopRecPlay->setEnabled(false);
    mnuStopRecPlay->setText(kStopIdleMenu);
    XPButtons[8]->setCaption(kStopIdleButton);
    XPButtons[8]->setButtonToolTip(kStopIdleButton);

    // 12.
    releaseTake();
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
    // 1. Also when the file has gone since it was saved.
    if (RecordFile.isEmpty() || !QFileInfo::exists(RecordFile)) {
        rt::ui().msgBox(noFile, rt::OkOnly, rt::appTitle());
        return;
    }
    // 2.
    Recording = false;
    PlayingRecording = true;
    // 3. A paused recording resumes where it stands.
    rt::MediaControl* mp = MediaPlayer1;
    if (mp->playState() != rt::MediaControl::Paused || mp->fileName() != RecordFile) {
        try {
            mp->setFileName(RecordFile);
        } catch (const rt::MediaError&) {
            rt::ui().msgBox(noFile, rt::OkOnly, rt::appTitle());
            return;
        }
    }
    mp->play();
    // 4.
    XPButtons[8]->setCaption(QStringLiteral("停止回放"));
    XPButtons[8]->setButtonToolTip(QStringLiteral("停止回放"));
    mnuStopRecPlay->setEnabled(true);
    mnuStopRecPlay->setText(QStringLiteral("停止回放(&S)"));
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

    connect(mnuStartRec, &QAction::triggered, this, [this] { mnuStartRec_Click(); });
    connect(mnuStopRecPlay, &QAction::triggered, this, [this] { mnuStopRecPlay_Click(); });
    connect(mnuPlayRec, &QAction::triggered, this, [this] { mnuPlayRec_Click(); });
    connect(mnuSNDVOL, &QAction::triggered, this, [this] { mnuSNDVOL_Click(); });
}

} // namespace melodune
