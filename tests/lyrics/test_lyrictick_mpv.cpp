// The lyric tick against real playback (libmpv with null outputs): every
// line of a generated track is highlighted within a tick of its time.
#include "tests/lyrics/lyrictickwindow.h"

#include "platform/convert.h"
#include "platform/mpvmediacontrol.h"
#include "tests/support/audiogen.h"

#include <QFile>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>

using namespace melodune;
using testsupport::LyricTickWindow;

TEST(LyricTickMpv, EveryLineIsHighlightedWithinATickOfItsTime)
{
    LyricTickWindow t([](QObject* parent) {
        return new rt::MpvMediaControl(rt::MpvOptions::parse("ao=null,vo=null,open-timeout-ms=5000"), nullptr,
                                       parent);
    });
    FrmMain& w = *t.w;
    const QString track = t.dir.file("tone.wav");
    ASSERT_TRUE(testsupport::writeSineWav(track, testsupport::ToneSpec{.seconds = 6.0}));

    // Lines every 0.4 s, at tenths and between them, with an offset that the
    // clock has to add.
    QString lrc = QStringLiteral("[ti:tone]\n[offset:200]\n");
    QList<double> times;
    for (int i = 0; i < 12; ++i) {
        const double at = 0.3 + i * 0.4 + (i % 3 == 1 ? 0.05 : 0.0);
        times << at;
        lrc += QStringLiteral("[00:%1]line %2\n").arg(at, 5, 'f', 2, QLatin1Char('0')).arg(i);
    }
    t.dir.write("tone.lrc", lrc.toUtf8());
    QFile f(t.dir.file("tone.lrc"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    t.loadLyrics(QString::fromUtf8(f.readAll()));
    ASSERT_EQ(w.Lyrics.offset, 200);

    // Each change of the highlighted line, with the clock of the tick that made it.
    struct Hit {
        QString line;
        double stamp;
        double clock;
    };
    QList<Hit> hits;
    int lastStart = 0;
    QObject::connect(w.Timer[1], &QTimer::timeout, w.Timer[1], [&] {
        if (w.Lyrics.highlightStart != lastStart) {
            lastStart = w.Lyrics.highlightStart;
            // The box itself: in the last three seconds the views' current
            // line is the closing text.
            const QString line = w.RichTextBox1->text().mid(lastStart - 1, w.Lyrics.highlightLength);
            hits << Hit{line, rt::toDouble(w.LrcView.LrcCurTime).value_or(-1), w.LrcView.LrcClock};
        }
    });

    w.MediaPlayer1->setFileName(track);
    w.MediaPlayer1->play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.MediaPlayer1->playState() == rt::MediaControl::Playing; }, 5000));
    w.mnuLrcSt_Click();
    ASSERT_TRUE(w.Timer[1]->isActive());
    const bool allHit = QTest::qWaitFor([&] { return hits.size() >= times.size(); }, 9000);
    w.Timer[1]->stop();
    w.MediaPlayer1->stop();

    EXPECT_TRUE(allHit);
    ASSERT_EQ(hits.size(), times.size());
    QList<double> lags;
    for (int i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i].line, QStringLiteral("line %1").arg(i));
        EXPECT_NEAR(hits[i].stamp, times[i], 1e-9);
        // A line is due from the start of its tenth (12.35 is looked up as
        // 12.3); the lag runs from there.
        const double due = std::floor(times[i] * 10 + 1e-9) / 10;
        const double lag = hits[i].clock - due;
        lags << lag;
        EXPECT_GE(lag, -1e-6) << i;
        // Within one tick: 50 ms, or 110 ms right after a hit.
        EXPECT_LT(lag, 0.12) << i;
    }
    std::sort(lags.begin(), lags.end());
    const double median = lags[lags.size() / 2];
    const double worst = lags.back();
    std::cout << "highlight lag over " << lags.size() << " lines: median " << median * 1000 << " ms, worst "
              << worst * 1000 << " ms\n";
    EXPECT_LT(median, 0.06);
    RecordProperty("lag_median_ms", int(median * 1000 + 0.5));
    RecordProperty("lag_worst_ms", int(worst * 1000 + 0.5));
}
