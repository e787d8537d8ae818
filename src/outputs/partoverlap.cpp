#include "outputs/partoverlap.h"

#include "foundation/occutils.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepBndLib.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double kSharedVolume = 1e-7; // mm³
constexpr double kPointTolerance = 1e-6;

std::vector<gp_Pnt> verticesOf(const TopoDS_Shape& shape)
{
    TopTools_IndexedMapOfShape vertices;
    TopExp::MapShapes(shape, TopAbs_VERTEX, vertices);
    std::vector<gp_Pnt> points;
    points.reserve(size_t(vertices.Extent()));
    for (int i = 1; i <= vertices.Extent(); ++i)
        points.push_back(BRep_Tool::Pnt(TopoDS::Vertex(vertices(i))));
    return points;
}

double commonVolume(const TopoDS_Shape& shape, const TopTools_ListOfShape& solids, bool& done,
                    const Message_ProgressRange& progress)
{
    BRepAlgoAPI_Common common;
    TopTools_ListOfShape arguments;
    arguments.Append(shape);
    common.SetArguments(arguments);
    common.SetTools(solids);
    common.SetRunParallel(false);
    common.SetNonDestructive(true);
    common.Build(progress);
    done = common.IsDone();
    if (!done)
        return 0.0;
    GProp_GProps props;
    BRepGProp::VolumeProperties(common.Shape(), props, false, false, false);
    return std::abs(props.Mass());
}

} // namespace

// A solid, its box, and the classifier of points built on first use.
struct PartOverlap::Solid
{
    TopoDS_Shape solid;
    Bnd_Box box;
    std::unique_ptr<BRepClass3d_SolidClassifier> classifier;
    std::optional<std::vector<gp_Pnt>> vertices;
    std::optional<std::vector<Bnd_Box>> faceBoxes;

    explicit Solid(const TopoDS_Shape& shape) : solid(shape), box(boxOf(shape)) {}

    const std::vector<gp_Pnt>& corners()
    {
        if (!vertices)
            vertices = verticesOf(solid);
        return *vertices;
    }

    // Whether some face of the solid may come near the box: none does when the box lies wholly
    // inside the solid or wholly outside it.
    bool boundaryMeets(const Bnd_Box& other)
    {
        if (!faceBoxes) {
            faceBoxes.emplace();
            for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next())
                faceBoxes->push_back(boxOf(it.Current()));
        }
        return std::any_of(faceBoxes->cbegin(), faceBoxes->cend(),
                           [&](const Bnd_Box& face) { return face.IsVoid() || !face.IsOut(other); });
    }

    // Strictly inside, beyond the tolerance: a ball around the point lies in the solid, so a
    // shape with that point on its boundary shares material with it.
    bool holdsInside(const gp_Pnt& point)
    {
        if (box.IsOut(point))
            return false;
        if (!classifier)
            classifier = std::make_unique<BRepClass3d_SolidClassifier>(solid);
        classifier->Perform(point, kPointTolerance);
        return classifier->State() == TopAbs_IN;
    }
};

PartOverlap::PartOverlap(const TopoDS_Shape& part)
{
    OccUtils::guardedCall(false, "PartOverlap", [&] {
        for (TopExp_Explorer it(part, TopAbs_SOLID); it.More(); it.Next())
            m_solids.push_back(std::make_unique<Solid>(it.Current()));
        return true;
    });
    m_solidless = m_solids.empty();
}

PartOverlap::~PartOverlap() = default;

std::vector<PartOverlap::Solid*> PartOverlap::near(const Bnd_Box& box) const
{
    std::vector<Solid*> found;
    for (const std::unique_ptr<Solid>& solid : m_solids)
        if (!solid->box.IsVoid() && !solid->box.IsOut(box))
            found.push_back(solid.get());
    return found;
}

bool PartOverlap::clearOfFaces(const Bnd_Box& box, const std::vector<Solid*>& solids) const
{
    return std::none_of(solids.cbegin(), solids.cend(), [&](Solid* solid) { return solid->boundaryMeets(box); });
}

