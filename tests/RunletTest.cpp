// Built setups run end to end: Runlet.exe with a container appended, started
// as its own process, unpacking into a private folder under the TMP that the
// test gives it and installing real packages with Windows Installer.
#include "EngineTrace.h"
#include "EntryRules.h"
#include "PackageFile.h"
#include "SetupExitCode.h"
#include "TestFiles.h"
#include "TestProcess.h"
#include "TestWindows.h"
#include "TestZip.h"

#include <gtest/gtest.h>
#include <msi.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string.h>
#include <vector>

namespace {

const char kPlainProduct[] = "{6E0D8F1A-3C51-4E7B-9A0B-2F5C1D7A9E01}";
const char kFlavourProduct[] = "{6E0D8F1A-3C51-4E7B-9A0B-2F5C1D7A9E11}";
const char kFlavourKey[] = "Software\\Velumo Tests";
// A library no Windows has: placed by the setup, and removed by the tests.
const char kTestLibrary[] = "velumo-test-rt.dll";

const std::string kRunlet = HostPath(RUNLET_EXE);
const std::string kEngineDouble = HostPath(ENGINE_DOUBLE_DLL);
const std::string kEnginePartial = HostPath(ENGINE_PARTIAL_DLL);
const std::string kPlainMsi = HostPath(FIXTURES_DIR "/PlainProduct.msi");
const std::string kFlavourMsi = HostPath(FIXTURES_DIR "/FlavourProduct.msi");
// A package whose welcome dialog waits for the user.
const std::string kSampleMsi = HostPath(FIXTURES_DIR "/SampleApp.msi");
const char kSampleWelcome[] = "Velumo Sample Application Setup";
// Signing runs on the host, so its files lie where both sides name them.
const std::string kSigningHost = FIXTURES_DIR "/signing";
const std::string kSigning = HostPath(FIXTURES_DIR "/signing");

std::string SystemPath(const std::string& name)
{
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\" + name;
}

bool ProductInstalled(const char* productCode)
{
    return MsiQueryProductStateA(productCode) == INSTALLSTATE_DEFAULT;
}

void RemoveProduct(const char* productCode)
{
    if (!ProductInstalled(productCode))
        return;
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    ASSERT_EQ(ERROR_SUCCESS,
              MsiConfigureProductA(productCode, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT));
}

std::string FlavourValue()
{
    char value[64] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kFlavourKey, "Flavour", RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return "";
    return value;
}

// Runs a shell command of the host machine, where the signing tools live.
// Wine hands a Unix program to the host without a Windows process to wait
// for, so the command writes its exit status into `done` as its last act.
std::string RunHostCommand(const std::string& command, const std::string& done)
{
    DeleteFileA(done.c_str());
    TestProcess shell("Z:\\bin\\sh -c \"" + command + "\"", "");
    if (!shell.started())
        return "cannot start /bin/sh";
    for (int i = 0; i < 600; ++i) {
        std::string status = ReadFileBytes(done);
        if (!status.empty() && status.back() == '\n')
            return status.substr(0, status.size() - 1);
        Sleep(200);
    }
    return "no status from: " + command;
}

// Signs bytes as kSigning\<name>.exe into <name>-signed.exe with a
// throw-away certificate (<name>-cert.pem), made afresh for every run, and
// returns the signed program.
std::string SignedWithNewCertificate(const std::string& name, const std::string& bytes)
{
    CreateDirectoryA(kSigning.c_str(), nullptr);
    EXPECT_TRUE(WriteFileBytes(kSigning + "\\" + name + ".exe", bytes));
    EXPECT_EQ("0", RunHostCommand(
                       "cd '" + kSigningHost + "' && rm -f " + name + "-signed.exe && "
                       "openssl req -x509 -newkey rsa:2048 -nodes -keyout " + name + "-key.pem "
                       "-out " + name + "-cert.pem -days 2 -subj /CN=Velumo-Tests >log 2>&1 && "
                       "osslsigncode sign -certs " + name + "-cert.pem -key " + name + "-key.pem "
                       "-n 'Velumo Tests' -in " + name + ".exe -out " + name + "-signed.exe "
                       ">>log 2>&1; echo $? >done",
                       kSigning + "\\done"))
        << ReadFileBytes(kSigning + "\\log");
    return ReadFileBytes(kSigning + "\\" + name + "-signed.exe");
}

struct RunResult {
    DWORD exitCode = 0xFFFFFFFF;
    DWORD threadId = 0;
    bool usageBoxSeen = false;
    // "class caption" of every shown top-level window of the setup's
    // process, looked for every 10 ms while it ran.
    std::set<std::string> windowsSeen;
};

// Called at each look at the setup's shown top-level windows while it runs;
// returns true once it has done its part.
using WindowWatch = std::function<bool(const std::vector<HWND>& windows)>;

// Sets a little-endian field of every local and central header of the entry
// named `name`; `local` is the field's offset in the local header, which
// the central header holds two bytes later.
void PatchEntry(std::string& zip, const std::string& name, size_t local, uint32_t value,
                int width)
{
    auto u16 = [&zip](size_t at) { return size_t(uint8_t(zip[at]) | uint8_t(zip[at + 1]) << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    auto put = [&](size_t at) {
        for (int i = 0; i < width; ++i)
            zip[at + i] = char(value >> (8 * i));
    };
    for (size_t at = 0; zip.compare(at, 4, "PK\x03\x04") == 0;
         at += 30 + u16(at + 26) + u16(at + 28) + u32(at + 18)) {
        if (zip.compare(at + 30, u16(at + 26), name) == 0)
            put(at + local);
    }
    const size_t end = zip.size() - 22;
    size_t at = u32(end + 16);
    for (size_t i = 0; i < u16(end + 10); ++i, at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32)) {
        if (zip.compare(at + 46, u16(at + 28), name) == 0)
            put(at + local + 2);
    }
}

// The offset of the central header of the entry `name`, and little-endian
// fields read and written in place.
uint32_t ZipField(const std::string& zip, size_t at, int width)
{
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | uint8_t(zip[at + i]);
    return value;
}

void SetZipField(std::string& zip, size_t at, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        zip[at + i] = char(value >> (8 * i));
}

size_t CentralHeaderOf(const std::string& zip, const std::string& name)
{
    const size_t end = zip.size() - 22;
    size_t at = ZipField(zip, end + 16, 4);
    for (uint32_t i = 0; i < ZipField(zip, end + 10, 2); ++i) {
        if (zip.compare(at + 46, ZipField(zip, at + 28, 2), name) == 0)
            return at;
        at += 46 + ZipField(zip, at + 28, 2) + ZipField(zip, at + 30, 2) + ZipField(zip, at + 32, 2);
    }
    ADD_FAILURE() << "no entry " << name;
    return 0;
}

class RunletTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveProduct(kPlainProduct);
        RemoveProduct(kFlavourProduct);
        DeleteFileA(SystemPath(kTestLibrary).c_str());
        runTemp = work / "tmp";
        ASSERT_TRUE(CreateDirectoryA(runTemp.c_str(), nullptr));
        trace = work / "trace.txt";
    }

