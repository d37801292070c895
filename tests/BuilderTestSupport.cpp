#include "BuilderTestSupport.h"

#include "TestFiles.h"

#include <windows.h>
#include <zlib.h>

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

namespace {

void u16(std::string& out, unsigned value)
{
    out += char(value & 0xFF);
    out += char(value >> 8 & 0xFF);
}

void u32(std::string& out, unsigned value)
{
    u16(out, value & 0xFFFF);
    u16(out, value >> 16);
}

void be32(std::string& out, unsigned value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char(value >> shift & 0xFF);
}

void PngChunk(std::string& out, const char* type, const std::string& data)
{
    be32(out, unsigned(data.size()));
    const std::string body = type + data;
    out += body;
    be32(out, unsigned(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

} // namespace

DrawnIconImage DrawIconImage(unsigned size, unsigned colour, bool png)
{
    const char bgra[4] = {char(colour & 0xFF), char(colour >> 8 & 0xFF), char(colour >> 16 & 0xFF),
                          char(0xFF)};
    std::string bytes;
    if (png) {
        std::string rows;
        for (unsigned y = 0; y < size; ++y) {
            rows += '\0'; // no filter
            for (unsigned x = 0; x < size; ++x)
                rows += std::string{bgra[2], bgra[1], bgra[0], bgra[3]};
        }
        uLongf packedSize = compressBound(uLong(rows.size()));
        std::string packed(packedSize, '\0');
        compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                 reinterpret_cast<const Bytef*>(rows.data()), uLong(rows.size()));
        packed.resize(packedSize);
        std::string header;
        be32(header, size);
        be32(header, size);
        header += std::string("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA
        bytes = "\x89PNG\r\n\x1a\n";
        PngChunk(bytes, "IHDR", header);
        PngChunk(bytes, "IDAT", packed);
        PngChunk(bytes, "IEND", "");
        return {size, 32, bytes};
    }
    const unsigned maskRow = (size + 31) / 32 * 4;
    u32(bytes, 40);
    u32(bytes, size);
    u32(bytes, size * 2); // colour and mask
    u16(bytes, 1);
    u16(bytes, 32);
    u32(bytes, 0);
    u32(bytes, size * size * 4 + maskRow * size);
    for (int i = 0; i < 4; ++i)
        u32(bytes, 0);
    for (unsigned i = 0; i < size * size; ++i)
        bytes.append(bgra, 4);
    bytes.append(maskRow * size, '\0'); // every pixel opaque
    return {size, 32, bytes};
}

std::string IconFileOf(const std::vector<DrawnIconImage>& images, unsigned type)
{
    std::string bytes;
    u16(bytes, 0);
    u16(bytes, type);
    u16(bytes, unsigned(images.size()));
    unsigned offset = unsigned(6 + 16 * images.size());
    for (const DrawnIconImage& image : images) {
        bytes += char(image.size & 0xFF);
        bytes += char(image.size & 0xFF);
        bytes += std::string(2, '\0'); // no palette, reserved
        u16(bytes, 1);
        u16(bytes, image.bitCount);
        u32(bytes, unsigned(image.bytes.size()));
        u32(bytes, offset);
        offset += unsigned(image.bytes.size());
    }
    for (const DrawnIconImage& image : images)
        bytes += image.bytes;
    return bytes;
}

std::string IconFileBytes(const std::vector<std::string>& images)
{
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
