// A hollow part as a user brings it (an STL mesh with a sealed void): the burial analysis and
// both exports keep the void, judged by OpenCASCADE reading the STEP file back and by the
// slicer reading the 3MF package.
#include "designfixture.h"
#include "meshfixtures.h"
#include "testsupport.h"

#include "components/burialanalyzer.h"
#include "components/burialresult.h"
#include "foundation/stlimporter.h"
#include "outputs/exportoptions.h"
#include "outputs/printplangenerator.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <AIS_Shape.hxx>
#include <TopExp_Explorer.hxx>

#include <gtest/gtest.h>

namespace {

using TestSupport::countOf;

using DesignFixture::box;
using MeshFixtures::cubeTriangles;
using MeshFixtures::reversed;


// A 20 mm cube with a sealed 10 mm void in its middle (7,000 mm³), through the STL importer.
class HollowPart : public MeshFixtures::PartFileTest
{
protected:
    void SetUp() override
    {
        const StlImportResult r = StlImporter::importStl(
            file("hollow.stl", MeshFixtures::binaryStl(cubeTriangles(20.0) + reversed(cubeTriangles(10.0, gp_Vec(5, 5, 5))))));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        part = r.shape;
    }

    TopoDS_Shape part;
};

// A component whose 2 x 2 pad goes 3 mm down into the top wall, its body standing on the top.
// The export lengthens the pad 0.1 mm down: a 12.4 mm³ cavity.
PlacedComponentData component(const QString& ref, double x, double y)
{
    PlacedComponentData c;
    c.ref = ref;
    c.position = gp_Pnt(x, y, 20.0);
    c.footprintThickness = 3.0;
    c.compositeShape = new AIS_Shape(box(x - 2, y - 2, 20, x + 2, y + 2, 23));
    PlacedPadData pad;
    pad.number = QStringLiteral("1");
    pad.worldPosition = c.position;
    pad.placedShape = box(x - 1, y - 1, 17, x + 1, y + 1, 20);
    pad.scaledWidth = 2.0;
    pad.scaledHeight = 2.0;
    c.pads.append(pad);
    return c;
}

} // namespace

// A body in the void is in the air, not buried in the part; one across the void's wall is
// buried by the half in the wall.
TEST_F(HollowPart, BurialSeesTheVoid)
{
    const struct { const char* name; TopoDS_Shape body; double buried; double free; } rows[] = {
        {"in the void", box(7, 7, 7, 9, 9, 9), 0.0, 8.0},
        {"across the void's wall", box(12, 7, 7, 18, 9, 9), 12.0, 12.0},
        {"in the wall", box(1, 1, 1, 3, 3, 3), 8.0, 0.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const BurialResult r = BurialAnalyzer::computeBurial(row.body, part);
        ASSERT_TRUE(r.analysed) << r.error.toStdString();
        EXPECT_NEAR(r.buriedVolume, row.buried, 1e-3);
        EXPECT_NEAR(r.freeVolume, row.free, 1e-3);
        EXPECT_EQ(r.intersects, row.buried > 0.0);
    }
}

// The exported part holds the void: OpenCASCADE reads the STEP part back as one solid of two
// shells and 7,000 mm³ less the pad's cavity, and the slicer finds the package closed with
// 7,000 mm³, part and conductor together.
TEST_F(HollowPart, ExportsKeepTheVoid)
{
    QMap<QString, PlacedComponentData> components;
    components.insert(QStringLiteral("U1"), component(QStringLiteral("U1"), 10.0, 10.0));
    QList<Route> routes;
    AssemblyInput input;
    input.mainPart = part;
    input.components = &components;
    input.routes = &routes;

    const QString step = path("hollow.step");
    const StepExportSummary summary = StepExporter::exportStep(step, input, ExportOptions());
    ASSERT_TRUE(summary.success) << summary.error.toStdString();
    EXPECT_EQ(summary.cavitiesOk, 1);
    const DesignFixture::ReadBack back = DesignFixture::readStep(step);
    ASSERT_GE(back.shapes.size(), 2);
    EXPECT_NEAR(TestSupport::volumeOf(back.shapes.at(0)), 7000.0 - 12.4, 1e-3);
    EXPECT_EQ(countOf(back.shapes.at(0), TopAbs_SOLID), 1);
    EXPECT_EQ(countOf(back.shapes.at(0), TopAbs_SHELL), 2);
    EXPECT_NEAR(TestSupport::volumeOf(back.shapes.at(1)), 12.4, 1e-3);

    if (QStandardPaths::findExecutable(QStringLiteral("prusa-slicer")).isEmpty())
        GTEST_SKIP() << "prusa-slicer not installed";
    const QString package = path("hollow.3mf");
    const PrintPlan plan = PrintPlanGenerator::generate(components, {}, part, 0.2);
    const ThreeMfExportSummary written = ThreeMfExporter().exportThreeMf(package, input, plan, ExportOptions());
    ASSERT_TRUE(written.ok) << written.error.toStdString();
    EXPECT_EQ(written.flippedShells, 0);
    QProcess slicer;
    slicer.start(QStringLiteral("prusa-slicer"), {QStringLiteral("--info"), package});
    ASSERT_TRUE(slicer.waitForFinished(-1));
    const QString info = QString::fromUtf8(slicer.readAllStandardOutput());
    EXPECT_TRUE(info.contains(QStringLiteral("manifold = yes"))) << info.toStdString();
    const QRegularExpressionMatch volume = QRegularExpression(QStringLiteral("volume = ([0-9.]+)")).match(info);
    ASSERT_TRUE(volume.hasMatch()) << info.toStdString();
    EXPECT_NEAR(volume.captured(1).toDouble(), 7000.0, 0.5) << info.toStdString();
}
