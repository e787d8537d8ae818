// The cavity check's screen: rays that tell inside from outside, and shrunk copies of the
// cavities cleared without a boolean only where an independent common finds nothing.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/stepexporter.h"
#include "outputs/stepexporter_probes_p.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
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
    TopTools_ListOfShape arguments, toolList;
    arguments.Append(part);
    for (const TopoDS_Shape& tool : tools)
        toolList.Append(tool);
    BRepAlgoAPI_Cut op;
    op.SetArguments(arguments);
    op.SetTools(toolList);
    op.Build();
    return op.Shape();
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
        CarvingProbes::RayParity rays(row.solid);
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
        const std::optional<std::vector<bool>> clear = CarvingProbes::copiesClear(it.Current(), copies);
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
    const QList<int> named = StepExporter::toolsHoldingMaterial(carved, toolList, 0.01);
    EXPECT_EQ(std::set<int>(named.cbegin(), named.cend()), holding);
}

} // namespace
