#include "platform/wavfile.h"

#include "platform/atomicfile.h"
#include "platform/effectdsp.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace rt {

WaveFormatEx pcmFormat(std::int32_t rate, std::int16_t channels, std::int16_t bits)
{
    WaveFormatEx f;
    f.formatTag = 1;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.avgBytesPerSec = static_cast<std::int32_t>(static_cast<std::int64_t>(rate) * channels * bits / 8);
    f.blockAlign = static_cast<std::int16_t>(channels * bits / 8);
    f.bitsPerSample = bits;
    f.extraSize = 0;
    return f;
}

bool isSupportedPcm(const WaveFormatEx& f)
{
    if (f.formatTag != 1 || (f.channels != 1 && f.channels != 2) || f.samplesPerSec <= 0)
        return false;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16)
        return false;
    const WaveFormatEx ref = pcmFormat(f.samplesPerSec, f.channels, f.bitsPerSample);
    return f.blockAlign == ref.blockAlign && f.avgBytesPerSec == ref.avgBytesPerSec;
}

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

void setError(SoundError* error, const QString& text)
{
    if (error)
        *error = SoundError{text};
}

const QString kNotPcm = QStringLiteral("not 8- or 16-bit PCM with one or two channels");

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile reads and writes through a Qt file, so that the writer's file
// is a QSaveFile. libsndfile only learns that a call fell short: the
// device's first failure is kept here in the system's words.
struct DeviceIo {
    QFileDevice* file = nullptr;
    QString failure;
};

DeviceIo& deviceOf(void* user) { return *static_cast<DeviceIo*>(user); }

SF_VIRTUAL_IO deviceCalls()
{
    SF_VIRTUAL_IO v{};
    v.get_filelen = [](void* u) -> sf_count_t { return deviceOf(u).file->size(); };
    v.seek = [](sf_count_t offset, int whence, void* u) -> sf_count_t {
        QFileDevice& f = *deviceOf(u).file;
        const qint64 from = whence == SEEK_CUR ? f.pos() : whence == SEEK_END ? f.size() : 0;
        return f.seek(from + offset) ? f.pos() : -1;
    };
    v.read = [](void* ptr, sf_count_t count, void* u) -> sf_count_t {
        DeviceIo& d = deviceOf(u);
        const qint64 n = d.file->read(static_cast<char*>(ptr), count);
        if (n >= 0)
            return n;
        if (d.failure.isEmpty())
            d.failure = d.file->errorString();
        return 0;
    };
    v.write = [](const void* ptr, sf_count_t count, void* u) -> sf_count_t {
        DeviceIo& d = deviceOf(u);
        if (!d.failure.isEmpty())
            return 0;
        const qint64 n = d.file->write(static_cast<const char*>(ptr), count);
        if (n == count)
            return n;
        d.failure = writeErrorReason(*d.file);
        return std::max<qint64>(n, 0);
    };
    v.tell = [](void* u) -> sf_count_t { return deviceOf(u).file->pos(); };
    return v;
}

} // namespace

// ---------------------------------------------------------------------------
// WavWriter

struct WavWriter::Impl {
    QSaveFile file;
    DeviceIo device{&file, {}};
    SF_VIRTUAL_IO calls = deviceCalls();
    SndfilePtr sound; // closed before the file goes
    WaveFormatEx format;
    qint64 dataBytes = 0;

    // Drops the file: nothing reaches the target.
    bool fail(SoundError* error, const QString& reason)
    {
        if (error)
            *error = writeFailure(file.fileName(), reason);
        return drop();
    }
    bool drop()
    {
        file.cancelWriting();
        sound.reset();
        return false;
    }
    // Room in the RIFF size, which is 32 bits, for `bytes` more.
    bool fits(qint64 bytes, SoundError* error)
    {
        dataBytes += bytes;
        if (dataBytes <= 0xFFFFFFFFll - WavHeaderBytes)
            return true;
        setError(error, QStringLiteral("the sound is too long for a WAV file"));
        return drop();
    }
    bool wrote(qint64 done, qint64 wanted, SoundError* error)
    {
        if (done == wanted && device.failure.isEmpty())
            return true;
        return fail(error, device.failure.isEmpty() ? QString::fromUtf8(sf_strerror(sound.get())) : device.failure);
    }
};

WavWriter::WavWriter() : d_(std::make_unique<Impl>()) {}

WavWriter::~WavWriter() = default;

