// The cut of one solid of the part by the volumes that meet it: in rounds, at a fuzzy value kept
// under the gaps between them, and the checks that let the chain keep it.
#include "outputs/carving_p.h"

#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "outputs/stepexporter.h"

#include <BOPAlgo_Builder.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRepLib.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <Message_ProgressScope.hxx>
#include <Precision.hxx>
#include <ShapeFix_ShapeTolerance.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapOfShapeListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <cmath>
#include <optional>

namespace Carving::detail {

namespace {

constexpr double kZero = 1e-7;

// The split of a solid by a boolean: its pieces, or the solid itself when nothing split it.
QList<TopoDS_Shape> piecesOf(const BOPAlgo_Builder& builder, const TopoDS_Shape& solid)
{
    const TopTools_DataMapOfShapeListOfShape& images = builder.Images();
    if (!images.IsBound(solid))
        return {solid};
    QList<TopoDS_Shape> pieces;
    for (const TopoDS_Shape& piece : images.Find(solid))
        pieces.append(piece);
    return pieces;
}

// Boxes that overlap by more than depth along every axis: volumes that overlap (a track's end
// on a pad, pads under a body), whose distance need not be measured.
bool deeplyOverlapping(const Bnd_Box& a, const Bnd_Box& b, double depth)
{
    double a0[3], a1[3], b0[3], b1[3];
    a.Get(a0[0], a0[1], a0[2], a1[0], a1[1], a1[2]);
    b.Get(b0[0], b0[1], b0[2], b1[0], b1[1], b1[2]);
    for (int k = 0; k < 3; ++k)
        if (std::min(a1[k], b1[k]) - std::max(a0[k], b0[k]) <= depth)
            return false;
    return true;
}

// The faces of a shape, as one compound: no solid for a distance to look inside.
TopoDS_Shape facesOf(const TopoDS_Shape& shape)
{
    QList<TopoDS_Shape> faces;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next())
        faces.append(it.Current());
    return OccUtils::compoundOf(faces);
}

// A round solid: every face a cylinder about one axis or a plane across it (a round pad).
struct Round
{
    gp_Ax1 axis;
    double radius = 0.0, low = 0.0, high = 0.0; // extent along the axis
};

std::optional<Round> roundOf(const TopoDS_Shape& shape)
{
    std::optional<Round> round;
    std::vector<gp_Pln> caps;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        const BRepAdaptor_Surface surface(TopoDS::Face(it.Current()));
        if (surface.GetType() == GeomAbs_Plane) {
            caps.push_back(surface.Plane());
            continue;
        }
        if (surface.GetType() != GeomAbs_Cylinder)
            return std::nullopt;
        const gp_Cylinder cylinder = surface.Cylinder();
        if (!round) {
            round = Round{cylinder.Axis(), cylinder.Radius()};
        } else if (!round->axis.IsCoaxial(cylinder.Axis(), 1e-9, 1e-7)
                   || std::abs(round->radius - cylinder.Radius()) > 1e-7) {
            return std::nullopt;
        }
    }
    if (!round)
        return std::nullopt;
    const gp_XYZ along = round->axis.Direction().XYZ();
    round->low = RealLast();
    round->high = -RealLast();
    for (const gp_Pln& cap : caps) {
        if (!cap.Axis().Direction().IsParallel(round->axis.Direction(), 1e-9))
            return std::nullopt;
        const double level = (cap.Location().XYZ() - round->axis.Location().XYZ()).Dot(along);
        round->low = std::min(round->low, level);
        round->high = std::max(round->high, level);
    }
    return round;
}

// The gap between two round solids side by side (parallel axes, overlapping along them).
std::optional<double> gapBetween(const std::optional<Round>& a, const std::optional<Round>& b)
{
    if (!a || !b || !a->axis.IsParallel(b->axis, 1e-9) || a->low > a->high || b->low > b->high)
        return std::nullopt;
    const gp_XYZ along = a->axis.Direction().XYZ();
    const gp_XYZ apart = b->axis.Location().XYZ() - a->axis.Location().XYZ();
    const double shift = apart.Dot(along);
    if (b->low + shift >= a->high || b->high + shift <= a->low)
        return std::nullopt;
    return (apart - along * shift).Modulus() - a->radius - b->radius;
}

