#include "ControlClass.h"

#include "ButtonWindow.h"
#include "DialogFace.h"
#include "FieldWindow.h"
#include "PictureWindow.h"
#include "SkinControls.h"
#include "WindowKinds.h"
#include "WindowState.h"

namespace {

// Messages on which a control draws at once, outside WM_PAINT.
constexpr UINT kButtonRepaints[] = {
    BM_SETSTATE, BM_SETCHECK, BM_CLICK, WM_CAPTURECHANGED, BM_SETSTYLE,
    WM_SETFOCUS, WM_KILLFOCUS, WM_ENABLE, WM_SETTEXT, WM_UPDATEUISTATE,
    WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_KEYUP,
};
constexpr UINT kListBoxRepaints[] = {
    WM_SETFOCUS, WM_KILLFOCUS, WM_ENABLE, WM_SIZE,
    WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_KEYDOWN, WM_CHAR,
    WM_VSCROLL, WM_HSCROLL, WM_MOUSEWHEEL, WM_TIMER, WM_UPDATEUISTATE,
    LB_SETCURSEL, LB_SETSEL, LB_SETTOPINDEX, LB_SETCARETINDEX,
    LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
    LB_SELECTSTRING, LB_SELITEMRANGE, LB_SELITEMRANGEEX,
};
// Combo boxes, list headers and scroll bar controls, which the engine
// paints whole.
constexpr UINT kOwnPaintRepaints[] = {
    WM_SETFOCUS, WM_KILLFOCUS, WM_ENABLE, WM_SETTEXT, WM_LBUTTONDOWN, WM_LBUTTONUP,
    WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_MOUSEWHEEL, WM_CAPTURECHANGED, WM_COMMAND, WM_TIMER,
    CB_SETCURSEL, CB_SELECTSTRING, CB_SHOWDROPDOWN, CB_RESETCONTENT, CB_ADDSTRING,
    CB_INSERTSTRING, CB_DELETESTRING,
    SBM_SETPOS, SBM_SETRANGE, SBM_SETRANGEREDRAW, SBM_SETSCROLLINFO, SBM_ENABLE_ARROWS,
    HDM_INSERTITEMW, HDM_INSERTITEMA, HDM_SETITEMW, HDM_SETITEMA, HDM_DELETEITEM,
    WM_MOUSEMOVE,
};
// Statics would draw the new text or image at once over the old one.
constexpr UINT kPictureHeld[] = {STM_SETIMAGE, WM_SETTEXT, WM_ENABLE};
constexpr UINT kTextHeld[] = {WM_SETTEXT, WM_ENABLE};

// A class that matches any window class.
constexpr WindowClass kAnyClass = static_cast<WindowClass>(-1);

struct ClassRow {
    SkinKind kind;
    WindowClass windowClass;
    bool (*fits)(HWND window);  // a further test of the window, or null
    ControlClass control;
};

bool IsOwnerDrawnCombo(HWND window)
{
    return (GetWindowLongW(window, GWL_STYLE) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0;
}

bool IsPlainList(HWND window)
{
    return IsPlainListBox(GetWindowLongW(window, GWL_STYLE));
}

bool IsShape(HWND window)
{
    return IsStaticShape(GetWindowLongW(window, GWL_STYLE));
}

constexpr ControlClass AllSkins(MessageHandler handle, bool takesFont = true)
{
    ControlClass control;
    control.handle = handle;
    control.takesFont = takesFont;
    return control;
}

constexpr ControlClass WholeSkins(MessageHandler handle, MessageList repaintAfter = {})
{
    ControlClass control;
    control.handle = handle;
    control.wholeSkinsOnly = true;
    control.repaintAfter = repaintAfter;
    return control;
}

constexpr ControlClass WithColours(ControlClass control, ApplyState apply, RestoreState restore,
                                   ItemColours itemColours = nullptr)
{
    control.apply = apply;
    control.restore = restore;
    control.itemColours = itemColours;
    return control;
}

constexpr ControlClass Held(ControlClass control, MessageList drawHeld)
{
    control.drawHeld = drawHeld;
    return control;
}

constexpr ControlClass Repainted(ControlClass control, MessageList repaintAfter)
{
    control.repaintAfter = repaintAfter;
    return control;
}

// The first row that fits the window decides. An owner-drawn combo box's
// items are its owner's to draw; the engine would show their item data as
// text, so it keeps to the border.
const ClassRow kClasses[] = {
    {SkinKind::Dialog, kAnyClass, nullptr, AllSkins(DialogMessage, false)},
    {SkinKind::PushButton, kAnyClass, nullptr,
     Repainted(AllSkins(ButtonMessage, false), Messages(kButtonRepaints))},
    {SkinKind::CheckBox, kAnyClass, nullptr, WholeSkins(ButtonMessage, Messages(kButtonRepaints))},
    {SkinKind::RadioButton, kAnyClass, nullptr,
     WholeSkins(ButtonMessage, Messages(kButtonRepaints))},
    {SkinKind::GroupBox, kAnyClass, nullptr, WholeSkins(ButtonMessage, Messages(kButtonRepaints))},
    {SkinKind::Picture, kAnyClass, nullptr,
     Held(AllSkins(PictureMessage, false), Messages(kPictureHeld))},
    {SkinKind::Static, WindowClass::Static, IsTransparentText,
     Held(AllSkins(TransparentTextMessage), Messages(kTextHeld))},
    {SkinKind::Static, kAnyClass, IsShape, WholeSkins(StaticShapeMessage)},
    {SkinKind::Static, kAnyClass, nullptr, WholeSkins(StaticBorderMessage)},
    {SkinKind::Edit, WindowClass::Edit, nullptr, WholeSkins(EditMessage)},
    {SkinKind::Edit, WindowClass::RichEdit, nullptr,
     WithColours(WholeSkins(RichEditMessage), ApplyRichTextColours, RestoreRichTextColours)},
    {SkinKind::Edit, kAnyClass, nullptr, WholeSkins(FieldMessage)},
    {SkinKind::ListBox, kAnyClass, IsPlainList,
     WholeSkins(ListBoxMessage, Messages(kListBoxRepaints))},
    {SkinKind::ListBox, kAnyClass, nullptr, WholeSkins(FieldMessage)},
    {SkinKind::ComboBox, kAnyClass, IsOwnerDrawnCombo, WholeSkins(FieldMessage)},
    {SkinKind::ComboBox, kAnyClass, nullptr,
     WholeSkins(ComboBoxMessage, Messages(kOwnPaintRepaints))},
    {SkinKind::ListView, WindowClass::Header, nullptr,
     WholeSkins(HeaderMessage, Messages(kOwnPaintRepaints))},
    {SkinKind::ListView, WindowClass::TreeView, nullptr,
     WithColours(WholeSkins(FieldMessage), ApplyTreeColours, RestoreTreeColours, TreeItemColours)},
    {SkinKind::ListView, WindowClass::ListView, nullptr,
     WithColours(WholeSkins(FieldMessage), ApplyListColours, RestoreListColours, ListItemColours)},
    {SkinKind::ListView, kAnyClass, nullptr,
     WithColours(WholeSkins(FieldMessage), ApplyListColours, RestoreListColours)},
    {SkinKind::ProgressBar, kAnyClass, nullptr,
     WithColours(WholeSkins(ProgressMessage), ApplyProgressColours, RestoreProgressColours)},
    {SkinKind::ScrollBar, kAnyClass, nullptr,
     WholeSkins(ScrollBarMessage, Messages(kOwnPaintRepaints))},
};

// A kind without a row of its own: the window keeps its own drawing.
constexpr ControlClass kUnpainted = {};

} // namespace

const ControlClass& ChooseControlClass(HWND window, SkinKind kind)
{
    const WindowClass windowClass = IdentifyClass(window);
    for (const ClassRow& row : kClasses) {
        if (row.kind == kind &&
            (row.windowClass == kAnyClass || row.windowClass == windowClass) &&
            (!row.fits || row.fits(window)))
            return row.control;
    }
    return kUnpainted;
}
