#include "core/appenv.h"
#include "core/frmmain.h"
#include "core/shared.h"
#include "platform/fonts.h"
#include "platform/mediacontrol.h"
#include "platform/programicon.h"
#include "platform/qttranslation.h"
#include "platform/ui.h"
#include "platform/windowsystem.h"

#include <QApplication>
#include <QDateTime>
#include <QTimer>
#include <QWindow>
#include <QSocketNotifier>
#include <clocale>
#include <cstdio>
#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

// A session that ends or a kill asks the window to shut down as the exit
// command does, so the settings and the playlist are saved.
void closeOnTerminate(melodune::FrmMain& window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        window.mnuExit_Click();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

// With MELODUNE_REPORT_SHOWN set, prints "shown <ms since the epoch>" once the
// window is first on screen and painted, for the start-time benchmark.
class ShownReporter : public QObject {
public:
    explicit ShownReporter(QWindow* window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && !reported_) {
            reported_ = true;
            // After the expose is handled, which paints the window.
            QTimer::singleShot(0, this, [this] {
                std::printf("shown %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
                std::fflush(stdout);
                deleteLater();
            });
        }
        return false;
    }

private:
    bool reported_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    // The skinned window places itself and cuts its outline, which a Wayland
    // compositor does not allow: X11 (XWayland) when there is a display.
    if (const QByteArray qpa = rt::preferredQpaPlatform(qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"));
        !qpa.isEmpty())
        qputenv("QT_QPA_PLATFORM", qpa);
    QApplication app(argc, argv);
    // libmpv needs the C numeric locale, and it must be set after Qt's own.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Melodune"));
    QApplication::setApplicationVersion(QStringLiteral(MELODUNE_VERSION));
    rt::installFontSubstitutions();
    rt::installChineseFallbackFont();
    rt::installQtChineseTranslation();
    // Every window and box takes the application's icon (the task bar and
    // the window list show it); the icons are shipped beside the program.
    QApplication::setWindowIcon(rt::programIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/res")));

    const QString commandLine = melodune::commandLineText(app.arguments().mid(1));
    melodune::InstanceLock lock(melodune::InstanceLock::defaultPath());
    if (!melodune::FrmMain::Form_Initialize(!lock.acquired(), commandLine))
        return 0;

    melodune::shared().DataDir = melodune::resolveDataDir(QCoreApplication::applicationDirPath());
    melodune::FrmMainServices services;
    services.commandLine = commandLine;
    services.versionMajor = MELODUNE_VERSION_MAJOR;
    services.versionMinor = MELODUNE_VERSION_MINOR;
    services.versionRevision = MELODUNE_VERSION_PATCH;
    std::unique_ptr<melodune::FrmMain> made;
    try {
        made = std::make_unique<melodune::FrmMain>(services);
    } catch (const rt::MediaError& e) {
        rt::ui().msgBox(QStringLiteral("无法启动媒体播放组件，程序即将退出。\n") + QString::fromUtf8(e.what()),
                        rt::Critical, QStringLiteral("Melodune"));
        return 1;
    }
    melodune::FrmMain& window = *made;
    QObject::connect(&window, &melodune::FrmMain::programEnded, &app, &QApplication::quit, Qt::QueuedConnection);
    closeOnTerminate(window);
    if (!qEnvironmentVariableIsEmpty("MELODUNE_REPORT_SHOWN")) {
        window.winId(); // the native window, so its first expose can be watched
        new ShownReporter(window.windowHandle());
    }
    if (!window.Form_Load())
        return 1;
    return app.exec();
}
