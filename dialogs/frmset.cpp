#include "dialogs/frmset.h"

#include "controls/buttondata.h"
#include "controls/xpbutton.h"
#include "core/appenv.h"
#include "core/settings.h"
#include "core/shared.h"
#include "core/trackname.h"
#include "dialogs/settingshost.h"
#include "lyrics/richtext.h"
#include "platform/atomicfile.h"
#include "platform/clock.h"
#include "platform/ui.h"
#include "platform/units.h"
#include "visual/picturelayout.h"
#include "visual/skin.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

namespace melodune {

namespace {

constexpr std::int32_t kBitRates[7] = {32000, 56000, 64000, 96000, 112000, 128000, 256000};
constexpr std::int32_t kSampleRates[3] = {32000, 44100, 48000};
constexpr std::int32_t kWaitSeconds[3] = {5, 10, 30};

const QString kPictureFilter =
    QStringLiteral("图片文件(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|PICS文件(*.pic)|*.pic|所有文件(*.*)|*.*");

// The index of `value` in `table`, or -1.
template <std::size_t N>
int indexOf(const std::int32_t (&table)[N], std::int32_t value)
{
    for (std::size_t i = 0; i < N; ++i)
        if (table[i] == value)
            return int(i);
    return -1;
}

void placeTwips(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(rt::twipsToPixels(left), rt::twipsToPixels(top), rt::twipsToPixels(width),
                   rt::twipsToPixels(height));
}

QString userPicturePath() { return shared().DataDir + QStringLiteral("/userdefine.pic"); }
QString defaultPicturePath() { return shared().DataDir + QStringLiteral("/default.pic"); }

// Loads `path` into the main window's default picture holder; a file that
// does not load leaves the holder as it was.
void loadDefaultPicture(SettingsHost& w, const QString& path)
{
    const QPixmap p = loadPicture(path);
    if (!p.isNull())
        w.setDefaultPicture(p);
}

// Frames: caption and rectangle in twips, in the order in which they stand.
struct FrameDesign {
    const char* caption;
    int left, top, width, height;
};
constexpr FrameDesign kFrames[9] = {
    {"播放设置", 120, 120, 8415, 615},
    {"MP3编码-比特率(kbit/s)", 120, 840, 5175, 615},
    {"MP3编码-采样频率(Hz)", 5520, 840, 3015, 615},
    {"消减人声设置", 120, 1560, 3975, 615},
    {"封面图片及可视化效果显示设置", 4320, 1560, 4215, 1695},
    {"下载歌词设置", 120, 2280, 3975, 975},
    {"录音设置", 120, 3360, 8415, 1335},
    {"界面皮肤", 120, 4800, 2535, 975},
    {"歌词显示模式及相关设置", 2880, 4800, 5655, 975},
};

} // namespace

FrmSet::FrmSet(SettingsHost& main) : QDialog(&main.mainWindow()), main_(main)
{
    setObjectName(QStringLiteral("frmSet"));
    buildDesign();
    connectHandlers();
    // Boxes asked from here stand over this dialog, not behind it.
    rt::setDialogParent(this);
    Form_Load();
}

FrmSet::~FrmSet()
{
    rt::setDialogParent(&main_.mainWindow());
}

// ---------------------------------------------------------------------------
// Design

void FrmSet::buildDesign()
{
    setWindowTitle(QStringLiteral("设置选项"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(rt::twipsToPixels(8670), rt::twipsToPixels(6585));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
    setFont(main_.mainWindow().font());
    // On the frames, not on the dialog: a dialog's style sheet would reach
    // the message boxes and file dialogs it parents too.
    const QString frameStyle = QStringLiteral(
        "QGroupBox { background: white; border: 1px solid #c8c8c8; border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; color: rgb(64, 64, 64); }"
        "QCheckBox, QRadioButton, QLabel { background: white; }");

    for (int i = 0; i < 9; ++i) {
        const FrameDesign& f = kFrames[i];
        auto* box = new QGroupBox(QString::fromUtf8(f.caption), this);
        box->setObjectName(QStringLiteral("Frame%1").arg(i + 1));
        box->setStyleSheet(frameStyle);
        placeTwips(box, f.left, f.top, f.width, f.height);
        Frames[i] = box;
    }
    auto check = [](QWidget* parent, const char* name, const char* caption, QRect r, bool ticked) {
        auto* c = new QCheckBox(QString::fromUtf8(caption), parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setGeometry(r);
        c->setChecked(ticked);
        return c;
    };
    auto label = [](QWidget* parent, const char* name, const char* caption, QRect r) {
        auto* l = new QLabel(QString::fromUtf8(caption), parent);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(r);
        return l;
    };
    auto options = [](QWidget* parent, const char* name, std::initializer_list<const char*> captions,
                      QRect first, int dx, int dy, QRadioButton** out, int selected) {
        int i = 0;
        for (const char* caption : captions) {
            auto* o = new QRadioButton(QString::fromUtf8(caption), parent);
            o->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(name)).arg(i));
            o->setGeometry(first.translated(i * dx, i * dy));
            o->setChecked(i == selected);
            out[i] = o;
            ++i;
        }
    };
    auto combo = [](QWidget* parent, const char* name, QStringList items, QRect r) {
        auto* c = new QComboBox(parent);
        c->setObjectName(QString::fromLatin1(name));
        c->addItems(items);
        // Adding items selects the first; the design has none selected.
        c->setCurrentIndex(-1);
        c->setGeometry(r);
        return c;
    };

    // 播放设置
    QGroupBox* f = Frames[0];
    Check8 = check(f, "Check8", "程序启动后自动播放曲目", QRect(12, 17, 180, 18), true);
    Check9 = check(f, "Check9", "随机播放列表中的曲目", QRect(204, 17, 170, 18), false);
    Check10 = check(f, "Check10", "播放视频时自动全屏", QRect(386, 17, 165, 18), false);
    // MP3编码
    options(Frames[1], "Option1", {"32", "56", "64", "96", "112", "128", "256"}, QRect(12, 17, 46, 18), 47, 0,
            Option1.data(), 5);
    options(Frames[2], "Option2", {"32000", "44100", "48000"}, QRect(10, 17, 62, 18), 63, 0, Option2.data(), 1);
    // 消减人声设置
    f = Frames[3];
    Check4 = check(f, "Check4", "衰减补偿", QRect(12, 17, 84, 18), true);
    Label2 = label(f, "Label2", "衰减补偿值大小:", QRect(104, 18, 96, 16));
    Combo2 = combo(f, "Combo2", {"1", "2", "3", "4", "5"}, QRect(200, 15, 54, 20));
    // 封面图片及可视化效果显示设置
    f = Frames[4];
    Label6 = label(f, "Label6", "可视化效果选择:", QRect(12, 19, 96, 16));
    Combo3 = combo(f, "Combo3",
                   {QStringLiteral("随机[默认]"), QStringLiteral("波形"), QStringLiteral("激光"),
                    QStringLiteral("火焰"), QStringLiteral("水波"), QStringLiteral("双线"), QStringLiteral("数字"),
                    QStringLiteral("变幻"), QStringLiteral("交叉"), QStringLiteral("Tavrel")},
                   QRect(110, 16, 110, 20));
    Label6->setEnabled(false);
    Combo3->setEnabled(false);
    Check7 = check(f, "Check7", "自定义默认显示的封面图片", QRect(12, 43, 176, 18), false);
    Check6 = check(f, "Check6", "打开可视化效果(选择此项则不显示图片)", QRect(12, 66, 256, 18), false);
    options(f, "Option3", {"图片按比例显示", "图片拉伸铺满显示"}, QRect(12, 88, 120, 18), 128, 0, Option3.data(), 1);
    // 下载歌词设置
    f = Frames[5];
    Check2 = check(f, "Check2", "自动联网下载", QRect(12, 17, 110, 18), true);
    Check3 = check(f, "Check3", "自动模糊查找", QRect(132, 17, 110, 18), true);
    Label1 = label(f, "Label1", "下载歌词等待时间(秒):", QRect(12, 41, 140, 16));
    Combo1 = combo(f, "Combo1", {"5", "10", "30"}, QRect(156, 38, 60, 20));
    // 录音设置
    f = Frames[6];
    Check5 = check(f, "Check5", "曲目播放结束后录音自动停止", QRect(12, 15, 260, 18), true);
    Check1 = check(f, "Check1", "录音时弹出系统声音属性控制窗口", QRect(300, 15, 250, 18), true);
    options(f, "Option4", {"录音缓存时间为用户设置的最大录音缓存时间", "录音缓存时间为从曲目播放位置到结束的剩余时间"},
            QRect(12, 33, 300, 18), 0, 18, Option4.data(), 1);
    Label3 = label(f, "Label3", "最大录音缓存时间:", QRect(330, 35, 120, 16));
    HScroll1 = new QScrollBar(Qt::Horizontal, f);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setRange(1, 60);
    HScroll1->setSingleStep(1);
    HScroll1->setPageStep(1);
    // Written when a drag ends, not while the thumb moves.
    HScroll1->setTracking(false);
    HScroll1->setValue(10);
    HScroll1->setGeometry(330, 53, 150, 17);
    Label4 = label(f, "Label4", "10", QRect(482, 53, 34, 17));
    Label4->setAlignment(Qt::AlignCenter);
    Label4->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0); font-weight: bold;"));
    Label5 = label(f, "Label5", "分钟", QRect(518, 54, 32, 16));
    Label7 = label(f, "Label7", "注意：如果内存不足，录音缓存时间请不要设置太大！", QRect(12, 70, 310, 16));
    // 界面皮肤
    f = Frames[7];
    options(f, "Option5", {"默认界面", "自定义(双击查找替换)"}, QRect(12, 18, 150, 18), 0, 22, Option5.data(), 1);
    // 歌词显示模式及相关设置
    f = Frames[8];
    options(f, "Option6", {"文本框模式", "可视化效果", "图片背景"}, QRect(12, 18, 92, 18), 92, 0, Option6.data(), 2);
    Check11 = check(f, "Check11", "始终以曲目封面图片(非默认)作为歌词背景图片(如果存在)", QRect(12, 42, 360, 18), false);
    Check11->setEnabled(false);

    // Buttons with their stored design data.
    const QString resDir = shared().DataDir + QStringLiteral("/res");
    auto button = [&](QWidget* parent, const char* name) {
        const QString n = QString::fromLatin1(name);
        auto* b = new XPButton(n, parent);
        b->setObjectName(n);
        if (const ButtonData* data = findButtonData(QStringLiteral("frmSet"), n))
            b->loadProperties(storedButtonProperties(*data, resDir));
        return b;
    };
    XPButton3 = button(Frames[4], "XPButton3");
    XPButton3->setGeometry(190, 40, 76, 23);
    XPButton5 = button(Frames[8], "XPButton5");
    XPButton5->setGeometry(284, 14, 84, 23);
    XPButton4 = button(this, "XPButton4");
    placeTwips(XPButton4, 1080, 5970, 1815, 435);
    XPButton1 = button(this, "XPButton1");
    placeTwips(XPButton1, 3600, 5970, 1815, 435);
    XPButton2 = button(this, "XPButton2");
    placeTwips(XPButton2, 6120, 5970, 1455, 435);

    // The option arrays report by index.
    const std::array<std::pair<QRadioButton* const*, int>, 6> arrays = {{
        {Option1.data(), 7}, {Option2.data(), 3}, {Option3.data(), 2},
        {Option4.data(), 2}, {Option5.data(), 2}, {Option6.data(), 3},
    }};
    for (std::size_t g = 0; g < arrays.size(); ++g) {
        groups_[g] = new QButtonGroup(this);
        for (int i = 0; i < arrays[g].second; ++i)
            groups_[g]->addButton(arrays[g].first[i], i);
    }
    Option5[1]->installEventFilter(this);
}

void FrmSet::connectHandlers()
{
    // Changes, not clicks: a value set by code runs the handler too.
    const std::pair<QCheckBox*, void (FrmSet::*)()> checks[] = {
        {Check1, &FrmSet::Check1_Click}, {Check2, &FrmSet::Check2_Click},   {Check3, &FrmSet::Check3_Click},
        {Check4, &FrmSet::Check4_Click}, {Check5, &FrmSet::Check5_Click},   {Check6, &FrmSet::Check6_Click},
        {Check7, &FrmSet::Check7_Click}, {Check8, &FrmSet::Check8_Click},   {Check9, &FrmSet::Check9_Click},
        {Check10, &FrmSet::Check10_Click}, {Check11, &FrmSet::Check11_Click},
    };
    for (const auto& [box, handler] : checks)
        connect(box, &QCheckBox::toggled, this, handler);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &FrmSet::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &FrmSet::Combo2_Click);
    connect(Combo3, &QComboBox::currentIndexChanged, this, &FrmSet::Combo3_Click);
    connect(HScroll1, &QScrollBar::valueChanged, this, &FrmSet::HScroll1_Change);
    void (FrmSet::*const optionHandlers[6])(int) = {&FrmSet::Option1_Click, &FrmSet::Option2_Click,
                                                     &FrmSet::Option3_Click, &FrmSet::Option4_Click,
                                                     &FrmSet::Option5_Click, &FrmSet::Option6_Click};
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const auto handler = optionHandlers[g];
        connect(groups_[g], &QButtonGroup::idToggled, this, [this, handler](int id, bool checked) {
            if (checked)
                (this->*handler)(id);
        });
    }
    connect(XPButton1, &XPButton::Click, this, &FrmSet::XPButton1_Click);
    connect(XPButton2, &XPButton::Click, this, &FrmSet::XPButton2_Click);
    connect(XPButton3, &XPButton::Click, this, &FrmSet::XPButton3_Click);
    connect(XPButton4, &XPButton::Click, this, &FrmSet::XPButton4_Click);
    connect(XPButton5, &XPButton::Click, this, &FrmSet::XPButton5_Click);
    pressButtonsOnReturn(this, XPButton2);
    // The picture timer's refresh frees the picture box again; after the
    // dialog has gone the connection has gone with it.
    main_.whenSongPictureRedrawn(this, [this] { Check7->setEnabled(true); });
}

