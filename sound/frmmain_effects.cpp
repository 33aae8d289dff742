// Vocal removal, key shift and their switches. The copy, the pass and the
// effects run on workers; a job hands the window back to the event loop at
// each wait and goes on when their event comes (each wait with a limit that
// grows with the track), and moves the bar on a timer meanwhile.
#include "controls/colors.h"
#include "controls/xpbutton.h"
#include "core/frmmain.h"
#include "core/settings.h"
#include "core/shared.h"
#include "dialogs/frmwait.h"
#include "platform/clock.h"
#include "platform/ui.h"
#include "sound/effectjob.h"
#include "sound/frmshiftset.h"
#include "sound/log.h"
#include "sound/recording.h"
#include "sound/vocalpass.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QTimer>
#include <memory>
#include <system_error>
#include <thread>

namespace melodune {

namespace {

const QString kCannotProcess = QStringLiteral("无法处理当前文件！");
const QString kWrongFormat = QStringLiteral("无法处理当前文件格式！（仅限MP3或WAV格式）");
const QString kVocalDecodeFailed = QStringLiteral("消减人声处理失败（文件解码出现错误）！");
const QString kVocalFailed = QStringLiteral("消减人声处理失败！");
const QString kShiftFailed = QStringLiteral("音频效果处理失败（文件解码出现错误）！");
// A file the key shift could not write is no decoding error.
const QString kShiftWriteFailed = QStringLiteral("音频效果处理失败！");

// The switches' "on" pictures: the idle status picture with a mark.
QPixmap switchPicture(const QColor& colour, const QString& mark)
{
    QPixmap pm(18, 18);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colour);
    p.setPen(colour.darker(150));
    p.drawEllipse(1, 1, 16, 16);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 18, 18), Qt::AlignCenter, mark);
    return pm;
}

bool restartsAnimation()
{
    return settings().ShowRecVolume == 1 || settings().ShowVisual == 1;
}

void setBar(float v)
{
    if (FrmWait::isLoaded())
        FrmWait::instance(nullptr)->ProgressBar1->setValue(v);
}

float bar()
{
    return FrmWait::isLoaded() ? FrmWait::instance(nullptr)->ProgressBar1->Value() : 0.0f;
}

// The progress window's next stage, painted before the job goes on: a
// stage replaced at once is seen all the same.
void showStage(float value, const QString& text = {})
{
    if (!FrmWait::isLoaded())
        return;
    FrmWait* wait = FrmWait::instance(nullptr);
    if (!text.isEmpty())
        wait->Label1->setText(text);
    wait->ProgressBar1->setValue(value);
    wait->repaint();
}

// A write failure names the file and the system's reason, memory that ran
// out says so; anything else keeps the job's own text.
QString failureMessage(const rt::SoundError& error, const QString& failed, const QString& otherwise)
{
    return error.cannotWrite() || error.outOfMemory ? soundJobFailureMessage(failed, error) : otherwise;
}

// The working files of a job that does not finish go with it (gigabytes for
// a long track); a finished job leaves them for the shut-down to clear. The
// workers that wrote them have ended or been joined by then.
class WorkingFiles {
public:
    WorkingFiles() = default;
    ~WorkingFiles()
    {
        if (!kept_)
            remove();
    }
    WorkingFiles(const WorkingFiles&) = delete;
    WorkingFiles& operator=(const WorkingFiles&) = delete;
    // The files the job is about to write.
    void watch(QStringList paths) { paths_ = std::move(paths); }
    void keep() { kept_ = true; }
    // At once, so the room is free while a box about the failure is up.
    // Freeing a gigabyte takes the file system the best part of a second:
    // the files leave their names at once (the next job may write them
    // again) and are deleted off the window thread.
    void remove()
    {
        kept_ = true;
        static int serial = 0;
        QStringList gone;
        for (const QString& p : paths_) {
            const QString aside =
                p + QStringLiteral(".gone-%1-%2").arg(QCoreApplication::applicationPid()).arg(++serial);
            if (QFile::rename(p, aside))
                gone << aside;
            else
                QFile::remove(p);
        }
        if (gone.isEmpty())
            return;
        auto drop = [gone] {
            for (const QString& p : gone)
                QFile::remove(p);
        };
        try {
            std::thread(drop).detach();
        } catch (const std::system_error& e) {
            qCWarning(lcSound) << "no thread to delete the working files:" << e.what() << "- deleting them here";
            drop();
        }
    }

private:
    QStringList paths_;
    bool kept_ = false;
};

