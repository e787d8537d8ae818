// STL meshes whose closed shells touch or cross: shared faces, shared edges, the same shell
// twice, voids against each other or against the outer side, a ball poking through another.
// The part must come in as the slicer reads the mesh (nonzero winding), and every expected
// volume is worked out here from the triangles or the boxes, not by the program.
#include "meshfixtures.h"
#include "meshshapes.h"
#include "testsupport.h"

#include "foundation/meshgrid.h"
#include "foundation/meshselfcrossing.h"
#include "foundation/meshwindingvolume.h"
#include "foundation/occutils.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <gp_Ax1.hxx>
#include <gp_Trsf.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

using namespace MeshFixtures;

namespace {

QList<Triangle> sphereTriangles(double radius, const gp_XYZ& centre, bool inward)
{
    QList<Triangle> out;
    double volume = 0.0;
    for (const auto& t : MeshShapes::moved(MeshShapes::nearWeldedSphere(4000, radius), centre)) {
        out.append({gp_Pnt(t[0]), gp_Pnt(t[1]), gp_Pnt(t[2])});
        volume += (t[0] - centre).Dot((t[1] - centre) ^ (t[2] - centre)) / 6.0;
    }
    return (volume < 0.0) != inward ? reversed(out) : out;
}

// The volume where the winding number of the triangles is not zero, as a slicer reads them:
// along x, through a fine grid of (y, z) points, the crossings of the triangles are sorted and
// the lengths where their signed count is not zero added up. Coordinates are taken as the
// binary file stores them (single precision).
double windingVolume(const QList<Triangle>& triangles, int steps)
{
    struct Flat { double y[3], z[3], x[3]; };
    std::vector<Flat> flats;
    double y0 = 1e300, y1 = -1e300, z0 = 1e300, z1 = -1e300;
    for (const Triangle& t : triangles) {
        Flat f;
        for (int k = 0; k < 3; ++k) {
            f.x[k] = double(float(t[std::size_t(k)].X()));
            f.y[k] = double(float(t[std::size_t(k)].Y()));
            f.z[k] = double(float(t[std::size_t(k)].Z()));
            y0 = std::min(y0, f.y[k]), y1 = std::max(y1, f.y[k]);
            z0 = std::min(z0, f.z[k]), z1 = std::max(z1, f.z[k]);
        }
        flats.push_back(f);
    }
    // An irrational shift keeps the rays off the mesh's edges.
    const double hy = (y1 - y0) / steps, hz = (z1 - z0) / steps;
    const auto yAt = [&](int i) { return y0 + (i + 0.5 + 0.0137 * M_SQRT2) * hy; };
    const auto zAt = [&](int j) { return z0 + (j + 0.5 + 0.0191 * M_SQRT2) * hz; };
    std::vector<std::vector<std::pair<double, int>>> hits(std::size_t(steps) * std::size_t(steps));
    for (const Flat& f : flats) {
        const double area = (f.y[1] - f.y[0]) * (f.z[2] - f.z[0]) - (f.y[2] - f.y[0]) * (f.z[1] - f.z[0]);
        if (area == 0.0)
            continue;
        const int i0 = std::max(0, int(std::floor((*std::min_element(f.y, f.y + 3) - y0) / hy)) - 1);
        const int i1 = std::min(steps - 1, int(std::ceil((*std::max_element(f.y, f.y + 3) - y0) / hy)) + 1);
        const int j0 = std::max(0, int(std::floor((*std::min_element(f.z, f.z + 3) - z0) / hz)) - 1);
        const int j1 = std::min(steps - 1, int(std::ceil((*std::max_element(f.z, f.z + 3) - z0) / hz)) + 1);
        for (int i = i0; i <= i1; ++i)
            for (int j = j0; j <= j1; ++j) {
                const double y = yAt(i), z = zAt(j);
                // Barycentric weights in the (y, z) plane.
                const double w1 = ((y - f.y[0]) * (f.z[2] - f.z[0]) - (f.y[2] - f.y[0]) * (z - f.z[0])) / area;
                const double w2 = ((f.y[1] - f.y[0]) * (z - f.z[0]) - (y - f.y[0]) * (f.z[1] - f.z[0])) / area;
                const double w0 = 1.0 - w1 - w2;
                if (w0 < 0.0 || w1 < 0.0 || w2 < 0.0)
                    continue;
                // Seen along +x, a counter-clockwise (y, z) triangle faces +x: the ray leaves there.
                hits[std::size_t(i) * std::size_t(steps) + std::size_t(j)].push_back(
                    {w0 * f.x[0] + w1 * f.x[1] + w2 * f.x[2], area > 0.0 ? -1 : 1});
            }
    }
    double volume = 0.0;
    for (auto& column : hits) {
        std::sort(column.begin(), column.end());
        int winding = 0;
        for (std::size_t k = 0; k < column.size(); ++k) {
            winding += column[k].second;
            if (winding != 0 && k + 1 < column.size())
                volume += column[k + 1].first - column[k].first;
        }
    }
    return volume * hy * hz;
}

QList<Triangle> joined(const QList<QList<Triangle>>& parts)
{
    QList<Triangle> out;
    for (const auto& p : parts)
        out += p;
    return out;
}

// The triangles as an indexed mesh, nodes merged where their coordinates are equal.
StlMesh meshOf(const QList<Triangle>& triangles)
{
    StlMesh mesh;
    std::map<std::tuple<double, double, double>, int> index;
    for (const Triangle& t : triangles) {
        std::array<int, 3> tri;
        for (int k = 0; k < 3; ++k) {
            const gp_Pnt& p = t[std::size_t(k)];
            const auto [it, added] = index.emplace(std::make_tuple(p.X(), p.Y(), p.Z()), int(mesh.nodes.size()));
            if (added)
                mesh.nodes.push_back(p.XYZ());
            tri[std::size_t(k)] = it->second;
        }
        mesh.triangles.push_back(tri);
    }
    return mesh;
}

// Each triangle split into three about its middle: the same surface, its nodes on the other's
// faces and sides.
QList<Triangle> fanned(const QList<Triangle>& triangles)
{
    QList<Triangle> out;
    for (const Triangle& t : triangles) {
        const gp_Pnt m((t[0].XYZ() + t[1].XYZ() + t[2].XYZ()) / 3.0);
        out += {Triangle{t[0], t[1], m}, Triangle{t[1], t[2], m}, Triangle{t[2], t[0], m}};
    }
    return out;
}

// A 10 mm box whose top is pushed down through its bottom to a point `depth` below it.
QList<Triangle> pushedBox(double depth)
{
    QList<Triangle> pushed;
    for (const Triangle& t : boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(10, 10, 10)))
        if (!(t[0].Z() == 10 && t[1].Z() == 10 && t[2].Z() == 10))
            pushed.append(t);
    const gp_Pnt top[4] = {{0, 0, 10}, {10, 0, 10}, {10, 10, 10}, {0, 10, 10}};
    for (int k = 0; k < 4; ++k)
        pushed.append({top[k], top[(k + 1) % 4], gp_Pnt(5, 5, -depth)});
    return pushed;
}

