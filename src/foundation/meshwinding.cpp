#include "foundation/meshwinding.h"
#include "foundation/meshgrid.h"
#include "foundation/stlmesh.h"

#include <algorithm>

MeshWinding::MeshWinding(const StlMesh& mesh, const MeshGrid& grid, const std::vector<char>* turned)
    : m_mesh(mesh), m_grid(grid), m_turned(turned)
{
}

// Which side of the edge's shadow, run from the lower node to the higher, the point is on; on
// the line itself, the point counts as moved by (e, e^2) for an infinitely small e, which never
// leaves it on a line. The same computation for both triangles of an edge keeps them agreeing.
// 0 only for an edge seen end-on.
int MeshWinding::side(int from, int to, double x, double y) const
{
    const bool ascending = from < to;
    const gp_XYZ& a = m_mesh.nodes[std::size_t(ascending ? from : to)];
    const gp_XYZ& b = m_mesh.nodes[std::size_t(ascending ? to : from)];
    const double o = (b.X() - a.X()) * (y - a.Y()) - (b.Y() - a.Y()) * (x - a.X());
    int s = 0;
    if (o != 0.0)
        s = o > 0.0 ? 1 : -1;
    else if (b.Y() != a.Y())
        s = a.Y() > b.Y() ? 1 : -1;
    else if (b.X() != a.X())
        s = b.X() > a.X() ? 1 : -1;
    return ascending ? s : -s;
}

int MeshWinding::crossing(int triangle, double x, double y, double& z) const
{
    const auto& t = m_mesh.triangles[std::size_t(triangle)];
    const int s0 = side(t[0], t[1], x, y);
    if (s0 == 0 || side(t[1], t[2], x, y) != s0 || side(t[2], t[0], x, y) != s0)
        return 0;
    // Where the line meets the triangle's plane, by the corners' weights in the shadow.
    const gp_XYZ& a = m_mesh.nodes[std::size_t(t[0])];
    const gp_XYZ& b = m_mesh.nodes[std::size_t(t[1])];
    const gp_XYZ& c = m_mesh.nodes[std::size_t(t[2])];
    const auto area = [](double ux, double uy, double vx, double vy, double wx, double wy) {
        return (vx - ux) * (wy - uy) - (vy - uy) * (wx - ux);
    };
    const double whole = area(a.X(), a.Y(), b.X(), b.Y(), c.X(), c.Y());
    if (whole == 0.0) {
        z = std::max({a.Z(), b.Z(), c.Z()});
    } else {
        z = (area(x, y, b.X(), b.Y(), c.X(), c.Y()) * a.Z() + area(a.X(), a.Y(), x, y, c.X(), c.Y()) * b.Z()
             + area(a.X(), a.Y(), b.X(), b.Y(), x, y) * c.Z())
            / whole;
    }
    // Seen from above, corners running counter-clockwise face up: the ray leaves there.
    const int up = s0 > 0 ? 1 : -1;
    return m_turned && (*m_turned)[std::size_t(triangle)] ? -up : up;
}

int MeshWinding::at(const gp_XYZ& p, const std::vector<int>* counted, int which) const
{
    std::vector<int> cells;
    m_grid.column(p.X(), p.Y(), cells);
    return Winding::windingOf(cells, [&](int cell) {
        const MeshGrid::Box box = m_grid.cellBox(std::size_t(cell));
        int turns = 0;
        if (box.high[2] <= p.Z())
            return turns;
        for (const int* t = m_grid.begin(std::size_t(cell)); t != m_grid.end(std::size_t(cell)); ++t) {
            if (counted && (*counted)[std::size_t(*t)] != which)
                continue;
            double z = 0.0;
            const int turn = crossing(*t, p.X(), p.Y(), z);
            // A triangle listed by several cells of the column counts in the one holding its crossing.
            if (turn != 0 && z > p.Z() && z >= box.low[2] && z < box.high[2])
                turns += turn;
        }
        return turns;
    });
}

void MeshWinding::crossings(double x, double y, const int* first, const int* last,
                            std::vector<std::pair<double, int>>& out) const
{
    out.clear();
    for (const int* t = first; t != last; ++t) {
        double z = 0.0;
        if (const int turn = crossing(*t, x, y, z); turn != 0)
            out.emplace_back(z, turn);
    }
    std::sort(out.begin(), out.end());
}
