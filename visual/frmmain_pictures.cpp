// The song picture and the lyric backgrounds.
#include "core/frmmain.h"

#include <QTimer>

namespace melodune {

void FrmMain::Timer6_Timer()
{
    Timer[6]->stop();
    emit coverPictureRefreshed();
}

} // namespace melodune
