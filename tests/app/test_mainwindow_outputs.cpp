// The window's STEP export and print plan flows (needs an X server for the viewer): guards,
// cancelled and failed exports, the report, the print plan window, the warning paragraphs of
// an export's problem counts, and the long operations' progress window.
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "testsupport.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"

#include "app/progresswindow.h"
#include "app/routecommands.h"
#include "components/componentmanager.h"
#include "outputs/printplandialog.h"
#include "outputs/printplangenerator.h"

#include <QGuiApplication>
#include <QPointer>
#include <QCursor>
#include <QDialogButtonBox>
#include <QLabel>
#include <QDoubleSpinBox>
#include <QDir>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTimer>
#include <QUndoCommand>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <Message_ProgressScope.hxx>
#include <TopExp_Explorer.hxx>
#include <TopLoc_Location.hxx>
#include <TopoDS.hxx>
#include <gp_Trsf.hxx>

#include <gtest/gtest.h>

#include <functional>

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
            return target;
        });
    }

    void showWindow()
    {
        window->show();
        ASSERT_TRUE(waitFor([this] { return window->isViewerReady(); }));
    }

    // A 40 x 20 x 10 box; with a track buried inside it when asked.
    void loadBox(bool withTrack)
    {
        const QString step = m_dir.filePath(QStringLiteral("box.step"));
        ASSERT_TRUE(PartFiles::writeStep(step, {PartFiles::box(40, 20, 10)}));
        ASSERT_TRUE(window->importStepFile(step));
        if (withTrack)
            addTrack();
    }

    // A track buried in the part.
    void addTrack()
    {
        probe->project().routingManager().addRoute(trackAcross(probe->project().mainShape()));
        window->updateActionStates();
    }

    TestSupport::IsolatedSettings m_settings;
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
    QString target;
    int asked = 0;
};

// Without the viewer, or without a part, the flows stop at their first check: no file is
// asked for or written, and no print plan window is made.
TEST_F(MainWindowOutputs, FlowsNeedTheViewerAndAPart)
{
    target = m_dir.filePath(QStringLiteral("board.step"));
    {
        loadBox(false);
        MessageBoxAnswerer answerer;
        window->exportStepFile();
        window->showPrintPlan();
        ASSERT_EQ(answerer.seen.size(), 2);
        EXPECT_TRUE(answerer.seen.first().startsWith(QStringLiteral("Viewer not ready|")));
    }
    showWindow();
    probe->project().clear();
    MessageBoxAnswerer answerer;
    window->exportStepFile();
    window->showPrintPlan();
    EXPECT_EQ(answerer.seen, (QStringList{"Info|Import a STEP part before exporting.",
                                          "Info|Import a STEP part first before generating the print plan."}));
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(window->findChild<PrintPlanDialog*>(), nullptr);
}

TEST_F(MainWindowOutputs, StepExportReportsWhatItWrote)
{
    showWindow();
    loadBox(true);
    EXPECT_TRUE(probe->exportStepAction()->isEnabled());

    MessageBoxAnswerer answerer;
    target.clear(); // cancelled file dialog: silent
    window->exportStepFile();
    EXPECT_TRUE(answerer.seen.isEmpty());

    target = m_dir.filePath(QStringLiteral("board.step"));
    window->exportStepFile();
    ASSERT_EQ(answerer.seen.size(), 1);
    EXPECT_TRUE(answerer.seen.first().startsWith(QStringLiteral(
        "STEP export successful|✓ File exported:\nboard.step\n\nContent:\n• Main part: hollowed (1 cavity(ies))\n"
        "• Conductor: 1 element(s) (pads + tracks)\n\n")))
        << answerer.seen.first().toStdString();
    EXPECT_EQ(probe->status(), QStringLiteral("✓ STEP export: 1 cavity(ies), 1 conductor element(s)"));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("ISO-10303-21;"));

    target = m_dir.filePath(QStringLiteral("missing/board.step"));
    window->exportStepFile();
    ASSERT_EQ(answerer.seen.size(), 2);
    EXPECT_TRUE(answerer.seen.last().startsWith(
        QStringLiteral("STEP export error|Export failed:\n\nFailed to write the STEP file.")));
    EXPECT_EQ(probe->status(), QStringLiteral("✗ STEP export failed"));

    // A part of surfaces that sewing could not close is said to be open at export too.
    const QString surfaces = m_dir.filePath(QStringLiteral("surfaces.step"));
    ASSERT_TRUE(PartFiles::writeStep(surfaces, {PartFiles::boxSurfaces(40, 20, 10, true)}));
    probe->project().clear();
    ASSERT_TRUE(window->importStepFile(surfaces));
    target = m_dir.filePath(QStringLiteral("open.step"));
    window->exportStepFile();
    EXPECT_TRUE(answerer.seen.last().contains(
        QStringLiteral("\n\n⚠ The part is not closed: it holds surfaces and no solid, as its import said.")))
        << answerer.seen.last().toStdString();
}

