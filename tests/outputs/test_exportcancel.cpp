// Cancel driven into each stage of the STEP and 3MF exports by a progress that breaks at a chosen
// report of that stage: the export ends cancelled there, and the previous file is left as it was.
#include "designfixture.h"

#include "outputs/printplan.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QFile>
#include <QTemporaryDir>

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace {

// Counts every report by stage, from whatever thread makes it, and from the nth report of the
// stage asked for on, answers that a break is asked.
class BreakAt : public Message_ProgressIndicator
{
public:
    BreakAt(std::string stage, int nth) : m_stage(std::move(stage)), m_nth(nth) {}

    std::map<std::string, int> counts;
    bool broke() const { return m_broken.load(); }

protected:
    Standard_Boolean UserBreak() override { return m_broken.load(); }
    void Show(const Message_ProgressScope& scope, const Standard_Boolean) override
    {
        const std::string stage = DesignFixture::stageOf(scope);
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (++counts[stage] >= m_nth && stage == m_stage)
            m_broken = true;
    }

private:
    std::string m_stage;
    int m_nth = 1;
    std::mutex m_mutex;
    std::atomic<bool> m_broken{false};
};

enum class Format { Step, ThreeMf };

// Whether the export ran to its end (true) or was cancelled (false); error when it failed.
bool exportOnce(Format format, const DesignFixture::Design& design, const QString& path,
                const opencascade::handle<BreakAt>& progress, QString& error)
{
    if (format == Format::Step) {
        const StepExportSummary summary =
            StepExporter::exportStep(path, design.input(), ExportOptions(), nullptr, progress->Start());
        error = summary.error;
        return !summary.cancelled;
    }
    const ThreeMfExportSummary summary =
        ThreeMfExporter().exportThreeMf(path, design.input(), PrintPlan(), ExportOptions(), nullptr, progress->Start());
    error = summary.error;
    return !summary.cancelled;
}

TEST(ExportCancel, BreakInEachStageEndsTheExportThereAndKeepsThePreviousFile)
{
    QString reason;
    const DesignFixture::Design design = DesignFixture::footprintGrid(6, 4, 1.0, 0.8, &reason);
    if (design.part.IsNull())
        GTEST_SKIP() << reason.toStdString();
    QTemporaryDir dir;
    for (const Format format : {Format::Step, Format::ThreeMf}) {
        const QString path = dir.filePath(format == Format::Step ? QStringLiteral("board.step") : QStringLiteral("board.3mf"));
        // A run to the end counts the reports of each stage.
        const opencascade::handle<BreakAt> counting = new BreakAt(std::string(), 1 << 30);
        QString error;
        ASSERT_TRUE(exportOnce(format, design, path, counting, error));
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        const std::vector<std::string> stages =
            format == Format::Step ? std::vector<std::string>{StepExporter::kCarvingStage, StepExporter::kTransferStage,
                                                              StepExporter::kWriteStage}
                                   : std::vector<std::string>{StepExporter::kCarvingStage, ThreeMfExporter::kPackageStage};
        for (const std::string& stage : stages) {
            const int reports = counting->counts[stage];
            ASSERT_GT(reports, 0) << stage;
            // At the stage's first report, and well into the carving's and the package's, which
            // report as their work goes; the translation and the write report only as the wait
            // for them goes, as often as the machine lets it.
            const bool working = stage == StepExporter::kCarvingStage || stage == ThreeMfExporter::kPackageStage;
            for (const int nth : {1, working ? std::max(1, reports / 4) : 1}) {
                SCOPED_TRACE(stage + " at report " + std::to_string(nth) + " of " + std::to_string(reports));
                {
                    QFile previous(path);
                    ASSERT_TRUE(previous.open(QIODevice::WriteOnly | QIODevice::Truncate));
                    previous.write("previous export");
                }
                const opencascade::handle<BreakAt> breaking = new BreakAt(stage, nth);
                EXPECT_FALSE(exportOnce(format, design, path, breaking, error));
                EXPECT_TRUE(breaking->broke());
                EXPECT_TRUE(error.isEmpty()) << error.toStdString();
                QFile kept(path);
                ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
                EXPECT_EQ(kept.readAll(), QByteArray("previous export"));
                // No later stage was reached.
                for (auto later = std::find(stages.cbegin(), stages.cend(), stage) + 1; later != stages.cend(); ++later)
                    EXPECT_EQ(breaking->counts[*later], 0) << *later;
            }
        }
    }
}

} // namespace
