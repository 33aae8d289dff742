// Track loading and the transport commands of the main window.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/settings.h"
#include "core/shared.h"

#include <QAction>
#include <QCoreApplication>
#include <QListWidget>
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

} // namespace

bool FrmMain::LoadTrack()
{
    try {
        QListWidgetItem* item = List1->item(CurrentIndex);
        if (!item)
            throw rt::MediaError("no such playlist entry");
        CurrentFile = item->text();
        CurrentExt = extensionOf(CurrentFile);
        MediaPlayer1->setFileName(CurrentFile);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        Timer[4]->stop();
        if (settings().ShowRecVolume == 1 || settings().ShowVisual == 1)
            Timer[4]->start();
        return true;
    } catch (const std::exception&) {
        ReloadAfterError();
        return false;
    }
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
    for (int i = 1; i <= 25; ++i)
        if (i != 5 && i != 7 && i != 8)
            XPButtons[i]->setButtonEnabled(true);

    const SettingsRecord& s = settings();
    if (s.ShowRecVolume == 1) {
        Timer[4]->start();
        mnu(QStringLiteral("mnuShowVolumeB"))->setText(QStringLiteral("关闭录音音量显示(&V)"));
        if (QAction* a = mnu(QStringLiteral("PopShowVolumeB")))
            a->setText(QStringLiteral("关闭录音音量显示"));
    } else {
        Timer[4]->stop();
        mnu(QStringLiteral("mnuShowVolumeB"))->setText(QStringLiteral("打开录音音量显示(&V)"));
        if (QAction* a = mnu(QStringLiteral("PopShowVolumeB")))
            a->setText(QStringLiteral("打开录音音量显示"));
    }
    const bool visual = s.ShowVisual == 1;
    Picture5->setVisible(visual);
    if (visual)
        Timer[4]->start();
    mnu(QStringLiteral("mnuShowVisualS"))->setText(visual ? QStringLiteral("关闭可视化效果(&E)")
                                                          : QStringLiteral("打开可视化效果(&E)"));
    for (const char* n : {"PopShowVisualS", "PopShowVisualS2"})
        if (QAction* a = mnu(QString::fromLatin1(n)))
            a->setText(visual ? QStringLiteral("关闭可视化效果") : QStringLiteral("打开可视化效果"));

    if (List1->count() < 1) {
        mnuAdd_Click();
        return;
    }
    const int state = MediaPlayer1->playState();
    if (state == rt::MediaControl::Stopped || state == rt::MediaControl::Closed) {
        CurrentIndex = List1->currentRow();
        if (!LoadTrack())
            return;
        QCoreApplication::processEvents();
        if (settings().AutoPlay == 1)
            MediaPlayer1->play();
    }
}

void FrmMain::ReloadAfterError()
{
    for (int i : {1, 2, 9, 3, 4})
        Timer[i]->stop();
    reloadWindow();
}

void FrmMain::connectTransportHandlers()
{
}

} // namespace melodune
