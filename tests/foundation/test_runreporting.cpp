// OpenCASCADE work that reports too seldom runs on a helper thread while the calling thread
// keeps reporting, and its outcome comes back as the job gave it.
#include "foundation/occutils.h"

#include "gldriver.h"
#include "testsupport.h"

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <Standard_Failure.hxx>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Counts the reports made on the thread that started the operation, as a window that paints
// from them would.
class CallerReports : public Message_ProgressIndicator
{
public:
    std::atomic<int> shown{0};
    const std::thread::id caller = std::this_thread::get_id();

protected:
    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        if (std::this_thread::get_id() == caller)
            ++shown;
    }
};

enum class Outcome { Succeeds, Fails, ThrowsOcct, ThrowsStd };

struct Row
{
    const char* name;
    Outcome outcome;
    bool reported; // a progress to report to
    bool expected;
};

class RunReporting : public ::testing::TestWithParam<Row>
{
};

// With a progress, the job waits until the caller has reported a few times: only a job on
// another thread can see that, and only a caller that keeps reporting lets it.
TEST_P(RunReporting, JobRunsBesideTheReportsAndItsOutcomeComesBack)
{
    const Row& row = GetParam();
    opencascade::handle<CallerReports> indicator = new CallerReports;
    std::thread::id jobThread;
    bool reportsWhileWorking = false;
    const auto job = [&] {
        jobThread = std::this_thread::get_id();
        // Only a guard against hanging when the caller never reports: a busy machine gets all the time.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (row.reported && indicator->shown < 3 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        reportsWhileWorking = indicator->shown >= 3;
        switch (row.outcome) {
        case Outcome::Succeeds: return true;
        case Outcome::Fails: return false;
        case Outcome::ThrowsOcct: throw Standard_Failure("the writer broke");
        case Outcome::ThrowsStd: throw std::runtime_error("the writer broke");
        }
        return true;
    };
    const bool result = row.reported ? OccUtils::runReporting(indicator->Start(), "test", job)
                                     : OccUtils::runReporting(Message_ProgressRange(), "test", job);
    EXPECT_EQ(result, row.expected);
    if (row.reported) {
        EXPECT_NE(jobThread, indicator->caller) << "the job runs on a helper thread";
        EXPECT_TRUE(reportsWhileWorking) << "the caller reports while the job works";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, RunReporting,
    ::testing::Values(Row{"Succeeds", Outcome::Succeeds, true, true}, Row{"Fails", Outcome::Fails, true, false},
                      Row{"ThrowsOcct", Outcome::ThrowsOcct, true, false},
                      Row{"ThrowsStd", Outcome::ThrowsStd, true, false},
                      Row{"SucceedsUnreported", Outcome::Succeeds, false, true},
                      Row{"FailsUnreported", Outcome::Fails, false, false}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// With no room for a helper thread's stack, the job runs on the caller's thread and its outcome
// still comes back, instead of the program ending (in a fresh process, see
// exitUnderAddressSpaceLimit).
TEST(RunReportingShort, NoThreadToBeHadRunsTheJobHere)
{
#ifdef VTQ_ASAN
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Both ways of running a job beside the window's thread.
    for (const bool cancellable : {false, true}) {
        SCOPED_TRACE(cancellable ? "runUnlessCancelled" : "runReporting");
        const auto run = [cancellable] {
            opencascade::handle<CallerReports> indicator = new CallerReports;
            std::thread::id jobThread;
            const bool result =
                cancellable ? OccUtils::runUnlessCancelled(indicator->Start(), "test",
                                                           [&](const std::atomic<bool>&) {
                                                               jobThread = std::this_thread::get_id();
                                                           })
                            : OccUtils::runReporting(indicator->Start(), "test", [&] {
                                  jobThread = std::this_thread::get_id();
                                  return true;
                              });
            if (!result)
                return 1;
            return jobThread == indicator->caller ? 0 : 2; // 2: a thread was had after all
        };
        EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(1ull << 20, run), ::testing::ExitedWithCode(0), "");
    }
}

} // namespace

namespace {

class Breaking : public Message_ProgressIndicator
{
public:
    Standard_Boolean UserBreak() override { return Standard_True; }

protected:
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}
};

} // namespace

// A job left to end alone after a Cancel is waited for before the program ends: past main,
// what it touches of OpenCASCADE's statics may be gone.
TEST(RunUnlessCancelled, AbandonedJobIsWaitedForBeforeTheEnd)
{
    opencascade::handle<Breaking> indicator = new Breaking;
    auto released = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto told = std::make_shared<std::atomic<bool>>(false);
    const bool ran =
        OccUtils::runUnlessCancelled(indicator->Start(), "test", [released, ended, told](const std::atomic<bool>& stop) {
            while (!*released)
                std::this_thread::yield();
            *told = bool(stop);
            *ended = true;
        });
    EXPECT_FALSE(ran);
    EXPECT_FALSE(*ended);
    *released = true;
    OccUtils::waitForAbandonedJobs();
    EXPECT_TRUE(*ended);
    EXPECT_TRUE(*told);
}

#if defined(__GLIBC__) && !defined(VTQ_ASAN)
namespace {
std::atomic<int> trims{0}, trimsOnCaller{0};
std::thread::id trimCaller;
} // namespace

// Stands for the C library's trim in this program: counts where it is called.
extern "C" int malloc_trim(size_t) noexcept
{
    ++trims;
    if (std::this_thread::get_id() == trimCaller)
        ++trimsOnCaller;
    return 0;
}

// Giving back what a job freed takes half a second after a big part: never on the thread that
// reports, where the window would stand still meanwhile.
TEST(RunReportingShort, MemoryIsGivenBackBesideTheCaller)
{
    opencascade::handle<CallerReports> indicator = new CallerReports;
    trimCaller = std::this_thread::get_id();
    trims = trimsOnCaller = 0;
    EXPECT_TRUE(OccUtils::runReporting(indicator->Start(), "test", [] { return true; }));
    EXPECT_EQ(trims, 1);
    EXPECT_EQ(trimsOnCaller, 0);
}
#endif
