#include "foundation/sewnsolids.h"
#include "foundation/meshwinding.h"
#include "foundation/shellnesting.h"

#include <BOPTools_AlgoTools3D.hxx>
#include <BRepAdaptor_Curve.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRepLib.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Message_ProgressScope.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <IntTools_Context.hxx>
#include <Precision.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>
#include <gp_Pnt2d.hxx>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Faces lying on one another cancel out: what is left of their volume is rounding, which
// grows with the cube of the shell's size.
bool enclosesNoVolume(double volume, const Bnd_Box& box)
{
    const double size = box.IsVoid() ? 0.0 : std::sqrt(box.SquareExtent());
    return std::abs(volume) <= std::max(1e-7, 1e-12 * size * size * size);
}

// Points tried per shell, of each kind: the classifier walks the whole container for each.
constexpr int kPointsTried = 16;

// Points of a shell: its vertices, the middles of its edges and faces, a sample of each on a
// large shell. The middles catch a shell whose corners all lie inside a hollowed container
// while its sides cross the hollow.
std::vector<gp_Pnt> pointsOf(const TopoDS_Shape& shell)
{
    std::vector<gp_Pnt> points;
    TopTools_IndexedMapOfShape vertices, edges, faces;
    TopExp::MapShapes(shell, TopAbs_VERTEX, vertices);
    TopExp::MapShapes(shell, TopAbs_EDGE, edges);
    TopExp::MapShapes(shell, TopAbs_FACE, faces);
    for (int i = 1; i <= vertices.Extent(); i += std::max(1, vertices.Extent() / kPointsTried))
        points.push_back(BRep_Tool::Pnt(TopoDS::Vertex(vertices(i))));
    for (int i = 1; i <= edges.Extent(); i += std::max(1, edges.Extent() / kPointsTried)) {
        if (BRep_Tool::Degenerated(TopoDS::Edge(edges(i))))
            continue;
        const BRepAdaptor_Curve curve(TopoDS::Edge(edges(i)));
        points.push_back(curve.Value(0.5 * (curve.FirstParameter() + curve.LastParameter())));
    }
    const Handle(IntTools_Context) context = new IntTools_Context;
    for (int i = 1; i <= faces.Extent(); i += std::max(1, faces.Extent() / kPointsTried)) {
        const TopoDS_Face& face = TopoDS::Face(faces(i));
        gp_Pnt2d uv;
        if (BOPTools_AlgoTools3D::PointInFace(face, points.emplace_back(), uv, context) != 0)
            points.pop_back();
    }
    return points;
}

// Where a shell lies against a larger one, by its points: all inside, inside; any on the
// other's boundary, or some in and some out, the two meet.
class ShellInside
{
public:
    explicit ShellInside(const std::vector<TopoDS_Solid>& solids) : m_solids(solids) {}

    ShellPlace operator()(int container, int shell)
    {
        if (container != m_container) {
            m_classifier = std::make_unique<BRepClass3d_SolidClassifier>(m_solids[std::size_t(container)]);
            m_container = container;
        }
        bool in = false, out = false;
        for (const gp_Pnt& point : pointsOf(m_solids[std::size_t(shell)])) {
            m_classifier->Perform(point, Precision::Confusion());
            const TopAbs_State state = m_classifier->State();
            in = in || state == TopAbs_IN;
            out = out || state == TopAbs_OUT;
            if ((in && out) || (state != TopAbs_IN && state != TopAbs_OUT))
                return ShellPlace::Meets;
        }
        return in ? ShellPlace::Inside : ShellPlace::Apart;
    }

private:
    const std::vector<TopoDS_Solid>& m_solids;
    std::unique_ptr<BRepClass3d_SolidClassifier> m_classifier;
    int m_container = -1;
};

