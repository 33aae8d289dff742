#include "controls/log.h"

Q_LOGGING_CATEGORY(lcControls, "melodune.controls", QtWarningMsg)
