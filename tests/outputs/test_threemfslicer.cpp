// The real consumer: the slicer slices the exported package of a real design. Its G-code must
// pause once per plan pause, right after the plan's layer and with the pause's message, and the
// conductor volumes must follow the chosen perimeter count.
#include "packagereader.h"
#include "threemfdesign.h"

#include "outputs/exportoptions.h"
#include "outputs/printplangenerator.h"
#include "outputs/threemfexporter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

namespace {

constexpr double kLayer = 0.2;

struct SlicedPause
{
    double previousTop = -1.0; // the layer printed just before the pause
    double nextTop = -1.0;     // the layer the pause comes before
    QString message;
    bool pauses = false;       // the printer's pause code follows
};

class ThreeMfSlicer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("prusa-slicer")).isEmpty())
            GTEST_SKIP() << "prusa-slicer not installed";
        build(12.0);
    }

    // The design on a part of that height: its cavity tops lie that far below the part's top.
    void build(double partZ, bool oneAtTop = false, std::array<double, 3> depths = {{9.0, 7.0, 5.0}})
    {
        ThreeMfDesignSpec spec;
        spec.depths = depths;
        spec.partX = 60.0;
        spec.partY = 40.0;
        spec.partZ = partZ;
        spec.oneAtTop = oneAtTop;
        design = ThreeMfDesign();
        QString why;
        if (!buildThreeMfDesign(spec, design, &why))
            GTEST_SKIP() << why.toStdString();
        plan = design.plan(kLayer);
        ASSERT_TRUE(plan.ok) << plan.error.toStdString();
    }

    // Exports with the perimeter count and slices at the plan's layer height; the G-code lines.
    QStringList sliceWith(int perimeters)
    {
        return sliceWith(perimeters, design.input());
    }
    QStringList sliceWith(int perimeters, const AssemblyInput& input)
    {
        ExportOptions options;
        options.conductorPerimeters = perimeters;
        const QString package = dir.filePath(QStringLiteral("p%1.3mf").arg(perimeters));
        const QString gcode = dir.filePath(QStringLiteral("p%1.gcode").arg(perimeters));
        summary = ThreeMfExporter().exportThreeMf(package, input, plan, options);
        EXPECT_TRUE(summary.ok) << summary.error.toStdString();
        PackageEntries entries;
        if (pythonAvailable()) {
            EXPECT_TRUE(readPackage(package, entries)) << "a sound ZIP";
        }
        QProcess slicer;
        slicer.setProcessChannelMode(QProcess::MergedChannels);
        const QString layer = QString::number(kLayer);
        slicer.start("prusa-slicer", {"--export-gcode", "--dont-arrange", "--layer-height", layer,
                                      "--first-layer-height", layer, "-o", gcode, package});
        EXPECT_TRUE(slicer.waitForFinished(-1));
        EXPECT_EQ(slicer.exitCode(), 0) << slicer.readAll().toStdString();
        QFile file(gcode);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
    }

    ThreeMfDesign design;
    PrintPlan plan;
    ThreeMfExportSummary summary;
    QTemporaryDir dir;
};

} // namespace

// The pauses as the G-code makes them.
static QList<SlicedPause> slicedPauses(const QStringList& gcode)
{
    QList<SlicedPause> pauses;
    double current = -1.0, previous = -1.0;
    for (int i = 0; i < gcode.size(); ++i) {
        if (gcode[i].startsWith(";Z:")) {
            previous = current;
            current = gcode[i].mid(3).toDouble();
        } else if (gcode[i] == ";PAUSE_PRINT") {
            SlicedPause pause{previous, current, QString(), false};
            for (int j = i + 1; j < qMin(i + 6, int(gcode.size())); ++j) {
                if (gcode[j].startsWith("M117 "))
                    pause.message = gcode[j].mid(5);
                pause.pauses = pause.pauses || gcode[j].startsWith("M601");
            }
            pauses.append(pause);
        }
    }
    return pauses;
}

TEST_F(ThreeMfSlicer, PausesComeRightAfterThePlansLayersWithTheirMessages)
{
    ASSERT_GE(plan.pauses.size(), 2);
    const QStringList gcode = sliceWith(4);
    EXPECT_EQ(summary.nativePauseCount, plan.pauses.size());

    const QList<SlicedPause> pauses = slicedPauses(gcode);
    ASSERT_EQ(pauses.size(), plan.pauses.size());
    for (int i = 0; i < pauses.size(); ++i) {
        const PrintPlanPause& expected = plan.pauses[i];
        SCOPED_TRACE(QStringLiteral("pause after layer %1").arg(expected.layer).toStdString());
        // The plan's layer (top at the plan's z) is printed, then the printer stops.
        EXPECT_NEAR(pauses[i].previousTop, expected.z, 1e-3);
        EXPECT_NEAR(pauses[i].nextTop, expected.z + kLayer, 1e-3);
        EXPECT_EQ(pauses[i].message, ThreeMfExporter::pauseMessage(expected));
        EXPECT_TRUE(pauses[i].pauses);
    }
}

TEST_F(ThreeMfSlicer, ConductorVolumesFollowThePerimeterCount)
{
    const auto perimeterMoves = [](const QStringList& gcode) {
        int moves = 0;
        bool perimeter = false;
        for (const QString& line : gcode) {
            if (line.startsWith(";TYPE:"))
                perimeter = line.contains("perimeter", Qt::CaseInsensitive);
            else if (perimeter && line.startsWith("G1 ") && line.contains(" E"))
                ++moves;
        }
        return moves;
    };
    const int one = perimeterMoves(sliceWith(1));
    const int six = perimeterMoves(sliceWith(6));
    // Only the conductor volumes carry the count. The slicer's own threads vary the count by a
    // few moves in ten thousand; six perimeters add about a tenth on this design.
    EXPECT_GT(six, one * 1.03) << six << " against " << one;
}

