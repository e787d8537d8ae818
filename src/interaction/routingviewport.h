// What the routing and selection controllers need of the 3D view, so that their logic can
// run against a view-less interactive context in tests.
#pragma once

#include <QPoint>
#include <Standard_Handle.hxx>
#include <gp_Dir.hxx>
#include <gp_Pnt.hxx>

class AIS_InteractiveContext;
class AIS_InteractiveObject;
class OccWidget;

class RoutingViewPort
{
public:
    virtual ~RoutingViewPort() = default;

    virtual opencascade::handle<AIS_InteractiveContext> context() const = 0;
    // The cursor (logical pixels) projected onto the horizontal plane at planeZ.
    virtual gp_Pnt projectScreenToPlane(const QPoint& logical, double planeZ) const = 0;
    virtual QPoint toDevicePixels(const QPoint& logical) const = 0;
    // Moves the detection to the device position; the object under it, null when none.
    virtual opencascade::handle<AIS_InteractiveObject> detectAt(const QPoint& device) = 0;
    // The eye ray through a device position and the view's projection direction; false
    // without a view.
    virtual bool cursorRay(const QPoint& device, gp_Pnt& origin, gp_Dir& direction,
                           gp_Dir& projection) const = 0;
    virtual void setInteractionMode(int mode) = 0;
};

// The real view behind the seam.
class OccWidgetViewPort : public RoutingViewPort
{
public:
    explicit OccWidgetViewPort(OccWidget* widget) : m_widget(widget) {}

    opencascade::handle<AIS_InteractiveContext> context() const override;
    gp_Pnt projectScreenToPlane(const QPoint& logical, double planeZ) const override;
    QPoint toDevicePixels(const QPoint& logical) const override;
    opencascade::handle<AIS_InteractiveObject> detectAt(const QPoint& device) override;
    bool cursorRay(const QPoint& device, gp_Pnt& origin, gp_Dir& direction,
                   gp_Dir& projection) const override;
    void setInteractionMode(int mode) override;

private:
    OccWidget* m_widget;
};
