// Component creation, move, turn, rebuild and footprint replacement on an interactive context
// without any view, with real KiCad footprints and the built-in ones.
#include "logcapture.h"
#include "testsupport.h"

#include "components/componentmanager.h"
#include "components/footprintmanager.h"
#include "model/placedcomponentdata.h"
#include "model/padid.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_Shape.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <Prs3d_Drawer.hxx>
#include <Prs3d_LineAspect.hxx>
#include <Prs3d_ShadingAspect.hxx>
#include <Standard_Failure.hxx>
#include <TColStd_ListOfInteger.hxx>
#include <V3d_Viewer.hxx>

#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Handle_Context = opencascade::handle<AIS_InteractiveContext>;
constexpr double kTol = 1e-6;

Handle_Context makeHeadlessContext()
{
    opencascade::handle<Aspect_DisplayConnection> connection;
    opencascade::handle<OpenGl_GraphicDriver> driver = new OpenGl_GraphicDriver(connection, false);
    return new AIS_InteractiveContext(new V3d_Viewer(driver));
}

// A physical material given a colour of its own is renamed user-defined; what was asked stays.
Graphic3d_NameOfMaterial requestedMaterial(const opencascade::handle<AIS_Shape>& object)
{
    return object->Attributes()->ShadingAspect()->Material(Aspect_TOFM_FRONT_SIDE).RequestedName();
}

int displayedCount(const Handle_Context& context)
{
    AIS_ListOfInteractive list;
    context->DisplayedObjects(list);
    return list.Size();
}

// A pad object whose presentation can be made to fail, to break a commit half-way.
class FailingPad : public AIS_Shape
{
public:
    explicit FailingPad(const TopoDS_Shape& shape) : AIS_Shape(shape) {}
    bool armed = false;

protected:
    void Compute(const opencascade::handle<PrsMgr_PresentationManager>& manager,
                 const opencascade::handle<Prs3d_Presentation>& presentation, const Standard_Integer mode) override
    {
        if (armed)
            throw Standard_Failure("presentation broken");
        AIS_Shape::Compute(manager, presentation, mode);
    }
};

void expectBox(const TopoDS_Shape& shape, const TestSupport::Box& expected)
{
    const TestSupport::Box b = TestSupport::boxOf(shape);
    EXPECT_NEAR(b.xmin, expected.xmin, kTol);
    EXPECT_NEAR(b.ymin, expected.ymin, kTol);
    EXPECT_NEAR(b.zmin, expected.zmin, kTol);
    EXPECT_NEAR(b.xmax, expected.xmax, kTol);
    EXPECT_NEAR(b.ymax, expected.ymax, kTol);
    EXPECT_NEAR(b.zmax, expected.zmax, kTol);
}

// What a failed operation must leave untouched: the record's values and what each object shows.
struct Snapshot
{
    explicit Snapshot(const PlacedComponentData& c) : record(c), bodyShape(c.compositeShape->Shape()) {}

    void expectSame(const PlacedComponentData& c, const Handle_Context& context) const
    {
        EXPECT_TRUE(c.position.IsEqual(record.position, 0.0));
        EXPECT_EQ(c.rotation, record.rotation);
        EXPECT_EQ(c.footprintName, record.footprintName);
        EXPECT_EQ(c.bodyWidth, record.bodyWidth);
        EXPECT_EQ(c.bodyUndercut, record.bodyUndercut);
        EXPECT_EQ(c.compositeShape, record.compositeShape);
        EXPECT_TRUE(c.compositeShape->Shape().IsEqual(bodyShape));
        EXPECT_TRUE(context->IsDisplayed(c.compositeShape));
        ASSERT_EQ(c.pads.size(), record.pads.size());
        for (int i = 0; i < c.pads.size(); ++i) {
            const PlacedPadData& now = c.pads[i];
            const PlacedPadData& was = record.pads[i];
            EXPECT_EQ(now.aisShape, was.aisShape);
            EXPECT_TRUE(context->IsDisplayed(now.aisShape));
            EXPECT_TRUE(now.placedShape.IsEqual(was.placedShape));
            EXPECT_TRUE(now.aisShape->Shape().IsEqual(was.placedShape));
            EXPECT_TRUE(now.worldPosition.IsEqual(was.worldPosition, 0.0));
        }
    }

