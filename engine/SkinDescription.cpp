#include "SkinDescription.h"

#include "SkinArchive.h"
#include "SkinIni.h"
#include "SkinNames.h"
#include "SkinObjects.h"

#include <cctype>
#include <cstdlib>

namespace {

constexpr char kIniEntry[] = "skin.ini";
constexpr char kHeaderSection[] = "Skin";
constexpr int kOldestFormat = 1;
constexpr int kNewestFormat = 2;
// LF_FACESIZE: a font name and its terminating zero.
constexpr size_t kFaceSize = 32;
// MAX_PATH: the longest entry name an image key may give.
constexpr size_t kMaxEntryName = 260;

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

bool ParseColour(const std::string& text, uint32_t& colour)
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
    colour = SkinRgb((value >> 16) & 0xff, (value >> 8) & 0xff, value & 0xff);
    return true;
}

// Well-formed UTF-8 as Windows' MB_ERR_INVALID_CHARS takes it: no stray or
// missing continuation byte, no overlong form, no surrogate, nothing past
// U+10FFFF.
bool IsUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length;
        uint32_t code;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
            (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

bool ColourKey(uint32_t SkinStyle::*field, SkinStyle& style, const std::string& value)
{
    return ParseColour(value, style.*field);
}

bool FontFace(SkinStyle& style, const std::string& value)
{
    if (value.empty() || value.size() >= kFaceSize || !IsUtf8(value))
        return false;
    style.fontFace = value;
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
    if (value.empty() || value.size() >= kMaxEntryName)
        return false;
    field = EntryKey(value);
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

// The entry of one of an image key's larger sizes (`image@150`): Index into
// kLargerScales.
template <std::string (SkinStyle::*Sizes)[2], int Index>
bool LargerEntry(SkinStyle& style, const std::string& value)
{
    return EntryName((style.*Sizes)[Index], value);
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

#define VELUMO_COLOUR(key, field, since)                                                    \
    {key, [](SkinStyle& s, const std::string& v) { return ColourKey(&SkinStyle::field, s, v); }, \
     KeyScope::Any, since}

const KeyRule kKeys[] = {
    VELUMO_COLOUR("face", face, 1),
    VELUMO_COLOUR("text", text, 1),
    VELUMO_COLOUR("border", border, 1),
    VELUMO_COLOUR("hot", hot, 1),
    VELUMO_COLOUR("pressed", pressed, 1),
    VELUMO_COLOUR("disabled", disabled, 1),
    {"font_face", FontFace, KeyScope::Any, 1},
    {"font_size", FontSize, KeyScope::Any, 1},
    {"font_weight", FontWeight, KeyScope::Any, 1},
    {"image", ImageName, KeyScope::Image, 1},
    {"image_size", ImageSize, KeyScope::Image, 1},
    {"image_states", ImageStates, KeyScope::Image, 1},
    {"image_margins", ImageMargins, KeyScope::Image, 2},
    VELUMO_COLOUR("caption", caption, 2),
    VELUMO_COLOUR("caption_to", captionTo, 2),
    VELUMO_COLOUR("caption_text", captionText, 2),
    VELUMO_COLOUR("inactive", inactive, 2),
    VELUMO_COLOUR("inactive_text", inactiveText, 2),
    VELUMO_COLOUR("frame", frame, 2),
    VELUMO_COLOUR("selection", selection, 2),
    VELUMO_COLOUR("selection_text", selectionText, 2),
    VELUMO_COLOUR("focus", focus, 2),
    {"buttons", [](SkinStyle& s, const std::string& v) { return EntryName(s.buttons, v); }, KeyScope::Dialog, 2},
    {"buttons_size", [](SkinStyle& s, const std::string& v) { return ParseSize(v, s.buttonWidth, s.buttonHeight); }, KeyScope::Dialog, 2},
    {"background", [](SkinStyle& s, const std::string& v) { return EntryName(s.background, v); }, KeyScope::Dialog, 2},
    {"background_mode", BackgroundMode, KeyScope::Dialog, 2},
    {"image@150", LargerEntry<&SkinStyle::imageAt, 0>, KeyScope::Image, 2},
    {"image@200", LargerEntry<&SkinStyle::imageAt, 1>, KeyScope::Image, 2},
    {"buttons@150", LargerEntry<&SkinStyle::buttonsAt, 0>, KeyScope::Dialog, 2},
    {"buttons@200", LargerEntry<&SkinStyle::buttonsAt, 1>, KeyScope::Dialog, 2},
    {"background@150", LargerEntry<&SkinStyle::backgroundAt, 0>, KeyScope::Dialog, 2},
    {"background@200", LargerEntry<&SkinStyle::backgroundAt, 1>, KeyScope::Dialog, 2},
};

// Which of kLargerScales a key such as "image@150" names for the image key
// base, or -1.
int LargerScaleOf(const std::string& key, const char* base)
{
    for (int i = 0; i < 2; ++i) {
        if (key == base + ("@" + std::to_string(kLargerScales[i])))
            return i;
    }
    return -1;
}
#undef VELUMO_COLOUR

const KeyRule* FindKey(const std::string& name)
{
    for (const KeyRule& rule : kKeys) {
        if (name == rule.name)
            return &rule;
    }
    return nullptr;
}

bool KeyAllowed(const KeyRule& rule, const SkinObjectInfo& info, int format)
{
    if (rule.since > format)
        return false;
    // A picture is cropped to its control, never sliced or stepped through:
    // of the image keys it takes the image alone, at any size.
    if (info.kind == SkinKind::Picture && rule.scope == KeyScope::Image)
        return std::string(rule.name) == "image" || LargerScaleOf(rule.name, "image") >= 0;
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

// The keys of one section over the style it starts from. False when any key
// is at fault; with faults that keep going, every key is still looked at.
bool ApplySection(const IniSection& section, const SkinObjectInfo& info, int format,
                  SkinStyle& style, SkinFaults& faults, bool& stop)
{
    bool sound = true;
    auto fault = [&](int line, const std::string& message) {
        sound = false;
        stop = !faults.Add(line, section.name, message);
        return stop;
    };
    bool ownImage = false;
    bool ownSize = false;
    bool ownButtons = false;
    bool ownButtonsSize = false;
    bool ownBackground = false;
    bool ownLarger[3][2] = {};  // image, buttons, background at each larger scale
    for (const IniKey& key : section.keys) {
        const KeyRule* rule = FindKey(key.name);
        if (!rule || !KeyAllowed(*rule, info, format)) {
            if (fault(key.line, "unknown key \"" + key.name + "\""))
                return false;
            continue;
        }
        if (!rule->apply(style, key.value)) {
            if (fault(key.line, "bad value \"" + key.value + "\" for " + key.name))
                return false;
            continue;
        }
        const bool image = key.name == "image";
        const bool size = key.name == "image_size";
        const bool buttons = key.name == "buttons";
        const bool buttonsSize = key.name == "buttons_size";
        ownImage |= image;
        ownSize |= size;
        ownButtons |= buttons;
        ownButtonsSize |= buttonsSize;
        if (image)
            style.imageLine = key.line;
        else if (key.name == "image_states")
            style.statesLine = key.line;
        else if (key.name == "image_margins")
            style.marginsLine = key.line;
        else if (buttons)
            style.buttonsLine = key.line;
        else if (key.name == "background") {
            style.backgroundLine = key.line;
            ownBackground = true;
        }
        int* const largerLines[3] = {style.imageAtLine, style.buttonsAtLine, style.backgroundAtLine};
        const char* const bases[3] = {"image", "buttons", "background"};
        for (int which = 0; which < 3; ++which) {
            const int scale = LargerScaleOf(key.name, bases[which]);
            if (scale >= 0) {
                largerLines[which][scale] = key.line;
                ownLarger[which][scale] = true;
            }
        }
    }
    // A section's own image comes with its own larger sizes or none: those
    // inherited were drawn for another image.
    const bool ownBase[3] = {ownImage, ownButtons, ownBackground};
    std::string* const larger[3] = {style.imageAt, style.buttonsAt, style.backgroundAt};
    for (int which = 0; which < 3; ++which) {
        for (int scale = 0; scale < 2; ++scale) {
            if (ownBase[which] && !ownLarger[which][scale])
                larger[which][scale].clear();
        }
    }
    if (ownButtons != ownButtonsSize &&
        fault(section.line, "buttons and buttons_size go together"))
        return false;
    if (info.kind == SkinKind::Picture) {
        // A picture section is there for its image.
        if (!ownImage && fault(section.line, "image is required"))
            return false;
        return sound;
    }
    // An image and its frame size are declared together, so that a wrong
    // image in the archive is noticed instead of painted distorted.
    if (ownImage != ownSize && fault(section.line, "image and image_size go together"))
        return false;
    return sound;
}

// What the [Skin] section says of the skin as a whole.
struct SkinHeader {
    std::string name;
    int format = 0;
    std::string dark;  // entry of the dark variant's ini; empty for none
    bool highContrastSafe = false;
};

// variant: the section of a dark variant's ini, which names no variant of
// its own and leaves high contrast to the skin it belongs to.
bool CheckHeader(const IniSection& header, const std::string& iniName, bool variant,
                 SkinHeader& skin, SkinFaults& faults, bool& stop)
{
    bool sound = true;
    skin.format = 0;
    auto refuse = [&](const IniKey& key, const std::string& message) {
        sound = false;
        if (!faults.Add(key.line, header.name, message)) {
            stop = true;
            return true;
        }
        return false;
    };
    for (const IniKey& key : header.keys) {
        if (key.name == "name") {
            skin.name = key.value;
        } else if (key.name == "format") {
            if (!ParseInt(key.value, 1, 1000, skin.format)) {
                // Without a format the keys of the objects cannot be judged.
                faults.Add(key.line, header.name, "bad format number");
                stop = true;
                return false;
            }
        } else if (key.name == "dark" && !variant) {
            if (!EntryName(skin.dark, key.value) || skin.dark == kIniEntry) {
                skin.dark.clear();
                if (refuse(key, "dark names no other ini of the skin"))
                    return false;
            }
        } else if (key.name == "high_contrast" && !variant) {
            if (key.value == "safe") {
                skin.highContrastSafe = true;
            } else if (refuse(key, "high_contrast takes only \"safe\"")) {
                return false;
            }
        } else if (refuse(key, "unknown key \"" + key.name + "\"")) {
            return false;
        }
    }
    if (skin.format < kOldestFormat || skin.format > kNewestFormat) {
        SkinFault fault;
        fault.message = iniName + ": unsupported format " + std::to_string(skin.format) +
                        ", this engine reads " + std::to_string(kOldestFormat) + " to " +
                        std::to_string(kNewestFormat);
        faults.Add(fault);
        stop = true;
        return false;
    }
    return sound;
}

// A fault found in an image or its frames, after skin.ini was read: it names
// the object, and its line is that of the key.
bool ImageFault(SkinFaults& faults, const SkinObjectInfo& info, int line,
                const std::string& message)
{
    SkinFault fault;
    fault.line = line;
    fault.section = info.name;
    fault.message = message;
    fault.lineInText = false;
    return faults.Add(fault);
}

// One image of the skin, decoded and checked against its declared size: a
// wrong image is a fault, not a distortion. width 0: any size will do.
bool LoadImage(const SkinArchiveEntries& entries, const std::string& name, int width, int height,
               SkinPixels& image, const SkinObjectInfo& info, int line, SkinFaults& faults)
{
    const std::string what = "image " + name;
    const auto entry = entries.find(name);
    if (entry == entries.end())
        return ImageFault(faults, info, line, what + " is missing from the skin") && false;
    std::string why;
    if (!DecodeSkinBitmap(entry->second, image, why))
        return ImageFault(faults, info, line, what + ": " + why) && false;
    if (width && (image.width != width || image.height != height)) {
        return ImageFault(faults, info, line,
                          what + " is " + std::to_string(image.width) + "x" +
                              std::to_string(image.height) + ", expected " +
                              std::to_string(width) + "x" + std::to_string(height)) &&
               false;
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
    case SkinKind::Picture:
        return states == 1;
    default:
        return false;
    }
}

uint32_t Or(uint32_t value, uint32_t fallback)
{
    return value == kNoColour ? fallback : value;
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

// The object's images, each checked against what its keys declare. False
// with the faults recorded; stop set when the faults end the check.
bool Describe(const SkinStyle& style, const SkinArchiveEntries& entries,
              SkinObjectDescription& object, const SkinObjectInfo& info, int format,
              SkinFaults& faults, bool& stop)
{
    object.style = style;
    object.colours = ResolveColours(style);
    object.full = format >= 2;
    bool sound = true;
    auto failed = [&](bool goOn) {
        sound = false;
        stop = !goOn;
        return stop;
    };
    if (!style.image.empty()) {
        const int statesLine = style.statesLine ? style.statesLine : style.imageLine;
        if (!StatesFit(info.kind, style.imageStates)) {
            if (failed(ImageFault(faults, info, statesLine,
                                  "image_states " + std::to_string(style.imageStates) +
                                      " does not fit this object")))
                return false;
        } else if (style.margins[0] + style.margins[2] > style.frameWidth ||
                   style.margins[1] + style.margins[3] > style.frameHeight) {
            if (failed(ImageFault(faults, info, style.marginsLine,
                                  "image_margins are wider than the image")))
                return false;
        } else if (!LoadImage(entries, style.image, style.frameWidth * style.imageStates,
                              style.frameHeight, object.image, info, style.imageLine, faults)) {
            if (failed(faults.keepGoing()))
                return false;
        }
    }
    // The larger sizes of each image: its frames and margins at that scale.
    struct Larger {
        const char* key;
        const std::string& base;
        const std::string* entries;
        const int* lines;
        SkinPixels* pixels;
        int frames, frameWidth, frameHeight;  // at 100%; width 0: any size
    };
    const Larger larger[3] = {
        {"image", style.image, style.imageAt, style.imageAtLine, object.imageAt,
         style.imageStates, style.frameWidth, style.frameHeight},
        {"buttons", style.buttons, style.buttonsAt, style.buttonsAtLine, object.buttonsAt, 8,
         style.buttonWidth, style.buttonHeight},
        {"background", style.background, style.backgroundAt, style.backgroundAtLine,
         object.backgroundAt, 1, 0, 0},
    };
    for (const Larger& image : larger) {
        for (int i = 0; i < 2; ++i) {
            if (image.entries[i].empty())
                continue;
            const int scale = kLargerScales[i];
            if (image.base.empty()) {
                if (failed(ImageFault(faults, info, image.lines[i],
                                      std::string(image.key) + "@" + std::to_string(scale) +
                                          " needs " + image.key + ", its size at 100%")))
                    return false;
                continue;
            }
            if (!LoadImage(entries, image.entries[i],
                           image.frames * AtScale(image.frameWidth, scale),
                           AtScale(image.frameHeight, scale), image.pixels[i], info,
                           image.lines[i], faults) &&
                failed(faults.keepGoing()))
                return false;
        }
    }
    // Close and minimise, each normal, hot, pressed and inactive.
    if (!style.buttons.empty() &&
        !LoadImage(entries, style.buttons, style.buttonWidth * 8, style.buttonHeight,
                   object.buttons, info, style.buttonsLine, faults) &&
        failed(faults.keepGoing()))
        return false;
    if (!style.background.empty() &&
        !LoadImage(entries, style.background, 0, 0, object.background, info,
                   style.backgroundLine, faults) &&
        failed(faults.keepGoing()))
        return false;
    return sound;
}

// One ini of the skin, described: skin.ini, or the ini of its dark variant,
// which shares the archive's images.
bool DescribeIni(const SkinArchiveEntries& entries, const std::string& iniName, bool variant,
                 SkinDescription& skin, SkinHeader& header, SkinFaults& faults)
{
    const auto ini = entries.find(iniName);
    if (ini == entries.end()) {
        faults.Add(0, std::string(), "skin has no " + iniName);
        return false;
    }
    std::vector<IniSection> sections;
    bool sound = ParseIni(ini->second, sections, faults);
    if (!sound && !faults.keepGoing())
        return false;

    std::vector<const IniSection*> bySection(SkinObjectCount(), nullptr);
    bool hasHeader = false;
    bool formatKnown = false;
    for (const IniSection& section : sections) {
        if (SameSkinName(section.name.c_str(), kHeaderSection)) {
            bool stop = false;
            hasHeader = true;
            if (!CheckHeader(section, iniName, variant, header, faults, stop)) {
                sound = false;
                if (stop && !faults.keepGoing())
                    return false;
            }
            skin.name = header.name;
            skin.format = header.format;
            formatKnown = skin.format >= kOldestFormat && skin.format <= kNewestFormat;
            continue;
        }
        const int index = FindSkinObject(section.name.c_str());
        if (index == kNoObject) {
            sound = false;
            if (!faults.Add(section.line, std::string(), "unknown object [" + section.name + "]"))
                return false;
            continue;
        }
        bySection[index] = &section;
    }
    if (!hasHeader) {
        faults.Add(0, std::string(), iniName + " has no [Skin] section");
        return false;
    }
    // The keys of the objects are judged by the format.
    if (!formatKnown)
        return false;

    // Generic objects come first in the table, so a named object's generic
    // style is resolved before the named one needs it.
    std::vector<SkinStyle> resolved(SkinObjectCount());
    // Objects whose keys, or whose generic object's keys, are at fault: their
    // images are not looked at, which would only repeat the fault.
    std::vector<bool> faulty(SkinObjectCount(), false);
    skin.objects.resize(SkinObjectCount());
    for (int i = 0; i < SkinObjectCount(); ++i) {
        const SkinObjectInfo& info = SkinObjectAt(i);
        const bool genericPresent = info.generic != kNoObject && skin.objects[info.generic];
        if (!bySection[i] && !genericPresent)
            continue;
        if (info.since > skin.format) {
            sound = false;
            if (!faults.Add(bySection[i]->line, std::string(),
                            "object [" + bySection[i]->name + "] needs format " +
                                std::to_string(info.since)))
                return false;
            continue;
        }
        resolved[i] = genericPresent ? resolved[info.generic] : SkinStyle();
        faulty[i] = genericPresent && faulty[info.generic];
        bool stop = false;
        if (bySection[i] &&
            !ApplySection(*bySection[i], info, skin.format, resolved[i], faults, stop)) {
            sound = false;
            faulty[i] = true;
            if (stop)
                return false;
        }
        auto object = std::make_unique<SkinObjectDescription>();
        if (!faulty[i] &&
            !Describe(resolved[i], entries, *object, info, skin.format, faults, stop)) {
            sound = false;
            faulty[i] = true;
            if (stop)
                return false;
        }
        skin.objects[i] = std::move(object);
    }
    return sound;
}

} // namespace

int SkinDescription::ObjectCount() const
{
    int count = 0;
    for (const auto& object : objects)
        count += object != nullptr;
    return count;
}

bool DescribeSkin(const SkinPathChar* path, SkinDescription& skin, SkinFaults& faults)
{
    skin = SkinDescription();
    SkinArchiveEntries entries;
    if (!ReadSkinArchive(path, entries, faults))
        return false;
    SkinHeader header;
    bool sound = DescribeIni(entries, kIniEntry, false, skin, header, faults);
    if (!sound && (!faults.keepGoing() || skin.objects.empty()))
        return false;
    skin.highContrastSafe = header.highContrastSafe;
    if (header.dark.empty())
        return sound;
    auto dark = std::make_unique<SkinDescription>();
    SkinHeader darkHeader;
    faults.SetEntry(header.dark);
    const bool darkSound = DescribeIni(entries, header.dark, true, *dark, darkHeader, faults);
    faults.SetEntry(std::string());
    if (!darkSound)
        return false;
    if (dark->name.empty())
        dark->name = skin.name;
    dark->highContrastSafe = skin.highContrastSafe;
    skin.dark = std::move(dark);
    skin.darkIni = header.dark;
    return sound;
}

SkinVerdict CheckSkin(const char* path, SkinFaults& faults, SkinDescription* description)
{
    SkinDescription own;
    const SkinPath native = SkinPathFromNarrow(path);
    if (DescribeSkin(native.c_str(), description ? *description : own, faults))
        return SkinVerdict::Accepted;
    if (!faults.empty() && faults.first().kind == SkinFaultKind::Unreadable)
        return SkinVerdict::Unreadable;
    return SkinVerdict::Refused;
}
