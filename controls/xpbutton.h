#pragma once
// The themed push/toggle button every window of the program uses: owner-drawn
// faces in eleven styles (0 to 10), hover, focus and pressed looks,
// tooltips, and persistence through a window's property store.
#include "controls/balloontip.h"
#include "controls/buttonfaces.h"
#include "controls/colors.h"
#include "controls/pixelsurface.h"
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAction;

namespace melodune {

class PropertyBag;

class XPButton : public QWidget {
    Q_OBJECT
public:
    // A new instance: style 0, empty caption.
    explicit XPButton(QWidget* parent = nullptr);
    // A new instance placed under `name`, which is also its first caption.
    XPButton(const QString& name, QWidget* parent);
    ~XPButton() override;

    static QString version() { return QStringLiteral("3.0"); }
    // Repaints the face in the current style and state.
    void refresh();

    // Styles 0 to 10 (5, 7 cut corners; 6 the desktop theme; 8, 9 cut corners 2; 10 round).
    int buttonStyle() const { return style_; }
    void setButtonStyle(int style);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    // The icon; a missing or unreadable file gives no icon and draws nothing.
    QImage icon() const { return icon_; }
    void setIcon(const QImage& icon);
    QString iconFile() const { return iconFile_; }
    void setIconFile(const QString& path);
    // 0 centre, 1 left, 2 right, 3 top, 4 bottom.
    int iconAlign() const { return iconAlign_; }
    void setIconAlign(int align);
    int iconSize() const { return iconSize_; }
    void setIconSize(int pixels); // kept as a 16-bit value
    // 0 centre, 1 left, 2 right, 3 top, 4 bottom; others keep the last format.
    int captionAlign() const { return captionAlign_; }
    void setCaptionAlign(int align);
    // The style used once the theme (style 6) turns out to be unavailable.
    int nonThemeStyle() const { return nonThemeStyle_; }
    void setNonThemeStyle(int style);
    // Whether the button can be clicked: its stored Enabled value, and the
    // enabled state of the command it stands for, if any. Setting it stores
    // the value and sets the widget's enabled flag to what can be clicked.
    bool buttonEnabled() const;
    void setButtonEnabled(bool enabled);
    // The menu command the button stands for (null: none). A click triggers
    // it, and the button can be clicked only while the command is enabled,
    // so one action holds the state of the item and of its button.
    void setAction(QAction* action);
    QAction* action() const;
    bool iconVisible() const { return iconVisible_; }
    void setIconVisible(bool visible);
    bool showFocus() const { return showFocus_; }
    void setShowFocus(bool show);
    bool useCustomColors() const { return useCustomColors_; }
    void setUseCustomColors(bool use);
    // Colours: packed RGB or system colour references (translated when drawn).
    PackedColor backColor() const { return backColor_; }
    void setBackColor(PackedColor c);
    PackedColor highlightColor() const { return highlightColor_; }
    void setHighlightColor(PackedColor c);
    PackedColor fontColor() const { return fontColor_; }
    void setFontColor(PackedColor c);
    PackedColor fontHighlightColor() const { return fontHighlightColor_; }
    void setFontHighlightColor(PackedColor c);
    // The tooltip text, read back exactly as set whatever happens to the
    // window. QWidget::setToolTip on the button sets the same text.
    QString buttonToolTip() const { return toolTip_; }
    void setButtonToolTip(const QString& text);
    QString toolTipTitle() const { return toolTipTitle_; }
    void setToolTipTitle(const QString& title);
    // 0 none, 1 information, 2 warning, 3 error (shown before the title).
    int toolTipIcon() const { return toolTipIcon_; }
    void setToolTipIcon(int icon);
    // 1 balloon (a window of its own), anything else the plain Qt tooltip.
    int toolTipType() const { return toolTipType_; }
    void setToolTipType(int type);
    // 0 leaves the desktop's tooltip colour.
    PackedColor toolTipBackColor() const { return toolTipBackColor_; }
    void setToolTipBackColor(PackedColor c);
    PackedColor toolTipForeColor() const { return toolTipForeColor_; }
    void setToolTipForeColor(PackedColor c);
    QFont buttonFont() const { return font(); }
    void setButtonFont(const QFont& f);
    // 0 push, 1 toggle.
    int buttonType() const { return buttonType_; }
    void setButtonType(int type);
    // The toggle state.
    bool value() const { return value_; }
    void setValue(bool v);

