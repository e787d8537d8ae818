#include "foundation/occutils.h"

#include <Message_ProgressRange.hxx>
#include <Message_ProgressScope.hxx>

#include <atomic>
#include <chrono>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace OccUtils {

bool runReporting(const Message_ProgressRange& progress, const char* context, const std::function<bool()>& job)
{
    if (!progress.IsActive())
        return guardedCall(false, context, job);
    std::atomic<bool> done{false};
    bool succeeded = false;
    std::thread helper([&] {
        succeeded = guardedCall(false, context, job);
        done = true;
    });
    // Its length is unknown: each report takes a share of what is left.
    Message_ProgressScope waiting(progress, nullptr, 1.0, true);
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        waiting.Next();
    }
    helper.join();
#if defined(__GLIBC__)
    // What the job freed stays in the helper's own allocator arena, which no later work of
    // this thread reuses: a big export would keep the process that much larger for good.
    malloc_trim(0);
#endif
    return succeeded;
}

} // namespace OccUtils
