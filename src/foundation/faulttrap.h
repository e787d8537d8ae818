// Memory faults inside OpenCASCADE turned into failures instead of the end of the program.
// Damaged input (a null basis curve in a shape text, an entity number out of range in an
// exchange file) makes some of its readers dereference null pointers.
#pragma once

#include <functional>

namespace FaultTrap {

// Runs fn with SIGSEGV and SIGBUS on this thread converted into an OpenCASCADE failure
// (OSD_SIGSEGV) that unwinds to the nearest handler. Returns false when a fault happened
// at any point, even one that OpenCASCADE caught itself and carried on after: what it
// built then is not to be trusted. Exceptions thrown by fn propagate. Nests, and runs on
// several threads at once; faults of other threads go to the handler installed before.
bool run(const std::function<void()>& fn);

} // namespace FaultTrap
