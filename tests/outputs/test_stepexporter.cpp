// Assembly volumes, carving and the STEP writer on small synthetic designs: the fuzzy ladder,
// what is collected and how, the clean-up of stray solids, the carving order and the groups,
// and the STEP file read back by OpenCASCADE's own reader, bad input included.
#include "designfixture.h"
#include "logcapture.h"
#include "testsupport.h"

#include "outputs/printplangenerator.h"
#include "components/footprintmanager.h"
#include "outputs/carving_p.h"
#include "outputs/stepexporter.h"
#include "routing/routingmanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <AIS_Shape.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <GC_MakeArcOfCircle.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRep_Builder.hxx>
#include <BRep_TEdge.hxx>
#include <BRep_Tool.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Face.hxx>
#include <gp_Pln.hxx>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using DesignFixture::box;

// A component with a 4 x 4 x 3 body standing on z and pads of w x h from z - thickness to
// z + undercut, spread along X.
PlacedComponentData component(const QString& ref, const gp_Pnt& at, int padCount, double padW = 1.0,
                              double padH = 1.5, double thickness = 1.0, double undercut = 0.4)
{
    PlacedComponentData c;
    c.ref = ref;
    c.position = at;
    c.footprintThickness = thickness;
    c.bodyUndercut = undercut;
    c.compositeShape = new AIS_Shape(box(at.X() - 2, at.Y() - 2, at.Z(), at.X() + 2, at.Y() + 2, at.Z() + 3));
    for (int i = 0; i < padCount; ++i) {
        PlacedPadData pad;
        pad.number = QString::number(i + 1);
        const double x = at.X() - 1.5 + 1.5 * i;
        pad.worldPosition = gp_Pnt(x, at.Y(), at.Z());
        // A pad without depth still gets a solid (1 mm below the surface) to carry.
        pad.placedShape = box(x - padW / 2, at.Y() - padH / 2, at.Z() - (thickness > 0 ? thickness : 1.0),
                              x + padW / 2, at.Y() + padH / 2, at.Z() + undercut);
        pad.scaledWidth = padW;
        pad.scaledHeight = padH;
        c.pads.append(pad);
    }
    return c;
}

struct Board
{
    TopoDS_Shape part = box(0, 0, 0, 60, 40, 10);
    QMap<QString, PlacedComponentData> components;
    QList<Route> routes;
    std::function<TopoDS_Shape(const Route&)> routeShape = &RoutingManager::createRouteShape;

    AssemblyInput input() const
    {
        AssemblyInput in;
        in.mainPart = part;
        in.components = &components;
        in.routes = &routes;
        in.routeShape = routeShape;
        return in;
    }
    void add(const PlacedComponentData& c) { components.insert(c.ref, c); }
};

// --- Fuzzy ladder ---

TEST(FuzzyLadder, RungsGrowFromTheBaseAndStopAtHalfAMillimetre)
{
    const struct
    {
        double base, feature;
        QList<double> rungs;
    } rows[] = {
        {0.01, 1.0, {0.01, 0.05, 0.1, 0.2, 0.4}}, {0.01, 0.1, {0.005, 0.01, 0.02, 0.04}},
        {0.01, 0.0, {0.01, 0.05, 0.1, 0.2, 0.5}}, {0.01, 5.0, {0.01, 0.25, 0.5}},
        {0.0, 2.0, {0.0, 0.1, 0.2, 0.4}},         {0.0, 1.0, {0.0, 0.05, 0.1, 0.2, 0.4}},
        {0.0, 0.0, {0.0, 0.05, 0.1, 0.2, 0.5}},   {0.01, 1e-8, {0.01, 0.05, 0.1, 0.2, 0.5}},
    };
    for (const auto& row : rows) {
        const QList<double> rungs = StepExporter::fuzzyLadder(row.base, row.feature);
        ASSERT_EQ(rungs.size(), row.rungs.size()) << row.base << " / " << row.feature;
        for (int i = 0; i < rungs.size(); ++i)
            EXPECT_NEAR(rungs.at(i), row.rungs.at(i), 1e-12) << row.base << " / " << row.feature << " rung " << i;
    }
}

// --- Collection ---

TEST(CollectVolumes, PadsAreLengthenedByHalfTheirDepthAtMostATenth)
{
    const struct
    {
        double thickness, undercut, extension;
    } rows[] = {{1.0, 0.4, 0.1}, {0.1, 0.05, 0.075}, {0.0, 0.0, 0.0}};
    for (const auto& row : rows) {
        Board board;
        board.add(component("R1", gp_Pnt(10, 10, 5), 1, 0.8, 1.5, row.thickness, row.undercut));
        ExportOptions options;
        options.includeBodies = false;
        const QList<CollectedVolume> volumes = StepExporter::collectVolumes(board.input(), options);
        ASSERT_EQ(volumes.size(), 1);
        EXPECT_EQ(volumes.first().name, QStringLiteral("R1/1"));
        EXPECT_EQ(volumes.first().kind, PadVolume);
        const TestSupport::Box b = TestSupport::boxOf(volumes.first().shape);
        EXPECT_NEAR(b.zmin, 5.0 - (row.thickness > 0 ? row.thickness : 1.0) - row.extension, 1e-6) << row.thickness;
        EXPECT_NEAR(b.zmax, 5.0 + row.undercut, 1e-6) << row.thickness;
        if (row.extension == 0.0) {
            EXPECT_TRUE(volumes.first().shape.IsSame(board.components.first().pads.first().placedShape));
        }
        EXPECT_NEAR(volumes.first().featureHint,
                    std::min({row.thickness + row.undercut + row.extension, 0.8, 1.5}), 1e-12);
    }
}

// Pads that share one shape through their placement, as many pads of many components do, are
// lengthened side by side: each in its own place, and the shared shape left as it was.
TEST(CollectVolumes, PadsSharingOneShapeAreEachLengthenedInPlace)
{
    Board board;
    PlacedComponentData c = component("U1", gp_Pnt(10, 10, 5), 0);
    const TopoDS_Shape shared = box(-0.5, -0.75, -1.0, 0.5, 0.75, 0.4);
    const double tolerance = BRep_Tool::MaxTolerance(shared, TopAbs_VERTEX);
    for (int i = 0; i < 40; ++i) {
        PlacedPadData pad;
        pad.number = QString::number(i + 1);
        gp_Trsf at;
        at.SetTranslation(gp_Vec(2.0 + 1.2 * (i % 20), 5.0 + 10.0 * (i / 20), 5.0));
        pad.placedShape = shared.Moved(TopLoc_Location(at));
        pad.scaledWidth = 1.0;
        pad.scaledHeight = 1.5;
        c.pads.append(pad);
    }
    board.add(c);
    ExportOptions options;
    options.includeBodies = false;
    const QList<CollectedVolume> volumes = StepExporter::collectVolumes(board.input(), options);
    ASSERT_EQ(volumes.size(), 40);
    for (int i = 0; i < volumes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(volumes.at(i).name, QStringLiteral("U1/%1").arg(i + 1));
        EXPECT_NEAR(TestSupport::volumeOf(volumes.at(i).shape), 1.0 * 1.5 * 1.5, 1e-6);
        const TestSupport::Box b = TestSupport::boxOf(volumes.at(i).shape);
        EXPECT_NEAR(b.xmin, 1.5 + 1.2 * (i % 20), 1e-6);
        EXPECT_NEAR(b.zmin, 5.0 - 1.1, 1e-6);
    }
    EXPECT_EQ(BRep_Tool::MaxTolerance(shared, TopAbs_VERTEX), tolerance);
}

