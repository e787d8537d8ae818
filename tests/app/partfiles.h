// Part files written on the fly for the import tests: STEP files with chosen roots and STL
// meshes of boxes.
#pragma once

#include <QList>
#include <QString>

#include <TopoDS_Shape.hxx>

namespace PartFiles {

TopoDS_Shape box(double dx, double dy, double dz);
// The faces of that box as one shell and no solid, as a surface model comes: closed, or open
// where its first face is left out.
TopoDS_Shape boxSurfaces(double dx, double dy, double dz, bool open);

// One STEP root per shape, in order. Returns false when the writer refuses.
bool writeStep(const QString& path, const QList<TopoDS_Shape>& roots);

// Binary STL of the shape's triangulation.
bool writeStl(const QString& path, const TopoDS_Shape& shape);

} // namespace PartFiles
