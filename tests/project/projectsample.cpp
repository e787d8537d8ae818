#include "projectsample.h"

#include "project/projectfile.h"
#include "project/projectmanager.h"

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <gp_Ax2.hxx>

#include <QFile>
#include <QJsonArray>

namespace ProjectSample {

TopoDS_Shape part()
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(-20, -15, 0), 40, 30, 5).Shape();
    const TopoDS_Shape pocket = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 2), gp::DZ()), 3, 10).Shape();
    return decodeShapeFromBase64(encodeShapeToBase64(BRepAlgoAPI_Cut(box, pocket).Shape()));
}

TopoDS_Shape secondaryPart()
{
    return decodeShapeFromBase64(encodeShapeToBase64(BRepPrimAPI_MakeBox(gp_Pnt(50, 0, 0), 5, 5, 5).Shape()));
}

void fill(ProjectManager& project)
{
    project.addShape(secondaryPart());
    project.addShape(part());
    project.setMainShapeIndex(1);

    Netlist netlist;
    netlist.components.insert("R1", NetlistComponent{"R1", "10k", "Resistor_SMD:R_0805",
                                                     {{"1", NetlistPin{"1", ""}}, {"2", NetlistPin{"2", ""}}}});
    netlist.components.insert("U1", NetlistComponent{"U1", "NE555", "Package_DIP:DIP-8",
                                                     {{"1", NetlistPin{"1", "GND"}}, {"10", NetlistPin{"10", "X"}},
                                                      {"2", NetlistPin{"2", "TR"}}}});
    netlist.connections = {NetlistNet{"GND", {PadId("R1", "1"), PadId("U1", "1")}},
                           NetlistNet{"/VCC", {PadId("R1", "2"), PadId("U1", "10"), PadId("U1", "2")}}};
    project.setNetlist(std::move(netlist));

    RoutingManager& routing = project.routingManager();
    routing.setRoutingRules(RoutingRules{1.5, 0.8, 0.3, 0.2});

    Route direct;
    direct.netName = "GND";
    direct.startRef = "R1";
    direct.startPad = "1";
    direct.endRef = "U1";
    direct.endPad = "1";
    direct.isComplete = true;
    direct.segments = {RouteSegment{gp_Pnt(-5, 2, 5.1), gp_Pnt(5, 2, 5.1), 0, 1.5, 0.8, {}, {}},
                       RouteSegment{gp_Pnt(5, 2, 5.1), gp_Pnt(5, 2, 7.25), 1, 1.5, 0.8, {}, {}},
                       RouteSegment{gp_Pnt(5, 2, 7.25), gp_Pnt(5, 9.5, 7.25), 0, 1.25, 0.6, {}, {}}};
    Route tee;
    tee.netName = "GND";
    tee.startRef = "U1";
    tee.startPad = "2";
    tee.isComplete = true;
    tee.endsOnTrack = true;
    tee.endJunction = gp_Pnt(0, 2, 5.1);
    tee.segments = {RouteSegment{gp_Pnt(0, -8, 5.1), gp_Pnt(0, 2, 5.1), 0, 2.0, 1.0, {}, {}}};
    for (Route* route : {&direct, &tee}) {
        for (RouteSegment& s : route->segments)
            RoutingManager::buildSegmentShape(s);
        routing.addRoute(*route);
    }
}

QList<FootprintData> footprints()
{
    FootprintData resistor;
    resistor.name = "R_0805";
    resistor.path = "/somewhere/R_0805.kicad_mod";
    resistor.copperPads = {FootprintPad{"1", -0.95, 0, "roundrect", 0.9, 1.45, 0, "F.Cu F.Paste F.Mask"},
                           FootprintPad{"2", 0.95, 0.125, "rect", 0.9, 1.45, 90, "F.Cu"}};
    resistor.copperTracks = {FootprintTrack{{QPointF(-1, 0.5), QPointF(1, 0.5)}, 0.12, "F.Cu"},
                             FootprintTrack{{QPointF(-1, -0.5), QPointF(0, -1.0), QPointF(1, -0.5)}, 0.2, "B.Cu"}};
    resistor.zones = {FootprintZone{{QPointF(0, 0), QPointF(1, 0), QPointF(1, 1)}, "F.Cu"}};
    resistor.thickness = 1.2;
    resistor.bodyHeight = 2.5;
    resistor.bodyMarginX = 0.75;
    resistor.bodyMarginY = 0.5;
    resistor.bodyOffsetZ = -0.25;
    resistor.bodyTransparency = 0.6;
    resistor.bodyUndercut = 0.3;
    resistor.bodyWidthOverride = 7.62;
    resistor.bodyLengthOverride = 9.5;
    resistor.isBuiltin = true;
    return {resistor, FootprintData()};
}

QList<SavedComponent> placedComponents()
{
    PlacedComponentData r1;
    r1.ref = "R1";
    r1.position = gp_Pnt(-5.5, 2.25, 5);
    r1.rotation = 90;
    r1.footprintThickness = 1.1;
    r1.bodyUndercut = 0.35;
    r1.padXYScale = 120;
    r1.bodyOffsetZ = 0.5;
    r1.bodyWidth = 3.1;
    r1.bodyLength = 2.2;
    r1.bodyHeight = 1.7;
    r1.bodyMarginX = 0.3;
    r1.bodyMarginY = 0.4;
    r1.bodyEnabled = false;
    r1.hasMissingFootprint = true;
    return {SavedComponent{r1, "Resistor_SMD:R_0805"}, SavedComponent{PlacedComponentData(), QString()}};
}

QJsonObject withoutDate(QJsonObject root)
{
    QJsonObject metadata = root.value("metadata").toObject();
    metadata.remove("createdDate");
    root.insert("metadata", metadata);
    return root;
}

QJsonObject snapshot(const ProjectManager& project)
{
    QString error;
    QJsonObject root = withoutDate(project.buildProjectJson({}, {}, error));
    const RoutingManager& routing = project.routingManager();
    QJsonArray ids;
    for (const Route& route : routing.routes())
        ids.append(QString::number(route.id));
    root.insert("routeIds", ids);
    QJsonObject netPads;
    for (auto it = routing.netPads().cbegin(); it != routing.netPads().cend(); ++it)
        netPads.insert(it.key(), int(it.value().size()));
    root.insert("netPads", netPads);
    return root;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace ProjectSample
