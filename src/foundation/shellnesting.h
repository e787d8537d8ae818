// Closed shells read as a slicer reads a mesh: by the nonzero winding rule. Every shell adds
// its orientation (+1 facing outward, -1 inward) to the points it encloses, and a point is
// material where the sum is not zero. A shell inside another therefore bounds a void only
// when it turns the sum to zero; nested outward bodies are one solid.
#pragma once

#include <Bnd_Box.hxx>
#include <Message_ProgressRange.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <functional>
#include <vector>

struct ShellExtent
{
    Bnd_Box box;
    double volume = 0.0; // enclosed, positive
    int turn = 1;        // what it adds to the points it encloses: -1 facing inward, more for copies
};

// Where a shell lies against a larger one.
enum class ShellPlace { Apart, Inside, Meets };

// What a shell bounds: the outside of a solid, a void of another shell's solid, or nothing
// (material on both sides, as with a body inside another).
constexpr int kOwnSolid = -1;
constexpr int kNoBoundary = -2;

struct ShellRoles
{
    std::vector<int> owners; // per shell: kOwnSolid, kNoBoundary, or the shell whose solid it bounds a void of
    bool meet = false;       // some shells touch or cross: only booleans can combine them, and owners is empty
    bool bothSigns = false;  // material of both signs: some is enclosed by shells facing inward alone
};

// place(container, shell) is asked where the boxes overlap and the container encloses more,
// container after container, so that it can keep what it prepared for the last one; it
// answers Inside only for a shell wholly inside. Boxes that overlap without one holding the
// other count as meeting.
ShellRoles shellRoles(const std::vector<ShellExtent>& shells, const std::function<ShellPlace(int, int)>& place);

// One solid per shell of kOwnSolid, bounded inside by its voids turned inward; kNoBoundary
// shells are left out. Every shell comes turned outward.
std::vector<TopoDS_Solid> solidsWithVoids(const std::vector<TopoDS_Shell>& outward, const std::vector<int>& owners);

struct UnitedShells
{
    enum Status { Done, Failed, TooLarge, Cancelled };
    Status status = Failed;
    TopoDS_Shape shape;     // Done: the material
    bool bothSigns = false; // Done: as ShellRoles tells it
    long facePairs = 0;     // TooLarge: the pairs of faces of different solids that may meet
};

// Pairs of faces of different solids that may meet (their boxes overlap) a union tries at most:
// the booleans' work and memory grow with them (125 cubes side by side make 50,000 pairs and
// unite in a second; 20 cubes crossing one another 4,600 pairs, 4 s and 220 MB).
constexpr long kMostFacePairs = 200000;

// The material of solids that touch or cross, by the same rule: split where they meet, each
// piece kept where the turns of the solids holding it do not cancel. Failed when the booleans
// fail or leave no solid. Surfaces within the fuzzy distance are taken as one. TooLarge, before
// any boolean, when the solids' faces may meet in more pairs than the bound; Cancel is heard
// through the progress.
UnitedShells unitedByWinding(const std::vector<TopoDS_Solid>& outward, const std::vector<int>& turns,
                             double fuzzy = 0.0, const Message_ProgressRange& progress = {},
                             long mostFacePairs = kMostFacePairs);

// The one solid itself, several in a compound, none as a null shape.
TopoDS_Shape solidOrCompound(const std::vector<TopoDS_Solid>& solids);
