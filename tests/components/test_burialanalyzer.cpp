// Burial analysis: volumes of boxes against a part, the walk over components and its signals,
// switching on and off, on an interactive context without a view.
#include "componenttestrig.h"
#include "logcapture.h"

#include "components/burialanalyzer.h"
#include "model/placedcomponentdata.h"

#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Face.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <Message_ProgressIndicator.hxx>
#include <gp_Ax2.hxx>

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace ComponentTest;

namespace {

constexpr double kTol = 1e-3;

TopoDS_Shape box(double x, double y, double z, double dx, double dy, double dz)
{
    return BRepPrimAPI_MakeBox(gp_Pnt(x, y, z), dx, dy, dz).Shape();
}

const TopoDS_Shape& part()
{
    static const TopoDS_Shape shape = box(0, 0, 0, 10, 10, 10);
    return shape;
}

struct BurialCase
{
    const char* name;
    TopoDS_Shape (*body)();
    double buried;
    double free;
    bool intersects;
    bool buriedObject;
    bool freeObject;
};

void PrintTo(const BurialCase& row, std::ostream* os)
{
    *os << row.name;
}

class ComputeBurialTest : public ::testing::TestWithParam<BurialCase>
{
};

TEST_P(ComputeBurialTest, MeasuresTheBuriedAndFreeVolumes)
{
    const BurialCase& row = GetParam();
    const BurialResult result = BurialAnalyzer::computeBurial(row.body(), part());
    ASSERT_TRUE(result.analysed) << result.error.toStdString();
    EXPECT_NEAR(result.buriedVolume, row.buried, kTol);
    EXPECT_NEAR(result.freeVolume, row.free, kTol);
    EXPECT_EQ(result.intersects, row.intersects);
    EXPECT_EQ(!result.buriedShape.IsNull(), row.buriedObject);
    EXPECT_EQ(!result.freeShape.IsNull(), row.freeObject);
    const double total = row.buried + row.free;
    EXPECT_NEAR(result.buriedRatio, total > 0 ? row.buried / total : 0.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ComputeBurialTest,
    ::testing::Values(BurialCase{"HalfBuried", [] { return box(4, 4, 9, 2, 2, 2); }, 4.0, 4.0, true, true, true},
                      BurialCase{"Inside", [] { return box(4, 4, 4, 2, 2, 2); }, 8.0, 0.0, true, true, false},
                      BurialCase{"Apart", [] { return box(40, 40, 40, 2, 2, 2); }, 0.0, 8.0, false, false, true},
                      BurialCase{"Touching", [] { return box(4, 4, 10, 2, 2, 2); }, 0.0, 8.0, false, false, true},
                      // Boxes overlap but the solids do not: an empty common is a measured zero.
                      BurialCase{"CornerOfAPartBox", [] { return box(-0.5, -0.5, 4, 1, 1, 1); }, 0.25, 0.75,
                                 true, true, true}),
    [](const ::testing::TestParamInfo<BurialCase>& info) { return std::string(info.param.name); });

TEST(ComputeBurialTest, BoxesMeetingWithoutTheSolidsIsAMeasuredZero)
{
    const TopoDS_Shape cylinder = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 0), gp::DZ()), 5.0, 10.0).Shape();
    const BurialResult result = BurialAnalyzer::computeBurial(box(4, 4, 2, 0.8, 0.8, 0.8), cylinder);
    ASSERT_TRUE(result.analysed) << result.error.toStdString();
    EXPECT_FALSE(result.intersects);
    EXPECT_NEAR(result.freeVolume, 0.512, kTol);
    EXPECT_TRUE(result.buriedShape.IsNull());
}

// A part of separate solids: the measure takes every solid the body meets.
TEST(ComputeBurialTest, APartOfSeparateSolidsCountsEachSolidTheBodyMeets)
{
    BRep_Builder builder;
    TopoDS_Compound blocks;
    builder.MakeCompound(blocks);
    for (const double x : {0.0, 20.0, 40.0, 60.0})
        builder.Add(blocks, box(x, 0, 0, 10, 10, 10));
    // Bodies half in the second block, across the first two, between two: buried and free.
    const double rows[][8] = {{24, 4, 9, 2, 2, 2, 4, 4}, {9, 4, 4, 12, 2, 2, 8, 40}, {31, 4, 4, 8, 2, 2, 0, 32}};
    for (const auto& r : rows) {
        const BurialResult result = BurialAnalyzer::computeBurial(box(r[0], r[1], r[2], r[3], r[4], r[5]), blocks);
        EXPECT_NEAR(result.buriedVolume, r[6], kTol);
        EXPECT_NEAR(result.freeVolume, r[7], kTol);
    }
}

