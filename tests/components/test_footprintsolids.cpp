// Pad solids, body boxes, bounds and centre of a footprint; plus the defaults of the records.

#include "components/footprintmanager.h"
#include "model/placedcomponentdata.h"
#include "logcapture.h"
#include "testsupport.h"

#include <gp_Pnt.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kTol = 1e-6;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

FootprintPad makePad(const char* shape, double w, double h, double rotation = 0.0, double x = 0.0, double y = 0.0)
{
    FootprintPad pad;
    pad.number = QStringLiteral("1");
    pad.shape = QString::fromLatin1(shape);
    pad.width = w;
    pad.height = h;
    pad.rotation = rotation;
    pad.posX = x;
    pad.posY = y;
    pad.layers = QStringLiteral("F.Cu");
    return pad;
}

FootprintData footprintWithPads(std::initializer_list<FootprintPad> pads)
{
    FootprintData fp;
    fp.name = QStringLiteral("Test");
    for (const FootprintPad& p : pads)
        fp.copperPads.append(p);
    return fp;
}

void expectBox(const TopoDS_Shape& shape, double xmin, double ymin, double zmin, double xmax, double ymax,
               double zmax)
{
    ASSERT_FALSE(shape.IsNull());
    const TestSupport::Box b = TestSupport::boxOf(shape);
    EXPECT_NEAR(b.xmin, xmin, kTol);
    EXPECT_NEAR(b.ymin, ymin, kTol);
    EXPECT_NEAR(b.zmin, zmin, kTol);
    EXPECT_NEAR(b.xmax, xmax, kTol);
    EXPECT_NEAR(b.ymax, ymax, kTol);
    EXPECT_NEAR(b.zmax, zmax, kTol);
}

// ---------------------------------------------------------------------------------------------
// Pad solids.

struct PadSolidCase
{
    const char* name;
    FootprintPad pad;
    double xmin, ymin, xmax, ymax;
    double volume;
};

std::ostream& operator<<(std::ostream& os, const PadSolidCase& c)
{
    return os << c.name;
}

class PadSolid : public ::testing::TestWithParam<PadSolidCase>
{
};

TEST_P(PadSolid, SpansThicknessBelowAndUndercutAbove)
{
    const PadSolidCase& c = GetParam();
    FoundationLogCapture log;
    const TopoDS_Shape solid = FootprintManager::extrudePadWithUndercut(c.pad, 1.0, 0.4);
    expectBox(solid, c.xmin, c.ymin, -1.0, c.xmax, c.ymax, 0.4);
    EXPECT_NEAR(TestSupport::volumeOf(solid), c.volume, 1e-6);
    EXPECT_TRUE(log.warnings().isEmpty());
}

const PadSolidCase kPadSolidCases[] = {
    {"Rect", makePad("rect", 1.0, 0.5), -0.5, -0.25, 0.5, 0.25, 0.7},
    {"RectTurned90", makePad("rect", 1.0, 0.5, 90.0), -0.25, -0.5, 0.25, 0.5, 0.7},
    {"RectTinyRotationIgnored", makePad("rect", 1.0, 0.5, 5e-8), -0.5, -0.25, 0.5, 0.25, 0.7},
    {"RoundrectIsABox", makePad("roundrect", 1.2, 0.9), -0.6, -0.45, 0.6, 0.45, 1.2 * 0.9 * 1.4},
    {"CustomIsABox", makePad("custom", 1.0, 1.0), -0.5, -0.5, 0.5, 0.5, 1.4},
    {"EmptyShapeIsABox", makePad("", 1.0, 1.0), -0.5, -0.5, 0.5, 0.5, 1.4},
    // Ovals become circles of the smaller size; rotation is irrelevant for a cylinder.
    {"OvalUpperCase", makePad("OVAL", 1.6, 0.8, 30.0), -0.4, -0.4, 0.4, 0.4, M_PI * 0.16 * 1.4},
    {"Circle", makePad("circle", 1.0, 1.0), -0.5, -0.5, 0.5, 0.5, M_PI * 0.25 * 1.4},
};

