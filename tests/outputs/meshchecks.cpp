#include "meshchecks.h"

#include "outputs/shapemesher.h"
#include "outputs/stepexporter.h"

#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <map>
#include <utility>

namespace MeshChecks {

EdgeCounts edgeCounts(const ShellMesh& mesh)
{
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> uses; // directed
    for (const MeshTriangle& t : mesh.triangles) {
        ++uses[{t.v1, t.v2}];
        ++uses[{t.v2, t.v3}];
        ++uses[{t.v3, t.v1}];
    }
    EdgeCounts counts;
    for (const auto& [edge, n] : uses) {
        const auto back = uses.find({edge.second, edge.first});
        const int reverse = back == uses.end() ? 0 : back->second;
        counts.open += n != reverse;
        counts.unpaired += n != 1 || reverse != 1;
    }
    return counts;
}

double enclosedVolume(const ShellMesh& mesh)
{
    double sixfold = 0.0;
    for (const MeshTriangle& t : mesh.triangles) {
        const MeshVertex &a = mesh.vertices.at(t.v1), &b = mesh.vertices.at(t.v2), &c = mesh.vertices.at(t.v3);
        sixfold += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) + a.z * (b.x * c.y - b.y * c.x);
    }
    return sixfold / 6.0;
}

ShellMesh exportedMesh(const TopoDS_Shape& shape, MeshCheckCounts& counts, int& unmeshedFaces)
{
    ShapeMesher::mesh(shape, 0.05, 0.5);
    ShellMesh mesh;
    for (const TopoDS_Shape& solid : StepExporter::solidsOf(shape)) {
        QList<TopoDS_Face> faces;
        for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next())
            faces.append(TopoDS::Face(it.Current()));
        ThreeMfExporter::meshShell(faces, 0.0, &counts, mesh, unmeshedFaces);
    }
    return mesh;
}

} // namespace MeshChecks
