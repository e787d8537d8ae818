// Visual transactions on a placed component: new footprint, rebuild after new body or pad
// values, move and turn. New solids and objects are made aside; the record and the view change
// only once everything exists, and a failed commit is undone.

#include "components/footprintmanager.h"

#include "components/componentmanager.h"
#include "components/footprintmanager_placement_p.h"
#include "model/componentproperties.h"
#include "model/placedcomponentdata.h"
#include "foundation/geometryutils.h"
#include "model/padid.h"
#include "foundation/logging.h"
#include "foundation/occguard.h"
#include "foundation/occutils.h"
#include "foundation/scopeguard.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <QDebug>
#include <TColStd_ListOfInteger.hxx>
#include <gp_Trsf.hxx>
#include <gp_Vec.hxx>

#include <cmath>

namespace {

constexpr double kMinTurn = 0.01;      // degrees

// One pad's placement inside applyPlacement: the new one while pending, the old one for rollback.
struct PlacementBackup
{
    int padIndex = -1;
    TopoDS_Shape shape;
    gp_Pnt worldPosition;
    QPointF rotatedOffset;
};

using FootprintPlacement::isFinitePoint;
using FootprintPlacement::kZeroLength;
using FootprintPlacement::translation;

// Signed turn from base to angle, folded into [-180, 180).
double foldedTurn(double angle, double base)
{
    return GeometryUtils::normalizeAngle360(angle - base + 180.0) - 180.0;
}

void redisplay(const opencascade::handle<AIS_InteractiveContext>& context,
               const opencascade::handle<AIS_Shape>& object, const TopoDS_Shape& shape)
{
    object->SetShape(shape);
    context->Redisplay(object, false);
}

// The pad record takes the entry's placement; the displayed object is the caller's business.
void setPadPlacement(PlacedPadData& pad, const PlacementBackup& entry)
{
    pad.placedShape = entry.shape;
    pad.worldPosition = entry.worldPosition;
    pad.rotatedOffset = entry.rotatedOffset;
}

} // namespace

bool FootprintManager::replaceFootprint(PlacedComponentData& component, const QString& footprintName,
                                        const opencascade::handle<AIS_InteractiveContext>& context,
                                        const ComponentProperties* values)
{
    qCDebug(lcFootprint) << "\n=== FootprintManager::replaceFootprint ===";
    qCDebug(lcFootprint) << "Component:" << component.ref << "→" << footprintName;

    if (!loadFootprint(footprintName)) {
        qWarning() << "✗ Footprint not found:" << footprintName;
        return false;
    }
    const FootprintData footprint = getFootprint(footprintName);
    if (m_unusable.contains(footprint.name)) {
        qWarning() << "✗ Footprint" << footprint.name << "cannot be placed:" << m_unusable.value(footprint.name);
        return false;
    }

    // The new values go into a copy: a failed rebuild keeps the old body and pads on screen,
    // and the record must keep describing them.
    PlacedComponentData replaced = component;
    applyFootprintDefaults(replaced, footprint);
    if (values) {
        replaced.footprintThickness = values->footprintThickness;
        replaced.bodyUndercut = values->bodyUndercut;
        replaced.bodyOffsetZ = values->bodyOffsetZ;
        replaced.bodyHeight = values->bodyHeight;
        replaced.bodyWidth = values->bodyWidth;
        replaced.bodyLength = values->bodyLength;
        replaced.bodyMarginX = values->bodyMarginX;
        replaced.bodyMarginY = values->bodyMarginY;
        replaced.padXYScale = values->padXYScale;
    }
    // The red missing-footprint look would otherwise stay on a component that now has one.
    if (replaced.styleCode == 1)
        replaced.styleCode = ComponentManager::baseStyleFor(replaced);

    const bool ok = rebuildComponentVisual(replaced, footprint, context);
    if (ok)
        component = replaced;
    qCDebug(lcFootprint) << (ok ? "✓ replaceFootprint finished" : "✗ replaceFootprint failed");
    return ok;
}

void FootprintManager::applyFootprintDefaults(PlacedComponentData& component, const FootprintData& footprint)
{
    component.footprintThickness = footprint.thickness;
    component.bodyUndercut = footprint.bodyUndercut;
    component.bodyOffsetZ = footprint.bodyOffsetZ;
    component.bodyHeight = footprint.bodyHeight;
    component.bodyMarginX = footprint.bodyMarginX;
    component.bodyMarginY = footprint.bodyMarginY;
    bodyDimensions(footprint, component.bodyWidth, component.bodyLength);
    component.footprintName = footprint.name;
    component.hasMissingFootprint = false;
    component.requestedFootprint.clear();
}

