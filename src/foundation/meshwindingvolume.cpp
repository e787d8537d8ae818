#include "foundation/meshwindingvolume.h"
#include "foundation/meshgrid.h"
#include "foundation/meshwinding.h"
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

struct Column
{
    double x0, x1, y0, y1;
    int depth;
};

// Splits of a column in doubt, at most.
constexpr int kDeepest = 6;

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
    const double sx = hi[0] - lo[0], sy = hi[1] - lo[1];
    if (!(sx > 0.0 && sy > 0.0 && hi[2] - lo[2] > 0.0))
        return true; // flat: encloses nothing
    const MeshGrid grid(mesh, 0.0);
    const MeshWinding winding(mesh, grid);
    // Square columns, about cellsAcross² of them; as many again may be spent on splitting.
    const double side = std::sqrt(sx * sy) / cellsAcross;
    const int nx = std::max(1, int(std::ceil(sx / side))), ny = std::max(1, int(std::ceil(sy / side)));
    long left = 4L * nx * ny;
    std::vector<Column> columns;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            columns.push_back({lo[0] + sx * i / nx, lo[0] + sx * (i + 1) / nx, lo[1] + sy * j / ny,
                               lo[1] + sy * (j + 1) / ny, 0});

    std::vector<int> stamp(mesh.triangles.size(), -1), cells, over;
    std::vector<std::pair<double, int>> hits;
    double certain = 0.0, doubtful = 0.0;
    int round = 0;
    const auto at = [&](int t, int k) -> const gp_XYZ& { return mesh.nodes[std::size_t(mesh.triangles[std::size_t(t)][std::size_t(k)])]; };
    // Height of the triangle's plane over (x, y).
    const auto heightAt = [&](int t, double x, double y) {
        const gp_XYZ &a = at(t, 0), &b = at(t, 1), &c = at(t, 2);
        const gp_XYZ n = (b - a) ^ (c - a);
        return a.Z() - (n.X() * (x - a.X()) + n.Y() * (y - a.Y())) / n.Z();
    };
    while (!columns.empty()) {
        const Column col = columns.back();
        columns.pop_back();
        --left;
        ++round;
        MeshGrid::Box prism;
        prism.low = {col.x0, col.y0, lo[2]};
        prism.high = {col.x1, col.y1, hi[2]};
        grid.cellsMeeting(prism, cells);
        over.clear();
        double zLow = 1e300, zHigh = -1e300;
        bool doubt = false;
        const double corners[4][2] = {{col.x0, col.y0}, {col.x1, col.y0}, {col.x1, col.y1}, {col.x0, col.y1}};
        for (const int cell : cells)
            for (const int* t = grid.begin(std::size_t(cell)); t != grid.end(std::size_t(cell)); ++t) {
                if (stamp[std::size_t(*t)] == round)
                    continue;
                stamp[std::size_t(*t)] = round;
                // The triangle's shadow against the column's: apart when one side of it keeps
                // every corner of the column on its outer side or on it.
                double area = 0.0;
                for (int k = 0; k < 3; ++k) {
                    const gp_XYZ &p = at(*t, k), &q = at(*t, (k + 1) % 3);
                    area += p.X() * q.Y() - q.X() * p.Y();
                }
                bool apart = false, covers = true;
                double xMin = 1e300, xMax = -1e300, yMin = 1e300, yMax = -1e300;
                for (int k = 0; k < 3; ++k) {
                    xMin = std::min(xMin, at(*t, k).X()), xMax = std::max(xMax, at(*t, k).X());
                    yMin = std::min(yMin, at(*t, k).Y()), yMax = std::max(yMax, at(*t, k).Y());
                }
                apart = xMax <= col.x0 || xMin >= col.x1 || yMax <= col.y0 || yMin >= col.y1;
                const bool edgeOn = std::abs(area) <= 1e-12 * (xMax - xMin + yMax - yMin) * (xMax - xMin + yMax - yMin);
                for (int k = 0; k < 3 && !apart; ++k) {
                    const gp_XYZ &p = at(*t, k), &q = at(*t, (k + 1) % 3);
                    int inside = 0, outside = 0;
                    for (const auto& c : corners) {
                        const double e = (q.X() - p.X()) * (c[1] - p.Y()) - (q.Y() - p.Y()) * (c[0] - p.X());
                        const double s = area >= 0.0 ? e : -e;
                        inside += s > 0.0;
                        outside += s < 0.0;
                    }
                    if (!edgeOn && inside == 0)
                        apart = true;
                    covers = covers && outside == 0;
                    // Seen edge on, a side through the column's inside parts it.
                    if (edgeOn && inside > 0 && outside > 0)
                        doubt = true;
                }
                if (apart || edgeOn)
                    continue;
                doubt = doubt || !covers;
                over.push_back(*t);
                for (int k = 0; k < 3; ++k) {
                    zLow = std::min(zLow, at(*t, k).Z());
                    zHigh = std::max(zHigh, at(*t, k).Z());
                }
            }
        const double area = (col.x1 - col.x0) * (col.y1 - col.y0);
        double inside = 0.0;
        if (!doubt) {
            const double cx = 0.5 * (col.x0 + col.x1), cy = 0.5 * (col.y0 + col.y1);
            winding.crossings(cx, cy, over.data(), over.data() + over.size(), hits);
            // Triangles that cross inside the column change the order of the crossings there.
            // Which triangle each crossing is: the covering ones all cross, in the order of hits.
            std::vector<std::pair<double, int>> order;
            for (const int t : over)
                order.emplace_back(heightAt(t, cx, cy), t);
            std::sort(order.begin(), order.end());
            doubt = order.size() != hits.size();
            for (std::size_t k = 1; k < order.size() && !doubt; ++k)
                for (const auto& c : corners)
                    doubt = doubt || heightAt(order[k].second, c[0], c[1]) < heightAt(order[k - 1].second, c[0], c[1]);
            int w = 0;
            for (std::size_t k = 0; k < hits.size() && !doubt; ++k) {
                w -= hits[k].second;
                if (Winding::isMaterial(w) && k + 1 < hits.size())
                    inside += hits[k + 1].first - hits[k].first;
            }
        }
        if (!doubt) {
            certain += inside * area;
        } else if (col.depth < kDeepest && left >= 4) {
            const double mx = 0.5 * (col.x0 + col.x1), my = 0.5 * (col.y0 + col.y1);
            columns.push_back({col.x0, mx, col.y0, my, col.depth + 1});
            columns.push_back({mx, col.x1, col.y0, my, col.depth + 1});
            columns.push_back({col.x0, mx, my, col.y1, col.depth + 1});
            columns.push_back({mx, col.x1, my, col.y1, col.depth + 1});
        } else if (zHigh > zLow) {
            doubtful += (zHigh - zLow) * area;
        }
    }
    bounds.low = certain;
    bounds.high = certain + doubtful;
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
