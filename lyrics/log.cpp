#include "lyrics/log.h"

Q_LOGGING_CATEGORY(lcLyrics, "melodune.lyrics", QtWarningMsg)
