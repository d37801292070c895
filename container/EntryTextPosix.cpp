#include "EntryText.h"

#include <wctype.h>

#include <stdint.h>

// Names on this side are UTF-8, whatever code page is asked for: the
// builder that runs here reads its own file names.
bool WidenEntryName(const char* name, unsigned, std::u16string& wide)
{
    wide.clear();
    const uint8_t* at = reinterpret_cast<const uint8_t*>(name);
    while (*at) {
        uint32_t c = *at;
        int trail = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2
                                 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (trail < 0)
            return false;
        c &= 0x7F >> trail;
        for (int i = 1; i <= trail; ++i) {
            if ((at[i] & 0xC0) != 0x80)
                return false;
            c = c << 6 | (at[i] & 0x3F);
        }
        static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[trail] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;  // overlong forms and surrogates are no text
        if (c >= 0x10000) {
            wide.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            wide.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(char16_t(c));
        }
        at += trail + 1;
    }
    return true;
}

void UpperEntryName(std::u16string& name)
{
    for (char16_t& c : name) {
        if (c < 0xD800 || c > 0xDFFF)
            c = char16_t(towupper(wint_t(c)));
    }
}
