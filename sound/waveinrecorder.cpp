#include "sound/waveinrecorder.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>
#include <cstring>

namespace melodune {

namespace {
int percentShown(int value, int maximum)
{
    return maximum > 0 ? int(double(value) / double(maximum) * 100.0) : 0;
}
} // namespace

QString volumePercentCaption(int value, int maximum)
{
    return QString::number(percentShown(value, maximum)) + QLatin1Char('%');
}

int volumeStop(int percent, int maximum)
{
    if (maximum <= 0)
        return 0;
    const int p = std::clamp(percent, 0, 100);
    int v = int((std::int64_t(p) * maximum + 99) / 100);
    // The caption rounds down in floating point: never a hair short.
    while (v < maximum && percentShown(v, maximum) < p)
        ++v;
    return v;
}

int volumePageStop(int value, bool up, int maximum)
{
    if (up) {
        for (int p = 0; p <= 100; p += 10)
            if (const int stop = volumeStop(p, maximum); stop > value)
                return stop;
        return maximum;
    }
    for (int p = 100; p >= 0; p -= 10)
        if (const int stop = volumeStop(p, maximum); stop < value)
            return stop;
    return 0;
}

WaveInRecorder::WaveInRecorder() : WaveInRecorder(rt::createMixer()) {}

WaveInRecorder::WaveInRecorder(std::unique_ptr<rt::Mixer> mixer) : mixer_(std::move(mixer)) {}

WaveInRecorder::~WaveInRecorder()
{
    if (IsRecording())
        StopRecord();
}

// ---------------------------------------------------------------------------
// Devices

std::int32_t WaveInRecorder::DeviceCount()
{
    devices_.clear();
    std::vector<rt::MixerSourceInfo> all;
    QByteArray defaultName;
    listRead_ = mixer_ && mixer_->sources(&all, &defaultName);
    if (!listRead_)
        return 0;
    std::erase_if(all, [](const rt::MixerSourceInfo& s) { return s.monitor; });
    // The desktop records from its default input: it comes first, so that
    // the first device the panel accepts is that one.
    const auto def = std::find_if(all.begin(), all.end(),
                                  [&](const rt::MixerSourceInfo& s) { return s.name == defaultName; });
    if (def != all.end())
        std::rotate(all.begin(), def, def + 1);
    devices_ = std::move(all);
    return static_cast<std::int32_t>(devices_.size());
}

QString WaveInRecorder::DeviceName(std::int32_t Index) const
{
    if (Index < 0 || Index >= static_cast<std::int32_t>(devices_.size()))
        return {};
    return devices_[static_cast<std::size_t>(Index)].description;
}

QByteArray WaveInRecorder::DeviceId(std::int32_t Index) const
{
    if (Index < 0 || Index >= static_cast<std::int32_t>(devices_.size()))
        return {};
    return devices_[static_cast<std::size_t>(Index)].name;
}

void WaveInRecorder::watchDevices()
{
    if (mixer_)
        mixer_->watch([this] { emit devicesChanged(); });
}

bool WaveInRecorder::SelectDevice(std::int32_t Index)
{
    if (Index < 0 || Index >= static_cast<std::int32_t>(devices_.size()))
        return false;
    selected_ = -1;
    selectedName_.clear();
    const QByteArray name = devices_[static_cast<std::size_t>(Index)].name;
    rt::MixerSourceState state;
    if (!mixer_->sourceState(name, &state))
        return false; // gone since the list was read, or no answer: no mixer
    selected_ = Index;
    selectedName_ = name;
    return true;
}

// ---------------------------------------------------------------------------
// Lines and volume

bool WaveInRecorder::readState(rt::MixerSourceState* state)
{
    return selected_ >= 0 && mixer_->sourceState(selectedName_, state);
}

std::int32_t WaveInRecorder::MixerLineCount()
{
    rt::MixerSourceState st;
    if (!readState(&st))
        return 0;
    return st.ports.empty() ? 1 : static_cast<std::int32_t>(st.ports.size());
}

QString WaveInRecorder::MixerLineName(std::int32_t Index)
{
    rt::MixerSourceState st;
    if (!readState(&st))
        return {};
    if (st.ports.empty())
        return Index == 0 ? st.description : QString();
    if (Index < 0 || Index >= static_cast<std::int32_t>(st.ports.size()))
        return {};
    return st.ports[static_cast<std::size_t>(Index)].description;
}

bool WaveInRecorder::SelectMixerLine(std::int32_t Index)
{
    rt::MixerSourceState st;
    if (!readState(&st))
        return false;
    if (st.ports.empty())
        return Index == 0; // the one line, always selected
    if (Index < 0 || Index >= static_cast<std::int32_t>(st.ports.size()))
        return false;
    return mixer_->setActivePort(selectedName_, st.ports[static_cast<std::size_t>(Index)].name);
}

std::int32_t WaveInRecorder::SelectedMixerLine()
{
    rt::MixerSourceState st;
    if (!readState(&st))
        return -1;
    if (st.ports.empty())
        return 0;
    return st.activePort;
}

std::int32_t WaveInRecorder::MixerLineType(std::int32_t Index)
{
    rt::MixerSourceState st;
    if (!readState(&st))
        return 0;
    if (Index == -1)
        Index = st.ports.empty() ? 0 : st.activePort;
    if (Index < 0 || Index >= static_cast<std::int32_t>(st.ports.size()))
        return 0;
    return st.ports[static_cast<std::size_t>(Index)].type;
}

std::int32_t WaveInRecorder::MixerLineVolume()
{
    rt::MixerSourceState st;
    if (!readState(&st) || st.volume.empty())
        return -1;
    return rt::rawFromServerVolume(st.volume.front());
}

bool WaveInRecorder::MixerLineVolume(std::int32_t Volume)
{
    // The server takes a volume only for the source's own channel count.
    rt::MixerSourceState st;
    if (!readState(&st) || st.volume.empty())
        return false;
    return mixer_->setVolume(selectedName_, static_cast<int>(st.volume.size()), rt::serverVolumeFromRaw(Volume));
}

// ---------------------------------------------------------------------------
// Recording

bool WaveInRecorder::IsRecording() const { return source_ != nullptr; }

void WaveInRecorder::BufferCount(std::int32_t Index)
{
    if (!IsRecording())
        bufferCount_ = Index;
}

void WaveInRecorder::BufferSize(std::int32_t bytes)
{
    if (!IsRecording())
        bufferSize_ = bytes;
}

bool WaveInRecorder::StartRecord(std::int32_t samplerate, std::int32_t Channels)
{
    if (IsRecording() || samplerate <= 0 || Channels < 1 || Channels > 8 || bufferCount_ < 1 ||
        bufferSize_ % 2 != 0 || bufferSize_ < Channels * 2)
        return false;
    // Qt's device list waits without bound on a server that accepts the
    // connection but never answers: ask it only after the mixer had an answer.
    std::vector<rt::MixerSourceInfo> answer;
    QByteArray defaultName;
    if (!mixer_ || !mixer_->sources(&answer, &defaultName))
        return false;
    QAudioFormat format;
    format.setSampleRate(samplerate);
    format.setChannelCount(Channels);
    format.setSampleFormat(QAudioFormat::Int16);
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (!selectedName_.isEmpty())
        for (const QAudioDevice& d : QMediaDevices::audioInputs())
            if (d.id() == selectedName_)
                device = d;
    if (device.isNull())
        return false;
    auto* source = new QAudioSource(device, format, this);
    source->setBufferSize(static_cast<qsizetype>(bufferSize_) * bufferCount_);
    QIODevice* input = source->start();
    if (!input || source->error() != QAudio::NoError) {
        source->stop();
        delete source;
        return false;
    }
    source_ = source;
    input_ = input;
    takeBufferSize_ = bufferSize_;
    pending_.clear();
    connect(input, &QIODevice::readyRead, this, &WaveInRecorder::onReadyRead);
    return true;
}

bool WaveInRecorder::StopRecord()
{
    if (source_) {
        QAudioSource* s = source_;
        source_ = nullptr;
        if (input_)
            input_->disconnect(this);
        input_ = nullptr;
        s->stop();
        s->deleteLater(); // a GotData handler may stop the take from inside its reader
    }
    pending_.clear();
    return true;
}

void WaveInRecorder::onReadyRead()
{
    if (!input_)
        return;
    pending_ += input_->readAll();
    const qsizetype size = takeBufferSize_;
    while (source_ && pending_.size() >= size) {
        QVector<qint16> samples(size / 2);
        std::memcpy(samples.data(), pending_.constData(), static_cast<std::size_t>(size));
        pending_.remove(0, size);
        emit GotData(samples, static_cast<std::int32_t>(size));
    }
}

} // namespace melodune
