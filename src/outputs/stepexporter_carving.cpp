// Carving: the fuzzy-value ladder, the cut of one volume and what it removed, the clean-up of
// stray solids and loose faces, and the checked cut of every volume at once.
#include "outputs/stepexporter.h"

#include "foundation/jobs.h"
#include "foundation/logging.h"
#include "outputs/stepexporter_probes_p.h"

#include <Bnd_Box.hxx>
#include <BOPAlgo_Builder.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepGProp.hxx>
#include <BRepOffsetAPI_MakeOffset.hxx>
#include <BRepOffsetAPI_MakeOffsetShape.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepTools.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <GProp_GProps.hxx>
#include <Message_ProgressScope.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Wire.hxx>
#include <TopTools_DataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <STEPControl_Reader.hxx>
#include <STEPControl_Writer.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepWriter.hxx>
#include <XSControl_WorkSession.hxx>

#include <algorithm>
#include <mutex>
#include <cmath>
#include <exception>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

namespace {

// Material a cavity may keep and still count as cut, in mm³: the one cut's own volume tolerance.
constexpr double kHeldVolume = 1e-3;

using namespace CarvingProbes;

constexpr double kZero = 1e-7;

const OccUtils::BoolOpLabel kSubtractLabel{&lcExport, "subtractOne"};

// The split of a solid by a boolean: its pieces, or the solid itself when nothing split it.
QList<TopoDS_Shape> piecesOf(const BOPAlgo_Builder& builder, const TopoDS_Shape& solid)
{
    const TopTools_DataMapOfShapeListOfShape& images = builder.Images();
    if (!images.IsBound(solid))
        return {solid};
    QList<TopoDS_Shape> pieces;
    for (const TopoDS_Shape& piece : images.Find(solid))
        pieces.append(piece);
    return pieces;
}

// A slab's thickness, from any piece: twice its volume over its area.
double thickness(const TopoDS_Shape& piece)
{
    GProp_GProps props;
    BRepGProp::SurfaceProperties(piece, props);
    const double area = std::abs(props.Mass());
    return area > 0.0 ? 2.0 * StepExporter::volumeOf(piece) / area : 0.0;
}

// What each tool takes from the object, read off the split of one boolean: the volume of the
// object's pieces that are also pieces of the tool. A piece goes to the first tool (in the
// tools' order, which is the carving order) that holds it, as carving one after another would
// take it; the sum is the object's common with all the tools, each overlap counted once.
// With thickerThan, only pieces thicker than that (twice their volume over their area) count;
// with toEach, a piece goes to every tool holding it.
std::vector<double> creditedVolumes(const BOPAlgo_Builder& builder, const TopoDS_Shape& object,
                                    const TopTools_ListOfShape& tools, double thickerThan = -1.0, bool toEach = false,
                                    const Message_ProgressRange& progress = Message_ProgressRange())
{
    TopTools_MapOfShape objectPieces;
    for (TopExp_Explorer it(object, TopAbs_SOLID); it.More(); it.Next())
        for (const TopoDS_Shape& piece : piecesOf(builder, it.Current()))
            objectPieces.Add(piece);
    TopTools_MapOfShape credited;
    std::vector<double> volumes;
    // A volume for each of a thousand pieces takes a while.
    Message_ProgressScope scope(progress, nullptr, double(std::max(tools.Extent(), 1)));
    for (const TopoDS_Shape& tool : tools) {
        scope.Next();
        double volume = 0.0;
        for (TopExp_Explorer it(tool, TopAbs_SOLID); it.More(); it.Next())
            for (const TopoDS_Shape& piece : piecesOf(builder, it.Current()))
                if (objectPieces.Contains(piece) && (credited.Add(piece) || toEach))
                    volume += thickerThan < 0.0 || thickness(piece) > thickerThan ? StepExporter::volumeOf(piece) : 0.0;
        volumes.push_back(volume);
    }
    return volumes;
}

// The plane touching a face at (u, v), its normal pointing out of the solid.
bool outwardPlane(const TopoDS_Face& face, const BRepAdaptor_Surface& surface, double u, double v, gp_Pln& plane)
{
    gp_Pnt point;
    gp_Vec du, dv;
    surface.D1(u, v, point, du, dv);
    gp_Vec normal = du.Crossed(dv);
    if (normal.Magnitude() < 1e-12)
        return false;
    if (face.Orientation() == TopAbs_REVERSED)
        normal.Reverse();
    plane = gp_Pln(point, gp_Dir(normal));
    return true;
}

// A solid of planes and outward-bulging cylinders lies behind every plane touching its faces:
// checked on its vertices, and on the cylinders at a few places across each.
bool isConvex(const TopoDS_Shape& solid)
{
    constexpr double tolerance = 1e-5;
    TopTools_IndexedMapOfShape vertexMap;
    TopExp::MapShapes(solid, TopAbs_VERTEX, vertexMap);
    std::vector<gp_Pnt> corners;
    for (int i = 1; i <= vertexMap.Extent(); ++i)
        corners.push_back(BRep_Tool::Pnt(TopoDS::Vertex(vertexMap(i))));
    const auto allBehind = [&](const gp_Pln& plane) {
        return std::all_of(corners.cbegin(), corners.cend(), [&](const gp_Pnt& p) {
            return gp_Vec(plane.Location(), p).Dot(gp_Vec(plane.Axis().Direction())) <= tolerance;
        });
    };
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face face = TopoDS::Face(it.Current());
        const BRepAdaptor_Surface surface(face);
        const double u0 = surface.FirstUParameter(), u1 = surface.LastUParameter();
        const double v = 0.5 * (surface.FirstVParameter() + surface.LastVParameter());
        gp_Pln plane;
        if (surface.GetType() == GeomAbs_Plane) {
            if (!outwardPlane(face, surface, 0.5 * (u0 + u1), v, plane) || !allBehind(plane))
                return false;
        } else if (surface.GetType() == GeomAbs_Cylinder) {
            const gp_Ax1 axis = surface.Cylinder().Axis();
            for (int k = 0; k <= 4; ++k) {
                if (!outwardPlane(face, surface, u0 + 0.25 * k * (u1 - u0), v, plane))
                    return false;
                const gp_Vec fromAxis(axis.Location(), plane.Location());
                const gp_Vec radial = fromAxis - gp_Vec(axis.Direction()) * fromAxis.Dot(gp_Vec(axis.Direction()));
                if (radial.Dot(gp_Vec(plane.Axis().Direction())) <= 0.0 || !allBehind(plane))
                    return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// A right prism: a planar cap at the far end of its axis (the cap's outward normal), and
// every other face either the other cap or a side along the axis.
struct Prism
{
    TopoDS_Face cap;
    gp_Dir axis;
    double low = 0.0, high = 0.0; // extent along the axis
    bool curved = false;          // some side is a cylinder
};

std::optional<Prism> prismOf(const TopoDS_Shape& solid)
{
    constexpr double parallel = 1e-9, kLevel = 1e-6;
    std::vector<gp_Pnt> corners;
    for (TopExp_Explorer it(solid, TopAbs_VERTEX); it.More(); it.Next())
        corners.push_back(BRep_Tool::Pnt(TopoDS::Vertex(it.Current())));
    std::vector<gp_Dir> tried;
    for (TopExp_Explorer candidate(solid, TopAbs_FACE); candidate.More(); candidate.Next()) {
        const TopoDS_Face cap = TopoDS::Face(candidate.Current());
        const BRepAdaptor_Surface capSurface(cap);
        gp_Pln capPlane;
        if (capSurface.GetType() != GeomAbs_Plane
            || !outwardPlane(cap, capSurface, 0.5 * (capSurface.FirstUParameter() + capSurface.LastUParameter()),
                             0.5 * (capSurface.FirstVParameter() + capSurface.LastVParameter()), capPlane))
            continue;
        Prism prism{cap, capPlane.Axis().Direction()};
        const gp_XYZ n = prism.axis.XYZ();
        if (std::any_of(tried.cbegin(), tried.cend(), [&](const gp_Dir& d) { return d.IsParallel(prism.axis, 1e-9); }))
            continue;
        tried.push_back(prism.axis);
        prism.low = RealLast();
        prism.high = -RealLast();
        for (const gp_Pnt& p : corners) {
            prism.low = std::min(prism.low, p.XYZ().Dot(n));
            prism.high = std::max(prism.high, p.XYZ().Dot(n));
        }
        bool fits = true;
        int farCaps = 0;
        for (TopExp_Explorer it(solid, TopAbs_FACE); it.More() && fits; it.Next()) {
            const BRepAdaptor_Surface surface(TopoDS::Face(it.Current()));
            if (surface.GetType() == GeomAbs_Plane) {
                const gp_Pln plane = surface.Plane();
                const double across = std::abs(plane.Axis().Direction().XYZ().Dot(n));
                const double level = plane.Location().XYZ().Dot(n);
                if (across > 1.0 - parallel)
                    farCaps += std::abs(level - prism.high) <= kLevel ? 1 : 0;
                fits = across < parallel
                       || (across > 1.0 - parallel
                           && (std::abs(level - prism.high) <= kLevel || std::abs(level - prism.low) <= kLevel));
            } else if (surface.GetType() == GeomAbs_Cylinder) {
                fits = surface.Cylinder().Axis().Direction().IsParallel(prism.axis, parallel);
                prism.curved = true;
            } else {
                fits = false;
            }
        }
        if (fits && farCaps == 1 && prism.high - prism.low > kZero)
            return prism;
    }
    return std::nullopt;
}

// The points of a convex prism at least inset inside it, from level from down to level to along
// its axis: its cap's outline moved in by inset, swept. The outline is a polygon (each corner
// moves in along its bisector) or a circle; null for any other, or when a side would vanish.
TopoDS_Shape erodedPrism(const Prism& prism, double inset, double from, double to)
{
    const TopoDS_Wire outline = BRepTools::OuterWire(prism.cap);
    if (outline.IsNull())
        return {};
    const gp_XYZ n = prism.axis.XYZ();
    const auto atLevel = [&](const gp_XYZ& p, double level) { return gp_Pnt(p + n * (level - p.Dot(n))); };
    std::vector<gp_XYZ> corners;
    std::optional<gp_Circ> circle; // every edge an arc of it
    for (BRepTools_WireExplorer it(outline, prism.cap); it.More(); it.Next()) {
        const BRepAdaptor_Curve curve(it.Current());
        if (curve.GetType() == GeomAbs_Circle) {
            const gp_Circ arc = curve.Circle();
            if (!corners.empty() || (circle && (!arc.Location().IsEqual(circle->Location(), 1e-7)
                                                || std::abs(arc.Radius() - circle->Radius()) > 1e-7)))
                return {};
            circle = arc;
            continue;
        }
        if (circle || curve.GetType() != GeomAbs_Line)
            return {};
        corners.push_back(BRep_Tool::Pnt(it.CurrentVertex()).XYZ());
    }
    if (circle) {
        if (circle->Radius() <= 2.0 * inset)
            return {};
        const gp_Ax2 base(atLevel(circle->Location().XYZ(), to), prism.axis);
        BRepPrimAPI_MakeCylinder cylinder(base, circle->Radius() - inset, from - to);
        cylinder.Build();
        return cylinder.IsDone() ? cylinder.Shape() : TopoDS_Shape();
    }
    const size_t count = corners.size();
    if (count < 3)
        return {};
    gp_XYZ middle(0, 0, 0);
    for (const gp_XYZ& p : corners)
        middle += p / double(count);
    // Each side moves in along its normal in the cap's plane, toward the middle of a convex outline.
    std::vector<gp_XYZ> normals;
    for (size_t i = 0; i < count; ++i) {
        const gp_XYZ side = corners[(i + 1) % count] - corners[i];
        gp_XYZ inward = n.Crossed(side);
        if (inward.Modulus() < 1e-12)
            return {};
        inward.Normalize();
        if (inward.Dot(middle - corners[i]) < 0.0)
            inward.Reverse();
        normals.push_back(inward);
    }
    BRepBuilderAPI_MakePolygon polygon;
    std::vector<gp_XYZ> moved;
    for (size_t i = 0; i < count; ++i) {
        const gp_XYZ& before = normals[(i + count - 1) % count];
        const gp_XYZ& after = normals[i];
        const double along = 1.0 + before.Dot(after);
        if (along < 1e-6)
            return {};
        moved.push_back(corners[i] + (before + after) * (inset / along));
    }
    for (size_t i = 0; i < count; ++i) {
        // A side shorter than the corners' moves turns round: the outline is too small.
        if ((moved[(i + 1) % count] - moved[i]).Dot(corners[(i + 1) % count] - corners[i]) <= 0.0)
            return {};
        polygon.Add(atLevel(moved[i], from));
    }
    polygon.Close();
    if (!polygon.IsDone())
        return {};
    BRepBuilderAPI_MakeFace face(polygon.Wire(), true);
    if (!face.IsDone())
        return {};
    return OccUtils::sweptSolid(face.Face(), gp_Vec(prism.axis) * (to - from));
}

// A prism whose outline is not convex (a bent track) eroded by inset: its cap's outline offset
// inward in its plane, concave corners rounded, swept between its caps moved in by inset. Far
// cheaper than offsetting the solid's faces. Null when the outline's offset fails or splits.
TopoDS_Shape erodedOutline(const Prism& prism, double inset)
{
    if (prism.high - prism.low <= 2.0 * inset)
        return {};
    BRepOffsetAPI_MakeOffset outline(prism.cap, GeomAbs_Arc);
    outline.Perform(-inset);
    if (!outline.IsDone())
        return {};
    TopExp_Explorer wires(outline.Shape(), TopAbs_WIRE);
    if (!wires.More())
        return {};
    const TopoDS_Wire wire = TopoDS::Wire(wires.Current());
    wires.Next();
    if (wires.More())
        return {};
    BRepBuilderAPI_MakeFace face(wire, true);
    if (!face.IsDone())
        return {};
    GProp_GProps capArea, erodedArea;
    BRepGProp::SurfaceProperties(prism.cap, capArea);
    BRepGProp::SurfaceProperties(face.Face(), erodedArea);
    if (std::abs(erodedArea.Mass()) >= std::abs(capArea.Mass()))
        return {};
    gp_Trsf down;
    down.SetTranslation(gp_Vec(prism.axis) * -inset);
    const TopoDS_Shape start = BRepBuilderAPI_Transform(face.Face(), down, true).Shape();
    return OccUtils::sweptSolid(start, gp_Vec(prism.axis) * -(prism.high - prism.low - 2.0 * inset));
}

// A tool that is not convex (a track with a bend, an L-shaped pad) offset inward by inset:
// its faces lie inset inside the tool's, its concave edges rounded at that distance. Null when
// the offset fails or does not come back as one solid a little smaller than the tool, by no
// more than its area times inset. asPrism tells whether it is a prism's outline eroded, which
// lies at least inset inside the tool as surely as a convex tool's copy does.
TopoDS_Shape offsetInward(const TopoDS_Shape& tool, double inset, bool& asPrism)
{
    asPrism = false;
    const QList<TopoDS_Shape> own = StepExporter::solidsOf(tool);
    if (own.size() != 1 || own.first().NbChildren() != 1)
        return {};
    const TopoDS_Shape& solid = own.first();
    GProp_GProps surface;
    BRepGProp::SurfaceProperties(solid, surface);
    const double volume = StepExporter::volumeOf(solid);
    const auto shrunkOf = [&](const TopoDS_Shape& shape) -> TopoDS_Shape {
        const QList<TopoDS_Shape> solids = StepExporter::solidsOf(shape);
        if (solids.size() != 1 || !OccUtils::solidsHoldVolume(solids.first()))
            return {};
        const double shrunk = StepExporter::volumeOf(solids.first());
        return shrunk >= volume || shrunk < volume - 1.01 * inset * surface.Mass() ? TopoDS_Shape() : solids.first();
    };
    if (const std::optional<Prism> prism = prismOf(solid)) {
        const TopoDS_Shape eroded = shrunkOf(erodedOutline(*prism, inset));
        asPrism = !eroded.IsNull();
        if (asPrism)
            return eroded;
    }
    BRepOffsetAPI_MakeOffsetShape offset;
    offset.PerformByJoin(solid, -inset, 1e-7, BRepOffset_Skin, false, false, GeomAbs_Arc);
    return offset.IsDone() ? shrunkOf(offset.Shape()) : TopoDS_Shape();
}

// A copy of a tool at least inset inside it everywhere: its faces then lie apart from
// the walls of the cavity the tool cut, a boolean with it has nothing coincident to resolve.
// A prism (pads, straight tracks, bodies) is eroded alike in every direction, so material left
// anywhere deeper than inset is found, even at a long track's end. Another convex tool is
// shrunk about a point inside, only when it is not so long that its ends would move far
// further in than inset. Null when the tool is not a single convex solid, or too thin or long
// for the inset. within: the part's box, inset as well.
TopoDS_Shape insetCopy(const TopoDS_Shape& tool, double inset, const Bnd_Box& within)
{
    TopExp_Explorer solids(tool, TopAbs_SOLID);
    if (!solids.More())
        return {};
    const TopoDS_Shape solid = solids.Current();
    solids.Next();
    TopExp_Explorer shells(solid, TopAbs_SHELL);
    if (solids.More() || !shells.More())
        return {};
    const TopoDS_Shape shell = shells.Current();
    shells.Next();
    if (shells.More() || !isConvex(solid))
        return {};
    if (const std::optional<Prism> prism = prismOf(solid)) {
        double from = prism->high - inset, to = prism->low + inset;
        if (to >= from)
            return {};
        // A curved copy crossing a face pierced by every cavity (a board's top under a grid of
        // round pads) is the slowest for a boolean to split: each curve it leaves on that face
        // is weighed against every round hole in it. Such a copy stops inside the part's box. A
        // flat copy crosses it faster than the boolean finds on which side of the part a copy
        // crossing nothing lies.
        const double vertical = prism->axis.Z();
        if (prism->curved && !within.IsVoid() && std::abs(vertical) > 1.0 - 1e-9) {
            double x0 = 0.0, y0 = 0.0, z0 = 0.0, x1 = 0.0, y1 = 0.0, z1 = 0.0;
            within.Get(x0, y0, z0, x1, y1, z1);
            const double lo = vertical > 0.0 ? z0 : -z1, hi = vertical > 0.0 ? z1 : -z0;
            if (std::min(from, hi) > std::max(to, lo)) {
                from = std::min(from, hi);
                to = std::max(to, lo);
            }
        }
        return erodedPrism(*prism, inset, from, to);
    }
    // About a point inside, a ball of the radius to the boundary lies in the tool; scaled by s,
    // every point moves at least (1 - s) times that radius away from the boundary, and at most
    // (1 - s) times the box's diagonal: no more than eight times inset here.
    GProp_GProps props;
    BRepGProp::VolumeProperties(solid, props);
    const gp_Pnt centre = props.CentreOfMass();
    BRepExtrema_DistShapeShape distance(BRepBuilderAPI_MakeVertex(centre).Vertex(), shell);
    if (!distance.IsDone() || inset > 0.25 * distance.Value())
        return {};
    Bnd_Box box;
    BRepBndLib::Add(solid, box, false);
    if (box.IsVoid() || std::sqrt(box.SquareExtent()) > 8.0 * distance.Value())
        return {};
    gp_Trsf scale;
    scale.SetScale(centre, 1.0 - inset / distance.Value());
    BRepBuilderAPI_Transform copy(solid, scale, true);
    return copy.IsDone() ? copy.Shape() : TopoDS_Shape();
}

struct CutAttempt
{
    TopoDS_Shape shape;          // null when the boolean was not done
    std::vector<double> removed; // per tool, see creditedVolumes
};

CutAttempt cutOnce(const TopoDS_Shape& object, const TopTools_ListOfShape& tools, double fuzzy, bool parallel,
                   const Message_ProgressRange& progress = Message_ProgressRange())
{
    TopTools_ListOfShape arguments;
    arguments.Append(object);
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(arguments);
    cut.SetTools(tools);
    cut.SetFuzzyValue(fuzzy);
    cut.SetRunParallel(parallel);
    // A fuzzy run otherwise raises the tolerances of the inputs in place.
    cut.SetNonDestructive(true);
    Message_ProgressScope scope(progress, nullptr, 10.0);
    cut.Build(scope.Next(9.0));
    if (!cut.IsDone() || !scope.More())
        return {};
    return {cut.Shape(), creditedVolumes(*cut.Builder(), object, tools, -1.0, false, scope.Next())};
}

// Tools that meet one another in one boolean are split by one another, which a cut never needs:
// each pad under a component's body pierces it, and splitting the body then weighs every pad
// against every other (a grid of round pads under its body, bodies piled on a small part, took
// minutes and gigabytes). The tools go into rounds, each a boolean of what the rounds before
// left. A tool comes in no earlier round than any tool before it in the list that it meets, so
// that what two tools share goes to the first, as carving them one after another would take it.
// A few tools meeting one another (a track's end on a pad, a small component's two pads under
// its body) split cheaply and share a boolean: within a round, no tool meets kMany others. Each
// round costs a boolean of the whole part, so a tool takes the first round that allows it.
std::vector<std::vector<int>> roundsApart(const QList<TopoDS_Shape>& tools, double fuzzy)
{
    constexpr int kMany = 4;
    const size_t count = size_t(tools.size());
    std::vector<Bnd_Box> boxes(count);
    for (size_t i = 0; i < count; ++i) {
        BRepBndLib::Add(tools.at(int(i)), boxes[i], false);
        if (!boxes[i].IsVoid())
            boxes[i].Enlarge(2.0 * fuzzy + kZero);
    }
    // Void boxes have no bounds to weigh: they meet everything.
    const auto meet = [&](size_t i, size_t j) {
        return boxes[i].IsVoid() || boxes[j].IsVoid() || !boxes[i].IsOut(boxes[j]);
    };
    std::vector<int> roundOf(count, 0);
    std::vector<int> metInRound(count, 0);
    std::vector<std::vector<int>> rounds;
    for (size_t i = 0; i < count; ++i) {
        std::vector<int> earlier; // the tools before it that it meets
        int round = 0;
        for (size_t j = 0; j < i; ++j)
            if (meet(i, j)) {
                earlier.push_back(int(j));
                round = std::max(round, roundOf[j]);
            }
        const auto fits = [&](int r) {
            int met = 0;
            for (const int j : earlier)
                if (roundOf[size_t(j)] == r && (++met >= kMany || metInRound[size_t(j)] + 1 >= kMany))
                    return false;
            return true;
        };
        while (!fits(round)) // a round after every other always fits
            ++round;
        roundOf[i] = round;
        for (const int j : earlier)
            if (roundOf[size_t(j)] == round) {
                ++metInRound[size_t(j)];
                ++metInRound[i];
            }
        if (size_t(round) >= rounds.size())
            rounds.resize(size_t(round) + 1);
        rounds[size_t(round)].push_back(int(i));
    }
    return rounds;
}

// A cut of solids can hand back, beside its solids, a loose face or shell as thin as the fuzzy
// value: written out, it is a surface outside any solid, an open mesh for the slicer. A cut of
// a part with no solid (shells) is kept as it is.
TopoDS_Shape solidsAlone(const TopoDS_Shape& shape)
{
    const QList<TopoDS_Shape> solids = StepExporter::solidsOf(shape);
    if (solids.isEmpty())
        return shape;
    const bool loose = TopExp_Explorer(shape, TopAbs_FACE, TopAbs_SOLID).More()
                       || TopExp_Explorer(shape, TopAbs_EDGE, TopAbs_FACE).More()
                       || TopExp_Explorer(shape, TopAbs_VERTEX, TopAbs_EDGE).More();
    if (!loose)
        return shape;
    qCDebug(lcExport) << "  cut result: shapes outside its" << solids.size() << "solid(s) left out";
    return solids.size() == 1 ? solids.first() : StepExporter::compoundOf(solids);
}

// For each solid of shape, the first of tools that holds it wholly, or -1; empty when shape
// has no solid. Held as a boolean with the fuzzy value sees it: faces apart by no more than
// the fuzzy value and the shapes' tolerances are one face.
std::vector<int> holdingTools(const TopoDS_Shape& shape, const QList<TopoDS_Shape>& tools, double fuzzy)
{
    const QList<TopoDS_Shape> solids = StepExporter::solidsOf(shape);
    double toolTolerance = 0.0;
    for (const TopoDS_Shape& tool : tools)
        toolTolerance = std::max(toolTolerance, BRep_Tool::MaxTolerance(tool, TopAbs_VERTEX));
    const double tolerance =
        std::max(fuzzy, kZero) + BRep_Tool::MaxTolerance(shape, TopAbs_VERTEX) + toolTolerance;
    std::vector<ToolProbe> probes;
    std::vector<int> toolOfProbe;
    for (int t = 0; t < tools.size(); ++t) {
        for (const TopoDS_Shape& toolSolid : StepExporter::solidsOf(tools.at(t))) {
            probes.emplace_back(toolSolid, tolerance);
            toolOfProbe.push_back(t);
        }
    }
    std::vector<int> holders;
    for (const TopoDS_Shape& solid : solids) {
        PieceProbe piece(solid);
        int holder = -1;
        for (size_t k = 0; k < probes.size() && holder < 0; ++k)
            if (liesInside(piece, probes[k], tolerance))
                holder = toolOfProbe[k];
        holders.push_back(holder);
    }
    return holders;
}

// Every solid lies wholly inside a tool: a cut has nothing to leave of them.
bool allHeld(const std::vector<int>& holders)
{
    return !holders.empty() && std::all_of(holders.cbegin(), holders.cend(), [](int t) { return t >= 0; });
}

// What a fuzzy cut may lose beside what the tools take: material thinner than the fuzzy value
// between the part's faces and the tools' (a model's top a hundredth above a body's top) goes
// with them. At most the fuzzy value over the area of the part's faces near the tools.
double sliverAllowance(const TopoDS_Shape& part, const QList<TopoDS_Shape>& tools, double fuzzy)
{
    Bnd_Box near;
    for (const TopoDS_Shape& tool : tools)
        BRepBndLib::Add(tool, near, false);
    if (near.IsVoid())
        return 0.0;
    near.Enlarge(fuzzy);
    double area = 0.0;
    for (TopExp_Explorer it(part, TopAbs_FACE); it.More(); it.Next()) {
        Bnd_Box faceBox;
        BRepBndLib::Add(it.Current(), faceBox, false);
        if (near.IsOut(faceBox))
            continue;
        GProp_GProps props;
        BRepGProp::SurfaceProperties(it.Current(), props);
        area += std::abs(props.Mass());
    }
    return fuzzy * area;
}

// The tools that an edge of carved looser than above, or a vertex looser than twice that,
// touches: such an element hides what lies within its tolerance from every boolean (round pads
// overlapping by about the fuzzy value, cut against a neighbour's cavity, leave edges 0.15 mm or
// corners 0.07 mm loose over material kept). A vertex where edges each as loose as above meet
// comes as loose again, their ends that far apart: a fuzzy cut's corners come 0.026 mm loose
// after a cut at 0.01 mm with nothing left in any cavity.
QList<int> toolsNearLooseElements(const TopoDS_Shape& carved, const QList<TopoDS_Shape>& tools, double above)
{
    std::vector<Bnd_Box> looseBoxes;
    TopTools_IndexedMapOfShape elements;
    TopExp::MapShapes(carved, TopAbs_EDGE, elements);
    TopExp::MapShapes(carved, TopAbs_VERTEX, elements);
    for (int i = 1; i <= elements.Extent(); ++i) {
        const TopoDS_Shape& element = elements(i);
        const bool edge = element.ShapeType() == TopAbs_EDGE;
        const double tolerance =
            edge ? BRep_Tool::Tolerance(TopoDS::Edge(element)) : BRep_Tool::Tolerance(TopoDS::Vertex(element));
        if (tolerance <= (edge ? above : 2.0 * above))
            continue;
        Bnd_Box box;
        BRepBndLib::Add(element, box, false);
        looseBoxes.push_back(box);
    }
    QList<int> touched;
    for (int t = 0; t < tools.size() && !looseBoxes.empty(); ++t) {
        Bnd_Box toolBox;
        BRepBndLib::Add(tools.at(t), toolBox, false);
        if (std::any_of(looseBoxes.cbegin(), looseBoxes.cend(), [&](const Bnd_Box& box) { return !toolBox.IsOut(box); }))
            touched.append(t);
    }
    return touched;
}

// The solids of shape as a STEP file gives them back: the reader rebuilds each element's
// tolerance from the geometry written, where a fuzzy cut left it as wide as what it merged.
// Null when the round trip fails.
TopoDS_Shape readBackAsWritten(const TopoDS_Shape& shape)
{
    // The export's file may be written beside.
    const std::lock_guard<std::mutex> alone(OccUtils::stepTranslation());
    STEPControl_Writer writer;
    if (writer.Transfer(shape, STEPControl_AsIs) != IFSelect_RetDone)
        return {};
    const Handle(StepData_Protocol) protocol = Handle(StepData_Protocol)::DownCast(writer.WS()->Protocol());
    if (protocol.IsNull())
        return {};
    std::stringstream file;
    StepData_StepWriter out(writer.Model());
    out.SendModel(protocol);
    if (!out.Print(file))
        return {};
    STEPControl_Reader reader;
    if (reader.ReadStream("carved", file) != IFSelect_RetDone || reader.TransferRoots() == 0)
        return {};
    return reader.OneShape();
}

// The part's solids near the tools given by index, and those tools, each copied whole with its
// geometry: the round trip and its commons then read nothing that the check's booleans beside
// them read. The copies keep every tolerance, so the file written is the one the part makes.
struct WrittenWeighing
{
    QList<TopoDS_Shape> near;
    QList<TopoDS_Shape> tools;
    std::vector<Bnd_Box> toolBoxes;
};

WrittenWeighing writtenWeighing(const TopoDS_Shape& carved, const QList<TopoDS_Shape>& tools, const QList<int>& which)
{
    WrittenWeighing weighing;
    if (which.isEmpty())
        return weighing;
    for (const int t : which) {
        Bnd_Box box;
        BRepBndLib::Add(tools.at(t), box, false);
        weighing.toolBoxes.push_back(box);
        weighing.tools.append(BRepBuilderAPI_Copy(tools.at(t), true, false).Shape());
    }
    const std::vector<Bnd_Box>& boxes = weighing.toolBoxes;
    for (const TopoDS_Shape& solid : StepExporter::solidsOf(carved)) {
        Bnd_Box box;
        BRepBndLib::Add(solid, box, false);
        if (std::any_of(boxes.cbegin(), boxes.cend(), [&](const Bnd_Box& b) { return !b.IsOut(box); }))
            weighing.near.append(BRepBuilderAPI_Copy(solid, true, false).Shape());
    }
    return weighing;
}

// What each tool of weighing holds of its part as the part's file gives it back, the commons made
// with each solid apart (a part's solids may overlap); RealLast for every one when the part
// cannot be read back whole.
std::vector<double> heldAsWritten(const WrittenWeighing& weighing)
{
    std::vector<double> held(size_t(weighing.tools.size()), 0.0);
    if (weighing.tools.isEmpty())
        return held;
    const std::vector<Bnd_Box>& boxes = weighing.toolBoxes;
    const QList<TopoDS_Shape> back = StepExporter::solidsOf(readBackAsWritten(StepExporter::compoundOf(weighing.near)));
    if (back.size() != weighing.near.size()) {
        std::fill(held.begin(), held.end(), RealLast());
        return held;
    }
    for (size_t k = 0; k < held.size(); ++k) {
        for (const TopoDS_Shape& solid : back) {
            Bnd_Box box;
            BRepBndLib::Add(solid, box, false);
            if (boxes[k].IsOut(box))
                continue;
            TopTools_ListOfShape argument, tool;
            argument.Append(solid);
            tool.Append(weighing.tools.at(int(k)));
            BRepAlgoAPI_Common common;
            common.SetArguments(argument);
            common.SetTools(tool);
            common.SetRunParallel(false);
            common.SetNonDestructive(true);
            common.Build();
            if (!common.IsDone()) {
                held[k] = RealLast();
                break;
            }
            held[k] += StepExporter::volumeOf(common.Shape());
        }
    }
    return held;
}

std::mutex carvedValidityMutex;
StepExporter::CarvedValidity carvedValidityInPlace;

} // namespace

bool StepExporter::carvedPartValid(const TopoDS_Shape& carved)
{
    CarvedValidity check;
    {
        const std::lock_guard<std::mutex> lock(carvedValidityMutex);
        check = carvedValidityInPlace;
    }
    return check ? check(carved) : OccUtils::isValidShape(carved);
}

void StepExporter::setCarvedValidity(CarvedValidity check)
{
    const std::lock_guard<std::mutex> lock(carvedValidityMutex);
    carvedValidityInPlace = std::move(check);
}

QList<double> StepExporter::fuzzyLadder(double base, double feature)
{
    QList<double> rungs;
    const bool sized = feature > kZero;
    rungs.append(sized ? std::min(0.05 * feature, base) : base);
    const auto offer = [&rungs](double value) {
        if (value > 1.5 * rungs.last())
            rungs.append(value);
    };
    if (sized) {
        for (const double k : {0.05, 0.1, 0.2, 0.4})
            offer(std::min(0.5, k * feature));
    } else {
        for (const double value : {0.05, 0.1, 0.2, 0.5})
            offer(value);
    }
    return rungs;
}

OccUtils::BoolOpResult StepExporter::cutWithFuzzyLadder(const TopoDS_Shape& object, const TopoDS_Shape& tool,
                                                        const QList<double>& ladder, bool requireValid,
                                                        const OccUtils::BoolOpLabel& label, double healTolerance,
                                                        double* removedVolume, const Message_ProgressRange& progress)
{
    TopTools_ListOfShape tools;
    tools.Append(tool);
    OccUtils::detail::FuzzyLadder rungs(requireValid, label, healTolerance);
    std::map<double, double> removedAt;
    Message_ProgressScope scope(progress, nullptr, double(std::max<qsizetype>(ladder.size(), 1)));
    for (const double fuzzy : ladder) {
        const Message_ProgressRange rung = scope.Next();
        const CutAttempt attempt = OccUtils::guardedCall(CutAttempt(), label.text,
                                                         [&] { return cutOnce(object, tools, fuzzy, false, rung); });
        if (!scope.More()) {
            if (removedVolume)
                *removedVolume = 0.0;
            return {};
        }
        removedAt[fuzzy] = attempt.removed.empty() ? 0.0 : attempt.removed.front();
        // Healing would turn a solid the cut left inside out into material that was never there.
        const bool insideOut = !attempt.shape.IsNull() && !OccUtils::solidsHoldVolume(attempt.shape);
        if (insideOut)
            qCDebug(lcExport) << label.text << ": a solid of no volume or inside out (fuzzy=" << fuzzy << ")";
        if (rungs.offer(insideOut ? TopoDS_Shape() : attempt.shape, fuzzy))
            break;
    }
    const OccUtils::BoolOpResult result = rungs.result();
    if (removedVolume)
        *removedVolume = result.shape.IsNull() ? 0.0 : removedAt[result.fuzzyValue];
    return result;
}

TopoDS_Shape StepExporter::dropSolidsInsideTool(const TopoDS_Shape& shape, const TopoDS_Shape& tool,
                                                double tolerance, int& removed)
{
    removed = 0;
    int dropped = 0;
    const TopoDS_Shape cleaned = OccUtils::guardedCall(shape, "dropSolidsInsideTool", [&]() -> TopoDS_Shape {
        const QList<TopoDS_Shape> solids = solidsOf(shape);
        if (solids.size() < 2)
            return shape;
        const QList<TopoDS_Shape> toolSolids = solidsOf(tool);
        if (toolSolids.isEmpty())
            return shape;

        std::vector<PieceProbe> pieces;
        pieces.reserve(size_t(solids.size()));
        for (const TopoDS_Shape& solid : solids)
            pieces.emplace_back(solid);
        std::vector<bool> inside(size_t(solids.size()), false);
        for (const TopoDS_Shape& toolSolid : toolSolids) {
            ToolProbe probe(toolSolid, tolerance);
            for (size_t i = 0; i < pieces.size(); ++i) {
                if (!inside[i] && liesInside(pieces[i], probe, tolerance))
                    inside[i] = true;
            }
        }
        const int marked = int(std::count(inside.begin(), inside.end(), true));
        // Never empty the result: when everything would go, nothing goes.
        if (marked == 0 || marked == solids.size())
            return shape;

        QList<TopoDS_Shape> kept;
        for (int i = 0; i < solids.size(); ++i)
            if (!inside[size_t(i)])
                kept.append(solids.at(i));
        dropped = marked;
        return kept.size() == 1 ? kept.first() : compoundOf(kept);
    });
    removed = cleaned.IsSame(shape) ? 0 : dropped;
    return cleaned;
}

TopoDS_Shape StepExporter::subtractOne(const TopoDS_Shape& carved, const TopoDS_Shape& tool, double baseFuzzy,
                                       double feature, bool& validated, int& straySolidsRemoved,
                                       double* removedVolume, const Message_ProgressRange& progress)
{
    validated = true;
    if (removedVolume)
        *removedVolume = 0.0;
    if (carved.IsNull() || tool.IsNull())
        return carved;

    const double healTolerance = feature > kZero ? 0.1 * feature : 1.0;
    const QList<double> ladder = fuzzyLadder(baseFuzzy, feature);
    const OccUtils::BoolOpResult cut =
        cutWithFuzzyLadder(carved, tool, ladder, true, kSubtractLabel, healTolerance, removedVolume, progress);
    if (progress.UserBreak())
        return TopoDS_Shape();
    if (cut.shape.IsNull()) {
        // The boolean's empty answer reads as no usable shape; it is the answer when the tool
        // swallows all it was given (a separate small solid under a component).
        if (!allHeld(holdingTools(carved, {tool}, ladder.first())))
            return TopoDS_Shape();
        qCDebug(lcExport) << "  subtractOne: every solid given lies inside the volume — removed";
        if (removedVolume)
            *removedVolume = volumeOf(carved);
        return compoundOf({});
    }
    if (!cut.valid) {
        validated = false;
        qWarning() << "  subtractOne: no valid solid — falling back on a result not validated (cavity possibly "
                      "distorted)";
    }

    int removed = 0;
    const TopoDS_Shape cleaned =
        dropSolidsInsideTool(solidsAlone(cut.shape), tool, std::max(cut.fuzzyValue, kZero), removed);
    if (removed > 0) {
        straySolidsRemoved += removed;
        qWarning() << "  subtractOne:" << removed
                   << "solid(s) left INSIDE the carved volume — removed (the cavity was filled with the part's own "
                      "material)";
    }
    return cleaned;
}

QList<int> StepExporter::toolsHoldingMaterial(const TopoDS_Shape& carved, const QList<TopoDS_Shape>& tools,
                                              double fuzzy, const Message_ProgressRange& progress, bool* made,
                                              double looseAbove, const BooleanRefusal& refuses)
{
    return holdingOrEvery(int(tools.size()), "toolsHoldingMaterial", made, [&] {
        const QList<TopoDS_Shape> solids = solidsOf(carved);
        // Material a fuzzy cut may leave on a cavity's wall is a skin no thicker than its fuzzy
        // value: a tool shrunk by more than that shares nothing with a part cut right. A tool
        // that cannot be shrunk goes into the boolean whole and its skins are weighed instead.
        const double inset = 2.0 * fuzzy + 1e-4;
        const double skin = 1.5 * fuzzy + 1e-6;
        std::vector<TopoDS_Shape> probes;
        std::vector<bool> shrunk;
        std::vector<Bnd_Box> probeBoxes;
        std::vector<int> owner; // the tool of each probe
        Bnd_Box within;
        BRepBndLib::Add(carved, within, false);
        if (!within.IsVoid()) {
            double x0 = 0.0, y0 = 0.0, z0 = 0.0, x1 = 0.0, y1 = 0.0, z1 = 0.0;
            within.Get(x0, y0, z0, x1, y1, z1);
            within.SetVoid();
            if (x1 - x0 > 2.0 * inset && y1 - y0 > 2.0 * inset && z1 - z0 > 2.0 * inset)
                within.Update(x0 + inset, y0 + inset, z0 + inset, x1 - inset, y1 - inset, z1 - inset);
        }
        // The copies first, one step; then one step for each solid.
        Message_ProgressScope scope(progress, nullptr, double(solids.size() + 1));
        // Each tool's copies are made on their own, side by side, this thread reporting as each
        // ends. A failure in one fails the check.
        struct Copies
        {
            TopoDS_Shape inset, eroded;
            std::exception_ptr failure;
        };
        std::vector<Copies> copiesOf(size_t(tools.size()));
        Jobs::forEach(scope.Next(), "toolsHoldingMaterial: copies", size_t(tools.size()), [&](size_t t, const Jobs::Stop&) {
            Copies& copy = copiesOf[t];
            try {
                copy.inset = insetCopy(tools.at(int(t)), inset, within);
                // The offset may store curves in the edges it reads: on a copy of its own,
                // since tools may share them. A bent prism's eroded outline stands for its
                // tool as a convex tool's copy does, screened alike.
                bool asPrism = false;
                if (copy.inset.IsNull())
                    copy.eroded = offsetInward(BRepBuilderAPI_Copy(tools.at(int(t))).Shape(), inset, asPrism);
                if (asPrism)
                    std::swap(copy.inset, copy.eroded);
            } catch (...) {
                copy.failure = std::current_exception();
            }
        });
        if (!scope.More())
            return QList<int>();
        for (int t = 0; t < tools.size(); ++t) {
            const Copies& copy = copiesOf[size_t(t)];
            if (copy.failure)
                std::rethrow_exception(copy.failure);
            const auto add = [&](const TopoDS_Shape& probe, bool isShrunk) {
                owner.push_back(t);
                shrunk.push_back(isShrunk);
                probes.push_back(probe);
                Bnd_Box box;
                BRepBndLib::Add(probe, box, false);
                box.Enlarge(isShrunk ? kZero : 2.0 * fuzzy + 1e-4);
                probeBoxes.push_back(box);
            };
            if (!copy.inset.IsNull()) {
                add(copy.inset, true);
                continue;
            }
            add(tools.at(t), false);
            // A slab joined to skins on tall walls is one piece as thin on average as a skin:
            // a copy offset inward finds it. Booleans with faces a hair apart can miss what
            // lies between them, so the whole tool stays in the check as well.
            if (!copy.eroded.IsNull())
                add(copy.eroded, true);
        }
        // What each probe holds, per probe of a group: credits[k] for near.at(k).
        using Credits = std::vector<double>;
        // Whether the caller stands for the booleans weighing these probes as refused.
        const auto refusedFor = [&](const QList<int>& near) {
            if (!refuses)
                return false;
            QList<int> weighed;
            for (const int t : near)
                weighed.append(owner[size_t(t)]);
            return refuses(weighed);
        };
        // A boolean without a fuzzy value: its split holds each piece of material left inside a
        // tool as a piece of both.
        const auto boolean = [&](const TopoDS_Shape& solid, const std::vector<TopoDS_Shape>& shapes,
                                 const QList<int>& near, const Message_ProgressRange& range,
                                 Credits& credits) {
            TopTools_ListOfShape arguments, toolList;
            arguments.Append(solid);
            for (const int k : near)
                toolList.Append(shapes[size_t(k)]);
            BRepAlgoAPI_Common op;
            op.SetArguments(arguments);
            op.SetTools(toolList);
            op.SetRunParallel(false);
            op.SetNonDestructive(true);
            Message_ProgressScope steps(range, nullptr, 10.0);
            op.Build(steps.Next(9.0));
            if (!op.IsDone())
                return false;
            if (refusedFor(near))
                return false;
            const bool asShrunk = shrunk[size_t(near.first())];
            const std::vector<double> volumes =
                creditedVolumes(*op.Builder(), solid, toolList, asShrunk ? -1.0 : skin, asShrunk, steps.Next());
            for (size_t k = 0; k < volumes.size(); ++k)
                credits[size_t(near.at(int(k)))] += volumes[k];
            return true;
        };
        // Shrunk copies that the solid provably leaves alone need no boolean; the boolean
        // weighs what reaches into the others, and all of them when the screen is refused.
        // Indices are into shapes, the group's probes.
        const auto common = [&](const TopoDS_Shape& solid, const std::vector<TopoDS_Shape>& shapes,
                                const QList<int>& near, const Message_ProgressRange& range, Credits& credits) {
            if (!shrunk[size_t(near.first())])
                return boolean(solid, shapes, near, range, credits);
            Message_ProgressScope steps(range, nullptr, 2.0);
            std::vector<TopoDS_Shape> copies;
            for (const int k : near)
                copies.push_back(shapes[size_t(k)]);
            // The screen's intersection is a boolean too.
            const std::optional<std::vector<bool>> clear =
                refusedFor(near) ? std::nullopt : copiesClear(solid, copies, steps.Next());
            if (!steps.More())
                return true;
            if (!clear)
                return boolean(solid, shapes, near, steps.Next(), credits);
            QList<int> left;
            for (size_t k = 0; k < clear->size(); ++k)
                if (!(*clear)[k])
                    left.append(near.at(int(k)));
            return left.isEmpty() || boolean(solid, shapes, left, steps.Next(), credits);
        };
        // A group of probes against one solid, a boolean of its own.
        struct Group
        {
            int solid = 0;
            QList<int> members; // probes
        };
        std::vector<Group> groups;
        for (int s = 0; s < solids.size(); ++s) {
            Bnd_Box solidBox;
            BRepBndLib::Add(solids.at(s), solidBox, false);
            QList<int> near; // probes
            for (int p = 0; p < int(probes.size()); ++p)
                if (!probeBoxes[size_t(p)].IsVoid() && !solidBox.IsOut(probeBoxes[size_t(p)]))
                    near.append(p);
            // Whole tools that overlap one another go to separate booleans: their coincident
            // faces are what a split gets wrong. Shrunk copies share no face with anything: all
            // of them go into one boolean, since each boolean rebuilds the whole solid.
            std::vector<QList<int>> apart;
            for (const int t : std::as_const(near)) {
                auto group = std::find_if(apart.begin(), apart.end(), [&](const QList<int>& members) {
                    return shrunk[size_t(members.first())] == shrunk[size_t(t)]
                           && (shrunk[size_t(t)]
                               || std::all_of(members.cbegin(), members.cend(), [&](int m) {
                                      return probeBoxes[size_t(m)].IsOut(probeBoxes[size_t(t)]);
                                  }));
                });
                if (group == apart.end())
                    apart.push_back({t});
                else
                    group->append(t);
            }
            for (const QList<int>& members : apart)
                groups.push_back({s, members});
        }
        // What a loose edge or corner hides, the booleans below cannot see: its tools are weighed
        // against the part as its file gives it back, on copies of their own, beside the
        // booleans (the round trip costs as much as they do on a part with many solids).
        const QList<int> loose = toolsNearLooseElements(carved, tools, looseAbove < 0.0 ? inset : looseAbove);
        Jobs::Job<std::vector<double>> written("toolsHoldingMaterial: as written", Jobs::Reads::Owned,
                                               [weighing = writtenWeighing(carved, tools, loose)](const Jobs::Stop&) {
                                                   return heldAsWritten(weighing);
                                               });
        // The groups run in turn, for the bar's sake as the copies above.
        Message_ProgressScope checks(scope.Next(double(solids.size())), nullptr,
                                     double(std::max<size_t>(groups.size(), 1)));
        std::vector<Message_ProgressRange> ranges;
        for (size_t g = 0; g < groups.size(); ++g)
            ranges.push_back(checks.Next());
        std::vector<Credits> credits(groups.size());
        std::vector<std::exception_ptr> failures(groups.size());
        for (int g = 0; g < int(groups.size()); ++g) {
            const Group& group = groups[size_t(g)];
            Message_ProgressRange& range = ranges[size_t(g)];
            if (range.UserBreak())
                break;
            try {
                const TopoDS_Shape& solid = solids.at(group.solid);
                std::vector<TopoDS_Shape> shapes;
                QList<int> members;
                for (const int p : group.members) {
                    members.append(int(shapes.size()));
                    shapes.push_back(probes[size_t(p)]);
                }
                Credits& held = credits[size_t(g)];
                held.assign(shapes.size(), 0.0);
                Message_ProgressScope steps(range, nullptr, 1.0);
                const bool done = common(solid, shapes, members, steps.Next(), held);
                // Refused for all: each tool on its own; one refused alone is not known to be cut.
                for (int k = 0; !done && steps.More() && k < members.size(); ++k) {
                    Credits alone(shapes.size(), 0.0);
                    held[size_t(k)] = common(solid, shapes, {k}, Message_ProgressRange(), alone) ? alone[size_t(k)]
                                                                                                  : RealLast();
                }
            } catch (...) {
                failures[size_t(g)] = std::current_exception();
            }
            range.Close();
        }
        Jobs::Result<std::vector<double>> writtenResult = written.wait(checks);
        if (!checks.More() || writtenResult.outcome == Jobs::Outcome::Cancelled)
            return QList<int>();
        const std::vector<double> writtenHeld = writtenResult.take();
        std::vector<double> held(size_t(tools.size()), 0.0);
        for (size_t g = 0; g < groups.size(); ++g) {
            if (failures[g])
                std::rethrow_exception(failures[g]);
            for (int k = 0; k < groups[g].members.size(); ++k)
                held[size_t(owner[size_t(groups[g].members.at(k))])] += credits[g][size_t(k)];
        }
        // Not known to be cut when the part cannot be read back.
        for (int k = 0; k < loose.size(); ++k)
            held[size_t(loose.at(k))] = std::max(held[size_t(loose.at(k))], writtenHeld[size_t(k)]);
        // Crumbs below the cut's own volume tolerance are what the modelling tolerance leaves
        // where loose corners meet a copy: the written part holds them no more than it holds
        // nothing.
        QList<int> holding;
        for (int t = 0; t < tools.size(); ++t)
            if (held[size_t(t)] > kHeldVolume)
                holding.append(t);
        return holding;
    });
}

StepExporter::OneCutResult StepExporter::cutAllAtOnce(const TopoDS_Shape& part, const QList<TopoDS_Shape>& tools,
                                                      double fuzzy, bool parallel, const Message_ProgressRange& progress,
                                                      bool mayGo, bool checkValidity)
{
    OneCutResult result;
    if (part.IsNull() || tools.isEmpty())
        return result;
    return OccUtils::guardedCall(OneCutResult(), "cutAllAtOnce", [&]() -> OneCutResult {
        // The cut, then its checks, each long on a big part: a report after each. A step that
        // reports only at its end is a small share, so that the bar does not leap.
        Message_ProgressScope scope(progress, nullptr, checkValidity ? 10.0 : 9.0);
        double toolVolume = 0.0;
        for (const TopoDS_Shape& tool : tools)
            toolVolume += volumeOf(tool);
        const std::vector<std::vector<int>> rounds = roundsApart(tools, fuzzy);
        CutAttempt cut{part, std::vector<double>(size_t(tools.size()), 0.0)};
        Message_ProgressScope cuts(scope.Next(8.0), nullptr, double(rounds.size()));
        for (const std::vector<int>& round : rounds) {
            TopTools_ListOfShape toolList;
            for (const int t : round)
                toolList.Append(tools.at(t));
            const CutAttempt attempt = cutOnce(cut.shape, toolList, fuzzy, parallel, cuts.Next());
            cut.shape = attempt.shape;
            if (!OccUtils::hasUsableBounds(cut.shape))
                break;
            for (size_t k = 0; k < round.size(); ++k)
                cut.removed[size_t(round[k])] = attempt.removed.at(k);
        }
        if (!scope.More())
            return result;
        if (!OccUtils::hasUsableBounds(cut.shape)) {
            // The boolean's empty answer, when the tools swallow all it was given: a solid of a
            // part standing above its top (a model on a board) under a component's body.
            if (mayGo && !cut.shape.IsNull() && solidsOf(cut.shape).isEmpty()) {
                const std::vector<int> holders = holdingTools(part, tools, fuzzy);
                if (allHeld(holders)) {
                    const QList<TopoDS_Shape> solids = solidsOf(part);
                    result.removedVolumes = QList<double>(tools.size(), 0.0);
                    for (size_t i = 0; i < holders.size(); ++i)
                        result.removedVolumes[holders[i]] += volumeOf(solids.at(int(i)));
                    result.shape = compoundOf({});
                    qCDebug(lcExport) << "cutAllAtOnce: every solid given lies inside the volumes — removed";
                    return result;
                }
            }
            qCDebug(lcExport) << "cutAllAtOnce: no usable shape (fuzzy=" << fuzzy << ")";
            return result;
        }
        // The check of a big carved part is long and reports nothing.
        const TopoDS_Shape carved = cut.shape;
        if (checkValidity
            && !Jobs::succeeded(scope.Next(), "cutAllAtOnce", Jobs::Reads::Owned,
                                [carved](const Jobs::Stop&) { return carvedPartValid(carved); })) {
            qCDebug(lcExport) << "cutAllAtOnce: invalid result (fuzzy=" << fuzzy << ")";
            return result;
        }
        if (!scope.More())
            return result;

        // The part must lose exactly what it shares with the tools, and never more than the
        // tools hold: a broken cut keeps or loses whole regions. What it shares is read off
        // the split the cut itself made, so no second boolean is needed.
        const double partVolume = volumeOf(part);
        const double carvedVolume = volumeOf(cut.shape);
        scope.Next(0.5);
        if (!scope.More())
            return result;
        double removedVolume = 0.0;
        for (const double removed : cut.removed)
            removedVolume += removed;
        const double tolerance = 1e-4 * partVolume + 1e-3;
        const double lost = partVolume - carvedVolume - removedVolume;
        // A cut that empties the part is broken; a solid smaller than the tolerance (a detail of
        // a board's model) is not emptied while it keeps more than half of itself.
        const bool bounded =
            removedVolume <= toolVolume + tolerance && carvedVolume > std::min(tolerance, 0.5 * partVolume);
        const bool consistent = bounded && (std::abs(lost) <= tolerance
                                            || (lost > 0.0 && lost <= tolerance + sliverAllowance(part, tools, fuzzy)));
        if (!consistent) {
            qCDebug(lcExport) << "cutAllAtOnce: volumes disagree: part" << partVolume << "carved" << carvedVolume
                              << "removed" << removedVolume << "(fuzzy=" << fuzzy << ")";
            return result;
        }

        int removed = 0;
        result.shape = dropSolidsInsideTool(solidsAlone(cut.shape), compoundOf(tools), std::max(fuzzy, kZero), removed);
        result.straySolidsRemoved = removed;
        result.removedVolumes = QList<double>(cut.removed.cbegin(), cut.removed.cend());
        scope.Next(0.5);
        return result;
    });
}

TopoDS_Shape StepExporter::compoundOf(const QList<TopoDS_Shape>& shapes)
{
    return OccUtils::compoundOf(shapes);
}
