#include "meshfixtures.h"
#include "meshshapes.h"
#include "testsupport.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "foundation/stepimporter.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"
#include "foundation/stlshellbuilder.h"


#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <Bnd_Box.hxx>
#include <BRep_Builder.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepTools.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <BRep_Tool.hxx>
#include <Geom_Plane.hxx>
#include <Poly_PolygonOnTriangulation.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Vertex.hxx>

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>

#include <gtest/gtest.h>

#include <QDir>

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <string>

using namespace MeshFixtures;

namespace {

using TestSupport::countOf;


void expectSameBox(const TestSupport::Box& a, const TestSupport::Box& b, double tol)
{
    EXPECT_NEAR(a.xmin, b.xmin, tol);
    EXPECT_NEAR(a.ymin, b.ymin, tol);
    EXPECT_NEAR(a.zmin, b.zmin, tol);
    EXPECT_NEAR(a.xmax, b.xmax, tol);
    EXPECT_NEAR(a.ymax, b.ymax, tol);
    EXPECT_NEAR(a.zmax, b.zmax, tol);
}

// The indexed mesh of the triangles, nodes merged when exactly equal.
StlMesh meshOf(const QList<Triangle>& triangles)
{
    StlMesh mesh;
    for (const Triangle& t : triangles) {
        std::array<int, 3> tri;
        for (int k = 0; k < 3; ++k) {
            int found = -1;
            for (std::size_t i = 0; i < mesh.nodes.size(); ++i)
                if (mesh.nodes[i].IsEqual(t[std::size_t(k)].XYZ(), 0.0))
                    found = int(i);
            if (found < 0) {
                found = int(mesh.nodes.size());
                mesh.nodes.push_back(t[std::size_t(k)].XYZ());
            }
            tri[std::size_t(k)] = found;
        }
        mesh.triangles.push_back(tri);
    }
    return mesh;
}

class StlImporterTest : public PartFileTest
{
protected:
    // A cube missing one triangle, as read: what sewing is given.
    StlMesh openCube(StlImportResult& read)
    {
        QList<Triangle> open = cubeTriangles(10.0);
        open.removeLast();
        StlMesh mesh;
        EXPECT_TRUE(readStlMesh(file("open.stl", binaryStl(open)), read, mesh));
        return mesh;
    }
};

} // namespace

TEST_F(StlImporterTest, ClosedCubeBecomesOneValidSolid)
{
    for (const bool ascii : {true, false}) {
        SCOPED_TRACE(ascii ? "ascii" : "binary");
        const QList<Triangle> cube = cubeTriangles(10.0);
        const StlImportResult r = StlImporter::importStl(
            file("cube.stl", ascii ? asciiStl(cube) : binaryStl(cube)));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_TRUE(r.error.isEmpty());
        EXPECT_TRUE(r.closed);
        EXPECT_TRUE(r.solidBuilt);
        EXPECT_TRUE(r.valid);
        EXPECT_EQ(r.triangleCount, 12);
        EXPECT_EQ(r.faceCount, 12);
        EXPECT_EQ(r.freeEdgeCount, 0);
        EXPECT_TRUE(r.warning.isEmpty());
        EXPECT_EQ(r.shape.ShapeType(), TopAbs_SOLID);
        EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1000.0, 1e-6);
        expectSameBox(TestSupport::boxOf(r.shape), {0, 0, 0, 10, 10, 10}, 1e-5);
    }
}

TEST_F(StlImporterTest, InwardOrMixedWindingIsTurnedOutward)
{
    QList<Triangle> mixed = cubeTriangles(10.0);
    mixed[3] = {mixed[3][0], mixed[3][2], mixed[3][1]};
    mixed[8] = {mixed[8][0], mixed[8][2], mixed[8][1]};
    for (const auto& triangles : {reversed(cubeTriangles(10.0)), mixed}) {
        const StlImportResult r = StlImporter::importStl(file("cube.stl", asciiStl(triangles)));
        ASSERT_TRUE(r.ok);
        EXPECT_TRUE(r.closed && r.solidBuilt && r.valid);
        EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1000.0, 1e-6);
    }
}

TEST_F(StlImporterTest, OpenMeshImportsWithWatertightWarning)
{
    QList<Triangle> open = cubeTriangles(10.0);
    open.removeLast();
    const StlImportResult r = StlImporter::importStl(file("open.stl", asciiStl(open)));
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.shape.IsNull());
    EXPECT_EQ(r.freeEdgeCount, 3); // the missing triangle's three edges
    EXPECT_FALSE(r.closed);
    EXPECT_EQ(r.triangleCount, 11);
    EXPECT_TRUE(r.warning.startsWith("The STL mesh could not be turned into a watertight closed solid"));
}

TEST_F(StlImporterTest, TwoBodiesGiveACompoundOfTwoSolids)
{
    QList<Triangle> two = cubeTriangles(10.0);
    two += cubeTriangles(5.0, gp_Vec(20, 0, 0));
    const StlImportResult r = StlImporter::importStl(file("two.stl", binaryStl(two)));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.solidBuilt && r.closed && r.valid);
    EXPECT_EQ(r.shape.ShapeType(), TopAbs_COMPOUND);
    EXPECT_EQ(countOf(r.shape, TopAbs_SOLID), 2);
    EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1125.0, 1e-6);
}

TEST_F(StlImporterTest, OnlyDegenerateTrianglesAreRefused)
{
    // Each has a side shorter than 1e-7 between distinct nodes, so the reader keeps all three.
    const gp_Pnt a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    const QList<Triangle> flat = {
        {a, gp_Pnt(5e-8, 0, 0), c}, {b, gp_Pnt(1, 5e-8, 0), c}, {a, b, gp_Pnt(1, 0, 5e-8)}};
    const StlImportResult r = StlImporter::importStl(file("degenerate.stl", asciiStl(flat)));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.shape.IsNull());
    EXPECT_EQ(r.error, "No non-degenerate triangle in the STL.");
    EXPECT_EQ(r.triangleCount, 3);
}

// Triangles whose corners lie in a line have no area: sewing them recursed for minutes (100
// took over 300 s), and two of them came out as a closed solid. They are left out before any
// joining, and the count is told.
TEST_F(StlImporterTest, TrianglesWithoutAreaAreLeftOutAndCounted)
{
    const Triangle inLine = {gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(2, 0, 0)};
    // A height of 5e-7 mm over its longest side is enough for a face.
    const Triangle almost = {gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(2, 1e-6, 0)};
    for (const int count : {2, 10, 100}) {
        SCOPED_TRACE(count);
        const QList<Triangle> flat(count, inLine);
        for (const bool bySewing : {false, true}) {
            const QString stl = file(QString("flat%1.stl").arg(count), binaryStl(flat));
            const StlImportResult r = bySewing ? StlImporter::importStlBySewing(stl) : StlImporter::importStl(stl);
            EXPECT_FALSE(r.ok);
            EXPECT_FALSE(r.closed || r.solidBuilt);
            EXPECT_TRUE(r.shape.IsNull());
            EXPECT_EQ(r.triangleCount, count);
            EXPECT_EQ(r.flatTriangleCount, count);
            EXPECT_EQ(r.error, QString("No non-degenerate triangle in the STL: %1 triangle(s) with their corners in "
                                       "a line were left out.")
                                   .arg(count));
        }
    }

    QList<Triangle> cubeAndFlats = cubeTriangles(10.0);
    for (int i = 0; i < 10; ++i)
        cubeAndFlats.append({gp_Pnt(20, i, 0), gp_Pnt(21, i, 0), gp_Pnt(23, i, 0)});
    cubeAndFlats.append(almost);
    const StlImportResult r = StlImporter::importStl(file("cube-and-flats.stl", asciiStl(cubeAndFlats)));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.triangleCount, 23);
    EXPECT_EQ(r.flatTriangleCount, 10);
    EXPECT_TRUE(r.warning.endsWith("10 triangle(s) with their corners in a line (no area) were left out."))
        << r.warning.toStdString();
}

