#include "foundation/faulttrap.h"

#include <Standard_DomainError.hxx>

#include <gtest/gtest.h>

#include <csignal>

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
