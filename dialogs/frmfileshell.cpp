#include "dialogs/frmfileshell.h"

#include "controls/buttondata.h"
#include "controls/propertybag.h"
#include "controls/xpbutton.h"
#include "dialogs/fileshell.h"
#include "dialogs/log.h"
#include "platform/fileassoc.h"
#include "platform/ui.h"
#include "platform/units.h"

#include <QCheckBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cmath>

namespace melodune {

namespace {

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(rt::twipsToPixels(left), rt::twipsToPixels(top), rt::twipsToPixels(width),
                 rt::twipsToPixels(height));
}

int columnOf(int i, int a, int b, int c)
{
    const int cols[3] = {a, b, c};
    return cols[i % 3];
}

} // namespace

FrmFileShell::FrmFileShell(QWidget* owner, const QString& dataDir, const QString& program)
    : QDialog(owner, Qt::Dialog)
    , dataDir_(dataDir)
    , program_(program)
{
    setObjectName(QStringLiteral("frmFileShell"));
    setWindowTitle(QStringLiteral("文件关联设置"));
    setFixedSize(rt::twipsToPixels(6120), rt::twipsToPixels(4500));

    Label2 = new QLabel(QStringLiteral("选择文件关联后，可以使用关联文件打开本程序。"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(360, 120, 5400, 255));
    Label2->installEventFilter(this);

    const QStringList& exts = fileShellExtensions();
    for (int i = 0; i < kTypes; ++i) {
        auto* box = new QCheckBox(QStringLiteral(".") + exts[i], this);
        box->setObjectName(QStringLiteral("Check1_%1").arg(i));
        box->setGeometry(twipsRect(columnOf(i, 840, 2760, 4800), 480 + 480 * (i / 3), 855, 255));
        connect(box, &QCheckBox::clicked, this, [this, i] { Check1_Click(i); });
        Check1[i] = box;
        Image1[i] = twipsRect(columnOf(i, 360, 2280, 4320), 420 + 480 * (i / 3), 480, 360);
    }

    const QString resDir = dataDir_ + QStringLiteral("/res");
    XPButton* buttons[4] = {};
    const int lefts[4] = {840, 1920, 3240, 4320};
    for (int n = 1; n <= 4; ++n) {
        const QString name = QStringLiteral("XPButton%1").arg(n);
        auto* b = new XPButton(name, this);
        b->setObjectName(name);
        if (const ButtonData* data = findButtonData(QStringLiteral("frmFileShell"), name))
            b->loadProperties(storedButtonProperties(*data, resDir));
        b->setGeometry(twipsRect(lefts[n - 1], 3840, 855, 345));
        buttons[n - 1] = b;
    }
    XPButton1 = buttons[0];
    XPButton2 = buttons[1];
    XPButton3 = buttons[2];
    XPButton4 = buttons[3];
    connect(XPButton1, &XPButton::Click, this, &FrmFileShell::XPButton1_Click);
    connect(XPButton2, &XPButton::Click, this, &FrmFileShell::XPButton2_Click);
    connect(XPButton3, &XPButton::Click, this, &FrmFileShell::XPButton3_Click);
    connect(XPButton4, &XPButton::Click, this, &FrmFileShell::XPButton4_Click);
    pressButtonsOnReturn(this, XPButton4);

    loadIcons();
    Form_Load();
}

void FrmFileShell::Form_Load()
{
    for (int i = 0; i < kTypes; ++i)
        Check1[i]->setChecked(isAssociated(fileShellExtensions()[i]));
}

void FrmFileShell::loadIcons()
{
    iconsRatio_ = devicePixelRatioF();
    // The desktop's icon when its theme has one for the type; without a theme
    // the provider only knows a blank page, and the marker's picture says more.
    QFileIconProvider provider;
    QMimeDatabase db;
    for (int i = 0; i < kTypes; ++i) {
        QString path = dataDir_ + QStringLiteral("/res/ico.") + fileShellExtensions()[i];
        if (!QFileInfo::exists(path))
            path = dataDir_ + QStringLiteral("/res/ico");
        const QMimeType type = db.mimeTypeForFile(QFileInfo(path), QMimeDatabase::MatchExtension);
        QIcon icon;
        if (QIcon::hasThemeIcon(type.iconName()) || QIcon::hasThemeIcon(type.genericIconName()))
            icon = provider.icon(QFileInfo(path));
        QPixmap pm = icon.isNull() ? QPixmap() : icon.pixmap(QSize(IconSide, IconSide), iconsRatio_);
        if (pm.isNull())
            pm = QPixmap(path);
        if (pm.isNull())
            qCWarning(lcDialogs) << "file type icon not loaded:" << path;
        // 24 logical pixels at the screen's own pixels; a picture that has
        // exactly that size already is left as it is.
        if (!pm.isNull() && pm.deviceIndependentSize() != QSizeF(IconSide, IconSide)) {
            const int pixels = rt::devicePixels(IconSide, iconsRatio_);
            pm = pm.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            pm.setDevicePixelRatio(iconsRatio_);
        }
        icons_[i] = pm;
    }
}

void FrmFileShell::paintEvent(QPaintEvent* e)
{
    QDialog::paintEvent(e);
    // Shown on a screen of another ratio than the icons were made for.
    if (devicePixelRatioF() != iconsRatio_)
        loadIcons();
    QPainter p(this);
    for (int i = 0; i < kTypes; ++i)
        if (!icons_[i].isNull())
            p.drawPixmap(Image1[i].topLeft(), icons_[i]);
}

void FrmFileShell::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        for (int i = 0; i < kTypes; ++i)
            if (Image1[i].contains(e->position().toPoint())) {
                Image1_Click(i);
                return;
            }
    startMove(e->button(), e->globalPosition().toPoint());
}

