// Track solids against the copper their segments make, counted in each test from the plan
// geometry: segments without length must not cost a bend its round, and the check of every
// built solid must tell a short or broken one from a sound one.
#include "routingtestutil.h"
#include "routing/trackvolume.h"
#include "testsupport.h"

#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRep_Builder.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <TopoDS_Compound.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

using namespace RoutingTest;

namespace {

Route polyline(const std::vector<gp_Pnt>& points, double width, double height)
{
    Route route;
    for (size_t i = 1; i < points.size(); ++i)
        route.segments.append(bareSegment(points[i - 1], points[i], RouteSegment::Horizontal, width, height));
    return route;
}

// Plan area of a track whose legs are longer than its width and meet at right angles or turn
// back: each leg's strip, less the square two legs share at a corner, plus the round's quarter
// disc outside it; a leg turning back adds the half disc beyond its end.
double plannedArea(const std::vector<gp_Pnt>& points, double width)
{
    const double r = width * 0.5;
    double area = 0.0;
    for (size_t i = 1; i < points.size(); ++i)
        area += points[i - 1].Distance(points[i]) * width;
    std::vector<gp_Pnt> turns; // each end turned at once is one half disc
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        const gp_Vec a(points[i - 1], points[i]), b(points[i], points[i + 1]);
        const double cosine = a.Normalized().Dot(b.Normalized());
        if (std::abs(cosine) < 1e-12) {
            area += -r * r + M_PI * r * r / 4.0;
        } else if (cosine < -1.0 + 1e-12) {
            area -= a.Magnitude() * width; // the leg back covers the same strip
            if (std::none_of(turns.begin(), turns.end(), [&](const gp_Pnt& p) { return p.IsEqual(points[i], 0.0); })) {
                turns.push_back(points[i]);
                area += M_PI * r * r / 2.0;
            }
        }
    }
    return area;
}

// The points with a copy of each listed point put right after it: a segment without length.
std::vector<gp_Pnt> withRepeats(const std::vector<gp_Pnt>& points, const std::vector<size_t>& repeated)
{
    std::vector<gp_Pnt> out;
    for (size_t i = 0; i < points.size(); ++i) {
        out.push_back(points[i]);
        for (size_t k : repeated)
            if (k == i)
                out.push_back(points[i]);
    }
    return out;
}

} // namespace

TEST(TrackSolids, SegmentsWithoutLengthKeepEveryBendsRound)
{
    const double w = 0.3, h = 1.0;
    std::vector<gp_Pnt> zigzag;
    for (int i = 0; i <= 20; ++i)
        zigzag.push_back(gp_Pnt(i % 2 == 0 ? 0.0 : 10.0, 0.0, 2.0));
    std::vector<size_t> everyPoint;
    for (size_t i = 0; i < zigzag.size(); ++i)
        everyPoint.push_back(i);
    const std::vector<gp_Pnt> l = {{0, 0, 0}, {5, 0, 0}, {5, 5, 0}};
    const std::vector<gp_Pnt> u = {{0, 0, 0}, {5, 0, 0}, {5, 5, 0}, {0, 5, 0}};
    const struct
    {
        const char* name;
        std::vector<gp_Pnt> points;
        std::vector<size_t> repeated;
    } rows[] = {
        {"L, one at the corner", l, {1}},
        {"L, three at the corner", l, {1, 1, 1}},
        {"L, at both ends", l, {0, 2}},
        {"U, at both corners", u, {1, 2}},
        {"straight, in the middle", {{0, 0, 0}, {4, 0, 0}, {10, 0, 0}}, {1}},
        {"retraced 20 times, between every leg", zigzag, everyPoint},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const double expected = plannedArea(row.points, w) * h;
        const Route route = polyline(withRepeats(row.points, row.repeated), w, h);
        const TopoDS_Shape solid = RoutingManager::createRouteShape(route);
        EXPECT_EQ(TestSupport::countOf(solid, TopAbs_SOLID), 1);
        // The traced outline puts a retraced end's round on facets.
        EXPECT_NEAR(TestSupport::volumeOf(solid), expected, 1e-4 * expected);
        EXPECT_NEAR(TestSupport::volumeOf(RoutingManager::fusedRouteShape(route)), expected, 1e-5 * expected);
        EXPECT_NEAR(*TrackVolume::expectedVolume(route.segments), expected, 1e-5 * expected);
        EXPECT_EQ(TrackVolume::faultOf(route.segments, solid).toStdString(), "");
    }
}

