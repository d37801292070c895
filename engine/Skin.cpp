#include "Skin.h"

#include "SkinArchive.h"
#include "SkinIni.h"
#include "SkinObjects.h"

#include <cstdlib>
#include <string.h>

namespace {

constexpr char kIniEntry[] = "skin.ini";
constexpr char kHeaderSection[] = "Skin";
constexpr int kOldestFormat = 1;
constexpr int kNewestFormat = 2;

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

bool EntryName(std::string& field, const std::string& value)
{
    if (value.empty() || value.size() >= MAX_PATH)
        return false;
    field = value;
    for (char& c : field)
        c = c == '\\' ? '/' : static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return true;
}

bool ParseSize(const std::string& value, int& width, int& height)
{
    const size_t x = value.find_first_of("xX");
    return x != std::string::npos && ParseInt(value.substr(0, x), 1, 4096, width) &&
           ParseInt(value.substr(x + 1), 1, 4096, height);
}

bool ImageName(SkinStyle& style, const std::string& value)
{
    return EntryName(style.image, value);
}

bool ImageSize(SkinStyle& style, const std::string& value)
{
    return ParseSize(value, style.frameWidth, style.frameHeight);
}

bool ImageStates(SkinStyle& style, const std::string& value)
{
    return ParseInt(value, 1, 12, style.imageStates);
}

bool ImageMargins(SkinStyle& style, const std::string& value)
{
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t comma = value.find(',', start);
        if ((i < 3) != (comma != std::string::npos))
            return false;
        std::string part = value.substr(start, comma == std::string::npos ? comma : comma - start);
        while (!part.empty() && part.front() == ' ')
            part.erase(part.begin());
        while (!part.empty() && part.back() == ' ')
            part.pop_back();
        if (!ParseInt(part, 0, 4096, style.margins[i]))
            return false;
        start = comma + 1;
    }
    return true;
}

bool BackgroundMode(SkinStyle& style, const std::string& value)
{
    if (value != "stretch" && value != "tile")
        return false;
    style.tileBackground = value == "tile";
    return true;
}

// Which keys an object may carry beyond colours and fonts.
enum class KeyScope { Any, Image, Dialog };

struct KeyRule {
    const char* name;
    bool (*apply)(SkinStyle&, const std::string&);
    KeyScope scope;
    int since;  // first format that knows the key
};

#define VELUMO_COLOUR(key, field)                                                           \
    {key, [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::field, s, v); }, \
     KeyScope::Any, 2}

const KeyRule kKeys[] = {
    {"face", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::face, s, v); }, KeyScope::Any, 1},
    {"text", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::text, s, v); }, KeyScope::Any, 1},
    {"border", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::border, s, v); }, KeyScope::Any, 1},
    {"hot", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::hot, s, v); }, KeyScope::Any, 1},
    {"pressed", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::pressed, s, v); }, KeyScope::Any, 1},
    {"disabled", [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::disabled, s, v); }, KeyScope::Any, 1},
    {"font_face", FontFace, KeyScope::Any, 1},
    {"font_size", FontSize, KeyScope::Any, 1},
    {"font_weight", FontWeight, KeyScope::Any, 1},
    {"image", ImageName, KeyScope::Image, 1},
    {"image_size", ImageSize, KeyScope::Image, 1},
    {"image_states", ImageStates, KeyScope::Image, 1},
    {"image_margins", ImageMargins, KeyScope::Image, 2},
    VELUMO_COLOUR("caption", caption),
    VELUMO_COLOUR("caption_to", captionTo),
    VELUMO_COLOUR("caption_text", captionText),
    VELUMO_COLOUR("inactive", inactive),
    VELUMO_COLOUR("inactive_text", inactiveText),
    VELUMO_COLOUR("frame", frame),
    VELUMO_COLOUR("selection", selection),
    VELUMO_COLOUR("selection_text", selectionText),
    VELUMO_COLOUR("focus", focus),
    {"buttons", [](SkinStyle& s, const std::string& v) { return EntryName(s.buttons, v); }, KeyScope::Dialog, 2},
    {"buttons_size", [](SkinStyle& s, const std::string& v) { return ParseSize(v, s.buttonWidth, s.buttonHeight); }, KeyScope::Dialog, 2},
    {"background", [](SkinStyle& s, const std::string& v) { return EntryName(s.background, v); }, KeyScope::Dialog, 2},
    {"background_mode", BackgroundMode, KeyScope::Dialog, 2},
};
#undef VELUMO_COLOUR

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

bool KeyAllowed(const KeyRule& rule, const SkinObjectInfo& info, int format)
{
    if (rule.since > format)
        return false;
    switch (rule.scope) {
    case KeyScope::Image:
        // Only buttons carried images before frames and glyphs were painted.
        return info.mayHaveImage && (format >= 2 || info.kind == SkinKind::PushButton);
    case KeyScope::Dialog:
        return info.kind == SkinKind::Dialog;
    default:
        return true;
    }
}

