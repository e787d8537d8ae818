// Collision and clearance test of one segment against other nets' tracks and pads.
#include "routing/routingmanager.h"

#include "foundation/occutils.h"
#include "routing/conductorprism.h"

#include <BRepBndLib.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <TopoDS_TShape.hxx>

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

namespace {

constexpr double kZeroLength = 1e-7;

QString tr(const char* text)
{
    return QCoreApplication::translate("RoutingManager", text);
}

// The solid's bounds; empty when computing them throws.
std::optional<Bnd_Box> boundsOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    try {
        BRepBndLib::Add(shape, box, true);
    } catch (...) {
        return std::nullopt;
    }
    return box;
}

Bnd_Box boxOfSolid(const TopoDS_Shape& shape)
{
    return boundsOf(shape).value_or(Bnd_Box());
}

struct Extent
{
    double min[3];
    double max[3];
};

// The exact extent of a segment solid that is an axis-aligned box (a vertical column, or a
// horizontal track running along X or Y); empty for any other segment.
std::optional<Extent> axisAlignedExtent(const RouteSegment& s)
{
    const double half = s.width * 0.5;
    const gp_Pnt& a = s.start;
    const gp_Pnt& b = s.end;
    if (s.type == RouteSegment::Vertical) {
        return Extent{{a.X() - half, a.Y() - half, std::min(a.Z(), b.Z())},
                      {a.X() + half, a.Y() + half, std::max(a.Z(), b.Z())}};
    }
    if (a.Z() != b.Z())
        return std::nullopt;
    const bool alongX = a.Y() == b.Y();
    const bool alongY = a.X() == b.X();
    if (alongX == alongY)
        return std::nullopt;
    const double wx = alongX ? 0.0 : half;
    const double wy = alongY ? 0.0 : half;
    return Extent{{std::min(a.X(), b.X()) - wx, std::min(a.Y(), b.Y()) - wy, a.Z()},
                  {std::max(a.X(), b.X()) + wx, std::max(a.Y(), b.Y()) + wy, a.Z() + s.height}};
}

// Exact distance between two axis-aligned boxes.
double extentDistance(const Extent& p, const Extent& q)
{
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double gap = std::max({0.0, q.min[i] - p.max[i], p.min[i] - q.max[i]});
        sum += gap * gap;
    }
    return std::sqrt(sum);
}

int verdictOf(double distance, double clearance)
{
    if (distance < kZeroLength)
        return RoutingManager::PairShort;
    return distance < clearance ? RoutingManager::PairClearance : RoutingManager::PairClear;
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
    PadBoxCache next;
    for (PadObstacle& obstacle : obstacles) {
        if (obstacle.shape.IsNull())
            continue;
        const TopoDS_TShape* key = obstacle.shape.TShape().get();
        std::optional<Bnd_Box> bounds;
        for (const CachedBox& cached : m_padBoxCache.value(key)) {
            if (cached.shape.IsSame(obstacle.shape)) {
                bounds = cached.box;
                break;
            }
        }
        if (!bounds) {
            bounds = boundsOf(obstacle.shape);
            if (!bounds) {
                obstacle.box = Bnd_Box(); // bounds that cannot be computed void the box
                continue;
            }
        }
        next[key].append({obstacle.shape, *bounds});
        obstacle.box.Add(*bounds);
    }
    m_padBoxCache = next;
    return obstacles;
}

int RoutingManager::checkCollisionDetailed(const Bnd_Box& box, const TopoDS_Shape& shape,
                                           const TopoDS_Shape& other, const Bnd_Box& otherBox,
                                           double clearance, const QString& kind, const QString& name)
{
    if (box.IsVoid() || otherBox.IsVoid()) {
        // A solid whose box could not be computed is measured, not assumed away.
        if (shape.IsNull() || other.IsNull())
            return PairClear;
    } else if (box.IsOut(otherBox)) {
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
        return verdictOf(distance.Value(), clearance);
    } catch (const Standard_Failure& failure) {
        // Allocates nothing: the failure may be the lack of memory itself.
        OccUtils::detail::warnOccFailure("checkCollisionDetailed", failure);
    } catch (const std::exception& exception) {
        OccUtils::detail::warnStdException("checkCollisionDetailed", exception);
    } catch (...) {
        OccUtils::detail::warnUnknown("checkCollisionDetailed");
    }
    return PairUnchecked;
}

