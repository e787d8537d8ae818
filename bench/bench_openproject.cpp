// Opening a project in the window (needs an X server: run under xvfb-run), from the call to the
// moment the load report shows (wall clock; *_cpu_ms: processor time of the whole process, the
// software renderer's threads included; *_thread_ms: of the window's thread alone), on a 100 x 80 x 15 mm part with 100 two-pad components.
// stretch_ms / stretch_thread_ms: the longest time the window's thread went without letting
// events through (it could neither paint nor take Cancel) while opening the design, beside open_ms:
// - tracks=0: no tracks, the floor of the others;
// - tracks=200: two tracks per component, each two segments with one bend (ratio and
//   tracks_ms = what the tracks add to the floor);
// - tracks=250 / diagonal=0|1: 250 parallel tracks of 12 mm, 1.6 mm apart, every tenth one
//   touching its neighbour, along X or at 45 degrees (diagonal_more_ms = what the diagonal
//   design costs more than the axis-aligned one, both opened in the same run).
// - LongTrack/<kind>/<n>: the part and components with one track 0.8 mm wide, going back and
//   forth n times over 10 mm (kind 0) or climbing n steps of 0.1 mm (kind 1), beside the same
//   design with that length as one straight segment (capped at 1,998 mm); x_half = the opening
//   for n over that for n/2.
// - LargePart: 160 components on a part of 119 B-spline blocks, beside them on one box.
#include "benchmain.h"
#include "benchwindow.h"

#include "app/mainwindow.h"
#include "components/componentmanager.h"
#include "components/footprintmanager.h"
#include "model/netlist.h"
#include "model/savedcomponent.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_Viewer.hxx>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <tuple>

namespace {

constexpr int kComponents = 100;
const char* const kFootprints[] = {"Builtin_0603", "Builtin_0805", "Builtin_1206", "Builtin_1210"};

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

RouteSegment horizontal(const gp_Pnt& a, const gp_Pnt& b, double width)
{
    RouteSegment s;
    s.start = a;
    s.end = b;
    s.width = width;
    s.height = 0.8;
    return s;
}

Route routeOf(const QString& net, const QString& ref, const QString& pad, const QList<gp_Pnt>& points,
              double width = 1.0)
{
    Route route;
    route.netName = net;
    route.startRef = ref;
    route.startPad = pad;
    route.isComplete = true;
    for (int i = 1; i < points.size(); ++i)
        route.segments.append(horizontal(points.at(i - 1), points.at(i), width));
    return route;
}

enum class Tracks { None, Board, Parallel, Diagonal };

QList<Route> routesOf(Tracks tracks)
{
    QList<Route> routes;
    if (tracks == Tracks::Board) {
        const double cellX = 10.0, cellY = 8.0, z = 9.0;
        for (int i = 0; i < kComponents; ++i) {
            const double cx = cellX * (i % 10 + 0.5), cy = cellY * (i / 10 + 0.5);
            for (int p = 0; p < 2; ++p) {
                const double dir = p == 0 ? -1.0 : 1.0;
                const double x1 = cx + dir * (cellX * 0.5 - 1.0);
                routes.append(routeOf(QStringLiteral("N%1_%2").arg(i + 1).arg(p + 1), QStringLiteral("R%1").arg(i + 1),
                                      QString::number(p + 1),
                                      {gp_Pnt(cx + dir * 1.5, cy, z), gp_Pnt(x1, cy, z), gp_Pnt(x1, cy - cellY * 0.35, z)}));
            }
        }
    } else if (tracks != Tracks::None) {
        const gp_Vec along = tracks == Tracks::Diagonal ? gp_Vec(1, 1, 0).Normalized() : gp_Vec(1, 0, 0);
        const gp_Vec across(-along.Y(), along.X(), 0.0);
        for (int i = 0; i < 250; ++i) {
            const double offset = i * 1.6 - (i % 10 == 9 ? 0.6 : 0.0);
            const gp_Pnt a = gp_Pnt(10, 10, 9).Translated(across * offset);
            const int c = i % kComponents;
            routes.append(routeOf(QStringLiteral("N%1_%2").arg(c + 1).arg(i / kComponents + 1),
                                  QStringLiteral("R%1").arg(c + 1), QStringLiteral("1"),
                                  {a, a.Translated(along * 12.0)}));
        }
    }
    return routes;
}

// One track 0.8 mm wide: kind 0 goes back and forth n times between (5,5) and (15,5), kind 1
// climbs n steps of 0.1 mm along X and Y in turn, centred on (5,5); straight, the same length in
// one segment along X, at most the 1,998 mm a project allows.
Route longTrack(int kind, int n, bool straight)
{
    const double step = kind == 0 ? 10.0 : 0.1;
    QList<gp_Pnt> points = {kind == 0 ? gp_Pnt(5, 5, 9) : gp_Pnt(5 - 0.25 * step * n, 5 - 0.25 * step * n, 9)};
    if (straight) {
        const double length = std::min(step * n, 1998.0);
        points = {gp_Pnt(-0.5 * length, 5, 9), gp_Pnt(0.5 * length, 5, 9)};
    }
    for (int i = 1; i <= n && !straight; ++i) {
        if (kind == 0)
            points.append(gp_Pnt(i % 2 ? 15.0 : 5.0, 5, 9));
        else
            points.append(points.last().Translated(i % 2 ? gp_Vec(step, 0, 0) : gp_Vec(0, step, 0)));
    }
    return routeOf(QStringLiteral("N1_3"), QStringLiteral("R1"), QStringLiteral("2"), points, 0.8);
}

// A part of 7 x 17 blocks of 12 x 12 x 15 mm, 1 mm apart, each in B-splines: many faces to
// read and to mesh for display.
TopoDS_Shape manyBlockPart()
{
    TopoDS_Compound compound;
    BRep_Builder builder;
    builder.MakeCompound(compound);
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 17; ++j) {
            const TopoDS_Shape block = BRepPrimAPI_MakeBox(gp_Pnt(i * 13.0, j * 13.0, 0), 12, 12, 15).Shape();
            builder.Add(compound, BRepBuilderAPI_NurbsConvert(block, true).Shape());
        }
    return compound;
}

