#include "ArchiveLayout.h"
#include "EntryRules.h"
#include "PrivateTempFolder.h"
#include "SetupOptions.h"
#include "StatusWindow.h"
#include "TestFiles.h"
#include "TestProcess.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string.h>
#include <string>
#include <vector>

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
                             "NUL", "nul.txt", "COM1.dll", "lpt9", "CON.msi", "\x01.txt",
                             "NUL .msi", "COM1 .dll", "com0", "LPT0.x.y", "aux  .txt",
                             "CONOUT$.dll", "prn.msi"})
        EXPECT_FALSE(IsSafeEntryName(name, 40)) << name;
    // Names that only start like a device are ordinary.
    EXPECT_TRUE(IsSafeEntryName("console.txt", 40));
    EXPECT_TRUE(IsSafeEntryName("COM.dll", 40));
    EXPECT_TRUE(IsSafeEntryName("nullsoft.txt", 40));
    EXPECT_TRUE(IsSafeEntryName("COM10.dll", 40));
    EXPECT_TRUE(IsSafeEntryName("NUL1 .msi", 40));

    // Folder, one backslash and name must leave room for the final zero.
    const std::string fits(MAX_PATH - 1 - 1 - 40, 'n');
    EXPECT_TRUE(IsSafeEntryName(fits.c_str(), 40));
    EXPECT_FALSE(IsSafeEntryName((fits + "n").c_str(), 40));
}

// Where entries lie in the archive file: an archive starting at 100 whose
// central directory starts at 1000. Entries may touch, never share a byte.
TEST(EntryRulesTest, RefusesEntriesThatShareBytesOrLeaveTheArchive)
{
    const ArchiveLayout layout{100, 1000};
    struct Case {
        const char* what;
        std::vector<EntryExtent> extents;
        const char* refusal;  // a word of it, or null
        size_t first, second;
    } cases[] = {
        {"touching, out of order", {{500, 1000, 0}, {100, 300, 1}, {300, 500, 2}}, nullptr, 0, 0},
        {"one byte shared", {{100, 301, 0}, {300, 400, 1}}, "overlaps", 0, 1},
        {"one record named twice", {{100, 200, 0}, {300, 400, 1}, {100, 200, 2}}, "overlaps", 0, 2},
        {"inside a long one, not its neighbour", {{100, 900, 3}, {200, 210, 1}, {950, 990, 0}},
         "overlaps", 3, 1},
        {"before the archive's start", {{99, 200, 0}}, "outside", 0, 0},
        {"into the directory", {{100, 200, 0}, {900, 1001, 1}}, "outside", 1, 1},
        {"past the end of every offset", {{500, ~0ull, 0}}, "outside", 0, 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        size_t first = 99, second = 99;
        const char* refusal = ExtentRefusal(c.extents, layout, first, second);
        if (!c.refusal) {
            EXPECT_EQ(nullptr, refusal) << refusal;
            continue;
        }
        ASSERT_NE(nullptr, refusal);
        EXPECT_NE(nullptr, strstr(refusal, c.refusal)) << refusal;
        EXPECT_EQ(c.first, first);
        EXPECT_EQ(c.second, second);
    }
}

// Names as a machine with another ANSI code page stores them: the second byte
// of a double-byte character may be 0x5C or 0x7C, and a byte that is a
// superscript digit in one code page is a letter in another.
TEST(EntryRulesTest, ReadsNamesCharacterByCharacterInTheirCodePage)
{
    struct Case {
        const char* name;
        UINT codePage;
        bool safe;
        bool device;
    };
    const Case cases[] = {
        {"\x95\x5C\x8C\x76\x8E\x5A.msi", 932, true, false},  // a spreadsheet, in Japanese
        {"\x95\x5C\x8C\x76\x8E\x5A.msi", 1252, false, false},
        {"\x81\x7C.msi", 932, true, false},
        {"\x81\x7C.msi", 1252, false, false},
        {"\x81\x5C.msi", 936, true, false},
        {"\xA5\x5C.msi", 950, true, false},
        {"\xB0\xA1.msi", 949, true, false},
        {"setup\x95", 932, false, false},  // a lead byte without its trail
        {"COM\xB9.dll", 1252, false, true},
        {"lpt\xB2 .txt", 1252, false, true},
        {"COM\xB3", 1252, false, true},
        {"COM\xB9.dll", 932, true, false},  // a katakana there, no digit
        {"NUL .msi", 932, false, true},
        {"CON", 950, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(c.codePage));
        EXPECT_EQ(c.safe, IsSafeEntryName(c.name, 40, c.codePage));
        EXPECT_EQ(c.device, IsDeviceName(c.name, c.codePage));
    }

    EXPECT_TRUE(SameEntryName("readme.txt", "README.TXT", 1252));
    EXPECT_TRUE(SameEntryName("\xE9t\xE9.msi", "\xC9T\xC9.MSI", 1252));
    EXPECT_FALSE(SameEntryName("a.msi", "b.msi", 1252));
    EXPECT_FALSE(SameEntryName("a.msi", "a.msi ", 1252));
    // 0x95 0x5C and 0x95 0x7C are two characters, not one with "\" and "|".
    EXPECT_FALSE(SameEntryName("\x95\x5C.msi", "\x95\x7C.msi", 932));
}

// How arguments split, and which of them are switches, properties or
// neither. A slash inside a property value must never start a switch.
TEST(SetupOptionsTest, SplitsLikeWindowsAndReadsOnlySwitchArgumentsAsSwitches)
{
    const std::vector<CommandArgument> split =
        SplitCommandLine("a\\\\\\\"b \"c d\"e \"\" \\\\\"f g\" h\\i \"x\"\"y\"");
    std::vector<std::string> texts;
    for (const CommandArgument& argument : split)
        texts.push_back(argument.text);
    EXPECT_EQ((std::vector<std::string>{"a\\\"b", "c de", "", "\\f g", "h\\i", "x\"y"}), texts);
    EXPECT_EQ("\"c d\"e", split[1].typed);
    // A trail byte 0x5C before a quote is no backslash.
    EXPECT_EQ("\x95\x5C", SplitCommandLine("\"\x95\x5C\"", 932)[0].text);

    struct Case {
        const char* line;
        std::string properties;
        int uiLevel;
        std::string log;
        std::string extract;
        std::vector<std::string> ignored;
    };
    const Case cases[] = {
        {"URL=http://x/q DIR=C:/a-q", "URL=\"http://x/q\" DIR=\"C:/a-q\"", 5, "", "", {}},
        {"/p:\"A=1 B=2\" NAME=\"two words\"", "A=1 B=2 NAME=\"two words\"", 5, "", "", {}},
        {"/l:C:\\x.log /p:A=1 N=\"say \"\"hi\"\"\"", "N=\"say \"\"hi\"\"\"", 5, "C:\\x.log", "", {}},
        {"/quiet /norestart REBOOT=Force", "REBOOT=\"Force\" REBOOT=ReallySuppress", 2, "", "", {}},
        {"/passive stray 1=2 /what", "", 0x43, "", "", {"stray", "1=2", "/what"}},
        {"-Q /P:X=1", "X=1", 2, "", "", {}},
        {"/extract:\"C:\\a b\" FLAVOUR=x", "FLAVOUR=\"x\"", 5, "", "C:\\a b", {}},
        {"/x:C:\\c", "", 5, "", "C:\\c", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const SetupOptions options = ReadSetupOptions(c.line);
        EXPECT_EQ(c.properties, InstallerProperties(options));
        EXPECT_EQ(c.uiLevel, InstallerUiLevel(options));
        EXPECT_EQ(c.log, options.logFile);
        EXPECT_EQ(c.extract, options.extractFolder);
        EXPECT_EQ(!c.extract.empty(), options.extract);
        EXPECT_EQ(c.ignored, options.ignored);
    }
    EXPECT_TRUE(ReadSetupOptions("/x").extract);
    EXPECT_TRUE(ReadSetupOptions("/?").showUsage);
    EXPECT_FALSE(ReadSetupOptions("A=/?").showUsage);
}

TEST(PrivateTempFolderTest, CreatesDistinctFoldersUnderTmpAndRemovesThemWithTheirFiles)
{
    TempFolder tmp;
    EnvironmentOverride tmpVariable("TMP", tmp.path());
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
}

std::string SidText(PSID sid)
{
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text))
        return "?";
    std::string copy = text;
    LocalFree(text);
    return copy;
}

