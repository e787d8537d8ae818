#include "childprocess.h"

#include "foundation/faulttrap.h"

#include <Standard_DomainError.hxx>
#include <Standard_ErrorHandler.hxx>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <csetjmp>
#include <csignal>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace {

void (*currentSegvHandler())(int)
{
    struct sigaction action = {};
    sigaction(SIGSEGV, nullptr, &action);
    return action.sa_handler;
}

} // namespace

TEST(FaultTrap, FaultsBecomeFailuresAndTheHandlerIsRestored)
{
    const auto before = currentSegvHandler();
    struct Case { const char* name; int signal; };
    for (const Case& c : {Case{"segv", SIGSEGV}, Case{"bus", SIGBUS}, Case{"segv-again", SIGSEGV}}) {
        SCOPED_TRACE(c.name);
        bool after = false;
        EXPECT_FALSE(FaultTrap::run([&]() {
            std::raise(c.signal);
            after = true;
        }));
        EXPECT_FALSE(after) << "the code after the fault must not run";
        EXPECT_EQ(currentSegvHandler(), before);
    }
    EXPECT_TRUE(FaultTrap::run([] {}));
}

namespace {

volatile int g_recursionLimit = 1 << 30;

// One level of OpenCASCADE's signal handling as its algorithms hold it (OCC_CATCH_SIGNALS).
int recurseWithHandlers(int depth);
int guardedLevel(int depth)
{
    Standard_ErrorHandler handler;
    if (setjmp(handler.Label())) {
        handler.Catches(STANDARD_TYPE(Standard_Failure));
        handler.Error()->Reraise();
    }
    return recurseWithHandlers(depth + 1);
}

// Recurses until the stack runs out (the limit only keeps the compiler from seeing that).
int recurseWithHandlers(int depth)
{
    volatile char frame[512];
    frame[0] = char(depth);
    if (depth >= g_recursionLimit)
        return frame[0];
    return (depth % 64 == 0 ? guardedLevel(depth) : recurseWithHandlers(depth + 1)) + frame[0];
}

// Allocations made on the signal stack, that is by the fault handler: a fault inside the
// allocator holds its lock, and the handler waiting on it would never return.
std::atomic<int> g_handlerAllocations{0};
thread_local bool t_watchAllocations = false;
// The sanitizers bring an allocator of their own.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VTQ_OWN_ALLOCATOR 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(VTQ_OWN_ALLOCATOR)
#define VTQ_WATCH_ALLOCATIONS 1
} // namespace
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
namespace {
void noteAllocation()
{
    stack_t current = {};
    if (t_watchAllocations && sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_ONSTACK))
        ++g_handlerAllocations;
}
} // namespace
extern "C" void* malloc(size_t n)
{
    noteAllocation();
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t count, size_t n)
{
    noteAllocation();
    return __libc_calloc(count, n);
}
namespace {
#endif

} // namespace

// A stack overflow leaves no stack for the handler: it runs on one of its own, allocates
// nothing, and leaves none of OpenCASCADE's handlers of the abandoned frames behind. Twice on
// helper threads (as the import runs), then the trap and OpenCASCADE's exceptions still work.
TEST(FaultTrap, StackOverflowOnAHelperThreadIsTrapped)
{
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        bool clean = true;
        bool handlerLeft = true;
        g_handlerAllocations = 0;
        std::thread helper([&] {
            t_watchAllocations = true;
            clean = FaultTrap::run([] { recurseWithHandlers(0); });
            t_watchAllocations = false;
            handlerLeft = Standard_ErrorHandler::IsInTryBlock();
        });
        helper.join();
        EXPECT_FALSE(clean);
        EXPECT_FALSE(handlerLeft) << "a handler of the abandoned frames is still listed";
#ifdef VTQ_WATCH_ALLOCATIONS
        EXPECT_EQ(g_handlerAllocations, 0) << "the fault handler allocated";
#endif
    }
    EXPECT_TRUE(FaultTrap::run([] {})) << "the trap still works afterwards";
    EXPECT_THROW(FaultTrap::run([] { throw Standard_DomainError("bad"); }), Standard_DomainError);
}

TEST(FaultTrap, NestedFaultIsSeenByTheOuterRunToo)
{
    bool inner = true;
    bool outerGoesOn = false;
    const bool outer = FaultTrap::run([&]() {
        inner = FaultTrap::run([] { std::raise(SIGSEGV); });
        outerGoesOn = true;
    });
    EXPECT_FALSE(inner);
    EXPECT_TRUE(outerGoesOn);
    EXPECT_FALSE(outer) << "what the outer code built around the fault is not to be trusted";
}

