// Triangle meshes of the 3MF export: one welded mesh per shape, and the model's single
// mesh object whose consecutive triangle ranges are the slicer's volumes.
#pragma once

#include <QList>
#include <QString>

#include <cstdint>

struct MeshVertex
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// 0-based indices into the holding mesh's vertices; outward by the right-hand rule.
struct MeshTriangle
{
    std::uint32_t v1 = 0;
    std::uint32_t v2 = 0;
    std::uint32_t v3 = 0;
};

struct ShellMesh
{
    QList<MeshVertex> vertices;
    QList<MeshTriangle> triangles;

    bool isEmpty() const { return triangles.isEmpty(); }
};

// Inclusive triangle range of one volume in the model's mesh.
struct MeshPart
{
    QString name;
    bool conductor = false;
    std::uint32_t firstTriangle = 0;
    std::uint32_t lastTriangle = 0;
};

struct ThreeMfMesh
{
    QList<MeshVertex> vertices;
    QList<MeshTriangle> triangles;
    QList<MeshPart> parts;
};

// Problems found while meshing one export; only ever increased.
struct MeshCheckCounts
{
    std::int32_t unmeshedFaces = 0;
    std::int32_t openShells = 0;
    std::int32_t flippedShells = 0;
    std::int32_t nonManifoldEdges = 0;
};
