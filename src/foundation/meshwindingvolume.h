// The volume a closed triangle mesh encloses as a slicer reads it (material where the winding
// number is not zero), counted from the triangles alone, apart from any solid built from them:
// a check on what sewing and booleans made of shells that touch or cross.
#pragma once

struct StlMesh;

struct WindingVolume
{
    double low = 0.0;  // the volume is at least this
    double high = 0.0; // and at most this
};

// Rays along x through the middles of a grid of cells over the mesh's (y, z) extent: the
// lengths where the crossed triangles' signed count is not zero. A cell that no triangle's
// outline crosses, and in which no two triangles cross, is counted exactly by its middle; any
// other may hold anything from nothing to the mesh's whole length. False, and no bounds, when
// the mesh's sides do not balance (run as often one way as the other): an open mesh, or one
// with turned triangles, has no winding number.
bool windingVolumeBounds(const StlMesh& mesh, WindingVolume& bounds, int cellsAcross = 256);

// The volumes a solid built from the mesh may have and still be what the mesh encloses: the
// bounds widened by what moving its faces by up to the tolerance adds or takes. False where
// the mesh has no winding count.
bool windingVolumeRange(const StlMesh& mesh, double tolerance, WindingVolume& range);
