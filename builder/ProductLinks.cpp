#include "ProductLinks.h"

#include <shellapi.h>

void OpenWithShell(HWND owner, const char* target)
{
    ShellExecuteA(owner, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
}
