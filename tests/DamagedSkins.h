#pragma once

// The one table of skin files and their verdicts: the engine under Wine
// (SkinEngineTest) and the portable core natively (SkinCoreTest, also through
// `ornixcreator skin check`) must accept and refuse exactly these. No
// Windows header here: the native tests include it too.

#include "TestZip.h"

#include <stdint.h>

#include <string>
#include <vector>

// A 24-bit (or bits-bit) bottom-up BMP of one colour.
inline std::string SolidBmp(int width, int height, int bits = 24)
{
    const int stride = ((width * bits + 31) / 32) * 4;
    const uint32_t offBits = 14 + 40;
    auto put16 = [](std::string& out, uint32_t v) {
        out += static_cast<char>(v & 0xff);
        out += static_cast<char>((v >> 8) & 0xff);
    };
    auto put32 = [&](std::string& out, uint32_t v) {
        put16(out, v & 0xffff);
        put16(out, v >> 16);
    };
    std::string bytes = "BM";
    put32(bytes, offBits + static_cast<uint32_t>(stride * height));  // bfSize
    put32(bytes, 0);                                                // reserved
    put32(bytes, offBits);
    put32(bytes, 40);  // biSize
    put32(bytes, static_cast<uint32_t>(width));
    put32(bytes, static_cast<uint32_t>(height));
    put16(bytes, 1);  // planes
    put16(bytes, static_cast<uint32_t>(bits));
    for (int i = 0; i < 6; ++i)
        put32(bytes, 0);  // BI_RGB, image size, resolution, colours
    bytes.append(static_cast<size_t>(stride) * height, '\x5a');
    return bytes;
}

// The same BMP with another value in its signed height field.
inline std::string BmpWithHeightField(std::string bmp, uint32_t height)
{
    for (int i = 0; i < 4; ++i)
        bmp[22 + i] = static_cast<char>((height >> (8 * i)) & 0xff);
    return bmp;
}

// Bytes with no structure, the same for a seed on every machine.
inline std::string NoiseBytes(size_t length, uint32_t seed)
{
    std::string bytes(length, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<char>(state >> 16);
    }
    return bytes;
}

// A small skin of format 1 that every reader accepts; the damaged ones are
// made from it. Its lines: 1 [Skin], 2 name, 3 format, 4 [Dialog], 5 face,
// 6 text, 7 [Button], 8 face, 9 image, 10 image_size, 11 image_states.
inline const char kGoodSkinIni[] =
    "[Skin]\nname = Test\nformat = 1\n"
    "[Dialog]\nface = #102030\ntext = #F0F0F0\n"
    "[Button]\nface = #405060\nimage = strip.bmp\nimage_size = 8x4\nimage_states = 4\n";

// kGoodSkinIni with the first "from" replaced by "to".
inline std::string GoodSkinIniWith(const std::string& from, const std::string& to)
{
    std::string ini = kGoodSkinIni;
    const size_t at = ini.find(from);
    return at == std::string::npos ? std::string() : ini.replace(at, from.size(), to);
}

inline std::vector<ZipEntry> GoodSkinEntries()
{
    return {{"skin.ini", kGoodSkinIni}, {"strip.bmp", SolidBmp(32, 4)}};
}

struct SkinCase {
    std::string name;
    std::vector<ZipEntry> entries;  // empty: the raw bytes below are the file
    std::string raw;
    bool accepted;
};

