// The main window's controls, menus and timers as designed, in twips on the
// built-in skin (15 twips to a pixel).
#include "core/frmmain.h"

#include "controls/buttondata.h"
#include "controls/colors.h"
#include "controls/xpbutton.h"
#include "core/settings.h"
#include "core/shared.h"
#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"
#include "platform/mpvmediacontrol.h"
#include "platform/units.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace melodune {

namespace {

// Geometry in twips, as the form design keeps it.
void placeTwips(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(rt::twipsToPixels(left), rt::twipsToPixels(top), rt::twipsToPixels(width),
                   rt::twipsToPixels(height));
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text = {})
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QWidget* makePanel(QWidget* parent, const QString& name)
{
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    w->setAutoFillBackground(true);
    return w;
}

// Where each button of the window sits on the skin, in pixels.
struct ButtonPlace {
    int index;
    int x, y, w, h;
};

// The transport row and the recording buttons lie in the lower bed of the
// left panel, below the take's progress line, with the balance slider under
// them; the lyric buttons, the visualisation switch and the tool
// buttons (home page, settings, volume) in the upper bed, beside the hint
// line; the track buttons (information, full-screen video) and the list
// buttons on the playlist frame. The two buttons with captions are wide
// enough for their 16-pixel icon and their longest caption in the window's
// font (four characters, 48 pixels), centred clear of the icon even when the
// pressed face moves it a pixel.
constexpr ButtonPlace kButtonPlaces[] = {
    {1, 26, 420, 24, 22},  {12, 51, 420, 24, 22},  {18, 76, 420, 24, 22}, {13, 101, 420, 24, 22},
    {2, 126, 420, 24, 22}, {6, 156, 420, 24, 22},  {7, 181, 420, 24, 22}, {8, 206, 420, 92, 22},
    {3, 26, 336, 24, 22},  {4, 51, 336, 24, 22},   {5, 76, 336, 92, 22},  {19, 169, 336, 24, 22},
    {20, 194, 336, 24, 22}, {21, 219, 336, 24, 22}, {25, 244, 336, 24, 22}, {23, 269, 336, 24, 22},
    {15, 26, 362, 24, 22}, {16, 51, 362, 24, 22},  {17, 76, 362, 24, 22},
    {22, 507, 286, 24, 20}, {24, 532, 286, 24, 20},
    {9, 562, 286, 24, 20}, {10, 587, 286, 24, 20}, {11, 612, 286, 24, 20}, {14, 637, 286, 24, 20},
};

} // namespace

