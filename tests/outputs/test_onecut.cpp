// The one cut of every cavity on a part of several solids whose smaller solids stand on its top
// (models on a board, as KiCad exports an assembly) under a component's body.
#include "designfixture.h"
#include "logcapture.h"
#include "packagereader.h"
#include "testsupport.h"

#include "outputs/printplan.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"
#include "outputs/stepexporter_probes_p.h"
#include "routing/routingmanager.h"

#include <AIS_Shape.hxx>
#include <Message_ProgressIndicator.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRep_Tool.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gp_Ax2.hxx>

#include <BRep_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Solid.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <cmath>
#include <vector>

namespace {

using DesignFixture::box;

constexpr double kTop = 1.6;       // the board's top, where the component stands
constexpr double kBodyTop = 4.6;   // its 3 mm body
constexpr int kColumns = 10;       // pads of 0.3 mm at 0.5 mm pitch, 10 x 10
constexpr double kPad = 0.3;
constexpr double kInBoard = 1.1;   // 1 mm below the top and lengthened by a tenth

// One cut of all of input's volumes, made apart from the exporter's roads.
TopoDS_Shape independentCut(const TopoDS_Shape& part, const QList<CollectedVolume>& volumes)
{
    TopTools_ListOfShape arguments, tools;
    arguments.Append(part);
    for (const CollectedVolume& volume : volumes)
        tools.Append(volume.shape);
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(arguments);
    cut.SetTools(tools);
    cut.Build();
    return cut.IsDone() ? cut.Shape() : TopoDS_Shape();
}

// A 10 x 10 grid of pads centred on (20, 15) under a 10 x 10 x 3 body standing on the top.
PlacedComponentData grid(bool round, double size = kPad)
{
    PlacedComponentData c;
    c.ref = QStringLiteral("U1");
    c.position = gp_Pnt(20, 15, kTop);
    c.footprintThickness = 1.0;
    c.bodyUndercut = 0.4;
    c.bodyWidth = c.bodyLength = 10.0;
    c.bodyHeight = kBodyTop - kTop;
    c.compositeShape = new AIS_Shape(box(15, 10, kTop, 25, 20, kBodyTop));
    for (int i = 0; i < kColumns * kColumns; ++i) {
        PlacedPadData pad;
        pad.number = QString::number(i + 1);
        const double x = 17.75 + 0.5 * (i % kColumns), y = 12.75 + 0.5 * (i / kColumns);
        pad.worldPosition = gp_Pnt(x, y, kTop);
        pad.placedShape = round ? BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, y, kTop - 1.0), gp::DZ()), size / 2, 1.4).Shape()
                                : box(x - size / 2, y - size / 2, kTop - 1.0, x + size / 2, y + size / 2, kTop + 0.4);
        pad.scaledWidth = pad.scaledHeight = size;
        c.pads.append(pad);
    }
    return c;
}

// Solids on the board's top under the body: swallowed whole, one whose top stands a hundredth
// (the cut's fuzzy value) above the body's, one that stands out of the body's side with its
// top half a hundredth above the body's; the board keeps what the body leaves of the last.
TEST(OneCut, SolidsOfThePartUnderABodyGoWithTheCavities)
{
    const double board = 40.0 * 30.0 * kTop;
    const struct
    {
        const char* name;
        TopoDS_Shape model;
        double left; // of the model, by hand
        double slack;
    } rows[] = {
        {"model inside the body", box(16, 11, kTop, 18, 13, 3.0), 0.0, 1e-6},
        {"model a fuzzy value above the body", box(16, 11, kTop, 18, 13, kBodyTop + 0.01), 0.0, 1e-6},
        // 2 x 2 of it inside, 2 x 2 outside; the sliver above the body's top goes with it.
        {"model out of the body's side", box(23, 16, kTop, 27, 18, kBodyTop + 0.005), 2 * 2 * (kBodyTop + 0.005 - kTop),
         2 * 2 * 0.005 + 1e-4},
    };
    for (const bool round : {true, false}) {
        for (const auto& row : rows) {
            const QString name = QStringLiteral("%1, %2 pads").arg(QLatin1String(row.name), round ? "round" : "square");
            QMap<QString, PlacedComponentData> components;
            const PlacedComponentData component = grid(round);
            components.insert(component.ref, component);
            AssemblyInput input;
            input.mainPart = StepExporter::compoundOf({box(0, 0, 0, 40, 30, kTop), row.model});
            input.components = &components;

            const AssemblyResult result = StepExporter::buildAssembly(input, ExportOptions());
            EXPECT_TRUE(result.carvedInOneCut) << qPrintable(name);
            EXPECT_EQ(result.cavitiesFailed, 0) << qPrintable(name);
            EXPECT_EQ(result.cavitiesOk, kColumns * kColumns + 1) << qPrintable(name);
            const double padArea = round ? M_PI * kPad * kPad / 4 : kPad * kPad;
            const double expected = board - kColumns * kColumns * padArea * kInBoard + row.left;
            EXPECT_NEAR(TestSupport::volumeOf(result.part), expected, row.slack + 1e-4) << qPrintable(name);
        }
    }
}

