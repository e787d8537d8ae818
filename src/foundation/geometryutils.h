// Stateless geometry helpers on OpenCASCADE values: points, angles and distances, projection
// onto the part, face normals and rotations, bounding boxes and centring on the build plate.
// None of them raises: every failure gives a neutral value (the input point or shape, the
// normal (0, 0, 1), the identity, the fast box, or 0).
#pragma once

#include <optional>

#include <Bnd_Box.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>
#include <gp_Trsf.hxx>
#include <gp_Vec.hxx>

namespace GeometryUtils {

// Points, angles and distances (lengths in mm, angles in radians unless stated).
gp_Pnt spiralPlacementPosition(int index, int count, double radius, double z);
double normalizeAngle360(double degrees);
gp_Pnt pointWithZ(const gp_Pnt& point, double z);
gp_Pnt pointWithXY(const gp_Pnt& point, double x, double y);
double distanceXY(const gp_Pnt& a, const gp_Pnt& b);
double distancePointToSegment(const gp_Pnt& p, const gp_Pnt& a, const gp_Pnt& b,
                              gp_Pnt* closest = nullptr);
double distancePointToSegmentXY(const gp_Pnt& p, const gp_Pnt& a, const gp_Pnt& b,
                                gp_Pnt* closest = nullptr);
std::optional<double> bendAngle(const gp_Pnt& a1, const gp_Pnt& b1, const gp_Pnt& a2,
                                const gp_Pnt& b2);
Bnd_Box boundingBoxOf(const TopoDS_Shape& shape);
gp_Pnt boxCenter(const Bnd_Box& box);

// Projection onto the part.
gp_Pnt projectToSurface(const gp_Pnt& point, const TopoDS_Shape& part, double offset);
TopoDS_Face findClosestFace(const gp_Pnt& point, const TopoDS_Shape& shape);

// Face normals and rotations.
gp_Vec calculateFaceNormal(const TopoDS_Face& face);
gp_Vec ensureNormalPointsOutward(const TopoDS_Face& face, const gp_Vec& normal,
                                 const TopoDS_Shape& solid, const gp_Pnt* reference = nullptr);
gp_Trsf createRotationToDown(const gp_Vec& normal);
gp_Trsf createRotationZ(const gp_Pnt& centre, double angle);

// Bounding boxes and centring on the plate.
Bnd_Box getTightBoundingBox(const TopoDS_Shape& shape);
double thinnestSolidExtent(const TopoDS_Shape& shape);
// True when every face of the shape carries a triangulation that is the face itself
// (deflection 0): an imported mesh part, which nothing needs to mesh again.
bool hasExactFaceMeshes(const TopoDS_Shape& shape);
TopoDS_Shape centerOnPlateauByCentroid(const TopoDS_Shape& shape, double targetX, double targetY,
                                       double targetZ);

} // namespace GeometryUtils
