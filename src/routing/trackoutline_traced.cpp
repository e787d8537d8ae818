// Any run's outline in plan: the union of its legs' rectangles and its bends' discs on one
// integer grid, the discs as polygons of the same area, then swept up once. The union is
// Clipper's; what is written here is what the union is made of and how its boundary becomes
// faces.
#include "routing/trackoutline_p.h"
#include "routing/trackoutline_traced_p.h"

#include "foundation/occutils.h"
#include "model/routerecords.h"

#include <clipper.hpp>

#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Ax3.hxx>
#include <gp_Lin.hxx>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

// Vertices closer than this are one to OpenCASCADE; the grid stays coarser.
constexpr double kFinestUnit = 2e-7;
constexpr size_t kPiecesPerStretch = 64;

// Plan points on the integer grid of one run, near its first point.
class Grid
{
public:
    Grid(const gp_XY& origin, double r)
        : m_origin(origin), m_unit(std::max(kFinestUnit, TrackOutline::outlineTolerance(2.0 * r) / 256.0))
    {
    }

    double unit() const { return m_unit; }
    IntPoint at(const gp_XY& p) const
    {
        const gp_XY g = (p - m_origin) / m_unit;
        return IntPoint(cInt(std::llround(g.X())), cInt(std::llround(g.Y())));
    }
    gp_XY point(const IntPoint& p) const { return m_origin + gp_XY(double(p.X), double(p.Y)) * m_unit; }

private:
    gp_XY m_origin;
    double m_unit;
};

// A leg's rectangle, counter-clockwise. Rounding to the grid keeps the order of its corners
// along the leg: one far shorter than a unit collapses, it does not fold.
void addRectangle(const Grid& grid, const gp_XY& a, const gp_XY& b, double right, double left, Paths& pieces)
{
    const gp_XY along = (b - a) / (b - a).Modulus();
    const gp_XY normal(-along.Y(), along.X());
    pieces.push_back({grid.at(a - normal * right), grid.at(b - normal * right), grid.at(b + normal * left),
                      grid.at(a + normal * left)});
}

// Bends' discs as regular polygons of their area whose vertices and sides stray from the
// circle by at most a quarter of the outline's tolerance. Discs in a chain along a direction
// make a side as far out as their vertices reach across it: turned so that this is the
// circle's radius, the chain keeps its width as a lone disc keeps its area. A disc that
// overlaps the last ones most of the way is turned as they are, else where their polygons
// differ their union would grow.
class Discs
{
public:
    Discs(const Grid& grid, double r) : m_grid(grid), m_r(r)
    {
        const double most = 0.25 * TrackOutline::outlineTolerance(2.0 * r);
        for (m_count = 8;; m_count += 4) {
            const double step = 2.0 * M_PI / m_count;
            m_radius = r * std::sqrt(step / std::sin(step));
            if (m_radius - r <= most && r - m_radius * std::cos(0.5 * step) <= most)
                break;
        }
    }

    void add(const gp_XY& centre, const gp_XY& along, Paths& pieces)
    {
        double first = (along.SquareModulus() > 0.0 ? std::atan2(along.X(), -along.Y()) : 0.0) + std::acos(m_r / m_radius);
        for (size_t k = m_made.size(); k > 0 && k + 4 > m_made.size(); --k)
            if ((m_made[k - 1].first - centre).Modulus() < 0.5 * m_r) {
                first = m_made[k - 1].second;
                break;
            }
        m_made.emplace_back(centre, first);
        Path disc;
        for (int k = 0; k < m_count; ++k) {
            const double angle = first + 2.0 * M_PI * k / m_count;
            disc.push_back(m_grid.at(centre + gp_XY(std::cos(angle), std::sin(angle)) * m_radius));
        }
        pieces.push_back(disc);
    }

private:
    const Grid& m_grid;
    double m_r;
    int m_count = 8;
    double m_radius = 0.0;
    std::vector<std::pair<gp_XY, double>> m_made; // centres and the angle of their first vertex
};

} // namespace