bool WavWriter::open(const QString& path, const WaveFormatEx& format, SoundError* error)
{
    d_ = std::make_unique<Impl>();
    if (!isSupportedPcm(format)) {
        setError(error, kNotPcm);
        return false;
    }
    d_->format = format;
    d_->file.setFileName(path);
    // Unbuffered: a write that does not fit fails at once, with its reason.
    if (!d_->file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return d_->fail(error, writeErrorReason(d_->file));
    SF_INFO info{};
    info.samplerate = format.samplesPerSec;
    info.channels = format.channels;
    info.format = SF_FORMAT_WAV | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    d_->sound.reset(sf_open_virtual(&d_->calls, SFM_WRITE, &info, &d_->device));
    if (!d_->sound)
        return d_->fail(error, d_->device.failure.isEmpty() ? QString::fromUtf8(sf_strerror(nullptr))
                                                             : d_->device.failure);
    return true;
}

bool WavWriter::isOpen() const { return d_->sound != nullptr; }

bool WavWriter::writeBytes(const void* data, qint64 bytes, SoundError* error)
{
    if (!isOpen())
        return false;
    if (bytes % d_->format.blockAlign != 0) {
        setError(error, QStringLiteral("%1 bytes are not whole sample blocks").arg(bytes));
        return d_->drop();
    }
    if (!d_->fits(bytes, error))
        return false;
    return d_->wrote(sf_write_raw(d_->sound.get(), data, bytes), bytes, error);
}

bool WavWriter::writeFrames(const std::int16_t* frames, qint64 count, SoundError* error)
{
    if (!isOpen())
        return false;
    if (!d_->fits(count * d_->format.blockAlign, error))
        return false;
    static_assert(sizeof(short) == sizeof(std::int16_t));
    return d_->wrote(sf_writef_short(d_->sound.get(), reinterpret_cast<const short*>(frames), count), count, error);
}

bool WavWriter::commit(SoundError* error)
{
    if (!isOpen())
        return false;
    // Closing puts the sizes into the header.
    const int closed = sf_close(d_->sound.release());
    if (!d_->device.failure.isEmpty() || closed != 0)
        return d_->fail(error, d_->device.failure.isEmpty() ? QString::fromUtf8(sf_error_number(closed))
                                                             : d_->device.failure);
    if (!d_->file.commit()) {
        if (error)
            *error = writeFailure(d_->file.fileName(), writeErrorReason(d_->file));
        return false;
    }
    syncFolderOf(d_->file.fileName());
    return true;
}

bool writeWavFile(const QString& path, const WaveFormatEx& f, const char* data, qint64 bytes, QString* error)
{
    WavWriter out;
    SoundError why;
    const qint64 whole = f.blockAlign > 0 && bytes > 0 ? bytes / f.blockAlign * f.blockAlign : 0;
    if (out.open(path, f, &why) && (whole == 0 || out.writeBytes(data, whole, &why)) && out.commit(&why))
        return true;
    setError(error, why.cannotWrite() ? why.writeReason : why.text);
    return false;
}

// ---------------------------------------------------------------------------
// SoundReader

struct SoundReader::Impl {
    QString path;
    QFile file;
    DeviceIo device{&file, {}};
    SF_VIRTUAL_IO calls = deviceCalls();
    SF_INFO info{};
    SndfilePtr sound; // closed before the file goes
    Failure failure = Failure::None;
    std::vector<float> scratch;
    QString readError;

    qint64 finishRead(sf_count_t got)
    {
        if (device.failure.isEmpty() && sf_error(sound.get()) == SF_ERR_NO_ERROR)
            return got;
        readError = QStringLiteral("cannot read %1: %2")
                        .arg(path, device.failure.isEmpty() ? QString::fromUtf8(sf_strerror(sound.get()))
                                                            : device.failure);
        return -1;
    }
};

SoundReader::SoundReader() : d_(std::make_unique<Impl>()) {}

SoundReader::~SoundReader() = default;

bool SoundReader::open(const QString& path, QString* error)
{
    d_ = std::make_unique<Impl>();
    d_->path = path;
    d_->file.setFileName(path);
    // Opening a pipe or a device waits for a writer, and a sound job waiting
    // there could never be cancelled.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        d_->failure = Failure::File;
        setError(error, QStringLiteral("not a regular file"));
        return false;
    }
    if (!d_->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        d_->failure = Failure::File;
        setError(error, d_->file.errorString());
        return false;
    }
    d_->sound.reset(sf_open_virtual(&d_->calls, SFM_READ, &d_->info, &d_->device));
    if (d_->sound)
        return true;
    switch (sf_error(nullptr)) {
    case SF_ERR_UNRECOGNISED_FORMAT:
        d_->failure = Failure::UnknownKind;
        break;
    case SF_ERR_UNSUPPORTED_ENCODING:
        d_->failure = Failure::Encoding;
        break;
    default:
        d_->failure = d_->device.failure.isEmpty() ? Failure::Damaged : Failure::File;
    }
    setError(error, d_->device.failure.isEmpty() ? QString::fromUtf8(sf_strerror(nullptr)) : d_->device.failure);
    return false;
}