TEST(FaultTrap, ExceptionsPassThrough)
{
    EXPECT_THROW(FaultTrap::run([] { throw Standard_DomainError("bad"); }), Standard_DomainError);
    EXPECT_THROW(FaultTrap::run([] { throw std::runtime_error("bad"); }), std::runtime_error);
    EXPECT_TRUE(FaultTrap::run([] {})) << "an exception leaves no handler behind";
}

namespace {

volatile int* volatile g_nowhere = nullptr;

void fault()
{
    *g_nowhere = 1;
}

// Two runs on two threads that overlap without nesting: A enters, B enters, A leaves, B
// leaves. Each faults while the other is inside as well.
void overlapOnTwoThreads(bool& aTrapped, bool& bTrapped)
{
    std::promise<void> aInside, bInside, aLeft;
    std::shared_future<void> bIn = bInside.get_future().share();
    std::shared_future<void> aOut = aLeft.get_future().share();
    std::thread a([&] {
        aTrapped = !FaultTrap::run([&] {
            aInside.set_value();
            bIn.wait();
            std::raise(SIGSEGV);
        });
        aLeft.set_value();
    });
    aInside.get_future().wait();
    std::thread b([&] {
        bTrapped = !FaultTrap::run([&] {
            bInside.set_value();
            aOut.wait();
            std::raise(SIGSEGV);
        });
    });
    a.join();
    b.join();
}

} // namespace

TEST(FaultTrap, OverlappingRunsOnThreadsRestoreTheHandler)
{
    const auto before = currentSegvHandler();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        bool aTrapped = false;
        bool bTrapped = false;
        overlapOnTwoThreads(aTrapped, bTrapped);
        EXPECT_TRUE(aTrapped);
        EXPECT_TRUE(bTrapped);
        EXPECT_EQ(currentSegvHandler(), before) << "the trap's handler must not outlive its last user";
    }
}

