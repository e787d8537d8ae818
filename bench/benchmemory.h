// The process's resident memory as Linux reports it, for benches that weigh what work adds.
#pragma once

#include <fstream>
#include <string>

namespace BenchMemory {

// Resident set of this process in KB: now (VmRSS), or its peak since the last reset (VmHWM).
inline long statusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return 0;
}

inline void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace BenchMemory
