#pragma once
// Clock, sleep and random numbers behind one seam, so tests can fix them.
#include <QDateTime>
#include <cstdint>

namespace rt {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds since an arbitrary start, like the system tick count.
    virtual std::int64_t tickMs() const = 0;
    // Blocks the caller; pending window events are not processed.
    virtual void sleepMs(int ms) = 0;
    // A uniform random number in [0, 1).
    virtual double uniform01() = 0;
};

// Call it as rt::clock(): under `using namespace rt` it clashes with ::clock.
Clock& clock();
// Installs a clock (not owned); nullptr restores the system clock.
void setClock(Clock* c);

// A clock for tests: time moves only when told; sleep advances it.
class FakeClock : public Clock {
public:
    QDateTime current = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    std::int64_t ticks = 0;
    std::uint32_t seed = 12345;
    QDateTime now() const override { return current; }
    std::int64_t tickMs() const override { return ticks; }
    void sleepMs(int ms) override { ticks += ms; current = current.addMSecs(ms); }
    // Deterministic: the same seed gives the same sequence (each call moves
    // the seed on).
    double uniform01() override;
    void advanceMs(int ms) { sleepMs(ms); }
};

class ScopedClock {
public:
    explicit ScopedClock(Clock* c) { setClock(c); }
    ~ScopedClock() { setClock(nullptr); }
};

} // namespace rt
