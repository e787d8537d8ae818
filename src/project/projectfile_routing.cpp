// Routing rules and routes sections of the project file.
#include "project/projectfile.h"
#include "project/projectjson.h"
#include "project/projectmanager.h"

#include "foundation/logging.h"
#include "model/designlimits.h"

#include <OSD_Parallel.hxx>
#include <QCoreApplication>
#include <QJsonArray>
#include <QSet>
#include <QJsonObject>

#include <gp_Pnt.hxx>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>
#include <utility>

using ProjectJson::arrayOf;
using ProjectJson::forEachObject;
using ProjectJson::number;
using ProjectJson::text;

namespace {

// A stored value as the load report shows it.
QString shownValue(const QJsonValue& value)
{
    return value.isDouble() ? QString::number(value.toDouble(), 'g', 6)
                            : QCoreApplication::translate("ProjectManager", "(not a number)");
}

// The routes have no identity in the file: the load report names one by its place there.
QString storedTrackName(int position, const Route& route)
{
    return QCoreApplication::translate("ProjectManager", "track %1 of the file (net %2, from %3)")
        .arg(position)
        .arg(route.netName, PadId(route.startRef, route.startPad).toString());
}

QJsonObject segmentToJson(const RouteSegment& segment)
{
    QJsonObject object;
    object.insert(QStringLiteral("startPoint"), pointToJson(segment.start));
    object.insert(QStringLiteral("endPoint"), pointToJson(segment.end));
    object.insert(QStringLiteral("type"), segment.type);
    object.insert(QStringLiteral("width"), segment.width);
    object.insert(QStringLiteral("height"), segment.height);
    return object;
}

// A track point: a coordinate stored as anything but a number (null, a text) reads as NaN, for
// the route's reader to repair with a note; a missing one is 0.
gp_Pnt trackPointFromJson(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    const auto coordinate = [&object](const char* key) {
        const QJsonValue stored = object.value(QLatin1String(key));
        if (stored.isUndefined())
            return 0.0;
        return stored.isDouble() ? stored.toDouble() : std::numeric_limits<double>::quiet_NaN();
    };
    return gp_Pnt(coordinate("x"), coordinate("y"), coordinate("z"));
}

// A section value a track can be built from: at least a micrometre, or none (the default).
bool usableSection(const QJsonValue& value)
{
    return value.isUndefined() || (value.isDouble() && value.toDouble() >= DesignLimits::kMinTrackSection);
}

// A section value that cannot be built reads as NaN, for the route's reader to repair.
RouteSegment segmentFromJson(const QJsonObject& object)
{
    RouteSegment segment;
    segment.start = trackPointFromJson(object.value(QStringLiteral("startPoint")));
    segment.end = trackPointFromJson(object.value(QStringLiteral("endPoint")));
    const int type = object.value(QStringLiteral("type")).toInt(RouteSegment::Horizontal);
    segment.type = type == RouteSegment::Vertical ? RouteSegment::Vertical : RouteSegment::Horizontal;
    const QJsonValue width = object.value(QStringLiteral("width"));
    const QJsonValue height = object.value(QStringLiteral("height"));
    segment.width = usableSection(width) ? width.toDouble(segment.width) : std::numeric_limits<double>::quiet_NaN();
    segment.height = usableSection(height) ? height.toDouble(segment.height) : std::numeric_limits<double>::quiet_NaN();
    return segment;
}

// A section that cannot be built takes the track's own: the nearest segment's before it, or
// after it for the first, the default where no segment has one. stored holds each segment's
// saved object, for the note.
void repairSections(Route& route, const QList<QJsonObject>& stored, QStringList& repairs)
{
    QList<RouteSegment>& segments = route.segments;
    const RouteSegment fallback;
    const auto neighbour = [&segments](int i, double RouteSegment::*value, double otherwise) {
        for (int k = i - 1; k >= 0; --k)
            if (!std::isnan(segments.at(k).*value))
                return segments.at(k).*value;
        for (int k = i + 1; k < segments.size(); ++k)
            if (!std::isnan(segments.at(k).*value))
                return segments.at(k).*value;
        return otherwise;
    };
    for (int i = 0; i < segments.size(); ++i) {
        RouteSegment& segment = segments[i];
        if (!std::isnan(segment.width) && !std::isnan(segment.height))
            continue;
        const QJsonValue width = stored.at(i).value(QStringLiteral("width"));
        const QJsonValue height = stored.at(i).value(QStringLiteral("height"));
        if (std::isnan(segment.width))
            segment.width = neighbour(i, &RouteSegment::width, fallback.width);
        if (std::isnan(segment.height))
            segment.height = neighbour(i, &RouteSegment::height, fallback.height);
        repairs << QCoreApplication::translate("ProjectManager", "segment %1: %2")
                       .arg(i + 1)
                       .arg(QCoreApplication::translate("ProjectManager", "section %1 × %2 mm replaced by %3 × %4 mm")
                                .arg(width.isUndefined() ? QString::number(segment.width) : shownValue(width),
                                     height.isUndefined() ? QString::number(segment.height) : shownValue(height),
                                     QString::number(segment.width), QString::number(segment.height)));
    }
}

QJsonObject routeToJson(const Route& route)
{
    QJsonObject object;
    object.insert(QStringLiteral("netName"), route.netName);
    object.insert(QStringLiteral("startRef"), route.startRef);
    object.insert(QStringLiteral("startPad"), route.startPad);
    object.insert(QStringLiteral("endRef"), route.endRef);
    object.insert(QStringLiteral("endPad"), route.endPad);
    object.insert(QStringLiteral("isComplete"), route.isComplete);
    if (route.endsOnTrack) {
        object.insert(QStringLiteral("endsOnTrack"), true);
        object.insert(QStringLiteral("endJunction"), pointToJson(route.endJunction));
    }
    object.insert(QStringLiteral("segments"), arrayOf(route.segments, segmentToJson));
    return object;
}

// Coordinates that are no number take the one the chain of segments gives them: the previous
// segment's end for a start point, the next one's start for an end point, the last end for the
// T junction; 0 where there is none.
void repairCoordinates(Route& route, QStringList& repairs)
{
    QList<RouteSegment>& segments = route.segments;
    const char* const axes[] = {"X", "Y", "Z"};
    const auto repair = [&repairs, &axes](gp_Pnt& point, const gp_Pnt* neighbour, const QString& what) {
        for (int axis = 1; axis <= 3; ++axis) {
            if (!std::isnan(point.Coord(axis)))
                continue;
            const double value = neighbour && std::isfinite(neighbour->Coord(axis)) ? neighbour->Coord(axis) : 0.0;
            point.SetCoord(axis, value);
            repairs << QCoreApplication::translate("ProjectManager", "%1 %2 (not a number) replaced by %3 mm")
                           .arg(what, QLatin1String(axes[axis - 1]), QString::number(value));
        }
    };
    for (int i = 0; i < segments.size(); ++i) {
        RouteSegment& segment = segments[i];
        const QString number = QString::number(i + 1);
        repair(segment.start, i > 0 ? &segments.at(i - 1).end : nullptr,
               QCoreApplication::translate("ProjectManager", "segment %1: start point").arg(number));
        repair(segment.end, i + 1 < segments.size() ? &segments.at(i + 1).start : nullptr,
               QCoreApplication::translate("ProjectManager", "segment %1: end point").arg(number));
    }
    if (route.endsOnTrack)
        repair(route.endJunction, segments.isEmpty() ? nullptr : &segments.last().end,
               QCoreApplication::translate("ProjectManager", "T junction point"));
}

// repairs receives a line for each value that was replaced.
Route routeFromJson(const QJsonObject& object, QStringList& repairs)
{
    Route route;
    route.id = 0;
    route.netName = text(object, "netName");
    route.startRef = text(object, "startRef");
    route.startPad = text(object, "startPad");
    route.endRef = text(object, "endRef");
    route.endPad = text(object, "endPad");
    route.isComplete = ProjectJson::flag(object, "isComplete", false);
    route.endsOnTrack = ProjectJson::flag(object, "endsOnTrack", false);
    if (route.endsOnTrack)
        route.endJunction = trackPointFromJson(object.value(QStringLiteral("endJunction")));
    QList<QJsonObject> stored;
    forEachObject(object, "segments", [&](const QJsonObject& entry) {
        stored.append(entry);
        route.segments.append(segmentFromJson(entry));
    });
    repairSections(route, stored, repairs);
    repairCoordinates(route, repairs);
    return route;
}

// The first segment value of the route beyond the design's reach, with the segment's number;
// empty when there is none.
QString valueBeyondReach(const Route& route)
{
    for (int i = 0; i < route.segments.size(); ++i) {
        const QString problem = RoutingManager::valueBeyondReach(route.segments.at(i));
        if (!problem.isEmpty())
            return ProjectManager::tr("segment %1: %2").arg(i + 1).arg(problem);
    }
    return QString();
}

} // namespace

