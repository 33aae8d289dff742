// The full-screen lyrics window on a real display with real playback
// (libmpv): the lag from the moment playback enters a line's tenth to the
// repaint that shows it, in the main window's text view and in each
// sub-mode; the CPU of the whole process over 30 s per sub-mode; and the
// time to open the window on a 2,000-line lyric. A measuring tool, not a
// test (scripts/bench_lyricswindow.sh runs it); run it on a quiet machine.
#include "core/frmmain.h"
#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/frmlrc.h"
#include "lyrics/lrcparser.h"
#include "lyrics/lyricstyle.h"
#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"
#include "platform/convert.h"
#include "platform/registry.h"
#include "tests/support/audiogen.h"
#include "visual/visualpanel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace melodune;

namespace {

QElapsedTimer wall;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Watches one widget's paints and the main lyric box's hits: each hit's
// time of entering the line's tenth, and the first paint of the widget after it.
class LagProbe : public QObject {
public:
    LagProbe(FrmMain& w) : w_(w)
    {
        connect(w.RichTextBox1, &RichTextModel::formatChanged, this, [this] { onHit(); });
    }
    void watch(QWidget* target)
    {
        if (target_)
            target_->removeEventFilter(this);
        target_ = target;
        target_->installEventFilter(this);
        pendingSince_ = -1;
        lags_.clear();
    }
    std::vector<double> lags_;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == target_ && e->type() == QEvent::Paint && pendingSince_ >= 0) {
            lags_.push_back(double(wall.nsecsElapsed()) / 1e6 - pendingSince_);
            pendingSince_ = -1;
        }
        return false;
    }

private:
    void onHit()
    {
        const int start = w_.Lyrics.highlightStart;
        if (start == lastStart_ || start <= 0)
            return;
        lastStart_ = start;
        // The line's tenth began (clock - stamp's tenth) seconds ago.
        const double clock = w_.MediaPlayer1->currentPosition() + w_.Lyrics.offset / 1000.0;
        const double tenth = rt::toDouble(w_.LrcView.LrcTimeKey).value_or(clock);
        pendingSince_ = double(wall.nsecsElapsed()) / 1e6 - (clock - tenth) * 1000.0;
    }

    FrmMain& w_;
    QWidget* target_ = nullptr;
    double pendingSince_ = -1;
    int lastStart_ = 0;
};

void report(const char* name, std::vector<double> v, double cpuPercent)
{
    std::sort(v.begin(), v.end());
    if (v.empty()) {
        std::printf("%-28s no hits\n", name);
        return;
    }
    std::printf("%-28s lag median %5.1f ms  worst %5.1f ms  (%zu lines)", name, v[v.size() / 2], v.back(), v.size());
    if (cpuPercent >= 0)
        std::printf("   CPU %.1f %% of a core", cpuPercent);
    std::printf("\n");
    std::fflush(stdout);
}

// Plays on for `seconds`; returns the CPU as a percentage of one core.
double run(double seconds)
{
    const double c0 = cpuSeconds();
    const qint64 t0 = wall.elapsed();
    QTest::qWait(int(seconds * 1000));
    return 100.0 * (cpuSeconds() - c0) / (double(wall.elapsed() - t0) / 1000.0);
}

void loadLyrics(FrmMain& w, const QString& lrc)
{
    const LrcParseResult r = parseLrc(normaliseLyricText(lrc));
    applyLrcResult(r, *w.RichTextBox1, w.Lyrics);
    styleLyricBox(*w.RichTextBox1, lyricBoxStyle(settings()));
    w.LrcView.LyricsLoaded = true;
}