TEST(BurialResultTest, TextsAndRefusals)
{
    BurialResult result;
    EXPECT_EQ(result.text("R1"), "Analysis unavailable for R1");
    result.analysed = true;
    EXPECT_EQ(result.text("R1"), "R1: no intersection with the part");
    result.intersects = true;
    result.buriedVolume = 12.5;
    result.freeVolume = 37.5;
    result.buriedRatio = 0.25;
    EXPECT_EQ(result.text("R1"), "R1: 25.0% buried (12.50 mm³ / 50.00 mm³)");

    EXPECT_EQ(BurialAnalyzer::computeBurial(TopoDS_Shape(), part()).error, "Null shape");
    EXPECT_FALSE(BurialAnalyzer::computeBurial(part(), TopoDS_Shape()).analysed);
    EXPECT_EQ(BurialAnalyzer::computeVolume(TopoDS_Shape()), 0.0);
}

class BurialAnalyzerTest : public ::testing::Test
{
protected:
    void place(const QString& ref, const TopoDS_Shape& body)
    {
        PlacedComponentData component;
        component.ref = ref;
        component.compositeShape = new AIS_Shape(body);
        context->Display(component.compositeShape, false);
        components.insert(ref, component);
    }

    opencascade::handle<AIS_InteractiveContext> context = makeHeadlessContext();
    BurialAnalyzer analyzer{context};
    QMap<QString, PlacedComponentData> components;
};

TEST_F(BurialAnalyzerTest, AnalysesInReferenceOrder)
{
    place("R2", box(4, 4, 9, 2, 2, 2));
    place("R10", box(40, 0, 0, 1, 1, 1));
    place("C1", box(1, 1, 1, 1, 1, 1));
    PlacedComponentData bodiless;
    bodiless.ref = "U1";
    components.insert("U1", bodiless);

    QStringList started;
    QObject::connect(&analyzer, &BurialAnalyzer::computationStarted, [&](const QString& ref) { started << ref; });
    QSignalSpy status(&analyzer, &BurialAnalyzer::statusChanged);

    analyzer.setEnabled(true, components, part());
    EXPECT_EQ(started, (QStringList{"C1", "R10", "R2"}));
    EXPECT_EQ(status.last().at(0).toString(), "Burial analysis complete: 3/4 component(s) analysed (1 failure(s))");
    // The bodies stand aside while their results are shown.
    EXPECT_FALSE(context->IsDisplayed(components["R2"].compositeShape));
    EXPECT_TRUE(context->IsDisplayed(analyzer.result("R2").buriedShape));
    EXPECT_TRUE(context->IsDisplayed(analyzer.result("R10").freeShape));

    analyzer.setEnabled(true, components, part()); // already on: nothing
    EXPECT_EQ(started.size(), 3);

    analyzer.setEnabled(false, components, part());
    EXPECT_TRUE(context->IsDisplayed(components["R2"].compositeShape));
    EXPECT_FALSE(context->IsDisplayed(analyzer.result("R2").buriedShape));
    EXPECT_TRUE(analyzer.result("R2").analysed); // kept after switching off
    EXPECT_EQ(status.last().at(0).toString(), "Burial analysis disabled");
}

// A part with a face that has no surface: the booleans fail on every fuzzy value.
TopoDS_Shape brokenPart()
{
    BRep_Builder builder;
    TopoDS_Face face;
    builder.MakeFace(face);
    builder.Add(face, BRepBuilderAPI_MakePolygon(gp_Pnt(0, 0, 0), gp_Pnt(9, 0, 0), gp_Pnt(9, 9, 0), true).Wire());
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    builder.Add(compound, face);
    builder.Add(compound, box(0, 0, 0, 10, 10, 10));
    return compound;
}

