// One working session driven through the window's own entries, shared by the session test and
// the program it starts and kills: build a design, and describe it so that two windows (or two
// processes) can be compared.
#pragma once

#include "mainwindowprobe.h"

#include "components/componentmanager.h"
#include "model/netlist.h"
#include "view/occwidget.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>

namespace SessionSteps {

// Shows the window at a working size and waits for its 3D viewer; false when none came.
inline bool showWithViewer(MainWindow& window, MainWindowProbe& probe)
{
    window.resize(1280, 800);
    window.show();
    return ::waitFor([&] { return probe.viewerReady(); });
}

// Every box answered Yes where it can be, every other dialog accepted.
class AutoAnswer : public MessageBoxAnswerer
{
public:
    AutoAnswer() : MessageBoxAnswerer(QMessageBox::Yes, true) {}
};

struct Summary
{
    int shapes = 0;
    double partVolume = 0.0;
    int netlistComponents = 0;
    int nets = 0;
    int placed = 0;
    QStringList placedRefs;
    int routes = 0;
    QStringList placements; // "ref x y z rotation footprint", to 1 µm
    QStringList tracks;     // "net start/pad → end/pad: segment ends", to 1 µm
    QString title;

    QJsonObject toJson() const
    {
        return {{"shapes", shapes},       {"partVolume", partVolume}, {"netlistComponents", netlistComponents},
                {"nets", nets},           {"placed", placed},         {"placedRefs", placedRefs.join(',')},
                {"routes", routes},       {"placements", placements.join(';')},
                {"tracks", tracks.join(';')}, {"title", title}};
    }
    QString toText() const { return QString::fromUtf8(QJsonDocument(toJson()).toJson(QJsonDocument::Compact)); }
};

inline Summary summarize(MainWindow& window, MainWindowProbe& probe)
{
    Summary s;
    s.shapes = int(probe.project().shapes().size());
    if (!probe.project().mainShape().IsNull()) {
        GProp_GProps props;
        BRepGProp::VolumeProperties(probe.project().mainShape(), props);
        s.partVolume = std::round(props.Mass() * 1000.0) / 1000.0;
    }
    s.netlistComponents = int(probe.project().netlist().components.size());
    s.nets = int(probe.project().netlist().connections.size());
    if (ComponentManager* components = probe.componentManager()) {
        s.placed = int(components->components().size());
        s.placedRefs = components->components().keys();
    }
    const auto mm = [](double v) { return QString::number(std::round(v * 1000.0) / 1000.0); };
    const auto point = [&](const gp_Pnt& p) { return mm(p.X()) + ' ' + mm(p.Y()) + ' ' + mm(p.Z()); };
    if (ComponentManager* components = probe.componentManager()) {
        for (const PlacedComponentData& c : components->components())
            s.placements << c.ref + ' ' + point(c.position) + ' ' + mm(c.rotation) + ' ' + c.footprintName;
    }
    for (const Route& route : probe.project().routingManager().routes()) {
        QString text = route.netName + ' ' + route.startRef + '/' + route.startPad + QStringLiteral(" → ")
            + route.endRef + '/' + route.endPad + ':';
        for (const RouteSegment& segment : route.segments)
            text += ' ' + point(segment.start) + ',' + point(segment.end);
        s.tracks << text;
    }
    s.routes = int(probe.project().routingManager().routes().size());
    s.title = window.windowTitle();
    return s;
}

// Draws tracks between two placed pads of one net, one per net: pad, a corner, pad, as clicks
// would. A net whose corner would cross another pad is left for the next. The number drawn.
inline int routeTracks(MainWindowProbe& probe, int wanted)
{
    ComponentManager* components = probe.componentManager();
    if (!components || !probe.modes())
        return 0;
    if (!probe.modes()->requestTransition(ModeController::Mode::Routing).accepted)
        return 0;
    const PinTable pads = components->pins();
    int drawn = 0;
    for (const NetlistNet& net : probe.project().netlist().connections) {
        if (drawn >= wanted)
            break;
        QList<PadId> placed;
        for (const PadId& pad : net.connectedPins) {
            if (pads.contains(pad))
                placed << pad;
        }
        if (placed.size() < 2)
            continue;
        const gp_Pnt a = pads.value(placed.at(0)).pads().first().position;
        const gp_Pnt b = pads.value(placed.at(1)).pads().first().position;
        const int before = int(probe.project().routingManager().routes().size());
        emit probe.occWidget()->padClicked(placed.at(0), a);
        emit probe.occWidget()->routingIntermediatePointClicked(gp_Pnt(b.X(), a.Y(), a.Z()));
        emit probe.occWidget()->padClicked(placed.at(1), b);
        QTest::qWait(20);
        if (probe.project().routingManager().routes().size() > before)
            ++drawn;
        else
            emit probe.occWidget()->routingKeyPressed(Qt::Key_Escape, QPoint());
    }
    return drawn;
}

inline bool routeOneTrack(MainWindowProbe& probe)
{
    return routeTracks(probe, 1) == 1;
}

// New project, part, real netlist, generated components and one track; empty text on success.
inline QString buildDesign(MainWindow& window, MainWindowProbe& probe, const QString& part,
                           const QString& netlist)
{
    AutoAnswer answers;
    window.newProject();
    QString next;
    window.setOpenFileChooser([&](QWidget*, int, const QString&, const QString&, const QString&) { return next; });
    next = part;
    window.importGeometryFile();
    if (probe.project().mainShape().IsNull())
        return QStringLiteral("part not imported");
    next = netlist;
    window.importNetlist();
    if (probe.project().netlist().components.isEmpty())
        return QStringLiteral("netlist not imported");
    window.generateComponents();
    if (!probe.componentManager() || probe.componentManager()->components().isEmpty())
        return QStringLiteral("no component generated");
    if (!routeOneTrack(probe))
        return QStringLiteral("no track could be routed");
    probe.modes()->requestTransition(ModeController::Mode::View);
    return QString();
}

} // namespace SessionSteps