// Faces lying on one another close a shell around nothing: two copies of a triangle made "2
// triangles, solid waterproof", and a cube with such a sheet beside it a solid part.
TEST_F(StlImporterTest, ShellsWithoutVolumeAreLeftOutOrRefused)
{
    const Triangle sheet = {gp_Pnt(20, 0, 0), gp_Pnt(25, 0, 0), gp_Pnt(20, 5, 0)};
    const Triangle back = {sheet[0], sheet[2], sheet[1]};
    QList<Triangle> cubeAndSheet = cubeTriangles(10.0);
    cubeAndSheet << sheet << back;
    struct Case { const char* name; QList<Triangle> triangles; const char* error; };
    const QList<Case> cases = {
        {"one-triangle-twice", {sheet, sheet}, "The STL mesh encloses no volume: its triangles lie on one another."},
        {"one-triangle-both-ways", {sheet, back}, "The STL mesh encloses no volume: its triangles lie on one another."},
        {"cube-and-sheet", cubeAndSheet, nullptr},
    };
    for (const Case& c : cases) {
        for (const bool bySewing : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (bySewing ? " by sewing" : ""));
            const QString stl = file(QString(c.name) + ".stl", asciiStl(c.triangles));
            const StlImportResult r = bySewing ? StlImporter::importStlBySewing(stl) : StlImporter::importStl(stl);
            if (c.error) {
                EXPECT_FALSE(r.ok);
                EXPECT_EQ(r.error, c.error);
                continue;
            }
            ASSERT_TRUE(r.ok) << r.error.toStdString();
            EXPECT_EQ(countOf(r.shape, TopAbs_SOLID), 1);
            EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1000.0, 1e-6);
            EXPECT_EQ(r.warning, "1 closed shell(s) enclosing no volume (triangles lying on one another) were left out.");
        }
    }
}

TEST_F(StlImporterTest, BadFilesAreRefusedWithAReason)
{
    const QList<Triangle> cube = cubeTriangles(10.0);
    const QByteArray ascii = asciiStl(cube);
    const QByteArray binary = binaryStl(cube);
    QByteArray noise(4000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251 + 3);

    QByteArray twoVertices = ascii;
    const int vertexAt = twoVertices.indexOf("vertex", twoVertices.size() / 2);
    twoVertices.remove(vertexAt, twoVertices.indexOf('\n', vertexAt) - vertexAt + 1);
    QByteArray badNumber = ascii;
    badNumber.replace(badNumber.indexOf("vertex 10", badNumber.size() / 2) + 7, 2, "1x");

    struct Case { const char* name; QByteArray bytes; const char* errorStart; };
    const QList<Case> cases = {
        {"empty", QByteArray(), "The STL file contains no usable triangle."},
        {"text", QByteArray("This is a parts list, not a mesh.\nLine two\n"), "The file is not an STL file"},
        {"step", QByteArray("ISO-10303-21;\nHEADER;\nENDSEC;\nDATA;\nENDSEC;\nEND-ISO-10303-21;\n"),
         "The file is not an STL file"},
        {"noise", noise, "The binary STL file is truncated or damaged"},
        {"ascii-truncated", ascii.left(ascii.size() / 2), "The ASCII STL file is truncated"},
        {"ascii-facet-with-two-vertices", twoVertices, "The ASCII STL file is damaged: line"},
        {"ascii-bad-number", badNumber, "The ASCII STL file is damaged: line"},
        {"binary-truncated", binary.left(binary.size() - 20), "The binary STL file is truncated or damaged"},
        {"binary-count-too-high", binaryStl(cube, 1000000000), "The binary STL file is truncated or damaged"},
        {"binary-count-too-low", binaryStl(cube, 3), "The binary STL file is truncated or damaged"},
        {"solid-without-facets", QByteArray("solid nothing\nendsolid nothing\n"),
         "The STL file contains no usable triangle."},
        {"binary-without-triangles", binaryStl({}), "The STL file contains no usable triangle."},
        {"solid-with-garbage", QByteArray("solid x\nfacet normal a b c\n  outer loop\n  vertex 1 2\nendsolid x\n"),
         "The ASCII STL file is damaged: line 4"},
        {"infinite-coordinates",
         binaryStl({{gp_Pnt(0, 0, 0), gp_Pnt(1e300, 0, 0), gp_Pnt(0, 1, 0)},
                    {gp_Pnt(0, 0, 0), gp_Pnt(0, 1, 0), gp_Pnt(0, 0, -1e300)}}),
         "No non-degenerate triangle in the STL."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StlImportResult r = StlImporter::importStl(file(QString(c.name) + ".stl", c.bytes));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.shape.IsNull());
        EXPECT_TRUE(r.error.startsWith(c.errorStart)) << r.error.toStdString();
    }
    // A count past the largest int is told as the header gives it.
    const StlImportResult huge = StlImporter::importStl(file("huge.stl", binaryStl(cube, 0xFFFFFFFFLL)));
    EXPECT_EQ(huge.error.toStdString(), QString("The binary STL file is truncated or damaged: its header announces 4294967295 "
                                  "triangle(s) but the file holds %1 bytes.")
                              .arg(84 + 50 * cube.size()).toStdString());
    const StlImportResult missing = StlImporter::importStl(path("missing.stl"));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.startsWith("The STL file does not exist")) << missing.error.toStdString();
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.stl")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.stl"));
    for (const QString& part : {path("pipe.stl"), path("folder.stl"), QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(part.toStdString());
        EXPECT_EQ(StlImporter::importStl(part).error, "The STL file is not a regular file: " + part);
    }
}

TEST_F(StlImporterTest, AutomaticToleranceFollowsTheDiagonal)
{
    const struct { double diagonal; double tolerance; } rows[] = {
        {100.0, 0.01}, {0.5, 0.0001}, {50000.0, 1.0}, {5000.0, 0.5}};
    for (const auto& row : rows) {
        Bnd_Box box;
        const double side = row.diagonal / std::sqrt(3.0);
        box.Update(0, 0, 0, side, side, side);
        EXPECT_NEAR(StlImporter::automaticSewingTolerance(box), row.tolerance, 1e-12) << row.diagonal;
    }
    EXPECT_DOUBLE_EQ(StlImporter::automaticSewingTolerance(Bnd_Box()), 0.001);
}

TEST_F(StlImporterTest, NonAsciiPathIsRead)
{
    const StlImportResult r = StlImporter::importStl(file("pièce-été.stl", binaryStl(cubeTriangles(2.0))));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_NEAR(TestSupport::volumeOf(r.shape), 8.0, 1e-9);
}

