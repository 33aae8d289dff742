#include "platform/effect.h"

#include "platform/effectdsp.h"
#include "platform/soundworker.h"
#include "platform/wavfile.h"

#include <QFile>
#include <QSaveFile>
#include <sndfile.h>

#include <memory>
#include <optional>
#include <vector>

namespace rt {

int effectSemitones(std::int16_t amount) { return amount >= 0 ? amount + 1 : amount; }

namespace {

struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved, full scale ±1
};

bool readSound(const QString& path, Sound* sound, const std::atomic<bool>& cancelled, QString* error)
{
    SF_INFO si{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &si);
    if (!f) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, QString::fromUtf8(sf_strerror(nullptr)));
        return false;
    }
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> closer(f, sf_close);
    if (si.channels < 1 || si.channels > 2) {
        *error = QStringLiteral("%1 has %2 channels; only 1 or 2 are handled").arg(path).arg(si.channels);
        return false;
    }
    sound->rate = si.samplerate;
    sound->channels = si.channels;
    sound->samples.assign(static_cast<size_t>(si.frames) * si.channels, 0.0f);
    constexpr sf_count_t Block = 65536;
    sf_count_t done = 0;
    while (done < si.frames) {
        if (cancelled)
            return false;
        const sf_count_t got =
            sf_readf_float(f, sound->samples.data() + done * si.channels, std::min(Block, si.frames - done));
        if (got <= 0)
            break;
        done += got;
    }
    sound->samples.resize(static_cast<size_t>(done) * si.channels);
    if (sf_error(f) != SF_ERR_NO_ERROR) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, QString::fromUtf8(sf_strerror(f)));
        return false;
    }
    return true;
}

class EffectEngine : public EffectControl {
public:
    using EffectControl::EffectControl;
    ~EffectEngine() override { worker_.cancel(); }

    void open(const QString& path) override
    {
        sound_.reset();
        values_.reset();
        amount_.reset();
        auto loaded = std::make_shared<Sound>();
        run(
            [path, loaded](const std::atomic<bool>& cancelled) {
                SoundResult r;
                r.ok = readSound(path, loaded.get(), cancelled, &r.error.text);
                return r;
            },
            StatusOpened, [this, loaded]() { sound_ = loaded; });
    }

    void setValues(const Values& values) override
    {
        if (!sound_)
            return fail(QStringLiteral("no sound open"));
        values_ = values;
        answer(StatusValuesSet);
    }

    void shift(std::int16_t amount, std::int32_t blockSize) override
    {
        if (!sound_)
            return fail(QStringLiteral("no sound open"));
        if (amount < -12 || amount > 11 || blockSize < 64 || blockSize > 65536)
            return fail(QStringLiteral("key shift %1 with block %2 is out of range").arg(amount).arg(blockSize));
        amount_ = amount;
        block_ = blockSize;
        answer(StatusShifted);
    }

    void save(const QString& path) override
    {
        if (!sound_)
            return fail(QStringLiteral("no sound open"));
        run(
            [path, sound = sound_, values = values_, amount = amount_, block = block_](
                const std::atomic<bool>& cancelled) {
                SoundResult r;
                r.ok = process(path, *sound, values, amount, block, cancelled, &r.error);
                return r;
            },
            StatusSaved, {});
    }

    void cancel() override { worker_.cancel(); }
    bool running() const override { return worker_.running() && busyWork_; }
    SoundError lastError() const override { return error_; }

private:
    static bool process(const QString& path, const Sound& sound, const std::optional<Values>& values,
                        const std::optional<std::int16_t>& amount, int block, const std::atomic<bool>& cancelled,
                        SoundError* error)
    {
        // Each stage makes its own buffer only when it runs; the open sound
        // stays as read, so it can be saved again with other settings.
        const std::vector<float>* samples = &sound.samples;
        std::vector<float> boosted, shifted;
        double level = 1.0;
        if (values) {
            std::array<std::int16_t, 9> bands{};
            std::copy_n(values->begin(), 9, bands.begin());
            boosted = sound.samples;
            applyBandBoosts(boosted, sound.channels, sound.rate, bands);
            samples = &boosted;
            level = std::max(0, static_cast<int>((*values)[9])) / 100.0;
        }
        if (cancelled)
            return false;
        if (amount) {
            if (!shiftKey(*samples, &shifted, sound.channels, sound.rate, effectSemitones(*amount), block, &cancelled,
                          &error->text))
                return false;
            samples = &shifted;
        }
        std::vector<std::int16_t> pcm(samples->size());
        toPcm16(samples->data(), samples->size(), level, pcm.data());
        if (cancelled)
            return false;
        const qint64 bytes = static_cast<qint64>(pcm.size()) * 2;
        QString why;
        if (writeWavFile(path, pcmFormat(sound.rate, static_cast<std::int16_t>(sound.channels), 16),
                         reinterpret_cast<const char*>(pcm.data()), bytes, &why))
            return true;
        *error = writeFailure(path, why);
        return false;
    }

    void run(SoundWorker::Work work, int status, std::function<void()> onSuccess)
    {
        error_ = {};
        busyWork_ = true;
        worker_.start(this, std::move(work), [this, status, onSuccess](const SoundResult& r) {
            busyWork_ = false;
            if (r.ok) {
                if (onSuccess)
                    onSuccess();
                emit statusChange(status);
            } else {
                error_ = r.error;
                if (error_.text.isEmpty())
                    error_.text = QStringLiteral("effect failed");
                emit statusChange(StatusFailed);
            }
        });
    }

    // Quick calls still answer through the event loop, after any work
    // before them has been dropped.
    void answer(int status)
    {
        busyWork_ = false;
        error_ = {};
        worker_.start(this, [](const std::atomic<bool>&) { return SoundResult{true, {}}; },
                      [this, status](const SoundResult&) { emit statusChange(status); });
    }

    void fail(const QString& why)
    {
        busyWork_ = false;
        worker_.start(this, [why](const std::atomic<bool>&) { return SoundResult{false, {why}}; },
                      [this](const SoundResult& r) {
                          error_ = r.error;
                          emit statusChange(StatusFailed);
                      });
    }

    std::shared_ptr<const Sound> sound_{};
    std::optional<Values> values_{};
    std::optional<std::int16_t> amount_{};
    int block_ = 2048;
    SoundError error_;
    bool busyWork_ = false;
    SoundWorker worker_;
};

} // namespace

EffectControl* createEffectControl(QObject* parent) { return new EffectEngine(parent); }

} // namespace rt
