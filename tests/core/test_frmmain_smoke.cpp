#include "core/frmmain.h"
#include "core/shared.h"
#include "platform/dsound.h"
#include "platform/mediacontrolfake.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "tests/support/testdir.h"

#include <QListWidget>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace melodune;

TEST(FrmMainSmoke, StartsInAnEmptyDataFolderAndEndsCleanly)
{
    testsupport::TestDir dir;
    rt::ScriptedUi ui;
    rt::ScopedUi scoped(&ui);
    rt::Registry reg(dir.file("registry.ini"));
    rt::ScopedRegistry scopedReg(&reg);
    rt::setCaptureSourceFactory([](QString*) { return std::make_unique<rt::FakeCaptureSource>(); });
    shared() = SharedState{};
    shared().DataDir = dir.file("data");

    FrmMainServices services;
    services.createMedia = [](QObject* parent) { return new rt::FakeMediaControl(nullptr, parent); };
    {
        FrmMain w(services);
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
    rt::setCaptureSourceFactory({});
}
