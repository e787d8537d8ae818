// Large closed meshes generated in code, written as binary STL: a tube around a torus knot
// (optionally half of it slivers), a UV sphere whose seam and pole points are computed, like
// most exporters do, a rounding error apart, and the meshes that make an import's checks work
// hardest (long spikes, one shell through itself, many shells crossing). Shared by the importer
// tests and the import benchmarks; no test framework needed.
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
// An icosahedron whose faces are split in four `level` times (20 * 4^level faces) on a sphere
// of the radius, each face raised into a spike: three triangles from its sides to a point
// `height` beyond the sphere along its middle's radius. No two triangles cross.
Soup spikedSphere(int level, double radius = 10.0, double height = 10.0);
// The 12 triangles of an axis-aligned box, facing outward (inward when told).
Soup box(const gp_XYZ& low, const gp_XYZ& size, bool inward = false);
// A box 10 x 10 * teeth wide whose top takes `teeth` square wells (2 x 2 mm, 5 mm apart) that
// go down through its bottom to `depth` below it: one closed shell, axis-aligned, passing
// through itself along every well's walls. Each long side is split into `steps` strips.
Soup wellComb(int teeth, double depth = 4.0, int steps = 1);
// `count` teeth along x and as many along y (long thin boxes, each long side split into `steps`
// strips) crossing one another in one layer: every tooth a closed shell of its own.
Soup crossingTeeth(int count, int steps = 1);
// Every point moved by the offset.
Soup moved(Soup soup, const gp_XYZ& offset);

bool writeBinaryStl(const QString& path, const Soup& soup);

} // namespace MeshShapes
