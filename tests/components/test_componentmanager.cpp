// Component manager: population from a netlist, edits with rollback, styles, pad queries and
// the pad index kept in step, on an interactive context without a view.
#include "componenttestrig.h"
#include "footprintlibrarytestutil.h"
#include "logcapture.h"

#include "foundation/geometryutils.h"
#include "model/footprintdata.h"
#include "model/placedcomponentdata.h"
#include "project/netlistupdate.h"

#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepTools.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <Quantity_Color.hxx>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace ComponentTest;

namespace {

constexpr double kTol = 1e-6;

class ComponentManagerTest : public ::testing::Test
{
protected:
    void generate(const QList<NetlistComponent>& components)
    {
        rig.setNetlist(components);
        rig.manager.generateComponents(rig.project.netlist().components);
    }

    ComponentProperties propertiesOf(const QString& ref)
    {
        return componentPropertiesOf(*rig.manager.findComponent(ref));
    }

    Rig rig;
};

TEST_F(ComponentManagerTest, GeneratesEveryComponentOnTheSpiralAndReportsTheMissingOnes)
{
    QSignalSpy population(&rig.manager, &ComponentManager::populationChanged);
    QSignalSpy status(&rig.manager, &ComponentManager::statusMessage);
    QList<MissingFootprintInfo> missing;
    QObject::connect(&rig.manager, &ComponentManager::missingFootprintsDetected,
                     [&](const QList<MissingFootprintInfo>& list) { missing = list; });

    generate({netlistComponent("R1", "Device:Builtin_0805"), netlistComponent("C1", "Builtin_0603"),
              netlistComponent("U1", "Lib:Nowhere_Found", "MCU")});

    ASSERT_EQ(population.size(), 1);
    EXPECT_EQ(population.at(0).at(0).toInt(), 2);
    EXPECT_EQ(population.at(0).at(1).toInt(), 1);
    ASSERT_EQ(missing.size(), 1);
    EXPECT_EQ(missing.at(0).reference, "U1");
    EXPECT_EQ(missing.at(0).requestedFootprint, "Nowhere_Found");
    EXPECT_EQ(missing.at(0).value, "MCU");
    ASSERT_EQ(status.size(), 1);
    EXPECT_EQ(status.at(0).at(0).toString(), "2 footprint(s) loaded, 1 missing");
    EXPECT_EQ(rig.manager.countWithFootprint(), 2);

    // Every component takes its slot in reference order, found or not: C1, R1, U1.
    const QStringList order{"C1", "R1", "U1"};
    for (int i = 0; i < order.size(); ++i) {
        const gp_Pnt expected = GeometryUtils::spiralPlacementPosition(i, 3, 80.0, 5.1);
        EXPECT_LT(rig.manager.findComponent(order[i])->position.Distance(expected), kTol) << order[i].toStdString();
    }
    EXPECT_EQ(rig.manager.findComponent("U1")->styleCode, 1);
    EXPECT_EQ(rig.manager.findComponent("R1")->styleCode, 0);
    // Two pads each for the two found footprints, all indexed.
    EXPECT_EQ(rig.padCache.size(), 4);
    EXPECT_TRUE(rig.padCache.verifyIntegrity());
}

TEST_F(ComponentManagerTest, EmptyNetlistReportsZeroAndNothingMissing)
{
    QSignalSpy population(&rig.manager, &ComponentManager::populationChanged);
    QSignalSpy missing(&rig.manager, &ComponentManager::missingFootprintsDetected);
    QSignalSpy status(&rig.manager, &ComponentManager::statusMessage);
    generate({});
    ASSERT_EQ(population.size(), 1);
    EXPECT_EQ(population.at(0).at(0).toInt(), 0);
    EXPECT_EQ(missing.size(), 0);
    EXPECT_EQ(status.at(0).at(0).toString(), "0 footprint(s) loaded");
}

TEST_F(ComponentManagerTest, RegeneratingRemovesEveryOldObjectFromViewAndIndex)
{
    generate({netlistComponent("R1", "Builtin_0805"), netlistComponent("R2", "Builtin_1206")});
    const quint64 generation = rig.manager.populationGeneration();
    EXPECT_EQ(displayedCount(rig.context), 6);
    generate({netlistComponent("R1", "Builtin_0805")});
    EXPECT_EQ(displayedCount(rig.context), 3);
    EXPECT_EQ(rig.padCache.size(), 2);
    EXPECT_TRUE(rig.padCache.verifyIntegrity());
    EXPECT_GT(rig.manager.populationGeneration(), generation);
}

// Clearing placed components tells their window, which derives its state from the model;
// clearing none tells nothing.
TEST_F(ComponentManagerTest, ClearingPlacedComponentsIsTold)
{
    generate({netlistComponent("R1", "Builtin_0805")});
    QSignalSpy population(&rig.manager, &ComponentManager::populationChanged);
    rig.manager.clearAll(true);
    ASSERT_EQ(population.size(), 1);
    EXPECT_EQ(population.at(0).at(0).toInt(), 0);
    EXPECT_EQ(displayedCount(rig.context), 0);
    rig.manager.clearAll(true);
    EXPECT_EQ(population.size(), 1);
}

TEST_F(ComponentManagerTest, MovesAndTurnsKeepThePadIndexAnswering)
{
    generate({netlistComponent("R1", "Builtin_0805")});
    QSignalSpy changed(&rig.manager, &ComponentManager::componentChanged);
    ASSERT_TRUE(rig.manager.moveComponent("R1", gp_Pnt(10, 20, 5)));
    ASSERT_TRUE(rig.manager.rotateComponent("R1", 450.0));
    EXPECT_EQ(changed.size(), 2);
    const PlacedComponentData* r1 = rig.manager.findComponent("R1");
    EXPECT_NEAR(r1->rotation, 90.0, kTol);
    EXPECT_TRUE(rig.padCache.verifyIntegrity());
    for (const PlacedPadData& pad : r1->pads) {
        const PadCacheManager::PadIdentity identity = rig.padCache.identifyPad(pad.aisShape);
        ASSERT_TRUE(identity.found);
        EXPECT_EQ(identity.pad, PadId("R1", pad.number));
        EXPECT_LT(identity.position.Distance(pad.worldPosition), kTol);
    }
    // A quiet move says nothing; non-finite input is refused and changes nothing.
    EXPECT_TRUE(rig.manager.moveComponent("R1", gp_Pnt(11, 20, 5), true));
    EXPECT_EQ(changed.size(), 2);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(rig.manager.moveComponent("R1", gp_Pnt(nan, 0, 0)));
    EXPECT_FALSE(rig.manager.rotateComponent("R1", nan));
    EXPECT_FALSE(rig.manager.moveComponent("R1", gp_Pnt(0, 2e5, 5)));
    EXPECT_FALSE(rig.manager.moveComponent("R9", gp_Pnt(0, 0, 0)));
    EXPECT_LT(r1->position.Distance(gp_Pnt(11, 20, 5)), kTol);
}

struct PropertyCase
{
    const char* name;
    bool substitute;
    void (*edit)(ComponentProperties&);
    bool expectedResult;
    bool expectChanged;
    int expectedStyle;
};

void PrintTo(const PropertyCase& row, std::ostream* os)
{
    *os << row.name;
}

class ApplyPropertiesTest : public ComponentManagerTest, public ::testing::WithParamInterface<PropertyCase>
{
};

TEST_P(ApplyPropertiesTest, AppliesOnlyWhatChanged)
{
    const PropertyCase& row = GetParam();
    generate({netlistComponent("R1", row.substitute ? "Missing_Fp" : "Builtin_0805")});
    ComponentProperties p = propertiesOf("R1");
    row.edit(p);
    QSignalSpy changed(&rig.manager, &ComponentManager::componentChanged);
    EXPECT_EQ(rig.manager.applyProperties("R1", p), row.expectedResult);
    EXPECT_EQ(changed.size(), row.expectChanged ? 1 : 0);
    EXPECT_EQ(rig.manager.findComponent("R1")->styleCode, row.expectedStyle);
    EXPECT_TRUE(rig.padCache.verifyIntegrity());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ApplyPropertiesTest,
    ::testing::Values(
        PropertyCase{"Identical", false, [](ComponentProperties&) {}, true, false, 0},
        // The plain difference exceeds 0.01, the wrapped one does not: a successful no-op turn.
        PropertyCase{"NearlyFullTurn", false, [](ComponentProperties& p) { p.rotation = 359.995; }, true, true, 0},
        PropertyCase{"NewHeight", false, [](ComponentProperties& p) { p.bodyHeight = 6.0; }, true, true, 0},
        PropertyCase{"Disabled", false, [](ComponentProperties& p) { p.bodyEnabled = false; }, true, true, 4},
        PropertyCase{"SubstituteHeightIgnored", true, [](ComponentProperties& p) { p.bodyHeight = 6.0; }, true,
                     false, 1},
        PropertyCase{"SubstituteDisabledKeepsRed", true,
                     [](ComponentProperties& p) {
                         p.bodyHeight = 6.0;
                         p.bodyEnabled = false;
                     },
                     true, true, 1},
        PropertyCase{"NonFiniteRefused", false,
                     [](ComponentProperties& p) { p.posX = std::numeric_limits<double>::infinity(); }, false, false,
                     0},
        PropertyCase{"FarAwayRefused", false, [](ComponentProperties& p) { p.posY = 1e12; }, false, false, 0},
        PropertyCase{"HugeBodyRefused", false, [](ComponentProperties& p) { p.bodyWidth = 1e12; }, false, false, 0},
        PropertyCase{"ZeroScaleRefused", false, [](ComponentProperties& p) { p.padXYScale = 0.0; }, false, false,
                     0}),
    [](const ::testing::TestParamInfo<PropertyCase>& info) { return std::string(info.param.name); });

TEST_F(ComponentManagerTest, AFailedRebuildTakesBackTheTurnAndMoveOfTheSameEdit)
{
    generate({netlistComponent("R1", "Builtin_0805")});
    const PlacedComponentData before = *rig.manager.findComponent("R1");
    ComponentProperties p = propertiesOf("R1");
    p.rotation = 45.0;
    p.posX += 10.0;
    p.footprintThickness = 0.0; // refused by the rebuild
    QSignalSpy status(&rig.manager, &ComponentManager::statusMessage);
    QSignalSpy changed(&rig.manager, &ComponentManager::componentChanged);

    EXPECT_FALSE(rig.manager.applyProperties("R1", p));

    const PlacedComponentData* after = rig.manager.findComponent("R1");
    EXPECT_NEAR(after->rotation, before.rotation, kTol);
    EXPECT_LT(after->position.Distance(before.position), kTol);
    EXPECT_NEAR(after->footprintThickness, before.footprintThickness, kTol);
    ASSERT_EQ(status.size(), 1);
    EXPECT_EQ(status.at(0).at(0).toString(), "Rebuild failed for R1 — values restored.");
    EXPECT_EQ(changed.size(), 0);
    EXPECT_TRUE(rig.padCache.verifyIntegrity());
}

TEST_F(ComponentManagerTest, StylesDecideSelectability)
{
    generate({netlistComponent("R1", "Builtin_0805"), netlistComponent("U1", "Missing")});
    const auto body = rig.manager.findComponent("R1")->compositeShape;
    EXPECT_EQ(rig.manager.referenceForShape(body), "R1");
    for (const auto& [code, selectable] : {std::pair{0, true}, {1, true}, {2, true}, {3, false}, {4, true}, {7, false}}) {
        rig.manager.setComponentStyle("R1", code, false);
        EXPECT_EQ(rig.manager.isSelectableShape(body), selectable) << code;
    }
    // A pad object is never a selectable body.
    EXPECT_FALSE(rig.manager.isSelectableShape(rig.manager.findComponent("R1")->pads.first().aisShape));

    rig.manager.setComponentStyle("U1", 2, false);
    const PlacedComponentData* u1 = rig.manager.findComponent("U1");
    EXPECT_EQ(u1->styleCode, 2);
    rig.manager.setComponentStyle("U1", ComponentManager::baseStyleFor(*u1), false);
    EXPECT_EQ(u1->styleCode, 1);
}

TEST_F(ComponentManagerTest, PadHighlightComesBackToTheCopperLook)
{
    generate({netlistComponent("R1", "Builtin_0805")});
    const PadId pad("R1", "1");
    const auto object = rig.manager.findComponent("R1")->pads.first().aisShape;
    ASSERT_TRUE(rig.manager.highlightPad(pad, Quantity_Color(Quantity_NOC_YELLOW), false));
    EXPECT_NEAR(object->Transparency(), 0.0, kTol);
    ASSERT_TRUE(rig.manager.clearPadHighlight(pad, false));
    EXPECT_NEAR(object->Transparency(), 0.3, kTol);
    EXPECT_FALSE(rig.manager.highlightPad(PadId("R1", "9"), Quantity_Color(Quantity_NOC_YELLOW), false));
    EXPECT_FALSE(rig.manager.clearPadHighlight(PadId("R7", "1"), false));
}

// The pin table's pad is the placed pad: at its top, with its solid, its underside (top -
// undercut - thickness) straight below.
void expectPadOf(const PinPad& piece, const PlacedComponentData& component, const PlacedPadData& pad)
{
    const gp_Pnt top = pad.worldPosition;
    EXPECT_LT(piece.position.Distance(top), kTol);
    EXPECT_FALSE(piece.box.IsOut(gp_Pnt(top.X(), top.Y(), top.Z() - 0.1)));
    // The box the connectivity checks rule pads out by: the placed pad's own, however it came.
    Bnd_Box measured;
    BRepBndLib::Add(pad.placedShape, measured, true);
    ASSERT_FALSE(piece.box.IsVoid());
    EXPECT_LT(piece.box.CornerMin().Distance(measured.CornerMin()), 1e-9);
    EXPECT_LT(piece.box.CornerMax().Distance(measured.CornerMax()), 1e-9);
    EXPECT_TRUE(piece.solid.IsSame(pad.placedShape));
    EXPECT_NEAR(piece.basePoint.Z(), top.Z() - component.bodyUndercut - component.footprintThickness, kTol);
    EXPECT_NEAR(piece.basePoint.Distance(gp_Pnt(top.X(), top.Y(), piece.basePoint.Z())), 0.0, kTol);
}

TEST_F(ComponentManagerTest, PadTablesHoldEveryPadOfANumber)
{
    generate({netlistComponent("R1", "Builtin_0805")});
    PlacedComponentData twin = *rig.manager.findComponent("R1");
    twin.pads[1].number = twin.pads[0].number; // two pads named alike: one pin
    rig.manager.insertComponent("R1", twin, false);

    const PlacedComponentData* r1 = rig.manager.findComponent("R1");
    const PadId id("R1", r1->pads[0].number);
    const QList<PinPad> pads = rig.manager.pin(id).pads();
    ASSERT_EQ(pads.size(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        expectPadOf(pads.at(i), *r1, r1->pads[i]);
    }
    // Hovered or probed, the whole pin lights up.
    ASSERT_TRUE(rig.manager.highlightPad(id, Quantity_Color(Quantity_NOC_YELLOW), false));
    for (int i = 0; i < 2; ++i)
        EXPECT_NEAR(r1->pads[i].aisShape->Transparency(), 0.0, kTol) << i;
    ASSERT_TRUE(rig.manager.clearPadHighlight(id, false));
    for (int i = 0; i < 2; ++i)
        EXPECT_NEAR(r1->pads[i].aisShape->Transparency(), 0.3, kTol) << i;
}

// Ratsnest lines end and tracks start at the pads the pin table gives: after every kind of edit
// it holds exactly the pads on the board, where they now are.
TEST_F(ComponentManagerTest, ThePinTableFollowsEveryEdit)
{
    generate({netlistComponent("R1", "Builtin_0805"), netlistComponent("R2", "Builtin_0805")});
    rig.manager.pins(); // read once, so that every edit below has to show through
    struct Row
    {
        const char* name;
        std::function<bool()> edit;
    };
    const QList<Row> rows = {
        {"moved", [&] { return rig.manager.moveComponent("R1", gp_Pnt(10, 20, 5)); }},
        {"quarter turn", [&] { return rig.manager.rotateComponent("R1", 90.0); }},
        {"turned", [&] { return rig.manager.rotateComponent("R1", 30.0); }},
        {"thicker", [&] {
             ComponentProperties p = propertiesOf("R1");
             p.footprintThickness += 0.7;
             p.posX += 3.0;
             return rig.manager.applyProperties("R1", p);
         }},
        {"other footprint", [&] { return rig.manager.replaceFootprint("R2", "Builtin_1210"); }},
        {"removed", [&] { return rig.manager.removeComponent("R2"); }},
        {"inserted again", [&] {
             PlacedComponentData twin = rig.footprints.createPlacedComponent("R2", "Builtin_1206", gp_Pnt(-8, 0, 5),
                                                                              rig.context);
             rig.manager.insertComponent("R2", twin, true);
             return true;
         }},
        {"regenerated", [&] {
             generate({netlistComponent("R3", "Builtin_0603")});
             return true;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(row.edit());
        const PinTable pins = rig.manager.pins();
        int placed = 0;
        for (const PlacedComponentData& component : rig.manager.components()) {
            for (const PlacedPadData& pad : component.pads) {
                const QList<PinPad> pads = pins.value(PadId(component.ref, pad.number)).pads();
                ASSERT_EQ(pads.size(), 1);
                expectPadOf(pads.first(), component, pad);
                ++placed;
            }
        }
        EXPECT_EQ(pins.size(), placed);
    }
}

TEST_F(ComponentManagerTest, ReinsertingAReferenceAnnouncesRemovalBeforeTheNewPads)
{
    generate({netlistComponent("R1", "Builtin_0805")});
    const PlacedComponentData first = *rig.manager.findComponent("R1");
    const PlacedComponentData second = rig.footprints.createPlacedComponent("R1", "Builtin_1206", gp_Pnt(0, 0, 5.1),
                                                                           rig.context);
    QStringList order;
    QObject::connect(&rig.manager, &ComponentManager::padCacheUpdateNeeded,
                     [&](const opencascade::handle<AIS_Shape>&, const PadId& pad) {
                         order << (pad.pad.isEmpty() ? "remove" : "add");
                     });
    rig.manager.insertComponent("R1", second, true);
    EXPECT_EQ(order, (QStringList{"remove", "remove", "add", "add"}));
    EXPECT_FALSE(rig.context->IsDisplayed(first.compositeShape));
    EXPECT_EQ(rig.manager.referenceForShape(first.compositeShape), QString());
    EXPECT_EQ(rig.manager.referenceForShape(second.compositeShape), "R1");
}

TEST_F(ComponentManagerTest, NetlistUpdateContinuesTheSpiralAfterTheKeptComponents)
{
    generate({netlistComponent("R1", "Builtin_0805"), netlistComponent("R2", "Builtin_0805"),
              netlistComponent("R3", "Builtin_0805"), netlistComponent("R4", "Builtin_0805")});
    QMap<QString, NetlistComponent> next;
    next.insert("R1", netlistComponent("R1", "Builtin_0805"));
    next.insert("R2", netlistComponent("R2", "Builtin_1206"));
    next.insert("R5", netlistComponent("R5", "Builtin_0603"));
    NetlistUpdate update;
    update.removed = {"R3", "R4", "R9"};
    update.added = {"R5", "R6"}; // R6 is not in the new netlist: skipped without a slot
    update.footprintChanges = {{"R2", "Builtin_0805", "Builtin_1206"}, {"R8", "A", "B"}};
    update.keptCount = 2;

    const ComponentManager::NetlistApplyResult result = rig.manager.applyNetlistUpdate(next, update);
    EXPECT_EQ(result.removed, (QList<QString>{"R3", "R4"}));
    EXPECT_EQ(result.replaced, (QList<QString>{"R2"}));
    EXPECT_EQ(result.created, 1);
    EXPECT_EQ(result.keptCount, 2);
    const gp_Pnt expected = GeometryUtils::spiralPlacementPosition(2, 4, 80.0, 5.1);
    EXPECT_LT(rig.manager.findComponent("R5")->position.Distance(expected), kTol);
    EXPECT_EQ(rig.manager.findComponent("R2")->footprintName, "Builtin_1206");
    EXPECT_EQ(rig.manager.footprintAssignments().value("R2"), "Builtin_1206");
    EXPECT_TRUE(rig.padCache.verifyIntegrity());
    EXPECT_EQ(rig.padCache.size(), 6);
}

TEST_F(ComponentManagerTest, IdenticalPadsShareTheirLocalSolidButEachPlacedPadIsItsOwn)
{
    generate({netlistComponent("R1", "Builtin_0805"), netlistComponent("R2", "Builtin_0805")});
    ASSERT_TRUE(rig.manager.moveComponent("R2", gp_Pnt(30, 30, 5.1)));
    const PlacedPadData& a = rig.manager.findComponent("R1")->pads[0];
    const PlacedPadData& b = rig.manager.findComponent("R2")->pads[0];
    EXPECT_TRUE(a.localShape.IsSame(b.localShape));
    // The pad index tells pads apart by the topology of their placed solids.
    EXPECT_NE(a.placedShape.TShape(), b.placedShape.TShape());
    EXPECT_NE(a.placedShape.TShape(), a.localShape.TShape());
    // Placed copies carry the mesh, moved ones too: the viewer need not mesh them again.
    EXPECT_TRUE(BRepTools::Triangulation(a.placedShape, 1.0));
    EXPECT_TRUE(BRepTools::Triangulation(b.placedShape, 1.0));
    const Bnd_Box box = GeometryUtils::boundingBoxOf(b.placedShape);
    EXPECT_FALSE(box.IsOut(b.worldPosition.Translated(gp_Vec(0, 0, -0.1))));

    // The faces below are the local solid's, placed through a location: the same solid as a
    // deep copy would give, without copying.
    TopExp_Explorer placedFace(b.placedShape, TopAbs_FACE);
    TopExp_Explorer localFace(b.localShape, TopAbs_FACE);
    ASSERT_TRUE(placedFace.More() && localFace.More());
    EXPECT_TRUE(placedFace.Current().IsPartner(localFace.Current()));
    EXPECT_FALSE(placedFace.Current().IsSame(localFace.Current()));
    const auto volumeOf = [](const TopoDS_Shape& shape) {
        GProp_GProps props;
        BRepGProp::VolumeProperties(shape, props);
        return props.Mass();
    };
    EXPECT_GT(volumeOf(b.localShape), 0.0);
    EXPECT_NEAR(volumeOf(b.placedShape), volumeOf(b.localShape), 1e-9);
    EXPECT_TRUE(BRepCheck_Analyzer(b.placedShape).IsValid());
    const Bnd_Box local = GeometryUtils::boundingBoxOf(b.localShape);
    const gp_Pnt offset(30 + b.localOffset.x(), 30 + b.localOffset.y(), 5.1);
    EXPECT_NEAR(box.CornerMin().X(), local.CornerMin().X() + offset.X(), 1e-6);
    EXPECT_NEAR(box.CornerMax().Y(), local.CornerMax().Y() + offset.Y(), 1e-6);
    EXPECT_NEAR(box.CornerMin().Z(), local.CornerMin().Z() + offset.Z(), 1e-6);
}

TEST_F(ComponentManagerTest, ReplacingWithAnUnreadableFileChangesNothing)
{
    generate({netlistComponent("R1", "Builtin_0805")});
    QTemporaryDir dir;
    const QString legacy = dir.filePath("Old.mod");
    QFile file(legacy);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("PCBNEW-LibModule-V1\n");
    file.close();
    const PlacedComponentData before = *rig.manager.findComponent("R1");
    FoundationLogCapture log;
    EXPECT_FALSE(rig.manager.replaceFootprint("R1", legacy));
    EXPECT_FALSE(rig.manager.replaceFootprint("R1", "  "));
    const PlacedComponentData* after = rig.manager.findComponent("R1");
    EXPECT_EQ(after->compositeShape, before.compositeShape);
    EXPECT_EQ(after->footprintName, before.footprintName);
    EXPECT_TRUE(after->assignedFootprint == before.assignedFootprint);
}

} // namespace

namespace {

// The footprint cache holds one footprint per name: a file named like a footprint that other
// components use would silently become theirs in the next save and at the next generation.
TEST_F(ComponentManagerTest, AFileNamedLikeAFootprintOthersUseIsRefused)
{
    generate({netlistComponent("R1", "Builtin_0805"), netlistComponent("R2", "Builtin_0805"),
              netlistComponent("R3", "Builtin_1206")});
    QTemporaryDir dir;
    const auto writeThreePads = [&](const QString& name) {
        const QString path = dir.filePath(name + ".kicad_mod");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("(footprint \"%1\" (layer \"F.Cu\")\n"
                                  "  (pad \"1\" smd rect (at -2 0) (size 1 1.3) (layers \"F.Cu\"))\n"
                                  "  (pad \"2\" smd rect (at 0 0) (size 1 1.3) (layers \"F.Cu\"))\n"
                                  "  (pad \"3\" smd rect (at 2 0) (size 1 1.3) (layers \"F.Cu\")))\n")
                       .arg(name)
                       .toUtf8());
        return path;
    };
    const int builtinPads = int(rig.manager.findComponent("R2")->pads.size());
    QSignalSpy status(&rig.manager, &ComponentManager::statusMessage);

    EXPECT_FALSE(rig.manager.replaceFootprint("R1", writeThreePads("Builtin_0805")));
    EXPECT_EQ(rig.manager.findComponent("R1")->pads.size(), builtinPads);
    ASSERT_EQ(status.size(), 1);
    EXPECT_TRUE(status.first().first().toString().contains("R2"));
    for (const FootprintData& footprint : rig.manager.usedFootprints()) {
        if (footprint.name == "Builtin_0805") {
            EXPECT_EQ(footprint.copperPads.size(), builtinPads) << "the saved footprint is still R2's";
        }
    }

    // A name no other component uses is free to take.
    EXPECT_TRUE(rig.manager.replaceFootprint("R3", writeThreePads("Builtin_1206")));
    EXPECT_EQ(rig.manager.findComponent("R3")->pads.size(), 3);
}

// A footprint found by a word or a part of a file's name is placed, and generation says which
// components got one, so that the user can check them; an exact name, in any letter case, is not
// such a match, nor is a footprint that the project itself brought under that name.
TEST_F(ComponentManagerTest, GenerationListsTheComponentsWhoseFootprintALooserNameFound)
{
    QTemporaryDir dir;
    const QDir folder(dir.filePath("Lib.pretty"));
    for (const char* name : {"R_0805", "C_0805", "Conn_BUS_PCI_Express"})
        FootprintLibraryTest::writeFile(folder, QString::fromUtf8(name) + ".kicad_mod",
                                        FootprintLibraryTest::twoPadFootprint(QString::fromUtf8(name)));
    rig.footprints.addSearchPath(folder.path());
    rig.setNetlist({netlistComponent("R1", "Lib:R_0805"), netlistComponent("R2", "0805"),
                    netlistComponent("R3", "r_0805"), netlistComponent("J1", "BUS_PC")});

    for (int run = 0; run < 2; ++run) { // the second run finds them in the cache
        const auto result = rig.manager.generateComponents(rig.project.netlist().components);
        EXPECT_EQ(result.loaded, 4);
        ASSERT_EQ(result.looserMatches.size(), 2) << run;
        const LooserFootprintMatch& bus = result.looserMatches.at(0);
        EXPECT_EQ(bus.reference, "J1");
        EXPECT_EQ(bus.requestedFootprint, "BUS_PC");
        EXPECT_EQ(bus.foundFootprint, "Conn_BUS_PCI_Express");
        EXPECT_EQ(bus.candidates, 1);
        const LooserFootprintMatch& chip = result.looserMatches.at(1);
        EXPECT_EQ(chip.reference, "R2");
        EXPECT_EQ(chip.requestedFootprint, "0805");
        EXPECT_TRUE(chip.foundFootprint == "R_0805" || chip.foundFootprint == "C_0805")
            << chip.foundFootprint.toStdString();
        EXPECT_EQ(chip.candidates, 2);
    }

    FootprintData stored = rig.footprints.getFootprint("0805");
    stored.name = "0805";
    rig.footprints.registerEmbeddedFootprint(stored);
    const auto result = rig.manager.generateComponents(rig.project.netlist().components);
    ASSERT_EQ(result.looserMatches.size(), 1);
    EXPECT_EQ(result.looserMatches.first().reference, "J1");
}

// The cases of the field, on KiCad's own library: "Logo" takes one of the many logos.
TEST_F(ComponentManagerTest, LooserMatchesOfKiCadsLibraryAreListed)
{
    const QString library = QStringLiteral("/usr/share/kicad/footprints");
    if (!QFileInfo(library + "/Symbol.pretty").isDir())
        GTEST_SKIP() << "KiCad's footprint library is not installed";
    rig.footprints.addSearchPath(library);
    rig.setNetlist({netlistComponent("LOGO1", "Logo"), netlistComponent("J1", "BUS_PC"),
                    netlistComponent("R1", "Resistor_SMD:R_0805_2012Metric")});
    const auto result = rig.manager.generateComponents(rig.project.netlist().components);
    ASSERT_EQ(result.looserMatches.size(), 2);
    EXPECT_EQ(result.looserMatches.at(0).reference, "J1");
    EXPECT_EQ(result.looserMatches.at(0).foundFootprint, "BUS_PCI_Express_Mini_Dual");
    EXPECT_EQ(result.looserMatches.at(1).reference, "LOGO1");
    EXPECT_TRUE(result.looserMatches.at(1).foundFootprint.contains("Logo"));
    EXPECT_GT(result.looserMatches.at(1).candidates, 10);
}

} // namespace
