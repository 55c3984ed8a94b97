#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellumine {

// The SHA-256 digest of bytes that come in pieces (a large body decoded a
// piece at a time), the same as of all of them at once.
class Sha256Hasher {
public:
    void Add(std::string_view data);
    // The digest of everything added; the hasher is used up.
    std::array<std::uint32_t, 8> Finish();
    std::string Hex();

private:
    std::array<std::uint32_t, 8> FState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<unsigned char, 64> FBlock{};
    std::size_t FFilled = 0;
    std::uint64_t FLength = 0;
};

// The SHA-256 digest of `data` as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view data);

// The same digest as its 32 bytes.
std::string Sha256Bytes(std::string_view data);

}  // namespace vellumine
