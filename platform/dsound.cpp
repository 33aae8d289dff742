#include "platform/dsound.h"

#include "platform/log.h"

#include <QElapsedTimer>
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>

#include <pulse/pulseaudio.h>

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

// How long a call waits for the sound server before it counts as gone.
constexpr int ServerWaitMs = 3000;

// Runs `loop` until `done` holds or `ms` have passed; the answer is `done()`.
template <class Done>
bool runLoopUntil(pa_mainloop* loop, Done done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        const qint64 left = ms - t.elapsed();
        if (left <= 0)
            return false;
        if (pa_mainloop_prepare(loop, static_cast<int>(std::min<qint64>(left, 50)) * 1000) < 0 ||
            pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
            return done();
    }
    return true;
}

// Runs the loop until a context or stream is ready or has failed, within the
// server bound; true when it is ready.
template <typename GetState, typename State>
bool settlesReady(pa_mainloop* loop, GetState state, State ready, int (*good)(State))
{
    runLoopUntil(
        loop,
        [&] {
            const State s = state();
            return s == ready || !good(s);
        },
        ServerWaitMs);
    return state() == ready;
}

QString pulseError(pa_context* c, const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromUtf8(pa_strerror(c ? pa_context_errno(c) : PA_ERR_UNKNOWN)));
}

// A connect call's result and its object's settling, within the server
// bound: false, with `what` and the server's reason, when either fails.
template <typename GetState, typename State>
bool connectsReady(int connectResult, pa_mainloop* loop, pa_context* context, GetState state, State ready,
                   int (*good)(State), const char* what, QString* error)
{
    if (connectResult >= 0 && settlesReady(loop, state, ready, good))
        return true;
    setError(error, pulseError(context, what));
    return false;
}

// Runs the loop until `op` has answered (`answered` set by its callback) or
// ended without an answer, within the server bound; an operation that does
// not answer in time is cancelled, so its callback never runs into a caller
// that is gone. False when no answer came.
bool answers(pa_mainloop* loop, pa_operation* op, const bool& answered)
{
    if (!op)
        return false;
    runLoopUntil(loop, [&] { return answered || pa_operation_get_state(op) != PA_OPERATION_RUNNING; },
                 ServerWaitMs);
    if (!answered)
        pa_operation_cancel(op);
    pa_operation_unref(op);
    return answered;
}

