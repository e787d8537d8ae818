#include "foundation/stlshellbuilder.h"
#include "foundation/stlmesh.h"

#include <BRepCheck_Analyzer.hxx>
#include <BRepCheck_ListOfStatus.hxx>
#include <BRepCheck_Shell.hxx>
#include <BRepCheck_Solid.hxx>
#include <BRep_Builder.hxx>
#include <BRep_CurveRepresentation.hxx>
#include <BRep_TEdge.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <TopExp_Explorer.hxx>
#include <ElSLib.hxx>
#include <Geom2d_Line.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <Poly_PolygonOnTriangulation.hxx>
#include <Poly_Triangulation.hxx>
#include <Precision.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TopExp.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Ax3.hxx>

#include <OSD_Parallel.hxx>

#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace {

// One side of a triangle: the node pair in ascending order, which side of the triangle it is
// (from corner side to corner side + 1) and whether the triangle runs along it from the lower
// to the higher node.
struct HalfEdge
{
    int low;
    int high;
    int triangle;
    bool ascending;
    char side;
};

using Cell = std::array<std::int64_t, 3>;

struct CellHash
{
    std::size_t operator()(const Cell& c) const
    {
        // Unsigned: far-away coordinates give cells whose products overflow a signed integer.
        return std::size_t(std::uint64_t(c[0]) * 73856093ULL) ^ std::size_t(std::uint64_t(c[1]) * 19349663ULL)
            ^ std::size_t(std::uint64_t(c[2]) * 83492791ULL);
    }
};

// Indices (of nodes or triangles) listed by the cell of a uniform grid they fall in.
using CellGrid = std::unordered_map<Cell, std::vector<int>, CellHash>;

// True when two distinct nodes lie within the tolerance: sewing would merge them.
bool hasNodesWithin(const StlMesh& mesh, const std::vector<char>& used, double tolerance)
{
    CellGrid grid;
    const double tol2 = tolerance * tolerance;
    for (std::size_t i = 0; i < mesh.nodes.size(); ++i) {
        if (!used[i])
            continue;
        const gp_XYZ& p = mesh.nodes[i];
        // Cell numbers must fit in 64 bits; so far out, leave the merging to sewing.
        if (std::max({std::abs(p.X()), std::abs(p.Y()), std::abs(p.Z())}) / tolerance > 1e15)
            return true;
        const Cell cell{std::int64_t(std::floor(p.X() / tolerance)),
                                               std::int64_t(std::floor(p.Y() / tolerance)),
                                               std::int64_t(std::floor(p.Z() / tolerance))};
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dz = -1; dz <= 1; ++dz) {
                    const auto it = grid.find({cell[0] + dx, cell[1] + dy, cell[2] + dz});
                    if (it == grid.end())
                        continue;
                    for (const int j : it->second)
                        if ((mesh.nodes[std::size_t(j)] - p).SquareModulus() <= tol2)
                            return true;
                }
        grid[cell].push_back(int(i));
    }
    return false;
}

// True when a vertex lies within the tolerance of its opposite side: sewing could cut there.
bool hasSliver(const StlMesh& mesh, double tolerance)
{
    for (const auto& t : mesh.triangles) {
        const gp_XYZ& a = mesh.nodes[std::size_t(t[0])];
        const gp_XYZ& b = mesh.nodes[std::size_t(t[1])];
        const gp_XYZ& c = mesh.nodes[std::size_t(t[2])];
        const double twiceArea = ((b - a) ^ (c - a)).Modulus();
        const double longest = std::max({(b - a).Modulus(), (c - b).Modulus(), (a - c).Modulus()});
        if (!(twiceArea / longest >= tolerance))
            return true;
    }
    return false;
}

// Distance from p to the triangle abc (closest point by Voronoi regions).
double distanceToTriangle(const gp_XYZ& p, const gp_XYZ& a, const gp_XYZ& b, const gp_XYZ& c)
{
    const gp_XYZ ab = b - a, ac = c - a, ap = p - a;
    const double d1 = ab.Dot(ap), d2 = ac.Dot(ap);
    if (d1 <= 0 && d2 <= 0)
        return (p - a).Modulus();
    const gp_XYZ bp = p - b;
    const double d3 = ab.Dot(bp), d4 = ac.Dot(bp);
    if (d3 >= 0 && d4 <= d3)
        return (p - b).Modulus();
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return (p - (a + ab * (d1 / (d1 - d3)))).Modulus();
    const gp_XYZ cp = p - c;
    const double d5 = ab.Dot(cp), d6 = ac.Dot(cp);
    if (d6 >= 0 && d5 <= d6)
        return (p - c).Modulus();
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return (p - (a + ac * (d2 / (d2 - d6)))).Modulus();
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return (p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))))).Modulus();
    const double denom = 1.0 / (va + vb + vc);
    return (p - (a + ab * (vb * denom) + ac * (vc * denom))).Modulus();
}

