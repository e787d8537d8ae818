// The project file's sections and converters on their own.
#include "logcapture.h"
#include "projectsample.h"
#include "testsupport.h"

#include "project/projectfile.h"
#include "project/projectmanager.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>

#include <QJsonArray>

#include <gtest/gtest.h>

#include <limits>

using namespace ProjectSample;

namespace {

int faceCount(const TopoDS_Shape& shape)
{
    TopTools_IndexedMapOfShape faces;
    TopExp::MapShapes(shape, TopAbs_FACE, faces);
    return faces.Extent();
}

TopoDS_Shape sewnTetrahedron()
{
    const gp_Pnt a(0, 0, 0), b(4, 0, 0), c(0, 4, 0), d(0, 0, 4);
    BRepBuilderAPI_Sewing sewing;
    for (const auto& t : {std::array{a, b, c}, std::array{a, b, d}, std::array{b, c, d}, std::array{a, c, d}})
        sewing.Add(BRepBuilderAPI_MakeFace(BRepBuilderAPI_MakePolygon(t[0], t[1], t[2], true).Wire()).Face());
    sewing.Perform();
    return sewing.SewedShape();
}

TopoDS_Shape meshedPart()
{
    TopoDS_Shape shape = part();
    BRepMesh_IncrementalMesh(shape, 0.1);
    return shape;
}

TopoDS_Shape vertex()
{
    return BRepBuilderAPI_MakeVertex(gp_Pnt(1, 2, 3)).Vertex();
}

} // namespace

class ShapeEncodingTest : public ::testing::TestWithParam<std::pair<const char*, TopoDS_Shape (*)()>>
{
};

TEST_P(ShapeEncodingTest, DecodesToTheSameGeometry)
{
    const TopoDS_Shape shape = GetParam().second();
    const QString text = encodeShapeToBase64(shape);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_FALSE(text.contains('\n'));

    const TopoDS_Shape back = decodeShapeFromBase64(text);
    ASSERT_FALSE(back.IsNull());
    EXPECT_EQ(back.ShapeType(), shape.ShapeType());
    EXPECT_EQ(faceCount(back), faceCount(shape));
    EXPECT_NEAR(TestSupport::volumeOf(back), TestSupport::volumeOf(shape), 1e-9);
    if (faceCount(shape) > 0) {
        TopLoc_Location location;
        const TopoDS_Face face = TopoDS::Face(TopExp_Explorer(back, TopAbs_FACE).Current());
        const TopoDS_Face original = TopoDS::Face(TopExp_Explorer(shape, TopAbs_FACE).Current());
        EXPECT_EQ(BRep_Tool::Triangulation(face, location).IsNull(),
                  BRep_Tool::Triangulation(original, location).IsNull()) << "the display mesh goes along";
    }

    // Line breaks and blanks, as an editor might add them, are skipped.
    QString spaced;
    for (int i = 0; i < text.size(); i += 60)
        spaced += text.mid(i, 60) + (i % 120 ? "\n" : " \r\n ");
    EXPECT_FALSE(decodeShapeFromBase64(spaced).IsNull());
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeEncodingTest,
                         ::testing::Values(std::make_pair("Part", &part), std::make_pair("MeshedPart", &meshedPart),
                                           std::make_pair("SewnShell", &sewnTetrahedron),
                                           std::make_pair("Vertex", &vertex)),
                         [](const auto& info) { return std::string(info.param.first); });

TEST(ShapeEncoding, DamagedTextsGiveNullShapesQuickly)
{
    EXPECT_TRUE(decodeShapeFromBase64(QString()).IsNull());
    FoundationLogCapture capture;
    const QByteArray header = "CASCADE Topology V3, (c) Open Cascade\n";
    for (const QByteArray& text :
         {QByteArray("\x01\x02\x03 junk"), header, header + "Locations 0\nCurve2ds 2000000000\n",
          header + "Locations 0\nCurve2ds 0\nCurves 0\nPolygon3D 0\nPolygonOnTriangulations 0\nSurfaces 0\n"
                   "Triangulations 1\n2000000000 2000000000 0 0\n"})
        EXPECT_TRUE(decodeShapeFromBase64(QString::fromLatin1(text.toBase64())).IsNull()) << text.constData();
}

