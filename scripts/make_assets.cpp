// Draws the program's own pictures: the built-in skin, the default song
// picture, the lyric backgrounds, the program's icon and the icons of the res
// folder. Run once by hand when a picture changes, and commit the outputs:
//
//   g++ -std=c++20 -fPIC -O1 scripts/make_assets.cpp -o /tmp/make_assets
//       $(pkg-config --cflags --libs Qt6Gui)      (one command line)
//   QT_QPA_PLATFORM=offscreen /tmp/make_assets /path/to/repo
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

bool save(const QImage& img, const QString& path, const char* format)
{
    QImageWriter w(path, format);
    if (!w.write(img)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(w.errorString()));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

// A quaver: two filled note heads joined by a beam.
void drawNotes(QPainter& p, QPointF origin, double scale, const QColor& colour)
{
    p.save();
    p.translate(origin);
    p.scale(scale, scale);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    auto head = [&p](double x, double y) {
        p.save();
        p.translate(x, y);
        p.rotate(-20);
        p.drawEllipse(QRectF(-9, -6, 18, 12));
        p.restore();
    };
    head(0, 60);
    head(40, 50);
    p.drawRect(QRectF(7, 0, 3.5, 60));
    p.drawRect(QRectF(47, -10, 3.5, 60));
    QPainterPath beam;
    beam.moveTo(7, 0);
    beam.lineTo(50.5, -10);
    beam.lineTo(50.5, 0);
    beam.lineTo(7, 10);
    beam.closeSubpath();
    p.drawPath(beam);
    p.restore();
}

void inset(QPainter& p, const QRectF& r, const QColor& fill)
{
    p.setPen(QPen(QColor(20, 28, 40), 1));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(-0.5, -0.5, 0.5, 0.5), 3, 3);
    p.setPen(QPen(QColor(120, 140, 170, 120), 1));
    p.drawLine(r.bottomLeft() + QPointF(1, 1.5), r.bottomRight() + QPointF(0, 1.5));
}

// The face of the main window. Everything outside the rounded outline stays
// pure white, which the window cuts away.
QImage skin()
{
    const int w = 688, h = 470;
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // A hard edge: a blended rim would leave a pale fringe around the window.
    const QRectF outline(0.5, 0.5, w - 1, h - 1);
    QLinearGradient body(0, 0, 0, h);
    body.setColorAt(0, QColor(58, 74, 102));
    body.setColorAt(0.08, QColor(44, 58, 84));
    body.setColorAt(1, QColor(26, 34, 52));
    p.setPen(QPen(QColor(16, 22, 34), 1));
    p.setBrush(body);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawRoundedRect(outline, 18, 18);
    p.setRenderHint(QPainter::Antialiasing);

    // Title strip.
    QLinearGradient title(0, 0, 0, 28);
    title.setColorAt(0, QColor(92, 116, 156));
    title.setColorAt(1, QColor(52, 68, 98));
    QPainterPath strip;
    strip.addRoundedRect(QRectF(2, 2, w - 4, 40), 16, 16);
    QPainterPath cut;
    cut.addRect(QRectF(0, 28, w, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(title);
    p.drawPath(strip.subtracted(cut));

    // Minimise and close knobs at the top right.
    auto knob = [&p](QPointF c, const QColor& base, bool cross) {
        QRadialGradient g(c - QPointF(2, 2), 9);
        g.setColorAt(0, base.lighter(150));
        g.setColorAt(1, base.darker(130));
        p.setPen(QPen(QColor(20, 24, 32), 1));
        p.setBrush(g);
        p.drawEllipse(c, 7.5, 7.5);
        p.setPen(QPen(QColor(245, 245, 245), 1.6, Qt::SolidLine, Qt::RoundCap));
        if (cross) {
            p.drawLine(c + QPointF(-3, -3), c + QPointF(3, 3));
            p.drawLine(c + QPointF(-3, 3), c + QPointF(3, -3));
        } else {
            p.drawLine(c + QPointF(-3.5, 0.5), c + QPointF(3.5, 0.5));
        }
    };
    knob(QPointF(648, 15), QColor(90, 140, 200), false);
    knob(QPointF(670, 15), QColor(200, 70, 60), true);

    // Panels: song picture / video, progress line, lyrics and playlist.
    inset(p, QRectF(24, 32, 288, 288), QColor(12, 16, 24));
    inset(p, QRectF(24, 400, 288, 12), QColor(14, 20, 30));
    inset(p, QRectF(330, 32, 334, 240), QColor(12, 16, 24));
    inset(p, QRectF(330, 284, 334, 162), QColor(18, 24, 36));

    // Button bed below the picture; below the progress line the transport
    // row and the balance slider, clear of the line's track.
    inset(p, QRectF(24, 332, 288, 56), QColor(34, 44, 64));
    inset(p, QRectF(24, 417, 288, 46), QColor(34, 44, 64));

    drawNotes(p, QPointF(20, 6), 0.28, QColor(200, 215, 240));
    return img;
}

// The default song picture, 288 by 216.
QImage defaultPicture()
{
    QImage img(288, 216, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 288, 216);
    g.setColorAt(0, QColor(30, 44, 80));
    g.setColorAt(1, QColor(90, 40, 110));
    p.fillRect(img.rect(), g);
    p.setPen(QPen(QColor(255, 255, 255, 40), 2));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(24, 60 + 18 * i), QPointF(264, 60 + 18 * i));
    drawNotes(p, QPointF(110, 70), 1.2, QColor(235, 225, 250));
    return img;
}

// A lyric background, 334 by 240: a dark gradient with soft light spots,
// dark enough for white lyric lines.
QImage lyricBackground(const QColor& top, const QColor& bottom, const QColor& glow)
{
    QImage img(334, 240, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 240);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(img.rect(), g);
    const QPointF spots[] = {{60, 70}, {250, 40}, {180, 150}, {300, 200}, {30, 210}};
    const double radii[] = {70, 50, 90, 40, 55};
    for (int i = 0; i < 5; ++i) {
        QRadialGradient r(spots[i], radii[i]);
        QColor c = glow;
        c.setAlpha(70);
        r.setColorAt(0, c);
        c.setAlpha(0);
        r.setColorAt(1, c);
        p.setPen(Qt::NoPen);
        p.setBrush(r);
        p.drawEllipse(spots[i], radii[i], radii[i]);
    }
    return img;
}

// A document-shaped icon with a coloured band; the list icon carries lines,
// the media icon a note.
QImage documentIcon(int size, const QColor& band, bool list)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 32.0;
    p.scale(s, s);
    QPainterPath page;
    page.moveTo(6, 2);
    page.lineTo(20, 2);
    page.lineTo(27, 9);
    page.lineTo(27, 30);
    page.lineTo(6, 30);
    page.closeSubpath();
    p.setPen(QPen(QColor(70, 80, 100), 1));
    p.setBrush(QColor(250, 250, 252));
    p.drawPath(page);
    p.setBrush(QColor(210, 215, 225));
    QPainterPath fold;
    fold.moveTo(20, 2);
    fold.lineTo(20, 9);
    fold.lineTo(27, 9);
    fold.closeSubpath();
    p.drawPath(fold);
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRect(QRectF(6.5, 22, 20, 7.5));
    if (list) {
        p.setBrush(QColor(90, 100, 120));
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(10, 9 + 4 * i, 12, 1.6));
    } else {
        drawNotes(p, QPointF(11, 8), 0.17, QColor(60, 70, 90));
    }
    return img;
}

