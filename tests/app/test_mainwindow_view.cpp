// Main window with its 3D viewer (needs an X server): start-up, part import through the
// import flow, framing, and orientation by a click on a face.
#include "../routing/trackfixtures.h"
#include "mainwindowprobe.h"
#include "view/partlook.h"
#include "partfiles.h"

#include "components/componentmanager.h"
#include "foundation/appsettings.h"
#include "foundation/geometryutils.h"
#include "model/placedcomponentdata.h"
#include "routing/resistancecalculator.h"
#include "routing/resistancedialog.h"
#include "testsupport.h"
#include "view/occwidget.h"
#include "app/progresswindow.h"

#include <QDialog>
#include <QProgressBar>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoCommand>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_Shape.hxx>
#include <AIS_ViewCube.hxx>
#include <BRepGProp.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <SelectMgr_ViewerSelector.hxx>
#include <TColStd_ListOfInteger.hxx>
#include <V3d_View.hxx>

namespace {

// What is on show, and what the looks of the parts hold: the volume their triangles enclose
// and their count, and how many parts are shown without one.
struct Displayed
{
    int base = 0;
    int viewCubes = 0;
    int others = 0;
    int withoutLook = 0;
    double lookVolume = 0.0;
    int lookTriangles = 0;
};

Displayed displayedObjects(OccWidget* view)
{
    Displayed d;
    AIS_ListOfInteractive objects;
    view->context()->DisplayedObjects(objects);
    for (const opencascade::handle<AIS_InteractiveObject>& object : objects) {
        if (view->isBaseElement(object))
            ++d.base;
        else
            ++d.others;
        if (!opencascade::handle<AIS_ViewCube>::DownCast(object).IsNull())
            ++d.viewCubes;
        const auto part = opencascade::handle<PartPresentation>::DownCast(object);
        if (part.IsNull())
            continue;
        d.withoutLook += part->hasLook() ? 0 : 1;
        for (const auto& array : {part->look().closed, part->look().open}) {
            for (int i = 1; !array.IsNull() && i + 2 <= array->EdgeNumber(); i += 3, ++d.lookTriangles) {
                const gp_XYZ a = array->Vertice(array->Edge(i)).XYZ();
                d.lookVolume += a.Dot(array->Vertice(array->Edge(i + 1)).XYZ() ^ array->Vertice(array->Edge(i + 2)).XYZ()) / 6.0;
            }
        }
    }
    return d;
}

gp_Pnt faceCentre(const TopoDS_Face& face)
{
    GProp_GProps props;
    BRepGProp::SurfaceProperties(face, props);
    return props.CentreOfMass();
}

// Device pixel of a world point, converted to the widget's logical coordinates.
QPoint logicalPixel(OccWidget* widget, const gp_Pnt& p)
{
    Standard_Integer x = 0;
    Standard_Integer y = 0;
    widget->view()->Convert(p.X(), p.Y(), p.Z(), x, y);
    const qreal ratio = std::max<qreal>(1.0, widget->devicePixelRatioF());
    return QPoint(qRound(x / ratio), qRound(y / ratio));
}

class MainWindowView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        ASSERT_TRUE(probe->occWidget()->context().IsNull()) << "no viewer before the first resize";
        initSpy = std::make_unique<QSignalSpy>(probe->occWidget(), &OccWidget::viewerInitialized);
        window->show();
        ASSERT_TRUE(waitFor([this] { return probe->viewerReady(); }));
        chooser = QString();
        window->setOpenFileChooser(
            [this](QWidget*, int, const QString&, const QString&, const QString&) { return chooser; });
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Every corner of the box lands inside the view.
    void expectFramed(const TopoDS_Shape& shape)
    {
        const TestSupport::Box b = TestSupport::boxOf(shape);
        OccWidget* w = probe->occWidget();
        for (double x : {b.xmin, b.xmax})
            for (double y : {b.ymin, b.ymax})
                for (double z : {b.zmin, b.zmax}) {
                    const QPoint p = logicalPixel(w, gp_Pnt(x, y, z));
                    EXPECT_TRUE(w->rect().contains(p))
                        << "corner " << x << "," << y << "," << z << " at " << p.x() << "," << p.y();
                }
    }

    void buildProbeDesign();
    const PadId probeA{"R1", "2"};
    const PadId probeB{"R2", "1"};

