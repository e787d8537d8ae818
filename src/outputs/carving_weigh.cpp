// The one rule that says whether a volume still holds material: the volume of what it holds of
// a carved solid, weighed on the solid as its file gives it back.
#include "outputs/carving_p.h"

#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "outputs/stepexporter.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepBndLib.hxx>
#include <BRep_Tool.hxx>
#include <Message_ProgressScope.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <vector>

namespace Carving {

namespace {

// The least a probe lies inside its volume, mm; more where the solid's tolerances near the
// volume are wider, so that the intersection never takes the probe for touching a cavity's wall.
constexpr double kLeastInset = 2e-5;
constexpr double kInsetPerTolerance = 4.0;

// The solid's edges and vertices looser than the least inset allows for, with their boxes.
struct Loose
{
    Bnd_Box box;
    double tolerance = 0.0;
};

std::vector<Loose> looseElements(const TopoDS_Shape& solid)
{
    std::vector<Loose> loose;
    TopTools_IndexedMapOfShape elements;
    TopExp::MapShapes(solid, TopAbs_EDGE, elements);
    TopExp::MapShapes(solid, TopAbs_VERTEX, elements);
    for (int i = 1; i <= elements.Extent(); ++i) {
        const TopoDS_Shape& element = elements(i);
        const double tolerance = element.ShapeType() == TopAbs_EDGE ? BRep_Tool::Tolerance(TopoDS::Edge(element))
                                                                    : BRep_Tool::Tolerance(TopoDS::Vertex(element));
        if (kInsetPerTolerance * tolerance <= kLeastInset)
            continue;
        Bnd_Box box;
        BRepBndLib::Add(element, box, false);
        loose.push_back({box, tolerance});
    }
    return loose;
}

// Tools whose boxes meet go into separate booleans: a common that splits tools by one another
// costs far more than one that splits the solid alone.
std::vector<QList<int>> apart(const QList<int>& which, const std::vector<Bnd_Box>& boxes)
{
    std::vector<QList<int>> groups;
    for (const int t : which) {
        auto group = std::find_if(groups.begin(), groups.end(), [&](const QList<int>& members) {
            return std::all_of(members.cbegin(), members.cend(),
                               [&](int m) { return boxes[size_t(m)].IsOut(boxes[size_t(t)]); });
        });
        if (group == groups.end())
            groups.push_back({t});
        else
            group->append(t);
    }
    return groups;
}

// What each tool of members holds of solid, from one boolean common; false when it is not made.
bool common(const TopoDS_Shape& solid, const QList<TopoDS_Shape>& tools, const QList<int>& members,
            std::vector<Weight>& weights, const Message_ProgressRange& progress)
{
    return OccUtils::guardedCall(false, "weigh", [&] {
        TopTools_ListOfShape arguments, toolList;
        arguments.Append(solid);
        for (const int t : members)
            toolList.Append(tools.at(t));
        BRepAlgoAPI_Common op;
        op.SetArguments(arguments);
        op.SetTools(toolList);
        op.SetRunParallel(false);
        op.SetNonDestructive(true);
        op.Build(progress);
        if (!op.IsDone() || progress.UserBreak())
            return false;
        const std::vector<double> held = detail::creditedVolumes(*op.Builder(), solid, toolList, true);
        for (int k = 0; k < members.size(); ++k)
            weights[size_t(members.at(k))] = Weight{held[size_t(k)], true};
        return true;
    });
}

} // namespace

std::vector<Weight> weigh(const TopoDS_Shape& solid, const QList<TopoDS_Shape>& tools,
                          const Message_ProgressRange& progress)
{
    std::vector<Weight> weights(size_t(tools.size()));
    Message_ProgressScope scope(progress, nullptr, 1.0);
    const bool screened = OccUtils::guardedCall(false, "weigh", [&] {
        Bnd_Box solidBox;
        BRepBndLib::Add(solid, solidBox, false);
        if (solidBox.IsVoid())
            return false;
        std::vector<Bnd_Box> boxes(size_t(tools.size()));
        QList<int> near;
        for (int t = 0; t < tools.size(); ++t) {
            BRepBndLib::Add(tools.at(t), boxes[size_t(t)], false);
            if (!boxes[size_t(t)].IsVoid() && !boxes[size_t(t)].IsOut(solidBox))
                near.append(t);
        }
        // Each tool near the solid gets a probe eroded inside it; those the solid provably leaves
        // alone hold nothing, the others go to the booleans.
        const std::vector<Loose> loose = looseElements(solid);
        std::vector<TopoDS_Shape> probes;
        QList<int> probed, weighed;
        for (const int t : std::as_const(near)) {
            double tolerance = 0.0;
            for (const Loose& element : loose)
                if (!element.box.IsOut(boxes[size_t(t)]))
                    tolerance = std::max(tolerance, element.tolerance);
            const double inset = std::max(kLeastInset, kInsetPerTolerance * tolerance);
            const TopoDS_Shape probe = detail::erodedProbe(tools.at(t), inset, solidBox);
            if (probe.IsNull()) {
                weighed.append(t);
                continue;
            }
            probes.push_back(probe);
            probed.append(t);
        }
        // A boolean costs about as much as the screen of a few probes: the bar's shares follow.
        const double screenShare = double(probed.size()) / (double(probed.size()) + 4.0 * double(weighed.size()) + 1e-9);
        const std::optional<std::vector<bool>> clear =
            probes.empty() ? std::optional<std::vector<bool>>(std::vector<bool>())
                           : detail::probesClear(solid, probes, scope.Next(screenShare));
        if (!scope.More())
            return false;
        for (int k = 0; k < probed.size(); ++k)
            if (!clear || !(*clear)[size_t(k)])
                weighed.append(probed.at(k));
        std::sort(weighed.begin(), weighed.end());
        const std::vector<QList<int>> groups = apart(weighed, boxes);
        Message_ProgressScope commons(scope.Next(1.0 - screenShare), nullptr, double(std::max<size_t>(groups.size(), 1)));
        for (const QList<int>& group : groups) {
            if (!commons.More())
                return false;
            if (common(solid, tools, group, weights, commons.Next()))
                continue;
            // Refused for the group: each on its own; one refused alone is not known.
            for (const int t : group)
                if (!common(solid, tools, {t}, weights, Message_ProgressRange()))
                    weights[size_t(t)] = Weight{0.0, false};
        }
        return commons.More();
    });
    if (!screened) {
        for (Weight& weight : weights)
            weight = Weight{0.0, false};
    }
    return weights;
}

} // namespace Carving
