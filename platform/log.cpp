#include "platform/log.h"

Q_LOGGING_CATEGORY(lcPlatform, "melodune.platform", QtWarningMsg)