// A track whose solid comes out short of its copper (a middle leg far too thin for the solid's
// tolerances, as no file can bring any more) is named in the export's report, with the copper its
// segments make counted from their plan: the report does not read as a success for it.
TEST_F(MainWindowOutputs, StepExportNamesATrackShortOfCopper)
{
    showWindow();
    loadBox(false);
    double x0, y0, z0, x1, y1, z1;
    GeometryUtils::getTightBoundingBox(probe->project().mainShape()).Get(x0, y0, z0, x1, y1, z1);
    const double ym = (y0 + y1) / 2, z = z0 + 3, w = 0.3, r = w / 2;
    const gp_Pnt p[] = {{x0 + 5, ym - 5, z}, {x0 + 15, ym - 5, z}, {x0 + 15, ym + 5, z}, {x0 + 25, ym + 5, z}};
    Route route;
    route.netName = QStringLiteral("GND");
    for (int i = 0; i < 3; ++i) {
        RouteSegment segment;
        segment.start = p[i];
        segment.end = p[i + 1];
        segment.width = i == 1 ? 1.1e-7 : w;
        segment.height = 1.0;
        route.segments.append(segment);
    }
    probe->project().routingManager().addRoute(route);
    window->updateActionStates();
    // Two outer legs, the thin one, and the half disc of the first bend's round beyond the first
    // leg's end (the thin leg's round is below the solid's tolerance).
    const double planned = 2 * 10 * w + 10 * 1.1e-7 + M_PI * r * r / 2;

    MessageBoxAnswerer answerer;
    target = m_dir.filePath(QStringLiteral("thin.step"));
    window->exportStepFile();
    ASSERT_EQ(answerer.seen.size(), 1);
    const QString report = answerer.seen.first();
    const QString label = probe->project().routingManager().routes().first().label();
    EXPECT_TRUE(report.contains(QStringLiteral("\n\n⚠ 1 track(s) came out short of copper or in pieces and are "
                                               "written so")))
        << report.toStdString();
    const QRegularExpression line(QStringLiteral("\n    %1 \\(GND\\): it holds ([0-9.]+) mm³ of copper where its "
                                                 "segments make ([0-9.]+) mm³")
                                      .arg(QRegularExpression::escape(label)));
    const QRegularExpressionMatch match = line.match(report);
    ASSERT_TRUE(match.hasMatch()) << report.toStdString();
    EXPECT_LT(match.captured(1).toDouble(), planned * 0.999);
    EXPECT_NEAR(match.captured(2).toDouble(), planned, 2e-5 * planned); // as shown, to six digits
}

