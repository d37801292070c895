#pragma once

#include "Handles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A program a test starts, as a user or a build tool would: its own command
// line, a working folder and, when asked, standard error in a file. A program
// the test leaves running is ended by force, so no test leaves one behind.
class TestProcess {
public:
    TestProcess(const std::string& commandLine, const std::string& folder,
                const std::string& errorsPath = "");
    ~TestProcess();
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;

    bool started() const { return started_; }
    DWORD id() const { return id_; }
    DWORD threadId() const { return threadId_; }
    bool running() const;
    // The exit code, or STILL_ACTIVE when the program outlives the wait.
    DWORD Wait(DWORD milliseconds);
    // Ends the program with this code and waits until it has gone.
    void Terminate(DWORD exitCode = 99);

private:
    bool started_ = false;
    // Null for a host program, which Wine starts without a process to wait for.
    KernelHandle process_;
    DWORD id_ = 0;
    DWORD threadId_ = 0;
};

// The top-level windows of a process, topmost first: the shown ones, or
// (shownOnly false) those still being built as well.
std::vector<HWND> WindowsOf(DWORD processId, bool shownOnly = true);

// The first window of the program that `match` accepts, looked for every
// `interval` until the timeout; null if none came or the program ended first.
HWND WaitForWindow(const TestProcess& program, const std::function<bool(HWND)>& match,
                   DWORD timeout, bool shownOnly = true, DWORD interval = 100);

// A shown dialog box of the program with this caption and owner (null for
// one of its own), or null when none came before the timeout.
HWND WaitForDialog(const TestProcess& program, const std::string& caption, HWND owner,
                   DWORD timeout);

// Asks `condition` every 100 ms until it holds (true) or the timeout passes
// (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout);

// Sets Windows' setting for apps' theme (AppsUseLightTheme) for the test's
// user, so for its windows and the programs it starts; removed after.
class AppsThemeOverride {
public:
    explicit AppsThemeOverride(bool light) { Set(light); }
    ~AppsThemeOverride();
    AppsThemeOverride(const AppsThemeOverride&) = delete;
    AppsThemeOverride& operator=(const AppsThemeOverride&) = delete;
    void Set(bool light);
};

// Sets the display's DPI (the prefix's LogPixels) for the programs started
// meanwhile, which read it as they start; the old setting is put back after.
class DpiOverride {
public:
    explicit DpiOverride(DWORD dpi);
    ~DpiOverride();
    DpiOverride(const DpiOverride&) = delete;
    DpiOverride& operator=(const DpiOverride&) = delete;

private:
    bool had_ = false;
    DWORD old_ = 0;
};

// Sets an environment variable for the programs started meanwhile.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const std::string& value);
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};
