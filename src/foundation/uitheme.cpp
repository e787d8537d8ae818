#include "foundation/uitheme.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QPalette>
#include <QRegularExpression>
#include <QWidget>

#include <algorithm>

namespace UiTheme {

namespace {

const char kFullTextProperty[] = "vtqFullText";

} // namespace

bool isDark(const QPalette& palette)
{
    return palette.brush(QPalette::Current, QPalette::Window).color().lightness() < 128;
}

QColor errorColor(const QPalette& palette)
{
    return isDark(palette) ? QColor(0xFF, 0x7B, 0x72) : QColor(0xD1, 0x34, 0x38);
}

QColor successColor(const QPalette& palette)
{
    return isDark(palette) ? QColor(0x3F, 0xB9, 0x50) : QColor(0x1A, 0x7F, 0x37);
}

QColor warningColor(const QPalette& palette)
{
    return isDark(palette) ? QColor(0xF0, 0x88, 0x3E) : QColor(0xB4, 0x53, 0x09);
}

void setMuted(QWidget* widget)
{
    if (widget)
        widget->setForegroundRole(QPalette::PlaceholderText);
}

void setNormal(QWidget* widget)
{
    if (widget)
        widget->setForegroundRole(QPalette::WindowText);
}

QString labelStyleSheet(const QColor& color, const QString& extra)
{
    QString sheet = QStringLiteral("QLabel { color: %1;").arg(color.name());
    const QString rules = extra.trimmed();
    if (!rules.isEmpty()) {
        sheet += QLatin1Char(' ') + rules;
        if (!rules.endsWith(QLatin1Char(';')))
            sheet += QLatin1Char(';');
    }
    sheet += QStringLiteral(" }");
    return sheet;
}

void setFittedText(QLabel* label, const QString& text)
{
    if (!label)
        return;
    label->setWordWrap(true);
    label->setProperty(kFullTextProperty, text);
    const int width = label->contentsRect().width() - 2 * label->margin() - 2 * std::max(0, label->indent());
    QString fitted;
    if (label->isVisible() && width > 0) {
        const QFontMetrics metrics(label->font());
        // Whitespace stays where it is: the label still wraps there.
        const QStringList words = text.split(QRegularExpression(QStringLiteral("(?=\\s)|(?<=\\s)")));
        for (const QString& word : words)
            fitted += metrics.horizontalAdvance(word) > width ? metrics.elidedText(word, Qt::ElideMiddle, width)
                                                              : word;
    } else {
        fitted = text;
    }
    label->setText(fitted);
    label->setToolTip(fitted == text ? QString() : text);
}

void refitText(QLabel* label)
{
    if (label)
        setFittedText(label, label->property(kFullTextProperty).toString());
}

QString decimal(double value, int decimals)
{
    // A spin box groups no digits either.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

} // namespace UiTheme
