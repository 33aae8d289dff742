#include "visual/log.h"

Q_LOGGING_CATEGORY(lcVisual, "melodune.visual", QtWarningMsg)