// Handles whatever has arrived, without waiting.
void runLoopNow(pa_mainloop* loop)
{
    for (int i = 0; i < 16 && pa_mainloop_iterate(loop, 0, nullptr) > 0; ++i) {
    }
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
// PulseCaptureSource

struct PulseCaptureSource::Impl {
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    QTimer service;
    QByteArray pending;
    bool active = false;
    QByteArray device; // a source's name; empty: the server's default input

    ~Impl()
    {
        dropContext();
        if (loop)
            pa_mainloop_free(loop);
    }

    bool contextReady()
    {
        if (!context)
            return false;
        runLoopNow(loop); // a server that went away shows here
        return pa_context_get_state(context) == PA_CONTEXT_READY;
    }

    // A connected context: the one there is while it works, else a new one.
    bool ensureContext(QString* error)
    {
        if (contextReady())
            return true;
        dropContext();
        if (!loop) {
            setError(error, QStringLiteral("cannot make a sound server main loop"));
            return false;
        }
        context = pa_context_new(pa_mainloop_get_api(loop), "Melodune");
        if (!context) {
            setError(error, QStringLiteral("cannot make a sound server context"));
            return false;
        }
        if (!connectsReady(pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr), loop, context,
                           [this] { return pa_context_get_state(context); }, PA_CONTEXT_READY, PA_CONTEXT_IS_GOOD,
                           "cannot reach the sound server", error)) {
            dropContext();
            return false;
        }
        return true;
    }

    void dropStream()
    {
        if (stream) {
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
            stream = nullptr;
        }
    }

    void dropContext()
    {
        dropStream();
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
    }

    // The name of the server's default input; empty when it has none.
    // False when the server does not answer.
    bool defaultInput(QByteArray* name)
    {
        struct Query {
            bool done = false;
            bool found = false;
            QByteArray name;
        } q;
        pa_operation* op = pa_context_get_server_info(
            context,
            [](pa_context*, const pa_server_info* info, void* u) {
                auto* q = static_cast<Query*>(u);
                if (info && info->default_source_name)
                    q->name = info->default_source_name;
                q->done = true;
            },
            &q);
        if (!answers(loop, op, q.done))
            return false;
        // The chosen input while the server has it, else its default one:
        // a chosen device that went away fails the take that starts on it,
        // not the format check.
        const QByteArray serverDefault = q.name;
        for (const QByteArray& candidate : {device, serverDefault}) {
            if (candidate.isEmpty())
                continue;
            q.done = false;
            q.found = false;
            op = pa_context_get_source_info_by_name(
                context, candidate.constData(),
                [](pa_context*, const pa_source_info* info, int last, void* u) {
                    auto* q = static_cast<Query*>(u);
                    if (info)
                        q->found = true;
                    if (last != 0)
                        q->done = true;
                },
                &q);
            if (!answers(loop, op, q.done))
                return false;
            if (q.found) {
                *name = candidate;
                return true;
            }
        }
        name->clear();
        return true;
    }

    bool openStream(const WaveFormatEx& format, QString* error)
    {
        pa_sample_spec spec;
        spec.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
        spec.rate = static_cast<std::uint32_t>(format.samplesPerSec);
        spec.channels = static_cast<std::uint8_t>(format.channels);
        if (!pa_sample_spec_valid(&spec)) {
            setError(error, QStringLiteral("unsupported capture format"));
            return false;
        }
        stream = pa_stream_new(context, "Melodune recording", &spec, nullptr);
        if (!stream) {
            setError(error, pulseError(context, "cannot make a recording stream"));
            return false;
        }
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = std::uint32_t(-1);
        attr.prebuf = std::uint32_t(-1);
        attr.minreq = std::uint32_t(-1);
        // Pieces of about 10 ms: the level meter reads every 50 ms and wants each
        // tick's input by then.
        attr.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(10000, &spec));
        // Not moved elsewhere when its input goes away: the server would carry
        // on with another source's sound under the chosen one's name. The
        // stream breaks instead; a take keeps what it had.
        const int connected =
            pa_stream_connect_record(stream, device.isEmpty() ? nullptr : device.constData(), &attr,
                                     static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE));
        if (!connectsReady(connected, loop, context, [this] { return pa_stream_get_state(stream); }, PA_STREAM_READY,
                           PA_STREAM_IS_GOOD, "cannot open the sound input", error)) {
            dropStream();
            return false;
        }
        return true;
    }

    bool streamWorks() const
    {
        return context && stream && pa_context_get_state(context) == PA_CONTEXT_READY &&
               pa_stream_get_state(stream) == PA_STREAM_READY;
    }

    // Moves what the stream holds into `pending`.
    void drain()
    {
        if (!active || !stream)
            return;
        runLoopNow(loop);
        if (!streamWorks())
            return;
        while (pa_stream_readable_size(stream) > 0) {
            const void* data = nullptr;
            size_t n = 0;
            if (pa_stream_peek(stream, &data, &n) < 0)
                break;
            if (n == 0)
                break;
            if (data)
                pending.append(static_cast<const char*>(data), static_cast<qsizetype>(n));
            else
                pending.append(static_cast<qsizetype>(n), '\0'); // a hole: the input gave nothing there
            pa_stream_drop(stream);
        }
    }
};

PulseCaptureSource::PulseCaptureSource() : d_(std::make_unique<Impl>())
{
    // Readers pump the stream whenever they ask a buffer for its position (the
    // level meter and the recording progress, every 50 ms); this timer only
    // keeps a take flowing without them and notices a broken stream, and the
    // server holds many seconds for it, so it need not wake the program often.
    d_->service.setInterval(100);
    connect(&d_->service, &QTimer::timeout, this, &PulseCaptureSource::service);
}

std::unique_ptr<PulseCaptureSource> PulseCaptureSource::create(QString* error, const QByteArray& device)
{
    std::unique_ptr<PulseCaptureSource> s(new PulseCaptureSource);
    s->setDevice(device);
    std::uint32_t mask = 0;
    if (!s->d_->ensureContext(error))
        return nullptr;
    if (!s->formatsMask(&mask)) {
        setError(error, QStringLiteral("the sound server does not answer"));
        return nullptr;
    }
    if (mask == 0) {
        setError(error, QStringLiteral("no sound input device (the sound server has no input)"));
        return nullptr;
    }
    return s;
}

PulseCaptureSource::~PulseCaptureSource()
{
    stop();
}

bool PulseCaptureSource::formatsMask(std::uint32_t* mask)
{
    // A connection the server dropped is made again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!d_->ensureContext(nullptr))
            return false;
        QByteArray input;
        if (d_->defaultInput(&input)) {
            std::uint32_t m = 0;
            if (!input.isEmpty())
                for (const StdFormat& f : StdFormats)
                    m |= f.bit;
            *mask = m;
            return true;
        }
        d_->dropContext();
    }
    return false;
}

