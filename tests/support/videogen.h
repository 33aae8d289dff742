#pragma once
// A small generated video file for tests: uncompressed YUV4MPEG2 (4:2:0),
// colour bars that move one step a frame, which any libavformat reads.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>

namespace testsupport {

struct VideoSpec {
    double seconds = 1.0;
    int width = 64;  // even
    int height = 48; // even
    int fps = 10;
};

inline bool writeTestVideo(const QString& path, const VideoSpec& spec = {})
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const int w = spec.width, h = spec.height;
    if (f.write(QStringLiteral("YUV4MPEG2 W%1 H%2 F%3:1 Ip A1:1 C420jpeg\n").arg(w).arg(h).arg(spec.fps).toLatin1()) < 0)
        return false;
    // Eight bars (white, yellow, cyan, green, magenta, red, blue, grey) as Y, U, V.
    static constexpr unsigned char bars[8][3] = {
        {235, 128, 128}, {210, 16, 146}, {170, 166, 16}, {145, 54, 34},
        {106, 202, 222}, {81, 90, 240},  {41, 240, 110}, {128, 128, 128},
    };
    const int frames = std::max(1, int(spec.seconds * spec.fps + 0.5));
    QByteArray frame;
    for (int n = 0; n < frames; ++n) {
        frame = "FRAME\n";
        auto bar = [&](int x) { return bars[((x * 8 / w) + n) % 8]; };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                frame += char(bar(x)[0]);
        for (int plane = 1; plane <= 2; ++plane)
            for (int y = 0; y < h / 2; ++y)
                for (int x = 0; x < w / 2; ++x)
                    frame += char(bar(x * 2)[plane]);
        if (f.write(frame) != frame.size())
            return false;
    }
    return f.flush();
}

} // namespace testsupport
