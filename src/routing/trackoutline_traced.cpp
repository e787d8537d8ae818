// Any run's outline traced in plan: the boundary of the union of its segments' rectangles and
// its bends' discs, kept piece by piece where nothing else covers it, then swept up once. Each
// piece meets only its neighbours, so a run that retraces itself or climbs in steps shorter
// than its width costs in proportion to its length, where uniting the solids does not.
#include "routing/trackoutline.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "model/routerecords.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <Geom_Plane.hxx>
#include <NCollection_DataMap.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Solid.hxx>
#include <BRep_Builder.hxx>
#include <Geom_Circle.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Ax2.hxx>
#include <gp_Pln.hxx>
#include <gp_XY.hxx>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace {

constexpr double kZeroLength = 1e-7;
// A point this near a curve lies on it: where two boundaries touch, meet or run together.
constexpr double kOnCurve = 1e-9;
// How far to either side of a piece of boundary the pieces are asked whether they cover it:
// just past kOnCurve, since rounds a few micrometres apart on a micrometre track meet each
// other a few nanometres inside its sides, and a deeper probe lands beyond that meeting.
constexpr double kProbe = 2e-9;
// Ends of kept boundary pieces this close are one vertex.
constexpr double kSameVertex = 1e-7;
constexpr double kTwoPi = 2.0 * M_PI;

// One key for a grid cell; cells left of or below the origin have negative numbers, which an
// unsigned shift takes without fault.
long long cellKey(long long x, long long y)
{
    return (long long)(((unsigned long long)x << 32) ^ ((unsigned long long)y & 0xffffffffULL));
}

double angleOf(const gp_XY& v)
{
    const double a = std::atan2(v.Y(), v.X());
    return a < 0.0 ? a + kTwoPi : a;
}

// A segment's rectangle or a bend's disc.
struct Piece
{
    bool disc = false;
    gp_XY corner[4]; // counter-clockwise
    gp_XY unit[4];   // from each corner to the next
    double side[4] = {};
    gp_XY centre;
    double radius = 0.0;
    double xmin = 0.0, ymin = 0.0, xmax = 0.0, ymax = 0.0;

    bool contains(const gp_XY& p) const
    {
        if (disc)
            return (p - centre).SquareModulus() < radius * radius;
        for (int k = 0; k < 4; ++k)
            if (unit[k].Crossed(p - corner[k]) <= 0.0)
                return false;
        return true;
    }
};

// A convex quadrilateral, corners counter-clockwise.
Piece quad(const gp_XY& c0, const gp_XY& c1, const gp_XY& c2, const gp_XY& c3)
{
    Piece piece;
    piece.corner[0] = c0;
    piece.corner[1] = c1;
    piece.corner[2] = c2;
    piece.corner[3] = c3;
    piece.xmin = piece.ymin = HUGE_VAL;
    piece.xmax = piece.ymax = -HUGE_VAL;
    for (int k = 0; k < 4; ++k) {
        const gp_XY e = piece.corner[(k + 1) % 4] - piece.corner[k];
        piece.side[k] = e.Modulus();
        piece.unit[k] = e / piece.side[k];
        piece.xmin = std::min(piece.xmin, piece.corner[k].X());
        piece.ymin = std::min(piece.ymin, piece.corner[k].Y());
        piece.xmax = std::max(piece.xmax, piece.corner[k].X());
        piece.ymax = std::max(piece.ymax, piece.corner[k].Y());
    }
    return piece;
}

Piece rectangle(const gp_XY& a, const gp_XY& b, double r)
{
    gp_XY along = b - a;
    along /= along.Modulus();
    const gp_XY normal(-along.Y(), along.X());
    return quad(a - normal * r, b - normal * r, b + normal * r, a + normal * r);
}

Piece disc(const gp_XY& centre, double r)
{
    Piece piece;
    piece.disc = true;
    piece.centre = centre;
    piece.radius = r;
    piece.xmin = centre.X() - r;
    piece.ymin = centre.Y() - r;
    piece.xmax = centre.X() + r;
    piece.ymax = centre.Y() + r;
    return piece;
}

// Where a line (from p along unit u) meets a circle: distances along the line.
int lineCircle(const gp_XY& p, const gp_XY& u, const gp_XY& centre, double r, double out[2])
{
    const gp_XY w = centre - p;
    const double h = std::abs(u.Crossed(w));
    const double b = w.Dot(u);
    if (h > r + kOnCurve)
        return 0;
    if (h >= r - kOnCurve) {
        out[0] = b;
        return 1;
    }
    const double d = std::sqrt(r * r - h * h);
    out[0] = b - d;
    out[1] = b + d;
    return 2;
}

// The pieces' outline as pieces of boundary, each with the union's inside on its left.
struct Edge
{
    bool arc = false;
    gp_XY centre;
    double radius = 0.0;
    gp_XY from, to;
    int v0 = -1, v1 = -1;
    bool wall = false; // where the outline is cut across
};

class Tracer
{
public:
    Tracer(std::vector<Piece> pieces, double cell) : m_pieces(std::move(pieces)), m_cell(cell)
    {
        for (int i = 0; i < int(m_pieces.size()); ++i)
            forEachCell(m_pieces[size_t(i)], [&](long long key) { m_grid[key].push_back(i); });
    }

    std::vector<Edge> boundary()
    {
        std::vector<Edge> kept;
        std::vector<int> near;
        for (int i = 0; i < int(m_pieces.size()); ++i) {
            neighbours(i, near);
            const Piece& piece = m_pieces[size_t(i)];
            if (piece.disc)
                traceCircle(i, near, kept);
            else
                for (int k = 0; k < 4; ++k)
                    traceLine(i, k, near, kept);
        }
        return kept;
    }

private:
    long long cellOf(double v) const { return (long long)std::floor(v / m_cell); }

