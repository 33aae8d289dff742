#include "visual/clsvisual.h"

#include "core/shared.h"
#include "platform/clock.h"
#include "visual/levelmeter.h"
#include "visual/visualpanel.h"
#include "platform/units.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace melodune {

namespace {

constexpr int W = VisualSurface::Width;
constexpr int H = VisualSurface::Height;

// T(i, j) = floor(i * j / 255).
struct MultiplyTable {
    std::array<std::array<uchar, 256>, 256> t{};
    MultiplyTable()
    {
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j)
                t[i][j] = static_cast<uchar>(i * j / 255);
    }
};
const MultiplyTable& multiplyTable()
{
    static const MultiplyTable m;
    return m;
}

struct Transition {
    int kind;
    float p1;
    float p2;
};
constexpr std::array<Transition, 26> kTransitions{{
    {0, 5, 3},      {0, 10, 2},     {1, 5, 2},      {2, 0.1f, 0},   {2, -0.1f, 0},  {2, 0.1f, 0.1f},
    {2, -0.1f, 0.1f}, {2, 0.1f, -0.1f}, {2, -0.1f, -0.1f}, {3, 0.1f, 0}, {4, 0.1f, 0.2f}, {4, 0.5f, 0.2f},
    {5, 0.1f, 0.2f}, {5, 0.5f, 0.2f}, {6, 3, 0.2f},   {6, 5, 0.1f},   {7, 0, 0.5f},   {1, 2, 1},
    {7, 1, 1},      {3, -0.1f, 0},  {7, -1, 1},     {8, 3, 0.25f},  {8, 2, 0.5f},   {8, 1, -0.5f},
    {9, 2, 0.25f},  {9, 2, 0.1f},
}};

// Held in single precision; a value beyond its range becomes infinite, so
// the coordinates that use it cannot be stored.
double single(double v)
{
    if (std::isnan(v) || std::fabs(v) > double(FLT_MAX))
        return v > 0 ? HUGE_VAL : (v < 0 ? -HUGE_VAL : v);
    return static_cast<double>(static_cast<float>(v));
}

// Stores the nearest 16-bit value, halves to even; a value that is not a
// number or lies outside the range leaves the old one.
void store16(std::int16_t& slot, double v)
{
    if (!std::isfinite(v))
        return;
    const double r = std::nearbyint(v);
    if (r < -32768.0 || r > 32767.0)
        return;
    slot = static_cast<std::int16_t>(r);
}

QPen cosmeticPen(rt::PackedColor c)
{
    QPen pen(rt::toQColor(c));
    pen.setWidth(0);
    pen.setCosmetic(true);
    return pen;
}

// The platform's text format bits: 1 centre, 4 vertical centre, 32 one line.
int qtTextFlags(int format)
{
    int f = Qt::TextSingleLine | Qt::TextDontClip;
    f |= (format & 1) ? Qt::AlignHCenter : Qt::AlignLeft;
    f |= (format & 4) ? Qt::AlignVCenter : Qt::AlignTop;
    return f;
}

bool blank(const QString& s) { return s.trimmed().isEmpty(); }

const QString kMarqueeTitle = QStringLiteral(" Melodune ");
const QString kMarqueeWelcome = QStringLiteral("欢迎使用 Melodune");

} // namespace

VisualSurface::VisualSurface() : image_(Width, Height, QImage::Format_BGR888)
{
    image_.fill(Qt::black);
}

clsVisual::clsVisual() : back_(static_cast<std::size_t>(surface_.bytesPerLine() * H), 0)
{
    multiplyTable();
    font_.setPixelSize(12);
}

void clsVisual::setFont(const QFont& font)
{
    font_ = font;
    // Text sizes are fixed in the surface's pixels, whatever the screen's DPI.
    const double pt = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
    font_.setPixelSize(std::max(1, int(std::lround(pt * 96.0 / 72.0))));
}

void clsVisual::BuildTrans(std::int32_t n)
{
    if (n < 0 || n >= static_cast<std::int32_t>(kTransitions.size()))
        return;
    const Transition& t = kTransitions[static_cast<std::size_t>(n)];
    BuildTransMap(t.kind, t.p1, t.p2);
}

