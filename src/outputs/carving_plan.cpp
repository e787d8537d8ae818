// The screen's faces told apart from a probe in plan: where the probe is a prism along Z and a
// face of the solid lies beyond its heights or stands upright, whether they meet is a question of
// plan geometry, with no intersection of the two built.
#include "outputs/carving_p.h"

#include "foundation/occutils.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBndLib.hxx>
#include <BRepTools.hxx>
#include <BRep_Tool.hxx>
#include <ElCLib.hxx>
#include <Precision.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Vertex.hxx>
#include <gp_Circ.hxx>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace Carving::detail {

namespace {

// One edge of a plan: a segment, or an arc of a circle about Z.
struct PlanEdge
{
    gp_XY from, to;
    bool arc = false;
    gp_Circ circle; // an arc's, in the plane of the caps
    double first = 0.0, last = 0.0;
};

} // namespace

// A solid of a probe as a prism along Z of plane and upright cylinder faces: its plan's edges
// and its caps' levels.
struct PlanPrism
{
    Bnd_Box box;
    std::vector<PlanEdge> edges; // of its bottom, holes included
    double low = 0.0, high = 0.0, tolerance = 0.0;
};

namespace {

std::optional<PlanPrism> planPrism(const TopoDS_Shape& probe)
{
    PlanPrism prism;
    prism.low = RealLast();
    prism.high = -RealLast();
    std::vector<TopoDS_Face> caps;
    std::set<double> levels; // a step is no prism
    for (TopExp_Explorer it(probe, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face face = TopoDS::Face(it.Current());
        const BRepAdaptor_Surface surface(face, false);
        if (surface.GetType() == GeomAbs_Cylinder) {
            if (!surface.Cylinder().Axis().Direction().IsParallel(gp::DZ(), 1e-12))
                return std::nullopt;
            continue;
        }
        if (surface.GetType() != GeomAbs_Plane)
            return std::nullopt;
        const gp_Dir normal = surface.Plane().Axis().Direction();
        if (std::abs(normal.Z()) < 1e-12)
            continue;
        if (std::abs(std::abs(normal.Z()) - 1.0) > 1e-12)
            return std::nullopt;
        const double level = surface.Plane().Location().Z();
        levels.insert(level);
        if (level < prism.low)
            caps.assign(1, face);
        else if (level == prism.low)
            caps.push_back(face);
        prism.low = std::min(prism.low, level);
        prism.high = std::max(prism.high, level);
    }
    if (caps.empty() || levels.size() != 2)
        return std::nullopt;
    for (const TopoDS_Face& cap : caps)
        for (TopExp_Explorer it(cap, TopAbs_EDGE); it.More(); it.Next()) {
            const TopoDS_Edge& edge = TopoDS::Edge(it.Current());
            const BRepAdaptor_Curve curve(edge);
            const gp_Pnt a = BRep_Tool::Pnt(TopExp::FirstVertex(edge)), b = BRep_Tool::Pnt(TopExp::LastVertex(edge));
            PlanEdge plan;
            plan.from = gp_XY(a.X(), a.Y());
            plan.to = gp_XY(b.X(), b.Y());
            if (curve.GetType() == GeomAbs_Circle && curve.Circle().Axis().Direction().IsParallel(gp::DZ(), 1e-12)) {
                plan.arc = true;
                plan.circle = curve.Circle();
                plan.first = curve.FirstParameter();
                plan.last = curve.LastParameter();
            } else if (curve.GetType() != GeomAbs_Line) {
                return std::nullopt;
            }
            prism.edges.push_back(plan);
        }
    BRepBndLib::Add(probe, prism.box, false);
    prism.tolerance = std::max({BRep_Tool::MaxTolerance(probe, TopAbs_VERTEX), BRep_Tool::MaxTolerance(probe, TopAbs_EDGE),
                                BRep_Tool::MaxTolerance(probe, TopAbs_FACE)});
    return prism;
}

double pointToSegment(const gp_XY& p, const gp_XY& a, const gp_XY& b)
{
    const gp_XY along = b - a;
    const double length = along.SquareModulus();
    const double t = length > 0.0 ? std::clamp((p - a).Dot(along) / length, 0.0, 1.0) : 0.0;
    return (p - (a + along * t)).Modulus();
}

bool onArc(const PlanEdge& arc, const gp_XY& p)
{
    const gp_Pnt at(p.X(), p.Y(), arc.circle.Location().Z());
    return ElCLib::InPeriod(ElCLib::Parameter(arc.circle, at), arc.first, arc.first + 2.0 * M_PI) <= arc.last;
}

gp_XY centreOf(const PlanEdge& arc)
{
    return gp_XY(arc.circle.Location().X(), arc.circle.Location().Y());
}

double pointToArc(const gp_XY& p, const PlanEdge& arc)
{
    if (onArc(arc, p) && (p - centreOf(arc)).Modulus() > 0.0)
        return std::abs((p - centreOf(arc)).Modulus() - arc.circle.Radius());
    return std::min((p - arc.from).Modulus(), (p - arc.to).Modulus());
}

// The distance between two edges of plans: exact for segments and a segment against an arc;
// between two arcs, that of their whole circles, which is no more.
double apartBy(const PlanEdge& one, const PlanEdge& other)
{
    if (one.arc && other.arc) {
        const double between = (centreOf(one) - centreOf(other)).Modulus();
        const double r1 = one.circle.Radius(), r2 = other.circle.Radius();
        if (between > r1 + r2)
            return between - r1 - r2;
        return std::max(0.0, std::abs(r1 - r2) - between);
    }
    if (one.arc)
        return apartBy(other, one);
    const gp_XY &a = one.from, &b = one.to;
    if (other.arc) {
        // At the ends of either, where the segment crosses the circle on the arc, or along the
        // radius square to the segment.
        const gp_XY centre = centreOf(other);
        const double r = other.circle.Radius();
        double least = std::min({pointToArc(a, other), pointToArc(b, other), pointToSegment(other.from, a, b),
                                 pointToSegment(other.to, a, b)});
        const gp_XY along = b - a;
        const double length = along.SquareModulus();
        if (length > 0.0) {
            const double t = (centre - a).Dot(along) / length;
            const gp_XY foot = a + along * t;
            const double height = (centre - foot).Modulus();
            if (t > 0.0 && t < 1.0 && height > 0.0) {
                const gp_XY outward = (foot - centre) / height;
                if (onArc(other, centre + outward * r))
                    least = std::min(least, std::abs(height - r));
            }
            if (height <= r) {
                const double half = std::sqrt((r * r - height * height) / length);
                for (const double u : {t - half, t + half})
                    if (u >= 0.0 && u <= 1.0 && onArc(other, a + along * u))
                        return 0.0;
            }
        }
        return least;
    }
    const gp_XY &c = other.from, &d = other.to;
    const auto side = [](const gp_XY& o, const gp_XY& u, const gp_XY& v) {
        const double cross = (u - o).Crossed(v - o);
        return cross > 0.0 ? 1 : cross < 0.0 ? -1 : 0;
    };
    if (side(a, b, c) * side(a, b, d) <= 0 && side(c, d, a) * side(c, d, b) <= 0)
        return 0.0;
    return std::min({pointToSegment(a, c, d), pointToSegment(b, c, d), pointToSegment(c, a, b),
                     pointToSegment(d, a, b)});
}

// The point a fraction along an edge of a plan.
gp_XY pointOf(const PlanEdge& edge, double along)
{
    if (!edge.arc)
        return edge.from + (edge.to - edge.from) * along;
    const gp_Pnt p = ElCLib::Value(edge.first + along * (edge.last - edge.first), edge.circle);
    return gp_XY(p.X(), p.Y());
}

// The crossings of the ray from p along +X with the edges of a plan; nothing when it passes a
// vertex or grazes a circle, where the count could go either way.
std::optional<int> crossingsFrom(const gp_XY& p, const std::vector<PlanEdge>& edges)
{
    constexpr double kGraze = 1e-9;
    int crossings = 0;
    for (const PlanEdge& edge : edges) {
        if (std::abs(edge.from.Y() - p.Y()) < kGraze || std::abs(edge.to.Y() - p.Y()) < kGraze)
            return std::nullopt;
        if (!edge.arc) {
            if ((edge.from.Y() > p.Y()) != (edge.to.Y() > p.Y())
                && p.X() < edge.from.X() + (p.Y() - edge.from.Y()) * (edge.to.X() - edge.from.X())
                                               / (edge.to.Y() - edge.from.Y()))
                ++crossings;
            continue;
        }
        const gp_Pnt centre = edge.circle.Location();
        const double r = edge.circle.Radius(), dy = p.Y() - centre.Y();
        if (std::abs(std::abs(dy) - r) < kGraze)
            return std::nullopt;
        if (std::abs(dy) > r)
            continue;
        const double dx = std::sqrt(r * r - dy * dy);
        for (const double x : {centre.X() - dx, centre.X() + dx}) {
            if (x <= p.X())
                continue;
            const double at = ElCLib::InPeriod(ElCLib::Parameter(edge.circle, gp_Pnt(x, p.Y(), centre.Z())),
                                               edge.first, edge.first + 2.0 * M_PI);
            if (at <= edge.last)
                ++crossings;
        }
    }
    return crossings;
}

// An upright face's plan: the span of its vertices along the trace of a plane face of straight
// edges, or the arc of a cylinder face. Nothing for any other face.
std::optional<PlanEdge> traceOf(const TopoDS_Face& face)
{
    const BRepAdaptor_Surface surface(face, false);
    if (surface.GetType() == GeomAbs_Cylinder) {
        const gp_Cylinder cylinder = surface.Cylinder();
        if (!cylinder.Axis().Direction().IsParallel(gp::DZ(), 1e-12))
            return std::nullopt;
        // The circle the surface's angle runs on, whichever hand its frame is.
        const gp_Ax3& frame = cylinder.Position();
        PlanEdge arc;
        arc.arc = true;
        arc.circle = gp_Circ(gp_Ax2(frame.Location(), frame.XDirection().Crossed(frame.YDirection()), frame.XDirection()),
                             cylinder.Radius());
        double u0 = 0.0, u1 = 0.0, v0 = 0.0, v1 = 0.0;
        BRepTools::UVBounds(face, u0, u1, v0, v1);
        if (!(u1 > u0) || u1 - u0 > 2.0 * M_PI + 1e-9)
            return std::nullopt;
        arc.first = u0;
        arc.last = u1;
        const gp_Pnt from = ElCLib::Value(u0, arc.circle), to = ElCLib::Value(u1, arc.circle);
        arc.from = gp_XY(from.X(), from.Y());
        arc.to = gp_XY(to.X(), to.Y());
        return arc;
    }
    if (surface.GetType() != GeomAbs_Plane)
        return std::nullopt;
    const gp_Dir normal = surface.Plane().Axis().Direction();
    if (std::abs(normal.Z()) > 1e-12)
        return std::nullopt;
    for (TopExp_Explorer it(face, TopAbs_EDGE); it.More(); it.Next())
        if (BRepAdaptor_Curve(TopoDS::Edge(it.Current())).GetType() != GeomAbs_Line)
            return std::nullopt;
    const gp_XY origin(surface.Plane().Location().X(), surface.Plane().Location().Y());
    const gp_XY along(-normal.Y(), normal.X());
    double from = RealLast(), to = -RealLast();
    for (TopExp_Explorer it(face, TopAbs_VERTEX); it.More(); it.Next()) {
        const gp_Pnt p = BRep_Tool::Pnt(TopoDS::Vertex(it.Current()));
        const double t = (gp_XY(p.X(), p.Y()) - origin).Dot(along);
        from = std::min(from, t);
        to = std::max(to, t);
    }
    if (from > to)
        return std::nullopt;
    PlanEdge segment;
    segment.from = origin + along * from;
    segment.to = origin + along * to;
    return segment;
}

// Whether a face of the solid lies farther than both their tolerances from a probe's prism, told
// in plan: a face outside the prism's heights, or an upright plane face whose trace runs clear of
// the prism's outline and outside it. False when that cannot be told.
bool planApart(const TopoDS_Face& face, const Bnd_Box& faceBox, double faceTolerance, const PlanPrism& prism)
{
    const double gap = prism.tolerance + faceTolerance + 1e-7;
    double x0 = 0.0, y0 = 0.0, z0 = 0.0, x1 = 0.0, y1 = 0.0, z1 = 0.0;
    faceBox.Get(x0, y0, z0, x1, y1, z1);
    if (z1 < prism.low - gap || z0 > prism.high + gap)
        return true;
    const std::optional<PlanEdge> trace = traceOf(face);
    if (!trace)
        return false;
    for (const PlanEdge& edge : prism.edges)
        if (apartBy(*trace, edge) <= gap)
            return false;
    // Clear of the outline: wholly inside the prism's plan or wholly outside.
    for (const double along : {0.5, 0.25, 0.75}) {
        const gp_XY p = pointOf(*trace, along);
        const std::optional<int> crossings = crossingsFrom(p, prism.edges);
        if (crossings)
            return *crossings % 2 == 0;
    }
    return false;
}

double toleranceOf(const TopoDS_Face& face)
{
    return std::max({BRep_Tool::Tolerance(face), BRep_Tool::MaxTolerance(face, TopAbs_EDGE),
                     BRep_Tool::MaxTolerance(face, TopAbs_VERTEX)});
}

} // namespace

std::shared_ptr<const PlanPrism> planPrismOf(const TopoDS_Shape& probe)
{
    return OccUtils::guardedCall(std::shared_ptr<const PlanPrism>(), "planPrismOf",
                                 [&]() -> std::shared_ptr<const PlanPrism> {
                                     std::optional<PlanPrism> prism = planPrism(probe);
                                     if (!prism)
                                         return nullptr;
                                     return std::make_shared<const PlanPrism>(std::move(*prism));
                                 });
}

PlanFace planFaceOf(const TopoDS_Face& face, const Bnd_Box& box)
{
    // A tolerance that cannot be read keeps the face from being told apart.
    return PlanFace{face, box, OccUtils::guardedCall(Precision::Infinite(), "planFaceOf", [&] { return toleranceOf(face); })};
}

bool apartInPlan(const PlanFace& face, const PlanPrism& prism)
{
    // Most faces of a big part lie far from most probes: their boxes tell it.
    Bnd_Box reach = prism.box;
    reach.Enlarge(prism.tolerance + face.tolerance + 1e-6);
    if (face.box.IsOut(reach))
        return true;
    return OccUtils::guardedCall(false, "apartInPlan",
                                 [&] { return planApart(face.face, face.box, face.tolerance, prism); });
}

bool apartInPlan(const TopoDS_Face& face, const TopoDS_Shape& probe)
{
    const std::shared_ptr<const PlanPrism> prism = planPrismOf(probe);
    if (!prism)
        return false;
    Bnd_Box box;
    BRepBndLib::Add(face, box, false);
    return apartInPlan(planFaceOf(face, box), *prism);
}

} // namespace Carving::detail
