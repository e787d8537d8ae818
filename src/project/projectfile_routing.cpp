// Routing rules and routes sections of the project file.
#include "project/projectfile.h"
#include "project/projectjson.h"
#include "project/projectmanager.h"

#include "foundation/logging.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonObject>

#include <gp_Pnt.hxx>

using ProjectJson::arrayOf;
using ProjectJson::forEachObject;
using ProjectJson::number;
using ProjectJson::text;

namespace {

double positiveOr(const QJsonObject& object, const char* key, double fallback)
{
    const double value = number(object, key, fallback);
    return value > 0.0 ? value : fallback;
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

RouteSegment segmentFromJson(const QJsonObject& object)
{
    RouteSegment segment;
    segment.start = pointFromJson(object.value(QStringLiteral("startPoint")).toObject());
    segment.end = pointFromJson(object.value(QStringLiteral("endPoint")).toObject());
    const int type = object.value(QStringLiteral("type")).toInt(RouteSegment::Horizontal);
    segment.type = type == RouteSegment::Vertical ? RouteSegment::Vertical : RouteSegment::Horizontal;
    // A section that cannot be built reads as the default one.
    segment.width = positiveOr(object, "width", segment.width);
    segment.height = positiveOr(object, "height", segment.height);
    return segment;
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

Route routeFromJson(const QJsonObject& object)
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
        route.endJunction = pointFromJson(object.value(QStringLiteral("endJunction")).toObject());
    forEachObject(object, "segments",
                  [&](const QJsonObject& entry) { route.segments.append(segmentFromJson(entry)); });
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
    m_routingManager.setRoutingRules(
        routingRulesFromJson(root.value(QStringLiteral("routingRules")).toObject()));
    return true;
}

void ProjectManager::writeRoutes(QJsonObject& root) const
{
    root.insert(QStringLiteral("routes"), arrayOf(m_routingManager.routes(), routeToJson));
}

bool ProjectManager::readRoutes(const QJsonObject& root)
{
    if (!root.contains(QStringLiteral("routes")))
        return true;
    int number = 0;
    forEachObject(root, "routes", [&](const QJsonObject& entry) {
        Route route = routeFromJson(entry);
        ++number;
        // Never built: its solid would keep the window busy for ages.
        const QString problem = valueBeyondReach(route);
        if (!problem.isEmpty()) {
            m_loadNotes << tr("  • track %1 of the file (%2) was left out: %3").arg(number).arg(route.netName, problem);
            qWarning() << "Track" << number << "of the file left out:" << problem;
            return;
        }
        for (RouteSegment& segment : route.segments)
            RoutingManager::buildSegmentShape(segment); // a segment without a solid is still kept
        m_routingManager.addRoute(route);
    });
    return true;
}
