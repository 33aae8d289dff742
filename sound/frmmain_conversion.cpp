// The tools menu's conversions: WAV to MP3 and MP3 to WAV. The command
// shows the progress window and returns; the control starts once the window
// is on screen, and a one-second timer moves the bar until the control's
// completion event, then closes the progress window and reports.
#include "core/frmmain.h"
#include "core/settings.h"
#include "core/shared.h"
#include "dialogs/frmwait.h"
#include "platform/ui.h"
#include "sound/effectjob.h"

#include <QLabel>
#include <QTimer>

namespace melodune {

namespace {

// The progress window is on screen: its start stages, each painted as its
// own, and the control starts; the one-second poll follows it.
void startConverter(FrmMain& w, bool encode, const QString& input, const QString& output)
{
    FrmWait* wait = FrmWait::instance(nullptr);
    for (const float stage : {1.0f, 5.0f}) {
        wait->ProgressBar1->setValue(stage);
        wait->repaint();
    }
    if (encode) {
        w.Mp3Enc1->setSampleRate(settings().Mp3SampleRate);
        w.Mp3Enc1->setBitRate(settings().Mp3BitRate);
        w.Mp3Enc1->setFiles(input, output);
        wait->ProgressBar1->setValue(10);
        wait->repaint();
        w.Mp3Enc1->start();
        w.TimerEnMp3->start();
    } else {
        w.Mp3Play1->setFiles(input, output);
        w.Mp3Play1->start();
        w.TimerUnEnMp3->start();
    }
}

} // namespace

void FrmMain::mnuTools1_Click() { startConversion(true); }
void FrmMain::mnuTools2_Click() { startConversion(false); }

void FrmMain::startConversion(bool encode)
{
    rt::MediaControl* mp = MediaPlayer1;
    // One job at a time: they share the progress window.
    if (soundJobRunning())
        return;
    if (mp->duration() != 0 && mp->playState() == rt::MediaControl::Playing)
        mp->pause();
    SharedState& sh = shared();
    sh.Busy = true;
    auto cancelPath = [mp, &sh] {
        if (mp->playState() == rt::MediaControl::Paused)
            mp->play();
        sh.Busy = false;
    };

    rt::FileDialogRequest open;
    open.title = encode ? QStringLiteral("请选择需要转换的WAV文件：") : QStringLiteral("请选择需要转换的MP3文件：");
    open.filter = encode ? QStringLiteral("声音文件(*.wav)|*.wav") : QStringLiteral("声音文件(*.mp3)|*.mp3");
    const rt::FileDialogResult in = rt::ui().openFile(open);
    if (in.files.isEmpty() || in.files.first().isEmpty()) {
        cancelPath();
        return;
    }
    const QString input = in.files.first();
    const QString ext = encode ? QStringLiteral("mp3") : QStringLiteral("wav");
    const QString offered = convertedName(input, ext);
    if (offered.isEmpty()) {
        cancelPath();
        return;
    }
    rt::FileDialogRequest save;
    save.title = encode ? QStringLiteral("请选择输出MP3文件的目录和名称：") : QStringLiteral("请选择输出WAV文件的目录和名称：");
    save.filter = encode ? QStringLiteral("声音文件(*.mp3)|*.mp3") : QStringLiteral("声音文件(*.wav)|*.wav");
    save.filterIndex = 1;
    save.fileName = offered;
    save.defaultSuffix = ext;
    save.overwritePrompt = true;
    QString output;
    for (;;) {
        const rt::FileDialogResult r = rt::ui().saveFile(save);
        if (r.files.isEmpty() || r.files.first().isEmpty()) {
            cancelPath();
            return;
        }
        // Writing over the input would lose it: ask again.
        if (!samePath(r.files.first(), input)) {
            output = r.files.first();
            break;
        }
    }

    Timer[4]->stop();
    // The conversion counts as running from here, so no second job starts
    // while the progress window comes up.
    if (encode) {
        Jobs.EncodeOk = false;
        Jobs.Encoding = true;
    } else {
        Jobs.DecodeOk = false;
        Jobs.Decoding = true;
    }
    FrmWait* wait = FrmWait::instance(this);
    wait->Label1->setText(encode ? QStringLiteral("正在进行MP3编码处理，请稍候…")
                                 : QStringLiteral("正在进行MP3解码处理，请稍候…"));
    wait->showModeless([this, encode, input, output] { startConverter(*this, encode, input, output); });
}

void FrmMain::Mp3Enc1_Finished(bool ok, const QString&)
{
    if (!Jobs.Encoding)
        return;
    Jobs.EncodeOk = ok;
    Jobs.Encoding = false;
}

namespace {

// The poll of a running conversion; true once it has ended (and reported).
bool conversionTick(bool running, bool ok, float step, QTimer* timer, const QString& done, const QString& failed,
                    const rt::SoundError& error)
{
    if (running) {
        if (FrmWait::isLoaded()) {
            WaitProgressBar* b = FrmWait::instance(nullptr)->ProgressBar1;
            b->setValue(barStep(b->Value(), step, 90));
        }
        return false;
    }
    timer->stop();
    if (FrmWait::isLoaded())
        FrmWait::instance(nullptr)->ProgressBar1->setValue(100);
    FrmWait::unload();
    if (ok)
        rt::ui().msgBox(done, rt::OkOnly);
    else
        rt::ui().msgBox(soundJobFailureMessage(failed, error), rt::OkOnly | rt::Critical);
    return true;
}

} // namespace

void FrmMain::TimerEnMp3_Timer()
{
    if (!conversionTick(Jobs.Encoding, Jobs.EncodeOk, 1, TimerEnMp3, QStringLiteral("MP3编码完成！"),
                        QStringLiteral("MP3编码失败！"), Mp3Enc1->lastError()))
        return;
    shared().Busy = false;
    if (settings().ShowRecVolume == 1 || settings().ShowVisual == 1)
        Timer[4]->start();
}

void FrmMain::TimerUnEnMp3_Timer()
{
    if (!conversionTick(Jobs.Decoding, Jobs.DecodeOk, 5, TimerUnEnMp3, QStringLiteral("MP3解码完成！"),
                        QStringLiteral("MP3解码失败！"), Mp3Play1->lastError()))
        return;
    shared().Busy = false;
    if (settings().ShowRecVolume == 1 || settings().ShowVisual == 1)
        Timer[4]->start();
}

} // namespace melodune
