// Part files written on the fly for the import tests: STEP files with chosen roots and STL
// meshes of boxes.
#pragma once

#include <QList>
#include <QString>

#include <TopoDS_Shape.hxx>

namespace PartFiles {

TopoDS_Shape box(double dx, double dy, double dz);

// One STEP root per shape, in order. Returns false when the writer refuses.
bool writeStep(const QString& path, const QList<TopoDS_Shape>& roots);

// Binary STL of the shape's triangulation.
bool writeStl(const QString& path, const TopoDS_Shape& shape);

} // namespace PartFiles
