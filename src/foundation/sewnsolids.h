// Solids out of sewn faces: the road of a part that arrives as faces alone (an STL mesh that
// is not closed, a STEP surface model).
#pragma once

#include <Message_ProgressRange.hxx>
#include <TopoDS_Shape.hxx>

class Bnd_Box;

struct SewnSolids
{
    TopoDS_Shape shape;     // one solid, a compound of solids, or null when no shell became one
    int solidCount = 0;     // a solid with voids counts once
    int flatShellCount = 0; // closed shells enclosing no volume (faces lying on one another), left out
    bool uncombined = false; // shells touch or cross and booleans could not combine them: no solid
    long facePairs = 0;      // uncombined for the union's size: the pairs of faces that may meet
    bool bothSigns = false;  // material enclosed by shells facing inward alone (a void past its body)
};

// Each shell of the sewn shape becomes a solid turned outward; closed shells inside one
// another, touching or crossing, are combined by their orientations (see shellnesting.h). A
// closed shell that encloses no volume is no part of anything printable and is left out; an
// open one is kept as a solid of its own, since a slightly open part can still be oriented
// and checked. A cancel leaves the result partial: the caller drops it.
SewnSolids solidsOfShells(const TopoDS_Shape& sewn, const Message_ProgressRange& progress = {});

// Sewing tolerance for faces within this bounding box: 1e-4 of its diagonal, kept within
// [1e-4, 1]; 1e-3 for a void box.
double sewingToleranceFor(const Bnd_Box& box);
