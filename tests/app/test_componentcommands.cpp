// Component undo commands on a real component manager (interactive context without a view):
// the first redo applies nothing, undo and redo re-apply states, quick moves merge, and a step
// that can no longer apply leaves the history instead of pretending it ran.
#include "app/componentcommands.h"

#include "../components/componenttestrig.h"
#include "../components/footprintlibrarytestutil.h"
#include "logcapture.h"

#include "model/placedcomponentdata.h"
#include "model/savedcomponent.h"
#include "project/projectfile.h"

#include <BRepBndLib.hxx>
#include <QTemporaryDir>

#include <QThread>

#include <tuple>
#include <QUndoStack>

#include <gtest/gtest.h>

using namespace ComponentTest;

namespace {

constexpr double kTol = 1e-6;

class ComponentCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rig.setNetlist({netlistComponent("R1", "Builtin_0805"), netlistComponent("R2", "Builtin_1206")});
        rig.manager.generateComponents(rig.project.netlist().components);
    }

    gp_Pnt position(const QString& ref) { return rig.manager.findComponent(ref)->position; }

    // Moves interactively, then records the move the way the window does.
    void moveAndPush(const QString& ref, const gp_Pnt& to)
    {
        const gp_Pnt from = position(ref);
        ASSERT_TRUE(rig.manager.moveComponent(ref, to));
        stack.push(new MoveComponentCommand(&rig.manager, ref, from, to));
    }

    Rig rig;
    QUndoStack stack;
};

TEST_F(ComponentCommandsTest, PushAppliesNothingThenUndoAndRedoReapply)
{
    const gp_Pnt start = position("R1");
    int changes = 0;
    QObject::connect(&rig.manager, &ComponentManager::componentChanged, [&] { ++changes; });
    moveAndPush("R1", gp_Pnt(10, 10, 5.1));
    EXPECT_EQ(changes, 1); // the interactive move only
    stack.undo();
    EXPECT_LT(position("R1").Distance(start), kTol);
    stack.redo();
    EXPECT_LT(position("R1").Distance(gp_Pnt(10, 10, 5.1)), kTol);
    EXPECT_EQ(changes, 3);
}

TEST_F(ComponentCommandsTest, QuickMovesOfOneComponentMergeOthersDoNot)
{
    const gp_Pnt start = position("R1");
    moveAndPush("R1", gp_Pnt(1, 0, 5.1));
    moveAndPush("R1", gp_Pnt(2, 0, 5.1));
    moveAndPush("R1", gp_Pnt(3, 0, 5.1));
    EXPECT_EQ(stack.count(), 1);
    EXPECT_EQ(stack.text(0), "Move R1");
    moveAndPush("R2", gp_Pnt(0, 9, 5.1));
    EXPECT_EQ(stack.count(), 2);

    QThread::msleep(520);
    moveAndPush("R2", gp_Pnt(0, 12, 5.1));
    EXPECT_EQ(stack.count(), 3);

    stack.setClean();
    moveAndPush("R2", gp_Pnt(0, 14, 5.1)); // never merged into the clean state
    EXPECT_EQ(stack.count(), 4);

    stack.undo();
    stack.undo();
    stack.undo();
    stack.undo();
    EXPECT_LT(position("R1").Distance(start), kTol);
}

TEST_F(ComponentCommandsTest, RotationsMergePropertiesNeverDo)
{
    ASSERT_TRUE(rig.manager.rotateComponent("R1", 90));
    stack.push(new RotateComponentCommand(&rig.manager, "R1", 0, 90));
    ASSERT_TRUE(rig.manager.rotateComponent("R1", 180));
    stack.push(new RotateComponentCommand(&rig.manager, "R1", 90, 180));
    EXPECT_EQ(stack.count(), 1);

    const ComponentProperties p = componentPropertiesOf(*rig.manager.findComponent("R1"));
    ComponentProperties taller = p;
    taller.bodyHeight = 5.0;
    ASSERT_TRUE(rig.manager.applyProperties("R1", taller));
    stack.push(new ApplyPropertiesCommand(&rig.manager, "R1", p, taller));
    stack.push(new ApplyPropertiesCommand(&rig.manager, "R1", taller, taller));
    EXPECT_EQ(stack.count(), 3);

    stack.undo();
    stack.undo();
    EXPECT_NEAR(rig.manager.findComponent("R1")->bodyHeight, p.bodyHeight, kTol);
    stack.undo();
    EXPECT_NEAR(rig.manager.findComponent("R1")->rotation, 0.0, kTol);
}