void FrmSet::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    Form_Resize();
}

bool FrmSet::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Option5[1] && e->type() == QEvent::MouseButtonDblClick) {
        Option5_DblClick(1);
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------
// Loading

void FrmSet::Form_Load()
{
    SettingsRecord& s = settings();
    DialogReady = 0;
    if (!s.ShowMixerOnRecord)
        Check1->setChecked(false);
    if (!s.AutoDownloadLrc)
        Check2->setChecked(false);
    if (!s.AutoFuzzySearch)
        Check3->setChecked(false);
    if (s.StopRecordAtEnd == 0)
        Check5->setChecked(false);
    if (QFileInfo::exists(userPicturePath()) && s.PictureMode == 2)
        Check7->setChecked(true);
    if (s.ShowVisual == 1) {
        Check6->setChecked(true);
        Label6->setEnabled(true);
        Combo3->setEnabled(true);
    }
    if (s.VisualRandom < 1) {
        if (s.VisualType < 1)
            s.VisualType = 1;
        // A stored effect above 9 has no item: nothing is selected and the
        // value stays.
        if (s.VisualType <= 9)
            Combo3->setCurrentIndex(s.VisualType);
    } else {
        Combo3->setCurrentIndex(0);
    }
    if (s.RandomPlay)
        Check9->setChecked(true);
    if (s.AutoPlay == 0)
        Check8->setChecked(false);
    if (s.AutoFullScreen == 1)
        Check10->setChecked(true);
    if (const int i = indexOf(kBitRates, s.Mp3BitRate); i >= 0)
        Option1[i]->setChecked(true);
    if (const int i = indexOf(kSampleRates, s.Mp3SampleRate); i >= 0)
        Option2[i]->setChecked(true);
    if (const int i = indexOf(kWaitSeconds, s.LrcWaitSeconds); i >= 0)
        Combo1->setCurrentIndex(i);
    if (s.PictureStretch == 0 || s.PictureStretch == 1)
        Option3[s.PictureStretch]->setChecked(true);
    if (s.RecordToTrackEnd == 0 || s.RecordToTrackEnd == 1)
        Option4[s.RecordToTrackEnd]->setChecked(true);
    if (s.VocalCompensation >= 1 && s.VocalCompensation <= 5) {
        Combo2->setCurrentIndex(s.VocalCompensation - 1);
    } else if (s.VocalCompensation >= -5 && s.VocalCompensation <= -1) {
        Combo2->setCurrentIndex(-s.VocalCompensation - 1);
        Check4->setChecked(false);
        Combo2->setEnabled(false);
    }
    Label2->setEnabled(Combo2->isEnabled());
    HScroll1->setValue(s.MaxRecordMinutes);
    Label4->setText(QString::number(HScroll1->value()));
    if (s.SkinFile.isEmpty())
        Option5[0]->setChecked(true);
    if (s.LrcViewMode == 0)
        Option6[0]->setChecked(true);
    else if (s.LrcViewMode == 1)
        Option6[1]->setChecked(true);
    XPButton5->setButtonEnabled(false);
    if (s.LrcViewMode == 2) {
        XPButton5->setButtonEnabled(true);
        Check11->setEnabled(true);
    }
    if (s.UseCoverAsLrcBack == 1)
        Check11->setChecked(true);
}

void FrmSet::Form_Resize()
{
    DialogReady = 1;
}

// ---------------------------------------------------------------------------
// Settings that only store a value

void FrmSet::Check1_Click() { settings().ShowMixerOnRecord = Check1->isChecked(); }

void FrmSet::Check2_Click()
{
    settings().AutoDownloadLrc = Check2->isChecked();
    Check3->setEnabled(Check2->isChecked());
}

void FrmSet::Check3_Click() { settings().AutoFuzzySearch = Check3->isChecked(); }

void FrmSet::Check4_Click()
{
    // With no strength chosen (a stored value outside the list) the middle
    // one is taken.
    if (Combo2->currentIndex() < 0)
        Combo2->setCurrentIndex(2);
    const int n = Combo2->currentIndex() + 1;
    if (Check4->isChecked()) {
        Combo2->setEnabled(true);
        settings().VocalCompensation = n;
    } else {
        settings().VocalCompensation = -n;
        Combo2->setEnabled(false);
    }
    Label2->setEnabled(Combo2->isEnabled());
}

void FrmSet::Check5_Click() { settings().StopRecordAtEnd = Check5->isChecked() ? 1 : 0; }
void FrmSet::Check8_Click() { settings().AutoPlay = Check8->isChecked() ? 1 : 0; }
void FrmSet::Check9_Click() { settings().RandomPlay = Check9->isChecked(); }
void FrmSet::Check10_Click() { settings().AutoFullScreen = Check10->isChecked() ? 1 : 0; }

void FrmSet::Combo1_Click()
{
    const int i = Combo1->currentIndex();
    if (i >= 0 && i < 3)
        settings().LrcWaitSeconds = kWaitSeconds[i];
}

void FrmSet::Combo2_Click()
{
    const int i = Combo2->currentIndex();
    if (i < 0)
        return;
    if (Check4->isChecked()) {
        settings().VocalCompensation = i + 1;
        Combo2->setEnabled(true);
    } else {
        settings().VocalCompensation = -(i + 1);
        Combo2->setEnabled(false);
    }
    Label2->setEnabled(Combo2->isEnabled());
}

void FrmSet::Combo3_Click()
{
    SettingsRecord& s = settings();
    const int i = Combo3->currentIndex();
    if (i < 0)
        return;
    if (i == 0) {
        if (s.VisualType < 1)
            s.VisualType = 1;
        s.VisualRandom = s.VisualType;
    } else {
        s.VisualRandom = 0;
        s.VisualType = i;
    }
}

void FrmSet::HScroll1_Change()
{
    settings().MaxRecordMinutes = HScroll1->value();
    Label4->setText(QString::number(HScroll1->value()));
}

void FrmSet::Option1_Click(int index) { settings().Mp3BitRate = kBitRates[index]; }
void FrmSet::Option2_Click(int index) { settings().Mp3SampleRate = kSampleRates[index]; }
void FrmSet::Option4_Click(int index) { settings().RecordToTrackEnd = index; }

// ---------------------------------------------------------------------------
// Song picture

void FrmSet::refreshSongPicture()
{
    // Free again when the picture timer has redrawn the area.
    Check7->setEnabled(false);
    main_.showDefaultPicture();
}

void FrmSet::Check7_Click()
{
    if (Check7->isChecked()) {
        if (QFileInfo::exists(userPicturePath())) {
            settings().PictureMode = 2;
            // At load the holder already has it (the start put it there).
            if (DialogReady == 1)
                loadDefaultPicture(main_, userPicturePath());
        } else {
            XPButton3_Click();
        }
    } else {
        settings().PictureMode = 1;
        if (DialogReady == 1 && QFileInfo::exists(defaultPicturePath()))
            loadDefaultPicture(main_, defaultPicturePath());
    }
    if (DialogReady == 1)
        refreshSongPicture();
}

void FrmSet::XPButton3_Click()
{
    rt::ui().msgBox(QStringLiteral("默认图片将以拉伸方式显示，建议选择图片的宽高尺寸最好为4:3的比例。"), rt::Information,
                    QStringLiteral("提示"));
    rt::FileDialogRequest req;
    req.title = QStringLiteral("查找/替换默认图片");
    req.filter = kPictureFilter;
    const rt::FileDialogResult chosen = rt::ui().openFile(req);
    const QString path = chosen.files.value(0);
    if (!path.isEmpty()) {
        // Checked before anything is copied, so a wrong choice never
        // replaces the user's picture.
        const QPixmap picture = loadPicture(path);
        QString error;
        if (picture.isNull()) {
            rt::ui().msgBox(QStringLiteral("所选文件不是可用的图片文件！"), rt::Exclamation);
        } else if (!rt::copyFileAtomically(path, userPicturePath(), &error)) {
            rt::ui().msgBox(QStringLiteral("复制图片失败：") + userPicturePath(), rt::Exclamation);
        } else if (!Check7->isChecked()) {
            Check7->setChecked(true);
        } else {
            settings().PictureMode = 2;
            main_.setDefaultPicture(picture);
            refreshSongPicture();
        }
    }
    if (!QFileInfo::exists(userPicturePath())) {
        settings().PictureMode = 1;
        Check7->setChecked(false);
    }
}

void FrmSet::Option3_Click(int index)
{
    settings().PictureStretch = index;
    // The song picture is laid out again only for a choice of the user; at
    // load it already follows the setting.
    if (DialogReady != 1 || shared().CoverPicPath.isEmpty())
        return;
    const QSize natural = main_.songPicture().size() * rt::TwipsPerPixel;
    main_.placeSongPicture(coverPictureRect(natural, index == 1));
}

// ---------------------------------------------------------------------------
// Skin

void FrmSet::Option5_Click(int index)
{
    if (DialogReady == 0)
        return;
    if (index == 0)
        main_.mnuSkinsDe_Click();
    else
        Option5_DblClick(1);
}

void FrmSet::Option5_DblClick(int index)
{
    if (index != 1)
        return;
    SettingsRecord& s = settings();
    main_.mnuSkinsRe_Click();
    if (!s.SkinFile.isEmpty())
        return;
    // No own skin in force: the built-in one comes back and the option
    // shows it.
    if (Option5[0]->isChecked())
        main_.mnuSkinsDe_Click();
    else
        Option5[0]->setChecked(true);
}

// ---------------------------------------------------------------------------
// Lyric backgrounds

void FrmSet::XPButton5_Click()
{
    SharedState& sh = shared();
    rt::FileDialogRequest req;
    req.title = QStringLiteral("添加歌词显示背景图片");
    req.filter = kPictureFilter;
    req.multiSelect = true;
    const rt::FileDialogResult chosen = rt::ui().openFile(req);
    if (!chosen.files.isEmpty()) {
        const QString folder = sh.DataDir + QStringLiteral("/bkground");
        QDir().mkpath(folder);
        // One stamp for the whole choice.
        const QString stamp = rt::clock().now().toString(QStringLiteral("yyMMddHHmmss"));
        bool copied = true;
        for (const QString& file : chosen.files) {
            const QString name = backgroundCopyName(stamp, QFileInfo(file).fileName());
            if (!rt::copyFileAtomically(file, folder + QLatin1Char('/') + name)) {
                rt::ui().msgBox(QStringLiteral("复制背景图片失败：") + file, rt::Exclamation);
                copied = false;
                break;
            }
        }
        if (copied)
            rt::ui().msgBox(QStringLiteral("歌词显示背景图片已经成功添加至【") + folder + QStringLiteral("/】中！"),
                            rt::Information);
    }
    rebuildBackgroundList(sh);
    rt::ui().msgBox(QStringLiteral("目前共有 %1 个背景文件。").arg(sh.BkgroundCount), rt::Information);
}

void FrmSet::Check11_Click()
{
    const bool on = Check11->isChecked();
    settings().UseCoverAsLrcBack = on ? 1 : 0;
    if (DialogReady != 1)
        return;
    if (on) {
        if (!shared().CoverPicPath.isEmpty())
            main_.setLyricBackground(main_.songPicture());
        return;
    }
    // A folder without a usable picture keeps the background as it is.
    QPixmap picture;
    if (const QString path = randomBackgroundPath(shared()); !path.isEmpty())
        picture = loadPicture(path);
    main_.setLyricBackground(picture.isNull() ? main_.lyricBackground() : picture);
}

// ---------------------------------------------------------------------------
// Visualisation and lyric view

void FrmSet::Check6_Click()
{
    SettingsRecord& s = settings();
    const bool on = Check6->isChecked();
    s.ShowVisual = on ? 1 : 0;
    Label6->setEnabled(on);
    Combo3->setEnabled(on);
    // At load the main window already shows what the setting says.
    if (DialogReady == 1)
        main_.showVisualisation(on);
    // The lyrics over the visualiser and the visualisation panel share the
    // visualiser: the lyrics go to view 2, also when a stored view 1 meets
    // the visualisation at load, where the view's own handler waits for the
    // dialog to be ready and the main window is switched here.
    if (on && s.LrcViewMode == 1) {
        if (DialogReady != 1)
            main_.mnuLrcVS2_Click();
        Option6[2]->setChecked(true);
        s.LrcViewMode = 2;
    }
}

void FrmSet::Option6_Click(int index)
{
    if (DialogReady == 0)
        return;
    SettingsRecord& s = settings();
    // An open lyrics window would be left open with a view below 100, and
    // its closing would then take 100 off that view.
    if (main_.lyricsWindowShown())
        main_.closeLyricsWindow();
    XPButton5->setButtonEnabled(false);
    Check11->setEnabled(false);
    s.LrcViewMode = index;
    // A candidate list in view keeps the text box.
    main_.setLyricTextBoxVisible(index == 0 || main_.lyricCandidatesShown());
    if (index == 1) {
        main_.setPictureViewVisible(false);
        s.ShowVisual = 0;
        Check6->setChecked(false);
    } else if (index == 2) {
        main_.setPictureViewVisible(true);
        XPButton5->setButtonEnabled(true);
        Check11->setEnabled(true);
    }
    main_.showSungLineNow();
}

// ---------------------------------------------------------------------------
// Presets and OK

void FrmSet::applyPreset(bool simple)
{
    SettingsRecord& s = settings();
    // The meter panel; the stretched-window key sequence back to idle.
    if (simple) {
        s.ShowRecVolume = 0;
    } else {
        s.ShowRecVolume = 1;
        main_.startAnimationTick();
    }
    s.KeyState = 0;
    // The mixer on recording, lyric download and fuzzy search.
    s.ShowMixerOnRecord = !simple;
    Check1->setChecked(!simple);
    s.AutoDownloadLrc = !simple;
    Check2->setChecked(!simple);
    if (!simple) {
        s.AutoFuzzySearch = true;
        Check3->setChecked(true);
    }
    // Encoding, the lyric wait and the picture stretch.
    s.Mp3BitRate = 128000;
    Option1[5]->setChecked(true);
    s.Mp3SampleRate = 44100;
    Option2[1]->setChecked(true);
    s.LrcWaitSeconds = 10;
    Combo1->setCurrentIndex(1);
    s.PictureStretch = 1;
    Option3[1]->setChecked(true);
    // Vocal compensation on at strength 3.
    s.VocalCompensation = 1;
    Check4->setChecked(true);
    s.VocalCompensation = 3;
    Combo2->setEnabled(true);
    Combo2->setCurrentIndex(2);
    Check4->setChecked(true);
    Label2->setEnabled(Combo2->isEnabled());
    // Recording length and its end.
    s.MaxRecordMinutes = simple ? 5 : 10;
    HScroll1->setValue(s.MaxRecordMinutes);
    Label4->setText(QString::number(s.MaxRecordMinutes));
    s.RecordToTrackEnd = 1;
    Option4[1]->setChecked(true);
    s.StopRecordAtEnd = 1;
    Check5->setChecked(true);
    // Pictures and the visualisation.
    s.PictureMode = 1;
    Check7->setChecked(false);
    s.ShowVisual = 0;
    Check6->setChecked(false);
    s.VisualType = 1;
    s.VisualRandom = 1;
    Combo3->setCurrentIndex(0);
    Label6->setEnabled(false);
    Combo3->setEnabled(false);
    // Start, play order and full screen.
    s.AutoPlay = simple ? 0 : 1;
    Check8->setChecked(!simple);
    s.RandomPlay = false;
    Check9->setChecked(false);
    s.AutoFullScreen = 0;
    Check10->setChecked(false);
    // The built-in skin and shape.
    main_.mnuSkinsDe_Click();
    Option5[0]->setChecked(true);
    // The lyric view, with the lyrics window closed.
    if (main_.lyricsWindowShown())
        main_.closeLyricsWindow();
    const int view = simple ? 0 : 2;
    s.LrcViewMode = view;
    Option6[view]->setChecked(true);
    // The track picture as lyric background.
    s.UseCoverAsLrcBack = 0;
    Check11->setChecked(false);
    XPButton5->setButtonEnabled(!simple);
    Check11->setEnabled(!simple);
}

void FrmSet::XPButton1_Click() { applyPreset(false); }
void FrmSet::XPButton4_Click() { applyPreset(true); }

void FrmSet::XPButton2_Click()
{
    for (XPButton* b : {XPButton1, XPButton2, XPButton3, XPButton4, XPButton5})
        b->setButtonEnabled(false);
    close();
}

} // namespace melodune