// A cut of solids can hand back, beside its solids, a loose face or shell as thin as the fuzzy
// value: written out, it is a surface outside any solid, an open mesh for the slicer.
TopoDS_Shape solidsAlone(const TopoDS_Shape& shape)
{
    const QList<TopoDS_Shape> solids = StepExporter::solidsOf(shape);
    const bool loose = TopExp_Explorer(shape, TopAbs_FACE, TopAbs_SOLID).More()
                       || TopExp_Explorer(shape, TopAbs_EDGE, TopAbs_FACE).More()
                       || TopExp_Explorer(shape, TopAbs_VERTEX, TopAbs_EDGE).More();
    if (!loose)
        return shape;
    return solids.size() == 1 ? solids.first() : OccUtils::compoundOf(solids);
}

// What a fuzzy cut may lose beside what the tools take: material thinner than the fuzzy value
// between the solid's faces and the tools' (a model's top a hundredth above a body's top) goes
// with them. At most the fuzzy value over the area of the solid's faces near the tools.
double sliverAllowance(const TopoDS_Shape& solid, const QList<TopoDS_Shape>& tools, double fuzzy)
{
    Bnd_Box near;
    for (const TopoDS_Shape& tool : tools)
        BRepBndLib::Add(tool, near, false);
    if (near.IsVoid())
        return 0.0;
    near.Enlarge(fuzzy);
    double area = 0.0;
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        Bnd_Box faceBox;
        BRepBndLib::Add(it.Current(), faceBox, false);
        if (near.IsOut(faceBox))
            continue;
        GProp_GProps props;
        BRepGProp::SurfaceProperties(it.Current(), props);
        area += std::abs(props.Mass());
    }
    return fuzzy * area;
}

} // namespace

Bnd_Box looseBox(const TopoDS_Shape& shape, double gap)
{
    Bnd_Box box;
    OccUtils::guardedCall(false, "looseBox", [&] {
        BRepBndLib::Add(shape, box, false);
        return true;
    });
    if (!box.IsVoid())
        box.Enlarge(gap);
    return box;
}

std::vector<double> creditedVolumes(const BOPAlgo_Builder& builder, const TopoDS_Shape& object,
                                    const TopTools_ListOfShape& tools, bool toEach)
{
    TopTools_MapOfShape objectPieces;
    for (TopExp_Explorer it(object, TopAbs_SOLID); it.More(); it.Next())
        for (const TopoDS_Shape& piece : piecesOf(builder, it.Current()))
            objectPieces.Add(piece);
    TopTools_MapOfShape credited;
    std::vector<double> volumes;
    for (const TopoDS_Shape& tool : tools) {
        double volume = 0.0;
        for (TopExp_Explorer it(tool, TopAbs_SOLID); it.More(); it.Next())
            for (const TopoDS_Shape& piece : piecesOf(builder, it.Current()))
                if (objectPieces.Contains(piece) && (credited.Add(piece) || toEach))
                    volume += StepExporter::volumeOf(piece);
        volumes.push_back(volume);
    }
    return volumes;
}

