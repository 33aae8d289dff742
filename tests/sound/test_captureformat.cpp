#include "sound/captureformat.h"

#include "platform/ui.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

using melodune::CaptureSizing;
using melodune::PrepareResult;
using melodune::prepareCaptureFormat;

namespace {

// Titled like every recording box: the program's title, then " 录音提示".
QString warnTitle() { return rt::appTitle() + QStringLiteral(" 录音提示"); }
const QString LimitWarning10 = QStringLiteral(
    "录音开始时间距离曲目结束时间超过程序最大录音缓存时间设置：10分钟。\n"
    "如果电脑内存不足或录音时间超过10分钟，录音均可能无效！");
const QString NoLengthWarning10 = QStringLiteral(
    "程序的最大录音缓存时间设置为10分钟。\n"
    "如果电脑内存不足或录音时间超过10分钟，录音均可能无效！");

struct MaskCase {
    std::uint32_t mask;
    int rate, channels, bits;
};

TEST(CaptureFormat, FirstSupportedFormatInPreferenceOrder)
{
    const MaskCase cases[] = {
        {0xFFF, 44100, 2, 16},
        {0x800, 44100, 2, 16}, {0x200, 44100, 2, 8}, {0x080, 22050, 2, 16}, {0x020, 22050, 2, 8},
        {0x008, 11025, 2, 16}, {0x002, 11025, 2, 8}, {0x400, 44100, 1, 16}, {0x100, 44100, 1, 8},
        {0x040, 22050, 1, 16}, {0x010, 22050, 1, 8}, {0x004, 11025, 1, 16}, {0x001, 11025, 1, 8},
        {0x400 | 0x080, 22050, 2, 16}, // any stereo beats mono
        {0x200 | 0x400, 44100, 2, 8},  // stereo 8 bits beats mono 16 bits
        {0x001 | 0x010, 22050, 1, 8},
        {0x001 | 0x1000, 11025, 1, 8}, // unknown bits are ignored
    };
    for (const MaskCase& c : cases) {
        rt::WaveFormatEx f;
        ASSERT_TRUE(melodune::chooseCaptureFormat(c.mask, &f)) << std::hex << c.mask;
        EXPECT_EQ(f, melodune::MakeWaveFormat(c.rate, static_cast<std::int16_t>(c.channels),
                                              static_cast<std::int16_t>(c.bits)))
            << std::hex << c.mask;
    }
    rt::WaveFormatEx f;
    EXPECT_FALSE(melodune::chooseCaptureFormat(0, &f));
    EXPECT_FALSE(melodune::chooseCaptureFormat(0xF000, &f));
}

TEST(CaptureFormat, OrderBitsMatchThePlatformBits)
{
    for (const auto& c : melodune::CaptureFormatOrder)
        EXPECT_EQ(c.maskBit, rt::waveFormatBit(c.rate, c.channels, c.bits)) << c.rate << "/" << c.channels;
}

TEST(CaptureFormat, MakeWaveFormatFields)
{
    const rt::WaveFormatEx f = melodune::MakeWaveFormat(11025, 1, 8);
    EXPECT_EQ(f.formatTag, 1);
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.samplesPerSec, 11025);
    EXPECT_EQ(f.avgBytesPerSec, 11025);
    EXPECT_EQ(f.blockAlign, 1);
    EXPECT_EQ(f.bitsPerSample, 8);
    EXPECT_EQ(f.extraSize, 0);
    const rt::WaveFormatEx g = melodune::MakeWaveFormat(44100, 2, 16);
    EXPECT_EQ(g.avgBytesPerSec, 176400);
    EXPECT_EQ(g.blockAlign, 4);
}

class PrepareTest : public ::testing::Test {
protected:
    rt::ScriptedUi ui;
    rt::ScopedUi scoped{&ui};
    CaptureSizing st;
};

struct SizeCase {
    const char* name;
    double recordSecondsOnEntry;
    bool passRecordSeconds; // the caller passes RecordSeconds itself
    double seconds;
    std::uint32_t mask;
    double wantSeconds;
    std::int32_t wantBytes;
    QString wantMessage; // empty: none
};

