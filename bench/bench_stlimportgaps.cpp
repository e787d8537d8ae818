// How long the window's thread goes without running events during the import of a part, from
// the call to its return (run under xvfb-run): STL meshes (a closed sphere of about 358,800
// triangles and a torus knot of as many) and real STEP parts (KiCad's StickHub board with its
// models, 119 B-spline solids, and an SOT-23 package), and the opening of a project whose part is
// the sphere. A 1 ms tick notes each round of events.
// Reported: the import's time (total_s), the longest stretch between two ticks (longest_gap_s,
// and in the thread's CPU time), and its share of the import (gap_share). The CPU column is the
// process's.
#include "benchmain.h"
#include "benchwindow.h"

#include "meshshapes.h"

#include "app/mainwindow.h"
#include "foundation/stlimporter.h"
#include "model/footprintdata.h"
#include "model/savedcomponent.h"
#include "project/projectmanager.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <ctime>
#include <memory>

namespace {

struct ImportWindow
{
    ImportWindow()
    {
        showWithViewer(window);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [this] { onTick(); });
        tick.start();
    }

    // Seconds from the call to the return; negative when the import (or the open) failed.
    double import(const QString& path)
    {
        longest = longestCpu = 0.0;
        lastWall = 0;
        lastCpu = threadCpu();
        measuring = true;
        clock.start();
        const bool done = path.endsWith(QLatin1String(".vtq")) ? window.loadProjectFile(path, false)
            : path.endsWith(QLatin1String(".stl"))              ? window.importStlFile(path)
                                                                : window.importStepFile(path);
        const qint64 end = clock.nsecsElapsed();
        measuring = false;
        note(end); // the stretch up to the return counts too
        return done ? double(end) * 1e-9 : -1.0;
    }

    void note(qint64 now)
    {
        const double cpu = threadCpu();
        const double gap = double(now - lastWall) * 1e-9;
        longest = std::max(longest, gap);
        longestCpu = std::max(longestCpu, cpu - lastCpu);
        lastWall = now;
        lastCpu = cpu;
    }

    void onTick()
    {
        if (measuring) {
            note(clock.nsecsElapsed());
        }
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* buttons = box ? box->findChild<QDialogButtonBox*>() : nullptr;
        if (!box || !box->isVisible() || !buttons || box->objectName() == QLatin1String("progressWindow"))
            return;
        QPushButton* button = buttons->button(QDialogButtonBox::Yes);
        if (button || (button = buttons->button(QDialogButtonBox::Ok)))
            button->click();
    }

    static double threadCpu()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    }

    MainWindow window;
    QTimer tick;
    QElapsedTimer clock;
    bool measuring = false;
    qint64 lastWall = 0;
    double lastCpu = 0.0, longest = 0.0, longestCpu = 0.0;
};

std::unique_ptr<ImportWindow> s_window;

// Imports the file twice: the second import replaces the first part, whose release is measured too.
void measureImports(benchmark::State& state, const QString& path)
{
    if (!s_window)
        s_window = std::make_unique<ImportWindow>();
    ImportWindow& w = *s_window;
    for (auto _ : state) {
        const double total = w.import(path);
        if (total < 0) {
            state.SkipWithError("the import failed");
            return;
        }
        state.counters["total_s"] = total;
        state.counters["longest_gap_s"] = w.longest;
        state.counters["longest_gap_cpu_s"] = w.longestCpu;
        state.counters["gap_share"] = w.longest / total;
    }
}

QTemporaryDir& benchDir()
{
    static QTemporaryDir dir;
    return dir;
}

// The mesh's STL file, written once; empty when it could not be.
QString meshFile(bool knot, int triangles)
{
    const QString path = benchDir().filePath(QStringLiteral("%1-%2.stl").arg(knot ? "knot" : "sphere").arg(triangles));
    if (!QFileInfo::exists(path)
        && !MeshShapes::writeBinaryStl(path, knot ? MeshShapes::torusKnot(triangles)
                                                  : MeshShapes::nearWeldedSphere(triangles)))
        return QString();
    return path;
}

void BM_StlImportGaps(benchmark::State& state)
{
    const bool knot = state.range(0) != 0;
    const QString path = meshFile(knot, int(state.range(1)));
    if (path.isEmpty()) {
        state.SkipWithError("the mesh was not written");
        return;
    }
    measureImports(state, path);
    state.SetLabel(knot ? "torus knot" : "sphere");
}
BENCHMARK(BM_StlImportGaps)->Args({0, 358800})->Args({1, 358800})->Iterations(2)->MeasureProcessCPUTime()->Unit(benchmark::kSecond);

// A project whose part is the sphere's mesh, opened twice, the second replacing the first.
void BM_StlProjectOpenGaps(benchmark::State& state)
{
    const QString mesh = meshFile(false, int(state.range(0)));
    const QString path = benchDir().filePath(QStringLiteral("sphere-%1.vtq").arg(state.range(0)));
    if (!QFileInfo::exists(path)) {
        const StlImportResult read = mesh.isEmpty() ? StlImportResult() : StlImporter::importStl(mesh);
        ProjectManager project;
        project.addShape(read.shape);
        project.setMainShapeIndex(0);
        if (!read.ok || !project.saveProject(path, {}, {}, false)) {
            state.SkipWithError("the project was not written");
            return;
        }
    }
    measureImports(state, path);
    state.SetLabel("sphere project");
}
BENCHMARK(BM_StlProjectOpenGaps)->Arg(358800)->Iterations(2)->MeasureProcessCPUTime()->Unit(benchmark::kSecond);

// 0 StickHub, 1 SOT-23.
void BM_StepImportGaps(benchmark::State& state)
{
    const bool hub = state.range(0) == 0;
    measureImports(state, QStringLiteral(VTQ_BENCH_DATA_DIR "/parts/")
                              + (hub ? QStringLiteral("StickHub_models.step") : QStringLiteral("SOT23.stp")));
    state.SetLabel(hub ? "StickHub" : "SOT-23");
}
BENCHMARK(BM_StepImportGaps)->Arg(0)->Arg(1)->Iterations(2)->MeasureProcessCPUTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    return runBenchmarks<QApplication>(argc, argv, [] { s_window.reset(); });
}
