#include "core/settings.h"
#include "lyrics/websearch.h"
#include "platform/shellopen.h"
#include "platform/ui.h"

#include <gtest/gtest.h>
#include <vector>

using namespace melodune;

namespace {

struct WebSearchTest : ::testing::Test {
    rt::ScriptedUi ui;
    rt::ScopedUi scopedUi{&ui};
    std::vector<QUrl> opened;
    void SetUp() override
    {
        std::int32_t index = 0;
        assignSettingDefaults(settings(), &index);
        rt::setUrlOpener([this](const QUrl& u) {
            opened.push_back(u);
            return true;
        });
    }
    void TearDown() override
    {
        rt::setUrlOpener({});
        qunsetenv("MELODUNE_LRC_HOST");
    }
};

} // namespace

TEST_F(WebSearchTest, LyricsSitePageUsesTheServiceHost)
{
    qunsetenv("MELODUNE_LRC_HOST");
    openLyricsSitePage();
    qputenv("MELODUNE_LRC_HOST", "http://127.0.0.1:9");
    openLyricsSitePage();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].toString(), QString("http://lrc.melodune.net/lrc/"));
    EXPECT_EQ(opened[1].toString(), QString("http://127.0.0.1:9/lrc/"));
    EXPECT_TRUE(ui.calls.empty());
}

TEST_F(WebSearchTest, KeywordSearches)
{
    ui.inputAnswers = {QString("  a&b #中 "), QString("   "), std::nullopt, QString("猫")};
    EXPECT_TRUE(searchMp3());
    EXPECT_FALSE(searchMp3());    // blanks only
    EXPECT_FALSE(searchImages()); // cancelled
    EXPECT_TRUE(searchImages());

    ASSERT_EQ(ui.calls.size(), 4u);
    EXPECT_EQ(ui.calls[0].kind, QString("input"));
    EXPECT_EQ(ui.calls[0].text, QString("请输入搜索关键词。\r\n"));
    EXPECT_EQ(ui.calls[0].title, QString("百度MP3搜索"));
    EXPECT_EQ(ui.calls[2].title, QString("百度图片搜索"));

    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].toEncoded(), settings().Mp3SearchUrl.toUtf8() + "a%26b%20%23%E4%B8%AD");
    EXPECT_EQ(opened[1].toEncoded(), settings().ImageSearchUrl.toUtf8() + "%E7%8C%AB");
}
