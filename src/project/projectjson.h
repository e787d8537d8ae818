// Small helpers of the project file's converters. Readers are lenient: a missing key or a value
// of another type gives the default.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cmath>

namespace ProjectJson {

inline QString text(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

// Non-finite values cannot come from a parsed file, only from a damaged object built in memory.
inline double number(const QJsonObject& object, const char* key, double fallback)
{
    const double value = object.value(QLatin1String(key)).toDouble(fallback);
    return std::isfinite(value) ? value : fallback;
}

inline bool flag(const QJsonObject& object, const char* key, bool fallback)
{
    return object.value(QLatin1String(key)).toBool(fallback);
}

// Calls fn with every element of the array under key; an element that is not an object is
// handed over as an empty object, a missing or non-array value as no element.
template <typename F>
void forEachObject(const QJsonObject& object, const char* key, F&& fn)
{
    const QJsonArray array = object.value(QLatin1String(key)).toArray();
    for (const QJsonValue& entry : array)
        fn(entry.toObject());
}

template <typename List, typename F>
QJsonArray arrayOf(const List& list, F&& convert)
{
    QJsonArray array;
    for (const auto& item : list)
        array.append(convert(item));
    return array;
}

} // namespace ProjectJson