// Writes the project file of one design; empty on failure.
QString writeDesign(const QTemporaryDir& dir, const QList<Route>& routes, const QString& name,
                    const TopoDS_Shape& part = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 100, 80, 15).Shape(),
                    int count = kComponents)
{
    ProjectManager project;
    project.addShape(part);
    project.setMainShapeIndex(0);
    Netlist netlist;
    for (int i = 0; i < count; ++i) {
        NetlistComponent component;
        component.ref = QStringLiteral("R%1").arg(i + 1);
        component.footprint = QString::fromLatin1(kFootprints[i % 4]);
        netlist.components.insert(component.ref, component);
        for (int p = 1; p <= 3; ++p)
            netlist.connections.append({QStringLiteral("N%1_%2").arg(i + 1).arg(p), {PadId(component.ref, QString::number(std::min(p, 2)))}});
    }
    const QMap<QString, NetlistComponent> components = netlist.components;
    project.setNetlist(std::move(netlist));

    opencascade::handle<Aspect_DisplayConnection> connection;
    opencascade::handle<AIS_InteractiveContext> context =
        new AIS_InteractiveContext(new V3d_Viewer(new OpenGl_GraphicDriver(connection, false)));
    FootprintManager footprints;
    ComponentManager manager(footprints, context, project);
    manager.generateComponents(components);
    for (const Route& route : routes)
        project.routingManager().addRoute(route);
    const QString path = dir.filePath(name + QStringLiteral(".vtq"));
    if (!project.saveProject(path, manager.componentsForSave(), manager.usedFootprints(), false))
        return QString();
    return path;
}