    TestSupport::IsolatedSettings m_settings;
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
    std::unique_ptr<QSignalSpy> initSpy;
    QString chooser;
};

TEST_F(MainWindowView, ViewerIsBuiltOnceWithPlateAndCube)
{
    EXPECT_EQ(initSpy->count(), 1);
    window->resize(window->width() + 40, window->height() + 20);
    QTest::qWait(100);
    EXPECT_EQ(initSpy->count(), 1) << "announced once";

    const Displayed d = displayedObjects(probe->occWidget());
    EXPECT_EQ(d.base, 2) << "build plate and view cube";
    EXPECT_EQ(d.viewCubes, 1);
    EXPECT_EQ(d.others, 0);
    EXPECT_TRUE(window->isViewerReady()) << "every object that needs the viewer is wired";
}

// On the screen there is (a laptop's 1280 × 800 in the test run, the tightest) the window,
// maximised inside a window manager's frame, keeps its status bar in view. Xvfb has no window
// manager: the window is put where one would put it, inside title bars and borders of common sizes.
TEST_F(MainWindowView, StatusBarStaysOnALaptopScreenInsideTheFrame)
{
    const QRect screen = window->screen()->availableGeometry();
    for (const auto& [titleBar, border] : {std::pair{0, 0}, {24, 4}, {30, 1}, {37, 0}}) {
        const QRect room = screen.adjusted(border, titleBar + border, -border, -border);
        window->setGeometry(room);
        ASSERT_TRUE(waitFor([&] { return window->geometry().topLeft() == room.topLeft(); }));
        QStatusBar* bar = window->statusBar();
        const QRect shown(bar->mapToGlobal(QPoint(0, 0)), bar->size());
        EXPECT_TRUE(bar->isVisible() && room.contains(shown))
            << "title bar " << titleBar << ": status bar at y " << shown.y() << " to " << shown.bottom();
    }
}

// Each part's look was made before it was shown, beside the window's thread: each root of a
// STEP file meshed there, an STL part's the file's own triangles.
TEST_F(MainWindowView, StepAndStlPartsAreImportedDisplayedAndFramed)
{
    chooser = path(QStringLiteral("bracket.step"));
    ASSERT_TRUE(PartFiles::writeStep(chooser, {PartFiles::box(60, 30, 12), PartFiles::box(10, 10, 10)}));
    window->importGeometryFile();
    ASSERT_FALSE(probe->project().mainShape().IsNull());
    Displayed d = displayedObjects(probe->occWidget());
    EXPECT_EQ(d.others, 2);
    expectFramed(probe->project().mainShape());
    EXPECT_EQ(d.withoutLook, 0);
    EXPECT_NEAR(d.lookVolume, 60.0 * 30.0 * 12.0 + 1000.0, 1e-6);

    chooser = path(QStringLiteral("cube.stl"));
    ASSERT_TRUE(PartFiles::writeStl(chooser, PartFiles::box(8, 8, 8)));
    MessageBoxAnswerer answerer;
    window->importGeometryFile();
    EXPECT_TRUE(answerer.seen.isEmpty()) << answerer.seen.join('\n').toStdString();
    EXPECT_EQ(probe->status(), QStringLiteral("Imported STL: cube — 12 triangle(s), solid waterproof"));
    d = displayedObjects(probe->occWidget());
    EXPECT_EQ(d.others, 1) << "the STEP part was replaced";
    EXPECT_EQ(d.base, 2);
    EXPECT_NEAR(TestSupport::volumeOf(probe->project().mainShape()), 512.0, 1e-3);
    expectFramed(probe->project().mainShape());
    EXPECT_EQ(d.withoutLook, 0);
    EXPECT_NEAR(d.lookVolume, 512.0, 1e-6);
    EXPECT_EQ(d.lookTriangles, 12);
}

