// Closed shells inside one another, read as a slicer reads a mesh: a shell enclosed by an odd
// number of others bounds a void of the innermost of them; one enclosed by an even number is
// the outside of a solid of its own (an island standing in a void).
#pragma once

#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <functional>
#include <vector>

struct ShellExtent
{
    Bnd_Box box;
    double volume = 0.0; // enclosed, positive
};

// For each shell, the shell whose solid it bounds a void of, or -1 for the outside of a solid.
// inside(container, shell) says whether the shell lies inside the container; it is asked only
// where the container's box holds the shell's and its volume is larger, container after
// container, so that it can keep what it prepared for the last one.
std::vector<int> voidOwners(const std::vector<ShellExtent>& shells, const std::function<bool(int, int)>& inside);

// One solid per shell that is no void, bounded inside by its voids turned inward. Every shell
// comes turned outward.
std::vector<TopoDS_Solid> solidsWithVoids(const std::vector<TopoDS_Shell>& outward, const std::vector<int>& owners);

// The one solid itself, several in a compound, none as a null shape.
TopoDS_Shape solidOrCompound(const std::vector<TopoDS_Solid>& solids);
