#include "foundation/meshgrid.h"
#include "foundation/stlmesh.h"

#include <Message_ProgressScope.hxx>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

// A cell listing more is split again, into a grid of its own of about one cell for every few
// dozen of its triangles; three such splits reach far below any rounding of a part. The search
// for crossings holds a cell's boxes against one another several at once, so that larger cells,
// listing each triangle fewer times, cost it less than the pairs they add.
constexpr std::size_t kCellCapacity = 128;
constexpr std::size_t kTrianglesPerCell = 48;
constexpr std::size_t kSlotsPerTriangle = 4;
constexpr int kDeepest = 6;
constexpr int kMostAcross = 1024;
constexpr std::uint64_t kLongSpan = ~std::uint64_t(0);

using Box = MeshGrid::Box;

// A convex polygon of a triangle clipped by slabs: at most 3 + 2 corners a slab.
struct Polygon
{
    std::array<gp_XYZ, 9> p;
    int size = 0;
};

// The part of the polygon with low <= coordinate i <= high.
Polygon clipped(const Polygon& in, int i, double low, double high)
{
    Polygon half, out;
    const auto cut = [](const Polygon& from, Polygon& to, int axis, double at, bool keepBelow) {
        to.size = 0;
        for (int k = 0; k < from.size; ++k) {
            const gp_XYZ& a = from.p[std::size_t(k)];
            const gp_XYZ& b = from.p[std::size_t((k + 1) % from.size)];
            const double da = keepBelow ? at - a.Coord(axis + 1) : a.Coord(axis + 1) - at;
            const double db = keepBelow ? at - b.Coord(axis + 1) : b.Coord(axis + 1) - at;
            if (da >= 0.0)
                to.p[std::size_t(to.size++)] = a;
            if ((da >= 0.0) != (db >= 0.0) && to.size < int(to.p.size()))
                to.p[std::size_t(to.size++)] = a + (b - a) * (da / (da - db));
        }
    };
    cut(in, half, i, low, false);
    cut(half, out, i, high, true);
    return out;
}

void rangeOf(const Polygon& polygon, int i, double& low, double& high)
{
    low = std::numeric_limits<double>::max();
    high = -low;
    for (int k = 0; k < polygon.size; ++k) {
        low = std::min(low, polygon.p[std::size_t(k)].Coord(i + 1));
        high = std::max(high, polygon.p[std::size_t(k)].Coord(i + 1));
    }
}

struct Work
{
    int slot;         // in the slots, or -1 for the root
    int grid, index;  // the grid it is a slot of (-1 for the root), and which
    MeshGrid::Box box;
    int depth;
    std::size_t begin, end; // its triangles in the pending list
};

double cellLow(const Box& box, const std::array<int, 3>& across, std::size_t i, int k)
{
    return box.low[i] + (box.high[i] - box.low[i]) / across[i] * k;
}

double cellHigh(const Box& box, const std::array<int, 3>& across, std::size_t i, int k)
{
    return k + 1 == across[i] ? box.high[i] : cellLow(box, across, i, k + 1);
}

} // namespace

