// The settings dialog on a main window made offscreen, with a fake media
// control, a temporary data folder, scripted boxes and a fixed clock.
#include "controls/xpbutton.h"
#include "core/appenv.h"
#include "dialogs/frmset.h"
#include "lyrics/richtext.h"
#include "tests/support/mainwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace melodune;

namespace {

const QByteArray kDefaultLine = "\" 0 \",\"-1 \",\"-1 \",\" 128 \",\" 44100 \",\"-1 \",\" 10 \",\"-1 \",\" 1 \",\" 1 \","
                                "\" 3 \",\" 1 \",\" 10 \",\" 1 \",\" 1 \",\" 0 \",\" 1 \",\" 1 \",\" 1 \",\" 0 \",\"\","
                                "\" 2 \",\" 0 \"\r\n";
const QByteArray kSimpleLine = "\" 0 \",\"-1 \",\" 0 \",\" 128 \",\" 44100 \",\" 0 \",\" 10 \",\"-1 \",\" 1 \",\" 1 \","
                               "\" 3 \",\" 0 \",\" 5 \",\" 1 \",\" 1 \",\" 0 \",\" 1 \",\" 1 \",\" 0 \",\" 0 \",\"\","
                               "\" 0 \",\" 0 \"\r\n";
const QString kNotAPicture = QStringLiteral("所选文件不是可用的图片文件！");
const QString kBadSkin = QStringLiteral("错误或不支持的的皮肤文件！");
const QString kSaveSkin = QStringLiteral("你要保存此界面皮肤吗?");

QImage solid(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QColor centreOf(const QPixmap& p)
{
    return p.toImage().pixelColor(p.width() / 2, p.height() / 2);
}

rt::FileDialogResult chose(const QStringList& files)
{
    rt::FileDialogResult r;
    r.files = files;
    return r;
}

class SettingsDialog : public testsupport::MainWindowTest<> {
protected:
    std::unique_ptr<FrmSet> dlg;

    void SetUp() override
    {
        w = std::make_unique<FrmMain>(services);
        w->Skin.imgShape[0] = w->PicShape->pixmap();
        w->Image1->setPixmap(QPixmap::fromImage(solid(288, 216, Qt::gray)));
        w->Image2->setPixmap(w->Image1->pixmap());
    }
    void TearDown() override
    {
        dlg.reset();
        MainWindowTest::TearDown();
    }

    // The dialog as it stands once shown.
    FrmSet& open()
    {
        dlg = std::make_unique<FrmSet>(*w);
        dlg->Form_Resize();
        return *dlg;
    }
    QString data(const QString& name) const { return shared().DataDir + QLatin1Char('/') + name; }
    void writePicture(const QString& path, const QImage& img) const
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(img.save(path, "PNG")) << path.toStdString();
    }
    QByteArray line() const { return settingsLine(settings(), -1); }
};

// ---------------------------------------------------------------------------
// Loading

struct LoadCase {
    const char* name;
    std::function<void(SettingsRecord&)> stored;
    // The settings after the load: the stored ones with the normalisations
    // the load makes.
    std::function<void(SettingsRecord&)> normalised;
    std::function<void(const FrmSet&)> shows;
};

TEST_F(SettingsDialog, LoadShowsTheSettingsAndChangesOnlyWhatItNormalises)
{
    auto same = [](SettingsRecord&) {};
    const LoadCase cases[] = {
        {"bit rate 64000", [](SettingsRecord& s) { s.Mp3BitRate = 64000; }, same,
         [](const FrmSet& d) { EXPECT_TRUE(d.Option1[2]->isChecked()); }},
        {"bit rate 100000 keeps the design choice",
         [](SettingsRecord& s) { s.Mp3BitRate = 100000; }, same,
         [](const FrmSet& d) { EXPECT_TRUE(d.Option1[5]->isChecked()); }},
        {"wait 20 selects nothing", [](SettingsRecord& s) { s.LrcWaitSeconds = 20; }, same,
         [](const FrmSet& d) { EXPECT_EQ(d.Combo1->currentIndex(), -1); }},
        {"wait 30", [](SettingsRecord& s) { s.LrcWaitSeconds = 30; }, same,
         [](const FrmSet& d) { EXPECT_EQ(d.Combo1->currentIndex(), 2); }},
        {"compensation 4", [](SettingsRecord& s) { s.VocalCompensation = 4; }, same,
         [](const FrmSet& d) {
             EXPECT_TRUE(d.Check4->isChecked());
             EXPECT_EQ(d.Combo2->currentIndex(), 3);
             EXPECT_TRUE(d.Combo2->isEnabled());
             EXPECT_TRUE(d.Label2->isEnabled());
         }},
        {"compensation -4", [](SettingsRecord& s) { s.VocalCompensation = -4; }, same,
         [](const FrmSet& d) {
             EXPECT_FALSE(d.Check4->isChecked());
             EXPECT_EQ(d.Combo2->currentIndex(), 3);
             EXPECT_FALSE(d.Combo2->isEnabled());
             EXPECT_FALSE(d.Label2->isEnabled());
         }},
        {"compensation 0 touches neither", [](SettingsRecord& s) { s.VocalCompensation = 0; }, same,
         [](const FrmSet& d) {
             EXPECT_TRUE(d.Check4->isChecked());
             EXPECT_EQ(d.Combo2->currentIndex(), -1);
             EXPECT_TRUE(d.Label2->isEnabled());
         }},
        {"random 5 with effect 7",
         [](SettingsRecord& s) {
             s.VisualRandom = 5;
             s.VisualType = 7;
         },
         [](SettingsRecord& s) { s.VisualRandom = 7; },
         [](const FrmSet& d) {
             EXPECT_EQ(d.Combo3->currentIndex(), 0);
             EXPECT_FALSE(d.Combo3->isEnabled()) << "visualisation off";
         }},
        {"fixed effect 4",
         [](SettingsRecord& s) {
             s.VisualRandom = 0;
             s.VisualType = 4;
         },
         same, [](const FrmSet& d) { EXPECT_EQ(d.Combo3->currentIndex(), 4); }},
        {"fixed effect 12 has no item",
         [](SettingsRecord& s) {
             s.VisualRandom = 0;
             s.VisualType = 12;
         },
         same, [](const FrmSet& d) { EXPECT_EQ(d.Combo3->currentIndex(), -1); }},
        {"random from effect 12",
         [](SettingsRecord& s) { s.VisualType = 12; }, [](SettingsRecord& s) { s.VisualRandom = 12; },
         [](const FrmSet& d) { EXPECT_EQ(d.Combo3->currentIndex(), 0); }},
        {"visualisation on",
         [](SettingsRecord& s) { s.ShowVisual = 1; }, same,
         [](const FrmSet& d) {
             EXPECT_TRUE(d.Check6->isChecked());
             EXPECT_TRUE(d.Combo3->isEnabled());
             EXPECT_TRUE(d.Label6->isEnabled());
         }},
        {"view 0", [](SettingsRecord& s) { s.LrcViewMode = 0; }, same,
         [](const FrmSet& d) {
             EXPECT_TRUE(d.Option6[0]->isChecked());
             EXPECT_FALSE(d.XPButton5->buttonEnabled());
             EXPECT_FALSE(d.Check11->isEnabled());
         }},
        {"view 1", [](SettingsRecord& s) { s.LrcViewMode = 1; }, same,
         [](const FrmSet& d) {
             EXPECT_TRUE(d.Option6[1]->isChecked());
             EXPECT_FALSE(d.XPButton5->buttonEnabled());
         }},
        {"view 1 with the visualisation on ends in view 2",
         [this](SettingsRecord& s) {
             w->mnuLrcVS1_Click();
             s.ShowVisual = 1;
         },
         [](SettingsRecord& s) { s.LrcViewMode = 2; },
         [this](const FrmSet& d) {
             EXPECT_TRUE(d.Check6->isChecked());
             EXPECT_TRUE(d.Option6[2]->isChecked());
             EXPECT_TRUE(d.XPButton5->buttonEnabled());
             EXPECT_TRUE(d.Check11->isEnabled());
             EXPECT_FALSE(w->Image6->isHidden()) << "the main window shows view 2";
             EXPECT_FALSE(w->Picture6[1]->isHidden());
         }},
        {"view 2", [](SettingsRecord& s) { s.LrcViewMode = 2; }, same,
         [](const FrmSet& d) {
             EXPECT_TRUE(d.Option6[2]->isChecked());
             EXPECT_TRUE(d.XPButton5->buttonEnabled());
             EXPECT_TRUE(d.Check11->isEnabled());
         }},
        {"view 101 (lyrics window open)", [](SettingsRecord& s) { s.LrcViewMode = 101; }, same,
         [](const FrmSet& d) {
             EXPECT_TRUE(d.Option6[2]->isChecked());
             EXPECT_FALSE(d.XPButton5->buttonEnabled());
             EXPECT_FALSE(d.Check11->isEnabled());
         }},
        {"built-in skin", [](SettingsRecord& s) { s.SkinFile.clear(); }, same,
         [](const FrmSet& d) { EXPECT_TRUE(d.Option5[0]->isChecked()); }},
        {"own skin", [](SettingsRecord& s) { s.SkinFile = QStringLiteral("my skin.png"); }, same,
         [](const FrmSet& d) { EXPECT_TRUE(d.Option5[1]->isChecked()); }},
        {"boxes off and on",
         [](SettingsRecord& s) {
             s.ShowMixerOnRecord = false;
             s.AutoDownloadLrc = false;
             s.StopRecordAtEnd = 0;
             s.RandomPlay = true;
             s.AutoPlay = 0;
             s.AutoFullScreen = 1;
             s.UseCoverAsLrcBack = 1;
             s.PictureStretch = 0;
             s.RecordToTrackEnd = 0;
             s.MaxRecordMinutes = 25;
             s.Mp3SampleRate = 48000;
         },
         same,
         [](const FrmSet& d) {
             EXPECT_FALSE(d.Check1->isChecked());
             EXPECT_FALSE(d.Check2->isChecked());
             EXPECT_FALSE(d.Check3->isEnabled());
             EXPECT_TRUE(d.Check3->isChecked());
             EXPECT_FALSE(d.Check5->isChecked());
             EXPECT_TRUE(d.Check9->isChecked());
             EXPECT_FALSE(d.Check8->isChecked());
             EXPECT_TRUE(d.Check10->isChecked());
             EXPECT_TRUE(d.Check11->isChecked());
             EXPECT_TRUE(d.Option3[0]->isChecked());
             EXPECT_TRUE(d.Option4[0]->isChecked());
             EXPECT_TRUE(d.Option2[2]->isChecked());
             EXPECT_EQ(d.HScroll1->value(), 25);
             EXPECT_EQ(d.Label4->text(), QStringLiteral("25"));
         }},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        settings() = SettingsRecord{};
        c.stored(settings());
        SettingsRecord expected = settings();
        c.normalised(expected);
        // Whatever the load does, the main window's skin and song picture
        // stay as they were.
        shared().CoverPicPath = data("PICS/a.pic");
        // Taller than 4:3, so a layout in proportion would move it.
        w->Image2->setPixmap(QPixmap::fromImage(solid(300, 600, Qt::yellow)));
        const qint64 skin = w->PicShape->pixmap().cacheKey();
        const qint64 picture = w->Image2->pixmap().cacheKey();
        const QRect placed = w->Image2->geometry();

        FrmSet d(*w);
        c.shows(d);
        EXPECT_EQ(d.DialogReady, 0);
        EXPECT_EQ(settingsLine(settings(), -1), settingsLine(expected, -1));
        EXPECT_EQ(w->PicShape->pixmap().cacheKey(), skin);
        EXPECT_EQ(w->Image2->pixmap().cacheKey(), picture);
        EXPECT_EQ(w->Image2->geometry(), placed);
        EXPECT_FALSE(w->Skin.timer7->isActive());
        EXPECT_FALSE(w->Timer[6]->isActive());
        EXPECT_TRUE(ui.calls.empty());
    }
}

TEST_F(SettingsDialog, UserPictureInModeTwoTicksTheBoxWithoutTouchingTheSongPicture)
{
    writePicture(data("userdefine.pic"), solid(40, 30, Qt::red));
    settings().PictureMode = 2;
    const qint64 picture = w->Image2->pixmap().cacheKey();
    FrmSet& d = open();
    EXPECT_TRUE(d.Check7->isChecked());
    EXPECT_TRUE(d.Check7->isEnabled());
    EXPECT_EQ(settings().PictureMode, 2);
    EXPECT_EQ(w->Image2->pixmap().cacheKey(), picture);
    EXPECT_FALSE(w->Timer[6]->isActive());

    // Mode 1 with the file present leaves the box clear.
    dlg.reset();
    settings().PictureMode = 1;
    EXPECT_FALSE(open().Check7->isChecked());
    EXPECT_EQ(settings().PictureMode, 1);
}

// ---------------------------------------------------------------------------
// Controls that store a value

TEST_F(SettingsDialog, EachControlWritesItsSetting)
{
    struct Case {
        const char* name;
        std::function<void(SettingsRecord&)> stored;
        std::function<void(FrmSet&)> act;
        std::function<void(const SettingsRecord&, const FrmSet&)> check;
    };
    auto none = [](SettingsRecord&) {};
    const Case cases[] = {
        {"Check1", none, [](FrmSet& d) { d.Check1->setChecked(false); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_FALSE(s.ShowMixerOnRecord); }},
        {"Check2 keeps the fuzzy search", none,
         [](FrmSet& d) { d.Check2->setChecked(false); },
         [](const SettingsRecord& s, const FrmSet& d) {
             EXPECT_FALSE(s.AutoDownloadLrc);
             EXPECT_TRUE(s.AutoFuzzySearch);
             EXPECT_FALSE(d.Check3->isEnabled());
         }},
        {"Check2 again enables Check3", [](SettingsRecord& s) { s.AutoDownloadLrc = false; },
         [](FrmSet& d) { d.Check2->setChecked(true); },
         [](const SettingsRecord& s, const FrmSet& d) {
             EXPECT_TRUE(s.AutoDownloadLrc);
             EXPECT_TRUE(d.Check3->isEnabled());
         }},
        {"Check3", none, [](FrmSet& d) { d.Check3->setChecked(false); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_FALSE(s.AutoFuzzySearch); }},
        {"Check4 off with 4 stores -4", [](SettingsRecord& s) { s.VocalCompensation = 4; },
         [](FrmSet& d) { d.Check4->setChecked(false); },
         [](const SettingsRecord& s, const FrmSet& d) {
             EXPECT_EQ(s.VocalCompensation, -4);
             EXPECT_FALSE(d.Combo2->isEnabled());
             EXPECT_FALSE(d.Label2->isEnabled());
         }},
        {"Check4 off and on again stores 4", [](SettingsRecord& s) { s.VocalCompensation = 4; },
         [](FrmSet& d) {
             d.Check4->setChecked(false);
             d.Check4->setChecked(true);
         },
         [](const SettingsRecord& s, const FrmSet& d) {
             EXPECT_EQ(s.VocalCompensation, 4);
             EXPECT_TRUE(d.Combo2->isEnabled());
             EXPECT_TRUE(d.Label2->isEnabled());
         }},
        {"Check4 with no strength takes 3", [](SettingsRecord& s) { s.VocalCompensation = 9; },
         [](FrmSet& d) { d.Check4->setChecked(false); },
         [](const SettingsRecord& s, const FrmSet& d) {
             EXPECT_EQ(s.VocalCompensation, -3);
             EXPECT_EQ(d.Combo2->currentIndex(), 2);
         }},
        {"Combo2 while compensation is off", [](SettingsRecord& s) { s.VocalCompensation = -2; },
         [](FrmSet& d) { d.Combo2->setCurrentIndex(4); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_EQ(s.VocalCompensation, -5); }},
        {"Check5", none, [](FrmSet& d) { d.Check5->setChecked(false); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_EQ(s.StopRecordAtEnd, 0); }},
        {"Check8", none, [](FrmSet& d) { d.Check8->setChecked(false); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_EQ(s.AutoPlay, 0); }},
        {"Check9", none, [](FrmSet& d) { d.Check9->setChecked(true); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_TRUE(s.RandomPlay); }},
        {"Check10", none, [](FrmSet& d) { d.Check10->setChecked(true); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_EQ(s.AutoFullScreen, 1); }},
        {"Combo1", none, [](FrmSet& d) { d.Combo1->setCurrentIndex(0); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_EQ(s.LrcWaitSeconds, 5); }},
        {"Combo3 item 0 with effect 0",
         [](SettingsRecord& s) {
             s.VisualRandom = 0;
             s.VisualType = 3;
         },
         [](FrmSet& d) {
             settings().VisualType = 0;
             d.Combo3->setCurrentIndex(0);
         },
         [](const SettingsRecord& s, const FrmSet&) {
             EXPECT_EQ(s.VisualType, 1);
             EXPECT_EQ(s.VisualRandom, 1);
         }},
        {"Combo3 item 8", none, [](FrmSet& d) { d.Combo3->setCurrentIndex(8); },
         [](const SettingsRecord& s, const FrmSet&) {
             EXPECT_EQ(s.VisualType, 8);
             EXPECT_EQ(s.VisualRandom, 0);
         }},
        {"HScroll1 at 45", none, [](FrmSet& d) { d.HScroll1->setValue(45); },
         [](const SettingsRecord& s, const FrmSet& d) {
             EXPECT_EQ(s.MaxRecordMinutes, 45);
             EXPECT_EQ(d.Label4->text(), QStringLiteral("45"));
         }},
        {"Option1", none, [](FrmSet& d) { d.Option1[6]->setChecked(true); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_EQ(s.Mp3BitRate, 256000); }},
        {"Option2", none, [](FrmSet& d) { d.Option2[0]->setChecked(true); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_EQ(s.Mp3SampleRate, 32000); }},
        {"Option4", none, [](FrmSet& d) { d.Option4[0]->setChecked(true); },
         [](const SettingsRecord& s, const FrmSet&) { EXPECT_EQ(s.RecordToTrackEnd, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dlg.reset();
        settings() = SettingsRecord{};
        c.stored(settings());
        FrmSet& d = open();
        c.act(d);
        c.check(settings(), d);
    }
}

TEST_F(SettingsDialog, TheScrollBarWritesOnlyWhenADragEnds)
{
    FrmSet& d = open();
    EXPECT_FALSE(d.HScroll1->hasTracking());
    d.HScroll1->setSliderDown(true);
    d.HScroll1->setSliderPosition(40);
    EXPECT_EQ(settings().MaxRecordMinutes, 10);
    d.HScroll1->setSliderDown(false);
    EXPECT_EQ(settings().MaxRecordMinutes, 40);
}

// ---------------------------------------------------------------------------
// Presets

TEST_F(SettingsDialog, RestoringTheDefaultsGivesTheDefaultLine)
{
    SettingsRecord& s = settings();
    s.RandomPlay = true;
    s.ShowMixerOnRecord = false;
    s.Mp3BitRate = 64000;
    s.Mp3SampleRate = 32000;
    s.AutoDownloadLrc = false;
    s.LrcWaitSeconds = 30;
    s.AutoFuzzySearch = false;
    s.PictureMode = 2;
    s.PictureStretch = 0;
    s.VocalCompensation = -5;
    s.ShowRecVolume = 0;
    s.MaxRecordMinutes = 45;
    s.RecordToTrackEnd = 0;
    s.StopRecordAtEnd = 0;
    s.ShowVisual = 1;
    s.VisualType = 6;
    s.VisualRandom = 0;
    s.AutoPlay = 0;
    s.AutoFullScreen = 1;
    s.SkinFile = QStringLiteral("old.png");
    s.LrcViewMode = 0;
    s.UseCoverAsLrcBack = 1;
    s.KeyState = 1;
    writePicture(data("userdefine.pic"), solid(40, 30, Qt::red));
    writePicture(data("default.pic"), solid(40, 30, Qt::blue));
    w->PicShape->setPixmap(QPixmap::fromImage(solid(50, 50, Qt::green)));
    w->List2->hide();
    FrmSet& d = open();
    ASSERT_TRUE(d.Check7->isChecked());

    d.XPButton1_Click();
    EXPECT_EQ(line(), kDefaultLine);
    EXPECT_EQ(s.KeyState, 0);
    EXPECT_TRUE(w->Timer[4]->isActive());
    // The built-in skin and shape come back on the next Timer7 tick.
    EXPECT_EQ(w->PicShape->pixmap().cacheKey(), w->Skin.imgShape[0].cacheKey());
    EXPECT_TRUE(w->Skin.timer7->isActive());
    EXPECT_TRUE(d.Option5[0]->isChecked());
    // The default picture is back, and the box waits for the picture timer.
    EXPECT_FALSE(d.Check7->isChecked());
    EXPECT_EQ(centreOf(w->Image1->pixmap()), QColor(Qt::blue));
    EXPECT_FALSE(d.Check7->isEnabled());
    EXPECT_TRUE(w->Timer[6]->isActive());
    w->Timer6_Timer();
    EXPECT_TRUE(d.Check7->isEnabled());
    // View 0 became view 2.
    EXPECT_TRUE(d.Option6[2]->isChecked());
    EXPECT_FALSE(w->RichTextBox1->isVisible());
    EXPECT_TRUE(d.XPButton5->buttonEnabled());
    EXPECT_TRUE(d.Check11->isEnabled());
    EXPECT_FALSE(d.Check6->isChecked());
    EXPECT_TRUE(w->Picture5->isHidden());
    EXPECT_EQ(d.Combo3->currentIndex(), 0);
    EXPECT_FALSE(d.Combo3->isEnabled());
    EXPECT_TRUE(d.Check4->isChecked());
    EXPECT_EQ(d.Combo2->currentIndex(), 2);
    EXPECT_EQ(d.HScroll1->value(), 10);
}

TEST_F(SettingsDialog, SimpleModeFromTheDefaultsGivesItsOwnLine)
{
    SettingsRecord& s = settings();
    s.LrcViewMode = 2;
    w->RichTextBox1->setVisible(false);
    FrmSet& d = open();
    d.XPButton4_Click();
    EXPECT_EQ(line(), kSimpleLine);
    // Fuzzy search keeps its value, its box greyed with the download box.
    EXPECT_TRUE(s.AutoFuzzySearch);
    EXPECT_TRUE(d.Check3->isChecked());
    EXPECT_FALSE(d.Check3->isEnabled());
    // View 2 became view 0.
    EXPECT_TRUE(d.Option6[0]->isChecked());
    EXPECT_TRUE(w->RichTextBox1->isVisible());
    EXPECT_FALSE(d.XPButton5->buttonEnabled());
    EXPECT_FALSE(d.Check11->isEnabled());
    EXPECT_EQ(d.HScroll1->value(), 5);
    EXPECT_EQ(d.Label4->text(), QStringLiteral("5"));
}

TEST_F(SettingsDialog, TheDefaultsInViewZeroKeepTheTextBoxWhileCandidatesShow)
{
    settings().LrcViewMode = 0;
    w->List2->show();
    FrmSet& d = open();
    d.XPButton1_Click();
    EXPECT_EQ(settings().LrcViewMode, 2);
    EXPECT_TRUE(w->RichTextBox1->isVisible());
}

// ---------------------------------------------------------------------------
// Default song picture

TEST_F(SettingsDialog, TickingTheUserPictureLoadsItAndLocksTheBoxUntilTheTimer)
{
    writePicture(data("userdefine.pic"), solid(40, 30, Qt::red));
    FrmSet& d = open();
    d.Check7->setChecked(true);
    EXPECT_EQ(settings().PictureMode, 2);
    EXPECT_EQ(centreOf(w->Image1->pixmap()), QColor(Qt::red));
    EXPECT_EQ(centreOf(w->Image2->pixmap()), QColor(Qt::red));
    EXPECT_EQ(w->Image2->geometry(), QRect(0, 0, 288, 216));
    EXPECT_FALSE(d.Check7->isEnabled());
    EXPECT_TRUE(w->Timer[6]->isActive());
    EXPECT_TRUE(ui.calls.empty()) << "no chooser when the file is there";
    w->Timer6_Timer();
    EXPECT_TRUE(d.Check7->isEnabled());
    EXPECT_FALSE(w->Timer[6]->isActive());
}

TEST_F(SettingsDialog, TheUserPictureChooser)
{
    const QString red = dir.file("red.png");
    writePicture(red, solid(40, 30, Qt::red));
    dir.write("notes.txt", "not a picture");
    const QString text = dir.file("notes.txt");

    {
        SCOPED_TRACE("cancelled without userdefine.pic");
        FrmSet& d = open();
        d.Check7->setChecked(true);
        ASSERT_EQ(ui.dialogs.size(), 1u);
        EXPECT_EQ(ui.dialogs[0].title, QStringLiteral("查找/替换默认图片"));
        EXPECT_EQ(ui.messages().value(0), QStringLiteral("默认图片将以拉伸方式显示，建议选择图片的宽高尺寸最好为4:3的比例。"));
        EXPECT_EQ(ui.calls[0].title, QStringLiteral("提示"));
        EXPECT_EQ(settings().PictureMode, 1);
        EXPECT_FALSE(d.Check7->isChecked());
        EXPECT_FALSE(QFileInfo::exists(data("userdefine.pic")));
    }
    {
        SCOPED_TRACE("not a picture: nothing copied");
        dlg.reset();
        ui = rt::ScriptedUi{};
        ui.openAnswers = {chose({text})};
        FrmSet& d = open();
        const qint64 before = w->Image1->pixmap().cacheKey();
        d.Check7->setChecked(true);
        EXPECT_TRUE(ui.messages().contains(kNotAPicture));
        EXPECT_FALSE(QFileInfo::exists(data("userdefine.pic")));
        EXPECT_FALSE(d.Check7->isChecked());
        EXPECT_EQ(settings().PictureMode, 1);
        EXPECT_EQ(w->Image1->pixmap().cacheKey(), before) << "no default.pic: the holder stays";
    }
    {
        SCOPED_TRACE("a picture");
        dlg.reset();
        ui = rt::ScriptedUi{};
        ui.openAnswers = {chose({red})};
        FrmSet& d = open();
        d.Check7->setChecked(true);
        EXPECT_TRUE(d.Check7->isChecked());
        EXPECT_EQ(settings().PictureMode, 2);
        EXPECT_EQ(QFile(data("userdefine.pic")).size(), QFile(red).size());
        EXPECT_EQ(centreOf(w->Image1->pixmap()), QColor(Qt::red));
        EXPECT_TRUE(w->Timer[6]->isActive());
    }
    {
        SCOPED_TRACE("not a picture over an existing userdefine.pic keeps it");
        w->Timer6_Timer();
        dlg.reset();
        ui = rt::ScriptedUi{};
        ui.openAnswers = {chose({text})};
        const QByteArray kept = [&] {
            QFile f(data("userdefine.pic"));
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        FrmSet& d = open();
        ASSERT_TRUE(d.Check7->isChecked());
        d.XPButton3_Click();
        EXPECT_TRUE(ui.messages().contains(kNotAPicture));
        QFile f(data("userdefine.pic"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), kept);
        EXPECT_TRUE(d.Check7->isChecked());
        EXPECT_EQ(settings().PictureMode, 2);
    }
}

// ---------------------------------------------------------------------------
// Fitting the song picture

TEST_F(SettingsDialog, ProportionalLayoutOfTheSongPicture)
{
    struct Case {
        QSize picture;
        QRect inProportion; // pixels
    };
    const Case cases[] = {
        {{640, 480}, {0, 0, 288, 216}},
        {{300, 600}, {90, 0, 108, 216}},
        {{600, 300}, {0, 36, 288, 144}},
    };
    shared().CoverPicPath = data("PICS/track.pic");
    FrmSet& d = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture.width());
        w->Image2->setPixmap(QPixmap::fromImage(solid(c.picture.width(), c.picture.height(), Qt::yellow)));
        d.Option3[0]->setChecked(true);
        EXPECT_EQ(settings().PictureStretch, 0);
        EXPECT_EQ(w->Image2->geometry(), c.inProportion);
        EXPECT_TRUE(w->Image2->hasScaledContents());
        d.Option3[1]->setChecked(true);
        EXPECT_EQ(settings().PictureStretch, 1);
        EXPECT_EQ(w->Image2->geometry(), QRect(0, 0, 288, 216));
    }
    // A picture without a size stays stretched.
    w->Image2->setPixmap(QPixmap());
    d.Option3[0]->setChecked(true);
    EXPECT_EQ(w->Image2->geometry(), QRect(0, 0, 288, 216));
    // With no song picture shown only the setting changes.
    d.Option3[1]->setChecked(true);
    shared().CoverPicPath.clear();
    w->Image2->setPixmap(QPixmap::fromImage(solid(300, 600, Qt::yellow)));
    d.Option3[0]->setChecked(true);
    EXPECT_EQ(settings().PictureStretch, 0);
    EXPECT_EQ(w->Image2->geometry(), QRect(0, 0, 288, 216));
}

// ---------------------------------------------------------------------------
// Skin

TEST_F(SettingsDialog, TheSkinChooser)
{
    const QString skins = data("skins");
    QDir().mkpath(skins);
    const QString inSkins = skins + QStringLiteral("/Circle.png");
    writePicture(inSkins, solid(60, 40, Qt::darkGreen));
    const QString outside = dir.file("outside.png");
    writePicture(outside, solid(70, 40, Qt::darkRed));
    const qint64 builtIn = w->Skin.imgShape[0].cacheKey();

    {
        SCOPED_TRACE("cancelled with no own skin");
        FrmSet& d = open();
        ASSERT_TRUE(d.Option5[0]->isChecked());
        d.Option5[1]->setChecked(true);
        ASSERT_EQ(ui.dialogs.size(), 1u);
        EXPECT_EQ(ui.dialogs[0].title, QStringLiteral("查找/替换界面皮肤"));
        EXPECT_TRUE(d.Option5[0]->isChecked());
        EXPECT_TRUE(settings().SkinFile.isEmpty());
        EXPECT_EQ(w->PicShape->pixmap().cacheKey(), builtIn);
    }
    {
        SCOPED_TRACE("a skin already in the folder");
        dlg.reset();
        ui = rt::ScriptedUi{};
        ui.openAnswers = {chose({inSkins})};
        FrmSet& d = open();
        d.Option5[1]->setChecked(true);
        EXPECT_FALSE(ui.messages().contains(kSaveSkin));
        EXPECT_EQ(settings().SkinFile, QStringLiteral("Circle.png"));
        EXPECT_EQ(w->PicShape->pixmap().size(), QSize(60, 40));
        EXPECT_TRUE(w->Skin.timer7->isActive());
        EXPECT_TRUE(d.Option5[1]->isChecked());
    }
    {
        SCOPED_TRACE("answered No");
        w->Skin.timer7->stop();
        dlg.reset();
        ui = rt::ScriptedUi{};
        ui.openAnswers = {chose({outside})};
        ui.msgAnswers = {rt::No};
        FrmSet& d = open();
        ASSERT_TRUE(d.Option5[1]->isChecked());
        d.Option5_DblClick(1);
        EXPECT_TRUE(ui.messages().contains(kSaveSkin));
        EXPECT_EQ(settings().SkinFile, QStringLiteral("Circle.png"));
        EXPECT_EQ(w->PicShape->pixmap().size(), QSize(60, 40)) << "the previous skin";
        EXPECT_FALSE(QFileInfo::exists(skins + QStringLiteral("/outside.png")));
    }
    {
        SCOPED_TRACE("the copy fails");
        dlg.reset();
        ui = rt::ScriptedUi{};
        ui.openAnswers = {chose({outside})};
        ui.msgAnswers = {rt::Yes};
        // The skins folder cannot take the file (a file stands in its place).
        ASSERT_TRUE(QDir(skins).removeRecursively());
        {
            QFile f(skins);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        FrmSet& d = open();
        d.Option5_DblClick(1);
        EXPECT_TRUE(ui.messages().contains(kBadSkin));
        EXPECT_EQ(settings().SkinFile, QStringLiteral("Circle.png")) << "the previous one returns at the next start";
        EXPECT_TRUE(d.Option5[1]->isChecked());

        // Without an own skin in force, the built-in one is put back at once.
        dlg.reset();
        ui = rt::ScriptedUi{};
        ui.openAnswers = {chose({outside})};
        ui.msgAnswers = {rt::Yes};
        settings().SkinFile.clear();
        FrmSet& d2 = open();
        d2.Option5[1]->setChecked(true);
        EXPECT_TRUE(ui.messages().contains(kBadSkin));
        EXPECT_TRUE(settings().SkinFile.isEmpty());
        EXPECT_EQ(w->PicShape->pixmap().cacheKey(), builtIn);
        EXPECT_TRUE(d2.Option5[0]->isChecked());
    }
}

TEST_F(SettingsDialog, ADoubleClickOnTheOwnSkinOptionOpensTheChooser)
{
    settings().SkinFile = QStringLiteral("a.png");
    FrmSet& d = open();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(d.Option5[1], &dbl);
    EXPECT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(settings().SkinFile, QStringLiteral("a.png")) << "cancelled: the own skin stays";
}

// ---------------------------------------------------------------------------
// Backgrounds

TEST_F(SettingsDialog, ThreeBackgroundsShareOneStamp)
{
    QStringList chosen;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        chosen << dir.file(QString::fromLatin1(name));
        writePicture(chosen.back(), solid(8, 6, Qt::cyan));
    }
    clock.current = QDateTime(QDate(2026, 3, 4), QTime(21, 5, 9));
    ui.openAnswers = {chose(chosen)};
    ASSERT_FALSE(QFileInfo::exists(data("bkground")));
    FrmSet& d = open();
    d.XPButton5_Click();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_TRUE(ui.dialogs[0].multiSelect);
    EXPECT_EQ(ui.dialogs[0].title, QStringLiteral("添加歌词显示背景图片"));
    QStringList names = QDir(data("bkground")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, (QStringList{"260304210509_a.jpg", "260304210509_b.jpg", "260304210509_c.jpg"}));
    EXPECT_EQ(ui.messages(),
              (QStringList{QStringLiteral("歌词显示背景图片已经成功添加至【") + data("bkground") + QStringLiteral("/】中！"),
                           QStringLiteral("目前共有 3 个背景文件。")}));
    EXPECT_EQ(shared().BkgroundCount, 3);
    EXPECT_EQ(shared().BkgroundFiles.size(), 4) << "the list ends with an empty entry";
}

TEST_F(SettingsDialog, AFailedBackgroundCopyIsToldAndTheCountStillComes)
{
    const QString good = dir.file("good.jpg");
    writePicture(good, solid(8, 6, Qt::cyan));
    const QString gone = dir.file("gone.jpg");
    ui.openAnswers = {chose({good, gone, good})};
    FrmSet& d = open();
    d.XPButton5_Click();
    EXPECT_EQ(ui.messages(), (QStringList{QStringLiteral("复制背景图片失败：") + gone,
                                          QStringLiteral("目前共有 1 个背景文件。")}));

    // Cancelled: only the count.
    ui = rt::ScriptedUi{};
    d.XPButton5_Click();
    EXPECT_EQ(ui.messages(), QStringList{QStringLiteral("目前共有 1 个背景文件。")});
}

TEST_F(SettingsDialog, TheLyricBackgroundBox)
{
    writePicture(data("bkground/only.png"), solid(8, 6, Qt::magenta));
    rebuildBackgroundList(shared());
    shared().CoverPicPath = data("PICS/track.pic");
    w->Image2->setPixmap(QPixmap::fromImage(solid(8, 6, Qt::darkYellow)));
    FrmSet& d = open();
    d.Check11->setChecked(true);
    EXPECT_EQ(settings().UseCoverAsLrcBack, 1);
    EXPECT_EQ(centreOf(w->Image6->pixmap()), QColor(Qt::darkYellow));
    d.Check11->setChecked(false);
    EXPECT_EQ(settings().UseCoverAsLrcBack, 0);
    EXPECT_EQ(centreOf(w->Image6->pixmap()), QColor(Qt::magenta));
}

// ---------------------------------------------------------------------------
// Visualisation and lyric view

TEST_F(SettingsDialog, VisualisationAndViewOneExcludeEachOther)
{
    settings().LrcViewMode = 1;
    w->List2->show();
    FrmSet& d = open();
    ASSERT_TRUE(d.Option6[1]->isChecked());

    d.Check6->setChecked(true);
    EXPECT_EQ(settings().ShowVisual, 1);
    EXPECT_FALSE(w->Picture5->isHidden());
    EXPECT_TRUE(w->Timer[4]->isActive());
    EXPECT_EQ(w->mnuShowVisualS->text(), QStringLiteral("关闭可视化效果(&E)"));
    EXPECT_EQ(w->PopShowVisualS2->text(), QStringLiteral("关闭可视化效果"));
    EXPECT_TRUE(d.Combo3->isEnabled());
    EXPECT_TRUE(d.Option6[2]->isChecked());
    EXPECT_EQ(settings().LrcViewMode, 2);
    EXPECT_TRUE(w->RichTextBox1->isVisible()) << "the candidate list keeps the text box";

    d.Option6[1]->setChecked(true);
    EXPECT_EQ(settings().LrcViewMode, 1);
    EXPECT_FALSE(d.Check6->isChecked());
    EXPECT_EQ(settings().ShowVisual, 0);
    EXPECT_TRUE(w->Picture5->isHidden());
    EXPECT_EQ(w->mnuShowVisualS->text(), QStringLiteral("打开可视化效果(&E)"));
    EXPECT_FALSE(d.Combo3->isEnabled());
    EXPECT_TRUE(w->RichTextBox1->isVisible());
    EXPECT_FALSE(d.XPButton5->buttonEnabled());

    w->List2->hide();
    d.Option6[2]->setChecked(true);
    EXPECT_FALSE(w->RichTextBox1->isVisible());
    EXPECT_TRUE(d.XPButton5->buttonEnabled());
    EXPECT_TRUE(d.Check11->isEnabled());
    d.Option6[0]->setChecked(true);
    EXPECT_EQ(settings().LrcViewMode, 0);
    EXPECT_TRUE(w->RichTextBox1->isVisible());
}

TEST_F(SettingsDialog, TheMenuSwitchAndTheBoxShareOneFunction)
{
    settings().LrcViewMode = 1;
    w->mnuShowVisualS_Click();
    EXPECT_EQ(settings().ShowVisual, 1);
    EXPECT_EQ(settings().LrcViewMode, 2);
    EXPECT_FALSE(w->Picture5->isHidden());
    FrmSet& d = open();
    ASSERT_TRUE(d.Check6->isChecked());
    d.Check6->setChecked(false);
    EXPECT_TRUE(w->Picture5->isHidden());
    EXPECT_TRUE(w->Timer[4]->isActive()) << "left to stop itself";
    EXPECT_EQ(w->PopShowVisualS->text(), QStringLiteral("打开可视化效果"));
}

// The dialog's white frames stay inside it: a box it parents (its picture
// hint, the background count) draws as a box of the main window does.
TEST_F(SettingsDialog, ItsMessageBoxesDrawLikeEveryOtherBox)
{
    FrmSet& d = open();
    auto drawn = [](QWidget* parent) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("目前共有 3 个背景文件。"),
                        QMessageBox::Ok, parent);
        box.show();
        const QImage image = box.grab().toImage();
        box.hide();
        return image;
    };
    const QImage plain = drawn(w.get());
    ASSERT_FALSE(plain.isNull());
    EXPECT_TRUE(drawn(&d) == plain);
}

// ---------------------------------------------------------------------------
// Opening and closing

TEST_F(SettingsDialog, OkDisablesTheButtonsAndClosesKeepingEveryChange)
{
    w->mnuMoreSetup->trigger();
    FrmSet* d = w->findChild<FrmSet*>();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowModality(), Qt::WindowModal);
    EXPECT_EQ(d->DialogReady, 1) << "shown";
    EXPECT_EQ(d->windowTitle(), QStringLiteral("设置选项"));
    EXPECT_EQ(d->size(), QSize(578, 439));
    // A second request while it is open makes no second dialog.
    w->mnuMoreSetup_Click();
    EXPECT_EQ(w->findChildren<FrmSet*>().size(), 1);

    QPointer<FrmSet> guard(d);
    d->Check9->setChecked(true);
    d->XPButton2_Click();
    EXPECT_FALSE(d->XPButton1->buttonEnabled());
    EXPECT_FALSE(d->XPButton5->buttonEnabled());
    EXPECT_TRUE(d->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    EXPECT_TRUE(settings().RandomPlay);

    // A picture timer tick after the dialog has gone touches nothing.
    w->Timer[6]->start();
    w->Timer6_Timer();
    // Each opening loads afresh.
    w->mnuMoreSetup_Click();
    FrmSet* again = w->findChild<FrmSet*>();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->Check9->isChecked());
    again->close();
}

} // namespace
