// Track loading and the transport commands of the main window.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/log.h"
#include "core/playlistedit.h"
#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/richtext.h"
#include "platform/clock.h"
#include "platform/ui.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTimer>

namespace melodune {

namespace {

QString extensionOf(const QString& file)
{
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QStringLiteral("未知");
    return file.mid(dot + 1).toLower();
}

double randomValue()
{
    return rt::clock().uniform01();
}

// Sets a flag for the lifetime of the object.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

bool stoppedOrClosed(int state)
{
    return state == rt::MediaControl::Stopped || state == rt::MediaControl::Closed;
}

} // namespace

bool FrmMain::LoadTrack()
{
    return loadTrackAndPlay(false);
}

bool FrmMain::loadTrackAndPlay(bool play)
{
    // A load started while another one lets messages run would hand the
    // control a second file under the first one's lyrics.
    if (loadTrackRunning_)
        return false;
    QListWidgetItem* item =
        Track.CurrentIndex >= 0 && Track.CurrentIndex < List1->count() ? List1->item(int(Track.CurrentIndex)) : nullptr;
    if (!item)
        return false;
    FlagScope running(loadTrackRunning_);
    const std::uint64_t epoch = listEpoch_;
    // Messages may run a restart or refill the list; the rest of the load
    // then belongs to nobody.
    auto letMessagesRun = [&] {
        QCoreApplication::processEvents();
        return !reloadQueued_ && epoch == listEpoch_;
    };
    const SettingsRecord& s = settings();
    try {
        Track.CurrentFile = item->text();
        Track.CurrentExt = extensionOf(Track.CurrentFile);
        playingSinceMs_ = -1;
        MediaPlayer1->setFileName(Track.CurrentFile);
        if (!letMessagesRun())
            return false;
        if (s.PictureMode > 0)
            ShowCoverPicture(QString());
        if (!letMessagesRun())
            return false;
        Timer[4]->stop();
        LoadTrackLyrics();
        if (reloadQueued_ || epoch != listEpoch_)
            return false;
        if (s.ShowRecVolume == 1 || s.ShowVisual == 1)
            Timer[4]->start();
        if (play) {
            if (!letMessagesRun())
                return false;
            MediaPlayer1->play();
        }
        return true;
    } catch (const rt::MediaUnavailable&) {
        // No fault of the track: Unavailable ends the program.
        return false;
    } catch (const rt::MediaError& e) {
        qCWarning(lcCore) << "track not loaded, the window loads again:" << Track.CurrentFile << e.what();
        loadTrackRunning_ = false;
        ReloadAfterError();
        return false;
    }
}

void FrmMain::transportReset(bool busy)
{
    closeLyricEditor();
    if (busy)
        shared().Busy = true;
    silentPass_.reset();
    Rec.PlayingRecording = false;
    LrcView.LrcPath.clear();
    XPButtons[5]->setButtonEnabled(false);
}

void FrmMain::selectEntry(int index)
{
    if (index < 0 || index >= List1->count())
        return;
    List1->setCurrentRow(index);
    List1_Click();
}

void FrmMain::mnuPlaySelct_Click()
{
    if (List1->count() < 1) {
        mnuAdd_Click();
        return;
    }
    // Nothing selected: there is no entry to play.
    if (trackChangeRunning() || List1->currentRow() < 0)
        return;
    FlagScope running(transportCommandRunning_);
    transportReset(true);
    Track.CurrentIndex = List1->currentRow();
    if (!loadTrackAndPlay(true))
        shared().Busy = false;
}

void FrmMain::mnuNext_Click()
{
    stepTrack(true);
}

void FrmMain::mnuPrevious_Click()
{
    stepTrack(false);
}

bool FrmMain::stepTrack(bool forward)
{
    if (List1->count() < 1) {
        mnuAdd_Click();
        return false;
    }
    if (trackChangeRunning())
        return false;
    FlagScope running(transportCommandRunning_);
    transportReset(true);
    QAction* command = forward ? mnuNext : mnuPrevious;
    PicShape->setFocus();
    command->setEnabled(false);
    XPButtons[1]->setButtonEnabled(false);
    XPButtons[2]->setButtonEnabled(false);

    bool loaded = false;
    const int count = List1->count();
    if (count > 0) {
        // With nothing selected, step from the loaded track.
        const int from = List1->currentRow() >= 0 ? List1->currentRow() : int(Track.CurrentIndex);
        const int current = Track.CurrentIndex;
        const int pick = forward ? chooseNextTrack(from, current, count, settings().RandomPlay, Marks, randomValue)
                                 : choosePreviousTrack(from, current, count, settings().RandomPlay, Marks, randomValue);
        selectEntry(pick);
        Track.CurrentIndex = List1->currentRow();
        loaded = loadTrackAndPlay(true);
    }
    if (!loaded)
        shared().Busy = false;

    command->setEnabled(true);
    XPButtons[1]->setButtonEnabled(true);
    XPButtons[2]->setButtonEnabled(true);
    return loaded;
}

void FrmMain::mnuListDown_Click()
{
    stepListSelection(true);
}

void FrmMain::mnuListUp_Click()
{
    stepListSelection(false);
}

void FrmMain::stepListSelection(bool down)
{
    if (List1->count() < 1) {
        mnuAdd_Click();
        return;
    }
    if (trackChangeRunning())
        return;
    const auto choose = down ? chooseListDown : chooseListUp;
    selectEntry(choose(List1->currentRow(), List1->count(), settings().RandomPlay, Marks, randomValue));
    if (stoppedOrClosed(MediaPlayer1->playState()) && List1->count() > 0 && List1->currentRow() >= 0) {
        FlagScope running(transportCommandRunning_);
        transportReset(false);
        Track.CurrentIndex = List1->currentRow();
        loadTrackAndPlay(false);
    }
}

void FrmMain::XPButton12_Click()
{
    if (List1->count() < 1) {
        mnuAdd_Click();
        return;
    }
    const QListWidgetItem* selected = List1->currentItem();
    if (!selected || selected->text() == MediaPlayer1->fileName()) {
        MediaPlayer1->play();
        return;
    }
    const int answer =
        rt::ui().msgBox(QStringLiteral("选择“是”播放列表中选中的曲目，选择“否”播放当前已加载的曲目。"),
                        rt::YesNo | rt::Question | rt::DefaultButton2);
    if (answer == rt::Yes)
        mnuPlaySelct_Click();
    else
        MediaPlayer1->play();
}

void FrmMain::mnuPlayPause_Click()
{
    if (List1->count() < 1) {
        mnuAdd_Click();
        return;
    }
    if (MediaPlayer1->playState() == rt::MediaControl::Playing) {
        // A stream without a known length cannot be paused.
        if (MediaPlayer1->duration() != 0)
            MediaPlayer1->pause();
    } else {
        MediaPlayer1->play();
    }
}

void FrmMain::XPButton18_Click()
{
    if (List1->count() < 1) {
        mnuAdd_Click();
        return;
    }
    if (MediaPlayer1->duration() == 0)
        return;
    if (MediaPlayer1->playState() == rt::MediaControl::Playing)
        MediaPlayer1->pause();
}

void FrmMain::mnuStop_Click()
{
    if (List1->count() < 1) {
        mnuAdd_Click();
        return;
    }
    MediaPlayer1->stop();
    MediaPlayer1->setCurrentPosition(0);
}

void FrmMain::Timer3_Timer()
{
    Timer[3]->stop();
    XPButtons[9]->setIconAlign(0);
    static const char* const tips[26] = {
        nullptr,
        "播放上一曲", "播放下一曲", "歌词时间补偿<-50ms>", "歌词时间补偿<+50ms>", "编辑修改歌词",
        "开始录音", "回放录音", " 停 止 ", "添加曲目到列表[本地]", "向上查看列表曲目",
        "向下查看列表曲目", "播放列表中选中的曲目", "停止播放", "删除列表中选中的曲目", "连接 Melodune 主页",
        "设置选项", "系统声音控制", "暂停播放", "重新装载歌词", "歌词显示模式切换",
        "歌词全屏", "曲目属性", "可视化效果开关", "影像全屏", "LRC歌词上传、征求、搜索及下载",
    };
    for (int i = 1; i <= 25; ++i)
        XPButtons[i]->setButtonToolTip(QString::fromUtf8(tips[i]));
    enableSkinButtons();

    const SettingsRecord& s = settings();
    if (s.ShowRecVolume == 1) {
        Timer[4]->start();
        mnuShowVolumeB->setText(QStringLiteral("关闭录音音量显示(&M)"));
        PopShowVolumeB->setText(QStringLiteral("关闭录音音量显示"));
    } else {
        Timer[4]->stop();
        mnuShowVolumeB->setText(QStringLiteral("打开录音音量显示(&M)"));
        PopShowVolumeB->setText(QStringLiteral("打开录音音量显示"));
    }
    const bool visual = s.ShowVisual == 1;
    Picture5->setVisible(visual);
    if (visual)
        Timer[4]->start();
    mnuShowVisualS->setText(visual ? QStringLiteral("关闭可视化效果(&E)") : QStringLiteral("打开可视化效果(&E)"));
    for (QAction* a : {PopShowVisualS, PopShowVisualS2})
        a->setText(visual ? QStringLiteral("关闭可视化效果") : QStringLiteral("打开可视化效果"));

    if (List1->count() < 1) {
        mnuAdd_Click();
        return;
    }
    // Nothing is loaded over a track that plays or is paused, nor while a
    // command is already changing the track, nor without a selection.
    if (!stoppedOrClosed(MediaPlayer1->playState()) || trackChangeRunning() || List1->currentRow() < 0)
        return;
    FlagScope running(transportCommandRunning_);
    Track.CurrentIndex = List1->currentRow();
    loadTrackAndPlay(s.AutoPlay == 1);
}

void FrmMain::enableSkinButtons()
{
    // 7 and 8 stay disabled with their menu items, which the start left
    // disabled for the recording commands to enable.
    for (int i = 1; i <= 25; ++i)
        if (i != 5)
            XPButtons[i]->setButtonEnabled(true);
}

void FrmMain::connectTransportHandlers()
{
    auto onButton = [this](int index, void (FrmMain::*handler)()) {
        connect(XPButtons[index], &XPButton::Click, this, [this, handler] { (this->*handler)(); });
    };
    onMenuItem(mnuPlaySelct, &FrmMain::mnuPlaySelct_Click);
    onMenuItem(PopPlaySelct, &FrmMain::mnuPlaySelct_Click);
    onMenuItem(mnuNext, &FrmMain::mnuNext_Click);
    onMenuItem(mnuPrevious, &FrmMain::mnuPrevious_Click);
    onMenuItem(mnuListDown, &FrmMain::mnuListDown_Click);
    onMenuItem(mnuListUp, &FrmMain::mnuListUp_Click);
    onMenuItem(mnuPlayPause, &FrmMain::mnuPlayPause_Click);
    onMenuItem(mnuStop, &FrmMain::mnuStop_Click);
    onMenuItem(mnuFull, &FrmMain::mnuFull_Click);
    onMenuItem(mnuFileInfo, &FrmMain::mnuFileInfo_Click);
    onButton(12, &FrmMain::XPButton12_Click);
    onButton(18, &FrmMain::XPButton18_Click);
    onButton(24, &FrmMain::XPButton24_Click);

    connect(MediaPlayer1, &rt::MediaControl::EndOfStream, this, &FrmMain::MediaPlayer1_EndOfStream);
    connect(MediaPlayer1, &rt::MediaControl::OpenStateChange, this, &FrmMain::MediaPlayer1_OpenStateChange);
    connect(MediaPlayer1, &rt::MediaControl::PlayStateChange, this, &FrmMain::MediaPlayer1_PlayStateChange);
    connect(MediaPlayer1, &rt::MediaControl::GotFocus, this, &FrmMain::MediaPlayer1_GotFocus);
    connect(MediaPlayer1, &rt::MediaControl::OutputLost, this, &FrmMain::MediaPlayer1_OutputLost);
    connect(MediaPlayer1, &rt::MediaControl::Unavailable, this, &FrmMain::MediaPlayer1_Unavailable);
    connect(MediaPlayer1->widget(), &rt::MediaView::focusReceived, this, &FrmMain::MediaPlayer1_GotFocus);

    // A load that lets messages run must notice when the list it reads from
    // is emptied or refilled (the restart reads it anew).
    connect(List1->model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { ++listEpoch_; });

    // The balance slider and its caption, at the foot of the transport bed:
    // the take's progress line runs above the bed and nothing may cover it.
    HScroll1->setRange(rt::MediaControl::BalanceMin, rt::MediaControl::BalanceMax);
    HScroll1->setSingleStep(500);
    HScroll1->setPageStep(1);
    HScroll1->setValue(0);
    HScroll1->setGeometry(26, 446, 206, 14);
    HScroll1->setToolTip(QStringLiteral("左右声道均衡"));
    HScroll1->show();
    Label3 = new QLabel(balanceCaption(0), PicShape);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(236, 445, 76, 16);
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setStyleSheet(QStringLiteral("color: #cfe0ff;"));
    Label3->setToolTip(QStringLiteral("左右声道均衡"));
    Label3->show();
    // A change counts once the thumb is let go, not at every step of a drag.
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] {
        if (!HScroll1->isSliderDown())
            HScroll1_Change();
    });
    connect(HScroll1, &QScrollBar::sliderReleased, this, &FrmMain::HScroll1_Change);

    installTransportInputFilters();
}

} // namespace melodune
