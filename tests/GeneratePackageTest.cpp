#include "ArchiveTimes.h"
#include "BuilderState.h"
#include "BuilderTestSupport.h"
#include "DamagedSkins.h"
#include "PackageFile.h"
#include "GenerationWorker.h"
#include "SetupCheck.h"
#include "TestFiles.h"
#include "TestWindows.h"
#include "TestZip.h"

#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <cstring>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

// A builder folder, two inputs and an output folder in a private place.
// Generation is asked for directly, as the window and batch mode ask for it;
// only the tests of the window's own side set the window's state.
class GenerationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        builder = folder / "builder";
        ASSERT_TRUE(FillBuilderFolder(builder));
        payload = builder + "\\";
        msi = folder / "Package.msi";
        ASSERT_TRUE(CopyFileTo(SampleMsiPath(), msi));
        skin = folder / "Sample.skf";
        ASSERT_TRUE(WriteSkinFile(skin));
        CreateDirectoryA((folder / "out").c_str(), nullptr);
        output = folder / "out\\setup.exe";
        stubBytes = ReadFileBytes(StandInStubPath());
        ASSERT_FALSE(stubBytes.empty());
    }

    void TearDown() override { BuilderStartUpState() = BuilderState(); }

    GenerationRequest Request(const char* icon = nullptr) const
    {
        GenerationRequest request;
        request.msiPath = msi;
        request.skinPath = skin;
        request.outputPath = output;
        request.iconPath = icon ? icon : "";
        request.payloadFolder = payload;
        request.archivePath = ArchivePathIn(payload);
        return request;
    }

    // A job as the main window makes it, for the tests of its worker.
    GenerationJob* Job(HWND window, HWND bar = nullptr) const
    {
        auto* job = new GenerationJob;
        job->window = window;
        job->progressBar = bar;
        job->request = Request();
        return job;
    }

    GenerateResult Generate(const char* icon = nullptr, std::string* refused = nullptr)
    {
        const GenerationRequest request = Request(icon);
        std::string entry;
        const GenerateResult result = GenerateSetup(request, entry);
        if (refused)
            *refused = entry;
        return result;
    }

    bool TempZipLeft() const { return FileExists(builder + "\\temp.zip"); }

    TempFolder folder;
    std::string builder, payload, msi, skin, output, stubBytes;
};

