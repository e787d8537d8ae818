// Persistent user settings over the platform settings store. Every call reads or writes
// the store afresh; numbers are checked against their range when read and written.
#pragma once

#include "foundation/routingrules.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <limits>

class QWidget;

namespace AppSettings {

inline constexpr char kRecentProjects[] = "recentProjects";
inline constexpr char kFootprintDirs[] = "footprints/dirs";
inline constexpr char kResistivityOhmCm[] = "probe/resistivityOhmCm";
inline constexpr char kLayerHeightMm[] = "printPlan/layerHeightMm";
inline constexpr char kTrackWidthMm[] = "routing/trackWidthMm";
inline constexpr char kTrackHeightMm[] = "routing/trackHeightMm";
inline constexpr char kClearanceMm[] = "routing/clearanceMm";
inline constexpr char kPadClearanceMm[] = "routing/padClearanceMm";
inline constexpr char kConductorPerimeters[] = "export3mf/conductorPerimeters";
inline constexpr char kEmbedPlanTxt[] = "export3mf/embedPlanTxt";
inline constexpr char kEmbedPlanCsv[] = "export3mf/embedPlanCsv";
inline constexpr char kAutoSaveEnabled[] = "save/autoSaveEnabled";
inline constexpr char kAutoSaveIntervalMinutes[] = "save/autoSaveIntervalMinutes";
inline constexpr char kKeepPreviousVersion[] = "save/keepPreviousVersion";
inline constexpr char kLanguage[] = "ui/language";
inline constexpr char kMainWindowGeometry[] = "mainWindow/geometry";
inline constexpr char kMainWindowSplitterState[] = "mainWindow/splitterState";
inline constexpr char kMainWindowDockState[] = "mainWindow/dockState";

inline constexpr int kMaxRecentProjects = 10;

// Accepted values: above min (or equal when minInclusive), at most max, and finite.
struct ValueRange
{
    double min = 0.0;
    bool minInclusive = false;
    double max = std::numeric_limits<double>::infinity();

    bool contains(double value) const;
};

inline constexpr ValueRange kGreaterThanZero{0.0, false, std::numeric_limits<double>::infinity()};
inline constexpr ValueRange kZeroOrMore{0.0, true, std::numeric_limits<double>::infinity()};
inline constexpr ValueRange kOneOrMore{1.0, true, std::numeric_limits<double>::infinity()};
inline constexpr ValueRange kAutoSaveMinutesRange{1.0, true, 120.0};

// The stored value when present, readable and in range; the default otherwise.
double readDouble(const QString& key, double defaultValue, const ValueRange& range);
int readInt(const QString& key, int defaultValue, const ValueRange& range);
// Stores the value when in range; otherwise leaves the stored one as it was.
void writeDouble(const QString& key, double value, const ValueRange& range);
void writeInt(const QString& key, int value, const ValueRange& range);

// Recent projects, newest first, at most kMaxRecentProjects.
QStringList recentProjects();
void addRecentProject(const QString& path);
void removeRecentProject(const QString& path);
void clearRecentProjects();
// Absolute, cleaned form under which a project path is remembered.
QString canonicalProjectPath(const QString& path);

QStringList footprintDirs();
void setFootprintDirs(const QStringList& dirs);

double resistivityOhmCm(double defaultValue);
void setResistivityOhmCm(double value);
double layerHeightMm(double defaultValue);
void setLayerHeightMm(double value);

RoutingRules routingRules();
void setRoutingRules(const RoutingRules& rules);

int conductorPerimeters(int defaultValue);
void setConductorPerimeters(int value);
bool embedPlanTxt(bool defaultValue);
void setEmbedPlanTxt(bool value);
bool embedPlanCsv(bool defaultValue);
void setEmbedPlanCsv(bool value);

bool autoSaveEnabled(bool defaultValue);
void setAutoSaveEnabled(bool value);
int autoSaveIntervalMinutes(int defaultValue);
void setAutoSaveIntervalMinutes(int value);
bool keepPreviousVersion(bool defaultValue);
void setKeepPreviousVersion(bool value);

// Empty means the system's languages; setting an empty string removes the key.
QString language();
void setLanguage(const QString& language);

QByteArray mainWindowGeometry();
void setMainWindowGeometry(const QByteArray& state);
QByteArray mainWindowSplitterState();
void setMainWindowSplitterState(const QByteArray& state);
QByteArray mainWindowDockState();
void setMainWindowDockState(const QByteArray& state);

// --- Remembered file-dialog directories ---

// A fixed underlying type: values read back from settings may lie outside the list.
enum DirectoryKind : int { Geometry = 0, Netlist = 1, Project = 2, ExportStep = 3, Footprints = 4, Report = 5 };

QString directoryKey(DirectoryKind kind);
// The remembered directory when it still exists; empty otherwise.
QString lastDirectory(DirectoryKind kind);
void setLastDirectory(DirectoryKind kind, const QString& directory);
void rememberFileDirectory(DirectoryKind kind, const QString& filePath);

QString getOpenFileName(QWidget* parent, DirectoryKind kind, const QString& caption, const QString& filter,
                        const QString& fallbackDir = QString());
QString getSaveFileName(QWidget* parent, DirectoryKind kind, const QString& caption, const QString& filter,
                        const QStringList& suffixes, const QString& defaultFileName = QString());
QString getExistingDirectory(QWidget* parent, DirectoryKind kind, const QString& caption,
                             const QString& fallbackDir = QString());

// The name with "." and the first suffix appended unless it already ends (ignoring case)
// with one of the suffixes; unchanged when the name or the list is empty.
QString ensureSuffix(const QString& fileName, const QStringList& suffixes);

} // namespace AppSettings
