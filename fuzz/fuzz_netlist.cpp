// The KiCad netlist reader, from the bytes of a file on.
#include "fuzzsupport.h"

#include "model/netlist.h"
#include "project/projectmanager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quietLogs();
    Netlist netlist;
    QString error;
    ProjectManager::loadNetlist(FuzzSupport::writeInput(data, size, ".net"), netlist, error);
    return 0;
}