namespace TrackOutline::Traced {

Paths unionOf(const Paths& pieces)
{
    ClipperLib::Clipper clipper;
    clipper.AddPaths(pieces, ClipperLib::ptSubject, true);
    // A union that fails leaves the tree empty: no face either.
    ClipperLib::PolyTree tree;
    clipper.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    if (tree.ChildCount() != 1)
        return {};
    const ClipperLib::PolyNode* outer = tree.Childs.front();
    Paths loops = {outer->Contour};
    for (const ClipperLib::PolyNode* hole : outer->Childs) {
        if (hole->ChildCount() != 0) // an island in a hole: not one face
            return {};
        loops.push_back(hole->Contour);
    }
    ClipperLib::CleanPolygons(loops);
    for (const Path& loop : loops)
        if (loop.size() < 3)
            return {};
    return loops;
}

} // namespace TrackOutline::Traced

namespace {

using TrackOutline::Traced::splitAt;
using TrackOutline::Traced::stripOf;
using TrackOutline::Traced::unionOf;

double areaOf(const Paths& loops)
{
    double area = 0.0;
    for (const Path& loop : loops)
        area += ClipperLib::Area(loop);
    return area;
}

// Runs of a loop's vertices become the straight line from the run's first to its last
// vertex, moved across to keep the area they enclosed, where every vertex of the run lies
// within the tolerance of the moved line. Consecutive lines are joined end to start.
Path straightened(const Path& loop, double tolerance)
{
    const size_t n = loop.size();
    const auto at = [&](size_t k) { return gp_XY(double(loop[k % n].X), double(loop[k % n].Y)); };
    Path out;
    const auto put = [&out](const gp_XY& p) {
        const IntPoint q(cInt(std::llround(p.X())), cInt(std::llround(p.Y())));
        if (out.empty() || !(out.back() == q))
            out.push_back(q);
    };
    // The line from vertex i to the last vertex a cone of that width lets it reach, and how far
    // to move it; how far the run then strays from it.
    const auto lineFrom = [&](size_t i, double width, size_t& end, gp_XY& shift) {
        TrackOutline::Cone cone(at(i), width);
        end = i + 1;
        for (size_t j = i + 1; j <= n; ++j) {
            bool canEnd = false;
            const bool open = cone.take(at(j), canEnd);
            if (canEnd)
                end = j;
            if (!open)
                break;
        }
        const gp_XY a = at(i), chord = at(end) - a;
        double twice = 0.0; // twice the area between the vertices and the line
        for (size_t k = i; k < end; ++k)
            twice += (at(k) - a).Crossed(at(k + 1) - a);
        const double length = chord.Modulus();
        const gp_XY normal = gp_XY(-chord.Y(), chord.X()) / length;
        shift = normal * (-0.5 * twice / length);
        double stray = 0.0;
        for (size_t k = i + 1; k < end; ++k)
            stray = std::max(stray, std::abs(normal.Dot(at(k) - a - shift)));
        return std::max(stray, shift.Modulus());
    };
    for (size_t i = 0; i < n;) {
        size_t end = i + 1;
        gp_XY shift(0, 0);
        for (double width = 2.0 * tolerance; width >= 0.25 * tolerance; width *= 0.5) {
            if (lineFrom(i, width, end, shift) <= tolerance)
                break;
            end = i + 1;
            shift = gp_XY(0, 0);
        }
        put(at(i) + shift);
        put(at(end) + shift);
        i = end;
    }
    if (out.size() > 1 && out.front() == out.back())
        out.pop_back();
    return out;
}

// Whether a loop passes a vertex twice: pinched there, it is two pieces of material.
bool touchesItself(const Path& loop)
{
    std::set<std::pair<cInt, cInt>> seen;
    for (const IntPoint& p : loop)
        if (!seen.insert({p.X, p.Y}).second)
            return true;
    return false;
}

// The outline with straightened loops, where that leaves one outline of the same area whose
// loops do not touch themselves.
Paths simplerOf(const Paths& loops, double tolerance)
{
    Paths straight;
    size_t before = 0, after = 0;
    for (const Path& loop : loops) {
        straight.push_back(straightened(loop, tolerance));
        before += loop.size();
        after += straight.back().size();
    }
    if (after >= before) // nothing straightened: a thin track's bends
        return loops;
    // Straightened loops that merge, part or vanish (no union at all) move the area as well.
    Paths simpler = unionOf(straight);
    for (const Path& loop : simpler)
        if (touchesItself(loop))
            return loops;
    const double area = areaOf(loops);
    if (std::abs(areaOf(simpler) - area) > 1e-4 * area)
        return loops;
    return simpler;
}

// Lines across the outline's longer side, each between two vertices, so that no strip
// between them holds many more edges than one face should.
std::vector<cInt> cutsOf(const Paths& loops)
{
    std::vector<cInt> taken;
    for (const Path& loop : loops)
        for (const IntPoint& p : loop)
            taken.push_back(p.X);
    std::sort(taken.begin(), taken.end());
    std::vector<cInt> cuts;
    // Crossings of the lines and the walls along them come on top.
    const size_t perStrip = TrackOutline::kMostEdgesPerFace * 3 / 4;
    for (size_t k = perStrip; k + perStrip / 2 < taken.size(); k += perStrip) {
        while (k + 1 < taken.size() && taken[k + 1] - taken[k] < 2)
            ++k;
        if (k + perStrip / 2 < taken.size())
            cuts.push_back(taken[k] + (taken[k + 1] - taken[k]) / 2);
    }
    return cuts;
}

} // namespace

