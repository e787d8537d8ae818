// The window's STEP export and print plan flows: their guards, the plan of the loaded part,
// and the warning paragraphs of an export's problem counts.
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "testsupport.h"

#include "outputs/printplandialog.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class MainWindowOutputs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        window->setSaveFileChooser([this](QWidget*, int, const QString&, const QString&, const QStringList&) {
            ++asked;
            return m_dir.filePath(QStringLiteral("board.step"));
        });
    }

    void loadBox()
    {
        const QString step = m_dir.filePath(QStringLiteral("box.step"));
        ASSERT_TRUE(PartFiles::writeStep(step, {PartFiles::box(40, 20, 10)}));
        ASSERT_TRUE(window->importStepFile(step));
    }

    TestSupport::IsolatedSettings m_settings;
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
    int asked = 0;
};

// Without the viewer's objects the flows stop at their first check: no file is asked for or
// written, and no print plan window is made.
TEST_F(MainWindowOutputs, FlowsWaitForTheViewer)
{
    loadBox();
    MessageBoxAnswerer answerer;
    window->exportStepFile();
    window->showPrintPlan();
    ASSERT_EQ(answerer.seen.size(), 2);
    EXPECT_TRUE(answerer.seen.first().startsWith(QStringLiteral("Viewer not ready|")));
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("board.step"))));
    EXPECT_EQ(window->findChild<PrintPlanDialog*>(), nullptr);
}

TEST_F(MainWindowOutputs, PrintPlanOfTheLoadedPart)
{
    EXPECT_EQ(window->buildPrintPlan(0.2).error, QStringLiteral("No main component imported"));
    loadBox();
    EXPECT_TRUE(probe->exportStepAction()->isEnabled());
    EXPECT_TRUE(probe->printPlanAction()->isEnabled());
    const PrintPlan plan = window->buildPrintPlan(0.5);
    ASSERT_TRUE(plan.ok) << plan.error.toStdString();
    EXPECT_EQ(plan.layerCount, 20);
    EXPECT_NEAR(plan.partHeight, 10.0, 1e-6);
    EXPECT_FALSE(window->buildPrintPlan(1e-12).ok);
}

TEST(ExportIssues, OneParagraphPerProblemInOrder)
{
    EXPECT_TRUE(MainWindow::describeExportIssues(0, 0, 0, 0, 1).isEmpty());
    EXPECT_TRUE(MainWindow::describeExportIssues(0, 0, 0, 0, 0).isEmpty());
    const QStringList paragraphs =
        MainWindow::describeExportIssues(2, 1, 3, 4, 2).split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(paragraphs.size(), 5);
    EXPECT_TRUE(paragraphs.at(0).startsWith(QStringLiteral("⚠ 2 cavity(ies) could not be cut")));
    EXPECT_TRUE(paragraphs.at(1).startsWith(QStringLiteral("⚠ 1 cavity(ies) were cut but")));
    EXPECT_TRUE(paragraphs.at(2).startsWith(QStringLiteral("⚠ 3 conductor element(s) could not be fused")));
    EXPECT_TRUE(paragraphs.at(3).startsWith(QStringLiteral("ℹ 4 cavity(ies) were handed back")));
    EXPECT_TRUE(paragraphs.at(4).startsWith(QStringLiteral("⚠ The carved part is made of 2 disconnected")));
}

} // namespace
