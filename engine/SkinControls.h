#pragma once

// Painting of the controls that the engine draws whole in skins of format 2:
// check boxes, radio buttons and group boxes, progress bars, scroll bars,
// combo boxes, static frames and lines, and the borders and scroll bars of
// fields. Each painter takes everything it needs from its arguments.

#include "Skin.h"

enum class CheckLook { Normal = 0, Hot = 1, Pressed = 2, Disabled = 3 };

struct CheckPaintState {
    CheckLook look = CheckLook::Normal;
    int check = BST_UNCHECKED;  // BST_CHECKED, BST_INDETERMINATE
    bool radio = false;
    bool focused = false;
    bool hideAccelerators = false;
    LONG style = 0;
    const wchar_t* text = L"";
    HFONT windowFont = nullptr;
    int dpi = 96;  // the button's
    bool rightToLeft = false;  // the glyph at the right, the text read right to left
};

// The face a control stands on: the dialog's face or background image.
struct FaceSource {
    const SkinObjectPaint* dialog = nullptr;  // null: the control's own face
    POINT origin = {};                        // the control's place in the dialog's client area
    SIZE client = {};                         // the dialog's client size
    int dpi = 96;                             // the dialog's
};

void PaintStandingFace(HDC dc, const RECT& area, const FaceSource& face,
                       const SkinObjectPaint& own);
void PaintCheckButton(HDC dc, const RECT& area, const SkinObjectPaint& paint,
                      const CheckPaintState& state, const FaceSource& face);
void PaintGroupBox(HDC dc, const RECT& area, const SkinObjectPaint& paint, const wchar_t* text,
                   HFONT windowFont, bool enabled, const FaceSource& face, bool rightToLeft);
void PaintProgress(HWND window, HDC dc, const SkinObjectPaint& paint);
void PaintStaticShape(HWND window, HDC dc, const SkinObjectPaint& paint, const FaceSource& face);
// True for statics that draw only a frame, rectangle or etched line.
bool IsStaticShape(LONG style);

// Colours of scroll bars: the skin's ScrollBar object, or ones made from the
// field's own colours when the skin has none.
struct ScrollColours {
    COLORREF track, thumb, button, arrow, disabled;
};
ScrollColours ScrollColoursFor(const SkinObjectPaint* scrollBar, const SkinObjectPaint& field);

void PaintScrollBar(HDC dc, const RECT& area, bool vertical, const SCROLLINFO& info, bool enabled,
                    const ScrollColours& colours, int dpi);
// The field's border and its window scroll bars, in the window DC.
void PaintFieldFrame(HWND window, const SkinObjectPaint& paint, const ScrollColours& scroll);
// A list box that is not owner-drawn: items, selection and focus cue.
bool IsPlainListBox(LONG style);
void PaintListBox(HWND window, HDC dc, const SkinObjectPaint& paint);
// The column header of a list view, in shades of the view's colours.
void PaintHeader(HWND window, HDC dc, const SkinObjectPaint& paint);
void PaintComboBox(HWND window, HDC dc, const SkinObjectPaint& paint, const ScrollColours& scroll);
