#pragma once
// The balloon tooltip of the button (tooltip type 1): a rounded box whose
// stem points at the pointer, an optional bold title led by a message icon,
// and the text exactly as typed, in colours of its own.
#include <QColor>
#include <QPolygon>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace melodune {

// What one balloon shows; fixed when it is built.
struct BalloonContent {
    QString text;
    QString title;
    int icon = 0; // 1 information, 2 warning, 3 error; anything else none
    QColor back;  // box; the border is drawn in the text colour
    QColor fore;
};

// Where a balloon goes. The stem's tip sits on the pointer; the box lies
// below it when it fits the available area, else above, and is shifted
// sideways to stay inside.
struct BalloonGeometry {
    QRect window; // global
    QRect box;    // in window coordinates
    QPoint tip;   // the stem's tip pixel, in window coordinates
    bool below = true;
};

constexpr int BalloonStemHeight = 12;
constexpr int BalloonStemWidth = 14;
constexpr int BalloonRadius = 6;

BalloonGeometry placeBalloon(QSize boxSize, QPoint pointer, const QRect& available);
// The outline of the box joined with its stem, in window coordinates, and the
// pixels it encloses (the window's shape).
QPolygon balloonOutline(const BalloonGeometry& g);
QRegion balloonRegion(const BalloonGeometry& g);

class BalloonTip : public QWidget {
    Q_OBJECT
public:
    BalloonTip(const BalloonContent& content, QWidget* owner);
    // Shows it without taking the focus, the stem at `pointer` (global), for
    // as long as a plain tooltip of the same text would stay.
    void showAt(QPoint pointer);
    const BalloonGeometry& geometryUsed() const { return geometry_; }
    const BalloonContent& content() const { return content_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QSize boxSize() const;

    BalloonContent content_;
    BalloonGeometry geometry_;
    QRegion shape_;
    QTimer expire_;
};

} // namespace melodune
