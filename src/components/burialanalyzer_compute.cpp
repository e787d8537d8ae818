// Burial analysis: the buried and free parts of one body, volumes, styles and the result text.

#include "components/burialanalyzer.h"

#include "foundation/jobs.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "foundation/uitheme.h"

#include <AIS_Shape.hxx>
#include <Aspect_TypeOfLine.hxx>
#include <BOPAlgo_PaveFiller.hxx>
#include <BOPAlgo_SectionAttribute.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Section.hxx>
#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <Graphic3d_NameOfMaterial.hxx>
#include <Message_ProgressScope.hxx>
#include <Prs3d_Drawer.hxx>
#include <Prs3d_LineAspect.hxx>
#include <QDebug>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>

#include <cmath>
#include <exception>
#include <functional>
#include <iterator>
#include <optional>
#include <vector>

namespace {

constexpr double kZeroVolume = 1e-7;
constexpr double kFuzzyValues[] = {0.01, 0.1};
constexpr double kHealTolerance = 1.0;
const OccUtils::BoolOpLabel kLabel{&lcComponent, "BurialAnalyzer::runBoolOpWithRetry"};

Bnd_Box boxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box, true);
    return box;
}

// Boxes from the geometry alone hold the shape whole, where a display mesh may cut corners.
// The margin covers the fuzzy values and the healing.
Bnd_Box wholeBoxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box, false);
    if (!box.IsVoid())
        box.Enlarge(kHealTolerance + kFuzzyValues[std::size(kFuzzyValues) - 1]);
    return box;
}

void collectPieces(const TopoDS_Shape& shape, std::vector<TopoDS_Shape>& pieces)
{
    if (shape.ShapeType() != TopAbs_COMPOUND) {
        pieces.push_back(shape);
        return;
    }
    for (TopoDS_Iterator it(shape); it.More(); it.Next())
        collectPieces(it.Value(), pieces);
}

// The pieces of the part (its solids, most often) whose box meets the body's: the others add
// nothing to the common, the cut or the section, yet on a part of a hundred solids they made
// most of each boolean's work. Null when none is near; the part itself when all are, or when
// it is one piece.
TopoDS_Shape partNear(const TopoDS_Shape& part, const TopoDS_Shape& body)
{
    std::vector<TopoDS_Shape> pieces;
    collectPieces(part, pieces);
    if (pieces.size() < 2)
        return part;
    const Bnd_Box bodyBox = wholeBoxOf(body);
    BRep_Builder builder;
    TopoDS_Compound near;
    builder.MakeCompound(near);
    size_t kept = 0;
    for (const TopoDS_Shape& piece : pieces) {
        const Bnd_Box box = wholeBoxOf(piece);
        if (box.IsVoid() || !box.IsOut(bodyBox)) {
            builder.Add(near, piece);
            ++kept;
        }
    }
    if (kept == pieces.size())
        return part;
    return kept == 0 ? TopoDS_Shape() : TopoDS_Shape(near);
}

TopoDS_Shape attemptSection(const TopoDS_Shape& body, const TopoDS_Shape& part, double fuzzy)
{
    try {
        BRepAlgoAPI_Section section;
        TopTools_ListOfShape arguments;
        arguments.Append(body);
        TopTools_ListOfShape tools;
        tools.Append(part);
        section.SetArguments(arguments);
        section.SetTools(tools);
        section.SetFuzzyValue(fuzzy);
        section.SetRunParallel(false);
        section.SetNonDestructive(true);
        section.ComputePCurveOn1(true);
        section.Approximation(true);
        section.Build();
        if (section.IsDone())
            return section.Shape();
    } catch (const Standard_Failure& failure) {
        OccUtils::logBoolAttemptError(kLabel, fuzzy, "OCC", failure.GetMessageString());
    } catch (const std::exception& exception) {
        OccUtils::logBoolAttemptError(kLabel, fuzzy, nullptr, exception.what());
    } catch (...) {
        OccUtils::logBoolAttemptError(kLabel, fuzzy, nullptr, nullptr);
    }
    return TopoDS_Shape();
}

