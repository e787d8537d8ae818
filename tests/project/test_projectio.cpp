// Saving and loading whole projects: round trips, the ".bak" copy, failed writes and loads
// that must leave everything as it was.
#include "gldriver.h"
#include "logcapture.h"
#include "projectsample.h"
#include "testsupport.h"

#include "model/designlimits.h"
#include "project/projectfile.h"
#include "project/projectmanager.h"
#include "foundation/faulttrap.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <GeomTools.hxx>
#include <GeomTools_UndefinedTypeHandler.hxx>
#include <Geom_Line.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <TopoDS_Compound.hxx>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <csignal>
#include <functional>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/resource.h>

using namespace ProjectSample;

namespace {

QJsonObject fileRoot(const QString& path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

bool load(ProjectManager& project, const QString& path, QList<QJsonObject>* placedOut = nullptr,
          QList<FootprintData>* footprintsOut = nullptr)
{
    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    const bool ok = project.loadProject(path, placed, prints);
    if (placedOut)
        *placedOut = placed;
    if (footprintsOut)
        *footprintsOut = prints;
    return ok;
}

class ProjectIoTest : public ::testing::Test
{
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ProjectIoTest, SaveLoadSaveGivesTheSameDocument)
{
    ProjectManager first;
    fill(first);
    const QString file = path("board.vtq");
    ASSERT_TRUE(first.saveProject(file, placedComponents(), footprints(), false)) << qPrintable(first.lastError());
    const QJsonObject saved = fileRoot(file);

    ProjectManager second;
    fill(second); // identities 1 and 2 handed out already
    second.routingManager().setRoutingRules(RoutingRules{9, 9, 9, 9});
    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    ASSERT_TRUE(load(second, file, &placed, &prints)) << qPrintable(second.lastError());
    EXPECT_TRUE(second.lastError().isEmpty());
    ASSERT_TRUE(second.saveProject(path("again.vtq"), placedComponents(), prints, false));
    EXPECT_EQ(withoutDate(saved), withoutDate(fileRoot(path("again.vtq"))));

    // The placed-component objects go back to the caller unchanged.
    const QJsonArray stored = saved.value("placedComponents").toArray();
    ASSERT_EQ(placed.size(), stored.size());
    for (int i = 0; i < placed.size(); ++i)
        EXPECT_EQ(placed.at(i), stored.at(i).toObject());

    EXPECT_NEAR(TestSupport::volumeOf(second.mainShape()), TestSupport::volumeOf(part()), 1e-6);
    const QList<Route>& routes = second.routingManager().routes();
    ASSERT_EQ(routes.size(), 2);
    EXPECT_EQ(routes.at(0).id, 3u) << "identities come from the model's own counter";
    EXPECT_EQ(routes.at(1).id, 4u);
    EXPECT_FALSE(routes.at(0).segments.at(1).shape.IsNull()) << "segment solids are rebuilt";
    EXPECT_TRUE(prints.at(0).path.isEmpty() && prints.at(0).body.IsNull());
    ASSERT_EQ(prints.at(0).zones.size(), 1) << "zones are kept: a footprint of zones alone is centred on them";
    EXPECT_EQ(prints.at(0).zones.at(0).outline, footprints().at(0).zones.at(0).outline);
    EXPECT_TRUE(second.routingManager().netPads().isEmpty()) << "the net map is left to the caller";
}

TEST_F(ProjectIoTest, EmptyProjectWritesEverySectionAndLoadsAsNew)
{
    const QString file = path("empty.vtq");
    ASSERT_TRUE(ProjectManager().saveProject(file, {}, {}, false));
    const QJsonObject root = fileRoot(file);
    EXPECT_EQ(root.keys(), QStringList({"application", "footprints", "mainShapeIndex", "metadata", "netlist",
                                        "placedComponents", "routes", "routingRules", "shapes", "version"}));
    EXPECT_EQ(root.value("shapes").toArray().size(), 0);
    EXPECT_EQ(root.value("mainShapeIndex").toInt(), -1);
    EXPECT_EQ(root.value("version").toString(), "3.0");
    const QString date = root.value("metadata").toObject().value("createdDate").toString();
    EXPECT_TRUE(QDateTime::fromString(date, "yyyy-MM-ddTHH:mm:ss").isValid()) << qPrintable(date);

    ProjectManager project;
    fill(project);
    FoundationLogCapture capture;
    QList<QJsonObject> placed;
    ASSERT_TRUE(load(project, file, &placed));
    EXPECT_TRUE(capture.contains("Failed to load the placed components"));
    EXPECT_TRUE(placed.isEmpty());
    EXPECT_EQ(snapshot(project), snapshot(ProjectManager()));
}

TEST_F(ProjectIoTest, KeepPreviousVersionCopiesTheFormerFile)
{
    const QString file = path("p.vtq");
    const QString backup = ProjectManager::backupPathFor(file);
    EXPECT_EQ(backup, file + ".bak");

    ProjectManager project;
    ASSERT_TRUE(project.saveProject(file, {}, {}, true)); // nothing to keep yet
    EXPECT_FALSE(QFile::exists(backup));
    ASSERT_TRUE(writeFile(backup, "older backup"));

    fill(project);
    ASSERT_TRUE(project.saveProject(file, {}, {}, false));
    EXPECT_EQ(readFile(backup), "older backup") << "without the option the backup is not touched";

    const QByteArray former = readFile(file);
    ASSERT_TRUE(project.saveProject(file, placedComponents(), {}, true));
    EXPECT_EQ(readFile(backup), former);
    EXPECT_NE(readFile(file), former);
}

// A kill may land at any moment of a save; the backup of an earlier version must survive it.
// The previous file is large, so that most of the save is spent on keeping it.
TEST_F(ProjectIoTest, KillDuringSaveNeverLosesTheBackup)
{
    const QString file = path("p.vtq");
    const QString backup = ProjectManager::backupPathFor(file);
    ProjectManager project;
    fill(project);
    QString error;
    QJsonObject big = project.buildProjectJson({}, {}, error);
    big.insert("padding", QString(24 * 1024 * 1024, QLatin1Char('x')));
    const QByteArray previous = QJsonDocument(big).toJson();
    const auto restore = [&]() {
        ASSERT_TRUE(writeFile(file, previous));
        ASSERT_TRUE(writeFile(backup, previous));
    };
    restore();
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(project.saveProject(file, {}, {}, true));
    const qint64 saveMicroseconds = qMax<qint64>(timer.nsecsElapsed() / 1000, 1000);

    std::mt19937 random(20261207);
    for (int i = 0; i < 24; ++i) {
        SCOPED_TRACE(i);
        restore();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            project.saveProject(file, {}, {}, true);
            ::_exit(0);
        }
        ::usleep(useconds_t(random() % saveMicroseconds));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QJsonObject kept = fileRoot(backup);
        ASSERT_FALSE(kept.isEmpty()) << "the backup is missing or incomplete";
        EXPECT_EQ(kept.value("version").toString(), "3.0");
        EXPECT_FALSE(fileRoot(file).isEmpty()) << "the project itself is missing or incomplete";
    }
}

// With the previous version to be kept, a save that cannot make the copy must not replace the
// project: a full disk (a file-size limit below the previous file's size) or a folder where
// the ".bak" would go.
TEST_F(ProjectIoTest, BackupThatCannotBeWrittenFailsTheSaveAndKeepsTheProject)
{
    for (const bool folderInPlace : {false, true}) {
        SCOPED_TRACE(folderInPlace ? "folder in place of the backup" : "file-size limit");
        const QString file = path(folderInPlace ? "folder.vtq" : "limit.vtq");
        const QString backup = ProjectManager::backupPathFor(file);
        ProjectManager project;
        fill(project);
        ASSERT_TRUE(project.saveProject(file, placedComponents(), footprints(), false));
        const QByteArray before = readFile(file);
        ProjectManager small;
        small.routingManager().setRoutingRules(RoutingRules{3, 3, 3, 3});

        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        bool ok = true;
        if (folderInPlace) {
            ASSERT_TRUE(QDir().mkpath(backup));
            ok = small.saveProject(file, {}, {}, true);
        } else {
            rlimit limited = saved;
            limited.rlim_cur = rlim_t(before.size() / 2);
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
            ok = small.saveProject(file, {}, {}, true);
            setrlimit(RLIMIT_FSIZE, &saved);
        }
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_FALSE(ok) << "a save without the backup asked for is not a success";
        EXPECT_TRUE(small.lastError().startsWith("The previous version could not be kept as “" + backup + "”: "))
            << qPrintable(small.lastError());
        EXPECT_TRUE(small.lastError().endsWith("The project file was not replaced.")) << qPrintable(small.lastError());
        EXPECT_EQ(readFile(file), before);
        if (!folderInPlace) {
            EXPECT_FALSE(QFile::exists(backup)) << "no partial backup is left behind";
        }
    }
}

// A design beyond the component limit is refused before anything is built from it, whether
// the project places the components or only lists them in its netlist.
TEST_F(ProjectIoTest, DesignBeyondTheComponentLimitIsRefused)
{
    ProjectManager source;
    fill(source);
    QString error;
    const QJsonObject root = source.buildProjectJson({}, {}, error);
    QJsonArray many;
    for (int i = 0; i <= DesignLimits::kMaxComponents; ++i)
        many.append(QJsonObject{{"ref", QStringLiteral("R%1").arg(i)}, {"footprintName", "Builtin_0805"}});
    for (const char* section : {"placedComponents", "netlist"}) {
        SCOPED_TRACE(section);
        QJsonObject big = root;
        if (QLatin1String(section) == QLatin1String("netlist"))
            big.insert("netlist", QJsonObject{{"components", many}, {"connections", QJsonArray()}});
        else
            big.insert("placedComponents", many);
        const QString file = path("many.vtq");
        ASSERT_TRUE(writeFile(file, QJsonDocument(big).toJson()));

        ProjectManager project;
        fill(project);
        const QJsonObject before = snapshot(project);
        EXPECT_FALSE(load(project, file));
        EXPECT_EQ(project.lastError(), "This project holds 2001 components, beyond the limit of 2000 components "
                                       "per design.");
        EXPECT_EQ(snapshot(project), before);
    }

    QString netlist = "(export (version \"E\") (components\n";
    for (int i = 0; i <= DesignLimits::kMaxComponents; ++i)
        netlist += QStringLiteral("  (comp (ref \"R%1\") (value \"1k\") (footprint \"R_0603\"))\n").arg(i);
    netlist += "))\n";
    ASSERT_TRUE(writeFile(path("many.net"), netlist.toUtf8()));
    Netlist read;
    EXPECT_FALSE(ProjectManager::loadNetlist(path("many.net"), read, error));
    EXPECT_EQ(error, "This netlist holds 2001 components, beyond the limit of 2000 components per design.");
    EXPECT_TRUE(read.components.isEmpty());
}

// Opening a project or reading a netlist that does not fit in memory is a refusal that leaves
// the model as it was, not the end of the program.
TEST_F(ProjectIoTest, RunningOutOfMemoryWhileReadingIsARefusal)
{
#ifdef VTQ_ASAN
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    // A fresh process for each limited run (see exitUnderAddressSpaceLimit).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ProjectManager source;
    fill(source);
    QString error;
    QJsonObject big = source.buildProjectJson({}, {}, error);
    big.insert("padding", QString(20 * 1024 * 1024, QLatin1Char('x')));
    const QString file = path("big.vtq");
    ASSERT_TRUE(writeFile(file, QJsonDocument(big).toJson()));
    const QString netlist = path("big.net");
    ASSERT_TRUE(writeFile(netlist, "(export (components (comp (ref \"R1\") (value \"" + QByteArray(20 << 20, 'x')
                                       + "\")))))\n"));

    const auto opened = [&] {
        ProjectManager project;
        fill(project);
        const QJsonObject before = snapshot(project);
        if (load(project, file))
            return 3; // the limit was not reached: the test proves nothing
        if (project.lastError() != "Not enough memory to open this project.")
            return 4;
        return snapshot(project) == before ? 0 : 5;
    };
    EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(48ull << 20, opened), ::testing::ExitedWithCode(0), "");

