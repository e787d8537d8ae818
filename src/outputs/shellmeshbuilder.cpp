#include "outputs/shellmeshbuilder.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <GCPnts_TangentialDeflection.hxx>
#include <Geom2d_Curve.hxx>
#include <Poly_PolygonOnTriangulation.hxx>
#include <Poly_Triangulation.hxx>
#include <Standard_Failure.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace {

using Uv = std::pair<double, double>;

MeshVertex toVertex(const gp_Pnt& p)
{
    return MeshVertex{p.X(), p.Y(), p.Z()};
}

double distance2(const MeshVertex& a, const MeshVertex& b)
{
    const double x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
    return x * x + y * y + z * z;
}

double orient(const Uv& a, const Uv& b, const Uv& c)
{
    return (b.first - a.first) * (c.second - a.second) - (b.second - a.second) * (c.first - a.first);
}

double signedArea(const std::vector<Uv>& loop)
{
    double area = 0.0;
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const Uv& a = loop[i];
        const Uv& b = loop[(i + 1) % loop.size()];
        area += a.first * b.second - b.first * a.second;
    }
    return 0.5 * area;
}

// The edges of a wire in the order they join, or as stored when they do not join.
std::vector<TopoDS_Edge> wireEdges(const TopoDS_Wire& wire, const TopoDS_Face& face)
{
    std::vector<TopoDS_Edge> joined, stored;
    for (TopoDS_Iterator it(wire); it.More(); it.Next())
        if (it.Value().ShapeType() == TopAbs_EDGE)
            stored.push_back(TopoDS::Edge(it.Value()));
    for (BRepTools_WireExplorer it(wire, face); it.More(); it.Next())
        joined.push_back(it.Current());
    return joined.size() == stored.size() ? joined : stored;
}

std::uint64_t segmentKey(std::uint32_t a, std::uint32_t b)
{
    return a < b ? (std::uint64_t(a) << 32) | b : (std::uint64_t(b) << 32) | a;
}

// Whether the triangles run along the face's edges as the edges' polygons say. After healing
// merged two vertices a hair apart, an edge can keep its curve while its polygon collapses on
// one node in one face and not in the next: such a face mesh would leave a hole beside it.
bool meshAgreesWithEdges(const TopoDS_Face& face, const Handle(Poly_Triangulation)& triangulation,
                         const TopLoc_Location& location)
{
    const int nodes = triangulation->NbNodes();
    std::unordered_map<std::uint64_t, std::pair<int, int>> segments; // listed by the edges, covered
    for (TopExp_Explorer it(face, TopAbs_EDGE); it.More(); it.Next()) {
        const TopoDS_Edge& edge = TopoDS::Edge(it.Current());
        if (BRep_Tool::Degenerated(edge))
            continue;
        const Handle(Poly_PolygonOnTriangulation) polygon =
            BRep_Tool::PolygonOnTriangulation(edge, triangulation, location);
        if (polygon.IsNull())
            continue;
        const int n = polygon->NbNodes();
        if (n < 2)
            return false;
        bool inRange = true;
        for (int j = 1; j <= n && inRange; ++j)
            inRange = polygon->Node(j) >= 1 && polygon->Node(j) <= nodes;
        if (!inRange)
            continue;
        // A closed edge ends on its first node; no other node may come twice.
        TopoDS_Vertex first, last;
        TopExp::Vertices(edge, first, last);
        const bool closed = n >= 3 && first.IsSame(last) && polygon->Node(1) == polygon->Node(n);
        std::unordered_set<int> seen;
        for (int j = 1; j <= (closed ? n - 1 : n); ++j)
            if (!seen.insert(polygon->Node(j)).second)
                return false;
        for (int j = 1; j < n; ++j)
            ++segments[segmentKey(std::uint32_t(polygon->Node(j)), std::uint32_t(polygon->Node(j + 1)))].first;
    }
    for (int i = 1; i <= triangulation->NbTriangles(); ++i) {
        int n[3] = {0, 0, 0};
        triangulation->Triangle(i).Get(n[0], n[1], n[2]);
        for (int k = 0; k < 3; ++k) {
            const auto found = segments.find(segmentKey(std::uint32_t(n[k]), std::uint32_t(n[(k + 1) % 3])));
            if (found != segments.end())
                ++found->second.second;
        }
    }
    return std::all_of(segments.begin(), segments.end(),
                       [](const auto& segment) { return segment.second.second >= segment.second.first; });
}

} // namespace

