// What the library refuses to build: values no footprint has (not finite, or beyond
// DesignLimits), and reads that run out of memory. A refused footprint never reaches
// OpenCASCADE, whose mesher loops on an infinite angle.

#include "components/footprintmanager.h"

#include "foundation/geometryutils.h"
#include "foundation/outofmemory.h"
#include "model/designlimits.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

using DesignLimits::kMaxFootprintLength;

// For the names marked with QT_TRANSLATE_NOOP below.
QString tr(const char* text)
{
    return QCoreApplication::translate("FootprintManager", text);
}

QString shown(double value)
{
    return QString::number(value, 'g', 6);
}

// Empty when the value is finite and within ±kMaxFootprintLength (or 0..kMaxFootprintLength
// for a size).
QString lengthProblem(const QString& what, double value, bool isSize)
{
    if (!std::isfinite(value))
        return QCoreApplication::translate("FootprintManager", "%1 %2 is not a finite number")
            .arg(what, shown(value));
    if (isSize && value < 0.0)
        return QCoreApplication::translate("FootprintManager", "%1 %2 mm is negative").arg(what, shown(value));
    if (std::abs(value) > kMaxFootprintLength)
        return QCoreApplication::translate("FootprintManager", "%1 %2 mm is beyond the limit of %3 mm")
            .arg(what, shown(value), shown(kMaxFootprintLength));
    return QString();
}

QString pointProblem(const QString& what, const QPointF& point)
{
    QString problem = lengthProblem(what + QStringLiteral(" X"), point.x(), false);
    if (problem.isEmpty())
        problem = lengthProblem(what + QStringLiteral(" Y"), point.y(), false);
    return problem;
}

QString padProblem(const FootprintPad& pad)
{
    const QString prefix = QCoreApplication::translate("FootprintManager", "pad “%1”: ").arg(pad.number);
    if (!std::isfinite(pad.rotation))
        return prefix
            + QCoreApplication::translate("FootprintManager", "rotation %1 is not a finite number")
                  .arg(shown(pad.rotation));
    const struct
    {
        const char* what;
        double value;
        bool isSize;
    } values[] = {{QT_TRANSLATE_NOOP("FootprintManager", "X position"), pad.posX, false},
                  {QT_TRANSLATE_NOOP("FootprintManager", "Y position"), pad.posY, false},
                  {QT_TRANSLATE_NOOP("FootprintManager", "width"), pad.width, true},
                  {QT_TRANSLATE_NOOP("FootprintManager", "height"), pad.height, true}};
    for (const auto& entry : values) {
        const QString problem = lengthProblem(tr(entry.what), entry.value, entry.isSize);
        if (!problem.isEmpty())
            return prefix + problem;
    }
    return QString();
}

} // namespace

QString FootprintManager::unusableValue(const FootprintData& footprint)
{
    const int padCount = int(footprint.copperPads.size());
    if (padCount > DesignLimits::kMaxPadsPerFootprint)
        return QCoreApplication::translate("FootprintManager",
                                           "%1 copper pads, beyond the limit of %2 pads per footprint")
            .arg(padCount)
            .arg(DesignLimits::kMaxPadsPerFootprint);
    for (const FootprintPad& pad : footprint.copperPads) {
        const QString problem = padProblem(pad);
        if (!problem.isEmpty())
            return problem;
    }
    for (const FootprintTrack& track : footprint.copperTracks) {
        QString problem =
            lengthProblem(QCoreApplication::translate("FootprintManager", "track width"), track.width, true);
        for (const QPointF& point : track.points) {
            if (problem.isEmpty())
                problem = pointProblem(QCoreApplication::translate("FootprintManager", "track point"), point);
        }
        if (!problem.isEmpty())
            return problem;
    }
    for (const FootprintZone& zone : footprint.zones) {
        for (const QPointF& point : zone.outline) {
            const QString problem = pointProblem(QCoreApplication::translate("FootprintManager", "zone vertex"), point);
            if (!problem.isEmpty())
                return problem;
        }
    }
    const struct
    {
        const char* what;
        double value;
    } values[] = {{QT_TRANSLATE_NOOP("FootprintManager", "pad thickness"), footprint.thickness},
                  {QT_TRANSLATE_NOOP("FootprintManager", "undercut"), footprint.bodyUndercut},
                  {QT_TRANSLATE_NOOP("FootprintManager", "body height"), footprint.bodyHeight},
                  {QT_TRANSLATE_NOOP("FootprintManager", "body margin X"), footprint.bodyMarginX},
                  {QT_TRANSLATE_NOOP("FootprintManager", "body margin Y"), footprint.bodyMarginY},
                  {QT_TRANSLATE_NOOP("FootprintManager", "body offset Z"), footprint.bodyOffsetZ},
                  {QT_TRANSLATE_NOOP("FootprintManager", "body width"), footprint.bodyWidthOverride},
                  {QT_TRANSLATE_NOOP("FootprintManager", "body length"), footprint.bodyLengthOverride}};
    for (const auto& entry : values) {
        const QString problem = lengthProblem(tr(entry.what), entry.value, false);
        if (!problem.isEmpty())
            return problem;
    }
    if (!std::isfinite(footprint.bodyTransparency))
        return QCoreApplication::translate("FootprintManager", "body transparency %1 is not a finite number")
            .arg(shown(footprint.bodyTransparency));
    return QString();
}

bool FootprintManager::acceptValues(const QString& filePath, FootprintData& footprint)
{
    const QString problem = unusableValue(footprint);
    if (!problem.isEmpty()) {
        const QString message =
            QCoreApplication::translate("FootprintManager", "%1: %2").arg(QDir::toNativeSeparators(filePath), problem);
        qWarning() << "✗ Footprint file refused:" << message;
        m_problems.insert(footprint.name, message);
        return false;
    }
    for (FootprintPad& pad : footprint.copperPads)
        pad.rotation = GeometryUtils::normalizeAngle360(pad.rotation);
    m_problems.remove(footprint.name);
    return true;
}

bool FootprintManager::loadKicadFile(const QString& filePath)
{
    bool loaded = false;
    if (OutOfMemory::survive([&] { loaded = readKicadFile(filePath); }))
        return loaded;
    const QString message =
        QCoreApplication::translate("FootprintManager", "%1: not enough memory to read this footprint")
            .arg(QDir::toNativeSeparators(filePath));
    m_problems.insert(QFileInfo(filePath).completeBaseName(), message);
    qWarning() << "✗ Footprint file refused:" << message;
    return false;
}