namespace {

// Between a solid and a track segment: exact from the boxes where both are axis-aligned, else
// the general test.
int segmentVerdict(const TopoDS_Shape& shape, const Bnd_Box& box, const std::optional<Extent>& extent,
                   const std::optional<ConductorPrism>& prism, const RouteSegment& other, double clearance,
                   const QString& otherNet)
{
    const std::optional<Extent> otherExtent = extent ? axisAlignedExtent(other) : std::nullopt;
    if (otherExtent)
        return verdictOf(extentDistance(*extent, *otherExtent), clearance);
    // Tracks in any direction of the plan are upright prisms: their distance follows from the
    // plan and the heights. The solid computation, milliseconds a pair, is asked only where
    // that distance lies at a threshold.
    if (prism) {
        if (const std::optional<ConductorPrism> otherPrism = ConductorPrism::ofSegment(other)) {
            const double d = ConductorPrism::distance(*prism, *otherPrism);
            const bool atShort = d > 0.5 * kZeroLength && d < 2.0 * kZeroLength;
            const bool atClearance = clearance > kZeroLength && std::abs(d - clearance) < kZeroLength;
            if (!atShort && !atClearance)
                return verdictOf(d, clearance);
        }
    }
    return RoutingManager::checkCollisionDetailed(box, shape, other.shape, RoutingManager::segmentBox(other),
                                                  clearance, QStringLiteral("track on net"), otherNet);
}

bool isLong(const RouteSegment& s)
{
    return s.start.Distance(s.end) > kZeroLength;
}

// The bounds of the filler that a track's solid puts at the bend from first to second.
Bnd_Box cornerBox(const RouteSegment& first)
{
    const double r = first.width * 0.5;
    const gp_Pnt& c = first.end;
    Bnd_Box box;
    box.Update(c.X() - r, c.Y() - r, c.Z(), c.X() + r, c.Y() + r, c.Z() + first.height);
    return box;
}

} // namespace

bool RoutingManager::hasCornerFiller(const RouteSegment& first, const RouteSegment& second)
{
    return first.type == RouteSegment::Horizontal && second.type == RouteSegment::Horizontal && isLong(first)
        && isLong(second);
}