TEST_F(StlImporterTest, RoundTripKeepsVolumeAndBox)
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(-5, 2, 1), 30.0, 20.0, 8.0).Shape();
    const TopoDS_Shape drilled =
        BRepAlgoAPI_Cut(box, BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(10, 12, -1), gp::DZ()), 4.0, 12.0).Shape())
            .Shape();
    for (const bool ascii : {false, true}) {
        SCOPED_TRACE(ascii ? "ascii" : "binary");
        const QString stl = path(ascii ? "drilled_a.stl" : "drilled_b.stl");
        ASSERT_TRUE(writeStl(drilled, stl, 0.01, ascii));
        const StlImportResult r = StlImporter::importStl(stl);
        ASSERT_TRUE(r.ok);
        EXPECT_TRUE(r.closed && r.solidBuilt && r.valid);
        EXPECT_TRUE(r.warning.isEmpty());
        EXPECT_EQ(r.shape.ShapeType(), TopAbs_SOLID);
        // The facets cut the hole's arcs by at most the deflection.
        const double hole = M_PI * 16.0 * 8.0;
        EXPECT_NEAR(TestSupport::volumeOf(r.shape), TestSupport::volumeOf(drilled), hole * 0.01);
        expectSameBox(TestSupport::boxOf(r.shape), TestSupport::boxOf(drilled), 1e-3);
    }
}

// The direct construction must give what sewing gives.
TEST_F(StlImporterTest, DirectConstructionMatchesSewing)
{
    QList<Triangle> mixed = cubeTriangles(3.0);
    mixed[5] = {mixed[5][0], mixed[5][2], mixed[5][1]};
    QList<Triangle> two = cubeTriangles(10.0);
    two += reversed(cubeTriangles(4.0, gp_Vec(-20, 3, 1)));
    QList<Triangle> open = cubeTriangles(10.0);
    open.removeAt(4);
    QList<Triangle> hollow = cubeTriangles(10.0);
    hollow += reversed(cubeTriangles(4.0, gp_Vec(3, 3, 3)));

    struct Case { const char* name; QString path; };
    QList<Case> cases = {
        {"cube", file("c.stl", asciiStl(cubeTriangles(10.0)))},
        {"mixed", file("m.stl", asciiStl(mixed))},
        {"two", file("t.stl", binaryStl(two))},
        {"open", file("o.stl", asciiStl(open))},
        {"hollow", file("h.stl", asciiStl(hollow))},
    };
    const QString sphere = path("sphere.stl");
    ASSERT_TRUE(writeStl(BRepPrimAPI_MakeSphere(gp_Pnt(1, 2, 3), 10.0).Shape(), sphere, 0.5, false));
    cases.append({"sphere", sphere});
    const QString torus = path("torus.stl");
    ASSERT_TRUE(writeStl(BRepPrimAPI_MakeTorus(12.0, 3.0).Shape(), torus, 0.4, false));
    cases.append({"torus", torus});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Every closed case goes the direct way; the open one falls back on sewing.
        StlImportResult read;
        StlMesh mesh;
        ASSERT_TRUE(readStlMesh(c.path, read, mesh));
        EXPECT_EQ(StlShellBuilder::build(mesh, 1e-4).shape.IsNull(), QByteArray(c.name) == "open");

        const StlImportResult fast = StlImporter::importStl(c.path);
        const StlImportResult plain = StlImporter::importStlBySewing(c.path);
        ASSERT_TRUE(fast.ok);
        ASSERT_TRUE(plain.ok);
        EXPECT_EQ(fast.solidBuilt, plain.solidBuilt);
        EXPECT_EQ(fast.closed, plain.closed);
        EXPECT_EQ(fast.valid, plain.valid);
        EXPECT_EQ(fast.valid, OccUtils::isValidShape(fast.shape)); // the builder's verdict is the analyzer's
        EXPECT_EQ(fast.triangleCount, plain.triangleCount);
        EXPECT_EQ(fast.faceCount, plain.faceCount);
        EXPECT_EQ(fast.freeEdgeCount, plain.freeEdgeCount);
        EXPECT_EQ(fast.warning, plain.warning);
        EXPECT_EQ(fast.error, plain.error);
        EXPECT_EQ(fast.shape.ShapeType(), plain.shape.ShapeType());
        for (const TopAbs_ShapeEnum type : {TopAbs_SOLID, TopAbs_SHELL})
            EXPECT_EQ(countOf(fast.shape, type), countOf(plain.shape, type));
        const double volume = TestSupport::volumeOf(plain.shape);
        EXPECT_NEAR(TestSupport::volumeOf(fast.shape), volume, 1e-9 * std::max(1.0, std::abs(volume)));
        expectSameBox(TestSupport::boxOf(fast.shape), TestSupport::boxOf(plain.shape), 1e-6);
    }
}

TEST_F(StlImporterTest, DirectConstructionLeavesUncleanMeshesToSewing)
{
    EXPECT_FALSE(StlShellBuilder::build(meshOf(cubeTriangles(10.0)), 0.001).shape.IsNull());

    QList<Triangle> open = cubeTriangles(10.0);
    open.removeFirst();
    EXPECT_TRUE(StlShellBuilder::build(meshOf(open), 0.001).shape.IsNull());

    // A fin on a cube's edge: three triangles on one edge, which no pairing closes.
    QList<Triangle> nonManifold = cubeTriangles(10.0);
    nonManifold += {gp_Pnt(10, 0, 0), gp_Pnt(10, 0, 10), gp_Pnt(15, -5, 5)};
    EXPECT_TRUE(StlShellBuilder::build(meshOf(nonManifold), 0.001).shape.IsNull());

    // A second cube resting against the first, its corners on the first one's edges: sewing
    // would join the two, the booleans unite them.
    QList<Triangle> touching = cubeTriangles(10.0);
    touching += cubeTriangles(10.0, gp_Vec(10, 5, 0));
    const StlShells united = StlShellBuilder::build(meshOf(touching), 0.001);
    EXPECT_TRUE(united.valid);
    EXPECT_EQ(countOf(united.shape, TopAbs_SOLID), 1);
    EXPECT_NEAR(TestSupport::volumeOf(united.shape), 2000.0, 1e-6);

    // Nodes closer than the tolerance are merged as sewing would: nothing of the cube is left.
    StlMesh crowded = meshOf(cubeTriangles(10.0));
    weldStlMesh(crowded, 20.0);
    EXPECT_TRUE(StlShellBuilder::build(crowded, 20.0).shape.IsNull());
}

// A closed box whose top is fanned around a point `height` off its front edge: the
// triangle on that edge is a sliver of that height.
static QList<Triangle> boxWithSliver(double height, const gp_Vec& offset = gp_Vec(0, 0, 0), double size = 10.0)
{
    QList<Triangle> box = cubeTriangles(size, offset);
    box.removeAt(3);
    box.removeAt(2); // the top
    auto p = [&](double x, double y) { return gp_Pnt(x * size, y * size, size).Translated(offset); };
    const gp_Pnt m = gp_Pnt(0.5 * size, height, size).Translated(offset);
    box += QList<Triangle>{{p(0, 0), p(1, 0), m}, {p(1, 0), p(1, 1), m}, {p(1, 1), p(0, 1), m}, {p(0, 1), p(0, 0), m}};
    return box;
}

static StlMesh meshOfSoup(const MeshShapes::Soup& soup)
{
    QList<Triangle> triangles;
    for (const auto& t : soup)
        triangles.append({gp_Pnt(t[0]), gp_Pnt(t[1]), gp_Pnt(t[2])});
    return meshOf(triangles);
}

