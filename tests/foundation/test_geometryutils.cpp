#include "logcapture.h"
#include "testsupport.h"

#include "foundation/geometryutils.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCone.hxx>
#include <BRep_Builder.hxx>
#include <Geom_ConicalSurface.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Pln.hxx>

#include <gtest/gtest.h>

#include <cmath>

using namespace GeometryUtils;

namespace {

void expectPoint(const gp_Pnt& actual, double x, double y, double z, double tol = 1e-9)
{
    EXPECT_NEAR(actual.X(), x, tol);
    EXPECT_NEAR(actual.Y(), y, tol);
    EXPECT_NEAR(actual.Z(), z, tol);
}

void expectVec(const gp_Vec& actual, double x, double y, double z, double tol = 1e-9)
{
    EXPECT_NEAR(actual.X(), x, tol);
    EXPECT_NEAR(actual.Y(), y, tol);
    EXPECT_NEAR(actual.Z(), z, tol);
}

TopoDS_Shape cube10() { return BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 10, 10, 10).Shape(); }

// The face of the shape whose bounding box is flat at x = the given value.
TopoDS_Face faceAtX(const TopoDS_Shape& shape, double x)
{
    for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
        const TestSupport::Box b = TestSupport::boxOf(ex.Current());
        if (std::abs(b.xmin - x) < 1e-9 && std::abs(b.xmax - x) < 1e-9)
            return TopoDS::Face(ex.Current());
    }
    return TopoDS_Face();
}

TopoDS_Face horizontalSquare(double z, double half = 1.0)
{
    return BRepBuilderAPI_MakeFace(gp_Pln(gp_Pnt(0, 0, z), gp::DZ()), -half, half, -half, half).Face();
}

} // namespace

// --- points, angles and distances ---

TEST(GeometryPoints, SpiralPlacement)
{
    expectPoint(spiralPlacementPosition(0, 9, 80, 5.1), 0, 0, 5.1);
    expectPoint(spiralPlacementPosition(3, 0, 80, 5.1), 0, 0, 5.1);
    expectPoint(spiralPlacementPosition(1, 9, 80, 5.1), -13.333333333, 23.094010768, 5.1, 1e-6);
    EXPECT_NEAR(distanceXY(spiralPlacementPosition(4, 9, 80, 0), gp_Pnt()), 53.333333333, 1e-6);
    EXPECT_NEAR(distanceXY(spiralPlacementPosition(8, 9, 80, 0), gp_Pnt()), 70.0, 1e-9);
    expectPoint(spiralPlacementPosition(1, 1, 80, 2), 70, 0, 2, 1e-9);
    for (const double radius : {10.0, 4.0})
        expectPoint(spiralPlacementPosition(5, 9, radius, 1), 0, 0, 1);
}

TEST(GeometryPoints, NormalizeAngle)
{
    const struct { double in, out; } rows[] = {{-90, 270}, {450, 90}, {720, 0}, {359.5, 359.5}, {0, 0}, {-720, 0}};
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(normalizeAngle360(row.in), row.out) << row.in;
    EXPECT_EQ(normalizeAngle360(-1e-14), 360.0);
}

TEST(GeometryPoints, DistanceToSegmentInSpace)
{
    const gp_Pnt a(0, 0, 0), b(10, 0, 0);
    gp_Pnt closest;
    EXPECT_DOUBLE_EQ(distancePointToSegment(gp_Pnt(5, 3, 4), a, b, &closest), 5.0);
    expectPoint(closest, 5, 0, 0);
    EXPECT_DOUBLE_EQ(distancePointToSegment(gp_Pnt(13, 4, 0), a, b, &closest), 5.0);
    expectPoint(closest, 10, 0, 0);
    EXPECT_DOUBLE_EQ(distancePointToSegment(gp_Pnt(-3, 4, 0), a, b, &closest), 5.0);
    expectPoint(closest, 0, 0, 0);
    closest = gp_Pnt(9, 9, 9);
    EXPECT_DOUBLE_EQ(distancePointToSegment(gp_Pnt(3, 4, 0), a, gp_Pnt(5e-8, 0, 0), &closest), 5.0);
    expectPoint(closest, 0, 0, 0);
    EXPECT_DOUBLE_EQ(distancePointToSegment(gp_Pnt(5, 3, 4), a, b), 5.0);
}

