// The skin engine's portable core, natively: every row of the shared table
// of skin files (DamagedSkins.h) gets the verdict the engine gives it under
// Wine (SkinEngineTest), also through `ornixcreator skin check`, and the
// parsers on their own.
#include "DamagedSkins.h"
#include "SkinBitmap.h"
#include "SkinDescription.h"
#include "SkinIni.h"
#include "SkinObjects.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bool(out);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

class SkinCoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/skincore-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        folder = pattern;
        good = folder + "/good.skf";
        ASSERT_TRUE(WriteZip(good, GoodSkinEntries()));
    }
    void TearDown() override
    {
        if (!folder.empty()) {
            ASSERT_EQ(0, system(("rm -rf '" + folder + "'").c_str()));
        }
    }

    std::string Write(const SkinCase& c, const std::string& name)
    {
        const std::string path = folder + "/" + name;
        EXPECT_TRUE(WriteSkinCase(path, c, WriteBytes)) << c.name;
        return path;
    }

    const SkinCase& Case(const std::string& name)
    {
        if (cases.empty())
            cases = SkinCases(ReadBytes(good));
        for (const SkinCase& c : cases) {
            if (c.name == name)
                return c;
        }
        ADD_FAILURE() << "no case " << name;
        return cases.front();
    }

    struct Run {
        int code = -1;
        std::string out, err;
    };
    Run SkinCheck(const std::string& arguments)
    {
        Run run;
        const std::string out = folder + "/stdout.txt", err = folder + "/stderr.txt";
        const int status = system((std::string("'") + ORNIXCREATOR + "' skin " + arguments +
                                   " >'" + out + "' 2>'" + err + "'").c_str());
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadBytes(out);
        run.err = ReadBytes(err);
        return run;
    }

    std::string folder, good;
    std::vector<SkinCase> cases;
};

TEST_F(SkinCoreTest, EveryCaseGetsTheEnginesVerdictAndTheSameFirstFault)
{
    const std::vector<SkinCase> all = SkinCases(ReadBytes(good));
    int index = 0;
    for (const SkinCase& c : all) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c, "case" + std::to_string(index++) + ".skf");
        SkinFaults first;       // as the engine checks: the first fault ends it
        SkinFaults every(true); // as skin check does
        const SkinVerdict engine = CheckSkin(path.c_str(), first);
        const SkinVerdict check = CheckSkin(path.c_str(), every);
        EXPECT_EQ(c.accepted ? SkinVerdict::Accepted : SkinVerdict::Refused, engine);
        EXPECT_EQ(engine, check);
        if (c.accepted) {
            EXPECT_TRUE(first.empty());
            EXPECT_TRUE(every.empty());
            continue;
        }
        ASSERT_EQ(1u, first.all().size());
        ASSERT_FALSE(every.empty());
        EXPECT_EQ(SkinFaultText(first.first()), SkinFaultText(every.first()));
    }
}

TEST_F(SkinCoreTest, FilesThatCannotBeReadAreNoVerdict)
{
    for (const std::string& path : {folder + "/absent.skf", folder, std::string()}) {
        SkinFaults faults;
        EXPECT_EQ(SkinVerdict::Unreadable, CheckSkin(path.c_str(), faults)) << path;
    }
}

TEST_F(SkinCoreTest, TheGoodSkinIsDescribedWithItsColoursAndImage)
{
    SkinFaults faults;
    SkinDescription skin;
    ASSERT_EQ(SkinVerdict::Accepted, CheckSkin(good.c_str(), faults, &skin));
    EXPECT_EQ("Test", skin.name);
    EXPECT_EQ(1, skin.format);
    // Dialog and Button, and the eight named objects that fall back on them.
    EXPECT_EQ(10, skin.ObjectCount());
    const SkinObjectDescription* dialog = skin.objects[FindSkinObject("Dialog")].get();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SkinRgb(0x10, 0x20, 0x30), dialog->style.face);
    EXPECT_EQ(SkinRgb(0xF0, 0xF0, 0xF0), dialog->style.text);
    EXPECT_EQ(0u, dialog->style.face >> 24);
    EXPECT_EQ(0x00302010u, dialog->style.face) << "0x00BBGGRR, as COLORREF";
    const SkinObjectDescription* open = skin.objects[FindSkinObject("OpenButton")].get();
    ASSERT_TRUE(open);
    EXPECT_EQ(SkinRgb(0x40, 0x50, 0x60), open->style.face);
    EXPECT_EQ(32, open->image.width);
    EXPECT_EQ(4, open->image.height);
    ASSERT_EQ(32u * 4 * 4, open->image.bgr0.size());
    EXPECT_EQ(0x5A, open->image.bgr0[0]);
    EXPECT_EQ(0, open->image.bgr0[3]);
    EXPECT_FALSE(skin.objects[FindSkinObject("Edit")]);
    EXPECT_FALSE(skin.dark);
    EXPECT_FALSE(skin.highContrastSafe);
}

