// Closed shells of a part file read as the slicer prints them: each shell adds its orientation
// (+1 outward, -1 inward) to what it encloses, and material is where the sum is not zero.
// Expected volumes are worked out by hand from the shells' sizes.
#include "meshfixtures.h"
#include "meshshapes.h"
#include "testsupport.h"

#include "foundation/occutils.h"
#include "foundation/stepimporter.h"
#include "foundation/stlimporter.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRep_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Pnt2d.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace MeshFixtures;

namespace {

using TestSupport::countOf;

struct Cube
{
    double size;
    gp_Vec at;
    bool inward;
};


QList<Triangle> trianglesOf(const std::vector<Cube>& cubes)
{
    QList<Triangle> out;
    for (const Cube& c : cubes)
        out += c.inward ? reversed(cubeTriangles(c.size, c.at)) : cubeTriangles(c.size, c.at);
    return out;
}


TopoDS_Shape shellOf(const TopoDS_Shape& solid, bool inward)
{
    const TopoDS_Shape shell = TopExp_Explorer(solid, TopAbs_SHELL).Current();
    return inward ? shell.Reversed() : shell;
}

class ShellOrientationTest : public PartFileTest
{
protected:
    // voidOutside: some material is enclosed by shells facing inward alone, and the import says so.
    void expectStl(const QString& name, const QList<Triangle>& mesh, double volume, int solids, bool voidOutside = false)
    {
        const QString stl = file(name + ".stl", binaryStl(mesh));
        for (const bool bySewing : {false, true}) {
            SCOPED_TRACE(bySewing ? "sewn" : "direct");
            const StlImportResult r = bySewing ? StlImporter::importStlBySewing(stl) : StlImporter::importStl(stl);
            ASSERT_TRUE(r.ok) << r.error.toStdString();
            EXPECT_TRUE(r.valid);
            EXPECT_EQ(r.voidOutside, voidOutside);
            EXPECT_EQ(r.warning.startsWith("Part of a void (a closed shell facing inward) lies outside the body around it"),
                      voidOutside)
                << r.warning.toStdString();
            EXPECT_NEAR(TestSupport::volumeOf(r.shape), volume, 1e-6 * volume);
            EXPECT_EQ(countOf(r.shape, TopAbs_SOLID), solids);
        }
    }

    void expectStep(const QString& name, const QList<TopoDS_Shape>& shells, double volume, int solids)
    {
        SCOPED_TRACE("STEP surface model");
        const QString step = path(name + ".step");
        ASSERT_TRUE(writeStep(OccUtils::compoundOf(shells), step));
        const StepImportResult r = StepImporter::importStep(step);
        ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
        ASSERT_EQ(r.shapes.size(), 1);
        EXPECT_EQ(r.sewnSurfaceRootCount, 1);
        EXPECT_TRUE(OccUtils::isValidShape(r.shapes.first()));
        EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), volume, 1e-3 * volume);
        EXPECT_EQ(countOf(r.shapes.first(), TopAbs_SOLID), solids);
    }
};

} // namespace

// A 100 mm cube with a 30 mm void touching its side came in as 1,027,000 mm³; three nested
// outward cubes as 20,000 where the slicer prints a solid 27,000 mm³ cube.
TEST_F(ShellOrientationTest, ShellsCombineByTheirOrientation)
{
    const Cube cube100{100, gp_Vec(0, 0, 0), false};
    const auto nested = [](std::vector<bool> inward) {
        std::vector<Cube> cubes;
        const double outer = 10.0 * double(inward.size());
        for (std::size_t i = 0; i < inward.size(); ++i)
            cubes.push_back({outer - 10.0 * double(i), gp_Vec(5, 5, 5) * double(i), bool(inward[i])});
        return cubes;
    };
    struct Row { const char* name; std::vector<Cube> cubes; double volume; int solids; bool voidOutside = false; };
    const double hole = 30.0 * 30.0 * 30.0;
    const std::vector<Row> rows = {
        {"void touching a side", {cube100, {30, gp_Vec(35, 0, 35), true}}, 1e6 - hole, 1},
        {"void touching the bottom", {cube100, {30, gp_Vec(35, 35, 0), true}}, 1e6 - hole, 1},
        {"void touching an edge", {cube100, {30, gp_Vec(0, 0, 35), true}}, 1e6 - hole, 1},
        {"void touching a corner", {cube100, {30, gp_Vec(0, 0, 0), true}}, 1e6 - hole, 1},
        // Inside the wall the sum is 0, outside it -1: the slicer prints the part beyond the wall.
        {"void crossing the wall", {cube100, {30, gp_Vec(-10, 35, 35), true}}, 1e6 - hole * 2 / 3 + hole / 3, 2, true},
        {"three outward", nested({false, false, false}), 27000, 1},
        {"four outward", nested({false, false, false, false}), 64000, 1},
        {"three inward", nested({true, true, true}), 27000, 1},
        {"four alternating", nested({false, true, false, true}), 64000 - 27000 + 8000 - 1000, 2},
        // The sum inside the innermost is -1: material, as the slicer prints it.
        {"outward, two inward", nested({false, true, true}), 27000 - 8000 + 1000, 2, true},
        {"four: outward, outward, inward, outward", nested({false, false, true, false}), 64000, 1},
        {"outward bodies overlapping", {{20, gp_Vec(0, 0, 0), false}, {20, gp_Vec(10, 10, 10), false}},
         2 * 8000 - 1000, 1},
        {"outward bodies crossing", {{30, gp_Vec(0, 0, 0), false}, {10, gp_Vec(25, 10, 10), false}},
         27000 + 1000 - 5 * 100, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        expectStl(row.name, trianglesOf(row.cubes), row.volume, row.solids, row.voidOutside);
        QList<TopoDS_Shape> shells;
        for (const Cube& c : row.cubes)
            shells.append(shellOf(BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0).Translated(c.at), c.size, c.size, c.size).Shape(),
                                  c.inward));
        expectStep(row.name, shells, row.volume, row.solids);
    }
}

