// Names in the order a reader counts them: D2 before D10, case ignored. The same in every
// locale, unlike a collator, whose numeric mode the C locale ignores.
#pragma once

#include <QStringList>
#include <QStringView>

namespace NaturalOrder {

// Runs of digits compare by value, other characters by their case-folded code; names equal
// that way fall back on the plain comparison, so the order is total.
bool less(QStringView a, QStringView b);

QStringList sorted(QStringList names);

} // namespace NaturalOrder
