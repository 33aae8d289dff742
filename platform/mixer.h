#pragma once
// The sound server's recording side as the input panel sees it: its
// sources (inputs), their ports and their volume.
//
// Every call of the libpulse mixer waits for the server within a bound, so
// a server that went away, or stopped answering, never holds the window.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace rt {

// The server's full volume (100 %), as pavucontrol shows it.
constexpr std::uint32_t MixerVolumeNorm = 0x10000U;

// The panel's raw scale 0..65535 against the server's volume, linear with
// 65535 = MixerVolumeNorm; the round trip raw -> server -> raw is exact, and
// a volume above 100 % reads as 65535.
std::uint32_t serverVolumeFromRaw(std::int32_t raw);
std::int32_t rawFromServerVolume(std::uint32_t volume);

struct MixerPort {
    QByteArray name;
    QString description;
    int type = 0; // PA_DEVICE_PORT_TYPE_*
};

struct MixerSourceInfo {
    QByteArray name;
    QString description;
    bool monitor = false; // the monitor of an output: not an input
};

struct MixerSourceState {
    QString description;
    std::vector<MixerPort> ports; // in the server's order
    int activePort = -1;          // index into ports; -1 none
    std::vector<std::uint32_t> volume; // one per channel
};

class Mixer {
public:
    virtual ~Mixer() = default;
    // Every source in the server's order, and the default source's name
    // (empty when it has none). False when the server does not answer.
    virtual bool sources(std::vector<MixerSourceInfo>* list, QByteArray* defaultName) = 0;
    // One source's ports and volume; false when it is gone or no answer came.
    virtual bool sourceState(const QByteArray& source, MixerSourceState* state) = 0;
    virtual bool setActivePort(const QByteArray& source, const QByteArray& port) = 0;
    // Sets each of `channels` channels to `volume`; the mute stays as it is.
    virtual bool setVolume(const QByteArray& source, int channels, std::uint32_t volume) = 0;
    // From now on `onChange` runs on this thread (from its event loop)
    // whenever an input may have come or gone or the default input changed,
    // and once the server answers again after it went away or stopped
    // answering. Nothing waits for the server meanwhile.
    virtual void watch(std::function<void()> onChange) = 0;
};

// How long a mixer call waits for an answer, and how long calls fail at once
// after one went unanswered.
struct MixerTiming {
    int answerWaitMs = 1000;
    int quietAfterTimeoutMs = 3000;
};

// The mixer of the sound server named by the environment (PULSE_SERVER or
// the user's own), over one libpulse connection kept between calls. A call
// that finds no connection makes one; one that gets no answer within about
// a second fails, and so does every call for the next few seconds after it,
// unless the server is heard from again sooner (watch()).
class PulseMixer : public Mixer {
public:
    // Tests shorten or stretch the times; the program keeps the defaults.
    explicit PulseMixer(MixerTiming timing = {});
    ~PulseMixer() override;
    PulseMixer(const PulseMixer&) = delete;
    PulseMixer& operator=(const PulseMixer&) = delete;

    bool sources(std::vector<MixerSourceInfo>* list, QByteArray* defaultName) override;
    bool sourceState(const QByteArray& source, MixerSourceState* state) override;
    bool setActivePort(const QByteArray& source, const QByteArray& port) override;
    bool setVolume(const QByteArray& source, int channels, std::uint32_t volume) override;
    // Over a second connection of its own, served by a libpulse thread.
    void watch(std::function<void()> onChange) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// A mixer for tests: sources held in memory, with switches for failures.
class FakeMixer : public Mixer {
public:
    struct Source {
        QByteArray name;
        QString description;
        bool monitor = false;
        bool answers = true;   // false: the server gives no answer about it
        bool portFails = false; // the server refuses port changes
        std::vector<MixerPort> ports;
        int activePort = -1;
        std::vector<std::uint32_t> volume{MixerVolumeNorm, MixerVolumeNorm};
    };
    std::vector<Source> list;
    QByteArray defaultSource;
    bool down = false; // no server
    int listCalls = 0;
    int volumeWrites = 0;
    int portWrites = 0;

    Source* find(const QByteArray& name);

    bool sources(std::vector<MixerSourceInfo>* out, QByteArray* defaultName) override;
    bool sourceState(const QByteArray& source, MixerSourceState* state) override;
    bool setActivePort(const QByteArray& source, const QByteArray& port) override;
    bool setVolume(const QByteArray& source, int channels, std::uint32_t volume) override;
    void watch(std::function<void()> onChange) override { this->onChange = std::move(onChange); }
    // What the server's change events would do.
    void announceChange()
    {
        if (onChange)
            onChange();
    }
    std::function<void()> onChange;
};

// The mixer the recorder uses: the libpulse one, unless a test set another.
using MixerFactory = std::function<std::unique_ptr<Mixer>()>;
void setMixerFactory(MixerFactory factory);
std::unique_ptr<Mixer> createMixer();

} // namespace rt
