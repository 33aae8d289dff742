#pragma once
// A PulseAudio server of a test's own (its own socket and folders), started,
// paused and killed by the test. Tests skip where no pulseaudio program is
// installed (`available()`).
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/types.h>

namespace testsupport {

class OwnSoundServer {
public:
    explicit OwnSoundServer(const QString& dir) : dir_(dir) {}
    ~OwnSoundServer() { kill(); }
    OwnSoundServer(const OwnSoundServer&) = delete;
    OwnSoundServer& operator=(const OwnSoundServer&) = delete;

    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty(); }

    QString address() const { return QStringLiteral("unix:") + socket(); }

    // With or without an input (a 440 Hz sine source as the default input).
    bool start(bool withInput = true)
    {
        kill();
        QDir().mkpath(dir_ + QStringLiteral("/home"));
        QFile pa(dir_ + QStringLiteral("/default.pa"));
        if (!pa.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        // Without an input it has no sink either, whose monitor would be one.
        QByteArray script = "load-module module-native-protocol-unix socket=" + QFile::encodeName(socket()) +
                            " auth-anonymous=1\n";
        if (withInput)
            script += "load-module module-null-sink sink_name=outage_null\n"
                      "set-default-sink outage_null\n"
                      "load-module module-sine-source source_name=outage_sine frequency=440 rate=44100\n"
                      "set-default-source outage_sine\n";
        pa.write(script);
        pa.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir_ + QStringLiteral("/home"));
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir_ + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("PULSE_STATE_PATH"), dir_ + QStringLiteral("/state"));
        env.remove(QStringLiteral("PULSE_SERVER"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("--daemonize=no"), QStringLiteral("--system=false"),
                        QStringLiteral("--exit-idle-time=-1"), QStringLiteral("-n"), QStringLiteral("-F"),
                        dir_ + QStringLiteral("/default.pa"),
                        QStringLiteral("--log-target=file:") + dir_ + QStringLiteral("/log")});
        if (!process_.waitForStarted(10000))
            return false;
        QElapsedTimer t;
        t.start();
        while (!QFileInfo::exists(socket()) && t.elapsed() < 15000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(10);
        }
        return QFileInfo::exists(socket());
    }

    // The server stops answering but keeps its socket: connections are
    // accepted and never served, as with a hung server.
    void pause()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        const qint64 pid = process_.processId();
        ::kill(static_cast<pid_t>(pid), SIGSTOP);
        // The signal is delivered in the server's own time: on a loaded
        // machine a thread may still answer a call made right after kill().
        QElapsedTimer t;
        t.start();
        while (!allThreadsStopped(pid) && t.elapsed() < 5000)
            QThread::msleep(5);
    }
    void resume()
    {
        if (process_.state() != QProcess::NotRunning)
            ::kill(static_cast<pid_t>(process_.processId()), SIGCONT);
    }

    // The server dies at once, as a crashed one does.
    void kill()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(10000);
        }
        QFile::remove(socket());
    }

private:
    // Every thread of `pid` in the stopped state, as /proc tells it.
    static bool allThreadsStopped(qint64 pid)
    {
        const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
        const QStringList ids = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (ids.isEmpty())
            return false;
        for (const QString& id : ids) {
            QFile stat(tasks + u'/' + id + QStringLiteral("/stat"));
            if (!stat.open(QIODevice::ReadOnly))
                return false;
            // The state follows the command name's closing parenthesis.
            const QByteArray line = stat.readAll();
            const qsizetype close = line.lastIndexOf(')');
            if (close < 0 || close + 2 >= line.size() || line.at(close + 2) != 'T')
                return false;
        }
        return true;
    }

    QString socket() const { return dir_ + QStringLiteral("/native"); }

    QString dir_;
    QProcess process_;
};

// Points this process's sound clients at `address` while it lives; the
// earlier setting comes back after.
class ScopedPulseServer {
public:
    explicit ScopedPulseServer(const QString& address)
        : had_(qEnvironmentVariableIsSet("PULSE_SERVER")), old_(qgetenv("PULSE_SERVER"))
    {
        qputenv("PULSE_SERVER", address.toUtf8());
    }
    ~ScopedPulseServer()
    {
        if (had_)
            qputenv("PULSE_SERVER", old_);
        else
            qunsetenv("PULSE_SERVER");
    }
    ScopedPulseServer(const ScopedPulseServer&) = delete;
    ScopedPulseServer& operator=(const ScopedPulseServer&) = delete;

private:
    bool had_;
    QByteArray old_;
};

} // namespace testsupport
