// Carving: the fuzzy-value ladder, the cut of one volume, the clean-up of stray solids, and
// the checked cut of every volume at once.
#include "outputs/stepexporter.h"

#include "foundation/logging.h"

#include <BOPAlgo_Builder.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <Message_ProgressScope.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapOfShapeListOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr double kZero = 1e-7;

const OccUtils::BoolOpLabel kSubtractLabel{&lcExport, "subtractOne"};

// What the inside test needs of one piece of a cut, gathered once whatever the number of
// tools: its vertices in explorer order and their box; its centre of mass only when a tool's
// box could hold the piece, since that takes an integration over every face.
struct PieceProbe
{
    TopoDS_Shape solid;
    std::vector<gp_Pnt> vertices;
    gp_XYZ low{RealLast(), RealLast(), RealLast()}, high{-RealLast(), -RealLast(), -RealLast()};
    std::optional<gp_Pnt> centre;

    explicit PieceProbe(const TopoDS_Shape& piece) : solid(piece)
    {
        for (TopExp_Explorer it(piece, TopAbs_VERTEX); it.More(); it.Next()) {
            const gp_Pnt p = BRep_Tool::Pnt(TopoDS::Vertex(it.Current()));
            vertices.push_back(p);
            low.SetCoord(std::min(low.X(), p.X()), std::min(low.Y(), p.Y()), std::min(low.Z(), p.Z()));
            high.SetCoord(std::max(high.X(), p.X()), std::max(high.Y(), p.Y()), std::max(high.Z(), p.Z()));
        }
    }

    const gp_Pnt& centreOfMass()
    {
        if (!centre) {
            GProp_GProps props;
            BRepGProp::VolumeProperties(solid, props);
            centre = props.CentreOfMass();
        }
        return *centre;
    }
};

// A tool solid, its classifier built on first use.
struct ToolProbe
{
    TopoDS_Shape solid;
    Bnd_Box box;
    std::unique_ptr<BRepClass3d_SolidClassifier> classifier;

    ToolProbe(const TopoDS_Shape& tool, double tolerance) : solid(tool)
    {
        // From the geometry, not a mesh: the box must hold the whole solid.
        BRepBndLib::Add(tool, box, false);
        box.Enlarge(2.0 * tolerance + kZero);
    }

    // A point outside the box is OUT of the solid: a piece with its centre or a vertex there
    // cannot lie inside, and the classifier need not be asked.
    bool mayHold(PieceProbe& piece)
    {
        if (box.IsVoid())
            return false;
        if (!piece.vertices.empty() && (box.IsOut(gp_Pnt(piece.low)) || box.IsOut(gp_Pnt(piece.high))))
            return false;
        return !box.IsOut(piece.centreOfMass());
    }

    BRepClass3d_SolidClassifier& classify()
    {
        if (!classifier)
            classifier = std::make_unique<BRepClass3d_SolidClassifier>(solid);
        return *classifier;
    }
};

