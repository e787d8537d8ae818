// Routing on a busy board: the clearance check of one new segment, and one mouse move of
// the rubber band while drawing. Boards keep the same track density, so growing the
// segment count grows the board, not the neighbourhood of the tested segment: the cost
// should follow the tracks near the segment. Floor: one exact distance between two
// segment solids, measured in the same run.
#include "benchmain.h"

#include "interaction/routingcontroller.h"
#include "interaction/routingviewport.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_Viewer.hxx>

#include <QApplication>

#include <cmath>

namespace {

constexpr int kPads = 400;
constexpr double kPitch = 6.0; // mm between neighbouring tracks

RouteSegment solidSegment(const gp_Pnt& a, const gp_Pnt& b)
{
    RouteSegment s;
    s.start = a;
    s.end = b;
    RoutingManager::buildSegmentShape(s);
    return s;
}

// segmentCount 4 mm segments of other nets on a square grid (one route per 10 segments),
// 400 pads spread over the same area, the tested net "NEW" with none of its own.
void fillBoard(RoutingManager& rm, int segmentCount)
{
    const int side = int(std::ceil(std::sqrt(double(segmentCount))));
    Route route;
    for (int i = 0; i < segmentCount; ++i) {
        const double x = (i % side) * kPitch;
        const double y = (i / side) * kPitch;
        route.segments.append(solidSegment(gp_Pnt(x, y, 0), gp_Pnt(x + 4.0, y, 0)));
        if (route.segments.size() == 10 || i + 1 == segmentCount) {
            route.netName = QStringLiteral("N%1").arg(i);
            route.isComplete = true;
            rm.addRoute(route);
            route = Route();
        }
    }
    QList<RoutingManager::PadObstacle> pads;
    const int padSide = int(std::ceil(std::sqrt(double(kPads))));
    const double padPitch = side * kPitch / padSide;
    for (int i = 0; i < kPads; ++i) {
        const double x = (i % padSide) * padPitch + kPitch / 2;
        const double y = (i / padSide) * padPitch + kPitch / 2;
        pads.append({QStringLiteral("P%1").arg(i), QStringLiteral("U%1/1").arg(i),
                     BRepPrimAPI_MakeBox(gp_Pnt(x - 0.5, y - 1.6, 0), 1.0, 1.0, 1.0).Shape(), Bnd_Box()});
    }
    rm.setPadObstacleProvider([pads] { return pads; });
}

gp_Pnt boardCentre(int segmentCount)
{
    const int side = int(std::ceil(std::sqrt(double(segmentCount))));
    return gp_Pnt(side / 2 * kPitch + 1.0, side / 2 * kPitch + 3.0, 0.0);
}

void BM_DistanceFloor(benchmark::State& state)
{
    const RouteSegment a = solidSegment(gp_Pnt(0, 0, 0), gp_Pnt(4, 0, 0));
    const RouteSegment b = solidSegment(gp_Pnt(0, 2.3, 0), gp_Pnt(4, 2.3, 0));
    for (auto _ : state)
        benchmark::DoNotOptimize(RoutingManager::solidDistance(a.shape, b.shape));
}
BENCHMARK(BM_DistanceFloor)->Unit(benchmark::kMicrosecond);

void BM_ClearanceCheck(benchmark::State& state)
{
    const int segments = int(state.range(0));
    RoutingManager rm;
    fillBoard(rm, segments);
    const gp_Pnt c = boardCentre(segments);
    // Between two rows of tracks, 0.3 mm short of the clearance to the row above.
    const RouteSegment tested = solidSegment(c, gp_Pnt(c.X() + 4.0, c.Y(), 0));
    for (auto _ : state)
        benchmark::DoNotOptimize(rm.checkCollision(tested, QStringLiteral("NEW")));
    state.counters["segments"] = segments;
    state.counters["pads"] = kPads;
}
BENCHMARK(BM_ClearanceCheck)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

class BenchViewPort : public RoutingViewPort
{
public:
    explicit BenchViewPort(const opencascade::handle<AIS_InteractiveContext>& context) : m_context(context) {}
    opencascade::handle<AIS_InteractiveContext> context() const override { return m_context; }
    gp_Pnt projectScreenToPlane(const QPoint& p, double z) const override { return gp_Pnt(p.x() / 10.0, p.y() / 10.0, z); }
    QPoint toDevicePixels(const QPoint& p) const override { return p; }
    opencascade::handle<AIS_InteractiveObject> detectAt(const QPoint&) override { return {}; }
    // Looking straight down, like projectScreenToPlane.
    bool cursorRay(const QPoint& p, gp_Pnt& origin, gp_Dir& direction, gp_Dir& projection) const override
    {
        origin = gp_Pnt(p.x() / 10.0, p.y() / 10.0, 1000.0);
        direction = gp_Dir(0, 0, -1);
        projection = gp_Dir(0, 0, 1);
        return true;
    }
    void setInteractionMode(int) override {}

private:
    opencascade::handle<AIS_InteractiveContext> m_context;
};

void BM_RubberBandMove(benchmark::State& state)
{
    const int segments = int(state.range(0));
    ProjectManager project;
    Netlist netlist;
    netlist.connections.append({QStringLiteral("NEW"), {PadId("A", "1"), PadId("B", "1")}});
    project.setNetlist(std::move(netlist));
    RoutingManager& rm = project.routingManager();
    fillBoard(rm, segments);

    opencascade::handle<Aspect_DisplayConnection> connection;
    opencascade::handle<AIS_InteractiveContext> context =
        new AIS_InteractiveContext(new V3d_Viewer(new OpenGl_GraphicDriver(connection, false)));
    RoutingController controller(&project, nullptr, std::make_unique<BenchViewPort>(context), nullptr);
    controller.setRoutingActive(true);
    const gp_Pnt c = boardCentre(segments);
    rm.startRouting(QStringLiteral("NEW"), PadId("A", "1"), c);
    int step = 0;
    for (auto _ : state) {
        const int dx = 20 + (step++ % 40);
        controller.onMouseMove(QPoint(int(c.X() * 10) + dx, int(c.Y() * 10)));
    }
    state.counters["segments"] = segments;
}
BENCHMARK(BM_RubberBandMove)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

// One hover update of track editing (corner search over every track, then the segment pick)
// per mouse move, the 16 ms throttle kept out of the way by the clock.
void BM_RouteEditHover(benchmark::State& state)
{
    const int segments = int(state.range(0));
    ProjectManager project;
    fillBoard(project.routingManager(), segments);
    opencascade::handle<Aspect_DisplayConnection> connection;
    opencascade::handle<AIS_InteractiveContext> context =
        new AIS_InteractiveContext(new V3d_Viewer(new OpenGl_GraphicDriver(connection, false)));
    RoutingController controller(&project, nullptr, std::make_unique<BenchViewPort>(context), nullptr);
    qint64 now = 0;
    controller.setClock([&now] { return now += 20; });
    controller.displayRoutedTracks();
    controller.setRouteEditActive(true);
    const gp_Pnt c = boardCentre(segments);
    int step = 0;
    for (auto _ : state) {
        const int dx = step++ % 60;
        controller.onRouteEditMouseMoved(QPoint(int(c.X() * 10) + dx, int(c.Y() * 10) + 5));
    }
    state.counters["segments"] = segments;
}
BENCHMARK(BM_RouteEditHover)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