// Round pads a micron apart, nearer than the cut's fuzzy value: the cavities' walls come out
// as one exact cut of all the volumes made here makes them, not split where the pads nearly
// meet with edges as loose as the fuzzy value (what made such a grid slow).
TEST(OneCut, PadsNearerThanTheFuzzyValueKeepTheWallsBetweenThem)
{
    const PlacedComponentData component = grid(true, 0.499);
    const QMap<QString, PlacedComponentData> components{{component.ref, component}};
    AssemblyInput input;
    input.mainPart = box(0, 0, 0, 40, 30, kTop);
    input.components = &components;
    const TopoDS_Shape exact = independentCut(input.mainPart, StepExporter::collectVolumes(input, ExportOptions()));
    ASSERT_FALSE(exact.IsNull());

    const AssemblyResult result = StepExporter::buildAssembly(input, ExportOptions());
    EXPECT_TRUE(result.carvedInOneCut);
    EXPECT_EQ(result.cavitiesFailed, 0);
    EXPECT_NEAR(TestSupport::volumeOf(result.part), TestSupport::volumeOf(exact), 1e-6);
    EXPECT_EQ(TestSupport::countOf(result.part, TopAbs_FACE), TestSupport::countOf(exact, TopAbs_FACE));
    EXPECT_LT(BRep_Tool::MaxTolerance(result.part, TopAbs_EDGE), 1e-3);
}

// A row of count round pads of the given diameter at 1 mm pitch under the body, on a board.
DesignFixture::Design padRow(double diameter, int count)
{
    PlacedComponentData component = grid(true);
    component.pads.clear();
    for (int i = 0; i < count; ++i) {
        PlacedPadData pad;
        pad.number = QString::number(i + 1);
        const double x = 17.5 + i, y = 15.0;
        pad.worldPosition = gp_Pnt(x, y, kTop);
        pad.placedShape = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(x, y, kTop - 1.0), gp::DZ()), diameter / 2, 1.4).Shape();
        pad.scaledWidth = pad.scaledHeight = diameter;
        component.pads.append(pad);
    }
    DesignFixture::Design design;
    design.part = box(0, 0, 0, 40, 30, kTop);
    design.components.insert(component.ref, component);
    return design;
}