namespace TrackOutline::Traced {

Paths splitAt(const Paths& loops, const std::vector<cInt>& cuts)
{
    Paths split;
    std::set<std::pair<cInt, cInt>> crossings;
    for (const Path& loop : loops) {
        Path out;
        for (size_t k = 0; k < loop.size(); ++k) {
            const IntPoint &p = loop[k], &q = loop[(k + 1) % loop.size()];
            out.push_back(p);
            const auto from = std::upper_bound(cuts.begin(), cuts.end(), std::min(p.X, q.X));
            const auto to = std::lower_bound(cuts.begin(), cuts.end(), std::max(p.X, q.X));
            std::vector<IntPoint> here;
            // An edge along a line crosses none: there from passes to.
            for (auto c = from; c < to; ++c) {
                const long double t = (long double)(*c - p.X) / (long double)(q.X - p.X);
                here.emplace_back(*c, cInt(std::llround((long double)p.Y + t * (long double)(q.Y - p.Y))));
                if (!crossings.insert({here.back().X, here.back().Y}).second)
                    return {};
            }
            if (q.X < p.X)
                std::reverse(here.begin(), here.end());
            out.insert(out.end(), here.begin(), here.end());
        }
        split.push_back(out);
    }
    return split;
}

// The part of the outline between two cut lines, as the loops of its faces: outer loops, each
// followed by its holes. Every edge crossing a line has a vertex on it, so the loops' edges
// inside the strip are whole, and each run of vertices beyond a line lies beyond that one line.
// Such a run goes to Clipper as a detour one unit beyond the line and the strip is cut out.
// Runs closed along the line instead overlap there where the outline leaves the strip and
// comes back into it nested, as round a bay open across a line; Clipper kept such an overlap as
// a hole touching its outer loop, and the face was invalid. Beyond the line, where detours
// overlap one another, is cut away.
bool stripOf(const Paths& loops, cInt from, cInt to, std::vector<Paths>& faces)
{
    const auto inStrip = [from, to](const IntPoint& p) { return p.X >= from && p.X <= to; };
    cInt low = loops.front().front().Y, high = low;
    Paths inside;
    for (const Path& loop : loops) {
        const size_t n = loop.size();
        size_t start = 0;
        while (start < n && !inStrip(loop[start]))
            ++start;
        if (start == n)
            continue;
        Path kept;
        for (size_t k = 0; k < n; ++k) {
            const IntPoint& p = loop[(start + k) % n];
            low = std::min(low, p.Y), high = std::max(high, p.Y);
            if (inStrip(p)) {
                kept.push_back(p);
            } else if (inStrip(kept.back())) {
                const IntPoint& back = loop[(start + k + n - 1) % n];
                size_t end = k;
                while (!inStrip(loop[(start + end) % n]))
                    ++end;
                const IntPoint& ahead = loop[(start + end) % n];
                const cInt x = p.X < from ? from - 1 : to + 1;
                kept.emplace_back(x, back.Y);
                kept.emplace_back(x, ahead.Y);
            }
        }
        inside.push_back(kept);
    }
    ClipperLib::Clipper clipper;
    clipper.PreserveCollinear(true);
    clipper.StrictlySimple(true);
    clipper.AddPaths(inside, ClipperLib::ptSubject, true);
    clipper.AddPath({IntPoint(from, low - 1), IntPoint(to, low - 1), IntPoint(to, high + 1), IntPoint(from, high + 1)},
                    ClipperLib::ptClip, true);
    // An intersection that fails leaves the strip without faces: the sweep finds its shell open.
    ClipperLib::PolyTree tree;
    clipper.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    for (const ClipperLib::PolyNode* outer : tree.Childs) {
        faces.push_back({outer->Contour});
        for (const ClipperLib::PolyNode* hole : outer->Childs) {
            if (hole->ChildCount() != 0)
                return false;
            faces.back().push_back(hole->Contour);
        }
    }
    return true;
}

} // namespace TrackOutline::Traced

