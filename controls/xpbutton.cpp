#include "controls/xpbutton.h"

#include "controls/buttonregion.h"
#include "controls/buttontheme.h"
#include "controls/log.h"
#include "controls/propertybag.h"

#include <QAction>
#include <QHelpEvent>
#include <QPixmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace melodune {

namespace {

constexpr int MinSide = 20; // 300 twips

// A missing or broken file leaves no icon.
QImage iconFromFile(const QString& path)
{
    QImage img;
    if (!path.isEmpty() && !img.load(path))
        qCWarning(lcControls) << "button icon not loaded:" << path;
    return img;
}

// Text-format flags of the caption.
enum : int { DtCenter = 1, DtRight = 2, DtVCenter = 4, DtBottom = 8, DtWordBreak = 16, DtSingleLine = 32 };

int qtTextFlags(int format)
{
    int f = Qt::TextShowMnemonic;
    f |= (format & DtCenter) ? Qt::AlignHCenter : (format & DtRight) ? Qt::AlignRight : Qt::AlignLeft;
    if (format & DtSingleLine) {
        f |= Qt::TextSingleLine;
        f |= (format & DtVCenter) ? Qt::AlignVCenter : (format & DtBottom) ? Qt::AlignBottom : Qt::AlignTop;
    } else {
        f |= Qt::AlignTop;
        if (format & DtWordBreak)
            f |= Qt::TextWordWrap;
    }
    return f;
}

int mouseButtonNumber(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

PackedColor colorOf(const QVariant& v, PackedColor def)
{
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    return ok ? static_cast<PackedColor>(static_cast<std::uint32_t>(n)) : def;
}

int intOf(const QVariant& v, int def)
{
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    return ok ? static_cast<int>(n) : def;
}

QString htmlColor(PackedColor c)
{
    return rt::toQColor(translateColor(c)).name();
}

} // namespace

XPButton::XPButton(QWidget* parent) : QWidget(parent) { initNew(QString()); }

XPButton::XPButton(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    initNew(name);
}

XPButton::~XPButton() = default;

void XPButton::initNew(const QString& name)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true); // see mouseMoveEvent
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_AlwaysShowToolTips); // also while its window is inactive
    setMinimumSize(MinSide, MinSide);
    caption_ = name;
    captionFormat_ = DtWordBreak | DtCenter;
    backColor_ = translateColor(sysColorRef(ColorBtnFace));
    highlightColor_ = translateColor(sysColorRef(ColorHighlight));
    fontColor_ = translateColor(sysColorRef(ColorBtnText));
    fontHighlightColor_ = fontColor_;
    layoutButton();
}

// ---- properties ---------------------------------------------------------

void XPButton::setButtonStyle(int style)
{
    style_ = style;
    layoutButton();
}

void XPButton::setCaption(const QString& caption)
{
    caption_ = caption;
    layoutButton();
}

void XPButton::setIcon(const QImage& icon)
{
    icon_ = icon;
    iconFile_.clear();
    layoutButton();
}

void XPButton::setIconFile(const QString& path)
{
    icon_ = iconFromFile(path);
    iconFile_ = path;
    layoutButton();
}

void XPButton::setIconAlign(int align)
{
    iconAlign_ = align;
    layoutButton();
}

void XPButton::setIconSize(int pixels)
{
    iconSize_ = static_cast<qint16>(pixels);
    layoutButton();
}

void XPButton::setCaptionAlign(int align)
{
    captionAlign_ = align;
    layoutButton();
}

void XPButton::setNonThemeStyle(int style)
{
    nonThemeStyle_ = style;
    layoutButton();
}

bool XPButton::buttonEnabled() const
{
    return enabled_ && (!action_ || action_->isEnabled());
}

void XPButton::setButtonEnabled(bool enabled)
{
    enabled_ = enabled;
    showEnabled();
}

void XPButton::showEnabled()
{
    const bool enabled = buttonEnabled();
    state_ = StateNormal;
    if (!enabled)
        endHover();
    refresh();
    QWidget::setEnabled(enabled);
}

QAction* XPButton::action() const
{
    return action_;
}

void XPButton::setAction(QAction* action)
{
    if (action_) {
        disconnect(this, &XPButton::Click, action_, nullptr);
        disconnect(action_, nullptr, this, nullptr);
    }
    action_ = action;
    if (action) {
        connect(this, &XPButton::Click, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, this, &XPButton::showEnabled);
    }
    showEnabled();
}

