#include "core/log.h"

Q_LOGGING_CATEGORY(lcCore, "melodune.core", QtWarningMsg)
