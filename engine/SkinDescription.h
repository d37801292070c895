#pragma once

// The portable core of the skin engine: a skin file read, checked key by key
// and resolved into a plain description (colours, fonts, decoded images),
// with nothing of any window system in it. The engine makes its GDI objects
// from this description (Skin.h); `ornixcreator skin check` runs the same
// checks natively. One set of rules for both.

#include "SkinBitmap.h"
#include "SkinFaults.h"
#include "SkinFileAccess.h"

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

// Colours as Windows' COLORREF holds them: 0x00BBGGRR.
constexpr uint32_t SkinRgb(unsigned red, unsigned green, unsigned blue)
{
    return (red & 0xff) | (green & 0xff) << 8 | (blue & 0xff) << 16;
}
// Not set: taken from another key when painting (CLR_INVALID).
constexpr uint32_t kNoColour = 0xFFFFFFFFu;

// The scales, in percent, that a skin may draw its images for besides 100%:
// `image@150`, `image@200`, and so for `buttons` and `background`.
constexpr int kLargerScales[2] = {150, 200};
// A length of a 100% image at a scale in percent, as the larger images must
// have it: half a pixel rounds up.
constexpr int AtScale(int length, int scale)
{
    return (length * scale + 50) / 100;
}

struct SkinStyle {
    uint32_t face = SkinRgb(0xF0, 0xF0, 0xF0);
    uint32_t text = SkinRgb(0, 0, 0);
    uint32_t border = SkinRgb(0x80, 0x80, 0x80);
    uint32_t hot = SkinRgb(0xF0, 0xF0, 0xF0);
    uint32_t pressed = SkinRgb(0xF0, 0xF0, 0xF0);
    uint32_t disabled = SkinRgb(0xA0, 0xA0, 0xA0);  // text of a disabled window
    bool hasFont = false;
    std::string fontFace = "Tahoma";  // UTF-8, fewer than 32 bytes
    int fontSize = 8;  // points
    int fontWeight = 400;
    std::string image;  // archive entry, lower case; empty for none
    int imageStates = 1;  // 1, or 4 frames side by side: normal, hot, pressed, disabled
    int frameWidth = 0;
    int frameHeight = 0;
    // Format 2. kNoColour: not set, taken from another key when painting.
    uint32_t caption = kNoColour;       // caption bar; default border
    uint32_t captionTo = kNoColour;     // right end of a caption gradient
    uint32_t captionText = kNoColour;   // default face
    uint32_t inactive = kNoColour;      // caption bar of an inactive window
    uint32_t inactiveText = kNoColour;  // default disabled
    uint32_t frame = kNoColour;         // window frame, field border; default border
    uint32_t selection = kNoColour;     // selected item; default hot
    uint32_t selectionText = kNoColour; // default text
    uint32_t focus = kNoColour;         // focus cue; default text
    int margins[4] = {0, 0, 0, 0};      // left, top, right, bottom kept unscaled
    std::string buttons;                // caption-button strip
    int buttonWidth = 0;
    int buttonHeight = 0;
    std::string background;             // dialog background image
    bool tileBackground = false;
    // The same images drawn for each of kLargerScales; empty for none. Their
    // frames and margins are those above at that scale.
    std::string imageAt[2], buttonsAt[2], backgroundAt[2];
    // The skin.ini lines that set the image keys, inherited with them, so
    // that a fault found in an image names the line that asked for it.
    int imageLine = 0, statesLine = 0, marginsLine = 0, buttonsLine = 0, backgroundLine = 0;
    int imageAtLine[2] = {}, buttonsAtLine[2] = {}, backgroundAtLine[2] = {};
};

// Format-2 colours with their defaults filled in.
struct SkinColours {
    uint32_t caption, captionTo, captionText, inactive, inactiveText, frame, selection,
        selectionText, focus;
};

// One object of a skin, resolved: its keys over those of the object it
// falls back on, over the defaults.
struct SkinObjectDescription {
    SkinStyle style;
    SkinColours colours = {};
    SkinPixels image;       // width 0: no image
    SkinPixels buttons;     // caption buttons: close and minimise, four states each
    SkinPixels background;  // dialog background
    // The same three drawn for each of kLargerScales; width 0 where the skin has none.
    SkinPixels imageAt[2], buttonsAt[2], backgroundAt[2];
    // Format 2 paints frames, glyphs, fields and scroll bars; format 1 only
    // faces, buttons and text colours.
    bool full = false;
};

struct SkinDescription {
    std::string name;
    int format = 1;
    // Whether the skin may stay on while Windows shows high contrast: a skin
    // whose every pair of colours reads in it says so (`high_contrast = safe`).
    bool highContrastSafe = false;
    // The look for Windows' dark app mode, read from another ini of the same
    // archive with the same rules; null when the skin has none.
    std::unique_ptr<SkinDescription> dark;
    std::string darkIni;  // the archive entry it was read from
    // One per object of SkinObjects.h, by index; null where the skin leaves
    // the object alone (neither its section nor its generic one is present).
    std::vector<std::unique_ptr<SkinObjectDescription>> objects;

    // The objects the skin paints: those with a section, and the named ones
    // that take the look of a generic object with a section.
    int ObjectCount() const;
};

// Reads the skin file at path and checks all of it: the archive, skin.ini,
// every key of every object, every image. True, with the description filled,
// when the skin is accepted; false with the faults recorded when it is
// refused. With faults that keep going, every independent fault is recorded;
// the verdict is the same either way.
bool DescribeSkin(const SkinPathChar* path, SkinDescription& skin, SkinFaults& faults);

enum class SkinVerdict {
    Accepted,
    Refused,     // the engine would refuse the skin
    Unreadable,  // nothing readable at the path: no verdict on a skin
};

// DescribeSkin for a path as a program's char strings hold it (the active
// code page on Windows, UTF-8 elsewhere): what both builders and
// `ornixcreator skin check` ask. Refused and Unreadable leave the faults.
SkinVerdict CheckSkin(const char* path, SkinFaults& faults, SkinDescription* description = nullptr);