QJsonObject pointToJson(const gp_Pnt& point)
{
    QJsonObject object;
    object.insert(QStringLiteral("x"), point.X());
    object.insert(QStringLiteral("y"), point.Y());
    object.insert(QStringLiteral("z"), point.Z());
    return object;
}

gp_Pnt pointFromJson(const QJsonObject& object)
{
    return gp_Pnt(number(object, "x", 0.0), number(object, "y", 0.0), number(object, "z", 0.0));
}

QJsonObject routingRulesToJson(const RoutingRules& rules)
{
    QJsonObject object;
    object.insert(QStringLiteral("trackWidth"), rules.trackWidth);
    object.insert(QStringLiteral("trackHeight"), rules.trackHeight);
    object.insert(QStringLiteral("clearance"), rules.clearance);
    object.insert(QStringLiteral("padClearance"), rules.padClearance);
    return object;
}

RoutingRules routingRulesFromJson(const QJsonObject& object)
{
    const RoutingRules defaults;
    RoutingRules stored;
    stored.trackWidth = number(object, "trackWidth", defaults.trackWidth);
    stored.trackHeight = number(object, "trackHeight", defaults.trackHeight);
    stored.clearance = number(object, "clearance", defaults.clearance);
    stored.padClearance = number(object, "padClearance", defaults.padClearance);
    return validRoutingRules(stored, defaults);
}