void clsVisual::BuildTransMap(int kind, float p1f, float p2f)
{
    if (kind < 0 || kind > 9)
        return;
    const double p1 = p1f, p2 = p2f;
    for (int xi = 0; xi < W; ++xi) {
        for (int yi = 0; yi < H; ++yi) {
            const double x = xi, y = yi;
            const double r = std::sqrt((50 - x) * (50 - x) + (37.5 - y) * (37.5 - y));
            double sx = 0, sy = 0;
            switch (kind) {
            case 0:
                sx = x + p2 * std::sin(y / p1);
                sy = y + p2 * std::sin(x / p1);
                break;
            case 1:
                sx = x + p2 * std::sin(x / p1);
                sy = y + p2 * std::sin(y / p1);
                break;
            case 2:
                sx = x + p1 * (50 - x) - p2 * (37.5 - y);
                sy = y + p1 * (37.5 - y) + p2 * (50 - x);
                break;
            case 3:
                sx = x + p1 * (37.5 - y);
                sy = y + p1 * (50 - x);
                break;
            case 4: {
                const double a = single(p2 * std::sin(p1 * r));
                sx = 50 + (x - 50) * std::cos(a) - (y - 37.5) * std::sin(a);
                sy = 37.5 + (x - 50) * std::sin(a) + (y - 37.5) * std::cos(a);
                break;
            }
            case 5: {
                const double k = single(p2 * std::tan(p1 * r));
                sx = x + k * (50 - x);
                sy = y + k * (37.5 - y);
                break;
            }
            case 6: {
                const double k = single(p2 * std::cos(2 * p1 * std::atan((50 - x) / (37.5 - y))));
                sx = x + k * (50 - x);
                sy = y + k * (37.5 - y);
                break;
            }
            case 7:
                sx = x + 2 * std::sin(p2 * y);
                sy = y + p1;
                break;
            case 8:
                sx = x + p1 * std::sin(p2 * (50 - x)) * std::cos(p2 * (37.5 - y));
                sy = y + p1 * std::cos(p2 * (50 - x)) * std::sin(p2 * (37.5 - y));
                break;
            case 9:
                sx = x + p1 * std::sin(p2 * (50 - x)) * std::sin(p2 * (37.5 - y));
                sy = y + p1 * std::cos(p2 * (50 - x)) * std::cos(p2 * (37.5 - y));
                break;
            }
            auto& slot = map_[index(xi, yi)];
            store16(slot.first, sx);
            store16(slot.second, sy);
        }
    }
}

void clsVisual::ApplyTrans()
{
    const auto& T = multiplyTable().t;
    const auto& t108 = T[108];
    const auto& t36 = T[36];
    const auto& t192 = T[192];
    const int bpl = surface_.bytesPerLine();
    const VisualSurface& s = surface_;
    std::array<const uchar*, H> rows{};
    for (int v = 0; v < H; ++v)
        rows[v] = s.row(v);
    for (int y = 0; y < H; ++y) {
        // The back buffer keeps the image's own line order.
        uchar* out = back_.data() + static_cast<std::size_t>((H - 1 - y) * bpl);
        for (int x = 0; x < W; ++x, out += 3) {
            const auto [sx, sy] = map_[index(x, y)];
            if (sx >= 1 && sx <= W - 2 && sy >= 1 && sy <= H - 2) {
                const uchar* c = rows[sy] + 3 * sx;
                const uchar* up = rows[sy + 1] + 3 * sx;
                const uchar* down = rows[sy - 1] + 3 * sx;
                for (int k = 0; k < 3; ++k)
                    out[k] = static_cast<uchar>(t108[c[k]] + t36[c[k + 3]] + t36[c[k - 3]] + t36[down[k]] +
                                                t36[up[k]]);
            } else if (sx >= 0 && sx <= W - 1 && sy >= 0 && sy <= H - 1) {
                const uchar* c = rows[sy] + 3 * sx;
                for (int k = 0; k < 3; ++k)
                    out[k] = t192[c[k]];
            } else {
                const uchar* c = rows[y] + 3 * x;
                for (int k = 0; k < 3; ++k)
                    out[k] = t192[c[k]];
            }
        }
    }
    std::memcpy(surface_.image().bits(), back_.data(), back_.size());
}

void clsVisual::Calc()
{
    ApplyTrans();
    if (DrawStyle < 0 || DrawStyle > 5)
        return;
    QPainter p(&surface_.image());
    p.setRenderHint(QPainter::Antialiasing, false);
    drawStyle(p);
}

void clsVisual::SetPointCount(int n)
{
    if (static_cast<int>(points_.size()) != n)
        points_.assign(static_cast<std::size_t>(n), QPoint());
}

