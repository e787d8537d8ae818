// Real designs with KiCad's own footprint library: every component of a real netlist
// generated on a part, saved in a project file and reopened where no footprint folder exists.
#include "componenttestrig.h"
#include "logcapture.h"
#include "testsupport.h"

#include "model/footprintdata.h"
#include "model/placedcomponentdata.h"
#include "model/savedcomponent.h"

#include <BRepPrimAPI_MakeBox.hxx>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace ComponentTest;

namespace {

constexpr double kTol = 1e-6;

bool finite(const gp_Pnt& p)
{
    return std::isfinite(p.X()) && std::isfinite(p.Y()) && std::isfinite(p.Z());
}

struct Snapshot
{
    gp_Pnt position;
    double rotation;
    QString footprint;
    QStringList pads;
    QList<gp_Pnt> padPositions;
    bool missing;
};

QMap<QString, Snapshot> snapshot(const ComponentManager& manager)
{
    QMap<QString, Snapshot> out;
    for (const PlacedComponentData& c : manager.components()) {
        Snapshot s{c.position, c.rotation, c.footprintName, {}, {}, c.hasMissingFootprint};
        for (const PlacedPadData& pad : c.pads) {
            s.pads << pad.number;
            s.padPositions << pad.worldPosition;
        }
        out.insert(c.ref, s);
    }
    return out;
}

class RealDesignTest : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        if (!QFileInfo(TestSupport::kicadFootprintRoot()).isDir())
            GTEST_SKIP() << "KiCad footprint library not installed";
    }
};

TEST_P(RealDesignTest, GeneratesSavesAndReopensEveryComponent)
{
    const QString netlistPath = QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/") + GetParam();
    Netlist netlist;
    QString error;
    ASSERT_TRUE(ProjectManager::loadNetlist(netlistPath, netlist, error)) << error.toStdString();
    ASSERT_FALSE(netlist.components.isEmpty());

    QTemporaryDir dir;
    const QString projectPath = dir.filePath("design.vtq");
    QMap<QString, Snapshot> before;
    {
        Rig rig;
        rig.footprints.addSearchPath(TestSupport::kicadFootprintRoot());
        rig.project.addShape(BRepPrimAPI_MakeBox(gp_Pnt(-100, -100, 0), 200, 200, 5.1).Shape());
        rig.project.setMainShapeIndex(0);
        rig.project.setNetlist(Netlist(netlist));
        const auto result = rig.manager.generateComponents(rig.project.netlist().components);
        EXPECT_EQ(result.loaded + result.missing, netlist.components.size());
        EXPECT_GT(result.loaded, result.missing) << "most footprints of a real design are in KiCad's library";

        for (const PlacedComponentData& c : rig.manager.components()) {
            ASSERT_FALSE(c.compositeShape.IsNull()) << c.ref.toStdString();
            if (c.hasMissingFootprint) {
                EXPECT_TRUE(c.pads.isEmpty());
                EXPECT_EQ(c.styleCode, 1);
                continue;
            }
            const FootprintData footprint = rig.footprints.getFootprint(c.footprintName);
            EXPECT_EQ(c.pads.size(), footprint.copperPads.size()) << c.ref.toStdString();
            for (const PlacedPadData& pad : c.pads)
                EXPECT_TRUE(finite(pad.worldPosition)) << c.ref.toStdString();
        }
        EXPECT_TRUE(rig.padCache.verifyIntegrity());

        // Some hand placement, so that the reload has something to give back.
        int i = 0;
        for (const QString& ref : rig.manager.components().keys()) {
            if (i % 3 == 0)
                rig.manager.rotateComponent(ref, 30.0 * (i % 12));
            if (i % 4 == 0)
                rig.manager.moveComponent(ref, gp_Pnt(i * 1.5 - 40.0, 25.0, 5.1));
            ++i;
        }
        before = snapshot(rig.manager);
        ASSERT_TRUE(rig.project.saveProject(projectPath, rig.manager.componentsForSave(),
                                            rig.manager.usedFootprints(), false))
            << rig.project.lastError().toStdString();
    }

    // Reopened without any footprint folder: the project carries its footprints.
    Rig reopened;
    QList<QJsonObject> placed;
    QList<FootprintData> footprints;
    ASSERT_TRUE(reopened.project.loadProject(projectPath, placed, footprints));
    for (const FootprintData& footprint : footprints)
        reopened.footprints.registerEmbeddedFootprint(footprint);
    reopened.manager.loadFromJson(placed);
    const QMap<QString, Snapshot> after = snapshot(reopened.manager);

    ASSERT_EQ(after.keys(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const Snapshot& a = after[it.key()];
        const std::string ref = it.key().toStdString();
        EXPECT_LT(a.position.Distance(it->position), kTol) << ref;
        EXPECT_NEAR(a.rotation, it->rotation, kTol) << ref;
        EXPECT_EQ(a.missing, it->missing) << ref;
        EXPECT_EQ(a.footprint, it->footprint) << ref;
        EXPECT_EQ(a.pads, it->pads) << ref;
        for (int p = 0; p < std::min(a.padPositions.size(), it->padPositions.size()); ++p)
            EXPECT_LT(a.padPositions[p].Distance(it->padPositions[p]), 1e-4) << ref << " pad " << p;
    }
    EXPECT_TRUE(reopened.padCache.verifyIntegrity());
}

INSTANTIATE_TEST_SUITE_P(Netlists, RealDesignTest,
                         ::testing::Values("complex_hierarchy.net", "sonde_xilinx.net", "horloge_kicad6.net"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

} // namespace