TEST(GeometryPoints, DistanceToSegmentInPlane)
{
    gp_Pnt closest;
    EXPECT_DOUBLE_EQ(distancePointToSegmentXY(gp_Pnt(5, 1, 100), gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 2), &closest), 1.0);
    expectPoint(closest, 5, 0, 1);
    // A vertical segment has no planar length: it counts as its start point.
    EXPECT_DOUBLE_EQ(distancePointToSegmentXY(gp_Pnt(3, 4, 0), gp_Pnt(0, 0, 1), gp_Pnt(0, 0, 9), &closest), 5.0);
    expectPoint(closest, 0, 0, 1);
    EXPECT_DOUBLE_EQ(distancePointToSegmentXY(gp_Pnt(14, 3, 0), gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 2)), 5.0);
}

TEST(GeometryPoints, BendAngle)
{
    const gp_Pnt o(0, 0, 0), x(10, 0, 0), xy(10, 10, 0);
    EXPECT_FALSE(bendAngle(o, x, x, gp_Pnt(20, 0, 0)).has_value());
    ASSERT_TRUE(bendAngle(o, x, x, xy).has_value());
    EXPECT_NEAR(*bendAngle(o, x, x, xy), M_PI / 2, 1e-12);
    EXPECT_NEAR(*bendAngle(o, x, x, o), M_PI, 1e-12);
    EXPECT_FALSE(bendAngle(o, gp_Pnt(5e-8, 0, 0), x, xy).has_value());
    EXPECT_FALSE(bendAngle(o, x, x, x).has_value());
}

TEST(GeometryPoints, BoxHelpers)
{
    EXPECT_TRUE(boundingBoxOf(TopoDS_Shape()).IsVoid());
    expectPoint(boxCenter(Bnd_Box()), 0, 0, 0);
    const Bnd_Box box = boundingBoxOf(BRepPrimAPI_MakeBox(gp_Pnt(2, 4, 6), 2, 4, 6).Shape());
    expectPoint(boxCenter(box), 3, 6, 9, 1e-6);
}

// --- face normals and rotations ---

TEST(GeometryNormals, PlanarFaceNormalIgnoresOrientation)
{
    const TopoDS_Face face = horizontalSquare(3.0);
    expectVec(calculateFaceNormal(face), 0, 0, 1);
    expectVec(calculateFaceNormal(TopoDS::Face(face.Reversed())), 0, 0, 1);
}

TEST(GeometryNormals, ApexAtMidRangeFallsBackToQuarter)
{
    // A double cone whose apex sits at the middle of the v range.
    const Handle(Geom_ConicalSurface) surface =
        new Geom_ConicalSurface(gp_Ax3(gp::XOY()), M_PI / 6, 0.0);
    const TopoDS_Face face = BRepBuilderAPI_MakeFace(surface, 0.0, 2 * M_PI, -5.0, 5.0, 1e-7).Face();
    gp_Pnt p;
    gp_Vec du, dv;
    surface->D1(0.25 * 2 * M_PI, -2.5, p, du, dv);
    const gp_Vec expected = du.Crossed(dv).Normalized();
    const gp_Vec n = calculateFaceNormal(face);
    expectVec(n, expected.X(), expected.Y(), expected.Z());
}

TEST(GeometryNormals, NullFaceGivesUpWithWarning)
{
    FoundationLogCapture log;
    expectVec(calculateFaceNormal(TopoDS_Face()), 0, 0, 1);
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_TRUE(log.warnings().first().startsWith("calculateFaceNormal: null face"));
}