// The count over heights, against boxes and discs added up by hand.
TEST(TrackSolids, ExpectedVolumeCountsEachBandOfHeights)
{
    const struct
    {
        const char* name;
        QList<RouteSegment> segments;
        std::optional<double> volume;
    } rows[] = {
        {"run and a post up from its end",
         {bareSegment({0, 0, 0}, {5, 0, 0}, RouteSegment::Horizontal, 1.0, 0.5),
          bareSegment({5, 0, 0}, {5, 0, 3}, RouteSegment::Vertical, 1.0)},
         5.5 * 1.0 * 0.5 + 1.0 * 1.0 * 2.5},
        {"two runs at different heights joined by a post",
         {bareSegment({0, 0, 0}, {4, 0, 0}, RouteSegment::Horizontal, 1.0, 0.5),
          bareSegment({4, 0, 0}, {4, 0, 2.5}, RouteSegment::Vertical, 1.0),
          bareSegment({4, 0, 2}, {4, 6, 2}, RouteSegment::Horizontal, 1.0, 0.5)},
         4.5 * 0.5 + 1.0 * 1.5 + 6.5 * 0.5},
        {"a slanted segment is not counted",
         {bareSegment({0, 0, 0}, {5, 0, 1}, RouteSegment::Horizontal, 1.0, 0.5)},
         std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<double> volume = TrackVolume::expectedVolume(row.segments);
        ASSERT_EQ(volume.has_value(), row.volume.has_value());
        if (row.volume) {
            EXPECT_NEAR(*volume, *row.volume, 1e-6 * *row.volume);
        }
    }
}

// A solid short of its copper or in pieces is found wherever it came from: a builder's fault,
// a leg too thin for the solid's tolerances, or no solid at all.
TEST(TrackSolids, CheckFindsSolidsShortOfCopperOrInPieces)
{
    const double w = 0.3, h = 1.0;
    const Route l = polyline({{0, 0, 0}, {5, 0, 0}, {5, 5, 0}}, w, h);
    const TopoDS_Shape legA = RoutingManager::createSegmentShape(l.segments.at(0));
    const TopoDS_Shape legB = RoutingManager::createSegmentShape(l.segments.at(1));
    std::vector<gp_Pnt> retraced; // more pieces than the check unites at a time, each stretch over the others
    for (int i = 0; i <= 40; ++i)
        retraced.push_back(gp_Pnt(i % 2 == 0 ? 0.0 : 10.0, 0.0, 2.0));
    const auto thinMiddle = [](double middle) {
        Route route = polyline({{0, 0, 0}, {20, 0, 0}, {20, 20, 0}, {40, 20, 0}}, 0.3, 1.0);
        route.segments[1].width = middle;
        return route;
    };
    const struct
    {
        const char* name;
        Route route;
        std::function<TopoDS_Shape(const Route&)> solid;
        const char* fault; // the start of the fault; empty for a sound solid
    } rows[] = {
        {"the routing model's solid", l, [](const Route& r) { return RoutingManager::createRouteShape(r); }, ""},
        {"the bend's round missing", l,
         [&](const Route&) { return BRepAlgoAPI_Fuse(legA, legB).Shape(); }, "it holds 2.9775 mm³ of copper"},
        {"one leg missing", l, [&](const Route&) { return legA; }, "it holds 1.5 mm³ of copper"},
        {"legs side by side, not united", l,
         [&](const Route&) {
             TopoDS_Compound both;
             BRep_Builder builder;
             builder.MakeCompound(both);
             builder.Add(both, legA);
             builder.Add(both, legB);
             return TopoDS_Shape(both);
         },
         "it comes out as 2 separate solid(s)"},
        {"no solid", l, [](const Route&) { return TopoDS_Shape(); }, "no solid could be built"},
        {"the routing model's solid of a track retraced 40 times", polyline(retraced, w, h),
         [](const Route& r) { return RoutingManager::createRouteShape(r); }, ""},
        // its round's side no longer upright: measured by integrating the whole solid
        {"the routing model's solid turned on its side", l,
         [](const Route& r) {
             gp_Trsf turn;
             turn.SetRotation(gp::OX(), M_PI / 2.0);
             return BRepBuilderAPI_Transform(RoutingManager::createRouteShape(r), turn).Shape();
         },
         ""},
        {"a middle leg 1.1e-7 mm wide", thinMiddle(1.1e-7),
         [](const Route& r) { return RoutingManager::createRouteShape(r); }, "it "},
        {"a middle leg 1e-6 mm wide", thinMiddle(1e-6),
         [](const Route& r) { return RoutingManager::createRouteShape(r); }, "it "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string fault = TrackVolume::faultOf(row.route.segments, row.solid(row.route)).toStdString();
        if (*row.fault == 0) {
            EXPECT_EQ(fault, "");
        } else {
            EXPECT_EQ(fault.rfind(row.fault, 0), 0u) << fault;
        }
    }
}

// Legs in any direction of the plan, not only along the axes or at 45°: the built solid, the
// count and the check against the area of strips with square ends and rounds at the bends. At
// a turn of φ two strips of half width r overlap in a kite of r² tan(φ/2) on the inner side,
// and the round fills a sector of φ r² / 2 on the outer side.
TEST(TrackSolids, SlantedLegsAreJudgedAgainstTheirPlanArea)
{
    const double w = 0.3, h = 1.0, r = w / 2.0;
    // From the origin, legs of the given lengths heading the given angles in degrees.
    const auto headed = [](const std::vector<std::pair<double, double>>& legs) {
        std::vector<gp_Pnt> points{gp_Pnt(0, 0, 2)};
        for (const auto& [length, degrees] : legs) {
            const double a = degrees * M_PI / 180.0;
            points.push_back(points.back().Translated(gp_Vec(length * std::cos(a), length * std::sin(a), 0)));
        }
        return points;
    };
    const auto planArea = [&](const std::vector<std::pair<double, double>>& legs) {
        double area = 0.0;
        for (size_t i = 0; i < legs.size(); ++i) {
            area += legs[i].first * w;
            if (i + 1 < legs.size()) {
                const double turn = std::abs(legs[i + 1].second - legs[i].second) * M_PI / 180.0;
                area += -r * r * std::tan(turn / 2.0) + turn * r * r / 2.0;
            }
        }
        return area;
    };
    const struct
    {
        const char* name;
        std::vector<std::pair<double, double>> legs;
    } rows[] = {
        {"one leg at 30°", {{10, 30}}},
        {"a bend of 50°", {{10, 20}, {8, 70}}},
        {"a bend of 120°", {{10, 17}, {10, 137}}},
        {"a zigzag of 70° bends", {{6, 17}, {6, 87}, {6, 17}, {6, 87}, {6, 17}}},
        {"turning right by 35°", {{10, 100}, {7, 65}, {9, 30}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const double expected = planArea(row.legs) * h;
        const Route route = polyline(headed(row.legs), w, h);
        const TopoDS_Shape solid = RoutingManager::createRouteShape(route);
        EXPECT_EQ(TestSupport::countOf(solid, TopAbs_SOLID), 1);
        EXPECT_NEAR(TestSupport::volumeOf(solid), expected, 1e-4 * expected);
        EXPECT_NEAR(*TrackVolume::expectedVolume(route.segments), expected, 1e-5 * expected);
        EXPECT_EQ(TrackVolume::faultOf(route.segments, solid).toStdString(), "");

        // The legs alone, fused without their rounds, lack the outer sectors.
        if (route.segments.size() < 2)
            continue;
        TopoDS_Shape fused = RoutingManager::createSegmentShape(route.segments.at(0));
        for (int i = 1; i < route.segments.size(); ++i)
            fused = BRepAlgoAPI_Fuse(fused, RoutingManager::createSegmentShape(route.segments.at(i))).Shape();
        EXPECT_EQ(TrackVolume::faultOf(route.segments, fused).toStdString().rfind("it holds ", 0), 0u);
        // And one leg short of the whole holds less still.
        EXPECT_EQ(TrackVolume::faultOf(route.segments, RoutingManager::createSegmentShape(route.segments.at(0)))
                      .toStdString()
                      .rfind("it holds ", 0),
                  0u);
    }
}

namespace {

// Asks to stop once it has been shown a given number of times.
class StopAfter : public Message_ProgressIndicator
{
public:
    explicit StopAfter(int shows) : m_left(shows) {}
    Standard_Boolean UserBreak() override { return m_left <= 0; }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        --m_left;
        ++shown;
    }
    int shown = 0;

private:
    int m_left;
};

} // namespace

// Cancel is heard inside one track's build, and a build broken off is not kept as the track's
// solid: the next use builds it whole.
TEST(TrackSolids, CancelInsideOneTracksBuild)
{
    Route track; // forty legs in line, each another width: forty pieces of one fuse
    for (int i = 0; i < 40; ++i)
        track.segments.append(bareSegment(gp_Pnt(2.0 * i, 0, 0), gp_Pnt(2.0 * (i + 1), 0, 0), RouteSegment::Horizontal,
                                          i % 2 ? 0.4 : 0.5, 0.5));
    const double whole = (20 * 2.0 * 0.5 + 20 * 2.0 * 0.4) * 0.5;

    const opencascade::handle<StopAfter> never = new StopAfter(1 << 30);
    const TopoDS_Shape full = RoutingManager::createRouteShapeWithin(track, never->Start());
    EXPECT_NEAR(TestSupport::volumeOf(full), whole, 1e-6 * whole);
    ASSERT_GT(never->shown, 20);

    for (const int stopAt : {1, 10, never->shown / 2}) {
        SCOPED_TRACE(stopAt);
        const opencascade::handle<StopAfter> stop = new StopAfter(stopAt);
        EXPECT_TRUE(RoutingManager::createRouteShapeWithin(track, stop->Start()).IsNull());

        RoutingManager rm;
        rm.addRoute(track);
        const Route& kept = rm.routes().first();
        const opencascade::handle<StopAfter> again = new StopAfter(stopAt);
        EXPECT_TRUE(rm.routeShape(kept, again->Start()).IsNull());
        EXPECT_NEAR(TestSupport::volumeOf(rm.routeShape(kept)), whole, 1e-6 * whole);
    }
}
