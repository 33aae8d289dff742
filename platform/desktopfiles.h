#pragma once
// The freedesktop files through which a desktop learns which program opens
// which file type: a shared-mime-info package, desktop entries and the
// user's mimeapps.list. Plain text arithmetic; nothing here touches the disk.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace rt {

// The ids of our two desktop entries and the list type's MIME type.
QString openEntryId();   // "melodune.desktop"
QString addEntryId();    // "melodune-add.desktop"
QString listMimeType();  // "application/x-melodune-playlist"

// The glob-only type we declare for an extension the shared database has
// no type for: "application/x-melodune-<ext>".
QString ownMimeType(const QString& ext);
bool isOwnMimeType(const QString& name);

// The MIME types whose globs name "*.<ext>" in the shared database (more
// than one for some extensions, e.g. m3u), without our own declarations.
// Empty when the database knows none.
QStringList databaseMimeTypes(const QString& ext);
// databaseMimeTypes, or our own type when there is none.
QStringList mimeTypesForExtension(const QString& ext);
// An alias resolved to its canonical name ("audio/wav" -> "audio/x-wav");
// other names as given.
QString canonicalMimeType(const QString& name);

// mime/packages/melodune.xml: the list type (a text file, *.mdu, "MDU File")
// and a glob-only type for each of `ownTypeExtensions`.
QByteArray mimePackage(const QStringList& ownTypeExtensions);

// The program as the first word of an Exec line, as it stands in the file.
// A path with a blank or another reserved character is quoted, with the
// double quote, backquote, dollar sign and backslash escaped by a backslash
// inside the quotes, then every backslash doubled by the string rule; a
// plain path stays bare. % is written as %%.
QString execProgram(const QString& program);
// A value of a string key (TryExec, Icon, Name) as it stands in the file.
QString desktopString(const QString& value);

struct DesktopEntry {
    QString name;
    QString program;       // absolute path of the program
    QString arguments;     // after the program, e.g. "%f" or "/a %f"
    QString icon;          // absolute path; empty: no Icon key
    QStringList mimeTypes;
    bool noDisplay = false;
};
QByteArray desktopEntry(const DesktopEntry& e);

// One type's change in mimeapps.list.
struct MimeAppsChange {
    QString mimeType;       // canonical name
    bool takeOver = false;  // true: ours first; false: our ids removed
    bool addVerb = false;   // with takeOver: the add entry among the added associations
};

// Applies `changes` to the text of a mimeapps.list. Taking over puts the open
// entry first in the type's [Default Applications] list (the former entries
// stay behind it) and, with addVerb, the add entry first in its [Added
// Associations] list; withdrawing removes both our ids from both lists,
// dropping a line left without entries and a group that we emptied. Keys
// match after trimming and resolving aliases through `canonical`. Every
// other byte comes back as it was; new lines take the file's line ends.
QByteArray editMimeApps(const QByteArray& input, const std::vector<MimeAppsChange>& changes,
                        const std::function<QString(const QString&)>& canonical = canonicalMimeType);

} // namespace rt
