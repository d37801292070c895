#include "TestWindows.h"

#include <shlobj.h>

std::string CaptionOf(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string InternalTextOf(HWND window)
{
    wchar_t wide[1024] = L"";
    InternalGetWindowText(window, wide, 1024);
    char text[2048] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

namespace {

BOOL CALLBACK AddChildText(HWND child, LPARAM texts)
{
    *reinterpret_cast<std::string*>(texts) += InternalTextOf(child) + "|";
    return TRUE;
}

} // namespace

std::string ChildTexts(HWND window)
{
    std::string texts;
    EnumChildWindows(window, AddChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::string ProgramFilesPath(const std::string& rest)
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
    return std::string(folder) + "\\" + rest;
}
