// Component undo commands on a real component manager (interactive context without a view):
// the first redo applies nothing, undo and redo re-apply states, quick moves merge, and a step
// that can no longer apply leaves the history instead of pretending it ran.
#include "app/componentcommands.h"

#include "../components/componenttestrig.h"
#include "logcapture.h"

#include "model/placedcomponentdata.h"

#include <QThread>
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
    stack.push(new ReplaceFootprintCommand(&rig.manager, "R1", QString(), "/nowhere/R.kicad_mod"));
    FoundationLogCapture log;
    stack.undo();
    EXPECT_TRUE(log.contains("ReplaceFootprintCommand: empty footprint path for"));
    EXPECT_EQ(stack.count(), 0);
    EXPECT_EQ(rig.manager.findComponent("R1")->footprintName, "Builtin_0805");
}

} // namespace
