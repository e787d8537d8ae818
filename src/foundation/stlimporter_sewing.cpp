#include "foundation/meshgrid.h"
#include "foundation/meshselfcrossing.h"
#include "foundation/meshwindingvolume.h"
#include "foundation/occutils.h"
#include "foundation/sewnsolids.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <BRep_Builder.hxx>
#include <Message_ProgressScope.hxx>
#include <BRepTools_ReShape.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shell.hxx>

#include <algorithm>
#include <climits>
#include <exception>
#include <map>
#include <memory>
#include <numeric>
#include <vector>

namespace {

// OpenCASCADE's own assembly of the sewn faces into shells (BRepTools_Quilt) grows with the
// square of an open mesh's size and never asks whether to stop: minutes on 100,000 triangles,
// deaf to Cancel. Here the faces are joined through the edges sewing made common, each face
// turned to run every such edge against its neighbour, and Cancel is asked as it goes.
class ShellSewing : public BRepBuilderAPI_Sewing
{
public:
    // breaks: asked whether to stop.
    ShellSewing(double tolerance, const Message_ProgressScope& breaks)
        : BRepBuilderAPI_Sewing(tolerance, true, true, true, false), m_breaks(breaks)
    {
    }

protected:
    void CreateSewedShape() override
    {
        mySewedShape.Nullify();
        BRep_Builder builder;
        TopoDS_Compound all;
        builder.MakeCompound(all);
        for (int i = 1; i <= myOldShapes.Extent(); ++i) {
            const TopoDS_Shape sewn = myReShape->Apply(myOldShapes.FindFromIndex(i));
            myOldShapes.ChangeFromIndex(i) = sewn;
            if (!sewn.IsNull())
                builder.Add(all, sewn);
        }
        if (m_breaks.UserBreak())
            return;
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(all, TopAbs_FACE, faces);
        TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
        TopExp::MapShapesAndUniqueAncestors(all, TopAbs_EDGE, TopAbs_FACE, edgeFaces);
        if (m_breaks.UserBreak())
            return;

        const int faceCount = faces.Extent();
        std::vector<int> component(std::size_t(faceCount) + 1, 0);
        std::vector<char> flip(std::size_t(faceCount) + 1, 0);
        std::vector<std::vector<int>> members;
        std::vector<int> stack;
        for (int seed = 1; seed <= faceCount; ++seed) {
            if (component[std::size_t(seed)] != 0)
                continue;
            if ((members.size() & 255) == 0 && m_breaks.UserBreak())
                return;
            members.emplace_back();
            component[std::size_t(seed)] = int(members.size());
            stack.push_back(seed);
            while (!stack.empty()) {
                const int f = stack.back();
                stack.pop_back();
                members.back().push_back(f);
                if ((members.back().size() & 1023) == 0 && m_breaks.UserBreak())
                    return;
                const TopoDS_Shape& face = faces(f);
                for (TopExp_Explorer ex(face, TopAbs_EDGE); ex.More(); ex.Next()) {
                    const TopTools_ListOfShape& neighbours = edgeFaces.FindFromKey(ex.Current());
                    for (const TopoDS_Shape& other : neighbours) {
                        const int g = faces.FindIndex(other);
                        if (g == f || component[std::size_t(g)] != 0)
                            continue;
                        component[std::size_t(g)] = component[std::size_t(f)];
                        // Two faces of one orientation run their common edge in opposite senses.
                        flip[std::size_t(g)] = char(flip[std::size_t(f)]
                                                    ^ (sameSense(ex.Current(), other) && neighbours.Extent() == 2));
                        stack.push_back(g);
                    }
                }
            }
        }

        TopoDS_Compound pieces;
        builder.MakeCompound(pieces);
        TopoDS_Shape single;
        for (const std::vector<int>& shellFaces : members) {
            if (shellFaces.size() == 1) {
                single = faces(shellFaces.front());
            } else {
                TopoDS_Shell shell;
                builder.MakeShell(shell);
                for (const int f : shellFaces)
                    builder.Add(shell, flip[std::size_t(f)] ? faces(f).Reversed() : faces(f));
                shell.Closed(BRep_Tool::IsClosed(shell));
                single = shell;
            }
            builder.Add(pieces, single);
        }
        mySewedShape = members.size() == 1 ? single : TopoDS_Shape(pieces);
    }

private:
    // Whether the face runs the edge in the sense the edge was met with.
    static bool sameSense(const TopoDS_Shape& edge, const TopoDS_Shape& face)
    {
        for (TopExp_Explorer ex(face, TopAbs_EDGE); ex.More(); ex.Next())
            if (ex.Current().IsSame(edge))
                return ex.Current().Orientation() == edge.Orientation();
        return false;
    }