    // The cells a piece covers, column by column: a leg across the grid's axes enters the cells
    // along it, not every cell of its bounding box, which would grow with its length squared.
    template <class Visit>
    void forEachCell(const Piece& p, Visit visit) const
    {
        constexpr double kSlack = 1e-6; // pieces that touch share a cell
        for (long long x = cellOf(p.xmin - kSlack); x <= cellOf(p.xmax + kSlack); ++x) {
            double low = p.ymin, high = p.ymax;
            if (!p.disc) {
                const double left = double(x) * m_cell - kSlack, right = double(x + 1) * m_cell + kSlack;
                low = HUGE_VAL, high = -HUGE_VAL;
                for (int k = 0; k < 4; ++k) {
                    const gp_XY a = p.corner[k], d = p.corner[(k + 1) % 4] - a;
                    double t0 = 0.0, t1 = 1.0;
                    if (d.X() != 0.0) {
                        const double tl = (left - a.X()) / d.X(), tr = (right - a.X()) / d.X();
                        t0 = std::max(0.0, std::min(tl, tr));
                        t1 = std::min(1.0, std::max(tl, tr));
                    } else if (a.X() < left || a.X() > right) {
                        continue;
                    }
                    if (t0 > t1)
                        continue;
                    for (const double t : {t0, t1}) {
                        low = std::min(low, a.Y() + d.Y() * t);
                        high = std::max(high, a.Y() + d.Y() * t);
                    }
                }
            }
            for (long long y = cellOf(low - kSlack); y <= cellOf(high + kSlack); ++y)
                visit(cellKey(x, y));
        }
    }

    void neighbours(int i, std::vector<int>& near) const
    {
        near.clear();
        const Piece& p = m_pieces[size_t(i)];
        forEachCell(p, [&](long long key) {
            const auto it = m_grid.find(key);
            if (it != m_grid.end())
                near.insert(near.end(), it->second.begin(), it->second.end());
        });
        std::sort(near.begin(), near.end());
        near.erase(std::unique(near.begin(), near.end()), near.end());
        const double slack = 1e-6;
        near.erase(std::remove_if(near.begin(), near.end(), [&](int j) {
            const Piece& q = m_pieces[size_t(j)];
            return j == i || q.xmin > p.xmax + slack || q.xmax < p.xmin - slack || q.ymin > p.ymax + slack
                || q.ymax < p.ymin - slack;
        }), near.end());
    }

    // A piece of piece i's boundary is the union's where no other piece covers its outer side,
    // and, where another runs along it on the same side, only the first of them keeps it.
    bool isKept(int i, const std::vector<int>& near, const gp_XY& m, const gp_XY& outward) const
    {
        const gp_XY out = m + outward * kProbe;
        const gp_XY in = m - outward * kProbe;
        for (int j : near) {
            const Piece& q = m_pieces[size_t(j)];
            if (q.contains(out) || (j < i && q.contains(in)))
                return false;
        }
        return true;
    }

    void traceLine(int i, int k, const std::vector<int>& near, std::vector<Edge>& kept) const
    {
        const Piece& piece = m_pieces[size_t(i)];
        const gp_XY a = piece.corner[k];
        const gp_XY u = piece.unit[k];
        const double length = piece.side[k];
        std::vector<double> at = {0.0, length};
        const auto add = [&](double t) {
            if (t > -kOnCurve && t < length + kOnCurve)
                at.push_back(std::clamp(t, 0.0, length));
        };
        for (int j : near) {
            const Piece& q = m_pieces[size_t(j)];
            double t[2];
            if (q.disc) {
                for (int n = lineCircle(a, u, q.centre, q.radius, t), c = 0; c < n; ++c)
                    add(t[c]);
                continue;
            }
            for (int e = 0; e < 4; ++e) {
                const gp_XY c = q.corner[e];
                const gp_XY v = q.unit[e];
                const gp_XY w = c - a;
                const double denominator = u.Crossed(v);
                if (std::abs(denominator) > 1e-12) {
                    const double s = w.Crossed(u) / denominator;
                    if (s > -kOnCurve && s < q.side[e] + kOnCurve)
                        add(w.Crossed(v) / denominator);
                }
                // Ends of the other side that touch this one, and where sides run together.
                for (const gp_XY& end : {c, q.corner[(e + 1) % 4]})
                    if (std::abs(u.Crossed(end - a)) <= kOnCurve)
                        add((end - a).Dot(u));
            }
        }
        std::sort(at.begin(), at.end());
        const gp_XY outward(u.Y(), -u.X());
        for (size_t n = 0; n + 1 < at.size(); ++n) {
            if (at[n + 1] - at[n] < kZeroLength)
                continue;
            if (!isKept(i, near, a + u * (0.5 * (at[n] + at[n + 1])), outward))
                continue;
            Edge edge;
            edge.from = a + u * at[n];
            edge.to = a + u * at[n + 1];
            kept.push_back(edge);
        }
    }

    void traceCircle(int i, const std::vector<int>& near, std::vector<Edge>& kept) const
    {
        const Piece& piece = m_pieces[size_t(i)];
        const gp_XY& o = piece.centre;
        const double r = piece.radius;
        std::vector<double> at;
        for (int j : near) {
            const Piece& q = m_pieces[size_t(j)];
            if (q.disc) {
                const gp_XY d = q.centre - o;
                const double distance = d.Modulus();
                if (distance < kOnCurve || distance > r + q.radius + kOnCurve)
                    continue;
                const gp_XY along = d / distance;
                if (distance >= r + q.radius - kOnCurve) {
                    at.push_back(angleOf(along));
                    continue;
                }
                const double x = (distance * distance + r * r - q.radius * q.radius) / (2.0 * distance);
                const double y = std::sqrt(std::max(0.0, r * r - x * x));
                const gp_XY across(-along.Y(), along.X());
                at.push_back(angleOf(along * x + across * y));
                at.push_back(angleOf(along * x - across * y));
                continue;
            }
            for (int e = 0; e < 4; ++e) {
                double t[2];
                for (int n = lineCircle(q.corner[e], q.unit[e], o, r, t), c = 0; c < n; ++c)
                    if (t[c] > -kOnCurve && t[c] < q.side[e] + kOnCurve)
                        at.push_back(angleOf(q.corner[e] + q.unit[e] * t[c] - o));
            }
        }
        const auto point = [&](double angle) { return o + gp_XY(std::cos(angle), std::sin(angle)) * r; };
        if (at.empty()) {
            if (isKept(i, near, point(0.0), gp_XY(1.0, 0.0))) {
                Edge whole;
                whole.arc = true;
                whole.centre = o;
                whole.radius = r;
                whole.from = whole.to = point(0.0);
                kept.push_back(whole);
            }
            return;
        }
        std::sort(at.begin(), at.end());
        at.push_back(at.front() + kTwoPi);
        for (size_t n = 0; n + 1 < at.size(); ++n) {
            if ((at[n + 1] - at[n]) * r < kZeroLength)
                continue;
            const double middle = 0.5 * (at[n] + at[n + 1]);
            if (!isKept(i, near, point(middle), gp_XY(std::cos(middle), std::sin(middle))))
                continue;
            Edge edge;
            edge.arc = true;
            edge.centre = o;
            edge.radius = r;
            edge.from = point(at[n]);
            edge.to = point(at[n + 1]);
            kept.push_back(edge);
        }
    }

