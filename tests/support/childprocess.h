// Runs a piece of a test in a forked child, so that what it does to the process (resource
// limits, signal dispositions, a deliberate crash or exhausted memory) ends with it.
#pragma once

#include <functional>
#include <string>

#include <sys/resource.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VTQ_CHILD_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VTQ_CHILD_SANITIZED 1
#endif

namespace TestSupport {

// The sanitizers reserve terabytes of address space: address-space limits cannot work there.
constexpr bool kUnderSanitizer =
#ifdef VTQ_CHILD_SANITIZED
    true;
#else
    false;
#endif

struct ChildOutcome
{
    bool exited = false; // ended by _exit/exit
    int exitCode = -1;
    int signal = 0;      // the signal that ended it, else 0

    bool succeeded() const { return exited && exitCode == 0; }
    std::string describe() const;
};

// Forks, runs body in the child and ends the child with its return value (by _exit, so no
// destructor or exit handler of the parent's state runs twice).
ChildOutcome runInChild(const std::function<int()>& body);

// Sets the soft limit of resource to value; false when the system refuses.
bool setSoftLimit(int resource, rlim_t value);

// The address space this process maps now, in bytes (0 when unknown).
rlim_t addressSpaceInUse();

} // namespace TestSupport
