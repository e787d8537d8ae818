// Track solids and the short check of a loaded design, beside their floors in the same run.
//
// Route solids: the 200 tracks of a 100-component board (two horizontal segments with one
// bend each, width 1, height 0.8; arg climb=1 puts a 4 mm post and a second run after the
// bend). Timed: the routing model's solids (RouteSolids), the one general fuse of every piece
// they replaced (RouteSolidsFused), the floor of one polygon outline of the same corners and
// one prism per run, nothing united (RouteSolidsFloor), and the headless track display
// (DisplayRoutedTracks: solids, presentations, meshing).
//
// Short check: 250 parallel tracks of 12 mm, 1.6 mm apart, each on its own net, running along
// X (diagonal=0, the floor) or at 45 degrees (diagonal=1), whose boxes then overlap dozens of
// neighbours'; one pair in ten touches.
//
// Steps in line: one track of steps=N segments of 0.1 mm in one straight line (width 1, height
// 0.8; the 5,000-step one took 35 s in the window when each step was a piece of one fuse),
// against the floor of its one straight segment (StepsInLine).
//
// Direction: a track going 400 mm out and half way back over itself (width_um = width in
// micrometres) at 45 degrees, against the same track along X (TrackDirection): the outline's
// work follows the track's length, not the square of its bounds.
//
// Fine staircase: a 2 mm wide track of 1,000 steps of 2 to 100 micrometres against the same at
// 0.1 mm (FineStaircase); thin tracks: 0.05 mm wide, 250 or 1,000 steps of 0.1 mm or a zigzag
// of 200 legs, against the same length straight and against the previous version
// (ThinTrackSolid), and 1,000 or 10,000 steps against the same run's traced outline
// (ThinStaircaseRoads); a traced staircase of 2,000 or 10,000 steps against a tenth of it
// (TracedStaircaseGrowth).
//
// Retraced with empty segments: see retracedSteps.
//
// The single tracks (StepsInLine, TrackDirection, FineStaircase, ThinTrackSolid,
// RetracedWithEmptySegments) are built as the window builds a track's solid, then checked
// against the copper its segments make, each in turn with its floor in every iteration: process
// CPU time and wall time (cpu_ms, wall_ms, ratio, ratio_wall). The ours/floor counters elsewhere
// are processor times of the benchmark's thread.
#include "benchmain.h"

#include "interaction/routingcontroller.h"
#include "interaction/routingviewport.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"
#include "routing/trackoutline.h"

#include <AIS_InteractiveContext.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <TopExp_Explorer.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_Viewer.hxx>

#include <QApplication>

#include <cmath>
#include <ctime>
#include <functional>
#include <memory>
#include <utility>

