#pragma once
// The 21 media types of the association dialog and the store writes behind
// it, apart from the window so that they can be tested without one.
#include "platform/fileassoc.h"

#include <QString>
#include <QStringList>

namespace melodune {

// The extensions (no dot) in the order of the dialog's boxes.
const QStringList& fileShellExtensions();

// "." & ext's default value is "Md." & ext (NULs removed) in the store.
bool isAssociated(const QString& ext);
// The extensions of the list that are ours in the store.
QStringList associatedExtensions();

// Takes `ext` over in the store, keeping a former opener in "Md_Backup";
// the commands name `program`, the icons lie in dataDir/res.
void associateExtension(const QString& ext, const QString& program, const QString& dataDir);
// Gives `ext` back to its former opener when it is ours; otherwise nothing.
void withdrawExtension(const QString& ext);

// The entries' icon: the largest of the program's icons in dataDir/res, empty
// when missing.
QString programIconFile(const QString& dataDir);

// What the desktop is to mirror of the store: every extension that is ours
// (no defaults changed; the caller adds what it takes over or withdraws).
rt::AssocPlan associationPlan(const QString& program, const QString& dataDir);

} // namespace melodune
