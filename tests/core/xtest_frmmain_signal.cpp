// The real program on the display, ended by a signal while a box of its
// start waits for an answer (as a desktop's log-out does).
#include "tests/support/program.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

TEST(ProgramSignal, SigtermEndsTheStartWhileTheSoundCardBoxIsOpen)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs the suite's display";
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        GTEST_SKIP() << "needs xdotool";
    testsupport::TestDir dir;
    QProcessEnvironment env = testsupport::programEnvironment(dir); // the box really waits
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + dir.file("no-sound-server"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(QStringLiteral(MELODUNE_BIN_DIR "/melodune"), {});
    ASSERT_TRUE(app.waitForStarted(30000));

    // Without a sound server the start stops at its sound-card box, the only
    // window it shows then.
    const bool boxShown = QTest::qWaitFor(
        [&] {
            return !testsupport::visibleWindows(xdotool, app.processId(), QStringLiteral("Melodune")).isEmpty() ||
                   app.state() == QProcess::NotRunning;
        },
        60000);
    ASSERT_TRUE(boxShown);
    ASSERT_EQ(app.state(), QProcess::Running) << app.readAllStandardError().toStdString();

    ::kill(pid_t(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(60000)) << "the box held the program";
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 1) << "ended as the box's own way out ends it";
}