namespace {

constexpr int kComponents = 100;
constexpr double kWidth = 1.0;
constexpr double kHeight = 0.8;

RouteSegment piece(const gp_Pnt& a, const gp_Pnt& b, int type = RouteSegment::Horizontal)
{
    RouteSegment s;
    s.start = a;
    s.end = b;
    s.type = type;
    s.width = kWidth;
    s.height = kHeight;
    RoutingManager::buildSegmentShape(s);
    return s;
}

// Two tracks per component of a 10 x 10 grid on 100 x 80 mm, each leaving its pad towards the
// cell's lower corner; with climb, a post up 4 mm and a run on to the cell's edge.
QList<Route> boardRoutes(bool climb)
{
    QList<Route> routes;
    const double cellX = 10.0, cellY = 8.0, z = 9.0;
    for (int i = 0; i < kComponents; ++i) {
        const double cx = cellX * (i % 10 + 0.5), cy = cellY * (i / 10 + 0.5);
        for (int p = 0; p < 2; ++p) {
            const double dir = p == 0 ? -1.0 : 1.0;
            const double px = cx + dir * 1.5;
            const double x1 = cx + dir * (cellX * 0.5 - 1.0);
            const double y1 = cy - cellY * 0.35;
            Route route;
            route.netName = QStringLiteral("N%1_%2").arg(i + 1).arg(p + 1);
            route.startRef = QStringLiteral("R%1").arg(i + 1);
            route.startPad = QString::number(p + 1);
            route.isComplete = true;
            route.segments = {piece(gp_Pnt(px, cy, z), gp_Pnt(x1, cy, z)), piece(gp_Pnt(x1, cy, z), gp_Pnt(x1, y1, z))};
            if (climb) {
                route.segments.append(piece(gp_Pnt(x1, y1, z - 0.2), gp_Pnt(x1, y1, z + 4.0), RouteSegment::Vertical));
                route.segments.append(piece(gp_Pnt(x1, y1, z + 3.2), gp_Pnt(x1 - dir * 3.0, y1, z + 3.2)));
            }
            routes.append(route);
        }
    }
    return routes;
}

// One run's outline as a polygon through the same corners (the bend's round cut by its chord),
// made into a face and swept once: the least that builds such a solid.
TopoDS_Shape floorRun(const RouteSegment& a, const RouteSegment& b)
{
    const double r = a.width * 0.5;
    const gp_Vec d1 = gp_Vec(a.start, a.end).Normalized();
    const gp_Vec d2 = gp_Vec(b.start, b.end).Normalized();
    const gp_Vec n1(-d1.Y(), d1.X(), 0.0), n2(-d2.Y(), d2.X(), 0.0);
    const bool left = d1.Crossed(d2).Z() > 0.0;
    const gp_Vec inner = (n1 + n2) * (r / (1.0 + n1.Dot(n2))) * (left ? 1.0 : -1.0);
    BRepBuilderAPI_MakePolygon polygon;
    const double s = left ? -1.0 : 1.0; // the outer side
    polygon.Add(a.start.Translated(n1 * (r * s)));
    polygon.Add(a.end.Translated(n1 * (r * s)));
    polygon.Add(b.start.Translated(n2 * (r * s)));
    polygon.Add(b.end.Translated(n2 * (r * s)));
    polygon.Add(b.end.Translated(n2 * (-r * s)));
    polygon.Add(a.end.Translated(inner));
    polygon.Add(a.start.Translated(n1 * (-r * s)));
    polygon.Close();
    BRepBuilderAPI_MakeFace face(polygon.Wire(), true);
    return BRepPrimAPI_MakePrism(face.Face(), gp_Vec(0, 0, a.height)).Shape();
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

double wallMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// Process CPU and wall milliseconds, summed over the runs of some work.
struct Clocks
{
    double cpu = 0.0, wall = 0.0;
    void add(const std::function<void()>& work)
    {
        const double cpuBefore = processCpuMs(), wallBefore = wallMs();
        work();
        cpu += processCpuMs() - cpuBefore;
        wall += wallMs() - wallBefore;
    }
};

// Processor time of this thread: on a machine shared with other builds the wall clock of
// single-threaded work stretches with the load, its processor time does not.
double msOf(const std::function<void()>& work)
{
    const double before = threadCpuMs();
    work();
    return threadCpuMs() - before;
}

int facesOf(const TopoDS_Shape& shape)
{
    int faces = 0;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next())
        ++faces;
    return faces;
}

// The solid of a track the window has just been given, as the track display asks for it (built,
// and since the previous version checked against the copper its segments make), timed into
// clocks; its faces.
int builtAsTheWindowDoes(const Route& track, Clocks& clocks)
{
    RoutingManager routing;
    routing.addRoute(track);
    int faces = 0;
    clocks.add([&] { faces = facesOf(routing.routeShape(routing.routes().first())); });
    return faces;
}

// A track and its floor, each built as the window builds a track's solid, in turn in each
// iteration: process CPU and wall time of each and their ratios, and the track's faces.
void windowSolidsAgainstFloor(benchmark::State& state, const Route& track, const Route& floorTrack)
{
    Clocks ours, floor;
    int faces = 0;
    for (auto _ : state) {
        faces = builtAsTheWindowDoes(track, ours);
        // The allocator tidies what the track's solid freed at its next large request, many
        // times the floor's own time: paid here, untimed.
        benchmark::DoNotOptimize(RoutingManager::createRouteShape(floorTrack));
        builtAsTheWindowDoes(floorTrack, floor);
    }
    const double n = double(state.iterations());
    state.counters["segments"] = double(track.segments.size());
    state.counters["faces"] = faces;
    state.counters["cpu_ms"] = ours.cpu / n;
    state.counters["wall_ms"] = ours.wall / n;
    state.counters["floor_cpu_ms"] = floor.cpu / n;
    state.counters["floor_wall_ms"] = floor.wall / n;
    state.counters["ratio"] = ours.cpu / floor.cpu;
    state.counters["ratio_wall"] = ours.wall / floor.wall;
}

void buildAll(const QList<Route>& routes, TopoDS_Shape (*build)(const Route&))
{
    for (const Route& route : routes)
        benchmark::DoNotOptimize(build(route));
}

void buildFloor(const QList<Route>& routes)
{
    for (const Route& route : routes) {
        benchmark::DoNotOptimize(floorRun(route.segments.at(0), route.segments.at(1)));
        for (int i = 2; i < route.segments.size(); ++i)
            benchmark::DoNotOptimize(RoutingManager::createSegmentShape(route.segments.at(i)));
    }
}

// Every route's solid by build, and the floor, timed in turn in each iteration.
void solidsAgainstFloor(benchmark::State& state, TopoDS_Shape (*build)(const Route&))
{
    const QList<Route> routes = boardRoutes(state.range(0) != 0);
    double ours = 0.0, floor = 0.0;
    for (auto _ : state) {
        ours += msOf([&] { buildAll(routes, build); });
        floor += msOf([&] { buildFloor(routes); });
    }
    const double n = double(state.iterations());
    state.counters["routes"] = double(routes.size());
    state.counters["ours_ms"] = ours / n;
    state.counters["floor_ms"] = floor / n;
    state.counters["ratio"] = ours / floor;
}

// The routing model's solids.
void BM_RouteSolids(benchmark::State& state)
{
    solidsAgainstFloor(state, &RoutingManager::createRouteShape);
}
BENCHMARK(BM_RouteSolids)->ArgName("climb")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The one general fuse of every piece, as route solids were made before.
void BM_RouteSolidsFused(benchmark::State& state)
{
    solidsAgainstFloor(state, &RoutingManager::fusedRouteShape);
}
BENCHMARK(BM_RouteSolidsFused)->ArgName("climb")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

class HeadlessViewPort : public RoutingViewPort
{
public:
    explicit HeadlessViewPort(const opencascade::handle<AIS_InteractiveContext>& context) : m_context(context) {}
    opencascade::handle<AIS_InteractiveContext> context() const override { return m_context; }
    gp_Pnt projectScreenToPlane(const QPoint& p, double z) const override { return gp_Pnt(p.x(), p.y(), z); }
    QPoint toDevicePixels(const QPoint& p) const override { return p; }
    opencascade::handle<AIS_InteractiveObject> detectAt(const QPoint&) override { return {}; }
    bool cursorRay(const QPoint&, gp_Pnt&, gp_Dir&, gp_Dir&) const override { return false; }
    void setInteractionMode(int) override {}

private:
    opencascade::handle<AIS_InteractiveContext> m_context;
};

// What opening a project does with its tracks: every route's solid built (nothing kept from
// before) and displayed.
void BM_DisplayRoutedTracks(benchmark::State& state)
{
    const QList<Route> routes = boardRoutes(state.range(0) != 0);
    opencascade::handle<Aspect_DisplayConnection> connection;
    opencascade::handle<AIS_InteractiveContext> context =
        new AIS_InteractiveContext(new V3d_Viewer(new OpenGl_GraphicDriver(connection, false)));
    double floor = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto project = std::make_unique<ProjectManager>();
        for (const Route& route : routes)
            project->routingManager().addRoute(route);
        RoutingController controller(project.get(), nullptr, std::make_unique<HeadlessViewPort>(context), nullptr);
        state.ResumeTiming();
        controller.displayRoutedTracks();
        state.PauseTiming();
        context->RemoveAll(false);
        floor += msOf([&] { buildFloor(routes); });
        state.ResumeTiming();
    }
    state.counters["routes"] = double(routes.size());
    state.counters["floor_ms"] = floor / double(state.iterations());
}
BENCHMARK(BM_DisplayRoutedTracks)->ArgName("climb")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 250 parallel tracks, along X or at 45 degrees; every tenth one moved onto its neighbour.
RoutingManager& parallelTracks(bool diagonal)
{
    static RoutingManager designs[2];
    RoutingManager& rm = designs[diagonal ? 1 : 0];
    if (!rm.routes().isEmpty())
        return rm;
    const double pitch = 1.6, length = 12.0;
    const gp_Vec along = diagonal ? gp_Vec(1, 1, 0).Normalized() : gp_Vec(1, 0, 0);
    const gp_Vec across(-along.Y(), along.X(), 0.0);
    for (int i = 0; i < 250; ++i) {
        const double offset = i * pitch - (i % 10 == 9 ? pitch - kWidth : 0.0);
        const gp_Pnt a = gp_Pnt(0, 0, 0).Translated(across * offset);
        Route route;
        route.netName = QStringLiteral("N%1").arg(i);
        route.isComplete = true;
        route.segments = {piece(a, a.Translated(along * length))};
        rm.addRoute(route);
    }
    return rm;
}

