#include "AboutDialog.h"
#include "BuilderState.h"
#include "BuilderTestSupport.h"
#include "DamagedSkins.h"
#include "Hyperlink.h"
#include "MainDialog.h"
#include "PackageFile.h"
#include "GenerationWorker.h"
#include "TestFiles.h"
#include "TestProcess.h"
#include "TestWindows.h"
#include "WindowCapture.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

// No SCOPED_TRACE here: its per-thread bookkeeping starts a thread of its own
// that breaks under Wine on an emulated 32-bit side once other threads run.

#include <algorithm>
#include <map>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kReducedMainTemplate = 201;

std::string FieldText(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// --- What the skin engine is told, recorded in place of the engine --------

struct EngineCall {
    std::string what;  // "skin <name>", "add", "delete"
    HWND window;       // skin calls: the window, its control id and caption
    int controlId;
    std::string caption;
    int flags;
    DWORD threadId;
    bool createEnabled; // add and delete: Create's state at the call
};

std::mutex gEngineLock;
std::vector<EngineCall> gEngineCalls;
HWND gMainForEngine = nullptr;
// Run on the worker when it registers, as a browse during generation would.
std::function<void()> gOnAdd;

void RecordEngineCall(EngineCall call)
{
    std::lock_guard<std::mutex> lock(gEngineLock);
    gEngineCalls.push_back(call);
}

std::string Narrow(const wchar_t* text)
{
    std::string narrow;
    for (; *text; ++text)
        narrow += char(*text);
    return narrow;
}

int WINAPI RecordSetCustomSkinWnd(HWND window, const wchar_t* objectName, int flags)
{
    RecordEngineCall({"skin " + Narrow(objectName), window, GetDlgCtrlID(window), CaptionOf(window),
                      flags, GetCurrentThreadId(), false});
    return 1;
}

int WINAPI RecordAddThread()
{
    RecordEngineCall(
        {"add", nullptr, 0, "", 0, GetCurrentThreadId(), Enabled(gMainForEngine, IDC_CREATE)});
    if (gOnAdd)
        gOnAdd();
    return 1;
}

int WINAPI RecordDeleteThread()
{
    RecordEngineCall(
        {"delete", nullptr, 0, "", 0, GetCurrentThreadId(), Enabled(gMainForEngine, IDC_CREATE)});
    return 1;
}

// --- Progress as the bar receives it ---------------------------------------

struct BarMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<BarMessage> gBarMessages;
WNDPROC gBarProc = nullptr;

LRESULT CALLBACK RecordBar(HWND bar, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PBM_SETRANGE32 || message == PBM_SETPOS)
        gBarMessages.push_back({message, wParam, lParam});
    return CallWindowProcA(gBarProc, bar, message, wParam, lParam);
}

// --- Dialogs that appear while the test drives the window ------------------

struct SeenDialog {
    std::string caption;
    std::string texts;
    HWND owner;
    bool createEnabled;
    bool closeEnabled;
    bool mailIsLink;  // About box: the e-mail label carries its link record
    bool screenshot;  // About box: its picture was saved
};

// Watches for dialogs of this process that have an owner (message boxes,
// file dialogs, the About box), notes what they show and answers them: IDOK
// for the builder's boxes and the About box, IDCANCEL for file dialogs. One
// thread for the whole run: threads that end are what the emulated Wine
// handles worst.
class DialogWatcher {
public:
    static DialogWatcher& Instance()
    {
        static DialogWatcher* watcher = new DialogWatcher;
        return *watcher;
    }

    // Before the process ends, so that no thread is cut off in a call.
    void Stop()
    {
        stop_ = true;
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
    }

    void Watch(HWND main)
    {
        std::lock_guard<std::mutex> lock(lock_);
        main_ = main;
        seen_.clear();
    }