// A small icon for one file type, labelled with its extension.
QImage typeIcon(const QString& ext, const QColor& band)
{
    QImage img = documentIcon(24, band, ext == QLatin1String("m3u") || ext.isEmpty());
    if (ext.isEmpty())
        return img;
    QPainter p(&img);
    QFont f(QStringLiteral("DejaVu Sans Condensed"));
    f.setPixelSize(ext.size() > 3 ? 5 : 6);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 16, 18, 7), Qt::AlignCenter, ext.toUpper());
    return img;
}

// The program's icon: the quaver on a rounded tile in the skin's colours.
QImage programIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 64.0;
    p.scale(s, s);
    QLinearGradient tile(0, 0, 0, 64);
    tile.setColorAt(0, QColor(92, 116, 156));
    tile.setColorAt(1, QColor(26, 34, 52));
    p.setPen(QPen(QColor(16, 22, 34), 1.5));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    drawNotes(p, QPointF(17, 16), 0.5, QColor(235, 225, 250));
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_assets REPO\n");
        return 2;
    }
    const QDir repo(QString::fromLocal8Bit(argv[1]));
    repo.mkpath(QStringLiteral("data/res"));
    bool ok = true;
    ok &= save(skin(), repo.filePath(QStringLiteral("visual/skin_builtin.png")), "png");
    // The loader tells the format from the content, so the name carries no type.
    ok &= save(defaultPicture(), repo.filePath(QStringLiteral("data/default.pic")), "png");
    repo.mkpath(QStringLiteral("data/bkground"));
    ok &= save(lyricBackground(QColor(10, 20, 60), QColor(40, 10, 60), QColor(120, 160, 255)),
               repo.filePath(QStringLiteral("data/bkground/night.jpg")), "jpg");
    ok &= save(lyricBackground(QColor(40, 14, 20), QColor(10, 10, 30), QColor(255, 150, 90)),
               repo.filePath(QStringLiteral("data/bkground/ember.jpg")), "jpg");
    ok &= save(lyricBackground(QColor(6, 36, 40), QColor(8, 16, 36), QColor(90, 230, 200)),
               repo.filePath(QStringLiteral("data/bkground/lagoon.jpg")), "jpg");
    ok &= save(programIcon(128), repo.filePath(QStringLiteral("data/res/melodune.png")), "png");
    // The window and desktop icon in the sizes desktops ask for.
    repo.mkpath(QStringLiteral("data/res/icons"));
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        ok &= save(programIcon(size), repo.filePath(QStringLiteral("data/res/icons/melodune-%1.png").arg(size)), "png");
    ok &= save(documentIcon(32, QColor(60, 120, 200), true), repo.filePath(QStringLiteral("data/res/mdu.ico")), "ico");
    ok &= save(documentIcon(32, QColor(200, 90, 50), false), repo.filePath(QStringLiteral("data/res/Default.ico")),
               "ico");

    // One marker picture per associable type, and the fallback "ico".
    const char* types[] = {"m3u", "wav", "mp3", "wma", "asf", "au", "avi", "dat", "vob", "mid", "midi",
                           "mp4", "mpeg", "mpg", "wmv", "ra", "rm", "rmvb", "rmi", "snd", "wm"};
    const QColor bands[] = {QColor(60, 120, 200), QColor(200, 90, 50), QColor(60, 150, 90), QColor(150, 70, 170)};
    int i = 0;
    for (const char* t : types) {
        const QString ext = QString::fromLatin1(t);
        ok &= save(typeIcon(ext, bands[i++ % 4]), repo.filePath(QStringLiteral("data/res/ico.") + ext), "png");
    }
    ok &= save(typeIcon(QString(), QColor(120, 130, 150)), repo.filePath(QStringLiteral("data/res/ico")), "png");
    return ok ? 0 : 1;
}
