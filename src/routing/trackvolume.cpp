// The volume a track's solid must hold, from plan polygons united on an integer grid.
#include "routing/trackvolume.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "routing/routingmanager.h"

#include <QCoreApplication>

#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <GeomAdaptor_Surface.hxx>
#include <Geom_Curve.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shape.hxx>
#include <math.hxx>
#include <math_Vector.hxx>

#include <clipper.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kZeroLength = 1e-7;
// Discs as polygons of their own area: within a few millionths of the union's area where a
// round meets a side, well inside the check's allowance, at a tenth of the cost of a fine one.
constexpr int kDiscSides = 32;
// Pieces united at a time before their unions are (see expectedVolume).
constexpr size_t kPiecesPerStretch = 64;

struct Prism
{
    ClipperLib::Path outline;
    double zLow = 0.0, zHigh = 0.0;
};

// Plan points on an integer grid whose step is a millionth of the track's narrowest section,
// between a micrometre and 1e-12 mm: a metre is then at most 1e15 steps, far within the grid's reach.
struct Grid
{
    double unit = 1e-6;
    ClipperLib::IntPoint at(double x, double y) const
    {
        return ClipperLib::IntPoint(ClipperLib::cInt(std::llround(x / unit)), ClipperLib::cInt(std::llround(y / unit)));
    }
};

void addPrism(std::vector<Prism>& prisms, ClipperLib::Path outline, double zLow, double zHigh)
{
    // The union counts windings: every outline must turn the same way.
    if (!ClipperLib::Orientation(outline))
        ClipperLib::ReversePath(outline);
    prisms.push_back({std::move(outline), zLow, zHigh});
}

// A disc as a polygon of the disc's own area.
ClipperLib::Path disc(const Grid& grid, double cx, double cy, double r)
{
    const double step = 2.0 * M_PI / kDiscSides;
    const double equalArea = r * std::sqrt(step / std::sin(step));
    ClipperLib::Path path;
    for (int k = 0; k < kDiscSides; ++k)
        path.push_back(grid.at(cx + equalArea * std::cos(k * step), cy + equalArea * std::sin(k * step)));
    return path;
}

// Points of Gauss-Legendre along each edge: exact on a line, and on the arc of a bend far within
// the check's allowance.
constexpr int kGaussPoints = 10;

// The solid's volume by the divergence theorem with the field (0, 0, z): an upright face adds
// nothing, a level face its height times its plan area signed by the way it faces, which its
// edges give as the half of ∮(x dy - y dx) taken from a point of the face (its loops are
// closed). A track's pieces stand upright, so their union has no other face; a solid that has
// one is left to OpenCASCADE's integration of the whole volume, which on a thin track of many
// steps took about twice as long as building the solid.
double volumeOf(const TopoDS_Shape& solid)
{
    const double angle = 1e-9;
    math_Vector points(1, kGaussPoints), weights(1, kGaussPoints);
    math::GaussPoints(kGaussPoints, points);
    math::GaussWeights(kGaussPoints, weights);
    double volume = 0.0;
    for (TopExp_Explorer f(solid, TopAbs_FACE); f.More(); f.Next()) {
        const TopoDS_Face& face = TopoDS::Face(f.Current());
        const GeomAdaptor_Surface surface(BRep_Tool::Surface(face));
        const GeomAbs_SurfaceType type = surface.GetType();
        if ((type == GeomAbs_Plane && surface.Plane().Axis().Direction().IsNormal(gp::DZ(), angle))
            || (type == GeomAbs_Cylinder && surface.Cylinder().Axis().Direction().IsParallel(gp::DZ(), angle)))
            continue;
        if (type != GeomAbs_Plane || !surface.Plane().Axis().Direction().IsParallel(gp::DZ(), angle)) {
            GProp_GProps props;
            BRepGProp::VolumeProperties(solid, props);
            return props.Mass();
        }
        const gp_Pnt origin = BRep_Tool::Pnt(TopoDS::Vertex(TopExp_Explorer(face, TopAbs_VERTEX).Current()));
        double twiceArea = 0.0;
        for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
            double first = 0.0, last = 0.0;
            const Handle(Geom_Curve) curve = BRep_Tool::Curve(TopoDS::Edge(e.Current()), first, last);
            double sum = 0.0;
            for (int k = 1; k <= kGaussPoints; ++k) {
                gp_Pnt p;
                gp_Vec d;
                curve->D1(0.5 * (first + last) + 0.5 * (last - first) * points(k), p, d);
                sum += weights(k) * ((p.X() - origin.X()) * d.Y() - (p.Y() - origin.Y()) * d.X());
            }
            twiceArea += (e.Current().Orientation() == TopAbs_REVERSED ? -0.5 : 0.5) * (last - first) * sum;
        }
        volume += origin.Z() * 0.5 * twiceArea;
    }
    return volume;
}

bool bendHasRound(const RouteSegment& segment, const RouteSegment& next)
{
    return segment.type == RouteSegment::Horizontal && next.type == RouteSegment::Horizontal
        && GeometryUtils::bendAngle(segment.start, segment.end, next.start, next.end).has_value()
        && segment.width * 0.5 >= kZeroLength && segment.height >= kZeroLength;
}

} // namespace

