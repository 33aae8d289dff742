#include "platform/shellopen.h"

#include <QDesktopServices>
#include <QProcess>

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

} // namespace

void setUrlOpener(UrlOpener o)
{
    urlOpener() = std::move(o);
}

bool openWebPage(const QUrl& url)
{
    if (urlOpener())
        return urlOpener()(url);
    return QDesktopServices::openUrl(url);
}

void setProgramStarter(ProgramStarter s)
{
    programStarter() = std::move(s);
}

bool startProgramDetached(const QString& program, const QStringList& arguments)
{
    if (programStarter())
        return programStarter()(program, arguments);
    return QProcess::startDetached(program, arguments);
}

} // namespace rt
