#include "model/placedpin.h"

#include "foundation/occutils.h"
#include "model/placedcomponentdata.h"

#include <BRepBndLib.hxx>
#include <TopLoc_Location.hxx>
#include <gp_Mat.hxx>
#include <gp_Trsf.hxx>

#include <cmath>
#include <optional>

namespace {

// The move from the pad's local solid to its placed solid, when it maps the axes onto axes (a
// shift, with or without quarter turns): then the local solid's box, moved, is the placed
// pad's box, with no need to walk its mesh again.
std::optional<gp_Trsf> squareMove(const PlacedPadData& pad)
{
    if (pad.localShape.IsNull() || pad.localBox.IsVoid())
        return std::nullopt;
    const gp_Trsf move = pad.placedShape.Location().Multiplied(pad.localShape.Location().Inverted()).Transformation();
    if (std::abs(move.ScaleFactor() - 1.0) > 1e-12)
        return std::nullopt;
    const gp_Mat matrix = move.HVectorialPart();
    for (int row = 1; row <= 3; ++row)
        for (int column = 1; column <= 3; ++column) {
            const double value = std::abs(matrix.Value(row, column));
            if (value > 1e-12 && std::abs(value - 1.0) > 1e-12)
                return std::nullopt;
        }
    return move;
}

Bnd_Box padBox(const PlacedPadData& pad)
{
    Bnd_Box box;
    if (pad.placedShape.IsNull())
        return box;
    if (const std::optional<gp_Trsf> move = squareMove(pad))
        return pad.localBox.Transformed(*move);
    OccUtils::guardedCall(false, "PlacedPin: pad box", [&] {
        BRepBndLib::Add(pad.placedShape, box, true);
        return true;
    });
    return box;
}

PinPad pinPad(const PlacedComponentData& component, int index)
{
    const PlacedPadData& pad = component.pads.at(index);
    return PinPad{index, pad.worldPosition, padBasePoint(component, pad), pad.placedShape, padBox(pad), pad.aisShape};
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
