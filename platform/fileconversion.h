#pragma once
// What the MP3 encoder and decoder controls share: a job from one file to
// another that runs on a worker thread and reports once, through the window
// thread's event loop (never inside start()).
#include "platform/soundworker.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>

namespace rt {

class FileConversion : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~FileConversion() override = default;

    // Names the job.
    virtual void setFiles(const QString& input, const QString& output) = 0;
    // Starts it and returns at once; a job still running is cancelled first
    // (no event for it).
    virtual void start() = 0;
    // Stops the job, joins the worker and suppresses its finished().
    virtual void cancel() = 0;
    // True from start() until finished() has been delivered or cancel().
    virtual bool running() const = 0;
    // Why the last job failed (a file it could not write names it); empty
    // after one that succeeded.
    virtual SoundError lastError() const = 0;

signals:
    void finished(bool ok, const QString& error);
};

// The working half of a conversion control whose interface is `Control`:
// job() gives the work of one start, with the settings of that moment.
template <class Control>
class ConversionOnWorker : public Control {
public:
    using Job = std::function<bool(const QString& input, const QString& output, SoundError* error,
                                   const std::atomic<bool>* cancelled)>;

    using Control::Control;
    ~ConversionOnWorker() override { worker_.cancel(); }

    void setFiles(const QString& input, const QString& output) override
    {
        input_ = input;
        output_ = output;
    }
    void start() override
    {
        error_ = {};
        worker_.start(
            this,
            [in = input_, out = output_, job = job()](const std::atomic<bool>& cancelled) {
                SoundResult r;
                r.ok = job(in, out, &r.error, &cancelled);
                return r;
            },
            [this](const SoundResult& r) {
                error_ = r.error;
                emit this->finished(r.ok, r.error.text);
            });
    }
    void cancel() override { worker_.cancel(); }
    bool running() const override { return worker_.running(); }
    SoundError lastError() const override { return error_; }

protected:
    virtual Job job() const = 0;

private:
    QString input_, output_;
    SoundError error_;
    SoundWorker worker_;
};

} // namespace rt
