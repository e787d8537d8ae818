// A small board for the routing model's tests: two nets, square pads as box solids.
#pragma once

#include "routing/routingmanager.h"

#include <BRepPrimAPI_MakeBox.hxx>

#include <QMap>

namespace RoutingTest {

// A segment without its solid.
inline RouteSegment bareSegment(const gp_Pnt& a, const gp_Pnt& b, int type = RouteSegment::Horizontal,
                                double width = 2.0, double height = 1.0)
{
    RouteSegment s;
    s.start = a;
    s.end = b;
    s.type = type;
    s.width = width;
    s.height = height;
    return s;
}

// The same with its solid and box built.
inline RouteSegment segment(const gp_Pnt& a, const gp_Pnt& b, int type = RouteSegment::Horizontal,
                            double width = 2.0, double height = 1.0)
{
    RouteSegment s = bareSegment(a, b, type, width, height);
    RoutingManager::buildSegmentShape(s);
    return s;
}

// A pad of 2 x 2 mm in plan and 1 mm high whose underside (the base point) is at `base`.
inline TopoDS_Shape padSolid(const gp_Pnt& base)
{
    return BRepPrimAPI_MakeBox(gp_Pnt(base.X() - 1.0, base.Y() - 1.0, base.Z()), 2.0, 2.0, 1.0).Shape();
}

struct Pad
{
    PadId id;
    QString net; // empty: on no net
    gp_Pnt base;
};

// GND joins R1/1 (0,0), R2/1 (20,0) and R3/1 (20,20); VCC joins R1/2 (0,10) and R2/2 (40,10);
// U1/5 (24,20) is on no net. Bases at Z 0.
inline QList<Pad> boardPads()
{
    return {
        {{"R1", "1"}, "GND", {0, 0, 0}},   {{"R2", "1"}, "GND", {20, 0, 0}},
        {{"R3", "1"}, "GND", {20, 20, 0}}, {{"R1", "2"}, "VCC", {0, 10, 0}},
        {{"R2", "2"}, "VCC", {40, 10, 0}}, {{"U1", "5"}, QString(), {24, 20, 0}},
    };
}

inline void setUpBoard(RoutingManager& rm, const QList<Pad>& pads = boardPads())
{
    QMap<QString, QList<PadId>> netPads;
    for (const Pad& pad : pads)
        if (!pad.net.isEmpty())
            netPads[pad.net].append(pad.id);
    rm.setNetPads(netPads);
    rm.setPadObstacleProvider([pads] {
        QList<RoutingManager::PadObstacle> obstacles;
        for (const Pad& pad : pads)
            obstacles.append({pad.net, pad.id.toString(), padSolid(pad.base), Bnd_Box()});
        return obstacles;
    });
}

} // namespace RoutingTest