    PlacedComponentData record;
    TopoDS_Shape bodyShape;
};

class FootprintPlacementTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString root = TestSupport::kicadFootprintRoot();
        if (!QFileInfo(root).isDir())
            GTEST_SKIP() << "KiCad footprints not installed";
        library.addSearchPath(root + QStringLiteral("/Resistor_SMD.pretty"));
        library.addSearchPath(root + QStringLiteral("/Package_TO_SOT_SMD.pretty"));
        context = makeHeadlessContext();
    }

    PlacedComponentData create(const QString& footprint, const gp_Pnt& at = gp_Pnt(10.0, 20.0, 5.0))
    {
        return library.createPlacedComponent(QStringLiteral("R1"), footprint, at, context);
    }

    // A footprint restored from a project, with the pads given.
    void registerFootprint(const QString& name, const QList<FootprintPad>& pads)
    {
        FootprintData footprint;
        footprint.name = name;
        footprint.copperPads = pads;
        library.registerEmbeddedFootprint(footprint);
    }

    static FootprintPad pad(const char* number, double x, double width)
    {
        FootprintPad p;
        p.number = QString::fromLatin1(number);
        p.posX = x;
        p.shape = QStringLiteral("rect");
        p.width = width;
        p.height = 1.0;
        return p;
    }

    FootprintManager library;
    Handle_Context context;
};

TEST_F(FootprintPlacementTest, CreatesBodyAndPadsAtTheirHeights)
{
    const PlacedComponentData c = create(QStringLiteral("Resistor_SMD:R_0805_2012Metric"));
    ASSERT_FALSE(c.hasMissingFootprint);
    EXPECT_EQ(c.footprintName, QStringLiteral("R_0805_2012Metric"));
    EXPECT_EQ(c.assignedFootprint, QStringLiteral("Resistor_SMD:R_0805_2012Metric"));
    ASSERT_EQ(c.pads.size(), 2);
    EXPECT_EQ(displayedCount(context), 3);

    const TestSupport::Box local = TestSupport::boxOf(c.bodyShapeLocal);
    expectBox(c.compositeShape->Shape(), {local.xmin + 10, local.ymin + 20, local.zmin + 5, local.xmax + 10,
                                          local.ymax + 20, local.zmax + 5});
    for (const PlacedPadData& p : c.pads) {
        const TestSupport::Box b = TestSupport::boxOf(p.placedShape);
        EXPECT_NEAR(b.zmin, 4.0, kTol);
        EXPECT_NEAR(b.zmax, 5.4, kTol);
        EXPECT_NEAR(p.worldPosition.X(), 10.0 + p.localOffset.x(), kTol);
        EXPECT_NEAR(p.worldPosition.Z(), 5.4, kTol);
        EXPECT_NEAR(padBasePoint(c, p).Z(), 4.0, kTol);
        EXPECT_TRUE(context->IsDisplayed(p.aisShape));
        EXPECT_EQ(requestedMaterial(p.aisShape), Graphic3d_NameOfMaterial_Copper);
        TColStd_ListOfInteger modes;
        context->ActivatedModes(p.aisShape, modes);
        EXPECT_TRUE(modes.IsEmpty());
    }

    const PlacedComponentData builtin = create(QStringLiteral("Builtin_0805"));
    EXPECT_EQ(builtin.pads.size(), 2);
    EXPECT_DOUBLE_EQ(builtin.bodyWidth, 2.0);
    EXPECT_DOUBLE_EQ(builtin.bodyHeight, 0.6);
}