TEST_F(BurialAnalyzerTest, ABooleanFailingOnEveryFuzzyValueIsNoMeasurement)
{
    place("R1", box(4, 4, 9, 2, 2, 2));
    QSignalSpy status(&analyzer, &BurialAnalyzer::statusChanged);
    FoundationLogCapture log;
    analyzer.setEnabled(true, components, brokenPart());
    EXPECT_FALSE(analyzer.result("R1").analysed);
    EXPECT_EQ(status.last().at(0).toString(), "Burial analysis complete: 0/1 component(s) analysed (1 failure(s))");
    EXPECT_TRUE(context->IsDisplayed(components["R1"].compositeShape)) << "the body is shown again";
    EXPECT_TRUE(log.contains("could not be computed")) << log.joined().toStdString();
    EXPECT_TRUE(status.at(status.size() - 2).at(0).toString().startsWith("Analysis R1: "));
}

TEST_F(BurialAnalyzerTest, RefusesToStartWithoutAPartAndStartsLater)
{
    place("R1", box(4, 4, 9, 2, 2, 2));
    QSignalSpy status(&analyzer, &BurialAnalyzer::statusChanged);
    analyzer.setEnabled(true, components, TopoDS_Shape());
    EXPECT_FALSE(analyzer.isEnabled());
    EXPECT_EQ(status.last().at(0).toString(), "Burial analysis: import a STEP part first");
    analyzer.setEnabled(true, components, part());
    EXPECT_TRUE(analyzer.isEnabled());
    EXPECT_TRUE(analyzer.result("R1").intersects);
}

TEST_F(BurialAnalyzerTest, EmptyMapReportsZeroOfZero)
{
    QSignalSpy status(&analyzer, &BurialAnalyzer::statusChanged);
    analyzer.setEnabled(true, components, part());
    EXPECT_EQ(status.last().at(0).toString(), "Burial analysis complete: 0/0 component(s) analysed");
}

TEST_F(BurialAnalyzerTest, AComponentRemovedWhileEventsRunIsSkippedAsAFailure)
{
    place("R1", box(4, 4, 9, 2, 2, 2));
    place("R2", box(4, 4, 9, 1, 1, 1));
    QSignalSpy status(&analyzer, &BurialAnalyzer::statusChanged);
    // The progress text of R1 comes right before the event loop runs: remove R2 there.
    QObject::connect(&analyzer, &BurialAnalyzer::statusChanged, [&](const QString& text) {
        if (text.contains("(R1)"))
            components.remove("R2");
    });
    analyzer.setEnabled(true, components, part());
    EXPECT_EQ(status.last().at(0).toString(), "Burial analysis complete: 1/2 component(s) analysed (1 failure(s))");
}

class BreakOnDemand : public Message_ProgressIndicator
{
public:
    bool asked = false;

protected:
    Standard_Boolean UserBreak() override { return asked; }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}
};

// Cancel pressed while a component is computed stops it there: no result, its body shown.
TEST_F(BurialAnalyzerTest, CancelStopsWithinTheComponentBeingComputed)
{
    place("R1", box(4, 4, 9, 2, 2, 2));
    const opencascade::handle<BreakOnDemand> cancel = new BreakOnDemand;
    QObject::connect(&analyzer, &BurialAnalyzer::computationStarted, [&] { cancel->asked = true; });
    QSignalSpy status(&analyzer, &BurialAnalyzer::statusChanged);
    analyzer.setEnabled(true, components, part(), cancel->Start());
    EXPECT_EQ(analyzer.resultCount(), 0);
    EXPECT_EQ(status.last().at(0).toString(), "Burial analysis cancelled");
    EXPECT_TRUE(context->IsDisplayed(components["R1"].compositeShape));
}

TEST_F(BurialAnalyzerTest, AnalysingWhileOffKeepsTheBodyAndReplacesOldObjects)
{
    place("R1", box(4, 4, 9, 2, 2, 2));
    ASSERT_TRUE(analyzer.analyzeComponent("R1", components["R1"], part()));
    EXPECT_TRUE(context->IsDisplayed(components["R1"].compositeShape));
    const auto first = analyzer.result("R1").buriedShape;
    EXPECT_FALSE(context->IsDisplayed(first));

    analyzer.setEnabled(true, components, part());
    EXPECT_FALSE(context->IsDisplayed(first));
    EXPECT_NE(analyzer.result("R1").buriedShape, first);
    analyzer.clearResults(true, &components);
    EXPECT_EQ(analyzer.resultCount(), 0);
    EXPECT_TRUE(context->IsDisplayed(components["R1"].compositeShape));
}

} // namespace
