#pragma once

// The text of skin.ini: sections of "key = value" lines. Only the syntax is
// checked here; what the keys mean is the skin's business.

#include "SkinFaults.h"

#include <string>
#include <vector>

struct IniKey {
    std::string name;   // lower case
    std::string value;  // trimmed
    int line = 0;
};

struct IniSection {
    std::string name;   // as written
    int line = 0;
    std::vector<IniKey> keys;
};

// Parses UTF-8 text (an optional byte order mark is skipped). Lines starting
// with ';' or '#' are comments. A key before the first section, a line that is
// neither a section nor "key = value", a duplicate section or a duplicate key
// within a section makes the whole text malformed: false, with each fault in
// faults. When faults go on, a faulty line is passed over, and so are the
// keys of a section whose header is faulty or repeated.
bool ParseIni(const std::string& text, std::vector<IniSection>& sections, SkinFaults& faults);
