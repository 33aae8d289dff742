// The recording engine over a mixer held in memory: the device list, the
// lines of a device, the recording volume and the recorder's refusals.
#include "platform/mixer.h"
#include "sound/waveinrecorder.h"

#include <gtest/gtest.h>
#include <cmath>

using melodune::WaveInRecorder;
using rt::FakeMixer;

namespace {

constexpr std::uint32_t Norm = rt::MixerVolumeNorm;

FakeMixer::Source source(const char* name, const char* description)
{
    FakeMixer::Source s;
    s.name = name;
    s.description = QString::fromUtf8(description);
    return s;
}

// A desktop with a monitor first, a two-port card and a portless input; the
// card is the default input.
FakeMixer desktop()
{
    FakeMixer m;
    FakeMixer::Source monitor = source("out.monitor", "Monitor of Built-in Audio");
    monitor.monitor = true;
    FakeMixer::Source usb = source("usb_mic", "USB Microphone with an unusually long product description");
    usb.volume = {30000};
    FakeMixer::Source card = source("card_in", "Built-in Audio Analog Stereo");
    card.ports = {{"analog-input-mic", QStringLiteral("Microphone"), 5},
                  {"analog-input-linein", QStringLiteral("Line In"), 4}};
    card.activePort = 1;
    m.list = {monitor, usb, card};
    m.defaultSource = "card_in";
    return m;
}

struct Engine {
    FakeMixer* mixer;
    WaveInRecorder rec;
    explicit Engine(FakeMixer m)
        : mixer(new FakeMixer(std::move(m))), rec(std::unique_ptr<rt::Mixer>(mixer))
    {
    }
};

} // namespace

TEST(MixerVolume, EveryRawValueComesBackExactly)
{
    std::uint32_t previous = 0;
    for (std::int32_t raw = 0; raw <= 65535; ++raw) {
        const std::uint32_t v = rt::serverVolumeFromRaw(raw);
        ASSERT_EQ(rt::rawFromServerVolume(v), raw) << raw;
        if (raw > 0) {
            ASSERT_GT(v, previous) << raw;
        }
        previous = v;
    }
    // Linear, 65535 at the server's 100 %: half the slider is half the
    // volume, not the 79 % of a cubic map.
    EXPECT_EQ(rt::serverVolumeFromRaw(0), 0u);
    EXPECT_EQ(rt::serverVolumeFromRaw(65535), Norm);
    EXPECT_NEAR(double(rt::serverVolumeFromRaw(32768)) / Norm, 0.5, 0.0001);
    // Above 100 % reads as the top of the scale; out-of-range raw values clamp.
    EXPECT_EQ(rt::rawFromServerVolume(Norm * 3 / 2), 65535);
    EXPECT_EQ(rt::rawFromServerVolume(0x7fffffffu), 65535);
    EXPECT_EQ(rt::serverVolumeFromRaw(-5), 0u);
    EXPECT_EQ(rt::serverVolumeFromRaw(70000), Norm);
}

TEST(WaveInRecorder, ListsInputsDefaultFirstWithWholeNames)
{
    Engine e(desktop());
    ASSERT_EQ(e.rec.DeviceCount(), 2) << "the monitor is no input";
    EXPECT_EQ(e.rec.DeviceName(0), QStringLiteral("Built-in Audio Analog Stereo"));
    EXPECT_EQ(e.rec.DeviceName(1), QStringLiteral("USB Microphone with an unusually long product description"));
    EXPECT_TRUE(e.rec.DeviceName(2).isEmpty());
    EXPECT_TRUE(e.rec.DeviceName(-1).isEmpty());

    // No default input: the server's order.
    e.mixer->defaultSource.clear();
    ASSERT_EQ(e.rec.DeviceCount(), 2);
    EXPECT_EQ(e.rec.DeviceName(0), QStringLiteral("USB Microphone with an unusually long product description"));

    e.mixer->down = true;
    EXPECT_EQ(e.rec.DeviceCount(), 0);
    EXPECT_TRUE(e.rec.DeviceName(0).isEmpty());
}

