#include "core/appenv.h"
#include "core/frmmain.h"
#include "core/shared.h"
#include "platform/fonts.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv)
{
    // The video surface keeps its GL context when it goes full screen.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // libmpv needs the C numeric locale, and it must be set after Qt's own.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Melodune"));
    rt::installFontSubstitutions();

    const QString commandLine = melodune::commandLineText(app.arguments().mid(1));
    melodune::InstanceLock lock(melodune::InstanceLock::defaultPath());
    if (!melodune::FrmMain::Form_Initialize(!lock.acquired(), commandLine))
        return 0;

    melodune::FrmMainServices services;
    services.commandLine = commandLine;
    melodune::FrmMain window(services);
    QObject::connect(&window, &melodune::FrmMain::programEnded, &app, &QApplication::quit, Qt::QueuedConnection);
    if (!window.Form_Load())
        return 1;
    return app.exec();
}
