// The 3D view under a real X server: set-up, base elements, display and framing,
// picking in the interaction modes, cursor projection and the face highlight.
#include "view/modecontroller.h"
#include "view/occwidget.h"
#include "view/partlook.h"
#include "foundation/occutils.h"

#include "testsupport.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_ViewCube.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRep_Builder.hxx>
#include <BRep_TFace.hxx>
#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <Bnd_Box.hxx>
#include <Graphic3d_Camera.hxx>
#include <TColStd_ListOfInteger.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <Prs3d_Drawer.hxx>
#include <StdPrs_ToolTriangulatedShape.hxx>
#include <V3d_View.hxx>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr int kOrientation = static_cast<int>(ModeController::Mode::Orientation);
constexpr int kRouting = static_cast<int>(ModeController::Mode::Routing);
constexpr int kProbe = static_cast<int>(ModeController::Mode::ResistanceProbe);
constexpr int kSelect = static_cast<int>(ModeController::Mode::Select);

class OccWidgetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        w = std::make_unique<OccWidget>();
        initialized = std::make_unique<QSignalSpy>(w.get(), &OccWidget::viewerInitialized);
        w->resize(800, 600);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        ASSERT_FALSE(w->context().IsNull());
        part.Build();
    }

    // The 20 x 20 x 10 mm part standing on the plate (z 3..13), seen along `proj`.
    void showPart(V3d_TypeOfOrientation proj)
    {
        w->setMainShapeProvider([this] { return part.Shape(); });
        w->displayShape(part.Shape());
        w->view()->SetProj(proj);
        w->fitAll();
    }

    // A 4 x 4 x 2 mm pad at (30..34, 30..34, 3..5) that the resolver knows as R1/2.
    void addPad()
    {
        pad = new AIS_Shape(BRepPrimAPI_MakeBox(gp_Pnt(30, 30, 3), 4, 4, 2).Shape());
        w->context()->Display(pad, false);
        w->setPadResolver([this](const opencascade::handle<AIS_Shape>& s, const gp_Pnt&)
                              -> std::optional<OccWidget::PadHit> {
            if (s == pad)
                return OccWidget::PadHit{padId, gp_Pnt(32, 32, 5)};
            return std::nullopt;
        });
        w->setPadReactivation([this] {
            ++reactivations;
            w->context()->Activate(pad, 0);
        });
    }

    int displayedCount() const
    {
        AIS_ListOfInteractive list;
        w->context()->DisplayedObjects(list);
        return list.Size();
    }

    TColStd_ListOfInteger activeModes(const opencascade::handle<AIS_InteractiveObject>& obj) const
    {
        TColStd_ListOfInteger modes;
        w->context()->ActivatedModes(obj, modes);
        return modes;
    }

    // The face overlay, if any: the only displayed AIS_Shape holding a bare face.
    opencascade::handle<AIS_Shape> overlay() const
    {
        AIS_ListOfInteractive list;
        w->context()->DisplayedObjects(list);
        for (const auto& obj : list) {
            auto ais = opencascade::handle<AIS_Shape>::DownCast(obj);
            if (!ais.IsNull() && ais->Shape().ShapeType() == TopAbs_FACE)
                return ais;
        }
        return {};
    }

    // Logical widget position where the world point appears.
    QPoint screenOf(const gp_Pnt& p) const
    {
        int xp = 0, yp = 0;
        w->view()->Convert(p.X(), p.Y(), p.Z(), xp, yp);
        const qreal ratio = std::max<qreal>(w->devicePixelRatio(), 1.0);
        return QPoint(qRound(xp / ratio), qRound(yp / ratio));
    }

    // The view cube is anchored 100 px from the right and bottom edges.
    QPoint viewCube() const { return QPoint(w->width() - 100, w->height() - 100); }

    void mouse(QEvent::Type type, const QPoint& pos, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &event);
    }
    void hover(const QPoint& pos) { mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton); }
    void click(const QPoint& pos) { QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, pos); }

    std::unique_ptr<OccWidget> w;
    std::unique_ptr<QSignalSpy> initialized;
    BRepPrimAPI_MakeBox part{gp_Pnt(0, 0, 3), 20, 20, 10};
    opencascade::handle<AIS_Shape> pad;
    const PadId padId{QStringLiteral("R1"), QStringLiteral("2")};
    int reactivations = 0;
};

} // namespace

