// Main window with its 3D viewer (needs an X server): the objects created once the viewer is
// ready, their wiring, selection, the burial switch, and the editing flows with undo.
#include "mainwindowprobe.h"
#include "partfiles.h"
#include "testsupport.h"

#include "app/boardexplorerpanel.h"
#include "app/missingfootprintsdialog.h"
#include "app/progresswindow.h"
#include "components/burialanalyzer.h"
#include "components/componentmanager.h"
#include "components/footprintmanager.h"
#include "components/padcachemanager.h"
#include "foundation/appsettings.h"
#include "model/placedcomponentdata.h"
#include "model/savedcomponent.h"
#include "project/projectmanager.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>
#include <AIS_Shape.hxx>
#include <V3d_View.hxx>

#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUndoCommand>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr double kTol = 1e-6;

class MainWindowComponents : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        window->show();
        ASSERT_TRUE(waitFor([this] { return probe->viewerReady(); }));
    }

    // Components placed through the window's manager, by default from a built-in footprint.
    void generate(const QStringList& refs, const QString& footprint = QStringLiteral("Builtin_0805"))
    {
        Netlist netlist;
        for (const QString& ref : refs) {
            NetlistComponent component;
            component.ref = ref;
            component.footprint = footprint;
            netlist.components.insert(ref, component);
        }
        probe->project().setNetlist(std::move(netlist));
        probe->componentManager()->generateComponents(probe->project().netlist().components);
    }

    void importPart()
    {
        const QString file = m_dir.filePath("part.step");
        ASSERT_TRUE(PartFiles::writeStep(file, {PartFiles::box(100, 100, 5.5)}));
        window->setOpenFileChooser([file](QWidget*, int, const QString&, const QString&, const QString&) {
            return file;
        });
        window->importGeometryFile();
        ASSERT_FALSE(probe->project().mainShape().IsNull());
    }

    TestSupport::IsolatedSettings m_settings;
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

TEST_F(MainWindowComponents, ViewerReadyCreatesAndWiresTheComponentObjects)
{
    ASSERT_NE(probe->componentManager(), nullptr);
    ASSERT_NE(probe->burialAnalyzer(), nullptr);
    ASSERT_NE(probe->padCache(), nullptr);
    generate({"R1", "R2"});
    EXPECT_EQ(probe->padCache()->size(), 4);
    EXPECT_EQ(probe->status(), "2 footprint(s) loaded");
    EXPECT_TRUE(probe->ratsnestButton()->isEnabled());

    // The view's pad resolver answers through the pad index.
    const PlacedPadData& pad = probe->componentManager()->findComponent("R1")->pads.first();
    EXPECT_EQ(probe->padCache()->identifyPad(pad.aisShape).pad, PadId("R1", pad.number));

    probe->componentManager()->removeComponent("R2");
    EXPECT_EQ(probe->padCache()->size(), 2);
    EXPECT_TRUE(probe->padCache()->verifyIntegrity());
}

TEST_F(MainWindowComponents, SelectingGivesThePreviousComponentItsLookBack)
{
    generate({"R1", "R2"});
    ComponentManager* manager = probe->componentManager();
    ASSERT_TRUE(probe->selectComponent(manager->findComponent("R1")->compositeShape));
    EXPECT_EQ(manager->findComponent("R1")->styleCode, 2);
    EXPECT_EQ(probe->status(), "Selected component: R1");
    EXPECT_EQ(probe->propertiesPanel()->currentReference(), "R1");

    ASSERT_TRUE(probe->selectComponent(manager->findComponent("R2")->compositeShape));
    EXPECT_EQ(manager->findComponent("R1")->styleCode, 0);
    EXPECT_EQ(manager->findComponent("R2")->styleCode, 2);
    EXPECT_FALSE(probe->selectComponent(manager->findComponent("R2")->pads.first().aisShape));

    probe->deselectComponent("R2");
    EXPECT_EQ(manager->findComponent("R2")->styleCode, 0);
    EXPECT_TRUE(probe->selectedComponent().isEmpty());
    EXPECT_TRUE(probe->propertiesPanel()->currentReference().isEmpty());
}

