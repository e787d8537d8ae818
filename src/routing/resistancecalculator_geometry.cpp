// Conductor geometry of the resistance probe: section and length of each segment, lengths
// counted twice (inside pads, at corners, at joints and junctions), pad columns and contact.
#include "routing/resistancecalculator.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "model/placedcomponentdata.h"
#include "model/routerecords.h"
#include "routing/routingmanager.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <Geom_Plane.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kZeroLength = 1e-7;
constexpr double kZeroVolume = 1e-7;
constexpr double kMinSection = 1e-9;
constexpr double kFuzzy = 1e-3;        // overlap and contact tolerance, mm
constexpr double kAxisTolerance = 1e-9;
constexpr double kOhmCmToOhmMm = 10.0;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool isLong(const RouteSegment& segment)
{
    return segment.start.Distance(segment.end) > kZeroLength;
}

bool isFinitePoint(const gp_Pnt& p)
{
    return std::isfinite(p.X()) && std::isfinite(p.Y()) && std::isfinite(p.Z());
}

double sectionOf(const RouteSegment& segment)
{
    return segment.type != RouteSegment::Horizontal ? segment.width * segment.width
                                                    : segment.width * segment.height;
}

// A negative width squared still gives a positive area; it is no conductor all the same.
bool hasUsableSection(const RouteSegment& segment)
{
    const double area = sectionOf(segment);
    const bool sidesPositive = segment.width > 0.0
        && (segment.type != RouteSegment::Horizontal || segment.height > 0.0);
    return sidesPositive && std::isfinite(area) && area >= kMinSection;
}

// Axis-aligned boxes: most tracks and pads are, and their common volume needs no boolean.
struct AxisBox
{
    double lo[3];
    double hi[3];
};

std::optional<AxisBox> segmentAxisBox(const RouteSegment& s)
{
    const double dx = std::abs(s.end.X() - s.start.X());
    const double dy = std::abs(s.end.Y() - s.start.Y());
    const double dz = std::abs(s.end.Z() - s.start.Z());
    const double half = s.width * 0.5;
    if (s.type == RouteSegment::Vertical) {
        if (dx > kAxisTolerance || dy > kAxisTolerance)
            return std::nullopt;
        return AxisBox{{s.start.X() - half, s.start.Y() - half, std::min(s.start.Z(), s.end.Z())},
                       {s.start.X() + half, s.start.Y() + half, std::max(s.start.Z(), s.end.Z())}};
    }
    if (dz > kAxisTolerance)
        return std::nullopt;
    const double z0 = s.start.Z();
    if (dy <= kAxisTolerance)
        return AxisBox{{std::min(s.start.X(), s.end.X()), s.start.Y() - half, z0},
                       {std::max(s.start.X(), s.end.X()), s.start.Y() + half, z0 + s.height}};
    if (dx <= kAxisTolerance)
        return AxisBox{{s.start.X() - half, std::min(s.start.Y(), s.end.Y()), z0},
                       {s.start.X() + half, std::max(s.start.Y(), s.end.Y()), z0 + s.height}};
    return std::nullopt;
}

// A single solid bounded by six planar faces, two across each axis, is its own box.
std::optional<AxisBox> solidAxisBox(const TopoDS_Shape& shape)
{
    return OccUtils::guardedCall(std::optional<AxisBox>(), "ResistanceCalculator::solidAxisBox",
                                 [&shape]() -> std::optional<AxisBox> {
        int solids = 0;
        for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next())
            ++solids;
        if (solids != 1)
            return std::nullopt;
        int faces = 0;
        int perAxis[3] = {0, 0, 0};
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
            if (++faces > 6)
                return std::nullopt;
            TopLoc_Location location;
            const Handle(Geom_Plane) plane = Handle(Geom_Plane)::DownCast(
                BRep_Tool::Surface(TopoDS::Face(it.Current()), location));
            if (plane.IsNull())
                return std::nullopt;
            const gp_Dir normal = plane->Axis().Direction().Transformed(location.Transformation());
            int axis = -1;
            for (int k = 0; k < 3; ++k)
                if (std::abs(normal.Coord(k + 1)) > 1.0 - 1e-12)
                    axis = k;
            if (axis < 0)
                return std::nullopt;
            ++perAxis[axis];
        }
        if (faces != 6 || perAxis[0] != 2 || perAxis[1] != 2 || perAxis[2] != 2)
            return std::nullopt;
        AxisBox box{{kInfinity, kInfinity, kInfinity}, {-kInfinity, -kInfinity, -kInfinity}};
        for (TopExp_Explorer it(shape, TopAbs_VERTEX); it.More(); it.Next()) {
            const gp_Pnt p = BRep_Tool::Pnt(TopoDS::Vertex(it.Current()));
            for (int k = 0; k < 3; ++k) {
                box.lo[k] = std::min(box.lo[k], p.Coord(k + 1));
                box.hi[k] = std::max(box.hi[k], p.Coord(k + 1));
            }
        }
        return box;
    });
}

