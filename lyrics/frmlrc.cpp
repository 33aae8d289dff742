#include "lyrics/frmlrc.h"

#include "core/appenv.h"
#include "core/settings.h"
#include "core/shared.h"
#include "core/virtualkeys.h"
#include "lyrics/lyricloader.h"
#include "lyrics/lyricstate.h"
#include "lyrics/lyricswindowhost.h"
#include "lyrics/lyrictick.h"
#include "lyrics/richtext.h"
#include "lyrics/richtextview.h"
#include "platform/mediacontrol.h"
#include "platform/screenfollow.h"
#include "platform/ui.h"
#include "platform/units.h"
#include "visual/skin.h"
#include "visual/visualpanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cmath>

namespace melodune {

namespace {

const QString kLyricFont = QStringLiteral("宋体");
constexpr int VideoButtonSize = 32; // pixels
// Gaps from the right edge of the screen, in twips.
constexpr int NoticeRightGap = 1200;
constexpr int VideoButtonRightGap = 300;

QFont rowFont(int points)
{
    QFont f(kLyricFont, points);
    f.setBold(true);
    return f;
}

void setColours(QWidget* w, const QColor& back, const QColor& text)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, text);
    w->setPalette(pal);
}

bool hasPicture(const rt::MediaControl& media)
{
    return media.imageSourceWidth() != 0 || media.imageSourceHeight() != 0;
}

bool coverIsBackground()
{
    return !shared().CoverPicPath.isEmpty() && settings().UseCoverAsLrcBack == 1;
}

} // namespace

// ---- StretchedPicture -------------------------------------------------------

StretchedPicture::StretchedPicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StretchedPicture::setPixmap(const QPixmap& picture)
{
    picture_ = picture;
    scaled_ = QPixmap();
    update();
}

void StretchedPicture::resizeEvent(QResizeEvent* e)
{
    scaled_ = QPixmap();
    QWidget::resizeEvent(e);
}

void StretchedPicture::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (picture_.isNull()) {
        p.fillRect(e->rect(), Qt::black);
        return;
    }
    // Made at the screen's own pixels, so a picture larger than the window
    // keeps its detail on a screen of ratio 2.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(rt::devicePixels(width(), ratio), rt::devicePixels(height(), ratio));
    if (scaled_.size() != pixels || scaled_.devicePixelRatio() != ratio) {
        scaled_ = picture_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled_.setDevicePixelRatio(ratio);
    }
    p.drawPixmap(QPointF(0, 0), scaled_); // clipped to what is exposed
}

// ---- FrmLrc -----------------------------------------------------------------

