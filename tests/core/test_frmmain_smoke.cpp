#include "tests/support/mainwindow.h"

#include <QListWidget>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace melodune;

TEST(FrmMainSmoke, StartsInAnEmptyDataFolderAndEndsCleanly)
{
    testsupport::MainWindowFixture<> fixture({.fakeClock = false, .makeDataFolder = false});
    const testsupport::TestDir& dir = fixture.dir;
    {
        FrmMain w(fixture.services);
        ASSERT_TRUE(w.Form_Load());
        EXPECT_TRUE(dir.exists("data/LRCS"));
        EXPECT_TRUE(dir.exists("data/PICS"));
        EXPECT_TRUE(dir.exists("data/TEMP"));
        QSignalSpy ended(&w, &FrmMain::programEnded);
        w.mnuExit_Click();
        EXPECT_EQ(ended.count(), 1);
        EXPECT_TRUE(dir.exists("data/SetLog.ini"));
        EXPECT_FALSE(dir.exists("data/List.mdu")) << "an empty list writes no list file";
    }
}
