#include "tests/support/mainwindow.h"

#include "platform/mixer.h"
#include "platform/mpvmediacontrol.h"

namespace testsupport {

namespace {

void useFakeCapture(bool fake)
{
    if (fake)
        rt::setCaptureSourceFactory([](QString*) { return std::make_unique<rt::FakeCaptureSource>(); });
    else
        rt::setCaptureSourceFactory({});
}

} // namespace

MainWindowSurroundings::MainWindowSurroundings(rt::ScriptedUi& ui, const WindowOptions& options)
    : options_(options), ui_(ui), scopedUi_(&ui)
{
    if (options.fakeClock)
        scopedClock_.emplace(&clock);
    useFakeCapture(options.fakeCapture);
    rt::setMixerFactory({});
    rt::setAppTitle(QStringLiteral("Melodune"));
    resetState();
    if (options.makeDataFolder) {
        QDir().mkpath(melodune::shared().DataDir);
        for (const QString& sub : options.dataFolders)
            QDir(melodune::shared().DataDir).mkpath(sub);
    }

    services.createMedia = [this](QObject* parent) {
        return makeMedia ? makeMedia(parent) : new rt::FakeMediaControl(nullptr, parent);
    };
}

MainWindowSurroundings::~MainWindowSurroundings()
{
    closeWindow();
    rt::setCaptureSourceFactory({});
    rt::setMixerFactory({});
    melodune::settings() = melodune::SettingsRecord{};
    melodune::shared() = melodune::SharedState{};
}

void MainWindowSurroundings::resetState()
{
    melodune::shared() = melodune::SharedState{};
    melodune::shared().DataDir = options_.dataFolder.isEmpty() ? dir.path() : dir.file(options_.dataFolder);
    melodune::settings() = melodune::SettingsRecord{};
    if (options_.defaultSettings) {
        std::int32_t index = -1;
        melodune::assignSettingDefaults(melodune::settings(), &index);
    }
}

melodune::FrmMain& MainWindowSurroundings::startWith(const QStringList& entries, int current)
{
    if (!entries.isEmpty()) {
        EXPECT_TRUE(melodune::writePlaylistFile(listFile(), entries, current));
    }
    w = std::make_unique<melodune::FrmMain>(services);
    EXPECT_TRUE(w->Form_Load());
    w->Timer[3]->stop();
    settle();
    ui_.calls.clear();
    if (rt::FakeMediaControl* f = fake())
        f->calls.clear();
    return *w;
}

melodune::FrmMain& MainWindowSurroundings::playing(const QStringList& entries, int current)
{
    startWith(entries, current);
    w->Timer3_Timer();
    settle();
    if (rt::FakeMediaControl* f = fake())
        f->calls.clear();
    return *w;
}

void MainWindowSurroundings::freshStart()
{
    w.reset();
    QDir(melodune::shared().DataDir).removeRecursively();
    QDir().mkpath(melodune::shared().DataDir);
    melodune::settings() = melodune::SettingsRecord{};
    ui_.msgAnswers.clear();
}

QStringList MainWindowSurroundings::entries() const
{
    QStringList out;
    for (int i = 0; i < w->List1->count(); ++i)
        out << w->List1->item(i)->text();
    return out;
}

void MainWindowSurroundings::settle(int rounds)
{
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}

int MainWindowSurroundings::questionsAsked(const QString& text) const
{
    int n = 0;
    for (const auto& c : ui_.calls)
        n += c.kind == QLatin1String("msg") && c.text == text;
    return n;
}

int MainWindowSurroundings::fileDialogsOpened() const
{
    int n = 0;
    for (const auto& c : ui_.calls)
        n += c.kind == QLatin1String("open");
    return n;
}

rt::MediaControl* nullOutputMpv(QObject* parent)
{
    return new rt::MpvMediaControl(rt::MpvOptions::parse(QStringLiteral("ao=null,vo=null,open-timeout-ms=5000")),
                                   nullptr, parent);
}

} // namespace testsupport
