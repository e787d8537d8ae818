// Whether a closed shell of a triangle mesh passes through itself. The signed volume of such a
// shell is not what a slicer prints (it fills where the winding number is not zero), so a
// shell that crosses itself cannot be taken as one solid as it stands.
#pragma once

#include <Message_ProgressRange.hxx>

#include <array>
#include <cstddef>
#include <vector>

class MeshGrid;
struct StlMesh;

enum class SelfCrossing
{
    None,      // no shell passes through itself
    Found,     // some shell does
    TooDense,  // triangles crowd so about some point that the pairs to try pass the bound: not known
    Cancelled
};

// What the caller knows of the shells, each optional.
struct ShellSides
{
    // Per triangle: whether it runs the other way round from the mesh's order to face as its shell does.
    const std::vector<char>* turned = nullptr;
    // Per triangle side (from corner k to corner k + 1): the triangle across it in its shell, or -1.
    const std::vector<std::array<int, 3>>* across = nullptr;
};

// The triangle across each side, where exactly two triangles share it; -1 elsewhere.
std::vector<std::array<int, 3>> trianglesAcross(const StlMesh& mesh);

struct MeshCrossings
{
    SelfCrossing self = SelfCrossing::None;
    // Asked for only: the pairs of triangles of two shells that cross, counted up to the bound
    // given (past it, one more), and the pairs of shells they belong to.
    std::size_t pairsBetween = 0;
    std::size_t shellPairs = 0;
};

// Whether two triangles of the same shell (component[t] numbers triangle t's shell) cross: each
// passes through the other's inside along a length over eps, or the shell passes through one of
// them along a side, or two lie on one another facing one way. Triangles that only touch (at a
// side, a node, or lying against one another) do not cross. With mostBetween above 0, the pairs
// of triangles of different shells that cross are counted too, up to it. The pairs tried are
// those the grid lists together; past pairsPerTriangle a triangle, none is tried.
MeshCrossings findCrossings(const StlMesh& mesh, const std::vector<int>& component, const MeshGrid& grid, double eps,
                            const ShellSides& sides = {}, std::size_t mostBetween = 0,
                            const Message_ProgressRange& progress = {}, std::size_t pairsPerTriangle = 1024);
