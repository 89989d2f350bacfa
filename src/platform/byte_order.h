#pragma once
// Little-endian field access for the file formats.
#include <cstdint>
#include <cstring>
#include <string>

namespace tqx {

inline void putLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t getLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t getLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int16_t getSample16(const std::uint8_t* p) { return static_cast<std::int16_t>(getLe16(p)); }
inline void putSample16(std::uint8_t* p, std::int16_t v) { putLe16(p, static_cast<std::uint16_t>(v)); }

// Appends little-endian fields to a byte string (file headers are built this way).
inline void appendLe16(std::string& out, std::uint16_t v) {
    std::uint8_t b[2];
    putLe16(b, v);
    out.append(reinterpret_cast<const char*>(b), 2);
}
inline void appendLe32(std::string& out, std::uint32_t v) {
    std::uint8_t b[4];
    putLe32(b, v);
    out.append(reinterpret_cast<const char*>(b), 4);
}

}  // namespace tqx
