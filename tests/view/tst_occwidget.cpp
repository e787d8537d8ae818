// The 3D view under a real X server: set-up, base elements, display and framing,
// picking in the interaction modes, cursor projection and the face highlight.
#include "viewtestutils.h"

#include "testsupport.h"

#include "view/modecontroller.h"

#include <AIS_ViewCube.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <Bnd_Box.hxx>
#include <Graphic3d_Camera.hxx>
#include <TColStd_ListOfInteger.hxx>
#include <TopoDS.hxx>

#include <QScreen>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace ViewTest;

namespace {

constexpr int kOrientation = static_cast<int>(ModeController::Mode::Orientation);
constexpr int kRouting = static_cast<int>(ModeController::Mode::Routing);
constexpr int kProbe = static_cast<int>(ModeController::Mode::ResistanceProbe);
constexpr int kSelect = static_cast<int>(ModeController::Mode::Select);

// A 20 x 20 x 10 mm box standing on the plate (z 3..13).
struct PartBox
{
    PartBox()
        : maker(gp_Pnt(0, 0, 3), 20, 20, 10)
    {
        maker.Build();
        shape = maker.Shape();
        top = maker.TopFace();
        front = maker.FrontFace(); // the x = 20 face
        left = maker.LeftFace();   // the y = 0 face
    }
    BRepPrimAPI_MakeBox maker;
    TopoDS_Shape shape;
    TopoDS_Face top, front, left;
};

TColStd_ListOfInteger activeModes(const OccWidget& w, const opencascade::handle<AIS_InteractiveObject>& obj)
{
    TColStd_ListOfInteger modes;
    w.context()->ActivatedModes(obj, modes);
    return modes;
}

opencascade::handle<AIS_Shape> findDisplayedShape(const OccWidget& w, const TopoDS_Shape& shape)
{
    AIS_ListOfInteractive list;
    w.context()->DisplayedObjects(list);
    for (const auto& obj : list) {
        auto ais = opencascade::handle<AIS_Shape>::DownCast(obj);
        if (!ais.IsNull() && ais->Shape().IsSame(shape))
            return ais;
    }
    return {};
}

// The face overlay, if one is displayed: the only displayed AIS_Shape holding a bare face.
opencascade::handle<AIS_Shape> overlay(const OccWidget& w)
{
    AIS_ListOfInteractive list;
    w.context()->DisplayedObjects(list);
    for (const auto& obj : list) {
        auto ais = opencascade::handle<AIS_Shape>::DownCast(obj);
        if (!ais.IsNull() && ais->Shape().ShapeType() == TopAbs_FACE)
            return ais;
    }
    return {};
}

QPoint viewCubeCentre(const OccWidget& w)
{
    // Anchored 100 px from the right and bottom edges.
    return QPoint(w.width() - 100, w.height() - 100);
}

} // namespace

TEST(OccWidget, DevicePixelsUseTheRatioButNeverShrink)
{
    EXPECT_EQ(OccWidget::toDevicePixels(QPoint(3, 5), 1.5), QPoint(4, 7));
    EXPECT_EQ(OccWidget::toDevicePixels(QPoint(3, 5), 0.5), QPoint(3, 5));
    EXPECT_EQ(OccWidget::toDevicePixels(QPoint(3, 5), 2.0), QPoint(6, 10));
}

TEST(OccWidget, NothingHappensBeforeTheViewerExists)
{
    OccWidget w;
    EXPECT_TRUE(w.context().IsNull());
    EXPECT_TRUE(w.view().IsNull());
    PartBox box;
    w.displayShape(box.shape);
    w.displayShapeDeferred(box.shape);
    w.clearAll();
    w.fitAll();
    w.centerOn(gp_Pnt(1, 2, 3));
    w.ensureViewCubeActive();
    w.setSelectionActive(true);
    const gp_Pnt p = w.projectScreenToPlane(QPoint(10, 10), 7.5);
    EXPECT_DOUBLE_EQ(p.X(), 0.0);
    EXPECT_DOUBLE_EQ(p.Y(), 0.0);
    EXPECT_DOUBLE_EQ(p.Z(), 7.5);
    EXPECT_EQ(w.pickPadAt(QPoint(1, 1), QPoint(1, 1)).kind, 1);
    EXPECT_TRUE(w.context().IsNull());
}