// Designs whose one cut leaves some cavities full, against one cut of all their volumes made here
// and a common of each volume with the carved part: every volume holding material is named, and
// the part keeps what the exact cut keeps but for what the named volumes hold.
// - Round pads at 1 mm pitch overlapping their neighbours by 0.007 mm, less than the cut's fuzzy
//   value: they go into one boolean, which at the first fuzzy value splits nothing; the check
//   finds every cavity full and they are cut again together at a finer value, not one by one;
//   on the road that cuts them again alone, each is cut clean that way (the check after it names
//   them all the same: those cuts leave corners looser than the one cut's).
// - By 0.0102 mm, just more than the fuzzy value, carved volume by volume: the cut of every
//   other pad splits nothing and takes nothing, each leaving its whole pad; the check of that
//   road names them, cut again alone at every fuzzy value of the ladder.
// - KiCad footprints on a box, pads flush with its top and tracks lying on it: what the one cut
//   leaves is cut again in one boolean, not volume by volume (each cut rebuilding the whole
//   part), and the names are exactly the volumes holding more than a thousandth of a mm³.
TEST(OneCut, CavitiesLeftFullAreCutAgainOrNamed)
{
    const auto footprints = [](int components, int tracks) {
        return [=](QString* reason) { return DesignFixture::footprintGrid(components, tracks, 1.0, 0.8, reason); };
    };
    const auto pads = [](double diameter, int count) {
        return [=](QString*) { return padRow(diameter, count); };
    };
    // The one cut splits nothing: all are cut again, together and finer or alone, and nothing is left.
    enum class Recut { AnyWay, Together, Alone };
    using Road = StepExporter::CarvingRoad;
    const struct
    {
        const char* name;
        std::function<DesignFixture::Design(QString*)> design;
        double holds;   // mm³ of a common that holds material
        bool exactly;   // the names are the holding volumes, not only some of them
        Recut recut;
        bool named;     // material no common sees is left: some cavity is named
        double slack;   // mm³; 0: a hundred-thousandth of the part
        Road road;
    } rows[] = {
        {"6 pads overlapping by 0.007 mm", pads(1.007, 6), 1e-6, false, Recut::Together, false, 1e-4, Road::OneCutFirst},
        // A fuzzy cut takes a little more where the cavities nearly meet: lenses of about 4e-4 mm³.
        {"6 pads overlapping by 0.007 mm, cut again alone", pads(1.007, 6), 1e-6, false, Recut::Alone, false, 1e-2,
         Road::OneCutRecutAlone},
        {"6 pads overlapping by 0.0102 mm, volume by volume", pads(1.0102, 6), 1e-3, false, Recut::AnyWay, true, 1e-2,
         Road::VolumeByVolume},
        {"5 components, 6 tracks", footprints(5, 6), 1e-3, true, Recut::AnyWay, false, 0.0, Road::OneCutFirst},
        {"6 components, 8 tracks", footprints(6, 8), 1e-3, true, Recut::AnyWay, false, 0.0, Road::OneCutFirst},
        {"8 components, 8 tracks", footprints(8, 8), 1e-3, true, Recut::AnyWay, false, 0.0, Road::OneCutFirst},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QString reason;
        const DesignFixture::Design design = row.design(&reason);
        if (design.part.IsNull())
            GTEST_SKIP() << reason.toStdString();
        const QList<CollectedVolume> volumes = StepExporter::collectVolumes(design.input(), ExportOptions());
        const TopoDS_Shape exact = independentCut(design.part, volumes);
        ASSERT_FALSE(exact.IsNull());

        FoundationLogCapture log;
        const AssemblyResult result = StepExporter::buildAssembly(design.input(), ExportOptions(), row.road);
        ASSERT_FALSE(result.part.IsNull());
        if (row.recut != Recut::AnyWay) {
            EXPECT_TRUE(log.contains(QStringLiteral("cut again"))) << log.joined().toStdString();
            EXPECT_EQ(log.contains(QStringLiteral("cut alone")), row.recut == Recut::Alone) << log.joined().toStdString();
        }
        if (row.recut == Recut::Together)
            EXPECT_EQ(result.cavitiesFailed, 0);
        if (row.exactly)
            EXPECT_FALSE(log.contains(QStringLiteral("cut alone"))) << log.joined().toStdString();
        QStringList holding;
        double held = 0.0;
        for (const CollectedVolume& volume : volumes) {
            const double common = TestSupport::volumeOf(BRepAlgoAPI_Common(result.part, volume.shape).Shape());
            if (common > row.holds) {
                holding.append(volume.name);
                held += common;
            }
        }
        if (row.recut != Recut::AnyWay)
            EXPECT_TRUE(holding.isEmpty()) << holding.join(' ').toStdString();
        QStringList named = result.cavitiesNotCut;
        holding.sort();
        named.sort();
        if (row.exactly) {
            EXPECT_EQ(holding.join(' ').toStdString(), named.join(' ').toStdString());
        }
        for (const QString& name : std::as_const(holding))
            EXPECT_TRUE(named.contains(name)) << qPrintable(name);
        if (row.named)
            EXPECT_FALSE(named.isEmpty());
        const double slack = row.slack > 0.0 ? row.slack : 1e-5 * TestSupport::volumeOf(design.part);
        const double kept = TestSupport::volumeOf(result.part) - TestSupport::volumeOf(exact) - held;
        // Material kept that no common sees is left all the same, and some cavity is named.
        if (named.isEmpty() || row.recut != Recut::AnyWay || row.exactly)
            EXPECT_LT(kept, slack) << named.join(' ').toStdString();
        EXPECT_GT(kept, row.exactly ? -held - slack : -slack);
    }
}

