#include "BuilderTestSupport.h"

#include "DamagedSkins.h"
#include "LittleEndian.h"
#include "TestFiles.h"
#include "WindowCapture.h"

#include <windows.h>

#include <stdio.h>

const std::vector<std::string> kRuntimeLibraries = {"gdiplus.dll", "mfc71.dll", "MSVCR71.DLL",
                                                    "msvcrt.dll", "msvcp71.dll"};

std::string PlaceholderDir() { return HostPath(VELUMO_PLACEHOLDER_DIR); }
std::string StandInStubPath() { return HostPath(VELUMO_STANDIN_STUB); }
std::string SampleMsiPath() { return HostPath(VELUMO_SAMPLE_MSI); }
std::string ArtifactsDir() { return HostPath(VELUMO_ARTIFACTS_DIR); }
std::string InstalledBuilderDir() { return HostPath(VELUMO_INSTALLED_BUILDER); }

bool CopyFileTo(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool FillBuilderFolder(const std::string& folder)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    bool ok = true;
    if (!FileExists(folder + "\\Runlet.exe"))
        ok = ok && CopyFileTo(StandInStubPath(), folder + "\\Runlet.exe");
    if (!FileExists(folder + "\\VelumoDll.dll"))
        ok = ok && WriteFileBytes(folder + "\\VelumoDll.dll", PatternBytes(40000, 5));
    for (const std::string& name : kRuntimeLibraries)
        ok = ok && CopyFileTo(PlaceholderDir() + "\\" + name, folder + "\\" + name);
    return ok;
}

bool LayOutBuilder(const std::string& folder, const std::string& engine)
{
    const std::string installed = InstalledBuilderDir();
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"OrnixCreator.exe", "Runlet.exe", "VelumoDll.dll", "Ornix.skf"}) {
        if (!CopyFileTo(installed + "\\" + name, folder + "\\" + name)) {
            fprintf(stderr, "cannot copy %s from %s\n", name, installed.c_str());
            return false;
        }
    }
    if (!engine.empty() && !CopyFileTo(engine, folder + "\\VelumoDll.dll"))
        return false;
    CreateDirectoryA((folder + "\\Skins").c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((installed + "\\Skins\\*.skf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "no stock skins in %s\\Skins\n", installed.c_str());
        return false;
    }
    do {
        CopyFileTo(installed + "\\Skins\\" + found.cFileName,
                   folder + "\\Skins\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return FillBuilderFolder(folder);
}

DrawnIconImage DrawIconImage(unsigned size, unsigned colour, bool png)
{
    const char bgra[4] = {char(colour & 0xFF), char(colour >> 8 & 0xFF), char(colour >> 16 & 0xFF),
                          char(0xFF)};
    std::string bytes;
    if (png) {
        std::string rgba;
        for (unsigned i = 0; i < size * size; ++i)
            rgba += std::string{bgra[2], bgra[1], bgra[0], bgra[3]};
        return {size, 32, PngBytes(int(size), int(size), 4, rgba)};
    }
    const unsigned maskRow = (size + 31) / 32 * 4;
    AppendLittle32(bytes, 40);
    AppendLittle32(bytes, size);
    AppendLittle32(bytes, size * 2); // colour and mask
    AppendLittle16(bytes, 1);
    AppendLittle16(bytes, 32);
    AppendLittle32(bytes, 0);
    AppendLittle32(bytes, size * size * 4 + maskRow * size);
    for (int i = 0; i < 4; ++i)
        AppendLittle32(bytes, 0);
    for (unsigned i = 0; i < size * size; ++i)
        bytes.append(bgra, 4);
    bytes.append(maskRow * size, '\0'); // every pixel opaque
    return {size, 32, bytes};
}

std::string IconFileOf(const std::vector<DrawnIconImage>& images, unsigned type)
{
    std::string bytes;
    AppendLittle16(bytes, 0);
    AppendLittle16(bytes, type);
    AppendLittle16(bytes, unsigned(images.size()));
    unsigned offset = unsigned(6 + 16 * images.size());
    for (const DrawnIconImage& image : images) {
        bytes += char(image.size & 0xFF);
        bytes += char(image.size & 0xFF);
        bytes += std::string(2, '\0'); // no palette, reserved
        AppendLittle16(bytes, 1);
        AppendLittle16(bytes, image.bitCount);
        AppendLittle32(bytes, unsigned(image.bytes.size()));
        AppendLittle32(bytes, offset);
        offset += unsigned(image.bytes.size());
    }
    for (const DrawnIconImage& image : images)
        bytes += image.bytes;
    return bytes;
}

std::string IconFileBytes(const std::vector<std::string>& images)
{
    std::vector<DrawnIconImage> entries;
    for (const std::string& image : images)
        entries.push_back({32, 32, image});
    return IconFileOf(entries);
}

bool WriteSkinFile(const std::string& path)
{
    return WriteZip(path, GoodSkinEntries());
}
