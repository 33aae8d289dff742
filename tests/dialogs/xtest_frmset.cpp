// The settings dialog on the real main window, on an X display: a skin
// chosen through the dialog reshapes the window, the defaults bring the
// built-in shape back, and what the dialog set survives an exit and a
// restart byte for byte.
//
// With MELODUNE_SHOT_DIR set, the dialog is also grabbed from the screen
// with the defaults and after simple mode.
#include "controls/xpbutton.h"
#include "dialogs/frmset.h"
#include "tests/support/mainwindow.h"
#include "tests/support/skinpictures.h"
#include "visual/skin.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <iostream>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

class SettingsDialogOnScreen : public MainWindowTest<> {
protected:
    QRegion expectedMask(const QImage& skin) const
    {
        return skinRegion(skin)->translated(w->PicShape->mapTo(w.get(), QPoint(0, 0)));
    }
    void shoot(QWidget* dialog, const QString& name) const
    {
        const QString dirName = qEnvironmentVariable("MELODUNE_SHOT_DIR");
        if (dirName.isEmpty())
            return;
        QTest::qWait(200); // let the window system draw it
        const QRect r = dialog->frameGeometry();
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
        EXPECT_TRUE(shot.save(dirName + QLatin1Char('/') + name)) << name.toStdString();
    }
    QByteArray savedLine() const
    {
        QFile f(shared().DataDir + QStringLiteral("/SetLog.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(SettingsDialogOnScreen, SkinDefaultsAndSavedLine)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display";

    // A disc on white: a round window.
    const QImage circle = testsupport::discOnWhite(QSize(360, 240), QColor(30, 90, 160));
    const QString skins = shared().DataDir + QStringLiteral("/skins");
    QDir().mkpath(skins);
    ASSERT_TRUE(circle.save(skins + QStringLiteral("/circle.png"), "PNG"));

    FrmMain& win = startWith({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    const QImage builtIn = win.Skin.imgShape[0].toImage();

    QElapsedTimer opening;
    opening.start();
    win.mnuMoreSetup->trigger();
    FrmSet* dlg = win.findChild<FrmSet*>();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg));
    const qint64 openMs = opening.elapsed();
    std::cout << "settings dialog open and exposed after " << openMs << " ms" << std::endl;
    RecordProperty("open_ms", int(openMs));
    EXPECT_EQ(dlg->DialogReady, 1);
    shoot(dlg, QStringLiteral("frmset_defaults.png"));

    // The own skin from the skins folder: no question, the window turns round.
    ui.openAnswers = {rt::FileDialogResult{{skins + QStringLiteral("/circle.png")}, 1}};
    QTest::mouseClick(dlg->Option5[1], Qt::LeftButton, {}, QPoint(8, 9));
    EXPECT_EQ(settings().SkinFile, QStringLiteral("circle.png"));
    EXPECT_EQ(fileDialogsOpened(), 1);
    ASSERT_TRUE(waitUntil([&] { return !win.Timer[7]->isActive(); }, 5000));
    EXPECT_EQ(win.mask(), expectedMask(circle));

    // Back to the defaults: the built-in shape returns.
    QTest::mouseClick(dlg->XPButton1, Qt::LeftButton);
    EXPECT_TRUE(settings().SkinFile.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !win.Timer[7]->isActive(); }, 5000));
    EXPECT_EQ(win.mask(), expectedMask(builtIn));
    EXPECT_EQ(settingsLine(settings(), -1),
              QByteArray("\" 0 \",\"-1 \",\"-1 \",\" 128 \",\" 44100 \",\"-1 \",\" 10 \",\"-1 \",\" 1 \",\" 1 \","
                         "\" 3 \",\" 1 \",\" 10 \",\" 1 \",\" 1 \",\" 0 \",\" 1 \",\" 1 \",\" 1 \",\" 0 \",\"\","
                         "\" 2 \",\" 0 \"\r\n"));

    QTest::mouseClick(dlg->XPButton4, Qt::LeftButton);
    EXPECT_EQ(settings().LrcViewMode, 0);
    shoot(dlg, QStringLiteral("frmset_simple.png"));

    // A few choices of the user, the skin among them, then OK.
    ui.openAnswers = {rt::FileDialogResult{{skins + QStringLiteral("/circle.png")}, 1}};
    QTest::mouseClick(dlg->Option5[1], Qt::LeftButton, {}, QPoint(8, 9));
    QTest::mouseClick(dlg->Check9, Qt::LeftButton, {}, QPoint(6, 9));
    QTest::mouseClick(dlg->Option1[2], Qt::LeftButton, {}, QPoint(6, 9));
    dlg->Combo1->setCurrentIndex(2);
    dlg->HScroll1->setValue(20);
    QTest::mouseClick(dlg->Option6[2], Qt::LeftButton, {}, QPoint(6, 9));
    QPointer<FrmSet> guard(dlg);
    QTest::mouseClick(dlg->XPButton2, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return guard.isNull(); }, 5000)) << "OK closes and frees the dialog";
    ASSERT_TRUE(waitUntil([&] { return !win.Timer[7]->isActive(); }, 5000));

    const QByteArray expected = settingsLine(settings(), win.Track.CurrentIndex);
    EXPECT_TRUE(expected.startsWith("\"-1 \"")) << "random order";
    EXPECT_TRUE(expected.contains("\" 64 \",\" 44100 \""));
    EXPECT_TRUE(expected.contains("\"circle.png\",\" 2 \""));

    // Exit, then a restart reads the same line back and keeps the skin.
    win.unloadForm();
    EXPECT_EQ(savedLine(), expected);
    w.reset();
    settings() = SettingsRecord{};
    w = std::make_unique<FrmMain>(services);
    ASSERT_TRUE(w->Form_Load());
    w->Timer[3]->stop();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_EQ(settingsLine(settings(), w->Track.CurrentIndex), expected);
    EXPECT_EQ(w->mask(), expectedMask(circle));
    w->unloadForm();
    EXPECT_EQ(savedLine(), expected);
}

} // namespace
