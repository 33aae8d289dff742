#include "platform/aside.h"

#include <QEventLoop>
#include <QThread>
#include <memory>

namespace rt {

void runAside(const std::function<void()>& work)
{
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create(work));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    // A quit of the whole program ends the loop early: the work is still
    // waited for, so nothing it writes outlives the call.
    if (!thread->isFinished())
        loop.exec();
    thread->wait();
}

} // namespace rt
