// An allocation failure, the standard library's or OpenCASCADE's, turned into a refusal at
// the entry of an operation that built everything aside.
#pragma once

#include <Standard_OutOfMemory.hxx>

#include <new>

namespace OutOfMemory {

// Runs fn; false when it ran out of memory. Nothing is logged here: logging allocates.
template <typename F>
bool survive(F&& fn)
{
    try {
        fn();
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const Standard_OutOfMemory&) {
    }
    return false;
}

} // namespace OutOfMemory
