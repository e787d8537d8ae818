// The real consumer: the slicer loads the exported package of a real design and slices it.
// Its G-code must hold one pause per plan pause, right after the plan's layer, with the
// pause's message, and the conductor volumes must follow the chosen perimeter count.
#include "logcapture.h"
#include "packagereader.h"
#include "threemfdesign.h"

#include "outputs/exportoptions.h"
#include "outputs/threemfexporter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr double kLayer = 0.2;

struct Slice
{
    bool ok = false;
    QString log;
    QStringList gcode;
};

Slice slice(const QString& package, const QString& gcodePath)
{
    Slice result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString layer = QString::number(kLayer);
    process.start(QStringLiteral("prusa-slicer"),
                  {"--export-gcode", "--dont-arrange", "--layer-height", layer, "--first-layer-height", layer, "-o",
                   gcodePath, package});
    const bool finished = process.waitForFinished(300000);
    result.log = QString::fromUtf8(process.readAll());
    QFile file(gcodePath);
    if (!finished || process.exitCode() != 0 || !file.open(QIODevice::ReadOnly))
        return result;
    result.gcode = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    result.ok = true;
    return result;
}

struct SlicedPause
{
    double layerTop = -1.0;    // ";Z:" of the layer the pause comes before
    double previousTop = -1.0; // the layer printed just before the pause
    QString message;
    bool hasPauseCode = false;
};

QList<SlicedPause> pausesOf(const QStringList& gcode)
{
    QList<SlicedPause> pauses;
    double current = -1.0, previous = -1.0;
    for (int i = 0; i < gcode.size(); ++i) {
        const QString& line = gcode[i];
        if (line.startsWith(QLatin1String(";Z:"))) {
            previous = current;
            current = line.mid(3).toDouble();
        } else if (line == QLatin1String(";PAUSE_PRINT")) {
            SlicedPause pause{current, previous, QString(), false};
            for (int j = i + 1; j < qMin(i + 6, int(gcode.size())); ++j) {
                if (gcode[j].startsWith(QLatin1String("M117 ")))
                    pause.message = gcode[j].mid(5);
                if (gcode[j].startsWith(QLatin1String("M601")))
                    pause.hasPauseCode = true;
            }
            pauses.append(pause);
        }
    }
    return pauses;
}

// Extrusion moves printed as perimeters.
int perimeterMoves(const QStringList& gcode)
{
    int moves = 0;
    bool inPerimeter = false;
    for (const QString& line : gcode) {
        if (line.startsWith(QLatin1String(";TYPE:")))
            inPerimeter = line.contains(QLatin1String("perimeter"), Qt::CaseInsensitive);
        else if (inPerimeter && line.startsWith(QLatin1String("G1 ")) && line.contains(QLatin1String(" E")))
            ++moves;
    }
    return moves;
}

class ThreeMfSlicer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("prusa-slicer")).isEmpty())
            GTEST_SKIP() << "prusa-slicer not installed";
        ThreeMfDesignSpec spec;
        spec.components = 6;
        spec.partX = 60.0;
        spec.partY = 40.0;
        spec.partZ = 12.0;
        QString why;
        if (!buildThreeMfDesign(spec, design, &why))
            GTEST_SKIP() << why.toStdString();
    }

    QString exportWith(int perimeters, const QString& name, ThreeMfExportSummary* summary = nullptr)
    {
        ExportOptions options;
        options.conductorPerimeters = perimeters;
        const QString path = dir.filePath(name);
        const ThreeMfExportSummary s = ThreeMfExporter().exportThreeMf(path, design.input(), plan, options);
        EXPECT_TRUE(s.ok) << s.error.toStdString();
        if (summary)
            *summary = s;
        return path;
    }

    ThreeMfDesign design;
    PrintPlan plan;
    QTemporaryDir dir;
};

} // namespace

TEST_F(ThreeMfSlicer, PausesComeRightAfterThePlansLayersWithTheirMessages)
{
    plan = design.plan(kLayer);
    ASSERT_TRUE(plan.ok) << plan.error.toStdString();
    ASSERT_GE(plan.pauses.size(), 2);
    ThreeMfExportSummary summary;
    const QString package = exportWith(4, "design.3mf", &summary);
    ASSERT_EQ(summary.nativePauseCount, plan.pauses.size());
    if (pythonAvailable()) {
        EXPECT_TRUE(readPackage(package).ok) << "the package is a sound ZIP";
    }

    const Slice sliced = slice(package, dir.filePath("design.gcode"));
    ASSERT_TRUE(sliced.ok) << sliced.log.toStdString();
    const QList<SlicedPause> pauses = pausesOf(sliced.gcode);
    ASSERT_EQ(pauses.size(), plan.pauses.size()) << sliced.log.toStdString();
    for (int i = 0; i < pauses.size(); ++i) {
        const PrintPlanPause& expected = plan.pauses[i];
        SCOPED_TRACE(QStringLiteral("pause after layer %1").arg(expected.layer).toStdString());
        // The printer stops once the plan's layer (top at the plan's z) is printed, before the next.
        EXPECT_NEAR(pauses[i].previousTop, expected.z, 1e-3);
        EXPECT_NEAR(pauses[i].layerTop, expected.z + kLayer, 1e-3);
        EXPECT_EQ(pauses[i].message, ThreeMfExporter::pauseMessage(expected));
        EXPECT_TRUE(pauses[i].hasPauseCode);
    }
}

TEST_F(ThreeMfSlicer, ConductorVolumesFollowThePerimeterCount)
{
    plan = design.plan(kLayer);
    const Slice few = slice(exportWith(1, "one.3mf"), dir.filePath("one.gcode"));
    const Slice many = slice(exportWith(6, "six.3mf"), dir.filePath("six.gcode"));
    ASSERT_TRUE(few.ok) << few.log.toStdString();
    ASSERT_TRUE(many.ok) << many.log.toStdString();
    // Only the conductor volumes carry the count, so only they can make the difference (the
    // slicer is deterministic; thin tracks have room for few loops, so the gain is modest).
    EXPECT_GT(perimeterMoves(many.gcode), perimeterMoves(few.gcode) * 1.03)
        << perimeterMoves(many.gcode) << " against " << perimeterMoves(few.gcode);
}
