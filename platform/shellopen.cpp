#include "platform/shellopen.h"

#include "platform/log.h"
#include "platform/ui.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <vector>

namespace rt {

namespace {

UrlOpener& urlOpener()
{
    static UrlOpener o;
    return o;
}

ProgramStarter& programStarter()
{
    static ProgramStarter s;
    return s;
}

// The openers still running. One whose browser stays in the foreground runs
// as long as the browser; one still running at exit is left to itself (the
// list is never destroyed, so neither is it).
std::vector<QProcess*>& runningOpeners()
{
    static auto* running = new std::vector<QProcess*>;
    return *running;
}

void startOpener(const QString& program, const QString& target, std::function<void()> failed)
{
    auto* p = new QProcess;
    p->setProgram(program);
    p->setArguments({target});
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    runningOpeners().push_back(p);
    // Gone from the list before the failure is told: telling it runs a box.
    auto end = [p, failed](bool ok) {
        auto& running = runningOpeners();
        const auto it = std::find(running.begin(), running.end(), p);
        if (it == running.end())
            return; // already ended (an error and a finish both arrived)
        running.erase(it);
        p->deleteLater();
        if (!ok && failed)
            failed();
    };
    QObject::connect(p, &QProcess::finished, p, [end, program, target](int code, QProcess::ExitStatus status) {
        const bool ok = status == QProcess::NormalExit && code == 0;
        if (!ok)
            qCWarning(lcPlatform) << "page not opened:" << target << "-" << program << "ended with" << code;
        end(ok);
    });
    QObject::connect(p, &QProcess::errorOccurred, p, [end, p](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            qCWarning(lcPlatform) << "program not started:" << p->program() << p->errorString();
            end(false);
        }
    });
    p->start();
}

} // namespace

void setUrlOpener(UrlOpener o)
{
    urlOpener() = std::move(o);
}

void openWebPage(const QUrl& url, std::function<void()> failed)
{
    if (urlOpener()) {
        if (!urlOpener()(url) && failed)
            failed();
        return;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url)) {
            qCWarning(lcPlatform) << "page not opened:" << url;
            if (failed)
                failed();
        }
        return;
    }
    startOpener(opener, url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded), std::move(failed));
}

QString addressText(const QUrl& url)
{
    return url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
}

void openWebPageOrSay(const QUrl& url)
{
    openWebPage(url, [url] { ui().msgBox(QStringLiteral("无法打开网页：") + addressText(url), OkOnly | Exclamation); });
}

void setProgramStarter(ProgramStarter s)
{
    programStarter() = std::move(s);
}

bool startProgramDetached(const QString& program, const QStringList& arguments)
{
    if (programStarter() ? programStarter()(program, arguments) : QProcess::startDetached(program, arguments))
        return true;
    qCWarning(lcPlatform) << "program not started:" << program << arguments;
    return false;
}

} // namespace rt
