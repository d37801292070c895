#include "PackageFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

const std::string kMarker(kContainerMarker, kContainerMarkerLength);

// A program file stands in for the stub: like every program that links the
// container code, it holds the marker text once, in its constant data.
class PackageFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stub = folder / "stub.exe";
        stubBytes = ReadFileBytes(OwnProgramPath());
        ASSERT_TRUE(WriteFileBytes(stub, stubBytes));
        CreateDirectoryA(out().c_str(), nullptr);
    }

    std::string out() const { return folder / "out"; }

    // Appends an archive of the given bytes as "temp.zip" to a fresh stub copy.
    std::string Build(const std::string& archive, const std::string& name = "temp.zip")
    {
        std::string archivePath = folder / name;
        EXPECT_TRUE(WriteFileBytes(archivePath, archive));
        PackageFile package(stub.c_str());
        EXPECT_EQ(AppendDone, package.AppendContainer(archivePath.c_str()));
        DeleteFileA(archivePath.c_str());
        return ReadFileBytes(stub);
    }

    TempFolder folder;
    std::string stub;
    std::string stubBytes;
};

TEST_F(PackageFileTest, ProgramHoldsItsOwnMarkerOnce)
{
    size_t first = stubBytes.find(kMarker);
    ASSERT_NE(std::string::npos, first);
    EXPECT_EQ(std::string::npos, stubBytes.find(kMarker, first + 1));
    PackageFile package(stub.c_str());
    EXPECT_EQ(-1, package.FindMarker());
    EXPECT_FALSE(package.HasContainer());
}

TEST_F(PackageFileTest, DefaultObjectStandsForOwnProgram)
{
    PackageFile self;
    EXPECT_STRCASEEQ(OwnProgramPath().c_str(), self.path);
}

TEST_F(PackageFileTest, RoundTripsArchivesOfEveryAwkwardLength)
{
    for (size_t length : {0u, 1u, 1023u, 1024u, 1025u, 2047u, 2048u, 2049u, 3072u, 70000u}) {
        SCOPED_TRACE(length);
        ASSERT_TRUE(WriteFileBytes(stub, stubBytes));
        std::string archive = PatternBytes(length, unsigned(length));
        std::string built = Build(archive);

        ASSERT_EQ(stubBytes.size() + 4 + 8 + length + kContainerTrailerLength, built.size());
        EXPECT_EQ(0, memcmp(built.data(), stubBytes.data(), stubBytes.size()));
        PackageFile package(stub.c_str());
        EXPECT_TRUE(package.HasContainer());
        EXPECT_EQ(long(built.size()) - kContainerMarkerLength, package.FindMarker());

        char written[MAX_PATH] = "untouched";
        ASSERT_EQ(ExtractDone, package.ExtractContainer(out().c_str(), written, sizeof written));
        EXPECT_EQ(out() + "\\temp.zip", written);
        EXPECT_EQ(archive, ReadFileBytes(written));
        DeleteFileA(written);
    }
}

TEST_F(PackageFileTest, ContainerLayoutIsLittleEndianWithStartOffset)
{
    std::string built = Build("abc", "temp.zip");
    const unsigned char* tail =
        reinterpret_cast<const unsigned char*>(built.data() + built.size() - kContainerTrailerLength);
    uint32_t start = tail[0] | tail[1] << 8 | tail[2] << 16 | uint32_t(tail[3]) << 24;
    EXPECT_EQ(stubBytes.size(), start);
    EXPECT_EQ(std::string("\x08\0\0\0temp.zipabc", 15), built.substr(start, 15));
    EXPECT_EQ(kMarker, built.substr(built.size() - 7));
}

TEST_F(PackageFileTest, NameLosesItsFolderPart)
{
    std::string sub = folder / "deeper";
    CreateDirectoryA(sub.c_str(), nullptr);
    std::string archivePath = sub + "\\payload.bin";
    WriteFileBytes(archivePath, "data");
    PackageFile package(stub.c_str());
    ASSERT_EQ(AppendDone, package.AppendContainer(archivePath.c_str()));
    char written[MAX_PATH];
    ASSERT_EQ(ExtractDone, package.ExtractContainer(out().c_str(), written, sizeof written));
    EXPECT_EQ(out() + "\\payload.bin", written);
}

