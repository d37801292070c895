#pragma once

// A skin loaded from its file: every object's resolved colours, font and
// image, with the GDI objects to paint them. Built completely or not at all.

#include "GdiHandle.h"
#include "SkinBitmap.h"

#include <memory>
#include <string>
#include <vector>

struct SkinStyle {
    COLORREF face = RGB(0xF0, 0xF0, 0xF0);
    COLORREF text = RGB(0, 0, 0);
    COLORREF border = RGB(0x80, 0x80, 0x80);
    COLORREF hot = RGB(0xF0, 0xF0, 0xF0);
    COLORREF pressed = RGB(0xF0, 0xF0, 0xF0);
    COLORREF disabled = RGB(0xA0, 0xA0, 0xA0);  // text of a disabled window
    bool hasFont = false;
    std::wstring fontFace = L"Tahoma";
    int fontSize = 8;  // points
    int fontWeight = FW_NORMAL;
    std::string image;  // archive entry, lower case; empty for none
    int imageStates = 1;  // 1, or 4 frames side by side: normal, hot, pressed, disabled
    int frameWidth = 0;
    int frameHeight = 0;
    // Format 2. CLR_INVALID: not set, taken from another key when painting.
    COLORREF caption = CLR_INVALID;       // caption bar; default border
    COLORREF captionTo = CLR_INVALID;     // right end of a caption gradient
    COLORREF captionText = CLR_INVALID;   // default face
    COLORREF inactive = CLR_INVALID;      // caption bar of an inactive window
    COLORREF inactiveText = CLR_INVALID;  // default disabled
    COLORREF frame = CLR_INVALID;         // window frame, field border; default border
    COLORREF selection = CLR_INVALID;     // selected item; default hot
    COLORREF selectionText = CLR_INVALID; // default text
    COLORREF focus = CLR_INVALID;         // focus cue; default text
    int margins[4] = {0, 0, 0, 0};        // left, top, right, bottom kept unscaled
    std::string buttons;                  // caption-button strip
    int buttonWidth = 0;
    int buttonHeight = 0;
    std::string background;               // dialog background image
    bool tileBackground = false;
};

// Format-2 colours with their defaults filled in.
struct SkinColours {
    COLORREF caption, captionTo, captionText, inactive, inactiveText, frame, selection,
        selectionText, focus;
};

// What painting one object needs.
struct SkinObjectPaint {
    SkinStyle style;
    BrushHandle face;
    BrushHandle hot;
    BrushHandle pressed;
    BrushHandle border;
    FontHandle font;  // null: the window keeps its own font
    SkinImage image;  // bitmap null: no image
    SkinImage buttons;     // caption buttons: close and minimise, four states each
    SkinImage background;  // dialog background
    BrushHandle backgroundTile;  // the tiled background as a brush, for labels
    SkinColours colours = {};
    // Format 2 paints frames, glyphs, fields and scroll bars; format 1 only
    // faces, buttons and text colours.
    bool full = false;
};

class Skin {
public:
    // Reads, checks and builds the whole skin. Null with the reason in error
    // when anything is wrong; no GDI object survives a refusal.
    static std::unique_ptr<Skin> Load(const wchar_t* path, std::string& error);

    // The object's paint set, or null when the skin leaves that object alone
    // (neither its section nor its generic section is present).
    const SkinObjectPaint* object(int index) const;
    const std::string& name() const { return name_; }
    int format() const { return format_; }

private:
    Skin() = default;
    std::string name_;
    int format_ = 1;
    std::vector<std::unique_ptr<SkinObjectPaint>> objects_;
};
