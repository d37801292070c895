// The skin.ini parser on the input as the text of a skin.ini, both as the
// engine reads it (the first fault ends it) and as skin check does (it goes
// on): the verdict and the first fault must be the same.
#include "FuzzFiles.h"
#include "SkinIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<IniSection> engine, check;
    SkinFaults first(false), all(true);
    const bool engineAccepts = ParseIni(text, engine, first);
    const bool checkAccepts = ParseIni(text, check, all);
    FUZZ_ASSERT(engineAccepts == checkAccepts);
    FUZZ_ASSERT(engineAccepts == first.empty() && checkAccepts == all.empty());
    if (!engineAccepts) {
        FUZZ_ASSERT(first.all().size() == 1);
        const SkinFault& a = first.first();
        const SkinFault& b = all.first();
        FUZZ_ASSERT(a.line == b.line && a.section == b.section && a.message == b.message);
        return 0;
    }
    // An accepted text: every section and key on a line of the text, in
    // order, key names in lower case and no key twice in a section.
    int lines = 1;
    for (char c : text)
        lines += c == '\n';
    int last = 0;
    for (const IniSection& section : engine) {
        FUZZ_ASSERT(section.line > last && section.line <= lines);
        last = section.line;
        for (size_t i = 0; i < section.keys.size(); ++i) {
            const IniKey& key = section.keys[i];
            FUZZ_ASSERT(key.line > last && key.line <= lines);
            last = key.line;
            for (unsigned char c : key.name)
                FUZZ_ASSERT(!(c >= 'A' && c <= 'Z'));
            for (size_t j = 0; j < i; ++j)
                FUZZ_ASSERT(section.keys[j].name != key.name);
        }
    }
    return 0;
}
