#include "platform/mp3enc.h"

#include "platform/soundfiles.h"
#include "platform/soundworker.h"

namespace rt {

namespace {

class LameEncoder : public Mp3Encoder {
public:
    using Mp3Encoder::Mp3Encoder;
    ~LameEncoder() override { worker_.cancel(); }

    void setSampleRate(int hz) override { rate_ = hz; }
    void setBitRate(int bps) override { bitRate_ = bps; }
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
            [in = input_, out = output_, rate = rate_, bitRate = bitRate_](const std::atomic<bool>& cancelled) {
                SoundResult r;
                r.ok = encodeWavToMp3(in, out, rate, bitRate, &r.error, &cancelled);
                return r;
            },
            [this](const SoundResult& r) {
                error_ = r.error;
                emit finished(r.ok, r.error.text);
            });
    }
    void cancel() override { worker_.cancel(); }
    bool running() const override { return worker_.running(); }
    SoundError lastError() const override { return error_; }

private:
    QString input_, output_;
    int rate_ = 44100;
    int bitRate_ = 128000;
    SoundError error_;
    SoundWorker worker_;
};

} // namespace

Mp3Encoder* createMp3Encoder(QObject* parent) { return new LameEncoder(parent); }

} // namespace rt