// The builder's own verdict must be the analyzer's, on clean parts, slivers down to the
// vertex tolerance and parts so far out or so large that rounding reaches the tolerance.
TEST_F(StlImporterTest, BuilderVerdictAgreesWithTheWholeShapeCheck)
{
    QList<Triangle> two = cubeTriangles(10.0);
    two += cubeTriangles(5.0, gp_Vec(20, 0, 0));
    struct Case { std::string name; StlMesh mesh; };
    std::vector<Case> cases = {
        {"two cubes", meshOf(two)},
        {"sliver knot", meshOfSoup(MeshShapes::torusKnot(1200, true))},
        {"cube far out", meshOf(cubeTriangles(1.0, gp_Vec(3e9, -2e9, 1e9)))},
        {"huge cube", meshOf(cubeTriangles(5e9))},
    };
    for (const double height : {1e-2, 1e-4, 1e-5, 1e-6, 3e-7, 1e-7, 3e-8, 1e-9})
        cases.push_back({"sliver " + QByteArray::number(height).toStdString(), meshOf(boxWithSliver(height))});
    for (const double height : {1e-3, 1e-6})
        cases.push_back({"sliver far out " + QByteArray::number(height).toStdString(),
                         meshOf(boxWithSliver(height, gp_Vec(2e7, 2e7, 0)))});

    int invalid = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StlShells built = StlShellBuilder::build(c.mesh, 1e-12);
        ASSERT_FALSE(built.shape.IsNull());
        EXPECT_EQ(built.valid, OccUtils::isValidShape(built.shape));
        EXPECT_EQ(checkStlShape(built.shape), built.valid);
        invalid += built.valid ? 0 : 1;
    }
    // Both verdicts occur, so the comparison means something.
    EXPECT_GT(invalid, 0);
    EXPECT_LT(invalid, int(cases.size()));
}

TEST_F(StlImporterTest, RandomTrianglesImportAsAnOpenMesh)
{
    // Bytes that happen to have a binary layout: loose triangles, no crash, no solid.
    QList<Triangle> loose;
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % 10000) / 100.0;
    };
    for (int i = 0; i < 300; ++i)
        loose.append({gp_Pnt(next(), next(), next()), gp_Pnt(next(), next(), next()), gp_Pnt(next(), next(), next())});
    const StlImportResult r = StlImporter::importStl(file("loose.stl", binaryStl(loose)));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_FALSE(r.closed);
    EXPECT_EQ(r.triangleCount, 300);
    EXPECT_FALSE(r.warning.isEmpty());
}

TEST_F(StlImporterTest, TextLayoutVariantsReadWhole)
{
    const QByteArray plain = asciiStl(cubeTriangles(10.0));
    QByteArray blankLines = plain;
    blankLines.replace("endfacet\n", "endfacet\n\n   \n");
    QByteArray crlf = plain;
    crlf.replace("\n", "\r\n");
    for (const QByteArray& bytes : {blankLines, crlf, QByteArray("\n") + plain}) {
        const StlImportResult r = StlImporter::importStl(file("variant.stl", bytes));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.triangleCount, 12);
        EXPECT_TRUE(r.closed && r.solidBuilt && r.valid);
    }
}

// A text file of several solids is read whole: the reader stopped at about the ninth solid's
// header, so ten cubes came in as 102 of their 120 triangles, and one cube written as twelve
// one-facet solids as 8 of 12.
TEST_F(StlImporterTest, TextFilesOfManySolidsReadWhole)
{
    const auto solids = [](int count, double spacing) {
        QByteArray bytes;
        for (int i = 0; i < count; ++i)
            bytes += asciiStl(cubeTriangles(10.0, gp_Vec(spacing * i, 0, 0))).replace("solid test", "solid part" + QByteArray::number(i));
        return bytes;
    };
    QByteArray oneFacetEach;
    for (const Triangle& t : cubeTriangles(10.0))
        oneFacetEach += asciiStl({t}) + "\n";
    QByteArray textBetween = solids(10, 20.0);
    textBetween.replace("endsolid part4\n", "endsolid part4\nwritten by a tool that notes things\n\n");
    const struct
    {
        const char* name;
        QByteArray bytes;
        int triangles;
        int solids;
        double volume;
    } rows[] = {
        {"ten cubes apart", solids(10, 20.0), 120, 10, 10000.0},
        {"thirty cubes apart", solids(30, 20.0), 360, 30, 30000.0},
        {"one cube, one facet a solid", oneFacetEach, 12, 1, 1000.0},
        {"ten cubes, text between two", textBetween, 120, 10, 10000.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StlImportResult r = StlImporter::importStl(file("solids.stl", row.bytes));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.triangleCount, row.triangles);
        EXPECT_TRUE(r.closed && r.solidBuilt && r.valid);
        EXPECT_EQ(countOf(r.shape, TopAbs_SOLID), row.solids);
        EXPECT_NEAR(TestSupport::volumeOf(r.shape), row.volume, 1e-6 * row.volume);
    }
}

// Every vertex of the face is a node of its triangulation.
static void expectNodesOnVertices(const TopoDS_Face& face, const Handle(Poly_Triangulation)& mesh,
                           const TopLoc_Location& location)
{
    for (TopExp_Explorer v(face, TopAbs_VERTEX); v.More(); v.Next()) {
        const gp_Pnt corner = BRep_Tool::Pnt(TopoDS::Vertex(v.Current()));
        double nearest = 1e9;
        for (int n = 1; n <= mesh->NbNodes(); ++n)
            nearest = std::min(nearest, corner.Distance(mesh->Node(n).Transformed(location)));
        EXPECT_LT(nearest, 1e-9);
    }
}

