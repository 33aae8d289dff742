#pragma once
// libmpv opened at run time. The program starts without it: the library and
// the couple of hundred libraries it pulls in are mapped only when a player
// is first wanted, on a worker thread where the window can go on meanwhile.
//
// The functions the media control calls are pointers of the same names in
// namespace rt, so code inside the namespace calls them as plain libmpv
// calls; they are null until loadMpvLibrary() has returned true.
#include <QObject>
#include <QString>
#include <mpv/client.h>
#include <mpv/render_gl.h>
#include <vector>

namespace rt {

#define MELODUNE_MPV_FUNCTIONS(X)                                                                            \
    X(mpv_client_api_version) X(mpv_create) X(mpv_initialize) X(mpv_terminate_destroy)                      \
    X(mpv_set_option_string) X(mpv_set_property) X(mpv_set_property_string) X(mpv_get_property)             \
    X(mpv_get_property_string) X(mpv_observe_property) X(mpv_command) X(mpv_command_ret) X(mpv_free)        \
    X(mpv_free_node_contents) X(mpv_wait_event) X(mpv_set_wakeup_callback) X(mpv_error_string)              \
    X(mpv_hook_add) X(mpv_hook_continue) X(mpv_render_context_create) X(mpv_render_context_free)            \
    X(mpv_render_context_render) X(mpv_render_context_set_update_callback)

#define MELODUNE_MPV_POINTER(name) inline decltype(&::name) name = nullptr;
MELODUNE_MPV_FUNCTIONS(MELODUNE_MPV_POINTER)
#undef MELODUNE_MPV_POINTER

// The file opened: $MELODUNE_LIBMPV when set, else libmpv's soname.
QString mpvLibraryFile();

// Opens `file` and looks up every function above, in the list's order, into
// `functions`; false, with the reason, when the file does not load or lacks
// one of them (nothing stays open then).
bool openMpvLibrary(const QString& file, std::vector<void*>* functions, QString* error);

// Opens the library once per process and fills the pointers; every later
// call (from any thread) gives the first answer, waiting while a load runs
// elsewhere. `error`: why it failed.
bool loadMpvLibrary(QString* error = nullptr);

// Starts loadMpvLibrary on a worker thread, once, and returns at once;
// mpvLibraryNotifier() says when it is done. Needs the application object.
void loadMpvLibraryInBackground();

class MpvLibraryNotifier : public QObject {
    Q_OBJECT
signals:
    // Emitted from the worker thread when its load is done (connect queued).
    void finished();
};
MpvLibraryNotifier& mpvLibraryNotifier();

} // namespace rt
