#include "outputs/printplangenerator.h"

#include "foundation/geometryutils.h"
#include "foundation/naturalorder.h"
#include "model/netlist.h"
#include "model/placedcomponentdata.h"
#include "outputs/partpresence.h"

#include <QCoreApplication>

#include <TopoDS_Shape.hxx>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A height on a layer boundary, or a rounding hair above it, stays in the layer below.
constexpr double kBoundaryTolerance = 1e-6;

QString trGen(const char* text)
{
    return QCoreApplication::translate("PrintPlanGenerator", text);
}

// Layers the slicer prints for a part of that height, in double so that a tiny layer height
// cannot overflow before it is checked. It prints a layer only when the layer's middle lies
// below the part's top: a top less than half a layer above a boundary adds no layer.
double layerCountOf(double height, double layerHeight)
{
    return std::max(1.0, std::ceil((height - kBoundaryTolerance) / layerHeight - 0.5));
}

// Last layer (1-based) in which a cavity whose top lies at that height is still open. The
// slicer cuts every layer at its mid-height, so a layer whose middle lies above the top
// already roofs the cavity; one whose middle lies on the top still leaves it open.
double lastOpenLayer(double cavityTop, double layerHeight)
{
    return std::max(1.0, std::floor((cavityTop + kBoundaryTolerance) / layerHeight + 0.5));
}

int skipCode(const PlacedComponentData& component, const QSet<QString>& outsidePart)
{
    if (component.hasMissingFootprint)
        return 1;
    if (!component.bodyEnabled)
        return 2;
    if (component.compositeShape.IsNull() || component.compositeShape->Shape().IsNull())
        return 3;
    if (outsidePart.contains(component.ref))
        return PrintPlan::kOutsidePart;
    return 0;
}

PrintPlan failed(double layerHeight, const QString& error)
{
    PrintPlan plan;
    plan.layerHeight = layerHeight;
    plan.error = error;
    return plan;
}

} // namespace

Bnd_Box PartBoxCache::boxOf(const TopoDS_Shape& part)
{
    if (m_part.IsNull() || !m_part.IsSame(part)) {
        m_box = GeometryUtils::getTightBoundingBox(part);
        m_part = part;
    }
    return m_box;
}

void PartBoxCache::forgetOtherParts(const TopoDS_Shape& part)
{
    if (m_part.IsNull() || m_part.IsSame(part))
        return;
    m_part.Nullify();
    m_box.SetVoid();
}

bool PartBoxCache::isEmpty() const
{
    return m_part.IsNull();
}

QString PrintPlanGenerator::reasonText(int code)
{
    switch (code) {
    case 1:
        return trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "missing footprint — not excavated"));
    case 2:
        return trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "Case disabled — cavity not hollowed out"));
    case 3:
        return trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "missing case geometry"));
    case PrintPlan::kOutsidePart:
        return trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "not in the part — nothing to embed"));
    case PrintPlan::kCavityNotCut:
        return trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "cavity could not be cut — no pause for it"));
    default:
        return QString();
    }
}

PrintPlan PrintPlanGenerator::withoutComponents(const PrintPlan& plan, const QStringList& refs)
{
    if (refs.isEmpty() || !plan.ok)
        return plan;
    PrintPlan result = plan;
    const auto drop = [&](QList<PrintPlanItem>& items) {
        items.removeIf([&](const PrintPlanItem& item) {
            if (!refs.contains(item.ref))
                return false;
            result.notHollowed.append({item.ref, reasonText(PrintPlan::kCavityNotCut), PrintPlan::kCavityNotCut});
            return true;
        });
    };
    for (PrintPlanPause& pause : result.pauses)
        drop(pause.items);
    result.pauses.removeIf([](const PrintPlanPause& pause) { return pause.items.isEmpty(); });
    drop(result.endInsertions);
    return result;
}

void PrintPlanGenerator::sortItemsByRef(QList<PrintPlanItem>& items)
{
    std::stable_sort(items.begin(), items.end(), [](const PrintPlanItem& a, const PrintPlanItem& b) {
        return NaturalOrder::less(a.ref, b.ref);
    });
}

