// An export run beside the calling thread, which only reports meanwhile, so that the window it
// paints stays live. The export reads the design: it is waited for, and hears a break at its own
// steps. Memory running short inside it refuses it whole.
#pragma once

#include <Message_ProgressRange.hxx>

#include <functional>

namespace ExportBeside {

enum class Ended
{
    Ran, // to its end, or to a break it heard
    Cancelled,
    OutOfMemory
};

// work reports on the range it is given: the whole of progress.
Ended run(const Message_ProgressRange& progress, const char* context,
          const std::function<void(const Message_ProgressRange&)>& work);

} // namespace ExportBeside
