#pragma once
// Fixed-width little-endian decoding; every caller has checked that the
// bytes are there.

#include <cstdint>

namespace vellumine {

inline std::uint16_t DecodeFixed16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t DecodeFixed32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t DecodeSigned32(const unsigned char* p)
{
    return static_cast<std::int32_t>(DecodeFixed32(p));
}

inline std::uint64_t DecodeFixed64(const unsigned char* p)
{
    return static_cast<std::uint64_t>(DecodeFixed32(p)) |
           (static_cast<std::uint64_t>(DecodeFixed32(p + 4)) << 32);
}

}  // namespace vellumine