// True when a node of one shell lies within the tolerance of a triangle of another: sewing
// would cut and join the shells there.
bool shellsComeClose(const StlMesh& mesh, const std::vector<int>& component, int componentCount,
                     const std::vector<int>& nodeComponent, double tolerance)
{
    if (componentCount < 2)
        return false;
    std::vector<Bnd_Box> boxes(static_cast<std::size_t>(componentCount));
    Bnd_Box all;
    double sides = 0.0;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const auto& tri = mesh.triangles[t];
        for (int k = 0; k < 3; ++k) {
            boxes[std::size_t(component[t])].Add(gp_Pnt(mesh.nodes[std::size_t(tri[std::size_t(k)])]));
            sides += (mesh.nodes[std::size_t(tri[std::size_t(k)])] - mesh.nodes[std::size_t(tri[std::size_t((k + 1) % 3)])])
                         .Modulus();
        }
    }
    bool overlap = false;
    for (auto& box : boxes) {
        box.Enlarge(tolerance);
        all.Add(box);
    }
    for (std::size_t i = 0; i < boxes.size() && !overlap; ++i)
        for (std::size_t j = i + 1; j < boxes.size() && !overlap; ++j)
            overlap = !boxes[i].IsOut(boxes[j]);
    if (!overlap)
        return false;

    // A grid of cells about one mean side long, each listing the triangles whose widened box
    // meets it; every node is then compared with the triangles of its cell.
    const double cell = std::max(sides / double(3 * mesh.triangles.size()), 4.0 * tolerance);
    double x0, y0, z0, x1, y1, z1;
    all.Get(x0, y0, z0, x1, y1, z1);
    if ((x1 - x0) / cell > 1e6 || (y1 - y0) / cell > 1e6 || (z1 - z0) / cell > 1e6)
        return true;
    auto key = [&](const gp_XYZ& p, double dx, double dy, double dz) {
        return Cell{std::int64_t((p.X() + dx - x0) / cell), std::int64_t((p.Y() + dy - y0) / cell),
                                           std::int64_t((p.Z() + dz - z0) / cell)};
    };
    CellGrid grid;
    std::size_t entries = 0;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const auto& tri = mesh.triangles[t];
        Bnd_Box box;
        for (const int n : tri)
            box.Add(gp_Pnt(mesh.nodes[std::size_t(n)]));
        double a0, b0, c0, a1, b1, c1;
        box.Get(a0, b0, c0, a1, b1, c1);
        const auto lo = key(gp_XYZ(a0, b0, c0), -tolerance, -tolerance, -tolerance);
        const auto hi = key(gp_XYZ(a1, b1, c1), tolerance, tolerance, tolerance);
        entries += std::size_t((hi[0] - lo[0] + 1) * (hi[1] - lo[1] + 1) * (hi[2] - lo[2] + 1));
        if (entries > 64 * mesh.triangles.size())
            return true;  // long thin triangles everywhere: not worth telling apart
        for (std::int64_t i = lo[0]; i <= hi[0]; ++i)
            for (std::int64_t j = lo[1]; j <= hi[1]; ++j)
                for (std::int64_t k = lo[2]; k <= hi[2]; ++k)
                    grid[{i, j, k}].push_back(int(t));
    }
    for (std::size_t n = 0; n < mesh.nodes.size(); ++n) {
        if (nodeComponent[n] < 0)
            continue;
        const gp_XYZ& p = mesh.nodes[n];
        const auto it = grid.find(key(p, 0, 0, 0));
        if (it == grid.end())
            continue;
        for (const int t : it->second) {
            if (component[std::size_t(t)] == nodeComponent[n])
                continue;
            const auto& tri = mesh.triangles[std::size_t(t)];
            if (distanceToTriangle(p, mesh.nodes[std::size_t(tri[0])], mesh.nodes[std::size_t(tri[1])],
                                   mesh.nodes[std::size_t(tri[2])])
                <= tolerance)
                return true;
        }
    }
    return false;
}

