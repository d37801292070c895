#pragma once

// Reading what the engine double (EngineDouble.cpp) wrote to the file named
// by VELUMO_TRACE: one line a call, "<name> <arguments> thread=<id>".
#include "TestFiles.h"

#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

struct TraceLine {
    std::string call;  // the name and its arguments
    DWORD threadId = 0;
    std::string name() const { return call.substr(0, call.find(' ')); }
};

inline std::vector<TraceLine> ReadEngineTrace(const std::string& path)
{
    std::vector<TraceLine> lines;
    std::istringstream in(ReadFileBytes(path));
    std::string line;
    while (std::getline(in, line)) {
        TraceLine parsed;
        const size_t thread = line.rfind(" thread=");
        parsed.call = line.substr(0, thread);
        if (thread != std::string::npos)
            parsed.threadId = std::strtoul(line.c_str() + thread + 8, nullptr, 10);
        lines.push_back(parsed);
    }
    return lines;
}

// The calls' names alone, in order.
inline std::vector<std::string> TracedNames(const std::vector<TraceLine>& lines)
{
    std::vector<std::string> names;
    for (const TraceLine& line : lines)
        names.push_back(line.name());
    return names;
}
