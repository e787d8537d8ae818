// Edits through the window's own entries on a real netlist with KiCad's library: tracks pad to
// pad and T junctions, corner drags, resizes, deletes, component moves, rotations, property
// edits, footprint changes, undo and redo of several steps, save and reload. After every step
// no track end off its pad and no contact between two nets passes unreported; undo of
// everything gives back the start exactly, redo of everything the end, save → load the same
// design. The faults that such sequences found have their own short cases here too.
#include "sessionsteps.h"

#include "partfiles.h"
#include "testsupport.h"

#include "app/boardexplorerpanel.h"
#include "foundation/appsettings.h"
#include "interaction/routingcontroller.h"
#include "interaction/trackdrag.h"
#include "model/componentproperties.h"
#include "routing/routingmanager.h"

#include <BRepBndLib.hxx>
#include <BRepClass3d_SolidClassifier.hxx>

#include <QTableWidget>
#include <QTemporaryDir>
#include <QUndoStack>

#include <cmath>
#include <random>

#include <gtest/gtest.h>

namespace {

const QString kNetlist = QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/ecc83-pp.net");
constexpr double kTouch = 1e-4;

QString mm(double v)
{
    double r = std::round(v * 1e6) / 1e6;
    if (r == 0.0)
        r = 0.0; // no "-0"
    return QString::number(r, 'f', 6);
}

QString point(const gp_Pnt& p)
{
    return mm(p.X()) + ' ' + mm(p.Y()) + ' ' + mm(p.Z());
}

// Everything the properties panel and the track panel show, pads and segments included.
QString snapshot(MainWindowProbe& probe)
{
    QStringList lines;
    for (const PlacedComponentData& c : probe.componentManager()->components()) {
        const ComponentProperties p = componentPropertiesOf(c);
        QString line = c.ref + ' ' + p.footprintName + ' ' + point(c.position) + ' ' + mm(c.rotation);
        for (double v : {p.footprintThickness, p.bodyUndercut, p.padXYScale, p.bodyWidth, p.bodyLength,
                         p.bodyHeight, p.bodyOffsetZ, p.bodyMarginX, p.bodyMarginY})
            line += ' ' + mm(v);
        line += p.bodyEnabled ? " on" : " off";
        for (const PlacedPadData& pad : c.pads)
            line += " [" + pad.number + ' ' + point(pad.worldPosition) + ' ' + mm(pad.scaledWidth) + ' '
                  + mm(pad.scaledHeight) + ']';
        lines << line;
    }
    // Tracks by content: an undone delete puts its track back at the end of the list.
    QStringList tracks;
    for (const Route& r : probe.project().routingManager().routes()) {
        QString line = r.netName + ' ' + r.startRef + '/' + r.startPad + " → " + r.endRef + '/' + r.endPad
                     + (r.isComplete ? " complete" : " open");
        if (r.endsOnTrack)
            line += " T " + point(r.endJunction);
        for (const RouteSegment& s : r.segments)
            line += " {" + point(s.start) + ", " + point(s.end) + ' ' + QString::number(s.type) + ' '
                  + mm(s.width) + ' ' + mm(s.height) + '}';
        tracks << line;
    }
    tracks.sort();
    return (lines + tracks).join('\n');
}

Bnd_Box boxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    if (!shape.IsNull())
        BRepBndLib::Add(shape, box, true);
    return box;
}

bool solidsTouch(const TopoDS_Shape& a, const Bnd_Box& boxA, const TopoDS_Shape& b, const Bnd_Box& boxB,
                 double within)
{
    Bnd_Box near = boxA;
    near.Enlarge(within + 1e-3);
    if (near.IsVoid() || boxB.IsVoid() || near.IsOut(boxB))
        return false;
    const std::optional<double> d = RoutingManager::solidDistance(a, b);
    return d && *d <= within;
}

