// What the lyric box shows on the screen of the virtual display, compared
// with what it would draw afresh: pixels left behind by a window that lay
// over it must not stay.
#include "lyrics/lyricloader.h"
#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"
#include "tests/support/mainwindow.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstring>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

class LyricBoxScreenTest : public MainWindowTest<> {
protected:
    // The box as it stands on the screen, and as it draws itself now.
    QImage onScreen(QWidget* box)
    {
        const QPoint at = box->mapToGlobal(QPoint(0, 0));
        return box->screen()->grabWindow(0, at.x(), at.y(), box->width(), box->height()).toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    static QImage drawn(QWidget* box) { return box->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // The rows of pixels in which the two differ.
    static int differingRows(const QImage& a, const QImage& b)
    {
        if (a.size() != b.size())
            return a.height() + b.height();
        int rows = 0;
        for (int y = 0; y < a.height(); ++y)
            rows += std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.bytesPerLine())) != 0;
        return rows;
    }

    void tickAt(FrmMain& win, double seconds)
    {
        fake()->setCurrentPosition(seconds);
        win.Timer1_Timer();
        QTest::qWait(30);
    }
};

TEST_F(LyricBoxScreenTest, TheBoxIsRepaintedOnceTheLyricEditorCloses)
{
    const QString song = QStringLiteral("/m/song.mp3");
    QString lrc = QStringLiteral("[ti:Song]\r\n[ar:Singer]\r\n");
    for (int i = 1; i <= 40; ++i)
        lrc += QStringLiteral("[00:%1.00]line number %2\r\n").arg(i, 2, 10, QChar(u'0')).arg(i);
    dir.write(QStringLiteral("data/LRCS/") + QFileInfo(lyricFilePath(shared().DataDir, song)).fileName(),
              lrc.toUtf8());

    FrmMain& win = playing({song}, 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    win.mnuLrcVS0_Click();
    QTest::qWait(50);
    ASSERT_TRUE(win.LrcView.LyricsLoaded);
    QWidget* box = win.RichTextBox1View;
    ASSERT_TRUE(box->isVisible());

    for (int s = 1; s <= 6; ++s)
        tickAt(win, s);
    QTest::qWait(100);
    ASSERT_EQ(differingRows(onScreen(box), drawn(box)), 0) << "the box is on the screen as drawn";

    win.XPButton5_Click(); // open the editor over the box
    ASSERT_TRUE(win.lyricEditorOpen());
    QTest::qWait(100);
    ui.msgAnswers = {rt::No};
    win.XPButton5_Click(); // close it without saving: the lyrics load again and play on
    ASSERT_FALSE(win.lyricEditorOpen());
    for (int s = 7; s <= 12; ++s)
        tickAt(win, s);
    QTest::qWait(200);
    EXPECT_EQ(differingRows(onScreen(box), drawn(box)), 0) << "stale pixels left in the box";
}

} // namespace
