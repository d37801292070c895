#include "Hyperlink.h"

#include <shellapi.h>
#include <string.h>

namespace {

char* CopyText(const char* text)
{
    const size_t size = strlen(text) + 1;
    char* copy = new char[size];
    memcpy(copy, text, size);
    return copy;
}

// Every access pins the movable block only for the copy in or out.
bool ReadRecord(HGLOBAL block, HyperlinkRecord& record)
{
    auto* locked = static_cast<HyperlinkRecord*>(GlobalLock(block));
    if (!locked)
        return false;
    record = *locked;
    GlobalUnlock(block);
    return true;
}

void WriteRecord(HGLOBAL block, const HyperlinkRecord& record)
{
    auto* locked = static_cast<HyperlinkRecord*>(GlobalLock(block));
    if (!locked)
        return;
    *locked = record;
    GlobalUnlock(block);
}

// Attaches a new record under the property, then puts the new procedure in
// place: the procedure must find its record from its first message on.
void Subclass(HWND window, const char* property, HyperlinkRecord record, WNDPROC procedure)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(HyperlinkRecord));
    if (!block) {
        delete[] record.target;
        if (record.backBrush)
            DeleteObject(record.backBrush);
        return;
    }
    record.prevWndProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    WriteRecord(block, record);
    SetPropA(window, property, block);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

// The record is freed on WM_DESTROY, yet messages still come after it,
// WM_NCDESTROY last, and the procedure this one replaced needs them: the
// dialog's own clean-up and any subclass below wait for WM_NCDESTROY. Where
// no one has replaced our procedure since, the previous one is put back;
// otherwise it is kept under a property of its own until WM_NCDESTROY.
constexpr char kPreviousProp[] = "href_prev";

void HandBack(HWND window, WNDPROC ours, WNDPROC previous)
{
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == ours)
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    else
        SetPropA(window, kPreviousProp, reinterpret_cast<HANDLE>(previous));
}

LRESULT AfterRecord(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, kPreviousProp));
    if (!previous)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        RemovePropA(window, kPreviousProp);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

HFONT CreateUnderlinedFont(HDC dc)
{
    TEXTMETRICA metrics;
    char face[LF_FACESIZE] = {};
    if (!GetTextMetricsA(dc, &metrics))
        return nullptr;
    GetTextFaceA(dc, LF_FACESIZE, face);
    LOGFONTA font = {};
    font.lfHeight = metrics.tmHeight;
    font.lfWeight = metrics.tmWeight;
    font.lfItalic = metrics.tmItalic;
    font.lfUnderline = 1;
    font.lfStrikeOut = metrics.tmStruckOut;
    font.lfCharSet = metrics.tmCharSet;
    font.lfPitchAndFamily = metrics.tmPitchAndFamily;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

// skinAnswer: what the dialog's previous procedure answered for the label.
LRESULT ColorLinkLabel(HGLOBAL block, HyperlinkRecord& record, HDC dc, LRESULT skinAnswer)
{
    // A dialog drawn in a skin answers with a brush of its own face; the link
    // then stands on that face (and keeps the background colour the skin set)
    // instead of showing a box of the system's face.
    const bool skinned =
        skinAnswer && skinAnswer != reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, RGB(0, 0, 255));
    if (!skinned)
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    if (!record.underlineFont) {
        // Made from the first link's font; every link of the dialog shares it.
        record.underlineFont = CreateUnderlinedFont(dc);
        if (record.underlineFont) {
            HyperlinkRecord stored;
            if (ReadRecord(block, stored)) {
                stored.underlineFont = record.underlineFont;
                WriteRecord(block, stored);
            }
        }
    }
    if (record.underlineFont)
        SelectObject(dc, record.underlineFont);
    return skinned ? skinAnswer : reinterpret_cast<LRESULT>(record.backBrush);
}

} // namespace

void SetHyperlink(HWND dialog, int controlId, const char* target)
{
    HWND label = GetDlgItem(dialog, controlId);
    if (!label || !target)
        return;

    if (HGLOBAL block = GetPropA(label, kHyperlinkLabelProp)) {
        HyperlinkRecord record;
        if (ReadRecord(block, record)) {
            delete[] record.target;
            record.target = CopyText(target);
            WriteRecord(block, record);
        }
    } else {
        Subclass(label, kHyperlinkLabelProp, {CopyText(target), nullptr, nullptr, nullptr},
                 HyperlinkLabelProc);
    }

    if (GetPropA(dialog, kHyperlinkDialogProp))
        return;
    Subclass(dialog, kHyperlinkDialogProp,
             {nullptr, nullptr, nullptr, CreateSolidBrush(GetSysColor(COLOR_BTNFACE))},
             HyperlinkDialogProc);
}

LRESULT CALLBACK HyperlinkLabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HGLOBAL block = GetPropA(window, kHyperlinkLabelProp);
    HyperlinkRecord record;
    if (!block || !ReadRecord(block, record))
        return AfterRecord(window, message, wParam, lParam);

    switch (message) {
    case WM_NCHITTEST:
        // Answer the mouse everywhere, with or without SS_NOTIFY.
        return HTCLIENT;
    case WM_SETCURSOR:
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        return TRUE;
    case WM_LBUTTONDOWN: {
        HWND owner = GetParent(window);
        ShellExecuteA(owner ? owner : window, "open", record.target, nullptr, nullptr,
                      SW_SHOWNORMAL);
        break;
    }
    case WM_DESTROY:
        RemovePropA(window, kHyperlinkLabelProp);
        GlobalFree(block);
        delete[] record.target;
        HandBack(window, HyperlinkLabelProc, record.prevWndProc);
        break;
    }
    return CallWindowProcA(record.prevWndProc, window, message, wParam, lParam);
}

LRESULT CALLBACK HyperlinkDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HGLOBAL block = GetPropA(window, kHyperlinkDialogProp);
    HyperlinkRecord record;
    if (!block || !ReadRecord(block, record))
        return AfterRecord(window, message, wParam, lParam);

    if (message == WM_DESTROY) {
        RemovePropA(window, kHyperlinkDialogProp);
        GlobalFree(block);
        if (record.backBrush)
            DeleteObject(record.backBrush);
        if (record.underlineFont)
            DeleteObject(record.underlineFont);
        HandBack(window, HyperlinkDialogProc, record.prevWndProc);
    } else if (message == WM_CTLCOLORSTATIC &&
               GetPropA(reinterpret_cast<HWND>(lParam), kHyperlinkLabelProp)) {
        const LRESULT previous =
            CallWindowProcA(record.prevWndProc, window, message, wParam, lParam);
        return ColorLinkLabel(block, record, reinterpret_cast<HDC>(wParam), previous);
    }
    return CallWindowProcA(record.prevWndProc, window, message, wParam, lParam);
}