const PlacedPadData* findPad(MainWindowProbe& probe, const PadId& id)
{
    const PlacedComponentData* c = probe.componentManager()->findComponent(id.ref);
    const PlacedPadData* found = nullptr;
    if (c) {
        for (const PlacedPadData& pad : c->pads)
            if (pad.number == id.pad && !pad.placedShape.IsNull())
                found = &pad;
    }
    return found;
}

// Whether the conductor really reaches the pad: its end inside the pad, or a solid touching it.
bool reachesPad(const Route& route, bool atStart, const PlacedPadData* pad)
{
    if (!pad)
        return false;
    const gp_Pnt end = atStart ? route.segments.first().start : route.segments.last().end;
    BRepClass3d_SolidClassifier classifier(pad->placedShape, end, kTouch);
    if (classifier.State() == TopAbs_IN || classifier.State() == TopAbs_ON)
        return true;
    const Bnd_Box padBox = boxOf(pad->placedShape);
    for (const RouteSegment& s : route.segments) {
        const TopoDS_Shape solid = s.shape.IsNull() ? RoutingManager::createSegmentShape(s) : s.shape;
        if (solidsTouch(solid, RoutingManager::segmentBox(s), pad->placedShape, padBox, kTouch))
            return true;
    }
    return false;
}

class EditSequence : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        part = dir.filePath(QStringLiteral("plate.step"));
        ASSERT_TRUE(PartFiles::writeStep(part, {PartFiles::box(160, 120, 12)}));
        AppSettings::setFootprintDirs({TestSupport::kicadFootprintRoot()});
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        ASSERT_TRUE(SessionSteps::showWithViewer(*window, *probe));
        const QString failure = SessionSteps::buildDesign(*window, *probe, part, kNetlist);
        ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
        window->setOpenFileChooser(
            [this](QWidget*, int, const QString&, const QString&, const QString&) { return nextFile; });
        probe->undoStack()->clear();
    }

    RoutingManager& routing() { return probe->project().routingManager(); }
    RoutingController* controller() { return probe->routingController(); }

    // The end issues the window holds, as "route index/start|end".
    QSet<QString> reportedEnds()
    {
        QSet<QString> ends;
        for (const NetConnectivity::EndIssue& issue : probe->netConnectivity().issues())
            ends << QString::number(issue.routeIndex) + (issue.atStart ? "/start" : "/end");
        return ends;
    }

    // Every track end off its pad is an issue of the window's connectivity, and no end on its
    // pad is one.
    void expectEndsReported(const QString& step)
    {
        const QSet<QString> reported = reportedEnds();
        const QList<Route>& routes = routing().routes();
        for (int i = 0; i < routes.size(); ++i) {
            const Route& r = routes.at(i);
            if (!r.isComplete || r.netName.isEmpty() || r.segments.isEmpty())
                continue;
            const auto check = [&](const PadId& pad, bool atStart) {
                if (!pad.isValid())
                    return;
                const bool reached = reachesPad(r, atStart, findPad(*probe, pad));
                const QString key = QString::number(i) + (atStart ? "/start" : "/end");
                EXPECT_EQ(reached, !reported.contains(key))
                    << step.toStdString() << ": track " << r.label().toStdString() << ' ' << key.toStdString()
                    << (reached ? " on its pad but reported detached" : " off its pad and not reported");
            };
            check(PadId(r.startRef, r.startPad), true);
            if (!r.endsOnTrack) {
                check(PadId(r.endRef, r.endPad), false);
                continue;
            }
            // A junction whose host went (deleted, moved away) stays reported as dangling.
            JunctionHost host;
            const bool hosted = RoutingManager::hostOfJunction(routes, i, host);
            bool dangling = false;
            for (const NetConnectivity::UnresolvedJunction& j : probe->netConnectivity().unresolvedJunctions())
                dangling = dangling || j.routeIndex == i;
            EXPECT_EQ(hosted, !dangling) << step.toStdString() << ": T junction of track " << r.label().toStdString()
                                         << (hosted ? " hosted but reported dangling" : " without host, not reported");
        }
    }

    // Tracks touching another net's track or pad, found without the window.
    QSet<quint64> touchingTracks()
    {
        QSet<quint64> touching;
        const QList<Route>& routes = routing().routes();
        for (const QPair<int, int>& pair : routing().shortedRoutes())
            touching << routes.at(pair.first).id << routes.at(pair.second).id;
        const QList<RoutingManager::PadObstacle> pads = routing().padObstacles();
        for (const Route& r : routes) {
            for (const RoutingManager::PadObstacle& pad : pads) {
                if (pad.net == r.netName || touching.contains(r.id))
                    continue;
                for (const RouteSegment& s : r.segments) {
                    if (!s.shape.IsNull()
                        && solidsTouch(s.shape, RoutingManager::segmentBox(s), pad.shape, pad.box, 1e-7)) {
                        touching << r.id;
                        break;
                    }
                }
            }
        }
        return touching;
    }

    void expectContactsReported(const QString& step, const QHash<quint64, bool>& before)
    {
        const QHash<quint64, bool> conflicts = probe->trackConflicts();
        for (quint64 id : touchingTracks())
            EXPECT_TRUE(conflicts.value(id, false))
                << step.toStdString() << ": track #" << id << " touches another net, not reported";
        bool fresh = false;
        for (auto it = conflicts.cbegin(); it != conflicts.cend(); ++it)
            fresh = fresh || !before.contains(it.key()) || (it.value() && !before.value(it.key()));
        if (fresh) {
            EXPECT_TRUE(probe->status().startsWith(QStringLiteral("⚠ Track")))
                << step.toStdString() << ": new contact, status " << probe->status().toStdString();
        }
    }

    // Pads of one net on the board, in netlist order.
    QList<PadId> placedPadsOf(const NetlistNet& net)
    {
        const PinTable pins = probe->componentManager()->pins();
        QList<PadId> pads;
        for (const PadId& pin : net.connectedPins)
            if (pins.contains(pin) && !pads.contains(pin))
                pads << pin;
        return pads;
    }

    // Pad, corner, pad: the clicks of a drawn track (the corner as the controller commits it).
    bool drawTrack(const PadId& a, const PadId& b, bool cornerFirstX)
    {
        const PinTable pins = probe->componentManager()->pins();
        if (!probe->modes()->requestTransition(ModeController::Mode::Routing).accepted)
            return false;
        const int before = int(routing().routes().size());
        emit probe->occWidget()->padClicked(a, pins.value(a).pads().value(0).position);
        if (routing().isRouting()) {
            const gp_Pnt start = routing().currentEndPoint();
            const gp_Pnt target = pins.value(b).pads().value(0).position;
            routing().addRoutePoint(cornerFirstX ? gp_Pnt(target.X(), start.Y(), start.Z())
                                                 : gp_Pnt(start.X(), target.Y(), start.Z()));
            emit probe->occWidget()->padClicked(b, target);
        }
        if (routing().isRouting())
            emit probe->occWidget()->routingKeyPressed(Qt::Key_Escape, QPoint());
        probe->modes()->requestTransition(ModeController::Mode::View);
        return routing().routes().size() > before;
    }

    // From a pad of a routed net straight across to a horizontal segment of that net's track.
    bool drawJunction(std::mt19937& rng)
    {
        const QList<Route> routes = routing().routes();
        if (routes.isEmpty())
            return false;
        const int h = int(rng() % routes.size());
        const Route host = routes.at(h);
        for (const NetlistNet& net : probe->project().netlist().connections) {
            if (net.netName != host.netName)
                continue;
            const QList<PadId> pads = placedPadsOf(net);
            if (pads.isEmpty())
                return false;
            const PadId pad = pads.at(int(rng() % pads.size()));
            if (!probe->modes()->requestTransition(ModeController::Mode::Routing).accepted)
                return false;
            const int before = int(routes.size());
            emit probe->occWidget()->padClicked(pad, probe->componentManager()->pin(pad).pads().value(0).position);
            bool done = false;
            if (routing().isRouting()) {
                const gp_Pnt start = routing().currentEndPoint();
                for (const RouteSegment& s : host.segments) {
                    if (s.type != RouteSegment::Horizontal || s.start.Distance(s.end) < 3.0)
                        continue;
                    const bool alongX = std::abs(s.start.Y() - s.end.Y()) < 1e-9;
                    const gp_Pnt mid((s.start.X() + s.end.X()) / 2, (s.start.Y() + s.end.Y()) / 2, s.start.Z());
                    const gp_Pnt target = alongX ? gp_Pnt(start.X(), mid.Y(), start.Z())
                                                 : gp_Pnt(mid.X(), start.Y(), start.Z());
                    JunctionHost found;
                    if (!routing().findHostSegment(host.netName, target, s.width * 0.5, found, -1))
                        continue;
                    if (routing().addRoutePoint(found.point)) {
                        done = routing().finishRoutingOnTrack(found);
                        if (done)
                            emit controller()->routeFinalized(routing().routes().last());
                    }
                    break;
                }
            }
            if (routing().isRouting())
                emit probe->occWidget()->routingKeyPressed(Qt::Key_Escape, QPoint());
            probe->modes()->requestTransition(ModeController::Mode::View);
            return done && routing().routes().size() > before;
        }
        return false;
    }

    // A corner dragged as the controller commits it: checked like the ghost, applied, recorded.
    bool dragCorner(std::mt19937& rng)
    {
        const QList<Route>& routes = routing().routes();
        if (routes.isEmpty())
            return false;
        const int r = int(rng() % routes.size());
        const Route route = routes.at(r);
        if (route.segments.size() < 2)
            return false;
        const int k = int(rng() % (route.segments.size() - 1));
        const int kind = TrackDrag::cornerKind(route, k);
        if (kind == TrackDrag::NotDraggable)
            return false;
        std::uniform_real_distribution<double> offset(-4.0, 4.0);
        const TrackDrag::Slots moved = TrackDrag::movedCorner(TrackDrag::cornerSlots(route, k, kind), kind,
                                                              offset(rng), offset(rng));
        if (!TrackDrag::isAcceptable(route, moved) || !TrackDrag::keepsJunctions(routes, r, moved))
            return false;
        Route candidate = route;
        for (const SegmentEndpoints& change : TrackDrag::endpointChanges(moved)) {
            RouteSegment& s = candidate.segments[change.segmentIndex];
            s.start = change.start;
            s.end = change.end;
            s.box = Bnd_Box();
            if (!RoutingManager::buildSegmentShape(s))
                return false;
        }
        if (!routing().checkSegments(candidate.segments, route.netName, r).isClear())
            return false;
        if (!routing().setSegmentEndpointsAtomic(r, TrackDrag::endpointChanges(moved)))
            return false;
        VertexDragCommit commit;
        commit.vertexIndex = k;
        commit.routeId = route.id;
        commit.dragSlots = moved;
        emit controller()->vertexDragCommitted(commit);
        return true;
    }

    // Indices of the tracks on which a T junction ends.
    QList<int> junctionHosts()
    {
        QList<int> hosts;
        const QList<Route>& routes = routing().routes();
        for (int i = 0; i < routes.size(); ++i) {
            JunctionHost host;
            if (RoutingManager::hostOfJunction(routes, i, host) && !hosts.contains(host.routeIndex))
                hosts << host.routeIndex;
        }
        return hosts;
    }

    QString randomRef(std::mt19937& rng)
    {
        const QStringList refs = probe->componentManager()->components().keys();
        return refs.at(int(rng() % refs.size()));
    }

    // One step picked by the generator; its name, for the failure messages.
    QString step(std::mt19937& rng)
    {
        std::uniform_int_distribution<int> kind(0, 99);
        const int k = kind(rng);
        const int routeCount = int(routing().routes().size());
        if (k < 14) {
            const QList<NetlistNet>& nets = probe->project().netlist().connections;
            const NetlistNet& net = nets.at(int(rng() % nets.size()));
            const QList<PadId> pads = placedPadsOf(net);
            if (pads.size() < 2)
                return "track (none)";
            const int a = int(rng() % pads.size());
            const int b = (a + 1 + int(rng() % (pads.size() - 1))) % pads.size();
            return drawTrack(pads.at(a), pads.at(b), rng() % 2) ? "track " + net.netName : "track (refused)";
        }
        if (k < 20)
            return drawJunction(rng) ? "T junction" : "T junction (refused)";
        if (k < 30)
            return dragCorner(rng) ? "corner drag" : "corner drag (refused)";
        if (k < 38 && routeCount > 0) {
            static const double widths[] = {1.0, 1.5, 2.0, 2.5};
            static const double heights[] = {0.6, 1.0, 1.5, 2.0};
            int r = int(rng() % routeCount);
            // Half of them on a track that hosts a T junction: the junction's end follows it.
            const QList<int> hosts = junctionHosts();
            const bool onHost = !hosts.isEmpty() && rng() % 2;
            if (onHost)
                r = hosts.at(int(rng() % hosts.size()));
            probe->applyTrackProperties(r, TrackProperties{widths[rng() % 4], heights[rng() % 4]});
            return onHost ? "resize junction host" : "resize";
        }
        if (k < 43 && routeCount > 0) {
            emit controller()->deleteRouteRequested(int(rng() % routeCount));
            return "delete";
        }
        if (k < 55) {
            std::uniform_real_distribution<double> offset(-12.0, 12.0);
            probe->panelMove(randomRef(rng), offset(rng), offset(rng), 0.0);
            return "move";
        }
        if (k < 62) {
            static const double turns[] = {90.0, -90.0, 45.0, 180.0};
            probe->panelRotate(randomRef(rng), turns[rng() % 4]);
            return "rotate";
        }
        if (k < 70) {
            const QString ref = randomRef(rng);
            ComponentProperties p = probe->propertiesOf(ref);
            static const double thickness[] = {0.8, 1.0, 1.6, 2.2};
            static const double undercut[] = {0.2, 0.4, 0.9};
            static const double height[] = {3.0, 5.0, 7.0};
            static const double scale[] = {80.0, 100.0, 120.0};
            p.footprintThickness = thickness[rng() % 4];
            p.bodyUndercut = undercut[rng() % 3];
            p.bodyHeight = height[rng() % 3];
            p.padXYScale = scale[rng() % 3];
            probe->applyProperties(ref, p);
            return "properties " + ref;
        }
        if (k < 75) {
            static const char* files[] = {"Resistor_SMD.pretty/R_0805_2012Metric.kicad_mod",
                                          "Resistor_SMD.pretty/R_1206_3216Metric.kicad_mod",
                                          "Capacitor_SMD.pretty/C_1210_3225Metric.kicad_mod",
                                          "Capacitor_THT.pretty/C_Disc_D5.0mm_W2.5mm_P5.00mm.kicad_mod"};
            nextFile = TestSupport::kicadFootprintRoot() + '/' + files[rng() % 4];
            const QString ref = randomRef(rng);
            probe->browseFootprint(ref);
            return "footprint " + ref;
        }
        if (k < 88) {
            const int n = 1 + int(rng() % 4);
            for (int i = 0; i < n; ++i)
                probe->undoStack()->undo();
            return QStringLiteral("undo %1").arg(n);
        }
        const int n = 1 + int(rng() % 3);
        for (int i = 0; i < n; ++i)
            probe->undoStack()->redo();
        return QStringLiteral("redo %1").arg(n);
    }

    // Undo of everything gives back the start, redo of everything the end; saved and opened
    // again, the design is the same. The opened design is the next start.
    void checkpoint(const QString& start, int stepIndex)
    {
        const QString end = snapshot(*probe);
        QUndoStack* stack = probe->undoStack();
        // Steps undone by the sequence and not redone stay above the index: "everything" is
        // what stands below it.
        const int reached = stack->index();
        while (stack->canUndo())
            stack->undo();
        EXPECT_EQ(snapshot(*probe).toStdString(), start.toStdString()) << "undo of everything, step " << stepIndex;
        while (stack->index() < reached && stack->canRedo())
            stack->redo();
        EXPECT_EQ(snapshot(*probe).toStdString(), end.toStdString()) << "redo of everything, step " << stepIndex;
        const QString file = dir.filePath(QStringLiteral("sequence.vtq"));
        ASSERT_TRUE(probe->saveProjectTo(file));
        ASSERT_TRUE(probe->openProjectPath(file, false));
        EXPECT_EQ(snapshot(*probe).toStdString(), end.toStdString()) << "save → load, step " << stepIndex;
        expectEndsReported(QStringLiteral("after loading"));
    }

    void run(unsigned seed, int steps)
    {
        std::mt19937 rng(seed);
        SessionSteps::AutoAnswer answers;
        QString start = snapshot(*probe);
        for (int i = 1; i <= steps; ++i) {
            const QHash<quint64, bool> before = probe->trackConflicts();
            const QString name = QStringLiteral("seed %1 step %2 (%3)").arg(seed).arg(i).arg(step(rng));
            expectEndsReported(name);
            expectContactsReported(name, before);
            if (HasFailure())
                return;
            if (i % 60 == 0 || i == steps) {
                checkpoint(start, i);
                if (HasFailure())
                    return;
                start = snapshot(*probe);
            }
        }
    }

    TestSupport::IsolatedSettings settings;
    QTemporaryDir dir;
    QString part;
    QString nextFile;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

