// How long the window would go without painting during the long operations of a design of
// 160 components (a real netlist's KiCad footprints with 80 tracks, sunk in a box part): the
// exports and the burial analysis report their progress, and the window paints at each report
// made on the GUI thread. Per operation: its time with progress reported (total_s) beside the
// same operation without (plain_s: the whole of it was frozen before), the longest stretch on
// the GUI thread between two reports or after the last one (longest_gap_s, and its share of
// the operation), and the number of reports.
#include "benchmain.h"

#include "threemfdesign.h"

#include "components/burialanalyzer.h"
#include "outputs/exportoptions.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_ProgressIndicator.hxx>

#include <algorithm>
#include <functional>

namespace {

class GapRecorder : public Message_ProgressIndicator
{
public:
    GapRecorder() { m_clock.start(); }

    double finish()
    {
        note();
        return double(m_longest) * 1e-9;
    }
    int reports() const { return m_reports; }

protected:
    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
            note();
            ++m_reports;
        }
    }

private:
    void note()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    int m_reports = 0;
};

enum Operation { StepExport = 0, ThreeMfExport = 1, BurialAnalysis = 2 };

void BM_ProgressGaps(benchmark::State& state)
{
    ThreeMfDesignSpec spec;
    spec.components = 160;
    spec.partX = 190.0;
    spec.partY = 10.0 + 12.0 * ((spec.components + 17) / 18);
    ThreeMfDesign design;
    QString why;
    if (!buildThreeMfDesign(spec, design, &why)) {
        state.SkipWithError(why.toUtf8().constData());
        return;
    }
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
        state.counters["gap_share"] = gap / total;
        state.counters["reports"] = recorder->reports();
    }
}
BENCHMARK(BM_ProgressGaps)->Arg(StepExport)->Arg(ThreeMfExport)->Arg(BurialAnalysis)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    Message::DefaultMessenger()->ChangePrinters().Clear(); // the STEP writer's statistics
    return runBenchmarks<QApplication>(argc, argv);
}