    std::vector<SeenDialog> seen()
    {
        std::lock_guard<std::mutex> lock(lock_);
        return seen_;
    }
    size_t count()
    {
        std::lock_guard<std::mutex> lock(lock_);
        return seen_.size();
    }

private:
    DialogWatcher() { thread_ = CreateThread(nullptr, 0, RunThread, this, 0, nullptr); }

    static BOOL CALLBACK Collect(HWND window, LPARAM windows)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
            GetWindow(window, GW_OWNER) && ClassOf(window) == "#32770")
            reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
        return TRUE;
    }

    static DWORD WINAPI RunThread(LPVOID self)
    {
        static_cast<DialogWatcher*>(self)->Run();
        return 0;
    }

    void Run()
    {
        std::vector<HWND> answered;
        while (!stop_) {
            std::vector<HWND> windows;
            EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
            for (HWND window : windows) {
                if (std::find(answered.begin(), answered.end(), window) != answered.end())
                    continue;
                Sleep(300); // let it finish painting
                answered.push_back(window);
                Answer(window);
            }
            // Handles are reused once a window is gone.
            answered.erase(std::remove_if(answered.begin(), answered.end(),
                                          [](HWND w) { return !IsWindow(w); }),
                           answered.end());
            Sleep(50);
        }
    }

    void Answer(HWND window)
    {
        SeenDialog dialog = {};
        dialog.caption = InternalTextOf(window);
        dialog.texts = ChildTexts(window);
        dialog.owner = GetWindow(window, GW_OWNER);
        HWND main;
        {
            std::lock_guard<std::mutex> lock(lock_);
            main = main_;
        }
        dialog.createEnabled = Enabled(main, IDC_CREATE);
        dialog.closeEnabled = Enabled(main, IDCANCEL);
        WPARAM answer = IDCANCEL;
        if (dialog.caption == "Velumo Installer") {
            answer = IDOK;
        } else if (dialog.caption == "About Ornix Creator") {
            dialog.mailIsLink = GetPropA(GetDlgItem(window, IDC_ABOUT_MAIL), kHyperlinkLabelProp);
            dialog.screenshot = ReadWindow(window).SavePng(ArtifactsDir() + "\\about-box.png");
            answer = IDOK;
        }
        {
            std::lock_guard<std::mutex> lock(lock_);
            seen_.push_back(dialog);
        }
        PostMessageA(window, WM_COMMAND, answer, 0);
    }

    HWND main_ = nullptr;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<SeenDialog> seen_;
};

struct WatcherEnvironment : ::testing::Environment {
    void TearDown() override { DialogWatcher::Instance().Stop(); }
};
::testing::Environment* const gWatcherEnvironment =
    ::testing::AddGlobalTestEnvironment(new WatcherEnvironment);