TEST_F(EditSequence, RandomSequencesKeepTheDesignTrue)
{
    const int steps = qEnvironmentVariableIsSet("VTQ_EDIT_STEPS") ? qEnvironmentVariableIntValue("VTQ_EDIT_STEPS")
                                                                   : 120;
    for (unsigned seed : {7u, 23u})
        run(seed, steps);
}

// A host thinned under its junction lifts the junction's end with it, out of the new section;
// undo and redo through the window must give back each state exactly, the junction included.
TEST_F(EditSequence, ResizedJunctionHostComesBackExactly)
{
    SessionSteps::AutoAnswer answers;
    ASSERT_FALSE(routing().routes().isEmpty());
    const quint64 hostId = routing().routes().first().id;
    const auto hostIndex = [&] { return routing().indexOfRouteId(hostId); };
    probe->applyTrackProperties(hostIndex(), TrackProperties{2.0, 2.0});
    const Route host = routing().routes().at(hostIndex());
    ASSERT_EQ(host.segments.first().height, 2.0) << probe->status().toStdString();
    const RouteSegment* along = nullptr;
    for (const RouteSegment& s : host.segments)
        if (!along && s.type == RouteSegment::Horizontal && s.start.Distance(s.end) >= 3.0)
            along = &s;
    ASSERT_NE(along, nullptr);
    const double top = along->start.Z() + along->height;
    const gp_Pnt mid((along->start.X() + along->end.X()) / 2, (along->start.Y() + along->end.Y()) / 2, top - 1.5);
    gp_Vec across(along->end.Y() - along->start.Y(), along->start.X() - along->end.X(), 0);
    across.Normalize();

    // A tee whose last run lies in the host's lower half, ending in it.
    Route tee;
    tee.netName = host.netName;
    tee.startRef = host.startRef;
    tee.startPad = host.startPad;
    tee.isComplete = true;
    tee.endsOnTrack = true;
    tee.endJunction = gp_Pnt(mid.X(), mid.Y(), top - 0.5);
    RouteSegment run;
    run.start = mid.Translated(across * 8.0);
    run.end = mid;
    run.width = 1.0;
    ASSERT_TRUE(RoutingManager::buildSegmentShape(run));
    tee.segments << run;
    routing().addRoute(tee);
    JunctionHost found;
    ASSERT_TRUE(RoutingManager::hostOfJunction(routing().routes(), int(routing().routes().size()) - 1, found));
    ASSERT_EQ(found.routeIndex, hostIndex());

    const QString before = snapshot(*probe);
    probe->applyTrackProperties(hostIndex(), TrackProperties{2.0, 1.0});
    const QString after = snapshot(*probe);
    ASSERT_NE(before, after);
    probe->undoStack()->undo();
    EXPECT_EQ(snapshot(*probe).toStdString(), before.toStdString()) << "undo";
    probe->undoStack()->redo();
    EXPECT_EQ(snapshot(*probe).toStdString(), after.toStdString()) << "redo";
}