bool FootprintManager::rebuildComponentVisual(PlacedComponentData& component, const FootprintData& footprint,
                                              const opencascade::handle<AIS_InteractiveContext>& context)
{
    if (context.IsNull()) {
        qWarning() << "rebuildComponentVisual: NULL AIS context";
        return false;
    }
    const opencascade::handle<AIS_Shape> oldBody = component.compositeShape;
    const QList<PlacedPadData> oldPads = component.pads;
    TColStd_ListOfInteger keptModes;
    if (!oldBody.IsNull())
        OccUtils::guardedCall(false, "rebuildComponentVisual: ActivatedModes", [&] {
            context->ActivatedModes(oldBody, keptModes);
            return true;
        });

    // Phase 1: everything built aside.
    const TopoDS_Shape box = buildBodyBox(footprint, component.bodyWidth, component.bodyLength,
                                          component.bodyHeight, component.bodyOffsetZ);
    if (box.IsNull()) {
        qWarning() << "rebuildComponentVisual: body creation failed for" << component.ref
                   << "— component state unchanged";
        return false;
    }
    const gp_Pnt& position = component.position;
    const TopoDS_Shape placedBody = transformShape(box, translation(position.X(), position.Y(), position.Z()), true,
                                                   "rebuildComponentVisual: body placement");
    if (placedBody.IsNull()) {
        qWarning() << "rebuildComponentVisual: body placement failed for" << component.ref
                   << "— component state unchanged";
        return false;
    }
    const opencascade::handle<AIS_Shape> newBody = createStyledBody(placedBody, false);
    if (newBody.IsNull()) {
        qWarning() << "rebuildComponentVisual: createStyledBody failed for" << component.ref
                   << "— component state unchanged";
        return false;
    }
    if (component.styleCode != 0)
        ComponentManager::applyComponentStyle(newBody, component.styleCode);

    FootprintData padSource = footprint;
    padSource.thickness = component.footprintThickness;
    padSource.bodyUndercut = component.bodyUndercut;
    QList<PlacedPadData> newPads;
    if (!createIndividualPads(padSource, position, component.padXYScale, context, newPads)) {
        qWarning() << "rebuildComponentVisual: creation of the new pads failed for" << component.ref
                   << "— rebuild abandoned, state unchanged";
        return false;
    }
    OccGuard guard(context);
    for (const PlacedPadData& pad : qAsConst(newPads))
        guard.track(pad.aisShape);

    // The turn is re-applied before the swap, so that a failure still leaves the old state.
    PlacedComponentData rebuilt = component;
    rebuilt.compositeShape = newBody;
    rebuilt.bodyShapeLocal = box;
    rebuilt.pads = newPads;
    if (std::abs(foldedTurn(component.rotation, 0.0)) >= kMinTurn
        && !placeComponent(rebuilt, position, component.rotation, context, PadCacheCallback(), false)) {
        qWarning() << "rebuildComponentVisual: turning the new body failed for" << component.ref
                   << "— rebuild abandoned, state unchanged";
        return false;
    }

    // Phase 2: the swap.
    guard.track(newBody);
    if (!OccUtils::safeDisplay(context, newBody, true)) {
        qWarning() << "rebuildComponentVisual: Display of the new body failed for" << component.ref
                   << "— automatic rollback (old elements intact)";
        return false;
    }

    bool partialRemoval = false;
    if (!oldBody.IsNull() && !OccUtils::safeRemove(context, oldBody)) {
        qWarning() << "rebuildComponentVisual: Remove of the old body failed for" << component.ref
                   << "— old body left orphaned (not blocking)";
        partialRemoval = true;
    }
    for (const PlacedPadData& pad : oldPads) {
        if (!pad.aisShape.IsNull() && !OccUtils::safeRemove(context, pad.aisShape))
            partialRemoval = true;
    }
    if (partialRemoval)
        qWarning() << "rebuildComponentVisual: partial removal of the old elements for" << component.ref
                   << "— visual duplicates possible, the records stay consistent";

    guard.commit();
    component = rebuilt;

    for (TColStd_ListOfInteger::Iterator it(keptModes); it.More(); it.Next())
        OccUtils::safeActivate(context, newBody, it.Value());
    OccUtils::safeUpdateViewer(context);
    return true;
}

