#include "AboutDialog.h"

#include "DialogDecoration.h"
#include "Hyperlink.h"
#include "ProductLinks.h"
#include "resource.h"

namespace {

const SkinObjectEntry kAboutSkinObjects[] = {
    {kDialogItself, L"DialogAbout", 0},
    {IDC_ABOUT_BANNER, L"about_vl", 0},
};

INT_PTR OnInitDialog(HWND dialog)
{
    DecorateDialog(dialog, kAboutSkinObjects);
    SetHyperlink(dialog, IDC_ABOUT_MAIL, kSupportMailTarget);
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, id);
        return TRUE;
    case IDC_ABOUT_BANNER:
        OpenWithShell(dialog, kBuilderPageUrl);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}
