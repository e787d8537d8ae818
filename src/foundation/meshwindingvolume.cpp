#include "foundation/meshwindingvolume.h"
#include "foundation/stlmesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

bool sidesBalance(const StlMesh& mesh)
{
    std::vector<std::pair<std::int64_t, int>> sides;
    sides.reserve(3 * mesh.triangles.size());
    for (const auto& tri : mesh.triangles)
        for (int k = 0; k < 3; ++k) {
            const int a = tri[std::size_t(k)], b = tri[std::size_t((k + 1) % 3)];
            sides.push_back({std::int64_t(std::min(a, b)) << 32 | std::int64_t(std::max(a, b)), a < b ? 1 : -1});
        }
    std::sort(sides.begin(), sides.end());
    for (std::size_t i = 0; i < sides.size();) {
        int sum = 0;
        std::size_t j = i;
        for (; j < sides.size() && sides[j].first == sides[i].first; ++j)
            sum += sides[j].second;
        if (sum != 0)
            return false;
        i = j;
    }
    return true;
}

// A triangle seen along x: its corners in (y, z), its plane as x = x0 + gy * y + gz * z.
struct Projected
{
    double y[3], z[3];
    double twiceArea; // signed: positive when the triangle faces -x
    double x0 = 0.0, gy = 0.0, gz = 0.0;

    double edge(int k, double py, double pz) const // > 0 inside for a positive area
    {
        const int l = (k + 1) % 3;
        return (y[l] - y[k]) * (pz - z[k]) - (z[l] - z[k]) * (py - y[k]);
    }
    double xAt(double py, double pz) const { return x0 + gy * py + gz * pz; }
};

struct Hit
{
    int column;
    double x;
    int turn;     // +1 entering (facing -x), -1 leaving
    int triangle; // into the projected list
};

} // namespace

