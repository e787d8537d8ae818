#include "foundation/geometryutils.h"
#include "foundation/geometryutils_p.h"
#include "foundation/logging.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <gp_Ax1.hxx>
#include <gp_Dir.hxx>

#include <QDebug>

#include <cmath>
#include <optional>

namespace GeometryUtils {

namespace {

constexpr double kZero = 1e-7;

double finiteBound(double value, double replacement)
{
    return std::abs(value) >= 1e100 ? replacement : value;
}

// The centre of mass of a face (by area) or a solid (by volume), or the centre of its box when
// the computation raises; nothing when it has no extent.
std::optional<gp_Pnt> centroidOf(const TopoDS_Shape& shape, bool byVolume)
{
    try {
        if (byVolume) {
            if (const std::optional<detail::MeshSummary> mesh = detail::summarizeExactMeshes(shape)) {
                if (mesh->volume > kZero)
                    return mesh->centroid;
                return std::nullopt;
            }
        }
        GProp_GProps props;
        if (byVolume)
            BRepGProp::VolumeProperties(shape, props, false, false, false);
        else
            BRepGProp::SurfaceProperties(shape, props, false, false);
        if (props.Mass() > kZero)
            return props.CentreOfMass();
        return std::nullopt;
    } catch (...) {
        const Bnd_Box box = boundingBoxOf(shape);
        if (box.IsVoid())
            return std::nullopt;
        return boxCenter(box);
    }
}

// The normal turned to point along direction (tracing the flip); nothing when the direction
// has no length and cannot decide.
std::optional<gp_Vec> facing(const gp_Vec& normal, const gp_Vec& direction, const char* flipTrace)
{
    if (direction.Magnitude() <= kZero)
        return std::nullopt;
    if (normal.Dot(direction) >= 0.0)
        return normal;
    qCDebug(lcGeometry) << flipTrace;
    return normal.Reversed();
}

} // namespace

gp_Vec calculateFaceNormal(const TopoDS_Face& face)
{
    const gp_Vec up(0.0, 0.0, 1.0);
    if (face.IsNull()) {
        qWarning() << "calculateFaceNormal: null face, returning (0,0,1).";
        return up;
    }
    try {
        BRepAdaptor_Surface surface(face, true);
        const double umin = finiteBound(surface.FirstUParameter(), -10.0);
        const double umax = finiteBound(surface.LastUParameter(), 10.0);
        const double vmin = finiteBound(surface.FirstVParameter(), -10.0);
        const double vmax = finiteBound(surface.LastVParameter(), 10.0);
        for (const double f : {0.5, 0.25, 0.75}) {
            gp_Pnt p;
            gp_Vec du, dv;
            surface.D1(umin + f * (umax - umin), vmin + f * (vmax - vmin), p, du, dv);
            const gp_Vec n = du.Crossed(dv);
            const double length = n.Magnitude();
            if (length > kZero)
                return n / length;
        }
        qWarning() << "calculateFaceNormal: null normal at every point candidates (face possibly degenerate). Returning (0,0,1).";
        return up;
    } catch (...) {
        detail::warnCaught("calculateFaceNormal");
        return up;
    }
}

gp_Vec ensureNormalPointsOutward(const TopoDS_Face& face, const gp_Vec& normal,
                                 const TopoDS_Shape& solid, const gp_Pnt* reference)
{
    try {
        if (normal.Magnitude() < kZero) {
            qWarning() << "ensureNormalPointsOutward: null normal on input, returning uncorrected.";
            return normal;
        }
        const std::optional<gp_Pnt> centroid = centroidOf(face, false);

        if (reference && centroid) {
            if (const auto n = facing(normal, gp_Vec(*centroid, *reference),
                                      "ensureNormalPointsOutward: normal flipped (level 1 - reference point)."))
                return *n;
        }
        const std::optional<gp_Pnt> inner =
            centroid && !solid.IsNull() ? centroidOf(solid, true) : std::nullopt;
        if (inner) {
            if (const auto n = facing(normal, gp_Vec(*inner, *centroid),
                                      "ensureNormalPointsOutward: normal flipped (level 2 - shape centroid)."))
                return *n;
        }

        if (face.Orientation() == TopAbs_REVERSED) {
            qCDebug(lcGeometry) << "ensureNormalPointsOutward: normal flipped (level 3 - topological orientation).";
            return normal.Reversed();
        }
        return normal;
    } catch (...) {
        detail::warnCaught("ensureNormalPointsOutward");
        return normal;
    }
}

gp_Trsf createRotationToDown(const gp_Vec& normal)
{
    gp_Trsf rotation;
    try {
        const gp_Dir d(normal);
        const gp_Dir down(0.0, 0.0, -1.0);
        const double angle = d.Angle(down);
        if (angle <= 1e-12)
            return rotation;
        if (M_PI - angle <= 1e-12) {
            rotation.SetRotation(gp_Ax1(gp_Pnt(0.0, 0.0, 0.0), gp_Dir(1.0, 0.0, 0.0)), M_PI);
            return rotation;
        }
        const gp_Vec c = normal.Crossed(gp_Vec(0.0, 0.0, -1.0));
        const double length = c.Magnitude();
        if (length <= kZero)
            return rotation;
        rotation.SetRotation(gp_Ax1(gp_Pnt(0.0, 0.0, 0.0), gp_Dir(c / length)), angle);
        return rotation;
    } catch (...) {
        detail::warnCaught("createRotationToDown");
        return gp_Trsf();
    }
}

gp_Trsf createRotationZ(const gp_Pnt& centre, double angle)
{
    gp_Trsf rotation;
    try {
        rotation.SetRotation(gp_Ax1(centre, gp_Dir(0.0, 0.0, 1.0)), angle);
        return rotation;
    } catch (...) {
        detail::warnCaught("createRotationZ");
        return gp_Trsf();
    }
}

} // namespace GeometryUtils