TEST_F(MainWindowComponents, BurialSwitchRefusesWithoutPartOrComponents)
{
    {
        MessageBoxAnswerer answerer;
        probe->burialButton()->setEnabled(true);
        probe->burialButton()->setChecked(true);
        ASSERT_EQ(answerer.seen.size(), 1);
        EXPECT_EQ(answerer.seen.first(), "Burial analysis|Import a STEP part before enabling the analysis.");
    }
    EXPECT_FALSE(probe->burialButton()->isChecked());
    EXPECT_EQ(probe->burialButton()->text(), "Burial analysis");

    importPart();
    {
        MessageBoxAnswerer answerer;
        probe->burialButton()->setChecked(true);
        ASSERT_EQ(answerer.seen.size(), 1);
        EXPECT_EQ(answerer.seen.first(),
                  "Burial analysis|Generate the 3D components before enabling the analysis.");
    }

    generate({"R1"});
    probe->burialButton()->setChecked(true);
    EXPECT_TRUE(probe->burialAnalyzer()->isEnabled());
    EXPECT_EQ(probe->burialButton()->text(), "Hide analysis");
    EXPECT_TRUE(probe->burialAnalyzer()->result("R1").intersects);
    EXPECT_TRUE(probe->status().startsWith("Burial analysis complete: 1/1"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor is gone";

    probe->burialButton()->setChecked(false);
    EXPECT_FALSE(probe->burialAnalyzer()->isEnabled());
    EXPECT_EQ(probe->status(), "Burial analysis disabled");
}

int overrideCursorShape()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? int(cursor->shape()) : -1;
}

// Generation and the burial analysis, which can both be cancelled, hold the busy pointer from
// start to end; the question asked after the generation gets the usual pointer.
TEST_F(MainWindowComponents, LongOperationsHoldTheirPointerUntilTheyEnd)
{
    importPart();
    Netlist netlist;
    for (const char* ref : {"R1", "R2", "U1"})
        netlist.components.insert(ref, NetlistComponent{ref, QString(),
                                                        QString::fromUtf8(*ref == 'U' ? "Nowhere:Nothing" : "Builtin_0805"), {}});
    probe->project().setNetlist(std::move(netlist));

    QList<int> placing;
    QList<int> asking;
    const QMetaObject::Connection population = QObject::connect(
        probe->componentManager(), &ComponentManager::populationChanged, [&] { placing << overrideCursorShape(); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QDialog* dialog = activeQuestion()) {
            asking << overrideCursorShape();
            dialog->accept();
        }
    });
    poll.start(20);
    // Shown at once, as on a slow machine: the progress window is no question to answer.
    ProgressWindow::setShowDelay(0);
    window->generateComponents();
    ProgressWindow::setShowDelay(400);
    poll.stop();
    QObject::disconnect(population);
    EXPECT_EQ(placing, QList<int>{Qt::BusyCursor}) << "under the progress window, whose Cancel can be pressed";
    ASSERT_EQ(asking.size(), 1);
    EXPECT_NE(asking.first(), int(Qt::WaitCursor)) << "the missing footprints are reported with the usual pointer";
    EXPECT_EQ(overrideCursorShape(), -1);

    QList<int> computing;
    QObject::connect(probe->burialAnalyzer(), &BurialAnalyzer::statusChanged,
                     [&] { computing << overrideCursorShape(); });
    probe->burialButton()->setChecked(true);
    ASSERT_TRUE(probe->burialAnalyzer()->isEnabled());
    ASSERT_GE(computing.size(), 3) << "one line per component at least";
    EXPECT_EQ(computing.count(int(Qt::BusyCursor)), computing.size()) << "between components too";
    EXPECT_EQ(overrideCursorShape(), -1);
}

// A first generation with no footprint folder says so, and its button opens the folders.
TEST_F(MainWindowComponents, MissingFootprintsWithoutFoldersLeadToTheFolders)
{
    ASSERT_TRUE(probe->footprints().searchPaths().isEmpty());
    Netlist netlist;
    netlist.components.insert("U1", NetlistComponent{"U1", QString(), "Package_SO:SOIC-8_3.9x4.9mm_P1.27mm", {}});
    probe->project().setNetlist(std::move(netlist));
    QStringList seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QDialog* dialog = activeQuestion();
        if (!dialog)
            return;
        seen << dialog->windowTitle();
        if (qobject_cast<MissingFootprintsDialog*>(dialog)) {
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (label->text().startsWith("No footprint folder is set"))
                    seen << label->text();
            bool offered = false;
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("Footprint folders…") && !offered) {
                    offered = true;
                    button->click();
                }
            if (!offered)
                dialog->reject();
        } else {
            dialog->reject();
        }
    });
    poll.start(20);
    window->generateComponents();
    EXPECT_TRUE(waitFor([&] { return seen.size() >= 3; }));
    EXPECT_EQ(seen, (QStringList{"⚠ Missing footprints", "No footprint folder is set, so no footprint could be looked for.",
                                 "Footprint folders"}));
}

// "Generate 3D components" follows the design's netlist: an opened project's lists components
// still to place just as an imported one does.
TEST_F(MainWindowComponents, GenerateFollowsTheNetlistOfTheDesign)
{
    for (const int components : {2, 0, 2}) {
        ProjectManager saved;
        Netlist netlist;
        for (int i = 1; i <= components; ++i) {
            const QString ref = QString("R%1").arg(i);
            netlist.components.insert(ref, NetlistComponent{ref, "1k", "R_0805", {}});
        }
        saved.setNetlist(std::move(netlist));
        const QString path = m_dir.filePath(QString("netlist%1.vtq").arg(components));
        ASSERT_TRUE(saved.saveProject(path, {}, {}, false));
        MessageBoxAnswerer yes(QMessageBox::Yes);
        ASSERT_TRUE(probe->openProjectPath(path, false));
        EXPECT_EQ(probe->generateButton()->isEnabled(), components > 0) << components;
        window->newProject();
        EXPECT_FALSE(probe->generateButton()->isEnabled());
    }
}

struct OpenCancel
{
    const char* name;
    const char* label; // the progress window's text at the report where Cancel is pressed
    int sighting;      // at its nth report showing that text; 0: at the last one
    // The click is still on its way when the report ends: the thread goes on busy until the
    // window hears it.
    bool onItsWay = false;
};

void PrintTo(const OpenCancel& c, std::ostream* os) { *os << c.name; }

