#include "platform/clock.h"

#include <QThread>
#include <chrono>
#include <random>

namespace rt {

namespace {

class SystemClock : public Clock {
public:
    SystemClock() : gen_(std::random_device{}()) {}
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    std::int64_t tickMs() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void sleepMs(int ms) override
    {
        if (ms > 0)
            QThread::msleep(static_cast<unsigned long>(ms));
    }
    double uniform01() override { return gen_() / 4294967296.0; }

private:
    std::mt19937 gen_;
};

Clock* installed = nullptr;

} // namespace

Clock& clock()
{
    static SystemClock system;
    return installed ? *installed : system;
}

void setClock(Clock* c) { installed = c; }

double FakeClock::uniform01()
{
    // A linear congruential step: the same seed gives the same sequence.
    seed = seed * 1664525u + 1013904223u;
    return seed / 4294967296.0;
}

} // namespace rt
