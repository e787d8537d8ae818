// Makes one chosen allocation fail, for the executable that links allocationfailure.cpp (and
// only that one: it replaces malloc, calloc and realloc for the whole process). Every allocation
// that goes through them counts: the standard library's operator new, Qt's containers and
// OpenCASCADE's Standard::Allocate all end there. aligned_alloc, posix_memalign and memalign,
// and glibc's own internal calls, are not counted.
#pragma once

#include <cstddef>

namespace AllocationFailure {

// False under the sanitizers, which bring an allocator of their own: nothing is replaced.
bool available();

// From now on the allocation numbered failAt (1 for the next one, on any thread) returns null;
// 0 lets every allocation through and only counts them. With atLeast, only allocations of at
// least that many bytes count: those a program's own room checks make, not the toolkit's small
// ones deep in its event handling, which no program can guard. Lasting, every counted one from
// failAt on fails too, as in a shortage that does not end (until disarm()).
void arm(long failAt, std::size_t atLeast = 0, bool lasting = false);
// Stops counting; the number of allocations seen since arm().
long disarm();
// Whether the chosen allocation came (and failed) since arm().
bool failed();
// The number of the allocation that failed (later than the one chosen when it was moved, see
// below); 0 when none did.
long failedAt();
// Some parts of Qt end the program on a failed allocation (the QObject constructor, the JSON
// parser): one chosen inside them is let through and the next one fails instead. How often
// that happened since arm().
long sparedInWhatCannotFail();

} // namespace AllocationFailure
