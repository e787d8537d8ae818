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

namespace {

TopoDS_Shape settled(const TopoDS_Shape& shape)
{
    return decodeShapeFromBase64(encodeShapeToBase64(shape));
}

} // namespace

TopoDS_Shape part()
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(-20, -15, 0), 40, 30, 5).Shape();
    const TopoDS_Shape pocket = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 2), gp::DZ()), 3, 10).Shape();
    return settled(BRepAlgoAPI_Cut(box, pocket).Shape());
}

TopoDS_Shape secondaryPart()
{
    return settled(BRepPrimAPI_MakeBox(gp_Pnt(50, 0, 0), 5, 5, 5).Shape());
}

void fill(ProjectManager& project)
{
    project.addShape(secondaryPart());
    project.addShape(part());
    project.setMainShapeIndex(1);

    Netlist netlist;
    NetlistComponent r1{QStringLiteral("R1"), QStringLiteral("10k"), QStringLiteral("Resistor_SMD:R_0805"), {}};
    r1.pins.insert(QStringLiteral("1"), NetlistPin{QStringLiteral("1"), QString()});
    r1.pins.insert(QStringLiteral("2"), NetlistPin{QStringLiteral("2"), QString()});
    NetlistComponent u1{QStringLiteral("U1"), QStringLiteral("NE555"), QStringLiteral("Package_DIP:DIP-8"), {}};
    for (const char* pin : {"1", "2", "10"})
        u1.pins.insert(QString::fromLatin1(pin), NetlistPin{QString::fromLatin1(pin), QStringLiteral("P%1").arg(QLatin1String(pin))});
    netlist.components.insert(r1.ref, r1);
    netlist.components.insert(u1.ref, u1);
    netlist.connections.append(NetlistNet{QStringLiteral("GND"),
                                          {PadId(QStringLiteral("R1"), QStringLiteral("1")),
                                           PadId(QStringLiteral("U1"), QStringLiteral("1"))}});
    netlist.connections.append(NetlistNet{QStringLiteral("/VCC"),
                                          {PadId(QStringLiteral("R1"), QStringLiteral("2")),
                                           PadId(QStringLiteral("U1"), QStringLiteral("10")),
                                           PadId(QStringLiteral("U1"), QStringLiteral("2"))}});
    project.setNetlist(std::move(netlist));

    RoutingManager& routing = project.routingManager();
    routing.setRoutingRules(RoutingRules{1.5, 0.8, 0.3, 0.2});

    Route direct;
    direct.netName = QStringLiteral("GND");
    direct.startRef = QStringLiteral("R1");
    direct.startPad = QStringLiteral("1");
    direct.endRef = QStringLiteral("U1");
    direct.endPad = QStringLiteral("1");
    direct.isComplete = true;
    direct.segments = {RouteSegment{gp_Pnt(-5, 2, 5.1), gp_Pnt(5, 2, 5.1), 0, 1.5, 0.8, {}, {}},
                       RouteSegment{gp_Pnt(5, 2, 5.1), gp_Pnt(5, 2, 7.25), 1, 1.5, 0.8, {}, {}},
                       RouteSegment{gp_Pnt(5, 2, 7.25), gp_Pnt(5, 9.5, 7.25), 0, 1.25, 0.6, {}, {}}};
    for (RouteSegment& s : direct.segments)
        RoutingManager::buildSegmentShape(s);
    routing.addRoute(direct);

    Route tee;
    tee.netName = QStringLiteral("GND");
    tee.startRef = QStringLiteral("U1");
    tee.startPad = QStringLiteral("2");
    tee.isComplete = true;
    tee.endsOnTrack = true;
    tee.endJunction = gp_Pnt(0, 2, 5.1);
    tee.segments = {RouteSegment{gp_Pnt(0, -8, 5.1), gp_Pnt(0, 2, 5.1), 0, 2.0, 1.0, {}, {}}};
    RoutingManager::buildSegmentShape(tee.segments.first());
    routing.addRoute(tee);
}

