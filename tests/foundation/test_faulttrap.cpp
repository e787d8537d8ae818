#include "childprocess.h"

#include "foundation/faulttrap.h"

#include <Standard_DomainError.hxx>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <future>
#include <memory>
#include <thread>

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

// Recurses until the stack runs out (the limit only keeps the compiler from seeing that).
int recurse(int depth)
{
    volatile char frame[512];
    frame[0] = char(depth);
    if (depth >= g_recursionLimit)
        return frame[0];
    return recurse(depth + 1) + frame[0];
}

} // namespace

// A stack overflow leaves no stack for the handler: it must run on one of its own.
TEST(FaultTrap, StackOverflowIsTrappedToo)
{
    int result = 0;
    EXPECT_FALSE(FaultTrap::run([&] { result = recurse(0); }));
    EXPECT_TRUE(FaultTrap::run([] {})) << "the trap still works afterwards";
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
            },
            20);
        EXPECT_EQ(outcome.signal, SIGSEGV) << outcome.describe();
    }
}
