// Solids of track segments and their boxes.
#include "routing/routingmanager.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "model/designlimits.h"
#include "routing/trackoutline.h"

#include <QCoreApplication>

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRep_Builder.hxx>
#include <Message_ProgressScope.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Compound.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Vec.hxx>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kZeroLength = 1e-7;

TopoDS_Shape horizontalSolid(const RouteSegment& segment)
{
    gp_Vec plan(segment.end.X() - segment.start.X(), segment.end.Y() - segment.start.Y(), 0.0);
    if (plan.Magnitude() < kZeroLength)
        plan = gp_Vec(1.0, 0.0, 0.0);
    plan.Normalize();
    gp_Vec side = plan.Crossed(gp_Vec(0.0, 0.0, 1.0));
    if (side.Magnitude() < kZeroLength)
        side = gp_Vec(0.0, 1.0, 0.0);
    side.Normalize();

    const gp_Vec halfWidth = side * (segment.width * 0.5);
    const gp_Vec up(0.0, 0.0, segment.height);
    const gp_Pnt p1 = segment.start.Translated(-halfWidth);
    const gp_Pnt p2 = segment.start.Translated(halfWidth);
    const gp_Pnt p3 = p2.Translated(up);
    const gp_Pnt p4 = p1.Translated(up);

    BRepBuilderAPI_MakeWire wire;
    const gp_Pnt corners[] = {p1, p2, p3, p4};
    for (int i = 0; i < 4; ++i) {
        BRepBuilderAPI_MakeEdge edge(corners[i], corners[(i + 1) % 4]);
        if (!edge.IsDone())
            return TopoDS_Shape();
        wire.Add(edge.Edge());
    }
    if (!wire.IsDone())
        return TopoDS_Shape();
    BRepBuilderAPI_MakeFace face(wire.Wire());
    if (!face.IsDone())
        return TopoDS_Shape();
    BRepPrimAPI_MakePrism prism(face.Face(), gp_Vec(segment.start, segment.end), false, true);
    if (!prism.IsDone())
        return TopoDS_Shape();
    return prism.Shape();
}

TopoDS_Shape verticalSolid(const RouteSegment& segment)
{
    const double zLow = std::min(segment.start.Z(), segment.end.Z());
    const double zHigh = std::max(segment.start.Z(), segment.end.Z());
    const gp_Pnt corner(segment.start.X() - segment.width * 0.5,
                        segment.start.Y() - segment.width * 0.5, zLow);
    BRepPrimAPI_MakeBox box(corner, segment.width, segment.width, zHigh - zLow);
    box.Build();
    if (!box.IsDone())
        return TopoDS_Shape();
    return box.Shape();
}

QString tr(const char* text)
{
    return QCoreApplication::translate("RoutingManager", text);
}

