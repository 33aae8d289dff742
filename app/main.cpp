#include "platform/fonts.h"

#include <QApplication>
#include <QMainWindow>
#include <clocale>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // libmpv needs the C numeric locale, and it must be set after Qt's own.
    std::setlocale(LC_NUMERIC, "C");
    rt::installFontSubstitutions();

    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Melodune"));
    w.resize(640, 480);
    w.show();
    return app.exec();
}