ShellMeshBuilder::ShellMeshBuilder(double linearDeflection, double angularDeflection)
    : m_linear(linearDeflection > 0.0 ? linearDeflection : 0.05)
    , m_angular(angularDeflection > 0.0 ? angularDeflection : 0.5)
{
}

std::uint32_t ShellMeshBuilder::newVertex(const MeshVertex& v)
{
    m_mesh.vertices.append(v);
    return std::uint32_t(m_mesh.vertices.size() - 1);
}

std::uint32_t ShellMeshBuilder::vertexId(const TopoDS_Shape& vertex, const MeshVertex& fallback)
{
    if (vertex.IsNull())
        return newVertex(fallback);
    if (const std::uint32_t* known = m_vertices.Seek(vertex))
        return *known;
    const std::uint32_t id = newVertex(fallback);
    m_vertices.Bind(vertex, id);
    return id;
}

bool ShellMeshBuilder::addTriangulatedFace(const TopoDS_Face& face)
{
    TopLoc_Location location;
    const Handle(Poly_Triangulation) triangulation = BRep_Tool::Triangulation(face, location);
    if (triangulation.IsNull() || triangulation->NbTriangles() == 0
        || !meshAgreesWithEdges(face, triangulation, location))
        return false;
    const gp_Trsf transform = location.Transformation();
    const bool identity = location.IsIdentity();
    const auto node = [&](int i) {
        gp_Pnt p = triangulation->Node(i);
        if (!identity)
            p.Transform(transform);
        return toVertex(p);
    };

    // Nodes on the face's edges take the ids of the edge's nodes, so that two faces meet on
    // the very same vertices; nodes inside the face get their own.
    std::vector<std::int64_t> ids(std::size_t(triangulation->NbNodes()) + 1, -1);
    const auto assign = [&](int n, std::uint32_t id) {
        if (n >= 1 && n <= triangulation->NbNodes() && ids[std::size_t(n)] < 0)
            ids[std::size_t(n)] = id;
    };
    for (TopExp_Explorer it(face, TopAbs_EDGE); it.More(); it.Next()) {
        const TopoDS_Edge& edge = TopoDS::Edge(it.Current());
        const Handle(Poly_PolygonOnTriangulation) polygon =
            BRep_Tool::PolygonOnTriangulation(edge, triangulation, location);
        if (polygon.IsNull() || polygon->NbNodes() < 2)
            continue;
        const int n = polygon->NbNodes();
        bool inRange = true;
        for (int j = 1; j <= n && inRange; ++j)
            inRange = polygon->Node(j) >= 1 && polygon->Node(j) <= triangulation->NbNodes();
        if (!inRange) // not this triangulation's polygon: the weld by position is left to join it
            continue;
        const bool backwards = polygon->HasParameters() && polygon->Parameter(1) > polygon->Parameter(n);
        const auto along = [&](int j) { return polygon->Node(backwards ? n - j : j + 1); }; // j from 0
        const auto parameter = [&](int j) { return polygon->Parameter(backwards ? n - j : j + 1); };
        TopoDS_Vertex first, last;
        TopExp::Vertices(TopoDS::Edge(edge.Oriented(TopAbs_FORWARD)), first, last);

        if (BRep_Tool::Degenerated(edge)) { // every node of it is the one vertex
            const std::uint32_t pole = vertexId(first, node(along(0)));
            for (int j = 0; j < n; ++j)
                assign(along(j), pole);
            continue;
        }
        const int* known = m_edgeIndex.Seek(edge);
        if (!known) {
            EdgeNodes nodes;
            for (int j = 0; j < n; ++j) {
                const MeshVertex p = node(along(j));
                nodes.ids.push_back(j == 0 ? vertexId(first, p) : j == n - 1 ? vertexId(last, p) : newVertex(p));
                if (polygon->HasParameters())
                    nodes.parameters.push_back(parameter(j));
            }
            m_edges.push_back(std::move(nodes));
            known = m_edgeIndex.Bound(edge, int(m_edges.size() - 1));
        }
        const EdgeNodes& nodes = m_edges[std::size_t(*known)];
        // Another face's discretization of the edge: taken node for node when it is the same.
        const double tolerance = std::max(10.0 * m_linear, 2.0 * BRep_Tool::Tolerance(edge));
        const bool same = nodes.ids.size() == std::size_t(n)
                          && distance2(node(along(n / 2)), m_mesh.vertices.at(nodes.ids[std::size_t(n / 2)]))
                                 <= tolerance * tolerance;
        if (same) {
            for (int j = 0; j < n; ++j)
                assign(along(j), nodes.ids[std::size_t(j)]);
        } else {
            assign(along(0), nodes.ids.front());
            assign(along(n - 1), nodes.ids.back());
        }
    }

    for (int i = 1; i <= triangulation->NbNodes(); ++i)
        if (ids[std::size_t(i)] < 0)
            ids[std::size_t(i)] = newVertex(node(i));

    const bool reversed = face.Orientation() == TopAbs_REVERSED;
    for (int i = 1; i <= triangulation->NbTriangles(); ++i) {
        int n1 = 0, n2 = 0, n3 = 0;
        triangulation->Triangle(i).Get(n1, n2, n3);
        const auto valid = [&](int n) { return n >= 1 && n <= triangulation->NbNodes(); };
        if (!valid(n1) || !valid(n2) || !valid(n3))
            continue;
        if (reversed)
            std::swap(n2, n3);
        const MeshTriangle t{std::uint32_t(ids[std::size_t(n1)]), std::uint32_t(ids[std::size_t(n2)]),
                             std::uint32_t(ids[std::size_t(n3)])};
        // Collapsed on a degenerated edge: its neighbours close the mesh without it.
        if (t.v1 != t.v2 && t.v2 != t.v3 && t.v1 != t.v3)
            m_mesh.triangles.append(t);
    }
    return true;
}

