#pragma once
// This process's memory as the kernel counts it, for tests and benchmarks
// that hold a job's memory to a bound.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace testsupport {

// A kB field of /proc/self/status ("VmHWM:", "VmSize:"), 0 when unreadable.
inline long procStatusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Starts the peak (VmHWM) afresh from the current resident size; false when
// the kernel refused.
inline bool resetPeakMemory()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

} // namespace testsupport
