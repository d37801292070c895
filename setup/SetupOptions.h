#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One argument of a command line as Windows splits it: the text a program
// sees, and the characters it was typed as (quotes and all).
struct CommandArgument {
    std::string text;
    std::string typed;
};

// Splits a command line the way the C runtime and CommandLineToArgvW do:
// white space separates, double quotes group, 2n backslashes before a quote
// give n backslashes and a quote that groups, 2n+1 give n and a literal
// quote, "" inside a group is a literal quote. Double-byte characters of the
// code page are taken whole, so a trail byte never counts as a quote or
// backslash.
std::vector<CommandArgument> SplitCommandLine(const char* text, UINT codePage = CP_ACP);

// What the setup's command line asks for.
struct SetupOptions {
    bool showUsage = false;     // /?
    bool quiet = false;         // /q, /quiet: no window at all
    bool passive = false;       // /passive: progress only
    bool noRestart = false;     // /norestart
    bool extract = false;       // /x or /extract given, with or without a folder
    std::string extractFolder;  // its folder
    std::string logFile;        // /l's value; empty: no log
    std::string properties;     // /p's value when read
    std::vector<std::string> propertyArguments;  // NAME=value arguments, as given
    std::vector<std::string> switches;           // switch arguments, as typed
    std::vector<std::string> ignored;            // neither a known switch nor NAME=value
};

// Only arguments that begin with "/" or "-" are read as switches, so a
// property value such as URL=http://x/q never turns into one.
SetupOptions ReadSetupOptions(const char* commandLine, UINT codePage = CP_ACP);

// True for NAME=value with a name Windows Installer accepts for a property.
bool IsPropertyArgument(const std::string& argument);

// The property text for the installer: /p's text when read, each NAME=value
// argument with its value quoted, and REBOOT=ReallySuppress for /norestart.
std::string InstallerProperties(const SetupOptions& options);

// INSTALLUILEVEL_NONE for /q, BASIC | PROGRESSONLY for /passive, else FULL.
int InstallerUiLevel(const SetupOptions& options);
