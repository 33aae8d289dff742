#pragma once
// The progress window of the long sound jobs: a message line and a bar over
// the main window. It has no logic of its own; the job writes both and
// unloads it. One instance at a time, made on first use.
#include <QPointer>
#include <QProgressBar>
#include <QWidget>
#include <functional>

class QLabel;

namespace melodune {

// A progress bar whose Value is a single-precision number read back exactly
// as set; the bar shows it rounded down.
class WaitProgressBar : public QProgressBar {
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;
    float Value() const { return value_; }
    void setValue(float v);

private:
    float value_ = 0;
};

class FrmWait : public QWidget {
    Q_OBJECT
public:
    QLabel* Label1 = nullptr;
    WaitProgressBar* ProgressBar1 = nullptr;

    // The one instance, loaded (owned by `owner`) on first use.
    static FrmWait* instance(QWidget* owner);
    static bool isLoaded();
    // Closes and destroys the instance; the next use starts from the design
    // values.
    static void unload();
    // Shows the window modeless over its owner, centred on the screen.
    // `onScreen` runs once the window has been painted (or after a short
    // wait, for a display that does not answer), from the event loop and
    // never inside this call; not at all when the window is unloaded first.
    void showModeless(std::function<void()> onScreen = {});

protected:
    // The user cannot close it: only unload() does.
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    explicit FrmWait(QWidget* owner);
    void Form_Load();
    void runOnScreen();
    static QPointer<FrmWait> instance_;
    bool unloading_ = false;
    std::function<void()> onScreen_;
};

} // namespace melodune
