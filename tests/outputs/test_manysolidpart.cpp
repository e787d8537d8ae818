// Parts that come as many solids with B-spline faces, as STEP parts of many bodies do: the
// clean-up of stray solids keeps the verdicts of the classifier on every piece and tool, and
// the export counts as cut apart only the pieces the cavities made.
#include "designfixture.h"
#include "testsupport.h"

#include "foundation/stepimporter.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QTemporaryDir>

#include <AIS_Shape.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <gtest/gtest.h>

namespace {

using TestSupport::countOf;

using DesignFixture::box;
using DesignFixture::nurbs;
using DesignFixture::throughStep;

TEST(BuildAssembly, OnlyThePiecesTheCavitiesMadeCountAsCutApart)
{
    // Six blocks 20 x 20 x 10 mm, 2 mm apart, in B-splines, read from a STEP file.
    QList<TopoDS_Shape> blocks;
    for (int i = 0; i < 6; ++i)
        blocks.append(nurbs(box(22.0 * (i % 3), 22.0 * (i / 3), 0, 22.0 * (i % 3) + 20, 22.0 * (i / 3) + 20, 10)));
    const TopoDS_Shape manySolids = throughStep(StepExporter::compoundOf(blocks));
    ASSERT_EQ(StepExporter::solidsOf(manySolids).size(), 6);
    const TopoDS_Shape oneSolid = throughStep(nurbs(box(0, 0, 0, 64, 42, 10)));
    ASSERT_EQ(StepExporter::solidsOf(oneSolid).size(), 1);

    // Components sunk in three blocks; a wall-like body cuts the first column of blocks through.
    QMap<QString, PlacedComponentData> components;
    for (const auto& [ref, x, y] : {std::tuple{"U1", 10.0, 10.0}, {"U2", 32.0, 10.0}, {"U3", 54.0, 32.0}})
        components.insert(ref, DesignFixture::twoPadComponent(ref, gp_Pnt(x, y, 6.0)));
    QMap<QString, PlacedComponentData> splitting = components;
    splitting["U1"].compositeShape = new AIS_Shape(box(9, -1, -1, 11, 43, 11));

    const struct
    {
        const char* name;
        TopoDS_Shape part;
        const QMap<QString, PlacedComponentData>* components;
        int partSolids, piecesCutApart;
    } rows[] = {
        {"many solids, none cut apart", manySolids, &components, 6, 0},
        {"many solids, two cut in two", manySolids, &splitting, 8, 4},
        {"one solid, none cut apart", oneSolid, &components, 1, 0},
        {"one solid cut in two", oneSolid, &splitting, 2, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AssemblyInput input;
        input.mainPart = row.part;
        input.components = row.components;
        const AssemblyResult result = StepExporter::buildAssembly(input, ExportOptions());
        ASSERT_FALSE(result.part.IsNull());
        EXPECT_EQ(result.cavitiesOk, 9);
        EXPECT_EQ(result.partSolids, row.partSolids);
        EXPECT_EQ(result.piecesCutApart, row.piecesCutApart);
        QTemporaryDir dir;
        const StepExportSummary summary =
            StepExporter::exportStep(dir.filePath(QStringLiteral("board.step")), input, ExportOptions());
        ASSERT_TRUE(summary.success);
        EXPECT_EQ(summary.partSolids, row.partSolids);
        EXPECT_EQ(summary.piecesCutApart, row.piecesCutApart);
    }
}

// KiCad's StickHub assembly as KiCad exports it (119 solids, B-spline faces, solids thinner than
// the fuzzy values) with an 0805 capacitor over its row of 0603 resistors, a hair above the
// board's top face as a drag leaves it: cuts there hand back loose shells beside their solids,
// which would be written as surfaces outside any solid. The carved part holds solids only.
TEST(BuildAssembly, RealAssemblyHoldsNoSurfaceOutsideItsSolids)
{
    const StepImportResult read =
        StepImporter::importStep(QStringLiteral(VTQ_TEST_DATA_DIR "/parts/StickHub_models.step"));
    ASSERT_EQ(read.status, StepImportResult::Ok);
    ASSERT_EQ(read.shapes.size(), 1);
    const PlacedComponentData capacitor = DesignFixture::kicadComponent(
        QStringLiteral("C1"), QStringLiteral("Capacitor_SMD:C_0805_2012Metric"), gp_Pnt(146.49997, -84.99995, 1.6000001));
    if (capacitor.hasMissingFootprint)
        GTEST_SKIP() << "KiCad footprint library not installed";
    const QMap<QString, PlacedComponentData> components{{capacitor.ref, capacitor}};
    AssemblyInput input;
    input.mainPart = read.shapes.first();
    input.components = &components;

    const AssemblyResult result = StepExporter::buildAssembly(input, ExportOptions());
    ASSERT_FALSE(result.part.IsNull());
    EXPECT_EQ(result.cavitiesFailed, 0);
    EXPECT_EQ(result.cavitiesOk, 3);
    int looseFaces = 0;
    for (TopExp_Explorer it(result.part, TopAbs_FACE, TopAbs_SOLID); it.More(); it.Next())
        ++looseFaces;
    EXPECT_EQ(looseFaces, 0);
}


// The same StickHub assembly as the part, whose models overlap the board: a component that
// cuts nothing leaves the part written as it came, and one sunk in the board changes the
// board alone. Read back from the file, the part keeps one shell per solid (no hollow pocket
// where the models overlap the board) and the board has lost the cavity's material only.
TEST(StepExport, SolidsNoCavityCutsAreWrittenAsTheyCame)
{
    const StepImportResult read =
        StepImporter::importStep(QStringLiteral(VTQ_TEST_DATA_DIR "/parts/StickHub_models.step"));
    ASSERT_EQ(read.status, StepImportResult::Ok);
    const TopoDS_Shape part = read.shapes.first();
    ASSERT_EQ(countOf(part, TopAbs_SOLID), 119);
    ASSERT_EQ(countOf(part, TopAbs_SHELL), 119);
    // The part written bare, read back: the reference for what the cut left.
    const auto writtenPart = [](const AssemblyInput& input, const QString& path) {
        const StepExportSummary summary = StepExporter::exportStep(path, input, ExportOptions());
        EXPECT_TRUE(summary.success) << summary.error.toStdString();
        const DesignFixture::ReadBack back = DesignFixture::readStep(path);
        return std::make_pair(summary, back.shapes.value(0));
    };
    QTemporaryDir dir;
    const QMap<QString, PlacedComponentData> none;
    AssemblyInput bare;
    bare.mainPart = part;
    bare.components = &none;
    const double bareVolume = TestSupport::volumeOf(writtenPart(bare, dir.filePath(QStringLiteral("bare.step"))).second);
    ASSERT_GT(bareVolume, 0.0);
    const struct
    {
        const char* name;
        gp_Pnt at;
        int cavities, outside;
        bool volumeLost;
    } rows[] = {
        {"beside the board", gp_Pnt(175.0, -100.0, 1.6), 0, 1, false},
        {"in the board, away from its models", gp_Pnt(150.0, -114.0, 1.6), 2, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const PlacedComponentData capacitor =
            DesignFixture::kicadComponent(QStringLiteral("C1"), QStringLiteral("Capacitor_SMD:C_0805_2012Metric"), row.at);
        if (capacitor.hasMissingFootprint)
            GTEST_SKIP() << "KiCad footprint library not installed";
        const QMap<QString, PlacedComponentData> components{{capacitor.ref, capacitor}};
        AssemblyInput input;
        input.mainPart = part;
        input.components = &components;
        const auto [summary, written] = writtenPart(input, dir.filePath(QStringLiteral("hub.step")));
        EXPECT_EQ(summary.cavitiesOk, row.cavities);
        EXPECT_EQ(summary.componentsOutside, row.outside);
        EXPECT_EQ(countOf(written, TopAbs_SOLID), 119);
        EXPECT_EQ(countOf(written, TopAbs_SHELL), 119);
        const double lost = bareVolume - TestSupport::volumeOf(written);
        if (row.volumeLost)
            EXPECT_GT(lost, 0.1);
        else
            EXPECT_NEAR(lost, 0.0, 1e-9 * bareVolume);
    }
}

// A solid of the part that a cavity passes a hundredth from: the cut takes nothing from it, and
// the file gets it as it came, not the boolean's copy of it (the pad's
// outline printed on its face, its tolerances grown by the fuzzy value).
TEST(StepExport, SolidsACutPassesByAreTheSolidsThatCame)
{
    const TopoDS_Shape board = box(0, 0, 0, 20, 20, 2), beside = nurbs(box(20.01, 0, 0, 30, 20, 2));
    BRep_Builder builder;
    TopoDS_Compound part;
    builder.MakeCompound(part);
    builder.Add(part, board);
    builder.Add(part, beside);
    // Its right pad ends at x = 20, a hundredth from the solid beside the board.
    const PlacedComponentData component = DesignFixture::twoPadComponent(QStringLiteral("R1"), gp_Pnt(18.5, 10, 2), 1.0);
    const QMap<QString, PlacedComponentData> components{{component.ref, component}};
    AssemblyInput input;
    input.mainPart = part;
    input.components = &components;
    {
        const AssemblyResult result = StepExporter::buildAssembly(input, ExportOptions());
        EXPECT_EQ(result.cavitiesOk, 2);
        int besides = 0;
        for (TopExp_Explorer it(result.part, TopAbs_SOLID); it.More(); it.Next()) {
            if (std::abs(TestSupport::volumeOf(it.Current()) - TestSupport::volumeOf(beside)) > 1e-6)
                continue;
            ++besides;
            EXPECT_EQ(countOf(it.Current(), TopAbs_FACE), countOf(beside, TopAbs_FACE));
            EXPECT_EQ(countOf(it.Current(), TopAbs_EDGE), countOf(beside, TopAbs_EDGE));
            EXPECT_LE(BRep_Tool::MaxTolerance(it.Current(), TopAbs_VERTEX), BRep_Tool::MaxTolerance(beside, TopAbs_VERTEX));
        }
        EXPECT_EQ(besides, 1);
        EXPECT_NEAR(TestSupport::volumeOf(result.part), 20 * 20 * 2 + 9.99 * 20 * 2 - 2 * 1.5 * 1.1, 1e-6);
    }
}

} // namespace