bool ApplySection(const IniSection& section, const SkinObjectInfo& info, int format,
                  SkinStyle& style, std::string& error)
{
    bool ownImage = false;
    bool ownSize = false;
    bool ownButtons = false;
    bool ownButtonsSize = false;
    for (const IniKey& key : section.keys) {
        const KeyRule* rule = FindKey(key.name);
        if (!rule || !KeyAllowed(*rule, info, format)) {
            error = Where(section, key.line) + "unknown key \"" + key.name + "\"";
            return false;
        }
        if (!rule->apply(style, key.value)) {
            error = Where(section, key.line) + "bad value \"" + key.value + "\" for " + key.name;
            return false;
        }
        ownImage |= key.name == "image";
        ownSize |= key.name == "image_size";
        ownButtons |= key.name == "buttons";
        ownButtonsSize |= key.name == "buttons_size";
    }
    if (ownButtons != ownButtonsSize) {
        error = Where(section, section.line) + "buttons and buttons_size go together";
        return false;
    }
    // An image and its frame size are declared together, so that a wrong
    // image in the archive is noticed instead of painted distorted.
    if (ownImage != ownSize) {
        error = Where(section, section.line) + "image and image_size go together";
        return false;
    }
    return true;
}

bool CheckHeader(const IniSection& header, std::string& name, int& format, std::string& error)
{
    format = 0;
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
    if (format < kOldestFormat || format > kNewestFormat) {
        error = "skin.ini: unsupported format " + std::to_string(format) + ", this engine reads " +
                std::to_string(kOldestFormat) + " to " + std::to_string(kNewestFormat);
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

// One image of the skin, decoded and checked against its declared size: a
// wrong image is a fault, not a distortion. width 0: any size will do.
bool LoadImage(const SkinArchiveEntries& entries, const std::string& name, int width, int height,
               SkinImage& image, const char* objectName, std::string& error)
{
    const std::string where = std::string("[") + objectName + "]: image " + name;
    const auto entry = entries.find(name);
    if (entry == entries.end()) {
        error = where + " is missing from the skin";
        return false;
    }
    std::string why;
    if (!DecodeSkinBitmap(entry->second, image, why)) {
        error = where + ": " + why;
        return false;
    }
    if (width && (image.width != width || image.height != height)) {
        error = where + " is " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                ", expected " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    return true;
}

// How many frames an image strip may have, by the kind of object it paints.
bool StatesFit(SkinKind kind, int states)
{
    switch (kind) {
    case SkinKind::PushButton:
        return states == 1 || states == 4;
    case SkinKind::Dialog:  // caption bar: active, and optionally inactive
        return states == 1 || states == 2;
    case SkinKind::CheckBox:  // unchecked, checked and mixed, four looks each
        return states == 8 || states == 12;
    case SkinKind::RadioButton:
        return states == 8;
    case SkinKind::ProgressBar:  // track and bar
        return states == 2;
    default:
        return false;
    }
}

COLORREF Or(COLORREF value, COLORREF fallback)
{
    return value == CLR_INVALID ? fallback : value;
}

SkinColours ResolveColours(const SkinStyle& style)
{
    SkinColours c;
    c.caption = Or(style.caption, style.border);
    c.captionTo = Or(style.captionTo, c.caption);
    c.captionText = Or(style.captionText, style.face);
    c.inactive = Or(style.inactive, c.caption);
    c.inactiveText = Or(style.inactiveText, style.disabled);
    c.frame = Or(style.frame, style.border);
    c.selection = Or(style.selection, style.hot);
    c.selectionText = Or(style.selectionText, style.text);
    c.focus = Or(style.focus, style.text);
    return c;
}

bool MakePaint(const SkinStyle& style, const SkinArchiveEntries& entries, SkinObjectPaint& paint,
               const SkinObjectInfo& info, int format, std::string& error)
{
    paint.style = style;
    paint.colours = ResolveColours(style);
    paint.full = format >= 2;
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
    const std::string where = std::string("[") + info.name + "]: ";
    if (!style.image.empty()) {
        if (!StatesFit(info.kind, style.imageStates)) {
            error = where + "image_states " + std::to_string(style.imageStates) +
                    " does not fit this object";
            return false;
        }
        if (style.margins[0] + style.margins[2] > style.frameWidth ||
            style.margins[1] + style.margins[3] > style.frameHeight) {
            error = where + "image_margins are wider than the image";
            return false;
        }
        if (!LoadImage(entries, style.image, style.frameWidth * style.imageStates,
                       style.frameHeight, paint.image, info.name, error))
            return false;
    }
    // Close and minimise, each normal, hot, pressed and inactive.
    if (!style.buttons.empty() &&
        !LoadImage(entries, style.buttons, style.buttonWidth * 8, style.buttonHeight,
                   paint.buttons, info.name, error))
        return false;
    if (!style.background.empty() &&
        !LoadImage(entries, style.background, 0, 0, paint.background, info.name, error))
        return false;
    if (paint.background.bitmap && style.tileBackground) {
        paint.backgroundTile.reset(CreatePatternBrush(paint.background.bitmap.get()));
        if (!paint.backgroundTile) {
            error = "out of GDI objects";
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
            if (!CheckHeader(section, skin->name_, skin->format_, error))
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
        if (bySection[i] &&
            !ApplySection(*bySection[i], info, skin->format_, resolved[i], error))
            return nullptr;
        auto paint = std::make_unique<SkinObjectPaint>();
        if (!MakePaint(resolved[i], entries, *paint, info, skin->format_, error))
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