MeshGrid::MeshGrid(const StlMesh& mesh, double reach, const std::vector<int>& only, std::size_t listingsPerTriangle,
                   const Message_ProgressScope* breaks)
{
    // The triangles filed: every one of the mesh, counted rather than listed, or those given.
    const bool all = only.empty();
    const std::size_t filedCount = all ? mesh.triangles.size() : only.size();
    if (filedCount == 0)
        return;
    const auto filedAt = [&](std::size_t i) { return all ? int(i) : only[i]; };

    // The box of the triangles, widened by the reach and by what rounding may be off by.
    m_mesh = &mesh;
    m_long.assign(mesh.triangles.size(), 0);
    Box root;
    root.low.fill(std::numeric_limits<double>::max());
    root.high.fill(-std::numeric_limits<double>::max());
    for (std::size_t i = 0; i < filedCount; ++i) {
        const auto& tri = mesh.triangles[std::size_t(filedAt(i))];
        const gp_XYZ &p0 = mesh.nodes[std::size_t(tri[0])], &p1 = mesh.nodes[std::size_t(tri[1])],
                     &p2 = mesh.nodes[std::size_t(tri[2])];
        for (std::size_t k = 0; k < 3; ++k) {
            const int c = int(k) + 1;
            root.low[k] = std::min({root.low[k], p0.Coord(c), p1.Coord(c), p2.Coord(c)});
            root.high[k] = std::max({root.high[k], p0.Coord(c), p1.Coord(c), p2.Coord(c)});
        }
    }
    double extent = 0.0, far = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        extent = std::max(extent, root.high[i] - root.low[i]);
        far = std::max({far, std::abs(root.low[i]), std::abs(root.high[i])});
    }
    const double grow = std::max(0.0, reach) + 1e-9 * extent + 1e-12 * far + 1e-300;
    m_grow = grow;
    for (std::size_t i = 0; i < 3; ++i) {
        root.low[i] -= 2.0 * grow;
        root.high[i] += 2.0 * grow;
    }
    m_rootBox = root;

    // Each round splits the cells listing too many. Their triangles wait in the pending list; the
    // root's are the filed ones themselves. Every list is written once, where it ends: the cells
    // of a split that are to split no further take their triangles straight into the listings,
    // the others into the next round's pending list. On a large mesh the memory first touched
    // costs the check more than the filing does.
    const std::size_t budget = listingsPerTriangle * filedCount + 4096;
    std::size_t listings = filedCount;
    std::vector<int> pending, next;
    std::vector<Work> works{Work{-1, -1, 0, root, 0, 0, filedCount}}, nextWorks;
    std::vector<std::pair<int, int>> placedLong; // (cell of the new grid, triangle), in the work's order
    // Of each triangle of the work, the slots its box spans, ten bits each from and to along each
    // axis, or kLongSpan: worked out once for both passes.
    std::vector<std::uint64_t> spans;
    struct Fill
    {
        int* at; // where the cell's next triangle goes
        int count;
        bool now; // listed now, not split again
    };
    std::vector<Fill> fills; // of the filled cells of the new grid
    const auto setSlot = [&](int slot, int value) { (slot < 0 ? m_root : m_slots[std::size_t(slot)]) = value; };
    // Room for a quarter more listings than there are: grown by steps, the list would be copied
    // and its memory first touched anew at each.
    const auto roomFor = [&](std::size_t more) {
        if (m_listed.size() + more > m_listed.capacity())
            m_listed.reserve(std::max(m_listed.size() + more, listings + listings / 4));
    };
    const auto addCell = [&](int slot, int grid, int index, std::size_t end) {
        setSlot(slot, int(m_cellPlace.size()));
        m_cellPlace.push_back({grid, index});
        m_cellStart.push_back(end);
    };
    std::size_t splits = 0;
    bool stopped = false;
    while (!works.empty()) {
        next.clear();
        nextWorks.clear();
        m_grids.reserve(m_grids.size() + works.size());
        for (const Work& work : works) {
            const bool isRoot = work.slot < 0;
            const std::size_t size = work.end - work.begin;
            const auto at = [&](std::size_t i) { return isRoot ? filedAt(i) : pending[work.begin + i]; };
            const auto becomeCell = [&] {
                roomFor(size);
                for (std::size_t i = 0; i < size; ++i)
                    m_listed.push_back(at(i));
                addCell(work.slot, work.grid, work.index, m_listed.size());
            };
            stopped = stopped || (breaks && ++splits % 64 == 0 && breaks->UserBreak());
            if (size <= kCellCapacity || work.depth >= kDeepest || stopped) {
                becomeCell();
                continue;
            }
            const Box& box = work.box;
            // Cells holding a few triangles each: as wide as a few of them where they form a surface
            // (which fills few cells of a grid over a volume), narrower where they crowd the whole
            // volume, and within a few slots a triangle. A cell of a fine mesh beside a coarse one
            // splits as finely as its own triangles ask.
            double area = 0.0, volume = 1.0, longest = 0.0;
            for (std::size_t i = 0; i < 3; ++i)
                longest = std::max(longest, box.high[i] - box.low[i]);
            // A triangle longer than the cell takes a section of it: its area in the share of its
            // length the cell spans, and no more than the cell's own section. Worked out at each
            // split: kept for every triangle, the sizes cost more to touch than to work out.
            for (std::size_t i = 0; i < size; ++i) {
                const auto& tri = mesh.triangles[std::size_t(at(i))];
                const gp_XYZ &p0 = mesh.nodes[std::size_t(tri[0])], &p1 = mesh.nodes[std::size_t(tri[1])],
                             &p2 = mesh.nodes[std::size_t(tri[2])];
                const double own = 0.5 * ((p1 - p0) ^ (p2 - p0)).Modulus();
                // The square root of the longest square is the longest of the square roots.
                const double length = std::max(
                    std::sqrt(std::max({(p1 - p0).SquareModulus(), (p2 - p1).SquareModulus(), (p0 - p2).SquareModulus()})),
                    1e-300);
                area += std::min(own * std::min(1.0, longest / length), longest * longest);
            }
            for (std::size_t i = 0; i < 3; ++i)
                volume *= std::max(box.high[i] - box.low[i], 1e-6 * longest);
            const double cellsWanted = double(size) / double(kTrianglesPerCell);
            const double side = std::max({std::min(std::sqrt(area / cellsWanted), std::cbrt(volume / cellsWanted)),
                                          std::cbrt(volume / double(kSlotsPerTriangle * size)), longest / kMostAcross});
            std::array<int, 3> across{};
            std::size_t cells = 1;
            for (std::size_t i = 0; i < 3; ++i) {
                across[i] = std::clamp(int(std::ceil((box.high[i] - box.low[i]) / side - 1e-9)), 1, kMostAcross);
                cells *= std::size_t(across[i]);
            }
            if (cells < 2) {
                becomeCell();
                continue;
            }
            // First pass: how many triangles each cell of the new grid lists, counted in its slot.
            const std::size_t firstSlot = m_slots.size();
            m_slots.resize(firstSlot + cells, 0);
            int* const slot = m_slots.data() + firstSlot;
            // The cells of a box's span, from the lowest slot up.
            const auto forCellsOf = [&](std::uint64_t span, auto&& sink) {
                const auto index = [&](int shift) { return int(span >> shift & 1023u); };
                for (int x = index(0); x <= index(10); ++x)
                    for (int y = index(20); y <= index(30); ++y)
                        for (int z = index(40); z <= index(50); ++z)
                            sink((x * across[1] + y) * across[2] + z);
            };
            Grid split{box, across, 0, {}};
            for (std::size_t i = 0; i < 3; ++i)
                split.scale[i] = across[i] / (box.high[i] - box.low[i]);
            // The cells the triangle comes to, counted in their slots, where its box spans a few of
            // them, and the span of its box kept for the second pass; for a long triangle, its
            // cells worked out into placedLong.
            const auto placeByBox = [&](int t, std::uint64_t& span) {
                const Box b = boxOf(t);
                int from[3], to[3], many = 1;
                bool beyond = false; // the box reaches past the cell: it tells little of where the triangle lies in it
                for (std::size_t i = 0; i < 3; ++i) {
                    from[i] = indexIn(split, i, b.low[i]);
                    to[i] = indexIn(split, i, b.high[i]);
                    many *= to[i] - from[i] + 1;
                    beyond = beyond || b.low[i] < box.low[i] || b.high[i] > box.high[i];
                }
                const bool byShape = many > 8 || (many > 1 && beyond);
                if (!byShape) {
                    span = 0;
                    for (std::size_t i = 0; i < 3; ++i)
                        span |= std::uint64_t(from[i]) << (20 * i) | std::uint64_t(to[i]) << (20 * i + 10);
                    forCellsOf(span, [&](int c) { ++slot[c]; });
                    return;
                }
                span = kLongSpan;
                // A long triangle only where its own shape comes, slab by slab: it passes a few
                // cells of the thousands its box may span.
                m_long[std::size_t(t)] = 1;
                const auto& tri = mesh.triangles[std::size_t(t)];
                Polygon whole;
                whole.size = 3;
                for (std::size_t k = 0; k < 3; ++k)
                    whole.p[k] = mesh.nodes[std::size_t(tri[k])];
                for (int x = from[0]; x <= to[0]; ++x) {
                    const Polygon inX = clipped(whole, 0, cellLow(box, across, 0, x) - grow, cellHigh(box, across, 0, x) + grow);
                    if (inX.size == 0)
                        continue;
                    double low, high;
                    rangeOf(inX, 1, low, high);
                    if (high + grow < box.low[1] || low - grow > box.high[1])
                        continue;
                    const int y0 = std::max(from[1], indexIn(split, 1, low - grow));
                    const int y1 = std::min(to[1], indexIn(split, 1, high + grow));
                    for (int y = y0; y <= y1; ++y) {
                        const Polygon inXY = clipped(inX, 1, cellLow(box, across, 1, y) - grow, cellHigh(box, across, 1, y) + grow);
                        if (inXY.size == 0)
                            continue;
                        rangeOf(inXY, 2, low, high);
                        if (high + grow < box.low[2] || low - grow > box.high[2])
                            continue;
                        const int z0 = std::max(from[2], indexIn(split, 2, low - grow));
                        const int z1 = std::min(to[2], indexIn(split, 2, high + grow));
                        for (int z = z0; z <= z1; ++z)
                            placedLong.emplace_back((x * across[1] + y) * across[2] + z, t);
                    }
                }
            };
            placedLong.clear();
            spans.resize(size);
            std::size_t placed = 0;
            for (std::size_t i = 0; i < size; ++i) {
                const std::size_t before = placedLong.size();
                placeByBox(at(i), spans[i]);
                for (std::size_t k = before; k < placedLong.size(); ++k)
                    ++slot[placedLong[k].first];
            }
            int most = 0;
            for (std::size_t c = 0; c < cells; ++c) {
                placed += std::size_t(slot[c]);
                most = std::max(most, slot[c]);
            }
            // A split that leaves some cell with every triangle parts nothing there (triangles
            // about one node); one past the bound is not made.
            const bool parts = std::size_t(most) < size;
            if (!parts || listings + placed - size > budget) {
                m_complete = m_complete && !parts;
                m_slots.resize(firstSlot);
                becomeCell();
                continue;
            }
            listings += placed - size;
            // Where each filled cell's triangles go: the listings for the cells to split no
            // further, in the order of their slots, the next round's list for the others. The
            // slot holds the number of its fill meanwhile.
            const bool last = work.depth + 1 >= kDeepest || stopped;
            std::size_t listedNow = 0, waiting = 0;
            for (std::size_t c = 0; c < cells; ++c)
                (std::size_t(slot[c]) <= kCellCapacity || last ? listedNow : waiting) += std::size_t(slot[c]);
            roomFor(listedNow);
            const std::size_t listedBase = m_listed.size(), nextBase = next.size();
            m_listed.resize(listedBase + listedNow);
            next.resize(nextBase + waiting);
            int* toListed = m_listed.data() + listedBase;
            int* toNext = next.data() + nextBase;
            fills.clear();
            for (std::size_t c = 0; c < cells; ++c) {
                const int n = slot[c];
                if (n == 0) {
                    slot[c] = kEmpty;
                    continue;
                }
                const bool now = std::size_t(n) <= kCellCapacity || last;
                int*& to = now ? toListed : toNext;
                slot[c] = int(fills.size());
                fills.push_back({to, n, now});
                to += n;
            }
            // Second pass: each triangle written into its cells' lists, in the work's order.
            std::size_t longAt = 0;
            for (std::size_t i = 0; i < size; ++i) {
                const int t = at(i);
                if (spans[i] != kLongSpan) {
                    forCellsOf(spans[i], [&](int c) { *fills[std::size_t(slot[c])].at++ = t; });
                    continue;
                }
                for (; longAt < placedLong.size() && placedLong[longAt].second == t; ++longAt)
                    *fills[std::size_t(slot[placedLong[longAt].first])].at++ = t;
            }
            const int grid = int(m_grids.size());
            split.first = firstSlot;
            m_grids.push_back(split);
            setSlot(work.slot, gridSlot(grid));
            for (int x = 0; x < across[0]; ++x)
                for (int y = 0; y < across[1]; ++y)
                    for (int z = 0; z < across[2]; ++z) {
                        const int c = (x * across[1] + y) * across[2] + z;
                        if (slot[c] == kEmpty)
                            continue;
                        const Fill& fill = fills[std::size_t(slot[c])];
                        const int cellSlot = int(firstSlot) + c;
                        if (fill.now) {
                            addCell(cellSlot, grid, c, std::size_t(fill.at - m_listed.data()));
                            continue;
                        }
                        slot[c] = kEmpty;
                        const std::size_t end = std::size_t(fill.at - next.data());
                        const Box cellBox{{cellLow(box, across, 0, x), cellLow(box, across, 1, y), cellLow(box, across, 2, z)},
                                          {cellHigh(box, across, 0, x), cellHigh(box, across, 1, y),
                                           cellHigh(box, across, 2, z)}};
                        nextWorks.push_back(
                            Work{cellSlot, grid, c, cellBox, work.depth + 1, end - std::size_t(fill.count), end});
                    }
        }
        pending.swap(next);
        works.swap(nextWorks);
    }
}

