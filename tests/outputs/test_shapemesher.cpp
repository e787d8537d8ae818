// The 3MF meshing of a part whose cavity floor is pierced by a real KiCad BGA's pad holes: the
// floor goes to the triangulation for many holes, and the written mesh is still closed and
// encloses the carved part's volume.
#include "meshchecks.h"
#include "testsupport.h"

#include "components/footprintmanager.h"
#include "outputs/shapemesher.h"
#include "outputs/printplan.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <AIS_InteractiveContext.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <V3d_Viewer.hxx>

#include <gtest/gtest.h>

namespace {

TEST(ShapeMesher, BgaCavityFloorMeshesClosedAroundEveryPadHole)
{
    const QString folder = TestSupport::kicadFootprintRoot() + QStringLiteral("/Package_BGA.pretty");
    if (!QFileInfo(folder).isDir())
        GTEST_SKIP() << "KiCad footprint library not installed";
    opencascade::handle<Aspect_DisplayConnection> connection;
    const opencascade::handle<AIS_InteractiveContext> context =
        new AIS_InteractiveContext(new V3d_Viewer(new OpenGl_GraphicDriver(connection, false)));
    FootprintManager library;
    library.addSearchPath(folder);
    library.buildFootprintIndex();
    QMap<QString, PlacedComponentData> components;
    const PlacedComponentData placed = library.createPlacedComponent(
        QStringLiteral("U1"), QStringLiteral("BGA-256_17.0x17.0mm_Layout16x16_P1.0mm_Ball0.5mm_Pad0.4mm_NSMD"),
        gp_Pnt(15.0, 15.0, 10.0), context);
    ASSERT_FALSE(placed.hasMissingFootprint);
    ASSERT_EQ(placed.pads.size(), 256);
    components.insert(placed.ref, placed);

    AssemblyInput input;
    input.mainPart = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(30, 30, 15)).Shape();
    input.components = &components;
    const AssemblyResult assembly = StepExporter::buildAssembly(input, ExportOptions());
    ASSERT_TRUE(assembly.carvedInOneCut);

    // The pads open into the body's cavity: its floor holds a hole per pad.
    int mostWires = 0;
    for (TopExp_Explorer face(assembly.part, TopAbs_FACE); face.More(); face.Next()) {
        int wires = 0;
        for (TopExp_Explorer wire(face.Current(), TopAbs_WIRE); wire.More(); wire.Next())
            ++wires;
        mostWires = std::max(mostWires, wires);
    }
    EXPECT_GE(mostWires, 257);
    ASSERT_GE(mostWires, ShapeMesher::kManyWires);

    const ExportOptions options;
    MeshCheckCounts counts;
    const ShellMesh mesh = ThreeMfExporter::triangulate(assembly.part, options.linearDeflection,
                                                        options.angularDeflection, assembly.smallestFeature, &counts);
    EXPECT_EQ(counts.unmeshedFaces, 0);
    EXPECT_EQ(counts.openShells, 0);
    EXPECT_EQ(counts.nonManifoldEdges, 0);
    EXPECT_EQ(counts.flippedShells, 0);
    // Chords inside the round pad holes add a little volume: at most 1 %.
    const double volume = StepExporter::volumeOf(assembly.part);
    EXPECT_NEAR(MeshChecks::enclosedVolume(mesh), volume, 0.01 * (30.0 * 30.0 * 15.0 - volume));

    // The slicer reads the whole package as closed.
    if (QStandardPaths::findExecutable(QStringLiteral("prusa-slicer")).isEmpty())
        return;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bga.3mf"));
    ExportOptions noPlan = options;
    noPlan.embedPlanTxt = noPlan.embedPlanCsv = false;
    noPlan.nativePauses = false;
    ASSERT_TRUE(ThreeMfExporter().exportThreeMf(path, input, PrintPlan(), noPlan).ok);
    QProcess slicer;
    slicer.setProcessChannelMode(QProcess::MergedChannels);
    slicer.start(QStringLiteral("prusa-slicer"), {QStringLiteral("--info"), path});
    ASSERT_TRUE(slicer.waitForFinished(300000));
    const QString info = QString::fromUtf8(slicer.readAll());
    EXPECT_TRUE(info.contains(QStringLiteral("manifold = yes"))) << info.toStdString();
}

} // namespace
