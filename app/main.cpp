#include "core/appenv.h"
#include "core/frmmain.h"
#include "core/log.h"
#include "core/shared.h"
#include "platform/fonts.h"
#include "platform/programicon.h"
#include "platform/qttranslation.h"
#include "platform/screenfollow.h"
#include "platform/windowsystem.h"

#include <QApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <clocale>
#include <cstdio>
#include <csignal>
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
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        qCWarning(lcCore) << "no signal pipe: a session end or a kill does not save the playlist and settings";
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        window.endOnSignal();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

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
    // Dialogs and boxes dragged to a monitor of another scale keep their size.
    rt::keepSizesAcrossScreens();
    // Every window and box takes the application's icon (the task bar and
    // the window list show it); the icons are shipped beside the program.
    QApplication::setWindowIcon(rt::programIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/res")));

    const QString commandLine = melodune::commandLineText(app.arguments().mid(1));
    melodune::InstanceLock lock(melodune::InstanceLock::defaultPath());
    if (!melodune::FrmMain::Form_Initialize(!lock.acquired(), commandLine))
        return 0;

    melodune::shared().DataDir =
        melodune::resolveDataDir(QCoreApplication::applicationDirPath(), &melodune::shared().DataDirNotice);
    melodune::FrmMainServices services;
    services.commandLine = commandLine;
    services.versionMajor = MELODUNE_VERSION_MAJOR;
    services.versionMinor = MELODUNE_VERSION_MINOR;
    services.versionRevision = MELODUNE_VERSION_PATCH;
    melodune::FrmMain window(services);
    QObject::connect(&window, &melodune::FrmMain::programEnded, &app, &QApplication::quit, Qt::QueuedConnection);
    closeOnTerminate(window);
    // With MELODUNE_REPORT_SHOWN set, prints "shown <ms since the epoch>" once
    // the window is first on screen and painted, for the start-time benchmark.
    if (!qEnvironmentVariableIsEmpty("MELODUNE_REPORT_SHOWN"))
        rt::whenFirstExposed(&window, &window, [] {
            std::printf("shown %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            std::fflush(stdout);
        });
    if (!window.Form_Load())
        return 1;
    return app.exec();
}
