#include "foundation/faulttrap.h"

#include <OSD_SIGSEGV.hxx>
#include <Standard_ErrorHandler.hxx>

#include <csetjmp>
#include <csignal>
#include <vector>

namespace {

thread_local int t_depth = 0;
thread_local int t_faults = 0;
// A stack overflow faults with no stack left to run the handler on: it gets one of its own.
constexpr std::size_t kAltStackBytes = 128 * 1024;
thread_local std::vector<char> t_altStack;
struct sigaction g_previousSegv;
struct sigaction g_previousBus;

void onFault(int signal, siginfo_t*, void*)
{
    if (t_depth == 0) {
        // Another thread: give the fault back to whoever handled it before.
        sigaction(SIGSEGV, &g_previousSegv, nullptr);
        sigaction(SIGBUS, &g_previousBus, nullptr);
        return;
    }
    // The handler leaves by a long jump, so the signal must not stay blocked.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ++t_faults;
    OSD_SIGSEGV::NewInstance(signal == SIGBUS ? "bus error" : "memory access fault")->Jump();
}

// What OCC_CATCH_SIGNALS expands to when signals are converted, written out so that it does
// not depend on how this file was compiled. Kept in its own frame for setjmp's sake.
void runWithHandler(const std::function<void()>& fn)
{
    Standard_ErrorHandler handler;
    if (setjmp(handler.Label())) {
        handler.Catches(STANDARD_TYPE(Standard_Failure));
        handler.Error()->Reraise();
    }
    fn();
}

} // namespace

namespace FaultTrap {

bool run(const std::function<void()>& fn)
{
    if (t_depth == 0) {
        stack_t current = {};
        if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE)) {
            t_altStack.resize(kAltStackBytes);
            stack_t own = {};
            own.ss_sp = t_altStack.data();
            own.ss_size = t_altStack.size();
            sigaltstack(&own, nullptr);
        }
        struct sigaction action = {};
        action.sa_sigaction = onFault;
        action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(SIGSEGV, &action, &g_previousSegv);
        sigaction(SIGBUS, &action, &g_previousBus);
    }
    ++t_depth;
    const int faultsBefore = t_faults;
    struct Restore
    {
        ~Restore()
        {
            if (--t_depth == 0) {
                sigaction(SIGSEGV, &g_previousSegv, nullptr);
                sigaction(SIGBUS, &g_previousBus, nullptr);
            }
        }
    } restore;
    try {
        runWithHandler(fn);
    } catch (const OSD_SIGSEGV&) {
        // Counted below.
    }
    return t_faults == faultsBefore;
}

} // namespace FaultTrap