TEST(OccWidget, BuildsTheViewerOnceWithPlateAndViewCube)
{
    QSignalSpy* spy = nullptr;
    auto w = makeReadyWidget(&spy);
    ASSERT_EQ(spy->count(), 1);
    ASSERT_FALSE(w->context().IsNull());
    ASSERT_FALSE(w->view().IsNull());

    w->resize(700, 500);
    QCoreApplication::processEvents();
    w->resize(900, 650);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy->count(), 1);

    AIS_ListOfInteractive list;
    w->context()->DisplayedObjects(list);
    ASSERT_EQ(list.Size(), 2);
    int plates = 0, cubes = 0;
    for (const auto& obj : list) {
        ASSERT_TRUE(w->isBaseElement(obj));
        if (!opencascade::handle<AIS_ViewCube>::DownCast(obj).IsNull()) {
            ++cubes;
            const TColStd_ListOfInteger modes = activeModes(*w, obj);
            ASSERT_EQ(modes.Size(), 1);
            EXPECT_EQ(modes.First(), 0);
        } else {
            ++plates;
            EXPECT_TRUE(activeModes(*w, obj).IsEmpty());
            const TestSupport::Box b = TestSupport::boxOf(opencascade::handle<AIS_Shape>::DownCast(obj)->Shape());
            EXPECT_NEAR(b.xmin, -100, 1e-6);
            EXPECT_NEAR(b.xmax, 150, 1e-6);
            EXPECT_NEAR(b.ymin, -100, 1e-6);
            EXPECT_NEAR(b.ymax, 110, 1e-6);
            EXPECT_NEAR(b.zmax, 3, 1e-6);
        }
    }
    EXPECT_EQ(plates, 1);
    EXPECT_EQ(cubes, 1);
    EXPECT_FALSE(w->isBaseElement(opencascade::handle<AIS_InteractiveObject>()));
}

TEST(OccWidget, DisplayedPartIsUnpickableAndClearAllKeepsOnlyBaseElements)
{
    auto w = makeReadyWidget();
    PartBox box;
    w->displayShape(box.shape);
    ASSERT_EQ(displayedCount(*w), 3);
    const auto part = findDisplayedShape(*w, box.shape);
    ASSERT_FALSE(part.IsNull());
    EXPECT_TRUE(activeModes(*w, part).IsEmpty());

    BRepPrimAPI_MakeBox other(gp_Pnt(40, 40, 3), 5, 5, 5);
    w->displayShapeDeferred(other.Shape());
    const auto deferred = findDisplayedShape(*w, other.Shape());
    ASSERT_FALSE(deferred.IsNull());
    EXPECT_TRUE(activeModes(*w, deferred).IsEmpty());
    EXPECT_EQ(displayedCount(*w), 4);

    // A hidden object survives clearAll in the context.
    w->context()->Erase(deferred, false);
    w->highlightFace(box.top);
    EXPECT_EQ(displayedCount(*w), 4); // plate, cube, part, overlay
    w->clearAll();
    EXPECT_EQ(displayedCount(*w), 2);
    EXPECT_TRUE(overlay(*w).IsNull());
    EXPECT_EQ(w->context()->DisplayStatus(deferred), AIS_DS_Erased);
    EXPECT_EQ(w->context()->DisplayStatus(part), AIS_DS_None);
}

