// One solid's mesh for the 3MF export, closed by construction: the faces' triangulations
// share their vertices through the topology (the mesher's polygon of each edge on each face,
// the vertices at edge ends, degenerated edges collapsing on their vertex), and a face the
// mesher left without usable triangles is triangulated from the same edge nodes in its
// parameter plane, so that it closes the solid instead of leaving a hole.
#pragma once

#include "outputs/threemfmesh.h"

#include <NCollection_DataMap.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>

#include <cstdint>
#include <vector>

class ShellMeshBuilder
{
public:
    // Deflections for the edges no meshed face has discretized.
    ShellMeshBuilder(double linearDeflection, double angularDeflection);

    // False (nothing added) for a face without a triangulation of at least one triangle, or
    // whose triangulation disagrees with its edges: a polygon of a non-degenerated edge that
    // repeats a node, or an edge segment fewer triangles run along than its edges list it.
    bool addTriangulatedFace(const TopoDS_Face& face);
    // Triangulates a face from its edges' nodes; call it after every triangulated face of the
    // solid. False (nothing added) when the face has no usable boundary.
    bool addFaceFromEdges(const TopoDS_Face& face);

    // How many of these faces, left out, leave the triangles added so far open along one of
    // their edges (a segment run along an odd number of times).
    int leftOpen(const QList<TopoDS_Face>& faces) const;
    bool isEmpty() const { return m_mesh.triangles.isEmpty(); }

    ShellMesh take();

    // Triangulates polygon loops (the first one outer, the others holes) given by vertex ids
    // and their points in a plane, keeping each loop's direction on its edges; positions give
    // the 3D points used to prefer short diagonals. Triangles repeating an id are left out.
    static std::vector<MeshTriangle> triangulateLoops(const std::vector<std::vector<std::uint32_t>>& loops,
                                                      const std::vector<std::vector<std::pair<double, double>>>& plane,
                                                      const QList<MeshVertex>& positions);

private:
    struct EdgeNodes
    {
        std::vector<std::uint32_t> ids; // from the edge's first vertex to its last
        std::vector<double> parameters;
    };

    std::uint32_t vertexId(const TopoDS_Shape& vertex, const MeshVertex& fallback);
    std::uint32_t newVertex(const MeshVertex& v);
    const EdgeNodes* discretizedEdge(const TopoDS_Edge& edge);

    double m_linear;
    double m_angular;
    ShellMesh m_mesh;
    NCollection_DataMap<TopoDS_Shape, std::uint32_t, TopTools_ShapeMapHasher> m_vertices;
    NCollection_DataMap<TopoDS_Shape, int, TopTools_ShapeMapHasher> m_edgeIndex; // into m_edges
    std::vector<EdgeNodes> m_edges;
};
