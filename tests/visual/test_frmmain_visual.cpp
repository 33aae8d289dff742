// The animation tick and the visual menus of the main window, with a fake
// input, a fake media control, a fixed clock and scripted boxes.
#include "controls/xpbutton.h"
#include "core/appenv.h"
#include "tests/support/mainwindow.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

const QString kFailed = QStringLiteral("录音失败！(电脑缓存不足或录音超时。请尝试重新设置最大录音缓存时间。)");

// `frames` stereo 16-bit frames of (left, right).
QByteArray stereo(int frames, std::int16_t left, std::int16_t right)
{
    QByteArray b;
    b.reserve(frames * 4);
    for (int i = 0; i < frames; ++i)
        for (std::int16_t v : {left, right}) {
            b.append(char(v & 0xFF));
            b.append(char((v >> 8) & 0xFF));
        }
    return b;
}

class VisualWindow : public testsupport::MainWindowTest<> {
protected:
    rt::FakeMediaControl* media = nullptr;
    rt::FakeCaptureSource* input = nullptr;

    VisualWindow() : MainWindowTest({.makeDataFolder = false}) {}
    void SetUp() override
    {
        shared().SineTable = buildSineTable();
        settings().ShowMixerOnRecord = false;
        settings().ShowRecVolume = 1;
        settings().ShowVisual = 0;
        w = std::make_unique<FrmMain>(services);
        media = fake();
        auto src = std::make_unique<rt::FakeCaptureSource>();
        src->mask = 0x800; // 44100 Hz 16-bit stereo
        input = src.get();
        w->DSCapture = std::make_unique<rt::DSCapture>(std::move(src));
        w->DSound = rt::DirectSoundCreate();
        media->setMedia(QStringLiteral("track.mp3"), rt::FakeMedia{.duration = 200.0});
        media->setFileName(QStringLiteral("track.mp3"));
    }

    // One tick with `bytes` arriving from the input after the previous one.
    void tickWith(const QByteArray& bytes)
    {
        input->feed(bytes);
        w->Timer4_Timer();
    }
    QStringList checkedItems() const
    {
        QStringList out;
        for (const auto* items : {&w->mnuSelVisual, &w->PopSelVisual})
            for (QAction* a : *items)
                if (a->isChecked())
                    out << a->objectName();
        return out;
    }
};

} // namespace

TEST_F(VisualWindow, GuardsFreezeTheTickAndMakeNoBuffer)
{
    const std::function<void(bool)> guards[] = {
        [](bool on) { shared().Busy = on; },
        [](bool on) { settings().LrcViewMode = on ? 101 : 0; },
        [this](bool on) { w->setWindowState(on ? Qt::WindowMinimized : Qt::WindowNoState); },
        [this](bool on) {
            media->setMedia(QStringLiteral("clip.mp4"), rt::FakeMedia{.width = 640, .height = 360});
            media->setFileName(on ? QStringLiteral("clip.mp4") : QStringLiteral("track.mp3"));
            media->setDisplaySize(on ? rt::MediaControl::DisplayFullScreen : rt::MediaControl::DisplayDefault);
        },
    };
    int n = 0;
    for (const auto& guard : guards) {
        SCOPED_TRACE(n++);
        guard(true);
        w->Timer4_Timer();
        EXPECT_FALSE(w->DSCaptureBuffer);
        EXPECT_EQ(input->starts, 0);
        EXPECT_EQ(w->Anim.AnimationTicks, 0u);
        guard(false);
    }
    // Without a guard the tick sizes the meter capture and starts it.
    w->Timer4_Timer();
    ASSERT_TRUE(w->DSCaptureBuffer);
    EXPECT_EQ(input->starts, 1);
    EXPECT_EQ(w->Capture.RecordSeconds, 0.5);
    EXPECT_EQ(w->Capture.CaptureDesc.bufferBytes, 617400);
}