void FrmFileShell::mouseMoveEvent(QMouseEvent* e)
{
    if (!followMove(*e))
        QDialog::mouseMoveEvent(e);
}

void FrmFileShell::mouseReleaseEvent(QMouseEvent* e)
{
    if (!followMove(*e))
        QDialog::mouseReleaseEvent(e);
}

bool FrmFileShell::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Label2) {
        if (e->type() == QEvent::MouseButtonPress) {
            const auto* m = static_cast<QMouseEvent*>(e);
            startMove(m->button(), m->globalPosition().toPoint());
            return true;
        }
        if ((e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease) &&
            followMove(*static_cast<QMouseEvent*>(e)))
            return true;
    }
    return QDialog::eventFilter(watched, e);
}

void FrmFileShell::startMove(Qt::MouseButton button, QPoint global)
{
    // The window manager moves it for the left button, which it is told is
    // the one held; without one, or for another button, it follows the
    // pointer by hand until that button is released.
    if (button == Qt::LeftButton)
        if (QWindow* w = windowHandle(); w && w->startSystemMove())
            return;
    dragButton_ = button;
    dragOffset_ = global - pos();
}

bool FrmFileShell::followMove(const QMouseEvent& e)
{
    if (dragButton_ == Qt::NoButton)
        return false;
    if (e.type() == QEvent::MouseButtonRelease) {
        if (e.button() != dragButton_)
            return false;
        dragButton_ = Qt::NoButton;
        return true;
    }
    if (!(e.buttons() & dragButton_)) {
        dragButton_ = Qt::NoButton; // released where the dialog did not see it
        return false;
    }
    move(e.globalPosition().toPoint() - dragOffset_);
    return true;
}

void FrmFileShell::Check1_Click(int)
{
    XPButton4->setFocus();
}

void FrmFileShell::Image1_Click(int index)
{
    Check1[index]->setChecked(!Check1[index]->isChecked());
    XPButton4->setFocus();
}

void FrmFileShell::XPButton1_Click()
{
    for (QCheckBox* b : Check1)
        b->setChecked(true);
}

void FrmFileShell::XPButton2_Click()
{
    for (QCheckBox* b : Check1)
        b->setChecked(false);
}

void FrmFileShell::XPButton3_Click()
{
    closeDialog();
    reject();
}

void FrmFileShell::XPButton4_Click()
{
    const QStringList& exts = fileShellExtensions();
    QStringList ticked, cleared;
    for (int i = 0; i < kTypes; ++i) {
        if (Check1[i]->isChecked()) {
            associateExtension(exts[i], program_, dataDir_);
            ticked << exts[i];
        } else if (isAssociated(exts[i])) {
            withdrawExtension(exts[i]);
            cleared << exts[i];
        }
    }
    // The store is the record: the desktop follows what it now says.
    rt::AssocPlan plan = associationPlan(program_, dataDir_);
    for (const QString& ext : ticked)
        if (plan.associated.contains(ext))
            plan.takeOver << ext;
    for (const QString& ext : cleared)
        if (!plan.associated.contains(ext))
            plan.withdraw << ext;
    const rt::AssocResult r = rt::fileAssociations().apply(plan);
    if (!r.ok)
        rt::ui().msgBox(QStringLiteral("无法保存文件关联设置：") + r.failedPath, rt::Exclamation);
    closeDialog();
    accept();
}

void FrmFileShell::closeDialog()
{
    for (XPButton* b : {XPButton1, XPButton2, XPButton3, XPButton4})
        b->setButtonEnabled(false);
}

} // namespace melodune
