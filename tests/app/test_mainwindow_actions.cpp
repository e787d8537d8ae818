// Main window without a 3D viewer: action states, part import flow, modified flag and mode
// guards. The window is never shown, so no viewer is built.
#include "mainwindowprobe.h"
#include "partfiles.h"

#include "testsupport.h"

#include "app/progresswindow.h"
#include "app/routecommands.h"
#include "model/footprintdata.h"
#include "model/savedcomponent.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QUndoCommand>

#include <gtest/gtest.h>

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRep_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_TCompound.hxx>

#include <atomic>

#include "foundation/geometryutils.h"

namespace {

class MainWindowActions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
    }

    QString boxStep(const QString& name = QStringLiteral("box.step"))
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(PartFiles::writeStep(path, {PartFiles::box(40, 20, 10)}));
        return path;
    }

    QString file(const QString& name) const { return m_dir.filePath(name); }

    struct Enabled
    {
        bool orient, exports, ratsnest, routing, probe, select, follow, burial, clearTracks,
            updateFromNetlist;
    };

    void expectEnabled(const Enabled& e)
    {
        EXPECT_EQ(probe->orientButton()->isEnabled(), e.orient);
        EXPECT_EQ(probe->exportStepAction()->isEnabled(), e.exports);
        EXPECT_EQ(probe->export3mfPartAction()->isEnabled(), e.exports);
        EXPECT_EQ(probe->export3mfProjectAction()->isEnabled(), e.exports);
        EXPECT_EQ(probe->printPlanAction()->isEnabled(), e.exports);
        EXPECT_EQ(probe->ratsnestButton()->isEnabled(), e.ratsnest);
        EXPECT_EQ(probe->routingButton()->isEnabled(), e.routing);
        EXPECT_EQ(probe->probeButton()->isEnabled(), e.probe);
        EXPECT_EQ(probe->selectionModeButton()->isEnabled(), e.select);
        EXPECT_EQ(probe->followSurfaceButton()->isEnabled(), e.follow);
        EXPECT_EQ(probe->burialButton()->isEnabled(), e.burial);
        EXPECT_EQ(probe->clearTracksButton()->isEnabled(), e.clearTracks);
        EXPECT_EQ(probe->updateFromNetlistAction()->isEnabled(), e.updateFromNetlist);
    }

    TestSupport::IsolatedSettings m_settings;
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

class FlagCommand : public QUndoCommand
{
public:
    FlagCommand() : QUndoCommand(QStringLiteral("Move R1")) {}
    void undo() override {}
    void redo() override {}
};

TEST_F(MainWindowActions, AtStartOnlyImportAndResetAreEnabled)
{
    EXPECT_TRUE(probe->importButton()->isEnabled());
    EXPECT_TRUE(probe->importNetlistButton()->isEnabled()) << "a netlist needs no part";
    EXPECT_TRUE(probe->resetViewButton()->isEnabled());
    EXPECT_FALSE(probe->generateButton()->isEnabled());
    EXPECT_FALSE(probe->ratsnestInfoButton()->isEnabled());
    expectEnabled({false, false, false, false, false, false, false, false, false, false});
    EXPECT_FALSE(probe->undoAction()->isEnabled());
    EXPECT_FALSE(probe->redoAction()->isEnabled());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantorquelle — Untitled project"));
    EXPECT_EQ(probe->status(), QStringLiteral("Ready - Build plate displayed"));
    EXPECT_EQ(probe->undoStack()->undoLimit(), 100);
}

TEST_F(MainWindowActions, StepImportEnablesPartActionsOnly)
{
    probe->undoStack()->push(new FlagCommand);
    ASSERT_TRUE(window->importStepFile(boxStep()));

    // The exports and the print plan follow the part.
    expectEnabled({true, true, false, false, false, false, false, false, false, false});
    EXPECT_EQ(probe->project().shapes().size(), 1);
    EXPECT_EQ(probe->project().mainShapeIndex(), 0);
    EXPECT_EQ(probe->undoStack()->count(), 0) << "a new part empties the undo history";
    EXPECT_EQ(probe->status(), QStringLiteral("Loaded: box - Click 'Orient part' then on a face"));
}

