#include "foundation/logging.h"

// Info and above are on by default; debug traces need an explicit logging rule.
Q_LOGGING_CATEGORY(lcFootprint, "vantorquelle.footprint", QtInfoMsg)
Q_LOGGING_CATEGORY(lcComponent, "vantorquelle.component", QtInfoMsg)
Q_LOGGING_CATEGORY(lcProject, "vantorquelle.project", QtInfoMsg)
Q_LOGGING_CATEGORY(lcExport, "vantorquelle.export", QtInfoMsg)
Q_LOGGING_CATEGORY(lcViewer, "vantorquelle.viewer", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRouting, "vantorquelle.routing", QtInfoMsg)
Q_LOGGING_CATEGORY(lcGeometry, "vantorquelle.geometry", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUi, "vantorquelle.ui", QtInfoMsg)