// The window on screen with its viewer, and a hand that answers its message boxes, noting when
// the load report appears.
struct Window
{
    Window()
    {
        showWithViewer(window);
        answerer.setInterval(1);
        QObject::connect(&answerer, &QTimer::timeout, [this] {
            noteEvents();
            // Message boxes and the load report, a dialog of its own with the same buttons; the
            // progress window closes by itself.
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            auto* buttons = box ? box->findChild<QDialogButtonBox*>() : nullptr;
            if (!box || !box->isVisible() || !buttons || box->objectName() == QLatin1String("progressWindow"))
                return;
            if (box->windowTitle() == QStringLiteral("Project loaded"))
            {
                measuring = false;
                reportShownNs = clock.nsecsElapsed();
                reportCpuMs = cpuNow(CLOCK_PROCESS_CPUTIME_ID);
                reportThreadMs = cpuNow(CLOCK_THREAD_CPUTIME_ID);
            }
            QAbstractButton* button = buttons->button(QDialogButtonBox::Yes);
            (button ? button : buttons->button(QDialogButtonBox::Ok))->click();
        });
        answerer.start();
    }

    // Milliseconds from the call to the load report; negative when the load failed. cpuMs gets
    // the processor time of every thread of the process meanwhile (the renderer's included),
    // which a busy machine does not stretch as it does the wall clock.
    // threadMs gets the window thread's own share.
    double open(const QString& path, double& cpuMs, double& threadMs)
    {
        reportShownNs = -1;
        const double cpuBefore = cpuNow(CLOCK_PROCESS_CPUTIME_ID);
        const double threadBefore = cpuNow(CLOCK_THREAD_CPUTIME_ID);
        clock.start();
        measuring = true;
        lastEventNs = 0;
        lastEventThreadMs = threadBefore;
        longestGapMs = longestGapThreadMs = 0.0;
        if (!window.loadProjectFile(path, false) || reportShownNs < 0)
            return -1.0;
        cpuMs = reportCpuMs - cpuBefore;
        threadMs = reportThreadMs - threadBefore;
        return double(reportShownNs) * 1e-6;
    }

    // The timer runs only when the window's thread lets events through: the longest time
    // between two of its ticks is the longest the window could not paint.
    void noteEvents()
    {
        if (!measuring)
            return;
        const qint64 now = clock.nsecsElapsed();
        const double thread = cpuNow(CLOCK_THREAD_CPUTIME_ID);
        longestGapMs = std::max(longestGapMs, double(now - lastEventNs) * 1e-6);
        longestGapThreadMs = std::max(longestGapThreadMs, thread - lastEventThreadMs);
        lastEventNs = now;
        lastEventThreadMs = thread;
    }

    static double cpuNow(clockid_t which)
    {
        timespec t{};
        clock_gettime(which, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
    }

    MainWindow window;
    QTimer answerer;
    QElapsedTimer clock;
    qint64 reportShownNs = -1;
    double reportCpuMs = 0.0;
    double reportThreadMs = 0.0;
    bool measuring = false;
    qint64 lastEventNs = 0;
    double lastEventThreadMs = 0.0;
    double longestGapMs = 0.0;       // wall clock
    double longestGapThreadMs = 0.0; // the window thread's processor time
};

struct Designs
{
    QTemporaryDir dir;
    QString paths[4];
    Designs()
    {
        for (Tracks t : {Tracks::None, Tracks::Board, Tracks::Parallel, Tracks::Diagonal})
            paths[int(t)] = writeDesign(dir, routesOf(t), QStringLiteral("design%1").arg(int(t)));
    }

    // The design with one long track, or with its straight floor.
    QString longTrack(int kind, int n, bool straight)
    {
        QString& path = longTracks[{kind, n, straight}];
        if (path.isEmpty())
            path = writeDesign(dir, {::longTrack(kind, n, straight)},
                               QStringLiteral("long%1_%2_%3").arg(kind).arg(n).arg(int(straight)));
        return path;
    }
    std::map<std::tuple<int, int, bool>, QString> longTracks;

