// Carving: the fuzzy-value ladder, the cut of one volume, the clean-up of stray solids, and
// the checked cut of every volume at once.
#include "outputs/stepexporter.h"

#include "foundation/logging.h"

#include <BOPAlgo_Builder.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapOfShapeListOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kZero = 1e-7;

const OccUtils::BoolOpLabel kSubtractLabel{&lcExport, "subtractOne"};

bool solidLiesInside(const TopoDS_Shape& solid, BRepClass3d_SolidClassifier& classifier, double tolerance)
{
    if (solid.IsNull())
        return false;
    GProp_GProps props;
    BRepGProp::VolumeProperties(solid, props);
    classifier.Perform(props.CentreOfMass(), tolerance);
    if (classifier.State() != TopAbs_IN)
        return false;
    for (TopExp_Explorer it(solid, TopAbs_VERTEX); it.More(); it.Next()) {
        classifier.Perform(BRep_Tool::Pnt(TopoDS::Vertex(it.Current())), tolerance);
        if (classifier.State() == TopAbs_OUT)
            return false;
    }
    return true;
}

TopoDS_Shape compoundOf(const QList<TopoDS_Shape>& shapes)
{
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    for (const TopoDS_Shape& shape : shapes)
        builder.Add(compound, shape);
    return compound;
}

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

// The volume of the part's pieces that are also pieces of a tool: the part's common with the
// tools, each overlap counted once.
double sharedVolume(const BOPAlgo_Builder& builder, const TopoDS_Shape& part, const TopTools_ListOfShape& tools)
{
    TopTools_MapOfShape toolPieces;
    for (const TopoDS_Shape& tool : tools)
        for (TopExp_Explorer it(tool, TopAbs_SOLID); it.More(); it.Next())
            for (const TopoDS_Shape& piece : piecesOf(builder, it.Current()))
                toolPieces.Add(piece);
    TopTools_MapOfShape counted;
    double volume = 0.0;
    for (TopExp_Explorer it(part, TopAbs_SOLID); it.More(); it.Next())
        for (const TopoDS_Shape& piece : piecesOf(builder, it.Current()))
            if (toolPieces.Contains(piece) && counted.Add(piece))
                volume += StepExporter::volumeOf(piece);
    return volume;
}

} // namespace

QList<double> StepExporter::fuzzyLadder(double base, double feature)
{
    QList<double> rungs;
    const bool sized = feature > kZero;
    rungs.append(sized ? std::min(0.05 * feature, base) : base);
    const auto offer = [&rungs](double value) {
        if (value > 1.5 * rungs.last())
            rungs.append(value);
    };
    if (sized) {
        for (const double k : {0.05, 0.1, 0.2, 0.4})
            offer(std::min(0.5, k * feature));
    } else {
        for (const double value : {0.05, 0.1, 0.2, 0.5})
            offer(value);
    }
    return rungs;
}

OccUtils::BoolOpResult StepExporter::cutWithFuzzyLadder(const TopoDS_Shape& object, const TopoDS_Shape& tool,
                                                        const QList<double>& ladder, bool requireValid,
                                                        const OccUtils::BoolOpLabel& label, double healTolerance)
{
    return OccUtils::runBoolOpWithFuzzyRetry<BRepAlgoAPI_Cut>(object, tool, ladder, requireValid, label,
                                                             healTolerance);
}

TopoDS_Shape StepExporter::dropSolidsInsideTool(const TopoDS_Shape& shape, const TopoDS_Shape& tool,
                                                double tolerance, int& removed)
{
    removed = 0;
    int dropped = 0;
    const TopoDS_Shape cleaned = OccUtils::guardedCall(shape, "dropSolidsInsideTool", [&]() -> TopoDS_Shape {
        const QList<TopoDS_Shape> solids = solidsOf(shape);
        if (solids.size() < 2)
            return shape;
        const QList<TopoDS_Shape> toolSolids = solidsOf(tool);
        if (toolSolids.isEmpty())
            return shape;

        std::vector<bool> inside(size_t(solids.size()), false);
        for (const TopoDS_Shape& toolSolid : toolSolids) {
            BRepClass3d_SolidClassifier classifier(toolSolid);
            for (int i = 0; i < solids.size(); ++i) {
                if (!inside[size_t(i)] && solidLiesInside(solids.at(i), classifier, tolerance))
                    inside[size_t(i)] = true;
            }
        }
        const int marked = int(std::count(inside.begin(), inside.end(), true));
        // Never empty the result: when everything would go, nothing goes.
        if (marked == 0 || marked == solids.size())
            return shape;

        QList<TopoDS_Shape> kept;
        for (int i = 0; i < solids.size(); ++i)
            if (!inside[size_t(i)])
                kept.append(solids.at(i));
        dropped = marked;
        return kept.size() == 1 ? kept.first() : compoundOf(kept);
    });
    removed = cleaned.IsSame(shape) ? 0 : dropped;
    return cleaned;
}

