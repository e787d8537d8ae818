// Conductor geometry of the resistance probe: section and length of each segment, lengths
// counted twice (inside pads, at corners, at joints and junctions), pad columns and contact.
#include "routing/resistancecalculator.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "model/placedcomponentdata.h"
#include "model/routerecords.h"
#include "routing/conductorprism.h"
#include "routing/routingmanager.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kZeroLength = 1e-7;
constexpr double kZeroVolume = 1e-7;
constexpr double kMinSection = 1e-9;
constexpr double kFuzzy = 1e-3;        // overlap and contact tolerance, mm
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
    const std::optional<ConductorPrism> own = ConductorPrism::ofSegment(segment);
    const std::optional<ConductorPrism> theirs = own ? ConductorPrism::ofSolid(other) : std::nullopt;
    if (own && theirs) {
        volume = ConductorPrism::commonVolume(*own, *theirs);
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
    const std::optional<ConductorPrism> own = ConductorPrism::ofSegment(*end);
    const std::optional<ConductorPrism> theirs = own ? ConductorPrism::ofSolid(pad.placedShape) : std::nullopt;
    if (own && theirs)
        return ConductorPrism::distance(*own, *theirs) <= kFuzzy;
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
            qWarning().noquote() << "ResistanceCalculator: route" << route.label()
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

        // A NaN width poisons the corrections too: keep it a NaN so the section test sees it.
        const double r = segmentResistanceForLength(segment, std::isnan(length) ? length : std::max(0.0, length));
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
                             << pad.number << "(" << pad.shape << ") — contribution skipped";
        return 0.0;
    }
    return length * resistivityOhmCm * kOhmCmToOhmMm / area;
}
