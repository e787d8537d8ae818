// Memory faults inside OpenCASCADE turned into failures instead of the end of the program.
// Damaged input (a null basis curve in a shape text, an entity number out of range in an
// exchange file) makes some of its readers dereference null pointers.
#pragma once

#include <functional>

namespace FaultTrap {

// Past this much memory kept by faults, no trapped work starts: run() throws std::bad_alloc,
// and the caller reports a shortage of memory.
constexpr long long kStrandedLimit = 512ll << 20;

// Runs fn with SIGSEGV and SIGBUS on this thread turned into a failure: the run ends at once
// and returns false, also when the fault came inside a nested run (which returns false too).
// What fn built is then not to be trusted, and the destructors of its abandoned frames never
// run: what they held stays allocated. Keep what is big outside fn, in the caller's frame, and
// free it in release, which runs (trapped too) after a fault only. OpenCASCADE's handlers of
// the abandoned frames are taken out of its list, under its own lock.
// fn must hold no lock of its own (std::mutex, QMutex...) where it may fault: the lock would
// stay taken for good. The locks OpenCASCADE registers with its handlers are released.
// The handler runs on a stack of its own, takes no lock and allocates nothing. Exceptions
// thrown by fn propagate. Nests, and runs on several threads at once; faults of other threads
// go to the handler installed before.
bool run(const std::function<void()>& fn, const std::function<void()>& release = {});

// What faults have left allocated so far in this process, in bytes (an estimate).
long long strandedBytes();

} // namespace FaultTrap
