#include "LittleEndian.h"
#include "PeHeaders.h"
#include "PeResources.h"
#include "TestFiles.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

// A type or name as FindResourceEx takes it; text keeps a named key's text.
LPCWSTR ResourceName(const PeResources::Key& key, std::wstring& text)
{
    if (key.name.empty())
        return MAKEINTRESOURCEW(key.id);
    text.assign(key.name.begin(), key.name.end());
    return text.c_str();
}

// Every resource of a tree, found again through the loader's own lookup in
// the written file mapped as an image.
void ExpectLoaderFinds(const std::string& path, const PeResources& tree)
{
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_TRUE(module) << path << " does not load: " << GetLastError();
    for (const auto& type : tree.types()) {
        for (const auto& name : type.second) {
            for (const auto& language : name.second) {
                std::wstring typeText, nameText;
                HRSRC found = FindResourceExW(module, ResourceName(type.first, typeText),
                                              ResourceName(name.first, nameText), language.first);
                ASSERT_TRUE(found) << "type " << type.first.id << " name " << name.first.id
                                   << " language " << language.first;
                const std::string& bytes = language.second.bytes;
                ASSERT_EQ(bytes.size(), SizeofResource(module, found));
                const void* data = LockResource(LoadResource(module, found));
                EXPECT_TRUE(bytes.empty() || memcmp(data, bytes.data(), bytes.size()) == 0);
            }
        }
    }
    FreeLibrary(module);
}

std::string ArtifactsDir()
{
    return HostPath(VELUMO_ARTIFACTS_DIR);
}

} // namespace

// The programs the build makes, read, written back unchanged and written with
// resources replaced, grown and added: the tree reads back as written, the
// loader finds every resource, and what follows the resource section (the
// relocations, the debug sections, the symbol table) still loads.
TEST(PeResourcesTest, RewrittenProgramsKeepEveryResourceAndLoad)
{
    struct Program {
        const char* path;
        const char* artifact;  // left for the independent reader
    };
    const Program programs[] = {
        {RUNLET_EXE, "Runlet-rewritten.exe"},
        {ORNIXCREATOR_EXE, "OrnixCreator-rewritten.exe"},
    };
    for (const Program& program : programs) {
        SCOPED_TRACE(program.path);
        const std::string file = ReadFileBytes(HostPath(program.path));
        PeResources tree;
        std::string error;
        ASSERT_TRUE(tree.Read(file, error)) << error;
        ASSERT_FALSE(tree.types().empty());

        std::string same;
        ASSERT_TRUE(tree.Write(file, same, error)) << error;
        PeResources again;
        ASSERT_TRUE(again.Read(same, error)) << error;
        EXPECT_TRUE(again.types() == tree.types());

        // A large image grows the section past what follows it; a new image,
        // a named type and a removed group exercise every level.
        PeResources changed = tree;
        const std::string large = PatternBytes(300000, 5);
        changed.Set(3, 1, 1033, large);
        changed.Set(3, 40, 1033, PatternBytes(777, 6));
        changed.Set(PeResources::Key(u"VELUMO"), PeResources::Key(u"DATA"), 0, "named");
        ASSERT_TRUE(tree.types().count(14));
        changed.Remove(14, tree.types().at(14).begin()->first);
        std::string written;
        ASSERT_TRUE(changed.Write(file, written, error)) << error;
        PeResources readBack;
        ASSERT_TRUE(readBack.Read(written, error)) << error;
        EXPECT_TRUE(readBack.types() == changed.types());

        // And shrinking: the large image goes again. An empty resource that
        // comes last in the tree must still lie inside the section.
        changed.Set(3, 1, 1033, "small");
        changed.Set(0xFFFF, 0xFFFF, 0xFFFF, "");
        std::string shrunk;
        ASSERT_TRUE(changed.Write(written, shrunk, error)) << error;
        ASSERT_TRUE(readBack.Read(shrunk, error)) << error;
        EXPECT_TRUE(readBack.types() == changed.types());
        TempFolder folder;
        ASSERT_TRUE(WriteFileBytes(folder / "shrunk.exe", shrunk));
        ExpectLoaderFinds(folder / "shrunk.exe", readBack);
        changed.Remove(0xFFFF, 0xFFFF);

        const std::string path = ArtifactsDir() + "\\" + program.artifact;
        ASSERT_TRUE(WriteFileBytes(path, written));
        ASSERT_TRUE(readBack.Read(written, error)) << error;
        ExpectLoaderFinds(path, readBack);
    }
}

