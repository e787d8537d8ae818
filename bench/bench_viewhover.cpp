// Cost of one mouse move in the Orientation mode, where the face under the cursor is
// highlighted: within one face (no overlay rebuild) and from face to face (rebuild), on parts
// of growing face count. Also the cursor projection used by routing on every move.
// Needs an X server (run under xvfb-run).
#include "benchmain.h"
#include "view/modecontroller.h"
#include "view/occwidget.h"

#include <BRepPrimAPI_MakeBox.hxx>
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
        : part(boxGrid(n))
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

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