TEST_F(SkinCoreTest, ADarkVariantIsDescribedBesideTheSkin)
{
    SkinFaults faults;
    SkinDescription skin;
    SkinCase night = Case("dark variant");
    night.entries[1].bytes = GoodSkinIniWith("#102030", "#010203");  // dark.ini
    const std::string path = Write(night, "Night.skf");
    ASSERT_EQ(SkinVerdict::Accepted, CheckSkin(path.c_str(), faults, &skin));
    ASSERT_TRUE(skin.dark);
    EXPECT_EQ(SkinRgb(0x10, 0x20, 0x30), skin.objects[FindSkinObject("Dialog")]->style.face);
    EXPECT_EQ(SkinRgb(0x01, 0x02, 0x03), skin.dark->objects[FindSkinObject("Dialog")]->style.face);
    EXPECT_EQ("Test", skin.dark->name);
    EXPECT_FALSE(skin.dark->dark);
}

TEST_F(SkinCoreTest, SkinCheckAcceptsPrintsAndExitsZero)
{
    const Run run = SkinCheck("check '" + good + "'");
    EXPECT_EQ(0, run.code);
    EXPECT_EQ("ok: Test, format 1, 10 objects\n", run.out);
    EXPECT_EQ("", run.err);
}

TEST_F(SkinCoreTest, SkinCheckNamesEveryFaultWithItsLine)
{
    struct Expected {
        const char* row;
        std::vector<std::string> lines;  // of standard error, after "FILE"
    };
    const Expected expected[] = {
        {"unknown key", {":5: [Dialog] unknown key \"glow\""}},
        // Five named buttons take the image too; the fault is told once.
        {"missing image", {":9: [Button] image strip.bmp is missing from the skin"}},
        {"wrong image size", {":9: [Button] image strip.bmp is 32x5, expected 32x4"}},
        {"BMP height -2147483648",
         {":9: [Button] image strip.bmp: BMP image has an impossible size"}},
        {"several faults",
         {":6: expected \"key = value\"", ":7: unknown object [Dialgo]",
          ":5: [Dialog] unknown key \"glow\""}},
        {"future format", {": skin.ini: unsupported format 3, this engine reads 1 to 2"}},
        // A dark variant's lines are its own ini's, named between file and line.
        {"dark variant with a bad colour", {":dark.ini:8: [Button] bad value \"#40506\" for face"}},
        {"dark variant missing", {": skin has no dark.ini"}},
        {"dark naming skin.ini", {":4: [Skin] dark names no other ini of the skin"}},
        {"zero bytes", {": skin file is empty"}},
        {"no skin.ini", {": skin has no skin.ini"}},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.row);
        const std::string path = Write(Case(e.row), "Brand.skf");
        const Run run = SkinCheck("check '" + path + "'");
        EXPECT_EQ(20, run.code);
        EXPECT_EQ("", run.out);
        std::string wanted;
        for (const std::string& line : e.lines)
            wanted += path + line + "\n";
        EXPECT_EQ(wanted, run.err);
    }
}