void XPButton::setIconVisible(bool visible) { iconVisible_ = visible; refresh(); }
void XPButton::setShowFocus(bool show) { showFocus_ = show; refresh(); }
void XPButton::setUseCustomColors(bool use) { useCustomColors_ = use; refresh(); }
void XPButton::setBackColor(PackedColor c) { backColor_ = c; refresh(); }
void XPButton::setHighlightColor(PackedColor c) { highlightColor_ = c; refresh(); }
void XPButton::setFontColor(PackedColor c) { fontColor_ = c; refresh(); }
void XPButton::setFontHighlightColor(PackedColor c) { fontHighlightColor_ = c; refresh(); }
void XPButton::setToolTipTitle(const QString& title) { toolTipTitle_ = title; refresh(); }
void XPButton::setToolTipIcon(int icon) { toolTipIcon_ = icon; refresh(); }
void XPButton::setToolTipType(int type) { toolTipType_ = type; refresh(); }
void XPButton::setToolTipBackColor(PackedColor c) { toolTipBackColor_ = c; refresh(); }
void XPButton::setToolTipForeColor(PackedColor c) { toolTipForeColor_ = c; refresh(); }
void XPButton::setButtonType(int type) { buttonType_ = type; refresh(); }
void XPButton::setValue(bool v) { value_ = v; refresh(); }

void XPButton::setButtonToolTip(const QString& text)
{
    toolTip_ = text;
    syncingToolTip_ = true;
    QWidget::setToolTip(text);
    syncingToolTip_ = false;
    refresh();
}

void XPButton::setButtonFont(const QFont& f)
{
    QWidget::setFont(f);
    refresh();
}

QString XPButton::toolTipMarkup() const
{
    // No text, no tooltip: a title alone shows nothing either.
    if (toolTip_.isEmpty())
        return {};
    // Rich text makes the desktop's tooltip wrap a short line at a quarter
    // of its widest guess ("歌词时间补偿" above "<+50ms>"): lines break only
    // where the text breaks them, as in a plain tooltip.
    QString style = QStringLiteral("white-space:nowrap;");
    if (toolTipForeColor_ != 0)
        style += QStringLiteral("color:%1;").arg(htmlColor(toolTipForeColor_));
    if (toolTipBackColor_ != 0)
        style += QStringLiteral("background-color:%1;").arg(htmlColor(toolTipBackColor_));
    QString body;
    const bool validIcon = toolTipIcon_ >= 1 && toolTipIcon_ <= 3;
    if (!toolTipTitle_.isEmpty() || validIcon) {
        static const char* const marks[] = {"", "\u2139 ", "\u26a0 ", "\u2716 "};
        const QString mark = validIcon ? QString::fromUtf8(marks[toolTipIcon_]) : QString();
        body += QStringLiteral("<b>%1%2</b><br/>").arg(mark, toolTipTitle_.toHtmlEscaped());
    }
    body += toolTip_.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
    return QStringLiteral("<div style=\"%1\">%2</div>").arg(style, body);
}

BalloonContent XPButton::balloonContent() const
{
    if (tipBuilt_)
        return tipContent_;
    BalloonContent c;
    c.text = toolTip_;
    c.title = toolTipTitle_;
    c.icon = toolTipIcon_;
    // 0 (and a reference that does not translate) leaves the desktop's colour.
    auto colour = [](PackedColor c, const QColor& fallback) {
        const PackedColor t = c == 0 ? -1 : translateColor(c);
        return t == -1 ? fallback : rt::toQColor(t);
    };
    const QPalette pal = QToolTip::palette();
    c.back = colour(toolTipBackColor_, pal.color(QPalette::Inactive, QPalette::ToolTipBase));
    c.fore = colour(toolTipForeColor_, pal.color(QPalette::Inactive, QPalette::ToolTipText));
    return c;
}

void XPButton::createToolTip()
{
    // Built anew at each entry: what the properties say now is what the
    // tip shows until the next entry.
    hideBalloon();
    tipBuilt_ = false;
    tipContent_ = balloonContent();
    tipType_ = toolTipType_;
    tipBuilt_ = true;
}

void XPButton::hideBalloon()
{
    if (balloon_) {
        balloon_->hide();
        balloon_->deleteLater();
        balloon_ = nullptr;
    }
}

