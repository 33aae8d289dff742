#include "sound/waveinrecorder.h"

#include <QAudioDevice>
#include <QMediaDevices>

namespace melodune {

WaveInRecorder::WaveInRecorder()
    : WaveInRecorder([] {
          QStringList names;
          for (const QAudioDevice& d : QMediaDevices::audioInputs())
              names << d.description();
          return names;
      })
{
}

WaveInRecorder::WaveInRecorder(std::function<QStringList()> devices) : devices_(std::move(devices)) {}

std::int32_t WaveInRecorder::DeviceCount() const
{
    return static_cast<std::int32_t>(devices_().size());
}

QString WaveInRecorder::DeviceName(std::int32_t index) const
{
    const QStringList names = devices_();
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

bool WaveInRecorder::SelectDevice(std::int32_t index)
{
    if (index < 0 || index >= DeviceCount())
        return false;
    selected_ = index;
    return true;
}

} // namespace melodune