    const Message_ProgressScope& m_breaks;
};

// The triangles grouped by the sides they share: the closed shells of a mesh whose shells
// only touch one another come out one group each.
std::vector<int> sideGroups(const StlMesh& mesh, int& count)
{
    std::vector<int> parent(mesh.triangles.size());
    std::iota(parent.begin(), parent.end(), 0);
    const auto root = [&parent](int t) {
        while (parent[std::size_t(t)] != t)
            t = parent[std::size_t(t)] = parent[std::size_t(parent[std::size_t(t)])];
        return t;
    };
    std::map<std::pair<int, int>, int> firstOnSide;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t)
        for (int k = 0; k < 3; ++k) {
            const int a = mesh.triangles[t][std::size_t(k)], b = mesh.triangles[t][std::size_t((k + 1) % 3)];
            const auto [it, first] = firstOnSide.emplace(std::make_pair(std::min(a, b), std::max(a, b)), int(t));
            if (!first)
                parent[std::size_t(root(int(t)))] = root(it->second);
        }
    std::vector<int> group(mesh.triangles.size());
    std::map<int, int> numbers;
    for (std::size_t t = 0; t < group.size(); ++t)
        group[t] = numbers.emplace(root(int(t)), int(numbers.size())).first->second;
    count = int(numbers.size());
    return group;
}

// Each group sewn on its own: sewing them together would join shells that touch into one and
// turn one to face as the other, losing which way the file meant it. Null unless every group
// closes.
TopoDS_Shape sewnApart(const std::vector<TopoDS_Compound>& groups, double tolerance, const Message_ProgressRange& progress)
{
    Message_ProgressScope scope(progress, nullptr, double(groups.size()));
    BRep_Builder builder;
    TopoDS_Compound shells;
    builder.MakeCompound(shells);
    for (const TopoDS_Compound& group : groups) {
        ShellSewing sewing(tolerance, scope);
        sewing.Add(group);
        sewing.Perform(scope.Next());
        if (scope.UserBreak() || sewing.NbFreeEdges() > 0 || sewing.SewedShape().IsNull())
            return TopoDS_Shape();
        builder.Add(shells, sewing.SewedShape());
    }
    return shells;
}

// Sewing joins shells that share sides into one, and may then lose what the file meant (the
// same cube twice doubled, voids against one another filled). A closed mesh says itself what
// it encloses: solids outside those bounds, or none where it encloses something, were not
// built as meant.
bool asTheMeshMeans(const StlMesh& mesh, const SewnSolids& solids, double tolerance)
{
    WindingVolume expected;
    if (!windingVolumeRange(mesh, tolerance, expected)) // sewing moves faces by up to its tolerance
        return true;
    double built = 0.0;
    if (solids.solidCount > 0) {
        GProp_GProps props;
        BRepGProp::VolumeProperties(solids.shape, props);
        built = props.Mass();
    }
    return built >= expected.low && built <= expected.high;
}

// The sewing itself, on its own copies: it runs on a thread that the caller stops waiting for on
// Cancel, so it answers to its own progress only.
// Sides of an open mesh lying loose (used by one triangle, or by more than two) that sewing
// compares with one another: those of the triangles a cell of the grid lists together, within
// the tolerance. Past this many a loose side, the mesh is a heap of triangles rather than a
// part with holes (a part's open meshes come to about 14).
constexpr std::size_t kMostSewingPairsPerSide = 64;

// Whether joining the loose sides stays within a work the mesh's size allows: sewing compares
// loose sides lying near one another, and a heap of triangles crossing one another makes that
// grow with the square of their number. Counts the loose sides.
bool sewingBounded(const StlMesh& mesh, double tolerance, std::size_t& looseSides)
{
    const std::vector<std::array<int, 3>> across = trianglesAcross(mesh);
    std::vector<int> loose;
    looseSides = 0;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const std::size_t sides = std::size_t(std::count(across[t].begin(), across[t].end(), -1));
        looseSides += sides;
        if (sides > 0)
            loose.push_back(int(t));
    }
    if (loose.empty())
        return true;
    const MeshGrid grid(mesh, tolerance, loose);
    std::size_t pairs = 0;
    for (std::size_t c = 0; c < grid.cellCount(); ++c)
        pairs += grid.size(c) * (grid.size(c) - 1) / 2;
    return pairs <= kMostSewingPairsPerSide * looseSides + (std::size_t(1) << 20);
}

