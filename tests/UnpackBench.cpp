// UnpackBench SETUP: one whole setup run in this process on a built setup
// whose archive holds no package, so the run ends right after unpacking
// (and removing) every entry. Prints the run's wall time and the process's
// peak memory. Used by scripts/bench-unpack.sh; not a test.
#include "PackageFile.h"
#include "SetupRun.h"

#include <psapi.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: UnpackBench SETUP\n");
        return 2;
    }
    PackageFile setup(argv[1]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const DWORD code = RunSetup(GetModuleHandleA(nullptr), setup, "");
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("exit=%lu seconds=%.3f peakWorkingSetKB=%lu peakPrivateKB=%lu\n",
           static_cast<unsigned long>(code),
           double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
           static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
           static_cast<unsigned long>(memory.PeakPagefileUsage / 1024));
    return 0;
}
