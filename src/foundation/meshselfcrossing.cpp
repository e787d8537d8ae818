#include "foundation/meshselfcrossing.h"
#include "foundation/stlmesh.h"

#include <algorithm>
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

// Whether triangles a and b cross: a shared length through both insides.
bool trianglesCross(const StlMesh& mesh, int a, int b, double eps)
{
    const Corners ta = cornersOf(mesh, a), tb = cornersOf(mesh, b);
    const gp_XYZ na = (ta.p[1] - ta.p[0]) ^ (ta.p[2] - ta.p[0]);
    const gp_XYZ nb = (tb.p[1] - tb.p[0]) ^ (tb.p[2] - tb.p[0]);
    double da[3], db[3];
    int sa[3], sb[3];
    if (!straddles(ta, tb, nb, eps, da, sa) || !straddles(tb, ta, na, eps, db, sb))
        return false;
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
    std::vector<std::pair<std::uint64_t, int>> listed;
    listed.reserve(entries);
    for (std::size_t t = 0; t < nt; ++t) {
        const auto& box = boxes[t];
        for (std::int64_t i = cellOf(box, 0, false); i <= cellOf(box, 0, true); ++i)
            for (std::int64_t j = cellOf(box, 1, false); j <= cellOf(box, 1, true); ++j)
                for (std::int64_t k = cellOf(box, 2, false); k <= cellOf(box, 2, true); ++k)
                    listed.push_back({pack(i, j, k), int(t)});
    }
    std::sort(listed.begin(), listed.end());
    for (std::size_t begin = 0; begin < listed.size();) {
        std::size_t end = begin + 1;
        while (end < listed.size() && listed[end].first == listed[begin].first)
            ++end;
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
        begin = end;
    }
    return false;
}
