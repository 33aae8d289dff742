#include "platform/soundworker.h"

#include "platform/log.h"

#include <QMetaObject>

#include <new>
#include <system_error>

namespace rt {

SoundError writeFailure(const QString& path, const QString& reason)
{
    return {QStringLiteral("cannot write %1: %2").arg(path, reason), path, reason};
}

SoundError outOfMemory(const QString& what)
{
    SoundError e{QStringLiteral("out of memory: %1").arg(what)};
    e.outOfMemory = true;
    return e;
}

namespace {

// A thread that cannot be had is memory (or a process limit) run out;
// anything else is the error it says.
SoundError systemFailure(const std::system_error& e)
{
    const QString what = QString::fromLocal8Bit(e.what());
    if (e.code() == std::errc::resource_unavailable_try_again || e.code() == std::errc::not_enough_memory)
        return outOfMemory(what);
    return SoundError{what};
}

// The work's outcome; memory that runs out midway unwinds it (its files are
// dropped on the way) and fails the job instead of the program.
SoundResult runWork(const SoundWorker::Work& work, const std::atomic<bool>& cancelled)
{
    try {
        return work(cancelled);
    } catch (const std::bad_alloc&) {
        return {false, outOfMemory(QStringLiteral("the sound job"))};
    } catch (const std::system_error& e) {
        return {false, systemFailure(e)};
    }
}

} // namespace

void SoundWorker::start(QObject* owner, Work work, Done done)
{
    cancel();
    auto state = std::make_shared<State>();
    state_ = state;
    running_ = true;
    // The context object carries the outcome to the owner's thread; the
    // state check drops an outcome whose job was cancelled meanwhile (the
    // worker itself may be gone then: it cancels when destroyed).
    auto deliver = [this, state, owner](SoundResult result, Done done) {
        QMetaObject::invokeMethod(
            owner,
            [this, state, result = std::move(result), done = std::move(done)]() {
                if (state->cancelled || state_ != state)
                    return;
                join();
                running_ = false;
                // Every effect, conversion and sound file job ends here.
                if (!result.ok)
                    qCWarning(lcPlatform) << "sound job failed:" << result.error.text;
                done(result);
            },
            Qt::QueuedConnection);
    };
    try {
        thread_ = std::thread([state, deliver, work = std::move(work), done]() mutable {
            SoundResult result = runWork(work, state->cancelled);
            if (state->cancelled)
                return;
            deliver(std::move(result), std::move(done));
        });
    } catch (const std::system_error& e) {
        // No thread to be had (memory or the process's limits): the job
        // fails through the event loop like any other.
        deliver({false, systemFailure(e)}, std::move(done));
    }
}

void SoundWorker::join()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void SoundWorker::cancel()
{
    if (state_)
        state_->cancelled = true;
    join();
    state_.reset();
    running_ = false;
}

} // namespace rt
