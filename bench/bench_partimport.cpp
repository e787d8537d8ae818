// Part import: STL meshes of about 1,000, 10,000 and 100,000 triangles (a tessellated torus
// written by OCCT), the sewing reference on the smaller ones, and a STEP part of a few
// hundred faces (about 500). Peak memory, one fresh process per size: "bench_partimport --make <triangles>
// <file>" writes the mesh, then "bench_partimport --peak <file> [sewing]" imports it once and
// prints the resident-set high-water mark (getrusage ru_maxrss) before and after the import.
#include "foundation/stepimporter.h"
#include "foundation/stlimporter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeTorus.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Poly_Triangulation.hxx>
#include <STEPControl_Writer.hxx>
#include <StlAPI_Writer.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

int triangleCount(const TopoDS_Shape& shape)
{
    int n = 0;
    for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation) t = BRep_Tool::Triangulation(TopoDS::Face(ex.Current()), location);
        if (!t.IsNull())
            n += t->NbTriangles();
    }
    return n;
}

// A closed torus (R 40, r 12 mm) tessellated to roughly the wanted number of triangles.
QString torusStl(int wanted, bool ascii = false)
{
    static std::map<std::pair<int, bool>, QString> cache;
    if (cache.count({wanted, ascii}))
        return cache[{wanted, ascii}];
    double deflection = 0.5;
    TopoDS_Shape torus;
    for (int attempt = 0; attempt < 12; ++attempt) {
        torus = BRepPrimAPI_MakeTorus(40.0, 12.0).Shape();
        BRepMesh_IncrementalMesh(torus, deflection, false, 0.5, false);
        const int n = triangleCount(torus);
        if (std::abs(n - wanted) < wanted / 10)
            break;
        deflection *= double(n) / wanted;
    }
    const QString path = workDir().filePath(QString("torus_%1%2.stl").arg(wanted).arg(ascii ? "_ascii" : ""));
    StlAPI_Writer writer;
    writer.ASCIIMode() = ascii;
    writer.Write(torus, path.toUtf8().constData());
    cache[{wanted, ascii}] = path;
    return path;
}

// A plate drilled with a grid of holes and pockets: about 500 faces.
QString drilledPlateStep()
{
    static QString path;
    if (!path.isEmpty())
        return path;
    TopoDS_Shape plate = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 120.0, 120.0, 6.0).Shape();
    TopoDS_Compound holes;
    BRep_Builder builder;
    builder.MakeCompound(holes);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            builder.Add(holes, BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(10 + 11 * i, 10 + 11 * j, -1), gp::DZ()),
                                                        3.0, 8.0)
                                   .Shape());
    // Square pockets between the holes, open at the top: five faces each.
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 9; ++j)
            builder.Add(holes, BRepPrimAPI_MakeBox(gp_Pnt(14 + 11 * i, 14 + 11 * j, 4.0), 3.0, 3.0, 3.0).Shape());
    plate = BRepAlgoAPI_Cut(plate, holes).Shape();
    path = workDir().filePath("plate.step");
    STEPControl_Writer writer;
    writer.Transfer(plate, STEPControl_AsIs);
    writer.Write(path.toUtf8().constData());
    return path;
}

void runStlImport(benchmark::State& state, StlImportResult (*import)(const QString&, double), bool ascii = false)
{
    const QString path = torusStl(int(state.range(0)), ascii);
    StlImportResult r;
    for (auto _ : state) {
        r = import(path, -1.0);
        benchmark::DoNotOptimize(r.shape);
    }
    state.counters["triangles"] = r.triangleCount;
    state.counters["faces"] = r.faceCount;
    state.counters["valid"] = r.valid && r.closed && r.solidBuilt;
}

void BM_StlImport(benchmark::State& state)
{
    runStlImport(state, &StlImporter::importStl);
}
BENCHMARK(BM_StlImport)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StlImportAscii(benchmark::State& state)
{
    runStlImport(state, &StlImporter::importStl, true);
}
BENCHMARK(BM_StlImportAscii)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The sewing reference; 100,000 triangles take minutes that way, so only the smaller sizes.
void BM_StlImportBySewing(benchmark::State& state)
{
    runStlImport(state, &StlImporter::importStlBySewing);
}
BENCHMARK(BM_StlImportBySewing)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StepImport(benchmark::State& state)
{
    const QString path = drilledPlateStep();
    int faces = 0;
    for (auto _ : state) {
        const StepImportResult r = StepImporter::importStep(path);
        faces = 0;
        for (const TopoDS_Shape& s : r.shapes)
            for (TopExp_Explorer ex(s, TopAbs_FACE); ex.More(); ex.Next())
                ++faces;
    }
    state.counters["faces"] = faces;
}
BENCHMARK(BM_StepImport)->Unit(benchmark::kMillisecond);

// The safety scan that every STEP import runs first (entity numbers and reference cycles);
// its cost on a normal import is this figure over BM_StepImport's, the same file, same run.
void BM_StepEntityCheck(benchmark::State& state)
{
    const QString path = drilledPlateStep();
    QString reason;
    bool ok = false;
    for (auto _ : state)
        ok = StepImporter::checkEntityReferences(path, reason);
    state.counters["ok"] = ok;
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_StepEntityCheck)->Unit(benchmark::kMillisecond);

long maxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "--make") == 0) {
        const QString made = torusStl(std::atoi(argv[2]));
        QFile::remove(QString::fromLocal8Bit(argv[3]));
        return QFile::copy(made, QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--peak") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        const bool sewing = argc >= 4 && std::strcmp(argv[3], "sewing") == 0;
        const long before = maxRssKb();
        QElapsedTimer timer;
        timer.start();
        const StlImportResult r = sewing ? StlImporter::importStlBySewing(path) : StlImporter::importStl(path);
        const qint64 ms = timer.elapsed();
        const long after = maxRssKb();
        std::printf("%s triangles=%d faces=%d closed=%d solid=%d valid=%d time=%lld ms peakRSS=%ld MB "
                    "(before import %ld MB)\n",
                    sewing ? "sewing" : "direct", r.triangleCount, r.faceCount, int(r.closed), int(r.solidBuilt),
                    int(r.valid), static_cast<long long>(ms), after / 1024, before / 1024);
        return r.ok ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
