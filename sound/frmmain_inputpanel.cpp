// The recording input panel "录音控制" (device, line, recording volume) and
// the switch of the level-meter panels.
#include "core/frmmain.h"

#include "core/settings.h"
#include "platform/ui.h"
#include "sound/log.h"
#include "sound/waveinrecorder.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace melodune {

namespace {

// Right-button releases on the meter strip.
class MeterStripFilter : public QObject {
public:
    MeterStripFilter(FrmMain* w, QObject* parent) : QObject(parent), w_(w) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::MouseButtonRelease)
            return false;
        const Qt::MouseButton b = static_cast<QMouseEvent*>(e)->button();
        w_->Picture3_MouseUp(b);
        return b == Qt::RightButton;
    }

private:
    FrmMain* w_;
};

void focusSkin(QWidget* picShape)
{
    if (picShape)
        picShape->setFocus();
}

} // namespace

void FrmMain::cboDev_Click()
{
    const int row = cboDev->currentIndex();
    if (row < 0 || !clsRecorder)
        return;
    {
        const QSignalBlocker block(cboRecLine);
        cboRecLine->clear();
    }
    showWholeNames(cboDev);
    if (!clsRecorder->SelectDevice(row)) {
        showWholeNames(cboRecLine);
        rt::ui().msgBox(QStringLiteral("所选录音设备错误！"), rt::Exclamation, rt::appTitle());
        return;
    }
    // The meter and the takes record from the chosen device, from the next
    // capture buffer on.
    if (DSCapture)
        DSCapture->setDevice(clsRecorder->SelectedDeviceId());
    FillMixerLineCombo();
    focusSkin(PicShape);
}

void FrmMain::FillMixerLineCombo()
{
    {
        const QSignalBlocker block(cboRecLine);
        cboRecLine->clear();
        const std::int32_t n = clsRecorder ? clsRecorder->MixerLineCount() : 0;
        for (std::int32_t i = 0; i < n; ++i)
            cboRecLine->addItem(clsRecorder->MixerLineName(i));
        const std::int32_t line = n > 0 ? clsRecorder->SelectedMixerLine() : -1;
        cboRecLine->setCurrentIndex(line >= 0 && line < n ? int(line) : -1);
    }
    showWholeNames(cboRecLine);
    if (cboRecLine->currentIndex() >= 0)
        cboRecLine_Click();
}

void FrmMain::cboRecLine_Click()
{
    const int row = cboRecLine->currentIndex();
    if (row < 0 || !clsRecorder)
        return;
    showWholeNames(cboRecLine);
    if (!clsRecorder->SelectMixerLine(row))
        rt::ui().msgBox(QStringLiteral("不能选择此来源！"), rt::Exclamation, rt::appTitle());
    // Shown, not written back: writing would flatten the source's balance
    // and cut a volume above 100 %. Only the user's moves write.
    const std::int32_t v = clsRecorder->MixerLineVolume();
    if (v >= 0) {
        const QSignalBlocker block(sldVol);
        sldVol->setValue(int(v));
        lblVolPer->setText(volumePercentCaption(sldVol->value(), sldVol->maximum()));
    }
    focusSkin(PicShape);
}

void FrmMain::showWholeNames(QComboBox* box)
{
    box->setToolTip(box->currentText());
    QAbstractItemView* list = box->view();
    int widest = 0;
    for (int i = 0; i < box->count(); ++i)
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(box->itemText(i)));
    // Room for the item's margins and a scroll bar.
    list->setMinimumWidth(std::max(box->width(), widest + 32));
}

void FrmMain::watchInputDevices()
{
    if (!clsRecorder)
        return;
    connect(clsRecorder.get(), &WaveInRecorder::devicesChanged, inputPanelRefresh_, qOverload<>(&QTimer::start));
    clsRecorder->watchDevices();
}