// The export holds the busy pointer (its Cancel can still be pressed) from the chosen file to
// the written one, and gives it back for the report.
TEST_F(MainWindowOutputs, ExportsShowTheBusyPointerUntilTheyEnd)
{
    showWindow();
    loadBox(true);
    const auto cursorNow = [] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        return cursor ? int(cursor->shape()) : -1;
    };
    QList<int> whileExporting;
    // The first events once the file is chosen, and the 3MF options accepted, run inside the export.
    std::function<void()> sample = [&] {
        if (auto* options = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            options->accept();
            QTimer::singleShot(0, sample);
            return;
        }
        whileExporting << cursorNow();
    };
    window->setSaveFileChooser([&](QWidget*, int, const QString&, const QString&, const QStringList& suffixes) {
        QTimer::singleShot(0, sample);
        return m_dir.filePath(QStringLiteral("board.") + suffixes.first());
    });
    for (const bool step : {true, false}) {
        SCOPED_TRACE(step ? "STEP" : "3MF");
        whileExporting.clear();
        MessageBoxAnswerer answerer;
        if (step)
            window->exportStepFile();
        else
            window->export3mfPart();
        ASSERT_FALSE(answerer.seen.isEmpty());
        EXPECT_TRUE(answerer.seen.last().contains(QStringLiteral("export successful|"))) << answerer.seen.last().toStdString();
        EXPECT_EQ(whileExporting, QList<int>{Qt::BusyCursor});
        EXPECT_EQ(cursorNow(), -1) << "the cursor is given back";
    }
}

// Exporting again carves nothing; an edit and its undo each carve the design they leave.
TEST_F(MainWindowOutputs, StepExportReusesTheCarvingUntilTheDesignChanges)
{
    showWindow();
    loadBox(true);
    target = m_dir.filePath(QStringLiteral("board.step"));
    MessageBoxAnswerer answerer;
    const auto exportAndCount = [&](const char* cavities) {
        window->exportStepFile();
        EXPECT_TRUE(answerer.seen.last().contains(QString::fromUtf8(cavities))) << answerer.seen.last().toStdString();
        return probe->assemblyCache().carvings();
    };
    EXPECT_EQ(exportAndCount("hollowed (1 cavity(ies))"), 1);
    EXPECT_EQ(exportAndCount("hollowed (1 cavity(ies))"), 1);
    EXPECT_TRUE(probe->assemblyCache().lastWasReused());

    probe->undoStack()->push(new ClearAllRoutesCommand(&probe->project().routingManager(), [] {}));
    // A part left whole is not said to be hollowed.
    EXPECT_EQ(exportAndCount("• Main part: whole, no cavity cut\n"), 2);
    probe->undoStack()->undo();
    EXPECT_EQ(exportAndCount("hollowed (1 cavity(ies))"), 3);
    EXPECT_EQ(exportAndCount("hollowed (1 cavity(ies))"), 3);
}

TEST_F(MainWindowOutputs, PrintPlanWindowIsMadeOnceAndFollowsTheDesign)
{
    showWindow();
    loadBox(false);
    window->showPrintPlan();
    auto* dialog = window->findChild<PrintPlanDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->plan().ok) << dialog->plan().error.toStdString();
    EXPECT_EQ(dialog->plan().layerCount, 50);
    dialog->close();
    window->showPrintPlan();
    EXPECT_EQ(window->findChildren<PrintPlanDialog*>().size(), 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(window->buildPrintPlan(0.5).layerCount, 20);
    EXPECT_FALSE(window->buildPrintPlan(1e-12).ok);
}