// The surface of the octahedron |x| + |y| + |z| <= size, run round twice as one shell: the
// faces about each pole go round it twice, the second time over the first. The shell never
// passes through itself, but its faces lie on one another facing one way: inside, the winding
// is two. Sides run over twice are split in one of the two runs (at their middles), so that
// no two triangles share a side they should not, and each face is fanned about a point of
// its own.
QList<Triangle> octahedronTwice(double size)
{
    const gp_Pnt pole[2] = {gp_Pnt(0, 0, size), gp_Pnt(0, 0, -size)};
    const auto equator = [size](int q) { return gp_Pnt(size * std::cos(q * M_PI / 2), size * std::sin(q * M_PI / 2), 0); };
    const auto middle = [](const gp_Pnt& p, const gp_Pnt& q) { return gp_Pnt((p.XYZ() + q.XYZ()) / 2); };
    QList<Triangle> out;
    for (int half = 0; half < 2; ++half)
        for (int j = 0; j < 8; ++j) { // the faces round the pole; the side after face k is split from k = 4 on
            const gp_Pnt &apex = pole[half], from = equator(j % 4), to = equator(j % 4 + 1);
            std::vector<gp_Pnt> loop = {apex};
            if ((j + 7) % 8 >= 4)
                loop.push_back(middle(apex, from));
            loop.push_back(from);
            if (j >= 4)
                loop.push_back(middle(from, to));
            loop.push_back(to);
            if (j >= 4)
                loop.push_back(middle(to, apex));
            const double w = j < 4 ? 0.25 : 0.4; // the two runs' fan points apart
            const gp_Pnt centre(apex.XYZ() * w + from.XYZ() * 0.35 + to.XYZ() * (0.65 - w));
            for (std::size_t k = 0; k < loop.size(); ++k)
                out.append(half == 0 ? Triangle{centre, loop[k], loop[(k + 1) % loop.size()]}
                                     : Triangle{centre, loop[(k + 1) % loop.size()], loop[k]});
        }
    double volume = 0.0;
    for (const Triangle& t : out)
        volume += t[0].XYZ().Dot(t[1].XYZ() ^ t[2].XYZ()) / 6.0;
    return volume < 0.0 ? reversed(out) : out;
}

