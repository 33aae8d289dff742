// The recording handlers of the main window.
#include "core/frmmain.h"

namespace melodune {

void FrmMain::mnuStopRecPlay_Click()
{
}

void FrmMain::XPButton8_Click()
{
    mnuStopRecPlay_Click();
}

void FrmMain::connectRecordingHandlers()
{
}

} // namespace melodune
