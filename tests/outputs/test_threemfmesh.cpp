// Mesh extraction for 3MF: per-solid welding, the open / inside-out / non-manifold checks,
// and the triangle ranges of the appended parts.
#include "logcapture.h"

#include "outputs/threemfexporter.h"

#include <BRepAlgoAPI_BuilderAlgo.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shell.hxx>

#include <gtest/gtest.h>

namespace {

double signedVolume6(const ShellMesh& mesh)
{
    double s = 0.0;
    for (const MeshTriangle& t : mesh.triangles) {
        const MeshVertex& a = mesh.vertices[t.v1];
        const MeshVertex& b = mesh.vertices[t.v2];
        const MeshVertex& c = mesh.vertices[t.v3];
        s += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) + a.z * (b.x * c.y - b.y * c.x);
    }
    return s;
}

TopoDS_Shape box(double x, double y, double z, double dx, double dy, double dz)
{
    return BRepPrimAPI_MakeBox(gp_Pnt(x, y, z), dx, dy, dz).Shape();
}

// The box's faces without its last one, as a shell (no solid).
TopoDS_Shape openBox()
{
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    int n = 0;
    for (TopExp_Explorer it(box(0, 0, 0, 10, 10, 10), TopAbs_FACE); it.More(); it.Next())
        if (++n < 6)
            builder.Add(shell, it.Current());
    return shell;
}

ShellMesh quad(double z, double shift)
{
    // Two triangles whose shared edge's nodes differ by shift.
    ShellMesh m;
    m.vertices = {{0, 0, z}, {1, 0, z}, {0, 1, z}, {1 + shift, 0, z}, {1, 1, z}, {0, 1 + shift, z}};
    m.triangles = {{0, 1, 2}, {3, 4, 5}};
    return m;
}

} // namespace

TEST(ThreeMfTriangulate, ClosedBoxIsOneWeldedOutwardMesh)
{
    FoundationLogCapture log;
    MeshCheckCounts counts;
    const ShellMesh mesh = ThreeMfExporter::triangulate(box(0, 0, 0, 10, 20, 5), 0.05, 0.5, 0.0, &counts);
    EXPECT_EQ(mesh.vertices.size(), 8);
    EXPECT_EQ(mesh.triangles.size(), 12);
    EXPECT_NEAR(signedVolume6(mesh), 6.0 * 1000.0, 1e-6);
    EXPECT_EQ(counts.openShells + counts.flippedShells + counts.nonManifoldEdges + counts.unmeshedFaces, 0);
    EXPECT_TRUE(log.warnings().isEmpty()) << log.joined().toStdString();
}

TEST(ThreeMfTriangulate, InsideOutSolidIsFlippedAndCounted)
{
    FoundationLogCapture log;
    MeshCheckCounts counts;
    const ShellMesh mesh =
        ThreeMfExporter::triangulate(box(0, 0, 0, 10, 10, 10).Reversed(), 0.05, 0.5, 0.0, &counts);
    EXPECT_EQ(counts.flippedShells, 1);
    EXPECT_GT(signedVolume6(mesh), 0.0);
    EXPECT_TRUE(log.contains("inside-out shell flipped")) << log.joined().toStdString();
    EXPECT_TRUE(log.contains("12 triangle(s)"));
}

TEST(ThreeMfTriangulate, MissingFaceLeavesAnOpenShellThatIsNeverFlipped)
{
    FoundationLogCapture log;
    MeshCheckCounts counts;
    // Reversed as well: a closed mesh would be flipped, an open one must be left alone.
    const ShellMesh mesh = ThreeMfExporter::triangulate(openBox().Reversed(), 0.05, 0.5, 0.0, &counts);
    ASSERT_EQ(mesh.triangles.size(), 10);
    EXPECT_EQ(counts.openShells, 1);
    EXPECT_EQ(counts.flippedShells, 0);
    EXPECT_TRUE(log.contains("shell left open — 4 boundary edge(s), 10 triangle(s)")) << log.joined().toStdString();
}

TEST(ThreeMfTriangulate, SolidsAreWeldedApartAndSharedFacesMeshedWithEach)
{
    // Two boxes touching along x = 10, once as independent solids and once split by the
    // general fuse so that both solids hold the very same face between them.
    BRep_Builder builder;
    TopoDS_Compound pair;
    builder.MakeCompound(pair);
    builder.Add(pair, box(0, 0, 0, 10, 10, 10));
    builder.Add(pair, box(10, 0, 0, 10, 10, 10));

    TopTools_ListOfShape arguments;
    arguments.Append(box(0, 0, 0, 10, 10, 10));
    arguments.Append(box(10, 0, 0, 10, 10, 10));
    BRepAlgoAPI_BuilderAlgo split;
    split.SetArguments(arguments);
    split.Build();
    ASSERT_TRUE(split.IsDone());
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(split.Shape(), TopAbs_FACE, faces);
    ASSERT_EQ(faces.Extent(), 11) << "the touching face is shared";

    for (const TopoDS_Shape& shape : {TopoDS_Shape(pair), split.Shape()}) {
        FoundationLogCapture log;
        MeshCheckCounts counts;
        const ShellMesh mesh = ThreeMfExporter::triangulate(shape, 0.05, 0.5, 0.0, &counts);
        // Coincident corners of the two solids stay separate vertices; each solid is closed.
        EXPECT_EQ(mesh.vertices.size(), 16);
        EXPECT_EQ(mesh.triangles.size(), 24);
        EXPECT_EQ(counts.openShells + counts.nonManifoldEdges + counts.flippedShells, 0) << log.joined().toStdString();
    }
}

