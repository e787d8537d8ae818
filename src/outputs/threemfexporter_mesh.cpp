#include "outputs/threemfexporter.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "outputs/shapemesher.h"
#include "outputs/shellmeshbuilder.h"

#include <QDebug>

#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <vector>

namespace {

constexpr double kZero = 1e-7;

// Faces of one container (a solid, or the whole shape), each taken once in exploration
// order with its first orientation, leaving out those in skip.
QList<TopoDS_Face> uniqueFaces(const TopoDS_Shape& container, const TopTools_MapOfShape* skip)
{
    QList<TopoDS_Face> faces;
    TopTools_MapOfShape taken; // same face and location, whatever the orientation
    for (TopExp_Explorer it(container, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Shape& face = it.Current();
        if ((skip && skip->Contains(face)) || !taken.Add(face))
            continue;
        faces.append(TopoDS::Face(face));
    }
    return faces;
}

std::int32_t cellOf(double coordinate, double cellSize)
{
    // Far-away or non-finite coordinates land in the border cells instead of overflowing.
    const double cell = std::floor(coordinate / cellSize);
    if (!(cell > double(std::numeric_limits<std::int32_t>::min())))
        return std::numeric_limits<std::int32_t>::min();
    if (!(cell < double(std::numeric_limits<std::int32_t>::max())))
        return std::numeric_limits<std::int32_t>::max();
    return std::int32_t(cell);
}

struct Cell
{
    std::int32_t x, y, z;
    bool operator==(const Cell& other) const { return x == other.x && y == other.y && z == other.z; }
};

struct CellHash
{
    std::size_t operator()(const Cell& c) const
    {
        std::uint64_t h = std::uint32_t(c.x);
        h = h * 0x9E3779B97F4A7C15ull ^ std::uint32_t(c.y);
        h = h * 0x9E3779B97F4A7C15ull ^ std::uint32_t(c.z);
        return std::size_t(h ^ (h >> 29));
    }
};

std::int32_t neighbour(std::int32_t cell, int delta)
{
    const std::int64_t n = std::int64_t(cell) + delta;
    return std::int32_t(std::clamp<std::int64_t>(n, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max()));
}

// Merges vertices closer than the tolerance (first kept vertex found wins) and drops the
// triangles that collapse.
void weld(ShellMesh& mesh, double tolerance)
{
    const double tolerance2 = tolerance * tolerance;
    std::unordered_map<Cell, std::vector<std::uint32_t>, CellHash> grid;
    grid.reserve(std::size_t(mesh.vertices.size()));
    QList<MeshVertex> kept;
    kept.reserve(mesh.vertices.size());
    std::vector<std::uint32_t> remap(std::size_t(mesh.vertices.size()));

    for (qsizetype i = 0; i < mesh.vertices.size(); ++i) {
        const MeshVertex& v = mesh.vertices.at(i);
        const Cell own{cellOf(v.x, tolerance), cellOf(v.y, tolerance), cellOf(v.z, tolerance)};
        bool matched = false;
        for (int dx = -1; dx <= 1 && !matched; ++dx) {
            for (int dy = -1; dy <= 1 && !matched; ++dy) {
                for (int dz = -1; dz <= 1 && !matched; ++dz) {
                    const auto found = grid.find(
                        Cell{neighbour(own.x, dx), neighbour(own.y, dy), neighbour(own.z, dz)});
                    if (found == grid.end())
                        continue;
                    for (const std::uint32_t candidate : found->second) {
                        const MeshVertex& k = kept.at(candidate);
                        const double ex = k.x - v.x, ey = k.y - v.y, ez = k.z - v.z;
                        if (ex * ex + ey * ey + ez * ez <= tolerance2) {
                            remap[std::size_t(i)] = candidate;
                            matched = true;
                            break;
                        }
                    }
                }
            }
        }
        if (!matched) {
            const auto index = std::uint32_t(kept.size());
            remap[std::size_t(i)] = index;
            kept.append(v);
            grid[own].push_back(index);
        }
    }

    QList<MeshTriangle> triangles;
    triangles.reserve(mesh.triangles.size());
    for (const MeshTriangle& t : std::as_const(mesh.triangles)) {
        const MeshTriangle w{remap[t.v1], remap[t.v2], remap[t.v3]};
        if (w.v1 != w.v2 && w.v2 != w.v3 && w.v1 != w.v3)
            triangles.append(w);
    }
    mesh.vertices = std::move(kept);
    mesh.triangles = std::move(triangles);
}

std::uint64_t edgeKey(std::uint32_t a, std::uint32_t b)
{
    return a < b ? (std::uint64_t(a) << 32) | b : (std::uint64_t(b) << 32) | a;
}

} // namespace

void ThreeMfExporter::weldAndCheckShell(ShellMesh& mesh, double weldTolerance, MeshCheckCounts* counts)
{
    if (weldTolerance > 0.0 && mesh.vertices.size() >= 2)
        weld(mesh, weldTolerance);
    if (mesh.triangles.isEmpty())
        return;

    std::unordered_map<std::uint64_t, int> edgeUse;
    edgeUse.reserve(std::size_t(mesh.triangles.size()) * 3);
    double signedVolume6 = 0.0;
    for (const MeshTriangle& t : std::as_const(mesh.triangles)) {
        ++edgeUse[edgeKey(t.v1, t.v2)];
        ++edgeUse[edgeKey(t.v2, t.v3)];
        ++edgeUse[edgeKey(t.v1, t.v3)];
        const MeshVertex& a = mesh.vertices.at(t.v1);
        const MeshVertex& b = mesh.vertices.at(t.v2);
        const MeshVertex& c = mesh.vertices.at(t.v3);
        signedVolume6 += a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z)
                         + a.z * (b.x * c.y - b.y * c.x);
    }
    int boundary = 0;
    int nonManifold = 0;
    for (const auto& [key, uses] : edgeUse) {
        Q_UNUSED(key);
        if (uses == 1)
            ++boundary;
        else if (uses >= 3)
            ++nonManifold;
    }