// Every row, accepted and refused. goodBytes: the good skin (GoodSkinEntries)
// as WriteZip wrote it, which the truncated and corrupted rows cut and flip.
inline std::vector<SkinCase> SkinCases(const std::string& goodBytes)
{
    const std::string strip = SolidBmp(32, 4);
    auto ini = [&](const std::string& text) {
        return std::vector<ZipEntry>{{"skin.ini", text}, {"strip.bmp", strip}};
    };
    const std::string format2 = GoodSkinIniWith("format = 1", "format = 2");
    const std::string top = SolidBmp(40, 6), side = SolidBmp(12, 30);
    auto larger = [&](const std::string& at150, const std::string& at200) {
        return std::vector<ZipEntry>{
            {"skin.ini", GoodSkinIniWith("format = 1", "format = 2") +
                             "image@150 = strip@150.bmp\nimage@200 = strip@200.bmp\n"},
            {"strip.bmp", strip}, {"strip@150.bmp", at150}, {"strip@200.bmp", at200}};
    };
    static const char kPictures[] = "[Banner]\nimage = top.bmp\n[SideImage]\nimage = side.bmp\n";
    // text, with the two picture sections after it unless withSections is false.
    auto pictures = [&](const std::string& text, const std::string& topBmp,
                        const std::string& sideBmp, bool withSections = true) {
        return std::vector<ZipEntry>{{"skin.ini", text + (withSections ? kPictures : "")},
                                     {"strip.bmp", strip}, {"top.bmp", topBmp},
                                     {"side.bmp", sideBmp}};
    };
    const std::string withDark = GoodSkinIniWith("format = 1", "format = 1\ndark = Dark.ini");
    auto dark = [&](const std::string& darkIni) {
        return std::vector<ZipEntry>{{"skin.ini", withDark}, {"dark.ini", darkIni},
                                     {"strip.bmp", strip}};
    };
    std::vector<SkinCase> cases = {
        {"the good skin", GoodSkinEntries(), "", true},
        // The same skin in the newer format loads, so the rows below fail for
        // their fault and not for the format.
        {"the good skin in format 2", ini(format2), "", true},
        {"wrong image size", {{"skin.ini", kGoodSkinIni}, {"strip.bmp", SolidBmp(32, 5)}}, "", false},
        {"missing image", {{"skin.ini", kGoodSkinIni}}, "", false},
        {"image not a BMP", {{"skin.ini", kGoodSkinIni}, {"strip.bmp", "not an image"}}, "", false},
        {"8-bit BMP", {{"skin.ini", kGoodSkinIni}, {"strip.bmp", SolidBmp(32, 4, 8)}}, "", false},
        {"BMP cut short", {{"skin.ini", kGoodSkinIni}, {"strip.bmp", strip.substr(0, 100)}}, "", false},
        // Its negation does not fit in 32 bits: the size is computed wider.
        {"BMP height -2147483648",
         {{"skin.ini", kGoodSkinIni}, {"strip.bmp", BmpWithHeightField(strip, 0x80000000u)}}, "", false},
        {"BMP height -4 (top-down)",
         {{"skin.ini", kGoodSkinIni}, {"strip.bmp", BmpWithHeightField(strip, 0xFFFFFFFCu)}}, "", true},
        {"no skin.ini", {{"strip.bmp", strip}}, "", false},
        {"bad colour digit", ini(GoodSkinIniWith("#102030", "#10203G")), "", false},
        {"colour by name", ini(GoodSkinIniWith("#102030", "red")), "", false},
        {"nonsense font size", ini(GoodSkinIniWith("[Dialog]\n", "[Dialog]\nfont_size = 900\n")), "", false},
        {"font name not UTF-8", ini(GoodSkinIniWith("[Dialog]\n", "[Dialog]\nfont_face = Ta\xC3homa\n")), "", false},
        {"states not 1 or 4", ini(GoodSkinIniWith("image_states = 4", "image_states = 3")), "", false},
        {"unknown key", ini(GoodSkinIniWith("[Dialog]\n", "[Dialog]\nglow = 1\n")), "", false},
        {"image on a static", ini(GoodSkinIniWith("[Dialog]\n", "[Static]\nimage = strip.bmp\n[Dialog]\n")), "", false},
        {"unknown section", ini(GoodSkinIniWith("[Dialog]", "[Dialgo]")), "", false},
        {"line without key", ini(GoodSkinIniWith("[Dialog]\n", "[Dialog]\nhello\n")), "", false},
        {"no header", ini(GoodSkinIniWith("[Skin]\nname = Test\nformat = 1\n", "")), "", false},
        {"future format", ini(GoodSkinIniWith("format = 1", "format = 3")), "", false},
        {"newer key in format 1", ini(GoodSkinIniWith("[Dialog]\n", "[Dialog]\ncaption = #102030\n")), "", false},
        {"strip too short for a check box", ini(format2 + "[CheckBox]\nimage = strip.bmp\nimage_size = 8x4\nimage_states = 4\n"), "", false},
        {"margins wider than the image", {{"skin.ini", format2 + "[ProgressBar]\nimage = bar.bmp\nimage_size = 8x4\nimage_states = 2\nimage_margins = 5,1,5,1\n"}, {"strip.bmp", strip}, {"bar.bmp", SolidBmp(16, 4)}}, "", false},
        {"three margins", {{"skin.ini", format2 + "[ProgressBar]\nimage = bar.bmp\nimage_size = 8x4\nimage_states = 2\nimage_margins = 1,1,1\n"}, {"strip.bmp", strip}, {"bar.bmp", SolidBmp(16, 4)}}, "", false},
        {"caption buttons without size", ini(format2 + "[CustomFrame]\nbuttons = strip.bmp\n"), "", false},
        // The button's 8x4 frames are 12x6 at 150% and 16x8 at 200%.
        {"images for 150% and 200%", larger(SolidBmp(48, 6), SolidBmp(64, 8)), "", true},
        {"image for 150% a row short", larger(SolidBmp(48, 5), SolidBmp(64, 8)), "", false},
        {"image for 200% at 150%", larger(SolidBmp(48, 6), SolidBmp(48, 6)), "", false},
        {"image for 200% without its 100% image", ini(format2 + "[CustomFrame]\nbackground@200 = strip.bmp\n"), "", false},
        {"image for 150% in format 1", ini(GoodSkinIniWith("image_states = 4", "image_states = 4\nimage@150 = strip.bmp")), "", false},
        // A banner and a side picture take an image of any size, and nothing
        // but the image of the image keys.
        {"banner and side picture", pictures(format2, top, side), "", true},
        {"banner without an image", pictures(format2 + "[Banner]\nface = #102030\n", top, side, false), "", false},
        {"banner image missing", {{"skin.ini", format2 + kPictures}, {"strip.bmp", strip}, {"side.bmp", side}}, "", false},
        {"banner image not a BMP", pictures(format2, "not an image", side), "", false},
        {"side picture cut short", pictures(format2, top, side.substr(0, 80)), "", false},
        {"8-bit side picture", pictures(format2, top, SolidBmp(12, 30, 8)), "", false},
        {"banner with a frame size", pictures(format2 + "[Banner]\nimage = top.bmp\nimage_size = 40x6\n", top, side, false), "", false},
        {"side picture with margins", pictures(format2 + "[SideImage]\nimage = side.bmp\nimage_margins = 1,1,1,1\n", top, side, false), "", false},
        {"banner in format 1", pictures(kGoodSkinIni, top, side), "", false},
        // A dark variant is a second ini under the same rules, sharing the images.
        {"dark variant", dark(kGoodSkinIni), "", true},
        {"dark variant missing", ini(withDark), "", false},
        {"dark variant with a bad colour", dark(GoodSkinIniWith("#405060", "#40506")), "", false},
        {"dark variant without a header", dark("[Dialog]\nface = #000000\n"), "", false},
        {"dark variant of a dark variant", dark(withDark), "", false},
        {"dark variant image missing", dark(GoodSkinIniWith("strip.bmp", "night.bmp")), "", false},
        {"dark naming skin.ini", ini(GoodSkinIniWith("format = 1", "format = 1\ndark = Skin.ini")), "", false},
        {"safe in high contrast", ini(GoodSkinIniWith("format = 1", "format = 1\nhigh_contrast = safe")), "", true},
        {"high contrast not safe", ini(GoodSkinIniWith("format = 1", "format = 1\nhigh_contrast = yes")), "", false},
        {"several faults", ini(GoodSkinIniWith("[Dialog]\n", "[Dialog]\nglow = 1\nhello\n[Dialgo]\n")), "", false},
        {"random bytes", {}, NoiseBytes(700, 3), false},
        {"zero bytes", {}, std::string(), false},
    };
    // Cut at the start, inside the first entry, in the middle, inside the
    // central directory and one byte short of the end.
    for (size_t cut : {size_t(1), size_t(30), goodBytes.size() / 2, goodBytes.size() - 40,
                       goodBytes.size() - 1})
        cases.push_back({"truncated at " + std::to_string(cut), {}, goodBytes.substr(0, cut), false});
    std::string flipped = goodBytes;
    flipped[60] ^= 0x55;  // inside the first entry's compressed data
    cases.push_back({"corrupted data", {}, flipped, false});
    // Near the 16 MB an entry may have: a hundred thousand sections, or as
    // many keys in one, each new name unlike every one before it but the last.
    std::string manySections = kGoodSkinIni;
    std::string manyKeys = std::string(kGoodSkinIni) + "[Static]\n";
    const std::string filler = "; " + std::string(120, '-') + "\n";
    for (int i = 0; i < 100000; ++i) {
        manySections += "[Section " + std::to_string(i) + "]\nface = #102030\n" + filler;
        manyKeys += "key" + std::to_string(i) + " = #102030\n" + filler;
    }
    manySections += "[section 0]\n";
    manyKeys += "KEY0 = #102030\n";
    cases.push_back({"100000 sections, the last twice", ini(manySections), "", false});
    cases.push_back({"100000 keys, the last twice", ini(manyKeys), "", false});
    return cases;
}

// Writes a case's file; false when it cannot.
inline bool WriteSkinCase(const std::string& path, const SkinCase& c,
                          bool (*writeBytes)(const std::string&, const std::string&))
{
    return c.entries.empty() ? writeBytes(path, c.raw) : WriteZip(path, c.entries);
}
