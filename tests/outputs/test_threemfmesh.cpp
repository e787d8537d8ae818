// Mesh extraction for 3MF: per-solid welding, the open / inside-out / non-manifold checks, the
// faces left out, and the triangle ranges of the appended parts.
#include "logcapture.h"
#include "meshchecks.h"

#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_BuilderAlgo.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Geom2d_Curve.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Vertex.hxx>
#include <gp_Pln.hxx>

#include <gtest/gtest.h>

#include <tuple>

namespace {

TopoDS_Shape box(double x, double dx = 10.0)
{
    return BRepPrimAPI_MakeBox(gp_Pnt(x, 0, 0), dx, 10.0, 10.0).Shape();
}

TopoDS_Shape openBox() // five faces of a box, as a shell
{
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    int n = 0;
    for (TopExp_Explorer it(box(0), TopAbs_FACE); it.More() && ++n < 6; it.Next())
        builder.Add(shell, it.Current());
    return shell;
}

TopoDS_Shape twoBoxes(bool sharingAFace)
{
    if (sharingAFace) { // the general fuse makes the touching face one face of both solids
        TopTools_ListOfShape arguments;
        arguments.Append(box(0));
        arguments.Append(box(10));
        BRepAlgoAPI_BuilderAlgo split;
        split.SetArguments(arguments);
        split.Build();
        return split.Shape();
    }
    return StepExporter::compoundOf({box(0), box(10)});
}

} // namespace

namespace {

// A tetrahedron whose edge AB is three coincident edges with two lens faces between them, as
// STL parts can come: faces without area, which no mesher triangulates.
TopoDS_Shape tetrahedronWithLenses()
{
    const TopoDS_Vertex a = BRepBuilderAPI_MakeVertex(gp_Pnt(0, 0, 0)), b = BRepBuilderAPI_MakeVertex(gp_Pnt(10, 0, 0)),
                        c = BRepBuilderAPI_MakeVertex(gp_Pnt(5, 8, 0)), d = BRepBuilderAPI_MakeVertex(gp_Pnt(5, 3, 6));
    const auto e = [](const TopoDS_Vertex& from, const TopoDS_Vertex& to) {
        return BRepBuilderAPI_MakeEdge(from, to).Edge();
    };
    const TopoDS_Edge ab1 = e(a, b), ab2 = e(a, b), ab3 = e(a, b), bc = e(b, c), ca = e(c, a), ad = e(a, d),
                      bd = e(b, d), cd = e(c, d);
    const auto face = [](const TopoDS_Edge& one, const TopoDS_Edge& two, const TopoDS_Edge& three) {
        return BRepBuilderAPI_MakeFace(BRepBuilderAPI_MakeWire(one, two, three).Wire(), true).Face();
    };
    const auto lens = [](const TopoDS_Edge& one, const TopoDS_Edge& other) {
        const TopoDS_Wire wire = BRepBuilderAPI_MakeWire(one, other).Wire();
        return BRepBuilderAPI_MakeFace(gp_Pln(gp::Origin(), gp::DY()), wire).Face();
    };
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    for (const TopoDS_Face& f : {face(ca, bc, ab3), face(ab1, bd, ad), face(bc, cd, bd), face(ca, ad, cd),
                                 lens(ab1, ab2), lens(ab2, ab3)})
        builder.Add(shell, f);
    return shell;
}

// A cylinder whose side has lost its edges' curves on it: neither the mesher nor its edges
// can mesh it.
TopoDS_Shape cylinderWithoutSide()
{
    const TopoDS_Shape cylinder = BRepBuilderAPI_Copy(BRepPrimAPI_MakeCylinder(2.0, 3.0).Shape()).Shape();
    for (TopExp_Explorer face(cylinder, TopAbs_FACE); face.More(); face.Next()) {
        const TopoDS_Face& side = TopoDS::Face(face.Current());
        if (BRepAdaptor_Surface(side).GetType() != GeomAbs_Cylinder)
            continue;
        for (TopExp_Explorer edge(side, TopAbs_EDGE); edge.More(); edge.Next()) {
            const TopoDS_Edge& e = TopoDS::Edge(edge.Current());
            if (BRep_Tool::IsClosed(e, side))
                BRep_Builder().UpdateEdge(e, Handle(Geom2d_Curve)(), Handle(Geom2d_Curve)(), side, 1e-7);
            else
                BRep_Builder().UpdateEdge(e, Handle(Geom2d_Curve)(), side, 1e-7);
        }
    }
    return cylinder;
}

} // namespace

