// A run whose outline is simple, drawn exactly (lines and true arcs) and swept as a prism; which
// runs are simple, and where a run ends.
#include "routing/trackoutline_p.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "model/routerecords.h"

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepTools_ReShape.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Geom2d_Circle.hxx>
#include <Geom_Circle.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapIteratorOfDataMapOfShapeShape.hxx>
#include <TopTools_DataMapOfShapeShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>
#include <gp_Ax2.hxx>
#include <gp_Ax2d.hxx>
#include <gp_Ax3.hxx>
#include <gp_XY.hxx>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kZeroLength = 1e-7;
// Joints and neighbours closer than this to the limit of a simple outline go to the fuse.
constexpr double kMargin = 1e-6;
// Sharper folds put the inner corner far down both segments: rare, and left to the fuse.
const double kSharpestTurn = 179.0 * M_PI / 180.0;
constexpr double kShortestArc = 1e-5;

gp_XY plan(const gp_Pnt& p)
{
    return gp_XY(p.X(), p.Y());
}

// a and b apart: the ends of a leg.
double pointToSegment(const gp_XY& p, const gp_XY& a, const gp_XY& b)
{
    const gp_XY ab = b - a;
    const double t = std::clamp((p - a).Dot(ab) / ab.SquareModulus(), 0.0, 1.0);
    return (p - (a + ab * t)).Modulus();
}

double segmentToSegment(const gp_XY& a, const gp_XY& b, const gp_XY& c, const gp_XY& d)
{
    const auto side = [](const gp_XY& o, const gp_XY& p, const gp_XY& q) { return (p - o).Crossed(q - o); };
    const double s1 = side(a, b, c), s2 = side(a, b, d), s3 = side(c, d, a), s4 = side(c, d, b);
    if (((s1 > 0 && s2 < 0) || (s1 < 0 && s2 > 0)) && ((s3 > 0 && s4 < 0) || (s3 < 0 && s4 > 0)))
        return 0.0;
    return std::min({pointToSegment(a, c, d), pointToSegment(b, c, d), pointToSegment(c, a, b),
                     pointToSegment(d, a, b)});
}

// Stored once, the edges' curves on the planar faces spare the sweep and the display's meshing
// from projecting them again each time they ask; the sweep stores none on the sides it makes
// planes of. A line's is written. Arcs lie on the top and bottom only, whose curves the outline
// and the sweep store, and on the rounds' cylinders, which the sweep gives theirs.
void storePlanarCurves(const TopoDS_Shape& solid)
{
    BRep_Builder builder;
    for (TopExp_Explorer f(solid, TopAbs_FACE); f.More(); f.Next()) {
        const TopoDS_Face& face = TopoDS::Face(f.Current());
        const Handle(Geom_Plane) plane = Handle(Geom_Plane)::DownCast(BRep_Tool::Surface(face));
        if (plane.IsNull())
            continue;
        for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
            const TopoDS_Edge& edge = TopoDS::Edge(e.Current());
            double first = 0.0, last = 0.0;
            const Handle(Geom_Line) line = Handle(Geom_Line)::DownCast(BRep_Tool::Curve(edge, first, last));
            if (!line.IsNull())
                builder.UpdateEdge(edge, TrackOutline::lineOnPlane(line->Lin(), plane->Position()), face,
                                   BRep_Tool::Tolerance(edge));
        }
    }
}

// Whether face has one of edges.
bool holdsAny(const TopoDS_Shape& face, const TopTools_MapOfShape& edges)
{
    for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next())
        if (edges.Contains(e.Current()))
            return true;
    return false;
}

