// The two programs as people meet them, with the real skin engine: a setup
// that the builder made from an MSI with an authored welcome dialog, started
// as an end user would, and the builder's own window in "Ornix.skf". Each runs
// as a process of its own; this program finds its windows, reads them back
// from the screen, presses their buttons and saves what it saw as PNG files.
#include "BuilderTestSupport.h"
#include "PackageFile.h"
#include "TestFiles.h"
#include "TestWindows.h"
#include "TestZip.h"
#include "WindowCapture.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <msi.h>

#include <string>
#include <vector>

namespace {

const std::string kInstalledBuilder = WindowsPathOf(VELUMO_INSTALLED_BUILDER);
const std::string kSampleMsi = WindowsPathOf(SAMPLE_UI_MSI);
const std::string kSkins = WindowsPathOf(SKINS_DIR);
const std::string kShots = WindowsPathOf(SCREENSHOT_DIR);

// Every build of the sample package is a product of its own, known by name.
const char kSampleProductName[] = "Velumo Sample Application";
const char kWelcomeCaption[] = "Velumo Sample Application Setup";
const char kWelcomeTitle[] = "Welcome to the Velumo Sample Application setup";

// The values in skins/*/skin.ini.
const COLORREF kDaylightDialog = RGB(0xF7, 0xF4, 0xEC);
const COLORREF kDaylightButton = RGB(0xE3, 0xD9, 0xC2);
const COLORREF kDaylightText = RGB(0x3B, 0x33, 0x21);
const COLORREF kOrnixFace = RGB(0x1F, 0x3A, 0x4D);
const COLORREF kOrnixAboutFace = RGB(0x24, 0x46, 0x5C);
const COLORREF kOrnixCaptionBar = RGB(0x0E, 0x24, 0x33);
const COLORREF kOrnixCaptionText = RGB(0xE8, 0xF1, 0xF5);

// A program started with its own command line; ended by force if the test
// leaves it running.
class Program {
public:
    Program(const std::string& commandLine, const std::string& folder)
    {
        std::vector<char> text(commandLine.begin(), commandLine.end());
        text.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.c_str(), &startup, &process_) != FALSE;
    }
    ~Program()
    {
        if (!started_)
            return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return started_; }
    DWORD id() const { return process_.dwProcessId; }
    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

    // The exit code, or STILL_ACTIVE when the program outlives the wait.
    DWORD Wait(DWORD milliseconds)
    {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};

struct WindowSearch {
    DWORD processId;
    std::string caption;
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->processId && IsWindowVisible(window) &&
        CaptionOf(window) == search->caption && GetWindow(window, GW_OWNER) == search->owner) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A shown top-level window of the program with this caption and owner.
HWND WaitForWindow(const Program& program, const std::string& caption, HWND owner,
                   DWORD timeout)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
        WindowSearch search = {program.id(), caption, owner, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (!program.running())
            return nullptr;
        Sleep(200);
    }
    return nullptr;
}

struct ChildSearch {
    std::string className;
    std::string text;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM parameter)
{
    auto* search = reinterpret_cast<ChildSearch*>(parameter);
    if (lstrcmpiA(ClassOf(child).c_str(), search->className.c_str()) == 0 &&
        CaptionOf(child) == search->text) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND ChildWithText(HWND parent, const std::string& className, const std::string& text)
{
    ChildSearch search = {className, text, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int Area(const RECT& r)
{
    return (r.right - r.left) * (r.bottom - r.top);
}

void SaveShot(const WindowCapture& shot, const std::string& name)
{
    CreateDirectoryA(kShots.c_str(), nullptr);
    EXPECT_TRUE(shot.SavePng(kShots + "\\" + name)) << name;
}

const std::string kInstalledReadMe = ProgramFilesPath("Velumo Sample Application\\ReadMe.txt");

// A builder folder as a packager has it: the installed programs, the real
// engine and the builder's skin, with the runtime libraries beside them.
bool LayOutBuilder(const std::string& folder)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"OrnixCreator.exe", "Runlet.exe", "VelumoDll.dll", "Ornix.skf"}) {
        if (!CopyFileTo(kInstalledBuilder + "\\" + name, folder + "\\" + name))
            return false;
    }
    return FillBuilderFolder(folder);
}