FrmMain::FrmMain(FrmMainServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , services_(std::move(services))
{
    setObjectName(QStringLiteral("frmMain"));
    setAcceptDrops(false);
    buildDesign();
    buildMenus();
    resetDesignState();
    buildTimers();
    connectHandlers();
}

FrmMain::~FrmMain()
{
    // QWidget's destructor deletes the controls after this object has stopped
    // being a FrmMain; what they signal while going (the list box resets its
    // model) must not reach handlers that use this object's members.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    // Event filters that call into this object go first: the controls still
    // send events (hide, leave) while QWidget's destructor deletes them.
    qDeleteAll(findChildren<QObject*>(QStringLiteral("SkinMouseFilter"), Qt::FindDirectChildrenOnly));
    destroyLyricsWindow();
    // The capture buffers refer to their capture object.
    DSCaptureBuffer.reset();
    DSCapture.reset();
}

void FrmMain::buildDesign()
{
    setFont(QFont(QStringLiteral("宋体"), 9));
    resize(BuiltInSkinWidth, BuiltInSkinHeight);

    buildSkinPicture();
    buildTitleBar();
    buildHintLine();
    buildLyricClock();
    buildMediaControls();
    buildPictureArea();
    buildLevelMeter();
    buildLyricArea();
    buildPlaylist();
    buildInputPanel();
    buildSwitches();
    buildSkinButtons();
}

// The skin picture that carries every other control.
void FrmMain::buildSkinPicture()
{
    PicShape = makeLabel(this, QStringLiteral("PicShape"));
    PicShape->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSkinPicture(PicShape, builtInSkin());
    PicShape->installEventFilter(this);
    Skin.window = this;
    Skin.picShape = PicShape;
    prepareTranslucency(this);
}

// The title bar on the skin: the menu picture, minimise, close and the title.
void FrmMain::buildTitleBar()
{
    Image5 = makeLabel(PicShape, QStringLiteral("Image5"));
    Image5->setGeometry(6, 2, 28, 26);
    Image5->installEventFilter(this);
    Image3 = makeLabel(PicShape, QStringLiteral("Image3"));
    Image3->setGeometry(640, 7, 16, 16);
    Image3->setCursor(Qt::PointingHandCursor);
    Image3->installEventFilter(this);
    Image4 = makeLabel(PicShape, QStringLiteral("Image4"));
    Image4->setGeometry(662, 7, 16, 16);
    Image4->setCursor(Qt::PointingHandCursor);
    Image4->installEventFilter(this);

    Label4 = makeLabel(PicShape, QStringLiteral("Label4"), QStringLiteral("Melodune"));
    Label4->setGeometry(40, 7, 574, 18);
    Label4->setStyleSheet(QStringLiteral("color: #cfe0ff;"));
    Label4->installEventFilter(this);
}

// The hint line runs below the playlist, wide enough for its longest hint in
// the window's font, with the help link at its end.
void FrmMain::buildHintLine()
{
    Label5 = makeLabel(PicShape, QStringLiteral("Label5"), QStringLiteral("提示："));
    Label5->setGeometry(330, 449, 276, 18);
    Label5->setStyleSheet(QStringLiteral("color: #cfe0ff;"));
    Label5->installEventFilter(this);
    Label6 = makeLabel(PicShape, QStringLiteral("Label6"), QStringLiteral("帮助(F1)"));
    Label6->setGeometry(610, 449, 52, 18); // clear of the rounded corner
    Label6->setStyleSheet(QStringLiteral("color: #cfe0ff;"));
    Label6->setCursor(Qt::PointingHandCursor);
}

// The lyric clock and the offset in force, under the offset buttons.
void FrmMain::buildLyricClock()
{
    auto display = [&](QLabel*& caption, QLabel*& value, const QString& name, const QString& text,
                       const QString& tip, int x, int captionWidth, int width) {
        caption = makeLabel(PicShape, name + QStringLiteral("Caption"), text);
        caption->setGeometry(x, 362, captionWidth, 22);
        value = makeLabel(PicShape, name);
        value->setGeometry(x + captionWidth + 2, 362, width, 22);
        for (QLabel* l : {caption, value}) {
            l->setStyleSheet(QStringLiteral("color: #cfe0ff;"));
            l->setToolTip(tip);
        }
    };
    display(Label1Caption, Label1, QStringLiteral("Label1"), QStringLiteral("歌词时间"), QStringLiteral("歌词时间(秒)"),
            104, 48, 54);
    Label1->setText(QStringLiteral("0"));
    display(Label2Caption, Label2, QStringLiteral("Label2"), QStringLiteral("补偿"),
            QStringLiteral("歌词时间补偿(毫秒)"), 212, 24, 52);
}

// The media control, under the picture area, and the add-on sound controls.
void FrmMain::buildMediaControls()
{
    MediaPlayer1 = services_.createMedia
                       ? services_.createMedia(this)
                       : new rt::MpvMediaControl(rt::MpvOptions::fromEnvironment(), nullptr, this);
    MediaPlayer1->widget()->setParent(PicShape);
    MediaPlayer1->widget()->setObjectName(QStringLiteral("MediaPlayer1"));
    placeTwips(MediaPlayer1->widget(), 360, 480, 4320, 4320);
    MediaPlayer1->widget()->setStyleSheet(QStringLiteral("background: black;"));
    // The add-on sound controls: decoder, encoder, effect.
    Mp3Play1 = services_.createMp3Play ? services_.createMp3Play(this) : rt::createMp3Decoder(this);
    Mp3Enc1 = services_.createMp3Enc ? services_.createMp3Enc(this) : rt::createMp3Encoder(this);
    Effect1 = services_.createEffect ? services_.createEffect(this) : rt::createEffectControl(this);
}

// The song picture and the visualisation over the media control.
void FrmMain::buildPictureArea()
{
    Picture2 = makePanel(PicShape, QStringLiteral("Picture2"));
    Picture2->setStyleSheet(QStringLiteral("background: black;"));
    Picture2->installEventFilter(this);
    Image1 = makeLabel(Picture2, QStringLiteral("Image1"));
    Image1->hide();
    Image2 = makeLabel(Picture2, QStringLiteral("Image2"));
    Image2->setScaledContents(true);
    Image2->installEventFilter(this);
    Picture5 = new VisualPanel(PicShape);
    Picture5->setObjectName(QStringLiteral("Picture5"));
    Picture5->hide();
    Picture5->installEventFilter(this);
}

// The level meter, and the take's progress line.
void FrmMain::buildLevelMeter()
{
    Picture3 = new MeterStrip(PicShape);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Line1 = new QFrame(PicShape);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::NoFrame);
    Line1->setAutoFillBackground(true);
    Line1->hide();
}

