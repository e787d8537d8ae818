#include "routing/conductorprism.h"

#include "foundation/occutils.h"
#include "model/routerecords.h"

#include <BRep_Tool.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_Plane.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kAxisTolerance = 1e-9;
constexpr double kZeroLength = 1e-7;
// Largest gap between a circle and its polygon: keeps the overlap lengths far inside 0.001 mm.
constexpr double kCircleSagitta = 1e-5;

double cross(const QPointF& o, const QPointF& a, const QPointF& b)
{
    return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

double area(const QList<QPointF>& polygon)
{
    double twice = 0.0;
    for (int i = 0, n = polygon.size(); i < n; ++i) {
        const QPointF& p = polygon.at(i);
        const QPointF& q = polygon.at((i + 1) % n);
        twice += p.x() * q.y() - q.x() * p.y();
    }
    return 0.5 * twice;
}

// Convex hull, counter-clockwise, collinear points dropped (monotone chain).
QList<QPointF> convexHull(QList<QPointF> points)
{
    std::sort(points.begin(), points.end(), [](const QPointF& a, const QPointF& b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    if (points.size() < 3)
        return points;
    QList<QPointF> hull(2 * points.size());
    int k = 0;
    for (const QPointF& p : std::as_const(points)) {
        while (k >= 2 && cross(hull.at(k - 2), hull.at(k - 1), p) <= 0)
            --k;
        hull[k++] = p;
    }
    for (int i = points.size() - 2, lower = k + 1; i >= 0; --i) {
        while (k >= lower && cross(hull.at(k - 2), hull.at(k - 1), points.at(i)) <= 0)
            --k;
        hull[k++] = points.at(i);
    }
    hull.resize(k - 1);
    return hull;
}

// Part of the subject polygon inside the convex counter-clockwise window (Sutherland–Hodgman).
QList<QPointF> clip(QList<QPointF> subject, const QList<QPointF>& window)
{
    for (int e = 0, n = window.size(); e < n && !subject.isEmpty(); ++e) {
        const QPointF& a = window.at(e);
        const QPointF& b = window.at((e + 1) % n);
        const auto inside = [&](const QPointF& p) { return cross(a, b, p) >= 0.0; };
        const auto crossing = [&](const QPointF& p, const QPointF& q) {
            const double cp = cross(a, b, p);
            const double cq = cross(a, b, q);
            return p + (q - p) * (cp / (cp - cq));
        };
        QList<QPointF> kept;
        kept.reserve(subject.size() + 1);
        for (int i = 0, m = subject.size(); i < m; ++i) {
            const QPointF& p = subject.at(i);
            const QPointF& q = subject.at((i + 1) % m);
            if (inside(q)) {
                if (!inside(p))
                    kept.append(crossing(p, q));
                kept.append(q);
            } else if (inside(p)) {
                kept.append(crossing(p, q));
            }
        }
        subject = kept;
    }
    return subject;
}

double pointToSegment(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t = length2 > 0.0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + ab * t);
    return std::hypot(d.x(), d.y());
}

QList<QPointF> circleOutline(const QPointF& centre, double radius)
{
    const double step = 2.0 * std::acos(std::max(-1.0, 1.0 - kCircleSagitta / radius));
    const int count = std::clamp(static_cast<int>(std::ceil(2.0 * M_PI / step)), 16, 4096);
    QList<QPointF> outline;
    outline.reserve(count);
    for (int i = 0; i < count; ++i) {
        const double angle = 2.0 * M_PI * i / count;
        outline.append(centre + QPointF(radius * std::cos(angle), radius * std::sin(angle)));
    }
    return outline;
}

bool isFinite(const QList<QPointF>& outline, double zLow, double zHigh)
{
    for (const QPointF& p : outline)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            return false;
    return std::isfinite(zLow) && std::isfinite(zHigh);
}

} // namespace

std::optional<ConductorPrism> ConductorPrism::ofSegment(const RouteSegment& s)
{
    ConductorPrism prism;
    const double half = s.width * 0.5;
    if (s.type == RouteSegment::Vertical) {
        if (std::abs(s.end.X() - s.start.X()) > kAxisTolerance
            || std::abs(s.end.Y() - s.start.Y()) > kAxisTolerance)
            return std::nullopt;
        const QPointF c(s.start.X(), s.start.Y());
        prism.outline = {c + QPointF(-half, -half), c + QPointF(half, -half), c + QPointF(half, half),
                         c + QPointF(-half, half)};
        prism.zLow = std::min(s.start.Z(), s.end.Z());
        prism.zHigh = std::max(s.start.Z(), s.end.Z());
    } else {
        if (std::abs(s.end.Z() - s.start.Z()) > kAxisTolerance)
            return std::nullopt;
        QPointF along(s.end.X() - s.start.X(), s.end.Y() - s.start.Y());
        const double length = std::hypot(along.x(), along.y());
        along = length < kZeroLength ? QPointF(1.0, 0.0) : along / length;
        const QPointF side = QPointF(-along.y(), along.x()) * half;
        const QPointF a(s.start.X(), s.start.Y());
        const QPointF b(s.end.X(), s.end.Y());
        prism.outline = {a - side, b - side, b + side, a + side};
        prism.zLow = s.start.Z();
        prism.zHigh = s.start.Z() + s.height;
    }
    if (!(half > 0.0) || !(prism.zHigh >= prism.zLow) || !isFinite(prism.outline, prism.zLow, prism.zHigh))
        return std::nullopt;
    return prism;
}

std::optional<ConductorPrism> ConductorPrism::ofSolid(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return std::nullopt;
    return OccUtils::guardedCall(std::optional<ConductorPrism>(), "ConductorPrism::ofSolid",
                                 [&shape]() -> std::optional<ConductorPrism> {
        int solids = 0;
        for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More() && solids < 2; it.Next())
            ++solids;
        if (solids != 1)
            return std::nullopt;

        int caps = 0;
        int planeSides = 0;
        std::optional<QPointF> centre;
        double radius = 0.0;
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
            TopLoc_Location location;
            const Handle(Geom_Surface) surface = BRep_Tool::Surface(TopoDS::Face(it.Current()), location);
            const gp_Trsf placement = location.Transformation();
            if (const Handle(Geom_Plane) plane = Handle(Geom_Plane)::DownCast(surface)) {
                const double nz = std::abs(plane->Axis().Direction().Transformed(placement).Z());
                if (nz > 1.0 - kAxisTolerance)
                    ++caps;
                else if (nz < kAxisTolerance)
                    ++planeSides;
                else
                    return std::nullopt;
            } else if (const Handle(Geom_CylindricalSurface) cylinder =
                           Handle(Geom_CylindricalSurface)::DownCast(surface)) {
                const gp_Ax1 axis = cylinder->Axis().Transformed(placement);
                if (centre || std::abs(axis.Direction().Z()) < 1.0 - kAxisTolerance)
                    return std::nullopt;
                centre = QPointF(axis.Location().X(), axis.Location().Y());
                radius = cylinder->Radius();
            } else {
                return std::nullopt;
            }
        }
        if (caps != 2 || (centre && planeSides > 0) || (!centre && planeSides < 3))
            return std::nullopt;

        ConductorPrism prism;
        prism.zLow = std::numeric_limits<double>::infinity();
        prism.zHigh = -prism.zLow;
        QList<QPointF> corners;
        for (TopExp_Explorer it(shape, TopAbs_VERTEX); it.More(); it.Next()) {
            const gp_Pnt p = BRep_Tool::Pnt(TopoDS::Vertex(it.Current()));
            prism.zLow = std::min(prism.zLow, p.Z());
            prism.zHigh = std::max(prism.zHigh, p.Z());
            corners.append(QPointF(p.X(), p.Y()));
        }
        if (centre) {
            prism.outline = circleOutline(*centre, radius);
        } else {
            prism.outline = convexHull(corners);
            // A concave outline has more sides than its hull has corners.
            if (prism.outline.size() != planeSides)
                return std::nullopt;
        }
        if (!(prism.zHigh > prism.zLow) || !isFinite(prism.outline, prism.zLow, prism.zHigh))
            return std::nullopt;
        return prism;
    });
}

