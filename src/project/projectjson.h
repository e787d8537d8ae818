// Lenient readers of JSON values: a missing key or a value of another type gives the default.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cmath>

namespace JsonRead {

inline QString text(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

// A number that overflowed to infinity on parsing counts as unreadable.
inline double number(const QJsonObject& object, const char* key, double fallback)
{
    const double value = object.value(QLatin1String(key)).toDouble(fallback);
    return std::isfinite(value) ? value : fallback;
}

inline bool flag(const QJsonObject& object, const char* key, bool fallback)
{
    return object.value(QLatin1String(key)).toBool(fallback);
}

} // namespace JsonRead
