// The screen of the one rule: probes eroded inside the volumes that provably share nothing with
// a carved solid, found from the intersection and a point's parity alone, with no boolean's
// split built.
#include "outputs/carving_p.h"

#include <BOPAlgo_PaveFiller.hxx>
#include <BOPDS_DS.hxx>
#include <BRep_Builder.hxx>
#include <NCollection_DataMap.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS_Compound.hxx>
#include <BRepTopAdaptor_FClass2d.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <GeomAdaptor_Curve.hxx>
#include <Geom_Line.hxx>
#include <IntCurveSurface_HInter.hxx>
#include <IntCurveSurface_IntersectionPoint.hxx>
#include <TopTools_ListOfShape.hxx>
#include <gp_Lin.hxx>
#include <BRepBndLib.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <cmath>

namespace Carving::detail {

namespace {

// A hit nearer than this to another, or to the ray's start, may be an edge or the start itself.
constexpr double kNear = 1e-6;

} // namespace

// The surface met without its bounds, each hit then placed on the face by a classifier built
// once: the face intersector builds one for every hit, walking every wire of a face pierced by
// hundreds of cavities.
struct RayParity::Face
{
    TopoDS_Face face;
    Bnd_Box box;
    Handle(BRepAdaptor_Surface) surface; // built for the faces a ray meets
    std::unique_ptr<BRepTopAdaptor_FClass2d> bounds;
};

RayParity::RayParity(const TopoDS_Shape& solid)
{
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        Face face{TopoDS::Face(it.Current()), Bnd_Box(), nullptr, nullptr};
        BRepBndLib::Add(face.face, face.box, false);
        face.box.Enlarge(kNear);
        box.Add(face.box);
        faces.push_back(std::move(face));
    }
    if (!box.IsVoid())
        reach = std::sqrt(box.SquareExtent());
}

RayParity::~RayParity() = default;

namespace {

// Away from the axes and from one another: few parts have faces or edges along them.
const gp_Dir kRays[] = {gp_Dir(0.1283, 0.2057, -0.9702), gp_Dir(-0.3301, 0.1733, 0.9279),
                        gp_Dir(0.7114, -0.4432, 0.5453), gp_Dir(-0.6121, -0.7036, -0.3609)};

} // namespace

std::optional<bool> RayParity::inside(const gp_Pnt& point)
{
    if (box.IsVoid())
        return std::nullopt;
    if (box.IsOut(point))
        return false;
    std::optional<bool> verdict;
    for (int ray = 0; ray < int(std::size(kRays)); ++ray) {
        const std::optional<bool> one = along(point, ray);
        if (!one)
            continue;
        if (verdict)
            return *verdict == *one ? verdict : std::nullopt;
        verdict = one;
    }
    return std::nullopt;
}

std::optional<bool> RayParity::along(const gp_Pnt& point, int ray)
{
    const gp_Lin line(point, kRays[ray]);
    const Handle(Adaptor3d_Curve) curve =
        new GeomAdaptor_Curve(new Geom_Line(line), -kNear, reach + point.Distance(box.CornerMin()) + 1.0);
    std::vector<double> hits;
    for (Face& face : faces) {
        if (!face.box.IsVoid() && face.box.IsOut(line))
            continue;
        if (face.surface.IsNull()) {
            face.surface = new BRepAdaptor_Surface(face.face);
            face.bounds = std::make_unique<BRepTopAdaptor_FClass2d>(face.face, kNear);
        }
        IntCurveSurface_HInter hit;
        hit.Perform(curve, face.surface);
        if (!hit.IsDone() || hit.NbSegments() > 0)
            return std::nullopt;
        for (int i = 1; i <= hit.NbPoints(); ++i) {
            const IntCurveSurface_IntersectionPoint& at = hit.Point(i);
            const TopAbs_State on = face.bounds->Perform(gp_Pnt2d(at.U(), at.V()));
            if (on == TopAbs_OUT)
                continue;
            if (on != TopAbs_IN || at.W() < kNear || at.Transition() == IntCurveSurface_Tangent)
                return std::nullopt;
            hits.push_back(at.W());
        }
    }
    std::sort(hits.begin(), hits.end());
    for (size_t k = 1; k < hits.size(); ++k)
        if (hits[k] - hits[k - 1] < kNear)
            return std::nullopt;
    return hits.size() % 2 == 1;
}

