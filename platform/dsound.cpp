#include "platform/dsound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QMediaDevices>
#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace rt {

namespace {

struct StdFormat {
    int rate;
    int channels;
    int bits;
    std::uint32_t bit;
};
constexpr std::array<StdFormat, 12> StdFormats{{
    {11025, 1, 8, Format11kMono8}, {11025, 2, 8, Format11kStereo8},
    {11025, 1, 16, Format11kMono16}, {11025, 2, 16, Format11kStereo16},
    {22050, 1, 8, Format22kMono8}, {22050, 2, 8, Format22kStereo8},
    {22050, 1, 16, Format22kMono16}, {22050, 2, 16, Format22kStereo16},
    {44100, 1, 8, Format44kMono8}, {44100, 2, 8, Format44kStereo8},
    {44100, 1, 16, Format44kMono16}, {44100, 2, 16, Format44kStereo16},
}};

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Byte range [start, start + size) inside a buffer of `total` bytes.
bool inRange(qint64 start, qint64 size, qint64 total)
{
    return start >= 0 && size >= 0 && start + size <= total;
}

CaptureSourceFactory& sourceFactory()
{
    static CaptureSourceFactory f;
    return f;
}

QAudioFormat toQtFormat(const WaveFormatEx& f)
{
    QAudioFormat q;
    q.setSampleRate(f.samplesPerSec);
    q.setChannelCount(f.channels);
    q.setSampleFormat(f.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return q;
}

// The server's default input, found by id among the listed inputs: the
// object defaultAudioInput() returns does not always follow the server.
QAudioDevice defaultInput()
{
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    if (inputs.isEmpty())
        return {};
    const QByteArray id = QMediaDevices::defaultAudioInput().id();
    for (const QAudioDevice& d : inputs)
        if (d.id() == id)
            return d;
    return inputs.first();
}

} // namespace

std::uint32_t waveFormatBit(int rate, int channels, int bits)
{
    for (const StdFormat& f : StdFormats)
        if (f.rate == rate && f.channels == channels && f.bits == bits)
            return f.bit;
    return 0;
}

void setCaptureSourceFactory(CaptureSourceFactory factory) { sourceFactory() = std::move(factory); }

// ---------------------------------------------------------------------------
// QtCaptureSource

struct QtCaptureSource::Impl {
    QAudioSource* audio = nullptr;
    QPointer<QIODevice> io;
    bool active = false;
};

std::unique_ptr<QtCaptureSource> QtCaptureSource::create(QString* error)
{
    if (QMediaDevices::audioInputs().isEmpty()) {
        setError(error, QStringLiteral("no sound input device (is the sound server running?)"));
        return nullptr;
    }
    std::unique_ptr<QtCaptureSource> s(new QtCaptureSource);
    s->d_ = std::make_unique<Impl>();
    return s;
}

QtCaptureSource::~QtCaptureSource()
{
    if (d_ && d_->audio) {
        d_->audio->disconnect(this);
        d_->audio->stop();
        delete d_->audio;
    }
}

bool QtCaptureSource::formatsMask(std::uint32_t* mask)
{
    const QAudioDevice dev = defaultInput();
    if (dev.isNull())
        return false;
    std::uint32_t m = 0;
    for (const StdFormat& f : StdFormats)
        if (dev.isFormatSupported(toQtFormat(pcmFormat(f.rate, static_cast<std::int16_t>(f.channels),
                                                       static_cast<std::int16_t>(f.bits)))))
            m |= f.bit;
    *mask = m;
    return true;
}

bool QtCaptureSource::start(const WaveFormatEx& format, QString* error)
{
    stop();
    const QAudioDevice dev = defaultInput();
    if (dev.isNull()) {
        setError(error, QStringLiteral("no sound input device"));
        return false;
    }
    auto* audio = new QAudioSource(dev, toQtFormat(format), this);
    QIODevice* io = audio->start();
    if (!io || audio->error() != QAudio::NoError) {
        setError(error, QStringLiteral("cannot open the sound input \"%1\"").arg(dev.description()));
        audio->stop();
        audio->deleteLater();
        return false;
    }
    d_->audio = audio;
    d_->io = io;
    d_->active = true;
    connect(io, &QIODevice::readyRead, this, &CaptureSource::dataReady);
    // Qt deletes the stream device when the server goes away; notice it
    // after the current signal has finished.
    connect(io, &QObject::destroyed, this, [this, audio] {
        if (d_->audio == audio)
            QTimer::singleShot(0, this, [this, audio] {
                if (d_->audio == audio)
                    breakStream(QStringLiteral("the sound input stream was closed"));
            });
    });
    connect(audio, &QAudioSource::stateChanged, this, [this, audio](QAudio::State) {
        const QAudio::Error e = audio->error();
        if (d_->audio == audio && (e == QAudio::OpenError || e == QAudio::IOError || e == QAudio::FatalError))
            QTimer::singleShot(0, this, [this, audio] {
                if (d_->audio == audio)
                    breakStream(QStringLiteral("the sound input failed"));
            });
    });
    return true;
}

void QtCaptureSource::stop()
{
    if (!d_->audio)
        return;
    QAudioSource* audio = d_->audio;
    d_->audio = nullptr;
    d_->io = nullptr;
    d_->active = false;
    audio->disconnect(this);
    audio->stop();
    audio->deleteLater(); // may be inside one of its own signals
}

bool QtCaptureSource::isActive() const { return d_->active; }

QByteArray QtCaptureSource::takeAvailable()
{
    if (!d_->active || !d_->io)
        return {};
    return d_->io->readAll();
}

void QtCaptureSource::breakStream(const QString& reason)
{
    stop();
    emit failed(reason);
}

// ---------------------------------------------------------------------------
// FakeCaptureSource

bool FakeCaptureSource::formatsMask(std::uint32_t* m)
{
    if (capsFail)
        return false;
    *m = mask;
    return true;
}

bool FakeCaptureSource::start(const WaveFormatEx& format, QString* error)
{
    ++starts;
    if (startFails) {
        setError(error, QStringLiteral("fake input refused to start"));
        return false;
    }
    lastFormat = format;
    active_ = true;
    pending_.clear();
    return true;
}

void FakeCaptureSource::stop()
{
    if (active_)
        ++stops;
    active_ = false;
    pending_.clear();
}

QByteArray FakeCaptureSource::takeAvailable()
{
    QByteArray out;
    out.swap(pending_);
    return out;
}

void FakeCaptureSource::feed(const QByteArray& bytes)
{
    if (!active_)
        return;
    pending_ += bytes;
    emit dataReady();
}

void FakeCaptureSource::breakStream(const QString& reason)
{
    stop();
    emit failed(reason);
}

// ---------------------------------------------------------------------------
// DSCaptureBuffer

DSCaptureBuffer::DSCaptureBuffer(DSCapture* owner, const CaptureBufferDesc& desc)
    : owner_(owner), desc_(desc), data_(static_cast<std::size_t>(desc.bufferBytes), '\0')
{
    const qint64 block = desc.format.blockAlign;
    limit_ = desc.bufferBytes / block * block;
}

DSCaptureBuffer::~DSCaptureBuffer()
{
    if (owner_)
        owner_->stopBuffer(this);
}

bool DSCaptureBuffer::Start(int)
{
    if (!owner_)
        return false;
    if (capturing_)
        return true;
    return owner_->startBuffer(this);
}

void DSCaptureBuffer::Stop()
{
    if (owner_) {
        owner_->pump();
        owner_->stopBuffer(this);
    }
    capturing_ = false;
}

int DSCaptureBuffer::GetStatus()
{
    if (capturing_ && owner_)
        owner_->pump();
    return capturing_ ? CaptureStatusCapturing : 0;
}

CaptureCursors DSCaptureBuffer::GetCurrentPosition()
{
    if (capturing_ && owner_)
        owner_->pump();
    const auto pos = static_cast<std::int32_t>(written_);
    return {pos, pos};
}

bool DSCaptureBuffer::ReadBuffer(int start, int size, void* dest, int) const
{
    if (!inRange(start, size, static_cast<qint64>(data_.size())) || (size > 0 && !dest))
        return false;
    if (size > 0)
        std::memcpy(dest, data_.data() + start, static_cast<std::size_t>(size));
    return true;
}

void DSCaptureBuffer::accept(const char* bytes, qint64 n)
{
    const qint64 take = std::min(n, limit_ - written_);
    if (take > 0) {
        std::memcpy(data_.data() + written_, bytes, static_cast<std::size_t>(take));
        written_ += take;
    }
    if (written_ >= limit_)
        capturing_ = false;
}

// ---------------------------------------------------------------------------
// DSCapture

DSCapture::DSCapture(std::unique_ptr<CaptureSource> source, QObject* parent)
    : QObject(parent), source_(std::move(source))
{
    source_->setParent(nullptr);
    connect(source_.get(), &CaptureSource::dataReady, this, &DSCapture::pump);
    connect(source_.get(), &CaptureSource::failed, this, &DSCapture::onSourceFailed);
    idle_.setSingleShot(true);
    idle_.setInterval(3000);
    connect(&idle_, &QTimer::timeout, this, &DSCapture::closeIfIdle);
}

DSCapture::~DSCapture()
{
    for (DSCaptureBuffer* b : running_)
        b->capturing_ = false;
    running_.clear();
    source_->disconnect(this);
    source_->stop();
}

bool DSCapture::GetCaps(CaptureCaps& caps)
{
    std::uint32_t mask = 0;
    if (!source_->formatsMask(&mask))
        return false;
    caps.formats = mask;
    return true;
}

std::unique_ptr<DSCaptureBuffer> DSCapture::CreateCaptureBuffer(const CaptureBufferDesc& desc, QString* error)
{
    if (desc.bufferBytes <= 0 || !isSupportedPcm(desc.format)) {
        setError(error, QStringLiteral("bad capture buffer description"));
        return nullptr;
    }
    try {
        return std::unique_ptr<DSCaptureBuffer>(new DSCaptureBuffer(this, desc));
    } catch (const std::bad_alloc&) {
        setError(error, QStringLiteral("not enough memory for a capture buffer of %1 bytes").arg(desc.bufferBytes));
        return nullptr;
    }
}

void DSCapture::pump()
{
    if (!source_->isActive())
        return;
    QByteArray in = source_->takeAvailable();
    if (in.isEmpty())
        return;
    if (!carry_.isEmpty()) {
        in.prepend(carry_);
        carry_.clear();
    }
    // Only whole blocks go out, so every buffer starts on a sample boundary.
    const qsizetype block = std::max<qsizetype>(1, streamFormat_.blockAlign);
    const qsizetype whole = in.size() / block * block;
    if (whole < in.size())
        carry_ = in.mid(whole);
    if (whole == 0)
        return;
    if (running_.empty())
        return; // nobody records this
    const std::vector<DSCaptureBuffer*> targets = running_;
    for (DSCaptureBuffer* b : targets)
        b->accept(in.constData(), whole);
    std::erase_if(running_, [](DSCaptureBuffer* b) { return !b->capturing_; });
    if (running_.empty())
        idle_.start();
}

bool DSCapture::startBuffer(DSCaptureBuffer* b)
{
    if (b->isFull())
        return false;
    const WaveFormatEx& f = b->desc_.format;
    if (source_->isActive() && f == streamFormat_) {
        pump(); // what arrived before this start belongs to the others
    } else {
        // A new format needs a new stream; buffers of the old one end here.
        for (DSCaptureBuffer* other : running_)
            other->capturing_ = false;
        running_.clear();
        source_->stop();
        carry_.clear();
        QString why;
        if (!source_->start(f, &why))
            return false;
        streamFormat_ = f;
    }
    idle_.stop();
    b->capturing_ = true;
    running_.push_back(b);
    return true;
}

void DSCapture::stopBuffer(DSCaptureBuffer* b)
{
    b->capturing_ = false;
    if (std::erase(running_, b) > 0 && running_.empty() && source_->isActive())
        idle_.start();
}

void DSCapture::onSourceFailed()
{
    for (DSCaptureBuffer* b : running_)
        b->capturing_ = false;
    running_.clear();
    carry_.clear();
    source_->stop();
}

void DSCapture::closeIfIdle()
{
    if (!running_.empty())
        return;
    carry_.clear();
    source_->stop();
}

// ---------------------------------------------------------------------------
// DSBuffer and DSound

DSBuffer::DSBuffer(const SoundBufferDesc& desc, const WaveFormatEx& format, QByteArray bytes)
    : desc_(desc), format_(format), bytes_(std::move(bytes))
{
    desc_.bufferBytes = static_cast<std::int32_t>(bytes_.size());
}

bool DSBuffer::WriteBuffer(int start, int size, const void* src, int)
{
    if (!inRange(start, size, bytes_.size()) || (size > 0 && !src))
        return false;
    if (size > 0)
        std::memcpy(bytes_.data() + start, src, static_cast<std::size_t>(size));
    return true;
}

bool DSBuffer::ReadBuffer(int start, int size, void* dest, int) const
{
    if (!inRange(start, size, bytes_.size()) || (size > 0 && !dest))
        return false;
    if (size > 0)
        std::memcpy(dest, bytes_.constData() + start, static_cast<std::size_t>(size));
    return true;
}

bool DSBuffer::SaveToFile(const QString& path, QString* error) const
{
    return writeWavFile(path, format_, bytes_.constData(), bytes_.size(), error);
}

bool DSound::SetCooperativeLevel(quintptr, int) { return true; }

std::unique_ptr<DSBuffer> DSound::CreateSoundBuffer(const SoundBufferDesc& desc, const WaveFormatEx& format,
                                                    QString* error)
{
    if (desc.bufferBytes <= 0 || !isSupportedPcm(format)) {
        setError(error, QStringLiteral("bad sound buffer description"));
        return nullptr;
    }
    try {
        return std::make_unique<DSBuffer>(desc, format, QByteArray(desc.bufferBytes, '\0'));
    } catch (const std::bad_alloc&) {
        setError(error, QStringLiteral("not enough memory for a sound buffer of %1 bytes").arg(desc.bufferBytes));
        return nullptr;
    }
}

std::unique_ptr<DSBuffer> DSound::CreateSoundBufferFromFile(const QString& path, SoundBufferDesc& desc,
                                                            WaveFormatEx& format, QString* error)
{
    WaveFormatEx f;
    QByteArray data;
    if (!readWavFile(path, &f, &data, error))
        return nullptr;
    if (data.isEmpty()) {
        setError(error, QStringLiteral("the file holds no samples"));
        return nullptr;
    }
    desc.bufferBytes = static_cast<std::int32_t>(data.size());
    format = f;
    return std::make_unique<DSBuffer>(desc, f, std::move(data));
}

std::unique_ptr<DSCapture> DirectSoundCaptureCreate(QString* error)
{
    std::unique_ptr<CaptureSource> source;
    if (sourceFactory())
        source = sourceFactory()(error);
    else
        source = QtCaptureSource::create(error);
    if (!source)
        return nullptr;
    return std::make_unique<DSCapture>(std::move(source));
}

std::unique_ptr<DSound> DirectSoundCreate(QString*) { return std::make_unique<DSound>(); }

} // namespace rt