TEST_F(VisualWindow, MeterFollowsTheNewestBlock)
{
    w->Timer4_Timer(); // starts the meter capture
    // Under 1440 samples since the last tick: nothing is read or drawn.
    tickWith(stereo(700, 16384, 16384));
    EXPECT_EQ(w->Anim.AnimationTicksRead, 0u);
    EXPECT_EQ(w->Anim.Meter.left[0], -45);

    // A loud left channel and a quiet right one.
    tickWith(stereo(2205, 16384, 3072));
    EXPECT_EQ(w->Anim.AnimationTicksRead, 1u);
    EXPECT_EQ(w->Anim.MeterLeft, 764);
    EXPECT_EQ(w->Anim.MeterRight, 30);
    EXPECT_EQ(w->Anim.Meter.left, (std::array<int, 4>{-809, 2175, 1321, 2175}));
    EXPECT_EQ(w->Picture3->partX(0), -53);
    EXPECT_EQ(w->Picture3->partX(1), 145);
    EXPECT_EQ(w->Picture3->partX(2), 88);
    // Each tick restarts a fresh buffer that the next one stops.
    EXPECT_TRUE(w->DSCaptureBuffer->GetStatus() & rt::CaptureStatusCapturing);

    // Silence: the bars fall back at once, the marker drifts 15 twips a tick.
    tickWith(stereo(2205, 0, 0));
    EXPECT_EQ(w->Anim.Meter.left[0], -45);
    EXPECT_EQ(w->Anim.Meter.left[2], 1336);

    // The stop command empties Samples; the tick reads its own block.
    w->Capture.Samples.clear();
    w->Capture.Samples.shrink_to_fit();
    tickWith(stereo(2205, -32768, 32767));
    EXPECT_EQ(w->Anim.MeterLeft, 2160);
    EXPECT_EQ(w->Anim.MeterRight, 2160);
}

TEST_F(VisualWindow, TickSwitchesItselfOffOnceTheMarkersRest)
{
    settings().ShowRecVolume = 0;
    w->Anim.Meter.left[3] = 2160;
    w->Timer[4]->start();
    w->Timer4_Timer();
    w->Timer4_Timer();
    EXPECT_TRUE(w->Timer[4]->isActive());
    w->Timer4_Timer();
    EXPECT_FALSE(w->Timer[4]->isActive());
    EXPECT_EQ(w->Anim.Meter.left[3], 2115);
}

TEST_F(VisualWindow, RecordingBufferMissingOrFullRunsTheStopCommand)
{
    // No buffer while recording.
    w->Rec.Recording = true;
    w->Timer4_Timer();
    EXPECT_FALSE(w->Rec.Recording);
    EXPECT_TRUE(ui.messages().contains(kFailed));

    // A recording buffer that has run full.
    ui.calls.clear();
    rt::CaptureBufferDesc desc;
    desc.format = rt::pcmFormat(44100, 2, 16);
    desc.bufferBytes = 4000;
    w->DSCaptureBuffer = w->DSCapture->CreateCaptureBuffer(desc);
    ASSERT_TRUE(w->DSCaptureBuffer->Start(0));
    input->feed(stereo(2000, 1, 1));
    ASSERT_FALSE(w->DSCaptureBuffer->GetStatus() & rt::CaptureStatusCapturing);
    w->Rec.Recording = true;
    w->Timer4_Timer();
    EXPECT_FALSE(w->Rec.Recording);
    EXPECT_TRUE(ui.messages().contains(kFailed));
}