TEST(GeometryNormals, OutwardByReferenceSolidThenOrientation)
{
    const TopoDS_Face face = horizontalSquare(0.0);
    const TopoDS_Face reversedFace = TopoDS::Face(face.Reversed());
    const gp_Vec up(0, 0, 1);
    const gp_Pnt below(0, 0, -5), above(0, 0, 5), onCentroid(0, 0, 0);
    // Level 1: the reference point decides, whatever the orientation.
    expectVec(ensureNormalPointsOutward(face, up, TopoDS_Shape(), &below), 0, 0, -1);
    expectVec(ensureNormalPointsOutward(reversedFace, up, TopoDS_Shape(), &above), 0, 0, 1);
    // Level 2: a reference on the centroid leaves it to the solid's centroid.
    const TopoDS_Shape boxAbove = BRepPrimAPI_MakeBox(gp_Pnt(-1, -1, 0), 2, 2, 4).Shape();
    expectVec(ensureNormalPointsOutward(face, up, boxAbove, &onCentroid), 0, 0, -1);
    // Level 3: no solid, so the orientation flag decides.
    expectVec(ensureNormalPointsOutward(reversedFace, up, TopoDS_Shape(), &onCentroid), 0, 0, -1);
    expectVec(ensureNormalPointsOutward(face, up, TopoDS_Shape(), nullptr), 0, 0, 1);
    // The length is kept.
    expectVec(ensureNormalPointsOutward(face, gp_Vec(0, 0, 3), TopoDS_Shape(), &below), 0, 0, -3);
    FoundationLogCapture log;
    expectVec(ensureNormalPointsOutward(face, gp_Vec(0, 0, 0), boxAbove, nullptr), 0, 0, 0);
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_TRUE(log.warnings().first().startsWith("ensureNormalPointsOutward: null normal"));
}

TEST(GeometryNormals, RotationToDown)
{
    auto image = [](const gp_Trsf& t, const gp_Vec& v) { return v.Transformed(t); };
    EXPECT_EQ(createRotationToDown(gp_Vec(0, 0, -5)).Form(), gp_Identity);
    expectVec(image(createRotationToDown(gp_Vec(0, 0, 2)), gp_Vec(0, 0, 1)), 0, 0, -1);
    expectVec(image(createRotationToDown(gp_Vec(0, 0, 2)), gp_Vec(0, 1, 0)), 0, -1, 0);
    const gp_Trsf quarter = createRotationToDown(gp_Vec(1, 0, 0));
    expectVec(image(quarter, gp_Vec(1, 0, 0)), 0, 0, -1);
    expectVec(image(quarter, gp_Vec(0, 1, 0)), 0, 1, 0);
    const gp_Vec slanted(1, -2, 3);
    expectVec(image(createRotationToDown(slanted), slanted), 0, 0, -slanted.Magnitude());

    FoundationLogCapture log;
    EXPECT_EQ(createRotationToDown(gp_Vec(0, 0, 0)).Form(), gp_Identity);
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_TRUE(log.warnings().first().startsWith("createRotationToDown (OCC):"));
}

TEST(GeometryNormals, RotationAboutVerticalAxis)
{
    const gp_Pnt c(3, 4, 5);
    const gp_Trsf t = createRotationZ(c, M_PI / 2);
    expectPoint(c.Translated(gp_Vec(1, 0, 0)).Transformed(t), 3, 5, 5);
    expectPoint(c.Transformed(t), 3, 4, 5);
}

TEST(GeometryNormals, LayingAPickedFaceOnThePlate)
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 10, 20, 30).Shape();
    // The face x = 10 goes down: afterwards the part spans 10 mm in Z and rests on z = 3.
    const TopoDS_Face side = faceAtX(box, 10.0);
    ASSERT_FALSE(side.IsNull());
    const gp_Vec n = ensureNormalPointsOutward(side, calculateFaceNormal(side), box, nullptr);
    expectVec(n, 1, 0, 0);
    const TopoDS_Shape turned = BRepBuilderAPI_Transform(box, createRotationToDown(n), true).Shape();
    const TopoDS_Shape placed = centerOnPlateauByCentroid(turned, 25, 5, 3);
    const TestSupport::Box b = TestSupport::boxOf(placed);
    EXPECT_NEAR(b.zmin, 3.0, 1e-6);
    EXPECT_NEAR(b.zmax - b.zmin, 10.0, 1e-6);
    EXPECT_NEAR((b.xmin + b.xmax) / 2, 25.0, 1e-6);
    EXPECT_NEAR((b.ymin + b.ymax) / 2, 5.0, 1e-6);
}

