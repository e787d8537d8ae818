// The carving chain's pieces, shared by its files and its tests: the cut of one solid, the part
// as its file gives it back, and the one rule's screen (probes eroded inside the volumes, rays
// through the part's faces).
#pragma once

#include "outputs/carving.h"

#include <Bnd_Box.hxx>
#include <Message_ProgressRange.hxx>
#include <QList>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

#include <memory>
#include <optional>
#include <vector>

class BOPAlgo_Builder;

namespace Carving::detail {

// What each of tools holds of object, read off the split of a boolean of them: the volume of the
// object's pieces that are pieces of the tool. A piece goes to the first tool holding it (what
// cutting them in that order takes) or, toEach, to every tool holding it.
std::vector<double> creditedVolumes(const BOPAlgo_Builder& builder, const TopoDS_Shape& object,
                                    const TopTools_ListOfShape& tools, bool toEach);

// --- The cut ---

// The box of shape enlarged by gap; void when the shape has no usable bounds.
Bnd_Box looseBox(const TopoDS_Shape& shape, double gap);

// The tools in rounds, each round a boolean of what the rounds before left: within a round no
// tool meets more than three others, and a tool comes no earlier than a tool before it that it
// meets, so that what two share goes to the first.
std::vector<std::vector<int>> roundsApart(const QList<TopoDS_Shape>& tools, double fuzzy);

// The fuzzy value of a cut of tools: base, but under a quarter of the narrowest gap between two
// of them that do not touch, so that volumes a micron apart keep the wall between them.
double fuzzyUnderGaps(const QList<TopoDS_Shape>& tools, double base, const Message_ProgressRange& progress);

struct Cut
{
    TopoDS_Shape shape;          // the solids left (loose faces left out); null when not done
    std::vector<double> removed; // per tool, what it took that no tool before it took
};
// solid cut by tools, in rounds; null shape when a boolean is not done or broken off.
Cut cutInRounds(const TopoDS_Shape& solid, const QList<TopoDS_Shape>& tools, double fuzzy,
                const Message_ProgressRange& progress = Message_ProgressRange());

// Whether what the cut took from solid is what its tools took of it: a broken boolean keeps or
// loses whole regions. Material thinner than the fuzzy value next to the tools may go with them.
bool balanced(const TopoDS_Shape& solid, const Cut& cut, const QList<TopoDS_Shape>& tools, double fuzzy);

// The shape as a STEP file gives it back: a copy whose tolerances are worked out again from its
// geometry, as the file's reader does, not the widths a fuzzy boolean left them at (material
// within such a width is hidden from every boolean in memory and stands in the file).
TopoDS_Shape asWritten(const TopoDS_Shape& shape);

// The widest tolerance of shape's vertices and edges, mm.
double loosest(const TopoDS_Shape& shape);


// --- The rule's screen ---

// A solid inside tool whose every point lies at least inset inside it, cut short to within box
// (moved in by inset as well): the tool's plan outline moved in by inset and swept between its
// caps moved in. Null for a tool that is not a prism along Z (planes and cylinders only), or
// whose outline cannot be moved in that far.
TopoDS_Shape erodedProbe(const TopoDS_Shape& tool, double inset, const Bnd_Box& box);

// Whether a point lies inside a solid, by the parity of a ray's crossings with its faces: two
// rays must agree, and a ray grazing an edge or a face, or starting on one, counts for nothing.
// Nothing when no two rays agree.
class RayParity
{
public:
    explicit RayParity(const TopoDS_Shape& solid);
    ~RayParity();
    std::optional<bool> inside(const gp_Pnt& point);
    // One ray's verdict; nothing when it grazes.
    std::optional<bool> along(const gp_Pnt& point, int ray);

private:
    struct Face;
    std::vector<Face> faces;
    double reach = 0.0;
    Bnd_Box box;
};

// For each probe: true when it provably shares no material with solid, no face, edge or vertex
// of the solid meeting it, each of its solids lying outside the solid and the solid inside none. Nothing when
// the intersection is refused or broken off.
// Whether face lies farther than both their tolerances from probe (one solid), told in plan
// without an intersection: probe a prism along Z, face beyond its heights or upright (a plane of
// straight edges, a cylinder) with its trace clear of the probe's outline and outside it. False
// wherever that cannot be told.
bool apartInPlan(const TopoDS_Face& face, const TopoDS_Shape& probe);
// The same against a probe's solid read once for many faces; null for one that is no prism.
struct PlanPrism;
std::shared_ptr<const PlanPrism> planPrismOf(const TopoDS_Shape& probe);
// A face as many prisms are told from it: its box and its widest tolerance, read once.
struct PlanFace
{
    TopoDS_Face face;
    Bnd_Box box;
    double tolerance = 0.0;
};
PlanFace planFaceOf(const TopoDS_Face& face, const Bnd_Box& box);
bool apartInPlan(const PlanFace& face, const PlanPrism& prism);

// One side of an interference the screen reads: rank 0 is the solid's shape, rank 1 a probe's
// (owners: the probes holding it), rank -1 a shape the intersection made itself.
struct Touching
{
    int rank = 0;
    const std::vector<int>* owners = nullptr;
};
// Marks the probes an interference between a and b touches. A made shape, or a probe's shape no
// probe is known to own, may stand for any probe's: every probe is touched.
void markTouched(Touching a, Touching b, std::vector<bool>& touched);

std::optional<std::vector<bool>> probesClear(const TopoDS_Shape& solid, const std::vector<TopoDS_Shape>& probes,
                                             const Message_ProgressRange& progress = Message_ProgressRange());

} // namespace Carving::detail
