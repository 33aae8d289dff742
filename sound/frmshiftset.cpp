#include "sound/frmshiftset.h"

#include "controls/buttondata.h"
#include "controls/xpbutton.h"
#include "core/shared.h"
#include "platform/ui.h"

#include <QCoreApplication>
#include <QLabel>
#include <QSlider>

namespace melodune {

FrmShiftSet::FrmShiftSet(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmShiftSet"));
    setWindowTitle(QStringLiteral("改变曲目音调设定"));
    setModal(true);
    setFixedSize(300, 110);

    Label1 = new QLabel(QStringLiteral("低音 ←"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 20, 50, 20);
    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setGeometry(60, 14, 180, 32);
    Slider1->setRange(-5, 5);
    Slider1->setPageStep(1);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(1);
    Label2 = new QLabel(QStringLiteral("→ 高音"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(244, 20, 50, 20);

    const QString resDir = QCoreApplication::applicationDirPath() + QStringLiteral("/res");
    auto makeButton = [&](const char* name, int x) {
        auto* b = new XPButton(QString::fromLatin1(name), this);
        b->setObjectName(QString::fromLatin1(name));
        if (const ButtonData* d = findButtonData(QStringLiteral("frmShiftSet"), QString::fromLatin1(name)))
            b->loadProperties(storedButtonProperties(*d, resDir));
        b->setGeometry(x, 66, 80, 26);
        return b;
    };
    XPButton1 = makeButton("XPButton1", 60);
    XPButton2 = makeButton("XPButton2", 160);

    connect(Slider1, &QSlider::valueChanged, this, &FrmShiftSet::Slider1_Scroll);
    connect(XPButton1, &XPButton::Click, this, &FrmShiftSet::XPButton1_Click);
    connect(XPButton2, &XPButton::Click, this, &FrmShiftSet::XPButton2_Click);
    pressButtonsOnReturn(this, XPButton1);
    Form_Load();
}

void FrmShiftSet::Form_Load()
{
    shared().KeyShiftAmount = 0;
    Slider1->setValue(0);
}

QString FrmShiftSet::captionFor(int value)
{
    return QStringLiteral("改变曲目音调设定值 ") + QString::number(value);
}

void FrmShiftSet::Slider1_Scroll()
{
    setWindowTitle(captionFor(Slider1->value()));
}

void FrmShiftSet::XPButton1_Click()
{
    if (Slider1->value() == 0) {
        rt::ui().msgBox(QStringLiteral("设定值为 0 无效！"), rt::OkOnly | rt::Critical);
        return;
    }
    shared().KeyShiftAmount = std::int16_t(Slider1->value());
    XPButton1->setButtonEnabled(false);
    XPButton2->setButtonEnabled(false);
    accept();
}

void FrmShiftSet::XPButton2_Click()
{
    shared().KeyShiftAmount = 0;
    XPButton1->setButtonEnabled(false);
    XPButton2->setButtonEnabled(false);
    reject();
}

} // namespace melodune
