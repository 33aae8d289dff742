#pragma once
// A main window for the transport, key and media-event tests: loaded
// offscreen with scripted answers, a temporary data folder and registry, the
// capture input replaced, and a media control made by the test.
#include "core/frmmain.h"
#include "core/playlistfile.h"
#include "core/settings.h"
#include "core/shared.h"
#include "platform/clock.h"
#include "platform/dsound.h"
#include "platform/mediacontrolfake.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "tests/support/testdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace transporttest {

class WindowTest : public ::testing::Test {
protected:
    testsupport::TestDir dir;
    rt::Registry registry{dir.file("registry.ini")};
    rt::ScopedRegistry scopedRegistry{&registry};
    rt::ScriptedUi ui;
    rt::ScopedUi scopedUi{&ui};
    rt::FakeClock fakeClock;
    rt::ScopedClock scopedClock{&fakeClock};
    melodune::FrmMainServices services;
    std::unique_ptr<melodune::FrmMain> w;
    rt::MediaControl* mc = nullptr;

    void SetUp() override
    {
        rt::setCaptureSourceFactory([](QString*) { return std::make_unique<rt::FakeCaptureSource>(); });
        melodune::shared() = melodune::SharedState{};
        melodune::settings() = melodune::SettingsRecord{};
        melodune::shared().DataDir = dir.file("data");
        QDir().mkpath(melodune::shared().DataDir);
        services.createMedia = [this](QObject* parent) {
            mc = makeMedia ? makeMedia(parent) : new rt::FakeMediaControl(nullptr, parent);
            return mc;
        };
    }
    void TearDown() override
    {
        w.reset();
        rt::setCaptureSourceFactory({});
    }

    // Replaces the stand-in (real control tests).
    std::function<rt::MediaControl*(QObject*)> makeMedia;

    // A loaded window with List.mdu holding `entries` and `current` selected;
    // its deferred start is left to the test.
    melodune::FrmMain& startWith(const QStringList& entries, int current = 0)
    {
        if (!entries.isEmpty()) {
            EXPECT_TRUE(melodune::writePlaylistFile(listFile(), entries, current));
        }
        w = std::make_unique<melodune::FrmMain>(services);
        EXPECT_TRUE(w->Form_Load());
        w->Timer[3]->stop();
        settle();
        ui.calls.clear();
        if (rt::FakeMediaControl* f = fake())
            f->calls.clear();
        return *w;
    }
    // As startWith, then the deferred start (which plays with AutoPlay 1).
    melodune::FrmMain& playing(const QStringList& entries, int current = 0)
    {
        startWith(entries, current);
        w->Timer3_Timer();
        settle();
        if (rt::FakeMediaControl* f = fake()) {
            f->calls.clear();
        }
        return *w;
    }

    // An empty data folder and fresh settings, for each case of a table.
    void freshStart()
    {
        w.reset();
        QDir(melodune::shared().DataDir).removeRecursively();
        QDir().mkpath(melodune::shared().DataDir);
        melodune::settings() = melodune::SettingsRecord{};
        ui.msgAnswers.clear();
    }

    QString listFile() const { return melodune::listFilePath(melodune::shared().DataDir); }
    rt::FakeMediaControl* fake() const { return dynamic_cast<rt::FakeMediaControl*>(w->MediaPlayer1); }
    QStringList entries() const
    {
        QStringList out;
        for (int i = 0; i < w->List1->count(); ++i)
            out << w->List1->item(i)->text();
        return out;
    }
    // Lets the queued media events run.
    // Next from the current entry, running `nested` once from the new
    // track's first open event, while the load lets messages run. True when
    // it ran.
    bool nextWithNested(melodune::FrmMain& win, const std::function<void()>& nested)
    {
        bool ran = false;
        const QMetaObject::Connection c =
            QObject::connect(win.MediaPlayer1, &rt::MediaControl::OpenStateChange, &win, [&] {
                if (!ran) {
                    ran = true;
                    nested();
                }
            });
        win.mnuNext_Click();
        settle();
        QObject::disconnect(c);
        return ran;
    }

    static void settle(int rounds = 10)
    {
        for (int i = 0; i < rounds; ++i)
            QCoreApplication::processEvents();
    }
    static bool waitUntil(const std::function<bool()>& pred, int ms) { return QTest::qWaitFor(pred, ms); }
    // The answered questions, as "msg" calls with a Yes/No style.
    int questionsAsked(const QString& text) const
    {
        int n = 0;
        for (const auto& c : ui.calls)
            n += c.kind == QLatin1String("msg") && c.text == text;
        return n;
    }
    int fileDialogsOpened() const
    {
        int n = 0;
        for (const auto& c : ui.calls)
            n += c.kind == QLatin1String("open");
        return n;
    }
};

} // namespace transporttest
