// OccWidget: device pixels, cursor projection onto a horizontal plane, pad picking,
// the part-face test and the face highlight of the Orientation mode.
#include "view/occwidget.h"

#include "foundation/occutils.h"
#include "view/modecontroller.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ViewCube.hxx>
#include <GeomAPI_IntCS.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <SelectMgr_EntityOwner.hxx>
#include <StdSelect_BRepOwner.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <V3d_View.hxx>
#include <gp_Dir.hxx>

#include <QDebug>
#include <QMouseEvent>

#include <algorithm>

namespace {

// True when `shape` holds a face that is the same as `face` (same TShape and location).
bool containsFace(const TopoDS_Shape& shape, const TopoDS_Face& face)
{
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        if (it.Current().IsSame(face))
            return true;
    }
    return false;
}

// Scaled before truncating, so a fractional event position keeps its sub-pixel part; the
// truncation toward zero is what the viewer's pixel grid expects.
QPoint scaledToDevice(const QPointF& logical, qreal devicePixelRatio)
{
    const qreal ratio = std::max<qreal>(devicePixelRatio, 1.0);
    return QPoint(static_cast<int>(logical.x() * ratio), static_cast<int>(logical.y() * ratio));
}

} // namespace

QPoint OccWidget::toDevicePixels(const QPoint& logical, qreal devicePixelRatio)
{
    return scaledToDevice(logical, devicePixelRatio);
}

QPoint OccWidget::toDevicePixels(const QPoint& logical) const
{
    return toDevicePixels(logical, devicePixelRatio());
}

QPoint OccWidget::mouseDevicePos(const QMouseEvent* event) const
{
    return scaledToDevice(event->position(), devicePixelRatio());
}

gp_Pnt OccWidget::projectScreenToPlane(const QPoint& logical, double planeZ) const
{
    const std::optional<gp_Pnt> point = intersectScreenWithPlane(logical, planeZ);
    if (point)
        return *point;
    if (m_initialized && !m_view.IsNull())
        qWarning() << "projectScreenToPlane: no intersection found" << "for pos" << logical << "planeZ" << planeZ;
    return gp_Pnt(0.0, 0.0, planeZ);
}

std::optional<gp_Pnt> OccWidget::intersectScreenWithPlane(const QPoint& logical, double planeZ) const
{
    if (!m_initialized || m_view.IsNull())
        return std::nullopt;
    return OccUtils::guardedCall(std::optional<gp_Pnt>(), "projectScreenToPlane", [&]() -> std::optional<gp_Pnt> {
        const QPoint device = toDevicePixels(logical);
        double x = 0, y = 0, z = 0, vx = 0, vy = 0, vz = 0;
        m_view->ConvertWithProj(device.x(), device.y(), x, y, z, vx, vy, vz);
        const gp_Dir direction(vx, vy, vz);
        const opencascade::handle<Geom_Line> ray = new Geom_Line(gp_Pnt(x, y, z), direction);
        const opencascade::handle<Geom_Plane> plane = new Geom_Plane(gp_Pnt(0.0, 0.0, planeZ), gp_Dir(0, 0, 1));
        GeomAPI_IntCS intersection(ray, plane);
        if (intersection.IsDone() && intersection.NbPoints() > 0)
            return intersection.Point(1);
        return std::nullopt;
    });
}

opencascade::handle<AIS_InteractiveObject> OccWidget::detectAt(const QPoint& device)
{
    m_context->MoveTo(device.x(), device.y(), m_view, false);
    const opencascade::handle<SelectMgr_EntityOwner> owner = m_context->DetectedOwner();
    if (owner.IsNull())
        return {};
    return opencascade::handle<AIS_InteractiveObject>::DownCast(owner->Selectable());
}

TopoDS_Face OccWidget::detectedFace() const
{
    const opencascade::handle<StdSelect_BRepOwner> owner =
        opencascade::handle<StdSelect_BRepOwner>::DownCast(m_context->DetectedOwner());
    if (owner.IsNull() || owner->Shape().IsNull() || owner->Shape().ShapeType() != TopAbs_FACE)
        return TopoDS_Face();
    return TopoDS::Face(owner->Shape());
}