TEST(ThreeMfTriangulate, NullShapeGivesNothing)
{
    MeshCheckCounts counts;
    EXPECT_TRUE(ThreeMfExporter::triangulate(TopoDS_Shape(), 0.05, 0.5, 0.0, &counts).isEmpty());
    EXPECT_TRUE(ThreeMfExporter::triangulate(TopoDS_Compound(), 0.05, 0.5, 0.0, nullptr).isEmpty());
}

TEST(ThreeMfWeld, NodesWithinTheToleranceMergeOthersStaySeparate)
{
    const double w = 2e-5;
    struct Row { const char* what; double shift; int vertices; int boundary; };
    const Row rows[] = {
        {"identical nodes", 0.0, 4, 4},
        {"half the tolerance apart", 0.5 * w, 4, 4},
        {"just inside the tolerance", 0.9 * w, 4, 4},
        {"twice the tolerance apart", 2.0 * w, 6, 6},
    };
    for (const Row& row : rows) {
        FoundationLogCapture log;
        ShellMesh mesh = quad(0.0, row.shift);
        MeshCheckCounts counts;
        ThreeMfExporter::weldAndCheckShell(mesh, w, &counts);
        EXPECT_EQ(mesh.vertices.size(), row.vertices) << row.what;
        EXPECT_EQ(counts.openShells, 1) << row.what;
        EXPECT_TRUE(log.contains(QStringLiteral("— %1 boundary edge(s)").arg(row.boundary))) << row.what;
    }
}

TEST(ThreeMfWeld, CollapsedTrianglesAreDroppedAndFarCoordinatesDoNotOverflow)
{
    FoundationLogCapture log;
    ShellMesh mesh;
    // The second triangle collapses onto an edge once its close nodes merge; huge and
    // negative coordinates must neither overflow the grid nor merge with anything.
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1e-9, 0, 0}, {-1e15, 1e15, 1e300}, {1, 1e-9, 0}};
    mesh.triangles = {{0, 1, 2}, {3, 4, 5}, {0, 3, 1}};
    ThreeMfExporter::weldAndCheckShell(mesh, 1e-6, nullptr);
    ASSERT_EQ(mesh.vertices.size(), 4);
    ASSERT_EQ(mesh.triangles.size(), 2);
    EXPECT_EQ(mesh.triangles[1].v1, 0u);
    EXPECT_EQ(mesh.triangles[1].v2, 3u);
    EXPECT_EQ(mesh.triangles[1].v3, 1u);
}

TEST(ThreeMfWeld, ThreeTrianglesOnOneEdgeAreNonManifold)
{
    FoundationLogCapture log;
    // A closed tetrahedron plus a fin on one of its edges: no boundary once the fin is closed
    // by its own pair of triangles, so the non-manifold warning is the one that speaks.
    ShellMesh mesh;
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, -1}};
    mesh.triangles = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}, {0, 1, 4}, {0, 4, 1}};
    MeshCheckCounts counts;
    ThreeMfExporter::weldAndCheckShell(mesh, 1e-6, &counts);
    EXPECT_EQ(counts.nonManifoldEdges, 1);
    EXPECT_EQ(counts.openShells, 0);
    EXPECT_TRUE(log.contains("1 edge(s) shared by more than two triangles in one shell")) << log.joined().toStdString();
}

TEST(ThreeMfAppendPart, RangesFollowOneAnotherAndIndicesShift)
{
    ThreeMfMesh model;
    ShellMesh first;
    first.vertices.resize(60);
    first.triangles.fill(MeshTriangle{0, 1, 2}, 100);
    ThreeMfExporter::appendPart(model, "Vantorquelle_Piece", false, first);

    ThreeMfExporter::appendPart(model, "ignored", true, ShellMesh());
    ASSERT_EQ(model.parts.size(), 1);

    ShellMesh second;
    second.vertices.resize(8);
    second.triangles.fill(MeshTriangle{0, 1, 7}, 12);
    ThreeMfExporter::appendPart(model, "Cond_GND", true, second);

    ASSERT_EQ(model.parts.size(), 2);
    EXPECT_EQ(model.parts[1].name, "Cond_GND");
    EXPECT_TRUE(model.parts[1].conductor);
    EXPECT_EQ(model.parts[0].firstTriangle, 0u);
    EXPECT_EQ(model.parts[0].lastTriangle, 99u);
    EXPECT_EQ(model.parts[1].firstTriangle, 100u);
    EXPECT_EQ(model.parts[1].lastTriangle, 111u);
    EXPECT_EQ(model.vertices.size(), 68);
    EXPECT_EQ(model.triangles[100].v1, 60u);
    EXPECT_EQ(model.triangles[100].v3, 67u);
}
