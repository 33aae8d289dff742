// The animation tick of the main window (level meter, visual effects, the
// stretched window's jump) and the visual menus.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "core/settings.h"
#include "core/shared.h"
#include "platform/clock.h"
#include "platform/ui.h"
#include "platform/units.h"
#include "sound/captureformat.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace melodune {

namespace {

const char* const kEffectCaptions[10] = {"随机[默认]", "波形", "激光", "火焰", "水波",
                                         "双线", "数字", "变幻", "交叉", "Tavrel"};

bool showsPicture(const rt::MediaControl* mp)
{
    return mp->imageSourceWidth() != 0 || mp->imageSourceHeight() != 0;
}

// The effect items take check marks from their first update on.
void setChecked(QAction* a, bool on)
{
    a->setCheckable(true);
    a->setChecked(on);
}

} // namespace

// ---------------------------------------------------------------------------
// The tick

void FrmMain::Timer4_Timer()
{
    if (Anim.animationTickRunning)
        return; // one tick at a time: it lets others run
    if (animationFrozen())
        return;
    // A close, reload or stop command may run here; whatever it released
    // is looked up afresh below, and a window taken down ends the tick.
    Anim.animationTickRunning = true;
    {
        QPointer<FrmMain> self(this);
        QCoreApplication::processEvents();
        if (!self)
            return;
    }
    const auto running = qScopeGuard([this] { Anim.animationTickRunning = false; });
    if (unloading_ || animationFrozen())
        return;
    ++Anim.AnimationTicks;

    if (switchOffWhenMeterRests())
        return;
    hideUnwantedAnimation();
    const CaptureInput input = readCaptureState();
    if (input == CaptureInput::RecordingOver) {
        placeMeter();
        mnuStopRecPlay_Click();
        return;
    }
    if (input == CaptureInput::Fresh) {
        ++Anim.AnimationTicksRead;
        animateNewestInput();
    } else if (!DSCaptureBuffer || DSCaptureBuffer->inputLost()) {
        showSilence();
    }
    placeMeter();
    if (!Rec.Recording)
        restartMeterCapture();
}

bool FrmMain::animationFrozen()
{
    const SettingsRecord& s = settings();
    return s.LrcViewMode >= 100 || isMinimized() ||
           (showsPicture(MediaPlayer1) && MediaPlayer1->displaySize() == rt::MediaControl::DisplayFullScreen) ||
           shared().Busy;
}

bool FrmMain::switchOffWhenMeterRests()
{
    const SettingsRecord& s = settings();
    Anim.Meter.driftMarkers();
    if (s.ShowRecVolume != 0 || s.ShowVisual != 0 || !Anim.Meter.markersAtRest())
        return false;
    placeMeter();
    Timer[4]->stop();
    return true;
}

void FrmMain::hideUnwantedAnimation()
{
    const SettingsRecord& s = settings();
    if (s.ShowRecVolume == 0)
        Anim.Meter.resetBars();
    if (s.ShowVisual == 0 && Picture5->isVisible())
        Picture5->hide();
}

FrmMain::CaptureInput FrmMain::readCaptureState()
{
    if (!DSCaptureBuffer)
        return Rec.Recording ? CaptureInput::RecordingOver : CaptureInput::Stale;
    Anim.CaptureStatus = DSCaptureBuffer->GetStatus();
    if (!(Anim.CaptureStatus & rt::CaptureStatusCapturing))
        // While recording, the take's buffer has run full.
        return Rec.Recording ? CaptureInput::RecordingOver : CaptureInput::Stale;
    // The meter's buffer stops here; the next one starts at the end of the tick.
    if (!Rec.Recording)
        DSCaptureBuffer->Stop();
    Anim.SampleCount = DSCaptureBuffer->GetCurrentPosition().readPos / 2;
    return Anim.SampleCount >= kTickBlockSamples ? CaptureInput::Fresh : CaptureInput::Stale;
}

void FrmMain::showSilence()
{
    // No input (the server is gone, or the device): the meter falls as for
    // silence, and rises again once a capture delivers.
    Anim.PeakLeft = Anim.PeakRight = Anim.MeterLeft = Anim.MeterRight = 0;
    if (settings().ShowRecVolume == 1)
        Anim.Meter.showLevels(0, 0);
}

