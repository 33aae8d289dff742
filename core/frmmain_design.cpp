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

    // The skin carries every other control.
    PicShape = makeLabel(this, QStringLiteral("PicShape"));
    PicShape->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSkinPicture(PicShape, builtInSkin());
    PicShape->installEventFilter(this);
    Skin.window = this;
    Skin.picShape = PicShape;
    prepareTranslucency(this);

    auto* skin = PicShape;
    Image5 = makeLabel(skin, QStringLiteral("Image5"));
    Image5->setGeometry(6, 2, 28, 26);
    Image5->installEventFilter(this);
    Image3 = makeLabel(skin, QStringLiteral("Image3"));
    Image3->setGeometry(640, 7, 16, 16);
    Image3->setCursor(Qt::PointingHandCursor);
    Image3->installEventFilter(this);
    Image4 = makeLabel(skin, QStringLiteral("Image4"));
    Image4->setGeometry(662, 7, 16, 16);
    Image4->setCursor(Qt::PointingHandCursor);
    Image4->installEventFilter(this);

    Label4 = makeLabel(skin, QStringLiteral("Label4"), QStringLiteral("Melodune"));
    Label4->setGeometry(40, 7, 574, 18);
    Label4->setStyleSheet(QStringLiteral("color: #cfe0ff;"));
    Label4->installEventFilter(this);
    // The hint line runs below the playlist, wide enough for its longest
    // hint in the window's font, with the help link at its end.
    Label5 = makeLabel(skin, QStringLiteral("Label5"), QStringLiteral("提示："));
    Label5->setGeometry(330, 449, 276, 18);
    Label5->setStyleSheet(QStringLiteral("color: #cfe0ff;"));
    Label5->installEventFilter(this);
    Label6 = makeLabel(skin, QStringLiteral("Label6"), QStringLiteral("帮助(F1)"));
    Label6->setGeometry(610, 449, 52, 18); // clear of the rounded corner
    Label6->setStyleSheet(QStringLiteral("color: #cfe0ff;"));
    Label6->setCursor(Qt::PointingHandCursor);
    // The lyric clock and the offset in force, under the offset buttons.
    auto display = [&](QLabel*& caption, QLabel*& value, const QString& name, const QString& text,
                       const QString& tip, int x, int captionWidth, int width) {
        caption = makeLabel(skin, name + QStringLiteral("Caption"), text);
        caption->setGeometry(x, 362, captionWidth, 22);
        value = makeLabel(skin, name);
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

    // Media control and the picture panels over it.
    MediaPlayer1 = services_.createMedia
                       ? services_.createMedia(this)
                       : new rt::MpvMediaControl(rt::MpvOptions::fromEnvironment(), nullptr, this);
    MediaPlayer1->widget()->setParent(skin);
    MediaPlayer1->widget()->setObjectName(QStringLiteral("MediaPlayer1"));
    placeTwips(MediaPlayer1->widget(), 360, 480, 4320, 4320);
    MediaPlayer1->widget()->setStyleSheet(QStringLiteral("background: black;"));
    // The add-on sound controls: decoder, encoder, effect.
    Mp3Play1 = services_.createMp3Play ? services_.createMp3Play(this) : rt::createMp3Decoder(this);
    Mp3Enc1 = services_.createMp3Enc ? services_.createMp3Enc(this) : rt::createMp3Encoder(this);
    Effect1 = services_.createEffect ? services_.createEffect(this) : rt::createEffectControl(this);

    Picture2 = makePanel(skin, QStringLiteral("Picture2"));
    Picture2->setStyleSheet(QStringLiteral("background: black;"));
    Picture2->installEventFilter(this);
    Image1 = makeLabel(Picture2, QStringLiteral("Image1"));
    Image1->hide();
    Image2 = makeLabel(Picture2, QStringLiteral("Image2"));
    Image2->setScaledContents(true);
    Image2->installEventFilter(this);
    Picture5 = new VisualPanel(skin);
    Picture5->setObjectName(QStringLiteral("Picture5"));
    Picture5->hide();
    Picture5->installEventFilter(this);

    // The level meter.
    Picture3 = new MeterStrip(skin);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Line1 = new QFrame(skin);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::NoFrame);
    Line1->setAutoFillBackground(true);
    Line1->hide();

    // Lyric area: the text box, and the picture views drawn over Picture1.
    Picture1 = new VisualPanel(skin);
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
    RichTextBox1View = new RichTextView(RichTextBox1, skin);
    RichTextBox1View->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1View->setGeometry(330, 32, 334, 240);
    RichTextBox2 = new RichTextModel(this);
    RichTextBox2View = new RichTextView(RichTextBox2, skin);
    RichTextBox2View->setObjectName(QStringLiteral("RichTextBox2"));
    RichTextBox2View->setGeometry(330, 32, 334, 240);
    RichTextBox2View->setReadOnly(false);
    RichTextBox2->setVisible(false);

    // Playlist.
    Frame1 = new QGroupBox(skin);
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
    List2 = new QListWidget(skin);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setGeometry(330, 32, 334, 240);
    List2->hide();

    // Recording input panel: device, line and recording volume, below the
    // picture in the media control's free strip.
    frmInp = new QGroupBox(QStringLiteral("录音控制"), skin);
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

    // Effect switches.
    imgR = makeLabel(skin, QStringLiteral("imgR"));
    imgR->setGeometry(290, 364, 18, 18);
    // The effect switches: picture-style check boxes (the picture tells the
    // state), in the playlist's title row clear of its buttons.
    for (QCheckBox** box : {&Check2, &Check3}) {
        *box = new QCheckBox(skin);
        (*box)->setIconSize(QSize(18, 18));
        setSwitchBackColor(*box, sysColorRef(ColorBtnFace));
        (*box)->setMouseTracking(true);
    }
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setGeometry(460, 286, 20, 20);
    Check3->setObjectName(QStringLiteral("Check3"));
    Check3->setGeometry(482, 286, 20, 20);
    HScroll1 = new QScrollBar(Qt::Horizontal, skin);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setRange(-5000, 5000);
    HScroll1->setGeometry(26, 414, 286, 0);
    HScroll1->hide();

    // Buttons with their stored design data.
    // The icons are shipped beside the program and seeded into the data folder.
    const QString resDir = (shared().DataDir.isEmpty() ? QCoreApplication::applicationDirPath() : shared().DataDir) +
                           QStringLiteral("/res");
    for (const ButtonPlace& p : kButtonPlaces) {
        const QString name = QStringLiteral("XPButton%1").arg(p.index);
        auto* b = new melodune::XPButton(name, skin);
        b->setObjectName(name);
        if (const ButtonData* data = findButtonData(QStringLiteral("frmMain"), name))
            b->loadProperties(storedButtonProperties(*data, resDir));
        b->setGeometry(p.x, p.y, p.w, p.h);
        XPButtons[p.index] = b;
    }

    resetDesignState();
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
    for (const char* name : {"mnuRemoveVocal", "mnuShifting"})
        if (QAction* a = mnu(QString::fromLatin1(name)))
            a->setChecked(false);
    if (QAction* a = mnuStopRecPlay)
        a->setText(QStringLiteral("停止录音或回放(&S)"));
    if (XPButtons[8])
        XPButtons[8]->setButtonToolTip(QStringLiteral(" 停 止 "));
    if (XPButtons[5] && RichTextBox2)
        showLyricEditorState(false);
    imgR->setPixmap(imgS[0]);
}

