// Footprints no real library holds: values that OpenCASCADE cannot build (a pad turned by
// 1e308 degrees hung the mesher), more pads than any real part, and running out of memory
// while reading or placing. Each is refused with the reason, never placed, and a footprint
// restored from a project is kept as it was read so that the next save still holds it.
#include "componenttestrig.h"
#include "footprintlibrarytestutil.h"
#include "gldriver.h"
#include "logcapture.h"
#include "testsupport.h"

#include "model/designlimits.h"
#include "model/footprintdata.h"
#include "model/savedcomponent.h"
#include "project/netlistupdate.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace ComponentTest;
using FootprintLibraryTest::writeFile;

namespace {

QString padLine(const QString& number, const QString& at, const QString& size)
{
    return QStringLiteral("  (pad \"%1\" smd rect (at %2) (size %3) (layers \"F.Cu\" \"F.Paste\"))\n")
        .arg(number, at, size);
}

QByteArray footprintText(const QString& name, const QString& pads)
{
    return (QStringLiteral("(footprint \"%1\" (version 20211014) (layer \"F.Cu\")\n").arg(name) + pads
            + QStringLiteral(")\n"))
        .toUtf8();
}

QByteArray gridFootprint(const QString& name, int padCount)
{
    QString pads;
    for (int i = 0; i < padCount; ++i)
        pads += padLine(QString::number(i + 1), QStringLiteral("%1 %2").arg(i % 100).arg(i / 100),
                        QStringLiteral("0.5 0.5"));
    return footprintText(name, pads);
}

// 1 followed by 308 zeros: finite, but infinite once multiplied by π.
QString hugeNumber()
{
    return QStringLiteral("1") + QString(308, QLatin1Char('0'));
}

FootprintData embedded(const QString& name)
{
    FootprintData footprint;
    footprint.name = name;
    for (int i = 0; i < 2; ++i) {
        FootprintPad pad;
        pad.number = QString::number(i + 1);
        pad.posX = i == 0 ? -0.9 : 0.9;
        pad.shape = QStringLiteral("rect");
        pad.width = 1.0;
        pad.height = 1.3;
        pad.layers = QStringLiteral("F.Cu");
        footprint.copperPads.append(pad);
    }
    return footprint;
}

QJsonObject stored(const QString& ref, const QString& footprint)
{
    return QJsonObject{{"ref", ref}, {"footprintName", footprint}, {"posX", 1.0}, {"posY", 2.0}, {"posZ", 5.1}};
}

} // namespace

// The reader refuses a file holding a value that cannot be built, and says which file and which
// value; the component asked for becomes a substitute carrying that reason.
TEST(HostileFootprintTest, FileWithAnUnbuildableValueIsRefusedWithFileAndValue)
{
    struct Row
    {
        const char* label;
        QString pads;
        QString expected;
    };
    const QString ok = padLine("1", "0 0", "1 1");
    const QList<Row> rows = {
        {"pad far away", ok + padLine("2", hugeNumber().left(20) + " 0", "1 1"),
         "pad “2”: X position 1e+19 mm is beyond the limit of 1000 mm"},
        {"negative size", ok + padLine("2", "1 0", "1 -3"), "pad “2”: height -3 mm is negative"},
        {"huge size", ok + padLine("2", "1 0", "5000 1"), "pad “2”: width 5000 mm is beyond the limit of 1000 mm"},
        {"copper track far away",
         ok + QStringLiteral("  (fp_line (start 0 0) (end 0 %1) (width 0.2) (layer \"F.Cu\"))\n").arg(hugeNumber()),
         "track point Y -1e+308 mm is beyond the limit of 1000 mm"},
    };
    QTemporaryDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        Rig rig;
        const QString path = writeFile(QDir(dir.path()), "Bad.kicad_mod", footprintText("Bad", row.pads));
        FoundationLogCapture log;
        EXPECT_FALSE(rig.footprints.loadFootprintFromFile(path));
        EXPECT_FALSE(rig.footprints.hasFootprint("Bad"));
        const QString problem = rig.footprints.problemWith("Bad");
        EXPECT_EQ(problem, QDir::toNativeSeparators(path) + ": " + row.expected);
        EXPECT_TRUE(log.contains("Footprint file refused:"));

        rig.footprints.addSearchPath(dir.path());
        rig.setNetlist({netlistComponent("U1", "Lib:Bad", "X")});
        const auto result = rig.manager.generateComponents(rig.project.netlist().components);
        ASSERT_EQ(result.missingFootprints.size(), 1);
        EXPECT_EQ(result.missingFootprints.at(0).reason, problem);
        EXPECT_TRUE(rig.manager.findComponent("U1")->hasMissingFootprint);
    }
}

