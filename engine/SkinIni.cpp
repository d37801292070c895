#include "SkinIni.h"

#include "SkinNames.h"

#include <unordered_set>

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

} // namespace

bool ParseIni(const std::string& text, std::vector<IniSection>& sections, SkinFaults& faults)
{
    sections.clear();
    bool sound = true;
    // After a faulty or repeated section header, its keys belong nowhere.
    bool passOver = false;
    auto fault = [&](int line, const std::string& message) {
        sound = false;
        return faults.Add(line, std::string(), message);
    };
    // Names seen so far, lower case: a hostile skin.ini with a hundred thousand
    // sections or keys costs one lookup per line, not one per earlier line.
    std::unordered_set<std::string> sectionNames;
    std::unordered_set<std::string> keyNames;
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
            if (!fault(line, "contains a zero byte"))
                return false;
            continue;
        }
        if (content[0] == '[') {
            if (content.back() != ']' || content.size() < 3) {
                if (!fault(line, "malformed section header"))
                    return false;
                passOver = true;
                continue;
            }
            IniSection section;
            section.name = Trim(content.substr(1, content.size() - 2));
            section.line = line;
            if (!sectionNames.insert(LowerName(section.name)).second) {
                if (!fault(line, "section [" + section.name + "] appears twice"))
                    return false;
                passOver = true;
                continue;
            }
            passOver = false;
            // A fresh set rather than clear(), which would sweep every bucket
            // a large earlier section left behind.
            keyNames = std::unordered_set<std::string>();
            sections.push_back(section);
            continue;
        }
        const size_t equals = content.find('=');
        if (equals == std::string::npos || equals == 0) {
            if (!fault(line, "expected \"key = value\""))
                return false;
            continue;
        }
        if (passOver)
            continue;
        if (sections.empty()) {
            if (!fault(line, "key outside any section"))
                return false;
            continue;
        }
        IniKey key;
        key.name = LowerName(Trim(content.substr(0, equals)));
        key.value = Trim(content.substr(equals + 1));
        key.line = line;
        if (!keyNames.insert(key.name).second) {
            if (!fault(line, "key \"" + key.name + "\" appears twice in its section"))
                return false;
            continue;
        }
        sections.back().keys.push_back(std::move(key));
    }
    return sound;
}
