// OccWidget: showing the part, clearing the scene and framing the camera.
#include "view/occwidget.h"

#include "foundation/geometryutils.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "view/partlook.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_ViewCube.hxx>
#include <Prs3d_Drawer.hxx>
#include <Bnd_Box.hxx>
#include <Graphic3d_Camera.hxx>
#include <V3d_View.hxx>

#include <QDebug>

#include <cmath>

namespace {

// The part's look: orange, plastic, half transparent.
opencascade::handle<AIS_Shape> makePartPresentation(const TopoDS_Shape& shape, const PartLook& look = {})
{
    const opencascade::handle<PartPresentation> presentation = new PartPresentation(shape, look);
    presentation->SetColor(Quantity_NOC_ORANGE);
    presentation->SetMaterial(Graphic3d_NameOfMaterial_Plastified);
    presentation->SetTransparency(0.5);
    // A mesh part's faces are their triangles already: checking that on every display, and
    // bounding the part for a deflection it would not use, took most of the display's time.
    if (!presentation->hasLook() && GeometryUtils::hasExactFaceMeshes(shape))
        presentation->Attributes()->SetAutoTriangulation(false);
    return opencascade::handle<AIS_Shape>(presentation);
}

} // namespace

void OccWidget::displayShape(const TopoDS_Shape& shape)
{
    displayShape(shape, PartLook());
}

void OccWidget::displayShape(const TopoDS_Shape& shape, const PartLook& look)
{
    if (shape.IsNull() || !m_initialized)
        return;
    OccUtils::guardedCall(false, "displayShape", [&] {
        opencascade::handle<AIS_Shape> presentation = makePartPresentation(shape, look);
        if (!OccUtils::safeDisplay(m_context, presentation, true))
            return false;
        m_context->UpdateCurrentViewer();
        update();
        qCDebug(lcViewer) << "Shape displayed";
        return true;
    });
}

void OccWidget::displayShapeDeferred(const TopoDS_Shape& shape)
{
    displayShapeDeferred(shape, PartLook());
}

void OccWidget::displayShapeDeferred(const TopoDS_Shape& shape, const PartLook& look)
{
    if (shape.IsNull() || !m_initialized)
        return;
    const opencascade::handle<AIS_Shape> presentation = OccUtils::guardedCall(
        opencascade::handle<AIS_Shape>(), "displayShapeDeferred", [&] { return makePartPresentation(shape, look); });
    if (!m_context.IsNull())
        OccUtils::safeDisplay(m_context, presentation, true);
}

bool OccWidget::isBaseElement(const opencascade::handle<AIS_InteractiveObject>& object) const
{
    if (object.IsNull())
        return false;
    return object.get() == m_plateau.get() || object.get() == m_viewCube.get();
}

void OccWidget::clearAll()
{
    if (!m_initialized)
        return;
    OccUtils::guardedCall(false, "clearAll", [this] {
        clearHighlight();
        AIS_ListOfInteractive displayed;
        m_context->DisplayedObjects(displayed);
        for (const opencascade::handle<AIS_InteractiveObject>& object : displayed) {
            if (!isBaseElement(object))
                m_context->Remove(object, false);
        }
        m_context->UpdateCurrentViewer();
        update();
        return true;
    });
}

void OccWidget::ensureViewCubeActive()
{
    if (m_viewCube.IsNull() || m_context.IsNull())
        return;
    OccUtils::guardedCall(false, "ensureViewCubeActive", [this] {
        m_context->SetSelectionModeActive(m_viewCube, 0, true, AIS_SelectionModesConcurrency_GlobalOrLocal, false);
        return true;
    });
}

void OccWidget::fitAll(bool redrawNow)
{
    if (!m_initialized || m_view.IsNull())
        return;
    OccUtils::guardedCall(false, "fitAll", [this, redrawNow] {
        // A view in immediate-update mode redraws inside FitAll whatever it is asked: off for
        // the framing, or the scene would be drawn now and once more by the paint.
        const bool immediate = m_view->SetImmediateUpdate(redrawNow);
        m_view->FitAll(0.01, redrawNow);
        m_view->ZFitAll(1.0);
        m_view->SetImmediateUpdate(immediate);
        update();
        return true;
    });
}

void OccWidget::centerOn(const gp_Pnt& point)
{
    if (!m_initialized || m_view.IsNull())
        return;
    OccUtils::guardedCall(false, "centerOn", [&] {
        // The eye moves with the aim: setting the aim alone would turn the camera toward it.
        const opencascade::handle<Graphic3d_Camera>& camera = m_view->Camera();
        const gp_Vec shift(camera->Center(), point);
        camera->SetEyeAndCenter(camera->Eye().Translated(shift), point);
        m_view->Update();
        update();
        return true;
    });
}

void OccWidget::fitTo(const Bnd_Box& box)
{
    if (!m_initialized || m_view.IsNull() || box.IsVoid())
        return;
    OccUtils::guardedCall(false, "fitTo", [&] {
        // A single pad or a point is centred, not zoomed onto.
        if (std::sqrt(box.SquareExtent()) < 1.0) {
            centerOn(GeometryUtils::boxCenter(box));
            return true;
        }
        m_view->FitAll(box, 0.25, false);
        m_view->ZFitAll(1.0);
        m_view->Update();
        update();
        return true;
    });
}
