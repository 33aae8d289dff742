#pragma once
// Stand-ins for the three sound controls, for window and job tests: every
// call is recorded, the work is scripted, and the events come through the
// event loop like the real ones (queued, never inside the call).
#include "platform/effect.h"
#include "platform/mp3enc.h"
#include "platform/mp3play.h"

#include <QHash>
#include <QStringList>
#include <functional>

namespace rt {

// How a fake answers start(): Succeed runs `work` (if any) and queues
// finished(true) — or finished(false, error) when `work` fails; Fail queues
// finished(false, "fake failure") without writing; Hold queues nothing until
// the test calls finish().
enum class FakeReply { Succeed, Fail, Hold };

class FakeMp3Decoder : public Mp3Decoder {
    Q_OBJECT
public:
    using Mp3Decoder::Mp3Decoder;
    FakeReply reply = FakeReply::Succeed;
    // Runs inside start() on the window thread (e.g. rt::decodeMp3ToWav, or
    // writing a fixture to `output`); empty: nothing is written.
    std::function<bool(const QString& input, const QString& output, QString* error)> work{};
    // "setFiles:<in>|<out>", "start", "cancel".
    QStringList calls;
    QString input, output;
    // A failure says that memory ran out.
    bool outOfMemory = false;

    void setFiles(const QString& in, const QString& out) override;
    void start() override;
    void cancel() override;
    bool running() const override { return running_; }
    SoundError lastError() const override { return error_; }
    // Queues finished() for a held job.
    void finish(bool ok, const QString& error = {});

private:
    bool running_ = false;
    int generation_ = 0;
    SoundError error_;
};

class FakeMp3Encoder : public Mp3Encoder {
    Q_OBJECT
public:
    using Mp3Encoder::Mp3Encoder;
    FakeReply reply = FakeReply::Succeed;
    std::function<bool(const QString& input, const QString& output, int rate, int bitRate, QString* error)> work{};
    // "rate:<hz>", "bitrate:<bps>", "setFiles:<in>|<out>", "start", "cancel".
    QStringList calls;
    QString input, output;
    int sampleRate = 44100;
    int bitRate = 128000;

    void setSampleRate(int hz) override;
    void setBitRate(int bps) override;
    void setFiles(const QString& in, const QString& out) override;
    void start() override;
    void cancel() override;
    bool running() const override { return running_; }
    SoundError lastError() const override { return error_; }
    void finish(bool ok, const QString& error = {});

private:
    bool running_ = false;
    int generation_ = 0;
    SoundError error_;
};

class FakeEffectControl : public EffectControl {
    Q_OBJECT
public:
    using EffectControl::EffectControl;
    // "open:<path>", "values:v1,...,v10", "shift:<amount>,<block>",
    // "save:<path>", "cancel".
    QStringList calls;
    QString openedPath;
    Values values{};
    std::int16_t amount = 0;
    std::int32_t blockSize = 0;
    // The status each call answers with, by dispatch id (3, 11, 6, 5); a
    // missing id answers its normal status; 0 answers nothing (a control
    // that never reports). Set e.g. replies[5] = StatusFailed.
    QHash<int, int> replies;
    // Run by save() before it answers StatusSaved: default copies the opened
    // file to the output path; return false to answer StatusFailed.
    std::function<bool(const QString& input, const QString& output, QString* error)> work{};
    // A failure says that memory ran out.
    bool outOfMemory = false;

    void open(const QString& path) override;
    void setValues(const Values& v) override;
    void shift(std::int16_t a, std::int32_t block) override;
    void save(const QString& path) override;
    void cancel() override;
    bool running() const override { return false; }
    SoundError lastError() const override
    {
        SoundError e{error_};
        e.outOfMemory = outOfMemory;
        return e;
    }
    // Queues a status event as the control would (also unexpected ones).
    void raiseStatus(int status);

private:
    void answer(int id, int normal);
    QString error_;
    int generation_ = 0;
};

} // namespace rt
