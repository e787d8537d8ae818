#include "foundation/meshselfcrossing.h"
#include "foundation/stlmesh.h"

#include <OSD_Parallel.hxx>

#include <algorithm>
#include <atomic>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

struct Corners
{
    gp_XYZ p[3];
};

Corners cornersOf(const StlMesh& mesh, int t)
{
    const auto& tri = mesh.triangles[std::size_t(t)];
    return {{mesh.nodes[std::size_t(tri[0])], mesh.nodes[std::size_t(tri[1])], mesh.nodes[std::size_t(tri[2])]}};
}

// Distances of t's corners to the plane of o (scaled by its normal's length), and their signs
// once those within eps are taken as on it. False unless corners lie strictly on both sides.
bool straddles(const Corners& t, const Corners& o, const gp_XYZ& normal, double eps, double d[3], int side[3])
{
    const double slack = eps * normal.Modulus();
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

// Whether triangles a and b cross: a shared length through both insides, or, in one plane and
// facing the same way, a shared area. Facing one way the two add up where they overlap: the
// winding steps by two there, and the signed volume no longer counts what a slicer prints.
// Facing each other they cancel, two sides of one wall of no thickness.
bool trianglesCross(const StlMesh& mesh, int a, int b, double eps)
{
    const Corners ta = cornersOf(mesh, a), tb = cornersOf(mesh, b);
    const gp_XYZ na = (ta.p[1] - ta.p[0]) ^ (ta.p[2] - ta.p[0]);
    const gp_XYZ nb = (tb.p[1] - tb.p[0]) ^ (tb.p[2] - tb.p[0]);
    double da[3], db[3];
    int sa[3], sb[3];
    const auto onPlane = [](const int side[3]) { return side[0] == 0 && side[1] == 0 && side[2] == 0; };
    const bool acrossB = straddles(ta, tb, nb, eps, da, sa);
    if (!acrossB && !onPlane(sa))
        return false;
    if (!straddles(tb, ta, na, eps, db, sb) || !acrossB)
        return onPlane(sa) && onPlane(sb) && na.Dot(nb) > 0.0 && overlapInPlane(ta, tb, na, eps);
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

bool shellCrossesItself(const StlMesh& mesh, const std::vector<int>& component, double eps)
{
    const std::size_t nt = mesh.triangles.size();
    if (nt < 2)
        return false;
    std::vector<std::array<double, 6>> boxes(nt);
    gp_XYZ low(std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
               std::numeric_limits<double>::max());
    gp_XYZ high = low.Reversed();
    double sides = 0.0;
    for (std::size_t t = 0; t < nt; ++t) {
        const Corners c = cornersOf(mesh, int(t));
        auto& box = boxes[t];
        for (int i = 0; i < 3; ++i) {
            box[std::size_t(i)] = std::min({c.p[0].Coord(i + 1), c.p[1].Coord(i + 1), c.p[2].Coord(i + 1)});
            box[std::size_t(i + 3)] = std::max({c.p[0].Coord(i + 1), c.p[1].Coord(i + 1), c.p[2].Coord(i + 1)});
            low.SetCoord(i + 1, std::min(low.Coord(i + 1), box[std::size_t(i)]));
            high.SetCoord(i + 1, std::max(high.Coord(i + 1), box[std::size_t(i + 3)]));
        }
        for (int k = 0; k < 3; ++k)
            sides += (c.p[k] - c.p[(k + 1) % 3]).Modulus();
    }
    // A grid of cells about two mean sides long (at most 2^20 across, so a cell packs in 63
    // bits), coarsened while long triangles would list themselves in too many cells.
    const double extent = std::max({high.X() - low.X(), high.Y() - low.Y(), high.Z() - low.Z()});
    double cell = std::max(2.0 * sides / double(3 * nt), extent / double(1 << 20));
    if (!(cell > 0.0))
        return false;
    const auto index = [&](double v, int axis) { return std::int64_t((v - low.Coord(axis + 1)) / cell); };
    const auto cellOf = [&](const std::array<double, 6>& box, int axis, bool upper) {
        return index(box[std::size_t(axis + (upper ? 3 : 0))], axis);
    };
    std::size_t entries = 0;
    for (;;) {
        entries = 0;
        for (const auto& box : boxes) {
            std::size_t n = 1;
            for (int axis = 0; axis < 3; ++axis)
                n *= std::size_t(cellOf(box, axis, true) - cellOf(box, axis, false) + 1);
            entries += n;
        }
        if (entries <= 16 * nt)
            break;
        cell *= 2.0;
    }
    const auto pack = [](std::int64_t i, std::int64_t j, std::int64_t k) {
        return std::uint64_t(i) << 42 | std::uint64_t(j) << 21 | std::uint64_t(k);
    };
    // Each triangle's entries from its own place in the list, filled and sorted on OCCT's
    // workers: in chunks, then merged pairwise.
    std::vector<std::size_t> first(nt + 1, 0);
    for (std::size_t t = 0; t < nt; ++t) {
        std::size_t n = 1;
        for (int axis = 0; axis < 3; ++axis)
            n *= std::size_t(cellOf(boxes[t], axis, true) - cellOf(boxes[t], axis, false) + 1);
        first[t + 1] = first[t] + n;
    }
    std::vector<std::pair<std::uint64_t, int>> listed(first[nt]);
    constexpr int kChunks = 16;
    OSD_Parallel::For(0, kChunks, [&](int chunk) {
        for (std::size_t t = nt * std::size_t(chunk) / kChunks; t < nt * std::size_t(chunk + 1) / kChunks; ++t) {
            const auto& box = boxes[t];
            std::size_t x = first[t];
            for (std::int64_t i = cellOf(box, 0, false); i <= cellOf(box, 0, true); ++i)
                for (std::int64_t j = cellOf(box, 1, false); j <= cellOf(box, 1, true); ++j)
                    for (std::int64_t k = cellOf(box, 2, false); k <= cellOf(box, 2, true); ++k)
                        listed[x++] = {pack(i, j, k), int(t)};
        }
    });
    const auto bound = [&](int chunk) {
        return listed.begin() + std::ptrdiff_t(listed.size() * std::size_t(std::min(chunk, kChunks)) / kChunks);
    };
    OSD_Parallel::For(0, kChunks, [&](int chunk) { std::sort(bound(chunk), bound(chunk + 1)); });
    for (int width = 1; width < kChunks; width *= 2)
        OSD_Parallel::For(0, (kChunks + 2 * width - 1) / (2 * width), [&](int m) {
            std::inplace_merge(bound(2 * width * m), bound(2 * width * m + width), bound(2 * width * (m + 1)));
        });
    std::vector<std::size_t> cells; // where each cell's run of the list begins, and its end
    for (std::size_t x = 0; x < listed.size(); ++x)
        if (x == 0 || listed[x].first != listed[x - 1].first)
            cells.push_back(x);
    cells.push_back(listed.size());

    // Each pair is tried in one cell only, so the cells go to OCCT's workers in blocks; the
    // answer is whether any pair crosses, the same whichever worker finds one first.
    const auto crossesIn = [&](std::size_t cell) {
        const std::size_t begin = cells[cell], end = cells[cell + 1];
        for (std::size_t x = begin; x < end; ++x) {
            const int a = listed[x].second;
            const auto& boxA = boxes[std::size_t(a)];
            for (std::size_t y = x + 1; y < end; ++y) {
                const int b = listed[y].second;
                if (component[std::size_t(a)] != component[std::size_t(b)])
                    continue;
                const auto& boxB = boxes[std::size_t(b)];
                bool apart = false;
                std::array<double, 3> from{};
                for (int axis = 0; axis < 3 && !apart; ++axis) {
                    from[std::size_t(axis)] = std::max(boxA[std::size_t(axis)], boxB[std::size_t(axis)]);
                    apart = from[std::size_t(axis)] > std::min(boxA[std::size_t(axis + 3)], boxB[std::size_t(axis + 3)]);
                }
                // A pair listed together in several cells is tried in the one holding the
                // lowest corner of where their boxes meet.
                if (apart || pack(index(from[0], 0), index(from[1], 1), index(from[2], 2)) != listed[x].first)
                    continue;
                if (trianglesCross(mesh, a, b, eps))
                    return true;
            }
        }
        return false;
    };
    constexpr std::size_t kCellsPerBlock = 512;
    const std::size_t cellCount = cells.size() - 1;
    const int blocks = int((cellCount + kCellsPerBlock - 1) / kCellsPerBlock);
    std::atomic<bool> found{false};
    OSD_Parallel::For(0, blocks, [&](int block) {
        const std::size_t last = std::min(cellCount, std::size_t(block + 1) * kCellsPerBlock);
        for (std::size_t cell = std::size_t(block) * kCellsPerBlock; cell < last; ++cell) {
            if (found.load(std::memory_order_relaxed))
                return;
            if (crossesIn(cell))
                found = true;
        }
    });
    return found;
}