class Builder
{
public:
    Builder(const StlMesh& mesh, double tolerance) : m_mesh(mesh), m_tolerance(tolerance) {}

    TopoDS_Shape run()
    {
        const std::size_t nt = m_mesh.triangles.size();
        std::vector<char> used(m_mesh.nodes.size(), 0);
        for (const auto& t : m_mesh.triangles)
            for (const int n : t)
                used[std::size_t(n)] = 1;
        if (hasSliver(m_mesh, m_tolerance) || hasNodesWithin(m_mesh, used, m_tolerance))
            return TopoDS_Shape();

        // Every side must be shared by exactly two triangles: anything else is open or
        // non-manifold, which only sewing handles.
        m_halfEdges.reserve(3 * nt);
        for (std::size_t t = 0; t < nt; ++t) {
            const auto& tri = m_mesh.triangles[t];
            for (int k = 0; k < 3; ++k) {
                const int a = tri[std::size_t(k)];
                const int b = tri[std::size_t((k + 1) % 3)];
                m_halfEdges.push_back({std::min(a, b), std::max(a, b), int(t), a < b, char(k)});
            }
        }
        std::sort(m_halfEdges.begin(), m_halfEdges.end(), [](const HalfEdge& x, const HalfEdge& y) {
            return x.low != y.low ? x.low < y.low : (x.high != y.high ? x.high < y.high : x.triangle < y.triangle);
        });
        const std::size_t nh = m_halfEdges.size();
        for (std::size_t i = 0; i < nh; i += 2) {
            if (i + 1 >= nh || !samePair(i, i + 1) || (i + 2 < nh && samePair(i + 1, i + 2)))
                return TopoDS_Shape();
        }
        // Which edge (pair index) each triangle side uses.
        m_sideEdge.assign(3 * nt, -1);
        for (std::size_t i = 0; i < nh; ++i) {
            const HalfEdge& h = m_halfEdges[i];
            m_sideEdge[3 * std::size_t(h.triangle) + std::size_t(h.side)] = int(i / 2);
        }

        if (!orientComponents())
            return TopoDS_Shape();
        return makeSolids(used);
    }

private:
    bool samePair(std::size_t i, std::size_t j) const
    {
        return m_halfEdges[i].low == m_halfEdges[j].low && m_halfEdges[i].high == m_halfEdges[j].high;
    }

    // Gives every triangle a flip flag so that each shared edge is run in opposite directions
    // by its two triangles, splits the triangles into connected shells and turns each shell
    // outward. False for a non-orientable or flat shell, or shells that touch at a node.
    bool orientComponents()
    {
        const std::size_t nt = m_mesh.triangles.size();
        m_flip.assign(nt, 0);
        m_component.assign(nt, -1);
        std::vector<int> stack;
        for (std::size_t seed = 0; seed < nt; ++seed) {
            if (m_component[seed] >= 0)
                continue;
            const int component = m_componentCount++;
            m_component[seed] = component;
            stack.push_back(int(seed));
            while (!stack.empty()) {
                const int t = stack.back();
                stack.pop_back();
                for (int k = 0; k < 3; ++k) {
                    const int edge = m_sideEdge[3 * std::size_t(t) + std::size_t(k)];
                    const HalfEdge& h0 = m_halfEdges[2 * std::size_t(edge)];
                    const HalfEdge& h1 = m_halfEdges[2 * std::size_t(edge) + 1];
                    const HalfEdge& self = h0.triangle == t ? h0 : h1;
                    const HalfEdge& other = h0.triangle == t ? h1 : h0;
                    if (other.triangle == t)
                        return false;
                    const char wanted = char(m_flip[std::size_t(t)] ^ (self.ascending == other.ascending ? 1 : 0));
                    if (m_component[std::size_t(other.triangle)] < 0) {
                        m_component[std::size_t(other.triangle)] = component;
                        m_flip[std::size_t(other.triangle)] = wanted;
                        stack.push_back(other.triangle);
                    } else if (m_flip[std::size_t(other.triangle)] != wanted) {
                        return false;
                    }
                }
            }
        }

        // Shells that share a node would be joined there by sewing.
        std::vector<int> nodeComponent(m_mesh.nodes.size(), -1);
        for (std::size_t t = 0; t < nt; ++t)
            for (const int n : m_mesh.triangles[t]) {
                int& c = nodeComponent[std::size_t(n)];
                if (c >= 0 && c != m_component[t])
                    return false;
                c = m_component[t];
            }
        if (shellsComeClose(m_mesh, m_component, m_componentCount, nodeComponent, m_tolerance))
            return false;

        std::vector<double> volume(std::size_t(m_componentCount), 0.0);
        std::vector<int> size(std::size_t(m_componentCount), 0);
        for (std::size_t t = 0; t < nt; ++t) {
            const auto& tri = m_mesh.triangles[t];
            const gp_XYZ& a = m_mesh.nodes[std::size_t(tri[0])];
            const gp_XYZ& b = m_mesh.nodes[std::size_t(tri[1])];
            const gp_XYZ& c = m_mesh.nodes[std::size_t(tri[2])];
            const double v = a.Dot(b ^ c) / 6.0;
            volume[std::size_t(m_component[t])] += m_flip[t] ? -v : v;
            ++size[std::size_t(m_component[t])];
        }
        for (int c = 0; c < m_componentCount; ++c) {
            if (size[std::size_t(c)] < 4 || std::abs(volume[std::size_t(c)]) <= 1e-7)
                return false;
        }
        for (std::size_t t = 0; t < nt; ++t)
            if (volume[std::size_t(m_component[t])] < 0.0)
                m_flip[t] ^= 1;
        return true;
    }

