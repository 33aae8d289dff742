#include "platform/soundfakes.h"

#include "platform/atomicfile.h"

#include <QMetaObject>
#include <QPointer>

namespace rt {

namespace {

// Queues `fn` on `owner`'s event loop, dropped when `generation` moved on
// (the job was cancelled or restarted meanwhile).
template <typename Owner, typename Fn>
void later(Owner* owner, int* generationField, Fn fn)
{
    const int generation = *generationField;
    QPointer<Owner> guard(owner);
    QMetaObject::invokeMethod(
        owner,
        [guard, generationField, generation, fn]() {
            if (guard && *generationField == generation)
                fn();
        },
        Qt::QueuedConnection);
}

} // namespace

// ---- FakeMp3Decoder

void FakeMp3Decoder::setFiles(const QString& in, const QString& out)
{
    calls << QStringLiteral("setFiles:%1|%2").arg(in, out);
    input = in;
    output = out;
}

void FakeMp3Decoder::start()
{
    calls << QStringLiteral("start");
    ++generation_;
    running_ = true;
    if (reply == FakeReply::Hold)
        return;
    if (reply == FakeReply::Fail) {
        finish(false, QStringLiteral("fake failure"));
        return;
    }
    QString error;
    const bool ok = work ? work(input, output, &error) : true;
    finish(ok, error);
}

void FakeMp3Decoder::cancel()
{
    calls << QStringLiteral("cancel");
    ++generation_;
    running_ = false;
}

void FakeMp3Decoder::finish(bool ok, const QString& error)
{
    later(this, &generation_, [this, ok, error]() {
        running_ = false;
        error_ = SoundError{ok ? QString() : error};
        error_.outOfMemory = !ok && outOfMemory;
        emit finished(ok, error);
    });
}

// ---- FakeMp3Encoder

void FakeMp3Encoder::setSampleRate(int hz)
{
    calls << QStringLiteral("rate:%1").arg(hz);
    sampleRate = hz;
}

void FakeMp3Encoder::setBitRate(int bps)
{
    calls << QStringLiteral("bitrate:%1").arg(bps);
    bitRate = bps;
}

void FakeMp3Encoder::setFiles(const QString& in, const QString& out)
{
    calls << QStringLiteral("setFiles:%1|%2").arg(in, out);
    input = in;
    output = out;
}

void FakeMp3Encoder::start()
{
    calls << QStringLiteral("start");
    ++generation_;
    running_ = true;
    if (reply == FakeReply::Hold)
        return;
    if (reply == FakeReply::Fail) {
        finish(false, QStringLiteral("fake failure"));
        return;
    }
    QString error;
    const bool ok = work ? work(input, output, sampleRate, bitRate, &error) : true;
    finish(ok, error);
}

void FakeMp3Encoder::cancel()
{
    calls << QStringLiteral("cancel");
    ++generation_;
    running_ = false;
}

void FakeMp3Encoder::finish(bool ok, const QString& error)
{
    later(this, &generation_, [this, ok, error]() {
        running_ = false;
        error_ = SoundError{ok ? QString() : error};
        emit finished(ok, error);
    });
}

// ---- FakeEffectControl

void FakeEffectControl::answer(int id, int normal)
{
    const int status = replies.value(id, normal);
    if (status != 0)
        raiseStatus(status);
}

void FakeEffectControl::raiseStatus(int status)
{
    later(this, &generation_, [this, status]() { emit statusChange(status); });
}

void FakeEffectControl::open(const QString& path)
{
    calls << QStringLiteral("open:%1").arg(path);
    openedPath = path;
    error_.clear();
    answer(3, StatusOpened);
}

void FakeEffectControl::setValues(const Values& v)
{
    QStringList parts;
    for (auto x : v)
        parts << QString::number(x);
    calls << QStringLiteral("values:%1").arg(parts.join(QLatin1Char(',')));
    values = v;
    answer(11, StatusValuesSet);
}

void FakeEffectControl::shift(std::int16_t a, std::int32_t block)
{
    calls << QStringLiteral("shift:%1,%2").arg(a).arg(block);
    amount = a;
    blockSize = block;
    answer(6, StatusShifted);
}

void FakeEffectControl::save(const QString& path)
{
    calls << QStringLiteral("save:%1").arg(path);
    const int status = replies.value(5, StatusSaved);
    if (status == StatusSaved) {
        bool ok;
        if (work)
            ok = work(openedPath, path, &error_);
        else
            ok = copyFileAtomically(openedPath, path, &error_);
        if (!ok) {
            raiseStatus(StatusFailed);
            return;
        }
    }
    if (status != 0)
        raiseStatus(status);
}

void FakeEffectControl::cancel()
{
    calls << QStringLiteral("cancel");
    ++generation_;
}

} // namespace rt
