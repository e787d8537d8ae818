// Conductors that stand upright: a plan outline swept between two heights. Track segments and
// pad solids (boxes turned about Z, cylinders) all are, and their common volume and distance
// then follow from plane geometry instead of solid booleans.
#pragma once

#include <QList>
#include <QPointF>

#include <optional>

class TopoDS_Shape;
struct RouteSegment;

struct ConductorPrism
{
    QList<QPointF> outline; // convex, counter-clockwise, mm; a circle as a fine polygon
    double zLow = 0.0;
    double zHigh = 0.0;

    // The solid a segment's record describes; none for a slanted horizontal segment.
    static std::optional<ConductorPrism> ofSegment(const RouteSegment& segment);
    // A single solid of two horizontal faces and upright sides (planes or one Z cylinder)
    // whose outline is convex; none for anything else.
    static std::optional<ConductorPrism> ofSolid(const TopoDS_Shape& shape);

    static double commonVolume(const ConductorPrism& a, const ConductorPrism& b);
    static double distance(const ConductorPrism& a, const ConductorPrism& b);
};