TEST_F(PackageFileTest, FolderSeparatorIsAddedOnlyWhenMissing)
{
    Build("x");
    PackageFile package(stub.c_str());
    char written[MAX_PATH];
    ASSERT_EQ(ExtractDone, package.ExtractContainer((out() + "\\").c_str(), written, sizeof written));
    EXPECT_EQ(out() + "\\temp.zip", written);
    ASSERT_EQ(ExtractDone, package.ExtractContainer(out().c_str(), written, sizeof written));
    EXPECT_EQ(out() + "\\temp.zip", written);

    // No folder at all: the name alone, relative to the current folder.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(out().c_str());
    EXPECT_EQ(ExtractDone, package.ExtractContainer(nullptr, written, sizeof written));
    EXPECT_STREQ("temp.zip", written);
    EXPECT_EQ(ExtractDone, package.ExtractContainer("", written, sizeof written));
    EXPECT_STREQ("temp.zip", written);
    SetCurrentDirectoryA(previous);
}

TEST_F(PackageFileTest, AppendRefusesFileThatEndsWithMarker)
{
    std::string once = Build("payload");
    std::string archivePath = folder / "temp.zip";
    WriteFileBytes(archivePath, "other");
    PackageFile package(stub.c_str());
    EXPECT_EQ(AppendAlreadyHasContainer, package.AppendContainer(archivePath.c_str()));
    EXPECT_EQ(once, ReadFileBytes(stub));
}

TEST_F(PackageFileTest, AppendFailuresLeaveFileUnchanged)
{
    PackageFile package(stub.c_str());
    EXPECT_EQ(AppendDone, package.AppendContainer(nullptr));
    EXPECT_EQ(AppendCannotOpenArchive, package.AppendContainer((folder / "missing.zip").c_str()));
    EXPECT_EQ(stubBytes, ReadFileBytes(stub));

    std::string archivePath = folder / "temp.zip";
    WriteFileBytes(archivePath, "data");
    PackageFile nowhere((folder / "no-such-folder\\setup.exe").c_str());
    EXPECT_EQ(AppendCannotOpenFile, nowhere.AppendContainer(archivePath.c_str()));
}

TEST_F(PackageFileTest, DataAfterTrailerStillExtracts)
{
    std::string archive = PatternBytes(5000, 7);
    std::string built = Build(archive);
    // A certificate table of the usual size, and tails around the read sizes.
    const size_t markerAt = built.size() - kContainerMarkerLength;
    std::vector<size_t> tails = {4344, 1, 1023, 2047, 2048, 5000};
    for (size_t tail : tails) {
        SCOPED_TRACE(tail);
        ASSERT_TRUE(WriteFileBytes(stub, built + PatternBytes(tail, 3)));
        PackageFile package(stub.c_str());
        EXPECT_FALSE(tail != 0 && package.HasContainer());
        EXPECT_EQ(long(markerAt), package.FindMarker());
        char written[MAX_PATH];
        ASSERT_EQ(ExtractDone, package.ExtractContainer(out().c_str(), written, sizeof written));
        EXPECT_EQ(archive, ReadFileBytes(written));
    }
}

TEST_F(PackageFileTest, MarkerAcrossReadBoundaryIsFound)
{
    // Grow the archive so that the trailer's marker starts 1..6 bytes before a
    // 1024-byte boundary while more than 2048 bytes of signature follow it:
    // only a search that carries bytes between reads can see it.
    for (int split = 1; split < kContainerMarkerLength; ++split) {
        SCOPED_TRACE(split);
        ASSERT_TRUE(WriteFileBytes(stub, stubBytes));
        size_t base = stubBytes.size() + 4 + 8 + kContainerTrailerLength - kContainerMarkerLength;
        size_t target = ((base / 1024) + 3) * 1024 - split;
        std::string archive = PatternBytes(target - base, unsigned(split));
        std::string built = Build(archive);
        ASSERT_EQ(target, built.size() - kContainerMarkerLength);
        ASSERT_TRUE(WriteFileBytes(stub, built + PatternBytes(4344, 9)));

        PackageFile package(stub.c_str());
        EXPECT_EQ(long(target), package.FindMarker());
        char written[MAX_PATH];
        ASSERT_EQ(ExtractDone, package.ExtractContainer(out().c_str(), written, sizeof written));
        EXPECT_EQ(archive, ReadFileBytes(written));
    }
}

TEST_F(PackageFileTest, StubAloneHasNoContainer)
{
    PackageFile package(stub.c_str());
    char written[MAX_PATH] = "untouched";
    EXPECT_EQ(ExtractNoContainer, package.ExtractContainer(out().c_str(), written, sizeof written));
    EXPECT_STREQ("untouched", written);
    EXPECT_EQ(0, CountEntries(out()));
}

