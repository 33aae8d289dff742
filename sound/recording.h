#pragma once
// The parts of the sing-along recording that need no window: file names,
// the progress line, moving the capture into a sound buffer and saving it.
#include "platform/dsound.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace melodune {

// "Rec" followed by yyMMddHHmmss of `when`.
QString defaultRecordingName(const QDateTime& when);

// The path a recording is saved under for the name the save dialog gave:
// every ".wav" (exact lower case) is taken out of the file name, then ".wav"
// is appended. The folders above it are left as they are.
QString recordingSavePath(const QString& chosen);

// Seconds of a recording that runs to the end of the track (one spare second).
double recordSecondsToTrackEnd(double duration, double position);

// The progress line runs from 360 to 4650 twips while the recording lasts.
constexpr float ProgressLineStart = 360.0f;
constexpr float ProgressLineEnd = 4650.0f;

// Start X of the progress line, in twips, after `wholeSeconds` of a recording
// sized for `recordSeconds`. Not capped: a value of ProgressLineEnd or more
// means the time is up. A length of 0 or less counts as up at once.
float progressLineX(std::int64_t wholeSeconds, double recordSeconds);

// Whole seconds between two clock ticks (milliseconds).
std::int64_t wholeSecondsBetween(std::int64_t startTickMs, std::int64_t nowTickMs);

// The captured bytes of `capture` (stopped first if it still captures) in a
// new sound buffer of the capture format. The samples are copied once,
// straight into the buffer's storage. `capturedBytes` receives the count;
// nullptr when nothing was captured or the buffer cannot be made (`error`
// says why in the second case).
std::unique_ptr<rt::DSBuffer> copyCaptureToSoundBuffer(rt::DSCaptureBuffer& capture,
                                                       std::int32_t* capturedBytes = nullptr,
                                                       QString* error = nullptr);

// The desktop programs that show the sound server's volume controls, in the
// order they are tried: program and arguments.
struct VolumeControlProgram {
    QString program;
    QStringList arguments;
};
const std::vector<VolumeControlProgram>& volumeControlPrograms();

// Starts the first of those found on the PATH, detached and without a shell;
// false when none could be started.
bool startVolumeControl();

} // namespace melodune
