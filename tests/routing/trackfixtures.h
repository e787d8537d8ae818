// Components with box pads and routes with built solids, for the resistance tests and benchmark.
#pragma once

#include "model/padid.h"
#include "model/placedcomponentdata.h"
#include "model/routerecords.h"
#include "routing/routingmanager.h"

#include <BRepBuilderAPI_Transform.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <gp_Ax1.hxx>

#include <cmath>

namespace TrackFixtures {

// One component with a single square pad "1" centred on position, the pad reaching
// footprintThickness (1) below and bodyUndercut (0.4) above position Z; turned by angle.
inline PlacedComponentData boxPadComponent(const QString& ref, const gp_Pnt& position,
                                           double padSize = 3.0, double angleDeg = 0.0,
                                           const QString& shape = QStringLiteral("rect"))
{
    PlacedComponentData c;
    c.ref = ref;
    c.position = position;
    c.rotation = angleDeg;
    PlacedPadData pad;
    pad.number = QStringLiteral("1");
    pad.shape = shape;
    pad.scaledWidth = padSize;
    pad.scaledHeight = padSize;
    pad.worldPosition = gp_Pnt(position.X(), position.Y(), position.Z() + c.bodyUndercut);
    const double bottom = position.Z() - c.footprintThickness;
    TopoDS_Shape solid = BRepPrimAPI_MakeBox(
        gp_Pnt(position.X() - padSize / 2, position.Y() - padSize / 2, bottom), padSize, padSize,
        c.footprintThickness + c.bodyUndercut).Shape();
    if (angleDeg != 0.0) {
        gp_Trsf turn;
        turn.SetRotation(gp_Ax1(position, gp::DZ()), angleDeg * M_PI / 180.0);
        solid = BRepBuilderAPI_Transform(solid, turn, true).Shape();
    }
    pad.placedShape = solid;
    c.pads.append(pad);
    return c;
}

inline RouteSegment horizontal(double x0, double y0, double x1, double y1, double z,
                               double width = 2.0, double height = 1.0)
{
    RouteSegment s;
    s.start = gp_Pnt(x0, y0, z);
    s.end = gp_Pnt(x1, y1, z);
    s.type = RouteSegment::Horizontal;
    s.width = width;
    s.height = height;
    return s;
}

inline RouteSegment vertical(double x, double y, double z0, double z1, double width = 2.0)
{
    RouteSegment s;
    s.start = gp_Pnt(x, y, z0);
    s.end = gp_Pnt(x, y, z1);
    s.type = RouteSegment::Vertical;
    s.width = width;
    return s;
}

// A finished route; segment solids are built as the routing model does.
inline Route route(const QString& net, const PadId& from, const PadId& to,
                   QList<RouteSegment> segments)
{
    Route r;
    r.netName = net;
    r.startRef = from.ref;
    r.startPad = from.pad;
    r.endRef = to.ref;
    r.endPad = to.pad;
    r.isComplete = true;
    for (RouteSegment& s : segments)
        RoutingManager::buildSegmentShape(s);
    r.segments = segments;
    return r;
}

inline Route junctionRoute(const QString& net, const PadId& from, const gp_Pnt& junction,
                           QList<RouteSegment> segments)
{
    Route r = route(net, from, PadId(), std::move(segments));
    r.endsOnTrack = true;
    r.endJunction = junction;
    return r;
}

} // namespace TrackFixtures
