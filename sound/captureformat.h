#pragma once
// Choice of the capture format and sizing of the capture buffer, shared by
// start-up, the level meter and the record command.
#include "platform/dsound.h"

#include <array>
#include <cstdint>
#include <vector>

namespace melodune {

// A PCM format record: rate, channels and bits with the derived fields.
rt::WaveFormatEx MakeWaveFormat(std::int32_t rate, std::int16_t channels, std::int16_t bits);

// The capture formats in order of preference with their capability bits:
// stereo before mono, the higher rate first, 16 bits before 8.
struct CaptureFormatChoice {
    std::int32_t rate;
    std::int16_t channels;
    std::int16_t bits;
    std::uint32_t maskBit;
};
extern const std::array<CaptureFormatChoice, 12> CaptureFormatOrder;

// The first format of the order whose bit is set; false when none is.
bool chooseCaptureFormat(std::uint32_t formatsMask, rt::WaveFormatEx* format);

// What the main window keeps of the last sizing.
struct CaptureSizing {
    rt::CaptureBufferDesc CaptureDesc;
    double RecordSeconds = 0.0;
    std::vector<std::int16_t> Samples;
};

enum class PrepareResult {
    Ok,
    CapsFailed,   // the capture object could not report its formats; nothing changed
    NoFormat,     // none of the formats is supported; the message has been shown
};

// Sizes for `seconds` (which may be `state.RecordSeconds` itself; it receives
// the value used) from a supported-formats mask. Shows the warnings through
// rt::ui(); `maxRecordMinutes` is the MaxRecordMinutes setting.
PrepareResult prepareCaptureFormat(CaptureSizing& state, std::uint32_t formatsMask, int maxRecordMinutes,
                                   double& seconds);

// The same, asking `capture` for its formats. On NoFormat the program ends
// at once (after the message), without its shut-down sequence; CapsFailed is
// returned for the caller's error handling.
PrepareResult PrepareCaptureFormat(rt::DSCapture& capture, CaptureSizing& state, int maxRecordMinutes,
                                   double& seconds);

} // namespace melodune