// A genuine fault outside the trap ends the program as it would without the trap. With the
// trap's handler left behind by overlapping runs, it was handed back to that very handler
// and repeated for ever.
TEST(FaultTrap, AGenuineFaultOutsideTheTrapEndsTheProgram)
{
    if (TestSupport::kUnderSanitizer)
        GTEST_SKIP() << "the sanitizer would report the deliberate fault as an error";
    struct Case { const char* name; std::function<void()> before; };
    const Case cases[] = {
        {"after overlapping runs on two threads", [] {
             bool aTrapped = false;
             bool bTrapped = false;
             overlapOnTwoThreads(aTrapped, bTrapped);
         }},
        {"while another thread is inside the trap", [] {
             auto inside = std::make_shared<std::promise<void>>();
             auto never = std::make_shared<std::promise<void>>();
             std::thread([inside, never] {
                 FaultTrap::run([&] {
                     inside->set_value();
                     never->get_future().wait();
                 });
             }).detach();
             inside->get_future().wait();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestSupport::ChildOutcome outcome = TestSupport::runInChild(
            [&] {
                c.before();
                fault();
                return 0;
            });
        EXPECT_EQ(outcome.signal, SIGSEGV) << outcome.describe();
    }
}

// Each fault keeps what the abandoned frames allocated. What the caller keeps aside and gives
// back in release is not counted against the process; what stays is, and past the bound no
// trapped work starts: it is refused as a shortage of memory, never run to fault again.
TEST(FaultTrap, MemoryKeptByFaultsIsCountedAndBounded)
{
    if (TestSupport::kUnderSanitizer)
        GTEST_SKIP() << "the sanitizers' allocator keeps its own books: the C library's counts do not see it";
    constexpr std::size_t kBlock = 64u << 20;
    constexpr int kFaultsPastTheBound = int(FaultTrap::kStrandedLimit / kBlock) + 2;
    struct Case { const char* name; bool released; };
    for (const Case& c : {Case{"given back", true}, Case{"kept by the abandoned frames", false}}) {
        SCOPED_TRACE(c.name);
        const TestSupport::ChildOutcome outcome = TestSupport::runInChild([&] {
            int refusedAt = 0;
            for (int fault = 1; fault <= kFaultsPastTheBound && !refusedAt; ++fault) {
                void* block = nullptr;
                try {
                    FaultTrap::run(
                        [&] {
                            // Left untouched: address space, no resident memory.
                            block = std::malloc(kBlock);
                            std::raise(SIGSEGV);
                        },
                        [&] {
                            if (c.released)
                                std::free(block);
                        });
                } catch (const std::bad_alloc&) {
                    refusedAt = fault;
                }
            }
            const long long stranded = FaultTrap::strandedBytes();
            if (c.released)
                return refusedAt == 0 && stranded < (long long)kBlock ? 0 : 1;
            // Refused once the kept blocks passed the bound, not before.
            const bool counted = stranded >= (long long)kBlock * (refusedAt - 1);
            return refusedAt > 1 && (long long)kBlock * (refusedAt - 2) <= FaultTrap::kStrandedLimit && counted ? 0 : 2;
        });
        EXPECT_TRUE(outcome.succeeded()) << outcome.describe();
    }
}

namespace {

// Pushes and pops OpenCASCADE handlers for ever, and spoils the place they stood as soon as
// they are gone: a walk of the handler list that reads another thread's handler without the
// list's lock follows a spoilt link.
__attribute__((noinline)) void holdHandlers(int depth)
{
    Standard_ErrorHandler handler;
    if (depth > 0)
        holdHandlers(depth - 1);
}

__attribute__((noinline)) void spoilStack()
{
    volatile std::uintptr_t words[4096];
    for (auto& word : words)
        word = std::uintptr_t(0x10);
}

void churnHandlers(const std::atomic<bool>& stop)
{
    while (!stop) {
        holdHandlers(32);
        spoilStack();
    }
}

} // namespace

// Faults that abandon many handlers while other threads push and pop their own: only this
// thread's are taken out, and the list every thread shares stays whole.
TEST(FaultTrap, AbandonedHandlersGoWhileOtherThreadsUseTheList)
{
    const TestSupport::ChildOutcome outcome = TestSupport::runInChild(
        [] {
            std::atomic<bool> stop{false};
            std::vector<std::thread> others;
            for (int i = 0; i < 3; ++i)
                others.emplace_back(churnHandlers, std::cref(stop));
            bool allTrapped = true;
            for (int run = 0; run < 12; ++run) {
                std::thread helper([&] { allTrapped = !FaultTrap::run([] { recurseWithHandlers(0); }) && allTrapped; });
                helper.join();
            }
            stop = true;
            for (std::thread& other : others)
                other.join();
            return allTrapped && !Standard_ErrorHandler::IsInTryBlock() ? 0 : 1;
        });
    EXPECT_TRUE(outcome.succeeded()) << outcome.describe();
}

namespace {

// OpenCASCADE handlers held in nested frames until told to let go.
__attribute__((noinline)) void holdHandlersUntil(int depth, const std::function<void()>& whileHeld)
{
    Standard_ErrorHandler handler;
    if (depth > 1)
        holdHandlersUntil(depth - 1, whileHeld);
    else
        whileHeld();
}

} // namespace

// A fault on one thread while another holds handlers of its own in live frames, step by step
// (no timing): the faulting thread's abandoned handlers go, and so does nothing else: neither
// the other thread's nor the ones this thread holds around the trapped run.
TEST(FaultTrap, OnlyTheFaultingRunsHandlersAreUnlinked)
{
    std::promise<void> otherHolds, faultDone;
    std::shared_future<void> done = faultDone.get_future().share();
    bool otherListedAfter = false;
    bool otherEmptyAtEnd = false;
    std::thread other([&] {
        holdHandlersUntil(3, [&] {
            otherHolds.set_value();
            done.wait();
            otherListedAfter = Standard_ErrorHandler::IsInTryBlock();
        });
        otherEmptyAtEnd = !Standard_ErrorHandler::IsInTryBlock();
    });
    otherHolds.get_future().wait();

    bool trapped = false;
    bool outerListedAfter = false;
    bool innerLeft = true;
    std::thread faulting([&] {
        holdHandlersUntil(2, [&] {
            trapped = !FaultTrap::run([] { holdHandlersUntil(4, [] { std::raise(SIGSEGV); }); });
            outerListedAfter = Standard_ErrorHandler::IsInTryBlock();
        });
        innerLeft = Standard_ErrorHandler::IsInTryBlock();
    });
    faulting.join();
    faultDone.set_value();
    other.join();

    EXPECT_TRUE(trapped);
    EXPECT_TRUE(outerListedAfter) << "a handler held around the trapped run was taken out";
    EXPECT_FALSE(innerLeft) << "a handler of the abandoned frames is still listed";
    EXPECT_TRUE(otherListedAfter) << "another thread's handler was taken out";
    EXPECT_TRUE(otherEmptyAtEnd) << "the other thread's handlers did not leave the list as they went";
    EXPECT_FALSE(Standard_ErrorHandler::IsInTryBlock());
}