// A conductor reaching below the part's bottom becomes the model's lowest point: the slicer
// sets that point on the plate and counts its layers from there, so every pause must still
// come after the layer that completes the plan's layer of the part.
TEST_F(ThreeMfSlicer, ConductorBelowThePartKeepsThePausesAfterThePlansLayers)
{
    ASSERT_GE(plan.pauses.size(), 2);
    const double below = 0.1; // half a layer
    ThreeMfDesign lowered = design;
    Route under = DesignFixture::route(QStringLiteral("UNDER"), {QPointF(5.0, 36.0), QPointF(55.0, 36.0)},
                                       plan.zMin - below, 2.0, 1.0);
    under.id = 1000;
    lowered.routes.append(under);
    const QStringList gcode = sliceWith(4, lowered.input());
    EXPECT_EQ(summary.nativePauseCount, plan.pauses.size());

    const QList<SlicedPause> pauses = slicedPauses(gcode);
    ASSERT_EQ(pauses.size(), plan.pauses.size());
    for (int i = 0; i < pauses.size(); ++i) {
        const PrintPlanPause& expected = plan.pauses[i];
        SCOPED_TRACE(QStringLiteral("pause after layer %1").arg(expected.layer).toStdString());
        // The cavity's top lies `below` higher on the slicer's scale: the last slicer layer
        // whose middle lies at or below it is printed, then the printer stops.
        const double top = expected.items.first().cavityTopRel + below;
        const double completing = std::floor(top / kLayer + 0.5 + 1e-6) * kLayer;
        EXPECT_NEAR(pauses[i].previousTop, completing, 1e-3);
        EXPECT_NEAR(pauses[i].nextTop, completing + kLayer, 1e-3);
        EXPECT_EQ(pauses[i].message, ThreeMfExporter::pauseMessage(expected));
    }
}

// The slicer cuts each layer at its mid-height: a cavity whose top lies in the lower half of a
// layer is already roofed by that layer. The printer must stop before the first layer that
// covers the cavity, and not before a layer that still leaves it open.
TEST_F(ThreeMfSlicer, PausesComeBeforeTheFirstLayerThatCoversTheCavity)
{
    build(12.05); // cavity tops 0.05 mm above a layer boundary
    ASSERT_GE(plan.pauses.size(), 2);
    const QList<SlicedPause> pauses = slicedPauses(sliceWith(4));
    ASSERT_EQ(pauses.size(), plan.pauses.size());
    for (int i = 0; i < pauses.size(); ++i) {
        double top = plan.pauses[i].items.first().cavityTopRel;
        for (const PrintPlanItem& item : plan.pauses[i].items)
            top = std::min(top, item.cavityTopRel);
        SCOPED_TRACE(QStringLiteral("cavity top %1 mm").arg(top).toStdString());
        EXPECT_LE(pauses[i].previousTop - kLayer / 2, top + 1e-6) << "the last layer printed covers the cavity";
        EXPECT_GT(pauses[i].nextTop - kLayer / 2, top) << "the next layer still leaves the cavity open";
        EXPECT_NEAR(plan.pauses[i].z, pauses[i].previousTop, 1e-3) << "the plan names the layer printed last";
    }
}

// The slicer prints a layer only when its middle lies below the part's top: a 10.05 mm part
// has 50 layers of 0.2 mm, not 51. A cavity reaching that top is inserted at the end, and the
// plan, its reports and the export's summary promise no pause that the G-code does not make.
TEST_F(ThreeMfSlicer, PartTopJustAboveABoundaryAddsNoLayerNorPause)
{
    build(10.05, true, {{7.0, 5.0, 4.0}}); // every conductor inside the part
    const QStringList gcode = sliceWith(4);
    QStringList layers;
    for (const QString& line : gcode) {
        if (line.startsWith(";Z:") && !layers.contains(line))
            layers << line;
    }
    EXPECT_EQ(layers.size(), 50);
    EXPECT_EQ(plan.layerCount, int(layers.size()));
    EXPECT_TRUE(PrintPlanGenerator::toText(plan).contains(QStringLiteral("— 50 layer(s)")));

    ASSERT_EQ(plan.endInsertions.size(), 1) << PrintPlanGenerator::toText(plan).toStdString();
    const PrintPlanItem& atTop = plan.endInsertions.first();
    EXPECT_TRUE(atTop.ref.endsWith(QStringLiteral("_top")));
    EXPECT_NEAR(atTop.cavityTopRel, 10.05, 1e-6);
    EXPECT_TRUE(PrintPlanGenerator::toCsv(plan).contains(QStringLiteral("\nend;;;\"") + atTop.ref + '"'));

    ASSERT_GE(plan.pauses.size(), 2);
    EXPECT_LT(plan.pauses.last().layer, plan.layerCount);
    EXPECT_EQ(summary.nativePauseCount, plan.pauses.size());
    const QList<SlicedPause> pauses = slicedPauses(gcode);
    ASSERT_EQ(pauses.size(), plan.pauses.size());
    for (int i = 0; i < pauses.size(); ++i)
        EXPECT_NEAR(pauses[i].previousTop, plan.pauses[i].z, 1e-3);
}
