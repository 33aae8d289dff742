// The recording input panel and the meter switch of the main window, over a
// mixer held in memory, a fake input and a fake media control.
#include "platform/mixer.h"
#include "platform/units.h"
#include "tests/support/mainwindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <cmath>

using namespace melodune;
using rt::FakeMixer;

namespace {

constexpr std::uint32_t Norm = rt::MixerVolumeNorm;
const QString kBadDevice = QStringLiteral("所选录音设备错误！");
const QString kBadLine = QStringLiteral("不能选择此来源！");

FakeMixer::Source source(const char* name, const char* description, std::vector<std::uint32_t> volume = {Norm, Norm})
{
    FakeMixer::Source s;
    s.name = name;
    s.description = QString::fromUtf8(description);
    s.volume = std::move(volume);
    return s;
}

FakeMixer::Source card(int activePort)
{
    FakeMixer::Source s = source("card_in", "Built-in Audio", {Norm / 2, Norm / 2});
    s.ports = {{"mic", QStringLiteral("Microphone"), 5}, {"line", QStringLiteral("Line In"), 4}};
    s.activePort = activePort;
    return s;
}

class InputPanel : public testsupport::MainWindowTest<> {
protected:
    FakeMixer proto;          // what the window's mixer starts as
    FakeMixer* mixer = nullptr; // the window's own

    InputPanel() : MainWindowTest({.fakeClock = false}) {}
    void SetUp() override
    {
        rt::setMixerFactory([this] {
            auto m = std::make_unique<FakeMixer>(proto);
            mixer = m.get();
            return m;
        });
    }

    void load()
    {
        w = std::make_unique<FrmMain>(services);
        ASSERT_TRUE(w->Form_Load());
        ASSERT_TRUE(mixer);
    }
};

} // namespace

TEST_F(InputPanel, StartsOnTheFirstDeviceWithAMixerWithoutABox)
{
    FakeMixer::Source silent = source("gone_in", "Unplugged Mic");
    silent.answers = false;
    proto.list = {silent, card(1)};
    proto.defaultSource = "gone_in";
    load();
    ASSERT_EQ(w->cboDev->count(), 2);
    EXPECT_EQ(w->cboDev->itemText(0), QStringLiteral("Unplugged Mic"));
    EXPECT_EQ(w->cboDev->currentIndex(), 1);
    EXPECT_EQ(w->clsRecorder->SelectedDevice(), 1);
    EXPECT_EQ(w->DSCapture->device(), QByteArray("card_in")) << "the meter records from the chosen device";
    ASSERT_EQ(w->cboRecLine->count(), 2);
    EXPECT_EQ(w->cboRecLine->itemText(1), QStringLiteral("Line In"));
    EXPECT_EQ(w->cboRecLine->currentIndex(), 1);
    EXPECT_EQ(w->sldVol->value(), 32768);
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("50%"));
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join('|').toStdString();
}

TEST_F(InputPanel, StartUpWritesNothing)
{
    // Above 100 % with a balance: showing it must not flatten or cut it.
    proto.list = {source("loud_in", "Loud Input", {Norm * 3 / 2, Norm})};
    load();
    EXPECT_EQ(mixer->volumeWrites, 0);
    EXPECT_EQ(mixer->portWrites, 0);
    EXPECT_EQ(mixer->find("loud_in")->volume, (std::vector<std::uint32_t>{Norm * 3 / 2, Norm}));
    EXPECT_EQ(w->cboRecLine->currentIndex(), 0);
    EXPECT_EQ(w->cboRecLine->itemText(0), QStringLiteral("Loud Input"));
    EXPECT_EQ(w->sldVol->value(), 65535);
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("100%"));
}

TEST_F(InputPanel, NoActivePortLeavesTheLineUnselectedAndTheSliderAsItWas)
{
    proto.list = {card(-1)};
    load();
    ASSERT_EQ(w->cboRecLine->count(), 2);
    EXPECT_EQ(w->cboRecLine->currentIndex(), -1);
    EXPECT_EQ(w->sldVol->value(), 0);
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("100%"));
    EXPECT_EQ(mixer->volumeWrites, 0);

    // A volume that cannot be read is not shown as 0 either.
    w->sldVol->setValue(40000);
    mixer->find("card_in")->answers = false;
    w->cboRecLine->setCurrentIndex(0);
    EXPECT_EQ(w->sldVol->value(), 40000);
}

TEST_F(InputPanel, TheUsersSliderMovesWriteAndShowThePercentage)
{
    proto.list = {source("st_in", "Stereo In", {Norm / 4, Norm / 8})};
    load();
    struct Case {
        int value;
        const char* caption;
    };
    for (const Case& c : {Case{0, "0%"}, Case{32768, "50%"}, Case{65535, "100%"}}) {
        w->sldVol->setValue(c.value);
        EXPECT_EQ(w->lblVolPer->text(), QString::fromLatin1(c.caption));
        for (std::uint32_t v : mixer->find("st_in")->volume)
            EXPECT_EQ(v, rt::serverVolumeFromRaw(c.value)) << c.value;
        EXPECT_EQ(w->clsRecorder->MixerLineVolume(), c.value);
    }
    EXPECT_EQ(mixer->volumeWrites, 3);
}

