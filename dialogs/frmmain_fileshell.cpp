// The main window's entry to the file-type association dialog.
#include "core/frmmain.h"

#include "core/shared.h"
#include "dialogs/frmfileshell.h"

#include <QAction>
#include <QCoreApplication>

namespace melodune {

void FrmMain::connectFileShellHandlers()
{
    onMenuItem(mnuFileShell, &FrmMain::mnuFileShell_Click);
}

void FrmMain::mnuFileShell_Click()
{
    // Modal for the whole program, but shown without a nested event loop:
    // the playing song's ticks go on while the dialog is open.
    auto* dialog = new FrmFileShell(this, shared().DataDir, QCoreApplication::applicationFilePath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
}

} // namespace melodune