// Moves of the pointer over a switch (its mouse tracking is on), and its
// leaving it.
class SwitchHoverFilter : public QObject {
public:
    SwitchHoverFilter(FrmMain* w, QObject* parent) : QObject(parent), w_(w) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        // Off to a control that has no move handler of its own.
        if (e->type() == QEvent::Leave)
            w_->resetSwitchHover();
        if (e->type() != QEvent::MouseMove)
            return false;
        if (watched == w_->Check2)
            w_->Check2_MouseMove();
        else if (watched == w_->Check3)
            w_->Check3_MouseMove();
        // A box ignores moves without a press, and the skin behind it would
        // take the colour away again: they end here.
        return static_cast<QMouseEvent*>(e)->buttons() == Qt::NoButton;
    }

private:
    FrmMain* w_;
};

} // namespace

void FrmMain::connectEffectHandlers()
{
    effectJobTick_ = new QTimer(this);
    connect(effectJobTick_, &QTimer::timeout, this, &FrmMain::effectJobTick);
    workingCopy_ = new rt::WorkingCopyJob(this);
    connect(workingCopy_, &rt::WorkingCopyJob::finished, this, &FrmMain::Mp3Play1_Finished);
    connect(Effect1, &rt::EffectControl::statusChange, this, &FrmMain::Effect1_StatusChange);
    connect(Mp3Play1, &rt::Mp3Decoder::finished, this, &FrmMain::Mp3Play1_Finished);
    connect(Mp3Enc1, &rt::Mp3Encoder::finished, this, &FrmMain::Mp3Enc1_Finished);
    connect(Check2, &QCheckBox::toggled, this, &FrmMain::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &FrmMain::Check3_Click);
    onMenuItem(mnuRemoveVocal, &FrmMain::mnuRemoveVocal_Click);
    onMenuItem(mnuShifting, &FrmMain::mnuShifting_Click);
    onMenuItem(mnuTools1, &FrmMain::mnuTools1_Click);
    onMenuItem(mnuTools2, &FrmMain::mnuTools2_Click);
    connect(TimerEnMp3, &QTimer::timeout, this, &FrmMain::TimerEnMp3_Timer);
    connect(TimerUnEnMp3, &QTimer::timeout, this, &FrmMain::TimerUnEnMp3_Timer);
    showEffectSwitch(true);
    showEffectSwitch(false);
    auto* hover = new SwitchHoverFilter(this, this);
    Check2->installEventFilter(hover);
    Check3->installEventFilter(hover);
}

// ---- switches -----------------------------------------------------------

void FrmMain::Check2_Click() { effectSwitchClick(true); }
void FrmMain::Check3_Click() { effectSwitchClick(false); }

void FrmMain::Check2_MouseMove() { setSwitchBackColor(Check2, sysColorRef(Color3DLight)); }
void FrmMain::Check3_MouseMove() { setSwitchBackColor(Check3, sysColorRef(Color3DLight)); }

void FrmMain::mnuRemoveVocal_Click()
{
    // The item has inverted its tick already; the box follows it.
    Check2->setChecked(mnuRemoveVocal->isChecked());
}

void FrmMain::mnuShifting_Click()
{
    Check3->setChecked(mnuShifting->isChecked());
}

void FrmMain::effectSwitchClick(bool vocal)
{
    QCheckBox* box = vocal ? Check2 : Check3;
    QAction* item = vocal ? mnuRemoveVocal : mnuShifting;
    PicShape->setFocus();
    if (box->isChecked()) {
        item->setChecked(true);
        Timer[4]->stop();
        if (vocal)
            RemoveVocals();
        else
            ShiftPitch();
        // A job under way (this one, or the one that refused it) restarts
        // the tick itself when it ends, and this job shows its switch then.
        if (soundJobRunning())
            return;
        if (loaded_ && restartsAnimation())
            Timer[4]->start();
    } else {
        Timer[1]->stop();
        Label1->setText(QString());
        bool& flag = vocal ? Jobs.VocalRemovalOn : Jobs.KeyShiftOn;
        QString& own = vocal ? Jobs.DevocalFile : Jobs.ShiftFile;
        const QString& other = vocal ? Jobs.ShiftFile : Jobs.DevocalFile;
        if (flag) {
            Jobs.EffectSourceFile = other.isEmpty() ? Track.CurrentFile : other;
            try {
                MediaPlayer1->setFileName(Jobs.EffectSourceFile);
            } catch (const rt::MediaError&) {
                ReloadAfterError();
            }
        }
        flag = false;
        own.clear();
        item->setChecked(false);
    }
    showEffectSwitch(vocal);
}

