// Component manager: the population of placed components and the edits made to them.

#include "components/componentmanager.h"

#include "components/componentmanager_p.h"
#include "components/footprintmanager.h"
#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "foundation/outofmemory.h"
#include "model/netlist.h"
#include "project/netlistupdate.h"
#include "project/projectmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <Message_ProgressScope.hxx>
#include <QDebug>
#include <QFileInfo>
#include <gp_Pnt.hxx>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kZeroLength = 1e-7;
constexpr double kMinTurn = 0.01;          // degrees
constexpr double kSpiralRadius = 80.0;     // mm
constexpr double kPlacementHeight = 5.1;   // mm

bool differs(double a, double b)
{
    return std::abs(a - b) > kZeroLength;
}

bool allFinite(const ComponentProperties& p)
{
    for (const double value : {p.posX, p.posY, p.posZ, p.rotation, p.footprintThickness, p.bodyUndercut,
                               p.padXYScale, p.bodyWidth, p.bodyLength, p.bodyHeight, p.bodyOffsetZ}) {
        if (!std::isfinite(value))
            return false;
    }
    return true;
}

} // namespace

ComponentManager::ComponentManager(FootprintManager& footprints,
                                   const opencascade::handle<AIS_InteractiveContext>& context,
                                   ProjectManager& project, QObject* parent)
    : QObject(parent)
    , m_footprintManager(footprints)
    , m_context(context)
    , m_project(project)
{
    // Every move or turn of a component's pads comes through here.
    m_padCacheCallback = [this](const opencascade::handle<AIS_Shape>& shape, const PadId& pad) {
        pinsChanged(pad.ref);
        emit padCacheUpdateNeeded(shape, pad);
    };
}

ComponentManager::~ComponentManager() = default;

PlacedComponentData* ComponentManager::findComponent(const QString& ref)
{
    const auto it = m_components.find(ref);
    return it == m_components.end() ? nullptr : &it.value();
}

const PlacedComponentData* ComponentManager::findComponent(const QString& ref) const
{
    const auto it = m_components.constFind(ref);
    return it == m_components.constEnd() ? nullptr : &it.value();
}

int ComponentManager::countWithFootprint() const
{
    int count = 0;
    for (const PlacedComponentData& component : m_components) {
        if (!component.hasMissingFootprint)
            ++count;
    }
    return count;
}

gp_Pnt ComponentManager::placementPosition(int index, int count)
{
    return GeometryUtils::spiralPlacementPosition(index, count, kSpiralRadius, kPlacementHeight);
}

bool ComponentManager::placeNetlistComponent(const NetlistComponent& netlistComponent, int index, int count,
                                             QList<MissingFootprintInfo>& missing,
                                             QList<LooserFootprintMatch>* looser)
{
    if (OutOfMemory::inScope())
        OutOfMemory::ensureHeadroom();
    const QString footprint = FootprintManager::normalizeFootprintName(netlistComponent.footprint);
    const PlacedComponentData created = m_footprintManager.createPlacedComponent(
        netlistComponent.ref, footprint, placementPosition(index, count), m_context);
    insertComponent(netlistComponent.ref, created, true);
    if (created.hasMissingFootprint) {
        missing.append({netlistComponent.ref, footprint, netlistComponent.value,
                        m_footprintManager.problemWith(footprint)});
        return false;
    }
    if (looser) {
        if (std::optional<LooserFootprintMatch> match = m_footprintManager.looserMatch(footprint)) {
            match->reference = netlistComponent.ref;
            looser->append(*match);
        }
    }
    return true;
}

ComponentManager::GenerateResult
ComponentManager::generateComponents(const QMap<QString, NetlistComponent>& netlistComponents,
                                     const Message_ProgressRange& progress, const std::function<void(int, int)>& onEntry)
{
    clearAll(true);
    GenerateResult result;
    const int count = int(netlistComponents.size());
    int index = 0;
    Message_ProgressScope scope(progress, nullptr, double(std::max(count, 1)));
    const bool placed = OutOfMemory::survive([&] {
        for (auto it = netlistComponents.cbegin(); it != netlistComponents.cend(); ++it, ++index) {
            if (onEntry)
                onEntry(index + 1, count);
            scope.Next();
            if (!scope.More()) {
                result.cancelled = true;
                return;
            }
            // The map key is the reference; a record whose own field disagrees is placed under the key.
            NetlistComponent component = it.value();
            component.ref = it.key();
            if (placeNetlistComponent(component, index, count, result.missingFootprints, &result.looserMatches))
                ++result.loaded;
            else
                ++result.missing;
        }
    });
    if (!placed) {
        clearAll(true);
        result = GenerateResult();
        result.outOfMemory = true;
        emit populationChanged(0, 0);
        emit statusMessage(tr("Not enough memory to place the components: none was placed"));
        return result;
    }
    if (result.cancelled) {
        clearAll(true);
        result = GenerateResult();
        result.cancelled = true;
        return result;
    }

    emit populationChanged(result.loaded, result.missing);
    if (!result.missingFootprints.isEmpty())
        emit missingFootprintsDetected(result.missingFootprints);
    QString status = tr("%n footprint(s) loaded", nullptr, result.loaded);
    if (result.missing > 0)
        status += tr(", %n missing", nullptr, result.missing);
    emit statusMessage(status);
    return result;
}

