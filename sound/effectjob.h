#pragma once
// Rules of the effect and conversion jobs that need no window: the
// compensation curves, the amount handed to the key shift, output names,
// wait limits, the bar's steps and what a failure says.
#include "platform/soundworker.h"

#include <QString>
#include <array>
#include <cstdint>

namespace melodune {

// The ten compensation values for a VocalCompensation of 1 or more: nine
// band boosts from low to high and the output level, in percent.
std::array<std::int16_t, 10> compensationValues(std::int32_t vocalCompensation);

// The amount the effect takes for the dialog's -5..5 (a positive choice is
// handed over one lower: +1 as 0, +5 as 4; negative ones unchanged).
std::int16_t handedShiftAmount(std::int16_t chosen);

// The output offered for an effect: the source's base name (no folder, no
// extension) followed by `suffix` (" - DeVocal.wav", " - Shift.wav").
QString effectOutputName(const QString& source, const QString& suffix);

// A converted file's default name: `input` up to and including its last "."
// followed by `extension`; empty when the path has no ".".
QString convertedName(const QString& input, const QString& extension);

// Whether two paths name the same file (after cleaning, following links of
// existing files).
bool samePath(const QString& a, const QString& b);

// How long a step of a job may wait for its event: 60 s plus the track's
// length.
std::int64_t jobStepLimitMs(double trackSeconds);

// One step of a bar that grows by `step` while below `below`.
float barStep(float value, float step, float below);

// What a job says when it could not write a file: its own failure text,
// then that file and the system's reason, a line each.
QString cannotWriteMessage(const QString& failed, const rt::SoundError& error);

// What a job says when memory ran out: its own failure text, then the
// reason on a line of its own.
QString outOfMemoryMessage(const QString& failed);

// A job's failure text with its reason, when the reason is one of the two
// above; the text alone otherwise.
QString soundJobFailureMessage(const QString& failed, const rt::SoundError& error);

} // namespace melodune