void FrmMain::showEffectSwitch(bool vocal)
{
    QCheckBox* box = vocal ? Check2 : Check3;
    const bool on = box->isChecked();
    // Made when first shown: its bold mark would load a font face of its
    // own while the window is being made.
    QPixmap& onPicture = imgS[vocal ? 3 : 4];
    if (on && onPicture.isNull())
        onPicture = vocal ? switchPicture(QColor(40, 120, 220), QStringLiteral("V"))
                          : switchPicture(QColor(220, 140, 30), QStringLiteral("K"));
    box->setIcon(QIcon(on ? onPicture : imgS[0]));
    box->setToolTip(vocal ? (on ? QStringLiteral("消减原唱歌曲中的人声(开)") : QStringLiteral("消减原唱歌曲中的人声"))
                          : (on ? QStringLiteral("改变当前曲目的音调(开)") : QStringLiteral("改变当前曲目的音调")));
}

void FrmMain::resetVocalRemoval()
{
    Jobs.VocalRemovalOn = false;
    Check2->setChecked(false);
    mnuRemoveVocal->setChecked(false);
    Jobs.DevocalFile.clear();
    showEffectSwitch(true);
}

void FrmMain::resetKeyShift()
{
    Jobs.KeyShiftOn = false;
    Check3->setChecked(false);
    mnuShifting->setChecked(false);
    Jobs.ShiftFile.clear();
    showEffectSwitch(false);
}

// ---- the running job ----------------------------------------------------------

// A vocal removal or key shift from the moment its switch is on (the key
// shift's amount dialog included) to its end. Each wait hands the job to the
// event loop; the event awaited (or the wait's limit) calls its next step.
struct FrmMain::EffectJob {
    FrmMain& w;
    const bool vocal;
    // The failure texts: a file that could not be written (or memory run
    // out) is said with the first; a copy that failed with the second; the
    // effect that failed with the third.
    const QString writeFailed;
    const QString copyFailed;
    const QString effectFailed;
    std::int64_t limitMs = 0;
    // The job's own copy of its output: a box unticked meanwhile empties the field.
    QString output;
    QString copy;    // the working copy in TEMP
    QString passOut; // vocal removal's result before the compensation pass
    std::int32_t compensation = 0;
    WorkingFiles working;
    // What the copy and the sample pass reported.
    bool copyDone = false;
    bool copyOk = false;
    rt::SoundError error;
    bool passDone = false;
    std::shared_ptr<VocalFileResult> passOutcome = std::make_shared<VocalFileResult>(VocalFileResult::Cancelled);
    // The wait: what ends it, where the job goes on (true: it came; false:
    // the limit passed), and the bar's steps meanwhile.
    std::function<bool()> awaited;
    std::function<void(bool)> next;
    std::int64_t deadlineMs = 0;
    bool barMoves = false;
    float barAdd = 0;
    float barBelow = 0;
    bool started = false; // the progress window is up: controls may be working
    bool ended = false;
    // Tells this job from one that took its place.
    const std::uint64_t id = ++lastId;
    static inline std::uint64_t lastId = 0;

    EffectJob(FrmMain& window, bool isVocal)
        : w(window), vocal(isVocal), writeFailed(isVocal ? kVocalFailed : kShiftWriteFailed),
          copyFailed(isVocal ? kVocalDecodeFailed : kShiftFailed), effectFailed(isVocal ? kVocalFailed : kShiftFailed)
    {
    }
    // A job that goes without its end (the window closes, the program
    // restarts) stops its controls first: its working files go after them.
    ~EffectJob()
    {
        if (started && !ended)
            stopControls();
    }
    EffectJob(const EffectJob&) = delete;
    EffectJob& operator=(const EffectJob&) = delete;