bool FootprintManager::recreateComponentBody(PlacedComponentData& component, double bodyWidth, double bodyLength,
                                             double bodyHeight, double bodyOffsetZ, double footprintThickness,
                                             double bodyUndercut, double padXYScale,
                                             const opencascade::handle<AIS_InteractiveContext>& context)
{
    // A substitute body has no footprint to rebuild from.
    if (context.IsNull() || component.hasMissingFootprint)
        return false;
    if (component.footprintName.isEmpty() || !hasFootprint(component.footprintName)) {
        qWarning() << "recreateComponentBody: footprint not in cache:" << component.footprintName;
        return false;
    }
    const bool finite = std::isfinite(bodyWidth) && std::isfinite(bodyLength) && std::isfinite(bodyHeight)
                        && std::isfinite(bodyOffsetZ) && std::isfinite(footprintThickness)
                        && std::isfinite(bodyUndercut) && std::isfinite(padXYScale);
    if (!finite || footprintThickness < kZeroLength || bodyHeight < kZeroLength || bodyLength < kZeroLength
        || bodyWidth < kZeroLength || padXYScale < kZeroLength || bodyUndercut < 0.0) {
        qWarning() << "recreateComponentBody: invalid parameters for" << component.ref << "(" << bodyWidth << "x"
                   << bodyLength << "x" << bodyHeight << ", offsetZ=" << bodyOffsetZ << ", thickness="
                   << footprintThickness << ", undercut=" << bodyUndercut << ", padXYScale=" << padXYScale << ")";
        return false;
    }

    PlacedComponentData rebuilt = component;
    rebuilt.bodyWidth = bodyWidth;
    rebuilt.bodyLength = bodyLength;
    rebuilt.bodyHeight = bodyHeight;
    rebuilt.bodyOffsetZ = bodyOffsetZ;
    rebuilt.footprintThickness = footprintThickness;
    rebuilt.bodyUndercut = bodyUndercut;
    rebuilt.padXYScale = padXYScale;
    if (!rebuildComponentVisual(rebuilt, getFootprint(component.footprintName), context)) {
        qWarning() << "recreateComponentBody: rebuild failed for" << component.ref << "— parameters restored";
        return false;
    }
    component = rebuilt;
    return true;
}

bool FootprintManager::moveComponentVisual(PlacedComponentData& component, const gp_Pnt& newPosition,
                                           const opencascade::handle<AIS_InteractiveContext>& context,
                                           const PadCacheCallback& padCacheCallback)
{
    if (context.IsNull()) {
        qWarning() << "moveComponentVisual: NULL context";
        return false;
    }
    if (isFinitePoint(newPosition) && component.position.Distance(newPosition) <= kZeroLength)
        return true;
    return applyPlacement(component, newPosition, component.rotation, context, padCacheCallback);
}

bool FootprintManager::rotateComponentVisual(PlacedComponentData& component, double angle,
                                             const opencascade::handle<AIS_InteractiveContext>& context,
                                             double referenceAngle, const PadCacheCallback& padCacheCallback)
{
    if (component.compositeShape.IsNull() || context.IsNull()) {
        qWarning() << "rotateComponentVisual: compositeShape or context is NULL";
        return false;
    }
    const double base = referenceAngle >= 0.0 ? referenceAngle : component.rotation;
    if (std::isfinite(angle) && std::abs(foldedTurn(angle, base)) < kMinTurn) {
        qCDebug(lcFootprint) << "rotateComponentVisual: negligible delta, giving up";
        return true;
    }
    return applyPlacement(component, component.position, angle, context, padCacheCallback);
}

bool FootprintManager::applyPlacement(PlacedComponentData& component, const gp_Pnt& position, double angle,
                                      const opencascade::handle<AIS_InteractiveContext>& context,
                                      const PadCacheCallback& padCacheCallback)
{
    return placeComponent(component, position, angle, context, padCacheCallback, true);
}

