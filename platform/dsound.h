#pragma once
// Sound capture and memory sound buffers in the shape the program's recording
// code expects: a capture object, one-pass capture buffers that stop by
// themselves when full, and sound buffers that save themselves as WAV files.
//
// The capture object keeps one input stream of the sound server open and
// treats each capture buffer as a window onto it: a buffer receives what the
// stream delivers between its Start and its Stop (or until it is full). The
// level meter makes a fresh buffer every 50 ms; opening the device that often
// would fail. Everything runs on the thread that owns the capture object.
#include "platform/wavfile.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace rt {

// Standard wave-format capability bits (rate in kHz class, mono/stereo, bits).
enum WaveFormatBit : std::uint32_t {
    Format11kMono8 = 0x1, Format11kStereo8 = 0x2, Format11kMono16 = 0x4, Format11kStereo16 = 0x8,
    Format22kMono8 = 0x10, Format22kStereo8 = 0x20, Format22kMono16 = 0x40, Format22kStereo16 = 0x80,
    Format44kMono8 = 0x100, Format44kStereo8 = 0x200, Format44kMono16 = 0x400, Format44kStereo16 = 0x800,
};
// The bit of 11025/22050/44100 Hz, 1/2 channels, 8/16 bits; 0 for any other.
std::uint32_t waveFormatBit(int rate, int channels, int bits);

// Capture capabilities; only the supported-formats mask is used.
struct CaptureCaps {
    std::uint32_t formats = 0;
};

// Capture buffer description.
struct CaptureBufferDesc {
    std::int32_t flags = 0;
    std::int32_t bufferBytes = 0;
    WaveFormatEx format;
};

// Sound buffer description; its format goes beside it.
enum SoundBufferFlag : std::int32_t { SoundBufferStatic = 2, SoundBufferCtrlVolume = 128 };
struct SoundBufferDesc {
    std::int32_t flags = SoundBufferStatic | SoundBufferCtrlVolume;
    std::int32_t bufferBytes = 0;
};

// Capture positions in bytes; readPos counts the bytes captured.
struct CaptureCursors {
    std::int32_t capturePos = 0;
    std::int32_t readPos = 0;
};

constexpr int CaptureStatusCapturing = 1;

// Where captured bytes come from: the sound server's default input, or a
// fake fed by a test. The stream delivers interleaved PCM of the format it
// was started with (8-bit unsigned, 16-bit signed little-endian).
class CaptureSource : public QObject {
    Q_OBJECT
public:
    ~CaptureSource() override = default;
    // Bits of the 12 standard formats the input accepts; false when the
    // input cannot be asked (device gone).
    virtual bool formatsMask(std::uint32_t* mask) = 0;
    virtual bool start(const WaveFormatEx& format, QString* error) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Whatever has arrived since the last call; never blocks.
    virtual QByteArray takeAvailable() = 0;
    // The input the next start records from (a source's name); empty: the
    // server's default input.
    virtual void setDevice(const QByteArray& name) { device_ = name; }
    const QByteArray& device() const { return device_; }

signals:
    // Data may be waiting.
    void dataReady();
    // The stream broke (server gone, device removed); it is stopped.
    void failed(const QString& reason);

protected:
    QByteArray device_;
};

// The sound server's default input, through libpulse on a main loop that
// this object runs from the window thread. Each start connects anew when
// the last connection is gone, so capture works again once a server that
// went away (for any length of time) is back.
class PulseCaptureSource : public CaptureSource {
    Q_OBJECT
public:
    // Nullptr, with a reason, when no server answers or it has no input
    // (`device`, a source's name, or else the server's default input).
    static std::unique_ptr<PulseCaptureSource> create(QString* error, const QByteArray& device = {});
    ~PulseCaptureSource() override;

    // Every standard format while the server has an input to record from
    // (it converts); 0 when it has none; false when no server answers.
    bool formatsMask(std::uint32_t* mask) override;
    bool start(const WaveFormatEx& format, QString* error) override;
    void stop() override;
    bool isActive() const override;
    QByteArray takeAvailable() override;
    void setDevice(const QByteArray& name) override;

private:
    PulseCaptureSource();
    void service();
    void breakStream(const QString& reason);
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// A source for tests: bytes fed while started are handed out in order.
class FakeCaptureSource : public CaptureSource {
    Q_OBJECT
public:
    std::uint32_t mask = 0xFFF;
    bool capsFail = false;
    bool startFails = false;
    int starts = 0;
    int stops = 0;
    WaveFormatEx lastFormat;

    bool formatsMask(std::uint32_t* m) override;
    bool start(const WaveFormatEx& format, QString* error) override;
    void stop() override;
    bool isActive() const override { return active_; }
    QByteArray takeAvailable() override;

    // Queues bytes and announces them; dropped while not started, as a real
    // input drops what nobody records.
    void feed(const QByteArray& bytes);
    // Breaks the stream as a vanished server would.
    void breakStream(const QString& reason = QStringLiteral("gone"));

private:
    bool active_ = false;
    QByteArray pending_;
};

// Replaces the source that DirectSoundCaptureCreate uses (tests of callers);
// an empty function restores the sound server's input.
using CaptureSourceFactory = std::function<std::unique_ptr<CaptureSource>(QString* error)>;
void setCaptureSourceFactory(CaptureSourceFactory factory);

class DSCapture;

// A one-pass capture buffer. Only whole sample blocks are captured, so a
// size that is not a multiple of the block align leaves its tail unused.
class DSCaptureBuffer {
public:
    ~DSCaptureBuffer();
    DSCaptureBuffer(const DSCaptureBuffer&) = delete;
    DSCaptureBuffer& operator=(const DSCaptureBuffer&) = delete;