    const auto read = [&] {
        Netlist out;
        QString message;
        if (ProjectManager::loadNetlist(netlist, out, message))
            return 3;
        return message == "Not enough memory to read this netlist." && out.components.isEmpty() ? 0 : 4;
    };
    EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(48ull << 20, read), ::testing::ExitedWithCode(0), "");
}

TEST_F(ProjectIoTest, FailedWriteLeavesThePreviousFileIntact)
{
    const QString file = path("full.vtq");
    ProjectManager project;
    ASSERT_TRUE(project.saveProject(file, {}, {}, false));
    const QByteArray before = readFile(file);

    // A file-size limit stands in for a full disk. The two documents lie below and above
    // the size of Qt's write buffer.
    ProjectManager small;
    small.routingManager().setRoutingRules(RoutingRules{3, 3, 3, 3});
    fill(project);
    for (ProjectManager* saving : {&small, &project}) {
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(before.size() + 100);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool ok = saving->saveProject(file, placedComponents(), footprints(), true);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_FALSE(ok);
        EXPECT_TRUE(saving->lastError().startsWith("Incomplete write: ")) << qPrintable(saving->lastError());
        EXPECT_TRUE(saving->lastError().contains(" bytes (disk full?)"));
        EXPECT_EQ(readFile(file), before);
        EXPECT_EQ(readFile(ProjectManager::backupPathFor(file)), before);
    }

    EXPECT_FALSE(project.saveProject(path("no-folder/p.vtq"), {}, {}, false));
    EXPECT_TRUE(project.lastError().startsWith("Unable to open the file: ")) << qPrintable(project.lastError());
    EXPECT_FALSE(QFile::exists(path("no-folder")));
    ASSERT_TRUE(project.saveProject(file, {}, {}, false));
    EXPECT_TRUE(project.lastError().isEmpty());
}

