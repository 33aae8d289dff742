#pragma once
// Answers a real modal box from inside its own event loop, as a user would.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>

namespace testsupport {

// Runs `act` on the next modal box once it shows; rejects whatever is still
// modal after a few seconds, so a box the test did not expect cannot hang it.
class OnModal {
public:
    explicit OnModal(std::function<void(QWidget*)> act) : act_(std::move(act))
    {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || !w->isVisible())
                return;
            if (!done_) {
                done_ = true;
                act_(w);
            } else if (clock_.elapsed() > 5000) {
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->reject();
            }
        });
        timer_.start(10);
    }
    bool ran() const { return done_; }

private:
    std::function<void(QWidget*)> act_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool done_ = false;
};

} // namespace testsupport
