// The usable triangles of an STL file as an indexed mesh, shared by the two ways of
// turning it into a solid.
#pragma once

#include <gp_XYZ.hxx>

#include <array>
#include <vector>

class QString;
struct StlImportResult;

struct StlMesh
{
    std::vector<gp_XYZ> nodes;                   // merged nodes of the file
    std::vector<std::array<int, 3>> triangles;   // non-degenerate triangles, file order, 0-based
};

// Checks and reads the file into the mesh of its usable triangles and sets the triangle
// count; false with the error set when there is none.
bool readStlMesh(const QString& path, StlImportResult& result, StlMesh& mesh);

// The straightforward construction: one planar face per triangle, sewn into shells, each
// shell turned into an outward solid. Fills the shape (before healing), the solid, closed
// and free-edge fields; false with the error set when nothing usable came out.
bool sewStlMesh(const StlMesh& mesh, double tolerance, StlImportResult& result);