PartOverlap::Region PartOverlap::region(const Bnd_Box& box)
{
    if (m_solidless || box.IsVoid())
        return Region::Crossed;
    return OccUtils::guardedCall(Region::Crossed, "PartOverlap::region", [&] {
        const std::vector<Solid*> solids = near(box);
        if (solids.empty())
            return Region::Apart;
        // Away from every face of the part the box lies wholly inside a solid or outside all of
        // them: its centre tells which, with no boolean (most components of a design stand
        // beside a big part, or in one of its openings, within its box).
        if (!clearOfFaces(box, solids))
            return Region::Crossed;
        // The last few settled, where neighbours in the design's order most often are.
        constexpr size_t kTried = 4;
        for (size_t i = m_settled.size(); i > 0 && i + kTried > m_settled.size(); --i) {
            Bnd_Box hull = m_settled[i - 1].box;
            hull.Add(box);
            if (clearOfFaces(hull, near(hull))) {
                Settled grown{hull, m_settled[i - 1].region};
                m_settled.erase(m_settled.begin() + std::ptrdiff_t(i - 1));
                m_settled.push_back(grown);
                return grown.region;
            }
        }
        double x0, y0, z0, x1, y1, z1;
        box.Get(x0, y0, z0, x1, y1, z1);
        const gp_Pnt centre(0.5 * (x0 + x1), 0.5 * (y0 + y1), 0.5 * (z0 + z1));
        const Region found =
            std::any_of(solids.cbegin(), solids.cend(), [&](Solid* solid) { return solid->holdsInside(centre); })
                ? Region::Inside
                : Region::Apart;
        m_settled.push_back({box, found});
        return found;
    });
}

bool PartOverlap::overlaps(const TopoDS_Shape& shape, const Message_ProgressRange& progress)
{
    const std::optional<bool> settled = settle(shape);
    return settled ? *settled : measure(shape, progress);
}

std::optional<bool> PartOverlap::settle(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return false;
    if (m_solidless)
        return true;
    const Bnd_Box box = boxOf(shape);
    switch (region(box)) {
    case Region::Apart:
        return false;
    case Region::Inside:
        return true;
    case Region::Crossed:
        break;
    }
    return OccUtils::guardedCall(std::optional<bool>(true), "PartOverlap::settle", [&]() -> std::optional<bool> {
        if (box.IsVoid())
            return true;
        const std::vector<Solid*> solids = near(box);
        // A vertex of the shape deep in the part, or one of the part deep in the shape.
        const std::vector<gp_Pnt> corners = verticesOf(shape);
        for (Solid* solid : solids)
            for (const gp_Pnt& corner : corners)
                if (solid->holdsInside(corner))
                    return true;
        std::vector<Solid> own;
        for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next())
            own.emplace_back(it.Current());
        for (Solid* solid : solids)
            for (const gp_Pnt& corner : solid->corners())
                for (Solid& probe : own)
                    if (probe.holdsInside(corner))
                        return true;
        return std::nullopt; // crossing without a corner inside, flush, or touching
    });
}

bool PartOverlap::measure(const TopoDS_Shape& shape, const Message_ProgressRange& progress) const
{
    if (shape.IsNull())
        return false;
    if (m_solidless)
        return true;
    return OccUtils::guardedCall(true, "PartOverlap::measure", [&] {
        const Bnd_Box box = boxOf(shape);
        if (box.IsVoid())
            return true;
        TopTools_ListOfShape tools;
        for (Solid* solid : near(box))
            tools.Append(solid->solid);
        if (tools.IsEmpty())
            return false;
        bool done = false;
        const double shared = commonVolume(shape, tools, done, progress);
        return !done || shared > kSharedVolume;
    });
}

Bnd_Box PartOverlap::boxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box, false);
    if (!box.IsVoid())
        box.Enlarge(kPointTolerance);
    return box;
}