double commonVolume(const AxisBox& a, const AxisBox& b)
{
    double volume = 1.0;
    for (int k = 0; k < 3; ++k)
        volume *= std::max(0.0, std::min(a.hi[k], b.hi[k]) - std::max(a.lo[k], b.lo[k]));
    return volume;
}

double gapBetween(const AxisBox& a, const AxisBox& b)
{
    double squared = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double gap = std::max({0.0, a.lo[k] - b.hi[k], b.lo[k] - a.hi[k]});
        squared += gap * gap;
    }
    return std::sqrt(squared);
}

double booleanCommonVolume(const TopoDS_Shape& a, const TopoDS_Shape& b)
{
    BRepAlgoAPI_Common common(a, b);
    common.SetFuzzyValue(kFuzzy);
    common.Build();
    if (!common.IsDone() || common.Shape().IsNull())
        return 0.0;
    GProp_GProps props;
    BRepGProp::VolumeProperties(common.Shape(), props, false, false, false);
    return props.Mass();
}

// Distance between two solids; a failed measurement falls back to their boxes touching.
bool solidsTouch(const TopoDS_Shape& a, const TopoDS_Shape& b)
{
    const auto exact = OccUtils::guardedCall(std::optional<double>(),
                                             "ResistanceCalculator::padContact",
                                             [&]() -> std::optional<double> {
        BRepExtrema_DistShapeShape distance(a, b);
        if (!distance.IsDone())
            return std::nullopt;
        return distance.Value();
    });
    if (exact)
        return *exact <= kFuzzy;
    Bnd_Box boxA = GeometryUtils::boundingBoxOf(a);
    const Bnd_Box boxB = GeometryUtils::boundingBoxOf(b);
    boxA.Enlarge(kFuzzy);
    return !boxA.IsVoid() && !boxB.IsVoid() && !boxA.IsOut(boxB);
}

std::optional<double> cornerAngle(const RouteSegment& a, const RouteSegment& b)
{
    return GeometryUtils::bendAngle(a.start, a.end, b.start, b.end);
}

// Length of a horizontal segment lying inside the corner it makes with a horizontal neighbour.
double cornerOverlap(const RouteSegment& corrected, const RouteSegment& first,
                     const RouteSegment& second)
{
    const std::optional<double> theta = cornerAngle(first, second);
    if (!theta)
        return 0.0;
    const double w = corrected.width;
    return std::min(1.5 * w, (w * 0.5) * std::tan(*theta * 0.5));
}

const char* const kEmbeddedInPad = "ResistanceCalculator::embeddedLengthInPad";
const char* const kOnVertical = "ResistanceCalculator::cornerOverlapLengthOnVertical";

} // namespace

double ResistanceCalculator::segmentResistanceForLength(const RouteSegment& segment,
                                                       double length) const
{
    if (length < kZeroLength)
        return 0.0;
    if (!hasUsableSection(segment)) {
        qWarning() << "ResistanceCalculator::segmentResistanceForLength:"
                   << "degenerate segment cross-section (" << sectionOf(segment)
                   << "mm²) — infinite resistance, segment skipped";
        return kInfinity;
    }
    if (!std::isfinite(length))
        return kInfinity;
    return resistivityOhmCm * kOhmCmToOhmMm * length / sectionOf(segment);
}

double ResistanceCalculator::overlapLength(const RouteSegment& segment, const TopoDS_Shape& other,
                                           const char* operation)
{
    if (segment.shape.IsNull() || other.IsNull() || !hasUsableSection(segment))
        return 0.0;
    const double section = sectionOf(segment);
    double volume = 0.0;
    const std::optional<AxisBox> own = segmentAxisBox(segment);
    const std::optional<AxisBox> theirs = own ? solidAxisBox(other) : std::nullopt;
    if (own && theirs) {
        volume = commonVolume(*own, *theirs);
    } else {
        volume = OccUtils::guardedCall(0.0, operation,
                                       [&] { return booleanCommonVolume(segment.shape, other); });
    }
    if (!std::isfinite(volume) || std::abs(volume) < kZeroVolume)
        return 0.0;
    return std::min(segment.start.Distance(segment.end), std::abs(volume) / section);
}