// The check of the diagonal design, with the axis-aligned one as its floor in each iteration.
void BM_ShortCheck(benchmark::State& state)
{
    const RoutingManager& diagonal = parallelTracks(true);
    const RoutingManager& axisAligned = parallelTracks(false);
    qsizetype shorts = 0, floorShorts = 0;
    double ours = 0.0, floor = 0.0;
    for (auto _ : state) {
        ours += msOf([&] { shorts = diagonal.shortedRoutes().size(); });
        floor += msOf([&] { floorShorts = axisAligned.shortedRoutes().size(); });
    }
    const double n = double(state.iterations());
    state.counters["tracks"] = double(diagonal.routes().size());
    state.counters["shorts"] = double(shorts);
    state.counters["floor_shorts"] = double(floorShorts);
    state.counters["ours_ms"] = ours / n;
    state.counters["floor_ms"] = floor / n;
    state.counters["ratio"] = ours / floor;
    state.counters["more_ms"] = (ours - floor) / n;
}
BENCHMARK(BM_ShortCheck)->Unit(benchmark::kMillisecond);

void BM_StepsInLine(benchmark::State& state)
{
    const int steps = int(state.range(0));
    Route track, floorTrack;
    for (int i = 0; i < steps; ++i) {
        RouteSegment step;
        step.start = gp_Pnt(0.1 * i, 0.05 * i, 1.0);
        step.end = gp_Pnt(0.1 * (i + 1), 0.05 * (i + 1), 1.0);
        step.width = 1.0;
        step.height = 0.8;
        track.segments.append(step);
    }
    RouteSegment whole = track.segments.first();
    whole.end = track.segments.last().end;
    floorTrack.segments.append(whole);
    windowSolidsAgainstFloor(state, track, floorTrack);
}
BENCHMARK(BM_StepsInLine)->ArgName("steps")->Arg(500)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

