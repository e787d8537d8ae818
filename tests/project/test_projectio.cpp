// Saving and loading whole projects: round trips, the ".bak" copy, failed writes and loads
// that must leave everything as it was.
#include "messagecapture.h"
#include "projectsample.h"

#include "project/projectfile.h"
#include "project/projectmanager.h"

#include <GeomTools.hxx>
#include <GeomTools_UndefinedTypeHandler.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <Geom_Line.hxx>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include "testsupport.h"

using namespace ProjectSample;

namespace {

QJsonObject fileRoot(const QString& path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

class ProjectIoTest : public ::testing::Test
{
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ProjectIoTest, SaveLoadSaveKeepsEveryField)
{
    ProjectManager first;
    fill(first);
    const QString file = path("board.vtq");
    ASSERT_TRUE(first.saveProject(file, placedComponents(), footprints(), false)) << qPrintable(first.lastError());
    const QJsonObject saved = fileRoot(file);

    ProjectManager second;
    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    ASSERT_TRUE(second.loadProject(file, placed, prints)) << qPrintable(second.lastError());
    EXPECT_TRUE(second.lastError().isEmpty());
    const QString again = path("again.vtq");
    ASSERT_TRUE(second.saveProject(again, savedFromJson(placed), prints, false));

    EXPECT_EQ(withoutDate(saved), withoutDate(fileRoot(again)));

    // What the document holds beyond the file bytes: the records themselves.
    EXPECT_EQ(second.mainShapeIndex(), 1);
    ASSERT_EQ(second.shapes().size(), 2);
    EXPECT_NEAR(TestSupport::volumeOf(second.mainShape()), TestSupport::volumeOf(part()), 1e-6);
    EXPECT_EQ(second.netlist().components.keys(), QStringList({"R1", "U1"}));
    EXPECT_EQ(second.netlist().components.value("U1").pins.keys(), QStringList({"1", "10", "2"}));
    EXPECT_EQ(second.netlist().connections.at(1).connectedPins.size(), 3);
    const RoutingRules rules = second.routingManager().routingRules();
    EXPECT_EQ(rules.trackWidth, 1.5);
    EXPECT_EQ(rules.trackHeight, 0.8);
    EXPECT_EQ(rules.clearance, 0.3);
    EXPECT_EQ(rules.padClearance, 0.2);
    const QList<Route>& routes = second.routingManager().routes();
    ASSERT_EQ(routes.size(), 2);
    EXPECT_FALSE(routes.at(0).segments.at(1).shape.IsNull()) << "segment solids are rebuilt";
    EXPECT_TRUE(routes.at(1).endsOnTrack);
    EXPECT_TRUE(routes.at(1).endJunction.IsEqual(gp_Pnt(0, 2, 5.1), 1e-12));
    ASSERT_EQ(prints.size(), 2);
    EXPECT_TRUE(prints.at(0).path.isEmpty());
    EXPECT_TRUE(prints.at(0).zones.isEmpty());
    EXPECT_TRUE(prints.at(0).body.IsNull());
    EXPECT_EQ(prints.at(0).copperTracks.at(1).points.size(), 3);
    EXPECT_EQ(placed.size(), 2);
    EXPECT_EQ(placed.at(1).value("hasMissingFootprint").toBool(), true);
    // Loading leaves the net map to the caller.
    EXPECT_TRUE(second.routingManager().netPads().isEmpty());
}

TEST_F(ProjectIoTest, LoadGivesRoutesFreshIdentitiesFromTheModelsCounter)
{
    ProjectManager source;
    fill(source);
    const QString file = path("ids.vtq");
    ASSERT_TRUE(source.saveProject(file, {}, {}, false));

    ProjectManager target;
    fill(target); // ids 1 and 2 already handed out
    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    ASSERT_TRUE(target.loadProject(file, placed, prints));
    const QList<Route>& routes = target.routingManager().routes();
    ASSERT_EQ(routes.size(), 2);
    EXPECT_EQ(routes.at(0).id, 3u);
    EXPECT_EQ(routes.at(1).id, 4u);
}

TEST_F(ProjectIoTest, EmptyProjectRoundTrip)
{
    ProjectManager empty;
    const QString file = path("empty.vtq");
    ASSERT_TRUE(empty.saveProject(file, {}, {}, false));
    const QJsonObject root = fileRoot(file);
    for (const char* key : {"version", "application", "metadata", "shapes", "mainShapeIndex", "netlist",
                            "footprints", "placedComponents", "routingRules", "routes"})
        EXPECT_TRUE(root.contains(QLatin1String(key))) << key;
    EXPECT_EQ(root.value("shapes").toArray().size(), 0);
    EXPECT_EQ(root.value("mainShapeIndex").toInt(), -1);
    EXPECT_EQ(root.value("version").toString(), "3.0");
    EXPECT_EQ(root.value("application").toString(), "Vantorquelle V2");
    EXPECT_TRUE(QDateTime::fromString(root.value("metadata").toObject().value("createdDate").toString(),
                                      Qt::ISODate).isValid());

    ProjectManager loaded;
    fill(loaded);
    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    MessageCapture capture;
    ASSERT_TRUE(loaded.loadProject(file, placed, prints));
    EXPECT_TRUE(capture.contains("Failed to load the placed components"));
    EXPECT_TRUE(loaded.shapes().isEmpty());
    EXPECT_EQ(loaded.mainShapeIndex(), -1);
    EXPECT_TRUE(loaded.netlist().isEmpty());
    EXPECT_TRUE(loaded.routingManager().routes().isEmpty());
    EXPECT_EQ(loaded.routingManager().routingRules().trackWidth, 2.0);
}

TEST_F(ProjectIoTest, KeepPreviousVersionCopiesTheFormerFile)
{
    const QString file = path("p.vtq");
    const QString backup = ProjectManager::backupPathFor(file);
    EXPECT_EQ(backup, file + ".bak");

    ProjectManager project;
    {
        MessageCapture capture;
        ASSERT_TRUE(project.saveProject(file, {}, {}, true)); // nothing to back up yet
        EXPECT_TRUE(capture.warnings().isEmpty()) << qPrintable(capture.joined());
        EXPECT_FALSE(QFile::exists(backup));
    }
    ASSERT_TRUE(writeFile(backup, "older backup"));
    const QByteArray former = readFile(file);

    fill(project);
    ASSERT_TRUE(project.saveProject(file, {}, {}, false));
    EXPECT_EQ(readFile(backup), "older backup") << "without the option the backup is not touched";

    const QByteArray second = readFile(file);
    ASSERT_TRUE(project.saveProject(file, placedComponents(), {}, true));
    EXPECT_EQ(readFile(backup), second);
    EXPECT_NE(readFile(file), former);
}

TEST_F(ProjectIoTest, FailedWriteLeavesThePreviousFileIntact)
{
    const QString file = path("full.vtq");
    ProjectManager small;
    ASSERT_TRUE(small.saveProject(file, {}, {}, false));
    const QByteArray before = readFile(file);

    ProjectManager big;
    fill(big);
    QString error;
    ASSERT_GT(QJsonDocument(big.buildProjectJson({}, {}, error)).toJson().size(), 4 * before.size());

    // A file-size limit stands in for a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(2 * before.size());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool ok = big.saveProject(file, placedComponents(), footprints(), true);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(ok);
    EXPECT_TRUE(big.lastError().startsWith("Incomplete write:")) << qPrintable(big.lastError());
    EXPECT_TRUE(big.lastError().contains("(disk full?)"));
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(readFile(ProjectManager::backupPathFor(file)), before);
}

TEST_F(ProjectIoTest, UnwritablePathFailsWithTheOpenMessage)
{
    ProjectManager project;
    fill(project);
    EXPECT_FALSE(project.saveProject(path("missing-folder/p.vtq"), {}, {}, false));
    EXPECT_TRUE(project.lastError().startsWith("Unable to open the file: ")) << qPrintable(project.lastError());
    EXPECT_FALSE(QFile::exists(path("missing-folder")));

    ASSERT_TRUE(project.saveProject(path("ok.vtq"), {}, {}, false));
    EXPECT_TRUE(project.lastError().isEmpty());
}

namespace {

// A curve type the BRep writer does not know, and a handler that refuses it, so that
// encoding a shape fails the way a damaged shape would.
class OddLine : public Geom_Line
{
public:
    OddLine() : Geom_Line(gp_Pnt(0, 0, 0), gp_Dir(1, 0, 0)) {}
    DEFINE_STANDARD_RTTI_INLINE(OddLine, Geom_Line)
};

class RefusingHandler : public GeomTools_UndefinedTypeHandler
{
public:
    void PrintCurve(const Handle(Geom_Curve)&, Standard_OStream&, const Standard_Boolean) const override
    {
        throw Standard_Failure("unknown curve type");
    }
};

class UnwritableCurves
{
public:
    UnwritableCurves() : m_previous(GeomTools::GetUndefinedTypeHandler())
    {
        GeomTools::SetUndefinedTypeHandler(new RefusingHandler);
    }
    ~UnwritableCurves() { GeomTools::SetUndefinedTypeHandler(m_previous); }

private:
    Handle(GeomTools_UndefinedTypeHandler) m_previous;
};

TopoDS_Shape unwritableEdge()
{
    return BRepBuilderAPI_MakeEdge(Handle(Geom_Curve)(new OddLine), 0, 5).Shape();
}

} // namespace

TEST_F(ProjectIoTest, ShapeThatCannotBeEncodedCancelsTheSave)
{
    const QString file = path("enc.vtq");
    ProjectManager project;
    fill(project);
    ASSERT_TRUE(project.saveProject(file, {}, {}, false));
    const QByteArray before = readFile(file);

    UnwritableCurves refuse;
    project.replaceShape(1, unwritableEdge()); // the main part
    MessageCapture capture;
    EXPECT_FALSE(project.saveProject(file, placedComponents(), footprints(), true));
    EXPECT_EQ(project.lastError(),
              "Unable to encode 3D geometry: main part (index 1). Save cancelled to avoid producing an "
              "incomplete file.");
    EXPECT_TRUE(capture.contains("encodeShapeToBase64"));
    EXPECT_TRUE(capture.contains("✗ Save cancelled:"));
    EXPECT_EQ(readFile(file), before);
    EXPECT_FALSE(QFile::exists(ProjectManager::backupPathFor(file)));

    project.addShape(unwritableEdge());
    project.addShape(part());
    project.addShape(unwritableEdge());
    EXPECT_FALSE(project.saveProject(file, {}, {}, false));
    EXPECT_EQ(project.lastError(),
              "Unable to encode 3D geometry: main part (index 1) and secondary shapes (index 2, 4). Save "
              "cancelled to avoid producing an incomplete file.");

    project.setMainShapeIndex(-1);
    project.clearShapes();
    project.addShape(unwritableEdge());
    EXPECT_FALSE(project.saveProject(file, {}, {}, false));
    EXPECT_TRUE(project.lastError().contains("secondary shapes (index 0)")) << qPrintable(project.lastError());
}

// ---- Loads that must fail and leave the model as it was ----

namespace {

struct BadFile
{
    const char* name;
    QByteArray content; // empty name of file on disk when null
    const char* errorStart;
};

QByteArray validDocument()
{
    ProjectManager project;
    fill(project);
    QString error;
    return QJsonDocument(project.buildProjectJson(placedComponents(), footprints(), error)).toJson();
}

QByteArray withShapes(const QJsonArray& shapes, int mainIndex)
{
    QJsonObject root = QJsonDocument::fromJson(validDocument()).object();
    root.insert("shapes", shapes);
    root.insert("mainShapeIndex", mainIndex);
    return QJsonDocument(root).toJson();
}

QByteArray without(const char* key)
{
    QJsonObject root = QJsonDocument::fromJson(validDocument()).object();
    root.remove(QLatin1String(key));
    return QJsonDocument(root).toJson();
}

QByteArray with(const char* key, const QJsonValue& value)
{
    QJsonObject root = QJsonDocument::fromJson(validDocument()).object();
    root.insert(QLatin1String(key), value);
    return QJsonDocument(root).toJson();
}

QString brep(const char* text)
{
    return QString::fromLatin1(QByteArray(text).toBase64());
}

} // namespace

class FailedLoadTest : public ::testing::TestWithParam<BadFile>
{
};

TEST_P(FailedLoadTest, LeavesTheProjectAsItWas)
{
    const BadFile& bad = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath("bad.vtq");
    if (!bad.content.isNull())
        ASSERT_TRUE(writeFile(file, bad.content));

    ProjectManager project;
    fill(project);
    const QJsonObject before = snapshot(project);

    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    MessageCapture capture;
    EXPECT_FALSE(project.loadProject(file, placed, prints));
    EXPECT_TRUE(project.lastError().startsWith(QString::fromUtf8(bad.errorStart)))
        << qPrintable(project.lastError());
    EXPECT_EQ(snapshot(project), before);
    EXPECT_TRUE(placed.isEmpty());
    EXPECT_TRUE(prints.isEmpty());
    EXPECT_FALSE(capture.warnings().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, FailedLoadTest,
    ::testing::Values(
        BadFile{"MissingFile", QByteArray(), "Unable to open the file: "},
        BadFile{"EmptyFile", QByteArray(""), "JSON parsing error: "},
        BadFile{"Truncated", validDocument().left(300), "JSON parsing error: "},
        BadFile{"BinaryJunk", QByteArray("\x00\x01\xff\xfe{", 5), "JSON parsing error: "},
        BadFile{"NumberOverflow", QByteArray(R"({"version": "3.0", "shapes": [], "mainShapeIndex": 1e999})"),
                "JSON parsing error: "},
        BadFile{"ArrayRoot", QByteArray("[1, 2, 3]"), "This file is not a Vantorquelle project"},
        BadFile{"EmptyObject", QByteArray("{}"), "This file is not a Vantorquelle project"},
        BadFile{"NoVersion", without("version"), "This file is not a Vantorquelle project"},
        BadFile{"NoShapes", without("shapes"), "This file is not a Vantorquelle project"},
        BadFile{"ShapesNotArray", with("shapes", QJsonValue("abc")), "This file is not a Vantorquelle project"},
        BadFile{"VersionNotText", with("version", QJsonValue(3.0)), "This file is not a Vantorquelle project"},
        BadFile{"InvalidBase64", withShapes({"!!!not base64 at all!!!"}, 0), "Corrupt project file: unable to decode 3D shapes at indices 0."},
        BadFile{"NotBRep", withShapes({brep("hello world")}, 0), "Corrupt project file: unable to decode 3D shapes at indices 0."},
        BadFile{"AbsurdBRepCounts",
                withShapes({encodeShapeToBase64(part()),
                            brep("CASCADE Topology V3, (c) Open Cascade\nLocations 999999999999\n")}, 0),
                "Corrupt project file: unable to decode 3D shapes at indices 1."},
        BadFile{"TruncatedBRep",
                withShapes({encodeShapeToBase64(part()).left(2000)}, 0),
                "Corrupt project file: unable to decode 3D shapes at indices 0."},
        BadFile{"MainPartEmpty", withShapes({"", encodeShapeToBase64(part())}, 0),
                "Corrupt project file: the main part (index 0) is missing or unreadable. Loading aborted."}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(ProjectIoTest, OtherVersionAndBrokenSectionsStillLoad)
{
    QJsonObject root = QJsonDocument::fromJson(validDocument()).object();
    root.insert("version", "2.0");
    root.insert("netlist", "not an object");
    root.insert("placedComponents", QJsonArray{1, "x", QJsonObject{{"ref", "R9"}}});
    root.insert("footprints", QJsonArray{QJsonObject{{"name", "F"}, {"thickness", "thick"}, {"copperPads", 7}}});
    root.insert("routingRules", QJsonObject{{"trackWidth", 0}, {"clearance", -1}, {"padClearance", 0},
                                            {"trackHeight", "high"}});
    root.insert("routes", QJsonArray{QJsonObject{{"segments", QJsonArray{QJsonObject{
                                                     {"startPoint", QJsonObject{{"x", 1}}},
                                                     {"endPoint", QJsonObject{{"x", 4}, {"y", "y"}}},
                                                     {"width", -3}, {"type", 9}}}}},
                                     "not a route"});
    const QString file = path("lenient.vtq");
    ASSERT_TRUE(writeFile(file, QJsonDocument(root).toJson()));

    ProjectManager project;
    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    MessageCapture capture;
    ASSERT_TRUE(project.loadProject(file, placed, prints)) << qPrintable(project.lastError());
    EXPECT_TRUE(capture.contains("Different version detected: \"2.0\" (expected: \"3.0\" )")) << qPrintable(capture.joined());
    EXPECT_TRUE(capture.contains("Failed to load the netlist"));
    EXPECT_FALSE(capture.contains("Failed to load the placed components"));
    EXPECT_EQ(project.shapes().size(), 2);
    EXPECT_TRUE(project.netlist().components.isEmpty());
    ASSERT_EQ(placed.size(), 3);
    EXPECT_TRUE(placed.at(0).isEmpty());
    EXPECT_EQ(placed.at(2).value("ref").toString(), "R9");
    ASSERT_EQ(prints.size(), 1);
    EXPECT_EQ(prints.at(0).thickness, 1.0);
    EXPECT_TRUE(prints.at(0).copperPads.isEmpty());
    const RoutingRules rules = project.routingManager().routingRules();
    EXPECT_EQ(rules.trackWidth, 2.0);
    EXPECT_EQ(rules.trackHeight, 1.0);
    EXPECT_EQ(rules.clearance, 0.5);
    EXPECT_EQ(rules.padClearance, 0.0);
    const QList<Route>& routes = project.routingManager().routes();
    ASSERT_EQ(routes.size(), 2);
    EXPECT_TRUE(routes.at(1).segments.isEmpty());
    const RouteSegment& s = routes.at(0).segments.at(0);
    EXPECT_TRUE(s.start.IsEqual(gp_Pnt(1, 0, 0), 0));
    EXPECT_TRUE(s.end.IsEqual(gp_Pnt(4, 0, 0), 0));
    EXPECT_EQ(s.type, 0);
    EXPECT_EQ(s.width, 2.0);
    EXPECT_EQ(s.height, 1.0);
}