// The lyric area: the text box and the editor, and the picture views drawn
// over Picture1.
void FrmMain::buildLyricArea()
{
    Picture1 = new VisualPanel(PicShape);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(330, 32, 334, 240);
    // Black until the marquee gives it a frame; the strips are transparent
    // over the background picture.
    Picture1->hide();
    Image6 = makeLabel(Picture1, QStringLiteral("Image6"));
    Image6->setScaledContents(true);
    for (int i = 0; i < 3; ++i) {
        Picture6[i] = makeLabel(Picture1, QStringLiteral("Picture6_%1").arg(i));
        Picture6[i]->setAutoFillBackground(false);
        Picture6[i]->setTextFormat(Qt::PlainText); // a lyric line is never markup
        QPalette pal = Picture6[i]->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        Picture6[i]->setPalette(pal);
    }
    Picture7 = makeLabel(Picture1, QStringLiteral("Picture7"));

    RichTextBox1 = new RichTextModel(this);
    RichTextBox1View = new RichTextView(RichTextBox1, PicShape);
    RichTextBox1View->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1View->setGeometry(330, 32, 334, 240);
    RichTextBox2 = new RichTextModel(this);
    RichTextBox2View = new RichTextView(RichTextBox2, PicShape);
    RichTextBox2View->setObjectName(QStringLiteral("RichTextBox2"));
    RichTextBox2View->setGeometry(330, 32, 334, 240);
    RichTextBox2View->setReadOnly(false);
    RichTextBox2->setVisible(false);
}

// The playlist, and the list of lyric candidates over the lyric area.
void FrmMain::buildPlaylist()
{
    Frame1 = new QGroupBox(PicShape);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(330, 284, 334, 162);
    Frame1->setStyleSheet(QStringLiteral("QGroupBox { color: #cfe0ff; border: none; margin-top: 4px; }"
                                         "QGroupBox::title { subcontrol-origin: margin; left: 6px; }"));
    Frame1->installEventFilter(this);
    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(4, 24, 326, 134);
    // A long list is measured in steps after the window shows, not before.
    List1->setLayoutMode(QListView::Batched);
    List1->setBatchSize(500);
    List1->setStyleSheet(QStringLiteral("QListWidget { background: #141a26; color: #d8e4ff; border: none; }"));
    List2 = new QListWidget(PicShape);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setGeometry(330, 32, 334, 240);
    List2->hide();
}