TEST_F(ComponentCommandsTest, StepsOfRegeneratedComponentsAreDropped)
{
    moveAndPush("R1", gp_Pnt(10, 10, 5.1));
    moveAndPush("R2", gp_Pnt(-10, 10, 5.1));
    EXPECT_EQ(stack.count(), 2);
    rig.manager.generateComponents(rig.project.netlist().components);
    const gp_Pnt fresh = position("R2");

    FoundationLogCapture log;
    stack.undo();
    EXPECT_LT(position("R2").Distance(fresh), kTol); // the old state is not forced on the new R2
    EXPECT_EQ(stack.count(), 1);
    EXPECT_TRUE(log.contains("Component undo step dropped"));
}

TEST_F(ComponentCommandsTest, AStepWithNoFootprintToGoBackToIsDropped)
{
    stack.push(new ReplaceFootprintCommand(&rig.manager, "R1", {QString(), {}}, {"/nowhere/R.kicad_mod", {}}));
    FoundationLogCapture log;
    stack.undo();
    EXPECT_TRUE(log.contains("ReplaceFootprintCommand: empty footprint path for"));
    EXPECT_EQ(stack.count(), 0);
    EXPECT_EQ(rig.manager.findComponent("R1")->footprintName, "Builtin_0805");
}

// The new footprint brings its defaults; undo gives back every value the user had set on the
// old one (and redo the new footprint's), pads included.
TEST_F(ComponentCommandsTest, FootprintChangeUndoGivesBackTheWholeComponent)
{
    ComponentProperties edited = componentPropertiesOf(*rig.manager.findComponent("R1"));
    edited.footprintThickness = 2.2;
    edited.bodyUndercut = 0.9;
    edited.bodyHeight = 7.0;
    edited.padXYScale = 80.0;
    edited.bodyWidth = 6.5;
    ASSERT_TRUE(rig.manager.applyProperties("R1", edited));
    const PlacedComponentData* r1 = rig.manager.findComponent("R1");
    const ComponentProperties before = componentPropertiesOf(*r1);
    const gp_Pnt padBefore = r1->pads.first().worldPosition;
    const double padWidthBefore = r1->pads.first().scaledWidth;

    ASSERT_TRUE(rig.manager.replaceFootprint("R1", "Builtin_1206"));
    const ComponentProperties after = componentPropertiesOf(*rig.manager.findComponent("R1"));
    ASSERT_NE(after.footprintThickness, 2.2) << "the new footprint's defaults apply";
    stack.push(new ReplaceFootprintCommand(&rig.manager, "R1", {"Builtin_0805", before}, {"Builtin_1206", after}));

    const auto expectValues = [&](const ComponentProperties& want) {
        const ComponentProperties got = componentPropertiesOf(*rig.manager.findComponent("R1"));
        EXPECT_EQ(got.footprintName, want.footprintName);
        for (const auto& [name, a, b] :
             {std::tuple{"thickness", got.footprintThickness, want.footprintThickness},
              std::tuple{"undercut", got.bodyUndercut, want.bodyUndercut},
              std::tuple{"body height", got.bodyHeight, want.bodyHeight},
              std::tuple{"body width", got.bodyWidth, want.bodyWidth},
              std::tuple{"body length", got.bodyLength, want.bodyLength},
              std::tuple{"offset", got.bodyOffsetZ, want.bodyOffsetZ},
              std::tuple{"pad scale", got.padXYScale, want.padXYScale},
              std::tuple{"margin x", got.bodyMarginX, want.bodyMarginX},
              std::tuple{"margin y", got.bodyMarginY, want.bodyMarginY}})
            EXPECT_NEAR(a, b, kTol) << name;
    };
    stack.undo();
    expectValues(before);
    r1 = rig.manager.findComponent("R1");
    EXPECT_LT(r1->pads.first().worldPosition.Distance(padBefore), kTol) << "pads at their old height";
    EXPECT_NEAR(r1->pads.first().scaledWidth, padWidthBefore, kTol);
    stack.redo();
    expectValues(after);
    stack.undo();
    expectValues(before);
    EXPECT_EQ(stack.count(), 1);
}

