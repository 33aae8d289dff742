#include "dialogs/frminfo.h"

#include "controls/buttondata.h"
#include "controls/xpbutton.h"
#include "core/shared.h"
#include "dialogs/trackinfo.h"
#include "platform/units.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace melodune {

namespace {

void placeTwips(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(rt::twipsToPixels(left), rt::twipsToPixels(top), rt::twipsToPixels(width),
                   rt::twipsToPixels(height));
}

const char* const kCaptions[9] = {"路径全名:", "曲目标题:", "艺术家:", "版权:",    "播放时间:",
                                  "文件大小:", "创建日期:", "修改日期:", "说明:"};

// White read-only fields with a thin border, so a line of the window's font
// fits the designed height. Named by class, so the description's scroll bar
// keeps the desktop's look (a rule without a selector reaches it too).
const char* const kFieldStyle =
    "QLineEdit, QPlainTextEdit { background: white; border: 1px solid #a0a0a0; padding: 0px 1px; }";

} // namespace

FrmInfo::FrmInfo(const rt::MediaControl& media, QWidget* parent, const QLocale& locale)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , media_(media)
    , locale_(locale)
{
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("曲目属性"));
    setFont(QFont(QStringLiteral("宋体"), 9));
    setFixedSize(rt::twipsToPixels(6135), rt::twipsToPixels(3795));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    for (int n = 1; n <= 9; ++n) {
        const int top = 120 + 360 * (n - 1);
        Label[n] = new QLabel(QString::fromUtf8(kCaptions[n - 1]), this);
        Label[n]->setObjectName(QStringLiteral("Label%1").arg(n));
        placeTwips(Label[n], 120, top, 960, 255);
        QWidget* field;
        if (n < 9) {
            auto* e = new QLineEdit(QStringLiteral("-"), this);
            e->setReadOnly(true);
            placeTwips(e, 1080, top, 4815, 255);
            Text[n] = e;
            field = e;
        } else {
            Text9 = new QPlainTextEdit(QStringLiteral("-"), this);
            Text9->setReadOnly(true);
            Text9->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            placeTwips(Text9, 1080, top, 3975, 665);
            field = Text9;
        }
        field->setObjectName(QStringLiteral("Text%1").arg(n));
        field->setStyleSheet(QString::fromLatin1(kFieldStyle));
    }

    XPButton1 = new XPButton(QStringLiteral("XPButton1"), this);
    XPButton1->setObjectName(QStringLiteral("XPButton1"));
    const QString base = shared().DataDir.isEmpty() ? QCoreApplication::applicationDirPath() : shared().DataDir;
    if (const ButtonData* data = findButtonData(QStringLiteral("frmInfo"), QStringLiteral("XPButton1")))
        XPButton1->loadProperties(storedButtonProperties(*data, base + QStringLiteral("/res")));
    placeTwips(XPButton1, 5175, 3150, 840, 375);
    connect(XPButton1, &XPButton::Click, this, &FrmInfo::XPButton1_Click);
    pressButtonsOnReturn(this, XPButton1);

    Form_Load();
}

void FrmInfo::Form_Load()
{
    const TrackInfoTexts texts = trackInfoTexts(media_, locale_);
    for (int n = 1; n <= 8; ++n) {
        Text[n]->setText(texts[n - 1]);
        Text[n]->setCursorPosition(0); // a long path shows its beginning
    }
    Text9->setPlainText(texts[8]);
}

void FrmInfo::XPButton1_Click()
{
    XPButton1->setButtonEnabled(false);
    close();
}

QString FrmInfo::fieldText(int n) const
{
    return n == 9 ? Text9->toPlainText() : Text[n]->text();
}

} // namespace melodune