    // Starts (or resumes) capturing; flags are ignored (never looping).
    // False when the input stream cannot be opened or the capture object is gone.
    bool Start(int flags = 0);
    void Stop();
    // CaptureStatusCapturing while capturing; 0 once stopped or full.
    int GetStatus();
    CaptureCursors GetCurrentPosition();
    // Copies `size` bytes from `start`; false when the range lies outside the buffer.
    bool ReadBuffer(int start, int size, void* dest, int flags = 0) const;

    const CaptureBufferDesc& desc() const { return desc_; }
    std::int32_t capturedBytes() const { return static_cast<std::int32_t>(written_); }
    bool isFull() const { return written_ >= limit_; }
    // The input went away while this buffer captured, or could not be opened
    // for it: it stopped before it was full. `inputError()` says why.
    bool inputLost() const { return !inputError_.isEmpty(); }
    const QString& inputError() const { return inputError_; }

private:
    friend class DSCapture;
    DSCaptureBuffer(DSCapture* owner, const CaptureBufferDesc& desc);
    // Takes what fits of whole blocks; stops itself when full.
    void accept(const char* bytes, qint64 n);

    QPointer<DSCapture> owner_;
    CaptureBufferDesc desc_;
    // Left unfilled: only what was captured is ever touched (the meter makes
    // a 3.5 s buffer every 50 ms and uses a few kilobytes of it); the rest
    // reads as silence.
    std::unique_ptr<char[]> data_;
    qint64 limit_ = 0;
    qint64 written_ = 0;
    bool capturing_ = false;
    QString inputError_;
};

class DSCapture : public QObject {
    Q_OBJECT
public:
    explicit DSCapture(std::unique_ptr<CaptureSource> source, QObject* parent = nullptr);
    ~DSCapture() override;

    // False when the input cannot be asked.
    bool GetCaps(CaptureCaps& caps);
    // A new stopped buffer; nullptr for a bad description or when memory runs out.
    std::unique_ptr<DSCaptureBuffer> CreateCaptureBuffer(const CaptureBufferDesc& desc,
                                                         QString* error = nullptr);

    // Hands what the stream has delivered to the capturing buffers. Runs on
    // the source's notifications only (no polling timer while a song plays);
    // the buffers call it before they report status or position.
    void pump();

    CaptureSource& source() { return *source_; }
    // The input that buffers started from now on record from (a source's
    // name; empty: the server's default input). A buffer that captures
    // already keeps its input, so a take never mixes two.
    void setDevice(const QByteArray& id) { device_ = id; }
    const QByteArray& device() const { return device_; }
    // How long the stream stays open while no buffer captures.
    void setIdleCloseMs(int ms) { idle_.setInterval(ms); }

private:
    friend class DSCaptureBuffer;
    bool startBuffer(DSCaptureBuffer* b);
    void stopBuffer(DSCaptureBuffer* b);
    void onSourceFailed(const QString& reason);
    void closeIfIdle();

    std::unique_ptr<CaptureSource> source_;
    std::vector<DSCaptureBuffer*> running_;
    WaveFormatEx streamFormat_;
    QByteArray device_;       // wanted for the next stream
    QByteArray streamDevice_; // the open stream's
    QByteArray carry_; // an incomplete sample block held back for the next pump
    QTimer idle_;
};

// A memory sound buffer.
class DSBuffer {
public:
    DSBuffer(const SoundBufferDesc& desc, const WaveFormatEx& format, QByteArray bytes);

    // False when the range lies outside the buffer.
    bool WriteBuffer(int start, int size, const void* src, int flags = 0);
    bool ReadBuffer(int start, int size, void* dest, int flags = 0) const;
    // Writes the buffer as a WAV file of its format; the old file is kept
    // when the write fails.
    bool SaveToFile(const QString& path, QString* error = nullptr) const;

    const SoundBufferDesc& desc() const { return desc_; }
    const WaveFormatEx& format() const { return format_; }
    const QByteArray& bytes() const { return bytes_; }

private:
    SoundBufferDesc desc_;
    WaveFormatEx format_;
    QByteArray bytes_;
};

class DSound {
public:
    // Nothing is played through this object, so any level is accepted.
    bool SetCooperativeLevel(quintptr window, int level);
    // A zero-filled buffer; nullptr for a size below 1, a format other than
    // 8/16-bit PCM with one or two channels, or when memory runs out.
    std::unique_ptr<DSBuffer> CreateSoundBuffer(const SoundBufferDesc& desc, const WaveFormatEx& format,
                                                QString* error = nullptr);
    // A buffer holding the samples of a PCM WAV file; `desc` and `format`
    // receive the file's size and format. Nullptr when the file cannot be read.
    std::unique_ptr<DSBuffer> CreateSoundBufferFromFile(const QString& path, SoundBufferDesc& desc,
                                                        WaveFormatEx& format, QString* error = nullptr);
};

// The capture object of the default input; nullptr, with a reason, when
// there is no sound server or no input device.
std::unique_ptr<DSCapture> DirectSoundCaptureCreate(QString* error = nullptr);
// The sound buffer factory; does not fail.
std::unique_ptr<DSound> DirectSoundCreate(QString* error = nullptr);

} // namespace rt
