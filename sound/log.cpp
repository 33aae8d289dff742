#include "sound/log.h"

Q_LOGGING_CATEGORY(lcSound, "melodune.sound", QtWarningMsg)
