#include "partfiles.h"

#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <STEPControl_Writer.hxx>
#include <StlAPI_Writer.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Shell.hxx>

namespace PartFiles {

TopoDS_Shape box(double dx, double dy, double dz)
{
    return BRepPrimAPI_MakeBox(dx, dy, dz).Shape();
}

TopoDS_Shape boxSurfaces(double dx, double dy, double dz, bool open)
{
    const TopoDS_Shape solid = box(dx, dy, dz);
    TopoDS_Shell shell;
    BRep_Builder builder;
    builder.MakeShell(shell);
    for (TopExp_Explorer ex(solid, TopAbs_FACE); ex.More(); ex.Next())
        if (!open || !ex.Current().IsSame(TopExp_Explorer(solid, TopAbs_FACE).Current()))
            builder.Add(shell, ex.Current());
    return shell;
}

bool writeStep(const QString& path, const QList<TopoDS_Shape>& roots)
{
    STEPControl_Writer writer;
    for (const TopoDS_Shape& root : roots) {
        if (writer.Transfer(root, STEPControl_AsIs) != IFSelect_RetDone)
            return false;
    }
    return writer.Write(path.toLocal8Bit().constData()) == IFSelect_RetDone;
}

bool writeStl(const QString& path, const TopoDS_Shape& shape)
{
    BRepMesh_IncrementalMesh mesh(shape, 0.1);
    StlAPI_Writer writer;
    writer.ASCIIMode() = false;
    return writer.Write(shape, path.toLocal8Bit().constData());
}

} // namespace PartFiles