    std::vector<Piece> m_pieces;
    double m_cell;
    std::unordered_map<long long, std::vector<int>> m_grid;
};

// Ends of boundary pieces that are one point, found through a fine grid.
class Vertices
{
public:
    int of(const gp_XY& p)
    {
        const long long x = (long long)std::floor(p.X() / kCell), y = (long long)std::floor(p.Y() / kCell);
        for (long long dx = -1; dx <= 1; ++dx)
            for (long long dy = -1; dy <= 1; ++dy) {
                const auto it = m_cells.find(cellKey(x + dx, y + dy));
                if (it == m_cells.end())
                    continue;
                for (int v : it->second)
                    if ((points[size_t(v)] - p).Modulus() <= kSameVertex)
                        return v;
            }
        points.push_back(p);
        m_cells[cellKey(x, y)].push_back(int(points.size()) - 1);
        return int(points.size()) - 1;
    }

    std::vector<gp_XY> points;

private:
    static constexpr double kCell = 1e-6;
    std::unordered_map<long long, std::vector<int>> m_cells;
};

bool continues(const Edge& a, const Edge& b)
{
    if (a.arc != b.arc)
        return false;
    if (a.arc)
        return (a.centre - b.centre).Modulus() < kOnCurve && std::abs(a.radius - b.radius) < kOnCurve;
    const gp_XY u = a.to - a.from, v = b.to - b.from;
    return std::abs(u.Crossed(v)) <= 1e-12 * u.Modulus() * v.Modulus() && u.Dot(v) > 0.0;
}

// The angle an arc turns through, counter-clockwise; a whole circle where it ends where it starts.
double sweepOf(const Edge& e)
{
    if (e.from.IsEqual(e.to, 0.0))
        return kTwoPi;
    const double sweep = angleOf(e.to - e.centre) - angleOf(e.from - e.centre);
    return sweep <= 0.0 ? sweep + kTwoPi : sweep;
}

// Twice the area a loop's edges enclose, positive counter-clockwise.
double twiceArea(const std::vector<Edge>& loop)
{
    double twice = 0.0;
    for (const Edge& e : loop) {
        twice += e.from.Crossed(e.to);
        if (e.arc) { // the circular segment between chord and arc
            const double sweep = sweepOf(e);
            twice += e.radius * e.radius * (sweep - std::sin(sweep));
        }
    }
    return twice;
}

// How far the swept outline may stray from the traced one. Steps much shorter than the width
// trace as thousands of scallops a few micrometres deep, each a face that every later step
// (cutting, checking, writing the file) pays for; the 3MF mesh strays further.
double outlineTolerance(double r)
{
    return std::min(0.01, r / 40.0);
}

// The nearest and farthest an edge strays to the left of the line through a along unit u.
void strayOf(const Edge& e, const gp_XY& a, const gp_XY& u, double& lo, double& hi)
{
    const gp_XY n(-u.Y(), u.X());
    const auto take = [&](const gp_XY& p) {
        const double d = n.Dot(p - a);
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    };
    take(e.from);
    take(e.to);
    if (!e.arc)
        return;
    const double start = angleOf(e.from - e.centre), sweep = sweepOf(e);
    for (const gp_XY& side : {n, n.Reversed()}) {
        const double along = std::fmod(angleOf(side) - start + 2.0 * kTwoPi, kTwoPi);
        if (along < sweep)
            take(e.centre + side * e.radius);
    }
}

// Runs of edges that stay within tolerance of the straight line from the run's start to its
// end, going forward along it, replaced by that line moved out to keep their area; the loop
// unchanged where that would turn it inside out.
std::vector<Edge> simplified(const std::vector<Edge>& loop, double tolerance, Vertices& vertices)
{
    // Runs are bounded so that the work stays in proportion to the outline's length.
    constexpr size_t kLongestRun = 1024;
    std::vector<Edge> out;
    enum Kind { kPlain, kWayOut, kWayBack };
    std::vector<Kind> kind;
    for (size_t i = 0; i < loop.size();) {
        // Whether edges i..j stay within tolerance of their chord; a chord too short to give a
        // direction says nothing (judged false) and is not taken.
        const auto fits = [&](size_t j, bool& judged) {
            const gp_XY a = loop[i].from, chord = loop[j].to - a;
            const double length = chord.Modulus();
            judged = length >= 2.0 * tolerance;
            if (!judged)
                return true;
            const gp_XY u = chord / length;
            for (size_t k = i; k <= j; ++k) {
                const Edge& e = loop[k];
                double lo = 0.0, hi = 0.0;
                strayOf(e, a, u, lo, hi);
                if (lo < -tolerance || hi > tolerance || (e.to - e.from).Dot(u) <= 0.0
                    || (e.arc && sweepOf(e) >= 0.5 * M_PI))
                    return false;
            }
            return true;
        };
        // The longest run found by doubling, then halving: checking every length in turn costs
        // the square of the run, seconds on a long staircase.
        size_t last = i, good = i, bad = std::min(loop.size(), i + kLongestRun);
        bool judged = false;
        for (size_t step = 1; i + step < bad; step *= 2) {
            if (!fits(i + step, judged)) {
                bad = i + step;
                break;
            }
            good = i + step;
            last = judged ? good : last;
        }
        while (bad - good > 1) {
            const size_t mid = good + (bad - good) / 2;
            if (fits(mid, judged)) {
                good = mid;
                last = judged ? mid : last;
            } else {
                bad = mid;
            }
        }
        if (last == i) {
            out.push_back(loop[i]);
            kind.push_back(kPlain);
            i = last + 1;
            continue;
        }
        // The chord would cut off every scallop: it is moved out by the area they hold over its
        // length, three lines in place of one, so that the outline keeps the area it had.
        std::vector<Edge> run(loop.begin() + std::ptrdiff_t(i), loop.begin() + std::ptrdiff_t(last) + 1);
        Edge closing;
        closing.from = loop[last].to;
        closing.to = loop[i].from;
        run.push_back(closing);
        const gp_XY chord = loop[last].to - loop[i].from;
        const double shift = 0.5 * twiceArea(run) / chord.Modulus();
        const gp_XY outward = gp_XY(chord.Y(), -chord.X()) / chord.Modulus() * shift;
        std::vector<int> corners = {loop[i].v0};
        if (std::abs(shift) > 4.0 * kSameVertex) {
            corners.push_back(vertices.of(loop[i].from + outward));
            corners.push_back(vertices.of(loop[last].to + outward));
        }
        corners.push_back(loop[last].v1);
        // Two moved lines in a row go from one straight to the other, not back to the scallops'
        // corner between them.
        if (corners.size() == 4 && !out.empty() && kind.back() == kWayBack) {
            corners.front() = out.back().v0;
            out.pop_back();
            kind.pop_back();
        }
        for (size_t k = 0; k + 1 < corners.size(); ++k) {
            if (corners[k] == corners[k + 1])
                continue;
            Edge line;
            line.v0 = corners[k];
            line.v1 = corners[k + 1];
            line.from = vertices.points[size_t(line.v0)];
            line.to = vertices.points[size_t(line.v1)];
            out.push_back(line);
            kind.push_back(corners.size() < 4 ? kPlain : k == 2 ? kWayBack : k == 0 && out.size() == 1 ? kWayOut : kPlain);
        }
        i = last + 1;
    }
    // The same where the loop closes.
    if (out.size() > 3 && kind.back() == kWayBack && kind.front() == kWayOut) {
        const int from = out.back().v0;
        out.pop_back();
        out.erase(out.begin());
        if (from != out.front().v0) {
            Edge line;
            line.v0 = from;
            line.v1 = out.front().v0;
            line.from = vertices.points[size_t(line.v0)];
            line.to = vertices.points[size_t(line.v1)];
            out.push_back(line);
        }
    }
    const double before = twiceArea(loop), after = twiceArea(out);
    if (out.size() < 2 || (before > 0.0) != (after > 0.0) || std::abs(after - before) > 0.5 * std::abs(before))
        return loop;
    return out;
}