void markTouched(Touching a, Touching b, std::vector<bool>& touched)
{
    if (a.rank < 0 || b.rank < 0) {
        std::fill(touched.begin(), touched.end(), true);
        return;
    }
    if (a.rank == b.rank)
        return; // within the solid, or between probes
    const std::vector<int>* owners = a.rank == 1 ? a.owners : b.owners;
    if (!owners)
        std::fill(touched.begin(), touched.end(), true);
    for (size_t k = 0; owners && k < owners->size(); ++k)
        touched[size_t((*owners)[k])] = true;
}

std::optional<std::vector<bool>> probesClear(const TopoDS_Shape& solid, const std::vector<TopoDS_Shape>& probes,
                                             const Message_ProgressRange& progress)
{
    // The probes as one argument: the intersection then never weighs one probe against another
    // (a pad's inside its body's), only against the solid.
    TopoDS_Compound together;
    BRep_Builder builder;
    builder.MakeCompound(together);
    NCollection_DataMap<TopoDS_Shape, std::vector<int>, TopTools_ShapeMapHasher> ownersOf;
    for (size_t k = 0; k < probes.size(); ++k) {
        builder.Add(together, probes[k]);
        TopTools_IndexedMapOfShape parts;
        TopExp::MapShapes(probes[k], parts);
        for (int i = 1; i <= parts.Extent(); ++i) {
            if (!ownersOf.IsBound(parts(i)))
                ownersOf.Bind(parts(i), {});
            ownersOf.ChangeFind(parts(i)).push_back(int(k));
        }
    }
    // The solid's faces near the probes alone: the intersection then builds nothing for the rest
    // of a big part, which a screen of the probes of one stretch of it never meets.
    Bnd_Box near;
    BRepBndLib::Add(together, near, false);
    near.Enlarge(1e-3);
    // Of those, the faces told apart in plan from every prism of a probe near them (a long
    // track's cavity walls, parallel to its probe's sides) go no further: the intersection of
    // each with the probe costs about what a cut of it does.
    std::vector<std::shared_ptr<const PlanPrism>> prisms;
    for (const TopoDS_Shape& probe : probes)
        for (TopExp_Explorer it(probe, TopAbs_SOLID); it.More(); it.Next())
            prisms.push_back(planPrismOf(it.Current()));
    TopoDS_Compound nearFaces;
    builder.MakeCompound(nearFaces);
    bool anyNear = false;
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next()) {
        Bnd_Box box;
        BRepBndLib::Add(it.Current(), box, false);
        if (box.IsOut(near))
            continue;
        const PlanFace face = planFaceOf(TopoDS::Face(it.Current()), box);
        const bool apart = std::all_of(prisms.cbegin(), prisms.cend(), [&](const std::shared_ptr<const PlanPrism>& prism) {
            return prism && apartInPlan(face, *prism);
        });
        if (apart)
            continue;
        builder.Add(nearFaces, it.Current());
        anyNear = true;
    }
    std::vector<bool> touched(probes.size(), false);
    if (anyNear) {
        TopTools_ListOfShape arguments;
        arguments.Append(nearFaces);
        arguments.Append(together);
        BOPAlgo_PaveFiller filler;
        filler.SetArguments(arguments);
        filler.SetRunParallel(false);
        filler.SetNonDestructive(true);
        filler.Perform(progress);
        if (filler.HasErrors() || progress.UserBreak())
            return std::nullopt;
        // Touched: a sub-shape of the solid meets one of a probe's.
        BOPDS_DS& data = *filler.PDS();
        const auto side = [&](int index) { return Touching{data.Rank(index), ownersOf.Seek(data.Shape(index))}; };
        const auto mark = [&](const BOPDS_Interf& interference) {
            int first = 0, second = 0;
            interference.Indices(first, second);
            markTouched(side(first), side(second), touched);
        };
        const auto markAll = [&](const auto& interferences) {
            for (int i = 0; i < interferences.Length(); ++i)
                mark(interferences(i));
        };
        markAll(data.InterfVV());
        markAll(data.InterfVE());
        markAll(data.InterfVF());
        markAll(data.InterfEE());
        markAll(data.InterfEF());
        // Two faces' surfaces may cross only where neither face is: the section edges and points
        // kept on both are touches.
        const BOPDS_VectorOfInterfFF& faces = data.InterfFF();
        for (int i = 0; i < faces.Length(); ++i) {
            const BOPDS_VectorOfCurve& curves = faces(i).Curves();
            bool kept = !faces(i).Points().IsEmpty();
            for (int c = 0; c < curves.Length() && !kept; ++c)
                kept = !curves(c).PaveBlocks().IsEmpty();
            if (kept)
                mark(faces(i));
        }
    }

    // Meeting nothing, a probe lies wholly inside the solid or outside it, and the solid wholly
    // inside the probe or outside it: one point of each tells.
    const auto firstVertex = [](const TopoDS_Shape& shape) -> std::optional<gp_Pnt> {
        TopExp_Explorer it(shape, TopAbs_VERTEX);
        if (!it.More())
            return std::nullopt;
        return BRep_Tool::Pnt(TopoDS::Vertex(it.Current()));
    };
    // Each solid of the argument (a cut leaves pieces) may lie within a probe.
    struct Piece
    {
        Bnd_Box box;
        gp_Pnt point;
    };
    std::vector<Piece> pieces;
    for (TopExp_Explorer it(solid, TopAbs_SOLID); it.More(); it.Next()) {
        const std::optional<gp_Pnt> point = firstVertex(it.Current());
        if (!point)
            return std::nullopt;
        Piece piece{Bnd_Box(), *point};
        BRepBndLib::Add(it.Current(), piece.box, false);
        pieces.push_back(piece);
    }
    if (pieces.empty())
        return std::nullopt;
    std::unique_ptr<RayParity> rays;
    std::vector<bool> clear(probes.size(), false);
    // Each solid of a probe (its tiles, or the pieces of a volume of several solids) on its own:
    // one of them may lie wholly inside the solid while the others lie outside.
    const auto solidClear = [&](const TopoDS_Shape& probe) {
        const std::optional<gp_Pnt> probePoint = firstVertex(probe);
        if (!probePoint)
            return false;
        if (!rays)
            rays = std::make_unique<RayParity>(solid);
        if (rays->inside(*probePoint) != std::optional<bool>(false))
            return false;
        Bnd_Box probeBox;
        BRepBndLib::Add(probe, probeBox, false);
        return std::none_of(pieces.cbegin(), pieces.cend(), [&](const Piece& piece) {
            if (piece.box.IsVoid() || probeBox.IsOut(piece.box.CornerMin()) || probeBox.IsOut(piece.box.CornerMax()))
                return false;
            BRepClass3d_SolidClassifier inProbe(probe, piece.point, 1e-7);
            return inProbe.State() != TopAbs_OUT;
        });
    };
    for (size_t k = 0; k < probes.size(); ++k) {
        if (touched[k])
            continue;
        bool all = true, any = false;
        for (TopExp_Explorer it(probes[k], TopAbs_SOLID); it.More() && all; it.Next()) {
            any = true;
            all = solidClear(it.Current());
        }
        clear[k] = any ? all : solidClear(probes[k]);
    }
    return clear;
}


} // namespace Carving::detail