// Pads placed from one shared solid are lengthened once and placed: each comes out as its own
// lengthening would, turned about Z or not; a placement that tilts Z is lengthened on its own.
TEST(CollectVolumes, SharedPadsLengthenedOnceMatchEachPadLengthenedAlone)
{
    const TopoDS_Shape shared = box(-0.5, -0.75, -1.0, 0.5, 0.75, 0.4);
    const struct
    {
        const char* name;
        gp_Ax1 axis;
        double angle;
    } placements[] = {
        {"shift", gp::OZ(), 0.0},
        {"turn about Z", gp::OZ(), 0.5},
        {"tilt about X", gp::OX(), 0.3},
    };
    QList<VolumeSource> sources;
    for (int copy = 0; copy < 2; ++copy) {
        for (const auto& placement : placements) {
            gp_Trsf turn, shift;
            turn.SetRotation(placement.axis, placement.angle);
            shift.SetTranslation(gp_Vec(3.0 * sources.size(), 2.0, 5.0));
            CollectedVolume volume;
            volume.name = QString::fromUtf8(placement.name);
            volume.shape = shared.Moved(TopLoc_Location(shift * turn));
            sources.append({volume, 0.1});
        }
    }
    const QList<CollectedVolume> together = StepExporter::lengthened(sources);
    ASSERT_EQ(together.size(), sources.size());
    for (int i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(sources.at(i).volume.name.toStdString() + " #" + std::to_string(i));
        const CollectedVolume alone = StepExporter::lengthened(sources.at(i));
        EXPECT_NEAR(TestSupport::volumeOf(together.at(i).shape), TestSupport::volumeOf(alone.shape), 1e-9);
        if (i % 3 != 2) { // upright: 1.4 mm of pad and 0.1 mm more below it
            EXPECT_NEAR(TestSupport::volumeOf(together.at(i).shape), 1.0 * 1.5 * 1.5, 1e-6);
        }
        const TestSupport::Box a = TestSupport::boxOf(together.at(i).shape), b = TestSupport::boxOf(alone.shape);
        for (const auto& [x, y] : {std::pair{a.xmin, b.xmin}, {a.ymin, b.ymin}, {a.zmin, b.zmin}, {a.xmax, b.xmax},
                                   {a.ymax, b.ymax}, {a.zmax, b.zmax}})
            EXPECT_NEAR(x, y, 1e-6);
    }
}

// Real pads, placed by the footprint library over one solid per pad shape, are lengthened once
// per shape: the export builds and writes one solid per pad shape, not one per pad.
TEST(CollectVolumes, RealPadsOfOneShapeShareOneLengthenedSolid)
{
    for (const char* footprint : {"Package_BGA:BGA-256_17.0x17.0mm_Layout16x16_P1.0mm_Ball0.5mm_Pad0.4mm_NSMD",
                                  "Package_DFN_QFN:QFN-32-1EP_5x5mm_P0.5mm_EP3.45x3.45mm",
                                  "Package_SO:SOIC-8_3.9x4.9mm_P1.27mm"}) {
        Board board;
        board.add(DesignFixture::kicadComponent("U1", footprint, gp_Pnt(30, 20, 10)));
        if (board.components.first().hasMissingFootprint) {
            GTEST_SKIP() << "KiCad footprint library not installed";
        }
        ExportOptions options;
        options.includeBodies = false;
        QSet<const void*> padSolids, lengthenedSolids;
        for (const PlacedPadData& pad : board.components.first().pads)
            padSolids.insert(pad.localShape.TShape().get());
        for (const CollectedVolume& volume : StepExporter::collectVolumes(board.input(), options))
            lengthenedSolids.insert(volume.shape.TShape().get());
        EXPECT_EQ(lengthenedSolids.size(), padSolids.size()) << footprint;
    }
}

// A pad lengthened by 0.1 mm is the pad built 0.1 mm deeper, whether fused with its lowered copy
// or, a prism along Z, swept down from its bottom face: a box pad keeps its six faces and twelve
// edges, turned or placed or not, a round one its three faces, not sides split where they met.
// The pad itself, shared with other pads and the view, keeps its edges as they were. A solid
// that is no such prism (tilted, a step in its bottom) is not swept.
TEST(CollectVolumes, LengthenedPadIsThePadBuiltDeeper)
{
    gp_Trsf shift, tilt;
    shift.SetTranslation(gp_Vec(3.0, -2.0, 5.0));
    tilt.SetRotation(gp::OX(), 0.3);
    const auto curvesOnEdges = [](const TopoDS_Shape& pad) {
        std::vector<int> curves;
        for (TopExp_Explorer it(pad, TopAbs_EDGE); it.More(); it.Next())
            curves.push_back(Handle(BRep_TEdge)::DownCast(it.Current().TShape())->Curves().Extent());
        return curves;
    };
    for (const auto& [shape, width, height, rotation, placement] :
         {std::tuple{"rect", 0.3, 0.3, 0.0, TopLoc_Location()}, {"roundrect", 1.0, 0.5, 30.0, TopLoc_Location()},
          {"circle", 0.5, 0.5, 0.0, TopLoc_Location()}, {"placed rect", 0.3, 0.3, 0.0, TopLoc_Location(shift)}}) {
        const FootprintPad pad{QStringLiteral("1"), 0.0, 0.0, QString::fromUtf8(shape).section(' ', -1), width, height,
                               rotation, {}};
        const TopoDS_Shape built = FootprintManager::extrudePadWithUndercut(pad, 1.0, 0.4).Moved(placement);
        const TopoDS_Shape deeper = FootprintManager::extrudePadWithUndercut(pad, 1.1, 0.4).Moved(placement);
        const std::vector<int> curves = curvesOnEdges(built);
        for (const bool swept : {false, true}) {
            SCOPED_TRACE(std::string(shape) + (swept ? " swept" : " fused"));
            const TopoDS_Shape lengthened = swept ? StepExporter::extrudedDown(built, 0.1)
                                                  : StepExporter::extendPrismaticDown(built, 0.1);
            ASSERT_FALSE(lengthened.IsNull());
            for (const TopAbs_ShapeEnum kind : {TopAbs_FACE, TopAbs_EDGE}) {
                TopTools_IndexedMapOfShape got, expected;
                TopExp::MapShapes(lengthened, kind, got);
                TopExp::MapShapes(deeper, kind, expected);
                EXPECT_EQ(got.Extent(), expected.Extent()) << int(kind);
            }
            const double volume = TestSupport::volumeOf(deeper);
            EXPECT_NEAR(TestSupport::volumeOf(lengthened), volume, 1e-9);
            EXPECT_NEAR(TestSupport::volumeOf(BRepAlgoAPI_Common(lengthened, deeper).Shape()), volume, 1e-7);
            EXPECT_EQ(curvesOnEdges(built), curves);
        }
    }
    // A step in its top: still a prism along Z, its sides merged back where the sweep met them.
    const TopoDS_Shape steppedTop = StepExporter::unifySameDomain(
        BRepAlgoAPI_Fuse(box(0, 0, 0, 1, 1, 1), box(0, 0, 0, 0.5, 1, 1.5)).Shape(), 1e-7);
    const TopoDS_Shape steppedDeeper = BRepAlgoAPI_Fuse(box(0, 0, -0.1, 1, 1, 1), box(0, 0, -0.1, 0.5, 1, 1.5)).Shape();
    const TopoDS_Shape steppedLengthened = StepExporter::extrudedDown(steppedTop, 0.1);
    ASSERT_FALSE(steppedLengthened.IsNull());
    EXPECT_NEAR(TestSupport::volumeOf(steppedLengthened), TestSupport::volumeOf(steppedDeeper), 1e-9);
    EXPECT_NEAR(TestSupport::volumeOf(BRepAlgoAPI_Common(steppedLengthened, steppedDeeper).Shape()),
                TestSupport::volumeOf(steppedDeeper), 1e-7);
    const TopoDS_Shape stepped = BRepAlgoAPI_Fuse(box(0, 0, 0, 1, 1, 1), box(0.2, 0.2, -0.5, 0.6, 0.6, 0.5)).Shape();
    EXPECT_TRUE(StepExporter::extrudedDown(stepped, 0.1).IsNull());
    EXPECT_TRUE(StepExporter::extrudedDown(box(0, 0, 0, 1, 1.5, 1.4).Moved(TopLoc_Location(tilt)), 0.1).IsNull());
}

