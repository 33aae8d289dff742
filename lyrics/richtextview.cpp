#include "lyrics/richtextview.h"

#include "lyrics/richtext.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <algorithm>

namespace melodune {

namespace {

QTextCharFormat toQt(const CharFormat& f)
{
    QTextCharFormat q;
    q.setForeground(rt::toQColor(f.color));
    q.setFontPointSize(f.size > 0 ? f.size : 9);
    q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    return q;
}

// A lyric box holds few formats: the last ones made are kept, so a long
// text does not build (and hash) one per stretch.
class FormatCache {
public:
    const QTextCharFormat& get(const CharFormat& f)
    {
        for (const auto& [key, q] : made_)
            if (key == f)
                return q;
        if (made_.size() >= 8)
            made_.erase(made_.begin());
        made_.emplace_back(f, toQt(f));
        return made_.back().second;
    }

private:
    std::vector<std::pair<CharFormat, QTextCharFormat>> made_;
};

// How long one slice of filling may take before the event loop runs again.
constexpr qint64 FillSliceMs = 6;

} // namespace

RichTextView::RichTextView(RichTextModel* model, QWidget* parent) : QTextEdit(parent), model_(model)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setAcceptRichText(false);
    document()->setUndoRedoEnabled(false);
    document()->setDocumentMargin(2);
    viewport()->setCursor(Qt::ArrowCursor);
    // The owner pops up its own menu on the right button.
    setContextMenuPolicy(Qt::PreventContextMenu);

    connect(model_, &RichTextModel::textChanged, this, [this] {
        textDirty_ = true;
        scrollDirty_ = true;
        schedule();
    });
    connect(model_, &RichTextModel::formatChanged, this, [this](int start, int length) {
        fmtStart_ = fmtStart_ < 0 ? start : std::min(fmtStart_, start);
        fmtEnd_ = std::max(fmtEnd_, start + length);
        schedule();
    });
    connect(model_, &RichTextModel::boxChanged, this, [this] {
        boxDirty_ = true;
        schedule();
    });
    connect(model_, &RichTextModel::scrolled, this, [this] {
        if (userScroll_)
            return; // the view is already there
        scrollDirty_ = true;
        schedule();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &RichTextView::onUserScroll);
    refreshNow();
}

void RichTextView::schedule()
{
    if (pending_)
        return;
    pending_ = true;
    QMetaObject::invokeMethod(this, [this] { refresh(FillSliceMs); }, Qt::QueuedConnection);
}

void RichTextView::refreshNow()
{
    refresh(-1);
}

bool RichTextView::filled() const
{
    return !textDirty_ && filledLines_ >= model_->lineCount();
}

void RichTextView::refresh(qint64 budgetMs)
{
    pending_ = false;
    if (boxDirty_) {
        applyBox();
        boxDirty_ = false;
    }
    if (textDirty_) {
        textDirty_ = false;
        fmtStart_ = fmtEnd_ = -1;
        rebuild(budgetMs);
    } else {
        if (fmtStart_ >= 0) {
            applyFormats(fmtStart_, fmtEnd_);
            fmtStart_ = fmtEnd_ = -1;
        }
        if (filledLines_ < model_->lineCount())
            fill(budgetMs);
    }
    if (scrollDirty_ && applyScroll())
        scrollDirty_ = false;
    // The rest of a long text comes after the event loop has run.
    if (filledLines_ < model_->lineCount())
        schedule();
}

void RichTextView::applyBox()
{
    const rt::PackedColor back = model_->backColor();
    QPalette pal = palette();
    const QColor c = isSystemColor(back) ? QPalette().color(QPalette::Button) : rt::toQColor(back);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
    QFont f = document()->defaultFont();
    f.setFamily(model_->fontName());
    document()->setDefaultFont(f);
    setEnabled(model_->isEnabled());
    // Only a change of the model's flag shows or hides the view, so building
    // the view does not show it before its owner lays it out.
    if (model_->isVisible() != modelVisible_) {
        modelVisible_ = model_->isVisible();
        setVisible(modelVisible_);
    }
    reportVisibleLines();
}

void RichTextView::rebuild(qint64 budgetMs)
{
    // The scroll bar's signals stay on: the scroll area keeps its own copy of
    // the offset and moves the drawn pixels by the difference at the next
    // scroll. A value that changed unseen here would shift the old pixels by
    // the wrong amount, leaving stale lines until the next full repaint.
    // (The user-scroll handler ignores changes while the text is rebuilt.)
    document()->clear();
    filledLines_ = 0;
    fill(budgetMs);
    reportVisibleLines();
}

void RichTextView::fill(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    QTextDocument* doc = document();
    QTextCursor cur(doc);
    cur.movePosition(QTextCursor::End);
    cur.beginEditBlock();
    FormatCache formats;
    const int lines = model_->lineCount();
    const QString& text = model_->text();
    // Enough lines to cover the box before the clock is looked at.
    const int minimum = model_->firstVisibleLine() + std::max(model_->visibleLineCount(), 40);
    while (filledLines_ < lines) {
        const int line = filledLines_++;
        const int start = model_->lineStart(line);
        const int len = model_->lineLength(line);
        if (line > 0)
            cur.insertBlock(QTextBlockFormat(), formats.get(model_->formatAt(start)));
        else
            cur.setBlockCharFormat(formats.get(model_->formatAt(start)));
        model_->forEachRun(start, len, [&](int s, int n, const CharFormat& f) {
            cur.insertText(QStringView(text).mid(s, n).toString(), formats.get(f));
        });
        if (budgetMs >= 0 && filledLines_ >= minimum && (filledLines_ & 63) == 0 && clock.elapsed() >= budgetMs)
            break;
    }
    cur.endEditBlock();
}

int RichTextView::filledEnd() const
{
    return filledLines_ >= model_->lineCount() ? model_->length() : model_->lineStart(filledLines_);
}

int RichTextView::docPosition(int modelPos) const
{
    const int line = model_->lineFromChar(modelPos);
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid())
        return document()->characterCount() - 1;
    const int col = std::min(modelPos - model_->lineStart(line), model_->lineLength(line));
    return block.position() + col;
}

