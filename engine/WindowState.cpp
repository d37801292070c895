#include "WindowState.h"

#include <richedit.h>

void ColourRichText(HWND window, const SkinObjectPaint& paint)
{
    SendMessageW(window, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(paint.style.face));
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = paint.style.text;
    SendMessageW(window, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(window, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void ApplyTreeColours(HWND window, WindowData& data, const SkinObjectPaint& paint)
{
    if (!data.coloursSet) {
        data.oldBack = TreeView_GetBkColor(window);
        data.oldText = TreeView_GetTextColor(window);
        data.oldTextBack = TreeView_GetLineColor(window);
    }
    data.coloursSet = true;
    TreeView_SetBkColor(window, paint.style.face);
    TreeView_SetTextColor(window, paint.style.text);
    TreeView_SetLineColor(window, paint.colours.frame);
}

void RestoreTreeColours(HWND window, WindowData& data)
{
    TreeView_SetBkColor(window, data.oldBack);
    TreeView_SetTextColor(window, data.oldText);
    TreeView_SetLineColor(window, data.oldTextBack);
}

void ApplyListColours(HWND window, WindowData& data, const SkinObjectPaint& paint)
{
    if (!data.coloursSet) {
        data.oldBack = ListView_GetBkColor(window);
        data.oldText = ListView_GetTextColor(window);
        data.oldTextBack = ListView_GetTextBkColor(window);
    }
    data.coloursSet = true;
    ListView_SetBkColor(window, paint.style.face);
    ListView_SetTextBkColor(window, paint.style.face);
    ListView_SetTextColor(window, paint.style.text);
}

void RestoreListColours(HWND window, WindowData& data)
{
    ListView_SetBkColor(window, data.oldBack);
    ListView_SetTextBkColor(window, data.oldTextBack);
    ListView_SetTextColor(window, data.oldText);
}

void ApplyRichTextColours(HWND window, WindowData& data, const SkinObjectPaint& paint)
{
    if (!paint.full)
        return;
    data.coloursSet = true;
    ColourRichText(window, paint);
}

void RestoreRichTextColours(HWND window, WindowData&)
{
    SendMessageW(window, EM_SETBKGNDCOLOR, 1, 0);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.dwEffects = CFE_AUTOCOLOR;
    SendMessageW(window, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(window, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void ApplyProgressColours(HWND window, WindowData& data, const SkinObjectPaint& paint)
{
    data.coloursSet = true;
    SendMessageW(window, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(paint.style.face));
    SendMessageW(window, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(paint.style.hot));
}

void RestoreProgressColours(HWND window, WindowData&)
{
    SendMessageW(window, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(CLR_DEFAULT));
    SendMessageW(window, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(CLR_DEFAULT));
}

void ApplyWindowState(HWND window, WindowData& data, const SkinObjectPaint& paint)
{
    const ControlClass& control = *data.control;
    if (paint.font && control.takesFont) {
        if (!data.fontSet)
            data.oldFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
        data.fontSet = true;
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(paint.font.get()), TRUE);
    }
    if (control.apply)
        control.apply(window, data, paint);
}

void RestoreWindowState(HWND window, WindowData& data)
{
    if (data.fontSet) {
        data.fontSet = false;  // first: the window's own font must pass the subclass
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(data.oldFont), FALSE);
    }
    if (!data.coloursSet)
        return;
    data.coloursSet = false;
    if (data.control->restore)
        data.control->restore(window, data);
}
