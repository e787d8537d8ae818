// The fuzzy-value boolean retry on real OpenCASCADE operations, its traces, and shape healing.
#include "logcapture.h"
#include "testsupport.h"

#include "foundation/logging.h"
#include "foundation/occutils.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <Geom_Surface.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <gp_Pln.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <gp_Ax2.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>

using OccUtils::BoolOpLabel;
using OccUtils::FuzzyBoolResult;

namespace {

const BoolOpLabel kLabel{&lcComponent, "BurialAnalyzer::runBoolOpWithRetry"};

TopoDS_Shape box(double x0, double y0, double z0, double x1, double y1, double z1)
{
    return BRepPrimAPI_MakeBox(gp_Pnt(x0, y0, z0), gp_Pnt(x1, y1, z1)).Shape();
}

// A 10 mm cube whose first face is turned the wrong way inside its shell: the checker refuses
// it and its volume is wrong until healed.
TopoDS_Shape cubeWithReversedFace()
{
    const TopoDS_Shape cube = box(0, 0, 0, 10, 10, 10);
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    bool first = true;
    for (TopExp_Explorer it(cube, TopAbs_FACE); it.More(); it.Next()) {
        builder.Add(shell, first ? it.Current().Reversed() : it.Current());
        first = false;
    }
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    builder.Add(solid, shell);
    return solid;
}

// A planar face whose outline stays open by 5 mm at x0: no healing within reach closes it.
TopoDS_Shape unrepairableFace(double x0)
{
    BRep_Builder builder;
    TopoDS_Wire wire;
    builder.MakeWire(wire);
    builder.Add(wire, BRepBuilderAPI_MakeEdge(gp_Pnt(x0, 0, 0), gp_Pnt(x0 + 10, 0, 0)).Edge());
    builder.Add(wire, BRepBuilderAPI_MakeEdge(gp_Pnt(x0 + 10, 0, 0), gp_Pnt(x0 + 10, 10, 0)).Edge());
    builder.Add(wire, BRepBuilderAPI_MakeEdge(gp_Pnt(x0 + 10, 10, 0), gp_Pnt(x0, 5, 0)).Edge());
    return BRepBuilderAPI_MakeFace(gp_Pln(gp::XOY()), wire).Face();
}

// Two 10 mm cubes overlapping by a 0.05 mm slab (volume 6 x 6 x 0.05 = 1.8 mm3 for the common).
// A fuzzy value of 0.1 swallows the slab and the common comes out empty; 0.01 keeps it.
const TopoDS_Shape& partCube()
{
    static const TopoDS_Shape s = box(0, 0, 0, 10, 10, 10);
    return s;
}
const TopoDS_Shape& thinlyOverlappingBody()
{
    static const TopoDS_Shape s = box(9.95, 2, 2, 20, 8, 8);
    return s;
}

// A stand-in boolean whose outcome per fuzzy value the test decides; the ladder is generic
// over the operation class, so this checks its decisions without geometry luck.
struct ScriptedOp
{
    static std::function<TopoDS_Shape(double)> script;
    static QList<double> seen;

    void SetArguments(const TopTools_ListOfShape&) {}
    void SetTools(const TopTools_ListOfShape&) {}
    void SetFuzzyValue(double f) { m_fuzzy = f; }
    void SetRunParallel(bool parallel) { EXPECT_FALSE(parallel); }
    void SetNonDestructive(bool nonDestructive) { EXPECT_TRUE(nonDestructive); }
    void Build()
    {
        seen.append(m_fuzzy);
        m_shape = script(m_fuzzy);
    }
    bool IsDone() const { return !m_shape.IsNull(); }
    const TopoDS_Shape& Shape() const { return m_shape; }

    double m_fuzzy = -1.0;
    TopoDS_Shape m_shape;
};
std::function<TopoDS_Shape(double)> ScriptedOp::script;
QList<double> ScriptedOp::seen;

FuzzyBoolResult runScripted(std::function<TopoDS_Shape(double)> script, const QList<double>& ladder, bool requireValid)
{
    ScriptedOp::script = std::move(script);
    ScriptedOp::seen.clear();
    return OccUtils::runBoolOpWithFuzzyRetry<ScriptedOp>(partCube(), thinlyOverlappingBody(), ladder, requireValid,
                                                         kLabel, 1.0);
}

QStringList componentDebugs(const FoundationLogCapture& log)
{
    QStringList out;
    for (const CapturedMessage& m : log.messages())
        if (m.type == QtDebugMsg && m.category == "vantorquelle.component")
            out.append(m.text);
    return out;
}

} // namespace