namespace {

// A curve type the BRep writer does not know, with a handler that refuses it: encoding then
// fails the way a damaged shape would.
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

    const Handle(GeomTools_UndefinedTypeHandler) previous = GeomTools::GetUndefinedTypeHandler();
    GeomTools::SetUndefinedTypeHandler(new RefusingHandler);
    const QString tail = ". Save cancelled to avoid producing an incomplete file.";
    FoundationLogCapture capture;

    project.replaceShape(1, unwritableEdge());
    EXPECT_FALSE(project.saveProject(file, placedComponents(), footprints(), true));
    EXPECT_EQ(project.lastError(), "Unable to encode 3D geometry: main part (index 1)" + tail);
    EXPECT_TRUE(capture.contains("encodeShapeToBase64"));
    EXPECT_EQ(readFile(file), before);
    EXPECT_FALSE(QFile::exists(ProjectManager::backupPathFor(file)));

    for (const TopoDS_Shape& shape : {unwritableEdge(), part(), unwritableEdge()})
        project.addShape(shape);
    EXPECT_FALSE(project.saveProject(file, {}, {}, false));
    EXPECT_EQ(project.lastError(),
              "Unable to encode 3D geometry: main part (index 1) and secondary shapes (index 2, 4)" + tail);

    project.setMainShapeIndex(-1);
    EXPECT_FALSE(project.saveProject(file, {}, {}, false));
    EXPECT_EQ(project.lastError(), "Unable to encode 3D geometry: secondary shapes (index 1, 2, 4)" + tail);
    GeomTools::SetUndefinedTypeHandler(previous);
}

