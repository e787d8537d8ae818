// A run reduced to the straight legs its outline follows. Points clicked along a line, corners
// dragged almost into it and steps far shorter than the track is wide bend the outline by
// nanometres; kept, they would make the union's cost follow the steps instead of the legs.
#include "routing/trackoutline_p.h"

#include "foundation/geometryutils.h"
#include "model/routerecords.h"

#include <gp_Vec.hxx>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Past the last point that could end a leg, this many more are looked at before giving up:
// the work stays in proportion to the run's length.
constexpr int kLookAhead = 1024;
// The cosine of the smallest turn that gets a round (1e-6 rad), a little nearer 1.
const double kInLine = std::cos(1e-6) + 1e-15;

gp_XY plan(const gp_Pnt& p)
{
    return gp_XY(p.X(), p.Y());
}

double legTolerance(double width)
{
    // A ten-thousandth of the half width moves the volume by far less than the tolerance of its
    // check; below half a micrometre the outline's own vertices would merge.
    return std::max(5e-7, 0.5e-4 * width);
}

} // namespace

namespace TrackOutline {

bool Cone::take(const gp_XY& p, bool& canEnd)
{
    canEnd = false;
    const gp_XY v = p - m_anchor;
    const double distance = v.Modulus();
    if (distance <= m_tolerance) {
        m_farthest = std::max(m_farthest, distance);
        return true;
    }
    if (!m_aimed) {
        m_aim = v / distance;
        m_aimed = true;
    }
    const double angle = std::atan2(m_aim.Crossed(v), m_aim.Dot(v));
    canEnd = angle >= m_low && angle <= m_high && distance >= m_farthest - m_tolerance;
    // For narrow cones the sine stands for the angle: a little narrower, never wider.
    const double sine = m_tolerance / distance;
    const double half = sine < 0.1 ? sine : std::asin(std::min(1.0, sine));
    m_low = std::max(m_low, angle - half);
    m_high = std::min(m_high, angle + half);
    m_farthest = std::max(m_farthest, distance);
    return m_low <= m_high;
}

double outlineTolerance(double width)
{
    // Steps much shorter than the width trace as thousands of scallops a few micrometres deep,
    // each a face that every later step (cutting, checking, writing the file) pays for.
    return std::min(0.01, width / 80.0);
}

Legs legsOf(const QList<RouteSegment>& segments, int first, int last, bool wide)
{
    const double r = segments.at(first).width * 0.5;
    const double tolerance = legTolerance(segments.at(first).width);
    const int n = last - first + 1;
    std::vector<gp_XY> p(size_t(n) + 1);
    std::vector<bool> bend(size_t(n) + 1, false); // at each point where two segments meet
    p[0] = plan(segments.at(first).start);
    for (int k = 0; k < n; ++k) {
        const RouteSegment& s = segments.at(first + k);
        p[size_t(k) + 1] = plan(s.end);
        if (k + 1 < n) {
            // Steps in line, most of a long run, are told from bends without the arc cosine.
            const RouteSegment& next = segments.at(first + k + 1);
            const gp_Vec u(s.start, s.end), v(next.start, next.end);
            const bool inLine = u.Dot(v) > kInLine * u.Magnitude() * v.Magnitude();
            bend[size_t(k) + 1] = !inLine && GeometryUtils::bendAngle(s.start, s.end, next.start, next.end).has_value();
        }
    }

    Legs legs;
    legs.points.push_back(p[0]);
    legs.round.push_back(false);
    // Rounds of bends passed over lie within the tolerance of the leg: inside it, but near a
    // leg's end without a round of its own, or beyond its end, they reach past it. There the
    // round farthest out covers what the others add, within the tolerance.
    const auto passOver = [&](int from, int to) {
        const size_t end = legs.points.size() - 1;
        const gp_XY a = legs.points[end - 1], b = legs.points[end];
        const double length = (b - a).Modulus();
        const gp_XY u = (b - a) / length;
        int nearStart = -1, nearEnd = -1;
        for (int k = from + 1; k < to; ++k) {
            if (!bend[size_t(k)])
                continue;
            const double t = (p[size_t(k)] - a).Dot(u);
            if (t < r && (nearStart < 0 || t < (p[size_t(nearStart)] - a).Dot(u)))
                nearStart = k;
            if (t > length - r && (nearEnd < 0 || t > (p[size_t(nearEnd)] - a).Dot(u)))
                nearEnd = k;
        }
        if (nearStart >= 0 && (!legs.round[end - 1] || (p[size_t(nearStart)] - a).Dot(u) < 0.0))
            legs.rounds.push_back({p[size_t(nearStart)], u, end - 1});
        if (nearEnd >= 0 && (!legs.round[end] || (p[size_t(nearEnd)] - a).Dot(u) > length))
            legs.rounds.push_back({p[size_t(nearEnd)], u, end});
    };

    // The last point a leg from the anchor may end at, every point between within tolerance
    // of it; -1 where every point left lies that near the anchor.
    const auto endOf = [&](int anchor, double tolerance) {
        TrackOutline::Cone cone(p[size_t(anchor)], tolerance);
        int end = -1;
        for (int j = anchor + 1; j <= n && (end < 0 || j - end <= kLookAhead); ++j) {
            bool canEnd = false;
            const bool open = cone.take(p[size_t(j)], canEnd);
            if (canEnd)
                end = j;
            if (!open)
                break;
        }
        return end;
    };
    // How far the pieces of the points between a leg's ends reach out of its sides, and
    // whether its sides moved out that far stay near them: adding at most a ten-thousandth of
    // its area a side. Between two points a side is held up by the span between them, less as
    // it turns away from the leg, and by their rounds, which fall away from their tops as
    // circles do. The cone keeps every point within a quarter of the outline's tolerance of
    // the leg; a span that falls further below the side is long or slanted, and the area's
    // bound refuses it first.
    struct Sides
    {
        double left = 0.0, right = 0.0;
        bool near = true;
    };
    const double most = 0.25 * outlineTolerance(2.0 * r);
    const auto sidesOf = [&](int anchor, int end) {
        const gp_XY a = p[size_t(anchor)];
        const gp_XY u = (p[size_t(end)] - a) / (p[size_t(end)] - a).Modulus();
        const size_t count = size_t(end - anchor) + 1;
        std::vector<double> off(count), cosine(count - 1), along(count - 1);
        for (size_t k = 0; k + 1 < count; ++k) {
            const gp_XY d = p[size_t(anchor) + k + 1] - p[size_t(anchor) + k];
            cosine[k] = std::abs(u.Dot(d)) / d.Modulus();
            along[k] = std::abs(u.Dot(d));
        }
        Sides sides;
        for (size_t k = 0; k < count; ++k) {
            off[k] = u.Crossed(p[size_t(anchor) + k] - a);
            const double reach = bend[size_t(anchor) + k] ? r : 0.0;
            sides.left = std::max(sides.left, reach + off[k] - r);
            sides.right = std::max(sides.right, reach - off[k] - r);
        }
        // How far the side at sign (+1 left, -1 right) falls below its top in span k.
        const auto gap = [&](size_t k, double sign, double top) {
            const double o0 = sign * off[k], o1 = sign * off[k + 1];
            double low = r * cosine[k] + std::min(o0, o1);
            const bool b0 = bend[size_t(anchor) + k], b1 = bend[size_t(anchor) + k + 1];
            const double fall = along[k] * along[k] / (2.0 * r);
            if (b0 && b1)
                low = std::max({low, r + std::min(o0, o1) - 0.25 * fall, r + std::max(o0, o1) - fall});
            else if (b0 || b1)
                low = std::max(low, r + (b0 ? o0 : o1) - fall);
            return r + top - low;
        };
        double added = 0.0;
        for (size_t k = 0; k + 1 < count; ++k) {
            added += along[k] * (gap(k, 1.0, sides.left) + gap(k, -1.0, sides.right));
        }
        // Rounds passed over near an end with a round of its own are left to that round: what
        // they reach beyond it, a crescent as wide as they stand off the leg, goes as well.
        const double length = (p[size_t(end)] - a).Modulus();
        double offStart = 0.0, offEnd = 0.0;
        for (size_t k = 1; k + 1 < count; ++k) {
            const double t = u.Dot(p[size_t(anchor) + k] - a);
            if (!bend[size_t(anchor) + k] || t < 0.0 || t > length)
                continue;
            if (t < r && bend[size_t(anchor)])
                offStart = std::max(offStart, std::abs(off[k]));
            if (t > length - r && bend[size_t(end)])
                offEnd = std::max(offEnd, std::abs(off[k]));
        }
        added += 2.0 * r * (offStart + offEnd);
        sides.near = added <= 2e-4 * r * length;
        return sides;
    };

    int anchor = 0;
    while (anchor < n) {
        int end = endOf(anchor, wide ? std::max(tolerance, most) : tolerance);
        Sides sides;
        // A cluster of points that near the anchor spreads its pieces past a round of it by
        // as much: only within the tolerance is it the round.
        if (wide && end < 0)
            end = endOf(anchor, tolerance);
        else if (wide) {
            sides = sidesOf(anchor, end);
            if (!sides.near) {
                end = endOf(anchor, tolerance);
                sides = Sides();
            }
        }
        if (end < 0) { // what is left lies within the tolerance of the anchor: its bends round it
            for (int k = anchor; k < n; ++k)
                if (bend[size_t(k)])
                    legs.round.back() = true;
            if (legs.points.size() == 1 && !legs.round.back()) { // a straight run shorter than that
                int farthest = 0;
                for (int k = 1; k <= n; ++k)
                    if ((p[size_t(k)] - p[0]).Modulus() > (p[size_t(farthest)] - p[0]).Modulus())
                        farthest = k;
                legs.points.push_back(p[size_t(farthest)]);
                legs.round.push_back(false);
                legs.left.push_back(0.0);
                legs.right.push_back(0.0);
            }
            break;
        }
        legs.points.push_back(p[size_t(end)]);
        legs.round.push_back(bend[size_t(end)]);
        legs.left.push_back(sides.left);
        legs.right.push_back(sides.right);
        passOver(anchor, end);
        anchor = end;
    }
    return legs;
}

} // namespace TrackOutline