TEST_F(FootprintPlacementTest, MissingFootprintGivesSubstituteBody)
{
    FoundationLogCapture log;
    const PlacedComponentData c = create(QStringLiteral("Nowhere:No_Such_Part"));
    EXPECT_TRUE(log.contains(QStringLiteral("✗ Footprint not found:")));
    EXPECT_TRUE(c.hasMissingFootprint);
    EXPECT_EQ(c.requestedFootprint, QStringLiteral("Nowhere:No_Such_Part"));
    EXPECT_TRUE(c.footprintName.isEmpty());
    EXPECT_TRUE(c.pads.isEmpty());
    expectBox(c.compositeShape->Shape(), {7.5, 17.5, 5.0, 12.5, 22.5, 8.0});
    expectBox(c.bodyShapeLocal, {-2.5, -2.5, 0.0, 2.5, 2.5, 3.0});
    EXPECT_TRUE(context->IsDisplayed(c.compositeShape));
    EXPECT_EQ(displayedCount(context), 1);
}

TEST_F(FootprintPlacementTest, AllPadsOrNone)
{
    // The second pad cannot be built: nothing of the footprint may stay on screen.
    registerFootprint(QStringLiteral("BrokenPad"), {pad("1", -1.0, 1.0), pad("2", 1.0, 0.0), pad("3", 3.0, 1.0)});
    const PlacedComponentData broken = create(QStringLiteral("BrokenPad"));
    EXPECT_TRUE(broken.hasMissingFootprint);
    EXPECT_TRUE(broken.pads.isEmpty());
    EXPECT_EQ(displayedCount(context), 1);

    // No context: a substitute whose body exists but is shown nowhere.
    const PlacedComponentData headless =
        library.createPlacedComponent(QStringLiteral("R2"), QStringLiteral("R_0805_2012Metric"), gp_Pnt(), Handle_Context());
    EXPECT_TRUE(headless.hasMissingFootprint);
    EXPECT_FALSE(headless.compositeShape.IsNull());

    // A footprint without pads is complete with none.
    registerFootprint(QStringLiteral("NoPads"), {});
    const PlacedComponentData bare = create(QStringLiteral("NoPads"));
    EXPECT_FALSE(bare.hasMissingFootprint);
    EXPECT_TRUE(bare.pads.isEmpty());
    EXPECT_NEAR(bare.bodyWidth, 7.0, kTol);
    EXPECT_NEAR(bare.bodyLength, 4.5, kTol);
}

TEST_F(FootprintPlacementTest, MoveReplacesPadsAndCallsBackOncePerPad)
{
    PlacedComponentData c = create(QStringLiteral("SOT-23"));
    ASSERT_EQ(c.pads.size(), 3);
    QStringList called;
    const FootprintManager::PadCacheCallback callback = [&](const opencascade::handle<AIS_Shape>& object, const PadId& id) {
        EXPECT_NEAR(c.position.X(), 13.0, kTol); // stored before the announcement
        EXPECT_EQ(id.ref, QStringLiteral("R1"));
        EXPECT_EQ(object->Shape().IsSame(c.pads[called.size()].placedShape), Standard_True);
        called.append(id.pad);
    };

    EXPECT_TRUE(FootprintManager::moveComponentVisual(c, gp_Pnt(10.0 + 5e-8, 20.0, 5.0), context, callback));
    EXPECT_TRUE(called.isEmpty());
    EXPECT_DOUBLE_EQ(c.position.X(), 10.0);

    ASSERT_TRUE(FootprintManager::moveComponentVisual(c, gp_Pnt(13.0, 21.0, 6.0), context, callback));
    EXPECT_EQ(called, (QStringList{c.pads[0].number, c.pads[1].number, c.pads[2].number}));
    for (const PlacedPadData& p : c.pads) {
        EXPECT_NEAR(p.worldPosition.X(), 13.0 + p.localOffset.x(), kTol);
        EXPECT_NEAR(p.worldPosition.Y(), 21.0 + p.localOffset.y(), kTol);
        EXPECT_NEAR(TestSupport::boxOf(p.aisShape->Shape()).zmin, 5.0, kTol);
    }

    FoundationLogCapture log;
    const Snapshot before(c);
    EXPECT_FALSE(FootprintManager::moveComponentVisual(c, gp_Pnt(1, 1, 1), Handle_Context(), callback));
    EXPECT_FALSE(FootprintManager::moveComponentVisual(c, gp_Pnt(std::nan(""), 1, 1), context, callback));
    EXPECT_TRUE(log.contains(QStringLiteral("moveComponentVisual: NULL context")));
    before.expectSame(c, context);
}