// Presses Cancel in the progress window at the report the row names, at once or as a click that
// the window hears only at its next events; with the progress window shown from the start and
// every report letting events in.
class CancelAtSighting
{
public:
    explicit CancelAtSighting(const OpenCancel& row) : m_row(row), m_target(row.sighting)
    {
        ProgressWindow::setShowDelay(0);
        ProgressWindow::setPumpInterval(0);
        m_poll.setInterval(0);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { onReport(); });
    }
    ~CancelAtSighting()
    {
        ProgressWindow::setPumpInterval(40);
        ProgressWindow::setShowDelay(400);
    }

    // A row that names the last report: how many reports show its text over a whole run.
    bool countOver(const std::function<void()>& run)
    {
        if (m_target > 0)
            return true;
        m_counting = true;
        m_poll.start();
        run();
        m_poll.stop();
        m_counting = false;
        m_target = std::exchange(m_seen, 0);
        return m_target > 0;
    }
    void during(const std::function<void()>& run)
    {
        m_poll.start();
        run();
        m_poll.stop();
    }
    int seen() const { return m_seen; }
    int target() const { return m_target; }

private:
    static QDialog* progressWindow()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        return dialog && dialog->objectName() == QLatin1String("progressWindow") ? dialog : nullptr;
    }

    void onReport()
    {
        QDialog* progress = progressWindow();
        const QLabel* label = progress ? progress->findChild<QLabel*>() : nullptr;
        if (!label || label->text() != QLatin1String(m_row.label) || ++m_seen != m_target || m_counting)
            return;
        if (!m_row.onItsWay) {
            progress->reject();
            return;
        }
        QPushButton* cancel = progress->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
        const QPointF at(cancel->width() / 2.0, cancel->height() / 2.0);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(cancel, new QMouseEvent(type, at, cancel->mapToGlobal(at), Qt::LeftButton,
                                                                type == QEvent::MouseButtonPress ? Qt::LeftButton
                                                                                                 : Qt::NoButton,
                                                                Qt::NoModifier));
    }

    OpenCancel m_row;
    int m_target;
    int m_seen = 0;
    bool m_counting = false;
    QTimer m_poll;
};

class OpeningCancelled : public MainWindowComponents, public ::testing::WithParamInterface<OpenCancel>
{
};

// Cancel while a project is read or its components are built, up to the last report before the
// swap, leaves the open design as it was: its components on show, its part, its undo history,
// its title; the same project then opens.
TEST_P(OpeningCancelled, LeavesTheOpenDesignAsItWas)
{
    // A part of many solids, so that reading it takes several reports.
    BRep_Builder builder;
    TopoDS_Compound part;
    builder.MakeCompound(part);
    for (int i = 0; i < 600; ++i)
        builder.Add(part, BRepPrimAPI_MakeBox(gp_Pnt(3.0 * (i % 30), 3.0 * (i / 30), 0), 2, 2, 5).Shape());
    const QStringList refs{"R1", "R2", "R3", "R4", "R5"};
    const QString path = m_dir.filePath("other.vtq");
    {
        ProjectManager other;
        other.addShape(part);
        other.setMainShapeIndex(0);
        FootprintManager library;
        ComponentManager built(library, probe->occWidget()->context(), other);
        Netlist netlist;
        for (const QString& ref : refs)
            netlist.components.insert(ref, NetlistComponent{ref, "1k", "Builtin_0805", {}});
        other.setNetlist(std::move(netlist));
        // A track of forty pieces (each leg another width), whose build reports many times.
        Route track;
        track.netName = QStringLiteral("N1");
        for (int i = 0; i < 40; ++i) {
            RouteSegment leg;
            leg.start = gp_Pnt(2.0 * i, 100.0, 5.0);
            leg.end = gp_Pnt(2.0 * (i + 1), 100.0, 5.0);
            leg.width = i % 2 ? 0.4 : 0.5;
            leg.height = 0.5;
            track.segments.append(leg);
        }
        other.routingManager().addRoute(track);
        built.generateComponents(other.netlist().components);
        ASSERT_TRUE(other.saveProject(path, built.componentsForSave(), built.usedFootprints(), false));
        built.clearAll(true);
    }
    CancelAtSighting cancel(GetParam());
    ASSERT_TRUE(cancel.countOver([&] {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        ASSERT_TRUE(probe->openProjectPath(path, false));
        window->newProject();
    }));
    importPart();
    generate({"C1", "C2"});
    probe->undoStack()->push(new QUndoCommand(QStringLiteral("Move C1")));
    window->setCurrentProjectPath(m_dir.filePath("current.vtq"));
    const opencascade::handle<AIS_InteractiveContext> context = probe->occWidget()->context();
    const auto shownBodies = [&] {
        QStringList shown;
        for (const PlacedComponentData& component : probe->componentManager()->components())
            if (context->IsDisplayed(component.compositeShape))
                shown << component.ref;
        return shown;
    };
    const QString title = window->windowTitle();
    AIS_ListOfInteractive before;
    context->DisplayedObjects(before);

    cancel.during([&] {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        EXPECT_FALSE(probe->openProjectPath(path, false));
    });
    EXPECT_EQ(cancel.seen(), cancel.target());
    EXPECT_EQ(probe->status(), "Opening cancelled: the design is as it was");
    EXPECT_EQ(shownBodies(), (QStringList{"C1", "C2"}));
    EXPECT_EQ(TestSupport::boxOf(probe->project().mainShape()).xmax, 100.0);
    EXPECT_EQ(probe->undoStack()->count(), 1);
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_EQ(probe->currentPath(), m_dir.filePath("current.vtq"));
    AIS_ListOfInteractive after;
    context->DisplayedObjects(after);
    EXPECT_EQ(after.Size(), before.Size()) << "nothing of the new design on show";

    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        ASSERT_TRUE(probe->openProjectPath(path, false));
    }
    EXPECT_EQ(shownBodies(), refs);
    EXPECT_EQ(probe->padCache()->size(), 10);
    EXPECT_EQ(TestSupport::boxOf(probe->project().mainShape()).xmax, 89.0);
    EXPECT_EQ(probe->undoStack()->count(), 0);
    EXPECT_EQ(probe->project().routingManager().routes().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Stages, OpeningCancelled,
                         ::testing::Values(OpenCancel{"WhileTheFileIsRead", "Reading the project file...", 2},
                                           OpenCancel{"WhileThePartIsPrepared", "Preparing the part for display...", 1},
                                           OpenCancel{"AtTheFirstComponent", "Placing the components: 1 of 5...", 1},
                                           OpenCancel{"AtAMiddleComponent", "Placing the components: 3 of 5...", 1},
                                           OpenCancel{"AtTheLastComponent", "Placing the components: 5 of 5...", 1},
                                           OpenCancel{"WhileTheTrackIsBuilt", "Building the tracks: 1 of 1...", 1},
                                           OpenCancel{"ClickStillOnItsWayAtTheLastReport", "Building the tracks: 1 of 1...", 0, true}),
                         [](const ::testing::TestParamInfo<OpenCancel>& info) { return std::string(info.param.name); });