    void TearDown() override
    {
        RemoveProduct(kPlainProduct);
        RemoveProduct(kFlavourProduct);
        DeleteFileA(SystemPath(kTestLibrary).c_str());
    }

    // Runlet.exe with a container that holds a ZIP archive of the entries.
    // With patch, the archive's bytes are edited before they are appended.
    std::string BuildSetup(const std::vector<ZipEntry>& entries, const std::string& name = "setup.exe",
                           const std::function<void(std::string&)>& patch = nullptr)
    {
        std::string setup = work / name;
        EXPECT_TRUE(CopyFileA(kRunlet.c_str(), setup.c_str(), FALSE));
        std::string archive = work / "temp.zip";
        EXPECT_TRUE(WriteZip(archive, entries));
        if (patch) {
            std::string bytes = ReadFileBytes(archive);
            patch(bytes);
            EXPECT_TRUE(WriteFileBytes(archive, bytes));
        }
        PackageFile package(setup.c_str());
        EXPECT_EQ(AppendDone, package.AppendContainer(archive.c_str()));
        DeleteFileA(archive.c_str());
        return setup;
    }

    // Starts the setup with TMP and TEMP pointing at runTemp and the engine
    // double's trace at `trace`, and waits for it to end, looking at its
    // windows meanwhile. With closeUsage the usage box is awaited and closed
    // as a user would; a watch may act on the windows as well.
    RunResult Run(const std::string& setup, const std::string& arguments, bool closeUsage = false,
                  const WindowWatch& watch = nullptr)
    {
        // The child inherits these; the test's own temporary folder stays.
        EnvironmentOverride tmp("TMP", runTemp), temp("TEMP", runTemp),
            traceFile("VELUMO_TRACE", trace);
        TestProcess setupProgram("\"" + setup + "\" " + arguments, work.path());
        RunResult result;
        if (!setupProgram.started()) {
            ADD_FAILURE() << "cannot start " << setup;
            return result;
        }
        result.threadId = setupProgram.threadId();
        bool watched = !watch;
        const DWORD start = GetTickCount();
        while ((result.exitCode = setupProgram.Wait(10)) == STILL_ACTIVE) {
            const std::vector<HWND> windows = WindowsOf(setupProgram.id());
            for (HWND window : windows) {
                result.windowsSeen.insert(ClassOf(window) + " " + CaptionOf(window));
                if (closeUsage && ClassOf(window) == "#32770" &&
                    CaptionOf(window) == "Velumo Installer") {
                    result.usageBoxSeen = true;
                    PostMessageA(window, WM_COMMAND, IDOK, 0);
                }
            }
            if (!watched)
                watched = watch(windows);
            if (GetTickCount() - start > 3 * 60 * 1000) {
                ADD_FAILURE() << "setup did not end: " << arguments;
                setupProgram.Terminate(1);
            }
        }
        return result;
    }

    // What the engine double traced since the last reading.
    std::vector<TraceLine> ReadTrace()
    {
        std::vector<TraceLine> lines = ReadEngineTrace(trace);
        DeleteFileA(trace.c_str());
        return lines;
    }