const ShellMeshBuilder::EdgeNodes* ShellMeshBuilder::discretizedEdge(const TopoDS_Edge& edge)
{
    if (const int* known = m_edgeIndex.Seek(edge))
        return &m_edges[std::size_t(*known)];
    TopoDS_Vertex first, last;
    TopExp::Vertices(TopoDS::Edge(edge.Oriented(TopAbs_FORWARD)), first, last);
    EdgeNodes nodes;
    double f = 0.0, l = 0.0;
    if (BRep_Tool::Degenerated(edge)) {
        BRep_Tool::Range(edge, f, l);
        if (first.IsNull())
            return nullptr;
        const std::uint32_t pole = vertexId(first, toVertex(BRep_Tool::Pnt(first)));
        nodes.ids = {pole, pole};
        nodes.parameters = {f, l};
    } else {
        const BRepAdaptor_Curve curve(edge);
        const GCPnts_TangentialDeflection points(curve, m_angular, m_linear, 2);
        const int n = points.NbPoints();
        if (n < 2)
            return nullptr;
        for (int j = 1; j <= n; ++j) {
            const MeshVertex p = toVertex(points.Value(j));
            nodes.ids.push_back(j == 1 ? vertexId(first, p) : j == n ? vertexId(last, p) : newVertex(p));
            nodes.parameters.push_back(points.Parameter(j));
        }
    }
    m_edges.push_back(std::move(nodes));
    m_edgeIndex.Bind(edge, int(m_edges.size() - 1));
    return &m_edges.back();
}

bool ShellMeshBuilder::addFaceFromEdges(const TopoDS_Face& face)
{
    try {
        const TopoDS_Face forward = TopoDS::Face(face.Oriented(TopAbs_FORWARD));
        std::vector<std::vector<std::uint32_t>> loops;
        std::vector<std::vector<Uv>> plane;
        for (TopoDS_Iterator it(forward); it.More(); it.Next()) {
            if (it.Value().ShapeType() != TopAbs_WIRE)
                continue;
            std::vector<std::uint32_t> loop;
            std::vector<Uv> uv;
            for (const TopoDS_Edge& edge : wireEdges(TopoDS::Wire(it.Value()), forward)) {
                const EdgeNodes* nodes = discretizedEdge(edge);
                double f = 0.0, l = 0.0;
                const Handle(Geom2d_Curve) pcurve = BRep_Tool::CurveOnSurface(edge, forward, f, l);
                if (!nodes || pcurve.IsNull() || nodes->parameters.size() != nodes->ids.size())
                    return false;
                // The wire runs along a reversed edge from its last node to its first; each
                // edge's end is the next one's start.
                const std::size_t n = nodes->ids.size();
                const bool reversed = edge.Orientation() == TopAbs_REVERSED;
                for (std::size_t k = 0; k + 1 < n; ++k) {
                    const std::size_t j = reversed ? n - 1 - k : k;
                    const gp_Pnt2d p = pcurve->Value(nodes->parameters[j]);
                    loop.push_back(nodes->ids[j]);
                    uv.emplace_back(p.X(), p.Y());
                }
            }
            if (loop.size() >= 3) {
                loops.push_back(std::move(loop));
                plane.push_back(std::move(uv));
            }
        }
        if (loops.empty())
            return false;
        // The outer wire encloses the largest area of the face's plane.
        std::size_t outer = 0;
        for (std::size_t i = 1; i < plane.size(); ++i)
            if (std::abs(signedArea(plane[i])) > std::abs(signedArea(plane[outer])))
                outer = i;
        std::swap(loops[0], loops[outer]);
        std::swap(plane[0], plane[outer]);

        std::vector<MeshTriangle> triangles = triangulateLoops(loops, plane, m_mesh.vertices);
        if (triangles.empty())
            return false;
        const bool reversedFace = face.Orientation() == TopAbs_REVERSED;
        for (MeshTriangle& t : triangles) {
            if (reversedFace)
                std::swap(t.v2, t.v3);
            m_mesh.triangles.append(t);
        }
        return true;
    } catch (const Standard_Failure&) {
        return false;
    }
}

