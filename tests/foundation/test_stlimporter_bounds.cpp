// The import's work follows what the mesh holds: the grid's cells follow the triangles (long spikes,
// a fine shell beside a coarse one), copies of a shell are one, a union or a sewing past what a
// part needs is refused before it starts, and what cannot be checked in full is said. Every bound
// here is a count of work, never a time.
#include "meshfixtures.h"
#include "meshshapes.h"

#include "foundation/meshgrid.h"
#include "foundation/stlimporter.h"
#include "foundation/stlmesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <map>
#include <tuple>

using namespace MeshFixtures;

namespace {

class StlBoundsTest : public PartFileTest
{
protected:
    QString written(const QString& name, const MeshShapes::Soup& soup)
    {
        const QString stl = path(name + ".stl");
        EXPECT_TRUE(MeshShapes::writeBinaryStl(stl, soup));
        return stl;
    }
};

StlMesh meshOf(const MeshShapes::Soup& soup)
{
    StlMesh mesh;
    std::map<std::tuple<double, double, double>, int> index;
    for (const auto& t : soup) {
        std::array<int, 3> tri;
        for (std::size_t k = 0; k < 3; ++k) {
            const auto [it, added] =
                index.emplace(std::make_tuple(t[k].X(), t[k].Y(), t[k].Z()), int(mesh.nodes.size()));
            if (added)
                mesh.nodes.push_back(t[k]);
            tri[k] = it->second;
        }
        mesh.triangles.push_back(tri);
    }
    return mesh;
}

// The pairs of triangles the grid's cells list together, per triangle: the self-crossing check's work.
double pairsPerTriangle(const MeshShapes::Soup& soup)
{
    const StlMesh mesh = meshOf(soup);
    const MeshGrid grid(mesh, 0.0);
    double pairs = 0.0;
    for (std::size_t c = 0; c < grid.cellCount(); ++c)
        pairs += 0.5 * double(grid.size(c)) * double(grid.size(c) > 0 ? grid.size(c) - 1 : 0);
    return pairs / double(mesh.triangles.size());
}

MeshShapes::Soup joined(MeshShapes::Soup a, const MeshShapes::Soup& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A cone of the given sides on the unit disc, 10 high: every side meets at its tip, and every
// triangle of its base at its centre.
MeshShapes::Soup cone(int sides)
{
    MeshShapes::Soup soup;
    const gp_XYZ tip(0, 0, 10), centre(0, 0, 0);
    for (int k = 0; k < sides; ++k) {
        const double a = 2.0 * M_PI * k / sides, b = 2.0 * M_PI * (k + 1) / sides;
        const gp_XYZ p(std::cos(a), std::sin(a), 0), q(std::cos(b), std::sin(b), 0);
        soup.push_back({p, q, tip});
        soup.push_back({q, p, centre});
    }
    return soup;
}

} // namespace

// The cells follow the triangles: a sphere with a long spike on every face, or a fine sphere beside
// a coarse one far away, costs about what a plain sphere of as many triangles does, where cells
// sized from the whole mesh's mean side made the check go quadratic (53 s for 61,440 spiked
// triangles). Each imports as a checked solid.
TEST_F(StlBoundsTest, GridWorkFollowsTheTrianglesNotTheirExtent)
{
    const MeshShapes::Soup plain = MeshShapes::spikedSphere(4, 10.0, 0.5);
    const MeshShapes::Soup fine = MeshShapes::spikedSphere(4, 10.0, 0.05);
    const struct
    {
        const char* name;
        MeshShapes::Soup mesh;
        MeshShapes::Soup reference; // as many triangles, plainly laid out
        double most;                // times the reference's pairs per triangle
    } rows[] = {
        {"spiked sphere", MeshShapes::spikedSphere(4), plain, 8.0},
        {"fine sphere beside a coarse one", joined(fine, MeshShapes::moved(MeshShapes::spikedSphere(0, 300.0, 0.0), gp_XYZ(600, 0, 0))),
         fine, 2.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_LE(pairsPerTriangle(row.mesh), row.most * pairsPerTriangle(row.reference));
        const StlImportResult r = StlImporter::importStl(written(row.name, row.mesh));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_TRUE(r.solidBuilt && r.valid);
        EXPECT_FALSE(r.crossingUnchecked);
        EXPECT_TRUE(r.warning.isEmpty()) << r.warning.toStdString();
    }
}

// A triangle the grid files by its box is listed by the cell holding any point of that box: the
// self-crossing search tries a pair only in the cell holding the lowest corner of where their
// boxes overlap.
TEST_F(StlBoundsTest, CellHoldingAnyPointOfABoxListsItsTriangle)
{
    const struct
    {
        const char* name;
        MeshShapes::Soup mesh;
    } rows[] = {
        {"torus knot with slivers", MeshShapes::torusKnot(20000, true)},
        {"fine sphere beside a coarse one",
         joined(MeshShapes::spikedSphere(4, 10.0, 0.05), MeshShapes::moved(MeshShapes::spikedSphere(0, 300.0, 0.0), gp_XYZ(600, 0, 0)))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StlMesh mesh = meshOf(row.mesh);
        const MeshGrid grid(mesh, 0.0);
        std::size_t byBox = 0, missed = 0;
        for (int t = 0; t < int(mesh.triangles.size()); ++t) {
            if (!grid.listedByBox(t))
                continue;
            ++byBox;
            const MeshGrid::Box box = grid.boxOf(t);
            for (int corner = 0; corner < 9; ++corner) {
                // The box's eight corners and its centre.
                gp_XYZ p;
                for (int i = 0; i < 3; ++i)
                    p.SetCoord(i + 1, corner == 8 ? 0.5 * (box.low[std::size_t(i)] + box.high[std::size_t(i)])
                                                  : (corner >> i & 1 ? box.high : box.low)[std::size_t(i)]);
                const int cell = grid.cellAt(p);
                missed += cell < 0 || std::find(grid.begin(std::size_t(cell)), grid.end(std::size_t(cell)), t) == grid.end(std::size_t(cell));
            }
        }
        EXPECT_GT(byBox, mesh.triangles.size() / 2);
        EXPECT_EQ(missed, 0u);
    }
}

// Copies of one shell add their turns at every point: one shell of their summed turn holds it
// all (100 copies of a cube took 99 s and 2 GB of booleans). Shells crossing one another in
// many places split into cells faster than their number grows: past a count of crossings the
// union is refused before any boolean, with no solid and a message; a few are united.
TEST_F(StlBoundsTest, ShellsThatRepeatOrCrossAreUnitedWithinBounds)
{
    const MeshShapes::Soup cube = MeshShapes::box({0, 0, 0}, {10, 10, 10});
    MeshShapes::Soup hundred, turned;
    for (int i = 0; i < 100; ++i)
        hundred = joined(hundred, cube);
    for (int i = 0; i < 3; ++i)
        turned = joined(turned, cube);
    turned = joined(turned, MeshShapes::box({0, 0, 0}, {10, 10, 10}, true));
    const struct
    {
        const char* name;
        MeshShapes::Soup mesh;
        int copies;
        double volume; // 0: not united
    } rows[] = {
        {"100 copies of a cube", hundred, 99, 1000.0},
        // Triangles on the same nodes facing each other cancel first: two copies are left.
        {"three copies of a cube facing out, one facing in", turned, 1, 1000.0},
        // Three teeth along x crossing three along y: 9 crossings, each 1 x 1 x 0.5 shared.
        {"teeth crossing in 9 places", MeshShapes::crossingTeeth(3), 0, 36.0 - 4.5},
        {"teeth crossing in 400 places", MeshShapes::crossingTeeth(20), 0, 0.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StlImportResult r = StlImporter::importStl(written(row.name, row.mesh));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.copiedShellCount, row.copies);
        if (row.volume > 0.0) {
            EXPECT_TRUE(r.solidBuilt && r.valid);
            EXPECT_FALSE(r.shellsUncombined);
            EXPECT_EQ(TestSupport::countOf(r.shape, TopAbs_SOLID), 1);
            EXPECT_NEAR(TestSupport::volumeOf(r.shape), row.volume, 1e-6 * row.volume);
            continue;
        }
        EXPECT_TRUE(r.shellsUncombined);
        EXPECT_GT(r.unitedFacePairs, 0);
        EXPECT_FALSE(r.solidBuilt);
        EXPECT_EQ(TestSupport::countOf(r.shape, TopAbs_SOLID), 0);
        EXPECT_TRUE(r.warning.startsWith(QStringLiteral("The closed shells of the STL mesh cross one another in too "
                                                        "many places (%1 pairs of faces)")
                                             .arg(r.unitedFacePairs)))
            << r.warning.toStdString();
    }
}

// Where the triangles crowd about one point past what the bound lets the check try (a cone of
// 5,000 sides, every one meeting at its tip), the part is built and the check said unfinished;
// a heap of loose triangles crossing one another is refused before sewing, which would compare
// its sides with one another by the million. A plain open mesh is still sewn.
TEST_F(StlBoundsTest, WhatPassesTheBoundsIsSaid)
{
    MeshShapes::Soup heap;
    unsigned seed = 7;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % 10000) / 1000.0;
    };
    for (int i = 0; i < 3000; ++i)
        heap.push_back({gp_XYZ(next(), next(), next()), gp_XYZ(next(), next(), next()), gp_XYZ(next(), next(), next())});
    MeshShapes::Soup open = MeshShapes::nearWeldedSphere(2000);
    open.resize(open.size() / 2);

    const StlImportResult crowded = StlImporter::importStl(written("cone", cone(5000)));
    ASSERT_TRUE(crowded.ok) << crowded.error.toStdString();
    EXPECT_TRUE(crowded.solidBuilt && crowded.valid);
    EXPECT_TRUE(crowded.crossingUnchecked);
    EXPECT_TRUE(crowded.warning.startsWith("The triangles crowd so densely about some points that the check for a "
                                           "surface passing through itself was not finished"))
        << crowded.warning.toStdString();

    const StlImportResult refused = StlImporter::importStl(written("heap", heap));
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.error.contains(QStringLiteral("side(s) crowded too closely together to be joined")))
        << refused.error.toStdString();

    const StlImportResult sewn = StlImporter::importStl(written("open", open));
    ASSERT_TRUE(sewn.ok) << sewn.error.toStdString();
    EXPECT_GT(sewn.freeEdgeCount, 0);
}
