// The in-memory project model: shapes, netlist, routing model and reset.
#include "logcapture.h"
#include "projectsample.h"

#include "project/projectmanager.h"

#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace ProjectSample;

TEST(ProjectModel, ShapeListKeepsTheMainIndexInRange)
{
    ProjectManager project;
    project.addShape(TopoDS_Shape());
    EXPECT_TRUE(project.shapes().isEmpty());
    const TopoDS_Shape a = part();
    const TopoDS_Shape b = secondaryPart();
    project.addShape(a);
    project.addShape(b);
    EXPECT_EQ(project.mainShapeIndex(), -1) << "adding a shape chooses no main part";

    for (int index : {-5, 2, 100}) {
        project.setMainShapeIndex(1);
        project.setMainShapeIndex(index);
        EXPECT_EQ(project.mainShapeIndex(), -1) << index;
        EXPECT_TRUE(project.mainShape().IsNull());
    }
    project.setMainShapeIndex(1);
    EXPECT_TRUE(project.mainShape().IsSame(b));

    FoundationLogCapture capture;
    EXPECT_FALSE(project.replaceShape(-1, a));
    EXPECT_FALSE(project.replaceShape(2, a));
    EXPECT_TRUE(capture.contains("ProjectManager::replaceShape: invalid index: 2"));
    EXPECT_FALSE(project.replaceShape(0, TopoDS_Shape()));
    EXPECT_TRUE(capture.contains("ProjectManager::replaceShape: null shape refused"));
    EXPECT_TRUE(project.replaceShape(1, a));
    EXPECT_EQ(project.mainShapeIndex(), 1);
    EXPECT_TRUE(project.mainShape().IsSame(a));
}

TEST(ProjectModel, RoutingNetMapFollowsTheNetlist)
{
    ProjectManager project;
    Netlist netlist;
    netlist.components.insert("R1", NetlistComponent{"R1", "1k", "", {}});
    netlist.connections = {NetlistNet{"GND", {PadId("R1", "1")}}, NetlistNet{"VCC", {PadId("R1", "2")}},
                           NetlistNet{"GND", {PadId("R1", "3"), PadId("R1", "4")}}};
    project.setNetlist(std::move(netlist));
    const auto& map = project.routingManager().netPads();
    ASSERT_EQ(map.size(), 2);
    EXPECT_EQ(map.value("GND"), QList<PadId>({PadId("R1", "3"), PadId("R1", "4")})) << "the later net of a name wins";

    project.clearNetlist();
    EXPECT_TRUE(project.netlist().isEmpty());
    EXPECT_TRUE(project.routingManager().netPads().isEmpty());
}

TEST(ProjectModel, ImportNetlistKeepsTheOldOneOnFailure)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.net");
    ASSERT_TRUE(writeFile(good, "(export (version \"E\")\n"
                                " (components (comp (ref \"R7\") (value \"1k\") (footprint \"R:R_0805\")))\n"
                                " (nets (net (code \"1\") (name \"N1\") (node (ref \"R7\") (pin \"1\")))))\n"));
    const QString bad = dir.filePath("bad.net");
    ASSERT_TRUE(writeFile(bad, "this is not a netlist"));

    ProjectManager project;
    fill(project);
    const QJsonObject before = snapshot(project);
    QString error = "stale";
    EXPECT_FALSE(project.importNetlist(bad, &error));
    EXPECT_FALSE(error.isEmpty() || error == "stale");
    EXPECT_FALSE(project.importNetlist(dir.filePath("absent.net"), nullptr));
    EXPECT_EQ(snapshot(project), before);

    ASSERT_TRUE(project.importNetlist(good, &error)) << qPrintable(error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(project.netlist().components.keys(), QStringList({"R7"}));
    EXPECT_EQ(project.routingManager().netPads().keys(), QStringList({"N1"}));
}

TEST(ProjectModel, ClearStartsANewProject)
{
    ProjectManager project;
    fill(project);
    ASSERT_FALSE(project.saveProject("/nonexistent-folder/x.vtq", {}, {}, false));
    const quint64 nextId = project.routingManager().nextRouteId();

    project.clear();
    EXPECT_EQ(snapshot(project), snapshot(ProjectManager()));
    EXPECT_TRUE(project.lastError().isEmpty());
    EXPECT_EQ(project.routingManager().nextRouteId(), nextId) << "identities keep growing";
}

// Every change of the model tells its observer, so that the window derives its state from the
// model; what it refuses changes nothing and tells nothing.
TEST(ProjectModel, EveryChangeIsToldAndNoRefusal)
{
    ProjectManager project;
    int told = 0;
    project.setChangeObserver([&told] { ++told; });
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProjectManager loaded;
    loaded.addShape(part());
    const struct
    {
        const char* name;
        std::function<void()> change;
        bool tells;
    } rows[] = {
        {"add a shape", [&] { project.addShape(part()); }, true},
        {"add a null shape", [&] { project.addShape(TopoDS_Shape()); }, false},
        {"choose the main shape", [&] { project.setMainShapeIndex(0); }, true},
        {"replace the main shape", [&] { ASSERT_TRUE(project.replaceShape(0, secondaryPart())); }, true},
        {"replace outside the list", [&] { ASSERT_FALSE(project.replaceShape(3, part())); }, false},
        {"replace by a null shape", [&] { ASSERT_FALSE(project.replaceShape(0, TopoDS_Shape())); }, false},
        {"set the netlist", [&] { project.setNetlist(Netlist()); }, true},
        {"import a missing netlist",
         [&] { ASSERT_FALSE(project.importNetlist(dir.filePath("missing.net"), nullptr)); }, false},
        {"clear the netlist", [&] { project.clearNetlist(); }, true},
        {"clear the shapes", [&] { project.clearShapes(); }, true},
        {"clear the tracks", [&] { project.clearRoutes(); }, true},
        {"adopt a loaded design", [&] { project.adoptLoaded(loaded); }, true},
        {"clear", [&] { project.clear(); }, true},
    };
    for (const auto& row : rows) {
        told = 0;
        FoundationLogCapture quiet;
        row.change();
        EXPECT_EQ(told > 0, row.tells) << row.name;
    }
}