// An opened project's parts are shown from looks made beside the window's thread, inside the
// open, as an imported part's are: each shape of a STEP part, and an STL part's own triangles.
TEST_F(MainWindowView, OpenedProjectsPartsAreShownFromTheirLooks)
{
    const struct
    {
        const char* name;
        QList<TopoDS_Shape> solids;
        bool stl;
        int shown;
        double volume;
    } rows[] = {
        {"STEP", {PartFiles::box(60, 30, 12), PartFiles::box(10, 10, 10)}, false, 2, 60.0 * 30.0 * 12.0 + 1000.0},
        {"STL", {PartFiles::box(8, 8, 8)}, true, 1, 512.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        chooser = path(QString::fromLatin1(row.name) + (row.stl ? ".stl" : ".step"));
        ASSERT_TRUE(row.stl ? PartFiles::writeStl(chooser, row.solids.first()) : PartFiles::writeStep(chooser, row.solids));
        MessageBoxAnswerer yes(QMessageBox::Yes);
        window->importGeometryFile();
        const QString project = path(QString::fromLatin1(row.name) + ".vtq");
        ASSERT_TRUE(probe->saveProjectTo(project));
        window->newProject();
        ASSERT_EQ(displayedObjects(probe->occWidget()).others, 0);

        ASSERT_TRUE(probe->openProjectPath(project, false));
        const Displayed d = displayedObjects(probe->occWidget());
        EXPECT_EQ(d.others, row.shown);
        EXPECT_EQ(d.withoutLook, 0);
        EXPECT_NEAR(d.lookVolume, row.volume, 1e-6);
        expectFramed(probe->project().mainShape());
    }
}

// Cancel pressed in the import's last step, while the part's look is made beside the window's
// thread, leaves the design as it was.
TEST_F(MainWindowView, CancelWhileThePartsLookIsMadeLeavesTheDesign)
{
    ProgressWindow::setShowDelay(0);
    ProgressWindow::setPumpInterval(0);
    bool pressed = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const auto* bar = modal && modal->objectName() == QLatin1String("progressWindow")
            ? modal->findChild<QProgressBar*>()
            : nullptr;
        // The file is read at four fifths of the bar; the look is made past it, before its end.
        if (bar && !pressed && bar->value() > bar->maximum() * 4 / 5 && bar->value() < bar->maximum()) {
            modal->reject();
            pressed = true;
        }
    });
    poll.start();
    const bool imported = window->importStepFile(QStringLiteral(VTQ_TEST_DATA_DIR "/parts/StickHub_models.step"));
    poll.stop();
    ProgressWindow::setPumpInterval(40);
    ProgressWindow::setShowDelay(400);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(imported);
    EXPECT_EQ(probe->status(), QStringLiteral("STEP import cancelled"));
    EXPECT_TRUE(probe->project().mainShape().IsNull());
}

class NoOpCommand : public QUndoCommand
{
public:
    void undo() override {}
    void redo() override {}
};

// The redo keys of the Edit menu work from the keyboard, whatever the platform's redo key.
TEST_F(MainWindowView, RedoKeysRedoFromTheKeyboard)
{
    // Made active right before each key: other test processes on the same X server may take
    // the focus, and window shortcuts only answer in the active window.
    const auto press = [this](const QKeySequence& key) {
        QApplication::setActiveWindow(window.get());
        QTest::keySequence(window.get(), key);
    };
    QUndoStack* stack = probe->undoStack();
    stack->push(new NoOpCommand);
    QList<QKeySequence> keys = probe->redoAction()->shortcuts();
    keys << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    for (const QKeySequence& key : keys) {
        SCOPED_TRACE(key.toString().toStdString());
        stack->undo();
        ASSERT_EQ(stack->index(), 0);
        press(key);
        EXPECT_EQ(stack->index(), 1);
    }
}

// File › Quit answers the platform's Quit key and closes the window.
TEST_F(MainWindowView, QuitKeyClosesTheWindow)
{
    const QKeySequence quit(Qt::CTRL | Qt::Key_Q);
    QAction* action = nullptr;
    for (QAction* candidate : window->findChildren<QAction*>())
        if (candidate->text() == QStringLiteral("Quit"))
            action = candidate;
    ASSERT_TRUE(action);
    EXPECT_EQ(action->shortcut(), quit);
    ASSERT_TRUE(window->isVisible());
    QApplication::setActiveWindow(window.get());
    QTest::keySequence(window.get(), quit);
    EXPECT_TRUE(waitFor([this] { return !window->isVisible(); })) << "an unchanged design closes at once";
}

