// Component creation: a footprint's body and pads carried to the component's place and
// displayed, or a red substitute box when the footprint is missing or cannot be built.

#include "components/footprintmanager.h"

#include "components/componentmanager.h"
#include "components/footprintmanager_placement_p.h"
#include "model/placedcomponentdata.h"
#include "foundation/logging.h"
#include "foundation/occguard.h"
#include "foundation/occutils.h"
#include "foundation/outofmemory.h"
#include "foundation/scopeguard.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRep_Builder.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <Prs3d_Drawer.hxx>
#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <StdPrs_ToolTriangulatedShape.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Solid.hxx>
#include <gp_Trsf.hxx>
#include <gp_Vec.hxx>

#include <cmath>

using FootprintPlacement::isFinitePoint;
using FootprintPlacement::translation;

namespace {

// Local pad solids by their parameters. A few thousand distinct pads at most in a design; the
// table is emptied when it grows past that so that it cannot grow without bound.
constexpr int kMaxSharedPadSolids = 4096;

QString padSolidKey(const FootprintPad& pad, double thickness, double undercut)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(pad.shape)
        .arg(pad.width, 0, 'g', 17)
        .arg(pad.height, 0, 'g', 17)
        .arg(pad.rotation, 0, 'g', 17)
        .arg(thickness, 0, 'g', 17)
        .arg(undercut, 0, 'g', 17);
}

// Why the pads cannot be built: the first pad without a size, when there is one.
QString padsProblem(const FootprintData& footprint)
{
    for (const FootprintPad& pad : footprint.copperPads) {
        if (!(pad.width > 0.0 && pad.height > 0.0))
            return QCoreApplication::translate("FootprintManager",
                                               "pad “%1” has size %2 × %3 mm (a pad needs a width and a height "
                                               "above 0)")
                .arg(pad.number, QString::number(pad.width, 'g', 6), QString::number(pad.height, 'g', 6));
    }
    return QCoreApplication::translate("FootprintManager", "its pads cannot be built");
}

} // namespace

FootprintPlacement::SharedPadSolid FootprintPlacement::sharedPadSolid(
    const FootprintPad& pad, double thickness, double undercut, const opencascade::handle<AIS_InteractiveContext>& context)
{
    static QHash<QString, SharedPadSolid> solids;
    const QString key = padSolidKey(pad, thickness, undercut);
    const auto found = solids.constFind(key);
    if (found != solids.constEnd())
        return found.value();

    SharedPadSolid shared;
    shared.solid = FootprintManager::extrudePadWithUndercut(pad, thickness, undercut);
    const TopoDS_Shape& solid = shared.solid;
    if (solid.IsNull())
        return shared;
    if (!context.IsNull()) {
        // Meshed the way the viewer would mesh it for its presentation.
        OccUtils::guardedCall(false, "createIndividualPads: pad mesh", [&] {
            const opencascade::handle<Prs3d_Drawer>& drawer = context->DefaultDrawer();
            const double deflection = StdPrs_ToolTriangulatedShape::GetDeflection(solid, drawer);
            BRepMesh_IncrementalMesh(solid, deflection, false, drawer->DeviationAngle(), false);
            return true;
        });
    }
    // Measured on its mesh where it has one, as a placed pad's box is.
    OccUtils::guardedCall(false, "createIndividualPads: pad box", [&] {
        BRepBndLib::Add(solid, shared.box, true);
        return true;
    });
    if (solids.size() >= kMaxSharedPadSolids)
        solids.clear();
    solids.insert(key, shared);
    return shared;
}

