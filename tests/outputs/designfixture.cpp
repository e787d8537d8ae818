#include "designfixture.h"

#include "testsupport.h"

#include "components/footprintmanager.h"
#include "foundation/stepimporter.h"
#include "outputs/stepexporter.h"
#include "project/kicadnetlistreader.h"
#include "routing/routingmanager.h"

#include <QFile>
#include <QFileInfo>
#include <QPointF>

#include <AIS_Shape.hxx>
#include <QTemporaryDir>

#include <AIS_InteractiveContext.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <TopTools_ListOfShape.hxx>
#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <Bnd_Box.hxx>
#include <BRepFilletAPI_MakeFillet.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <V3d_Viewer.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <cmath>
#include <random>

namespace DesignFixture {

TopoDS_Shape box(double x0, double y0, double z0, double x1, double y1, double z1)
{
    return BRepPrimAPI_MakeBox(gp_Pnt(x0, y0, z0), gp_Pnt(x1, y1, z1)).Shape();
}

TopoDS_Shape roundedEdges(const TopoDS_Shape& shape, double radius)
{
    BRepFilletAPI_MakeFillet rounded(shape);
    for (TopExp_Explorer e(shape, TopAbs_EDGE); e.More(); e.Next())
        rounded.Add(radius, TopoDS::Edge(e.Current()));
    rounded.Build();
    return rounded.IsDone() ? rounded.Shape() : shape;
}

TopoDS_Shape nurbs(const TopoDS_Shape& shape)
{
    return BRepBuilderAPI_NurbsConvert(shape, true).Shape();
}

TopoDS_Shape throughStep(const TopoDS_Shape& part)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("part.step"));
    if (!TestSupport::writeStep(part, path))
        return TopoDS_Shape();
    const StepImportResult read = StepImporter::importStep(path);
    if (read.status != StepImportResult::Ok || read.shapes.isEmpty())
        return TopoDS_Shape();
    return read.shapes.size() == 1 ? read.shapes.first() : StepExporter::compoundOf(read.shapes);
}

Route route(const QString& net, const QList<QPointF>& points, double z, double width, double height)
{
    Route r;
    r.netName = net;
    r.isComplete = true;
    for (int i = 1; i < points.size(); ++i) {
        RouteSegment segment;
        segment.start = gp_Pnt(points.at(i - 1).x(), points.at(i - 1).y(), z);
        segment.end = gp_Pnt(points.at(i).x(), points.at(i).y(), z);
        segment.width = width;
        segment.height = height;
        segment.shape = RoutingManager::createSegmentShape(segment);
        r.segments.append(segment);
    }
    return r;
}

AssemblyInput Design::input() const
{
    AssemblyInput in;
    in.mainPart = part;
    in.components = &components;
    in.routes = &routes;
    in.routeShape = &RoutingManager::createRouteShape;
    return in;
}

opencascade::handle<AIS_InteractiveContext> headlessContext()
{
    static opencascade::handle<AIS_InteractiveContext> context = [] {
        opencascade::handle<Aspect_DisplayConnection> connection;
        opencascade::handle<OpenGl_GraphicDriver> driver = new OpenGl_GraphicDriver(connection, false);
        return opencascade::handle<AIS_InteractiveContext>(new AIS_InteractiveContext(new V3d_Viewer(driver)));
    }();
    return context;
}

PlacedComponentData twoPadComponent(const QString& ref, const gp_Pnt& at, double lift)
{
    PlacedComponentData c;
    c.ref = ref;
    c.position = at;
    c.bodyOffsetZ = lift;
    c.footprintThickness = 1.0;
    c.bodyUndercut = 0.4;
    c.bodyWidth = c.bodyLength = 4.0;
    c.bodyHeight = 3.0;
    c.compositeShape =
        new AIS_Shape(box(at.X() - 2, at.Y() - 2, at.Z() + lift, at.X() + 2, at.Y() + 2, at.Z() + lift + 3));
    for (int i = 0; i < 2; ++i) {
        PlacedPadData pad;
        pad.number = QString::number(i + 1);
        const double x = at.X() - 1.0 + 2.0 * i;
        pad.worldPosition = gp_Pnt(x, at.Y(), at.Z());
        pad.placedShape = box(x - 0.5, at.Y() - 0.75, at.Z() - 1.0, x + 0.5, at.Y() + 0.75, at.Z() + 0.4);
        pad.scaledWidth = 1.0;
        pad.scaledHeight = 1.5;
        c.pads.append(pad);
    }
    return c;
}

