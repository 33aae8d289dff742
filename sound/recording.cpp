#include "sound/recording.h"

#include "platform/shellopen.h"
#include "sound/log.h"

#include <QStandardPaths>
#include <new>

namespace melodune {

QString defaultRecordingName(const QDateTime& when)
{
    return QStringLiteral("Rec") + when.toString(QStringLiteral("yyMMddHHmmss"));
}

QString recordingSavePath(const QString& chosen)
{
    // Only the last component is the file name; a folder called "x.wav"
    // must stay where it is.
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    const QString folder = chosen.left(slash + 1);
    QString name = chosen.mid(slash + 1);
    name.replace(QStringLiteral(".wav"), QString(), Qt::CaseSensitive);
    return folder + name + QStringLiteral(".wav");
}

double recordSecondsToTrackEnd(double duration, double position)
{
    return duration - position + 1.0;
}

float progressLineX(std::int64_t wholeSeconds, double recordSeconds)
{
    if (!(recordSeconds > 0.0))
        return ProgressLineEnd;
    const double span = ProgressLineEnd - ProgressLineStart;
    return static_cast<float>(ProgressLineStart + span * static_cast<double>(wholeSeconds) / recordSeconds);
}

std::int64_t wholeSecondsBetween(std::int64_t startTickMs, std::int64_t nowTickMs)
{
    return (nowTickMs - startTickMs) / 1000;
}

std::unique_ptr<rt::DSBuffer> copyCaptureToSoundBuffer(rt::DSCaptureBuffer& capture, std::int32_t* capturedBytes,
                                                       QString* error)
{
    if (capture.GetStatus() & rt::CaptureStatusCapturing)
        capture.Stop();
    const std::int32_t n = capture.GetCurrentPosition().readPos;
    if (capturedBytes)
        *capturedBytes = n;
    if (n <= 0)
        return nullptr;
    const rt::WaveFormatEx& format = capture.desc().format;
    if (!rt::isSupportedPcm(format)) {
        if (error)
            *error = QStringLiteral("the capture format is not 8- or 16-bit PCM");
        return nullptr;
    }
    // A long take at the largest format is hundreds of megabytes: read it
    // once into storage the sound buffer then adopts, with no zero fill and
    // no staging array in between.
    QByteArray bytes;
    try {
        bytes = QByteArray(n, Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        if (error)
            *error = QStringLiteral("not enough memory for a sound buffer of %1 bytes").arg(n);
        return nullptr;
    }
    if (bytes.size() != n || !capture.ReadBuffer(0, n, bytes.data())) {
        if (error)
            *error = QStringLiteral("cannot read %1 bytes from the capture buffer").arg(n);
        return nullptr;
    }
    rt::SoundBufferDesc desc;
    desc.flags = rt::SoundBufferStatic | rt::SoundBufferCtrlVolume;
    desc.bufferBytes = n;
    return std::make_unique<rt::DSBuffer>(desc, format, std::move(bytes));
}

const std::vector<VolumeControlProgram>& volumeControlPrograms()
{
    static const std::vector<VolumeControlProgram> programs = {
        {QStringLiteral("pavucontrol"), {}},
        {QStringLiteral("pavucontrol-qt"), {}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}},
        {QStringLiteral("mate-volume-control"), {}},
        {QStringLiteral("kcmshell6"), {QStringLiteral("kcm_pulseaudio")}},
        {QStringLiteral("kcmshell5"), {QStringLiteral("kcm_pulseaudio")}},
    };
    return programs;
}

bool startVolumeControl()
{
    for (const VolumeControlProgram& p : volumeControlPrograms()) {
        const QString exe = QStandardPaths::findExecutable(p.program);
        if (exe.isEmpty())
            continue;
        if (rt::startProgramDetached(exe, p.arguments))
            return true;
    }
    qCWarning(lcSound) << "no volume control program started";
    return false;
}

} // namespace melodune