QAction** FrmMain::itemSlot(const QString& name)
{
    static const std::pair<const char*, QAction* FrmMain::*> kItems[] = {
        {"mnuAdd", &FrmMain::mnuAdd},
        {"mnuAdd2", &FrmMain::mnuAdd2},
        {"mnuListIn", &FrmMain::mnuListIn},
        {"mnuListSa", &FrmMain::mnuListSa},
        {"mnuFileInfo", &FrmMain::mnuFileInfo},
        {"mnuExit", &FrmMain::mnuExit},
        {"mnuDelete", &FrmMain::mnuDelete},
        {"mnuDeleteAll", &FrmMain::mnuDeleteAll},
        {"mnuEditLRC", &FrmMain::mnuEditLRC},
        {"mnuOffsetA", &FrmMain::mnuOffsetA},
        {"mnuOffsetD", &FrmMain::mnuOffsetD},
        {"mnuOpenLRC", &FrmMain::mnuOpenLRC},
        {"mnuOpenLRC2", &FrmMain::mnuOpenLRC2},
        {"mnuSearch1", &FrmMain::mnuSearch1},
        {"mnuReOpenLRC", &FrmMain::mnuReOpenLRC},
        {"mnuNotLRC", &FrmMain::mnuNotLRC},
        {"mnuDelLRC", &FrmMain::mnuDelLRC},
        {"mnuFull", &FrmMain::mnuFull},
        {"mnuShowPic", &FrmMain::mnuShowPic},
        {"mnuOpenPic", &FrmMain::mnuOpenPic},
        {"mnuSearch3", &FrmMain::mnuSearch3},
        {"mnuShowVolumeB", &FrmMain::mnuShowVolumeB},
        {"mnuShowVisualS", &FrmMain::mnuShowVisualS},
        {"mnuLrcVS0", &FrmMain::mnuLrcVS0},
        {"mnuLrcVS1", &FrmMain::mnuLrcVS1},
        {"mnuLrcVS2", &FrmMain::mnuLrcVS2},
        {"mnuLrcVSH", &FrmMain::mnuLrcVSH},
        {"mnuPlayPause", &FrmMain::mnuPlayPause},
        {"mnuStop", &FrmMain::mnuStop},
        {"mnuPlaySelct", &FrmMain::mnuPlaySelct},
        {"mnuPrevious", &FrmMain::mnuPrevious},
        {"mnuNext", &FrmMain::mnuNext},
        {"mnuListUp", &FrmMain::mnuListUp},
        {"mnuListDown", &FrmMain::mnuListDown},
        {"mnuStartRec", &FrmMain::mnuStartRec},
        {"mnuStopRecPlay", &FrmMain::mnuStopRecPlay},
        {"mnuPlayRec", &FrmMain::mnuPlayRec},
        {"mnuLrcSt", &FrmMain::mnuLrcSt},
        {"mnuSNDVOL", &FrmMain::mnuSNDVOL},
        {"mnuRemoveVocal", &FrmMain::mnuRemoveVocal},
        {"mnuShifting", &FrmMain::mnuShifting},
        {"mnuTools1", &FrmMain::mnuTools1},
        {"mnuTools2", &FrmMain::mnuTools2},
        {"mnuSearch2", &FrmMain::mnuSearch2},
        {"mnuMoreSetup", &FrmMain::mnuMoreSetup},
        {"mnuSkinsRe", &FrmMain::mnuSkinsRe},
        {"mnuSkinsDe", &FrmMain::mnuSkinsDe},
        {"mnuFileShell", &FrmMain::mnuFileShell},
        {"mnuHelpContents", &FrmMain::mnuHelpContents},
        {"mnuWebLink", &FrmMain::mnuWebLink},
        {"mnuHelpAbout", &FrmMain::mnuHelpAbout},
        {"PopOpenLRC", &FrmMain::PopOpenLRC},
        {"PopOpenLRC2", &FrmMain::PopOpenLRC2},
        {"PopSearch1", &FrmMain::PopSearch1},
        {"PopReOpenLRC", &FrmMain::PopReOpenLRC},
        {"PopDelLRC", &FrmMain::PopDelLRC},
        {"PopNotLRC", &FrmMain::PopNotLRC},
        {"PopEditLRC", &FrmMain::PopEditLRC},
        {"PopLrcVS0", &FrmMain::PopLrcVS0},
        {"PopLrcVS1", &FrmMain::PopLrcVS1},
        {"PopLrcVS2", &FrmMain::PopLrcVS2},
        {"PopLrcVSH", &FrmMain::PopLrcVSH},
        {"PopOpenPic", &FrmMain::PopOpenPic},
        {"PopSearch3", &FrmMain::PopSearch3},
        {"PopShowVisualS2", &FrmMain::PopShowVisualS2},
        {"PopShowVolumeB", &FrmMain::PopShowVolumeB},
        {"PopSNDVOL", &FrmMain::PopSNDVOL},
        {"PopAddFile", &FrmMain::PopAddFile},
        {"PopAddLink", &FrmMain::PopAddLink},
        {"PopSearch2", &FrmMain::PopSearch2},
        {"PopPlaySelct", &FrmMain::PopPlaySelct},
        {"PopNotLRC4", &FrmMain::PopNotLRC4},
        {"PopDelete", &FrmMain::PopDelete},
        {"PopDeleteAll", &FrmMain::PopDeleteAll},
        {"PopListIn", &FrmMain::PopListIn},
        {"PopListSa", &FrmMain::PopListSa},
        {"PopDownLrc5", &FrmMain::PopDownLrc5},
        {"PopOpenLRC5", &FrmMain::PopOpenLRC5},
        {"PopNotLRC5", &FrmMain::PopNotLRC5},
        {"PopReOpenLRC5", &FrmMain::PopReOpenLRC5},
        {"PopShowVisualS", &FrmMain::PopShowVisualS},
        {"PopSNDVOL6", &FrmMain::PopSNDVOL6},
    };
    for (const auto& [n, slot] : kItems)
        if (name == QLatin1String(n))
            return &(this->*slot);
    for (auto [prefix, array] : {std::pair{"mnuSelVisual", &FrmMain::mnuSelVisual}, std::pair{"PopSelVisual", &FrmMain::PopSelVisual}})
        if (name.size() == int(qstrlen(prefix)) + 1 && name.startsWith(QLatin1String(prefix)) && name.back().isDigit())
            return &(this->*array)[name.back().digitValue()];
    return nullptr;
}