PlacedComponentData kicadComponent(const QString& ref, const QString& footprint, const gp_Pnt& position)
{
    FootprintManager library;
    const QString folder = footprint.section(QLatin1Char(':'), 0, 0) + QStringLiteral(".pretty");
    library.addSearchPath(TestSupport::kicadFootprintRoot() + QLatin1Char('/') + folder);
    library.buildFootprintIndex();
    return library.createPlacedComponent(ref, footprint.section(QLatin1Char(':'), 1), position, headlessContext());
}

Design realDesign(const QString& netlistFile, double partHeight, double surfaceZ, int maxComponents,
                  QString* skipReason)
{
    Design design;
    QFile file(netlistFile);
    if (!file.open(QIODevice::ReadOnly) || !parseKiCadSExpression(QString::fromUtf8(file.readAll()), design.netlist)) {
        *skipReason = QStringLiteral("netlist unreadable: ") + netlistFile;
        return Design();
    }
    const QString root = TestSupport::kicadFootprintRoot();
    if (!QFileInfo(root).isDir()) {
        *skipReason = QStringLiteral("KiCad footprint library not installed");
        return Design();
    }

    FootprintManager library;
    for (const NetlistComponent& component : std::as_const(design.netlist.components)) {
        const QString lib = component.footprint.section(QLatin1Char(':'), 0, 0);
        library.addSearchPath(root + QLatin1Char('/') + lib + QStringLiteral(".pretty"));
    }
    library.buildFootprintIndex();

    // Rows from left to right, 4 mm apart; the part is sized to the rows afterwards.
    const double gap = 4.0;
    const double rowWidth = 120.0;
    double x = gap, y = gap, rowDepth = 0.0, widest = 0.0;
    int placed = 0;
    for (const NetlistComponent& component : std::as_const(design.netlist.components)) {
        if (maxComponents >= 0 && placed >= maxComponents)
            break;
        const QString name = FootprintManager::normalizeFootprintName(component.footprint);
        if (!library.loadFootprint(name))
            continue;
        const FootprintData footprint = library.getFootprint(name);
        double minX, maxX, minY, maxY;
        FootprintManager::calculateFootprintBounds(footprint, minX, maxX, minY, maxY);
        const double w = maxX - minX, d = maxY - minY;
        if (x + w > rowWidth && x > gap) {
            x = gap;
            y += rowDepth + gap;
            rowDepth = 0.0;
        }
        const gp_Pnt position(x - minX, y - minY, surfaceZ);
        PlacedComponentData placedComponent =
            library.createPlacedComponent(component.ref, component.footprint, position, headlessContext());
        if (placedComponent.hasMissingFootprint)
            continue;
        design.components.insert(component.ref, placedComponent);
        x += w + gap;
        widest = std::max(widest, x);
        rowDepth = std::max(rowDepth, d);
        ++placed;
    }
    design.part = box(0, 0, 0, std::max(widest, rowWidth), y + rowDepth + gap, partHeight);

    for (const NetlistNet& net : std::as_const(design.netlist.connections)) {
        QList<QPointF> ends;
        for (const PadId& pin : net.connectedPins) {
            const auto it = design.components.constFind(pin.ref);
            if (it == design.components.cend())
                continue;
            for (const PlacedPadData& pad : it->pads) {
                if (pad.number == pin.pad) {
                    ends.append(QPointF(pad.worldPosition.X(), pad.worldPosition.Y()));
                    break;
                }
            }
            if (ends.size() == 2)
                break;
        }
        if (ends.size() < 2 || ends.first() == ends.last())
            continue;
        QList<QPointF> points{ends.first()};
        const QPointF corner(ends.last().x(), ends.first().y());
        if (corner != ends.first() && corner != ends.last())
            points.append(corner);
        points.append(ends.last());
        design.routes.append(route(net.netName, points, surfaceZ - 1.0, 1.0, 0.8));
    }
    return design;
}

