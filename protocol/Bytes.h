// Little-endian 32-bit fields; a revision of the change log takes two.
#ifndef ORSA_BYTES_H
#define ORSA_BYTES_H

#include <cstdint>
#include <string>

namespace orsa {

inline void putU32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline std::uint32_t getU32(const char* p)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

inline void putU64(std::string& out, std::uint64_t v)
{
    putU32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    putU32(out, static_cast<std::uint32_t>(v >> 32));
}

inline std::uint64_t getU64(const char* p)
{
    return getU32(p) | (static_cast<std::uint64_t>(getU32(p + 4)) << 32);
}

} // namespace orsa

#endif // ORSA_BYTES_H