TopoDS_Shape contourOf(const TopoDS_Shape& body, const TopoDS_Shape& part)
{
    bool escalated = false;
    for (const double fuzzy : kFuzzyValues) {
        const TopoDS_Shape shape = attemptSection(body, part, fuzzy);
        if (OccUtils::hasUsableBounds(shape)) {
            if (escalated)
                OccUtils::logBoolAccepted(kLabel, fuzzy, false);
            return shape;
        }
        OccUtils::logBoolNoUsableShape(kLabel, fuzzy);
        escalated = true;
    }
    return TopoDS_Shape();
}

// The shape of a boolean, or nothing when the operation itself failed on every fuzzy value.
// A completed operation with an empty result (nothing in common) is a measurement of zero,
// which the ladder alone cannot tell from a failure.
template <typename Op>
std::optional<TopoDS_Shape> measured(const TopoDS_Shape& body, const TopoDS_Shape& part)
{
    const OccUtils::FuzzyBoolResult ladder =
        OccUtils::runBoolOpWithFuzzyRetry<Op>(body, part, kFuzzyValues, false, kLabel, kHealTolerance);
    if (!ladder.shape.IsNull())
        return ladder.shape;
    const TopoDS_Shape direct = OccUtils::detail::attemptBoolOp<Op>(body, part, kFuzzyValues[0], kLabel);
    if (direct.IsNull())
        return std::nullopt;
    return direct;
}

// The three results of one body against the part, from a single intersection of the two when
// it succeeds at the first fuzzy value: common, cut and section share their most expensive
// step. Nothing when any of them fails there; the retry ladder of each then takes over.
struct SharedResults
{
    TopoDS_Shape common;
    TopoDS_Shape cut;
    TopoDS_Shape section;
};

std::optional<SharedResults> sharedIntersection(const TopoDS_Shape& body, const TopoDS_Shape& part,
                                                const Message_ProgressRange& progress)
{
    try {
        Message_ProgressScope scope(progress, nullptr, 10.0);
        BOPAlgo_PaveFiller filler;
        TopTools_ListOfShape arguments;
        arguments.Append(body);
        arguments.Append(part);
        filler.SetArguments(arguments);
        filler.SetFuzzyValue(kFuzzyValues[0]);
        filler.SetRunParallel(false);
        filler.SetNonDestructive(true);
        // The common and the cut split the part's faces along the section too: they need its
        // curves on the faces of both. Without them on the part's, both failed on B-spline
        // parts and every body went through three booleans of its own, six times as long.
        filler.SetSectionAttribute(BOPAlgo_SectionAttribute(true, true, true));
        filler.Perform(scope.Next(7.0));
        if (filler.HasErrors() || !scope.More())
            return std::nullopt;
        BRepAlgoAPI_Common common(body, part, filler, scope.Next(1.0));
        BRepAlgoAPI_Cut cut(body, part, filler, true, scope.Next(1.0));
        BRepAlgoAPI_Section section(body, part, filler, false);
        section.Build(scope.Next(1.0));
        if (!scope.More() || !common.IsDone() || !cut.IsDone() || !section.IsDone())
            return std::nullopt;
        return SharedResults{common.Shape(), cut.Shape(), section.Shape()};
    } catch (...) {
        qCDebug(lcComponent) << kLabel.text << ": shared intersection failed:" << OccUtils::currentExceptionMessage();
        return std::nullopt;
    }
}

} // namespace

QString BurialResult::text(const QString& ref) const
{
    if (!analysed)
        return tr("Analysis unavailable for %1").arg(ref);
    if (!intersects)
        return tr("%1: no intersection with the part").arg(ref);
    return tr("%1: %2% buried (%3 mm³ / %4 mm³)")
        .arg(ref, UiTheme::decimal(100.0 * buriedRatio, 1), UiTheme::decimal(buriedVolume, 2),
             UiTheme::decimal(buriedVolume + freeVolume, 2));
}

double BurialAnalyzer::computeVolume(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return 0.0;
    return OccUtils::guardedCall(0.0, "BurialAnalyzer::computeVolume", [&] {
        GProp_GProps properties;
        BRepGProp::VolumeProperties(shape, properties, false, false, false);
        const double mass = properties.Mass();
        return (std::isnan(mass) || mass < 0.0) ? 0.0 : mass;
    });
}

