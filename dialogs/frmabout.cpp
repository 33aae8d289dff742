#include "dialogs/frmabout.h"

#include "controls/buttondata.h"
#include "controls/xpbutton.h"
#include "core/shared.h"
#include "dialogs/help.h"
#include "dialogs/log.h"
#include "platform/mediacontrol.h"
#include "platform/shellopen.h"
#include "platform/ui.h"
#include "platform/units.h"
#include "visual/skin.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QStandardPaths>

namespace melodune {

namespace {

void placeTwips(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(rt::twipsToPixels(left), rt::twipsToPixels(top), rt::twipsToPixels(width),
                   rt::twipsToPixels(height));
}

QString resDir()
{
    const QString base = shared().DataDir.isEmpty() ? QCoreApplication::applicationDirPath() : shared().DataDir;
    return base + QStringLiteral("/res");
}

void sysInfoUnavailable()
{
    rt::ui().msgBox(QStringLiteral("此时系统信息不可用"), rt::OkOnly);
}

} // namespace

QString aboutVersionText(int major, int minor, int revision)
{
    return QStringLiteral("版本 %1.%2.%3").arg(major).arg(minor).arg(revision);
}

FrmAbout::FrmAbout(rt::MediaControl* media, const QString& title, int major, int minor, int revision,
                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , media_(media)
    , title_(title)
    , major_(major)
    , minor_(minor)
    , revision_(revision)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于"));
    setFont(QFont(QStringLiteral("宋体"), 9));
    setFixedSize(rt::twipsToPixels(5880), rt::twipsToPixels(3570));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    placeTwips(picIcon, 240, 240, 720, 720);
    picIcon->setScaledContents(true);
    picIcon->setPixmap(loadPicture(resDir() + QStringLiteral("/melodune.png")));

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    placeTwips(lblTitle, 1200, 240, 4440, 360);
    QFont titleFont(QStringLiteral("宋体"), 12);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    placeTwips(lblVersion, 1200, 660, 4440, 270);
    lblVersion->installEventFilter(this);

    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    placeTwips(lblDescription, 1200, 1020, 4440, 1080);
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setTextFormat(Qt::PlainText);

    // An etched separator: grey over white.
    for (int i = 0; i < 2; ++i) {
        Line1[i] = new QFrame(this);
        Line1[i]->setObjectName(QStringLiteral("Line1_%1").arg(i));
        Line1[i]->setFrameShape(QFrame::NoFrame);
        Line1[i]->setAutoFillBackground(true);
        QPalette lp = Line1[i]->palette();
        lp.setColor(QPalette::Window, i == 0 ? QColor(128, 128, 128) : QColor(Qt::white));
        Line1[i]->setPalette(lp);
        Line1[i]->setGeometry(rt::twipsToPixels(120), rt::twipsToPixels(2280) + i, rt::twipsToPixels(5640), 1);
    }

    Label1 = new QLabel(QStringLiteral("© 2026 Melodune 开发者　melodune.net"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    placeTwips(Label1, 240, 2460, 5400, 270);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->setToolTip(QStringLiteral("版权信息"));
    Label1->installEventFilter(this);

    const auto makeButton = [this](const QString& name, int left) {
        auto* b = new XPButton(name, this);
        b->setObjectName(name);
        if (const ButtonData* data = findButtonData(QStringLiteral("frmAbout"), name))
            b->loadProperties(storedButtonProperties(*data, resDir()));
        placeTwips(b, left, 2940, 1335, 375);
        return b;
    };
    XPButton2 = makeButton(QStringLiteral("XPButton2"), 2880);
    XPButton1 = makeButton(QStringLiteral("XPButton1"), 4320);
    connect(XPButton1, &XPButton::Click, this, &FrmAbout::XPButton1_Click);
    connect(XPButton2, &XPButton::Click, this, &FrmAbout::XPButton2_Click);
    pressButtonsOnReturn(this, XPButton1);

    Form_Load();
}

void FrmAbout::Form_Load()
{
    lblVersion->setText(aboutVersionText(major_, minor_, revision_));
    lblTitle->setText(title_);
    setWindowTitle(QStringLiteral("关于 ") + title_);
    lblDescription->setText(QStringLiteral("%1 是一个可以跟着唱的多媒体播放器：播放本地的音频、视频文件和网络流，"
                                           "让歌词随着歌曲滚动变色，并把演唱录成声音文件；播放由 libmpv "
                                           "完成，录音取自 PulseAudio 的声卡输入。\n")
                                .arg(title_));
}

void FrmAbout::XPButton1_Click()
{
    XPButton1->setButtonEnabled(false);
    XPButton2->setButtonEnabled(false);
    close();
}

void FrmAbout::XPButton2_Click()
{
    StartSysInfo();
}

void FrmAbout::Label1_Click()
{
    openHomePage();
}

void FrmAbout::lblVersion_Click()
{
    if (media_)
        media_->setShowControls(!media_->showControls());
}

bool FrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && (watched == Label1 || watched == lblVersion)) {
        const auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() == Qt::LeftButton && static_cast<QWidget*>(watched)->rect().contains(m->position().toPoint())) {
            if (watched == Label1)
                Label1_Click();
            else
                lblVersion_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

const std::vector<FrmAbout::SysInfoProgram>& FrmAbout::sysInfoPrograms()
{
    static const std::vector<SysInfoProgram> programs = {
        {QStringLiteral("kinfocenter"), {}},
        {QStringLiteral("hardinfo"), {}},
        {QStringLiteral("xfce4-about"), {}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("info-overview")}},
    };
    return programs;
}

void FrmAbout::StartSysInfo()
{
    for (const SysInfoProgram& p : sysInfoPrograms()) {
        const QString exe = QStandardPaths::findExecutable(p.program);
        if (exe.isEmpty())
            continue;
        if (!rt::startProgramDetached(exe, p.arguments))
            sysInfoUnavailable();
        return;
    }
    qCWarning(lcDialogs) << "no desktop system information program installed";
    sysInfoUnavailable();
}

} // namespace melodune
