// The entry point of every test program.
#include <gtest/gtest.h>

#include <windows.h>

int main(int argc, char** argv)
{
    // A test program that ended while it had the display's DPI set for the
    // programs it started (DpiOverride) left it set in the prefix: whatever
    // runs next starts from the prefix's own again.
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
