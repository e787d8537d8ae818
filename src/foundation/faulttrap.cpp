#include "foundation/faulttrap.h"

#include <OSD_SIGSEGV.hxx>
#include <Standard_ErrorHandler.hxx>

#include <csetjmp>
#include <csignal>
#include <mutex>
#include <vector>

namespace {

thread_local int t_depth = 0;
thread_local int t_faults = 0;
// A stack overflow faults with no stack left to run the handler on: it gets one of its own.
constexpr std::size_t kAltStackBytes = 128 * 1024;
thread_local std::vector<char> t_altStack;

// The handler is process-wide while the trap is per thread: it is installed by the first
// thread to enter and the previous one restored by the last to leave, whatever the order.
std::mutex g_usersLock;
int g_users = 0;
struct sigaction g_previousSegv;
struct sigaction g_previousBus;

// A fault on a thread outside the trap goes where it would have gone without it.
void forwardFault(int signal, siginfo_t* info, void* context)
{
    const struct sigaction& previous = signal == SIGBUS ? g_previousBus : g_previousSegv;
    if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
        previous.sa_sigaction(signal, info, context);
        return;
    }
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        return;
    }
    // The default action, at once: the handler runs with SA_NODEFER, so the signal is not blocked.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void onFault(int signal, siginfo_t* info, void* context)
{
    if (t_depth == 0) {
        forwardFault(signal, info, context);
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

void enterTrap()
{
    stack_t current = {};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE)) {
        t_altStack.resize(kAltStackBytes);
        stack_t own = {};
        own.ss_sp = t_altStack.data();
        own.ss_size = t_altStack.size();
        sigaltstack(&own, nullptr);
    }
    const std::lock_guard<std::mutex> lock(g_usersLock);
    if (g_users++ > 0)
        return;
    struct sigaction action = {};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &g_previousSegv);
    sigaction(SIGBUS, &action, &g_previousBus);
}

void leaveTrap()
{
    const std::lock_guard<std::mutex> lock(g_usersLock);
    if (--g_users > 0)
        return;
    sigaction(SIGSEGV, &g_previousSegv, nullptr);
    sigaction(SIGBUS, &g_previousBus, nullptr);
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
    if (t_depth == 0)
        enterTrap();
    ++t_depth;
    const int faultsBefore = t_faults;
    struct Restore
    {
        ~Restore()
        {
            if (--t_depth == 0)
                leaveTrap();
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