TEST(OccWidget, FitToCentresTinyBoxesAndFramesLargerOnes)
{
    auto w = makeReadyWidget();
    w->fitAll();
    const double scaleBefore = w->view()->Camera()->Scale();

    Bnd_Box tiny;
    tiny.Add(gp_Pnt(10, 20, 5));
    tiny.Add(gp_Pnt(10.999, 20, 5)); // diagonal 0.999 mm
    w->fitTo(tiny);
    EXPECT_NEAR(w->view()->Camera()->Scale(), scaleBefore, 1e-9);
    double x = 0, y = 0, z = 0;
    w->view()->At(x, y, z);
    EXPECT_NEAR(x, 10.4995, 1e-6);
    EXPECT_NEAR(y, 20, 1e-6);
    EXPECT_NEAR(z, 5, 1e-6);

    Bnd_Box small;
    small.Add(gp_Pnt(30, 30, 5));
    small.Add(gp_Pnt(31, 30, 5)); // diagonal 1.0 mm: framed
    w->fitTo(small);
    EXPECT_LT(w->view()->Camera()->Scale(), scaleBefore / 10.0);

    // A void box leaves the camera alone.
    const double scaleFramed = w->view()->Camera()->Scale();
    w->fitTo(Bnd_Box());
    EXPECT_DOUBLE_EQ(w->view()->Camera()->Scale(), scaleFramed);
}

TEST(OccWidget, OrientationClickOnAPartFaceEmitsThatFace)
{
    auto w = makeReadyWidget();
    PartBox box;
    w->setMainShapeProvider([&box] { return box.shape; });
    w->displayShape(box.shape);
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();

    QSignalSpy changed(w.get(), &OccWidget::selectionModeChanged);
    QSignalSpy picked(w.get(), &OccWidget::faceSelected);
    w->setSelectionActive(true);
    EXPECT_EQ(w->interactionMode(), kOrientation);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_TRUE(changed.at(0).at(0).toBool());

    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, screenOf(*w, gp_Pnt(10, 10, 13)));
    ASSERT_EQ(picked.count(), 1);
    const TopoDS_Face face = picked.at(0).at(0).value<TopoDS_Face>();
    EXPECT_TRUE(face.IsSame(box.top));

    // The plate is not part of the part: clicking it emits nothing.
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, screenOf(*w, gp_Pnt(100, 80, 3)));
    EXPECT_EQ(picked.count(), 1);
}

TEST(OccWidget, FaceUnderTheCursorIsHighlightedOnceAndFollowsTheCursor)
{
    auto w = makeReadyWidget();
    PartBox box;
    w->setMainShapeProvider([&box] { return box.shape; });
    w->displayShape(box.shape);
    w->view()->SetProj(V3d_XposYnegZpos);
    w->fitAll();
    w->setSelectionActive(true);

    moveTo(w.get(), screenOf(*w, gp_Pnt(10, 10, 13)));
    auto first = overlay(*w);
    ASSERT_FALSE(first.IsNull());
    EXPECT_TRUE(first->Shape().IsSame(box.top));
    EXPECT_TRUE(activeModes(*w, first).IsEmpty());

    // Within the same face the overlay object stays the same.
    moveTo(w.get(), screenOf(*w, gp_Pnt(12, 11, 13)));
    EXPECT_EQ(overlay(*w), first);

    moveTo(w.get(), screenOf(*w, gp_Pnt(10, 0, 8)));
    auto second = overlay(*w);
    ASSERT_FALSE(second.IsNull());
    EXPECT_TRUE(second->Shape().IsSame(box.left));
    EXPECT_EQ(displayedCount(*w), 4);

    // Off the part (over the background) the overlay goes away.
    moveTo(w.get(), QPoint(5, 5));
    EXPECT_TRUE(overlay(*w).IsNull());
    EXPECT_EQ(displayedCount(*w), 3);
}

TEST(OccWidget, WithoutAPartEveryFaceButThePlatesCounts)
{
    auto w = makeReadyWidget();
    PartBox box;
    EXPECT_TRUE(w->isMainShapeFace(box.top));
    EXPECT_FALSE(w->isMainShapeFace(TopoDS_Face()));

    // Pick a plate face through the view: top view, click on the plate.
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();
    w->setSelectionActive(true); // the plate stays unpickable even with face selection on
    QSignalSpy picked(w.get(), &OccWidget::faceSelected);
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, screenOf(*w, gp_Pnt(50, 50, 3)));
    EXPECT_EQ(picked.count(), 0);

    w->setMainShapeProvider([&box] { return box.shape; });
    BRepPrimAPI_MakeBox other(5, 5, 5);
    EXPECT_FALSE(w->isMainShapeFace(other.TopFace()));
    EXPECT_TRUE(w->isMainShapeFace(TopoDS::Face(box.top.Reversed())));
}