// --- A built setup, run as an end user runs it ------------------------------

// What one run of a setup showed and did.
struct SetupRun {
    WindowCapture shot;
    RECT band = {};    // blank dialog face between the text and the buttons
    RECT install = {}; // the Install button
    RECT title = {};   // the dialog's title text
    DWORD exitCode = STILL_ACTIVE;
    bool installed = false;
};

class SkinnedSetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LayOutBuilder(builder));
        ASSERT_TRUE(CopyFileTo(kSampleMsi, msi));
        // A product left by an earlier, interrupted run would turn the setup
        // into a maintenance run.
        Uninstall();
        ASSERT_FALSE(FileExists(kInstalledReadMe));
    }

    void TearDown() override { Uninstall(); }

    void Uninstall()
    {
        std::vector<std::string> products;
        char code[39];
        for (DWORD i = 0; MsiEnumProductsA(i, code) == ERROR_SUCCESS; ++i) {
            char name[128] = "";
            DWORD size = sizeof name;
            if (MsiGetProductInfoA(code, "ProductName", name, &size) ==
                    ERROR_SUCCESS &&
                std::string(name) == kSampleProductName)
                products.push_back(code);
        }
        for (const std::string& product : products) {
            Program remove("msiexec /x " + product + " /qn", folder.path());
            ASSERT_TRUE(remove.started());
            EXPECT_EQ(0u, remove.Wait(240000)) << "removing " << product;
        }
        EXPECT_FALSE(FileExists(kInstalledReadMe)) << "the sample product could not be removed";
    }

    // The builder in batch mode, as a build pipeline runs it.
    std::string Build(const std::string& skin, const std::string& name)
    {
        const std::string setup = folder / name;
        Program creator("\"" + builder + "\\OrnixCreator.exe\" /m:\"" + msi + "\" /s:\"" + skin +
                            "\" /o:\"" + setup + "\"",
                        folder.path());
        EXPECT_TRUE(creator.started());
        EXPECT_EQ(0u, creator.Wait(180000)) << "the builder failed on " << name;
        EXPECT_FALSE(FileExists(builder + "\\temp.zip"));
        EXPECT_TRUE(PackageFile(setup.c_str()).HasContainer()) << name;
        return setup;
    }

    // Shows the welcome dialog, saves its picture, presses Install and waits
    // for the installation to end.
    SetupRun Run(const std::string& setup, const std::string& picture)
    {
        SetupRun run;
        Program program("\"" + setup + "\" /l:\"" + (folder / (picture + ".log")) + "\"",
                        folder.path());
        EXPECT_TRUE(program.started());
        HWND dialog = WaitForWindow(program, kWelcomeCaption, nullptr, 240000);
        if (!dialog) {
            ADD_FAILURE() << "no welcome dialog from " << setup;
            return run;
        }
        HWND install = ChildWithText(dialog, "Button", "Install");
        HWND title = ChildWithText(dialog, "Static", kWelcomeTitle);
        EXPECT_TRUE(install && title) << "the authored controls are missing";
        if (!install || !title)
            return run;
        // Let the installer finish drawing its dialog before it is read.
        Sleep(2000);
        run.shot = CaptureFromScreen(dialog);
        EXPECT_FALSE(run.shot.empty());
        SaveShot(run.shot, picture + ".png");
        run.install = RectInWindow(dialog, install);
        run.title = RectInWindow(dialog, title);
        // The authored body text ends far above the buttons.
        run.band = {run.title.left, run.install.top - 40, run.install.left - 10,
                    run.install.top - 8};

        PostMessageA(install, BM_CLICK, 0, 0);
        run.exitCode = program.Wait(300000);
        run.installed = FileExists(kInstalledReadMe);
        return run;
    }

    TempFolder folder;
    const std::string builder = folder / "builder";
    const std::string msi = folder / "SampleApp.msi";
};