TopoDS_Shape StepExporter::subtractOne(const TopoDS_Shape& carved, const TopoDS_Shape& tool, double baseFuzzy,
                                       double feature, bool& validated, int& straySolidsRemoved)
{
    validated = true;
    if (carved.IsNull() || tool.IsNull())
        return carved;

    const double healTolerance = feature > kZero ? 0.1 * feature : 1.0;
    const OccUtils::BoolOpResult cut =
        cutWithFuzzyLadder(carved, tool, fuzzyLadder(baseFuzzy, feature), true, kSubtractLabel, healTolerance);
    if (cut.shape.IsNull())
        return TopoDS_Shape();
    if (!cut.valid) {
        validated = false;
        qWarning() << "  subtractOne: no valid solid — falling back on a result not validated (cavity possibly "
                      "distorted)";
    }

    int removed = 0;
    const TopoDS_Shape cleaned =
        dropSolidsInsideTool(cut.shape, tool, std::max(cut.fuzzyValue, kZero), removed);
    if (removed > 0) {
        straySolidsRemoved += removed;
        qWarning() << "  subtractOne:" << removed
                   << "solid(s) left INSIDE the carved volume — removed (the cavity was filled with the part's own "
                      "material)";
    }
    return cleaned;
}

StepExporter::OneCutResult StepExporter::cutAllAtOnce(const TopoDS_Shape& part, const QList<TopoDS_Shape>& tools,
                                                      double fuzzy, bool parallel)
{
    OneCutResult result;
    if (part.IsNull() || tools.isEmpty())
        return result;
    return OccUtils::guardedCall(OneCutResult(), "cutAllAtOnce", [&]() -> OneCutResult {
        TopTools_ListOfShape arguments;
        arguments.Append(part);
        TopTools_ListOfShape toolList;
        double toolVolume = 0.0;
        for (const TopoDS_Shape& tool : tools) {
            toolList.Append(tool);
            toolVolume += volumeOf(tool);
        }

        BRepAlgoAPI_Cut cut;
        cut.SetArguments(arguments);
        cut.SetTools(toolList);
        cut.SetFuzzyValue(fuzzy);
        cut.SetRunParallel(parallel);
        cut.SetNonDestructive(true);
        cut.Build();
        if (!cut.IsDone() || !OccUtils::hasUsableBounds(cut.Shape())) {
            qCDebug(lcExport) << "cutAllAtOnce: no usable shape (fuzzy=" << fuzzy << ")";
            return result;
        }
        if (!OccUtils::isValidShape(cut.Shape())) {
            qCDebug(lcExport) << "cutAllAtOnce: invalid result (fuzzy=" << fuzzy << ")";
            return result;
        }

        // The part must lose exactly what it shares with the tools, and never more than the
        // tools hold: a broken cut keeps or loses whole regions. What it shares is read off
        // the split the cut itself made, so no second boolean is needed.
        const double partVolume = volumeOf(part);
        const double carvedVolume = volumeOf(cut.Shape());
        const double removedVolume = sharedVolume(*cut.Builder(), part, toolList);
        const double tolerance = 1e-4 * partVolume + 1e-3;
        const bool consistent = std::abs(partVolume - carvedVolume - removedVolume) <= tolerance
                                && removedVolume <= toolVolume + tolerance && carvedVolume > tolerance;
        if (!consistent) {
            qCDebug(lcExport) << "cutAllAtOnce: volumes disagree: part" << partVolume << "carved" << carvedVolume
                              << "removed" << removedVolume << "(fuzzy=" << fuzzy << ")";
            return result;
        }

        int removed = 0;
        result.shape = dropSolidsInsideTool(cut.Shape(), compoundOf(tools), std::max(fuzzy, kZero), removed);
        result.straySolidsRemoved = removed;
        return result;
    });
}
