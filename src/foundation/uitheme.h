// Status colours that stay readable on light and dark desktop themes.
#pragma once

#include <QColor>
#include <QString>

class QLabel;
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

// Shows text in a label that wraps between words; a word wider than the label (a long net
// name) is shortened in its middle, and the whole text is then the tool tip. A label not
// shown yet keeps the text whole. refitText fits the last text again (new font or width).
void setFittedText(QLabel* label, const QString& text);
void refitText(QLabel* label);

// "QLabel { color: #rrggbb; <extra>; }"
QString labelStyleSheet(const QColor& color, const QString& extra = QString());

// A measure as the window shows it, with that many decimals: in the locale its spin boxes use
// too (the one of the interface's language, set at start), never in a file.
QString decimal(double value, int decimals);

} // namespace UiTheme