BurialResult BurialAnalyzer::computeBurial(const TopoDS_Shape& body, const TopoDS_Shape& whole,
                                           const Message_ProgressRange& progress)
{
    BurialResult result;
    if (body.IsNull() || whole.IsNull()) {
        result.error = tr("Null shape");
        return result;
    }
    const Bnd_Box bodyBox = boxOf(body);
    if (bodyBox.IsVoid() || boxOf(whole).IsVoid()) {
        result.error = tr("Empty bounding box");
        return result;
    }
    const TopoDS_Shape part = partNear(whole, body);
    if (part.IsNull() || bodyBox.IsOut(boxOf(part))) {
        result.analysed = true;
        result.freeVolume = computeVolume(body);
        result.freeShape = new AIS_Shape(body);
        return result;
    }

    Message_ProgressScope scope(progress, nullptr, 13.0);
    std::optional<TopoDS_Shape> common;
    std::optional<TopoDS_Shape> cut;
    TopoDS_Shape contour;
    const std::optional<SharedResults> shared = sharedIntersection(body, part, scope.Next(8.0));
    if (!scope.More())
        return result; // broken off: not analysed, and no fault to tell

    if (shared) {
        common = shared->common;
        cut = shared->cut;
        if (OccUtils::hasUsableBounds(shared->section))
            contour = shared->section;
    } else {
        // A boolean that fails on every fuzzy value is no measurement: the component is
        // reported as not analysed rather than as free or fully buried. The retries report
        // nothing themselves: each runs beside this thread's reports, and a break is heard
        // between them. They only read the body, which is out of the view meanwhile, and the
        // part.
        const auto step = [&scope](const std::function<void()>& work) {
            Jobs::succeeded(
                scope.Next(), "BurialAnalyzer::computeBurial", Jobs::Reads::Shared,
                [&work](const Jobs::Stop&) {
                    work();
                    return true;
                },
                true);
            return scope.More();
        };
        if (!step([&] { common = measured<BRepAlgoAPI_Common>(body, part); }))
            return result;
        if (common && !step([&] { cut = measured<BRepAlgoAPI_Cut>(body, part); }))
            return result;
        if (common && cut && !step([&] { contour = contourOf(body, part); }))
            return result;
    }
    if (!common) {
        result.error = tr("The buried part could not be computed");
        return result;
    }
    if (!cut) {
        result.error = tr("The free part could not be computed");
        return result;
    }

    // Each volume of B-spline pieces takes a good part of a second: a report between them.
    scope.Next();
    result.buriedVolume = computeVolume(*common);
    if (result.buriedVolume > kZeroVolume)
        result.buriedShape = new AIS_Shape(*common);
    scope.Next();
    result.freeVolume = computeVolume(*cut);
    if (result.freeVolume > kZeroVolume)
        result.freeShape = new AIS_Shape(*cut);
    if (!contour.IsNull())
        result.contourShape = new AIS_Shape(contour);

    result.intersects = result.buriedVolume > kZeroVolume;
    const double total = result.buriedVolume + result.freeVolume;
    result.buriedRatio = total > kZeroVolume ? result.buriedVolume / total : 0.0;
    result.analysed = true;
    return result;
}

void BurialAnalyzer::styleShape(const opencascade::handle<AIS_Shape>& shape, const Quantity_Color& colour,
                                double transparency, Quantity_NameOfColor lineColour, double lineWidth)
{
    shape->SetColor(colour);
    shape->SetTransparency(transparency);
    shape->SetMaterial(Graphic3d_MaterialAspect(Graphic3d_NameOfMaterial_Plastified));
    opencascade::handle<Prs3d_Drawer> drawer = shape->Attributes();
    if (drawer.IsNull()) {
        drawer = new Prs3d_Drawer();
        shape->SetAttributes(drawer);
    }
    drawer->SetFaceBoundaryDraw(true);
    drawer->SetFaceBoundaryAspect(new Prs3d_LineAspect(Quantity_Color(lineColour), Aspect_TOL_SOLID, lineWidth));
}

void BurialAnalyzer::styleContour(const opencascade::handle<AIS_Shape>& shape)
{
    shape->SetColor(Quantity_Color(0.9, 0.05, 0.05, Quantity_TOC_RGB));
    shape->SetWidth(3.5);
    opencascade::handle<Prs3d_Drawer> drawer = shape->Attributes();
    if (drawer.IsNull()) {
        drawer = new Prs3d_Drawer();
        shape->SetAttributes(drawer);
    }
    drawer->SetWireAspect(new Prs3d_LineAspect(Quantity_NOC_RED, Aspect_TOL_SOLID, 3.5));
}
