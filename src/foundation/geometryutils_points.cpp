#include "foundation/geometryutils.h"

#include <BRepBndLib.hxx>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kZero = 1e-7;
}

namespace GeometryUtils {

gp_Pnt spiralPlacementPosition(int index, int count, double radius, double z)
{
    if (index == 0 || count < 1)
        return gp_Pnt(0.0, 0.0, z);
    const double s = std::sqrt(double(count));
    const double angle = 2.0 * M_PI * index / s;
    const double r = std::min(std::max(radius - 10.0, 0.0), std::sqrt(double(index)) * radius / s);
    return gp_Pnt(r * std::cos(angle), r * std::sin(angle), z);
}

double normalizeAngle360(double degrees)
{
    const double r = std::fmod(degrees, 360.0);
    return r < 0.0 ? r + 360.0 : r;
}

gp_Pnt pointWithZ(const gp_Pnt& point, double z)
{
    return gp_Pnt(point.X(), point.Y(), z);
}

gp_Pnt pointWithXY(const gp_Pnt& point, double x, double y)
{
    return gp_Pnt(x, y, point.Z());
}

double distanceXY(const gp_Pnt& a, const gp_Pnt& b)
{
    const double dx = b.X() - a.X();
    const double dy = b.Y() - a.Y();
    return std::sqrt(dx * dx + dy * dy);
}

double distancePointToSegment(const gp_Pnt& p, const gp_Pnt& a, const gp_Pnt& b, gp_Pnt* closest)
{
    if (closest)
        *closest = a;
    const gp_Vec d(a, b);
    const double len2 = d.SquareMagnitude();
    if (std::sqrt(len2) < kZero)
        return p.Distance(a);
    double t = gp_Vec(a, p).Dot(d) / len2;
    t = std::max(std::min(t, 1.0), 0.0);
    const gp_Pnt q = a.Translated(d * t);
    if (closest)
        *closest = q;
    return p.Distance(q);
}

double distancePointToSegmentXY(const gp_Pnt& p, const gp_Pnt& a, const gp_Pnt& b, gp_Pnt* closest)
{
    const double dx = b.X() - a.X();
    const double dy = b.Y() - a.Y();
    const double len2 = dx * dx + dy * dy;
    if (len2 < kZero * kZero) {
        if (closest)
            *closest = a;
        return distanceXY(p, a);
    }
    double t = ((p.X() - a.X()) * dx + (p.Y() - a.Y()) * dy) / len2;
    t = std::max(std::min(t, 1.0), 0.0);
    const gp_Pnt q(a.X() + t * dx, a.Y() + t * dy, a.Z() + t * (b.Z() - a.Z()));
    if (closest)
        *closest = q;
    return distanceXY(p, q);
}

std::optional<double> bendAngle(const gp_Pnt& a1, const gp_Pnt& b1, const gp_Pnt& a2, const gp_Pnt& b2)
{
    const gp_Vec u(a1, b1);
    const gp_Vec v(a2, b2);
    const double lu = u.Magnitude();
    const double lv = v.Magnitude();
    if (lu < kZero || lv < kZero)
        return std::nullopt;
    const double c = std::max(-1.0, std::min(1.0, (u / lu).Dot(v / lv)));
    const double angle = std::acos(c);
    if (angle < 1e-6)
        return std::nullopt;
    return angle;
}

Bnd_Box boundingBoxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    if (shape.IsNull())
        return box;
    try {
        BRepBndLib::Add(shape, box, true);
    } catch (...) {
        // Callers treat a void box as "no usable box".
        return Bnd_Box();
    }
    return box;
}

gp_Pnt boxCenter(const Bnd_Box& box)
{
    if (box.IsVoid())
        return gp_Pnt(0.0, 0.0, 0.0);
    double xmin, ymin, zmin, xmax, ymax, zmax;
    box.Get(xmin, ymin, zmin, xmax, ymax, zmax);
    return gp_Pnt((xmin + xmax) / 2.0, (ymin + ymax) / 2.0, (zmin + zmax) / 2.0);
}

} // namespace GeometryUtils
