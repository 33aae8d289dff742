#pragma once
// The arithmetic of vocal removal, apart from any window: each stereo frame
// becomes two copies of left minus right, so what both channels share (the
// singer, usually) cancels.
#include "platform/soundworker.h"

#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace melodune {

// Runs the pass over `count` interleaved 16-bit values in place, pairing
// a[0] with a[1], a[2] with a[3] and so on. `v` is the value of the previous
// pair (0 before the first) and is updated, so a long stream can be fed in
// blocks of whole frames. A pair whose difference does not fit in 16 bits
// repeats the previous pair's value (neither saturated nor wrapped); a right
// value of -32768 counts as 32767. With an odd count the last value becomes 0.
void centreCancelPass(std::int16_t* a, std::size_t count, std::int32_t& v);

enum class VocalFileResult {
    Ok,
    Mono,        // the working copy has 1 channel (or more than 2)
    ReadFailed,  // missing, not a 16-bit PCM RIFF WAVE file
    WriteFailed,
    Cancelled,
};

// Reads the 16-bit WAV `workingCopy` (the canonical working copy), runs the pass over its frames in blocks
// and writes `output` as a canonical 16-bit stereo WAV of the same rate and
// length. The output
// appears only complete (written beside it, then renamed into place); on any
// failure nothing is left at `output` and an existing file there is kept;
// `error` says why (WriteFailed: the file and the system's reason).
// `cancel` is polled between blocks.
VocalFileResult removeVocalsFromFile(const QString& workingCopy, const QString& output,
                                     const std::atomic<bool>* cancel = nullptr, rt::SoundError* error = nullptr);

} // namespace melodune
