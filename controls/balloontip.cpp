#include "controls/balloontip.h"

#include "controls/buttonregion.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace melodune {

namespace {

constexpr int MarginX = 8, MarginY = 6, TitleGap = 4, IconSide = 16, IconGap = 5;

QStyle::StandardPixmap iconPixmap(int icon)
{
    switch (icon) {
    case 1: return QStyle::SP_MessageBoxInformation;
    case 2: return QStyle::SP_MessageBoxWarning;
    default: return QStyle::SP_MessageBoxCritical;
    }
}

bool validIcon(int icon) { return icon >= 1 && icon <= 3; }

bool hasTitleLine(const BalloonContent& c) { return !c.title.isEmpty() || validIcon(c.icon); }

QFont titleFont(const QFont& f)
{
    QFont bold = f;
    bold.setBold(true);
    return bold;
}

} // namespace

BalloonGeometry placeBalloon(QSize boxSize, QPoint pointer, const QRect& available)
{
    BalloonGeometry g;
    const int bw = boxSize.width(), bh = boxSize.height();
    const int wh = bh + BalloonStemHeight;
    g.below = pointer.y() + wh - 1 <= available.bottom() || pointer.y() - wh + 1 < available.top();
    int left = pointer.x() - BalloonRadius - 4;
    left = std::max(available.left(), std::min(left, available.right() - bw + 1));
    const int top = g.below ? pointer.y() : pointer.y() - wh + 1;
    g.window = QRect(left, top, bw, wh);
    g.box = g.below ? QRect(0, BalloonStemHeight, bw, bh) : QRect(0, 0, bw, bh);
    g.tip = QPoint(std::clamp(pointer.x() - left, 0, bw - 1), g.below ? 0 : wh - 1);
    return g;
}

QPolygon balloonOutline(const BalloonGeometry& g)
{
    // Vertices lie on pixel corners: the box spans [0, w] x [top, bottom].
    const int w = g.box.width(), top = g.box.top(), bottom = g.box.top() + g.box.height();
    const int r = BalloonRadius;
    const int tipX = std::clamp(g.tip.x(), 0, std::max(0, w - 1));
    // The stem's base on the box edge: its upright side runs through the tip
    // pixel, the stem leaning right of it where there is room, else left.
    const int lo = r, hi = std::max(r, w - r - BalloonStemWidth);
    const bool leansRight = tipX <= hi;
    const int base = std::clamp(leansRight ? tipX : tipX + 1 - BalloonStemWidth, lo, hi);
    const int apexX = leansRight ? tipX : tipX + 1;

    QPolygon poly;
    auto arc = [&](QPoint centre, int fromDeg, int toDeg) {
        for (int i = 0; i <= 4; ++i) {
            const double a = (fromDeg + (toDeg - fromDeg) * i / 4.0) * M_PI / 180.0;
            poly << centre + QPoint(int(std::lround(r * std::cos(a))), int(std::lround(-r * std::sin(a))));
        }
    };
    // Clockwise from the top-left corner. The apex above the box sits one row
    // beyond the window so that the tip row itself keeps a pixel.
    arc(QPoint(r, top + r), 180, 90);
    if (g.below)
        poly << QPoint(base, top) << QPoint(apexX, -1) << QPoint(base + BalloonStemWidth, top);
    arc(QPoint(w - r, top + r), 90, 0);
    arc(QPoint(w - r, bottom - r), 0, -90);
    if (!g.below)
        poly << QPoint(base + BalloonStemWidth, bottom) << QPoint(apexX, bottom + BalloonStemHeight)
             << QPoint(base, bottom);
    arc(QPoint(r, bottom - r), -90, -180);
    return poly;
}

QRegion balloonRegion(const BalloonGeometry& g)
{
    const QPolygon poly = balloonOutline(g);
    return polygonRegion(std::vector<QPoint>(poly.begin(), poly.end())) &
           QRegion(0, 0, g.window.width(), g.window.height());
}

BalloonTip::BalloonTip(const BalloonContent& content, QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), content_(content)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground); // where masks do not shape windows
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QToolTip::font());
    expire_.setSingleShot(true);
    connect(&expire_, &QTimer::timeout, this, &QWidget::hide);
}

QSize BalloonTip::boxSize() const
{
    const QFontMetrics fm(font());
    const QStringList lines = content_.text.split(QLatin1Char('\n'));
    int w = 0;
    for (const QString& line : lines)
        w = std::max(w, fm.horizontalAdvance(line));
    int h = fm.lineSpacing() * int(lines.size());
    if (hasTitleLine(content_)) {
        const QFontMetrics bold(titleFont(font()));
        int tw = bold.horizontalAdvance(content_.title);
        if (validIcon(content_.icon))
            tw += IconSide + (content_.title.isEmpty() ? 0 : IconGap);
        w = std::max(w, tw);
        h += std::max(IconSide, bold.height()) + TitleGap;
    }
    return QSize(std::max(w + 2 * MarginX, 2 * BalloonRadius + BalloonStemWidth + 4), h + 2 * MarginY);
}

void BalloonTip::showAt(QPoint pointer)
{
    QScreen* screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(pointer - QPoint(2000, 2000), QSize(4000, 4000));
    geometry_ = placeBalloon(boxSize(), pointer, available);
    shape_ = balloonRegion(geometry_);
    setGeometry(geometry_.window);
    setMask(shape_);
    show();
    raise();
    expire_.start(10000 + 40 * std::max(0, int(content_.text.size()) - 100));
}

void BalloonTip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    // Border: the shape's own edge pixels, so it is closed whatever the size.
    const QRegion inner = shape_ & shape_.translated(1, 0) & shape_.translated(-1, 0) & shape_.translated(0, 1) &
                          shape_.translated(0, -1);
    for (const QRect& r : shape_ - inner)
        p.fillRect(r, content_.fore);
    for (const QRect& r : inner)
        p.fillRect(r, content_.back);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    const QRect box = geometry_.box;
    int y = box.top() + MarginY;
    const int x = box.left() + MarginX;
    p.setPen(content_.fore);
    if (hasTitleLine(content_)) {
        const QFont bold = titleFont(font());
        const int lineH = std::max(IconSide, QFontMetrics(bold).height());
        int tx = x;
        if (validIcon(content_.icon)) {
            const QIcon icon = style()->standardIcon(iconPixmap(content_.icon), nullptr, this);
            p.drawPixmap(QRect(tx, y + (lineH - IconSide) / 2, IconSide, IconSide),
                         icon.pixmap(QSize(IconSide, IconSide), devicePixelRatioF()));
            tx += IconSide + IconGap;
        }
        p.setFont(bold);
        p.drawText(QRect(tx, y, box.right() - tx, lineH), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   content_.title);
        y += lineH + TitleGap;
    }
    p.setFont(font());
    const QFontMetrics fm(font());
    for (const QString& line : content_.text.split(QLatin1Char('\n'))) {
        // Plain text: '&' and '<' appear as typed.
        p.drawText(x, y + fm.ascent(), line);
        y += fm.lineSpacing();
    }
}

} // namespace melodune