// A pad turned by 1e308 degrees: the turn is taken modulo 360 and the component is placed,
// by Generate and by Replace, instead of hanging in the mesher.
TEST(HostileFootprintTest, HugeRotationIsPlacedByGenerateAndReplace)
{
    QTemporaryDir dir;
    const QString pads = padLine("1", QStringLiteral("-1 0 %1").arg(hugeNumber()), "1 2")
        + padLine("2", QStringLiteral("1 0 -%1").arg(hugeNumber()), "1 2");
    writeFile(QDir(dir.path()), "Turned.kicad_mod", footprintText("Turned", pads));
    Rig rig;
    rig.footprints.addSearchPath(dir.path());
    ASSERT_TRUE(rig.footprints.loadFootprint("Turned"));
    for (const FootprintPad& pad : rig.footprints.getFootprint("Turned").copperPads) {
        EXPECT_GE(pad.rotation, 0.0);
        EXPECT_LT(pad.rotation, 360.0);
    }

    rig.setNetlist({netlistComponent("U1", "Turned"), netlistComponent("R1", "Builtin_0805")});
    const auto result = rig.manager.generateComponents(rig.project.netlist().components);
    EXPECT_EQ(result.loaded, 2);
    EXPECT_EQ(rig.manager.findComponent("U1")->pads.size(), 2);
    ASSERT_TRUE(rig.manager.replaceFootprint("R1", "Turned"));
    EXPECT_EQ(rig.manager.findComponent("R1")->pads.size(), 2);

    // The solid itself, for a rotation no reader would give.
    FootprintPad pad = rig.footprints.getFootprint("Turned").copperPads.at(0);
    pad.rotation = 1e308;
    EXPECT_FALSE(FootprintManager::extrudePadWithUndercut(pad, 1.0, 0.4).IsNull());
}

// The same rotation in a project's footprint froze Open: the component is placed, and the
// value goes back into the next save as it was read.
TEST(HostileFootprintTest, HugeRotationInAProjectFootprintOpensAndIsSavedAsRead)
{
    Rig rig;
    FootprintData turned = embedded("Turned");
    turned.copperPads[0].rotation = 1e308;
    turned.copperPads[1].rotation = -1e308;
    rig.footprints.registerEmbeddedFootprint(turned);
    const ComponentManager::GenerateResult result = rig.manager.loadFromJson({stored("U1", "Turned")});
    EXPECT_EQ(result.loaded, 1);
    EXPECT_EQ(rig.manager.findComponent("U1")->pads.size(), 2);
    const QList<FootprintData> saved = rig.manager.usedFootprints();
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(saved.at(0).copperPads.at(0).rotation, 1e308);
}

