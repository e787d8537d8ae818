// What a point's winding is, the one rule every road of an import reads shells by: each closed
// shell adds its turn (+1 facing outward, -1 facing inward) to every point it encloses, and a
// point is material where the sum is not zero, as a slicer fills a mesh. Here the sum is counted
// from the triangles along a ray going up from the point, each crossing adding the turn of the
// side it leaves by. Ties (the ray through an edge or a corner) are broken the same way for every
// triangle sharing them, so that the count stays exact; a point on a triangle gets either answer.
#pragma once

#include <gp_XYZ.hxx>

#include <utility>
#include <vector>

class MeshGrid;
struct StlMesh;

namespace Winding {

// What a shell adds to the points it encloses.
inline int turnOf(bool inward)
{
    return inward ? -1 : 1;
}
inline bool isMaterial(int winding)
{
    return winding != 0;
}

// A point's winding: the sum of the turns of what encloses it. Each road tells what that is and
// each one's turn: the cells builder the shells holding a cell, the ray count the sides the ray
// leaves by, cell by cell of its column.
template <typename Enclosing, typename TurnOfOne>
int windingOf(const Enclosing& enclosing, TurnOfOne turnOfOne)
{
    int winding = 0;
    for (const auto& one : enclosing)
        winding += turnOfOne(one);
    return winding;
}

} // namespace Winding

class MeshWinding
{
public:
    // The grid files the mesh's triangles (with any reach). turned[t], when given, runs
    // triangle t the other way round from the mesh's order.
    MeshWinding(const StlMesh& mesh, const MeshGrid& grid, const std::vector<char>* turned = nullptr);

    // The winding at p of the triangles counted (all when counted is null: triangle t counts
    // where (*counted)[t] equals which).
    int at(const gp_XYZ& p, const std::vector<int>* counted = nullptr, int which = 0) const;

    // Where the vertical line through (x, y) crosses the given triangles, from the lowest up, each
    // with the turn crossing it upward takes off the winding.
    void crossings(double x, double y, const int* first, const int* last,
                   std::vector<std::pair<double, int>>& out) const;

    // The turn crossing the triangle upward takes off the winding, and the height where the
    // vertical line through p meets it; 0 where it misses (or the tie goes to a neighbour).
    int crossing(int triangle, double x, double y, double& z) const;

private:
    int side(int from, int to, double x, double y) const;

    const StlMesh& m_mesh;
    const MeshGrid& m_grid;
    const std::vector<char>* m_turned;
};
