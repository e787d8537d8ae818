// Whether points lie inside one closed shell of an indexed triangle mesh: the parity of the
// shell's crossings by a ray going up from the point. Ties (the ray through an edge or a
// corner) are broken the same way for every triangle sharing them, so that the count stays
// exact; a point on the shell itself gets either answer.
#pragma once

#include <gp_XYZ.hxx>

#include <array>
#include <vector>

class MeshShellInside
{
public:
    // The shell's triangles, by index into triangles; the mesh must outlive this object.
    MeshShellInside(const std::vector<gp_XYZ>& nodes, const std::vector<std::array<int, 3>>& triangles,
                    const std::vector<int>& shell);

    bool contains(const gp_XYZ& p) const;

private:
    bool crossedAbove(const std::array<int, 3>& triangle, const gp_XYZ& p) const;
    int side(int from, int to, const gp_XYZ& p) const;

    const std::vector<gp_XYZ>& m_nodes;
    const std::vector<std::array<int, 3>>& m_triangles;
    // The shell's triangles by the cells of a grid over their shadows on the XY plane.
    double m_x0 = 0.0, m_y0 = 0.0, m_cellX = 1.0, m_cellY = 1.0;
    int m_nx = 1, m_ny = 1;
    std::vector<int> m_cellStart; // m_nx * m_ny + 1 offsets into m_cellTriangles
    std::vector<int> m_cellTriangles;
};