TEST(HostileFootprintTest, PadCountBeyondTheLimitIsRefusedAndTheLargestRealOneIsNot)
{
    QTemporaryDir dir;
    const QString path =
        writeFile(QDir(dir.path()), "Many.kicad_mod", gridFootprint("Many", DesignLimits::kMaxPadsPerFootprint + 1));
    FootprintManager library;
    FoundationLogCapture log;
    EXPECT_FALSE(library.loadFootprintFromFile(path));
    EXPECT_EQ(library.problemWith("Many"), QDir::toNativeSeparators(path) + ": 10001 copper pads, beyond the limit of "
                                                                          "10000 pads per footprint");

    // KiCad's largest footprint, 1,924 pads, stays well within.
    const QString largest =
        "/usr/share/kicad/footprints/Package_BGA.pretty/Xilinx_FFG1926_FFG1927_FFG1928_FFG1930.kicad_mod";
    if (!QFileInfo::exists(largest))
        GTEST_SKIP() << "KiCad's footprint library is not installed";
    ASSERT_TRUE(library.loadFootprintFromFile(largest));
    EXPECT_EQ(library.getFootprint(QFileInfo(largest).completeBaseName()).copperPads.size(), 1924);
}

// A project's footprint with a value that cannot be built (a pad height of -3, a body margin
// of 5e5, 100,001 pads) is kept as read: its component becomes a substitute that says why, and
// open → save → open gives the footprint back unchanged.
TEST(HostileFootprintTest, UnusableEmbeddedFootprintIsKeptAcrossSaves)
{
    struct Row
    {
        const char* label;
        std::function<void(FootprintData&)> spoil;
        QString reason;
    };
    const QList<Row> rows = {
        {"negative pad height", [](FootprintData& f) { f.copperPads[1].height = -3.0; },
         "pad “2”: height -3 mm is negative"},
        {"body margin", [](FootprintData& f) { f.bodyMarginX = 5e5; },
         "body margin X 500000 mm is beyond the limit of 1000 mm"},
        {"pad count",
         [](FootprintData& f) {
             const FootprintPad pad = f.copperPads.at(0);
             while (f.copperPads.size() <= DesignLimits::kMaxPadsPerFootprint * 10)
                 f.copperPads.append(pad);
         },
         "100001 copper pads, beyond the limit of 10000 pads per footprint"},
    };
    QTemporaryDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        FootprintData spoiled = embedded("Odd");
        row.spoil(spoiled);
        const QString file = dir.filePath("odd.vtq");

        QList<FootprintData> carried = {spoiled};
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            Rig rig;
            FoundationLogCapture log;
            for (const FootprintData& footprint : carried)
                rig.footprints.registerEmbeddedFootprint(footprint);
            const ComponentManager::GenerateResult result = rig.manager.loadFromJson({stored("U1", "Odd")});
            ASSERT_EQ(result.missingFootprints.size(), 1);
            EXPECT_EQ(result.missingFootprints.at(0).reason, row.reason);
            EXPECT_TRUE(rig.manager.findComponent("U1")->hasMissingFootprint);
            EXPECT_TRUE(log.contains("kept but not placed"));

            ASSERT_TRUE(rig.project.saveProject(file, rig.manager.componentsForSave(), rig.manager.usedFootprints(),
                                                false));
            ProjectManager reopened;
            QList<QJsonObject> placed;
            ASSERT_TRUE(reopened.loadProject(file, placed, carried)) << qPrintable(reopened.lastError());
            ASSERT_EQ(carried.size(), 1) << "the footprint is still in the file";
            EXPECT_EQ(carried.at(0).copperPads.size(), spoiled.copperPads.size());
            EXPECT_EQ(carried.at(0).copperPads.at(1).height, spoiled.copperPads.at(1).height);
            EXPECT_EQ(carried.at(0).bodyMarginX, spoiled.bodyMarginX);
        }
    }

    // Replace refuses it too, and a usable footprint of the same name takes its place.
    Rig rig;
    FootprintData spoiled = embedded("Odd");
    spoiled.bodyMarginX = 5e5;
    rig.footprints.registerEmbeddedFootprint(spoiled);
    ASSERT_EQ(rig.manager.loadFromJson({stored("U1", "Builtin_0805")}).loaded, 1);
    EXPECT_FALSE(rig.manager.replaceFootprint("U1", "Odd"));
    EXPECT_EQ(rig.manager.findComponent("U1")->footprintName, "Builtin_0805");
    rig.footprints.registerEmbeddedFootprint(embedded("Odd"));
    EXPECT_TRUE(rig.manager.replaceFootprint("U1", "Odd"));
}

