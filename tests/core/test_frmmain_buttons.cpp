// The main window's buttons as placed: every caption a button can show is
// drawn whole and clear of the button's icon, in the program's font, in the
// normal, pressed and disabled faces; no two buttons cover each other or the
// hint line. A button that stands for a menu item shares the item's state.
#include "controls/xpbutton.h"
#include "lyrics/richtextview.h"
#include "platform/fonts.h"
#include "platform/units.h"
#include "tests/support/mainwindow.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <map>

using namespace melodune;
using testsupport::MainWindowTest;

namespace {

// The captions the window gives its buttons besides the designed one.
const std::map<int, QStringList> kRunTimeCaptions = {
    {5, {QStringLiteral("修改歌词"), QStringLiteral("退出修改")}},
    {8, {QStringLiteral(" 停 止 "), QStringLiteral("停止录音"), QStringLiteral("停止回放")}},
};

// The pixels where two faces differ.
QRegion difference(const QImage& a, const QImage& b)
{
    QRegion r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                r += QRect(x, y, 1, 1);
    return r;
}

class ButtonLayoutTest : public MainWindowTest<> {
protected:
    void SetUp() override
    {
        rt::installFontSubstitutions(); // as the program does before its window
    }
};

TEST_F(ButtonLayoutTest, EveryCaptionIsWholeAndClearOfTheIcon)
{
    FrmMain& win = startWith({});
    enum Face { Normal, Pressed, Disabled };
    int captionsChecked = 0;
    for (int i = 1; i <= 25; ++i) {
        XPButton* b = win.XPButtons[i];
        ASSERT_NE(b, nullptr);
        QStringList captions = kRunTimeCaptions.count(i) ? kRunTimeCaptions.at(i) : QStringList{};
        if (!captions.contains(b->caption()))
            captions.prepend(b->caption());
        const QImage icon = b->icon();
        for (const QString& caption : captions) {
            for (Face face : {Normal, Pressed, Disabled}) {
                SCOPED_TRACE(QStringLiteral("XPButton%1 \"%2\" face %3").arg(i).arg(caption).arg(int(face)).toStdString());
                b->setButtonEnabled(face != Disabled);
                b->setButtonType(face == Pressed ? 1 : 0);
                b->setValue(face == Pressed);
                auto paint = [&](const QString& text, bool withIcon) {
                    b->setCaption(text);
                    b->setIconVisible(withIcon);
                    b->refresh();
                    return b->face().image().copy();
                };
                // The caption's ink, and the icon's whole square (an opaque
                // stand-in of the same size shows every pixel it may cover).
                const QRegion ink = difference(paint(caption, false), paint(QString(), false));
                QImage square(b->iconSize(), b->iconSize(), QImage::Format_ARGB32);
                square.fill(Qt::magenta);
                b->setIcon(square);
                const QRegion iconArea = difference(paint(QString(), true), paint(QString(), false));
                b->setIcon(icon);
                ASSERT_FALSE(iconArea.isEmpty());
                const QRect iconRect = iconArea.boundingRect();
                EXPECT_EQ(iconRect.size(), QSize(b->iconSize(), b->iconSize()));

                if (caption.trimmed().isEmpty()) {
                    EXPECT_TRUE(ink.isEmpty());
                    continue;
                }
                ++captionsChecked;
                ASSERT_FALSE(ink.isEmpty());
                // Not touching: one clear pixel at least between ink and icon.
                EXPECT_FALSE(ink.intersects(iconRect.adjusted(-1, -1, 1, 1)))
                    << "ink " << ink.boundingRect().left() << ".." << ink.boundingRect().right() << ", icon "
                    << iconRect.left() << ".." << iconRect.right() << ", width " << b->width();
                // Not cut: the whole text fits the caption's rectangle.
                EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(caption), b->captionRect().width())
                    << "width " << b->width();
            }
        }
        b->setButtonType(0);
        b->setValue(false);
    }
    EXPECT_EQ(captionsChecked, 5 * 3) << "the five captions of XPButton5 and XPButton8, in three faces";
}

