#include "LittleEndian.h"
#include "PackageFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

namespace {

const std::string kMarker(kContainerMarker, kContainerMarkerLength);

std::string U32Bytes(uint32_t value)
{
    std::string bytes;
    AppendLittle32(bytes, value);
    return bytes;
}

// The layout a signing tool leaves: `padding` bytes to 8-byte alignment, then
// a certificate table at the end that the security directory points at. The
// reader goes by the layout only, so the table holds filler after its header.
std::string Signed(std::string image, size_t padding, char paddingByte = '\0')
{
    image.append(padding, paddingByte);
    const uint32_t table = uint32_t(image.size());
    const std::string certificate = PatternBytes(1992, 4);
    const uint32_t length = uint32_t(8 + certificate.size());
    image += U32Bytes(length) + std::string("\x00\x02\x02\x00", 4) + certificate;
    image.replace(CertificateDirectoryAt(image), 8, U32Bytes(table) + U32Bytes(length));
    return image;
}

size_t AlignmentPadding(size_t size)
{
    return (8 - size % 8) % 8;
}

// A whole second container inside the certificate table, whose lengths grow
// to cover it: the signed hash leaves the table out, so the signature holds.
std::string InjectedIntoCertificateTable(std::string image, const std::string& archive)
{
    const uint32_t start = uint32_t(image.size());
    GrowCertificateTable(image, U32Bytes(8) + "evil.zip" + archive + U32Bytes(start) + kMarker);
    return image;
}

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
    EXPECT_STRCASEEQ(OwnProgramPath().c_str(), self.path());
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

    // A container after a certificate table would never be read.
    const std::string signedStub = Signed(stubBytes, AlignmentPadding(stubBytes.size()));
    ASSERT_TRUE(WriteFileBytes(stub, signedStub));
    EXPECT_EQ(AppendSignedFile, package.AppendContainer(archivePath.c_str()));
    EXPECT_EQ(signedStub, ReadFileBytes(stub));
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
    cases.push_back({"name a device", patched(start + 4, "COM1.zip")});
    cases.push_back({"name a device in lower case", patched(start + 4, "nul.temp")});
    cases.push_back({"name with wildcard", patched(start + 4, "temp*zip")});
    cases.push_back({"name ends with a dot", patched(start + 4, "tempzip.")});
    // A name record inside the program's code is no container's, however
    // well it reads.
    cases.push_back({"start inside the image",
                     patched(offsetAt, U32Bytes(0x1000)).replace(
                         0x1000, 12, std::string("\x08\0\0\0temp.zip", 12))});

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

namespace {

// Where a trailer may be: right before a certificate table in a signed
// program, at the end of an unsigned one, or, with data appended to an
// unsigned one, at the last marker that begins a sound container.
TEST_F(PackageFileTest, TrailerIsFoundOnlyWhereItMayBe)
{
    // The archive ends with the marker text, as a package named
    // "Product!faSig!.msi" puts it at the end of the ZIP's central directory,
    // and holds a whole fake trailer before that.
    const std::string archive = PatternBytes(3000, 6) + U32Bytes(uint32_t(stubBytes.size())) +
                                kMarker + PatternBytes(50, 2) + "Product" + kMarker + ".msi";
    struct Case {
        const char* what;
        std::string bytes;
        bool found;
        std::string archive;
    };
    std::vector<Case> cases;
    // Every alignment a signing tool may need, from none to seven bytes.
    for (size_t extra = 0; extra < 8; ++extra) {
        ASSERT_TRUE(WriteFileBytes(stub, stubBytes));
        const std::string grown = archive + std::string(extra, 'x');
        const std::string built = Build(grown);
        cases.push_back({"signed", Signed(built, AlignmentPadding(built.size())), true, grown});
    }
    ASSERT_TRUE(WriteFileBytes(stub, stubBytes));
    const std::string built = Build(archive);
    const size_t padding = AlignmentPadding(built.size());
    const std::string signedBytes = Signed(built, padding);
    const std::string evil = PatternBytes(700, 8);
    cases.push_back({"container injected into the certificate table",
                     InjectedIntoCertificateTable(signedBytes, evil), true, archive});
    cases.push_back({"container after the certificate table",
                     Signed(stubBytes, AlignmentPadding(stubBytes.size())) + U32Bytes(8) +
                         "evil.zip" + evil + U32Bytes(uint32_t(stubBytes.size())) + kMarker,
                     false, ""});
    cases.push_back({"eight bytes of padding", Signed(built, padding + 8), false, ""});
    // From a build that needs padding, whatever this build's own size.
    ASSERT_TRUE(WriteFileBytes(stub, stubBytes));
    const std::string unaligned = padding ? built : Build(archive + "x");
    cases.push_back({"padding not zero",
                     Signed(unaligned, AlignmentPadding(unaligned.size()), '\x01'), false, ""});
    std::string tableBeyondEnd = signedBytes;
    tableBeyondEnd.replace(CertificateDirectoryAt(tableBeyondEnd), 4,
                           U32Bytes(uint32_t(signedBytes.size() + 16)));
    cases.push_back({"certificate table beyond the end", tableBeyondEnd, false, ""});

    cases.push_back({"unsigned", built, true, archive});
    cases.push_back({"appended data holding a marker",
                     built + PatternBytes(3000, 9) + kMarker + PatternBytes(5000, 10), true,
                     archive});
    cases.push_back({"appended data holding a fake trailer",
                     built + U32Bytes(0xFFFFFFFF) + U32Bytes(uint32_t(built.size())) + kMarker +
                         "tail",
                     true,
                     archive});
    // A trailer at the very end is taken at once, and this one is damaged.
    cases.push_back({"appended data ending with a marker", built + PatternBytes(900, 5) + kMarker,
                     false, ""});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(stub, c.bytes));
        PackageFile package(stub.c_str());
        char written[MAX_PATH] = "untouched";
        const int result = package.ExtractContainer(out().c_str(), written, sizeof written);
        if (c.found) {
            EXPECT_EQ(int64_t(stubBytes.size() + 4 + 8 + c.archive.size() + 4), package.FindMarker());
            ASSERT_EQ(ExtractDone, result);
            EXPECT_EQ(c.archive, ReadFileBytes(written));
            DeleteFileA(written);
        } else {
            EXPECT_EQ(-1, package.FindMarker());
            EXPECT_EQ(ExtractNoContainer, result);
            EXPECT_STREQ("untouched", written);
        }
        EXPECT_EQ(0, CountEntries(out()));
    }
}

} // namespace

