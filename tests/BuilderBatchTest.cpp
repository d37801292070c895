#include "BuilderTestSupport.h"
#include "DamagedSkins.h"
#include "EngineTrace.h"
#include "PackageFile.h"
#include "TestFiles.h"
#include "TestProcess.h"
#include "TestWindows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The builder program run as a packager runs it, from a copy of the folder
// that the install step laid out, with the placeholder runtime libraries and
// the engine double in place of the engine.
class BuilderBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        builder = folder / "builder";
        // The engine double stands in for the skin engine and traces the calls.
        ASSERT_TRUE(LayOutBuilder(builder, HostPath(ENGINE_DOUBLE_DLL)));
        stubBytes = ReadFileBytes(builder + "\\Runlet.exe");
        trace = folder / "engine-calls.txt";

        msi = folder / "Sample Package.msi";
        ASSERT_TRUE(CopyFileTo(SampleMsiPath(), msi));
        skin = folder / "Sample.skf";
        ASSERT_TRUE(WriteSkinFile(skin));
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
        EnvironmentOverride traceFile("VELUMO_TRACE", trace);
        // Standard error goes to a file, as a build tool would capture it.
        const std::string errorsPath = folder / "stderr.txt";
        TestProcess program("\"" + builder + "\\OrnixCreator.exe\" " + arguments, folder.path(),
                            errorsPath);
        if (!program.started()) {
            ADD_FAILURE() << "cannot start the builder";
            return outcome;
        }
        const DWORD deadline = GetTickCount() + 120000;
        while ((outcome.exitCode = program.Wait(100)) == STILL_ACTIVE) {
            const std::vector<HWND> shown = WindowsOf(program.id());
            if (!shown.empty() && outcome.windowTexts.empty()) {
                outcome.windowTexts = CaptionOf(shown.front()) + "|" + ChildTexts(shown.front());
                PostMessageA(shown.front(), WM_COMMAND, closeCommand, 0);
            }
            if (GetTickCount() > deadline) {
                ADD_FAILURE() << "the builder did not end";
                program.Terminate();
                break;
            }
        }
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
    // The engine calls the builder made, by name and arguments, in order.
    std::vector<std::string> EngineCalls() const
    {
        std::vector<std::string> calls;
        for (const TraceLine& line : ReadEngineTrace(trace))
            calls.push_back(line.call);
        return calls;
    }

    TempFolder folder;
    std::string builder, msi, skin, output, stubBytes, trace;
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
    EXPECT_TRUE(EngineCalls().empty()) << "batch mode loads no skin engine";
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
    EXPECT_TRUE(EngineCalls().empty());
}

TEST_F(BuilderBatchTest, EmptyOutputValueOpensTheMainWindow)
{
    Outcome outcome = Run("/m:\"" + msi + "\" /s:\"" + skin + "\" /o:");
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(0u, outcome.windowTexts.find("Velumo Installer|")) << outcome.windowTexts;
    EXPECT_FALSE(FileExists(output));
    // The engine is bound from the builder folder, with the builder's own
    // skin, before the window shows.
    const std::vector<std::string> calls = EngineCalls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ("Attach " + builder + "\\VelumoDll.dll", calls[0]);
    EXPECT_EQ((std::vector<std::string>{"InitDecoration 1",
                                        "LoadSkinFromFile " + builder + "\\Ornix.skf exists=1",
                                        "ApplySkin"}),
              std::vector<std::string>(calls.begin() + 1, calls.begin() + 4));
}

// Build tools quote a path with a space as a whole argument.
TEST_F(BuilderBatchTest, PathsWithSpacesInEitherQuotingForm)
{
    skin = folder / "Bars Skin.skf";
    ASSERT_TRUE(WriteSkinFile(skin));
    for (const std::string& arguments :
         {BatchSet(), "\"/m:" + msi + "\" \"/s:" + skin + "\" \"/o:" + output + "\"",
          "/m:\"" + msi + "\" /s:daylight /o:\"" + output + "\""}) {
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
    // A skin the engine refuses: a key in the wrong format on line 5.
    const std::string realSkin = skin;
    skin = folder / "Brand.skf";
    ASSERT_TRUE(WriteZip(skin, {{"skin.ini", GoodSkinIniWith("[Dialog]\n", "[Dialog]\ncaption = #102030\n")},
                                {"strip.bmp", SolidBmp(32, 4)}}));
    const std::string refusedSkin = BatchSet();
    skin = realSkin;
    const std::string toNul = "/m:\"" + msi + "\" /s:\"" + skin + "\" /o:NUL";
    const std::string unknownStock = "/m:\"" + msi + "\" /s:Sunset /o:\"" + output + "\"";
    const Case cases[] = {
        {"msi missing", 3, missingMsi, "", ""},
        {"unknown stock skin", 3, unknownStock, "", "the stock skins are: Contrast, Daylight, Iris, Midnight\r\n"},
        {"engine missing", 4, BatchSet(), "VelumoDll.dll",
         "VelumoDll.dll is missing from " + builder + "\r\n"},
        {"stub missing", 5, BatchSet(), "Runlet.exe", "Runlet.exe is missing from " + builder + "\r\n"},
        {"icon malformed", 6, BatchSet(badIcon), "", ""},
        {"output is a device", 12, toNul, "", ""},
        {"entry name too long for the setup", 14, longMsi, "", "\"" + longName + "\""},
        {"skin refused", 16, refusedSkin, "",
         "the skin is refused: Brand.skf:5: [Dialog] unknown key \"caption\"\r\n"},
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
