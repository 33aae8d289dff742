// The real program on the display, started with a list whose entry names one
// of the player's own addresses: the window keeps answering the window
// system, and the program ends when asked.
#include "tests/support/program.h"
#include "tests/support/testdir.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr), &free);
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Sends the window manager's ping to `window` from a connection of our own
// and waits for the answer its client sends back to the root window. The
// time it took, or none.
std::optional<qint64> pingWindow(xcb_window_t window, int timeoutMs)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return std::nullopt;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // The answer goes to the root window as a structure event.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(c, "_NET_WM_PING");
    const uint32_t token = 0x5eed0000u + uint32_t(window & 0xffff);

    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = protocols;
    ev.data.data32[0] = ping;
    ev.data.data32[1] = token;
    ev.data.data32[2] = window;
    QElapsedTimer clock;
    clock.start();
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
    xcb_flush(c);

    std::optional<qint64> answered;
    while (!answered && clock.elapsed() < timeoutMs) {
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&fd, 1, int(std::max<qint64>(1, timeoutMs - clock.elapsed())));
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type == protocols && m->data.data32[0] == ping && m->data.data32[1] == token)
                    answered = clock.elapsed();
            }
            free(e);
        }
        if (xcb_connection_has_error(c))
            break;
    }
    xcb_disconnect(c);
    return answered;
}

} // namespace

TEST(ProgramListEntry, APlayerAddressInACommandLineListLeavesTheWindowAnsweringAndEndsWhenAsked)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs the suite's display";
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        GTEST_SKIP() << "needs xdotool";
    testsupport::TestDir dir;
    // The player's address of the program's first descriptor after the
    // standard ones: its connection to the display.
    dir.write("hostile.m3u", "fd://3\r\n");
    QProcessEnvironment env = testsupport::programEnvironment(dir); // the question really waits
    env.insert(QStringLiteral("MELODUNE_MPV_OPTIONS"), QStringLiteral("ao=null"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.setStandardErrorFile(dir.file("stderr.log"));
    app.start(QStringLiteral(MELODUNE_BIN_DIR "/melodune"), {dir.file("hostile.m3u")});
    ASSERT_TRUE(app.waitForStarted(30000));
    auto stop = qScopeGuard([&] {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished(10000);
        }
    });

    // The entry is refused as a track that cannot be opened (the refusal is
    // logged), and the restart's box waits for the user over the window.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return (dir.read("stderr.log").contains("fd://3") &&
                    testsupport::visibleWindows(xdotool, app.processId(), QStringLiteral("Melodune")).size() >= 2) ||
                   app.state() == QProcess::NotRunning;
        },
        60000))
        << "not refused: " << dir.read("stderr.log").toStdString();
    ASSERT_EQ(app.state(), QProcess::Running) << dir.read("stderr.log").toStdString();

    // Every window of it answers the window manager's ping.
    for (quint32 w : testsupport::visibleWindows(xdotool, app.processId(), QStringLiteral("Melodune"))) {
        SCOPED_TRACE(w);
        EXPECT_TRUE(pingWindow(w, 10000).has_value()) << "the window does not answer";
    }

    ::kill(pid_t(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(60000)) << "the program did not end when asked";
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
}