class GeneratingCancelled : public MainWindowComponents, public ::testing::WithParamInterface<OpenCancel>
{
};

// Cancel while the components of a netlist are generated, up to a click still on its way at the
// last report, leaves the components placed before as they were, and nothing of the new ones.
TEST_P(GeneratingCancelled, LeavesThePlacedComponentsAsTheyWere)
{
    const OpenCancel& row = GetParam();
    importPart();
    const auto netlistOf = [](const QStringList& refs) {
        Netlist netlist;
        for (const QString& ref : refs)
            netlist.components.insert(ref, NetlistComponent{ref, "1k", "Builtin_0805", {}});
        return netlist;
    };
    probe->project().setNetlist(netlistOf({"C1", "C2"}));
    window->generateComponents();
    ASSERT_EQ(probe->componentManager()->components().size(), 2);
    const opencascade::handle<AIS_InteractiveContext> context = probe->occWidget()->context();
    AIS_ListOfInteractive before;
    context->DisplayedObjects(before);
    const QStringList refs{"R1", "R2", "R3", "R4", "R5"};
    probe->project().setNetlist(netlistOf(refs));

    CancelAtSighting cancel(row);
    ASSERT_TRUE(cancel.countOver([&] {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        window->generateComponents();
        // Put back as it was.
        probe->project().setNetlist(netlistOf({"C1", "C2"}));
        window->generateComponents();
        before.Clear();
        context->DisplayedObjects(before);
        probe->project().setNetlist(netlistOf(refs));
    }));
    cancel.during([&] {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        window->generateComponents();
    });
    EXPECT_EQ(cancel.seen(), cancel.target());
    EXPECT_EQ(probe->status(), "Generation cancelled: the components are as they were");
    EXPECT_EQ(probe->componentManager()->components().keys(), (QStringList{"C1", "C2"}));
    EXPECT_EQ(probe->padCache()->size(), 4);
    AIS_ListOfInteractive after;
    context->DisplayedObjects(after);
    EXPECT_EQ(after.Size(), before.Size()) << "nothing of the new components on show";

    MessageBoxAnswerer yes(QMessageBox::Yes);
    window->generateComponents();
    EXPECT_EQ(probe->componentManager()->components().keys(), refs);
    EXPECT_EQ(probe->padCache()->size(), 10);
}

INSTANTIATE_TEST_SUITE_P(Stages, GeneratingCancelled,
                         ::testing::Values(OpenCancel{"AtTheFirstComponent", "Placing the components: 1 of 5...", 1},
                                           OpenCancel{"AtAMiddleComponent", "Placing the components: 3 of 5...", 1},
                                           OpenCancel{"ClickStillOnItsWayAtTheLastReport",
                                                      "Placing the components: 5 of 5...", 0, true}),
                         [](const ::testing::TestParamInfo<OpenCancel>& info) { return std::string(info.param.name); });

