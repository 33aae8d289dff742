#pragma once
// The effect control `Effect1`: opens a WAV, applies the compensation values
// (nine band boosts and the output level) and/or a key shift, and writes the
// result as a canonical 16-bit PCM WAV at the input's rate and channels.
//
// Dispatch ids as members, each answered by one status event (event 9,
// statusChange) through the window thread's event loop, never inside the
// call; the work of open() and save() runs on a worker thread:
//   3  open(path)             → StatusOpened (1)   the WAV is checked (any
//                                                 WAV libsndfile reads, 1 or
//                                                 2 channels); earlier values
//                                                 and shift are forgotten
//   11 setValues(ten values)  → StatusValuesSet (5)
//   6  shift(amount, 2048)    → StatusShifted (7)
//   5  save(path)             → StatusSaved (12)   the opened file is read
//                                                 again, in blocks, and the
//                                                 output is complete at
//                                                 `path` (renamed into place)
// Any call that fails answers StatusFailed (-1) instead of its own status,
// and nothing is written: open() of a missing, unreadable or more than
// 2-channel file; setValues/shift/save with no file open; a bad amount or
// block size; a processing or writing error (an existing file at `path` is
// untouched); memory that runs out. lastError() says why, and names a file
// it could not write. Memory does not grow with the track's length, and a
// cancel lands between two blocks.
// A call made while open() or save() still works cancels that work first (no
// status for it). cancel() stops the work, joins the worker and suppresses
// its status (a save that had just finished has written its complete file;
// never a partial one). Destroying the object cancels.
//
// The values (percent): the first nine lift bands from low to high (0 flat,
// 100 twice the amplitude, negative cuts), the tenth is the output level
// (100 unity). The amount: a ≥ 0 shifts a + 1 semitones up, a < 0 shifts a
// semitones down (so 0 is +1 and -1 is -1). 2048 is the processing block.
// Samples beyond full scale are clipped, never wrapped.
#include "platform/soundworker.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>

namespace rt {

class EffectControl : public QObject {
    Q_OBJECT
public:
    enum Status : int {
        StatusOpened = 1,
        StatusValuesSet = 5,
        StatusShifted = 7,
        StatusSaved = 12,
        StatusFailed = -1,
    };
    using Values = std::array<std::int16_t, 10>;

    using QObject::QObject;
    ~EffectControl() override = default;

    // 3
    virtual void open(const QString& path) = 0;
    // 11
    virtual void setValues(const Values& values) = 0;
    // 6
    virtual void shift(std::int16_t amount, std::int32_t blockSize) = 0;
    // 5
    virtual void save(const QString& path) = 0;
    virtual void cancel() = 0;
    // True while open() or save() works.
    virtual bool running() const = 0;
    // Why the last StatusFailed came; empty otherwise.
    virtual SoundError lastError() const = 0;

signals:
    // 9
    void statusChange(int status);
};

// Semitones for an amount handed to shift(): a ≥ 0 → a + 1, a < 0 → a.
int effectSemitones(std::int16_t amount);

// Rubber Band (offline, R2 engine, time ratio 1, exact length, no threads of
// its own) for the key shift; the bands are peaking filters of our own.
EffectControl* createEffectControl(QObject* parent = nullptr);

} // namespace rt