std::vector<std::vector<int>> roundsApart(const QList<TopoDS_Shape>& tools, double fuzzy)
{
    // Tools that meet one another in one boolean are split by one another, which a cut never
    // needs: each pad under a component's body pierces it, and splitting the body then weighs
    // every pad against every other (bodies piled on a small part took minutes and gigabytes).
    // A few meeting one another (a track's end on a pad) split cheaply and share a boolean; each
    // round costs a boolean of the whole solid, so a tool takes the first round that allows it.
    constexpr int kMany = 4;
    const size_t count = size_t(tools.size());
    std::vector<Bnd_Box> boxes(count);
    for (size_t i = 0; i < count; ++i)
        boxes[i] = looseBox(tools.at(int(i)), 2.0 * fuzzy + kZero);
    // Void boxes have no bounds to weigh: they meet everything.
    const auto meet = [&](size_t i, size_t j) {
        return boxes[i].IsVoid() || boxes[j].IsVoid() || !boxes[i].IsOut(boxes[j]);
    };
    std::vector<int> roundOf(count, 0);
    std::vector<int> metInRound(count, 0);
    std::vector<std::vector<int>> rounds;
    for (size_t i = 0; i < count; ++i) {
        std::vector<int> earlier; // the tools before it that it meets
        int round = 0;
        for (size_t j = 0; j < i; ++j)
            if (meet(i, j)) {
                earlier.push_back(int(j));
                round = std::max(round, roundOf[j]);
            }
        const auto fits = [&](int r) {
            int met = 0;
            for (const int j : earlier)
                if (roundOf[size_t(j)] == r && (++met >= kMany || metInRound[size_t(j)] + 1 >= kMany))
                    return false;
            return true;
        };
        while (!fits(round)) // a round after every other always fits
            ++round;
        roundOf[i] = round;
        for (const int j : earlier)
            if (roundOf[size_t(j)] == round) {
                ++metInRound[size_t(j)];
                ++metInRound[i];
            }
        if (size_t(round) >= rounds.size())
            rounds.resize(size_t(round) + 1);
        rounds[size_t(round)].push_back(int(i));
    }
    return rounds;
}

double fuzzyUnderGaps(const QList<TopoDS_Shape>& tools, double base, const Message_ProgressRange& progress)
{
    // A fuzzy value wider than the gap between two volumes that do not touch makes the boolean
    // take them as touching and split both along where they nearly meet.
    struct Near
    {
        Bnd_Box box;
        double from = 0.0, to = 0.0; // along X
        int tool = 0;
    };
    std::vector<Near> boxes;
    for (int t = 0; t < tools.size(); ++t) {
        const Bnd_Box box = looseBox(tools.at(t), base);
        if (box.IsVoid())
            continue;
        double x0 = 0.0, y0 = 0.0, z0 = 0.0, x1 = 0.0, y1 = 0.0, z1 = 0.0;
        box.Get(x0, y0, z0, x1, y1, z1);
        boxes.push_back({box, x0, x1, t});
    }
    std::sort(boxes.begin(), boxes.end(), [](const Near& a, const Near& b) { return a.from < b.from; });
    Message_ProgressScope scope(progress, nullptr, double(std::max<size_t>(boxes.size(), 1)));
    std::vector<std::optional<std::optional<Round>>> rounds(boxes.size()); // each found on first use
    double narrowest = base;
    for (size_t i = 0; i < boxes.size() && scope.More(); ++i, scope.Next()) {
        for (size_t j = i + 1; j < boxes.size() && boxes[j].from <= boxes[i].to; ++j) {
            if (boxes[i].box.IsOut(boxes[j].box) || deeplyOverlapping(boxes[i].box, boxes[j].box, 4.0 * base))
                continue;
            if (!rounds[i])
                rounds[i] = roundOf(tools.at(boxes[i].tool));
            if (!rounds[j])
                rounds[j] = roundOf(tools.at(boxes[j].tool));
            // Between their faces: a volume inside another has deeply overlapping boxes.
            const std::optional<double> sideBySide = gapBetween(*rounds[i], *rounds[j]);
            const double gap = sideBySide ? *sideBySide : OccUtils::guardedCall(0.0, "fuzzyUnderGaps", [&] {
                BRepExtrema_DistShapeShape distance(facesOf(tools.at(boxes[i].tool)), facesOf(tools.at(boxes[j].tool)),
                                                    Extrema_ExtFlag_MIN);
                return distance.IsDone() ? distance.Value() : 0.0;
            });
            if (gap > kZero && gap < 2.0 * base)
                narrowest = std::min(narrowest, 0.25 * gap);
        }
    }
    return std::min(base, narrowest);
}