// Select mode makes picking wider and leaves the part unpickable; leaving it restores both.
TEST_F(MainWindowView, SelectModeTunesPickingAndLeavesThePartOut)
{
    chooser = path(QStringLiteral("plate.step"));
    ASSERT_TRUE(PartFiles::writeStep(chooser, {PartFiles::box(30, 30, 4)}));
    window->importGeometryFile();
    const TopoDS_Shape part = probe->project().mainShape();
    ASSERT_FALSE(part.IsNull());
    probe->project().routingManager().addRoute(Route()); // Select needs tracks or components

    OccWidget* w = probe->occWidget();
    const opencascade::handle<AIS_InteractiveContext> context = w->context();
    ASSERT_TRUE(probe->modes()->requestTransition(ModeController::Mode::Select).accepted);
    EXPECT_EQ(w->interactionMode(), int(ModeController::Mode::Select));
    EXPECT_EQ(context->MainSelector()->CustomPixelTolerance(), 15);
    AIS_ListOfInteractive objects;
    context->DisplayedObjects(objects);
    int partObjects = 0;
    for (const opencascade::handle<AIS_InteractiveObject>& object : objects) {
        const auto shape = opencascade::handle<AIS_Shape>::DownCast(object);
        if (shape.IsNull() || !shape->Shape().IsSame(part))
            continue;
        ++partObjects;
        TColStd_ListOfInteger modes;
        context->ActivatedModes(shape, modes);
        EXPECT_TRUE(modes.IsEmpty()) << "the part must not be picked in Select mode";
    }
    EXPECT_EQ(partObjects, 1);
    EXPECT_EQ(probe->status(), QStringLiteral("Selection mode ACTIVE — click a component or a "
                                              "track; click the selected target again to "
                                              "manipulate it"));

    ASSERT_TRUE(probe->modes()->requestTransition(ModeController::Mode::View).accepted);
    EXPECT_EQ(context->MainSelector()->CustomPixelTolerance(), 8);
    EXPECT_EQ(w->interactionMode(), int(ModeController::Mode::View));
    EXPECT_EQ(probe->status(), QStringLiteral("Selection mode disabled"));
}

// A click on a side face in Orientation mode lays that face on the plate.
TEST_F(MainWindowView, ClickOnAFaceLaysItOnThePlate)
{
    chooser = path(QStringLiteral("block.step"));
    ASSERT_TRUE(PartFiles::writeStep(chooser, {PartFiles::box(40, 20, 10)}));
    window->importGeometryFile();
    const TopoDS_Shape part = probe->project().mainShape();
    ASSERT_FALSE(part.IsNull());

    // The whole width for the view: in a narrow view the side face seen at a grazing angle is
    // only a few pixels wide, and the pick tolerance then reaches the nearer top face.
    probe->propertiesPanel()->hide();
    QTest::qWait(50);
    probe->occWidget()->fitAll();

    probe->orientButton()->click();
    ASSERT_EQ(probe->modes()->currentMode(), ModeController::Mode::Orientation);

    // The side face that looks most toward the eye.
    OccWidget* w = probe->occWidget();
    double ex = 0, ey = 0, ez = 0;
    w->view()->Proj(ex, ey, ez);
    const gp_Vec toEye(ex, ey, ez);
    TopoDS_Face picked;
    gp_Vec pickedNormal;
    double best = 0.2;
    for (TopExp_Explorer it(part, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face face = TopoDS::Face(it.Current());
        const gp_Vec n = GeometryUtils::ensureNormalPointsOutward(
            face, GeometryUtils::calculateFaceNormal(face), part, nullptr);
        if (std::abs(n.Z()) > 0.5)
            continue;
        if (n.Dot(toEye) > best) {
            best = n.Dot(toEye);
            picked = face;
            pickedNormal = n;
        }
    }
    ASSERT_FALSE(picked.IsNull()) << "no side face faces the eye";
    const bool alongX = std::abs(pickedNormal.X()) > 0.5;

    const QPoint at = logicalPixel(w, faceCentre(picked));
    QTest::mouseMove(w, at);
    QTest::qWait(20);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_TRUE(waitFor([this] { return probe->modes()->currentMode() == ModeController::Mode::View; }))
        << "status: " << probe->status().toStdString();

    const TopoDS_Shape oriented = probe->project().mainShape();
    const TestSupport::Box b = TestSupport::boxOf(oriented);
    EXPECT_NEAR(b.zmin, 3.0, 1e-3);
    EXPECT_NEAR((b.xmin + b.xmax) / 2, 25.0, 1e-3);
    EXPECT_NEAR((b.ymin + b.ymax) / 2, 5.0, 1e-3);
    EXPECT_NEAR(b.zmax - b.zmin, alongX ? 40.0 : 20.0, 1e-3) << "the picked face's depth stands up";

    // The same face, now in the oriented part, looks straight down.
    bool found = false;
    for (TopExp_Explorer it(oriented, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face face = TopoDS::Face(it.Current());
        if (!face.IsPartner(picked))
            continue;
        found = true;
        const gp_Vec n = GeometryUtils::ensureNormalPointsOutward(
            face, GeometryUtils::calculateFaceNormal(face), oriented, nullptr);
        EXPECT_NEAR(n.Z(), -1.0, 1e-6);
        EXPECT_NEAR(faceCentre(face).Z(), 3.0, 1e-3);
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(probe->orientButton()->text(), QStringLiteral("Orient part"));
    EXPECT_FALSE(probe->orientButton()->isChecked());
    EXPECT_EQ(probe->status(), QStringLiteral("Part oriented and centered - face placed on the build plate"))
        << "the line says what the click did, not that the mode ended";
    EXPECT_EQ(displayedObjects(w).others, 1);
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral(" *")));
    expectFramed(oriented);

    // Kept for a look at the window as a user sees it.
    const QByteArray shots = qgetenv("VTQ_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        w->update();
        QTest::qWait(300);
        const QPixmap shot = window->screen()->grabWindow(window->winId());
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(shots) + QStringLiteral("/mainwindow.png")));
        for (QAction* menuAction : window->menuBar()->actions()) {
            QMenu* menu = menuAction->menu();
            menu->popup(window->mapToGlobal(window->menuBar()->actionGeometry(menuAction).bottomLeft()));
            QTest::qWait(200);
            window->screen()->grabWindow(0).save(QString::fromLocal8Bit(shots) + QStringLiteral("/menu_")
                                                 + menu->title().remove('&') + QStringLiteral(".png"));
            menu->close();
        }
    }
}