// The centre of mass strictly inside the tool and no vertex outside it.
bool liesInside(PieceProbe& piece, ToolProbe& tool, double tolerance)
{
    if (piece.solid.IsNull() || !tool.mayHold(piece))
        return false;
    BRepClass3d_SolidClassifier& classifier = tool.classify();
    classifier.Perform(piece.centreOfMass(), tolerance);
    if (classifier.State() != TopAbs_IN)
        return false;
    for (const gp_Pnt& vertex : piece.vertices) {
        classifier.Perform(vertex, tolerance);
        if (classifier.State() == TopAbs_OUT)
            return false;
    }
    return true;
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

        std::vector<PieceProbe> pieces;
        pieces.reserve(size_t(solids.size()));
        for (const TopoDS_Shape& solid : solids)
            pieces.emplace_back(solid);
        std::vector<bool> inside(size_t(solids.size()), false);
        for (const TopoDS_Shape& toolSolid : toolSolids) {
            ToolProbe probe(toolSolid, tolerance);
            for (size_t i = 0; i < pieces.size(); ++i) {
                if (!inside[i] && liesInside(pieces[i], probe, tolerance))
                    inside[i] = true;
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

int StepExporter::piecesCutApart(const TopoDS_Shape& part, const TopoDS_Shape& carved)
{
    return OccUtils::guardedCall(0, "piecesCutApart", [&] {
        const QList<TopoDS_Shape> sources = solidsOf(part);
        const QList<TopoDS_Shape> pieces = solidsOf(carved);
        if (pieces.size() < 2)
            return 0;
        if (sources.size() < 2)
            return int(pieces.size());
        // Each piece lies within the solid it was cut from: the solids whose box holds its
        // vertices are the candidates, and the first of them that none of its vertices lies
        // outside is its source. A piece matching none stands alone.
        constexpr double kMargin = 1e-3; // beyond the fuzzy values the cuts run with
        std::vector<ToolProbe> sourceProbes;
        sourceProbes.reserve(size_t(sources.size()));
        for (const TopoDS_Shape& source : sources)
            sourceProbes.emplace_back(source, kMargin);
        std::vector<int> perSource(sourceProbes.size(), 0);
        for (const TopoDS_Shape& solid : pieces) {
            const PieceProbe piece(solid);
            if (piece.vertices.empty())
                continue;
            for (size_t s = 0; s < sourceProbes.size(); ++s) {
                ToolProbe& source = sourceProbes[s];
                if (source.box.IsOut(gp_Pnt(piece.low)) || source.box.IsOut(gp_Pnt(piece.high)))
                    continue;
                BRepClass3d_SolidClassifier& classifier = source.classify();
                const bool within = std::none_of(piece.vertices.cbegin(), piece.vertices.cend(), [&](const gp_Pnt& p) {
                    classifier.Perform(p, kMargin);
                    return classifier.State() == TopAbs_OUT;
                });
                if (within) {
                    ++perSource[s];
                    break;
                }
            }
        }
        int split = 0;
        for (const int count : perSource)
            if (count >= 2)
                split += count;
        return split;
    });
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
                                                      double fuzzy, bool parallel, const Message_ProgressRange& progress)
{
    OneCutResult result;
    if (part.IsNull() || tools.isEmpty())
        return result;
    return OccUtils::guardedCall(OneCutResult(), "cutAllAtOnce", [&]() -> OneCutResult {
        // The cut, then its checks, each long on a big part: a report after each.
        Message_ProgressScope scope(progress, nullptr, 10.0);
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
        cut.Build(scope.Next(6.0));
        if (!cut.IsDone() || !OccUtils::hasUsableBounds(cut.Shape())) {
            qCDebug(lcExport) << "cutAllAtOnce: no usable shape (fuzzy=" << fuzzy << ")";
            return result;
        }
        // The check of a big carved part is long and reports nothing.
        const TopoDS_Shape carved = cut.Shape();
        if (!OccUtils::runReporting(scope.Next(), "cutAllAtOnce",
                                    [&carved] { return OccUtils::isValidShape(carved); })) {
            qCDebug(lcExport) << "cutAllAtOnce: invalid result (fuzzy=" << fuzzy << ")";
            return result;
        }
        if (!scope.More())
            return result;

        // The part must lose exactly what it shares with the tools, and never more than the
        // tools hold: a broken cut keeps or loses whole regions. What it shares is read off
        // the split the cut itself made, so no second boolean is needed.
        const double partVolume = volumeOf(part);
        const double carvedVolume = volumeOf(cut.Shape());
        scope.Next();
        if (!scope.More())
            return result;
        const double removedVolume = sharedVolume(*cut.Builder(), part, toolList);
        scope.Next();
        if (!scope.More())
            return result;
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

TopoDS_Shape StepExporter::compoundOf(const QList<TopoDS_Shape>& shapes)
{
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    for (const TopoDS_Shape& shape : shapes)
        builder.Add(compound, shape);
    return compound;
}