// A track of width/1000 mm that goes 400 mm out, comes back half way over itself and turns off
// by 1 mm, so that its outline is traced: at 45 degrees (ours) and along X (the floor).
Route retracedLeg(double width, bool diagonal)
{
    const gp_Vec along = diagonal ? gp_Vec(1, 1, 0).Normalized() : gp_Vec(1, 0, 0);
    const gp_Vec across(-along.Y(), along.X(), 0.0);
    const gp_Pnt a(0, 0, 1), b = a.Translated(along * 400.0), c = a.Translated(along * 200.0);
    Route route;
    for (const auto& [from, to] : {std::pair(a, b), std::pair(b, c), std::pair(c, c.Translated(across))}) {
        RouteSegment s;
        s.start = from;
        s.end = to;
        s.width = width;
        s.height = kHeight;
        route.segments.append(s);
    }
    return route;
}

void BM_TrackDirection(benchmark::State& state)
{
    const double width = double(state.range(0)) / 1000.0;
    windowSolidsAgainstFloor(state, retracedLeg(width, true), retracedLeg(width, false));
}
BENCHMARK(BM_TrackDirection)->ArgName("width_um")->Arg(50)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond);

// A staircase of steps=N legs of step_um micrometres, +x and +y in turn, width mm wide.
Route staircase(int steps, double step, double width)
{
    Route route;
    gp_Pnt at(5, 5, 1);
    for (int i = 0; i < steps; ++i) {
        RouteSegment s;
        s.start = at;
        at.Translate(i % 2 ? gp_Vec(0, step, 0) : gp_Vec(step, 0, 0));
        s.end = at;
        s.width = width;
        s.height = kHeight;
        route.segments.append(s);
    }
    return route;
}

