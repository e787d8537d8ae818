// The one rule that weighs what a volume still holds of a carved solid, against commons made
// here; its screen's probes, eroded inside the volumes; faces told apart from them in plan; rays
// that tell inside from outside; and
// probes cleared without a boolean only where an independent common finds nothing.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/carving_p.h"
#include "outputs/stepexporter.h"
#include "routing/routingmanager.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepBndLib.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <TopExp_Explorer.hxx>
#include <gp_Ax2.hxx>

#include <gtest/gtest.h>

#include <stdexcept>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

using DesignFixture::box;

TopoDS_Shape cylinder(double x, double y, double radius, double z0, double z1)
{
    return BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, y, z0), gp::DZ()), radius, z1 - z0).Shape();
}

TopoDS_Shape cut(const TopoDS_Shape& part, const std::vector<TopoDS_Shape>& tools)
{
    return DesignFixture::cutOf(part, QList<TopoDS_Shape>(tools.cbegin(), tools.cend()));
}

// Points on a grid through solids with holes, voids and curved faces: wherever the rays
// give a verdict it is the classifier's, and they give one nearly everywhere.
TEST(CavityScreen, RaysTellInsideAsTheClassifierDoes)
{
    std::vector<TopoDS_Shape> holes;
    for (int i = 0; i < 4; ++i)
        holes.push_back(i % 2 == 0 ? cylinder(1.5 + 2 * i, 5, 0.6, 1, 3) : box(1 + 2 * i, 4.5, 0.5, 2 + 2 * i, 5.5, 3));
    const struct
    {
        const char* name;
        TopoDS_Shape solid;
    } rows[] = {
        {"board pierced by round and square cavities", cut(box(0, 0, 0, 10, 10, 2), holes)},
        {"block with a round void", cut(box(0, 0, 0, 10, 10, 10), {BRepPrimAPI_MakeSphere(gp_Pnt(5, 5, 5), 3).Shape()})},
        {"cylinder", cylinder(5, 5, 4.5, 0, 10)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Carving::detail::RayParity rays(row.solid);
        int told = 0, asked = 0, inside = 0;
        for (double x = -0.37; x < 10.5; x += 0.61)
            for (double y = -0.41; y < 10.5; y += 0.67)
                for (double z = -0.29; z < 10.5; z += 0.53) {
                    const gp_Pnt p(x, y, z);
                    BRepClass3d_SolidClassifier classifier(row.solid, p, 1e-7);
                    if (classifier.State() != TopAbs_IN && classifier.State() != TopAbs_OUT)
                        continue;
                    ++asked;
                    const std::optional<bool> verdict = rays.inside(p);
                    if (!verdict)
                        continue;
                    ++told;
                    inside += *verdict ? 1 : 0;
                    ASSERT_EQ(*verdict, classifier.State() == TopAbs_IN) << x << " " << y << " " << z;
                }
        EXPECT_GT(inside, 0);
        EXPECT_GE(told, asked * 95 / 100);
    }
}

// Which probes an interference the screen reads marks as touched: the owners of the probe's
// shape met by the solid's; every probe where the intersection made the shape or its owner is not
// known, since a probe marked clear wrongly leaves material unnamed; none within one side.
TEST(CavityScreen, InterferenceTouchesItsProbesOrEveryProbe)
{
    using Carving::detail::Touching;
    const std::vector<int> second{1}, firstAndThird{0, 2};
    const std::vector<bool> none(3, false), every(3, true);
    const struct
    {
        const char* what;
        Touching a, b;
        std::vector<bool> touched;
    } rows[] = {
        {"solid's meets a probe's", {0, nullptr}, {1, &second}, {false, true, false}},
        {"a probe's meets the solid's", {1, &firstAndThird}, {0, nullptr}, {true, false, true}},
        {"made by the intersection, with a probe's", {1, &second}, {-1, nullptr}, every},
        {"a probe's no probe owns", {0, nullptr}, {1, nullptr}, every},
        {"two probes'", {1, &second}, {1, &firstAndThird}, none},
    };
    for (const auto& row : rows) {
        std::vector<bool> touched = none;
        Carving::detail::markTouched(row.a, row.b, touched);
        EXPECT_EQ(touched, row.touched) << row.what;
    }
}

// A board with round and square cavities, each with a copy shrunk 0.05 mm inside it (the round
// copies kept under the top, the square ones through it, as the check makes them): the copies of
// cavities cut clean, or holding only a skin thinner than the shrink, are cleared; those holding
// material are not, whether left uncut, cut short, or holding an island. And the check names
// exactly those.
TEST(CavityScreen, ClearsOnlyCopiesThatHoldNothing)
{
    constexpr double kInset = 0.05;
    constexpr int kCount = 8;
    const TopoDS_Shape board = box(0, 0, 0, 16, 4, 2);
    std::vector<TopoDS_Shape> tools, copies, cuts;
    for (int k = 0; k < kCount; ++k) {
        const double x = 1 + 2 * k;
        const bool round = k % 2 == 0;
        tools.push_back(round ? cylinder(x, 2, 0.5, 1, 2.5) : box(x - 0.5, 1.5, 1, x + 0.5, 2.5, 2.5));
        copies.push_back(round ? cylinder(x, 2, 0.5 - kInset, 1 + kInset, 2 - kInset)
                               : box(x - 0.5 + kInset, 1.5 + kInset, 1 + kInset, x + 0.5 - kInset, 2.5 - kInset,
                                     2.5 - kInset));
        cuts.push_back(tools.back());
    }
    // 0 and 5 left uncut, 1 and 4 cut 0.4 mm short, 2 and 3 leave a skin of 0.02 mm on their
    // walls, 6 holds an island; 7 is cut clean.
    const std::set<int> holding{0, 1, 4, 5, 6};
    cuts[0] = TopoDS_Shape();
    cuts[5] = TopoDS_Shape();
    cuts[1] = box(2.5, 1.5, 1.4, 3.5, 2.5, 2.5);
    cuts[4] = cylinder(9, 2, 0.5, 1.4, 2.5);
    cuts[2] = cylinder(5, 2, 0.48, 1, 2.5);
    cuts[3] = box(6.52, 1.52, 1.02, 7.48, 2.48, 2.5);
    std::vector<TopoDS_Shape> made;
    for (const TopoDS_Shape& tool : cuts)
        if (!tool.IsNull())
            made.push_back(tool);
    const TopoDS_Shape carved = StepExporter::compoundOf({cut(board, made), box(12.9, 1.9, 1.3, 13.1, 2.1, 1.5)});

    std::set<int> notCleared, found;
    for (TopExp_Explorer it(carved, TopAbs_SOLID); it.More(); it.Next()) {
        const std::optional<std::vector<bool>> clear = Carving::detail::probesClear(it.Current(), copies);
        ASSERT_TRUE(clear.has_value());
        for (int k = 0; k < kCount; ++k) {
            const double left = TestSupport::volumeOf(BRepAlgoAPI_Common(it.Current(), copies[size_t(k)]).Shape());
            if (left > 1e-9)
                found.insert(k);
            if (!(*clear)[size_t(k)])
                notCleared.insert(k);
            else
                EXPECT_LE(left, 1e-9) << "copy " << k << " cleared holding material";
        }
    }
    EXPECT_EQ(found, holding);
    EXPECT_EQ(notCleared, holding);

    QList<TopoDS_Shape> toolList(tools.cbegin(), tools.cend());
    std::set<int> named;
    for (TopExp_Explorer it(carved, TopAbs_SOLID); it.More(); it.Next()) {
        const std::vector<Carving::Weight> weights = Carving::weigh(it.Current(), toolList);
        for (int k = 0; k < kCount; ++k)
            if (weights[size_t(k)].held > Carving::kHeldVolume)
                named.insert(k);
    }
    // The skins of 0.02 mm hold 0.06 and 0.08 mm³: more than the rule lets a cavity keep.
    std::set<int> holdingMore = holding;
    holdingMore.insert({2, 3});
    EXPECT_EQ(named, holdingMore);
}

// What a volume holds of carved parts whose cavities are known, against the common made here:
// cut clean (a U-shaped cavity), left with a skin (thinner than the cut's fuzzy value, yet more
// than the rule lets a cavity keep), or holding material: an island, the last part of a long
// straight track or pad that a cut with a shorter tool left, a slab on an L-shaped cavity's
// floor, alone or joined to skins on its walls; the same on a tool of two solids.
TEST(Weigh, WhatAVolumeHoldsIsTheCommon)
{
    const TopoDS_Shape part = box(0, 0, 0, 25, 10, 3);
    const TopoDS_Shape slot = BRepAlgoAPI_Cut(box(2, 2, 1, 5, 5, 4), box(2.2, 2.2, 1.2, 4.8, 5.5, 4.5)).Shape();
    const TopoDS_Shape pin = cylinder(7, 7, 0.5, 1, 3.5);
    const TopoDS_Shape thinner = cylinder(7, 7, 0.495, 1.005, 4.005);
    // A 20 mm track 0.3 mm high sunk in the top, and one a millimetre shorter.
    const auto track = [](double length) {
        return RoutingManager::createRouteShape(
            DesignFixture::route(QStringLiteral("N"), {QPointF(2, 8), QPointF(2 + length, 8)}, 2.7, 1.0, 0.3));
    };
    // A 0.5 x 8 mm pad 1 mm deep, standing 0.4 mm out, and one 0.25 mm shorter; the same turned.
    const auto pad = [](double length, double turn) {
        gp_Trsf turning;
        turning.SetRotation(gp_Ax1(gp_Pnt(15, 4, 0), gp::DZ()), turn);
        return BRepBuilderAPI_Transform(box(15, 0.5, 2, 15.5, 0.5 + length, 3.4), turning, true).Shape();
    };
    // An L-shaped cavity in a deeper block, its walls and floor moved in.
    const TopoDS_Shape block = box(0, 0, 0, 20, 10, 10);
    const auto ell = [](double wall, double floor) {
        return BRepAlgoAPI_Cut(box(2 + wall, 2 + wall, 1 + floor, 8 - wall, 8 - wall, 11),
                               box(5 - wall, 5 - wall, 0, 9, 9, 12))
            .Shape();
    };
    const auto pair = [](double floor) {
        return StepExporter::compoundOf({box(2, 2, 1 + floor, 5, 5, 11), box(12, 2, 1 + floor, 15, 5, 11)});
    };
    const struct
    {
        const char* name;
        TopoDS_Shape tool, carved;
        bool holds;
    } rows[] = {
        {"U-shaped cavity cut clean", slot, BRepAlgoAPI_Cut(part, slot).Shape(), false},
        {"skin of half a hundredth on a round cavity's wall", pin, BRepAlgoAPI_Cut(part, thinner).Shape(), true},
        {"island in a round cavity", pin,
         StepExporter::compoundOf({BRepAlgoAPI_Cut(part, pin).Shape(), box(6.9, 6.9, 2, 7.1, 7.1, 2.2)}), true},
        {"straight track cut clean", track(20), BRepAlgoAPI_Cut(part, track(20)).Shape(), false},
        {"straight track's last millimetre left", track(20), BRepAlgoAPI_Cut(part, track(19)).Shape(), true},
        {"long pad cut clean", pad(8, 0.3), BRepAlgoAPI_Cut(part, pad(8, 0.3)).Shape(), false},
        {"long pad's end left", pad(8, 0), BRepAlgoAPI_Cut(part, pad(7.75, 0)).Shape(), true},
        {"turned long pad's end left", pad(8, 0.3), BRepAlgoAPI_Cut(part, pad(7.75, 0.3)).Shape(), true},
        {"L cut clean", ell(0, 0), BRepAlgoAPI_Cut(block, ell(0, 0)).Shape(), false},
        {"L with a slab on its floor", ell(0, 0), BRepAlgoAPI_Cut(block, ell(0, 0.05)).Shape(), true},
        {"L with a slab and skins", ell(0, 0), BRepAlgoAPI_Cut(block, ell(0.005, 0.05)).Shape(), true},
        {"a thousandth-thin skin on an L's floor", ell(0, 0), BRepAlgoAPI_Cut(block, ell(0, 1e-5)).Shape(), false},
        {"two solids cut clean", pair(0), BRepAlgoAPI_Cut(block, pair(0)).Shape(), false},
        {"two solids, a slab on each floor", pair(0), BRepAlgoAPI_Cut(block, pair(0.05)).Shape(), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const double left = TestSupport::volumeOf(BRepAlgoAPI_Common(row.carved, row.tool).Shape());
        ASSERT_EQ(left > Carving::kHeldVolume, row.holds) << left;
        const std::vector<Carving::Weight> weights = Carving::weigh(row.carved, {box(30, 30, 30, 31, 31, 31), row.tool});
        ASSERT_EQ(weights.size(), 2u);
        EXPECT_TRUE(weights[0].known && weights[1].known);
        EXPECT_EQ(weights[0].held, 0.0);
        EXPECT_EQ(weights[1].held > Carving::kHeldVolume, row.holds) << weights[1].held;
        if (row.holds)
            EXPECT_NEAR(weights[1].held, left, 1e-6);
    }
}

// Edges and corners as loose as a fuzzy cut leaves them (0.15 and 0.3 mm; corners two and a half
// times that) over round cavities: cut clean, or holding an island of 0.3 mm that no common with
// the loose part finds, at the wider looseness. Taken as its file gives it back (which holds the island, 0.027 mm³ by
// hand), the part is weighed with the island in its own pin's cavity and nothing in the others.
TEST(Weigh, PartAsWrittenShowsWhatLooseEdgesHide)
{
    const TopoDS_Shape part = box(0, 0, 0, 25, 10, 3);
    const auto loosened = [](const TopoDS_Shape& shape, double tolerance) {
        const TopoDS_Shape copy = BRepBuilderAPI_Copy(shape).Shape();
        BRep_Builder builder;
        for (TopExp_Explorer it(copy, TopAbs_EDGE); it.More(); it.Next())
            builder.UpdateEdge(TopoDS::Edge(it.Current()), tolerance);
        for (TopExp_Explorer it(copy, TopAbs_VERTEX); it.More(); it.Next())
            builder.UpdateVertex(TopoDS::Vertex(it.Current()), 2.5 * tolerance);
        return copy;
    };
    const QList<TopoDS_Shape> pins{cylinder(2, 3, 0.5, 1, 3.5), cylinder(7, 7, 0.5, 1, 3.5), cylinder(20, 3, 0.5, 1, 3.5)};
    const TopoDS_Shape cut = BRepAlgoAPI_Cut(BRepAlgoAPI_Cut(BRepAlgoAPI_Cut(part, pins[0]).Shape(), pins[1]).Shape(),
                                             pins[2]).Shape();
    const TopoDS_Shape island = box(6.85, 6.85, 2, 7.15, 7.15, 2.3);
    for (const double tolerance : {0.15, 0.3}) {
        SCOPED_TRACE(tolerance);
        const TopoDS_Shape clean = loosened(cut, tolerance);
        const TopoDS_Shape holding = StepExporter::compoundOf({clean, loosened(island, tolerance)});
        if (tolerance > 0.2) {
            EXPECT_LT(TestSupport::volumeOf(BRepAlgoAPI_Common(holding, pins[1]).Shape()), 0.3 * 0.3 * 0.3 / 2);
        }
        for (const auto& [carved, held] : {std::pair{clean, 0.0}, {holding, 0.3 * 0.3 * 0.3}}) {
            const TopoDS_Shape written = Carving::detail::asWritten(carved);
            EXPECT_LT(BRep_Tool::MaxTolerance(written, TopAbs_EDGE), 1e-4);
            const std::vector<Carving::Weight> weights = Carving::weigh(written, pins);
            EXPECT_NEAR(weights[0].held, 0.0, 1e-6);
            EXPECT_NEAR(weights[1].held, held, 1e-6);
            EXPECT_NEAR(weights[2].held, 0.0, 1e-6);
        }
    }
}

// The probe of a volume that is a prism along Z lies inside it, every point of it at least the
// inset away from the volume's faces and at most about that: what it leaves of the volume is its
// surface times the inset, cut short to the box given. Other volumes have none.
TEST(ErodedProbe, LiesItsInsetInsideAPrismAlongZ)
{
    const double inset = 2e-4;
    const auto roundRect = [] {
        // Its corners' arcs: a roundrect pad of KiCad's.
        const TopoDS_Shape core = BRepAlgoAPI_Fuse(box(0.2, 0, 0, 0.8, 1, 1), box(0, 0.2, 0, 1, 0.8, 1)).Shape();
        TopoDS_Shape rounded = core;
        for (const auto& [x, y] : {std::pair{0.2, 0.2}, {0.8, 0.2}, {0.2, 0.8}, {0.8, 0.8}})
            rounded = BRepAlgoAPI_Fuse(rounded, cylinder(x, y, 0.2, 0, 1)).Shape();
        return StepExporter::unifySameDomain(rounded, 1e-7);
    };
    QList<QPointF> stairs{QPointF(0, 0)};
    for (int i = 1; i <= 40; ++i)
        stairs.append(stairs.last() + (i % 2 ? QPointF(0.1, 0) : QPointF(0, 0.1)));
    const Bnd_Box anywhere = [] {
        Bnd_Box box;
        box.Update(-100, -100, -100, 100, 100, 100);
        return box;
    }();
    const Bnd_Box underHalf = [] {
        Bnd_Box box;
        box.Update(-100, -100, -100, 100, 100, 0.5);
        return box;
    }();
    const struct
    {
        const char* name;
        TopoDS_Shape tool;
        Bnd_Box within;
        bool probed;
    } rows[] = {
        {"box", box(0, 0, 0, 1, 2, 1), anywhere, true},
        {"box cut short", box(0, 0, 0, 1, 2, 1), underHalf, true},
        {"cylinder", cylinder(0, 0, 0.3, 0, 1), anywhere, true},
        {"roundrect", roundRect(), anywhere, true},
        {"plate with a hole", BRepAlgoAPI_Cut(box(0, 0, 0, 2, 2, 1), cylinder(1, 1, 0.4, -1, 2)).Shape(), anywhere, true},
        {"bent track", RoutingManager::createRouteShape(DesignFixture::route(
                           QStringLiteral("N"), {QPointF(0, 0), QPointF(3, 0), QPointF(3, 2)}, 0.0, 0.5, 0.3)),
         anywhere, true},
        {"thin staircase",
         RoutingManager::createRouteShape(DesignFixture::route(QStringLiteral("N"), stairs, 0.0, 0.05, 0.05)), anywhere,
         true},
        {"box turned about X", BRepBuilderAPI_Transform(box(0, 0, 0, 1, 2, 1), [] {
             gp_Trsf turn;
             turn.SetRotation(gp::OX(), 0.3);
             return turn;
         }(), true).Shape(), anywhere, false},
        {"stepped block", BRepAlgoAPI_Fuse(box(0, 0, 0, 2, 1, 1), box(0, 0, 0, 1, 1, 2)).Shape(), anywhere, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TopoDS_Shape probe = Carving::detail::erodedProbe(row.tool, inset, row.within);
        ASSERT_EQ(!probe.IsNull(), row.probed);
        if (probe.IsNull())
            continue;
        const double volume = TestSupport::volumeOf(probe);
        EXPECT_GT(volume, 0.0);
        EXPECT_NEAR(TestSupport::volumeOf(BRepAlgoAPI_Common(probe, row.tool).Shape()), volume, 1e-9);
        BRepExtrema_DistShapeShape apart(probe, row.tool, Extrema_ExtFlag_MIN);
        // Between their faces: the probe's shell against the volume's.
        TopoDS_Shell probeShell, toolShell;
        BRep_Builder builder;
        builder.MakeShell(probeShell);
        builder.MakeShell(toolShell);
        for (TopExp_Explorer it(probe, TopAbs_FACE); it.More(); it.Next())
            builder.Add(probeShell, it.Current());
        for (TopExp_Explorer it(row.tool, TopAbs_FACE); it.More(); it.Next())
            builder.Add(toolShell, it.Current());
        BRepExtrema_DistShapeShape faces(probeShell, toolShell, Extrema_ExtFlag_MIN);
        ASSERT_TRUE(faces.IsDone());
        EXPECT_GT(faces.Value(), 0.99 * inset);
        const TopoDS_Shape within = BRepAlgoAPI_Common(row.tool, box(-100, -100, -100, 100, 100,
                                                                     row.within.CornerMax().Z()))
                                        .Shape();
        GProp_GProps surface;
        BRepGProp::SurfaceProperties(within, surface);
        EXPECT_LT(TestSupport::volumeOf(within) - volume, 1.01 * inset * surface.Mass());
    }
}

// Faces of a part told apart from a probe in plan, with no intersection: the walls, floor and
// ceiling of the cavities cut by a box, a cylinder and a thin staircase, 2e-5 outside their probes,
// and faces beyond the probe's heights are apart; a face touching the probe, crossing it, lying
// inside it or at one of its heights, or one the plan cannot tell (inclined), is not.
TEST(PlanScreen, OnlyFacesClearOfTheProbeAreToldApart)
{
    const double inset = 2e-5;
    Bnd_Box anywhere;
    anywhere.Update(-100, -100, -100, 100, 100, 100);
    const auto probeOf = [&](const TopoDS_Shape& tool) { return Carving::detail::erodedProbe(tool, inset, anywhere); };
    const auto facesOf = [](const TopoDS_Shape& shape) {
        std::vector<TopoDS_Face> faces;
        for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next())
            faces.push_back(TopoDS::Face(it.Current()));
        return faces;
    };
    const auto polygon = [](std::initializer_list<gp_Pnt> corners) {
        BRepBuilderAPI_MakePolygon wire;
        for (const gp_Pnt& corner : corners)
            wire.Add(corner);
        wire.Close();
        return std::vector<TopoDS_Face>{BRepBuilderAPI_MakeFace(wire.Wire(), true).Face()};
    };
    // Upright from (x0, y0) to (x1, y1) between z0 and z1; level at z over x0..x1, y0..y1.
    const auto wall = [&](double x0, double y0, double x1, double y1, double z0, double z1) {
        return polygon({gp_Pnt(x0, y0, z0), gp_Pnt(x1, y1, z0), gp_Pnt(x1, y1, z1), gp_Pnt(x0, y0, z1)});
    };
    const auto level = [&](double x0, double y0, double x1, double y1, double z) {
        return polygon({gp_Pnt(x0, y0, z), gp_Pnt(x1, y0, z), gp_Pnt(x1, y1, z), gp_Pnt(x0, y1, z)});
    };
    const auto sideOf = [&](const TopoDS_Shape& round) {
        std::vector<TopoDS_Face> sides;
        for (const TopoDS_Face& face : facesOf(round))
            if (BRepAdaptor_Surface(face).GetType() == GeomAbs_Cylinder)
                sides.push_back(face);
        return sides;
    };
    QList<QPointF> stairs{QPointF(0, 0)};
    for (int i = 1; i <= 40; ++i)
        stairs.append(stairs.last() + (i % 2 ? QPointF(0.1, 0) : QPointF(0, 0.1)));
    const TopoDS_Shape staircase =
        RoutingManager::createRouteShape(DesignFixture::route(QStringLiteral("N"), stairs, 0.0, 0.05, 0.05));
    const TopoDS_Shape block = box(0, 0, 0, 2, 1, 1), pin = cylinder(0, 0, 0.5, 0, 1);
    const struct
    {
        const char* name;
        TopoDS_Shape tool;
        std::vector<TopoDS_Face> faces;
        bool apart;
    } rows[] = {
        {"every face of a box's cavity", block, facesOf(block), true},
        {"a wall along the box's probe", block, wall(0, inset, 2, inset, 0, 1), false},
        {"a wall crossing the box's probe", block, wall(1, -1, 1, 2, 0, 1), false},
        {"a wall inside the box's probe", block, wall(0.5, 0.2, 1.5, 0.8, 0.2, 0.8), false},
        {"a wall across it, above it", block, wall(1, -1, 1, 2, 1, 2), true},
        {"a wall beside it, outside it", block, wall(3, -1, 3, 2, 0, 1), true},
        {"a floor at the probe's mid-height", block, level(-1, -1, 3, 3, 0.5), false},
        {"a floor inside the probe", block, level(0.5, 0.2, 1.5, 0.8, 0.5), false},
        {"a floor under it", block, level(-1, -1, 3, 3, -0.5), true},
        {"every face of a round cavity", pin, facesOf(pin), true},
        {"a narrower round wall inside the round probe", pin, sideOf(cylinder(0, 0, 0.3, 0, 1)), false},
        {"a round wall crossing the round probe", pin, sideOf(cylinder(0.6, 0, 0.3, 0, 1)), false},
        {"a round wall around the round probe", pin, sideOf(cylinder(0, 0, 0.7, 0, 1)), true},
        {"an inclined face in a corner of the round probe's box", pin,
         polygon({gp_Pnt(0.45, 0.45, 0.2), gp_Pnt(0.49, 0.45, 0.2), gp_Pnt(0.45, 0.49, 0.8)}), false},
        {"a wall tangent to the round probe", pin, wall(0.5 - inset, -1, 0.5 - inset, 1, 0, 1), false},
        {"every face of a thin staircase's cavity", staircase, facesOf(staircase), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TopoDS_Shape probe = probeOf(row.tool);
        ASSERT_FALSE(probe.IsNull());
        ASSERT_FALSE(row.faces.empty());
        for (const TopoDS_Face& face : row.faces) {
            bool apart = true;
            for (TopExp_Explorer it(probe, TopAbs_SOLID); it.More(); it.Next())
                apart = apart && Carving::detail::apartInPlan(face, it.Current());
            EXPECT_EQ(apart, row.apart);
        }
    }
}

// A box whose top face has a pinhole where the first ray from a point inside it leaves: that ray
// counts no crossing and says outside; the others say inside, so no verdict comes, never outside.
TEST(RayParity, OneRayIsNoVerdict)
{
    const gp_Pnt inside(1.05, 0.95, 0.4);
    const TopoDS_Shape whole = box(0, 0, 0, 2, 2, 1);
    // The pinhole found where the first ray leaves through it alone, in the top or the bottom.
    bool found = false;
    for (TopExp_Explorer side(whole, TopAbs_FACE); side.More() && !found; side.Next()) {
        const TopoDS_Face face = TopoDS::Face(side.Current());
        const double z = TestSupport::boxOf(face).zmin;
        if (TestSupport::boxOf(face).zmax - z > 1e-9)
            continue;
        for (double x = 0.05; x < 2.0 && !found; x += 0.1)
            for (double y = 0.05; y < 2.0 && !found; y += 0.1) {
                const TopoDS_Shape holed = BRepAlgoAPI_Cut(face, cylinder(x, y, 0.08, z - 0.5, z + 0.5)).Shape();
                BRep_Builder builder;
                TopoDS_Shell shell;
                builder.MakeShell(shell);
                for (TopExp_Explorer it(whole, TopAbs_FACE); it.More(); it.Next())
                    if (!it.Current().IsSame(face))
                        builder.Add(shell, it.Current());
                for (TopExp_Explorer it(holed, TopAbs_FACE); it.More(); it.Next())
                    builder.Add(shell, it.Current());
                TopoDS_Solid leaky;
                builder.MakeSolid(leaky);
                builder.Add(leaky, shell);
                Carving::detail::RayParity rays(leaky);
                // The first ray asked leaks; the others cross the box's faces.
                bool others = true;
                for (int ray = 1; ray < 4; ++ray)
                    others = others && rays.along(inside, ray) == std::optional<bool>(true);
                if (rays.along(inside, 0) != std::optional<bool>(false) || !others)
                    continue;
                found = true;
                EXPECT_NE(rays.inside(inside), std::optional<bool>(false)) << x << " " << y;
            }
    }
    EXPECT_TRUE(found);
}

} // namespace
