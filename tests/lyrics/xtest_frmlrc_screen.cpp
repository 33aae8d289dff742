// The full-screen lyrics window on the virtual display with real playback
// (libmpv, a generated MP3 with its LRC beside it): H opens it over the whole
// screen, the sung line shows in the highlight colour, right clicks change
// the sub-mode, Esc brings the main window back whole, and a video goes full
// screen from it. With MELODUNE_SHOT_DIR set, the screens are kept there.
#include "controls/xpbutton.h"
#include "lyrics/frmlrc.h"
#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"
#include "platform/mpvmediacontrol.h"
#include "tests/support/audiogen.h"
#include "tests/support/mainwindow.h"
#include "tests/support/videogen.h"
#include "visual/visualpanel.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

class LyricsWindowScreenTest : public MainWindowTest<> {
protected:
    void SetUp() override
    {
        makeMedia = [](QObject* parent) {
            return new rt::MpvMediaControl(rt::MpvOptions::parse("open-timeout-ms=5000"), nullptr, parent);
        };
    }

    static QImage screenShot(const QString& name)
    {
        QScreen* s = QGuiApplication::primaryScreen();
        const QImage img = s->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        const QString dirName = qEnvironmentVariable("MELODUNE_SHOT_DIR");
        if (!dirName.isEmpty()) {
            QDir().mkpath(dirName);
            img.save(dirName + QStringLiteral("/") + name);
        }
        return img;
    }

    // Rows of the image holding at least `min` pixels of the colour.
    static QList<int> rowsWith(const QImage& img, QRgb colour, int min, QRect area = {})
    {
        if (area.isNull())
            area = img.rect();
        QList<int> rows;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            int n = 0;
            for (int x = area.left(); x <= area.right(); ++x)
                n += (line[x] & 0xffffff) == (colour & 0xffffff);
            if (n >= min)
                rows << y;
        }
        return rows;
    }
    static QRgb qrgb(rt::PackedColor c) { return rt::toQColor(c).rgb(); }
};

TEST_F(LyricsWindowScreenTest, OpensFullScreenShowsTheSungLineAndReturnsWhole)
{
    if (QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "needs the test display";
    const QString song = dir.file(QStringLiteral("song.mp3"));
    ASSERT_TRUE(testsupport::writeSineMp3(song, testsupport::ToneSpec{.seconds = 40.0, .amplitude = 0.1}));
    QString lyrics = QStringLiteral("[ti:Screen]\n");
    for (int i = 1; i <= 30; ++i)
        lyrics += QStringLiteral("[00:%1.00]第 %2 行歌词 line %2\n").arg(i, 2, 10, QChar(u'0')).arg(i);
    dir.write(QStringLiteral("song.lrc"), lyrics.toUtf8());
    // One background picture, so the strip screen is known.
    const QColor backdrop(30, 120, 200);
    QDir().mkpath(shared().DataDir + QStringLiteral("/bkground"));
    QPixmap bk(64, 48);
    bk.fill(backdrop);
    ASSERT_TRUE(bk.save(shared().DataDir + QStringLiteral("/bkground/blue.png")));

    FrmMain& win = playing({song}, 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    ASSERT_TRUE(waitUntil([&] { return win.LrcView.LyricsLoaded && win.MediaPlayer1->playState() == 2; }, 10000));
    settings().UseCoverAsLrcBack = 0;
    win.mnuLrcVS0_Click();
    QStringList tips;
    for (int i = 1; i <= 25; ++i)
        tips << win.XPButtons[i]->toolTip();
    ASSERT_FALSE(tips.join(QString()).isEmpty()) << "the deferred start set them";
    const QRegion shape = win.mask();

    // H: the window over the whole screen, the main window gone.
    QTest::keyClick(win.windowHandle(), Qt::Key_H);
    ASSERT_TRUE(waitUntil([&] { return win.lyricsWindowShown(); }, 3000));
    FrmLrc& lrc = *win.lyricsWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lrc));
    EXPECT_EQ(settings().LrcViewMode, 100);
    EXPECT_FALSE(win.isVisible());
    EXPECT_TRUE(lrc.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(lrc.frameGeometry(), lrc.screen()->geometry());

    // After a hit, the sung line in the highlight colour over the back colour.
    const int hitAt = win.Lyrics.highlightStart;
    ASSERT_TRUE(waitUntil([&] { return win.Lyrics.highlightStart != hitAt && win.Lyrics.highlightStart > 0; }, 3000));
    QTest::qWait(150);
    QImage img = screenShot(QStringLiteral("frmlrc-100.png"));
    const SettingsRecord& s = settings();
    EXPECT_EQ(img.pixel(img.width() - 3, img.height() / 2) & 0xffffff, qrgb(s.LrcBackColor) & 0xffffff);
    const QList<int> lit = rowsWith(img, qrgb(s.LrcHighlightColor), 4);
    ASSERT_FALSE(lit.isEmpty()) << "no line in the highlight colour";
    EXPECT_LT(lit.last() - lit.first(), 60) << "one line, 32 points high, is highlighted";
    EXPECT_FALSE(rowsWith(img, qrgb(s.LrcTextColor), 4).isEmpty()) << "the other lines in the text colour";

    // Right click: the marquee over the warping visualiser.
    QTest::mouseClick(lrc.RichTextBox1View->viewport(), Qt::RightButton);
    ASSERT_TRUE(waitUntil([&] { return settings().LrcViewMode == 101; }, 2000));
    ASSERT_TRUE(waitUntil([&] { return lrc.Picture1->hasFrame(); }, 3000));
    QTest::qWait(600);
    img = screenShot(QStringLiteral("frmlrc-101.png"));
    int lightPixels = 0;
    for (int y = 0; y < img.height(); y += 8)
        for (int x = 0; x < img.width(); x += 8)
            lightPixels += qGray(img.pixel(x, y)) > 60;
    EXPECT_GT(lightPixels, 50) << "the marquee is drawn over the screen";

    // Right click: three rows over the background picture.
    QTest::mouseClick(lrc.Picture1, Qt::RightButton);
    ASSERT_TRUE(waitUntil([&] { return settings().LrcViewMode == 102; }, 2000));
    const QString before = win.LrcView.LrcCurLine;
    ASSERT_TRUE(waitUntil([&] { return win.LrcView.LrcCurLine != before; }, 3000));
    QTest::qWait(150);
    img = screenShot(QStringLiteral("frmlrc-102.png"));
    EXPECT_EQ(QColor(img.pixel(img.width() / 2, img.height() / 2)), backdrop) << "the background between the rows";
    const QRect current = lrc.Picture2[1]->geometry();
    EXPECT_FALSE(rowsWith(img, qRgb(255, 255, 255), 3, current.intersected(img.rect())).isEmpty())
        << "the current line printed white in its row";
    EXPECT_EQ(current.bottom() + 1, lrc.Picture2[2]->y());
    EXPECT_EQ(lrc.Picture2[2]->geometry().bottom(), img.height() - 1);

    // Esc: the main window back with its shape, tooltips and editor state.
    QTest::keyClick(lrc.windowHandle(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return win.isVisible() && !win.lyricsWindowShown(); }, 2000));
    EXPECT_EQ(settings().LrcViewMode, 2);
    EXPECT_EQ(win.mask(), shape);
    for (int i = 1; i <= 25; ++i)
        EXPECT_EQ(win.XPButtons[i]->toolTip(), tips[i - 1]) << i;
    EXPECT_EQ(win.XPButtons[5]->buttonToolTip(), QStringLiteral("编辑修改歌词"));
    EXPECT_EQ(QColor(win.Image6->pixmap().toImage().pixel(1, 1)), backdrop) << "the last background stays";
}

