#include "platform/windowsystem.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace rt {

QByteArray preferredQpaPlatform(const QByteArray& qpaPlatform, const QByteArray& display)
{
    if (!qpaPlatform.isEmpty() || display.isEmpty())
        return {};
    return QByteArrayLiteral("xcb;wayland");
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

namespace {

class ExposeWatch : public QObject {
public:
    ExposeWatch(QWindow* window, QObject* context, std::function<void()> then)
        : QObject(window), context_(context), then_(std::move(then))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && then_) {
            watched->removeEventFilter(this);
            if (context_)
                QTimer::singleShot(0, context_, std::exchange(then_, nullptr));
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QObject> context_;
    std::function<void()> then_;
};

} // namespace

void whenFirstExposed(QWidget* window, QObject* context, std::function<void()> then)
{
    window->winId(); // the native window, whose expose is watched
    QWindow* handle = window->windowHandle();
    if (handle && handle->isExposed())
        QTimer::singleShot(0, context, std::move(then));
    else if (handle)
        new ExposeWatch(handle, context, std::move(then));
}

} // namespace rt
