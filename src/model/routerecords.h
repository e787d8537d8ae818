// Plain records of the routing model: tracks, their segments, rules and search answers.
#pragma once

#include "foundation/routingrules.h"

#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

#include <QList>
#include <QString>
#include <QtGlobal>

// Section applied to a whole route from the properties panel.
struct TrackProperties
{
    double width = 2.0;
    double height = 1.0;
};

struct RouteSegment
{
    enum Type { Horizontal = 0, Vertical = 1 };

    gp_Pnt start;      // of a horizontal segment, Z is the track's bottom face
    gp_Pnt end;
    int type = Horizontal;
    double width = 2.0;
    double height = 1.0; // a vertical segment is width x width and ignores it
    TopoDS_Shape shape;  // never saved; rebuilt from the end points
    Bnd_Box box;         // cached box of shape; void until built
};

struct Route
{
    quint64 id = 0; // 0 = not yet given; never saved
    QString netName;
    QString startRef;
    QString startPad;
    QString endRef; // end pair empty when the route ends on a track
    QString endPad;
    bool isComplete = false;
    bool endsOnTrack = false;
    gp_Pnt endJunction; // meaningful only when endsOnTrack
    QList<RouteSegment> segments;

    QString label() const { return QLatin1Char('#') + QString::number(id); }
};

// A stored track kept as it was read but never built (a value beyond the design's reach, or
// finished without a segment): no solid, not shown, not part of any check or export.
struct UnbuiltRoute
{
    Route route;
    int place = 0; // finished routes before it, so that it is written back where it was
};

// Answer of the host search for a T junction.
struct JunctionHost
{
    int routeIndex = -1;
    int segmentIndex = -1;
    gp_Pnt point;
    double distanceAlongHost = 0.0;
};

// One requested change of a segment's end points.
struct SegmentEndpoints
{
    int segmentIndex = -1;
    gp_Pnt start;
    gp_Pnt end;
};

struct CollisionResult
{
    bool isShort = false;
    bool isClearance = false;
    // The distance to the offender could not be computed: neither clear nor known to collide.
    bool isUnchecked = false;
    QString offender;

    bool isClear() const { return !isShort && !isClearance && !isUnchecked; }
    // Short over unchecked over too close over clear.
    int severity() const { return isShort ? 3 : isUnchecked ? 2 : isClearance ? 1 : 0; }
};
