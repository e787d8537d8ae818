#include "foundation/faulttrap.h"

#include <Standard_ErrorHandler.hxx>

#include <pthread.h>

#include <alloca.h>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>
#include <type_traits>
#include <vector>

namespace {

// What the handler touches: plain thread-local data, set up before the work starts. The
// handler takes no lock and allocates nothing: a fault may come while this thread holds a lock
// (the allocator's, in the middle of an allocation), and waiting on it would never end.
struct ThreadTrap
{
    sigjmp_buf* landing = nullptr; // the innermost run's
    int depth = 0;
    int faults = 0;
};
thread_local ThreadTrap t_trap;

// A stack overflow faults with no stack left to run the handler on: it gets one of its own.
constexpr std::size_t kAltStackBytes = 128 * 1024;
thread_local std::vector<char> t_altStack;

// The frames a fault abandons lie below this much room, which the clean-up after the landing
// uses without touching them.
constexpr std::size_t kCushionBytes = 64 * 1024;

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
    ThreadTrap& trap = t_trap;
    if (trap.depth == 0 || !trap.landing) {
        forwardFault(signal, info, context);
        return;
    }
    ++trap.faults;
    siglongjmp(*trap.landing, 1); // restores the signal mask saved at the landing
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

// OpenCASCADE keeps its handlers (one per OCC_CATCH_SIGNALS) in a list that runs through the
// frames that made them, newest first; the handler's link to the one before is its first member.
static_assert(std::is_standard_layout_v<Standard_ErrorHandler>);
Standard_ErrorHandler* previousOf(const Standard_ErrorHandler* handler)
{
    Standard_ErrorHandler* previous = nullptr;
    std::memcpy(&previous, handler, sizeof previous);
    return previous;
}

// After the long jump, the handlers of the abandoned frames stay in that list, and later
// walks of it (on any thread) would read the frames that reuse their place. They are taken
// out while their frames are still intact: those of this thread's stack between its low end
// and the cushion.
void unlinkAbandonedHandlers(const char* cushion)
{
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0)
        return;
    void* low = nullptr;
    std::size_t size = 0;
    pthread_attr_getstack(&attributes, &low, &size);
    pthread_attr_destroy(&attributes);
    const char* const stackLow = static_cast<const char*>(low);
    for (;;) {
        Standard_ErrorHandler* abandoned = nullptr;
        {
            const Standard_ErrorHandler probe; // stands on top of the list while it is walked
            for (Standard_ErrorHandler* h = previousOf(&probe); h; h = previousOf(h)) {
                const char* const at = reinterpret_cast<const char*>(h);
                if (at >= stackLow && at < cushion) {
                    abandoned = h;
                    break;
                }
            }
        }
        if (!abandoned)
            return;
        abandoned->Unlink(); // also runs the clean-ups registered with it (held OCC mutexes)
    }
}

// The work, below the cushion.
__attribute__((noinline)) void runBelowCushion(const std::function<void()>& fn, const char* volatile* cushion)
{
    volatile char* const room = static_cast<volatile char*>(alloca(kCushionBytes));
    room[0] = 0;
    *cushion = const_cast<const char*>(room);
    fn();
}

// Lands here after a fault; the frames below are abandoned, their destructors never run.
__attribute__((noinline)) void runLanding(const std::function<void()>& fn)
{
    sigjmp_buf landing;
    sigjmp_buf* const outer = t_trap.landing;
    const char* volatile cushion = nullptr;
    if (sigsetjmp(landing, 1) == 0) {
        t_trap.landing = &landing;
        try {
            runBelowCushion(fn, &cushion);
        } catch (...) {
            t_trap.landing = outer;
            throw;
        }
        t_trap.landing = outer;
        return;
    }
    t_trap.landing = outer;
    if (cushion)
        unlinkAbandonedHandlers(cushion);
}

} // namespace

namespace FaultTrap {

bool run(const std::function<void()>& fn)
{
    if (t_trap.depth == 0)
        enterTrap();
    ++t_trap.depth;
    const int faultsBefore = t_trap.faults;
    struct Restore
    {
        ~Restore()
        {
            if (--t_trap.depth == 0)
                leaveTrap();
        }
    } restore;
    runLanding(fn);
    return t_trap.faults == faultsBefore;
}

} // namespace FaultTrap
