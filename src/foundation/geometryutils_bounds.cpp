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
#include <optional>

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

bool hasExactFaceMeshes(const TopoDS_Shape& shape)
{
    try {
        bool any = false;
        for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
            TopLoc_Location location;
            const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(TopoDS::Face(ex.Current()), location);
            if (mesh.IsNull() || mesh->Deflection() != 0.0)
                return false;
            any = true;
        }
        return any;
    } catch (...) {
        detail::warnCaught("hasExactFaceMeshes");
        return false;
    }
}

namespace detail {

std::optional<MeshSummary> summarizeExactMeshes(const TopoDS_Shape& shape)
{
    MeshSummary summary;
    gp_XYZ moment(0, 0, 0);
    bool any = false;
    for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
        const TopoDS_Face& face = TopoDS::Face(ex.Current());
        TopLoc_Location location;
        const Handle(Poly_Triangulation) mesh = BRep_Tool::Triangulation(face, location);
        if (mesh.IsNull() || mesh->Deflection() != 0.0)
            return std::nullopt;
        any = true;
        const gp_Trsf& place = location.Transformation();
        const bool reversed = face.Orientation() == TopAbs_REVERSED;
        for (int i = 1; i <= mesh->NbTriangles(); ++i) {
            int n1, n2, n3;
            mesh->Triangle(i).Get(n1, n2, n3);
            if (reversed)
                std::swap(n2, n3);
            const gp_XYZ a = mesh->Node(n1).Transformed(place).XYZ();
            const gp_XYZ b = mesh->Node(n2).Transformed(place).XYZ();
            const gp_XYZ c = mesh->Node(n3).Transformed(place).XYZ();
            // Signed volume of the tetrahedron on the origin, and its centre weighted by it.
            const double v = a.Dot(b ^ c) / 6.0;
            summary.volume += v;
            moment += v * (a + b + c) / 4.0;
            for (const gp_XYZ* p : {&a, &b, &c})
                summary.box.Add(gp_Pnt(*p));
        }
    }
    if (!any)
        return std::nullopt;
    if (std::abs(summary.volume) > 0.0)
        summary.centroid = gp_Pnt(moment / summary.volume);
    return summary;
}

} // namespace detail

TopoDS_Shape centerOnPlateauByCentroid(const TopoDS_Shape& shape, double targetX, double targetY,
                                       double targetZ)
{
    if (shape.IsNull())
        return shape;
    try {
        // A mesh part's faces are their own triangles: one pass over them gives the exact box
        // and centroid, where the general way costs a large part seconds per click.
        const std::optional<detail::MeshSummary> mesh = detail::summarizeExactMeshes(shape);
        const Bnd_Box box = mesh ? mesh->box : getTightBoundingBox(shape);
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
            if (!mesh)
                BRepGProp::VolumeProperties(shape, props, false, false, false);
            if (mesh ? mesh->volume > 1e-7 : props.Mass() > 1e-7) {
                const gp_Pnt c = mesh ? mesh->centroid : props.CentreOfMass();
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