QString shown(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

QString RoutingManager::valueBeyondReach(const RouteSegment& segment)
{
    const double limit = DesignLimits::kMaxFootprintLength;
    const struct
    {
        const char* what;
        double value;
    } values[] = {{QT_TRANSLATE_NOOP("RoutingManager", "start point X"), segment.start.X()},
                  {QT_TRANSLATE_NOOP("RoutingManager", "start point Y"), segment.start.Y()},
                  {QT_TRANSLATE_NOOP("RoutingManager", "start point Z"), segment.start.Z()},
                  {QT_TRANSLATE_NOOP("RoutingManager", "end point X"), segment.end.X()},
                  {QT_TRANSLATE_NOOP("RoutingManager", "end point Y"), segment.end.Y()},
                  {QT_TRANSLATE_NOOP("RoutingManager", "end point Z"), segment.end.Z()},
                  {QT_TRANSLATE_NOOP("RoutingManager", "width"), segment.width},
                  {QT_TRANSLATE_NOOP("RoutingManager", "height"), segment.height}};
    for (const auto& entry : values) {
        if (!std::isfinite(entry.value))
            return tr("%1 %2 is not a finite number").arg(tr(entry.what), shown(entry.value));
        if (std::abs(entry.value) > limit)
            return tr("%1 %2 mm is beyond the limit of %3 mm").arg(tr(entry.what), shown(entry.value), shown(limit));
    }
    return QString();
}

TopoDS_Shape RoutingManager::createSegmentShape(const RouteSegment& segment)
{
    if (!(segment.start.Distance(segment.end) > kZeroLength))
        return TopoDS_Shape();
    return OccUtils::guardedCall(TopoDS_Shape(), "createSegmentShape", [&segment] {
        return segment.type == RouteSegment::Vertical ? verticalSolid(segment)
                                                      : horizontalSolid(segment);
    });
}

namespace {

// Box of a solid with its triangulation; void when the bounds cannot be computed.
Bnd_Box solidBox(const TopoDS_Shape& shape, const char* context)
{
    return OccUtils::guardedCall(Bnd_Box(), context, [&shape] {
        Bnd_Box box;
        BRepBndLib::Add(shape, box, true);
        return box;
    });
}

} // namespace

bool RoutingManager::buildSegmentShape(RouteSegment& segment)
{
    segment.shape = createSegmentShape(segment);
    segment.box = Bnd_Box();
    if (segment.shape.IsNull())
        return false;
    segment.box = solidBox(segment.shape, "buildSegmentShape");
    return true;
}

Bnd_Box RoutingManager::segmentBox(const RouteSegment& segment)
{
    if (!segment.box.IsVoid())
        return segment.box;
    if (!segment.shape.IsNull()) {
        const Bnd_Box box = solidBox(segment.shape, "segmentBox");
        if (!box.IsVoid())
            return box;
    }
    // No solid: the track's outline from its end points.
    const double half = segment.width * 0.5;
    Bnd_Box box;
    box.Update(std::min(segment.start.X(), segment.end.X()) - half,
               std::min(segment.start.Y(), segment.end.Y()) - half,
               std::min(segment.start.Z(), segment.end.Z()),
               std::max(segment.start.X(), segment.end.X()) + half,
               std::max(segment.start.Y(), segment.end.Y()) + half,
               std::max(segment.start.Z(), segment.end.Z()) + segment.height);
    return box;
}

TopoDS_Shape RoutingManager::createCornerRound(const RouteSegment& first, const RouteSegment& second)
{
    if (!GeometryUtils::bendAngle(first.start, first.end, second.start, second.end))
        return TopoDS_Shape();
    const double radius = first.width * 0.5;
    const double height = first.height;
    if (!(radius >= kZeroLength) || !(height >= kZeroLength))
        return TopoDS_Shape();
    return OccUtils::guardedCall(TopoDS_Shape(), "createCornerRound", [&] {
        BRepPrimAPI_MakeCylinder cylinder(gp_Ax2(first.end, gp_Dir(0.0, 0.0, 1.0)), radius, height);
        cylinder.Build();
        if (!cylinder.IsDone())
            return TopoDS_Shape();
        return cylinder.Shape();
    });
}

void RoutingManager::safeFuse(TopoDS_Shape& result, bool& hasResult, const TopoDS_Shape& solid)
{
    if (solid.IsNull())
        return;
    if (!hasResult) {
        result = solid;
        hasResult = true;
        return;
    }
    const TopoDS_Shape fused = OccUtils::guardedCall(TopoDS_Shape(), "safeFuse", [&] {
        BRepAlgoAPI_Fuse fuse(result, solid);
        fuse.Build();
        return fuse.IsDone() ? fuse.Shape() : TopoDS_Shape();
    });
    if (!fused.IsNull()) {
        result = fused;
        return;
    }
    // Keep every solid even when the union cannot be made.
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    builder.Add(compound, result);
    builder.Add(compound, solid);
    result = compound;
}

namespace {

// One fuse of every piece at once intersects each pair once; a running union re-intersects
// the growing result with each new piece, which costs about twice as much on a bend.
// Null when progress was broken off.
TopoDS_Shape unite(const QList<TopoDS_Shape>& pieces, const Message_ProgressRange& progress = Message_ProgressRange())
{
    if (pieces.isEmpty())
        return TopoDS_Shape();
    if (pieces.size() == 1)
        return pieces.first();
    const TopoDS_Shape fused = OccUtils::guardedCall(TopoDS_Shape(), "createRouteShape", [&pieces, &progress] {
        TopTools_ListOfShape arguments, tools;
        arguments.Append(pieces.first());
        for (int i = 1; i < pieces.size(); ++i)
            tools.Append(pieces.at(i));
        BRepAlgoAPI_Fuse fuse;
        fuse.SetArguments(arguments);
        fuse.SetTools(tools);
        fuse.SetRunParallel(false);
        fuse.Build(progress);
        return fuse.IsDone() ? fuse.Shape() : TopoDS_Shape();
    });
    if (!fused.IsNull())
        return fused;
    if (progress.UserBreak())
        return TopoDS_Shape();
    // The running union keeps every piece, as a compound where a fuse fails.
    TopoDS_Shape result;
    bool hasResult = false;
    for (const TopoDS_Shape& piece : pieces)
        RoutingManager::safeFuse(result, hasResult, piece);
    return result;
}

// The round of the bend from segment i into the next one, when the united pieces have one.
void appendRound(const QList<RouteSegment>& segments, int i, QList<TopoDS_Shape>& pieces)
{
    if (i + 1 >= segments.size())
        return;
    const RouteSegment& segment = segments.at(i);
    const RouteSegment& next = segments.at(i + 1);
    if (segment.type == RouteSegment::Horizontal && next.type == RouteSegment::Horizontal
        && next.start.Distance(next.end) > kZeroLength) {
        const TopoDS_Shape round = RoutingManager::createCornerRound(segment, next);
        if (!round.IsNull())
            pieces.append(round);
    }
}

// What routePieces gives for segments first..last, with the round from last into the next.
void appendPieces(const QList<RouteSegment>& segments, int first, int last, QList<TopoDS_Shape>& pieces)
{
    for (int i = first; i <= last; ++i) {
        const RouteSegment& segment = segments.at(i);
        if (!(segment.start.Distance(segment.end) > kZeroLength))
            continue;
        const TopoDS_Shape solid = RoutingManager::createSegmentShape(segment);
        if (!solid.IsNull())
            pieces.append(solid);
        appendRound(segments, i, pieces);
    }
}

} // namespace

QList<RouteSegment> RoutingManager::withoutZeroLength(const QList<RouteSegment>& segments)
{
    QList<RouteSegment> kept;
    kept.reserve(segments.size());
    for (const RouteSegment& segment : segments)
        if (segment.start.Distance(segment.end) > kZeroLength)
            kept.append(segment);
    return kept;
}

QList<TopoDS_Shape> RoutingManager::routePieces(const Route& route)
{
    // A segment without length between two others would hide their bend's round.
    const QList<RouteSegment> segments = withoutZeroLength(route.segments);
    QList<TopoDS_Shape> pieces;
    appendPieces(segments, 0, int(segments.size()) - 1, pieces);
    return pieces;
}

TopoDS_Shape RoutingManager::fusedRouteShape(const Route& route)
{
    return unite(routePieces(route));
}

TopoDS_Shape RoutingManager::createRouteShape(const Route& route)
{
    return createRouteShapeWithin(route, Message_ProgressRange());
}

TopoDS_Shape RoutingManager::createRouteShapeWithin(const Route& route, const Message_ProgressRange& progress)
{
    // Segments without length break a run in two, each end without its bend's round, and a
    // track retracing itself with one between each step would be thousands of pieces to fuse.
    const QList<RouteSegment> segments = withoutZeroLength(route.segments);
    Message_ProgressScope scope(progress, nullptr, double(segments.size()) + 1.0);
    QList<TopoDS_Shape> pieces;
    for (int i = 0; i < segments.size();) {
        if (!scope.More())
            return TopoDS_Shape();
        if (!TrackOutline::canStartRun(segments.at(i))) {
            appendPieces(segments, i, i, pieces);
            ++i;
            scope.Next();
            continue;
        }
        int last = i;
        while (last + 1 < segments.size() && TrackOutline::continuesRun(segments.at(last), segments.at(last + 1)))
            ++last;
        TopoDS_Shape run = last > i ? TrackOutline::runSolid(segments, i, last) : TopoDS_Shape();
        if (run.IsNull() && last > i)
            run = TrackOutline::tracedRunSolid(segments, i, last);
        if (run.IsNull()) {
            appendPieces(segments, i, last, pieces);
        } else {
            pieces.append(run);
            // The round into a following segment of another section stays a piece of its own.
            appendRound(segments, last, pieces);
        }
        scope.Next(double(last - i + 1));
        i = last + 1;
    }
    if (!scope.More())
        return TopoDS_Shape();
    return unite(pieces, scope.Next());
}
