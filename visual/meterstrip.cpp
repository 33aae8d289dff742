#include "visual/meterstrip.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace melodune {

namespace {

const QColor kCover(0x0b, 0x0f, 0x18);
const QColor kMarker(0xe8, 0xf0, 0xff);

} // namespace

std::array<ColumnSpan, 2> changedColumns(int oldX, int newX, int width)
{
    if (oldX == newX || width <= 0)
        return {};
    const int lo = std::min(oldX, newX);
    const int hi = std::max(oldX, newX);
    // The part left [lo, hi) at one end and reached [lo + width, hi + width)
    // at the other; when the move is at least its width, the two are its
    // old and new places.
    if (hi - lo >= width)
        return {ColumnSpan{oldX, oldX + width}, ColumnSpan{newX, newX + width}};
    return {ColumnSpan{lo, hi}, ColumnSpan{lo + width, hi + width}};
}

MeterStrip::MeterStrip(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted here: nothing beneath needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MeterStrip::setPart(int i, int x, int width)
{
    parts_[static_cast<std::size_t>(i)] = Part{x, width};
    update();
}

void MeterStrip::movePart(int i, int x)
{
    Part& p = parts_[static_cast<std::size_t>(i)];
    if (p.x == x)
        return;
    for (const ColumnSpan& span : changedColumns(p.x, x, p.width))
        updateColumns(span);
    p.x = x;
}

void MeterStrip::updateColumns(ColumnSpan span)
{
    span.from = std::max(span.from, 0);
    span.to = std::min(span.to, width());
    if (!span.isEmpty())
        update(span.from, 0, span.to - span.from, height());
}

void MeterStrip::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    scale_ = QPixmap();
}

void MeterStrip::paintEvent(QPaintEvent* e)
{
    if (scale_.size() != size() && !size().isEmpty()) {
        scale_ = QPixmap(size());
        QPainter sp(&scale_);
        QLinearGradient g(0, 0, width(), 0);
        g.setStops({{0.0, QColor(0xff, 0x30, 0x30)},
                    {0.2, QColor(0xff, 0xd0, 0x40)},
                    {0.5, QColor(0x40, 0xe0, 0x70)},
                    {0.8, QColor(0xff, 0xd0, 0x40)},
                    {1.0, QColor(0xff, 0x30, 0x30)}});
        sp.fillRect(rect(), g);
    }
    QPainter p(this);
    const QRect dirty = e->rect();
    p.drawPixmap(dirty, scale_, dirty);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        const QRect r = QRect(parts_[i].x, 0, parts_[i].width, height()) & dirty;
        if (!r.isEmpty())
            p.fillRect(r, i < 2 ? kCover : kMarker);
    }
}

} // namespace melodune
