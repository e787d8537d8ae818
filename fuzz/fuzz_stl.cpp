// The STL importer, ASCII and binary.
#include "fuzzsupport.h"

#include "foundation/stlimporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quietLogs();
    StlImporter::importStl(FuzzSupport::writeInput(data, size, ".stl"));
    return 0;
}