// Edges whose ends are numbered joined end to end into closed loops, as they are; none where
// two loops touch at a point or a chain stays open.
std::vector<std::vector<Edge>> chainedLoops(const std::vector<Edge>& edges, size_t vertexCount)
{
    std::vector<int> leaving(vertexCount, -1);
    for (int n = 0; n < int(edges.size()); ++n) {
        int& out = leaving[size_t(edges[size_t(n)].v0)];
        if (out >= 0)
            return {}; // two loops touch at a point
        out = n;
    }
    std::vector<bool> used(edges.size(), false);
    std::vector<std::vector<Edge>> loops;
    for (int start : leaving) {
        if (start < 0 || used[size_t(start)])
            continue;
        std::vector<Edge> loop;
        for (int n = start; !used[size_t(n)];) {
            used[size_t(n)] = true;
            loop.push_back(edges[size_t(n)]);
            n = leaving[size_t(edges[size_t(n)].v1)];
            if (n < 0)
                return {}; // an open chain
        }
        if (loop.front().v0 != loop.back().v1)
            return {};
        loops.push_back(std::move(loop));
    }
    return loops;
}

// Two sides that lie a fraction of a micrometre apart leave a sliver whose end is shorter than a
// vertex: the piece of side along it, a few vertices long, leads from or to nowhere. It encloses
// no area worth a face and would keep its loop from closing.
void dropSpurs(std::vector<Edge>& edges, size_t vertexCount)
{
    constexpr double kLongestSpur = 10.0 * kSameVertex;
    std::vector<int> in(vertexCount, 0), out(vertexCount, 0);
    for (const Edge& e : edges)
        ++out[size_t(e.v0)], ++in[size_t(e.v1)];
    for (bool dropped = true; dropped;) {
        dropped = false;
        for (size_t n = 0; n < edges.size(); ++n) {
            const Edge& e = edges[n];
            if ((in[size_t(e.v0)] > 0 && out[size_t(e.v1)] > 0) || e.arc || (e.to - e.from).Modulus() > kLongestSpur)
                continue;
            --out[size_t(e.v0)], --in[size_t(e.v1)];
            edges.erase(edges.begin() + long(n));
            dropped = true;
            break;
        }
    }
}

// The kept edges joined end to end into closed loops, runs in line joined into one edge; none
// where the outline is not a set of simple loops.
std::vector<std::vector<Edge>> loopsOf(std::vector<Edge> edges, Vertices& vertices)
{
    std::vector<Edge> kept;
    for (Edge& e : edges) {
        e.v0 = vertices.of(e.from);
        e.v1 = vertices.of(e.to);
        if (e.v0 == e.v1 && !(e.arc && (e.from - e.to).Modulus() == 0.0)) // shorter than a vertex
            continue;
        // Ends where the faces will have them: the same corner found from two pieces differs
        // by up to a vertex's size, and a loop that does not close miscounts its area by that
        // gap times its distance from the origin, far more than a micrometre track's area.
        e.from = vertices.points[size_t(e.v0)];
        e.to = vertices.points[size_t(e.v1)];
        kept.push_back(e);
    }
    dropSpurs(kept, vertices.points.size());
    std::vector<std::vector<Edge>> loops = chainedLoops(kept, vertices.points.size());
    for (std::vector<Edge>& loop : loops) {
        // Join the pieces that continue one another, from a corner on.
        size_t first = 0;
        while (first < loop.size() && continues(loop[(first + loop.size() - 1) % loop.size()], loop[first]))
            ++first;
        if (first == loop.size()) { // one whole circle cut in pieces
            Edge whole = loop.front();
            whole.to = whole.from;
            whole.v1 = whole.v0;
            loop = {whole};
            continue;
        }
        std::vector<Edge> joined;
        for (size_t k = 0; k < loop.size(); ++k) {
            const Edge& e = loop[(first + k) % loop.size()];
            if (!joined.empty() && continues(joined.back(), e) && !(e.arc && e.to.IsEqual(joined.back().from, 0.0))) {
                joined.back().to = e.to;
                joined.back().v1 = e.v1;
            } else {
                joined.push_back(e);
            }
        }
        loop = std::move(joined);
    }
    return loops;
}

// Builds the loops' edges once: vertices by index, and a line shared by two faces side by side
// is one edge, run each way.
class EdgeMaker
{
public:
    EdgeMaker(const Vertices& vertices, double z) : m_vertices(vertices), m_made(vertices.points.size()), m_z(z) {}

    TopoDS_Wire wire(const std::vector<Edge>& loop)
    {
        TopoDS_Wire wire;
        m_builder.MakeWire(wire);
        for (const Edge& e : loop) {
            const TopoDS_Edge edge = e.arc ? arc(e) : line(e.v0, e.v1);
            if (edge.IsNull())
                return TopoDS_Wire();
            m_builder.Add(wire, edge);
        }
        wire.Closed(true);
        return wire;
    }

private:
    TopoDS_Vertex vertex(int v)
    {
        TopoDS_Vertex& shape = m_made[size_t(v)];
        if (shape.IsNull())
            m_builder.MakeVertex(shape, gp_Pnt(m_vertices.points[size_t(v)].X(), m_vertices.points[size_t(v)].Y(), m_z),
                                 kSameVertex);
        return shape;
    }

