#pragma once
// One background job of a sound layer: the work runs on its own thread and its
// outcome reaches the owner through the owner's event loop (queued), never
// from inside the call that started it. Cancelling raises a flag the work
// polls, joins the thread and drops an outcome not yet delivered.
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace rt {

// Why a sound job failed: a line for the log and, when a file could not be
// written (a full disk, a folder it may not write in), that file and the
// system's reason; or that memory (or a thread) could not be had.
struct SoundError {
    QString text{};
    QString writePath{};
    QString writeReason{};
    bool outOfMemory = false;
    bool cannotWrite() const { return !writePath.isEmpty(); }
};
SoundError writeFailure(const QString& path, const QString& reason);
SoundError outOfMemory(const QString& what);

struct SoundResult {
    bool ok = false;
    SoundError error{}; // why it failed; empty on success
};

class SoundWorker {
public:
    // The work: reads `cancelled` between blocks and gives up when it is set.
    using Work = std::function<SoundResult(const std::atomic<bool>& cancelled)>;
    using Done = std::function<void(const SoundResult&)>;

    SoundWorker() = default;
    SoundWorker(const SoundWorker&) = delete;
    SoundWorker& operator=(const SoundWorker&) = delete;
    ~SoundWorker() { cancel(); }

    // Starts `work` on a new thread (cancelling one still running); `done`
    // runs later on `owner`'s thread unless cancel() comes first. The worker
    // is meant to be a member of `owner`, so it is joined before `owner` goes.
    // Memory that runs out in the work, or a thread that cannot be made, is
    // a failed result (SoundError::outOfMemory), never an exception.
    void start(QObject* owner, Work work, Done done);
    // Stops the work, waits for its thread and drops its outcome.
    void cancel();
    // True from start() until `done` has run or cancel() returned.
    bool running() const { return running_; }

private:
    void join();

    struct State {
        std::atomic<bool> cancelled{false};
    };
    std::shared_ptr<State> state_{};
    std::thread thread_{};
    bool running_ = false;
};

} // namespace rt
