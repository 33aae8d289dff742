// The song picture and the lyric backgrounds.
#include "core/frmmain.h"

#include "core/appenv.h"
#include "core/settings.h"
#include "core/shared.h"
#include "core/trackname.h"
#include "platform/atomicfile.h"
#include "platform/ui.h"
#include "platform/units.h"
#include "visual/picturelayout.h"
#include "visual/skin.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QTimer>

namespace melodune {

namespace {

QRect twipsToPixels(const QRect& r)
{
    return QRect(rt::twipsToPixels(r.x()), rt::twipsToPixels(r.y()), rt::twipsToPixels(r.width()),
                 rt::twipsToPixels(r.height()));
}

QString storedPicturePath(const QString& track)
{
    return shared().DataDir + QStringLiteral("/PICS/") + mangledTrackName(track, QStringLiteral(".pic"));
}

} // namespace

void FrmMain::ShowCoverPicture(const QString& path)
{
    SharedState& sh = shared();
    const SettingsRecord& s = settings();
    // Hidden until the picture is in place.
    Picture2->setEnabled(false);
    Image2->hide();
    sh.CoverPicPath.clear();
    if (Track.CurrentFile.isEmpty())
        return;
    // The default picture, over the whole area.
    const QRect whole = twipsToPixels(QRect(0, 0, kPictureAreaWidthTwips, kPictureAreaHeightTwips));
    Image2->setScaledContents(true);
    Image2->setPixmap(Image1->pixmap());
    Image2->setGeometry(whole);
    // The track's stored picture unless another is given.
    const QString file = path.isEmpty() ? storedPicturePath(Track.CurrentFile) : path;
    // While Timer6 runs only the song picture is refreshed: the lyric
    // backgrounds stay as they are.
    const bool songPictureOnly = Timer[6]->isActive();
    if (!QFileInfo(file).isFile()) {
        // A random background; an empty folder or a file that does not
        // load keeps the one there is.
        if (!songPictureOnly) {
            rebuildBackgroundList(sh);
            if (const QString bk = randomBackgroundPath(sh); !bk.isEmpty())
                if (const QPixmap p = loadPicture(bk); !p.isNull())
                    setLyricBackground(p);
        }
    } else if (const QPixmap picture = loadPicture(file); !picture.isNull()) {
        // A picture that does not load leaves the default one.
        const QSize natural(rt::pixelsToTwips(picture.width()), rt::pixelsToTwips(picture.height()));
        Image2->setPixmap(picture);
        Image2->setGeometry(twipsToPixels(coverPictureRect(natural, s.PictureStretch == 1)));
        // It is the lyric views' background too.
        sh.CoverPicPath = file;
        if (!songPictureOnly) {
            LrcView.LrcPaintCounter = 1;
            setLyricBackground(picture);
        }
    }
    if (s.PictureMode > 0)
        Picture2->show();
    // While a video plays the picture stays hidden and the area disabled.
    if (MediaPlayer1->imageSourceWidth() == 0 && MediaPlayer1->imageSourceHeight() == 0) {
        Image2->show();
        Picture2->setEnabled(true);
    }
}

void FrmMain::mnuOpenPic_Click()
{
    if (Track.CurrentFile.isEmpty() || pictureCommandRunning_)
        return;
    pictureCommandRunning_ = true;
    // The picture belongs to the track the command began with, even when the
    // track changes while a box is open.
    const QString track = Track.CurrentFile;
    QPointer<FrmMain> self(this);
    auto sameTrack = [&] { return Track.CurrentFile == track; };
    // The song waits while the boxes are open.
    if (MediaPlayer1->duration() != 0 && MediaPlayer1->playState() == rt::MediaControl::Playing)
        MediaPlayer1->pause();

    [&] {
        rt::FileDialogRequest req;
        req.title = QStringLiteral("查找/替换图片");
        req.filter = QStringLiteral(
            "图片文件(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|PICS文件(*.pic)|*.pic|所有文件(*.*)|*.*");
        const rt::FileDialogResult chosen = rt::ui().openFile(req);
        if (!self || chosen.files.isEmpty() || chosen.files.first().isEmpty())
            return;
        const QString file = chosen.files.first();
        // Only a picture is stored: anything else would replace a good one.
        if (loadPicture(file).isNull()) {
            rt::ui().msgBox(QStringLiteral("错误或不支持的图片文件！"), rt::OkOnly | rt::Exclamation);
            return;
        }
        // Shown at once while its track is the current one.
        if (sameTrack()) {
            ShowCoverPicture(file);
            Image2->show();
        }
        // Stored under the track's name, asking before one is replaced.
        const QString dest = storedPicturePath(track);
        QCoreApplication::processEvents();
        if (!self)
            return;
        if (QFileInfo::exists(dest)) {
            const int answer = rt::ui().msgBox(QStringLiteral("你要保存当前的图片文件来替换原来的图片文件吗?"),
                                               rt::YesNo | rt::Exclamation);
            if (!self)
                return;
            if (answer != rt::Yes) {
                if (settings().PictureMode > 0 && sameTrack())
                    ShowCoverPicture(dest);
                return;
            }
        }
        // A copy that fails leaves the stored picture as it was.
        QString error;
        if (!rt::copyFileAtomically(file, dest, &error)) {
            rt::ui().msgBox(QStringLiteral("无法保存图片文件，原来的图片文件保持不变。\n") + error,
                            rt::OkOnly | rt::Exclamation);
            return;
        }
        if (!self || !sameTrack())
            return;
        mnuShowPic->setChecked(true);
        Picture2->show();
        shared().CoverPicPath = dest;
    }();

    if (!self)
        return;
    pictureCommandRunning_ = false;
    // The song goes on.
    if (MediaPlayer1->playState() == rt::MediaControl::Paused)
        MediaPlayer1->play();
}

void FrmMain::Timer6_Timer()
{
    // Still running while the picture is shown: the song picture only.
    ShowCoverPicture(QString());
    Timer[6]->stop();
    emit coverPictureRefreshed();
}

// ---- the settings dialog's and the lyrics window's view of the pictures ----

QPixmap FrmMain::songPicture() const { return Image2->pixmap(); }

QPixmap FrmMain::lyricBackground() const { return Image6->pixmap(); }

void FrmMain::placeSongPicture(const QRect& twips)
{
    Image2->setScaledContents(true);
    Image2->setGeometry(twipsToPixels(twips));
}

void FrmMain::setDefaultPicture(const QPixmap& picture) { Image1->setPixmap(picture); }

void FrmMain::showDefaultPicture()
{
    placeSongPicture(QRect(0, 0, kPictureAreaWidthTwips, kPictureAreaHeightTwips));
    Image2->setPixmap(Image1->pixmap());
    Timer[6]->start();
}

void FrmMain::whenSongPictureRedrawn(QObject* receiver, std::function<void()> done)
{
    connect(this, &FrmMain::coverPictureRefreshed, receiver, std::move(done));
}

} // namespace melodune
