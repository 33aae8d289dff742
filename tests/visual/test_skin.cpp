#include "visual/skin.h"

#include "platform/ui.h"
#include "tests/support/testdir.h"

#include <QBuffer>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

// The region built one rectangle per pixel, to check the run-based one.
QRegion slowRegion(const QImage& img)
{
    QRegion r;
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if ((rgb.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                r += QRect(x, y, 1, 1);
    return r;
}

// A 12 by 8 white picture with a filled ellipse and a stray dot at the
// bottom-right pixel.
QImage fixture()
{
    QImage img(12, 8, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 40, 60));
    p.drawEllipse(QRect(0, 0, 12, 8));
    p.end();
    img.setPixel(11, 7, qRgb(0, 0, 0));
    return img;
}

QByteArray pngBytes(const QImage& img)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

QImage solid(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

} // namespace

TEST(SkinRegion, WhitePixelsAreCutAwayAndRunsMatchPixelByPixel)
{
    const QImage img = fixture();
    const auto region = skinRegion(img);
    ASSERT_TRUE(region);
    EXPECT_EQ(*region, slowRegion(img));
    EXPECT_FALSE(region->contains(QPoint(0, 0)));
    EXPECT_FALSE(region->contains(QPoint(11, 0)));
    EXPECT_FALSE(region->contains(QPoint(0, 7)));
    EXPECT_TRUE(region->contains(QPoint(6, 4)));
    // The last row and column belong to the window like any other.
    EXPECT_TRUE(region->contains(QPoint(11, 7)));

    EXPECT_EQ(*skinRegion(solid(5, 4, Qt::black)), QRegion(0, 0, 5, 4));
    EXPECT_TRUE(skinRegion(solid(5, 4, Qt::white))->isEmpty());
    EXPECT_TRUE(skinRegion(QImage())->isEmpty());
}

TEST(SkinRegion, TheWhiteTestFollowsTheDisplayDepth)
{
    struct Case { QRgb colour; int depth; bool white; };
    const Case cases[] = {
        {qRgb(255, 255, 255), 32, true},
        {qRgb(255, 255, 255), 24, true},
        {qRgb(255, 255, 254), 32, false},
        {qRgb(250, 250, 250), 32, false},
        {qRgb(252, 252, 252), 16, true},  // rounds to white in 5-6-5
        {qRgb(250, 250, 250), 16, false}, // green keeps 6 bits: 62 of 63
        {qRgb(250, 250, 250), 15, true},
        {qRgb(120, 255, 255), 16, true},  // low 15 bits of the 5-6-5 word all set
        {qRgb(120, 255, 255), 15, false},
        {qRgb(120, 255, 255), 32, false},
    };
    for (const Case& c : cases) {
        const auto r = skinRegion(solid(3, 2, QColor::fromRgb(c.colour)), c.depth);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->isEmpty(), c.white) << std::hex << c.colour << " at " << std::dec << c.depth;
    }
    EXPECT_FALSE(skinRegion(solid(3, 2, Qt::black), 8));
}

TEST(SkinRegion, TransparentPixelsAreOutside)
{
    QImage img(4, 4, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    img.setPixel(1, 2, qRgba(10, 10, 10, 255));
    EXPECT_EQ(*skinRegion(img), QRegion(1, 2, 1, 1));
}

TEST(Skin, BuiltInSkinHasItsSizeAndWhiteCorners)
{
    const QPixmap skin = builtInSkin();
    ASSERT_FALSE(skin.isNull());
    EXPECT_EQ(skin.size(), QSize(BuiltInSkinWidth, BuiltInSkinHeight));
    const QRegion r = *skinRegion(skin.toImage());
    for (QPoint corner : {QPoint(0, 0), QPoint(673, 0), QPoint(0, 469), QPoint(673, 469)})
        EXPECT_FALSE(r.contains(corner)) << corner.x() << "," << corner.y();
    EXPECT_TRUE(r.contains(QPoint(337, 235)));
    EXPECT_TRUE(r.contains(QPoint(337, 0)));
    EXPECT_TRUE(r.contains(QPoint(0, 235)));
}

TEST(Skin, ShippedPicturesLoadByContent)
{
    const QString data = QStringLiteral(MELODUNE_SOURCE_DIR "/data/");
    const QPixmap pic = loadPicture(data + "default.pic");
    EXPECT_EQ(pic.size(), QSize(288, 216));
    for (const char* icon : {"res/mdu.ico", "res/Default.ico", "res/ico", "res/ico.mp3", "res/ico.m3u", "res/ico.wm"})
        EXPECT_FALSE(loadPicture(data + icon).isNull()) << icon;
    EXPECT_TRUE(loadPicture(data + "missing.pic").isNull());
}

struct SkinWindow : ::testing::Test {
    testsupport::TestDir dir;
    QWidget window;
    QLabel* pic = new QLabel(&window);
    SkinControls c;
    rt::ScriptedUi ui;
    rt::ScopedUi scope{&ui};

    void SetUp() override
    {
        window.setWindowFlag(Qt::FramelessWindowHint);
        c.window = &window;
        c.picShape = pic;
        c.timer7 = makeTimer7(&window, c);
        dir.write("skins/round.png", pngBytes(fixture()));
        dir.write("skins/broken.png", "not a picture");
    }
    int screenWidth() const { return window.screen()->geometry().width(); }
};

TEST_F(SkinWindow, StartUpUsesTheBuiltInSkinUnlessANamedSkinLoads)
{
    struct Case { const char* skinFile; QSize size; };
    const Case cases[] = {{"", {674, 470}}, {"missing.png", {674, 470}}, {"broken.png", {674, 470}}, {"round.png", {12, 8}}};
    for (const Case& k : cases) {
        pic->setPixmap(QPixmap());
        prepareSkin(c, dir.path(), k.skinFile);
        EXPECT_EQ(c.imgShape[0].size(), QSize(674, 470)) << k.skinFile;
        EXPECT_EQ(pic->size(), k.size) << k.skinFile;
    }
    // The skin sits centred at the top and the window has its outline.
    const int left = (screenWidth() - 12) / 2;
    EXPECT_EQ(pic->pos(), QPoint(left, 0));
    EXPECT_EQ(window.mask(), skinRegion(fixture().copy())->translated(left, 0));
    EXPECT_FALSE(c.timer7->isActive());
}

TEST_F(SkinWindow, ASkinWiderThanTheScreenGetsAFrameAndNoNewShape)
{
    setSkinPicture(pic, QPixmap::fromImage(fixture()));
    Timer7_Timer(c);
    const QRegion before = window.mask();
    ASSERT_FALSE(before.isEmpty());
    setSkinPicture(pic, QPixmap::fromImage(solid(screenWidth() + 10, 20, Qt::black)));
    c.timer7->start();
    Timer7_Timer(c);
    EXPECT_EQ(pic->pos(), QPoint(0, 0));
    EXPECT_FALSE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.mask(), before);
    EXPECT_FALSE(c.timer7->isActive());
}

