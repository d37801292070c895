#include "Skin.h"

#include "SkinArchive.h"
#include "SkinIni.h"
#include "SkinObjects.h"

#include <cstdlib>
#include <string.h>

namespace {

constexpr char kIniEntry[] = "skin.ini";
constexpr char kHeaderSection[] = "Skin";
constexpr int kFormat = 1;

bool ParseInt(const std::string& text, int low, int high, int& value)
{
    if (text.empty() || text.size() > 6)
        return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end || parsed < low || parsed > high)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseColour(const std::string& text, COLORREF& colour)
{
    if (text.size() != 7 || text[0] != '#')
        return false;
    unsigned value = 0;
    for (size_t i = 1; i < 7; ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    colour = RGB((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
    return true;
}

bool ColourKey(COLORREF SkinStyle::*field, SkinStyle& style, const std::string& value)
{
    return ParseColour(value, style.*field);
}

bool FontFace(SkinStyle& style, const std::string& value)
{
    wchar_t wide[LF_FACESIZE] = {};
    if (value.empty() || value.size() >= LF_FACESIZE ||
        !MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, value.c_str(), -1, wide, LF_FACESIZE))
        return false;
    style.fontFace = wide;
    style.hasFont = true;
    return true;
}

bool FontSize(SkinStyle& style, const std::string& value)
{
    style.hasFont = true;
    return ParseInt(value, 6, 72, style.fontSize);
}

bool FontWeight(SkinStyle& style, const std::string& value)
{
    style.hasFont = true;
    return ParseInt(value, 100, 900, style.fontWeight);
}

bool ImageName(SkinStyle& style, const std::string& value)
{
    if (value.empty() || value.size() >= MAX_PATH)
        return false;
    style.image = value;
    for (char& c : style.image)
        c = c == '\\' ? '/' : static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return true;
}

bool ImageSize(SkinStyle& style, const std::string& value)
{
    const size_t x = value.find_first_of("xX");
    return x != std::string::npos && ParseInt(value.substr(0, x), 1, 4096, style.frameWidth) &&
           ParseInt(value.substr(x + 1), 1, 4096, style.frameHeight);
}

bool ImageStates(SkinStyle& style, const std::string& value)
{
    return ParseInt(value, 1, 4, style.imageStates) &&
           (style.imageStates == 1 || style.imageStates == 4);
}

struct KeyRule {
    const char* name;
    bool (*apply)(SkinStyle&, const std::string&);
    bool image;  // only for objects that may carry an image
};

const KeyRule kKeys[] = {
    {"face", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::face, s, v); }, false},
    {"text", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::text, s, v); }, false},
    {"border", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::border, s, v); }, false},
    {"hot", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::hot, s, v); }, false},
    {"pressed", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::pressed, s, v); }, false},
    {"disabled", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::disabled, s, v); }, false},
    {"font_face", FontFace, false},
    {"font_size", FontSize, false},
    {"font_weight", FontWeight, false},
    {"image", ImageName, true},
    {"image_size", ImageSize, true},
    {"image_states", ImageStates, true},
};

const KeyRule* FindKey(const std::string& name)
{
    for (const KeyRule& rule : kKeys) {
        if (name == rule.name)
            return &rule;
    }
    return nullptr;
}

std::string Where(const IniSection& section, int line)
{
    return "skin.ini line " + std::to_string(line) + " in [" + section.name + "]: ";
}

bool ApplySection(const IniSection& section, bool mayHaveImage, SkinStyle& style,
                  std::string& error)
{
    bool ownImage = false;
    bool ownSize = false;
    for (const IniKey& key : section.keys) {
        const KeyRule* rule = FindKey(key.name);
        if (!rule || (rule->image && !mayHaveImage)) {
            error = Where(section, key.line) + "unknown key \"" + key.name + "\"";
            return false;
        }
        if (!rule->apply(style, key.value)) {
            error = Where(section, key.line) + "bad value \"" + key.value + "\" for " + key.name;
            return false;
        }
        ownImage |= key.name == "image";
        ownSize |= key.name == "image_size";
    }
    // An image and its frame size are declared together, so that a wrong
    // image in the archive is noticed instead of painted distorted.
    if (ownImage != ownSize) {
        error = Where(section, section.line) + "image and image_size go together";
        return false;
    }
    return true;
}

bool CheckHeader(const IniSection& header, std::string& name, std::string& error)
{
    int format = 0;
    for (const IniKey& key : header.keys) {
        if (key.name == "name") {
            name = key.value;
        } else if (key.name == "format") {
            if (!ParseInt(key.value, 1, 1000, format)) {
                error = Where(header, key.line) + "bad format number";
                return false;
            }
        } else {
            error = Where(header, key.line) + "unknown key \"" + key.name + "\"";
            return false;
        }
    }
    if (format != kFormat) {
        error = "skin.ini: unsupported format " + std::to_string(format) + ", this engine reads " +
                std::to_string(kFormat);
        return false;
    }
    return true;
}