// ---- Loads that must fail and leave the model as it was ----

namespace {

struct BadFile
{
    const char* name;
    QByteArray content; // no file at all when null
    const char* errorStart;
};

void PrintTo(const BadFile& value, std::ostream* os)
{
    *os << value.name;
}

QJsonObject validRoot()
{
    ProjectManager project;
    fill(project);
    QString error;
    return project.buildProjectJson(placedComponents(), footprints(), error);
}

QByteArray with(const char* key, const QJsonValue& value, const QJsonValue& mainIndex = 1)
{
    QJsonObject root = validRoot();
    if (value.isUndefined())
        root.remove(QLatin1String(key));
    else
        root.insert(QLatin1String(key), value);
    root.insert("mainShapeIndex", mainIndex);
    return QJsonDocument(root).toJson();
}

QString brep(const char* text)
{
    return QString::fromLatin1(QByteArray(text).toBase64());
}

// A shape text whose only curve or surface is a trimmed or offset one with a basis record of
// an unknown kind.
QString brokenBasis(const char* geometry)
{
    return brep((QByteArray("CASCADE Topology V1, (c) Matra-Datavision\nLocations 0\n") + geometry
                 + "Polygon3D 0\n")
                    .constData());
}

const char* const kNotAProject = "This file is not a Vantorquelle project";
const char* const kUndecodable = "Corrupt project file: unable to decode 3D shapes at indices ";

} // namespace

class FailedLoadTest : public ::testing::TestWithParam<BadFile>
{
};