// A filter typed in the board explorer for one design does not hide the next one's rows: opening
// another project, or a new one, clears it.
TEST_F(MainWindowComponents, AnotherDesignClearsTheExplorersFilter)
{
    const QString other = m_dir.filePath("other.vtq");
    {
        ProjectManager saved;
        Netlist netlist;
        for (int i = 1; i <= 24; ++i)
            netlist.components.insert(QString("R%1").arg(i), NetlistComponent{QString("R%1").arg(i), "1k", "Builtin_0805", {}});
        saved.setNetlist(std::move(netlist));
        ASSERT_TRUE(saved.saveProject(other, {}, {}, false));
    }
    const struct
    {
        const char* name;
        std::function<void()> replace;
        const char* count; // what the explorer's count says then, from its start
    } rows[] = {
        {"open", [&] { ASSERT_TRUE(probe->openProjectPath(other, false)); }, "24 component(s)"},
        {"new", [&] { window->newProject(); }, "No component."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        importPart();
        generate({"C1", "C2", "C3"});
        probe->boardExplorer()->filterEdit()->setText(QStringLiteral("C3"));
        ASSERT_EQ(probe->boardExplorer()->countLabel()->text(), QStringLiteral("1 of 3 component(s) shown"));
        MessageBoxAnswerer yes(QMessageBox::Yes);
        row.replace();
        EXPECT_TRUE(probe->boardExplorer()->filterEdit()->text().isEmpty());
        EXPECT_TRUE(probe->boardExplorer()->countLabel()->text().startsWith(QString::fromUtf8(row.count)))
            << probe->boardExplorer()->countLabel()->text().toStdString();
    }
}

// While a project's design is swapped in, the progress window says so: the texts of the mode
// the swap leaves are not the operation's.
TEST_F(MainWindowComponents, OpeningSaysWhatItDoesWhileTheDesignIsSwapped)
{
    importPart();
    generate({"C1", "C2"});
    const QString path = m_dir.filePath("same.vtq");
    ASSERT_TRUE(probe->saveProjectTo(path));
    ASSERT_TRUE(probe->modes()->requestTransition(ModeController::Mode::Select).accepted);
    ProgressWindow::setShowDelay(0);
    ProgressWindow::setPumpInterval(0);
    QStringList shown;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const QLabel* label = progress && progress->objectName() == QLatin1String("progressWindow")
            ? progress->findChild<QLabel*>()
            : nullptr;
        if (label && (shown.isEmpty() || shown.last() != label->text()))
            shown << label->text();
    });
    poll.start();
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        EXPECT_TRUE(probe->openProjectPath(path, false));
    }
    poll.stop();
    ProgressWindow::setPumpInterval(40);
    ProgressWindow::setShowDelay(400);
    EXPECT_TRUE(shown.contains(QStringLiteral("Replacing the open design..."))) << shown.join('|').toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("Selection mode disabled"))) << shown.join('|').toStdString();
}

TEST_F(MainWindowComponents, AcceptedFootprintFoldersDropTheOnesThatNoLongerExist)
{
    QDir root(m_dir.path());
    ASSERT_TRUE(root.mkpath("kept.pretty") && root.mkpath("gone.pretty"));
    probe->footprints().addSearchPath(root.filePath("kept.pretty"));
    probe->footprints().addSearchPath(root.filePath("gone.pretty"));
    ASSERT_TRUE(QDir(root.filePath("gone.pretty")).removeRecursively());

    QTimer::singleShot(100, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    window->manageFootprintFolders();
    EXPECT_EQ(probe->footprints().searchPaths(), QStringList{root.filePath("kept.pretty")});
    EXPECT_EQ(AppSettings::footprintDirs(), QStringList{root.filePath("kept.pretty")});
    EXPECT_EQ(probe->status(), "Footprint folders updated (1).");
}

// The editing flows, which need every viewer-dependent object, the interaction controllers
// included.
class MainWindowEditing : public MainWindowComponents
{
protected:
    void SetUp() override
    {
        MainWindowComponents::SetUp();
        ASSERT_TRUE(window->isViewerReady());
    }
};

TEST_F(MainWindowEditing, RegenerationAsksAndDropsTheOldUndoSteps)
{
    generate({"R1", "R2", "R3"});
    probe->panelMove("R1", 5, 0, 0);
    EXPECT_EQ(probe->undoStack()->count(), 1);
    {
        MessageBoxAnswerer no(QMessageBox::No);
        window->generateComponents();
        ASSERT_EQ(no.seen.size(), 1);
        EXPECT_TRUE(no.seen.first().contains("3 component(s) are already placed"));
    }
    EXPECT_EQ(probe->status(), "Generation cancelled");
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        window->generateComponents();
    }
    EXPECT_TRUE(window->windowTitle().endsWith(" *"));
    const gp_Pnt fresh = probe->componentManager()->findComponent("R1")->position;
    probe->undoStack()->undo();
    EXPECT_LT(probe->componentManager()->findComponent("R1")->position.Distance(fresh), kTol);
}

TEST_F(MainWindowEditing, PanelEditsAreUndoable)
{
    generate({"R1"});
    ComponentManager* manager = probe->componentManager();
    const gp_Pnt start = manager->findComponent("R1")->position;
    probe->panelMove("R1", 2.5, 0, 0);
    probe->panelMove("R1", 2.5, 0, 0); // merged with the first
    probe->panelRotate("R1", 360.0);    // no change: nothing pushed
    probe->panelRotate("R1", 90.0);
    EXPECT_EQ(probe->undoStack()->count(), 2);
    EXPECT_NEAR(manager->findComponent("R1")->position.X(), start.X() + 5.0, kTol);
    probe->undoStack()->undo();
    probe->undoStack()->undo();
    EXPECT_LT(manager->findComponent("R1")->position.Distance(start), kTol);
    EXPECT_NEAR(manager->findComponent("R1")->rotation, 0.0, kTol);

    // Apply with nothing changed is no edit: no undo step, the design stays as it was saved.
    probe->undoStack()->clear();
    probe->undoStack()->setClean();
    probe->applyProperties("R1", probe->propertiesOf("R1"));
    EXPECT_EQ(probe->undoStack()->count(), 0);
    ComponentProperties taller = probe->propertiesOf("R1");
    taller.bodyHeight += 1.0;
    probe->applyProperties("R1", taller);
    EXPECT_EQ(probe->undoStack()->count(), 1);
}

