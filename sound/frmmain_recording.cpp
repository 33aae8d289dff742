// The recording handlers of the main window.
#include "core/frmmain.h"

namespace melodune {

void FrmMain::connectRecordingHandlers()
{
}

} // namespace melodune
