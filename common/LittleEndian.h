#pragma once

#include <stdint.h>

#include <string>

// The integers of the file formats the programs read and write (the package
// container, ZIP headers, PE files, icon files) are little-endian whatever
// the machine's own order.

inline uint16_t ReadLittle16(const void* at)
{
    const auto* b = static_cast<const unsigned char*>(at);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

inline uint32_t ReadLittle32(const void* at)
{
    const auto* b = static_cast<const unsigned char*>(at);
    return ReadLittle16(b) | static_cast<uint32_t>(ReadLittle16(b + 2)) << 16;
}

inline void WriteLittle16(void* at, uint32_t value)
{
    auto* b = static_cast<unsigned char*>(at);
    b[0] = static_cast<unsigned char>(value);
    b[1] = static_cast<unsigned char>(value >> 8);
}

inline void WriteLittle32(void* at, uint32_t value)
{
    auto* b = static_cast<unsigned char*>(at);
    WriteLittle16(b, value & 0xFFFF);
    WriteLittle16(b + 2, value >> 16);
}

inline void AppendLittle16(std::string& out, uint32_t value)
{
    unsigned char bytes[2];
    WriteLittle16(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

inline void AppendLittle32(std::string& out, uint32_t value)
{
    unsigned char bytes[4];
    WriteLittle32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}