TEST_F(SkinWindow, AnAllWhiteSkinRemovesTheShape)
{
    setSkinPicture(pic, QPixmap::fromImage(fixture()));
    Timer7_Timer(c);
    ASSERT_FALSE(window.mask().isEmpty());
    setSkinPicture(pic, QPixmap::fromImage(solid(10, 10, Qt::white)));
    Timer7_Timer(c);
    EXPECT_TRUE(window.mask().isEmpty());
}

TEST_F(SkinWindow, DefaultSkinCommandPutsTheBuiltInSkinBack)
{
    prepareSkin(c, dir.path(), "round.png");
    QString skinFile = "round.png";
    mnuSkinsDe_Click(c, skinFile);
    EXPECT_TRUE(skinFile.isEmpty());
    EXPECT_EQ(pic->size(), QSize(674, 470));
    EXPECT_TRUE(c.timer7->isActive());
}

TEST_F(SkinWindow, ChoosingASkin)
{
    testsupport::TestDir elsewhere;
    elsewhere.write("Star.PNG", pngBytes(solid(30, 20, Qt::red)));
    elsewhere.write("junk.png", "junk");
    prepareSkin(c, dir.path(), "");
    QString skinFile = "old.png";

    // Cancelled: nothing changes.
    mnuSkinsRe_Click(c, dir.path(), skinFile);
    EXPECT_EQ(skinFile, "old.png");
    ASSERT_EQ(ui.calls.size(), 1u);

    // Unreadable file: message, old skin stays.
    ui.openAnswers.push_back({{elsewhere.file("junk.png")}, 1});
    mnuSkinsRe_Click(c, dir.path(), skinFile);
    EXPECT_EQ(ui.messages().last(), QString::fromUtf8("错误或不支持的的皮肤文件！"));
    EXPECT_EQ(pic->size(), QSize(674, 470));
    EXPECT_EQ(skinFile, "old.png");

    // From outside the skins folder, answer No: previous skin back.
    ui.openAnswers.push_back({{elsewhere.file("Star.PNG")}, 1});
    ui.msgAnswers.push_back(rt::No);
    mnuSkinsRe_Click(c, dir.path(), skinFile);
    EXPECT_EQ(ui.messages().last(), QString::fromUtf8("你要保存此界面皮肤吗?"));
    EXPECT_EQ(ui.calls.back().style, rt::YesNo | rt::Question);
    EXPECT_EQ(pic->size(), QSize(674, 470));
    EXPECT_EQ(skinFile, "old.png");
    EXPECT_FALSE(dir.exists("skins/Star.PNG"));

    // Answer Yes: copied into the folder and named.
    ui.openAnswers.push_back({{elsewhere.file("Star.PNG")}, 1});
    ui.msgAnswers.push_back(rt::Yes);
    mnuSkinsRe_Click(c, dir.path(), skinFile);
    EXPECT_EQ(skinFile, "Star.PNG");
    EXPECT_EQ(pic->size(), QSize(30, 20));
    EXPECT_EQ(dir.read("skins/Star.PNG"), elsewhere.read("Star.PNG"));

    // Already in the folder: no question.
    const auto asked = ui.calls.size();
    ui.openAnswers.push_back({{dir.file("skins/round.png")}, 1});
    mnuSkinsRe_Click(c, dir.path(), skinFile);
    EXPECT_EQ(skinFile, "round.png");
    EXPECT_EQ(ui.calls.size(), asked + 1); // only the file dialog
    EXPECT_EQ(ui.calls.back().text, QString::fromUtf8("查找/替换界面皮肤"));
}