    if (counts)
        counts->nonManifoldEdges += nonManifold;
    if (boundary > 0) {
        if (counts)
            ++counts->openShells;
        qWarning() << "ThreeMfExporter: shell left open —" << boundary << "boundary edge(s),"
                   << mesh.triangles.size() << "triangle(s)";
        return;
    }
    if (nonManifold > 0)
        qWarning() << "ThreeMfExporter:" << nonManifold << "edge(s) shared by more than two triangles in one shell";
    if (signedVolume6 < 0.0) {
        for (MeshTriangle& t : mesh.triangles)
            std::swap(t.v2, t.v3);
        if (counts)
            ++counts->flippedShells;
        qWarning().nospace() << "ThreeMfExporter: inside-out shell flipped (" << mesh.triangles.size()
                             << " triangle(s))";
    }
}

void ThreeMfExporter::meshShell(const QList<TopoDS_Face>& faces, double weldTolerance, MeshCheckCounts* counts,
                                ShellMesh& result, int& unmeshedFaces, double linearDeflection,
                                double angularDeflection)
{
    ShellMeshBuilder builder(linearDeflection, angularDeflection);
    QList<TopoDS_Face> bare;
    for (const TopoDS_Face& face : faces)
        if (!builder.addTriangulatedFace(face))
            bare.append(face);
    // A face the mesher gave up on (a tangled wire in its parameter plane), or whose mesh does
    // not follow its edges, would leave a hole: it is meshed from its edges, on the nodes its
    // neighbours already use.
    int fromEdges = 0;
    QList<TopoDS_Face> left;
    for (const TopoDS_Face& face : std::as_const(bare)) {
        if (builder.addFaceFromEdges(face))
            ++fromEdges;
        else
            left.append(face);
    }
    if (fromEdges > 0)
        qWarning() << "ThreeMfExporter:" << fromEdges
                   << "face(s) without a usable triangulation — meshed from their edges";
    // A face without area (a lens between two edges along one line) is no hole where its
    // neighbours meet: only what stays open is counted.
    const int holes = builder.isEmpty() ? int(left.size()) : builder.leftOpen(left);
    if (holes < left.size())
        qDebug() << "ThreeMfExporter:" << left.size() - holes << "face(s) left out without leaving a hole";
    unmeshedFaces += holes;
    ShellMesh local = builder.take();
    if (local.triangles.isEmpty())
        return;

    weldAndCheckShell(local, weldTolerance, counts);
    if (local.triangles.isEmpty())
        return;
    // Solids are never welded to each other: the local mesh keeps its own vertices.
    const auto offset = std::uint32_t(result.vertices.size());
    result.vertices.append(local.vertices);
    result.triangles.reserve(result.triangles.size() + local.triangles.size());
    for (const MeshTriangle& t : std::as_const(local.triangles))
        result.triangles.append(MeshTriangle{t.v1 + offset, t.v2 + offset, t.v3 + offset});
}

ShellMesh ThreeMfExporter::triangulate(const TopoDS_Shape& shape, double linearDeflection, double angularDeflection,
                                       double featureSize, MeshCheckCounts* counts,
                                       const Message_ProgressRange& progress)
{
    if (shape.IsNull())
        return ShellMesh();
    return OccUtils::guardedCall(ShellMesh(), "ThreeMfExporter::triangulate", [&] {
        ShellMesh result;
        const double feature = featureSize > kZero ? featureSize : GeometryUtils::thinnestSolidExtent(shape);
        const double linear = feature > kZero ? std::max(0.001, std::min(0.1 * feature, linearDeflection))
                                              : linearDeflection;
        const double weldTolerance = std::max(1e-6, 0.001 * linear);

        ShapeMesher::mesh(shape, linear, angularDeflection, progress);
        if (progress.UserBreak())
            return result;

        int unmeshed = 0;
        TopTools_MapOfShape seen;
        for (TopExp_Explorer solids(shape, TopAbs_SOLID); solids.More(); solids.Next()) {
            // A face shared by two solids is meshed with each of them.
            const QList<TopoDS_Face> faces = uniqueFaces(solids.Current(), nullptr);
            for (const TopoDS_Face& face : faces)
                seen.Add(face);
            meshShell(faces, weldTolerance, counts, result, unmeshed, linear, angularDeflection);
        }
        meshShell(uniqueFaces(shape, &seen), weldTolerance, counts, result, unmeshed, linear, angularDeflection);

        if (unmeshed > 0) {
            qWarning() << "ThreeMfExporter:" << unmeshed
                       << "face(s) came back without a triangulation — the shell is written with that many holes";
            if (counts)
                counts->unmeshedFaces += unmeshed;
        }
        return result;
    });
}

void ThreeMfExporter::appendPart(ThreeMfMesh& model, const QString& name, bool conductor, const ShellMesh& mesh)
{
    if (mesh.triangles.isEmpty())
        return;
    const auto vertexOffset = std::uint32_t(model.vertices.size());
    const auto firstTriangle = std::uint32_t(model.triangles.size());
    model.vertices.append(mesh.vertices);
    model.triangles.reserve(model.triangles.size() + mesh.triangles.size());
    for (const MeshTriangle& t : mesh.triangles)
        model.triangles.append(MeshTriangle{t.v1 + vertexOffset, t.v2 + vertexOffset, t.v3 + vertexOffset});
    model.parts.append(MeshPart{name, conductor, firstTriangle, std::uint32_t(model.triangles.size() - 1)});
}
