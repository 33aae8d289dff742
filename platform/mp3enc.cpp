#include "platform/mp3enc.h"

#include "platform/soundfiles.h"

namespace rt {

namespace {

class LameEncoder : public ConversionOnWorker<Mp3Encoder> {
public:
    using ConversionOnWorker::ConversionOnWorker;

    void setSampleRate(int hz) override { rate_ = hz; }
    void setBitRate(int bps) override { bitRate_ = bps; }

protected:
    Job job() const override
    {
        return [rate = rate_, bitRate = bitRate_](const QString& in, const QString& out, SoundError* error,
                                                  const std::atomic<bool>* cancelled) {
            return encodeWavToMp3(in, out, rate, bitRate, error, cancelled);
        };
    }

private:
    int rate_ = 44100;
    int bitRate_ = 128000;
};

} // namespace

Mp3Encoder* createMp3Encoder(QObject* parent) { return new LameEncoder(parent); }

} // namespace rt
