// Copper reader: real KiCad library files (values read off the files) and small hand-written
// texts for the edge cases.

#include "components/footprintmanager.h"
#include "logcapture.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <iostream>
#include <ostream>

namespace {

QString readLibraryFile(const QString& relativePath)
{
    QFile file(TestSupport::kicadFootprintRoot() + QLatin1Char('/') + relativePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

struct PadExpectation
{
    int index;
    const char* number;
    double x, y;
    const char* shape;
    double width, height, rotation;
    const char* layers;
};

struct LibraryCase
{
    const char* file;
    int pads;
    int tracks;
    int zones;
    PadExpectation pad;                 // index -1: no pad to check
    double trackStartX, trackStartY, trackEndX, trackEndY, trackWidth; // first track, when tracks > 0
    int zoneVertices;                   // first zone, when zones > 0
    double zoneFirstX, zoneFirstY;
};

std::ostream& operator<<(std::ostream& os, const LibraryCase& c)
{
    return os << c.file;
}

constexpr PadExpectation kNoPad{-1, "", 0, 0, "", 0, 0, 0, ""};

const LibraryCase kLibraryCases[] = {
    // SMD roundrect pads.
    {"Resistor_SMD.pretty/R_0603_1608Metric.kicad_mod", 2, 0, 0,
     {0, "1", -0.825, 0.0, "roundrect", 0.8, 0.95, 0.0, "F.Cu F.Paste F.Mask"}, 0, 0, 0, 0, 0, 0, 0, 0},
    // A pad written at negative Y is stored at positive Y.
    {"Package_TO_SOT_SMD.pretty/SOT-23.kicad_mod", 3, 0, 0,
     {0, "1", -0.9375, 0.95, "roundrect", 1.475, 0.6, 0.0, "F.Cu F.Paste F.Mask"}, 0, 0, 0, 0, 0, 0, 0, 0},
    // Through-hole rect + oval on *.Cu.
    {"Connector_PinHeader_2.00mm.pretty/PinHeader_1x02_P2.00mm_Vertical.kicad_mod", 2, 0, 0,
     {1, "2", 0.0, -2.0, "oval", 1.35, 1.35, 0.0, "*.Cu *.Mask"}, 0, 0, 0, 0, 0, 0, 0, 0},
    // Through-hole circle.
    {"LED_THT.pretty/LED_D3.0mm.kicad_mod", 2, 0, 0, {1, "2", 2.54, 0.0, "circle", 1.8, 1.8, 0.0, "*.Cu *.Mask"},
     0, 0, 0, 0, 0, 0, 0, 0},
    // SMD circle.
    {"TestPoint.pretty/TestPoint_Pad_D1.0mm.kicad_mod", 1, 0, 0,
     {0, "1", 0.0, 0.0, "circle", 1.0, 1.0, 0.0, "F.Cu F.Mask"}, 0, 0, 0, 0, 0, 0, 0, 0},
    // Custom pads; the silkscreen arcs and lines are not copper.
    {"Jumper.pretty/SolderJumper-2_P1.3mm_Open_RoundedPad1.0x1.5mm.kicad_mod", 2, 0, 0,
     {0, "1", -0.65, 0.0, "custom", 1.0, 0.5, 0.0, "F.Cu F.Mask"}, 0, 0, 0, 0, 0, 0, 0, 0},
    // Rotated pads, written over two lines.
    {"Diode_SMD.pretty/Nexperia_DSN0603-2_0.6x0.3mm_P0.4mm.kicad_mod", 2, 0, 0,
     {1, "2", 0.2, 0.0, "rect", 0.28, 0.2, 90.0, "F.Cu F.Mask"}, 0, 0, 0, 0, 0, 0, 0, 0},
    // Trapezoid pads read as rect; two pads share the number 2.
    {"RF_Antenna.pretty/Pulse_W3011.kicad_mod", 3, 0, 0,
     {2, "2", 0.0, -1.6, "rect", 0.8, 1.6, 90.0, "F.Cu F.Paste F.Mask"}, 0, 0, 0, 0, 0, 0, 0, 0},
    // Unnumbered non-plated hole: no pad at all.
    {"MountingHole.pretty/MountingHole_2.2mm_M2.kicad_mod", 0, 0, 0, kNoPad, 0, 0, 0, 0, 0, 0, 0, 0},
    // Copper lines only.
    {"Calibration_Scale.pretty/Gauge_10mm_Type1_CopperTop.kicad_mod", 0, 12, 0, kNoPad, 8.001, 0.0, 8.001,
     -1.00076, 0.381, 0, 0, 0},
    // A copper keep-out zone of 20 vertices.
    {"Sensor_Humidity.pretty/Sensirion_DFN-4_1.5x1.5mm_P0.8mm_SHT4x_NoCentralPad.kicad_mod", 4, 0, 1,
     {0, "1", -0.7, 0.4, "rect", 0.5, 0.3, 0.0, "F.Cu F.Paste F.Mask"}, 0, 0, 0, 0, 0, 20, 0.75, 0.55},
};

class LibraryFootprint : public ::testing::TestWithParam<LibraryCase>
{
};

TEST_P(LibraryFootprint, ReadsCopperAsWritten)
{
    const LibraryCase& c = GetParam();
    const QString text = readLibraryFile(QString::fromLatin1(c.file));
    ASSERT_FALSE(text.isEmpty()) << "missing library file " << c.file;

    const QList<FootprintPad> pads = FootprintManager::parsePads(text);
    const QList<FootprintTrack> tracks = FootprintManager::parseTracks(text);
    const QList<FootprintZone> zones = FootprintManager::parseZones(text);
    ASSERT_EQ(pads.size(), c.pads);
    ASSERT_EQ(tracks.size(), c.tracks);
    ASSERT_EQ(zones.size(), c.zones);

    if (c.pad.index >= 0) {
        const FootprintPad& pad = pads.at(c.pad.index);
        EXPECT_EQ(pad.number, QString::fromLatin1(c.pad.number));
        EXPECT_DOUBLE_EQ(pad.posX, c.pad.x);
        EXPECT_DOUBLE_EQ(pad.posY, c.pad.y);
        EXPECT_EQ(pad.shape, QString::fromLatin1(c.pad.shape));
        EXPECT_DOUBLE_EQ(pad.width, c.pad.width);
        EXPECT_DOUBLE_EQ(pad.height, c.pad.height);
        EXPECT_DOUBLE_EQ(pad.rotation, c.pad.rotation);
        EXPECT_EQ(pad.layers, QString::fromLatin1(c.pad.layers));
    }
    if (c.tracks > 0) {
        const FootprintTrack& track = tracks.first();
        ASSERT_EQ(track.points.size(), 2);
        EXPECT_EQ(track.points[0], QPointF(c.trackStartX, c.trackStartY));
        EXPECT_EQ(track.points[1], QPointF(c.trackEndX, c.trackEndY));
        EXPECT_DOUBLE_EQ(track.width, c.trackWidth);
        EXPECT_EQ(track.layer, QStringLiteral("F.Cu"));
    }
    if (c.zones > 0) {
        const FootprintZone& zone = zones.first();
        EXPECT_EQ(zone.outline.size(), c.zoneVertices);
        EXPECT_EQ(zone.outline.first(), QPointF(c.zoneFirstX, c.zoneFirstY));
        EXPECT_EQ(zone.layer, QStringLiteral("F.Cu"));
    }
}

std::string caseName(const ::testing::TestParamInfo<LibraryCase>& info)
{
    std::string name = QFileInfo(QString::fromLatin1(info.param.file)).completeBaseName().toStdString();
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(KicadLibrary, LibraryFootprint, ::testing::ValuesIn(kLibraryCases), caseName);

// ---------------------------------------------------------------------------------------------
// Pads from hand-written texts.

TEST(FootprintReaderPads, ReadsEveryFieldOfARotatedRoundrectPad)
{
    const auto pads = FootprintManager::parsePads(QStringLiteral(
        R"((pad "1" smd roundrect (at 1.5 -0.8 90) (size 1.2 0.9) (layers "F.Cu" "F.Paste" "F.Mask") (roundrect_rratio 0.25)))"));
    ASSERT_EQ(pads.size(), 1);
    EXPECT_EQ(pads[0].number, QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(pads[0].posX, 1.5);
    EXPECT_DOUBLE_EQ(pads[0].posY, 0.8);
    EXPECT_DOUBLE_EQ(pads[0].rotation, 90.0);
    EXPECT_EQ(pads[0].shape, QStringLiteral("roundrect"));
    EXPECT_DOUBLE_EQ(pads[0].width, 1.2);
    EXPECT_DOUBLE_EQ(pads[0].height, 0.9);
    EXPECT_EQ(pads[0].layers, QStringLiteral("F.Cu F.Paste F.Mask"));
}

struct PadTextCase
{
    const char* name;
    const char* text;
    int expectedPads;
};

std::ostream& operator<<(std::ostream& os, const PadTextCase& c)
{
    return os << c.name;
}

const PadTextCase kPadTextCases[] = {
    {"UnquotedThroughHole", "(pad 1 thru_hole circle (at 0 0) (size 1.7 1.7) (drill 1) (layers *.Cu *.Mask))", 1},
    {"PasteOnly", R"((pad "1" smd rect (at 0 0) (size 1 1) (layers "F.Paste")))", 0},
    {"FrontAndBackNotCopper", R"((pad "1" smd rect (at 0 0) (size 1 1) (layers "F&B.Cu")))", 0},
    {"Inner30", R"((pad "1" smd rect (at 0 0) (size 1 1) (layers "In30.Cu")))", 1},
    {"Inner31", R"((pad "1" smd rect (at 0 0) (size 1 1) (layers "In31.Cu")))", 0},
    {"EmptyNumber", R"((pad "" np_thru_hole circle (at 0 0) (size 2 2) (drill 2) (layers *.Cu *.Mask)))", 0},
    {"NoLayers", R"((pad "1" smd rect (at 0 0) (size 1 1)))", 0},
    {"PadsKeyword", "(pads 3)", 0},
    {"PadToMaskMargin", "(pad_to_mask_margin 0.1)", 0},
    {"TabAfterKeyword", "(pad\t\"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\"))", 1},
    {"Empty", "", 0},
    {"BinaryJunk", "\x01\x02(\xff\xfe(((pad))\x7f", 0},
};

class FootprintReaderPadText : public ::testing::TestWithParam<PadTextCase>
{
};

TEST_P(FootprintReaderPadText, KeepsOnlyNumberedCopperPads)
{
    const PadTextCase& c = GetParam();
    EXPECT_EQ(FootprintManager::parsePads(QString::fromLatin1(c.text)).size(), c.expectedPads);
}

INSTANTIATE_TEST_SUITE_P(Texts, FootprintReaderPadText, ::testing::ValuesIn(kPadTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FootprintReaderPads, LayerListOver200CharactersIsNotRead)
{
    const QString longList = QStringLiteral("(pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\" \"")
        + QString(200, QLatin1Char('x')) + QStringLiteral("\"))");
    EXPECT_TRUE(FootprintManager::parsePads(longList).isEmpty());
}

TEST(FootprintReaderPads, TrapezoidAndUnknownShapesReadAsRect)
{
    const auto pads = FootprintManager::parsePads(QStringLiteral(
        R"((pad "1" smd trapezoid (at 0 0) (size 1 1) (layers "F.Cu")) (pad "2" smd rectangle (at 0 0) (size 1 1) (layers "F.Cu")))"));
    ASSERT_EQ(pads.size(), 2);
    EXPECT_EQ(pads[0].shape, QStringLiteral("rect"));
    EXPECT_EQ(pads[1].shape, QStringLiteral("rect"));
}

TEST(FootprintReaderPads, UnreadableNumbersBecomeZeroAndThePadIsKept)
{
    const auto pads = FootprintManager::parsePads(QStringLiteral(
        R"((pad "A" smd rect (at 1e-3 2) (size 1 1) (layers "F.Cu")) )"
        R"((pad "B" smd rect (at - 2) (size 1.2.3 -0.5) (layers "F.Cu")) )"
        R"((pad "C" smd rect (at 1 1) (layers "F.Cu")) )"
        R"((pad "D" smd rect (at 99999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999 3) (size 1 1) (layers "F.Cu")))"));
    ASSERT_EQ(pads.size(), 4);
    // Exponent notation does not match the position at all.
    EXPECT_DOUBLE_EQ(pads[0].posX, 0.0);
    EXPECT_DOUBLE_EQ(pads[0].posY, 0.0);
    // A lone minus sign and 1.2.3 read as 0; negative sizes are kept as written.
    EXPECT_DOUBLE_EQ(pads[1].posX, 0.0);
    EXPECT_DOUBLE_EQ(pads[1].posY, -2.0);
    EXPECT_DOUBLE_EQ(pads[1].width, 0.0);
    EXPECT_DOUBLE_EQ(pads[1].height, -0.5);
    // No size clause.
    EXPECT_DOUBLE_EQ(pads[2].width, 0.0);
    EXPECT_DOUBLE_EQ(pads[2].height, 0.0);
    // An overflowing number never becomes infinity.
    EXPECT_TRUE(std::isfinite(pads[3].posX));
    EXPECT_DOUBLE_EQ(pads[3].posY, -3.0);
}

TEST(FootprintReaderPads, DuplicateNumbersAreKeptInFileOrder)
{
    const auto pads = FootprintManager::parsePads(QStringLiteral(
        R"((pad "EP" smd rect (at 1 0) (size 1 1) (layers "F.Cu")) (pad "EP" smd rect (at 2 0) (size 1 1) (layers "F.Cu")))"));
    ASSERT_EQ(pads.size(), 2);
    EXPECT_DOUBLE_EQ(pads[0].posX, 1.0);
    EXPECT_DOUBLE_EQ(pads[1].posX, 2.0);
}

// ---------------------------------------------------------------------------------------------
// Block extraction.

TEST(FootprintReaderBlocks, StringsProtectParenthesesOnlyInDoubleQuotes)
{
    const QString text = QStringLiteral(R"fp((pad "a)b" x) (pad "q\")" y) (pad 'c)' z))fp");
    const QStringList blocks = FootprintManager::extractBlocks(text, QStringLiteral("pad"));
    ASSERT_EQ(blocks.size(), 3);
    EXPECT_EQ(blocks[0], QStringLiteral(R"((pad "a)b" x))"));
    EXPECT_EQ(blocks[1], QStringLiteral(R"fp((pad "q\")" y))fp"));
    EXPECT_EQ(blocks[2], QStringLiteral("(pad 'c)"));
}

TEST(FootprintReaderBlocks, UnclosedBlockWarnsAndKeepsEarlierBlocks)
{
    FoundationLogCapture log;
    const QString text = QStringLiteral("(pad 1 (a)) (pad 2 (b) (pad 3 (c))");
    const QStringList blocks = FootprintManager::extractBlocks(text, QStringLiteral("pad"));
    ASSERT_EQ(blocks.size(), 1);
    EXPECT_EQ(blocks[0], QStringLiteral("(pad 1 (a))"));
    EXPECT_TRUE(log.contains(QStringLiteral("extractBlocks: block (")));
    EXPECT_TRUE(log.contains(QStringLiteral("not closed at position 12")));
}

TEST(FootprintReaderBlocks, NestedOccurrencesAreNotReturnedAlone)
{
    const QStringList blocks =
        FootprintManager::extractBlocks(QStringLiteral("(zone (zone inner)) (zone b)"), QStringLiteral("zone"));
    ASSERT_EQ(blocks.size(), 2);
    EXPECT_EQ(blocks[1], QStringLiteral("(zone b)"));
}

TEST(FootprintReaderBlocks, TruncatedAndPathologicalTextsEndCleanly)
{
    const QString real = readLibraryFile(QStringLiteral("Package_TO_SOT_SMD.pretty/SOT-23.kicad_mod"));
    ASSERT_FALSE(real.isEmpty());
    FoundationLogCapture log;
    // Cut inside the third pad: the two complete pads before it survive.
    const qsizetype cut = real.indexOf(QStringLiteral("(pad \"3\"")) + 20;
    EXPECT_EQ(FootprintManager::parsePads(real.left(cut)).size(), 2);

    // Deep nesting and a long unbalanced run: iterative scan, no stack overflow, no hang.
    const QString deep = QStringLiteral("(pad 1 ") + QString(200000, QLatin1Char('(')) + QStringLiteral("(layers F.Cu)")
        + QString(200000, QLatin1Char(')')) + QLatin1Char(')');
    EXPECT_EQ(FootprintManager::parsePads(deep).size(), 1);
    QString manyOpen;
    for (int i = 0; i < 20000; ++i)
        manyOpen += QStringLiteral("(pad \"1\" (layers F.Cu) ");
    EXPECT_TRUE(FootprintManager::parsePads(manyOpen).isEmpty());
    EXPECT_TRUE(FootprintManager::parseTracks(manyOpen).isEmpty());
    EXPECT_TRUE(FootprintManager::parseZones(manyOpen).isEmpty());
    // A coordinate of a million digits: no backtracking blow-up, no infinity.
    const QString longNumber = QStringLiteral("(pad \"1\" smd rect (at ") + QString(1000000, QLatin1Char('9'))
        + QStringLiteral(" 1) (size 1 1) (layers F.Cu))");
    const auto longPads = FootprintManager::parsePads(longNumber);
    ASSERT_EQ(longPads.size(), 1);
    EXPECT_TRUE(std::isfinite(longPads[0].posX));
    const QString endsInEscape = QStringLiteral("(pad \"1\\");
    EXPECT_TRUE(FootprintManager::parsePads(endsInEscape).isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Copper layer test.

TEST(FootprintReaderLayers, OnlyWholeCopperTokensCount)
{
    for (const char* yes : {"F.Cu", "*.Cu *.Mask", "F.Paste B.Cu", "In1.Cu", "In9.Cu", "In10.Cu", "In29.Cu",
                            "In30.Cu", "x\tF.Cu\t"})
        EXPECT_TRUE(FootprintManager::isCopperLayer(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"", "F&B.Cu", "In0.Cu", "In31.Cu", "f.cu", "F.Cu,", "F.SilkS", "\"F.Cu\"", "XF.Cu"})
        EXPECT_FALSE(FootprintManager::isCopperLayer(QString::fromLatin1(no))) << no;
}

// ---------------------------------------------------------------------------------------------
// Tracks.

TEST(FootprintReaderTracks, LineWithStrokeWidth)
{
    const auto tracks = FootprintManager::parseTracks(QStringLiteral(
        R"((fp_line (start 0 0) (end 2 1) (stroke (width 0.25) (type solid)) (layer "F.Cu")) )"
        R"((fp_line (start 0 0) (end 2 1) (stroke (width 0.25) (type solid)) (layer "F.SilkS")))"));
    ASSERT_EQ(tracks.size(), 1);
    EXPECT_EQ(tracks[0].points, (QList<QPointF>{QPointF(0, 0), QPointF(2, -1)}));
    EXPECT_DOUBLE_EQ(tracks[0].width, 0.25);
    EXPECT_EQ(tracks[0].layer, QStringLiteral("F.Cu"));
}

TEST(FootprintReaderTracks, ArcsKeepThreePointsInFileOrder)
{
    FoundationLogCapture log;
    const auto tracks = FootprintManager::parseTracks(QStringLiteral(
        "(fp_arc (start 0 0) (mid 1 1) (end 2 0) (width 0.2) (layer F.Cu))\n"
        "(fp_arc (start 0 0) (end 2 0) (angle 90) (width 0.2) (layer F.Cu))\n"
        "(fp_line (start 5 5) (end 6 5) (layer B.Cu))"));
    ASSERT_EQ(tracks.size(), 2);
    EXPECT_EQ(tracks[0].points, (QList<QPointF>{QPointF(0, 0), QPointF(1, -1), QPointF(2, 0)}));
    EXPECT_DOUBLE_EQ(tracks[0].width, 0.2);
    EXPECT_EQ(tracks[1].points, (QList<QPointF>{QPointF(5, -5), QPointF(6, -5)}));
    EXPECT_DOUBLE_EQ(tracks[1].width, 0.0);
    EXPECT_EQ(tracks[1].layer, QStringLiteral("B.Cu"));
    EXPECT_TRUE(log.warnings().isEmpty());
}

// Lines and arcs interleaved, one line written twice word for word: each record once, in place.
TEST(FootprintReaderTracks, InterleavedLinesAndArcsKeepFileOrder)
{
    const auto tracks = FootprintManager::parseTracks(QStringLiteral(
        "(footprint \"X\"\n"
        "  (fp_line (start 1 0) (end 1 1) (width 0.1) (layer F.Cu))\n"
        "  (fp_arc (start 2 0) (mid 2.5 0.5) (end 3 0) (width 0.2) (layer F.Cu))\n"
        "  (fp_line (start 4 0) (end 4 1) (width 0.3) (layer F.SilkS))\n"
        "  (fp_line (start 1 0) (end 1 1) (width 0.1) (layer F.Cu))\n"
        "  (fp_arc (start 5 0) (mid 5.5 0.5) (end 6 0) (width 0.4) (layer B.Cu))\n"
        "  (fp_line (start 7 0) (end 7 1) (width 0.5) (layer B.Cu)))"));
    QList<double> firstX;
    QList<int> pointCounts;
    for (const FootprintTrack& track : tracks) {
        firstX << track.points.first().x();
        pointCounts << int(track.points.size());
    }
    EXPECT_EQ(firstX, (QList<double>{1, 2, 1, 5, 7}));
    EXPECT_EQ(pointCounts, (QList<int>{2, 3, 2, 3, 2}));
}

TEST(FootprintReaderTracks, LineWithoutEndIsDropped)
{
    EXPECT_TRUE(FootprintManager::parseTracks(QStringLiteral("(fp_line (start 0 0) (layer F.Cu))")).isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Zones.

TEST(FootprintReaderZones, FirstPolygonOfACopperZone)
{
    const auto zones = FootprintManager::parseZones(QStringLiteral(
        R"((zone (net 0) (layers "F.Cu" "B.Cu") (polygon (pts (xy 0 0) (xy 1 0) (xy 1 1) (xy 0 1)))
                 (filled_polygon (pts (xy 9 9) (xy 8 8) (xy 7 7)))))"));
    ASSERT_EQ(zones.size(), 1);
    EXPECT_EQ(zones[0].layer, QStringLiteral("F.Cu B.Cu"));
    EXPECT_EQ(zones[0].outline,
              (QList<QPointF>{QPointF(0, 0), QPointF(1, 0), QPointF(1, -1), QPointF(0, -1)}));
}

TEST(FootprintReaderZones, DropsZonesWithoutUsableOutlineOrCopper)
{
    const QString text = QStringLiteral(
        R"((zone (layer F.Cu) (polygon (pts (xy 0 0) (xy 1 0)))) )"
        R"((zone (net 0) (polygon (pts (xy 0 0) (xy 1 0) (xy 1 1)))) )"
        R"((zone (layer F.SilkS) (polygon (pts (xy 0 0) (xy 1 0) (xy 1 1)))) )"
        R"((zone (layer F.Cu) (filled_polygon (pts (xy 0 0) (xy 1 0) (xy 1 1)))) )"
        R"((zone (layer F.Cu) (polygon (pts (xy 0 0) (xy 1 0) (xy 1 1)))))");
    const auto zones = FootprintManager::parseZones(text);
    ASSERT_EQ(zones.size(), 1);
    EXPECT_EQ(zones[0].outline.size(), 3);
}

TEST(FootprintReader, EmptyTextGivesEmptyLists)
{
    EXPECT_TRUE(FootprintManager::parsePads(QString()).isEmpty());
    EXPECT_TRUE(FootprintManager::parseTracks(QString()).isEmpty());
    EXPECT_TRUE(FootprintManager::parseZones(QString()).isEmpty());
    EXPECT_TRUE(FootprintManager::extractBlocks(QString(), QStringLiteral("pad")).isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Every footprint of the installed library reads without a crash, and what is stored obeys the
// records' invariants.

TEST(FootprintReaderLibrary, EveryFileReadsIntoValidRecords)
{
    FoundationLogCapture log;
    QDirIterator it(TestSupport::kicadFootprintRoot(), {QStringLiteral("*.kicad_mod")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int files = 0;
    qsizetype totalPads = 0;
    qsizetype totalTracks = 0;
    qsizetype totalZones = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << path.toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        ++files;

        const auto pads = FootprintManager::parsePads(text);
        for (const FootprintPad& pad : pads) {
            ASSERT_FALSE(pad.number.isEmpty()) << path.toStdString();
            ASSERT_TRUE(FootprintManager::isCopperLayer(pad.layers)) << path.toStdString();
            ASSERT_TRUE(std::isfinite(pad.posX) && std::isfinite(pad.posY) && std::isfinite(pad.rotation));
        }
        const auto tracks = FootprintManager::parseTracks(text);
        for (const FootprintTrack& track : tracks)
            ASSERT_TRUE(track.points.size() == 2 || track.points.size() == 3) << path.toStdString();
        const auto zones = FootprintManager::parseZones(text);
        for (const FootprintZone& zone : zones)
            ASSERT_GE(zone.outline.size(), 3) << path.toStdString();
        totalPads += pads.size();
        totalTracks += tracks.size();
        totalZones += zones.size();
    }
    if (files == 0)
        GTEST_SKIP() << "KiCad footprint library not installed";
    EXPECT_GT(files, 10000);
    EXPECT_GT(totalPads, files); // nearly every footprint has pads
    EXPECT_GT(totalTracks, 0);
    EXPECT_GT(totalZones, 0);
    // Library files are well formed: no block left open.
    EXPECT_TRUE(log.warnings().isEmpty()) << log.warnings().join(QLatin1Char('\n')).toStdString();
    std::cout << files << " files: " << totalPads << " pads, " << totalTracks << " tracks, " << totalZones
              << " zones\n";
}

} // namespace