// The recording input panel: device, line and recording volume, below the
// picture in the media control's free strip.
void FrmMain::buildInputPanel()
{
    frmInp = new QGroupBox(QStringLiteral("录音控制"), PicShape);
    frmInp->setObjectName(QStringLiteral("frmInp"));
    frmInp->setGeometry(24, 252, 288, 64);
    frmInp->setStyleSheet(QStringLiteral(
        "QGroupBox { color: #cfe0ff; border: 1px solid #3a4660; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px; }"
        "QLabel { color: #cfe0ff; }"));
    lblDev = makeLabel(frmInp, QStringLiteral("lblDev"), QStringLiteral("设备:"));
    lblDev->setGeometry(6, 16, 32, 18);
    cboDev = new QComboBox(frmInp);
    cboDev->setObjectName(QStringLiteral("cboDev"));
    cboDev->setGeometry(38, 15, 244, 20);
    lblLine = makeLabel(frmInp, QStringLiteral("lblLine"), QStringLiteral("来源:"));
    lblLine->setGeometry(6, 39, 32, 18);
    cboRecLine = new QComboBox(frmInp);
    cboRecLine->setObjectName(QStringLiteral("cboRecLine"));
    cboRecLine->setGeometry(38, 38, 104, 20);
    lblVol = makeLabel(frmInp, QStringLiteral("lblVol"), QStringLiteral("音量:"));
    lblVol->setGeometry(148, 39, 32, 18);
    sldVol = new QSlider(Qt::Horizontal, frmInp);
    sldVol->setObjectName(QStringLiteral("sldVol"));
    sldVol->setRange(0, 65535);
    sldVol->setSingleStep(655);
    sldVol->setPageStep(6554);
    sldVol->setGeometry(180, 39, 66, 18);
    lblVolPer = makeLabel(frmInp, QStringLiteral("lblVolPer"), QStringLiteral("100%"));
    lblVolPer->setGeometry(248, 39, 36, 18);
    lblVolPer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

// The take's status picture, the effect switches and the balance slider.
void FrmMain::buildSwitches()
{
    imgR = makeLabel(PicShape, QStringLiteral("imgR"));
    imgR->setGeometry(290, 364, 18, 18);
    // The effect switches: picture-style check boxes (the picture tells the
    // state), in the playlist's title row clear of its buttons.
    for (QCheckBox** box : {&Check2, &Check3}) {
        *box = new QCheckBox(PicShape);
        (*box)->setIconSize(QSize(18, 18));
        setSwitchBackColor(*box, sysColorRef(ColorBtnFace));
        (*box)->setMouseTracking(true);
    }
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setGeometry(460, 286, 20, 20);
    Check3->setObjectName(QStringLiteral("Check3"));
    Check3->setGeometry(482, 286, 20, 20);
    HScroll1 = new QScrollBar(Qt::Horizontal, PicShape);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setRange(-5000, 5000);
    HScroll1->setGeometry(26, 414, 286, 0);
    HScroll1->hide();
}

// The buttons with their stored design data.
void FrmMain::buildSkinButtons()
{
    // The icons are shipped beside the program and seeded into the data folder.
    const QString resDir = (shared().DataDir.isEmpty() ? QCoreApplication::applicationDirPath() : shared().DataDir) +
                           QStringLiteral("/res");
    for (const ButtonPlace& p : kButtonPlaces) {
        const QString name = QStringLiteral("XPButton%1").arg(p.index);
        auto* b = new melodune::XPButton(name, PicShape);
        b->setObjectName(name);
        if (const ButtonData* data = findButtonData(QStringLiteral("frmMain"), name))
            b->loadProperties(storedButtonProperties(*data, resDir));
        b->setGeometry(p.x, p.y, p.w, p.h);
        XPButtons[p.index] = b;
    }
}

// The state every control has when the window is (re)made.
void FrmMain::resetDesignState()
{
    List1->clear();
    List2->clear();
    List2->hide();
    RichTextBox1->setText(QString());
    RichTextBox2->setText(QString());
    RichTextBox2->setVisible(false);
    Picture5->hide();
    Line1->hide();
    Label5->setText(QStringLiteral("提示："));
    for (int i = 1; i <= 25; ++i) {
        if (!XPButtons[i])
            continue;
        if (const ButtonData* data = findButtonData(QStringLiteral("frmMain"), XPButtons[i]->objectName())) {
            XPButtons[i]->setButtonEnabled(data->enabled);
            XPButtons[i]->setCaption(QString::fromUtf8(data->caption));
        }
    }
    Frame1->setTitle(QStringLiteral("曲目列表"));
    // The designed skin: the start sequence keeps it as the default one.
    setSkinPicture(PicShape, builtInSkin());
    Check2->setChecked(false);
    Check3->setChecked(false);
    mnuRemoveVocal->setChecked(false);
    mnuShifting->setChecked(false);
    mnuStopRecPlay->setText(QStringLiteral("停止录音或回放(&S)"));
    if (XPButtons[8])
        XPButtons[8]->setButtonToolTip(QStringLiteral(" 停 止 "));
    if (XPButtons[5] && RichTextBox2)
        showLyricEditorState(false);
    imgR->setPixmap(imgS[0]);
}

namespace {

using Menu = QMenu* FrmMain::*;
using Item = QAction* FrmMain::*;
using Effects = std::array<QAction*, 10> FrmMain::*;

// One row of the menu design: a pop-up menu of its own, a submenu, a menu
// item or a separator. The rows of a menu stand in its order, after the row
// that makes the menu.
struct MenuRow {
    Menu parent = nullptr; // none: a pop-up menu of its own
    const char* name = nullptr;
    const char* caption = nullptr;
    Menu menu = nullptr;         // a menu row
    Item item = nullptr;         // an item row
    Effects effects = nullptr;   // an item row of the effect lists, with its number
    int number = 0;
    bool checkable = false;
};

constexpr MenuRow popup(Menu menu, const char* name, const char* caption)
{
    return {nullptr, name, caption, menu};
}
constexpr MenuRow submenu(Menu parent, Menu menu, const char* name, const char* caption)
{
    return {parent, name, caption, menu};
}
constexpr MenuRow item(Menu parent, Item item, const char* name, const char* caption)
{
    return {parent, name, caption, nullptr, item};
}
// An item with a check mark.
constexpr MenuRow check(Menu parent, Item item, const char* name, const char* caption)
{
    return {parent, name, caption, nullptr, item, nullptr, 0, true};
}
constexpr MenuRow effect(Menu parent, Effects effects, int number, const char* name, const char* caption)
{
    return {parent, name, caption, nullptr, nullptr, effects, number};
}
constexpr MenuRow separator(Menu parent)
{
    return {parent};
}

using W = FrmMain;

// The main menu (the window has no menu bar: the skin opens it as a pop-up)
// and the pop-up menus of the lyric surfaces, the picture, the meter, the
// playlist, the lyric candidates and the visualisation.
const MenuRow kMenus[] = {
    popup(&W::Popmnu0, "Popmnu0", "主菜单"),

    submenu(&W::Popmnu0, &W::mnuFile, "mnuFile", "文件(&F)"),
    item(&W::mnuFile, &W::mnuAdd, "mnuAdd", "添加曲目到列表[本地](&A)"),
    item(&W::mnuFile, &W::mnuAdd2, "mnuAdd2", "添加曲目到列表[网络](&B)"),
    separator(&W::mnuFile),
    item(&W::mnuFile, &W::mnuListIn, "mnuListIn", "导入播放列表(&I)"),
    item(&W::mnuFile, &W::mnuListSa, "mnuListSa", "导出播放列表(&O)"),
    separator(&W::mnuFile),
    item(&W::mnuFile, &W::mnuFileInfo, "mnuFileInfo", "当前加载曲目属性(&P)"),
    separator(&W::mnuFile),
    item(&W::mnuFile, &W::mnuExit, "mnuExit", "退出(&X)"),

    submenu(&W::Popmnu0, &W::mnuEdit, "mnuEdit", "编辑(&E)"),
    item(&W::mnuEdit, &W::mnuDelete, "mnuDelete", "删除列表中选中曲目(&D)"),
    item(&W::mnuEdit, &W::mnuDeleteAll, "mnuDeleteAll", "删除列表中所有曲目(&C)"),
    separator(&W::mnuEdit),
    item(&W::mnuEdit, &W::mnuEditLRC, "mnuEditLRC", "编辑修改当前曲目歌词(&W)"),
    item(&W::mnuEdit, &W::mnuOffsetA, "mnuOffsetA", "歌词时间补偿<+50ms>(&A)"),
    item(&W::mnuEdit, &W::mnuOffsetD, "mnuOffsetD", "歌词时间补偿<-50ms>(&D)"),
    separator(&W::mnuEdit),
    item(&W::mnuEdit, &W::mnuOpenLRC, "mnuOpenLRC", "查找/替换歌词[本地](&L)"),
    item(&W::mnuEdit, &W::mnuOpenLRC2, "mnuOpenLRC2", "模糊查找/替换歌词[联网](&W)"),
    item(&W::mnuEdit, &W::mnuSearch1, "mnuSearch1", "LRC歌词搜索下载站(&S)"),
    item(&W::mnuEdit, &W::mnuReOpenLRC, "mnuReOpenLRC", "重新装载歌词(&R)"),
    item(&W::mnuEdit, &W::mnuNotLRC, "mnuNotLRC", "设置当前曲目不用歌词(&N)"),
    item(&W::mnuEdit, &W::mnuDelLRC, "mnuDelLRC", "删除当前曲目默认歌词(&R)"),

    submenu(&W::Popmnu0, &W::mnuView, "mnuView", "查看(&V)"),
    item(&W::mnuView, &W::mnuFull, "mnuFull", "影像全屏(&F)"),
    check(&W::mnuView, &W::mnuShowPic, "mnuShowPic", "显示图片(&X)"),
    item(&W::mnuView, &W::mnuOpenPic, "mnuOpenPic", "查找/替换封面图片(&P)"),
    item(&W::mnuView, &W::mnuSearch3, "mnuSearch3", "百度图片搜索(I)"),
    separator(&W::mnuView),
    item(&W::mnuView, &W::mnuShowVolumeB, "mnuShowVolumeB", "关闭录音音量显示(&M)"),
    item(&W::mnuView, &W::mnuShowVisualS, "mnuShowVisualS", "关闭可视化效果(&E)"),
    submenu(&W::mnuView, &W::mnuSelVisualN, "mnuSelVisualN", "可视化效果选择(&S)"),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 0, "mnuSelVisual0", "随机[默认](&0)"),
    separator(&W::mnuSelVisualN),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 1, "mnuSelVisual1", "波形(&1)"),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 2, "mnuSelVisual2", "激光(&2)"),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 3, "mnuSelVisual3", "火焰(&3)"),
    separator(&W::mnuSelVisualN),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 4, "mnuSelVisual4", "水波(&4)"),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 5, "mnuSelVisual5", "双线(&5)"),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 6, "mnuSelVisual6", "数字(&6)"),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 7, "mnuSelVisual7", "变幻(&7)"),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 8, "mnuSelVisual8", "交叉(&8)"),
    effect(&W::mnuSelVisualN, &W::mnuSelVisual, 9, "mnuSelVisual9", "Tavrel(&9)"),
    separator(&W::mnuView),
    submenu(&W::mnuView, &W::mnuLrcVS, "mnuLrcVS", "歌词显示模式(&L)"),
    check(&W::mnuLrcVS, &W::mnuLrcVS0, "mnuLrcVS0", "文本框模式(&0)"),
    check(&W::mnuLrcVS, &W::mnuLrcVS1, "mnuLrcVS1", "可视化效果(&1)"),
    check(&W::mnuLrcVS, &W::mnuLrcVS2, "mnuLrcVS2", "图片背景(&2)"),
    check(&W::mnuLrcVS, &W::mnuLrcVSH, "mnuLrcVSH", "歌词全屏(&H)"),

    submenu(&W::Popmnu0, &W::mnuControl, "mnuControl", "控制(&C)"),
    item(&W::mnuControl, &W::mnuPlayPause, "mnuPlayPause", "播放/暂停(&P)"),
    item(&W::mnuControl, &W::mnuStop, "mnuStop", "停止(&S)"),
    item(&W::mnuControl, &W::mnuPlaySelct, "mnuPlaySelct", "播放列表中选中的曲目(&D)"),
    separator(&W::mnuControl),
    item(&W::mnuControl, &W::mnuPrevious, "mnuPrevious", "播放上一曲(&V)"),
    item(&W::mnuControl, &W::mnuNext, "mnuNext", "播放下一曲(&N)"),
    item(&W::mnuControl, &W::mnuListUp, "mnuListUp", "向上查看列表曲目(&U)"),
    item(&W::mnuControl, &W::mnuListDown, "mnuListDown", "向下查看列表曲目(&N)"),
    separator(&W::mnuControl),
    item(&W::mnuControl, &W::mnuStartRec, "mnuStartRec", "录音(&R)"),
    item(&W::mnuControl, &W::mnuStopRecPlay, "mnuStopRecPlay", "停止录音或回放(&S)"),
    item(&W::mnuControl, &W::mnuPlayRec, "mnuPlayRec", "回放录音(&P)"),
    separator(&W::mnuControl),
    item(&W::mnuControl, &W::mnuLrcSt, "mnuLrcSt", "歌词移动开始/暂停(&M)"),

    submenu(&W::Popmnu0, &W::mnuTools, "mnuTools", "工具(&T)"),
    item(&W::mnuTools, &W::mnuSNDVOL, "mnuSNDVOL", "系统声音控制(&V)"),
    separator(&W::mnuTools),
    check(&W::mnuTools, &W::mnuRemoveVocal, "mnuRemoveVocal", "消减人声(&R)"),
    check(&W::mnuTools, &W::mnuShifting, "mnuShifting", "改变音调(&K)"),
    item(&W::mnuTools, &W::mnuTools1, "mnuTools1", "WAV转换为MP3(&E)"),
    item(&W::mnuTools, &W::mnuTools2, "mnuTools2", "MP3转换为WAV(&D)"),
    separator(&W::mnuTools),
    item(&W::mnuTools, &W::mnuSearch2, "mnuSearch2", "百度MP3搜索(&M)"),

    submenu(&W::Popmnu0, &W::mnuSetup, "mnuSetup", "设置(&S)"),
    item(&W::mnuSetup, &W::mnuMoreSetup, "mnuMoreSetup", "设置选项(&O)"),
    submenu(&W::mnuSetup, &W::mnuSkins, "mnuSkins", "界面皮肤(&F)"),
    item(&W::mnuSkins, &W::mnuSkinsRe, "mnuSkinsRe", "查找替换(&R)"),
    item(&W::mnuSkins, &W::mnuSkinsDe, "mnuSkinsDe", "恢复默认(&D)"),
    item(&W::mnuSetup, &W::mnuFileShell, "mnuFileShell", "文件关联(&C)"),

    submenu(&W::Popmnu0, &W::mnuHelp, "mnuHelp", "帮助(&H)"),
    item(&W::mnuHelp, &W::mnuHelpContents, "mnuHelpContents", "帮助内容(&C)"),
    item(&W::mnuHelp, &W::mnuWebLink, "mnuWebLink", "Melodune 网站(&W)"),
    separator(&W::mnuHelp),
    item(&W::mnuHelp, &W::mnuHelpAbout, "mnuHelpAbout", "关于(&A) ..."),

    popup(&W::Popmnu1, "Popmnu1", "歌词"),
    item(&W::Popmnu1, &W::PopOpenLRC, "PopOpenLRC", "查找/替换歌词[本地]"),
    item(&W::Popmnu1, &W::PopOpenLRC2, "PopOpenLRC2", "模糊查找/替换歌词[联网]"),
    item(&W::Popmnu1, &W::PopSearch1, "PopSearch1", "LRC歌词搜索下载站"),
    item(&W::Popmnu1, &W::PopReOpenLRC, "PopReOpenLRC", "重新装载歌词"),
    separator(&W::Popmnu1),
    item(&W::Popmnu1, &W::PopDelLRC, "PopDelLRC", "删除当前曲目默认歌词"),
    item(&W::Popmnu1, &W::PopNotLRC, "PopNotLRC", "设置当前曲目不用歌词"),
    item(&W::Popmnu1, &W::PopEditLRC, "PopEditLRC", "编辑修改当前曲目歌词"),
    separator(&W::Popmnu1),
    submenu(&W::Popmnu1, &W::PopLrcVS, "PopLrcVS", "歌词显示模式"),
    check(&W::PopLrcVS, &W::PopLrcVS0, "PopLrcVS0", "文本框模式"),
    check(&W::PopLrcVS, &W::PopLrcVS1, "PopLrcVS1", "可视化效果"),
    check(&W::PopLrcVS, &W::PopLrcVS2, "PopLrcVS2", "图片背景"),
    separator(&W::Popmnu1),
    check(&W::Popmnu1, &W::PopLrcVSH, "PopLrcVSH", "歌词全屏"),

    popup(&W::Popmnu2, "Popmnu2", "图片"),
    item(&W::Popmnu2, &W::PopOpenPic, "PopOpenPic", "查找/替换封面图片"),
    item(&W::Popmnu2, &W::PopSearch3, "PopSearch3", "百度图片搜索"),
    separator(&W::Popmnu2),
    item(&W::Popmnu2, &W::PopShowVisualS2, "PopShowVisualS2", "打开可视化效果"),

    popup(&W::Popmnu3, "Popmnu3", "录音音量"),
    item(&W::Popmnu3, &W::PopShowVolumeB, "PopShowVolumeB", "关闭录音音量显示"),
    separator(&W::Popmnu3),
    item(&W::Popmnu3, &W::PopSNDVOL, "PopSNDVOL", "系统声音控制"),

    popup(&W::Popmnu4, "Popmnu4", "播放列表"),
    item(&W::Popmnu4, &W::PopAddFile, "PopAddFile", "添加曲目[本地]"),
    item(&W::Popmnu4, &W::PopAddLink, "PopAddLink", "添加曲目[网络]"),
    separator(&W::Popmnu4),
    item(&W::Popmnu4, &W::PopSearch2, "PopSearch2", "百度MP3搜索"),
    separator(&W::Popmnu4),
    item(&W::Popmnu4, &W::PopPlaySelct, "PopPlaySelct", "播放选中的曲目"),
    separator(&W::Popmnu4),
    item(&W::Popmnu4, &W::PopNotLRC4, "PopNotLRC4", "设置选中的曲目不用歌词"),
    separator(&W::Popmnu4),
    item(&W::Popmnu4, &W::PopDelete, "PopDelete", "删除选中的曲目"),
    item(&W::Popmnu4, &W::PopDeleteAll, "PopDeleteAll", "删除所有的曲目"),
    separator(&W::Popmnu4),
    item(&W::Popmnu4, &W::PopListIn, "PopListIn", "导入播放列表"),
    item(&W::Popmnu4, &W::PopListSa, "PopListSa", "导出播放列表"),

    popup(&W::Popmnu5, "Popmnu5", "歌词列表"),
    item(&W::Popmnu5, &W::PopDownLrc5, "PopDownLrc5", "立即下载选中的歌词"),
    separator(&W::Popmnu5),
    item(&W::Popmnu5, &W::PopOpenLRC5, "PopOpenLRC5", "继续模糊查找歌词"),
    separator(&W::Popmnu5),
    item(&W::Popmnu5, &W::PopNotLRC5, "PopNotLRC5", "设置当前曲目不用歌词"),
    separator(&W::Popmnu5),
    item(&W::Popmnu5, &W::PopReOpenLRC5, "PopReOpenLRC5", "重新装载歌词"),

    popup(&W::Popmnu6, "Popmnu6", "可视化效果"),
    item(&W::Popmnu6, &W::PopShowVisualS, "PopShowVisualS", "关闭可视化效果"),
    submenu(&W::Popmnu6, &W::PopSelVisualN, "PopSelVisualN", "可视化效果选择"),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 0, "PopSelVisual0", "随机[默认]"),
    separator(&W::PopSelVisualN),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 1, "PopSelVisual1", "波形"),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 2, "PopSelVisual2", "激光"),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 3, "PopSelVisual3", "火焰"),
    separator(&W::PopSelVisualN),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 4, "PopSelVisual4", "水波"),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 5, "PopSelVisual5", "双线"),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 6, "PopSelVisual6", "数字"),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 7, "PopSelVisual7", "变幻"),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 8, "PopSelVisual8", "交叉"),
    effect(&W::PopSelVisualN, &W::PopSelVisual, 9, "PopSelVisual9", "Tavrel"),
    separator(&W::Popmnu6),
    item(&W::Popmnu6, &W::PopSNDVOL6, "PopSNDVOL6", "系统声音控制"),
};

