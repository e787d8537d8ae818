// Work beside the window: a job runs on a helper thread while the caller reports, and Cancel,
// failures, memory shortage and the program's end are met the one way the jobs promise.
#include "foundation/jobs.h"
#include "foundation/occutils.h"

#include "testsupport.h"

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressScope.hxx>
#include <Standard_Failure.hxx>
#include <Standard_OutOfMemory.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Records the reports made on the caller's thread, as a window that paints from them would; asks
// for a break once breakAfter reports were made (never when negative).
class Reports : public Message_ProgressIndicator
{
public:
    explicit Reports(int breakAfter = -1) : m_breakAfter(breakAfter) {}

    Standard_Boolean UserBreak() override
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return m_breakAfter >= 0 && shows >= m_breakAfter;
    }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override
    {
        const std::lock_guard<std::mutex> lock(mutex);
        foreign = foreign || std::this_thread::get_id() != caller;
        ++shows;
        positions.push_back(GetPosition());
        // Past a break the scope's rest is closed at once, as every scope does on its way out.
        const bool broken = m_breakAfter >= 0 && shows > m_breakAfter;
        if (endedUnits && !broken && GetPosition() * totalUnits > *endedUnits + 1e-9)
            ahead = true;
        changed.notify_all();
    }
    // Blocks until the caller has reported n times.
    void awaitShows(int n)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return shows >= n; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    int shows = 0;
    bool foreign = false;
    std::vector<double> positions;
    // What the jobs that ended weigh, against which no report may run ahead.
    const std::atomic<int>* endedUnits = nullptr;
    double totalUnits = 0.0;
    bool ahead = false;
    const std::thread::id caller = std::this_thread::get_id();

private:
    const int m_breakAfter;
};

// A gate a job waits at until the test opens it.
struct Gate
{
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    void pass()
    {
        std::unique_lock<std::mutex> lock(mutex);
        opened.wait(lock, [&] { return open; });
    }
    void release()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        open = true;
        opened.notify_all();
    }
};

enum class Ends { Returns, ThrowsOcct, ThrowsStd, ThrowsBadAlloc, ThrowsOcctShort };

struct OutcomeRow
{
    const char* name;
    Ends ends;
    bool reported;
    Jobs::Outcome outcome;
    const char* error;
};

class JobOutcomes : public ::testing::TestWithParam<OutcomeRow>
{
};

// The job runs beside the caller, who reports meanwhile (the job ends only once it has, three
// times); what the job returned or what ended it comes back.
TEST_P(JobOutcomes, ComeBackToTheCaller)
{
    const OutcomeRow& row = GetParam();
    opencascade::handle<Reports> reports = new Reports;
    std::thread::id jobThread;
    const auto work = [&](const Jobs::Stop&) -> int {
        jobThread = std::this_thread::get_id();
        if (row.reported)
            reports->awaitShows(3);
        switch (row.ends) {
        case Ends::Returns: return 42;
        case Ends::ThrowsOcct: throw Standard_Failure("the writer broke");
        case Ends::ThrowsStd: throw std::runtime_error("the writer broke");
        case Ends::ThrowsBadAlloc: throw std::bad_alloc();
        case Ends::ThrowsOcctShort: throw Standard_OutOfMemory("no room");
        }
        return 0;
    };
    const Jobs::Result<int> result =
        Jobs::run<int>(row.reported ? reports->Start() : Message_ProgressRange(), "test", Jobs::Reads::Shared, work);
    EXPECT_EQ(result.outcome, row.outcome);
    EXPECT_EQ(result.value.has_value(), row.outcome == Jobs::Outcome::Done);
    if (result.value)
        EXPECT_EQ(*result.value, 42);
    EXPECT_TRUE(result.error.contains(QString::fromLatin1(row.error))) << result.error.toStdString();
    EXPECT_NE(jobThread, reports->caller) << "the job runs on a helper thread";
    EXPECT_FALSE(reports->foreign) << "only the caller reports";
}