// The check a pad swept down must pass, whatever built it: one valid solid holding the pad's
// volume plus its bottom's area times the lengthening. The pad built deeper passes; one built
// twice as deep, a hair short, or in two pieces does not.
TEST(CollectVolumes, LengthenedPadIsCheckedAgainstItsVolume)
{
    const TopoDS_Shape pad = box(0, 0, 0, 1, 1.5, 1.4);
    TopoDS_Shape bottom;
    for (TopExp_Explorer it(pad, TopAbs_FACE); it.More() && bottom.IsNull(); it.Next())
        if (TestSupport::boxOf(it.Current()).zmax < 1e-9)
            bottom = it.Current();
    ASSERT_FALSE(bottom.IsNull());
    const struct
    {
        const char* name;
        TopoDS_Shape lengthened;
        bool right;
    } rows[] = {
        {"built deeper", box(0, 0, -0.1, 1, 1.5, 1.4), true},
        {"twice as deep", box(0, 0, -0.2, 1, 1.5, 1.4), false},
        {"a micron short", box(0, 0, -0.099, 1, 1.5, 1.4), false},
        {"in two pieces", StepExporter::compoundOf({box(0, 0, -0.1, 1, 1.5, 0), box(0, 0, 0, 1, 1.5, 1.4)}), false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(StepExporter::lengthenedRight(pad, bottom, 0.1, row.lengthened), row.right) << row.name;
}

TEST(CollectVolumes, KindsComeInOrderAndFollowTheirFlags)
{
    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 2));
    PlacedComponentData missing = component("U9", gp_Pnt(30, 10, 5), 1);
    missing.hasMissingFootprint = true; // its pads count, its body does not
    board.add(missing);
    PlacedComponentData disabled = component("U8", gp_Pnt(30, 30, 5), 0);
    disabled.bodyEnabled = false;
    board.add(disabled);
    board.routes.append(DesignFixture::route("GND", {QPointF(5, 5), QPointF(20, 5)}, 4.0, 2.0, 1.0));
    // A vertical segment 2.0 wide rising 0.6 mm, after a horizontal one 2.0 x 1.0.
    Route riser = DesignFixture::route("VCC", {QPointF(5, 30), QPointF(15, 30)}, 4.0, 2.0, 1.0);
    RouteSegment up;
    up.type = RouteSegment::Vertical;
    up.start = gp_Pnt(15, 30, 4.0);
    up.end = gp_Pnt(15, 30, 4.6);
    up.width = 2.0;
    riser.segments.append(up);
    riser.segments.first().width = 2.0;
    riser.segments.first().height = 1.0;
    board.routes.append(riser);
    board.routes.append(Route()); // no segments: skipped silently

    const QList<CollectedVolume> all = StepExporter::collectVolumes(board.input(), ExportOptions());
    QStringList names;
    for (const CollectedVolume& v : all)
        names << QStringLiteral("%1:%2").arg(v.kind).arg(v.name);
    EXPECT_EQ(names, (QStringList{"0:R1/1", "0:R1/2", "0:U9/1", "1:R1", "2:GND", "2:VCC"}));
    EXPECT_DOUBLE_EQ(all.at(3).featureHint, 3.0);
    EXPECT_DOUBLE_EQ(all.at(4).featureHint, 1.0);
    EXPECT_NEAR(all.at(5).featureHint, 0.6, 1e-12);

    ExportOptions noPads;
    noPads.includePads = false;
    const QList<CollectedVolume> bodiesFirst = StepExporter::collectVolumes(board.input(), noPads);
    ASSERT_FALSE(bodiesFirst.isEmpty());
    EXPECT_EQ(bodiesFirst.first().kind, BodyVolume);

    ExportOptions nothing;
    nothing.includePads = nothing.includeBodies = nothing.includeRoutes = false;
    EXPECT_TRUE(StepExporter::collectVolumes(board.input(), nothing).isEmpty());
}

TEST(CollectVolumes, RouteWithoutSolidIsDroppedWithAWarning)
{
    Board board;
    board.routes.append(DesignFixture::route("GND", {QPointF(5, 5), QPointF(20, 5)}, 4.0));
    Route dot = DesignFixture::route("DOT", {QPointF(5, 5), QPointF(5, 5)}, 4.0);
    board.routes.append(dot);
    board.routeShape = [](const Route& r) {
        // The net "DOT" is a single zero-length segment: the routing model builds no solid.
        return r.netName == QLatin1String("DOT") ? TopoDS_Shape() : RoutingManager::createRouteShape(r);
    };
    FoundationLogCapture log;
    int missing = 0;
    const QList<CollectedVolume> volumes = StepExporter::collectVolumes(board.input(), ExportOptions(), &missing);
    ASSERT_EQ(volumes.size(), 1);
    EXPECT_EQ(missing, 1) << "a track left out of the file is counted, so the export can say so";
    QTemporaryDir dir;
    const StepExportSummary summary =
        StepExporter::exportStep(dir.filePath(QStringLiteral("dot.step")), board.input(), ExportOptions());
    ASSERT_TRUE(summary.success) << summary.error.toStdString();
    EXPECT_EQ(summary.tracksMissing, 1);
    EXPECT_EQ(volumes.first().name, QStringLiteral("GND"));
    EXPECT_TRUE(log.contains(QStringLiteral("createRouteShape null for \"DOT\""))) << log.joined().toStdString();

    // Given a solid anyway, a route of zero-length segments has no size hint.
    board.routeShape = [](const Route&) { return box(0, 0, 0, 1, 1, 1); };
    const QList<CollectedVolume> hinted = StepExporter::collectVolumes(board.input(), ExportOptions());
    ASSERT_EQ(hinted.size(), 2);
    EXPECT_EQ(hinted.at(1).featureHint, 0.0);
}