void FrmMain::animateNewestInput()
{
    const SettingsRecord& s = settings();
    // A failed read keeps the previous block.
    DSCaptureBuffer->ReadBuffer(Anim.SampleCount * 2 - kTickBlockSamples * 2, kTickBlockSamples * 2,
                                Anim.TickSamples.data(), 0);
    const MeterPeaks peaks = meterPeaks(Anim.TickSamples);
    Anim.PeakLeft = peaks.left;
    Anim.PeakRight = peaks.right;
    Anim.MeterLeft = meterLength(Anim.PeakLeft);
    Anim.MeterRight = meterLength(Anim.PeakRight);
    if (s.ShowRecVolume == 1)
        Anim.Meter.showLevels(Anim.MeterLeft, Anim.MeterRight);
    if (!showsPicture(MediaPlayer1) && s.ShowVisual == 1)
        drawVisualEffect();
    if (s.KeyState == 1)
        jumpWithTheInput();
}

void FrmMain::jumpWithTheInput()
{
    // Window systems that place windows themselves (Wayland) ignore the move.
    // The top is counted from the top of the window's own screen.
    if (!screen())
        return;
    const QRect g = screen()->geometry();
    const int top = keyModeTop(rt::pixelsToTwips(y() - g.top()), rt::pixelsToTwips(g.height()),
                               rt::pixelsToTwips(PicShape->height()), Anim.PeakLeft, Anim.PeakRight);
    if (g.top() + rt::twipsToPixels(top) != y())
        move(x(), g.top() + rt::twipsToPixels(top));
}

void FrmMain::placeMeter()
{
    for (int i = 0; i < MeterStrip::PartCount; ++i)
        Picture3->movePart(i, rt::twipsToPixels(Anim.Meter.left[static_cast<std::size_t>(i)]));
}

void FrmMain::restartMeterCapture()
{
    if (!DSCapture)
        return;
    if (Capture.RecordSeconds != 0.5) {
        // Sized quietly: a sound server that lost its input (or restarted)
        // leaves the tick without a buffer, and the next tick tries again.
        rt::CaptureCaps caps;
        rt::WaveFormatEx format;
        if (!DSCapture->GetCaps(caps) || !chooseCaptureFormat(caps.formats, &format)) {
            DSCaptureBuffer.reset();
            return;
        }
        Capture.RecordSeconds = 0.5;
        double seconds = 0.5;
        if (prepareCaptureFormat(Capture, caps.formats, std::max(1, settings().MaxRecordMinutes), seconds) !=
            PrepareResult::Ok) {
            Capture.RecordSeconds = 0;
            DSCaptureBuffer.reset();
            return;
        }
    }
    DSCaptureBuffer = DSCapture->CreateCaptureBuffer(Capture.CaptureDesc);
    if (DSCaptureBuffer)
        DSCaptureBuffer->Start(0);
}

void FrmMain::createVisual()
{
    if (Visual)
        return;
    Visual = std::make_unique<clsVisual>();
    Visual->setFont(font());
    Visual->setFooter(rt::appTitle() + QStringLiteral(" %1.%2.%3")
                                           .arg(services_.versionMajor)
                                           .arg(services_.versionMinor)
                                           .arg(services_.versionRevision));
}

void FrmMain::drawVisualEffect()
{
    SettingsRecord& s = settings();
    const int effect = chooseEffect(Anim.Effects, s.VisualType, s.VisualRandom, [] { return rt::clock().uniform01(); });
    if (effect == 0)
        return;
    if (effect <= 3) {
        QImage& frame = Picture5->frame(kEffectWidth, kEffectHeight);
        if (effect == 1)
            drawWaveform(frame, Anim.TickSamples, Anim.MeterLeft, Anim.MeterRight);
        else if (effect == 2)
            drawLaser(frame, Anim.TickSamples, Anim.MeterLeft, Anim.MeterRight);
        else
            drawFlame(frame, Anim.TickSamples, rt::clock().uniform01());
        Picture5->update();
        return;
    }
    createVisual();
    if (Anim.Effects.VisualFrame == 0) {
        Visual->BuildTrans(static_cast<std::int32_t>(rt::clock().uniform01() * Visual->TransCount()));
        Visual->DrawStyle = effect - 4;
    }
    if (++Anim.Effects.VisualFrame > 100)
        Anim.Effects.VisualFrame = 0;
    SharedState& sh = shared();
    fillVisualInput(Anim.TickSamples, sh.WaveData, sh.LevelData);
    Visual->Calc();
    Visual->PaintPicture(*Picture5);
}

// ---------------------------------------------------------------------------
// Menus

void FrmMain::UpdateVisualStyleMenus()
{
    SettingsRecord& s = settings();
    Anim.Effects.reset();
    for (int i = 0; i <= 9; ++i) {
        setChecked(mnuSelVisual[i], false);
        setChecked(PopSelVisual[i], false);
    }
    int item = 0;
    if (s.VisualRandom < 1) {
        s.VisualRandom = 0;
        if (s.VisualType < 1 || s.VisualType > 9)
            s.VisualType = 1;
        item = s.VisualType;
    }
    setChecked(mnuSelVisual[item], true);
    setChecked(PopSelVisual[item], true);
}

