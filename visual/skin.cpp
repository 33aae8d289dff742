#include "visual/skin.h"

#include "platform/atomicfile.h"
#include "platform/screenfollow.h"
#include "platform/ui.h"
#include "platform/windowsystem.h"
#include "visual/log.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The resource of a static library is registered only when something names it.
static void initSkinResource()
{
    Q_INIT_RESOURCE(skin_builtin);
}

namespace melodune {

namespace {

struct Run {
    int x0, x1; // x1 exclusive
    bool operator==(const Run&) const = default;
};

// The first pixel at or after x whose whiteness is not `white`, or w.
template <typename Word>
int nextChange(const Word* row, int x, int w, Word mask, bool white)
{
#ifdef __SSE2__
    // Four 32-bit pixels at a time over the long stretches.
    if constexpr (sizeof(Word) == 4) {
        const __m128i m = _mm_set1_epi32(int(mask));
        const int same = white ? 0xFFFF : 0;
        auto uniform = [&](int at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + at));
            return _mm_cmpeq_epi32(_mm_and_si128(v, m), m);
        };
        while (x + 16 <= w) {
            const __m128i a = uniform(x), b = uniform(x + 4), c = uniform(x + 8), d = uniform(x + 12);
            const __m128i all = white ? _mm_and_si128(_mm_and_si128(a, b), _mm_and_si128(c, d))
                                      : _mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d));
            if (_mm_movemask_epi8(all) != same)
                break;
            x += 16;
        }
        while (x + 4 <= w) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(v, m), m)) != same)
                break;
            x += 4;
        }
    }
#endif
    while (x < w && ((row[x] & mask) == mask) == white)
        ++x;
    return x;
}

// Collects the runs row by row; rows with the same runs as the row above
// extend that band, so the region is built in its banded form directly.
// A pixel is white when its word has every bit of `mask` set. The bottom
// row is never scanned and a run that reaches the right edge stops one
// pixel short of it, so the window is one pixel narrower and lower than the
// picture; a run left empty by that is dropped.
template <typename Word>
QRegion scanRuns(const QImage& img, Word mask)
{
    const int w = img.width();
    const int rows = img.height() - 1;
    std::vector<QRect> rects;
    std::vector<Run> bandRuns, rowRuns;
    int bandTop = 0;
    auto closeBand = [&](int bottomExclusive) {
        for (const Run& r : bandRuns)
            rects.emplace_back(QPoint(r.x0, bandTop), QPoint(r.x1 - 1, bottomExclusive - 1));
    };
    const Word* previous = nullptr;
    for (int y = 0; y < rows; ++y) {
        const auto* row = reinterpret_cast<const Word*>(img.constScanLine(y));
        // A row like the one above has its runs: the band goes on.
        if (previous && std::memcmp(row, previous, std::size_t(w) * sizeof(Word)) == 0)
            continue;
        previous = row;
        rowRuns.clear();
        int x = 0;
        while (x < w) {
            x = nextChange(row, x, w, mask, true);
            const int x0 = x;
            x = nextChange(row, x, w, mask, false);
            const int x1 = x == w ? w - 1 : x;
            if (x0 < x1)
                rowRuns.push_back({x0, x1});
        }
        if (y > 0 && rowRuns == bandRuns)
            continue;
        closeBand(y);
        bandRuns.swap(rowRuns);
        bandTop = y;
    }
    if (rows > 0)
        closeBand(rows);
    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), int(rects.size()));
    return region;
}

// Transparent parts show the white that lies outside the window.
QImage flattenOnWhite(const QImage& skin)
{
    if (!skin.hasAlphaChannel())
        return skin;
    QImage out(skin.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, skin);
    return out;
}

} // namespace

