#include "visual/skin.h"

#include "platform/ui.h"
#include "tests/support/skinpictures.h"
#include "tests/support/testdir.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>

using namespace melodune;

namespace {

// The rules pixel by pixel: a pixel belongs when it is not white (as the
// display holds it), and lies neither in the bottom row nor in the
// rightmost column.
QRegion slowRegion(const QImage& img, int depth = 32)
{
    QRegion r;
    const bool sixteen = depth == 15 || depth == 16;
    const QImage px = sixteen ? img.convertToFormat(depth == 15 ? QImage::Format_RGB555 : QImage::Format_RGB16,
                                                    Qt::AvoidDither)
                              : img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y + 1 < px.height(); ++y)
        for (int x = 0; x + 1 < px.width(); ++x) {
            const bool white = sixteen ? (reinterpret_cast<const quint16*>(px.constScanLine(y))[x] & 0x7FFF) == 0x7FFF
                                       : (px.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
            if (!white)
                r += QRect(x, y, 1, 1);
        }
    return r;
}

// A picture from rows of text: '#' black, '.' white.
QImage rowsPicture(std::initializer_list<const char*> rows)
{
    const int h = int(rows.size());
    const int w = int(std::strlen(*rows.begin()));
    QImage img(w, h, QImage::Format_RGB32);
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, row[x] == '#' ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        ++y;
    }
    return img;
}

// A 12 by 8 white picture with a filled ellipse and a stray dot at the
// bottom-right pixel.
QImage fixture()
{
    QImage img = testsupport::discOnWhite(QSize(12, 8), QColor(20, 40, 60));
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

TEST(SkinRegion, TinyPictures)
{
    struct Case {
        const char* name;
        QImage picture;
        QRegion expected;
    };
    const Case cases[] = {
        {"all black 5x4: one narrower and lower", solid(5, 4, Qt::black), QRegion(0, 0, 4, 3)},
        {"all white", solid(5, 4, Qt::white), QRegion()},
        {"a run touching the right edge", rowsPicture({".###", ".###", "...."}), QRegion(1, 0, 2, 2)},
        {"the bottom row is never scanned", rowsPicture({"....", "....", "####"}), QRegion()},
        {"a dot in the last column is dropped", rowsPicture({"...#", "....", "...."}), QRegion()},
        {"two runs in a row", rowsPicture({"#.#.", "#.#.", "...."}), QRegion(0, 0, 1, 2) + QRegion(2, 0, 1, 2)},
        {"one pixel high", solid(6, 1, Qt::black), QRegion()},
        {"no picture", QImage(), QRegion()},
    };
    for (const Case& c : cases) {
        const auto r = skinRegion(c.picture);
        ASSERT_TRUE(r) << c.name;
        EXPECT_EQ(*r, c.expected) << c.name;
    }
    // The stray dot at the bottom-right pixel of the ellipse fixture is out.
    const QRegion round = *skinRegion(fixture());
    EXPECT_FALSE(round.contains(QPoint(11, 7)));
    EXPECT_FALSE(round.contains(QPoint(0, 0)));
    EXPECT_TRUE(round.contains(QPoint(6, 4)));
}

TEST(SkinRegion, MatchesThePixelRulesOnRandomPictures)
{
    QRandomGenerator rng(20261210);
    for (int n = 0; n < 60; ++n) {
        const int w = 1 + int(rng.bounded(40)), h = 1 + int(rng.bounded(30));
        QImage img(w, h, QImage::Format_RGB32);
        // Mostly white and black in clumps, some near-white.
        const QRgb palette[] = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(252, 252, 252), qRgb(255, 255, 254),
                                qRgb(120, 255, 255)};
        QRgb current = palette[0];
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (rng.bounded(4) == 0)
                    current = palette[rng.bounded(5)];
                img.setPixel(x, y, current);
            }
        for (int depth : {16, 15, 24, 30, 32}) {
            const auto r = skinRegion(img, depth);
            ASSERT_TRUE(r);
            ASSERT_EQ(*r, slowRegion(img, depth)) << w << "x" << h << " at " << depth << " bits, picture " << n;
        }
    }
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
        {qRgb(255, 255, 255), 30, true},  // deep colour: as at 24 and 32 bits
        {qRgb(255, 255, 254), 30, false},
    };
    for (const Case& c : cases) {
        const auto r = skinRegion(solid(3, 3, QColor::fromRgb(c.colour)), c.depth);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->isEmpty(), c.white) << std::hex << c.colour << " at " << std::dec << c.depth;
    }
    EXPECT_FALSE(skinRegion(solid(3, 3, Qt::black), 8));
}

