// The carving chain on parts whose carving is known: the solids of a part cut apart, each by
// every volume that meets it; a cut the checker rejects carved again another way; a volume that
// cannot be weighed named as not known to be cut; a solid turned inside out never passed as
// sound; the solids no volume meets copied as they came. Each against cuts made here.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/carving.h"
#include "outputs/stepexporter.h"

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRep_Builder.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>

namespace {

using DesignFixture::box;

AssemblyVolume volumeOf(const QString& name, const TopoDS_Shape& shape, double feature = 1.0)
{
    return AssemblyVolume{PadVolume, name, shape, feature, shape, feature};
}

constexpr auto cut = DesignFixture::cutOf;

std::vector<double> solidVolumes(const TopoDS_Shape& shape)
{
    std::vector<double> volumes;
    for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next())
        volumes.push_back(TestSupport::volumeOf(it.Current()));
    std::sort(volumes.begin(), volumes.end());
    return volumes;
}

// A part of solids that overlap one another (a board and models standing in it): each solid is
// cut by every volume that meets it, apart from the others, as cuts of each solid made here do;
// no solid cuts another, and a volume across two solids takes from both.
TEST(Carve, EachSolidIsCutByEveryVolumeThatMeetsIt)
{
    const TopoDS_Shape board = box(0, 0, 0, 20, 20, 2), model = box(8, 8, 1, 12, 12, 4), apart = box(30, 0, 0, 32, 2, 2);
    const TopoDS_Shape across = box(9, 9, 0.5, 10, 10, 3), inBoard = box(2, 2, 1, 3, 3, 3),
                       inModel = box(10.5, 10.5, 3, 11.5, 11.5, 5);
    QList<AssemblyVolume> volumes{volumeOf("across", across), volumeOf("board", inBoard), volumeOf("model", inModel)};
    const Carving::Result carved =
        Carving::carve(StepExporter::compoundOf({board, model, apart}), volumes, 0.01);
    ASSERT_FALSE(carved.part.IsNull());
    EXPECT_FALSE(carved.invalid);
    const TopoDS_Shape expected = StepExporter::compoundOf(
        {cut(board, {across, inBoard}), cut(model, {across, inModel}), apart});
    const std::vector<double> got = solidVolumes(carved.part), want = solidVolumes(expected);
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k)
        EXPECT_NEAR(got[k], want[k], 1e-6) << k;
    for (const AssemblyVolume& volume : std::as_const(volumes))
        EXPECT_EQ(volume.cut, CavityCut::Removed) << volume.name.toStdString();
}

// A carved solid the checker rejects is never kept: here a stand-in for the checker rejects the
// first carved solids it is shown, and the solid is carved again another way, in batches and
// then volume by volume, until a cut it accepts; the part is the exact cut all the same.
TEST(Carve, CutTheCheckerRejectsIsCarvedAgainAnotherWay)
{
    const TopoDS_Shape part = box(0, 0, 0, 20, 10, 3);
    QList<TopoDS_Shape> pads;
    for (int i = 0; i < 4; ++i)
        pads.append(box(2 + 4 * i, 4, 1, 3 + 4 * i, 5, 4));
    for (const int rejected : {0, 1, 3}) {
        SCOPED_TRACE(rejected);
        QList<AssemblyVolume> volumes;
        for (int i = 0; i < pads.size(); ++i)
            volumes.append(volumeOf(QStringLiteral("P%1").arg(i), pads.at(i)));
        std::atomic<int> asked(0);
        Carving::Judges judges;
        judges.sound = [&asked, rejected](const TopoDS_Shape& carved) {
            return ++asked > rejected && OccUtils::isValidShape(carved);
        };
        const Carving::Result carved = Carving::carve(part, volumes, 0.01, Message_ProgressRange(), judges);
        ASSERT_FALSE(carved.part.IsNull());
        EXPECT_EQ(carved.inOneCut, rejected == 0);
        EXPECT_GT(asked.load(), rejected);
        EXPECT_NEAR(TestSupport::volumeOf(carved.part), TestSupport::volumeOf(cut(part, pads)), 1e-6);
        for (const AssemblyVolume& volume : std::as_const(volumes))
            EXPECT_EQ(volume.cut, CavityCut::Removed);
    }
}

