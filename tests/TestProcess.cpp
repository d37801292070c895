#include "TestProcess.h"

#include "TestWindows.h"

#include <gtest/gtest.h>

#include <stdio.h>

TestProcess::TestProcess(const std::string& commandLine, const std::string& folder,
                         const std::string& errorsPath)
{
    std::vector<char> text(commandLine.begin(), commandLine.end());
    text.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    FileHandle errors;
    if (!errorsPath.empty()) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        errors.reset(CreateFileA(errorsPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr));
        if (!errors) {
            fprintf(stderr, "cannot create %s: %lu\n", errorsPath.c_str(), GetLastError());
            return;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = errors.get();
    }
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, errors ? TRUE : FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        fprintf(stderr, "cannot start %s: %lu\n", commandLine.c_str(), GetLastError());
        return;
    }
    started_ = true;
    if (process.hThread)
        CloseHandle(process.hThread);
    process_.reset(process.hProcess);
    id_ = process.dwProcessId;
    threadId_ = process.dwThreadId;
}

TestProcess::~TestProcess()
{
    if (running())
        Terminate();
}

bool TestProcess::running() const
{
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD TestProcess::Wait(DWORD milliseconds)
{
    DWORD code = STILL_ACTIVE;
    if (process_ && WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0)
        GetExitCodeProcess(process_.get(), &code);
    return code;
}

void TestProcess::Terminate(DWORD exitCode)
{
    if (!process_)
        return;
    TerminateProcess(process_.get(), exitCode);
    // A process being torn down by Wine may take a moment; never forever.
    WaitForSingleObject(process_.get(), 30000);
}

namespace {

struct ProcessWindows {
    DWORD processId;
    bool shownOnly;
    std::vector<HWND> windows;
};

BOOL CALLBACK AddProcessWindow(HWND window, LPARAM parameter)
{
    auto* list = reinterpret_cast<ProcessWindows*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == list->processId && (!list->shownOnly || IsWindowVisible(window)))
        list->windows.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> WindowsOf(DWORD processId, bool shownOnly)
{
    ProcessWindows list = {processId, shownOnly, {}};
    EnumWindows(AddProcessWindow, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

HWND WaitForWindow(const TestProcess& program, const std::function<bool(HWND)>& match,
                   DWORD timeout, bool shownOnly, DWORD interval)
{
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : WindowsOf(program.id(), shownOnly)) {
            if (match(window))
                return window;
        }
        if (!program.running() || GetTickCount() - start >= timeout)
            return nullptr;
        Sleep(interval);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeout)
            return false;
        Sleep(100);
    }
    return true;
}

EnvironmentOverride::EnvironmentOverride(const char* name, const std::string& value) : name_(name)
{
    char old[4096];
    const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
    had_ = length > 0 && length < sizeof old;
    if (had_)
        old_ = old;
    SetEnvironmentVariableA(name, value.c_str());
}

EnvironmentOverride::~EnvironmentOverride()
{
    SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr);
}

namespace {
const wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
}

void AppsThemeOverride::Set(bool light)
{
    const DWORD value = light;
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme",
                                             REG_DWORD, &value, sizeof value));
}

AppsThemeOverride::~AppsThemeOverride()
{
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme");
}

namespace {
const wchar_t kDesktop[] = L"Control Panel\\Desktop";
}

DpiOverride::DpiOverride(DWORD dpi)
{
    DWORD size = sizeof old_;
    had_ = RegGetValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                        &old_, &size) == ERROR_SUCCESS;
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels",
                                             REG_DWORD, &dpi, sizeof dpi));
}

DpiOverride::~DpiOverride()
{
    if (had_)
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &old_, sizeof old_);
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels");
}

HWND WaitForDialog(const TestProcess& program, const std::string& caption, HWND owner,
                   DWORD timeout)
{
    return WaitForWindow(program, [&](HWND window) {
        return ClassOf(window) == "#32770" && CaptionOf(window) == caption &&
               GetWindow(window, GW_OWNER) == owner;
    }, timeout);
}