std::optional<QRegion> skinRegion(const QImage& skin, int displayDepth)
{
    // 30 bits (deep-colour X servers) hold 10 bits a channel in a 32-bit
    // word: white there is white at 8 bits a channel.
    if (displayDepth != 15 && displayDepth != 16 && displayDepth != 24 && displayDepth != 30 &&
        displayDepth != 32)
        return std::nullopt;
    if (skin.isNull())
        return QRegion();
    const QImage flat = flattenOnWhite(skin);
    // The picture is taken as the display would hold it, then tested.
    if (displayDepth == 15 || displayDepth == 16) {
        const QImage img = flat.convertToFormat(displayDepth == 15 ? QImage::Format_RGB555 : QImage::Format_RGB16,
                                                Qt::AvoidDither);
        return scanRuns<quint16>(img, 0x7FFF);
    }
    return scanRuns<quint32>(flat.convertToFormat(QImage::Format_RGB32, Qt::AvoidDither), 0xFFFFFF);
}

QPixmap builtInSkin()
{
    initSkinResource();
    return QPixmap(QStringLiteral(":/melodune/skin_builtin.png"));
}

QPixmap loadPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QImage img = reader.read();
    if (img.isNull()) {
        // Every picture the program shows comes through here: one line for all.
        if (!path.isEmpty())
            qCWarning(lcVisual) << "picture not loaded:" << path << reader.errorString();
        return {};
    }
    return QPixmap::fromImage(img);
}

void setSkinPicture(QLabel* picShape, const QPixmap& picture)
{
    picShape->setMargin(0);
    picShape->setIndent(0);
    picShape->setScaledContents(false);
    picShape->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picShape->setPixmap(picture);
    picShape->resize(picture.size());
}

QTimer* makeTimer7(QObject* parent, SkinControls& c)
{
    auto* t = new QTimer(parent);
    t->setInterval(1);
    QObject::connect(t, &QTimer::timeout, t, [&c] { Timer7_Timer(c); });
    return t;
}

void prepareSkin(SkinControls& c, const QString& dataDir, const QString& skinFile)
{
    if (c.picShape->pixmap().isNull())
        setSkinPicture(c.picShape, builtInSkin());
    c.imgShape[0] = c.picShape->pixmap();
    if (!skinFile.isEmpty()) {
        const QString path = QDir(dataDir).filePath(QStringLiteral("skins/") + skinFile);
        if (QFileInfo(path).isFile()) {
            const QPixmap skin = loadPicture(path);
            if (!skin.isNull())
                setSkinPicture(c.picShape, skin);
        } else {
            qCWarning(lcVisual) << "saved skin missing, the built-in one is shown:" << path;
        }
    }
    c.window->resize(c.picShape->size());
    Timer7_Timer(c);
}

namespace {

// Changing the frame flag hides a shown window: it is shown again.
void setFrameless(QWidget* window, bool frameless)
{
    if (bool(window->windowFlags() & Qt::FramelessWindowHint) == frameless)
        return;
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::FramelessWindowHint, frameless);
    if (wasVisible)
        window->show();
}

// A framed window can be smaller than its skin: scroll bars at its right and
// bottom edges (and the mouse wheel) move the skin, so that every control
// can be reached.
class SkinScroller : public QObject {
public:
    SkinScroller(QWidget* window, QLabel* pic) : QObject(window), window_(window), pic_(pic)
    {
        setObjectName(QStringLiteral("SkinScroller"));
        for (int i = 0; i < 2; ++i) {
            auto* bar = new QScrollBar(i == 0 ? Qt::Horizontal : Qt::Vertical, window);
            bar->setObjectName(i == 0 ? QStringLiteral("SkinScrollH") : QStringLiteral("SkinScrollV"));
            bar->setSingleStep(20);
            bar->hide();
            connect(bar, &QScrollBar::valueChanged, this, &SkinScroller::place);
            bars_[i] = bar;
        }
        window->installEventFilter(this);
    }

    void setActive(bool active)
    {
        active_ = active;
        refit();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched != window_ || !active_)
            return false;
        if (e->type() == QEvent::Resize)
            refit();
        // Wheel turns the skin's controls leave unused reach the window.
        if (e->type() == QEvent::Wheel) {
            QScrollBar* bar = bars_[1]->isVisible() ? bars_[1] : bars_[0];
            if (bar->isVisible()) {
                QApplication::sendEvent(bar, e);
                return true;
            }
        }
        return false;
    }

