// The progress window through the STEP export of a real design (KiCad footprints and tracks
// on a box part): the bar moves through the carving as the work reports, with no share kept for
// work that did not run, and Cancel in each stage ends the export there, nothing written.
#include "app/progresswindow.h"
#include "designfixture.h"
#include "outputs/stepexporter.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>

#include <algorithm>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

namespace {

const char kCarving[] = "Cutting the cavities and joining the conductors…";
const char kTranslating[] = "Translating the design into STEP…";
const char kWriting[] = "Writing the file…";

struct Seen
{
    int value;
    std::string stage;
};

class ExportProgress : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        QString reason;
        s_design = new DesignFixture::Design(DesignFixture::footprintGrid(8, 4, 1.0, 0.8, &reason));
        s_skip = reason.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete s_design;
        s_design = nullptr;
    }

    void SetUp() override
    {
        if (s_design->part.IsNull())
            GTEST_SKIP() << s_skip;
        ProgressWindow::setShowDelay(0);
        ProgressWindow::setPumpInterval(0);
    }
    void TearDown() override
    {
        ProgressWindow::setPumpInterval(40);
        ProgressWindow::setShowDelay(400);
    }

    // Every value the bar takes, with the stage told then; cancelWhen, asked at each, presses
    // Cancel when it answers true.
    std::vector<Seen> exportSeen(const QString& path, StepExportSummary& summary,
                                 const std::function<bool(const std::vector<Seen>&)>& cancelWhen = {})
    {
        std::vector<Seen> seen;
        ProgressWindow progress(nullptr, QStringLiteral("Exporting STEP..."));
        QDialog* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QLatin1String("progressWindow"))
                window = qobject_cast<QDialog*>(widget);
        EXPECT_NE(window, nullptr);
        if (!window)
            return seen;
        const auto* stage = window->findChild<QLabel*>(QStringLiteral("progressStage"));
        bool pressed = false;
        QObject::connect(window->findChild<QProgressBar*>(), &QProgressBar::valueChanged, window, [&](int value) {
            seen.push_back({value, stage->isVisible() ? stage->text().toStdString() : std::string()});
            if (!pressed && cancelWhen && cancelWhen(seen)) {
                pressed = true;
                window->reject();
            }
        });
        summary = StepExporter::exportStep(path, s_design->input(), ExportOptions(), nullptr, progress.start());
        return seen;
    }

    static DesignFixture::Design* s_design;
    static std::string s_skip;
    QTemporaryDir m_dir;
};

DesignFixture::Design* ExportProgress::s_design = nullptr;
std::string ExportProgress::s_skip;

// Every report of the work, from whatever thread makes it: the bar's position and the stage.
class Reports : public Message_ProgressIndicator
{
public:
    std::vector<std::pair<int, std::string>> seen;

protected:
    void Show(const Message_ProgressScope& scope, const Standard_Boolean) override
    {
        const std::string stage = DesignFixture::stageOf(scope);
        const std::lock_guard<std::mutex> lock(m_mutex);
        seen.emplace_back(int(GetPosition() * 1000.0), stage);
    }

private:
    std::mutex m_mutex;
};

// Within the carving the work reports many positions, and none of its steps from one report to
// the next skips a share of work that did not run (a fallback not taken, a recut nothing needed):
// such a share is bar the work that ran did not fill, sitting still while it ran. Counted by
// reports, whatever the machine's speed.
TEST_F(ExportProgress, BarMovesThroughTheCarvingWithoutLeaps)
{
    const opencascade::handle<Reports> reports = new Reports;
    const StepExportSummary summary = StepExporter::exportStep(m_dir.filePath("board.step"), s_design->input(),
                                                               ExportOptions(), nullptr, reports->Start());
    ASSERT_TRUE(summary.success) << summary.error.toStdString();
    std::set<int> values;
    int leap = 0, from = -1, to = -1;
    for (size_t i = 1; i < reports->seen.size(); ++i) {
        if (reports->seen[i].second != StepExporter::kCarvingStage)
            continue;
        values.insert(reports->seen[i].first);
        if (reports->seen[i].first - reports->seen[i - 1].first > leap) {
            leap = reports->seen[i].first - reports->seen[i - 1].first;
            from = reports->seen[i - 1].first;
            to = reports->seen[i].first;
        }
    }
    EXPECT_GE(values.size(), 40u);
    EXPECT_LE(leap, 40) << "the bar leapt from " << from << " to " << to << " of 1000";
    // The carving is most of the export's work and takes most of the bar.
    ASSERT_FALSE(values.empty());
    EXPECT_GE(*values.rbegin() - *values.begin(), 500);
}

// Cancel pressed at the second value of each stage ends the export in that stage: no later
// stage is told, the export says it was cancelled and no file is left.
TEST_F(ExportProgress, CancelInEachStageEndsTheExport)
{
    for (const char* stage : {kCarving, kTranslating, kWriting}) {
        SCOPED_TRACE(stage);
        const QString path = m_dir.filePath(QStringLiteral("board.step"));
        StepExportSummary summary;
        const std::vector<Seen> seen = exportSeen(path, summary, [stage](const std::vector<Seen>& so) {
            return std::count_if(so.cbegin(), so.cend(), [stage](const Seen& s) { return s.stage == stage; }) >= 2;
        });
        EXPECT_TRUE(summary.cancelled);
        EXPECT_FALSE(summary.success);
        EXPECT_FALSE(QFile::exists(path));
        const auto pressedAt = std::find_if(seen.cbegin(), seen.cend(), [stage](const Seen& s) { return s.stage == stage; });
        ASSERT_NE(pressedAt, seen.cend()) << "the stage was told";
        for (auto it = pressedAt; it != seen.cend(); ++it)
            EXPECT_TRUE(it->stage == stage) << "told after Cancel: " << it->stage;
    }
}

} // namespace