TEST(WaveInRecorder, SelectsByTheListedNameAndRefusesOutsideTheList)
{
    Engine e(desktop());
    ASSERT_EQ(e.rec.DeviceCount(), 2);
    EXPECT_EQ(e.rec.SelectedDevice(), -1);
    ASSERT_TRUE(e.rec.SelectDevice(1));
    EXPECT_EQ(e.rec.SelectedDeviceId(), QByteArray("usb_mic"));
    for (int bad : {-1, 2}) {
        EXPECT_FALSE(e.rec.SelectDevice(bad)) << bad;
        EXPECT_EQ(e.rec.SelectedDevice(), 1) << "the selection stays";
    }

    // A device plugged in after the list was read shifts the server's
    // indices, not the list's: row 0 is still the card.
    e.mixer->list.insert(e.mixer->list.begin(), source("new_cam", "Webcam"));
    ASSERT_TRUE(e.rec.SelectDevice(0));
    EXPECT_EQ(e.rec.SelectedDeviceId(), QByteArray("card_in"));

    // Unplugged, or the server has nothing to say about it: no mixer.
    e.mixer->list.erase(e.mixer->list.begin() + 2); // usb_mic
    EXPECT_FALSE(e.rec.SelectDevice(1));
    EXPECT_EQ(e.rec.SelectedDevice(), -1);
    EXPECT_TRUE(e.rec.SelectedDeviceId().isEmpty());
    e.mixer->find("card_in")->answers = false;
    EXPECT_FALSE(e.rec.SelectDevice(0));
}

TEST(WaveInRecorder, WithoutADeviceThereAreNoLines)
{
    Engine e(desktop());
    ASSERT_EQ(e.rec.DeviceCount(), 2);
    EXPECT_EQ(e.rec.MixerLineCount(), 0);
    EXPECT_TRUE(e.rec.MixerLineName(0).isEmpty());
    EXPECT_FALSE(e.rec.SelectMixerLine(0));
    EXPECT_EQ(e.rec.SelectedMixerLine(), -1);
    EXPECT_EQ(e.rec.MixerLineType(-1), 0);
    EXPECT_EQ(e.rec.MixerLineVolume(), -1);
    EXPECT_FALSE(e.rec.MixerLineVolume(1000));
    EXPECT_EQ(e.mixer->volumeWrites, 0);
}

TEST(WaveInRecorder, LinesArePortsInServerOrder)
{
    Engine e(desktop());
    ASSERT_EQ(e.rec.DeviceCount(), 2);
    ASSERT_TRUE(e.rec.SelectDevice(0));
    ASSERT_EQ(e.rec.MixerLineCount(), 2);
    EXPECT_EQ(e.rec.MixerLineName(0), QStringLiteral("Microphone"));
    EXPECT_EQ(e.rec.MixerLineName(1), QStringLiteral("Line In"));
    EXPECT_TRUE(e.rec.MixerLineName(2).isEmpty());
    EXPECT_EQ(e.rec.SelectedMixerLine(), 1) << "the active port";
    EXPECT_EQ(e.rec.MixerLineType(0), 5);
    EXPECT_EQ(e.rec.MixerLineType(-1), 4);

    EXPECT_TRUE(e.rec.SelectMixerLine(0));
    EXPECT_EQ(e.mixer->find("card_in")->activePort, 0);
    EXPECT_EQ(e.rec.SelectedMixerLine(), 0);
    for (int bad : {-1, 2})
        EXPECT_FALSE(e.rec.SelectMixerLine(bad)) << bad;
    EXPECT_EQ(e.mixer->portWrites, 1);

    e.mixer->find("card_in")->portFails = true;
    EXPECT_FALSE(e.rec.SelectMixerLine(1));
    e.mixer->find("card_in")->activePort = -1;
    EXPECT_EQ(e.rec.SelectedMixerLine(), -1) << "no active port";
    e.mixer->find("card_in")->answers = false;
    EXPECT_EQ(e.rec.SelectedMixerLine(), -1) << "unreadable";
    EXPECT_EQ(e.rec.MixerLineCount(), 0);
}

TEST(WaveInRecorder, ASourceWithoutPortsHasOneLineAlwaysSelected)
{
    Engine e(desktop());
    ASSERT_EQ(e.rec.DeviceCount(), 2);
    ASSERT_TRUE(e.rec.SelectDevice(1));
    ASSERT_EQ(e.rec.MixerLineCount(), 1);
    EXPECT_EQ(e.rec.MixerLineName(0), QStringLiteral("USB Microphone with an unusually long product description"));
    EXPECT_EQ(e.rec.SelectedMixerLine(), 0);
    EXPECT_EQ(e.rec.MixerLineType(0), 0);
    EXPECT_TRUE(e.rec.SelectMixerLine(0));
    EXPECT_FALSE(e.rec.SelectMixerLine(1));
    EXPECT_EQ(e.mixer->portWrites, 0);
    e.mixer->list.erase(e.mixer->list.begin() + 1);
    EXPECT_FALSE(e.rec.SelectMixerLine(0)) << "the source is gone";
}