TEST_F(MainWindowActions, TracksAloneEnableSelectionAndClearTracks)
{
    Route route;
    route.netName = QStringLiteral("GND");
    probe->project().routingManager().addRoute(route);
    window->updateActionStates();
    expectEnabled({false, false, false, false, false, true, false, false, true, false});

    {
        MessageBoxAnswerer answerer;
        EXPECT_TRUE(probe->modes()->requestTransition(ModeController::Mode::Select).accepted);
        EXPECT_TRUE(answerer.seen.isEmpty());
        EXPECT_EQ(probe->selectionModeButton()->text(), QStringLiteral("Exit selection"));
        probe->modes()->requestTransition(ModeController::Mode::View);
        EXPECT_EQ(probe->selectionModeButton()->text(), QStringLiteral("Selection mode"));
        EXPECT_EQ(probe->status(), QStringLiteral("Selection mode disabled"));
    }
    {
        // Tracks are at stake: the default answer keeps them.
        MessageBoxAnswerer answerer;
        EXPECT_FALSE(window->importStepFile(boxStep()));
        ASSERT_EQ(answerer.seen.size(), 1);
        EXPECT_TRUE(answerer.seen.first().startsWith(QStringLiteral("Import a part|")));
        EXPECT_EQ(probe->status(), QStringLiteral("STEP import canceled"));
        EXPECT_EQ(probe->project().routingManager().routes().size(), 1);
        EXPECT_TRUE(probe->project().mainShape().IsNull());
    }
    {
        // Yes: a new part removes the tracks and the buttons that depend on them.
        MessageBoxAnswerer answerer(QMessageBox::Yes);
        ASSERT_TRUE(window->importStepFile(boxStep()));
        EXPECT_EQ(answerer.seen.size(), 1);
        EXPECT_TRUE(probe->project().routingManager().routes().isEmpty());
        EXPECT_FALSE(probe->clearTracksButton()->isEnabled());
        EXPECT_FALSE(probe->selectionModeButton()->isEnabled());
    }
}

