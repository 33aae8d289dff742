#pragma once
// The recording engine of the input panel: the recording devices (the sound
// server's inputs), the lines of the chosen one (its ports) with the active
// line and its recording volume, and a small 16-bit recorder on that device.
#include "platform/mixer.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>
#include <cstdint>
#include <memory>
#include <vector>

class QAudioSource;
class QIODevice;

namespace melodune {

// The slider's caption: the whole part of value / maximum x 100, then "%"
// (32768 of 65535 shows "50%").
QString volumePercentCaption(int value, int maximum);
// The least slider value whose caption shows `percent` (0..100).
int volumeStop(int percent, int maximum);
// Where a page step from `value` lands: the stop of the next whole tenth
// above it (`up`) or below it.
int volumePageStop(int value, bool up, int maximum);

class WaveInRecorder : public QObject {
    Q_OBJECT
public:
    // Over the sound server's mixer (rt::createMixer).
    WaveInRecorder();
    explicit WaveInRecorder(std::unique_ptr<rt::Mixer> mixer);
    ~WaveInRecorder() override;

    // ---- recording ----
    bool IsRecording() const;
    // Always true; safe inside a GotData handler.
    bool StopRecord();
    // 16-bit PCM from the selected device (the default input with none),
    // handed out in pieces of BufferSize bytes. False while recording, for
    // an odd BufferSize or one below a sample block, a BufferCount under 1,
    // or when the input cannot be opened.
    bool StartRecord(std::int32_t samplerate, std::int32_t Channels);
    // Both keep their values while recording.
    std::int32_t BufferCount() const { return bufferCount_; }
    void BufferCount(std::int32_t Index);
    std::int32_t BufferSize() const { return bufferSize_; }
    void BufferSize(std::int32_t bytes);

    // ---- devices ----
    // Reads the list afresh: the server's default input first, then the
    // others in the server's order; monitors of outputs are no inputs.
    // 0 when the server does not answer.
    std::int32_t DeviceCount();
    // The description, from the list the last DeviceCount read; empty
    // outside it.
    QString DeviceName(std::int32_t Index) const;
    // The input's name in that list (what SelectedDeviceId gives once it is
    // selected); empty outside it.
    QByteArray DeviceId(std::int32_t Index) const;
    // Whether the server answered the last DeviceCount (0 inputs then means
    // it has none).
    bool DeviceListRead() const { return listRead_; }
    // From now on devicesChanged() follows the server's inputs.
    void watchDevices();
    // Selects entry `Index` of that list by its name. False (the selection
    // as it was) outside the list; false and no device when the server has
    // no such input now or does not answer.
    bool SelectDevice(std::int32_t Index);
    std::int32_t SelectedDevice() const { return selected_; }
    // The selected input's name (the capture's device id); empty for none.
    QByteArray SelectedDeviceId() const { return selectedName_; }

    // ---- lines of the selected device ----
    // Its ports; a source without ports has one line named by the source.
    // 0 with no device or no answer.
    std::int32_t MixerLineCount();
    QString MixerLineName(std::int32_t Index);
    // False with no device, outside the lines, or when the server refuses.
    bool SelectMixerLine(std::int32_t Index);
    // The active line; -1 for none or when it cannot be read.
    std::int32_t SelectedMixerLine();
    // The port's type (PA_DEVICE_PORT_TYPE_*), 0 for a source without
    // ports; -1 means the selected line.
    std::int32_t MixerLineType(std::int32_t Index);
    // Channel 0's volume on the 0..65535 scale; -1 when it cannot be read.
    std::int32_t MixerLineVolume();
    // Sets every channel alike; false when it could not be written.
    bool MixerLineVolume(std::int32_t Volume);

signals:
    // An input came or went, the default input changed, or the server
    // answers again after it went away or hung: the lists may be stale.
    void devicesChanged();
    // One filled buffer: `lngLen` bytes of 16-bit samples in `intBuffer`.
    void GotData(const QVector<qint16>& intBuffer, std::int32_t lngLen);

private:
    bool readState(rt::MixerSourceState* state);
    void onReadyRead();

    std::unique_ptr<rt::Mixer> mixer_;
    std::vector<rt::MixerSourceInfo> devices_;
    bool listRead_ = false;
    std::int32_t selected_ = -1;
    QByteArray selectedName_;
    std::int32_t bufferCount_ = 5;
    std::int32_t bufferSize_ = 10240;
    QPointer<QAudioSource> source_;
    QIODevice* input_ = nullptr;
    QByteArray pending_;
    std::int32_t takeBufferSize_ = 0;
};

} // namespace melodune
