// Built setups run end to end: Runlet.exe with a container appended, started
// as its own process, unpacking into a private folder under the TMP that the
// test gives it and installing real packages with Windows Installer.
#include "PackageFile.h"
#include "SetupExitCode.h"
#include "TestFiles.h"
#include "TestWindows.h"
#include "TestZip.h"

#include <gtest/gtest.h>
#include <msi.h>

#include <algorithm>
#include <string.h>
#include <sstream>
#include <vector>

namespace {

const char kPlainProduct[] = "{6E0D8F1A-3C51-4E7B-9A0B-2F5C1D7A9E01}";
const char kFlavourProduct[] = "{6E0D8F1A-3C51-4E7B-9A0B-2F5C1D7A9E11}";
const char kFlavourKey[] = "Software\\Velumo Tests";
// A library no Windows has: placed by the setup, and removed by the tests.
const char kTestLibrary[] = "velumo-test-rt.dll";

// Build outputs are named by their host paths; Wine shows the host's root as Z:.
std::string HostPath(const char* path)
{
    std::string windows = std::string("Z:") + path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

const std::string kRunlet = HostPath(RUNLET_EXE);
const std::string kEngineDouble = HostPath(ENGINE_DOUBLE_DLL);
const std::string kEnginePartial = HostPath(ENGINE_PARTIAL_DLL);
const std::string kPlainMsi = HostPath(FIXTURES_DIR "/PlainProduct.msi");
const std::string kFlavourMsi = HostPath(FIXTURES_DIR "/FlavourProduct.msi");
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

// Sets an environment variable for the child processes started meanwhile.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const std::string& value) : name_(name)
    {
        char old[4096];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        had_ = length > 0 && length < sizeof old;
        if (had_)
            old_ = old;
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~EnvironmentOverride() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

// Runs a shell command of the host machine, where the signing tools live.
// Wine hands a Unix program to the host without a Windows process to wait
// for, so the command writes its exit status into `done` as its last act.
std::string RunHostCommand(const std::string& command, const std::string& done)
{
    DeleteFileA(done.c_str());
    std::string line = "/bin/sh -c \"" + command + "\"";
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\sh", text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return "cannot start /bin/sh: " + std::to_string(GetLastError());
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    for (int i = 0; i < 600; ++i) {
        std::string status = ReadFileBytes(done);
        if (!status.empty() && status.back() == '\n')
            return status.substr(0, status.size() - 1);
        Sleep(200);
    }
    return "no status from: " + command;
}

// The size of the certificate table that the PE headers point to.
uint32_t CertificateTableSize(const std::string& image)
{
    if (image.size() < 0x40)
        return 0;
    const uint32_t pe = *reinterpret_cast<const uint32_t*>(image.data() + 0x3C);
    // Signature, file header, then the 32-bit optional header with its data
    // directories at offset 96; the certificate table is the fifth.
    const size_t entry = size_t(pe) + 4 + 20 + 96 + 4 * 8;
    if (entry + 8 > image.size())
        return 0;
    return *reinterpret_cast<const uint32_t*>(image.data() + entry + 4);
}

struct RunResult {
    DWORD exitCode = 0xFFFFFFFF;
    DWORD threadId = 0;
    bool usageBoxSeen = false;
};

// One trace line of the engine double, without its thread.
struct TraceLine {
    std::string call;
    DWORD threadId = 0;
};

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
    std::string BuildSetup(const std::vector<ZipEntry>& entries, const std::string& name = "setup.exe")
    {
        std::string setup = work / name;
        EXPECT_TRUE(CopyFileA(kRunlet.c_str(), setup.c_str(), FALSE));
        std::string archive = work / "temp.zip";
        EXPECT_TRUE(WriteZip(archive, entries));
        PackageFile package(setup.c_str());
        EXPECT_EQ(AppendDone, package.AppendContainer(archive.c_str()));
        DeleteFileA(archive.c_str());
        return setup;
    }

    // Starts the setup with TMP and TEMP pointing at runTemp and the engine
    // double's trace at `trace`, and waits for it to end. With closeUsage the
    // usage box is awaited and closed as a user would.
    RunResult Run(const std::string& setup, const std::string& arguments, bool closeUsage = false)
    {
        // The child inherits these; the test's own temporary folder stays.
        EnvironmentOverride tmp("TMP", runTemp), temp("TEMP", runTemp),
            traceFile("VELUMO_TRACE", trace);
        std::string commandLine = "\"" + setup + "\" " + arguments;
        std::vector<char> text(commandLine.begin(), commandLine.end());
        text.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        RunResult result;
        if (!CreateProcessA(setup.c_str(), text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            work.path().c_str(), &startup, &process)) {
            ADD_FAILURE() << "cannot start " << setup << ": " << GetLastError();
            return result;
        }
        result.threadId = process.dwThreadId;
        if (closeUsage) {
            for (int i = 0; i < 600 && !result.usageBoxSeen; ++i) {
                HWND box = FindWindowA("#32770", "Velumo Installer");
                if (box) {
                    result.usageBoxSeen = true;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                } else if (WaitForSingleObject(process.hProcess, 200) == WAIT_OBJECT_0) {
                    break;
                }
            }
        }
        if (WaitForSingleObject(process.hProcess, 10 * 60 * 1000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "setup did not end: " << arguments;
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return result;
    }

    std::vector<TraceLine> ReadTrace()
    {
        std::vector<TraceLine> lines;
        std::istringstream in(ReadFileBytes(trace));
        std::string line;
        while (std::getline(in, line)) {
            TraceLine parsed;
            size_t thread = line.rfind(" thread=");
            parsed.call = line.substr(0, thread);
            if (thread != std::string::npos)
                parsed.threadId = strtoul(line.c_str() + thread + 8, nullptr, 10);
            lines.push_back(parsed);
        }
        DeleteFileA(trace.c_str());
        return lines;
    }

    static std::vector<std::string> Calls(const std::vector<TraceLine>& lines)
    {
        std::vector<std::string> calls;
        for (const TraceLine& line : lines)
            calls.push_back(line.call.substr(0, line.call.find(' ')));
        return calls;
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
    // Of two packages the later counts: the earlier one is no package at all.
    std::string setup = BuildSetup({{"Earlier.MSI", "not a package"},
                                    {"Plain.msi", ReadFileBytes(kPlainMsi)},
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
              Calls(lines));
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
    EXPECT_EQ((std::vector<std::string>{"Attach", "Detach"}), Calls(ReadTrace()));
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
              Calls(ReadTrace()));
    EXPECT_EQ(0, CountEntries(runTemp));
}

TEST_F(RunletTest, SignedSetupInstallsLikeTheUnsignedOne)
{
    // The engine's name in any case is the engine.
    std::string setup = BuildSetup({{"Plain.msi", ReadFileBytes(kPlainMsi)},
                                    {"look.skf", kSkinBytes},
                                    {"VELUMODLL.DLL", ReadFileBytes(kEngineDouble)}});
    CreateDirectoryA(kSigning.c_str(), nullptr);
    const std::string unsigned_ = ReadFileBytes(setup);
    ASSERT_TRUE(WriteFileBytes(kSigning + "\\unsigned.exe", unsigned_));
    // A throw-away certificate, made afresh for every run.
    EXPECT_EQ("0", RunHostCommand(
                       "cd '" + kSigningHost + "' && rm -f signed.exe && "
                       "openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem "
                       "-days 2 -subj /CN=Velumo-Tests >log 2>&1 && "
                       "osslsigncode sign -certs cert.pem -key key.pem -n 'Velumo Tests' "
                       "-in unsigned.exe -out signed.exe >>log 2>&1; echo $? >done",
                       kSigning + "\\done"))
        << ReadFileBytes(kSigning + "\\log");
    const std::string signedBytes = ReadFileBytes(kSigning + "\\signed.exe");
    ASSERT_GT(signedBytes.size(), unsigned_.size());
    ASSERT_GT(CertificateTableSize(signedBytes), 0u);
    // The signature follows the container's trailer.
    EXPECT_NE(0, memcmp(signedBytes.data() + signedBytes.size() - kContainerMarkerLength,
                        kContainerMarker, kContainerMarkerLength));
    ASSERT_TRUE(WriteFileBytes(setup, signedBytes));

    RunResult run = Run(setup, "");

    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(ProductInstalled(kPlainProduct));
    EXPECT_EQ((std::vector<std::string>{"Attach", "InitDecoration", "LoadSkinFromFile",
                                        "ApplySkin", "DeInitDecoration", "Detach"}),
              Calls(ReadTrace()));
    EXPECT_EQ(0, CountEntries(runTemp));
}

// Damage of every kind ends with its documented code, installs nothing,
// loads no engine and leaves nothing behind: not in the temporary folder,
// not in the system folder, not beside the setup, not at a drive's root.
TEST_F(RunletTest, DamagedSetupsEndWithTheirCodesAndWriteNothing)
{
    const std::string msi = ReadFileBytes(kPlainMsi);
    const std::string engine = ReadFileBytes(kEngineDouble);
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
        const char* what;
        std::string bytes;
        DWORD code;
    };
    std::vector<Case> cases = {
        {"stub alone", ReadFileBytes(kRunlet), SetupExitNoContainer},
        {"cut after the name record", good.substr(0, archiveStart + 10), SetupExitNoContainer},
        {"cut inside the archive", good.substr(0, good.size() - 200), SetupExitNoContainer},
        {"cut inside the offset", good.substr(0, good.size() - 9), SetupExitNoContainer},
        {"cut inside the marker", good.substr(0, good.size() - 3), SetupExitNoContainer},
        {"flipped byte in the package", flipped, SetupExitArchiveUnreadable},
    };
    const std::vector<std::string> hostileNames = {"..\\evil.dll", "C:\\evil.dll"};
    for (const std::string& name : hostileNames) {
        cases.push_back({name.c_str(),
                         ReadFileBytes(BuildSetup({{kTestLibrary, "library"},
                                                   {"Plain.msi", msi},
                                                   {name, "evil"}},
                                                  "hostile.exe")),
                         SetupExitArchiveUnreadable});
    }
    cases.push_back({"no package",
                     ReadFileBytes(BuildSetup({{"look.skf", kSkinBytes}, {"VelumoDll.dll", engine}},
                                              "nopackage.exe")),
                     SetupExitNoPackage});
    cases.push_back({"empty archive", ReadFileBytes(BuildSetup({}, "empty.exe")),
                     SetupExitNoPackage});

    const std::string setup = work / "damaged.exe";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(setup, c.bytes));
        RunResult run = Run(setup, "");
        EXPECT_EQ(c.code, run.exitCode);
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
    CreateDirectoryA(kSigning.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(kSigning + "\\carrier.exe", ReadFileBytes(setup)));
    EXPECT_EQ("0", RunHostCommand(
                       "cd '" + kSigningHost + "' && rm -f carrier-signed.exe && "
                       "openssl req -x509 -newkey rsa:2048 -nodes -keyout carrier-key.pem "
                       "-out carrier-cert.pem -days 2 -subj /CN=Velumo-Tests >log 2>&1 && "
                       "osslsigncode sign -certs carrier-cert.pem -key carrier-key.pem "
                       "-n 'Velumo Tests' -in carrier.exe -out carrier-signed.exe >>log 2>&1; "
                       "echo $? >done",
                       kSigning + "\\done"))
        << ReadFileBytes(kSigning + "\\log");
    std::string image = ReadFileBytes(kSigning + "\\carrier-signed.exe");
    ASSERT_GT(CertificateTableSize(image), 0u);

    // The injected container ends the file, as the builder's own would, and
    // the certificate table and its directory entry grow to cover it.
    const uint32_t pe = *reinterpret_cast<const uint32_t*>(image.data() + 0x3C);
    const size_t directory = size_t(pe) + 4 + 20 + 96 + 4 * 8;
    const uint32_t table = *reinterpret_cast<const uint32_t*>(image.data() + directory);
    ASSERT_EQ(image.size(), table + CertificateTableSize(image));
    const auto u32 = [](uint32_t value) { return std::string(reinterpret_cast<char*>(&value), 4); };
    const std::string archive = ReadFileBytes(injectedArchive);
    const size_t containerSize = 4 + 8 + archive.size() + kContainerTrailerLength;
    image.append((8 - (image.size() + containerSize) % 8) % 8, '\0');
    image += u32(8) + "temp.zip" + archive + u32(uint32_t(image.size())) +
             std::string(kContainerMarker, kContainerMarkerLength);
    const uint32_t grown = uint32_t(image.size() - table);
    image.replace(table, 4, u32(grown));
    image.replace(directory + 4, 4, u32(grown));
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
