#include "platform/mp3play.h"

#include "platform/soundfiles.h"
#include "platform/soundworker.h"

namespace rt {

namespace {

class Mpg123Decoder : public Mp3Decoder {
public:
    using Mp3Decoder::Mp3Decoder;
    ~Mpg123Decoder() override { worker_.cancel(); }

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
            [in = input_, out = output_](const std::atomic<bool>& cancelled) {
                SoundResult r;
                r.ok = decodeMp3ToWav(in, out, &r.error, &cancelled);
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
    SoundError error_;
    SoundWorker worker_;
};

} // namespace

Mp3Decoder* createMp3Decoder(QObject* parent) { return new Mpg123Decoder(parent); }

} // namespace rt