Design footprintGrid(int count, int tracks, double trackWidth, double trackHeight, QString* skipReason)
{
    Design design;
    if (!QFileInfo(TestSupport::kicadFootprintRoot()).isDir()) {
        *skipReason = QStringLiteral("KiCad footprint library not installed");
        return design;
    }
    static const char* const footprints[] = {"Resistor_SMD:R_0805_2012Metric", "Capacitor_SMD:C_0603_1608Metric",
                                             "Package_SO:SOIC-8_3.9x4.9mm_P1.27mm", "Package_DIP:DIP-8_W7.62mm",
                                             "Package_QFP:LQFP-48_7x7mm_P0.5mm"};
    constexpr int columns = 6;
    constexpr double pitch = 16.0, top = 5.0;
    QList<QString> refs;
    for (int i = 0; i < count; ++i) {
        const QString ref = QStringLiteral("U%1").arg(i + 1);
        const gp_Pnt at(10.0 + pitch * (i % columns), 10.0 + pitch * (i / columns), top);
        const PlacedComponentData component = kicadComponent(ref, QString::fromLatin1(footprints[i % 5]), at);
        if (component.hasMissingFootprint || component.pads.isEmpty()) {
            *skipReason = QStringLiteral("footprint missing: ") + QString::fromLatin1(footprints[i % 5]);
            return Design();
        }
        design.components.insert(ref, component);
        refs.append(ref);
    }
    for (int t = 0; t < tracks && refs.size() > 1; ++t) {
        const PlacedComponentData& from = design.components[refs.at(t % refs.size())];
        const PlacedComponentData& to = design.components[refs.at((t + 1) % refs.size())];
        const gp_Pnt a = from.pads.at((t / refs.size()) % from.pads.size()).worldPosition;
        const gp_Pnt b = to.pads.at((t / refs.size() + 1) % to.pads.size()).worldPosition;
        QList<QPointF> points{QPointF(a.X(), a.Y())};
        if (std::abs(a.X() - b.X()) > 1e-6 && std::abs(a.Y() - b.Y()) > 1e-6)
            points.append(QPointF(b.X(), a.Y()));
        points.append(QPointF(b.X(), b.Y()));
        design.routes.append(route(QStringLiteral("N%1").arg(t + 1), points, top - trackHeight / 2, trackWidth,
                                   trackHeight));
    }
    const int rows = (count + columns - 1) / columns;
    design.part = box(0, 0, 0, 20.0 + pitch * (columns - 1), 20.0 + pitch * (rows - 1), top);
    return design;
}

Bnd_Box boardBox(const TopoDS_Shape& part)
{
    Bnd_Box board;
    for (const auto& [solid, box] : boxedSolids(part))
        if (board.IsVoid() || box.SquareExtent() > board.SquareExtent())
            board = box;
    return board;
}

BoxedSolids boxedSolids(const TopoDS_Shape& shape)
{
    BoxedSolids solids;
    for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next()) {
        Bnd_Box box;
        BRepBndLib::Add(it.Current(), box, false);
        solids.emplace_back(it.Current(), box);
    }
    return solids;
}

double heldBy(const BoxedSolids& solids, const TopoDS_Shape& volume)
{
    Bnd_Box near;
    BRepBndLib::Add(volume, near, false);
    double held = 0.0;
    for (const auto& [solid, box] : solids)
        if (!near.IsOut(box))
            held += TestSupport::volumeOf(BRepAlgoAPI_Common(solid, volume).Shape());
    return held;
}

TopoDS_Shape cutOf(const TopoDS_Shape& part, const QList<TopoDS_Shape>& tools)
{
    TopTools_ListOfShape arguments, toolList;
    arguments.Append(part);
    for (const TopoDS_Shape& tool : tools)
        toolList.Append(tool);
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(arguments);
    cut.SetTools(toolList);
    cut.Build();
    return cut.IsDone() ? cut.Shape() : TopoDS_Shape();
}