void clsVisual::rotateInto(int i, float x, float y, std::int32_t angle)
{
    double px, py;
    if (angle == 0) {
        px = x + 50.0;
        py = y + 37.5;
    } else {
        const auto& sine = shared().SineTable;
        const double c = sine[static_cast<std::size_t>((angle + 128) & 511)];
        const double s = sine[static_cast<std::size_t>(angle & 511)];
        px = x * c - y * s + 50.0;
        py = x * s + y * c + 37.5;
    }
    points_[static_cast<std::size_t>(i)] = QPoint(roundHalfEven32(px), roundHalfEven32(py));
}

void clsVisual::DrawWaveLine(QPainter& p, float offset, float scale, std::int32_t angle)
{
    const auto& wave = shared().WaveData;
    SetPointCount(34);
    for (int i = 0; i <= 33; ++i) {
        const float x = static_cast<float>(i * 4 - 66);
        const float y = static_cast<float>(wave[static_cast<std::size_t>(i * 31)]) * scale + offset;
        rotateInto(i, x, y, angle);
    }
    p.drawPolyline(points_.data(), static_cast<int>(points_.size()));
}

void clsVisual::DrawWaveCircle(QPainter& p, float cx, float cy, float radius, float scale, std::int32_t angle)
{
    const auto& wave = shared().WaveData;
    SetPointCount(34);
    for (int i = 0; i <= 33; ++i) {
        const float r = static_cast<float>(wave[static_cast<std::size_t>(i * 31)]) * scale + radius;
        const double g = i * 6.28 / 34;
        rotateInto(i, static_cast<float>(r * std::sin(g) + cx), static_cast<float>(r * std::cos(g) + cy), angle);
    }
    p.drawPolygon(points_.data(), static_cast<int>(points_.size()));
}

void clsVisual::drawStyle(QPainter& p)
{
    const auto& level = shared().LevelData;
    rt::Clock& clk = rt::clock();
    auto now = [&clk] { return clk.tickMs(); };
    switch (DrawStyle) {
    case 0: // bubbles
        p.setBrush(Qt::NoBrush);
        for (int n = 0; n < 10; ++n) {
            const int idx = static_cast<int>(clk.uniform01() * 512);
            const float l = level[static_cast<std::size_t>(idx)];
            if (!(l > 0.05f))
                continue;
            const double r1 = clk.uniform01();
            const double r2 = clk.uniform01();
            const int red = std::min(255, roundHalfEven32(l * 100 + r1 * 100));
            const int green = std::min(255, idx * 2);
            const int blue = std::min(255, roundHalfEven32(r2 * 100 + idx / 2));
            p.setPen(cosmeticPen(rt::rgb(red, green, blue)));
            const float r = l * 25 + static_cast<float>(idx / 5);
            const int left = roundHalfEven32(50 - 2 * r), top = roundHalfEven32(37 - r);
            const int right = roundHalfEven32(50 + 2 * r), bottom = roundHalfEven32(37 + r);
            // The box's right and bottom edges lie outside the ellipse.
            p.drawEllipse(QRectF(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1));
        }
        break;
    case 1: // two wave lines
        p.setPen(cosmeticPen(cycleColor(now(), 0)));
        DrawWaveLine(p, 10, 0.0005f, tickAngle(now()));
        DrawWaveLine(p, 10, 0.0005f, tickAngle(now()) + 256);
        break;
    case 2: // numbers
        for (int n = 0; n < 10; ++n) {
            const int idx = static_cast<int>(clk.uniform01() * 512);
            const float l = level[static_cast<std::size_t>(idx)];
            if (!(l > 0.05f))
                continue;
            const double r1 = clk.uniform01();
            const double r2 = clk.uniform01();
            drawText(p, QString::number(double(l), 'g', 7), roundHalfEven32(r1 * 125 - 25),
                     roundHalfEven32(r2 * 95 - 10), 25, 20, 37, cycleColor(now(), 0), 0, true);
        }
        break;
    case 3: // wave circle
        p.setPen(cosmeticPen(cycleColor(now(), 0)));
        p.setBrush(Qt::NoBrush);
        DrawWaveCircle(p, 0, 0, level[0] * 50 + 5, 0.0002f, 0);
        break;
    case 4: // crossing lines
        p.setPen(cosmeticPen(cycleColor(now(), 0)));
        DrawWaveLine(p, 0, 0.0005f, tickAngle(now()));
        DrawWaveLine(p, 0, 0.0005f, tickAngle(now()) + 128);
        break;
    case 5: { // three circles
        p.setBrush(Qt::NoBrush);
        const std::pair<rt::PackedColor, int> circles[] = {
            {rt::rgb(255, 0, 0), 0}, {rt::rgb(0, 255, 0), 171}, {rt::rgb(0, 0, 255), 341}};
        for (const auto& [color, extra] : circles) {
            p.setPen(cosmeticPen(color));
            DrawWaveCircle(p, 20, 0, 15, 0.0002f, tickAngle(now()) + extra);
        }
        break;
    }
    default:
        break;
    }
}