bool PulseCaptureSource::start(const WaveFormatEx& format, QString* error)
{
    stop();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!d_->ensureContext(error))
            return false;
        if (d_->openStream(format, error)) {
            d_->active = true;
            d_->service.start();
            return true;
        }
        if (d_->contextReady())
            return false; // the server refused this stream
        d_->dropContext(); // the connection went away meanwhile: once more
    }
    return false;
}

void PulseCaptureSource::stop()
{
    d_->active = false;
    d_->service.stop();
    d_->pending.clear();
    d_->dropStream();
}

bool PulseCaptureSource::isActive() const { return d_->active; }

void PulseCaptureSource::setDevice(const QByteArray& name)
{
    CaptureSource::setDevice(name);
    d_->device = name;
}

QByteArray PulseCaptureSource::takeAvailable()
{
    d_->drain();
    // A reader that pumps often (the meter, every 50 ms) stands in for the
    // service timer, which then never wakes the program; once the stream
    // breaks it is left to run out and report the break.
    if (d_->active && d_->streamWorks())
        d_->service.start();
    return std::exchange(d_->pending, QByteArray());
}

void PulseCaptureSource::service()
{
    if (!d_->active)
        return;
    d_->drain();
    const bool broken = !d_->streamWorks();
    // What arrived before the break is handed out first.
    if (!d_->pending.isEmpty())
        emit dataReady();
    if (broken && d_->active)
        breakStream(QStringLiteral("the sound server closed the input"));
}

void PulseCaptureSource::breakStream(const QString& reason)
{
    stop();
    d_->dropContext();
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
    : owner_(owner), desc_(desc), data_(new char[static_cast<std::size_t>(desc.bufferBytes)])
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
    if (!inRange(start, size, desc_.bufferBytes) || (size > 0 && !dest))
        return false;
    const qint64 captured = std::clamp<qint64>(written_ - start, 0, size);
    if (captured > 0)
        std::memcpy(dest, data_.get() + start, static_cast<std::size_t>(captured));
    if (captured < size)
        std::memset(static_cast<char*>(dest) + captured, 0, static_cast<std::size_t>(size - captured));
    return true;
}

void DSCaptureBuffer::accept(const char* bytes, qint64 n)
{
    const qint64 take = std::min(n, limit_ - written_);
    if (take > 0) {
        std::memcpy(data_.get() + written_, bytes, static_cast<std::size_t>(take));
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
    device_ = streamDevice_ = source_->device(); // the input the source was made for
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
        const QString why = QStringLiteral("not enough memory for a capture buffer of %1 bytes").arg(desc.bufferBytes);
        qCWarning(lcPlatform) << why;
        setError(error, why);
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
    if (source_->isActive() && f == streamFormat_ && device_ == streamDevice_) {
        pump(); // what arrived before this start belongs to the others
    } else {
        // A new format or input needs a new stream; buffers of the old one end here.
        for (DSCaptureBuffer* other : running_)
            other->capturing_ = false;
        running_.clear();
        source_->stop();
        carry_.clear();
        QString why;
        source_->setDevice(device_);
        streamDevice_ = device_;
        if (!source_->start(f, &why)) {
            b->inputError_ = why.isEmpty() ? QStringLiteral("cannot open the sound input") : why;
            return false;
        }
        streamFormat_ = f;
    }
    idle_.stop();
    b->capturing_ = true;
    b->inputError_.clear();
    running_.push_back(b);
    return true;
}

void DSCapture::stopBuffer(DSCaptureBuffer* b)
{
    b->capturing_ = false;
    if (std::erase(running_, b) > 0 && running_.empty() && source_->isActive())
        idle_.start();
}

void DSCapture::onSourceFailed(const QString& reason)
{
    for (DSCaptureBuffer* b : running_) {
        b->capturing_ = false;
        b->inputError_ = reason.isEmpty() ? QStringLiteral("the sound input was lost") : reason;
    }
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
        const QString why = QStringLiteral("not enough memory for a sound buffer of %1 bytes").arg(desc.bufferBytes);
        qCWarning(lcPlatform) << why;
        setError(error, why);
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
        source = PulseCaptureSource::create(error);
    if (!source)
        return nullptr;
    return std::make_unique<DSCapture>(std::move(source));
}

std::unique_ptr<DSound> DirectSoundCreate(QString*) { return std::make_unique<DSound>(); }

} // namespace rt