    TopoDS_Shape makeSolids(const std::vector<char>& used)
    {
        const double tol = Precision::Confusion();
        BRep_Builder b;

        std::vector<TopoDS_Vertex> vertices(m_mesh.nodes.size());
        for (std::size_t i = 0; i < m_mesh.nodes.size(); ++i)
            if (used[i])
                b.MakeVertex(vertices[i], gp_Pnt(m_mesh.nodes[i]), tol);

        const std::size_t edgeCount = m_halfEdges.size() / 2;
        std::vector<TopoDS_Edge> edges(edgeCount);
        for (std::size_t e = 0; e < edgeCount; ++e) {
            const HalfEdge& h = m_halfEdges[2 * e];
            const gp_Pnt p(m_mesh.nodes[std::size_t(h.low)]);
            const gp_Vec d(p, gp_Pnt(m_mesh.nodes[std::size_t(h.high)]));
            b.MakeEdge(edges[e], new Geom_Line(p, gp_Dir(d)), tol);
            b.Add(edges[e], vertices[std::size_t(h.low)].Oriented(TopAbs_FORWARD));
            b.Add(edges[e], vertices[std::size_t(h.high)].Oriented(TopAbs_REVERSED));
            b.Range(edges[e], 0.0, d.Magnitude());
        }

        std::vector<TopoDS_Shell> shells(static_cast<std::size_t>(m_componentCount));
        for (auto& shell : shells)
            b.MakeShell(shell);
        for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t) {
            const auto& tri = m_mesh.triangles[t];
            // Corners in the order that makes the normal point out of the shell.
            const int order[3] = {0, m_flip[t] ? 2 : 1, m_flip[t] ? 1 : 2};
            const gp_Pnt p0(m_mesh.nodes[std::size_t(tri[std::size_t(order[0])])]);
            const gp_Pnt p1(m_mesh.nodes[std::size_t(tri[std::size_t(order[1])])]);
            const gp_Pnt p2(m_mesh.nodes[std::size_t(tri[std::size_t(order[2])])]);
            const gp_Vec u(p0, p1);
            const gp_Ax3 frame(p0, gp_Dir(u.Crossed(gp_Vec(p0, p2))), gp_Dir(u));
            TopoDS_Face face;
            b.MakeFace(face, new Geom_Plane(frame), tol);
            TopoDS_Wire wire;
            b.MakeWire(wire);
            for (int k = 0; k < 3; ++k) {
                const int from = tri[std::size_t(order[k])];
                const int to = tri[std::size_t(order[(k + 1) % 3])];
                // Run backwards, the k-th side is the triangle's side 2 - k.
                const int side = m_flip[t] ? 2 - k : k;
                const int e = m_sideEdge[3 * t + std::size_t(side)];
                const TopoDS_Edge& edge = edges[std::size_t(e)];
                // The edge's line starts at its lower node; its image in the plane's frame.
                const gp_Pnt start(m_mesh.nodes[std::size_t(m_halfEdges[2 * std::size_t(e)].low)]);
                const gp_Pnt end(m_mesh.nodes[std::size_t(m_halfEdges[2 * std::size_t(e)].high)]);
                double u0, v0, u1, v1;
                ElSLib::PlaneParameters(frame, start, u0, v0);
                ElSLib::PlaneParameters(frame, end, u1, v1);
                b.UpdateEdge(edge, new Geom2d_Line(gp_Pnt2d(u0, v0), gp_Dir2d(u1 - u0, v1 - v0)), face, tol);
                b.Add(wire, from < to ? edge.Oriented(TopAbs_FORWARD) : edge.Oriented(TopAbs_REVERSED));
            }
            wire.Closed(true);
            b.Add(face, wire);
            b.Add(shells[std::size_t(m_component[t])], face);
        }

