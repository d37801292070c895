#include "BuilderTestSupport.h"

#include "TestFiles.h"

#include <windows.h>

const std::vector<std::string> kRuntimeLibraries = {"gdiplus.dll", "mfc71.dll", "MSVCR71.DLL",
                                                    "msvcrt.dll", "msvcp71.dll"};

std::string WindowsPathOf(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

std::string PlaceholderDir() { return WindowsPathOf(VELUMO_PLACEHOLDER_DIR); }
std::string StandInStubPath() { return WindowsPathOf(VELUMO_STANDIN_STUB); }
std::string SampleMsiPath() { return WindowsPathOf(VELUMO_SAMPLE_MSI); }
std::string ArtifactsDir() { return WindowsPathOf(VELUMO_ARTIFACTS_DIR); }

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

std::string IconFileBytes(const std::vector<std::string>& images)
{
    auto u16 = [](std::string& out, unsigned value) {
        out += char(value & 0xFF);
        out += char(value >> 8 & 0xFF);
    };
    auto u32 = [&](std::string& out, unsigned value) {
        u16(out, value & 0xFFFF);
        u16(out, value >> 16);
    };
    std::string bytes;
    u16(bytes, 0);
    u16(bytes, 1);
    u16(bytes, unsigned(images.size()));
    unsigned offset = unsigned(6 + 16 * images.size());
    for (const std::string& image : images) {
        bytes += std::string("\x20\x20\x00\x00", 4); // 32x32, no palette
        u16(bytes, 1);                              // planes
        u16(bytes, 32);                             // bits per pixel
        u32(bytes, unsigned(image.size()));
        u32(bytes, offset);
        offset += unsigned(image.size());
    }
    for (const std::string& image : images)
        bytes += image;
    return bytes;
}