struct TurnRow
{
    double from;
    double to;
    double reference;
    bool applied;
};

class FootprintTurnTest : public FootprintPlacementTest, public ::testing::WithParamInterface<TurnRow>
{
};

TEST_P(FootprintTurnTest, FoldsTheTurnAndIgnoresNegligibleOnes)
{
    const TurnRow row = GetParam();
    PlacedComponentData c = create(QStringLiteral("R_0805_2012Metric"));
    ASSERT_TRUE(FootprintManager::applyPlacement(c, c.position, row.from, context, {}));
    int calls = 0;
    ASSERT_TRUE(FootprintManager::rotateComponentVisual(c, row.to, context, row.reference,
                                                       [&](const auto&, const auto&) { ++calls; }));
    EXPECT_EQ(calls, row.applied ? 2 : 0);
    EXPECT_DOUBLE_EQ(c.rotation, row.applied ? row.to : row.from);
}

INSTANTIATE_TEST_SUITE_P(Angles, FootprintTurnTest,
                         ::testing::Values(TurnRow{10.0, 370.0, -1.0, false}, TurnRow{359.995, 0.0, -1.0, false},
                                           TurnRow{0.0, 0.02, -1.0, true}, TurnRow{90.0, 90.0, 0.0, true},
                                           TurnRow{0.0, 450.0, -1.0, true}));

TEST_F(FootprintPlacementTest, TurnCarriesPadOffsets)
{
    registerFootprint(QStringLiteral("TwoPads"), {pad("1", 1.27, 1.0), pad("2", -1.27, 1.0)});
    PlacedComponentData c = create(QStringLiteral("TwoPads"));
    ASSERT_TRUE(FootprintManager::rotateComponentVisual(c, 90.0, context, -1.0, {}));
    const PlacedPadData& p = c.pads[0];
    EXPECT_NEAR(p.localOffset.x(), 1.27, kTol);
    EXPECT_NEAR(p.rotatedOffset.x(), 0.0, kTol);
    EXPECT_NEAR(p.rotatedOffset.y(), 1.27, kTol);
    EXPECT_LT(p.worldPosition.Distance(gp_Pnt(10.0, 21.27, 5.4)), kTol);
    expectBox(p.aisShape->Shape(), {9.5, 20.77, 4.0, 10.5, 21.77, 5.4});

    PlacedComponentData noBody = c;
    noBody.compositeShape.Nullify();
    EXPECT_FALSE(FootprintManager::rotateComponentVisual(noBody, 10.0, context, -1.0, {}));
    EXPECT_FALSE(FootprintManager::rotateComponentVisual(c, std::nan(""), context, -1.0, {}));
    EXPECT_DOUBLE_EQ(c.rotation, 90.0);
}

TEST_F(FootprintPlacementTest, FailedCommitRestoresEverything)
{
    PlacedComponentData c = create(QStringLiteral("SOT-23"));
    ASSERT_EQ(c.pads.size(), 3);
    opencascade::handle<FailingPad> failing = new FailingPad(c.pads[2].placedShape);
    context->Remove(c.pads[2].aisShape, false);
    context->Display(failing, false);
    c.pads[2].aisShape = failing;
    failing->armed = true;

    const Snapshot before(c);
    int calls = 0;
    FoundationLogCapture log;
    EXPECT_FALSE(FootprintManager::moveComponentVisual(c, gp_Pnt(30.0, 0.0, 5.0), context,
                                                       [&](const auto&, const auto&) { ++calls; }));
    EXPECT_FALSE(FootprintManager::rotateComponentVisual(c, 45.0, context, -1.0, {}));
    EXPECT_TRUE(log.contains(QStringLiteral("applyPlacement: rollback for")));
    EXPECT_EQ(calls, 0);
    before.expectSame(c, context);
}