FrmLrc::FrmLrc(LyricsWindowHost& main) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), main_(main)
{
    setObjectName(QStringLiteral("frmLrc"));
    setWindowTitle(QStringLiteral("歌词窗口"));
    // The main window is hidden while this one shows: closing this one is
    // no reason for the program to end.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAutoFillBackground(true);
    setColours(this, Qt::black, Qt::white);
    setFont(QFont(kLyricFont, 9));

    // Made bottom first, so each control lies above the ones made before it.
    Picture1 = new VisualPanel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFocusPolicy(Qt::StrongFocus);
    Image1 = new StretchedPicture(Picture1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Picture3 = new QWidget(Picture1);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture3->setAutoFillBackground(true);
    setColours(Picture3, Qt::black, Qt::white);
    Picture3->hide();
    for (int i : {2, 0, 1}) {
        QLabel* row = new QLabel(Picture1);
        row->setObjectName(QStringLiteral("Picture2_%1").arg(i));
        row->setTextFormat(Qt::PlainText); // a lyric line is never markup
        row->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        row->setAutoFillBackground(true);
        row->setFont(rowFont(i == 1 ? 42 : 24));
        setColours(row, Qt::black, i == 1 ? QColor(Qt::white) : QColor(128, 128, 128));
        row->hide();
        Picture2[i] = row;
    }

    RichTextBox1 = new RichTextModel(this);
    RichTextBox1->setFontName(kLyricFont);
    // Empty, the box gives the text put into it its insertion format: bold.
    RichTextBox1->setSelBold(true);
    RichTextBox1View = new RichTextView(RichTextBox1, this);
    RichTextBox1View->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1View->setFrameShape(QFrame::NoFrame);
    RichTextBox1View->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichTextBox1View->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichTextBox1View->setFocusPolicy(Qt::NoFocus);
    connect(RichTextBox1View, &RichTextView::mouseReleased, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) { Form_MouseUp(button); });

    Picture4 = new QWidget(this);
    Picture4->setObjectName(QStringLiteral("Picture4"));
    Picture4->setAutoFillBackground(true);
    setColours(Picture4, Qt::black, Qt::white);
    Picture4->hide();
    Label1 = new QLabel(QStringLiteral("歌词时间补偿"), Picture4);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(QFont(kLyricFont, 14));
    setColours(Label1, Qt::black, Qt::white);
    Label1->adjustSize();

    Picture5 = new QLabel(this);
    Picture5->setObjectName(QStringLiteral("Picture5"));
    Picture5->setCursor(Qt::PointingHandCursor);
    Picture5->setFixedSize(VideoButtonSize, VideoButtonSize);
    Picture5->setScaledContents(true);
    if (const QPixmap icon = loadPicture(shared().DataDir + QStringLiteral("/res/btn_full_screen.png")); !icon.isNull())
        Picture5->setPixmap(icon);
    else
        Picture5->setText(QStringLiteral("全屏"));
    Picture5->setToolTip(QStringLiteral("全屏播放视频 (F)"));
    Picture5->hide();

    // Keys reach the window before any of its controls; the mouse buttons
    // of its pictures are its own.
    qApp->installEventFilter(this);

    const int intervals[] = {1000, 1, 1, 5000};
    for (int i = 0; i < 4; ++i) {
        Timer[i] = new QTimer(this);
        Timer[i]->setObjectName(QStringLiteral("Timer%1").arg(i));
        Timer[i]->setInterval(intervals[i]);
    }
    connect(Timer[0], &QTimer::timeout, this, &FrmLrc::Timer0_Timer);
    connect(Timer[1], &QTimer::timeout, this, &FrmLrc::Timer1_Timer);
    connect(Timer[2], &QTimer::timeout, this, &FrmLrc::Timer2_Timer);
    connect(Timer[3], &QTimer::timeout, this, &FrmLrc::Timer3_Timer);

    Form_Load();
    // Moved to another screen, or its scale changed: it covers its screen
    // again.
    rt::followScreen(this, [this] { Form_ScreenChanged(); });
}

FrmLrc::~FrmLrc()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

QRect FrmLrc::screenRect() const
{
    // Shown, it covers its own screen; before that, the main window's.
    const QScreen* s = isVisible() ? screen() : main_.mainWindow().screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

int FrmLrc::screenWidthTwips() const { return rt::pixelsToTwips(screenRect().width()); }
int FrmLrc::screenHeightTwips() const { return rt::pixelsToTwips(screenRect().height()); }

void FrmLrc::Form_Load()
{
    const QRect screen = screenRect();
    setGeometry(screen);
    placeControls(screen.size());
    chooseBackground(true);
    for (QLabel* row : Picture2)
        row->clear();
}

void FrmLrc::placeControls(QSize screen)
{
    const int w = screen.width();
    const int h = screen.height();
    RichTextBox1View->setGeometry(0, 0, w, h);
    Picture1->setGeometry(0, 0, w, h);
    Image1->setGeometry(0, 0, w, h);
    auto rowHeight = [](const QLabel* row) { return row->fontMetrics().height(); };
    Picture2[0]->setGeometry(0, 0, w, rowHeight(Picture2[0]));
    Picture4->resize(Label1->size());
    Picture4->move(w - rt::twipsToPixels(rt::pixelsToTwips(Label1->width()) + NoticeRightGap), 0);
    Label1->move(0, 0);
    const int bottom = rowHeight(Picture2[2]);
    Picture2[2]->setGeometry(0, h - bottom, w, bottom);
    const int middle = rowHeight(Picture2[1]);
    Picture2[1]->setGeometry(0, h - middle - bottom, w, middle);
    Picture3->setGeometry(Picture2[1]->geometry());
    Picture5->move(w - VideoButtonSize - rt::twipsToPixels(VideoButtonRightGap), 0);
}

void FrmLrc::Form_ScreenChanged()
{
    if (unloaded_ || !isVisible())
        return;
    const QRect screen = screenRect();
    if (geometry() == screen)
        return;
    // A full-screen window is placed by the window system: it is made full
    // screen again from its new screen's rectangle.
    const bool fullScreen = isFullScreen();
    if (fullScreen)
        setWindowState(windowState() & ~Qt::WindowFullScreen);
    setGeometry(screen);
    if (fullScreen)
        setWindowState(windowState() | Qt::WindowFullScreen);
}

void FrmLrc::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    // The controls cover the window whatever size the screen gave it.
    if (!unloaded_ && e->size() != e->oldSize())
        placeControls(e->size());
}