// The skin buttons that stand for a menu item: the button triggers the item
// and can be clicked only while the item is enabled.
struct TwinButton {
    int button;
    Item item;
};
constexpr TwinButton kTwinButtons[] = {
    {1, &W::mnuPrevious},   {2, &W::mnuNext},       {6, &W::mnuStartRec},  {7, &W::mnuPlayRec},
    {8, &W::mnuStopRecPlay}, {9, &W::mnuAdd},       {10, &W::mnuListUp},   {11, &W::mnuListDown},
    {13, &W::mnuStop},      {14, &W::mnuDelete},    {15, &W::mnuWebLink},  {16, &W::mnuMoreSetup},
    {17, &W::mnuSNDVOL},    {19, &W::mnuReOpenLRC}, {22, &W::mnuFileInfo}, {25, &W::mnuSearch1},
};

} // namespace

void FrmMain::buildMenus()
{
    for (const MenuRow& row : kMenus) {
        const QString caption = QString::fromUtf8(row.caption);
        QMenu* parent = row.parent ? this->*row.parent : nullptr;
        if (row.menu) {
            QMenu* m = parent ? parent->addMenu(caption) : new QMenu(caption, this);
            m->setObjectName(QString::fromLatin1(row.name));
            this->*row.menu = m;
        } else if (row.item || row.effects) {
            QAction* a = parent->addAction(caption);
            a->setObjectName(QString::fromLatin1(row.name));
            a->setCheckable(row.checkable);
            (row.item ? this->*row.item : (this->*row.effects)[row.number]) = a;
        } else {
            parent->addSeparator();
        }
    }
    for (const TwinButton& twin : kTwinButtons)
        XPButtons[twin.button]->setAction(this->*twin.item);
}

