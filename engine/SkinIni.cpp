#include "SkinIni.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Where(int line)
{
    return "skin.ini line " + std::to_string(line) + ": ";
}

} // namespace

bool ParseIni(const std::string& text, std::vector<IniSection>& sections, std::string& error)
{
    sections.clear();
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int line = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string content = Trim(text.substr(start, end - start));
        start = end + 1;
        ++line;
        if (content.empty() || content[0] == ';' || content[0] == '#')
            continue;
        if (content.find('\0') != std::string::npos) {
            error = Where(line) + "contains a zero byte";
            return false;
        }
        if (content[0] == '[') {
            if (content.back() != ']' || content.size() < 3) {
                error = Where(line) + "malformed section header";
                return false;
            }
            IniSection section;
            section.name = Trim(content.substr(1, content.size() - 2));
            section.line = line;
            const std::string lower = Lower(section.name);
            for (const IniSection& other : sections) {
                if (Lower(other.name) == lower) {
                    error = Where(line) + "section [" + section.name + "] appears twice";
                    return false;
                }
            }
            sections.push_back(section);
            continue;
        }
        const size_t equals = content.find('=');
        if (equals == std::string::npos || equals == 0) {
            error = Where(line) + "expected \"key = value\"";
            return false;
        }
        if (sections.empty()) {
            error = Where(line) + "key outside any section";
            return false;
        }
        IniKey key;
        key.name = Lower(Trim(content.substr(0, equals)));
        key.value = Trim(content.substr(equals + 1));
        key.line = line;
        for (const IniKey& other : sections.back().keys) {
            if (other.name == key.name) {
                error = Where(line) + "key \"" + key.name + "\" appears twice in its section";
                return false;
            }
        }
        sections.back().keys.push_back(key);
    }
    return true;
}