namespace {

// Sparse files: the sizes cost nothing, the offsets beyond 2 GiB are real.
bool ResizeFile(const std::string& path, uint64_t size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER position;
    position.QuadPart = LONGLONG(size);
    const bool done = SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return done;
}

uint64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The start offset is 32 bits wide: a setup may grow to 4 GiB less one byte,
// and not one byte more.
TEST_F(PackageFileTest, SetupsGrowToFourGigabytesLessOneByte)
{
    const std::string archive = "an archive past 2 GiB";
    const std::string archivePath = folder / "temp.zip";
    ASSERT_TRUE(WriteFileBytes(archivePath, archive));
    const uint64_t container = 4 + 8 + archive.size() + kContainerTrailerLength;
    for (uint64_t size : {kMaxSetupSize + 1, kMaxSetupSize}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(WriteFileBytes(stub, stubBytes));
        ASSERT_TRUE(ResizeFile(stub, size - container));
        PackageFile package(stub.c_str());
        if (size > kMaxSetupSize) {
            EXPECT_EQ(AppendTooLarge, package.AppendContainer(archivePath.c_str()));
            EXPECT_EQ(size - container, FileSize(stub));
            EXPECT_FALSE(package.HasContainer());
            continue;
        }
        ASSERT_EQ(AppendDone, package.AppendContainer(archivePath.c_str()));
        EXPECT_EQ(size, FileSize(stub));
        EXPECT_TRUE(package.HasContainer());
        EXPECT_EQ(int64_t(size - kContainerMarkerLength), package.FindMarker());
        char written[MAX_PATH];
        ASSERT_EQ(ExtractDone, package.ExtractContainer(out().c_str(), written, sizeof written));
        EXPECT_EQ(archive, ReadFileBytes(written));
    }
    DeleteFileA(stub.c_str());
}

} // namespace

namespace {

// `size` bytes of a file from `offset` on.
std::string ReadFileRange(const std::string& path, uint64_t offset, size_t size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string bytes(size, '\0');
    LARGE_INTEGER position;
    position.QuadPart = LONGLONG(offset);
    DWORD count = 0;
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN) ||
        !ReadFile(file, &bytes[0], DWORD(size), &count, nullptr))
        count = 0;
    CloseHandle(file);
    bytes.resize(count);
    return bytes;
}

// An archive of 2.5 GiB, zeros between a first and a last kilobyte of its
// own, lies beyond the reach of 32-bit signed file positions.
TEST_F(PackageFileTest, SetupOfTwoAndAHalfGigabytesExtracts)
{
    const uint64_t archiveSize = 2560ull << 20;
    const std::string first = PatternBytes(1024, 11);
    const std::string last = PatternBytes(1024, 12);
    const std::string head = stubBytes + U32Bytes(8) + "temp.zip" + first;
    ASSERT_TRUE(WriteFileBytes(stub, head));
    ASSERT_TRUE(ResizeFile(stub, stubBytes.size() + 12 + archiveSize - last.size()));
    FILE* file = fopen(stub.c_str(), "ab");
    ASSERT_TRUE(file);
    const std::string tail = last + U32Bytes(uint32_t(stubBytes.size())) + kMarker;
    EXPECT_EQ(tail.size(), fwrite(tail.data(), 1, tail.size(), file));
    fclose(file);

    PackageFile package(stub.c_str());
    EXPECT_EQ(int64_t(FileSize(stub) - kContainerMarkerLength), package.FindMarker());
    char written[MAX_PATH];
    ASSERT_EQ(ExtractDone, package.ExtractContainer(out().c_str(), written, sizeof written));
    EXPECT_EQ(archiveSize, FileSize(written));
    EXPECT_EQ(first, ReadFileRange(written, 0, first.size()));
    EXPECT_EQ(last, ReadFileRange(written, archiveSize - last.size(), last.size()));
    DeleteFileA(written);
    DeleteFileA(stub.c_str());
}

} // namespace