TEST_F(InputPanel, AFailingPortIsReportedAndTheSliderStillShowsTheVolume)
{
    proto.list = {card(1)};
    load();
    mixer->find("card_in")->portFails = true;
    mixer->find("card_in")->volume = {Norm, Norm};
    w->cboRecLine->setCurrentIndex(0);
    EXPECT_EQ(ui.messages(), QStringList{kBadLine});
    EXPECT_EQ(w->sldVol->value(), 65535);
    EXPECT_EQ(mixer->find("card_in")->activePort, 1);
    EXPECT_EQ(mixer->volumeWrites, 0);
}

TEST_F(InputPanel, ChoosingADeviceMovesTheCaptureOrReportsOneGone)
{
    proto.list = {card(0), source("usb_in", "USB Mic", {Norm / 2})};
    proto.defaultSource = "card_in";
    load();
    ASSERT_EQ(w->cboDev->currentIndex(), 0);
    w->cboDev->setCurrentIndex(1);
    EXPECT_EQ(w->DSCapture->device(), QByteArray("usb_in"));
    ASSERT_EQ(w->cboRecLine->count(), 1);
    EXPECT_EQ(w->cboRecLine->itemText(0), QStringLiteral("USB Mic"));
    EXPECT_EQ(w->sldVol->value(), 32768);

    // Unplugged since the list was read.
    mixer->list.erase(mixer->list.begin());
    w->cboDev->setCurrentIndex(0);
    EXPECT_EQ(ui.messages(), QStringList{kBadDevice});
    EXPECT_EQ(w->cboRecLine->count(), 0);
    EXPECT_EQ(w->DSCapture->device(), QByteArray("usb_in")) << "the capture stays where it was";
    EXPECT_EQ(mixer->volumeWrites, 0);
}

TEST_F(InputPanel, NoServerLeavesBothListsEmptyWithoutABox)
{
    proto.down = true;
    load();
    EXPECT_EQ(w->cboDev->count(), 0);
    EXPECT_EQ(w->cboRecLine->count(), 0);
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(InputPanel, TheFrameIsShownClearOfItsNeighbours)
{
    proto.list = {card(1)};
    load();
    EXPECT_EQ(w->frmInp->title(), QStringLiteral("录音控制"));
    EXPECT_FALSE(w->frmInp->isHidden());
    EXPECT_EQ(w->lblDev->text(), QStringLiteral("设备:"));
    EXPECT_EQ(w->lblLine->text(), QStringLiteral("来源:"));
    EXPECT_EQ(w->lblVol->text(), QStringLiteral("音量:"));
    EXPECT_EQ(w->sldVol->maximum(), 65535);
    const QRect frame = w->frmInp->geometry();
    for (QWidget* other : {static_cast<QWidget*>(w->Check2), static_cast<QWidget*>(w->Check3),
                           static_cast<QWidget*>(w->Picture3)}) {
        ASSERT_EQ(other->parentWidget(), w->frmInp->parentWidget());
        EXPECT_FALSE(frame.intersects(other->geometry())) << other->objectName().toStdString();
    }
    for (QWidget* child : w->frmInp->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(w->frmInp->rect().contains(child->geometry())) << child->objectName().toStdString();
}

TEST_F(InputPanel, TheMeterSwitchClosesAndOpensThePanels)
{
    settings().ShowVisual = 0;
    settings().ShowRecVolume = 1;
    load();
    w->Timer3_Timer(); // the start names the switch with the menu's own access key
    EXPECT_EQ(w->mnuShowVolumeB->text(), QStringLiteral("关闭录音音量显示(&M)"));
    w->Picture3->movePart(0, 40);
    w->Picture3->movePart(1, 100);
    w->mnuShowVolumeB->trigger();
    EXPECT_EQ(settings().ShowRecVolume, 0);
    EXPECT_EQ(w->Picture3->partX(0), rt::twipsToPixels(-45));
    EXPECT_EQ(w->Picture3->partX(1), rt::twipsToPixels(2145));
    EXPECT_EQ(w->mnuShowVolumeB->text(), QStringLiteral("打开录音音量显示(&M)"));
    EXPECT_EQ(w->PopShowVolumeB->text(), QStringLiteral("打开录音音量显示"));

    w->Timer[4]->stop();
    w->PopShowVolumeB->trigger();
    EXPECT_EQ(settings().ShowRecVolume, 1);
    EXPECT_TRUE(w->Timer[4]->isActive());
    EXPECT_EQ(w->mnuShowVolumeB->text(), QStringLiteral("关闭录音音量显示(&M)"));
    EXPECT_EQ(w->PopShowVolumeB->text(), QStringLiteral("关闭录音音量显示"));

    // The pop-up names what it will do when it opens.
    settings().ShowRecVolume = 0;
    w->Popmnu3_Click();
    EXPECT_EQ(w->PopShowVolumeB->text(), QStringLiteral("打开录音音量显示"));
}

TEST_F(InputPanel, TheRightButtonOnTheStripOrABarOpensTheMeterMenu)
{
    load();
    QMenu* pop = w->Popmnu3;
    ASSERT_TRUE(pop);
    const QList<QAction*> items = pop->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0], w->PopShowVolumeB);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2], w->PopSNDVOL);

    w->show();
    QTest::mouseRelease(w->Picture3, Qt::LeftButton);
    EXPECT_FALSE(pop->isVisible());
    // The strip's own end, a cover, a peak marker.
    const MeterStrip& strip = *w->Picture3;
    for (const QPoint at : {QPoint(strip.width() - 2, 2), QPoint(strip.partX(0) + 20, 2), QPoint(strip.partX(2), 2)}) {
        QTest::mouseRelease(w->Picture3, Qt::RightButton, {}, at);
        EXPECT_TRUE(pop->isVisible()) << at.x();
        pop->hide();
    }
}