MeshGrid::Box MeshGrid::cellBox(std::size_t cell) const
{
    const CellPlace& place = m_cellPlace[cell];
    if (place.grid < 0)
        return m_rootBox;
    const Grid& grid = m_grids[std::size_t(place.grid)];
    const int k[3] = {place.index / (grid.across[1] * grid.across[2]), place.index / grid.across[2] % grid.across[1],
                      place.index % grid.across[2]};
    Box box;
    for (std::size_t i = 0; i < 3; ++i) {
        box.low[i] = cellLow(grid.box, grid.across, i, k[i]);
        box.high[i] = cellHigh(grid.box, grid.across, i, k[i]);
    }
    return box;
}

MeshGrid::Box MeshGrid::boxOf(int triangle) const
{
    const auto& tri = m_mesh->triangles[std::size_t(triangle)];
    return boxOf(m_mesh->nodes[std::size_t(tri[0])], m_mesh->nodes[std::size_t(tri[1])],
                 m_mesh->nodes[std::size_t(tri[2])]);
}

MeshGrid::Box MeshGrid::boxOf(const gp_XYZ& p0, const gp_XYZ& p1, const gp_XYZ& p2) const
{
    Box b;
    for (std::size_t i = 0; i < 3; ++i) {
        const int c = int(i) + 1;
        b.low[i] = std::min({p0.Coord(c), p1.Coord(c), p2.Coord(c)}) - m_grow;
        b.high[i] = std::max({p0.Coord(c), p1.Coord(c), p2.Coord(c)}) + m_grow;
    }
    return b;
}