QList<FootprintData> footprints()
{
    FootprintData resistor;
    resistor.name = QStringLiteral("R_0805");
    resistor.path = QStringLiteral("/somewhere/R_0805.kicad_mod");
    resistor.copperPads = {FootprintPad{QStringLiteral("1"), -0.95, -0.0, QStringLiteral("roundrect"), 0.9, 1.45, 0, QStringLiteral("F.Cu F.Paste F.Mask")},
                           FootprintPad{QStringLiteral("2"), 0.95, 0.125, QStringLiteral("rect"), 0.9, 1.45, 90, QStringLiteral("F.Cu")}};
    resistor.copperTracks = {FootprintTrack{{QPointF(-1, 0.5), QPointF(1, 0.5)}, 0.12, QStringLiteral("F.Cu")},
                             FootprintTrack{{QPointF(-1, -0.5), QPointF(0, -1.0), QPointF(1, -0.5)}, 0.2, QStringLiteral("B.Cu")}};
    resistor.zones = {FootprintZone{{QPointF(0, 0), QPointF(1, 0), QPointF(1, 1)}, QStringLiteral("F.Cu")}};
    resistor.thickness = 1.2;
    resistor.bodyHeight = 2.5;
    resistor.bodyMarginX = 0.75;
    resistor.bodyMarginY = 0.5;
    resistor.bodyOffsetZ = -0.25;
    resistor.bodyTransparency = 0.6;
    resistor.bodyUndercut = 0.3;

    FootprintData builtin;
    builtin.name = QStringLiteral("DIP-8");
    builtin.copperPads = {FootprintPad{QStringLiteral("1"), 0, 0, QStringLiteral("rect"), 1.6, 1.6, 0, QStringLiteral("*.Cu *.Mask")}};
    builtin.bodyWidthOverride = 7.62;
    builtin.bodyLengthOverride = 9.5;
    builtin.isBuiltin = true;
    return {resistor, builtin};
}

QList<SavedComponent> placedComponents()
{
    PlacedComponentData r1;
    r1.ref = QStringLiteral("R1");
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
    r1.footprintName = QStringLiteral("R_0805");

    PlacedComponentData u1;
    u1.ref = QStringLiteral("U1");
    u1.position = gp_Pnt(6, -3, 5);
    u1.rotation = 12.5;
    u1.bodyEnabled = false;
    u1.hasMissingFootprint = true;
    u1.requestedFootprint = QStringLiteral("DIP-8-Missing");

    return {SavedComponent{r1, QStringLiteral("R_0805")},
            SavedComponent{u1, QStringLiteral("Package_DIP:DIP-8-Missing")}};
}

SavedComponent savedFromJson(const QJsonObject& o)
{
    SavedComponent saved;
    PlacedComponentData& d = saved.data;
    d.ref = o.value(QStringLiteral("ref")).toString();
    d.position = gp_Pnt(o.value(QStringLiteral("posX")).toDouble(), o.value(QStringLiteral("posY")).toDouble(),
                        o.value(QStringLiteral("posZ")).toDouble());
    d.rotation = o.value(QStringLiteral("rotation")).toDouble();
    d.footprintThickness = o.value(QStringLiteral("footprintThickness")).toDouble();
    d.bodyUndercut = o.value(QStringLiteral("bodyUndercut")).toDouble();
    d.padXYScale = o.value(QStringLiteral("padXYScale")).toDouble();
    d.bodyOffsetZ = o.value(QStringLiteral("bodyOffsetZ")).toDouble();
    d.bodyWidth = o.value(QStringLiteral("bodyWidth")).toDouble();
    d.bodyLength = o.value(QStringLiteral("bodyLength")).toDouble();
    d.bodyHeight = o.value(QStringLiteral("bodyHeight")).toDouble();
    d.bodyMarginX = o.value(QStringLiteral("bodyMarginX")).toDouble();
    d.bodyMarginY = o.value(QStringLiteral("bodyMarginY")).toDouble();
    d.bodyEnabled = o.value(QStringLiteral("bodyEnabled")).toBool();
    d.hasMissingFootprint = o.value(QStringLiteral("hasMissingFootprint")).toBool();
    saved.effectiveFootprintName = o.value(QStringLiteral("footprintName")).toString();
    return saved;
}

QList<SavedComponent> savedFromJson(const QList<QJsonObject>& objects)
{
    QList<SavedComponent> list;
    for (const QJsonObject& object : objects)
        list.append(savedFromJson(object));
    return list;
}

QJsonObject withoutDate(QJsonObject root)
{
    QJsonObject metadata = root.value(QStringLiteral("metadata")).toObject();
    metadata.remove(QStringLiteral("createdDate"));
    root.insert(QStringLiteral("metadata"), metadata);
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
    root.insert(QStringLiteral("routeIds"), ids);
    QJsonObject netPads;
    for (auto it = routing.netPads().cbegin(); it != routing.netPads().cend(); ++it) {
        QJsonArray pads;
        for (const PadId& pad : it.value())
            pads.append(pad.toString());
        netPads.insert(it.key(), pads);
    }
    root.insert(QStringLiteral("netPads"), netPads);
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