bool FootprintManager::placeComponent(PlacedComponentData& component, const gp_Pnt& position, double angle,
                                      const opencascade::handle<AIS_InteractiveContext>& context,
                                      const PadCacheCallback& padCacheCallback, bool updateViewer)
{
    const opencascade::handle<AIS_Shape> body = component.compositeShape;
    if (body.IsNull() || context.IsNull()) {
        qWarning() << "applyPlacement: compositeShape or context is NULL";
        return false;
    }
    if (component.bodyShapeLocal.IsNull()) {
        qWarning() << "applyPlacement: bodyShapeLocal missing for" << component.ref << "— operation cancelled";
        return false;
    }
    // A NaN would pass every later test and leave solids and record at nowhere.
    if (!isFinitePoint(position) || !std::isfinite(angle)) {
        qWarning() << "applyPlacement: invalid placement for" << component.ref << "(" << position.X()
                   << position.Y() << position.Z() << "," << angle << "degrees ) — state unchanged";
        return false;
    }

    const double radians = angle * M_PI / 180.0;
    const gp_Trsf turn = GeometryUtils::createRotationZ(position, radians);
    const double cosA = std::cos(radians);
    const double sinA = std::sin(radians);

    // Phase 1: nothing is changed.
    const gp_Trsf bodyTransform =
        turn.Multiplied(translation(position.X(), position.Y(), position.Z()));
    const TopoDS_Shape newBody = transformShape(component.bodyShapeLocal, bodyTransform, false, "applyPlacement: body");
    if (newBody.IsNull()) {
        qWarning() << "applyPlacement: rebuilt body is null for" << component.ref << "— state unchanged";
        return false;
    }
    QList<PlacementBackup> pending;
    for (int i = 0; i < component.pads.size(); ++i) {
        const PlacedPadData& pad = component.pads.at(i);
        if (pad.localShape.IsNull() || pad.aisShape.IsNull()) {
            qWarning() << "applyPlacement: pad" << pad.number << "localShape/aisShape NULL — pad skipped";
            continue;
        }
        const double x = pad.localOffset.x();
        const double y = pad.localOffset.y();
        const gp_Trsf padTransform = turn.Multiplied(translation(position.X() + x, position.Y() + y, position.Z()));
        PlacementBackup entry;
        entry.padIndex = i;
        entry.shape = FootprintPlacement::placedPadSolid(pad.localShape, padTransform, "applyPlacement: pad");
        if (entry.shape.IsNull()) {
            qWarning() << "applyPlacement: null shape for pad" << pad.number << "— state unchanged";
            return false;
        }
        entry.rotatedOffset = QPointF(x * cosA - y * sinA, x * sinA + y * cosA);
        entry.worldPosition = gp_Pnt(position.X() + entry.rotatedOffset.x(), position.Y() + entry.rotatedOffset.y(),
                                     position.Z() + component.bodyUndercut);
        pending.append(entry);
    }

    // Phase 2: commit, undone by the guard unless it completes.
    const TopoDS_Shape previousBody = body->Shape();
    QList<PlacementBackup> previous;
    for (const PlacementBackup& entry : qAsConst(pending)) {
        const PlacedPadData& pad = component.pads.at(entry.padIndex);
        previous.append({entry.padIndex, pad.placedShape, pad.worldPosition, pad.rotatedOffset});
    }
    const gp_Pnt previousPosition = component.position;
    const double previousRotation = component.rotation;

    ScopeGuard rollback([&] {
        qWarning() << "applyPlacement: rollback for" << component.ref;
        if (!previousBody.IsNull()
            && !OccUtils::guardedCall(false, "applyPlacement: body rollback", [&] {
                   redisplay(context, body, previousBody);
                   return true;
               }))
            qWarning() << "applyPlacement: body rollback failed for" << component.ref;
        for (const PlacementBackup& entry : qAsConst(previous)) {
            PlacedPadData& pad = component.pads[entry.padIndex];
            setPadPlacement(pad, entry);
            if (!OccUtils::guardedCall(false, "applyPlacement: rollback pad", [&] {
                    redisplay(context, pad.aisShape, entry.shape);
                    return true;
                }))
                qWarning() << "applyPlacement: rollback pad" << pad.number << "failed";
        }
        component.position = previousPosition;
        component.rotation = previousRotation;
        if (updateViewer)
            OccUtils::safeUpdateViewer(context);
    });

    if (!OccUtils::guardedCall(false, "applyPlacement: body commit", [&] {
            redisplay(context, body, newBody);
            return true;
        }))
        return false;
    const bool padsCommitted = OccUtils::guardedCall(false, "applyPlacement: commit pad", [&] {
        for (const PlacementBackup& entry : qAsConst(pending)) {
            PlacedPadData& pad = component.pads[entry.padIndex];
            setPadPlacement(pad, entry);
            redisplay(context, pad.aisShape, entry.shape);
        }
        return true;
    });
    if (!padsCommitted)
        return false;

    rollback.dismiss();
    component.position = position;
    component.rotation = angle;

    if (padCacheCallback) {
        for (const PlacementBackup& entry : qAsConst(pending)) {
            const PlacedPadData& pad = component.pads.at(entry.padIndex);
            OccUtils::guardedCall(false, "applyPlacement: padCacheCallback", [&] {
                padCacheCallback(pad.aisShape, PadId(component.ref, pad.number));
                return true;
            });
        }
    }
    if (updateViewer)
        OccUtils::safeUpdateViewer(context);
    return true;
}
