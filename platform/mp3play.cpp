#include "platform/mp3play.h"

#include "platform/soundfiles.h"

namespace rt {

namespace {

class Mpg123Decoder : public ConversionOnWorker<Mp3Decoder> {
public:
    using ConversionOnWorker::ConversionOnWorker;

protected:
    Job job() const override
    {
        return [](const QString& in, const QString& out, SoundError* error, const std::atomic<bool>* cancelled) {
            return decodeMp3ToWav(in, out, error, cancelled);
        };
    }
};

} // namespace

Mp3Decoder* createMp3Decoder(QObject* parent) { return new Mpg123Decoder(parent); }

} // namespace rt
