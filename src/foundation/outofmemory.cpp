#include "foundation/outofmemory.h"

#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int& OutOfMemory::scopeDepth() noexcept
{
    thread_local int depth = 0;
    return depth;
}

void OutOfMemory::ensureHeadroom(std::size_t bytes)
{
    // A block this large is mapped on its own and handed back at once: nothing is touched.
    void* probe = std::malloc(bytes);
    if (!probe)
        throw std::bad_alloc();
    std::free(probe);
}

void OutOfMemory::releaseFreedMemory() noexcept
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