int MeshGrid::slotAt(const Grid& grid, const gp_XYZ& p, Box* box) const
{
    int index[3];
    for (std::size_t i = 0; i < 3; ++i)
        index[i] = indexIn(grid, i, p.Coord(int(i) + 1));
    if (box)
        for (std::size_t i = 0; i < 3; ++i) {
            box->low[i] = cellLow(grid.box, grid.across, i, index[i]);
            box->high[i] = cellHigh(grid.box, grid.across, i, index[i]);
        }
    return m_slots[grid.first + std::size_t((index[0] * grid.across[1] + index[1]) * grid.across[2] + index[2])];
}

int MeshGrid::cellAt(const gp_XYZ& p) const
{
    for (std::size_t i = 0; i < 3; ++i)
        if (!(p.Coord(int(i) + 1) >= m_rootBox.low[i] && p.Coord(int(i) + 1) < m_rootBox.high[i]))
            return -1;
    int slot = m_root;
    while (slot <= gridSlot(0))
        slot = slotAt(m_grids[std::size_t(gridOf(slot))], p);
    return slot >= 0 ? slot : -1;
}

void MeshGrid::column(double x, double y, std::vector<int>& cells) const
{
    cells.clear();
    if (!(x >= m_rootBox.low[0] && x < m_rootBox.high[0] && y >= m_rootBox.low[1] && y < m_rootBox.high[1]))
        return;
    // Depth first, lower slots before upper ones: the cells come from the lowest up.
    std::vector<int> stack{m_root};
    while (!stack.empty()) {
        const int slot = stack.back();
        stack.pop_back();
        if (slot >= 0) {
            cells.push_back(slot);
            continue;
        }
        if (slot == kEmpty)
            continue;
        const Grid& grid = m_grids[std::size_t(gridOf(slot))];
        const int ix = indexIn(grid, 0, x), iy = indexIn(grid, 1, y);
        const std::size_t bottom = grid.first + std::size_t((ix * grid.across[1] + iy) * grid.across[2]);
        for (int k = grid.across[2] - 1; k >= 0; --k)
            stack.push_back(m_slots[bottom + std::size_t(k)]);
    }
}

