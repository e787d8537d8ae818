#include "foundation/geometryutils.h"
#include "foundation/geometryutils_p.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"

#include <BRepClass_FaceClassifier.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <Geom_Surface.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <QDebug>

#include <limits>

namespace GeometryUtils {

TopoDS_Face findClosestFace(const gp_Pnt& point, const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return TopoDS_Face();
    try {
        double fallbackDistance = std::numeric_limits<double>::max();
        double inOnDistance = std::numeric_limits<double>::max();
        TopoDS_Face fallbackFace;
        TopoDS_Face inOnFace;
        for (TopExp_Explorer ex(shape, TopAbs_FACE); ex.More(); ex.Next()) {
            const TopoDS_Face face = TopoDS::Face(ex.Current());
            const Handle(Geom_Surface) surface = BRep_Tool::Surface(face);
            if (surface.IsNull())
                continue;
            try {
                GeomAPI_ProjectPointOnSurf projector(point, surface);
                if (!projector.IsDone() || projector.NbPoints() < 1)
                    continue;
                const double d = projector.Distance(1);
                if (d < fallbackDistance) {
                    fallbackFace = face;
                    fallbackDistance = d;
                }
                if (d < inOnDistance) {
                    double u = 0.0, v = 0.0;
                    projector.Parameters(1, u, v);
                    BRepClass_FaceClassifier classifier;
                    classifier.Perform(face, gp_Pnt2d(u, v), 1e-7);
                    const TopAbs_State state = classifier.State();
                    if (state == TopAbs_IN || state == TopAbs_ON) {
                        inOnFace = face;
                        inOnDistance = d;
                    }
                }
            } catch (...) {
                qCDebug(lcGeometry) << "findClosestFace: exception on a face (ignored):"
                                    << OccUtils::currentExceptionMessage();
            }
        }
        if (!inOnFace.IsNull())
            return inOnFace;
        if (!fallbackFace.IsNull()) {
            qWarning() << "findClosestFace: no IN/ON face found, using the fallback (closest face). Distance:"
                       << fallbackDistance;
            return fallbackFace;
        }
        qWarning() << "findClosestFace: shape has no projectable face.";
        return TopoDS_Face();
    } catch (...) {
        detail::warnCaught("findClosestFace");
        return TopoDS_Face();
    }
}

gp_Pnt projectToSurface(const gp_Pnt& point, const TopoDS_Shape& part, double offset)
{
    try {
        const TopoDS_Face face = findClosestFace(point, part);
        if (face.IsNull()) {
            qWarning() << "projectToSurface: no face found, returning the original point.";
            return point;
        }
        const Handle(Geom_Surface) surface = BRep_Tool::Surface(face);
        if (surface.IsNull()) {
            qWarning() << "projectToSurface: null geometric surface, returning the original point.";
            return point;
        }
        GeomAPI_ProjectPointOnSurf projector(point, surface);
        if (!projector.IsDone() || projector.NbPoints() < 1) {
            qWarning() << "projectToSurface: projection failed, returning the original point.";
            return point;
        }
        const gp_Pnt q = projector.Point(1);
        const gp_Vec n = calculateFaceNormal(face);
        const gp_Vec m = ensureNormalPointsOutward(face, n, part, &point);
        const double length = m.Magnitude();
        if (length <= 1e-7) {
            qWarning() << "projectToSurface: null outward normal, vertical offset applied.";
            return gp_Pnt(q.X(), q.Y(), q.Z() + offset);
        }
        return q.Translated(m / length * offset);
    } catch (...) {
        detail::warnCaught("projectToSurface");
        return point;
    }
}

} // namespace GeometryUtils