void ProjectManager::writeRoutingRules(QJsonObject& root) const
{
    root.insert(QStringLiteral("routingRules"), routingRulesToJson(m_routingManager.routingRules()));
}

bool ProjectManager::readRoutingRules(const QJsonObject& root)
{
    if (!root.contains(QStringLiteral("routingRules"))) {
        qCDebug(lcProject) << "No routing rules in the project — using the defaults";
        return true;
    }
    const QJsonObject stored = root.value(QStringLiteral("routingRules")).toObject();
    const RoutingRules rules = routingRulesFromJson(stored);
    const struct
    {
        const char* key;
        const char* what;
        double kept;
    } entries[] = {{"trackWidth", QT_TRANSLATE_NOOP("ProjectManager", "track width"), rules.trackWidth},
                   {"trackHeight", QT_TRANSLATE_NOOP("ProjectManager", "track height"), rules.trackHeight},
                   {"clearance", QT_TRANSLATE_NOOP("ProjectManager", "clearance"), rules.clearance},
                   {"padClearance", QT_TRANSLATE_NOOP("ProjectManager", "pad clearance"), rules.padClearance}};
    for (const auto& entry : entries) {
        const QJsonValue value = stored.value(QLatin1String(entry.key));
        if (!value.isUndefined() && !(value.isDouble() && value.toDouble() == entry.kept))
            addLoadNote(tr("routing rule “%1”: %2 mm replaced by %3 mm")
                            .arg(tr(entry.what), shownValue(value), QString::number(entry.kept)));
    }
    m_routingManager.setRoutingRules(rules);
    return true;
}

void ProjectManager::writeRoutes(QJsonObject& root) const
{
    root.insert(QStringLiteral("routes"), arrayOf(m_routingManager.storedRoutes(), routeToJson));
}

