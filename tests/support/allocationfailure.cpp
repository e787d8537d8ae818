#include "allocationfailure.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include <cstdint>
#include <cstring>

#include <dlfcn.h>
#include <link.h>
#include <execinfo.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VTQ_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VTQ_OWN_ALLOCATOR 1
#endif

namespace {

std::atomic<bool> g_armed{false};
std::atomic<long> g_seen{0};
std::atomic<long> g_failAt{0};
std::atomic<bool> g_failed{false};
std::atomic<std::size_t> g_atLeast{0};
std::atomic<bool> g_lasting{false};
// VTQ_TRACE_ALLOCATION_FAILURE set: the failing allocation's stack goes to standard error.
bool g_traceFailure = false;

#ifndef VTQ_OWN_ALLOCATOR
// Library code that cannot fail cleanly: Qt's that ends the program on a failed allocation (a
// noexcept inside, or a half-built object cleaned up wrongly), OpenCASCADE's curve and surface
// readers that turn it into a missing curve and read on. A failure chosen inside them moves to
// the next allocation, and is counted apart. The program keeps a real shortage away from them
// with a headroom check before it calls them.
constexpr const char* kCannotFail[] = {
    "_ZN7QObjectC2EPS_",                  // QObject::QObject: crashes cleaning up its private part
    "_ZN7QObjectC2ER14QObjectPrivatePS_",
    "_ZN13QJsonDocument8fromJsonERK10QByteArrayP15QJsonParseError", // the JSON parser: noexcept inside
    "_ZN20GeomTools_Curve2dSet11ReadCurve2dERSi",
    "_ZN18GeomTools_CurveSet9ReadCurveERSi",
    "_ZN20GeomTools_SurfaceSet11ReadSurfaceERSi",
};
constexpr int kRanges = int(sizeof kCannotFail / sizeof kCannotFail[0]);
// Their code, found once before counting starts: the check runs inside the allocator.
std::uintptr_t g_rangeStart[kRanges];
std::uintptr_t g_rangeEnd[kRanges];
std::atomic<long> g_spared{0};

void findWhatCannotFail()
{
    for (int i = 0; i < kRanges; ++i) {
        void* const start = dlsym(RTLD_DEFAULT, kCannotFail[i]);
        Dl_info info;
        ElfW(Sym)* symbol = nullptr;
        if (start && dladdr1(start, &info, reinterpret_cast<void**>(&symbol), RTLD_DL_SYMENT) && symbol) {
            g_rangeStart[i] = reinterpret_cast<std::uintptr_t>(start);
            g_rangeEnd[i] = g_rangeStart[i] + symbol->st_size;
        }
    }
}

bool insideWhatCannotFail() noexcept
{
    void* frames[128];
    const int count = backtrace(frames, 128);
    for (int f = 0; f < count; ++f) {
        const auto at = reinterpret_cast<std::uintptr_t>(frames[f]);
        for (int i = 0; i < kRanges; ++i) {
            if (at > g_rangeStart[i] && at <= g_rangeEnd[i])
                return true;
        }
    }
    return false;
}

// Nothing here allocates: it runs inside the allocator.
bool refuse(std::size_t bytes) noexcept
{
    if (!g_armed.load(std::memory_order_relaxed) || bytes < g_atLeast.load(std::memory_order_relaxed))
        return false;
    const long number = g_seen.fetch_add(1) + 1;
    const long failAt = g_failAt.load();
    if (failAt == 0 || (g_lasting.load(std::memory_order_relaxed) ? number < failAt : number != failAt))
        return false;
    if (insideWhatCannotFail()) {
        if (number == failAt)
            g_failAt = number + 1;
        ++g_spared;
        return false;
    }
    g_failed = true;
    if (g_traceFailure) {
        void* frames[48];
        backtrace_symbols_fd(frames, backtrace(frames, 48), 2);
    }
    errno = ENOMEM;
    return true;
}
#endif

} // namespace

#ifndef VTQ_OWN_ALLOCATOR
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);

extern "C" void* malloc(std::size_t bytes)
{
    return refuse(bytes) ? nullptr : __libc_malloc(bytes);
}

extern "C" void* calloc(std::size_t count, std::size_t bytes)
{
    return refuse(count * bytes) ? nullptr : __libc_calloc(count, bytes);
}

extern "C" void* realloc(void* block, std::size_t bytes)
{
    // A shrink to nothing frees: it cannot fail.
    if (block && bytes == 0)
        return __libc_realloc(block, bytes);
    return refuse(bytes) ? nullptr : __libc_realloc(block, bytes);
}
#endif

namespace AllocationFailure {

bool available()
{
#ifdef VTQ_OWN_ALLOCATOR
    return false;
#else
    return true;
#endif
}

void arm(long failAt, std::size_t atLeast, bool lasting)
{
    static const bool trace = [] {
        void* warm[2];
        backtrace(warm, 2); // loads what backtrace needs, outside the allocator
#ifndef VTQ_OWN_ALLOCATOR
        findWhatCannotFail();
#endif
        return std::getenv("VTQ_TRACE_ALLOCATION_FAILURE") != nullptr;
    }();
    g_traceFailure = trace;
    g_seen = 0;
    g_failed = false;
#ifndef VTQ_OWN_ALLOCATOR
    g_spared = 0;
#endif
    g_failAt = failAt;
    g_atLeast = atLeast;
    g_lasting = lasting;
    g_armed = true;
}

long disarm()
{
    g_armed = false;
    return g_seen.load();
}

bool failed()
{
    return g_failed.load();
}

long failedAt()
{
    return g_failed.load() ? g_failAt.load() : 0;
}

long sparedInWhatCannotFail()
{
#ifdef VTQ_OWN_ALLOCATOR
    return 0;
#else
    return g_spared.load();
#endif
}

} // namespace AllocationFailure
