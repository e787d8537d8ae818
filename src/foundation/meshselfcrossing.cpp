#include "foundation/meshselfcrossing.h"
#include "foundation/meshgrid.h"
#include "foundation/stlmesh.h"

#include <Message_ProgressScope.hxx>
#include <OSD_Parallel.hxx>

#include <algorithm>
#include <atomic>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <set>
#include <utility>

namespace {

struct Corners
{
    gp_XYZ p[3];
};

// The triangle's corners in the order it faces by: its second and third swapped where turned.
Corners cornersOf(const StlMesh& mesh, int t, const ShellSides& sides)
{
    const auto& tri = mesh.triangles[std::size_t(t)];
    const bool turned = sides.turned && (*sides.turned)[std::size_t(t)];
    return {{mesh.nodes[std::size_t(tri[0])], mesh.nodes[std::size_t(tri[turned ? 2 : 1])],
             mesh.nodes[std::size_t(tri[turned ? 1 : 2])]}};
}

// Distances of t's corners to the plane of o (scaled by its normal's length), and their signs
// once those within slack of it (as far as the normal is long) are taken as on it. False unless
// corners lie strictly on both sides.
bool straddles(const Corners& t, const Corners& o, const gp_XYZ& normal, double slack, double d[3], int side[3])
{
    slack *= normal.Modulus();
    bool above = false, below = false;
    for (int k = 0; k < 3; ++k) {
        d[k] = normal.Dot(t.p[k] - o.p[0]);
        side[k] = d[k] > slack ? 1 : (d[k] < -slack ? -1 : 0);
        above = above || side[k] > 0;
        below = below || side[k] < 0;
    }
    return above && below;
}

// Where the triangle meets the other's plane, along the line both planes share.
std::pair<double, double> chord(const Corners& t, const double d[3], const int side[3], const gp_XYZ& along)
{
    double lo = std::numeric_limits<double>::max(), hi = -lo;
    const auto take = [&](const gp_XYZ& p) {
        const double s = along.Dot(p);
        lo = std::min(lo, s);
        hi = std::max(hi, s);
    };
    for (int k = 0; k < 3; ++k) {
        const int l = (k + 1) % 3;
        if (side[k] == 0)
            take(t.p[k]);
        else if (side[k] * side[l] < 0)
            take(t.p[k] + (t.p[l] - t.p[k]) * (d[k] / (d[k] - d[l])));
    }
    return {lo, hi};
}

// Where the two triangles overlap within their common plane, by more than eps across every
// side of either: none where a side of one keeps the other beyond it (the two share a side,
// a node, or only touch).
bool overlapInPlane(const Corners& ta, const Corners& tb, const gp_XYZ& normal, double eps)
{
    const gp_XYZ u = (ta.p[1] - ta.p[0]).Normalized(), v = normal.Normalized() ^ u;
    double a[3][2], b[3][2];
    for (int k = 0; k < 3; ++k) {
        a[k][0] = u.Dot(ta.p[k] - ta.p[0]), a[k][1] = v.Dot(ta.p[k] - ta.p[0]);
        b[k][0] = u.Dot(tb.p[k] - ta.p[0]), b[k][1] = v.Dot(tb.p[k] - ta.p[0]);
    }
    for (const auto* t : {&a, &b})
        for (int k = 0; k < 3; ++k) {
            const double* p = (*t)[k];
            const double* q = (*t)[(k + 1) % 3];
            const double nx = p[1] - q[1], ny = q[0] - p[0], length = std::hypot(nx, ny);
            double loA = std::numeric_limits<double>::max(), hiA = -loA, loB = loA, hiB = hiA;
            for (int c = 0; c < 3; ++c) {
                const double sa = (a[c][0] * nx + a[c][1] * ny) / length, sb = (b[c][0] * nx + b[c][1] * ny) / length;
                loA = std::min(loA, sa), hiA = std::max(hiA, sa);
                loB = std::min(loB, sb), hiB = std::max(hiB, sb);
            }
            if (std::min(hiA, hiB) - std::max(loA, loB) <= eps)
                return false;
        }
    return true;
}

// Whether the segment pq, lying in the plane of the triangle t (normal n), runs through t's
// inside along a length over eps.
bool runsThrough(const gp_XYZ& p, const gp_XYZ& q, const Corners& t, const gp_XYZ& normal, double eps)
{
    double from = 0.0, to = 1.0;
    const double length = (q - p).Modulus();
    if (!(length > eps))
        return false;
    for (int k = 0; k < 3 && from < to; ++k) {
        // The side's inward normal in the plane, of unit length: distances inside are positive.
        gp_XYZ inward = normal ^ (t.p[(k + 1) % 3] - t.p[k]);
        const double size = inward.Modulus();
        if (!(size > 0.0))
            return false;
        inward /= size;
        const double dp = inward.Dot(p - t.p[k]) - eps, dq = inward.Dot(q - t.p[k]) - eps;
        if (dp < 0.0 && dq < 0.0)
            return false;
        if (dp < 0.0)
            from = std::max(from, dp / (dp - dq));
        else if (dq < 0.0)
            to = std::min(to, dp / (dp - dq));
    }
    return (to - from) * length > eps;
}

// Whether the shell passes through triangle b along a side of triangle a: a has that side in
// b's plane, running through b's inside, and the triangle across it goes on to the other side
// of b's plane from a.
bool passesAlongSide(const StlMesh& mesh, int a, const Corners& ta, const int sa[3], const Corners& tb,
                     const gp_XYZ& nb, double eps, double slack, const ShellSides& sides)
{
    if (!sides.across)
        return false;
    int off = -1, on = 0;
    for (int k = 0; k < 3; ++k) {
        if (sa[k] == 0)
            ++on;
        else
            off = k;
    }
    if (on != 2)
        return false;
    // The side between the two corners on the plane, as the mesh numbers a's sides: the one
    // opposite the corner off it.
    const bool turned = sides.turned && (*sides.turned)[std::size_t(a)];
    const int side = ((turned && off != 0 ? 3 - off : off) + 1) % 3;
    if (!runsThrough(ta.p[(off + 1) % 3], ta.p[(off + 2) % 3], tb, nb, eps))
        return false;
    const int next = (*sides.across)[std::size_t(a)][std::size_t(side)];
    if (next < 0)
        return false;
    const auto& other = mesh.triangles[std::size_t(next)];
    const auto& edge = mesh.triangles[std::size_t(a)];
    for (const int n : other) {
        if (n == edge[std::size_t(side)] || n == edge[std::size_t((side + 1) % 3)])
            continue;
        const double d = nb.Dot(mesh.nodes[std::size_t(n)] - tb.p[0]);
        return sa[off] > 0 ? d < -slack * nb.Modulus() : d > slack * nb.Modulus();
    }
    return false;
}

// Whether triangles a and b cross: a shared length over eps through both insides, or, in one
// plane and facing the same way, a shared area. Facing one way the two add up where they
// overlap: the winding steps by two there, and the signed volume no longer counts what a slicer
// prints. Facing each other they cancel, two sides of one wall of no thickness. A corner within
// slack of the other's plane is on it.
bool trianglesCross(const StlMesh& mesh, int a, const Corners& ta, int b, const Corners& tb, double eps, double slack,
                    const ShellSides& sides)
{
    const gp_XYZ na = (ta.p[1] - ta.p[0]) ^ (ta.p[2] - ta.p[0]);
    const gp_XYZ nb = (tb.p[1] - tb.p[0]) ^ (tb.p[2] - tb.p[0]);
    double da[3], db[3];
    int sa[3], sb[3];
    const auto onPlane = [](const int side[3]) { return side[0] == 0 && side[1] == 0 && side[2] == 0; };
    const bool acrossB = straddles(ta, tb, nb, slack, da, sa);
    const bool acrossA = straddles(tb, ta, na, slack, db, sb);
    if (!acrossA || !acrossB) {
        if (onPlane(sa) && onPlane(sb))
            return na.Dot(nb) > 0.0 && overlapInPlane(ta, tb, na, eps);
        return passesAlongSide(mesh, a, ta, sa, tb, nb, eps, slack, sides)
            || passesAlongSide(mesh, b, tb, sb, ta, na, eps, slack, sides);
    }
    gp_XYZ along = na ^ nb;
    const double length = along.Modulus();
    if (!(length > 0.0))
        return false;
    along /= length;
    const auto [loA, hiA] = chord(ta, da, sa, along);
    const auto [loB, hiB] = chord(tb, db, sb, along);
    // Both chords run through the insides (a chord along a side would need two corners on the
    // plane and none across it), so a shared length is a crossing.
    return std::min(hiA, hiB) - std::max(loA, loB) > eps;
}

} // namespace