namespace {

// Builds the solid's faces by hand: each line of the grid is one edge, run each way by the
// faces on its two sides, and every edge carries its curve on each plane it lies on, written
// as a line rather than projected (the display's meshing asks for it on every face).
class Sweep
{
public:
    Sweep(const Grid& grid, double z, double height)
        : m_grid(grid), m_z{z, z + height}, m_caps{capPlane(z), capPlane(z + height)}
    {
        m_builder.MakeShell(m_shell);
    }

    // The side faces of the outline's loops, each counter-clockwise around what it encloses.
    void addSides(const Paths& loops)
    {
        for (const Path& loop : loops)
            for (size_t k = 0; k < loop.size(); ++k) {
                const IntPoint &a = loop[k], &b = loop[(k + 1) % loop.size()];
                const gp_XY pa = m_grid.point(a), along = m_grid.point(b) - pa;
                const gp_Dir x(along.X(), along.Y(), 0.0);
                // Facing out, to the right of the way round; u runs along the loop and v up.
                const Handle(Geom_Plane) plane =
                    new Geom_Plane(gp_Ax3(gp_Pnt(pa.X(), pa.Y(), m_z[0]), gp_Dir(x.Y(), -x.X(), 0.0), x));
                m_builder.Add(m_shell, face(plane, false, {{line(0, a, b), post(b), TopoDS::Edge(line(1, a, b).Reversed()),
                                                     TopoDS::Edge(post(a).Reversed())}}));
            }
    }

    // A bottom face and its top, its outer loop first. An edge of theirs that is not one of the
    // sides' is run once only, unless another cap runs it back: solid() then refuses the shell.
    void addCaps(const Paths& loops)
    {
        std::vector<std::vector<TopoDS_Edge>> wires[2];
        for (int level = 0; level < 2; ++level)
            for (const Path& loop : loops) {
                wires[level].emplace_back();
                for (size_t k = 0; k < loop.size(); ++k)
                    wires[level].back().push_back(line(level, loop[k], loop[(k + 1) % loop.size()]));
            }
        m_builder.Add(m_shell, face(m_caps[0], true, wires[0]).Reversed());
        m_builder.Add(m_shell, face(m_caps[1], false, wires[1]));
    }

    // Null where the shell is not closed: an edge not run as often each way, as where the
    // strips of an outline that crosses itself many times do not meet along a cut.
    TopoDS_Shape solid()
    {
        for (const auto& [edge, runs] : m_runs)
            if (runs[0] != runs[1])
                return TopoDS_Shape();
        m_shell.Closed(true);
        TopoDS_Solid solid;
        m_builder.MakeSolid(solid);
        m_builder.Add(solid, m_shell);
        return solid;
    }

private:
    static Handle(Geom_Plane) capPlane(double z) { return new Geom_Plane(gp_Ax3(gp_Pnt(0, 0, z), gp::DZ(), gp::DX())); }