// An import that either comes out at expected or says, with no solid, that its shells touch or
// cross, or that one passes through itself.
void expectRightOrRefused(const StlImportResult& r, double expected, double relative)
{
    if (r.shellsUncombined || r.throughItself) {
        EXPECT_EQ(TestSupport::countOf(r.shape, TopAbs_SOLID), 0);
        EXPECT_TRUE(r.warning.startsWith(r.throughItself ? "The surface of the STL mesh passes through itself"
                                                         : "The closed shells of the STL mesh touch or cross one another"))
            << r.warning.toStdString();
    } else {
        EXPECT_NEAR(TestSupport::volumeOf(r.shape), expected, relative * expected);
    }
}

class TouchingShellsTest : public PartFileTest
{
};

} // namespace

// The mesh's own count brackets the exact volume, tightly enough to tell a lost or doubled
// body; a mesh that is not closed has no count.
TEST_F(TouchingShellsTest, WindingBoundsHoldTheVolume)
{
    // Turned about an axis through the cube's middle, so that no side lies along the rays.
    const auto turned = [](QList<Triangle> mesh, double angle) {
        const gp_Trsf turn = [&] {
            gp_Trsf t;
            t.SetRotation(gp_Ax1(gp_Pnt(5, 5, 5), gp_Dir(1, 2, 3)), angle);
            return t;
        }();
        for (Triangle& t : mesh)
            for (gp_Pnt& p : t)
                p.Transform(turn);
        return mesh;
    };
    const gp_Vec ten(10, 10, 10);
    struct Row
    {
        const char* name;
        QList<Triangle> mesh;
        double volume;
        bool turned = false;
    };
    const std::vector<Row> rows = {
        {"cube", cubeTriangles(10.0), 1000},
        {"cube turned", turned(cubeTriangles(10.0), 0.7), 1000, true},
        {"cubes overlapping", cubeTriangles(10.0) + cubeTriangles(10.0, gp_Vec(5, 5, 5)), 2000 - 125},
        {"cubes overlapping, turned", turned(cubeTriangles(10.0) + cubeTriangles(10.0, gp_Vec(5, 5, 5)), 1.9), 2000 - 125, true},
        {"cube with a void", cubeTriangles(20.0) + reversed(cubeTriangles(10.0, gp_Vec(5, 5, 5))), 7000},
        {"the same cube twice", cubeTriangles(10.0) + boxTriangles(gp_Pnt(0, 0, 0), ten, true), 1000},
        {"a void poking out", cubeTriangles(10.0) + reversed(cubeTriangles(10.0, gp_Vec(5, 5, 5))), 2 * (1000 - 125)},
        {"a cube and its reverse", turned(cubeTriangles(10.0) + reversed(cubeTriangles(10.0)), 0.3), 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WindingVolume bounds;
        ASSERT_TRUE(windingVolumeBounds(meshOf(row.mesh), bounds));
        EXPECT_LE(bounds.low, row.volume + 1e-9 * std::max(row.volume, 1000.0));
        EXPECT_GE(bounds.high, row.volume - 1e-9 * std::max(row.volume, 1000.0));
        // Cells an outline crosses count from nothing to the whole length: sides along the rays
        // give tight bounds, turned ones looser.
        EXPECT_LE(bounds.high - bounds.low, (row.turned ? 0.35 : 0.1) * std::max(row.volume, 1000.0));
    }
    QList<Triangle> open = cubeTriangles(10.0);
    open.removeLast();
    WindingVolume bounds;
    EXPECT_FALSE(windingVolumeBounds(meshOf(open), bounds));
    EXPECT_FALSE(windingVolumeBounds(meshOf(cubeTriangles(10.0) + QList<Triangle>{cubeTriangles(10.0).first()}), bounds));
}

namespace {

// 64 voids of 2.5 mm filling a 10 mm cube: sides split alike, or every other void's the other way.
QList<Triangle> touchingVoids(bool alike)
{
    QList<Triangle> voids;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                voids += boxTriangles(gp_Pnt(1 + 2.5 * i, 1 + 2.5 * j, 1 + 2.5 * k), gp_Vec(2.5, 2.5, 2.5),
                                      !alike && (i + j + k) % 2, true);
    return voids;
}

struct TouchRow
{
    const char* name;
    QList<Triangle> (*mesh)();
    double volume; // 0: by the winding count
    int solids;
};

const gp_Vec kTen(10, 10, 10);

// One test a row: under the sanitizers on a busy machine the rows together ran past CTest's limit.
const TouchRow kTouchRows[] = {
    {"ball_poking_out", [] { return joined({sphereTriangles(20, gp_XYZ(0, 0, 0), false), sphereTriangles(5, gp_XYZ(16, 0, 0), false)}); }, 0, 1},
    {"void_poking_out", [] { return joined({sphereTriangles(20, gp_XYZ(0, 0, 0), false), sphereTriangles(5, gp_XYZ(16, 0, 0), true)}); }, 0, 2},
    {"cubes_sharing_a_face", [] { return boxTriangles(gp_Pnt(0, 0, 0), kTen) + boxTriangles(gp_Pnt(10, 0, 0), kTen, true); }, 2000, 1},
    {"cubes_sharing_a_face_split_alike", [] { return boxTriangles(gp_Pnt(0, 0, 0), kTen) + boxTriangles(gp_Pnt(10, 0, 0), kTen); }, 2000, 1},
    {"cubes_sharing_an_edge", [] { return boxTriangles(gp_Pnt(0, 0, 0), kTen) + boxTriangles(gp_Pnt(10, 10, 0), kTen); }, 2000, 2},
    {"cubes_sharing_an_edge_split_across", [] { return boxTriangles(gp_Pnt(0, 0, 0), kTen) + boxTriangles(gp_Pnt(10, 0, 10), kTen, true); }, 2000, 2},
    {"the_same_cube_twice", [] { return boxTriangles(gp_Pnt(0, 0, 0), kTen) + boxTriangles(gp_Pnt(0, 0, 0), kTen); }, 1000, 1},
    {"voids_sharing_a_face",
     [] {
         return joined({boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(20, 20, 20)), boxTriangles(gp_Pnt(5, 5, 5), gp_Vec(5, 5, 5), false, true),
                        boxTriangles(gp_Pnt(10, 5, 5), gp_Vec(5, 5, 5), true, true)});
     },
     8000 - 250, 1},
    {"void_taking_a_whole_side",
     [] { return boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(20, 20, 20)) + boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(10, 20, 20), false, true); },
     4000, 1},
    {"9_voids_in_a_layer", // every other void's sides split the other way
     [] {
         QList<Triangle> mesh = boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(12, 12, 12));
         for (int i = 0; i < 3; ++i)
             for (int j = 0; j < 3; ++j)
                 mesh += boxTriangles(gp_Pnt(1 + 3 * i, 1 + 3 * j, 1), gp_Vec(3, 3, 3), (i + j) % 2 == 1, true);
         return mesh;
     },
     1728 - 9 * 27, 1},
    {"64_voids_touching", [] { return boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(12, 12, 12)) + touchingVoids(true); }, 1728 - 1000, 1},
    {"64_voids_touching_split_apart", [] { return boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(12, 12, 12)) + touchingVoids(false); }, 1728 - 1000, 1},
    {"the_same_cube_twice_split_apart", [] { return boxTriangles(gp_Pnt(0, 0, 0), kTen) + boxTriangles(gp_Pnt(0, 0, 0), kTen, true); }, 1000, 1},
    {"void_taking_a_whole_side_split_apart",
     [] { return boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(20, 20, 20)) + boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(10, 20, 20), true, true); },
     4000, 1},
    {"void_in_a_corner", [] { return boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(20, 20, 20)) + boxTriangles(gp_Pnt(0, 0, 0), kTen, true, true); }, 7000, 1},
    {"cube_on_two_cubes",
     [] {
         return joined({boxTriangles(gp_Pnt(0, 0, 0), kTen), boxTriangles(gp_Pnt(10, 0, 0), kTen, true), boxTriangles(gp_Pnt(5, 0, 10), kTen)});
     },
     3000, 1},
};

