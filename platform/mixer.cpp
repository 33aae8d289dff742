#include "platform/mixer.h"

#include "platform/log.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <atomic>
#include <utility>

#include <pulse/pulseaudio.h>

namespace rt {

std::uint32_t serverVolumeFromRaw(std::int32_t raw)
{
    const std::uint64_t r = static_cast<std::uint64_t>(std::clamp<std::int32_t>(raw, 0, 65535));
    return static_cast<std::uint32_t>((r * 65536U + 32767U) / 65535U);
}

std::int32_t rawFromServerVolume(std::uint32_t volume)
{
    const std::uint64_t r = (static_cast<std::uint64_t>(volume) * 65535U + 32768U) / 65536U;
    return static_cast<std::int32_t>(std::min<std::uint64_t>(r, 65535U));
}

// ---------------------------------------------------------------------------
// The watch: a connection of its own, served by a libpulse thread, so that
// waiting for a server that stalls or restarts never holds the window.

namespace {

class MixerWatch {
public:
    explicit MixerWatch(std::function<void()> onChange) : onChange_(std::move(onChange))
    {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_)
            return;
        if (pa_threaded_mainloop_start(loop_) < 0) {
            pa_threaded_mainloop_free(loop_);
            loop_ = nullptr;
            return;
        }
        pa_threaded_mainloop_lock(loop_);
        connectNow();
        pa_threaded_mainloop_unlock(loop_);
    }

    ~MixerWatch()
    {
        if (!loop_)
            return;
        pa_threaded_mainloop_lock(loop_);
        if (retry_)
            api()->time_free(retry_);
        retry_ = nullptr;
        dropContext();
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
        // Notices still queued for the window thread go with receiver_.
    }

    MixerWatch(const MixerWatch&) = delete;
    MixerWatch& operator=(const MixerWatch&) = delete;

    // Asks the server once; its answer, whenever it comes, is a notice.
    void ping()
    {
        if (!loop_)
            return;
        pa_threaded_mainloop_lock(loop_);
        if (context_ && pa_context_get_state(context_) == PA_CONTEXT_READY) {
            if (pa_operation* op = pa_context_get_server_info(
                    context_, [](pa_context*, const pa_server_info*, void* u) { static_cast<MixerWatch*>(u)->notify(); },
                    this))
                pa_operation_unref(op);
        }
        pa_threaded_mainloop_unlock(loop_);
    }

private:
    // Everything below runs on the libpulse thread, or with its lock held.
    pa_mainloop_api* api() const { return pa_threaded_mainloop_get_api(loop_); }

    void connectNow()
    {
        context_ = pa_context_new(api(), "Melodune mixer watch");
        if (!context_) {
            retryLater();
            return;
        }
        pa_context_set_state_callback(context_, &MixerWatch::stateChanged, this);
        // A refused connection reports itself as failed: the retry follows.
        pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    }

    void dropContext()
    {
        if (!context_)
            return;
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }

    // A server that is gone is tried again every second (a refused
    // connection costs next to nothing); one that hangs keeps the connection
    // waiting until it answers.
    void retryLater()
    {
        timeval when;
        pa_timeval_add(pa_gettimeofday(&when), 1000 * PA_USEC_PER_MSEC);
        if (retry_)
            api()->time_restart(retry_, &when);
        else
            retry_ = api()->time_new(api(), &when, &MixerWatch::retryNow, this);
    }

    static void retryNow(pa_mainloop_api*, pa_time_event*, const timeval*, void* u)
    {
        auto* w = static_cast<MixerWatch*>(u);
        w->dropContext();
        w->connectNow();
    }

    static void stateChanged(pa_context* c, void* u)
    {
        auto* w = static_cast<MixerWatch*>(u);
        switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY: {
            pa_context_set_subscribe_callback(c, &MixerWatch::serverEvent, w);
            const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER);
            if (pa_operation* op = pa_context_subscribe(c, mask, nullptr, nullptr))
                pa_operation_unref(op);
            w->notify();
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            w->retryLater();
            break;
        default:
            break;
        }
    }