double ConductorPrism::commonVolume(const ConductorPrism& a, const ConductorPrism& b)
{
    const double height = std::min(a.zHigh, b.zHigh) - std::max(a.zLow, b.zLow);
    if (!(height > 0.0))
        return 0.0;
    const bool aIsWindow = a.outline.size() <= b.outline.size();
    const QList<QPointF> common = clip(aIsWindow ? b.outline : a.outline, aIsWindow ? a.outline : b.outline);
    return common.size() < 3 ? 0.0 : std::abs(area(common)) * height;
}

double ConductorPrism::distance(const ConductorPrism& a, const ConductorPrism& b)
{
    const double zGap = std::max({0.0, a.zLow - b.zHigh, b.zLow - a.zHigh});
    double planGap = 0.0;
    const bool aIsWindow = a.outline.size() <= b.outline.size();
    const QList<QPointF> common = clip(aIsWindow ? b.outline : a.outline, aIsWindow ? a.outline : b.outline);
    if (common.size() < 3 || std::abs(area(common)) <= 0.0) {
        // Apart (or only touching) in plan: the nearest pair involves a corner of one outline.
        planGap = std::numeric_limits<double>::infinity();
        for (const auto& [from, to] : {std::pair(&a.outline, &b.outline), std::pair(&b.outline, &a.outline)})
            for (const QPointF& p : *from)
                for (int i = 0, n = to->size(); i < n; ++i)
                    planGap = std::min(planGap, pointToSegment(p, to->at(i), to->at((i + 1) % n)));
    }
    return std::hypot(planGap, zGap);
}
