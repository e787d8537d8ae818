// The export's own copy of the part, made solid by solid: the same solids in the same places,
// instances of one solid still sharing one copy, nothing shared with the project's part, and
// the checker's verdict.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/stepexporter.h"

#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRep_Builder.hxx>
#include <QList>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>

#include <gtest/gtest.h>

#include <set>

namespace {

using DesignFixture::box;

using Compound = QList<TopoDS_Shape>;

std::set<const void*> solidsShared(const TopoDS_Shape& shape)
{
    std::set<const void*> found;
    for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next())
        found.insert(it.Current().TShape().get());
    return found;
}

TEST(CopyPart, SameSolidsInTheSamePlacesAndNothingShared)
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
    const struct
    {
        const char* name;
        TopoDS_Shape part;
        int distinctSolids;
        bool valid;
    } rows[] = {
        {"one solid", block, 1, true},
        {"two solids", StepExporter::compoundOf(Compound{block, box(20, 0, 0, 25, 5, 5)}), 2, true},
        {"an instance moved, in a nested compound",
         StepExporter::compoundOf(
             Compound{block, StepExporter::compoundOf(Compound{block.Moved(TopLoc_Location(shift)), box(0, 20, 0, 5, 25, 5)})}),
         2, true},
        {"a refused solid beside a sound one", StepExporter::compoundOf(Compound{block, open}), 2, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        bool valid = !row.valid;
        const TopoDS_Shape copy = StepExporter::copyPart(row.part, valid);
        ASSERT_FALSE(copy.IsNull());
        EXPECT_EQ(valid, row.valid);
        EXPECT_NEAR(TestSupport::volumeOf(copy), TestSupport::volumeOf(row.part), 1e-9);
        EXPECT_NEAR(TestSupport::boxOf(copy).xmax, TestSupport::boxOf(row.part).xmax, 1e-9);
        EXPECT_EQ(StepExporter::solidsOf(copy).size(), StepExporter::solidsOf(row.part).size());
        const std::set<const void*> copied = solidsShared(copy), original = solidsShared(row.part);
        EXPECT_EQ(int(copied.size()), row.distinctSolids);
        for (const void* solid : copied)
            EXPECT_EQ(original.count(solid), 0u) << "a deep copy";
    }
}

} // namespace
