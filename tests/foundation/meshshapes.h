// Large closed meshes generated in code, written as binary STL: a tube around a torus knot
// (optionally half of it slivers) and a UV sphere whose seam and
// pole points are computed, like most exporters do, a rounding error apart. Shared by the
// importer tests and the import benchmark; no test framework needed.
#pragma once

#include <QString>

#include <gp_XYZ.hxx>

#include <array>
#include <vector>

namespace MeshShapes {

using Soup = std::vector<std::array<gp_XYZ, 3>>;

// About `wanted` triangles. With slivers, half of them are thin: the chord over two steps
// around the tube and the point in between.
Soup torusKnot(int wanted, bool slivers = false);
Soup nearWeldedSphere(int wanted, double radius = 10.0);
// Every point moved by the offset.
Soup moved(Soup soup, const gp_XYZ& offset);

bool writeBinaryStl(const QString& path, const Soup& soup);

} // namespace MeshShapes