// ---- persistence --------------------------------------------------------

void XPButton::loadProperties(const PropertyBag& bag)
{
    state_ = StateNormal;
    captionFormat_ = 0; // a loaded button with an unknown alignment keeps none
    const QVariant iconValue = bag.read(QStringLiteral("Icon"));
    icon_ = QImage();
    iconFile_.clear();
    if (iconValue.typeId() == QMetaType::QString) {
        iconFile_ = iconValue.toString();
        icon_ = iconFromFile(iconFile_);
    } else if (iconValue.typeId() == QMetaType::QImage) {
        icon_ = iconValue.value<QImage>();
    } else if (iconValue.typeId() == QMetaType::QPixmap) {
        icon_ = iconValue.value<QPixmap>().toImage();
    }
    style_ = intOf(bag.read(QStringLiteral("Style")), 3);
    caption_ = bag.read(QStringLiteral("Caption"), QStringLiteral("XPButton")).toString();
    iconSize_ = static_cast<qint16>(intOf(bag.read(QStringLiteral("IconSize")), 16));
    captionAlign_ = intOf(bag.read(QStringLiteral("CaptionAlign")), 0);
    iconAlign_ = intOf(bag.read(QStringLiteral("IconAlign")), 1);
    nonThemeStyle_ = intOf(bag.read(QStringLiteral("iNonThemeStyle")), 5);
    enabled_ = bag.read(QStringLiteral("Enabled"), true).toBool();
    showFocus_ = bag.read(QStringLiteral("ShowFocus"), false).toBool();
    useCustomColors_ = bag.read(QStringLiteral("USeCustomColors"), false).toBool();
    backColor_ = colorOf(bag.read(QStringLiteral("BackColor")), sysColor(ColorBtnFace));
    highlightColor_ = colorOf(bag.read(QStringLiteral("HighlightColor")), sysColor(ColorHighlight));
    fontColor_ = colorOf(bag.read(QStringLiteral("FontColor")), sysColor(ColorBtnText));
    fontHighlightColor_ = colorOf(bag.read(QStringLiteral("FontHighlightColor")), sysColor(ColorBtnText));
    const QString tip = bag.read(QStringLiteral("ToolTipText"), toolTip_).toString();
    toolTipTitle_ = bag.read(QStringLiteral("Tooltiptitle"), QString()).toString();
    toolTipIcon_ = intOf(bag.read(QStringLiteral("ToolTipIcon")), 0);
    toolTipType_ = intOf(bag.read(QStringLiteral("ToolTipType")), 1);
    toolTipBackColor_ = colorOf(bag.read(QStringLiteral("ttBackColor")), sysColor(ColorInfoBk));
    toolTipForeColor_ = colorOf(bag.read(QStringLiteral("ttForeColor")), sysColor(ColorInfoText));
    const QVariant fontValue = bag.read(QStringLiteral("Font"));
    if (fontValue.typeId() == QMetaType::QFont)
        QWidget::setFont(fontValue.value<QFont>());
    buttonType_ = intOf(bag.read(QStringLiteral("ButtonType")), 0);
    value_ = bag.read(QStringLiteral("Value"), false).toBool();
    iconVisible_ = bag.read(QStringLiteral("IconVisible"), true).toBool();

    toolTip_ = tip;
    syncingToolTip_ = true;
    QWidget::setToolTip(tip);
    syncingToolTip_ = false;
    // A button stored disabled must not click before the window enables it,
    // so the widget's own flag follows the stored value from the start.
    if (!buttonEnabled())
        endHover();
    QWidget::setEnabled(buttonEnabled());
    layoutButton();
}