TEST(OccWidgetStatic, DevicePixelsUseTheRatioButNeverShrink)
{
    EXPECT_EQ(OccWidget::toDevicePixels(QPoint(3, 5), 1.5), QPoint(4, 7));
    EXPECT_EQ(OccWidget::toDevicePixels(QPoint(3, 5), 0.5), QPoint(3, 5));
}

TEST(OccWidgetStatic, NothingHappensBeforeTheViewerExists)
{
    OccWidget w;
    BRepPrimAPI_MakeBox box(5, 5, 5);
    w.displayShape(box.Shape());
    w.displayShapeDeferred(box.Shape());
    w.clearAll();
    w.fitAll();
    w.fitTo(Bnd_Box());
    w.setSelectionActive(true);
    const gp_Pnt p = w.projectScreenToPlane(QPoint(10, 10), 7.5);
    EXPECT_TRUE(p.IsEqual(gp_Pnt(0, 0, 7.5), 0.0));
    EXPECT_EQ(w.pickPadAt(QPoint(1, 1), QPoint(1, 1)).kind, 1);
    EXPECT_TRUE(w.context().IsNull());
    EXPECT_TRUE(w.view().IsNull());
}

// The viewer waits for a size above 10 pixels both ways; a sliver of a widget gets none.
TEST(OccWidgetSetUp, WaitsForBothSidesAboveTenPixels)
{
    const QSize slivers[] = {QSize(10, 400), QSize(400, 10)};
    for (const QSize& sliver : slivers) {
        OccWidget w;
        QSignalSpy initialized(&w, &OccWidget::viewerInitialized);
        w.setMinimumSize(0, 0);
        w.resize(sliver);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        EXPECT_TRUE(w.context().IsNull()) << sliver.width() << "x" << sliver.height();
        EXPECT_EQ(initialized.count(), 0);

        w.resize(11, 11);
        EXPECT_TRUE(QTest::qWaitFor([&w] { return !w.context().IsNull(); }));
        EXPECT_EQ(initialized.count(), 1);
    }
}

TEST_F(OccWidgetTest, BuildsTheViewerOnceWithAnUnpickablePlateAndAClickableCube)
{
    w->resize(700, 500);
    w->resize(900, 650);
    QCoreApplication::processEvents();
    EXPECT_EQ(initialized->count(), 1);

    AIS_ListOfInteractive list;
    w->context()->DisplayedObjects(list);
    ASSERT_EQ(list.Size(), 2);
    for (const auto& obj : list) {
        ASSERT_TRUE(w->isBaseElement(obj));
        if (!opencascade::handle<AIS_ViewCube>::DownCast(obj).IsNull()) {
            const TColStd_ListOfInteger modes = activeModes(obj);
            ASSERT_EQ(modes.Size(), 1);
            EXPECT_EQ(modes.First(), 0);
        } else {
            EXPECT_TRUE(activeModes(obj).IsEmpty());
            const auto b = TestSupport::boxOf(opencascade::handle<AIS_Shape>::DownCast(obj)->Shape());
            EXPECT_NEAR(b.xmin, -100, 1e-6);
            EXPECT_NEAR(b.xmax, 150, 1e-6);
            EXPECT_NEAR(b.ymin, -100, 1e-6);
            EXPECT_NEAR(b.ymax, 110, 1e-6);
            EXPECT_NEAR(b.zmax, 3, 1e-6);
        }
    }
    EXPECT_FALSE(w->isBaseElement(opencascade::handle<AIS_InteractiveObject>()));
}