Cut cutInRounds(const TopoDS_Shape& solid, const QList<TopoDS_Shape>& tools, double fuzzy,
                const Message_ProgressRange& progress)
{
    return OccUtils::guardedCall(Cut(), "cutInRounds", [&]() -> Cut {
        const std::vector<std::vector<int>> rounds = roundsApart(tools, fuzzy);
        Cut cut{solid, std::vector<double>(size_t(tools.size()), 0.0)};
        Message_ProgressScope scope(progress, nullptr, double(std::max<size_t>(rounds.size(), 1)));
        for (const std::vector<int>& round : rounds) {
            TopTools_ListOfShape arguments, toolList;
            arguments.Append(cut.shape);
            for (const int t : round)
                toolList.Append(tools.at(t));
            BRepAlgoAPI_Cut op;
            op.SetArguments(arguments);
            op.SetTools(toolList);
            op.SetFuzzyValue(fuzzy);
            op.SetRunParallel(false);
            // A fuzzy run otherwise raises the tolerances of the inputs in place.
            op.SetNonDestructive(true);
            Message_ProgressScope steps(scope.Next(), nullptr, 10.0);
            op.Build(steps.Next(9.0));
            if (!op.IsDone() || !steps.More())
                return Cut();
            const std::vector<double> removed = creditedVolumes(*op.Builder(), cut.shape, toolList, false);
            for (size_t k = 0; k < round.size(); ++k)
                cut.removed[size_t(round[k])] = removed[k];
            cut.shape = solidsAlone(op.Shape());
            // The tools swallowed all that was left.
            if (StepExporter::solidsOf(cut.shape).isEmpty())
                return Cut{OccUtils::compoundOf({}), cut.removed};
        }
        return cut;
    });
}

bool balanced(const TopoDS_Shape& solid, const Cut& cut, const QList<TopoDS_Shape>& tools, double fuzzy)
{
    return OccUtils::guardedCall(false, "balanced", [&] {
        double toolVolume = 0.0, removed = 0.0;
        for (const TopoDS_Shape& tool : tools)
            toolVolume += StepExporter::volumeOf(tool);
        for (const double taken : cut.removed)
            removed += taken;
        const double before = StepExporter::volumeOf(solid), after = StepExporter::volumeOf(cut.shape);
        const double tolerance = 1e-4 * before + 1e-3;
        const double lost = before - after - removed;
        if (removed > toolVolume + tolerance)
            return false;
        if (std::abs(lost) <= tolerance)
            return true;
        const bool fair = lost > 0.0 && lost <= tolerance + sliverAllowance(solid, tools, fuzzy);
        if (!fair)
            qCDebug(lcExport) << "carving: volumes disagree: solid" << before << "carved" << after << "removed"
                              << removed << "(fuzzy=" << fuzzy << ")";
        return fair;
    });
}

TopoDS_Shape asWritten(const TopoDS_Shape& shape)
{
    return OccUtils::guardedCall(TopoDS_Shape(), "asWritten", [&] {
        const TopoDS_Shape copy = BRepBuilderAPI_Copy(shape, false, false).Shape();
        StepExporter::storePlanarEdgeCurves(copy);
        ShapeFix_ShapeTolerance().SetTolerance(copy, Precision::Confusion());
        BRepLib::SameParameter(copy, Precision::Confusion(), true);
        BRepLib::UpdateTolerances(copy, true);
        return copy;
    });
}

double loosest(const TopoDS_Shape& shape)
{
    return OccUtils::guardedCall(RealLast(), "loosest", [&] {
        return std::max(BRep_Tool::MaxTolerance(shape, TopAbs_VERTEX), BRep_Tool::MaxTolerance(shape, TopAbs_EDGE));
    });
}

} // namespace Carving::detail