// The main window made from the builder's own template and procedure, in
// this process, with a builder folder that holds everything generation needs.
class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
    }

    void SetUp() override
    {
        BuilderState& state = BuilderStartUpState();
        state = BuilderState();
        state.instance = GetModuleHandleA(nullptr);
        const std::string builder = folder / "builder";
        ASSERT_TRUE(FillBuilderFolder(builder));
        ASSERT_TRUE(JoinPath(state.builderFolder, builder.c_str(), '\\', nullptr));
        msi = folder / "Sample.msi";
        ASSERT_TRUE(CopyFileTo(SampleMsiPath(), msi));
        skin = folder / "Sample.skf";
        ASSERT_TRUE(WriteSkinFile(skin));
        output = folder / "setup.exe";
        gEngineCalls.clear();
        gBarMessages.clear();
        gOnAdd = nullptr;
    }

    void TearDown() override
    {
        if (watcher)
            watcher->Watch(nullptr);
        if (main && IsWindow(main))
            DestroyWindow(main);
        BuilderStartUpState() = BuilderState();
    }

    void RecordEngine()
    {
        SkinEngine& engine = BuilderStartUpState().engine;
        engine.SetCustomSkinWnd = RecordSetCustomSkinWnd;
        engine.AddAdditionalThread = RecordAddThread;
        engine.DeleteAdditionalThread = RecordDeleteThread;
    }

    void Open(int dialogTemplate = IDD_MAIN)
    {
        main = CreateDialogParamA(gBuilder.instance, MAKEINTRESOURCEA(dialogTemplate), nullptr,
                                  MainDialogProc, 0);
        ASSERT_TRUE(main);
        ShowWindow(main, SW_SHOW);
        UpdateWindow(main);
        gMainForEngine = main;
        HWND bar = GetDlgItem(main, IDC_PROGRESS);
        ASSERT_TRUE(bar);
        gBarProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordBar)));
        watcher = &DialogWatcher::Instance();
        watcher->Watch(main);
    }

    void Fill(const std::string& msiPath, const std::string& skinPath, const std::string& iconPath,
              const std::string& outputPath)
    {
        SetDlgItemTextA(main, IDC_MSI_PATH, msiPath.c_str());
        SetDlgItemTextA(main, IDC_SKIN_PATH, skinPath.c_str());
        SetDlgItemTextA(main, IDC_ICON_PATH, iconPath.c_str());
        SetDlgItemTextA(main, IDC_OUTPUT_PATH, outputPath.c_str());
    }

    // Runs the window's messages, keys included, as its modal loop would.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeout = 120000)
    {
        const DWORD deadline = GetTickCount() + timeout;
        while (!done()) {
            if (GetTickCount() > deadline)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (!IsDialogMessageA(main, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageA(&message);
                }
            }
        }
        return true;
    }

    void Pump(DWORD milliseconds)
    {
        const DWORD end = GetTickCount() + milliseconds;
        PumpUntil([end] { return GetTickCount() > end; });
    }

    // Create pressed; waits until the worker is done and its box answered.
    void CreateAndWait()
    {
        PostMessageA(main, WM_COMMAND, IDC_CREATE, 0);
        const size_t before = watcher->count();
        ASSERT_TRUE(PumpUntil([&] {
            return watcher->count() > before && Enabled(main, IDC_CREATE) &&
                   Enabled(main, IDCANCEL);
        })) << "no outcome shown";
        Pump(300);
    }

    std::vector<std::string> EngineEvents()
    {
        std::lock_guard<std::mutex> lock(gEngineLock);
        std::vector<std::string> events;
        for (const EngineCall& call : gEngineCalls)
            events.push_back(call.what);
        return events;
    }

    TempFolder folder;
    std::string msi, skin, output;
    HWND main = nullptr;
    DialogWatcher* watcher = nullptr;
};

TEST_F(MainWindowTest, EmptyRequiredFieldAsksForCorrectionAndStartsNothing)
{
    RecordEngine();
    Open();
    gEngineCalls.clear();
    struct Case {
        const char* what;
        std::string msi, skin, output;
    };
    const Case cases[] = {
        {"no MSI", "", skin, output},
        {"no skin", msi, "", output},
        {"no output", msi, skin, ""},
    };
    for (const Case& c : cases) {
        Fill(c.msi, c.skin, "", c.output);
        const size_t before = watcher->count();
        SendMessageA(main, WM_COMMAND, IDC_CREATE, 0);
        ASSERT_EQ(before + 1, watcher->count()) << c.what;
        const SeenDialog box = watcher->seen().back();
        EXPECT_EQ("Velumo Installer", box.caption) << c.what;
        EXPECT_NE(std::string::npos, box.texts.find("Please correct values|")) << box.texts;
        EXPECT_EQ(main, box.owner) << c.what;
        Pump(500);
        EXPECT_TRUE(Enabled(main, IDC_CREATE)) << c.what;
        EXPECT_TRUE(Enabled(main, IDCANCEL)) << c.what;
    }
    EXPECT_TRUE(gBarMessages.empty());
    EXPECT_TRUE(EngineEvents().empty()) << "a worker registered with the engine";
    EXPECT_FALSE(FileExists(output));
    EXPECT_FALSE(FileExists(std::string(gBuilder.builderFolder) + "temp.zip"));
}

