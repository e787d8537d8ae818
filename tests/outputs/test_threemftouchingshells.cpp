// A part read from an STL whose shells touch (cubes sharing a face, the same cube twice, voids
// against one another) must reach the 3MF as closed meshes holding the part's volume, worked
// out here from the boxes.
#include "../foundation/meshfixtures.h"
#include "meshchecks.h"

#include "foundation/stlimporter.h"
#include "outputs/stepexporter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using MeshFixtures::boxTriangles;

TEST(ThreeMfTouchingShells, ExportedMeshesAreClosedAndHoldThePart)
{
    struct Row
    {
        const char* name;
        QList<MeshFixtures::Triangle> mesh;
        double volume;
    };
    const gp_Vec ten(10, 10, 10);
    QList<MeshFixtures::Triangle> voids = boxTriangles(gp_Pnt(0, 0, 0), gp_Vec(12, 12, 12));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            voids += boxTriangles(gp_Pnt(1 + 3 * i, 1 + 3 * j, 1), gp_Vec(3, 3, 3), (i + j) % 2 == 1, true);
    const std::vector<Row> rows = {
        {"cubes sharing a face", boxTriangles(gp_Pnt(0, 0, 0), ten) + boxTriangles(gp_Pnt(10, 0, 0), ten, true), 2000},
        {"the same cube twice", boxTriangles(gp_Pnt(0, 0, 0), ten) + boxTriangles(gp_Pnt(0, 0, 0), ten), 1000},
        {"voids side by side", voids, 1728 - 9 * 27},
    };
    QTemporaryDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.filePath(QString::fromUtf8(row.name) + ".stl");
        ASSERT_TRUE(MeshFixtures::writeBytes(path, MeshFixtures::asciiStl(row.mesh)));
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