void FrmLrc::chooseBackground(bool randomPicture)
{
    if (coverIsBackground()) {
        Image1->setPixmap(main_.songPicture());
        return;
    }
    SharedState& sh = shared();
    rebuildBackgroundList(sh);
    if (!randomPicture)
        return;
    const QString path = randomBackgroundPath(sh);
    if (path.isEmpty())
        return;
    // A file that is no picture keeps the one shown.
    if (const QPixmap p = loadPicture(path); !p.isNull())
        Image1->setPixmap(p);
}

void FrmLrc::Timer1_Timer()
{
    Timer[1]->stop();
    if (unloaded_)
        return;
    SettingsRecord& s = settings();
    // A view command handled since the tick asked for the window has
    // dropped the request: there is nothing to open.
    if (s.LrcViewMode < 100)
        return;

    mirrorLyricBox(main_.lyricBox(), *RichTextBox1, s.LrcTagColor, s.LrcTextColor);
    // The line being sung now, so the copy does not wait for the next one.
    const LyricState& lyrics = main_.lyricState();
    if (lyrics.highlightStart > 0 && lyrics.highlightLength > 0 &&
        lyrics.highlightStart - 1 + lyrics.highlightLength <= RichTextBox1->length()) {
        moveLyricHighlight(*RichTextBox1, 0, 0, lyrics.highlightStart, lyrics.highlightLength, s.LrcTextColor,
                           s.LrcHighlightColor);
        keepSungLineInView(*RichTextBox1, lyrics.highlightStart);
    }

    switch (s.LrcViewMode) {
    case 100:
        Image1->hide();
        RichTextBox1->setVisible(true);
        break;
    case 101:
        Image1->hide();
        RichTextBox1->setVisible(false);
        break;
    case 102:
        RichTextBox1->setVisible(false);
        Image1->show();
        for (QLabel* row : Picture2)
            row->show();
        Picture3->show();
        break;
    default:
        break;
    }

    if (coverIsBackground()) {
        Image1->setPixmap(main_.songPicture());
    } else {
        rebuildBackgroundList(shared());
        if (const QPixmap p = main_.lyricBackground(); !p.isNull())
            Image1->setPixmap(p);
    }

    main_.mainWindow().hide();
    // No window manager need be there to size it: the screen's geometry
    // first, then full screen.
    setGeometry(screenRect());
    showFullScreen();
    raise();
    activateWindow();
    // Questions asked while the window is up show above it.
    rt::setDialogParent(this);
    Timer[0]->start();
    main_.showSungLineNow();
}

void FrmLrc::Timer2_Timer()
{
    std::int32_t& mode = settings().LrcViewMode;
    switch (mode) {
    case 100:
        mode = 101;
        Image1->hide();
        for (QLabel* row : Picture2)
            row->hide();
        Picture3->hide();
        RichTextBox1->setVisible(false);
        break;
    case 101:
        mode = 102;
        chooseBackground(true);
        RichTextBox1->setVisible(false);
        Image1->show();
        for (QLabel* row : Picture2)
            row->show();
        Picture3->show();
        break;
    case 102:
        mode = 100;
        RichTextBox1->setVisible(true);
        break;
    default:
        break;
    }
    Timer[2]->stop();
    main_.showSungLineNow();
}

