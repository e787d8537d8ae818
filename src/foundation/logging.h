// The program's logging categories. Debug traces of each area go to its category
// (off unless enabled by Qt's logging rules); warnings go to the default category.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcFootprint)
Q_DECLARE_LOGGING_CATEGORY(lcComponent)
Q_DECLARE_LOGGING_CATEGORY(lcProject)
Q_DECLARE_LOGGING_CATEGORY(lcExport)
Q_DECLARE_LOGGING_CATEGORY(lcViewer)
Q_DECLARE_LOGGING_CATEGORY(lcRouting)
Q_DECLARE_LOGGING_CATEGORY(lcGeometry)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
