#include "foundation/stlshellbuilder.h"
#include "foundation/jobs.h"
#include "foundation/meshgrid.h"
#include "foundation/meshselfcrossing.h"
#include "foundation/meshwinding.h"
#include "foundation/occutils.h"
#include "foundation/shellnesting.h"
#include "foundation/stlmesh.h"

#include <BRepCheck_Analyzer.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <ElCLib.hxx>
#include <gp_Lin.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <Poly_PolygonOnTriangulation.hxx>
#include <Poly_Triangulation.hxx>
#include <Precision.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Ax3.hxx>

#include <Message_ProgressScope.hxx>
#include <OSD_Parallel.hxx>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <numeric>
#include <set>
#include <tuple>

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
// would cut and join the shells there. Each node needs the triangles of the cells within the
// tolerance of it alone.
bool shellsComeClose(const StlMesh& mesh, const std::vector<int>& component, int componentCount,
                     const std::vector<int>& nodeComponent, double tolerance, const MeshGrid& grid)
{
    if (componentCount < 2)
        return false;
    std::vector<Bnd_Box> boxes(static_cast<std::size_t>(componentCount));
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
        if (component[t] >= 0)
            for (const int n : mesh.triangles[t])
                boxes[std::size_t(component[t])].Add(gp_Pnt(mesh.nodes[std::size_t(n)]));
    bool overlap = false;
    for (auto& box : boxes)
        box.Enlarge(tolerance);
    for (std::size_t i = 0; i < boxes.size() && !overlap; ++i)
        for (std::size_t j = i + 1; j < boxes.size() && !overlap; ++j)
            overlap = !boxes[i].IsVoid() && !boxes[j].IsVoid() && !boxes[i].IsOut(boxes[j]);
    if (!overlap)
        return false;
    std::vector<int> cells;
    for (std::size_t n = 0; n < mesh.nodes.size(); ++n) {
        if (nodeComponent[n] < 0)
            continue;
        const gp_XYZ& p = mesh.nodes[n];
        const MeshGrid::Box near{{p.X() - tolerance, p.Y() - tolerance, p.Z() - tolerance},
                                 {p.X() + tolerance, p.Y() + tolerance, p.Z() + tolerance}};
        grid.cellsMeeting(near, cells);
        for (const int cell : cells)
            for (const int* t = grid.begin(std::size_t(cell)); t != grid.end(std::size_t(cell)); ++t) {
                const auto& tri = mesh.triangles[std::size_t(*t)];
                if (component[std::size_t(*t)] == nodeComponent[n])
                    continue;
                if (distanceToTriangle(p, mesh.nodes[std::size_t(tri[0])], mesh.nodes[std::size_t(tri[1])],
                                       mesh.nodes[std::size_t(tri[2])])
                    <= tolerance)
                    return true;
            }
    }
    return false;
}

// What a face needs from the analyzer: none of it when the numbers the analyzer compares
// are far inside its tolerance, and the triangle is wide enough that its sides cannot be
// taken for crossing.
struct FaceAudit
{
    double deviation = 0.0;  // largest gap between a vertex and its curves seen through the plane
    double narrowest = 0.0;  // smallest sine of the triangle's angles
};

// Crossings between shells past which their union is not tried: 100 pairs of shells crossing
// one another took 1.4 s and 72 MB, 400 took 21 s; a comb of 10,000 took 17 GB.
constexpr std::size_t kMostCrossingShellPairs = 100;
constexpr std::size_t kMostCrossingPairs = 20000;

constexpr double kSureDeviation = 1e-2;  // of the vertex tolerance
constexpr double kSureSine = 1e-3;
constexpr double kRounding = 1e-13;  // a few hundred ulps

class Builder
{
public:
    Builder(const StlMesh& mesh, double tolerance) : m_mesh(mesh), m_tolerance(tolerance) {}