    TopoDS_Edge line(int v0, int v1)
    {
        const auto same = m_lines.find({v0, v1});
        if (same != m_lines.end())
            return same->second;
        const auto back = m_lines.find({v1, v0});
        if (back != m_lines.end())
            return TopoDS::Edge(back->second.Reversed());
        BRepBuilderAPI_MakeEdge edge(vertex(v0), vertex(v1));
        if (!edge.IsDone())
            return TopoDS_Edge();
        return m_lines[{v0, v1}] = edge.Edge();
    }

    TopoDS_Edge arc(const Edge& e)
    {
        TopoDS_Edge& made = m_arcs[{e.v0, e.v1}];
        if (made.IsNull())
            made = newArc(e);
        return made;
    }

    TopoDS_Edge newArc(const Edge& e)
    {
        const gp_Ax2 axis(gp_Pnt(e.centre.X(), e.centre.Y(), m_z), gp_Dir(0, 0, 1), gp_Dir(1, 0, 0));
        Handle(Geom_Circle) circle = new Geom_Circle(axis, e.radius);
        const double u0 = angleOf(m_vertices.points[size_t(e.v0)] - e.centre);
        double u1 = angleOf(m_vertices.points[size_t(e.v1)] - e.centre);
        while (u1 <= u0)
            u1 += kTwoPi;
        BRepBuilderAPI_MakeEdge edge(circle, vertex(e.v0), vertex(e.v1), u0, u1);
        return edge.IsDone() ? edge.Edge() : TopoDS_Edge();
    }

    const Vertices& m_vertices;
    std::vector<TopoDS_Vertex> m_made;
    std::map<std::pair<int, int>, TopoDS_Edge> m_lines, m_arcs;
    BRep_Builder m_builder;
    double m_z;
};

// The outline is cut across its length by straight lines into strips of about this many
// edges, one face each.
constexpr size_t kEdgesPerStrip = TrackOutline::kMostEdgesPerFace;

// Cut lines across the axis u, each well away from every vertex and every arc's extreme.
std::vector<double> cutsAcross(const std::vector<Edge>& edges, const gp_XY& u)
{
    std::vector<double> taken;
    for (const Edge& e : edges) {
        taken.push_back(e.from.Dot(u));
        if (e.arc) {
            taken.push_back(e.centre.Dot(u) - e.radius);
            taken.push_back(e.centre.Dot(u) + e.radius);
        }
    }
    std::sort(taken.begin(), taken.end());
    std::vector<double> cuts;
    constexpr double kClear = 2e-6;
    for (size_t n = kEdgesPerStrip; n + 1 < taken.size(); n += kEdgesPerStrip) {
        while (n + 1 < taken.size() && taken[n + 1] - taken[n] < 2.0 * kClear)
            ++n;
        if (n + kEdgesPerStrip / 2 < taken.size())
            cuts.push_back(0.5 * (taken[n] + taken[n + 1]));
    }
    return cuts;
}

// The edges cut where they cross the lines, each piece put in its strip, and the strips closed
// by the stretches of each line inside the outline; none where the lines do not cut cleanly.
std::vector<std::vector<Edge>> strips(const std::vector<Edge>& edges, const gp_XY& u, const std::vector<double>& cuts)
{
    std::vector<std::vector<Edge>> strip(cuts.size() + 1);
    std::vector<std::vector<gp_XY>> crossings(cuts.size());
    const auto stripOf = [&](double t) { return size_t(std::upper_bound(cuts.begin(), cuts.end(), t) - cuts.begin()); };
    for (const Edge& e : edges) {
        // Where the edge crosses a line, in order along it: parameter 0..1 along a line, the
        // angle from its start along an arc.
        std::vector<std::pair<double, size_t>> at;
        if (!e.arc) {
            const double t0 = e.from.Dot(u), t1 = e.to.Dot(u);
            for (size_t k = stripOf(std::min(t0, t1)); k < cuts.size() && cuts[k] < std::max(t0, t1); ++k)
                at.emplace_back((cuts[k] - t0) / (t1 - t0), k);
        } else {
            const double sweep = sweepOf(e), start = angleOf(e.from - e.centre), c0 = e.centre.Dot(u);
            for (size_t k = stripOf(c0 - e.radius); k < cuts.size() && cuts[k] < c0 + e.radius; ++k) {
                const double half = std::acos(std::clamp((cuts[k] - c0) / e.radius, -1.0, 1.0));
                for (const double angle : {angleOf(u) + half, angleOf(u) - half}) {
                    const double along = std::fmod(angle - start + 2.0 * kTwoPi, kTwoPi);
                    if (along > 0.0 && along < sweep)
                        at.emplace_back(along, k);
                }
            }
        }
        std::sort(at.begin(), at.end());
        const auto point = [&](double a) {
            if (!e.arc)
                return e.from + (e.to - e.from) * a;
            const double angle = angleOf(e.from - e.centre) + a;
            return e.centre + gp_XY(std::cos(angle), std::sin(angle)) * e.radius;
        };
        double last = 0.0;
        Edge piece = e;
        const auto put = [&](double end, const gp_XY& to) {
            piece.to = to;
            strip[stripOf(point(0.5 * (last + end)).Dot(u))].push_back(piece);
            piece.from = to;
            last = end;
        };
        for (const auto& [a, k] : at) {
            const gp_XY p = point(a);
            crossings[k].push_back(p);
            put(a, p);
        }
        put(e.arc ? sweepOf(e) : 1.0, e.to);
    }
    // Along each line, inside between the first and second crossing, the third and fourth...
    const gp_XY w(-u.Y(), u.X());
    for (size_t k = 0; k < cuts.size(); ++k) {
        std::vector<gp_XY>& c = crossings[k];
        if (c.size() % 2 != 0)
            return {};
        std::sort(c.begin(), c.end(), [&](const gp_XY& a, const gp_XY& b) { return a.Dot(w) < b.Dot(w); });
        for (size_t n = 0; n < c.size(); n += 2) {
            Edge wall;
            wall.wall = true;
            wall.from = c[n];
            wall.to = c[n + 1];
            strip[k].push_back(wall);
            std::swap(wall.from, wall.to);
            strip[k + 1].push_back(wall);
        }
    }
    return strip;
}