TEST(OccWidget, ProjectionOntoTheWorkingPlaneHitsKnownPoints)
{
    auto w = makeReadyWidget();
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();
    for (const gp_Pnt& target : {gp_Pnt(0, 0, 5.1), gp_Pnt(40, -30, 5.1), gp_Pnt(-80, 90, 5.1)}) {
        const gp_Pnt p = w->projectScreenToPlane(screenOf(*w, target), 5.1);
        EXPECT_NEAR(p.X(), target.X(), 1.0);
        EXPECT_NEAR(p.Y(), target.Y(), 1.0);
        EXPECT_NEAR(p.Z(), 5.1, 1e-9);
    }

    // An oblique view: the ray still lands on the requested plane, near the point.
    w->view()->SetProj(V3d_XposYnegZpos);
    w->fitAll();
    const gp_Pnt target(25, 15, 5.1);
    const gp_Pnt p = w->projectScreenToPlane(screenOf(*w, target), 5.1);
    EXPECT_NEAR(p.X(), target.X(), 1.5);
    EXPECT_NEAR(p.Y(), target.Y(), 1.5);
    EXPECT_NEAR(p.Z(), 5.1, 1e-9);

    // Looking exactly horizontally, the ray never meets the plane.
    w->view()->SetProj(V3d_Xpos);
    const gp_Pnt none = w->projectScreenToPlane(QPoint(200, 100), 5.1);
    EXPECT_DOUBLE_EQ(none.X(), 0.0);
    EXPECT_DOUBLE_EQ(none.Y(), 0.0);
    EXPECT_DOUBLE_EQ(none.Z(), 5.1);
}

TEST(OccWidget, RoutingClicksFindPadsFreePointsAndTheViewCube)
{
    auto w = makeReadyWidget();
    PartBox box;
    w->displayShape(box.shape);
    BRepPrimAPI_MakeBox padBox(gp_Pnt(30, 30, 3), 4, 4, 2);
    opencascade::handle<AIS_Shape> pad = new AIS_Shape(padBox.Shape());
    w->context()->Display(pad, false);
    const PadId padId(QStringLiteral("R1"), QStringLiteral("2"));
    w->setPadResolver([&](const opencascade::handle<AIS_Shape>& shape, const gp_Pnt&) -> std::optional<OccWidget::PadHit> {
        if (shape == pad)
            return OccWidget::PadHit{padId, gp_Pnt(32, 32, 5)};
        return std::nullopt;
    });
    int reactivations = 0;
    w->setPadReactivation([&] {
        ++reactivations;
        w->context()->Activate(pad, 0);
    });
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();

    w->setInteractionMode(kRouting);
    EXPECT_EQ(reactivations, 1);

    const QPoint overPad = screenOf(*w, gp_Pnt(32, 32, 5));
    const QPoint overPlate = screenOf(*w, gp_Pnt(-50, -50, 3));
    const OccWidget::PadPick pick = w->pickPadAt(w->toDevicePixels(overPad), overPad);
    EXPECT_EQ(pick.kind, 0);
    EXPECT_EQ(pick.hit.pad, padId);
    EXPECT_EQ(w->pickPadAt(w->toDevicePixels(overPlate), overPlate).kind, 1);
    const QPoint cube = viewCubeCentre(*w);
    EXPECT_EQ(w->pickPadAt(w->toDevicePixels(cube), cube).kind, 2);

    QSignalSpy pads(w.get(), &OccWidget::padClicked);
    QSignalSpy points(w.get(), &OccWidget::routingIntermediatePointClicked);
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, overPad);
    ASSERT_EQ(pads.count(), 1);
    EXPECT_EQ(pads.at(0).at(0).value<PadId>(), padId);
    EXPECT_NEAR(pads.at(0).at(1).value<gp_Pnt>().X(), 32.0, 1e-9);

    // A click on the part where there is no pad is a free point at z = 5.1, not on the part's top.
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, screenOf(*w, gp_Pnt(10, 10, 5.1)));
    ASSERT_EQ(points.count(), 1);
    const gp_Pnt free = points.at(0).at(0).value<gp_Pnt>();
    EXPECT_NEAR(free.Z(), 5.1, 1e-9);
    EXPECT_NEAR(free.X(), 10.0, 1.0);

    // The view cube turns the camera and emits nothing of routing. From a skew direction,
    // the cube's centre shows a face, which snaps the camera onto that axis.
    w->view()->SetProj(1.0, -0.3, 0.5);
    const gp_Dir before = w->view()->Camera()->Direction();
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, cube);
    EXPECT_EQ(pads.count(), 1);
    EXPECT_EQ(points.count(), 1);
    EXPECT_FALSE(w->view()->Camera()->Direction().IsEqual(before, 1e-6));
}

