#pragma once

#include <map>
#include <string>

// Command-line switches: "/name", "-name" or "/name:value", with a value in
// double quotes when it holds spaces: /name:"a b" or the whole switch quoted,
// "/name:a b". The first occurrence of a name wins.
class SwitchParser {
public:
    SwitchParser(const char* text, bool caseSensitive);
    virtual ~SwitchParser();

    void Parse(const char* text);

    bool HasSwitch(const char* name) const;
    bool HasValue(const char* name) const;
    // Null when the switch is absent; empty text when it has no value.
    const char* GetValue(const char* name) const;
    bool GetValue(const char* name, std::string& out) const;

private:
    // Byte-wise order of multibyte strings, as _mbscmp sees them.
    struct MbsLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };

    std::string Key(const char* name) const;
    void Store(const unsigned char* name, size_t nameLength, const unsigned char* value,
               size_t valueLength);

    std::string commandLine;
    std::map<std::string, std::string, MbsLess> switches;
    bool caseSensitive;
};