// --- Assembly ---

TEST(BuildAssembly, NothingToCarveShipsThePartAsItCame)
{
    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 2));
    ExportOptions nothing;
    nothing.includePads = nothing.includeBodies = nothing.includeRoutes = false;
    DebugRulesEnabled debug;
    FoundationLogCapture log;
    const AssemblyResult result = StepExporter::buildAssembly(board.input(), nothing);
    EXPECT_TRUE(result.part.IsSame(board.part));
    EXPECT_EQ(result.partSolids, 1);
    EXPECT_TRUE(result.conductors.isEmpty());
    EXPECT_EQ(result.smallestFeature, 0.0);
    EXPECT_EQ(result.cavitiesOk, 0);
    EXPECT_FALSE(log.debugs().join(QLatin1Char('\n')).contains(QStringLiteral("Step 2")));

    FoundationLogCapture nullLog;
    const AssemblyResult none = StepExporter::buildAssembly(AssemblyInput(), ExportOptions());
    EXPECT_TRUE(none.part.IsNull());
    EXPECT_EQ(none.partSolids, 0);
    EXPECT_TRUE(nullLog.contains(QStringLiteral("buildAssembly: main part is null")));
}

TEST(BuildAssembly, CarvesThickestFirstAndGroupsPadsByComponentAndTracksByNet)
{
    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 3, 0.5, 1.5)); // pads: feature 0.5
    board.add(component("R2", gp_Pnt(30, 10, 5), 1, 1.0, 1.5)); // single pad: no fuse
    board.routes.append(DesignFixture::route("GND", {QPointF(10, 25), QPointF(30, 25)}, 4.0, 2.0, 2.0));
    board.routes.append(DesignFixture::route("GND", {QPointF(30, 25), QPointF(30, 35)}, 4.0, 2.0, 2.0));
    // A volume without any solid has no size at all: it is cut first.
    board.routes.append(DesignFixture::route("FLAT", {QPointF(40, 30), QPointF(50, 30)}, 4.0));
    board.routeShape = [](const Route& r) -> TopoDS_Shape {
        if (r.netName == QLatin1String("FLAT")) {
            Route zero = r;
            return BRepBuilderAPI_MakeFace(gp_Pln(gp_Pnt(0, 0, 20), gp::DZ()), 40, 50, 29, 31).Face();
        }
        return RoutingManager::createRouteShape(r);
    };
    for (Route& r : board.routes)
        if (r.netName == QLatin1String("FLAT"))
            r.segments.first().end = r.segments.first().start; // zero length: no hint

    DebugRulesEnabled debug;
    FoundationLogCapture log;
    const AssemblyResult result = StepExporter::buildAssembly(board.input(), ExportOptions());
    QStringList carved;
    for (const QString& line : log.debugs())
        if (line.startsWith(QStringLiteral("  →")))
            carved << line.mid(4);
    // FLAT (no size), then the 3 mm bodies, the 2 mm tracks, the 1 mm pad, the 0.5 mm pads;
    // equal sizes keep collection order.
    EXPECT_EQ(carved, (QStringList{"\"FLAT\"", "\"R1\"", "\"R2\"", "\"GND\"", "\"GND\"", "\"R2/1\"", "\"R1/1\"",
                                   "\"R1/2\"", "\"R1/3\""}));
    QStringList groups;
    for (const ConductorGroup& g : result.conductors)
        groups << g.name;
    EXPECT_EQ(groups, (QStringList{"Piste_FLAT", "Piste_GND", "R1", "R2"}));
    EXPECT_EQ(result.conductorGroups, 4);
    EXPECT_EQ(result.groupsNotFused, 0);
    EXPECT_TRUE(result.conductors.at(3).shape.IsSame(
        StepExporter::solidsOf(result.conductors.at(3).shape).first())); // passed through
    EXPECT_NEAR(result.smallestFeature, 0.5, 1e-12);
    EXPECT_EQ(result.cavitiesOk + result.cavitiesFailed, 8); // FLAT, a face above the part, takes nothing
    EXPECT_EQ(result.partSolids, 1);
}

TEST(BuildAssembly, OneCutRemovesExactlyTheVolumes)
{
    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 2));
    board.add(component("U1", gp_Pnt(30, 20, 8), 3)); // body reaches above the part
    board.routes.append(DesignFixture::route("N1", {QPointF(8.5, 10), QPointF(8.5, 30), QPointF(28.5, 30)}, 4.0,
                                             1.0, 0.8));
    const AssemblyResult oneCut = StepExporter::buildAssembly(board.input(), ExportOptions());
    ASSERT_TRUE(oneCut.carvedInOneCut);
    EXPECT_EQ(oneCut.cavitiesOk, 8); // 5 pads, 2 bodies, 1 track

    // Expected: the part minus every collected volume, cut here one by one without fuzzy value.
    TopoDS_Shape expected = board.part;
    for (const CollectedVolume& v : StepExporter::collectVolumes(board.input(), ExportOptions()))
        expected = BRepAlgoAPI_Cut(expected, v.shape).Shape();
    EXPECT_NEAR(TestSupport::volumeOf(oneCut.part), TestSupport::volumeOf(expected), 1e-3);
}

