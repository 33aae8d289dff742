// Vocal removal, key shift and their switches. The copy, the pass and the
// effects run on workers; the window thread only waits for their events (each
// wait with a limit that grows with the track) and moves the bar on a timer.
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
#include <QEventLoop>
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
    explicit WorkingFiles(QStringList paths) : paths_(std::move(paths)) {}
    ~WorkingFiles()
    {
        if (!kept_)
            remove();
    }
    WorkingFiles(const WorkingFiles&) = delete;
    WorkingFiles& operator=(const WorkingFiles&) = delete;
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
        } catch (const std::system_error&) {
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
    workingCopy_ = new rt::WorkingCopyJob(this);
    connect(workingCopy_, &rt::WorkingCopyJob::finished, this, &FrmMain::Mp3Play1_Finished);
    connect(Effect1, &rt::EffectControl::statusChange, this, &FrmMain::Effect1_StatusChange);
    connect(Mp3Play1, &rt::Mp3Decoder::finished, this, &FrmMain::Mp3Play1_Finished);
    connect(Mp3Enc1, &rt::Mp3Encoder::finished, this, &FrmMain::Mp3Enc1_Finished);
    connect(Check2, &QCheckBox::toggled, this, &FrmMain::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &FrmMain::Check3_Click);
    connect(mnuRemoveVocal, &QAction::triggered, this, &FrmMain::mnuRemoveVocal_Click);
    connect(mnuShifting, &QAction::triggered, this, &FrmMain::mnuShifting_Click);
    connect(mnuTools1, &QAction::triggered, this, &FrmMain::mnuTools1_Click);
    connect(mnuTools2, &QAction::triggered, this, &FrmMain::mnuTools2_Click);
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
        if (loaded_ && !soundJobRunning() && restartsAnimation())
            Timer[4]->start();
    } else {
        Timer[1]->stop();
        Label1->setText(QString());
        bool& flag = vocal ? VocalRemovalOn : KeyShiftOn;
        QString& own = vocal ? DevocalFile : ShiftFile;
        const QString& other = vocal ? ShiftFile : DevocalFile;
        if (flag) {
            EffectSourceFile = other.isEmpty() ? CurrentFile : other;
            try {
                MediaPlayer1->setFileName(EffectSourceFile);
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
    VocalRemovalOn = false;
    Check2->setChecked(false);
    mnuRemoveVocal->setChecked(false);
    DevocalFile.clear();
    showEffectSwitch(true);
}

void FrmMain::resetKeyShift()
{
    KeyShiftOn = false;
    Check3->setChecked(false);
    mnuShifting->setChecked(false);
    ShiftFile.clear();
    showEffectSwitch(false);
}

// ---- waits ----------------------------------------------------------------

FrmMain::JobWait FrmMain::waitForJob(const std::function<bool()>& done, std::int64_t limitMs, int barEveryMs,
                                     float barAdd, float barBelow)
{
    const std::int64_t deadline = rt::clock().tickMs() + limitMs;
    QEventLoop loop;
    QTimer tick;
    // The bar's steps, and a look at the limit now and then.
    tick.setInterval(barEveryMs > 0 ? barEveryMs : 250);
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (barEveryMs > 0)
            setBar(barStep(bar(), barAdd, barBelow));
        loop.quit();
    });
    tick.start();
    QEventLoop* outer = jobLoop_;
    jobLoop_ = &loop;
    JobWait result;
    for (;;) {
        if (effectJobCancelled_) {
            result = JobWait::Cancelled;
            break;
        }
        if (done()) {
            result = JobWait::Done;
            break;
        }
        if (rt::clock().tickMs() >= deadline) {
            result = JobWait::Limit;
            break;
        }
        loop.exec();
    }
    jobLoop_ = outer;
    return result;
}

void FrmMain::Effect1_StatusChange(int status)
{
    // Statuses of a job that has ended are not this job's.
    if (!effectJobRunning_)
        return;
    EffectStatus = status;
    if (jobLoop_)
        jobLoop_->quit();
}

void FrmMain::Mp3Play1_Finished(bool ok, const QString&)
{
    if (Decoding && !effectJobRunning_) {
        DecodeOk = ok;
        Decoding = false;
        return;
    }
    if (!effectJobRunning_)
        return;
    mp3PlayOk_ = ok;
    mp3PlayDone_ = true;
    if (jobLoop_)
        jobLoop_->quit();
}