private:
    void refit()
    {
        if (!active_) {
            for (QScrollBar* bar : bars_)
                bar->hide();
            return;
        }
        const int extent = window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bars_[1]);
        const QSize skin = pic_->size();
        const QSize view = window_->size();
        bool across = skin.width() > view.width();
        bool down = skin.height() > view.height();
        // Each bar takes room from the other direction.
        if (across && !down)
            down = skin.height() > view.height() - extent;
        if (down && !across)
            across = skin.width() > view.width() - extent;
        const QSize shown(view.width() - (down ? extent : 0), view.height() - (across ? extent : 0));
        fit(bars_[0], across, skin.width() - shown.width(), shown.width(),
            QRect(0, view.height() - extent, shown.width(), extent));
        fit(bars_[1], down, skin.height() - shown.height(), shown.height(),
            QRect(view.width() - extent, 0, extent, shown.height()));
        place();
    }

    static void fit(QScrollBar* bar, bool needed, int range, int page, const QRect& where)
    {
        bar->setRange(0, needed ? range : 0);
        bar->setPageStep(page);
        bar->setGeometry(where);
        bar->setVisible(needed);
        if (needed)
            bar->raise();
    }

    void place()
    {
        if (active_)
            pic_->move(-bars_[0]->value(), -bars_[1]->value());
    }

    QWidget* window_;
    QLabel* pic_;
    std::array<QScrollBar*, 2> bars_{};
    bool active_ = false;
};

SkinScroller* skinScroller(const SkinControls& c, bool create)
{
    auto* s = c.window->findChild<SkinScroller*>(QStringLiteral("SkinScroller"), Qt::FindDirectChildrenOnly);
    return s || !create ? s : new SkinScroller(c.window, c.picShape);
}

// Lays the window out on the available area of its screen: the skin at the
// top, centred, when it fits; `skinAt` keeps the skin where it stands on the
// desktop instead (after a move to another screen).
void layOutSkin(SkinControls& c, std::optional<QPoint> skinAt)
{
    QWidget* window = c.window;
    QLabel* pic = c.picShape;
    // The shaped window spans the screen's free area in the normal state,
    // never maximised: window managers restore a maximised window when it is
    // dragged (and maximise some near-screen-sized ones), which would leave
    // the shape off the skin.
    // Following a screen, a minimised window stays minimised.
    const Qt::WindowStates dropped =
        Qt::WindowMaximized | Qt::WindowFullScreen | (skinAt ? Qt::WindowNoState : Qt::WindowMinimized);
    window->setWindowState(window->windowState() & ~dropped);
    const QScreen* screen = window->screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(window->pos(), pic->size());
    const bool placed = !rt::onWayland();
    // The skin sits at the top, centred across the area.
    const int left = (area.width() - pic->width()) / 2;
    if (left >= 0 && pic->height() <= area.height()) {
        setFrameless(window, true);
        // Limits unchanged in logical pixels still have to reach the window
        // system in a new scale.
        if (window->minimumSize() == area.size() && window->maximumSize() == area.size())
            rt::resendSizeLimits(window);
        else
            window->setFixedSize(area.size());
        if (placed) {
            QRect frame(area.topLeft(), area.size());
            if (skinAt && screen) {
                frame.moveTopLeft(*skinAt - QPoint(left, 0));
                // The window's centre decides its screen: kept on this one,
                // or the next layout would be for another.
                const QRect g = screen->geometry();
                const QPoint centre = frame.center();
                frame.translate(std::clamp(centre.x(), g.left(), g.right()) - centre.x(),
                                std::clamp(centre.y(), g.top(), g.bottom()) - centre.y());
            }
            window->move(frame.topLeft());
        }
        if (SkinScroller* scroller = skinScroller(c, false))
            scroller->setActive(false);
        pic->move(left, 0);
        ApplyWindowShape(window, pic);
    } else {
        // Wider or taller than the screen: an ordinary frame to size it by
        // and no outline, or the new skin would show through the old one.
        window->clearMask();
        pic->clearMask();
        setFrameless(window, false);
        window->setMinimumSize(0, 0);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window->resize(area.size());
        if (placed && !skinAt)
            window->move(area.topLeft());
        // Maximised, the window manager fits the window and its frame into
        // the free area; what does not fit scrolls.
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        pic->move(0, 0);
        skinScroller(c, true)->setActive(true);
    }
    window->update();
}

} // namespace

