// The playlist commands of the main window.
#include "core/frmmain.h"

#include "core/playlistedit.h"
#include "core/playlistfile.h"
#include "core/shared.h"
#include "platform/ui.h"

#include <QGroupBox>
#include <QListWidget>

namespace melodune {

void FrmMain::List1_Click()
{
    Marks.onSelect(List1->currentRow(), List1->count());
}

void FrmMain::mnuAdd_Click()
{
    rt::FileDialogRequest req;
    req.title = QStringLiteral("添加曲目到列表");
    req.filter = QStringLiteral("所有文件(*.*)|*.*");
    req.multiSelect = true;
    const rt::FileDialogResult chosen = rt::ui().openFile(req);
    if (chosen.files.isEmpty())
        return;
    const int before = List1->count();
    const int fit = entriesThatFit(before, int(chosen.files.size()));
    for (int i = 0; i < fit; ++i)
        List1->addItem(chosen.files[i]);
    Frame1->setTitle(listCountCaption(List1->count()));
    if (before == 0 && List1->count() > 0) {
        List1->setCurrentRow(0);
        List1_Click();
        CurrentIndex = 0;
        LoadTrack();
    }
}

void FrmMain::connectPlaylistHandlers()
{
}

} // namespace melodune