// The probe: two pads clicked, the figure in the status line, a new resistivity recomputes,
// a third click starts over and closing the dialog leaves the mode.
// R1 at (0, 0, 5) and R2 at (40, 0, 5), joined from R1/2 to R2/1 by one track of net N.
void MainWindowView::buildProbeDesign()
{
    Netlist netlist;
    for (const QString& ref : {QStringLiteral("R1"), QStringLiteral("R2")})
        netlist.components.insert(ref, NetlistComponent{ref, QString(), QStringLiteral("Builtin_0805"), {}});
    netlist.connections = {{"N", {probeA, probeB}}};
    probe->project().setNetlist(std::move(netlist));
    ComponentManager* components = probe->componentManager();
    ASSERT_EQ(components->generateComponents(probe->project().netlist().components).loaded, 2);
    ASSERT_TRUE(components->moveComponent("R1", gp_Pnt(0, 0, 5)));
    ASSERT_TRUE(components->moveComponent("R2", gp_Pnt(40, 0, 5)));
    const auto basePoint = [components](const PadId& pad) { return components->pin(pad).pads().first().basePoint; };
    const gp_Pnt from = basePoint(probeA);
    const gp_Pnt to = basePoint(probeB);
    const Route track = TrackFixtures::route(
        "N", probeA, probeB, {TrackFixtures::horizontal(from.X(), from.Y(), to.X(), to.Y(), from.Z())});
    ASSERT_FALSE(track.segments.first().shape.IsNull());
    probe->project().routingManager().addRoute(track);
    window->updateActionStates();
}