TEST(FuzzyRetryRealOp, LadderOrderDecidesWhichValueIsUsed)
{
    DebugRulesEnabled debug;
    {
        FoundationLogCapture log;
        const FuzzyBoolResult r = OccUtils::runBoolOpWithFuzzyRetry<BRepAlgoAPI_Common>(
            partCube(), thinlyOverlappingBody(), {0.01, 0.1}, false, kLabel, 1.0);
        ASSERT_FALSE(r.shape.IsNull());
        EXPECT_TRUE(r.valid);
        EXPECT_DOUBLE_EQ(r.fuzzyValue, 0.01);
        EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1.8, 1e-6);
        EXPECT_TRUE(componentDebugs(log).isEmpty()); // a first-try success is silent
    }
    {
        FoundationLogCapture log;
        const FuzzyBoolResult r = OccUtils::runBoolOpWithFuzzyRetry<BRepAlgoAPI_Common>(
            partCube(), thinlyOverlappingBody(), {0.1, 0.01}, false, kLabel, 1.0);
        EXPECT_TRUE(r.valid);
        EXPECT_DOUBLE_EQ(r.fuzzyValue, 0.01);
        EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1.8, 1e-6);
        EXPECT_EQ(componentDebugs(log),
                  QStringList({"BurialAnalyzer::runBoolOpWithRetry : no usable shape (fuzzy= 0.1 )",
                               "BurialAnalyzer::runBoolOpWithRetry : accepted after escalation (fuzzy= 0.01 )"}));
    }
}

TEST(FuzzyRetryRealOp, FailedRungLeavesTheInputShapesUntouched)
{
    const TopoDS_Shape part = box(0, 0, 0, 10, 10, 10);
    const TopoDS_Shape body = box(9.95, 2, 2, 20, 8, 8);
    const auto maxVertexTolerance = [](const TopoDS_Shape& shape) {
        double worst = 0.0;
        for (TopExp_Explorer it(shape, TopAbs_VERTEX); it.More(); it.Next())
            worst = std::max(worst, BRep_Tool::Tolerance(TopoDS::Vertex(it.Current())));
        return worst;
    };
    const double before = std::max(maxVertexTolerance(part), maxVertexTolerance(body));
    const FuzzyBoolResult r =
        OccUtils::runBoolOpWithFuzzyRetry<BRepAlgoAPI_Common>(part, body, {0.5}, false, kLabel, 1.0);
    EXPECT_FALSE(r.valid) << "the rung must fail for this test to mean anything";
    EXPECT_EQ(std::max(maxVertexTolerance(part), maxVertexTolerance(body)), before);
}

TEST(FuzzyRetryRealOp, NoUsableValueGivesNullResult)
{
    const FuzzyBoolResult r = OccUtils::runBoolOpWithFuzzyRetry<BRepAlgoAPI_Common>(
        partCube(), thinlyOverlappingBody(), QList<double>{0.1, 0.5}, false, kLabel, 1.0);
    EXPECT_TRUE(r.shape.IsNull());
    EXPECT_EQ(r.fuzzyValue, 0.0);
    EXPECT_FALSE(r.valid);
}

TEST(FuzzyRetryRealOp, CutWithValidationOnRealShapes)
{
    const FuzzyBoolResult r = OccUtils::runBoolOpWithFuzzyRetry<BRepAlgoAPI_Cut>(
        partCube(), box(2, 2, 5, 8, 8, 20), QList<double>{0.01, 0.025}, true, BoolOpLabel{&lcExport, "subtractOne"}, 1.0);
    EXPECT_TRUE(r.valid);
    EXPECT_DOUBLE_EQ(r.fuzzyValue, 0.01);
    EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1000.0 - 36.0 * 5.0, 1e-6);
}

TEST(FuzzyRetryRealOp, EmptyLadderMakesNoAttempt)
{
    FoundationLogCapture log;
    DebugRulesEnabled debug;
    const FuzzyBoolResult r = OccUtils::runBoolOpWithFuzzyRetry<BRepAlgoAPI_Cut>(partCube(), partCube(), QList<double>{},
                                                                                 true, kLabel, 1.0);
    EXPECT_TRUE(r.shape.IsNull());
    EXPECT_FALSE(r.valid);
    EXPECT_TRUE(log.messages().isEmpty());
}