Design scatteredDesign(const TopoDS_Shape& part, unsigned seed, int count, QString* skipReason)
{
    Design design;
    if (!QFileInfo(TestSupport::kicadFootprintRoot()).isDir()) {
        *skipReason = QStringLiteral("KiCad footprint library not installed");
        return design;
    }
    double x0 = 0.0, y0 = 0.0, z0 = 0.0, x1 = 0.0, y1 = 0.0, z1 = 0.0;
    boardBox(part).Get(x0, y0, z0, x1, y1, z1);
    static const char* const footprints[] = {
        "Resistor_SMD:R_0805_2012Metric",   "Capacitor_SMD:C_0603_1608Metric", "Package_SO:SOIC-8_3.9x4.9mm_P1.27mm",
        "Package_TO_SOT_SMD:SOT-23",        "LED_THT:LED_D5.0mm",              "Package_DFN_QFN:QFN-16-1EP_3x3mm_P0.5mm_EP1.75x1.75mm",
        "TestPoint:TestPoint_Pad_D1.0mm",   "TestPoint:TestPoint_Pad_1.0x1.0mm"};
    std::mt19937 random(seed);
    const auto uniform = [&random](double from, double to) {
        return from + (to - from) * double(random() - random.min()) / double(random.max() - random.min());
    };
    const auto place = [&](const QString& footprint, const gp_Pnt& at) {
        const QString ref = QStringLiteral("U%1").arg(design.components.size() + 1);
        const PlacedComponentData component = kicadComponent(ref, footprint, at);
        if (component.hasMissingFootprint)
            return false;
        design.components.insert(ref, component);
        return true;
    };
    for (int i = 0; i < count; ++i) {
        const double sink = uniform(0.05, 1.2);
        const bool nearEdge = random() % 5 == 0;
        double x = uniform(x0 + 3.0, x1 - 3.0), y = uniform(y0 + 3.0, y1 - 3.0);
        if (nearEdge) {
            if (random() % 2 == 0)
                x = random() % 2 == 0 ? x0 + uniform(-0.5, 1.0) : x1 - uniform(-0.5, 1.0);
            else
                y = random() % 2 == 0 ? y0 + uniform(-0.5, 1.0) : y1 - uniform(-0.5, 1.0);
        }
        const gp_Pnt at(x, y, z1 - sink);
        bool placed = true;
        if (random() % 4 == 0) {
            // A round pad of 1 mm and, 0.99 mm beside it, a round or square one of 1 mm.
            const bool square = random() % 2 == 0;
            placed = place(QString::fromLatin1(footprints[6]), at)
                     && place(QString::fromLatin1(footprints[square ? 7 : 6]), gp_Pnt(x + 0.99, y, z1 - sink));
        } else {
            placed = place(QString::fromLatin1(footprints[random() % 6]), at);
        }
        if (!placed) {
            *skipReason = QStringLiteral("KiCad footprint missing");
            return Design();
        }
    }
    design.part = part;
    return design;
}

ReadBack readStep(const QString& path)
{
    ReadBack out;
    const opencascade::handle<XCAFApp_Application> app = XCAFApp_Application::GetApplication();
    opencascade::handle<TDocStd_Document> doc;
    app->NewDocument("MDTV-XCAF", doc);
    STEPCAFControl_Reader reader;
    reader.SetNameMode(true);
    if (reader.ReadFile(path.toUtf8().constData()) == IFSelect_RetDone && reader.Transfer(doc)) {
        const opencascade::handle<XCAFDoc_ShapeTool> tool = XCAFDoc_DocumentTool::ShapeTool(doc->Main());
        TDF_LabelSequence labels;
        tool->GetFreeShapes(labels);
        for (int i = 1; i <= labels.Length(); ++i) {
            opencascade::handle<TDataStd_Name> name;
            out.names << (labels(i).FindAttribute(TDataStd_Name::GetID(), name)
                              ? QString::fromUtf16(reinterpret_cast<const char16_t*>(name->Get().ToExtString()))
                              : QString());
            out.shapes << XCAFDoc_ShapeTool::GetShape(labels(i));
        }
    }
    app->Close(doc);
    return out;
}

} // namespace DesignFixture
