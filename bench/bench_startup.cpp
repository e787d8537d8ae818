// Start-up and part import as the user meets them: from process start to the 3D viewer ready
// in an empty window, and from the import click to the framed view of a large STL part.
// Needs an X server (the OpenCASCADE view cannot live on Qt's offscreen platform).
#include "app/mainwindow.h"
#include "foundation/stlimporter.h"
#include "view/occwidget.h"

#include <QApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <V3d_View.hxx>

#include <array>
#include <chrono>
#include <functional>
#include <cmath>
#include <memory>

#include <unistd.h>

namespace {

// Taken while the program's statics are set up, as close to process start as we can get.
const auto g_processStart = std::chrono::steady_clock::now();
double g_processToApplicationMs = 0.0;
double g_processToFirstViewerMs = 0.0;

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A shown window whose viewer has announced itself.
std::unique_ptr<MainWindow> openWindow()
{
    auto window = std::make_unique<MainWindow>();
    auto* view = window->findChild<OccWidget*>();
    bool ready = false;
    QObject::connect(view, &OccWidget::viewerInitialized, [&ready] { ready = true; });
    window->show();
    if (!waitFor([&ready] { return ready; }))
        return nullptr;
    return window;
}

// Closed UV sphere, binary STL: 2 * slices * (rings - 1) triangles.
bool writeSphereStl(const QString& path, int slices, int rings, double radius, int& triangles)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    auto vertex = [&](int ring, int slice) {
        if (ring == 0 || ring == rings) // one exact pole vertex, so the mesh closes
            return std::array<float, 3>{0.0f, 0.0f, float(ring == 0 ? radius : -radius)};
        const double theta = M_PI * ring / rings;
        const double phi = 2.0 * M_PI * (slice % slices) / slices;
        return std::array<float, 3>{float(radius * std::sin(theta) * std::cos(phi)),
                                    float(radius * std::sin(theta) * std::sin(phi)),
                                    float(radius * std::cos(theta))};
    };
    QList<std::array<std::array<float, 3>, 3>> facets;
    for (int ring = 0; ring < rings; ++ring) {
        for (int slice = 0; slice < slices; ++slice) {
            const auto a = vertex(ring, slice);
            const auto b = vertex(ring + 1, slice);
            const auto c = vertex(ring + 1, slice + 1);
            const auto d = vertex(ring, slice + 1);
            if (ring != rings - 1)
                facets.append({a, b, c});
            if (ring != 0)
                facets.append({a, c, d});
        }
    }
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    out.writeRawData(QByteArray(80, ' ').constData(), 80);
    out << quint32(facets.size());
    for (const auto& facet : facets) {
        out << 0.0f << 0.0f << 0.0f;
        for (const auto& p : facet)
            out << p[0] << p[1] << p[2];
        out << quint16(0);
    }
    triangles = facets.size();
    return out.status() == QDataStream::Ok;
}

// Milliseconds since the kernel started this process (10 ms resolution); -1 when unknown.
double msSinceExec()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1.0;
    const QByteArray line = stat.readAll();
    // Fields after the parenthesised command name; the start time is field 22.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.size() > 19 ? fields.at(19).toDouble() : -1.0;
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (startTicks < 0 || ticksPerSecond <= 0)
        return -1.0;
    return (upSeconds - startTicks / double(ticksPerSecond)) * 1000.0;
}
double g_execToFirstViewerMs = -1.0;

// The sphere of the benchmark's two arguments (slices, rings), its size as a counter.
bool prepareSphere(benchmark::State& state, const QString& path)
{
    int triangles = 0;
    if (!writeSphereStl(path, int(state.range(0)), int(state.range(1)), 40.0, triangles)) {
        state.SkipWithError("cannot write the STL file");
        return false;
    }
    state.counters["triangles"] = triangles;
    return true;
}

// A ready window, or null with the benchmark marked as skipped.
std::unique_ptr<MainWindow> openWindowOrSkip(benchmark::State& state)
{
    auto window = openWindow();
    if (!window)
        state.SkipWithError("viewer never became ready");
    return window;
}

void BM_ProcessStartToViewerReady(benchmark::State& state)
{
    for (auto _ : state) {
        state.SetIterationTime(g_processToFirstViewerMs / 1000.0);
    }
    state.counters["app_object_ms"] = g_processToApplicationMs;
    state.counters["since_exec_ms"] = g_execToFirstViewerMs;
}
BENCHMARK(BM_ProcessStartToViewerReady)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// A further window in a warm process: construction, show, viewer set-up.
void BM_WindowToViewerReady(benchmark::State& state)
{
    for (auto _ : state) {
        auto window = openWindowOrSkip(state);
        if (!window)
            break;
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowToViewerReady)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ImportStlToFramedView(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sphere.stl"));
    if (!prepareSphere(state, path))
        return;
    auto window = openWindowOrSkip(state);
    if (!window)
        return;
    auto* view = window->findChild<OccWidget*>();
    window->setOpenFileChooser(
        [&path](QWidget*, int, const QString&, const QString&, const QString&) { return path; });

    for (auto _ : state) {
        window->importGeometryFile();
        view->view()->Redraw(); // the framed part on screen
    }
}
BENCHMARK(BM_ImportStlToFramedView)
    ->Args({250, 201}) // 100,000 triangles
    ->Args({125, 101}) // 25,000 triangles
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// The reading share of the import above, without the window.
void BM_StlReadOnly(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sphere.stl"));
    if (!prepareSphere(state, path))
        return;
    for (auto _ : state) {
        const StlImportResult result = StlImporter::importStl(path, -1.0);
        benchmark::DoNotOptimize(result.ok);
    }
}
BENCHMARK(BM_StlReadOnly)->Args({250, 201})->Iterations(1)->Unit(benchmark::kMillisecond);

// The display share: showing and framing the part the importer returned.
void BM_DisplayImportedStl(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sphere.stl"));
    if (!prepareSphere(state, path))
        return;
    auto window = openWindowOrSkip(state);
    if (!window)
        return;
    auto* view = window->findChild<OccWidget*>();
    for (auto _ : state) {
        state.PauseTiming();
        const StlImportResult result = StlImporter::importStl(path, -1.0); // fresh, unmeshed
        view->clearAll();
        state.ResumeTiming();
        view->displayShape(result.shape);
        view->fitAll();
        view->view()->Redraw();
    }
}
BENCHMARK(BM_DisplayImportedStl)->Args({250, 201})->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The 3D view needs a real window system even where offscreen is the default.
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("VantorquelleBench"));
    QCoreApplication::setApplicationName(QStringLiteral("VantorquelleBench"));
    g_processToApplicationMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_processStart)
            .count();
    {
        auto first = openWindow();
        g_processToFirstViewerMs = std::chrono::duration<double, std::milli>(
                                       std::chrono::steady_clock::now() - g_processStart)
                                       .count();
        g_execToFirstViewerMs = msSinceExec();
        if (!first)
            return 1;
    }

    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