bool ProjectManager::readRoutes(const QJsonObject& root)
{
    if (!root.contains(QStringLiteral("routes")))
        return true;
    // Sorted rather than hashed: Qt's hash ends the program when an insertion cannot allocate.
    QStringList nets;
    nets.reserve(m_netlist.connections.size());
    for (const NetlistNet& net : std::as_const(m_netlist.connections))
        nets.append(net.netName);
    std::sort(nets.begin(), nets.end());
    int position = 0;
    // Each track as stored, to find one stored twice: both are kept, one over the other.
    // Standard containers: Qt's write through a null block when an allocation fails.
    struct Stored
    {
        std::tuple<QString, QString, QString, QString, QString, qsizetype> ends; // what sorts it
        QJsonObject entry;
        int position;
    };
    std::vector<Stored> stored;
    std::vector<QString> names;
    forEachObject(root, "routes", [&](const QJsonObject& entry) {
        ++position;
        QStringList repairs;
        Route route = routeFromJson(entry, repairs);
        const QString name = storedTrackName(position, route);
        stored.push_back({{route.netName, route.startRef, route.startPad, route.endRef, route.endPad,
                           route.segments.size()},
                          entry,
                          position});
        names.push_back(name);
        for (const QString& repair : std::as_const(repairs))
            addLoadNote(QStringLiteral("%1, %2").arg(name, repair));
        // Kept for the next save, never built: a solid beyond the reach would keep the window
        // busy for ages, and a finished track without a segment would count as a connection.
        QString unbuilt = valueBeyondReach(route);
        // A segment without length has no solid and only hides its neighbours' bend.
        QList<RouteSegment> kept = RoutingManager::withoutZeroLength(route.segments);
        if (unbuilt.isEmpty() && route.isComplete && kept.isEmpty())
            unbuilt = tr("it is marked finished but has no segment");
        if (!unbuilt.isEmpty()) {
            addLoadNote(tr("%1 is kept as saved and not built: %2").arg(name, unbuilt));
            m_routingManager.addUnbuiltRoute(route);
            return;
        }
        if (kept.size() != route.segments.size())
            qCDebug(lcProject) << name << ":" << route.segments.size() - kept.size()
                               << "segment(s) without length dropped";
        // Moved, not shared: data() below would copy a shared list, and Qt's copy writes
        // through a null block when that allocation fails.
        route.segments = std::move(kept);
        if (!std::binary_search(nets.cbegin(), nets.cend(), route.netName))
            addLoadNote(tr("%1 is on net “%2”, which the netlist does not have: kept as it was saved")
                            .arg(name, route.netName));
        // Each segment's solid stands alone: a track of thousands is built side by side. A
        // segment without a solid is still kept.
        RouteSegment* segments = route.segments.data();
        OSD_Parallel::For(0, int(route.segments.size()),
                          [segments](int i) { RoutingManager::buildSegmentShape(segments[i]); },
                          route.segments.size() < 64);
        m_routingManager.addRoute(route);
    });
    std::sort(stored.begin(), stored.end(), [](const Stored& a, const Stored& b) {
        return a.ends != b.ends ? a.ends < b.ends : a.position < b.position;
    });
    std::vector<std::pair<int, int>> again; // a track's place and the place of its first copy
    for (std::size_t first = 0; first < stored.size();) {
        std::size_t next = first + 1;
        while (next < stored.size() && stored[next].ends == stored[first].ends)
            ++next;
        for (std::size_t i = first + 1; i < next; ++i) {
            for (std::size_t earlier = first; earlier < i; ++earlier) {
                if (stored[earlier].entry == stored[i].entry) {
                    again.emplace_back(stored[i].position, stored[earlier].position);
                    break;
                }
            }
        }
        first = next;
    }
    std::sort(again.begin(), again.end());
    for (const auto& [place, copyOf] : again)
        addLoadNote(tr("%1 is stored twice: it is the same as track %2 of the file, and both are kept")
                        .arg(names[std::size_t(place - 1)])
                        .arg(copyOf));
    return true;
}