TEST_F(MainWindowEditing, ADragWhoseRayMissesThePlaneLeavesTheComponentInPlace)
{
    generate({"R1"});
    ComponentManager* manager = probe->componentManager();
    OccWidget* view = probe->occWidget();
    const QPoint centre = view->rect().center();
    probe->armDrag("R1", centre);
    ASSERT_TRUE(probe->dragActive());
    const gp_Pnt start = manager->findComponent("R1")->position;

    // Looking along the plate: every ray runs parallel to the drag plane.
    view->view()->SetProj(V3d_Yneg);
    probe->drag(centre + QPoint(30, 0));
    EXPECT_LT(manager->findComponent("R1")->position.Distance(start), kTol);
    probe->finishDrag();
    EXPECT_EQ(probe->undoStack()->count(), 0);
    EXPECT_EQ(probe->status(), "Component R1 moved");
}

} // namespace

namespace {

// A footprint file of its own, so that a component can be told from the built-in ones by its pads.
QString writeThreePadFootprint(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return QString();
    out.write("(footprint \"Three_Pads\" (version 20211014) (generator pcbnew)\n"
              "  (layer \"F.Cu\")\n"
              "  (pad \"1\" smd rect (at -2 0) (size 1 1.3) (layers \"F.Cu\"))\n"
              "  (pad \"2\" smd rect (at 0 0) (size 1 1.3) (layers \"F.Cu\"))\n"
              "  (pad \"3\" smd rect (at 2 0) (size 1 1.3) (layers \"F.Cu\"))\n"
              ")\n");
    return path;
}

TEST_F(MainWindowEditing, FootprintReplacementStaysUndoableAfterTheProjectIsReopened)
{
    generate({"R1"});
    const QString project = m_dir.filePath("board.vtq");
    ASSERT_TRUE(probe->saveProjectTo(project));
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        ASSERT_TRUE(probe->openProjectPath(project, false));
    }
    ComponentManager* manager = probe->componentManager();
    // The footprint now comes from the project file itself, which keeps no file path for it.
    const QString original = manager->findComponent("R1")->footprintName;
    ASSERT_FALSE(original.isEmpty());
    ASSERT_FALSE(manager->findComponent("R1")->hasMissingFootprint);

    const QString file = writeThreePadFootprint(m_dir.filePath("Three_Pads.kicad_mod"));
    ASSERT_FALSE(file.isEmpty());
    window->setOpenFileChooser([file](QWidget*, int, const QString&, const QString&, const QString&) {
        return file;
    });
    {
        MessageBoxAnswerer ok;
        probe->browseFootprint("R1");
    }
    ASSERT_EQ(manager->findComponent("R1")->pads.size(), 3);
    ASSERT_EQ(probe->undoStack()->count(), 1);

    probe->undoStack()->undo();
    EXPECT_EQ(probe->undoStack()->count(), 1); // the step applied, so it stays
    EXPECT_EQ(manager->findComponent("R1")->footprintName.toStdString(), original.toStdString());
    EXPECT_EQ(manager->findComponent("R1")->pads.size(), 2);
    probe->undoStack()->redo();
    EXPECT_EQ(manager->findComponent("R1")->pads.size(), 3);
}

// A footprint chosen for a component that had none makes the design one to analyse, route and
// probe at once; its undo brings the substitute box back and its redo the footprint, and the
// three follow.
TEST_F(MainWindowEditing, FootprintChosenByHandEnablesWhatNeedsOne)
{
    importPart();
    {
        MessageBoxAnswerer ok(QMessageBox::Ok, true);
        generate({"R1"}, QStringLiteral("No_Such_Footprint"));
    }
    ASSERT_TRUE(probe->componentManager()->findComponent("R1")->hasMissingFootprint);
    const QString file = writeThreePadFootprint(m_dir.filePath("Three_Pads.kicad_mod"));
    window->setOpenFileChooser([file](QWidget*, int, const QString&, const QString&, const QString&) {
        return file;
    });
    // Burial analysis, Routing Mode and the probe, against whether R1 has a footprint.
    const auto follow = [this] {
        const bool footprinted = !probe->componentManager()->findComponent("R1")->hasMissingFootprint;
        for (QPushButton* button : {probe->burialButton(), probe->routingButton(), probe->probeButton()})
            EXPECT_EQ(button->isEnabled(), footprinted) << button->text().toStdString();
    };
    follow();
    {
        MessageBoxAnswerer ok;
        probe->browseFootprint("R1");
    }
    ASSERT_FALSE(probe->componentManager()->findComponent("R1")->hasMissingFootprint);
    follow();
    probe->undoStack()->undo();
    const PlacedComponentData* r1 = probe->componentManager()->findComponent("R1");
    EXPECT_TRUE(r1->hasMissingFootprint && r1->pads.isEmpty()) << "the substitute box is back";
    EXPECT_EQ(r1->requestedFootprint, "No_Such_Footprint");
    follow();
    probe->undoStack()->redo();
    EXPECT_EQ(probe->componentManager()->findComponent("R1")->pads.size(), 3);
    follow();
}

} // namespace