// The checks run beside the caller's work on the assembly as it stands. That assembly is the
// result when they find every cavity cut and the one cut valid. When the cavities are found full
// (round pads overlapping by less than the fuzzy value), or the checker rejects the one cut (here
// a stand-in rejecting the first carved part it is shown), the part is cut or carved again and
// the result is not the one worked on. Either way it is measured against the exact cut made here.
TEST(OneCut, WorkBesideTheChecksStandsOnlyWhenTheyFindNothing)
{
    const struct
    {
        const char* name;
        double diameter;
        int rejected; // carved parts the checker rejects first
        bool again;
    } rows[] = {{"cut at once", 0.8, 0, false}, {"cavities left full", 1.007, 0, true},
                {"one cut rejected", 0.8, 1, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DesignFixture::Design design = padRow(row.diameter, 4);
        const QList<CollectedVolume> volumes = StepExporter::collectVolumes(design.input(), ExportOptions());
        const double exact = TestSupport::volumeOf(independentCut(design.part, volumes));
        TopTools_ListOfShape first, others;
        for (const CollectedVolume& volume : volumes)
            if (volume.kind == PadVolume)
                (first.IsEmpty() ? first : others).Append(volume.shape);
        BRepAlgoAPI_Fuse conductor;
        conductor.SetArguments(first);
        conductor.SetTools(others);
        conductor.Build();
        std::atomic<int> asked(0);
        StepExporter::setCarvedValidity([&asked, &row](const TopoDS_Shape& carved) {
            return ++asked > row.rejected && OccUtils::isValidShape(carved);
        });
        int calls = 0;
        TopoDS_Shape workedOn;
        const AssemblyResult beside = StepExporter::buildAssembly(
            design.input(), ExportOptions(), StepExporter::CarvingRoad::OneCutFirst, {},
            [&](const AssemblyResult& provisional) {
                ++calls;
                workedOn = provisional.part;
            });
        StepExporter::setCarvedValidity({});
        ASSERT_FALSE(beside.part.IsNull());
        EXPECT_EQ(calls, 1);
        if (row.rejected > 0) {
            EXPECT_EQ(asked.load(), 2); // beside the work, then in turn when carved again
        }
        EXPECT_EQ(beside.madeAlongside, !row.again);
        EXPECT_EQ(beside.part.IsSame(workedOn), !row.again);
        EXPECT_EQ(beside.cavitiesOk, 4);
        EXPECT_TRUE(beside.cavitiesNotCut.isEmpty());
        EXPECT_NEAR(TestSupport::volumeOf(beside.part), exact, 1e-3);
        // The conductor, fused beside the carving, is kept whichever road the carving took.
        ASSERT_EQ(beside.conductors.size(), 1);
        EXPECT_NEAR(TestSupport::volumeOf(beside.conductors.first().shape), TestSupport::volumeOf(conductor.Shape()),
                    1e-3);
    }
}

// The volume enclosed by the part's triangles in a package: the model holds one mesh, the part's
// triangles first, up to the last the slicer's configuration gives its first volume.
double partMeshVolume(const PackageEntries& entries)
{
    QXmlStreamReader config(entryData(entries, QStringLiteral("Metadata/Slic3r_PE_model.config")));
    while (!config.atEnd()
           && !(config.readNext() == QXmlStreamReader::StartElement && config.name() == QLatin1String("volume"))) {
    }
    const long last = config.attributes().value(QLatin1String("lastid")).toLong();
    QXmlStreamReader model(entryData(entries, QStringLiteral("3D/3dmodel.model")));
    std::vector<gp_XYZ> vertices;
    long triangle = 0;
    double volume = 0.0;
    const auto at = [&](const QXmlStreamAttributes& a, const char* key) { return a.value(QLatin1String(key)); };
    while (!model.atEnd() && triangle <= last) {
        if (model.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = model.attributes();
        if (model.name() == QLatin1String("vertex")) {
            vertices.emplace_back(at(a, "x").toDouble(), at(a, "y").toDouble(), at(a, "z").toDouble());
        } else if (model.name() == QLatin1String("triangle")) {
            const gp_XYZ& p = vertices.at(at(a, "v1").toUInt());
            volume += p.Dot(vertices.at(at(a, "v2").toUInt()).Crossed(vertices.at(at(a, "v3").toUInt()))) / 6.0;
            ++triangle;
        }
    }
    return volume;
}

// The 3MF package carries the part the check left: where the first check finds the cavities full
// and they are cut again, the package holds the part cut again, not the one made beside the
// check; the exact cut made here is the measure.
TEST(OneCut, PackageCarriesThePartTheCheckLeft)
{
    if (!pythonAvailable())
        GTEST_SKIP() << "no Python to read the package back";
    const DesignFixture::Design design = padRow(1.007, 4);
    const double exact = TestSupport::volumeOf(
        independentCut(design.part, StepExporter::collectVolumes(design.input(), ExportOptions())));
    QTemporaryDir dir;
    const QString package = dir.filePath(QStringLiteral("pads.3mf"));
    ExportOptions options;
    options.slicerConfigMode = 1;
    const ThreeMfExportSummary packaged = ThreeMfExporter().exportThreeMf(package, design.input(), PrintPlan(), options);
    ASSERT_TRUE(packaged.ok) << packaged.error.toStdString();
    PackageEntries entries;
    QString why;
    ASSERT_TRUE(readPackage(package, entries, &why)) << why.toStdString();
    // The cavities' walls meshed take a few hundredths of a mm³ from each; a pad left standing in
    // its cavity holds almost a mm³.
    EXPECT_NEAR(partMeshVolume(entries), exact, 0.5);
}

// Round pads overlapping their neighbours by about the cut's fuzzy value, exported: the one cut
// leaves edges and corners looser than the check's inset over the cavities, and the part in
// memory weighs up to 0.13 mm³ more than one exact cut of the volumes made here, though no
// common finds any of it in a cavity. Read back from the file, the part weighs what the exact
// cut does, but for lenses where a fuzzy cut takes a little more: the names in the summary are
// the volumes that a common with it finds holding more than a thousandth of a mm³, and every
// pad counts as cut.
TEST(OneCut, PadsOverlappingByAboutTheFuzzyValueAreNamedAsTheirFileHolds)
{
    const struct
    {
        double diameter;
        int count;
    } rows[] = {{1.0102, 3}, {1.0102, 6}, {1.011, 6}, {1.012, 6}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.count << " pads of " << row.diameter << " mm");
        const DesignFixture::Design design = padRow(row.diameter, row.count);
        const QList<CollectedVolume> volumes = StepExporter::collectVolumes(design.input(), ExportOptions());
        const double exact = TestSupport::volumeOf(independentCut(design.part, volumes));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pads.step"));
        const StepExportSummary summary = StepExporter::exportStep(path, design.input(), ExportOptions());
        ASSERT_TRUE(summary.success) << summary.error.toStdString();
        const DesignFixture::ReadBack back = DesignFixture::readStep(path);
        ASSERT_FALSE(back.shapes.isEmpty());
        QStringList holding;
        double held = 0.0;
        for (const CollectedVolume& volume : volumes) {
            const double common = TestSupport::volumeOf(BRepAlgoAPI_Common(back.shapes.first(), volume.shape).Shape());
            if (common > 1e-3)
                holding.append(volume.name);
            held += common;
        }
        QStringList named = summary.cavitiesNotCut;
        named.sort();
        holding.sort();
        EXPECT_EQ(holding.join(' ').toStdString(), named.join(' ').toStdString());
        EXPECT_EQ(summary.cavitiesOk, row.count - holding.size());
        const double kept = TestSupport::volumeOf(back.shapes.first()) - exact - held;
        EXPECT_LT(kept, 1e-3);
        EXPECT_GT(kept, -1e-2);
    }
}

// The check after the cut, against parts whose cavities are known: cut clean (a U-shaped
// cavity, which a copy of its tool shrunk toward its centre of mass would overlap the part in),
// left with a skin thinner than the cut's fuzzy value, or holding material: an island, or the
// last part of a long straight track or pad that a cut with a shorter tool left (what a copy
// shrunk alike in every direction misses). What is left is the common made here.
TEST(OneCut, CavityCheckNamesWhatIsLeftInsideAVolume)
{
    const double fuzzy = 0.01;
    const TopoDS_Shape part = box(0, 0, 0, 25, 10, 3);
    const TopoDS_Shape slot = BRepAlgoAPI_Cut(box(2, 2, 1, 5, 5, 4), box(2.2, 2.2, 1.2, 4.8, 5.5, 4.5)).Shape();
    const TopoDS_Shape pin = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(7, 7, 1), gp::DZ()), 0.5, 2.5).Shape();
    const TopoDS_Shape thinner = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(7, 7, 1.005), gp::DZ()), 0.495, 3).Shape();
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
    const struct
    {
        const char* name;
        TopoDS_Shape tool, carved;
        double left; // mm³, by hand; negative: a skin thinner than the fuzzy value
    } rows[] = {
        {"U-shaped cavity cut clean", slot, BRepAlgoAPI_Cut(part, slot).Shape(), 0.0},
        {"skin on a round cavity's wall", pin, BRepAlgoAPI_Cut(part, thinner).Shape(), -1.0},
        {"island in a round cavity",
         pin,
         StepExporter::compoundOf({BRepAlgoAPI_Cut(part, pin).Shape(), box(6.9, 6.9, 2, 7.1, 7.1, 2.2)}),
         0.2 * 0.2 * 0.2},
        {"straight track cut clean", track(20), BRepAlgoAPI_Cut(part, track(20)).Shape(), 0.0},
        {"straight track's last millimetre left", track(20), BRepAlgoAPI_Cut(part, track(19)).Shape(), 1 * 1 * 0.3},
        {"long pad cut clean", pad(8, 0.3), BRepAlgoAPI_Cut(part, pad(8, 0.3)).Shape(), 0.0},
        {"long pad's end left", pad(8, 0), BRepAlgoAPI_Cut(part, pad(7.75, 0)).Shape(), 0.5 * 0.25 * 1},
        {"turned long pad's end left", pad(8, 0.3), BRepAlgoAPI_Cut(part, pad(7.75, 0.3)).Shape(), 0.5 * 0.25 * 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const double left = TestSupport::volumeOf(BRepAlgoAPI_Common(row.carved, row.tool).Shape());
        if (row.left >= 0.0) {
            ASSERT_NEAR(left, row.left, 1e-6);
        }
        EXPECT_EQ(StepExporter::toolsHoldingMaterial(row.carved, {row.tool}, fuzzy).size(), row.left > 0.0 ? 1 : 0);
    }
}