TEST_F(SkinnedSetupTest, AuthoredDialogIsDrawnInTheSkinAndInstallsWhenPressed)
{
    // Unskinned first: a setup whose archive carries no engine, put together
    // as the builder would but without "VelumoDll.dll".
    const std::string bare = folder / "no-engine.exe";
    const std::string archive = folder / "temp.zip";
    ASSERT_TRUE(CopyFileTo(builder + "\\Runlet.exe", bare));
    ASSERT_TRUE(WriteZip(archive, {{"SampleApp.msi", ReadFileBytes(msi)},
                                   {"Daylight.skf", ReadFileBytes(kSkins + "\\Daylight.skf")}}));
    ASSERT_EQ(AppendDone, PackageFile(bare.c_str()).AppendContainer(archive.c_str()));
    const SetupRun plain = Run(bare, "setup-no-engine");
    ASSERT_FALSE(plain.shot.empty());
    EXPECT_EQ(0u, plain.exitCode);
    EXPECT_TRUE(plain.installed) << "the setup without an engine did not install";
    Uninstall();

    const SetupRun skinned = Run(Build(kSkins + "\\Daylight.skf", "setup-daylight.exe"),
                                 "setup-Daylight");
    ASSERT_FALSE(skinned.shot.empty());
    EXPECT_EQ(Area(skinned.band), skinned.shot.Count(skinned.band, kDaylightDialog))
        << "dialog face";
    EXPECT_EQ(0, plain.shot.Count(plain.band, kDaylightDialog));
    // The button's face, around its caption and focus rectangle.
    EXPECT_GT(skinned.shot.Count(skinned.install, kDaylightButton), Area(skinned.install) / 2);
    EXPECT_EQ(0, plain.shot.Count(plain.install, kDaylightButton));
    // The title's glyphs in the skin's text colour.
    EXPECT_GT(skinned.shot.Count(skinned.title, kDaylightText), 5);
    EXPECT_EQ(0, plain.shot.Count(plain.title, kDaylightText));
    EXPECT_EQ(0u, skinned.exitCode);
    EXPECT_TRUE(skinned.installed) << "pressing Install did not install the product";
}

TEST_F(SkinnedSetupTest, DamagedSkinLeavesTheSetupUnskinnedAndInstalling)
{
    const std::string daylight = ReadFileBytes(kSkins + "\\Daylight.skf");
    ASSERT_GT(daylight.size(), 100u);
    const std::string damaged = folder / "Damaged.skf";
    ASSERT_TRUE(WriteFileBytes(damaged, daylight.substr(0, daylight.size() / 2)));
    const SetupRun run = Run(Build(damaged, "setup-damaged.exe"), "setup-damaged-skin");
    ASSERT_FALSE(run.shot.empty());
    EXPECT_EQ(0, run.shot.Count(run.band, kDaylightDialog));
    EXPECT_EQ(0, run.shot.Count(run.install, kDaylightButton));
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.installed) << "the setup with a damaged skin did not install";
}

// --- The builder's own window -----------------------------------------------