TEST_F(VisualWindow, RecordingBufferIsReadNotRestarted)
{
    rt::CaptureBufferDesc desc;
    desc.format = rt::pcmFormat(44100, 2, 16);
    desc.bufferBytes = 176400 * 10;
    w->DSCaptureBuffer = w->DSCapture->CreateCaptureBuffer(desc);
    rt::DSCaptureBuffer* take = w->DSCaptureBuffer.get();
    ASSERT_TRUE(take->Start(0));
    w->Rec.Recording = true;
    tickWith(stereo(4410, 16384, 16384));
    tickWith(stereo(4410, 0, 16384));
    EXPECT_EQ(w->DSCaptureBuffer.get(), take);
    EXPECT_TRUE(take->GetStatus() & rt::CaptureStatusCapturing);
    EXPECT_EQ(w->Anim.AnimationTicksRead, 2u);
    EXPECT_EQ(w->Anim.Meter.left[0], -45);
    EXPECT_EQ(w->Anim.Meter.left[1], 2909);
    w->Rec.Recording = false;
}

TEST_F(VisualWindow, SizingFailureFromTheTickIsQuietAndRetried)
{
    input->capsFail = true;
    w->Timer4_Timer();
    EXPECT_FALSE(w->DSCaptureBuffer);
    input->capsFail = false;
    input->mask = 0; // no format at all: no message, no exit
    w->Timer4_Timer();
    EXPECT_FALSE(w->DSCaptureBuffer);
    EXPECT_TRUE(ui.calls.empty());
    input->mask = 0x800;
    w->Timer4_Timer();
    EXPECT_TRUE(w->DSCaptureBuffer);
}

TEST_F(VisualWindow, EffectsDrawOnThePanel)
{
    settings().ShowVisual = 1;
    settings().VisualRandom = 0;
    settings().VisualType = 1;
    w->Timer4_Timer();
    tickWith(stereo(2205, 0, 0));
    const QImage& f = w->Picture5->frame();
    ASSERT_EQ(f.size(), QSize(288, 216));
    EXPECT_EQ(f.pixel(100, 53) & 0xFFFFFF, 0x404040u);
    EXPECT_EQ(f.pixel(100, 161) & 0xFFFFFF, 0x404040u);

    // Effects 4..9 through the visualiser: a new transition and style at once.
    w->mnuSelVisual_Click(7);
    tickWith(stereo(2205, 8000, -8000));
    ASSERT_TRUE(w->Visual);
    EXPECT_EQ(w->Visual->DrawStyle, 3);
    EXPECT_EQ(w->Anim.Effects.VisualFrame, 1);
    EXPECT_EQ(w->Picture5->frame().size(), QSize(288, 216));

    // A video picture stops the counters.
    media->setMedia(QStringLiteral("clip.mp4"), rt::FakeMedia{.width = 640, .height = 360});
    media->setFileName(QStringLiteral("clip.mp4"));
    tickWith(stereo(2205, 0, 0));
    EXPECT_EQ(w->Anim.Effects.VisualFrame, 1);

    // An out-of-range effect becomes 1 and draws nothing this tick.
    media->setFileName(QStringLiteral("track.mp3"));
    settings().VisualType = 10;
    tickWith(stereo(2205, 0, 0));
    EXPECT_EQ(settings().VisualType, 1);
}