std::vector<std::array<int, 3>> trianglesAcross(const StlMesh& mesh)
{
    struct Side
    {
        std::uint64_t nodes;
        int triangle;
        int side;
    };
    std::vector<Side> sides;
    sides.reserve(3 * mesh.triangles.size());
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
        for (int k = 0; k < 3; ++k) {
            const auto [low, high] = std::minmax(mesh.triangles[t][std::size_t(k)], mesh.triangles[t][std::size_t((k + 1) % 3)]);
            sides.push_back({std::uint64_t(std::uint32_t(low)) << 32 | std::uint32_t(high), int(t), k});
        }
    std::sort(sides.begin(), sides.end(), [](const Side& a, const Side& b) { return a.nodes < b.nodes; });
    std::vector<std::array<int, 3>> across(mesh.triangles.size(), {-1, -1, -1});
    for (std::size_t i = 0; i < sides.size();) {
        std::size_t j = i + 1;
        while (j < sides.size() && sides[j].nodes == sides[i].nodes)
            ++j;
        if (j - i == 2) {
            across[std::size_t(sides[i].triangle)][std::size_t(sides[i].side)] = sides[i + 1].triangle;
            across[std::size_t(sides[i + 1].triangle)][std::size_t(sides[i + 1].side)] = sides[i].triangle;
        }
        i = j;
    }
    return across;
}