// Edges and corners as loose as a fuzzy cut leaves them (0.15 and 0.3 mm; corners two and a half
// times that) over a round cavity: cut clean, or holding an island of 0.3 mm that no common with
// the part in memory finds. The file written of it holds the island (0.027 mm³ by hand) and
// nothing of the clean cavities: the names are what it holds.
TEST(OneCut, CavityCheckNamesWhatLooseEdgesHideAsTheFileHoldsIt)
{
    const TopoDS_Shape part = box(0, 0, 0, 25, 10, 3);
    const TopoDS_Shape pin = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(7, 7, 1), gp::DZ()), 0.5, 2.5).Shape();
    const auto loosened = [](const TopoDS_Shape& shape, double tolerance) {
        const TopoDS_Shape copy = BRepBuilderAPI_Copy(shape).Shape();
        BRep_Builder builder;
        for (TopExp_Explorer it(copy, TopAbs_EDGE); it.More(); it.Next())
            builder.UpdateEdge(TopoDS::Edge(it.Current()), tolerance);
        for (TopExp_Explorer it(copy, TopAbs_VERTEX); it.More(); it.Next())
            builder.UpdateVertex(TopoDS::Vertex(it.Current()), 2.5 * tolerance);
        return copy;
    };
    const TopoDS_Shape cut = BRepAlgoAPI_Cut(part, pin).Shape();
    const TopoDS_Shape island = box(6.85, 6.85, 2, 7.15, 7.15, 2.3);
    for (const double tolerance : {0.15, 0.3}) {
        SCOPED_TRACE(tolerance);
        EXPECT_TRUE(StepExporter::toolsHoldingMaterial(loosened(cut, tolerance), {pin}, 0.01).isEmpty());
        const TopoDS_Shape holding = StepExporter::compoundOf({cut, loosened(island, tolerance)});
        EXPECT_LT(TestSupport::volumeOf(BRepAlgoAPI_Common(holding, pin).Shape()), 0.3 * 0.3 * 0.3 / 2);
        EXPECT_EQ(StepExporter::toolsHoldingMaterial(holding, {pin}, 0.01).size(), 1);
        // Beside clean cavities, each weighed on its own: the island is named for its own pin.
        const TopoDS_Shape left = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(2, 3, 1), gp::DZ()), 0.5, 2.5).Shape();
        const TopoDS_Shape right = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(20, 3, 1), gp::DZ()), 0.5, 2.5).Shape();
        const TopoDS_Shape three =
            StepExporter::compoundOf({BRepAlgoAPI_Cut(BRepAlgoAPI_Cut(cut, left).Shape(), right).Shape(),
                                      loosened(island, tolerance)});
        EXPECT_EQ(StepExporter::toolsHoldingMaterial(loosened(three, tolerance), {left, pin, right}, 0.01),
                  QList<int>{1});
    }
}

