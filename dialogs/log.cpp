#include "dialogs/log.h"

Q_LOGGING_CATEGORY(lcDialogs, "melodune.dialogs", QtWarningMsg)
