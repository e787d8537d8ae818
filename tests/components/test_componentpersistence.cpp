// Saving and loading placed components: the save list, the footprints carried by the project,
// and the recreation of components from the project file's objects.
#include "componenttestrig.h"
#include "footprintlibrarytestutil.h"
#include "logcapture.h"
#include "testsupport.h"

#include "model/footprintdata.h"
#include "model/placedcomponentdata.h"
#include "model/savedcomponent.h"
#include "project/projectmanager.h"

#include <QFile>
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

// The zones of a real KiCad footprint, with its pads left out: KiCad's library has no
// footprint drawn with zones alone, and such a footprint is centred on its zones.
QByteArray zoneOnlyFootprint(const QString& name)
{
    QFile real(QStringLiteral(
        "/usr/share/kicad/footprints/Potentiometer_THT.pretty/Potentiometer_Alps_RK09L_Single_Vertical.kicad_mod"));
    QStringList zones;
    if (real.open(QIODevice::ReadOnly))
        zones = FootprintManager::extractBlocks(QString::fromUtf8(real.readAll()), QStringLiteral("zone"));
    if (zones.isEmpty())
        zones << QStringLiteral("(zone (net 0) (layer \"F.Cu\") (polygon (pts (xy 4 4.5) (xy 2.5 4.5) (xy 2.5 0.5) "
                                "(xy 4 0.5))))")
              << QStringLiteral("(zone (net 0) (layer \"F.Cu\") (polygon (pts (xy 12.4 4.5) (xy 11 4.5) (xy 11 0.5) "
                                "(xy 12.4 0.5))))");
    return QStringLiteral("(footprint \"%1\" (version 20221018) (generator pcbnew)\n  (layer \"F.Cu\")\n  %2\n)\n")
        .arg(name, zones.join(QStringLiteral("\n  ")))
        .toUtf8();
}

// The body of each component, in model coordinates.
QMap<QString, TestSupport::Box> bodies(const ComponentManager& manager)
{
    QMap<QString, TestSupport::Box> boxes;
    for (auto it = manager.components().cbegin(); it != manager.components().cend(); ++it)
        boxes.insert(it.key(), TestSupport::boxOf(it->compositeShape->Shape()));
    return boxes;
}

void expectSameBodies(const QMap<QString, TestSupport::Box>& actual, const QMap<QString, TestSupport::Box>& expected)
{
    ASSERT_EQ(actual.keys(), expected.keys());
    for (const QString& ref : expected.keys()) {
        const TestSupport::Box a = actual.value(ref);
        const TestSupport::Box e = expected.value(ref);
        for (const auto& [got, want] : {std::pair{a.xmin, e.xmin}, {a.xmax, e.xmax}, {a.ymin, e.ymin},
                                        {a.ymax, e.ymax}, {a.zmin, e.zmin}, {a.zmax, e.zmax}})
            EXPECT_NEAR(got, want, kTol) << ref.toStdString();
    }
}

// Opens the project file into the rig the way the window does, then saves it under saveAs.
void openAndSave(Rig& rig, const QString& path, const QString& saveAs)
{
    QList<QJsonObject> placed;
    QList<FootprintData> footprints;
    ASSERT_TRUE(rig.project.loadProject(path, placed, footprints)) << rig.project.lastError().toStdString();
    for (const FootprintData& footprint : footprints)
        rig.footprints.registerEmbeddedFootprint(footprint);
    const auto result = rig.manager.loadFromJson(placed);
    ASSERT_EQ(result.loaded, int(placed.size()));
    ASSERT_TRUE(rig.project.saveProject(saveAs, rig.manager.componentsForSave(), rig.manager.usedFootprints(), false));
}

