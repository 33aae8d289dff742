#include "core/settings.h"
#include "platform/legacytext.h"
#include "tests/support/testdir.h"

#include <gtest/gtest.h>

using namespace melodune;

namespace {

const char* DefaultLine =
    "\" 0 \",\"-1 \",\"-1 \",\" 128 \",\" 44100 \",\"-1 \",\" 10 \",\"-1 \",\" 1 \",\" 1 \",\" 3 \","
    "\" 1 \",\" 10 \",\" 1 \",\" 1 \",\" 0 \",\" 1 \",\" 1 \",\" 1 \",\" 0 \",\"\",\" 2 \",\" 0 \"\r\n";

struct Loaded {
    SettingsRecord s;
    std::int32_t index = -1;
};

Loaded loadFrom(const QByteArray& fileBytes, bool writeFile = true)
{
    testsupport::TestDir dir;
    if (writeFile)
        dir.write("SetLog.ini", fileBytes);
    Loaded l;
    assignSettingDefaults(l.s, &l.index);
    loadSettings(dir.path(), l.s, &l.index);
    return l;
}

// The default line with item `item` (1-based) replaced by `text` (quotes included).
QByteArray withItem(int item, const QByteArray& text)
{
    QList<QByteArray> items = QByteArray(DefaultLine).chopped(2).split(',');
    items[item - 1] = text;
    return items.join(',') + "\r\n";
}

} // namespace

TEST(Settings, DefaultLineIsByteExact)
{
    SettingsRecord s;
    std::int32_t index = 7;
    assignSettingDefaults(s, &index);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(settingsLine(s, index), QByteArray(DefaultLine));
}

TEST(Settings, FixedStartValues)
{
    SettingsRecord s;
    s.RandomPlay = true;
    s.LrcFontSize = 3;
    assignSettingDefaults(s, nullptr);
    EXPECT_TRUE(s.RandomPlay) << "the defaults step leaves RandomPlay alone";
    EXPECT_EQ(s.LrcFontSize, 10);
    EXPECT_EQ(s.LrcTextColor, rt::rgb(150, 150, 255));
    EXPECT_EQ(s.LrcFontName, QStringLiteral("宋体"));
    EXPECT_TRUE(s.WebSearchUrl.endsWith("/s?tn=&word="));
    EXPECT_TRUE(s.Mp3SearchUrl.contains("/m?f=ms&rn=&tn="));
    EXPECT_TRUE(s.Mp3SearchUrl.endsWith("&ct=134217728&lm=-1&word="));
    EXPECT_TRUE(s.ImageSearchUrl.contains("/i?ct=201326592&cl=2&lm=-1&tn="));
    EXPECT_TRUE(s.ImageSearchUrl.endsWith("&z=0&word="));
}

TEST(Settings, MissingFileKeepsDefaults)
{
    Loaded l = loadFrom({}, false);
    EXPECT_EQ(settingsLine(l.s, l.index), QByteArray(DefaultLine));
}

TEST(Settings, RoundTripOfChangedValues)
{
    testsupport::TestDir dir;
    SettingsRecord s;
    assignSettingDefaults(s, nullptr);
    s.RandomPlay = true;
    s.Mp3BitRate = 64000;
    s.AutoDownloadLrc = false;
    s.MaxRecordMinutes = 25;
    s.VisualType = 12;
    s.SkinFile = QStringLiteral("蓝色 天空, 2.bmp");
    s.LrcViewMode = 102;
    ASSERT_TRUE(saveSettings(dir.path(), s, 4));

    SettingsRecord r;
    std::int32_t index = -1;
    assignSettingDefaults(r, &index);
    r.RandomPlay = false;
    loadSettings(dir.path(), r, &index);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(settingsLine(r, index), settingsLine(s, 4));
    EXPECT_TRUE(r.RandomPlay);
    EXPECT_EQ(r.SkinFile, s.SkinFile) << "blanks and commas inside a quoted item survive";
    EXPECT_EQ(r.LrcViewMode, 102);
}

TEST(Settings, SkinNamesWhoseBytesLookLikeUtf8SurviveSaveAndLoad)
{
    for (const char* name : {"一.bmp", "小雪.bmp", "skins/同学 穹顶.bmp"}) {
        testsupport::TestDir dir;
        SettingsRecord s;
        assignSettingDefaults(s, nullptr);
        s.SkinFile = QString::fromUtf8(name);
        ASSERT_TRUE(saveSettings(dir.path(), s, 0));
        SettingsRecord r;
        assignSettingDefaults(r, nullptr);
        loadSettings(dir.path(), r, nullptr);
        EXPECT_EQ(r.SkinFile, s.SkinFile) << name;
    }
}