INSTANTIATE_TEST_SUITE_P(
    Ends, JobOutcomes,
    ::testing::Values(OutcomeRow{"Returns", Ends::Returns, true, Jobs::Outcome::Done, ""},
                      OutcomeRow{"ReturnsUnreported", Ends::Returns, false, Jobs::Outcome::Done, ""},
                      OutcomeRow{"ThrowsOcct", Ends::ThrowsOcct, true, Jobs::Outcome::Failed, "the writer broke"},
                      OutcomeRow{"ThrowsStd", Ends::ThrowsStd, true, Jobs::Outcome::Failed, "the writer broke"},
                      OutcomeRow{"ThrowsBadAlloc", Ends::ThrowsBadAlloc, true, Jobs::Outcome::OutOfMemory, ""},
                      OutcomeRow{"ThrowsOcctShort", Ends::ThrowsOcctShort, true, Jobs::Outcome::OutOfMemory, ""}),
    [](const ::testing::TestParamInfo<OutcomeRow>& info) { return std::string(info.param.name); });

// Inside an operation refused whole on a shortage, a job that ran short makes the wait throw.
TEST(Jobs, ShortageInsideSurviveRefusesTheOperation)
{
    bool reached = false;
    const bool survived = OutOfMemory::survive([&] {
        Jobs::succeeded(Message_ProgressRange(), "test", Jobs::Reads::Shared,
                        [](const Jobs::Stop&) -> bool { throw std::bad_alloc(); });
        reached = true;
    });
    EXPECT_FALSE(survived);
    EXPECT_FALSE(reached);
}

// Cancel: a job that owns what it reads is left to end alone and the caller returns while it
// still runs; one that shares the caller's data is told to stop and waited for. Both see stop.
TEST(Jobs, CancelLeavesOwnedJobsAndWaitsForSharedOnes)
{
    for (const Jobs::Reads reads : {Jobs::Reads::Owned, Jobs::Reads::Shared}) {
        SCOPED_TRACE(reads == Jobs::Reads::Owned ? "owned" : "shared");
        opencascade::handle<Reports> reports = new Reports(2);
        auto gate = std::make_shared<Gate>();
        auto told = std::make_shared<std::atomic<bool>>(false);
        auto ended = std::make_shared<std::atomic<bool>>(false);
        Jobs::Job<int> job("test", reads, [gate, told, ended](const Jobs::Stop& stop) {
            while (!stop.requested())
                std::this_thread::yield();
            *told = true;
            gate->pass();
            *ended = true;
            return 1;
        });
        if (reads == Jobs::Reads::Shared)
            gate->release(); // else the wait below would never end
        const Jobs::Result<int> result = job.wait(reports->Start());
        EXPECT_EQ(result.outcome, Jobs::Outcome::Cancelled);
        EXPECT_FALSE(result.value.has_value());
        EXPECT_EQ(ended->load(), reads == Jobs::Reads::Shared);
        gate->release();
        Jobs::waitForAll();
        EXPECT_TRUE(*told);
        EXPECT_TRUE(*ended);
    }
}

// Left to end alone, a job is told to stop and waited for before the program ends: past main,
// what it touches of OpenCASCADE's statics may be gone. A job never waited for is told too.
TEST(Jobs, JobsStillRunningAreStoppedAndWaitedForAtTheEnd)
{
    auto told = std::make_shared<std::atomic<int>>(0);
    {
        Jobs::Job<int> forgotten("test", Jobs::Reads::Owned, [told](const Jobs::Stop& stop) {
            while (!stop.requested())
                std::this_thread::yield();
            return ++*told;
        });
    }
    Jobs::Job<int> running("test", Jobs::Reads::Owned, [told](const Jobs::Stop& stop) {
        Message_ProgressScope steps(stop.range(), nullptr, 1.0);
        while (steps.More())
            std::this_thread::yield();
        return ++*told;
    });
    Jobs::waitForAll();
    EXPECT_EQ(*told, 2);
}

