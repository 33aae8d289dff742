#include "lyrics/richtextview.h"

#include "lyrics/richtext.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QAbstractTextDocumentLayout>
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
    QMetaObject::invokeMethod(this, &RichTextView::refreshNow, Qt::QueuedConnection);
}

void RichTextView::refreshNow()
{
    pending_ = false;
    if (boxDirty_) {
        applyBox();
        boxDirty_ = false;
    }
    if (textDirty_) {
        rebuild();
        textDirty_ = false;
        fmtStart_ = fmtEnd_ = -1;
    } else if (fmtStart_ >= 0) {
        applyFormats(fmtStart_, fmtEnd_);
        fmtStart_ = fmtEnd_ = -1;
    }
    if (scrollDirty_) {
        applyScroll();
        scrollDirty_ = false;
    }
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

void RichTextView::rebuild()
{
    QTextDocument* doc = document();
    // The scroll bar's signals stay on: the scroll area keeps its own copy of
    // the offset and moves the drawn pixels by the difference at the next
    // scroll. A value that changed unseen here would shift the old pixels by
    // the wrong amount, leaving stale lines until the next full repaint.
    // (The user-scroll handler ignores changes while the text is rebuilt.)
    doc->clear();
    QTextCursor cur(doc);
    cur.beginEditBlock();
    const int lines = model_->lineCount();
    for (int line = 0; line < lines; ++line) {
        const int start = model_->lineStart(line);
        const int len = model_->lineLength(line);
        if (line > 0)
            cur.insertBlock(QTextBlockFormat(), toQt(model_->formatAt(start)));
        else
            cur.setBlockCharFormat(toQt(model_->formatAt(start)));
        model_->forEachRun(start, len, [&](int s, int n, const CharFormat& f) {
            cur.insertText(model_->text().mid(s, n), toQt(f));
        });
    }
    cur.endEditBlock();
    reportVisibleLines();
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
    QTextCursor cur(document());
    cur.beginEditBlock();
    model_->forEachRun(start, end - start, [&](int s, int n, const CharFormat& f) {
        const int a = docPosition(s);
        const int b = docPosition(s + n);
        if (b <= a)
            return;
        cur.setPosition(a);
        cur.setPosition(b, QTextCursor::KeepAnchor);
        cur.setCharFormat(toQt(f));
    });
    cur.endEditBlock();
}

void RichTextView::applyScroll()
{
    const QTextBlock block = document()->findBlockByNumber(model_->firstVisibleLine());
    if (!block.isValid())
        return;
    // The first line shows the top margin too.
    const qreal top = block.blockNumber() == 0 ? 0 : document()->documentLayout()->blockBoundingRect(block).top();
    settingScroll_ = true;
    verticalScrollBar()->setValue(int(top));
    settingScroll_ = false;
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