class ShellsThatTouchOrCross : public TouchingShellsTest, public ::testing::WithParamInterface<TouchRow>
{
};

} // namespace

TEST_P(ShellsThatTouchOrCross, ComeInAsTheSlicerReadsThem)
{
    const TouchRow& row = GetParam();
    const QList<Triangle> mesh = row.mesh();
    const double expected = row.volume > 0 ? row.volume : windingVolume(mesh, 1500);
    const QString stl = file(QString::fromUtf8(row.name) + ".stl", binaryStl(mesh));
    const StlImportResult r = StlImporter::importStl(stl);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(r.valid) << r.warning.toStdString();
    EXPECT_TRUE(OccUtils::isValidShape(r.shape));
    const double volume = TestSupport::volumeOf(r.shape);
    EXPECT_GT(volume, 0.0);
    EXPECT_NEAR(volume, expected, 1e-4 * expected);
    EXPECT_EQ(TestSupport::countOf(r.shape, TopAbs_SOLID), row.solids);

    // Sewing alone joins shells that share sides: it must come out right, or say it could not.
    SCOPED_TRACE("sewn");
    const StlImportResult sewn = StlImporter::importStlBySewing(stl);
    ASSERT_TRUE(sewn.ok) << sewn.error.toStdString();
    expectRightOrRefused(sewn, expected, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Rows, ShellsThatTouchOrCross, ::testing::ValuesIn(kTouchRows),
                         [](const ::testing::TestParamInfo<TouchRow>& info) { return std::string(info.param.name); });

// Shells lying on one another where their triangles differ, voids against the outer side or
// each other, and many voids stacked: the direct road alone, against volumes by arithmetic.
TEST_F(TouchingShellsTest, ShellsOnOneAnotherWithOtherTrianglesComeInAsTheSlicerReadsThem)
{
    const gp_Vec ten(10, 10, 10);
    const QList<Triangle> outer = boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(20, 20, 20));
    QList<Triangle> stack; // 100 slabs 0.1 thick, each on the one below
    for (int k = 0; k < 100; ++k)
        stack += boxTriangles(gp_Pnt(1, 1, 1 + 0.1 * k), gp_Vec(8, 8, 0.1), k % 2 == 1, true);
    QList<Triangle> grid;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            for (int k = 0; k < 5; ++k)
                grid += boxTriangles(gp_Pnt(1 + i, 1 + j, 1 + k), gp_Vec(1, 1, 1), (i + j + k) % 2 == 1, true);
    const QList<Triangle> twoVoidsBox = boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(20, 15, 12));
    const auto twoVoidsSide = [](double x, bool otherDiagonal) {
        return boxTriangles(gp_Pnt(x, 1.5, 0.5), gp_Vec(5, 12, 11), otherDiagonal, true);
    };
    const struct
    {
        const char* name;
        QList<Triangle> mesh;
        double volume;
    } rows[] = {
        {"the same cube twice, one split about its middles",
         boxTriangles(gp_Pnt(0, 0, 0), ten) + fanned(boxTriangles(gp_Pnt(0, 0, 0), ten)), 1000},
        {"the same cube twice, both split about their middles",
         fanned(boxTriangles(gp_Pnt(0, 0, 0), ten)) + fanned(boxTriangles(gp_Pnt(0, 0, 0), ten, true)), 1000},
        {"void taking a whole side, split about its middles",
         outer + fanned(boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(10, 20, 20), false, true)), 4000},
        {"void's side within the outer side", outer + boxTriangles(gp_Pnt(0, 5, 5), ten, false, true), 7000},
        {"void's side within the outer side, split about its middles",
         outer + fanned(boxTriangles(gp_Pnt(0, 5, 5), ten, false, true)), 7000},
        {"void along an outer edge", outer + boxTriangles(gp_Pnt(0, 0, 5), ten, false, true), 7000},
        {"two voids sharing a face split alike", joined({twoVoidsBox, twoVoidsSide(5, false), twoVoidsSide(10, false)}),
         20 * 15 * 12 - 2 * 5 * 12 * 11},
        {"two voids sharing a face split apart", joined({twoVoidsBox, twoVoidsSide(5, false), twoVoidsSide(10, true)}),
         20 * 15 * 12 - 2 * 5 * 12 * 11},
        {"two voids sharing part of a face",
         joined({outer, boxTriangles(gp_Pnt(5, 5, 5), gp_Vec(5, 5, 5), false, true),
                 boxTriangles(gp_Pnt(10, 4, 4), gp_Vec(5, 7, 7), false, true)}),
         8000 - 125 - 245},
        {"cube on part of a face", boxTriangles(gp_Pnt(0, 0, 0), ten) + boxTriangles(gp_Pnt(10, 2, 2), gp_Vec(5, 5, 5)), 1125},
        {"cube inside, on part of the outer side", outer + boxTriangles(gp_Pnt(0, 5, 5), ten), 8000},
        {"100 voids stacked", boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(10, 10, 12)) + stack, 1200 - 100 * 8 * 8 * 0.1},
        {"125 voids touching", boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(7, 7, 7)) + grid, 343 - 125},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StlImportResult r = StlImporter::importStl(file(QString::fromUtf8(row.name) + ".stl", binaryStl(row.mesh)));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_TRUE(r.valid) << r.warning.toStdString();
        EXPECT_EQ(TestSupport::countOf(r.shape, TopAbs_SOLID), 1);
        EXPECT_NEAR(TestSupport::volumeOf(r.shape), row.volume, 1e-4 * row.volume);
    }
}

