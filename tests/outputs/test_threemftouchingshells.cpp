// A part read from an STL whose shells touch (cubes sharing a face, the same cube twice, voids
// against one another) must reach the 3MF as closed meshes holding the part's volume, worked
// out here from the boxes.
#include "meshchecks.h"

#include "foundation/stlimporter.h"
#include "outputs/stepexporter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

namespace {

struct Box
{
    std::array<double, 3> low, size;
    bool otherDiagonal = false; // sides split along their other diagonal
    bool inward = false;
};

// ASCII STL of the boxes, each side as two triangles.
QByteArray stlOf(const std::vector<Box>& boxes)
{
    // Corners counter-clockwise seen from outside, as unit-cube offsets.
    static const int sides[6][4][3] = {
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
    };
    QByteArray out = "solid boxes\n";
    for (const Box& b : boxes)
        for (const auto& side : sides) {
            const auto corner = [&](int i) {
                QByteArray v = "vertex";
                for (int k = 0; k < 3; ++k)
                    v += ' ' + QByteArray::number(b.low[std::size_t(k)] + b.size[std::size_t(k)] * side[i][k]);
                return v + '\n';
            };
            const int halves[2][2][3] = {{{0, 1, 2}, {0, 2, 3}}, {{0, 1, 3}, {1, 2, 3}}};
            for (const auto& t : halves[b.otherDiagonal ? 1 : 0]) {
                out += "facet normal 0 0 0\nouter loop\n";
                out += corner(t[0]);
                out += b.inward ? corner(t[2]) + corner(t[1]) : corner(t[1]) + corner(t[2]);
                out += "endloop\nendfacet\n";
            }
        }
    return out + "endsolid boxes\n";
}

} // namespace

TEST(ThreeMfTouchingShells, ExportedMeshesAreClosedAndHoldThePart)
{
    struct Row
    {
        const char* name;
        std::vector<Box> boxes;
        double volume;
    };
    std::vector<Box> voids = {{{0, 0, 0}, {12, 12, 12}}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            voids.push_back({{1.0 + 3 * i, 1.0 + 3 * j, 1}, {3, 3, 3}, (i + j) % 2 == 1, true});
    const std::vector<Row> rows = {
        {"cubes sharing a face", {{{0, 0, 0}, {10, 10, 10}}, {{10, 0, 0}, {10, 10, 10}, true}}, 2000},
        {"the same cube twice", {{{0, 0, 0}, {10, 10, 10}}, {{0, 0, 0}, {10, 10, 10}}}, 1000},
        {"voids side by side", voids, 1728 - 9 * 27},
    };
    QTemporaryDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.filePath(QString::fromUtf8(row.name) + ".stl");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(stlOf(row.boxes));
        file.close();
        const StlImportResult part = StlImporter::importStl(path);
        ASSERT_TRUE(part.ok) << part.error.toStdString();
        EXPECT_TRUE(part.valid) << part.warning.toStdString();
        EXPECT_NEAR(StepExporter::volumeOf(part.shape), row.volume, 1e-6 * row.volume);

        MeshCheckCounts counts;
        int unmeshed = 0;
        const ShellMesh mesh = MeshChecks::exportedMesh(part.shape, counts, unmeshed);
        EXPECT_EQ(MeshChecks::edgeCounts(mesh).open, 0);
        EXPECT_EQ(counts.openShells, 0);
        EXPECT_EQ(unmeshed, 0);
        EXPECT_NEAR(MeshChecks::enclosedVolume(mesh), row.volume, 1e-6 * row.volume);
    }
}