TEST(WaveInRecorder, VolumeWritesEveryChannelOfAnyCountAndReadsChannelZero)
{
    for (std::size_t channels : {1u, 2u, 4u, 6u}) {
        FakeMixer m;
        FakeMixer::Source s = source("in", "Input");
        s.volume.assign(channels, Norm / 4);
        s.volume[0] = Norm / 2;
        m.list = {s};
        Engine e(std::move(m));
        ASSERT_EQ(e.rec.DeviceCount(), 1);
        ASSERT_TRUE(e.rec.SelectDevice(0));
        EXPECT_EQ(e.rec.MixerLineVolume(), 32768) << channels;
        for (std::int32_t raw : {0, 1, 32768, 65534, 65535}) {
            ASSERT_TRUE(e.rec.MixerLineVolume(raw)) << channels;
            EXPECT_EQ(e.rec.MixerLineVolume(), raw) << channels;
            for (std::uint32_t v : e.mixer->find("in")->volume)
                EXPECT_EQ(v, rt::serverVolumeFromRaw(raw)) << channels << " channels, raw " << raw;
        }
        // 150 % shows as the top; unreadable shows nothing.
        e.mixer->find("in")->volume.assign(channels, Norm * 3 / 2);
        EXPECT_EQ(e.rec.MixerLineVolume(), 65535);
        e.mixer->find("in")->answers = false;
        EXPECT_EQ(e.rec.MixerLineVolume(), -1);
        EXPECT_FALSE(e.rec.MixerLineVolume(100));
    }
}

TEST(WaveInRecorder, RefusesABadBufferSetup)
{
    Engine e(desktop());
    EXPECT_EQ(e.rec.BufferCount(), 5);
    EXPECT_EQ(e.rec.BufferSize(), 10240);
    struct Case {
        std::int32_t count, size, channels;
    };
    for (const Case& c : {Case{5, 10241, 2}, Case{5, 2, 2}, Case{5, 0, 1}, Case{0, 10240, 2}, Case{-1, 10240, 1},
                          Case{5, 10240, 0}}) {
        e.rec.BufferCount(c.count);
        e.rec.BufferSize(c.size);
        EXPECT_FALSE(e.rec.StartRecord(44100, c.channels)) << c.count << " " << c.size << " " << c.channels;
        EXPECT_FALSE(e.rec.IsRecording());
    }
    e.rec.BufferCount(5);
    e.rec.BufferSize(10240);
    EXPECT_FALSE(e.rec.StartRecord(0, 2));
    EXPECT_TRUE(e.rec.StopRecord()) << "stopping when idle is fine";
    e.mixer->down = true;
    EXPECT_FALSE(e.rec.StartRecord(44100, 2)) << "no server: no start, and no wait on Qt's device list";
}

TEST(VolumeCaption, WholePartOfThePercentage)
{
    EXPECT_EQ(melodune::volumePercentCaption(0, 65535), QStringLiteral("0%"));
    EXPECT_EQ(melodune::volumePercentCaption(32768, 65535), QStringLiteral("50%"));
    EXPECT_EQ(melodune::volumePercentCaption(655, 65535), QStringLiteral("0%"));
    EXPECT_EQ(melodune::volumePercentCaption(656, 65535), QStringLiteral("1%"));
    EXPECT_EQ(melodune::volumePercentCaption(65535, 65535), QStringLiteral("100%"));
}

// Every whole tenth has a stop: the least value whose caption shows it,
// which the server also reads as that percentage.
TEST(VolumeCaption, TheTenthsStopsShowTheirPercentageOnTheSliderAndTheServer)
{
    for (int p = 0; p <= 100; p += 10) {
        SCOPED_TRACE(p);
        const int stop = melodune::volumeStop(p, 65535);
        EXPECT_EQ(melodune::volumePercentCaption(stop, 65535), QString::number(p) + u'%');
        if (p > 0) {
            EXPECT_NE(melodune::volumePercentCaption(stop - 1, 65535), QString::number(p) + u'%');
        }
        EXPECT_EQ(std::lround(rt::serverVolumeFromRaw(stop) * 100.0 / Norm), p);
    }
    struct Step {
        int from;
        bool up;
        int percent;
    };
    for (const Step s : {Step{65535, false, 90}, Step{0, true, 10}, Step{40000, true, 70}, Step{40000, false, 60},
                         Step{melodune::volumeStop(60, 65535), false, 50}, Step{melodune::volumeStop(60, 65535), true, 70},
                         Step{melodune::volumeStop(90, 65535), true, 100}, Step{6000, false, 0}}) {
        SCOPED_TRACE(s.from);
        EXPECT_EQ(melodune::volumePageStop(s.from, s.up, 65535), melodune::volumeStop(s.percent, 65535));
    }
    EXPECT_EQ(melodune::volumePageStop(65535, true, 65535), 65535);
    EXPECT_EQ(melodune::volumePageStop(0, false, 65535), 0);
}
