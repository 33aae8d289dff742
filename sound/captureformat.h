#pragma once
// Choice of the capture format and sizing of the capture buffer, shared by
// start-up, the level meter and the record command.
#include "platform/dsound.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace melodune {

// A PCM format record: rate, channels and bits with the derived fields.
// The title of every box about a recording.
QString captureBoxTitle();

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
    CapsFailed,   // the capture object reported no formats, or could not; nothing changed
    NoFormat,     // none of the formats is supported; the message has been shown
};

// Sizes for `seconds` (which may be `state.RecordSeconds` itself; it receives
// the value used) from a supported-formats mask. Shows the warnings through
// rt::ui(); `maxRecordMinutes` is the MaxRecordMinutes setting.
PrepareResult prepareCaptureFormat(CaptureSizing& state, std::uint32_t formatsMask, int maxRecordMinutes,
                                   double& seconds);

// How often, and how far apart, PrepareCaptureFormat asks for the formats
// while the answer is a failure or no format at all: a sound server that has
// just come back lists its input a moment later.
constexpr int CapsAttempts = 5;
constexpr int CapsRetryMs = 200;

// The same, asking `capture` for its formats. A capture object that cannot
// answer, or names no format, after CapsAttempts tries gives CapsFailed, with
// nothing changed and no message: the caller reports it, the program goes on.
PrepareResult PrepareCaptureFormat(rt::DSCapture& capture, CaptureSizing& state, int maxRecordMinutes,
                                   double& seconds);

} // namespace melodune