    TopoDS_Face face(const Handle(Geom_Plane)& plane, bool down, const std::vector<std::vector<TopoDS_Edge>>& wires)
    {
        TopoDS_Face face;
        m_builder.MakeFace(face, plane, kTolerance);
        for (const std::vector<TopoDS_Edge>& edges : wires) {
            TopoDS_Wire wire;
            m_builder.MakeWire(wire);
            for (const TopoDS_Edge& edge : edges) {
                const gp_Lin& line = m_lines3d.at(edge.TShape().get());
                m_builder.UpdateEdge(edge, TrackOutline::lineOnPlane(line, plane->Position()), plane, TopLoc_Location(),
                                     kTolerance);
                m_builder.Add(wire, edge);
                ++m_runs[edge.TShape().get()][(edge.Orientation() == TopAbs_FORWARD) != down ? 0 : 1];
            }
            wire.Closed(true);
            m_builder.Add(face, wire);
        }
        return face;
    }

    TopoDS_Vertex vertex(int level, const IntPoint& p)
    {
        TopoDS_Vertex& shape = m_vertices[level][{p.X, p.Y}];
        if (shape.IsNull()) {
            const gp_XY q = m_grid.point(p);
            m_builder.MakeVertex(shape, gp_Pnt(q.X(), q.Y(), m_z[level]), kTolerance);
        }
        return shape;
    }

    TopoDS_Edge edge(const TopoDS_Vertex& a, const TopoDS_Vertex& b)
    {
        const gp_Pnt pa = BRep_Tool::Pnt(a), pb = BRep_Tool::Pnt(b);
        const gp_Lin lin(pa, gp_Dir(gp_Vec(pa, pb)));
        TopoDS_Edge edge;
        m_builder.MakeEdge(edge, new Geom_Line(lin), kTolerance);
        m_builder.Add(edge, a.Oriented(TopAbs_FORWARD));
        m_builder.Add(edge, b.Oriented(TopAbs_REVERSED));
        m_builder.Range(edge, 0.0, pa.Distance(pb));
        m_lines3d.emplace(edge.TShape().get(), lin);
        return edge;
    }

    // The line from a to b at the bottom (level 0) or the top.
    TopoDS_Edge line(int level, const IntPoint& a, const IntPoint& b)
    {
        const auto key = std::make_pair(std::make_pair(a.X, a.Y), std::make_pair(b.X, b.Y));
        const auto same = m_lines[level].find(key);
        if (same != m_lines[level].end())
            return same->second;
        const auto back = m_lines[level].find({key.second, key.first});
        if (back != m_lines[level].end())
            return TopoDS::Edge(back->second.Reversed());
        return m_lines[level][key] = edge(vertex(level, a), vertex(level, b));
    }

    // The upright edge at p, upward.
    TopoDS_Edge post(const IntPoint& p)
    {
        TopoDS_Edge& shape = m_posts[{p.X, p.Y}];
        if (shape.IsNull())
            shape = edge(vertex(0, p), vertex(1, p));
        return shape;
    }