        std::vector<TopoDS_Solid> solids;
        for (auto& shell : shells) {
            shell.Closed(true);
            TopoDS_Solid solid;
            b.MakeSolid(solid);
            b.Add(solid, shell);
            solids.push_back(solid);
        }
        if (solids.size() == 1)
            return solids.front();
        TopoDS_Compound compound;
        b.MakeCompound(compound);
        for (const auto& solid : solids)
            b.Add(compound, solid);
        return compound;
    }

    const StlMesh& m_mesh;
    double m_tolerance;
    std::vector<HalfEdge> m_halfEdges;
    std::vector<int> m_sideEdge;
    std::vector<char> m_flip;
    std::vector<int> m_component;
    int m_componentCount = 0;
};

} // namespace

TopoDS_Shape StlShellBuilder::build(const StlMesh& mesh, double tolerance)
{
    if (mesh.triangles.empty() || !(tolerance > 0.0))
        return TopoDS_Shape();
    return Builder(mesh, tolerance).run();
}

namespace {

// The polygon an edge already has on a neighbouring face's triangle, if any.
Handle(Poly_PolygonOnTriangulation) existingPolygon(const TopoDS_Edge& edge)
{
    const Handle(BRep_TEdge) tedge = Handle(BRep_TEdge)::DownCast(edge.TShape());
    for (const Handle(BRep_CurveRepresentation)& representation : tedge->Curves())
        if (representation->IsPolygonOnTriangulation())
            return representation->PolygonOnTriangulation();
    return Handle(Poly_PolygonOnTriangulation)();
}

// The triangle of a face whose wire runs three straight sides: its corners in the order the
// face runs them, and for each side the corners at the edge's own first and last vertex.
struct FaceTriangle
{
    TopoDS_Edge sides[3];
    gp_Pnt corners[3];
    int first[3];
    int last[3];

    bool read(const TopoDS_Face& face)
    {
        // The triangle is given in the face's own frame, whatever way the shape holds it.
        TopoDS_Iterator wires(face.Oriented(TopAbs_FORWARD));
        if (!wires.More())
            return false;
        int count = 0;
        for (TopoDS_Iterator it(wires.Value()); it.More(); it.Next(), ++count) {
            if (count == 3 || it.Value().ShapeType() != TopAbs_EDGE)
                return false;
            sides[count] = TopoDS::Edge(it.Value());
        }
        if (count != 3)
            return false;
        for (int k = 0; k < 3; ++k) {
            corners[k] = BRep_Tool::Pnt(TopExp::FirstVertex(sides[k], true));
            const bool forward = sides[k].Orientation() == TopAbs_FORWARD;
            first[k] = forward ? k : (k + 1) % 3;
            last[k] = forward ? (k + 1) % 3 : k;
        }
        return true;
    }
};

} // namespace

