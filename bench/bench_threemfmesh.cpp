// Meshing for 3MF of a part made of many solids with B-spline faces (touching tiles, half of
// them with rounded edges, and balls on them), as a STEP assembly gives it: 35, 70 and 140
// tiles. Beside ThreeMfExporter::triangulate, the same run measures a floor: the mesher on the
// same shape and a copy of every face's nodes and triangles (x_floor = triangulate / floor).
#include "designfixture.h"
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

} // namespace

BENCHMARK(BM_ThreeMfMeshMultiSolid)->Arg(35)->Arg(70)->Arg(140)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
