#include "foundation/naturalorder.h"

#include <algorithm>

namespace {

// Compares the digit runs starting at i and j by value and advances past them.
int compareNumbers(QStringView a, qsizetype& i, QStringView b, qsizetype& j)
{
    while (i < a.size() && a.at(i) == QLatin1Char('0') && i + 1 < a.size() && a.at(i + 1).isDigit())
        ++i;
    while (j < b.size() && b.at(j) == QLatin1Char('0') && j + 1 < b.size() && b.at(j + 1).isDigit())
        ++j;
    qsizetype endA = i;
    qsizetype endB = j;
    while (endA < a.size() && a.at(endA).isDigit())
        ++endA;
    while (endB < b.size() && b.at(endB).isDigit())
        ++endB;
    int result = 0;
    if (endA - i != endB - j) {
        result = endA - i < endB - j ? -1 : 1;
    } else {
        for (qsizetype k = 0; k < endA - i && result == 0; ++k) {
            if (a.at(i + k) != b.at(j + k))
                result = a.at(i + k) < b.at(j + k) ? -1 : 1;
        }
    }
    i = endA;
    j = endB;
    return result;
}

int compareNatural(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            if (const int numbers = compareNumbers(a, i, b, j))
                return numbers;
            continue;
        }
        const char32_t x = QChar::toCaseFolded(a.at(i).unicode());
        const char32_t y = QChar::toCaseFolded(b.at(j).unicode());
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return 0;
}

} // namespace

namespace NaturalOrder {

bool less(QStringView a, QStringView b)
{
    const int natural = compareNatural(a, b);
    return natural != 0 ? natural < 0 : a < b;
}

QStringList sorted(QStringList names)
{
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return less(a, b); });
    return names;
}

} // namespace NaturalOrder