// Files whose resources cannot be rewritten are refused with a reason, and
// damaged ones are not read.
TEST(PeResourcesTest, RefusesWhatItCannotRewrite)
{
    const std::string runlet = ReadFileBytes(HostPath(RUNLET_EXE));
    PeHeaders headers;
    ASSERT_EQ(PeHeadersResult::Sound, ReadPeHeaders(runlet, headers));
    const size_t pe = headers.signature;
    std::string signedFile = runlet;
    // A certificate table of 8 bytes.
    WriteLittle32(&signedFile[headers.DirectoryAt(kPeSecurityDirectory) + 4], 8);
    PeResources tree;
    std::string error;
    ASSERT_TRUE(tree.Read(runlet, error)) << error;
    const PeSection* rsrc = nullptr;
    for (const PeSection& section : headers.sections) {
        if (section.Named(".rsrc"))
            rsrc = &section;
    }
    ASSERT_TRUE(rsrc);
    // The root table of the resources claims more entries than its section holds.
    std::string badTable = runlet;
    badTable[rsrc->rawOffset + 14] = badTable[rsrc->rawOffset + 15] = char(0xff);
    // The first section's bytes moved over the headers, or into the resources.
    std::string overHeaders = runlet, intoResources = runlet;
    const size_t firstRawOffset = headers.sections[0].header + kPeSectionRawOffsetField;
    WriteLittle32(&overHeaders[firstRawOffset], 0);
    WriteLittle32(&intoResources[firstRawOffset], rsrc->rawOffset);
    // A program of 9 KB: the headers, then the resources alone, every
    // other section left without bytes in the file.
    const size_t optional = headers.optionalHeader;
    const size_t headersEnd = headers.headersSize;
    std::string small = runlet.substr(0, headersEnd);
    for (const PeSection& section : headers.sections) {
        if (&section == rsrc) {
            small += runlet.substr(section.rawOffset, section.rawSize);
            WriteLittle32(&small[section.header + kPeSectionRawOffsetField], uint32_t(headersEnd));
        } else {
            WriteLittle32(&small[section.header + kPeSectionRawSizeField], 0);
            WriteLittle32(&small[section.header + kPeSectionRawOffsetField], 0);
        }
    }
    WriteLittle32(&small[headers.fileHeader + kPeSymbolTableField], 0);  // no symbol table
    // Alignments the loader refuses; rounding the new section up to them
    // once asked for gigabytes.
    auto aligned = [&](const std::string& file, uint32_t section, uint32_t inFile) {
        std::string bytes = file;
        WriteLittle32(&bytes[optional + kPeSectionAlignmentField], section);
        WriteLittle32(&bytes[optional + kPeFileAlignmentField], inFile);
        return bytes;
    };

    struct Case {
        const char* what;
        std::string file;
        bool reads;
        bool writes;
    } cases[] = {
        {"not a program", PatternBytes(4096), false, false},
        {"cut inside the headers", runlet.substr(0, pe + 30), false, false},
        {"signed", signedFile, true, false},
        {"no resources at all", ReadFileBytes(HostPath(ENGINE_DLL)), true, false},
        {"a damaged resource table", badTable, false, true},
        {"a section over the headers", overHeaders, false, false},
        {"a section sharing the resources' bytes", intoResources, true, false},
        {"the headers and the resources alone", small, true, true},
        {"the same aligned to nearly 4 GiB", aligned(small, 0xFFFFE000, 0xFFFFE000),
         true, false},
        {"aligned to 2 GiB in the file", aligned(runlet, 0x80000000, 0x80000000), true, false},
        {"a file alignment that is no power of two", aligned(runlet, 0x1000, 0x300), true, false},
        {"a memory alignment below the file's", aligned(runlet, 0x200, 0x1000), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PeResources resources;
        std::string out;
        error.clear();
        EXPECT_EQ(c.reads, resources.Read(c.file, error)) << error;
        error.clear();
        EXPECT_EQ(c.writes, tree.Write(c.file, out, error));
        if (!c.writes) {
            EXPECT_FALSE(error.empty());
        } else {
            // What is written reads back as written.
            PeResources again;
            EXPECT_TRUE(again.Read(out, error)) << error;
            EXPECT_TRUE(again.types() == tree.types());
        }
    }
}