// The SIDs of an access list's entries, each checked to allow full control
// and to be the list's own rather than inherited.
std::vector<std::string> AceSids(PACL acl, BYTE wantedFlags)
{
    std::vector<std::string> sids;
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)))
            return {"unreadable"};
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        EXPECT_EQ(wantedFlags, ace->Header.AceFlags & (INHERITED_ACE | wantedFlags));
        EXPECT_EQ(DWORD(FILE_ALL_ACCESS), ace->Mask & FILE_ALL_ACCESS);
        sids.push_back(SidText(&ace->SidStart));
    }
    std::sort(sids.begin(), sids.end());
    return sids;
}

// The private folder's access list: protected, its own, full control for
// the right accounts only. It is read back from the folder as well, where
// Wine, which keeps no access lists of files, shows what the folder's Unix
// mode allows: then the owner, and never any other account.
TEST(PrivateTempFolderTest, HasAProtectedAccessListOfItsOwn)
{
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    TOKEN_ELEVATION elevation = {};
    BYTE user[256];
    DWORD size = 0;
    GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof user, &size));
    CloseHandle(token);
    const std::string userSid = SidText(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
    std::vector<std::string> wanted = {"S-1-5-18", "S-1-5-32-544"};
    if (!elevation.TokenIsElevated)
        wanted.push_back(userSid);
    std::sort(wanted.begin(), wanted.end());

    PrivateFolderSecurity security;
    ASSERT_TRUE(MakePrivateFolderSecurity(security));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(&security.descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    BOOL present = FALSE, defaulted = FALSE;
    PACL made = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(&security.descriptor, &present, &made, &defaulted));
    EXPECT_TRUE(present && made);
    EXPECT_EQ(wanted, AceSids(made, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));

    TempFolder tmp;
    PrivateTempFolder folder;
    {
        EnvironmentOverride tmpVariable("TMP", tmp.path());
        ASSERT_TRUE(folder.Create());
    }
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(DWORD(ERROR_SUCCESS),
              GetNamedSecurityInfoA(folder.path(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &dacl, nullptr, &descriptor));
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    if (control & SE_DACL_PROTECTED) {
        EXPECT_EQ(wanted, AceSids(dacl, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
    } else {
        wanted.push_back(userSid);
        for (const std::string& sid : AceSids(dacl, 0))
            EXPECT_NE(wanted.end(), std::find(wanted.begin(), wanted.end(), sid)) << sid;
    }
    LocalFree(descriptor);
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