    TempFolder work;
    std::string runTemp;
    std::string trace;
};

const std::string kSkinBytes = "skin file of the tests";

TEST_F(RunletTest, InstallsPackageWithSkinPlacesLibrariesAndRemovesItsFolder)
{
    const std::string msvcrtBefore = ReadFileBytes(SystemPath("msvcrt.dll"));
    ASSERT_FALSE(msvcrtBefore.empty());
    const std::string library = PatternBytes(5000, 7);
    std::string setup = BuildSetup({{"Plain.msi", ReadFileBytes(kPlainMsi)},
                                    {"look.skf", kSkinBytes},
                                    {"VelumoDll.dll", ReadFileBytes(kEngineDouble)},
                                    {kTestLibrary, library},
                                    {"msvcrt.dll", "not the real msvcrt"},
                                    {"readme.txt", "read me"}});

    RunResult run = Run(setup, "");

    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(ProductInstalled(kPlainProduct));
    EXPECT_TRUE(FileExists(ProgramFilesPath("Velumo Test Plain\\plain.txt")));
    // Libraries: a new one is placed and stays, one already there is untouched.
    EXPECT_EQ(library, ReadFileBytes(SystemPath(kTestLibrary)));
    EXPECT_EQ(msvcrtBefore, ReadFileBytes(SystemPath("msvcrt.dll")));
    // The private folder, with the engine, the skin, the package, the readme
    // and the archive copy, is gone.
    EXPECT_EQ(0, CountEntries(runTemp));

    std::vector<TraceLine> lines = ReadTrace();
    ASSERT_EQ((std::vector<std::string>{"Attach", "InitDecoration", "LoadSkinFromFile",
                                        "ApplySkin", "DeInitDecoration", "Detach"}),
              TracedNames(lines));
    EXPECT_EQ("InitDecoration 1", lines[1].call);
    // The unpacked skin, in a folder of its own under TMP; the joint keeps the
    // temporary folder's final backslash.
    const std::string& load = lines[2].call;
    EXPECT_EQ(0u, load.find("LoadSkinFromFile " + runTemp + "\\Velumo-")) << load;
    EXPECT_NE(std::string::npos, load.find("\\\\look.skf exists=1")) << load;
    EXPECT_EQ("DeInitDecoration engineFileExists=1", lines[4].call);
    EXPECT_EQ("Detach free", lines[5].call);
    for (const TraceLine& line : lines)
        EXPECT_EQ(run.threadId, line.threadId) << line.call;
}

TEST_F(RunletTest, LogSwitchTakesPrecedenceOverProperties)
{
    // No engine in this archive: the installation runs unskinned.
    std::string setup = BuildSetup({{"Flavour.msi", ReadFileBytes(kFlavourMsi)},
                                    {"look.skf", kSkinBytes}});
    const std::string log = work / "install.log";

    RunResult run = Run(setup, "/l:" + log + " /p:FLAVOUR=spicy");

    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(FileExists(log));
    EXPECT_EQ("plain", FlavourValue());
    EXPECT_FALSE(FileExists(trace));
    EXPECT_EQ(0, CountEntries(runTemp));
}

TEST_F(RunletTest, PropertiesReachTheInstallerWithAnEngineLackingAnExport)
{
    std::string setup = BuildSetup({{"Flavour.msi", ReadFileBytes(kFlavourMsi)},
                                    {"look.skf", kSkinBytes},
                                    {"VelumoDll.dll", ReadFileBytes(kEnginePartial)}});

    // An upper-case switch name, and a log switch without a value, which
    // leaves the properties to be read.
    RunResult run = Run(setup, "/l: /P:FLAVOUR=spicy");

    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("spicy", FlavourValue());
    // The engine lacks ApplySkin: loaded, freed at once, never called.
    EXPECT_EQ((std::vector<std::string>{"Attach", "Detach"}), TracedNames(ReadTrace()));
    EXPECT_EQ(0, CountEntries(runTemp));
}

TEST_F(RunletTest, UsageBoxInstallsNothingAndStillBindsAndReleasesTheEngine)
{
    std::string setup = BuildSetup({{"Plain.msi", ReadFileBytes(kPlainMsi)},
                                    {"look.skf", kSkinBytes},
                                    {"VelumoDll.dll", ReadFileBytes(kEngineDouble)}});

    RunResult run = Run(setup, "/?", true);

    EXPECT_TRUE(run.usageBoxSeen);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(ProductInstalled(kPlainProduct));
    EXPECT_EQ((std::vector<std::string>{"Attach", "InitDecoration", "LoadSkinFromFile",
                                        "ApplySkin", "DeInitDecoration", "Detach"}),
              TracedNames(ReadTrace()));
    EXPECT_EQ(0, CountEntries(runTemp));
}