void StlShellBuilder::attachTriangulations(const TopoDS_Shape& built)
{
    BRep_Builder b;
    FaceTriangle t;
    for (TopExp_Explorer ex(built, TopAbs_FACE); ex.More(); ex.Next()) {
        const TopoDS_Face& face = TopoDS::Face(ex.Current());
        TopLoc_Location location;
        if (!BRep_Tool::Triangulation(face, location).IsNull() || !t.read(face))
            continue;
        Handle(Poly_PolygonOnTriangulation) neighbours[3];
        for (int k = 0; k < 3; ++k)
            neighbours[k] = existingPolygon(t.sides[k]);

        // Which node each corner becomes. Numbering the ends of a shared edge as the face across
        // it did lets both faces use one polygon, which spares about 10 MB on 100k triangles.
        int node[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            const Handle(Poly_PolygonOnTriangulation)& p = neighbours[k];
            if (p.IsNull() || p->NbNodes() != 2)
                continue;
            const int a = t.first[k], c = t.last[k];
            const int na = p->Node(1), nc = p->Node(2);
            const int other = 3 - a - c;
            if (na < 1 || na > 3 || nc < 1 || nc > 3 || na == nc)
                continue;
            if ((node[a] != 0 && node[a] != na) || (node[c] != 0 && node[c] != nc)
                || (node[other] != 0 && (node[other] == na || node[other] == nc)))
                continue;
            node[a] = na;
            node[c] = nc;
        }
        for (int k = 0; k < 3; ++k) {
            if (node[k] != 0)
                continue;
            for (int n = 1; n <= 3; ++n)
                if (node[0] != n && node[1] != n && node[2] != n) {
                    node[k] = n;
                    break;
                }
        }

        Handle(Poly_Triangulation) mesh = new Poly_Triangulation(3, 1, false);
        for (int k = 0; k < 3; ++k)
            mesh->SetNode(node[k], t.corners[k]);
        // Corners in the face's order, so the triangle's normal is the face's.
        mesh->SetTriangle(1, Poly_Triangle(node[0], node[1], node[2]));
        mesh->Deflection(0.0);
        b.UpdateFace(face, mesh);
        for (int k = 0; k < 3; ++k) {
            // The polygon runs the edge's own way, from its first vertex to its last.
            const int from = node[t.first[k]];
            const int to = node[t.last[k]];
            Handle(Poly_PolygonOnTriangulation) polygon = neighbours[k];
            if (polygon.IsNull() || polygon->NbNodes() != 2 || polygon->Node(1) != from || polygon->Node(2) != to) {
                // The edge's parameters at its two ends, shared with its polygon on the other face.
                Handle(TColStd_HArray1OfReal) ends;
                if (!polygon.IsNull())
                    ends = polygon->Parameters();
                if (ends.IsNull()) {
                    double first = 0.0, last = 0.0;
                    BRep_Tool::Range(t.sides[k], first, last);
                    ends = new TColStd_HArray1OfReal(1, 2);
                    ends->SetValue(1, first);
                    ends->SetValue(2, last);
                }
                polygon = new Poly_PolygonOnTriangulation(2, false);
                polygon->SetNode(1, from);
                polygon->SetNode(2, to);
                polygon->SetParameters(ends);
                polygon->Deflection(0.0);
            }
            b.UpdateEdge(t.sides[k], polygon, mesh, TopLoc_Location());
        }
    }
}

namespace {

bool clean(const BRepCheck_ListOfStatus& statuses)
{
    for (const BRepCheck_Status status : statuses)
        if (status != BRepCheck_NoError)
            return false;
    return true;
}

// Shells and solids: closure, orientation and nesting.
bool shellsAndSolidsValid(const TopoDS_Shape& built)
{
    try {
        for (TopExp_Explorer ex(built, TopAbs_SHELL); ex.More(); ex.Next()) {
            Handle(BRepCheck_Shell) shell = new BRepCheck_Shell(TopoDS::Shell(ex.Current()));
            if (!clean(shell->Status()) || shell->Closed() != BRepCheck_NoError
                || shell->Orientation() != BRepCheck_NoError)
                return false;
        }
        for (TopExp_Explorer ex(built, TopAbs_SOLID); ex.More(); ex.Next()) {
            Handle(BRepCheck_Solid) solid = new BRepCheck_Solid(TopoDS::Solid(ex.Current()));
            if (!clean(solid->Status()))
                return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

bool StlShellBuilder::isValid(const TopoDS_Shape& built)
{
    if (built.IsNull())
        return false;
    // Every part of the check only reads the shape, so the shells are checked on their own
    // thread while the faces, independent of each other, are spread over OCCT's workers.
    std::future<bool> shells;
    try {
        shells = std::async(std::launch::async, shellsAndSolidsValid, std::cref(built));
    } catch (...) {
        // No thread to be had: the shells are checked after the faces instead.
    }
    std::atomic<bool> facesValid{true};
    try {
        std::vector<TopoDS_Shape> faces;
        for (TopExp_Explorer ex(built, TopAbs_FACE); ex.More(); ex.Next())
            faces.push_back(ex.Current());
        OSD_Parallel::For(0, int(faces.size()), [&](int i) {
            if (!facesValid.load(std::memory_order_relaxed))
                return;
            try {
                if (!BRepCheck_Analyzer(faces[std::size_t(i)], true, false).IsValid())
                    facesValid = false;
            } catch (...) {
                facesValid = false;
            }
        });
    } catch (...) {
        facesValid = false;
    }
    const bool shellsValid = shells.valid() ? shells.get() : shellsAndSolidsValid(built);
    return facesValid && shellsValid;
}