TEST(SkinRegion, TransparentPixelsAreOutside)
{
    QImage img(4, 4, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    img.setPixel(1, 2, qRgba(10, 10, 10, 255));
    EXPECT_EQ(*skinRegion(img), QRegion(1, 2, 1, 1));
    img.setPixel(2, 2, qRgba(10, 10, 10, 0));
    EXPECT_EQ(*skinRegion(img), QRegion(1, 2, 1, 1));
}

TEST(Skin, BuiltInSkinHasItsSizeAndWhiteCorners)
{
    const QPixmap skin = builtInSkin();
    ASSERT_FALSE(skin.isNull());
    EXPECT_EQ(skin.size(), QSize(BuiltInSkinWidth, BuiltInSkinHeight));
    const QRegion r = *skinRegion(skin.toImage());
    const int right = BuiltInSkinWidth - 1;
    for (QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, 469), QPoint(right, 469)})
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
    const QSize builtIn(BuiltInSkinWidth, BuiltInSkinHeight);
    const Case cases[] = {{"", builtIn}, {"missing.png", builtIn}, {"broken.png", builtIn}, {"round.png", {12, 8}}};
    for (const Case& k : cases) {
        pic->setPixmap(QPixmap());
        prepareSkin(c, dir.path(), k.skinFile);
        EXPECT_EQ(c.imgShape[0].size(), builtIn) << k.skinFile;
        EXPECT_EQ(pic->size(), k.size) << k.skinFile;
    }
    // The skin sits centred at the top and the window has its outline.
    const int left = (window.screen()->availableGeometry().width() - 12) / 2;
    EXPECT_EQ(pic->pos(), QPoint(left, 0));
    EXPECT_EQ(window.mask(), skinRegion(fixture().copy())->translated(left, 0));
    EXPECT_FALSE(c.timer7->isActive());
}

// Fit, wide, fit again: a wide skin gets a sizable frame and no outline at
// all (the old one would show the new skin through the previous outline);
// one that fits again is frameless and shaped again.
TEST_F(SkinWindow, FitWideAndFitAgain)
{
    const QRect area = window.screen()->availableGeometry();
    setSkinPicture(pic, QPixmap::fromImage(fixture()));
    Timer7_Timer(c);
    const int left = (area.width() - 12) / 2;
    EXPECT_EQ(pic->pos(), QPoint(left, 0));
    EXPECT_EQ(window.mask(), skinRegion(fixture())->translated(left, 0));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.size(), area.size());
    EXPECT_EQ(window.minimumSize(), area.size()) << "a fixed size";
    EXPECT_EQ(window.maximumSize(), area.size());
    EXPECT_FALSE(window.windowState() & Qt::WindowMaximized) << "never the maximised state";

    setSkinPicture(pic, QPixmap::fromImage(solid(screenWidth() + 10, 20, Qt::black)));
    c.timer7->start();
    Timer7_Timer(c);
    EXPECT_EQ(pic->pos(), QPoint(0, 0));
    EXPECT_FALSE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window.mask().isEmpty());
    EXPECT_EQ(window.minimumSize(), QSize(0, 0)) << "resizable";
    EXPECT_FALSE(c.timer7->isActive());

    setSkinPicture(pic, QPixmap::fromImage(fixture()));
    Timer7_Timer(c);
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.mask(), skinRegion(fixture())->translated(left, 0));
    EXPECT_FALSE(window.windowState() & Qt::WindowMaximized);
}

