#pragma once
// The visualiser behind effects 4 to 9 and the lyric marquee: a 100 by 75
// 24-bit surface that every frame is warped and faded through a transition
// map, then drawn over in one of six styles (or with the marquee texts), and
// finally scaled onto a panel.
//
// The picture's memory rows count bottom-up (memory row 0 is the bottom line
// of the picture); the map and the warp work in memory rows, the drawing in
// picture coordinates (y downwards).
#include "lyrics/lyrictick.h"
#include "platform/units.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

class QPainter;

namespace melodune {

class VisualPanel;

// The 24-bit picture: B, G, R bytes per pixel, 300 bytes a line, black
// when new.
class VisualSurface {
public:
    static constexpr int Width = 100;
    static constexpr int Height = 75;
    VisualSurface();

    int bytesPerLine() const { return image_.bytesPerLine(); }
    // Memory row v (0 = the bottom line of the picture).
    uchar* row(int v) { return image_.scanLine(Height - 1 - v); }
    const uchar* row(int v) const { return image_.constScanLine(Height - 1 - v); }
    QImage& image() { return image_; }
    const QImage& image() const { return image_; }

private:
    QImage image_;
};

class clsVisual {
public:
    clsVisual();

    // Fills the transition map with transition n (0..25); any other n
    // leaves it as it is.
    void BuildTrans(std::int32_t n);
    std::int32_t TransCount() const { return 26; }
    std::int32_t StyleCount() const { return 6; }
    // The draw style of Calc (0..5); stored unchecked, others draw nothing.
    std::int32_t DrawStyle = 0;

    // One frame: warp and fade, then the draw style over WaveData and
    // LevelData of the shared state.
    void Calc();
    // The surface scaled smooth to 288 by 216, handed to the panel.
    void PaintPicture(VisualPanel& panel) const;

    // One marquee frame: the title, the line moving left by the marquee's
    // step, the footer. The texts and the marquee change as the frame
    // moves on (the line that has left becomes the title).
    void CalcLrc(QString& StrLrc0, QString& StrLrc1, QString& StrLrc2, MarqueeParams& marquee);
    void CalcLrc2(QString& StrLrc0, QString& StrLrc1, QString& StrLrc2, MarqueeParams& marquee)
    {
        CalcLrc(StrLrc0, StrLrc1, StrLrc2, marquee);
    }
    // The surface scaled to 334 by 240 for the lyric panel, at the panel's
    // device pixel ratio.
    void PaintPictureLrc(VisualPanel& panel) const;
    // The surface as it is, for a panel that scales it while it paints
    // (a whole-screen resample here would cost far more).
    void PaintPictureLrc2(VisualPanel& panel) const;

    // The texts' font (taken at a fixed pixel size) and the footer shown
    // when the next line is blank.
    void setFont(const QFont& font);
    void setFooter(const QString& footer) { footer_ = footer; }

    // Colour of the 6-second hue cycle at a tick count, and its complement.
    static rt::PackedColor cycleColor(std::int64_t tickMs, std::int32_t offset);
    static rt::PackedColor cycleColorInverse(std::int64_t tickMs, std::int32_t offset);
    // The rotation angle step of the draw styles (512 a turn).
    static std::int32_t tickAngle(std::int64_t tickMs);

    // For tests: memory rows, the map and the last wave drawing's points.
    uchar* Row(int v) { return surface_.row(v); }
    const uchar* Row(int v) const { return surface_.row(v); }
    std::pair<std::int16_t, std::int16_t> transAt(int x, int y) const { return map_[index(x, y)]; }
    void setTransAt(int x, int y, std::int16_t sx, std::int16_t sy) { map_[index(x, y)] = {sx, sy}; }
    const std::vector<QPoint>& points() const { return points_; }
    VisualSurface& surface() { return surface_; }
    // The surface as RGB32, unscaled.
    QImage rgbFrame() const;

private:
    static int index(int x, int y) { return x * VisualSurface::Height + y; }
    void BuildTransMap(int kind, float p1, float p2);
    void ApplyTrans();
    void drawStyle(QPainter& p);
    void SetPointCount(int n);
    void DrawWaveLine(QPainter& p, float offset, float scale, std::int32_t angle);
    void DrawWaveCircle(QPainter& p, float cx, float cy, float radius, float scale, std::int32_t angle);
    void rotateInto(int i, float x, float y, std::int32_t angle);
    // Text in the box at (x, y); returns the drawn width in pixels.
    int drawText(QPainter& p, const QString& text, int x, int y, int boxWidth, int boxHeight, int format,
                 rt::PackedColor color, rt::PackedColor second, bool outline);
    // Resampled to width x height logical pixels at the given device pixel ratio.
    void paintScaled(VisualPanel& panel, int width, int height, qreal ratio) const;

    VisualSurface surface_;
    std::vector<uchar> back_;
    std::array<std::pair<std::int16_t, std::int16_t>, VisualSurface::Width * VisualSurface::Height> map_{};
    std::vector<QPoint> points_;
    QFont font_;
    QString footer_;
};

} // namespace melodune
