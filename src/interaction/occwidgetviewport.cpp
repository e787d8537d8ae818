#include "interaction/routingviewport.h"

#include "foundation/occutils.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <SelectMgr_EntityOwner.hxx>
#include <V3d_View.hxx>

opencascade::handle<AIS_InteractiveContext> OccWidgetViewPort::context() const
{
    return m_widget ? m_widget->context() : opencascade::handle<AIS_InteractiveContext>();
}

gp_Pnt OccWidgetViewPort::projectScreenToPlane(const QPoint& logical, double planeZ) const
{
    return m_widget ? m_widget->projectScreenToPlane(logical, planeZ) : gp_Pnt(0.0, 0.0, planeZ);
}

QPoint OccWidgetViewPort::toDevicePixels(const QPoint& logical) const
{
    return m_widget ? m_widget->toDevicePixels(logical) : logical;
}

opencascade::handle<AIS_InteractiveObject> OccWidgetViewPort::detectAt(const QPoint& device)
{
    const opencascade::handle<AIS_InteractiveContext> ctx = context();
    const opencascade::handle<V3d_View> view = m_widget ? m_widget->view() : nullptr;
    if (ctx.IsNull() || view.IsNull())
        return {};
    return OccUtils::guardedCall(opencascade::handle<AIS_InteractiveObject>(), "detectAt", [&] {
        ctx->MoveTo(device.x(), device.y(), view, false);
        const opencascade::handle<SelectMgr_EntityOwner> owner = ctx->DetectedOwner();
        return owner.IsNull() ? opencascade::handle<AIS_InteractiveObject>()
                              : opencascade::handle<AIS_InteractiveObject>::DownCast(owner->Selectable());
    });
}

bool OccWidgetViewPort::cursorRay(const QPoint& device, gp_Pnt& origin, gp_Dir& direction,
                                  gp_Dir& projection) const
{
    const opencascade::handle<V3d_View> view = m_widget ? m_widget->view() : nullptr;
    if (view.IsNull())
        return false;
    return OccUtils::guardedCall(false, "cursorRay", [&] {
        double x = 0, y = 0, z = 0, vx = 0, vy = 0, vz = 0;
        view->ConvertWithProj(device.x(), device.y(), x, y, z, vx, vy, vz);
        origin = gp_Pnt(x, y, z);
        direction = gp_Dir(vx, vy, vz);
        double px = 0, py = 0, pz = 0;
        view->Proj(px, py, pz);
        projection = gp_Dir(px, py, pz);
        return true;
    });
}

void OccWidgetViewPort::setInteractionMode(int mode)
{
    if (m_widget)
        m_widget->setInteractionMode(mode);
}
