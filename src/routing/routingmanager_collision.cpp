// Collision and clearance test of one segment against other nets' tracks and pads.
#include "routing/routingmanager.h"

#include "foundation/occutils.h"

#include <BRepBndLib.hxx>
#include <BRepExtrema_DistShapeShape.hxx>

#include <QDebug>

namespace {

constexpr double kZeroLength = 1e-7;

// The solid's bounds added to box; void when they cannot be computed.
Bnd_Box boxOfSolid(const TopoDS_Shape& shape, Bnd_Box box = Bnd_Box())
{
    try {
        BRepBndLib::Add(shape, box, true);
    } catch (...) {
        return Bnd_Box();
    }
    return box;
}

} // namespace

std::optional<double> RoutingManager::solidDistance(const TopoDS_Shape& a, const TopoDS_Shape& b)
{
    if (a.IsNull() || b.IsNull())
        return std::nullopt;
    return OccUtils::guardedCall(std::optional<double>(), "solidDistance", [&]() -> std::optional<double> {
        BRepExtrema_DistShapeShape distance(a, b);
        if (!distance.IsDone())
            return std::nullopt;
        return distance.Value();
    });
}

QList<RoutingManager::PadObstacle> RoutingManager::padObstacles() const
{
    if (!m_padObstacleProvider)
        return {};
    QList<PadObstacle> obstacles = m_padObstacleProvider();
    for (PadObstacle& obstacle : obstacles) {
        if (!obstacle.shape.IsNull())
            obstacle.box = boxOfSolid(obstacle.shape, obstacle.box);
    }
    return obstacles;
}

int RoutingManager::checkCollisionDetailed(const Bnd_Box& box, const TopoDS_Shape& shape,
                                           const TopoDS_Shape& other, const Bnd_Box& otherBox,
                                           double clearance, const QString& kind, const QString& name)
{
    if (box.IsVoid() || otherBox.IsVoid())
        return PairClear;
    if (box.IsOut(otherBox)) {
        Bnd_Box enlarged = box;
        enlarged.Enlarge(clearance);
        if (enlarged.IsOut(otherBox))
            return PairClear;
    }
    try {
        BRepExtrema_DistShapeShape distance(shape, other);
        // Not knowing the distance is not the same as being clear: a real short could hide here.
        if (!distance.IsDone()) {
            qWarning() << "checkCollisionDetailed (" << kind << name << ") distance not computed";
            return PairUnchecked;
        }
        const double d = distance.Value();
        if (d < kZeroLength)
            return PairShort;
        return d < clearance ? PairClearance : PairClear;
    } catch (const Standard_Failure& failure) {
        qWarning() << "checkCollisionDetailed (" << kind << name << ") OCC:" << failure.GetMessageString();
    } catch (const std::exception& exception) {
        qWarning() << "checkCollisionDetailed (" << kind << name << "):" << exception.what();
    } catch (...) {
        qWarning() << "checkCollisionDetailed (" << kind << name << "): unknown error";
    }
    return PairUnchecked;
}

CollisionResult RoutingManager::checkCollision(const RouteSegment& segment, const QString& netName,
                                               int skipRouteIndex,
                                               const std::optional<QList<PadObstacle>>& pads) const
{
    CollisionResult result;
    if (segment.shape.IsNull())
        return result;
    const Bnd_Box box = segmentBox(segment);
    const auto record = [&result](int verdict, const QString& offender) {
        if (verdict == PairClear)
            return false;
        result.offender = offender;
        if (verdict == PairShort) {
            result.isShort = true;
            return true;
        }
        if (verdict == PairClearance)
            result.isClearance = true;
        else
            result.isUnchecked = true;
        return false;
    };

    const QString trackKind = QStringLiteral("track on net");
    for (int r = 0; r < m_routes.size(); ++r) {
        const Route& route = m_routes.at(r);
        if (r == skipRouteIndex || route.netName == netName)
            continue;
        for (const RouteSegment& other : route.segments) {
            if (!(other.start.Distance(other.end) > kZeroLength) || other.shape.IsNull())
                continue;
            const int verdict = checkCollisionDetailed(box, segment.shape, other.shape, segmentBox(other),
                                                       m_rules.clearance, trackKind, route.netName);
            if (record(verdict, route.netName))
                return result;
        }
    }

    const QList<PadObstacle> obstacles = pads ? *pads : padObstacles();
    const QString padKind = QStringLiteral("pad");
    for (const PadObstacle& obstacle : obstacles) {
        if (obstacle.shape.IsNull())
            continue;
        if (!netName.isEmpty() && obstacle.net == netName)
            continue;
        const Bnd_Box otherBox = obstacle.box.IsVoid() ? boxOfSolid(obstacle.shape) : obstacle.box;
        const int verdict = checkCollisionDetailed(box, segment.shape, obstacle.shape, otherBox,
                                                   m_rules.padClearance, padKind, obstacle.label);
        if (record(verdict, obstacle.net.isEmpty() ? obstacle.label : obstacle.net))
            return result;
    }
    return result;
}