// What a volume holds decides alone whether it is named: a volume the rule finds holding is cut
// again, and named while it still holds; one whose weighing cannot be made is named as not known
// to be cut, never counted as holding nothing; the others are cut. Here a stand-in for the rule
// answers for the second volume.
TEST(Carve, VolumesAreNamedByTheRuleAlone)
{
    const TopoDS_Shape part = box(0, 0, 0, 20, 10, 3);
    const QList<TopoDS_Shape> pads{box(2, 4, 1, 3, 5, 4), box(8, 4, 1, 9, 5, 4), box(14, 4, 1, 15, 5, 4)};
    const struct
    {
        const char* name;
        Carving::Weight second;
        int unchecked;
        bool named;
    } rows[] = {
        {"weighed empty", {0.0, true}, 0, false},
        {"weighed holding", {0.5, true}, 0, true},
        {"weighing not made", {0.0, false}, 1, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QList<AssemblyVolume> volumes{volumeOf("A", pads[0]), volumeOf("B", pads[1]), volumeOf("C", pads[2])};
        Carving::Judges judges;
        judges.weigh = [&](const TopoDS_Shape& solid, const QList<TopoDS_Shape>& tools) {
            std::vector<Carving::Weight> weights = Carving::weigh(solid, tools);
            for (int k = 0; k < tools.size(); ++k)
                if (tools.at(k).IsSame(pads[1]))
                    weights[size_t(k)] = row.second;
            return weights;
        };
        const Carving::Result carved = Carving::carve(part, volumes, 0.01, Message_ProgressRange(), judges);
        ASSERT_FALSE(carved.part.IsNull());
        EXPECT_EQ(carved.unchecked, row.unchecked);
        EXPECT_EQ(volumes.at(0).cut, CavityCut::Removed);
        EXPECT_EQ(volumes.at(1).cut == CavityCut::Failed, row.named);
        EXPECT_EQ(volumes.at(2).cut, CavityCut::Removed);
        EXPECT_NEAR(TestSupport::volumeOf(carved.part), TestSupport::volumeOf(cut(part, pads)), 1e-6);
    }
}

// A part that came with a solid turned inside out beside a sound cube, a volume across both: the
// cube is carved as a cut made here carves it, and the carving never passes the part as sound
// while it holds a solid of no volume or turned inside out.
TEST(Carve, CutLeavingASolidInsideOutIsRefused)
{
    const TopoDS_Shape cube = box(0, 0, 0, 10, 10, 10);
    const TopoDS_Shape lid = box(0, 0, 10, 10, 10, 10.4);
    BRep_Builder builder;
    TopoDS_Solid turned;
    builder.MakeSolid(turned);
    for (TopExp_Explorer it(lid, TopAbs_SHELL); it.More(); it.Next())
        builder.Add(turned, it.Current().Reversed());
    const TopoDS_Shape tool = box(2, 2, 8, 4, 4, 12);
    QList<AssemblyVolume> volumes{volumeOf("U1", tool, 2.0)};
    const Carving::Result carved = Carving::carve(StepExporter::compoundOf({cube, turned}), volumes, 0.01);
    ASSERT_FALSE(carved.part.IsNull());
    int cubes = 0;
    for (TopExp_Explorer it(carved.part, TopAbs_SOLID); it.More(); it.Next())
        cubes += std::abs(TestSupport::volumeOf(it.Current()) - (1000.0 - 8.0)) < 1e-6 ? 1 : 0;
    EXPECT_EQ(cubes, 1);
    EXPECT_TRUE(carved.invalid || OccUtils::solidsHoldVolume(carved.part));
}

// The solids no volume meets come through as copies of their own, nothing shared with the
// project's part (the meshers store their triangles in them), instances of one solid still
// sharing one copy, in their places; a solid the checker refuses makes the part unsound.
TEST(Carve, SolidsNoVolumeMeetsComeAsCopies)
{
    gp_Trsf shift;
    shift.SetTranslation(gp_Vec(30, 0, 0));
    const TopoDS_Shape block = box(0, 0, 0, 10, 10, 10);
    // A solid whose only shell is a lone face: the checker refuses it.
    BRep_Builder builder;
    TopoDS_Shell shell;
    builder.MakeShell(shell);
    builder.Add(shell, BRepBuilderAPI_MakeFace(
                           BRepBuilderAPI_MakePolygon(gp_Pnt(0, 0, 50), gp_Pnt(5, 0, 50), gp_Pnt(0, 5, 50), true).Wire()));
    TopoDS_Solid open;
    builder.MakeSolid(open);
    builder.Add(open, shell);
    const TopoDS_Shape pad = box(60, 0, 5, 61, 1, 12);
    const struct
    {
        const char* name;
        TopoDS_Shape part;
        int distinctSolids; // of the copies
        bool sound;
    } rows[] = {
        {"two solids", StepExporter::compoundOf({block, box(60, 0, 0, 65, 5, 10)}), 1, true},
        {"an instance moved, in a nested compound",
         StepExporter::compoundOf({block, StepExporter::compoundOf({block.Moved(TopLoc_Location(shift)),
                                                                    box(60, 0, 0, 65, 5, 10)})}),
         1, true},
        {"a refused solid beside a sound one", StepExporter::compoundOf({block, open, box(60, 0, 0, 65, 5, 10)}), 2,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QList<AssemblyVolume> volumes{volumeOf("P", pad)};
        const Carving::Result carved = Carving::carve(row.part, volumes, 0.01);
        ASSERT_FALSE(carved.part.IsNull());
        EXPECT_EQ(carved.invalid, !row.sound);
        if (row.sound) {
            EXPECT_NEAR(TestSupport::volumeOf(carved.part), TestSupport::volumeOf(row.part) - 1.0 * 1.0 * 5.0, 1e-6);
        }
        EXPECT_NEAR(TestSupport::boxOf(carved.part).xmax, TestSupport::boxOf(row.part).xmax, 1e-9);
        std::set<const void*> original, copied;
        for (TopExp_Explorer it(row.part, TopAbs_SOLID); it.More(); it.Next())
            original.insert(it.Current().TShape().get());
        for (TopExp_Explorer it(carved.part, TopAbs_SOLID); it.More(); it.Next())
            copied.insert(it.Current().TShape().get());
        EXPECT_EQ(int(copied.size()), row.distinctSolids + 1); // and the carved one
        for (const void* solid : copied)
            EXPECT_EQ(original.count(solid), 0u) << "a copy";
    }
}

} // namespace
