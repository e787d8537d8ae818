#include "foundation/appsettings.h"

#include <QSettings>
#include <QVariant>

#include <cmath>

namespace AppSettings {

bool ValueRange::contains(double value) const
{
    // NaN fails every comparison; infinities are refused even where max is unbounded.
    if (!std::isfinite(value))
        return false;
    const bool aboveMin = minInclusive ? value >= min : value > min;
    return aboveMin && value <= max;
}

double readDouble(const QString& key, double defaultValue, const ValueRange& range)
{
    bool ok = false;
    const double value = QSettings().value(key, defaultValue).toDouble(&ok);
    return ok && range.contains(value) ? value : defaultValue;
}

int readInt(const QString& key, int defaultValue, const ValueRange& range)
{
    bool ok = false;
    const int value = QSettings().value(key, defaultValue).toInt(&ok);
    return ok && range.contains(value) ? value : defaultValue;
}

void writeDouble(const QString& key, double value, const ValueRange& range)
{
    if (range.contains(value))
        QSettings().setValue(key, value);
}

void writeInt(const QString& key, int value, const ValueRange& range)
{
    if (range.contains(value))
        QSettings().setValue(key, value);
}

namespace {

bool readBool(const char* key, bool defaultValue)
{
    return QSettings().value(QLatin1String(key), defaultValue).toBool();
}

void writeValue(const char* key, const QVariant& value)
{
    QSettings().setValue(QLatin1String(key), value);
}

} // namespace

QStringList footprintDirs()
{
    return QSettings().value(QLatin1String(kFootprintDirs)).toStringList();
}

void setFootprintDirs(const QStringList& dirs)
{
    writeValue(kFootprintDirs, dirs);
}

double resistivityOhmCm(double defaultValue)
{
    return readDouble(QLatin1String(kResistivityOhmCm), defaultValue, kGreaterThanZero);
}

void setResistivityOhmCm(double value)
{
    writeDouble(QLatin1String(kResistivityOhmCm), value, kGreaterThanZero);
}

double layerHeightMm(double defaultValue)
{
    return readDouble(QLatin1String(kLayerHeightMm), defaultValue, kGreaterThanZero);
}

void setLayerHeightMm(double value)
{
    writeDouble(QLatin1String(kLayerHeightMm), value, kGreaterThanZero);
}

RoutingRules routingRules()
{
    const RoutingRules defaults;
    RoutingRules rules;
    rules.trackWidth = readDouble(QLatin1String(kTrackWidthMm), defaults.trackWidth, kGreaterThanZero);
    rules.trackHeight = readDouble(QLatin1String(kTrackHeightMm), defaults.trackHeight, kGreaterThanZero);
    rules.clearance = readDouble(QLatin1String(kClearanceMm), defaults.clearance, kZeroOrMore);
    rules.padClearance = readDouble(QLatin1String(kPadClearanceMm), defaults.padClearance, kZeroOrMore);
    return rules;
}

void setRoutingRules(const RoutingRules& rules)
{
    // Key by key, so one refused value does not keep the others from being stored.
    writeDouble(QLatin1String(kTrackWidthMm), rules.trackWidth, kGreaterThanZero);
    writeDouble(QLatin1String(kTrackHeightMm), rules.trackHeight, kGreaterThanZero);
    writeDouble(QLatin1String(kClearanceMm), rules.clearance, kZeroOrMore);
    writeDouble(QLatin1String(kPadClearanceMm), rules.padClearance, kZeroOrMore);
}

int conductorPerimeters(int defaultValue)
{
    return readInt(QLatin1String(kConductorPerimeters), defaultValue, kOneOrMore);
}

void setConductorPerimeters(int value)
{
    writeInt(QLatin1String(kConductorPerimeters), value, kOneOrMore);
}

bool embedPlanTxt(bool defaultValue)
{
    return readBool(kEmbedPlanTxt, defaultValue);
}

void setEmbedPlanTxt(bool value)
{
    writeValue(kEmbedPlanTxt, value);
}

bool embedPlanCsv(bool defaultValue)
{
    return readBool(kEmbedPlanCsv, defaultValue);
}

void setEmbedPlanCsv(bool value)
{
    writeValue(kEmbedPlanCsv, value);
}

bool autoSaveEnabled(bool defaultValue)
{
    return readBool(kAutoSaveEnabled, defaultValue);
}

void setAutoSaveEnabled(bool value)
{
    writeValue(kAutoSaveEnabled, value);
}

int autoSaveIntervalMinutes(int defaultValue)
{
    return readInt(QLatin1String(kAutoSaveIntervalMinutes), defaultValue, kAutoSaveMinutesRange);
}

void setAutoSaveIntervalMinutes(int value)
{
    writeInt(QLatin1String(kAutoSaveIntervalMinutes), value, kAutoSaveMinutesRange);
}

bool keepPreviousVersion(bool defaultValue)
{
    return readBool(kKeepPreviousVersion, defaultValue);
}

void setKeepPreviousVersion(bool value)
{
    writeValue(kKeepPreviousVersion, value);
}

QString language()
{
    return QSettings().value(QLatin1String(kLanguage)).toString();
}

void setLanguage(const QString& language)
{
    if (language.isEmpty())
        QSettings().remove(QLatin1String(kLanguage));
    else
        writeValue(kLanguage, language);
}

QByteArray mainWindowGeometry()
{
    return QSettings().value(QLatin1String(kMainWindowGeometry)).toByteArray();
}

void setMainWindowGeometry(const QByteArray& state)
{
    writeValue(kMainWindowGeometry, state);
}

QByteArray mainWindowSplitterState()
{
    return QSettings().value(QLatin1String(kMainWindowSplitterState)).toByteArray();
}

void setMainWindowSplitterState(const QByteArray& state)
{
    writeValue(kMainWindowSplitterState, state);
}

QByteArray mainWindowDockState()
{
    return QSettings().value(QLatin1String(kMainWindowDockState)).toByteArray();
}

void setMainWindowDockState(const QByteArray& state)
{
    writeValue(kMainWindowDockState, state);
}

} // namespace AppSettings
