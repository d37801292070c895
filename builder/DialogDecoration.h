#pragma once

// The builder asks the skin engine to decorate its dialogs, control by
// control, under the names of the skin objects.

#include <windows.h>

// One window handed to the skin engine: a control of a dialog (or the dialog
// itself, controlId kDialogItself) under the name of a skin object.
struct SkinObjectEntry {
    int controlId;
    const wchar_t* objectName;
    int flags;
};

constexpr int kDialogItself = -1;

// Hands the dialog and its controls to the engine in table order. Does
// nothing without SetCustomSkinWnd; skips a control the dialog lacks.
void DecorateDialog(HWND dialog, const SkinObjectEntry* entries, size_t count);

template <size_t N>
void DecorateDialog(HWND dialog, const SkinObjectEntry (&entries)[N])
{
    DecorateDialog(dialog, entries, N);
}
