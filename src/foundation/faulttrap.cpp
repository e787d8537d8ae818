#include "foundation/faulttrap.h"

#include <OSD_Thread.hxx>
#include <Standard_ErrorHandler.hxx>

#include <pthread.h>
#include <ucontext.h>

#include <alloca.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <mutex>
#include <new>
#include <type_traits>

namespace {

// What the handler touches: plain thread-local data, set up before the work starts. The
// handler takes no lock and allocates nothing: a fault may come while this thread holds a lock
// (the allocator's, in the middle of an allocation), and waiting on it would never end.
struct ThreadTrap
{
    sigjmp_buf* landing = nullptr; // the innermost run's
    int depth = 0;
    int faults = 0;
    const char* faultStack = nullptr; // the stack pointer at the last fault, where known
};
thread_local ThreadTrap t_trap;

// A stack overflow faults with no stack left to run the handler on: it gets one of its own.
constexpr std::size_t kAltStackBytes = 128 * 1024;
// Each thread's is freed when the thread ends, through a key rather than a thread_local object
// with a destructor: registering such an object allocates, and glibc ends the program when that
// fails.
pthread_key_t altStackKey()
{
    static const pthread_key_t key = [] {
        pthread_key_t made;
        if (pthread_key_create(&made, [](void* stack) { std::free(stack); }) != 0)
            throw std::bad_alloc();
        return made;
    }();
    return key;
}

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

const char* faultStackPointer(void* context)
{
    const auto* machine = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return reinterpret_cast<const char*>(machine->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
    return reinterpret_cast<const char*>(machine->uc_mcontext.sp);
#else
    (void)machine;
    return nullptr;
#endif
}

void onFault(int signal, siginfo_t* info, void* context)
{
    ThreadTrap& trap = t_trap;
    if (trap.depth == 0 || !trap.landing) {
        forwardFault(signal, info, context);
        return;
    }
    ++trap.faults;
    trap.faultStack = faultStackPointer(context);
    siglongjmp(*trap.landing, 1); // restores the signal mask saved at the landing
}

void enterTrap()
{
    stack_t current = {};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE)) {
        void* const stack = std::malloc(kAltStackBytes);
        if (!stack)
            throw std::bad_alloc();
        if (pthread_setspecific(altStackKey(), stack) != 0) {
            std::free(stack);
            throw std::bad_alloc();
        }
        stack_t own = {};
        own.ss_sp = stack;
        own.ss_size = kAltStackBytes;
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

// OpenCASCADE keeps its handlers (one per OCC_CATCH_SIGNALS) in one process-wide list, under a
// lock of its own that nothing outside reaches, which every thread pushes to and pops from. The
// list is never walked here: a handler of another thread may go, and its frame be reused, at any
// moment. Unlink() alone is used: under that lock it looks for the very handler it is called on
// and touches nothing when it is not listed, so it may be asked about any address.
//
// Where a handler keeps its thread: learnt from one made here, so that the scan below asks only
// about places that hold this thread's identity (-1: unknown, every place is asked).
std::ptrdiff_t threadFieldOffset()
{
    static const std::ptrdiff_t offset = [] {
        const Standard_ThreadId self = OSD_Thread::Current();
        const Standard_ErrorHandler probe;
        const char* const bytes = reinterpret_cast<const char*>(&probe);
        for (std::size_t at = 0; at + sizeof self <= sizeof probe; at += alignof(Standard_ThreadId)) {
            if (std::memcmp(bytes + at, &self, sizeof self) == 0)
                return std::ptrdiff_t(at);
        }
        return std::ptrdiff_t(-1);
    }();
    return offset;
}

// After the long jump, the handlers of the abandoned frames stay listed, and later walks of the
// list (on any thread) would read the frames that reuse their place. They lie on this thread's
// stack between the deepest point the work reached and the cushion, still intact: each place
// there that can hold one of this thread's handlers is unlinked.
void unlinkAbandonedHandlers(const char* deepest, const char* cushion)
{
    const std::ptrdiff_t threadField = threadFieldOffset();
    const Standard_ThreadId self = OSD_Thread::Current();
    constexpr std::uintptr_t kAlign = alignof(Standard_ErrorHandler);
    const char* at = reinterpret_cast<const char*>((reinterpret_cast<std::uintptr_t>(deepest) + kAlign - 1) & ~(kAlign - 1));
    for (; at + sizeof(Standard_ErrorHandler) <= cushion; at += kAlign) {
        if (threadField >= 0 && std::memcmp(at + threadField, &self, sizeof self) != 0)
            continue;
        // Runs the clean-ups registered with it too (held OpenCASCADE mutexes).
        reinterpret_cast<Standard_ErrorHandler*>(const_cast<char*>(at))->Unlink();
    }
}

// The lowest address of this thread's stack, where the fault's own is not known.
const char* stackLowEnd()
{
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0)
        return nullptr;
    void* low = nullptr;
    std::size_t size = 0;
    pthread_attr_getstack(&attributes, &low, &size);
    pthread_attr_destroy(&attributes);
    return static_cast<const char*>(low);
}

// Bytes the allocator has handed out and not had back, where it can tell (glibc); -1 otherwise.
long long bytesInUse()
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const struct mallinfo2 info = mallinfo2();
    return (long long)(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}

// What faults left allocated, process-wide: measured as the growth of the memory in use over a
// run that faulted, after what could be known was freed. Other threads allocate and free
// meanwhile, so it is an estimate.
std::atomic<long long> g_stranded{0};

// The work, below the cushion.
__attribute__((noinline)) void runBelowCushion(const std::function<void()>& fn, const char* volatile* cushion)
{
    volatile char* const room = static_cast<volatile char*>(alloca(kCushionBytes));
    room[0] = 0;
    *cushion = const_cast<const char*>(room);
    fn();
}

// Lands here after a fault; the frames below are abandoned, their destructors never run.
__attribute__((noinline)) void runLanding(const std::function<void()>& fn, const std::function<void()>& release)
{
    const long long inUseBefore = bytesInUse();
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
    if (!cushion)
        return;
    // Below the stack pointer of the fault (and the red zone under it) no frame was live.
    const char* deepest = t_trap.faultStack ? t_trap.faultStack - 128 : stackLowEnd();
    if (const char* low = stackLowEnd(); low && (!deepest || deepest < low))
        deepest = low;
    if (deepest && deepest < cushion)
        unlinkAbandonedHandlers(deepest, cushion);
    if (release) {
        // What the caller kept aside may itself be half-built: a fault there leaves it. Run
        // even past the limit: it only gives back.
        runLanding(release, {});
    }
    const long long inUseAfter = bytesInUse();
    if (inUseBefore >= 0 && inUseAfter > inUseBefore)
        g_stranded += inUseAfter - inUseBefore;
}

} // namespace

namespace FaultTrap {

long long strandedBytes()
{
    return g_stranded.load();
}

bool run(const std::function<void()>& fn, const std::function<void()>& release)
{
    // Memory kept by earlier faults is memory the process no longer has.
    if (g_stranded.load() > kStrandedLimit)
        throw std::bad_alloc();
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
    runLanding(fn, release);
    return t_trap.faults == faultsBefore;
}

} // namespace FaultTrap