// Each face is one triangle: the imported part must carry that exact tessellation, so that
// neither the viewer nor an explicit mesher re-meshes it, even once the part is moved.
TEST_F(StlImporterTest, ClosedMeshComesAlreadyTriangulated)
{
    QList<Triangle> two = cubeTriangles(10.0);
    two += cubeTriangles(4.0, gp_Vec(-20, 3, 1));
    const QString torus = path("torus.stl");
    ASSERT_TRUE(writeStl(BRepPrimAPI_MakeTorus(12.0, 3.0).Shape(), torus, 0.4, false));

    for (const QString& stl : {file("two.stl", binaryStl(two)), torus}) {
        SCOPED_TRACE(stl.toStdString());
        const StlImportResult r = StlImporter::importStl(stl);
        ASSERT_TRUE(r.ok && r.closed && r.valid) << r.error.toStdString();
        EXPECT_TRUE(BRepTools::Triangulation(r.shape, 1e-9, true));
        // Shape healing has nothing to rebuild on a clean part, so the faces keep their mesh.
        EXPECT_TRUE(BRepTools::Triangulation(OccUtils::healShape(r.shape, {nullptr, "test"}, 0.01), 1e-9, true));

        // Every face: one triangle on the face's own three vertices.
        std::vector<Handle(Poly_Triangulation)> before;
        std::set<const Poly_PolygonOnTriangulation*> polygons;
        for (TopExp_Explorer ex(r.shape, TopAbs_FACE); ex.More(); ex.Next()) {
            const TopoDS_Face& face = TopoDS::Face(ex.Current());
            TopLoc_Location location;
            const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location);
            ASSERT_FALSE(mesh.IsNull());
            ASSERT_EQ(mesh->NbTriangles(), 1);
            ASSERT_EQ(mesh->NbNodes(), 3);
            expectNodesOnVertices(face, mesh, location);
            // The triangle faces out of the part, as the face does.
            int n1, n2, n3;
            mesh->Triangle(1).Get(n1, n2, n3);
            const gp_Vec normal = gp_Vec(mesh->Node(n1), mesh->Node(n2)).Crossed(gp_Vec(mesh->Node(n1), mesh->Node(n3)));
            const Handle(Geom_Plane) plane = Handle(Geom_Plane)::DownCast(BRep_Tool::Surface(face));
            ASSERT_FALSE(plane.IsNull());
            const double side = normal.Dot(gp_Vec(plane->Axis().Direction()));
            EXPECT_GT(face.Orientation() == TopAbs_REVERSED ? -side : side, 0.0);
            // Its edges' polygons name the nodes at their own vertices, first to last, at the
            // edge's own parameters (the mesher reads them when it meshes a neighbour anew).
            for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
                const TopoDS_Edge& edge = TopoDS::Edge(e.Current());
                const Handle(Poly_PolygonOnTriangulation) polygon =
                    BRep_Tool::PolygonOnTriangulation(edge, mesh, location);
                ASSERT_FALSE(polygon.IsNull());
                ASSERT_EQ(polygon->NbNodes(), 2);
                TopoDS_Vertex first, last;
                TopExp::Vertices(edge, first, last);
                EXPECT_LT(BRep_Tool::Pnt(first).Distance(mesh->Node(polygon->Node(1)).Transformed(location)), 1e-12);
                EXPECT_LT(BRep_Tool::Pnt(last).Distance(mesh->Node(polygon->Node(2)).Transformed(location)), 1e-12);
                double from = 0.0, to = 0.0;
                BRep_Tool::Range(edge, from, to);
                ASSERT_FALSE(polygon->Parameters().IsNull());
                EXPECT_EQ(polygon->Parameter(1), from);
                EXPECT_EQ(polygon->Parameter(2), to);
                polygons.insert(polygon.get());
            }
            before.push_back(mesh);
        }
        EXPECT_EQ(int(before.size()), r.triangleCount);
        // Where the two faces of an edge number its ends alike they share one polygon, which
        // the memory of large parts relies on (about two edges in three here).
        EXPECT_LT(double(polygons.size()), 0.8 * countOf(r.shape, TopAbs_EDGE)); // each edge counted per face

        // Rotated and moved the way the part is laid on the plate.
        gp_Trsf turn;
        turn.SetRotation(gp_Ax1(gp_Pnt(1, 2, 3), gp_Dir(1, 1, 0)), 0.7);
        gp_Trsf shift;
        shift.SetTranslation(gp_Vec(25, 5, 3));
        BRepBuilderAPI_Transform moved(r.shape, shift * turn, false);
        ASSERT_TRUE(moved.IsDone());
        EXPECT_TRUE(BRepTools::Triangulation(moved.Shape(), 1e-9, true));

        BRepMesh_IncrementalMesh mesher(moved.Shape(), 0.01, false, 0.1, false);
        EXPECT_TRUE(mesher.IsDone());
        std::size_t i = 0;
        for (TopExp_Explorer ex(moved.Shape(), TopAbs_FACE); ex.More(); ex.Next(), ++i) {
            TopLoc_Location location;
            const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(TopoDS::Face(ex.Current()), location);
            ASSERT_LT(i, before.size());
            EXPECT_EQ(mesh.get(), before[i].get());
            EXPECT_EQ(mesh->NbTriangles(), 1);
        }

        // A face that lost its mesh, as one rebuilt by healing would, is meshed alone along its
        // neighbours' edge polygons; every other face keeps its own.
        const TopoDS_Face stripped = TopoDS::Face(TopExp_Explorer(moved.Shape(), TopAbs_FACE).Current());
        BRep_Builder().UpdateFace(stripped, Handle(Poly_Triangulation)());
        EXPECT_FALSE(BRepTools::Triangulation(moved.Shape(), 1e-9, true));
        BRepMesh_IncrementalMesh(moved.Shape(), 0.01, false, 0.1, false);
        i = 0;
        for (TopExp_Explorer ex(moved.Shape(), TopAbs_FACE); ex.More(); ex.Next(), ++i) {
            TopLoc_Location location;
            const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(TopoDS::Face(ex.Current()), location);
            ASSERT_FALSE(mesh.IsNull());
            EXPECT_EQ(mesh->NbTriangles(), 1);
            if (i == 0)
                expectNodesOnVertices(TopoDS::Face(ex.Current()), mesh, location);
            else
                EXPECT_EQ(mesh.get(), before[i].get());
        }
    }
}