bool sewAlone(const StlMesh& mesh, double tolerance, StlImportResult& result, const Message_ProgressRange& progress)
{
    Message_ProgressScope scope(progress, nullptr, 11.0);
    std::size_t looseSides = 0;
    if (!sewingBounded(mesh, tolerance, looseSides)) {
        result.error = StlImporter::tr("The STL mesh is open along %n side(s) crowded too closely together to be "
                                       "joined: the file is too damaged to rebuild a part from it.",
                                       nullptr, int(std::min<std::size_t>(looseSides, INT_MAX)));
        return false;
    }
    BRep_Builder builder;
    TopoDS_Compound faces;
    builder.MakeCompound(faces);
    int groupCount = 0;
    const std::vector<int> group = sideGroups(mesh, groupCount);
    std::vector<TopoDS_Compound> groups(std::size_t(groupCount > 1 ? groupCount : 0));
    for (TopoDS_Compound& g : groups)
        builder.MakeCompound(g);
    int faceCount = 0;
    StlLoopProgress loop(scope.Next(), mesh.triangles.size());
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const auto& triangle = mesh.triangles[t];
        if (!loop.next())
            return false;
        try {
            BRepBuilderAPI_MakePolygon polygon(gp_Pnt(mesh.nodes[std::size_t(triangle[0])]),
                                               gp_Pnt(mesh.nodes[std::size_t(triangle[1])]),
                                               gp_Pnt(mesh.nodes[std::size_t(triangle[2])]), true);
            if (!polygon.IsDone() || polygon.Wire().IsNull())
                continue;
            BRepBuilderAPI_MakeFace face(polygon.Wire(), true);
            if (!face.IsDone())
                continue;
            builder.Add(faces, face.Face());
            if (!groups.empty())
                builder.Add(groups[std::size_t(group[t])], face.Face());
            ++faceCount;
        } catch (...) {
            // A triangle that cannot carry a face is left out, like a degenerate one.
        }
    }
    if (faceCount == 0) {
        result.error = StlImporter::tr("No non-degenerate triangle in the STL.");
        return false;
    }

    TopoDS_Shape sewn;
    const Message_ProgressRange apart = scope.Next(4.0);
    try {
        if (groups.size() > 1)
            sewn = sewnApart(groups, tolerance, apart);
    } catch (...) {
        sewn.Nullify(); // sewn together below
    }
    if (scope.UserBreak())
        return false;
    if (!sewn.IsNull()) {
        result.freeEdgeCount = 0;
    } else {
        try {
            Message_ProgressScope together(scope.Next(4.0), nullptr, 1.0);
            ShellSewing sewing(tolerance, together);
            sewing.Add(faces);
            sewing.Perform(together.Next());
            if (together.UserBreak())
                return false;
            sewn = sewing.SewedShape();
            result.freeEdgeCount = sewing.NbFreeEdges();
        } catch (...) {
            result.error = StlImporter::tr("Face sewing failed: %1").arg(OccUtils::currentExceptionMessage());
            return false;
        }
    }
    if (sewn.IsNull()) {
        result.error = StlImporter::tr("Face sewing: null result.");
        return false;
    }
    result.closed = result.freeEdgeCount == 0;
    // A closed shell through itself holds, as any solid of its faces, other than a slicer prints.
    if (result.closed) {
        const MeshGrid grid(mesh, 0.0);
        const std::vector<std::array<int, 3>> across = trianglesAcross(mesh);
        const SelfCrossing crossing = findCrossings(mesh, group, grid, tolerance, {nullptr, &across}, 0, scope.Next()).self;
        if (scope.UserBreak())
            return false;
        result.crossingUnchecked = crossing == SelfCrossing::TooDense;
        if (crossing == SelfCrossing::Found) {
            result.throughItself = true;
            result.shape = sewn;
            return true;
        }
    }

    const SewnSolids solids = solidsOfShells(sewn, scope.Next());
    if (scope.UserBreak())
        return false;
    result.flatShellCount = solids.flatShellCount;
    result.shellsUncombined = solids.uncombined || !asTheMeshMeans(mesh, solids, tolerance);
    result.unitedFacePairs = solids.facePairs;
    result.voidOutside = solids.bothSigns;
    if (result.shellsUncombined) {
        result.shape = sewn;
    } else if (solids.solidCount > 0) {
        result.shape = solids.shape;
        result.solidBuilt = true;
    } else if (solids.flatShellCount > 0) {
        result.error = StlImporter::tr("The STL mesh encloses no volume: its triangles lie on one another.");
        return false;
    } else {
        result.shape = sewn;
    }
    return true;
}

} // namespace

bool sewStlMesh(const StlMesh& mesh, double tolerance, StlImportResult& result, const Message_ProgressRange& progress,
                const StlSewing& sewing)
{
    Message_ProgressScope stage(progress, StlStage::kSewing, 1.0);
    stage.Show();
    // Single calls inside OpenCASCADE's sewing last seconds without asking whether to stop: the
    // work runs alone, which a Cancel stops waiting for. It owns all it reads and makes, and
    // frees it there when it ends; nothing of OpenCASCADE's is shared meanwhile.
    struct Work
    {
        StlMesh mesh;
        StlImportResult result;
        bool sewn = false;
        std::exception_ptr failure;
    };
    auto work = std::make_shared<Work>();
    work->mesh = mesh;
    work->result = result;
    work->result.shape.Nullify(); // the sewing's to fill
    const StlSewing sew = sewing ? sewing : StlSewing(sewAlone);
    const bool finished = runAlone(stage.Next(), "StlImporter: sewing", [work, sew, tolerance](const Message_ProgressRange& own) {
        try {
            work->sewn = sew(work->mesh, tolerance, work->result, own);
        } catch (...) {
            work->failure = std::current_exception(); // the caller's to answer, out of memory above all
        }
        return true;
    });
    if (!finished)
        return false;
    if (work->failure)
        std::rethrow_exception(work->failure);
    result = std::move(work->result);
    return work->sewn;
}
