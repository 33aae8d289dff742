// The file-type dialog on an X display with no window manager: a drag with
// the left or the right button, on the dialog or on its caption text, moves
// it with the pointer. Real pointer events come from xdotool.
#include "dialogs/frmfileshell.h"
#include "platform/fileassoc.h"
#include "platform/registry.h"
#include "tests/support/testdir.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

bool xdotool(const QStringList& args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

bool pointerTo(QPoint p)
{
    return xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
}

TEST(XFileShellDialog, ADragWithEitherButtonMovesIt)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs xdotool";
    testsupport::TestDir dir;
    rt::Registry store(dir.file("registry.ini"));
    rt::ScopedRegistry scopedStore(&store);
    rt::RecordingFileAssociations desktop;
    rt::ScopedFileAssociations scopedDesktop(&desktop);

    FrmFileShell d(nullptr, dir.path(), QStringLiteral("/usr/bin/melodune"));
    d.move(200, 150);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    // A point of the dialog that no control covers, and one of its text.
    const QPoint bare(4, 4);
    ASSERT_EQ(d.childAt(bare), nullptr);
    const struct {
        const char* name;
        QWidget* on;
        QPoint at;
        const char* button;
    } drags[] = {
        {"left on the dialog", &d, bare, "1"},
        {"right on the dialog", &d, bare, "3"},
        {"left on the text", d.Label2, QPoint(10, 5), "1"},
        {"right on the text", d.Label2, QPoint(10, 5), "3"},
    };
    const QPoint by(90, 40);
    int sign = 1;
    for (const auto& drag : drags) {
        SCOPED_TRACE(drag.name);
        const QPoint before = d.pos();
        const QPoint from = drag.on->mapToGlobal(drag.at);
        const QPoint step = by * sign / 3;
        ASSERT_TRUE(pointerTo(from));
        ASSERT_TRUE(xdotool({"mousedown", drag.button}));
        for (int i = 1; i <= 3; ++i) {
            pointerTo(from + step * i);
            EXPECT_TRUE(QTest::qWaitFor([&] { return d.pos() == before + step * i; }, 3000)) << "step " << i;
        }
        ASSERT_TRUE(xdotool({"mouseup", drag.button}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return d.pos() == before + step * 3; }, 3000))
            << d.pos().x() << "," << d.pos().y();
        // Back the other way next time, so the dialog stays on the screen.
        sign = -sign;
    }
    // A plain move after the release leaves it where it is.
    const QPoint rest = d.pos();
    pointerTo(d.mapToGlobal(bare) + QPoint(50, 50));
    QCoreApplication::processEvents();
    EXPECT_EQ(d.pos(), rest);
    EXPECT_TRUE(desktop.plans.empty()) << "moving applies nothing";
}

} // namespace
