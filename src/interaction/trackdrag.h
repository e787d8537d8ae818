// Geometry of dragging a finished track: which segments and corners can move, which
// segments a drag carries along, and whether a new position keeps the track whole.
#pragma once

#include "model/dragcommits.h"
#include "model/routerecords.h"

#include <array>

namespace TrackDrag {

using Slots = std::array<DragSlot, 4>;

enum CornerKind { NotDraggable = -1, HorizontalVertical = 0, VerticalHorizontal = 1, HorizontalHorizontal = 2 };

constexpr double kMinDraggedLength = 0.5;

bool isCentral(const Route& route, int k);
// A central horizontal segment between two horizontal ones. A vertical run cannot move
// sideways without tearing it from the segments or pads beyond its neighbours.
bool isDraggableSegment(const Route& route, int k);
// Kind of corner k (end of segment k); NotDraggable where a move would slant a vertical.
int cornerKind(const Route& route, int k);

// Slots 0..2 = segments k-1, k, k+1 (before = after = the current points).
Slots segmentSlots(const Route& route, int k);
Slots cornerSlots(const Route& route, int k, int kind);

// New after points for a plan offset (dx, dy) from the before points.
Slots movedSegment(const Slots& moving, double dirX, double dirY, double dx, double dy);
Slots movedCorner(const Slots& moving, int kind, double dx, double dy);

// Every moved segment at least the minimum length, every segment still horizontal or
// vertical, every joint still joined and both ends of the track still on their anchors.
bool isAcceptable(const Route& route, const Slots& moving);
// Every T junction that other tracks make on the moved segments stays on them (in plan,
// within half the segment's width): a drag never cuts another track off.
bool keepsJunctions(const QList<Route>& routes, int routeIndex, const Slots& moving);
// Whether the route's segments still stand where the slots took them from.
bool isUnchanged(const Route& route, const Slots& moving);

QList<SegmentEndpoints> endpointChanges(const Slots& moving);

} // namespace TrackDrag
