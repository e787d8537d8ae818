// The one cut of volumes that overlap one another (pads under their component's body, bodies
// piled on a small part): what each volume is said to take, and the memory the cut needs.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/carving_p.h"
#include "outputs/stepexporter.h"

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <gp_Ax2.hxx>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cmath>

#include <unistd.h>

namespace {

using DesignFixture::box;

constexpr double kFuzzy = 0.001;

// A component standing on z: a body from z up, and a grid of columns x rows pads of 0.3 mm at
// 0.5 mm pitch centred on (x, y), from 1 mm under z to 0.4 mm into the body.
QList<TopoDS_Shape> padsUnderBody(double x, double y, double z, int columns, int rows, bool round)
{
    const double halfX = 0.25 * columns + 0.5, halfY = 0.25 * rows + 0.5;
    QList<TopoDS_Shape> tools{box(x - halfX, y - halfY, z, x + halfX, y + halfY, z + 3.0)};
    for (int i = 0; i < columns * rows; ++i) {
        const double px = x + 0.5 * (i % columns - 0.5 * (columns - 1));
        const double py = y + 0.5 * (i / columns - 0.5 * (rows - 1));
        tools.append(round ? BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(px, py, z - 1.0), gp::DZ()), 0.15, 1.4).Shape()
                           : box(px - 0.15, py - 0.15, z - 1.0, px + 0.15, py + 0.15, z + 0.4));
    }
    return tools;
}

// What carving the tools one after another takes, each cut made here on its own: per tool,
// what it took that no tool before it took; the part left at the end.
struct OneAfterAnother
{
    QList<double> taken;
    double left = 0.0;
};

OneAfterAnother oneAfterAnother(const TopoDS_Shape& part, const QList<TopoDS_Shape>& tools)
{
    OneAfterAnother result;
    TopoDS_Shape left = part;
    double before = TestSupport::volumeOf(part);
    for (const TopoDS_Shape& tool : tools) {
        left = BRepAlgoAPI_Cut(left, tool).Shape();
        const double after = TestSupport::volumeOf(left);
        result.taken.append(before - after);
        before = after;
    }
    result.left = before;
    return result;
}

// Volumes that overlap one another: each is said to take what it takes cut after those before
// it in the list, and the part loses what they all take.
TEST(CutRounds, EachVolumeTakesWhatCuttingInTurnTakes)
{
    const TopoDS_Shape part = box(0, 0, 0, 20, 20, 5);
    QList<TopoDS_Shape> sunkBody = padsUnderBody(10, 10, 3.5, 6, 4, true);
    QList<TopoDS_Shape> padsFirst = padsUnderBody(10, 10, 3.5, 6, 4, false);
    padsFirst.move(0, padsFirst.size() - 1);
    const struct
    {
        const char* name;
        QList<TopoDS_Shape> tools;
    } rows[] = {
        {"round pads under a body sunk 1.5 mm", sunkBody},
        {"square pads before their sunk body", padsFirst},
        // The third meets the second only: it must still come after it. The second meets three
        // more inside it, so it keeps apart from what it meets.
        {"a chain of three boxes",
         {box(2, 2, 3, 6, 6, 6), box(5, 2, 2, 9, 6, 6), box(8, 2, 1, 12, 6, 6), box(6.5, 2.5, 3, 7.5, 3.2, 5.5),
          box(6.5, 3.5, 3, 7.5, 4.2, 5.5), box(6.5, 4.5, 3, 7.5, 5.2, 5.5)}},
        {"a box across two apart",
         {box(2, 12, 4, 4, 18, 6), box(8, 12, 4, 10, 18, 6), box(1, 14, 3, 11, 16, 6), box(3, 15, 2, 9, 15.5, 6)}},
        // The body's round has room for three of its pads: the fourth comes later, and so must
        // the box under it that meets nothing else.
        {"a box under a pad its body's round had no room for",
         {box(12, 2, 2, 18, 8, 6), box(12.5, 4, 1, 13.3, 5, 3), box(13.8, 4, 1, 14.6, 5, 3), box(15.1, 4, 1, 15.9, 5, 3),
          box(16.4, 4, 1, 17.2, 5, 3), box(16.2, 3.5, 0.5, 17.5, 5.5, 1.5)}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const OneAfterAnother expected = oneAfterAnother(part, row.tools);
        const Carving::detail::Cut cut = Carving::detail::cutInRounds(part, row.tools, kFuzzy);
        ASSERT_FALSE(cut.shape.IsNull());
        EXPECT_NEAR(TestSupport::volumeOf(cut.shape), expected.left, 1e-6);
        ASSERT_EQ(int(cut.removed.size()), row.tools.size());
        for (int k = 0; k < row.tools.size(); ++k)
            EXPECT_NEAR(cut.removed[size_t(k)], expected.taken.at(k), 1e-6) << "volume " << k;
    }
}

#ifdef VTQ_ASAN
constexpr bool kUnderSanitizers = true;
#else
constexpr bool kUnderSanitizers = false;
#endif

// Six components piled on a part hardly bigger than their bodies, each body over a grid of round
// pads that pierce it, the bodies overlapping one another: their one cut carves the part as
// cutting them in turn does, within 128 MB more than the process holds. A cut that splits the
// volumes by one another left material in their cavities there, and on bigger piles needed
// gigabytes.
TEST(CutRounds, BodiesPiledOnASmallPartCutWithinBoundedMemory)
{
    if (kUnderSanitizers)
        GTEST_SKIP() << "the sanitizers reserve address space of their own";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const TopoDS_Shape part = box(0, 0, 0, 6, 5, 1.2);
    QList<TopoDS_Shape> tools;
    for (int c = 0; c < 6; ++c) {
        // Round the part's middle, half sunk, each a little off the one before.
        const double angle = 2.4 * c, reach = 0.3 * c;
        tools.append(padsUnderBody(3.0 + reach * std::cos(angle), 2.5 + reach * std::sin(angle), 0.6 + 0.1 * c, 4, 3,
                                   true));
    }
    // The limited run is a process of its own: it hands the carved volume back in a file.
    const auto fileOf = [](qint64 pid) { return QDir::temp().filePath(QStringLiteral("cutrounds-%1").arg(pid)); };
    const auto carve = [&] {
        const Carving::detail::Cut cut = Carving::detail::cutInRounds(part, tools, kFuzzy);
        if (cut.shape.IsNull())
            return 2;
        QFile out(fileOf(getppid()));
        if (!out.open(QIODevice::WriteOnly))
            return 3;
        out.write(QByteArray::number(TestSupport::volumeOf(cut.shape), 'g', 17));
        return 0;
    };
    EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(128ull << 20, carve), ::testing::ExitedWithCode(0), "");
    QFile in(fileOf(getpid()));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const double carved = in.readAll().toDouble();
    in.remove();
    EXPECT_NEAR(carved, oneAfterAnother(part, tools).left, 1e-3);
}

} // namespace