OccWidget::PadPick OccWidget::pickPadAt(const QPoint& device, const QPoint& logical)
{
    PadPick pick;
    if (!m_initialized || m_context.IsNull() || m_view.IsNull())
        return pick;
    return OccUtils::guardedCall(pick, "pickPadAt", [&] {
        const opencascade::handle<AIS_InteractiveObject> object = detectAt(device);
        if (!object.IsNull() && object == m_viewCube) {
            pick.kind = 2;
            return pick;
        }
        const opencascade::handle<AIS_Shape> shape = opencascade::handle<AIS_Shape>::DownCast(object);
        if (shape.IsNull() || !m_padResolver)
            return pick;
        const std::optional<PadHit> hit = m_padResolver(shape, projectScreenToPlane(logical, kPickPlaneZ));
        if (hit) {
            pick.kind = 0;
            pick.hit = *hit;
        }
        return pick;
    });
}

bool OccWidget::isMainShapeFace(const TopoDS_Face& face) const
{
    if (face.IsNull())
        return false;
    const TopoDS_Shape part = m_mainShapeProvider ? m_mainShapeProvider() : TopoDS_Shape();
    if (!part.IsNull())
        return OccUtils::guardedCall(false, "isMainShapeFace", [&] { return containsFace(part, face); });

    // No part yet: anything but the build plate counts.
    if (m_plateau.IsNull())
        return true;
    return OccUtils::guardedCall(true, "check plateau face",
                                 [&] { return !containsFace(m_plateau->Shape(), face); });
}

bool OccWidget::isDetectedMainShapeFace(const TopoDS_Face& face) const
{
    if (face.IsNull())
        return false;
    const TopoDS_Shape part = m_mainShapeProvider ? m_mainShapeProvider() : TopoDS_Shape();
    if (!part.IsNull()) {
        // A mesh part has a face per triangle: scanning them all on every mouse move cost
        // more than a frame.
        const opencascade::handle<SelectMgr_EntityOwner> owner = m_context->DetectedOwner();
        const opencascade::handle<AIS_Shape> object =
            owner.IsNull() ? opencascade::handle<AIS_Shape>() : opencascade::handle<AIS_Shape>::DownCast(owner->Selectable());
        if (!object.IsNull() && object->Shape().IsSame(part) && !object->HasTransformation())
            return true;
        if (!object.IsNull() && object == m_plateau)
            return false;
    }
    return isMainShapeFace(face);
}

void OccWidget::performHighlighting(const QPoint& device)
{
    if (m_interactionMode != static_cast<int>(ModeController::Mode::Orientation) || !m_initialized
        || m_context.IsNull() || m_view.IsNull())
        return;
    OccUtils::guardedCall(false, "performHighlighting", [&] {
        m_context->MoveTo(device.x(), device.y(), m_view, false);
        const TopoDS_Face face = detectedFace();
        // Moves within the highlighted face neither rescan the part nor rebuild the overlay.
        if (!face.IsNull() && face.IsSame(m_highlightedFace))
            return true;
        if (isDetectedMainShapeFace(face)) {
            highlightFace(face);
            return true;
        }
        clearHighlight();
        return true;
    });
}

void OccWidget::highlightFace(const TopoDS_Face& face)
{
    if (face.IsNull() || m_context.IsNull())
        return;
    OccUtils::guardedCall(false, "highlightFace", [&] {
        // The viewer is brought up to date once, below: a redraw for the removal too doubled
        // the cost of every move from face to face.
        if (!m_highlightShape.IsNull())
            OccUtils::safeRemove(m_context, m_highlightShape);
        m_highlightShape.Nullify();
        m_highlightedFace = face;
        m_highlightShape = new AIS_Shape(face);
        m_highlightShape->SetColor(Quantity_NOC_YELLOW);
        m_highlightShape->SetMaterial(Graphic3d_NameOfMaterial_Plastified);
        m_highlightShape->SetTransparency(0.3);
        m_context->Display(m_highlightShape, false);
        // Picks must go through the overlay to the part's face beneath.
        m_context->SetSelectionModeActive(m_highlightShape, -1, false, AIS_SelectionModesConcurrency_Single, false);
        m_context->UpdateCurrentViewer();
        update();
        return true;
    });
}

void OccWidget::clearHighlight()
{
    if (!m_highlightShape.IsNull()) {
        if (!m_context.IsNull())
            OccUtils::safeRemove(m_context, m_highlightShape);
        OccUtils::safeUpdateViewer(m_context);
        update();
        m_highlightShape.Nullify();
    }
    m_highlightedFace.Nullify();
}
