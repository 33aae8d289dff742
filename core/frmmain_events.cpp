// The main window's reactions to the media control's events, and the
// restart after a playback error.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/playlistedit.h"
#include "core/playlistfile.h"
#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/lrcservicecontroller.h"
#include "lyrics/lyricstyle.h"
#include "lyrics/richtext.h"
#include "platform/clock.h"
#include "platform/ui.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <utility>

namespace melodune {

namespace {

const QString kHintAudio = QStringLiteral("提示：单击鼠标右键可以显示菜单。");
const QString kHintVideo = QStringLiteral("提示：按 F 键全屏显示影像；按 Esc 键退出全屏。");

} // namespace

void FrmMain::MediaPlayer1_EndOfStream()
{
    // The end of the old track while a new one is being loaded means nothing.
    if (trackChangeRunning())
        return;
    // From here the end of the stream changes the track: a command that
    // arrives while messages run is refused rather than stepping twice.
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(transportCommandRunning_);
    QCoreApplication::processEvents();
    if (reloadQueued_)
        return;
    closeLyricEditor();
    LrcView.LrcPath.clear();
    XPButtons[5]->setButtonEnabled(false);
    // Each flag is cleared before its box is unticked, so the box's own
    // handler does not hand the control the unprocessed file again.
    Jobs.VocalRemovalOn = false;
    Jobs.DevocalFile.clear();
    mnuRemoveVocal->setChecked(false);
    Check2->setChecked(false);
    Jobs.KeyShiftOn = false;
    Jobs.ShiftFile.clear();
    mnuShifting->setChecked(false);
    Check3->setChecked(false);

    if (Rec.PlayingRecording) {
        XPButton8_Click();
        return;
    }
    if (Rec.Recording && settings().StopRecordAtEnd == 1) {
        XPButton8_Click();
        return;
    }
    const int count = List1->count();
    if (count < 1)
        return;
    // A list whose tracks all end at once would be loaded again and again
    // without pause: after one such pass it stops.
    const std::int64_t playingMs = playingSinceMs_ < 0 ? -1 : rt::clock().tickMs() - playingSinceMs_;
    if (silentPass_.trackEnded(SilentPass::trackPlayed(MediaPlayer1->currentPosition(), playingMs), count)) {
        rt::ui().msgBox(QStringLiteral("列表中的曲目都没有可以播放的内容，已停止播放。"), rt::Exclamation);
        return;
    }
    const int from = List1->currentRow() >= 0 ? List1->currentRow() : int(Track.CurrentIndex);
    selectEntry(chooseNextTrack(from, Track.CurrentIndex, count, settings().RandomPlay, Marks,
                                [] { return rt::clock().uniform01(); }));
    Track.CurrentIndex = List1->currentRow();
    loadTrackAndPlay(true);
}

void FrmMain::MediaPlayer1_OutputLost()
{
    // The media control has paused it (the play-state handler has run):
    // the play command goes on from here once the sound card works again.
    if (outputLostShown_)
        return; // one box at a time
    outputLostShown_ = true;
    rt::ui().msgBox(QStringLiteral("声卡出现错误，播放已暂停。请确认声卡设置正确后再继续播放！"), rt::Exclamation);
    outputLostShown_ = false;
}

void FrmMain::MediaPlayer1_OpenStateChange()
{
    // The lyrics work of the previous track ends (the lyric code keeps the
    // request of the track that has just opened).
    stopLyricsServiceTimers();
    const QString name = MediaPlayer1->fileName();
    const QString tip = QStringLiteral("播放器加载曲目【") + name + QStringLiteral("】");
    if (Track.CurrentFile == name) {
        Track.CurrentTitle = MediaPlayer1->getMediaInfoString(rt::MediaControl::InfoTitle);
        if (!Track.CurrentTitle.trimmed().isEmpty()) {
            Label4->setText(Track.CurrentTitle + QStringLiteral(" - ") + windowTitle());
            Label4->setToolTip(tip);
            return;
        }
    }
    Track.CurrentTitle.clear();
    Label4->setText(name + QStringLiteral(" - ") + windowTitle());
    Label4->setToolTip(tip);
}

void FrmMain::MediaPlayer1_PlayStateChange()
{
    SharedState& sh = shared();
    const SettingsRecord& s = settings();
    rt::MediaControl* mp = MediaPlayer1;
    sh.Busy = true;

    if (mp->imageSourceWidth() == 0 && mp->imageSourceHeight() == 0) {
        mnuFull->setEnabled(false);
        if (s.ShowVisual == 1)
            Picture5->show();
        Label5->setText(kHintAudio);
    } else {
        Label5->setText(kHintVideo);
        mnuFull->setEnabled(true);
        Picture2->hide();
        Picture5->hide();
        if (mp->playState() == rt::MediaControl::Playing && s.AutoFullScreen == 1)
            mnuFull_Click();
    }
    Label5->setToolTip(Label5->text());

    // Another file than the processed copies plays: the switches are off.
    if (mp->playState() == rt::MediaControl::Playing && mp->fileName() != Jobs.DevocalFile &&
        mp->fileName() != Jobs.ShiftFile) {
        Jobs.VocalRemovalOn = false;
        Check2->setChecked(false);
        mnuRemoveVocal->setChecked(false);
        Jobs.KeyShiftOn = false;
        Check3->setChecked(false);
        mnuShifting->setChecked(false);
    }

    const bool switchesFree = !Rec.Recording && !Rec.PlayingRecording;
    Check2->setEnabled(switchesFree);
    mnuRemoveVocal->setEnabled(switchesFree);
    Check3->setEnabled(switchesFree);
    mnuShifting->setEnabled(switchesFree);

    auto selectCurrent = [this] {
        if (List1->count() > 0 && Track.CurrentIndex >= 0 && Track.CurrentIndex < List1->count() &&
            List1->currentRow() != Track.CurrentIndex)
            selectEntry(int(Track.CurrentIndex));
    };

    if (mp->playState() == rt::MediaControl::Stopped) {
        if (XPButtons[8]->buttonEnabled() && Rec.PlayingRecording)
            mnuStopRecPlay_Click();
        selectCurrent();
        Timer[1]->stop();
        Label1->setText(QStringLiteral("0"));
        if (LrcView.LyricsLoaded) {
            styleLyricBox(*RichTextBox1, lyricBoxStyle(s));
        }
        RichTextBox1->setEnabled(true);
        RichTextBox1->select(0, 0);
    }

    if (mp->playState() == rt::MediaControl::Paused) {
        if (XPButtons[8]->buttonEnabled() && Rec.PlayingRecording)
            mnuStopRecPlay_Click();
        selectCurrent();
        Timer[1]->stop();
    }

    if (mp->playState() == rt::MediaControl::Playing) {
        if (playingSinceMs_ < 0)
            playingSinceMs_ = rt::clock().tickMs();
        const QString title = mp->getMediaInfoString(rt::MediaControl::InfoTitle).trimmed();
        Label4->setText((title.isEmpty() ? mp->fileName() : title) + QStringLiteral(" - ") + windowTitle());
        Label4->setToolTip(QStringLiteral("播放器加载曲目【") + mp->fileName() + QStringLiteral("】"));
        if (XPButtons[7]->buttonEnabled() && Rec.PlayingRecording) {
            // The recording plays again after its play-back was stopped.
            showStopCommand(QStringLiteral("停止回放"), QStringLiteral("停止回放(&S)"));
            mnuPlayRec->setEnabled(false);
            if (!imgS[2].isNull())
                imgR->setPixmap(imgS[2]);
        }
        if (LrcView.LyricsLoaded) {
            Timer[1]->start();
            Timer1_Timer();
        }
    }

    sh.Busy = false;
}

void FrmMain::MediaPlayer1_Unavailable(const QString& reason)
{
    if (std::exchange(mediaUnavailable_, true))
        return;
    for (QTimer* t : Timer)
        if (t)
            t->stop();
    rt::ui().msgBox(QStringLiteral("无法启动媒体播放组件，程序即将退出。\n") + reason, rt::Critical,
                    rt::appTitle());
    // From the event loop, as the exit command: the box may have been
    // raised inside a handler that goes on using the window.
    QTimer::singleShot(0, this, &FrmMain::mnuExit_Click);
}

void FrmMain::ReloadAfterError()
{
    // A second failure while the questions are open, or once the restart is
    // on its way, changes nothing more.
    if (reloadAsking_ || reloadQueued_)
        return;
    reloadAsking_ = true;
    for (int i : {1, 2, 9, 3, 4})
        Timer[i]->stop();
    // A lyrics download under way must not write into the emptied TEMP folder
    // or answer for the window being remade.
    Lrc->stopTimers();

    const SharedState& sh = shared();
    if (Check2->isChecked() || Check3->isChecked()) {
        rt::ui().msgBox(QStringLiteral("出现未知错误，程序即将重新装载！"), rt::Exclamation);
    } else if (!Track.CurrentFile.isEmpty()) {
        rt::ui().msgBox(QStringLiteral("文件 ") + Track.CurrentFile + QStringLiteral(" 出现未知错误，程序即将重新装载！"),
                        rt::Exclamation);
        const int answer = rt::ui().msgBox(QStringLiteral("你要将此项从当前程序播放列表中删除吗?"),
                                           rt::YesNo | rt::Question | rt::DefaultButton2);
        if (answer == rt::Yes) {
            // Only the entry that failed goes: when the index no longer names
            // it (the list changed meanwhile), look it up by its text.
            int row = -1;
            if (Track.CurrentIndex >= 0 && Track.CurrentIndex < List1->count() &&
                List1->item(int(Track.CurrentIndex))->text() == Track.CurrentFile)
                row = int(Track.CurrentIndex);
            else if (const auto found = List1->findItems(Track.CurrentFile, Qt::MatchExactly | Qt::MatchCaseSensitive);
                     !found.isEmpty())
                row = List1->row(found.first());
            if (row >= 0) {
                delete List1->takeItem(row);
                Track.CurrentIndex = row;
            }
            if (List1->count() == 0)
                removeListFile(sh.DataDir);
        } else {
            Track.CurrentIndex = Track.CurrentIndex + 1;
        }
        if (Track.CurrentIndex >= List1->count() || Track.CurrentIndex < 0)
            Track.CurrentIndex = 0;
    }

    SettingsRecord& s = settings();
    if (s.AutoPlay != 0)
        rt::ui().msgBox(QStringLiteral("重新装载后，“程序启动后自动播放曲目”的设置将被取消！"), rt::Exclamation);
    s.AutoPlay = 0;
    reloadAsking_ = false;
    // Queued: the handler that failed returns before the window is made anew;
    // it suppresses the command line once, sets Reloading and clears Busy.
    reloadWindow();
}

} // namespace melodune