// --- projection onto the part ---

TEST(GeometryProjection, PointsAboveInsideAndOnTheCube)
{
    const TopoDS_Shape cube = cube10();
    expectPoint(projectToSurface(gp_Pnt(5, 5, 20), cube, 0.5), 5, 5, 10.5, 1e-7);
    expectPoint(projectToSurface(gp_Pnt(5, 5, 9), cube, 0.5), 5, 5, 9.5, 1e-7);
    // On the top face, away from its centre: the surface's own normal decides.
    expectPoint(projectToSurface(gp_Pnt(2, 3, 10), cube, 0.5), 2, 3, 10.5, 1e-7);
}

TEST(GeometryProjection, BeyondACornerUsesTheFallbackFace)
{
    FoundationLogCapture log;
    const gp_Pnt p = projectToSurface(gp_Pnt(15, 15, 15), cube10(), 0.5);
    ASSERT_FALSE(log.warnings().isEmpty());
    EXPECT_TRUE(log.warnings().first().startsWith(
        "findClosestFace: no IN/ON face found, using the fallback (closest face). Distance: 5"));
    // On one of the three planes x, y or z = 10, lifted by 0.5 towards the point.
    const int onPlanes = int(std::abs(p.X() - 10.5) < 1e-7) + int(std::abs(p.Y() - 10.5) < 1e-7)
        + int(std::abs(p.Z() - 10.5) < 1e-7);
    EXPECT_EQ(onPlanes, 1);
}

TEST(GeometryProjection, NothingToProjectOnGivesThePointBack)
{
    FoundationLogCapture log;
    expectPoint(projectToSurface(gp_Pnt(1, 2, 3), TopoDS_Shape(), 0.5), 1, 2, 3);
    ASSERT_EQ(log.warnings().size(), 1);
    EXPECT_EQ(log.warnings().first(), "projectToSurface: no face found, returning the original point.");
    EXPECT_TRUE(findClosestFace(gp_Pnt(), TopoDS_Shape()).IsNull());

    TopoDS_Compound empty;
    BRep_Builder().MakeCompound(empty);
    FoundationLogCapture log2;
    expectPoint(projectToSurface(gp_Pnt(1, 2, 3), empty, 0.5), 1, 2, 3);
    ASSERT_EQ(log2.warnings().size(), 2);
    EXPECT_EQ(log2.warnings().first(), "findClosestFace: shape has no projectable face.");
}

// --- bounding boxes and centring ---

TEST(GeometryBounds, CentringMovesCentroidAndBottom)
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(100, 100, 100), gp_Pnt(110, 120, 130)).Shape();
    const TestSupport::Box b = TestSupport::boxOf(centerOnPlateauByCentroid(box, 25, 5, 3));
    const double tol = 1e-6;
    EXPECT_NEAR(b.xmin, 20, tol);
    EXPECT_NEAR(b.ymin, -5, tol);
    EXPECT_NEAR(b.zmin, 3, tol);
    EXPECT_NEAR(b.xmax, 30, tol);
    EXPECT_NEAR(b.ymax, 15, tol);
    EXPECT_NEAR(b.zmax, 33, tol);
}