// A skin taller than the free area is treated as a wide one: an ordinary
// framed window, whose scroll bar brings the skin's bottom into view (a
// frameless window would cut it off, out of reach).
TEST_F(SkinWindow, ATallSkinGetsTheFramedWindowAndScrolls)
{
    const QRect area = window.screen()->availableGeometry();
    setSkinPicture(pic, QPixmap::fromImage(solid(40, area.height() + 30, Qt::black)));
    window.show();
    Timer7_Timer(c);
    EXPECT_FALSE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window.mask().isEmpty());
    EXPECT_EQ(window.minimumSize(), QSize(0, 0)) << "resizable";
    auto* down = window.findChild<QScrollBar*>(QStringLiteral("SkinScrollV"));
    auto* across = window.findChild<QScrollBar*>(QStringLiteral("SkinScrollH"));
    ASSERT_TRUE(down && across);
    ASSERT_TRUE(QTest::qWaitFor([&] { return down->isVisible(); }, 5000));
    EXPECT_FALSE(across->isVisible()) << "40 pixels fit across";
    EXPECT_EQ(pic->pos(), QPoint(0, 0));
    down->setValue(down->maximum());
    EXPECT_EQ(pic->geometry().bottom(), window.height() - 1) << "the last row in view";
    // A wheel turn that the skin's controls leave unused scrolls too.
    QWheelEvent wheel(QPointF(5, 5), window.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&window, &wheel);
    EXPECT_LT(down->value(), down->maximum());

    // Fitting again: shaped, and no bars.
    setSkinPicture(pic, QPixmap::fromImage(fixture()));
    Timer7_Timer(c);
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(down->isVisible());
    const int left = (area.width() - 12) / 2;
    EXPECT_EQ(pic->pos(), QPoint(left, 0));
    EXPECT_EQ(window.mask(), skinRegion(fixture())->translated(left, 0));
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
    EXPECT_EQ(pic->size(), QSize(BuiltInSkinWidth, BuiltInSkinHeight));
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
    EXPECT_EQ(pic->size(), QSize(BuiltInSkinWidth, BuiltInSkinHeight));
    EXPECT_EQ(skinFile, "old.png");

    // From outside the skins folder, answer No: previous skin back.
    ui.openAnswers.push_back({{elsewhere.file("Star.PNG")}, 1});
    ui.msgAnswers.push_back(rt::No);
    mnuSkinsRe_Click(c, dir.path(), skinFile);
    EXPECT_EQ(ui.messages().last(), QString::fromUtf8("你要保存此界面皮肤吗?"));
    EXPECT_EQ(ui.calls.back().style, rt::YesNo | rt::Question);
    EXPECT_EQ(pic->size(), QSize(BuiltInSkinWidth, BuiltInSkinHeight));
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

// A skin reached through a link is the file in skins itself: no question,
// no copy over itself.
TEST_F(SkinWindow, ASkinReachedThroughALinkIsNotCopiedOntoItself)
{
    testsupport::TestDir elsewhere;
    const QByteArray original = dir.read("skins/round.png");
    ASSERT_TRUE(QFile::link(dir.file("skins"), elsewhere.file("alias")));
    elsewhere.write("Star.png", pngBytes(solid(30, 20, Qt::red)));
    ASSERT_TRUE(QFile::link(elsewhere.file("Star.png"), dir.file("skins/Star.png")));
    prepareSkin(c, dir.path(), "");
    QString skinFile;
    for (const QString& chosen : {elsewhere.file("alias/round.png"), elsewhere.file("Star.png")}) {
        SCOPED_TRACE(chosen.toStdString());
        const auto before = ui.calls.size();
        ui.openAnswers.push_back({{chosen}, 1});
        mnuSkinsRe_Click(c, dir.path(), skinFile);
        EXPECT_EQ(skinFile, QFileInfo(chosen).fileName());
        EXPECT_EQ(ui.calls.size(), before + 1) << "only the dialog";
    }
    EXPECT_EQ(dir.read("skins/round.png"), original);
    EXPECT_EQ(pic->size(), QSize(30, 20));
    EXPECT_EQ(QFileInfo(dir.file("skins/Star.png")).symLinkTarget(), elsewhere.file("Star.png"));
}

// skins cannot take the file (here a plain file stands in its place, which
// binds every user): the message, the new skin stays on screen, but the
// setting keeps the skin named before.
TEST_F(SkinWindow, ASkinThatCannotBeStoredIsNotNamed)
{
    testsupport::TestDir elsewhere;
    elsewhere.write("Star.png", pngBytes(solid(30, 20, Qt::red)));
    QDir(dir.file("skins")).removeRecursively();
    dir.write("skins", "a file, not a folder");
    prepareSkin(c, dir.path(), "");
    QString skinFile = "old.png";
    ui.openAnswers.push_back({{elsewhere.file("Star.png")}, 1});
    ui.msgAnswers.push_back(rt::Yes);
    mnuSkinsRe_Click(c, dir.path(), skinFile);
    EXPECT_EQ(ui.messages().last(), QString::fromUtf8("错误或不支持的的皮肤文件！"));
    EXPECT_EQ(ui.calls.back().style, rt::OkOnly | rt::Critical);
    EXPECT_EQ(skinFile, "old.png");
    EXPECT_EQ(pic->size(), QSize(30, 20));
    EXPECT_EQ(dir.read("skins"), "a file, not a folder");
}