    static void serverEvent(pa_context*, pa_subscription_event_type_t t, std::uint32_t, void* u)
    {
        const unsigned facility = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const unsigned type = t & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        // A source's own changes (its volume, as the panel's slider writes
        // it) are no news for the lists.
        if (facility == PA_SUBSCRIPTION_EVENT_SERVER ||
            (facility == PA_SUBSCRIPTION_EVENT_SOURCE && type != PA_SUBSCRIPTION_EVENT_CHANGE))
            static_cast<MixerWatch*>(u)->notify();
    }

    // One notice at a time waits for the window thread.
    void notify()
    {
        if (queued_.exchange(true))
            return;
        QMetaObject::invokeMethod(
            &receiver_,
            [this] {
                queued_ = false;
                onChange_();
            },
            Qt::QueuedConnection);
    }

    std::function<void()> onChange_;
    QObject receiver_; // lives on the thread that made the watch
    std::atomic<bool> queued_{false};
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_time_event* retry_ = nullptr;
};

} // namespace

// ---------------------------------------------------------------------------
// PulseMixer

struct PulseMixer::Impl {
    MixerTiming timing;
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = nullptr;
    QElapsedTimer clock;
    qint64 quietUntil = -1;
    bool unreachableTold = false;
    std::unique_ptr<MixerWatch> watch;

    explicit Impl(MixerTiming t) : timing(t) { clock.start(); }
    ~Impl()
    {
        drop();
        if (loop)
            pa_mainloop_free(loop);
    }

    void drop()
    {
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
    }

    // No answer in time: the server hangs. Calls fail at once for a while,
    // so that a slider drag does not wait a second per step.
    void timedOut()
    {
        qCWarning(lcPlatform) << "the sound server gave the mixer no answer in" << timing.answerWaitMs
                              << "ms; its calls fail for" << timing.quietAfterTimeoutMs << "ms";
        drop();
        quietUntil = clock.elapsed() + timing.quietAfterTimeoutMs;
        if (watch)
            watch->ping(); // tells when it answers again
    }

    // One round of the loop, waiting at most until `deadline` (clock ms).
    bool iterate(qint64 deadline)
    {
        const qint64 left = deadline - clock.elapsed();
        if (left <= 0)
            return false;
        const int usec = static_cast<int>(std::min<qint64>(left, 50)) * 1000;
        return pa_mainloop_prepare(loop, usec) >= 0 && pa_mainloop_poll(loop) >= 0 &&
               pa_mainloop_dispatch(loop) >= 0;
    }

    bool ready() const { return context && pa_context_get_state(context) == PA_CONTEXT_READY; }

    // No connection: told once, until a call gets through again.
    bool unreachable()
    {
        if (!std::exchange(unreachableTold, true))
            qCWarning(lcPlatform) << "the mixer cannot reach the sound server:"
                                  << (context ? pa_strerror(pa_context_errno(context)) : "no connection made");
        drop();
        return false;
    }

