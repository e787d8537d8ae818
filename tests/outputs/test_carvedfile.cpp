// The STEP file an export writes, read back with OpenCASCADE's reader alone and weighed against
// an independent cut made here: on random designs of KiCad footprints on a real part of many
// overlapping solids, the cavities the summary names are those the file still holds material in,
// and every solid of the file is valid with a volume above zero.
#include "designfixture.h"
#include "testsupport.h"

#include "foundation/stepimporter.h"
#include "outputs/stepexporter.h"

#include <QTemporaryDir>

#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using DesignFixture::boxedSolids;
using DesignFixture::heldBy;
using Boxed = DesignFixture::BoxedSolids;

Bnd_Box boxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box, false);
    return box;
}

// Each solid of part cut at once, without a fuzzy value, by every volume whose box meets it.
double independentCut(const TopoDS_Shape& part, const QList<CollectedVolume>& volumes)
{
    double left = 0.0;
    for (const auto& [solid, box] : boxedSolids(part)) {
        QList<TopoDS_Shape> tools;
        for (const CollectedVolume& volume : volumes)
            if (!boxOf(volume.shape).IsOut(box))
                tools.append(volume.shape);
        const TopoDS_Shape cut = tools.isEmpty() ? solid : DesignFixture::cutOf(solid, tools);
        EXPECT_FALSE(cut.IsNull());
        left += TestSupport::volumeOf(cut);
    }
    return left;
}

// Valid and holding a volume above zero.
bool sound(const TopoDS_Shape& solid)
{
    GProp_GProps props;
    BRepGProp::VolumeProperties(solid, props);
    return BRepCheck_Analyzer(solid).IsValid() && props.Mass() > 0.0;
}

int unsound(const Boxed& solids)
{
    int count = 0;
    for (const auto& [solid, box] : solids)
        count += sound(solid) ? 0 : 1;
    return count;
}

TEST(CarvedFile, ScatteredDesignsOnAManySolidPartNameWhatTheFileHolds)
{
    const StepImportResult read =
        StepImporter::importStep(QStringLiteral(VTQ_TEST_DATA_DIR "/parts/StickHub_models.step"));
    ASSERT_EQ(read.status, StepImportResult::Ok);
    const TopoDS_Shape hub = read.shapes.first();
    // Some of the part's own solids come unsound (letters of a model's print, edges under a
    // micron): the file may keep those, as they came, and the summary says so.
    const int unsoundOriginals = unsound(boxedSolids(hub));
    const struct
    {
        unsigned seed;
        int components;
    } rows[] = {{11, 20}, {12, 24}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seed);
        QString reason;
        const DesignFixture::Design design = DesignFixture::scatteredDesign(hub, row.seed, row.components, &reason);
        if (design.part.IsNull())
            GTEST_SKIP() << reason.toStdString();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("hub.step"));
        const StepExportSummary summary = StepExporter::exportStep(path, design.input(), ExportOptions());
        ASSERT_TRUE(summary.success) << summary.error.toStdString();
        const DesignFixture::ReadBack back = DesignFixture::readStep(path);
        ASSERT_FALSE(back.shapes.isEmpty());
        const Boxed written = boxedSolids(back.shapes.first());
        const int unsoundWritten = unsound(written);
        EXPECT_LE(unsoundWritten, unsoundOriginals);
        EXPECT_EQ(summary.partInvalid, unsoundWritten > 0);
        const QList<CollectedVolume> volumes = StepExporter::collectVolumes(design.input(), ExportOptions());
        QStringList holding;
        double held = 0.0;
        for (const CollectedVolume& volume : volumes) {
            const double in = heldBy(written, volume.shape);
            if (in > 1e-3) {
                holding.append(volume.name);
                held += in;
            }
        }
        QStringList named = summary.cavitiesNotCut;
        holding.sort();
        named.sort();
        EXPECT_EQ(holding.join(' ').toStdString(), named.join(' ').toStdString());
        // Beside what the named cavities hold, the file keeps what the independent cut keeps.
        double total = 0.0;
        for (const auto& [solid, box] : written)
            total += TestSupport::volumeOf(solid);
        EXPECT_NEAR(total - held, independentCut(hub, volumes), 0.05);
    }
}

} // namespace
