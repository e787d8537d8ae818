// Status colours that stay readable on light and dark desktop themes.
#pragma once

#include <QColor>
#include <QString>

class QPalette;
class QWidget;

namespace UiTheme {

// Dark when the window colour's lightness is below 128.
bool isDark(const QPalette& palette);

QColor errorColor(const QPalette& palette);
QColor successColor(const QPalette& palette);
QColor warningColor(const QPalette& palette);

// Secondary (hint-like) text, and back. A null widget is ignored.
void setMuted(QWidget* widget);
void setNormal(QWidget* widget);

// "QLabel { color: #rrggbb; <extra>; }"
QString labelStyleSheet(const QColor& color, const QString& extra = QString());

} // namespace UiTheme