TEST_F(MainWindowTest, EnterInAFieldPressesCreate)
{
    Open();
    HWND field = GetDlgItem(main, IDC_MSI_PATH);
    SetFocus(field);
    PostMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return watcher->count() == 1; }, 20000));
    EXPECT_NE(std::string::npos, watcher->seen()[0].texts.find("Please correct values|"));
}

TEST_F(MainWindowTest, SuccessfulCreateKeepsButtonsOffUntilTheBoxIsAnswered)
{
    RecordEngine();
    Open();
    gEngineCalls.clear();
    // A field changed while the worker runs: the worker must go on with the
    // paths it was started with.
    gOnAdd = [] { SetDlgItemTextA(gMainForEngine, IDC_MSI_PATH, "C:\\changed\\meanwhile.msi"); };
    Fill(msi, skin, "", output);
    CreateAndWait();

    const std::vector<SeenDialog> seen = watcher->seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_NE(std::string::npos, seen[0].texts.find("Generated Successfully|")) << seen[0].texts;
    EXPECT_EQ(main, seen[0].owner);
    EXPECT_FALSE(seen[0].createEnabled);
    EXPECT_FALSE(seen[0].closeEnabled);
    EXPECT_TRUE(PackageFile(output.c_str()).HasContainer());
    // No icon given: the setup keeps the stub's own.
    const std::string stub = ReadFileBytes(std::string(gBuilder.builderFolder) + "Runlet.exe");
    EXPECT_EQ(stub, ReadFileBytes(output).substr(0, stub.size()));

    // Eight deflated entries, each 0..100 in rising steps.
    std::vector<std::vector<BarMessage>> runs;
    for (const BarMessage& m : gBarMessages) {
        if (m.message == PBM_SETRANGE32)
            runs.emplace_back();
        ASSERT_FALSE(runs.empty()) << "position before range";
        runs.back().push_back(m);
    }
    ASSERT_EQ(8u, runs.size());
    for (const auto& run : runs) {
        ASSERT_GE(run.size(), 3u);
        EXPECT_EQ(0u, run[0].wParam);
        EXPECT_EQ(100, run[0].lParam);
        EXPECT_EQ(UINT(PBM_SETPOS), run[1].message);
        EXPECT_EQ(0u, run[1].wParam);
        EXPECT_EQ(100u, run.back().wParam);
        for (size_t i = 2; i < run.size(); ++i) {
            EXPECT_EQ(UINT(PBM_SETPOS), run[i].message);
            EXPECT_LE(run[i - 1].wParam, run[i].wParam);
        }
    }

    // The worker registers first and unregisters after the box, before the
    // buttons come back, on its own thread.
    std::lock_guard<std::mutex> lock(gEngineLock);
    ASSERT_EQ(2u, gEngineCalls.size());
    EXPECT_EQ("add", gEngineCalls[0].what);
    EXPECT_EQ("delete", gEngineCalls[1].what);
    EXPECT_NE(GetCurrentThreadId(), gEngineCalls[0].threadId);
    EXPECT_EQ(gEngineCalls[0].threadId, gEngineCalls[1].threadId);
    EXPECT_FALSE(gEngineCalls[0].createEnabled);
    EXPECT_FALSE(gEngineCalls[1].createEnabled);
}

TEST_F(MainWindowTest, FailingCreateEnablesButtonsBeforeItsBox)
{
    RecordEngine();
    Open();
    gEngineCalls.clear();
    Fill(folder / "missing.msi", skin, "", output);
    CreateAndWait();
    const std::vector<SeenDialog> seen = watcher->seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_NE(std::string::npos, seen[0].texts.find("Can't create zip file|")) << seen[0].texts;
    EXPECT_EQ(main, seen[0].owner);
    EXPECT_TRUE(seen[0].createEnabled);
    EXPECT_TRUE(seen[0].closeEnabled);
    EXPECT_FALSE(FileExists(output));
    EXPECT_EQ((std::vector<std::string>{"add", "delete"}), EngineEvents());
    std::lock_guard<std::mutex> lock(gEngineLock);
    EXPECT_FALSE(gEngineCalls[1].createEnabled) << "unregistered after the buttons came back";
}

