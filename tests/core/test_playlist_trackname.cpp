#include "core/trackname.h"

#include <gtest/gtest.h>

using namespace melodune;

TEST(TrackName, MangledBaseName)
{
    EXPECT_EQ(mangledTrackBaseName("D:\\Music\\a:b/c.mp3"), QStringLiteral("D-_Music_a-b_c.mp3"));
    EXPECT_EQ(mangledTrackBaseName("http://radio.example/live"), QStringLiteral("http-__radio.example_live"));
    const QString longPath = "/" + QString(199, u'x') + "z";
    const QString base = mangledTrackBaseName(longPath);
    EXPECT_EQ(base.size(), 150);
    EXPECT_TRUE(base.endsWith(u'z'));
}

TEST(TrackName, FitsTheFileSystemLimit)
{
    EXPECT_EQ(mangledTrackName("/home/u/a.mp3", ".lrc"), QStringLiteral("_home_u_a.mp3.lrc"));

    struct Case { const char* name; QString path; };
    const Case cases[] = {
        {"chinese", "/home/u/" + QString(200, QChar(0x6B4C)) + ".mp3"},
        {"emoji", "/home/u/" + QString::fromUtf8("🎵").repeated(100) + ".mp3"},
        {"ascii", "/" + QString(300, u'a')},
    };
    for (const Case& c : cases) {
        for (const char* ext : {".lrc", ".pic"}) {
            const QString name = mangledTrackName(c.path, QString::fromLatin1(ext));
            EXPECT_LE(name.toUtf8().size(), 255) << c.name;
            EXPECT_TRUE(name.endsWith(QString::fromLatin1(ext))) << c.name;
            const QString base = name.chopped(4);
            EXPECT_TRUE(mangledTrackBaseName(c.path).endsWith(base)) << c.name;
            EXPECT_FALSE(base.isEmpty() || base.front().isLowSurrogate()) << c.name;
        }
        EXPECT_EQ(mangledTrackName(c.path, ".lrc").chopped(4), mangledTrackName(c.path, ".pic").chopped(4));
    }
    // A short name with wide characters is not cut.
    EXPECT_EQ(mangledTrackName("/m/歌.mp3", ".lrc"), QStringLiteral("_m_歌.mp3.lrc"));
}

TEST(TrackName, BackgroundCopyName)
{
    const QString stamp = QStringLiteral("261210181530");
    EXPECT_EQ(backgroundCopyName(stamp, "sky.jpg"), QStringLiteral("261210181530_sky.jpg"));
    // 300 ASCII characters keep their last 200.
    const QString ascii = QString(100, u'a') + QString(199, u'b') + "c";
    EXPECT_EQ(backgroundCopyName(stamp, ascii), stamp + "_" + QString(199, u'b') + "c");
    // 200 Chinese characters are 600 bytes: the tail is cut to whole
    // characters until the name fits.
    const QString wide = QString(199, QChar(0x5929)) + QStringLiteral("空.jpg");
    const QString name = backgroundCopyName(stamp, wide);
    EXPECT_LE(name.toUtf8().size(), 255);
    EXPECT_GT(name.toUtf8().size(), 252);
    EXPECT_TRUE(name.startsWith(stamp + "_"));
    EXPECT_TRUE(name.endsWith(QStringLiteral("空.jpg")));
    const QString emoji = QString::fromUtf8("🎵").repeated(120);
    const QString e = backgroundCopyName(stamp, emoji);
    EXPECT_LE(e.toUtf8().size(), 255);
    EXPECT_FALSE(e.mid(stamp.size() + 1).front().isLowSurrogate());
}