void XPButton::saveProperties(PropertyBag& bag) const
{
    const QVariant iconValue = iconFile_.isEmpty() ? QVariant(icon_) : QVariant(iconFile_);
    bag.write(QStringLiteral("Icon"), iconValue);
    bag.write(QStringLiteral("Style"), style_, 3);
    bag.write(QStringLiteral("Caption"), caption_, QString());
    bag.write(QStringLiteral("IconSize"), int(iconSize_), 16);
    bag.write(QStringLiteral("IconAlign"), iconAlign_, 0);
    bag.write(QStringLiteral("CaptionAlign"), captionAlign_, 0);
    bag.write(QStringLiteral("iNonThemeStyle"), nonThemeStyle_, 5);
    bag.write(QStringLiteral("Enabled"), enabled_, true);
    bag.write(QStringLiteral("ShowFocus"), showFocus_, false);
    bag.write(QStringLiteral("USeCustomColors"), useCustomColors_, false);
    bag.write(QStringLiteral("BackColor"), backColor_, sysColor(ColorBtnFace));
    bag.write(QStringLiteral("HighlightColor"), highlightColor_, sysColor(ColorHighlight));
    bag.write(QStringLiteral("FontColor"), fontColor_, sysColor(ColorBtnText));
    bag.write(QStringLiteral("FontHighlightColor"), fontHighlightColor_, sysColor(ColorBtnText));
    // The button holds its tooltip itself; nothing is left in a container.
    bag.write(QStringLiteral("ToolTipText"), toolTip_, QString());
    bag.write(QStringLiteral("Tooltiptitle"), toolTipTitle_);
    bag.write(QStringLiteral("ToolTipIcon"), toolTipIcon_);
    bag.write(QStringLiteral("ToolTipType"), toolTipType_);
    bag.write(QStringLiteral("ttBackColor"), toolTipBackColor_, sysColor(ColorInfoBk));
    bag.write(QStringLiteral("ttForeColor"), toolTipForeColor_, sysColor(ColorInfoText));
    bag.write(QStringLiteral("Font"), font());
    bag.write(QStringLiteral("ButtonType"), buttonType_, 0);
    bag.write(QStringLiteral("Value"), value_, false);
    bag.write(QStringLiteral("IconVisible"), iconVisible_, true);
}

// ---- layout and painting ------------------------------------------------

void XPButton::layoutButton()
{
    const int w = width(), h = height();
    laidOutSize_ = size();
    captionRect_ = QRect(QPoint(4, 4), QPoint(w - 5, h - 5));
    switch (captionAlign_) {
    case 0: captionFormat_ = DtSingleLine | DtVCenter | DtCenter; break;
    case 1: captionFormat_ = DtSingleLine | DtVCenter; break;
    case 2: captionFormat_ = DtSingleLine | DtVCenter | DtRight; break;
    case 3: captionFormat_ = DtSingleLine | DtCenter; break;
    case 4: captionFormat_ = DtSingleLine | DtBottom | DtCenter; break;
    default: break;
    }
    setMask(buttonRegion(style_, w, h));
    refresh();
}

void XPButton::refresh()
{
    // A hidden widget gets its resize event only when shown; lay out now so
    // the face always matches the size.
    if (laidOutSize_ != size()) {
        layoutButton();
        return;
    }
    paintFace();
    update();
}

void XPButton::paintFace()
{
    ratio_ = devicePixelRatioF();
    surface_.resize(width(), height());
    surface_.fill(translateColor(background_));
    if (buttonType_ == 1 && value_)
        state_ = StatePressed;
    if (!buttonEnabled()) {
        state_ = StateDisabled;
        background_ = sysColorRef(ColorBtnFace);
        surface_.fill(translateColor(background_));
    }
    int margin = 4;
    FaceInputs in;
    in.state = state_;
    in.hasFocus = hasFocus_;
    in.showFocus = showFocus_;
    in.useCustomColors = useCustomColors_;
    in.backColor = translateColor(backColor_);
    in.highlightColor = translateColor(highlightColor_);
    PackedColor bg = translateColor(background_);
    switch (style_) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
        paintBasicFace(style_, surface_, in, bg);
        break;
    case 5:
        if (useCustomColors_)
            paintStyle5Custom(surface_, in, bg);
        else
            paintStyle5(surface_, in, bg);
        margin = 5;
        break;
    case 6: {
        bg = sysColor(ColorBtnFace);
        surface_.fill(bg);
        const int themeState = (state_ == StateNormal && hasFocus_) ? int(ThemeDefaulted) : state_;
        if (!buttonTheme().drawPushButton(surface_.image(), themeState, this))
            style_ = nonThemeStyle_;
        break;
    }
    case 7:
        paintStyle7(surface_, in, bg);
        margin = 5;
        break;
    case 8:
        paintStyle8(surface_, in, bg);
        break;
    case 9:
        paintStyle9(surface_, in, bg);
        margin = 7;
        break;
    case 10:
        paintRoundStyle(surface_, in);
        margin = 7;
        break;
    default:
        break;
    }
    background_ = bg;
    // The frame stays in logical pixels, so every table holds at any ratio;
    // the caption and icon go on top at the screen's own pixels.
    QImage* canvas = &surface_.image();
    if (ratio_ != 1.0) {
        shown_ = surface_.enlarged(ratio_);
        canvas = &shown_;
    } else if (!shown_.isNull()) {
        shown_ = QImage();
    }
    drawCaption(*canvas);
    drawIcon(*canvas, margin);
}

