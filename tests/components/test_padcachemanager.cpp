// Pad index: entries by object, by topology and by component; repair after a move and purge
// of entries whose component is gone.
#include "componenttestrig.h"
#include "logcapture.h"

#include <BRepPrimAPI_MakeBox.hxx>

#include <gtest/gtest.h>

using namespace ComponentTest;

namespace {

opencascade::handle<AIS_Shape> padObject(double x = 0.0)
{
    return new AIS_Shape(BRepPrimAPI_MakeBox(gp_Pnt(x, 0, 0), 1.0, 1.0, 1.0).Shape());
}

TEST(PadCacheManagerTest, RefusesInvalidInputAndRepeatedEntries)
{
    PadCacheManager cache(makeHeadlessContext());
    FoundationLogCapture log;
    const auto pad = padObject();
    EXPECT_FALSE(cache.addPad(opencascade::handle<AIS_Shape>(), PadId("R1", "1")));
    EXPECT_FALSE(cache.addPad(pad, PadId("R1", "")));
    EXPECT_FALSE(cache.addPad(pad, PadId("", "1")));
    EXPECT_EQ(log.warnings().size(), 3);
    EXPECT_TRUE(log.contains("PadCacheManager::addPad: null shape or invalid PadId for"));

    EXPECT_TRUE(cache.addPad(pad, PadId("R1", "1")));
    EXPECT_FALSE(cache.addPad(pad, PadId("R1", "1"))); // same object, same solid
    EXPECT_EQ(cache.size(), 1);
    EXPECT_TRUE(cache.verifyIntegrity());
}

TEST(PadCacheManagerTest, ANewSolidReKeysTheEntryAndASharedTopologyEvictsTheOldObject)
{
    PadCacheManager cache(makeHeadlessContext());
    const auto a = padObject();
    ASSERT_TRUE(cache.addPad(a, PadId("R1", "1")));

    a->SetShape(BRepPrimAPI_MakeBox(gp_Pnt(5, 0, 0), 1.0, 1.0, 1.0).Shape()); // moved
    EXPECT_TRUE(cache.addPad(a, PadId("R1", "1")));
    EXPECT_EQ(cache.size(), 1);
    EXPECT_TRUE(cache.verifyIntegrity());

    const auto b = new AIS_Shape(a->Shape()); // shows the same topology
    EXPECT_TRUE(cache.addPad(b, PadId("R1", "2")));
    EXPECT_EQ(cache.peek(a), PadId());
    EXPECT_EQ(cache.peek(b), PadId("R1", "2"));
    EXPECT_TRUE(cache.verifyIntegrity());
}

TEST(PadCacheManagerTest, LookupFollowsTheTopologyToANewObject)
{
    PadCacheManager cache(makeHeadlessContext());
    const auto indexed = padObject();
    ASSERT_TRUE(cache.addPad(indexed, PadId("R1", "1")));
    const opencascade::handle<AIS_Shape> stranger = new AIS_Shape(indexed->Shape());
    // peek never repairs.
    EXPECT_EQ(cache.peek(stranger), PadId());
    EXPECT_EQ(cache.lookupWithFallback(stranger), PadId("R1", "1"));
    EXPECT_EQ(cache.peek(stranger), PadId("R1", "1"));
    EXPECT_EQ(cache.peek(indexed), PadId());
    EXPECT_TRUE(cache.verifyIntegrity());
}

TEST(PadCacheManagerTest, EntriesOfVanishedComponentsArePurgedOnLookup)
{
    Rig rig;
    rig.setNetlist({netlistComponent("R1", "Builtin_0805")});
    rig.manager.generateComponents(rig.project.netlist().components);
    const auto pad = rig.manager.findComponent("R1")->pads.first().aisShape;

    // An index that the manager does not feed, to see the purge on lookup.
    PadCacheManager detached(rig.context);
    detached.setComponentManager(&rig.manager);
    ASSERT_TRUE(detached.addPad(pad, PadId("R1", "1")));
    FoundationLogCapture log;
    EXPECT_EQ(detached.lookupWithFallback(padObject(20)), PadId());

    rig.manager.removeComponent("R1");
    EXPECT_EQ(detached.lookupWithFallback(pad), PadId());
    EXPECT_TRUE(log.contains("in the AIS cache but the component is gone — entry purged"));
    EXPECT_EQ(detached.peek(pad), PadId());
    EXPECT_TRUE(detached.verifyIntegrity());
}

TEST(PadCacheManagerTest, IdentifiesPadsAndTheirPositions)
{
    Rig rig;
    rig.setNetlist({netlistComponent("R1", "Builtin_0805")});
    rig.manager.generateComponents(rig.project.netlist().components);
    const PlacedPadData& pad = rig.manager.findComponent("R1")->pads.first();

    PadCacheManager early(rig.context);
    FoundationLogCapture log;
    ASSERT_TRUE(early.addPad(pad.aisShape, PadId("R1", pad.number)));
    const PadCacheManager::PadIdentity blind = early.identifyPad(pad.aisShape);
    EXPECT_TRUE(blind.found); // no manager yet: found, but at the origin
    EXPECT_LT(blind.position.Distance(gp_Pnt(0, 0, 0)), 1e-9);

    early.setComponentManager(&rig.manager);
    const PadCacheManager::PadIdentity known = early.identifyPad(pad.aisShape);
    EXPECT_TRUE(known.found);
    EXPECT_LT(known.position.Distance(pad.worldPosition), 1e-9);

    const auto other = padObject(30);
    ASSERT_TRUE(early.addPad(other, PadId("R1", "99")));
    EXPECT_FALSE(early.identifyPad(other).found);
    EXPECT_TRUE(log.contains("not found in component"));
    EXPECT_FALSE(early.identifyPad(opencascade::handle<AIS_Shape>()).found);
}

TEST(PadCacheManagerTest, RemovingAComponentsPadsTakesThemOutOfTheView)
{
    const auto context = makeHeadlessContext();
    PadCacheManager cache(context);
    QList<opencascade::handle<AIS_Shape>> pads;
    for (int i = 0; i < 3; ++i) {
        pads << padObject(i * 2.0);
        context->Display(pads.last(), false);
        ASSERT_TRUE(cache.addPad(pads.last(), PadId("R1", QString::number(i + 1))));
    }
    const auto stranger = padObject(40);
    context->Display(stranger, false);
    EXPECT_FALSE(cache.removePad(stranger));
    EXPECT_TRUE(context->IsDisplayed(stranger));

    cache.removeComponentPads("R1");
    cache.removeComponentPads("R1");
    for (const auto& pad : pads)
        EXPECT_FALSE(context->IsDisplayed(pad));
    EXPECT_EQ(cache.size(), 0);
    EXPECT_TRUE(cache.verifyIntegrity());
}

} // namespace