void ComponentManager::clearAll(bool removeBodies, bool redraw)
{
    ++m_generation;
    if (!m_context.IsNull()) {
        for (auto it = m_components.cbegin(); it != m_components.cend(); ++it) {
            for (const PlacedPadData& pad : it.value().pads) {
                if (pad.aisShape.IsNull())
                    continue;
                emit padCacheUpdateNeeded(pad.aisShape, PadId(it.key(), QString()));
                OccUtils::safeRemove(m_context, pad.aisShape);
            }
            if (removeBodies && !it.value().compositeShape.IsNull())
                OccUtils::safeRemove(m_context, it.value().compositeShape);
        }
        if (redraw)
            OccUtils::safeUpdateViewer(m_context);
    }
    const bool hadComponents = !m_components.isEmpty();
    m_components.clear();
    m_bodyIndex.clear();
    pinsChanged(QString());
    if (hadComponents)
        emit populationChanged(0, 0);
}

bool ComponentManager::removeComponent(const QString& ref)
{
    const auto it = m_components.find(ref);
    if (it == m_components.end())
        return false;
    removeComponentDisplay(it.value(), ref);
    emit padCacheClearComponentNeeded(ref);
    m_components.erase(it);
    pinsChanged(ref);
    return true;
}

ComponentManager::NetlistApplyResult
ComponentManager::applyNetlistUpdate(const QMap<QString, NetlistComponent>& newComponents,
                                     const NetlistUpdate& update)
{
    NetlistApplyResult result;
    result.keptCount = update.keptCount;

    // The additions come first: they are what takes memory, and running out while adding takes
    // them away again, so that the board is left as it was. The slots are those the additions
    // would have after the removals.
    int removing = 0;
    for (const QString& ref : update.removed)
        removing += m_components.contains(ref) ? 1 : 0;
    QStringList fresh;
    for (const QString& ref : update.added) {
        if (newComponents.contains(ref) && !m_components.contains(ref))
            fresh.append(ref);
    }
    int index = int(m_components.size()) - removing;
    const int count = index + int(update.added.size());
    const bool added = OutOfMemory::survive([&] {
        for (const QString& ref : qAsConst(fresh)) {
            NetlistComponent component = newComponents.value(ref);
            component.ref = ref;
            if (placeNetlistComponent(component, index, count, result.missingFootprints))
                ++result.created;
            else
                ++result.missing;
            ++index;
        }
    });
    if (!added) {
        for (const QString& ref : qAsConst(fresh))
            removeComponent(ref);
        NetlistApplyResult refused;
        refused.outOfMemory = true;
        emit populationChanged(int(m_components.size()), 0);
        emit statusMessage(tr("Not enough memory to add the new components: nothing was changed"));
        return refused;
    }

    for (const QString& ref : update.removed) {
        if (removeComponent(ref))
            result.removed.append(ref);
    }
    for (const NetlistUpdate::FootprintChange& change : update.footprintChanges) {
        if (!m_components.contains(change.ref))
            continue;
        // Each replacement is whole or not at all; one that runs out of memory keeps the old footprint.
        bool replaced = false;
        OutOfMemory::survive([&] { replaced = replaceFootprint(change.ref, change.newFootprint); });
        if (replaced)
            result.replaced.append(change.ref);
        else
            result.replaceFailed.append(change.ref);
    }

    emit populationChanged(int(m_components.size()), 0);
    if (!result.missingFootprints.isEmpty())
        emit missingFootprintsDetected(result.missingFootprints);
    return result;
}