TEST_F(PackageFileTest, DamagedContainersAreRefusedWithoutWriting)
{
    std::string built = Build(PatternBytes(3000, 5));
    const size_t start = stubBytes.size();
    struct Damage {
        const char* what;
        std::string bytes;
    };
    std::vector<Damage> cases;
    // Cut anywhere from inside the stub to the last byte of the trailer.
    for (size_t cut : {start - 100, start, start + 2, start + 4, start + 9, start + 1500,
                       built.size() - 11, built.size() - 8, built.size() - 3, built.size() - 1})
        cases.push_back({"truncated", built.substr(0, cut)});

    auto patched = [&](size_t at, const std::string& with) {
        std::string bytes = built;
        bytes.replace(at, with.size(), with);
        return bytes;
    };
    const size_t offsetAt = built.size() - kContainerTrailerLength;
    cases.push_back({"start past trailer", patched(offsetAt, std::string("\xff\xff\xff\x00", 4))});
    cases.push_back({"negative start", patched(offsetAt, std::string("\xff\xff\xff\xff", 4))});
    const uint32_t trailerStart = static_cast<uint32_t>(offsetAt);
    cases.push_back({"start inside trailer",
                     patched(offsetAt, std::string(reinterpret_cast<const char*>(&trailerStart), 4))});
    cases.push_back({"name too long", patched(start, std::string("\x04\x01\x00\x00", 4))});
    cases.push_back({"name past end", patched(start, std::string("\x00\x00\x01\x00", 4))});
    cases.push_back({"name with folder", patched(start + 4, "..\\t.zip")});
    cases.push_back({"name with drive", patched(start + 4, "C:temp.z")});
    cases.push_back({"name with zero", patched(start + 4, std::string("te\0p.zip", 8))});
    cases.push_back({"marker damaged", patched(built.size() - 2, "?")});

    for (const Damage& damage : cases) {
        SCOPED_TRACE(damage.what);
        ASSERT_TRUE(WriteFileBytes(stub, damage.bytes));
        PackageFile package(stub.c_str());
        char written[MAX_PATH] = "untouched";
        int result = package.ExtractContainer(out().c_str(), written, sizeof written);
        EXPECT_NE(ExtractDone, result);
        EXPECT_STREQ("untouched", written);
        EXPECT_EQ(0, CountEntries(out()));
        EXPECT_EQ(0, CountEntries(folder.path()) - 2);  // stub.exe and out only
    }
}

TEST_F(PackageFileTest, UncreatableOutputGivesCodeFiveAfterPathIsFilled)
{
    Build("payload");
    // A folder of the archive's name: no file of that name can be created,
    // whoever runs the test (a read-only file does not stop an administrator).
    std::string target = out() + "\\temp.zip";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    PackageFile package(stub.c_str());
    char written[MAX_PATH] = "untouched";
    EXPECT_EQ(ExtractCannotCreateOutput, package.ExtractContainer(out().c_str(), written, sizeof written));
    EXPECT_EQ(target, written);
    EXPECT_TRUE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(PackageFileTest, MissingFolderOrOverlongPathIsRefused)
{
    Build("payload");
    PackageFile package(stub.c_str());
    char written[MAX_PATH] = "untouched";
    EXPECT_EQ(ExtractCannotCreateOutput,
              package.ExtractContainer((folder / "absent").c_str(), written, sizeof written));
    EXPECT_STREQ("untouched", written);

    // 252 characters of folder plus "\temp.zip" do not fit in MAX_PATH.
    std::string deep = folder.path();
    while (deep.size() < 252) {
        deep += "\\" + std::string(std::min<size_t>(40, 251 - deep.size()), 'd');
        CreateDirectoryA(deep.c_str(), nullptr);
    }
    ASSERT_TRUE(FileExists(deep));
    EXPECT_EQ(ExtractCannotCreateOutput, package.ExtractContainer(deep.c_str(), written, sizeof written));
    EXPECT_STREQ("untouched", written);
    EXPECT_EQ(0, CountEntries(deep));
}

TEST_F(PackageFileTest, UnreadableFileGivesCodeTwo)
{
    PackageFile package((folder / "absent.exe").c_str());
    char written[MAX_PATH] = "untouched";
    EXPECT_EQ(ExtractCannotOpenFile, package.ExtractContainer(out().c_str(), written, sizeof written));
    EXPECT_FALSE(package.HasContainer());
    EXPECT_EQ(-1, package.FindMarker());
}

TEST_F(PackageFileTest, SmallBufferGetsTerminatedPrefix)
{
    Build("payload");
    PackageFile package(stub.c_str());
    char written[8];
    ASSERT_EQ(ExtractDone, package.ExtractContainer(out().c_str(), written, sizeof written));
    EXPECT_EQ(out().substr(0, 7), written);
    EXPECT_EQ("payload", ReadFileBytes(out() + "\\temp.zip"));
}

} // namespace