    StlShells run(const Message_ProgressRange& progress)
    {
        Message_ProgressScope stage(progress, StlStage::kShells, 4.0);
        stage.Show();
        m_stage = &stage;
        if (!pairSides() || stage.UserBreak())
            return {};
        stage.Next();
        if (!orientComponents() || stage.UserBreak())
            return {};
        if (!m_voidEdges.empty()) {
            // Voids meet on some edges: paired again there as voids.
            m_componentCount = 0;
            if (!pairSides() || !orientComponents() || stage.UserBreak())
                return {};
        }
        takeCopiesOnce();
        if (m_keptCount == 0)
            return {};
        // One grid for every question about where triangles lie.
        std::vector<int> kept;
        for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t)
            if (m_component[t] >= 0)
                kept.push_back(int(t));
        const MeshGrid grid(m_mesh, 0.0, kept, 64, &stage);
        if (stage.UserBreak())
            return {};
        const MeshCrossings crossings = crossingsOf(grid, stage.Next());
        if (crossings.self == SelfCrossing::Cancelled || stage.UserBreak())
            return {};
        m_result.crossingUnknown = crossings.self == SelfCrossing::TooDense;
        m_result.throughItself = crossings.self == SelfCrossing::Found;
        if (!m_result.throughItself)
            placeShells(grid, crossings.pairsBetween > 0);
        // Shells crossing in many places split into cells whose number grows faster than theirs,
        // and so do the booleans' time and memory: past a bound the union is not tried.
        const bool tooMany = crossings.pairsBetween > kMostCrossingPairs || crossings.shellPairs > kMostCrossingShellPairs;
        if (stage.UserBreak())
            return {};
        // Only each edge's two nodes are needed from here on; the rest would sit beside the
        // shape at its peak.
        m_edgeNodes.resize(m_halfEdges.size() / 2);
        for (std::size_t e = 0; e < m_edgeNodes.size(); ++e)
            m_edgeNodes[e] = {m_halfEdges[2 * e].low, m_halfEdges[2 * e].high};
        std::vector<HalfEdge>().swap(m_halfEdges);
        std::vector<char> used(m_mesh.nodes.size(), 0);
        for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t)
            if (m_component[t] >= 0)
                for (const int n : m_mesh.triangles[t])
                    used[std::size_t(n)] = 1;
        TopoDS_Shape shape = makeSolids(used, tooMany ? long(crossings.pairsBetween) : 0, stage.Next());
        if (!shape.IsNull() && m_result.solid)
            m_result.valid = m_checkWhole ? OccUtils::isValidShape(shape) : checkDoubtfulFaces(stage.Next());
        if (stage.UserBreak()) {
            m_doubtful.clear();
            Jobs::release(std::make_shared<TopoDS_Shape>(shape));
            return {};
        }
        m_result.shape = shape;
        return m_result;
    }