bool ComponentManager::replaceFootprint(const QString& ref, const QString& footprint,
                                        const ComponentProperties* values)
{
    PlacedComponentData* component = findComponent(ref);
    if (!component)
        return false;

    QString name = footprint;
    const QFileInfo file(footprint);
    if (!footprint.trimmed().isEmpty() && file.isFile()) {
        // The library keeps one footprint per name: a file of another footprint's name would
        // become that footprint for every other component using it, in the next save too.
        const QString fileName = FootprintManager::normalizeFootprintName(file.completeBaseName());
        const QString user = otherUserOfFootprint(fileName, file, ref);
        if (!user.isEmpty()) {
            emit statusMessage(tr("%1 already uses another footprint named %2 — rename the file to give it to %3.")
                                   .arg(user, fileName, ref));
            return false;
        }
        if (!m_footprintManager.loadFootprintFromFile(footprint))
            return false;
        name = file.completeBaseName();
    }
    name = FootprintManager::normalizeFootprintName(name);
    if (name.isEmpty())
        return false;

    unindexBodyShape(component->compositeShape);
    if (values && !allFinite(*values))
        return false;
    const bool ok = m_footprintManager.replaceFootprint(*component, name, m_context, values);
    indexBodyShape(component->compositeShape, ref);
    if (ok) {
        refreshPadCache(ref);
        component->assignedFootprint = name;
        emit componentChanged(ref);
    }
    return ok;
}

bool ComponentManager::restoreSubstitute(const QString& ref, const QString& requestedFootprint,
                                         const ComponentProperties& values)
{
    PlacedComponentData* component = findComponent(ref);
    if (!component || !allFinite(values))
        return false;
    // Not through createPlacedComponent: the library may hold that name by now (a chosen file
    // of the same name), and undo must give back what the user had, not what a lookup finds.
    PlacedComponentData substitute =
        FootprintManager::createFallbackComponent(ref, requestedFootprint, component->position, m_context);
    if (substitute.compositeShape.IsNull())
        return false;
    if (std::abs(component->rotation) > kMinTurn
        && !FootprintManager::rotateComponentVisual(substitute, component->rotation, m_context, 0.0,
                                                    FootprintManager::PadCacheCallback())) {
        if (!m_context.IsNull())
            OccUtils::safeRemove(m_context, substitute.compositeShape);
        return false;
    }
    substitute.footprintThickness = values.footprintThickness;
    substitute.bodyUndercut = values.bodyUndercut;
    substitute.padXYScale = values.padXYScale;
    substitute.bodyOffsetZ = values.bodyOffsetZ;
    substitute.bodyWidth = values.bodyWidth;
    substitute.bodyLength = values.bodyLength;
    substitute.bodyHeight = values.bodyHeight;
    substitute.bodyMarginX = values.bodyMarginX;
    substitute.bodyMarginY = values.bodyMarginY;
    substitute.bodyEnabled = values.bodyEnabled;

    // A selected or locked component stays so.
    const int style = component->styleCode;
    insertComponent(ref, substitute, false);
    setComponentStyle(ref, style == 2 || style == 3 ? style : baseStyleFor(substitute), true);
    refreshPadCache(ref);
    emit componentChanged(ref);
    return true;
}

QString ComponentManager::otherUserOfFootprint(const QString& name, const QFileInfo& file, const QString& ref) const
{
    if (!m_footprintManager.hasFootprint(name))
        return QString();
    const QFileInfo cached(m_footprintManager.getFootprint(name).path);
    if (cached.exists() && cached.canonicalFilePath() == file.canonicalFilePath())
        return QString();
    for (auto it = m_components.cbegin(); it != m_components.cend(); ++it) {
        if (it.key() != ref && !it->hasMissingFootprint && it->footprintName == name)
            return it.key();
    }
    return QString();
}

bool ComponentManager::rebuildWith(PlacedComponentData& component, const ComponentProperties& p)
{
    unindexBodyShape(component.compositeShape);
    const bool ok = m_footprintManager.recreateComponentBody(component, p.bodyWidth, p.bodyLength, p.bodyHeight,
                                                             p.bodyOffsetZ, p.footprintThickness, p.bodyUndercut,
                                                             p.padXYScale, m_context);
    indexBodyShape(component.compositeShape, component.ref);
    if (ok)
        refreshPadCache(component.ref);
    return ok;
}

void ComponentManager::restyleBody(PlacedComponentData& component)
{
    component.styleCode = baseStyleFor(component);
    if (m_context.IsNull() || component.compositeShape.IsNull())
        return;
    applyComponentStyle(component.compositeShape, component.styleCode);
    redisplayShape(component.compositeShape, true);
}

