// The probes of the one rule's screen: a volume that is a prism along Z (pads, bodies, flat
// tracks, bends included) eroded in its plan, its outline's lines and arcs each moved in by the
// inset and joined where they meet, and swept between its caps moved in.
#include "outputs/carving_p.h"

#include "foundation/occutils.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepTools.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Circ.hxx>
#include <gp_Pln.hxx>

#include <cmath>
#include <optional>
#include <vector>

namespace Carving::detail {

namespace {

constexpr double kParallel = 1e-9;
constexpr double kLevel = 1e-7;

// One edge of an outline in plan, as its wire runs.
struct Piece
{
    gp_XY from, to;
    bool arc = false;
    bool whole = false; // a closed circle
    gp_XY centre;
    double radius = 0.0;
    bool ccw = true;
};

double cross(const gp_XY& a, const gp_XY& b)
{
    return a.X() * b.Y() - a.Y() * b.X();
}

gp_XY leftOf(const gp_XY& direction)
{
    return gp_XY(-direction.Y(), direction.X());
}

std::optional<Piece> pieceOf(const TopoDS_Edge& edge)
{
    const BRepAdaptor_Curve curve(edge);
    const gp_Pnt first = BRep_Tool::Pnt(TopExp::FirstVertex(edge, true));
    const gp_Pnt last = BRep_Tool::Pnt(TopExp::LastVertex(edge, true));
    Piece piece;
    piece.from = gp_XY(first.X(), first.Y());
    piece.to = gp_XY(last.X(), last.Y());
    if (curve.GetType() == GeomAbs_Line)
        return (piece.to - piece.from).Modulus() > 1e-9 ? std::optional<Piece>(piece) : std::nullopt;
    if (curve.GetType() != GeomAbs_Circle)
        return std::nullopt;
    const gp_Circ circle = curve.Circle();
    if (!circle.Axis().Direction().IsParallel(gp::DZ(), kParallel))
        return std::nullopt;
    piece.arc = true;
    piece.centre = gp_XY(circle.Location().X(), circle.Location().Y());
    piece.radius = circle.Radius();
    piece.ccw = (circle.Axis().Direction().Z() > 0.0) == (edge.Orientation() != TopAbs_REVERSED);
    piece.whole = BRep_Tool::IsClosed(edge) || std::abs(curve.LastParameter() - curve.FirstParameter() - 2.0 * M_PI) < 1e-9;
    return piece;
}

// The direction a piece runs in at a point of it.
gp_XY tangentAt(const Piece& piece, const gp_XY& at)
{
    if (!piece.arc)
        return (piece.to - piece.from).Normalized();
    const gp_XY radial = (at - piece.centre).Normalized();
    return piece.ccw ? leftOf(radial) : leftOf(radial).Reversed();
}

// A piece moved toward its left (inward when the region lies on its left) by inset.
struct Moved
{
    Piece piece;
    gp_XY start, end; // its ends moved
};

std::optional<Moved> moved(const Piece& piece, double inset, bool regionOnLeft)
{
    Moved m;
    m.piece = piece;
    const double side = regionOnLeft ? 1.0 : -1.0;
    if (!piece.arc) {
        const gp_XY shift = leftOf((piece.to - piece.from).Normalized()) * (side * inset);
        m.piece.from += shift;
        m.piece.to += shift;
        m.start = m.piece.from;
        m.end = m.piece.to;
        return m;
    }
    // Left of a counter-clockwise arc is its centre.
    const bool towardCentre = piece.ccw == regionOnLeft;
    m.piece.radius = piece.radius + (towardCentre ? -inset : inset);
    if (m.piece.radius <= 2.0 * inset)
        return std::nullopt;
    const double scale = m.piece.radius / piece.radius;
    m.start = piece.centre + (piece.from - piece.centre) * scale;
    m.end = piece.centre + (piece.to - piece.centre) * scale;
    m.piece.from = m.start;
    m.piece.to = m.end;
    return m;
}

// Where two moved pieces meet, nearest the corner they came from.
std::optional<gp_XY> meeting(const Moved& before, const Moved& after, const gp_XY& corner, double inset)
{
    if ((before.end - after.start).Modulus() < 1e-9 * (1.0 + corner.Modulus()))
        return before.end;
    std::vector<gp_XY> found;
    const auto lineLine = [&](const gp_XY& p, const gp_XY& u, const gp_XY& q, const gp_XY& v) {
        const double d = cross(u, v);
        if (std::abs(d) < 1e-12)
            return;
        found.push_back(p + u * (cross(q - p, v) / d));
    };
    const auto lineCircle = [&](const gp_XY& p, const gp_XY& u, const gp_XY& c, double r) {
        const gp_XY w = p - c;
        const double b = w.Dot(u), disc = b * b - (w.Dot(w) - r * r);
        if (disc < 0.0)
            return;
        for (const double s : {-1.0, 1.0})
            found.push_back(p + u * (-b + s * std::sqrt(disc)));
    };
    const auto circleCircle = [&](const gp_XY& c1, double r1, const gp_XY& c2, double r2) {
        const gp_XY between = c2 - c1;
        const double d = between.Modulus();
        if (d < 1e-12 || d > r1 + r2 || d < std::abs(r1 - r2))
            return;
        const double a = (r1 * r1 - r2 * r2 + d * d) / (2.0 * d);
        const double h = std::sqrt(std::max(0.0, r1 * r1 - a * a));
        const gp_XY mid = c1 + between * (a / d);
        const gp_XY across = leftOf(between / d) * h;
        found.push_back(mid + across);
        found.push_back(mid - across);
    };
    const Piece& a = before.piece;
    const Piece& b = after.piece;
    const gp_XY ua = (a.to - a.from).Normalized(), ub = (b.to - b.from).Normalized();
    if (!a.arc && !b.arc)
        lineLine(a.from, ua, b.from, ub);
    else if (!a.arc)
        lineCircle(a.from, ua, b.centre, b.radius);
    else if (!b.arc)
        lineCircle(b.from, ub, a.centre, a.radius);
    else
        circleCircle(a.centre, a.radius, b.centre, b.radius);
    std::optional<gp_XY> nearest;
    for (const gp_XY& point : found)
        if (!nearest || (point - corner).Modulus() < (*nearest - corner).Modulus())
            nearest = point;
    // Pieces that meet far from their corner turn back on themselves there: no small inset joins them.
    if (!nearest || (*nearest - corner).Modulus() > 50.0 * inset)
        return std::nullopt;
    return nearest;
}

double sweepOf(const Piece& piece, const gp_XY& from, const gp_XY& to)
{
    const double a0 = std::atan2(from.Y() - piece.centre.Y(), from.X() - piece.centre.X());
    const double a1 = std::atan2(to.Y() - piece.centre.Y(), to.X() - piece.centre.X());
    double sweep = piece.ccw ? a1 - a0 : a0 - a1;
    while (sweep <= 0.0)
        sweep += 2.0 * M_PI;
    while (sweep > 2.0 * M_PI)
        sweep -= 2.0 * M_PI;
    return sweep;
}

// The edge of a moved piece between two points of it, at height z; null when the points come
// in the wrong order (the piece shorter than the inset's moves).
TopoDS_Edge edgeBetween(const Piece& original, const Piece& piece, const gp_XY& from, const gp_XY& to, double z)
{
    const gp_Pnt a(from.X(), from.Y(), z), b(to.X(), to.Y(), z);
    if (!piece.arc) {
        if ((to - from).Dot(original.to - original.from) <= 0.0 || a.Distance(b) < 1e-9)
            return {};
        BRepBuilderAPI_MakeEdge edge(a, b);
        return edge.IsDone() ? edge.Edge() : TopoDS_Edge();
    }
    const gp_Circ circle(gp_Ax2(gp_Pnt(piece.centre.X(), piece.centre.Y(), z), piece.ccw ? gp::DZ() : -gp::DZ()),
                         piece.radius);
    if (original.whole) {
        BRepBuilderAPI_MakeEdge edge(circle);
        return edge.IsDone() ? edge.Edge() : TopoDS_Edge();
    }
    const double sweep = sweepOf(piece, from, to), originalSweep = sweepOf(original, original.from, original.to);
    if (std::abs(sweep - originalSweep) > 0.5 * M_PI || a.Distance(b) < 1e-9)
        return {};
    BRepBuilderAPI_MakeEdge edge(circle, a, b);
    return edge.IsDone() ? edge.Edge() : TopoDS_Edge();
}

// Twice the area a loop of pieces encloses, positive counter-clockwise.
double doubleArea(const std::vector<Piece>& loop)
{
    double area = 0.0;
    for (const Piece& piece : loop) {
        area += cross(piece.from, piece.to);
        if (piece.arc) {
            const double sweep = piece.whole ? 2.0 * M_PI : sweepOf(piece, piece.from, piece.to);
            area += (piece.ccw ? 1.0 : -1.0) * piece.radius * piece.radius * (sweep - std::sin(sweep));
        }
    }
    return area;
}

// The loop of a face's wire at height level moved in by inset, as a wire at height z; null when
// it cannot be. area receives twice the area the moved loop encloses, positive counter-clockwise.
TopoDS_Wire erodedLoop(const TopoDS_Face& face, const TopoDS_Wire& wire, double level, double inset, double z,
                       double& area)
{
    std::vector<Piece> pieces;
    for (BRepTools_WireExplorer it(wire, face); it.More(); it.Next()) {
        const std::optional<Piece> piece = pieceOf(it.Current());
        if (!piece)
            return {};
        pieces.push_back(*piece);
    }
    if (pieces.empty() || (pieces.size() == 1 && !pieces.front().whole))
        return {};
    // The region's side, from a point just beside the middle of the longest piece.
    size_t longest = 0;
    for (size_t i = 1; i < pieces.size(); ++i)
        if ((pieces[i].to - pieces[i].from).Modulus() > (pieces[longest].to - pieces[longest].from).Modulus())
            longest = i;
    const Piece& probe = pieces[longest];
    gp_XY middle = 0.5 * (probe.from + probe.to);
    if (probe.arc) {
        const double sweep = probe.whole ? M_PI : sweepOf(probe, probe.from, probe.to);
        const double a0 = std::atan2(probe.from.Y() - probe.centre.Y(), probe.from.X() - probe.centre.X());
        const double at = a0 + (probe.ccw ? 0.5 : -0.5) * sweep;
        middle = probe.centre + gp_XY(std::cos(at), std::sin(at)) * probe.radius;
    }
    const gp_XY beside = middle + leftOf(tangentAt(probe, middle)) * std::min(1e-3, 0.25 * inset + 1e-5);
    BRepClass_FaceClassifier classifier(face, gp_Pnt(beside.X(), beside.Y(), level), 1e-9);
    if (classifier.State() != TopAbs_IN && classifier.State() != TopAbs_OUT)
        return {};
    const bool regionOnLeft = classifier.State() == TopAbs_IN;

    std::vector<Moved> shifted;
    for (const Piece& piece : pieces) {
        const std::optional<Moved> m = moved(piece, inset, regionOnLeft);
        if (!m)
            return {};
        shifted.push_back(*m);
    }
    const size_t count = pieces.size();
    std::vector<gp_XY> corners(count); // corners[i]: where piece i begins
    for (size_t i = 0; i < count; ++i) {
        if (count == 1) {
            corners[i] = shifted[i].start;
            break;
        }
        const size_t previous = (i + count - 1) % count;
        const std::optional<gp_XY> at = meeting(shifted[previous], shifted[i], pieces[i].from, inset);
        if (!at)
            return {};
        corners[i] = *at;
    }
    BRepBuilderAPI_MakeWire loop;
    std::vector<Piece> result;
    for (size_t i = 0; i < count; ++i) {
        const gp_XY& from = corners[i];
        const gp_XY& to = corners[(i + 1) % count];
        const TopoDS_Edge edge = edgeBetween(pieces[i], shifted[i].piece, from, to, z);
        if (edge.IsNull())
            return {};
        loop.Add(edge);
        if (!loop.IsDone())
            return {};
        Piece kept = shifted[i].piece;
        kept.from = from;
        kept.to = to;
        result.push_back(kept);
    }
    area = doubleArea(result);
    const TopoDS_Wire made = loop.Wire();
    return BRep_Tool::IsClosed(made) || made.Closed() ? made : TopoDS_Wire();
}

// The faces of a prism along Z: its bottom faces, and its caps' levels. Nothing for any other
// solid: a face neither flat across Z nor upright, or caps at more than two levels.
struct PrismAlongZ
{
    std::vector<TopoDS_Face> bottoms;
    double low = 0.0, high = 0.0;
};

std::optional<PrismAlongZ> prismAlongZ(const TopoDS_Shape& solid)
{
    PrismAlongZ prism{{}, RealLast(), -RealLast()};
    std::vector<std::pair<TopoDS_Face, double>> downward, upward;
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face face = TopoDS::Face(it.Current());
        const BRepAdaptor_Surface surface(face, false);
        if (surface.GetType() == GeomAbs_Cylinder) {
            if (!surface.Cylinder().Axis().Direction().IsParallel(gp::DZ(), kParallel))
                return std::nullopt;
            continue;
        }
        if (surface.GetType() != GeomAbs_Plane)
            return std::nullopt;
        const gp_Pln plane = surface.Plane();
        double up = plane.Axis().Direction().Z() * (plane.Direct() ? 1.0 : -1.0);
        if (face.Orientation() == TopAbs_REVERSED)
            up = -up;
        if (std::abs(up) < kParallel)
            continue;
        if (std::abs(std::abs(up) - 1.0) > kParallel)
            return std::nullopt;
        const double level = plane.Location().Z();
        prism.low = std::min(prism.low, level);
        prism.high = std::max(prism.high, level);
        (up < 0.0 ? downward : upward).emplace_back(face, level);
    }
    if (!(prism.high - prism.low > kLevel))
        return std::nullopt;
    // A step in the bottom or the top is no prism.
    for (const auto& [face, level] : upward)
        if (std::abs(level - prism.high) > kLevel)
            return std::nullopt;
    for (const auto& [face, level] : downward) {
        if (std::abs(level - prism.low) > kLevel)
            return std::nullopt;
        prism.bottoms.push_back(face);
    }
    if (prism.bottoms.empty())
        return std::nullopt;
    return prism;
}

// One bottom face moved in by inset at height z: its outer loop counter-clockwise, its holes
// clockwise. Null when a loop cannot be moved in, or turns over.
TopoDS_Face erodedFace(const TopoDS_Face& bottom, double level, double inset, double z)
{
    const TopoDS_Wire outer = BRepTools::OuterWire(bottom);
    if (outer.IsNull())
        return {};
    double area = 0.0;
    TopoDS_Wire outerLoop = erodedLoop(bottom, outer, level, inset, z, area);
    if (outerLoop.IsNull() || std::abs(area) < 1e-12)
        return {};
    const bool outerCcw = area > 0.0;
    if (!outerCcw)
        outerLoop.Reverse();
    BRepBuilderAPI_MakeFace face(gp_Pln(gp_Pnt(0.0, 0.0, z), gp::DZ()), outerLoop, true);
    if (!face.IsDone())
        return {};
    for (TopExp_Explorer it(bottom, TopAbs_WIRE); it.More(); it.Next()) {
        const TopoDS_Wire wire = TopoDS::Wire(it.Current());
        if (wire.IsSame(outer))
            continue;
        double holeArea = 0.0;
        TopoDS_Wire hole = erodedLoop(bottom, wire, level, inset, z, holeArea);
        if (hole.IsNull() || std::abs(holeArea) < 1e-12)
            return {};
        if (holeArea > 0.0)
            hole.Reverse();
        face.Add(hole);
        if (!face.IsDone())
            return {};
    }
    return face.Face();
}

} // namespace