std::vector<MeshTriangle> ShellMeshBuilder::triangulateLoops(const std::vector<std::vector<std::uint32_t>>& loops,
                                                             const std::vector<std::vector<Uv>>& plane,
                                                             const QList<MeshVertex>& positions)
{
    std::vector<MeshTriangle> result;
    if (loops.empty() || loops.size() != plane.size())
        return result;
    std::vector<std::uint32_t> ids;
    std::vector<Uv> uv;
    std::vector<std::vector<int>> rings; // indices into ids and uv
    for (std::size_t i = 0; i < loops.size(); ++i) {
        if (loops[i].size() != plane[i].size())
            return result;
        std::vector<int> ring;
        for (std::size_t k = 0; k < loops[i].size(); ++k) {
            ring.push_back(int(ids.size()));
            ids.push_back(loops[i][k]);
            uv.push_back(plane[i][k]);
        }
        rings.push_back(std::move(ring));
    }
    const auto point = [&](int i) {
        return ids[std::size_t(i)] < std::uint32_t(positions.size()) ? positions.at(ids[std::size_t(i)]) : MeshVertex();
    };

    // Each hole joins the outline by a cut between their closest nodes, walked once each way.
    std::vector<int> polygon = rings.front();
    for (std::size_t h = 1; h < rings.size(); ++h) {
        const std::vector<int>& hole = rings[h];
        std::size_t bestP = 0, bestH = 0;
        double best = std::numeric_limits<double>::max();
        for (std::size_t p = 0; p < polygon.size(); ++p)
            for (std::size_t k = 0; k < hole.size(); ++k) {
                const double d = distance2(point(polygon[p]), point(hole[k]));
                if (d < best) {
                    best = d;
                    bestP = p;
                    bestH = k;
                }
            }
        std::vector<int> joined(polygon.begin(), polygon.begin() + std::ptrdiff_t(bestP) + 1);
        for (std::size_t k = 0; k <= hole.size(); ++k)
            joined.push_back(hole[(bestH + k) % hole.size()]);
        joined.insert(joined.end(), polygon.begin() + std::ptrdiff_t(bestP), polygon.end());
        polygon = std::move(joined);
    }

    double area = 0.0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Uv& a = uv[std::size_t(polygon[i])];
        const Uv& b = uv[std::size_t(polygon[(i + 1) % polygon.size()])];
        area += a.first * b.second - b.first * a.second;
    }
    const double sense = area < 0.0 ? -1.0 : 1.0;
    // Nodes in a row (an edge that is straight in the plane, such as a cylinder's rim) are no
    // ear: cutting one would lay a chord across the neighbouring face.
    double uMin = std::numeric_limits<double>::max(), uMax = -uMin, vMin = uMin, vMax = -uMin;
    for (const Uv& p : uv) {
        uMin = std::min(uMin, p.first);
        uMax = std::max(uMax, p.first);
        vMin = std::min(vMin, p.second);
        vMax = std::max(vMax, p.second);
    }
    const double flat = 1e-10 * ((uMax - uMin) * (uMax - uMin) + (vMax - vMin) * (vMax - vMin));

    // Edges already drawn: a diagonal between two nodes already joined (through the two
    // copies of a seam's nodes) would give that edge a third triangle.
    const auto key = [&](int a, int b) { return segmentKey(ids[std::size_t(a)], ids[std::size_t(b)]); };
    std::unordered_set<std::uint64_t> drawn;
    for (std::size_t i = 0; i < polygon.size(); ++i)
        drawn.insert(key(polygon[i], polygon[(i + 1) % polygon.size()]));
    // Also two copies of one node around a third: that ear would fold back on itself.
    const auto joined = [&](int a, int b, int c) {
        const std::uint32_t x = ids[std::size_t(a)], y = ids[std::size_t(b)], z = ids[std::size_t(c)];
        return x == z ? x != y : drawn.count(key(a, c)) > 0;
    };
    const auto addTriangle = [&](int a, int b, int c) {
        drawn.insert(key(a, c));
        const MeshTriangle t{ids[std::size_t(a)], ids[std::size_t(b)], ids[std::size_t(c)]};
        if (t.v1 != t.v2 && t.v2 != t.v3 && t.v1 != t.v3)
            result.push_back(t);
    };
    // Ear clipping that cuts the shortest diagonal among the true ears; where the face's
    // plane is too tangled to offer one, the shortest diagonal all the same, so that every
    // boundary edge is still used once and the solid stays closed. Past a thousand nodes the
    // emptiness test is left out, which keeps big faces quadratic.
    while (polygon.size() > 3) {
        const std::size_t m = polygon.size();
        std::size_t ear = m, forced = 0;
        double earLength = std::numeric_limits<double>::max(), forcedLength = earLength;
        for (std::size_t i = 0; i < m; ++i) {
            const int a = polygon[(i + m - 1) % m], b = polygon[i], c = polygon[(i + 1) % m];
            // Joined ends count as longer than any free diagonal.
            const double length = distance2(point(a), point(c)) + (joined(a, b, c) ? 1e30 : 0.0);
            if (length < forcedLength) {
                forcedLength = length;
                forced = i;
            }
            if (length >= earLength || sense * orient(uv[std::size_t(a)], uv[std::size_t(b)], uv[std::size_t(c)]) <= flat)
                continue;
            bool empty = true;
            for (std::size_t k = 0; k < m && empty && m <= 1000; ++k) {
                const int p = polygon[k];
                const Uv& q = uv[std::size_t(p)];
                if (p == a || p == b || p == c || q == uv[std::size_t(a)] || q == uv[std::size_t(b)]
                    || q == uv[std::size_t(c)])
                    continue;
                empty = !(sense * orient(uv[std::size_t(a)], uv[std::size_t(b)], q) > 0.0
                          && sense * orient(uv[std::size_t(b)], uv[std::size_t(c)], q) > 0.0
                          && sense * orient(uv[std::size_t(c)], uv[std::size_t(a)], q) > 0.0);
            }
            if (empty) {
                earLength = length;
                ear = i;
            }
        }
        const std::size_t cut = ear < m ? ear : forced;
        addTriangle(polygon[(cut + m - 1) % m], polygon[cut], polygon[(cut + 1) % m]);
        polygon.erase(polygon.begin() + std::ptrdiff_t(cut));
    }
    if (polygon.size() == 3)
        addTriangle(polygon[0], polygon[1], polygon[2]);
    return result;
}

