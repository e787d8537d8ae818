#include "foundation/geometryutils.h"
#include "foundation/geometryutils_p.h"
#include "foundation/logging.h"

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopoDS.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace GeometryUtils {

namespace {

constexpr int kTightBoxFaceLimit = 5000;

Bnd_Box fastBox(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::Add(shape, box, true);
    return box;
}

} // namespace

Bnd_Box getTightBoundingBox(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return Bnd_Box();
    // Every step is guarded: a caller must always get a box back (void at worst).
    try {
        int faces = 0;
        for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More() && faces <= kTightBoxFaceLimit; ex.Next())
            ++faces;
        if (faces > kTightBoxFaceLimit)
            return fastBox(shape);
        try {
            Bnd_Box tight;
            BRepBndLib::AddOptimal(shape, tight, false, false);
            if (!tight.IsVoid())
                return tight;
        } catch (...) {
            detail::warnCaught("getTightBoundingBox");
        }
        return fastBox(shape);
    } catch (...) {
        detail::warnCaught("getTightBoundingBox");
        return Bnd_Box();
    }
}

double thinnestSolidExtent(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return 0.0;
    try {
        double result = 0.0;
        for (TopExp_Explorer ex(shape, TopAbs_SOLID); ex.More(); ex.Next()) {
            Bnd_Box box;
            BRepBndLib::Add(ex.Current(), box, true);
            if (box.IsVoid())
                continue;
            double xmin, ymin, zmin, xmax, ymax, zmax;
            box.Get(xmin, ymin, zmin, xmax, ymax, zmax);
            const double m = std::min({xmax - xmin, ymax - ymin, zmax - zmin});
            if (!(m > 0.0) || !std::isfinite(m))
                continue;
            result = result <= 0.0 ? m : std::min(result, m);
        }
        return result;
    } catch (...) {
        detail::warnCaught("thinnestSolidExtent");
        return 0.0;
    }
}

namespace detail {

bool facesAreTheirMeshes(const TopoDS_Shape& shape)
{
    bool any = false;
    for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(TopoDS::Face(ex.Current()), location);
        if (mesh.IsNull() || mesh->Deflection() != 0.0)
            return false;
        any = true;
    }
    return any;
}

} // namespace detail

TopoDS_Shape centerOnPlateauByCentroid(const TopoDS_Shape& shape, double targetX, double targetY,
                                       double targetZ)
{
    if (shape.IsNull())
        return shape;
    try {
        const Bnd_Box box = getTightBoundingBox(shape);
        if (box.IsVoid()) {
            qWarning() << "centerOnPlateauByCentroid: empty bounding box, returning the original shape.";
            return shape;
        }
        double xmin, ymin, zmin, xmax, ymax, zmax;
        box.Get(xmin, ymin, zmin, xmax, ymax, zmax);
        double refX = (xmin + xmax) / 2.0;
        double refY = (ymin + ymax) / 2.0;
        const char* method = "bbox centre";
        try {
            GProp_GProps props;
            BRepGProp::VolumeProperties(shape, props, false, false, detail::facesAreTheirMeshes(shape));
            if (props.Mass() > 1e-7) {
                const gp_Pnt c = props.CentreOfMass();
                refX = c.X();
                refY = c.Y();
                method = "centroid";
            } else {
                qWarning() << "centerOnPlateauByCentroid: null volume, falling back on the bounding-box centre.";
            }
        } catch (...) {
            detail::warnCaught("centerOnPlateauByCentroid: VolumeProperties");
        }

        gp_Trsf translation;
        translation.SetTranslation(gp_Vec(targetX - refX, targetY - refY, targetZ - zmin));
        // OCCT 7.6 has no separate copy-mesh flag: without a geometry copy the mesh is kept.
        BRepBuilderAPI_Transform transform(shape, translation, false);
        if (!transform.IsDone()) {
            qWarning() << "centerOnPlateauByCentroid: transformation failed, returning the original shape.";
            return shape;
        }
        const TopoDS_Shape moved = transform.Shape();
        if (moved.IsNull()) {
            qWarning() << "centerOnPlateauByCentroid: transformed shape is null, returning the original shape.";
            return shape;
        }
        qCDebug(lcGeometry) << "centerOnPlateauByCentroid:" << method << "(" << refX << "," << refY << ")"
                            << "→ target (" << targetX << "," << targetY << ")";
        return moved;
    } catch (...) {
        detail::warnCaught("centerOnPlateauByCentroid");
        return shape;
    }
}

} // namespace GeometryUtils
