// The assembly of real designs (KiCad netlists, KiCad footprints, routed nets): the part is cut
// in one cut and sound, each conductor group is its volumes fused, the part loses exactly what
// the volumes occupy, and the STEP file reads back as that assembly.
#include "designfixture.h"
#include "logcapture.h"
#include "testsupport.h"

#include "outputs/stepexporter.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <TopTools_ListOfShape.hxx>

#include <QSet>

#include <map>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using DesignFixture::Design;

struct DesignRow
{
    const char* netlist;
    int maxComponents;
};

void PrintTo(const DesignRow& row, std::ostream* out) { *out << row.netlist << "/" << row.maxComponents; }

class RealDesign : public ::testing::TestWithParam<DesignRow>
{
protected:
    void SetUp() override
    {
        QString reason;
        design = DesignFixture::realDesign(QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/")
                                               + QString::fromUtf8(GetParam().netlist),
                                           15.0, 10.0, GetParam().maxComponents, &reason);
        if (design.part.IsNull())
            GTEST_SKIP() << reason.toStdString();
        ASSERT_FALSE(design.components.isEmpty());
        ASSERT_FALSE(design.routes.isEmpty());
    }
    Design design;
};

// Volume the part shares with every collected volume, computed here with one fuse and one common.
double carvedAwayVolume(const TopoDS_Shape& part, const QList<CollectedVolume>& volumes)
{
    TopTools_ListOfShape first, others;
    first.Append(volumes.first().shape);
    for (int i = 1; i < volumes.size(); ++i)
        others.Append(volumes.at(i).shape);
    BRepAlgoAPI_Fuse fuse;
    fuse.SetArguments(first);
    fuse.SetTools(others);
    fuse.Build();
    EXPECT_TRUE(fuse.IsDone());
    BRepAlgoAPI_Common common(part, fuse.Shape());
    EXPECT_TRUE(common.IsDone());
    return TestSupport::volumeOf(common.Shape());
}

TEST_P(RealDesign, OneCutGivesASoundPartAndEachGroupItsVolumesFused)
{
    const ExportOptions options;
    const AssemblyResult oneCut = StepExporter::buildAssembly(design.input(), options);
    EXPECT_TRUE(oneCut.carvedInOneCut);
    ASSERT_FALSE(oneCut.part.IsNull());
    EXPECT_TRUE(OccUtils::isValidShape(oneCut.part));
    EXPECT_FALSE(oneCut.partInvalid);
    EXPECT_EQ(oneCut.cavitiesFailed, 0);
    // Each group, fused here from its volumes.
    std::map<QString, QList<TopoDS_Shape>> groups;
    for (const CollectedVolume& volume : StepExporter::collectVolumes(design.input(), options)) {
        if (volume.kind == PadVolume)
            groups[volume.name.section(QLatin1Char('/'), 0, 0)].append(volume.shape);
        else if (volume.kind == RouteVolume)
            groups[QStringLiteral("Piste_") + volume.name].append(volume.shape);
    }
    ASSERT_EQ(oneCut.conductors.size(), int(groups.size()));
    int i = 0;
    for (const auto& [name, shapes] : groups) {
        const ConductorGroup& group = oneCut.conductors.at(i++);
        EXPECT_EQ(group.name, name);
        TopTools_ListOfShape first, others;
        for (const TopoDS_Shape& shape : shapes)
            (first.IsEmpty() ? first : others).Append(shape);
        double fused = TestSupport::volumeOf(shapes.first());
        if (!others.IsEmpty()) {
            BRepAlgoAPI_Fuse fuse;
            fuse.SetArguments(first);
            fuse.SetTools(others);
            fuse.Build();
            ASSERT_TRUE(fuse.IsDone());
            fused = TestSupport::volumeOf(fuse.Shape());
        }
        EXPECT_NEAR(TestSupport::volumeOf(group.shape), fused, 1e-3) << name.toStdString();
    }
}

// The STEP file, read back by OpenCASCADE, is the carved part and one solid per group, and the
// part has lost exactly what the collected volumes occupy.
TEST_P(RealDesign, StepFileHoldsThePartLessExactlyWhatTheVolumesOccupy)
{
    const ExportOptions options;
    const QList<CollectedVolume> volumes = StepExporter::collectVolumes(design.input(), options);
    ASSERT_FALSE(volumes.isEmpty());
    const double expected = TestSupport::volumeOf(design.part) - carvedAwayVolume(design.part, volumes);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("board.step"));
    const StepExportSummary summary = StepExporter::exportStep(path, design.input(), options);
    ASSERT_TRUE(summary.success) << summary.error.toStdString();
    // Every component is in the part; a track wholly inside earlier cavities (tracks of this
    // layout overlap) removes nothing of its own and is no cavity.
    EXPECT_EQ(summary.componentsOutside, 0);
    EXPECT_GT(summary.cavitiesOk, 0);
    EXPECT_LE(summary.cavitiesOk, volumes.size());
    EXPECT_EQ(summary.cavitiesFailed + summary.groupsNotFused, 0);
    const DesignFixture::ReadBack back = DesignFixture::readStep(path);
    ASSERT_EQ(back.names.size(), summary.conductorGroups + 1);
    EXPECT_EQ(back.names.first(), QStringLiteral("Vantorquelle_Piece"));
    // The volumes are healed before carving and the cut runs with a small fuzzy value.
    EXPECT_NEAR(TestSupport::volumeOf(back.shapes.first()), expected, 1e-4 * TestSupport::volumeOf(design.part));
    for (int i = 1; i < back.names.size(); ++i)
        EXPECT_TRUE(back.names.at(i).startsWith(QStringLiteral("Cond_"))) << back.names.at(i).toStdString();

    const AssemblyResult result = StepExporter::buildAssembly(design.input(), options);
    // One group per component with pads, one per routed net.
    QSet<QString> expectedGroups;
    for (const PlacedComponentData& component : std::as_const(design.components))
        if (!component.pads.isEmpty())
            expectedGroups.insert(component.ref);
    for (const Route& route : std::as_const(design.routes))
        expectedGroups.insert(QStringLiteral("Piste_") + route.netName);
    EXPECT_EQ(result.conductorGroups, expectedGroups.size());
}

INSTANTIATE_TEST_SUITE_P(KicadNetlists, RealDesign,
                         ::testing::Values(DesignRow{"ecc83-pp.net", -1}, DesignRow{"sonde_xilinx.net", 12}));

} // namespace
