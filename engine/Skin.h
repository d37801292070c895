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

private:
    Skin() = default;
    std::string name_;
    std::vector<std::unique_ptr<SkinObjectPaint>> objects_;
};
