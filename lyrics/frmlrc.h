#pragma once
// The full-screen lyrics window: a frameless window over the whole screen of
// the main window, in one of three sub-modes (LrcViewMode 100 text, 101
// marquee, 102 strips over a background picture). It does not follow the
// lyric clock itself: the main window's lyric tick scrolls and colours its
// text box, paints its marquee surface and prints its strip rows. The main
// window is hidden while it shows.
#include <QPixmap>
#include <QWidget>
#include <array>

class QLabel;
class QTimer;

namespace melodune {

class LyricsWindowHost;
class RichTextModel;
class RichTextView;
class VisualPanel;

// A picture stretched over the whole control; the stretched copy is made at
// the screen's device pixel ratio once per picture, size and ratio, not at
// every paint.
class StretchedPicture : public QWidget {
    Q_OBJECT
public:
    explicit StretchedPicture(QWidget* parent = nullptr);
    const QPixmap& pixmap() const { return picture_; }
    void setPixmap(const QPixmap& picture);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QPixmap picture_;
    QPixmap scaled_;
};

class FrmLrc : public QWidget {
    Q_OBJECT
public:
    // Runs the load step; the window stays hidden until its fill step.
    explicit FrmLrc(LyricsWindowHost& main);
    ~FrmLrc() override;

    // ---- controls (stacked on screen in this order, top first) ----------
    QLabel* Picture5 = nullptr;  // video full-screen button
    QWidget* Picture4 = nullptr; // offset notice box
    QLabel* Label1 = nullptr;    // offset notice text, inside Picture4
    RichTextModel* RichTextBox1 = nullptr; // sub-mode 100
    RichTextView* RichTextBox1View = nullptr;
    VisualPanel* Picture1 = nullptr; // marquee surface (101), holder of the rows
    std::array<QLabel*, 3> Picture2{}; // previous, current, next line (102)
    QWidget* Picture3 = nullptr;       // black band behind the current line
    StretchedPicture* Image1 = nullptr; // background of sub-mode 102
    // Timer0 video button, Timer1 fill and show, Timer2 next sub-mode,
    // Timer3 hides the offset notice.
    std::array<QTimer*, 4> Timer{};

    // ---- handlers ---------------------------------------------------------
    void Form_Load();
    // Key codes as virtualKeyCode gives them (core/virtualkeys.h).
    void Form_KeyDown(int keyCode);
    void Form_KeyUp(int keyCode);
    // The mouse-up of the form, Image1, Picture1, Picture2(i), Picture3 and
    // RichTextBox1: left closes the window, right shows the next sub-mode.
    void Form_MouseUp(Qt::MouseButton button);
    void Picture5_Click();
    void Timer0_Timer();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    // The unload step; runs once whatever closes the window first.
    void Form_Unload();
    // True once the unload step ran: the window is going and is asked for
    // nothing more.
    bool unloaded() const { return unloaded_; }
    // The main window has ended: the window goes without the unload step,
    // so the saved view keeps its full-screen request.
    void detach();

    // The screen the window covers, in twips.
    int screenWidthTwips() const;
    int screenHeightTwips() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sizes and places the controls over a screen of `screen` size.
    void placeControls(QSize screen);
    // Covers its screen again after a move to another screen or a change
    // of scale.
    void Form_ScreenChanged();
    void showOffsetNotice();
    // The track picture when it is to be the background, else a random one
    // from the bkground folder; a picture that fails keeps the old one.
    void chooseBackground(bool randomPicture);
    QRect screenRect() const;
    // The controls whose mouse buttons the window handles itself.
    bool ownsMouse(const QObject* watched) const;

    LyricsWindowHost& main_;
    bool unloaded_ = false;
};

} // namespace melodune