    static constexpr double kTolerance = 1e-7;
    const Grid& m_grid;
    double m_z[2];
    Handle(Geom_Plane) m_caps[2];
    std::map<std::pair<cInt, cInt>, TopoDS_Vertex> m_vertices[2];
    std::map<std::pair<std::pair<cInt, cInt>, std::pair<cInt, cInt>>, TopoDS_Edge> m_lines[2];
    std::map<std::pair<cInt, cInt>, TopoDS_Edge> m_posts;
    std::map<const void*, gp_Lin> m_lines3d; // each edge's line, by its shared shape
    std::map<const void*, std::array<int, 2>> m_runs; // how often each edge is run forward, backward
    BRep_Builder m_builder;
    TopoDS_Shell m_shell;
};

// A quarter turn, which keeps the loops' sense: strips are cut across x.
void turn(Paths& loops, bool back)
{
    for (Path& loop : loops)
        for (IntPoint& p : loop)
            p = back ? IntPoint(-p.Y, p.X) : IntPoint(p.Y, -p.X);
}

// The outline swept from z up by height, its bottom and top in strips where it is long.
TopoDS_Shape sweptOutline(Paths loops, const Grid& grid, double z, double height)
{
    size_t edges = 0;
    cInt xmin = loops.front().front().X, xmax = xmin, ymin = loops.front().front().Y, ymax = ymin;
    for (const IntPoint& p : loops.front()) {
        xmin = std::min(xmin, p.X), xmax = std::max(xmax, p.X);
        ymin = std::min(ymin, p.Y), ymax = std::max(ymax, p.Y);
    }
    for (const Path& loop : loops)
        edges += loop.size();
    if (edges > size_t(TrackOutline::kMostEdgesPerFace)) {
        const bool across = ymax - ymin > xmax - xmin;
        if (across)
            turn(loops, false);
        const std::vector<cInt> cuts = cutsOf(loops);
        Paths split = splitAt(loops, cuts);
        std::vector<Paths> parts;
        bool ok = !split.empty();
        const cInt low = std::min(xmin, ymin) - 1, high = std::max(xmax, ymax) + 1;
        for (size_t k = 0; ok && k <= cuts.size(); ++k)
            ok = stripOf(split, k == 0 ? low : cuts[k - 1], k == cuts.size() ? high : cuts[k], parts);
        if (ok) {
            if (across) {
                turn(split, true);
                for (Paths& part : parts)
                    turn(part, true);
            }
            Sweep sweep(grid, z, height);
            sweep.addSides(split);
            for (const Paths& part : parts)
                sweep.addCaps(part);
            const TopoDS_Shape solid = sweep.solid();
            if (!solid.IsNull())
                return solid;
        }
        if (across)
            turn(loops, true);
    }
    Sweep sweep(grid, z, height);
    sweep.addSides(loops);
    sweep.addCaps(loops);
    return sweep.solid();
}

} // namespace

namespace TrackOutline {

TopoDS_Shape tracedRunSolid(const QList<RouteSegment>& segments, int first, int last)
{
    const RouteSegment& head = segments.at(first);
    const double r = head.width * 0.5;
    const Legs legs = legsOf(segments, first, last, true);
    const Grid grid(legs.points.front(), r);
    return OccUtils::guardedCall(TopoDS_Shape(), "tracedRunSolid", [&] {
        // The pieces in the run's order, united a stretch at a time: one union of them all
        // would merge thousands of small loops into one long one, walking it each time.
        const std::vector<gp_XY>& p = legs.points;
        Discs discs(grid, r);
        Paths pieces, stretches;
        size_t nextRound = 0;
        for (size_t i = 0; i < p.size(); ++i) {
            if (legs.round[i])
                discs.add(p[i], i > 0 && i + 1 < p.size() ? p[i + 1] - p[i - 1] : gp_XY(), pieces);
            for (; nextRound < legs.rounds.size() && legs.rounds[nextRound].near == i; ++nextRound)
                discs.add(legs.rounds[nextRound].centre, legs.rounds[nextRound].along, pieces);
            if (i + 1 < p.size() && (p[i + 1] - p[i]).Modulus() > 0.0)
                addRectangle(grid, p[i], p[i + 1], r + legs.right[i], r + legs.left[i], pieces);
            if (pieces.size() >= kPiecesPerStretch || i + 1 == p.size()) {
                ClipperLib::Clipper clipper;
                clipper.AddPaths(pieces, ClipperLib::ptSubject, true);
                Paths stretch;
                clipper.Execute(ClipperLib::ctUnion, stretch, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
                stretches.insert(stretches.end(), stretch.begin(), stretch.end());
                pieces.clear();
            }
        }
        const Paths loops = unionOf(stretches);
        if (loops.empty())
            return TopoDS_Shape();
        const Paths outline = simplerOf(loops, 0.5 * TrackOutline::outlineTolerance(2.0 * r) / grid.unit());
        return sweptOutline(outline, grid, head.start.Z(), head.height);
    });
}

} // namespace TrackOutline