void Timer7_Timer(SkinControls& c)
{
    layOutSkin(c, std::nullopt);
    if (c.timer7)
        c.timer7->stop();
}

void followSkinScreen(SkinControls& c)
{
    layOutSkin(c, c.picShape->mapToGlobal(QPoint(0, 0)));
}

void prepareTranslucency(QWidget* window)
{
    if (rt::onWayland())
        window->setAttribute(Qt::WA_TranslucentBackground);
}

void ApplyWindowShape(QWidget* window, QLabel* picShape)
{
    const QScreen* screen = window->screen();
    const int depth = screen ? screen->depth() : 32;
    const std::optional<QRegion> region = skinRegion(picShape->pixmap().toImage(), depth);
    if (!region) {
        rt::ui().msgBox(QStringLiteral("对不起，程序必须在 16位, 24-位 或 32-位 颜色下。"), rt::OkOnly | rt::Exclamation);
        return;
    }
    // On Wayland the mask takes only the input; the translucent window shows
    // the cut-away pixels because the skin is not drawn there.
    const bool wayland = rt::onWayland();
    if (region->isEmpty()) {
        window->clearMask();
        if (wayland)
            picShape->clearMask();
        return;
    }
    const QRegion shape = region->translated(picShape->mapTo(window, QPoint(0, 0)));
    if (window->mask() == shape) {
        // The same outline in logical pixels: in a new scale the window
        // system still needs it again.
        rt::resendMask(window);
    } else {
        window->setMask(shape);
    }
    if (wayland)
        picShape->setMask(*region);
}

void mnuSkinsDe_Click(SkinControls& c, QString& skinFile)
{
    skinFile.clear();
    setSkinPicture(c.picShape, c.imgShape[0]);
    if (c.timer7)
        c.timer7->start();
}

void mnuSkinsRe_Click(SkinControls& c, const QString& dataDir, QString& skinFile)
{
    rt::FileDialogRequest req;
    req.title = QStringLiteral("查找/替换界面皮肤");
    req.initialDir = QDir(dataDir).filePath(QStringLiteral("skins"));
    req.filter = QStringLiteral("图片文件(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|所有文件(*.*)|*.*");
    const rt::FileDialogResult chosen = rt::ui().openFile(req);
    if (chosen.files.isEmpty() || chosen.files.first().isEmpty())
        return;
    const QString path = chosen.files.first();
    const QString title = QFileInfo(path).fileName();
    if (title.isEmpty())
        return;
    c.imgShape[1] = c.picShape->pixmap();

    const QString failed = QStringLiteral("错误或不支持的的皮肤文件！");
    const QPixmap skin = loadPicture(path);
    if (skin.isNull()) {
        rt::ui().msgBox(failed, rt::OkOnly | rt::Critical);
        return;
    }
    setSkinPicture(c.picShape, skin);
    if (c.timer7)
        c.timer7->start();

    const QString skinsDir = QDir(dataDir).filePath(QStringLiteral("skins"));
    const QString dest = QDir(skinsDir).filePath(title);
    // Letter case matters on this file system, so the same file is told by
    // its canonical path rather than by a case-blind comparison.
    const QString canonicalChosen = QFileInfo(path).canonicalFilePath();
    const bool inSkins = !canonicalChosen.isEmpty() && canonicalChosen == QFileInfo(dest).canonicalFilePath();
    if (!inSkins) {
        if (rt::ui().msgBox(QStringLiteral("你要保存此界面皮肤吗?"), rt::YesNo | rt::Question) != rt::Yes) {
            setSkinPicture(c.picShape, c.imgShape[1]);
            if (c.timer7)
                c.timer7->start();
            return;
        }
        QDir().mkpath(skinsDir);
        if (!rt::copyFileAtomically(path, dest)) {
            rt::ui().msgBox(failed, rt::OkOnly | rt::Critical);
            return;
        }
    }
    skinFile = title;
}

} // namespace melodune
