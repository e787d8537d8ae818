// Memory faults inside OpenCASCADE turned into failures instead of the end of the program.
// Damaged input (a null basis curve in a shape text, an entity number out of range in an
// exchange file) makes some of its readers dereference null pointers.
#pragma once

#include <functional>

namespace FaultTrap {

// Runs fn with SIGSEGV and SIGBUS on this thread turned into a failure: the run ends at once
// and returns false, also when the fault came inside a nested run (which returns false too).
// What fn built is then not to be trusted, and the destructors of its abandoned frames never
// run. The handler runs on a stack of its own, takes no lock and allocates nothing. Exceptions
// thrown by fn propagate. Nests, and runs on several threads at once; faults of other threads
// go to the handler installed before.
bool run(const std::function<void()>& fn);

} // namespace FaultTrap