TEST_F(OccWidgetTest, DisplayedPartsAreUnpickableAndClearAllKeepsOnlyBaseElements)
{
    showPart(V3d_Zpos);
    BRepPrimAPI_MakeBox other(gp_Pnt(40, 40, 3), 5, 5, 5);
    w->displayShapeDeferred(other.Shape());
    ASSERT_EQ(displayedCount(), 4);
    AIS_ListOfInteractive list;
    w->context()->DisplayedObjects(list);
    opencascade::handle<AIS_InteractiveObject> deferred;
    for (const auto& obj : list) {
        if (w->isBaseElement(obj))
            continue;
        EXPECT_TRUE(activeModes(obj).IsEmpty());
        if (opencascade::handle<AIS_Shape>::DownCast(obj)->Shape().IsSame(other.Shape()))
            deferred = obj;
    }
    ASSERT_FALSE(deferred.IsNull());

    // A hidden object is not displayed, so clearAll leaves it in the context.
    w->context()->Erase(deferred, false);
    w->highlightFace(part.TopFace());
    EXPECT_EQ(displayedCount(), 4); // plate, cube, part, overlay
    w->clearAll();
    EXPECT_EQ(displayedCount(), 2);
    EXPECT_TRUE(overlay().IsNull());
    EXPECT_EQ(w->context()->DisplayStatus(deferred), AIS_DS_Erased);
}

TEST_F(OccWidgetTest, FitToCentresTinyBoxesAndFramesOthers)
{
    w->fitAll();
    const double scaleBefore = w->view()->Camera()->Scale();
    Bnd_Box tiny;
    tiny.Add(gp_Pnt(10, 20, 5));
    tiny.Add(gp_Pnt(10.999, 20, 5)); // diagonal 0.999 mm: only centred
    w->fitTo(tiny);
    EXPECT_NEAR(w->view()->Camera()->Scale(), scaleBefore, 1e-9);
    double x = 0, y = 0, z = 0;
    w->view()->At(x, y, z);
    EXPECT_TRUE(gp_Pnt(x, y, z).IsEqual(gp_Pnt(10.4995, 20, 5), 1e-6));

    Bnd_Box small;
    small.Add(gp_Pnt(30, 30, 5));
    small.Add(gp_Pnt(31, 30, 5)); // diagonal 1.0 mm: framed
    w->fitTo(small);
    const double framed = w->view()->Camera()->Scale();
    EXPECT_LT(framed, scaleBefore / 10.0);
    w->fitTo(Bnd_Box());
    EXPECT_DOUBLE_EQ(w->view()->Camera()->Scale(), framed);
}

TEST_F(OccWidgetTest, OrientationClickOnAFaceOfThePartEmitsThatFace)
{
    showPart(V3d_Zpos);
    QSignalSpy changed(w.get(), &OccWidget::selectionModeChanged);
    QSignalSpy picked(w.get(), &OccWidget::faceSelected);
    w->setSelectionActive(true);
    EXPECT_EQ(w->interactionMode(), kOrientation);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_TRUE(changed.at(0).at(0).toBool());

    click(screenOf(gp_Pnt(10, 10, 13)));
    ASSERT_EQ(picked.count(), 1);
    EXPECT_TRUE(picked.at(0).at(0).value<TopoDS_Face>().IsSame(part.TopFace()));

    click(screenOf(gp_Pnt(100, 80, 3))); // the build plate
    EXPECT_EQ(picked.count(), 1);
}

TEST_F(OccWidgetTest, PartFaceTestWithAndWithoutAPart)
{
    BRepPrimAPI_MakeBox stray(5, 5, 5);
    // No part yet: anything but a face of the build plate counts.
    EXPECT_TRUE(w->isMainShapeFace(stray.TopFace()));
    EXPECT_FALSE(w->isMainShapeFace(TopoDS_Face()));
    AIS_ListOfInteractive list;
    w->context()->DisplayedObjects(list);
    int plateFaces = 0;
    for (const auto& obj : list) {
        const auto plate = opencascade::handle<AIS_Shape>::DownCast(obj);
        if (plate.IsNull())
            continue;
        for (TopExp_Explorer it(plate->Shape(), TopAbs_FACE); it.More(); it.Next(), ++plateFaces)
            EXPECT_FALSE(w->isMainShapeFace(TopoDS::Face(it.Current())));
    }
    EXPECT_EQ(plateFaces, 6);

    w->setMainShapeProvider([this] { return part.Shape(); });
    EXPECT_FALSE(w->isMainShapeFace(stray.TopFace()));
    EXPECT_TRUE(w->isMainShapeFace(TopoDS::Face(part.TopFace().Reversed()))); // orientation ignored
}

