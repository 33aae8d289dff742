#pragma once
// A main window for lyric tick and view tests: built offscreen with the
// scripted media control, settings at their defaults, and the window's own
// media-event handlers cut off so only the test drives the lyric box.
#include "lyrics/lrcparser.h"
#include "lyrics/lyricstyle.h"
#include "lyrics/richtext.h"
#include "tests/support/mainwindow.h"

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

struct LyricTickWindow : MainWindowFixture<> {
    rt::MediaControl* media = nullptr;

    explicit LyricTickWindow(std::function<rt::MediaControl*(QObject*)> make = {})
        : MainWindowFixture({.fakeClock = false, .makeDataFolder = false, .defaultSettings = true})
    {
        makeMedia = std::move(make);
        w = std::make_unique<melodune::FrmMain>(services);
        media = w->MediaPlayer1;
        QObject::disconnect(media, nullptr, w.get(), nullptr);
    }

    rt::FakeMediaControl& fake() { return *static_cast<rt::FakeMediaControl*>(media); }

    // Opens and plays a scripted track, its events delivered.
    void play(const rt::FakeMedia& m = {})
    {
        fake().setMedia("song.mp3", m);
        fake().setFileName("song.mp3");
        fake().play();
        QCoreApplication::processEvents();
    }
    // Moves the scripted position to `seconds` and runs one tick.
    void tickAt(double seconds)
    {
        fake().setCurrentPosition(seconds);
        w->Timer1_Timer();
    }

    // Puts a lyric file into the box as the loader does.
    void loadLyrics(const QString& lrc)
    {
        const melodune::LrcParseResult r = melodune::parseLrc(melodune::normaliseLyricText(lrc));
        melodune::applyLrcResult(r, *w->RichTextBox1, w->Lyrics);
        const melodune::SettingsRecord& s = melodune::settings();
        melodune::styleLyricBox(*w->RichTextBox1, melodune::lyricBoxStyle(s));
        w->LrcView.LyricsLoaded = true;
    }

    // The colour of the first character of a lyric text in the box.
    rt::PackedColor colourOf(const QString& lyric) const
    {
        const int at = w->RichTextBox1->text().indexOf(lyric);
        return at < 0 ? -1 : w->RichTextBox1->formatAt(at).color;
    }
};

// The lyric strips where the start sequence puts them: title, current, next.
inline void layOutLyricStrips(melodune::FrmMain& w)
{
    const int line = w.Picture6[0]->fontMetrics().height();
    const int width = w.Picture1->width();
    const int height = w.Picture1->height();
    w.Picture6[0]->setGeometry(0, 0, width, line);
    w.Picture6[2]->setGeometry(0, height - line - 1, width, line);
    w.Picture6[1]->setGeometry(0, height - 2 * line - 1, width, line);
}

// The columns, as the panel paints itself, that hold light text pixels in
// the rows of one of its strips, across the panel's whole width: the first
// and the last (-1, -1 when there is none).
inline std::pair<int, int> lightTextColumns(QWidget& panel, const QLabel& strip)
{
    const QImage img = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint at = strip.mapTo(&panel, QPoint(0, 0));
    const int top = std::max(at.y(), 0);
    const int bottom = std::min(at.y() + strip.height(), img.height()) - 1;
    int first = -1, last = -1;
    for (int x = 0; x < img.width(); ++x)
        for (int y = top; y <= bottom; ++y)
            if (qGray(img.pixel(x, y)) > 160) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

// The strip shows `line`, painted whole: its light pixels span the width of
// the text in the strip's font, inside the panel.
inline void expectStripShowsWhole(QWidget& panel, const QLabel& strip, const QString& line)
{
    EXPECT_EQ(strip.text().toStdString(), line.toStdString());
    const auto [first, last] = lightTextColumns(panel, strip);
    const int advance = strip.fontMetrics().horizontalAdvance(line);
    ASSERT_GE(first, 0) << "nothing painted in the strip's rows";
    EXPECT_GE(last - first + 1, advance * 9 / 10) << "the line is clipped";
    EXPECT_LE(last - first + 1, advance + 2);
}

} // namespace testsupport