TEST_F(PrepareTest, BufferSizesAndWarnings)
{
    const SizeCase cases[] = {
        {"half second meter", 1.0, true, 0.5, 0xFFF, 0.5, 617400, {}},
        {"start-up second", 0.5, true, 1.0, 0xFFF, 1.0, 705600, {}},
        {"90 s before the end", 0.5, true, 91.0, 0xFFF, 91.0, 94 * 176400, {}},
        {"11025 mono 8 only", 1.0, true, 1.0, 0x001, 1.0, 4 * 11025, {}},
        {"beyond the limit", 0.5, true, 700.0, 0xFFF, 600.0, 603 * 176400, LimitWarning10},
        {"exactly the limit", 0.5, true, 600.0, 0xFFF, 600.0, 603 * 176400, {}},
        {"own variable, long track", 900.0, false, 600.0, 0xFFF, 600.0, 603 * 176400, LimitWarning10},
        {"no duration", 0.5, true, 0.0, 0xFFF, 600.0, 603 * 176400, NoLengthWarning10},
        {"negative", 0.5, true, -4.0, 0xFFF, 600.0, 603 * 176400, NoLengthWarning10},
        {"own variable, RecordSeconds 0", 0.0, false, 600.0, 0xFFF, 600.0, 603 * 176400, NoLengthWarning10},
        {"not a number", 0.5, true, std::numeric_limits<double>::quiet_NaN(), 0xFFF, 600.0, 603 * 176400,
         NoLengthWarning10},
        // 3.5 s at 11025 bytes/s is 38587.5 bytes: halves go to the even neighbour.
        {"half to even down", 1.0, true, 0.5, 0x001, 0.5, 38588, {}},
        {"half to even 22050/1/8", 1.0, true, 0.1, 0x010, 0.1, 68355, {}},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ui.calls.clear();
        st = CaptureSizing{};
        st.RecordSeconds = c.recordSecondsOnEntry;
        double own = c.seconds;
        double& secs = c.passRecordSeconds ? st.RecordSeconds : own;
        secs = c.seconds;
        ASSERT_EQ(prepareCaptureFormat(st, c.mask, 10, secs), PrepareResult::Ok);
        EXPECT_DOUBLE_EQ(secs, c.wantSeconds);
        EXPECT_DOUBLE_EQ(st.RecordSeconds, c.wantSeconds);
        EXPECT_EQ(st.CaptureDesc.bufferBytes, c.wantBytes);
        EXPECT_EQ(st.CaptureDesc.flags, 0);
        EXPECT_EQ(st.Samples.size(), static_cast<std::size_t>(c.wantBytes / 2 + 2));
        if (c.wantMessage.isEmpty()) {
            EXPECT_TRUE(ui.calls.empty());
        } else {
            ASSERT_EQ(ui.calls.size(), 1u);
            EXPECT_EQ(ui.calls[0].text, c.wantMessage);
            EXPECT_EQ(ui.calls[0].title, warnTitle());
            EXPECT_EQ(ui.calls[0].style & 0x70, rt::Exclamation);
        }
    }
}

TEST_F(PrepareTest, HalfSecondMeterBufferSamplesRange)
{
    st.RecordSeconds = 0.5;
    ASSERT_EQ(prepareCaptureFormat(st, 0xFFF, 10, st.RecordSeconds), PrepareResult::Ok);
    EXPECT_EQ(st.CaptureDesc.format, melodune::MakeWaveFormat(44100, 2, 16));
    ASSERT_EQ(st.Samples.size(), 308702u); // indices 0 to 308701
}

TEST_F(PrepareTest, OtherLimitsNameTheirMinutes)
{
    st.RecordSeconds = 0.5;
    double secs = 100.0;
    ASSERT_EQ(prepareCaptureFormat(st, 0xFFF, 1, secs), PrepareResult::Ok);
    EXPECT_DOUBLE_EQ(secs, 60.0);
    EXPECT_EQ(st.CaptureDesc.bufferBytes, 63 * 176400);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0], QStringLiteral("录音开始时间距离曲目结束时间超过程序最大录音缓存时间设置：1分钟。\n"
                                               "如果电脑内存不足或录音时间超过1分钟，录音均可能无效！"));
}

TEST_F(PrepareTest, NoSupportedFormatTellsTheUserAndChangesNothing)
{
    st.RecordSeconds = 1.0;
    double secs = 1.0;
    EXPECT_EQ(prepareCaptureFormat(st, 0, 10, secs), PrepareResult::NoFormat);
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, QStringLiteral("你的声卡不支持当前音频捕捉采样设置！"));
    EXPECT_EQ(ui.calls[0].style, rt::OkOnly);
    EXPECT_TRUE(ui.calls[0].title.isEmpty() || ui.calls[0].title == rt::appTitle());
    EXPECT_EQ(st.CaptureDesc.bufferBytes, 0);
}

TEST_F(PrepareTest, AsksTheCaptureObjectForItsFormats)
{
    auto src = std::make_unique<rt::FakeCaptureSource>();
    rt::FakeCaptureSource* fake = src.get();
    rt::DSCapture cap(std::move(src));
    fake->mask = 0x400 | 0x080;
    st.RecordSeconds = 1.0;
    ASSERT_EQ(melodune::PrepareCaptureFormat(cap, st, 10, st.RecordSeconds), PrepareResult::Ok);
    EXPECT_EQ(st.CaptureDesc.format, melodune::MakeWaveFormat(22050, 2, 16));
    EXPECT_EQ(st.CaptureDesc.bufferBytes, 4 * 88200);

    fake->capsFail = true;
    st.CaptureDesc.bufferBytes = 7;
    EXPECT_EQ(melodune::PrepareCaptureFormat(cap, st, 10, st.RecordSeconds), PrepareResult::CapsFailed);
    EXPECT_EQ(st.CaptureDesc.bufferBytes, 7);
    EXPECT_TRUE(ui.calls.empty());
}

} // namespace