void FrmLrc::Form_KeyDown(int keyCode)
{
    std::int32_t& offset = main_.lyricState().offset;
    if (keyCode == VkAdd)
        offset = offsetStepUp(offset);
    else if (keyCode == VkSubtract)
        offset = offsetStepDown(offset);
    else
        return;
    showOffsetNotice();
    Timer[3]->stop();
}

void FrmLrc::showOffsetNotice()
{
    Label1->setText(QStringLiteral("【歌词时间补偿：") + QString::number(main_.lyricState().offset) + QStringLiteral("】"));
    Label1->adjustSize();
    Picture4->resize(Label1->size());
    Picture4->move(rt::twipsToPixels(screenWidthTwips() - rt::pixelsToTwips(Label1->width()) - NoticeRightGap), 0);
    Label1->move(0, 0);
    Picture4->show();
}

void FrmLrc::Form_KeyUp(int keyCode)
{
    switch (keyCode) {
    case VkEscape:
        close();
        break;
    case VkH:
        Timer2_Timer();
        break;
    case VkAdd:
    case VkSubtract:
        Timer[3]->start();
        break;
    case VkF:
        Picture5_Click();
        break;
    default:
        break;
    }
}

void FrmLrc::Timer3_Timer()
{
    Picture4->hide();
    Timer[3]->stop();
}

void FrmLrc::Form_MouseUp(Qt::MouseButton button)
{
    if (unloaded_)
        return;
    if (button == Qt::LeftButton)
        close();
    else if (button == Qt::RightButton)
        Timer[2]->start();
}

void FrmLrc::Timer0_Timer()
{
    const rt::MediaControl& media = main_.media();
    Picture5->setVisible(hasPicture(media) && media.displaySize() != rt::MediaControl::DisplayFullScreen);
}

void FrmLrc::Picture5_Click()
{
    rt::MediaControl& media = main_.media();
    if (hasPicture(media) && media.displaySize() != rt::MediaControl::DisplayFullScreen)
        media.setDisplaySize(rt::MediaControl::DisplayFullScreen);
}

void FrmLrc::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    for (QTimer* t : Timer)
        t->stop();
    std::int32_t& mode = settings().LrcViewMode;
    mode = std::max(mode - 100, 0);
    QWidget& mainWindow = main_.mainWindow();
    rt::setDialogParent(&mainWindow);
    mainWindow.show();
    mainWindow.raise();
    mainWindow.activateWindow();
    // The background last shown here becomes the main window's.
    if (!Image1->pixmap().isNull())
        main_.setLyricBackground(Image1->pixmap());
    main_.showSungLineNow();
    hide();
    deleteLater();
}

void FrmLrc::detach()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    for (QTimer* t : Timer)
        t->stop();
    hide();
    deleteLater();
}

void FrmLrc::closeEvent(QCloseEvent* e)
{
    Form_Unload();
    e->accept();
}

void FrmLrc::mouseReleaseEvent(QMouseEvent* e)
{
    Form_MouseUp(e->button());
    e->accept();
}

bool FrmLrc::ownsMouse(const QObject* watched) const
{
    return watched == Image1 || watched == Picture1 || watched == Picture3 || watched == Picture2[0] ||
           watched == Picture2[1] || watched == Picture2[2] || watched == Picture4 || watched == Label1 ||
           watched == Picture5;
}

bool FrmLrc::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Taken where the window system delivers it, before the control
        // with the focus.
        if (!watched->isWindowType() || watched != windowHandle() || unloaded_)
            break;
        const auto* k = static_cast<QKeyEvent*>(event);
        const bool press = event->type() == QEvent::KeyPress;
        // An auto-repeated key gives release-press pairs: only the final
        // release is one.
        if (!press && k->isAutoRepeat())
            break;
        if (const int code = virtualKeyCode(k->key(), k->modifiers())) {
            if (press)
                Form_KeyDown(code);
            else
                Form_KeyUp(code);
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        if (!ownsMouse(watched))
            break;
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (watched == Picture5) {
            if (button == Qt::LeftButton)
                Picture5_Click();
            return true;
        }
        // The notice has no mouse action.
        if (watched == Picture4 || watched == Label1)
            return true;
        Form_MouseUp(button);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // Pressed here, released here: neither is passed up to the parent.
        if (ownsMouse(watched))
            return true;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace melodune
