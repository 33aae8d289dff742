#pragma once
// The level meter strip: a lit scale, bright at the centre's edge and hot at
// the ends, under two dark covers that slide outwards with the level, and two
// light peak markers. The strip paints its four parts itself, so a tick that
// moves them repaints only the columns a part left or reached; moving child
// widgets instead made the window work out its opaque regions again 20
// times a second.
#include <QPixmap>
#include <QWidget>
#include <array>

namespace melodune {

// Columns [from, to) of a strip.
struct ColumnSpan {
    int from = 0;
    int to = 0;
    bool isEmpty() const { return to <= from; }
};

// The columns whose pixels change when a part `width` wide moves from
// `oldX` to `newX`: the one it uncovers and the one it newly covers (both
// empty when it stays, one span when the two touch or overlap).
std::array<ColumnSpan, 2> changedColumns(int oldX, int newX, int width);

class MeterStrip : public QWidget {
    Q_OBJECT
public:
    // 0 the left cover, 1 the right cover, 2 and 3 the peak markers; later
    // parts lie over earlier ones.
    static constexpr int PartCount = 4;

    explicit MeterStrip(QWidget* parent = nullptr);

    // Places part `i` at `x` (pixels from the strip's left edge), `width`
    // wide, over the strip's whole height.
    void setPart(int i, int x, int width);
    int partX(int i) const { return parts_[static_cast<std::size_t>(i)].x; }
    int partWidth(int i) const { return parts_[static_cast<std::size_t>(i)].width; }
    // Moves part `i`; repaints only the columns that change.
    void movePart(int i, int x);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    struct Part {
        int x = 0;
        int width = 0;
    };
    void updateColumns(ColumnSpan span);

    std::array<Part, PartCount> parts_{};
    QPixmap scale_; // the lit scale at the strip's size
};

} // namespace melodune