private:
    // Which triangles pass through one another: of one shell, or of two.
    MeshCrossings crossingsOf(const MeshGrid& grid, const Message_ProgressRange& progress) const
    {
        // The triangle across each side, and each triangle turned to face as its shell does.
        std::vector<std::array<int, 3>> across(m_mesh.triangles.size(), {-1, -1, -1});
        for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t)
            for (std::size_t k = 0; k < 3; ++k) {
                const int e = m_sideEdge[3 * t + k];
                const int a = m_halfEdges[2 * std::size_t(e)].triangle, b = m_halfEdges[2 * std::size_t(e) + 1].triangle;
                across[t][k] = a == int(t) ? b : a;
            }
        return findCrossings(m_mesh, m_component, grid, m_tolerance, {&m_flip, &across},
                             m_keptCount > 1 ? kMostCrossingPairs : 0, progress);
    }

    // Copies of one shell (the same triangles on the same nodes) add their turns at every point
    // they enclose: one shell of their summed turn holds it all, without booleans between them.
    void takeCopiesOnce()
    {
        if (m_componentCount == 1) {
            m_keptCount = 1;
            m_turn = m_shellTurn;
            m_shellsTouch = false;
            m_nodeComponent.assign(m_mesh.nodes.size(), -1);
            return;
        }
        std::vector<std::vector<std::array<int, 3>>> keys{std::size_t(m_componentCount)};
        for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t) {
            std::array<int, 3> n = m_mesh.triangles[t];
            std::sort(n.begin(), n.end());
            keys[std::size_t(m_component[t])].push_back(n);
        }
        for (auto& key : keys)
            std::sort(key.begin(), key.end());
        std::vector<int> order(static_cast<std::size_t>(m_componentCount));
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return keys[std::size_t(a)] != keys[std::size_t(b)] ? keys[std::size_t(a)] < keys[std::size_t(b)] : a < b;
        });
        m_turn.assign(std::size_t(m_componentCount), 0);
        std::vector<int> renumber(static_cast<std::size_t>(m_componentCount), -1);
        for (std::size_t i = 0; i < order.size();) {
            std::size_t j = i + 1;
            int turn = m_shellTurn[std::size_t(order[i])];
            while (j < order.size() && keys[std::size_t(order[j])] == keys[std::size_t(order[i])])
                turn += m_shellTurn[std::size_t(order[j++])];
            m_result.copies += int(j - i - 1);
            // Copies whose turns cancel enclose nothing.
            if (turn != 0)
                renumber[std::size_t(order[i])] = 0;
            m_turn[std::size_t(order[i])] = turn;
            i = j;
        }
        m_keptCount = 0;
        std::vector<int> turns;
        std::vector<double> volumes;
        for (int c = 0; c < m_componentCount; ++c)
            if (renumber[std::size_t(c)] == 0) {
                renumber[std::size_t(c)] = m_keptCount++;
                turns.push_back(m_turn[std::size_t(c)]);
                volumes.push_back(m_volume[std::size_t(c)]);
            }
        for (int& c : m_component)
            c = renumber[std::size_t(c)];
        m_componentCount = m_keptCount;
        m_turn = turns;
        m_volume = volumes;
        // Shells sharing a node touch: sewing would join them into one and lose which way each
        // faced, booleans keep it.
        std::vector<int> nodeComponent(m_mesh.nodes.size(), -1);
        m_shellsTouch = false;
        for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t) {
            if (m_component[t] < 0)
                continue;
            for (const int n : m_mesh.triangles[t]) {
                int& c = nodeComponent[std::size_t(n)];
                m_shellsTouch = m_shellsTouch || (c >= 0 && c != m_component[t]);
                c = m_component[t];
            }
        }
        m_nodeComponent = std::move(nodeComponent);
    }

    // What each shell bounds, by the turn the file gave it. Shells that touch, come within the
    // tolerance of one another or cross are united by booleans; the others lie wholly inside or
    // outside one another, which one point of each tells.
    void placeShells(const MeshGrid& grid, bool shellsCross)
    {
        m_roles = ShellRoles();
        m_roles.owners.assign(std::size_t(m_componentCount), kOwnSolid);
        m_roles.meet = m_shellsTouch || shellsCross
            || shellsComeClose(m_mesh, m_component, m_componentCount, m_nodeComponent, m_tolerance, grid);
        if (m_componentCount < 2 || m_roles.meet)
            return;
        std::vector<ShellExtent> extents{std::size_t(m_componentCount)};
        std::vector<int> pointOf(std::size_t(m_componentCount), -1);
        for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t) {
            const int c = m_component[t];
            if (c < 0)
                continue;
            for (const int n : m_mesh.triangles[t])
                extents[std::size_t(c)].box.Add(gp_Pnt(m_mesh.nodes[std::size_t(n)]));
            if (pointOf[std::size_t(c)] < 0)
                pointOf[std::size_t(c)] = m_mesh.triangles[t][0];
        }
        for (std::size_t c = 0; c < extents.size(); ++c) {
            extents[c].volume = std::abs(m_volume[c]);
            extents[c].turn = m_turn[c];
        }
        const MeshWinding winding(m_mesh, grid, &m_flip);
        m_roles = shellRoles(extents, [&](int outer, int shell) {
            return Winding::isMaterial(winding.at(m_mesh.nodes[std::size_t(pointOf[std::size_t(shell)])], &m_component, outer))
                ? ShellPlace::Inside
                : ShellPlace::Apart;
        });
        m_result.voidOutside = m_roles.bothSigns;
    }

    // Every side must be shared by exactly two triangles: anything else is open or
    // non-manifold, which only sewing handles. Sides are bucketed by their lower node, so
    // pairing is linear in the mesh.
    bool pairSides()
    {
        const std::size_t nt = m_mesh.triangles.size();
        std::vector<int> start(m_mesh.nodes.size() + 1, 0);
        for (const auto& tri : m_mesh.triangles)
            for (int k = 0; k < 3; ++k)
                ++start[std::size_t(std::min(tri[std::size_t(k)], tri[std::size_t((k + 1) % 3)])) + 1];
        for (std::size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
        m_halfEdges.resize(3 * nt);
        {
            std::vector<int> fill(start.begin(), start.end() - 1);
            for (std::size_t t = 0; t < nt; ++t) {
                const auto& tri = m_mesh.triangles[t];
                for (int k = 0; k < 3; ++k) {
                    const int a = tri[std::size_t(k)];
                    const int b = tri[std::size_t((k + 1) % 3)];
                    m_halfEdges[std::size_t(fill[std::size_t(std::min(a, b))]++)] =
                        {std::min(a, b), std::max(a, b), int(t), a < b, char(k)};
                }
            }
        }
        for (std::size_t n = 0; n + 1 < start.size(); ++n)
            if ((n & 0xffff) == 0 && m_stage->UserBreak())
                return false;
            else if (start[n + 1] - start[n] > 1)
                std::sort(m_halfEdges.begin() + start[n], m_halfEdges.begin() + start[n + 1],
                          [](const HalfEdge& x, const HalfEdge& y) {
                              return x.high != y.high ? x.high < y.high : x.triangle < y.triangle;
                          });
        const std::size_t nh = m_halfEdges.size();
        for (std::size_t i = 0; i < nh;) {
            std::size_t end = i + 1;
            while (end < nh && samePair(i, end))
                ++end;
            if (end - i == 1 || (end - i > 2 && !pairAround(i, end)))
                return false;
            i = end;
        }
        // Which edge (pair index) each triangle side uses.
        m_sideEdge.assign(3 * nt, -1);
        for (std::size_t i = 0; i < nh; ++i) {
            const HalfEdge& h = m_halfEdges[i];
            m_sideEdge[3 * std::size_t(h.triangle) + std::size_t(h.side)] = int(i / 2);
        }
        return true;
    }

    // Sides of several shells on one edge (two cubes sharing an edge or a face split apart):
    // each triangle is paired with the one next to it around the edge that closes the same
    // body, so that every shell stays whole and only touches the others. Around the edge, a
    // triangle run from the lower to the higher node faces the way the turn goes: it closes
    // the body it bounds, one run the other way opens it. Triangles lying on one another
    // close before they open, and copies of one shell pair with their own copy. False when
    // the file's orientations do not balance: sewing decides then.
    bool pairAround(std::size_t begin, std::size_t end)
    {
        const gp_XYZ& low = m_mesh.nodes[std::size_t(m_halfEdges[begin].low)];
        gp_XYZ along = m_mesh.nodes[std::size_t(m_halfEdges[begin].high)] - low;
        if (along.Modulus() <= 0.0)
            return false;
        along.Normalize();
        struct Around
        {
            double angle;
            bool closes;
            HalfEdge side;
        };
        std::vector<Around> fan;
        gp_XYZ x, y;
        int balance = 0;
        for (std::size_t i = begin; i < end; ++i) {
            const HalfEdge& h = m_halfEdges[i];
            const auto& tri = m_mesh.triangles[std::size_t(h.triangle)];
            gp_XYZ off = m_mesh.nodes[std::size_t(tri[std::size_t((h.side + 2) % 3)])] - low;
            off -= along * off.Dot(along);
            if (off.Modulus() <= 0.0)
                return false;
            if (fan.empty()) {
                x = off.Normalized();
                y = along ^ x;
            }
            double angle = std::atan2(off.Dot(y), off.Dot(x));
            if (angle < 0.0)
                angle += 2.0 * M_PI;
            fan.push_back({angle, h.ascending, h});
            balance += h.ascending ? 1 : -1;
        }
        if (balance != 0)
            return false;
        const std::pair<int, int> edge{m_halfEdges[begin].low, m_halfEdges[begin].high};
        if (m_voidEdges.count(edge) != 0) {
            for (Around& a : fan)
                a.closes = !a.closes;
        } else if (!m_repaired) {
            auto& triangles = m_fans.emplace_back(edge, std::vector<int>()).second;
            for (const Around& a : fan)
                triangles.push_back(a.side.triangle);
        }
        // Angles a rounding apart are one; those just short of a full turn lie at its start.
        constexpr double kSameAngle = 1e-9;
        for (Around& a : fan)
            if (a.angle > 2.0 * M_PI - kSameAngle)
                a.angle = 0.0;
        std::sort(fan.begin(), fan.end(), [](const Around& a, const Around& b) {
            if (std::abs(a.angle - b.angle) > kSameAngle)
                return a.angle < b.angle;
            if (a.closes != b.closes)
                return a.closes;
            return a.closes ? a.side.triangle > b.side.triangle : a.side.triangle < b.side.triangle;
        });
        // Matched as brackets from where the count of open bodies is lowest, so none is
        // closed before it opens.
        std::size_t start = 0;
        int open = 0, lowest = 0;
        for (std::size_t i = 0; i < fan.size(); ++i) {
            open += fan[i].closes ? -1 : 1;
            if (open < lowest) {
                lowest = open;
                start = i + 1;
            }
        }
        std::vector<std::size_t> opened;
        std::size_t out = begin;
        for (std::size_t k = 0; k < fan.size(); ++k) {
            const std::size_t i = (start + k) % fan.size();
            if (!fan[i].closes) {
                opened.push_back(i);
                continue;
            }
            if (opened.empty())
                return false;
            m_halfEdges[out++] = fan[opened.back()].side;
            m_halfEdges[out++] = fan[i].side;
            opened.pop_back();
        }
        return true;
    }

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
            if ((seed & 0xffff) == 0 && m_stage->UserBreak())
                return false;
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
        m_volume = volume;
        const auto flat = [&](std::size_t c) { return size[c] < 4 || std::abs(volume[c]) <= 1e-7; };
        // Paired as material, shells facing inward on an edge come out as shells bounding
        // what lies between them, flat where their sides lie on one another; a second pass
        // pairs them as voids.
        if (m_voidEdges.empty() && !m_repaired) {
            m_repaired = true;
            for (const auto& [edge, triangles] : m_fans)
                if (std::all_of(triangles.begin(), triangles.end(), [&](int t) {
                        const std::size_t c = std::size_t(m_component[std::size_t(t)]);
                        return volume[c] < 0.0 || flat(c);
                    }))
                    m_voidEdges.insert(edge);
            if (!m_voidEdges.empty())
                return true;
        }
        for (int c = 0; c < m_componentCount; ++c)
            if (flat(std::size_t(c)))
                return false;
        for (std::size_t t = 0; t < nt; ++t)
            if (volume[std::size_t(m_component[t])] < 0.0)
                m_flip[t] ^= 1;
        m_shellTurn.assign(std::size_t(m_componentCount), 1);
        for (std::size_t c = 0; c < volume.size(); ++c)
            m_shellTurn[c] = Winding::turnOf(volume[c] < 0.0);
        return true;
    }

    // The polygon an edge has on the first face that meshed it, with the node numbers it
    // names at the edge's lower and higher node.
    struct SharedPolygon
    {
        Handle(Poly_PolygonOnTriangulation) polygon;
        char lowNode = 0;
        char highNode = 0;
    };

    // crossings: when above 0, the pairs of crossing triangles that make the union too large to try.
    TopoDS_Shape makeSolids(const std::vector<char>& used, long crossings, const Message_ProgressRange& progress)
    {
        const bool uniting = !m_result.throughItself && m_roles.meet;
        Message_ProgressScope scope(progress, nullptr, uniting ? 4.0 : 1.0);
        StlLoopProgress loop(scope.Next(), m_mesh.triangles.size() + m_edgeNodes.size(), 4096);
        const double tol = Precision::Confusion();
        BRep_Builder b;

        std::vector<TopoDS_Vertex> vertices(m_mesh.nodes.size());
        for (std::size_t i = 0; i < m_mesh.nodes.size(); ++i)
            if (used[i])
                b.MakeVertex(vertices[i], gp_Pnt(m_mesh.nodes[i]), tol);

        const std::size_t edgeCount = m_edgeNodes.size();
        std::vector<TopoDS_Edge> edges(edgeCount);
        std::vector<double> lengths(edgeCount);
        // How far the line's far end falls from the higher node, by rounding.
        std::vector<float> endGaps(edgeCount);
        std::vector<SharedPolygon> polygons(edgeCount);
        std::vector<TopoDS_Shell> shells(static_cast<std::size_t>(m_componentCount));
        // On Cancel what was built is freed aside: on a big mesh that takes longer than stopping.
        const auto cancelled = [&] {
            m_doubtful.clear();
            Jobs::release(std::make_shared<std::tuple<std::vector<TopoDS_Vertex>, std::vector<TopoDS_Edge>,
                                                               std::vector<SharedPolygon>, std::vector<TopoDS_Shell>>>(
                std::move(vertices), std::move(edges), std::move(polygons), std::move(shells)));
            return TopoDS_Shape();
        };
        for (std::size_t e = 0; e < edgeCount; ++e) {
            if (!loop.next())
                return cancelled();
            const int low = m_edgeNodes[e][0], high = m_edgeNodes[e][1];
            const gp_Pnt p(m_mesh.nodes[std::size_t(low)]);
            const gp_Pnt q(m_mesh.nodes[std::size_t(high)]);
            const gp_Vec d(p, q);
            const gp_Lin line(p, gp_Dir(d));
            lengths[e] = d.Magnitude();
            endGaps[e] = float(ElCLib::Value(lengths[e], line).Distance(q) * (1.0 + 1e-6));
            b.MakeEdge(edges[e], new Geom_Line(line), tol);
            b.Add(edges[e], vertices[std::size_t(low)].Oriented(TopAbs_FORWARD));
            b.Add(edges[e], vertices[std::size_t(high)].Oriented(TopAbs_REVERSED));
            b.Range(edges[e], 0.0, lengths[e]);
        }

        for (auto& shell : shells)
            b.MakeShell(shell);
        m_doubtful.clear();
        for (std::size_t t = 0; t < m_mesh.triangles.size(); ++t) {
            if (!loop.next())
                return cancelled();
            if (m_component[t] < 0)
                continue; // a copy of a shell taken once
            const auto& tri = m_mesh.triangles[t];
            // Corners in the order that makes the normal point out of the shell.
            const int corner[3] = {tri[0], tri[m_flip[t] ? 2 : 1], tri[m_flip[t] ? 1 : 2]};
            const gp_Pnt p0(m_mesh.nodes[std::size_t(corner[0])]);
            const gp_Pnt p1(m_mesh.nodes[std::size_t(corner[1])]);
            const gp_Pnt p2(m_mesh.nodes[std::size_t(corner[2])]);
            const gp_Vec u(p0, p1);
            const gp_Ax3 frame(p0, gp_Dir(u.Crossed(gp_Vec(p0, p2))), gp_Dir(u));
            const gp_XYZ& origin = frame.Location().XYZ();
            const gp_XYZ& normal = frame.Direction().XYZ();
            TopoDS_Face face;
            b.MakeFace(face, new Geom_Plane(frame), tol);
            TopoDS_Wire wire;
            b.MakeWire(wire);
            FaceAudit audit;
            audit.narrowest = narrowestSine(p0, p1, p2);
            // The analyzer's own arithmetic (projections, parameters on the plane) rounds in
            // proportion to the coordinates; far from the origin that alone nears its tolerance.
            for (const gp_Pnt* p : {&p0, &p1, &p2})
                audit.deviation = std::max({audit.deviation, kRounding * std::abs(p->X()),
                                            kRounding * std::abs(p->Y()), kRounding * std::abs(p->Z())});
            int edgeOf[3];
            for (int k = 0; k < 3; ++k) {
                const int from = corner[k];
                const int to = corner[(k + 1) % 3];
                // Run backwards, the k-th side is the triangle's side 2 - k.
                const int side = m_flip[t] ? 2 - k : k;
                const int e = m_sideEdge[3 * t + std::size_t(side)];
                edgeOf[k] = e;
                const TopoDS_Edge& edge = edges[std::size_t(e)];
                // No curve in the plane is stored: on a plane, OpenCASCADE projects the line
                // when asked (the analyzer too), and stored ones were a fifth of the part's
                // memory. The analyzer compares the vertices with the line and with its
                // projection, and the two with each other; all straight, so the line's ends
                // bound every gap: their distances off the plane and to the nodes.
                const gp_XYZ& start = m_mesh.nodes[std::size_t(m_edgeNodes[std::size_t(e)][0])];
                const gp_XYZ& high = m_mesh.nodes[std::size_t(m_edgeNodes[std::size_t(e)][1])];
                const double endGap = double(endGaps[std::size_t(e)]);
                audit.deviation = std::max({audit.deviation, std::abs((start - origin).Dot(normal)),
                                            2.0 * endGap + std::abs((high - origin).Dot(normal))});
                b.Add(wire, from < to ? edge.Oriented(TopAbs_FORWARD) : edge.Oriented(TopAbs_REVERSED));
            }
            wire.Closed(true);
            b.Add(face, wire);
            attachTriangle(b, face, corner, edgeOf, edges, lengths, polygons);
            b.Add(shells[std::size_t(m_component[t])], face);
            if (!(audit.deviation <= kSureDeviation * tol && audit.narrowest >= kSureSine))
                m_doubtful.push_back(face);
        }

        for (auto& shell : shells)
            shell.Closed(true);
        if (m_result.throughItself) {
            m_doubtful.clear();
            if (shells.size() == 1)
                return shells.front();
            return OccUtils::compoundOf(QList<TopoDS_Shape>(shells.begin(), shells.end()));
        }
        m_result.solid = true;
        if (!m_roles.meet)
            return solidOrCompound(solidsWithVoids(shells, m_roles.owners));
        // Bodies that touch or cross: the booleans' result is checked whole.
        m_doubtful.clear();
        m_checkWhole = true;
        std::vector<TopoDS_Solid> solids;
        for (const TopoDS_Shell& shell : shells)
            solids.push_back(solidsWithVoids({shell}, {kOwnSolid}).front());
        UnitedShells united;
        if (crossings > 0) {
            united.status = UnitedShells::TooLarge;
            united.facePairs = crossings;
        } else {
            united = unitedByWinding(solids, m_turn, m_tolerance, scope.Next(3.0));
        }
        if (united.status == UnitedShells::Done) {
            m_result.voidOutside = united.bothSigns;
            return united.shape;
        }
        if (united.status == UnitedShells::Cancelled)
            return TopoDS_Shape();
        // No solid holds what the shells mean: they come as they are, and the caller says why.
        m_result.solid = false;
        m_result.notUnited = true;
        m_result.facePairs = united.status == UnitedShells::TooLarge ? united.facePairs : 0;
        return OccUtils::compoundOf(QList<TopoDS_Shape>(shells.begin(), shells.end()));
    }

    static double narrowestSine(const gp_Pnt& a, const gp_Pnt& b, const gp_Pnt& c)
    {
        const double ab = a.Distance(b), bc = b.Distance(c), ca = c.Distance(a);
        const double twiceArea = gp_Vec(a, b).Crossed(gp_Vec(a, c)).Magnitude();
        // sin(angle at a) = 2A / (ab * ca), and so on; the smallest angle faces the shortest side.
        const double longest = std::max({ab, bc, ca});
        const double product = ab * bc * ca / std::min({ab, bc, ca});
        return longest > 0.0 && product > 0.0 ? twiceArea / product : 0.0;
    }

    // The face's triangle as its exact mesh, and its sides' polygons on it. Numbering the
    // ends of a shared edge as the face across it did lets both faces use one polygon, which
    // spares about 10 MB on 100k triangles.
    void attachTriangle(BRep_Builder& b, const TopoDS_Face& face, const int corner[3], const int edgeOf[3],
                        const std::vector<TopoDS_Edge>& edges, const std::vector<double>& lengths,
                        std::vector<SharedPolygon>& polygons) const
    {
        // Side k runs from corner k to corner k + 1; which of the two is the edge's lower node.
        int low[3], high[3];
        for (int k = 0; k < 3; ++k) {
            const bool ascending = corner[k] < corner[(k + 1) % 3];
            low[k] = ascending ? k : (k + 1) % 3;
            high[k] = ascending ? (k + 1) % 3 : k;
        }
        int node[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            const SharedPolygon& p = polygons[std::size_t(edgeOf[k])];
            if (p.polygon.IsNull())
                continue;
            const int a = low[k], c = high[k], other = 3 - a - c;
            const int na = p.lowNode, nc = p.highNode;
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
            mesh->SetNode(node[k], gp_Pnt(m_mesh.nodes[std::size_t(corner[k])]));
        // Corners in the face's order, so the triangle's normal is the face's.
        mesh->SetTriangle(1, Poly_Triangle(node[0], node[1], node[2]));
        mesh->Deflection(0.0);
        b.UpdateFace(face, mesh);
        for (int k = 0; k < 3; ++k) {
            SharedPolygon& shared = polygons[std::size_t(edgeOf[k])];
            const int from = node[low[k]], to = node[high[k]];
            Handle(Poly_PolygonOnTriangulation) polygon = shared.polygon;
            if (polygon.IsNull() || shared.lowNode != from || shared.highNode != to) {
                // The edge's parameters at its two ends, shared with its polygon on the other face.
                Handle(TColStd_HArray1OfReal) ends;
                if (!shared.polygon.IsNull())
                    ends = shared.polygon->Parameters();
                if (ends.IsNull()) {
                    ends = new TColStd_HArray1OfReal(1, 2);
                    ends->SetValue(1, 0.0);
                    ends->SetValue(2, lengths[std::size_t(edgeOf[k])]);
                }
                polygon = new Poly_PolygonOnTriangulation(2, false);
                polygon->SetNode(1, from);
                polygon->SetNode(2, to);
                polygon->SetParameters(ends);
                polygon->Deflection(0.0);
                if (shared.polygon.IsNull())
                    shared = {polygon, char(from), char(to)};
            }
            b.UpdateEdge(edges[std::size_t(edgeOf[k])], polygon, mesh, TopLoc_Location());
        }
    }

    // The analyzer, face by face on OCCT's workers, where the numbers left a doubt.
    bool checkDoubtfulFaces(const Message_ProgressRange& progress) const
    {
        Message_ProgressScope stage(progress, StlStage::kShellCheck, 1.0);
        stage.Show();
        std::atomic<bool> valid{true};
        std::atomic<bool> cancelled{false};
        try {
            OSD_Parallel::For(0, int(m_doubtful.size()), [&](int i) {
                if (!valid.load(std::memory_order_relaxed) || cancelled.load(std::memory_order_relaxed))
                    return;
                if (stage.UserBreak()) {
                    cancelled = true;
                    return;
                }
                try {
                    if (!BRepCheck_Analyzer(m_doubtful[std::size_t(i)], true, false).IsValid())
                        valid = false;
                } catch (...) {
                    valid = false;
                }
            });
        } catch (...) {
            return false;
        }
        return valid && !cancelled;
    }

    const StlMesh& m_mesh;
    double m_tolerance;
    std::vector<HalfEdge> m_halfEdges;
    std::vector<std::array<int, 2>> m_edgeNodes;  // lower and higher node
    std::vector<int> m_sideEdge;
    std::vector<char> m_flip;
    std::vector<int> m_component;
    int m_componentCount = 0;
    ShellRoles m_roles;
    std::vector<int> m_shellTurn; // per shell: as the file ran it
    std::vector<int> m_turn;      // per shell taken: summed over its copies
    int m_keptCount = 0;
    std::vector<int> m_nodeComponent; // per node: a shell taken that it is a node of, or -1
    bool m_shellsTouch = false;
    std::vector<std::pair<std::pair<int, int>, std::vector<int>>> m_fans; // edges paired around, their triangles
    std::set<std::pair<int, int>> m_voidEdges; // of those, edges between voids
    bool m_repaired = false;
    bool m_checkWhole = false;
    std::vector<double> m_volume; // per shell: signed, as the file ran it
    StlShells m_result;
    std::vector<TopoDS_Face> m_doubtful;
    const Message_ProgressScope* m_stage = nullptr;
};

