#include "foundation/stlmesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

using Cell = std::array<std::int64_t, 3>;

// Cell numbers saturate far out instead of overflowing: distant nodes then share a cell,
// which only costs comparisons, never a wrong merge.
std::int64_t cellIndex(double coordinate, double size)
{
    const double c = std::floor(coordinate / size);
    constexpr double limit = 4.0e18;
    if (!(c > -limit))
        return -std::int64_t(limit);
    if (!(c < limit))
        return std::int64_t(limit);
    return std::int64_t(c);
}

// Unsigned arithmetic: wrapping is defined, and huge cell numbers must hash, not overflow.
std::uint64_t cellHash(const Cell& c)
{
    std::uint64_t h = std::uint64_t(c[0]) * 0x9E3779B97F4A7C15ull;
    h ^= std::uint64_t(c[1]) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= std::uint64_t(c[2]) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h ^ (h >> 29);
}

// Open-addressing table from a cell to the first kept node in it; the other kept nodes of
// the cell follow through next.
class CellTable
{
public:
    explicit CellTable(std::size_t expected)
    {
        std::size_t size = 16;
        while (size < 2 * expected)
            size *= 2;
        m_slots.assign(size, -1);
        m_cells.reserve(expected);
    }

    // The first node of the cell, or -1.
    int find(const Cell& cell) const
    {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = cellHash(cell) & mask;; i = (i + 1) & mask) {
            const int entry = m_slots[i];
            if (entry < 0)
                return -1;
            if (m_cells[std::size_t(entry)].cell == cell)
                return m_cells[std::size_t(entry)].head;
        }
    }

    // Makes node the first of its cell and returns the one it displaced (or -1).
    int push(const Cell& cell, int node)
    {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = cellHash(cell) & mask;; i = (i + 1) & mask) {
            int& entry = m_slots[i];
            if (entry < 0) {
                entry = int(m_cells.size());
                m_cells.push_back({cell, node});
                return -1;
            }
            if (m_cells[std::size_t(entry)].cell == cell)
                return std::exchange(m_cells[std::size_t(entry)].head, node);
        }
    }

private:
    struct Entry
    {
        Cell cell;
        int head;
    };
    std::vector<int> m_slots;
    std::vector<Entry> m_cells;
};

} // namespace

StlWeld weldStlMesh(StlMesh& mesh, double tolerance, const Message_ProgressRange& progress)
{
    StlWeld weld;
    if (!(tolerance > 0.0) || !std::isfinite(tolerance))
        return weld;
    const std::size_t count = mesh.nodes.size();
    std::vector<char> used(count, 0);
    for (const auto& t : mesh.triangles)
        for (const int n : t)
            used[std::size_t(n)] = 1;

    // Cells at least twice the tolerance wide: a node's neighbours within the tolerance then
    // lie in the 2 x 2 x 2 block of cells on the side of the cell it is nearest to. Wider
    // where the tolerance is tiny against the coordinates, so that cell numbers stay far
    // from saturating (saturated cells would pile distant nodes into one list).
    double reach = 0.0;
    for (std::size_t i = 0; i < count; ++i)
        if (used[i])
            reach = std::max({reach, std::abs(mesh.nodes[i].X()), std::abs(mesh.nodes[i].Y()),
                              std::abs(mesh.nodes[i].Z())});
    const double size = std::max(2.0 * tolerance, reach * 1e-15);
    const double tol2 = tolerance * tolerance;
    std::vector<int> target(count, -1);
    std::vector<int> next(count, -1);
    CellTable table(count);
    StlLoopProgress loop(progress, count, 16384);
    for (std::size_t i = 0; i < count; ++i) {
        if (!loop.next())
            return StlWeld(); // cancelled: the mesh is left as it was
        if (!used[i])
            continue;
        const gp_XYZ& p = mesh.nodes[i];
        const Cell cell{cellIndex(p.X(), size), cellIndex(p.Y(), size), cellIndex(p.Z(), size)};
        Cell step;
        for (int k = 0; k < 3; ++k) {
            const double inCell = p.Coord(k + 1) / size - std::floor(p.Coord(k + 1) / size);
            step[std::size_t(k)] = inCell < 0.5 ? -1 : 1;
        }
        int found = -1;
        for (int corner = 0; corner < 8 && found < 0; ++corner) {
            Cell c = cell;
            for (int k = 0; k < 3; ++k)
                if (corner & (1 << k))
                    c[std::size_t(k)] += step[std::size_t(k)];
            for (int j = table.find(c); j >= 0 && found < 0; j = next[std::size_t(j)])
                if ((mesh.nodes[std::size_t(j)] - p).SquareModulus() <= tol2)
                    found = j;
        }
        if (found >= 0) {
            target[i] = found;
            ++weld.mergedNodes;
        } else {
            target[i] = int(i);
            next[i] = table.push(cell, int(i));
        }
    }

    // Triangles whose corners merged have no area left.
    std::size_t kept = 0;
    for (const auto& t : mesh.triangles) {
        const std::array<int, 3> w{target[std::size_t(t[0])], target[std::size_t(t[1])], target[std::size_t(t[2])]};
        if (w[0] == w[1] || w[1] == w[2] || w[2] == w[0]) {
            ++weld.droppedTriangles;
            continue;
        }
        mesh.triangles[kept++] = w;
    }
    mesh.triangles.resize(kept);
    return weld;
}