TEST_F(MainWindowTest, RefusedSkinIsNamedInTheBoxWithItsFirstFault)
{
    Open();
    const std::string damaged = folder / "Damaged.skf";
    ASSERT_TRUE(WriteZip(damaged, {{"skin.ini", GoodSkinIniWith("[Dialog]\n", "[Dialog]\nglow = 1\n")},
                                   {"strip.bmp", SolidBmp(32, 4)}}));
    Fill(msi, damaged, "", output);
    CreateAndWait();
    const std::vector<SeenDialog> seen = watcher->seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_NE(std::string::npos,
              seen[0].texts.find("the skin is refused: Damaged.skf:5: [Dialog] unknown key \"glow\"|"))
        << seen[0].texts;
    EXPECT_FALSE(FileExists(output));
}

TEST_F(MainWindowTest, TypedPathKeepsItsFirst259Characters)
{
    Open();
    // A package at a path of 259 characters, typed with more after it: the
    // field's text is longer than any path buffer, and only its first 259
    // characters name the package.
    const std::string name = std::string(259 - folder.path().size() - 1 - 4, 'x') + ".msi";
    const std::string kept = folder / name;
    ASSERT_EQ(259u, kept.size());
    ASSERT_TRUE(CopyFileTo(msi, kept));
    Fill(kept + std::string(300 - kept.size(), 'y'), skin, "", output);
    ASSERT_EQ(300u, FieldText(main, IDC_MSI_PATH).size());
    CreateAndWait();
    // The package was read: what stops the generation is its name, too long
    // for a setup to unpack.
    EXPECT_NE(std::string::npos, watcher->seen()[0].texts.find("named \"" + name + "\""))
        << watcher->seen()[0].texts;
}

TEST_F(MainWindowTest, CancellingAFileDialogKeepsTheField)
{
    Open();
    struct Browse {
        int button;
        int field;
        const char* caption;
    };
    const Browse browses[] = {
        {IDC_BROWSE_MSI, IDC_MSI_PATH, "Open"},
        {IDC_BROWSE_SKIN, IDC_SKIN_PATH, "Open"},
        {IDC_BROWSE_ICON, IDC_ICON_PATH, "Open"},
        {IDC_BROWSE_OUTPUT, IDC_OUTPUT_PATH, "Save As"},
    };
    for (const Browse& b : browses) {
        const std::string kept = "C:\\kept\\" + std::to_string(b.field) + ".txt";
        SetDlgItemTextA(main, b.field, kept.c_str());
        const size_t before = watcher->count();
        // The file dialog runs its own loop until the watcher cancels it.
        SendMessageA(main, WM_COMMAND, b.button, 0);
        ASSERT_EQ(before + 1, watcher->count()) << b.button;
        const SeenDialog dialog = watcher->seen().back();
        EXPECT_EQ(b.caption, dialog.caption) << b.button;
        EXPECT_EQ(main, dialog.owner) << b.button;
        EXPECT_EQ(kept, FieldText(main, b.field)) << b.button;
    }
}