// The net figures of an opened design are its own at once, not "0/0" until the first edit.
TEST_F(EditSequence, ExplorerShowsTheOpenedDesign)
{
    ASSERT_FALSE(routing().routes().isEmpty());
    const QString net = routing().routes().first().netName;
    const QString file = dir.filePath(QStringLiteral("opened.vtq"));
    ASSERT_TRUE(probe->saveProjectTo(file));
    {
        SessionSteps::AutoAnswer answers;
        ASSERT_TRUE(probe->openProjectPath(file, false));
    }
    QTableWidget* nets = probe->boardExplorer()->netTable();
    probe->boardExplorer()->tabs()->setCurrentWidget(nets);
    int found = -1;
    for (int r = 0; r < nets->rowCount(); ++r)
        if (nets->item(r, 0)->text() == net)
            found = r;
    ASSERT_GE(found, 0);
    const QString figures = nets->item(found, 1)->text();
    EXPECT_NE(figures.section('/', 1).toInt(), 0) << figures.toStdString();
    EXPECT_GE(figures.section('/', 0, 0).toInt(), 1) << "the track routes a link: " << figures.toStdString();
}

// A component moved under another net's track cannot be refused: the status line says so,
// the explorer marks the net, and undo takes both back.
TEST_F(EditSequence, MoveOntoAnotherNetsTrackIsAnnounced)
{
    ASSERT_FALSE(routing().routes().isEmpty());
    const Route track = routing().routes().first();
    const RouteSegment& first = track.segments.first();
    const gp_Pnt middle((first.start.X() + first.end.X()) / 2, (first.start.Y() + first.end.Y()) / 2, 0);
    QString ref;
    PlacedPadData pad;
    for (const PlacedComponentData& c : probe->componentManager()->components()) {
        for (const PlacedPadData& p : c.pads) {
            if (ref.isEmpty() && c.ref != track.startRef && c.ref != track.endRef
                && !netNameForPad(probe->project().netlist().connections, PadId(c.ref, p.number)).isEmpty()
                && netNameForPad(probe->project().netlist().connections, PadId(c.ref, p.number)) != track.netName) {
                ref = c.ref;
                pad = p;
            }
        }
    }
    ASSERT_FALSE(ref.isEmpty());
    SessionSteps::AutoAnswer answers;
    probe->panelMove(ref, middle.X() - pad.worldPosition.X(), middle.Y() - pad.worldPosition.Y(), 0.0);
    EXPECT_TRUE(probe->status().startsWith(QStringLiteral("⚠ Track %1").arg(track.label())))
        << probe->status().toStdString();
    EXPECT_TRUE(probe->trackConflicts().value(track.id, false));
    QTableWidget* nets = probe->boardExplorer()->netTable();
    probe->boardExplorer()->tabs()->setCurrentWidget(nets);
    bool marked = false;
    for (int r = 0; r < nets->rowCount(); ++r)
        marked = marked || (nets->item(r, 0)->text() == track.netName && nets->item(r, 3)->text().contains("too close"));
    EXPECT_TRUE(marked);

    probe->undoStack()->undo();
    EXPECT_TRUE(probe->trackConflicts().isEmpty());
}

} // namespace
