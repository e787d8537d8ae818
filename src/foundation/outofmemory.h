// An allocation failure, the standard library's or OpenCASCADE's, turned into a refusal at
// the entry of an operation that built everything aside.
#pragma once

#include <Standard_OutOfMemory.hxx>

#include <cstddef>
#include <new>

namespace OutOfMemory {

// How many survive() calls run on this thread. Inside one, a guarded call that runs out of
// memory passes the failure up instead of going on with a fallback: going on would allocate
// again at once, and Qt's containers end the program when an insertion cannot allocate.
int& scopeDepth() noexcept;

inline bool inScope() noexcept
{
    return scopeDepth() > 0;
}

// Throws std::bad_alloc when a block of this size could not be had now. Called at points where
// unwinding is safe, between the steps of a long operation, so that a shortage shows there
// rather than inside a Qt container, which cannot report it and ends the program.
void ensureHeadroom(std::size_t bytes = std::size_t(16) << 20);

// Hands the memory freed so far back to the system where the allocator keeps it (glibc keeps
// what worker threads freed in their arenas): called after a step that ran side by side, so that
// the next step's peak does not stack on memory nobody uses.
void releaseFreedMemory() noexcept;

// Runs fn; false when it ran out of memory. Nothing is logged here: logging allocates.
// Inside another survive() the failure goes on up: the outer operation is refused whole,
// since this one's fallback would allocate while memory is still short.
template <typename F>
bool survive(F&& fn)
{
    struct Depth
    {
        Depth() noexcept { ++scopeDepth(); }
        ~Depth() { --scopeDepth(); }
    } depth;
    try {
        fn();
        return true;
    } catch (const std::bad_alloc&) {
        if (scopeDepth() > 1)
            throw;
    } catch (const Standard_OutOfMemory&) {
        if (scopeDepth() > 1)
            throw;
    }
    return false;
}

} // namespace OutOfMemory
