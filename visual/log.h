#pragma once
#include <QLoggingCategory>

// Warnings are on by default; enable details with
// QT_LOGGING_RULES="melodune.visual.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcVisual)