TEST(FuzzyRetryLadder, ThrowingAttemptsAreTracedAndGiveNull)
{
    DebugRulesEnabled debug;
    FoundationLogCapture log;
    const FuzzyBoolResult r = runScripted(
        [](double f) -> TopoDS_Shape {
            if (f < 0.05)
                throw Standard_Failure("BOPAlgo: self-interference");
            throw std::runtime_error("bad_alloc");
        },
        {0.01, 0.1}, false);
    EXPECT_TRUE(r.shape.IsNull());
    EXPECT_EQ(r.fuzzyValue, 0.0);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(componentDebugs(log),
              QStringList({"BurialAnalyzer::runBoolOpWithRetry OCC (fuzzy= 0.01 ): BOPAlgo: self-interference",
                           "BurialAnalyzer::runBoolOpWithRetry : no usable shape (fuzzy= 0.01 )",
                           "BurialAnalyzer::runBoolOpWithRetry  (fuzzy= 0.1 ): bad_alloc",
                           "BurialAnalyzer::runBoolOpWithRetry : no usable shape (fuzzy= 0.1 )"}));
}

TEST(FuzzyRetryLadder, EmptyCompoundCountsAsUnusable)
{
    const FuzzyBoolResult r = runScripted(
        [](double f) -> TopoDS_Shape {
            if (f < 0.05) {
                TopoDS_Compound empty;
                BRep_Builder().MakeCompound(empty);
                return empty;
            }
            return cubeWithReversedFace(); // invalid, but not checked without requireValid
        },
        {0.01, 0.1}, false);
    EXPECT_TRUE(r.valid);
    EXPECT_DOUBLE_EQ(r.fuzzyValue, 0.1);
    EXPECT_FALSE(OccUtils::isValidShape(r.shape)); // returned as is, not repaired
}

TEST(FuzzyRetryLadder, InvalidResultIsRepaired)
{
    DebugRulesEnabled debug;
    FoundationLogCapture log;
    const FuzzyBoolResult r = runScripted([](double) { return cubeWithReversedFace(); }, {0.01, 0.1}, true);
    EXPECT_TRUE(r.valid);
    EXPECT_DOUBLE_EQ(r.fuzzyValue, 0.01);
    EXPECT_TRUE(OccUtils::isValidShape(r.shape));
    EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1000.0, 1e-6);
    EXPECT_EQ(ScriptedOp::seen, QList<double>({0.01}));
    EXPECT_EQ(componentDebugs(log),
              QStringList({"BurialAnalyzer::runBoolOpWithRetry : repaired into a valid shape (fuzzy= 0.01 )"}));
}

// A boolean's result shares faces, edges and vertices with its arguments (a cut's cavity walls
// are its tools' faces): the repair works on a copy, and the result as the operation gave it
// keeps its edges as they were.
TEST(FuzzyRetryLadder, RepairLeavesTheOperationsResultAsItWas)
{
    const TopoDS_Shape given = box(0, 0, 0, 10, 10, 10);
    const TopoDS_Edge edge = TopoDS::Edge(TopExp_Explorer(given, TopAbs_EDGE).Current());
    BRep_Builder().SameParameter(edge, false);
    BRep_Builder().SameRange(edge, false);
    ASSERT_FALSE(OccUtils::isValidShape(given));
    const FuzzyBoolResult r = runScripted([&given](double) { return given; }, {0.01}, true);
    EXPECT_TRUE(r.valid);
    EXPECT_TRUE(OccUtils::isValidShape(r.shape));
    EXPECT_FALSE(BRep_Tool::SameParameter(edge));
}

TEST(FuzzyRetryLadder, FirstFailedRepairIsKeptAsFallback)
{
    DebugRulesEnabled debug;
    FoundationLogCapture log;
    // Both rungs stay invalid after healing: the first one's shape and value come back, not valid.
    FuzzyBoolResult r = runScripted([](double f) { return unrepairableFace(f < 0.05 ? 0.0 : 100.0); }, {0.01, 0.1}, true);
    ASSERT_FALSE(r.shape.IsNull());
    EXPECT_FALSE(r.valid);
    EXPECT_DOUBLE_EQ(r.fuzzyValue, 0.01);
    EXPECT_LT(TestSupport::boxOf(r.shape).xmax, 50.0);
    EXPECT_EQ(componentDebugs(log),
              QStringList({"BurialAnalyzer::runBoolOpWithRetry : invalid result, repair failed (fuzzy= 0.01 ) — kept as fallback",
                           "BurialAnalyzer::runBoolOpWithRetry : invalid result, repair failed (fuzzy= 0.1 ) — kept as fallback"}));

    // A later valid result still wins over the stored fallback.
    r = runScripted([](double f) { return f < 0.05 ? unrepairableFace(0.0) : box(0, 0, 0, 1, 1, 1); }, {0.01, 0.1}, true);
    EXPECT_TRUE(r.valid);
    EXPECT_DOUBLE_EQ(r.fuzzyValue, 0.1);
    EXPECT_NEAR(TestSupport::volumeOf(r.shape), 1.0, 1e-9);
}

