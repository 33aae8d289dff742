// Vocal removal (with the default compensation) or a key shift of +3 of a WAV
// through the main window's own job, with the real decoder and effect: the
// job's time, the peak resident memory while it ran, the window thread's
// largest gap between ticks of a 50 ms timer, and how it ended. With a
// cancel time, the job is cancelled (as closing the window does) once the
// effect has worked that long, and the time the cancel took is printed. A
// measuring tool, not a test (scripts/bench_effects.sh runs it):
//   sound_bench_effects devocal|shift IN.wav OUT.wav [CANCEL-AFTER-MS]
#include "platform/effect.h"
#include "platform/wavfile.h"
#include "sound/frmshiftset.h"
#include "tests/support/mainwindow.h"
#include "tests/support/procstatus.h"
#include "tests/support/stallmeter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <memory>

using namespace melodune;

namespace {

qint64 folderBytes(const QString& path)
{
    qint64 n = 0;
    for (const QFileInfo& fi : QDir(path).entryInfoList(QDir::Files | QDir::Hidden))
        n += fi.size();
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3 || (args[0] != u"devocal" && args[0] != u"shift")) {
        std::fprintf(stderr, "usage: %s devocal|shift IN.wav OUT.wav [CANCEL-AFTER-MS]\n", argv[0]);
        return 2;
    }
    const bool vocal = args[0] == u"devocal";
    const QString in = QFileInfo(args[1]).absoluteFilePath();
    const QString out = QFileInfo(args[2]).absoluteFilePath();
    const int cancelAfterMs = args.size() > 3 ? args[3].toInt() : -1;

    // The track's length from its header (a canonical WAV).
    QFile head(in);
    if (!head.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(in));
        return 1;
    }
    const QByteArray h = head.read(rt::WavHeaderBytes);
    head.close();
    const auto u32 = [&h](int at) { return quint32(quint8(h[at])) | quint32(quint8(h[at + 1])) << 8 |
                                           quint32(quint8(h[at + 2])) << 16 | quint32(quint8(h[at + 3])) << 24; };
    const double seconds = h.size() == rt::WavHeaderBytes && u32(28) ? double(u32(40)) / u32(28) : 0;

    testsupport::MainWindowFixture<> fixture({.fakeClock = false, .dataFolders = {"TEMP"}});
    rt::ScriptedUi& ui = fixture.ui;
    const QString temp = shared().DataDir + QStringLiteral("/TEMP");
    settings().ShowRecVolume = 0;
    settings().ShowVisual = 0;
    auto w = std::make_unique<FrmMain>(fixture.services);
    auto* media = static_cast<rt::FakeMediaControl*>(w->MediaPlayer1);
    media->setMedia(in, rt::FakeMedia{.duration = seconds});
    media->setFileName(in);
    w->Track.CurrentFile = in;
    media->play();
    // Yes to the question and to the long-track warning; the output.
    ui.msgAnswers = {rt::Yes, rt::Yes};
    ui.saveAnswers = {{{out}, 1}};
    if (!vocal)
        QTimer::singleShot(0, w.get(), [] {
            if (auto* d = qobject_cast<FrmShiftSet*>(QApplication::activeModalWidget())) {
                d->Slider1->setValue(3);
                d->XPButton1_Click();
            }
        });

    // Cancels as closing the window does, once the effect has worked a while.
    QElapsedTimer effectFor;
    qint64 cancelMs = -1;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (cancelAfterMs < 0 || cancelMs >= 0)
            return;
        if (!w->Effect1->running()) {
            effectFor.invalidate();
            return;
        }
        if (!effectFor.isValid())
            effectFor.start();
        if (effectFor.elapsed() >= cancelAfterMs) {
            QElapsedTimer t;
            t.start();
            w->cancelSoundJobs();
            cancelMs = t.elapsed();
        }
    });
    watch.start();

    testsupport::StallMeter gaps;
    // When into the job the largest gap ended.
    QElapsedTimer took;
    qint64 lastTick = 0, worstAt = 0, worstSeen = 0;
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = took.elapsed();
        if (now - lastTick > worstSeen) {
            worstSeen = now - lastTick;
            worstAt = now;
        }
        lastTick = now;
    });
    tick.start();
    testsupport::resetPeakMemory();
    gaps.reset();
    took.start();
    (vocal ? w->Check2 : w->Check3)->setChecked(true);
    // The job goes on from the event loop until it ends (or is cancelled).
    while (w->soundJobRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 jobMs = took.elapsed();
    const qint64 worst = gaps.worstMs();
    const long peakKb = testsupport::procStatusKb("VmHWM:");
    const bool on = vocal ? w->Jobs.VocalRemovalOn : w->Jobs.KeyShiftOn;
    // What it said besides the questions.
    QStringList told;
    for (const auto& c : ui.calls)
        if (c.kind == u"msg" && (c.style & 7) != rt::YesNo)
            told << QString(c.text).replace(u'\n', u' ');
    const QString said = told.join(QStringLiteral(" | "));
    // A failed or cancelled job's working files are deleted in the
    // background: what is left once that is done.
    QElapsedTimer settle;
    settle.start();
    while (!QDir(temp).entryList({QStringLiteral("*.gone-*")}, QDir::Files).isEmpty() && settle.elapsed() < 30000)
        QThread::msleep(20);
    std::printf("%s of %.0f s: %s in %lld ms, peak %.0f MB, largest gap %lld ms (ending at %.1f s), "
                "TEMP %.0f MB%s%s\n",
                vocal ? "vocal removal" : "key shift +3", seconds, on ? "done" : "not done",
                static_cast<long long>(jobMs), peakKb / 1024.0, static_cast<long long>(worst), worstAt / 1000.0,
                folderBytes(temp) / 1e6,
                cancelMs >= 0 ? qPrintable(QStringLiteral(", cancel took %1 ms").arg(cancelMs)) : "",
                said.isEmpty() ? "" : qPrintable(QStringLiteral(", said \"%1\"").arg(said)));
    w.reset();
    return on || cancelMs >= 0 ? 0 : 1;
}
