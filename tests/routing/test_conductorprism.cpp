#include "testsupport.h"
#include "trackfixtures.h"

#include "routing/conductorprism.h"
#include "routing/resistancecalculator.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <TopoDS_Compound.hxx>
#include <BRep_Builder.hxx>
#include <gp_Ax2.hxx>

#include <gtest/gtest.h>

using namespace TrackFixtures;

namespace {

TopoDS_Shape turned(const TopoDS_Shape& shape, const gp_Ax1& axis, double degrees)
{
    gp_Trsf t;
    t.SetRotation(axis, degrees * M_PI / 180.0);
    return BRepBuilderAPI_Transform(shape, t, true).Shape();
}

TopoDS_Shape padBox(double x, double y, double sx, double sy, double degrees = 0.0)
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(x - sx / 2, y - sy / 2, -1.0), sx, sy, 1.4).Shape();
    return degrees == 0.0 ? box : turned(box, gp_Ax1(gp_Pnt(x, y, 0), gp::DZ()), degrees);
}

TopoDS_Shape padCylinder(double x, double y, double r)
{
    return BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, y, -1.0), gp::DZ()), r, 1.4).Shape();
}

double booleanVolume(const TopoDS_Shape& a, const TopoDS_Shape& b)
{
    BRepAlgoAPI_Common common(a, b);
    common.Build();
    return TestSupport::volumeOf(common.Shape());
}

} // namespace

// The plane geometry must give what OpenCASCADE's booleans and distances give on the solids.
TEST(ConductorPrism, AgreesWithSolidBooleans)
{
    struct Row
    {
        const char* name;
        RouteSegment segment;
        TopoDS_Shape pad;
    };
    const QList<Row> rows = {
        {"square pad", horizontal(0, 0, 20, 0, -1), padBox(0, 0, 3, 3)},
        {"pad turned 30°", horizontal(0, 0, 20, 0, -1), padBox(0, 0, 4, 1.5, 30)},
        {"diagonal track, turned pad", horizontal(0, 0, 10, 7, -1), padBox(1, 0.5, 3, 2, 75)},
        {"round pad", horizontal(0, 0, 20, 0, -1), padCylinder(0, 0, 1.5)},
        {"round pad half off the track", horizontal(0, 0, 20, 0, -1, 1.0), padCylinder(3, 0.8, 1.2)},
        {"diagonal track into a round pad", horizontal(-5, -5, 5, 4, -0.5), padCylinder(0, 0, 2)},
        {"column in a turned pad", vertical(0.5, 0, -3, 3, 1.2), padBox(0, 0, 3, 2, 20)},
        {"track 0.5 mm beside the pad", horizontal(0, 2.5, 20, 2.5, -1), padBox(0, 0, 3, 3)},
        {"track above a round pad", horizontal(-5, 0, 5, 0, 1.0), padCylinder(0, 0, 1.5)},
        {"corner apart diagonally", horizontal(3, 3, 9, 3, -1), padBox(0, 0, 3, 3, 45)},
    };
    for (const Row& row : rows) {
        RouteSegment segment = row.segment;
        ASSERT_TRUE(RoutingManager::buildSegmentShape(segment)) << row.name;
        const auto own = ConductorPrism::ofSegment(segment);
        const auto pad = ConductorPrism::ofSolid(row.pad);
        ASSERT_TRUE(own && pad) << row.name;
        EXPECT_NEAR(ConductorPrism::commonVolume(*own, *pad), booleanVolume(segment.shape, row.pad), 2e-4)
            << row.name;
        BRepExtrema_DistShapeShape distance(segment.shape, row.pad);
        ASSERT_TRUE(distance.IsDone()) << row.name;
        EXPECT_NEAR(ConductorPrism::distance(*own, *pad), distance.Value(), 1e-4) << row.name;
        // The segment's own solid reads back as the prism of its record.
        const auto solid = ConductorPrism::ofSolid(segment.shape);
        ASSERT_TRUE(solid) << row.name;
        EXPECT_NEAR(ConductorPrism::commonVolume(*solid, *own), TestSupport::volumeOf(segment.shape), 1e-9)
            << row.name;
    }
}

TEST(ConductorPrism, RefusesWhatIsNotAnUprightConvexPrism)
{
    TopoDS_Compound two;
    BRep_Builder builder;
    builder.MakeCompound(two);
    builder.Add(two, padBox(0, 0, 2, 2));
    builder.Add(two, padBox(5, 0, 2, 2));
    const TopoDS_Shape ell = BRepAlgoAPI_Fuse(padBox(0, 0, 4, 1), padBox(1.5, 1.5, 1, 4)).Shape();
    struct Row
    {
        const char* name;
        TopoDS_Shape shape;
    };
    const QList<Row> rows = {
        {"null", TopoDS_Shape()},
        {"sphere", BRepPrimAPI_MakeSphere(gp_Pnt(0, 0, 0), 1.0).Shape()},
        {"two solids", two},
        {"tilted box", turned(padBox(0, 0, 2, 2), gp_Ax1(gp_Pnt(0, 0, 0), gp::DX()), 10)},
        {"lying cylinder", turned(padCylinder(0, 0, 1), gp_Ax1(gp_Pnt(0, 0, 0), gp::DX()), 90)},
        {"L-shaped outline", ell},
    };
    for (const Row& row : rows)
        EXPECT_FALSE(ConductorPrism::ofSolid(row.shape).has_value()) << row.name;

    // A horizontal segment that climbs is no upright prism: its overlap goes through the boolean.
    RouteSegment slanted = horizontal(0, 0, 20, 0, -1);
    slanted.end.SetZ(-0.5);
    ASSERT_TRUE(RoutingManager::buildSegmentShape(slanted));
    EXPECT_FALSE(ConductorPrism::ofSegment(slanted).has_value());
    // Sheared, the 1.5 mm inside the pad keeps its 2 x 1 section: 3 mm³ / 2 mm².
    EXPECT_NEAR(ResistanceCalculator::overlapLength(slanted, padBox(0, 0, 3, 3), "test"), 1.5, 1e-6);
}