// A plan window left open follows every change of the design that changes the plan, undo and
// redo included, made again once per change: it shows, and its Export CSV writes, what a plan
// made anew from the design says.
TEST_F(MainWindowOutputs, PrintPlanWindowFollowsEveryChangeOfTheDesign)
{
    showWindow();
    loadBox(false);
    probe->placeResistor("R1", gp_Pnt(20.0, 10.0, 2.0));
    window->showPrintPlan();
    auto* dialog = window->findChild<PrintPlanDialog*>();
    ASSERT_TRUE(dialog && dialog->isVisible());
    target = m_dir.filePath(QStringLiteral("plan.csv"));
    dialog->setSaveFileChooser([this](QWidget*, const QString&, const QString&, const QString&) { return target; });
    int made = 0;
    dialog->setGenerator([&](double layerHeight) {
        ++made;
        return window->buildPrintPlan(layerHeight);
    });
    const auto withProperty = [this](const std::function<void(ComponentProperties&)>& change) {
        return [this, change] {
            ComponentProperties p = probe->propertiesOf("R1");
            change(p);
            probe->applyProperties("R1", p);
        };
    };
    const struct
    {
        const char* name;
        std::function<void()> change;
    } rows[] = {
        {"moved-by-apply", withProperty([](ComponentProperties& p) { p.posZ = 6.0; })},
        {"undo", [this] { probe->undoStack()->undo(); }},
        {"redo", [this] { probe->undoStack()->redo(); }},
        {"moved-by-the-panel", [this] { probe->panelMove("R1", 0.0, 0.0, -1.5); }},
        {"body-taller", withProperty([](ComponentProperties& p) { p.bodyHeight += 2.0; })},
        {"body-off", withProperty([](ComponentProperties& p) { p.bodyEnabled = false; })},
        {"undo-body-off", [this] { probe->undoStack()->undo(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString before = PrintPlanGenerator::toCsv(dialog->plan());
        made = 0;
        row.change();
        const QString fresh = PrintPlanGenerator::toCsv(window->buildPrintPlan(PrintPlanDialog::storedLayerHeight()));
        ASSERT_NE(fresh, before) << "the change leaves the plan as it was";
        EXPECT_TRUE(waitFor([&] { return PrintPlanGenerator::toCsv(dialog->plan()) == fresh; }))
            << PrintPlanGenerator::toCsv(dialog->plan()).toStdString() << "\n" << fresh.toStdString();
        QTest::qWait(50);
        EXPECT_EQ(made, 1) << "made again once for one change";
        if (!dialog->plan().pauses.isEmpty() || !dialog->plan().endInsertions.isEmpty()) {
            dialog->onExportCsv();
            QFile csv(target);
            ASSERT_TRUE(csv.open(QIODevice::ReadOnly | QIODevice::Text));
            EXPECT_EQ(QString::fromUtf8(csv.readAll()).remove(QChar(0xFEFF)), fresh);
        }
    }
}

// Whatever replaces the design (import, open, orient, new) closes a plan window left open,
// which would show and export the previous design's plan, and lets the plan's part box go;
// the window opened again shows the plan of the part now open.
TEST_F(MainWindowOutputs, PrintPlanWindowGoesWithTheDesign)
{
    showWindow();
    loadBox(false);
    const QString project = m_dir.filePath(QStringLiteral("box.vtq"));
    ASSERT_TRUE(probe->saveProjectTo(project));
    const QString tall = m_dir.filePath(QStringLiteral("tall.step"));
    ASSERT_TRUE(PartFiles::writeStep(tall, {PartFiles::box(10, 10, 30)}));
    const auto orient = [this] {
        // Onto a side face: the part's height changes.
        const TopoDS_Shape part = probe->project().mainShape();
        for (TopExp_Explorer it(part, TopAbs_FACE); it.More(); it.Next()) {
            const TopoDS_Face face = TopoDS::Face(it.Current());
            const gp_Vec n = GeometryUtils::calculateFaceNormal(face);
            if (std::abs(n.Z()) < 1e-6)
                return window->orientShapeToFace(face);
        }
        return false;
    };
    const struct
    {
        const char* name;
        std::function<bool()> replace;
    } rows[] = {
        {"import", [&] { return window->importStepFile(tall); }},
        {"open", [&] { return probe->openProjectPath(project, false); }},
        {"orient", orient},
        {"new", [&] {
             window->newProject();
             return probe->project().mainShape().IsNull();
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        window->showPrintPlan();
        QPointer<PrintPlanDialog> shown = window->findChild<PrintPlanDialog*>();
        ASSERT_TRUE(shown && shown->isVisible());
        ASSERT_FALSE(probe->planPartBox().isEmpty());
        const TopoDS_Shape before = probe->project().mainShape();
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            ASSERT_TRUE(row.replace());
        }
        ASSERT_FALSE(probe->project().mainShape().IsSame(before));
        EXPECT_TRUE(shown.isNull() || !shown->isVisible());
        EXPECT_TRUE(waitFor([&] { return shown.isNull(); }));
        EXPECT_TRUE(probe->planPartBox().isEmpty());
        if (probe->project().mainShape().IsNull())
            continue;
        window->showPrintPlan();
        const auto* again = window->findChild<PrintPlanDialog*>();
        ASSERT_NE(again, nullptr);
        const TestSupport::Box b = TestSupport::boxOf(probe->project().mainShape());
        EXPECT_EQ(again->plan().layerCount, qRound((b.zmax - b.zmin) / again->plan().layerHeight));
    }
}

// One paragraph per problem, in order; each says what was counted: components standing outside
// the part, and the pieces cut apart (a part of 8 solids with two cut in two has 4 such pieces).
TEST(ExportIssues, OneParagraphPerProblemInOrder)
{
    const struct
    {
        const char* name;
        int failed, notFused, piecesCutApart, tracksMissing, outside;
        QStringList starts;
    } rows[] = {
        {"nothing to say", 0, 0, 0, 0, 0, {}},
        {"one solid is not cut apart", 0, 0, 1, 0, 0, {}},
        {"every problem",
         2, 3, 4, 1, 40,
         {"⚠ 40 component(s) are not in the part: none of their pads and bodies reaches into its material, so no "
          "cavity was cut for them and nothing of them is embedded.",
          "⚠ 1 track(s) could not be built as solids and are missing",
          "⚠ 2 cavity(ies) could not be cut", "⚠ 3 conductor element(s) could not be fused",
          "⚠ The cavities cut solids of the part apart: 4 piece(s) that were joined before carving are now "
          "separate."}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString text = MainWindow::describeExportIssues(row.failed, row.notFused, row.piecesCutApart,
                                                              row.tracksMissing, row.outside);
        EXPECT_TRUE(text.isEmpty() || text.startsWith(QStringLiteral("\n\n"))) << text.toStdString();
        const QStringList paragraphs = text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(paragraphs.size(), row.starts.size()) << text.toStdString();
        for (int i = 0; i < paragraphs.size(); ++i)
            EXPECT_TRUE(paragraphs.at(i).startsWith(row.starts.at(i))) << paragraphs.at(i).toStdString();
    }
}

// Tracks outside the part are counted, one by one, and named by their nets, once each.
TEST(ExportIssues, TracksOutsideThePartAreCountedAndNamed)
{
    const struct
    {
        QStringList nets;
        const char* text; // empty: no paragraph
    } rows[] = {
        {{}, ""},
        {{"VCC", "GND", "VCC", ""},
         "\n\n⚠ 4 track(s) lie wholly outside the part: they are written as conductors floating beside it, held "
         "and connected by nothing. Their nets:\n    (no net), GND, VCC"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MainWindow::describeExportIssues(0, 0, 0, 0, 0, false, row.nets).toStdString(), row.text);
}

// The cavities that could not be cut are named, so the user knows which recesses are missing.
TEST(ExportIssues, CavitiesNotCutAreNamed)
{
    EXPECT_EQ(MainWindow::describeExportIssues(2, 0, 0, 0, 0, false, {}, {"U8/3", "N5"}).toStdString(),
              "\n\n⚠ 2 cavity(ies) could not be cut (Boolean subtraction failed): the affected component(s) will "
              "appear without a recess. Try moving them slightly or checking their footprint.\nNot cut, so printed "
              "without their recess:\n    N5, U8/3");
    // Not known to be cut, since the check of the cuts could not be made: said after the names.
    const QStringList paragraphs =
        MainWindow::describeExportIssues(2, 0, 0, 0, 0, false, {}, {"U8/3", "N5"}, 2)
            .split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(paragraphs.size(), 2);
    EXPECT_TRUE(paragraphs.at(1).startsWith(QStringLiteral("⚠ The check of what the cuts left in the cavities could "
                                                           "not be made: 2 cavity(ies) are not known to be cut")))
        << paragraphs.at(1).toStdString();
}

// A carved part that fails the validity check is said to be so: it may not read back as it was
// written.
TEST(ExportIssues, InvalidPartIsNamed)
{
    const QStringList paragraphs = MainWindow::describeExportIssues(0, 0, 0, 0, 0, false, {}, {}, 0, true)
                                       .split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(paragraphs.size(), 1);
    EXPECT_EQ(paragraphs.at(0).toStdString(),
              "⚠ The carved part fails the validity check (for instance a face whose edges cross one another): it "
              "is written as it is, and may not read back as written — what reads the file can find material "
              "missing or added. Repair the imported part in its CAD tool and export again.");
    EXPECT_TRUE(MainWindow::describeExportIssues(0, 0, 0).count(QStringLiteral("validity check")) == 0);
}

// A Cancel pressed while OpenCASCADE writes a file cannot stop the write: the progress window
// says that it waits for it, and only there.
TEST(ProgressWindowCancel, SaysWhenItWaitsForAFileWrite)
{
    const struct
    {
        const char* scopeName;
        const char* label;
    } rows[] = {
        {nullptr, "Cancelling…"},
        {OccUtils::kUnbreakableWork,
         "Cancelling… the file being written is finished first: its writer cannot be stopped midway."},
    };
    ProgressWindow::setShowDelay(0);
    for (const auto& row : rows) {
        QWidget owner;
        ProgressWindow progress(&owner, QStringLiteral("Exporting"));
        Message_ProgressScope root(progress.start(), nullptr, 2.0);
        Message_ProgressScope step(root.Next(), nullptr, 1.0);
        if (row.scopeName)
            step.SetName(OccUtils::kUnbreakableWork);
        Message_ProgressScope inner(step.Next(), nullptr, 3.0);
        inner.Next(); // shows the window
        auto* dialog = owner.findChild<QDialog*>(QStringLiteral("progressWindow"));
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        QTest::qWait(60);
        inner.Next();
        EXPECT_EQ(dialog->findChild<QLabel*>()->text().toStdString(), row.label);
    }
    ProgressWindow::setShowDelay(400);
}

struct Row
{
    const char* file;    // exported, if any
    const char* running; // how the status line begins while it runs
    const char* outcome; // what its last message, else the status, begins with at the end
};

// Exports and the burial analysis of a box with a track and three components, the progress
// window showing at once and the temporary folder the test's own.
class MainWindowLongOperations : public MainWindowOutputs
{
protected:
    void SetUp() override
    {
        MainWindowOutputs::SetUp();
        m_previousTemp = qgetenv("TMPDIR");
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath("tmp")) && QDir().mkpath(m_dir.filePath("exports")));
        qputenv("TMPDIR", QFile::encodeName(m_dir.filePath("tmp")));
        ProgressWindow::setShowDelay(0);
        showWindow();
        loadBox(true);
        Netlist netlist;
        for (const char* ref : {"R1", "R2", "R3"})
            netlist.components.insert(ref, NetlistComponent{ref, QString(), QStringLiteral("Builtin_0805"), {}});
        probe->project().setNetlist(std::move(netlist));
        probe->componentManager()->generateComponents(probe->project().netlist().components);
        window->setOpenFileChooser([this](QWidget*, int, const QString&, const QString&, const QString&) {
            ++asked;
            return QString();
        });
        window->setSaveFileChooser([this](QWidget*, int, const QString&, const QString&, const QStringList& suffixes) {
            return m_dir.filePath(QStringLiteral("exports/board.") + suffixes.first());
        });
    }

    void TearDown() override
    {
        window.reset();
        ProgressWindow::setShowDelay(400);
        qputenv("TMPDIR", m_previousTemp);
    }

    // Starts the operation; during() runs once inside it as soon as its status shows (the 3MF
    // options accepted on the way), given the progress window when one is up.
    void run(const Row& row, const std::function<void(QDialog* progress)>& during)
    {
        bool acted = false;
        std::function<void()> poll = [&] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (modal && modal->objectName() != QLatin1String("progressWindow"))
                modal->accept();
            else if (probe->status().startsWith(QLatin1String(row.running)) && !acted) {
                acted = true;
                during(modal);
            }
            if (!acted)
                QTimer::singleShot(0, poll);
        };
        QTimer::singleShot(0, poll);
        if (QByteArray(row.file).endsWith("step"))
            window->exportStepFile();
        else if (QByteArray(row.file).endsWith("3mf"))
            window->export3mfPart();
        else
            probe->burialButton()->setChecked(true);
        acted = true; // a poll still queued does nothing
        EXPECT_TRUE(window->menuBar()->isEnabled() && probe->importButton()->isEnabled()) << "given back";
    }

    QByteArray m_previousTemp;
};

// While it runs, New project, Open, Import and closing the window do nothing, and it ends as it
// would have, on the design it started with. Cancel pressed in its progress window leaves the
// file exported before as it was, nothing beside it or in the temporary folder, and says so.
TEST_F(MainWindowLongOperations, DesignCommandsWaitAndCancelLeavesThePreviousFile)
{
    for (const Row& row : {Row{"board.step", "Exporting STEP", "STEP export"},
                           Row{"board.3mf", "Exporting 3MF", "3MF export"},
                           Row{"", "Burial analysis", "Burial analysis"}}) {
        SCOPED_TRACE(row.running);
        const QString outcome = QString::fromUtf8(row.outcome);
        {
            MessageBoxAnswerer answerer(QMessageBox::Discard);
            bool commandsShown = true;
            run(row, [&](QDialog*) {
                commandsShown = window->menuBar()->isEnabled() || probe->importButton()->isEnabled();
                for (const QKeySequence& key : {QKeySequence(QKeySequence::New), QKeySequence(QKeySequence::Open)}) {
                    QApplication::setActiveWindow(window.get());
                    QTest::keySequence(window.get(), key);
                }
                probe->importButton()->click();
                window->close();
            });
            EXPECT_FALSE(commandsShown) << "menus and panels are disabled";
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(asked, 0) << "no file was asked for";
            const QString end = answerer.seen.isEmpty() ? probe->status() : answerer.seen.last();
            EXPECT_TRUE(end.startsWith(outcome + (*row.file ? QStringLiteral(" successful|")
                                                            : QStringLiteral(" complete: 3/3 component(s) analysed"))))
                << end.toStdString();
            EXPECT_EQ(probe->componentManager()->components().size(), 3);
        }
        probe->burialButton()->setChecked(false);
        QFile file(m_dir.filePath("exports/") + (*row.file ? row.file : "none"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("the previous export") > 0);
        file.close();
        MessageBoxAnswerer answerer;
        run(row, [&](QDialog* progress) {
            ASSERT_NE(progress, nullptr) << "a progress window with Cancel shows";
            QTest::mouseClick(progress->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        });
        EXPECT_TRUE(answerer.seen.isEmpty()) << answerer.seen.join('\n').toStdString();
        EXPECT_EQ(probe->status(), outcome + QStringLiteral(" cancelled"));
        EXPECT_FALSE(probe->burialButton()->isChecked()) << "the analysis went off again";
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), "the previous export");
        file.remove();
        EXPECT_TRUE(QDir(m_dir.filePath("exports")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        EXPECT_TRUE(QDir(m_dir.filePath("tmp")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }
}

class Edit : public QUndoCommand
{
public:
    void undo() override {}
    void redo() override {}
};

// An automatic save that falls due while an export runs waits for its end: the design whose
// shapes the export reads is not written meanwhile, and the saves resume afterwards.
TEST_F(MainWindowLongOperations, AutomaticSaveWaitsForTheEnd)
{
    probe->undoStack()->push(new Edit);
    ASSERT_NE(probe->autoSaveTimer(), nullptr);
    probe->autoSaveTimer()->start(1);
    const QString side = probe->autoSaveTarget();
    ASSERT_FALSE(side.isEmpty());
    ASSERT_FALSE(QFile::exists(side));
    bool savedDuring = true;
    bool timerRunning = true;
    {
        MessageBoxAnswerer answerer;
        run(Row{"board.step", "Exporting STEP", "STEP export"}, [&](QDialog*) {
            // On a loaded machine the save can fall due before the export starts (while its
            // file dialog is open); only a save made while it runs counts against it.
            const bool savedBefore = QFile::exists(side);
            timerRunning = probe->autoSaveTimer()->isActive();
            QTest::qWait(100);
            savedDuring = !savedBefore && QFile::exists(side);
        });
        EXPECT_FALSE(timerRunning) << "the automatic save waits while the export runs";
        EXPECT_FALSE(savedDuring) << "no automatic save while the export runs";
    }
    EXPECT_TRUE(waitFor([&] { return QFile::exists(side); })) << "automatic saves resume";
    // Closed without saving: the side file and its claim go, as on a normal exit.
    MessageBoxAnswerer discard(QMessageBox::Discard);
    window->close();
    EXPECT_FALSE(QFile::exists(side));
}

// Counts the progress windows that show.
class ProgressWindowCounter : public QObject
{
public:
    ProgressWindowCounter() { qApp->installEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && object->objectName() == QLatin1String("progressWindow"))
            ++shown;
        return false;
    }
};

// What stands in the part is measured once per design, under the progress window with Cancel;
// a new layer height, stepped or typed, only lays the plan out again, once the value is whole.
TEST_F(MainWindowLongOperations, PrintPlanMeasuresThePartOnceWithProgressAndCancel)
{
    ProgressWindowCounter progress;
    bool cancelNext = true;
    std::function<void()> poll = [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (modal && modal->objectName() == QLatin1String("progressWindow") && cancelNext) {
            cancelNext = false;
            QTest::mouseClick(modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
            return;
        }
        QTimer::singleShot(0, poll);
    };
    QTimer::singleShot(0, poll);
    const QString status = probe->status();
    window->showPrintPlan();
    auto* dialog = window->findChild<PrintPlanDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(cancelNext) << "a progress window with Cancel showed";
    EXPECT_FALSE(dialog->plan().ok);
    EXPECT_EQ(dialog->plan().error, QStringLiteral("cancelled"));
    EXPECT_EQ(probe->status(), status) << "the status line says what runs only while it does";

    window->showPrintPlan();
    ASSERT_TRUE(dialog->plan().ok) << dialog->plan().error.toStdString();
    EXPECT_EQ(probe->status(), status);
    EXPECT_EQ(progress.shown, 2);
    EXPECT_EQ(dialog->plan().totalInsertCount() + dialog->plan().notHollowed.size(), 3);

    auto* spin = dialog->findChild<QDoubleSpinBox*>();
    ASSERT_NE(spin, nullptr);
    spin->setValue(0.3);
    EXPECT_DOUBLE_EQ(dialog->plan().layerHeight, 0.3);
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("0.15"));
    EXPECT_DOUBLE_EQ(dialog->plan().layerHeight, 0.3) << "nothing planned while typing";
    QTest::keyClick(spin, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(dialog->plan().layerHeight, 0.15);
    EXPECT_EQ(progress.shown, 2) << "the layer height measured nothing again";

    addTrack();
    spin->setValue(0.2);
    EXPECT_TRUE(dialog->plan().ok);
    EXPECT_EQ(progress.shown, 2) << "a track tells the plan nothing: not measured";

    const PlacedComponentData* r1 = probe->componentManager()->findComponent(QStringLiteral("R1"));
    ASSERT_NE(r1, nullptr);
    ASSERT_TRUE(probe->componentManager()->moveComponent(QStringLiteral("R1"), r1->position.Translated(gp_Vec(1, 0, 0))));
    spin->setValue(0.25);
    EXPECT_TRUE(dialog->plan().ok);
    EXPECT_EQ(progress.shown, 3) << "a moved component is measured again";
}

// The plan's verdicts belong to the part they were measured in: after a new part, the same
// components placed again are judged by it, and again by the first part when it comes back.
TEST_F(MainWindowLongOperations, PlanJudgesTheComponentsByTheCurrentPart)
{
    const auto replacePart = [this](double offsetX) {
        gp_Trsf shift;
        shift.SetTranslation(gp_Vec(offsetX, 0, 0));
        const QString step = m_dir.filePath(QStringLiteral("part%1.step").arg(offsetX));
        ASSERT_TRUE(PartFiles::writeStep(step, {PartFiles::box(40, 20, 10).Moved(TopLoc_Location(shift))}));
        MessageBoxAnswerer yes(QMessageBox::Yes);
        ASSERT_TRUE(window->importStepFile(step));
        probe->componentManager()->generateComponents(probe->project().netlist().components);
    };
    const int first = window->buildPrintPlan(0.2).outsidePartCount();
    ASSERT_LT(first, 3);
    replacePart(500.0);
    EXPECT_EQ(window->buildPrintPlan(0.2).outsidePartCount(), 3);
    replacePart(0.0);
    EXPECT_EQ(window->buildPrintPlan(0.2).outsidePartCount(), first);
}

} // namespace