TEST_F(SkinCoreTest, SkinCheckExitCodesForMissingFilesAndUsage)
{
    Run run = SkinCheck("check '" + folder + "/absent.skf'");
    EXPECT_EQ(3, run.code);
    EXPECT_EQ(folder + "/absent.skf: skin file not found\n", run.err);
    run = SkinCheck("check '" + folder + "'");
    EXPECT_EQ(3, run.code);
    for (const std::string& arguments : {std::string(), std::string("check"),
                                         std::string("publish x.skf"),
                                         "check '" + good + "' '" + good + "'"}) {
        SCOPED_TRACE(arguments);
        run = SkinCheck(arguments);
        EXPECT_EQ(1, run.code);
        EXPECT_NE(std::string::npos, run.err.find("Usage: ornixcreator skin check FILE.skf"));
    }
    run = SkinCheck("--help");
    EXPECT_EQ(0, run.code);
    EXPECT_NE(std::string::npos, run.out.find("20 the skin is refused"));
}

// --- The parsers on their own ---------------------------------------------

TEST(SkinIniTest, SectionsKeysAndLines)
{
    std::vector<IniSection> sections;
    SkinFaults faults;
    ASSERT_TRUE(ParseIni("\xEF\xBB\xBF; comment\n[Skin]\r\n  Format =  2 \n\n# x\n[Dialog]\nface=#102030",
                         sections, faults));
    ASSERT_EQ(2u, sections.size());
    EXPECT_EQ("Skin", sections[0].name);
    EXPECT_EQ(2, sections[0].line);
    ASSERT_EQ(1u, sections[0].keys.size());
    EXPECT_EQ("format", sections[0].keys[0].name);
    EXPECT_EQ("2", sections[0].keys[0].value);
    EXPECT_EQ(3, sections[0].keys[0].line);
    EXPECT_EQ(7, sections[1].keys[0].line);
}

TEST(SkinIniTest, TheFirstFaultEndsTheEnginesReadingEveryFaultIsCollectedOtherwise)
{
    const std::string text =
        "key = before\n[A]\nx = 1\nx = 2\nnonsense\n[A]\ny = 1\n[B\nz = 1\n[C]\nw = 1\n";
    std::vector<IniSection> sections;
    SkinFaults first;
    EXPECT_FALSE(ParseIni(text, sections, first));
    ASSERT_EQ(1u, first.all().size());
    EXPECT_EQ("skin.ini line 1: key outside any section", SkinFaultText(first.first()));

    SkinFaults every(true);
    EXPECT_FALSE(ParseIni(text, sections, every));
    std::vector<std::string> texts;
    for (const SkinFault& fault : every.all())
        texts.push_back(SkinFaultText(fault));
    EXPECT_EQ((std::vector<std::string>{
                  "skin.ini line 1: key outside any section",
                  "skin.ini line 4: key \"x\" appears twice in its section",
                  "skin.ini line 5: expected \"key = value\"",
                  "skin.ini line 6: section [A] appears twice",
                  "skin.ini line 8: malformed section header"}),
              texts);
    // The keys of the repeated and the malformed section belong nowhere.
    ASSERT_EQ(2u, sections.size());
    EXPECT_EQ("C", sections[1].name);
    ASSERT_EQ(1u, sections[1].keys.size());
    EXPECT_EQ("w", sections[1].keys[0].name);
}

TEST(SkinBitmapTest, SizesAreCheckedWithoutOverflow)
{
    SkinPixels image;
    std::string error;
    ASSERT_TRUE(DecodeSkinBitmap(SolidBmp(3, 2), image, error)) << error;
    EXPECT_EQ(3, image.width);
    EXPECT_EQ(2, image.height);
    EXPECT_EQ(3u * 2 * 4, image.bgr0.size());
    for (uint32_t height : {0x80000000u, 0u, 0x7FFFFFFFu, 4097u, 0xFFFFEFFFu}) {
        SCOPED_TRACE(height);
        EXPECT_FALSE(DecodeSkinBitmap(BmpWithHeightField(SolidBmp(3, 2), height), image, error));
        EXPECT_EQ("BMP image has an impossible size", error);
    }
    // Top-down, -2: the same pixels read from the other end.
    EXPECT_TRUE(DecodeSkinBitmap(BmpWithHeightField(SolidBmp(3, 2), 0xFFFFFFFEu), image, error));
    EXPECT_EQ(2, image.height);
    EXPECT_FALSE(DecodeSkinBitmap(SolidBmp(3, 2).substr(0, 60), image, error));
    EXPECT_EQ("BMP image is truncated", error);
}

} // namespace
