// The footprint file reader: checks, copper pads, tracks and zones, and the body built from them.
#include "fuzzsupport.h"

#include "components/footprintmanager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quietLogs();
    FootprintManager library;
    library.loadFootprintFromFile(FuzzSupport::writeInput(data, size, ".kicad_mod"));
    return 0;
}