TEST_F(RunletTest, SignedSetupInstallsLikeTheUnsignedOne)
{
    // The engine's name in any case is the engine.
    std::string setup = BuildSetup({{"Plain.msi", ReadFileBytes(kPlainMsi)},
                                    {"look.skf", kSkinBytes},
                                    {"VELUMODLL.DLL", ReadFileBytes(kEngineDouble)}});
    const std::string unsigned_ = ReadFileBytes(setup);
    const std::string signedBytes = SignedWithNewCertificate("unsigned", unsigned_);
    ASSERT_GT(signedBytes.size(), unsigned_.size());
    ASSERT_GT(CertificateTable(signedBytes).size, 0u);
    // The signature follows the container's trailer.
    EXPECT_NE(0, memcmp(signedBytes.data() + signedBytes.size() - kContainerMarkerLength,
                        kContainerMarker, kContainerMarkerLength));
    ASSERT_TRUE(WriteFileBytes(setup, signedBytes));

    RunResult run = Run(setup, "");

    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(ProductInstalled(kPlainProduct));
    EXPECT_EQ((std::vector<std::string>{"Attach", "InitDecoration", "LoadSkinFromFile",
                                        "ApplySkin", "DeInitDecoration", "Detach"}),
              TracedNames(ReadTrace()));
    EXPECT_EQ(0, CountEntries(runTemp));
}

