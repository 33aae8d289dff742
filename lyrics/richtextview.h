#pragma once
// Shows a RichTextModel: its text with per-character colour, size and bold,
// the box's back colour and font, and its first visible line. The view is
// read-only and hides the selection (the lyric box never keeps the focus);
// the user's own scrolling is written back to the model.
//
// Model changes are gathered and drawn once control returns to the event
// loop (refreshNow() draws at once), so restyling a long text costs one
// redraw. A long text is put in a slice of lines at a time, returning to the
// event loop in between, so the window keeps answering while it fills.
#include <QPoint>
#include <QTextEdit>

namespace melodune {

class RichTextModel;

class RichTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextView(RichTextModel* model, QWidget* parent = nullptr);
    RichTextModel* model() const { return model_; }

    // Applies pending model changes now, the whole text included.
    void refreshNow();
    // Whether every line of the model is in the view.
    bool filled() const;

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
    // Applies pending changes; with a budget, fills for about that long.
    void refresh(qint64 budgetMs);
    void rebuild(qint64 budgetMs);
    void fill(qint64 budgetMs);
    // The model position up to which the view holds the text.
    int filledEnd() const;
    void applyFormats(int start, int end);
    void applyBox();
    bool applyScroll();
    void reportVisibleLines();
    int docPosition(int modelPos) const;
    void onUserScroll();

    RichTextModel* model_;
    bool pending_ = false;
    int filledLines_ = 0; // model lines already in the document
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
