// Pad queries of the component manager: base points, the pad tables of the ratsnest and the
// routing, pad highlighting, and the announcements that keep the pad index in step.

#include "components/componentmanager.h"

#include "foundation/occutils.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <BRepBndLib.hxx>
#include <Quantity_Color.hxx>
#include <gp_Pnt.hxx>

gp_Pnt ComponentManager::padBasePoint(const PlacedComponentData& component, const PlacedPadData& pad)
{
    const gp_Pnt& top = pad.worldPosition;
    return gp_Pnt(top.X(), top.Y(), top.Z() - component.bodyUndercut - component.footprintThickness);
}

PadGeometryTable ComponentManager::padBoundingBoxes() const
{
    PadGeometryTable table;
    for (auto it = m_components.cbegin(); it != m_components.cend(); ++it) {
        for (const PlacedPadData& pad : it.value().pads) {
            if (pad.placedShape.IsNull() || pad.number.isEmpty())
                continue;
            Bnd_Box box;
            const bool ok = OccUtils::guardedCall(false, "ComponentManager::padBoundingBoxes", [&] {
                BRepBndLib::Add(pad.placedShape, box, true);
                return true;
            });
            if (!ok || box.IsVoid())
                continue;
            table[PadId(it.key(), pad.number)].append(PadGeometry{padBasePoint(it.value(), pad), box, pad.placedShape});
        }
    }
    return table;
}

PadPositionTable ComponentManager::padPositions() const
{
    PadPositionTable positions;
    for (auto it = m_components.cbegin(); it != m_components.cend(); ++it) {
        for (const PlacedPadData& pad : it.value().pads)
            positions[PadId(it.key(), pad.number)].append(pad.worldPosition);
    }
    return positions;
}

const PlacedPadData* ComponentManager::findPlacedPad(const PlacedComponentData& component, const QString& name)
{
    for (const PlacedPadData& pad : component.pads) {
        if (pad.number == name)
            return &pad;
    }
    return nullptr;
}

PlacedPadData* ComponentManager::findPlacedPad(PlacedComponentData& component, const QString& name)
{
    for (PlacedPadData& pad : component.pads) {
        if (pad.number == name)
            return &pad;
    }
    return nullptr;
}

const PlacedPadData* ComponentManager::findPadShape(const PadId& id) const
{
    const PlacedComponentData* component = findComponent(id.ref);
    if (!component)
        return nullptr;
    for (const PlacedPadData& pad : component->pads) {
        if (pad.number == id.pad && !pad.aisShape.IsNull())
            return &pad;
    }
    return nullptr;
}

namespace {

// The displayed objects of every pad of the pin: they are one conductor and light up together.
QList<opencascade::handle<AIS_Shape>> shownPadsOf(const PlacedComponentData* component, const QString& number)
{
    QList<opencascade::handle<AIS_Shape>> shown;
    if (component)
        for (const PlacedPadData* pad : padsOfPin(*component, number))
            if (!pad->aisShape.IsNull())
                shown.append(pad->aisShape);
    return shown;
}

} // namespace

bool ComponentManager::highlightPad(const PadId& id, const Quantity_Color& colour, bool updateViewer)
{
    const QList<opencascade::handle<AIS_Shape>> shown = shownPadsOf(findComponent(id.ref), id.pad);
    for (int i = 0; i < shown.size(); ++i) {
        shown.at(i)->SetColor(colour);
        shown.at(i)->SetTransparency(0.0);
        redisplayShape(shown.at(i), updateViewer && i + 1 == shown.size());
    }
    return !shown.isEmpty();
}

bool ComponentManager::clearPadHighlight(const PadId& id, bool updateViewer)
{
    const QList<opencascade::handle<AIS_Shape>> shown = shownPadsOf(findComponent(id.ref), id.pad);
    for (int i = 0; i < shown.size(); ++i) {
        applyPadBaseStyle(shown.at(i));
        redisplayShape(shown.at(i), updateViewer && i + 1 == shown.size());
    }
    return !shown.isEmpty();
}

void ComponentManager::refreshPadCache(const QString& ref)
{
    emit padCacheClearComponentNeeded(ref);
    const PlacedComponentData* component = findComponent(ref);
    if (!component)
        return;
    for (const PlacedPadData& pad : component->pads)
        emit padCacheUpdateNeeded(pad.aisShape, PadId(ref, pad.number));
}