// An engine that cannot let go of every window stays loaded to the end of
// the process: no crash, and its file is left behind rather than unloaded
// from under windows it still draws.
TEST_F(RunletTest, EngineThatCannotLetGoIsPinnedAndItsFileLeftBehind)
{
    std::string setup = BuildSetup({{"Plain.msi", ReadFileBytes(kPlainMsi)},
                                    {"look.skf", kSkinBytes},
                                    {"VelumoDll.dll", ReadFileBytes(kEngineDouble)}});
    EnvironmentOverride fails("VELUMO_DEINIT_FAILS", "1");

    RunResult run = Run(setup, "");

    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(ProductInstalled(kPlainProduct));
    const std::vector<TraceLine> lines = ReadTrace();
    ASSERT_EQ((std::vector<std::string>{"Attach", "InitDecoration", "LoadSkinFromFile",
                                        "ApplySkin", "DeInitDecoration", "Detach"}),
              TracedNames(lines));
    EXPECT_EQ("Detach exit", lines[5].call);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((runTemp + "\\Velumo-*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    FindClose(search);
    const std::string folder = runTemp + "\\" + found.cFileName;
    EXPECT_EQ(1, CountEntries(folder));
    EXPECT_TRUE(FileExists(folder + "\\VelumoDll.dll"));
}

// Damage and hostile archives of every kind end with their documented
// codes, install nothing, load no engine, show no window in a quiet run, name
// the failed check in the log and leave nothing behind: not in the temporary
// folder, not in the system folder, not beside the setup, not at a drive's
// root.
TEST_F(RunletTest, DamagedSetupsEndWithTheirCodesAndWriteNothing)
{
    const std::string msi = ReadFileBytes(kPlainMsi);
    const std::string engine = ReadFileBytes(kEngineDouble);
    const std::vector<ZipEntry> base = {{kTestLibrary, "library"},
                                        {"Plain.msi", msi},
                                        {"look.skf", kSkinBytes},
                                        {"VelumoDll.dll", engine}};
    const std::string good = ReadFileBytes(BuildSetup(
        {{"Plain.msi", msi}, {"look.skf", kSkinBytes}, {"VelumoDll.dll", engine},
         {kTestLibrary, "library"}},
        "good.exe"));
    const size_t stubSize = ReadFileBytes(kRunlet).size();
    ASSERT_GT(good.size(), stubSize + 100);

    // The first local header begins the archive, after the 4 + 8 byte name record.
    const size_t archiveStart = stubSize + 4 + 8;
    const size_t firstData = archiveStart + 30 + uint8_t(good[archiveStart + 26]) +
                             uint8_t(good[archiveStart + 28]);
    std::string flipped = good;
    flipped[firstData + 1000] ^= 0x55;

    struct Case {
        std::string what;
        std::string bytes;
        DWORD code;
        std::string logged;  // the log's words for the failed check
    };
    const char* noContainer = "no readable package container";
    std::vector<Case> cases = {
        {"stub alone", ReadFileBytes(kRunlet), SetupExitNoContainer, noContainer},
        {"cut after the name record", good.substr(0, archiveStart + 10), SetupExitNoContainer,
         noContainer},
        {"cut inside the archive", good.substr(0, good.size() - 200), SetupExitNoContainer,
         noContainer},
        {"cut inside the offset", good.substr(0, good.size() - 9), SetupExitNoContainer,
         noContainer},
        {"cut inside the marker", good.substr(0, good.size() - 3), SetupExitNoContainer,
         noContainer},
        {"flipped byte in the package", flipped, SetupExitArchiveUnreadable, "fails its check"},
    };
    auto hostile = [&](const std::string& what, std::vector<ZipEntry> entries, DWORD code,
                       const std::string& logged,
                       const std::function<void(std::string&)>& patch) {
        cases.push_back({what, ReadFileBytes(BuildSetup(entries, "hostile.exe", patch)), code,
                         logged});
    };
    // The last name would forge a log line if the log took it as it is.
    std::vector<std::string> hostileNames = {"..\\evil.dll", "C:\\evil.dll", "COM1 .dll",
                                             "nul.txt", "AUX .skf", "lpt0",
                                             "x\r\nSetup: exit code 0\r\n.txt"};
    if (GetACP() == 1252)
        hostileNames.push_back("COM\xB9.dll");
    for (const std::string& name : hostileNames) {
        std::vector<ZipEntry> entries = base;
        entries.push_back({name, "evil"});
        hostile(name, entries, SetupExitArchiveUnreadable, "unsafe name", nullptr);
    }
    hostile("encrypted entry", base, SetupExitArchiveUnreadable, "encrypted",
            [](std::string& zip) { PatchEntry(zip, "look.skf", 6, 1, 2); });
    hostile("compression method 12", base, SetupExitArchiveUnreadable, "method",
            [](std::string& zip) { PatchEntry(zip, "look.skf", 8, 12, 2); });
    std::vector<ZipEntry> twice = base;
    twice.push_back({"README.txt", "one"});
    twice.push_back({"readme.TXT", "two"});
    hostile("names equal but for case", twice, SetupExitArchiveUnreadable, "same name", nullptr);
    std::vector<ZipEntry> archiveName = base;
    archiveName.push_back({"TEMP.ZIP", "beside the archive"});
    hostile("named like the archive", archiveName, SetupExitArchiveUnreadable, "like the archive",
            nullptr);
    std::vector<ZipEntry> packages = base;
    packages.insert(packages.begin(), {"Earlier.MSI", "not a package"});
    hostile("two packages", packages, SetupExitArchiveUnreadable, "second .msi", nullptr);
    hostile("library larger than 64 MB", base, SetupExitArchiveUnreadable, "larger than 64 MB",
            [](std::string& zip) { PatchEntry(zip, kTestLibrary, 22, 64 * 1024 * 1024 + 1, 4); });
    // Checked, though the system folder's own copy is kept.
    std::vector<ZipEntry> present = base;
    present.push_back({"msvcrt.dll", "not the real msvcrt"});
    hostile("damaged library already in the system folder", present,
            SetupExitArchiveUnreadable, "fails its check",
            [](std::string& zip) { PatchEntry(zip, "msvcrt.dll", 14, 0x12345678, 4); });
    // Entries that claim 4 GB each, more than the volume has free.
    ULARGE_INTEGER available = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(runTemp.c_str(), &available, nullptr, nullptr));
    const unsigned long long claimed = 0xFFFFFFF0ull;
    const size_t bigEntries = size_t(available.QuadPart / claimed + 1);
    // More entries than a setup holds would be refused for their number.
    ASSERT_LE(base.size() + bigEntries, kMostEntries) << "the volume is too large for this case";
    std::vector<ZipEntry> big = base;
    for (size_t i = 0; i < bigEntries; ++i)
        big.push_back({"big" + std::to_string(i) + ".bin", "x"});
    hostile("more than the free space", big, SetupExitDiskFull, "need", [&](std::string& zip) {
        for (size_t i = 0; i < bigEntries; ++i)
            PatchEntry(zip, "big" + std::to_string(i) + ".bin", 22, uint32_t(claimed), 4);
    });
    // Entries whose directory records all name one local record: each would
    // inflate the same megabyte of zeros again.
    std::vector<ZipEntry> shared = base;
    for (const char* name : {"zero1.bin", "zero2.bin", "zero3.bin", "zero4.bin"})
        shared.push_back({name, std::string(1024 * 1024, '\0')});
    hostile("entries sharing one local record", shared, SetupExitArchiveUnreadable,
            "overlaps that of entry \"zero1.bin\"", [](std::string& zip) {
                const uint32_t first = ZipField(zip, CentralHeaderOf(zip, "zero1.bin") + 42, 4);
                for (const char* name : {"zero2.bin", "zero3.bin", "zero4.bin"})
                    SetZipField(zip, CentralHeaderOf(zip, name) + 42, first, 4);
            });
    // The package's data announced 16 bytes longer: it runs into the skin's
    // local header.
    hostile("data reaching into the next entry", base, SetupExitArchiveUnreadable,
            "overlaps that of entry \"Plain.msi\"", [](std::string& zip) {
                const size_t central = CentralHeaderOf(zip, "Plain.msi");
                const size_t local = ZipField(zip, central + 42, 4);
                const uint32_t longer = ZipField(zip, central + 20, 4) + 16;
                SetZipField(zip, central + 20, longer, 4);
                SetZipField(zip, local + 18, longer, 4);
            });
    // The last entry's data announced to run on into the central directory.
    hostile("data reaching into the directory", base, SetupExitArchiveUnreadable,
            "outside the archive", [](std::string& zip) {
                const size_t central = CentralHeaderOf(zip, "VelumoDll.dll");
                const size_t local = ZipField(zip, central + 42, 4);
                const uint32_t longer = ZipField(zip, central + 20, 4) + 100;
                SetZipField(zip, central + 20, longer, 4);
                SetZipField(zip, local + 18, longer, 4);
            });
    // A second copy of the skin's local record hidden in the archive
    // comment, after the end record, and the directory pointed at it.
    hostile("local record in the archive comment", base, SetupExitArchiveUnreadable,
            "outside the archive", [](std::string& zip) {
                const size_t central = CentralHeaderOf(zip, "look.skf");
                const size_t local = ZipField(zip, central + 42, 4);
                const size_t length = 30 + ZipField(zip, local + 26, 2) +
                                      ZipField(zip, local + 28, 2) + ZipField(zip, central + 20, 4);
                SetZipField(zip, central + 42, uint32_t(zip.size()), 4);
                SetZipField(zip, zip.size() - 2, uint32_t(length), 2);
                zip += zip.substr(local, length);
            });
    // More entries than a setup holds; 20,000 once took minutes to refuse.
    for (size_t count : {257u, 20000u}) {
        std::vector<ZipEntry> many = base;
        while (many.size() < count)
            many.push_back({"many" + std::to_string(many.size()) + ".txt", ""});
        hostile(std::to_string(count) + " entries", many, SetupExitArchiveUnreadable,
                "has " + std::to_string(count) + " entries, more than the 256", nullptr);
    }
    cases.push_back({"no package",
                     ReadFileBytes(BuildSetup({{"look.skf", kSkinBytes}, {"VelumoDll.dll", engine}},
                                              "nopackage.exe")),
                     SetupExitNoPackage, "no .msi package"});
    cases.push_back({"empty archive", ReadFileBytes(BuildSetup({}, "empty.exe")),
                     SetupExitNoPackage, "no .msi package"});

    const std::string setup = work / "damaged.exe";
    const std::string log = work / "damaged.log";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(setup, c.bytes));
        RunResult run = Run(setup, "/q /l:\"" + log + "\"");
        EXPECT_EQ(c.code, run.exitCode);
        EXPECT_TRUE(run.windowsSeen.empty()) << *run.windowsSeen.begin();
        const std::string logText = ReadFileBytes(log);
        EXPECT_NE(std::string::npos, logText.find(c.logged)) << logText;
        EXPECT_NE(std::string::npos, logText.find("exit code " + std::to_string(c.code)))
            << logText;
        EXPECT_EQ(std::string::npos, logText.find("\nSetup: exit code 0")) << logText;
        EXPECT_EQ(0, CountEntries(runTemp));
        EXPECT_FALSE(FileExists(trace));
        EXPECT_FALSE(ProductInstalled(kPlainProduct));
        EXPECT_FALSE(FileExists(SystemPath(kTestLibrary)));
        EXPECT_FALSE(FileExists(SystemPath("evil.dll")));
        EXPECT_FALSE(FileExists(work / "evil.dll"));
        EXPECT_FALSE(FileExists("C:\\evil.dll"));
        DeleteFileA(trace.c_str());
    }
}

