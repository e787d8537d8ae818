#include "app/trackconflictscan.h"

#include <TopoDS_TShape.hxx>

namespace {

std::vector<double> geometryOf(const Route& route)
{
    std::vector<double> g;
    g.reserve(size_t(route.segments.size()) * 9 + 1);
    g.push_back(double(qHash(route.netName)));
    for (const RouteSegment& s : route.segments) {
        for (double v : {s.start.X(), s.start.Y(), s.start.Z(), s.end.X(), s.end.Y(), s.end.Z(), s.width, s.height,
                         double(s.type)})
            g.push_back(v);
    }
    return g;
}

Bnd_Box boxOf(const Route& route)
{
    Bnd_Box box;
    for (const RouteSegment& s : route.segments)
        box.Add(RoutingManager::segmentBox(s));
    return box;
}

bool meetsAny(const Bnd_Box& box, const QList<Bnd_Box>& changed)
{
    if (box.IsVoid())
        return true;
    for (const Bnd_Box& other : changed) {
        if (other.IsVoid() || !box.IsOut(other))
            return true;
    }
    return false;
}

} // namespace

void TrackConflictScan::clear()
{
    m_tracks.clear();
    m_pads.clear();
}

QHash<quint64, TrackConflictScan::Conflict> TrackConflictScan::scan(const RoutingManager& routing)
{
    const RoutingRules& rules = routing.rules();
    if (rules.clearance != m_clearance || rules.padClearance != m_padClearance) {
        clear();
        m_clearance = rules.clearance;
        m_padClearance = rules.padClearance;
    }
    const QList<Route>& routes = routing.routes();
    const QList<RoutingManager::PadObstacle> pads = routing.padObstacles();

    // Where conductors appeared, moved or went since the last scan.
    QList<Bnd_Box> changed;
    QHash<QString, PadState> padsNow;
    QHash<QString, int> piecesSeen; // a pin may have several pads: each keeps its own state
    for (const RoutingManager::PadObstacle& pad : pads) {
        QString key = pad.net + QLatin1Char('\n') + pad.label;
        key += QLatin1Char('\n') + QString::number(piecesSeen[key]++);
        PadState state{pad.shape.IsNull() ? nullptr : pad.shape.TShape().get(), pad.box};
        const auto before = m_pads.constFind(key);
        if (before == m_pads.cend() || before->solid != state.solid || before->box.IsVoid() || state.box.IsVoid()
            || before->box.CornerMin().Distance(state.box.CornerMin()) > 0.0
            || before->box.CornerMax().Distance(state.box.CornerMax()) > 0.0) {
            changed << state.box;
            if (before != m_pads.cend())
                changed << before->box;
        }
        padsNow.insert(key, state);
    }
    for (auto it = m_pads.cbegin(); it != m_pads.cend(); ++it)
        if (!padsNow.contains(it.key()))
            changed << it->box;
    m_pads = padsNow;

    QHash<quint64, TrackState> tracksNow;
    std::vector<bool> stale(size_t(routes.size()), false);
    for (int i = 0; i < routes.size(); ++i) {
        const Route& route = routes.at(i);
        TrackState state;
        state.geometry = geometryOf(route);
        const auto before = m_tracks.constFind(route.id);
        if (before != m_tracks.cend() && before->geometry == state.geometry) {
            tracksNow.insert(route.id, before.value());
            continue;
        }
        state.box = boxOf(route);
        changed << state.box;
        if (before != m_tracks.cend())
            changed << before->box;
        tracksNow.insert(route.id, state);
        stale[size_t(i)] = true;
    }
    for (auto it = m_tracks.cbegin(); it != m_tracks.cend(); ++it)
        if (!tracksNow.contains(it.key()))
            changed << it->box;

    // Anything within the larger clearance of a change may have changed its answer.
    const double reach = std::max(rules.clearance, rules.padClearance);
    for (Bnd_Box& box : changed)
        if (!box.IsVoid())
            box.Enlarge(reach);

    QHash<quint64, Conflict> found;
    m_lastMeasured = 0;
    for (int i = 0; i < routes.size(); ++i) {
        const Route& route = routes.at(i);
        TrackState& state = tracksNow[route.id];
        if (!stale[size_t(i)] && !meetsAny(state.box, changed)) {
            if (state.hasConflict)
                found.insert(route.id, state.conflict);
            continue;
        }
        ++m_lastMeasured;
        state.hasConflict = false;
        if (!route.segments.isEmpty() && !route.netName.isEmpty()) {
            const CollisionResult result = routing.checkSegments(route.segments, route.netName, i, pads);
            // Not knowing the distance is not a finding to announce.
            if (result.isShort || result.isClearance) {
                state.hasConflict = true;
                state.conflict = Conflict{result.isShort, result.offender};
                found.insert(route.id, state.conflict);
            }
        }
    }
    m_tracks = tracksNow;
    return found;
}