TEST_F(ButtonLayoutTest, ButtonsCoverNeitherEachOtherNorTheHintLine)
{
    FrmMain& win = startWith({});
    const QRect window = win.PicShape->rect();
    for (int i = 1; i <= 25; ++i) {
        const QRect r = win.XPButtons[i]->geometry();
        EXPECT_TRUE(window.contains(r)) << "XPButton" << i;
        EXPECT_FALSE(r.intersects(win.Label5->geometry())) << "XPButton" << i << " and the hint line";
        EXPECT_FALSE(r.intersects(win.imgR->geometry())) << "XPButton" << i << " and the record-state picture";
        for (int j = i + 1; j <= 25; ++j)
            EXPECT_FALSE(r.intersects(win.XPButtons[j]->geometry())) << "XPButton" << i << " and XPButton" << j;
    }
    // The hint for audio, the one seen most, is shown whole beside them.
    const QString hint = QStringLiteral("提示：单击鼠标右键可以显示菜单。");
    EXPECT_LE(win.Label5->fontMetrics().tightBoundingRect(hint).right() + 1, win.Label5->width());
    EXPECT_FALSE(win.Label5->geometry().intersects(win.imgR->geometry()));
}

TEST_F(ButtonLayoutTest, EveryHintAndBothLyricDisplaysAreShownWholeClearOfTheLyrics)
{
    FrmMain& win = startWith({"/m/a.mp3", "/v/clip.avi"}, 0);
    fake()->setMedia("/v/clip.avi", rt::FakeMedia{.width = 640, .height = 360});
    settings().AutoFullScreen = 0;
    // Each hint the line is given, by the handlers that give it.
    QStringList hints = {QStringLiteral("提示：")};
    win.mnuPlaySelct_Click();
    settle();
    hints << win.Label5->text();
    win.mnuNext_Click();
    settle();
    hints << win.Label5->text();
    win.XPButton20_Click();
    hints << win.Label5->text();
    ASSERT_EQ(hints.size(), 4);
    ASSERT_EQ(hints.removeDuplicates(), 0) << hints.join(" | ").toStdString();

    // The offset display after the plus button, and the clock after a tick.
    win.XPButtons[4]->Click();
    EXPECT_EQ(win.Label2->text(), QStringLiteral("50"));
    fake()->setCurrentPosition(12.5);
    win.Timer1_Timer();
    EXPECT_EQ(win.Label1->text(), QStringLiteral("12.55"));

    // Whole in the window's font, the longest values too, on one line.
    const struct {
        QLabel* label;
        QStringList texts;
    } shown[] = {
        {win.Label5, hints},
        {win.Label1, {win.Label1->text(), QStringLiteral("-600.05"), QStringLiteral("1234.56")}},
        {win.Label2, {win.Label2->text(), QStringLiteral("-600000"), QStringLiteral("600049")}},
        {win.Label1Caption, {win.Label1Caption->text()}},
        {win.Label2Caption, {win.Label2Caption->text()}},
    };
    const QRect skin = win.PicShape->rect();
    QList<QWidget*> others;
    others << win.RichTextBox1View << win.Picture1 << win.Frame1 << win.frmInp << win.imgR;
    for (QObject* o : win.PicShape->children())
        if (auto* l = qobject_cast<QLabel*>(o))
            others << l;
    for (int i = 1; i <= 25; ++i)
        others << win.XPButtons[i];
    for (const auto& [label, texts] : shown) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_TRUE(label->isVisible());
        EXPECT_TRUE(skin.contains(label->geometry()));
        for (QWidget* other : others)
            if (other != label && other->isVisible()) {
                EXPECT_FALSE(label->geometry().intersects(other->geometry())) << other->objectName().toStdString();
            }
        const QFontMetrics fm(label->font());
        const QRect room = label->contentsRect();
        EXPECT_LE(fm.height(), room.height());
        for (const QString& text : texts)
            EXPECT_LE(fm.horizontalAdvance(text), room.width()) << text.toStdString();
    }
}

} // namespace