bool FrmMain::makeWorkingCopy(const QString& target, std::int64_t limitMs, float barBelow, JobWait* how,
                              rt::SoundError* error)
{
    mp3PlayDone_ = false;
    mp3PlayOk_ = false;
    *error = {};
    const bool mp3 = EffectSourceFile.right(3).toLower() == QLatin1String("mp3");
    if (mp3) {
        Mp3Play1->setFiles(EffectSourceFile, target);
        Mp3Play1->start();
    } else {
        workingCopy_->start(EffectSourceFile, target);
    }
    showStage(barStep(bar(), 10, barBelow));
    *how = waitForJob([this] { return mp3PlayDone_; }, limitMs, 1000, 10, barBelow);
    if (*how != JobWait::Done) {
        Mp3Play1->cancel();
        workingCopy_->cancel();
        return false;
    }
    if (!mp3PlayOk_)
        *error = mp3 ? Mp3Play1->lastError() : workingCopy_->lastError();
    return mp3PlayOk_;
}

bool FrmMain::effectCall(const std::function<void()>& call, int awaited, std::int64_t limitMs, JobWait* how)
{
    // Cleared first, so a status left from an earlier call ends no wait.
    EffectStatus = 0;
    call();
    *how = waitForJob([this, awaited] {
        return EffectStatus == awaited || EffectStatus == rt::EffectControl::StatusFailed;
    }, limitMs);
    if (*how != JobWait::Done || EffectStatus != awaited) {
        Effect1->cancel();
        return false;
    }
    return true;
}

bool FrmMain::chooseEffectOutput(const QString& suffix, QString* chosen)
{
    rt::FileDialogRequest req;
    req.title = QStringLiteral("请选择输出文件的保存位置");
    req.filter = QStringLiteral("声音文件(*.wav)|*.wav");
    req.filterIndex = 1;
    req.initialDir = QFileInfo(EffectSourceFile).absolutePath();
    req.fileName = effectOutputName(EffectSourceFile, suffix);
    req.overwritePrompt = true;
    req.defaultSuffix = QStringLiteral("wav");
    for (;;) {
        const rt::FileDialogResult r = rt::ui().saveFile(req);
        if (r.files.isEmpty() || r.files.first().isEmpty())
            return false;
        const QString path = recordingSavePath(r.files.first());
        // The file to be restored later is never overwritten: ask again.
        if (samePath(path, EffectSourceFile) || samePath(path, CurrentFile) || samePath(path, DevocalFile) ||
            samePath(path, ShiftFile))
            continue;
        *chosen = path;
        return true;
    }
}

// ---- the jobs ----------------------------------------------------------------

namespace {

// Marks an effect job as running for its lifetime.
struct EffectJobScope {
    bool& running;
    bool& cancelled;
    EffectJobScope(bool& r, bool& c) : running(r), cancelled(c)
    {
        running = true;
        cancelled = false;
    }
    ~EffectJobScope() { running = false; }
};

} // namespace

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
    EffectSourceFile = mp->fileName();
    const QString ext = EffectSourceFile.right(3).toLower();
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