TEST_F(LyricsWindowScreenTest, AVideoGoesFullScreenFromIt)
{
    if (QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "needs the test display";
    const QString song = dir.file(QStringLiteral("song.mp3"));
    ASSERT_TRUE(testsupport::writeSineMp3(song, testsupport::ToneSpec{.seconds = 30.0, .amplitude = 0.1}));
    dir.write(QStringLiteral("song.lrc"), QByteArray("[00:01.00]one\n[00:02.00]two\n[00:03.00]three\n"));
    FrmMain& win = playing({song}, 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    ASSERT_TRUE(waitUntil([&] { return win.LrcView.LyricsLoaded && win.MediaPlayer1->playState() == 2; }, 10000));
    win.mnuLrcVS0_Click();
    win.XPButton21_Click();
    ASSERT_TRUE(waitUntil([&] { return win.lyricsWindowShown(); }, 3000));
    FrmLrc& lrc = *win.lyricsWindow();
    EXPECT_FALSE(lrc.Picture5->isVisible()) << "sound: no video button";

    // A video now plays: its button shows within a second.
    const QString video = dir.file(QStringLiteral("video.y4m"));
    ASSERT_TRUE(testsupport::writeTestVideo(video, testsupport::VideoSpec{.seconds = 20.0}));
    win.MediaPlayer1->setFileName(video);
    win.MediaPlayer1->play();
    ASSERT_TRUE(waitUntil([&] { return lrc.Picture5->isVisible(); }, 3000));
    QTest::keyClick(lrc.windowHandle(), Qt::Key_F);
    EXPECT_EQ(win.MediaPlayer1->displaySize(), rt::MediaControl::DisplayFullScreen);
    ASSERT_TRUE(waitUntil([&] { return !lrc.Picture5->isVisible(); }, 3000));
    // Esc on the video leaves full screen; the lyrics window is still there.
    QTest::keyClick(win.MediaPlayer1->widget(), Qt::Key_Escape);
    EXPECT_NE(win.MediaPlayer1->displaySize(), rt::MediaControl::DisplayFullScreen);
    EXPECT_TRUE(win.lyricsWindowShown());
    ASSERT_TRUE(waitUntil([&] { return lrc.Picture5->isVisible(); }, 3000));
    QTest::keyClick(lrc.windowHandle(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return win.isVisible() && !win.lyricsWindowShown(); }, 2000));
    win.mnuStop_Click();
}

} // namespace
