#include "dialogs/frmwait.h"

#include <QCloseEvent>
#include <QFont>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QPalette>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace melodune {

QPointer<FrmWait> FrmWait::instance_;

void WaitProgressBar::setValue(float v)
{
    value_ = v;
    const int shown = int(std::floor(std::clamp(v, 0.0f, 100.0f)));
    if (shown != QProgressBar::value())
        QProgressBar::setValue(shown);
}

FrmWait::FrmWait(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmWait"));
    setWindowTitle(QStringLiteral("..."));
    setFixedSize(360, 87);
    // Twips of the design / 15.
    Label1 = new QLabel(QStringLiteral("正在处理，请稍候…"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(7, 16, 347, 20);
    Label1->setAlignment(Qt::AlignCenter);
    QFont f(QStringLiteral("宋体"));
    f.setPointSize(9);
    f.setBold(true);
    Label1->setFont(f);
    ProgressBar1 = new WaitProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(13, 40, 333, 23);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->QProgressBar::setValue(0);
    ProgressBar1->setTextVisible(false);
    Form_Load();
}

void FrmWait::Form_Load()
{
    // The system's highlight colours, the label see-through.
    const QPalette sys = QGuiApplication::palette();
    QPalette p = palette();
    p.setColor(QPalette::Window, sys.color(QPalette::Highlight));
    setPalette(p);
    setAutoFillBackground(true);
    QPalette lp = Label1->palette();
    lp.setColor(QPalette::WindowText, sys.color(QPalette::HighlightedText));
    Label1->setPalette(lp);
    Label1->setAutoFillBackground(false);
}

FrmWait* FrmWait::instance(QWidget* owner)
{
    if (!instance_)
        instance_ = new FrmWait(owner);
    return instance_;
}

bool FrmWait::isLoaded()
{
    return !instance_.isNull();
}

void FrmWait::unload()
{
    if (!instance_)
        return;
    FrmWait* w = instance_;
    instance_ = nullptr;
    w->unloading_ = true;
    w->hide();
    delete w;
}

void FrmWait::showModeless(std::function<void()> onScreen)
{
    if (const QScreen* s = (parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()))
        move(s->geometry().center() - rect().center());
    onScreen_ = std::move(onScreen);
    show();
    raise();
    if (!onScreen_)
        return;
    // The job's first stage comes after the window's first paint, so that
    // stage is painted too (the display answers the show a little later).
    update();
    QTimer::singleShot(300, qApp, [self = QPointer<FrmWait>(this)] {
        if (self)
            self->runOnScreen();
    });
}

void FrmWait::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
    if (onScreen_)
        QMetaObject::invokeMethod(
            qApp,
            [self = QPointer<FrmWait>(this)] {
                if (self)
                    self->runOnScreen();
            },
            Qt::QueuedConnection);
}

void FrmWait::runOnScreen()
{
    // The job may unload this window: nothing here is touched after it.
    if (std::function<void()> f = std::exchange(onScreen_, {}))
        f();
}

void FrmWait::closeEvent(QCloseEvent* e)
{
    if (unloading_)
        e->accept();
    else
        e->ignore();
}

void FrmWait::keyPressEvent(QKeyEvent* e)
{
    // Esc and the like do nothing here.
    e->accept();
}

} // namespace melodune