bool SoundReader::openMonoOrStereo(const QString& path, QString* error)
{
    QString why;
    if (!open(path, &why)) {
        setError(error, QStringLiteral("cannot read %1: %2").arg(path, why));
        return false;
    }
    if (channels() < 1 || channels() > 2) {
        setError(error, QStringLiteral("%1 has %2 channels; only 1 or 2 are handled").arg(path).arg(channels()));
        d_->sound.reset();
        return false;
    }
    return true;
}

SoundReader::Failure SoundReader::failure() const { return d_->failure; }
int SoundReader::rate() const { return d_->info.samplerate; }
int SoundReader::channels() const { return d_->info.channels; }
qint64 SoundReader::frames() const { return std::max<qint64>(0, d_->info.frames); }

bool SoundReader::isRiffWave() const
{
    const int kind = d_->info.format & SF_FORMAT_TYPEMASK;
    return d_->sound && (kind == SF_FORMAT_WAV || kind == SF_FORMAT_WAVEX);
}

int SoundReader::wavePcmBits() const
{
    if (!d_->sound || (d_->info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV)
        return 0;
    switch (d_->info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    default:
        return 0;
    }
}

qint64 SoundReader::readFrames(std::int16_t* out, qint64 count)
{
    if (!d_->sound)
        return -1;
    static_assert(sizeof(short) == sizeof(std::int16_t));
    // 16-bit sources as they are, without the round trip.
    if ((d_->info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16)
        return d_->finishRead(sf_readf_short(d_->sound.get(), reinterpret_cast<short*>(out), count));
    // Integer sources come normalised, so 8 and 16 bits are exact.
    const int channels = d_->info.channels;
    d_->scratch.resize(static_cast<std::size_t>(count) * channels);
    const sf_count_t got = sf_readf_float(d_->sound.get(), d_->scratch.data(), count);
    if (got > 0)
        toPcm16(d_->scratch.data(), static_cast<std::size_t>(got) * channels, 1.0, out);
    return d_->finishRead(got);
}

qint64 SoundReader::readFrames(float* out, qint64 count)
{
    if (!d_->sound)
        return -1;
    return d_->finishRead(sf_readf_float(d_->sound.get(), out, count));
}

qint64 SoundReader::readBytes(char* out, qint64 count)
{
    if (!d_->sound)
        return -1;
    return d_->finishRead(sf_read_raw(d_->sound.get(), out, count));
}

bool SoundReader::rewind()
{
    if (d_->sound && sf_seek(d_->sound.get(), 0, SEEK_SET) == 0)
        return true;
    d_->readError = QStringLiteral("cannot read %1 again: %2")
                        .arg(d_->path, d_->device.failure.isEmpty() ? QString::fromUtf8(sf_strerror(d_->sound.get()))
                                                                    : d_->device.failure);
    return false;
}

QString SoundReader::readError() const { return d_->readError; }

// ---------------------------------------------------------------------------

bool readWavFile(const QString& path, WaveFormatEx* f, QByteArray* data, QString* error)
{
    SoundReader in;
    QString why;
    if (!in.open(path, &why)) {
        if (in.failure() == SoundReader::Failure::UnknownKind)
            why = QStringLiteral("not a RIFF WAVE file");
        else if (in.failure() == SoundReader::Failure::Encoding)
            why = kNotPcm;
        setError(error, why);
        return false;
    }
    if (!in.isRiffWave()) {
        setError(error, QStringLiteral("not a RIFF WAVE file"));
        return false;
    }
    const int bits = in.wavePcmBits();
    if (bits == 0 || in.channels() < 1 || in.channels() > 2) {
        setError(error, kNotPcm);
        return false;
    }
    const WaveFormatEx format = pcmFormat(in.rate(), static_cast<std::int16_t>(in.channels()),
                                          static_cast<std::int16_t>(bits));
    QByteArray bytes(in.frames() * format.blockAlign, Qt::Uninitialized);
    const qint64 got = in.readBytes(bytes.data(), bytes.size());
    if (got < 0) {
        setError(error, in.readError());
        return false;
    }
    bytes.truncate(got);
    if (f)
        *f = format;
    if (data)
        *data = std::move(bytes);
    return true;
}

} // namespace rt
