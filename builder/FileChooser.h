#pragma once

#include <windows.h>

#include <commdlg.h>

enum class FileDialogKind { Open, Save };

// Clears the MAX_PATH buffer and shows the common Open or Save dialog for it.
// filter is one description-and-pattern pair ("MSI File\0*.msi\0").
// initialFolder, when not null, is where the dialog opens.
// Nonzero when the user chose a file, which is then in the buffer.
BOOL ChooseFile(char (&buffer)[MAX_PATH], HWND owner, const char* filter, DWORD flags,
                const char* defaultExtension, FileDialogKind kind,
                const char* initialFolder = nullptr);