// A boolean of the check that cannot be made knows nothing of what it weighs: each tool in it is
// weighed again alone, and one whose boolean alone cannot be made either is not known to be cut.
// The others are named as the commons made here find them: three square cavities, the middle
// one left with a slab on its floor.
TEST(OneCut, CavityCheckNamesWhatARefusedBooleanWeighs)
{
    const double fuzzy = 0.01;
    const QList<TopoDS_Shape> tools{box(2, 2, 1, 5, 5, 11), box(12, 2, 1, 15, 5, 11), box(22, 2, 1, 25, 5, 11)};
    const TopoDS_Shape carved = BRepAlgoAPI_Cut(
        BRepAlgoAPI_Cut(BRepAlgoAPI_Cut(box(0, 0, 0, 30, 10, 10), tools.at(0)).Shape(), box(12, 2, 1.05, 15, 5, 11))
            .Shape(),
        tools.at(2)).Shape();
    QList<double> left;
    for (const TopoDS_Shape& tool : tools)
        left.append(TestSupport::volumeOf(BRepAlgoAPI_Common(carved, tool).Shape()));
    ASSERT_NEAR(left.at(1), 3 * 3 * 0.05, 1e-6);
    const struct
    {
        const char* name;
        std::function<bool(const QList<int>&)> refuses;
        QList<int> refusedAlone;
    } rows[] = {
        {"nothing refused", [](const QList<int>&) { return false; }, {}},
        {"every boolean of more than one tool refused", [](const QList<int>& t) { return t.size() > 1; }, {}},
        {"every boolean weighing the last tool refused", [](const QList<int>& t) { return t.contains(2); }, {2}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        int asked = 0;
        const QList<int> named =
            StepExporter::toolsHoldingMaterial(carved, tools, fuzzy, Message_ProgressRange(), nullptr, -1.0,
                                               [&](const QList<int>& weighed) {
                                                   ++asked;
                                                   return row.refuses(weighed);
                                               });
        EXPECT_GT(asked, 0);
        QList<int> expected;
        for (int t = 0; t < tools.size(); ++t)
            if (left.at(t) > 1e-6 || row.refusedAlone.contains(t))
                expected.append(t);
        EXPECT_EQ(named, expected);
    }
}

// Positions reported, as the progress window shows them.
class Positions : public Message_ProgressIndicator
{
public:
    std::vector<double> shown;

protected:
    void Show(const Message_ProgressScope&, const Standard_Boolean) override { shown.push_back(GetPosition()); }
};

// A check that cannot be made knows nothing of the cavities: every volume it was asked about is
// named; one made names what it found.
TEST(OneCut, CavityCheckThatCannotBeMadeNamesEveryVolume)
{
    const struct
    {
        const char* name;
        std::function<QList<int>()> check;
        QList<int> named;
        bool made;
    } rows[] = {
        {"made, nothing held", [] { return QList<int>(); }, {}, true},
        {"made, one held", [] { return QList<int>{1}; }, {1}, true},
        {"OpenCASCADE failure", []() -> QList<int> { throw Standard_Failure("no intersection"); }, {0, 1, 2}, false},
        {"other failure", []() -> QList<int> { throw std::runtime_error("no classifier"); }, {0, 1, 2}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bool made = !row.made;
        EXPECT_EQ(CarvingProbes::holdingOrEvery(3, "check", &made, row.check), row.named);
        EXPECT_EQ(made, row.made);
    }
}

// A cut handing back a solid turned inside out beside the part (a part that came with one) is
// refused: healing would turn it over into material that was never there.
TEST(OneCut, CutLeavingASolidInsideOutIsRefused)
{
    const TopoDS_Shape cube = box(0, 0, 0, 10, 10, 10);
    const TopoDS_Shape lid = box(0, 0, 10, 10, 10, 10.4);
    BRep_Builder builder;
    TopoDS_Solid turned;
    builder.MakeSolid(turned);
    for (TopExp_Explorer it(lid, TopAbs_SHELL); it.More(); it.Next())
        builder.Add(turned, it.Current().Reversed());
    const TopoDS_Shape part = StepExporter::compoundOf({cube, turned});
    const TopoDS_Shape tool = box(2, 2, 8, 4, 4, 12);
    const OccUtils::BoolOpResult cut = StepExporter::cutWithFuzzyLadder(
        part, tool, StepExporter::fuzzyLadder(0.01, 2.0), true, {nullptr, "test"}, 0.2);
    // Nothing beside what the cube keeps: 2 x 2 x 2 of it goes.
    if (!cut.shape.IsNull())
        EXPECT_NEAR(TestSupport::volumeOf(cut.shape), 1000.0 - 8.0, 1e-6);
    EXPECT_TRUE(OccUtils::solidsHoldVolume(cut.shape));
}

// Material the cut left in an L-shaped cavity (a tool no shrunk copy of it stands for): a skin
// thinner than the cut's fuzzy value, all a fuzzy cut leaves on a wall, is not named; a slab
// thicker than it is, alone or joined to such skins on tall walls (one piece whose mean
// thickness is that of a skin). The same on a tool of two solids.
TEST(OneCut, CavityCheckOfToolsNotConvexWeighsSkins)
{
    const double fuzzy = 0.01;
    const TopoDS_Shape part = box(0, 0, 0, 20, 10, 10);
    const auto ell = [](double wall, double floor) {
        return BRepAlgoAPI_Cut(box(2 + wall, 2 + wall, 1 + floor, 8 - wall, 8 - wall, 11),
                               box(5 - wall, 5 - wall, 0, 9, 9, 12))
            .Shape();
    };
    const TopoDS_Shape tool = ell(0, 0);
    const struct
    {
        const char* name;
        TopoDS_Shape carved;
        double left; // mm³, by hand
        bool named;
    } rows[] = {
        {"cut clean", BRepAlgoAPI_Cut(part, tool).Shape(), 0.0, false},
        {"skin of half the fuzzy value on the floor", BRepAlgoAPI_Cut(part, ell(0, 0.005)).Shape(), 27 * 0.005, false},
        {"slab of five times the fuzzy value on the floor", BRepAlgoAPI_Cut(part, ell(0, 0.05)).Shape(), 27 * 0.05,
         true},
        // The L's outline is 24 mm long, its walls 9 mm high in the part.
        {"slab on the floor, skins on the walls", BRepAlgoAPI_Cut(part, ell(0.005, 0.05)).Shape(),
         27 * 0.05 + 24 * 0.005 * 8.95, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NEAR(TestSupport::volumeOf(BRepAlgoAPI_Common(row.carved, tool).Shape()), row.left, 2e-3);
        EXPECT_EQ(StepExporter::toolsHoldingMaterial(row.carved, {tool}, fuzzy).size(), row.named ? 1 : 0);
    }
    // A tool of two solids goes into the check whole, its pieces weighed by their thickness.
    const auto pair = [](double floor) {
        return StepExporter::compoundOf({box(2, 2, 1 + floor, 5, 5, 11), box(12, 2, 1 + floor, 15, 5, 11)});
    };
    const struct
    {
        const char* name;
        double floor;
        bool named;
    } pairs[] = {
        {"two solids cut clean", 0.0, false},
        {"two solids, skin of half the fuzzy value", 0.005, false},
        {"two solids, slab of five times the fuzzy value", 0.05, true},
    };
    for (const auto& row : pairs) {
        SCOPED_TRACE(row.name);
        const TopoDS_Shape carved = BRepAlgoAPI_Cut(part, pair(row.floor)).Shape();
        ASSERT_NEAR(TestSupport::volumeOf(BRepAlgoAPI_Common(carved, pair(0)).Shape()), 2 * 9 * row.floor, 1e-6);
        EXPECT_EQ(StepExporter::toolsHoldingMaterial(carved, {pair(0)}, fuzzy).size(), row.named ? 1 : 0);
    }
}

// A solid of the part smaller than the one cut's volume tolerance (a thousandth of a mm³, as a
// detail of a board's model comes) beside a component's body, or a quarter under it: the one
// cut keeps it or what the body leaves of it, as cuts made here of each solid do, rather than
// refusing the whole design, which then went cut by cut at wider fuzzy values.
TEST(OneCut, SolidSmallerThanTheVolumeToleranceKeepsTheOneCut)
{
    const PlacedComponentData component = DesignFixture::twoPadComponent(QStringLiteral("R1"), gp_Pnt(10, 10, 2.0));
    const QMap<QString, PlacedComponentData> components{{component.ref, component}};
    const struct
    {
        const char* name;
        double x;     // where the 0.09 mm cube's side nearest the body stands; the body ends at 12
        double taken; // of it, by hand
    } rows[] = {
        {"beside the body", 12.005, 0.0},
        {"a quarter under the body", 11.9775, 0.0225 * 0.09 * 0.09},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TopoDS_Shape board = box(0, 0, 0, 20, 20, 2.0);
        const TopoDS_Shape tiny = box(row.x, 10, 2.0, row.x + 0.09, 10.09, 2.09);
        AssemblyInput input;
        input.mainPart = StepExporter::compoundOf({board, tiny});
        input.components = &components;
        const QList<CollectedVolume> volumes = StepExporter::collectVolumes(input, ExportOptions());
        const TopoDS_Shape exact = independentCut(board, volumes);
        ASSERT_FALSE(exact.IsNull());
        ASSERT_NEAR(TestSupport::volumeOf(independentCut(tiny, volumes)), 0.09 * 0.09 * 0.09 - row.taken, 1e-9);

        const AssemblyResult result = StepExporter::buildAssembly(input, ExportOptions());
        EXPECT_TRUE(result.carvedInOneCut);
        EXPECT_EQ(result.cavitiesFailed, 0);
        EXPECT_NEAR(TestSupport::volumeOf(result.part),
                    TestSupport::volumeOf(exact) + 0.09 * 0.09 * 0.09 - row.taken, 1e-7);
    }
}

// Pads standing a little above the part reach into it only by their lengthening downward (a
// tenth of a millimetre): the component is in the part, and its pads' cavities are cut.
TEST(OneCut, PadsAboveThePartReachItByTheirLengthening)
{
    for (const double gap : {0.03, 0.07}) {
        SCOPED_TRACE(gap);
        const PlacedComponentData component =
            DesignFixture::twoPadComponent(QStringLiteral("R1"), gp_Pnt(10, 10, 2.0 + 1.0 + gap));
        const QMap<QString, PlacedComponentData> components{{component.ref, component}};
        AssemblyInput input;
        input.mainPart = box(0, 0, 0, 20, 20, 2.0);
        input.components = &components;
        const AssemblyResult result = StepExporter::buildAssembly(input, ExportOptions());
        EXPECT_EQ(result.componentsOutside, 0);
        EXPECT_EQ(result.cavitiesOk, 2);
        EXPECT_NEAR(TestSupport::volumeOf(result.part), 20 * 20 * 2.0 - 2 * 1.0 * 1.5 * (0.1 - gap), 1e-6);
    }
}


// The cut of a cavity on the road volume by volume reports as it runs, not only once it is done:
// the window follows it, and Cancel is asked during it. On a part of several solids, one of them
// cut (the carving takes the export from a quarter to four fifths of its bar).
TEST(OneCut, CavityCutsReportAsTheyRun)
{
    const PlacedComponentData component = DesignFixture::twoPadComponent(QStringLiteral("R1"), gp_Pnt(10, 10, 2.0), 1.0);
    const QMap<QString, PlacedComponentData> components{{component.ref, component}};
    AssemblyInput input;
    input.mainPart = StepExporter::compoundOf({box(0, 0, 0, 20, 20, 2.0), box(30, 0, 0, 40, 20, 2.0)});
    input.components = &components;
    const opencascade::handle<Positions> progress = new Positions;
    const AssemblyResult result = StepExporter::buildAssembly(input, ExportOptions(),
                                                              StepExporter::CarvingRoad::VolumeByVolume,
                                                              progress->Start());
    EXPECT_EQ(result.cavitiesOk, 2);
    const auto during = std::count_if(progress->shown.cbegin(), progress->shown.cend(),
                                      [](double at) { return at > 0.26 && at < 0.79; });
    EXPECT_GE(during, 4);
}

} // namespace

// The one cut's result is refused when the checker rejects it, even with the volumes agreeing:
// a block one of whose edges is marked as not same-parameter, an edge the cavity leaves alone;
// the same cavity in a sound block is accepted.
TEST(OneCut, CutTheCheckerRejectsIsRefused)
{
    const QList<TopoDS_Shape> tools{box(4, 4, 4, 6, 6, 6)};
    const TopoDS_Shape flawed = BRepBuilderAPI_Copy(box(0, 0, 0, 10, 10, 5)).Shape();
    TopExp_Explorer edge(flawed, TopAbs_EDGE);
    BRep_Builder().SameParameter(TopoDS::Edge(edge.Current()), false);
    ASSERT_FALSE(OccUtils::isValidShape(flawed));
    EXPECT_TRUE(StepExporter::cutAllAtOnce(flawed, tools, 1e-4).shape.IsNull());
    const TopoDS_Shape sound = StepExporter::cutAllAtOnce(box(0, 0, 0, 10, 10, 5), tools, 1e-4).shape;
    ASSERT_FALSE(sound.IsNull());
    EXPECT_NEAR(TestSupport::volumeOf(sound), 500.0 - 4.0, 1e-6);
}