TEST_F(MainWindowTest, EngineDecoratesEveryWindowInOrder)
{
    RecordEngine();
    Open();
    // What each control is, read from the window its template made: fields
    // are edits, browse buttons have no text but a tab stop, banners neither;
    // labels and the progress bar are left to the dialog's own look.
    auto kindOf = [](HWND child) -> std::string {
        const std::string windowClass = ClassOf(child);
        if (lstrcmpiA(windowClass.c_str(), "Edit") == 0)
            return "CustomEdit";
        if (lstrcmpiA(windowClass.c_str(), "Button") != 0)
            return "";
        if (!CaptionOf(child).empty())
            return "GeneralButton";
        return (GetWindowLongA(child, GWL_STYLE) & WS_TABSTOP) ? "OpenButton" : "banner";
    };
    std::map<HWND, std::string> undecorated;
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!kindOf(child).empty())
            undecorated[child] = kindOf(child);
    }
    ASSERT_EQ(14u, undecorated.size()) << "the template's controls";
    {
        std::lock_guard<std::mutex> lock(gEngineLock);
        ASSERT_GE(gEngineCalls.size(), 2u);
        // The dialog first, its frame before its face.
        EXPECT_EQ("skin CustomFrame", gEngineCalls[0].what);
        EXPECT_EQ(1, gEngineCalls[0].flags);
        EXPECT_EQ("skin CustomDialog", gEngineCalls[1].what);
        EXPECT_EQ(0, gEngineCalls[1].flags);
        EXPECT_EQ(main, gEngineCalls[0].window);
        EXPECT_EQ(main, gEngineCalls[1].window);
        // Then every control once, kind by kind.
        std::vector<std::string> runs;
        for (size_t i = 2; i < gEngineCalls.size(); ++i) {
            const EngineCall& call = gEngineCalls[i];
            const auto found = undecorated.find(call.window);
            ASSERT_NE(undecorated.end(), found) << call.what << ": not a control, or again";
            const std::string object = call.what.substr(5);
            const std::string kind = object.compare(0, 7, "banner_") == 0 ? "banner" : object;
            EXPECT_EQ(found->second, kind) << "control " << call.controlId;
            EXPECT_EQ(0, call.flags) << object;
            undecorated.erase(found);
            if (runs.empty() || runs.back() != kind)
                runs.push_back(kind);
        }
        EXPECT_TRUE(undecorated.empty()) << undecorated.size() << " controls not decorated";
        EXPECT_EQ((std::vector<std::string>{"OpenButton", "CustomEdit", "banner", "GeneralButton"}),
                  runs);
        // Each banner has an object of its own.
        for (const EngineCall& call : gEngineCalls) {
            if (call.controlId == IDC_BANNER_SITE) {
                EXPECT_EQ("skin banner_velumo", call.what);
            } else if (call.controlId == IDC_BANNER_SKINS) {
                EXPECT_EQ("skin banner_getmoreskin", call.what);
            }
        }
        gEngineCalls.clear();
    }

    // The About box, modal and owned by the main window: the dialog, then its
    // banner; its e-mail label is a link.
    SendMessageA(main, WM_COMMAND, IDC_ABOUT, 0);
    ASSERT_EQ(1u, watcher->count());
    const SeenDialog about = watcher->seen()[0];
    EXPECT_EQ("About Ornix Creator", about.caption);
    EXPECT_EQ(main, about.owner);
    EXPECT_TRUE(about.mailIsLink);
    EXPECT_NE(std::string::npos, about.texts.find("E-Mail: support@example.com |")) << about.texts;
    EXPECT_EQ((std::vector<std::string>{"skin DialogAbout", "skin about_vl"}), EngineEvents());
    std::lock_guard<std::mutex> lock(gEngineLock);
    ASSERT_EQ(2u, gEngineCalls.size());
    EXPECT_EQ(0, gEngineCalls[0].flags);
    EXPECT_EQ(0, gEngineCalls[1].flags);
    EXPECT_EQ("About Ornix Creator", gEngineCalls[0].caption);
    EXPECT_EQ(IDC_ABOUT_BANNER, gEngineCalls[1].controlId);
}