// Welding merges what lies within the tolerance (as sewing would) and nothing else, and
// stays sound where cell numbers no longer fit the arithmetic.
TEST_F(StlImporterTest, WeldingMergesNodesWithinTheTolerance)
{
    struct Row
    {
        const char* name;
        std::vector<gp_XYZ> nodes;
        std::vector<std::array<int, 3>> triangles;
        double tolerance;
        int merged;
        int dropped;
        std::vector<std::array<int, 3>> kept;
    };
    const gp_XYZ o(0, 0, 0), x(1, 0, 0), y(0, 1, 0);
    const std::vector<Row> rows = {
        {"apart", {o, x, y}, {{0, 1, 2}}, 1e-3, 0, 0, {{0, 1, 2}}},
        {"seam a hair apart", {o, x, y, gp_XYZ(1, 3e-15, 0)}, {{0, 1, 2}, {0, 3, 2}}, 1e-3, 1, 0, {{0, 1, 2}, {0, 1, 2}}},
        {"just beyond", {o, x, y, gp_XYZ(1, 2e-3, 0)}, {{0, 3, 2}}, 1e-3, 0, 0, {{0, 3, 2}}},
        {"collapsed triangle", {o, x, y, gp_XYZ(0, 5e-4, 0)}, {{0, 1, 2}, {0, 3, 1}}, 1e-3, 1, 1, {{0, 1, 2}}},
        // Each node joins the first kept node within reach; a chain does not fold into one.
        {"chain", {o, gp_XYZ(8e-4, 0, 0), gp_XYZ(1.6e-3, 0, 0), y}, {{0, 1, 3}, {1, 2, 3}}, 1e-3, 1, 1, {{0, 2, 3}}},
        {"across a cell border", {gp_XYZ(-1e-4, 0, 0), gp_XYZ(1e-4, 0, 0), x, y}, {{0, 2, 3}, {1, 2, 3}}, 1e-3, 1, 0,
         {{0, 2, 3}, {0, 2, 3}}},
        // Cell numbers near 1e18 and beyond 2^63: no overflow, the right merge.
        {"huge coordinates", {gp_XYZ(1e15, -1e15, 1e15), gp_XYZ(1e15 + 0.125, -1e15, 1e15), gp_XYZ(-1e15, 0, 0),
                              gp_XYZ(0, 1e15, 0)},
         {{0, 2, 3}, {1, 2, 3}}, 1e-3, 0, 0, {{0, 2, 3}, {1, 2, 3}}},
        {"huge coordinates, tiny tolerance", {gp_XYZ(1e5, 1e5, -1e5), gp_XYZ(1e5, 1e5, -1e5), x, y},
         {{0, 2, 3}, {1, 2, 3}}, 1e-14, 1, 0, {{0, 2, 3}, {0, 2, 3}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StlMesh mesh{row.nodes, row.triangles};
        const StlWeld weld = weldStlMesh(mesh, row.tolerance);
        EXPECT_EQ(weld.mergedNodes, row.merged);
        EXPECT_EQ(weld.droppedTriangles, row.dropped);
        EXPECT_EQ(mesh.triangles, row.kept);
        EXPECT_EQ(mesh.nodes.size(), row.nodes.size()); // nodes keep their numbers
    }
}

// Meshes closed once welded, and meshes of slivers, are built directly (their faces carry
// their triangles) and give what sewing gives.
TEST_F(StlImporterTest, NearWeldedAndSliverMeshesAreBuiltDirectly)
{
    struct Case { const char* name; MeshShapes::Soup soup; bool compareWithSewing; };
    const std::vector<Case> cases = {
        {"near-welded sphere", MeshShapes::nearWeldedSphere(1500), true},
        {"slivers", MeshShapes::torusKnot(1200, true), true},
        {"large knot", MeshShapes::torusKnot(30000), false},
        {"large near-welded sphere", MeshShapes::nearWeldedSphere(30000), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString stl = path(QString("%1.stl").arg(c.name));
        ASSERT_TRUE(MeshShapes::writeBinaryStl(stl, c.soup));
        const StlImportResult fast = StlImporter::importStl(stl);
        ASSERT_TRUE(fast.ok) << fast.error.toStdString();
        EXPECT_TRUE(fast.closed && fast.solidBuilt && fast.valid);
        EXPECT_EQ(fast.shape.ShapeType(), TopAbs_SOLID);
        EXPECT_LE(fast.triangleCount, int(c.soup.size())); // the reader drops triangles on one point
        EXPECT_TRUE(BRepTools::Triangulation(fast.shape, 1e-9, true));
        EXPECT_TRUE(OccUtils::isValidShape(fast.shape));
        if (!c.compareWithSewing)
            continue;
        const StlImportResult plain = StlImporter::importStlBySewing(stl);
        ASSERT_TRUE(plain.ok);
        EXPECT_EQ(fast.valid, plain.valid);
        EXPECT_EQ(fast.closed, plain.closed);
        EXPECT_EQ(fast.faceCount, plain.faceCount);
        EXPECT_EQ(fast.triangleCount, plain.triangleCount);
        const double volume = TestSupport::volumeOf(plain.shape);
        EXPECT_NEAR(TestSupport::volumeOf(fast.shape), volume, 1e-6 * volume);
        expectSameBox(TestSupport::boxOf(fast.shape), TestSupport::boxOf(plain.shape), 1e-5);
    }
}

// A damaged file with one far-away point is refused at once with its reason, instead of
// dragging sewing over a mesh 1e30 mm wide; a large but plausible part is kept.
TEST_F(StlImporterTest, FarAwayPointsAreRefused)
{
    QList<Triangle> spiked = cubeTriangles(10.0);
    spiked[4][1] = gp_Pnt(10, 10, 1e30);
    QList<Triangle> far = cubeTriangles(10.0, gp_Vec(0, 0, 2e6));
    QList<Triangle> large = cubeTriangles(10.0, gp_Vec(9e5, -9e5, 0));
    const StlImportResult refusedSpike = StlImporter::importStl(file("spike.stl", binaryStl(spiked)));
    EXPECT_FALSE(refusedSpike.ok);
    EXPECT_TRUE(refusedSpike.shape.IsNull());
    EXPECT_EQ(refusedSpike.error,
              "The STL file is damaged: facet 5 has a point 1e+30 mm away from the origin, too far for a printable part.");
    EXPECT_FALSE(StlImporter::importStl(file("far.stl", asciiStl(far))).ok);
    EXPECT_FALSE(StlImporter::importStlBySewing(file("spike2.stl", asciiStl(spiked))).ok);

    const StlImportResult kept = StlImporter::importStl(file("large.stl", asciiStl(large)));
    ASSERT_TRUE(kept.ok) << kept.error.toStdString();
    EXPECT_TRUE(kept.closed && kept.solidBuilt);
}

// Orienting a mesh part takes its centroid from the faces' exact triangles: the same point
// the surfaces give, whether the part is turned, split into solids or facing inward.
TEST_F(StlImporterTest, MeshPartIsCentredOnItsExactCentroid)
{
    QList<Triangle> two = cubeTriangles(10.0);
    two += cubeTriangles(4.0, gp_Vec(-20, 3, 1));
    const QString knot = path("knot.stl");
    ASSERT_TRUE(MeshShapes::writeBinaryStl(knot, MeshShapes::torusKnot(3000)));
    for (const QString& stl : {file("two.stl", binaryStl(two)), knot}) {
        SCOPED_TRACE(stl.toStdString());
        const StlImportResult r = StlImporter::importStl(stl);
        ASSERT_TRUE(r.ok && r.valid);
        gp_Trsf turn;
        turn.SetRotation(gp_Ax1(gp_Pnt(1, 2, 3), gp_Dir(1, 1, 0)), 0.7);
        const TopoDS_Shape turned = BRepBuilderAPI_Transform(r.shape, turn, false).Shape();
        const TopoDS_Shape placed = GeometryUtils::centerOnPlateauByCentroid(turned, 100.0, 50.0, 0.0);
        GProp_GProps exact;
        BRepGProp::VolumeProperties(placed, exact, false, false, false);
        EXPECT_NEAR(exact.CentreOfMass().X(), 100.0, 1e-6);
        EXPECT_NEAR(exact.CentreOfMass().Y(), 50.0, 1e-6);
        EXPECT_NEAR(TestSupport::boxOf(placed).zmin, 0.0, 1e-6);

        EXPECT_TRUE(GeometryUtils::hasExactFaceMeshes(r.shape));
        EXPECT_TRUE(GeometryUtils::hasExactFaceMeshes(placed));
        // A face's outward normal is judged from the same centroid.
        const TopoDS_Face face = TopoDS::Face(TopExp_Explorer(r.shape, TopAbs_FACE).Current());
        const gp_Vec normal = GeometryUtils::calculateFaceNormal(face);
        const gp_Vec outward = GeometryUtils::ensureNormalPointsOutward(face, normal, r.shape, nullptr);
        const gp_Vec reversedOutward = GeometryUtils::ensureNormalPointsOutward(face, normal.Reversed(), r.shape, nullptr);
        EXPECT_TRUE(outward.IsEqual(reversedOutward, 1e-12, 1e-12));
    }
}

// The faces carry no curves in their planes; booleans (burial analysis) and the mesher must
// still work on the part as on any other solid.
TEST_F(StlImporterTest, MeshPartTakesBooleansAndMeshing)
{
    const QString knot = path("knot.stl");
    ASSERT_TRUE(MeshShapes::writeBinaryStl(knot, MeshShapes::torusKnot(3000)));
    const StlImportResult r = StlImporter::importStl(knot);
    ASSERT_TRUE(r.ok && r.valid);
    const double volume = TestSupport::volumeOf(r.shape);
    const TopoDS_Shape cutter = BRepPrimAPI_MakeBox(gp_Pnt(-40, -40, 0), 80, 80, 20).Shape();
    BRepAlgoAPI_Cut cut(r.shape, cutter);
    ASSERT_TRUE(cut.IsDone());
    EXPECT_TRUE(OccUtils::isValidShape(cut.Shape()));
    const double below = TestSupport::volumeOf(cut.Shape());
    EXPECT_GT(below, 0.2 * volume);
    EXPECT_LT(below, 0.8 * volume);

    // Nor does a boolean's result count as a mesh part: its cut faces have no mesh yet.
    EXPECT_FALSE(GeometryUtils::hasExactFaceMeshes(cut.Shape()));

    const TopoDS_Shape copy = BRepBuilderAPI_Transform(r.shape, gp_Trsf(), true).Shape();
    EXPECT_FALSE(GeometryUtils::hasExactFaceMeshes(copy));
    BRepMesh_IncrementalMesh mesher(copy, 0.05, false, 0.5, false);
    ASSERT_TRUE(mesher.IsDone());
    EXPECT_TRUE(BRepTools::Triangulation(copy, 0.05, true));
    EXPECT_EQ(countOf(copy, TopAbs_FACE), r.faceCount);
    // Meshed by the mesher, the faces only approximate: they are not their own meshes.
    EXPECT_FALSE(GeometryUtils::hasExactFaceMeshes(copy));
    EXPECT_FALSE(GeometryUtils::hasExactFaceMeshes(TopoDS_Shape()));
}


namespace {

// The eight outward triangles of an octahedron: its corners on the axes through the centre.
QList<Triangle> octahedronTriangles(const gp_Pnt& centre, double radius)
{
    QList<Triangle> out;
    for (const int sx : {-1, 1})
        for (const int sy : {-1, 1})
            for (const int sz : {-1, 1}) {
                const gp_Pnt x = centre.Translated(gp_Vec(sx * radius, 0, 0));
                const gp_Pnt y = centre.Translated(gp_Vec(0, sy * radius, 0));
                const gp_Pnt z = centre.Translated(gp_Vec(0, 0, sz * radius));
                out.append(sx * sy * sz > 0 ? Triangle{x, y, z} : Triangle{x, z, y});
            }
    return out;
}

// The solids' shells, each after the first facing inward where the next is told to.
TopoDS_Shape shellsOf(const QList<TopoDS_Shape>& solids, const QList<bool>& inward = {})
{
    TopoDS_Compound surfaces;
    BRep_Builder builder;
    builder.MakeCompound(surfaces);
    for (qsizetype i = 0; i < solids.size(); ++i) {
        const TopoDS_Shape shell = TopExp_Explorer(solids[i], TopAbs_SHELL).Current();
        builder.Add(surfaces, i < inward.size() && inward[i] ? shell.Reversed() : shell);
    }
    return surfaces;
}

} // namespace

// A closed shell facing inward inside another bounds a void, read as a slicer reads the mesh;
// one facing outward is part of the solid around it. Filled, a 20 mm cube with a 10 mm void
// came in as 9,000 mm³.
TEST_F(StlImporterTest, HollowPartsKeepTheirVoids)
{
    const QList<Triangle> outer = cubeTriangles(20.0);
    struct Case { const char* name; QList<Triangle> mesh; double volume; int solids; int shells; };
    const Case cases[] = {
        {"void", outer + reversed(cubeTriangles(10.0, gp_Vec(5, 5, 5))), 7000.0, 1, 2},
        {"body written inside", outer + cubeTriangles(10.0, gp_Vec(5, 5, 5)), 8000.0, 1, 1},
        {"island in the void",
         outer + reversed(cubeTriangles(14.0, gp_Vec(3, 3, 3))) + cubeTriangles(6.0, gp_Vec(7, 7, 7)),
         8000.0 - 2744.0 + 216.0, 2, 3},
        {"two voids",
         outer + reversed(cubeTriangles(4.0, gp_Vec(2, 2, 2))) + reversed(cubeTriangles(4.0, gp_Vec(12, 12, 12))),
         8000.0 - 128.0, 1, 3},
        {"void touching the wall at a corner", outer + reversed(octahedronTriangles(gp_Pnt(7, 9, 3), 3.0)),
         8000.0 - 36.0, 1, 2},
        {"two cubes apart", cubeTriangles(10.0) + cubeTriangles(5.0, gp_Vec(20, 0, 0)), 1125.0, 2, 2},
        {"two cubes touching", cubeTriangles(10.0) + cubeTriangles(5.0, gp_Vec(10, 2, 1)), 1125.0, 1, 1},
    };
    for (const Case& c : cases) {
        for (const bool ascii : {true, false}) {
            const QString stl = file(QString(c.name) + (ascii ? ".ascii.stl" : ".stl"),
                                     ascii ? asciiStl(c.mesh) : binaryStl(c.mesh));
            for (const bool bySewing : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + (ascii ? ", ascii" : ", binary") + (bySewing ? ", sewn" : ""));
                const StlImportResult r = bySewing ? StlImporter::importStlBySewing(stl) : StlImporter::importStl(stl);
                ASSERT_TRUE(r.ok) << r.error.toStdString();
                EXPECT_TRUE(r.valid);
                EXPECT_NEAR(TestSupport::volumeOf(r.shape), c.volume, 1e-6);
                EXPECT_EQ(countOf(r.shape, TopAbs_SOLID), c.solids);
                EXPECT_EQ(countOf(r.shape, TopAbs_SHELL), c.shells);
            }
        }
    }

    const TopoDS_Shape box20 = BRepPrimAPI_MakeBox(20, 20, 20).Shape();
    const TopoDS_Shape box14 = BRepPrimAPI_MakeBox(gp_Pnt(3, 3, 3), 14, 14, 14).Shape();
    const TopoDS_Shape ball = BRepPrimAPI_MakeSphere(gp_Pnt(10, 10, 10), 2.0).Shape();

    // OpenCASCADE's own mesh of a box less a ball, turned: as much volume as its hollow solid.
    gp_Trsf turn;
    turn.SetRotation(gp_Ax1(gp_Pnt(3, 1, 2), gp_Dir(1, 2, 3)), 0.4);
    const TopoDS_Shape hollow = BRepBuilderAPI_Transform(BRepAlgoAPI_Cut(box20, ball).Shape(), turn, true).Shape();
    const QString meshed = path("ball-void.stl");
    ASSERT_TRUE(writeStl(hollow, meshed, 0.01, false));
    const StlImportResult fromMesh = StlImporter::importStl(meshed);
    ASSERT_TRUE(fromMesh.ok && fromMesh.valid) << fromMesh.error.toStdString();
    EXPECT_NEAR(TestSupport::volumeOf(fromMesh.shape), TestSupport::volumeOf(hollow), 0.5);
    EXPECT_EQ(countOf(fromMesh.shape, TopAbs_SOLID), 1);

    // A STEP surface model of the same kind, with curved faces: the sewn shells nest alike.
    const double ballVolume = 4.0 / 3.0 * M_PI * 8.0;
    struct StepCase { const char* name; QList<TopoDS_Shape> solids; QList<bool> inward; double volume; int solids_; };
    const StepCase steps[] = {
        {"ball void", {box20, ball}, {false, true}, 8000.0 - ballVolume, 1},
        {"ball island", {box20, box14, ball}, {false, true, false}, 8000.0 - 2744.0 + ballVolume, 2},
        {"apart", {box14, BRepPrimAPI_MakeSphere(gp_Pnt(30, 0, 0), 2.0).Shape()}, {}, 2744.0 + ballVolume, 2},
    };
    for (const StepCase& c : steps) {
        SCOPED_TRACE(c.name);
        const QString step = path(QString(c.name) + ".step");
        ASSERT_TRUE(writeStep(shellsOf(c.solids, c.inward), step));
        const StepImportResult r = StepImporter::importStep(step);
        ASSERT_EQ(r.status, StepImportResult::Ok) << r.errorMessage.toStdString();
        ASSERT_EQ(r.shapes.size(), 1);
        EXPECT_EQ(r.sewnSurfaceRootCount, 1);
        EXPECT_NEAR(TestSupport::volumeOf(r.shapes.first()), c.volume, 1e-3 * c.volume);
        EXPECT_EQ(countOf(r.shapes.first(), TopAbs_SOLID), c.solids_);
        EXPECT_TRUE(OccUtils::isValidShape(r.shapes.first()));
    }
}

namespace {

// Counts the polls for Cancel made in each stage of an STL import (the innermost stage named
// around the scope last shown) and, when given a stage, cancels at its nth poll.
class StageCanceller : public Message_ProgressIndicator
{
public:
    explicit StageCanceller(std::string stage = {}, int nth = 0) : m_target(std::move(stage)), m_nth(nth) {}

    Standard_Boolean UserBreak() override
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_cancelled) {
            ++m_pollsAfterCancel;
            return true;
        }
        const int polls = ++m_polls[m_current];
        m_cancelled = !m_target.empty() && m_current == m_target && polls >= m_nth;
        return m_cancelled;
    }

    void Show(const Message_ProgressScope& scope, const Standard_Boolean) override
    {
        for (const Message_ProgressScope* s = &scope; s; s = s->Parent())
            if (s->Name() && std::strncmp(s->Name(), "STL ", 4) == 0) {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_current = s->Name();
                if (m_cancelled && m_current != m_target)
                    m_startedAfterCancel.insert(m_current);
                return;
            }
    }

    std::map<std::string, int> m_polls;
    std::set<std::string> m_startedAfterCancel;
    int m_pollsAfterCancel = 0;
    bool m_cancelled = false;

private:
    std::mutex m_mutex;
    std::string m_current;
    std::string m_target;
    int m_nth;
};

} // namespace