namespace TrackVolume {

std::optional<double> expectedVolume(const QList<RouteSegment>& all)
{
    const QList<RouteSegment> segments = RoutingManager::withoutZeroLength(all);
    Grid grid;
    for (const RouteSegment& s : segments)
        if (s.width > 0.0)
            grid.unit = std::min(grid.unit, std::max(s.width * 1e-6, 1e-12));
    std::vector<Prism> prisms;
    for (int i = 0; i < segments.size(); ++i) {
        const RouteSegment& s = segments.at(i);
        const double half = s.width * 0.5;
        if (s.type == RouteSegment::Vertical) {
            const double x = s.start.X(), y = s.start.Y();
            addPrism(prisms, {grid.at(x - half, y - half), grid.at(x + half, y - half), grid.at(x + half, y + half),
                              grid.at(x - half, y + half)},
                     std::min(s.start.Z(), s.end.Z()), std::max(s.start.Z(), s.end.Z()));
            continue;
        }
        if (s.start.Z() != s.end.Z())
            return std::nullopt;
        const double dx = s.end.X() - s.start.X(), dy = s.end.Y() - s.start.Y();
        const double length = std::hypot(dx, dy);
        const double nx = -dy / length * half, ny = dx / length * half;
        addPrism(prisms,
                 {grid.at(s.start.X() - nx, s.start.Y() - ny), grid.at(s.end.X() - nx, s.end.Y() - ny),
                  grid.at(s.end.X() + nx, s.end.Y() + ny), grid.at(s.start.X() + nx, s.start.Y() + ny)},
                 s.start.Z(), s.start.Z() + s.height);
        if (i + 1 < segments.size() && bendHasRound(s, segments.at(i + 1)))
            addPrism(prisms, disc(grid, s.end.X(), s.end.Y(), half), s.end.Z(), s.end.Z() + s.height);
    }
    std::vector<double> heights;
    for (const Prism& prism : prisms) {
        if (!std::isfinite(prism.zLow) || !std::isfinite(prism.zHigh))
            return std::nullopt;
        heights.push_back(prism.zLow);
        heights.push_back(prism.zHigh);
    }
    std::sort(heights.begin(), heights.end());
    heights.erase(std::unique(heights.begin(), heights.end()), heights.end());
    double volume = 0.0;
    for (size_t k = 0; k + 1 < heights.size(); ++k) {
        const double z0 = heights[k], z1 = heights[k + 1];
        ClipperLib::Paths standing;
        for (const Prism& prism : prisms)
            if (prism.zLow <= z0 && prism.zHigh >= z1)
                standing.push_back(prism.outline);
        if (standing.empty())
            continue;
        // A stretch of the track at a time first: one union of thousands of pieces that overlap
        // along a line walks the growing loop again wherever two meet (20,000 steps in line
        // took 7 s, a thousand steps of 2 micrometres 1 s).
        ClipperLib::Paths stretches;
        for (size_t i = 0; i < standing.size(); i += kPiecesPerStretch) {
            const size_t end = std::min(standing.size(), i + kPiecesPerStretch);
            ClipperLib::Clipper stretch;
            stretch.AddPaths(ClipperLib::Paths(standing.begin() + i, standing.begin() + end), ClipperLib::ptSubject,
                             true);
            ClipperLib::Paths united;
            stretch.Execute(ClipperLib::ctUnion, united, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
            stretches.insert(stretches.end(), united.begin(), united.end());
        }
        ClipperLib::Clipper clipper;
        clipper.AddPaths(stretches, ClipperLib::ptSubject, true);
        ClipperLib::Paths united;
        if (!clipper.Execute(ClipperLib::ctUnion, united, ClipperLib::pftNonZero, ClipperLib::pftNonZero))
            return std::nullopt;
        double area = 0.0; // holes count negative
        for (const ClipperLib::Path& path : united)
            area += ClipperLib::Area(path);
        volume += area * grid.unit * grid.unit * (z1 - z0);
    }
    return volume;
}

double allowance(const QList<RouteSegment>& all, double expected)
{
    const QList<RouteSegment> segments = RoutingManager::withoutZeroLength(all);
    // Legs pass over points a twenty-thousandth of the width off their line.
    double allowed = 2e-4 * expected;
    for (int i = 0; i + 1 < segments.size(); ++i) {
        const RouteSegment& s = segments.at(i);
        if (bendHasRound(s, segments.at(i + 1)))
            allowed += M_PI * s.width * s.height * std::min(0.01, s.width / 80.0);
    }
    return allowed;
}

QString faultOf(const QList<RouteSegment>& segments, const TopoDS_Shape& solid)
{
    if (RoutingManager::withoutZeroLength(segments).isEmpty())
        return QString();
    if (solid.IsNull())
        return QCoreApplication::translate("RoutingManager", "no solid could be built");
    int solids = 0;
    for (TopExp_Explorer it(solid, TopAbs_SOLID); it.More(); it.Next())
        ++solids;
    if (solids == 0)
        return QCoreApplication::translate("RoutingManager", "it holds no closed solid");
    if (solids != 1)
        return QCoreApplication::translate("RoutingManager", "it comes out as %n separate solid(s)", nullptr, solids);
    const std::optional<double> expected = expectedVolume(segments);
    if (!expected)
        return QString();
    const double volume = OccUtils::guardedCall(-1.0, "TrackVolume::faultOf", [&solid] { return volumeOf(solid); });
    if (std::abs(volume - *expected) <= allowance(segments, *expected))
        return QString();
    return QCoreApplication::translate("RoutingManager", "it holds %1 mm³ of copper where its segments make %2 mm³")
        .arg(QString::number(volume, 'g', 6), QString::number(*expected, 'g', 6));
}

} // namespace TrackVolume
