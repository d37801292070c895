#include "FileChooser.h"

#include <commdlg.h>

#include <cstddef>

static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the 76-byte structure of the older dialogs");

BOOL ChooseFile(char (&buffer)[MAX_PATH], HWND owner, const char* filter, DWORD flags,
                const char* defaultExtension, FileDialogKind kind, const char* initialFolder)
{
    buffer[0] = '\0';
    OPENFILENAMEA dialog = {};
    // The structure as it was before the places bar: the dialog must not
    // read the fields that later versions added.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = flags;
    dialog.lpstrDefExt = defaultExtension;
    dialog.lpstrInitialDir = initialFolder;
    return kind == FileDialogKind::Open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
}