// Jobs side by side: each runs once, the bar moves from the caller's thread only, by each
// ended job's weight and never ahead of them; a break leaves the jobs not begun undone; a
// failure comes back as the first one, the others running on.
TEST(Jobs, ForEachReportsEachEndedJobFromTheCaller)
{
    const struct
    {
        const char* name;
        int breakAfter;
        int failing;
        Jobs::Outcome outcome;
    } rows[] = {
        {"all", -1, -1, Jobs::Outcome::Done},
        {"break", 4, -1, Jobs::Outcome::Cancelled},
        {"failure", -1, 5, Jobs::Outcome::Failed},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        opencascade::handle<Reports> reports = new Reports(row.breakAfter);
        constexpr size_t kJobs = 64;
        std::vector<std::atomic<int>> runs(kJobs);
        std::atomic<int> ended{0};
        const auto weight = [](size_t k) { return k % 2 == 0 ? 1 : 3; };
        reports->endedUnits = &ended;
        reports->totalUnits = 2.0 * kJobs;
        QString error;
        const Jobs::Outcome outcome = Jobs::forEach(
            reports->Start(), "test", kJobs,
            [&](size_t k, const Jobs::Stop& stop) {
                if (row.breakAfter >= 0 && k >= size_t(row.breakAfter))
                    while (!stop.requested())
                        std::this_thread::yield();
                ++runs[k];
                ended += weight(k);
                if (int(k) == row.failing)
                    throw std::runtime_error("job refused");
            },
            [&](size_t k) { return double(weight(k)); }, &error);
        EXPECT_EQ(outcome, row.outcome);
        EXPECT_FALSE(reports->foreign);
        long once = 0, never = 0;
        for (const auto& r : runs) {
            once += r == 1;
            never += r == 0;
        }
        EXPECT_EQ(once + never, long(kJobs)) << "a job ran twice";
        EXPECT_EQ(never == 0, row.breakAfter < 0);
        if (row.failing >= 0)
            EXPECT_EQ(error, QStringLiteral("job refused"));
        EXPECT_FALSE(reports->ahead) << "the bar ran ahead of the jobs ended";
        if (row.breakAfter < 0)
            EXPECT_NEAR(reports->positions.back(), 1.0, 1e-9);
    }
}

// Freeing what a design left runs beside the caller; at the end it is done.
TEST(Jobs, ReleaseFreesBesideTheCaller)
{
    // Built in place: a temporary copy would be destroyed here, on the caller's thread.
    struct Tracked
    {
        explicit Tracked(std::thread::id* where) : freedOn(where) {}
        std::thread::id* freedOn;
        ~Tracked() { *freedOn = std::this_thread::get_id(); }
    };
    std::thread::id freedOn;
    Jobs::release(std::make_shared<Tracked>(&freedOn));
    Jobs::waitForAll();
    EXPECT_NE(freedOn, std::thread::id());
    EXPECT_NE(freedOn, std::this_thread::get_id());
}

// With no room for a helper thread's stack, the job runs on the caller's thread and its outcome
// still comes back, instead of the program ending (in a fresh process).
TEST(JobsShort, NoThreadToBeHadRunsTheJobHere)
{
#ifdef VTQ_ASAN
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const Jobs::Reads reads : {Jobs::Reads::Owned, Jobs::Reads::Shared}) {
        const auto run = [reads] {
            opencascade::handle<Reports> reports = new Reports;
            std::thread::id jobThread;
            const bool result = Jobs::succeeded(reports->Start(), "test", reads, [&](const Jobs::Stop&) {
                jobThread = std::this_thread::get_id();
                return true;
            });
            if (!result)
                return 1;
            return jobThread == reports->caller ? 0 : 2; // 2: a thread was had after all
        };
        EXPECT_EXIT(TestSupport::exitUnderAddressSpaceLimit(1ull << 20, run), ::testing::ExitedWithCode(0), "");
    }
}

#if defined(__GLIBC__) && !defined(VTQ_ASAN)
std::atomic<int> trims{0}, trimsOnCaller{0};
std::thread::id trimCaller;
#endif

} // namespace

#if defined(__GLIBC__) && !defined(VTQ_ASAN)
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
TEST(JobsShort, MemoryIsGivenBackBesideTheCaller)
{
    opencascade::handle<Reports> reports = new Reports;
    trimCaller = std::this_thread::get_id();
    trims = trimsOnCaller = 0;
    EXPECT_TRUE(Jobs::succeeded(reports->Start(), "test", Jobs::Reads::Shared, [](const Jobs::Stop&) { return true; },
                                true));
    EXPECT_EQ(trims, 1);
    EXPECT_EQ(trimsOnCaller, 0);
}
#endif