void FrmMain::mnuSelVisual_Click(int n)
{
    SettingsRecord& s = settings();
    if (n == 0) {
        if (s.VisualType < 1)
            s.VisualType = 1;
        s.VisualRandom = s.VisualType;
    } else if (n >= 1 && n <= 9) {
        s.VisualType = n;
        s.VisualRandom = 0;
    }
    UpdateVisualStyleMenus();
}

void FrmMain::showVisualisation(bool on)
{
    SettingsRecord& s = settings();
    s.ShowVisual = on ? 1 : 0;
    Picture5->setVisible(on);
    // Off, the tick stops itself once nothing is left to animate.
    if (on)
        Timer[4]->start();
    mnuShowVisualS->setText(on ? QStringLiteral("关闭可视化效果(&E)") : QStringLiteral("打开可视化效果(&E)"));
    for (QAction* a : {PopShowVisualS, PopShowVisualS2})
        a->setText(on ? QStringLiteral("关闭可视化效果") : QStringLiteral("打开可视化效果"));
}

void FrmMain::startAnimationTick() { Timer[4]->start(); }

void FrmMain::mnuShowVisualS_Click()
{
    const bool on = settings().ShowVisual != 1;
    // View 1 draws on the same visualiser.
    if (on && settings().LrcViewMode == 1)
        mnuLrcVS2_Click();
    showVisualisation(on);
}

void FrmMain::XPButton23_Click()
{
    if (!showsPicture(MediaPlayer1))
        mnuShowVisualS_Click();
}

void FrmMain::mnuShowPic_Click()
{
    QAction* item = mnuShowPic;
    item->setChecked(!item->isChecked());
    SettingsRecord& s = settings();
    if (item->isChecked()) {
        // The picture comes back in the ordinary mode.
        if (s.PictureMode == 0)
            s.PictureMode = 1;
        ShowCoverPicture(QString());
        Picture2->show();
    } else {
        s.PictureMode = 0;
        Image2->setPixmap(Image1->pixmap());
        Image2->setScaledContents(true);
        Image2->setGeometry(0, 0, rt::twipsToPixels(4320), rt::twipsToPixels(3240));
        Picture2->hide();
    }
}

void FrmMain::mnuView_Click()
{
    const SettingsRecord& s = settings();
    const bool picture = showsPicture(MediaPlayer1);
    mnuFull->setEnabled(picture);
    mnuShowPic->setEnabled(!picture);
    mnuOpenPic->setEnabled(!picture);
    Popmnu6_Click();
    checkLrcViewMenu();
    mnuShowVolumeB
        ->setText(s.ShowRecVolume != 0 ? QStringLiteral("关闭录音音量显示(&M)") : QStringLiteral("打开录音音量显示(&M)"));
}

void FrmMain::Popmnu6_Click()
{
    const bool on = settings().ShowVisual == 1;
    mnuSelVisualN->menuAction()->setEnabled(on);
    PopSelVisualN->menuAction()->setEnabled(on);
    UpdateVisualStyleMenus();
}

void FrmMain::connectVisualHandlers()
{
    connect(Timer[4], &QTimer::timeout, this, &FrmMain::Timer4_Timer);

    for (int i = 0; i <= 9; ++i) {
        connect(mnuSelVisual[i], &QAction::triggered, this, [this, i] { mnuSelVisual_Click(i); });
        connect(PopSelVisual[i], &QAction::triggered, this, [this, i] { mnuSelVisual_Click(i); });
    }
    for (QAction* a : {mnuShowVisualS, PopShowVisualS, PopShowVisualS2})
        onMenuItem(a, &FrmMain::mnuShowVisualS_Click);
    connect(mnuShowPic, &QAction::triggered, this, [this] {
        // The action has toggled itself; the handler toggles it as the design does.
        mnuShowPic->setChecked(!mnuShowPic->isChecked());
        mnuShowPic_Click();
    });
    connect(PopOpenPic, &QAction::triggered, this, [this] { mnuOpenPic->trigger(); });
    connect(mnuView, &QMenu::aboutToShow, this, &FrmMain::mnuView_Click);
    connect(Popmnu6, &QMenu::aboutToShow, this, &FrmMain::Popmnu6_Click);
    connect(XPButtons[23], &XPButton::Click, this, &FrmMain::XPButton23_Click);

    onMenuItem(PopSNDVOL6, &FrmMain::mnuSNDVOL_Click);
}

} // namespace melodune