namespace {

// Replacing the part (and turning it, the same reset) warns that the placed components go: they
// must really go, not stay in the design unseen and come back in the saved file.
TEST_F(MainWindowEditing, ReplacingThePartRemovesThePlacedComponentsFromTheDesign)
{
    importPart();
    generate({"R1", "R2"});
    ASSERT_GT(probe->padCache()->size(), 0);
    const opencascade::handle<AIS_Shape> body = probe->componentManager()->findComponent("R1")->compositeShape;
    probe->selectComponent(body);
    ASSERT_EQ(probe->selectedComponent(), "R1");
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        importPart();
        ASSERT_FALSE(yes.seen.isEmpty());
        EXPECT_TRUE(yes.seen.first().contains("components already placed"));
    }
    EXPECT_TRUE(probe->componentManager()->components().isEmpty());
    EXPECT_EQ(probe->padCache()->size(), 0);
    EXPECT_TRUE(probe->selectedComponent().isEmpty());
    EXPECT_TRUE(probe->propertiesPanel()->currentReference().isEmpty());

    const QString project = m_dir.filePath("after-import.vtq");
    ASSERT_TRUE(probe->saveProjectTo(project));
    QFile saved(project);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(saved.readAll()).object();
    EXPECT_TRUE(root.value("placedComponents").toArray().isEmpty());
}

} // namespace

namespace {

// Editing the footprint folders changes where new lookups go; the footprints that placed
// components already use must still travel with the next save.
TEST_F(MainWindowComponents, FootprintsInUseSurviveAFolderChangeIntoTheSavedProject)
{
    QDir root(m_dir.path());
    ASSERT_FALSE(writeThreePadFootprint(root.filePath("mine.pretty/Three_Pads.kicad_mod")).isEmpty());
    probe->footprints().addSearchPath(root.filePath("mine.pretty"));
    generate({"U1"}, "mine:Three_Pads");
    ASSERT_EQ(probe->componentManager()->findComponent("U1")->pads.size(), 3);

    QTimer::singleShot(100, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    window->manageFootprintFolders();

    const QString project = root.filePath("board.vtq");
    ASSERT_TRUE(probe->saveProjectTo(project));
    // Opened where that folder is not: only the project itself can bring the footprint back.
    ASSERT_TRUE(QDir(root.filePath("mine.pretty")).removeRecursively());
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        ASSERT_TRUE(probe->openProjectPath(project, false));
    }
    const PlacedComponentData* reopened = probe->componentManager()->findComponent("U1");
    ASSERT_NE(reopened, nullptr);
    EXPECT_FALSE(reopened->hasMissingFootprint);
    EXPECT_EQ(reopened->pads.size(), 3);
}

// A design started or opened after another one gets its footprints from the library, never
// from the copy the earlier design embedded.
TEST_F(MainWindowComponents, ANewOrAnotherDesignNeverInheritsEmbeddedFootprints)
{
    QDir root(m_dir.path());
    const QString library = root.filePath("mine.pretty");
    const QString file = writeThreePadFootprint(library + "/Three_Pads.kicad_mod");
    ASSERT_FALSE(file.isEmpty());
    AppSettings::setFootprintDirs({library});
    probe->footprints().addSearchPath(library);

    // Project A embeds its own copy of Three_Pads, which the library no longer matches.
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("(footprint \"Three_Pads\" (layer \"F.Cu\")\n"
                  "  (pad \"1\" smd rect (at 0 0) (size 1 1.3) (layers \"F.Cu\")))\n");
    }
    const auto placeU1 = [this] { generate({"U1"}, "mine:Three_Pads"); };
    placeU1();
    ASSERT_EQ(probe->componentManager()->findComponent("U1")->pads.size(), 1);
    const QString projectA = root.filePath("a.vtq");
    ASSERT_TRUE(probe->saveProjectTo(projectA));
    const QString projectB = root.filePath("b.vtq");
    ASSERT_TRUE(probe->saveProjectTo(projectB));
    ASSERT_FALSE(writeThreePadFootprint(file).isEmpty());

    for (const bool viaNew : {true, false}) {
        SCOPED_TRACE(viaNew ? "New" : "another project opened");
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            ASSERT_TRUE(probe->openProjectPath(projectA, false));
        }
        ASSERT_EQ(probe->componentManager()->findComponent("U1")->pads.size(), 1) << "A keeps its own copy";
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            if (viaNew) {
                window->newProject();
            } else {
                QFile::remove(projectB);
                ASSERT_TRUE(QFile::copy(projectA, projectB));
                // B names the footprint but carries no copy of it.
                QFile in(projectB);
                ASSERT_TRUE(in.open(QIODevice::ReadOnly));
                QJsonObject json = QJsonDocument::fromJson(in.readAll()).object();
                in.close();
                json.remove("footprints");
                json.remove("placedComponents");
                ASSERT_TRUE(in.open(QIODevice::WriteOnly | QIODevice::Truncate));
                in.write(QJsonDocument(json).toJson());
                in.close();
                ASSERT_TRUE(probe->openProjectPath(projectB, false));
            }
        }
        EXPECT_FALSE(probe->footprints().hasFootprint("Three_Pads"));
        placeU1();
        EXPECT_EQ(probe->componentManager()->findComponent("U1")->pads.size(), 3);
    }
}

QString writeFootprint(const QString& path, const QByteArray& pads)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return QString();
    out.write("(footprint \"" + QFileInfo(path).completeBaseName().toUtf8() + "\" (layer \"F.Cu\")\n" + pads + ")\n");
    return path;
}