void FrmMain::RemoveVocals()
{
    rt::MediaControl* mp = MediaPlayer1;
    double duration = 0;
    if (!beginEffectJob(Check2, mnuRemoveVocal, QStringLiteral("你确定要将当前曲目进行消减人声处理吗？"),
                        &FrmMain::resetVocalRemoval, &duration))
        return;
    if (!chooseEffectOutput(QStringLiteral(" - DeVocal.wav"), &DevocalFile)) {
        resetVocalRemoval();
        return;
    }

    EffectJobScope scope(effectJobRunning_, effectJobCancelled_);
    // The job's own copy: a box unticked meanwhile empties the field.
    const QString output = DevocalFile;
    const std::int64_t limit = jobStepLimitMs(duration);
    const QString temp = shared().DataDir + QStringLiteral("/TEMP/");
    const QString copy = temp + QStringLiteral("2.wav");
    const QString passOut = temp + QStringLiteral("22.wav");
    WorkingFiles working({copy, passOut});
    auto fail = [this, &working](const QString& message, const rt::SoundError& error = {}) {
        qCWarning(lcSound) << "vocal removal failed:" << message << error.text;
        resetVocalRemoval();
        FrmWait::unload();
        working.remove();
        rt::ui().msgBox(message, rt::OkOnly | rt::Critical);
    };
    FrmWait* wait = FrmWait::instance(this);
    wait->Label1->setText(QStringLiteral("正在进行消减人声处理，请稍候…"));
    wait->showModeless();
    QFile::remove(copy);
    QFile::remove(passOut);
    showStage(10);

    JobWait how;
    rt::SoundError error;
    if (!makeWorkingCopy(copy, limit, 50, &how, &error)) {
        if (how == JobWait::Cancelled)
            return;
        fail(failureMessage(error, kVocalFailed, kVocalDecodeFailed), error);
        return;
    }

    showStage(bar() + 10, QStringLiteral("正在进行声音文件分析处理，请稍候…"));
    const std::int32_t compensation = settings().VocalCompensation;
    const QString target = compensation < 1 ? output : passOut;
    auto outcome = std::make_shared<VocalFileResult>(VocalFileResult::Cancelled);
    bool passDone = false;
    jobWorker_.start(
        this,
        [copy, target, outcome](const std::atomic<bool>& cancelled) {
            rt::SoundResult r;
            *outcome = removeVocalsFromFile(copy, target, &cancelled, &r.error);
            r.ok = *outcome == VocalFileResult::Ok;
            return r;
        },
        [this, &passDone, &error](const rt::SoundResult& r) {
            passDone = true;
            error = r.error;
            if (jobLoop_)
                jobLoop_->quit();
        });
    how = waitForJob([&passDone] { return passDone; }, limit);
    if (how != JobWait::Done) {
        jobWorker_.cancel();
        if (how == JobWait::Cancelled)
            return;
        fail(kVocalFailed);
        return;
    }
    if (*outcome == VocalFileResult::Mono) {
        fail(kCannotProcess, error);
        return;
    }
    if (*outcome != VocalFileResult::Ok) {
        fail(failureMessage(error, kVocalFailed, kVocalFailed), error);
        return;
    }
    showStage(bar() + 10, QStringLiteral("正在进行最后处理…"));

    if (compensation > 0) {
        showStage(barStep(bar(), 10, 80), QStringLiteral("正在进行衰减补偿…"));
        const auto values = compensationValues(compensation);
        const QString out = output;
        if (!effectCall([this, passOut] { Effect1->open(passOut); }, rt::EffectControl::StatusOpened, limit, &how) ||
            !effectCall([this, values] { Effect1->setValues(values); }, rt::EffectControl::StatusValuesSet, limit,
                        &how) ||
            !effectCall([this, out] { Effect1->save(out); }, rt::EffectControl::StatusSaved, limit, &how)) {
            if (how == JobWait::Cancelled)
                return;
            const rt::SoundError why = how == JobWait::Done ? Effect1->lastError() : rt::SoundError{};
            fail(failureMessage(why, kVocalFailed, kVocalFailed), why);
            return;
        }
    }

    // The output is complete: the last steps of the bar.
    working.keep();
    showStage(barStep(bar(), 10, 90));
    showStage(100);
    FrmWait::unload();
    DevocalFile = output;
    try {
        mp->setFileName(DevocalFile);
    } catch (const rt::MediaError&) {
        // The window is remade: nothing more runs on it.
        ReloadAfterError();
        return;
    }
    VocalRemovalOn = true;
    {
        // The job is the box's "on" already: a box unticked meanwhile (another
        // track played) does not start it again.
        const QSignalBlocker quiet(Check2);
        Check2->setChecked(true);
    }
    mnuRemoveVocal->setChecked(true);
    showEffectSwitch(true);
    mp->play();
}