INSTANTIATE_TEST_SUITE_P(Shapes, PadSolid, ::testing::ValuesIn(kPadSolidCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PadSolidFailures, ZeroOrNegativeSizeGivesNullWithoutWarning)
{
    FoundationLogCapture log;
    EXPECT_TRUE(FootprintManager::extrudePadWithUndercut(makePad("rect", 0.0, 1.0), 1.0, 0.4).IsNull());
    EXPECT_TRUE(FootprintManager::extrudePadWithUndercut(makePad("circle", 1.0, -1.0), 1.0, 0.4).IsNull());
    EXPECT_TRUE(log.warnings().isEmpty());
}

TEST(PadSolidFailures, AbsurdValuesGiveNullWithWarning)
{
    struct Absurd
    {
        FootprintPad pad;
        double thickness, undercut;
    };
    const Absurd cases[] = {
        {makePad("rect", kInf, 1.0), 1.0, 0.4},
        {makePad("rect", 1e300, 1.0), 1.0, 0.4},
        {makePad("circle", 1.0, 1.0), kNaN, 0.4},
        {makePad("rect", 1.0, 1.0), 1.0, kInf},
        {makePad("rect", 1.0, 1.0, kNaN), 1.0, 0.4},
        {makePad("rect", 1.0, 1.0), -0.4, 0.4}, // no height left
        {makePad("circle", 1.0, 1.0), 0.0, 0.0},
    };
    for (const Absurd& a : cases) {
        FoundationLogCapture log;
        EXPECT_TRUE(FootprintManager::extrudePadWithUndercut(a.pad, a.thickness, a.undercut).IsNull());
        EXPECT_TRUE(log.contains(QStringLiteral("extrudePadWithUndercut")));
    }
}

// ---------------------------------------------------------------------------------------------
// Bounds, centre and body size.

TEST(FootprintMeasures, TwoPadsGiveBoundsCentreAndBody)
{
    const FootprintData fp = footprintWithPads({makePad("rect", 1, 1, 0, -1, 0), makePad("rect", 1, 1, 0, 2, 0)});
    double minX, maxX, minY, maxY;
    FootprintManager::calculateFootprintBounds(fp, minX, maxX, minY, maxY);
    EXPECT_DOUBLE_EQ(minX, -1.5);
    EXPECT_DOUBLE_EQ(maxX, 2.5);
    EXPECT_DOUBLE_EQ(minY, -0.5);
    EXPECT_DOUBLE_EQ(maxY, 0.5);
    EXPECT_EQ(FootprintManager::footprintCenter(fp), QPointF(0.5, 0.0));

    double width, length;
    FootprintManager::bodyDimensions(fp, width, length);
    EXPECT_DOUBLE_EQ(width, 6.0);
    EXPECT_DOUBLE_EQ(length, 3.0);
    expectBox(FootprintManager::buildBodyBox(fp, width, length, 3.0, 0.0), -2.5, -1.5, 0.0, 3.5, 1.5, 3.0);
}

TEST(FootprintMeasures, BodyIsCentredOnTheMeanOfPadCentresNotOnTheBounds)
{
    const FootprintData fp = footprintWithPads(
        {makePad("rect", 1, 1, 0, 0, 0), makePad("rect", 1, 1, 0, 0, 0), makePad("rect", 1, 1, 0, 3, 0)});
    EXPECT_EQ(FootprintManager::footprintCenter(fp), QPointF(1.0, 0.0));
    const TestSupport::Box b = TestSupport::boxOf(FootprintManager::buildBodyBox(fp, 2.0, 2.0, 1.0, 0.0));
    EXPECT_NEAR((b.xmin + b.xmax) / 2.0, 1.0, kTol);
}

TEST(FootprintMeasures, RotationAndZeroSizePadsDoNotCountInBounds)
{
    const FootprintData fp =
        footprintWithPads({makePad("rect", 2, 1, 90, 0, 0), makePad("rect", 0, 5, 0, 10, 10)});
    double minX, maxX, minY, maxY;
    FootprintManager::calculateFootprintBounds(fp, minX, maxX, minY, maxY);
    EXPECT_DOUBLE_EQ(minX, -1.0);
    EXPECT_DOUBLE_EQ(maxX, 1.0);
    EXPECT_DOUBLE_EQ(minY, -0.5);
    EXPECT_DOUBLE_EQ(maxY, 0.5);
    EXPECT_EQ(FootprintManager::footprintCenter(fp), QPointF(0.0, 0.0));
}

TEST(FootprintMeasures, TracksOnlyUseGenericBoundsAndTrackCentre)
{
    FootprintData fp;
    fp.name = QStringLiteral("Lines");
    FootprintTrack track;
    track.points = {QPointF(0, 0), QPointF(4, -2)};
    track.width = 0.2;
    fp.copperTracks.append(track);
    FootprintTrack thin; // width 0 still counts for the centre
    thin.points = {QPointF(2, 2)};
    fp.copperTracks.append(thin);

    FoundationLogCapture log;
    double minX, maxX, minY, maxY;
    FootprintManager::calculateFootprintBounds(fp, minX, maxX, minY, maxY);
    EXPECT_DOUBLE_EQ(minX, -2.5);
    EXPECT_DOUBLE_EQ(maxX, 2.5);
    EXPECT_DOUBLE_EQ(minY, -1.25);
    EXPECT_DOUBLE_EQ(maxY, 1.25);
    EXPECT_TRUE(log.contains(QStringLiteral("calculateFootprintBounds: no valid pad for")));
    EXPECT_TRUE(FootprintManager::hasUsableGeometry(fp));
    EXPECT_EQ(FootprintManager::footprintCenter(fp), QPointF(2.0, 0.0));
}

TEST(FootprintMeasures, ZonesOnlyAreCentredOnTheirVertices)
{
    FootprintData fp;
    FootprintZone zone;
    zone.outline = {QPointF(10, 10), QPointF(12, 10), QPointF(12, 12)};
    fp.zones.append(zone);
    EXPECT_TRUE(FootprintManager::hasUsableGeometry(fp));
    const QPointF centre = FootprintManager::footprintCenter(fp);
    EXPECT_NEAR(centre.x(), 34.0 / 3.0, kTol);
    EXPECT_NEAR(centre.y(), 32.0 / 3.0, kTol);

    double width, length;
    FootprintManager::bodyDimensions(fp, width, length);
    EXPECT_DOUBLE_EQ(width, 7.0);
    EXPECT_DOUBLE_EQ(length, 4.5);
    // The body, which becomes the cavity, stands over the zone, not at the origin.
    const TestSupport::Box b = TestSupport::boxOf(FootprintManager::buildBodyBox(fp, width, length, 1.0, 0.0));
    EXPECT_NEAR((b.xmin + b.xmax) / 2.0, 34.0 / 3.0, kTol);
    EXPECT_NEAR((b.ymin + b.ymax) / 2.0, 32.0 / 3.0, kTol);
}

TEST(FootprintMeasures, CentreSourcesInOrder)
{
    FootprintTrack zeroWidth; // width 0: nothing to build, but still where the footprint is
    zeroWidth.points = {QPointF(5, 5), QPointF(6, 6)};
    FootprintZone zone;
    zone.outline = {QPointF(-9, -9), QPointF(-6, -9), QPointF(-6, -6)};

    FootprintData trackOnly;
    trackOnly.copperTracks.append(zeroWidth);
    EXPECT_FALSE(FootprintManager::hasUsableGeometry(trackOnly));
    EXPECT_EQ(FootprintManager::footprintCenter(trackOnly), QPointF(5.5, 5.5));

    FootprintData trackAndZone = trackOnly;
    trackAndZone.zones.append(zone);
    EXPECT_EQ(FootprintManager::footprintCenter(trackAndZone), QPointF(5.5, 5.5)) << "tracks before zones";

    FootprintData padTrackZone = footprintWithPads({makePad("rect", 1, 1, 0, -1, 3), makePad("rect", 0, 1, 0, 40, 40)});
    padTrackZone.copperTracks.append(zeroWidth);
    padTrackZone.zones.append(zone);
    EXPECT_EQ(FootprintManager::footprintCenter(padTrackZone), QPointF(-1.0, 3.0)) << "pads of positive size first";

    FootprintData zeroPadAndZone = footprintWithPads({makePad("rect", 0, 0, 0, 40, 40)});
    zeroPadAndZone.zones.append(zone);
    EXPECT_EQ(FootprintManager::footprintCenter(zeroPadAndZone), QPointF(-7.0, -8.0));

    EXPECT_EQ(FootprintManager::footprintCenter(FootprintData()), QPointF(0.0, 0.0));
}

TEST(FootprintMeasures, OverridesCountOnlyWhenBothArePositive)
{
    FootprintData fp = footprintWithPads({makePad("rect", 1, 1, 0, -1, 0), makePad("rect", 1, 1, 0, 2, 0)});
    fp.bodyWidthOverride = 4.0;
    double width, length;
    FootprintManager::bodyDimensions(fp, width, length);
    EXPECT_DOUBLE_EQ(width, 6.0);
    EXPECT_DOUBLE_EQ(length, 3.0);
    fp.bodyLengthOverride = 2.5;
    FootprintManager::bodyDimensions(fp, width, length);
    EXPECT_DOUBLE_EQ(width, 4.0);
    EXPECT_DOUBLE_EQ(length, 2.5);
}

// ---------------------------------------------------------------------------------------------
// Body box and substitute box.

TEST(BodyBox, NegativeOffsetStartsBelowTheSurface)
{
    const FootprintData fp = footprintWithPads({makePad("rect", 1, 1)});
    expectBox(FootprintManager::buildBodyBox(fp, 2.0, 1.0, 3.0, -0.5), -1.0, -0.5, -0.5, 1.0, 0.5, 2.5);
}

TEST(BodyBox, DegenerateOrAbsurdRequestsGiveNullWithWarning)
{
    const FootprintData fp = footprintWithPads({makePad("rect", 1, 1)});
    struct Request
    {
        double w, l, h, z;
    };
    const Request requests[] = {{2, 2, 5e-8, 0}, {2, 2, 3, kInf}, {kNaN, 2, 3, 0}, {2, -1, 3, 0},
                                {0, 2, 3, 0},    {1e300, 2, 3, 0}, {2, 2, 3, -kInf}};
    for (const Request& r : requests) {
        FoundationLogCapture log;
        EXPECT_TRUE(FootprintManager::buildBodyBox(fp, r.w, r.l, r.h, r.z).IsNull());
        EXPECT_TRUE(log.contains(QStringLiteral("buildBodyBox: degenerate dimensions for \"Test\"")))
            << log.warnings().join(QLatin1Char('|')).toStdString();
    }
}

TEST(BodyBox, PadsWithInfiniteSizeGiveNullBodyNotACrash)
{
    FootprintData fp = footprintWithPads({makePad("rect", kInf, 1, 0, 0, 0), makePad("rect", 1, 1, 0, kNaN, 0)});
    FoundationLogCapture log;
    double width, length;
    FootprintManager::bodyDimensions(fp, width, length);
    EXPECT_TRUE(FootprintManager::buildBodyBox(fp, width, length, fp.bodyHeight, fp.bodyOffsetZ).IsNull());
    EXPECT_FALSE(log.warnings().isEmpty());
}

TEST(BodyBox, PadsFarOutGiveNullBodyNotABoxWithoutBounds)
{
    // Each pad is finite and the size is sane, but the centre is far out, or infinite once
    // the positions are summed.
    for (const double x : {1e308, 2e6}) {
        const FootprintData fp = footprintWithPads({makePad("rect", 1, 1, 0, x, 0), makePad("rect", 1, 1, 0, x, 0)});
        double width, length;
        FootprintManager::bodyDimensions(fp, width, length);
        FoundationLogCapture log;
        EXPECT_TRUE(FootprintManager::buildBodyBox(fp, width, length, 3.0, 0.0).IsNull()) << x;
        EXPECT_TRUE(log.contains(QStringLiteral("buildBodyBox: footprint centre out of range for \"Test\""))) << x;
    }
}

TEST(BodyBox, FallbackBodyStandsOnThePosition)
{
    expectBox(FootprintManager::createFallbackBody(gp_Pnt(10, 20, 5)), 7.5, 17.5, 5.0, 12.5, 22.5, 8.0);
    FoundationLogCapture log;
    EXPECT_TRUE(FootprintManager::createFallbackBody(gp_Pnt(kNaN, 0, 0)).IsNull());
    EXPECT_TRUE(log.contains(QStringLiteral("createFallbackBody")));
}

// ---------------------------------------------------------------------------------------------
// Record defaults and copies.

TEST(FootprintRecords, DefaultsAndCopies)
{
    const FootprintData fp;
    EXPECT_DOUBLE_EQ(fp.thickness, 1.0);
    EXPECT_DOUBLE_EQ(fp.bodyHeight, 3.0);
    EXPECT_DOUBLE_EQ(fp.bodyMarginX, 1.0);
    EXPECT_DOUBLE_EQ(fp.bodyMarginY, 1.0);
    EXPECT_DOUBLE_EQ(fp.bodyOffsetZ, 0.0);
    EXPECT_DOUBLE_EQ(fp.bodyTransparency, 0.9);
    EXPECT_DOUBLE_EQ(fp.bodyUndercut, 0.4);
    EXPECT_DOUBLE_EQ(fp.bodyWidthOverride, 0.0);
    EXPECT_DOUBLE_EQ(fp.bodyLengthOverride, 0.0);
    EXPECT_FALSE(fp.isBuiltin);
    EXPECT_TRUE(fp.body.IsNull());

    FootprintData source = footprintWithPads({makePad("rect", 1, 1)});
    source.isBuiltin = true;
    source.body = FootprintManager::buildBodyBox(source, 1, 1, 1, 0);
    FootprintData copy;
    copy = source;
    EXPECT_TRUE(copy.isBuiltin);
    EXPECT_TRUE(copy.body.IsSame(source.body));
    EXPECT_EQ(copy.copperPads.size(), 1);

    const PlacedComponentData placed;
    EXPECT_DOUBLE_EQ(placed.footprintThickness, 1.0);
    EXPECT_DOUBLE_EQ(placed.bodyUndercut, 0.4);
    EXPECT_DOUBLE_EQ(placed.padXYScale, 100.0);
    EXPECT_DOUBLE_EQ(placed.bodyWidth, 4.0);
    EXPECT_DOUBLE_EQ(placed.bodyLength, 4.0);
    EXPECT_DOUBLE_EQ(placed.bodyHeight, 3.0);
    EXPECT_TRUE(placed.bodyEnabled);
    EXPECT_FALSE(placed.hasMissingFootprint);
    EXPECT_EQ(placed.styleCode, 0);
    EXPECT_TRUE(placed.pads.isEmpty());
    EXPECT_TRUE(placed.compositeShape.IsNull());
    EXPECT_TRUE(placed.bodyShapeLocal.IsNull());
    const PlacedPadData pad;
    EXPECT_DOUBLE_EQ(pad.scaledWidth, 0.0);
    EXPECT_TRUE(pad.aisShape.IsNull());
    EXPECT_DOUBLE_EQ(pad.worldPosition.Distance(gp_Pnt(0, 0, 0)), 0.0);
}

} // namespace
