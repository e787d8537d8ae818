#include "threemfdesign.h"

#include "designfixture.h"
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

namespace {

// Small through-hole footprints of the netlist; bigger ones would not fit the grid.
const QStringList kLibraries = {"LED_THT", "Capacitor_THT"};
const QStringList kFootprints = {"LED_THT:LED_D3.0mm", "LED_THT:LED_D5.0mm", "Capacitor_THT:C_Disc_D3.0mm_W1.6mm_P2.50mm",
                                 "Capacitor_THT:C_Disc_D5.0mm_W2.5mm_P5.00mm"};
constexpr double kTrackWidth = 2.0; // the routing rules' defaults
constexpr double kTrackHeight = 1.0;

} // namespace

AssemblyInput ThreeMfDesign::input() const
{
    AssemblyInput in;
    in.mainPart = part;
    in.components = &components;
    in.routes = &routes;
    in.routeShape = &DesignFixture::routeShape;
    return in;
}

PrintPlan ThreeMfDesign::plan(double layerHeight) const
{
    return PrintPlanGenerator::generate(components, netlist.components, part, layerHeight);
}

bool buildThreeMfDesign(const ThreeMfDesignSpec& spec, ThreeMfDesign& design, QString* why)
{
    const QString root = TestSupport::kicadFootprintRoot();
    if (!QFileInfo(root + QStringLiteral("/LED_THT.pretty")).isDir()) {
        *why = QStringLiteral("KiCad footprints not installed");
        return false;
    }
    QFile file(QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/horloge_kicad6.net"));
    if (!file.open(QIODevice::ReadOnly) || !parseKiCadSExpression(QString::fromUtf8(file.readAll()), design.netlist)) {
        *why = QStringLiteral("netlist unreadable");
        return false;
    }

    opencascade::handle<Aspect_DisplayConnection> connection;
    design.context = new AIS_InteractiveContext(new V3d_Viewer(new OpenGl_GraphicDriver(connection, false)));
    FootprintManager library;
    for (const QString& lib : kLibraries)
        library.addSearchPath(root + QLatin1Char('/') + lib + QStringLiteral(".pretty"));

    const double top = spec.partBottom + spec.partZ;
    design.part = DesignFixture::box(0.0, 0.0, spec.partBottom, spec.partX, spec.partY, top);

    QList<NetlistComponent> pool;
    for (const NetlistComponent& c : std::as_const(design.netlist.components))
        if (kFootprints.contains(c.footprint))
            pool.append(c);
    if (pool.isEmpty()) {
        *why = QStringLiteral("no small footprint in the netlist");
        return false;
    }

    // A grid of 10 mm cells; pairs of neighbours share a depth so a track can join them.
    const int columns = qMax(1, int((spec.partX - 10.0) / 10.0));
    const double depths[] = {9.0, 7.0, 5.0};
    QList<QString> order;
    for (int i = 0; i < spec.components; ++i) {
        NetlistComponent source = pool[i % pool.size()];
        const QString ref = i < pool.size() ? source.ref : QStringLiteral("%1_%2").arg(source.ref).arg(i);
        if (i >= pool.size()) {
            source.ref = ref;
            design.netlist.components.insert(ref, source);
        }
        const gp_Pnt at(10.0 + 10.0 * (i % columns), 10.0 + 12.0 * (i / columns), top - depths[(i / 2) % 3]);
        PlacedComponentData placed = library.createPlacedComponent(ref, source.footprint, at, design.context);
        if (placed.hasMissingFootprint || placed.pads.isEmpty()) {
            *why = QStringLiteral("footprint %1 not built").arg(source.footprint);
            return false;
        }
        design.components.insert(ref, placed);
        order.append(ref);
    }

    for (int i = 1; i < order.size(); i += 2) {
        const PlacedComponentData& a = design.components[order[i - 1]];
        const PlacedComponentData& b = design.components[order[i]];
        const gp_Pnt from = a.pads.last().worldPosition;
        const gp_Pnt to = b.pads.first().worldPosition;
        Route route = DesignFixture::route(netNameForPad(design.netlist.connections, PadId{a.ref, a.pads.last().number}),
                                           {QPointF(from.X(), from.Y()), QPointF(from.X(), from.Y() + 4.0),
                                            QPointF(to.X(), from.Y() + 4.0), QPointF(to.X(), to.Y())},
                                           from.Z() - kTrackHeight, kTrackWidth, kTrackHeight);
        route.id = quint64(i);
        if (route.netName.isEmpty())
            route.netName = QStringLiteral("N%1").arg(i);
        route.startRef = a.ref;
        route.startPad = a.pads.last().number;
        route.endRef = b.ref;
        route.endPad = b.pads.first().number;
        design.routes.append(route);
    }
    return true;
}
