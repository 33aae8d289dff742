#include "platform/effect.h"

#include "platform/effectdsp.h"
#include "platform/soundworker.h"
#include "platform/wavfile.h"

#include <memory>
#include <optional>
#include <vector>

namespace rt {

int effectSemitones(std::int16_t amount) { return amount >= 0 ? amount + 1 : amount; }

namespace {

// What open() found: the file is read again, block by block, when saved.
struct Sound {
    QString path;
    int rate = 0;
    int channels = 0;
};

// A sound file read as float frames (full scale ±1).
class SoundFileSource : public FrameSource {
public:
    bool open(const QString& path, QString* error)
    {
        if (!file_.openMonoOrStereo(path, error))
            return false;
        channels_ = file_.channels();
        rate_ = file_.rate();
        frames_ = static_cast<std::size_t>(file_.frames());
        return true;
    }
    bool read(float* out, std::size_t count, std::size_t* got, QString* error) override
    {
        const qint64 n = file_.readFrames(out, static_cast<qint64>(count));
        *got = n > 0 ? static_cast<std::size_t>(n) : 0;
        if (n >= 0)
            return true;
        *error = file_.readError();
        return false;
    }
    bool rewind(QString* error) override
    {
        if (file_.rewind())
            return true;
        *error = file_.readError();
        return false;
    }

private:
    SoundReader file_;
};

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
            [path, loaded](const std::atomic<bool>&) {
                SoundResult r;
                SoundFileSource source;
                r.ok = source.open(path, &r.error.text);
                *loaded = {path, source.rate(), source.channels()};
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
        // The opened file, read again in blocks: memory stays the same
        // whatever the track's length.
        SoundFileSource source;
        if (!source.open(sound.path, &error->text))
            return false;
        if (source.rate() != sound.rate || source.channels() != sound.channels) {
            error->text = QStringLiteral("%1 changed since it was opened").arg(sound.path);
            return false;
        }
        EffectSettings settings;
        if (values) {
            std::array<std::int16_t, 9> bands{};
            std::copy_n(values->begin(), 9, bands.begin());
            settings.bands = bands;
            settings.level = std::max(0, static_cast<int>((*values)[9])) / 100.0;
        }
        if (amount)
            settings.semitones = effectSemitones(*amount);
        settings.block = block;

        WavWriter out;
        if (!out.open(path, pcmFormat(sound.rate, static_cast<std::int16_t>(sound.channels), 16), error))
            return false;
        const bool done = renderEffect(
            source, settings,
            [&](const std::int16_t* pcm, std::size_t frames) {
                return out.writeFrames(pcm, static_cast<qint64>(frames), error);
            },
            &cancelled, &error->text);
        // Unless committed, nothing is left at `path` (an old file stays).
        return done && out.commit(error);
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