// A 2 mm wide track climbing in 1,000 steps of step_um micrometres, against the same at 0.1 mm
// (the floor): the outline's cost follows the legs, not how many discs each one overlaps.
void BM_FineStaircase(benchmark::State& state)
{
    windowSolidsAgainstFloor(state, staircase(1000, double(state.range(0)) * 1e-3, 2.0), staircase(1000, 0.1, 2.0));
}
BENCHMARK(BM_FineStaircase)->ArgName("step_um")->Arg(100)->Arg(10)->Arg(5)->Arg(2)->Unit(benchmark::kMillisecond);

// A zigzag along x of legs of 0.1 mm at 45 degrees to it, up and down in turn, 0.05 mm wide.
Route zigzag(int legs)
{
    Route route;
    gp_Pnt at(5, 5, 1);
    const double side = 0.1 / std::sqrt(2.0);
    for (int i = 0; i < legs; ++i) {
        RouteSegment s;
        s.start = at;
        at.Translate(gp_Vec(side, i % 2 ? -side : side, 0));
        s.end = at;
        s.width = 0.05;
        s.height = kHeight;
        route.segments.append(s);
    }
    return route;
}

// Thin tracks whose outline is simple and long, each built as the window builds a track's solid:
// case 0 and 1, a track 0.05 mm wide climbing in 250 or 1,000 steps of 0.1 mm; case 2, a
// diagonal zigzag of 200 legs. Process CPU time and wall time (cpu_ms, wall_ms), beside the
// floor of the same length as one straight segment (ratio, ratio_wall).
//
// Against the previous version (commit 87059fb, before the outline was drawn with true arcs:
// these tracks were traced then, and not checked), this file built at that commit in a worktree
// of its own and both binaries run in turn, seven times each
// (--benchmark_filter=BM_ThinTrackSolid), on 8 cores (AMD EPYC) shared with other builds,
// 2026-12-10; medians, and the median of the paired ratios:
//                    this version       previous version    this / previous
//                    cpu ms   wall ms   cpu ms   wall ms    cpu    wall
//   250 steps         16.6     16.6      21.7     22.0      0.69   0.69
//   1,000 steps       75.9     75.9     131.3    132.5      0.56   0.56
//   zigzag            14.0     14.6      18.2     18.2      0.68   0.68
// Before the swept outline's faces were built without classifying them and the check counted
// the volume from the level faces, the same run of the same kind gave 2.96, 2.00 and 2.70: the
// solid 0.8 to 1.3 times the previous version's, and the check twice the solid's own time.
void BM_ThinTrackSolid(benchmark::State& state)
{
    const int shape = int(state.range(0));
    const Route track = shape == 2 ? zigzag(200) : staircase(shape == 0 ? 250 : 1000, 0.1, 0.05);
    double length = 0.0;
    for (const RouteSegment& s : track.segments)
        length += s.start.Distance(s.end);
    Route straight;
    RouteSegment whole = track.segments.first();
    whole.end = whole.start.Translated(gp_Vec(length, 0, 0));
    straight.segments.append(whole);
    windowSolidsAgainstFloor(state, track, straight);
}
BENCHMARK(BM_ThinTrackSolid)->ArgName("case")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// A 500 mm track, 0.3 wide, zigzagging out in 1,000 legs of 0.25 mm at right angles and back
// over itself; with empty set, a segment without length between each two legs (the
// 4,000-segment track took 197 s and 1 GB). The floor is the same track without them.
Route retracedSteps(bool empty)
{
    const double side = 0.25 / std::sqrt(2.0);
    const auto point = [side](int k) { return gp_Pnt(side * k, side * (k % 2), 1.0); };
    Route route;
    const int legs = 2000;
    for (int i = 0; i < legs; ++i) {
        const int k = i < legs / 2 ? i : legs - 1 - i;
        RouteSegment s;
        s.start = i < legs / 2 ? point(k) : point(k + 1);
        s.end = i < legs / 2 ? point(k + 1) : point(k);
        s.width = 0.3;
        s.height = 1.0;
        route.segments.append(s);
        if (empty && i + 1 < legs) {
            s.start = s.end;
            route.segments.append(s);
        }
    }
    return route;
}

