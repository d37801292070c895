// The entry point of every test program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    // Every result is out. Wine under emulation now and then hangs while a
    // process unloads its libraries and ends its threads, which would turn a
    // passed run into a timeout; the process ends here instead.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
