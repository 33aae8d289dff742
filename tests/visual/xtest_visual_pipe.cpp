// The animation tick on the suite's display with the test sound server's
// pipe source fed in real time: the meter and the effects from real capture.
// tests/run_tests.sh starts the server and names the pipe; without it the
// test skips. With MELODUNE_VIS_SHOTS set to a folder, pictures of every
// effect and of the marquee are saved there.
#include "core/appenv.h"
#include "platform/units.h"
#include "tests/support/mainwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace melodune;

namespace {

// Writes a ±16384 square wave (100-sample period, both channels) into the
// pipe at the real rate, 10 ms at a time, until stopped.
class PipeFeeder {
public:
    explicit PipeFeeder(const QByteArray& path)
    {
        fd_ = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
        if (fd_ < 0)
            return;
        ::fcntl(fd_, F_SETFL, 0); // blocking writes from here on
        thread_ = std::thread([this] { run(); });
    }
    ~PipeFeeder()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

private:
    void run()
    {
        std::vector<std::int16_t> chunk(441 * 2);
        long n = 0;
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            for (std::size_t i = 0; i < chunk.size(); i += 2, ++n)
                chunk[i] = chunk[i + 1] = (n / 50) % 2 ? -16384 : 16384;
            const char* p = reinterpret_cast<const char*>(chunk.data());
            std::size_t left = chunk.size() * 2;
            while (left > 0 && !stop_) {
                const ssize_t w = ::write(fd_, p, left);
                if (w <= 0)
                    return;
                p += w;
                left -= static_cast<std::size_t>(w);
            }
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
        }
    }
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

TEST(VisualPipe, MeterAndEffectsFromRealCapture)
{
    const QByteArray fifo = qgetenv("MELODUNE_TEST_MIC_FIFO");
    if (fifo.isEmpty())
        GTEST_SKIP() << "no test sound server; run under tests/run_tests.sh";
    testsupport::MainWindowFixture<> fixture({.fakeClock = false, .fakeCapture = false, .makeDataFolder = false});
    shared().SineTable = buildSineTable();
    settings().ShowRecVolume = 1;
    settings().ShowVisual = 1;
    settings().VisualRandom = 0;
    settings().VisualType = 1;

    // The pipe source, picked by name: the server's default input is the sine source.
    rt::setCaptureSourceFactory([](QString* error) -> std::unique_ptr<rt::CaptureSource> {
        return rt::PulseCaptureSource::create(error, QByteArrayLiteral("melodune_pipe"));
    });
    auto w = std::make_unique<FrmMain>(fixture.services);
    QString why;
    w->DSCapture = rt::DirectSoundCaptureCreate(&why);
    rt::setCaptureSourceFactory({});
    ASSERT_TRUE(w->DSCapture) << why.toStdString();

    // The panels where the start sequence puts them.
    w->Picture5->setGeometry(24, 32, 288, 216);
    w->Picture5->show();
    w->Picture3->setGeometry(rt::twipsToPixels(360), rt::twipsToPixels(6000), rt::twipsToPixels(4320), 12);
    w->Picture3->setPart(0, -3, 144);
    w->Picture3->setPart(1, 143, 145);
    w->Picture3->setPart(2, 141, 2);
    w->Picture3->setPart(3, 141, 2);
    w->show();

    PipeFeeder feeder(fifo);
    ASSERT_TRUE(feeder.ok());
    w->Timer[4]->start();
    QElapsedTimer t;
    t.start();
    while (!(w->Anim.Meter.left[0] == -809 && w->Anim.Meter.left[1] == 2909) && t.elapsed() < 15000)
        runFor(50);
    EXPECT_EQ(w->Anim.Meter.left[0], -809);
    EXPECT_EQ(w->Anim.Meter.left[1], 2909);
    EXPECT_EQ(w->Picture3->partX(0), -53);
    EXPECT_EQ(w->Picture3->partX(1), 193);

    // The share of ticks that had a fresh block, over two seconds (reported).
    const auto ticks0 = w->Anim.AnimationTicks, read0 = w->Anim.AnimationTicksRead;
    runFor(2000);
    const auto ticks = w->Anim.AnimationTicks - ticks0, read = w->Anim.AnimationTicksRead - read0;
    std::printf("ticks %llu, with a fresh block %llu (%.0f %%)\n", static_cast<unsigned long long>(ticks),
                static_cast<unsigned long long>(read), ticks ? 100.0 * double(read) / double(ticks) : 0.0);
    EXPECT_GT(read, 0u);

    const QString shots = qEnvironmentVariable("MELODUNE_VIS_SHOTS");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        for (int effect = 1; effect <= 9; ++effect) {
            w->mnuSelVisual_Click(effect);
            runFor(1500);
            w->Picture5->grab().save(shots + QStringLiteral("/effect%1.png").arg(effect));
        }
        w->grab(QRect(0, 0, 340, 270)).save(shots + QStringLiteral("/window.png"));
        // The marquee over the warping surface.
        w->mnuShowVisualS_Click();
        settings().LrcViewMode = 1;
        w->Picture1->setGeometry(330, 32, 334, 240);
        w->Picture1->show();
        w->LrcView.LrcCurLine = QStringLiteral("这是一句正在移动的歌词 sing along");
        w->LrcView.LrcNextLine = QStringLiteral("下一句歌词");
        w->LrcView.LrcMarqueeX = 100;
        w->LrcView.LrcMarqueeStep = 2;
        for (int i = 0; i < 40; ++i) {
            w->paintLyricViews();
            runFor(50);
        }
        w->Picture1->grab().save(shots + QStringLiteral("/marquee.png"));
    }
    w->Timer[4]->stop();
}
