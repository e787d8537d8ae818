// Whether a closed shell of a triangle mesh passes through itself. The signed volume of such a
// shell is not what a slicer prints (it fills where the winding number is not zero), so a
// shell that crosses itself cannot be taken as one solid as it stands.
#pragma once

#include <vector>

struct StlMesh;

// True when two triangles of the same shell (component[t] numbers triangle t's shell) cross:
// each passes through the other's inside along a length over eps. Triangles that only touch
// (at a side, a node, or lying against one another) do not cross.
bool shellCrossesItself(const StlMesh& mesh, const std::vector<int>& component, double eps);
