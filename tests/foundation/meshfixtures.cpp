#include "meshfixtures.h"

#include <QDataStream>
#include <QFile>

#include <BRepMesh_IncrementalMesh.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <StlAPI_Writer.hxx>

namespace MeshFixtures {

QList<Triangle> cubeTriangles(double s, const gp_Vec& o)
{
    auto p = [&](double x, double y, double z) { return gp_Pnt(x * s, y * s, z * s).Translated(o); };
    // Corners counter-clockwise seen from outside.
    const QList<std::array<std::array<int, 3>, 4>> quads = {
        {{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}}, // bottom
        {{{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}}, // top
        {{{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}}, // front y=0
        {{{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}}}, // back y=1
        {{{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}}, // left x=0
        {{{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}}, // right x=1
    };
    QList<Triangle> out;
    for (const auto& q : quads) {
        const gp_Pnt a = p(q[0][0], q[0][1], q[0][2]);
        const gp_Pnt b = p(q[1][0], q[1][1], q[1][2]);
        const gp_Pnt c = p(q[2][0], q[2][1], q[2][2]);
        const gp_Pnt d = p(q[3][0], q[3][1], q[3][2]);
        out.append({a, b, c});
        out.append({a, c, d});
    }
    return out;
}

QList<Triangle> reversed(const QList<Triangle>& triangles)
{
    QList<Triangle> out;
    for (const Triangle& t : triangles)
        out.append({t[0], t[2], t[1]});
    return out;
}

QList<Triangle> boxTriangles(const gp_Pnt& low, const gp_Vec& size, bool otherDiagonal, bool inward)
{
    QList<Triangle> out;
    for (const Triangle& t : cubeTriangles(1.0)) {
        Triangle scaled;
        for (std::size_t k = 0; k < 3; ++k)
            scaled[k] = gp_Pnt(low.X() + size.X() * t[k].X(), low.Y() + size.Y() * t[k].Y(), low.Z() + size.Z() * t[k].Z());
        out.append(scaled);
    }
    if (otherDiagonal) {
        // Each side comes as (a b c), (a c d): make it (a b d), (b c d).
        for (qsizetype i = 0; i + 1 < out.size(); i += 2) {
            const gp_Pnt a = out[i][0], b = out[i][1], c = out[i][2], d = out[i + 1][2];
            out[i] = {a, b, d};
            out[i + 1] = {b, c, d};
        }
    }
    return inward ? reversed(out) : out;
}

QByteArray asciiStl(const QList<Triangle>& triangles)
{
    QByteArray out = "solid test\n";
    for (const Triangle& t : triangles) {
        out += "  facet normal 0 0 0\n    outer loop\n";
        for (const gp_Pnt& p : t)
            out += QByteArray("      vertex ") + QByteArray::number(p.X(), 'g', 17) + ' '
                + QByteArray::number(p.Y(), 'g', 17) + ' ' + QByteArray::number(p.Z(), 'g', 17) + '\n';
        out += "    endloop\n  endfacet\n";
    }
    out += "endsolid test\n";
    return out;
}

QByteArray binaryStl(const QList<Triangle>& triangles, qint64 announcedCount)
{
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    const QByteArray header(80, '\x01');
    stream.writeRawData(header.constData(), header.size());
    stream << quint32(announcedCount < 0 ? triangles.size() : announcedCount);
    for (const Triangle& t : triangles) {
        stream << float(0) << float(0) << float(0);
        for (const gp_Pnt& p : t)
            stream << float(p.X()) << float(p.Y()) << float(p.Z());
        stream << quint16(0);
    }
    return out;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeStl(const TopoDS_Shape& shape, const QString& path, double deflection, bool ascii)
{
    BRepMesh_IncrementalMesh mesher(shape, deflection, false, 0.5, false);
    StlAPI_Writer writer;
    writer.ASCIIMode() = ascii;
    return writer.Write(shape, path.toUtf8().constData());
}

} // namespace MeshFixtures