QMenu** FrmMain::menuSlot(const QString& name)
{
    static const std::pair<const char*, QMenu* FrmMain::*> kMenus[] = {
        {"Popmnu0", &FrmMain::Popmnu0},
        {"mnuFile", &FrmMain::mnuFile},
        {"mnuEdit", &FrmMain::mnuEdit},
        {"mnuView", &FrmMain::mnuView},
        {"mnuSelVisualN", &FrmMain::mnuSelVisualN},
        {"mnuLrcVS", &FrmMain::mnuLrcVS},
        {"mnuControl", &FrmMain::mnuControl},
        {"mnuTools", &FrmMain::mnuTools},
        {"mnuSetup", &FrmMain::mnuSetup},
        {"mnuSkins", &FrmMain::mnuSkins},
        {"mnuHelp", &FrmMain::mnuHelp},
        {"Popmnu1", &FrmMain::Popmnu1},
        {"PopLrcVS", &FrmMain::PopLrcVS},
        {"Popmnu2", &FrmMain::Popmnu2},
        {"Popmnu3", &FrmMain::Popmnu3},
        {"Popmnu4", &FrmMain::Popmnu4},
        {"Popmnu5", &FrmMain::Popmnu5},
        {"Popmnu6", &FrmMain::Popmnu6},
        {"PopSelVisualN", &FrmMain::PopSelVisualN},
    };
    for (const auto& [n, slot] : kMenus)
        if (name == QLatin1String(n))
            return &(this->*slot);
    return nullptr;
}