QString lyricFile(int lines, double every)
{
    QString lrc = QStringLiteral("[ti:Bench]\n");
    for (int i = 1; i <= lines; ++i) {
        const double t = i * every;
        lrc += QStringLiteral("[%1:%2]第 %3 行歌词 line %3\n")
                   .arg(int(t) / 60, 2, 10, QChar(u'0'))
                   .arg(t - 60 * (int(t) / 60), 5, 'f', 2, QChar(u'0'))
                   .arg(i);
    }
    return lrc;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s WORK-DIR [SECONDS-PER-MODE]\n", argv[0]);
        return 2;
    }
    const QString work = QString::fromLocal8Bit(argv[1]);
    const double perMode = argc > 2 ? std::atof(argv[2]) : 30.0;
    QDir().mkpath(work + QStringLiteral("/data"));
    rt::Registry reg(work + QStringLiteral("/registry.ini"));
    rt::ScopedRegistry scopedReg(&reg);
    shared().DataDir = work + QStringLiteral("/data");
    std::int32_t index = -1;
    assignSettingDefaults(settings(), &index);

    const double songSeconds = 20 + 4 * perMode + 10;
    const QString song = work + QStringLiteral("/song.mp3");
    const QString lrc = lyricFile(int(songSeconds / 1.3), 1.3);
    testsupport::writeSineMp3(song, testsupport::ToneSpec{.seconds = songSeconds, .amplitude = 0.1});
    if (QFile f(work + QStringLiteral("/song.lrc")); f.open(QIODevice::WriteOnly))
        f.write(lrc.toUtf8());

    FrmMain w;
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) {
        std::fprintf(stderr, "the main window did not show\n");
        return 1;
    }
    wall.start();
    LagProbe probe(w);
    settings().LrcViewMode = 0;
    w.mnuLrcVS0_Click();
    loadLyrics(w, lrc);
    w.MediaPlayer1->setFileName(song);
    w.MediaPlayer1->play();
    w.Timer[1]->start();

    probe.watch(w.RichTextBox1View->viewport());
    const double mainCpu = run(std::min(perMode, 15.0));
    report("main window, view 0", probe.lags_, mainCpu);

    w.XPButton21_Click(); // 100
    if (!QTest::qWaitFor([&] { return w.lyricsWindowShown(); }, 5000)) {
        std::fprintf(stderr, "the lyrics window did not open\n");
        return 1;
    }
    FrmLrc* lrcWindow = w.lyricsWindow();
    if (!QTest::qWaitForWindowExposed(lrcWindow)) {
        std::fprintf(stderr, "the lyrics window was not exposed\n");
        return 1;
    }
    struct Mode {
        const char* name;
        QWidget* target;
    };
    const Mode modes[] = {
        {"lyrics window, 100 text", lrcWindow->RichTextBox1View->viewport()},
        {"lyrics window, 101 marquee", lrcWindow->Picture1},
        {"lyrics window, 102 strips", lrcWindow->Picture2[1]},
    };
    for (const Mode& m : modes) {
        probe.watch(m.target);
        QTest::qWait(300);
        probe.lags_.clear();
        const double cpu = run(perMode);
        report(m.name, probe.lags_, cpu);
        lrcWindow->Timer2_Timer(); // the next sub-mode
    }
    w.closeLyricsWindow();
    w.MediaPlayer1->stop();
    w.Timer[1]->stop();
    QTest::qWait(200);

    // Opening on a 2,000-line lyric: from the request to the text on screen.
    loadLyrics(w, lyricFile(2000, 1.0));
    std::vector<double> opening;
    for (int i = 0; i < 5; ++i) {
        settings().LrcViewMode = 100;
        const qint64 t0 = wall.nsecsElapsed();
        w.openLyricsWindow();
        QWidget* view = w.lyricsWindow()->RichTextBox1View->viewport();
        bool painted = false;
        struct PaintSeen : QObject {
            bool* seen;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint)
                    *seen = true;
                return false;
            }
        } seen;
        seen.seen = &painted;
        view->installEventFilter(&seen);
        if (!QTest::qWaitFor([&] { return painted && w.lyricsWindowShown(); }, 10000)) {
            std::fprintf(stderr, "the lyrics window did not open on the long lyric\n");
            return 1;
        }
        opening.push_back(double(wall.nsecsElapsed() - t0) / 1e6);
        view->removeEventFilter(&seen);
        w.closeLyricsWindow();
        QTest::qWait(200);
    }
    std::sort(opening.begin(), opening.end());
    std::printf("%-28s median %.0f ms  worst %.0f ms  (5 openings)\n", "opening, 2,000 lines", opening[2],
                opening.back());
    return 0;
}
