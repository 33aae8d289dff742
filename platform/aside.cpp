#include "platform/aside.h"

#include <QObject>
#include <QThread>
#include <memory>

namespace rt {

namespace {

// One piece of work and its thread, a child of the context.
class AsideWork : public QObject {
public:
    AsideWork(QObject* context, std::function<void()> work, std::function<void()> then)
        : QObject(context), then_(std::move(then)), thread_(QThread::create(std::move(work)))
    {
        setObjectName(QStringLiteral("runAside"));
        connect(thread_.get(), &QThread::finished, this, &AsideWork::done, Qt::QueuedConnection);
        thread_->start();
    }
    ~AsideWork() override { thread_->wait(); }
    AsideWork(const AsideWork&) = delete;
    AsideWork& operator=(const AsideWork&) = delete;

private:
    void done()
    {
        thread_->wait();
        std::function<void()> then = std::move(then_);
        deleteLater();
        then();
    }

    std::function<void()> then_;
    std::unique_ptr<QThread> thread_;
};

} // namespace

void runAside(QObject* context, std::function<void()> work, std::function<void()> then)
{
    new AsideWork(context, std::move(work), std::move(then));
}

} // namespace rt
