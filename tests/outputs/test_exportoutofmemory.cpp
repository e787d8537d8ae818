// The STEP and 3MF exports with allocations of 64 KB or more refused, one alone or every one from
// then on (memory short for good), from points spread over all those an export makes: each export
// ends whole, as one with memory enough, or refused with a message that names memory and the
// previous file left as it was; never in the end of the program. The next export, with memory
// enough, is whole.
#include "allocationfailure.h"
#include "designfixture.h"

#include "outputs/printplan.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include <unistd.h>

namespace {

constexpr std::size_t kLarge = std::size_t(64) << 10;

struct Outcome
{
    bool ok = false;
    QString error;
    int cavities = 0, named = 0, triangles = 0;
};

Outcome exportOnce(bool step, const DesignFixture::Design& design, const QString& path)
{
    Outcome outcome;
    if (step) {
        const StepExportSummary summary = StepExporter::exportStep(path, design.input(), ExportOptions());
        outcome = {summary.success, summary.error, summary.cavitiesOk, summary.cavitiesFailed, 0};
    } else {
        const ThreeMfExportSummary summary =
            ThreeMfExporter().exportThreeMf(path, design.input(), PrintPlan(), ExportOptions());
        outcome = {summary.ok, summary.error, summary.cavitiesOk, summary.cavitiesFailed, summary.triangleCount};
    }
    return outcome;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ExportOutOfMemory, EveryPointEndsWholeOrRefusedNamingMemory)
{
    if (!AllocationFailure::available())
        GTEST_SKIP() << "the sanitizers bring an allocator of their own";
    QString reason;
    const DesignFixture::Design design = DesignFixture::footprintGrid(2, 2, 1.0, 0.8, &reason);
    if (design.part.IsNull())
        GTEST_SKIP() << reason.toStdString();
    QTemporaryDir dir;
    for (const bool step : {true, false}) {
        SCOPED_TRACE(step ? "STEP" : "3MF");
        const QString path = dir.filePath(step ? QStringLiteral("board.step") : QStringLiteral("board.3mf"));
        AllocationFailure::arm(0, kLarge);
        const Outcome whole = exportOnce(step, design, path);
        const long large = AllocationFailure::disarm();
        ASSERT_TRUE(whole.ok) << whole.error.toStdString();
        ASSERT_GT(large, 10);
        std::set<long> points{1, 2, 3, 5, 8};
        for (int k = 1; k <= 12; ++k)
            points.insert(std::max(1L, large * k / 12));
        for (const bool lasting : {false, true})
        for (const long point : points) {
            SCOPED_TRACE(testing::Message() << (lasting ? "short from " : "one refused at ") << point);
            {
                QFile previous(path);
                ASSERT_TRUE(previous.open(QIODevice::WriteOnly | QIODevice::Truncate));
                previous.write("previous export");
            }
            AllocationFailure::arm(point, kLarge, lasting);
            const Outcome outcome = exportOnce(step, design, path);
            AllocationFailure::disarm();
            if (outcome.ok) {
                EXPECT_EQ(outcome.cavities, whole.cavities);
                EXPECT_EQ(outcome.named, whole.named);
                EXPECT_EQ(outcome.triangles, whole.triangles);
                continue;
            }
            EXPECT_TRUE(outcome.error.contains(QStringLiteral("memory"))) << outcome.error.toStdString();
            EXPECT_EQ(contentOf(path), QByteArray("previous export"));
        }
        // Memory enough again: the export is whole.
        const Outcome after = exportOnce(step, design, path);
        EXPECT_TRUE(after.ok) << after.error.toStdString();
        EXPECT_EQ(after.cavities, whole.cavities);
    }
}

} // namespace