    void stopControls()
    {
        w.jobWorker_.cancel();
        if (w.workingCopy_)
            w.workingCopy_->cancel();
        w.Mp3Play1->cancel();
        w.Effect1->cancel();
    }

    // ---- waiting

    void await(std::function<bool()> until, std::function<void(bool)> then, int barEveryMs = 0, float add = 0,
               float below = 0)
    {
        awaited = std::move(until);
        next = std::move(then);
        deadlineMs = rt::clock().tickMs() + limitMs;
        barMoves = barEveryMs > 0;
        barAdd = add;
        barBelow = below;
        // The bar's steps, and a look at the limit now and then.
        w.effectJobTick_->start(barMoves ? barEveryMs : 250);
    }

    void goOn(bool arrived)
    {
        w.effectJobTick_->stop();
        awaited = {};
        // The step may end the job: nothing of it is touched after the call.
        if (std::function<void(bool)> then = std::exchange(next, {}))
            then(arrived);
    }

    // ---- steps both jobs take

    // The progress window with its first text; `first` runs once it is on screen.
    void showProgress(const QString& text, void (EffectJob::*first)())
    {
        started = true;
        FrmWait* wait = FrmWait::instance(&w);
        wait->Label1->setText(text);
        FrmMain& window = w;
        wait->showModeless([&window, first] {
            if (EffectJob* job = window.effectJob_.get())
                (job->*first)();
        });
    }

    // The decoder (MP3) or the copy job (WAV) makes the working copy; the
    // bar takes its first step at once and one a second while below
    // `barBelow`, then `made` follows.
    void makeWorkingCopy(float below, void (EffectJob::*made)())
    {
        copyDone = copyOk = false;
        error = {};
        const bool mp3 = w.Jobs.EffectSourceFile.right(3).toLower() == QLatin1String("mp3");
        if (mp3) {
            w.Mp3Play1->setFiles(w.Jobs.EffectSourceFile, copy);
            w.Mp3Play1->start();
        } else {
            w.workingCopy_->start(w.Jobs.EffectSourceFile, copy);
        }
        showStage(barStep(bar(), 10, below));
        await([this] { return copyDone; },
              [this, mp3, made](bool arrived) {
                  if (!arrived) {
                      w.Mp3Play1->cancel();
                      w.workingCopy_->cancel();
                  } else if (!copyOk) {
                      error = mp3 ? w.Mp3Play1->lastError() : w.workingCopy_->lastError();
                  }
                  if (!arrived || !copyOk) {
                      fail(failureMessage(error, writeFailed, copyFailed), error);
                      return;
                  }
                  (this->*made)();
              },
              1000, 10, below);
    }

    // Effect1 is called and answers `status`; `answered` follows. A failure
    // status, or none within the limit, fails the job.
    void callEffect(const std::function<void()>& call, int status, void (EffectJob::*answered)(), int barEveryMs = 0,
                    float add = 0, float below = 0)
    {
        // Cleared first, so a status left from an earlier call ends no wait.
        w.Jobs.EffectStatus = 0;
        call();
        await([this, status] {
            return w.Jobs.EffectStatus == status || w.Jobs.EffectStatus == rt::EffectControl::StatusFailed;
        },
              [this, status, answered](bool arrived) {
                  if (arrived && w.Jobs.EffectStatus == status) {
                      (this->*answered)();
                      return;
                  }
                  w.Effect1->cancel();
                  const rt::SoundError why = arrived ? w.Effect1->lastError() : rt::SoundError{};
                  fail(failureMessage(why, writeFailed, effectFailed), why);
              },
              barEveryMs, add, below);
    }

    // The job leaves the window: no second job is refused from here on, and
    // a close meanwhile finds nothing to cancel. The caller's copy keeps it
    // until the step returns.
    std::unique_ptr<EffectJob, EffectJobDeleter> leave()
    {
        ended = true;
        w.effectJobTick_->stop();
        return std::move(w.effectJob_);
    }

    // The reset, the window gone, the working files gone, then the message.
    void fail(const QString& message, const rt::SoundError& why = {})
    {
        const auto self = leave();
        qCWarning(lcSound) << (vocal ? "vocal removal failed:" : "key shift failed:") << message << why.text;
        if (vocal)
            w.resetVocalRemoval();
        else
            w.resetKeyShift();
        FrmWait::unload();
        working.remove();
        rt::ui().msgBox(message, rt::OkOnly | rt::Critical);
        switchShown();
    }

