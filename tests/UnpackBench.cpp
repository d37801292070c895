// The setup stub's side of scripts/benchmark.sh; not a test.
//
// UnpackBench SETUP: one whole setup run in this process on a built setup
// whose archive holds no package, so the run ends right after unpacking
// (and removing) every entry. Prints the run's wall time and the process's
// peak memory.
//
// UnpackBench SETUP SWITCHES: the same with the setup's command line, for
// example "/q /x:FOLDER" for an extraction.
//
// UnpackBench /windows SETUP: what a user waits for: from starting SETUP (no
// switches) to its status window and to the installer's first dialog, next
// to a plain copy of the same file. The setup is ended once its dialog shows.
//
// UnpackBench /scan SETUP: how long locating the container in SETUP takes,
// next to a plain sequential read of the same file in the same process, so
// that emulation and the file cache weigh on both alike. Prints the best of
// three rounds of each.
#include "PackageFile.h"
#include "PrivateTempFolder.h"
#include "SetupRun.h"
#include "TestProcess.h"

#include <psapi.h>
#include <stdio.h>
#include <string.h>

namespace {

constexpr int kRounds = 3;
constexpr DWORD kReadStep = 64 * 1024;

double Now()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

// What reading the whole file costs: every byte read once, looked at by
// nobody. Returns the bytes read, or -1.
long long PlainRead(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    static char buffer[kReadStep];
    long long total = 0;
    DWORD count = 0;
    while (ReadFile(file, buffer, kReadStep, &count, nullptr) && count)
        total += count;
    CloseHandle(file);
    return total;
}

int Unpack(const char* setupPath, const char* switches)
{
    PackageFile setup(setupPath);
    const double start = Now();
    const DWORD code = RunSetup(GetModuleHandleA(nullptr), setup, switches);
    const double seconds = Now() - start;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("exit=%lu seconds=%.3f peakWorkingSetKB=%lu peakPrivateKB=%lu\n",
           static_cast<unsigned long>(code), seconds,
           static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
           static_cast<unsigned long>(memory.PeakPagefileUsage / 1024));
    return 0;
}

int Scan(const char* setupPath)
{
    PackageFile setup(setupPath);
    PrivateTempFolder folder;
    if (!folder.Create()) {
        fprintf(stderr, "UnpackBench: no temporary folder\n");
        return 1;
    }
    // The stub locates the container inside ExtractContainer and only then
    // creates the archive copy. With a folder standing under the copy's name,
    // that creation fails, so each call does exactly the stub's locating work
    // (PE headers, trailer, name record) and writes nothing. One real
    // extraction first learns the name and proves the container sound.
    char archive[MAX_PATH] = "";
    if (setup.ExtractContainer(folder.path(), archive, MAX_PATH) != ExtractDone) {
        fprintf(stderr, "UnpackBench: %s carries no container that extracts\n", setupPath);
        return 1;
    }
    DeleteFileA(archive);
    if (!CreateDirectoryA(archive, nullptr)) {
        fprintf(stderr, "UnpackBench: cannot block %s\n", archive);
        return 1;
    }

    double readBest = 0, markerBest = 0, locateBest = 0;
    long long bytes = -1;
    long long marker = -1;
    bool located = true;
    for (int round = 0; round < kRounds; ++round) {
        double start = Now();
        bytes = PlainRead(setupPath);
        const double read = Now() - start;

        start = Now();
        marker = setup.FindMarker();
        const double markerSeconds = Now() - start;

        char ignored[MAX_PATH];
        start = Now();
        located = located &&
                  setup.ExtractContainer(folder.path(), ignored, MAX_PATH) ==
                      ExtractCannotCreateOutput;
        const double locate = Now() - start;

        if (!round || read < readBest)
            readBest = read;
        if (!round || markerSeconds < markerBest)
            markerBest = markerSeconds;
        if (!round || locate < locateBest)
            locateBest = locate;
    }
    RemoveDirectoryA(archive);
    folder.Remove();

    // A locate that found the wrong place, or a locating call that went on
    // to copy, would make the times mean nothing.
    if (bytes < kContainerTrailerLength || marker != bytes - kContainerMarkerLength) {
        fprintf(stderr, "UnpackBench: marker at %lld, expected at the end of %lld bytes\n",
                marker, bytes);
        return 1;
    }
    if (!located) {
        fprintf(stderr, "UnpackBench: locating did not stop before the copy\n");
        return 1;
    }
    printf("bytes=%lld plainReadSeconds=%.6f findMarkerSeconds=%.6f locateSeconds=%.6f\n",
           bytes, readBest, markerBest, locateBest);
    return 0;
}

// Seconds until the first shown window of the program that match accepts,
// or -1 when none came within the limit.
double SecondsUntil(const TestProcess& program, double start,
                    const std::function<bool(HWND)>& match)
{
    constexpr DWORD kLimit = 300 * 1000;
    constexpr DWORD kPoll = 5;
    return WaitForWindow(program, match, kLimit, true, kPoll) ? Now() - start : -1;
}

int Windows(const char* setupPath)
{
    char folder[MAX_PATH];
    lstrcpynA(folder, setupPath, MAX_PATH);
    char* slash = strrchr(folder, '\\');
    if (!slash) {
        fprintf(stderr, "UnpackBench: give the setup's full path\n");
        return 1;
    }
    *slash = '\0';
    const std::string copy = std::string(folder) + "\\plain-copy.exe";
    double start = Now();
    const bool copied = CopyFileA(setupPath, copy.c_str(), FALSE) != FALSE;
    const double copySeconds = Now() - start;
    DeleteFileA(copy.c_str());
    if (!copied) {
        fprintf(stderr, "UnpackBench: cannot copy %s\n", setupPath);
        return 1;
    }

    start = Now();
    TestProcess setup(std::string("\"") + setupPath + "\"", folder);
    if (!setup.started())
        return 1;
    // The status window has no caption; the installer's dialogs have one.
    const double status = SecondsUntil(setup, start, [](HWND) { return true; });
    const double dialog = SecondsUntil(setup, start, [](HWND window) {
        return GetWindowTextLengthA(window) > 0;
    });
    setup.Terminate();
    if (status < 0 || dialog < 0) {
        fprintf(stderr, "UnpackBench: %s showed no %s within the limit\n", setupPath,
                status < 0 ? "window" : "installer dialog");
        return 1;
    }
    printf("copySeconds=%.3f statusSeconds=%.3f dialogSeconds=%.3f\n", copySeconds, status,
           dialog);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && !strcmp(argv[1], "/scan"))
        return Scan(argv[2]);
    if (argc == 3 && !strcmp(argv[1], "/windows"))
        return Windows(argv[2]);
    if (argc == 2 || argc == 3)
        return Unpack(argv[1], argc == 3 ? argv[2] : "");
    fprintf(stderr, "usage: UnpackBench SETUP [SWITCHES]\n       UnpackBench /windows SETUP\n"
                    "       UnpackBench /scan SETUP\n");
    return 2;
}
