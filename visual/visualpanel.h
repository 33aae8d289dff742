#pragma once
// A panel that shows one ready-made frame: the visual effects draw into it
// and call update(); paintEvent copies it 1:1 at the frame's device pixel
// ratio (or scaled, for a panel whose frame is smaller than the panel).
// Without a frame it is black.
#include <QImage>
#include <QWidget>

namespace melodune {

class VisualPanel : public QWidget {
    Q_OBJECT
public:
    explicit VisualPanel(QWidget* parent = nullptr);

    // The frame the effects draw into, made w by h RGB32 when it is not.
    QImage& frame(int width, int height);
    const QImage& frame() const { return frame_; }
    bool hasFrame() const { return !frame_.isNull(); }
    // Takes a finished frame (shared, not copied) and repaints.
    void setFrame(QImage image);
    // Drops the frame: the panel is black again.
    void clearFrame();
    // Paint the frame stretched over the whole panel (smooth) instead of 1:1.
    void setScaledFrame(bool on) { scaled_ = on; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage frame_;
    bool scaled_ = false;
};

} // namespace melodune
