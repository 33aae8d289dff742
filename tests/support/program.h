#pragma once
// The real program started by a test on the suite's display: an environment
// of its own below a test folder, and its windows as xdotool finds them.
#include "tests/support/testdir.h"

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

namespace testsupport {

// Data folder, lock file and home below `dir`; boxes wait for an answer.
inline QProcessEnvironment programEnvironment(const TestDir& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MELODUNE_DATA_DIR"), dir.file("data"));
    env.insert(QStringLiteral("MELODUNE_LOCK_FILE"), dir.file("lock"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.remove(QStringLiteral("MELODUNE_NONINTERACTIVE"));
    return env;
}

// The X ids of the visible windows of process `pid` whose name holds `name`.
inline QList<quint32> visibleWindows(const QString& xdotool, qint64 pid, const QString& name)
{
    QProcess search;
    search.start(xdotool, {"search", "--onlyvisible", "--pid", QString::number(pid), "--name", name});
    search.waitForFinished(10000);
    QList<quint32> out;
    for (const QByteArray& line : search.readAllStandardOutput().split('\n')) {
        bool ok = false;
        const quint32 id = line.trimmed().toUInt(&ok);
        if (ok)
            out << id;
    }
    return out;
}

} // namespace testsupport
