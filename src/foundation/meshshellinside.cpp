#include "foundation/meshshellinside.h"

#include <algorithm>
#include <cmath>

namespace {

// Entries per triangle a grid may hold before it is made coarser: long slivers cover many cells.
constexpr double kMaxEntriesPerTriangle = 16.0;

// A triangle's box seen from above.
struct Shadow
{
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;

    void add(const gp_XYZ& p)
    {
        x0 = std::min(x0, p.X());
        x1 = std::max(x1, p.X());
        y0 = std::min(y0, p.Y());
        y1 = std::max(y1, p.Y());
    }
};

} // namespace

MeshShellInside::MeshShellInside(const std::vector<gp_XYZ>& nodes, const std::vector<std::array<int, 3>>& triangles,
                                 const std::vector<int>& shell)
    : m_nodes(nodes)
    , m_triangles(triangles)
{
    const auto shadowOf = [&](int t) {
        Shadow shadow;
        for (const int n : triangles[std::size_t(t)])
            shadow.add(nodes[std::size_t(n)]);
        return shadow;
    };
    Shadow all;
    for (const int t : shell) {
        const Shadow one = shadowOf(t);
        all.add(gp_XYZ(one.x0, one.y0, 0.0));
        all.add(gp_XYZ(one.x1, one.y1, 0.0));
    }
    m_x0 = all.x0;
    m_y0 = all.y0;
    const double count = double(std::max<std::size_t>(shell.size(), 1));
    const double w = std::max(all.x1 - m_x0, 1e-300), h = std::max(all.y1 - m_y0, 1e-300);
    // About one cell per triangle, square cells where the shadow allows.
    double nx = std::clamp(std::sqrt(count * w / h), 1.0, 4096.0);
    double ny = std::clamp(count / nx, 1.0, 4096.0);
    const auto cellRange = [&](int t, int& i0, int& i1, int& j0, int& j1) {
        const Shadow shadow = shadowOf(t);
        i0 = std::clamp(int((shadow.x0 - m_x0) / m_cellX), 0, m_nx - 1);
        i1 = std::clamp(int((shadow.x1 - m_x0) / m_cellX), 0, m_nx - 1);
        j0 = std::clamp(int((shadow.y0 - m_y0) / m_cellY), 0, m_ny - 1);
        j1 = std::clamp(int((shadow.y1 - m_y0) / m_cellY), 0, m_ny - 1);
    };
    for (;;) {
        m_nx = int(nx);
        m_ny = int(ny);
        m_cellX = w / m_nx;
        m_cellY = h / m_ny;
        double entries = 0.0;
        for (const int t : shell) {
            int i0, i1, j0, j1;
            cellRange(t, i0, i1, j0, j1);
            entries += double(i1 - i0 + 1) * double(j1 - j0 + 1);
        }
        if (entries <= kMaxEntriesPerTriangle * count || (m_nx == 1 && m_ny == 1))
            break;
        nx = std::max(1.0, std::floor(nx / 2));
        ny = std::max(1.0, std::floor(ny / 2));
    }
    m_cellStart.assign(std::size_t(m_nx) * std::size_t(m_ny) + 1, 0);
    for (const int t : shell) {
        int i0, i1, j0, j1;
        cellRange(t, i0, i1, j0, j1);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i)
                ++m_cellStart[std::size_t(j) * std::size_t(m_nx) + std::size_t(i) + 1];
    }
    for (std::size_t c = 1; c < m_cellStart.size(); ++c)
        m_cellStart[c] += m_cellStart[c - 1];
    m_cellTriangles.resize(std::size_t(m_cellStart.back()));
    std::vector<int> fill(m_cellStart.begin(), m_cellStart.end() - 1);
    for (const int t : shell) {
        int i0, i1, j0, j1;
        cellRange(t, i0, i1, j0, j1);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i)
                m_cellTriangles[std::size_t(fill[std::size_t(j) * std::size_t(m_nx) + std::size_t(i)]++)] = t;
    }
}

bool MeshShellInside::contains(const gp_XYZ& p) const
{
    const double fi = (p.X() - m_x0) / m_cellX, fj = (p.Y() - m_y0) / m_cellY;
    if (!(fi >= 0.0 && fj >= 0.0 && fi <= double(m_nx) && fj <= double(m_ny)))
        return false;
    const int i = std::min(int(fi), m_nx - 1), j = std::min(int(fj), m_ny - 1);
    const std::size_t cell = std::size_t(j) * std::size_t(m_nx) + std::size_t(i);
    bool inside = false;
    for (int k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k)
        if (crossedAbove(m_triangles[std::size_t(m_cellTriangles[std::size_t(k)])], p))
            inside = !inside;
    return inside;
}

// Which side of the edge's shadow, run from the lower node to the higher, the point is on;
// on the line itself, the point counts as moved by (e, e^2) for an infinitely small e, which
// never leaves it on a line. The same computation for both triangles of an edge keeps them
// agreeing. 0 only for an edge seen end-on.
int MeshShellInside::side(int from, int to, const gp_XYZ& p) const
{
    const bool ascending = from < to;
    const gp_XYZ& a = m_nodes[std::size_t(ascending ? from : to)];
    const gp_XYZ& b = m_nodes[std::size_t(ascending ? to : from)];
    const double o = (b.X() - a.X()) * (p.Y() - a.Y()) - (b.Y() - a.Y()) * (p.X() - a.X());
    int s = 0;
    if (o != 0.0)
        s = o > 0.0 ? 1 : -1;
    else if (b.Y() != a.Y())
        s = a.Y() > b.Y() ? 1 : -1;
    else if (b.X() != a.X())
        s = b.X() > a.X() ? 1 : -1;
    return ascending ? s : -s;
}

bool MeshShellInside::crossedAbove(const std::array<int, 3>& t, const gp_XYZ& p) const
{
    const int s0 = side(t[0], t[1], p);
    if (s0 == 0 || side(t[1], t[2], p) != s0 || side(t[2], t[0], p) != s0)
        return false;
    // Where the ray meets the triangle's plane, by the corners' weights in the shadow.
    const gp_XYZ& a = m_nodes[std::size_t(t[0])];
    const gp_XYZ& b = m_nodes[std::size_t(t[1])];
    const gp_XYZ& c = m_nodes[std::size_t(t[2])];
    const auto area = [](const gp_XYZ& u, const gp_XYZ& v, const gp_XYZ& w) {
        return (v.X() - u.X()) * (w.Y() - u.Y()) - (v.Y() - u.Y()) * (w.X() - u.X());
    };
    const double whole = area(a, b, c);
    if (whole == 0.0)
        return p.Z() < std::max({a.Z(), b.Z(), c.Z()});
    const double z = (area(p, b, c) * a.Z() + area(a, p, c) * b.Z() + area(a, b, p) * c.Z()) / whole;
    return z > p.Z();
}
