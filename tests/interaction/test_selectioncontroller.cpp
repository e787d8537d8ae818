// What a click in the Select mode does, with real component bodies and a track.
#include "routingtestrig.h"

#include "interaction/selectioncontroller.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace RoutingRigs;

namespace {

class Selection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rig.parts.setNetlist({ComponentTest::netlistComponent("R1", "Device:Builtin_0805"),
                              ComponentTest::netlistComponent("R2", "Device:Builtin_0805")});
        rig.parts.manager.generateComponents(rig.parts.project.netlist().components);
        Route r;
        r.netName = "N";
        for (const auto& [a, b] : {std::pair<gp_Pnt, gp_Pnt>{{50, 0, 0}, {60, 0, 0}},
                                   {{60, 0, 0}, {60, 10, 0}}, {{60, 10, 0}, {70, 10, 0}}}) {
            RouteSegment s;
            s.start = a;
            s.end = b;
            RoutingManager::buildSegmentShape(s);
            r.segments.append(s);
        }
        rig.routing().addRoute(r);
        rig.controller->displayRoutedTracks();
        rig.controller->setRouteEditActive(true);
    }
    opencascade::handle<AIS_Shape> body(const QString& ref)
    {
        return rig.parts.manager.findComponent(ref)->compositeShape;
    }
    opencascade::handle<AIS_Shape> trackShape() { return rig.controller->routeShapes().first(); }

    Rig rig;
    SelectionController selection{nullptr, &rig.parts.manager, rig.controller.get()};
    QSignalSpy selected{&selection, &SelectionController::componentSelected};
    QSignalSpy deselected{&selection, &SelectionController::componentDeselected};
    QSignalSpy armed{&selection, &SelectionController::componentDragArmed};
};

} // namespace

TEST_F(Selection, ComponentClicks)
{
    ASSERT_TRUE(rig.parts.manager.isSelectableShape(body("R1")));
    selection.onShapePicked(body("R1"), QPoint(1, 2));
    selection.onShapePicked(body("R1"), QPoint(3, 4));
    selection.onShapePicked(body("R2"), QPoint(5, 6));
    ASSERT_EQ(selected.size(), 2);
    EXPECT_EQ(selected.at(1).at(0).toString(), "R2");
    ASSERT_EQ(armed.size(), 1);
    EXPECT_EQ(armed.at(0).at(1).toPoint(), QPoint(3, 4));
    EXPECT_TRUE(deselected.isEmpty());

    EXPECT_TRUE(selection.selectComponent("R2"));
    EXPECT_FALSE(selection.selectComponent("R9"));
    EXPECT_FALSE(selection.selectComponent(""));
    EXPECT_EQ(selected.size(), 2);

    selection.onEmptyClicked();
    EXPECT_EQ(deselected.size(), 1);
    selection.onEmptyClicked(); // nothing selected: nothing emitted
    EXPECT_EQ(deselected.size(), 1);
}

TEST_F(Selection, TrackClicksGoToTrackEditing)
{
    QSignalSpy segment(rig.controller.get(), &RoutingController::segmentSelected);
    selection.onShapePicked(body("R1"), QPoint());
    QStringList order;
    QObject::connect(&selection, &SelectionController::componentDeselected, [&] { order << "deselected"; });
    QObject::connect(rig.controller.get(), &RoutingController::segmentSelected, [&] { order << "segment"; });
    selection.onShapePicked(trackShape(), px(60, 5));
    EXPECT_EQ(order, (QStringList{"deselected", "segment"}));
    EXPECT_TRUE(selection.selectedComponent().isEmpty());

    // During a drag every click, even on a component, goes to the drag: it confirms it.
    selection.onShapePicked(trackShape(), px(60, 5));
    ASSERT_TRUE(rig.controller->isDragInProgress());
    selection.onShapePicked(body("R2"), px(60, 5));
    EXPECT_FALSE(rig.controller->isDragInProgress());
    EXPECT_TRUE(selection.selectedComponent().isEmpty());

    // Selecting a component drops the segment selection.
    selection.onShapePicked(trackShape(), px(60, 5));
    ASSERT_GE(rig.controller->selectedRoute(), 0);
    selection.selectComponent("R1");
    EXPECT_EQ(rig.controller->selectedRoute(), -1);
    selection.clearSelection();
    EXPECT_TRUE(selection.selectedComponent().isEmpty());
}
