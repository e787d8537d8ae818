#include "foundation/sewnsolids.h"
#include "foundation/shellnesting.h"

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
#include <Precision.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>

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

// A shell lies inside another when its first vertex off the other's boundary does; one lying
// wholly on it (the same shell twice) does not.
class ShellInside
{
public:
    explicit ShellInside(const std::vector<TopoDS_Solid>& solids) : m_solids(solids) {}

    bool operator()(int container, int shell)
    {
        if (container != m_container) {
            m_classifier = std::make_unique<BRepClass3d_SolidClassifier>(m_solids[std::size_t(container)]);
            m_container = container;
        }
        for (TopExp_Explorer ex(m_solids[std::size_t(shell)], TopAbs_VERTEX); ex.More(); ex.Next()) {
            m_classifier->Perform(BRep_Tool::Pnt(TopoDS::Vertex(ex.Current())), Precision::Confusion());
            if (m_classifier->State() == TopAbs_IN)
                return true;
            if (m_classifier->State() == TopAbs_OUT)
                return false;
        }
        return false;
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
            closed.push_back(solid);
            extents.push_back(extent);
        } catch (...) {
            // A shell that cannot become a solid stays out of the solids.
        }
    }

    // A closed shell inside another bounds its void, as a slicer reads the same faces.
    std::vector<int> owners(closed.size(), -1);
    if (stage.UserBreak())
        return result;
    try {
        ShellInside inside(closed);
        owners = voidOwners(extents, std::ref(inside));
    } catch (...) {
        // Unclassified, every shell stays a solid of its own.
    }
    std::vector<TopoDS_Shell> outward;
    for (const TopoDS_Solid& solid : closed)
        outward.push_back(TopoDS::Shell(TopoDS_Iterator(solid).Value()));
    std::vector<TopoDS_Solid> solids = solidsWithVoids(outward, owners);
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
