#pragma once

// A skin loaded from its file: every object's resolved colours, font and
// image (the portable description of SkinDescription.h), with the GDI
// objects to paint them. Built completely or not at all.

#include "GdiHandle.h"
#include "SkinDescription.h"

#include <memory>
#include <string>
#include <vector>

// One drawing of an image as painting needs it.
struct SkinImageSize {
    BitmapHandle bitmap;  // 32-bit top-down DIB section
    int width = 0;
    int height = 0;
};

// An image of the skin: its drawing for 100%, and those the skin has for
// each of kLargerScales (bitmap null where it has none).
struct SkinImage : SkinImageSize {
    SkinImageSize larger[2];
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
    // The look for Windows' dark app mode; null when the skin has none.
    const Skin* dark() const { return dark_.get(); }
    bool highContrastSafe() const { return highContrastSafe_; }

private:
    Skin() = default;
    static std::unique_ptr<Skin> Make(const SkinDescription& description, std::string& error);
    std::string name_;
    int format_ = 1;
    bool highContrastSafe_ = false;
    std::unique_ptr<Skin> dark_;
    std::vector<std::unique_ptr<SkinObjectPaint>> objects_;
};