#ifdef VTQ_ASAN
constexpr bool kUnderSanitizers = true;
#else
constexpr bool kUnderSanitizers = false;
#endif

// Each limited run starts from a fresh process (see exitUnderAddressSpaceLimit).
class OutOfMemoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (kUnderSanitizers)
            GTEST_SKIP() << "the sanitizers reserve address space of their own";
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
};

// Placing a footprint whose solids do not fit in memory gives a substitute that says so; the
// program goes on. Reading a footprint file that does not fit is a refusal as well.
TEST_F(OutOfMemoryTest, PlacingOrReadingIsARefusalNotTheEnd)
{
    QTemporaryDir dir;
    const QString path = writeFile(QDir(dir.path()), "Big.kicad_mod", gridFootprint("Big", 9000));
    const QByteArray longText =
        footprintText("Long", padLine("1", "0 0", "1 1") + QString(20'000'000, QLatin1Char(' ')));
    const QString longPath = writeFile(QDir(dir.path()), "Long.kicad_mod", longText);

    const auto placed = [&] {
        Rig rig;
        if (!rig.footprints.loadFootprintFromFile(path))
            return 2;
        rig.setNetlist({netlistComponent("U1", "Big"), netlistComponent("R1", "Builtin_0805")});
        const auto result = rig.manager.generateComponents(rig.project.netlist().components);
        if (result.outOfMemory)
            return rig.manager.components().isEmpty() ? 0 : 4;
        const PlacedComponentData* big = rig.manager.findComponent("U1");
        if (!big || !big->hasMissingFootprint)
            return 3; // the limit was not reached: the test proves nothing
        return rig.footprints.problemWith("Big").isEmpty() ? 5 : 0;
    };
    EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(96ull << 20, placed), ::testing::ExitedWithCode(0), "");

    const auto read = [&] {
        FootprintManager library;
        if (library.loadFootprintFromFile(longPath))
            return 3;
        return library.problemWith("Long").endsWith(": not enough memory to read this footprint") ? 0 : 4;
    };
    EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(48ull << 20, read), ::testing::ExitedWithCode(0), "");
}

// An update whose new components do not fit in memory is refused whole: the components already
// on the board, the removed one included, stay as they were.
TEST_F(OutOfMemoryTest, UpdateIsRefusedWholeAndLeavesTheBoardAsItWas)
{
    const auto outcome = [] {
        Rig rig;
        rig.setNetlist({netlistComponent("R1", "Builtin_0805"), netlistComponent("R2", "Builtin_1206")});
        if (rig.manager.generateComponents(rig.project.netlist().components).loaded != 2)
            return 2;
        QMap<QString, NetlistComponent> next;
        NetlistUpdate update;
        update.removed = {"R2"};
        next.insert("R1", netlistComponent("R1", "Builtin_0805"));
        for (int i = 0; i < DesignLimits::kMaxComponents - 1; ++i) {
            const QString ref = QStringLiteral("C%1").arg(i);
            next.insert(ref, netlistComponent(ref, QStringLiteral("Builtin_0603")));
            update.added.append(ref);
        }
        const ComponentManager::NetlistApplyResult result = rig.manager.applyNetlistUpdate(next, update);
        if (!result.outOfMemory)
            return rig.manager.components().size() == next.size() ? 3 : 4; // 3: the limit was not reached
        const bool asItWas = rig.manager.components().keys() == QStringList({"R1", "R2"})
            && rig.manager.findComponent("R2")->pads.size() == 2 && rig.padCache.verifyIntegrity();
        return asItWas ? 0 : 5;
    };
    EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(48ull << 20, outcome), ::testing::ExitedWithCode(0), "");
}