// Cancel acts inside every long stage: the stage asks as it goes and stops at the first answer,
// no later stage starts, and the caller gets a cancelled import, not a part or a failure.
// Importing again afterwards works.
TEST_F(StlImporterTest, CancelInEachStageGivesACancelledImport)
{
    // Built directly; so far out that rounding leaves every face to the analyzer.
    const QString closed = path("far.stl");
    ASSERT_TRUE(MeshShapes::writeBinaryStl(closed, MeshShapes::moved(MeshShapes::torusKnot(20000), gp_XYZ(1e5, 0, 0))));
    MeshShapes::Soup half = MeshShapes::torusKnot(4000);
    half.resize(half.size() / 2);
    const QString open = path("open.stl"); // sewn, healed and checked
    ASSERT_TRUE(MeshShapes::writeBinaryStl(open, half));

    std::map<QString, StlImportResult> whole;
    std::map<QString, std::map<std::string, int>> polls;
    for (const QString& file : {closed, open}) {
        const opencascade::handle<StageCanceller> counting = new StageCanceller;
        whole[file] = StlImporter::importStl(file, -1.0, counting->Start());
        ASSERT_TRUE(whole[file].ok) << whole[file].error.toStdString();
        polls[file] = counting->m_polls;
    }

    struct Case { const char* stage; QString file; };
    const Case cases[] = {{StlStage::kShells, closed}, {StlStage::kShellCheck, closed}, {StlStage::kSewing, open},
                          {StlStage::kHealing, open}, {StlStage::kCheck, open}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        const int asked = polls[c.file][c.stage];
        // Sewing, healing and the analyzer are waited for, asked as often as the wait lasts: how
        // often depends on the machine's speed (once, on a fast one), so they are cancelled at their
        // first asking. The others ask as they go, but the caller waiting beside the import asks too,
        // as often as the stage lasts: they are cancelled at their second asking, once begun.
        const bool waited = std::string(c.stage) == StlStage::kSewing || std::string(c.stage) == StlStage::kHealing
                            || std::string(c.stage) == StlStage::kCheck;
        EXPECT_GE(asked, waited ? 1 : 8);
        const opencascade::handle<StageCanceller> indicator = new StageCanceller(c.stage, waited ? 1 : 2);
        const StlImportResult r = StlImporter::importStl(c.file, -1.0, indicator->Start());
        EXPECT_TRUE(indicator->m_cancelled);
        EXPECT_TRUE(r.cancelled);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.shape.IsNull());
        EXPECT_EQ(r.error.toStdString(), "The import was cancelled.");
        EXPECT_TRUE(indicator->m_startedAfterCancel.empty()) << *indicator->m_startedAfterCancel.begin();
        EXPECT_LE(indicator->m_pollsAfterCancel, 12);
    }

    for (const QString& file : {closed, open}) {
        const StlImportResult again = StlImporter::importStl(file);
        ASSERT_TRUE(again.ok) << again.error.toStdString();
        EXPECT_EQ(again.faceCount, whole[file].faceCount);
        EXPECT_EQ(again.valid, whole[file].valid);
    }
}