TEST_F(OccWidgetTest, FaceUnderTheCursorIsHighlightedAndFollowsIt)
{
    showPart(V3d_XposYnegZpos);
    w->setSelectionActive(true);

    hover(screenOf(gp_Pnt(10, 10, 13)));
    const auto first = overlay();
    ASSERT_FALSE(first.IsNull());
    EXPECT_TRUE(first->Shape().IsSame(part.TopFace()));
    EXPECT_TRUE(activeModes(first).IsEmpty());

    hover(screenOf(gp_Pnt(12, 11, 13))); // same face: the overlay is kept
    EXPECT_EQ(overlay(), first);

    hover(screenOf(gp_Pnt(10, 0, 8))); // the y = 0 side
    const auto second = overlay();
    ASSERT_FALSE(second.IsNull());
    EXPECT_TRUE(second->Shape().IsSame(part.LeftFace()));
    EXPECT_EQ(displayedCount(), 4);

    hover(QPoint(5, 5)); // background
    EXPECT_TRUE(overlay().IsNull());
    EXPECT_EQ(displayedCount(), 3);
}

// A part is shown without its selection computed (a mesh part has a sensitive face per
// triangle); the faces become pickable when the Orientation mode asks for them.
TEST_F(OccWidgetTest, PartSelectionIsComputedOnlyWhenFacesArePicked)
{
    showPart(V3d_XposYnegZpos);
    AIS_ListOfInteractive list;
    w->context()->DisplayedObjects(list);
    opencascade::handle<AIS_Shape> shown;
    for (const auto& obj : list) {
        auto ais = opencascade::handle<AIS_Shape>::DownCast(obj);
        if (!ais.IsNull() && ais->Shape().IsSame(part.Shape()))
            shown = ais;
    }
    ASSERT_FALSE(shown.IsNull());
    EXPECT_TRUE(shown->Attributes()->IsAutoTriangulation()); // a box, not a mesh part
    EXPECT_FALSE(shown->HasSelection(0));
    EXPECT_TRUE(activeModes(shown).IsEmpty());

    w->setSelectionActive(true);
    EXPECT_FALSE(shown->HasSelection(0));
    EXPECT_EQ(activeModes(shown).Size(), 1);
    hover(screenOf(gp_Pnt(10, 10, 13)));
    ASSERT_FALSE(overlay().IsNull());
    EXPECT_TRUE(overlay()->Shape().IsSame(part.TopFace()));
}

TEST_F(OccWidgetTest, ProjectionOntoAHorizontalPlaneHitsKnownPoints)
{
    const struct
    {
        V3d_TypeOfOrientation proj;
        gp_Pnt target;
        double tolerance; // one pixel is about 0.4 mm on this view
    } rows[] = {
        {V3d_Zpos, gp_Pnt(0, 0, 5.1), 1.0},
        {V3d_Zpos, gp_Pnt(40, -30, 5.1), 1.0},
        {V3d_Zpos, gp_Pnt(-80, 90, 5.1), 1.0},
        {V3d_XposYnegZpos, gp_Pnt(25, 15, 5.1), 1.5},
    };
    for (const auto& row : rows) {
        w->view()->SetProj(row.proj);
        w->fitAll();
        const gp_Pnt p = w->projectScreenToPlane(screenOf(row.target), 5.1);
        EXPECT_NEAR(p.X(), row.target.X(), row.tolerance);
        EXPECT_NEAR(p.Y(), row.target.Y(), row.tolerance);
        EXPECT_NEAR(p.Z(), 5.1, 1e-9);
    }
    // Looking exactly horizontally, the ray never meets the plane.
    w->view()->SetProj(V3d_Xpos);
    EXPECT_TRUE(w->projectScreenToPlane(QPoint(200, 100), 5.1).IsEqual(gp_Pnt(0, 0, 5.1), 0.0));
}