TEST_F(MainWindowTest, DecorationPassesOverMissingControls)
{
    RecordEngine();
    Open(kReducedMainTemplate);
    const std::vector<std::string> events = EngineEvents();
    EXPECT_EQ((std::vector<std::string>{"skin CustomFrame", "skin CustomDialog", "skin OpenButton",
                                        "skin OpenButton", "skin OpenButton", "skin CustomEdit",
                                        "skin CustomEdit", "skin CustomEdit", "skin CustomEdit",
                                        "skin banner_velumo", "skin GeneralButton",
                                        "skin GeneralButton", "skin GeneralButton",
                                        "skin GeneralButton"}),
              events);
    std::lock_guard<std::mutex> lock(gEngineLock);
    for (const EngineCall& call : gEngineCalls)
        EXPECT_TRUE(call.window) << call.what;
}

TEST_F(MainWindowTest, UndecoratedWindowAndAboutBoxAsPictures)
{
    Open();
    Fill(msi, skin, "", output);
    Pump(1500);
    EXPECT_TRUE(ReadWindow(main).SavePng(ArtifactsDir() + "\\main-window.png"));
    SendMessageA(main, WM_COMMAND, IDC_ABOUT, 0);
    ASSERT_EQ(1u, watcher->count());
    const SeenDialog about = watcher->seen()[0];
    EXPECT_EQ("About Ornix Creator", about.caption);
    EXPECT_TRUE(about.screenshot);
    EXPECT_TRUE(about.mailIsLink);
    // The window's icon is the builder's own.
    EXPECT_TRUE(GetClassLongPtrA(main, GCLP_HICON));
}

// --- The builder as a process: closing ------------------------------------

void PressEscape(HWND main)
{
    HWND field = GetDlgItem(main, IDC_MSI_PATH);
    PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(field, WM_KEYUP, VK_ESCAPE, 0xC0000001);
}

TEST(BuilderProcessTest, ClosingIsRefusedWhileGeneratingAndEndsTheProcessWhenIdle)
{
    TempFolder folder;
    const std::string builder = folder / "builder";
    ASSERT_TRUE(LayOutBuilder(builder));
    // Help opens the manual from the builder folder; the install step puts it there.
    EXPECT_TRUE(FileExists(InstalledBuilderDir() + "\\Velumo Installer Manual.chm"));
    const std::string msi = folder / "Sample.msi";
    ASSERT_TRUE(CopyFileTo(SampleMsiPath(), msi));
    const std::string skin = folder / "Sample.skf";
    ASSERT_TRUE(WriteSkinFile(skin));
    const std::string output = folder / "setup.exe";

    TestProcess process("\"" + builder + "\\OrnixCreator.exe\"", folder.path());
    ASSERT_TRUE(process.started());

    HWND main = WaitForDialog(process, "Velumo Installer", nullptr, 60000);
    ASSERT_TRUE(main) << "no main window";
    SendMessageA(GetDlgItem(main, IDC_MSI_PATH), WM_SETTEXT, 0, LPARAM(msi.c_str()));
    SendMessageA(GetDlgItem(main, IDC_SKIN_PATH), WM_SETTEXT, 0, LPARAM(skin.c_str()));
    SendMessageA(GetDlgItem(main, IDC_OUTPUT_PATH), WM_SETTEXT, 0, LPARAM(output.c_str()));
    PostMessageA(main, WM_COMMAND, IDC_CREATE, 0);

    // While "Generated Successfully" is up the generation is not over.
    HWND box = WaitForDialog(process, "Velumo Installer", main, 60000);
    ASSERT_TRUE(box) << "no outcome box";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDCANCEL)));
    PressEscape(main);
    PostMessageA(main, WM_CLOSE, 0, 0);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    // Enter with Create disabled falls back to IDOK.
    PostMessageA(main, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(DWORD(STILL_ACTIVE), process.Wait(3000))
        << "the builder ended during a generation";

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(main, IDCANCEL)) != FALSE; },
                          30000));
    EXPECT_TRUE(PackageFile(output.c_str()).HasContainer());

    PressEscape(main);
    EXPECT_EQ(0u, process.Wait(30000)) << "Escape did not end it";
}

} // namespace
