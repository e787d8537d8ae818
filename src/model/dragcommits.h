// What a confirmed drag of a track changed: the moved segments' end points before and after.
// The routing controller applies the change first, then hands the record to the undo stack.
#pragma once

#include <QMetaType>
#include <QtGlobal>

#include <array>

#include <gp_Pnt.hxx>

// One segment taking part in a drag; segmentIndex -1 for an empty slot.
struct DragSlot
{
    int segmentIndex = -1;
    gp_Pnt beforeStart;
    gp_Pnt beforeEnd;
    gp_Pnt afterStart;
    gp_Pnt afterEnd;

    bool isUsed() const { return segmentIndex >= 0; }
};

struct EndpointPair
{
    gp_Pnt start;
    gp_Pnt end;
};

// A central segment k moved: segments k-1, k and k+1 before and after.
struct SegmentDragCommit
{
    int segmentIndex = -1;
    quint64 routeId = 0;
    std::array<EndpointPair, 3> before;
    std::array<EndpointPair, 3> after;
};

// A corner k moved: the four slots as they stood at the confirmation.
struct VertexDragCommit
{
    int vertexIndex = -1;
    quint64 routeId = 0;
    std::array<DragSlot, 4> dragSlots; // "slots" is taken by Qt's keywords
};

Q_DECLARE_METATYPE(SegmentDragCommit)
Q_DECLARE_METATYPE(VertexDragCommit)