void FrmMain::connectHandlers()
{
    connectStartupHandlers();
    connectPlaylistHandlers();
    connectTransportHandlers();
    connectLyricsHandlers();
    connectLyricViewHandlers();
    connectHelpHandlers();
    connectLrcWebHandlers();
    connectRecordingHandlers();
    connectInputPanelHandlers();
    connectEffectHandlers();
    connectVisualHandlers();
    connectFileShellHandlers();
    connectSettingsHandlers();
    connectSkinHandlers();
    connectSkinButtonFocus(); // last: it runs after each button's handlers
}

void FrmMain::onMenuItem(QAction* item, void (FrmMain::*handler)())
{
    connect(item, &QAction::triggered, this, handler);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (controlMouseEvent(watched->objectName(), static_cast<QMouseEvent*>(event)))
            return true;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmMain::buildTimers()
{
    // Intervals as designed; every timer is stored switched off.
    const int intervals[11] = {0, 50, 1000, 1000, 50, 1000, 1000, 1, 1, 1000, 50};
    for (int i = 1; i <= 10; ++i) {
        Timer[i] = new QTimer(this);
        Timer[i]->setObjectName(QStringLiteral("Timer%1").arg(i));
        Timer[i]->setInterval(intervals[i]);
    }
    for (QTimer** t : {&TimerEnMp3, &TimerUnEnMp3}) {
        *t = new QTimer(this);
        (*t)->setInterval(1000);
    }
    TimerEnMp3->setObjectName(QStringLiteral("TimerEnMp3"));
    TimerUnEnMp3->setObjectName(QStringLiteral("TimerUnEnMp3"));
    Timer[7]->setSingleShot(true);
    Timer[10]->setSingleShot(true); // one background change per request
    connect(Timer[10], &QTimer::timeout, this, &FrmMain::Timer10_Timer);
    // Repeating: its running state tells the picture step "song picture
    // only" until the handler stops it.
    connect(Timer[6], &QTimer::timeout, this, &FrmMain::Timer6_Timer);
    Skin.timer7 = Timer[7];
    connect(Timer[7], &QTimer::timeout, this, [this] { Timer7_Timer(Skin); });
    connect(Timer[3], &QTimer::timeout, this, &FrmMain::Timer3_Timer);
}

} // namespace melodune
