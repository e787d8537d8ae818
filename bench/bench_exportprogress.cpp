// How long the window would go without painting during the long operations of three designs:
// 0, 160 components (a real netlist's KiCad footprints with 80 tracks) sunk in a box part;
// 1, the same 160 on a one-solid frame part of 862 x 862 x 292 mm, most in its opening; 2, 24
// of them on a part of 119 separate B-spline solids. The exports, the burial analysis and the
// print plan's measure of what stands in the part report their progress, and the window paints
// at each report made on the GUI thread. Per operation: its time with progress reported
// (total_s) beside the same operation without (plain_s: the whole of it was frozen before), the
// longest stretch on the GUI thread between two reports or after the last one (longest_gap_s,
// and its share of the operation; longest_gap_cpu_s in the GUI thread's CPU time), the number of reports, and how long the operation took to
// end once a break was asked half-way through (cancel_s).
// BM_OpenGaps: the design saved as a project and opened in the window (run under xvfb-run), from
// the call to the load report: the same figures, from the window's own event ticks, and how long
// the opening takes to end once Cancel is pressed half-way through placing the components
// (cancel_s; -1 when it did not stop), and how long Cancel is greyed while the new design takes the
// open one's place (held_s, from the first report of that swap).
// BM_BurialGaps: the design opened in the window, then its burial analysis switched on with the
// window's own button and off again: the same figures for the click on (the analysis, its
// display) from the window's event ticks, and for the click off.
#include "benchmain.h"
#include "benchwindow.h"

#include "exportdesigns.h"

#include "app/mainwindow.h"
#include "mainwindowprobe.h"
#include "components/burialanalyzer.h"
#include "components/componentmanager.h"
#include "components/footprintmanager.h"
#include "model/footprintdata.h"
#include "model/savedcomponent.h"
#include "project/projectmanager.h"
#include "testsupport.h"
#include "view/occwidget.h"
#include "outputs/exportoptions.h"
#include "outputs/partpresence.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QPushButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QTemporaryDir>
#include <QThread>

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <Message.hxx>
#include <V3d_View.hxx>
#include <Message_Messenger.hxx>
#include <Message_ProgressIndicator.hxx>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <functional>
#include <memory>

namespace {

class GapRecorder : public Message_ProgressIndicator
{
public:
    GapRecorder()
    {
        m_clock.start();
        m_lastCpu = threadCpu();
    }

    double finish()
    {
        note();
        return double(m_longest) * 1e-9;
    }
    // The longest stretch in the GUI thread's own CPU time: what a loaded machine cannot inflate.
    double longestCpu() const { return m_longestCpu; }
    int reports() const { return m_reports; }

    // Asks for a break once that many seconds have passed.
    void breakAfter(double seconds) { m_breakAt = qint64(seconds * 1e9); }
    // Seconds from the first break answered to now; 0 when none was.
    double sinceBreak() const
    {
        const qint64 asked = m_breakAsked.load();
        return asked < 0 ? 0.0 : double(m_clock.nsecsElapsed() - asked) * 1e-9;
    }

protected:
    Standard_Boolean UserBreak() override
    {
        if (m_breakAt < 0 || m_clock.nsecsElapsed() < m_breakAt)
            return false;
        qint64 none = -1;
        m_breakAsked.compare_exchange_strong(none, m_clock.nsecsElapsed());
        return true;
    }

    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
            note();
            ++m_reports;
        }
    }

private:
    static double threadCpu()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    }

    void note()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
        const double cpu = threadCpu();
        m_longestCpu = std::max(m_longestCpu, cpu - m_lastCpu);
        m_lastCpu = cpu;
    }

    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    double m_lastCpu = 0.0;
    double m_longestCpu = 0.0;
    int m_reports = 0;
    qint64 m_breakAt = -1;
    std::atomic<qint64> m_breakAsked{-1};
};

enum Operation { StepExport = 0, ThreeMfExport = 1, BurialAnalysis = 2, PrintPlanMeasure = 3 };
enum Design { BoxPart = 0, FramePart = 1, ManySolidPart = 2 };

bool buildDesign(Design kind, ThreeMfDesign& design, QString* why)
{
    switch (kind) {
    case FramePart:
        return buildFrameDesign(design, why);
    case ManySolidPart:
        return buildManySolidDesign(design, false, why);
    case BoxPart:
        break;
    }
    return buildBoxDesign(design, why);
}