bool ComponentManager::applyProperties(const QString& ref, const ComponentProperties& p)
{
    PlacedComponentData* component = findComponent(ref);
    if (!component)
        return false;
    if (!allFinite(p) || !ComponentLimits::isPlausiblePosition(gp_Pnt(p.posX, p.posY, p.posZ))) {
        emit statusMessage(tr("Invalid values for %1 — nothing changed.").arg(ref));
        return false;
    }

    const double oldRotation = component->rotation;
    const gp_Pnt oldPosition = component->position;
    bool changed = false;

    // A later step that fails takes the earlier ones back too, so that the component, the panel
    // and the undo history never disagree about a half-applied edit.
    const auto rollBack = [&](const QString& failure) {
        FootprintManager::moveComponentVisual(*component, oldPosition, m_context, m_padCacheCallback);
        FootprintManager::rotateComponentVisual(*component, oldRotation, m_context, -1.0, m_padCacheCallback);
        emit statusMessage(failure);
        const bool restored = component->position.Distance(oldPosition) <= kZeroLength
                           && std::abs(component->rotation - oldRotation) < kMinTurn;
        if (!restored) {
            qWarning() << "applyProperties: earlier steps could not be taken back for" << ref;
            emit componentChanged(ref);
        }
        return false;
    };

    if (std::abs(p.rotation - component->rotation) > kMinTurn) {
        const double angle = GeometryUtils::normalizeAngle360(p.rotation);
        if (!FootprintManager::rotateComponentVisual(*component, angle, m_context, -1.0, m_padCacheCallback))
            return rollBack(tr("Rotation failed for %1 — values restored.").arg(ref));
        changed = true;
    }

    const gp_Pnt target(p.posX, p.posY, p.posZ);
    if (component->position.Distance(target) > kZeroLength) {
        if (!FootprintManager::moveComponentVisual(*component, target, m_context, m_padCacheCallback))
            return rollBack(tr("Move failed for %1 — values restored.").arg(ref));
        changed = true;
    }

    if (!component->hasMissingFootprint
        && (differs(p.bodyWidth, component->bodyWidth) || differs(p.bodyLength, component->bodyLength)
            || differs(p.padXYScale, component->padXYScale)
            || differs(p.footprintThickness, component->footprintThickness)
            || differs(p.bodyOffsetZ, component->bodyOffsetZ) || differs(p.bodyUndercut, component->bodyUndercut)
            || differs(p.bodyHeight, component->bodyHeight))) {
        if (!rebuildWith(*component, p))
            return rollBack(tr("Rebuild failed for %1 — values restored.").arg(ref));
        changed = true;
    }

    if (p.bodyEnabled != component->bodyEnabled) {
        component->bodyEnabled = p.bodyEnabled;
        restyleBody(*component);
        changed = true;
    }

    if (changed)
        emit componentChanged(ref);
    return true;
}

bool ComponentManager::moveComponent(const QString& ref, const gp_Pnt& position, bool quiet)
{
    PlacedComponentData* component = findComponent(ref);
    if (!component)
        return false;
    if (!ComponentLimits::isPlausiblePosition(position)) {
        qWarning() << "moveComponent: position out of range refused for" << ref;
        return false;
    }
    const bool ok = FootprintManager::moveComponentVisual(*component, position, m_context, m_padCacheCallback);
    if (ok && !quiet)
        emit componentChanged(ref);
    return ok;
}

bool ComponentManager::rotateComponent(const QString& ref, double angleDegrees)
{
    PlacedComponentData* component = findComponent(ref);
    if (!component)
        return false;
    if (!std::isfinite(angleDegrees)) {
        qWarning() << "rotateComponent: non-finite angle refused for" << ref;
        return false;
    }
    const double angle = GeometryUtils::normalizeAngle360(angleDegrees);
    const bool ok = FootprintManager::rotateComponentVisual(*component, angle, m_context, -1.0, m_padCacheCallback);
    if (ok)
        emit componentChanged(ref);
    return ok;
}

QString ComponentManager::effectiveFootprintName(const PlacedComponentData& component,
                                                 const QMap<QString, NetlistComponent>& netlistComponents)
{
    if (!component.assignedFootprint.isEmpty())
        return component.assignedFootprint;
    if (!component.footprintName.isEmpty())
        return component.footprintName;
    if (component.hasMissingFootprint)
        return component.requestedFootprint;
    const auto it = netlistComponents.constFind(component.ref);
    return it == netlistComponents.constEnd() ? QString() : it.value().footprint;
}

QMap<QString, QString> ComponentManager::footprintAssignments() const
{
    QMap<QString, QString> assignments;
    const auto& netlistComponents = m_project.netlist().components;
    for (auto it = m_components.cbegin(); it != m_components.cend(); ++it) {
        assignments.insert(it.key(), FootprintManager::normalizeFootprintName(
                                         effectiveFootprintName(it.value(), netlistComponents)));
    }
    return assignments;
}