TEST_F(OccWidgetTest, RoutingClicksFindPadsFreePointsAndTheViewCube)
{
    showPart(V3d_Zpos);
    addPad();
    w->setInteractionMode(kRouting);
    EXPECT_EQ(reactivations, 1);

    const QPoint overPad = screenOf(gp_Pnt(32, 32, 5));
    const OccWidget::PadPick pick = w->pickPadAt(w->toDevicePixels(overPad), overPad);
    EXPECT_EQ(pick.kind, 0);
    EXPECT_EQ(pick.hit.pad, padId);
    const QPoint overPlate = screenOf(gp_Pnt(-50, -50, 3));
    EXPECT_EQ(w->pickPadAt(w->toDevicePixels(overPlate), overPlate).kind, 1);
    EXPECT_EQ(w->pickPadAt(w->toDevicePixels(viewCube()), viewCube()).kind, 2);

    QSignalSpy pads(w.get(), &OccWidget::padClicked);
    QSignalSpy points(w.get(), &OccWidget::routingIntermediatePointClicked);
    click(overPad);
    ASSERT_EQ(pads.count(), 1);
    EXPECT_EQ(pads.at(0).at(0).value<PadId>(), padId);
    EXPECT_TRUE(pads.at(0).at(1).value<gp_Pnt>().IsEqual(gp_Pnt(32, 32, 5), 1e-9));

    // On the part but off any pad: a free point at z = 5.1, not on the part's top at 13.
    click(screenOf(gp_Pnt(10, 10, 5.1)));
    ASSERT_EQ(points.count(), 1);
    EXPECT_NEAR(points.at(0).at(0).value<gp_Pnt>().Z(), 5.1, 1e-9);
    EXPECT_NEAR(points.at(0).at(0).value<gp_Pnt>().X(), 10.0, 1.0);

    // From a skew direction the cube's centre shows a face, which snaps the camera onto it.
    w->view()->SetProj(1.0, -0.3, 0.5);
    const gp_Dir before = w->view()->Camera()->Direction();
    click(viewCube());
    EXPECT_EQ(pads.count() + points.count(), 2);
    EXPECT_FALSE(w->view()->Camera()->Direction().IsEqual(before, 1e-6));
}

TEST_F(OccWidgetTest, ProbeClicksReportOnlyPads)
{
    addPad();
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();
    w->setInteractionMode(kProbe);
    QSignalSpy probes(w.get(), &OccWidget::probePadClicked);
    click(screenOf(gp_Pnt(-50, -50, 3)));
    EXPECT_EQ(probes.count(), 0);
    click(screenOf(gp_Pnt(32, 32, 5)));
    ASSERT_EQ(probes.count(), 1);
    EXPECT_EQ(probes.at(0).at(0).value<PadId>(), padId);
}