TEST_F(FootprintPlacementTest, RecreateRefusesBadValuesAndRestoresOnFailure)
{
    PlacedComponentData c = create(QStringLiteral("R_0805_2012Metric"));
    const Snapshot before(c);
    const double inf = std::numeric_limits<double>::infinity();
    const double bad[][7] = {
        {4, 4, 3, 0, 0.0, 0.4, 100}, {5e-8, 4, 3, 0, 1, 0.4, 100}, {4, 4, 3, 0, 1, 0.4, 0},
        {4, 4, 3, std::nan(""), 1, 0.4, 100}, {4, inf, 3, 0, 1, 0.4, 100}, {4, 4, 3, 0, 1, -0.1, 100}};
    for (const auto& v : bad) {
        FoundationLogCapture log;
        EXPECT_FALSE(library.recreateComponentBody(c, v[0], v[1], v[2], v[3], v[4], v[5], v[6], context));
        EXPECT_TRUE(log.contains(QStringLiteral("recreateComponentBody: invalid parameters for")));
    }
    // Accepted by the check but too large to build: the old state stays.
    FoundationLogCapture log;
    EXPECT_FALSE(library.recreateComponentBody(c, 1e7, 4, 3, 0, 1, 0.4, 100, context));
    EXPECT_TRUE(log.contains(QStringLiteral("parameters restored")));
    before.expectSame(c, context);
    EXPECT_EQ(displayedCount(context), 3);

    PlacedComponentData fallback = create(QStringLiteral("No_Such_Part"));
    EXPECT_FALSE(library.recreateComponentBody(fallback, 4, 4, 3, 0, 1, 0.4, 100, context));
}

TEST_F(FootprintPlacementTest, RecreateKeepsTurnStyleAndSelection)
{
    PlacedComponentData c = create(QStringLiteral("R_0805_2012Metric"));
    const double padWidth = c.pads[0].scaledWidth;
    ASSERT_TRUE(FootprintManager::rotateComponentVisual(c, 90.0, context, -1.0, {}));
    c.styleCode = 2;
    context->SetSelectionModeActive(c.compositeShape, 0, true);
    const auto oldBody = c.compositeShape;
    const auto oldPad = c.pads[0].aisShape;

    ASSERT_TRUE(library.recreateComponentBody(c, 6.0, 3.0, 2.0, 0.5, 0.8, 0.0, 50.0, context));
    EXPECT_FALSE(context->IsDisplayed(oldBody));
    EXPECT_FALSE(context->IsDisplayed(oldPad));
    EXPECT_EQ(displayedCount(context), 3);
    EXPECT_DOUBLE_EQ(c.rotation, 90.0);
    // Turned by 90 degrees: the 6 mm width now lies along Y.
    const TestSupport::Box body = TestSupport::boxOf(c.compositeShape->Shape());
    EXPECT_NEAR(body.ymax - body.ymin, 6.0, kTol);
    EXPECT_NEAR(body.zmin, 5.5, kTol);
    EXPECT_NEAR(c.compositeShape->Transparency(), 0.2, kTol);
    TColStd_ListOfInteger modes;
    context->ActivatedModes(c.compositeShape, modes);
    EXPECT_TRUE(modes.Contains(0));
    ASSERT_EQ(c.pads.size(), 2);
    EXPECT_NEAR(c.pads[0].scaledWidth, padWidth / 2.0, kTol);
    const TestSupport::Box pad = TestSupport::boxOf(c.pads[0].aisShape->Shape());
    EXPECT_NEAR(pad.zmin, 4.2, kTol);
    EXPECT_NEAR(pad.zmax, 5.0, kTol);
    EXPECT_NEAR(c.pads[0].worldPosition.X(), 10.0, kTol);
}

