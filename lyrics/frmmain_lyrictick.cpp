// The lyric tick of the main window.
#include "core/frmmain.h"

namespace melodune {

void FrmMain::Timer1_Timer()
{
}

} // namespace melodune