TEST(GeometryBounds, LShapeCentresOnItsCentreOfMass)
{
    const TopoDS_Shape l = BRepAlgoAPI_Fuse(BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 30, 10, 5).Shape(),
                                            BRepPrimAPI_MakeBox(gp_Pnt(0, 10, 0), 10, 20, 5).Shape())
                               .Shape();
    const TopoDS_Shape placed = centerOnPlateauByCentroid(l, 0, 0, 0);
    // Centroid of the L: x = (300·15 + 200·5) / 500 = 11, y = (300·5 + 200·20) / 500 = 11.
    const TestSupport::Box b = TestSupport::boxOf(placed);
    EXPECT_NEAR(b.xmin, -11, 1e-6);
    EXPECT_NEAR(b.ymin, -11, 1e-6);
    EXPECT_NEAR(b.zmin, 0, 1e-6);
}

TEST(GeometryBounds, ZeroVolumeAndEmptyShapes)
{
    {
        FoundationLogCapture log;
        const TopoDS_Shape moved = centerOnPlateauByCentroid(horizontalSquare(7.0, 2.0), 10, 20, 1);
        const TestSupport::Box b = TestSupport::boxOf(moved);
        EXPECT_NEAR((b.xmin + b.xmax) / 2, 10, 1e-6);
        EXPECT_NEAR((b.ymin + b.ymax) / 2, 20, 1e-6);
        EXPECT_NEAR(b.zmin, 1, 1e-6);
        EXPECT_TRUE(log.warnings().contains(
            "centerOnPlateauByCentroid: null volume, falling back on the bounding-box centre."));
    }
    {
        FoundationLogCapture log;
        EXPECT_TRUE(centerOnPlateauByCentroid(TopoDS_Shape(), 1, 2, 3).IsNull());
        EXPECT_TRUE(log.warnings().isEmpty());
    }
    {
        TopoDS_Compound empty;
        BRep_Builder().MakeCompound(empty);
        FoundationLogCapture log;
        EXPECT_TRUE(centerOnPlateauByCentroid(empty, 1, 2, 3).IsSame(empty));
        EXPECT_EQ(log.warnings(),
                  QStringList{"centerOnPlateauByCentroid: empty bounding box, returning the original shape."});
    }
}

TEST(GeometryBounds, TightBoxAndFaceLimit)
{
    EXPECT_TRUE(getTightBoundingBox(TopoDS_Shape()).IsVoid());
    double x0, y0, z0, x1, y1, z1;
    getTightBoundingBox(cube10()).Get(x0, y0, z0, x1, y1, z1);
    EXPECT_NEAR(x0, 0, 1e-9);
    EXPECT_NEAR(z1, 10, 1e-9);

    // Loose faces 5000 and 5001: the tight box has no tolerance gap, the fast one has.
    for (const int count : {5000, 5001}) {
        TopoDS_Compound faces;
        BRep_Builder builder;
        builder.MakeCompound(faces);
        const TopoDS_Face square = horizontalSquare(0.0, 0.5);
        for (int i = 0; i < count; ++i)
            builder.Add(faces, square.Moved(TopLoc_Location(gp_Trsf())));
        getTightBoundingBox(faces).Get(x0, y0, z0, x1, y1, z1);
        if (count == 5000)
            EXPECT_NEAR(z1 - z0, 0.0, 1e-12);
        else
            EXPECT_GT(z1 - z0, 0.0);
    }
}

TEST(GeometryBounds, ThinnestSolidExtent)
{
    TopoDS_Compound both;
    BRep_Builder builder;
    builder.MakeCompound(both);
    builder.Add(both, BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 1, 2, 3).Shape());
    builder.Add(both, BRepPrimAPI_MakeBox(gp_Pnt(50, 0, 0), 0.5, 10, 10).Shape());
    EXPECT_NEAR(thinnestSolidExtent(both), 0.5, 1e-5);
    EXPECT_GE(thinnestSolidExtent(both), 0.5);
    EXPECT_EQ(thinnestSolidExtent(TopoDS_Shape()), 0.0);
    TopoDS_Shape shell;
    for (TopExp_Explorer ex(cube10(), TopAbs_SHELL); ex.More(); ex.Next())
        shell = ex.Current();
    EXPECT_EQ(thinnestSolidExtent(shell), 0.0);
}
