// The file-type dialog's icons on a screen of device pixel ratio 2 (the
// suite runs this program at QT_SCALE_FACTOR=2) with a desktop icon theme:
// each icon keeps its place of 24 logical pixels, drawn at the screen's
// pixels.
#include "dialogs/fileshell.h"
#include "dialogs/frmfileshell.h"
#include "platform/fileassoc.h"
#include "platform/registry.h"

#include "tests/support/testdir.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <gtest/gtest.h>

using namespace melodune;

TEST(ScaledFileShell, ThemeIconsFillTheirPlaceAtTheScreensPixels)
{
    testsupport::TestDir dir;
    rt::Registry store{dir.file("registry.ini")};
    rt::ScopedRegistry scopedStore{&store};
    rt::RecordingFileAssociations desktop;
    rt::ScopedFileAssociations scopedDesktop{&desktop};

    // A theme that knows the MP3 type: the dialog then takes the desktop's
    // icon for it, which comes at the screen's ratio.
    ASSERT_TRUE(QDir().mkpath(dir.file("icons/fake/48x48/mimetypes")));
    QFile index(dir.file("icons/fake/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=fake\nDirectories=48x48/mimetypes\n\n"
                "[48x48/mimetypes]\nSize=48\nContext=MimeTypes\nType=Fixed\n");
    index.close();
    QImage picture(48, 48, QImage::Format_ARGB32);
    picture.fill(qRgb(0, 0, 255));
    ASSERT_TRUE(picture.save(dir.file("icons/fake/48x48/mimetypes/audio-mpeg.png")));
    struct ThemeScope {
        QStringList paths = QIcon::themeSearchPaths();
        QString name = QIcon::themeName();
        ~ThemeScope()
        {
            QIcon::setThemeName(name);
            QIcon::setThemeSearchPaths(paths);
        }
    } restore;
    QIcon::setThemeSearchPaths({dir.file("icons")});
    QIcon::setThemeName(QStringLiteral("fake"));

    ASSERT_TRUE(QDir().mkpath(dir.file("data/res")));
    ASSERT_TRUE(QFile::copy(QString(MELODUNE_SOURCE_DIR) + "/data/res/ico.mp3", dir.file("data/res/ico.mp3")));
    FrmFileShell d(nullptr, dir.file("data"), QStringLiteral("/opt/melodune"));
    d.show();
    ASSERT_EQ(d.devicePixelRatioF(), 2.0);
    const int mp3 = int(fileShellExtensions().indexOf(QStringLiteral("mp3")));
    const QPixmap icon = d.typeIcon(mp3);
    ASSERT_EQ(icon.deviceIndependentSize(), QSizeF(24, 24));
    ASSERT_EQ(icon.size(), QSize(48, 48));

    // On the dialog: all 48 x 48 of its pixels, one device pixel each.
    const QImage shot = d.grab().toImage();
    const QImage pixels = icon.toImage();
    const QPoint at = d.Image1[mp3].topLeft() * 2;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            if (qAlpha(pixels.pixel(x, y)) == 255) {
                ASSERT_EQ(shot.pixel(at.x() + x, at.y() + y), pixels.pixel(x, y)) << x << "," << y;
            }
}