void MeshGrid::cellsMeeting(const Box& box, std::vector<int>& cells) const
{
    cells.clear();
    std::vector<int> stack{m_root};
    while (!stack.empty()) {
        const int slot = stack.back();
        stack.pop_back();
        if (slot >= 0) {
            const Box c = cellBox(std::size_t(slot));
            bool apart = false;
            for (std::size_t i = 0; i < 3 && !apart; ++i)
                apart = box.high[i] < c.low[i] || box.low[i] > c.high[i];
            if (!apart)
                cells.push_back(slot);
            continue;
        }
        if (slot == kEmpty)
            continue;
        const Grid& grid = m_grids[std::size_t(gridOf(slot))];
        int from[3], to[3];
        bool apart = false;
        for (std::size_t i = 0; i < 3; ++i) {
            apart = apart || box.high[i] < grid.box.low[i] || box.low[i] > grid.box.high[i];
            from[i] = std::max(0, indexIn(grid, i, box.low[i]) - 1);
            to[i] = std::min(grid.across[i] - 1, indexIn(grid, i, box.high[i]) + 1);
        }
        if (apart)
            continue;
        for (int x = to[0]; x >= from[0]; --x)
            for (int y = to[1]; y >= from[1]; --y)
                for (int z = to[2]; z >= from[2]; --z)
                    stack.push_back(m_slots[grid.first + std::size_t((x * grid.across[1] + y) * grid.across[2] + z)]);
    }
}
