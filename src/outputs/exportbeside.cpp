#include "outputs/exportbeside.h"

#include "foundation/jobs.h"
#include "foundation/outofmemory.h"

#include <Message_ProgressScope.hxx>

namespace ExportBeside {

Ended run(const Message_ProgressRange& progress, const char* context,
          const std::function<void(const Message_ProgressRange&)>& work)
{
    // The wait shows what the export reports: reports of its own would move the bar ahead of
    // the work, and past its end. It takes a sliver that the bar cannot show.
    Message_ProgressScope scope(progress, nullptr, 1.0);
    const Message_ProgressRange range = scope.Next(1.0 - 1e-9);
    bool enough = true;
    const Jobs::Result<bool> ran = Jobs::run<bool>(scope.Next(1e-9), context, Jobs::Reads::Shared,
                                                   [&](const Jobs::Stop&) {
                                                       enough = OutOfMemory::survive([&] { work(range); });
                                                       return true;
                                                   });
    if (!enough || ran.outcome == Jobs::Outcome::OutOfMemory)
        return Ended::OutOfMemory;
    return ran.outcome == Jobs::Outcome::Cancelled ? Ended::Cancelled : Ended::Ran;
}

} // namespace ExportBeside