void BM_ProgressGaps(benchmark::State& state)
{
    ThreeMfDesign design;
    const Design kind = Design(state.range(1));
    if (!designOrSkip(state, design, [kind](ThreeMfDesign& d, QString* why) { return buildDesign(kind, d, why); }))
        return;
    const AssemblyInput input = design.input();
    const ExportOptions options;
    const PrintPlan plan = design.plan(0.2);
    QTemporaryDir dir;
    const Operation operation = Operation(state.range(0));
    BurialAnalyzer analyzer(design.context);
    const std::function<bool(const Message_ProgressRange&)> run = [&](const Message_ProgressRange& progress) {
        switch (operation) {
        case StepExport:
            return StepExporter::exportStep(dir.filePath("design.step"), input, options, nullptr, progress).success;
        case ThreeMfExport:
            return ThreeMfExporter()
                .exportThreeMf(dir.filePath("design.3mf"), input, plan, options, nullptr, progress)
                .ok;
        case BurialAnalysis:
            analyzer.setEnabled(false, design.components, design.part);
            analyzer.setEnabled(true, design.components, design.part, progress);
            return analyzer.resultCount() == int(design.components.size());
        case PrintPlanMeasure: {
            PartPresence presence;
            return presence.update(design.part, PartPresence::volumesOf(input), progress);
        }
        }
        return false;
    };
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const bool plainDone = run(Message_ProgressRange());
        const double plain = double(timer.nsecsElapsed()) * 1e-9;

        const opencascade::handle<GapRecorder> recorder = new GapRecorder;
        timer.restart();
        const bool done = run(recorder->Start());
        const double total = double(timer.nsecsElapsed()) * 1e-9;
        const double gap = recorder->finish();
        if (!plainDone || !done)
            state.SkipWithError("the operation failed");
        state.counters["components"] = double(design.components.size());
        state.counters["plain_s"] = plain;
        state.counters["total_s"] = total;
        state.counters["x_plain"] = total / plain;
        state.counters["longest_gap_s"] = gap;
        state.counters["longest_gap_cpu_s"] = recorder->longestCpu();
        state.counters["gap_share"] = gap / total;
        state.counters["reports"] = recorder->reports();

        const opencascade::handle<GapRecorder> breaking = new GapRecorder;
        breaking->breakAfter(0.5 * plain);
        run(breaking->Start());
        state.counters["cancel_s"] = breaking->sinceBreak();
    }
}
BENCHMARK(BM_ProgressGaps)
    ->ArgsProduct({{StepExport, ThreeMfExport, BurialAnalysis, PrintPlanMeasure}, {BoxPart, FramePart, ManySolidPart}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

namespace {

// The design as a project file, its footprints embedded; empty on failure.
QString writeProject(const ThreeMfDesign& design, const QTemporaryDir& dir, const QString& name)
{
    ProjectManager project;
    project.addShape(design.part);
    project.setMainShapeIndex(0);
    Netlist netlist = design.netlist;
    project.setNetlist(std::move(netlist));
    for (const Route& route : design.routes)
        project.routingManager().addRoute(route);
    FootprintManager library;
    library.addSearchPath(TestSupport::kicadFootprintRoot() + "/LED_THT.pretty");
    library.addSearchPath(TestSupport::kicadFootprintRoot() + "/Capacitor_THT.pretty");
    QList<SavedComponent> placed;
    QList<FootprintData> footprints;
    QSet<QString> embedded;
    for (const PlacedComponentData& component : design.components) {
        placed.append(SavedComponent{component, component.footprintName});
        if (!embedded.contains(component.footprintName) && library.loadFootprint(component.footprintName)) {
            embedded.insert(component.footprintName);
            footprints.append(library.getFootprint(component.footprintName));
        }
    }
    const QString path = dir.filePath(name + ".vtq");
    return project.saveProject(path, placed, footprints, false) ? path : QString();
}

// The window on screen, and a tick that answers its boxes and notes how long its thread went
// between two rounds of events.
struct OpenWindow
{
    OpenWindow()
    {
        showWithViewer(window);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [this] { onTick(); });
        tick.start();
    }

    // Seconds from the call to the load report; negative when it did not open. With breakAt > 0,
    // Cancel is pressed at the first report made once that many components are being placed.
    double open(const QString& path, int breakAt = 0)
    {
        reportAt = pressedAt = heldAt = -1;
        breakFrom = breakAt;
        longest = longestCpu = 0.0;
        lastWall = 0;
        lastCpu = threadCpu();
        measuring = true;
        clock.start();
        opened = window.loadProjectFile(path, false);
        returnedAt = clock.nsecsElapsed();
        measuring = false;
        return opened && reportAt >= 0 ? double(reportAt) * 1e-9 : -1.0;
    }

    void onTick()
    {
        if (measuring) {
            const qint64 now = clock.nsecsElapsed();
            const double cpu = threadCpu();
            longest = std::max(longest, double(now - lastWall) * 1e-9);
            longestCpu = std::max(longestCpu, cpu - lastCpu);
            lastWall = now;
            lastCpu = cpu;
            auto* progress = window.findChild<QDialog*>(QStringLiteral("progressWindow"));
            const QLabel* label = progress ? progress->findChild<QLabel*>() : nullptr;
            if (heldAt < 0 && label && label->text() == QLatin1String("Replacing the open design..."))
                heldAt = now;
            if (breakFrom > 0 && pressedAt < 0 && label && placedSoFar(label->text()) >= breakFrom) {
                pressedAt = now;
                progress->reject();
            }
        }
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* buttons = box ? box->findChild<QDialogButtonBox*>() : nullptr;
        if (!box || !box->isVisible() || !buttons || box->objectName() == QLatin1String("progressWindow"))
            return;
        if (box->windowTitle() == QStringLiteral("Project loaded") && measuring) {
            reportAt = clock.nsecsElapsed();
            measuring = false;
        }
        QPushButton* button = buttons->button(QDialogButtonBox::Yes);
        if (button || (button = buttons->button(QDialogButtonBox::Ok)))
            button->click();
    }

    static double threadCpu() { return StretchClock::threadCpuMs() * 1e-3; }

    // The component being placed, as the progress window says; 0 in another stage.
    static int placedSoFar(const QString& label)
    {
        static const QRegularExpression placing(QStringLiteral("^Placing the components: (\\d+) of"));
        const QRegularExpressionMatch match = placing.match(label);
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    }

    // Seconds the click takes to return; the ticks measure while it runs.
    double measured(const std::function<void()>& click)
    {
        longest = longestCpu = 0.0;
        lastWall = 0;
        lastCpu = threadCpu();
        measuring = true;
        clock.start();
        click();
        QCoreApplication::processEvents();
        const qint64 end = clock.nsecsElapsed();
        onTick();
        measuring = false;
        return double(end) * 1e-9;
    }

    // The floor of a stretch: one redraw of the scene on show, in this thread's CPU time.
    double redrawCpu()
    {
        const double before = threadCpu();
        window.findChild<OccWidget*>()->view()->Redraw();
        return threadCpu() - before;
    }

    MainWindow window;
    QTimer tick;
    QElapsedTimer clock;
    bool measuring = false;
    bool opened = false;
    int breakFrom = 0;
    qint64 pressedAt = -1, heldAt = -1, reportAt = -1, returnedAt = 0, lastWall = 0;
    double lastCpu = 0.0, longest = 0.0, longestCpu = 0.0;
};

std::unique_ptr<OpenWindow> s_window;

// The design of state.range(0) built and saved as a project in dir; the window, or null with the
// benchmark skipped.
OpenWindow* windowFor(benchmark::State& state, ThreeMfDesign& design, const QTemporaryDir& dir, QString& path)
{
    const Design kind = Design(state.range(0));
    if (!designOrSkip(state, design, [kind](ThreeMfDesign& d, QString* why) { return buildDesign(kind, d, why); }))
        return nullptr;
    path = writeProject(design, dir, QStringLiteral("design"));
    if (path.isEmpty()) {
        state.SkipWithError("the project was not written");
        return nullptr;
    }
    if (!s_window)
        s_window = std::make_unique<OpenWindow>();
    return s_window.get();
}

void BM_OpenGaps(benchmark::State& state)
{
    ThreeMfDesign design;
    QTemporaryDir dir;
    QString path;
    OpenWindow* window = windowFor(state, design, dir, path);
    if (!window)
        return;
    OpenWindow& w = *window;
    for (auto _ : state) {
        const double total = w.open(path);
        if (total < 0) {
            state.SkipWithError("the project did not open");
            return;
        }
        state.counters["components"] = double(design.components.size());
        state.counters["total_s"] = total;
        state.counters["longest_gap_s"] = w.longest;
        state.counters["longest_gap_cpu_s"] = w.longestCpu;
        state.counters["gap_share"] = w.longest / total;
        state.counters["redraw_cpu_s"] = w.redrawCpu();
        // From the first report of the swap, where Cancel is greyed, to the load report.
        state.counters["held_s"] = w.heldAt < 0 ? 0.0 : double(w.reportAt - w.heldAt) * 1e-9;

        w.open(path, int(design.components.size()) / 2);
        const bool acted = !w.opened && w.pressedAt >= 0;
        state.counters["cancel_s"] = acted ? double(w.returnedAt - w.pressedAt) * 1e-9 : -1.0;
    }
}
BENCHMARK(BM_OpenGaps)->Arg(BoxPart)->Arg(FramePart)->Arg(ManySolidPart)->Iterations(1)->Unit(benchmark::kSecond);

void BM_BurialGaps(benchmark::State& state)
{
    ThreeMfDesign design;
    QTemporaryDir dir;
    QString path;
    OpenWindow* window = windowFor(state, design, dir, path);
    if (!window)
        return;
    OpenWindow& w = *window;
    if (w.open(path) < 0) {
        state.SkipWithError("the project did not open");
        return;
    }
    QPushButton* button = nullptr;
    for (QPushButton* candidate : w.window.findChildren<QPushButton*>())
        if (candidate->text() == QLatin1String("Burial analysis"))
            button = candidate;
    if (!button || !button->isEnabled()) {
        state.SkipWithError("no burial analysis button");
        return;
    }
    for (auto _ : state) {
        const double on = w.measured([&] { button->click(); });
        state.counters["components"] = double(design.components.size());
        state.counters["total_s"] = on;
        state.counters["longest_gap_s"] = w.longest;
        state.counters["longest_gap_cpu_s"] = w.longestCpu;
        state.counters["gap_share"] = w.longest / on;
        // Results on show: a redraw of them is the least a stretch that paints them costs.
        state.counters["redraw_cpu_s"] = w.redrawCpu();
        state.counters["x_redraw"] = w.longestCpu / state.counters["redraw_cpu_s"];
        const double off = w.measured([&] { button->click(); });
        state.counters["off_s"] = off;
        state.counters["off_longest_gap_cpu_s"] = w.longestCpu;
    }
}
BENCHMARK(BM_BurialGaps)->Arg(BoxPart)->Arg(FramePart)->Arg(ManySolidPart)->Iterations(1)->Unit(benchmark::kSecond);

// A real board as a user makes it: KiCad's StickHub board with its models (119 B-spline solids)
// as the part, the 68 components of KiCad's complex_hierarchy demo generated from KiCad's own
// library, laid on the board's top, the burial analysis switched on and off, the design saved
// and opened again. Each step's whole time and the longest stretch of the window's thread
// (wall clock and its own CPU time): gen_*, burial_*, open_*.
void BM_RealBoardGaps(benchmark::State& state)
{
    if (!s_window)
        s_window = std::make_unique<OpenWindow>();
    OpenWindow& w = *s_window;
    MainWindowProbe probe(w.window);
    QTemporaryDir dir;
    for (auto _ : state) {
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            w.window.newProject();
        }
        if (!w.window.importStepFile(QStringLiteral(VTQ_BENCH_DATA_DIR "/parts/StickHub_models.step"))) {
            state.SkipWithError("the part was not imported");
            return;
        }
        QString error;
        if (!probe.project().importNetlist(QStringLiteral(VTQ_BENCH_DATA_DIR "/netlists/complex_hierarchy.net"),
                                           &error)) {
            state.SkipWithError("the netlist was not read");
            return;
        }
        probe.footprints().clearSearchPaths();
        probe.footprints().addSearchPath(TestSupport::kicadFootprintRoot());
        probe.footprints().buildFootprintIndex();

        const double generation = w.measured([&] { w.window.generateComponents(); });
        state.counters["components"] = double(probe.componentManager()->components().size());
        state.counters["gen_s"] = generation;
        state.counters["gen_longest_gap_s"] = w.longest;
        state.counters["gen_longest_gap_cpu_s"] = w.longestCpu;

        // On the board's top, in rows over its box, sunk half their body.
        Bnd_Box box;
        BRepBndLib::Add(probe.project().mainShape(), box);
        double x0, y0, z0, x1, y1, z1;
        box.Get(x0, y0, z0, x1, y1, z1);
        const QStringList refs = probe.componentManager()->components().keys();
        const int columns = 10;
        for (int i = 0; i < refs.size(); ++i) {
            ComponentProperties p = probe.propertiesOf(refs.at(i));
            p.posX = x0 + (x1 - x0) * (0.5 + i % columns) / columns;
            p.posY = y0 + (y1 - y0) * (0.5 + i / columns) / ((refs.size() + columns - 1) / columns);
            p.posZ = z1 - 1.0;
            probe.applyProperties(refs.at(i), p);
        }

        QPushButton* burial = probe.burialButton();
        const double on = w.measured([&] { burial->click(); });
        state.counters["burial_s"] = on;
        state.counters["burial_longest_gap_s"] = w.longest;
        state.counters["burial_longest_gap_cpu_s"] = w.longestCpu;
        state.counters["burial_redraw_cpu_s"] = w.redrawCpu();
        w.measured([&] { burial->click(); });

        const QString path = dir.filePath(QStringLiteral("board.vtq"));
        if (!probe.saveProjectTo(path)) {
            state.SkipWithError("the design was not saved");
            return;
        }
        const double open = w.open(path);
        state.counters["open_s"] = open;
        state.counters["open_longest_gap_s"] = w.longest;
        state.counters["open_longest_gap_cpu_s"] = w.longestCpu;
        state.counters["open_redraw_cpu_s"] = w.redrawCpu();
    }
}
BENCHMARK(BM_RealBoardGaps)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    Message::DefaultMessenger()->ChangePrinters().Clear(); // the STEP writer's statistics
    return runBenchmarks<QApplication>(argc, argv, [] { s_window.reset(); });
}