void FrmMain::ShiftPitch()
{
    rt::MediaControl* mp = MediaPlayer1;
    double duration = 0;
    if (!beginEffectJob(Check3, mnuShifting, QStringLiteral("你确定要将当前曲目进行改变音调处理吗？"),
                        &FrmMain::resetKeyShift, &duration))
        return;
    // The job counts as running from the dialog on, so no second one starts
    // behind it.
    EffectJobScope scope(effectJobRunning_, effectJobCancelled_);
    {
        FrmShiftSet dialog(this);
        dialog.exec();
    }
    if (effectJobCancelled_)
        return;
    if (shared().KeyShiftAmount == 0) {
        resetKeyShift();
        if (mp->playState() == rt::MediaControl::Paused)
            mp->play();
        return;
    }
    if (!chooseEffectOutput(QStringLiteral(" - Shift.wav"), &ShiftFile)) {
        resetKeyShift();
        return;
    }

    // The job's own copy: a box unticked meanwhile empties the field.
    const QString out = ShiftFile;
    const std::int64_t limit = jobStepLimitMs(duration);
    const QString copy = shared().DataDir + QStringLiteral("/TEMP/3.wav");
    WorkingFiles working({copy});
    auto fail = [this, &working](const rt::SoundError& error = {}) {
        const QString message = failureMessage(error, kShiftWriteFailed, kShiftFailed);
        qCWarning(lcSound) << "key shift failed:" << message << error.text;
        resetKeyShift();
        FrmWait::unload();
        working.remove();
        rt::ui().msgBox(message, rt::OkOnly | rt::Critical);
    };
    FrmWait* wait = FrmWait::instance(this);
    wait->Label1->setText(QStringLiteral("正在进行改变音调处理，请稍候…"));
    wait->showModeless();
    QFile::remove(copy);
    showStage(1);

    JobWait how;
    rt::SoundError error;
    if (!makeWorkingCopy(copy, limit, 70, &how, &error)) {
        if (how != JobWait::Cancelled)
            fail(error);
        return;
    }
    showStage(bar() + 10);
    if (!effectCall([this, copy] { Effect1->open(copy); }, rt::EffectControl::StatusOpened, limit, &how)) {
        if (how != JobWait::Cancelled)
            fail(how == JobWait::Done ? Effect1->lastError() : rt::SoundError{});
        return;
    }
    std::int16_t& amount = shared().KeyShiftAmount;
    amount = handedShiftAmount(amount);
    const std::int16_t handed = amount;
    if (!effectCall([this, handed] { Effect1->shift(handed, 2048); }, rt::EffectControl::StatusShifted, limit, &how)) {
        if (how != JobWait::Cancelled)
            fail(how == JobWait::Done ? Effect1->lastError() : rt::SoundError{});
        return;
    }
    // Saving runs the shift over the whole track: the bar moves meanwhile.
    EffectStatus = 0;
    Effect1->save(out);
    how = waitForJob([this] {
        return EffectStatus == rt::EffectControl::StatusSaved || EffectStatus == rt::EffectControl::StatusFailed;
    }, limit, 500, 10, 90);
    if (how != JobWait::Done || EffectStatus != rt::EffectControl::StatusSaved) {
        Effect1->cancel();
        if (how != JobWait::Cancelled)
            fail(how == JobWait::Done ? Effect1->lastError() : rt::SoundError{});
        return;
    }

    working.keep();
    showStage(barStep(bar(), 10, 90));
    showStage(100);
    FrmWait::unload();
    ShiftFile = out;
    try {
        mp->setFileName(ShiftFile);
    } catch (const rt::MediaError&) {
        ReloadAfterError();
        return;
    }
    KeyShiftOn = true;
    {
        // The job is the box's "on" already: a box unticked meanwhile (another
        // track played) does not start it again.
        const QSignalBlocker quiet(Check3);
        Check3->setChecked(true);
    }
    mnuShifting->setChecked(true);
    showEffectSwitch(false);
    mp->play();
}

void FrmMain::cancelSoundJobs()
{
    if (effectJobRunning_)
        effectJobCancelled_ = true;
    jobWorker_.cancel();
    if (workingCopy_)
        workingCopy_->cancel();
    Mp3Play1->cancel();
    Mp3Enc1->cancel();
    Effect1->cancel();
    TimerEnMp3->stop();
    TimerUnEnMp3->stop();
    if (Encoding || Decoding) {
        Encoding = false;
        Decoding = false;
        shared().Busy = false;
    }
    FrmWait::unload();
    if (jobLoop_)
        jobLoop_->quit();
}

} // namespace melodune
