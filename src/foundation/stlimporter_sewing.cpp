#include "foundation/occutils.h"
#include "foundation/sewnsolids.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

#include <map>
#include <numeric>

namespace {

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
TopoDS_Shape sewnApart(const std::vector<TopoDS_Compound>& groups, double tolerance, const Handle(StlDeadline)& deadline)
{
    BRep_Builder builder;
    TopoDS_Compound shells;
    builder.MakeCompound(shells);
    for (const TopoDS_Compound& group : groups) {
        BRepBuilderAPI_Sewing sewing(tolerance, true, true, true, false);
        sewing.Add(group);
        sewing.Perform(deadline->Start());
        if (deadline->UserBreak() || sewing.NbFreeEdges() > 0 || sewing.SewedShape().IsNull())
            return TopoDS_Shape();
        builder.Add(shells, sewing.SewedShape());
    }
    return shells;
}

} // namespace

bool sewStlMesh(const StlMesh& mesh, double tolerance, StlImportResult& result, qint64 budgetMs)
{
    const Handle(StlDeadline) deadline = new StlDeadline(budgetMs);
    const auto timedOut = [&] {
        result.error = StlImporter::tr("The STL mesh is open and joining its %n triangle(s) took longer than %1 s: "
                                       "the file is too damaged to rebuild a part from it.",
                                       nullptr, int(mesh.triangles.size()))
                           .arg(budgetMs / 1000.0, 0, 'f', 0);
        return false;
    };
    BRep_Builder builder;
    TopoDS_Compound faces;
    builder.MakeCompound(faces);
    int groupCount = 0;
    const std::vector<int> group = sideGroups(mesh, groupCount);
    std::vector<TopoDS_Compound> groups(std::size_t(groupCount > 1 ? groupCount : 0));
    for (TopoDS_Compound& g : groups)
        builder.MakeCompound(g);
    int faceCount = 0;
    for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
        const auto& triangle = mesh.triangles[t];
        if ((faceCount & 1023) == 0 && deadline->UserBreak())
            return timedOut();
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
    try {
        if (groups.size() > 1)
            sewn = sewnApart(groups, tolerance, deadline);
    } catch (...) {
        sewn.Nullify(); // sewn together below
    }
    if (deadline->UserBreak())
        return timedOut();
    if (!sewn.IsNull()) {
        result.freeEdgeCount = 0;
    } else {
        try {
            BRepBuilderAPI_Sewing sewing(tolerance, true, true, true, false);
            sewing.Add(faces);
            sewing.Perform(deadline->Start());
            if (deadline->UserBreak())
                return timedOut();
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

    const SewnSolids solids = solidsOfShells(sewn);
    result.flatShellCount = solids.flatShellCount;
    result.shellsUncombined = solids.uncombined;
    if (solids.solidCount > 0) {
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