// A footprint drawn with copper zones alone keeps its body (the cavity) where it was across
// open → save → open, with no footprint folder to fall back on.
TEST(ComponentPersistenceTest, ZoneOnlyFootprintKeepsItsBodyAcrossOpenSaveOpen)
{
    QTemporaryDir dir;
    FootprintLibraryTest::writeFile(QDir(dir.path()), "Lib.pretty/ZoneOnly.kicad_mod", zoneOnlyFootprint("ZoneOnly"));
    const QString first = dir.filePath("first.vtq");
    QMap<QString, TestSupport::Box> placed;
    {
        Rig rig;
        rig.footprints.addSearchPath(dir.filePath("Lib.pretty"));
        rig.setNetlist({netlistComponent("AE1", "Lib:ZoneOnly"), netlistComponent("R1", "Builtin_0805")});
        ASSERT_EQ(rig.manager.generateComponents(rig.project.netlist().components).loaded, 2);
        ASSERT_TRUE(rig.manager.rotateComponent("AE1", 90.0));
        placed = bodies(rig.manager);
        const PlacedComponentData* antenna = rig.manager.findComponent("AE1");
        // Centred on its zones, not on its origin: the case that moved.
        const double middleX = (placed["AE1"].xmin + placed["AE1"].xmax) / 2 - antenna->position.X();
        const double middleY = (placed["AE1"].ymin + placed["AE1"].ymax) / 2 - antenna->position.Y();
        ASSERT_GT(std::hypot(middleX, middleY), 1.0);
        ASSERT_TRUE(rig.project.saveProject(first, rig.manager.componentsForSave(), rig.manager.usedFootprints(),
                                            false));
    }
    const QString second = dir.filePath("second.vtq");
    {
        Rig opened;
        openAndSave(opened, first, second);
        expectSameBodies(bodies(opened.manager), placed);
    }
    Rig reopened;
    openAndSave(reopened, second, dir.filePath("third.vtq"));
    expectSameBodies(bodies(reopened.manager), placed);
}

// Entries of the file that are not placed say why, for the load report.
TEST(ComponentPersistenceTest, EntriesLeftOutAreToldWithTheirPlaceInTheFile)
{
    Rig rig;
    const auto result = rig.manager.loadFromJson({stored("R1", "Builtin_0805"), QJsonObject{{"posX", 3.0}},
                                                  stored("R2", "Builtin_0805"), stored("R1", "Builtin_1206")});
    EXPECT_EQ(result.loaded, 2);
    EXPECT_EQ(result.skipped,
              (QStringList{"placed component 2 of the file has no reference: left out",
                           "placed component R1 appears again as entry 4 of the file: the first entry was kept, "
                           "this one left out"}));
    EXPECT_TRUE(rig.manager.loadFromJson({stored("R1", "Builtin_0805")}).skipped.isEmpty());
}

// A pad without a size makes its component a substitute; the reason names the pad and its size.
TEST(ComponentPersistenceTest, APadWithoutASizeIsNamedAsTheReasonForTheSubstitute)
{
    FootprintData footprint;
    footprint.name = QStringLiteral("FlatPad");
    for (const auto& [number, width, height] :
         {std::tuple{"1", 1.0, 1.3}, std::tuple{"EP", 0.0, 0.0}, std::tuple{"3", 1.0, 1.3}}) {
        FootprintPad pad;
        pad.number = QString::fromUtf8(number);
        pad.shape = QStringLiteral("rect");
        pad.width = width;
        pad.height = height;
        pad.posX = footprint.copperPads.size() * 2.0;
        pad.layers = QStringLiteral("F.Cu");
        footprint.copperPads.append(pad);
    }
    Rig rig;
    rig.footprints.registerEmbeddedFootprint(footprint);
    const auto result = rig.manager.loadFromJson({stored("U1", "FlatPad")});
    ASSERT_EQ(result.missingFootprints.size(), 1);
    EXPECT_EQ(result.missingFootprints.first().reason,
              "pad “EP” has size 0 × 0 mm (a pad needs a width and a height above 0)");
}

} // namespace