TopoDS_Shape erodedProbe(const TopoDS_Shape& tool, double inset, const Bnd_Box& box)
{
    return OccUtils::guardedCall(TopoDS_Shape(), "erodedProbe", [&]() -> TopoDS_Shape {
        if (box.IsVoid() || !(inset > 0.0))
            return {};
        double x0 = 0.0, y0 = 0.0, z0 = 0.0, x1 = 0.0, y1 = 0.0, z1 = 0.0;
        box.Get(x0, y0, z0, x1, y1, z1);
        QList<TopoDS_Shape> pieces;
        for (TopExp_Explorer solids(tool, TopAbs_SOLID); solids.More(); solids.Next()) {
            const std::optional<PrismAlongZ> prism = prismAlongZ(solids.Current());
            if (!prism)
                return {};
            const double low = std::max(prism->low, z0) + inset, high = std::min(prism->high, z1) - inset;
            if (high - low < inset)
                return {};
            for (const TopoDS_Face& bottom : prism->bottoms) {
                const TopoDS_Face face = erodedFace(bottom, prism->low, inset, low);
                if (face.IsNull())
                    return {};
                const TopoDS_Shape swept = OccUtils::sweptSolid(face, gp_Vec(0.0, 0.0, high - low));
                if (swept.IsNull())
                    return {};
                pieces.append(swept);
            }
        }
        if (pieces.isEmpty())
            return {};
        return pieces.size() == 1 ? pieces.first() : OccUtils::compoundOf(pieces);
    });
}

} // namespace Carving::detail
