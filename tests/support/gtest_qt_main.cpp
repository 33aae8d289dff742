// GoogleTest entry point with a QApplication, so widget and event-loop code
// can be tested; the platform comes from QT_QPA_PLATFORM (offscreen by default).
#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