QAction* FrmMain::mnu(const QString& name) const
{
    if (QAction* a = actions_.value(name))
        return a;
    if (QMenu* m = menus_.value(name))
        return m->menuAction();
    return nullptr;
}

QMenu* FrmMain::menu(const QString& name) const
{
    return menus_.value(name);
}

QMenu* FrmMain::addSubMenu(const QString& parent, const QString& name, const QString& caption)
{
    QMenu* m = parent.isEmpty() ? new QMenu(caption, this) : menus_.value(parent)->addMenu(caption);
    m->setObjectName(name);
    menus_.insert(name, m);
    if (QMenu** slot = menuSlot(name))
        *slot = m;
    return m;
}

void FrmMain::addMenuItem(const QString& parent, const QString& name, const QString& caption)
{
    QAction* a = menus_.value(parent)->addAction(caption);
    a->setObjectName(name);
    actions_.insert(name, a);
    if (QAction** slot = itemSlot(name))
        *slot = a;
}

void FrmMain::addSeparator(const QString& parent)
{
    menus_.value(parent)->addSeparator();
}

void FrmMain::showPopup(const QString& name)
{
    if (QMenu* m = menus_.value(name))
        m->popup(QCursor::pos());
}

void FrmMain::buildMenus()
{
    // The menu bar is itself a pop-up menu, opened from the skin.
    addSubMenu({}, QStringLiteral("Popmnu0"), QStringLiteral("主菜单"));

    addSubMenu(QStringLiteral("Popmnu0"), QStringLiteral("mnuFile"), QStringLiteral("文件(&F)"));
    addMenuItem(QStringLiteral("mnuFile"), QStringLiteral("mnuAdd"), QStringLiteral("添加曲目到列表[本地](&A)"));
    addMenuItem(QStringLiteral("mnuFile"), QStringLiteral("mnuAdd2"), QStringLiteral("添加曲目到列表[网络](&B)"));
    addSeparator(QStringLiteral("mnuFile"));
    addMenuItem(QStringLiteral("mnuFile"), QStringLiteral("mnuListIn"), QStringLiteral("导入播放列表(&I)"));
    addMenuItem(QStringLiteral("mnuFile"), QStringLiteral("mnuListSa"), QStringLiteral("导出播放列表(&O)"));
    addSeparator(QStringLiteral("mnuFile"));
    addMenuItem(QStringLiteral("mnuFile"), QStringLiteral("mnuFileInfo"), QStringLiteral("当前加载曲目属性(&P)"));
    addSeparator(QStringLiteral("mnuFile"));
    addMenuItem(QStringLiteral("mnuFile"), QStringLiteral("mnuExit"), QStringLiteral("退出(&X)"));

    addSubMenu(QStringLiteral("Popmnu0"), QStringLiteral("mnuEdit"), QStringLiteral("编辑(&E)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuDelete"), QStringLiteral("删除列表中选中曲目(&D)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuDeleteAll"), QStringLiteral("删除列表中所有曲目(&C)"));
    addSeparator(QStringLiteral("mnuEdit"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuEditLRC"), QStringLiteral("编辑修改当前曲目歌词(&W)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuOffsetA"), QStringLiteral("歌词时间补偿<+50ms>(&A)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuOffsetD"), QStringLiteral("歌词时间补偿<-50ms>(&D)"));
    addSeparator(QStringLiteral("mnuEdit"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuOpenLRC"), QStringLiteral("查找/替换歌词[本地](&L)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuOpenLRC2"), QStringLiteral("模糊查找/替换歌词[联网](&W)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuSearch1"), QStringLiteral("LRC歌词搜索下载站(&S)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuReOpenLRC"), QStringLiteral("重新装载歌词(&R)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuNotLRC"), QStringLiteral("设置当前曲目不用歌词(&N)"));
    addMenuItem(QStringLiteral("mnuEdit"), QStringLiteral("mnuDelLRC"), QStringLiteral("删除当前曲目默认歌词(&R)"));

    addSubMenu(QStringLiteral("Popmnu0"), QStringLiteral("mnuView"), QStringLiteral("查看(&V)"));
    addMenuItem(QStringLiteral("mnuView"), QStringLiteral("mnuFull"), QStringLiteral("影像全屏(&F)"));
    addMenuItem(QStringLiteral("mnuView"), QStringLiteral("mnuShowPic"), QStringLiteral("显示图片(&X)"));
    mnuShowPic->setCheckable(true);
    addMenuItem(QStringLiteral("mnuView"), QStringLiteral("mnuOpenPic"), QStringLiteral("查找/替换封面图片(&P)"));
    addSeparator(QStringLiteral("mnuView"));
    addMenuItem(QStringLiteral("mnuView"), QStringLiteral("mnuShowVolumeB"), QStringLiteral("关闭录音音量显示(&M)"));
    addMenuItem(QStringLiteral("mnuView"), QStringLiteral("mnuShowVisualS"), QStringLiteral("关闭可视化效果(&E)"));
    addSubMenu(QStringLiteral("mnuView"), QStringLiteral("mnuSelVisualN"), QStringLiteral("可视化效果选择(&S)"));
    addMenuItem(QStringLiteral("mnuSelVisualN"), QStringLiteral("mnuSelVisual0"), QStringLiteral("随机[默认](&0)"));
    addSeparator(QStringLiteral("mnuSelVisualN"));
    {
        const char* names[] = {"波形(&1)", "激光(&2)", "火焰(&3)", "水波(&4)", "双线(&5)",
                               "数字(&6)", "变幻(&7)", "交叉(&8)", "Tavrel(&9)"};
        for (int i = 1; i <= 9; ++i)
            addMenuItem(QStringLiteral("mnuSelVisualN"), QStringLiteral("mnuSelVisual%1").arg(i),
                        QString::fromUtf8(names[i - 1]));
    }
    addSeparator(QStringLiteral("mnuView"));
    addSubMenu(QStringLiteral("mnuView"), QStringLiteral("mnuLrcVS"), QStringLiteral("歌词显示模式(&L)"));
    addMenuItem(QStringLiteral("mnuLrcVS"), QStringLiteral("mnuLrcVS0"), QStringLiteral("文本框模式(&0)"));
    addMenuItem(QStringLiteral("mnuLrcVS"), QStringLiteral("mnuLrcVS1"), QStringLiteral("可视化效果(&1)"));
    addMenuItem(QStringLiteral("mnuLrcVS"), QStringLiteral("mnuLrcVS2"), QStringLiteral("图片背景(&2)"));
    addMenuItem(QStringLiteral("mnuLrcVS"), QStringLiteral("mnuLrcVSH"), QStringLiteral("歌词全屏(&H)"));
    for (const char* n : {"mnuLrcVS0", "mnuLrcVS1", "mnuLrcVS2", "mnuLrcVSH"})
        mnu(QString::fromLatin1(n))->setCheckable(true);

    addSubMenu(QStringLiteral("Popmnu0"), QStringLiteral("mnuControl"), QStringLiteral("控制(&C)"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuPlayPause"), QStringLiteral("播放/暂停(&P)"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuStop"), QStringLiteral("停止(&S)"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuPlaySelct"), QStringLiteral("播放列表中选中的曲目(&D)"));
    addSeparator(QStringLiteral("mnuControl"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuPrevious"), QStringLiteral("播放上一曲(&V)"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuNext"), QStringLiteral("播放下一曲(&N)"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuListUp"), QStringLiteral("向上查看列表曲目(&U)"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuListDown"), QStringLiteral("向下查看列表曲目(&N)"));
    addSeparator(QStringLiteral("mnuControl"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuStartRec"), QStringLiteral("录音(&R)"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuStopRecPlay"), QStringLiteral("停止录音或回放(&S)"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuPlayRec"), QStringLiteral("回放录音(&P)"));
    addSeparator(QStringLiteral("mnuControl"));
    addMenuItem(QStringLiteral("mnuControl"), QStringLiteral("mnuLrcSt"), QStringLiteral("歌词移动开始/暂停(&M)"));

    addSubMenu(QStringLiteral("Popmnu0"), QStringLiteral("mnuTools"), QStringLiteral("工具(&T)"));
    addMenuItem(QStringLiteral("mnuTools"), QStringLiteral("mnuSNDVOL"), QStringLiteral("系统声音控制(&V)"));
    addSeparator(QStringLiteral("mnuTools"));
    addMenuItem(QStringLiteral("mnuTools"), QStringLiteral("mnuRemoveVocal"), QStringLiteral("消减人声(&R)"));
    addMenuItem(QStringLiteral("mnuTools"), QStringLiteral("mnuShifting"), QStringLiteral("改变音调(&K)"));
    mnuRemoveVocal->setCheckable(true);
    mnuShifting->setCheckable(true);
    addMenuItem(QStringLiteral("mnuTools"), QStringLiteral("mnuTools1"), QStringLiteral("WAV转换为MP3(&E)"));
    addMenuItem(QStringLiteral("mnuTools"), QStringLiteral("mnuTools2"), QStringLiteral("MP3转换为WAV(&D)"));
    addSeparator(QStringLiteral("mnuTools"));
    addMenuItem(QStringLiteral("mnuTools"), QStringLiteral("mnuSearch2"), QStringLiteral("百度MP3搜索(&M)"));

    addSubMenu(QStringLiteral("Popmnu0"), QStringLiteral("mnuSetup"), QStringLiteral("设置(&S)"));
    addMenuItem(QStringLiteral("mnuSetup"), QStringLiteral("mnuMoreSetup"), QStringLiteral("设置选项(&O)"));
    addSubMenu(QStringLiteral("mnuSetup"), QStringLiteral("mnuSkins"), QStringLiteral("界面皮肤(&F)"));
    addMenuItem(QStringLiteral("mnuSkins"), QStringLiteral("mnuSkinsRe"), QStringLiteral("查找替换(&R)"));
    addMenuItem(QStringLiteral("mnuSkins"), QStringLiteral("mnuSkinsDe"), QStringLiteral("恢复默认(&D)"));
    addMenuItem(QStringLiteral("mnuSetup"), QStringLiteral("mnuFileShell"), QStringLiteral("文件关联(&C)"));

    addSubMenu(QStringLiteral("Popmnu0"), QStringLiteral("mnuHelp"), QStringLiteral("帮助(&H)"));
    addMenuItem(QStringLiteral("mnuHelp"), QStringLiteral("mnuHelpContents"), QStringLiteral("帮助内容(&C)"));
    addMenuItem(QStringLiteral("mnuHelp"), QStringLiteral("mnuWebLink"), QStringLiteral("Melodune 网站(&W)"));
    addSeparator(QStringLiteral("mnuHelp"));
    addMenuItem(QStringLiteral("mnuHelp"), QStringLiteral("mnuHelpAbout"), QStringLiteral("关于(&A) ..."));

    // The playlist pop-up.
    const QString pop4 = QStringLiteral("Popmnu4");
    addSubMenu({}, pop4, QStringLiteral("播放列表"));
    addMenuItem(pop4, QStringLiteral("PopAddFile"), QStringLiteral("添加曲目[本地]"));
    addMenuItem(pop4, QStringLiteral("PopAddLink"), QStringLiteral("添加曲目[网络]"));
    addSeparator(pop4);
    addMenuItem(pop4, QStringLiteral("PopSearch2"), QStringLiteral("百度MP3搜索"));
    addSeparator(pop4);
    addMenuItem(pop4, QStringLiteral("PopPlaySelct"), QStringLiteral("播放选中的曲目"));
    addSeparator(pop4);
    addMenuItem(pop4, QStringLiteral("PopNotLRC4"), QStringLiteral("设置选中的曲目不用歌词"));
    addSeparator(pop4);
    addMenuItem(pop4, QStringLiteral("PopDelete"), QStringLiteral("删除选中的曲目"));
    addMenuItem(pop4, QStringLiteral("PopDeleteAll"), QStringLiteral("删除所有的曲目"));
    addSeparator(pop4);
    addMenuItem(pop4, QStringLiteral("PopListIn"), QStringLiteral("导入播放列表"));
    addMenuItem(pop4, QStringLiteral("PopListSa"), QStringLiteral("导出播放列表"));
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
