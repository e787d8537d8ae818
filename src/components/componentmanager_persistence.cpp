// Saving and loading placed components: the save list and the footprints it needs, and the
// recreation of every component from the project file's objects.

#include "components/componentmanager.h"

#include "components/componentmanager_p.h"
#include "components/footprintmanager.h"
#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "foundation/outofmemory.h"
#include "model/footprintdata.h"
#include "model/netlist.h"
#include "model/savedcomponent.h"
#include "project/projectjson.h"
#include "project/projectmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <Message_ProgressScope.hxx>
#include <QDebug>
#include <QJsonObject>
#include <QSet>

#include <cmath>

namespace {

constexpr double kMinTurn = 0.01;

double coordinate(const QJsonObject& object, const char* key, const QString& ref)
{
    const double value = ProjectJson::number(object, key, 0.0);
    if (ComponentLimits::isPlausibleCoordinate(value))
        return value;
    qWarning() << "loadFromJson: coordinate" << key << "out of range for" << ref << "— placed at 0";
    return 0.0;
}

} // namespace

QList<SavedComponent> ComponentManager::componentsForSave() const
{
    QList<SavedComponent> saved;
    saved.reserve(m_components.size());
    const auto& netlistComponents = m_project.netlist().components;
    for (const PlacedComponentData& component : m_components)
        saved.append(SavedComponent{component, effectiveFootprintName(component, netlistComponents)});
    return saved;
}

QList<FootprintData> ComponentManager::usedFootprints() const
{
    QList<FootprintData> used;
    QSet<QString> taken;
    const auto& netlistComponents = m_project.netlist().components;
    const auto take = [&](const FootprintData& footprint, const QString& name) {
        if (name.isEmpty() || taken.contains(name))
            return;
        taken.insert(name);
        FootprintData copy = footprint;
        copy.name = name;
        used.append(copy);
    };
    for (const PlacedComponentData& component : m_components) {
        if (component.hasMissingFootprint) {
            // Found but not usable (a value out of range): kept as it was read, or the next
            // save would lose it for good.
            const QString requested = FootprintManager::normalizeFootprintName(component.requestedFootprint);
            if (m_footprintManager.hasFootprint(requested))
                take(m_footprintManager.getFootprint(requested), requested);
            continue;
        }
        if (component.footprintName.isEmpty() || !m_footprintManager.hasFootprint(component.footprintName))
            continue;
        const FootprintData footprint = m_footprintManager.getFootprint(component.footprintName);
        take(footprint, component.footprintName);
        // The component is stored under its effective name, which after a looser lookup (a
        // bare "R", another letter case) is not the file's: the footprint must come back under
        // that name too, or a project opened without the folder shows a substitute.
        take(footprint, FootprintManager::normalizeFootprintName(effectiveFootprintName(component, netlistComponents)));
    }
    return used;
}

void ComponentManager::readComponentJson(PlacedComponentData& component, const QJsonObject& object)
{
    using ProjectJson::number;
    component.position = gp_Pnt(coordinate(object, "posX", component.ref), coordinate(object, "posY", component.ref),
                                coordinate(object, "posZ", component.ref));
    component.rotation = GeometryUtils::normalizeAngle360(number(object, "rotation", 0.0));
    const PlacedComponentData defaults;
    component.footprintThickness = number(object, "footprintThickness", defaults.footprintThickness);
    component.bodyUndercut = number(object, "bodyUndercut", defaults.bodyUndercut);
    component.padXYScale = number(object, "padXYScale", defaults.padXYScale);
    component.bodyOffsetZ = number(object, "bodyOffsetZ", defaults.bodyOffsetZ);
    component.bodyWidth = number(object, "bodyWidth", defaults.bodyWidth);
    component.bodyLength = number(object, "bodyLength", defaults.bodyLength);
    component.bodyHeight = number(object, "bodyHeight", defaults.bodyHeight);
    component.bodyMarginX = number(object, "bodyMarginX", defaults.bodyMarginX);
    component.bodyMarginY = number(object, "bodyMarginY", defaults.bodyMarginY);
    component.bodyEnabled = ProjectJson::flag(object, "bodyEnabled", defaults.bodyEnabled);
}

ComponentManager::GenerateResult ComponentManager::loadFromJson(const QList<QJsonObject>& objects,
                                                                const Message_ProgressRange& progress,
                                                                const std::function<void(int, int)>& onEntry)
{
    GenerateResult result;
    if (OutOfMemory::survive([&] { result = restoreFromJson(objects, progress, onEntry); }))
        return result;
    // What was restored before memory ran out goes too: no half of a design is left.
    clearAll(true);
    result = GenerateResult();
    result.outOfMemory = true;
    emit populationChanged(0, 0);
    return result;
}

