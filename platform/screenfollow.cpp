#include "platform/screenfollow.h"

#include "platform/log.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <vector>

namespace rt {

namespace {

const char* const kFollowsScreen = "melodune_followsScreen";

struct ScreenState {
    QScreen* screen = nullptr;
    qreal dpr = 0;
    QRect geometry;
    QRect available;
    bool operator==(const ScreenState&) const = default;
};

ScreenState stateOf(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    QScreen* screen = handle ? handle->screen() : window->screen();
    return {screen, handle ? handle->devicePixelRatio() : window->devicePixelRatioF(),
            screen ? screen->geometry() : QRect(), screen ? screen->availableGeometry() : QRect()};
}

// Watches one top-level widget's screen, scale and screen geometry; calls
// back with the window's size from before the change.
class ScreenFollower : public QObject {
public:
    ScreenFollower(QWidget* window, std::function<void(QSize)> changed)
        : QObject(window), window_(window), changed_(std::move(changed)), last_(stateOf(window)),
          size_(window->size())
    {
        setObjectName(QStringLiteral("ScreenFollower"));
        window->installEventFilter(this);
        attach();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched != window_)
            return false;
        switch (e->type()) {
        case QEvent::Show:
        case QEvent::WinIdChange:
            attach();
            break;
        case QEvent::Resize:
            // A resize that comes with a new scale is the window system's
            // keeping of device pixels, not a size to go back to.
            if (stateOf(window_) == last_)
                size_ = window_->size();
            break;
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        case QEvent::DevicePixelRatioChange:
            schedule();
            break;
#endif
        default:
            break;
        }
        return false;
    }

private:
    void attach()
    {
        QWindow* handle = window_->windowHandle();
        if (!handle || handle == handle_)
            return;
        if (handle_)
            disconnect(handle_, nullptr, this, nullptr);
        handle_ = handle;
        connect(handle, &QWindow::screenChanged, this, [this](QScreen* screen) {
            watch(screen);
            schedule();
        });
        watch(handle->screen());
        // Shown on another screen than the one it was laid out for.
        schedule();
    }

    void watch(QScreen* screen)
    {
        for (const QMetaObject::Connection& c : screenConnections_)
            disconnect(c);
        screenConnections_.clear();
        if (!screen)
            return;
        screenConnections_ = {
            connect(screen, &QScreen::geometryChanged, this, &ScreenFollower::schedule),
            connect(screen, &QScreen::availableGeometryChanged, this, &ScreenFollower::schedule),
            connect(screen, &QScreen::logicalDotsPerInchChanged, this, &ScreenFollower::schedule),
        };
    }

    void schedule()
    {
        if (pending_)
            return;
        pending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                pending_ = false;
                run();
            },
            Qt::QueuedConnection);
    }

    void run()
    {
        const ScreenState now = stateOf(window_);
        if (now == last_)
            return;
        qCDebug(lcPlatform) << window_->objectName() << "now on" << (now.screen ? now.screen->name() : QString())
                            << "at scale" << now.dpr;
        last_ = now;
        changed_(size_);
        size_ = window_->size();
    }

    QWidget* window_;
    std::function<void(QSize)> changed_;
    ScreenState last_;
    QSize size_;
    QPointer<QWindow> handle_;
    std::vector<QMetaObject::Connection> screenConnections_;
    bool pending_ = false;
};

void dropFollowers(QWidget* window)
{
    const auto followers =
        window->findChildren<ScreenFollower*>(QStringLiteral("ScreenFollower"), Qt::FindDirectChildrenOnly);
    for (ScreenFollower* f : followers)
        delete f;
}

// The size from before the change, within the window's limits, and the
// outline in the new scale.
void keepLogicalSize(QWidget* window, QSize before)
{
    resendSizeLimits(window);
    const QSize wanted = before.expandedTo(window->minimumSize()).boundedTo(window->maximumSize());
    if (wanted.isValid() && window->size() != wanted)
        window->resize(wanted);
    resendMask(window);
}

class SizeKeeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!window->isWindow() || window->property(kFollowsScreen).toBool())
            return false;
        const Qt::WindowType type = window->windowType();
        if (type != Qt::Window && type != Qt::Dialog && type != Qt::Tool)
            return false;
        if (window->findChild<ScreenFollower*>(QStringLiteral("ScreenFollower"), Qt::FindDirectChildrenOnly))
            return false;
        new ScreenFollower(window, [window](QSize before) { keepLogicalSize(window, before); });
        return false;
    }
};

} // namespace

void followScreen(QWidget* window, std::function<void()> changed)
{
    window->setProperty(kFollowsScreen, true);
    dropFollowers(window);
    new ScreenFollower(window, [changed = std::move(changed)](QSize) { changed(); });
}

void keepSizesAcrossScreens()
{
    static QPointer<SizeKeeper> keeper;
    if (keeper || !qApp)
        return;
    keeper = new SizeKeeper(qApp);
    qApp->installEventFilter(keeper);
}

void resendSizeLimits(QWidget* window)
{
    const QSize minimum = window->minimumSize();
    const QSize maximum = window->maximumSize();
    if (minimum.isNull() && maximum == QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX))
        return;
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window->setMaximumSize(maximum);
    window->setMinimumSize(minimum);
}

void resendMask(QWidget* window)
{
    if (QWindow* handle = window->windowHandle(); handle && !window->mask().isEmpty())
        handle->setMask(window->mask());
}

QPoint inScreenOf(const QWidget* window, QPoint global)
{
    const QScreen* target = window->screen();
    const QScreen* at = QGuiApplication::screenAt(global);
    if (!target || !at || at == target)
        return global;
    // Each screen keeps its top-left corner in device pixels.
    const QPointF from = at->geometry().topLeft();
    const QPointF to = target->geometry().topLeft();
    const QPointF device = from + (QPointF(global) - from) * at->devicePixelRatio();
    return (to + (device - to) / target->devicePixelRatio()).toPoint();
}

} // namespace rt
