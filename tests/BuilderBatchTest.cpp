#include "BuilderTestSupport.h"
#include "PackageFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND ShownWindowOf(DWORD processId)
{
    WindowSearch search = {processId, nullptr};
    EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK AddChildText(HWND child, LPARAM texts)
{
    char text[1024] = "";
    GetWindowTextA(child, text, sizeof text);
    *reinterpret_cast<std::string*>(texts) += std::string(text) + "|";
    return TRUE;
}

// The window's caption and its children's texts, each followed by "|".
std::string TextsOf(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    std::string texts = std::string(text) + "|";
    EnumChildWindows(window, AddChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// The builder program run as a packager runs it, from a copy of the folder
// that the install step laid out, completed with the stand-in stub, engine
// and placeholder libraries where the install step had none.
class BuilderBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        builder = folder / "builder";
        CreateDirectoryA(builder.c_str(), nullptr);
        const std::string installed = WindowsPathOf(VELUMO_INSTALLED_BUILDER);
        // The engine double stands in for the skin engine and logs the calls.
        ASSERT_TRUE(CopyFileTo(WindowsPathOf(VELUMO_RECORDING_ENGINE), builder + "\\VelumoDll.dll"));
        for (const char* name : {"OrnixCreator.exe", "Ornix.skf", "Runlet.exe"}) {
            if (FileExists(installed + "\\" + name)) {
                ASSERT_TRUE(CopyFileTo(installed + "\\" + name, builder + "\\" + name)) << name;
            }
        }
        ASSERT_TRUE(FileExists(builder + "\\OrnixCreator.exe"));
        ASSERT_TRUE(FileExists(builder + "\\Ornix.skf"));
        ASSERT_TRUE(FillBuilderFolder(builder));
        stubBytes = ReadFileBytes(builder + "\\Runlet.exe");

        msi = folder / "Sample Package.msi";
        ASSERT_TRUE(CopyFileTo(SampleMsiPath(), msi));
        skin = folder / "Sample.skf";
        ASSERT_TRUE(WriteFileBytes(skin, PatternBytes(12000, 4)));
        output = folder / "setup.exe";
    }

    struct Outcome {
        DWORD exitCode = 0xFFFFFFFF;
        std::string windowTexts; // caption and child texts of the first window shown
        std::string errors;      // what it wrote to standard error
    };

    // Runs the builder; a window it shows is read and then closed with
    // closeCommand (IDOK for a message box, IDCANCEL for a dialog).
    Outcome Run(const std::string& arguments, WPARAM closeCommand = IDCANCEL)
    {
        Outcome outcome;
        std::string commandLine = "\"" + builder + "\\OrnixCreator.exe\" " + arguments;
        // Standard error goes to a file, as a build tool would capture it.
        const std::string errorsPath = folder / "stderr.txt";
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE errors = CreateFileA(errorsPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                    CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = errors;
        PROCESS_INFORMATION process = {};
        const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0,
                                            nullptr, folder.path().c_str(), &startup, &process);
        CloseHandle(errors);
        if (!started) {
            ADD_FAILURE() << "cannot start the builder";
            return outcome;
        }
        const DWORD deadline = GetTickCount() + 120000;
        while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
            HWND window = ShownWindowOf(process.dwProcessId);
            if (window && outcome.windowTexts.empty()) {
                outcome.windowTexts = TextsOf(window);
                PostMessageA(window, WM_COMMAND, closeCommand, 0);
            }
            if (GetTickCount() > deadline) {
                ADD_FAILURE() << "the builder did not end";
                TerminateProcess(process.hProcess, 99);
                break;
            }
        }
        GetExitCodeProcess(process.hProcess, &outcome.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        outcome.errors = ReadFileBytes(errorsPath);
        return outcome;
    }

    std::string BatchSet(const std::string& icon = "") const
    {
        std::string set = "/m:\"" + msi + "\" /s:\"" + skin + "\" /o:\"" + output + "\"";
        if (!icon.empty())
            set += " /i:\"" + icon + "\"";
        return set;
    }

    bool TempZipLeft() const { return FileExists(builder + "\\temp.zip"); }
    std::string EngineCalls() const { return ReadFileBytes(builder + "\\engine-calls.txt"); }

    TempFolder folder;
    std::string builder, msi, skin, output, stubBytes;
};

TEST_F(BuilderBatchTest, BatchModeBuildsSetupWithoutAnyWindow)
{
    const std::string icon = folder / "one.ico";
    ASSERT_TRUE(WriteFileBytes(icon, IconFileBytes({PatternBytes(900, 3)})));
    // Upper-case letters and a hyphen are taken like the slash form.
    std::string arguments = "-M:\"" + msi + "\" /S:\"" + skin + "\" /o:\"" + output + "\" /I:\"" +
                            icon + "\"";
    Outcome outcome = Run(arguments);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ("", outcome.windowTexts);
    EXPECT_EQ("", EngineCalls()) << "batch mode binds no skin engine";
    ASSERT_TRUE(FileExists(output));
    EXPECT_TRUE(PackageFile(output.c_str()).HasContainer());
    EXPECT_NE(stubBytes, ReadFileBytes(output).substr(0, stubBytes.size())) << "icon not replaced";
    EXPECT_FALSE(TempZipLeft());
}

TEST_F(BuilderBatchTest, EmptyIconValueGeneratesWithTheStubIcons)
{
    Outcome outcome = Run(BatchSet() + " /i:");
    EXPECT_EQ(0u, outcome.exitCode);
    ASSERT_TRUE(FileExists(output));
    EXPECT_EQ(stubBytes, ReadFileBytes(output).substr(0, stubBytes.size()));
}

TEST_F(BuilderBatchTest, UsageWinsOverCompleteBatchSet)
{
    Outcome outcome = Run("/? " + BatchSet(), IDOK);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.windowTexts.find("Velumo Installer|")) << outcome.windowTexts;
    EXPECT_NE(std::string::npos, outcome.windowTexts.find("   /m:<full path to an existing MSI file>."))
        << outcome.windowTexts;
    EXPECT_FALSE(FileExists(output));
    EXPECT_FALSE(TempZipLeft());
    EXPECT_EQ("", EngineCalls());
}