void XPButton::drawCaption(QImage& canvas)
{
    if (caption_.isEmpty() || captionRect_.isEmpty() || canvas.isNull())
        return;
    PackedColor c;
    if (state_ == StateDisabled)
        c = translateColor(sysColorRef(ColorGrayText));
    else if (useCustomColors_)
        c = translateColor(state_ == StateNormal ? fontColor_ : fontHighlightColor_);
    else
        c = sysColor(ColorBtnText);
    QPainter p(&canvas);
    p.setFont(font());
    p.setPen(rt::toQColor(c));
    p.setClipRect(captionRect_);
    p.drawText(captionRect_, qtTextFlags(captionFormat_), caption_);
}

void XPButton::drawIcon(QImage& canvas, int margin)
{
    const int S = iconSize_;
    if (icon_.isNull() || !iconVisible_ || S <= 0 || canvas.isNull())
        return;
    const int w = width(), h = height();
    int x = 0, y = 0;
    switch (iconAlign_) {
    case 0: x = roundHalfEven((w - S) / 2.0); y = roundHalfEven((h - S) / 2.0); break;
    case 1: x = margin; y = roundHalfEven((h - S) / 2.0); break;
    case 2: x = w - S - margin; y = roundHalfEven((h - S) / 2.0); break;
    case 3: x = roundHalfEven((w - S) / 2.0); y = margin; break;
    case 4: x = roundHalfEven((w - S) / 2.0); y = h - S - margin; break;
    default: break;
    }
    if (state_ == StatePressed) {
        ++x;
        ++y;
    }
    const qreal r = canvas.devicePixelRatio();
    // An icon shown at its own size is enlarged by the screen's ratio alone:
    // by a whole number it keeps its pixels whole, as Qt's own icons do;
    // every other scale is smooth.
    const bool whole = icon_.size() == QSize(S, S) && r == std::floor(r);
    auto draw = [&](int px, int py) {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
        p.drawImage(QRect(px, py, S, S), icon_);
    };
    if (state_ == StateHot && style_ == 4) {
        draw(x, y);
        // In device pixels: the first one whose centre lies in a logical pixel.
        auto device = [r](int logical) { return int(std::ceil(logical * r - 0.5)); };
        const int ref = device(1);
        const QRgb background = canvas.pixel(std::min(ref, canvas.width() - 1), std::min(ref, canvas.height() - 1));
        const QRgb grey = qRgb(128, 128, 128);
        const int right = std::min(device(x + S + 1), canvas.width()) - 1;
        const int bottom = std::min(device(y + S + 1), canvas.height()) - 1;
        for (int py = std::max(0, device(y)); py <= bottom; ++py) {
            auto* row = reinterpret_cast<QRgb*>(canvas.scanLine(py));
            for (int px = std::max(0, device(x)); px <= right; ++px)
                if (row[px] != background)
                    row[px] = grey;
        }
        x -= 2;
        y -= 2;
    }
    draw(x, y);
}

// ---- events -------------------------------------------------------------

void XPButton::clickAction()
{
    if (buttonType_ == 1) {
        value_ = !value_;
        state_ = StateHot;
        refresh();
    }
    emit Click();
}

void XPButton::click()
{
    if (isEnabled())
        clickAction();
}

void XPButton::endHover()
{
    hideBalloon();
    if (!mouseOver_)
        return;
    mouseOver_ = false;
    emit MouseLeave();
}

void XPButton::enterHover()
{
    mouseOver_ = true;
    state_ = StateHot;
    refresh();
    emit MouseEnter();
    createToolTip();
}

