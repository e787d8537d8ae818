#include "project/netconnectivity.h"

#include "foundation/occutils.h"
#include "routing/routingmanager.h"

#include <BRepClass3d_SolidClassifier.hxx>

namespace {

// Conductors closer than this are one: the end points of a track sit on its pad's faces.
constexpr double kTouch = 1e-4; // mm

bool pointInSolid(const gp_Pnt& point, const TopoDS_Shape& solid)
{
    return OccUtils::guardedCall(false, "NetConnectivity: pointInSolid", [&] {
        BRepClass3d_SolidClassifier classifier(solid, point, kTouch);
        const TopAbs_State state = classifier.State();
        return state == TopAbs_IN || state == TopAbs_ON;
    });
}

// Decided on the conductors: boxes only rule out what is far. A box can overlap the pad's
// while the track ends millimetres away, which would pass an open circuit as routed.
bool reachesPad(const Route& route, const gp_Pnt& endPoint, const PinPad& pad)
{
    if (pad.solid.IsNull()) {
        if (!pad.box.IsOut(endPoint))
            return true;
        for (const RouteSegment& segment : route.segments) {
            if (!pad.box.IsOut(RoutingManager::segmentBox(segment)))
                return true;
        }
        return false;
    }
    Bnd_Box near = pad.box;
    near.Enlarge(kTouch);
    if (!near.IsOut(endPoint) && pointInSolid(endPoint, pad.solid))
        return true;
    for (const RouteSegment& segment : route.segments) {
        const Bnd_Box box = RoutingManager::segmentBox(segment);
        if (box.IsVoid() || near.IsOut(box))
            continue;
        const TopoDS_Shape solid =
            segment.shape.IsNull() ? RoutingManager::createSegmentShape(segment) : segment.shape;
        const std::optional<double> distance = RoutingManager::solidDistance(solid, pad.solid);
        if (distance && *distance <= kTouch)
            return true;
    }
    return false;
}

QString padKey(const PadId& pad)
{
    return QStringLiteral("P/") + pad.toString();
}

QString routeKey(int index)
{
    return QStringLiteral("R/") + QString::number(index);
}

} // namespace

void NetConnectivity::clear()
{
    m_parent.clear();
    m_padGroup.clear();
    m_unresolvedJunctions.clear();
    m_issues.clear();
}

QString NetConnectivity::find(const QString& key)
{
    QString root = key;
    for (;;) {
        auto it = m_parent.find(root);
        if (it == m_parent.end()) {
            m_parent.insert(root, root);
            break;
        }
        if (it.value() == root)
            break;
        root = it.value();
    }
    QString walk = key;
    while (walk != root) {
        auto it = m_parent.find(walk);
        QString next = it.value();
        it.value() = root;
        walk = next;
    }
    return root;
}

bool NetConnectivity::unite(const QString& a, const QString& b)
{
    const QString rootA = find(a);
    const QString rootB = find(b);
    if (rootA == rootB)
        return false;
    m_parent[rootA] = rootB;
    return true;
}

bool NetConnectivity::endTouchesPad(const Route& route, int routeIndex, const PadId& pad, bool atStart,
                                    const PinTable& pins)
{
    const gp_Pnt endPoint = atStart ? route.segments.first().start : route.segments.last().end;

    EndIssue issue;
    issue.routeIndex = routeIndex;
    issue.netName = route.netName;
    issue.pad = pad;
    issue.atStart = atStart;
    issue.endPoint = endPoint;

    const PlacedPin pin = pins.value(pad);
    if (!pin.isPlaced()) {
        issue.kind = PadNotFound;
        m_issues.append(issue);
        return false;
    }
    for (const PinPad& piece : pin.pads()) {
        if (reachesPad(route, endPoint, piece))
            return true;
    }
    issue.kind = EndNotOnPad;
    issue.padPoint = pin.nearestTo(endPoint)->basePoint;
    m_issues.append(issue);
    return false;
}

void NetConnectivity::build(const RoutingManager& routing, const PinTable* pins)
{
    clear();
    const QList<Route>& routes = routing.routes();
    QList<PadId> joinedPads;

    for (int i = 0; i < routes.size(); ++i) {
        const Route& route = routes.at(i);
        if (!route.isComplete || route.netName.isEmpty() || route.segments.isEmpty())
            continue;
        const QString key = routeKey(i);

        const PadId startPad(route.startRef, route.startPad);
        if (startPad.isValid()
            && (!pins || endTouchesPad(route, i, startPad, true, *pins))) {
            unite(padKey(startPad), key);
            joinedPads.append(startPad);
        }

        if (route.endsOnTrack) {
            JunctionHost host;
            if (RoutingManager::hostOfJunction(routes, i, host)) {
                unite(key, routeKey(host.routeIndex));
            } else {
                UnresolvedJunction junction;
                junction.routeIndex = i;
                junction.netName = route.netName;
                junction.startRef = route.startRef;
                junction.startPad = route.startPad;
                junction.junction = route.endJunction;
                m_unresolvedJunctions.append(junction);
            }
            continue;
        }

        const PadId endPad(route.endRef, route.endPad);
        if (endPad.isValid()
            && (!pins || endTouchesPad(route, i, endPad, false, *pins))) {
            unite(key, padKey(endPad));
            joinedPads.append(endPad);
        }
    }

    for (const PadId& pad : joinedPads)
        m_padGroup.insert(pad, find(padKey(pad)));
    m_parent.clear();
}

QString NetConnectivity::groupOf(const PadId& pad) const
{
    return m_padGroup.value(pad);
}

bool NetConnectivity::sameGroup(const PadId& a, const PadId& b) const
{
    const QString group = groupOf(a);
    return !group.isEmpty() && group == groupOf(b);
}