// Whether p lies inside the loop: the crossings of the ray from p along +x with its edges.
bool encloses(const std::vector<Edge>& loop, const gp_XY& p)
{
    int crossings = 0;
    for (const Edge& e : loop) {
        if (!e.arc) {
            if ((e.from.Y() > p.Y()) != (e.to.Y() > p.Y())
                && e.from.X() + (p.Y() - e.from.Y()) * (e.to.X() - e.from.X()) / (e.to.Y() - e.from.Y()) > p.X())
                ++crossings;
            continue;
        }
        const double dy = p.Y() - e.centre.Y();
        if (std::abs(dy) >= e.radius)
            continue;
        const double dx = std::sqrt(e.radius * e.radius - dy * dy), start = angleOf(e.from - e.centre);
        for (const double x : {e.centre.X() - dx, e.centre.X() + dx}) {
            const double along = std::fmod(angleOf(gp_XY(x, p.Y()) - e.centre) - start + 2.0 * kTwoPi, kTwoPi);
            if (x > p.X() && along > 0.0 && along < sweepOf(e))
                ++crossings;
        }
    }
    return crossings % 2 == 1;
}

// A point of the edge away from its ends, where no other boundary passes.
gp_XY midpointOf(const Edge& e)
{
    if (!e.arc)
        return 0.5 * (e.from + e.to);
    const double angle = angleOf(e.from - e.centre) + 0.5 * sweepOf(e);
    return e.centre + gp_XY(std::cos(angle), std::sin(angle)) * e.radius;
}

// The faces of one strip's loops: each outer loop with the holes inside it, a hole going to the
// smallest outer loop around it (a loop drawn around an island of a hole is inside that hole's
// own outer loop as well); false where a hole lies in none.
bool addFaces(const std::vector<std::vector<Edge>>& loops, EdgeMaker& edges, double z, std::vector<TopoDS_Face>& faces)
{
    std::vector<size_t> outer;
    std::vector<std::vector<size_t>> holesOf;
    std::vector<size_t> holes;
    for (size_t n = 0; n < loops.size(); ++n)
        (twiceArea(loops[n]) > 0.0 ? outer : holes).push_back(n);
    if (outer.empty())
        return false;
    holesOf.resize(outer.size());
    for (const size_t h : holes) {
        size_t owner = outer.size();
        if (outer.size() == 1) {
            owner = 0;
        } else {
            const gp_XY p = midpointOf(loops[h].front());
            for (size_t o = 0; o < outer.size(); ++o)
                if (encloses(loops[outer[o]], p)
                    && (owner == outer.size() || twiceArea(loops[outer[o]]) < twiceArea(loops[outer[owner]])))
                    owner = o;
        }
        if (owner == outer.size())
            return false;
        holesOf[owner].push_back(h);
    }
    for (size_t o = 0; o < outer.size(); ++o) {
        const TopoDS_Wire outline = edges.wire(loops[outer[o]]);
        if (outline.IsNull())
            return false;
        BRepBuilderAPI_MakeFace face(gp_Pln(gp_Pnt(0, 0, z), gp_Dir(0, 0, 1)), outline, true);
        for (size_t n = 0; n < holesOf[o].size() && face.IsDone(); ++n) {
            const TopoDS_Wire hole = edges.wire(loops[holesOf[o][n]]);
            if (hole.IsNull())
                return false;
            face.Add(hole);
        }
        if (!face.IsDone())
            return false;
        faces.push_back(face.Face());
    }
    return true;
}

// The loops of the edges that are not cut lines, from all the strips: the whole outline, its
// edges cut where the strips meet.
std::vector<std::vector<Edge>> outlineOf(const std::vector<std::vector<std::vector<Edge>>>& parts)
{
    std::vector<Edge> sides;
    size_t vertexCount = 0;
    for (const auto& loops : parts)
        for (const auto& loop : loops)
            for (const Edge& e : loop)
                if (!e.wall) {
                    sides.push_back(e);
                    vertexCount = std::max(vertexCount, size_t(std::max(e.v0, e.v1)) + 1);
                }
    return chainedLoops(sides, vertexCount);
}

// The strips' faces swept up as one solid. Sweeping many faces at once asks, for each edge,
// every face whether it is a seam there: the whole outline is swept as one face for its sides,
// and its bottom and top are replaced by the strips.
TopoDS_Shape sweptStrips(const std::vector<std::vector<std::vector<Edge>>>& parts,
                         const std::vector<TopoDS_Face>& strips, EdgeMaker& edges, double z, double height)
{
    const std::vector<std::vector<Edge>> outline = outlineOf(parts);
    std::vector<TopoDS_Face> whole;
    if (outline.empty() || !addFaces(outline, edges, z, whole) || whole.size() != 1)
        return TopoDS_Shape();
    const gp_Vec up(0, 0, height);
    BRepPrimAPI_MakePrism prism(whole.front(), up, false, true);
    if (!prism.IsDone())
        return TopoDS_Shape();
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    const TopoDS_Shape bottom = prism.FirstShape(), top = prism.LastShape();
    for (TopExp_Explorer f(prism.Shape(), TopAbs_FACE); f.More(); f.Next())
        if (!f.Current().IsSame(bottom) && !f.Current().IsSame(top))
            builder.Add(shell, f.Current());
    TopTools_IndexedMapOfShape swept;
    TopExp::MapShapes(whole.front(), TopAbs_EDGE, swept);
    NCollection_DataMap<TopoDS_Shape, TopoDS_Shape, TopTools_ShapeMapHasher> raisedCuts;
    const auto raised = [&](const TopoDS_Shape& edge) -> TopoDS_Shape {
        const TopoDS_Shape forward = edge.Oriented(TopAbs_FORWARD);
        if (swept.Contains(edge))
            return prism.LastShape(forward).Oriented(edge.Orientation());
        if (!raisedCuts.IsBound(forward)) {
            TopoDS_Vertex a, b;
            TopExp::Vertices(TopoDS::Edge(forward), a, b);
            raisedCuts.Bind(forward, BRepBuilderAPI_MakeEdge(TopoDS::Vertex(prism.LastShape(a)),
                                                             TopoDS::Vertex(prism.LastShape(b))).Edge());
        }
        return raisedCuts.Find(forward).Oriented(edge.Orientation());
    };
    const Handle(Geom_Surface) plane = new Geom_Plane(gp_Pln(gp_Pnt(0, 0, z + height), gp_Dir(0, 0, 1)));
    for (const TopoDS_Face& strip : strips) {
        builder.Add(shell, strip.Reversed());
        TopoDS_Face raisedStrip;
        builder.MakeFace(raisedStrip, plane, BRep_Tool::Tolerance(strip));
        for (TopoDS_Iterator w(strip); w.More(); w.Next()) {
            TopoDS_Wire wire;
            builder.MakeWire(wire);
            for (TopoDS_Iterator e(w.Value(), false); e.More(); e.Next())
                builder.Add(wire, raised(e.Value()));
            wire.Closed(true);
            builder.Add(raisedStrip, wire.Oriented(w.Value().Orientation()));
        }
        builder.Add(shell, raisedStrip);
    }
    shell.Closed(true);
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    builder.Add(solid, shell);
    TrackOutline::storePlanarCurves(solid);
    return solid;
}

