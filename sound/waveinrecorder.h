#pragma once
// The recording device list of the input panel, over the sound server's
// input devices.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace melodune {

class WaveInRecorder {
public:
    // Lists the sound server's inputs.
    WaveInRecorder();
    // Lists the names `devices` returns (tests).
    explicit WaveInRecorder(std::function<QStringList()> devices);

    std::int32_t DeviceCount() const;
    // Empty for an index outside 0 to DeviceCount - 1.
    QString DeviceName(std::int32_t index) const;
    // False, leaving the selection as it was, for an index outside the list.
    bool SelectDevice(std::int32_t index);

private:
    std::function<QStringList()> devices_;
    std::int32_t selected_ = -1;
};

} // namespace melodune
