#pragma once
// How long the window thread stops answering: the largest gap between ticks
// of a 50 ms timer on it. And big LRC texts to make it stop.
#include "platform/legacytext.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <algorithm>

namespace testsupport {

class StallMeter : public QObject {
public:
    StallMeter()
    {
        timer_.setInterval(50);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.elapsed();
            worst_ = std::max(worst_, now - last_);
            last_ = now;
        });
        clock_.start();
        timer_.start();
    }
    void reset()
    {
        last_ = clock_.elapsed();
        worst_ = 0;
    }
    // The largest gap since reset(), the one under way included.
    qint64 worstMs() const { return std::max(worst_, clock_.elapsed() - last_); }
    // How much later than its 50 ms the latest tick came.
    qint64 lateMs() const { return std::max<qint64>(0, worstMs() - 50); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};

// LRC text of about `bytes` bytes in code page 936: timed lines of Chinese.
inline QByteArray bigLrcText(qint64 bytes)
{
    QByteArray out = rt::encodeLegacy(QStringLiteral("[ti:大文件]\r\n[ar:测试]\r\n"));
    for (int n = 0; out.size() < bytes; ++n)
        out += rt::encodeLegacy(QStringLiteral("[%1:%2.%3]第%4行，我们一起唱这首歌\r\n")
                                    .arg(n / 20, 2, 10, QChar(u'0'))
                                    .arg(n * 3 % 60, 2, 10, QChar(u'0'))
                                    .arg(n * 37 % 100, 2, 10, QChar(u'0'))
                                    .arg(n));
    return out;
}

// One line: `count` time tags, then its text.
inline QByteArray tagLineText(int count)
{
    QByteArray out;
    out.reserve(count * 10 + 16);
    for (int i = 0; i < count; ++i)
        out += QStringLiteral("[%1:%2.%3]")
                   .arg(i / 6000 % 100, 2, 10, QChar(u'0'))
                   .arg(i / 100 % 60, 2, 10, QChar(u'0'))
                   .arg(i % 100, 2, 10, QChar(u'0'))
                   .toLatin1();
    out += rt::encodeLegacy(QStringLiteral("一行歌词\r\n"));
    return out;
}

} // namespace testsupport
