#pragma once
// What the desktop opens for the program: web pages and local documents in
// the user's browser, and other programs started on their own. Addresses go
// to the desktop's URL handler and programs start without a shell, so no
// text the user or a store supplies is ever interpreted by one. Tests
// install recorders in place of both.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace rt {

// Opens an address; false when the desktop could not.
using UrlOpener = std::function<bool(const QUrl&)>;
// Installs an opener (tests record the address); an empty one restores the
// desktop's own: xdg-open, or QDesktopServices::openUrl where there is none.
void setUrlOpener(UrlOpener opener);
// Hands `url` to the desktop. xdg-open tells its failure (no browser, no
// program for the type) only by its exit code, when it ends: `failed` then
// runs, once, from the event loop; it runs at once when the opener cannot
// be started or refuses outright.
void openWebPage(const QUrl& url, std::function<void()> failed = {});
// openWebPage, telling a failure in one box with the address (a local file
// by its path): "无法打开网页：" & address.
void openWebPageOrSay(const QUrl& url);
// The address as the user would type it: a local file's path, else the URL.
QString addressText(const QUrl& url);

// Starts `program` (a path) with `arguments`, detached; false when it could
// not be started.
using ProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;
// Installs a starter; an empty one restores QProcess::startDetached.
void setProgramStarter(ProgramStarter starter);
bool startProgramDetached(const QString& program, const QStringList& arguments = {});

class ScopedUrlOpener {
public:
    explicit ScopedUrlOpener(UrlOpener o) { setUrlOpener(std::move(o)); }
    ~ScopedUrlOpener() { setUrlOpener({}); }
    ScopedUrlOpener(const ScopedUrlOpener&) = delete;
    ScopedUrlOpener& operator=(const ScopedUrlOpener&) = delete;
};

class ScopedProgramStarter {
public:
    explicit ScopedProgramStarter(ProgramStarter s) { setProgramStarter(std::move(s)); }
    ~ScopedProgramStarter() { setProgramStarter({}); }
    ScopedProgramStarter(const ScopedProgramStarter&) = delete;
    ScopedProgramStarter& operator=(const ScopedProgramStarter&) = delete;
};

} // namespace rt
