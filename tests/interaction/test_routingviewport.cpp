// The controllers' seam over the real 3D view, under an X server: projection, detection,
// the eye ray and the mode switch reach the OccWidget, and a vertical rubber band follows
// the cursor's height.
#include "interaction/routingcontroller.h"
#include "interaction/routingviewport.h"
#include "project/projectmanager.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <V3d_View.hxx>

#include <QTest>

#include <gtest/gtest.h>

TEST(RoutingViewPort, ReachesTheRealView)
{
    OccWidget widget;
    widget.resize(800, 600);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    ASSERT_FALSE(widget.context().IsNull());

    opencascade::handle<AIS_Shape> box = new AIS_Shape(BRepPrimAPI_MakeBox(gp_Pnt(-20, -20, 0), 40, 40, 5).Shape());
    widget.context()->Display(box, AIS_Shaded, 0, false);
    widget.view()->SetProj(V3d_Zpos);
    widget.fitAll();

    OccWidgetViewPort port(&widget);
    EXPECT_EQ(port.context(), widget.context());
    Standard_Integer x = 0, y = 0;
    widget.view()->Convert(0.0, 0.0, 5.0, x, y);
    const QPoint centre(x, y); // over the box's top face
    const gp_Pnt onPlane = port.projectScreenToPlane(centre, 2.0);
    const gp_Pnt reference = widget.projectScreenToPlane(centre, 2.0);
    EXPECT_TRUE(onPlane.IsEqual(reference, 1e-9));
    EXPECT_NEAR(onPlane.Z(), 2.0, 1e-9);
    EXPECT_EQ(port.detectAt(port.toDevicePixels(centre)), opencascade::handle<AIS_InteractiveObject>(box));

    gp_Pnt origin;
    gp_Dir direction;
    gp_Dir projection;
    ASSERT_TRUE(port.cursorRay(port.toDevicePixels(centre), origin, direction, projection));
    EXPECT_NEAR(std::abs(projection.Z()), 1.0, 1e-6); // looking straight down

    port.setInteractionMode(2);
    EXPECT_EQ(widget.interactionMode(), 2);
}

TEST(RoutingViewPort, ControllerOnTheRealView)
{
    OccWidget widget;
    widget.resize(800, 600);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    ProjectManager project;
    RoutingController controller(&project, nullptr, &widget, nullptr);
    controller.setRoutingActive(true);
    EXPECT_EQ(widget.interactionMode(), 2);
    controller.setRoutingActive(false);
    EXPECT_EQ(widget.interactionMode(), 0);
}
