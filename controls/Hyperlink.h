#pragma once

#include <windows.h>

// Turns static text controls of a dialog into links: blue, underlined, a hand
// cursor, and the target handed to the shell ("open") when the left button
// goes down. The target is independent of the text the control shows.
//
// Both the label and its dialog are subclassed once; each keeps a
// HyperlinkRecord in a movable global block under a window property, and frees
// it with everything it owns on WM_DESTROY.

struct HyperlinkRecord {
    char* target;         // label: heap copy of the target; dialog: null
    WNDPROC prevWndProc;  // the window procedure replaced
    HFONT underlineFont;  // dialog: shared by all its links, made on first use
    HBRUSH backBrush;     // dialog: background of every link label
};

constexpr char kHyperlinkLabelProp[] = "href_dat";
constexpr char kHyperlinkDialogProp[] = "href_dlg";

// Makes static control controlId of dialog a link to target, or changes the
// target of a control that already is one.
void SetHyperlink(HWND dialog, int controlId, const char* target);

LRESULT CALLBACK HyperlinkLabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HyperlinkDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
