// Which segments and corners of a track can be dragged, and what a drag moves.
#include "interaction/trackdrag.h"

#include <gtest/gtest.h>

namespace {

constexpr int H = RouteSegment::Horizontal;
constexpr int V = RouteSegment::Vertical;

// A chain from a list of (x, y, z) points and the type of each segment.
Route chain(const QList<gp_Pnt>& points, const QList<int>& types)
{
    Route r;
    for (int i = 0; i + 1 < points.size(); ++i) {
        RouteSegment s;
        s.start = points[i];
        s.end = points[i + 1];
        s.type = types[i];
        r.segments.append(s);
    }
    return r;
}

// H along X, up, H along X, up, H: corners 0..3.
Route hvhvh()
{
    return chain({{0, 0, 0}, {10, 0, 0}, {10, 0, 5}, {20, 0, 5}, {20, 0, 9}, {30, 0, 9}}, {H, V, H, V, H});
}

} // namespace

TEST(TrackDrag, DraggableSegmentsAndCorners)
{
    struct Row
    {
        const char* name;
        Route route;
        int k;
        bool central;
        bool draggableSegment;
        int cornerKind;
    };
    const Route hhh = chain({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {20, 10, 0}}, {H, H, H});
    const Route vvv = chain({{0, 0, 0}, {0, 0, 2}, {0, 0, 4}, {0, 0, 6}}, {V, V, V});
    const Route hvv = chain({{0, 0, 0}, {10, 0, 0}, {10, 0, 3}, {10, 0, 6}}, {H, V, V});
    const Route vvh = chain({{0, 0, 0}, {0, 0, 3}, {0, 0, 6}, {10, 0, 6}}, {V, V, H});
    Route steps = chain({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, {H, H});
    steps.segments[1].start.SetZ(0.5); // a step between the two horizontals
    steps.segments[1].end.SetZ(0.5);
    const Route two = chain({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, {H, H});
    const QList<Row> rows = {
        {"H-H-H middle", hhh, 1, true, true, TrackDrag::HorizontalHorizontal},
        {"H-H-H first corner", hhh, 0, false, false, TrackDrag::HorizontalHorizontal},
        // A vertical run would tear away from what lies beyond its neighbours.
        {"V-V-V middle", vvv, 1, true, false, TrackDrag::NotDraggable},
        {"H-V-H-V-H middle H", hvhvh(), 2, true, false, TrackDrag::HorizontalVertical},
        {"H-V corner with H beyond", hvhvh(), 0, false, false, TrackDrag::HorizontalVertical},
        {"V-H corner after an H", hvhvh(), 1, true, false, TrackDrag::VerticalHorizontal},
        {"H-V corner with V beyond", hvv, 0, false, false, TrackDrag::NotDraggable},
        {"V-V corner", hvv, 1, true, false, TrackDrag::NotDraggable},
        {"V-H corner at the start", vvh, 1, true, false, TrackDrag::NotDraggable},
        {"V-H corner after a V", vvh, 1, true, false, TrackDrag::NotDraggable},
        {"H-H corner at two heights", steps, 0, false, false, TrackDrag::NotDraggable},
        {"two segments: nothing central", two, 1, false, false, TrackDrag::NotDraggable},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TrackDrag::isCentral(row.route, row.k), row.central) << row.name;
        EXPECT_EQ(TrackDrag::isDraggableSegment(row.route, row.k), row.draggableSegment) << row.name;
        EXPECT_EQ(TrackDrag::cornerKind(row.route, row.k), row.cornerKind) << row.name;
    }
}

TEST(TrackDrag, SegmentDragMovesOnlyAcross)
{
    const Route hhh = chain({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {20, 10, 0}}, {H, H, H});
    const TrackDrag::Slots taken = TrackDrag::segmentSlots(hhh, 1);
    // Along its own direction (0, 1): nothing moves.
    TrackDrag::Slots along = TrackDrag::movedSegment(taken, 0, 1, 0, 4);
    EXPECT_TRUE(along[1].afterStart.IsEqual(gp_Pnt(10, 0, 0), 1e-12));
    // Across: the segment shifts sideways, the neighbours stretch and keep their far ends.
    TrackDrag::Slots across = TrackDrag::movedSegment(taken, 0, 1, 3, 4);
    EXPECT_TRUE(across[1].afterStart.IsEqual(gp_Pnt(13, 0, 0), 1e-12));
    EXPECT_TRUE(across[1].afterEnd.IsEqual(gp_Pnt(13, 10, 0), 1e-12));
    EXPECT_TRUE(across[0].afterStart.IsEqual(gp_Pnt(0, 0, 0), 1e-12));
    EXPECT_TRUE(across[0].afterEnd.IsEqual(gp_Pnt(13, 0, 0), 1e-12));
    EXPECT_TRUE(across[2].afterEnd.IsEqual(gp_Pnt(20, 10, 0), 1e-12));
    EXPECT_FALSE(across[3].isUsed());
    EXPECT_TRUE(TrackDrag::isAcceptable(hhh, across));
    EXPECT_EQ(TrackDrag::endpointChanges(across).size(), 3);

    // Far enough to leave the last neighbour 0.4 mm long: refused.
    EXPECT_FALSE(TrackDrag::isAcceptable(hhh, TrackDrag::movedSegment(taken, 0, 1, 9.6, 0)));
}

TEST(TrackDrag, CornerDragsKeepTheChainWhole)
{
    const Route route = hvhvh();
    // H-V corner 0: the whole vertical and the start of the next horizontal move; Z stays.
    const TrackDrag::Slots moved =
        TrackDrag::movedCorner(TrackDrag::cornerSlots(route, 0, TrackDrag::HorizontalVertical),
                               TrackDrag::HorizontalVertical, 2, 3);
    EXPECT_FALSE(moved[0].isUsed());
    EXPECT_TRUE(moved[1].afterEnd.IsEqual(gp_Pnt(12, 3, 0), 1e-12));
    EXPECT_TRUE(moved[2].afterStart.IsEqual(gp_Pnt(12, 3, 0), 1e-12));
    EXPECT_TRUE(moved[2].afterEnd.IsEqual(gp_Pnt(12, 3, 5), 1e-12));
    EXPECT_TRUE(moved[3].afterStart.IsEqual(gp_Pnt(12, 3, 5), 1e-12));
    EXPECT_TRUE(moved[3].afterEnd.IsEqual(gp_Pnt(20, 0, 5), 1e-12));
    EXPECT_TRUE(TrackDrag::isAcceptable(route, moved));

    // Forced on a corner whose far segment is vertical, the same move would slant it.
    const Route hvv = chain({{0, 0, 0}, {10, 0, 0}, {10, 0, 3}, {10, 0, 6}}, {H, V, V});
    const TrackDrag::Slots forced =
        TrackDrag::movedCorner(TrackDrag::cornerSlots(hvv, 0, TrackDrag::HorizontalVertical),
                               TrackDrag::HorizontalVertical, 2, 3);
    EXPECT_FALSE(TrackDrag::isAcceptable(hvv, forced));

    // Moving an end of the track off its anchor is refused too.
    TrackDrag::Slots anchorMoved = TrackDrag::segmentSlots(route, 1);
    anchorMoved[0].afterStart = gp_Pnt(1, 1, 0);
    EXPECT_FALSE(TrackDrag::isAcceptable(route, anchorMoved));
}

TEST(TrackDrag, DragsNeverCutATJunctionOff)
{
    // A host H-H-H of net N, and a second track of N that ends in a T on the host's middle segment.
    Route host = chain({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {20, 10, 0}}, {H, H, H});
    host.netName = "N";
    host.isComplete = true;
    Route tee = chain({{0, 5, 0}, {10, 5, 0}}, {H});
    tee.netName = "N";
    tee.isComplete = true;
    tee.endsOnTrack = true;
    tee.endJunction = gp_Pnt(10, 5, 0);
    const QList<Route> routes = {host, tee};

    const TrackDrag::Slots taken = TrackDrag::segmentSlots(host, 1);
    const struct
    {
        double dx;
        bool kept;
    } rows[] = {{0.5, true}, {0.99, true}, {3.0, false}, {-2.0, false}};
    for (const auto& row : rows) {
        const TrackDrag::Slots moved = TrackDrag::movedSegment(taken, 0, 1, row.dx, 0);
        ASSERT_TRUE(TrackDrag::isAcceptable(host, moved)) << row.dx;
        EXPECT_EQ(TrackDrag::keepsJunctions(routes, 0, moved), row.kept) << row.dx;
    }
    // The track that makes the T may move freely; it has no junction on it.
    EXPECT_TRUE(TrackDrag::keepsJunctions(routes, 1, TrackDrag::movedSegment(taken, 0, 1, 3.0, 0)));
}