// Faces side by side, each sharing an edge with the next, swept up as one solid: each face
// alone (a sweep of them all as one shell grows faster than their number), the sides swept from
// the shared edges left out, and the top edge and posts of a shared edge taken from the first
// face's prism in the second's. A sweep that fails throws: the caller's guard makes it no solid.
TopoDS_Shape sweptUp(const std::vector<TopoDS_Face>& faces, const std::vector<TopoDS_Edge>& shared, double height)
{
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    // What the last face's prism grew from the edge it shares with the next face: the edge's top,
    // and its vertices' posts and tops, each by what it grew from.
    TopTools_DataMapOfShapeShape tops, posts;
    for (size_t c = 0; c < faces.size(); ++c) {
        BRepPrimAPI_MakePrism prism(faces[c], gp_Vec(0, 0, height), false, true);
        TopTools_MapOfShape between, replaced;
        BRepTools_ReShape same;
        for (size_t k = c == 0 ? 0 : c - 1; k <= c && k < shared.size(); ++k) {
            const TopoDS_Edge& edge = shared[k];
            between.Add(prism.Generated(edge).First());
            TopoDS_Vertex ends[2];
            TopExp::Vertices(edge, ends[0], ends[1]);
            TopTools_DataMapOfShapeShape myTops, myPosts;
            myTops.Bind(edge, prism.LastShape(edge));
            for (const TopoDS_Vertex& end : ends) {
                myPosts.Bind(end, prism.Generated(end).First());
                myTops.Bind(end, prism.LastShape(end));
            }
            if (k + 1 == c) { // shared with the face before: its shapes in place of these
                // Both copies run as what they grew from: forward for forward.
                for (TopTools_DataMapIteratorOfDataMapOfShapeShape it(myTops); it.More(); it.Next())
                    same.Replace(it.Value().Oriented(TopAbs_FORWARD), tops(it.Key()).Oriented(TopAbs_FORWARD));
                for (TopTools_DataMapIteratorOfDataMapOfShapeShape it(myPosts); it.More(); it.Next()) {
                    same.Replace(it.Value().Oriented(TopAbs_FORWARD), posts(it.Key()).Oriented(TopAbs_FORWARD));
                    replaced.Add(it.Value());
                }
                replaced.Add(myTops(edge));
            } else {
                tops = myTops;
                posts = myPosts;
            }
        }
        // Only the top and the sides beside the shared edge hold what is replaced: the other
        // faces, most of them, are not walked again.
        for (TopExp_Explorer f(prism.Shape(), TopAbs_FACE); f.More(); f.Next())
            if (!between.Contains(f.Current()))
                builder.Add(shell, holdsAny(f.Current(), replaced) ? same.Apply(f.Current()) : f.Current());
    }
    shell.Closed(true);
    TopoDS_Solid solid;
    builder.MakeSolid(solid);
    builder.Add(solid, shell);
    storePlanarCurves(solid);
    return solid;
}

struct Joint
{
    bool bend = false;
    int inner = 0; // +1: the run turns left, its inner side is the left one; -1: right
    double reach = 0.0; // how far along both segments the joint shapes the outline
};

// Builds the outline's edges in order around it, sharing each vertex with the next edge. Each
// edge carries its curve on the faces' one plane, written as a line or a circle: the sweep then
// finds it rather than project the edge again for each face.
class OutlineWire
{
public:
    explicit OutlineWire(const Handle(Geom_Plane)& plane) : m_plane(plane), m_z(plane->Location().Z()) {}

    // To p, or to the vertex at p another face shares; the edge made, null for the first point.
    TopoDS_Edge lineTo(const gp_XY& p, const TopoDS_Vertex& shared = TopoDS_Vertex())
    {
        const TopoDS_Vertex next = shared.IsNull() ? vertex(p) : shared;
        TopoDS_Edge edge;
        if (!m_hasLast)
            m_first = next;
        else
            m_wire.Add(edge = BRepBuilderAPI_MakeEdge(m_last, next).Edge());
        m_last = next;
        m_lastPoint = p;
        m_hasLast = true;
        return edge;
    }

    const TopoDS_Vertex& lastVertex() const { return m_last; }

    // Counter-clockwise around centre from the last point to p.
    void arcTo(const gp_XY& centre, double radius, const gp_XY& p)
    {
        const TopoDS_Vertex next = vertex(p);
        const gp_Ax2 axis(gp_Pnt(centre.X(), centre.Y(), m_z), gp_Dir(0, 0, 1), gp_Dir(1, 0, 0));
        Handle(Geom_Circle) circle = new Geom_Circle(axis, radius);
        const gp_XY from = m_lastPoint - centre;
        const gp_XY to = p - centre;
        const double u1 = std::atan2(from.Y(), from.X());
        double u2 = std::atan2(to.Y(), to.X());
        while (u2 <= u1)
            u2 += 2.0 * M_PI;
        const TopoDS_Edge edge = BRepBuilderAPI_MakeEdge(circle, m_last, next, u1, u2).Edge();
        const gp_Ax2d axis2d(gp_Pnt2d(centre.X(), centre.Y()), gp_Dir2d(1, 0));
        BRep_Builder().UpdateEdge(edge, new Geom2d_Circle(axis2d, radius), m_plane, TopLoc_Location(),
                                  BRep_Tool::Tolerance(edge));
        m_wire.Add(edge);
        m_last = next;
        m_lastPoint = p;
    }

