// What stands in the part, as the print plan and the exports' summaries tell it: one rule for
// both (any pad, as carved, or the body sharing material with the part), and tracks lying
// wholly outside the part counted and named.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/partpresence.h"
#include "outputs/printplangenerator.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QTemporaryDir>

#include <AIS_Shape.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <GProp_GProps.hxx>
#include <Message_ProgressIndicator.hxx>
#include <TopoDS_Compound.hxx>

#include <gtest/gtest.h>

namespace {

using DesignFixture::box;

// A part 60 x 40 x 10 (top at z = 10). Pads are carved lengthened 0.1 mm downward, so pads
// resting on the top still cut a cavity; a component against a side face shares no material.
TEST(PartPresence, PlanAndExportSayTheSameOfEachPlacement)
{
    const TopoDS_Shape part = box(0, 0, 0, 60, 40, 10);
    const struct
    {
        const char* name;
        gp_Pnt at;
        double lift;
        bool inPart;
        bool atTheEnd; // inserted after the last layer: its body's top above the part
    } rows[] = {
        {"body and pads in", gp_Pnt(10, 10, 5), 0.0, true, false},
        {"pads in, body above the top", gp_Pnt(20, 20, 10), 0.4, true, true},
        {"pads resting on the top", gp_Pnt(30, 20, 11), 0.0, true, true},
        {"all beside the part", gp_Pnt(100, 100, 5), 0.0, false, false},
        {"against a side face", gp_Pnt(62.5, 20, 5), 0.0, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QMap<QString, PlacedComponentData> components{{"U1", DesignFixture::twoPadComponent("U1", row.at, row.lift)}};
        const AssemblyResult assembly = StepExporter::buildAssembly(DesignFixture::Design{part, {}, components, {}}.input(), ExportOptions());
        const PrintPlan plan = PrintPlanGenerator::generate(components, {}, part, 0.2);
        ASSERT_TRUE(plan.ok);
        const int outside = row.inPart ? 0 : 1;
        EXPECT_EQ(assembly.componentsOutside, outside);
        EXPECT_EQ(plan.outsidePartCount(), outside);
        EXPECT_EQ(assembly.cavitiesOk > 0, row.inPart);
        EXPECT_EQ(plan.endInsertions.size(), row.atTheEnd ? 1 : 0);
        const QString text = PrintPlanGenerator::toText(plan);
        EXPECT_EQ(text.contains(QStringLiteral("U1 — not in the part — nothing to embed")), !row.inPart)
            << text.toStdString();
        EXPECT_EQ(text.split(QLatin1Char('\n')).at(3).endsWith(QStringLiteral("1 component(s) not in the part")),
                  !row.inPart);
    }
}

// Tracks 2 mm wide and 1 mm high in the same part: those sharing no material with it are named
// by their net in both exports' summaries, once per track.
TEST(PartPresence, ExportsNameTheTracksOutsideThePart)
{
    const TopoDS_Shape part = box(0, 0, 0, 60, 40, 10);
    const QList<Route> routes{
        DesignFixture::route("IN", {QPointF(10, 10), QPointF(30, 10)}, 5.0),
        DesignFixture::route("ACROSS_EDGE", {QPointF(50, 20), QPointF(70, 20)}, 5.0),
        DesignFixture::route("BESIDE", {QPointF(70, 5), QPointF(90, 5)}, 5.0),
        DesignFixture::route("ABOVE", {QPointF(10, 30), QPointF(30, 30)}, 12.0),
        DesignFixture::route("ABOVE", {QPointF(10, 35), QPointF(30, 35)}, 12.0),
        DesignFixture::route("ON_TOP", {QPointF(40, 30), QPointF(50, 30)}, 10.0),
    };
    const DesignFixture::Design design{part, {}, {}, routes};
    const AssemblyInput input = design.input();
    const QStringList outside{"BESIDE", "ABOVE", "ABOVE", "ON_TOP"};
    EXPECT_EQ(StepExporter::buildAssembly(input, ExportOptions()).tracksOutside, outside);

    QTemporaryDir dir;
    const StepExportSummary step = StepExporter::exportStep(dir.filePath("tracks.step"), input, ExportOptions());
    ASSERT_TRUE(step.success) << step.error.toStdString();
    EXPECT_EQ(step.tracksOutside, outside);
    ExportOptions options;
    options.embedPlanTxt = options.embedPlanCsv = false;
    const ThreeMfExportSummary printed =
        ThreeMfExporter().exportThreeMf(dir.filePath("tracks.3mf"), input, PrintPlan(), options);
    ASSERT_TRUE(printed.ok) << printed.error.toStdString();
    EXPECT_EQ(printed.tracksOutside, outside);
}

// One holder of verdicts across parts: a component is judged by the part of the moment, the same
// volumes again after another part, and an export handed verdicts of another part measures its own.
TEST(PartPresence, VerdictsFollowThePart)
{
    const QMap<QString, PlacedComponentData> components{
        {"U1", DesignFixture::twoPadComponent("U1", gp_Pnt(10, 10, 5), 0.0)}};
    const TopoDS_Shape around = box(0, 0, 0, 60, 40, 10);
    const TopoDS_Shape beside = box(200, 0, 0, 260, 40, 10);
    const QList<VolumeSource> sources =
        PartPresence::volumesOf(DesignFixture::Design{around, {}, components, {}}.input());
    PartPresence presence;
    for (const TopoDS_Shape& part : {around, beside, around}) {
        ASSERT_TRUE(presence.update(part, sources));
        EXPECT_EQ(presence.componentsOutside(sources).size(), part.IsSame(beside) ? 1 : 0);
    }
    const DesignFixture::Design design{beside, {}, components, {}};
    AssemblyInput input = design.input();
    input.presence = &presence;
    EXPECT_EQ(StepExporter::buildAssembly(input, ExportOptions()).componentsOutside, 1);
}

// Shares material with the part by a plain boolean common, as the burial analysis counts it.
bool plainOverlap(const TopoDS_Shape& shape, const TopoDS_Shape& part)
{
    BRepAlgoAPI_Common common(shape, part);
    EXPECT_TRUE(common.IsDone());
    GProp_GProps props;
    BRepGProp::VolumeProperties(common.Shape(), props);
    return std::abs(props.Mass()) > 1e-7;
}

// Asks for a break from its n-th question on.
class BreakAfter : public Message_ProgressIndicator
{
public:
    explicit BreakAfter(int n) : m_left(n) {}
    bool UserBreak() override { return --m_left <= 0; }
    void Show(const Message_ProgressScope&, const bool) override {}

private:
    int m_left;
};

// Volumes at the boundary of a part of two solids, one holding a closed void: each verdict the
// quick tests and the booleans side by side give is the one a plain common gives. Pads are
// carved 0.1 mm lower too; their cavity is taken here as the box reaching that far down.
TEST(PartPresence, VerdictsAtThePartsBoundaryAreThoseOfAPlainCommon)
{
    const TopoDS_Shape holed =
        BRepAlgoAPI_Cut(box(0, 0, 0, 60, 40, 10), box(20, 10, 3, 40, 30, 7)).Shape(); // void inside
    const TopoDS_Shape beside = box(70, 0, 0, 90, 40, 10);                              // a 10 mm gap
    BRep_Builder builder;
    TopoDS_Compound part;
    builder.MakeCompound(part);
    builder.Add(part, holed);
    builder.Add(part, beside);
    constexpr double e = 0.1;
    const struct
    {
        const char* name;
        VolumeKind kind;
        double x0, y0, z0, x1, y1, z1;
        bool inPart;
    } rows[] = {
        {"body well inside", BodyVolume, 5, 5, 2, 10, 10, 8, true},
        {"body touching the top", BodyVolume, 5, 5, 10, 10, 10, 12, false},
        {"body 0.01 into the top", BodyVolume, 5, 5, 9.99, 10, 10, 12, true},
        {"body 0.001 above the top", BodyVolume, 5, 5, 10.001, 10, 10, 12, false},
        {"body across, no corner inside", BodyVolume, -5, 15, 4, 65, 25, 6, true},
        {"body inside the void", BodyVolume, 25, 15, 4, 35, 25, 6, false},
        {"body filling the void", BodyVolume, 20, 10, 3, 40, 30, 7, false},
        {"body across the void's wall", BodyVolume, 15, 15, 4, 25, 25, 6, true},
        {"body filling the gap", BodyVolume, 60, 5, 2, 70, 10, 8, false},
        {"body from the gap into a solid", BodyVolume, 65, 5, 2, 75, 10, 8, true},
        {"pad resting on the top", PadVolume, 5, 5, 10, 7, 7, 10.035, true},
        {"pad 0.05 above its reach", PadVolume, 5, 5, 10.15, 7, 7, 10.185, false},
        {"pad on the void's floor", PadVolume, 25, 15, 3, 27, 17, 3.035, true},
        {"pad under the void's ceiling", PadVolume, 25, 15, 6.9, 27, 17, 6.95, false},
        {"pad on the side, touching", PadVolume, 60, 5, 4, 62, 7, 4.035, false},
        {"track flush on the top", RouteVolume, 5, 20, 10, 50, 22, 11, false},
        {"track sunk half way", RouteVolume, 5, 20, 9.5, 50, 22, 10.5, true},
        {"track across the gap", RouteVolume, 55, 20, 4, 75, 22, 6, true},
        {"track in the void", RouteVolume, 22, 12, 4, 38, 14, 5, false},
        {"track along the void's wall", RouteVolume, 22, 8, 4, 38, 10, 5, true},
    };
    for (const bool splines : {false, true}) {
        SCOPED_TRACE(splines ? "B-spline part" : "plane part");
        const TopoDS_Shape measured = splines ? DesignFixture::nurbs(part) : part;
        QList<VolumeSource> sources;
        QStringList componentsOut, tracksOut;
        for (const auto& row : rows) {
            const bool pad = row.kind == PadVolume;
            const QString name = QString::fromLatin1(row.name).replace(QLatin1Char('/'), QLatin1Char(' '));
            sources.append({{row.kind, pad ? name + QStringLiteral("/1") : name,
                             box(row.x0, row.y0, row.z0, row.x1, row.y1, row.z1), 0.0},
                            pad ? e : 0.0});
            const bool plain =
                plainOverlap(box(row.x0, row.y0, row.z0 - (pad ? e : 0.0), row.x1, row.y1, row.z1), measured);
            EXPECT_EQ(plain, row.inPart) << row.name;
            if (!plain)
                (row.kind == RouteVolume ? tracksOut : componentsOut).append(name);
        }
        std::sort(componentsOut.begin(), componentsOut.end());
        PartPresence presence;
        // Broken off once the quick tests are done, while booleans run: it keeps only what it
        // measured, so the update after it gives every verdict a plain common gives.
        const opencascade::handle<BreakAfter> breaking = new BreakAfter(int(sources.size()) + 1);
        EXPECT_FALSE(presence.update(measured, sources, breaking->Start()));
        EXPECT_FALSE(presence.isKnown(measured, sources));
        ASSERT_TRUE(presence.update(measured, sources));
        EXPECT_TRUE(presence.isKnown(measured, sources));
        EXPECT_EQ(presence.componentsOutside(sources).join(", ").toStdString(), componentsOut.join(", ").toStdString());
        EXPECT_EQ(presence.tracksOutside(sources).join(", ").toStdString(), tracksOut.join(", ").toStdString());
    }
}

// A component is in the part when any of its volumes is: a body in with its pads out, a body
// out with a pad in. Changing only its body measures the pads that were not needed before.
TEST(PartPresence, AComponentIsInWhenAnyOfItsVolumesIs)
{
    const TopoDS_Shape part = box(0, 0, 0, 60, 40, 10);
    const auto pad = [](const char* name, double x) {
        return VolumeSource{{PadVolume, QString::fromLatin1(name), box(x, 5, 20, x + 2, 7, 21), 0.0}, 0.1};
    };
    const VolumeSource bodyIn{{BodyVolume, QStringLiteral("U1"), box(5, 5, 2, 10, 10, 8), 0.0}, 0.0};
    const VolumeSource bodyOut{{BodyVolume, QStringLiteral("U1"), box(5, 5, 12, 10, 10, 14), 0.0}, 0.0};
    QList<VolumeSource> sources{pad("U1/1", 5), pad("U1/2", 8), bodyIn};
    PartPresence presence;
    ASSERT_TRUE(presence.update(part, sources));
    EXPECT_TRUE(presence.componentsOutside(sources).isEmpty());
    sources.last() = bodyOut;
    EXPECT_FALSE(presence.isKnown(part, sources));
    ASSERT_TRUE(presence.update(part, sources));
    EXPECT_EQ(presence.componentsOutside(sources), QStringList{"U1"});
    // Straddling the top face with no corner inside: only a boolean tells.
    sources.append({{PadVolume, QStringLiteral("U1/3"), box(-1, 20, 9.5, 61, 21, 10.5), 0.0}, 0.1});
    ASSERT_TRUE(presence.update(part, sources));
    EXPECT_TRUE(presence.componentsOutside(sources).isEmpty());
}

} // namespace
