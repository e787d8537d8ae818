// The window's 3MF export: the report built from the summary, and the flow under a real view
// (dialog cancelled, then confirmed; the package written and reported).
#include "logcapture.h"
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "testsupport.h"

#include "outputs/exportoptions.h"
#include "outputs/threemfexportdialog.h"
#include "outputs/threemfexporter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

PrintPlan planWithPauses(int pauses)
{
    PrintPlan plan;
    plan.ok = true;
    plan.layerHeight = 0.15;
    plan.pauses.resize(pauses);
    return plan;
}

ExportOptions options(bool txt, bool csv, int mode = 1)
{
    ExportOptions o;
    o.embedPlanTxt = txt;
    o.embedPlanCsv = csv;
    o.slicerConfigMode = mode;
    return o;
}

} // namespace

TEST(ThreeMfReport, SaysWhatTheFileHoldsAndWhyPausesAreMissing)
{
    ThreeMfExportSummary summary;
    summary.partCount = 3;
    PrintPlan failed;
    failed.error = QStringLiteral("invalid layer height");
    const QString head = QStringLiteral("✓ 3MF file exported:\nboard.3mf\n\nContent:\n"
                                        "• Single item, 3 part(s) (component + conductors)\n");
    const QString slicer = QStringLiteral("• PrusaSlicer settings: 4 perimeter(s) + 90% infill (Slic3r_PE_model.config).");

    EXPECT_EQ(MainWindow::threeMfReport("board.3mf", false, options(false, false), failed, summary), head + slicer)
        << "a part export never mentions pauses";
    PrintPlan atTheEnd = planWithPauses(0);
    atTheEnd.endInsertions.resize(1);
    EXPECT_EQ(MainWindow::threeMfReport("board.3mf", true, options(false, false), atTheEnd, summary),
              head + slicer + "\n• No native pause to embed: all insertions happen at the end of the print.");
    EXPECT_EQ(MainWindow::threeMfReport("board.3mf", true, options(false, false), planWithPauses(0), summary),
              head + slicer + "\n• No native pause to embed: the plan has no component to insert.");
    EXPECT_EQ(MainWindow::threeMfReport("board.3mf", true, options(true, true), failed, summary),
              head + "• Embedded print plan: Metadata/Vantorquelle_PrintPlan.txt + .csv\n\n"
                     "Note: the print plan is unavailable (invalid layer height) — the attachments indicate this.\n"
                  + slicer + "\n⚠ Native pauses not embedded: print plan unavailable (invalid layer height).");

    summary.nativePauseCount = 2;
    const QString withPauses = MainWindow::threeMfReport("board.3mf", true, options(false, true), planWithPauses(2), summary);
    EXPECT_TRUE(withPauses.contains("PrintPlan.csv\n\nPause heights are carried over in the 3MF file (attachments).\n"));
    EXPECT_TRUE(withPauses.endsWith("\n• 2 embedded M601 pause(s) with LCD message: open the 3MF as a PROJECT in "
                                    "PrusaSlicer and slice at 0.15 mm (first layer included) — the insertion pause(s) "
                                    "already on the layer slider.")) << withPauses.toStdString();

    summary.openShells = 1;
    summary.droppedConductors = 2;
    summary.piecesCutApart = 2;
    const QString problems =
        MainWindow::threeMfReport("board.3mf", false, options(false, false, 0), planWithPauses(2), summary);
    EXPECT_FALSE(problems.contains("PrusaSlicer")) << "no slicer line without the configuration";
    const qsizetype pieces = problems.indexOf("\n\n⚠ The cavities cut solids of the part apart: 2 piece(s)");
    const qsizetype open = problems.indexOf("\n\n⚠ 1 shell(s) did not close");
    const qsizetype dropped = problems.indexOf("\n\n⚠ 2 conductor element(s) could not be meshed at all");
    EXPECT_TRUE(pieces > 0 && open > pieces && dropped > open) << problems.toStdString();
}

// The 3MF report, from the same assembly, says that the carved part fails the validity check.
TEST(ThreeMfReport, SaysThePartIsInvalid)
{
    ThreeMfExportSummary summary;
    EXPECT_FALSE(MainWindow::threeMfReport("board.3mf", false, options(false, false, 0), planWithPauses(0), summary)
                     .contains("validity check"));
    summary.partInvalid = true;
    const QString report =
        MainWindow::threeMfReport("board.3mf", false, options(false, false, 0), planWithPauses(0), summary);
    EXPECT_TRUE(report.contains("\n\n⚠ The carved part fails the validity check")) << report.toStdString();
}

TEST(ThreeMfExportFlow, CancelledThenConfirmedUnderTheRealView)
{
    TestSupport::IsolatedSettings settings;
    QTemporaryDir dir;
    MainWindow window;
    MainWindowProbe probe(window);
    window.show();
    ASSERT_TRUE(waitFor([&] { return probe.viewerReady(); }));
    ASSERT_TRUE(window.isViewerReady());

    const QString target = dir.filePath("board.3mf");
    QStringList captions;
    window.setSaveFileChooser([&](QWidget*, int, const QString& caption, const QString&, const QStringList& suffixes) {
        captions << caption + '|' + suffixes.join(',');
        return target;
    });
    const QString step = dir.filePath("box.step");
    ASSERT_TRUE(PartFiles::writeStep(step, {PartFiles::box(40, 20, 10)}));
    ASSERT_TRUE(window.importStepFile(step));
    ASSERT_TRUE(probe.export3mfProjectAction()->isEnabled());

    // The export dialog is answered as it opens: first cancelled, then confirmed.
    bool confirm = false;
    QStringList dialogs;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<ThreeMfExportDialog*>(QApplication::activeModalWidget())) {
            dialogs << dialog->windowTitle();
            confirm ? dialog->accept() : dialog->reject();
        }
    });
    answer.start(20);
    MessageBoxAnswerer boxes;

    probe.export3mfProjectAction()->trigger();
    EXPECT_EQ(probe.status(), "3MF export cancelled");
    EXPECT_FALSE(QFile::exists(target));

    confirm = true;
    probe.export3mfPartAction()->trigger();
    EXPECT_EQ(probe.status(), "✓ 3MF export: 1 object(s)");
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_EQ(dialogs, QStringList({"Export 3MF project", "Export 3MF part"}));
    EXPECT_EQ(captions, QStringList({"Export 3MF project|3mf", "Export 3MF part|3mf"}));
    ASSERT_EQ(boxes.seen.size(), 1) << boxes.seen.join("\n").toStdString();
    EXPECT_TRUE(boxes.seen[0].startsWith("3MF export successful|✓ 3MF file exported:\nboard.3mf\n")) << boxes.seen[0].toStdString();
}