TEST_F(OccWidgetTest, SelectModeReportsShapesEmptyClicksDragsAndMoves)
{
    addPad(); // stands in for a component body
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();
    w->setInteractionMode(kSelect);
    w->context()->Activate(pad, 0); // as the component manager does on entering Select

    QSignalSpy picked(w.get(), &OccWidget::shapePicked);
    QSignalSpy empty(w.get(), &OccWidget::selectionEmptyClicked);
    QSignalSpy dragged(w.get(), &OccWidget::componentDragged);
    QSignalSpy finished(w.get(), &OccWidget::componentDragFinished);
    QSignalSpy moved(w.get(), &OccWidget::routeEditMouseMoved);

    const QPoint onBody = screenOf(gp_Pnt(32, 32, 5));
    mouse(QEvent::MouseButtonPress, onBody, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked.at(0).at(0).value<opencascade::handle<AIS_Shape>>(), pad);
    EXPECT_EQ(picked.at(0).at(1).toPoint(), onBody);
    mouse(QEvent::MouseMove, onBody + QPoint(7, 3), Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(dragged.count(), 1);
    EXPECT_EQ(dragged.at(0).at(0).toPoint(), onBody + QPoint(7, 3));
    mouse(QEvent::MouseButtonRelease, onBody, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(finished.count(), 1);

    click(screenOf(gp_Pnt(-50, -50, 3))); // the build plate is never a picked shape
    EXPECT_EQ(picked.count(), 1);
    EXPECT_EQ(empty.count(), 1);
    EXPECT_EQ(finished.count(), 2);

    EXPECT_EQ(moved.count(), 0);
    hover(QPoint(20, 20));
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toPoint(), QPoint(20, 20));
}

TEST_F(OccWidgetTest, LeavingOrientationForRoutingDropsTheHighlightAndReactivatesPads)
{
    showPart(V3d_Zpos);
    w->setPadReactivation([this] { ++reactivations; });
    w->setSelectionActive(true);
    hover(screenOf(gp_Pnt(10, 10, 13)));
    ASSERT_FALSE(overlay().IsNull());

    QSignalSpy changed(w.get(), &OccWidget::selectionModeChanged);
    w->setInteractionMode(kRouting);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_FALSE(changed.at(0).at(0).toBool());
    EXPECT_TRUE(overlay().IsNull());
    EXPECT_EQ(reactivations, 1);

    w->setInteractionMode(kSelect);
    w->setSelectionActive(false); // keeps Select
    EXPECT_EQ(w->interactionMode(), kSelect);
}

TEST_F(OccWidgetTest, WheelDeltasAccumulateIntoWholeZoomSteps)
{
    auto wheel = [this](int dy) {
        QWheelEvent event(QPointF(100, 100), QPointF(w->mapToGlobal(QPoint(100, 100))), QPoint(), QPoint(0, dy),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.get(), &event);
    };
    const double s0 = w->view()->Camera()->Scale();
    wheel(60);
    EXPECT_DOUBLE_EQ(w->view()->Camera()->Scale(), s0);
    wheel(60);
    const double s1 = w->view()->Camera()->Scale();
    EXPECT_NEAR(s0 / s1, 1.1, 1e-9);
    wheel(250); // two steps, 10 kept
    const double s2 = w->view()->Camera()->Scale();
    EXPECT_NEAR(s1 / s2, 1.21, 1e-9);
    wheel(-130); // one step back, 0 kept
    EXPECT_NEAR(w->view()->Camera()->Scale() / s2, 1.1, 1e-9);
}

TEST_F(OccWidgetTest, KeysGoToRoutingOrEditingOnlyInTheirModes)
{
    QSignalSpy routingKeys(w.get(), &OccWidget::routingKeyPressed);
    QSignalSpy editKeys(w.get(), &OccWidget::routeEditKeyPressed);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    w->setInteractionMode(kRouting);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    w->setInteractionMode(kSelect);
    QTest::keyClick(w.get(), Qt::Key_Delete);
    ASSERT_EQ(routingKeys.count(), 1);
    EXPECT_EQ(routingKeys.at(0).at(0).toInt(), int(Qt::Key_Escape));
    ASSERT_EQ(editKeys.count(), 1);
    EXPECT_EQ(editKeys.at(0).at(0).toInt(), int(Qt::Key_Delete));
}

namespace {

// Counts the keys that its children leave to it, as the main window's shortcuts need.
class KeyCountingParent : public QWidget
{
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

} // namespace

TEST(OccWidgetKeys, EveryKeyReachesTheParentInEveryMode)
{
    KeyCountingParent parent;
    auto* w = new OccWidget(&parent);
    QSignalSpy routingKeys(w, &OccWidget::routingKeyPressed);
    QSignalSpy editKeys(w, &OccWidget::routeEditKeyPressed);
    const int modes[] = {0, kRouting, kSelect};
    for (int mode : modes) {
        w->setInteractionMode(mode);
        QTest::keyClick(w, Qt::Key_Escape);
    }
    EXPECT_EQ(parent.keys, 3);
    EXPECT_EQ(routingKeys.count(), 1);
    EXPECT_EQ(editKeys.count(), 1);
}

// What the user sees: the part on the plate, its top face highlighted. The picture is also
// written to $VTQ_VIEW_SCREENSHOT when that names a .png path.
TEST_F(OccWidgetTest, Screenshot)
{
    showPart(V3d_XposYnegZpos);
    w->setSelectionActive(true);
    const QPoint topCentre = screenOf(gp_Pnt(10, 10, 13));
    hover(topCentre);
    w->view()->Redraw();
    QTest::qWait(100);
    // The view renders its own picture, so other windows on the same display can't cover it.
    QTemporaryDir dumpDir;
    const QString dumpPath = dumpDir.filePath(QStringLiteral("view.bmp"));
    ASSERT_TRUE(w->view()->Dump(dumpPath.toLocal8Bit().constData()));
    const QImage shot(dumpPath);
    ASSERT_FALSE(shot.isNull());
    const QString path = qEnvironmentVariable("VTQ_VIEW_SCREENSHOT");
    if (!path.isEmpty()) {
        EXPECT_TRUE(shot.save(path));
    }

    // The orange part, highlighted in yellow, stands out from the grey-blue background.
    const QColor part = shot.pixelColor(topCentre);
    EXPECT_GT(part.red(), 150) << part.name().toStdString();
    EXPECT_LT(part.blue(), 110) << part.name().toStdString();
    const QColor corner = shot.pixelColor(2, 2);
    EXPECT_GT(corner.blue(), corner.red()) << corner.name().toStdString();
}

namespace {

// A face whose type, asked at each step of a walk over the part, counts the asks made on the
// window's thread.
class WatchedFace : public BRep_TFace
{
public:
    explicit WatchedFace(std::atomic<int>& onWindowThread) : m_onWindowThread(onWindowThread) {}
    TopAbs_ShapeEnum ShapeType() const override
    {
        if (QThread::currentThread() == qApp->thread())
            ++m_onWindowThread;
        return BRep_TFace::ShapeType();
    }

private:
    std::atomic<int>& m_onWindowThread;
};

// The shell, taken as closed, as a solid's.
TopoDS_Shape solidOf(TopoDS_Shell shell)
{
    shell.Closed(true);
    BRep_Builder builder;
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    builder.Add(solid, shell);
    return solid;
}

// A mesh part as the STL import makes it: each triangle of the box's own mesh a planar face
// carrying that triangle as its exact mesh.
TopoDS_Shape meshBox()
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 3), 20, 20, 10).Shape();
    BRepMesh_IncrementalMesh(box, 1.0);
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    for (TopExp_Explorer it(box, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const TopoDS_Face& boxFace = TopoDS::Face(it.Current());
        const opencascade::handle<Poly_Triangulation> mesh = BRep_Tool::Triangulation(boxFace, location);
        for (int t = 1; t <= mesh->NbTriangles(); ++t) {
            int a = 0, b = 0, c = 0;
            mesh->Triangle(t).Get(a, b, c);
            if (boxFace.Orientation() == TopAbs_REVERSED)
                std::swap(b, c);
            const gp_Pnt p[] = {mesh->Node(a), mesh->Node(b), mesh->Node(c)};
            TopoDS_Face face = BRepBuilderAPI_MakeFace(BRepBuilderAPI_MakePolygon(p[0], p[1], p[2], true).Wire(), true);
            opencascade::handle<Poly_Triangulation> own = new Poly_Triangulation(3, 1, false);
            for (int k = 0; k < 3; ++k)
                own->SetNode(k + 1, p[k]);
            own->SetTriangle(1, Poly_Triangle(1, 2, 3));
            own->Deflection(0.0);
            builder.UpdateFace(face, own);
            builder.Add(shell, face);
        }
    }
    return solidOf(shell);
}

// The solid again, with the same surfaces, edges and meshes, its faces watched.
TopoDS_Shape watchedCopy(const TopoDS_Shape& solid, std::atomic<int>& onWindowThread)
{
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face& face = TopoDS::Face(it.Current());
        const auto plain = opencascade::handle<BRep_TFace>::DownCast(face.TShape());
        const opencascade::handle<WatchedFace> watched = new WatchedFace(onWindowThread);
        watched->Surface(plain->Surface());
        watched->Location(plain->Location());
        watched->Tolerance(plain->Tolerance());
        watched->NaturalRestriction(plain->NaturalRestriction());
        watched->Triangulation(plain->Triangulation());
        TopoDS_Face copy;
        copy.TShape(watched);
        for (TopoDS_Iterator wire(face, false, false); wire.More(); wire.Next())
            builder.Add(copy, wire.Value());
        copy.Location(face.Location());
        copy.Orientation(face.Orientation());
        builder.Add(shell, copy);
    }
    return solidOf(shell);
}