MeshCrossings findCrossings(const StlMesh& mesh, const std::vector<int>& component, const MeshGrid& grid, double eps,
                            const ShellSides& sides, std::size_t mostBetween, const Message_ProgressRange& progress,
                            std::size_t pairsPerTriangle)
{
    MeshCrossings crossings;
    Message_ProgressScope scope(progress, nullptr, 1.0);
    const std::size_t nt = mesh.triangles.size();
    const std::size_t cellCount = grid.cellCount();
    std::size_t pairs = 0;
    for (std::size_t c = 0; c < cellCount; ++c)
        pairs += grid.size(c) * (grid.size(c) - std::min<std::size_t>(grid.size(c), 1)) / 2;
    if (pairs > pairsPerTriangle * nt + (std::size_t(1) << 20)) {
        crossings.self = SelfCrossing::TooDense;
        return crossings;
    }
    // The cell each node lies in: a pair sharing a node is tried there alone, which lists both.
    std::vector<int> nodeCell(mesh.nodes.size(), -1);
    for (std::size_t t = 0; t < nt; ++t)
        for (const int n : mesh.triangles[t])
            if (nodeCell[std::size_t(n)] < 0)
                nodeCell[std::size_t(n)] = grid.cellAt(mesh.nodes[std::size_t(n)]);
    std::atomic<bool> found{false}, cancelled{false};
    std::atomic<std::size_t> between{0};
    std::mutex shellPairsMutex;
    std::set<std::pair<int, int>> shellPairs;
    // Each listed triangle's corners (in the order it faces by) and plane, and its longest side:
    // worked out for each listing, which costs less than keeping them for every triangle and
    // reading them back.
    struct Facet
    {
        Corners corners;
        gp_XYZ normal; // of unit length
        double offset;
        double size;
        int triangle, shell;
    };
    // What the pairs of a cell are first judged by: the boxes, in floats laid out axis by axis, so
    // that one box is held against four others at once; then the nodes. Rounding to the nearest
    // float keeps the order of any two values, so boxes that meet still meet; the few more that
    // come to meet part as filed and never cross.
    struct Listed
    {
        std::vector<float> box[6]; // low x, y, z, high x, y, z
        std::vector<std::array<int, 3>> nodes;
        std::vector<int> nodesHere; // bit k: the triangle's node k lies in this cell
        std::vector<Facet> facets;
        std::vector<std::int32_t> meets;
        std::vector<int> meeting;
    };
    // Whether the corners meet the plane at no more than one of them: beyond slack all on one side
    // but for one on the plane.
    const auto apartOrTouchingCorners = [](const Facet& plane, const Corners& corners, double slack) {
        int above = 0, below = 0;
        for (int k = 0; k < 3; ++k) {
            const double d = plane.normal.Dot(corners.p[k]) - plane.offset;
            above += d > slack;
            below += d < -slack;
        }
        return above + below >= 2 && (above == 0 || below == 0);
    };
    const auto crossesIn = [&](std::size_t cell, Listed& listed) {
        const int* first = grid.begin(cell);
        const std::size_t size = grid.size(cell);
        for (auto& b : listed.box)
            b.resize(size);
        listed.nodes.resize(size);
        listed.nodesHere.resize(size);
        listed.facets.resize(size);
        listed.meets.resize(size);
        listed.meeting.resize(size);
        for (std::size_t i = 0; i < size; ++i) {
            const int t = first[i];
            Facet& f = listed.facets[i];
            const Corners& c = f.corners = cornersOf(mesh, t, sides);
            f.normal = (c.p[1] - c.p[0]) ^ (c.p[2] - c.p[0]);
            const double length = f.normal.Modulus();
            f.normal = length > 0.0 ? f.normal / length : gp_XYZ(0, 0, 0);
            f.offset = f.normal.Dot(c.p[0]);
            // The square root of the longest square is the longest of the square roots.
            f.size = std::sqrt(std::max({(c.p[1] - c.p[0]).SquareModulus(), (c.p[2] - c.p[1]).SquareModulus(),
                                         (c.p[0] - c.p[2]).SquareModulus()}));
            f.triangle = t;
            f.shell = component[std::size_t(t)];
            const MeshGrid::Box box = grid.boxOf(c.p[0], c.p[1], c.p[2]);
            for (std::size_t k = 0; k < 3; ++k) {
                listed.box[k][i] = float(box.low[k]);
                listed.box[k + 3][i] = float(box.high[k]);
            }
            const std::array<int, 3>& nodes = listed.nodes[i] = mesh.triangles[std::size_t(t)];
            listed.nodesHere[i] = int(nodeCell[std::size_t(nodes[0])] == int(cell))
                | int(nodeCell[std::size_t(nodes[1])] == int(cell)) << 1 | int(nodeCell[std::size_t(nodes[2])] == int(cell)) << 2;
        }
        const float *lx = listed.box[0].data(), *ly = listed.box[1].data(), *lz = listed.box[2].data();
        const float *hx = listed.box[3].data(), *hy = listed.box[4].data(), *hz = listed.box[5].data();
        std::int32_t* meets = listed.meets.data();
        int* meeting = listed.meeting.data();
        for (int x = 0; x + 1 < int(size); ++x) {
            // The boxes meeting x's, each told by a mask of every bit, then gathered without a
            // branch: which they are can't be foreseen.
            const float lxx = lx[x], lyx = ly[x], lzx = lz[x], hxx = hx[x], hyx = hy[x], hzx = hz[x];
            for (int y = x + 1; y < int(size); ++y) {
                const std::int32_t inX = lx[y] <= hxx ? -1 : 0, inX2 = hx[y] >= lxx ? -1 : 0;
                const std::int32_t inY = ly[y] <= hyx ? -1 : 0, inY2 = hy[y] >= lyx ? -1 : 0;
                const std::int32_t inZ = lz[y] <= hzx ? -1 : 0, inZ2 = hz[y] >= lzx ? -1 : 0;
                meets[y] = inX & inX2 & inY & inY2 & inZ & inZ2;
            }
            std::size_t count = 0;
            for (int y = x + 1; y < int(size); ++y) {
                meeting[count] = y;
                count -= std::size_t(std::ptrdiff_t(meets[y]));
            }
            const std::array<int, 3>& na = listed.nodes[std::size_t(x)];
            const int n0 = na[0], n1 = na[1], n2 = na[2];
            const int here = listed.nodesHere[std::size_t(x)];
            for (std::size_t k = 0; k < count; ++k) {
                const std::size_t y = std::size_t(meeting[k]);
                // Neighbours across a side meet along it only, or lie folded on one another
                // facing opposite ways.
                const std::array<int, 3>& nb = listed.nodes[y];
                const int m0 = nb[0], m1 = nb[1], m2 = nb[2];
                const int s0 = (n0 == m0) | (n0 == m1) | (n0 == m2);
                const int s1 = (n1 == m0) | (n1 == m1) | (n1 == m2);
                const int s2 = (n2 == m0) | (n2 == m1) | (n2 == m2);
                const int shared = s0 + s1 + s2;
                if (shared >= 2)
                    continue;
                const int hereOne = (s0 | s1 << 1 | s2 << 2) & here;
                // A pair is tried in one cell that lists both: the one holding the node they share,
                // or, for a pair every cell its boxes meet lists, the one holding the lowest corner
                // of where the boxes overlap.
                if (shared == 1 && hereOne == 0)
                    continue;
                const Facet& fa = listed.facets[std::size_t(x)];
                const Facet& fb = listed.facets[y];
                const int a = fa.triangle, b = fb.triangle;
                const bool sameShell = fa.shell == fb.shell;
                if (!sameShell && between.load(std::memory_order_relaxed) >= mostBetween + (mostBetween > 0 ? 1 : 0))
                    continue;
                // Corners within a thousandth of the triangles' size of the other's plane lie on
                // it, or within the tolerance when that is nearer: a smooth surface's neighbours
                // then lie apart at once, and rounding never makes a crossing of a touch.
                const double slack = std::min(eps, 1e-3 * std::min(fa.size, fb.size));
                if (apartOrTouchingCorners(fa, fb.corners, slack) || apartOrTouchingCorners(fb, fa.corners, slack))
                    continue;
                if (shared == 0 && grid.listedByBox(a) && grid.listedByBox(b)) {
                    const MeshGrid::Box ba = grid.boxOf(fa.corners.p[0], fa.corners.p[1], fa.corners.p[2]);
                    const MeshGrid::Box bb = grid.boxOf(fb.corners.p[0], fb.corners.p[1], fb.corners.p[2]);
                    const gp_XYZ corner(std::max(ba.low[0], bb.low[0]), std::max(ba.low[1], bb.low[1]),
                                        std::max(ba.low[2], bb.low[2]));
                    if (grid.cellAt(corner) != int(cell))
                        continue;
                }
                if (!trianglesCross(mesh, a, fa.corners, b, fb.corners, eps, slack, sides))
                    continue;
                if (sameShell)
                    return true;
                if (++between <= mostBetween) {
                    const std::lock_guard<std::mutex> lock(shellPairsMutex);
                    shellPairs.insert(std::minmax(fa.shell, fb.shell));
                }
            }
        }
        return false;
    };
    constexpr std::size_t kCellsPerBlock = 256;
    const int blocks = int((cellCount + kCellsPerBlock - 1) / kCellsPerBlock);
    const auto inBlock = [&](int block) {
        if (found.load(std::memory_order_relaxed) || cancelled.load(std::memory_order_relaxed))
            return;
        if (scope.UserBreak()) {
            cancelled = true;
            return;
        }
        const std::size_t last = std::min(cellCount, std::size_t(block + 1) * kCellsPerBlock);
        Listed listed;
        for (std::size_t cell = std::size_t(block) * kCellsPerBlock; cell < last; ++cell)
            if (crossesIn(cell, listed)) {
                found = true;
                return;
            }
    };
    // On OpenCASCADE's workers only where the pairs run to tens of millions: below, the workers
    // cost more processor time than the wait they save (a third more on a sphere of 360,000
    // triangles, for a tenth of a second).
    if (pairs > (std::size_t(1) << 26))
        OSD_Parallel::For(0, blocks, inBlock);
    else
        for (int block = 0; block < blocks && !found && !cancelled; ++block)
            inBlock(block);
    crossings.pairsBetween = std::min(between.load(), mostBetween + 1);
    crossings.shellPairs = shellPairs.size();
    crossings.self = found ? SelfCrossing::Found
        : cancelled || scope.UserBreak() ? SelfCrossing::Cancelled
                                         : SelfCrossing::None;
    return crossings;
}