bool XPButton::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTipChange && !syncingToolTip_)
        toolTip_ = QWidget::toolTip();
    if (e->type() == QEvent::Hide)
        hideBalloon();
    if (e->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(e);
        if (!tipBuilt_)
            createToolTip();
        if (tipType_ == 1) {
            QToolTip::hideText();
            if (tipContent_.text.isEmpty() || !isEnabled()) {
                hideBalloon();
            } else if (!balloon_ || !balloon_->isVisible()) {
                hideBalloon();
                balloon_ = new BalloonTip(tipContent_, this);
                balloon_->showAt(he->globalPos());
            }
            return true;
        }
        const QString markup = toolTipMarkup();
        if (markup.isEmpty() || !isEnabled())
            QToolTip::hideText();
        else
            QToolTip::showText(he->globalPos(), markup, this, rect());
        return true;
    }
    return QWidget::event(e);
}

void XPButton::changeEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        refresh();
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

void XPButton::paintEvent(QPaintEvent*)
{
    // On a screen of another ratio than the last paint was for.
    if (devicePixelRatioF() != ratio_)
        paintFace();
    QPainter p(this);
    p.drawImage(0, 0, shownFace());
}

void XPButton::resizeEvent(QResizeEvent*) { layoutButton(); }

void XPButton::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    hideBalloon();
    if (!isEnabled() || e->button() != Qt::LeftButton)
        return;
    armed_ = true;
    state_ = StatePressed;
    refresh();
}

void XPButton::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    if (!isEnabled())
        return;
    const int number = mouseButtonNumber(e->button());
    bool click = false;
    if (number == 1) {
        const bool inside = rect().contains(e->position().toPoint());
        if (inside)
            state_ = (buttonType_ == 1 && !value_) ? StatePressed : StateHot;
        else
            state_ = StateNormal; // released away from the button: no click
        click = inside && armed_;
        armed_ = false;
        refresh();
    }
    lastMouseButton_ = number;
    if (click)
        clickAction();
}

void XPButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    // The second press of a double click shows pressed but completes no click.
    if (!isEnabled() || e->button() != Qt::LeftButton || lastMouseButton_ != 1)
        return;
    armed_ = false;
    state_ = StatePressed;
    refresh();
}

void XPButton::keyPressEvent(QKeyEvent* e)
{
    if (e->key() != Qt::Key_Space) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    // A held Space clicks once, not once per repeat.
    if (!isEnabled() || e->isAutoRepeat())
        return;
    state_ = StatePressed;
    refresh();
    clickAction();
}

void XPButton::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() != Qt::Key_Space) {
        QWidget::keyReleaseEvent(e);
        return;
    }
    e->accept();
    if (!isEnabled() || e->isAutoRepeat())
        return;
    state_ = (buttonType_ == 1 && !value_) ? StatePressed : StateHot;
    lastMouseButton_ = 1;
    refresh();
}

void XPButton::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    hasFocus_ = true;
    refresh();
}

void XPButton::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    hasFocus_ = false;
    refresh();
}

void XPButton::enterEvent(QEnterEvent* e)
{
    QWidget::enterEvent(e);
    if (!isEnabled() || mouseOver_)
        return;
    enterHover();
}

void XPButton::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    // A button enabled under a resting pointer gets no enter event: the
    // first move over it counts as the entry.
    if (isEnabled() && !mouseOver_ && !(e->buttons() & Qt::LeftButton) && rect().contains(e->position().toPoint()))
        enterHover();
}

void XPButton::leaveEvent(QEvent* e)
{
    QWidget::leaveEvent(e);
    hideBalloon();
    if (!mouseOver_)
        return;
    mouseOver_ = false;
    state_ = StateNormal;
    refresh();
    emit MouseLeave();
}

namespace {

class ReturnPressesButton : public QObject {
public:
    ReturnPressesButton(QWidget* dialog, XPButton* defaultButton)
        : QObject(dialog), dialog_(dialog), default_(defaultButton)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        // The dialog sees a key its focused control left unused.
        if (watched != dialog_ || e->type() != QEvent::KeyPress)
            return false;
        const auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter)
            return false;
        if ((k->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        if (k->isAutoRepeat())
            return true; // a held key presses once
        auto* focused = qobject_cast<XPButton*>(dialog_->focusWidget());
        XPButton* target = focused && focused->window() == dialog_ ? focused : default_.data();
        if (target && target->isVisible())
            target->click();
        return true;
    }

private:
    QWidget* dialog_;
    QPointer<XPButton> default_;
};

} // namespace

void pressButtonsOnReturn(QWidget* dialog, XPButton* defaultButton)
{
    dialog->installEventFilter(new ReturnPressesButton(dialog, defaultButton));
}

} // namespace melodune