// The triangles OpenCASCADE's own presentation makes of a copy of the part that holds no mesh
// but its exact one.
int trianglesShownOf(const opencascade::handle<AIS_InteractiveContext>& context, const TopoDS_Shape& part)
{
    const TopoDS_Shape copy = BRepBuilderAPI_Copy(part, true, false).Shape();
    const opencascade::handle<AIS_Shape> shown = new AIS_Shape(copy);
    context->Display(shown, AIS_Shaded, -1, false);
    int triangles = 0;
    for (TopExp_Explorer it(copy, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const opencascade::handle<Poly_Triangulation> mesh = BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        triangles += mesh.IsNull() ? 0 : mesh->NbTriangles();
    }
    context->Remove(shown, false);
    return triangles;
}

} // namespace

// A part whose look was made beforehand, on another thread, is shown without a walk over its
// faces on the window's thread: a mesh part as it is, a part of curved faces meshed there as
// the view meshes it. Its look holds the triangles OpenCASCADE's presentation makes of the part,
// in the part's box.
TEST_F(OccWidgetTest, PartShownFromItsLookWalksNoFace)
{
    const struct
    {
        const char* name;
        TopoDS_Shape part;
        bool closed; // drawn one-sided; meshed for its look
        double x0, x1, chord;
        int spread; // triangles by which a copy's mesh may differ (near a sphere's poles)
    } rows[] = {
        // Its faces share no edge: a shell that is not closed, drawn two-sided.
        {"mesh box", meshBox(), false, 0.0, 20.0, 1e-6, 0},
        {"cylinder", BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(10, 0, 3), gp::DZ()), 10, 10).Shape(), true, 0.0, 20.0, 0.05, 0},
        // Meshed finer or coarser, its count moves by hundreds.
        {"sphere", BRepPrimAPI_MakeSphere(gp_Pnt(10, 10, 8), 5).Shape(), true, 5.0, 15.0, 0.05, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        w->clearAll();
        std::atomic<int> onWindowThread{0};
        const int expected = trianglesShownOf(w->context(), row.part);
        const TopoDS_Shape part = watchedCopy(row.part, onWindowThread);
        onWindowThread = 0; // its making
        PartLook look;
        const opencascade::handle<Prs3d_Drawer> drawer = w->context()->DefaultDrawer();
        std::thread([&] { look = preparePartLook(part, drawer); }).join();
        ASSERT_FALSE(look.shape.IsNull());
        const opencascade::handle<Graphic3d_ArrayOfTriangles>& drawn = row.closed ? look.closed : look.open;
        ASSERT_FALSE(drawn.IsNull());
        EXPECT_TRUE((row.closed ? look.open : look.closed).IsNull());
        EXPECT_NEAR(drawn->ItemNumber(), expected, row.spread);
        EXPECT_EQ(onWindowThread, 0);

        w->displayShape(part, look);
        w->fitAll();
        EXPECT_EQ(onWindowThread, 0) << "faces walked on the window's thread";
        AIS_ListOfInteractive list;
        w->context()->DisplayedObjects(list);
        opencascade::handle<AIS_Shape> shown;
        for (const auto& obj : list) {
            auto ais = opencascade::handle<AIS_Shape>::DownCast(obj);
            if (!ais.IsNull() && ais->Shape().IsSame(part))
                shown = ais;
        }
        ASSERT_FALSE(shown.IsNull());
        Bnd_Box box;
        shown->BoundingBox(box);
        double x0, y0, z0, x1, y1, z1;
        box.Get(x0, y0, z0, x1, y1, z1);
        EXPECT_NEAR(x0, row.x0, row.chord);
        EXPECT_NEAR(z0, 3.0, 1e-6);
        EXPECT_NEAR(x1, row.x1, row.chord);
        EXPECT_NEAR(z1, 13.0, 1e-6);

        // Shown without its look, the same part is walked there; a part meshed for its look, as
        // the view would mesh it.
        w->clearAll();
        w->displayShape(part);
        EXPECT_GT(onWindowThread, 0);
        const opencascade::handle<Prs3d_Drawer> viewSettings = new Prs3d_Drawer();
        viewSettings->SetLink(drawer);
        if (row.closed)
            EXPECT_TRUE(StdPrs_ToolTriangulatedShape::IsTessellated(part, viewSettings));
    }

    // No look where the view would draw lines too, nor for a part to mesh without the view's settings.
    const TopoDS_Shape withEdge =
        OccUtils::compoundOf({meshBox(), BRepBuilderAPI_MakeEdge(gp_Pnt(0, 0, 0), gp_Pnt(0, 0, 20)).Edge()});
    EXPECT_TRUE(preparePartLook(withEdge, w->context()->DefaultDrawer()).shape.IsNull());
    EXPECT_TRUE(preparePartLook(BRepPrimAPI_MakeCylinder(5, 5).Shape()).shape.IsNull());
}
