// Component undo commands on a real component manager (interactive context without a view):
// the first redo applies nothing, undo and redo re-apply states, quick moves merge, and a step
// that can no longer apply leaves the history instead of pretending it ran.
#include "app/componentcommands.h"

#include "../components/componenttestrig.h"
#include "logcapture.h"

#include "model/placedcomponentdata.h"

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

TEST_F(ComponentCommandsTest, AFootprintThatWasMissingCannotBeUndoneAndIsDropped)
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

} // namespace