TEST(Settings, LoadingCases)
{
    struct Case {
        int item;
        QByteArray text;
        std::function<bool(const Loaded&)> check;
        const char* what;
    };
    const std::vector<Case> cases{
        {13, "\" 45 \"", [](const Loaded& l) { return l.s.MaxRecordMinutes == 30; }, "45 minutes clamps to 30"},
        {13, "\" 0 \"", [](const Loaded& l) { return l.s.MaxRecordMinutes == 1; }, "0 minutes clamps to 1"},
        {13, "\"\"", [](const Loaded& l) { return l.s.MaxRecordMinutes == 10; }, "empty keeps 10"},
        {17, "\" 0 \"", [](const Loaded& l) { return l.s.VisualType == 1; }, "visual 0 raised to 1"},
        {17, "\" 12 \"", [](const Loaded& l) { return l.s.VisualType == 12; }, "visual 12 stays"},
        {4, "\" 64 \"", [](const Loaded& l) { return l.s.Mp3BitRate == 64000; }, "kbit/s to bit/s"},
        {4, "\"abc\"", [](const Loaded& l) { return l.s.Mp3BitRate == 128000; }, "letters keep the default"},
        {4, "\" 3000000 \"", [](const Loaded& l) { return l.s.Mp3BitRate == 128000; }, "overflow keeps the default"},
        {22, "\" 102 \"", [](const Loaded& l) { return l.s.LrcViewMode == 102; }, "view 102 stays"},
        {1, "\"-1 \"", [](const Loaded& l) { return l.s.RandomPlay; }, "-1 is True"},
        {1, "\"True\"", [](const Loaded& l) { return l.s.RandomPlay; }, "the word True"},
        {6, "\" 0 \"", [](const Loaded& l) { return !l.s.AutoDownloadLrc; }, "0 is False"},
        {2, "\"-1 \"", [](const Loaded& l) { return l.index == -1; }, "index -1"},
        {2, "\" 2.5 \"", [](const Loaded& l) { return l.index == 2; }, "halves to even"},
        {2, "\" 3.5 \"", [](const Loaded& l) { return l.index == 4; }, "halves to even"},
        {19, " 0 ", [](const Loaded& l) { return l.s.AutoPlay == 0; }, "an unquoted field is trimmed"},
        {21, "\"\"", [](const Loaded& l) { return l.s.SkinFile.isEmpty(); }, "empty skin is the built-in one"},
        {21, "\"\xD2\xBB.bmp\"", [](const Loaded& l) { return l.s.SkinFile == QStringLiteral("一.bmp"); },
         "code page 936 that is also 2-byte UTF-8"},
        {21, "\"\xE4\xB8\x80.bmp\"", [](const Loaded& l) { return l.s.SkinFile == QStringLiteral("一.bmp"); },
         "a file saved as UTF-8"},
        {5, "\"x1\"", [](const Loaded& l) { return l.s.Mp3SampleRate == 44100; }, "not a number"},
    };
    for (const auto& c : cases) {
        Loaded l = loadFrom(withItem(c.item, c.text));
        EXPECT_TRUE(c.check(l)) << c.what << " (item " << c.item << " = " << c.text.constData() << ")";
    }
}

TEST(Settings, LineCutShort)
{
    // Ten fields set items 1-10; the rest keep their defaults.
    Loaded l = loadFrom("\"-1 \",\" 3 \",\" 0 \",\" 96 \",\" 22050 \",\" 0 \",\" 20 \",\" 0 \",\" 2 \",\" 0 \"");
    EXPECT_TRUE(l.s.RandomPlay);
    EXPECT_EQ(l.index, 3);
    EXPECT_FALSE(l.s.ShowMixerOnRecord);
    EXPECT_EQ(l.s.Mp3BitRate, 96000);
    EXPECT_EQ(l.s.Mp3SampleRate, 22050);
    EXPECT_FALSE(l.s.AutoDownloadLrc);
    EXPECT_EQ(l.s.LrcWaitSeconds, 20);
    EXPECT_FALSE(l.s.AutoFuzzySearch);
    EXPECT_EQ(l.s.PictureMode, 2);
    EXPECT_EQ(l.s.PictureStretch, 0);
    EXPECT_EQ(l.s.VocalCompensation, 3);
    EXPECT_EQ(l.s.MaxRecordMinutes, 10);
    EXPECT_EQ(l.s.LrcViewMode, 2);

    Loaded cut = loadFrom("\"-1 \",\" 3 \",\" 0 \",\" 9");
    EXPECT_EQ(cut.index, 3);
    EXPECT_EQ(cut.s.Mp3BitRate, 9000) << "a field cut inside its quotes still counts";
    EXPECT_EQ(cut.s.Mp3SampleRate, 44100);
}

TEST(Settings, SaveFailureLeavesOldFileAndReportsIt)
{
    testsupport::TestDir dir;
    SettingsRecord s;
    assignSettingDefaults(s, nullptr);
    // The data folder does not exist: nothing can be written, and the caller goes on.
    EXPECT_FALSE(saveSettings(dir.file("missing/folder"), s, -1));
}
