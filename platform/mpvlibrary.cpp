#include "platform/mpvlibrary.h"

#include <QCoreApplication>
#include <QFile>
#include <dlfcn.h>
#include <mutex>
#include <thread>

namespace rt {
namespace {

constexpr const char* kFunctionNames[] = {
#define MELODUNE_MPV_NAME(name) #name,
    MELODUNE_MPV_FUNCTIONS(MELODUNE_MPV_NAME)
#undef MELODUNE_MPV_NAME
};

struct Load {
    std::once_flag once;
    bool ok = false;
    QString error;
};

Load& load()
{
    static Load l;
    return l;
}

// The background load; joined before the process ends, so no library is
// being opened while the program's own objects go away.
struct Worker {
    std::once_flag started;
    std::thread thread;
    ~Worker() { join(); }
    void join()
    {
        if (thread.joinable())
            thread.join();
    }
};

Worker& worker()
{
    static Worker w;
    return w;
}

} // namespace

QString mpvLibraryFile()
{
    const QString file = qEnvironmentVariable("MELODUNE_LIBMPV");
    return file.isEmpty() ? QStringLiteral("libmpv.so.2") : file;
}

bool openMpvLibrary(const QString& file, std::vector<void*>* functions, QString* error)
{
    dlerror();
    // Bound now, on the loading thread, rather than at the first calls.
    void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error)
            *error = QString::fromLocal8Bit(dlerror());
        return false;
    }
    std::vector<void*> found;
    for (const char* name : kFunctionNames) {
        void* f = dlsym(handle, name);
        if (!f) {
            if (error)
                *error = QStringLiteral("%1: %2 is missing").arg(file, QLatin1String(name));
            dlclose(handle);
            return false;
        }
        found.push_back(f);
    }
    if (functions)
        *functions = std::move(found);
    return true;
}

bool loadMpvLibrary(QString* error)
{
    Load& l = load();
    std::call_once(l.once, [&l] {
        std::vector<void*> f;
        const QString file = mpvLibraryFile();
        if (!openMpvLibrary(file, &f, &l.error))
            return;
        // The headers this program was built with must fit the library.
        std::size_t i = 0;
#define MELODUNE_MPV_ASSIGN(name) name = reinterpret_cast<decltype(name)>(f[i++]);
        MELODUNE_MPV_FUNCTIONS(MELODUNE_MPV_ASSIGN)
#undef MELODUNE_MPV_ASSIGN
        if ((mpv_client_api_version() >> 16) != MPV_CLIENT_API_VERSION >> 16) {
            l.error = QStringLiteral("%1: client API %2, this program needs %3")
                          .arg(file)
                          .arg(mpv_client_api_version() >> 16)
                          .arg(MPV_CLIENT_API_VERSION >> 16);
            return;
        }
        l.ok = true;
    });
    if (!l.ok && error)
        *error = l.error;
    return l.ok;
}

MpvLibraryNotifier& mpvLibraryNotifier()
{
    static MpvLibraryNotifier* n = [] {
        auto* made = new MpvLibraryNotifier;
        // The worker reports to it: both end with the application object.
        qAddPostRoutine([] { worker().join(); });
        return made;
    }();
    return *n;
}

void loadMpvLibraryInBackground()
{
    MpvLibraryNotifier* notifier = &mpvLibraryNotifier();
    Worker& w = worker();
    std::call_once(w.started, [&w, notifier] {
        w.thread = std::thread([notifier] {
            loadMpvLibrary();
            emit notifier->finished();
        });
    });
}

} // namespace rt
