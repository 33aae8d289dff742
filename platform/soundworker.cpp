#include "platform/soundworker.h"

#include <QMetaObject>

namespace rt {

SoundError writeFailure(const QString& path, const QString& reason)
{
    return {QStringLiteral("cannot write %1: %2").arg(path, reason), path, reason};
}

void SoundWorker::start(QObject* owner, Work work, Done done)
{
    cancel();
    auto state = std::make_shared<State>();
    state_ = state;
    running_ = true;
    thread_ = std::thread([this, state, owner, work = std::move(work), done = std::move(done)]() mutable {
        SoundResult result = work(state->cancelled);
        if (state->cancelled)
            return;
        // The context object carries the call to the owner's thread; the
        // state check drops an outcome whose job was cancelled meanwhile
        // (the worker itself may be gone then: it cancels when destroyed).
        QMetaObject::invokeMethod(
            owner,
            [this, state, result, done = std::move(done)]() {
                if (state->cancelled || state_ != state)
                    return;
                join();
                running_ = false;
                done(result);
            },
            Qt::QueuedConnection);
    });
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