    // The output is complete: the last steps of the bar, and the media
    // control plays it in place of the track with the switch on.
    void playOutput()
    {
        const auto self = leave();
        working.keep();
        showStage(barStep(bar(), 10, 90));
        showStage(100);
        FrmWait::unload();
        QString& file = vocal ? w.Jobs.DevocalFile : w.Jobs.ShiftFile;
        file = output;
        try {
            w.MediaPlayer1->setFileName(file);
        } catch (const rt::MediaError&) {
            // The window is remade: nothing more runs on it.
            w.ReloadAfterError();
            return;
        }
        (vocal ? w.Jobs.VocalRemovalOn : w.Jobs.KeyShiftOn) = true;
        QCheckBox* box = vocal ? w.Check2 : w.Check3;
        {
            // The job is the box's "on" already: a box unticked meanwhile
            // (another track played) does not start it again.
            const QSignalBlocker quiet(box);
            box->setChecked(true);
        }
        (vocal ? w.mnuRemoveVocal : w.mnuShifting)->setChecked(true);
        w.MediaPlayer1->play();
        switchShown();
    }

    // What the switch's click does once its job is over: the animation tick
    // again, and the switch as its box now stands.
    void switchShown()
    {
        if (w.loaded_ && !w.soundJobRunning() && restartsAnimation())
            w.Timer[4]->start();
        w.showEffectSwitch(vocal);
    }

    // ---- vocal removal

    void copyTrackForVocalRemoval()
    {
        QFile::remove(copy);
        QFile::remove(passOut);
        showStage(10);
        makeWorkingCopy(50, &EffectJob::cancelTheVoice);
    }

    // The sample pass on a worker: each pair of samples becomes their
    // difference, into the output or, for the compensation, into 22.wav.
    void cancelTheVoice()
    {
        showStage(bar() + 10, QStringLiteral("正在进行声音文件分析处理，请稍候…"));
        compensation = settings().VocalCompensation;
        const QString target = compensation < 1 ? output : passOut;
        FrmMain& window = w;
        w.jobWorker_.start(
            &w,
            [source = copy, target, outcome = passOutcome](const std::atomic<bool>& cancelled) {
                rt::SoundResult r;
                *outcome = removeVocalsFromFile(source, target, &cancelled, &r.error);
                r.ok = *outcome == VocalFileResult::Ok;
                return r;
            },
            [&window](const rt::SoundResult& r) {
                if (EffectJob* job = window.effectJob_.get()) {
                    job->passDone = true;
                    job->error = r.error;
                }
                window.effectJobEvent();
            });
        await([this] { return passDone; }, [this](bool arrived) { voiceCancelled(arrived); });
    }

    void voiceCancelled(bool arrived)
    {
        if (!arrived) {
            w.jobWorker_.cancel();
            fail(kVocalFailed);
            return;
        }
        if (*passOutcome == VocalFileResult::Mono) {
            fail(kCannotProcess, error);
            return;
        }
        if (*passOutcome != VocalFileResult::Ok) {
            fail(failureMessage(error, kVocalFailed, kVocalFailed), error);
            return;
        }
        showStage(bar() + 10, QStringLiteral("正在进行最后处理…"));
        if (compensation <= 0) {
            playOutput();
            return;
        }
        showStage(barStep(bar(), 10, 80), QStringLiteral("正在进行衰减补偿…"));
        callEffect([this] { w.Effect1->open(passOut); }, rt::EffectControl::StatusOpened,
                   &EffectJob::setCompensationValues);
    }

    void setCompensationValues()
    {
        callEffect([this] { w.Effect1->setValues(compensationValues(compensation)); },
                   rt::EffectControl::StatusValuesSet, &EffectJob::saveCompensated);
    }

    void saveCompensated()
    {
        callEffect([this] { w.Effect1->save(output); }, rt::EffectControl::StatusSaved, &EffectJob::playOutput);
    }

    // ---- key shift

    void copyTrackForKeyShift()
    {
        QFile::remove(copy);
        showStage(1);
        makeWorkingCopy(70, &EffectJob::openCopyInEffect);
    }

    void openCopyInEffect()
    {
        showStage(bar() + 10);
        callEffect([this] { w.Effect1->open(copy); }, rt::EffectControl::StatusOpened, &EffectJob::shiftKey);
    }