    // 160 components on the many-block part, and on the one box as its floor.
    QString large[2];
    QString largeDesign(bool manyBlocks)
    {
        QString& path = large[int(manyBlocks)];
        if (path.isEmpty())
            path = manyBlocks ? writeDesign(dir, {}, QStringLiteral("large1"), manyBlockPart(), 160)
                              : writeDesign(dir, {}, QStringLiteral("large0"),
                                            BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 100, 80, 15).Shape(), 160);
        return path;
    }
};

Designs& designs()
{
    static Designs d;
    return d;
}

// Owned here rather than as a function's static, so that main can end it while the
// application object still exists.
std::unique_ptr<Window> s_window;

Window& window()
{
    if (!s_window)
        s_window = std::make_unique<Window>();
    return *s_window;
}

// Opens the design and its floor in turn; prints both, wall clock and processor time.
void openBoth(benchmark::State& state, const QString& path, const QString& floorPath, const char* moreName)
{
    double ours = 0.0, floor = 0.0, oursCpu = 0.0, floorCpu = 0.0, oursThread = 0.0, floorThread = 0.0;
    double gap = 0.0, gapThread = 0.0;
    for (auto _ : state) {
        double cpu = 0.0, floorCpuOnce = 0.0, thread = 0.0, floorThreadOnce = 0.0;
        const double a = window().open(path, cpu, thread);
        gap = std::max(gap, window().longestGapMs);
        gapThread = std::max(gapThread, window().longestGapThreadMs);
        const double b = window().open(floorPath, floorCpuOnce, floorThreadOnce);
        if (a < 0 || b < 0) {
            state.SkipWithError("a project did not open");
            return;
        }
        ours += a;
        floor += b;
        oursCpu += cpu;
        floorCpu += floorCpuOnce;
        oursThread += thread;
        floorThread += floorThreadOnce;
    }
    const double n = double(state.iterations());
    state.counters["open_ms"] = ours / n;
    state.counters["floor_ms"] = floor / n;
    state.counters[moreName] = (ours - floor) / n;
    state.counters["ratio"] = ours / floor;
    state.counters["open_cpu_ms"] = oursCpu / n;
    state.counters["floor_cpu_ms"] = floorCpu / n;
    state.counters["open_thread_ms"] = oursThread / n;
    state.counters["floor_thread_ms"] = floorThread / n;
    // The longest the window went without events while opening, beside the whole opening.
    state.counters["stretch_ms"] = gap;
    state.counters["stretch_thread_ms"] = gapThread;
}

void BM_OpenBoard(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    openBoth(state, designs().paths[int(Tracks::Board)], designs().paths[int(Tracks::None)], "tracks_ms");
}
BENCHMARK(BM_OpenBoard)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenDiagonal(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    openBoth(state, designs().paths[int(Tracks::Diagonal)], designs().paths[int(Tracks::Parallel)], "diagonal_more_ms");
}
BENCHMARK(BM_OpenDiagonal)->Unit(benchmark::kMillisecond)->Iterations(3);

// The opening the window must stay live through: 160 components on a part of 119 B-spline
// blocks, beside the same components on one box.
void BM_OpenLargePart(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    openBoth(state, designs().largeDesign(true), designs().largeDesign(false), "part_more_ms");
}
BENCHMARK(BM_OpenLargePart)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_OpenLongTrack(benchmark::State& state)
{
    static std::map<std::pair<int, int>, double> earlier;
    qInstallMessageHandler(quiet);
    const int kind = int(state.range(0)), n = int(state.range(1));
    openBoth(state, designs().longTrack(kind, n, false), designs().longTrack(kind, n, true), "track_more_ms");
    const double open = state.counters["open_ms"];
    const auto half = earlier.find({kind, n / 2});
    if (half != earlier.end())
        state.counters["x_half"] = open / half->second;
    earlier[{kind, n}] = open;
}
BENCHMARK(BM_OpenLongTrack)
    ->Args({0, 100})->Args({0, 2000})->Args({1, 2000})->Args({1, 4000})->Args({1, 8000})->Args({1, 10000})
    ->Args({1, 20000})->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    return runBenchmarks<QApplication>(argc, argv, [] { s_window.reset(); });
}