int ShellMeshBuilder::leftOpen(const QList<TopoDS_Face>& faces) const
{
    std::vector<std::vector<std::uint64_t>> segments(std::size_t(faces.size())); // per face
    std::unordered_map<std::uint64_t, int> uses;
    for (qsizetype f = 0; f < faces.size(); ++f)
        for (TopExp_Explorer it(faces.at(f), TopAbs_EDGE); it.More(); it.Next()) {
            const int* known = m_edgeIndex.Seek(it.Current());
            if (!known) // no triangle runs along an edge no face discretized
                continue;
            const std::vector<std::uint32_t>& ids = m_edges[std::size_t(*known)].ids;
            for (std::size_t k = 0; k + 1 < ids.size(); ++k)
                if (ids[k] != ids[k + 1]) {
                    segments[std::size_t(f)].push_back(segmentKey(ids[k], ids[k + 1]));
                    uses.emplace(segments[std::size_t(f)].back(), 0);
                }
        }
    for (const MeshTriangle& t : m_mesh.triangles)
        for (const auto& [a, b] : {std::pair{t.v1, t.v2}, std::pair{t.v2, t.v3}, std::pair{t.v3, t.v1}}) {
            const auto found = uses.find(segmentKey(a, b));
            if (found != uses.end())
                ++found->second;
        }
    return int(std::count_if(segments.begin(), segments.end(), [&](const std::vector<std::uint64_t>& face) {
        return std::any_of(face.begin(), face.end(), [&](std::uint64_t key) { return uses.at(key) % 2 != 0; });
    }));
}

ShellMesh ShellMeshBuilder::take()
{
    ShellMesh mesh = std::move(m_mesh);
    m_mesh = ShellMesh();
    m_vertices.Clear();
    m_edgeIndex.Clear();
    m_edges.clear();
    return mesh;
}
