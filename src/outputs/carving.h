// The carving of a part: every volume's cavity cut out of the part, and what each volume still
// holds weighed by one rule on the part as its file will give it back. The chain itself is
// described at the top of carving.cpp. Never throws, but for running out of memory inside
// OutOfMemory::survive.
#pragma once

#include "outputs/assemblyrecords.h"

#include <Message_ProgressRange.hxx>
#include <QList>
#include <TopoDS_Shape.hxx>

#include <functional>
#include <vector>

namespace Carving {

// Material a cavity may keep and still count as cut, in mm³: the one cut's own volume tolerance.
inline constexpr double kHeldVolume = 1e-3;

// What a volume holds of one solid: the volume of their common, in mm³. Not known when the
// boolean that weighs it cannot be made.
struct Weight
{
    double held = 0.0;
    bool known = true;
};

// The one rule: what each of tools holds of solid. A tool whose box the solid's misses holds
// nothing; one with a probe eroded inside it (see detail::erodedProbe) that the solid provably
// leaves alone holds nothing deeper than the probe's inset, a few hundredths of a micron, as wide
// as the solid's tolerances near it allow; every other is weighed by a boolean common.
std::vector<Weight> weigh(const TopoDS_Shape& solid, const QList<TopoDS_Shape>& tools,
                          const Message_ProgressRange& progress = Message_ProgressRange());

// Stand-ins for the chain's two judgements, for tests: whether a carved solid is sound (every
// solid valid with a volume above zero; asked from any thread), and the rule. The program passes
// none.
struct Judges
{
    std::function<bool(const TopoDS_Shape& carved)> sound;
    std::function<std::vector<Weight>(const TopoDS_Shape& solid, const QList<TopoDS_Shape>& tools)> weigh;
};

struct Result
{
    TopoDS_Shape part;       // null only when broken off
    bool cancelled = false;
    bool invalid = false;    // a solid of part fails the validity check or holds no volume
    bool inOneCut = true;    // every solid carved by its first cut, at the one fuzzy value
    int unchecked = 0;       // volumes named because what they hold could not be weighed
};

// Carves volumes (in carving order, repeats marked) out of part, whose solids may overlap one
// another: each solid is cut by every volume that meets it, apart from the other solids. Sets
// each volume's cut: Removed when it took material, NothingRemoved, or Failed when it still holds
// more than kHeldVolume of the part returned (or that could not be weighed).
Result carve(const TopoDS_Shape& part, QList<AssemblyVolume>& volumes, double baseFuzzy,
             const Message_ProgressRange& progress = Message_ProgressRange(), const Judges& judges = Judges());

} // namespace Carving