// A footprint chosen for a component whose own could not be placed: undo gives back its red
// substitute box as it was (turned with it, no pads, asking for the same footprint for the same
// reason), a save then stores it as one, and redo brings the chosen footprint back.
TEST_F(ComponentCommandsTest, UndoOfAFootprintChosenForASubstituteBringsTheSubstituteBack)
{
    QTemporaryDir dir;
    FootprintLibraryTest::writeFile(QDir(dir.path()), "Lib.pretty/Flat.kicad_mod",
                                    "(footprint \"Flat\" (layer \"F.Cu\")\n"
                                    "  (pad \"1\" smd rect (at 0 0) (size 0 0) (layers \"F.Cu\")))\n");
    rig.footprints.addSearchPath(dir.filePath("Lib.pretty"));
    rig.setNetlist({netlistComponent("U1", "Lib:Flat")});
    rig.manager.generateComponents(rig.project.netlist().components);
    ASSERT_TRUE(rig.manager.rotateComponent("U1", 30.0));
    const PlacedComponentData was = *rig.manager.findComponent("U1");
    ASSERT_TRUE(was.hasMissingFootprint);
    const QString reason = rig.footprints.problemWith(was.requestedFootprint);
    ASSERT_FALSE(reason.isEmpty());
    const auto boxOf = [](const PlacedComponentData& c) {
        Bnd_Box box;
        BRepBndLib::Add(c.compositeShape->Shape(), box);
        return box;
    };
    const Bnd_Box boxBefore = boxOf(was);

    const QString chosen = FootprintLibraryTest::writeFile(QDir(dir.path()), "Chosen.kicad_mod",
                                                           FootprintLibraryTest::twoPadFootprint("Chosen"));
    ASSERT_TRUE(rig.manager.replaceFootprint("U1", chosen));
    stack.push(new ReplaceFootprintCommand(&rig.manager, "U1",
                                           {QString(), componentPropertiesOf(was), was.requestedFootprint},
                                           {chosen, componentPropertiesOf(*rig.manager.findComponent("U1"))}));

    stack.undo();
    ASSERT_EQ(stack.count(), 1) << "the undo step ran";
    const PlacedComponentData* u1 = rig.manager.findComponent("U1");
    EXPECT_TRUE(u1->hasMissingFootprint);
    EXPECT_EQ(u1->requestedFootprint, was.requestedFootprint);
    EXPECT_EQ(rig.footprints.problemWith(u1->requestedFootprint), reason);
    EXPECT_TRUE(u1->pads.isEmpty());
    EXPECT_EQ(displayedCount(rig.context), 1) << "the box alone, the chosen pads gone";
    const Bnd_Box boxAfter = boxOf(*u1);
    EXPECT_LT(boxAfter.CornerMin().Distance(boxBefore.CornerMin()), kTol);
    EXPECT_LT(boxAfter.CornerMax().Distance(boxBefore.CornerMax()), kTol);

    const QList<SavedComponent> saved = rig.manager.componentsForSave();
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved[0].effectiveFootprintName, was.requestedFootprint);
    Rig reopened;
    for (const FootprintData& footprint : rig.manager.usedFootprints())
        reopened.footprints.registerEmbeddedFootprint(footprint);
    const auto loaded =
        reopened.manager.loadFromJson({placedComponentToJson(saved[0].data, saved[0].effectiveFootprintName)});
    EXPECT_EQ(loaded.missing, 1) << "a reopen shows the substitute box";

    stack.redo();
    u1 = rig.manager.findComponent("U1");
    EXPECT_FALSE(u1->hasMissingFootprint);
    EXPECT_EQ(u1->pads.size(), 2);
    EXPECT_EQ(displayedCount(rig.context), 3);
}

} // namespace