    void shiftKey()
    {
        std::int16_t& amount = shared().KeyShiftAmount;
        amount = handedShiftAmount(amount);
        const std::int16_t handed = amount;
        callEffect([this, handed] { w.Effect1->shift(handed, 2048); }, rt::EffectControl::StatusShifted,
                   &EffectJob::saveShifted);
    }

    // Saving runs the shift over the whole track: the bar moves meanwhile.
    void saveShifted()
    {
        callEffect([this] { w.Effect1->save(output); }, rt::EffectControl::StatusSaved, &EffectJob::playOutput, 500,
                   10, 90);
    }
};

void FrmMain::EffectJobDeleter::operator()(EffectJob* job) const
{
    delete job;
}

bool FrmMain::effectJobWaiting() const
{
    return effectJob_ && effectJob_->next;
}

void FrmMain::effectJobEvent()
{
    EffectJob* job = effectJob_.get();
    if (job && job->awaited && job->awaited())
        job->goOn(true);
}

void FrmMain::effectJobTick()
{
    EffectJob* job = effectJob_.get();
    if (!job || !job->next) {
        effectJobTick_->stop();
        return;
    }
    if (job->barMoves)
        setBar(barStep(bar(), job->barAdd, job->barBelow));
    if (rt::clock().tickMs() >= job->deadlineMs)
        job->goOn(false);
}

void FrmMain::Effect1_StatusChange(int status)
{
    // Statuses of a job that has ended are not this job's.
    if (!effectJob_)
        return;
    Jobs.EffectStatus = status;
    effectJobEvent();
}

void FrmMain::Mp3Play1_Finished(bool ok, const QString&)
{
    if (Jobs.Decoding && !effectJob_) {
        Jobs.DecodeOk = ok;
        Jobs.Decoding = false;
        return;
    }
    if (!effectJob_)
        return;
    effectJob_->copyOk = ok;
    effectJob_->copyDone = true;
    effectJobEvent();
}

bool FrmMain::chooseEffectOutput(const QString& suffix, QString* chosen)
{
    rt::FileDialogRequest req;
    req.title = QStringLiteral("请选择输出文件的保存位置");
    req.filter = QStringLiteral("声音文件(*.wav)|*.wav");
    req.filterIndex = 1;
    req.initialDir = QFileInfo(Jobs.EffectSourceFile).absolutePath();
    req.fileName = effectOutputName(Jobs.EffectSourceFile, suffix);
    req.overwritePrompt = true;
    req.defaultSuffix = QStringLiteral("wav");
    for (;;) {
        const rt::FileDialogResult r = rt::ui().saveFile(req);
        if (r.files.isEmpty() || r.files.first().isEmpty())
            return false;
        const QString path = recordingSavePath(r.files.first());
        // The file to be restored later is never overwritten: ask again.
        if (samePath(path, Jobs.EffectSourceFile) || samePath(path, Track.CurrentFile) ||
            samePath(path, Jobs.DevocalFile) || samePath(path, Jobs.ShiftFile))
            continue;
        *chosen = path;
        return true;
    }
}

// ---- the jobs ----------------------------------------------------------------

// The checks both effect jobs begin with. False when the job does not run:
// the switch is reset (and disabled for a track it cannot process), and a
// track paused here plays on. True leaves the track stopped.
bool FrmMain::beginEffectJob(QCheckBox* box, QAction* menuItem, const QString& question,
                             void (FrmMain::*reset)(), double* duration)
{
    rt::MediaControl* mp = MediaPlayer1;
    auto resumeIfPaused = [mp] {
        if (mp->playState() == rt::MediaControl::Paused)
            mp->play();
    };
    auto disableSwitch = [&] {
        box->setEnabled(false);
        menuItem->setEnabled(false);
    };
    // One job at a time: they share the effect, the progress window and TEMP.
    if (soundJobRunning()) {
        (this->*reset)();
        return false;
    }
    *duration = mp->duration();
    if (*duration == 0) {
        rt::ui().msgBox(kCannotProcess, rt::OkOnly | rt::Critical);
        (this->*reset)();
        disableSwitch();
        return false;
    }
    if (mp->playState() == rt::MediaControl::Playing)
        mp->pause();
    Jobs.EffectSourceFile = mp->fileName();
    const QString ext = Jobs.EffectSourceFile.right(3).toLower();
    if (ext != QLatin1String("mp3") && ext != QLatin1String("wav")) {
        rt::ui().msgBox(kWrongFormat, rt::OkOnly | rt::Critical);
        (this->*reset)();
        disableSwitch();
        resumeIfPaused();
        return false;
    }
    if (rt::ui().msgBox(question, rt::YesNo | rt::Question) != rt::Yes) {
        (this->*reset)();
        resumeIfPaused();
        return false;
    }
    mp->stop();
    Timer[1]->stop();
    Label1->setText(QString());
    if (*duration > 600 &&
        rt::ui().msgBox(QStringLiteral("当前曲目总长超过10分钟，运行此操作可能需要很长时间并可能导致计算机长时间无响应！\n你确定要继续吗？"),
                        rt::YesNo | rt::Exclamation | rt::DefaultButton2, QStringLiteral("警告")) != rt::Yes) {
        (this->*reset)();
        resumeIfPaused();
        return false;
    }
    return true;
}