// A track drawn again over itself, or a pad given twice, is cut and fused once: the part and
// the groups are those of the design without the repeats, and every repeat counts as a cavity
// with the volume it repeats, though cutting it again would remove nothing.
TEST(BuildAssembly, RepeatedVolumesGiveTheDesignWithoutRepeats)
{
    Board once;
    once.add(component("R1", gp_Pnt(10, 10, 5), 2));
    const Route gnd = DesignFixture::route("GND", {QPointF(8.5, 10), QPointF(8.5, 30), QPointF(28.5, 30)}, 4.0, 1.0, 0.8);
    once.routes = {gnd, DesignFixture::route("VCC", {QPointF(40, 5), QPointF(40, 30)}, 4.0, 1.0, 0.8)};
    Board repeated = once;
    for (int i = 0; i < 4; ++i)
        repeated.routes.append(gnd);
    PlacedComponentData r1 = repeated.components.value("R1");
    r1.pads.append(r1.pads.first());
    repeated.add(r1);
    // The same track under another net's name repeats a solid of another group: both keep it.
    repeated.routes.append(DesignFixture::route("OTHER", {QPointF(40, 5), QPointF(40, 30)}, 4.0, 1.0, 0.8));

    {
        const AssemblyResult plain = StepExporter::buildAssembly(once.input(), ExportOptions());
        const AssemblyResult result = StepExporter::buildAssembly(repeated.input(), ExportOptions());
        EXPECT_EQ(result.cavitiesOk, plain.cavitiesOk + 6);
        EXPECT_EQ(result.cavitiesFailed + result.groupsNotFused, 0);
        EXPECT_NEAR(TestSupport::volumeOf(result.part), TestSupport::volumeOf(plain.part), 1e-6);
        QStringList names;
        for (const ConductorGroup& group : result.conductors)
            names << group.name;
        EXPECT_EQ(names, (QStringList{"Piste_GND", "Piste_OTHER", "Piste_VCC", "R1"}));
        ASSERT_EQ(plain.conductors.size(), 3);
        EXPECT_NEAR(TestSupport::volumeOf(result.conductors.at(0).shape),
                    TestSupport::volumeOf(plain.conductors.at(0).shape), 1e-6);
        EXPECT_NEAR(TestSupport::volumeOf(result.conductors.at(1).shape),
                    TestSupport::volumeOf(plain.conductors.at(1).shape), 1e-6);
        EXPECT_NEAR(TestSupport::volumeOf(result.conductors.at(3).shape),
                    TestSupport::volumeOf(plain.conductors.at(2).shape), 1e-6);
        EXPECT_EQ(StepExporter::solidsOf(result.conductors.at(0).shape).size(), 1);
    }
}

// A thin track climbing in steps longer than its width keeps every step's faces: its solid is
// valid, and the assembly takes it as it is. Repairing it anyway tried every pair of edges of
// its long outlines, and the export of a few thousand steps never ended. The outline comes in
// strips of a few hundred edges, and the assembly must not merge them back into one face (751
// edges at 250 steps), which every later step walks in the square of its length.
TEST(BuildAssembly, ValidThinStaircaseIsCarvedWithoutRepair)
{
    for (const int steps : {250, 1000}) {
        QList<QPointF> points{QPointF(5, 5)};
        for (int i = 1; i <= steps; ++i)
            points.append(points.last() + (i % 2 ? QPointF(0.1, 0) : QPointF(0, 0.1)));
        Board board;
        board.part = box(0, 0, 0, 65, 65, 10);
        board.routes.append(DesignFixture::route("N", points, 4.0, 0.05, 0.05));
        const TopoDS_Shape solid = RoutingManager::createRouteShape(board.routes.first());
        ASSERT_TRUE(OccUtils::isValidShape(solid));
        DebugRulesEnabled debug;
        FoundationLogCapture log;
        const AssemblyResult result = StepExporter::buildAssembly(board.input(), ExportOptions());
        EXPECT_FALSE(log.debugs().join(QLatin1Char('\n')).contains(QStringLiteral("repaired"))) << steps;
        EXPECT_EQ(result.cavitiesOk, 1) << steps;
        ASSERT_EQ(result.conductors.size(), 1) << steps;
        EXPECT_NEAR(TestSupport::volumeOf(result.conductors.first().shape), TestSupport::volumeOf(solid),
                    1e-6 * TestSupport::volumeOf(solid))
            << steps;
        EXPECT_LE(TestSupport::mostEdgesOnAFace(result.conductors.first().shape), 400) << steps;
        EXPECT_LE(TestSupport::mostEdgesOnAFace(result.part), 400) << steps;
    }
}

// A body swallowing the whole part would leave nothing of it: its cut is refused, the other
// volumes are cut apart from it, and it still holds the whole part, so it is named.
TEST(BuildAssembly, FailedCavityFallsBackToTheLadderAndKeepsThePart)
{
    Board board;
    PlacedComponentData huge = component("U1", gp_Pnt(30, 20, 5), 2);
    huge.compositeShape = new AIS_Shape(box(-5, -5, -5, 65, 45, 15));
    huge.bodyWidth = huge.bodyLength = huge.bodyHeight = 20.0;
    board.add(huge);
    FoundationLogCapture log;
    const AssemblyResult result = StepExporter::buildAssembly(board.input(), ExportOptions());
    EXPECT_FALSE(result.carvedInOneCut);
    EXPECT_EQ(result.cavitiesFailed, 1);
    EXPECT_EQ(result.cavitiesNotCut, QStringList{"U1"});
    EXPECT_EQ(result.cavitiesOk, 2);
    // Only the two pads, 1 x 1.5 x (1.4 + 0.1) each, left their cavity.
    EXPECT_NEAR(TestSupport::volumeOf(result.part), 60.0 * 40.0 * 10.0 - 2 * 1.0 * 1.5 * 1.5, 1e-3);
    EXPECT_EQ(result.conductorGroups, 1);
}

// One volume refusing the common cut (a body swallowing the whole part) leaves the others to
// be cut in batches: a few cuts of the part find it, where carving every pad alone cuts and
// checks the whole part once per pad (measured: 1.6 and 50 times the one cut of the pads alone).
// The same material goes, and that one cavity fails.
TEST(BuildAssembly, OneRefusedVolumeCostsAFewCutsNotOneCutPerVolume)
{
    Board plain; // a pad per component: no group to fuse, the carving is what is timed
    for (int i = 0; i < 400; ++i) {
        PlacedComponentData single = component(QStringLiteral("P%1").arg(i + 1), gp_Pnt(30, 20, 5), 0);
        single.compositeShape.Nullify();
        PlacedPadData pad;
        pad.number = QStringLiteral("1");
        const double x = 20.0 + 0.5 * (i % 20), y = 15.0 + 0.5 * (i / 20);
        pad.worldPosition = gp_Pnt(x, y, 5);
        pad.placedShape = box(x - 0.15, y - 0.15, 4, x + 0.15, y + 0.15, 5.4);
        pad.scaledWidth = pad.scaledHeight = 0.3;
        single.pads.append(pad);
        plain.add(single);
    }
    Board refused = plain;
    PlacedComponentData huge = component("U1", gp_Pnt(5, 5, 5), 0);
    huge.compositeShape = new AIS_Shape(box(-5, -5, -5, 65, 45, 15));
    huge.bodyWidth = huge.bodyLength = huge.bodyHeight = 20.0;
    refused.add(huge);

    const AssemblyResult once = StepExporter::buildAssembly(plain.input(), ExportOptions());
    const DebugRulesEnabled exportDebug(QStringLiteral("vantorquelle.export.debug=true"));
    FoundationLogCapture log;
    const AssemblyResult result = StepExporter::buildAssembly(refused.input(), ExportOptions());
    const qsizetype batchCuts = log.texts(QtDebugMsg).filter(QStringLiteral("carving: one cut of")).size();
    ASSERT_TRUE(once.carvedInOneCut);
    EXPECT_FALSE(result.carvedInOneCut);
    EXPECT_EQ(result.cavitiesFailed, 1);
    EXPECT_EQ(result.cavitiesOk, 400);
    EXPECT_NEAR(TestSupport::volumeOf(result.part), TestSupport::volumeOf(once.part), 1e-6);
    // Halving finds the one refusing volume among 401 in about two cuts a halving.
    EXPECT_GT(batchCuts, 0);
    EXPECT_LE(batchCuts, 2 * 9 + 1);
}

