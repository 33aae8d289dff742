// The texts of the track information window under fixed locales.
#include "controls/xpbutton.h"
#include "dialogs/frminfo.h"
#include "dialogs/trackinfo.h"
#include "platform/mediacontrolfake.h"
#include "tests/support/testdir.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kDe(QLocale::German, QLocale::Germany);
const QLocale kCn(QLocale::Chinese, QLocale::China);

} // namespace

TEST(TrackInfoTexts, NumbersFollowTheLocale)
{
    struct Case {
        QLocale locale;
        double seconds;
        qint64 bytes;
        const char* duration;
        const char* size;
    };
    const Case cases[] = {
        {kUs, 215.3, 1572864, "215.3", "1.50 MB (1,572,864 字节)"},
        {kUs, 0.0, 0, "0", "0.00 MB (0 字节)"},
        // 3 GiB: past what a 32-bit length holds; the MB part is never grouped.
        {kUs, 3725.25, 3221225472LL, "3725.25", "3072.00 MB (3,221,225,472 字节)"},
        {kUs, 180.0, 1048575, "180", "1.00 MB (1,048,575 字节)"},
        {kDe, 215.3, 1572864, "215,3", "1,50 MB (1.572.864 字节)"},
        {kDe, 3725.25, 5368709120LL, "3725,25", "5120,00 MB (5.368.709.120 字节)"},
        {QLocale::c(), 0.1 + 0.2, 1572864, "0.3", "1.50 MB (1572864 字节)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString() + " " + c.size);
        EXPECT_EQ(durationText(c.seconds, c.locale), QString::fromUtf8(c.duration));
        EXPECT_EQ(fileSizeText(c.bytes, c.locale), QString::fromUtf8(c.size));
    }
}

TEST(TrackInfoTexts, DatesAreTheShortDateWithSeconds)
{
    const QDateTime when(QDate(2026, 12, 10), QTime(18, 7, 5));
    EXPECT_EQ(fileDateText(when, kUs), QStringLiteral("12/10/26 6:07:05 PM"));
    EXPECT_EQ(fileDateText(when, kCn), QStringLiteral("2026/12/10 18:07:05"));
    EXPECT_EQ(fileDateText(when, kDe), QStringLiteral("10.12.26 18:07:05"));
    EXPECT_EQ(fileDateText(when, QLocale(QLocale::Finnish, QLocale::Finland)), QStringLiteral("10.12.2026 18.07.05"));
    EXPECT_EQ(fileDateText(QDateTime(), kUs), QString());
}

class TrackInfoWindow : public ::testing::Test {
protected:
    testsupport::TestDir dir;
    rt::FakeMediaControl media;

    void open(const QString& name, const rt::FakeMedia& m = {})
    {
        media.setMedia(name, m);
        media.setFileName(name);
    }
};

TEST_F(TrackInfoWindow, ALocalFileShowsItsSizeAndDates)
{
    const QString path = dir.file("歌 曲.mp3");
    dir.write("歌 曲.mp3", QByteArray(1572864, 'x'));
    const QDateTime modified(QDate(2025, 3, 4), QTime(5, 6, 7));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    open(path, {.duration = 215.3, .title = "标题", .author = "歌手", .copyright = "(c) 2025",
                .description = "第一行\n第二行"});
    FrmInfo info(media, nullptr, kUs);
    EXPECT_EQ(info.windowTitle(), QStringLiteral("曲目属性"));
    const QStringList expected = {path, "标题", "歌手", "(c) 2025", "215.3 秒", "1.50 MB (1,572,864 字节)"};
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(info.fieldText(n), expected[n - 1]) << n;
    // The file system may keep no creation time: then "-".
    const QDateTime born = QFileInfo(path).birthTime();
    EXPECT_EQ(info.fieldText(7), born.isValid() ? fileDateText(born, kUs) : QStringLiteral("-"));
    EXPECT_EQ(info.fieldText(8), QStringLiteral("3/4/25 5:06:07 AM"));
    EXPECT_EQ(info.fieldText(9), QStringLiteral("第一行\n第二行"));
    for (int n = 1; n <= 8; ++n)
        EXPECT_TRUE(info.Text[n]->isReadOnly()) << n;
    EXPECT_TRUE(info.Text9->isReadOnly());
}

TEST_F(TrackInfoWindow, ASparseFileBeyondFourGigabytesKeepsItsWholeSize)
{
    const QString path = dir.file("big.mpg");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(3) << 30)); // sparse: no space taken
    }
    open(path, {.duration = 0});
    const TrackInfoTexts t = trackInfoTexts(media, kUs);
    EXPECT_EQ(t[4], QStringLiteral("0 秒"));
    EXPECT_EQ(t[5], QStringLiteral("3072.00 MB (3,221,225,472 字节)"));
}

TEST_F(TrackInfoWindow, WhatIsNotALocalFileHasNoSizeNorDates)
{
    dir.write("folder.mp3/inside", "x"); // a folder named like a track
    const QString cases[] = {
        QStringLiteral("http://radio.example.com:8000/live.mp3"),
        dir.file("missing.mp3"),
        dir.file("folder.mp3"),
    };
    for (const QString& name : cases) {
        SCOPED_TRACE(name.toStdString());
        open(name, {.duration = 0});
        const TrackInfoTexts t = trackInfoTexts(media, kUs);
        EXPECT_EQ(t[0], name);
        EXPECT_EQ(t[1], QStringLiteral("-")) << "no title";
        EXPECT_EQ(t[4], QStringLiteral("0 秒"));
        EXPECT_EQ(t[5], QStringLiteral("-"));
        EXPECT_EQ(t[6], QStringLiteral("-"));
        EXPECT_EQ(t[7], QStringLiteral("-"));
        EXPECT_EQ(t[8], QStringLiteral("-"));
    }
}

TEST_F(TrackInfoWindow, TheCloseButtonClosesIt)
{
    open(dir.file("missing.mp3"));
    FrmInfo info(media, nullptr, kUs);
    info.show();
    ASSERT_TRUE(info.isVisible());
    emit info.XPButton1->Click();
    EXPECT_FALSE(info.isVisible());
    EXPECT_FALSE(info.XPButton1->buttonEnabled());
}

// The description field's scroll bar is drawn as any scroll bar of the
// window, with its groove and arrows: the fields' white box does not reach it.
TEST_F(TrackInfoWindow, TheDescriptionHasAPlainScrollBar)
{
    open(dir.file("missing.mp3"), {.description = "一\n二\n三\n四\n五\n六"});
    FrmInfo info(media, nullptr, kUs);
    info.show();
    QScrollBar* bar = info.Text9->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    ASSERT_GT(bar->maximum(), 0);
    QScrollBar plain(Qt::Vertical, &info);
    plain.setRange(bar->minimum(), bar->maximum());
    plain.setPageStep(bar->pageStep());
    plain.setValue(bar->value());
    plain.resize(bar->size());
    plain.show();
    // Alike up to a shade in the edge lines (the field's palette).
    const QImage drawn = bar->grab().toImage(), normal = plain.grab().toImage();
    ASSERT_EQ(drawn.size(), normal.size());
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor a = drawn.pixelColor(x, y), b = normal.pixelColor(x, y);
            differing += std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                                   std::abs(a.blue() - b.blue())}) > 24;
        }
    EXPECT_EQ(differing, 0);
}