// What an administrator deploys with: quiet and passive runs, properties
// given as NAME=value, alone and beside /l and /p, and /norestart. A value
// holding "/q" or "-q" stays a value.
TEST_F(RunletTest, UnattendedRunsInstallWithTheirPropertiesAndWindows)
{
    const std::string engine = ReadFileBytes(kEngineDouble);
    // A package of some size, so that unpacking, and the status window
    // with it, lasts long enough to be seen between two looks: unpacking
    // runs at disk speed.
    const std::string plain = BuildSetup({{"Plain.msi", ReadFileBytes(kPlainMsi)},
                                          {"look.skf", kSkinBytes},
                                          {"VelumoDll.dll", engine},
                                          {"media.bin", PatternBytes(64 * 1024 * 1024, 5)}},
                                         "plain.exe");
    const std::string flavour = BuildSetup({{"Flavour.msi", ReadFileBytes(kFlavourMsi)},
                                            {"look.skf", kSkinBytes},
                                            {"VelumoDll.dll", engine}},
                                           "flavour.exe");
    const std::string log = work / "unattended.log";
    enum Windows { None, Some, Any };
    struct Case {
        std::string arguments;
        const std::string& setup;
        const char* product;
        Windows windows;
        bool skinned;
        std::string flavour;             // the registry value, for the flavour package
        std::vector<std::string> logged; // lines the log holds; none: no log
        DWORD code = 0;
    };
    const Case cases[] = {
        {"/q", plain, kPlainProduct, None, false, "", {}},
        {"/passive", plain, kPlainProduct, Some, true, "", {}},
        {"FLAVOUR=spicy", flavour, kFlavourProduct, Any, true, "spicy", {}},
        {"-quiet /l:\"" + log + "\" \"FLAVOUR=very hot\"", flavour, kFlavourProduct, None, false,
         "very hot",
         {"Setup: switches: -quiet /l:", "Setup: private folder: ",
          "Setup: entry \"Flavour.msi\" unpacked and checked",
          "FLAVOUR=\"very hot\"", "Windows Installer returned 0", "Setup: exit code 0"}},
        {"/p:\"UNUSED=1 OTHER=2\" FLAVOUR=http://x/q", flavour, kFlavourProduct, Any, true,
         "http://x/q", {}},
        {"/l:" + log + " FLAVOUR=-q", flavour, kFlavourProduct, Any, true, "-q",
         {"user interface level 0x5,", "Setup: skin "}},
        {"/q /norestart /l:" + log + " stray FLAVOUR=C:/a-q RESTARTME=1", flavour,
         kFlavourProduct, None, false, "C:/a-q",
         {"REBOOT=ReallySuppress", "Setup: ignored argument: stray", "Setup: exit code 3010"},
         ERROR_SUCCESS_REBOOT_REQUIRED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        DeleteFileA(log.c_str());
        RunResult run = Run(c.setup, c.arguments);
        EXPECT_EQ(c.code, run.exitCode);
        EXPECT_TRUE(ProductInstalled(c.product));
        if (!c.flavour.empty()) {
            EXPECT_EQ(c.flavour, FlavourValue());
        }
        if (c.windows == None) {
            EXPECT_TRUE(run.windowsSeen.empty()) << *run.windowsSeen.begin();
        } else if (c.windows == Some) {
            EXPECT_FALSE(run.windowsSeen.empty());
        }
        const std::vector<std::string> calls = TracedNames(ReadTrace());
        EXPECT_EQ(c.skinned, std::find(calls.begin(), calls.end(), "ApplySkin") != calls.end());
        const std::string logText = ReadFileBytes(log);
        EXPECT_EQ(!c.logged.empty(), FileExists(log));
        for (const std::string& line : c.logged)
            EXPECT_NE(std::string::npos, logText.find(line)) << line << " in\n" << logText;
        EXPECT_EQ(0, CountEntries(runTemp));
        RemoveProduct(c.product);
    }
}

// /x writes the package's entries, as packed, into a folder of the
// administrator's choice, and nothing anywhere else.
bool LastWriteTime(const std::string& path, FILETIME& time)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    time = data.ftLastWriteTime;
    return true;
}

