// The STEP importer: the safety scan, OpenCASCADE's reader and the transfer of every root.
#include "fuzzsupport.h"

#include "foundation/stepimporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quietLogs();
    StepImporter::importStep(FuzzSupport::writeInput(data, size, ".step"));
    return 0;
}