int clsVisual::drawText(QPainter& p, const QString& text, int x, int y, int boxWidth, int boxHeight, int format,
                        rt::PackedColor color, rt::PackedColor second, bool outline)
{
    p.setFont(font_);
    const QRect box(x, y, boxWidth, boxHeight);
    const int flags = qtTextFlags(format);
    if (outline) {
        p.setPen(rt::toQColor(second));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy)
                    p.drawText(box.translated(dx, dy), flags, text);
    }
    p.setPen(rt::toQColor(color));
    p.drawText(box, flags, text);
    return p.fontMetrics().horizontalAdvance(text);
}

void clsVisual::CalcLrc(QString& StrLrc0, QString& StrLrc1, QString& StrLrc2, MarqueeParams& m)
{
    ApplyTrans();
    if (blank(StrLrc0))
        StrLrc0 = kMarqueeTitle;
    if (blank(StrLrc2))
        StrLrc2 = footer_;
    if (m.x < -m.width) {
        // The line has left the surface: it becomes the title.
        StrLrc0 = StrLrc1;
        StrLrc1.clear();
        m.x = 100;
    }
    m.x -= m.step;

    QPainter p(&surface_.image());
    p.setRenderHint(QPainter::Antialiasing, false);
    const std::int64_t now = rt::clock().tickMs();
    drawText(p, StrLrc0, 2, 2, 100, 30, 32, cycleColor(now, 0), 0, true);
    // A line wider than its box widens it, so it leaves only when its tail has.
    if (blank(StrLrc1))
        m.width = std::max(m.width, drawText(p, kMarqueeWelcome, m.x, 32, 200, 30, 32, cycleColor(now, 0), 0, false));
    else
        m.width = std::max(m.width, drawText(p, StrLrc1, m.x, 32, m.width, 30, 32, cycleColorInverse(now, 0), 0, false));
    drawText(p, StrLrc2, 2, 61, 100, 30, 32, cycleColor(now, 0), 0, true);
}

QImage clsVisual::rgbFrame() const
{
    return surface_.image().convertToFormat(QImage::Format_RGB32);
}

void clsVisual::paintScaled(VisualPanel& panel, int width, int height, qreal ratio) const
{
    QImage scaled = rgbFrame().scaled(rt::devicePixels(width, ratio), rt::devicePixels(height, ratio),
                                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.format() != QImage::Format_RGB32)
        scaled = std::move(scaled).convertToFormat(QImage::Format_RGB32);
    scaled.setDevicePixelRatio(ratio);
    panel.setScaledFrame(false);
    panel.setFrame(std::move(scaled));
}

// The visualisation stays a pixel effect: resampled in logical pixels.
void clsVisual::PaintPicture(VisualPanel& panel) const { paintScaled(panel, 288, 216, 1.0); }

// The marquee carries text: resampled straight to the screen's pixels.
void clsVisual::PaintPictureLrc(VisualPanel& panel) const
{
    paintScaled(panel, 334, 240, panel.devicePixelRatioF());
}

void clsVisual::PaintPictureLrc2(VisualPanel& panel) const
{
    panel.setScaledFrame(true);
    panel.setFrame(rgbFrame());
}

rt::PackedColor clsVisual::cycleColor(std::int64_t tickMs, std::int32_t offset)
{
    // A non-negative remainder: a tick count past 2^31 keeps the cycle.
    const std::int64_t t = ((tickMs + offset) % 6000 + 6000) % 6000;
    const double hue = t / 1000.0 - 1.0;
    const QColor c = QColor::fromHslF(float(std::fmod(hue + 6.0, 6.0) / 6.0), 1.0f, 0.5f);
    return rt::rgb(c.red(), c.green(), c.blue());
}

rt::PackedColor clsVisual::cycleColorInverse(std::int64_t tickMs, std::int32_t offset)
{
    const rt::PackedColor c = cycleColor(tickMs, offset);
    return rt::rgb(255 - rt::redOf(c), 255 - rt::greenOf(c), 255 - rt::blueOf(c));
}

std::int32_t clsVisual::tickAngle(std::int64_t tickMs)
{
    return static_cast<std::int32_t>(((tickMs / 13) % 512 + 512) % 512);
}

} // namespace melodune