// A flange round a boss, and a round body sunk where the boss stands: the boss cut away leaves
// the flange's outer rim floating round the cavity, outside the body but for its inner edge on
// the body's wall, its centre of mass on the body's axis. A body swallowing the whole part makes
// the one cut of every volume refused, so the rim comes out of a batch. It is no material of any
// volume: the part keeps it, as a cut made here does, and says it was cut apart.
TEST(StepExport, PieceABatchLeavesOutsideTheVolumesIsKept)
{
    const gp_Pnt low(5, 0, 5), high(5, 0, 7), out(6, 0, 6); // a half disc on the boss's wall
    const TopoDS_Wire halfDisc =
        BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(low, high).Edge(),
                                BRepBuilderAPI_MakeEdge(GC_MakeArcOfCircle(high, out, low).Value()).Edge());
    const TopoDS_Shape flange =
        BRepPrimAPI_MakeRevol(BRepBuilderAPI_MakeFace(halfDisc).Face(), gp_Ax1(gp::Origin(), gp::DZ())).Shape();
    const TopoDS_Shape plate = box(-15, -15, 0, 15, 15, 2);
    const TopoDS_Shape boss = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 2), gp::DZ()), 5, 8).Shape();
    const TopoDS_Shape body = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 1.5), gp::DZ()), 5.2, 10).Shape();
    const TopoDS_Shape sunk = box(8, 8, 1, 10, 10, 3);
    Board board;
    board.part = BRepAlgoAPI_Fuse(BRepAlgoAPI_Fuse(plate, boss).Shape(), flange).Shape();
    ASSERT_EQ(TestSupport::countOf(board.part, TopAbs_SOLID), 1);
    const struct
    {
        const char* ref;
        TopoDS_Shape shape;
        double size;
    } bodies[] = {{"C1", body, 10.0}, {"C2", sunk, 2.0}, {"U1", box(-20, -20, -5, 20, 20, 15), 20.0}};
    for (const auto& b : bodies) {
        PlacedComponentData c = component(b.ref, gp::Origin(), 0);
        c.compositeShape = new AIS_Shape(b.shape);
        c.bodyWidth = c.bodyLength = c.bodyHeight = b.size;
        board.add(c);
    }

    const DebugRulesEnabled exportDebug(QStringLiteral("vantorquelle.export.debug=true"));
    FoundationLogCapture log;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("flange.step"));
    const StepExportSummary summary = StepExporter::exportStep(path, board.input(), ExportOptions());
    ASSERT_TRUE(summary.success) << summary.error.toStdString();
    ASSERT_EQ(log.texts(QtDebugMsg).filter(QStringLiteral("carving: one cut of 2 volume(s)")).size(), 1);
    EXPECT_EQ(summary.cavitiesNotCut, QStringList{"U1"});
    EXPECT_EQ(summary.cavitiesOk, 2);
    EXPECT_EQ(summary.piecesCutApart, 2);
    const DesignFixture::ReadBack back = DesignFixture::readStep(path);
    ASSERT_FALSE(back.shapes.isEmpty());
    EXPECT_EQ(TestSupport::countOf(back.shapes.first(), TopAbs_SOLID), 2);
    const TopoDS_Shape carved = BRepAlgoAPI_Cut(BRepAlgoAPI_Cut(board.part, body).Shape(), sunk).Shape();
    ASSERT_EQ(TestSupport::countOf(carved, TopAbs_SOLID), 2);
    EXPECT_NEAR(TestSupport::volumeOf(back.shapes.first()), TestSupport::volumeOf(carved), 1e-3);
}

