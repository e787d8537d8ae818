// Saving and loading placed components: the save list, the footprints carried by the project,
// and the recreation of components from the project file's objects.
#include "componenttestrig.h"
#include "footprintlibrarytestutil.h"
#include "logcapture.h"

#include "model/footprintdata.h"
#include "model/placedcomponentdata.h"
#include "model/savedcomponent.h"

#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ComponentTest;

namespace {

constexpr double kTol = 1e-6;

QJsonObject stored(const QString& ref, const QString& footprint, double rotation = 0.0)
{
    return QJsonObject{{"ref", ref}, {"footprintName", footprint}, {"posX", 10.0}, {"posY", -4.0},
                       {"posZ", 5.1},  {"rotation", rotation}};
}

TEST(ComponentPersistenceTest, LoadsRotationsAndCountsEntriesWithoutAReference)
{
    Rig rig;
    FoundationLogCapture log;
    QSignalSpy population(&rig.manager, &ComponentManager::populationChanged);
    QSignalSpy missingSignal(&rig.manager, &ComponentManager::missingFootprintsDetected);
    const ComponentManager::GenerateResult result = rig.manager.loadFromJson(
        {stored("R1", "Builtin_0805", 450.0), QJsonObject{{"footprintName", "Builtin_0805"}},
         stored("U1", "Gone", 30.0), stored("U2", "Gone", 0.005)});

    EXPECT_EQ(result.loaded, 1);
    EXPECT_EQ(result.missing, 3);
    EXPECT_EQ(result.missingFootprints.size(), 2);
    EXPECT_TRUE(log.contains("loadFromJson: entry without a ref skipped"));
    ASSERT_EQ(population.size(), 1);
    EXPECT_EQ(missingSignal.size(), 0);

    const PlacedComponentData* r1 = rig.manager.findComponent("R1");
    EXPECT_NEAR(r1->rotation, 90.0, kTol);
    // Turned by 90°: the pads, side by side along X in the footprint, now line up along Y.
    EXPECT_NEAR(r1->pads[0].worldPosition.X(), r1->pads[1].worldPosition.X(), kTol);
    EXPECT_GT(std::abs(r1->pads[0].worldPosition.Y() - r1->pads[1].worldPosition.Y()), 0.5);
    EXPECT_NEAR(rig.manager.findComponent("U1")->rotation, 30.0, kTol);
    EXPECT_NEAR(rig.manager.findComponent("U2")->rotation, 0.0, kTol);
    EXPECT_EQ(rig.manager.findComponent("U1")->styleCode, 1);
    EXPECT_TRUE(rig.padCache.verifyIntegrity());
    EXPECT_EQ(rig.padCache.size(), 2);
}

TEST(ComponentPersistenceTest, ASecondEntryForOneReferenceIsSkippedNotCountedAsPlaced)
{
    Rig rig;
    FoundationLogCapture log;
    QJsonObject again = stored("R1", "Builtin_0805", 90.0);
    again.insert("posX", 30.0);
    const auto result = rig.manager.loadFromJson({stored("R1", "Builtin_0805"), again});
    EXPECT_EQ(result.loaded, 1);
    EXPECT_EQ(result.missing, 1);
    EXPECT_TRUE(log.contains("loadFromJson: second entry for \"R1\" skipped")) << log.joined().toStdString();
    const PlacedComponentData* r1 = rig.manager.findComponent("R1");
    ASSERT_NE(r1, nullptr);
    EXPECT_NEAR(r1->position.X(), 10.0, kTol);
    EXPECT_NEAR(r1->rotation, 0.0, kTol);
    EXPECT_EQ(rig.padCache.size(), 2);
    EXPECT_TRUE(rig.padCache.verifyIntegrity());
}

TEST(ComponentPersistenceTest, SaveListNamesTheReplacementAndEmbedsEachFootprintOnce)
{
    Rig rig;
    rig.setNetlist({netlistComponent("R1", "Builtin_0805"), netlistComponent("R2", "Builtin_0805"),
                    netlistComponent("U1", "Gone")});
    rig.manager.generateComponents(rig.project.netlist().components);
    ASSERT_TRUE(rig.manager.replaceFootprint("R2", "Builtin_1206"));

    const QList<SavedComponent> saved = rig.manager.componentsForSave();
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(saved[0].effectiveFootprintName, "Builtin_0805");
    EXPECT_EQ(saved[1].effectiveFootprintName, "Builtin_1206");
    EXPECT_EQ(saved[2].effectiveFootprintName, "Gone");

    QStringList names;
    for (const FootprintData& footprint : rig.manager.usedFootprints())
        names << footprint.name;
    EXPECT_EQ(names, (QStringList{"Builtin_0805", "Builtin_1206"}));
}

// A footprint found by a looser lookup ("r_0805" for the file R_0805.kicad_mod, or a bare
// word of its name) must come back with the project when no folder holds it any more.
class LooserLookupRoundTrip : public ::testing::TestWithParam<const char*>
{
};

TEST_P(LooserLookupRoundTrip, ReopensWithTheEmbeddedFootprint)
{
    QTemporaryDir dir;
    FootprintLibraryTest::writeFile(QDir(dir.path()), "Lib.pretty/R_0805.kicad_mod",
                                    FootprintLibraryTest::twoPadFootprint("R_0805"));
    QList<SavedComponent> saved;
    QList<FootprintData> footprints;
    {
        Rig rig;
        rig.footprints.addSearchPath(dir.filePath("Lib.pretty"));
        rig.setNetlist({netlistComponent("R1", GetParam())});
        const auto result = rig.manager.generateComponents(rig.project.netlist().components);
        ASSERT_EQ(result.loaded, 1);
        saved = rig.manager.componentsForSave();
        footprints = rig.manager.usedFootprints();
    }

    Rig reopened;
    for (const FootprintData& footprint : footprints)
        reopened.footprints.registerEmbeddedFootprint(footprint);
    QJsonObject object = stored("R1", saved[0].effectiveFootprintName);
    const auto result = reopened.manager.loadFromJson({object});
    EXPECT_EQ(result.loaded, 1) << saved[0].effectiveFootprintName.toStdString();
    EXPECT_EQ(reopened.manager.findComponent("R1")->pads.size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Names, LooserLookupRoundTrip, ::testing::Values("R_0805", "Lib:r_0805", "0805"));

TEST(ComponentPersistenceTest, OutOfRangeStoredValuesNeverBreakTheLoad)
{
    Rig rig;
    FoundationLogCapture log;
    QJsonObject object = stored("R1", "Builtin_0805");
    object.insert("posX", 1e300);
    object.insert("bodyHeight", -5.0);     // refused by the rebuild: the footprint's own values stay shown
    object.insert("footprintThickness", "thick");
    const auto result = rig.manager.loadFromJson({object});
    EXPECT_EQ(result.loaded, 1);
    const PlacedComponentData* r1 = rig.manager.findComponent("R1");
    EXPECT_NEAR(r1->position.X(), 0.0, kTol);
    EXPECT_NEAR(r1->footprintThickness, 1.0, kTol);
    EXPECT_TRUE(log.contains("out of range"));
    EXPECT_TRUE(log.contains("loadFromJson: rebuild failed for"));
    EXPECT_EQ(r1->pads.size(), 2);
}

} // namespace