// The loops swept from z up by height, in strips where they are long; null where they are not
// one face with holes.
TopoDS_Shape sweptLoops(const std::vector<std::vector<Edge>>& loops, Vertices vertices, double z, double height)
{
    std::vector<Edge> boundary;
    for (const std::vector<Edge>& loop : loops)
        boundary.insert(boundary.end(), loop.begin(), loop.end());
    // Cut across the longer side of the outline's bounds.
    double xmin = HUGE_VAL, ymin = HUGE_VAL, xmax = -HUGE_VAL, ymax = -HUGE_VAL;
    for (const gp_XY& p : vertices.points) {
        xmin = std::min(xmin, p.X()), xmax = std::max(xmax, p.X());
        ymin = std::min(ymin, p.Y()), ymax = std::max(ymax, p.Y());
    }
    const gp_XY u = xmax - xmin >= ymax - ymin ? gp_XY(1, 0) : gp_XY(0, 1);
    const std::vector<double> cuts = cutsAcross(boundary, u);
    std::vector<std::vector<std::vector<Edge>>> parts;
    for (std::vector<Edge>& strip : cuts.empty() ? std::vector<std::vector<Edge>>() : strips(boundary, u, cuts)) {
        parts.push_back(loopsOf(std::move(strip), vertices));
        if (parts.back().empty())
            break;
    }
    EdgeMaker edges(vertices, z);
    std::vector<TopoDS_Face> faces;
    for (const auto& strip : parts)
        if (strip.empty() || !addFaces(strip, edges, z, faces)) { // strips that do not close: the outline in one
            faces.clear();
            break;
        }
    if (faces.size() > 1) {
        const TopoDS_Shape solid = sweptStrips(parts, faces, edges, z, height);
        if (!solid.IsNull())
            return solid;
        faces.clear();
    }
    if (faces.empty() && !addFaces(loops, edges, z, faces))
        return TopoDS_Shape();
    return faces.size() == 1 ? TrackOutline::sweptUp(faces.front(), height) : TopoDS_Shape();
}

// The pieces' union swept from z up by height; null where its outline is not one face with
// holes.
TopoDS_Shape sweptUnion(std::vector<Piece> pieces, double r, double z, double height)
{
    Vertices vertices;
    const std::vector<std::vector<Edge>> whole = loopsOf(Tracer(std::move(pieces), 4.0 * r).boundary(), vertices);
    if (std::count_if(whole.begin(), whole.end(), [](const auto& loop) { return twiceArea(loop) > 0.0; }) != 1)
        return TopoDS_Shape();
    std::vector<std::vector<Edge>> outline;
    bool simpler = false;
    double area = 0.0, simplerArea = 0.0;
    for (const std::vector<Edge>& loop : whole) {
        outline.push_back(simplified(loop, outlineTolerance(r), vertices));
        simpler = simpler || outline.back().size() != loop.size();
        area += twiceArea(loop);
        simplerArea += twiceArea(outline.back());
    }
    // Straightened, the outline keeps its area to a ten-thousandth, or is traced as it is.
    if (simpler && std::abs(simplerArea - area) <= 1e-4 * area) {
        // Boundaries closer than twice the tolerance could cross once straightened: the
        // traced outline then stands as it is.
        const TopoDS_Shape solid = sweptLoops(outline, vertices, z, height);
        if (!solid.IsNull() && OccUtils::isValidShape(solid))
            return solid;
    }
    return sweptLoops(whole, vertices, z, height);
}

// Legs that turn by less than this meet on the line halving their turn, each piece cut there
// and not rounded: their sides would cross at too small an angle to place the crossing, and a
// round would stray from the cut corner by less than a thousandth of its radius.
constexpr double kMiterTurn = 0.05;

class Miters
{
public:
    Miters(const TrackOutline::Legs& legs, double r) : m_legs(legs), m_r(r), m_miter(legs.points.size(), false)
    {
        const std::vector<gp_XY>& p = legs.points;
        const size_t n = p.size();
        std::vector<double> length(n > 0 ? n - 1 : 0), reach(n, 0.0);
        for (size_t i = 0; i + 1 < n; ++i)
            length[i] = (p[i + 1] - p[i]).Modulus();
        m_fromStart.assign(n, 0.0);
        for (size_t i = 1; i < n; ++i)
            m_fromStart[i] = m_fromStart[i - 1] + length[i - 1];
        for (size_t k = 1; k + 1 < n; ++k) {
            const gp_XY u = (p[k] - p[k - 1]) / length[k - 1], v = (p[k + 1] - p[k]) / length[k];
            const double turn = std::atan2(std::abs(u.Crossed(v)), u.Dot(v));
            reach[k] = r * std::tan(0.5 * turn);
            // The cut must stay well inside both legs.
            m_miter[k] = turn < kMiterTurn && 4.0 * reach[k] < std::min(length[k - 1], length[k]);
        }
    }

    bool at(size_t k) const { return m_miter[k]; }

    // A round at a cut corner stands out of the pieces only near the run's ends.
    bool nearEnd(size_t k) const { return m_fromStart[k] < m_r || m_fromStart.back() - m_fromStart[k] < m_r; }

    Piece piece(size_t i) const
    {
        const gp_XY a = m_legs.points[i], b = m_legs.points[i + 1];
        const gp_XY along = (b - a) / (b - a).Modulus();
        const gp_XY normal(-along.Y(), along.X());
        const auto end = [&](size_t k, const gp_XY& n, int side) {
            if (!m_miter[k])
                return m_legs.points[k] + n * (side * m_r);
            const gp_XY& q = m_legs.points[k];
            const gp_XY n0 = normalOf(k - 1), n1 = normalOf(k);
            return q + (n0 + n1) * (side * m_r / (1.0 + n0.Dot(n1)));
        };
        return quad(end(i, normal, -1), end(i + 1, normal, -1), end(i + 1, normal, 1), end(i, normal, 1));
    }

private:
    gp_XY normalOf(size_t i) const
    {
        const gp_XY d = m_legs.points[i + 1] - m_legs.points[i];
        return gp_XY(-d.Y(), d.X()) / d.Modulus();
    }