TEST_F(FootprintPlacementTest, ReplaceFootprint)
{
    PlacedComponentData c = create(QStringLiteral("R_0805_2012Metric"));
    const Snapshot before(c);

    FoundationLogCapture log;
    EXPECT_FALSE(library.replaceFootprint(c, QStringLiteral("No_Such_Part"), context));
    EXPECT_TRUE(log.contains(QStringLiteral("✗ Footprint not found:")));
    before.expectSame(c, context);

    // A footprint whose pads cannot be built: the record still describes the old body.
    registerFootprint(QStringLiteral("BrokenPad"), {pad("1", 0.0, 0.0)});
    EXPECT_FALSE(library.replaceFootprint(c, QStringLiteral("BrokenPad"), context));
    before.expectSame(c, context);
    EXPECT_EQ(displayedCount(context), 3);

    ASSERT_TRUE(library.replaceFootprint(c, QStringLiteral("SOT-23"), context));
    EXPECT_EQ(c.footprintName, QStringLiteral("SOT-23"));
    EXPECT_EQ(c.pads.size(), 3);
    EXPECT_EQ(displayedCount(context), 4);
    EXPECT_FALSE(context->IsDisplayed(before.record.compositeShape));
}

TEST_F(FootprintPlacementTest, ReplacingASubstituteDropsTheMissingLook)
{
    PlacedComponentData c = create(QStringLiteral("No_Such_Part"));
    c.styleCode = ComponentManager::baseStyleFor(c);
    ASSERT_EQ(c.styleCode, 1);
    ASSERT_TRUE(library.replaceFootprint(c, QStringLiteral("R_0805_2012Metric"), context));
    EXPECT_FALSE(c.hasMissingFootprint);
    EXPECT_TRUE(c.requestedFootprint.isEmpty());
    EXPECT_EQ(c.styleCode, 0);
    EXPECT_NEAR(c.compositeShape->Transparency(), 0.7, kTol);
    EXPECT_EQ(c.pads.size(), 2);
}

struct StyleRow
{
    int code;
    Quantity_NameOfColor colour;
    double transparency;
    double width;
};

class ComponentStyleTest : public ::testing::TestWithParam<StyleRow>
{
};

TEST_P(ComponentStyleTest, BodyLookByCode)
{
    const StyleRow row = GetParam();
    opencascade::handle<AIS_Shape> body = new AIS_Shape(FootprintManager::createFallbackBody(gp_Pnt()));
    ComponentManager::applyComponentStyle(body, row.code);
    Quantity_Color colour;
    body->Color(colour);
    EXPECT_EQ(colour.Name(), row.colour);
    EXPECT_NEAR(body->Transparency(), row.transparency, kTol);
    EXPECT_EQ(body->Material(), Graphic3d_NameOfMaterial_Plastified);
    EXPECT_TRUE(body->Attributes()->FaceBoundaryDraw());
    EXPECT_DOUBLE_EQ(body->Attributes()->FaceBoundaryAspect()->Aspect()->Width(), row.width);
}

INSTANTIATE_TEST_SUITE_P(Codes, ComponentStyleTest,
                         ::testing::Values(StyleRow{1, Quantity_NOC_RED, 0.3, 2.0}, StyleRow{4, Quantity_NOC_BROWN, 0.85, 1.0},
                                           StyleRow{7, Quantity_NOC_GREEN, 0.7, 1.5}));

TEST(ComponentPadStyle, HighlightIsTakenAway)
{
    opencascade::handle<AIS_Shape> pad = new AIS_Shape(FootprintManager::createFallbackBody(gp_Pnt()));
    pad->SetTransparency(0.0);
    ComponentManager::applyPadBaseStyle(pad);
    Quantity_Color colour;
    pad->Color(colour);
    EXPECT_TRUE(colour.IsEqual(Quantity_Color(Quantity_NOC_GRAY60)));
    EXPECT_NEAR(pad->Transparency(), 0.3, kTol);
    EXPECT_EQ(requestedMaterial(pad), Graphic3d_NameOfMaterial_Copper);
    EXPECT_DOUBLE_EQ(pad->Attributes()->FaceBoundaryAspect()->Aspect()->Width(), 1.5);
}

} // namespace
