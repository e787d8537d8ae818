#include "model/placedpin.h"

#include "foundation/occutils.h"
#include "model/placedcomponentdata.h"

#include <BRepBndLib.hxx>

namespace {

PinPad pinPad(const PlacedComponentData& component, int index)
{
    const PlacedPadData& pad = component.pads.at(index);
    PinPad piece{index, pad.worldPosition, padBasePoint(component, pad), pad.placedShape, Bnd_Box(), pad.aisShape};
    if (!pad.placedShape.IsNull())
        OccUtils::guardedCall(false, "PlacedPin: pad box", [&] {
            BRepBndLib::Add(pad.placedShape, piece.box, true);
            return true;
        });
    return piece;
}

} // namespace

gp_Pnt padBasePoint(const PlacedComponentData& component, const PlacedPadData& pad)
{
    const gp_Pnt& top = pad.worldPosition;
    return gp_Pnt(top.X(), top.Y(), top.Z() - component.bodyUndercut - component.footprintThickness);
}

QHash<QString, PlacedPin> PlacedPin::allOf(const PlacedComponentData& component)
{
    QHash<QString, PlacedPin> pins;
    for (int i = 0; i < component.pads.size(); ++i) {
        const QString& number = component.pads.at(i).number;
        if (!number.isEmpty())
            pins[number].m_pads.append(pinPad(component, i));
    }
    return pins;
}

PlacedPin PlacedPin::of(const PlacedComponentData& component, const QString& number)
{
    PlacedPin pin;
    for (int i = 0; i < component.pads.size(); ++i)
        if (!number.isEmpty() && component.pads.at(i).number == number)
            pin.m_pads.append(pinPad(component, i));
    return pin;
}

const PinPad* PlacedPin::nearestTo(const gp_Pnt& point) const &
{
    const PinPad* best = nullptr;
    double bestDistance = 0.0;
    for (const PinPad& pad : m_pads) {
        const double d = pad.position.SquareDistance(point);
        if (!best || d < bestDistance) {
            best = &pad;
            bestDistance = d;
        }
    }
    return best;
}
