// Cost of one mouse move in the Orientation mode, where the face under the cursor is
// highlighted: within one face (no overlay rebuild) and from face to face (rebuild), on parts
// of growing face count. Also the cursor projection used by routing on every move. On an
// imported mesh part (a torus knot of 10k and 100k one-triangle faces): a move from face to
// face, and the redisplay an orienting click ends with, against one frame (16.7 ms).
// Needs an X server (run under xvfb-run).
#include "benchmain.h"
#include "view/modecontroller.h"
#include "view/occwidget.h"

#include "foundation/stlimporter.h"
#include "meshshapes.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <QFile>
#include <QTemporaryDir>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>
#include <V3d_View.hxx>

#include <QApplication>
#include <QMouseEvent>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// n x n boxes of 8 x 8 x 4 mm on a 10 mm pitch: 6 n^2 faces.
TopoDS_Shape boxGrid(int n)
{
    TopoDS_Compound compound;
    BRep_Builder builder;
    builder.MakeCompound(compound);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            builder.Add(compound, BRepPrimAPI_MakeBox(gp_Pnt(i * 10.0 - 90, j * 10.0 - 90, 3), 8, 8, 4).Shape());
    return compound;
}

struct HoverScene
{
    explicit HoverScene(int n)
        : HoverScene(boxGrid(n))
    {
    }

    explicit HoverScene(const TopoDS_Shape& shape)
        : part(shape)
    {
        widget.resize(800, 600);
        widget.show();
        QElapsedTimer timer;
        timer.start();
        while (widget.context().IsNull() && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        widget.setMainShapeProvider([this] { return part; });
        widget.displayShape(part);
        widget.view()->SetProj(V3d_Zpos);
        widget.fitAll();
        widget.setSelectionActive(true);
    }

    QPoint screenOf(double x, double y, double z) const
    {
        int xp = 0, yp = 0;
        widget.view()->Convert(x, y, z, xp, yp);
        return QPoint(xp, yp);
    }

    void hover(const QPoint& pos)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(pos), QPointF(widget.mapToGlobal(pos)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }

    OccWidget widget;
    TopoDS_Shape part;
};

// Moves the cursor back and forth between two points given in world coordinates (z = 7, the tops).
void hoverBetween(benchmark::State& state, double ax, double ay, double bx, double by)
{
    HoverScene scene(static_cast<int>(state.range(0)));
    const QPoint a = scene.screenOf(ax, ay, 7), b = scene.screenOf(bx, by, 7);
    int i = 0;
    for (auto _ : state)
        scene.hover(++i % 2 ? a : b);
    state.counters["faces"] = 6.0 * state.range(0) * state.range(0);
}

void BM_HoverWithinOneFace(benchmark::State& state)
{
    hoverBetween(state, -87, -87, -85, -85);
}
BENCHMARK(BM_HoverWithinOneFace)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_HoverFromFaceToFace(benchmark::State& state)
{
    hoverBetween(state, -86, -86, -76, -86);
}
BENCHMARK(BM_HoverFromFaceToFace)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_ProjectScreenToPlane(benchmark::State& state)
{
    HoverScene scene(1);
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.widget.projectScreenToPlane(QPoint(100 + (++i % 400), 300), 5.1));
}
BENCHMARK(BM_ProjectScreenToPlane)->Unit(benchmark::kMicrosecond);

TopoDS_Shape meshPart(int triangles)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QString("knot%1.stl").arg(triangles));
    if (!QFile::exists(path))
        MeshShapes::writeBinaryStl(path, MeshShapes::torusKnot(triangles));
    return StlImporter::importStl(path).shape;
}

// The centre of the highest face on each side of x = 0: both in sight from above.
std::pair<gp_Pnt, gp_Pnt> topFaces(const TopoDS_Shape& shape)
{
    gp_Pnt best[2] = {gp_Pnt(0, 0, -1e9), gp_Pnt(0, 0, -1e9)};
    for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
        gp_XYZ sum(0, 0, 0);
        for (TopExp_Explorer v(ex.Current(), TopAbs_VERTEX); v.More(); v.Next())
            sum += BRep_Tool::Pnt(TopoDS::Vertex(v.Current())).XYZ();
        const gp_Pnt centre(sum / 6.0); // each corner is met twice, once per edge
        gp_Pnt& slot = best[centre.X() < 0 ? 0 : 1];
        if (centre.Z() > slot.Z())
            slot = centre;
    }
    return {best[0], best[1]};
}

void BM_MeshPartHoverFromFaceToFace(benchmark::State& state)
{
    HoverScene scene(meshPart(int(state.range(0))));
    const auto [first, second] = topFaces(scene.part);
    const QPoint a = scene.screenOf(first.X(), first.Y(), first.Z());
    const QPoint b = scene.screenOf(second.X(), second.Y(), second.Z());
    // The floor: one plain redraw of the same scene, which every highlight change costs.
    QElapsedTimer clock;
    clock.start();
    for (int k = 0; k < 5; ++k)
        scene.widget.view()->Redraw();
    const double redrawMs = double(clock.nsecsElapsed()) / 5e6;
    int i = 0;
    clock.restart();
    for (auto _ : state)
        scene.hover(++i % 2 ? a : b);
    const double moveMs = double(clock.nsecsElapsed()) / 1e6 / double(state.iterations());
    state.counters["redraw_ms"] = redrawMs;
    state.counters["ratio_to_redraw"] = moveMs / redrawMs;
}
BENCHMARK(BM_MeshPartHoverFromFaceToFace)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What an orienting click ends with: the part cleared, shown again and framed.
void BM_MeshPartRedisplay(benchmark::State& state)
{
    HoverScene scene(meshPart(int(state.range(0))));
    QElapsedTimer clock;
    clock.start();
    for (int k = 0; k < 5; ++k)
        scene.widget.view()->Redraw();
    const double redrawMs = double(clock.nsecsElapsed()) / 5e6;
    clock.restart();
    for (auto _ : state) {
        scene.widget.clearAll();
        scene.widget.displayShape(scene.part);
        scene.widget.fitAll();
        scene.widget.setSelectionActive(false);
        QCoreApplication::processEvents();
    }
    const double redisplayMs = double(clock.nsecsElapsed()) / 1e6 / double(state.iterations());
    state.counters["redraw_ms"] = redrawMs;
    state.counters["ratio_to_redraw"] = redisplayMs / redrawMs;
}
BENCHMARK(BM_MeshPartRedisplay)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