TEST(OccWidget, ProbeClicksReportOnlyPads)
{
    auto w = makeReadyWidget();
    BRepPrimAPI_MakeBox padBox(gp_Pnt(30, 30, 3), 4, 4, 2);
    opencascade::handle<AIS_Shape> pad = new AIS_Shape(padBox.Shape());
    w->context()->Display(pad, false);
    w->setPadResolver([&](const opencascade::handle<AIS_Shape>& shape, const gp_Pnt&) -> std::optional<OccWidget::PadHit> {
        if (shape == pad)
            return OccWidget::PadHit{PadId(QStringLiteral("U1"), QStringLiteral("3")), gp_Pnt()};
        return std::nullopt;
    });
    w->setPadReactivation([&] { w->context()->Activate(pad, 0); });
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();
    w->setInteractionMode(kProbe);

    QSignalSpy probes(w.get(), &OccWidget::probePadClicked);
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, screenOf(*w, gp_Pnt(-50, -50, 3)));
    EXPECT_EQ(probes.count(), 0);
    QTest::mouseClick(w.get(), Qt::LeftButton, Qt::NoModifier, screenOf(*w, gp_Pnt(32, 32, 5)));
    ASSERT_EQ(probes.count(), 1);
    EXPECT_EQ(probes.at(0).at(0).value<PadId>().toString(), "U1/3");
}

TEST(OccWidget, SelectModeReportsShapesEmptyClicksAndDrags)
{
    auto w = makeReadyWidget();
    BRepPrimAPI_MakeBox bodyBox(gp_Pnt(30, 30, 3), 6, 6, 4);
    opencascade::handle<AIS_Shape> body = new AIS_Shape(bodyBox.Shape());
    w->context()->Display(body, false);
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();
    w->setInteractionMode(kSelect);
    w->context()->Activate(body, 0); // what the component manager does in Select mode

    QSignalSpy picked(w.get(), &OccWidget::shapePicked);
    QSignalSpy empty(w.get(), &OccWidget::selectionEmptyClicked);
    QSignalSpy dragged(w.get(), &OccWidget::componentDragged);
    QSignalSpy finished(w.get(), &OccWidget::componentDragFinished);
    QSignalSpy moved(w.get(), &OccWidget::routeEditMouseMoved);

    const QPoint onBody = screenOf(*w, gp_Pnt(33, 33, 7));
    press(w.get(), onBody);
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked.at(0).at(0).value<opencascade::handle<AIS_Shape>>(), body);
    EXPECT_EQ(picked.at(0).at(1).toPoint(), onBody);
    sendMouse(w.get(), QEvent::MouseMove, onBody + QPoint(7, 3), Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(dragged.count(), 1);
    EXPECT_EQ(dragged.at(0).at(0).toPoint(), onBody + QPoint(7, 3));
    release(w.get(), onBody + QPoint(7, 3));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(moved.count(), 0);

    // The build plate is never a picked shape.
    press(w.get(), screenOf(*w, gp_Pnt(-50, -50, 3)));
    release(w.get(), screenOf(*w, gp_Pnt(-50, -50, 3)));
    EXPECT_EQ(picked.count(), 1);
    EXPECT_EQ(empty.count(), 1);
    EXPECT_EQ(finished.count(), 2);

    moveTo(w.get(), QPoint(20, 20));
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toPoint(), QPoint(20, 20));
    EXPECT_EQ(dragged.count(), 1);
}