TEST_F(InputPanel, ThePanelFollowsTheServersInputsWithoutWriting)
{
    proto.list = {card(0), source("usb_in", "USB Mic", {Norm / 2})};
    proto.defaultSource = "card_in";
    load();
    w->cboDev->setCurrentIndex(1);
    ASSERT_EQ(w->DSCapture->device(), QByteArray("usb_in"));
    auto noticed = [&] {
        const int before = mixer->listCalls;
        mixer->announceChange();
        // The panel looks once the notices have settled.
        return QTest::qWaitFor([&] { return mixer->listCalls > before; }, 5000);
    };

    // Another input comes: listed, the choice stays.
    mixer->list.push_back(source("bt_in", "Headset"));
    ASSERT_TRUE(noticed());
    EXPECT_EQ(w->cboDev->count(), 3);
    EXPECT_EQ(w->cboDev->currentData().toByteArray(), QByteArray("usb_in"));
    EXPECT_EQ(w->DSCapture->device(), QByteArray("usb_in"));

    // The chosen one goes: the server's default is shown and used, said once.
    mixer->list.erase(mixer->list.begin() + 1);
    ASSERT_TRUE(noticed());
    EXPECT_EQ(w->cboDev->count(), 2);
    EXPECT_EQ(w->cboDev->currentData().toByteArray(), QByteArray("card_in"));
    EXPECT_EQ(w->DSCapture->device(), QByteArray("card_in"));
    EXPECT_EQ(w->cboRecLine->count(), 2);
    EXPECT_EQ(w->sldVol->value(), 32768);
    ASSERT_TRUE(noticed());
    EXPECT_EQ(ui.messages(), QStringList{kBadDevice});

    // A server that does not answer leaves the panel as it is.
    mixer->down = true;
    ASSERT_TRUE(noticed());
    EXPECT_EQ(w->cboDev->count(), 2);
    EXPECT_EQ(w->cboRecLine->count(), 2);
    EXPECT_EQ(mixer->volumeWrites, 0);
}

TEST_F(InputPanel, AGrooveClickFromFullShowsNinetyAsTheServerDoes)
{
    proto.list = {source("st_in", "Stereo In")};
    load();
    w->show();
    ASSERT_EQ(w->sldVol->value(), 65535);
    QTest::mouseClick(w->sldVol, Qt::LeftButton, {}, QPoint(2, w->sldVol->height() / 2));
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("90%"));
    for (std::uint32_t v : mixer->find("st_in")->volume)
        EXPECT_EQ(std::lround(v * 100.0 / Norm), 90);
    // Each further page lands on the next tenth down, and back up.
    for (const char* caption : {"80%", "70%", "60%", "50%", "40%", "30%", "20%", "10%", "0%"}) {
        w->sldVol->triggerAction(QAbstractSlider::SliderPageStepSub);
        EXPECT_EQ(w->lblVolPer->text(), QString::fromLatin1(caption));
    }
    w->sldVol->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("10%"));
}

TEST_F(InputPanel, ALongSourceNameIsShownWhole)
{
    const QString name = QStringLiteral("Sine source at 440 Hz on the second card");
    proto.list = {source("sine_in", "Sine source at 440 Hz on the second card")};
    load();
    for (QComboBox* box : {w->cboDev, w->cboRecLine}) {
        SCOPED_TRACE(box->objectName().toStdString());
        ASSERT_EQ(box->currentText(), name);
        EXPECT_EQ(box->toolTip(), name);
        EXPECT_GT(box->view()->minimumWidth(), box->view()->fontMetrics().horizontalAdvance(name));
    }
}