TEST_F(VisualWindow, MenuStates)
{
    SettingsRecord& s = settings();
    // Random while VisualType is 0: both become 1, item 0 checked in both menus.
    s.VisualType = 0;
    s.VisualRandom = 0;
    w->mnuSelVisual[0]->trigger();
    EXPECT_EQ(s.VisualType, 1);
    EXPECT_EQ(s.VisualRandom, 1);
    EXPECT_EQ(checkedItems(), (QStringList{"mnuSelVisual0", "PopSelVisual0"}));

    // A fixed effect from the pop-up ends random mode and restarts the counters.
    w->Anim.Effects.VisualFrame = 40;
    w->Anim.Effects.EffectTicks = 70;
    w->PopSelVisual[5]->trigger();
    EXPECT_EQ(s.VisualType, 5);
    EXPECT_EQ(s.VisualRandom, 0);
    EXPECT_EQ(checkedItems(), (QStringList{"mnuSelVisual5", "PopSelVisual5"}));
    EXPECT_EQ(w->Anim.Effects.VisualFrame, 0);
    EXPECT_EQ(w->Anim.Effects.EffectTicks, 0);

    // The effect submenus enable with the visualisation; the View menu also
    // sets the picture items, the view mode check and the meter caption.
    s.ShowVisual = 0;
    s.ShowRecVolume = 0;
    s.LrcViewMode = 1;
    w->mnuView_Click();
    EXPECT_FALSE(w->mnuSelVisualN->menuAction()->isEnabled());
    EXPECT_FALSE(w->PopSelVisualN->menuAction()->isEnabled());
    EXPECT_FALSE(w->mnuFull->isEnabled());
    EXPECT_TRUE(w->mnuShowPic->isEnabled());
    EXPECT_TRUE(w->mnuLrcVS1->isChecked());
    EXPECT_EQ(w->mnuShowVolumeB->text(), QStringLiteral("打开录音音量显示(&M)"));

    // Switching on in view 1 moves the lyrics to view 2 first.
    w->PopShowVisualS2->trigger();
    EXPECT_EQ(s.ShowVisual, 1);
    EXPECT_EQ(s.LrcViewMode, 2);
    EXPECT_TRUE(w->Timer[4]->isActive());
    EXPECT_FALSE(w->Picture5->isHidden());
    for (QAction* a : {w->PopShowVisualS, w->PopShowVisualS2})
        EXPECT_EQ(a->text(), QStringLiteral("关闭可视化效果"));
    EXPECT_EQ(w->mnuShowVisualS->text(), QStringLiteral("关闭可视化效果(&E)"));
    w->Popmnu6_Click();
    EXPECT_TRUE(w->PopSelVisualN->menuAction()->isEnabled());

    // The button does nothing while a video plays.
    media->setMedia(QStringLiteral("clip.mp4"), rt::FakeMedia{.width = 640, .height = 360});
    media->setFileName(QStringLiteral("clip.mp4"));
    w->XPButton23_Click();
    EXPECT_EQ(s.ShowVisual, 1);
    w->mnuView_Click();
    EXPECT_TRUE(w->mnuFull->isEnabled());
    EXPECT_FALSE(w->mnuOpenPic->isEnabled());
    media->setFileName(QStringLiteral("track.mp3"));
    w->XPButton23_Click();
    EXPECT_EQ(s.ShowVisual, 0);
    EXPECT_TRUE(w->Picture5->isHidden());
    EXPECT_EQ(w->mnuShowVisualS->text(), QStringLiteral("打开可视化效果(&E)"));

    // Both effect submenus: separators after items 0 and 3.
    for (QMenu* sub : {w->mnuSelVisualN, w->PopSelVisualN}) {
        QStringList shape;
        for (QAction* a : sub->actions())
            shape << (a->isSeparator() ? QStringLiteral("-") : a->objectName().right(1));
        EXPECT_EQ(shape.join(QString()), QStringLiteral("0-123-456789")) << sub->objectName().toStdString();
    }
}

TEST_F(VisualWindow, MarqueeViewPaintsThePanel)
{
    settings().LrcViewMode = 1;
    w->paintLyricViews();
    ASSERT_TRUE(w->Visual);
    EXPECT_EQ(w->Picture1->frame().size(), QSize(334, 240));
    EXPECT_EQ(w->LrcView.LrcPrevLine, QStringLiteral(" Melodune "));
    EXPECT_EQ(w->LrcView.LrcNextLine, QStringLiteral("Melodune 1.0.0"));
    EXPECT_EQ(w->LrcView.LrcMarqueeX, 9);
    EXPECT_EQ(w->LrcView.LrcPaintCounter, 1);
    // View 2 drops the marquee's frame.
    settings().LrcViewMode = 2;
    w->paintLyricViews();
    EXPECT_FALSE(w->Picture1->hasFrame());
}
