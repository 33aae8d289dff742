#pragma once
// Every stored file the program rewrites is written to a temporary file beside
// it and renamed over the old one, so a crash or a full disk leaves the old
// file in place, never a truncated one.
#include <QByteArray>
#include <QString>

class QFileDevice;

namespace rt {

// True when the whole of `data` is on disk under `path`. On failure the old
// file is untouched, no temporary file is left, and `error` says why.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

// Why the last write, flush or commit of `file` failed, in the system's
// words. Call it right after the failing call: a short write on a full disk
// sets no error on the file, only errno.
QString writeErrorReason(const QFileDevice& file);

// Makes a rename into `path`'s folder durable: the file's own sync does not
// cover the folder entry that names it.
void syncFolderOf(const QString& path);

// Copies a file by the same rule; copying a file onto itself leaves it intact
// and succeeds.
bool copyFileAtomically(const QString& from, const QString& to, QString* error = nullptr);

} // namespace rt
