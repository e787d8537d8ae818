// Runs of track drawn from bytes, and the check every run must pass: its solid is one valid
// solid whose volume is that of the union of its span boxes and bend rounds, as the fuse of
// those pieces gives it or, where that fuse fails, as counted over the pieces.
// Shared by the fuzz target and the tests that keep its findings.
#pragma once

#include "foundation/geometryutils.h"
#include "routing/routingmanager.h"

#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace TrackRuns {

inline Route polyline(const std::vector<gp_Pnt>& points, double width, double height)
{
    Route route;
    for (size_t i = 1; i < points.size(); ++i) {
        RouteSegment s;
        s.start = points[i - 1];
        s.end = points[i];
        s.type = RouteSegment::Horizontal;
        s.width = width;
        s.height = height;
        route.segments.append(s);
    }
    return route;
}

// Reads numbers from the fuzzer's bytes; zeros once they run out.
class Bytes
{
public:
    Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    unsigned byte() { return m_at < m_size ? m_data[m_at++] : 0u; }
    // A value between lo and hi, spread evenly over the logarithm where log is set.
    double within(double lo, double hi, bool log = false)
    {
        // One read after the other: the order of operands is the compiler's, and the fuzzer's
        // findings must draw the same runs when replayed by another.
        const unsigned high = byte();
        const double f = (high * 256.0 + byte()) / 65535.0;
        return log ? lo * std::pow(hi / lo, f) : lo + (hi - lo) * f;
    }
    bool more() const { return m_at < m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

enum Shape { Retraced, Staircase, Zigzag, NearlyStraight, TinySpans, Loop, Walk, kShapes };

// A run of up to 12 spans of one of the shapes above, turned to any direction.
inline Route runFrom(const uint8_t* data, size_t size)
{
    Bytes in(data, size);
    const int shape = int(in.byte() % kShapes);
    const int spans = 2 + int(in.byte() % 11);
    const double width = in.within(0.001, 50.0, true);
    const double height = in.within(0.001, 10.0, true);
    const double scale = width * in.within(0.05, 40.0, true); // spans against the width
    double heading = in.within(-M_PI, M_PI);
    const double x = in.within(-100.0, 100.0), y = in.within(-100.0, 100.0), z = in.within(-10.0, 10.0);
    std::vector<gp_Pnt> points = {gp_Pnt(x, y, z)};
    const auto step = [&](double length, double turn) {
        heading += turn;
        const gp_Pnt& p = points.back();
        points.push_back(gp_Pnt(p.X() + length * std::cos(heading), p.Y() + length * std::sin(heading), p.Z()));
    };
    for (int i = 0; i < spans; ++i) {
        const double length = scale * in.within(0.1, 1.0);
        switch (shape) {
        case Retraced: // back over the line, by part of the way or all of it
            step(length, i == 0 ? 0.0 : M_PI);
            break;
        case Staircase:
            step(length, i == 0 ? 0.0 : (i % 2 ? 1.0 : -1.0) * in.within(0.2, M_PI_2));
            break;
        case Zigzag:
            step(length, i == 0 ? 0.0 : (i % 2 ? 1.0 : -1.0) * in.within(2.0, 3.1));
            break;
        case NearlyStraight: { // bends of 1e-8 to 1e-4 rad either way
            const double sign = in.byte() % 2 ? 1.0 : -1.0;
            step(length, sign * in.within(1e-8, 1e-4, true));
            break;
        }
        case TinySpans: { // spans just above the zero length among ordinary ones
            const double span = in.byte() % 3 ? in.within(1.01e-7, 1e-4, true) : length;
            step(span, in.within(-M_PI, M_PI));
            break;
        }
        case Loop: // round a polygon and on past the start
            step(length, i == 0 ? 0.0 : 2.0 * M_PI / in.within(3.0, 8.0));
            break;
        default:
            step(length, in.within(-M_PI, M_PI));
            break;
        }
    }
    return polyline(points, width, height);
}

inline int solidCount(const TopoDS_Shape& shape)
{
    int count = 0;
    for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next())
        ++count;
    return count;
}

inline double volumeOf(const TopoDS_Shape& shape)
{
    GProp_GProps props;
    BRepGProp::VolumeProperties(shape, props);
    return props.Mass();
}

inline std::string shown(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// The plan area of the union of the route's span rectangles and bend discs, counted on a fine
// grid laid over each piece: the points of a piece that no earlier piece covers. Slow, and
// exact to about a ten-thousandth; it decides where the fuse is not a solid to trust.
inline double sampledArea(const Route& route, int steps = 600)
{
    struct Piece
    {
        gp_XY origin, along;
        double length = 0.0; // 0 for a disc centred on origin
    };
    const double r = route.segments.first().width * 0.5;
    std::vector<Piece> pieces;
    const QList<RouteSegment>& s = route.segments;
    for (int k = 0; k < s.size(); ++k) {
        const gp_XY a(s[k].start.X(), s[k].start.Y()), b(s[k].end.X(), s[k].end.Y());
        if (!(s[k].start.Distance(s[k].end) > 1e-7))
            continue;
        pieces.push_back({a, (b - a) / (b - a).Modulus(), (b - a).Modulus()});
        if (k + 1 < s.size() && s[k + 1].start.Distance(s[k + 1].end) > 1e-7
            && GeometryUtils::bendAngle(s[k].start, s[k].end, s[k + 1].start, s[k + 1].end))
            pieces.push_back({b, gp_XY(1, 0), 0.0});
    }
    const auto covers = [&](const Piece& piece, const gp_XY& p) {
        const gp_XY v = p - piece.origin;
        if (piece.length == 0.0)
            return v.SquareModulus() <= r * r;
        const double t = v.Dot(piece.along), d = piece.along.Crossed(v);
        return t >= 0.0 && t <= piece.length && std::abs(d) <= r;
    };
    double area = 0.0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        const gp_XY across(-piece.along.Y(), piece.along.X());
        const double length = piece.length == 0.0 ? 2.0 * r : piece.length;
        const gp_XY start = piece.length == 0.0 ? piece.origin - piece.along * r : piece.origin;
        long count = 0;
        for (int u = 0; u < steps; ++u)
            for (int v = 0; v < steps; ++v) {
                const gp_XY p = start + piece.along * (length * (u + 0.5) / steps) + across * (r * (2.0 * (v + 0.5) / steps - 1.0));
                if (!covers(piece, p))
                    continue;
                bool earlier = false;
                for (size_t j = 0; j < i && !earlier; ++j)
                    earlier = covers(pieces[j], p);
                count += earlier ? 0 : 1;
            }
        area += double(count) * length * 2.0 * r / (double(steps) * steps);
    }
    return area;
}

// Empty where solid, built for route by whichever road, passes; else what is wrong with it.
// Without fuse, the count over the pieces alone is the reference: the fuse of many nearly
// coincident pieces takes minutes.
inline std::string checkSolid(const Route& route, const TopoDS_Shape& solid, bool fuse = true)
{
    const QList<TopoDS_Shape> pieces = RoutingManager::routePieces(route);
    if (pieces.isEmpty())
        return solid.IsNull() ? std::string() : "a solid where no piece can be built";
    if (solid.IsNull())
        return "no solid";
    if (solidCount(solid) != 1)
        return std::to_string(solidCount(solid)) + " solids";
    if (!BRepCheck_Analyzer(solid).IsValid())
        return "invalid solid";
    double sum = 0.0, largest = 0.0;
    for (const TopoDS_Shape& piece : pieces) {
        sum += volumeOf(piece);
        largest = std::max(largest, volumeOf(piece));
    }
    const double volume = volumeOf(solid);
    if (volume < largest * (1.0 - 1e-3) || volume > sum * (1.0 + 1e-3))
        return "volume " + shown(volume) + " outside the pieces' " + shown(largest) + ".." + shown(sum);
    // The fuse of every piece at once is the reference where it is itself one valid solid and
    // agrees; on spans near the zero length or tracks a few micrometres wide it often is not.
    const TopoDS_Shape fused = fuse ? RoutingManager::fusedRouteShape(route) : TopoDS_Shape();
    if (!fused.IsNull() && solidCount(fused) == 1 && BRepCheck_Analyzer(fused).IsValid()
        && std::abs(volume - volumeOf(fused)) <= 1e-3 * volumeOf(fused))
        return std::string();
    // The fuse is not a valid solid or disagrees: the count over the pieces decides.
    // Where edges of pieces run along the grid's rows, a whole row counts in or out at once:
    // a six-hundredth of a piece. Such a verdict is counted again twice as finely.
    double expected = sampledArea(route) * route.segments.first().height;
    if (std::abs(volume - expected) > 1e-3 * expected)
        expected = sampledArea(route, 1200) * route.segments.first().height;
    if (std::abs(volume - expected) > 1e-3 * expected)
        return "volume " + shown(volume) + " against the pieces' " + shown(expected);
    return std::string();
}

// The same for the route's solid as the program builds it.
inline std::string check(const Route& route, bool fuse = true)
{
    return checkSolid(route, RoutingManager::createRouteShape(route), fuse);
}

} // namespace TrackRuns