TEST_F(BuilderBatchTest, EmptyOutputValueOpensTheMainWindow)
{
    Outcome outcome = Run("/m:\"" + msi + "\" /s:\"" + skin + "\" /o:");
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(0u, outcome.windowTexts.find("Velumo Installer|")) << outcome.windowTexts;
    EXPECT_FALSE(FileExists(output));
    // The engine is bound from the builder folder, with the builder's own
    // skin, before the window shows.
    const std::string expected =
        "InitDecoration 1\nLoadSkinFromFile " + builder + "\\Ornix.skf\nApplySkin\n";
    EXPECT_EQ(expected, EngineCalls().substr(0, expected.size()));
}

// Build tools quote a path with a space as a whole argument.
TEST_F(BuilderBatchTest, PathsWithSpacesInEitherQuotingForm)
{
    skin = folder / "Bars Skin.skf";
    ASSERT_TRUE(WriteFileBytes(skin, PatternBytes(12000, 4)));
    for (const std::string& arguments :
         {BatchSet(), "\"/m:" + msi + "\" \"/s:" + skin + "\" \"/o:" + output + "\""}) {
        SCOPED_TRACE(arguments);
        Outcome outcome = Run(arguments);
        EXPECT_EQ(0u, outcome.exitCode);
        ASSERT_TRUE(FileExists(output));
        EXPECT_TRUE(PackageFile(output.c_str()).HasContainer());
        ASSERT_TRUE(DeleteFileA(output.c_str()));
    }
}

TEST_F(BuilderBatchTest, EachFailureKindHasItsOwnExitCode)
{
    struct Case {
        const char* what;
        DWORD code;
        std::string arguments;
        std::string removed; // a builder file taken away for this case
        std::string errors;  // what standard error must hold
    };
    const std::string badIcon = folder / "bad.ico";
    ASSERT_TRUE(WriteFileBytes(badIcon, IconFileBytes({"abc"}).substr(0, 20)));
    const std::string realMsi = msi;
    msi = folder / "missing.msi";
    const std::string missingMsi = BatchSet();
    // Fits a path here, but not the setup's temporary folder.
    const std::string longName = std::string(250 - folder.path().size(), 'n') + ".msi";
    msi = folder / longName;
    ASSERT_TRUE(CopyFileTo(realMsi, msi));
    const std::string longMsi = BatchSet();
    msi = realMsi;
    const std::string toNul = "/m:\"" + msi + "\" /s:\"" + skin + "\" /o:NUL";
    const Case cases[] = {
        {"msi missing", 3, missingMsi, "", ""},
        {"library missing", 4, BatchSet(), "msvcp71.dll", ""},
        {"stub missing", 5, BatchSet(), "Runlet.exe", ""},
        {"icon malformed", 6, BatchSet(badIcon), "", ""},
        {"output is a device", 12, toNul, "", ""},
        {"entry name too long for the setup", 14, longMsi, "", "\"" + longName + "\""},
    };
    const std::string earlier = PatternBytes(2000, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(output, earlier));
        const std::string removed = builder + "\\" + c.removed;
        if (!c.removed.empty()) {
            ASSERT_TRUE(MoveFileA(removed.c_str(), (folder / c.removed).c_str()));
        }
        Outcome outcome = Run(c.arguments);
        EXPECT_EQ(c.code, outcome.exitCode);
        EXPECT_EQ("", outcome.windowTexts);
        EXPECT_EQ(earlier, ReadFileBytes(output));
        EXPECT_FALSE(TempZipLeft());
        if (c.errors.empty())
            EXPECT_EQ("", outcome.errors);
        else
            EXPECT_NE(std::string::npos, outcome.errors.find(c.errors)) << outcome.errors;
        if (!c.removed.empty()) {
            ASSERT_TRUE(MoveFileA((folder / c.removed).c_str(), removed.c_str()));
        }
    }
}

} // namespace