CollisionResult RoutingManager::checkSolid(const TopoDS_Shape& shape, const Bnd_Box& box,
                                           const std::optional<RouteSegment>& asSegment, const QString& netName,
                                           int skipRouteIndex,
                                           const std::optional<QList<PadObstacle>>& pads) const
{
    CollisionResult result;
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

    // Most tracks run along X or Y: between two such boxes the distance is exact without
    // the general solid-to-solid computation, which costs milliseconds per pair.
    const std::optional<Extent> extent = asSegment ? axisAlignedExtent(*asSegment) : std::nullopt;
    const std::optional<ConductorPrism> prism = asSegment ? ConductorPrism::ofSegment(*asSegment) : std::nullopt;
    Bnd_Box near = box;
    near.Enlarge(m_rules.clearance);
    for (int r = 0; r < m_routes.size(); ++r) {
        const Route& route = m_routes.at(r);
        if (r == skipRouteIndex || route.netName == netName)
            continue;
        for (int i = 0; i < route.segments.size(); ++i) {
            const RouteSegment& other = route.segments.at(i);
            if (!isLong(other) || other.shape.IsNull())
                continue;
            const int verdict = segmentVerdict(shape, box, extent, prism, other, m_rules.clearance, route.netName);
            if (record(verdict, route.netName))
                return result;
            // The printed track also fills its bends: that filler reaches beyond both segments.
            if (i + 1 >= route.segments.size() || !hasCornerFiller(other, route.segments.at(i + 1)))
                continue;
            const Bnd_Box otherCorner = cornerBox(other);
            if (box.IsVoid() || near.IsOut(otherCorner))
                continue;
            const TopoDS_Shape filler = createCornerRound(other, route.segments.at(i + 1));
            if (filler.IsNull())
                continue;
            if (record(checkCollisionDetailed(box, shape, filler, otherCorner, m_rules.clearance,
                                              QStringLiteral("track corner on net"), route.netName),
                       route.netName))
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
        const int verdict = checkCollisionDetailed(box, shape, obstacle.shape, otherBox, m_rules.padClearance,
                                                   padKind, obstacle.label);
        if (record(verdict, obstacle.net.isEmpty() ? obstacle.label : obstacle.net))
            return result;
    }
    return result;
}

CollisionResult RoutingManager::checkCollision(const RouteSegment& segment, const QString& netName,
                                               int skipRouteIndex,
                                               const std::optional<QList<PadObstacle>>& pads) const
{
    if (segment.shape.IsNull())
        return CollisionResult();
    return checkSolid(segment.shape, segmentBox(segment), segment, netName, skipRouteIndex, pads);
}

CollisionResult RoutingManager::checkCornerCollision(const RouteSegment& first, const RouteSegment& second,
                                                     const QString& netName, int skipRouteIndex,
                                                     const std::optional<QList<PadObstacle>>& pads) const
{
    if (!hasCornerFiller(first, second))
        return CollisionResult();
    const TopoDS_Shape filler = createCornerRound(first, second);
    if (filler.IsNull())
        return CollisionResult();
    return checkSolid(filler, cornerBox(first), std::nullopt, netName, skipRouteIndex, pads);
}

CollisionResult RoutingManager::checkSegments(const QList<RouteSegment>& segments, const QString& netName,
                                              int skipRouteIndex,
                                              const std::optional<QList<PadObstacle>>& pads) const
{
    const QList<PadObstacle> obstacles = pads ? *pads : padObstacles();
    CollisionResult worst;
    const auto keep = [&worst](const CollisionResult& found) {
        if (found.severity() > worst.severity())
            worst = found;
        return worst.isShort;
    };
    for (int i = 0; i < segments.size(); ++i) {
        const RouteSegment& segment = segments.at(i);
        if (!isLong(segment))
            continue;
        if (keep(checkCollision(segment, netName, skipRouteIndex, obstacles)))
            break;
        if (i > 0 && keep(checkCornerCollision(segments.at(i - 1), segment, netName, skipRouteIndex, obstacles)))
            break;
    }
    return worst;
}

QString RoutingManager::collisionRefusal(const CollisionResult& collision)
{
    if (collision.isShort)
        return tr("Short circuit with %1.").arg(collision.offender);
    if (collision.isClearance)
        return tr("Insufficient clearance with %1.").arg(collision.offender);
    if (collision.isUnchecked)
        return tr("The clearance to %1 could not be checked.").arg(collision.offender);
    return QString();
}

namespace {

// A segment of a finished route as the short check of a loaded design sees it.
struct Placed
{
    int route;
    const RouteSegment* segment;
    Bnd_Box box;
    double low[3];
    double high[3];
    std::optional<Extent> extent;
    std::optional<ConductorPrism> prism;
};

bool farApart(const Placed& a, const Placed& b)
{
    for (int i = 0; i < 3; ++i)
        if (a.low[i] > b.high[i] || b.low[i] > a.high[i])
            return true;
    return false;
}

// The verdict of segmentVerdict at clearance 0, from plane geometry where it decides: both
// solids are upright prisms, and their distance is measured in the plan and in Z. Only where
// that distance lies at the short threshold is the solid computation asked.
bool touches(const Placed& a, const Placed& b, const QString& otherNet)
{
    if (a.extent && b.extent)
        return extentDistance(*a.extent, *b.extent) < kZeroLength;
    if (!a.box.IsVoid() && !b.box.IsVoid() && a.box.IsOut(b.box))
        return false;
    if (a.prism && b.prism) {
        const double d = ConductorPrism::distance(*a.prism, *b.prism);
        if (d < 0.5 * kZeroLength)
            return true;
        if (d > 2.0 * kZeroLength)
            return false;
    }
    // What is left of segmentVerdict once the plane geometry has not decided.
    return RoutingManager::checkCollisionDetailed(a.box, a.segment->shape, b.segment->shape, b.box, 0.0,
                                                  QStringLiteral("track on net"), otherNet)
        == RoutingManager::PairShort;
}

} // namespace

QList<QPair<int, int>> RoutingManager::shortedRoutes() const
{
    // Segments by the low X of their boxes, swept: only segments whose boxes come within the
    // short threshold are measured, so the work grows with what is near, not with the design.
    std::vector<Placed> placed;
    std::vector<Placed> unbounded; // no box: measured against every other segment, as before
    for (int r = 0; r < m_routes.size(); ++r) {
        for (const RouteSegment& s : m_routes.at(r).segments) {
            if (s.shape.IsNull())
                continue;
            Placed p{r, &s, segmentBox(s), {}, {}, axisAlignedExtent(s), ConductorPrism::ofSegment(s)};
            if (p.box.IsVoid()) {
                unbounded.push_back(p);
                continue;
            }
            p.box.Get(p.low[0], p.low[1], p.low[2], p.high[0], p.high[1], p.high[2]);
            for (int i = 0; i < 3; ++i) {
                p.low[i] -= kZeroLength;
                p.high[i] += kZeroLength;
            }
            placed.push_back(p);
        }
    }
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.low[0] < b.low[0]; });

    std::set<QPair<int, int>> pairs;
    const auto test = [&](const Placed& a, const Placed& b) {
        if (a.route == b.route)
            return;
        const QPair<int, int> key = a.route < b.route ? qMakePair(a.route, b.route) : qMakePair(b.route, a.route);
        const Route& first = m_routes.at(key.first);
        const Route& second = m_routes.at(key.second);
        if (first.netName == second.netName || pairs.count(key))
            return;
        // Measured from the lower route's segment, as the pairs are reported.
        const bool aFirst = a.route == key.first;
        if (touches(aFirst ? a : b, aFirst ? b : a, second.netName))
            pairs.insert(key);
    };
    std::vector<const Placed*> active;
    for (const Placed& p : placed) {
        std::size_t kept = 0;
        for (const Placed* other : active) {
            if (other->high[0] < p.low[0])
                continue;
            active[kept++] = other;
            if (!farApart(p, *other))
                test(p, *other);
        }
        active.resize(kept);
        active.push_back(&p);
    }
    for (std::size_t i = 0; i < unbounded.size(); ++i) {
        for (const Placed& p : placed)
            test(unbounded[i], p);
        for (std::size_t j = i + 1; j < unbounded.size(); ++j)
            test(unbounded[i], unbounded[j]);
    }
    return QList<QPair<int, int>>(pairs.begin(), pairs.end());
}