TopoDS_Shape FootprintPlacement::placedPadSolid(const TopoDS_Shape& localSolid, const gp_Trsf& transform,
                                                const char* operation)
{
    if (localSolid.IsNull())
        return TopoDS_Shape();
    return OccUtils::guardedCall(TopoDS_Shape(), operation, [&]() -> TopoDS_Shape {
        // Only the outermost shape is new: the pad index tells pads apart by it, while the
        // shells, faces, geometry and mesh below are the local solid's, shared through the
        // location. Nothing edits a placed pad, so nothing needs a deep copy.
        BRep_Builder builder;
        TopoDS_Shape instance;
        if (localSolid.ShapeType() == TopAbs_SOLID) {
            TopoDS_Solid solid;
            builder.MakeSolid(solid);
            instance = solid;
        } else if (localSolid.ShapeType() == TopAbs_COMPOUND) {
            TopoDS_Compound compound;
            builder.MakeCompound(compound);
            instance = compound;
        } else {
            BRepBuilderAPI_Copy copy(localSolid, true, true);
            if (!copy.IsDone())
                return TopoDS_Shape();
            return copy.Shape().Moved(TopLoc_Location(transform));
        }
        for (TopoDS_Iterator child(localSolid, false, false); child.More(); child.Next())
            builder.Add(instance, child.Value());
        instance.Closed(localSolid.Closed());
        instance.Checked(localSolid.Checked());
        instance.Location(localSolid.Location());
        instance.Orientation(localSolid.Orientation());
        return instance.Moved(TopLoc_Location(transform));
    });
}

TopoDS_Shape FootprintManager::transformShape(const TopoDS_Shape& shape, const gp_Trsf& transform, bool copy,
                                              const char* operation)
{
    if (shape.IsNull())
        return TopoDS_Shape();
    return OccUtils::guardedCall(TopoDS_Shape(), operation, [&]() -> TopoDS_Shape {
        BRepBuilderAPI_Transform maker(shape, transform, copy);
        if (!maker.IsDone())
            return TopoDS_Shape();
        return maker.Shape();
    });
}

PlacedComponentData FootprintManager::createPlacedComponent(const QString& ref, const QString& footprint,
                                                            const gp_Pnt& position,
                                                            const opencascade::handle<AIS_InteractiveContext>& context)
{
    PlacedComponentData component;
    if (OutOfMemory::survive([&] { component = buildPlacedComponent(ref, footprint, position, context); }))
        return component;
    // Whatever was built is released by now; the substitute needs almost nothing.
    m_problems.insert(normalizeFootprintName(footprint),
                      QCoreApplication::translate("FootprintManager", "not enough memory to place it"));
    qWarning() << "✗ Out of memory placing" << ref << "— substitute component";
    return createFallbackComponent(ref, footprint, position, context);
}

