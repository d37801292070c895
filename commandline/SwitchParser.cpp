#include "SwitchParser.h"

#include <mbstring.h>
#include <string.h>

#include <vector>

namespace {

const unsigned char kPrefixes[] = "-/";
const unsigned char kNameEnds[] = " :";
// A switch quoted as a whole, "/s:C:\a b.skf", as build tools and scripting
// languages quote an argument that holds a space: its name or value ends at
// the closing quote instead.
const unsigned char kQuotedNameEnds[] = " :\"";

const unsigned char* AsBytes(const char* text)
{
    return reinterpret_cast<const unsigned char*>(text);
}

} // namespace

bool SwitchParser::MbsLess::operator()(const std::string& a, const std::string& b) const
{
    return _mbscmp(AsBytes(a.c_str()), AsBytes(b.c_str())) < 0;
}

SwitchParser::SwitchParser(const char* text, bool caseSensitive)
    : caseSensitive(caseSensitive)
{
    if (text)
        Parse(text);
}

SwitchParser::~SwitchParser()
{
    switches.clear();
}

std::string SwitchParser::Key(const char* name) const
{
    std::string key(name ? name : "");
    if (!caseSensitive && !key.empty()) {
        std::vector<unsigned char> bytes(key.begin(), key.end());
        bytes.push_back('\0');
        _mbslwr(bytes.data());
        key.assign(reinterpret_cast<const char*>(bytes.data()));
    }
    return key;
}

void SwitchParser::Store(const unsigned char* name, size_t nameLength,
                         const unsigned char* value, size_t valueLength)
{
    if (nameLength == 0)
        return;
    std::string raw(reinterpret_cast<const char*>(name), nameLength);
    // emplace keeps an existing entry: the first occurrence wins.
    switches.emplace(Key(raw.c_str()),
                     std::string(reinterpret_cast<const char*>(value), valueLength));
}

void SwitchParser::Parse(const char* text)
{
    if (!text)
        return;
    commandLine = text;
    switches.clear();

    // Scan the copy, so the text may be changed or freed by the caller.
    const unsigned char* cursor = AsBytes(commandLine.c_str());
    const unsigned char* const end = cursor + commandLine.size();
    while (*cursor) {
        const unsigned char* prefix = _mbspbrk(cursor, kPrefixes);
        if (!prefix)
            return;
        // 0x22 is never the trail byte of a double-byte character.
        const bool quoted = prefix > cursor && prefix[-1] == '"';
        const unsigned char* name = _mbsinc(prefix);
        if (!*name)
            return;
        const unsigned char* stop = _mbspbrk(name, quoted ? kQuotedNameEnds : kNameEnds);
        if (!stop) {
            Store(name, end - name, name, 0);
            return;
        }
        if (*stop == ' ' || *stop == '"' || stop[1] == '\0') {
            Store(name, stop - name, stop, 0);
            cursor = stop + 1;
            continue;
        }
        const unsigned char* value = stop + 1;
        const unsigned char* valueEnd;
        if (quoted) {
            valueEnd = _mbschr(value, '"');
        } else if (*value == '"') {
            ++value;
            valueEnd = _mbschr(value, '"');
        } else {
            valueEnd = _mbschr(value, ' ');
        }
        if (!valueEnd) {
            Store(name, stop - name, value, end - value);
            return;
        }
        Store(name, stop - name, value, valueEnd - value);
        cursor = valueEnd + 1;
    }
}

bool SwitchParser::HasSwitch(const char* name) const
{
    return switches.count(Key(name)) != 0;
}

bool SwitchParser::HasValue(const char* name) const
{
    auto found = switches.find(Key(name));
    return found != switches.end() && !found->second.empty();
}

const char* SwitchParser::GetValue(const char* name) const
{
    auto found = switches.find(Key(name));
    return found == switches.end() ? nullptr : found->second.c_str();
}

bool SwitchParser::GetValue(const char* name, std::string& out) const
{
    auto found = switches.find(Key(name));
    if (found == switches.end())
        return false;
    out = found->second;
    return true;
}
