#include "MainDialog.h"

#include "AboutDialog.h"
#include "BuilderState.h"
#include "DialogDecoration.h"
#include "FileChooser.h"
#include "GenerationWorker.h"
#include "ProductLinks.h"
#include "ProductName.h"
#include "StockSkins.h"
#include "resource.h"

#include <commctrl.h>
#include <ctype.h>

namespace {

// The window's own state, read and written on its thread only.
struct MainWindowState {
    // Owner of the builder's message boxes; null until the window is created.
    HWND window = nullptr;
    // Set between Create and the worker's UM_SETBUSY 0.
    bool generating = false;
    // The fields as Create or a browse last wrote them.
    char msiPath[kMaxPath] = "";
    char skinPath[kMaxPath] = "";
    char outputPath[kMaxPath] = "";
    char iconPath[kMaxPath] = "";
};

MainWindowState gWindow;

const SkinObjectEntry kMainSkinObjects[] = {
    {kDialogItself, L"CustomFrame", 1},
    {kDialogItself, L"CustomDialog", 0},
    {IDC_BROWSE_MSI, L"OpenButton", 0},
    {IDC_BROWSE_SKIN, L"OpenButton", 0},
    {IDC_BROWSE_OUTPUT, L"OpenButton", 0},
    {IDC_BROWSE_ICON, L"OpenButton", 0},
    {IDC_MSI_PATH, L"CustomEdit", 0},
    {IDC_SKIN_PATH, L"CustomEdit", 0},
    {IDC_OUTPUT_PATH, L"CustomEdit", 0},
    {IDC_ICON_PATH, L"CustomEdit", 0},
    {IDC_BANNER_SITE, L"banner_velumo", 0},
    {IDC_BANNER_SKINS, L"banner_getmoreskin", 0},
    {IDC_ABOUT, L"GeneralButton", 0},
    {IDC_HELP_BUTTON, L"GeneralButton", 0},
    {IDC_CREATE, L"GeneralButton", 0},
    {IDCANCEL, L"GeneralButton", 0},
};

struct BrowseButton {
    int buttonId;
    int fieldId;
    char (*buffer)[MAX_PATH];
    const char* filter;
    DWORD flags;
    const char* defaultExtension;
    FileDialogKind kind;
    bool startInStockSkins;  // the dialog opens in the builder folder's stock skins
};

const BrowseButton kBrowseButtons[] = {
    {IDC_BROWSE_MSI, IDC_MSI_PATH, &gWindow.msiPath, "MSI File\0*.msi\0",
     OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, nullptr, FileDialogKind::Open, false},
    {IDC_BROWSE_SKIN, IDC_SKIN_PATH, &gWindow.skinPath, "Skin\0*.skf\0",
     OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, nullptr, FileDialogKind::Open, true},
    {IDC_BROWSE_ICON, IDC_ICON_PATH, &gWindow.iconPath, "Icon File\0*.ico\0",
     OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, nullptr, FileDialogKind::Open, false},
    {IDC_BROWSE_OUTPUT, IDC_OUTPUT_PATH, &gWindow.outputPath, "Executable\0*.exe\0",
     OFN_PATHMUSTEXIST, ".exe", FileDialogKind::Save, false},
};

struct PathField {
    int fieldId;
    char (*buffer)[MAX_PATH];
};

const PathField kPathFields[] = {
    {IDC_MSI_PATH, &gWindow.msiPath},
    {IDC_SKIN_PATH, &gWindow.skinPath},
    {IDC_OUTPUT_PATH, &gWindow.outputPath},
    {IDC_ICON_PATH, &gWindow.iconPath},
};

struct LinkButton {
    int buttonId;
    const char* target;
};

const LinkButton kBanners[] = {
    {IDC_BANNER_SITE, kProductSiteUrl},
    {IDC_BANNER_SKINS, kSkinGalleryUrl},
};

void ShowMessage(HWND window, const char* text)
{
    MessageBoxA(window, text, kProductCaption, MB_OK);
}

void Browse(HWND window, const BrowseButton& button)
{
    const std::string initialFolder =
        button.startInStockSkins ? StockSkinFolder(gBuilder.builderFolder) : std::string();
    if (ChooseFile(*button.buffer, window, button.filter, button.flags, button.defaultExtension,
                   button.kind, initialFolder.empty() ? nullptr : initialFolder.c_str()))
        SetDlgItemTextA(window, button.fieldId, *button.buffer);
}

GenerationJob* JobFromFields(HWND window, const std::string& skinPath)
{
    auto* job = new GenerationJob;
    job->window = window;
    job->progressBar = GetDlgItem(window, IDC_PROGRESS);
    GenerationRequest& request = job->request;
    request.msiPath = gWindow.msiPath;
    request.skinPath = skinPath;
    request.outputPath = gWindow.outputPath;
    request.iconPath = gWindow.iconPath;
    request.payloadFolder = gBuilder.builderFolder;
    // The archive is written in the builder folder, as it always was.
    request.archivePath = ArchivePathIn(request.payloadFolder);
    return job;
}

void Create(HWND window)
{
    // A longer typed path keeps its first 259 characters.
    for (const PathField& field : kPathFields)
        GetDlgItemTextA(window, field.fieldId, *field.buffer, kMaxPath);
    if (!gWindow.msiPath[0] || !gWindow.outputPath[0] || !gWindow.skinPath[0]) {
        ShowMessage(window, "Please correct values");
        return;
    }
    // A stock skin may be named bare, as on the command line.
    std::string skinPath;
    if (ResolveSkinArgument(gWindow.skinPath, gBuilder.builderFolder, skinPath) ==
        SkinArgumentResult::UnknownStock) {
        std::string message = UnknownStockSkinMessage(gWindow.skinPath, gBuilder.builderFolder);
        message[0] = static_cast<char>(toupper(static_cast<unsigned char>(message[0])));
        ShowMessage(window, message.c_str());
        return;
    }
    if (!FitsInPath(skinPath.size())) {
        ShowMessage(window, "Please correct values");
        return;
    }
    SendMessageA(window, UM_SETBUSY, 1, 0);
    GenerationJob* job = JobFromFields(window, skinPath);
    HANDLE thread = CreateThread(nullptr, 0, GenerationThreadProc, job, 0, nullptr);
    if (!thread) {
        delete job;
        ShowMessage(window, kGenerationFailedText);
        SendMessageA(window, UM_SETBUSY, 0, 0);
        return;
    }
    // The worker reports and enables the buttons again itself.
    CloseHandle(thread);
}

void OpenManual(HWND window)
{
    char manual[kMaxPath];
    if (JoinPath(manual, gBuilder.builderFolder, '\0', kManualFileName))
        OpenWithShell(window, manual);
}

void ShowAbout(HWND window)
{
    DialogBoxParamA(gBuilder.instance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDialogProc, 0);
}

// Every way of closing (Close, Escape, the close box, WM_CLOSE) comes here.
// While a worker writes a setup the process must not end under it.
void RequestEnd()
{
    if (!gWindow.generating)
        EndBuilder();
}

INT_PTR OnInitDialog(HWND window)
{
    gWindow.window = window;
    gWindow.generating = false;
    DecorateDialog(window, kMainSkinObjects);
    HICON icon = LoadIconA(gBuilder.instance, MAKEINTRESOURCEA(IDI_BUILDER));
    SetClassLongPtrA(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    return TRUE;
}

INT_PTR OnClose(HWND window)
{
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

INT_PTR OnSetBusy(HWND window, bool busy)
{
    gWindow.generating = busy;
    EnableWindow(GetDlgItem(window, IDC_CREATE), !busy);
    EnableWindow(GetDlgItem(window, IDCANCEL), !busy);
    return FALSE;
}

INT_PTR OnCommand(HWND window, int id)
{
    for (const BrowseButton& button : kBrowseButtons) {
        if (button.buttonId == id) {
            Browse(window, button);
            return TRUE;
        }
    }
    for (const LinkButton& banner : kBanners) {
        if (banner.buttonId == id) {
            OpenWithShell(window, banner.target);
            return TRUE;
        }
    }
    switch (id) {
    case IDOK:
    case IDCANCEL:
        RequestEnd();
        return TRUE;
    case IDC_CREATE:
        Create(window);
        return TRUE;
    case IDC_HELP_BUTTON:
        OpenManual(window);
        return TRUE;
    case IDC_ABOUT:
        ShowAbout(window);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_CLOSE:
    case WM_QUIT:
        return OnClose(window);
    case WM_COMMAND:
        return OnCommand(window, LOWORD(wParam));
    case UM_SETBUSY:
        return OnSetBusy(window, wParam != 0);
    default:
        return FALSE;
    }
}

INT_PTR ShowMainWindow()
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    return DialogBoxParamA(gBuilder.instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                           0);
}

void EndBuilder()
{
    if (gWindow.window)
        DestroyWindow(gWindow.window);
    ExitProcess(0);
}