PlacedComponentData FootprintManager::buildPlacedComponent(const QString& ref, const QString& footprint,
                                                           const gp_Pnt& position,
                                                           const opencascade::handle<AIS_InteractiveContext>& context)
{
    const QString name = normalizeFootprintName(footprint);
    qCDebug(lcFootprint) << "\n=== createPlacedComponent ===" << ref << "→" << name;
    const auto substitute = [&](const QString& problem) {
        if (problem.isEmpty())
            m_problems.remove(name);
        else
            m_problems.insert(name, problem);
        return createFallbackComponent(ref, footprint, position, context);
    };

    if (!isFinitePoint(position)) {
        qWarning() << "✗ Invalid position for" << ref << "(" << position.X() << position.Y() << position.Z() << ")";
        return createFallbackComponent(ref, footprint, position, context);
    }
    if (!loadFootprint(name)) {
        qWarning() << "✗ Footprint not found:" << name;
        // A file that was found but refused says why under its own name.
        const QString path = findFootprintFile(name);
        return substitute(path.isEmpty() ? QString() : m_problems.value(QFileInfo(path).completeBaseName()));
    }

    FootprintData found = getFootprint(name);
    const QString unusable = m_unusable.value(found.name);
    if (!unusable.isEmpty()) {
        qWarning() << "✗ Footprint" << found.name << "cannot be placed:" << unusable;
        return substitute(unusable);
    }
    PlacedComponentData component;
    component.ref = ref;
    component.position = position;
    component.assignedFootprint = footprint;
    // A looser lookup caches the file's footprint under the asked name as well; the record
    // names the footprint by the file's own name, which the library also holds.
    const QString footprintKey = hasFootprint(found.name) ? found.name : name;
    const QString bodyProblem = QCoreApplication::translate("FootprintManager", "its body cannot be built");

    if (found.body.IsNull()) {
        qWarning() << "⚠ NULL body, recreating...";
        found.body = buildFootprintBody(found);
        if (found.body.IsNull()) {
            qWarning() << "✗ Cannot create the body";
            return substitute(bodyProblem);
        }
    }

    const TopoDS_Shape placedBody = transformShape(found.body, translation(position.X(), position.Y(), position.Z()),
                                                   false, "createPlacedComponent: body placement");
    if (placedBody.IsNull()) {
        qWarning() << "✗ Body placement failed for" << ref;
        return substitute(bodyProblem);
    }
    const opencascade::handle<AIS_Shape> body = createStyledBody(placedBody, false);
    if (body.IsNull())
        return substitute(bodyProblem);
    // Also when running out of memory below: no body is left on screen without its record.
    ScopeGuard removeBody([&] {
        if (!context.IsNull())
            OccUtils::safeRemove(context, body);
    });
    if (!context.IsNull())
        OccUtils::safeDisplay(context, body, true);

    applyFootprintDefaults(component, found);
    component.footprintName = footprintKey;
    component.compositeShape = body;
    component.bodyShapeLocal = found.body;

    if (!createIndividualPads(found, position, component.padXYScale, context, component.pads)) {
        qWarning() << "✗ Pad creation failed for" << ref << "— falling back on a substitute component";
        removeBody.runCleanup();
        return substitute(padsProblem(found));
    }
    removeBody.dismiss();
    m_problems.remove(name);

    qCDebug(lcFootprint) << "✓ Component created successfully";
    qCDebug(lcFootprint) << "  Pads:" << component.pads.size();
    qCDebug(lcFootprint) << "  Dimensions:" << component.bodyWidth << "x" << component.bodyLength << "x"
                         << component.bodyHeight;
    return component;
}

PlacedComponentData FootprintManager::createFallbackComponent(const QString& ref, const QString& requestedFootprint,
                                                              const gp_Pnt& position,
                                                              const opencascade::handle<AIS_InteractiveContext>& context)
{
    qCDebug(lcFootprint) << "=== createFallbackComponent ===" << ref << requestedFootprint;
    PlacedComponentData component;
    component.ref = ref;
    component.position = position;
    component.hasMissingFootprint = true;
    component.requestedFootprint = requestedFootprint;

    const TopoDS_Shape box = createFallbackBody(position);
    if (box.IsNull()) {
        qWarning() << "✗ Fallback body creation failed";
        return component;
    }
    const opencascade::handle<AIS_Shape> body = createStyledBody(box, true);
    if (!context.IsNull() && !body.IsNull())
        OccUtils::safeDisplay(context, body, true);

    component.compositeShape = body;
    component.bodyWidth = FootprintPlacement::kFallbackSize;
    component.bodyLength = FootprintPlacement::kFallbackSize;
    component.bodyHeight = FootprintPlacement::kFallbackHeight;
    component.bodyShapeLocal = transformShape(box, translation(-position.X(), -position.Y(), -position.Z()), false,
                                              "createFallbackComponent: local body");
    qCDebug(lcFootprint) << "✓ Fallback component created (RED)";
    return component;
}

