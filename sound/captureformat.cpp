#include "sound/captureformat.h"

#include "platform/clock.h"
#include "platform/ui.h"

#include <cfenv>
#include <cmath>

namespace melodune {

const std::array<CaptureFormatChoice, 12> CaptureFormatOrder{{
    {44100, 2, 16, 0x800}, {44100, 2, 8, 0x200}, {22050, 2, 16, 0x80}, {22050, 2, 8, 0x20},
    {11025, 2, 16, 0x8},   {11025, 2, 8, 0x2},   {44100, 1, 16, 0x400}, {44100, 1, 8, 0x100},
    {22050, 1, 16, 0x40},  {22050, 1, 8, 0x10},  {11025, 1, 16, 0x4},   {11025, 1, 8, 0x1},
}};

rt::WaveFormatEx MakeWaveFormat(std::int32_t rate, std::int16_t channels, std::int16_t bits)
{
    return rt::pcmFormat(rate, channels, bits);
}

bool chooseCaptureFormat(std::uint32_t formatsMask, rt::WaveFormatEx* format)
{
    for (const CaptureFormatChoice& c : CaptureFormatOrder) {
        if (formatsMask & c.maskBit) {
            *format = MakeWaveFormat(c.rate, c.channels, c.bits);
            return true;
        }
    }
    return false;
}

QString captureBoxTitle()
{
    return rt::appTitle() + QStringLiteral(" 录音提示");
}

namespace {

QString memoryNote(int minutes)
{
    return QStringLiteral("如果电脑内存不足或录音时间超过%1分钟，录音均可能无效！").arg(minutes);
}

// Nearest whole number, halves to even.
double roundHalfEven(double x)
{
    const int old = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(x);
    std::fesetround(old);
    return r;
}

} // namespace

PrepareResult prepareCaptureFormat(CaptureSizing& state, std::uint32_t formatsMask, int maxRecordMinutes,
                                   double& seconds)
{
    rt::WaveFormatEx format;
    if (!chooseCaptureFormat(formatsMask, &format)) {
        rt::ui().msgBox(QStringLiteral("你的声卡不支持当前音频捕捉采样设置！"), rt::OkOnly);
        return PrepareResult::NoFormat;
    }

    // `seconds` may be state.RecordSeconds itself: each test reads the value
    // as it stands at that point.
    const double limit = static_cast<double>(maxRecordMinutes) * 60.0;
    const double recordSecondsOnEntry = state.RecordSeconds;
    if (recordSecondsOnEntry > limit || seconds > limit) {
        seconds = limit;
        rt::ui().msgBox(QStringLiteral("录音开始时间距离曲目结束时间超过程序最大录音缓存时间设置：%1分钟。")
                                .arg(maxRecordMinutes)
                            + QLatin1Char('\n') + memoryNote(maxRecordMinutes),
                        rt::Exclamation, captureBoxTitle());
    }
    // A value that is not a number counts as no length at all.
    if (!(state.RecordSeconds > 0.0) || !(seconds > 0.0)) {
        seconds = limit;
        rt::ui().msgBox(QStringLiteral("程序的最大录音缓存时间设置为%1分钟。").arg(maxRecordMinutes)
                            + QLatin1Char('\n') + memoryNote(maxRecordMinutes),
                        rt::Exclamation, captureBoxTitle());
    }

    const double bytes = roundHalfEven((seconds + 3.0) * format.avgBytesPerSec);
    state.CaptureDesc.format = format;
    state.CaptureDesc.flags = 0;
    state.CaptureDesc.bufferBytes = static_cast<std::int32_t>(bytes);
    state.RecordSeconds = seconds;
    state.Samples.assign(static_cast<std::size_t>(state.CaptureDesc.bufferBytes / 2 + 2), 0);
    return PrepareResult::Ok;
}

PrepareResult PrepareCaptureFormat(rt::DSCapture& capture, CaptureSizing& state, int maxRecordMinutes,
                                   double& seconds)
{
    for (int attempt = 1;; ++attempt) {
        rt::CaptureCaps caps;
        if (capture.GetCaps(caps) && caps.formats != 0)
            return prepareCaptureFormat(state, caps.formats, maxRecordMinutes, seconds);
        if (attempt >= CapsAttempts)
            return PrepareResult::CapsFailed;
        rt::clock().sleepMs(CapsRetryMs);
    }
}

} // namespace melodune
