// The one spatial index of an STL import's checks: the triangles of a mesh filed by the cells of
// space they pass through. A cell listing many triangles is split into a grid of its own, sized by
// what its triangles take of it, while that still parts them: the cells follow the triangles,
// small where they are dense, large where they are sparse. A triangle is listed by every cell that its own shape, widened by a reach,
// comes to; not by the cells its box spans, which for a long slanted triangle are thousands.
// The work and the memory are bounded by the number of listings, counted as the cells are split.
#pragma once

#include <gp_XYZ.hxx>

class Message_ProgressScope;

#include <array>
#include <cstddef>
#include <vector>

struct StlMesh;

class MeshGrid
{
public:
    struct Box
    {
        std::array<double, 3> low{};
        std::array<double, 3> high{};
    };

    // Files the listed triangles of the mesh (every triangle when the list is empty). A cell lists
    // a triangle that comes within reach of it. At most about listingsPerTriangle listings a
    // triangle are made; past them the cells are left as they are, larger.
    // Breaks, when given, are asked as the cells split: once asked to stop, the cells are left as
    // they are (and the grid is of no use but to be dropped).
    MeshGrid(const StlMesh& mesh, double reach, const std::vector<int>& only = {},
             std::size_t listingsPerTriangle = 64, const Message_ProgressScope* breaks = nullptr);

    // Whether every cell was split as far as its triangles asked; false when the bound stopped it.
    bool complete() const { return m_complete; }
    std::size_t cellCount() const { return m_cellStart.size() - 1; }
    std::size_t listingCount() const { return m_listed.size(); }
    // Worked out when asked, from the grid the cell is a slot of.
    Box cellBox(std::size_t cell) const;
    const int* begin(std::size_t cell) const { return m_listed.data() + m_cellStart[cell]; }
    const int* end(std::size_t cell) const { return m_listed.data() + m_cellStart[cell + 1]; }
    std::size_t size(std::size_t cell) const { return m_cellStart[cell + 1] - m_cellStart[cell]; }

    // The triangle's box, widened by the reach (and a rounding), as the grid filed it. Worked out
    // when asked: kept for every triangle, the boxes would outweigh the rest of the grid.
    Box boxOf(int triangle) const;
    // The same of a triangle with these corners, in any order.
    Box boxOf(const gp_XYZ& p0, const gp_XYZ& p1, const gp_XYZ& p2) const;
    // Whether every cell its box meets lists the triangle. Otherwise it is long, and listed only
    // by the cells its own shape comes to.
    bool listedByBox(int triangle) const { return !m_long[std::size_t(triangle)]; }

    // The cell holding the point (each cell takes its lower faces, not its upper ones), or -1 for
    // a point beyond the mesh.
    int cellAt(const gp_XYZ& p) const;
    // The cells the vertical line through (x, y) passes, from the lowest up, each taken as
    // cellAt takes it.
    void column(double x, double y, std::vector<int>& cells) const;
    // The cells that meet the box, its faces included.
    void cellsMeeting(const Box& box, std::vector<int>& cells) const;

private:
    // A grid of across[0] x across[1] x across[2] slots over its box (z fastest), each slot empty
    // (kEmpty), a cell (its number) or a grid of its own (gridSlot(grid)).
    struct Grid
    {
        Box box;
        std::array<int, 3> across{1, 1, 1};
        std::size_t first = 0; // its slots
        std::array<double, 3> scale{}; // slots per unit of length
    };
    // The slot along axis i holding the coordinate: the one rule every filing and search takes.
    static int indexIn(const Grid& grid, std::size_t i, double v)
    {
        const int k = int((v - grid.box.low[i]) * grid.scale[i]);
        return k < 0 ? 0 : k >= grid.across[i] ? grid.across[i] - 1 : k;
    }
    static constexpr int kEmpty = -1;
    static int gridSlot(int grid) { return -2 - grid; }
    static int gridOf(int slot) { return -2 - slot; }

    // The slot of the grid holding p, and the box of that slot.
    int slotAt(const Grid& grid, const gp_XYZ& p, Box* box = nullptr) const;

    const StlMesh* m_mesh = nullptr;
    double m_grow = 0.0;
    std::vector<Grid> m_grids;
    std::vector<int> m_slots;
    int m_root = kEmpty;
    Box m_rootBox;
    std::vector<char> m_long;
    struct CellPlace
    {
        int grid;  // the grid the cell is a slot of, or -1 for a root left whole
        int index; // its slot in that grid
    };
    std::vector<CellPlace> m_cellPlace;
    std::vector<std::size_t> m_cellStart{0};
    std::vector<int> m_listed;
    bool m_complete = true;
};
