// The names an export gives the cavities it could not cut, on a real part of many solids: each
// named volume still holds material in the file written, and each volume that does is named.
#include "designfixture.h"
#include "testsupport.h"

#include "foundation/stepimporter.h"
#include "outputs/stepexporter.h"

#include <QTemporaryDir>

#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using DesignFixture::boxedSolids;
using DesignFixture::heldBy;
using Boxed = DesignFixture::BoxedSolids;

// KiCad's StickHub assembly (119 solids: the board and its models) with 30 components of KiCad's
// library in rows across the board, over its models and between them, with square, rounded and
// round pads: the names in the summary are the volumes that a common made here with the part
// read back from the file finds holding more than a thousandth of a mm³. What the one cut
// leaves is cut again finer, then alone; those cuts leave corners about 0.026 mm loose over
// cavities that hold nothing, which were named. A body's cavity that the finer cut took nothing
// more from still counts as cut.
TEST(CavityNames, RealPartNamesWhatItsFileStillHolds)
{
    const StepImportResult read =
        StepImporter::importStep(QStringLiteral(VTQ_TEST_DATA_DIR "/parts/StickHub_models.step"));
    ASSERT_EQ(read.status, StepImportResult::Ok);
    const TopoDS_Shape part = read.shapes.first();
    // The components stand on the board's top.
    double x0 = 0.0, y0 = 0.0, z0 = 0.0, x1 = 0.0, y1 = 0.0, z1 = 0.0;
    DesignFixture::boardBox(part).Get(x0, y0, z0, x1, y1, z1);
    static const char* const footprints[] = {
        "Resistor_SMD:R_0805_2012Metric", "Capacitor_SMD:C_0603_1608Metric", "Package_SO:SOIC-8_3.9x4.9mm_P1.27mm",
        "LED_THT:LED_D5.0mm", "Package_TO_SOT_SMD:SOT-23", "Resistor_THT:R_Axial_DIN0207_L6.3mm_D2.5mm_P10.16mm_Horizontal"};
    constexpr int columns = 6, rows = 5;
    QMap<QString, PlacedComponentData> components;
    for (int i = 0; i < columns * rows; ++i) {
        const QString ref = QStringLiteral("U%1").arg(i + 1);
        const gp_Pnt at(x0 + (x1 - x0) * (i % columns + 0.5) / columns, y0 + (y1 - y0) * (i / columns + 0.5) / rows,
                        z1);
        const PlacedComponentData component =
            DesignFixture::kicadComponent(ref, QString::fromLatin1(footprints[i % 6]), at);
        if (component.hasMissingFootprint)
            GTEST_SKIP() << "KiCad footprint library not installed";
        components.insert(ref, component);
    }
    AssemblyInput input;
    input.mainPart = part;
    input.components = &components;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hub.step"));
    const StepExportSummary summary = StepExporter::exportStep(path, input, ExportOptions());
    ASSERT_TRUE(summary.success) << summary.error.toStdString();
    EXPECT_GT(summary.cavitiesOk, 80);
    const DesignFixture::ReadBack back = DesignFixture::readStep(path);
    ASSERT_FALSE(back.shapes.isEmpty());
    const Boxed solids = boxedSolids(back.shapes.first());
    QList<CollectedVolume> volumes = StepExporter::collectVolumes(input, ExportOptions());
    QStringList holding;
    for (const CollectedVolume& volume : std::as_const(volumes))
        if (heldBy(solids, volume.shape) > 1e-3)
            holding.append(volume.name);
    // Each volume takes what none carved before it took, the thickest first: each that takes
    // more than a thousandth of a mm³ of the part as it came and is not named counts as cut,
    // whatever a cut made again after the check took of it.
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const CollectedVolume& a, const CollectedVolume& b) { return a.featureHint > b.featureHint; });
    const Boxed uncut = boxedSolids(part);
    std::vector<Bnd_Box> boxes;
    for (const CollectedVolume& volume : std::as_const(volumes)) {
        ASSERT_GT(volume.featureHint, 0.0);
        boxes.emplace_back();
        BRepBndLib::Add(volume.shape, boxes.back(), false);
    }
    int taking = 0;
    for (int i = 0; i < volumes.size(); ++i) {
        TopTools_ListOfShape earlier;
        for (int j = 0; j < i; ++j)
            if (!boxes[size_t(j)].IsOut(boxes[size_t(i)]))
                earlier.Append(volumes.at(j).shape);
        TopoDS_Shape left = volumes.at(i).shape;
        if (!earlier.IsEmpty()) {
            BRepAlgoAPI_Cut cut;
            TopTools_ListOfShape argument;
            argument.Append(left);
            cut.SetArguments(argument);
            cut.SetTools(earlier);
            cut.Build();
            ASSERT_TRUE(cut.IsDone());
            left = cut.Shape();
        }
        taking += heldBy(uncut, left) > 1e-3 && !summary.cavitiesNotCut.contains(volumes.at(i).name) ? 1 : 0;
    }
    EXPECT_GE(summary.cavitiesOk, taking);
    QStringList named = summary.cavitiesNotCut;
    holding.sort();
    named.sort();
    EXPECT_EQ(holding.join(' ').toStdString(), named.join(' ').toStdString());
}

} // namespace
