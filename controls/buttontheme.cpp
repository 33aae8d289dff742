#include "controls/buttontheme.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

namespace melodune {

namespace {

class StyleEngineTheme : public ButtonTheme {
public:
    bool drawPushButton(QImage& target, int themeState, const QWidget* widget) override
    {
        QStyle* style = widget ? widget->style() : QApplication::style();
        if (!style || target.isNull())
            return false;
        QStyleOptionButton opt;
        if (widget)
            opt.initFrom(widget);
        opt.rect = QRect(0, 0, target.width(), target.height());
        opt.state = QStyle::State_Raised;
        if (themeState != ThemeDisabled)
            opt.state |= QStyle::State_Enabled;
        if (themeState == ThemeHot)
            opt.state |= QStyle::State_MouseOver;
        if (themeState == ThemePressed)
            opt.state = (opt.state | QStyle::State_Sunken) & ~QStyle::State_Raised;
        if (themeState == ThemeDefaulted) {
            opt.state |= QStyle::State_HasFocus;
            opt.features |= QStyleOptionButton::DefaultButton;
        }
        QPainter p(&target);
        if (!p.isActive())
            return false;
        style->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, widget);
        return true;
    }
};

ButtonTheme* installedTheme = nullptr;

} // namespace

ButtonTheme& buttonTheme()
{
    static StyleEngineTheme engine;
    return installedTheme ? *installedTheme : engine;
}

void setButtonTheme(ButtonTheme* theme) { installedTheme = theme; }

} // namespace melodune
