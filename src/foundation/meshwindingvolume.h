// The volume a closed triangle mesh encloses as a slicer reads it (material where the winding
// number is not zero, see meshwinding.h), counted from the triangles alone, apart from any solid
// built from them: a check on what sewing and booleans made of shells that touch or cross.
#pragma once

struct StlMesh;

struct WindingVolume
{
    double low = 0.0;  // the volume is at least this
    double high = 0.0; // and at most this
};

// Vertical columns over the mesh's shadow, each counted by the winding along the line through
// its middle. A column that no triangle's outline enters, and in which no two triangles cross,
// is counted exactly; the others are split in four and counted again, as long as the count of
// columns allows, and what is left may hold anything from nothing to the height of the triangles
// over it. False, and no bounds, when the mesh's sides do not balance (run as often one way as
// the other): an open mesh, or one with turned triangles, has no winding number.
bool windingVolumeBounds(const StlMesh& mesh, WindingVolume& bounds, int cellsAcross = 256);

// The volumes a solid built from the mesh may have and still be what the mesh encloses: the
// bounds widened by what moving its faces by up to the tolerance adds or takes. False where
// the mesh has no winding count.
bool windingVolumeRange(const StlMesh& mesh, double tolerance, WindingVolume& range);