int PixelHeight(int points)
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return -MulDiv(points, dpi, 72);
}

bool MakePaint(const SkinStyle& style, const SkinArchiveEntries& entries, SkinObjectPaint& paint,
               const char* objectName, std::string& error)
{
    paint.style = style;
    paint.face.reset(CreateSolidBrush(style.face));
    paint.hot.reset(CreateSolidBrush(style.hot));
    paint.pressed.reset(CreateSolidBrush(style.pressed));
    paint.border.reset(CreateSolidBrush(style.border));
    if (!paint.face || !paint.hot || !paint.pressed || !paint.border) {
        error = "out of GDI objects";
        return false;
    }
    if (style.hasFont) {
        LOGFONTW font = {};
        font.lfHeight = PixelHeight(style.fontSize);
        font.lfWeight = style.fontWeight;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = DEFAULT_QUALITY;
        wcsncpy(font.lfFaceName, style.fontFace.c_str(), LF_FACESIZE - 1);
        paint.font.reset(CreateFontIndirectW(&font));
        if (!paint.font) {
            error = "out of GDI objects";
            return false;
        }
    }
    if (!style.image.empty()) {
        const auto entry = entries.find(style.image);
        if (entry == entries.end()) {
            error = std::string("[") + objectName + "]: image " + style.image +
                    " is missing from the skin";
            return false;
        }
        std::string why;
        if (!DecodeSkinBitmap(entry->second, paint.image, why)) {
            error = std::string("[") + objectName + "]: image " + style.image + ": " + why;
            return false;
        }
        if (paint.image.width != style.frameWidth * style.imageStates ||
            paint.image.height != style.frameHeight) {
            error = std::string("[") + objectName + "]: image " + style.image + " is " +
                    std::to_string(paint.image.width) + "x" + std::to_string(paint.image.height) +
                    ", expected " + std::to_string(style.frameWidth * style.imageStates) + "x" +
                    std::to_string(style.frameHeight);
            return false;
        }
    }
    return true;
}

} // namespace

std::unique_ptr<Skin> Skin::Load(const wchar_t* path, std::string& error)
{
    SkinArchiveEntries entries;
    if (!ReadSkinArchive(path, entries, error))
        return nullptr;
    const auto ini = entries.find(kIniEntry);
    if (ini == entries.end()) {
        error = "skin has no skin.ini";
        return nullptr;
    }
    std::vector<IniSection> sections;
    if (!ParseIni(ini->second, sections, error))
        return nullptr;

    std::unique_ptr<Skin> skin(new Skin());
    std::vector<const IniSection*> bySection(SkinObjectCount(), nullptr);
    bool hasHeader = false;
    for (const IniSection& section : sections) {
        if (_stricmp(section.name.c_str(), kHeaderSection) == 0) {
            if (!CheckHeader(section, skin->name_, error))
                return nullptr;
            hasHeader = true;
            continue;
        }
        const int index = FindSkinObject(section.name.c_str());
        if (index == kNoObject) {
            error = "skin.ini line " + std::to_string(section.line) + ": unknown object [" +
                    section.name + "]";
            return nullptr;
        }
        bySection[index] = &section;
    }
    if (!hasHeader) {
        error = "skin.ini has no [Skin] section";
        return nullptr;
    }

    // Generic objects come first in the table, so a named object's generic
    // style is resolved before the named one needs it.
    std::vector<SkinStyle> resolved(SkinObjectCount());
    skin->objects_.resize(SkinObjectCount());
    for (int i = 0; i < SkinObjectCount(); ++i) {
        const SkinObjectInfo& info = SkinObjectAt(i);
        const bool genericPresent = info.generic != kNoObject && skin->objects_[info.generic];
        if (!bySection[i] && !genericPresent)
            continue;
        resolved[i] = genericPresent ? resolved[info.generic] : SkinStyle();
        if (bySection[i] && !ApplySection(*bySection[i], info.mayHaveImage, resolved[i], error))
            return nullptr;
        auto paint = std::make_unique<SkinObjectPaint>();
        if (!MakePaint(resolved[i], entries, *paint, info.name, error))
            return nullptr;
        skin->objects_[i] = std::move(paint);
    }
    return skin;
}

const SkinObjectPaint* Skin::object(int index) const
{
    if (index < 0 || index >= static_cast<int>(objects_.size()))
        return nullptr;
    return objects_[index].get();
}
