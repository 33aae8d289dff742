// The lyric handlers of the main window.
#include "core/frmmain.h"

namespace melodune {

void FrmMain::LoadTrackLyrics()
{
}

void FrmMain::connectLyricsHandlers()
{
}

} // namespace melodune