    // Presses the button as a key does: the click action and Click, nothing
    // while it is disabled.
    void click();

    // Persistence in a window's property store (names compared without case).
    void loadProperties(const PropertyBag& bag);
    void saveProperties(PropertyBag& bag) const;

    // Drawn state (ButtonState), focus and hover, for inspection.
    int buttonState() const { return state_; }
    bool hasButtonFocus() const { return hasFocus_; }
    bool isMouseOver() const { return mouseOver_; }
    // The last painted face in logical pixels, exactly as the style painters
    // drew it; at a device pixel ratio of 1 it holds the caption and icon too.
    const PixelSurface& face() const { return surface_; }
    // The face as the screen shows it: at ratio 1 the face itself; at any
    // other ratio the face enlarged by whole logical pixels (PixelSurface::
    // enlarged) with the caption and icon drawn at the screen's pixels.
    const QImage& shownFace() const { return ratio_ == 1.0 ? surface_.image() : shown_; }
    QRect captionRect() const { return captionRect_; }
    // Text-format flags of the caption (single line 32, word break 16, bottom 8,
    // vertical centre 4, right 2, centre 1).
    int captionFormat() const { return captionFormat_; }
    // The plain tooltip as it is shown (rich text with the title), empty
    // when there is no text.
    QString toolTipMarkup() const;
    // The balloon as the pointer's last entry built it, and the open balloon
    // window (null when none is shown).
    BalloonContent balloonContent() const;
    QWidget* balloonTip() const { return balloon_; }

signals:
    void Click();
    void MouseEnter();
    void MouseLeave();

protected:
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void initNew(const QString& name);
    // The widget's enabled flag and the face follow buttonEnabled().
    void showEnabled();
    void layoutButton();
    void clickAction();
    // Refresh without the repaint request: the face at the widget's ratio.
    void paintFace();
    void drawCaption(QImage& canvas);
    void drawIcon(QImage& canvas, int margin);
    void endHover();
    void enterHover();
    void createToolTip();
    void hideBalloon();

    int style_ = 0;
    QString caption_;
    QImage icon_;
    QString iconFile_;
    int iconAlign_ = 0;
    qint16 iconSize_ = 16;
    int captionAlign_ = 0;
    int nonThemeStyle_ = 0;
    bool enabled_ = true;
    bool iconVisible_ = false;
    bool showFocus_ = false;
    bool useCustomColors_ = false;
    PackedColor backColor_ = 0;
    PackedColor highlightColor_ = 0;
    PackedColor fontColor_ = 0;
    PackedColor fontHighlightColor_ = 0;
    QString toolTip_;
    QString toolTipTitle_;
    int toolTipIcon_ = 0;
    int toolTipType_ = 0;
    PackedColor toolTipBackColor_ = 0;
    PackedColor toolTipForeColor_ = 0;
    int buttonType_ = 0;
    bool value_ = false;

    int state_ = StateNormal;
    bool hasFocus_ = false;
    bool mouseOver_ = false;
    bool armed_ = false;          // a left press that a release may complete
    int lastMouseButton_ = 0;
    QRect captionRect_;
    int captionFormat_ = 17;
    PackedColor background_ = sysColorRef(ColorBtnFace);
    PixelSurface surface_;
    qreal ratio_ = 1.0; // the device pixel ratio the face was painted for
    QImage shown_;      // the face at ratio_ when that is not 1
    bool syncingToolTip_ = false;
    // The tooltip as it stood at the pointer's entry.
    bool tipBuilt_ = false;
    int tipType_ = 0;
    BalloonContent tipContent_;
    QPointer<BalloonTip> balloon_;
    QPointer<QAction> action_;
    QSize laidOutSize_;
};

// Return and Enter in `dialog` press the dialog's focused button, or
// `defaultButton` when no button of the dialog has the focus, as desktop
// dialogs do; Escape stays the dialog's own (its cancel).
void pressButtonsOnReturn(QWidget* dialog, XPButton* defaultButton);

} // namespace melodune