TEST_F(RunletTest, ExtractionWritesEveryEntryAndInstallsNothing)
{
    const std::vector<ZipEntry> entries = {{"Plain.msi", ReadFileBytes(kPlainMsi)},
                                           {"look.skf", kSkinBytes},
                                           {"VelumoDll.dll", ReadFileBytes(kEngineDouble)},
                                           {kTestLibrary, PatternBytes(5000, 3)},
                                           {"readme.txt", "read me"}};
    const std::string setup = BuildSetup(entries);
    ASSERT_TRUE(WriteFileBytes(work / "afile", "a file, not a folder"));
    // Files of the entries' names there already are replaced.
    ASSERT_TRUE(CreateDirectoryA((work / "full").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(work / "full\\readme.txt", "an older, longer readme"));
    // A folder on another file system (Wine's Z: drive is the Unix root, and
    // /dev/shm a memory file system): the verified files cannot be moved
    // there and are copied from their held handles instead.
    char otherVolume[MAX_PATH];
    snprintf(otherVolume, sizeof otherVolume, "Z:\\dev\\shm\\velumo-runlet-%lu",
             GetCurrentProcessId());
    const DWORD shm = GetFileAttributesA("Z:\\dev\\shm");
    const bool haveOtherVolume = shm != INVALID_FILE_ATTRIBUTES && (shm & FILE_ATTRIBUTE_DIRECTORY);
    if (haveOtherVolume) {
        ASSERT_TRUE(CreateDirectoryA(otherVolume, nullptr));
        ASSERT_TRUE(WriteFileBytes(std::string(otherVolume) + "\\readme.txt", "an older readme"));
    }
    struct Case {
        std::string arguments;
        std::string folder;  // where the entries must be; empty: nowhere
        DWORD code;
    };
    std::vector<Case> cases = {
        {"/x:" + (work / "out\\deep"), work / "out\\deep", 0},
        {"/q /extract:\"" + (work / "with space") + "\"", work / "with space", 0},
        {"/q /x:" + (work / "full"), work / "full", 0},
        {"/x:" + (work / "afile\\sub"), "", SetupExitCannotExtract},
        {"/x", "", SetupExitBadSwitch},
    };
    if (haveOtherVolume)
        cases.push_back({std::string("/q /x:") + otherVolume, otherVolume, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        RunResult run = Run(setup, c.arguments);
        EXPECT_EQ(c.code, run.exitCode);
        if (!c.folder.empty()) {
            EXPECT_EQ(int(entries.size()), CountEntries(c.folder));
            for (const ZipEntry& entry : entries)
                EXPECT_EQ(entry.bytes, ReadFileBytes(c.folder + "\\" + entry.name)) << entry.name;
        }
        EXPECT_FALSE(ProductInstalled(kPlainProduct));
        EXPECT_FALSE(FileExists(SystemPath(kTestLibrary)));
        EXPECT_FALSE(FileExists(trace));
        EXPECT_EQ(0, CountEntries(runTemp));
    }
    EXPECT_FALSE(FileExists(work / "afile\\sub"));
    // Moved or copied, an extracted file keeps the entry's time.
    FILETIME moved = {}, copied = {};
    if (haveOtherVolume) {
        EXPECT_TRUE(LastWriteTime(work / "full\\readme.txt", moved));
        EXPECT_TRUE(LastWriteTime(std::string(otherVolume) + "\\readme.txt", copied));
        EXPECT_EQ(0, CompareFileTime(&moved, &copied));
        RemoveTree(otherVolume);
    }
}

// While the installer's dialog waits, the unpacked engine and package are
// held open: another process can neither write nor delete them.
TEST_F(RunletTest, UnpackedFilesCannotBeSwappedWhileTheInstallerWaits)
{
    const std::string setup = BuildSetup({{"SampleApp.msi", ReadFileBytes(kSampleMsi)},
                                          {"look.skf", kSkinBytes},
                                          {"VelumoDll.dll", ReadFileBytes(kEngineDouble)}});
    bool checked = false;
    // Cancel on the welcome page asks first; Yes leads to the interrupted
    // page, whose Finish ends the setup.
    const char* answer = nullptr;
    RunResult run = Run(setup, "", false, [&](const std::vector<HWND>& windows) {
        if (answer) {
            for (HWND window : windows) {
                if (HWND button = ChildWithText(window, answer)) {
                    PostMessageA(button, BM_CLICK, 0, 0);
                    if (!strcmp(answer, "&Finish"))
                        return true;
                    answer = "&Finish";
                    return false;
                }
            }
            return false;
        }
        HWND welcome = nullptr;
        for (HWND window : windows) {
            if (CaptionOf(window) == kSampleWelcome)
                welcome = window;
        }
        if (!welcome)
            return false;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((runTemp + "\\Velumo-*").c_str(), &found);
        EXPECT_NE(INVALID_HANDLE_VALUE, search);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            const std::string folder = runTemp + "\\" + found.cFileName + "\\";
            for (const char* name : {"VelumoDll.dll", "SampleApp.msi"}) {
                SCOPED_TRACE(name);
                const std::string path = folder + name;
                EXPECT_TRUE(FileExists(path));
                HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
                EXPECT_EQ(INVALID_HANDLE_VALUE, file);
                EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
                if (file != INVALID_HANDLE_VALUE)
                    CloseHandle(file);
                EXPECT_FALSE(DeleteFileA(path.c_str()));
                EXPECT_FALSE(MoveFileA(path.c_str(), (folder + "moved").c_str()));
            }
            checked = true;
        }
        PostMessageA(ChildWithText(welcome, "Cancel"), BM_CLICK, 0, 0);
        answer = "&Yes";
        return false;
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(DWORD(ERROR_INSTALL_USEREXIT), run.exitCode);
    EXPECT_EQ(0, CountEntries(runTemp));
}

} // namespace

namespace {

// A signed setup whose certificate table carries a second, complete container
// (the table lies outside the signed hash, so its lengths can grow to cover
// one and the signature still verifies) installs its own package, and never
// the injected one nor its engine and libraries. Its package's name holds the
// marker text, which the container's search must pass over.
TEST_F(RunletTest, SignedSetupIgnoresContainerInjectedIntoItsCertificateTable)
{
    std::string setup = BuildSetup({{"Plain!faSig!.msi", ReadFileBytes(kPlainMsi)},
                                    {"look.skf", kSkinBytes}});
    const std::string injectedArchive = work / "injected.zip";
    ASSERT_TRUE(WriteZip(injectedArchive, {{"Flavour.msi", ReadFileBytes(kFlavourMsi)},
                                           {"look.skf", kSkinBytes},
                                           {"VelumoDll.dll", ReadFileBytes(kEngineDouble)},
                                           {kTestLibrary, "injected library"}}));
    std::string image = SignedWithNewCertificate("carrier", ReadFileBytes(setup));
    const PeDirectory table = CertificateTable(image);
    ASSERT_GT(table.size, 0u);

    // The injected container ends the file, as the builder's own would, and
    // the certificate table and its directory entry grow to cover it.
    ASSERT_EQ(image.size(), table.address + table.size);
    const auto u32 = [](uint32_t value) { return std::string(reinterpret_cast<char*>(&value), 4); };
    const std::string archive = ReadFileBytes(injectedArchive);
    const size_t containerSize = 4 + 8 + archive.size() + kContainerTrailerLength;
    const std::string padding((8 - (image.size() + containerSize) % 8) % 8, '\0');
    GrowCertificateTable(image, padding + u32(8) + "temp.zip" + archive +
                                    u32(uint32_t(image.size() + padding.size())) +
                                    std::string(kContainerMarker, kContainerMarkerLength));
    ASSERT_TRUE(WriteFileBytes(kSigning + "\\carrier-injected.exe", image));
    EXPECT_EQ("0", RunHostCommand("cd '" + kSigningHost + "' && osslsigncode verify -CAfile "
                                  "carrier-cert.pem -in carrier-injected.exe >log 2>&1; "
                                  "echo $? >done",
                                  kSigning + "\\done"))
        << "the injection must leave the signature valid, or it proves nothing\n"
        << ReadFileBytes(kSigning + "\\log");
    ASSERT_TRUE(WriteFileBytes(setup, image));

    RunResult run = Run(setup, "");

    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(ProductInstalled(kPlainProduct));
    EXPECT_FALSE(ProductInstalled(kFlavourProduct));
    EXPECT_FALSE(FileExists(trace)) << "the injected engine was loaded";
    EXPECT_FALSE(FileExists(SystemPath(kTestLibrary)));
    EXPECT_EQ(0, CountEntries(runTemp));
}

} // namespace