    // A working connection by `deadline`.
    bool begin(qint64 deadline)
    {
        if (!loop || clock.elapsed() < quietUntil)
            return false;
        if (ready()) {
            // What the server said meanwhile (it may have closed the line).
            while (pa_mainloop_iterate(loop, 0, nullptr) > 0) {
            }
            if (ready())
                return true;
        }
        drop();
        context = pa_context_new(pa_mainloop_get_api(loop), "Melodune mixer");
        if (!context || pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return unreachable();
        for (;;) {
            const pa_context_state_t s = pa_context_get_state(context);
            if (s == PA_CONTEXT_READY) {
                unreachableTold = false;
                return true;
            }
            if (!PA_CONTEXT_IS_GOOD(s))
                return unreachable();
            if (!iterate(deadline)) {
                if (clock.elapsed() >= deadline) {
                    timedOut();
                    return false;
                }
                return unreachable();
            }
        }
    }

    // Runs `op` until `done` is set, the server fails or the deadline passes.
    bool finish(pa_operation* op, const bool& done, qint64 deadline)
    {
        if (!op) {
            drop();
            return false;
        }
        bool timeout = false;
        while (!done && pa_operation_get_state(op) == PA_OPERATION_RUNNING && ready()) {
            if (!iterate(deadline)) {
                timeout = clock.elapsed() >= deadline;
                break;
            }
        }
        if (!done) {
            // The callback must never run later into a caller that is gone.
            pa_operation_cancel(op);
            pa_operation_unref(op);
            if (timeout)
                timedOut();
            else if (!ready())
                drop();
            return false;
        }
        pa_operation_unref(op);
        return true;
    }

    qint64 deadline() const { return clock.elapsed() + timing.answerWaitMs; }
};

PulseMixer::PulseMixer(MixerTiming timing) : d_(std::make_unique<Impl>(timing)) {}
PulseMixer::~PulseMixer() = default;

bool PulseMixer::sources(std::vector<MixerSourceInfo>* list, QByteArray* defaultName)
{
    const qint64 deadline = d_->deadline();
    if (!d_->begin(deadline))
        return false;
    struct Query {
        bool done = false;
        bool ok = true;
        QByteArray defaultName;
        std::vector<MixerSourceInfo> list;
    } q;
    pa_operation* op = pa_context_get_server_info(
        d_->context,
        [](pa_context*, const pa_server_info* info, void* u) {
            auto* q = static_cast<Query*>(u);
            if (info && info->default_source_name)
                q->defaultName = info->default_source_name;
            q->done = true;
        },
        &q);
    if (!d_->finish(op, q.done, deadline))
        return false;
    q.done = false;
    op = pa_context_get_source_info_list(
        d_->context,
        [](pa_context*, const pa_source_info* info, int eol, void* u) {
            auto* q = static_cast<Query*>(u);
            if (eol != 0) {
                q->ok = eol > 0;
                q->done = true;
                return;
            }
            if (info)
                q->list.push_back({QByteArray(info->name), QString::fromUtf8(info->description),
                                   info->monitor_of_sink != PA_INVALID_INDEX});
        },
        &q);
    if (!d_->finish(op, q.done, deadline) || !q.ok)
        return false;
    *list = std::move(q.list);
    *defaultName = q.defaultName;
    return true;
}

bool PulseMixer::sourceState(const QByteArray& source, MixerSourceState* state)
{
    const qint64 deadline = d_->deadline();
    if (source.isEmpty() || !d_->begin(deadline))
        return false;
    struct Query {
        bool done = false;
        bool found = false;
        MixerSourceState state;
    } q;
    pa_operation* op = pa_context_get_source_info_by_name(
        d_->context, source.constData(),
        [](pa_context*, const pa_source_info* info, int eol, void* u) {
            auto* q = static_cast<Query*>(u);
            if (eol != 0) {
                q->done = true;
                return;
            }
            if (!info)
                return;
            q->found = true;
            MixerSourceState& s = q->state;
            s.description = QString::fromUtf8(info->description);
            s.ports.clear();
            s.activePort = -1;
            for (std::uint32_t i = 0; i < info->n_ports; ++i) {
                const pa_source_port_info* p = info->ports[i];
                s.ports.push_back({QByteArray(p->name), QString::fromUtf8(p->description), static_cast<int>(p->type)});
                if (p == info->active_port)
                    s.activePort = static_cast<int>(i);
            }
            s.volume.assign(info->volume.values, info->volume.values + info->volume.channels);
        },
        &q);
    if (!d_->finish(op, q.done, deadline) || !q.found)
        return false;
    *state = std::move(q.state);
    return true;
}

namespace {
struct Ack {
    bool done = false;
    bool ok = false;
};
void ackCallback(pa_context*, int success, void* u)
{
    auto* a = static_cast<Ack*>(u);
    a->ok = success != 0;
    a->done = true;
}
} // namespace

bool PulseMixer::setActivePort(const QByteArray& source, const QByteArray& port)
{
    const qint64 deadline = d_->deadline();
    if (source.isEmpty() || !d_->begin(deadline))
        return false;
    Ack a;
    pa_operation* op =
        pa_context_set_source_port_by_name(d_->context, source.constData(), port.constData(), ackCallback, &a);
    if (!d_->finish(op, a.done, deadline))
        return false;
    if (!a.ok)
        qCWarning(lcPlatform) << "the sound server refused the input" << port << "of" << source;
    return a.ok;
}

bool PulseMixer::setVolume(const QByteArray& source, int channels, std::uint32_t volume)
{
    if (channels < 1 || channels > static_cast<int>(PA_CHANNELS_MAX))
        return false;
    const qint64 deadline = d_->deadline();
    if (source.isEmpty() || !d_->begin(deadline))
        return false;
    pa_cvolume cv;
    pa_cvolume_set(&cv, static_cast<unsigned>(channels), std::min<pa_volume_t>(volume, PA_VOLUME_MAX));
    Ack a;
    pa_operation* op = pa_context_set_source_volume_by_name(d_->context, source.constData(), &cv, ackCallback, &a);
    if (!d_->finish(op, a.done, deadline))
        return false;
    if (!a.ok)
        qCWarning(lcPlatform) << "the sound server refused the volume of" << source;
    return a.ok;
}

void PulseMixer::watch(std::function<void()> onChange)
{
    d_->watch.reset();
    d_->watch = std::make_unique<MixerWatch>([this, onChange = std::move(onChange)] {
        d_->quietUntil = -1; // it answers: no reason to wait any longer
        onChange();
    });
}

// ---------------------------------------------------------------------------
// FakeMixer

FakeMixer::Source* FakeMixer::find(const QByteArray& name)
{
    for (Source& s : list)
        if (s.name == name)
            return &s;
    return nullptr;
}

bool FakeMixer::sources(std::vector<MixerSourceInfo>* out, QByteArray* defaultName)
{
    ++listCalls;
    if (down)
        return false;
    out->clear();
    for (const Source& s : list)
        out->push_back({s.name, s.description, s.monitor});
    *defaultName = defaultSource;
    return true;
}

bool FakeMixer::sourceState(const QByteArray& source, MixerSourceState* state)
{
    const Source* s = down ? nullptr : find(source);
    if (!s || !s->answers)
        return false;
    state->description = s->description;
    state->ports = s->ports;
    state->activePort = s->activePort;
    state->volume = s->volume;
    return true;
}

bool FakeMixer::setActivePort(const QByteArray& source, const QByteArray& port)
{
    Source* s = down ? nullptr : find(source);
    if (!s || !s->answers || s->portFails)
        return false;
    for (std::size_t i = 0; i < s->ports.size(); ++i)
        if (s->ports[i].name == port) {
            s->activePort = static_cast<int>(i);
            ++portWrites;
            return true;
        }
    return false;
}

bool FakeMixer::setVolume(const QByteArray& source, int channels, std::uint32_t volume)
{
    Source* s = down ? nullptr : find(source);
    // The server refuses a volume of another channel count.
    if (!s || !s->answers || channels != static_cast<int>(s->volume.size()))
        return false;
    std::fill(s->volume.begin(), s->volume.end(), volume);
    ++volumeWrites;
    return true;
}

// ---------------------------------------------------------------------------

namespace {
MixerFactory& mixerFactory()
{
    static MixerFactory f;
    return f;
}
} // namespace

void setMixerFactory(MixerFactory factory) { mixerFactory() = std::move(factory); }

std::unique_ptr<Mixer> createMixer()
{
    if (mixerFactory())
        return mixerFactory()();
    return std::make_unique<PulseMixer>();
}

} // namespace rt