void FrmMain::refreshInputPanel()
{
    if (!clsRecorder || unloading_)
        return;
    // A take keeps its input to its end (one that is unplugged ends it and
    // says so); the panel follows after it.
    if (Rec.Recording || Rec.savingRecording) {
        inputPanelRefreshPending_ = true;
        return;
    }
    const bool told = std::exchange(Rec.takeToldInputLoss, false);
    const QByteArray chosen = clsRecorder->SelectedDeviceId();
    const std::int32_t n = clsRecorder->DeviceCount();
    if (!clsRecorder->DeviceListRead())
        return; // no answer: the watch tells once there is one
    QList<QByteArray> now;
    for (std::int32_t i = 0; i < n; ++i)
        now << clsRecorder->DeviceId(i);
    QList<QByteArray> shown;
    for (int row = 0; row < cboDev->count(); ++row)
        shown << cboDev->itemData(row).toByteArray();
    const bool chosenThere = !chosen.isEmpty() && now.contains(chosen);
    if (now == shown && (n == 0 || (chosenThere && cboRecLine->count() > 0)))
        return;
    // The chosen input went away: the server records from its default one
    // now, and so do the meter and the next take.
    const bool lost = !chosen.isEmpty() && !chosenThere;
    if (lost)
        qCWarning(lcSound) << "recording input gone, the default input is used:" << chosen;
    FillDeviceCombo(lost ? QByteArray() : chosen);
    if (lost && !told)
        rt::ui().msgBox(QStringLiteral("所选录音设备错误！"), rt::Exclamation, rt::appTitle());
}

void FrmMain::sldVol_Scroll()
{
    if (clsRecorder)
        clsRecorder->MixerLineVolume(std::int32_t(sldVol->value()));
    lblVolPer->setText(volumePercentCaption(sldVol->value(), sldVol->maximum()));
}

void FrmMain::sldVol_MouseUp()
{
    focusSkin(PicShape);
}

void FrmMain::mnuShowVolumeB_Click()
{
    SettingsRecord& s = settings();
    if (s.ShowRecVolume == 1) {
        s.ShowRecVolume = 0;
        // Closed at once; the tick stops itself when nothing is left to do.
        Anim.Meter.left[0] = MeterPositions::LeftBarRest;
        Anim.Meter.left[1] = MeterPositions::RightBarRest;
        placeMeter();
        mnuShowVolumeB->setText(QStringLiteral("打开录音音量显示(&M)"));
        PopShowVolumeB->setText(QStringLiteral("打开录音音量显示"));
    } else {
        s.ShowRecVolume = 1;
        Timer[4]->start(); // slides the panels open
        mnuShowVolumeB->setText(QStringLiteral("关闭录音音量显示(&M)"));
        PopShowVolumeB->setText(QStringLiteral("关闭录音音量显示"));
    }
}

void FrmMain::Popmnu3_Click()
{
    PopShowVolumeB->setText(settings().ShowRecVolume != 0 ? QStringLiteral("关闭录音音量显示")
                                                          : QStringLiteral("打开录音音量显示"));
}

void FrmMain::Picture3_MouseUp(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        Popmnu3->popup(QCursor::pos());
}

void FrmMain::connectInputPanelHandlers()
{
    connect(Popmnu3, &QMenu::aboutToShow, this, &FrmMain::Popmnu3_Click);
    onMenuItem(mnuShowVolumeB, &FrmMain::mnuShowVolumeB_Click);
    onMenuItem(PopShowVolumeB, &FrmMain::mnuShowVolumeB_Click);
    onMenuItem(PopSNDVOL, &FrmMain::mnuSNDVOL_Click);

    // Rows chosen by the user; the fills block these signals and call the
    // handlers themselves, and an emptied list (-1) is no choice.
    connect(cboDev, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (row >= 0)
            cboDev_Click();
    });
    connect(cboRecLine, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (row >= 0)
            cboRecLine_Click();
    });
    inputPanelRefresh_ = new QTimer(this);
    inputPanelRefresh_->setSingleShot(true);
    inputPanelRefresh_->setInterval(250); // a burst of notices, one look
    connect(inputPanelRefresh_, &QTimer::timeout, this, &FrmMain::refreshInputPanel);
    connect(sldVol, &QSlider::valueChanged, this, &FrmMain::sldVol_Scroll);
    // A click on the groove (or Page Up/Down) moves to the next whole tenth.
    connect(sldVol, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd || action == QAbstractSlider::SliderPageStepSub)
            sldVol->setSliderPosition(
                volumePageStop(sldVol->value(), action == QAbstractSlider::SliderPageStepAdd, sldVol->maximum()));
    });
    connect(sldVol, &QSlider::sliderReleased, this, &FrmMain::sldVol_MouseUp);

    Picture3->installEventFilter(new MeterStripFilter(this, this));
}

} // namespace melodune
