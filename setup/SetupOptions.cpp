#include "SetupOptions.h"

#include "SwitchParser.h"

#include <string.h>

namespace {

constexpr int kUiLevelNone = 2;          // INSTALLUILEVEL_NONE
constexpr int kUiLevelBasic = 3;         // INSTALLUILEVEL_BASIC
constexpr int kUiLevelFull = 5;          // INSTALLUILEVEL_FULL
constexpr int kUiProgressOnly = 0x40;    // INSTALLUILEVEL_PROGRESSONLY

// The switches the setup knows, by their lower-case names.
const char* const kKnownSwitches[] = {"?", "l", "p", "q", "quiet", "passive",
                                      "x", "extract", "norestart"};

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool IsNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.'; }

// The switch name that the shared parser would take from one argument.
std::string SwitchName(const std::string& text)
{
    std::string name = text.substr(1, text.find_first_of(": ", 1) - 1);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return name;
}

bool IsKnownSwitch(const std::string& name)
{
    for (const char* known : kKnownSwitches) {
        if (name == known)
            return true;
    }
    return false;
}

} // namespace

std::vector<CommandArgument> SplitCommandLine(const char* text, UINT codePage)
{
    std::vector<CommandArgument> arguments;
    if (!text)
        return arguments;
    const char* p = text;
    for (;;) {
        while (IsSpace(*p))
            ++p;
        if (!*p)
            break;
        const char* start = p;
        CommandArgument argument;
        bool quoted = false;
        while (*p && (quoted || !IsSpace(*p))) {
            if (*p == '\\') {
                size_t count = 0;
                while (p[count] == '\\')
                    ++count;
                if (p[count] == '"') {
                    argument.text.append(count / 2, '\\');
                    p += count;
                    if (count % 2) {
                        argument.text += '"';
                        ++p;
                    }
                } else {
                    argument.text.append(count, '\\');
                    p += count;
                }
            } else if (*p == '"') {
                if (quoted && p[1] == '"') {
                    argument.text += '"';
                    p += 2;
                } else {
                    quoted = !quoted;
                    ++p;
                }
            } else if (IsDBCSLeadByteEx(codePage, BYTE(*p)) && p[1]) {
                argument.text.append(p, 2);
                p += 2;
            } else {
                argument.text += *p++;
            }
        }
        argument.typed.assign(start, p);
        arguments.push_back(argument);
    }
    return arguments;
}

bool IsPropertyArgument(const std::string& argument)
{
    const size_t equals = argument.find('=');
    if (equals == std::string::npos || equals == 0 || !IsNameStart(argument[0]))
        return false;
    for (size_t i = 1; i < equals; ++i) {
        if (!IsNameChar(argument[i]))
            return false;
    }
    return true;
}

SetupOptions ReadSetupOptions(const char* commandLine, UINT codePage)
{
    SetupOptions options;
    // The shared parser reads the switches as typed, so /p:"A=1 B=2" keeps
    // its quotes, and only switches: a slash inside a property value or an
    // ignored word starts nothing.
    std::string switchText;
    for (const CommandArgument& argument : SplitCommandLine(commandLine, codePage)) {
        const std::string& text = argument.text;
        if (!text.empty() && (text[0] == '/' || text[0] == '-')) {
            options.switches.push_back(argument.typed);
            if (!IsKnownSwitch(SwitchName(text)))
                options.ignored.push_back(text);
            switchText += argument.typed;
            switchText += ' ';
        } else if (IsPropertyArgument(text)) {
            options.propertyArguments.push_back(text);
        } else {
            options.ignored.push_back(text);
        }
    }
    SwitchParser switches(nullptr, false);
    switches.Parse(switchText.c_str());
    options.showUsage = switches.HasSwitch("?");
    options.quiet = switches.HasSwitch("q") || switches.HasSwitch("quiet");
    options.passive = switches.HasSwitch("passive");
    options.noRestart = switches.HasSwitch("norestart");
    options.extract = switches.HasSwitch("x") || switches.HasSwitch("extract");
    if (switches.HasValue("x"))
        options.extractFolder = switches.GetValue("x");
    else if (switches.HasValue("extract"))
        options.extractFolder = switches.GetValue("extract");
    if (switches.HasValue("l"))
        options.logFile = switches.GetValue("l");
    else if (switches.HasValue("p"))
        options.properties = switches.GetValue("p");
    return options;
}

std::string InstallerProperties(const SetupOptions& options)
{
    std::string text = options.properties;
    auto add = [&text](const std::string& setting) {
        if (!text.empty())
            text += ' ';
        text += setting;
    };
    for (const std::string& argument : options.propertyArguments) {
        const size_t equals = argument.find('=');
        // Quoted, so a value may hold spaces; a quote inside is doubled.
        std::string setting = argument.substr(0, equals + 1) + '"';
        for (char c : argument.substr(equals + 1)) {
            setting += c;
            if (c == '"')
                setting += '"';
        }
        add(setting + '"');
    }
    // Last, so that it wins over a REBOOT given among the properties.
    if (options.noRestart)
        add("REBOOT=ReallySuppress");
    return text;
}

int InstallerUiLevel(const SetupOptions& options)
{
    if (options.quiet)
        return kUiLevelNone;
    if (options.passive)
        return kUiLevelBasic | kUiProgressOnly;
    return kUiLevelFull;
}