void RichTextView::applyFormats(int start, int end)
{
    // Lines not yet in the view take the model's formats when they come.
    end = std::min(end, filledEnd());
    if (end <= start)
        return;
    QTextCursor cur(document());
    cur.beginEditBlock();
    FormatCache formats;
    model_->forEachRun(start, end - start, [&](int s, int n, const CharFormat& f) {
        const int a = docPosition(s);
        const int b = docPosition(s + n);
        if (b <= a)
            return;
        cur.setPosition(a);
        cur.setPosition(b, QTextCursor::KeepAnchor);
        cur.setCharFormat(formats.get(f));
    });
    cur.endEditBlock();
}

bool RichTextView::applyScroll()
{
    const QTextBlock block = document()->findBlockByNumber(model_->firstVisibleLine());
    if (!block.isValid())
        return filledLines_ >= model_->lineCount(); // the line comes later, or never
    // The first line shows the top margin too.
    const qreal top = block.blockNumber() == 0 ? 0 : document()->documentLayout()->blockBoundingRect(block).top();
    settingScroll_ = true;
    verticalScrollBar()->setValue(int(top));
    settingScroll_ = false;
    return true;
}

void RichTextView::onUserScroll()
{
    if (settingScroll_ || textDirty_)
        return;
    const QTextCursor c = cursorForPosition(QPoint(0, 0));
    userScroll_ = true;
    model_->setFirstVisibleLine(c.blockNumber());
    userScroll_ = false;
}

void RichTextView::reportVisibleLines()
{
    QFont f = document()->defaultFont();
    const int size = model_->formatAt(0).size;
    if (size > 0)
        f.setPointSize(size);
    const int lineHeight = std::max(1, QFontMetrics(f).lineSpacing());
    model_->setVisibleLineCount(std::max(1, viewport()->height() / lineHeight));
}

void RichTextView::resizeEvent(QResizeEvent* e)
{
    QTextEdit::resizeEvent(e);
    reportVisibleLines();
}

void RichTextView::mousePressEvent(QMouseEvent* e)
{
    emit mousePressed(e->button(), e->modifiers(), e->position().toPoint());
    e->accept();
}

void RichTextView::mouseReleaseEvent(QMouseEvent* e)
{
    emit mouseReleased(e->button(), e->modifiers(), e->position().toPoint());
    e->accept();
}

void RichTextView::mouseDoubleClickEvent(QMouseEvent* e)
{
    // A double click is a second press for the box's handlers.
    emit mousePressed(e->button(), e->modifiers(), e->position().toPoint());
    e->accept();
}

void RichTextView::focusInEvent(QFocusEvent* e)
{
    QTextEdit::focusInEvent(e);
    emit focusReceived();
}

} // namespace melodune
