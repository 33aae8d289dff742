#pragma once
// The desktop theme's push button, drawn through Qt's style engine, behind a
// seam so that a missing theme can be simulated.
class QImage;
class QWidget;

namespace melodune {

// Push-button state numbers of the theme: the four button states and 5 for
// normal with the focus (the default-button look).
enum ThemeButtonState : int { ThemeNormal = 1, ThemeHot = 2, ThemePressed = 3, ThemeDisabled = 4, ThemeDefaulted = 5 };

class ButtonTheme {
public:
    virtual ~ButtonTheme() = default;
    // Draws the push-button background over the whole image; false when there
    // is no theme to draw with or the drawing failed.
    virtual bool drawPushButton(QImage& target, int themeState, const QWidget* widget) = 0;
};

// The theme in use: Qt's style engine unless another was installed.
ButtonTheme& buttonTheme();
// Installs a theme (not owned); nullptr goes back to the style engine.
void setButtonTheme(ButtonTheme* theme);

// A theme that is never available.
class NoButtonTheme : public ButtonTheme {
public:
    bool drawPushButton(QImage&, int, const QWidget*) override { return false; }
};

class ScopedButtonTheme {
public:
    explicit ScopedButtonTheme(ButtonTheme* t) { setButtonTheme(t); }
    ~ScopedButtonTheme() { setButtonTheme(nullptr); }
    ScopedButtonTheme(const ScopedButtonTheme&) = delete;
    ScopedButtonTheme& operator=(const ScopedButtonTheme&) = delete;
};

} // namespace melodune
