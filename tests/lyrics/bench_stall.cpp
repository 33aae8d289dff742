// How long the main window stops answering while it takes in big lyric text:
// the largest gap between ticks of a 50 ms timer on the window thread while
// the window loads a lyric file of a given size, a line of many time tags,
// or a lyrics-service reply of a given size (with its length announced, or
// as a stream that only ends with the connection), or a service notice
// ("|提示|" or "|禁止|" and a long message, shown in a real message box that
// is answered as soon as it shows). A measuring tool, not a test
// (scripts/bench_stall.sh runs it):
//   lyrics_bench_stall lrc <MB> | tags <count> | reply <MB> | stream <MB>
//                      | notice <MB> | words <MB> | forbid <MB> | forbidwords <MB>
#include "lyrics/lrcservicecontroller.h"
#include "lyrics/lyricloader.h"
#include "lyrics/richtext.h"
#include "platform/legacytext.h"
#include "tests/support/bulkserver.h"
#include "tests/support/lyricsserver.h"
#include "tests/support/mainwindow.h"
#include "tests/support/procstatus.h"
#include "tests/support/stallmeter.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QScreen>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <memory>

using namespace melodune;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: %s lrc <MB> | tags <count> | reply <MB> | stream <MB> | notice <MB> | words <MB> "
                             "| forbid <MB> | forbidwords <MB>\n",
                     argv[0]);
        return 2;
    }
    const QString mode = args[0];
    const double amount = args[1].toDouble();

    testsupport::MainWindowFixture<> fixture({.fakeClock = false, .makeDataFolder = false});
    auto w = std::make_unique<FrmMain>(fixture.services);
    if (!w->Form_Load())
        return 1;
    w->Timer[3]->stop();
    settings().LrcViewMode = 0; // the text box shows the whole lyric
    w->Track.CurrentFile = QStringLiteral("/music/big.mp3");
    w->Track.CurrentExt = QStringLiteral("mp3");
    const QString stored = lyricFilePath(shared().DataDir, w->Track.CurrentFile);
    QTest::qWait(500);

    std::unique_ptr<testsupport::BulkReplyServer> server;
    std::unique_ptr<testsupport::LyricsServer> statusServer;
    std::unique_ptr<testsupport::ScopedLrcHost> host;
    const bool notice = mode == u"notice" || mode == u"words" || mode == u"forbid" || mode == u"forbidwords";
    const bool reply = mode == u"reply" || mode == u"stream" || notice;
    // The real box, answered by a watcher as soon as it is up.
    bool boxDone = !notice;
    QString boxReport;
    QTimer boxWatch;
    if (notice) {
        rt::setUi(nullptr);
        settings().AutoDownloadLrc = true;
        settings().LrcWaitSeconds = 600;
        const qint64 size = qint64(amount * 1e6);
        QByteArray message;
        message.reserve(size + 8);
        const bool words = mode.endsWith(u"words");
        while (message.size() < size)
            message += words ? QByteArrayLiteral("notice ") : QByteArrayLiteral("notice");
        message.truncate(size);
        const QString status = mode.startsWith(u"forbid") ? QStringLiteral("|禁止|") : QStringLiteral("|提示|");
        statusServer = std::make_unique<testsupport::LyricsServer>();
        statusServer->listen();
        statusServer->setResponse(QStringLiteral("exact"),
                                  {200, testsupport::LyricsServer::gbk(status) + message + QByteArrayLiteral("\r\n")});
        host = std::make_unique<testsupport::ScopedLrcHost>(statusServer->baseUrl());
        QObject::connect(&boxWatch, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            const QRect frame = box->frameGeometry();
            const QRect avail = box->screen()->availableGeometry();
            boxReport = QStringLiteral(", box %1x%2 on %3x%4 (%5), %6 characters")
                            .arg(frame.width())
                            .arg(frame.height())
                            .arg(avail.width())
                            .arg(avail.height())
                            .arg(avail.contains(frame) ? QStringLiteral("fits") : QStringLiteral("does not fit"))
                            .arg(box->text().size());
            box->done(0);
            boxDone = true;
        });
        boxWatch.start(20);
    } else if (reply) {
        settings().AutoDownloadLrc = true;
        settings().LrcWaitSeconds = 600;
        server = std::make_unique<testsupport::BulkReplyServer>(testsupport::bigLrcText(1 << 20), qint64(amount * 1e6),
                                                                mode == u"reply");
        host = std::make_unique<testsupport::ScopedLrcHost>(server->baseUrl());
    } else {
        settings().AutoDownloadLrc = false;
        QDir().mkpath(QFileInfo(stored).absolutePath());
        QFile f(stored);
        f.open(QIODevice::WriteOnly);
        f.write(mode == u"tags" ? testsupport::tagLineText(int(amount)) : testsupport::bigLrcText(qint64(amount * 1e6)));
        f.close();
    }

    testsupport::StallMeter gaps;
    QElapsedTimer took;
    bool done = false;
    const auto finished = [&] {
        // A long file is parsed aside: the box is enabled again once its
        // lyrics are in.
        if (!reply)
            return done && w->RichTextBox1->isEnabled();
        // The reply is handled once the poll has found it and the box shows
        // something other than the countdown (lyrics once they are parsed).
        return done && boxDone && !w->Lrc->pollRunning() && !w->Lrc->downloading() &&
               (notice || w->LrcView.LyricsLoaded);
    };
    QTimer::singleShot(0, w.get(), [&] {
        gaps.reset();
        took.start();
        w->LoadTrackLyrics();
        done = true;
    });
    const int boundMs = 600000;
    const bool handled = QTest::qWaitFor(finished, boundMs);
    const qint64 busyMs = took.elapsed();
    // What the view lays out afterwards counts too.
    QTest::qWait(2000);
    const QString box = w->RichTextBox1->text().left(60).replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    std::printf("%s %s: largest gap %lld ms, handled after %lld ms%s, peak %.0f MB, stored %s, "
                "box \"%s\"%s%s\n",
                qPrintable(mode), qPrintable(args[1]), static_cast<long long>(gaps.worstMs()),
                static_cast<long long>(busyMs), handled ? "" : " (not done)", testsupport::procStatusKb("VmHWM:") / 1024.0,
                QFileInfo::exists(stored) ? "yes" : "no", qPrintable(box),
                server ? qPrintable(QStringLiteral(", %1 MB sent").arg(server->bytesSent() / 1e6, 0, 'f', 1))
                       : "",
                qPrintable(boxReport));
    w.reset();
    return 0;
}
