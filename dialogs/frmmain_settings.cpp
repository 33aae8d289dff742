// The main window's way into the settings dialog.
#include "core/frmmain.h"

#include "controls/xpbutton.h"
#include "dialogs/frmset.h"

#include <QAction>

namespace melodune {

void FrmMain::mnuMoreSetup_Click()
{
    // One dialog at a time; one that is closing does not count.
    for (FrmSet* open : findChildren<FrmSet*>(QString(), Qt::FindDirectChildrenOnly))
        if (!open->isHidden()) {
            open->activateWindow();
            return;
        }
    auto* dialog = new FrmSet(*this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Modal to this window only: a lyrics window opened meanwhile by the
    // lyric tick still takes its keys and clicks.
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
}

void FrmMain::connectSettingsHandlers()
{
    onMenuItem(mnuMoreSetup, &FrmMain::mnuMoreSetup_Click);
}

} // namespace melodune
