#include "threemfdesign.h"

#include "testsupport.h"

#include "components/footprintmanager.h"
#include "outputs/printplangenerator.h"
#include "project/kicadnetlistreader.h"

#include <QFile>
#include <QFileInfo>
#include <QPointF>

#include <Aspect_DisplayConnection.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_Viewer.hxx>

PrintPlan ThreeMfDesign::plan(double layerHeight) const
{
    return PrintPlanGenerator::generate(components, netlist.components, part, layerHeight);
}

bool buildThreeMfDesign(const ThreeMfDesignSpec& spec, ThreeMfDesign& design, QString* why)
{
    // Small footprints of the netlist: bigger ones would not fit a 10 x 12 mm grid cell.
    const QStringList small = {"LED_THT:LED_D3.0mm", "LED_THT:LED_D5.0mm",
                               "Capacitor_THT:C_Disc_D3.0mm_W1.6mm_P2.50mm",
                               "Capacitor_THT:C_Disc_D5.0mm_W2.5mm_P5.00mm"};
    const QString root = TestSupport::kicadFootprintRoot();
    QFile file(QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/horloge_kicad6.net"));
    if (!QFileInfo(root + "/LED_THT.pretty").isDir() || !file.open(QIODevice::ReadOnly)
        || !parseKiCadSExpression(QString::fromUtf8(file.readAll()), design.netlist)) {
        *why = QStringLiteral("KiCad footprints or the netlist missing");
        return false;
    }
    QList<NetlistComponent> pool;
    for (const NetlistComponent& c : std::as_const(design.netlist.components))
        if (small.contains(c.footprint))
            pool.append(c);

    opencascade::handle<Aspect_DisplayConnection> connection;
    design.context = new AIS_InteractiveContext(new V3d_Viewer(new OpenGl_GraphicDriver(connection, false)));
    FootprintManager library;
    library.addSearchPath(root + "/LED_THT.pretty");
    library.addSearchPath(root + "/Capacitor_THT.pretty");
    const double top = spec.partBottom + spec.partZ;
    design.part = DesignFixture::box(0.0, 0.0, spec.partBottom, spec.partX, spec.partY, top);

    // Pairs of neighbours share a depth, so that a track at one height can join them.
    const int columns = qMax(1, int((spec.partX - 10.0) / 10.0));
    const std::array<double, 3>& depths = spec.depths;
    PlacedComponentData previous;
    for (int i = 0; i < spec.components; ++i) {
        NetlistComponent source = pool.value(i % qMax(1, int(pool.size())));
        if (i >= pool.size()) {
            source.ref = QStringLiteral("%1_%2").arg(source.ref).arg(i);
            design.netlist.components.insert(source.ref, source);
        }
        const gp_Pnt at(10.0 + 10.0 * (i % columns), 10.0 + 12.0 * (i / columns), top - depths[(i / 2) % 3]);
        const PlacedComponentData placed = library.createPlacedComponent(source.ref, source.footprint, at, design.context);
        if (placed.hasMissingFootprint || placed.pads.isEmpty()) {
            *why = QStringLiteral("footprint %1 not built").arg(source.footprint);
            return false;
        }
        design.components.insert(source.ref, placed);
        if (i % 2 == 0) {
            previous = placed;
            continue;
        }
        // The track's top is flush with the pads' tops; it leaves the pair's row and comes back.
        const gp_Pnt a = previous.pads.last().worldPosition, b = placed.pads.first().worldPosition;
        Route route = DesignFixture::route(
            netNameForPad(design.netlist.connections, PadId(previous.ref, previous.pads.last().number)),
            {QPointF(a.X(), a.Y()), QPointF(a.X(), a.Y() + 4.0), QPointF(b.X(), a.Y() + 4.0), QPointF(b.X(), b.Y())},
            a.Z() - 1.0, 2.0, 1.0);
        route.id = quint64(i);
        if (route.netName.isEmpty())
            route.netName = QStringLiteral("N%1").arg(i);
        route.startRef = previous.ref;
        route.startPad = previous.pads.last().number;
        route.endRef = placed.ref;
        route.endPad = placed.pads.first().number;
        design.routes.append(route);
    }
    if (spec.oneAtTop && !pool.isEmpty()) {
        NetlistComponent source = pool.first();
        source.ref = QStringLiteral("%1_top").arg(source.ref);
        design.netlist.components.insert(source.ref, source);
        const int i = spec.components;
        gp_Pnt at(10.0 + 10.0 * (i % columns), 10.0 + 12.0 * (i / columns), top - depths[0]);
        PlacedComponentData placed = library.createPlacedComponent(source.ref, source.footprint, at, design.context);
        // Raised so that the top of its body, the cavity's top, is the part's top.
        at.SetZ(at.Z() + top - (placed.position.Z() + placed.bodyOffsetZ + placed.bodyHeight));
        placed = library.createPlacedComponent(source.ref, source.footprint, at, design.context);
        if (placed.hasMissingFootprint) {
            *why = QStringLiteral("footprint %1 not built").arg(source.footprint);
            return false;
        }
        design.components.insert(source.ref, placed);
    }
    return true;
}
