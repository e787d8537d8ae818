// Meshing for 3MF:
// - MultiSolid/<tiles>: a part made of many solids with B-spline faces (touching tiles, half of
//   them with rounded edges, and balls on them), as a STEP assembly gives it: 35, 70 and 140
//   tiles. Beside ThreeMfExporter::triangulate, the same run measures a floor: the mesher on
//   the same shape and a copy of every face's nodes and triangles (x_floor = triangulate / floor).
// - HoledFloor/<pads>: a box carved under one BGA of KiCad's library (256 and 1,156 balls), its
//   cavity floor pierced by a hole per pad. ShapeMesher beside OpenCASCADE's default mesher on
//   the same part with the same deflections (x_default = ShapeMesher / default).
#include "designfixture.h"
#include "outputs/exportoptions.h"
#include "outputs/shapemesher.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <map>
#include <vector>

#include <benchmark/benchmark.h>

#include "benchmain.h"

namespace {

TopoDS_Shape tiles(int count)
{
    QList<TopoDS_Shape> solids;
    const int columns = 7;
    for (int i = 0; i < count; ++i) {
        const double x = 10.0 * (i % columns), y = 10.0 * (i / columns);
        TopoDS_Shape tile = BRepPrimAPI_MakeBox(gp_Pnt(x, y, 0.0), gp_Pnt(x + 10.0, y + 10.0, 12.0)).Shape();
        if (i % 2 == 0)
            tile = DesignFixture::roundedEdges(tile, 1.0);
        solids << DesignFixture::nurbs(tile)
               << DesignFixture::nurbs(BRepPrimAPI_MakeSphere(gp_Pnt(x + 5.0, y + 5.0, 12.0), 3.0).Shape());
    }
    return StepExporter::compoundOf(solids);
}

double seconds(QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) * 1e-9;
}

void BM_ThreeMfMeshMultiSolid(benchmark::State& state)
{
    const TopoDS_Shape part = tiles(int(state.range(0)));
    const double linear = 0.05, angular = 0.5;
    double total = 0.0, floor = 0.0;
    qsizetype triangles = 0;
    for (auto _ : state) {
        BRepTools::Clean(part);
        QElapsedTimer timer;
        timer.start();
        const ShellMesh mesh = ThreeMfExporter::triangulate(part, linear, angular, 0.0, nullptr);
        total = seconds(timer);
        triangles = mesh.triangles.size();

        state.PauseTiming();
        BRepTools::Clean(part);
        timer.restart();
        BRepMesh_IncrementalMesh(part, linear, false, angular, true);
        std::vector<double> nodes;
        std::vector<int> corners;
        for (TopExp_Explorer it(part, TopAbs_FACE); it.More(); it.Next()) {
            TopLoc_Location location;
            const Handle(Poly_Triangulation) t = BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
            if (t.IsNull())
                continue;
            for (int i = 1; i <= t->NbNodes(); ++i) {
                const gp_Pnt p = t->Node(i).Transformed(location.Transformation());
                nodes.insert(nodes.end(), {p.X(), p.Y(), p.Z()});
            }
            for (int i = 1; i <= t->NbTriangles(); ++i) {
                int a = 0, b = 0, c = 0;
                t->Triangle(i).Get(a, b, c);
                corners.insert(corners.end(), {a, b, c});
            }
        }
        benchmark::DoNotOptimize(nodes.data());
        benchmark::DoNotOptimize(corners.data());
        floor = seconds(timer);
        state.ResumeTiming();
    }
    state.counters["total_s"] = total;
    state.counters["floor_s"] = floor;
    state.counters["x_floor"] = floor > 0.0 ? total / floor : 0.0;
    state.counters["triangles"] = double(triangles);
}

// The BGA of that many balls in KiCad's library, centred on a box 13 mm wider, sunk 5 mm.
TopoDS_Shape holedFloorPart(int pads)
{
    static std::map<int, TopoDS_Shape> built;
    if (built.count(pads))
        return built[pads];
    const QString footprint = pads == 256
                                  ? QStringLiteral("BGA-256_17.0x17.0mm_Layout16x16_P1.0mm_Ball0.5mm_Pad0.4mm_NSMD")
                                  : QStringLiteral("BGA-1156_35.0x35.0mm_Layout34x34_P1.0mm");
    const double side = (pads == 256 ? 17.0 : 35.0) + 13.0;
    QMap<QString, PlacedComponentData> components;
    const PlacedComponentData bga = DesignFixture::kicadComponent(
        QStringLiteral("U1"), QStringLiteral("Package_BGA:") + footprint, gp_Pnt(side / 2, side / 2, 10.0));
    if (bga.hasMissingFootprint || bga.pads.size() != pads)
        return TopoDS_Shape();
    components.insert(bga.ref, bga);
    AssemblyInput input;
    input.mainPart = DesignFixture::box(0, 0, 0, side, side, 15.0);
    input.components = &components;
    return built[pads] = StepExporter::buildAssembly(input, ExportOptions()).part;
}

void BM_ThreeMfMeshHoledFloor(benchmark::State& state)
{
    const TopoDS_Shape part = holedFloorPart(int(state.range(0)));
    if (part.IsNull()) {
        state.SkipWithError("KiCad footprint library not installed");
        return;
    }
    const double linear = 0.05, angular = 0.5;
    double mesher = 0.0, usual = 0.0;
    for (auto _ : state) {
        BRepTools::Clean(part);
        QElapsedTimer timer;
        timer.start();
        ShapeMesher::mesh(part, linear, angular);
        mesher = seconds(timer);

        state.PauseTiming();
        BRepTools::Clean(part);
        timer.restart();
        BRepMesh_IncrementalMesh(part, linear, false, angular, true);
        usual = seconds(timer);
        state.ResumeTiming();
    }
    state.counters["mesher_s"] = mesher;
    state.counters["default_s"] = usual;
    state.counters["x_default"] = usual > 0.0 ? mesher / usual : 0.0;
}

} // namespace

BENCHMARK(BM_ThreeMfMeshMultiSolid)->Arg(35)->Arg(70)->Arg(140)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ThreeMfMeshHoledFloor)->Arg(256)->Arg(1156)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