TEST_F(MainWindowView, ResistanceProbeMeasuresBetweenTwoClickedPads)
{
    ASSERT_TRUE(window->isViewerReady());
    QSettings().setValue(QStringLiteral("probe/resistivityOhmCm"), 1e300); // stored, out of the box's range

    ASSERT_NO_FATAL_FAILURE(buildProbeDesign());
    ComponentManager* components = probe->componentManager();
    const PadId a = probeA;
    const PadId b = probeB;

    const auto padPickable = [&] {
        TColStd_ListOfInteger modes;
        probe->occWidget()->context()->ActivatedModes(
            components->pin(PadId("R1", "2")).pads().first().shown, modes);
        return !modes.IsEmpty();
    };
    ASSERT_TRUE(probe->modes()->requestTransition(ModeController::Mode::ResistanceProbe).accepted);
    EXPECT_TRUE(padPickable());
    ResistanceDialog* dialog = probe->resistanceDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_DOUBLE_EQ(dialog->resistivity(), 100000.0);
    dialog->setResistivity(2.59);

    const auto expectedStatus = [&](double rho) {
        ResistanceCalculator calculator;
        calculator.resistivityOhmCm = rho;
        const ResistanceResult r = calculator.compute(a, b, probe->project().routingManager().routes(),
                                                      components->components(),
                                                      probe->project().netlist().connections);
        return QStringLiteral("R(R1/2 ↔ R2/1) = %1 Ω").arg(r.tracksOhm + r.padAOhm + r.padBOhm, 0, 'f', 4);
    };

    probe->clickProbePad(a);
    EXPECT_EQ(probe->status(), "Pad A: R1/2 — click pad B");
    probe->clickProbePad(a);
    EXPECT_EQ(probe->status(), "Choose a pad different from pad A");
    probe->clickProbePad(b);
    EXPECT_EQ(probe->status(), expectedStatus(2.59));
    EXPECT_EQ(probe->probeHighlightedPads(), (QList<PadId>{a, b}));

    dialog->setResistivity(5.18);
    EXPECT_EQ(probe->status(), expectedStatus(5.18));
    EXPECT_DOUBLE_EQ(AppSettings::resistivityOhmCm(0.0), 5.18);

    probe->clickProbePad(b);
    EXPECT_EQ(probe->status(), "Pad A: R2/1 — click pad B");
    EXPECT_EQ(probe->probeHighlightedPads(), QList<PadId>{b});

    dialog->reject();
    EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::View);
    EXPECT_EQ(probe->status(), "Resistance probe disabled");
    EXPECT_TRUE(probe->probeHighlightedPads().isEmpty());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(padPickable());
}

// Pads clicked in the view take the probe's colours, and "Stop the probe" leaves none of the
// clicks' highlights on the board.
TEST_F(MainWindowView, StoppingTheProbeLeavesNoPadHighlighted)
{
    ASSERT_NO_FATAL_FAILURE(buildProbeDesign());
    ComponentManager* components = probe->componentManager();
    OccWidget* w = probe->occWidget();
    probe->propertiesPanel()->hide();
    QTest::qWait(50);
    w->view()->SetProj(V3d_Zpos);
    Bnd_Box design;
    design.Update(-3, -3, 0, 43, 3, 8);
    w->fitTo(design);
    ASSERT_TRUE(probe->probeButton()->isEnabled());
    probe->probeButton()->click();
    ASSERT_EQ(probe->modes()->currentMode(), ModeController::Mode::ResistanceProbe);
    EXPECT_EQ(probe->probeButton()->text(), QStringLiteral("Stop the probe"));

    const auto padShape = [components](const PadId& pad) {
        return components->pin(pad).pads().first().shown;
    };
    const auto padCentre = [&](const PadId& pad) {
        const TestSupport::Box b = TestSupport::boxOf(padShape(pad)->Shape());
        return logicalPixel(w, gp_Pnt((b.xmin + b.xmax) / 2, (b.ymin + b.ymax) / 2, b.zmax));
    };
    const auto colourOf = [&](const PadId& pad) {
        Quantity_Color colour;
        padShape(pad)->Color(colour);
        return colour;
    };
    const Quantity_Color plain = colourOf(probeA);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, padCentre(probeA));
    ASSERT_EQ(probe->status(), QStringLiteral("Pad A: R1/2 — click pad B"));
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, padCentre(probeB));
    ASSERT_EQ(probe->probeHighlightedPads(), (QList<PadId>{probeA, probeB}));
    const opencascade::handle<AIS_InteractiveContext> context = w->context();
    EXPECT_FALSE(context->HasDetected()) << "pad B shows the probe's colour, not the hover highlight";

    probe->probeButton()->click();
    EXPECT_EQ(probe->modes()->currentMode(), ModeController::Mode::View);
    EXPECT_TRUE(probe->probeHighlightedPads().isEmpty());
    EXPECT_FALSE(context->HasDetected());
    for (const PadId& pad : {probeA, probeB})
        EXPECT_TRUE(colourOf(pad).IsEqual(plain)) << pad.toString().toStdString();
}

} // namespace