// A meshed ball inside a 20 mm cube: facing outward it is part of the cube (the slicer prints
// 8,000 mm³; it came in as 7,097), facing inward a void of the ball's own volume.
TEST_F(ShellOrientationTest, BallInsideACubeFollowsItsOrientation)
{
    const MeshShapes::Soup ball = MeshShapes::moved(MeshShapes::nearWeldedSphere(2000, 6.0), gp_XYZ(10, 10, 10));
    QList<Triangle> outward;
    double ballVolume = 0.0; // by the divergence theorem, from the triangles alone
    for (const auto& t : ball) {
        outward.append({gp_Pnt(t[0]), gp_Pnt(t[1]), gp_Pnt(t[2])});
        ballVolume += t[0].Dot(t[1] ^ t[2]) / 6.0;
    }
    if (ballVolume < 0.0) {
        outward = reversed(outward);
        ballVolume = -ballVolume;
    }
    ASSERT_GT(ballVolume, 800.0);
    const QList<Triangle> cube = cubeTriangles(20.0);
    {
        SCOPED_TRACE("outward");
        expectStl("outward ball", cube + outward, 8000.0, 1);
    }
    {
        SCOPED_TRACE("inward");
        expectStl("inward ball", cube + reversed(outward), 8000.0 - ballVolume, 1);
    }

    const TopoDS_Shape box = BRepPrimAPI_MakeBox(20, 20, 20).Shape();
    const TopoDS_Shape sphere = BRepPrimAPI_MakeSphere(gp_Pnt(10, 10, 10), 6.0).Shape();
    expectStep("outward ball", {shellOf(box, false), shellOf(sphere, false)}, 8000.0, 1);
    expectStep("inward ball", {shellOf(box, false), shellOf(sphere, true)}, 8000.0 - 4.0 / 3.0 * M_PI * 216.0, 1);
}


// A bar whose corners all lie in the arms of a U, crossing the gap between them: nesting by
// the corners alone would take the bar for a body inside the U and lose its middle.
TEST_F(ShellOrientationTest, BarAcrossAHollowIsUnited)
{
    // The U, 10 mm high: a 30 mm square less a 10 x 20 mm notch, its outline counter-clockwise.
    const std::vector<gp_Pnt2d> u = {{0, 0}, {30, 0}, {30, 30}, {20, 30}, {20, 10}, {10, 10}, {10, 30}, {0, 30}};
    const int cap[6][3] = {{0, 1, 4}, {0, 4, 5}, {1, 2, 3}, {1, 3, 4}, {0, 5, 6}, {0, 6, 7}};
    const auto at = [&](int i, double z) { return gp_Pnt(u[std::size_t(i)].X(), u[std::size_t(i)].Y(), z); };
    QList<Triangle> mesh;
    for (const auto& t : cap) {
        mesh.append({at(t[0], 10), at(t[1], 10), at(t[2], 10)});
        mesh.append({at(t[0], 0), at(t[2], 0), at(t[1], 0)});
    }
    for (int i = 0; i < 8; ++i) {
        const int j = (i + 1) % 8;
        mesh.append({at(i, 0), at(j, 0), at(j, 10)});
        mesh.append({at(i, 0), at(j, 10), at(i, 10)});
    }
    // The bar: x 5 to 25, y 20 to 25, z 2 to 8; 10 mm of it in the notch.
    for (const Triangle& t : cubeTriangles(1.0)) {
        Triangle scaled;
        for (int k = 0; k < 3; ++k)
            scaled[std::size_t(k)] = gp_Pnt(5 + 20 * t[std::size_t(k)].X(), 20 + 5 * t[std::size_t(k)].Y(),
                                            2 + 6 * t[std::size_t(k)].Z());
        mesh.append(scaled);
    }
    const double volume = 30 * 30 * 10 - 10 * 20 * 10 + 10 * 5 * 6;
    expectStl("bar across a U", mesh, volume, 1);

    BRepBuilderAPI_MakePolygon outline;
    for (const gp_Pnt2d& p : u)
        outline.Add(gp_Pnt(p.X(), p.Y(), 0));
    outline.Close();
    const TopoDS_Shape prism =
        BRepPrimAPI_MakePrism(BRepBuilderAPI_MakeFace(outline.Wire(), true).Face(), gp_Vec(0, 0, 10)).Shape();
    const TopoDS_Shape bar = BRepPrimAPI_MakeBox(gp_Pnt(5, 20, 2), 20, 5, 6).Shape();
    expectStep("bar across a U", {shellOf(prism, false), shellOf(bar, false)}, volume, 1);
}