// Changes made outside the undo history must still count as unsaved work.
TEST_F(MainWindowActions, TitleShowsChangesMadeOutsideTheUndoHistory)
{
    const QString clean = QStringLiteral("Vantorquelle — Untitled project");
    const QString dirty = clean + QStringLiteral(" *");

    ASSERT_TRUE(window->importStepFile(boxStep()));
    EXPECT_TRUE(probe->undoStack()->isClean());
    EXPECT_TRUE(window->isProjectModified());
    EXPECT_EQ(window->windowTitle(), dirty);

    window->setModifiedOutsideUndo(false); // what a save or load does
    EXPECT_EQ(window->windowTitle(), clean);

    probe->undoStack()->push(new FlagCommand);
    EXPECT_EQ(window->windowTitle(), dirty);
    EXPECT_EQ(probe->undoAction()->text(), QStringLiteral("&Undo Move R1"));
    probe->undoStack()->undo();
    EXPECT_EQ(window->windowTitle(), clean) << "undoing back to the clean state";

    window->setModifiedOutsideUndo(true);
    probe->undoStack()->redo();
    probe->undoStack()->undo();
    EXPECT_EQ(window->windowTitle(), dirty) << "a clean stack does not hide other changes";

    window->setModifiedOutsideUndo(false);
    window->clearUndoHistory();
    EXPECT_EQ(window->windowTitle(), clean) << "clearing a clean history changes nothing";
    probe->undoStack()->push(new FlagCommand);
    window->clearUndoHistory();
    EXPECT_EQ(probe->undoStack()->count(), 0);
    EXPECT_EQ(window->windowTitle(), dirty) << "the cleared edits are still unsaved";

    window->setCurrentProjectPath(QStringLiteral("/tmp/board.rev.vtq"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vantorquelle — board.rev *"));
}

// Children signal while ~QWidget deletes them; the window's slots must no longer run then.
TEST_F(MainWindowActions, ClosingWithUnsavedEditsRunsNoSlotOfTheDyingWindow)
{
    probe->undoStack()->push(new FlagCommand);
    ASSERT_FALSE(probe->undoStack()->isClean());
    probe.reset();
    QSignalSpy titles(window.get(), &QWidget::windowTitleChanged);
    window.reset();
    EXPECT_EQ(titles.count(), 0) << "the undo stack's cleanChanged reached the destroyed window";
}

TEST_F(MainWindowActions, FailedReadLeavesProjectUnmodified)
{
    QFile garbage(file(QStringLiteral("broken.step")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("this is not a STEP file\n");
    garbage.close();

    MessageBoxAnswerer answerer;
    EXPECT_FALSE(window->importStepFile(garbage.fileName()));
    ASSERT_EQ(answerer.seen.size(), 1);
    // The window's message, then the importer's reason.
    EXPECT_EQ(answerer.seen.first(),
              QStringLiteral("Error|Unable to read the STEP file\n\nThe file is not a readable STEP file: ")
                  + garbage.fileName());
    EXPECT_EQ(probe->status(), QStringLiteral("Ready - Build plate displayed"));
    EXPECT_FALSE(window->isProjectModified());
    EXPECT_TRUE(probe->project().mainShape().IsNull());
}

TEST_F(MainWindowActions, ChooserPathIsRoutedBySuffixInLowerCase)
{
    const QString upper = boxStep(QStringLiteral("PART.STP"));
    const QString bak = file(QStringLiteral("part.step.bak"));
    ASSERT_TRUE(QFile::copy(upper, bak));

    QString next;
    int chooserCalls = 0;
    window->setOpenFileChooser([&](QWidget*, int kind, const QString&, const QString& filter,
                                   const QString&) {
        ++chooserCalls;
        EXPECT_EQ(kind, 0);
        EXPECT_TRUE(filter.contains(QStringLiteral("(*.step *.stp *.stl)")));
        return next;
    });
    MessageBoxAnswerer answerer;

    next = QString(); // cancelled
    window->importGeometryFile();
    EXPECT_EQ(probe->status(), QStringLiteral("Ready - Build plate displayed"));

    next = bak;
    window->importGeometryFile();
    ASSERT_EQ(answerer.seen.size(), 1);
    EXPECT_TRUE(answerer.seen.first().startsWith(QStringLiteral("Unknown format|")));
    EXPECT_TRUE(answerer.seen.first().contains(QStringLiteral("\"part.step.bak\"")));
    EXPECT_EQ(probe->status(), QStringLiteral("Import cancelled: unrecognized format"));
    EXPECT_TRUE(probe->project().mainShape().IsNull());

    next = upper;
    window->importGeometryFile();
    EXPECT_FALSE(probe->project().mainShape().IsNull());
    EXPECT_EQ(chooserCalls, 3);
}

TEST_F(MainWindowActions, ShapesWithoutFacesAreIgnoredAndCounted)
{
    const TopoDS_Shape vertex = BRepBuilderAPI_MakeVertex(gp_Pnt(0, 0, 0)).Shape();
    const TopoDS_Shape edge = BRepBuilderAPI_MakeEdge(gp_Pnt(0, 0, 0), gp_Pnt(5, 0, 0)).Shape();

    const QString mixed = file(QStringLiteral("mixed.step"));
    ASSERT_TRUE(PartFiles::writeStep(mixed, {vertex, PartFiles::box(10, 10, 10), edge}));
    ASSERT_TRUE(window->importStepFile(mixed));
    EXPECT_EQ(probe->project().shapes().size(), 1);
    EXPECT_EQ(probe->status(),
              QStringLiteral("Loaded: mixed - Click 'Orient part' then on a face (2 shape(s) ignored)"));

    const QString faceless = file(QStringLiteral("faceless.step"));
    ASSERT_TRUE(PartFiles::writeStep(faceless, {vertex, edge}));
    MessageBoxAnswerer answerer;
    EXPECT_FALSE(window->importStepFile(faceless));
    ASSERT_EQ(answerer.seen.size(), 1);
    EXPECT_EQ(answerer.seen.first(), QStringLiteral("Error|No usable shape (2 shape(s) ignored)."));
    EXPECT_EQ(probe->status(), QStringLiteral("No valid shape found in the file"));
    EXPECT_TRUE(probe->project().mainShape().IsNull()) << "the previous part is gone";
    EXPECT_FALSE(probe->orientButton()->isEnabled());
    EXPECT_TRUE(window->isProjectModified());
}

// A part that encloses no volume, or arrives as surfaces alone, is refused or said so at import.
TEST_F(MainWindowActions, PartsWithoutAClosedVolumeAreSaidSo)
{
    const auto surfaceModel = [this](const char* name, bool open) {
        const QString path = file(QString(name) + ".step");
        EXPECT_TRUE(PartFiles::writeStep(path, {PartFiles::boxSurfaces(20, 10, 5, open)}));
        return path;
    };
    const QString twice = file(QStringLiteral("twice.stl"));
    QFile stl(twice);
    ASSERT_TRUE(stl.open(QIODevice::WriteOnly));
    stl.write("solid twice\n");
    for (int copy = 0; copy < 2; ++copy)
        stl.write("facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 5 0 0\nvertex 0 5 0\nendloop\nendfacet\n");
    stl.write("endsolid twice\n");
    stl.close();

    struct Case { const char* name; QString path; bool imported; QString message; };
    const QList<Case> cases = {
        {"triangle-twice", twice, false,
         "STL Error|Unable to load STL:\nThe STL mesh encloses no volume: its triangles lie on one another."},
        {"closed-surfaces", surfaceModel("closed", false), true,
         "Import STEP — surfaces|The STEP part held surfaces and no solid: they were sewn into a closed solid."},
        {"open-surfaces", surfaceModel("open", true), true,
         "Import STEP — surfaces|The STEP part is not closed: it holds surfaces and no solid, and sewing them left 4 "
         "free edge(s). Orientation is still possible, but burial analysis and the exports will be imprecise: the "
         "exported part will not be closed either."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxAnswerer answerer;
        const bool imported = c.path.endsWith(".stl") ? window->importStlFile(c.path) : window->importStepFile(c.path);
        EXPECT_EQ(imported, c.imported);
        EXPECT_EQ(answerer.seen.join("\n---\n").toStdString(), c.message.toStdString());
    }
}

TEST_F(MainWindowActions, StlImportReportsAWaterproofSolid)
{
    const QString path = file(QStringLiteral("cube.stl"));
    ASSERT_TRUE(PartFiles::writeStl(path, PartFiles::box(10, 10, 10)));
    MessageBoxAnswerer answerer;
    ASSERT_TRUE(window->importStlFile(path));
    EXPECT_TRUE(answerer.seen.isEmpty()) << answerer.seen.join('\n').toStdString();
    EXPECT_EQ(probe->status(), QStringLiteral("Imported STL: cube — 12 triangle(s), solid waterproof"));
    EXPECT_TRUE(probe->orientButton()->isEnabled());

    const QString marked = file(QStringLiteral("rev %2.stl"));
    ASSERT_TRUE(QFile::copy(path, marked));
    ASSERT_TRUE(window->importStlFile(marked));
    EXPECT_EQ(probe->status(), QStringLiteral("Imported STL: rev %2 — 12 triangle(s), solid waterproof"))
        << "the file name is shown as written";
}

TEST_F(MainWindowActions, OpenStlMeshIsImportedWithAReport)
{
    // A box with its top face missing: the sewn shell keeps free edges.
    const QString path = file(QStringLiteral("open.stl"));
    TopoDS_Compound open;
    BRep_Builder builder;
    builder.MakeCompound(open);
    const TopoDS_Shape closed = PartFiles::box(10, 10, 10);
    for (TopExp_Explorer it(closed, TopAbs_FACE); it.More(); it.Next()) {
        const TestSupport::Box b = TestSupport::boxOf(it.Current());
        if (b.zmin < 9.9)
            builder.Add(open, it.Current());
    }
    ASSERT_TRUE(PartFiles::writeStl(path, open));

    // A box whose top is pushed through its bottom: closed, but no solid holds it.
    const QString through = file(QStringLiteral("through.stl"));
    QFile stl(through);
    ASSERT_TRUE(stl.open(QIODevice::WriteOnly));
    stl.write("solid through\n");
    const double top[4][3] = {{0, 0, 10}, {10, 0, 10}, {10, 10, 10}, {0, 10, 10}};
    const double tip[3] = {5, 5, -5};
    const auto facet = [&stl](const double* a, const double* b, const double* c) {
        stl.write("facet normal 0 0 0\nouter loop\n");
        for (const double* p : {a, b, c})
            stl.write(QStringLiteral("vertex %1 %2 %3\n").arg(p[0]).arg(p[1]).arg(p[2]).toLatin1());
        stl.write("endloop\nendfacet\n");
    };
    const double corner[8][3] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 10}, {10, 0, 10}, {10, 10, 10}, {0, 10, 10}};
    const int sides[5][4] = {{0, 3, 2, 1}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    for (const auto& q : sides) {
        facet(corner[q[0]], corner[q[1]], corner[q[2]]);
        facet(corner[q[0]], corner[q[2]], corner[q[3]]);
    }
    for (int k = 0; k < 4; ++k)
        facet(top[k], top[(k + 1) % 4], tip);
    stl.write("endsolid through\n");
    stl.close();

    struct Row { QString path; const char* warning; };
    for (const Row& row : {Row{path, "The STL mesh could not be turned into a watertight closed solid"},
                           Row{through, "The surface of the STL mesh passes through itself"}}) {
        SCOPED_TRACE(row.warning);
        MessageBoxAnswerer answerer;
        ASSERT_TRUE(window->importStlFile(row.path));
        ASSERT_EQ(answerer.seen.size(), 1);
        EXPECT_TRUE(answerer.seen.first().startsWith(QStringLiteral("Import STL — mesh|") + row.warning))
            << answerer.seen.first().toStdString();
        EXPECT_TRUE(answerer.seen.first().endsWith(QStringLiteral("• Waterproof solid: no")))
            << answerer.seen.first().toStdString();
        EXPECT_EQ(probe->status(), QStringLiteral("Loaded: %1 - Click 'Orient part' then on a face")
                                       .arg(QFileInfo(row.path).completeBaseName()));
    }
}

struct OrientCase
{
    const char* name;
    gp_Dir outward;      // the picked face of a 40 x 20 x 10 box at the origin
    double expectHeight; // height of the part once that face lies on the plate
};

TEST_F(MainWindowActions, OrientationLaysThePickedFaceOnThePlate)
{
    const OrientCase cases[] = {
        {"bottom, already down", gp_Dir(0, 0, -1), 10.0},
        {"top, half turn", gp_Dir(0, 0, 1), 10.0},
        {"side +X", gp_Dir(1, 0, 0), 40.0},
        {"side -Y", gp_Dir(0, -1, 0), 20.0},
    };
    for (const OrientCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(window->importStepFile(boxStep()));
        const TopoDS_Shape part = probe->project().mainShape();
        TopoDS_Face picked;
        for (TopExp_Explorer it(part, TopAbs_FACE); it.More(); it.Next()) {
            const TopoDS_Face face = TopoDS::Face(it.Current());
            const gp_Vec n = GeometryUtils::ensureNormalPointsOutward(
                face, GeometryUtils::calculateFaceNormal(face), part, nullptr);
            if (n.IsParallel(gp_Vec(c.outward), 1e-6) && n.Dot(gp_Vec(c.outward)) > 0)
                picked = face;
        }
        ASSERT_FALSE(picked.IsNull());

        ASSERT_TRUE(window->orientShapeToFace(picked));
        const TestSupport::Box b = TestSupport::boxOf(probe->project().mainShape());
        EXPECT_NEAR(b.zmin, 3.0, 1e-6);
        EXPECT_NEAR(b.zmax - b.zmin, c.expectHeight, 1e-6);
        EXPECT_NEAR((b.xmin + b.xmax) / 2, 25.0, 1e-6);
        EXPECT_NEAR((b.ymin + b.ymax) / 2, 5.0, 1e-6);
        EXPECT_NEAR(TestSupport::volumeOf(probe->project().mainShape()), 8000.0, 1e-3);
        EXPECT_EQ(probe->status(),
                  QStringLiteral("Part oriented and centered - face placed on the build plate"));
    }
}

TEST_F(MainWindowActions, OrientationAsksBeforeRemovingTracks)
{
    ASSERT_TRUE(window->importStepFile(boxStep()));
    const TopoDS_Shape part = probe->project().mainShape();
    TopExp_Explorer firstFace(part, TopAbs_FACE);
    const TopoDS_Face face = TopoDS::Face(firstFace.Current());
    probe->project().routingManager().addRoute(Route());
    probe->undoStack()->push(new FlagCommand);

    {
        MessageBoxAnswerer answerer(QMessageBox::No);
        EXPECT_FALSE(window->orientShapeToFace(face));
        ASSERT_EQ(answerer.seen.size(), 1);
        EXPECT_TRUE(answerer.seen.first().startsWith(QStringLiteral("Orient the part|")));
        EXPECT_EQ(probe->status(), QStringLiteral("Orientation cancelled — job placement retained"));
        EXPECT_TRUE(probe->project().mainShape().IsSame(part));
        EXPECT_EQ(probe->project().routingManager().routes().size(), 1);
        EXPECT_EQ(probe->undoStack()->count(), 1);
    }
    {
        MessageBoxAnswerer answerer(QMessageBox::Yes);
        EXPECT_TRUE(window->orientShapeToFace(face));
        EXPECT_TRUE(probe->project().routingManager().routes().isEmpty());
        EXPECT_EQ(probe->undoStack()->count(), 0);
        EXPECT_TRUE(window->isProjectModified());
    }
}

TEST_F(MainWindowActions, OrientationWithoutPartReportsTheError)
{
    TopoDS_Shape box = PartFiles::box(1, 1, 1);
    TopExp_Explorer firstFace(box, TopAbs_FACE);
    MessageBoxAnswerer answerer;
    EXPECT_FALSE(window->orientShapeToFace(TopoDS::Face(firstFace.Current())));
    ASSERT_EQ(answerer.seen.size(), 1);
    EXPECT_EQ(answerer.seen.first(),
              QStringLiteral("Error|Error during orientation: No main shape available"));
    EXPECT_FALSE(window->isProjectModified());
}

struct Refusal
{
    ModeController::Mode mode;
    bool withPart;
    const char* reason;
};

TEST_F(MainWindowActions, ModeGuardsRefuseWithTheirReason)
{
    const Refusal cases[] = {
        {ModeController::Mode::Orientation, false, "Import a STEP file first"},
        {ModeController::Mode::Routing, true, "Import a netlist first"},
        {ModeController::Mode::ResistanceProbe, true, "Generate the components first"},
        {ModeController::Mode::Select, true, "Generate components or route traces first"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(ModeController::modeName(c.mode).toStdString());
        if (c.withPart && probe->project().mainShape().IsNull()) {
            ASSERT_TRUE(window->importStepFile(boxStep()));
        }
        MessageBoxAnswerer answerer;
        EXPECT_FALSE(probe->modes()->requestTransition(c.mode).accepted);
        ASSERT_EQ(answerer.seen.size(), 1);
        EXPECT_EQ(answerer.seen.first(), QStringLiteral("Mode unavailable|") + c.reason);
        EXPECT_EQ(probe->status(), QStringLiteral("Mode %1 refused: %2")
                                       .arg(ModeController::modeName(c.mode), c.reason));
        EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::View);
    }
}

TEST_F(MainWindowActions, ModeButtonFollowsTheModeAndItsTexts)
{
    ASSERT_TRUE(window->importStepFile(boxStep()));
    QPushButton* orient = probe->orientButton();

    orient->click();
    EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::Orientation);
    EXPECT_TRUE(orient->isChecked());
    EXPECT_EQ(orient->text(), QStringLiteral("Cancel selection"));
    EXPECT_EQ(probe->status(), QStringLiteral("Selection mode ACTIVE - Click on a face of the part"));

    orient->click(); // the checked button of the current mode goes back to View
    EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::View);
    EXPECT_FALSE(orient->isChecked());
    EXPECT_EQ(orient->text(), QStringLiteral("Orient part"));
    EXPECT_EQ(probe->status(), QStringLiteral("Selection mode disabled"));

    // A refused click puts the button back unchecked.
    MessageBoxAnswerer answerer;
    probe->routingButton()->setEnabled(true);
    probe->routingButton()->click();
    EXPECT_FALSE(probe->routingButton()->isChecked());
    EXPECT_EQ(probe->routingButton()->text(), QStringLiteral("Routing Mode"));
}

TEST_F(MainWindowActions, SurfaceFollowingSwitchesTextsBothWays)
{
    QPushButton* follow = probe->followSurfaceButton();
    follow->setEnabled(true);
    follow->click();
    EXPECT_TRUE(probe->surfaceFollowing());
    EXPECT_EQ(follow->text(), QStringLiteral("Plane mode"));
    EXPECT_EQ(probe->status(), QStringLiteral(
        "Surface follow mode ACTIVE - Components will follow the surface of the part"));
    follow->click();
    EXPECT_FALSE(probe->surfaceFollowing());
    EXPECT_EQ(follow->text(), QStringLiteral("Follow surface"));
    EXPECT_EQ(probe->status(), QStringLiteral("Plane mode ACTIVE - Components stay on the build plate"));

    follow->click();
    window->resetInteractionState();
    EXPECT_FALSE(probe->surfaceFollowing());
    EXPECT_FALSE(follow->isChecked());
    EXPECT_EQ(follow->text(), QStringLiteral("Follow surface"));
}

// The commands the window offers follow the design through its models and its undo history:
// a netlist set, an edit undone and redone from the Edit menu (whose status line then says so,
// not what the edit said), and a design opened over an empty one, told once, after the swap.
TEST_F(MainWindowActions, CommandsFollowTheModelsUndoRedoAndOpening)
{
    ASSERT_TRUE(window->importStepFile(boxStep()));
    Netlist netlist;
    netlist.components.insert(QStringLiteral("R1"), NetlistComponent{"R1", "1k", "R_0805", {}});
    probe->project().setNetlist(std::move(netlist));
    EXPECT_TRUE(probe->generateButton()->isEnabled());

    const Route route = trackAcross(probe->project().mainShape());
    probe->project().routingManager().addRoute(route);
    window->updateActionStates();
    const Enabled withTracks{true, true, false, false, false, true, false, false, true, false};
    const Enabled withoutTracks{true, true, false, false, false, false, false, false, false, false};
    expectEnabled(withTracks);

    probe->undoStack()->push(new ClearAllRoutesCommand(&probe->project().routingManager(), [] {}));
    const QString edit = probe->undoStack()->undoText();
    expectEnabled(withoutTracks);
    probe->undoAction()->trigger();
    expectEnabled(withTracks);
    EXPECT_EQ(probe->status().toStdString(), ("Undone: " + edit).toStdString());
    probe->redoAction()->trigger();
    expectEnabled(withoutTracks);
    EXPECT_EQ(probe->status().toStdString(), ("Redone: " + edit).toStdString());
    probe->undoAction()->trigger();
    ASSERT_EQ(probe->project().routingManager().routes().size(), 1);

    // The same design in a file (saving needs the viewer).
    const QString file = m_dir.filePath(QStringLiteral("design.vtq"));
    {
        ProjectManager saved;
        saved.addShape(probe->project().mainShape());
        saved.setMainShapeIndex(0);
        saved.setNetlist(Netlist(probe->project().netlist()));
        saved.routingManager().addRoute(route);
        ASSERT_TRUE(saved.saveProject(file, {}, {}, false));
    }
    MessageBoxAnswerer yes(QMessageBox::Yes);
    window->newProject();
    expectEnabled({false, false, false, false, false, false, false, false, false, false});
    EXPECT_FALSE(probe->generateButton()->isEnabled());
    QSignalSpy told(window.get(), &MainWindow::designStateChanged);
    ASSERT_TRUE(probe->openProjectPath(file, false));
    EXPECT_EQ(told.count(), 1);
    expectEnabled(withTracks);
    EXPECT_TRUE(probe->generateButton()->isEnabled());
}

// A part's topology that counts the threads that free it.
class WatchedCompound : public TopoDS_TCompound
{
public:
    WatchedCompound(std::atomic<int>& onWindowThread, std::atomic<int>& aside)
        : m_onWindowThread(onWindowThread)
        , m_aside(aside)
    {
    }
    ~WatchedCompound() override { ++(QThread::currentThread() == qApp->thread() ? m_onWindowThread : m_aside); }

private:
    std::atomic<int>& m_onWindowThread;
    std::atomic<int>& m_aside;
};

// Replacing the design lets the last reference to the previous part go beside the window's
// thread: freeing a big part's topology there would freeze the window for seconds.
TEST_F(MainWindowActions, PreviousPartIsFreedBesideTheWindowsThread)
{
    const QString stl = file(QStringLiteral("box.stl"));
    ASSERT_TRUE(PartFiles::writeStl(stl, PartFiles::box(40, 20, 10)));
    const struct
    {
        const char* name;
        std::function<bool()> replace;
    } rows[] = {
        {"STL import", [&] { return window->importStlFile(stl); }},
        {"STEP import", [&] { return window->importStepFile(boxStep()); }},
        {"new project", [&] {
             MessageBoxAnswerer yes(QMessageBox::Yes);
             window->newProject();
             return probe->project().shapes().isEmpty();
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::atomic<int> onWindowThread{0};
        std::atomic<int> aside{0};
        {
            TopoDS_Compound part;
            part.TShape(new WatchedCompound(onWindowThread, aside));
            BRep_Builder().Add(part, PartFiles::box(10, 10, 10));
            probe->project().addShape(part);
            probe->project().setMainShapeIndex(int(probe->project().shapes().size()) - 1);
        }
        ASSERT_TRUE(row.replace());
        ASSERT_TRUE(waitFor([&] { return onWindowThread + aside > 0; }));
        EXPECT_EQ(onWindowThread, 0);
        EXPECT_EQ(aside, 1);
    }
}

TEST_F(MainWindowActions, RedoAlsoAnswersCtrlShiftZ)
{
    const QList<QKeySequence> keys = probe->redoAction()->shortcuts();
    ASSERT_FALSE(keys.isEmpty());
    EXPECT_EQ(keys.at(0), QKeySequence(QKeySequence::Redo));
    EXPECT_EQ(keys.count(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)), 1)
        << "given once: a key listed twice on one action is ambiguous and never fires";
}

TEST(MainWindowText, AbbreviatedListCutsAfterTwelveNames)
{
    QStringList names;
    for (int i = 1; i <= 13; ++i)
        names << QStringLiteral("R%1").arg(i);
    EXPECT_EQ(MainWindow::abbreviatedList({}), QStringLiteral("    \n"));
    EXPECT_EQ(MainWindow::abbreviatedList(names.mid(0, 12)),
              QStringLiteral("    ") + names.mid(0, 12).join(QStringLiteral(", ")) + '\n');
    EXPECT_EQ(MainWindow::abbreviatedList(names),
              QStringLiteral("    ") + names.mid(0, 12).join(QStringLiteral(", "))
                  + QStringLiteral(", … (+1 more)\n"));
    EXPECT_EQ(MainWindow::abbreviatedList({"D10", "d2", "D1", "C3"}), QStringLiteral("    C3, D1, d2, D10\n"))
        << "references in natural order";
}

} // namespace

// Cancel in the progress window of a long import leaves the part that was open, as it was.
// The part to import takes seconds to scan: a gigabyte of zeros (a sparse file) in its data.
TEST_F(MainWindowActions, CancelledImportKeepsThePartThatWasOpen)
{
    ASSERT_TRUE(window->importStepFile(boxStep()));
    const TopoDS_Shape before = probe->project().mainShape();
    QFile other(boxStep(QStringLiteral("other.step")));
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    const QByteArray whole = other.readAll();
    const qsizetype end = whole.lastIndexOf("ENDSEC;");
    QFile big(file(QStringLiteral("big.step")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(whole.left(end));
    ASSERT_TRUE(big.resize(big.size() + (qint64(1) << 30)));
    ASSERT_TRUE(big.seek(big.size()));
    big.write(whole.mid(end));
    big.close();

    ProgressWindow::setShowDelay(0);
    bool pressed = false;
    std::function<void()> cancel = [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (modal && modal->objectName() == QLatin1String("progressWindow")) {
            modal->reject();
            pressed = true;
        } else {
            QTimer::singleShot(10, cancel);
        }
    };
    QTimer::singleShot(0, cancel);
    const bool imported = window->importStepFile(big.fileName());
    ProgressWindow::setShowDelay(400);
    QFile::remove(big.fileName());

    EXPECT_TRUE(pressed);
    EXPECT_FALSE(imported);
    EXPECT_EQ(probe->status(), QStringLiteral("STEP import cancelled"));
    EXPECT_TRUE(probe->project().mainShape().IsSame(before));
    EXPECT_EQ(probe->project().shapes().size(), 1);
}
