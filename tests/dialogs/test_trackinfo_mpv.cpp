// The track information of a tagged file as the real media control reads it.
#include "dialogs/frminfo.h"
#include "dialogs/trackinfo.h"
#include "platform/mpvmediacontrol.h"
#include "tests/support/audiogen.h"
#include "tests/support/testdir.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace melodune;

TEST(TrackInfoMpv, TagsTimeAndSizeOfATaggedMp3)
{
    testsupport::TestDir dir;
    const QString path = dir.file("带标签.mp3");
    const testsupport::MediaTags tags{.title = QStringLiteral("月亮代表我的心"),
                                      .artist = QStringLiteral("歌手"),
                                      .copyright = QStringLiteral("© 2026 测试"),
                                      .comment = QStringLiteral("一段说明")};
    ASSERT_TRUE(testsupport::writeSineMp3(path, testsupport::ToneSpec{.seconds = 2.0}, tags));

    rt::MpvMediaControl media(rt::MpvOptions::parse("ao=null,vo=null,open-timeout-ms=5000"));
    media.setFileName(path);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    FrmInfo info(media, nullptr, us);

    EXPECT_EQ(info.fieldText(1), path);
    EXPECT_EQ(info.fieldText(2), tags.title);
    EXPECT_EQ(info.fieldText(3), tags.artist);
    EXPECT_EQ(info.fieldText(4), tags.copyright);
    const QString time = info.fieldText(5);
    ASSERT_TRUE(time.endsWith(QStringLiteral(" 秒"))) << time.toStdString();
    EXPECT_NEAR(time.chopped(2).toDouble(), 2.0, 0.06) << time.toStdString();
    EXPECT_EQ(info.fieldText(6), fileSizeText(QFileInfo(path).size(), us));
    EXPECT_EQ(info.fieldText(8), fileDateText(QFileInfo(path).lastModified(), us));
    EXPECT_EQ(info.fieldText(9), tags.comment);
}
