#pragma once

#include <string>
#include <vector>

// Build-tree files that the builder's tests use, as Windows paths.
std::string PlaceholderDir();  // the five placeholder runtime libraries
std::string StandInStubPath(); // a program with icon group 105 listing icons 1 and 2
std::string SampleMsiPath();   // a real MSI package made by wixl
std::string ArtifactsDir();    // files left for the checks that run on Linux
std::string InstalledBuilderDir(); // the builder folder that the install step laid out

// The five runtime library names, in their archive order.
extern const std::vector<std::string> kRuntimeLibraries;

// Fills folder (without final backslash; created if missing) with what a
// builder folder holds: the stub as "Runlet.exe" unless the folder already
// has one, a stand-in "VelumoDll.dll" unless it has one, and the five
// placeholder runtime libraries.
bool FillBuilderFolder(const std::string& folder);

// A builder folder as a packager has it: the programs, engine and skin that
// the install step laid out, copied into folder and completed as above. A
// non-empty engine takes the place of the installed "VelumoDll.dll".
bool LayOutBuilder(const std::string& folder, const std::string& engine = "");

// An .ico file with the given images, each announced with its true size.
std::string IconFileBytes(const std::vector<std::string>& images);

// One image of an icon file that Windows can draw, as its directory lists it.
struct DrawnIconImage {
    unsigned size;     // width and height; 256 is written as 0
    unsigned bitCount;
    std::string bytes;
};
// A square image filled with one colour (0xRRGGBB): a 32-bit DIB with its
// mask, or a PNG when png is true, as icons of 256 pixels are stored.
DrawnIconImage DrawIconImage(unsigned size, unsigned colour, bool png = false);
// An icon file (type 1) or cursor file (type 2) of such images.
std::string IconFileOf(const std::vector<DrawnIconImage>& images, unsigned type = 1);

bool CopyFileTo(const std::string& from, const std::string& to);

// Writes a small skin file that the skin engine accepts (the good skin of
// DamagedSkins.h): the builders refuse a skin the engine would refuse.
bool WriteSkinFile(const std::string& path);