    const TrackOutline::Legs& m_legs;
    double m_r;
    std::vector<bool> m_miter;
    std::vector<double> m_fromStart;
};

double volumeOf(const TopoDS_Shape& solid)
{
    GProp_GProps props;
    BRepGProp::VolumeProperties(solid, props);
    return props.Mass();
}

// The union of the legs' pieces and rounds, traced and swept up.
TopoDS_Shape tracedLegsSolid(const TrackOutline::Legs& legs, const RouteSegment& head)
{
    const double r = head.width * 0.5;
    const double z = head.start.Z();

    // Segments on one line that overlap or touch are one rectangle, a bend's disc drawn twice
    // is one disc: a track that goes back and forth over itself is then as cheap as one pass.
    struct Span
    {
        gp_XY origin, along;
        double from, to;
    };
    std::map<std::tuple<long long, long long, long long>, std::vector<Span>> lines;
    std::map<std::pair<long long, long long>, gp_XY> discs;
    const auto grid = [](double v) { return (long long)std::llround(v * 1e9); };
    const auto addDisc = [&](const gp_XY& centre) { discs.emplace(std::make_pair(grid(centre.X()), grid(centre.Y())), centre); };
    const Miters miters(legs, r);
    const double tolerance = TrackOutline::legTolerance(head.width);
    std::vector<Piece> pieces;
    std::tuple<long long, long long, long long> lastLine;
    gp_XY lastAlong, lastOrigin;
    bool hasLast = false;
    for (size_t i = 0; i + 1 < legs.points.size(); ++i) {
        const gp_XY a = legs.points[i], b = legs.points[i + 1];
        if (!((b - a).Modulus() > 0.0))
            continue;
        if (miters.at(i) || miters.at(i + 1)) {
            pieces.push_back(miters.piece(i));
            hasLast = false;
            continue;
        }
        gp_XY along = (b - a) / (b - a).Modulus();
        if (along.X() < 0.0 || (along.X() == 0.0 && along.Y() < 0.0))
            along.Reverse();
        const gp_XY normal(-along.Y(), along.X());
        const double offset = normal.Dot(a);
        gp_XY origin = normal * offset;
        std::tuple<long long, long long, long long> line{grid(along.X()), grid(along.Y()), grid(offset)};
        // A leg folded back over the last one, both its ends within the run's tolerance of that
        // leg's line, lies on it: two sides a fraction of a micrometre apart would leave a
        // sliver whose end is shorter than the tracer can place.
        if (hasLast && line != lastLine) {
            const gp_XY lastNormal(-lastAlong.Y(), lastAlong.X());
            if (std::abs(lastNormal.Dot(a - lastOrigin)) <= tolerance
                && std::abs(lastNormal.Dot(b - lastOrigin)) <= tolerance) {
                line = lastLine;
                along = lastAlong;
                origin = lastOrigin;
            }
        }
        lastLine = line;
        lastAlong = along;
        lastOrigin = origin;
        hasLast = true;
        auto& spans = lines[line];
        const double ta = (a - origin).Dot(along), tb = (b - origin).Dot(along);
        spans.push_back({origin, along, std::min(ta, tb), std::max(ta, tb)});
    }
    for (size_t i = 0; i < legs.points.size(); ++i)
        if (legs.round[i] && (!miters.at(i) || miters.nearEnd(i)))
            addDisc(legs.points[i]);
    for (const gp_XY& centre : legs.rounds)
        addDisc(centre);
    for (auto& [line, spans] : lines) {
        std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.from < b.from; });
        for (size_t n = 0; n < spans.size();) {
            Span merged = spans[n];
            for (++n; n < spans.size() && spans[n].from <= merged.to; ++n)
                merged.to = std::max(merged.to, spans[n].to);
            pieces.push_back(rectangle(merged.origin + merged.along * merged.from,
                                       merged.origin + merged.along * merged.to, r));
        }
    }
    for (const auto& [key, centre] : discs)
        pieces.push_back(disc(centre, r));
    return OccUtils::guardedCall(TopoDS_Shape(), "tracedRunSolid",
                                 [&] { return sweptUnion(std::move(pieces), r, z, head.height); });
}

} // namespace

namespace TrackOutline {

TopoDS_Shape tracedRunSolid(const QList<RouteSegment>& segments, int first, int last)
{
    const RouteSegment& head = segments.at(first);
    const auto traced = [&](bool keepRounds, double* keptArea) {
        const Legs legs = legsOf(segments, first, last, true, keepRounds);
        if (keptArea)
            *keptArea = legs.keptArea;
        const TopoDS_Shape solid = tracedLegsSolid(legs, head);
        // Rounds a few nanometres from a short end leg's can meet its sides too flat to trace.
        if (legs.endsKept && (solid.IsNull() || !OccUtils::isValidShape(solid)))
            return tracedLegsSolid(legsOf(segments, first, last, false, keepRounds), head);
        return solid;
    };
    double keptArea = 0.0;
    const TopoDS_Shape solid = traced(true, &keptArea);
    // No more than every span's box and a round at every bend: an outline traced larger took
    // outside for inside somewhere, and the pieces are united instead.
    const double disc = M_PI * 0.25 * head.width * head.width;
    double most = 0.0;
    for (int k = first; k <= last; ++k)
        most += (segments.at(k).start.Distance(segments.at(k).end) * head.width + (k < last ? disc : 0.0)) * head.height;
    const auto tooLarge = [most](const TopoDS_Shape& shape) { return volumeOf(shape) > most * (1.0 + 1e-6); };
    if (keptArea <= 0.0)
        return solid.IsNull() || !tooLarge(solid) ? solid : TopoDS_Shape();
    // Rounds kept where their bends are change the volume by no more than moving them would;
    // where the outline traced with them says otherwise, their circles met another or a leg's
    // corner too flat to tell apart, and they are moved after all.
    const TopoDS_Shape folded = traced(false, nullptr);
    if (folded.IsNull() || !OccUtils::isValidShape(folded) || tooLarge(folded))
        return solid.IsNull() || !tooLarge(solid) ? solid : TopoDS_Shape();
    if (solid.IsNull() || !OccUtils::isValidShape(solid) || tooLarge(solid))
        return folded;
    const double added = volumeOf(solid) - volumeOf(folded), slack = 1e-6 * volumeOf(folded);
    return std::abs(added) <= keptArea * head.height + slack ? solid : folded;
}

} // namespace TrackOutline
