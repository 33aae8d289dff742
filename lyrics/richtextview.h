#pragma once
// Shows a RichTextModel: its text with per-character colour, size and bold,
// the box's back colour and font, and its first visible line. The view is
// read-only and hides the selection (the lyric box never keeps the focus);
// the user's own scrolling is written back to the model.
//
// Model changes are gathered and drawn once control returns to the event
// loop (refreshNow() draws at once), so restyling a long text costs one
// redraw.
#include <QPoint>
#include <QTextEdit>

namespace melodune {

class RichTextModel;

class RichTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextView(RichTextModel* model, QWidget* parent = nullptr);
    RichTextModel* model() const { return model_; }

    // Applies pending model changes now.
    void refreshNow();

signals:
    // Mouse buttons on the box (its MouseDown / MouseUp), position in the view.
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint pos);
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint pos);
    // The box got the keyboard focus (its GotFocus).
    void focusReceived();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void schedule();
    void rebuild();
    void applyFormats(int start, int end);
    void applyBox();
    void applyScroll();
    void reportVisibleLines();
    int docPosition(int modelPos) const;
    void onUserScroll();

    RichTextModel* model_;
    bool pending_ = false;
    bool textDirty_ = true;
    bool boxDirty_ = true;
    bool scrollDirty_ = true;
    int fmtStart_ = -1; // pending format range [fmtStart_, fmtEnd_)
    int fmtEnd_ = -1;
    bool settingScroll_ = false;
    bool userScroll_ = false;
    bool modelVisible_ = true;
};

} // namespace melodune