// During a take the progress line is seen whole, shrinking along its track:
// no control lies over the track, and the window as painted shows the line
// in its colour from its start to the track's end.
TEST_F(ButtonLayoutTest, NothingCoversTheTakesProgressLine)
{
    FrmMain& win = playing({QStringLiteral("/m/song.mp3")});
    settings().ShowMixerOnRecord = false;
    ui.msgAnswers = {rt::Yes};
    win.mnuStartRec_Click();
    ASSERT_TRUE(win.Rec.Recording);
    const std::int64_t start = clock.tickMs();
    win.Timer5_Timer();
    ASSERT_TRUE(win.Line1->isVisible());

    const int left = rt::twipsToPixels(360);
    const int right = rt::twipsToPixels(4650); // exclusive
    const QRect track(left, rt::twipsToPixels(6195), right - left, 1);
    for (QWidget* other : win.PicShape->findChildren<QWidget*>())
        if (other != win.Line1 && other->isVisible()) {
            EXPECT_FALSE(QRect(other->mapTo(win.PicShape, QPoint()), other->size()).intersects(track))
                << other->objectName().toStdString();
        }

    const QColor colour = win.Line1->palette().color(QPalette::Window);
    const double seconds = win.Capture.RecordSeconds;
    for (double part : {0.1, 0.6}) {
        SCOPED_TRACE(part);
        clock.ticks = start + std::int64_t(seconds * part * 1000);
        win.Timer5_Timer();
        ASSERT_TRUE(win.Rec.Recording);
        const QRect line(win.Line1->mapTo(win.PicShape, QPoint()), win.Line1->size());
        EXPECT_EQ(line.y(), track.y());
        EXPECT_EQ(line.x() + line.width(), right);
        EXPECT_NEAR(line.x(), left + (right - left) * part, 2);
        const QImage shown = win.PicShape->grab().toImage();
        int seen = 0;
        for (int x = line.x(); x < right; ++x)
            seen += QColor(shown.pixel(x, line.y())) == colour;
        EXPECT_EQ(seen, right - line.x()) << "columns of the line seen";
    }
    win.mnuStopRecPlay_Click();
}

// A skin button and the menu item of the same command are one command: the
// button can be clicked exactly while the item is enabled (from the start
// tick on, which wakes every button) and a click runs the item.
using TwinButtonTest = MainWindowTest<>;

TEST_F(TwinButtonTest, TwinButtonsShareTheirMenuItemsState)
{
    FrmMain& win = startWith({QStringLiteral("/m/a.mp3")});
    const struct {
        int button;
        QAction* FrmMain::*item;
    } twins[] = {
        {1, &FrmMain::mnuPrevious},    {2, &FrmMain::mnuNext},       {6, &FrmMain::mnuStartRec},
        {7, &FrmMain::mnuPlayRec},     {8, &FrmMain::mnuStopRecPlay}, {9, &FrmMain::mnuAdd},
        {10, &FrmMain::mnuListUp},     {11, &FrmMain::mnuListDown},  {13, &FrmMain::mnuStop},
        {14, &FrmMain::mnuDelete},     {15, &FrmMain::mnuWebLink},   {16, &FrmMain::mnuMoreSetup},
        {17, &FrmMain::mnuSNDVOL},     {19, &FrmMain::mnuReOpenLRC}, {22, &FrmMain::mnuFileInfo},
        {25, &FrmMain::mnuSearch1},
    };
    for (const auto& t : twins) {
        SCOPED_TRACE(t.button);
        EXPECT_EQ(win.XPButtons[t.button]->action(), win.*t.item);
        EXPECT_FALSE(win.XPButtons[t.button]->buttonEnabled()) << "asleep until the start tick";
    }
    win.enableSkinButtons();
    for (const auto& t : twins) {
        SCOPED_TRACE(t.button);
        XPButton* button = win.XPButtons[t.button];
        QAction* item = win.*t.item;
        const bool before = item->isEnabled();
        EXPECT_EQ(button->buttonEnabled(), before);
        item->setEnabled(false);
        EXPECT_FALSE(button->buttonEnabled());
        QSignalSpy runs(item, &QAction::triggered);
        button->click();
        EXPECT_EQ(runs.count(), 0);
        item->setEnabled(true);
        EXPECT_TRUE(button->buttonEnabled());
        item->setEnabled(before);
    }
    // A click runs the item's command; the stop command, with nothing to
    // stop, disables its item and so its button.
    win.mnuStopRecPlay->setEnabled(true);
    EXPECT_TRUE(win.XPButtons[8]->buttonEnabled());
    QSignalSpy stops(win.mnuStopRecPlay, &QAction::triggered);
    win.XPButtons[8]->click();
    EXPECT_EQ(stops.count(), 1);
    EXPECT_FALSE(win.XPButtons[8]->buttonEnabled()) << "the stop command disabled its item";
}
