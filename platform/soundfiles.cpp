#include "platform/soundfiles.h"

#include "platform/atomicfile.h"
#include "platform/wavfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <lame/lame.h>
#include <mpg123.h>

#include <memory>
#include <mutex>
#include <vector>

namespace rt {

namespace {

void setError(SoundError* error, const QString& text)
{
    if (error)
        *error = SoundError{text};
}

void setWriteError(SoundError* error, const QString& path, const QString& reason)
{
    if (error)
        *error = writeFailure(path, reason);
}

bool isCancelled(const std::atomic<bool>* cancelled) { return cancelled && cancelled->load(); }

bool openSound(SoundReader& in, const QString& path, SoundError* error)
{
    QString why;
    if (in.openMonoOrStereo(path, &why))
        return true;
    setError(error, why);
    return false;
}

struct Mpg123Deleter {
    void operator()(mpg123_handle* h) const
    {
        mpg123_close(h);
        mpg123_delete(h);
    }
};

struct LameCloser {
    void operator()(lame_global_flags* g) const { lame_close(g); }
};

} // namespace

bool decodeMp3ToWav(const QString& mp3, const QString& wav, SoundError* error, const std::atomic<bool>* cancelled,
                    SoundFileInfo* info)
{
    static std::once_flag initOnce;
    std::call_once(initOnce, [] { mpg123_init(); });

    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, Mpg123Deleter> mh(mpg123_new(nullptr, &err));
    if (!mh) {
        setError(error, QStringLiteral("MP3 decoder: %1").arg(QString::fromUtf8(mpg123_plain_strerror(err))));
        return false;
    }
    // Gapless: the encoder's delay and padding, as the info tag gives them,
    // are cut, so a round trip keeps the length to the sample.
    mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    // 16-bit at the stream's own rate and channel count, never resampled
    // nor mixed.
    mpg123_format_none(mh.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(mh.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    if (!QFileInfo(mp3).isFile() || mpg123_open(mh.get(), QFile::encodeName(mp3).constData()) != MPG123_OK) {
        setError(error, QStringLiteral("cannot open %1").arg(mp3));
        return false;
    }

    WavWriter out;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    qint64 bytes = 0;
    std::vector<std::int16_t> buffer(1 << 15);
    for (;;) {
        if (isCancelled(cancelled))
            return false;
        size_t done = 0;
        const int r = mpg123_read(mh.get(), buffer.data(), buffer.size() * sizeof(std::int16_t), &done);
        if (r == MPG123_NEW_FORMAT) {
            long newRate = 0;
            int newChannels = 0;
            mpg123_getformat(mh.get(), &newRate, &newChannels, &encoding);
            if (out.isOpen() && (newRate != rate || newChannels != channels)) {
                setError(error, QStringLiteral("%1 changes its format midway").arg(mp3));
                return false;
            }
            rate = newRate;
            channels = newChannels;
            if (!out.isOpen() &&
                !out.open(wav, pcmFormat(static_cast<std::int32_t>(rate), static_cast<std::int16_t>(channels), 16),
                          error))
                return false;
        } else if (r != MPG123_OK && r != MPG123_DONE) {
            setError(error, QStringLiteral("%1: %2").arg(mp3, QString::fromUtf8(mpg123_strerror(mh.get()))));
            return false;
        }
        if (done > 0) {
            if (!out.isOpen()) {
                setError(error, QStringLiteral("%1: samples before a format").arg(mp3));
                return false;
            }
            if (!out.writeFrames(buffer.data(), static_cast<qint64>(done) / (2 * channels), error))
                return false;
            bytes += static_cast<qint64>(done);
        }
        if (r == MPG123_DONE)
            break;
    }
    if (bytes == 0 || channels == 0) {
        setError(error, QStringLiteral("no MP3 frame could be decoded from %1").arg(mp3));
        return false;
    }
    if (!out.commit(error))
        return false;
    if (info)
        *info = SoundFileInfo{static_cast<int>(rate), channels, bytes / (2 * channels)};
    return true;
}

bool encodeWavToMp3(const QString& wav, const QString& mp3, int sampleRate, int bitRate, SoundError* error,
                    const std::atomic<bool>* cancelled)
{
    SoundReader in;
    if (!openSound(in, wav, error))
        return false;
    const int channels = in.channels();

    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    if (!lame) {
        setError(error, QStringLiteral("MP3 encoder cannot start"));
        return false;
    }
    lame_set_num_channels(lame.get(), channels);
    lame_set_in_samplerate(lame.get(), in.rate());
    lame_set_out_samplerate(lame.get(), sampleRate);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_brate(lame.get(), bitRate / 1000);
    lame_set_mode(lame.get(), channels == 1 ? MONO : JOINT_STEREO);
    // The info tag (first frame) carries delay and padding, so decoders give
    // back the exact length; no ID3 tag is written.
    lame_set_bWriteVbrTag(lame.get(), 1);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0 || lame_get_out_samplerate(lame.get()) != sampleRate
        || lame_get_brate(lame.get()) * 1000 != bitRate) {
        setError(error, QStringLiteral("MP3 encoder refuses %1 Hz at %2 bit/s").arg(sampleRate).arg(bitRate));
        return false;
    }

    QSaveFile out(mp3);
    // Unbuffered: a write that does not fit fails at once, with its reason.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setWriteError(error, mp3, writeErrorReason(out));
        return false;
    }
    auto put = [&](const unsigned char* data, int n) {
        if (n < 0) {
            setError(error, QStringLiteral("MP3 encoder failed (%1)").arg(n));
            return false;
        }
        if (out.write(reinterpret_cast<const char*>(data), n) != n) {
            setWriteError(error, mp3, writeErrorReason(out));
            out.cancelWriting();
            return false;
        }
        return true;
    };

    constexpr int BlockFrames = 8192;
    std::vector<short> pcm(static_cast<size_t>(BlockFrames) * channels);
    std::vector<unsigned char> coded(BlockFrames * 5 / 4 + 7200);
    for (;;) {
        if (isCancelled(cancelled)) {
            out.cancelWriting();
            return false;
        }
        const qint64 got = in.readFrames(pcm.data(), BlockFrames);
        if (got < 0) {
            setError(error, in.readError());
            out.cancelWriting();
            return false;
        }
        if (got == 0)
            break;
        const int n = channels == 2
            ? lame_encode_buffer_interleaved(lame.get(), pcm.data(), static_cast<int>(got), coded.data(),
                                             static_cast<int>(coded.size()))
            : lame_encode_buffer(lame.get(), pcm.data(), pcm.data(), static_cast<int>(got), coded.data(),
                                 static_cast<int>(coded.size()));
        if (!put(coded.data(), n))
            return false;
    }
    if (!put(coded.data(), lame_encode_flush(lame.get(), coded.data(), static_cast<int>(coded.size()))))
        return false;
    // The info tag replaces the placeholder frame LAME wrote first.
    std::vector<unsigned char> tag(2880);
    const size_t tagBytes = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
    if (tagBytes > 0 && tagBytes <= tag.size()) {
        if (!out.seek(0) || !put(tag.data(), static_cast<int>(tagBytes)))
            return false;
    }
    if (!out.commit()) {
        setWriteError(error, mp3, writeErrorReason(out));
        return false;
    }
    return true;
}

bool makeWorkingCopy(const QString& source, const QString& target, SoundError* error, const std::atomic<bool>* cancelled,
                     SoundFileInfo* info)
{
    if (QFileInfo(source).suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0)
        return decodeMp3ToWav(source, target, error, cancelled, info);

    SoundReader in;
    if (!openSound(in, source, error))
        return false;
    const auto channels = static_cast<std::int16_t>(in.channels());
    WavWriter out;
    if (!out.open(target, pcmFormat(in.rate(), channels, 16), error))
        return false;
    constexpr int BlockFrames = 16384;
    std::vector<std::int16_t> pcm(static_cast<size_t>(BlockFrames) * channels);
    long long frames = 0;
    for (;;) {
        if (isCancelled(cancelled))
            return false;
        const qint64 got = in.readFrames(pcm.data(), BlockFrames);
        if (got < 0) {
            setError(error, in.readError());
            return false;
        }
        if (got == 0)
            break;
        if (!out.writeFrames(pcm.data(), got, error))
            return false;
        frames += got;
    }
    if (!out.commit(error))
        return false;
    if (info)
        *info = SoundFileInfo{in.rate(), channels, frames};
    return true;
}

// ---- WorkingCopyJob

WorkingCopyJob::~WorkingCopyJob() { worker_.cancel(); }

void WorkingCopyJob::start(const QString& source, const QString& target)
{
    auto result = std::make_shared<SoundFileInfo>();
    error_ = {};
    worker_.start(
        this,
        [source, target, result](const std::atomic<bool>& cancelled) {
            SoundResult r;
            r.ok = makeWorkingCopy(source, target, &r.error, &cancelled, result.get());
            return r;
        },
        [this, result](const SoundResult& r) {
            info_ = r.ok ? *result : SoundFileInfo{};
            error_ = r.error;
            emit finished(r.ok, r.error.text);
        });
}

void WorkingCopyJob::cancel() { worker_.cancel(); }

} // namespace rt