// How many triangles use each side, by its node pair.
std::map<std::pair<int, int>, int> sideUses(const StlMesh& mesh)
{
    std::map<std::pair<int, int>, int> uses;
    for (const auto& tri : mesh.triangles)
        for (int k = 0; k < 3; ++k) {
            const int a = tri[std::size_t(k)], b = tri[std::size_t((k + 1) % 3)];
            ++uses[{std::min(a, b), std::max(a, b)}];
        }
    return uses;
}

// Triangles on the same three nodes run both ways add nothing to any point's winding: two
// cubes sharing a face split alike, or a void against the outer side, are one body there.
// Both are left out where they join other shells (a side used more than twice); a pair on its
// own is a flat shell, for the caller to report. False when none is left out.
bool withoutCancellingPairs(const StlMesh& mesh, StlMesh& kept)
{
    struct Key
    {
        std::array<int, 3> nodes;
        bool turned; // not a rotation of the ascending order
        int triangle;
    };
    std::vector<Key> keys;
    keys.reserve(mesh.triangles.size());
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        std::array<int, 3> n = mesh.triangles[t];
        const bool turned = !((n[0] < n[1] && n[1] < n[2]) || (n[1] < n[2] && n[2] < n[0])
                              || (n[2] < n[0] && n[0] < n[1]));
        std::sort(n.begin(), n.end());
        keys.push_back({n, turned, int(t)});
    }
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::tie(a.nodes, a.turned, a.triangle) < std::tie(b.nodes, b.turned, b.triangle);
    });
    std::vector<char> dropped(mesh.triangles.size(), 0);
    bool any = false;
    std::map<std::pair<int, int>, int> uses;
    const auto joinsOthers = [&](const std::array<int, 3>& n) {
        if (uses.empty())
            uses = sideUses(mesh);
        return uses[{n[0], n[1]}] > 2 || uses[{n[1], n[2]}] > 2 || uses[{n[0], n[2]}] > 2;
    };
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i;
        while (j < keys.size() && keys[j].nodes == keys[i].nodes)
            ++j;
        std::size_t split = i;
        while (split < j && !keys[split].turned)
            ++split;
        if (split == i || split == j || !joinsOthers(keys[i].nodes)) {
            i = j;
            continue;
        }
        for (std::size_t k = 0; k < std::min(split - i, j - split); ++k) {
            dropped[std::size_t(keys[i + k].triangle)] = 1;
            dropped[std::size_t(keys[split + k].triangle)] = 1;
            any = true;
        }
        i = j;
    }
    if (!any)
        return false;
    kept.nodes = mesh.nodes;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
        if (!dropped[t])
            kept.triangles.push_back(mesh.triangles[t]);
    return true;
}

} // namespace

StlShells StlShellBuilder::build(const StlMesh& mesh, double tolerance, const Message_ProgressRange& progress)
{
    if (mesh.triangles.empty() || !(tolerance > 0.0))
        return {};
    StlMesh kept;
    const bool whole = !withoutCancellingPairs(mesh, kept);
    const StlMesh& used = whole ? mesh : kept;
    if (used.triangles.empty())
        return {};
    return Builder(used, tolerance).run(progress);
}
