#include "EntryRules.h"
#include "PrivateTempFolder.h"
#include "StatusWindow.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(EntryRulesTest, ClassifiesByExtensionAndEngineNameIgnoringCase)
{
    EXPECT_EQ(EntryPackage, ClassifyEntry("Product.msi"));
    EXPECT_EQ(EntryPackage, ClassifyEntry("SETUP.MSI"));
    EXPECT_EQ(EntrySkin, ClassifyEntry("look.SKF"));
    EXPECT_EQ(EntryEngine, ClassifyEntry("VelumoDll.dll"));
    EXPECT_EQ(EntryEngine, ClassifyEntry("velumodll.DLL"));
    EXPECT_EQ(EntrySystemLibrary, ClassifyEntry("MSVCR71.DLL"));
    EXPECT_EQ(EntrySystemLibrary, ClassifyEntry("gdiplus.dll"));
    EXPECT_EQ(EntryOther, ClassifyEntry("readme.txt"));
    EXPECT_EQ(EntryOther, ClassifyEntry("msi"));
    // The extension is the last dot's: a package name may hold other dots.
    EXPECT_EQ(EntryPackage, ClassifyEntry("product.v2.msi"));
    EXPECT_EQ(EntryOther, ClassifyEntry("product.msi.txt"));
    // The first rule that matches decides.
    EXPECT_EQ(EntryPackage, ClassifyEntry("VelumoDll.dll.msi"));
}

TEST(EntryRulesTest, AcceptsOnlyPlainFileNamesThatFit)
{
    for (const char* name : {"Product.msi", "VelumoDll.dll", "a", "my setup (1).msi", "x.y.z"})
        EXPECT_TRUE(IsSafeEntryName(name, 40)) << name;
    for (const char* name : {"", "..", ".", "..\\evil.dll", "../evil.dll", "sub\\a.txt",
                             "sub/a.txt", "C:\\evil.dll", "C:evil.dll", "a.txt:stream",
                             "*.dll", "what?.txt", "a|b", "trailing.", "trailing ",
                             "NUL", "nul.txt", "COM1.dll", "lpt9", "CON.msi", "\x01.txt"})
        EXPECT_FALSE(IsSafeEntryName(name, 40)) << name;
    // Names that only start like a device are ordinary.
    EXPECT_TRUE(IsSafeEntryName("console.txt", 40));
    EXPECT_TRUE(IsSafeEntryName("COM.dll", 40));
    EXPECT_TRUE(IsSafeEntryName("nullsoft.txt", 40));

    // Folder, one backslash and name must leave room for the final zero.
    const std::string fits(MAX_PATH - 1 - 1 - 40, 'n');
    EXPECT_TRUE(IsSafeEntryName(fits.c_str(), 40));
    EXPECT_FALSE(IsSafeEntryName((fits + "n").c_str(), 40));
}

TEST(PrivateTempFolderTest, CreatesDistinctFoldersUnderTmpAndRemovesThemWithTheirFiles)
{
    TempFolder tmp;
    SetEnvironmentVariableA("TMP", tmp.path().c_str());
    {
        PrivateTempFolder first, second;
        ASSERT_TRUE(first.Create());
        ASSERT_TRUE(second.Create());
        const std::string firstPath = first.path();
        EXPECT_NE(firstPath, std::string(second.path()));
        EXPECT_EQ(0u, firstPath.find(tmp.path() + "\\"));
        EXPECT_EQ('\\', firstPath.back());
        ASSERT_TRUE(WriteFileBytes(firstPath + "\\left.txt", "left behind"));
        SetFileAttributesA((firstPath + "left.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(2, CountEntries(tmp.path()));
        first.Remove();
        EXPECT_FALSE(FileExists(firstPath));
        EXPECT_EQ(1, CountEntries(tmp.path()));
    }
    EXPECT_EQ(0, CountEntries(tmp.path()));
    SetEnvironmentVariableA("TMP", nullptr);
}

std::string ItemText(HWND window)
{
    char text[MAX_PATH + 64] = {};
    GetDlgItemTextA(window, 1001, text, sizeof text);
    return text;
}

TEST(StatusWindowTest, ShowsTemplate103WithItsTextsAndGoesOnClose)
{
    StatusWindow status(GetModuleHandleA(nullptr));
    HWND window = status.handle();
    ASSERT_TRUE(window);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(0, GetWindowTextLengthA(window));
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(LONG(WS_POPUP | WS_BORDER | WS_SYSMENU),
              style & LONG(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION));
    EXPECT_TRUE(GetDlgItem(window, 1001));
    EXPECT_EQ("Prepare installation", ItemText(window));

    // The path is shown as the run holds it, double backslash included.
    status.ShowUnpacking("C:\\Temp\\Velumo-1\\\\Product.msi");
    EXPECT_EQ("Unpacking \"C:\\Temp\\Velumo-1\\\\Product.msi\" file", ItemText(window));

    // A path at the limit still fits the text whole.
    const std::string longPath = "C:\\" + std::string(MAX_PATH - 4, 'p');
    status.ShowUnpacking(longPath.c_str());
    EXPECT_EQ("Unpacking \"" + longPath + "\" file", ItemText(window));

    status.Close();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(status.handle());
}

} // namespace