bool ResistanceCalculator::reachesPad(const Route& route, bool atStart, const PlacedPadData& pad)
{
    if (pad.placedShape.IsNull() || route.segments.isEmpty())
        return false;
    const RouteSegment* end = nullptr;
    for (int i = 0; i < route.segments.size(); ++i) {
        const RouteSegment& s = route.segments.at(atStart ? i : route.segments.size() - 1 - i);
        if (isLong(s)) {
            end = &s;
            break;
        }
    }
    if (!end) {
        // Nothing but points: the route's own end point must lie on the pad.
        const gp_Pnt point = atStart ? route.segments.first().start : route.segments.last().end;
        if (!isFinitePoint(point))
            return false;
        const TopoDS_Shape vertex = OccUtils::guardedCall(
            TopoDS_Shape(), "ResistanceCalculator::padContact",
            [&point] { return TopoDS_Shape(BRepBuilderAPI_MakeVertex(point).Vertex()); });
        return !vertex.IsNull() && solidsTouch(vertex, pad.placedShape);
    }
    const std::optional<AxisBox> own = segmentAxisBox(*end);
    const std::optional<AxisBox> theirs = own ? solidAxisBox(pad.placedShape) : std::nullopt;
    if (own && theirs)
        return gapBetween(*own, *theirs) <= kFuzzy;
    const TopoDS_Shape solid =
        end->shape.IsNull() ? RoutingManager::createSegmentShape(*end) : end->shape;
    return !solid.IsNull() && solidsTouch(solid, pad.placedShape);
}

double ResistanceCalculator::routeResistance(const Route& route, const PlacedPadData* startPad,
                                             const PlacedPadData* endPad) const
{
    const QList<RouteSegment>& segments = route.segments;
    const int n = segments.size();
    // The pads hold the first and last pieces of conductor, not a point left at either end.
    int firstLong = 0;
    while (firstLong < n - 1 && !isLong(segments.at(firstLong)))
        ++firstLong;
    int lastLong = n - 1;
    while (lastLong > 0 && !isLong(segments.at(lastLong)))
        --lastLong;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const RouteSegment& segment = segments.at(i);
        if (!isFinitePoint(segment.start) || !isFinitePoint(segment.end)) {
            qWarning() << "ResistanceCalculator: route" << route.label()
                       << "has a segment with undefined coordinates — route skipped";
            return kInfinity;
        }
        double length = segment.start.Distance(segment.end);
        if (length <= kZeroLength)
            continue;
        const RouteSegment* previous = i > 0 && isLong(segments.at(i - 1)) ? &segments.at(i - 1)
                                                                           : nullptr;
        const RouteSegment* next = i < n - 1 && isLong(segments.at(i + 1)) ? &segments.at(i + 1)
                                                                           : nullptr;
        const bool horizontal = segment.type == RouteSegment::Horizontal;

        if (i == firstLong && startPad)
            length -= overlapLength(segment, startPad->placedShape, kEmbeddedInPad);
        if (i == lastLong && endPad)
            length -= overlapLength(segment, endPad->placedShape, kEmbeddedInPad);
        if (horizontal && previous && previous->type == RouteSegment::Horizontal)
            length -= cornerOverlap(segment, *previous, segment);
        if (horizontal && next && next->type == RouteSegment::Horizontal)
            length -= cornerOverlap(segment, segment, *next);
        if (segment.type == RouteSegment::Vertical) {
            if (previous && previous->type == RouteSegment::Horizontal)
                length -= overlapLength(segment, previous->shape, kOnVertical);
            if (next && next->type == RouteSegment::Horizontal)
                length -= overlapLength(segment, next->shape, kOnVertical);
        }

        const double r = segmentResistanceForLength(segment, std::max(0.0, length));
        if (!std::isfinite(r))
            return kInfinity;
        sum += r;
    }
    return sum;
}

double ResistanceCalculator::padResistance(const PlacedComponentData& component,
                                           const PlacedPadData& pad) const
{
    const double length = component.footprintThickness + component.bodyUndercut;
    if (std::isfinite(length) && length < kZeroLength)
        return 0.0;
    const double sx = pad.scaledWidth;
    const double sy = pad.scaledHeight;
    const QString shape = pad.shape.toLower();
    const bool round = shape == QLatin1String("circle") || shape == QLatin1String("oval");
    const double area = round ? M_PI * std::pow(std::min(sx, sy) * 0.5, 2) : sx * sy;
    const bool usable = std::isfinite(length) && sx > 0.0 && sy > 0.0 && std::isfinite(area)
        && area >= kMinSection;
    if (!usable) {
        qWarning().noquote() << "ResistanceCalculator::padResistance: degenerate cross-section for pad"
                             << pad.number << "(" + pad.shape + ") — contribution skipped";
        return 0.0;
    }
    return length * resistivityOhmCm * kOhmCmToOhmMm / area;
}
