// Test parts written to disk: OCCT solids through its STEP and STL writers, and hand-made
// STL bytes for edge cases.
#pragma once

#include "testsupport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <QTemporaryDir>

#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>
#include <gp_Vec.hxx>

#include <gtest/gtest.h>

#include <array>

namespace MeshFixtures {

using Triangle = std::array<gp_Pnt, 3>;

// The 12 outward triangles of an axis-aligned cube of the given size at the offset.
QList<Triangle> cubeTriangles(double size, const gp_Vec& offset = gp_Vec(0, 0, 0));
QList<Triangle> reversed(const QList<Triangle>& triangles);
// An axis-aligned box from its low corner and sizes, each side split as cubeTriangles splits
// it or, with otherDiagonal, along its other diagonal.
QList<Triangle> boxTriangles(const gp_Pnt& low, const gp_Vec& size, bool otherDiagonal = false, bool inward = false);

QByteArray asciiStl(const QList<Triangle>& triangles);
// announcedCount < 0 writes the real count.
QByteArray binaryStl(const QList<Triangle>& triangles, qint64 announcedCount = -1);

bool writeBytes(const QString& path, const QByteArray& bytes);
// Empty when the file cannot be read.
QByteArray readBytes(const QString& path);
// Tessellates the shape with the given linear deflection and writes it with OCCT's writer.
bool writeStl(const TopoDS_Shape& shape, const QString& path, double deflection, bool ascii);
using TestSupport::writeStep;

// Importer tests: files named inside a temporary folder of their own.
class PartFileTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString written = path(name);
        EXPECT_TRUE(writeBytes(written, bytes));
        return written;
    }

    QTemporaryDir m_dir;
};

} // namespace MeshFixtures