// A shell crossing itself gives the booleans a solid they cannot split right: what they make
// of it beside another shell disagrees with the shells' own volumes. The part must then come
// in as the slicer reads it, or be said not to combine; never a wrong solid given as sound.
TEST_F(TouchingShellsTest, UnionThatDisagreesWithItsShellsIsNotTaken)
{
    const QList<Triangle> pushed = pushedBox(5.0);
    const struct
    {
        const char* name;
        QList<Triangle> mesh;
    } rows[] = {
        {"a cube across its point", pushed + boxTriangles(gp_Pnt(3, 3, -3), gp_Vec(10, 10, 10))},
        {"its box beside it", pushed + boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(10, 10, 10))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const double expected = windingVolume(row.mesh, 1500);
        const StlImportResult r = StlImporter::importStl(file(QString::fromUtf8(row.name) + ".stl", binaryStl(row.mesh)));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        expectRightOrRefused(r, expected, 1e-3);
    }
}

// Triangles of one shell that pass through one another are told from those that only touch,
// among thousands, wherever the grid lists them.
TEST_F(TouchingShellsTest, ShellThroughItselfIsToldFromShellsThatTouch)
{
    // A ball whose cap above half its height is folded down through its bottom.
    QList<Triangle> folded;
    for (Triangle t : sphereTriangles(10.0, gp_XYZ(0, 0, 0), false)) {
        for (gp_Pnt& p : t)
            if (p.Z() > 5.0)
                p.SetZ(5.0 - 4.0 * (p.Z() - 5.0));
        folded.append(t);
    }
    const gp_Pnt a(0, 0, 0), b(10, 0, 0), c(0, 10, 0);
    const struct
    {
        const char* name;
        QList<Triangle> mesh;
        bool crosses;
    } rows[] = {
        {"box pushed through its bottom", pushedBox(5.0), true},
        {"box pushed just through its bottom", pushedBox(0.01), true},
        {"box pushed onto its bottom", pushedBox(0.0), false},
        {"ball", sphereTriangles(10.0, gp_XYZ(0, 0, 0), false), false},
        {"ball folded through itself", folded, true},
        {"two triangles through each other", {{a, b, c}, {gp_Pnt(2, 2, -1), gp_Pnt(2, 2, 1), gp_Pnt(20, 20, 0)}}, true},
        // The ball makes the cells small: the pair meets far from the long triangle's first cell.
        {"a small triangle through the far end of a long one, beside a ball",
         sphereTriangles(10.0, gp_XYZ(0, 0, 0), false)
             + QList<Triangle>{{gp_Pnt(50, 0, 0), gp_Pnt(80, 0, 0), gp_Pnt(50, 30, 0)},
                               {gp_Pnt(75, 2, -0.5), gp_Pnt(75, 2, 0.5), gp_Pnt(76, 3, 0)}},
         true},
        {"a corner on the other's inside", {{a, b, c}, {gp_Pnt(2, 2, 0), gp_Pnt(2, 2, 5), gp_Pnt(5, 5, 5)}}, false},
        {"on one node, through", {{a, b, c}, {a, gp_Pnt(5, 1, -1), gp_Pnt(1, 5, 1)}}, true},
        {"on one node, through, the node the first's second", {{c, a, b}, {a, gp_Pnt(5, 1, -1), gp_Pnt(1, 5, 1)}}, true},
        {"on one node, through, the node the first's third", {{b, c, a}, {a, gp_Pnt(5, 1, -1), gp_Pnt(1, 5, 1)}}, true},
        {"on one node, beside", {{a, b, c}, {a, gp_Pnt(-5, -1, -1), gp_Pnt(-1, -5, 1)}}, false},
        {"on one side, folded", {{a, b, c}, {a, b, gp_Pnt(3, 3, 1)}}, false},
        {"lying on each other, facing each other", {{a, b, c}, {gp_Pnt(1, 1, 0), gp_Pnt(1, 6, 0), gp_Pnt(6, 1, 0)}}, false},
        {"lying on each other, facing one way", {{a, b, c}, {gp_Pnt(1, 1, 0), gp_Pnt(6, 1, 0), gp_Pnt(1, 6, 0)}}, true},
        {"in one plane on one side, facing one way", {{a, b, c}, {b, gp_Pnt(10, 10, 0), c}}, false},
        {"in one plane on one node, facing one way", {{a, b, c}, {a, gp_Pnt(-10, 0, 0), gp_Pnt(0, -10, 0)}}, false},
        {"octahedron run round twice", octahedronTwice(10.0), true},
        // The boxes meet by less than a float's step there: rounded either way, they still meet.
        {"through each other where their boxes meet by ten microns",
         {{gp_Pnt(1000.00001, 0, -1), gp_Pnt(1000.00001, 0, 1), gp_Pnt(1000.00001, 10, 0)},
          {gp_Pnt(999, 3, 0), gp_Pnt(1000.00001 + 1e-5, 3, -0.3), gp_Pnt(1000.00001 + 1e-5, 3, 0.3)}},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StlMesh mesh = meshOf(row.mesh);
        const MeshGrid grid(mesh, 0.0);
        const MeshCrossings one = findCrossings(mesh, std::vector<int>(mesh.triangles.size(), 0), grid, 1e-6);
        EXPECT_EQ(one.self, row.crosses ? SelfCrossing::Found : SelfCrossing::None);
        // Told apart by shell: the same triangles numbered as shells of their own never cross
        // themselves, and cross one another where they crossed before.
        std::vector<int> own(mesh.triangles.size());
        for (std::size_t t = 0; t < own.size(); ++t)
            own[t] = int(t);
        const MeshCrossings apart = findCrossings(mesh, own, grid, 1e-6, {}, 1);
        EXPECT_EQ(apart.self, SelfCrossing::None);
        EXPECT_EQ(apart.pairsBetween > 0, row.crosses);
    }
}

namespace {

// Whether the import's sewing started.
class SewingSeen : public Message_ProgressIndicator
{
public:
    void Show(const Message_ProgressScope& scope, const Standard_Boolean) override
    {
        for (const Message_ProgressScope* s = &scope; s; s = s->Parent())
            if (s->Name() && std::strcmp(s->Name(), StlStage::kSewing) == 0)
                seen = true;
    }
    std::atomic<bool> seen{false};
};

} // namespace

// One shell through itself holds, by its signed volume, other than the slicer prints: no solid is
// made of it, at once and without sewing, whether alone or beside other shells, whether its
// triangles run one way or not, and also where it passes through itself along its own sides
// (an axis-aligned comb, whose winding count alone could not tell it) or runs round twice.
// Sewing alone comes out right or refuses.
TEST_F(TouchingShellsTest, ShellThroughItselfComesInAsTheSlicerReadsIt)
{
    // The box less the pyramid, whose tip (a third of its height, so 1/27 of it) pokes out
    // below the box and counts once more.
    const double pushedVolume = 1000.0 - 500.0 + 2.0 * 500.0 / 27.0;
    QList<Triangle> mixed = pushedBox(5.0); // some triangles run the other way
    for (qsizetype i = 0; i < mixed.size(); i += 3)
        mixed[i] = {mixed[i][0], mixed[i][2], mixed[i][1]};
    QList<Triangle> comb;
    for (const auto& t : MeshShapes::wellComb(4))
        comb.append({gp_Pnt(t[0]), gp_Pnt(t[1]), gp_Pnt(t[2])});
    const struct
    {
        const char* name;
        QList<Triangle> mesh;
        double volume; // by its winding
        bool woundOneWay = true;
    } rows[] = {
        {"pushed box alone", pushedBox(5.0), pushedVolume},
        {"pushed box, its triangles run either way", mixed, pushedVolume, false},
        {"pushed box with a cube beside it", pushedBox(5.0) + boxTriangles(gp_Pnt(20, 0, 0), gp_Vec(5, 5, 5)),
         pushedVolume + 125.0},
        // Four 2 mm wells going 4 mm below the bottom they pass through along its sides.
        {"comb of wells", comb, 4 * (1000.0 - 40.0 + 16.0)},
        // Twice the octahedron's volume by its signed count: its faces lie on one another facing
        // one way.
        {"octahedron run round twice", octahedronTwice(10.0), 4000.0 / 3.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.woundOneWay)
            EXPECT_NEAR(windingVolume(row.mesh, 1500), row.volume, 1e-2 * row.volume);
        const QString stl = file(QString::fromUtf8(row.name) + ".stl", binaryStl(row.mesh));
        const opencascade::handle<SewingSeen> sewing = new SewingSeen;
        const StlImportResult r = StlImporter::importStl(stl, -1.0, sewing->Start());
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_TRUE(r.throughItself);
        EXPECT_FALSE(r.solidBuilt);
        expectRightOrRefused(r, row.volume, 1e-3);
        EXPECT_FALSE(sewing->seen);
        const StlImportResult sewn = StlImporter::importStlBySewing(stl);
        ASSERT_TRUE(sewn.ok) << sewn.error.toStdString();
        expectRightOrRefused(sewn, row.volume, 1e-3);
    }
}