PrintPlan PrintPlanGenerator::generate(const QMap<QString, PlacedComponentData>& components,
                                       const QMap<QString, NetlistComponent>& netlistComponents,
                                       const TopoDS_Shape& part, double layerHeightMm)
{
    if (part.IsNull() || !(layerHeightMm > 0.0) || !std::isfinite(layerHeightMm))
        return generate(components, netlistComponents, part, layerHeightMm, QSet<QString>());
    AssemblyInput input;
    input.mainPart = part;
    input.components = &components;
    const QList<VolumeSource> volumes = PartPresence::volumesOf(input);
    PartPresence presence;
    presence.update(part, volumes);
    const QStringList outside = presence.componentsOutside(volumes);
    return generate(components, netlistComponents, part, layerHeightMm, QSet<QString>(outside.cbegin(), outside.cend()));
}

PrintPlan PrintPlanGenerator::generate(const QMap<QString, PlacedComponentData>& components,
                                       const QMap<QString, NetlistComponent>& netlistComponents,
                                       const TopoDS_Shape& part, double layerHeightMm,
                                       const QSet<QString>& outsidePart, PartBoxCache* boxes)
{
    const double h = layerHeightMm;
    if (part.IsNull())
        return failed(h, trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "No main component imported")));
    if (!(h > 0.0) || !std::isfinite(h))
        return failed(h, trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "invalid layer height")));

    const Bnd_Box box = boxes ? boxes->boxOf(part) : GeometryUtils::getTightBoundingBox(part);
    if (box.IsVoid())
        return failed(h, trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "Bounding box of the part cannot be calculated")));

    double xMin, yMin, zMin, xMax, yMax, zMax;
    box.Get(xMin, yMin, zMin, xMax, yMax, zMax);
    const double layers = layerCountOf(zMax - zMin, h);
    // A stored layer height can be absurdly small; the count must stay a valid int.
    if (!(layers <= double(std::numeric_limits<int>::max()))) {
        return failed(h, trGen(QT_TRANSLATE_NOOP("PrintPlanGenerator", "Layer height %1 mm is too small for a part %2 mm high: more than %3 layers"))
                             .arg(QString::number(h, 'g', 6), QString::number(zMax - zMin, 'f', 2),
                                  QString::number(std::numeric_limits<int>::max())));
    }

    PrintPlan plan;
    plan.layerHeight = h;
    plan.zMin = zMin;
    plan.zMax = zMax;
    plan.partHeight = zMax - zMin;
    plan.layerCount = int(layers);

    QMap<int, PrintPlanPause> groups;
    QList<PrintPlanItem> endInsertions;
    for (auto it = components.cbegin(); it != components.cend(); ++it) {
        const PlacedComponentData& component = it.value();
        if (const int code = skipCode(component, outsidePart)) {
            plan.notHollowed.append({it.key(), reasonText(code), code});
            continue;
        }
        PrintPlanItem item;
        item.ref = it.key();
        const auto netlistIt = netlistComponents.constFind(it.key());
        if (netlistIt != netlistComponents.cend())
            item.value = netlistIt->value;
        item.footprint = component.assignedFootprint.isEmpty() ? component.footprintName
                                                                : component.assignedFootprint;
        item.x = component.position.X();
        item.y = component.position.Y();
        item.cavityTopAbs = component.position.Z() + component.bodyOffsetZ + component.bodyHeight;
        item.cavityTopRel = item.cavityTopAbs - zMin;

        // Compared as doubles: a cavity far above the part must not overflow either.
        const double layer = lastOpenLayer(item.cavityTopRel, h);
        if (!(layer < layers)) {
            endInsertions.append(item);
            continue;
        }
        PrintPlanPause& group = groups[int(layer)];
        if (group.items.isEmpty()) {
            group.layer = int(layer);
            group.z = double(group.layer) * h;
        }
        group.items.append(item);
    }

    for (PrintPlanPause& group : groups) {
        sortItemsByRef(group.items);
        plan.pauses.append(group);
    }
    sortItemsByRef(endInsertions);
    plan.endInsertions = endInsertions;
    std::stable_sort(plan.notHollowed.begin(), plan.notHollowed.end(),
                     [](const PrintPlanSkip& a, const PrintPlanSkip& b) { return NaturalOrder::less(a.ref, b.ref); });
    plan.ok = true;
    return plan;
}
