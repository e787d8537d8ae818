// Saving and loading a project whose part has about 10,000 faces: a plate with a grid of
// blind cylindrical pockets (two faces each), with and without the display mesh that a
// shown part carries.
#include "benchmain.h"
#include "model/footprintdata.h"
#include "project/projectmanager.h"
#include "model/savedcomponent.h"

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <gp_Ax2.hxx>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kPocketsPerSide = 71; // 71 x 71 pockets -> 6 + 2 * 5041 faces

TopoDS_Shape pocketedPlate()
{
    const double pitch = 2.0;
    const double side = kPocketsPerSide * pitch + 2.0;
    TopTools_ListOfShape arguments;
    arguments.Append(BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), side, side, 10).Shape());
    TopTools_ListOfShape tools;
    for (int i = 0; i < kPocketsPerSide; ++i)
        for (int j = 0; j < kPocketsPerSide; ++j)
            tools.Append(BRepPrimAPI_MakeCylinder(
                             gp_Ax2(gp_Pnt(2.0 + i * pitch, 2.0 + j * pitch, 5), gp::DZ()), 0.5, 6)
                             .Shape());
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(arguments);
    cut.SetTools(tools);
    cut.SetRunParallel(true);
    cut.Build();
    return cut.IsDone() ? cut.Shape() : TopoDS_Shape();
}

const TopoDS_Shape& plate(bool meshed)
{
    static const TopoDS_Shape bare = pocketedPlate();
    static const TopoDS_Shape withMesh = [] {
        TopoDS_Shape copy = pocketedPlate();
        BRepMesh_IncrementalMesh(copy, 0.1, false, 0.5, true);
        return copy;
    }();
    return meshed ? withMesh : bare;
}

int faceCount(const TopoDS_Shape& shape)
{
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(shape, TopAbs_FACE, faces);
    return faces.Extent();
}

void fillProject(ProjectManager& project, bool meshed)
{
    project.addShape(plate(meshed));
    project.setMainShapeIndex(0);
}

void BM_SaveProject(benchmark::State& state)
{
    const bool meshed = state.range(0) != 0;
    ProjectManager project;
    fillProject(project, meshed);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plate.vtq"));
    for (auto _ : state) {
        if (!project.saveProject(path, {}, {}, false))
            state.SkipWithError(qPrintable(project.lastError()));
    }
    state.counters["faces"] = faceCount(plate(meshed));
    state.counters["fileMB"] = double(QFileInfo(path).size()) / 1e6;
}

void BM_LoadProject(benchmark::State& state)
{
    const bool meshed = state.range(0) != 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plate.vtq"));
    {
        ProjectManager source;
        fillProject(source, meshed);
        if (!source.saveProject(path, {}, {}, false)) {
            state.SkipWithError("save failed");
            return;
        }
    }
    ProjectManager project;
    for (auto _ : state) {
        QList<QJsonObject> placed;
        QList<FootprintData> footprints;
        if (!project.loadProject(path, placed, footprints))
            state.SkipWithError(qPrintable(project.lastError()));
    }
    state.counters["faces"] = faceCount(project.mainShape());
    state.counters["fileMB"] = double(QFileInfo(path).size()) / 1e6;
}

} // namespace

BENCHMARK(BM_SaveProject)->ArgName("meshed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProject)->ArgName("meshed")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