// Generation places a footprint whose file name only contains the one asked for, and says so.
TEST_F(MainWindowComponents, GenerationReportsTheFootprintsALooserNameFound)
{
    const QString library = m_dir.filePath("mine.pretty");
    const QByteArray twoPads = "  (pad \"1\" smd rect (at -1 0) (size 1 1.3) (layers \"F.Cu\"))\n"
                               "  (pad \"2\" smd rect (at 1 0) (size 1 1.3) (layers \"F.Cu\"))\n";
    for (const char* name : {"R_0805", "Conn_BUS_PCI_Express"})
        ASSERT_FALSE(writeFootprint(library + "/" + name + ".kicad_mod", twoPads).isEmpty());
    probe->footprints().addSearchPath(library);
    Netlist netlist;
    for (const auto& [ref, footprint] : {std::pair{"R10", "0805"}, {"R2", "mine:R_0805"}, {"J1", "BUS_PC"}}) {
        NetlistComponent component;
        component.ref = QString::fromUtf8(ref);
        component.footprint = QString::fromUtf8(footprint);
        netlist.components.insert(component.ref, component);
    }
    probe->project().setNetlist(std::move(netlist));

    MessageBoxAnswerer ok;
    window->generateComponents();
    ASSERT_EQ(probe->componentManager()->countWithFootprint(), 3);
    ASSERT_EQ(ok.seen.size(), 1) << ok.seen.join('\n').toStdString();
    const QString report = ok.seen.first();
    EXPECT_TRUE(report.startsWith("Footprints to check|No footprint file has exactly the name that the netlist gives "
                                  "for 2 component(s)"))
        << report.toStdString();
    EXPECT_TRUE(report.endsWith("\n  • J1: BUS_PC → Conn_BUS_PCI_Express\n  • R10: 0805 → R_0805"))
        << report.toStdString();
}

// Opening says what it repaired or left out, each line naming the item and its value.
TEST_F(MainWindowComponents, OpeningADamagedProjectSaysWhatItRepairedOrLeftOut)
{
    generate({"R1", "R2", "U1"});
    Netlist netlist = probe->project().netlist();
    netlist.connections.append({"GND", {PadId("R1", "1"), PadId("R2", "1")}});
    probe->project().setNetlist(std::move(netlist));
    const QString path = m_dir.filePath("damaged.vtq");
    ASSERT_TRUE(probe->saveProjectTo(path));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonArray placed = root.value("placedComponents").toArray();
    QJsonObject flat = placed.at(2).toObject();
    flat.insert("footprintName", "Flat_Pad");
    placed.replace(2, flat);
    placed.append(placed.at(0)); // R1 a second time
    // U1's footprint, carried by the project, has a pad without a size.
    root.insert("placedComponents", placed);
    QJsonArray footprints = root.value("footprints").toArray();
    QJsonObject flatFootprint{{"name", "Flat_Pad"},
                              {"copperPads", QJsonArray{QJsonObject{{"number", "1"}, {"width", 1}, {"height", 1.3},
                                                                    {"shape", "rect"}, {"layers", "F.Cu"}},
                                                        QJsonObject{{"number", "2"}, {"posX", 2}, {"shape", "rect"},
                                                                    {"layers", "F.Cu"}}}}};
    footprints.append(flatFootprint);
    root.insert("footprints", footprints);
    const auto track = [](const char* net, double width, bool withSegment) {
        QJsonArray segments;
        if (withSegment)
            segments.append(QJsonObject{{"startPoint", QJsonObject{{"x", 0}, {"y", 0}, {"z", 5}}},
                                        {"endPoint", QJsonObject{{"x", 10}, {"y", 0}, {"z", 5}}},
                                        {"type", 0},
                                        {"width", width},
                                        {"height", 1}});
        return QJsonObject{{"netName", net}, {"startRef", "R1"}, {"startPad", "1"}, {"endRef", "R2"},
                           {"endPad", "1"},  {"isComplete", true}, {"segments", segments}};
    };
    root.insert("routes", QJsonArray{track("GND", -0.5, true), track("GND", 2, false), track("VCC", 2, true)});
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(root).toJson());
    file.close();

    MessageBoxAnswerer yes(QMessageBox::Yes);
    ASSERT_TRUE(probe->openProjectPath(path, false));
    ASSERT_FALSE(yes.seen.isEmpty());
    const QString report = yes.seen.last();
    EXPECT_TRUE(report.contains("• Components placed: 4\n  - Loaded: 2\n  - Missing: 1\n• Routes: 2\n"))
        << report.toStdString();
    EXPECT_TRUE(report.contains("  • U1: footprint Flat_Pad cannot be used: pad “2” has size 0 × 0 mm (a pad needs a "
                                "width and a height above 0)"))
        << report.toStdString();
    EXPECT_TRUE(report.contains(
        "⚠ Repaired or left out on opening:\n"
        "  • track 1 of the file (net GND, from R1/1), segment 1: section -0.5 × 1 mm replaced by 2 × 1 mm\n"
        "  • track 2 of the file (net GND, from R1/1) is kept as saved and not built: it is marked finished but has "
        "no segment\n"
        "  • track 3 of the file (net VCC, from R1/1) is on net “VCC”, which the netlist does not have: kept as it "
        "was saved\n"
        "  • placed component R1 appears again as entry 4 of the file: the first entry was kept, this one left out"))
        << report.toStdString();
    EXPECT_EQ(probe->project().routingManager().routes().size(), 2);
}

} // namespace