// OpenCASCADE's sewing sits seconds in calls that never ask whether to stop. Cancel there
// returns while the sewing is still blocked; the sewing ends later, told to stop, on its own
// thread and result. Sewing on the calling thread never returns here (the run hangs).
TEST_F(StlImporterTest, CancelWhileSewingReturnsBeforeTheSewingEnds)
{
    StlImportResult read;
    const StlMesh mesh = openCube(read);
    std::atomic<bool> sewingReturned{false}, toldToStop{false};
    std::promise<void> release, dropped;
    std::future<void> ended = dropped.get_future();
    std::shared_ptr<void> held(nullptr, [&dropped](void*) { dropped.set_value(); }); // until the last copy goes
    const opencascade::handle<StageCanceller> indicator = new StageCanceller(StlStage::kSewing, 1);
    StlImportResult r = read;
    // The stand-in and its copies alone hold held.
    EXPECT_FALSE(sewStlMesh(mesh, 1e-3, r, indicator->Start(),
                            [&, held = std::move(held), released = release.get_future().share()](
                                const StlMesh&, double, StlImportResult& result, const Message_ProgressRange& progress) {
                                released.wait();
                                toldToStop = Message_ProgressScope(progress, nullptr, 1.0).UserBreak();
                                result.shape = BRepPrimAPI_MakeBox(1.0, 1.0, 1.0).Shape();
                                sewingReturned = true;
                                return true;
                            }));
    EXPECT_FALSE(sewingReturned);
    release.set_value();
    ended.wait(); // the sewing's thread let its work go
    EXPECT_TRUE(toldToStop);
    EXPECT_TRUE(r.shape.IsNull());
}

namespace {

// The bar as the caller's thread shows it, and how many times it was shown.
class Bar : public Message_ProgressIndicator
{
public:
    Standard_Boolean UserBreak() override { return false; }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ++shown;
        position = GetPosition();
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    int shown = 0;
    double position = 0.0;
};

} // namespace

// Sewing runs alone (Cancel leaves it to end), and its thread cannot show the bar: the bar
// follows the sewing's own reports, step by step, and stands while the sewing does, however often
// the waiting thread reports; it stood at one place for minutes while the sewing went on.
TEST_F(StlImporterTest, SewingBarMovesWithTheSewing)
{
    StlImportResult read;
    const StlMesh mesh = openCube(read);
    const opencascade::handle<Bar> bar = new Bar;
    constexpr int kSteps = 4;
    std::vector<double> standing; // where the bar stood while each step was on
    const auto sewing = [&](const StlMesh&, double, StlImportResult& result, const Message_ProgressRange& progress) {
        Message_ProgressScope steps(progress, nullptr, kSteps);
        for (int k = 1; k <= kSteps; ++k) {
            steps.Next();
            // The waiting thread shows the bar ten more times before the step ends.
            std::unique_lock<std::mutex> lock(bar->mutex);
            const int from = bar->shown;
            bar->changed.wait(lock, [&] { return bar->shown >= from + 10; });
            standing.push_back(bar->position);
        }
        result.shape = BRepPrimAPI_MakeBox(1.0, 1.0, 1.0).Shape();
        return true;
    };
    StlImportResult r = read;
    ASSERT_TRUE(sewStlMesh(mesh, 1e-3, r, bar->Start(), sewing));
    ASSERT_EQ(standing.size(), std::size_t(kSteps));
    for (int k = 1; k <= kSteps; ++k)
        EXPECT_NEAR(standing[std::size_t(k - 1)], double(k) / kSteps, 1e-9) << "step " << k;
}