void BM_RetracedWithEmptySegments(benchmark::State& state)
{
    windowSolidsAgainstFloor(state, retracedSteps(true), retracedSteps(false));
}
BENCHMARK(BM_RetracedWithEmptySegments)->Unit(benchmark::kMillisecond);

// The same thin staircase of steps=N, its outline drawn with true arcs in faces of bounded
// edges (the program's road), against the same run's traced outline, bends faceted (the road
// it took before): faces a step of each and the ratio of their times, process CPU (x_traced)
// and wall (x_traced_wall).
void BM_ThinStaircaseRoads(benchmark::State& state)
{
    const int steps = int(state.range(0));
    const Route track = staircase(steps, 0.1, 0.05);
    Clocks ours, traced;
    int faces = 0, tracedFaces = 0;
    for (auto _ : state) {
        ours.add([&] { faces = facesOf(RoutingManager::createRouteShape(track)); });
        traced.add([&] { tracedFaces = facesOf(TrackOutline::tracedRunSolid(track.segments, 0, steps - 1)); });
    }
    const double n = double(state.iterations());
    state.counters["faces_per_step"] = double(faces) / steps;
    state.counters["traced_faces_per_step"] = double(tracedFaces) / steps;
    state.counters["ours_ms"] = ours.cpu / n;
    state.counters["traced_ms"] = traced.cpu / n;
    state.counters["x_traced"] = ours.cpu / traced.cpu;
    state.counters["x_traced_wall"] = ours.wall / traced.wall;
}
BENCHMARK(BM_ThinStaircaseRoads)->ArgName("steps")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A traced outline of steps=N (0.8 mm wide, steps of 0.1 mm along x and 0.3 mm along y, each
// a leg of its own), against a tenth of it: x_tenth is its time over ten times that of the
// tenth, 1 where the work grows in proportion to the steps (slope = 1 + log10 of it).
void BM_TracedStaircaseGrowth(benchmark::State& state)
{
    const int steps = int(state.range(0));
    const auto steep = [](int n) {
        Route route = staircase(n, 0.1, 0.8);
        gp_Pnt at = route.segments.first().start;
        for (int i = 0; i < n; ++i) { // the legs along y three times as long
            route.segments[i].start = at;
            at.Translate(i % 2 ? gp_Vec(0, 0.3, 0) : gp_Vec(0.1, 0, 0));
            route.segments[i].end = at;
        }
        return route;
    };
    const Route whole = steep(steps), tenth = steep(steps / 10);
    Clocks ours, tenthOf;
    for (auto _ : state) {
        ours.add([&] { benchmark::DoNotOptimize(TrackOutline::tracedRunSolid(whole.segments, 0, steps - 1)); });
        tenthOf.add([&] { benchmark::DoNotOptimize(TrackOutline::tracedRunSolid(tenth.segments, 0, steps / 10 - 1)); });
    }
    const double n = double(state.iterations());
    state.counters["ours_ms"] = ours.cpu / n;
    state.counters["tenth_ms"] = tenthOf.cpu / n;
    state.counters["x_tenth"] = ours.cpu / (10.0 * tenthOf.cpu);
    state.counters["x_tenth_wall"] = ours.wall / (10.0 * tenthOf.wall);
}
BENCHMARK(BM_TracedStaircaseGrowth)->ArgName("steps")->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);


} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