ComponentManager::GenerateResult ComponentManager::restoreFromJson(const QList<QJsonObject>& objects,
                                                                   const Message_ProgressRange& progress,
                                                                   const std::function<void(int, int)>& onEntry)
{
    clearAll(true);
    GenerateResult result;
    const auto& netlistComponents = m_project.netlist().components;

    Message_ProgressScope scope(progress, nullptr, double(qMax<qsizetype>(objects.size(), 1)));
    int position = 0;
    for (const QJsonObject& object : objects) {
        if (onEntry)
            onEntry(position + 1, int(objects.size()));
        scope.Next();
        if (!scope.More()) {
            result.cancelled = true;
            break;
        }
        ++position;
        if (OutOfMemory::inScope())
            OutOfMemory::ensureHeadroom();
        const QString ref = ProjectJson::text(object, "ref");
        if (ref.isEmpty()) {
            qWarning() << "loadFromJson: entry without a ref skipped";
            result.skipped << tr("placed component %1 of the file has no reference: left out").arg(position);
            ++result.missing;
            continue;
        }
        if (m_components.contains(ref)) {
            // A damaged or hand-edited file: the first entry stands, as in the netlist.
            qWarning() << "loadFromJson: second entry for" << ref << "skipped";
            result.skipped << tr("placed component %1 appears again as entry %2 of the file: the first entry "
                                 "was kept, this one left out")
                                  .arg(ref)
                                  .arg(position);
            ++result.missing;
            continue;
        }
        const QString footprint = FootprintManager::normalizeFootprintName(ProjectJson::text(object, "footprintName"));
        const gp_Pnt position(coordinate(object, "posX", ref), coordinate(object, "posY", ref),
                              coordinate(object, "posZ", ref));
        insertComponent(ref, m_footprintManager.createPlacedComponent(ref, footprint, position, m_context), false);
        PlacedComponentData& component = m_components[ref];
        readComponentJson(component, object);
        pinsChanged(ref); // the thickness and undercut read place the pads' base points

        bool rotationPending = true;
        if (!component.hasMissingFootprint && !component.compositeShape.IsNull()) {
            unindexBodyShape(component.compositeShape);
            const bool rebuilt = m_footprintManager.recreateComponentBody(
                component, component.bodyWidth, component.bodyLength, component.bodyHeight, component.bodyOffsetZ,
                component.footprintThickness, component.bodyUndercut, component.padXYScale, m_context);
            indexBodyShape(component.compositeShape, ref);
            if (rebuilt) {
                refreshPadCache(ref);
                rotationPending = false;
            } else {
                qWarning() << "loadFromJson: rebuild failed for" << ref << "— falling back on position/rotation only";
            }
        }
        if (rotationPending && !component.compositeShape.IsNull()) {
            const double angle = component.rotation;
            component.rotation = 0.0;
            if (std::abs(angle) > kMinTurn
                && !FootprintManager::rotateComponentVisual(component, angle, m_context, 0.0, m_padCacheCallback)) {
                qWarning() << "loadFromJson: re-applying the rotation failed for" << ref
                           << "— component left unrotated";
            }
        }
        if (!component.compositeShape.IsNull()) {
            component.styleCode = baseStyleFor(component);
            if (!m_context.IsNull()) {
                applyComponentStyle(component.compositeShape, component.styleCode);
                redisplayShape(component.compositeShape, false);
            }
        }

        if (component.hasMissingFootprint) {
            ++result.missing;
            const auto netlistComponent = netlistComponents.constFind(ref);
            result.missingFootprints.append(
                {ref, footprint, netlistComponent == netlistComponents.constEnd() ? QString() : netlistComponent->value,
                 m_footprintManager.problemWith(footprint)});
        } else {
            ++result.loaded;
        }
    }

    emit populationChanged(result.loaded, result.missing);
    return result;
}

void ComponentManager::adoptComponents(ComponentManager& built, const Message_ProgressRange& progress)
{
    // Whoever adopts draws the new scene once it is whole.
    clearAll(true, false);
    ComponentMap taken;
    taken.swap(built.m_components);
    built.m_bodyIndex.clear();
    built.pinsChanged(QString());
    Message_ProgressScope scope(progress, nullptr, double(qMax<qsizetype>(taken.size(), 1)));
    // Built on this very context, they are on show already.
    const bool shown = built.m_context == m_context;
    const auto move = [&](const opencascade::handle<AIS_Shape>& object) {
        if (object.IsNull() || shown)
            return;
        if (!built.m_context.IsNull())
            OccUtils::safeRemove(built.m_context, object);
        if (!m_context.IsNull())
            OccUtils::safeDisplay(m_context, object, true);
    };
    int loaded = 0;
    int missing = 0;
    for (auto it = taken.cbegin(); it != taken.cend(); ++it) {
        const PlacedComponentData& component = it.value();
        move(component.compositeShape);
        for (const PlacedPadData& pad : component.pads)
            move(pad.aisShape);
        m_components.insert(it.key(), component);
        indexBodyShape(component.compositeShape, it.key());
        refreshPadCache(it.key());
        ++(component.hasMissingFootprint ? missing : loaded);
        scope.Next();
    }
    pinsChanged(QString());
    emit populationChanged(loaded, missing);
}