std::string IconResource(const std::string& program, int id)
{
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return "<not loadable>";
    std::string bytes = "<missing>";
    HRSRC found = FindResourceExA(module, RT_ICON, MAKEINTRESOURCEA(id), 1033);
    if (found) {
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        bytes.assign(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

TEST(ArchiveNames, CompressedArchiveExtensionsAreStored)
{
    for (const char* name : {"a.Z", "a.z", "b.zip", "B.ZIP", "c.zoo", "d.arc", "e.LZH", "f.arj",
                             "x.gz", "g.tgz"})
        EXPECT_TRUE(ArchiveStoresUncompressed(name)) << name;
    for (const char* name : {"Package.msi", "skin.skf", "zip", "a.zipx", "gz", "a.gz.msi", ""})
        EXPECT_FALSE(ArchiveStoresUncompressed(name)) << name;
}

// One table names every outcome, for the window, batch mode and build logs.
TEST(FailureMessages, NameTheFileAndTheFolderSearched)
{
    const struct {
        GenerateResult result;
        const char* detail;
        const char* expected;  // the failure's own words
        const char* window;    // what the window shows
        const char* log;       // what a build log is told
    } cases[] = {
        {GenerateLibraryMissing, "C:\\Tools\\Velumo\\VelumoDll.dll",
         "VelumoDll.dll is missing from C:\\Tools\\Velumo", nullptr, nullptr},
        {GenerateLibraryMissing, "/usr/share/velumo-installer/mfc71.dll",
         "mfc71.dll is missing from /usr/share/velumo-installer", nullptr, nullptr},
        {GenerateStubFailed, "C:\\Tools\\Runlet.exe", "Runlet.exe is missing from C:\\Tools",
         nullptr, nullptr},
        // A locked output names no file: the window falls back to its own text.
        {GenerateStubFailed, "", "", "Can't create zip file",
         "Runlet.exe cannot be copied beside the output, or the output cannot be replaced"},
        {GenerateCheckFailed, "", "", "Can't create zip file",
         "the finished setup does not read back as a setup reads it"},
        {GenerateArchiveFailed, "", "", "Can't create zip file",
         "the temporary archive cannot be created or written"},
        {GeneratePathTooLong, "", "", "Can't create zip file", "a path does not fit in 259 bytes"},
        {GenerateTooLarge, "", "The setup would be larger than 4 GB, the most a setup program can hold.",
         nullptr, nullptr},
        {GenerateSkinRefused, "Brand.skf:12: [Dialog] unknown key \"glow\"",
         "the skin is refused: Brand.skf:12: [Dialog] unknown key \"glow\"", nullptr, nullptr},
        {GenerateEntryRefused, "a:b.msi",
         "The setup cannot unpack a file named \"a:b.msi\": the name is too long or not a plain "
         "file name, or the package is not the one .msi file.",
         nullptr, nullptr},
        {GenerateDone, "", "", "Generated Successfully", "the setup was generated"},
        {GenerateResult(1), "", "", "Can't create zip file", "generation failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.result));
        EXPECT_EQ(c.expected, GenerateFailureMessage(c.result, c.detail)) << c.detail;
        // With words of its own a failure is told in them everywhere.
        EXPECT_EQ(c.window ? c.window : c.expected, GenerateWindowText(c.result, c.detail));
        EXPECT_EQ(c.log ? c.log : c.expected, GenerateLogText(c.result, c.detail));
    }
}

// Setups put together by hand, with archives that the builder itself never
// writes, read back the way generation checks its own output.
TEST(SetupCheck, RefusesWhatTheSetupWouldRefuse)
{
    TempFolder folder;
    std::vector<ZipEntry> sound = {{"Package.msi", PatternBytes(3000, 1)}, {"a b.skf", "skin"}};
    sound.push_back({"VelumoDll.dll", PatternBytes(500, 2)});
    for (const std::string& library : kRuntimeLibraries)
        sound.push_back({library, PatternBytes(500, 2)});
    auto with = [&](size_t index, const std::string& name) {
        std::vector<ZipEntry> entries = sound;
        entries[index].name = name;
        return entries;
    };
    const std::string archive = folder / "temp.zip";
    // The first entry's deflated data with one byte changed; its name, 11
    // characters long, comes right after the 30-byte local header.
    auto writeDamaged = [&](const std::vector<ZipEntry>& entries) {
        WriteZip(archive, entries);
        std::string bytes = ReadFileBytes(archive);
        bytes[30 + 11 + 1000] ^= 0x55;
        return WriteFileBytes(archive, bytes);
    };
    struct Case {
        const char* what;
        std::function<bool()> writeArchive; // false: no container is appended
        SetupCheckResult expected;
        std::string refused;
        std::string after = "";  // bytes after the container, as a signature adds them
    };
    const Case cases[] = {
        {"sound", [&] { return WriteZip(archive, sound); }, SetupCheckResult::Sound, ""},
        {"an entry's data damaged", [&] { return writeDamaged(sound); },
         SetupCheckResult::ArchiveDamaged, ""},
        // Names and data are checked apart; the first entry that fails
        // decides, as when each is read in turn.
        {"damaged data before a refused name",
         [&] { return writeDamaged(with(2, "sub/VelumoDll.dll")); },
         SetupCheckResult::ArchiveDamaged, ""},
        {"a refused name on damaged data", [&] { return writeDamaged(with(0, "Package.txt")); },
         SetupCheckResult::EntryRefused, "Package.txt"},
        {"archive cut short",
         [&] { return WriteZip(archive, sound) && WriteFileBytes(archive, ReadFileBytes(archive).substr(0, 2000)); },
         SetupCheckResult::ArchiveDamaged, ""},
        {"an entry missing",
         [&] { return WriteZip(archive, std::vector<ZipEntry>(sound.begin(), sound.end() - 1)); },
         SetupCheckResult::ArchiveDamaged, ""},
        {"a folder in a name", [&] { return WriteZip(archive, with(2, "sub/VelumoDll.dll")); },
         SetupCheckResult::EntryRefused, "sub/VelumoDll.dll"},
        {"a device name", [&] { return WriteZip(archive, with(1, "NUL.skf")); },
         SetupCheckResult::EntryRefused, "NUL.skf"},
        {"a name too long for the temporary folder",
         [&] { return WriteZip(archive, with(1, std::string(190, 's') + ".skf")); },
         SetupCheckResult::EntryRefused, std::string(190, 's') + ".skf"},
        {"the package not first", [&] { return WriteZip(archive, with(0, "Package.txt")); },
         SetupCheckResult::EntryRefused, "Package.txt"},
        {"a second package", [&] { return WriteZip(archive, with(1, "Skin.MSI")); },
         SetupCheckResult::EntryRefused, "Skin.MSI"},
        {"no container", [] { return false; }, SetupCheckResult::ContainerUnreadable, ""},
        // The archive is read where it lies in the setup: its end is the
        // container's trailer, not the file's.
        {"data after the container", [&] { return WriteZip(archive, sound); },
         SetupCheckResult::Sound, "", std::string(4344, '\x5a')},
        // The entries after the first are read back as well.
        {"the last entry's header damaged",
         [&] {
             WriteZip(archive, sound);
             std::string bytes = ReadFileBytes(archive);
             bytes[bytes.rfind("PK\x03\x04") + 14] ^= 0x55; // its CRC
             return WriteFileBytes(archive, bytes);
         },
         SetupCheckResult::ArchiveDamaged, ""},
    };
    const std::string setup = folder / "setup.exe";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(CopyFileTo(StandInStubPath(), setup));
        if (c.writeArchive()) {
            ASSERT_EQ(AppendDone, PackageFile(setup.c_str()).AppendContainer(archive.c_str()));
            ASSERT_TRUE(WriteFileBytes(setup, ReadFileBytes(setup) + c.after));
        }
        std::string refused = "unchanged";
        EXPECT_EQ(c.expected, CheckFinishedSetup(setup.c_str(), sound.size(), refused));
        EXPECT_EQ(c.refused.empty() ? "unchanged" : c.refused, refused);
    }
    // The check leaves nothing in the temporary folder.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "OrnixCheck-*").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

// Leaves built setups and their sources in the build tree, where
// check_package.py reads them with zipfile and pefile after this program.
TEST_F(GenerationTest, WritesSetupsForTheArchiveAndIconChecks)
{
    const std::string dir = ArtifactsDir();
    RemoveTree(dir);
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    builder = dir + "\\builder";
    ASSERT_TRUE(FillBuilderFolder(builder));
    payload = builder + "\\";
    ASSERT_TRUE(SetFileAttributesA((builder + "\\mfc71.dll").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CopyFileTo(StandInStubPath(), dir + "\\stub.exe"));

    msi = dir + "\\Package.msi";
    ASSERT_TRUE(CopyFileTo(SampleMsiPath(), msi));
    skin = dir + "\\Sample.skf";
    ASSERT_TRUE(WriteSkinFile(skin));
    output = dir + "\\setup-main.exe";
    ASSERT_EQ(GenerateDone, Generate());
    const std::string built = ReadFileBytes(output);
    EXPECT_EQ(stubBytes, built.substr(0, stubBytes.size()));
    EXPECT_TRUE(PackageFile(output.c_str()).HasContainer());

    skin = dir + "\\x.gz";
    ASSERT_TRUE(WriteSkinFile(skin));
    output = dir + "\\setup-gz.exe";
    ASSERT_EQ(GenerateDone, Generate());

    // 1960 and 2050, outside what the archive's time fields hold.
    msi = dir + "\\old.msi";
    ASSERT_TRUE(CopyFileTo(SampleMsiPath(), msi));
    skin = dir + "\\future.skf";
    ASSERT_TRUE(WriteSkinFile(skin));
    auto setTime = [](const std::string& path, WORD year) {
        SYSTEMTIME when = {year, 6, 0, 15, 12, 0, 0, 0};
        FILETIME time;
        SystemTimeToFileTime(&when, &time);
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        bool set = file != INVALID_HANDLE_VALUE && SetFileTime(file, &time, &time, &time);
        CloseHandle(file);
        return set;
    };
    ASSERT_TRUE(setTime(msi, 1960));
    ASSERT_TRUE(setTime(skin, 2050));
    output = dir + "\\setup-clamp.exe";
    ASSERT_EQ(GenerateDone, Generate());

    msi = dir + "\\Package.msi";
    skin = dir + "\\Sample.skf";
    std::vector<std::string> nine;
    for (unsigned i = 0; i < 9; ++i)
        nine.push_back(PatternBytes(200 + 40 * i, 20 + i));
    ASSERT_TRUE(WriteFileBytes(dir + "\\one.ico", IconFileBytes({PatternBytes(1000, 11)})));
    ASSERT_TRUE(WriteFileBytes(dir + "\\nine.ico", IconFileBytes(nine)));
    output = dir + "\\setup-icon1.exe";
    ASSERT_EQ(GenerateDone, Generate((dir + "\\one.ico").c_str()));
    output = dir + "\\setup-icon9.exe";
    ASSERT_EQ(GenerateDone, Generate((dir + "\\nine.ico").c_str()));
    ASSERT_TRUE(WriteFileBytes(dir + "\\drawn.ico",
                               IconFileOf({DrawIconImage(16, 0xFF0000), DrawIconImage(48, 0x0000FF),
                                           DrawIconImage(256, 0xFFFF00, true)})));
    output = dir + "\\setup-drawn.exe";
    ASSERT_EQ(GenerateDone, Generate((dir + "\\drawn.ico").c_str()));
    output = dir + "\\setup-icon9.exe";
    EXPECT_EQ(nine[8], IconResource(output, 9));
    EXPECT_TRUE(PackageFile(output.c_str()).HasContainer());
    EXPECT_FALSE(TempZipLeft());
}

TEST_F(GenerationTest, SuccessReplacesExistingOutputAndRemovesTempZip)
{
    ASSERT_TRUE(WriteFileBytes(output, "an older file"));
    ASSERT_EQ(GenerateDone, Generate());
    std::string built = ReadFileBytes(output);
    EXPECT_EQ(stubBytes, built.substr(0, stubBytes.size()));
    EXPECT_GT(built.size(), stubBytes.size() + 10000);
    EXPECT_FALSE(TempZipLeft());

}

TEST_F(GenerationTest, EveryFailureLeavesNothingAndTheNextGenerationWorks)
{
    const std::string longName(300, 'a');
    struct Case {
        const char* what;
        GenerateResult expected;
        std::function<void()> breakIt;
        std::function<void()> mendIt;
        const char* icon;
        std::string refused = ""; // the entry a refusal names, or the missing file
    };
    std::string savedMsi = msi, savedSkin = skin, savedOutput = output;
    std::string icon = folder / "bad.ico";
    auto moveAway = [this](const std::string& name) {
        return [this, name] { MoveFileA((builder + "\\" + name).c_str(), (folder / name).c_str()); };
    };
    auto moveBack = [this](const std::string& name) {
        return [this, name] { MoveFileA((folder / name).c_str(), (builder + "\\" + name).c_str()); };
    };
    auto restorePaths = [&] {
        msi = savedMsi;
        skin = savedSkin;
        output = savedOutput;
        payload = builder + "\\";
    };
    auto restoreStub = [&] { CopyFileTo(StandInStubPath(), builder + "\\Runlet.exe"); };
    // A name that fits a path here but not the setup's temporary folder.
    const std::string longMsiName = std::string(250 - folder.path().size(), 'n') + ".msi";
    ASSERT_GT(longMsiName.size(), 190u);
    ASSERT_TRUE(CopyFileTo(msi, folder / longMsiName));
    ASSERT_TRUE(CopyFileTo(msi, folder / "Package.txt"));
    // Skins the engine accepts, under names a setup refuses.
    ASSERT_TRUE(WriteSkinFile(folder / "Skin.msi"));
    // In a folder of its own: the library rows move gdiplus.dll to folder.
    ASSERT_TRUE(CreateDirectoryA((folder / "named").c_str(), nullptr));
    ASSERT_TRUE(WriteSkinFile(folder / "named\\GDIPLUS.dll"));
    ASSERT_TRUE(WriteSkinFile(folder / "named\\Temp.zip"));
    // Skins the engine refuses: a fault with its line, and no skin at all.
    ASSERT_TRUE(WriteZip(folder / "Damaged.skf",
                         {{"skin.ini", GoodSkinIniWith("[Dialog]\n", "[Dialog]\nglow = 1\n")},
                          {"strip.bmp", SolidBmp(32, 4)}}));
    ASSERT_TRUE(WriteFileBytes(folder / "Noise.skf", PatternBytes(20000, 2)));
    // The packager's earlier setup, held open as a running copy would hold it.
    HANDLE running = INVALID_HANDLE_VALUE;
    std::vector<Case> cases = {
        {"builder folder missing", GenerateArchiveFailed,
         [&] { payload = folder / "nowhere\\"; },
         restorePaths, nullptr},
        {"temp.zip is a folder", GenerateArchiveFailed,
         [&] { CreateDirectoryA((builder + "\\temp.zip").c_str(), nullptr); },
         [&] { RemoveDirectoryA((builder + "\\temp.zip").c_str()); }, nullptr},
        {"msi missing", GenerateInputMissing, [&] { msi = folder / "missing.msi"; }, restorePaths, nullptr},
        {"msi is a folder", GenerateInputMissing, [&] { msi = folder / "out"; }, restorePaths, nullptr},
        {"skin missing", GenerateInputMissing, [&] { skin = folder / "missing.skf"; }, restorePaths, nullptr},
        {"skin is a folder", GenerateInputMissing, [&] { skin = folder / "named"; }, restorePaths, nullptr},
        {"skin refused by the engine", GenerateSkinRefused, [&] { skin = folder / "Damaged.skf"; },
         restorePaths, nullptr, "Damaged.skf:5: [Dialog] unknown key \"glow\""},
        {"skin no archive", GenerateSkinRefused, [&] { skin = folder / "Noise.skf"; },
         restorePaths, nullptr, "Noise.skf: skin file is not a readable archive"},
        {"stub missing", GenerateStubFailed, moveAway("Runlet.exe"), moveBack("Runlet.exe"), nullptr,
         builder + "\\Runlet.exe"},
        {"output folder missing", GenerateStubFailed, [&] { output = folder / "none\\setup.exe"; },
         restorePaths, nullptr},
        {"output read-only", GenerateStubFailed,
         [&] { SetFileAttributesA(output.c_str(), FILE_ATTRIBUTE_READONLY); },
         [&] { SetFileAttributesA(output.c_str(), FILE_ATTRIBUTE_NORMAL); }, nullptr},
        {"output held by a running setup", GenerateStubFailed,
         [&] {
             running = CreateFileA(output.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
             ASSERT_NE(INVALID_HANDLE_VALUE, running);
         },
         [&] { CloseHandle(running); }, nullptr},
        {"stub already carries a container", GenerateAppendFailed,
         [&] {
             WriteFileBytes(folder / "temp.zip", "x");
             PackageFile((builder + "\\Runlet.exe").c_str()).AppendContainer((folder / "temp.zip").c_str());
         },
         restoreStub, nullptr},
        {"stub without the container code", GenerateCheckFailed,
         [&] { CopyFileTo(PlaceholderDir() + "\\gdiplus.dll", builder + "\\Runlet.exe"); }, restoreStub,
         nullptr},
        {"msi name too long for the setup's temporary folder", GenerateEntryRefused,
         [&] { msi = folder / longMsiName; }, restorePaths, nullptr, longMsiName},
        {"msi not named as a package", GenerateEntryRefused, [&] { msi = folder / "Package.txt"; },
         restorePaths, nullptr, "Package.txt"},
        {"skin named as a second package", GenerateEntryRefused, [&] { skin = folder / "Skin.msi"; },
         restorePaths, nullptr, "Skin.msi"},
        {"skin named like a library", GenerateEntryRefused, [&] { skin = folder / "named\\GDIPLUS.dll"; },
         restorePaths, nullptr, "gdiplus.dll"},
        {"skin named like the archive", GenerateEntryRefused, [&] { skin = folder / "named\\Temp.zip"; },
         restorePaths, nullptr, "Temp.zip"},
        {"library larger than a setup unpacks", GenerateCheckFailed,
         [&] { WriteFileBytes(builder + "\\msvcp71.dll", std::string(64 * 1024 * 1024 + 1, '\0')); },
         [&] { CopyFileTo(PlaceholderDir() + "\\msvcp71.dll", builder + "\\msvcp71.dll"); }, nullptr},
        {"icon shorter than its header", GenerateIconMalformed, [&] { WriteFileBytes(icon, "\0\0\1"); },
         [] {}, "bad.ico"},
        {"icon directory cut short", GenerateIconMalformed,
         [&] { WriteFileBytes(icon, IconFileBytes({"abcd", "efgh"}).substr(0, 30)); }, [] {}, "bad.ico"},
        {"icon image beyond the end", GenerateIconMalformed,
         [&] {
             std::string bytes = IconFileBytes({PatternBytes(500)});
             WriteFileBytes(icon, bytes.substr(0, bytes.size() - 1));
         },
         [] {}, "bad.ico"},
        {"icon with too many images", GenerateIconMalformed,
         [&] { WriteFileBytes(icon, IconFileBytes(std::vector<std::string>(300, "img"))); }, [] {},
         "bad.ico"},
        {"icon without images", GenerateIconMalformed, [&] { WriteFileBytes(icon, IconFileBytes({})); },
         [] {}, "bad.ico"},
        {"icon images sharing their bytes", GenerateIconMalformed,
         [&] {
             // Three entries naming the first image: more bytes than the file holds.
             std::string bytes = IconFileBytes({PatternBytes(500), "b", "c"});
             for (size_t entry : {22, 38})
                 memcpy(&bytes[entry + 8], &bytes[6 + 8], 8);
             WriteFileBytes(icon, bytes.substr(0, 6 + 3 * 16 + 500));
         },
         [] {}, "bad.ico"},
        {"bitmap renamed to .ico", GenerateIconMalformed,
         [&] { WriteFileBytes(icon, "BM" + IconFileOf({DrawIconImage(32, 0xFF0000)}).substr(2)); }, [] {},
         "bad.ico"},
        {"cursor file", GenerateIconMalformed,
         [&] { WriteFileBytes(icon, IconFileOf({DrawIconImage(32, 0xFF0000)}, 2)); }, [] {}, "bad.ico"},
        {"msi path too long", GeneratePathTooLong, [&] { msi = folder / longName; }, restorePaths, nullptr},
        {"output path too long", GeneratePathTooLong, [&] { output = folder / longName; }, restorePaths,
         nullptr},
        {"icon path too long", GeneratePathTooLong, [] {}, [] {}, "long"},
        {"builder folder too long for temp.zip", GeneratePathTooLong,
         [&] {
             std::string deep = folder.path();
             while (deep.size() < MAX_PATH - 6)
                 deep += "\\d";
             payload = deep;
         },
         restorePaths, nullptr},
        {"output is the NUL device", GenerateOutputNotAFile, [&] { output = "NUL"; }, restorePaths, nullptr},
        {"output is COM1 in a folder", GenerateOutputNotAFile, [&] { output = folder / "out\\COM1.exe"; },
         restorePaths, nullptr},
        {"output is a device path", GenerateOutputNotAFile, [&] { output = "\\\\.\\NUL"; }, restorePaths,
         nullptr},
        {"output is a stream of the earlier setup", GenerateOutputNotAFile,
         [&] { output += ":stream"; }, restorePaths, nullptr},
    };
    cases.push_back({"engine missing", GenerateLibraryMissing, moveAway("VelumoDll.dll"),
                     moveBack("VelumoDll.dll"), nullptr, builder + "\\VelumoDll.dll"});
    // An absent runtime library is left out; one that is there but cannot
    // be read must not be.
    for (const std::string& library : kRuntimeLibraries) {
        const std::string path = builder + "\\" + library;
        cases.push_back({"runtime library unreadable", GenerateLibraryMissing,
                         [=] {
                             moveAway(library)();
                             CreateDirectoryA(path.c_str(), nullptr);
                         },
                         [=] {
                             RemoveDirectoryA(path.c_str());
                             moveBack(library)();
                         },
                         nullptr, path});
    }

    const std::string iconTooLong = folder / longName;
    const std::string earlier = PatternBytes(3000, 77);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(savedOutput, earlier));
        c.breakIt();
        const char* iconPath = nullptr;
        if (c.icon)
            iconPath = std::string(c.icon) == "long" ? iconTooLong.c_str() : icon.c_str();
        std::string refused;
        EXPECT_EQ(c.expected, Generate(iconPath, &refused));
        // What the message will name: the refused entry, the skin's first
        // fault, the missing file.
        EXPECT_EQ(c.refused, refused);
        if (c.expected == GenerateSkinRefused) {
            EXPECT_EQ("the skin is refused: " + c.refused, GenerateFailureMessage(c.expected, refused));
        }
        c.mendIt();
        // The earlier setup is as it was, and no temporary file stays beside it.
        EXPECT_TRUE(earlier == ReadFileBytes(savedOutput)) << "the earlier setup was changed";
        EXPECT_EQ(1, CountEntries(folder / "out"));
        EXPECT_FALSE(TempZipLeft());
        ASSERT_EQ(GenerateDone, Generate()) << "after the failure";
        EXPECT_EQ(stubBytes, ReadFileBytes(output).substr(0, stubBytes.size()));
    }
}

TEST_F(GenerationTest, OutputNamingAFileThatGenerationReadsIsRefused)
{
    const std::string msiBytes = ReadFileBytes(msi);
    const std::string stub = builder + "\\Runlet.exe";
    const std::string library = builder + "\\msvcrt.dll";
    const std::string libraryBytes = ReadFileBytes(library);
    for (const std::string& target : {msi, stub, library}) {
        SCOPED_TRACE(target);
        output = target;
        EXPECT_EQ(GenerateOutputIsInput, Generate());
    }
    EXPECT_EQ(msiBytes, ReadFileBytes(msi));
    EXPECT_EQ(stubBytes, ReadFileBytes(stub));
    EXPECT_EQ(libraryBytes, ReadFileBytes(library));

    // The temporary archive itself, spelled differently.
    output = builder + "\\TEMP.ZIP";
    EXPECT_EQ(GenerateOutputIsInput, Generate());
    EXPECT_FALSE(TempZipLeft());
}

TEST_F(GenerationTest, IconStepsThatKeepTheStubIcons)
{
    const std::string stubIcon1 = IconResource(StandInStubPath(), 1);
    const std::string stubIcon2 = IconResource(StandInStubPath(), 2);
    ASSERT_GT(stubIcon1.size(), 100u);

    // Null, empty and unopenable icon paths all skip the icon step.
    for (const char* icon : {static_cast<const char*>(nullptr), "", "Z:\\no\\such.ico"}) {
        SCOPED_TRACE(icon ? icon : "null");
        ASSERT_EQ(GenerateDone, Generate(icon));
        EXPECT_EQ(stubBytes, ReadFileBytes(output).substr(0, stubBytes.size()));
    }

    // One image: icon 1 changes, icon 2 is the stub's.
    const std::string image = PatternBytes(777, 9);
    const std::string one = folder / "one.ico";
    ASSERT_TRUE(WriteFileBytes(one, IconFileBytes({image})));
    ASSERT_EQ(GenerateDone, Generate(one.c_str()));
    EXPECT_EQ(image, IconResource(output, 1));
    EXPECT_EQ(stubIcon2, IconResource(output, 2));
}

// The colour at the centre of an icon drawn at its size, as 0xRRGGBB.
unsigned CentreColour(HICON icon, int size)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    const COLORREF pixel = GetPixel(dc, size / 2, size / 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return GetRValue(pixel) << 16 | GetGValue(pixel) << 8 | GetBValue(pixel);
}

// More images than the stub has, the largest PNG-compressed: the group is
// rewritten to list each image, and Windows picks the right one per size.
TEST_F(GenerationTest, IconGroupListsEveryImageAndWindowsFindsEachSize)
{
    const std::vector<DrawnIconImage> images = {
        DrawIconImage(16, 0xFF0000), DrawIconImage(32, 0x00FF00), DrawIconImage(48, 0x0000FF),
        DrawIconImage(256, 0xFFFF00, true)};
    const std::string iconPath = folder / "drawn.ico";
    ASSERT_TRUE(WriteFileBytes(iconPath, IconFileOf(images)));
    ASSERT_EQ(GenerateDone, Generate(iconPath.c_str()));

    HMODULE module = LoadLibraryExA(output.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC found = FindResourceExA(module, RT_GROUP_ICON, MAKEINTRESOURCEA(105), 1033);
    ASSERT_TRUE(found);
    const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    ASSERT_EQ(6 + 14 * images.size(), SizeofResource(module, found));
    EXPECT_EQ(images.size(), size_t(group[4] | group[5] << 8));
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(images[i].size);
        const BYTE* entry = group + 6 + 14 * i;
        EXPECT_EQ(images[i].size & 0xFF, entry[0]);
        EXPECT_EQ(images[i].size & 0xFF, entry[1]);
        EXPECT_EQ(1, entry[4] | entry[5] << 8);
        EXPECT_EQ(images[i].bitCount, unsigned(entry[6] | entry[7] << 8));
        EXPECT_EQ(images[i].bytes.size(), size_t(entry[8] | entry[9] << 8 | entry[10] << 16));
        const int id = entry[12] | entry[13] << 8;
        EXPECT_EQ(int(i + 1), id);
        EXPECT_EQ(images[i].bytes, IconResource(output, id));
    }
    for (const auto& [size, colour] : std::vector<std::pair<int, unsigned>>{
             {16, 0xFF0000}, {32, 0x00FF00}, {48, 0x0000FF}, {256, 0xFFFF00}}) {
        SCOPED_TRACE(size);
        HICON icon = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(105), IMAGE_ICON, size, size, 0));
        ASSERT_TRUE(icon);
        EXPECT_EQ(colour, CentreColour(icon, size));
        DestroyIcon(icon);
    }
    FreeLibrary(module);

    HICON large = nullptr, small = nullptr;
    EXPECT_NE(0u, ExtractIconExA(output.c_str(), 0, &large, &small, 1));
    ASSERT_TRUE(large && small);
    EXPECT_EQ(0x00FF00u, CentreColour(large, 32));
    // Wine draws the small icon from the 32-pixel image; either way it must
    // be one of the icon file's images, not the stub's.
    const unsigned smallColour = CentreColour(small, 16);
    EXPECT_TRUE(smallColour == 0xFF0000u || smallColour == 0x00FF00u) << std::hex << smallColour;
    DestroyIcon(large);
    DestroyIcon(small);
}

// A window that keeps the progress messages it receives.
struct ProgressMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<ProgressMessage> gProgress;

LRESULT CALLBACK RecordProgress(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PBM_SETRANGE32 || message == PBM_SETPOS) {
        gProgress.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateRecorderWindow(WNDPROC procedure, const char* className)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowA(className, "recorder", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Splits the messages into one run per entry, each opened by its range.
std::vector<std::vector<ProgressMessage>> ProgressRuns()
{
    std::vector<std::vector<ProgressMessage>> runs;
    for (const ProgressMessage& m : gProgress) {
        if (m.message == PBM_SETRANGE32 || runs.empty())
            runs.emplace_back();
        runs.back().push_back(m);
    }
    return runs;
}

// What GenerationThreadProc does, in order, as the test sees it.
std::mutex gEventsLock;
std::vector<std::string> gEvents;

void Record(const std::string& event)
{
    std::lock_guard<std::mutex> lock(gEventsLock);
    gEvents.push_back(event);
}

int WINAPI RecordAdd()
{
    Record("add");
    return 1;
}

int WINAPI RecordDelete()
{
    Record("delete");
    return 1;
}

LRESULT CALLBACK RecordBusy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_SETBUSY) {
        Record("busy " + std::to_string(wParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct BoxSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedBox(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<BoxSearch*>(parameter);
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (GetWindow(window, GW_OWNER) == search->owner && std::string(caption) == "Velumo Installer" &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Runs the worker on its own thread and answers its message box, pumping
// the test window's messages meanwhile, as the main window would.
void RunWorker(GenerationJob* job)
{
    const HWND window = job->window;
    HANDLE thread = CreateThread(nullptr, 0, GenerationThreadProc, job, 0, nullptr);
    ASSERT_TRUE(thread);
    bool answered = false;
    const DWORD deadline = GetTickCount() + 120000;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        BoxSearch search = {window, nullptr};
        EnumThreadWindows(GetThreadId(thread), FindOwnedBox, reinterpret_cast<LPARAM>(&search));
        if (search.found && !answered) {
            const std::string texts = ChildTexts(search.found);
            const char* known[] = {"Generated Successfully", "Can't create zip file"};
            std::string shown = texts;
            for (const char* text : known) {
                if (texts.find(text) != std::string::npos)
                    shown = text;
            }
            Record("box " + shown);
            answered = true;
            SendMessageA(search.found, WM_COMMAND, IDOK, 0);
        }
        if (GetTickCount() > deadline) {
            // Its handle still goes; the test's outcome is already a failure.
            ADD_FAILURE() << "the worker did not finish";
            break;
        }
    }
    CloseHandle(thread);
}

std::string Joined()
{
    std::string all;
    for (const std::string& e : gEvents)
        all += e + "; ";
    return all;
}

TEST_F(GenerationTest, WorkerReportsInTheOrderTheWindowReliesOn)
{
    HWND window = CreateRecorderWindow(RecordBusy, "VelumoBusyRecorder");
    ASSERT_TRUE(window);
    BuilderStartUpState().engine.AddAdditionalThread = RecordAdd;
    BuilderStartUpState().engine.DeleteAdditionalThread = RecordDelete;

    gEvents.clear();
    RunWorker(Job(window));
    EXPECT_TRUE(FileExists(output));
    EXPECT_EQ("add; box Generated Successfully; delete; busy 0; ", Joined());

    DeleteFileA(output.c_str());
    GenerationJob* missing = Job(window);
    missing->request.msiPath = folder / "missing.msi";
    gEvents.clear();
    RunWorker(missing);
    EXPECT_FALSE(FileExists(output));
    EXPECT_EQ("add; delete; busy 0; box Can't create zip file; ", Joined());

    // An entry name the setup would refuse is named in the message.
    const std::string longName = std::string(250 - folder.path().size(), 'n') + ".msi";
    ASSERT_TRUE(CopyFileTo(msi, folder / longName));
    GenerationJob* refused = Job(window);
    refused->request.msiPath = folder / longName;
    gEvents.clear();
    RunWorker(refused);
    EXPECT_EQ(0u, Joined().find("add; delete; busy 0; box ")) << Joined();
    EXPECT_NE(std::string::npos, Joined().find("named \"" + longName + "\"")) << Joined();

    // Without an engine the worker skips its registration.
    BuilderStartUpState().engine = SkinEngine();
    gEvents.clear();
    RunWorker(Job(window));
    EXPECT_EQ("box Generated Successfully; busy 0; ", Joined());
    DestroyWindow(window);
}

TEST_F(GenerationTest, ProgressRunsFromZeroToHundredForEachDeflatedEntry)
{
    HWND bar = CreateRecorderWindow(RecordProgress, "VelumoProgressRecorder");
    ASSERT_TRUE(bar);
    // Several compression blocks for the first entry.
    ASSERT_TRUE(WriteFileBytes(msi, PatternBytes(300000, 3)));

    for (bool storedSkin : {false, true}) {
        SCOPED_TRACE(storedSkin ? "skin stored" : "skin deflated");
        if (storedSkin) {
            skin = folder / "x.gz";
            ASSERT_TRUE(WriteSkinFile(skin));
        }
        gProgress.clear();
        gEvents.clear();
        RunWorker(Job(bar, bar));
        ASSERT_EQ("box Generated Successfully; ", Joined());

        auto runs = ProgressRuns();
        ASSERT_EQ(storedSkin ? 7u : 8u, runs.size());
        for (const auto& run : runs) {
            ASSERT_GE(run.size(), 3u);
            EXPECT_EQ(UINT(PBM_SETRANGE32), run[0].message);
            EXPECT_EQ(0, int(run[0].wParam));
            EXPECT_EQ(100, int(run[0].lParam));
            EXPECT_EQ(UINT(PBM_SETPOS), run[1].message);
            EXPECT_EQ(0, int(run[1].wParam));
            int last = 0;
            for (size_t i = 1; i < run.size(); ++i) {
                EXPECT_EQ(UINT(PBM_SETPOS), run[i].message);
                EXPECT_GE(int(run[i].wParam), last);
                EXPECT_LE(int(run[i].wParam), 100);
                last = int(run[i].wParam);
            }
            EXPECT_EQ(100, last);
        }
        // 300000 bytes in 128 KiB blocks: 43, 87, 100 after 0, then 100.
        std::vector<int> first;
        for (size_t i = 1; i < runs[0].size(); ++i)
            first.push_back(int(runs[0][i].wParam));
        EXPECT_EQ((std::vector<int>{0, 43, 87, 100, 100}), first);
    }
    DestroyWindow(bar);
}

} // namespace