bool windingVolumeBounds(const StlMesh& mesh, WindingVolume& bounds, int cellsAcross)
{
    bounds = WindingVolume();
    if (mesh.triangles.empty() || !sidesBalance(mesh))
        return false;
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (const auto& tri : mesh.triangles)
        for (const int n : tri)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], mesh.nodes[std::size_t(n)].Coord(k + 1));
                hi[k] = std::max(hi[k], mesh.nodes[std::size_t(n)].Coord(k + 1));
            }
    const double length = hi[0] - lo[0];
    const double sy = hi[1] - lo[1], sz = hi[2] - lo[2];
    if (!(length > 0.0 && sy > 0.0 && sz > 0.0))
        return true; // flat: encloses nothing
    // Square cells, about cellsAcross² of them.
    const double cell = std::sqrt(sy * sz) / cellsAcross;
    const int ny = std::max(1, int(std::ceil(sy / cell))), nz = std::max(1, int(std::ceil(sz / cell)));
    const double hy = sy / ny, hz = sz / nz;
    std::vector<char> uncertain(std::size_t(ny) * std::size_t(nz), 0);
    std::vector<Hit> hits;
    std::vector<Projected> projected;
    projected.reserve(mesh.triangles.size());

    for (const auto& tri : mesh.triangles) {
        Projected p;
        double x[3];
        for (int k = 0; k < 3; ++k) {
            const gp_XYZ& n = mesh.nodes[std::size_t(tri[std::size_t(k)])];
            x[k] = n.X();
            p.y[k] = (n.Y() - lo[1]) / hy;
            p.z[k] = (n.Z() - lo[2]) / hz;
        }
        p.twiceArea = (p.y[1] - p.y[0]) * (p.z[2] - p.z[0]) - (p.z[1] - p.z[0]) * (p.y[2] - p.y[0]);
        const bool edgeOn = std::abs(p.twiceArea) <= 1e-12 * (1.0 + std::abs(p.y[0]) + std::abs(p.z[0]));
        if (!edgeOn) {
            // The plane through the three corners, in cell units.
            const double dy1 = p.y[1] - p.y[0], dz1 = p.z[1] - p.z[0], dy2 = p.y[2] - p.y[0], dz2 = p.z[2] - p.z[0];
            const double dx1 = x[1] - x[0], dx2 = x[2] - x[0];
            p.gy = (dx1 * dz2 - dx2 * dz1) / p.twiceArea;
            p.gz = (dy1 * dx2 - dy2 * dx1) / p.twiceArea;
            p.x0 = x[0] - p.gy * p.y[0] - p.gz * p.z[0];
        }
        // Seen edge on, the line through its longest side.
        int longest = 0;
        for (int k = 1; k < 3; ++k) {
            const auto span = [&](int a) {
                const int b = (a + 1) % 3;
                return std::hypot(p.y[b] - p.y[a], p.z[b] - p.z[a]);
            };
            if (span(k) > span(longest))
                longest = k;
        }
        const int index = int(projected.size());
        projected.push_back(p);
        const double sign = p.twiceArea >= 0.0 ? 1.0 : -1.0;
        const int i0 = std::max(0, int(std::floor(*std::min_element(p.y, p.y + 3))));
        const int i1 = std::min(ny - 1, int(std::floor(*std::max_element(p.y, p.y + 3))));
        const int j0 = std::max(0, int(std::floor(*std::min_element(p.z, p.z + 3))));
        const int j1 = std::min(nz - 1, int(std::floor(*std::max_element(p.z, p.z + 3))));
        for (int i = i0; i <= i1; ++i)
            for (int j = j0; j <= j1; ++j) {
                const int column = i * nz + j;
                if (edgeOn) {
                    // Seen edge on: any cell its line passes through is in doubt.
                    bool above = false, below = false;
                    for (int c = 0; c < 4; ++c) {
                        const double e = p.edge(longest, i + (c & 1), j + (c >> 1));
                        above = above || e >= 0.0;
                        below = below || e <= 0.0;
                    }
                    if (above && below)
                        uncertain[std::size_t(column)] = 1;
                    continue;
                }
                // Cell corners against each side: all outside one side, the cell misses the
                // triangle; inside every side, the triangle covers it.
                bool misses = false, covers = true;
                for (int k = 0; k < 3 && !misses; ++k) {
                    int inside = 0;
                    for (int c = 0; c < 4; ++c)
                        inside += sign * p.edge(k, i + (c & 1), j + (c >> 1)) >= 0.0 ? 1 : 0;
                    misses = inside == 0;
                    covers = covers && inside == 4;
                }
                if (misses)
                    continue;
                if (!covers)
                    uncertain[std::size_t(column)] = 1;
                const double my = i + 0.5, mz = j + 0.5;
                if (sign * p.edge(0, my, mz) >= 0.0 && sign * p.edge(1, my, mz) >= 0.0 && sign * p.edge(2, my, mz) >= 0.0)
                    hits.push_back({column, p.xAt(my, mz), p.twiceArea > 0.0 ? 1 : -1, index});
            }
    }

    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        return a.column != b.column ? a.column < b.column : a.x < b.x;
    });
    double certain = 0.0, doubtful = 0.0;
    for (std::size_t i = 0; i < hits.size();) {
        std::size_t end = i;
        while (end < hits.size() && hits[end].column == hits[i].column)
            ++end;
        const int column = hits[i].column;
        bool doubt = uncertain[std::size_t(column)] != 0;
        // Triangles that cross inside the cell change the order of the crossings there.
        const int ci = column / nz, cj = column % nz;
        for (int c = 0; c < 4 && !doubt; ++c)
            for (std::size_t k = i + 1; k < end && !doubt; ++k)
                doubt = projected[std::size_t(hits[k].triangle)].xAt(ci + (c & 1), cj + (c >> 1))
                      < projected[std::size_t(hits[k - 1].triangle)].xAt(ci + (c & 1), cj + (c >> 1));
        double inside = 0.0;
        int winding = 0;
        for (std::size_t k = i; k < end; ++k) {
            winding += hits[k].turn;
            if (winding != 0 && k + 1 < end)
                inside += hits[k + 1].x - hits[k].x;
        }
        if (doubt) {
            uncertain[std::size_t(column)] = 0; // counted here once
            doubtful += length;
        } else {
            certain += inside;
        }
        i = end;
    }
    for (const char u : uncertain)
        doubtful += u ? length : 0.0;
    bounds.low = certain * hy * hz;
    bounds.high = (certain + doubtful) * hy * hz;
    return true;
}

bool windingVolumeRange(const StlMesh& mesh, double tolerance, WindingVolume& range)
{
    if (!windingVolumeBounds(mesh, range))
        return false;
    double area = 0.0;
    for (const auto& tri : mesh.triangles) {
        const gp_XYZ& a = mesh.nodes[std::size_t(tri[0])];
        area += 0.5 * ((mesh.nodes[std::size_t(tri[1])] - a) ^ (mesh.nodes[std::size_t(tri[2])] - a)).Modulus();
    }
    const double slack = tolerance * area + 1e-9 * range.high;
    range.low -= slack;
    range.high += slack;
    return true;
}