TEST(OccWidget, LeavingOrientationForRoutingDropsTheHighlightAndReactivatesPads)
{
    auto w = makeReadyWidget();
    PartBox box;
    w->setMainShapeProvider([&box] { return box.shape; });
    w->displayShape(box.shape);
    int reactivations = 0;
    w->setPadReactivation([&] { ++reactivations; });
    w->view()->SetProj(V3d_Zpos);
    w->fitAll();
    w->setSelectionActive(true);
    moveTo(w.get(), screenOf(*w, gp_Pnt(10, 10, 13)));
    ASSERT_FALSE(overlay(*w).IsNull());

    QSignalSpy changed(w.get(), &OccWidget::selectionModeChanged);
    w->setInteractionMode(kRouting);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_FALSE(changed.at(0).at(0).toBool());
    EXPECT_TRUE(overlay(*w).IsNull());
    EXPECT_EQ(reactivations, 1);
    EXPECT_EQ(w->interactionMode(), kRouting);

    // Face selection off while in Select keeps Select.
    w->setInteractionMode(kSelect);
    w->setSelectionActive(false);
    EXPECT_EQ(w->interactionMode(), kSelect);
    EXPECT_EQ(changed.count(), 2);
}

TEST(OccWidget, WheelDeltasAccumulateIntoWholeZoomSteps)
{
    auto w = makeReadyWidget();
    auto wheel = [&](int dy) {
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
    wheel(-130); // -120 after the 10 kept: one step back, 0 kept
    EXPECT_NEAR(w->view()->Camera()->Scale() / s2, 1.1, 1e-9);
}

TEST(OccWidget, KeysGoToTheRoutingOrEditingReceiversOnlyInTheirModes)
{
    auto w = makeReadyWidget();
    QSignalSpy routingKeys(w.get(), &OccWidget::routingKeyPressed);
    QSignalSpy editKeys(w.get(), &OccWidget::routeEditKeyPressed);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_EQ(routingKeys.count(), 0);
    EXPECT_EQ(editKeys.count(), 0);

    w->setInteractionMode(kRouting);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    ASSERT_EQ(routingKeys.count(), 1);
    EXPECT_EQ(routingKeys.at(0).at(0).toInt(), int(Qt::Key_Escape));

    w->setInteractionMode(kSelect);
    QTest::keyClick(w.get(), Qt::Key_Delete);
    ASSERT_EQ(editKeys.count(), 1);
    EXPECT_EQ(editKeys.at(0).at(0).toInt(), int(Qt::Key_Delete));
    EXPECT_EQ(routingKeys.count(), 1);
}

// Writes a screenshot of the view with a box to $VTQ_VIEW_SCREENSHOT when that variable is set.
TEST(OccWidget, ScreenshotOfABoxOnThePlate)
{
    const QByteArray path = qgetenv("VTQ_VIEW_SCREENSHOT");
    if (path.isEmpty())
        GTEST_SKIP() << "set VTQ_VIEW_SCREENSHOT to a .png path to write the screenshot";
    auto w = makeReadyWidget();
    PartBox box;
    w->displayShape(box.shape);
    w->view()->SetProj(V3d_XposYnegZpos);
    w->fitAll();
    w->setSelectionActive(true);
    moveTo(w.get(), screenOf(*w, gp_Pnt(10, 10, 13)));
    w->view()->Redraw();
    QTest::qWait(100);
    const QPixmap shot = w->screen()->grabWindow(w->winId());
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(path)));
}