TEST(SkinnedBuilderTest, MainWindowAndAboutBoxAreDrawnInOrnix)
{
    TempFolder folder;
    const std::string builder = folder / "builder";
    ASSERT_TRUE(LayOutBuilder(builder));
    Program creator("\"" + builder + "\\OrnixCreator.exe\"", folder.path());
    ASSERT_TRUE(creator.started());
    // Once the window had time to paint: read back and saved.
    auto picture = [](HWND window, const std::string& name) {
        Sleep(2000);
        const WindowCapture shot = CaptureFromScreen(window);
        SaveShot(shot, name);
        return shot;
    };
    HWND main = WaitForWindow(creator, "Velumo Installer", nullptr, 120000);
    ASSERT_TRUE(main) << "no main window";
    const WindowCapture shot = picture(main, "builder-main-Ornix.png");
    ASSERT_FALSE(shot.empty());

    auto rect = [&](HWND window, int id) { return RectInWindow(window, GetDlgItem(window, id)); };
    // Blank face between the MSI row's label and field, under the field.
    const RECT msiField = rect(main, IDC_MSI_PATH);
    EXPECT_EQ(kOrnixFace, shot.At(msiField.left - 5, msiField.bottom + 5));
    // Browse button: the normal frame of browse.bmp, clear of dots and edge.
    const RECT browse = rect(main, IDC_BROWSE_MSI);
    const int bw = browse.right - browse.left, bh = browse.bottom - browse.top;
    EXPECT_EQ(RGB(0x2E, 0x6F, 0x8E), shot.At(browse.left + bw / 6, browse.top + bh / 5));
    // Banner: the long light bar of banner_velumo.bmp (rows 24 to 28 of 64).
    const RECT banner = rect(main, IDC_BANNER_SITE);
    EXPECT_EQ(RGB(0xE8, 0xF1, 0xF5), shot.At((banner.left + banner.right) / 2,
                                              banner.top + (banner.bottom - banner.top) * 53 / 128));
    // The frame drawn by the engine: the caption bar in the skin's border
    // colour with the caption in light letters at its left.
    POINT client = {0, 0};
    ClientToScreen(main, &client);
    RECT window;
    GetWindowRect(main, &window);
    const int captionBottom = client.y - window.top;
    const RECT captionBar = {client.x - window.left, GetSystemMetrics(SM_CYFRAME),
                             shot.width - (client.x - window.left), captionBottom};
    ASSERT_GT(captionBar.bottom, captionBar.top);
    EXPECT_EQ(kOrnixCaptionBar, shot.At((captionBar.left + captionBar.right) / 2,
                                        (captionBar.top + captionBar.bottom) / 2));
    const RECT captionText = {captionBar.left, captionBar.top, captionBar.left + 160,
                              captionBar.bottom};
    EXPECT_GT(shot.Count(captionText, kOrnixCaptionText), 10);
    // The close button stays in sight: its cross is drawn over the bar.
    const RECT closeButton = {captionBar.right - GetSystemMetrics(SM_CXSIZE), captionBar.top,
                              captionBar.right, captionBar.bottom};
    EXPECT_GT(shot.Count(closeButton, kOrnixCaptionText), 5);

    PostMessageA(main, WM_COMMAND, IDC_ABOUT, 0);
    HWND about = WaitForWindow(creator, "About Ornix Creator", main, 60000);
    ASSERT_TRUE(about) << "no About box";
    const WindowCapture aboutShot = picture(about, "builder-about-Ornix.png");
    ASSERT_FALSE(aboutShot.empty());
    const RECT ok = rect(about, IDOK);
    EXPECT_EQ(kOrnixAboutFace, aboutShot.At(ok.left - 20, ok.bottom - 2));
    // about_vl.bmp's inner circle, at (48, 48) of 320x96.
    const RECT aboutBanner = rect(about, IDC_ABOUT_BANNER);
    EXPECT_EQ(kOrnixFace,
              aboutShot.At(aboutBanner.left + (aboutBanner.right - aboutBanner.left) * 48 / 320,
                           (aboutBanner.top + aboutBanner.bottom) / 2));

    PostMessageA(about, WM_COMMAND, IDOK, 0);
    const DWORD start = GetTickCount();
    while (IsWindow(about) && GetTickCount() - start < 30000)
        Sleep(100);
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(0u, creator.Wait(60000)) << "the builder did not close";
}

} // namespace