struct ShapesCase
{
    const char* name;
    QList<int> entries; // 0 empty string, 1 valid shape, 2 corrupt text
    QJsonValue mainIndex;
    bool ok;
    int expectedMain;
    const char* error;
    const char* note = ""; // the load report's line
};

void PrintTo(const ShapesCase& value, std::ostream* os)
{
    *os << value.name;
}

class ReadShapesTest : public ::testing::TestWithParam<ShapesCase>
{
};

TEST_P(ReadShapesTest, AppliesTheMainIndexRules)
{
    const ShapesCase& c = GetParam();
    const QString valid = encodeShapeToBase64(secondaryPart());
    QJsonArray shapes;
    for (int kind : c.entries)
        shapes.append(kind == 0 ? QString() : kind == 1 ? valid : QStringLiteral("Q0FTQ0FERSBUb3BvbG9neQ=="));
    QJsonObject root{{"shapes", shapes}};
    if (!c.mainIndex.isUndefined())
        root.insert("mainShapeIndex", c.mainIndex);

    ProjectManager project;
    EXPECT_EQ(project.readShapes(root), c.ok);
    EXPECT_EQ(project.mainShapeIndex(), c.expectedMain);
    EXPECT_EQ(project.lastError(), QString::fromUtf8(c.error));
    EXPECT_EQ(project.shapes().size(), c.ok ? c.entries.size() : 0);
    EXPECT_EQ(project.loadNotes().join('\n'), QString::fromUtf8(c.note));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadShapesTest,
    ::testing::Values(
        ShapesCase{"NoPart", {}, -1, true, -1, ""},
        ShapesCase{"MainGiven", {1, 1}, 1, true, 1, ""},
        ShapesCase{"MainEmpty", {0, 1}, 0, false, -1,
                   "Corrupt project file: the main part (index 0) is missing or unreadable. Loading aborted."},
        ShapesCase{"MainNegative", {0, 1}, -1, true, 1, "",
                   "the main part's index -1 names no shape of the file (shapes 0 to 1): shape 1, the first one "
                   "there is, is taken as the main part"},
        ShapesCase{"MainTooLarge", {0, 1}, 7, true, 1, "",
                   "the main part's index 7 names no shape of the file (shapes 0 to 1): shape 1, the first one "
                   "there is, is taken as the main part"},
        ShapesCase{"MainMissing", {0, 1}, QJsonValue(), true, 1, "",
                   "the main part's index (missing or not a number) names no shape of the file (shapes 0 "
                   "to 1): shape 1, the first one there is, is taken as the main part"},
        ShapesCase{"MainNotIntegral", {1, 1}, 1.5, true, 0, "",
                   "the main part's index 1.5 names no shape of the file (shapes 0 to 1): shape 0, the first one "
                   "there is, is taken as the main part"},
        ShapesCase{"TwoCorrupt", {1, 1, 2, 1, 2}, 0, false, -1,
                   "Corrupt project file: unable to decode 3D shapes at indices 2, 4. Loading aborted to "
                   "prevent silent loss of geometry."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProjectFileSections, NetlistDropsIncompleteRecords)
{
    const QJsonArray components{
        QJsonObject{{"value", "no ref"}},
        QJsonObject{{"ref", "R1"}, {"value", "1k"}},
        QJsonObject{{"ref", "R1"}, {"value", "2k"},
                    {"pins", QJsonArray{QJsonObject{{"name", "x"}}, QJsonObject{{"number", "2"}, {"name", "a"}},
                                        QJsonObject{{"number", "2"}, {"name", "b"}}}}},
        "junk"};
    const QJsonArray connections{
        QJsonObject{{"netName", "A"}, {"connectedPins", QJsonArray{QJsonObject{{"ref", "R1"}}}}},
        QJsonObject{{"connectedPins", QJsonArray{QJsonObject{{"ref", "R1"}, {"pin", "1"}}}}},
        QJsonObject{{"netName", "B"},
                    {"connectedPins", QJsonArray{QJsonObject{{"ref", "R1"}, {"pin", "1"}}, QJsonObject{{"pin", "2"}}}}}};
    ProjectManager project;
    EXPECT_TRUE(project.readNetlist(QJsonObject{{"netlist", QJsonObject{{"components", components},
                                                                         {"connections", connections}}}}));
    ASSERT_EQ(project.netlist().components.size(), 1);
    const NetlistComponent r1 = project.netlist().components.value("R1");
    EXPECT_EQ(r1.value, "2k") << "a later component replaces the earlier one whole";
    ASSERT_EQ(r1.pins.size(), 1);
    EXPECT_EQ(r1.pins.value("2").name, "b");
    ASSERT_EQ(project.netlist().connections.size(), 1);
    EXPECT_EQ(project.netlist().connections.at(0).netName, "B");
    EXPECT_EQ(project.netlist().connections.at(0).connectedPins.size(), 1);

    EXPECT_FALSE(ProjectManager().readNetlist(QJsonObject{}));
    EXPECT_FALSE(ProjectManager().readNetlist(QJsonObject{{"netlist", QJsonObject{}}}));
}

TEST(ProjectFileSections, FootprintsKeepTheirFieldsAndDefaults)
{
    const FootprintData original = footprints().first();
    const FootprintData back = footprintFromJson(footprintToJson(original));
    EXPECT_EQ(footprintToJson(back), footprintToJson(original));
    EXPECT_EQ(footprintToJson(original).size(), 14);
    EXPECT_EQ(back.copperTracks.at(1).points.at(1), QPointF(0, -1.0));
    EXPECT_EQ(footprintToJson(original).value("copperPads").toArray().at(0).toObject().value("layers"),
              "F.Cu F.Paste F.Mask");

    const FootprintData defaults = footprintFromJson(
        QJsonObject{{"bodyHeight", "tall"}, {"bodyTransparency", std::numeric_limits<double>::infinity()}});
    EXPECT_EQ(footprintToJson(defaults), footprintToJson(FootprintData()));
    EXPECT_EQ(footprintPadFromJson(QJsonObject{{"layers", QJsonArray{"F.Cu"}}}).layers, "");
    const FootprintTrack track = footprintTrackFromJson(QJsonObject{{"points", QJsonArray{QJsonObject{{"y", 2}}, 5}}});
    EXPECT_EQ(track.points, QList<QPointF>({QPointF(0, 2), QPointF(0, 0)}));

    QList<FootprintData> out{FootprintData()};
    EXPECT_TRUE(ProjectManager().readFootprints(QJsonObject{}, out));
    EXPECT_TRUE(out.isEmpty());
}

// Of footprints stored under one name, the library uses the last: told when their contents differ.
TEST(ProjectFileSections, FootprintStoredTwiceWithOtherContentIsTold)
{
    const QJsonObject first{{"name", "R_0805"}, {"thickness", 1.0}};
    const QJsonObject thicker{{"name", "R_0805"}, {"thickness", 2.0}};
    const QJsonObject other{{"name", "C_0603"}};
    const struct
    {
        const char* name;
        QJsonArray footprints;
        const char* note;
    } rows[] = {
        {"once-each", {first, other}, ""},
        {"twice-alike", {first, other, first}, ""},
        {"twice-differing",
         {first, other, thicker},
         "footprint “R_0805” is stored 2 times with different contents: the last one (footprint 3 of the file) is "
         "used"},
        {"three-times-the-last-alike",
         {thicker, first, other, first},
         "footprint “R_0805” is stored 3 times with different contents: the last one (footprint 4 of the file) is "
         "used"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ProjectManager project;
        QList<FootprintData> read;
        ASSERT_TRUE(project.readFootprints(QJsonObject{{"footprints", row.footprints}}, read));
        EXPECT_EQ(read.size(), row.footprints.size()) << "every footprint is kept as read";
        EXPECT_EQ(project.loadNotes().join('\n'), QString::fromUtf8(row.note));
    }
}

TEST(ProjectFileSections, PlacedComponentObjects)
{
    const SavedComponent saved = placedComponents().first();
    const QJsonObject object = placedComponentToJson(saved.data, saved.effectiveFootprintName);
    EXPECT_EQ(object.size(), 17);
    EXPECT_EQ(object.value("footprintName"), "Resistor_SMD:R_0805");
    EXPECT_EQ(object.value("posY"), 2.25);
    EXPECT_EQ(object.value("padXYScale"), 120);
    EXPECT_EQ(object.value("bodyEnabled"), false);
    EXPECT_EQ(object.value("hasMissingFootprint"), true);

    QList<QJsonObject> out{QJsonObject{{"ref", "kept"}}};
    EXPECT_TRUE(ProjectManager::readPlacedComponents(QJsonObject{{"placedComponents", QJsonArray{object}}}, out));
    EXPECT_EQ(out.size(), 2) << "elements are appended";
    QList<QJsonObject> empty;
    EXPECT_FALSE(ProjectManager::readPlacedComponents(QJsonObject{{"placedComponents", QJsonArray{}}}, empty));
}

TEST(ProjectFileSections, RoutingRulesTakeOnlyValidValues)
{
    RoutingRules rules = routingRulesFromJson(QJsonObject{{"trackWidth", 0}, {"clearance", -1}, {"padClearance", 0}});
    EXPECT_EQ(rules.trackWidth, 2.0);
    EXPECT_EQ(rules.trackHeight, 1.0);
    EXPECT_EQ(rules.clearance, 0.5);
    EXPECT_EQ(rules.padClearance, 0.0);
    const double inf = std::numeric_limits<double>::infinity();
    rules = routingRulesFromJson(QJsonObject{{"trackWidth", inf}, {"trackHeight", 0.25}, {"clearance", -inf}});
    EXPECT_EQ(rules.trackWidth, 2.0);
    EXPECT_EQ(rules.trackHeight, 0.25);
    EXPECT_EQ(rules.clearance, 0.5);

    ProjectManager project;
    project.routingManager().setRoutingRules(RoutingRules{3, 3, 3, 3});
    EXPECT_TRUE(project.readRoutingRules(QJsonObject{}));
    EXPECT_EQ(project.routingManager().routingRules().trackWidth, 3.0) << "without the section the rules stay";

    // A value replaced is told, with the value read and the one in force.
    EXPECT_TRUE(project.readRoutingRules(QJsonObject{
        {"routingRules", QJsonObject{{"trackWidth", -2}, {"trackHeight", 0.25}, {"clearance", "wide"}}}}));
    EXPECT_EQ(project.routingManager().routingRules().trackHeight, 0.25);
    EXPECT_EQ(project.loadNotes(), (QStringList{"routing rule “track width”: -2 mm replaced by 2 mm",
                                                "routing rule “clearance”: (not a number) mm replaced by 0.5 mm"}));
}

TEST(ProjectFileSections, JunctionIsWrittenAndReadOnlyForRoutesEndingOnATrack)
{
    ProjectManager project;
    fill(project);
    QJsonObject root;
    project.writeRoutes(root);
    const QJsonArray routes = root.value("routes").toArray();
    ASSERT_EQ(routes.size(), 2);
    const QJsonObject direct = routes.at(0).toObject();
    EXPECT_FALSE(direct.contains("endsOnTrack") || direct.contains("endJunction") || direct.contains("id"));
    EXPECT_EQ(routes.at(1).toObject().value("endsOnTrack"), true);
    EXPECT_EQ(routes.at(1).toObject().value("endJunction").toObject().value("y"), 2.0);

    QJsonObject stray = direct;
    stray.insert("endJunction", pointToJson(gp_Pnt(9, 9, 9)));
    ProjectManager reader;
    EXPECT_TRUE(reader.readRoutes(QJsonObject{{"routes", QJsonArray{stray}}}));
    ASSERT_EQ(reader.routingManager().routes().size(), 1);
    EXPECT_TRUE(reader.routingManager().routes().at(0).endJunction.IsEqual(gp_Pnt(0, 0, 0), 0));
}

namespace {

FootprintZone zone(QList<QPointF> outline, const QString& layer)
{
    FootprintZone z;
    z.outline = std::move(outline);
    z.layer = layer;
    return z;
}

} // namespace

// A footprint drawn with zones alone is centred on them: they must come back from the file.
TEST(ProjectFileSections, ZonesComeBackAndOnlyFootprintsWithZonesWriteThem)
{
    FootprintData drawn;
    drawn.name = QStringLiteral("ZoneOnly");
    drawn.zones = {zone({{10, -5}, {14, -5}, {14, -9}, {10, -9}}, QStringLiteral("F.Cu B.Cu")),
                   zone({{1, 1}, {2, 2}}, QStringLiteral("F.Cu"))};
    const QJsonObject object = footprintToJson(drawn);
    ASSERT_EQ(object.value("zones").toArray().size(), 2);

    FoundationLogCapture log;
    const FootprintData back = footprintFromJson(object);
    ASSERT_EQ(back.zones.size(), 1) << "a zone of fewer than three vertices is not kept";
    EXPECT_EQ(back.zones.at(0).outline, drawn.zones.at(0).outline);
    EXPECT_EQ(back.zones.at(0).layer, QStringLiteral("F.Cu B.Cu"));
    EXPECT_TRUE(log.contains("footprintFromJson: zone of 2 vertices in footprint \"ZoneOnly\" skipped"))
        << log.joined().toStdString();

    // Files without the key (every file written before, and footprints without zones) read as before.
    FootprintData undrawn = footprints().first();
    undrawn.zones.clear();
    EXPECT_FALSE(footprintToJson(undrawn).contains("zones"));
    EXPECT_TRUE(footprintFromJson(QJsonObject{{"name", "Old"}}).zones.isEmpty());
    EXPECT_TRUE(footprintFromJson(QJsonObject{{"zones", "not a list"}}).zones.isEmpty());
}

namespace {

struct StoredTrackCase
{
    const char* name;
    QJsonObject route;
    int kept;           // routes in the model after the read
    const char* note;   // the load report's line; empty when there is none
    double width;       // of the first segment, when one is kept
    double height;
    QJsonArray zones = {};        // of a footprint read beside the tracks
    QList<int> zoneVertices = {}; // of each zone it keeps
};

void PrintTo(const StoredTrackCase& c, std::ostream* os) { *os << c.name; }

QJsonObject storedTrack(const QString& net, const QJsonValue& width, const QJsonValue& height, bool complete = true)
{
    QJsonObject segment{{"startPoint", QJsonObject{{"x", 0}, {"y", 0}, {"z", 5}}},
                        {"endPoint", QJsonObject{{"x", 10}, {"y", 0}, {"z", 5}}},
                        {"type", 0}};
    if (!width.isUndefined())
        segment.insert("width", width);
    if (!height.isUndefined())
        segment.insert("height", height);
    return QJsonObject{{"netName", net},          {"startRef", "R1"}, {"startPad", "1"},
                       {"endRef", "R2"},          {"endPad", "2"},    {"isComplete", complete},
                       {"segments", QJsonArray{segment}}};
}

QJsonObject withoutSegments(QJsonObject route)
{
    route.insert("segments", QJsonArray{});
    return route;
}

// A zone of footprint "Z": a square with junk put in at the given place of its outline.
QJsonArray zoneWith(int place, const QJsonValue& junk, int keptCorners = 4)
{
    QJsonArray outline;
    for (int i = 0; i < keptCorners; ++i)
        outline.append(QJsonObject{{"x", 1 + i % 2}, {"y", 1 + i / 2}});
    outline.insert(place - 1, junk);
    return QJsonArray{QJsonObject{{"outline", outline}, {"layer", "F.Cu"}}};
}

} // namespace

class StoredTrackRepairs : public ::testing::TestWithParam<StoredTrackCase>
{
};

// What the reader repairs or leaves out of a stored track or footprint zone is told, naming the
// track or zone and the value.
TEST_P(StoredTrackRepairs, AreToldInTheLoadNotes)
{
    const StoredTrackCase& c = GetParam();
    ProjectManager project;
    Netlist netlist;
    netlist.connections.append({QStringLiteral("GND"), {PadId(QStringLiteral("R1"), QStringLiteral("1"))}});
    project.setNetlist(std::move(netlist));
    // A first, sound track: the faulty one is the file's second.
    const QJsonObject sound = storedTrack("GND", 1.5, 0.5);
    ASSERT_TRUE(project.readRoutes(QJsonObject{{"routes", QJsonArray{sound, c.route}}}));
    QList<FootprintData> prints;
    ASSERT_TRUE(project.readFootprints(
        QJsonObject{{"footprints", QJsonArray{QJsonObject{{"name", "Z"}, {"zones", c.zones}}}}}, prints));

    const QList<Route>& routes = project.routingManager().routes();
    ASSERT_EQ(routes.size(), 1 + c.kept);
    EXPECT_EQ(project.loadNotes().join('\n'), QString::fromUtf8(c.note));
    QList<int> zoneVertices;
    for (const FootprintZone& zone : prints.first().zones) {
        zoneVertices << zone.outline.size();
        EXPECT_FALSE(zone.outline.contains(QPointF(0, 0))) << "junk read as the origin";
    }
    EXPECT_EQ(zoneVertices, c.zoneVertices);
    if (c.kept > 0 && !routes.last().segments.isEmpty()) {
        EXPECT_EQ(routes.last().segments.first().width, c.width);
        EXPECT_EQ(routes.last().segments.first().height, c.height);
        EXPECT_FALSE(routes.last().segments.first().shape.IsNull());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, StoredTrackRepairs,
    ::testing::Values(
        StoredTrackCase{"Sound", storedTrack("GND", 2.5, 0.8), 1, "", 2.5, 0.8},
        StoredTrackCase{"NoSectionStored", storedTrack("GND", QJsonValue::Undefined, QJsonValue::Undefined), 1, "",
                        2.0, 1.0},
        StoredTrackCase{"NegativeWidth", storedTrack("GND", -0.5, 0.8), 1,
                        "track 2 of the file (net GND, from R1/1), segment 1: section -0.5 × 0.8 mm replaced by 2 × "
                        "0.8 mm",
                        2.0, 0.8},
        StoredTrackCase{"NegativeWidthAndHeight", storedTrack("GND", -3, -1), 1,
                        "track 2 of the file (net GND, from R1/1), segment 1: section -3 × -1 mm replaced by 2 × 1 mm",
                        2.0, 1.0},
        StoredTrackCase{"ZeroHeight", storedTrack("GND", 2.5, 0), 1,
                        "track 2 of the file (net GND, from R1/1), segment 1: section 2.5 × 0 mm replaced by 2.5 × "
                        "1 mm",
                        2.5, 1.0},
        StoredTrackCase{"WidthNotANumber", storedTrack("GND", "wide", 0.8), 1,
                        "track 2 of the file (net GND, from R1/1), segment 1: section (not a number) × 0.8 mm "
                        "replaced by 2 × 0.8 mm",
                        2.0, 0.8},
        StoredTrackCase{"FinishedWithoutSegment", withoutSegments(storedTrack("GND", 2, 1)), 0,
                        "track 2 of the file (net GND, from R1/1) is kept as saved and not built: it is marked "
                        "finished but has no segment",
                        0, 0},
        StoredTrackCase{"UnfinishedWithoutSegment", withoutSegments(storedTrack("GND", 2, 1, false)), 1, "", 0, 0},
        StoredTrackCase{"StoredTwice", storedTrack("GND", 1.5, 0.5), 1,
                        "track 2 of the file (net GND, from R1/1) is stored twice: it is the same as track 1 of the "
                        "file, and both are kept",
                        1.5, 0.5},
        StoredTrackCase{"NetNotInTheNetlist", storedTrack("VCC", 2, 1), 1,
                        "track 2 of the file (net VCC, from R1/1) is on net “VCC”, which the netlist does not have: "
                        "kept as it was saved",
                        2.0, 1.0},
        StoredTrackCase{"ZoneVertexANumber", storedTrack("GND", 2, 1), 1,
                        "footprint “Z”, zone 1: vertex 3 is not a point: dropped", 2.0, 1.0, zoneWith(3, 5), {4}},
        StoredTrackCase{"ZoneVertexAString", storedTrack("GND", 2, 1), 1,
                        "footprint “Z”, zone 1: vertex 1 is not a point: dropped", 2.0, 1.0, zoneWith(1, "corner"),
                        {4}},
        StoredTrackCase{"ZoneCoordinateAString", storedTrack("GND", 2, 1), 1,
                        "footprint “Z”, zone 1: vertex 5 is not a point: dropped", 2.0, 1.0,
                        zoneWith(5, QJsonObject{{"x", "left"}, {"y", 3}}), {4}},
        StoredTrackCase{"ZoneLeftWithTwoVertices", storedTrack("GND", 2, 1), 1,
                        "footprint “Z”, zone 1: vertex 2 is not a point: dropped\n"
                        "footprint “Z”, zone 1 has fewer than three vertices: dropped",
                        2.0, 1.0, zoneWith(2, QJsonArray{1, 2}, 2), {}}),
    [](const ::testing::TestParamInfo<StoredTrackCase>& info) { return std::string(info.param.name); });