TEST(FuzzyRetryLadder, NullCategorySilencesEveryTrace)
{
    DebugRulesEnabled debug(QStringLiteral("*.debug=true"));
    FoundationLogCapture log;
    ScriptedOp::script = [](double) -> TopoDS_Shape { throw Standard_Failure("boom"); };
    const BoolOpLabel silent{nullptr, "quiet"};
    const FuzzyBoolResult r = OccUtils::runBoolOpWithFuzzyRetry<ScriptedOp>(partCube(), partCube(), {0.01, 0.1},
                                                                           false, silent, 1.0);
    EXPECT_TRUE(r.shape.IsNull());
    for (const CapturedMessage& m : log.messages())
        EXPECT_FALSE(m.text.contains("quiet")) << qPrintable(m.text);
}

TEST(HealShape, RepairsASolidWithAReversedFace)
{
    const TopoDS_Shape broken = cubeWithReversedFace();
    ASSERT_FALSE(OccUtils::isValidShape(broken));
    ASSERT_GT(std::abs(TestSupport::volumeOf(broken) - 1000.0), 1.0);
    // Zero, negative and NaN tolerances fall back to 1 mm instead of forbidding any fix.
    for (const double tolerance : {1.0, 0.005, 0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
        const TopoDS_Shape healed = OccUtils::healShape(broken, kLabel, tolerance);
        EXPECT_TRUE(OccUtils::isValidShape(healed)) << tolerance;
        EXPECT_NEAR(TestSupport::volumeOf(healed), 1000.0, 1e-6) << tolerance;
    }
}

TEST(HealShape, NullStaysNullAndValidShapeKeepsItsVolume)
{
    EXPECT_TRUE(OccUtils::healShape(TopoDS_Shape(), kLabel, 1.0).IsNull());
    const TopoDS_Shape healed = OccUtils::healShape(partCube(), kLabel, 1.0);
    EXPECT_TRUE(OccUtils::isValidShape(healed));
    EXPECT_NEAR(TestSupport::volumeOf(healed), 1000.0, 1e-9);
}

TEST(ShapeChecks, BoundsAndValidity)
{
    TopoDS_Compound empty;
    BRep_Builder().MakeCompound(empty);
    EXPECT_FALSE(OccUtils::hasUsableBounds(TopoDS_Shape()));
    EXPECT_FALSE(OccUtils::hasUsableBounds(empty));
    EXPECT_TRUE(OccUtils::hasUsableBounds(partCube()));
    EXPECT_FALSE(OccUtils::isValidShape(TopoDS_Shape()));
    EXPECT_TRUE(OccUtils::isValidShape(partCube()));
    EXPECT_FALSE(OccUtils::isValidShape(cubeWithReversedFace()));
}

// Round cavities that touch pinch the part along edges shared by four faces, where the
// analyser's shell check is slow: such parts are checked another way, with the analyser's verdict
// on the part as cut, on a face left out and on a face or the whole shell turned over.
TEST(ShapeChecks, PinchedPartsGetTheAnalysersVerdict)
{
    TopTools_ListOfShape arguments, tools;
    arguments.Append(box(0, 0, 0, 10, 10, 10));
    for (const double x : {4.0, 6.0, 8.0})
        tools.Append(BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, 5, 6), gp::DZ()), 1.0, 5.0).Shape());
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(arguments);
    cut.SetTools(tools);
    cut.Build();
    ASSERT_TRUE(cut.IsDone());
    TopoDS_Shape pinched;
    for (TopExp_Explorer it(cut.Shape(), TopAbs_SOLID); it.More(); it.Next())
        pinched = it.Current();
    TopTools_IndexedDataMapOfShapeListOfShape facesOf;
    TopExp::MapShapesAndUniqueAncestors(pinched, TopAbs_EDGE, TopAbs_FACE, facesOf);
    int shared = 0;
    for (int i = 1; i <= facesOf.Extent(); ++i)
        shared += facesOf(i).Extent() > 2 ? 1 : 0;
    ASSERT_GT(shared, 0);

    // The pinched solid's shell rebuilt with face `changed` left out (-1 none) or turned over.
    const auto rebuilt = [&](int changed, bool leftOut, bool turned) {
        BRep_Builder builder;
        TopoDS_Shell shell;
        builder.MakeShell(shell);
        int index = 0;
        for (TopExp_Explorer it(pinched, TopAbs_FACE); it.More(); it.Next(), ++index) {
            if (index == changed && leftOut)
                continue;
            builder.Add(shell, index == changed ? it.Current().Reversed() : it.Current());
        }
        TopoDS_Solid solid;
        builder.MakeSolid(solid);
        builder.Add(solid, turned ? shell.Reversed() : shell);
        return TopoDS_Shape(solid);
    };
    // A copy whose planar face at the top lies 0.05 mm off its edges: every edge still used once
    // each way, only the faces' own check sees it.
    const auto faceOffItsEdges = [&] {
        const TopoDS_Shape copy = BRepBuilderAPI_Copy(pinched).Shape();
        for (TopExp_Explorer it(copy, TopAbs_FACE); it.More(); it.Next()) {
            const TopoDS_Face face = TopoDS::Face(it.Current());
            const BRepAdaptor_Surface surface(face);
            if (surface.GetType() != GeomAbs_Plane || std::abs(surface.Plane().Location().Z() - 10.0) > 1e-9)
                continue;
            TopLoc_Location location;
            const Handle(Geom_Surface) moved =
                Handle(Geom_Surface)::DownCast(BRep_Tool::Surface(face, location)->Translated(gp_Vec(0, 0, 0.05)));
            BRep_Builder().UpdateFace(face, moved, location, BRep_Tool::Tolerance(face));
            return copy;
        }
        return TopoDS_Shape();
    };
    TopoDS_Compound both;
    BRep_Builder().MakeCompound(both);
    BRep_Builder().Add(both, pinched);
    BRep_Builder().Add(both, box(20, 0, 0, 30, 10, 10));
    const struct
    {
        const char* name;
        TopoDS_Shape shape;
        bool valid;
        bool analyser; // the analyser's own verdict
    } rows[] = {
        {"as cut", pinched, true, true},
        {"as cut, in a compound", both, true, true},
        {"rebuilt", rebuilt(-1, false, false), true, true},
        {"a face left out", rebuilt(3, true, false), false, false},
        {"a face turned over", rebuilt(3, false, false), false, false},
        {"a face off its edges", faceOffItsEdges(), false, false},
        // The analyser lets this one through; its volume is negative.
        {"turned inside out", rebuilt(-1, false, true), false, true},
    };
    for (const auto& row : rows) {
        ASSERT_FALSE(row.shape.IsNull()) << row.name;
        EXPECT_EQ(BRepCheck_Analyzer(row.shape).IsValid(), row.analyser) << row.name;
        EXPECT_EQ(OccUtils::isValidShape(row.shape), row.valid) << row.name;
    }
}