// Volumes that cut nothing are no cavities, and components beside the
// part or standing in a hole of it are told as not in the part, by the print plan alike, yet
// ship their conductor; a separate small solid lying wholly inside a body (a logo modelled as
// its own body) goes with the cavity, whether or not the body cuts more. The planar faces the
// cavities hole carry the 2D curve of each of their edges: the STEP writer otherwise works each
// one out again, in a loop over a face's edges already quadratic, and a part of thousands of
// pads takes minutes to write.
TEST(BuildAssembly, CarvedPartCountsWhatItsVolumesTook)
{
    const TopoDS_Shape block = box(0, 0, 0, 60, 40, 10);
    const TopoDS_Shape holed = BRepAlgoAPI_Cut(block, box(20, 10, -1, 30, 20, 11)).Shape();
    // A 1 mm³ logo under a body 4 mm wide at x, over z 7.5 to 10.5, beside two blocks.
    const auto blocksAndLogo = [](double x) {
        return StepExporter::compoundOf({box(0, 0, 0, 20, 40, 10), box(40, 0, 0, 60, 40, 10),
                                         box(x + 0.5, 19.5, 8, x + 1.5, 20.5, 9)});
    };
    const double twoBlocks = 2 * 20.0 * 40.0 * 10.0;
    const struct
    {
        const char* name;
        TopoDS_Shape part;
        QList<gp_Pnt> places;
        int pads;
        double padW, padH;
        int cavities, outside, partSolids;
        double volume; // of the carved part; < 0: not asked
    } rows[] = {
        {"all beside the part", block, {gp_Pnt(100, 100, 5), gp_Pnt(120, 100, 5)}, 2, 1.0, 1.5, 0, 2, 1, 24000.0},
        {"one in, one beside", block, {gp_Pnt(10, 10, 5), gp_Pnt(100, 100, 5)}, 2, 1.0, 1.5, 3, 1, 1, -1.0},
        {"in a hole of the part", holed, {gp_Pnt(25, 15, 5)}, 2, 1.0, 1.5, 0, 1, 1, 23000.0},
        {"in the part", block, {gp_Pnt(10, 10, 5)}, 2, 1.0, 1.5, 3, 0, 1, -1.0},
        {"twelve small pads", block, {gp_Pnt(20, 20, 8)}, 12, 0.5, 0.5, 13, 0, 1, -1.0},
        {"body over the gap between the blocks", blocksAndLogo(30.0), {gp_Pnt(30, 20, 7.5)}, 0, 1.0, 1.5, 1, 0, 2,
         twoBlocks},
        {"body astride a block's edge", blocksAndLogo(20.5), {gp_Pnt(20.5, 20, 7.5)}, 0, 1.0, 1.5, 1, 0, 2,
         twoBlocks - 1.5 * 4.0 * 2.5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Board board;
        board.part = row.part;
        for (const gp_Pnt& at : row.places)
            board.add(component(QStringLiteral("R%1").arg(board.components.size() + 1), at, row.pads, row.padW,
                                row.padH));
        {
            const AssemblyResult result = StepExporter::buildAssembly(board.input(), ExportOptions());
            EXPECT_EQ(result.cavitiesOk, row.cavities);
            EXPECT_EQ(result.componentsOutside, row.outside);
            EXPECT_EQ(result.cavitiesFailed, 0);
            EXPECT_EQ(result.partSolids, row.partSolids);
            EXPECT_EQ(result.conductors.size(), row.pads > 0 ? row.places.size() : 0);
            if (row.volume >= 0.0) {
                EXPECT_NEAR(TestSupport::volumeOf(result.part), row.volume, 1e-3);
            }
            int missingCurves = 0;
            for (TopExp_Explorer face(result.part, TopAbs_FACE); face.More(); face.Next())
                for (TopExp_Explorer edge(face.Current(), TopAbs_EDGE); edge.More(); edge.Next()) {
                    double first = 0.0, last = 0.0;
                    Standard_Boolean stored = false;
                    BRep_Tool::CurveOnSurface(TopoDS::Edge(edge.Current()), TopoDS::Face(face.Current()), first,
                                              last, &stored);
                    missingCurves += stored ? 0 : 1;
                }
            EXPECT_EQ(missingCurves, 0);
        }
        const PrintPlan plan = PrintPlanGenerator::generate(board.components, {}, row.part, 0.2);
        ASSERT_TRUE(plan.ok);
        EXPECT_EQ(plan.outsidePartCount(), row.outside);
        EXPECT_EQ(plan.totalInsertCount(), row.places.size() - row.outside);
        const QString counts = PrintPlanGenerator::toText(plan).split(QLatin1Char('\n')).at(3);
        EXPECT_EQ(counts.endsWith(QStringLiteral(" — %1 component(s) not in the part").arg(row.outside)),
                  row.outside > 0)
            << counts.toStdString();
    }
}

// A cut in rounds says what each volume took that no volume before it took: overlapping volumes
// count once, volumes sticking out of the part count for what they share with it, volumes beside
// it count nothing; volumes that swallow the solid leave no solid of it.
TEST(CutInRounds, SaysWhatEachVolumeTook)
{
    const TopoDS_Shape part = box(0, 0, 0, 20, 20, 10);
    const struct
    {
        const char* name;
        QList<TopoDS_Shape> tools;
        QList<double> taken; // empty: swallowed
    } rows[] = {
        {"disjoint, inside", {box(2, 2, 2, 4, 4, 4), box(10, 10, 2, 11, 11, 3)}, {8.0, 1.0}},
        {"overlapping", {box(2, 2, 2, 6, 6, 6), box(4, 4, 4, 8, 8, 8)}, {64.0, 64.0 - 8.0}},
        {"through the top", {box(2, 2, 8, 4, 4, 14)}, {8.0}},
        {"overlapping, one through the side", {box(-2, 2, 2, 4, 4, 4), box(3, 3, 3, 5, 5, 5)}, {16.0, 8.0 - 1.0}},
        {"one beside the part", {box(2, 2, 2, 4, 4, 4), box(30, 30, 2, 32, 32, 4)}, {8.0, 0.0}},
        {"swallowing the part", {box(-1, -1, -1, 21, 21, 11)}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Carving::detail::Cut cut = Carving::detail::cutInRounds(part, row.tools, 0.0);
        ASSERT_FALSE(cut.shape.IsNull());
        if (row.taken.isEmpty()) {
            EXPECT_TRUE(StepExporter::solidsOf(cut.shape).isEmpty());
            continue;
        }
        double taken = 0.0;
        for (int k = 0; k < row.taken.size(); ++k) {
            EXPECT_NEAR(cut.removed[size_t(k)], row.taken.at(k), 1e-6) << k;
            taken += row.taken.at(k);
        }
        EXPECT_NEAR(TestSupport::volumeOf(cut.shape), 4000.0 - taken, 1e-6);
        EXPECT_TRUE(Carving::detail::balanced(part, cut, row.tools, 0.0));
    }
}

// --- STEP file ---

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(StepExport, ReadsBackAsTheCarvedPartAndItsConductorGroups)
{
    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 2));
    board.add(component("C2", gp_Pnt(30, 10, 5), 2));
    board.routes.append(DesignFixture::route("Net A/B", {QPointF(8.5, 10), QPointF(8.5, 30), QPointF(28.5, 30),
                                                        QPointF(28.5, 10)}, 4.0, 1.0, 0.8));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("carte é.step"));
    const StepExportSummary summary = StepExporter::exportStep(path, board.input(), ExportOptions());
    ASSERT_TRUE(summary.success) << summary.error.toStdString();
    EXPECT_TRUE(summary.error.isEmpty());
    EXPECT_EQ(summary.cavitiesOk, 7);
    EXPECT_EQ(summary.conductorGroups, 3);
    EXPECT_EQ(summary.partSolids, 1);

    const AssemblyResult built = StepExporter::buildAssembly(board.input(), ExportOptions());
    const DesignFixture::ReadBack back = DesignFixture::readStep(path);
    EXPECT_EQ(back.names, (QStringList{"Vantorquelle_Piece", "Cond_C2", "Cond_Piste_Net_A_B", "Cond_R1"}));
    ASSERT_EQ(back.shapes.size(), 4);
    EXPECT_NEAR(TestSupport::volumeOf(back.shapes.at(0)), TestSupport::volumeOf(built.part), 1e-3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(TestSupport::volumeOf(back.shapes.at(i + 1)), TestSupport::volumeOf(built.conductors.at(i).shape),
                    1e-3)
            << back.names.at(i + 1).toStdString();
    EXPECT_LT(TestSupport::volumeOf(back.shapes.at(0)), TestSupport::volumeOf(board.part) - 1.0);
    // AP214 in millimetres, whatever an earlier export in the process left set.
    const QByteArray text = contentOf(path);
    EXPECT_TRUE(text.contains("FILE_SCHEMA(('AUTOMOTIVE_DESIGN"));
    EXPECT_TRUE(text.contains("SI_UNIT(.MILLI.,.METRE.)"));
}

