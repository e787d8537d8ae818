#include "foundation/occutils.h"
#include "foundation/sewnsolids.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

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
    int faceCount = 0;
    for (const auto& triangle : mesh.triangles) {
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
    if (sewn.IsNull()) {
        result.error = StlImporter::tr("Face sewing: null result.");
        return false;
    }
    result.closed = result.freeEdgeCount == 0;

    const SewnSolids solids = solidsOfShells(sewn);
    result.flatShellCount = solids.flatShellCount;
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