// Solids come out closed, outward and welded apart. Faces that neither the mesher nor their
// edges can mesh are counted as holes only where the written shell stays open along them: lens
// faces without area between faces that meet are no hole, a cylinder's side without its edges'
// curves on it is one.
TEST(ThreeMfTriangulate, SolidsComeOutClosedOutwardAndWeldedApart)
{
    struct Row
    {
        const char* what;
        TopoDS_Shape shape;
        int vertices, triangles, open, flipped, holes;
        QStringList warnings;
    };
    const Row rows[] = {
        {"box", box(0, 20), 8, 12, 0, 0, 0, {}},
        {"inside-out box is flipped", box(0).Reversed(), 8, 12, 0, 1, 0, {"inside-out shell flipped (12 triangle(s))"}},
        {"open shell is never flipped", openBox().Reversed(), 8, 10, 1, 0, 0,
         {"shell left open — 4 boundary edge(s), 10 triangle(s)"}},
        {"two solids are welded apart", twoBoxes(false), 16, 24, 0, 0, 0, {}},
        {"a shared face closes both solids", twoBoxes(true), 16, 24, 0, 0, 0, {}},
        {"two lens faces along one edge of a tetrahedron", tetrahedronWithLenses(), 4, 4, 0, 0, 0, {}},
        {"cylinder whose side cannot be meshed", cylinderWithoutSide(), 52, 48, 1, 0, 1,
         {"shell left open — 52 boundary edge(s), 48 triangle(s)",
          "1 face(s) came back without a triangulation — the shell is written with that many holes"}},
    };
    for (const Row& row : rows) {
        FoundationLogCapture log;
        MeshCheckCounts counts;
        const ShellMesh mesh = ThreeMfExporter::triangulate(row.shape, 0.05, 0.5, 0.0, &counts);
        EXPECT_EQ(mesh.vertices.size(), row.vertices) << row.what;
        EXPECT_EQ(mesh.triangles.size(), row.triangles) << row.what;
        EXPECT_EQ(counts.openShells, row.open) << row.what;
        EXPECT_EQ(counts.flippedShells, row.flipped) << row.what;
        EXPECT_EQ(counts.unmeshedFaces, row.holes) << row.what;
        if (!row.open) {
            EXPECT_GT(MeshChecks::enclosedVolume(mesh), 0.0) << row.what;
        }
        EXPECT_EQ(log.warnings().size(), row.warnings.size()) << row.what << log.joined().toStdString();
        for (const QString& warning : row.warnings)
            EXPECT_TRUE(log.contains(warning)) << row.what << log.joined().toStdString();
    }
    EXPECT_TRUE(ThreeMfExporter::triangulate(TopoDS_Shape(), 0.05, 0.5, 0.0, nullptr).isEmpty());
}

TEST(ThreeMfWeld, MergesWithinToleranceDropsCollapsedTrianglesCountsNonManifold)
{
    const double w = 2e-5;
    FoundationLogCapture log;
    // Two triangles whose shared edge's nodes differ by shift: merged within W, apart at 2 W.
    for (const auto& [shift, vertices] : {std::pair{0.9 * w, 4}, std::pair{2.0 * w, 6}}) {
        ShellMesh m;
        m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1 + shift, 0, 0}, {1, 1, 0}, {0, 1 + shift, 0}};
        m.triangles = {{0, 1, 2}, {3, 4, 5}};
        ThreeMfExporter::weldAndCheckShell(m, w, nullptr);
        EXPECT_EQ(m.vertices.size(), vertices) << shift;
    }

    // A triangle collapses once its close nodes merge; far coordinates must not overflow the grid.
    ShellMesh m;
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1e-9, 0, 0}, {-1e15, 1e15, 1e300}, {1, 1e-9, 0}};
    m.triangles = {{0, 1, 2}, {3, 4, 5}, {0, 3, 1}};
    ThreeMfExporter::weldAndCheckShell(m, 1e-6, nullptr);
    ASSERT_EQ(m.triangles.size(), 2);
    EXPECT_EQ(std::tuple(m.triangles[1].v1, m.triangles[1].v2, m.triangles[1].v3), std::tuple(0u, 3u, 1u));

    // A closed tetrahedron with a two-sided fin on one edge: that edge has four uses.
    ShellMesh fin;
    fin.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, -1}};
    fin.triangles = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}, {0, 1, 4}, {0, 4, 1}};
    MeshCheckCounts counts;
    ThreeMfExporter::weldAndCheckShell(fin, 1e-6, &counts);
    EXPECT_EQ(counts.nonManifoldEdges, 1);
    EXPECT_EQ(counts.openShells + counts.flippedShells, 0);
    EXPECT_TRUE(log.contains("1 edge(s) shared by more than two triangles in one shell")) << log.joined().toStdString();
}

TEST(ThreeMfAppendPart, RangesFollowOneAnotherAndIndicesShift)
{
    ThreeMfMesh model;
    ShellMesh first, second;
    first.vertices.resize(60);
    first.triangles.fill(MeshTriangle{0, 1, 2}, 100);
    second.vertices.resize(8);
    second.triangles.fill(MeshTriangle{0, 1, 7}, 12);
    ThreeMfExporter::appendPart(model, "Vantorquelle_Piece", false, first);
    ThreeMfExporter::appendPart(model, "ignored", true, ShellMesh());
    ThreeMfExporter::appendPart(model, "Cond_GND", true, second);

    ASSERT_EQ(model.parts.size(), 2);
    EXPECT_EQ(model.parts[0].lastTriangle, 99u);
    EXPECT_EQ(model.parts[1].name, "Cond_GND");
    EXPECT_TRUE(model.parts[1].conductor);
    EXPECT_EQ(model.parts[1].firstTriangle, 100u);
    EXPECT_EQ(model.parts[1].lastTriangle, 111u);
    EXPECT_EQ(model.vertices.size(), 68);
    EXPECT_EQ(model.triangles[100].v1, 60u);
    EXPECT_EQ(model.triangles[100].v3, 67u);
}
