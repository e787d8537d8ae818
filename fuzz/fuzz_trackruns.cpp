// Runs of track of every shape the project reader accepts (retraced, stepped, zig-zag, nearly
// straight, with spans just above the zero length, closing on themselves; widths 0.001 to 50
// mm, any direction): each must be one valid solid of the volume of its pieces' fuse. A run
// that fails aborts, so that libFuzzer keeps it.
#include "fuzzsupport.h"
#include "trackruns.h"

#include "routing/trackoutline.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quietLogs();
    const Route route = TrackRuns::runFrom(data, size);
    // The fuse of a dozen nearly coincident pieces can take longer than the fuzzer waits: past
    // six spans the count over the pieces alone is the reference.
    const bool fuse = route.segments.size() <= 6;
    std::string fault = TrackRuns::check(route, fuse);
    // The traced outline judged alone: where it builds a solid the program does not take, the
    // check of the program's solid would not see it.
    const int last = int(route.segments.size()) - 1;
    const TopoDS_Shape traced = last > 0 ? TrackOutline::tracedRunSolid(route.segments, 0, last) : TopoDS_Shape();
    if (fault.empty() && !traced.IsNull()) {
        fault = TrackRuns::checkSolid(route, traced, fuse);
        if (!fault.empty())
            fault = "traced outline: " + fault;
    }
    if (!fault.empty()) {
        std::fprintf(stderr, "track run: %s\n", fault.c_str());
        for (const RouteSegment& s : route.segments)
            std::fprintf(stderr, "  (%.17g, %.17g) -> (%.17g, %.17g) w %.17g h %.17g\n", s.start.X(), s.start.Y(),
                         s.end.X(), s.end.Y(), s.width, s.height);
        std::abort();
    }
    return 0;
}