// The sewn shells, and a face left alone that closes on itself (a sphere) as a shell of its own.
std::vector<TopoDS_Shell> shellsOf(const TopoDS_Shape& sewn)
{
    std::vector<TopoDS_Shell> shells;
    for (TopExp_Explorer ex(sewn, TopAbs_SHELL); ex.More(); ex.Next())
        shells.push_back(TopoDS::Shell(ex.Current()));
    BRep_Builder builder;
    for (TopExp_Explorer ex(sewn, TopAbs_FACE, TopAbs_SHELL); ex.More(); ex.Next()) {
        TopoDS_Shell shell;
        builder.MakeShell(shell);
        builder.Add(shell, ex.Current());
        if (BRep_Tool::IsClosed(shell)) {
            shell.Closed(true);
            shells.push_back(shell);
        }
    }
    return shells;
}

} // namespace

SewnSolids solidsOfShells(const TopoDS_Shape& sewn, const Message_ProgressRange& progress)
{
    SewnSolids result;
    Message_ProgressScope stage(progress, nullptr, 1.0);
    std::vector<TopoDS_Solid> open;        // kept as they are, enclosing nothing for sure
    std::vector<TopoDS_Solid> closed;      // turned outward
    std::vector<ShellExtent> extents;
    for (const TopoDS_Shell& shell : shellsOf(sewn)) {
        if (stage.UserBreak())
            return result;
        try {
            BRepBuilderAPI_MakeSolid makeSolid(shell);
            if (!makeSolid.IsDone())
                continue;
            TopoDS_Solid solid = makeSolid.Solid();
            if (solid.IsNull())
                continue;
            if (!BRep_Tool::IsClosed(shell)) {
                BRepLib::OrientClosedSolid(solid);
                open.push_back(solid);
                continue;
            }
            ShellExtent extent;
            BRepBndLib::Add(solid, extent.box);
            GProp_GProps props;
            BRepGProp::VolumeProperties(solid, props);
            if (enclosesNoVolume(props.Mass(), extent.box)) {
                ++result.flatShellCount;
                continue;
            }
            BRepLib::OrientClosedSolid(solid);
            extent.volume = std::abs(props.Mass());
            extent.turn = Winding::turnOf(props.Mass() < 0.0);
            closed.push_back(solid);
            extents.push_back(extent);
        } catch (...) {
            // A shell that cannot become a solid stays out of the solids.
        }
    }

    // Shells inside one another, read as a slicer reads the same faces.
    ShellRoles roles;
    roles.owners.assign(closed.size(), kOwnSolid);
    if (stage.UserBreak())
        return result;
    try {
        ShellInside inside(closed);
        roles = shellRoles(extents, std::ref(inside));
    } catch (...) {
        // Unclassified, every shell stays a solid of its own.
    }
    std::vector<TopoDS_Solid> solids;
    if (roles.meet) {
        std::vector<int> turns;
        for (const ShellExtent& extent : extents)
            turns.push_back(extent.turn);
        const UnitedShells united = unitedByWinding(closed, turns, 0.0, stage.Next());
        if (united.status != UnitedShells::Done) {
            result.uncombined = true;
            result.facePairs = united.status == UnitedShells::TooLarge ? united.facePairs : 0;
            return result;
        }
        result.bothSigns = united.bothSigns;
        for (TopExp_Explorer ex(united.shape, TopAbs_SOLID); ex.More(); ex.Next())
            solids.push_back(TopoDS::Solid(ex.Current()));
    } else {
        result.bothSigns = roles.bothSigns;
        std::vector<TopoDS_Shell> outward;
        for (const TopoDS_Solid& solid : closed)
            outward.push_back(TopoDS::Shell(TopoDS_Iterator(solid).Value()));
        solids = solidsWithVoids(outward, roles.owners);
    }
    solids.insert(solids.end(), open.begin(), open.end());
    result.solidCount = int(solids.size());
    result.shape = solidOrCompound(solids);
    return result;
}

double sewingToleranceFor(const Bnd_Box& box)
{
    if (box.IsVoid())
        return 0.001;
    const double t = std::sqrt(box.SquareExtent()) * 0.0001;
    if (t < 0.0001)
        return 0.0001;
    return std::min(t, 1.0);
}
