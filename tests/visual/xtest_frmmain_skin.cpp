// The real main window on an X display, started from a data folder whose
// settings name a round skin, over a coloured window: the disc shows with
// the colour in its corners, a left drag moves window and outline together,
// and a right click on the skin opens the main menu. Real pointer events
// come from xdotool.
#include "core/settings.h"
#include "tests/support/mainwindow.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

const QColor kBehind(200, 30, 40);
const QColor kDisc(40, 160, 90);
constexpr int kSkin = 500;

QColor screenPixel(QPoint global)
{
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, global.x(), global.y(), 1, 1);
    return shot.toImage().pixelColor(0, 0);
}

bool xdotool(const QStringList& args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

void saveShot(const QString& name)
{
    const QString dir = qEnvironmentVariable("MELODUNE_SHOT_DIR");
    if (!dir.isEmpty())
        QGuiApplication::primaryScreen()->grabWindow(0).save(dir + QLatin1Char('/') + name);
}

class XSkinWindow : public MainWindowTest<> {};

TEST_F(XSkinWindow, RoundSkinShapesDragsAndOpensTheMainMenu)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display";
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs xdotool";

    // The data folder: the round skin, named by the settings.
    {
        QImage skin(kSkin, kSkin, QImage::Format_RGB32);
        skin.fill(Qt::white);
        QPainter p(&skin);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(kDisc);
        p.drawEllipse(QRect(0, 0, kSkin, kSkin));
        p.end();
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        skin.save(&buf, "PNG");
        dir.write("data/skins/round.png", bytes);
        SettingsRecord s;
        assignSettingDefaults(s, nullptr);
        s.SkinFile = QStringLiteral("round.png");
        ASSERT_TRUE(saveSettings(shared().DataDir, s, -1));
    }

    QWidget behind;
    behind.setWindowFlag(Qt::FramelessWindowHint);
    behind.setAutoFillBackground(true);
    QPalette pal;
    pal.setColor(QPalette::Window, kBehind);
    behind.setPalette(pal);
    behind.setGeometry(QGuiApplication::primaryScreen()->geometry());
    behind.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&behind));

    FrmMain& win = startWith({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    ASSERT_EQ(win.PicShape->size(), QSize(kSkin, kSkin));
    const QPoint origin = win.PicShape->mapToGlobal(QPoint(0, 0));
    // A point of the disc that no control covers.
    QPoint free;
    for (int y = kSkin - 120; y > kSkin / 2 && free.isNull(); y -= 7)
        for (int x = kSkin / 2 - 100; x < kSkin / 2 + 100 && free.isNull(); x += 7)
            if (!win.PicShape->childAt(x, y))
                free = QPoint(x, y);
    ASSERT_FALSE(free.isNull());

    auto shows = [&](QPoint global, QColor colour) {
        return waitUntil([&] { return screenPixel(global) == colour; }, 3000);
    };
    EXPECT_TRUE(shows(origin + free, kDisc)) << screenPixel(origin + free).name().toStdString();
    for (QPoint corner : {QPoint(4, 4), QPoint(kSkin - 5, 4), QPoint(4, kSkin - 5), QPoint(kSkin - 5, kSkin - 5)})
        EXPECT_TRUE(shows(origin + corner, kBehind))
            << corner.x() << "," << corner.y() << " " << screenPixel(origin + corner).name().toStdString();
    saveShot(QStringLiteral("skin-round.png"));

    // A left drag moves the window and its outline.
    const QPoint from = origin + free;
    const QPoint by(-120, 60);
    ASSERT_TRUE(xdotool({"mousemove", QString::number(from.x()), QString::number(from.y())}));
    ASSERT_TRUE(xdotool({"mousedown", "1"}));
    for (int step = 1; step <= 4; ++step) {
        const QPoint at = from + by * step / 4;
        xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
        settle();
    }
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    EXPECT_TRUE(waitUntil([&] { return win.PicShape->mapToGlobal(QPoint(0, 0)) == origin + by; }, 3000))
        << win.pos().x() << "," << win.pos().y();
    const QPoint moved = origin + by;
    EXPECT_TRUE(shows(moved + free, kDisc));
    EXPECT_TRUE(shows(moved + QPoint(4, 4), kBehind)) << "the outline moved with the window";
    EXPECT_TRUE(shows(moved + QPoint(kSkin - 5, kSkin - 5), kBehind));
    saveShot(QStringLiteral("skin-round-moved.png"));

    // A right click on the skin opens the main menu.
    const QPoint at = moved + free;
    ASSERT_TRUE(xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())}));
    ASSERT_TRUE(xdotool({"click", "3"}));
    EXPECT_TRUE(waitUntil([&] { return win.Popmnu0->isVisible(); }, 3000));
    EXPECT_LT((win.Popmnu0->pos() - at).manhattanLength(), 4) << "at the pointer";
    saveShot(QStringLiteral("skin-round-menu.png"));
    win.Popmnu0->hide();
}

} // namespace