// A solid whose one shell is turned inside out passes the analyser: on the road of parts that
// are not pinched too, the check refuses it, alone or beside a sound solid.
TEST(ShapeChecks, InsideOutSolidsAreRefusedOnTheAnalysersRoad)
{
    const auto insideOut = [](const TopoDS_Shape& solid) {
        BRep_Builder builder;
        TopoDS_Solid turned;
        builder.MakeSolid(turned);
        for (TopExp_Explorer it(solid, TopAbs_SHELL); it.More(); it.Next())
            builder.Add(turned, it.Current().Reversed());
        return TopoDS_Shape(turned);
    };
    const auto compound = [](const TopoDS_Shape& a, const TopoDS_Shape& b) {
        TopoDS_Compound both;
        BRep_Builder().MakeCompound(both);
        BRep_Builder().Add(both, a);
        BRep_Builder().Add(both, b);
        return TopoDS_Shape(both);
    };
    const TopoDS_Shape cube = box(0, 0, 0, 10, 10, 10);
    const TopoDS_Shape lid = box(0, 0, 10, 10, 10, 10.4);
    const struct
    {
        const char* name;
        TopoDS_Shape shape;
        double volume; // signed, by hand
        bool valid;
    } rows[] = {
        {"cube", cube, 1000.0, true},
        {"cube inside out", insideOut(cube), -1000.0, false},
        {"cube beside a lid inside out", compound(cube, insideOut(lid)), 1000.0 - 40.0, false},
        {"cube and lid", compound(cube, lid), 1040.0, true},
    };
    for (const auto& row : rows) {
        GProp_GProps props;
        BRepGProp::VolumeProperties(row.shape, props);
        ASSERT_NEAR(props.Mass(), row.volume, 1e-6) << row.name;
        EXPECT_TRUE(BRepCheck_Analyzer(row.shape).IsValid()) << row.name;
        EXPECT_EQ(OccUtils::isValidShape(row.shape), row.valid) << row.name;
    }
}