TEST_P(FailedLoadTest, LeavesTheProjectAsItWas)
{
    const BadFile& bad = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath("bad.vtq");
    if (!bad.content.isNull()) {
        ASSERT_TRUE(writeFile(file, bad.content));
    }
    ProjectManager project;
    fill(project);
    const QJsonObject before = snapshot(project);

    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    FoundationLogCapture capture;
    EXPECT_FALSE(project.loadProject(file, placed, prints));
    EXPECT_TRUE(project.lastError().startsWith(QString::fromUtf8(bad.errorStart))) << qPrintable(project.lastError());
    EXPECT_EQ(snapshot(project), before);
    EXPECT_TRUE(placed.isEmpty() && prints.isEmpty());
    EXPECT_FALSE(capture.warnings().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, FailedLoadTest,
    ::testing::Values(
        BadFile{"MissingFile", QByteArray(), "Unable to open the file: "},
        BadFile{"EmptyFile", QByteArray(""), "JSON parsing error: "},
        BadFile{"Truncated", QJsonDocument(validRoot()).toJson().left(300), "JSON parsing error: "},
        BadFile{"NumberOverflow", R"({"version": "3.0", "shapes": [], "mainShapeIndex": 1e999})", "JSON parsing error: "},
        BadFile{"ArrayRoot", "[1, 2, 3]", kNotAProject},
        BadFile{"EmptyObject", "{}", kNotAProject},
        BadFile{"NoVersion", with("version", QJsonValue::Undefined), kNotAProject},
        BadFile{"VersionNotText", with("version", 3.0), kNotAProject},
        BadFile{"NewerMinorVersion", with("version", "3.1"), "This project was written by a newer version"},
        BadFile{"NewerMajorVersion", with("version", "10.0"), "This project was written by a newer version"},
        BadFile{"NoShapes", with("shapes", QJsonValue::Undefined), kNotAProject},
        BadFile{"ShapesNotArray", with("shapes", "abc"), kNotAProject},
        BadFile{"InvalidBase64", with("shapes", QJsonArray{"!!! not base64 !!!"}, 0), kUndecodable},
        BadFile{"NotBRep", with("shapes", QJsonArray{brep("hello world")}, 0), kUndecodable},
        BadFile{"AbsurdBRepCounts",
                with("shapes", QJsonArray{encodeShapeToBase64(part()),
                                          brep("CASCADE Topology V3, (c) Open Cascade\nLocations 999999999999\n")}),
                kUndecodable},
        BadFile{"TrimmedCurveBrokenBasis", with("shapes", QJsonArray{brokenBasis("Curve2ds 0\nCurves 1\n8 0 1\n99\n")}, 0),
                kUndecodable},
        BadFile{"OffsetCurveBrokenBasis", with("shapes", QJsonArray{brokenBasis("Curve2ds 0\nCurves 1\n9 0.5\n0 0 1\n99\n")}, 0),
                kUndecodable},
        BadFile{"TrimmedSurfaceBrokenBasis",
                with("shapes", QJsonArray{brokenBasis("Curve2ds 0\nCurves 0\nPolygon3D 0\nPolygonOnTriangulations 0\n"
                                                      "Surfaces 1\n10 0 1 0 1\n99\n")}, 0),
                kUndecodable},
        BadFile{"OffsetSurfaceBrokenBasis",
                with("shapes", QJsonArray{brokenBasis("Curve2ds 0\nCurves 0\nPolygon3D 0\nPolygonOnTriangulations 0\n"
                                                      "Surfaces 1\n11 0.5\n99\n")}, 0),
                kUndecodable},
        BadFile{"TruncatedBRep", with("shapes", QJsonArray{encodeShapeToBase64(part()).left(2000)}, 0), kUndecodable},
        BadFile{"MainPartEmpty", with("shapes", QJsonArray{"", encodeShapeToBase64(part())}, 0),
                "Corrupt project file: the main part (index 0) is missing or unreadable. Loading aborted."}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(ProjectIoTest, OtherVersionAndBrokenSectionsStillLoad)
{
    QJsonObject root = validRoot();
    root.insert("version", "2.0");
    root.insert("netlist", "not an object");
    root.insert("placedComponents", QJsonArray{1, QJsonObject{{"ref", "R9"}}});
    root.insert("footprints", QJsonArray{QJsonObject{{"name", "F"}, {"thickness", "thick"}, {"copperPads", 7}}});
    const QJsonObject absurd{{"startPoint", QJsonObject{{"x", 1e300}, {"z", -1e300}}},
                             {"endPoint", QJsonObject{{"x", -1e300}}},
                             {"width", 1e300},
                             {"height", 1e-300},
                             {"type", 1}};
    const QJsonObject sparse{{"startPoint", QJsonObject{{"x", 1}}},
                             {"endPoint", QJsonObject{{"x", 4}, {"y", "y"}}},
                             {"width", -3},
                             {"type", 9}};
    root.insert("routes", QJsonArray{QJsonObject{{"segments", QJsonArray{sparse}}}, "not a route",
                                     QJsonObject{{"segments", QJsonArray{absurd}}}});
    const QString file = path("lenient.vtq");
    ASSERT_TRUE(writeFile(file, QJsonDocument(root).toJson()));

    ProjectManager project;
    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    FoundationLogCapture capture;
    ASSERT_TRUE(load(project, file, &placed, &prints)) << qPrintable(project.lastError());
    EXPECT_TRUE(capture.contains("Different version detected: \"2.0\" (expected: 3.0 )")) << qPrintable(capture.joined());
    EXPECT_TRUE(capture.contains("Failed to load the netlist"));
    EXPECT_EQ(project.shapes().size(), 2);
    EXPECT_TRUE(project.netlist().isEmpty());
    ASSERT_EQ(placed.size(), 2);
    EXPECT_TRUE(placed.at(0).isEmpty());
    ASSERT_EQ(prints.size(), 1);
    EXPECT_EQ(prints.at(0).thickness, 1.0);
    EXPECT_TRUE(prints.at(0).copperPads.isEmpty());

    const QList<Route>& routes = project.routingManager().routes();
    ASSERT_EQ(routes.size(), 2) << "a track beyond the design's reach is not built";
    EXPECT_EQ(project.routingManager().unbuiltRoutes().size(), 1);
    EXPECT_TRUE(routes.at(1).segments.isEmpty());
    const RouteSegment& s = routes.at(0).segments.at(0);
    EXPECT_TRUE(s.start.IsEqual(gp_Pnt(1, 0, 0), 0) && s.end.IsEqual(gp_Pnt(4, 0, 0), 0));
    EXPECT_EQ(s.type, 0);
    EXPECT_EQ(s.width, 2.0);
    EXPECT_EQ(s.height, 1.0);
    // The repair is told, through the model that takes the file's content over.
    EXPECT_TRUE(project.loadNotes().contains(
        QStringLiteral("track 1 of the file (net , from /), segment 1: section -3 × 1 mm replaced by 2 × 1 mm")))
        << project.loadNotes().join('\n').toStdString();
}

// A track point, width or height far beyond any design (one number changed in the file) used
// to be built, and then its solid froze the window for many minutes: such a track is kept but
// never built, with a line naming its value; the other tracks load.
TEST_F(ProjectIoTest, TracksBeyondTheReachAreNotBuiltWithAReportLine)
{
    struct Row
    {
        const char* name;
        std::function<void(QJsonObject& segment)> change;
        const char* note; // empty: the track loads
    };
    const auto point = [](const char* which, const char* axis, double value) {
        return [=](QJsonObject& segment) {
            QJsonObject p = segment.value(which).toObject();
            p.insert(axis, value);
            segment.insert(which, p);
        };
    };
    const auto set = [](const char* key, double value) {
        return [=](QJsonObject& segment) { segment.insert(key, value); };
    };
    const QList<Row> rows = {
        {"start x 1e308", point("startPoint", "x", 1e308), "start point X 1e+308 mm is beyond the limit of 1000 mm"},
        {"start y", point("startPoint", "y", -1000.5), "start point Y -1000.5 mm is beyond the limit of 1000 mm"},
        {"end z", point("endPoint", "z", 2500), "end point Z 2500 mm is beyond the limit of 1000 mm"},
        {"end x", point("endPoint", "x", 1e9), "end point X 1e+09 mm is beyond the limit of 1000 mm"},
        {"width", set("width", 1e6), "width 1e+06 mm is beyond the limit of 1000 mm"},
        {"height", set("height", 1001), "height 1001 mm is beyond the limit of 1000 mm"},
        {"at the limit", point("endPoint", "x", -1000), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QJsonObject root = validRoot();
        QJsonArray routes = root.value("routes").toArray();
        ASSERT_EQ(routes.size(), 2);
        QJsonObject route = routes.at(0).toObject();
        QJsonArray segments = route.value("segments").toArray();
        ASSERT_GE(segments.size(), 1);
        QJsonObject last = segments.last().toObject();
        row.change(last);
        segments.replace(segments.size() - 1, last);
        route.insert("segments", segments);
        routes.replace(0, route);
        root.insert("routes", routes);
        const QString file = path("reach.vtq");
        ASSERT_TRUE(writeFile(file, QJsonDocument(root).toJson()));

        ProjectManager project;
        ASSERT_TRUE(load(project, file)) << qPrintable(project.lastError());
        const QList<Route>& loaded = project.routingManager().routes();
        if (*row.note == 0) {
            EXPECT_EQ(loaded.size(), 2);
            EXPECT_TRUE(project.loadNotes().isEmpty());
            continue;
        }
        ASSERT_EQ(loaded.size(), 1);
        ASSERT_EQ(project.routingManager().unbuiltRoutes().size(), 1);
        EXPECT_EQ(loaded.at(0).netName, routes.at(1).toObject().value("netName").toString());
        EXPECT_FALSE(loaded.at(0).segments.first().shape.IsNull());
        EXPECT_EQ(project.loadNotes(),
                  QStringList{QString("track 1 of the file (net %1, from R1/1) is kept as saved and not built: "
                                      "segment %2: %3")
                                  .arg(route.value("netName").toString())
                                  .arg(segments.size())
                                  .arg(row.note)});
    }
}

// Values a track cannot be built from: a segment without length (it hid the bend's round),
// a leg far thinner than the solid's tolerances (it came out short of a leg, or in two), a
// coordinate saved as a text or null (it read as 0 unseen). Each is dropped or repaired, the
// repair told, and the track built whole: its volume is the planned area times its height.
TEST_F(ProjectIoTest, TrackValuesThatCannotBeBuiltAreRepairedWithANote)
{
    const double w = 0.3, h = 1.0, r = w / 2.0;
    // Three legs of 20 mm turning left then right: two quarter rounds outside the shared squares.
    const double planned = (60.0 * w - 2.0 * r * r + 2.0 * M_PI * r * r / 4.0) * h;
    const auto leg = [&](double x0, double y0, double x1, double y1, double width = 0.3) {
        return QJsonObject{{"startPoint", QJsonObject{{"x", x0}, {"y", y0}, {"z", 2.0}}},
                           {"endPoint", QJsonObject{{"x", x1}, {"y", y1}, {"z", 2.0}}},
                           {"type", 0},
                           {"width", width},
                           {"height", h}};
    };
    const auto withPoint = [](QJsonObject segment, const char* which, const char* axis, const QJsonValue& value) {
        QJsonObject point = segment.value(which).toObject();
        point.insert(axis, value);
        segment.insert(which, point);
        return segment;
    };
    const auto withValue = [](QJsonObject segment, const char* key, const QJsonValue& value) {
        segment.insert(key, value);
        return segment;
    };
    const QJsonObject a = leg(0, 0, 20, 0), b = leg(20, 0, 20, 20), c = leg(20, 20, 40, 20);
    const struct
    {
        const char* name;
        QJsonArray segments;
        int kept;
        const char* note; // after the track's name, one line for each | between; empty: no note
        double volume;    // 0: not compared
    } rows[] = {
        {"none at the corner", {a, leg(20, 0, 20, 0), b, c}, 3, "", planned},
        {"several, at both ends too", {leg(0, 0, 0, 0), a, leg(20, 0, 20, 0), leg(20, 0, 20, 0), b, c, leg(40, 20, 40, 20)},
         3, "", planned},
        // A section that cannot be built takes the track's own, as the note says.
        {"leg 1.1e-7 mm wide", {a, leg(20, 0, 20, 20, 1.1e-7), c}, 3,
         ", segment 2: section 1.1e-07 × 1 mm replaced by 0.3 × 1 mm", planned},
        {"leg 1e-6 mm wide", {a, leg(20, 0, 20, 20, 1e-6), c}, 3,
         ", segment 2: section 1e-06 × 1 mm replaced by 0.3 × 1 mm", planned},
        {"first leg's width a text, the next one's taken", {withValue(a, "width", "thin"), b, c}, 3,
         ", segment 1: section (not a number) × 1 mm replaced by 0.3 × 1 mm", planned},
        {"two legs 1e-9 mm high, the first one's taken",
         {withValue(a, "height", 0.5), withValue(b, "height", 1e-9), withValue(c, "height", 1e-9)}, 3,
         ", segment 2: section 0.3 × 1e-09 mm replaced by 0.3 × 0.5 mm|, segment 3: section 0.3 × 1e-09 mm replaced by 0.3 × "
         "0.5 mm",
         planned * 0.5},
        {"no leg with a width, the default one", {withValue(a, "width", 0.0), withValue(b, "width", QJsonValue::Null)}, 2,
         ", segment 1: section 0 × 1 mm replaced by 2 × 1 mm|, segment 2: section (not a number) × 1 mm replaced by 2 × 1 mm",
         0.0},
        {"start X saved as text", {a, withPoint(b, "startPoint", "x", "NaN"), c}, 3,
         ", segment 2: start point X (not a number) replaced by 20 mm", planned},
        {"end Y saved as null", {a, withPoint(b, "endPoint", "y", QJsonValue::Null), c}, 3,
         ", segment 2: end point Y (not a number) replaced by 20 mm", planned},
        {"first start Z null, nothing before it", {withPoint(a, "startPoint", "z", QJsonValue::Null), b, c}, 3,
         ", segment 1: start point Z (not a number) replaced by 0 mm", 0.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QJsonObject root = validRoot();
        QJsonObject route = root.value("routes").toArray().at(0).toObject();
        route.insert("segments", row.segments);
        root.insert("routes", QJsonArray{route});
        const QString file = path("degenerate.vtq");
        ASSERT_TRUE(writeFile(file, QJsonDocument(root).toJson()));

        ProjectManager project;
        ASSERT_TRUE(load(project, file)) << qPrintable(project.lastError());
        const QList<Route>& loaded = project.routingManager().routes();
        ASSERT_EQ(loaded.size(), 1);
        EXPECT_EQ(loaded.at(0).segments.size(), row.kept);
        const QString name = QString("track 1 of the file (net %1, from R1/1)").arg(route.value("netName").toString());
        QStringList notes;
        for (const QString& note : QString::fromUtf8(row.note).split('|', Qt::SkipEmptyParts))
            notes << name + note;
        EXPECT_EQ(project.loadNotes(), notes);
        const TopoDS_Shape solid = project.routingManager().routeShape(loaded.at(0));
        EXPECT_EQ(TestSupport::countOf(solid, TopAbs_SOLID), 1);
        EXPECT_EQ(project.routingManager().routeFault(loaded.at(0)).toStdString(), "");
        if (row.volume > 0.0) {
            EXPECT_NEAR(TestSupport::volumeOf(solid), row.volume, 1e-5 * row.volume);
        }
    }
}

// A damaged shape text whose count makes the reader ask for tens of gigabytes is a damaged
// file, not a shortage of memory, even under a memory limit.
TEST_F(ProjectIoTest, ShapeTextAskingForAbsurdMemoryIsReportedAsDamaged)
{
#ifdef VTQ_ASAN
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QJsonObject root = validRoot();
    QJsonArray shapes = root.value("shapes").toArray();
    // 2e9 nodes of 24 bytes: 48 GB for a text of a few lines.
    shapes.replace(1, brep("CASCADE Topology V3, (c) Open Cascade\nLocations 0\nCurve2ds 0\nCurves 0\n"
                           "Polygon3D 0\nPolygonOnTriangulations 0\nSurfaces 0\nTriangulations 1\n"
                           "2000000000 1 0 0 0\n1 2 3\n"));
    root.insert("shapes", shapes);
    const QString file = path("absurd-count.vtq");
    ASSERT_TRUE(writeFile(file, QJsonDocument(root).toJson()));
    const QString expected = "Corrupt project file: unable to decode 3D shapes at indices 1. Loading aborted to "
                             "prevent silent loss of geometry.";

    const auto opened = [&] {
        ProjectManager project;
        if (load(project, file))
            return 3;
        return project.lastError() == expected ? 0 : 4;
    };
    EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(1ull << 30, opened), ::testing::ExitedWithCode(0), "");
}

namespace {

// Counts the reports and asks for a break at the given one (0: never).
class BreakAtReport : public Message_ProgressIndicator
{
public:
    explicit BreakAtReport(int breakAt) : m_breakAt(breakAt) {}
    int reports = 0;
    bool broken = false;

protected:
    void Show(const Message_ProgressScope&, const Standard_Boolean) override { ++reports; }
    Standard_Boolean UserBreak() override
    {
        broken = broken || (m_breakAt > 0 && reports >= m_breakAt);
        return broken;
    }

private:
    int m_breakAt;
};

} // namespace

// Reading a project's part reports as it goes, and a break stops the reader there: the model is
// left as it was, and the read goes no further than a few reports past the break.
TEST_F(ProjectIoTest, ReadingThePartReportsAndStopsOnABreak)
{
    BRep_Builder builder;
    TopoDS_Compound part;
    builder.MakeCompound(part);
    for (int i = 0; i < 200; ++i)
        builder.Add(part, BRepPrimAPI_MakeBox(gp_Pnt(3.0 * i, 0, 0), 2, 2, 2).Shape());
    ProjectManager saved;
    saved.addShape(part);
    saved.setMainShapeIndex(0);
    ASSERT_TRUE(saved.saveProject(path("many.vtq"), {}, {}, false));

    QList<QJsonObject> placed;
    QList<FootprintData> footprints;
    opencascade::handle<BreakAtReport> whole = new BreakAtReport(0);
    ProjectManager full;
    ASSERT_TRUE(full.loadProject(path("many.vtq"), placed, footprints, whole->Start()));
    ASSERT_GE(whole->reports, 20);

    opencascade::handle<BreakAtReport> broken = new BreakAtReport(5);
    ProjectManager project;
    EXPECT_FALSE(project.loadProject(path("many.vtq"), placed, footprints, broken->Start()));
    EXPECT_LT(broken->reports, whole->reports / 2) << "the reader stopped at the break";
    EXPECT_TRUE(project.shapes().isEmpty());
    EXPECT_TRUE(project.mainShape().IsNull());
}

// A shape text that faults the reader after much geometry: what the reader had built is given
// back each time, so that reading it again and again does not keep the process growing.
TEST_F(ProjectIoTest, AShapeTextThatFaultsTheReaderLeavesLittleBehind)
{
    constexpr int kLines = 20000;
    QByteArray text = "CASCADE Topology V1, (c) Matra-Datavision\nLocations 0\nCurve2ds 0\nCurves "
                      + QByteArray::number(kLines + 1) + "\n";
    for (int i = 0; i < kLines; ++i)
        text += "1 " + QByteArray::number(i) + " 0 0 1 0 0\n";
    text += "8 0 1\n99\nPolygon3D 0\n"; // a trimmed curve whose basis is of no known kind
    const QString encoded = QString::fromLatin1(text.toBase64());
    // What the lines alone take once read, the least a reader that keeps them holds.
    const long long linesBytes = (long long)kLines * (long long)sizeof(Geom_Line);

    constexpr int kReads = 10;
    const long long before = FaultTrap::strandedBytes();
    for (int read = 0; read < kReads; ++read)
        EXPECT_TRUE(decodeShapeFromBase64(encoded).IsNull());
    const long long perFault = (FaultTrap::strandedBytes() - before) / kReads;
    EXPECT_LT(perFault, linesBytes / 4) << "kept per fault: " << perFault << " bytes";
}
