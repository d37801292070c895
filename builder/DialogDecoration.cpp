#include "DialogDecoration.h"

#include "BuilderState.h"

void DecorateDialog(HWND dialog, const SkinObjectEntry* entries, size_t count)
{
    SetCustomSkinWndFn setCustomSkinWnd = gBuilder.engine.SetCustomSkinWnd;
    if (!setCustomSkinWnd)
        return;
    for (size_t i = 0; i < count; ++i) {
        const SkinObjectEntry& entry = entries[i];
        HWND window = entry.controlId == kDialogItself ? dialog : GetDlgItem(dialog, entry.controlId);
        if (window)
            setCustomSkinWnd(window, entry.objectName, entry.flags);
    }
}