    // The face the outline closes, back to its first point by a new edge or by one another face
    // made the other way. Counter-clockwise seen from above, the outline bounds the face on the
    // plane as it runs: no classification is needed.
    TopoDS_Face face(const TopoDS_Edge& closing = TopoDS_Edge())
    {
        m_wire.Add(closing.IsNull() ? BRepBuilderAPI_MakeEdge(m_last, m_first).Edge() : TopoDS::Edge(closing.Reversed()));
        const TopoDS_Face face = BRepBuilderAPI_MakeFace(m_plane, m_wire.Wire(), false).Face();
        storePlanarCurves(face);
        return face;
    }

private:
    TopoDS_Vertex vertex(const gp_XY& p) const
    {
        return BRepBuilderAPI_MakeVertex(gp_Pnt(p.X(), p.Y(), m_z)).Vertex();
    }

    Handle(Geom_Plane) m_plane;
    double m_z;
    BRepBuilderAPI_MakeWire m_wire;
    TopoDS_Vertex m_first;
    TopoDS_Vertex m_last;
    gp_XY m_lastPoint;
    bool m_hasLast = false;
};

} // namespace

namespace TrackOutline {

Handle(Geom2d_Line) lineOnPlane(const gp_Lin& line, const gp_Ax3& plane)
{
    const gp_Vec from(plane.Location(), line.Location());
    const gp_Dir& d = line.Direction();
    return new Geom2d_Line(gp_Pnt2d(from.Dot(plane.XDirection()), from.Dot(plane.YDirection())),
                           gp_Dir2d(d.Dot(plane.XDirection()), d.Dot(plane.YDirection())));
}

bool canStartRun(const RouteSegment& s)
{
    return s.type == RouteSegment::Horizontal && s.start.Z() == s.end.Z() && std::isfinite(s.start.Z())
        && std::isfinite(s.start.X()) && std::isfinite(s.start.Y()) && std::isfinite(s.end.X())
        && std::isfinite(s.end.Y()) && s.width >= kZeroLength && s.height >= kZeroLength
        && std::isfinite(s.width) && std::isfinite(s.height) && s.start.Distance(s.end) > kZeroLength;
}

bool continuesRun(const RouteSegment& previous, const RouteSegment& next)
{
    return canStartRun(next) && next.start.Z() == previous.start.Z() && next.width == previous.width
        && next.height == previous.height && plan(next.start).IsEqual(plan(previous.end), 1e-12);
}

TopoDS_Shape runSolid(const QList<RouteSegment>& segments, int first, int last)
{
    const RouteSegment& head = segments.at(first);
    const double r = head.width * 0.5;
    const double z = head.start.Z();
    // Rounds at the run's ends or inside a leg are left to the traced outline.
    const Legs legs = legsOf(segments, first, last);
    const int count = int(legs.points.size()) - 1;
    if (count < 1 || !legs.rounds.empty() || legs.round.back())
        return TopoDS_Shape();
    // From here on, segment i is the leg from point i to point i + 1; legs are longer than
    // kZeroLength, as segments are.
    const std::vector<gp_XY>& points = legs.points;
    std::vector<gp_XY> along(count), normal(count);
    std::vector<double> length(count);
    for (int i = 0; i < count; ++i) {
        const gp_XY d = points[i + 1] - points[i];
        length[i] = d.Modulus();
        along[i] = d / length[i];
        normal[i] = gp_XY(-along[i].Y(), along[i].X());
    }

    std::vector<Joint> joints(count + 1); // joint k between segments k-1 and k; ends have none
    for (int k = 1; k < count; ++k) {
        const double turn = along[k - 1].Crossed(along[k]);
        const double angle = std::atan2(std::abs(turn), along[k - 1].Dot(along[k]));
        if (angle > kSharpestTurn)
            return TopoDS_Shape();
        Joint& joint = joints[k];
        // A round shorter than this strays from the corner of its sides by far less than the
        // modelling tolerance, and would be an edge too short to build.
        joint.bend = legs.round[size_t(k)] && r * angle >= kShortestArc;
        joint.inner = turn >= 0.0 ? 1 : -1;
        const double miter = r * std::tan(angle * 0.5);
        // A round reaches a radius back along both segments, the inner corner a miter; one too
        // short to draw still does, past the end of a leg shorter than that.
        joint.reach = legs.round[size_t(k)] ? std::max(r, miter) : miter;
    }
    for (int i = 0; i < count; ++i)
        if (joints[i].reach + joints[i + 1].reach > length[i] - kMargin)
            return TopoDS_Shape();
    // Pieces of segments that are not neighbours must stay apart for the outline to be simple.
    // Only legs whose boxes, grown by that distance, overlap across x are compared.
    const double apart = 2.0 * r + kMargin;
    std::vector<int> byX(size_t(count), 0);
    for (int i = 0; i < count; ++i)
        byX[size_t(i)] = i;
    const auto low = [&](int i) { return std::min(points[i].X(), points[i + 1].X()); };
    std::sort(byX.begin(), byX.end(), [&](int a, int b) { return low(a) < low(b); });
    for (size_t a = 0; a < byX.size(); ++a) {
        const int i = byX[a];
        const double high = std::max(points[i].X(), points[i + 1].X()) + apart;
        for (size_t b = a + 1; b < byX.size() && low(byX[b]) <= high; ++b) {
            const int j = byX[b];
            if (std::abs(i - j) >= 2
                && segmentToSegment(points[i], points[i + 1], points[j], points[j + 1]) <= apart)
                return TopoDS_Shape();
        }
    }

    // A long outline is cut across its legs into faces of at most kMostEdgesPerFace edges (two
    // sides and a round a joint), each cut halfway along the straight part of a leg.
    const int perFace = (kMostEdgesPerFace - 4) / 3;
    std::vector<int> cutLegs;
    for (int leg = perFace; leg < count; leg += perFace)
        cutLegs.push_back(leg);
    const auto cutAt = [&](int leg) {
        const double straight = length[leg] - joints[leg].reach - joints[leg + 1].reach;
        return points[leg] + along[leg] * (joints[leg].reach + 0.5 * straight);
    };

    // An edge, face or sweep that cannot be built throws: no solid, and the caller traces the run.
    return OccUtils::guardedCall(TopoDS_Shape(), "runSolid", [&] {
        // Where the offset lines of both segments on the given side meet.
        const auto miterPoint = [&](int k, int side) {
            const gp_XY sum = normal[k - 1] + normal[k];
            return points[k] + sum * (side * r / (1.0 + normal[k - 1].Dot(normal[k])));
        };
        // One plane for every face: the edges they share carry one curve on it.
        const Handle(Geom_Plane) plane = new Geom_Plane(gp_Ax3(gp_Pnt(0, 0, z), gp::DZ(), gp::DX()));
        std::vector<TopoDS_Face> faces;
        std::vector<TopoDS_Edge> shared;
        TopoDS_Vertex sharedRight, sharedLeft;
        for (size_t c = 0; c <= cutLegs.size(); ++c) {
            const int from = c == 0 ? -1 : cutLegs[c - 1]; // the cut leg it starts on, -1 at the start
            const int to = c == cutLegs.size() ? -1 : cutLegs[c];
            const gp_XY start = from < 0 ? points[0] : cutAt(from);
            const gp_XY end = to < 0 ? points[count] : cutAt(to);
            const int startLeg = from < 0 ? 0 : from, endLeg = to < 0 ? count - 1 : to;
            OutlineWire wire(plane);
            // Right side forward, then the left side backward: counter-clockwise seen from above.
            wire.lineTo(start - normal[startLeg] * r, sharedRight);
            for (int k = startLeg + 1; k <= endLeg; ++k) {
                if (joints[k].bend && joints[k].inner == 1) {
                    wire.lineTo(points[k] - normal[k - 1] * r);
                    wire.arcTo(points[k], r, points[k] - normal[k] * r);
                } else {
                    wire.lineTo(miterPoint(k, -1));
                }
            }
            wire.lineTo(end - normal[endLeg] * r);
            const TopoDS_Vertex endRight = wire.lastVertex();
            const TopoDS_Edge across = wire.lineTo(end + normal[endLeg] * r);
            const TopoDS_Vertex endLeft = wire.lastVertex();
            for (int k = endLeg; k >= startLeg + 1; --k) {
                if (joints[k].bend && joints[k].inner == -1) {
                    wire.lineTo(points[k] + normal[k] * r);
                    wire.arcTo(points[k], r, points[k] + normal[k - 1] * r);
                } else {
                    wire.lineTo(miterPoint(k, 1));
                }
            }
            wire.lineTo(start + normal[startLeg] * r, sharedLeft);
            faces.push_back(wire.face(from < 0 ? TopoDS_Edge() : shared.back()));
            if (to >= 0)
                shared.push_back(across);
            sharedRight = endRight;
            sharedLeft = endLeft;
        }
        return sweptUp(faces, shared, head.height);
    });
}

} // namespace TrackOutline