// A part one of whose solids fails the validity check (a bowtie prism, whose end faces' wires
// cross themselves) is carved where the cavities go and keeps that solid as it came: the
// summary says the carved part is invalid, and a valid part is not said to be.
TEST(StepExport, InvalidCarvedPartIsSaid)
{
    const gp_Pnt a(70, 0, 0), b(80, 10, 0), c(80, 0, 0), d(70, 10, 0);
    const TopoDS_Wire crossed =
        BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(a, b).Edge(), BRepBuilderAPI_MakeEdge(b, c).Edge(),
                                BRepBuilderAPI_MakeEdge(c, d).Edge(), BRepBuilderAPI_MakeEdge(d, a).Edge());
    const TopoDS_Shape bowtie =
        BRepPrimAPI_MakePrism(BRepBuilderAPI_MakeFace(crossed, true).Face(), gp_Vec(0, 0, 5)).Shape();
    ASSERT_FALSE(OccUtils::isValidShape(bowtie));
    QTemporaryDir dir;
    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 2));
    const StepExportSummary sound =
        StepExporter::exportStep(dir.filePath(QStringLiteral("sound.step")), board.input(), ExportOptions());
    ASSERT_TRUE(sound.success) << sound.error.toStdString();
    EXPECT_FALSE(sound.partInvalid);

    board.part = StepExporter::compoundOf({board.part, bowtie});
    const AssemblyResult result = StepExporter::buildAssembly(board.input(), ExportOptions());
    EXPECT_GT(result.cavitiesOk, 0);
    EXPECT_FALSE(OccUtils::isValidShape(result.part));
    EXPECT_TRUE(result.partInvalid);
    const StepExportSummary summary =
        StepExporter::exportStep(dir.filePath(QStringLiteral("invalid.step")), board.input(), ExportOptions());
    ASSERT_TRUE(summary.success) << summary.error.toStdString();
    EXPECT_TRUE(summary.partInvalid);
}

TEST(StepExport, BareBoardAndSkippedGroups)
{
    Board board;
    QTemporaryDir dir;
    const QString bare = dir.filePath(QStringLiteral("bare.step"));
    const StepExportSummary summary = StepExporter::exportStep(bare, board.input(), ExportOptions());
    ASSERT_TRUE(summary.success);
    EXPECT_EQ(summary.cavitiesOk, 0);
    EXPECT_EQ(summary.conductorGroups, 0);
    const DesignFixture::ReadBack back = DesignFixture::readStep(bare);
    EXPECT_EQ(back.names, QStringList{"Vantorquelle_Piece"});
    ASSERT_EQ(back.shapes.size(), 1);
    EXPECT_NEAR(TestSupport::volumeOf(back.shapes.first()), 60.0 * 40.0 * 10.0, 1e-6);

    const QString groups = dir.filePath(QStringLiteral("groups.step"));
    ASSERT_TRUE(StepExporter::writeStepFile(groups, board.part,
                                            {{box(0, 0, 0, 1, 1, 1), QStringLiteral("a b/c")},
                                             {TopoDS_Shape(), QStringLiteral("empty")}}));
    EXPECT_EQ(DesignFixture::readStep(groups).names, (QStringList{"Vantorquelle_Piece", "Cond_a_b_c"}));
}

TEST(StepExport, BadInputLeavesThePreviousFileIntact)
{
    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 2));
    QTemporaryDir dir;

    // No part: refused before anything is built or written.
    const QString none = dir.filePath(QStringLiteral("none.step"));
    AssemblyInput noPart = board.input();
    noPart.mainPart.Nullify();
    const StepExportSummary refused = StepExporter::exportStep(none, noPart, ExportOptions());
    EXPECT_FALSE(refused.success);
    EXPECT_EQ(refused.error, QStringLiteral("No main shape loaded."));
    EXPECT_FALSE(QFile::exists(none));

    // A folder that does not exist.
    const QString missing = dir.filePath(QStringLiteral("nowhere/board.step"));
    FoundationLogCapture log;
    const StepExportSummary lost = StepExporter::exportStep(missing, board.input(), ExportOptions());
    EXPECT_FALSE(lost.success);
    EXPECT_TRUE(lost.error.startsWith(QStringLiteral("Failed to write the STEP file."))) << lost.error.toStdString();
    EXPECT_EQ(lost.cavitiesOk, 3); // the counters of the built assembly are kept
    EXPECT_FALSE(QFile::exists(missing));

    // The target taken by a folder: the written file cannot replace it, and it keeps its content.
    const QString occupied = dir.filePath(QStringLiteral("occupied.step"));
    ASSERT_TRUE(QDir().mkpath(occupied + QStringLiteral("/inside")));
    const StepExportSummary blocked = StepExporter::exportStep(occupied, board.input(), ExportOptions());
    EXPECT_FALSE(blocked.success);
    EXPECT_TRUE(blocked.error.startsWith(QStringLiteral("Failed to write the STEP file.")));
    EXPECT_TRUE(QFileInfo(occupied + QStringLiteral("/inside")).isDir());

}

// Exit code of the export into a read-only folder: 0 refused with the system's reason, 1
// written, 2 refused without a reason.
int exportIntoLockedFolder(const QString& path, const AssemblyInput& input)
{
    const StepExportSummary summary = StepExporter::exportStep(path, input, ExportOptions());
    if (summary.success)
        return 1;
    return summary.error.size() > QStringLiteral("Failed to write the STEP file.").size() ? 0 : 2;
}

TEST(StepExport, ReadOnlyFolderKeepsTheEarlierExport)
{
    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 2));
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    const QString lockedDir = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(lockedDir));
    const QString previous = lockedDir + QStringLiteral("/board.step");
    {
        QFile file(previous);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("ISO-10303-21; previous export");
    }
    ASSERT_EQ(::chmod(root.constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(lockedDir).constData(), 0555), 0);

    int outcome = -1;
    if (::geteuid() != 0) {
        outcome = exportIntoLockedFolder(previous, board.input());
    } else {
        // The superuser ignores folder modes: the export runs in a child that gives them up.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            ::_exit(exportIntoLockedFolder(previous, board.input()));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        outcome = WEXITSTATUS(status);
    }
    ::chmod(QFile::encodeName(lockedDir).constData(), 0755);
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(contentOf(previous), QByteArray("ISO-10303-21; previous export"));
}

// A STEP writer killed mid-write leaves its folder in the temporary location with a partial
// file; the next export removes it (which folders go is the clean-up's own test), and its own.
TEST(StepExport, FoldersLeftByDeadWritersAreRemovedByTheNextExport)
{
    QTemporaryDir dir;
    const QByteArray previousTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"), {});
    ASSERT_TRUE(gone.waitForStarted(-1));
    const QByteArray deadWriter = QByteArray::number(gone.processId()) + "\nvantorquelle\n\n";
    ASSERT_TRUE(gone.waitForFinished(-1));
    for (const char* leftover : {"another-program-step", "vantorquelle-step-killed"}) {
        const QString folder = dir.filePath(QLatin1String(leftover));
        QFile partial(folder + "/board.step"), lock(folder + "/writer.lock");
        ASSERT_TRUE(QDir().mkpath(folder) && partial.open(QIODevice::WriteOnly) && lock.open(QIODevice::WriteOnly));
        partial.write("ISO-10303-21;\nHEADER;\nFILE_NA");
        lock.write(deadWriter);
    }

    Board board;
    board.add(component("R1", gp_Pnt(10, 10, 5), 2));
    const StepExportSummary summary =
        StepExporter::exportStep(dir.filePath(QStringLiteral("board.step")), board.input(), ExportOptions());
    qputenv("TMPDIR", previousTemp);
    EXPECT_TRUE(summary.success) << summary.error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name).join(' ').toStdString(),
              "another-program-step")
        << "the export's own folder goes too";
}

} // namespace