bool FootprintManager::createIndividualPads(const FootprintData& footprint, const gp_Pnt& position,
                                            double padXYScale,
                                            const opencascade::handle<AIS_InteractiveContext>& context,
                                            QList<PlacedPadData>& pads)
{
    pads.clear();
    if (context.IsNull()) {
        qWarning() << "createIndividualPads: null AIS context";
        return false;
    }
    const double scale = (std::isfinite(padXYScale) && padXYScale > 0.0) ? padXYScale / 100.0 : 1.0;

    // Everything is built before anything is displayed.
    QList<PlacedPadData> working;
    working.reserve(footprint.copperPads.size());
    for (const FootprintPad& source : footprint.copperPads) {
        FootprintPad pad = source;
        pad.width *= scale;
        pad.height *= scale;

        PlacedPadData placed;
        placed.number = pad.number;
        placed.shape = pad.shape;
        placed.localOffset = QPointF(pad.posX, pad.posY);
        placed.rotatedOffset = placed.localOffset;
        placed.worldPosition = gp_Pnt(position.X() + pad.posX, position.Y() + pad.posY,
                                      position.Z() + footprint.bodyUndercut);
        placed.scaledWidth = pad.width;
        placed.scaledHeight = pad.height;
        const FootprintPlacement::SharedPadSolid shared =
            FootprintPlacement::sharedPadSolid(pad, footprint.thickness, footprint.bodyUndercut, context);
        placed.localShape = shared.solid;
        placed.localBox = shared.box;
        if (placed.localShape.IsNull()) {
            qWarning() << "createIndividualPads: extrudePadWithUndercut returned" << "a null shape for pad"
                       << pad.number << "of footprint" << footprint.name << "— aborting creation of every pad.";
            return false;
        }
        placed.placedShape = FootprintPlacement::placedPadSolid(
            placed.localShape, translation(position.X() + pad.posX, position.Y() + pad.posY, position.Z()),
            "createIndividualPads: pad placement");
        if (placed.placedShape.IsNull()) {
            qWarning() << "createIndividualPads: placing pad" << pad.number << "of footprint" << footprint.name
                       << "failed — aborting creation of every pad.";
            return false;
        }
        placed.aisShape = OccUtils::guardedCall(opencascade::handle<AIS_Shape>(), "createIndividualPads: pad object",
                                                [&] {
                                                    opencascade::handle<AIS_Shape> object =
                                                        new AIS_Shape(placed.placedShape);
                                                    ComponentManager::applyPadBaseStyle(object);
                                                    return object;
                                                });
        if (placed.aisShape.IsNull())
            return false;
        working.append(placed);
    }

    // All or none on screen.
    OccGuard guard(context);
    for (const PlacedPadData& placed : qAsConst(working)) {
        guard.track(placed.aisShape);
        if (!OccUtils::safeDisplay(context, placed.aisShape, true)) {
            qWarning() << "createIndividualPads: display" << ": pad" << placed.number << "of footprint"
                       << footprint.name << "could not be displayed — every pad displayed so far removed";
            return false;
        }
        qCDebug(lcFootprint) << "  Pad" << placed.number << "Z from" << position.Z() - footprint.thickness << "to"
                             << position.Z() + footprint.bodyUndercut;
    }
    guard.commit();
    pads = std::move(working);
    qCDebug(lcFootprint) << "✓" << pads.size() << "pads created and displayed for" << footprint.name;
    return true;
}

opencascade::handle<AIS_Shape> FootprintManager::createStyledBody(const TopoDS_Shape& bodyShape, bool missingFootprint)
{
    if (bodyShape.IsNull()) {
        qWarning() << "createStyledBody: bodyShape is null";
        return opencascade::handle<AIS_Shape>();
    }
    qCDebug(lcFootprint) << "  → Style:" << (missingFootprint ? "RED (missing footprint)" : "GREEN (footprint OK)");
    return OccUtils::guardedCall(opencascade::handle<AIS_Shape>(), "createStyledBody", [&] {
        opencascade::handle<AIS_Shape> body = new AIS_Shape(bodyShape);
        ComponentManager::applyComponentStyle(body, missingFootprint ? 1 : 0);
        return body;
    });
}