// Starts the job once its checks have passed and its output is chosen; it
// goes on from the event loop, so this returns at once.
void FrmMain::RemoveVocals()
{
    double duration = 0;
    if (!beginEffectJob(Check2, mnuRemoveVocal, QStringLiteral("你确定要将当前曲目进行消减人声处理吗？"),
                        &FrmMain::resetVocalRemoval, &duration))
        return;
    if (!chooseEffectOutput(QStringLiteral(" - DeVocal.wav"), &Jobs.DevocalFile)) {
        resetVocalRemoval();
        return;
    }
    effectJob_.reset(new EffectJob(*this, true));
    EffectJob& job = *effectJob_;
    job.output = Jobs.DevocalFile;
    job.limitMs = jobStepLimitMs(duration);
    const QString temp = shared().DataDir + QStringLiteral("/TEMP/");
    job.copy = temp + QStringLiteral("2.wav");
    job.passOut = temp + QStringLiteral("22.wav");
    job.working.watch({job.copy, job.passOut});
    job.showProgress(QStringLiteral("正在进行消减人声处理，请稍候…"), &EffectJob::copyTrackForVocalRemoval);
}

void FrmMain::ShiftPitch()
{
    double duration = 0;
    if (!beginEffectJob(Check3, mnuShifting, QStringLiteral("你确定要将当前曲目进行改变音调处理吗？"),
                        &FrmMain::resetKeyShift, &duration))
        return;
    // The job counts as running from the dialog on, so no second one starts
    // behind it.
    effectJob_.reset(new EffectJob(*this, false));
    const std::uint64_t job = effectJob_->id;
    {
        FrmShiftSet dialog(this);
        dialog.exec();
    }
    if (!effectJob_ || effectJob_->id != job)
        return; // the window closed meanwhile
    if (shared().KeyShiftAmount == 0) {
        effectJob_.reset();
        resetKeyShift();
        if (MediaPlayer1->playState() == rt::MediaControl::Paused)
            MediaPlayer1->play();
        return;
    }
    if (!chooseEffectOutput(QStringLiteral(" - Shift.wav"), &Jobs.ShiftFile)) {
        effectJob_.reset();
        resetKeyShift();
        return;
    }
    effectJob_->output = Jobs.ShiftFile;
    effectJob_->limitMs = jobStepLimitMs(duration);
    effectJob_->copy = shared().DataDir + QStringLiteral("/TEMP/3.wav");
    effectJob_->working.watch({effectJob_->copy});
    effectJob_->showProgress(QStringLiteral("正在进行改变音调处理，请稍候…"), &EffectJob::copyTrackForKeyShift);
}

void FrmMain::cancelSoundJobs()
{
    // The controls stop before the job's working files go.
    jobWorker_.cancel();
    if (workingCopy_)
        workingCopy_->cancel();
    Mp3Play1->cancel();
    Mp3Enc1->cancel();
    Effect1->cancel();
    effectJob_.reset();
    if (effectJobTick_)
        effectJobTick_->stop();
    TimerEnMp3->stop();
    TimerUnEnMp3->stop();
    if (Jobs.Encoding || Jobs.Decoding) {
        Jobs.Encoding = false;
        Jobs.Decoding = false;
        shared().Busy = false;
    }
    FrmWait::unload();
}

} // namespace melodune
